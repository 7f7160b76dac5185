// Simulated input and normal capture: the trigger model, pre-trigger
// samples, trigger line, averaging, filter failures, the end of a run.
#include <cmath>

#include "analysis/errors.h"
#include "analysis/fir.h"
#include "test_capture_support.h"

using namespace acqtest;

namespace
{

constexpr double kPi = 3.14159265358979323846;

class CaptureTest : public AcqTest
{
  protected:
    // One single shot of slot records at 100 kHz (100 samples per period of
    // the 1 kHz generator).
    void Shoot(int record = 4096, int source = 0, int slope = 1, int pre = 0)
    {
        Scope(record, 100000.0, source, slope, pre);
        ASSERT_EQ(OneShot(), 0);
        Tick();
    }
};

TEST_F(CaptureTest, TriggeredSineStartsAtZeroOnTheChosenSlope)
{
    Shoot(4096, 0, 1);
    const double *r = vBufferIn[0];
    for (int p = 0; p < 4096; ++p)
        ASSERT_NEAR(r[p], std::sin(2.0 * kPi * p / 100.0), 0.0100001) << p;
    EXPECT_GT(r[5], r[0]);

    Shoot(4096, 0, 0);
    r = vBufferIn[0];
    for (int p = 0; p < 4096; ++p)
        ASSERT_NEAR(r[p], -std::sin(2.0 * kPi * p / 100.0), 0.0100001) << p;
    EXPECT_LT(r[5], r[0]);
    // Every slot sees the same generator.
    EXPECT_NEAR(vBufferIn[3][25], -1.0, 0.0100001);
}

TEST_F(CaptureTest, DcLevelIsNotInvertedByTheFallingSlope)
{
    Generator(5, 0.75, 1000.0, 0.25);
    Shoot(2048, 0, 0);
    for (int p = 0; p < 2048; ++p)
        ASSERT_NEAR(vBufferIn[1][p], 1.0, 0.0100001) << p;
}

TEST_F(CaptureTest, FreeRunningRecordsStartAtDifferentPhases)
{
    Shoot(2048, 100);
    const double first = vBufferIn[0][0];
    const double firstSlope = vBufferIn[0][3] - vBufferIn[0][0];
    Tick(); // the run has ended: nothing new
    Shoot(2048, 100);
    const double second = vBufferIn[0][0];
    const double secondSlope = vBufferIn[0][3] - vBufferIn[0][0];
    EXPECT_TRUE(std::fabs(first - second) > 0.05 || (firstSlope > 0) != (secondSlope > 0));
    // Within one record the slots run free as well.
    EXPECT_GT(std::fabs(vBufferIn[0][0] - vBufferIn[1][0]) + std::fabs(vBufferIn[0][7] - vBufferIn[1][7]),
              0.05);
}

TEST_F(CaptureTest, GeneratorNoiseAndOffsetAreAdded)
{
    Generator(0, 1.0, 1000.0, 0.5, 1);
    Shoot(4096);
    double worst = 0.0, sum = 0.0;
    for (int p = 0; p < 4096; ++p) {
        const double error = vBufferIn[0][p] - std::sin(2.0 * kPi * p / 100.0) - 0.5;
        worst = std::fmax(worst, std::fabs(error));
        sum += error;
    }
    EXPECT_LE(worst, 0.1100001);
    EXPECT_GT(worst, 0.05);
    EXPECT_NEAR(sum / 4096, 0.0, 0.01);
}

TEST_F(CaptureTest, PreTriggerSamplesContinueTheWaveformBackwards)
{
    Shoot(4096, 0, 1, 1000);
    EXPECT_EQ(iOffset, -1000);
    const double *r = vBufferIn[0];
    for (int p = -1000; p < 4096; ++p)
        ASSERT_NEAR(r[p], std::sin(2.0 * kPi * p / 100.0), 0.0100001) << p;
    // The window starts 1000 samples before the trigger point.
    const std::vector<double> shown = PlotValues(SCOPE_TIMEGRAPH, plot[0]);
    ASSERT_EQ(shown.size(), 4096u);
    EXPECT_NEAR(shown[0], VerticalScale[0] * r[-1000] + VerticalOffset[0], 1e-12);
    EXPECT_NEAR(shown[1000], VerticalScale[0] * r[0] + VerticalOffset[0], 1e-12);
    EXPECT_EQ(Trigger_Point, 1000);
}

// The pre-trigger stretch is the waveform before the trigger point, in
// time order: with a stretch that is not a whole number of periods, samples
// that ran forwards from the trigger phase would be off by a fraction of a
// period.
TEST_F(CaptureTest, PreTriggerSamplesOfAFractionalNumberOfPeriods)
{
    struct Case {
        double frequency; // Hz, at 100 kHz
        int pre;
        int slope;
    };
    for (const Case c : {Case{1000.0, 1025, 1}, Case{1000.0, 1030, 0}, Case{1234.5, 777, 1}}) {
        Generator(0, 1.0, c.frequency);
        Shoot(2048, 0, c.slope, c.pre);
        ASSERT_EQ(iOffset, -c.pre);
        const double sign = c.slope ? 1.0 : -1.0;
        const double *r = vBufferIn[0];
        for (int p = -c.pre; p < 2048; ++p)
            ASSERT_NEAR(r[p], sign * std::sin(2.0 * kPi * c.frequency * p / 100000.0), 0.0100001)
                << c.frequency << " Hz, " << c.pre << " pre-samples, position " << p;
        // Just before the trigger point a rising sine is below zero and
        // climbing; a falling one above zero and dropping.
        EXPECT_LT(sign * r[-5], -0.2);
        EXPECT_LT(sign * r[-10], sign * r[-5]);
    }
}

TEST_F(CaptureTest, PreTriggerCaptureWithZoomAveragingAndScrollStaysInside)
{
    // Run under the address sanitizer: every access of drawing, zoom,
    // measurement and averaging must lie inside the buffers.
    Averaging(2);
    Scope(2048, 100000.0, 0, 1, 2047);
    ASSERT_EQ(OneShot(), 0);
    isZoom_On = 1;
    SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 1, 2040.0, 0.0);
    SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 2, 2047.0, 0.0);
    for (int i = 0; i < 3; ++i)
        Tick();
    EXPECT_EQ(isScopeStartOn, 0);
    EXPECT_EQ(Zoom_Width, 10);
    EXPECT_EQ(Zoom_Start, 2040);
    EXPECT_EQ(NumPlots(SCOPE_ZOOMGRAPH), 4);
    ScrollBarCallback(panelScope, SCOPE_SCROLLBAR, SB_EVENT_JUMP, nullptr, 2048, 0);
    EXPECT_LE(Scroll_Value + Scroll_Thumb_Size, 2048);
}

