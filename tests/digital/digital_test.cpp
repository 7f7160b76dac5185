// The digital analyzer on a whole bench.
#include "support/bench_fixture.h"

#include <cstdint>
#include <vector>

namespace
{

class DigitalTest : public BenchTest
{
  protected:
    void TearDown() override
    {
        isDigitalON = 0;
        isScopeStartOn = 0;
        BenchTest::TearDown();
    }
    static int TimerEnabled()
    {
        int enabled = -1;
        GetCtrlAttribute(panelBench, BENCH_CAPTURE_TIMER, ATTR_ENABLED, &enabled);
        return enabled;
    }
    static int TimeOutShown()
    {
        int visible = -1;
        GetCtrlAttribute(panelDig, DIG_TIMEOUT, ATTR_VISIBLE, &visible);
        return visible;
    }
    static void Start(int samples, double rate)
    {
        SetCtrlVal(panelDig, DIG_SAMPLES, samples);
        SetCtrlVal(panelDig, DIG_RATE, rate);
        ASSERT_EQ(OperateCtrl(panelDig, DIG_RUN, 1), 0);
        ASSERT_EQ(isDigitalON, 1);
    }
};

} // namespace

TEST_F(DigitalTest, SettingsGiveTheTimeOutAndTheTimeAxis)
{
    SetCtrlVal(panelDig, DIG_SAMPLES, 1000);
    SetCtrlVal(panelDig, DIG_RATE, 10000.0);
    SetCtrlVal(panelDig, DIG_TRIG_MASK, 40000);
    SetCtrlVal(panelDig, DIG_TRIG_MODE, 2);
    SetCtrlVal(panelDig, DIG_TRIG_PATTERN, 0x8001);
    ASSERT_EQ(Digital_Setting(), 0);
    EXPECT_EQ(dSamples, 1000);
    EXPECT_DOUBLE_EQ(dClockRate, 10000.0);
    EXPECT_EQ(numPortIn, 2);
    EXPECT_EQ(dScanCount, 2000);
    EXPECT_DOUBLE_EQ(dTimeOut, 5200.0);
    EXPECT_DOUBLE_EQ(dDigitalTimeStep, 0.0001);
    double gain = 0;
    GetCtrlAttribute(panelDig, DIG_GRAPH, ATTR_XAXIS_GAIN, &gain);
    EXPECT_DOUBLE_EQ(gain, 0.0001);
    EXPECT_EQ(dTriggerMask, 40000);
    EXPECT_EQ(dTriggerMode, 2);
    EXPECT_EQ(dTriggerPattern, 0x8001);
    EXPECT_EQ(dBufferIn.size(), 2000u);
    for (const auto &trace : plotDig)
        EXPECT_EQ(trace.size(), 2000u);
}

TEST_F(DigitalTest, EachBitBecomesItsLinesLevel)
{
    const uint8_t raw[2] = {0x05, 0x80};
    uint8_t levels[16][1];
    uint8_t *traces[16];
    for (int k = 0; k < 16; ++k)
        traces[k] = levels[k];
    Digital_SplitLines(raw, 1, traces);
    EXPECT_EQ(levels[0][0], 1);
    EXPECT_EQ(levels[1][0], 2);
    EXPECT_EQ(levels[2][0], 5);
    for (int k = 3; k <= 14; ++k)
        EXPECT_EQ(levels[k][0], 2 * k) << "line " << k;
    EXPECT_EQ(levels[15][0], 31);
}

