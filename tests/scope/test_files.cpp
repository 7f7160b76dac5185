// Waveform files: the three formats byte for byte, the choice of format by
// name, failures that must not pass for success, and printing.
#include <cstdint>
#include <cstring>
#include <filesystem>

#include "support/bench_fixture.h"
#include "test_view_support.h"

using namespace viewtest;

namespace
{

ScopeFileHeader SmallHeader()
{
    ScopeFileHeader h{};
    h.day = 7;
    h.month = 3;
    h.year = 2026;
    h.hours = 14;
    h.minutes = 5;
    h.seconds = 9;
    h.clockRate = 10000.0;
    h.range = 2.0;
    h.samples = 3;
    h.preSamples = 0;
    return h;
}

const double kSmall[3] = {0.5, -0.25, 1.0};

// Writes with writer into a temporary file and returns its bytes.
template <typename W> std::string Written(W writer)
{
    std::FILE *f = std::tmpfile();
    EXPECT_NE(f, nullptr);
    if (!f)
        return "";
    EXPECT_EQ(writer(f), 0);
    std::fflush(f);
    const long size = std::ftell(f);
    std::rewind(f);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    EXPECT_EQ(std::fread(bytes.data(), 1, bytes.size(), f), bytes.size());
    std::fclose(f);
    return bytes;
}

std::int32_t Int32At(const std::string &b, std::size_t at)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return static_cast<std::int32_t>(v);
}

double DoubleAt(const std::string &b, std::size_t at)
{
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    double d;
    std::memcpy(&d, &v, sizeof d);
    return d;
}

std::int16_t Int16At(const std::string &b, std::size_t at)
{
    return static_cast<std::int16_t>(static_cast<unsigned char>(b[at]) |
                                     (static_cast<unsigned char>(b[at + 1]) << 8));
}

TEST(WaveformFormats, TextWithHeader)
{
    const ScopeFileHeader h = SmallHeader();
    EXPECT_EQ(Written([&](std::FILE *f) { return Scope_WriteAsc(f, h, 3, kSmall, 3); }),
              "Acquisition on CH3\r\n"
              "Date: 7/3/2026 at 14:5:9\r\n"
              "Sampling rate: 10000 Hz\r\n"
              "Input Range: 2.00V\r\n"
              "Total Number of Samples: 3\r\n"
              "Number of Pre-Samples: 0\r\n"
              "0.500000\r\n"
              "-0.250000\r\n"
              "1.000000\r\n");
    // Without the channel line (autosave).
    const std::string noChannel = Written([&](std::FILE *f) { return Scope_WriteAsc(f, h, 0, kSmall, 1); });
    EXPECT_EQ(noChannel.rfind("Date: 7/3/2026 at 14:5:9\r\n", 0), 0u);
}

TEST(WaveformFormats, TimeValuePairs)
{
    EXPECT_EQ(Written([&](std::FILE *f) { return Scope_WriteAwg(f, 10000.0, kSmall, 3); }),
              "0.00000000\t0.500000\r\n"
              "0.00010000\t-0.250000\r\n"
              "0.00020000\t1.000000\r\n");
}

TEST(WaveformFormats, BinaryHeaderAndCodes)
{
    ScopeFileHeader h = SmallHeader();
    h.preSamples = 12;
    const std::string b = Written([&](std::FILE *f) { return Scope_WriteDat(f, h, kSmall, 3); });
    ASSERT_EQ(b.size(), 48u + 6u);
    EXPECT_EQ(Int32At(b, 0), 7);
    EXPECT_EQ(Int32At(b, 4), 3);
    EXPECT_EQ(Int32At(b, 8), 2026);
    EXPECT_EQ(Int32At(b, 12), 14);
    EXPECT_EQ(Int32At(b, 16), 5);
    EXPECT_EQ(Int32At(b, 20), 9);
    EXPECT_DOUBLE_EQ(DoubleAt(b, 24), 10000.0);
    EXPECT_DOUBLE_EQ(DoubleAt(b, 32), 2.0);
    EXPECT_EQ(Int32At(b, 40), 3);
    EXPECT_EQ(Int32At(b, 44), 12);
    EXPECT_EQ(Int16At(b, 48), 8192);  // 0.5 / 2 * 32767 = 8191.75
    EXPECT_EQ(Int16At(b, 50), -4096); // -4095.875
    EXPECT_EQ(Int16At(b, 52), 16384); // 16383.5 rounds away from zero
}

