// What the Demo Card's sixteen lines carry: the binary counter (the
// default) or a simulated bus: UART on line 0, I2C on lines 1 (SCL) and
// 2 (SDA), SPI on lines 3 (CS#), 4 (CLK), 5 (MOSI) and 6 (MISO).  The bus is
// synthesised exactly from the analyzer's sample rate: every bit boundary
// sits at the sample nearest to its ideal time, the same in every capture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum { DIGITAL_SOURCE_COUNTER = 0, DIGITAL_SOURCE_BUS = 1 };
enum { BUS_UART_8N1 = 0, BUS_UART_7E1 = 1 };

// Lines of the simulated bus.
enum {
    BUS_LINE_UART = 0,
    BUS_LINE_SCL = 1,
    BUS_LINE_SDA = 2,
    BUS_LINE_CS = 3,
    BUS_LINE_CLK = 4,
    BUS_LINE_MOSI = 5,
    BUS_LINE_MISO = 6,
};

struct DigitalBus {
    // UART: the text, sent once, least significant bit first.  In 7E1 each
    // character keeps its low seven bits.
    std::string uartText = "Hello, bench";
    double uartBaud = 115200.0;
    int uartFormat = BUS_UART_8N1;
    // I2C: a write of i2cWrite to the 7-bit address, then (a transaction of
    // its own) a read of i2cRead from it (the device acknowledges its address
    // and each written byte; the master acknowledges each read byte but the
    // last).
    int i2cAddress = 0x50;
    std::vector<uint8_t> i2cWrite = {0x10, 0xAB, 0xCD};
    std::vector<uint8_t> i2cRead = {0x5A, 0xA5};
    double i2cClock = 100000.0;
    // SPI: one transfer of mosi and miso (the shorter is padded with 0xFF)
    // while CS# is low, in the given mode (0..3: CPOL * 2 + CPHA).
    int spiMode = 0;
    int spiLsbFirst = 0;
    std::vector<uint8_t> spiMosi = {0x9F, 0x01, 0x80};
    std::vector<uint8_t> spiMiso = {0xFF, 0xEF, 0x40};
    double spiClock = 1000000.0;
};

// One byte on the bus: its value and the samples [start, end) of its frame
// (UART: start bit to end of stop bit; I2C and SPI: first to last bit,
// from the edge that starts the first bit to the edge that ends the last).
// For I2C, ack is 1 when the byte was acknowledged (SDA low on the ninth
// clock), and address marks the address bytes (value = address << 1 | R/W).
struct BusByte {
    int value = 0;
    int64_t start = 0, end = 0;
    int ack = 0;
    int address = 0;
};

struct BusLayout {
    std::vector<BusByte> uart, i2c, spiMosi, spiMiso;
    int64_t samplesNeeded = 0; // the whole traffic and a short idle after it
};

extern int dLineSource;  // DIGITAL_SOURCE_COUNTER or DIGITAL_SOURCE_BUS
extern DigitalBus dBus;  // settings of the simulated bus

// Writes samples x 2 raw bytes (the analyzer's layout) of the bus at rate
// samples per second and returns where every byte lies.  raw may be null to
// ask only for the layout.  Traffic beyond the capture is cut off.
BusLayout Digital_SynthesizeBus(const DigitalBus &bus, double rate, uint8_t *raw, int samples);

// Parses bytes typed as hex ("10 AB cd", "0x10,0xAB"); false on anything
// else or more than 64 bytes.
bool Digital_ParseHexBytes(const std::string &text, std::vector<uint8_t> *bytes);
std::string Digital_FormatHexBytes(const std::vector<uint8_t> &bytes);
