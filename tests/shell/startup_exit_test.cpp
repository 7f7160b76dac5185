// Start-up, the about panel and the three ways out of the bench.
#include "support/bench_fixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>

namespace
{

std::string ReadAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string DefaultSetupPath()
{
    char path[1100];
    EXPECT_EQ(Setup_DefaultPath(path, sizeof path), 0);
    return path;
}

int CountLines(const std::string &text)
{
    int n = 0;
    for (char c : text)
        n += (c == '\n');
    return n;
}

int Visible(int panel)
{
    int visible = -1;
    GetPanelAttribute(panel, ATTR_VISIBLE, &visible);
    return visible;
}

} // namespace

using StartupTest = BenchTest;

TEST_F(StartupTest, EveryPanelAndSheetIsLoaded)
{
    for (int panel : {panelBench, panelSplash, panelScope, panelGene, panelAbout, panelAd_Scope, panelDig,
                      panelCal, panelAd_Gene, panelSave, panelAutosave, panelFilter, panelVoltmeter, panelAin,
                      panelRange, panelMode, panelCoupling})
        EXPECT_GT(panel, 0);
    EXPECT_EQ(GetPanelParent(panelGene), 0);
    EXPECT_EQ(GetPanelParent(panelVoltmeter), 0);
    EXPECT_EQ(GetPanelParent(panelScope), panelBench);
    EXPECT_EQ(GetPanelParent(panelDig), panelBench);
    EXPECT_GT(tabCtrl, 0);
    int closeCtrl = 0;
    GetPanelAttribute(panelBench, ATTR_CLOSE_CTRL, &closeCtrl);
    EXPECT_EQ(closeCtrl, BENCH_QUIT);
}

TEST_F(StartupTest, TheToolbarStartsWithStopAndZoomAreaDimmed)
{
    ASSERT_GT(Toolbar, 0);
    char description[256] = "";
    Toolbar_GetItemDescription(Toolbar, 6, description);
    EXPECT_STREQ(description, "Stop");
    Toolbar_GetItemDescription(Toolbar, 11, description);
    EXPECT_STREQ(description, "Zoom Area ON");
    int dimmed = 0;
    Toolbar_GetItemAttribute(Toolbar, 6, ATTR_TB_DIMMED, &dimmed);
    EXPECT_EQ(dimmed, 1);
    Toolbar_GetItemAttribute(Toolbar, 11, ATTR_TB_DIMMED, &dimmed);
    EXPECT_EQ(dimmed, 1);
}

TEST_F(StartupTest, InitSystemSetsTheStartupStateWithoutASetupFile)
{
    EXPECT_TRUE(testseam::Shown().empty()); // nothing reported for the missing file
    EXPECT_EQ(numChanIn, 4);
    EXPECT_EQ(isMultipleRecord, 1);
    EXPECT_EQ(device, 1);
    EXPECT_EQ(isStreamingRAMOn, 0);
    EXPECT_EQ(isDigitalON, 0);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(iChan[k].channel, k);
        EXPECT_EQ(Ain[k], 1);
        EXPECT_DOUBLE_EQ(VerticalScale[k], 1.0);
    }
    int dimmed = 1;
    GetMenuBarAttribute(Menu_Handle, MENUBAR_INSTRUMENTS_PROBE_CAL, ATTR_DIMMED, &dimmed);
    EXPECT_EQ(dimmed, 0);

    int scaling = -1;
    double lo = 0, hi = 0;
    GetAxisScalingMode(panelScope, SCOPE_TIMEGRAPH, VAL_LEFT_YAXIS, &scaling, &lo, &hi);
    EXPECT_EQ(scaling, VAL_MANUAL);
    EXPECT_DOUBLE_EQ(lo, -4.0);
    EXPECT_DOUBLE_EQ(hi, 4.0);
    for (int c : {1, 2, 8}) {
        double x = 1, y = 1;
        GetGraphCursor(panelScope, SCOPE_TIMEGRAPH, c, &x, &y);
        EXPECT_DOUBLE_EQ(x, 0.0) << "cursor " << c;
        EXPECT_DOUBLE_EQ(y, 0.0) << "cursor " << c;
    }

    int value = 0;
    ScrollBar_GetAttribute(panelScope, SCOPE_SCROLLBAR, ATTR_SB_LENGTH, &value);
    EXPECT_EQ(value, 700);
    ScrollBar_GetAttribute(panelScope, SCOPE_SCROLLBAR, ATTR_SB_THICKNESS, &value);
    EXPECT_EQ(value, 16);
    ScrollBar_GetAttribute(panelScope, SCOPE_SCROLLBAR, ATTR_SB_PROP_THUMB, &value);
    EXPECT_EQ(value, 1);

    const int graphs[3][2] = {
        {panelScope, SCOPE_TIMEGRAPH}, {panelScope, SCOPE_FFTGRAPH}, {panelDig, DIG_GRAPH}};
    for (const auto &g : graphs) {
        int edge = 1;
        GetCtrlAttribute(g[0], g[1], ATTR_EDGE_STYLE, &edge);
        EXPECT_EQ(edge, 0);
    }

    // The lists keep what the device selection chose.
    GetCtrlVal(panelScope, SCOPE_TRIGGER_SOURCE, &value);
    EXPECT_EQ(value, 100);
    const int rings[4] = {TAB_RANGE_CH1, TAB_RANGE_CH2, TAB_RANGE_CH3, TAB_RANGE_CH4};
    for (int ring : rings) {
        double range = 0;
        GetCtrlVal(panelRange, ring, &range);
        EXPECT_DOUBLE_EQ(range, 2.0);
    }
}