TEST(WaveformFormats, CodesAreHeldToSixteenBits)
{
    EXPECT_EQ(Scope_VoltsToCode(2.0, 2.0), 32767);
    EXPECT_EQ(Scope_VoltsToCode(3.0, 2.0), 32767);
    EXPECT_EQ(Scope_VoltsToCode(-2.0, 2.0), -32767);
    EXPECT_EQ(Scope_VoltsToCode(-9.0, 2.0), -32768);
    EXPECT_EQ(Scope_VoltsToCode(NAN, 2.0), 0);
    EXPECT_EQ(Scope_VoltsToCode(1.0, 0.0), 0);
}

TEST(WaveformFormats, FullDiskIsAFailure)
{
    const ScopeFileHeader h = SmallHeader();
    std::vector<double> many(200000, 0.25);
    EXPECT_EQ(Scope_WriteRecordFile("/dev/full", 0, h, 1, many.data(), 200000), -1);
    EXPECT_EQ(Scope_WriteRecordFile("/dev/full", 1, h, 1, kSmall, 3), -1); // caught at the close
    EXPECT_EQ(Scope_WriteRecordFile("/nonexistent-folder/x.asc", 0, h, 1, kSmall, 3), -1);
}

class SaveTest : public BenchTest
{
  protected:
    void SetUp() override
    {
        BenchTest::SetUp();
        iClockRate = 10000.0;
        MakeRamp(1, 1000);
        iChan[0].channel = 0;
        iRange[0] = 2.0;
        is_AverageON = 0;
        testseam::SetDateTime(2026, 3, 7, 14, 5, 9);
    }
    int Save(const std::string &answer, int slot = 0)
    {
        testseam::QueueFileAnswer(answer);
        return SaveChannelonDisk(slot, BufferIn, vBufferIn[slot], iOffset);
    }
    bool SawSaveError()
    {
        for (const std::string &s : testseam::Shown())
            if (s == "Error message|Saving File impossible")
                return true;
        return false;
    }
};

TEST_F(SaveTest, FormatFollowsTheName)
{
    const std::string dir = TempDir();
    ASSERT_EQ(Save(dir + "/w.awg"), 0);
    const std::string awg = ReadFile(dir + "/w.awg");
    EXPECT_EQ(awg.rfind("0.00000000\t0.000000\r\n", 0), 0u);
    const std::string lastLine = "0.09990000\t0.999000\r\n";
    ASSERT_GE(awg.size(), lastLine.size());
    EXPECT_EQ(awg.substr(awg.size() - lastLine.size()), lastLine);

    ASSERT_EQ(Save(dir + "/w.dat"), 0);
    EXPECT_EQ(ReadFile(dir + "/w.dat").size(), 2048u);
    ASSERT_EQ(Save(dir + "/w.txt"), 0);
    EXPECT_EQ(ReadFile(dir + "/w.txt").size(), 2048u);

    ASSERT_EQ(Save(dir + "/data.asc.bak"), 0);
    const std::string text = ReadFile(dir + "/data.asc.bak");
    EXPECT_EQ(text.rfind("Acquisition on CH1\r\nDate: 7/3/2026 at 14:5:9\r\nSampling rate: 10000 Hz\r\n"
                         "Input Range: 2.00V\r\nTotal Number of Samples: 1000\r\nNumber of Pre-Samples: 0\r\n"
                         "0.000000\r\n0.001000\r\n",
                         0),
              0u);

    bool asked = false;
    for (const std::string &s : testseam::Shown())
        asked = asked || s == "file|CH1, Save As";
    EXPECT_TRUE(asked);
}

TEST_F(SaveTest, AnExistingFileIsReplaced)
{
    const std::string path = TempDir() + "/old.dat";
    {
        std::ofstream(path) << std::string(10000, 'x');
    }
    ASSERT_EQ(Save(path), 0);
    EXPECT_EQ(ReadFile(path).size(), 2048u);
}

TEST_F(SaveTest, StreamingWritesBinaryWhateverTheName)
{
    MakeRamp(1, 1000, 0, true, 4);
    const std::string path = TempDir() + "/stream.asc";
    ASSERT_EQ(Save(path), 0);
    EXPECT_EQ(ReadFile(path).size(), 2048u);
}

TEST_F(SaveTest, CancelWritesNothing)
{
    const std::string dir = TempDir() + "/out";
    std::filesystem::create_directories(dir);
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    EXPECT_EQ(Save(""), -1);
    EXPECT_TRUE(std::filesystem::is_empty(dir));
    std::filesystem::current_path(before);
    EXPECT_FALSE(SawSaveError());
}

TEST_F(SaveTest, FailuresAreReportedAndNeverSucceed)
{
    EXPECT_EQ(Save("/dev/full"), -1);
    EXPECT_TRUE(SawSaveError());
    testseam::ClearShown();
    EXPECT_EQ(Save(TempDir() + "/missing/w.asc"), -1);
    EXPECT_TRUE(SawSaveError());
}

