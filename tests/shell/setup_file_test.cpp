// Setup files on a whole bench: reading into settings and controls,
// writing, the two dialogs, damaged files and safe replacement.
#include "support/bench_fixture.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <set>
#include <string>
#include <utility>
#include <vector>

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

std::string FileText(const SetupValues &v, int lines = kSetupLineCount, const char *eol = "\r\n")
{
    std::string text;
    for (int i = 0; i < lines; ++i)
        text += SetupFormatLine(i, v) + eol;
    return text;
}

std::string SettingsText()
{
    SetupValues v;
    Setup_Collect(v);
    return FileText(v);
}

// Values every control accepts as they are, all different from start-up.
SetupValues Sample()
{
    SetupValues v;
    Setup_Collect(v);
    v.range[0] = 0.05;
    v.range[1] = 5.0;
    v.range[2] = 0.5;
    v.range[3] = 1.0;
    v.coupling[0] = 2;
    v.coupling[1] = 1;
    v.coupling[2] = 0;
    v.coupling[3] = 1;
    v.sampleRate = 5000000.0;
    v.requestedSamples = 16384;
    v.preSamples = 300;
    v.triggerSource = 2;
    v.triggerSlope = 0;
    v.triggerLevel = -1.25;
    v.auxBnc = 3;
    v.averaging = 1;
    v.averageCount = 8;
    v.streaming = 0;
    v.decimation = 7;
    v.frequency = 12345.5;
    v.signalType[0] = 6;
    v.signalType[1] = 3;
    v.amplitude[0] = 2.5;
    v.amplitude[1] = -0.75;
    v.offset[0] = 0.125;
    v.offset[1] = -3.0;
    v.phase[0] = 90.5;
    v.phase[1] = 359.5;
    v.noise[0] = 1;
    v.noise[1] = 0;
    v.triggerSourceOut = 2;
    v.triggerSlopeOut = 0;
    v.triggerLevelOut = 4.5;
    v.digitalRate = 2500000.0;
    v.digitalSamples = 5000;
    v.triggerMask = 40000;
    v.triggerMode = 2;
    v.triggerPattern = 65535;
    return v;
}

class SetupFileTest : public BenchTest
{
  protected:
    void SetUp() override
    {
        BenchTest::SetUp();
        // Pre-trigger samples are only kept outside multiple-record mode.
        SetCtrlVal(panelAd_Scope, AD_SCOPE_MULTIPLE_RECORD, 0);
        isMultipleRecord = 0;
    }
    std::string Path(const std::string &name) { return TempDir() + "/" + name; }
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
    std::string DefaultPath()
    {
        char path[1100];
        EXPECT_EQ(Setup_DefaultPath(path, sizeof path), 0);
        return path;
    }
    // Settings and controls agree: taking every value from its control
    // changes nothing.
    void ExpectSettingsMatchControls()
    {
        const std::string before = SettingsText();
        const int aux = Aux_BNC;
        Setup_RefreshFromControls();
        EXPECT_EQ(SettingsText(), before);
        int auxControl = -1;
        GetCtrlVal(panelAd_Scope, AD_SCOPE_AUX_BNC, &auxControl);
        EXPECT_EQ(aux, auxControl);
    }
};

int IntCtrl(int panel, int control)
{
    int v = -12345;
    GetCtrlVal(panel, control, &v);
    return v;
}

double RealCtrl(int panel, int control)
{
    double v = -12345.0;
    GetCtrlVal(panel, control, &v);
    return v;
}

} // namespace