TEST_F(CaptureTest, ZoomAreaFollowsTheCursors)
{
    Scope(2048, 100000.0);
    ASSERT_EQ(OneShot(), 0);
    isZoom_On = 1;
    SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 1, 105.7, 0.0);
    SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 2, 100.2, 0.0);
    Tick();
    EXPECT_EQ(Zoom_Start, 100);
    EXPECT_EQ(Zoom_Width, 10);
    double offset = 0.0;
    GetCtrlAttribute(panelScope, SCOPE_ZOOMGRAPH, ATTR_XAXIS_OFFSET, &offset);
    EXPECT_DOUBLE_EQ(offset, 1e-5 * 100);
    int plots = 0;
    GetCtrlAttribute(panelScope, SCOPE_ZOOMGRAPH, ATTR_NUM_PLOTS, &plots);
    ASSERT_EQ(plots, 4);
}

TEST_F(CaptureTest, TriggerLinePositions)
{
    ScopeTriggerLine(panelScope, kToolbarTriggerLine, EVENT_COMMIT, Data(1), 1, 0);
    ASSERT_EQ(is_TriggerLineON, 1);
    struct Case {
        int pre, scroll, thumb, expected;
    } cases[] = {{100, 0, 4096, 100},
                 {110, 100, 1024, 9},
                 {50, 100, 1024, 0},
                 {4000, 0, 1024, 1023},
                 {111, 100, 1024, 11}};
    for (const Case &c : cases) {
        Scope(8192, 100000.0, 0, 1, c.pre);
        ASSERT_EQ(OneShot(), 0);
        Scroll_Value = c.scroll;
        Scroll_Thumb_Size = c.thumb;
        Tick();
        EXPECT_EQ(Trigger_Point, c.expected) << c.pre << " " << c.scroll;
        double x = -1.0, y = -1.0;
        GetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 8, &x, &y);
        EXPECT_DOUBLE_EQ(x, c.expected);
    }
}