TEST_F(StartupTest, TheDefaultSetupFileIsReadAtStartup)
{
    SetupValues v;
    Setup_Collect(v);
    v.triggerSource = 1;
    v.triggerLevel = 0.5;
    v.range[2] = 0.1;
    v.frequency = 2500.0;
    v.digitalSamples = 4321;
    std::ofstream(DefaultSetupPath(), std::ios::binary) << [&] {
        std::string text;
        for (int i = 0; i < kSetupLineCount; ++i)
            text += SetupFormatLine(i, v) + "\r\n";
        return text;
    }();
    // A fresh start reads it.
    Bench_Close();
    ASSERT_EQ(Bench_Open(), 0);
    Init_System();
    EXPECT_EQ(trigger_source, 1);
    EXPECT_DOUBLE_EQ(trigger_level, 0.5);
    double range = 0;
    GetCtrlVal(panelRange, TAB_RANGE_CH3, &range);
    EXPECT_DOUBLE_EQ(range, 0.1);
    double frequency = 0;
    GetCtrlVal(panelGene, GENE_FREQUENCY, &frequency);
    EXPECT_DOUBLE_EQ(frequency, 2500.0);
    int samples = 0;
    GetCtrlVal(panelDig, DIG_SAMPLES, &samples);
    EXPECT_EQ(samples, 4321);
    EXPECT_TRUE(testseam::Shown().empty());
}

TEST_F(StartupTest, AboutShowsTheVersionAndOkHidesIt)
{
    about(Menu_Handle, MENUBAR_HELP_ABOUT, nullptr, panelBench);
    char text[1024] = "";
    GetCtrlVal(panelAbout, ABOUT_VERSION, text);
    EXPECT_STREQ(text, "Version: 2.0");
    EXPECT_EQ(Visible(panelAbout), 1);
    GetCtrlVal(panelAbout, ABOUT_DEVICE, text);
    EXPECT_STREQ(text, "Demo Card");
    CallCtrlCallback(panelAbout, ABOUT_OK, EVENT_VAL_CHANGED, 0, 0);
    EXPECT_EQ(Visible(panelAbout), 1);
    CallCtrlCallback(panelAbout, ABOUT_OK, EVENT_COMMIT, 0, 0);
    EXPECT_EQ(Visible(panelAbout), 0);
}

// ------------------------------------------------------------------ exit

class ExitTest : public BenchTest
{
  protected:
    // Runs one way out; returns the default setup file written.
    std::string Leave(void (*how)())
    {
        std::filesystem::remove(DefaultSetupPath());
        isScopeContOn = 1;
        isDigitalON = 1;
        how();
        EXPECT_EQ(isScopeContOn, 0);
        EXPECT_EQ(isDigitalON, 0);
        // The event loop was asked to end: the next run returns at once.
        EXPECT_EQ(RunUserInterface(), 0);
        return ReadAll(DefaultSetupPath());
    }
};

TEST_F(ExitTest, QuitCloseBoxAndMenuSaveTheSameCompleteSetup)
{
    SetCtrlVal(panelGene, GENE_FREQUENCY, 777.0);
    const std::string byQuit = Leave([] { CallCtrlCallback(panelBench, BENCH_QUIT, EVENT_COMMIT, 0, 0); });
    const std::string byCloseBox = Leave([] { testseam::PressCloseBox(panelBench); });
    const std::string byMenu = Leave([] { ActivateMenuItem(Menu_Handle, MENUBAR_FILE_EXIT); });
    EXPECT_EQ(CountLines(byQuit), 32);
    EXPECT_NE(byQuit.find("[FREQUENCY]=777.000000\r\n"), std::string::npos);
    EXPECT_EQ(byCloseBox, byQuit);
    EXPECT_EQ(byMenu, byQuit);
}