TEST_F(SetupFileTest, EveryValueRoundTripsThroughLoadAndSave)
{
    const SetupValues v = Sample();
    const std::string original = FileText(v);
    WriteAll(Path("in.ini"), original);
    Load(Path("in.ini"));

    // Settings.
    EXPECT_EQ(trigger_source, 2);
    EXPECT_EQ(trigger_slope, 0);
    EXPECT_DOUBLE_EQ(trigger_level, -1.25);
    EXPECT_DOUBLE_EQ(iClockRate, 5000000.0);
    EXPECT_EQ(RequestedSamples, 16384);
    EXPECT_EQ(pre_iSample, 300);
    EXPECT_EQ(Aux_BNC, 3);
    EXPECT_EQ(is_AverageON, 1);
    EXPECT_EQ(average_count, 8);
    EXPECT_EQ(decimation_factor, 7);
    EXPECT_DOUBLE_EQ(oFrequency, 12345.5);
    EXPECT_EQ(oChan[0].type, 6);
    EXPECT_EQ(oChan[1].type, 3);
    EXPECT_DOUBLE_EQ(oChan[1].amplitude, -0.75);
    EXPECT_DOUBLE_EQ(oChan[0].offset, 0.125);
    EXPECT_DOUBLE_EQ(oChan[0].phase, 90.5);
    EXPECT_EQ(oChan[0].noise, 1);
    EXPECT_EQ(trigger_source_out, 2);
    EXPECT_EQ(trigger_slope_out, 0);
    EXPECT_DOUBLE_EQ(trigger_level_out, 4.5);
    EXPECT_DOUBLE_EQ(dClockRate, 2500000.0);
    EXPECT_EQ(dSamples, 5000);
    EXPECT_EQ(dTriggerMask, 40000);
    EXPECT_EQ(dTriggerMode, 2);
    EXPECT_EQ(dTriggerPattern, 65535);

    // Controls.
    const int rangeRings[4] = {TAB_RANGE_CH1, TAB_RANGE_CH2, TAB_RANGE_CH3, TAB_RANGE_CH4};
    const int couplingRings[4] = {TAB_COUPLING_CH1, TAB_COUPLING_CH2, TAB_COUPLING_CH3, TAB_COUPLING_CH4};
    for (int k = 0; k < 4; ++k) {
        EXPECT_DOUBLE_EQ(RealCtrl(panelRange, rangeRings[k]), v.range[k]);
        EXPECT_EQ(IntCtrl(panelCoupling, couplingRings[k]), v.coupling[k]);
    }
    EXPECT_EQ(IntCtrl(panelScope, SCOPE_TRIGGER_SOURCE), 2);
    EXPECT_EQ(IntCtrl(panelScope, SCOPE_PRE_SAMPLES), 300);
    EXPECT_EQ(IntCtrl(panelAd_Scope, AD_SCOPE_AUX_BNC), 3);
    EXPECT_EQ(IntCtrl(panelAd_Scope, AD_SCOPE_AVERAGE_COUNT), 8);
    EXPECT_DOUBLE_EQ(RealCtrl(panelGene, GENE_CH2_PHASE), 359.5);
    EXPECT_EQ(IntCtrl(panelGene, GENE_TRIG_SOURCE), 2);
    EXPECT_EQ(IntCtrl(panelDig, DIG_TRIG_MASK), 40000);
    EXPECT_EQ(IntCtrl(panelDig, DIG_TRIG_MODE), 2);
    ExpectSettingsMatchControls();

    // Written back, by the menu and at exit, the file is the same.
    Save(Path("out.ini"));
    EXPECT_EQ(ReadAll(Path("out.ini")), original);
    Save_Last_Setup();
    EXPECT_EQ(ReadAll(DefaultPath()), original);
    EXPECT_TRUE(testseam::Shown().size() == 2u); // the two file dialogs, no message
}

TEST_F(SetupFileTest, LinesEndingInLineFeedAloneReadTheSame)
{
    WriteAll(Path("lf.ini"), FileText(Sample(), kSetupLineCount, "\n"));
    Load(Path("lf.ini"));
    EXPECT_DOUBLE_EQ(oFrequency, 12345.5);
    EXPECT_EQ(dTriggerPattern, 65535);
}