TEST_F(CaptureTest, AveragingOfFourInOneShotShowsOnePictureOfTheAverage)
{
    Scope(2048, 100000.0);
    Averaging(4);
    ASSERT_EQ(OneShot(), 0);
    std::vector<double> sum(2048 + 16384, 0.0);
    for (int tick = 1; tick <= 4; ++tick) {
        Tick();
        EXPECT_EQ(isScopeStartOn, 1) << tick;
        EXPECT_EQ(count_acq[0], tick);
        EXPECT_EQ(NumPlots(SCOPE_TIMEGRAPH), 0) << tick;
        for (int p = 0; p < 2048; ++p)
            sum[p] += vBufferIn[0][p];
    }
    Tick();
    EXPECT_EQ(isScopeStartOn, 0);
    EXPECT_EQ(count_acq[0], 0);
    EXPECT_EQ(NumPlots(SCOPE_TIMEGRAPH), 4);
    for (int p = 0; p < 2048; ++p)
        ASSERT_NEAR(vAverageSave[0][p], sum[p] / 4, 1e-12) << p;
    // The average of fresh records: the noise has shrunk, the sine is there.
    for (int p = 0; p < 2048; ++p)
        ASSERT_NEAR(vAverageSave[0][p], std::sin(2.0 * kPi * p / 100.0), 0.0100001) << p;
    const std::vector<double> shown = PlotValues(SCOPE_TIMEGRAPH, plot[0]);
    ASSERT_EQ(shown.size(), 2048u);
    EXPECT_NEAR(shown[30], vAverageSave[0][30] + VerticalOffset[0], 1e-12);
    EXPECT_EQ(TimerEnabled(), 0);
}

TEST_F(CaptureTest, AveragingCountBelowOneCountsAsOne)
{
    Scope(2048, 100000.0);
    Averaging(2);
    average_count = 0; // as a damaged setup file could leave it
    ASSERT_EQ(OneShot(), 0);
    Tick();
    Tick();
    EXPECT_EQ(isScopeStartOn, 0);
    for (int p = 0; p < 2048; p += 97)
        ASSERT_TRUE(std::isfinite(vAverageSave[0][p]));
}

TEST_F(CaptureTest, FilterDesignFailureStopsTheRunWithOnePopupPerDrawnSlot)
{
    SetCtrlVal(panelFilter, FILTER_ONOFF, 1);
    SetCtrlVal(panelFilter, FILTER_LOW_FREQ, 90000.0); // above half of 100 kHz
    Close_Filter(panelFilter, FILTER_CLOSE, EVENT_COMMIT, nullptr, 0, 0);
    Channels({1, 2, 4});
    Scope(2048, 100000.0);
    ASSERT_EQ(Continuous(), 0);
    Tick();
    const std::vector<std::string> shown = Popups();
    ASSERT_EQ(shown.size(), 3u);
    for (const std::string &popup : shown)
        EXPECT_EQ(popup, std::string("Error|") + GetAnalysisErrorString(-20020));
    EXPECT_EQ(isScopeStartOn, 0);
    EXPECT_EQ(isScopeContOn, 0);
    EXPECT_EQ(isScopeStopOn, 1);
    EXPECT_EQ(Dimmed(kToolbarOneShot), 0);
    EXPECT_EQ(Dimmed(kToolbarStop), 1);
    EXPECT_EQ(TimerEnabled(), 0);
    EXPECT_EQ(NumPlots(SCOPE_TIMEGRAPH), 0);
}

TEST_F(CaptureTest, FilterRunsOverTheWholeRecordInPlace)
{
    SetCtrlVal(panelFilter, FILTER_ONOFF, 1);
    SetCtrlVal(panelFilter, FILTER_TYPE, 0);
    SetCtrlVal(panelFilter, FILTER_LOW_FREQ, 5000.0);
    SetCtrlVal(panelFilter, FILTER_TAPS, 31);
    isFilterON = 1;
    Scope(2048, 100000.0);
    ASSERT_EQ(OneShot(), 0);
    ResetAnalysisRandomState();
    std::vector<double> raw(2048);
    // The same record unfiltered, then convolved here.
    ASSERT_EQ(Scope_SynthesizeRecord(raw.data(), 0, 2048, 1, 100000.0, 0.01), 0);
    std::vector<double> coef(31), full(2048 + 30);
    ASSERT_EQ(FIR_Coef(0, 100000.0, 5000.0, 10000.0, 31, coef.data()), 0);
    ASSERT_EQ(Convolve(raw.data(), 2048, coef.data(), 31, full.data()), 0);
    ResetAnalysisRandomState();
    oChan[0].phase = 0.0;
    Tick();
    for (int p = 0; p < 2048; ++p)
        ASSERT_EQ(vBufferIn[0][p], full[p]) << p;
    // A long record is filtered block by block with the same result.
    std::vector<double> longRecord(300000), reference(300000 + 30);
    for (int i = 0; i < 300000; ++i)
        longRecord[i] = std::sin(i * 0.01) + (i % 7) * 0.001;
    ASSERT_EQ(Convolve(longRecord.data(), 300000, coef.data(), 31, reference.data()), 0);
    ASSERT_EQ(Scope_FilterRecord(longRecord.data(), 300000, 100000.0), 0);
    for (int i = 0; i < 300000; ++i)
        ASSERT_EQ(longRecord[i], reference[i]) << i;
}

