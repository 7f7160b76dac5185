// Decoders on the running analyzer: the simulated bus, the Add decoder
// panel, decoding of every completed capture off the UI thread, and the
// annotation rows under the traces.
#include "support/bench_fixture.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "decoders/decoders.h"
#include "digital/digital_annotations.h"
#include "digital/digital_bus.h"
#include "digital/digital_decode.h"
#include "digital/digital_decode_panel.h"
#include "ui/graph_annotations.h"

namespace
{

class DigitalDecodeTest : public BenchTest
{
  protected:
    void SetUp() override
    {
        BenchTest::SetUp();
        if (!decoders::Available())
            GTEST_SKIP() << "no protocol decoders: " << decoders::UnavailableReason();
    }
    void TearDown() override
    {
        isDigitalON = 0;
        Digital_DecodeReset();
        BenchTest::TearDown();
    }
    static void Start(int samples, double rate)
    {
        SetCtrlVal(panelDig, DIG_SAMPLES, samples);
        SetCtrlVal(panelDig, DIG_RATE, rate);
        ASSERT_EQ(OperateCtrl(panelDig, DIG_RUN, 1), 0);
        ASSERT_EQ(isDigitalON, 1);
    }
    // Adds a decoder through the panel as a user would: Add decoder, pick it,
    // OK.  Returns its id (0 when refused).
    static int AddThroughPanel(const std::string &id)
    {
        OperateCtrl(panelDig, DIG_ADD_DECODER, 0);
        const int panel = Digital_DecodePanelHandle();
        if (panel <= 0)
            return 0;
        const auto &list = decoders::List();
        for (size_t i = 0; i < list.size(); ++i)
            if (list[i].id == id)
                OperateCtrl(panel, DECODER_DECODER, static_cast<int>(i));
        const size_t before = dDecoders.size();
        OperateCtrl(panel, DECODER_OK, 0);
        return dDecoders.size() > before ? dDecoders.back().id : 0;
    }
    static int OptionIndex(const std::string &decoder, const std::string &option)
    {
        const decoders::DecoderInfo *info = decoders::Find(decoder);
        for (size_t i = 0; info && i < info->options.size(); ++i)
            if (info->options[i].id == option)
                return static_cast<int>(i);
        return -1;
    }
    static std::vector<std::string> Texts(int decoderId, int cls)
    {
        std::vector<std::string> out;
        for (const auto &a : dAnnotations)
            if (a.decoderId == decoderId && a.cls == cls)
                out.push_back(a.texts.at(0));
        return out;
    }
};

} // namespace

TEST_F(DigitalDecodeTest, TheCounterStaysTheDefaultByteForByte)
{
    EXPECT_EQ(dLineSource, DIGITAL_SOURCE_COUNTER);
    std::vector<uint8_t> a(512), b(512);
    dSimulatedCount = 7;
    Digital_FillInput(a.data(), 256);
    dSimulatedCount = 7;
    Digital_SimulateInput(b.data(), 256);
    EXPECT_EQ(a, b);
}