TEST_F(SetupFileTest, TriggerSourceNoneDimsThePreSamplesBox)
{
    SetupValues v = Sample();
    v.triggerSource = 100;
    WriteAll(Path("none.ini"), FileText(v));
    Load(Path("none.ini"));
    EXPECT_EQ(trigger_source, 100);
    int dimmed = 0;
    GetCtrlAttribute(panelScope, SCOPE_PRE_SAMPLES, ATTR_DIMMED, &dimmed);
    EXPECT_EQ(dimmed, 1);

    // Any other source (multiple-record mode off): the box can be used.
    v.triggerSource = 0;
    WriteAll(Path("ch1.ini"), FileText(v));
    Load(Path("ch1.ini"));
    EXPECT_EQ(trigger_source, 0);
    GetCtrlAttribute(panelScope, SCOPE_PRE_SAMPLES, ATTR_DIMMED, &dimmed);
    EXPECT_EQ(dimmed, 0);
    EXPECT_EQ(pre_iSample, 300);

    // In multiple-record mode pre-trigger samples do not apply.
    SetCtrlVal(panelAd_Scope, AD_SCOPE_MULTIPLE_RECORD, 1);
    Load(Path("ch1.ini"));
    GetCtrlAttribute(panelScope, SCOPE_PRE_SAMPLES, ATTR_DIMMED, &dimmed);
    EXPECT_EQ(dimmed, 1);
    EXPECT_EQ(pre_iSample, 0);
}

TEST_F(SetupFileTest, AuxiliaryConnectorTakesOnlyValuesItOffers)
{
    SetupValues v = Sample();
    v.auxBnc = 1;
    WriteAll(Path("aux.ini"), FileText(v));
    Load(Path("aux.ini"));
    EXPECT_EQ(Aux_BNC, 1);
    EXPECT_EQ(IntCtrl(panelAd_Scope, AD_SCOPE_AUX_BNC), 1);

    // No item for -1 or 40000: the control keeps its choice, and so does the
    // setting.
    for (const char *bad : {"-1", "40000"}) {
        std::string text = FileText(v);
        const std::string line = "[AUX_BNC]=1";
        text.replace(text.find(line), line.size(), std::string("[AUX_BNC]=") + bad);
        WriteAll(Path("aux2.ini"), text);
        Load(Path("aux2.ini"));
        EXPECT_EQ(IntCtrl(panelAd_Scope, AD_SCOPE_AUX_BNC), 1) << bad;
        EXPECT_EQ(Aux_BNC, 1) << bad;
    }
}

TEST_F(SetupFileTest, SixteenBitValuesAreWrittenWithTheirOwnSign)
{
    // Written as held (the saves take these from their controls, which
    // hold no such values).
    average_count = -1;
    dTriggerMask = 40000;
    ASSERT_EQ(Setup_WriteFile(Path("widths.ini").c_str()), 0);
    const std::string text = ReadAll(Path("widths.ini"));
    EXPECT_NE(text.find("\r\n[AVERAGING_COUNT]=-1\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n[TRIGGER_MASK]=40000\r\n"), std::string::npos);
}

TEST_F(SetupFileTest, CancelledDialogsChangeAndWriteNothing)
{
    WriteAll(Path("in.ini"), FileText(Sample()));
    const std::string before = SettingsText();
    const auto filesBefore = std::distance(fs::directory_iterator(TempDir()), fs::directory_iterator());
    testseam::QueueFileAnswer("");
    Load_Setup(Menu_Handle, MENUBAR_FILE_LOAD_SETUP, nullptr, panelBench);
    testseam::QueueFileAnswer("");
    Save_Setup(Menu_Handle, MENUBAR_FILE_SAVE_SETUP, nullptr, panelBench);
    EXPECT_EQ(SettingsText(), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(TempDir()), fs::directory_iterator()), filesBefore);
    ASSERT_EQ(testseam::Shown().size(), 2u);
    EXPECT_EQ(testseam::Shown()[0], "file|Select Setup File");
    EXPECT_EQ(testseam::Shown()[1], "file|Save Setup");
}

