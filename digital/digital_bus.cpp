// The Demo Card's simulated bus: UART, I2C and SPI traffic synthesised
// bit-exactly at the analyzer's sample rate.
#include "digital/digital_bus.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

int dLineSource = DIGITAL_SOURCE_COUNTER;
DigitalBus dBus;

namespace
{

// Level changes of one line, in time order, from its idle level.
struct Line {
    int idle = 1;
    std::vector<std::pair<int64_t, int>> changes;
    void set(int64_t at, int level) { changes.emplace_back(at, level); }
};

// A timing grid: unit u of a bus falls on the sample nearest u * step.
struct Grid {
    double step = 1.0;
    int64_t at(double units) const { return static_cast<int64_t>(std::llround(units * step)); }
};

void Uart(const DigitalBus &bus, double rate, Line &tx, BusLayout &layout)
{
    if (!(bus.uartBaud > 0.0))
        return;
    const Grid g{rate / bus.uartBaud};
    const bool sevenE1 = bus.uartFormat == BUS_UART_7E1;
    const int frameBits = 10; // start, 8 data (or 7 data and parity), stop
    double u = 2.0;           // two bit times of idle first
    for (unsigned char ch : bus.uartText) {
        const int value = sevenE1 ? (ch & 0x7F) : ch;
        int bits[10];
        bits[0] = 0;
        int ones = 0;
        const int dataBits = sevenE1 ? 7 : 8;
        for (int b = 0; b < dataBits; ++b) {
            bits[1 + b] = (value >> b) & 1;
            ones += bits[1 + b];
        }
        if (sevenE1)
            bits[8] = ones & 1; // even parity: the count of ones including parity is even
        bits[9] = 1;
        for (int b = 0; b < frameBits; ++b)
            tx.set(g.at(u + b), bits[b]);
        BusByte byte;
        byte.value = value;
        byte.start = g.at(u);
        byte.end = g.at(u + frameBits);
        layout.uart.push_back(byte);
        u += frameBits;
    }
    layout.samplesNeeded = std::max(layout.samplesNeeded, g.at(u + 2.0));
}

void I2c(const DigitalBus &bus, double rate, Line &scl, Line &sda, BusLayout &layout)
{
    if (!(bus.i2cClock > 0.0))
        return;
    const Grid g{rate / (4.0 * bus.i2cClock)}; // quarter clock periods
    double u = 8.0;                            // two clock periods of idle
    // One bit cell: SCL falls at c, SDA takes the bit at c + 1, SCL rises at
    // c + 2 (the bit is read while SCL is high) and falls again at c + 4.
    auto sendByte = [&](int value, int ackLevel, int address) {
        BusByte byte;
        byte.value = value;
        byte.address = address;
        byte.ack = ackLevel == 0;
        for (int b = 7; b >= -1; --b) {
            scl.set(g.at(u), 0);
            sda.set(g.at(u + 1), b >= 0 ? (value >> b) & 1 : ackLevel);
            scl.set(g.at(u + 2), 1);
            if (b == 7)
                byte.start = g.at(u + 2);
            if (b == -1)
                byte.end = g.at(u + 2);
            u += 4;
        }
        layout.i2c.push_back(byte);
    };
    // START: SDA falls while SCL is high.  STOP: SCL low, SDA low, SCL up,
    // then SDA rises while SCL is high; two clock periods of idle follow.
    auto start = [&]() {
        sda.set(g.at(u), 0);
        u += 2;
    };
    auto stop = [&]() {
        scl.set(g.at(u), 0);
        sda.set(g.at(u + 1), 0);
        scl.set(g.at(u + 2), 1);
        sda.set(g.at(u + 3), 1);
        u += 3 + 8;
    };
    // The write and the read are two transactions, as an EEPROM's page
    // write and current-address read are.
    start();
    sendByte((bus.i2cAddress & 0x7F) << 1, 0, 1);
    for (uint8_t v : bus.i2cWrite)
        sendByte(v, 0, 0);
    stop();
    if (!bus.i2cRead.empty()) {
        start();
        sendByte(((bus.i2cAddress & 0x7F) << 1) | 1, 0, 1);
        for (size_t i = 0; i < bus.i2cRead.size(); ++i)
            sendByte(bus.i2cRead[i], i + 1 < bus.i2cRead.size() ? 0 : 1, 0);
        stop();
    }
    layout.samplesNeeded = std::max(layout.samplesNeeded, g.at(u));
}

void Spi(const DigitalBus &bus, double rate, Line &cs, Line &clk, Line &mosi, Line &miso, BusLayout &layout)
{
    if (!(bus.spiClock > 0.0))
        return;
    const Grid g{rate / (2.0 * bus.spiClock)}; // half clock periods
    const int cpol = (bus.spiMode >> 1) & 1;
    const int cpha = bus.spiMode & 1;
    clk.idle = cpol;
    mosi.idle = 1;
    miso.idle = 1;
    const size_t n = std::max(bus.spiMosi.size(), bus.spiMiso.size());
    if (n == 0)
        return;
    const double u0 = 4.0; // two clock periods of idle
    cs.set(g.at(u0), 0);
    for (size_t i = 0; i < n; ++i) {
        const int out = i < bus.spiMosi.size() ? bus.spiMosi[i] : 0xFF;
        const int in = i < bus.spiMiso.size() ? bus.spiMiso[i] : 0xFF;
        BusByte bo, bi;
        bo.value = out;
        bi.value = in;
        for (int k = 0; k < 8; ++k) {
            const int bit = bus.spiLsbFirst ? k : 7 - k;
            // Cell [c, c + 2): mode 0/2 put the bit out half a period before
            // the leading edge; modes 1/3 put it out on the leading edge.
            const double c = u0 + 1.0 + 2.0 * static_cast<double>(i * 8 + static_cast<size_t>(k));
            mosi.set(g.at(c), (out >> bit) & 1);
            miso.set(g.at(c), (in >> bit) & 1);
            const double lead = cpha ? c : c + 1.0;
            clk.set(g.at(lead), 1 - cpol);
            clk.set(g.at(lead + 1.0), cpol);
            if (k == 0)
                bo.start = bi.start = g.at(c);
            if (k == 7)
                bo.end = bi.end = g.at(c + 2.0);
        }
        layout.spiMosi.push_back(bo);
        layout.spiMiso.push_back(bi);
    }
    const double last = u0 + 1.0 + 2.0 * static_cast<double>(n * 8);
    cs.set(g.at(last + 1.0), 1);
    layout.samplesNeeded = std::max(layout.samplesNeeded, g.at(last + 5.0));
}

void Render(const Line &line, int bitIndex, uint8_t *raw, int samples)
{
    const uint8_t mask = static_cast<uint8_t>(1u << bitIndex);
    int level = line.idle;
    int64_t from = 0;
    auto fill = [&](int64_t a, int64_t b, int v) {
        a = std::max<int64_t>(a, 0);
        b = std::min<int64_t>(b, samples);
        if (v)
            for (int64_t i = a; i < b; ++i)
                raw[2 * i] |= mask;
    };
    for (const auto &[at, v] : line.changes) {
        fill(from, at, level);
        from = std::max(from, at);
        level = v;
    }
    fill(from, samples, level);
}

} // namespace