TEST_F(DigitalDecodeTest, TheBusIsSynthesisedBitExactly)
{
    DigitalBus bus;
    bus.uartBaud = 9600;
    bus.uartFormat = BUS_UART_7E1;
    const double rate = 1000000.0;
    const BusLayout layout = Digital_SynthesizeBus(bus, rate, nullptr, 0);
    std::vector<uint8_t> raw(static_cast<size_t>(layout.samplesNeeded) * 2);
    Digital_SynthesizeBus(bus, rate, raw.data(), static_cast<int>(layout.samplesNeeded));
    const double bit = rate / 9600.0;
    ASSERT_EQ(layout.uart.size(), 12u);
    for (size_t i = 0; i < layout.uart.size(); ++i) {
        const int64_t s = layout.uart[i].start;
        auto level = [&](int b) { // line 0 in the middle of bit b of the frame
            const int64_t at = s + static_cast<int64_t>((b + 0.5) * bit);
            return raw[2 * static_cast<size_t>(at)] & 1;
        };
        const int ch = static_cast<unsigned char>(bus.uartText[i]) & 0x7F;
        EXPECT_EQ(level(0), 0);
        int ones = 0;
        for (int b = 0; b < 7; ++b) {
            EXPECT_EQ(level(1 + b), (ch >> b) & 1) << i << " bit " << b;
            ones += (ch >> b) & 1;
        }
        EXPECT_EQ((ones + level(8)) % 2, 0) << "even parity";
        EXPECT_EQ(level(9), 1);
        // The frame starts on the sample nearest its ideal time.
        EXPECT_EQ(s, std::llround((2.0 + 10.0 * static_cast<double>(i)) * bit));
    }
    // SPI in mode 3 idles with the clock high and CS# high; lines 7..15 stay low.
    bus.spiMode = 3;
    Digital_SynthesizeBus(bus, rate, raw.data(), 4);
    EXPECT_EQ(raw[0] & (1 << BUS_LINE_CLK), 1 << BUS_LINE_CLK);
    EXPECT_EQ(raw[0] & (1 << BUS_LINE_CS), 1 << BUS_LINE_CS);
    EXPECT_EQ(raw[1], 0);
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(Digital_ParseHexBytes("0x10, ab;CD", &bytes));
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x10, 0xAB, 0xCD}));
    EXPECT_FALSE(Digital_ParseHexBytes("1G", &bytes));
    EXPECT_FALSE(Digital_ParseHexBytes("123", &bytes));
    EXPECT_EQ(Digital_FormatHexBytes({0x0F, 0xA0}), "0F A0");
}

TEST_F(DigitalDecodeTest, AUartDecoderAddedOnThePanelDecodesEveryCapture)
{
    OperateCtrl(panelDig, DIG_SOURCE, DIGITAL_SOURCE_BUS);
    EXPECT_EQ(dLineSource, DIGITAL_SOURCE_BUS);
    // The panel proposes uart on the bus's UART line, with its defaults.
    const int id = AddThroughPanel("uart");
    ASSERT_GT(id, 0);
    EXPECT_EQ(Digital_FindDecoder(id)->channels.at("rx"), BUS_LINE_UART);
    EXPECT_TRUE(Digital_FindDecoder(id)->options.empty());
    int visible = 1;
    GetPanelAttribute(Digital_DecodePanelHandle(), ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 0);

    Start(20000, 10000000.0); // 115200 Bd: 12 characters in about 10,500 samples
    Digital_Capture();
    int plots = -1;
    GetCtrlAttribute(panelDig, DIG_GRAPH, ATTR_NUM_PLOTS, &plots);
    Digital_DecodeWait();
    std::string text;
    for (const auto &t : Texts(id, 0))
        text += static_cast<char>(std::stoi(t, nullptr, 16));
    EXPECT_EQ(text, "Hello, bench");
    // The traces are drawn with their annotations, and rows lie under them.
    GetCtrlAttribute(panelDig, DIG_GRAPH, ATTR_NUM_PLOTS, &plots);
    EXPECT_EQ(plots, 16);
    int rows = 0;
    ASSERT_EQ(GetGraphAnnotationCount(panelDig, DIG_GRAPH, -1, &rows), 0);
    EXPECT_GE(rows, 2); // bits, and bytes with start and stop
    double lo = 0, hi = 0;
    int mode = -1;
    GetAxisScalingMode(panelDig, DIG_GRAPH, VAL_LEFT_YAXIS, &mode, &lo, &hi);
    EXPECT_LT(lo, -1.0 - 1.6 * rows + 0.01);
    // The full text of an annotation is under its place on its row.
    const DigitalAnnotation *h = nullptr;
    for (const auto &a : dAnnotations)
        if (a.decoderId == id && a.cls == 0 && !h)
            h = &a;
    ASSERT_NE(h, nullptr);
    char full[256] = "";
    bool found = false;
    for (int k = 0; k < rows && !found; ++k) {
        const double y = -1.0 - 1.6 * k - 0.8;
        found = GetGraphAnnotationText(panelDig, DIG_GRAPH, (h->start + h->end) / 2.0, y, full, sizeof full) == 0 &&
                std::string(full) == "48";
    }
    EXPECT_TRUE(found);

    // The next tick takes a new capture and decodes it too.
    const size_t before = dAnnotations.size();
    Digital_Capture();
    EXPECT_EQ(Digital_DecodeBusy(), 1);
    Digital_Capture(); // while it is decoding, no new capture is taken
    Digital_DecodeWait();
    EXPECT_EQ(dAnnotations.size(), before);
    char status[256] = "";
    GetCtrlVal(panelDig, DIG_DECODE_STATUS, status);
    EXPECT_EQ(std::string(status), std::to_string(before) + " annotations");
}

