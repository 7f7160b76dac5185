// The protocol decoders on the Demo Card's simulated bus: what the decoders
// read back must be exactly what the bus sent, where it sent it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "decoders/decoders.h"
#include "digital/digital_bus.h"

namespace
{

class DecodersTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        if (!decoders::Available())
            GTEST_SKIP() << "no protocol decoders: " << decoders::UnavailableReason();
    }
    // The bus at rate, long enough for all its traffic.
    static std::vector<uint8_t> Bus(const DigitalBus &bus, double rate, BusLayout *layout)
    {
        *layout = Digital_SynthesizeBus(bus, rate, nullptr, 0);
        std::vector<uint8_t> raw(static_cast<size_t>(layout->samplesNeeded) * 2);
        Digital_SynthesizeBus(bus, rate, raw.data(), static_cast<int>(layout->samplesNeeded));
        return raw;
    }
    static decoders::Result Run(const std::vector<decoders::Stage> &stages, const std::vector<uint8_t> &raw,
                                double rate)
    {
        decoders::Capture c;
        c.data = raw.data();
        c.samples = raw.size() / 2;
        c.unitSize = 2;
        c.sampleRate = rate;
        return decoders::Decode(stages, c);
    }
    static std::vector<const decoders::Annotation *> OfClass(const decoders::Result &r, int stage, int cls)
    {
        std::vector<const decoders::Annotation *> out;
        for (const auto &a : r.annotations)
            if (a.stage == stage && a.cls == cls)
                out.push_back(&a);
        return out;
    }
};

// uart's annotation class 0 is RX data.
struct UartCase {
    double baud;
    int format;
};

class UartTest : public DecodersTest, public ::testing::WithParamInterface<UartCase>
{
};

TEST_P(UartTest, TheTextComesBackByteForByteAtItsSamples)
{
    const UartCase c = GetParam();
    DigitalBus bus;
    bus.uartBaud = c.baud;
    bus.uartFormat = c.format;
    const double rate = 1000000.0;
    BusLayout layout;
    const auto raw = Bus(bus, rate, &layout);
    decoders::Stage uart;
    uart.decoder = "uart";
    uart.channels = {{"rx", BUS_LINE_UART}};
    uart.options = {{"baudrate", std::to_string(static_cast<int>(c.baud))}};
    const bool e71 = c.format == BUS_UART_7E1;
    if (e71)
        uart.options.insert({{"data_bits", "7"}, {"parity", "even"}});
    const decoders::Result r = Run({uart}, raw, rate);
    ASSERT_TRUE(r.ok()) << r.messages[0];

    const auto data = OfClass(r, 0, 0);
    ASSERT_EQ(data.size(), bus.uartText.size());
    const double bit = rate / c.baud;
    const int dataBits = e71 ? 7 : 8;
    std::string text;
    for (size_t i = 0; i < data.size(); ++i) {
        text += static_cast<char>(std::strtol(data[i]->texts.at(0).c_str(), nullptr, 16));
        // The data bits span one bit after the frame's start to the end of the last data bit.
        const double frame = static_cast<double>(layout.uart[i].start);
        EXPECT_NEAR(static_cast<double>(data[i]->start), frame + bit, 1.0) << i;
        EXPECT_NEAR(static_cast<double>(data[i]->end), frame + bit * (1 + dataBits), 1.0) << i;
    }
    EXPECT_EQ(text, "Hello, bench");
    auto count = [&](const std::string &text) {
        size_t n = 0;
        for (const auto &a : r.annotations)
            n += a.texts.at(0) == text;
        return n;
    };
    EXPECT_EQ(count("Parity bit"), e71 ? bus.uartText.size() : 0u);
    EXPECT_EQ(count("Stop bit"), bus.uartText.size());
    EXPECT_EQ(count("Parity error"), 0u);
    EXPECT_EQ(count("Frame error"), 0u);
}

INSTANTIATE_TEST_SUITE_P(Rates, UartTest,
                         ::testing::Values(UartCase{9600, BUS_UART_8N1}, UartCase{115200, BUS_UART_8N1},
                                           UartCase{9600, BUS_UART_7E1}, UartCase{115200, BUS_UART_7E1}));

