// The probe-calibration tool: configuration, the captured signal, the timer.
#include <cmath>
#include <vector>

#include "support/bench_fixture.h"

namespace
{

class ProbeCalTest : public BenchTest
{
  protected:
    static int CaptureTimerEnabled()
    {
        int on = -1;
        GetCtrlAttribute(panelBench, BENCH_CAPTURE_TIMER, ATTR_ENABLED, &on);
        return on;
    }
    static int CalPlotLength()
    {
        int count = -1;
        if (GetPlotData(panelCal, CAL_GRAPH, calPlot, nullptr, 0, &count) < 0)
            return -1;
        return count;
    }
};

TEST_F(ProbeCalTest, StartConfiguresGeneratorAndAcquisition)
{
    Probe_Calibration(Menu_Handle, MENUBAR_INSTRUMENTS_PROBE_CAL, nullptr, panelBench);
    ASSERT_EQ(OperateCtrl(panelCal, CAL_START, 0), 0);

    EXPECT_EQ(isCal_Running, 1);
    EXPECT_EQ(CaptureTimerEnabled(), 1);
    EXPECT_DOUBLE_EQ(oFrequency, 1000.0);
    EXPECT_EQ(oPeriod, 16384);
    EXPECT_EQ(oSamples, 32768);
    EXPECT_DOUBLE_EQ(oClockRate, 16.384e6);
    EXPECT_EQ(numChanOut, 1);
    EXPECT_DOUBLE_EQ(oRange[0], 5.0);
    EXPECT_DOUBLE_EQ(oChan[0].amplitude, 5.0);
    EXPECT_DOUBLE_EQ(iClockRate, 2000000.0);
    EXPECT_EQ(iSamples, 8192);
    EXPECT_EQ(iScanCount, 8192);
    EXPECT_EQ(numChanIn, 1);
    EXPECT_DOUBLE_EQ(iRange[0], 2.0);
    EXPECT_EQ(iChannel[0], 0);

    double gain = 0.0;
    GetCtrlAttribute(panelCal, CAL_GRAPH, ATTR_XAXIS_GAIN, &gain);
    EXPECT_DOUBLE_EQ(gain, 0.5e-6);
    EXPECT_DOUBLE_EQ(gain * (iSamples / 2), 2.048e-3);
}

TEST_F(ProbeCalTest, SquareWaveIsHighForTheFirstHalfOfEachPeriod)
{
    ASSERT_EQ(Cal_Setting(), 0);
    ASSERT_NE(vCalBufferOut, nullptr);
    for (int i = 0; i < oSamples; ++i)
        ASSERT_DOUBLE_EQ(vCalBufferOut[i], (i % 16384) < 8192 ? 5.0 : -5.0) << i;
    EXPECT_NEAR(vCalPhase, 0.0, 1e-9);
}

TEST_F(ProbeCalTest, CaptureDrawsHalfTheRecordOfTheProbeSignal)
{
    ASSERT_EQ(OperateCtrl(panelCal, CAL_START, 0), 0);
    const unsigned long long before = testseam::ClockMs();
    Probe_Cal_Capture();
    EXPECT_EQ(testseam::ClockMs() - before, 200u); // the pause, on the manual clock
    EXPECT_DOUBLE_EQ(ticks_scope, static_cast<double>(static_cast<unsigned>(before)));
    EXPECT_EQ(iOffset, 0);

    ASSERT_EQ(CalPlotLength(), 4096);
    std::vector<double> y(4096);
    int count = 0;
    GetPlotData(panelCal, CAL_GRAPH, calPlot, y.data(), 4096, &count);
    // 2 MHz: 1000 samples high, 1000 low, plus at most 0.01 V of noise.
    for (int i = 0; i < 4096; ++i) {
        if (i % 1000 == 0 || i % 1000 == 999)
            continue; // an edge: the accumulated phase decides its side
        const double expected = (i % 2000) < 1000 ? 5.0 : -5.0;
        ASSERT_NEAR(y[i], expected, 0.0101) << i;
    }
}

TEST_F(ProbeCalTest, StartingTwiceReplacesTheBuffers)
{
    ASSERT_EQ(OperateCtrl(panelCal, CAL_START, 0), 0);
    Probe_Cal_Capture();
    ASSERT_EQ(OperateCtrl(panelCal, CAL_START, 0), 0);
    ASSERT_NE(vCalBufferIn, nullptr);
    ASSERT_NE(vCalBufferOut, nullptr);
    Probe_Cal_Capture(); // uses the new buffers (a stale one would trip the sanitizer)
    EXPECT_EQ(CalPlotLength(), 4096);
    EXPECT_EQ(isCal_Running, 1);
}

TEST_F(ProbeCalTest, CaptureStaysInsideItsBufferWhenTheScopeChangesTheRecord)
{
    ASSERT_EQ(Cal_Setting(), 0);
    iSamples = 1000000;
    numChanIn = 4;
    Probe_Cal_Capture();
    EXPECT_EQ(CalPlotLength(), 8192);
}

TEST_F(ProbeCalTest, CaptureBeforeAnyStartDrawsNothing)
{
    Probe_Cal_Capture();
    int plots = -1;
    GetCtrlAttribute(panelCal, CAL_GRAPH, ATTR_NUM_PLOTS, &plots);
    EXPECT_EQ(plots, 0);
}

// A capture tick that arrives during the pause of a capture (the pause lets
// events run) must not start a second capture inside the first.
int nestedCalls = 0;
int PauseWithATick(double seconds)
{
    if (nestedCalls++ == 0)
        CaptureTimer(panelBench, BENCH_CAPTURE_TIMER, EVENT_TIMER_TICK, nullptr, 0, 0);
    return Delay(seconds);
}

TEST_F(ProbeCalTest, TickDuringThePauseStartsNoSecondCapture)
{
    ASSERT_EQ(OperateCtrl(panelCal, CAL_START, 0), 0);
    ASSERT_EQ(isCal_Running, 1);
    nestedCalls = 0;
    calPause = PauseWithATick;
    const unsigned long long before = testseam::ClockMs();
    Probe_Cal_Capture();
    calPause = Delay;
    EXPECT_EQ(nestedCalls, 1);
    // One capture: one pause, one plot, the one the outer capture drew.
    EXPECT_EQ(testseam::ClockMs() - before, 200u);
    int plots = -1;
    GetCtrlAttribute(panelCal, CAL_GRAPH, ATTR_NUM_PLOTS, &plots);
    EXPECT_EQ(plots, 1);
    EXPECT_EQ(CalPlotLength(), 4096);
    // Once it is over, the next tick captures again.
    Probe_Cal_Capture();
    EXPECT_EQ(testseam::ClockMs() - before, 400u);
}

TEST_F(ProbeCalTest, GeneratorPanelShowsTheCalibrationSignalInForce)
{
    // The generator runs a 1 V sine at 2 kHz when the calibration starts.
    SetCtrlVal(panelGene, GENE_FREQUENCY, 2000.0);
    SetCtrlVal(panelGene, GENE_CH1_AMPLITUDE, 1.0);
    SetCtrlVal(panelGene, GENE_CH1_TYPE, 0);
    ASSERT_EQ(OperateCtrl(panelGene, GENE_CH1_SWITCH, 1), 0);
    ASSERT_DOUBLE_EQ(oChan[0].amplitude, 1.0);

    ASSERT_EQ(OperateCtrl(panelCal, CAL_START, 0), 0);
    double amplitude = 0.0, frequency = 0.0;
    GetCtrlVal(panelGene, GENE_CH1_AMPLITUDE, &amplitude);
    GetCtrlVal(panelGene, GENE_FREQUENCY, &frequency);
    EXPECT_DOUBLE_EQ(amplitude, 5.0);
    EXPECT_DOUBLE_EQ(frequency, 1000.0);
    EXPECT_DOUBLE_EQ(oChan[0].amplitude, 5.0);
    EXPECT_DOUBLE_EQ(oFrequency, 1000.0);
    // The running generator's output and graph follow: a 5 V sine, 1 kHz.
    ASSERT_NE(vBufferOut1, nullptr);
    EXPECT_EQ(oPeriod, 16384);
    EXPECT_NEAR(vBufferOut1[oPeriod / 4], 5.0, 1e-9);
    EXPECT_DOUBLE_EQ(oRange[0], 5.0);

    // A later generator update keeps what the panel shows.
    ASSERT_EQ(OperateCtrl(panelGene, GENE_CH1_PHASE, 0.0), 0);
    EXPECT_DOUBLE_EQ(oChan[0].amplitude, 5.0);
    EXPECT_DOUBLE_EQ(oFrequency, 1000.0);
}

TEST_F(ProbeCalTest, ClosingLeavesARunningDigitalAnalyzerItsTimer)
{
    ASSERT_EQ(OperateCtrl(panelCal, CAL_START, 0), 0);
    ASSERT_EQ(OperateCtrl(panelDig, DIG_RUN, 1), 0);
    ASSERT_EQ(isDigitalON, 1);
    ASSERT_EQ(OperateCtrl(panelCal, CAL_CLOSE, 0), 0);
    EXPECT_EQ(isCal_Running, 0);
    EXPECT_EQ(CaptureTimerEnabled(), 1);
    ASSERT_EQ(OperateCtrl(panelDig, DIG_RUN, 0), 0);
    EXPECT_EQ(CaptureTimerEnabled(), 0);
}

TEST_F(ProbeCalTest, CloseDisablesTheSharedCaptureTimer)
{
    Probe_Calibration(Menu_Handle, MENUBAR_INSTRUMENTS_PROBE_CAL, nullptr, panelBench);
    ASSERT_EQ(OperateCtrl(panelCal, CAL_START, 0), 0);
    isScopeStartOn = 1; // the scope was running too
    ASSERT_EQ(OperateCtrl(panelCal, CAL_CLOSE, 0), 0);
    EXPECT_EQ(isCal_Running, 0);
    EXPECT_EQ(CaptureTimerEnabled(), 0);
    int visible = 1;
    GetPanelAttribute(panelCal, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 0);
    isScopeStartOn = 0;
}

TEST_F(ProbeCalTest, OpeningClearsTheCompetingModes)
{
    isStreamingRAMEnabled = 1;
    isStreamingRAMOn = 1;
    isDigitalON = 1;
    isZoom_On = 1;
    Aux_BNC = 2;
    Probe_Calibration(Menu_Handle, MENUBAR_INSTRUMENTS_PROBE_CAL, nullptr, panelBench);
    EXPECT_EQ(isStreamingRAMEnabled, 0);
    EXPECT_EQ(isStreamingRAMOn, 0);
    EXPECT_EQ(isDigitalON, 0);
    EXPECT_EQ(isZoom_On, 0);
    EXPECT_EQ(Aux_BNC, 0);
    EXPECT_EQ(isCal_Running, 0);
    int visible = 0;
    GetPanelAttribute(panelCal, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 1);
}

} // namespace