TEST_F(SetupFileTest, ChannelTwoInSlotZeroIsWrittenFromTheRingsByTheMenuAndAtExit)
{
    // CH2 alone: acquisition slot 0 holds CH2.
    SetCtrlVal(panelRange, TAB_RANGE_CH1, 5.0);
    SetCtrlVal(panelCoupling, TAB_COUPLING_CH1, 2);
    SetCtrlVal(panelRange, TAB_RANGE_CH2, 0.5);
    SetCtrlVal(panelCoupling, TAB_COUPLING_CH2, 1);
    SetCtrlVal(panelAin, TAB_AIN_CH3, 0);
    SetCtrlVal(panelAin, TAB_AIN_CH4, 0);
    SetCtrlVal(panelAin, TAB_AIN_CH2, 1);
    OperateCtrl(panelAin, TAB_AIN_CH1, 0);
    ASSERT_EQ(numChanIn, 1);
    ASSERT_EQ(iChan[0].channel, 1);
    Scope_Setting();
    ASSERT_DOUBLE_EQ(iChan[0].range, 0.5);

    // Both saves write what the CH1 rings show as the first values, the
    // values a read puts back into the CH1 rings.
    Save(Path("menu.ini"));
    const std::string menu = ReadAll(Path("menu.ini"));
    EXPECT_NE(menu.find("[INPUT_RANGE]=5.000000,"), std::string::npos);
    EXPECT_NE(menu.find("[INPUT_COUPLING]=2,"), std::string::npos);
    // The menu save leaves the running slot as it is.
    EXPECT_DOUBLE_EQ(iChan[0].range, 0.5);
    EXPECT_EQ(iChan[0].coupling, 1);

    Save_Last_Setup();
    const std::string atExit = ReadAll(DefaultPath());
    EXPECT_EQ(atExit, menu);

    // The file puts its first value into the CH1 rings, the second into CH2.
    SetCtrlVal(panelRange, TAB_RANGE_CH1, 1.0);
    SetCtrlVal(panelRange, TAB_RANGE_CH2, 1.0);
    Load(Path("menu.ini"));
    EXPECT_DOUBLE_EQ(RealCtrl(panelRange, TAB_RANGE_CH1), 5.0);
    EXPECT_EQ(IntCtrl(panelCoupling, TAB_COUPLING_CH1), 2);
    EXPECT_DOUBLE_EQ(RealCtrl(panelRange, TAB_RANGE_CH2), 0.5);
    EXPECT_EQ(IntCtrl(panelCoupling, TAB_COUPLING_CH2), 1);
}

TEST_F(SetupFileTest, AShortFileChangesOnlyTheLinesItHolds)
{
    SetupValues v = Sample();
    v.triggerSource = 50;
    WriteAll(Path("short.ini"), FileText(v, 10));
    const double level = trigger_level;
    const double frequency = oFrequency;
    const int samples = dSamples;
    const short count = average_count;
    Load(Path("short.ini"));
    EXPECT_EQ(trigger_source, 50);
    EXPECT_EQ(trigger_slope, 0);
    EXPECT_EQ(RequestedSamples, 16384);
    EXPECT_DOUBLE_EQ(iClockRate, 5000000.0);
    EXPECT_DOUBLE_EQ(RealCtrl(panelRange, TAB_RANGE_CH2), 5.0);
    EXPECT_DOUBLE_EQ(trigger_level, level); // line 11 and after: unchanged
    EXPECT_DOUBLE_EQ(oFrequency, frequency);
    EXPECT_EQ(dSamples, samples);
    EXPECT_EQ(average_count, count);
}