TEST_F(DecodersTest, I2cWriteAndReadWithAStackedEeprom)
{
    DigitalBus bus; // 0x50: write 10 AB CD, read 5A A5
    const double rate = 1000000.0;
    BusLayout layout;
    const auto raw = Bus(bus, rate, &layout);
    decoders::Stage i2c;
    i2c.decoder = "i2c";
    i2c.channels = {{"scl", BUS_LINE_SCL}, {"sda", BUS_LINE_SDA}};
    decoders::Stage eeprom;
    eeprom.decoder = "eeprom24xx";
    eeprom.parent = 0;
    const decoders::Result r = Run({i2c, eeprom}, raw, rate);
    ASSERT_TRUE(r.ok()) << r.messages[0] << r.messages[1];

    // Everything but the single bits (class 5), in order.
    std::vector<std::string> seen;
    for (const auto &a : r.annotations)
        if (a.stage == 0 && a.cls != 5)
            seen.push_back(a.texts.at(0));
    const std::vector<std::string> sent = {
        "Start", "Address write: 50", "Write", "ACK", "Data write: 10", "ACK", "Data write: AB", "ACK",
        "Data write: CD", "ACK", "Stop", "Start", "Address read: 50", "Read", "ACK", "Data read: 5A",
        "ACK", "Data read: A5", "NACK", "Stop"};
    EXPECT_EQ(seen, sent);
    // Each data byte spans the samples the bus gave it.
    const auto writes = OfClass(r, 0, 9);
    ASSERT_EQ(writes.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(static_cast<int64_t>(writes[i]->start), layout.i2c[i + 1].start);
        EXPECT_EQ(static_cast<int64_t>(writes[i]->end), layout.i2c[i + 1].end);
    }
    // The EEPROM sees a page write of AB CD at word address 10.
    bool pageWrite = false, word = false;
    std::vector<std::string> bytes;
    for (const auto &a : r.annotations) {
        if (a.stage != 1)
            continue;
        const std::string &t = a.texts.at(0);
        pageWrite |= t == "Page write (addr=10, 2 bytes): AB CD";
        word |= t == "Word address byte: 10";
        if (a.texts.size() > 1 && a.texts[1].rfind("Data byte: ", 0) == 0)
            bytes.push_back(a.texts[1].substr(11));
    }
    EXPECT_TRUE(pageWrite);
    EXPECT_TRUE(word);
    EXPECT_EQ(bytes, (std::vector<std::string>{"AB", "CD"}));
}

// spi's classes: 0 MISO data, 1 MOSI data, 4 warnings.
class SpiTest : public DecodersTest, public ::testing::WithParamInterface<std::pair<int, int>>
{
};

