// Autosave: run folders and file names, formats, failures reported once per
// run, switching on during a run, and the panel.
#include <filesystem>

#include "support/bench_fixture.h"
#include "test_capture_support.h"
#include "test_view_support.h"

using namespace viewtest;
namespace fs = std::filesystem;

namespace
{

class AutosaveTest : public BenchTest
{
  protected:
    void SetUp() override
    {
        BenchTest::SetUp();
        iClockRate = 10000.0;
        MakeRamp(2, 100);
        iChannel[0] = 0;
        iChannel[1] = 2;
        iRange[0] = 2.0;
        iRange[1] = 5.0;
        testseam::SetDateTime(2026, 3, 7, 14, 5, 9);
        std::snprintf(directory, sizeof directory, "%s", TempDir().c_str());
        Dir[0] = '\0';
        AutoSaveFormat = 0;
    }
    void TearDown() override
    {
        isAutoSaveON = 0;
        BenchTest::TearDown();
    }
    // Closes the autosave panel with the switch and format given.
    void ClosePanel(int on, int format)
    {
        SetCtrlVal(panelAutosave, AUTOSAVE_SWITCH, on);
        SetCtrlVal(panelAutosave, AUTOSAVE_FORMAT, format);
        close_autosave(panelAutosave, AUTOSAVE_CLOSE, EVENT_COMMIT, nullptr, 0, 0);
    }
    int ErrorsShown()
    {
        int n = 0;
        for (const std::string &s : testseam::Shown())
            n += s == "Error message|Saving File impossible";
        return n;
    }
};

TEST_F(AutosaveTest, RunFolderAndFileNames)
{
    loop = 1;
    AutoSave();
    const std::string folder = TempDir() + "/7-3-2026_14-5-9";
    EXPECT_EQ(std::string(Dir), folder);
    EXPECT_TRUE(fs::is_regular_file(folder + "/CH1-1.asc"));
    EXPECT_TRUE(fs::is_regular_file(folder + "/CH3-1.asc"));

    testseam::SetDateTime(2026, 3, 7, 14, 5, 10);
    loop = 2;
    AutoSave();
    EXPECT_EQ(std::string(Dir), folder); // same run, same folder
    EXPECT_TRUE(fs::is_regular_file(folder + "/CH1-2.asc"));
    EXPECT_TRUE(fs::is_regular_file(folder + "/CH3-2.asc"));

    // Text: the header without its channel line, then the record.
    const std::string text = ReadFile(folder + "/CH3-1.asc");
    EXPECT_EQ(text.rfind("Date: 7/3/2026 at 14:5:9\r\nSampling rate: 10000 Hz\r\nInput Range: 5.00V\r\n"
                         "Total Number of Samples: 100\r\nNumber of Pre-Samples: 0\r\n1.000000\r\n",
                         0),
              0u);
    EXPECT_EQ(ErrorsShown(), 0);
}

TEST_F(AutosaveTest, BinaryFilesHoldHeaderAndCodes)
{
    AutoSaveFormat = 1;
    loop = 1;
    AutoSave();
    const std::string file = TempDir() + "/7-3-2026_14-5-9/CH1-1.dat";
    EXPECT_EQ(fs::file_size(file), 48u + 2u * 100u);
}

TEST_F(AutosaveTest, PreTriggerRecordIsSavedFromItsStart)
{
    MakeRamp(1, 100, 20);
    loop = 1;
    AutoSave();
    const std::string text = ReadFile(TempDir() + "/7-3-2026_14-5-9/CH1-1.asc");
    EXPECT_NE(text.find("Number of Pre-Samples: 20\r\n-0.020000\r\n"), std::string::npos);
}

TEST_F(AutosaveTest, FailureIsReportedOncePerRun)
{
    std::snprintf(directory, sizeof directory, "%s", "/nonexistent-korvax-base");
    for (loop = 1; loop <= 3; ++loop)
        AutoSave();
    EXPECT_EQ(ErrorsShown(), 1);
    for (loop = 1; loop <= 2; ++loop) // the next run reports again
        AutoSave();
    EXPECT_EQ(ErrorsShown(), 2);
}

TEST_F(AutosaveTest, SwitchedOnDuringARunMakesTheRunFolder)
{
    // Run A saves into its folder, then autosave goes off.
    ClosePanel(1, 0);
    loop = 1;
    AutoSave();
    ClosePanel(0, 0);
    EXPECT_EQ(isAutoSaveON, 0);

    // Run B: autosave switched on at its third capture.
    testseam::SetDateTime(2026, 3, 7, 15, 0, 0);
    ClosePanel(1, 1);
    EXPECT_EQ(isAutoSaveON, 1);
    EXPECT_EQ(AutoSaveFormat, 1);
    loop = 3;
    AutoSave();
    EXPECT_TRUE(fs::is_regular_file(TempDir() + "/7-3-2026_15-0-0/CH1-3.dat"));
    EXPECT_FALSE(fs::exists(TempDir() + "/7-3-2026_14-5-9/CH1-3.dat"));
    EXPECT_EQ(ErrorsShown(), 0);
}

TEST_F(AutosaveTest, PanelShowsTheWorkingDirectoryFirst)
{
    directory[0] = '\0';
    DisplayMenuAutosave(0, 0, nullptr, 0);
    char cwd[1024] = "";
    GetDir(cwd);
    EXPECT_EQ(CtrlText(panelAutosave, AUTOSAVE_DIRECTORY), std::string(cwd));
    EXPECT_EQ(std::string(directory), std::string(cwd));

    const std::string chosen = TempDir();
    testseam::QueueDirAnswer(chosen);
    select_directory(panelAutosave, AUTOSAVE_BROWSE, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(std::string(directory), chosen);
    EXPECT_EQ(CtrlText(panelAutosave, AUTOSAVE_DIRECTORY), chosen);

    // Cancel keeps the directory.
    testseam::QueueDirAnswer("");
    select_directory(panelAutosave, AUTOSAVE_BROWSE, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(std::string(directory), chosen);
}

TEST_F(AutosaveTest, SettingsTakeEffectOnlyWhenThePanelCloses)
{
    SetCtrlVal(panelAutosave, AUTOSAVE_SWITCH, 1);
    EXPECT_EQ(isAutoSaveON, 0);
    close_autosave(panelAutosave, AUTOSAVE_CLOSE, EVENT_VAL_CHANGED, nullptr, 0, 0);
    EXPECT_EQ(isAutoSaveON, 0);
    close_autosave(panelAutosave, AUTOSAVE_CLOSE, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(isAutoSaveON, 1);
}

} // namespace

namespace
{

class AutosaveCaptureTest : public acqtest::AcqTest
{
  protected:
    void TearDown() override
    {
        StopRun();
        isAutoSaveON = 0;
        AcqTest::TearDown();
    }
    void SwitchOn(const std::string &base, int format)
    {
        std::snprintf(directory, sizeof directory, "%s", base.c_str());
        SetCtrlVal(panelAutosave, AUTOSAVE_SWITCH, 1);
        SetCtrlVal(panelAutosave, AUTOSAVE_FORMAT, format);
        close_autosave(panelAutosave, AUTOSAVE_CLOSE, EVENT_COMMIT, nullptr, 0, 0);
    }
};

TEST_F(AutosaveCaptureTest, EveryCaptureOfARunIsSaved)
{
    testseam::SetDateTime(2026, 3, 7, 14, 5, 9);
    Channels({1, 3});
    Scope(2048, 100000.0);
    SwitchOn(TempDir(), 1);
    ASSERT_EQ(Continuous(), 0);
    Tick();
    testseam::SetDateTime(2026, 3, 7, 14, 5, 10);
    Tick();
    const std::string folder = TempDir() + "/7-3-2026_14-5-9";
    for (const char *name : {"CH1-1.dat", "CH3-1.dat", "CH1-2.dat", "CH3-2.dat"})
        EXPECT_EQ(fs::file_size(folder + "/" + name), 48u + 2u * 2048u) << name;
}

TEST_F(AutosaveCaptureTest, AFailingFolderNeitherStopsTheRunNorRepeatsItsMessage)
{
    Scope(2048, 100000.0);
    SwitchOn("/nonexistent-korvax-base", 0);
    ASSERT_EQ(Continuous(), 0);
    for (int i = 0; i < 4; ++i)
        Tick();
    EXPECT_EQ(isScopeStartOn, 1);
    EXPECT_EQ(loop, 4);
    int reports = 0;
    for (const std::string &s : testseam::Shown())
        reports += s == "Error message|Saving File impossible";
    EXPECT_EQ(reports, 1);
}

} // namespace