TEST_F(SetupFileTest, DamagedLinesLeaveTheirSettingsAndTheOthersStillRead)
{
    std::string text = FileText(Sample());
    // Line 18 (frequency) far longer than any setup line, line 7 not a
    // number, line 19 swapped with line 20.
    const std::string frequency = "[FREQUENCY]=12345.500000";
    text.replace(text.find(frequency), frequency.size(), "[FREQUENCY]=" + std::string(100000, '7'));
    const std::string record = "[REQUESTED_SAMPLE]=16384";
    text.replace(text.find(record), record.size(), "[REQUESTED_SAMPLE]=lots");
    WriteAll(Path("damaged.ini"), text);
    SetupValues before = Sample();
    before.frequency = 777.0;
    before.requestedSamples = 8192;
    WriteAll(Path("before.ini"), FileText(before));
    Load(Path("before.ini"));
    Load(Path("damaged.ini"));
    EXPECT_DOUBLE_EQ(oFrequency, 777.0);
    EXPECT_EQ(RequestedSamples, 8192);
    EXPECT_EQ(oChan[0].type, 6); // the line after the overlong one
    EXPECT_EQ(dTriggerPattern, 65535);
    EXPECT_TRUE(testseam::Shown().size() == 2u); // the dialogs only
    ExpectSettingsMatchControls();
}

TEST_F(SetupFileTest, ValuesBeyondTheControlsAreHeldWithinThem)
{
    SetupValues v = Sample();
    std::string text = FileText(v);
    auto put = [&](const std::string &from, const std::string &to) {
        text.replace(text.find(from), from.size(), to);
    };
    put("[AVERAGING_COUNT]=8", "[AVERAGING_COUNT]=40000");
    put("[DECIMATION_FACTOR]=7", "[DECIMATION_FACTOR]=-5");
    put("[DEVICE_NB]=1", "[DEVICE_NB]=9");
    put("[SIGNAL_TYPE]=6,3", "[SIGNAL_TYPE]=6,6"); // CH2 offers no file waveform
    put("[SIGNAL_AMP]=2.500000,", "[SIGNAL_AMP]=1e300,");
    put("[TRIGGER_MODE]=2", "[TRIGGER_MODE]=9");
    WriteAll(Path("range.ini"), text);
    Load(Path("range.ini"));
    EXPECT_EQ(average_count, 32767);
    EXPECT_EQ(decimation_factor, 1);
    EXPECT_EQ(device, 1);
    EXPECT_EQ(oChan[1].type, 0);
    EXPECT_DOUBLE_EQ(oChan[0].amplitude, 10.0);
    EXPECT_EQ(dTriggerMode, 0);
    ExpectSettingsMatchControls();
}

TEST_F(SetupFileTest, BinaryAndHugeFilesNeverHurt)
{
    // Bytes of every value, NUL and line breaks included.
    std::string binary;
    uint32_t seed = 12345;
    for (int i = 0; i < 65536; ++i) {
        seed = seed * 1103515245u + 12345u;
        binary += static_cast<char>(seed >> 24);
    }
    WriteAll(Path("binary.ini"), binary);
    Load(Path("binary.ini"));
    ExpectSettingsMatchControls();

    // A big file within the size of a setup file: only its first 32 lines
    // are read.
    std::string huge = FileText(Sample());
    const std::string tail = "[SAMPLE_RATE]=1.000000\r\n";
    std::string more;
    for (int i = 0; i < 40000; ++i)
        more += tail;
    ASSERT_LE(huge.size() + more.size(), kSetupFileLimit);
    WriteAll(Path("huge.ini"), huge + more);
    Load(Path("huge.ini"));
    EXPECT_DOUBLE_EQ(dClockRate, 2500000.0);
    EXPECT_EQ(dTriggerPattern, 65535);

    // Files over 1 MiB, lines of 8 MB without a break or setup lines
    // followed by megabytes: damaged, refused whole, nothing changes.
    const std::string before = SettingsText();
    for (int i = 0; i < 50; ++i)
        more += more.substr(0, 100000);
    WriteAll(Path("bigger.ini"), FileText(SetupValues()) + more);
    WriteAll(Path("oneline.ini"), std::string(8 << 20, '9'));
    for (const char *name : {"bigger.ini", "oneline.ini"}) {
        testseam::ClearShown();
        Load(Path(name));
        EXPECT_EQ(SettingsText(), before) << name;
        ASSERT_EQ(testseam::Shown().size(), 2u) << name;
        EXPECT_EQ(testseam::Shown()[1], "Error message|Open File Error") << name;
    }
    ExpectSettingsMatchControls();
    EXPECT_EQ(testseam::Failures(), 0);
}