TEST_F(CaptureTest, EndOfASingleShotRestoresTheIdleToolbar)
{
    Scope(2048, 100000.0);
    ASSERT_EQ(OneShot(), 0);
    EXPECT_EQ(TimerEnabled(), 1);
    Tick();
    EXPECT_EQ(isScopeStartOn, 0);
    EXPECT_EQ(TimerEnabled(), 0);
    EXPECT_EQ(Dimmed(kToolbarSave), 0);
    EXPECT_EQ(Dimmed(kToolbarOneShot), 0);
    EXPECT_EQ(Dimmed(kToolbarContinuous), 0);
    EXPECT_EQ(Dimmed(kToolbarStop), 1);
    EXPECT_EQ(loop, 1);
    char status[64] = "";
    GetCtrlVal(panelScope, SCOPE_STATUS, status);
    EXPECT_STREQ(status, " Ready");
}

TEST_F(CaptureTest, ContinuousRunKeepsGoingWithArmedStatus)
{
    Scope(2048, 100000.0);
    ASSERT_EQ(Continuous(), 0);
    testseam::AdvanceClockMs(250);
    Tick();
    Tick();
    EXPECT_EQ(isScopeStartOn, 1);
    EXPECT_EQ(loop, 2);
    EXPECT_DOUBLE_EQ(ticks_scope, static_cast<double>(GetTickCount()));
    char status[64] = "";
    GetCtrlVal(panelScope, SCOPE_STATUS, status);
    EXPECT_STREQ(status, "Armed");
    EXPECT_EQ(NumPlots(SCOPE_TIMEGRAPH), 4);
}

TEST_F(CaptureTest, ParametersAreThoseOfTheChosenSlot)
{
    Generator(5, 1.5, 1000.0);
    Channels({1, 2, 4}); // slot 2 is acquired but never synthesised
    SetCtrlVal(panelScope, SCOPE_PARAMETER_CHANNEL, 2);
    Shoot(2048);
    double mean = -1.0;
    GetCtrlVal(panelScope, SCOPE_PARAM_MEAN, &mean);
    EXPECT_EQ(mean, 0.0);
    SetCtrlVal(panelScope, SCOPE_PARAMETER_CHANNEL, 1);
    Shoot(2048);
    GetCtrlVal(panelScope, SCOPE_PARAM_MEAN, &mean);
    EXPECT_NEAR(mean, 1500.0, 10.0);
}

TEST_F(CaptureTest, SynthesisForOtherInstrumentsFollowsTheSameModel)
{
    std::vector<double> out(1000);
    trigger_source = 0;
    trigger_slope = 1;
    ASSERT_EQ(Scope_SynthesizeInput(out.data(), 1000, 100000.0, 0.0), 0);
    for (int p = 0; p < 1000; ++p)
        ASSERT_NEAR(out[p], std::sin(2.0 * kPi * p / 100.0), 1e-9);
    // Ten whole periods: the phase is back at the start.
    EXPECT_LT(std::fmin(oChan[0].phase, 360.0 - oChan[0].phase), 1e-6);
    EXPECT_EQ(Scope_SynthesizeInput(out.data(), 0, 100000.0, 0.0), -1);
    Generator(6, 1.0, 1000.0, 0.25);
    ASSERT_EQ(Scope_SynthesizeInput(out.data(), 1000, 100000.0, 0.0), 0);
    EXPECT_DOUBLE_EQ(out[500], 0.25);
}

} // namespace