TEST_P(SpiTest, BothDirectionsInEveryModeAndBitOrder)
{
    DigitalBus bus;
    bus.spiMode = GetParam().first;
    bus.spiLsbFirst = GetParam().second;
    const double rate = 10000000.0; // 5 samples per half clock at 1 MHz
    BusLayout layout;
    const auto raw = Bus(bus, rate, &layout);
    decoders::Stage spi;
    spi.decoder = "spi";
    spi.channels = {{"cs", BUS_LINE_CS}, {"clk", BUS_LINE_CLK}, {"mosi", BUS_LINE_MOSI}, {"miso", BUS_LINE_MISO}};
    spi.options = {{"cpol", std::to_string(bus.spiMode >> 1)},
                   {"cpha", std::to_string(bus.spiMode & 1)},
                   {"bitorder", bus.spiLsbFirst ? "lsb-first" : "msb-first"}};
    const decoders::Result r = Run({spi}, raw, rate);
    ASSERT_TRUE(r.ok()) << r.messages[0];
    auto values = [&](int cls) {
        std::vector<int> v;
        for (const auto *a : OfClass(r, 0, cls))
            v.push_back(static_cast<int>(std::strtol(a->texts.at(0).c_str(), nullptr, 16)));
        return v;
    };
    EXPECT_EQ(values(1), (std::vector<int>{0x9F, 0x01, 0x80}));
    EXPECT_EQ(values(0), (std::vector<int>{0xFF, 0xEF, 0x40}));
    EXPECT_TRUE(OfClass(r, 0, 4).empty());
    // Each word lies within its byte's clock cycles on the bus.
    const auto mosi = OfClass(r, 0, 1);
    for (size_t i = 0; i < mosi.size() && i < layout.spiMosi.size(); ++i) {
        EXPECT_GE(static_cast<int64_t>(mosi[i]->start), layout.spiMosi[i].start) << i;
        EXPECT_LE(static_cast<int64_t>(mosi[i]->end), layout.spiMosi[i].end + 10) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, SpiTest,
                         ::testing::Values(std::make_pair(0, 0), std::make_pair(0, 1), std::make_pair(3, 0),
                                           std::make_pair(3, 1)));

TEST_F(DecodersTest, ABadDecoderGivesAMessageAndLeavesTheOthersWhole)
{
    DigitalBus bus;
    const double rate = 1000000.0;
    BusLayout layout;
    const auto raw = Bus(bus, rate, &layout);
    decoders::Stage good;
    good.decoder = "uart";
    good.channels = {{"rx", 0}};
    decoders::Stage badValue = good;
    badValue.options = {{"parity", "sideways"}};
    decoders::Stage badNumber = good;
    badNumber.options = {{"baudrate", "fast"}};
    decoders::Stage throws = good; // the decoder divides by the baud rate
    throws.options = {{"baudrate", "0"}};
    decoders::Stage unmapped;
    unmapped.decoder = "i2c";
    unmapped.channels = {{"scl", 1}};
    decoders::Stage onTop;
    onTop.decoder = "eeprom24xx";
    onTop.parent = 4; // on the unmapped i2c
    decoders::Stage beyond = good;
    beyond.channels = {{"rx", 16}};
    decoders::Stage unknown;
    unknown.decoder = "no_such_decoder";
    const decoders::Result r =
        Run({badValue, badNumber, throws, good, unmapped, onTop, beyond, unknown}, raw, rate);
    EXPECT_NE(r.messages[0].find("parity"), std::string::npos) << r.messages[0];
    EXPECT_NE(r.messages[0].find("sideways"), std::string::npos);
    EXPECT_NE(r.messages[1].find("whole number"), std::string::npos) << r.messages[1];
    // The exception the decoder raised (where its rate is divided by the
    // baud rate, or where the missing result is then used).
    EXPECT_EQ(r.messages[2].rfind("uart: ", 0), 0u) << r.messages[2];
    EXPECT_NE(r.messages[2].find("Error"), std::string::npos) << r.messages[2];
    EXPECT_EQ(r.messages[3], "");
    EXPECT_NE(r.messages[4].find("SDA"), std::string::npos) << r.messages[4];
    EXPECT_NE(r.messages[5].find("not run"), std::string::npos) << r.messages[5];
    EXPECT_NE(r.messages[6].find("line 16"), std::string::npos) << r.messages[6];
    EXPECT_NE(r.messages[7].find("no such decoder"), std::string::npos) << r.messages[7];
    EXPECT_FALSE(r.ok());
    // The good decoder's bytes are all there.
    size_t bytes = 0;
    for (const auto &a : r.annotations) {
        EXPECT_EQ(a.stage, 3);
        bytes += a.cls == 0;
    }
    EXPECT_EQ(bytes, bus.uartText.size());
}

TEST_F(DecodersTest, ACaptureWithoutEdgesGivesNoAnnotations)
{
    for (uint8_t level : {0x00, 0xFF}) {
        const std::vector<uint8_t> raw(20000, level);
        decoders::Stage uart;
        uart.decoder = "uart";
        uart.channels = {{"rx", 0}};
        decoders::Stage i2c;
        i2c.decoder = "i2c";
        i2c.channels = {{"scl", 1}, {"sda", 2}};
        const decoders::Result r = Run({uart, i2c}, raw, 1000000.0);
        EXPECT_TRUE(r.ok()) << r.messages[0] << r.messages[1];
        EXPECT_TRUE(r.annotations.empty()) << int(level);
    }
    // No samples at all, and no rate: nothing to decode, no crash.
    decoders::Stage uart;
    uart.decoder = "uart";
    uart.channels = {{"rx", 0}};
    EXPECT_TRUE(Run({uart}, {}, 1000000.0).annotations.empty());
    const std::vector<uint8_t> raw(2000, 0);
    EXPECT_TRUE(Run({uart}, raw, 0.0).annotations.empty());
}

TEST_F(DecodersTest, ACancelledDecodeSaysSo)
{
    DigitalBus bus;
    BusLayout layout;
    const auto raw = Bus(bus, 1000000.0, &layout);
    decoders::Stage uart;
    uart.decoder = "uart";
    uart.channels = {{"rx", 0}};
    decoders::Capture c;
    c.data = raw.data();
    c.samples = raw.size() / 2;
    c.sampleRate = 1000000.0;
    const decoders::Result r = decoders::Decode({uart}, c, [](void *) { return true; }, nullptr);
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(r.ok());
}

TEST_F(DecodersTest, TheListDescribesChannelsOptionsAndStacking)
{
    const auto &list = decoders::List();
    EXPECT_GT(list.size(), 50u);
    const decoders::DecoderInfo *uart = decoders::Find("uart");
    const decoders::DecoderInfo *i2c = decoders::Find("i2c");
    const decoders::DecoderInfo *eeprom = decoders::Find("eeprom24xx");
    ASSERT_TRUE(uart && i2c && eeprom);
    EXPECT_FALSE(uart->desc.empty());
    EXPECT_TRUE(uart->channels.empty());
    ASSERT_EQ(uart->optionalChannels.size(), 2u);
    EXPECT_EQ(uart->optionalChannels[0].id, "rx");
    bool baud = false, stop = false;
    for (const auto &o : uart->options) {
        if (o.id == "baudrate") {
            baud = o.kind == decoders::OptionInfo::Integer && o.defaultValue == "115200" && o.values.empty();
        }
        if (o.id == "stop_bits")
            stop = o.kind == decoders::OptionInfo::Real && o.defaultValue == "1" &&
                   o.values == std::vector<std::string>{"0", "0.5", "1", "1.5"};
    }
    EXPECT_TRUE(baud);
    EXPECT_TRUE(stop);
    EXPECT_TRUE(decoders::CanStack(*i2c, *eeprom));
    EXPECT_FALSE(decoders::CanStack(*uart, *eeprom));
    EXPECT_FALSE(decoders::CanStack(*eeprom, *i2c));
    EXPECT_EQ(uart->rowName(uart->rowOfClass(0)), "RX");
}

TEST(DecoderStage, OptionValuesAreCheckedAgainstTheirKindAndList)
{
    decoders::DecoderInfo info;
    info.id = "x";
    info.inputs = {"logic"};
    info.channels = {{"d", "D", "data"}};
    decoders::OptionInfo n;
    n.id = "n";
    n.kind = decoders::OptionInfo::Integer;
    n.defaultValue = "1";
    decoders::OptionInfo r;
    r.id = "r";
    r.kind = decoders::OptionInfo::Real;
    r.values = {"0.5", "1.5"};
    info.options = {n, r};
    decoders::Stage s;
    s.decoder = "x";
    s.channels = {{"d", 3}};
    EXPECT_EQ(decoders::CheckStage(info, s, 16), "");
    s.options = {{"n", " 42 "}, {"r", "1.50"}};
    EXPECT_EQ(decoders::CheckStage(info, s, 16), "");
    s.options = {{"n", "4.2"}};
    EXPECT_NE(decoders::CheckStage(info, s, 16), "");
    s.options = {{"n", "99999999999999999999"}};
    EXPECT_NE(decoders::CheckStage(info, s, 16), "");
    s.options = {{"r", "2"}};
    EXPECT_NE(decoders::CheckStage(info, s, 16).find("0.5, 1.5"), std::string::npos);
    s.options = {{"q", "1"}};
    EXPECT_NE(decoders::CheckStage(info, s, 16).find("no option"), std::string::npos);
    s.options.clear();
    s.channels = {};
    EXPECT_NE(decoders::CheckStage(info, s, 16).find("not mapped"), std::string::npos);
    s.channels = {{"d", 3}, {"e", 4}};
    EXPECT_NE(decoders::CheckStage(info, s, 16).find("no channel"), std::string::npos);
    std::string c;
    EXPECT_TRUE(decoders::CanonicalValue(decoders::OptionInfo::Real, "1e0", &c));
    EXPECT_EQ(c, "1");
    EXPECT_FALSE(decoders::CanonicalValue(decoders::OptionInfo::Real, "nan", &c));
    EXPECT_FALSE(decoders::CanonicalValue(decoders::OptionInfo::Integer, "", &c));
}

} // namespace