TEST_F(DigitalTest, TheDemoCardCountsAcrossCaptures)
{
    Start(100, 10000000.0);
    Digital_Capture();
    // Line 0 toggles every sample, line 1 every two, line 3 every eight.
    EXPECT_EQ(plotDig[0][0], 0);
    EXPECT_EQ(plotDig[0][1], 1);
    EXPECT_EQ(plotDig[1][1], 2);
    EXPECT_EQ(plotDig[1][2], 3);
    EXPECT_EQ(plotDig[3][7], 6);
    EXPECT_EQ(plotDig[3][8], 7);
    EXPECT_EQ(plotDig[15][99], 30);
    int plots = 0;
    GetCtrlAttribute(panelDig, DIG_GRAPH, ATTR_NUM_PLOTS, &plots);
    EXPECT_EQ(plots, 16);
    // The next capture goes on from count 100 (binary 1100100).
    Digital_Capture();
    EXPECT_EQ(plotDig[2][0], 5);
    EXPECT_EQ(plotDig[5][0], 11);
    EXPECT_EQ(plotDig[6][0], 13);
    EXPECT_EQ(plotDig[0][0], 0);
    GetCtrlAttribute(panelDig, DIG_GRAPH, ATTR_NUM_PLOTS, &plots);
    EXPECT_EQ(plots, 16); // the graph is cleared before each capture
}

TEST_F(DigitalTest, TriggerSettingsDoNotChangeTheTraces)
{
    Start(64, 10000000.0);
    Digital_Capture();
    const std::vector<uint8_t> first(plotDig[4].begin(), plotDig[4].begin() + 64);
    SetCtrlVal(panelDig, DIG_TRIG_MASK, 0xFFFF);
    SetCtrlVal(panelDig, DIG_TRIG_PATTERN, 0x1234);
    OperateCtrl(panelDig, DIG_TRIG_MODE, 1);
    EXPECT_EQ(dTriggerMask, 0xFFFF);
    dSimulatedCount = 0;
    Digital_Capture();
    EXPECT_EQ(std::vector<uint8_t>(plotDig[4].begin(), plotDig[4].begin() + 64), first);
}

TEST_F(DigitalTest, ItStopsItselfWhenCapturesStopArriving)
{
    Start(1000, 10000.0); // time-out 5200 ms
    EXPECT_EQ(TimerEnabled(), 1);
    EXPECT_EQ(TimeOutShown(), 0);
    testseam::AdvanceClockMs(5199);
    Digital_Capture();
    EXPECT_EQ(isDigitalON, 1);
    // Each capture restarts the watch.
    testseam::AdvanceClockMs(5199);
    Digital_Capture();
    EXPECT_EQ(isDigitalON, 1);
    testseam::AdvanceClockMs(5200);
    Digital_Capture();
    EXPECT_EQ(isDigitalON, 0);
    EXPECT_EQ(TimeOutShown(), 1);
    EXPECT_EQ(TimerEnabled(), 1); // the timer stays enabled
    int run = 0;
    GetCtrlVal(panelDig, DIG_RUN, &run);
    EXPECT_EQ(run, 1); // the run switch keeps its position
    // Off and on again restarts it and hides the indicator.
    OperateCtrl(panelDig, DIG_RUN, 0);
    OperateCtrl(panelDig, DIG_RUN, 1);
    EXPECT_EQ(isDigitalON, 1);
    EXPECT_EQ(TimeOutShown(), 0);
}

TEST_F(DigitalTest, TheTimeOutSurvivesTheTickCountWrapping)
{
    testseam::SetClockMs(0xFFFFFFFFull - 1000); // 1 s before the 32-bit count wraps
    Start(1000, 10000.0);
    testseam::AdvanceClockMs(3000);
    Digital_Capture();
    EXPECT_EQ(isDigitalON, 1);
    testseam::AdvanceClockMs(6000);
    Digital_Capture();
    EXPECT_EQ(isDigitalON, 0);
}

TEST_F(DigitalTest, ClosingThePanelDoesNotStopIt)
{
    Display_Digital(Menu_Handle, MENUBAR_INSTRUMENTS_DIGITAL, nullptr, panelBench);
    int visible = 0;
    GetPanelAttribute(panelDig, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 1);
    Start(100, 10000000.0);
    CallCtrlCallback(panelDig, DIG_CLOSE, EVENT_COMMIT, 0, 0);
    GetPanelAttribute(panelDig, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 0);
    EXPECT_EQ(isDigitalON, 1);
    EXPECT_EQ(TimerEnabled(), 1);
}