TEST_F(DigitalDecodeTest, I2cWithAStackedEepromAndSpiTogether)
{
    dLineSource = DIGITAL_SOURCE_BUS;
    const int i2c = AddThroughPanel("i2c");
    const int eeprom = AddThroughPanel("eeprom24xx"); // stacked on i2c by itself
    const int spi = AddThroughPanel("spi");
    ASSERT_GT(i2c, 0);
    ASSERT_GT(eeprom, 0);
    ASSERT_GT(spi, 0);
    EXPECT_EQ(Digital_FindDecoder(eeprom)->parent, i2c);
    Start(100000, 10000000.0);
    Digital_Capture();
    Digital_DecodeWait();
    EXPECT_EQ(Texts(i2c, 9), (std::vector<std::string>{"Data write: 10", "Data write: AB", "Data write: CD"}));
    EXPECT_EQ(Texts(i2c, 8), (std::vector<std::string>{"Data read: 5A", "Data read: A5"}));
    EXPECT_EQ(Texts(spi, 1), (std::vector<std::string>{"9F", "01", "80"}));
    bool page = false;
    for (const auto &a : dAnnotations)
        page |= a.decoderId == eeprom && a.texts.at(0) == "Page write (addr=10, 2 bytes): AB CD";
    EXPECT_TRUE(page);
    EXPECT_TRUE(dDecodeMessages.empty());

    // Removing i2c takes the EEPROM decoder on it away too.
    int index = 0;
    GetIndexFromValue(panelDig, DIG_DECODERS, &index, i2c);
    SetCtrlIndex(panelDig, DIG_DECODERS, index);
    OperateCtrl(panelDig, DIG_REMOVE_DECODER, 0);
    ASSERT_EQ(dDecoders.size(), 1u);
    EXPECT_EQ(dDecoders[0].id, spi);
    for (const auto &a : dAnnotations)
        EXPECT_EQ(a.decoderId, spi);
}

TEST_F(DigitalDecodeTest, TheCounterDecoderCountsTheCounterPatternsEdges)
{
    const int k = 4;
    DigitalDecoder d;
    d.decoder = "counter";
    d.channels = {{"data", k}};
    std::string message;
    const int id = Digital_AddDecoder(d, &message);
    ASSERT_GT(id, 0) << message;
    Start(1000, 10000000.0);
    Digital_Capture();
    Digital_DecodeWait();
    // The counter starts at 0: line k changes every 2^k samples.
    const auto edges = Texts(id, 0);
    ASSERT_EQ(edges.size(), static_cast<size_t>(999 >> k));
    EXPECT_EQ(edges.back(), std::to_string(999 >> k));
    for (const auto &a : dAnnotations)
        EXPECT_EQ(a.end % (1u << k), 0u);
}