TEST_F(SetupFileTest, AFileThatCannotBeOpenedChangesNothingAndSaysSo)
{
    const std::string before = SettingsText();
    Load(Path("missing.ini"));
    EXPECT_EQ(SettingsText(), before);
    ASSERT_EQ(testseam::Shown().size(), 2u);
    EXPECT_EQ(testseam::Shown()[1], "Error message|Open File Error");
}

// ----------------------------------------------------- safe replacement

namespace
{
int linesWritten = 0;
int FailOnLineTwenty(int file, const char *text, int n)
{
    if (++linesWritten == 20)
        return UIE_IO_ERROR; // the disk is full
    return WriteLine(file, text, n);
}

int FilesIn(const std::string &dir)
{
    return static_cast<int>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}
} // namespace

TEST_F(SetupFileTest, TheDefaultFileIsReplacedWholeOrNotAtAll)
{
    const std::string path = DefaultPath();
    const std::string dir = path.substr(0, path.rfind('/'));
    Save_Last_Setup();
    const std::string good = ReadAll(path);
    ASSERT_EQ(std::count(good.begin(), good.end(), '\n'), 32);

    // A full disk half-way through: the old file stays whole, no temporary
    // file is left behind.
    SetCtrlVal(panelGene, GENE_FREQUENCY, 4242.0);
    linesWritten = 0;
    setupWriteLine = FailOnLineTwenty;
    Save_Last_Setup();
    setupWriteLine = WriteLine;
    EXPECT_EQ(ReadAll(path), good);
    EXPECT_EQ(FilesIn(dir), 1);

    // Written normally, the new content replaces it.
    Save_Last_Setup();
    EXPECT_NE(ReadAll(path).find("[FREQUENCY]=4242.000000"), std::string::npos);
    EXPECT_EQ(FilesIn(dir), 1);
}

TEST_F(SetupFileTest, AWriteProtectedSetupIsLeftAlone)
{
    const std::string path = DefaultPath();
    WriteAll(path, "keep me\r\n");
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    Save_Last_Setup();
    EXPECT_EQ(ReadAll(path), "keep me\r\n");

    WriteAll(Path("user.ini"), "mine\r\n");
    ASSERT_EQ(chmod(Path("user.ini").c_str(), 0444), 0);
    Save(Path("user.ini"));
    EXPECT_EQ(ReadAll(Path("user.ini")), "mine\r\n");
    ASSERT_EQ(testseam::Shown().size(), 2u);
    EXPECT_EQ(testseam::Shown()[1], "Error message|Saving File impossible");
    chmod(path.c_str(), 0644);
}

TEST_F(SetupFileTest, SaveSetupReportsAFailedWriteAndKeepsTheOldFile)
{
    WriteAll(Path("user.ini"), "old\r\n");
    linesWritten = 0;
    setupWriteLine = FailOnLineTwenty;
    Save(Path("user.ini"));
    setupWriteLine = WriteLine;
    EXPECT_EQ(ReadAll(Path("user.ini")), "old\r\n");
    EXPECT_EQ(FilesIn(TempDir()), 2); // user.ini and the configuration folder
    ASSERT_EQ(testseam::Shown().size(), 2u);
    EXPECT_EQ(testseam::Shown()[1], "Error message|Saving File impossible");

    // A folder in the way is no file to write either.
    fs::create_directory(Path("folder.ini"));
    Save(Path("folder.ini"));
    EXPECT_TRUE(fs::is_directory(Path("folder.ini")));
    EXPECT_EQ(testseam::Shown().back(), "Error message|Saving File impossible");
}

