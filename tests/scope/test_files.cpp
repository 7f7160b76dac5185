// Waveform files: the three formats byte for byte, the choice of format by
// name, failures that must not pass for success, and printing.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/bench_fixture.h"
#include "support/file_size_limit.h"
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

// Names of the entries of a folder, sorted.
std::vector<std::string> Entries(const std::string &dir)
{
    std::vector<std::string> names;
    for (const auto &e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(WaveformFormats, FullDiskIsAFailure)
{
    const ScopeFileHeader h = SmallHeader();
    std::vector<double> many(200000, 0.25);
    EXPECT_EQ(Scope_WriteRecordFile("/dev/full", 0, h, 1, many.data(), 200000), -1);
    EXPECT_EQ(Scope_WriteRecordFile("/dev/full", 1, h, 1, kSmall, 3), -1);
    EXPECT_EQ(Scope_WriteRecordFile("/nonexistent-folder/x.asc", 0, h, 1, kSmall, 3), -1);

    // A disk that fills up: while writing the blocks, or only when the last
    // buffered bytes go out at the close.  Nothing is left behind.
    char folder[] = "/tmp/korvax-full-disk-XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    const std::string dir = folder;
    {
        FileSizeLimit disk(50);
        ASSERT_TRUE(disk.Active());
        EXPECT_EQ(Scope_WriteRecordFile((dir + "/many.asc").c_str(), 0, h, 1, many.data(), 200000), -1);
        EXPECT_EQ(Scope_WriteRecordFile((dir + "/small.dat").c_str(), 1, h, 1, kSmall, 3), -1);
        EXPECT_EQ(Scope_WriteRecordFile((dir + "/pairs.awg").c_str(), 0, h, 1, kSmall, 3), -1);
    }
    EXPECT_TRUE(Entries(dir).empty());
    std::filesystem::remove_all(dir);
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
    // A new empty folder for the files of a test.
    std::string Folder()
    {
        const std::string dir = TempDir() + "/files";
        std::filesystem::create_directories(dir);
        return dir;
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
    const std::string dir = Folder();
    const std::string path = dir + "/old.dat";
    {
        std::ofstream(path) << std::string(10000, 'x');
    }
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_EQ(Save(path), 0);
    EXPECT_EQ(ReadFile(path).size(), 2048u);
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u) << "the file keeps its permissions";

    // Through a symbolic link: the file it points to is replaced, the link stays.
    const std::string link = dir + "/link.dat";
    ASSERT_EQ(::symlink(path.c_str(), link.c_str()), 0);
    MakeRamp(1, 10);
    ASSERT_EQ(Save(link), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadFile(path).size(), 68u);
    EXPECT_EQ(Entries(dir), (std::vector<std::string>{"link.dat", "old.dat"}));
}

// A full disk while replacing a file: the old file stays whole, nothing
// else is left beside it, and the user is told.
TEST_F(SaveTest, AFullDiskKeepsTheFileBeingReplaced)
{
    const std::string dir = Folder();
    const std::string old(5000, 'o');
    for (const char *name : {"old.asc", "old.awg", "old.dat"}) {
        SCOPED_TRACE(name);
        const std::string path = dir + "/" + name;
        {
            std::ofstream(path) << old;
        }
        testseam::ClearShown();
        int status = 0;
        {
            FileSizeLimit disk(1000);
            ASSERT_TRUE(disk.Active());
            status = Save(path);
        }
        EXPECT_EQ(status, -1);
        EXPECT_TRUE(SawSaveError());
        EXPECT_TRUE(ReadFile(path) == old) << "the old file was cut or replaced";
    }
    EXPECT_EQ(Entries(dir), (std::vector<std::string>{"old.asc", "old.awg", "old.dat"}));
}

// A FIFO or a device chosen as the file is refused at once with the usual
// message; it is never opened, so nothing waits for its other end.  (The
// test holds the FIFO's other end open so that a write that does not check
// would come back, and shows up, instead of waiting.)
TEST_F(SaveTest, OnlyRegularFilesAreWritten)
{
    const std::string dir = Folder();
    const std::string fifo = dir + "/pipe.asc";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int otherEnd = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(otherEnd, 0);
    const std::string nullLink = dir + "/null.dat";
    ASSERT_EQ(::symlink("/dev/null", nullLink.c_str()), 0);

    for (const std::string &path : {fifo, nullLink, std::string("/dev/null")}) {
        SCOPED_TRACE(path);
        testseam::ClearShown();
        EXPECT_EQ(Save(path), -1);
        EXPECT_TRUE(SawSaveError());
    }
    char byte;
    EXPECT_EQ(::read(otherEnd, &byte, 1), -1) << "nothing went into the FIFO";
    ::close(otherEnd);
    EXPECT_EQ(Entries(dir), (std::vector<std::string>{"null.dat", "pipe.asc"}));
}

TEST_F(SaveTest, StreamingWritesBinaryWhateverTheName)
{
    MakeRamp(1, 1000, 0, true, 4);
    const std::string path = TempDir() + "/stream.asc";
    ASSERT_EQ(Save(path), 0);
    EXPECT_EQ(ReadFile(path).size(), 2048u);
}

// A stream keeps one sample in decimation_factor: its file gives the rate of
// the samples it holds, so that a reader finds their real spacing in time.
TEST_F(SaveTest, StreamHeaderGivesTheRateOfItsSamples)
{
    iClockRate = 1000000.0;
    MakeRamp(1, 1000, 0, true, 16);
    const std::string path = TempDir() + "/stream.dat";
    ASSERT_EQ(Save(path), 0);
    const std::string b = ReadFile(path);
    ASSERT_EQ(b.size(), 48u + 2000u);
    EXPECT_DOUBLE_EQ(DoubleAt(b, 24), 62500.0); // 16 µs apart
    EXPECT_EQ(Int32At(b, 40), 1000);

    // Streaming enabled again after a normal record: that record is whole.
    MakeRamp(1, 1000);
    isStreamingRAMEnabled = 1;
    decimation_factor = 16;
    ASSERT_EQ(Save(path), 0);
    EXPECT_DOUBLE_EQ(DoubleAt(ReadFile(path), 24), 1000000.0);
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
