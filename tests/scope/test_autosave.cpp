// Autosave: run folders and file names, formats, failures reported once per
// run, switching on during a run, and the panel.
#include <algorithm>
#include <filesystem>

#include <sys/stat.h>

#include "support/bench_fixture.h"
#include "support/file_size_limit.h"
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
        SetCtrlVal(panelAutosave, AUTOSAVE_DIRECTORY, directory); // as the panel shows it
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
    // Every file under dir (not the folders), as paths relative to it.
    static std::vector<std::string> FilesUnder(const std::string &dir)
    {
        std::vector<std::string> files;
        for (const auto &e : fs::recursive_directory_iterator(dir))
            if (!e.is_directory())
                files.push_back(fs::relative(e.path(), dir).string());
        std::sort(files.begin(), files.end());
        return files;
    }
    static bool StatusShows(const std::string &text)
    {
        int visible = 0;
        GetCtrlAttribute(panelScope, SCOPE_STATUS, ATTR_VISIBLE, &visible);
        return visible && CtrlText(panelScope, SCOPE_STATUS) == text;
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
    EXPECT_EQ(ErrorsShown(), 0) << "no popup while the run goes on";
    EXPECT_TRUE(StatusShows("Autosave failed"));
    Scope_AutoSaveRunEnded();
    EXPECT_EQ(ErrorsShown(), 1);
    Scope_AutoSaveRunEnded();
    EXPECT_EQ(ErrorsShown(), 1);
    for (loop = 1; loop <= 2; ++loop) // the next run reports again
        AutoSave();
    Scope_AutoSaveRunEnded();
    EXPECT_EQ(ErrorsShown(), 2);
}