BusLayout Digital_SynthesizeBus(const DigitalBus &bus, double rate, uint8_t *raw, int samples)
{
    BusLayout layout;
    Line lines[7];
    if (rate > 0.0) {
        Uart(bus, rate, lines[BUS_LINE_UART], layout);
        I2c(bus, rate, lines[BUS_LINE_SCL], lines[BUS_LINE_SDA], layout);
        Spi(bus, rate, lines[BUS_LINE_CS], lines[BUS_LINE_CLK], lines[BUS_LINE_MOSI], lines[BUS_LINE_MISO],
            layout);
    }
    if (raw && samples > 0) {
        std::memset(raw, 0, static_cast<size_t>(samples) * 2);
        for (int k = 0; k < 7; ++k)
            Render(lines[k], k, raw, samples);
    }
    return layout;
}

bool Digital_ParseHexBytes(const std::string &text, std::vector<uint8_t> *bytes)
{
    std::vector<uint8_t> out;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == ' ' || c == ',' || c == '\t' || c == ';') {
            ++i;
            continue;
        }
        size_t j = i;
        if (text.compare(j, 2, "0x") == 0 || text.compare(j, 2, "0X") == 0)
            j += 2;
        size_t k = j;
        while (k < text.size() && std::isxdigit(static_cast<unsigned char>(text[k])))
            ++k;
        if (k == j || k - j > 2)
            return false;
        if (k < text.size() && !(text[k] == ' ' || text[k] == ',' || text[k] == '\t' || text[k] == ';'))
            return false;
        out.push_back(static_cast<uint8_t>(std::stoi(text.substr(j, k - j), nullptr, 16)));
        if (out.size() > 64)
            return false;
        i = k;
    }
    *bytes = std::move(out);
    return true;
}

std::string Digital_FormatHexBytes(const std::vector<uint8_t> &bytes)
{
    std::string out;
    char buf[4];
    for (uint8_t b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X", b);
        out += (out.empty() ? "" : " ") + std::string(buf);
    }
    return out;
}