TEST_F(DigitalDecodeTest, BadSettingsAreRefusedWithAMessageAndOthersKeepDecoding)
{
    dLineSource = DIGITAL_SOURCE_BUS;
    const int good = AddThroughPanel("uart");
    ASSERT_GT(good, 0);
    // A baud rate that is not a number: the panel says why and adds nothing.
    OperateCtrl(panelDig, DIG_ADD_DECODER, 0);
    const int panel = Digital_DecodePanelHandle();
    OperateCtrl(panel, DECODER_OPTION, OptionIndex("uart", "baudrate"));
    OperateCtrl(panel, DECODER_OPTION_TEXT, "fast");
    testseam::ClearShown();
    OperateCtrl(panel, DECODER_OK, 0);
    EXPECT_EQ(dDecoders.size(), 1u);
    ASSERT_EQ(testseam::Shown().size(), 1u);
    EXPECT_NE(testseam::Shown()[0].find("whole number"), std::string::npos) << testseam::Shown()[0];
    // A baud rate of 0 passes the checks but makes the decoder fail: a
    // message, shown once, and the other decoder's bytes all there.
    OperateCtrl(panel, DECODER_OPTION_TEXT, "0");
    OperateCtrl(panel, DECODER_OK, 0);
    ASSERT_EQ(dDecoders.size(), 2u);
    testseam::ClearShown();
    Start(20000, 10000000.0);
    Digital_Capture();
    Digital_DecodeWait();
    ASSERT_EQ(dDecodeMessages.size(), 1u);
    // The decoder's own exception, named after the decoder.
    EXPECT_EQ(dDecodeMessages[0].rfind("uart: ", 0), 0u) << dDecodeMessages[0];
    EXPECT_GT(dDecodeMessages[0].size(), 12u) << dDecodeMessages[0];
    EXPECT_EQ(Texts(good, 0).size(), 12u);
    ASSERT_EQ(testseam::Shown().size(), 1u);
    EXPECT_EQ(testseam::Shown()[0].rfind("Decoder error|", 0), 0u);
    Digital_Capture();
    Digital_DecodeWait();
    EXPECT_EQ(testseam::Shown().size(), 1u); // not again at every capture
    // Lines without edges: no annotations, no message.
    dLineSource = DIGITAL_SOURCE_COUNTER;
    Digital_RemoveDecoder(dDecoders[1].id);
    DigitalDecoder quiet;
    quiet.decoder = "uart";
    quiet.channels = {{"rx", 15}}; // the counter's top line never moves in 20000 samples
    std::string message;
    const int q = Digital_AddDecoder(quiet, &message);
    ASSERT_GT(q, 0) << message;
    Digital_Capture();
    Digital_DecodeWait();
    EXPECT_TRUE(dDecodeMessages.empty());
    EXPECT_TRUE(Texts(q, 0).empty());
}

TEST_F(DigitalDecodeTest, EditingADecoderChangesItsOptions)
{
    dLineSource = DIGITAL_SOURCE_BUS;
    dBus.uartBaud = 9600;
    const int id = AddThroughPanel("uart");
    ASSERT_GT(id, 0);
    OperateCtrl(panelDig, DIG_EDIT_DECODER, 0);
    const int panel = Digital_DecodePanelHandle();
    char label[256] = "";
    GetCtrlAttribute(panel, DECODER_OK, ATTR_LABEL_TEXT, label);
    EXPECT_STREQ(label, "Apply");
    OperateCtrl(panel, DECODER_OPTION, OptionIndex("uart", "baudrate"));
    OperateCtrl(panel, DECODER_OPTION_TEXT, "9600");
    OperateCtrl(panel, DECODER_OPTION, OptionIndex("uart", "format"));
    const auto &values = decoders::Find("uart")->options[static_cast<size_t>(OptionIndex("uart", "format"))].values;
    const auto ascii = std::find(values.begin(), values.end(), "ascii") - values.begin();
    OperateCtrl(panel, DECODER_OPTION_VALUE, static_cast<int>(ascii));
    OperateCtrl(panel, DECODER_OK, 0);
    ASSERT_EQ(dDecoders.size(), 1u);
    EXPECT_EQ(dDecoders[0].options.at("baudrate"), "9600");
    EXPECT_EQ(dDecoders[0].options.at("format"), "ascii");
    Start(140000, 1000000.0);
    Digital_Capture();
    Digital_DecodeWait();
    std::string text;
    for (const auto &t : Texts(id, 0))
        text += t;
    EXPECT_EQ(text, "Hello, bench");
}