TEST_F(SaveTest, NothingToSaveBeforeTheFirstRecord)
{
    Scope_ReleaseBuffers();
    EXPECT_EQ(SaveChannelonDisk(0, nullptr, nullptr, 0), -1);
    EXPECT_TRUE(SawSaveError());
    EXPECT_EQ(testseam::Failures(), 0); // no file dialog was opened
}

TEST_F(SaveTest, PreTriggerRecordIsSavedFromItsStart)
{
    MakeRamp(1, 1000, 100);
    const std::string path = TempDir() + "/pre.asc";
    ASSERT_EQ(Save(path), 0);
    const std::string text = ReadFile(path);
    EXPECT_NE(text.find("Number of Pre-Samples: 100\r\n-0.100000\r\n-0.099000\r\n"), std::string::npos);
}

TEST_F(SaveTest, OkSavesTheChosenSlotWithItsChannelAndRange)
{
    MakeRamp(2, 1000);
    iChan[1].channel = 2;
    iRange[1] = 5.0;
    std::strcpy(ChannelName[0], "CH1");
    std::strcpy(ChannelName[1], "CH3");
    SaveCallback(panelScope, kToolbarSave, EVENT_COMMIT, nullptr, 0, 0);
    int items = 0, visible = 0;
    GetNumListItems(panelSave, SAVING_CHANNEL, &items);
    GetPanelAttribute(panelSave, ATTR_VISIBLE, &visible);
    EXPECT_EQ(items, 2);
    EXPECT_EQ(visible, 1);
    SetCtrlIndex(panelSave, SAVING_CHANNEL, 1);

    const std::string path = TempDir() + "/slot1.asc";
    testseam::QueueFileAnswer(path);
    onOK_Save(panelSave, SAVING_OK, EVENT_COMMIT, nullptr, 0, 0);
    const std::string text = ReadFile(path);
    EXPECT_EQ(text.rfind("Acquisition on CH3\r\n", 0), 0u);
    EXPECT_NE(text.find("Input Range: 5.00V\r\n"), std::string::npos);
    EXPECT_NE(text.find("Number of Pre-Samples: 0\r\n1.000000\r\n1.001000\r\n"), std::string::npos);
    GetPanelAttribute(panelSave, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 1); // the save panel stays open

    Close_Saving(panelSave, SAVING_CLOSE, EVENT_COMMIT, nullptr, 0, 0);
    GetPanelAttribute(panelSave, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 0);
}

TEST_F(SaveTest, AveragingSavesTheLastCompletedAverage)
{
    MakeRecord(1, 1000, 50, false, [](int, int) { return 0.0; });
    for (int i = 0; i < 1000; ++i)
        vAverageSave[0][i] = 0.75;
    is_AverageON = 1;
    SaveCallback(panelScope, kToolbarSave, EVENT_COMMIT, nullptr, 0, 0);
    const std::string path = TempDir() + "/avg.asc";
    testseam::QueueFileAnswer(path);
    onOK_Save(panelSave, SAVING_OK, EVENT_COMMIT, nullptr, 0, 0);
    is_AverageON = 0;
    EXPECT_NE(ReadFile(path).find("Number of Pre-Samples: 50\r\n0.750000\r\n0.750000\r\n"),
              std::string::npos);
}

TEST_F(SaveTest, PrintGoesThroughThePrintDialog)
{
    testseam::QueuePrintAnswer(false);
    PrintCallback(panelScope, kToolbarPrint, EVENT_VAL_CHANGED, nullptr, 0, 0);
    EXPECT_TRUE(testseam::Shown().empty()); // commit only
    PrintCallback(panelScope, kToolbarPrint, EVENT_COMMIT, nullptr, 0, 0);
    ASSERT_FALSE(testseam::Shown().empty());
    EXPECT_EQ(testseam::Shown().back(), "print|");

    // Printed: the panel goes to the printer, not to a file left set before.
    DisplayPanel(panelScope);
    SetPrintAttribute(ATTR_PRINT_OUTPUT_FILE, (TempDir() + "/left-over.pdf").c_str());
    testseam::ClearShown();
    testseam::QueuePrintAnswer(true);
    PrintCallback(panelScope, kToolbarPrint, EVENT_COMMIT, nullptr, 0, 0);
    ASSERT_GE(testseam::Shown().size(), 1u);
    EXPECT_EQ(testseam::Shown()[0], "print|");
    EXPECT_FALSE(std::filesystem::exists(TempDir() + "/left-over.pdf"));
}

} // namespace