TEST_F(ExitTest, QuitActsOnlyOnCommit)
{
    std::filesystem::remove(DefaultSetupPath());
    isDigitalON = 1;
    quit(panelBench, BENCH_QUIT, EVENT_VAL_CHANGED, nullptr, 0, 0);
    EXPECT_EQ(isDigitalON, 1);
    EXPECT_FALSE(std::filesystem::exists(DefaultSetupPath()));
    isDigitalON = 0;
}

// ------------------------------------------------- the whole program

namespace
{

struct MainRun {
    int splashVisibleAtInit = -1;
    bool splashGoneBeforeLoop = false;
    unsigned long long splashShownAt = 0;
    unsigned long long splashWait = 0;
    std::vector<int> steps;
    int exitWay = 0; // 0 Quit button, 1 close box, 2 menu
};
MainRun run;

void LeaveFromTimer()
{
    isCal_Running = 0;
    testseam::Enable(true);
    switch (run.exitWay) {
    case 0:
        CallCtrlCallback(panelBench, BENCH_QUIT, EVENT_COMMIT, 0, 0);
        break;
    case 1:
        testseam::PressCloseBox(panelBench);
        break;
    default:
        ActivateMenuItem(Menu_Handle, MENUBAR_FILE_EXIT);
        break;
    }
}

void WatchStartup(int step)
{
    run.steps.push_back(step);
    if (step == 3)
        run.splashShownAt = testseam::ClockMs();
    if (step == 4)
        run.splashWait = testseam::ClockMs() - run.splashShownAt;
    if (step == 9)
        run.splashVisibleAtInit = Visible(panelSplash);
    if (step == 11)
        run.splashGoneBeforeLoop = (panelSplash == 0);
    if (step == 12) {
        // Leave from inside the running event loop, on the capture timer's
        // first tick.  Timers tick only outside test mode: the tick turns it
        // back on before anything else runs.
        captureRoutines.probeCalCapture = LeaveFromTimer;
        isCal_Running = 1;
        testseam::Enable(false);
        SetCtrlAttribute(panelBench, BENCH_CAPTURE_TIMER, ATTR_ENABLED, 1);
    }
}

class MainTest : public ::testing::TestWithParam<int>
{
  protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/korvax-main-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
        testseam::Enable(true);
        testseam::Reset();
        BenchState_Reset();
        Scope_Reset();
        Generator_Reset();
        Meters_Reset();
        Digital_Reset();
        run = MainRun();
        run.exitWay = GetParam();
        benchStartupHook = WatchStartup;
    }
    void TearDown() override
    {
        testseam::Enable(true);
        benchStartupHook = nullptr;
        captureRoutines = kDefaultCaptureRoutines;
        isCal_Running = 0;
        std::filesystem::remove_all(dir_);
    }
    std::string dir_;
};

} // namespace

TEST_P(MainTest, StartsShowsTheSplashRunsTheLoopAndSavesOnExit)
{
    char name[] = "korvax-bench";
    char *argv[] = {name, nullptr};
    EXPECT_EQ(Bench_Main(1, argv), 0);
    EXPECT_EQ(run.steps, (std::vector<int>{3, 4, 8, 9, 10, 11, 12}));
    EXPECT_GE(run.splashWait, 1000u);      // at least one second
    EXPECT_EQ(run.splashVisibleAtInit, 1); // still up when Init_System is done
    EXPECT_TRUE(run.splashGoneBeforeLoop);
    EXPECT_EQ(panelBench, 0); // torn down
    EXPECT_EQ(Toolbar, 0);
    const std::string saved = ReadAll(dir_ + "/korvax/KorvaxDemo.ini");
    EXPECT_EQ(CountLines(saved), 32);
    EXPECT_EQ(saved.rfind("[SCOPE_MODE]\r\n", 0), 0u);
    EXPECT_EQ(testseam::Failures(), 0);
}

INSTANTIATE_TEST_SUITE_P(ExitWays, MainTest, ::testing::Values(0, 1, 2));

TEST(MainProgram, ReturnsMinusOneWhenTheRuntimeCannotStart)
{
    // The bench beside this test, started without any display.
    if (!std::filesystem::exists("korvax-bench"))
        GTEST_SKIP() << "korvax-bench is not built beside the tests";
    const int status = std::system("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ./korvax-bench "
                                   ">/dev/null 2>&1");
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 255); // -1
}

TEST_F(StartupTest, EveryCallbackTheResourceFileBindsIsRegisteredOnce)
{
    char report[8192] = "";
    EXPECT_EQ(CheckResourceCallbacks(kResourceFile, report, sizeof report), 0) << report;
}