TEST_F(DigitalTest, StoppingItStopsTheSharedTimerForTheScopeToo)
{
    isScopeStartOn = 1;
    SetCtrlAttribute(panelBench, BENCH_CAPTURE_TIMER, ATTR_ENABLED, 1);
    Start(100, 10000000.0);
    OperateCtrl(panelDig, DIG_RUN, 0);
    EXPECT_EQ(isDigitalON, 0);
    EXPECT_EQ(TimerEnabled(), 0);
    EXPECT_EQ(isScopeStartOn, 1); // still on, but no tick reaches it
}

TEST_F(DigitalTest, TheScopesStopDoesNotFreezeIt)
{
    // The scope and the analyzer run together; the scope stops, by its Stop
    // button or at the end of a single shot.
    Start(100, 10000000.0);
    for (int way = 0; way < 2; ++way) {
        isScopeStartOn = 1;
        if (way == 0) {
            void *stop = reinterpret_cast<void *>(static_cast<intptr_t>(3)); // the Stop item's callback data
            GoStopCallback(panelScope, 0, EVENT_COMMIT, stop, 0, 0);
        } else
            Scope_EndRun();
        EXPECT_EQ(isScopeStartOn, 0) << way;
        // The analyzer, still on, keeps its ticks: its Run switch tells the truth.
        EXPECT_EQ(TimerEnabled(), 1) << way;
        const uint16_t count = dSimulatedCount;
        CaptureTimer(panelBench, BENCH_CAPTURE_TIMER, EVENT_TIMER_TICK, nullptr, 0, 0);
        EXPECT_EQ(static_cast<uint16_t>(dSimulatedCount - count), 100) << way;
    }
    // Nothing runs any more: the timer stops.
    OperateCtrl(panelDig, DIG_RUN, 0);
    EXPECT_EQ(TimerEnabled(), 0);
}

TEST_F(DigitalTest, SettingChangesApplyOnlyWhileRunning)
{
    SetCtrlVal(panelDig, DIG_SAMPLES, 500);
    OperateCtrl(panelDig, DIG_SAMPLES, 500);
    EXPECT_EQ(dScanCount, 0); // off: nothing read
    Start(500, 10000000.0);
    EXPECT_EQ(dScanCount, 1000);
    OperateCtrl(panelDig, DIG_SAMPLES, 2000);
    EXPECT_EQ(dSamples, 2000);
    EXPECT_EQ(dScanCount, 4000);
    EXPECT_EQ(isDigitalON, 1);
    Digital_Capture();
    EXPECT_EQ(plotDig[0][1999], 1);
}

TEST_F(DigitalTest, ACaptureNeverReadsBeyondItsBuffers)
{
    Start(100, 10000000.0);
    dSamples = 1000000; // changed behind the analyzer's back
    Digital_Capture();  // draws the 100 samples it has buffers for
    int plots = 0;
    GetCtrlAttribute(panelDig, DIG_GRAPH, ATTR_NUM_PLOTS, &plots);
    EXPECT_EQ(plots, 16);
    Digital_Reset(); // no buffers at all
    isDigitalON = 1;
    ticks_digital = GetTickCount();
    dTimeOut = 5000.0;
    Digital_Capture();
    EXPECT_EQ(isDigitalON, 1);
}

TEST_F(DigitalTest, TheDeviceRingSelectsTheDevice)
{
    device = 7;
    CallCtrlCallback(panelDig, DIG_DEVICE, EVENT_COMMIT, 0, 0);
    EXPECT_EQ(device, 1);
    char title[256] = "";
    GetPanelAttribute(panelBench, ATTR_TITLE, title);
    EXPECT_STREQ(title, "Korvax Demo 2.0");
}