TEST(AnnotationText, TheLongestFormThatFitsElseACut)
{
    auto width = [](const std::string &s) { return static_cast<double>(s.size()); };
    const std::vector<std::string> forms = {"Address write: 50", "AW: 50", "50"};
    EXPECT_EQ(uiannot::FitText(forms, 40, width), "Address write: 50");
    EXPECT_EQ(uiannot::FitText(forms, 10, width), "AW: 50");
    EXPECT_EQ(uiannot::FitText(forms, 2, width), "50");
    EXPECT_EQ(uiannot::FitText({"Hello"}, 5, width), "Hello");
    EXPECT_EQ(uiannot::FitText({"Hello"}, 4, width), "H\xE2\x80\xA6"); // the ellipsis measures 3 here
    EXPECT_EQ(uiannot::FitText({"Hello"}, 3, width), "");
    EXPECT_EQ(uiannot::FitText({}, 30, width), "");
    EXPECT_EQ(uiannot::FitText(forms, 0, width), "");
}

TEST_F(DigitalDecodeTest, TheAnnotationTableListsEveryAnnotationAndExportsCsv)
{
    dLineSource = DIGITAL_SOURCE_BUS;
    const int id = AddThroughPanel("uart");
    ASSERT_GT(id, 0);
    Start(20000, 10000000.0);
    Digital_Capture();
    Digital_DecodeWait();
    OperateCtrl(panelDig, DIG_ANNOTATIONS, 0);
    const int panel = Digital_AnnotationPanelHandle();
    ASSERT_GT(panel, 0);
    int rows = 0;
    GetNumTableRows(panel, ANNOT_TABLE, &rows);
    ASSERT_EQ(rows, static_cast<int>(dAnnotations.size()));
    // The first byte's row: its sample, its time at 10 MS/s, the decoder, the class.
    int dataRow = 0;
    for (size_t i = 0; i < dAnnotations.size() && !dataRow; ++i)
        if (dAnnotations[i].cls == 0)
            dataRow = static_cast<int>(i) + 1;
    ASSERT_GT(dataRow, 0);
    char cell[1024] = "";
    GetTableCellVal(panel, ANNOT_TABLE, dataRow, 1, cell);
    const uint64_t start = dAnnotations[static_cast<size_t>(dataRow - 1)].start;
    EXPECT_EQ(std::string(cell), std::to_string(start));
    GetTableCellVal(panel, ANNOT_TABLE, dataRow, 2, cell);
    EXPECT_NEAR(std::stod(cell), static_cast<double>(start) / 1e7, 1e-12);
    GetTableCellVal(panel, ANNOT_TABLE, dataRow, 3, cell);
    EXPECT_EQ(std::string(cell), "uart #" + std::to_string(id));
    GetTableCellVal(panel, ANNOT_TABLE, dataRow, 4, cell);
    EXPECT_EQ(std::string(cell), "RX data");
    GetTableCellVal(panel, ANNOT_TABLE, dataRow, 5, cell);
    EXPECT_EQ(std::string(cell), "48");

    // Export: every annotation, one line each after the header.
    const std::string path = TempDir() + "/annotations.csv";
    testseam::QueueFileAnswer(path);
    OperateCtrl(panel, ANNOT_EXPORT, 0);
    std::FILE *f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::string text;
    char buf[4096];
    size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, f)) > 0)
        text.append(buf, got);
    std::fclose(f);
    size_t lines = 0;
    for (size_t p = text.find("\r\n"); p != std::string::npos; p = text.find("\r\n", p + 2))
        ++lines;
    EXPECT_EQ(lines, dAnnotations.size() + 1);
    EXPECT_EQ(text.rfind("Sample,End sample,Time (s),Decoder,Class,Text\r\n", 0), 0u);
    EXPECT_NE(text.find(std::to_string(start) + ","), std::string::npos);
    // A folder cannot be written: a message, nothing claimed.
    testseam::ClearShown();
    testseam::QueueFileAnswer(TempDir());
    OperateCtrl(panel, ANNOT_EXPORT, 0);
    ASSERT_EQ(testseam::Shown().size(), 2u); // the dialog, then the message
    EXPECT_EQ(testseam::Shown()[1].rfind("Error message|Saving File impossible", 0), 0u) << testseam::Shown()[1];
    // Cancelled: nothing happens.
    testseam::QueueFileAnswer("");
    OperateCtrl(panel, ANNOT_EXPORT, 0);
}
