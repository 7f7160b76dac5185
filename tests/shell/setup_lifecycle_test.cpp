// The setup file over the bench's life: what a first start holds, what a
// restart gives back, what the menu save writes, special and damaged files,
// cut writes, permissions, leftovers of a killed save and a second instance
// on the same configuration folder.
#include "support/bench_fixture.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace
{

std::string ReadAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteAll(const std::string &path, const std::string &text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::string FileText(const SetupValues &v)
{
    std::string text;
    for (int i = 0; i < kSetupLineCount; ++i)
        text += SetupFormatLine(i, v) + "\r\n";
    return text;
}

std::string SettingsText()
{
    SetupValues v;
    Setup_Collect(v);
    return FileText(v);
}

// The text of line `line` of a setup file.
std::string Line(const std::string &text, int line)
{
    std::istringstream in(text);
    std::string s;
    for (int i = 0; i <= line && std::getline(in, s); ++i) {
    }
    if (!s.empty() && s.back() == '\r')
        s.pop_back();
    return s;
}

int IntCtrl(int panel, int control)
{
    int v = -12345;
    GetCtrlVal(panel, control, &v);
    return v;
}

mode_t ModeOf(const std::string &path)
{
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

class SetupLifeTest : public BenchTest
{
  protected:
    std::string Path(const std::string &name) { return TempDir() + "/" + name; }
    std::string ConfigDir() { return TempDir() + "/config/korvax"; }
    std::string DefaultPath()
    {
        char path[1100];
        EXPECT_EQ(Setup_DefaultPath(path, sizeof path), 0);
        return path;
    }
    void Load(const std::string &path)
    {
        testseam::QueueFileAnswer(path);
        Load_Setup(Menu_Handle, MENUBAR_FILE_LOAD_SETUP, nullptr, panelBench);
    }
    void Save(const std::string &path)
    {
        testseam::QueueFileAnswer(path);
        Save_Setup(Menu_Handle, MENUBAR_FILE_SAVE_SETUP, nullptr, panelBench);
    }
    // A new process on the same configuration folder: every instrument at
    // its start-up state, the panels loaded anew, Init_System run.
    void Restart()
    {
        Bench_Close();
        BenchState_Reset();
        Scope_Reset();
        Generator_Reset();
        Meters_Reset();
        Digital_Reset();
        ASSERT_EQ(Bench_Open(), 0);
        Init_System();
    }
    // Every setting equals what its control shows.
    void ExpectSettingsMatchControls()
    {
        const std::string before = SettingsText();
        Setup_TakeAllFromControls();
        EXPECT_EQ(SettingsText(), before);
    }
};

} // namespace

// --------------------------------------------- start-up and restart

TEST_F(SetupLifeTest, AFirstStartHoldsWhatThePanelsShow)
{
    // The fixture starts without a setup file.
    ASSERT_FALSE(fs::exists(DefaultPath()));
    EXPECT_EQ(RequestedSamples, 8192);
    EXPECT_EQ(IntCtrl(panelScope, SCOPE_RECORD_LENGTH), 8192);
    ExpectSettingsMatchControls();

    // The menu save writes the record length the box shows.
    Save(Path("first.ini"));
    EXPECT_EQ(Line(ReadAll(Path("first.ini")), 6), "[REQUESTED_SAMPLE]=8192");
}

TEST_F(SetupLifeTest, AnEmptyOrGarbledDefaultFileKeepsTheStartupValues)
{
    const std::string garbled = "[SCOPE_MODE]\r\n[DEVICE_NB]=x\r\n[CHANNEL_INPUT]=\r\n\r\n\r\n\r\n"
                                "[REQUESTED_SAMPLE]=many\r\n\x01\x02\xff\r\n";
    for (const std::string &text : {std::string(), garbled, std::string("\r\n\r\n\r\n")}) {
        WriteAll(DefaultPath(), text);
        Restart();
        EXPECT_EQ(RequestedSamples, 8192);
        EXPECT_EQ(IntCtrl(panelScope, SCOPE_RECORD_LENGTH), 8192);
        EXPECT_EQ(dSamples, 1000);
        ExpectSettingsMatchControls();
        EXPECT_TRUE(testseam::Shown().empty());
    }
}

TEST_F(SetupLifeTest, StreamingAndOtherChannelRecordLengthsComeBackAfterARestart)
{
    struct Case {
        int channels; // CH1..CHn on
        int streaming;
        int record;
    };
    // Each beyond the normal limit of four channels, within its own.
    for (const Case c : {Case{4, 1, 16777216}, Case{1, 1, 67108864}, Case{1, 0, 7999488},
                         Case{2, 0, 3999744}, Case{2, 1, 33554432}}) {
        SetupValues v;
        Setup_Collect(v);
        for (int k = 0; k < 4; ++k)
            v.ain[k] = k < c.channels ? 1 : 0;
        v.streaming = c.streaming;
        v.averaging = 0;
        v.requestedSamples = c.record;
        WriteAll(DefaultPath(), FileText(v));
        Restart();
        EXPECT_EQ(RequestedSamples, c.record) << c.channels << " channels";
        EXPECT_EQ(IntCtrl(panelScope, SCOPE_RECORD_LENGTH), c.record) << c.channels << " channels";
        // The exit save writes it back as it was read.
        Save_Last_Setup();
        EXPECT_EQ(Line(ReadAll(DefaultPath()), 6), "[REQUESTED_SAMPLE]=" + std::to_string(c.record));
    }

    // Beyond the limit of the channels and mode read: held to that limit.
    SetupValues v;
    Setup_Collect(v);
    v.ain[0] = v.ain[1] = v.ain[2] = v.ain[3] = 1;
    v.streaming = 0;
    v.requestedSamples = 67108864;
    WriteAll(DefaultPath(), FileText(v));
    Restart();
    EXPECT_EQ(RequestedSamples, 7999488 / 4);
    ExpectSettingsMatchControls();
}

TEST_F(SetupLifeTest, APreTriggerCountFromAFileIsHeldInsideTheRecord)
{
    SetCtrlVal(panelAd_Scope, AD_SCOPE_MULTIPLE_RECORD, 0);
    isMultipleRecord = 0;
    SetupValues v;
    Setup_Collect(v);
    v.triggerSource = 0;
    v.requestedSamples = 4096;
    for (const int pre : {4096, 5000, 67108863}) {
        v.preSamples = pre;
        WriteAll(Path("pre.ini"), FileText(v));
        Load(Path("pre.ini"));
        EXPECT_EQ(RequestedSamples, 4096);
        EXPECT_EQ(pre_iSample, 4095) << pre;
        EXPECT_EQ(IntCtrl(panelScope, SCOPE_PRE_SAMPLES), 4095) << pre;
    }
    // Within the record it is kept as read.
    v.preSamples = 4095;
    WriteAll(Path("pre.ini"), FileText(v));
    Load(Path("pre.ini"));
    EXPECT_EQ(pre_iSample, 4095);
    v.preSamples = 100;
    WriteAll(Path("pre.ini"), FileText(v));
    Load(Path("pre.ini"));
    EXPECT_EQ(pre_iSample, 100);
    EXPECT_EQ(testseam::Shown().size(), 5u); // the dialogs only
}

TEST_F(SetupLifeTest, AnOverlongLineIsSkippedNotParsed)
{
    // Line 7 holds 16384 behind leading zeros: 4094 characters are a line,
    // 4095 and more are damage.
    const std::string key = "[REQUESTED_SAMPLE]=";
    auto lineOf = [&](std::size_t length) {
        const std::string digits = "16384";
        return key + std::string(length - key.size() - digits.size(), '0') + digits;
    };
    for (const std::size_t length : {std::size_t(4095), std::size_t(4096), std::size_t(5000)}) {
        SetupValues v;
        Setup_Collect(v);
        std::string text = FileText(v);
        const std::string line = "[REQUESTED_SAMPLE]=8192";
        text.replace(text.find(line), line.size(), lineOf(length));
        WriteAll(Path("long.ini"), text);
        Load(Path("long.ini"));
        EXPECT_EQ(RequestedSamples, 8192) << length;
    }
    SetupValues v;
    Setup_Collect(v);
    std::string text = FileText(v);
    const std::string line = "[REQUESTED_SAMPLE]=8192";
    text.replace(text.find(line), line.size(), lineOf(4094));
    WriteAll(Path("long.ini"), text);
    Load(Path("long.ini"));
    EXPECT_EQ(RequestedSamples, 16384);
}

// ------------------------------------------------ what the saves write

TEST_F(SetupLifeTest, SaveSetupWritesWhatTheUserSetAsTheExitSaveDoes)
{
    // Changes no instrument has taken yet: the scope's trigger level, the
    // generator (off) and the analyzer (stopped).
    SetCtrlVal(panelScope, SCOPE_TRIGGER_LEVEL, 1.5);
    SetCtrlVal(panelGene, GENE_FREQUENCY, 4321.0);
    SetCtrlVal(panelGene, GENE_CH1_AMPLITUDE, 2.5);
    SetCtrlVal(panelDig, DIG_RATE, 2000000.0);
    SetCtrlVal(panelDig, DIG_SAMPLES, 2000);
    const std::string held = SettingsText();

    Save(Path("menu.ini"));
    const std::string menu = ReadAll(Path("menu.ini"));
    EXPECT_EQ(Line(menu, 10), "[TRIGGER_LEVEL]=1.500000");
    EXPECT_EQ(Line(menu, 17), "[FREQUENCY]=4321.000000");
    EXPECT_EQ(Line(menu, 19), "[SIGNAL_AMP]=2.500000,1.000000");
    EXPECT_EQ(Line(menu, 27), "[SAMPLE_RATE]=2000000.000000");
    EXPECT_EQ(Line(menu, 28), "[REQUESTED_SAMPLE]=2000");
    // The instruments keep working with what they took.
    EXPECT_EQ(SettingsText(), held);

    Save_Last_Setup();
    EXPECT_EQ(ReadAll(DefaultPath()), menu);
}

TEST_F(SetupLifeTest, ARunNeverWritesItsWorkingValuesIntoTheSettings)
{
    // A stream of 65536 samples, every 8th kept.
    SetCtrlVal(panelScope, SCOPE_RECORD_LENGTH, 65536);
    SetCtrlVal(panelAd_Scope, AD_SCOPE_STREAMING, 1);
    SetCtrlVal(panelAd_Scope, AD_SCOPE_AVERAGING, 0);
    SetCtrlVal(panelAd_Scope, AD_SCOPE_DECIMATION, 8);
    onOK_Ad_Scope(panelAd_Scope, AD_SCOPE_OK, EVENT_COMMIT, nullptr, 0, 0);
    ASSERT_EQ(GoStopCallback(panelScope, kToolbarOneShot, EVENT_COMMIT, reinterpret_cast<void *>(1), 0, 0), 0);
    CaptureTimer(panelBench, BENCH_CAPTURE_TIMER, EVENT_TIMER_TICK, nullptr, 0, 0);
    ASSERT_EQ(RequestedSamples, 65536 / 8); // the kept record the view works with

    Save(Path("after.ini"));
    const std::string menu = ReadAll(Path("after.ini"));
    EXPECT_EQ(Line(menu, 6), "[REQUESTED_SAMPLE]=65536");
    EXPECT_EQ(Line(menu, 15), "[DECIMATION_FACTOR]=8");

    // A file whose record line does not parse keeps the length the user
    // set, not the kept one.
    std::string text = menu;
    text.replace(text.find("[REQUESTED_SAMPLE]=65536"), 24, "[REQUESTED_SAMPLE]=?");
    WriteAll(Path("bad.ini"), text);
    ASSERT_EQ(RequestedSamples, 65536 / 8);
    Load(Path("bad.ini"));
    EXPECT_EQ(IntCtrl(panelScope, SCOPE_RECORD_LENGTH), 65536);
    EXPECT_EQ(RequestedSamples, 65536);

    Save_Last_Setup();
    EXPECT_EQ(ReadAll(DefaultPath()), menu);
}

// ------------------------------------------------ special files

TEST_F(SetupLifeTest, FifosDevicesAndHugeFilesAreRefusedWithoutWaiting)
{
    ASSERT_EQ(mkfifo(Path("fifo.ini").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", Path("zero.ini"));
    {
        // Three gigabytes without a line break (sparse: nothing is
        // written to the disk).
        const int fd = ::open(Path("huge.ini").c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, 3LL << 30), 0);
        ::close(fd);
    }
    fs::create_directory(Path("folder.ini"));
    const std::string before = SettingsText();
    for (const char *name : {"fifo.ini", "zero.ini", "huge.ini", "folder.ini"}) {
        testseam::ClearShown();
        Load(Path(name));
        EXPECT_EQ(SettingsText(), before) << name;
        ASSERT_EQ(testseam::Shown().size(), 2u) << name;
        EXPECT_EQ(testseam::Shown()[1], "Error message|Open File Error") << name;
    }
    testseam::ClearShown();
    Load("/dev/zero");
    EXPECT_EQ(testseam::Shown().back(), "Error message|Open File Error");
    SetupValues unused;
    EXPECT_EQ(SetupReadFile(Path("fifo.ini").c_str(), unused), kSetupNotRegular);
    EXPECT_EQ(SetupReadFile(Path("huge.ini").c_str(), unused), kSetupTooLarge);

    // Saving into a FIFO or through a link to a device neither waits nor
    // writes.
    for (const char *name : {"fifo.ini", "zero.ini"}) {
        testseam::ClearShown();
        Save(Path(name));
        ASSERT_EQ(testseam::Shown().size(), 2u) << name;
        EXPECT_EQ(testseam::Shown()[1], "Error message|Saving File impossible") << name;
    }
    EXPECT_TRUE(fs::is_fifo(Path("fifo.ini")));
    EXPECT_TRUE(fs::is_symlink(Path("zero.ini")));
}

TEST_F(SetupLifeTest, AStartWithASpecialDefaultFileKeepsTheStartupValues)
{
    const std::string path = DefaultPath();
    auto startWith = [&](const char *what) {
        Restart();
        EXPECT_EQ(RequestedSamples, 8192) << what;
        EXPECT_EQ(dSamples, 1000) << what;
        ExpectSettingsMatchControls();
        EXPECT_TRUE(testseam::Shown().empty()) << what;
        fs::remove(path);
    };
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    startWith("FIFO");
    fs::create_symlink("/dev/zero", path);
    startWith("link to /dev/zero");
    {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, 3LL << 30), 0);
        ::close(fd);
    }
    startWith("3 GB file");
}

// ----------------------------------------------- writing the file

namespace
{
int linesWritten = 0;
// Writes only half of line 20 and says so, as a write(2) cut short by a
// full disk does.
int ShortOnLineTwenty(int file, const char *text, int n)
{
    if (++linesWritten == 20)
        return WriteLine(file, text, n / 2);
    return WriteLine(file, text, n);
}
} // namespace

TEST_F(SetupLifeTest, AShortWriteKeepsTheOldFile)
{
    Save_Last_Setup();
    const std::string good = ReadAll(DefaultPath());
    SetCtrlVal(panelGene, GENE_FREQUENCY, 4242.0);

    linesWritten = 0;
    setupWriteLine = ShortOnLineTwenty;
    Save_Last_Setup();
    EXPECT_EQ(ReadAll(DefaultPath()), good);
    EXPECT_EQ(std::distance(fs::directory_iterator(ConfigDir()), fs::directory_iterator()), 1);

    WriteAll(Path("user.ini"), "old\r\n");
    linesWritten = 0;
    Save(Path("user.ini"));
    setupWriteLine = WriteLine;
    EXPECT_EQ(ReadAll(Path("user.ini")), "old\r\n");
    ASSERT_EQ(testseam::Shown().size(), 2u);
    EXPECT_EQ(testseam::Shown()[1], "Error message|Saving File impossible");

    // Whole writes replace it.
    Save(Path("user.ini"));
    EXPECT_EQ(Line(ReadAll(Path("user.ini")), 17), "[FREQUENCY]=4242.000000");
}

TEST_F(SetupLifeTest, ReplacingAFileKeepsItsPermissions)
{
    for (const mode_t mode : {mode_t(0644), mode_t(0640), mode_t(0604), mode_t(0600)}) {
        WriteAll(DefaultPath(), "old\r\n");
        ASSERT_EQ(chmod(DefaultPath().c_str(), mode), 0);
        Save_Last_Setup();
        EXPECT_EQ(Line(ReadAll(DefaultPath()), 0), "[SCOPE_MODE]");
        EXPECT_EQ(ModeOf(DefaultPath()), mode);

        WriteAll(Path("user.ini"), "old\r\n");
        ASSERT_EQ(chmod(Path("user.ini").c_str(), mode), 0);
        Save(Path("user.ini"));
        EXPECT_EQ(Line(ReadAll(Path("user.ini")), 0), "[SCOPE_MODE]");
        EXPECT_EQ(ModeOf(Path("user.ini")), mode);
    }
    // A new file gets what the process's mask leaves of 0666.
    const mode_t mask = umask(027);
    Save(Path("new.ini"));
    umask(mask);
    EXPECT_EQ(ModeOf(Path("new.ini")), mode_t(0640));
}

// ------------------------------- leftovers and a second instance

TEST_F(SetupLifeTest, AStartRemovesTheTemporaryFilesAKilledSaveLeft)
{
    const std::string dir = ConfigDir();
    for (const char *name : {"KorvaxDemo.ini.a1B2c3", "KorvaxDemo.ini.XXXXXX", "KorvaxDemo.ini.keep",
                             "KorvaxDemo.ini.abc", "KorvaxDemo.ini.a1B2c3d", "Other.ini.a1B2c3", "notes.txt"})
        WriteAll(dir + "/" + name, "[SCOPE_MODE]\r\n");
    fs::create_directory(dir + "/KorvaxDemo.ini.Folder");
    Save_Last_Setup();
    Restart();
    EXPECT_FALSE(fs::exists(dir + "/KorvaxDemo.ini.a1B2c3"));
    EXPECT_FALSE(fs::exists(dir + "/KorvaxDemo.ini.XXXXXX"));
    for (const char *name : {"KorvaxDemo.ini", "KorvaxDemo.ini.keep", "KorvaxDemo.ini.abc",
                             "KorvaxDemo.ini.a1B2c3d", "Other.ini.a1B2c3", "notes.txt", "KorvaxDemo.ini.Folder"})
        EXPECT_TRUE(fs::exists(dir + "/" + name)) << name;
}

TEST_F(SetupLifeTest, ASecondInstanceReadsTheSettingsButNeverSavesThem)
{
    const std::string dir = ConfigDir();
    // The bench holds its configuration folder.
    {
        const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
        ASSERT_GE(fd, 0);
        EXPECT_NE(::flock(fd, LOCK_EX | LOCK_NB), 0);
        ::close(fd);
    }

    SetupValues v;
    Setup_Collect(v);
    v.frequency = 2500.0;
    WriteAll(DefaultPath(), FileText(v));
    const std::string file = ReadAll(DefaultPath());
    // Another instance's stale-looking temporary file stays while it runs.
    WriteAll(dir + "/KorvaxDemo.ini.q1W2e3", "being written");

    // Another process holds the folder.
    Bench_Close();
    const int other = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    Restart();
    EXPECT_TRUE(Setup_ReadOnly());
    ASSERT_EQ(testseam::Shown().size(), 1u);
    EXPECT_NE(testseam::Shown()[0].find("Another Korvax Demo bench is running"), std::string::npos);
    EXPECT_DOUBLE_EQ(oFrequency, 2500.0);
    EXPECT_TRUE(fs::exists(dir + "/KorvaxDemo.ini.q1W2e3"));
    SetCtrlVal(panelGene, GENE_FREQUENCY, 999.0);
    Save_Last_Setup();
    EXPECT_EQ(ReadAll(DefaultPath()), file);
    // Saving to a file of the user's choice still works.
    Save(Path("mine.ini"));
    EXPECT_EQ(Line(ReadAll(Path("mine.ini")), 17), "[FREQUENCY]=999.000000");

    // The other one has gone: the next start owns the folder again.
    ::close(other);
    testseam::ClearShown();
    Restart();
    EXPECT_FALSE(Setup_ReadOnly());
    EXPECT_TRUE(testseam::Shown().empty());
    EXPECT_FALSE(fs::exists(dir + "/KorvaxDemo.ini.q1W2e3"));
    SetCtrlVal(panelGene, GENE_FREQUENCY, 999.0);
    Save_Last_Setup();
    EXPECT_EQ(Line(ReadAll(DefaultPath()), 17), "[FREQUENCY]=999.000000");
}