TEST_F(SetupFileTest, ASymbolicLinkKeepsPointingAtTheSetup)
{
    WriteAll(Path("real.ini"), "old\r\n");
    fs::create_symlink(Path("real.ini"), Path("link.ini"));
    Save(Path("link.ini"));
    EXPECT_TRUE(fs::is_symlink(Path("link.ini")));
    EXPECT_EQ(ReadAll(Path("real.ini")).rfind("[SCOPE_MODE]\r\n", 0), 0u);
}

TEST_F(SetupFileTest, AnOpenFileIsReadByTheSameReaderFromItsPosition)
{
    // Two lines before the setup: the handle's reader starts where the
    // file stands.
    WriteAll(Path("handle.ini"), "skip me\r\nand me\r\n" + FileText(Sample()));
    const int file = OpenFile(Path("handle.ini").c_str(), VAL_READ_ONLY, VAL_OPEN_AS_IS, VAL_ASCII);
    ASSERT_GT(file, 0);
    char line[64];
    ASSERT_EQ(ReadLine(file, line, sizeof line), 7);
    ASSERT_EQ(ReadLine(file, line, sizeof line), 6);
    EXPECT_EQ(Read_IniFile(file), 43);
    CloseFile(file);
    EXPECT_DOUBLE_EQ(oFrequency, 12345.5);
    EXPECT_EQ(dTriggerPattern, 65535);
    EXPECT_EQ(RequestedSamples, 16384);
    ExpectSettingsMatchControls();
}

// The one list of settings drives reading, writing and both mirrors: it
// must hold each of the 32 lines' values once and each persisted control
// once, and every control it names must exist on its panel.
TEST_F(SetupFileTest, TheSettingsListCoversEveryLineAndEveryControlOnce)
{
    struct Entry {
        int line;
        int panel;
        int control;
        std::string field;
    };
    std::vector<Entry> entries;
#define COLLECT_ENTRY(line, field, variable, panel, control, take) entries.push_back({line, panel, control, #field});
    KORVAX_SETUP_SETTINGS(COLLECT_ENTRY)
#undef COLLECT_ENTRY
    ASSERT_EQ(static_cast<int>(entries.size()), kSetupSettingCount);
    EXPECT_EQ(kSetupSettingCount, 43);

    int perLine[kSetupLineCount] = {};
    std::set<std::pair<int, int>> controls;
    std::set<std::string> fields;
    int previousLine = 0;
    for (const Entry &e : entries) {
        ASSERT_GE(e.line, 1);
        ASSERT_LT(e.line, kSetupLineCount);
        EXPECT_GE(e.line, previousLine) << e.field << ": the list is in file order";
        previousLine = e.line;
        ++perLine[e.line];
        EXPECT_TRUE(controls.insert({e.panel, e.control}).second) << e.field << ": control listed twice";
        EXPECT_TRUE(fields.insert(e.field).second) << e.field << ": setting listed twice";
        EXPECT_GT(e.panel, 0) << e.field;
        int type = -1;
        EXPECT_EQ(GetCtrlAttribute(e.panel, e.control, ATTR_DATA_TYPE, &type), 0) << e.field << ": no such control";
    }
    for (int line = 0; line < kSetupLineCount; ++line) {
        const bool header = line == 0 || line == 16 || line == 26;
        if (header)
            EXPECT_EQ(perLine[line], 0) << "line " << line;
        else
            EXPECT_TRUE(perLine[line] >= 1 && perLine[line] <= 4) << "line " << line;
        // The writer puts one value per listed setting on the line.
        const std::string text = SetupFormatLine(line, SetupValues{});
        const int commas = static_cast<int>(std::count(text.begin(), text.end(), ','));
        EXPECT_EQ(header ? 0 : commas + 1, perLine[line]) << "line " << line << ": " << text;
    }
}