// A full disk: the file being written is removed, no further file of the
// run is tried (not even with room again), nothing is shown but the status
// text until the run ends; the next run saves again.
TEST_F(AutosaveTest, AFullDiskLeavesNothingAndStopsTheRunsAttempts)
{
    const std::string base = TempDir() + "/base";
    fs::create_directories(base);
    std::snprintf(directory, sizeof directory, "%s", base.c_str());
    {
        FileSizeLimit disk(300); // the header fits, the record does not
        ASSERT_TRUE(disk.Active());
        loop = 1;
        AutoSave();
    }
    EXPECT_TRUE(FilesUnder(base).empty());
    EXPECT_TRUE(StatusShows("Autosave failed"));
    EXPECT_EQ(ErrorsShown(), 0);
    for (loop = 2; loop <= 5; ++loop)
        AutoSave();
    EXPECT_TRUE(FilesUnder(base).empty()) << "no more tries in this run";
    EXPECT_EQ(ErrorsShown(), 0);
    Scope_AutoSaveRunEnded();
    EXPECT_EQ(ErrorsShown(), 1);

    testseam::SetDateTime(2026, 3, 7, 15, 0, 0);
    loop = 1;
    AutoSave();
    EXPECT_EQ(FilesUnder(base), (std::vector<std::string>{"7-3-2026_15-0-0/CH1-1.asc", "7-3-2026_15-0-0/CH3-1.asc"}));
    Scope_AutoSaveRunEnded();
    EXPECT_EQ(ErrorsShown(), 1);
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

// A folder typed into the base-directory box is the one the run folders go
// into; it is made when missing (with the folders above it).
TEST_F(AutosaveTest, ATypedFolderIsMadeAndUsed)
{
    DisplayMenuAutosave(0, 0, nullptr, 0);
    const std::string typed = TempDir() + "/typed/deeper";
    ASSERT_EQ(OperateCtrl(panelAutosave, AUTOSAVE_DIRECTORY, typed.c_str()), 0);
    ClosePanel(1, 0);
    EXPECT_EQ(std::string(directory), typed);
    EXPECT_TRUE(fs::is_directory(typed));
    int visible = 1;
    GetPanelAttribute(panelAutosave, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 0);
    loop = 1;
    AutoSave();
    EXPECT_TRUE(fs::is_regular_file(typed + "/7-3-2026_14-5-9/CH1-1.asc"));

    // A relative path is taken from the working directory; the box then
    // shows where the files go.
    const fs::path before = fs::current_path();
    fs::current_path(TempDir());
    DisplayMenuAutosave(0, 0, nullptr, 0);
    OperateCtrl(panelAutosave, AUTOSAVE_DIRECTORY, "relative/runs");
    ClosePanel(1, 0);
    fs::current_path(before);
    EXPECT_EQ(fs::path(directory), fs::canonical(TempDir() + "/relative/runs"));
    EXPECT_EQ(CtrlText(panelAutosave, AUTOSAVE_DIRECTORY), std::string(directory));

    // Changed during a run: the run goes on in a folder of the new base.
    testseam::SetDateTime(2026, 3, 7, 14, 6, 0);
    const std::string other = TempDir() + "/other";
    DisplayMenuAutosave(0, 0, nullptr, 0);
    OperateCtrl(panelAutosave, AUTOSAVE_DIRECTORY, other.c_str());
    ClosePanel(1, 0);
    loop = 2;
    AutoSave();
    EXPECT_TRUE(fs::is_regular_file(other + "/7-3-2026_14-6-0/CH1-2.asc"));
    EXPECT_EQ(ErrorsShown(), 0);
}

// A typed folder that cannot be used is explained; the panel stays open
// with the text, and none of its settings is taken.
TEST_F(AutosaveTest, ATypedFolderThatCannotBeUsedIsExplained)
{
    const std::string file = TempDir() + "/a-file";
    { std::ofstream(file) << "x"; }
    const std::string before = directory;
    DisplayMenuAutosave(0, 0, nullptr, 0);
    for (const std::string &typed : {file, file + "/below"}) {
        SCOPED_TRACE(typed);
        testseam::ClearShown();
        OperateCtrl(panelAutosave, AUTOSAVE_DIRECTORY, typed.c_str());
        ClosePanel(1, 1);
        ASSERT_EQ(testseam::Shown().size(), 1u);
        const std::string shown = testseam::Shown()[0];
        EXPECT_EQ(shown.rfind("Error message|The folder \"" + typed + "\" cannot be used for autosave: ", 0), 0u)
            << shown;
        EXPECT_EQ(std::string(directory), before);
        EXPECT_EQ(isAutoSaveON, 0);
        EXPECT_EQ(AutoSaveFormat, 0);
        int visible = 0;
        GetPanelAttribute(panelAutosave, ATTR_VISIBLE, &visible);
        EXPECT_EQ(visible, 1);
        EXPECT_EQ(CtrlText(panelAutosave, AUTOSAVE_DIRECTORY), typed);
    }
    EXPECT_NE(testseam::Shown()[0].find("Not a directory"), std::string::npos) << testseam::Shown()[0];

    // Corrected: taken as usual.
    OperateCtrl(panelAutosave, AUTOSAVE_DIRECTORY, TempDir().c_str());
    ClosePanel(1, 1);
    EXPECT_EQ(fs::path(directory), fs::canonical(TempDir()));
    EXPECT_EQ(isAutoSaveON, 1);
    EXPECT_EQ(AutoSaveFormat, 1);
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
    static int Reports()
    {
        int n = 0;
        for (const std::string &s : testseam::Shown())
            n += s == "Error message|Saving File impossible";
        return n;
    }
    void SwitchOn(const std::string &base, int format)
    {
        std::snprintf(directory, sizeof directory, "%s", base.c_str());
        SetCtrlVal(panelAutosave, AUTOSAVE_DIRECTORY, directory); // as the panel shows it
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
    EXPECT_EQ(Reports(), 0) << "a popup would halt the capture";
    EXPECT_EQ(CtrlText(panelScope, SCOPE_STATUS), "Autosave failed");
    StopRun();
    EXPECT_EQ(Reports(), 1);
}

// A disk that fills up during a continuous capture: the capture goes on, no
// file is left (not even a cut or empty one), the status says why, and the
// popup comes once when the run is stopped.
TEST_F(AutosaveCaptureTest, AFullDiskNeitherHaltsTheCaptureNorLeavesFiles)
{
    testseam::SetDateTime(2026, 3, 7, 14, 5, 9);
    Channels({1, 2, 3, 4});
    Scope(2048, 100000.0);
    const std::string base = TempDir() + "/base";
    fs::create_directories(base);
    SwitchOn(base, 0);
    ASSERT_EQ(Continuous(), 0);
    {
        FileSizeLimit disk(4096);
        ASSERT_TRUE(disk.Active());
        for (int i = 0; i < 5; ++i)
            Tick();
    }
    EXPECT_EQ(isScopeStartOn, 1);
    EXPECT_EQ(loop, 5);
    EXPECT_EQ(Reports(), 0);
    EXPECT_EQ(CtrlText(panelScope, SCOPE_STATUS), "Autosave failed");
    std::vector<std::string> files;
    for (const auto &e : fs::recursive_directory_iterator(base))
        if (!e.is_directory())
            files.push_back(e.path().string());
    EXPECT_TRUE(files.empty()) << files.size() << " files left, the first " << files.front();
    StopRun();
    EXPECT_EQ(Reports(), 1);
    StopRun();
    EXPECT_EQ(Reports(), 1);

    // With room again, the next run saves.
    ASSERT_EQ(OneShot(), 0);
    Tick();
    EXPECT_EQ(Reports(), 1);
    EXPECT_TRUE(fs::is_regular_file(base + "/7-3-2026_14-5-9/CH4-1.asc"));
}

} // namespace
