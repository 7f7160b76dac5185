// Streaming capture to RAM: the decimated record, its sizes and time base,
// the filter on kept samples, the trigger line and the end of a stream.
#include <cmath>

#include "analysis/errors.h"
#include "analysis/fir.h"
#include "test_capture_support.h"

using namespace acqtest;

namespace
{

class StreamingTest : public AcqTest
{
  protected:
    // The stream as the card's model defines it: the whole record at the
    // full rate, every n-th sample kept, acquisition noise on the kept ones.
    static std::vector<double> Reference(int n, int decimation, double rate)
    {
        ResetAnalysisRandomState();
        std::vector<double> full(n), noise(n);
        double phase = 0.0;
        const double a = oChan[0].amplitude;
        EXPECT_EQ(SineWave(n, a, oFrequency / rate, &phase, full.data()), 0);
        for (double &v : full)
            v += oChan[0].offset;
        if (oChan[0].noise) {
            EXPECT_EQ(WhiteNoise(n, 0.1 * a, 0, noise.data()), 0);
            for (int i = 0; i < n; ++i)
                full[i] += noise[i];
        }
        const int kept = n / decimation;
        std::vector<double> out(kept), acquisition(kept);
        for (int j = 0; j < kept; ++j)
            out[j] = full[static_cast<size_t>(j) * decimation];
        EXPECT_EQ(WhiteNoise(kept, 0.01, 0, acquisition.data()), 0);
        for (int j = 0; j < kept; ++j)
            out[j] += acquisition[j];
        return out;
    }

    void Stream(int record, double rate, int decimation)
    {
        Streaming(decimation);
        Scope(record, rate);
        ASSERT_EQ(OneShot(), 0);
        ResetAnalysisRandomState();
        oChan[0].phase = 0.0;
        Tick();
    }
};

TEST_F(StreamingTest, DecimationOneEqualsANormalRecordOfTheSameLength)
{
    Channels({1});
    Generator(1, 0.8, 3300.0, 0.1, 1);
    Scope(8192, 1000000.0);
    ASSERT_EQ(OneShot(), 0);
    ResetAnalysisRandomState();
    Tick();
    const std::vector<double> normal(vBufferIn[0], vBufferIn[0] + 8192);

    Stream(8192, 1000000.0, 1);
    EXPECT_EQ(RequestedSamples, 8192);
    for (int p = 0; p < 8192; ++p)
        ASSERT_EQ(vBufferIn[0][p], normal[p]) << p;
}

TEST_F(StreamingTest, KeptSamplesAreThoseOfTheFullRecordWithoutHoldingIt)
{
    Channels({1});
    Generator(0, 0.5, 1234.5, 1.0, 1);
    Stream(65536 + 2048, 1000000.0, 7);
    const std::vector<double> expected = Reference(65536 + 2048, 7, 1000000.0);
    ASSERT_EQ(RequestedSamples, static_cast<int>(expected.size()));
    for (size_t j = 0; j < expected.size(); ++j) {
        ASSERT_NEAR(vBufferIn[0][j], expected[j], 1e-12) << j;
        // The generator offset is carried by every kept sample.
        ASSERT_GT(vBufferIn[0][j], 1.0 - 0.5 - 0.05 - 0.01 - 1e-9);
    }
}

TEST_F(StreamingTest, MegaSampleStreamAtDecimationFour)
{
    Channels({1});
    Stream(1048576, 1000000.0, 4);
    EXPECT_EQ(RequestedSamples, 262144);
    EXPECT_TRUE(Scope_BufferHolds(0, 262144));
    EXPECT_FALSE(Scope_BufferHolds(0, 262145));
    EXPECT_DOUBLE_EQ(dTimeStep, 4e-6);
    int box = 0;
    GetCtrlVal(panelScope, SCOPE_RECORD_LENGTH, &box);
    EXPECT_EQ(box, 1048576);
    EXPECT_EQ(Scroll_Max, 262144);
    EXPECT_EQ(PlotValues(SCOPE_TIMEGRAPH, plot[0]).size(), 262144u);
    // 1 kHz at 4 us per kept sample: 250 kept samples per period.
    EXPECT_NEAR(vBufferIn[0][62], 1.0, 0.011);
    EXPECT_NEAR(vBufferIn[0][188], -1.0, 0.011);

    // The next start reads the undecimated length again.
    ASSERT_EQ(OneShot(), 0);
    EXPECT_EQ(iSamples, 1048576);
}

TEST_F(StreamingTest, TriggerLineCountsDecimatedSamples)
{
    Channels({1});
    ScopeTriggerLine(panelScope, kToolbarTriggerLine, EVENT_COMMIT, Data(1), 1, 0);
    Streaming(4);
    Scope(16384, 1000000.0, 0, 1, 1000);
    ASSERT_EQ(OneShot(), 0);
    Scroll_Thumb_Size = 1024;
    Scroll_Value = 200;
    Tick();
    EXPECT_EQ(Trigger_Point, 200);
    double x = 0.0, y = 0.0;
    GetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 8, &x, &y);
    EXPECT_DOUBLE_EQ(x, 200.0);
    EXPECT_EQ(iOffset, 0);
}

TEST_F(StreamingTest, FilterRunsOnKeptSamplesDesignedForTheFullRate)
{
    Channels({1});
    Generator(0, 1.0, 20000.0);
    Stream(32768, 1000000.0, 4);
    const std::vector<double> unfiltered(vBufferIn[0], vBufferIn[0] + 8192);

    SetCtrlVal(panelFilter, FILTER_ONOFF, 1);
    SetCtrlVal(panelFilter, FILTER_TYPE, 0);
    SetCtrlVal(panelFilter, FILTER_LOW_FREQ, 50000.0);
    SetCtrlVal(panelFilter, FILTER_TAPS, 63);
    Close_Filter(panelFilter, FILTER_CLOSE, EVENT_COMMIT, nullptr, 0, 0);
    Stream(32768, 1000000.0, 4);

    std::vector<double> coef(63), full(8192 + 62);
    ASSERT_EQ(FIR_Coef(0, 1000000.0, 50000.0, 10000.0, 63, coef.data()), 0);
    for (int i = 0; i < 63; ++i)
        EXPECT_EQ(FirCoef[i], coef[i]);
    ASSERT_EQ(Convolve(unfiltered.data(), 8192, coef.data(), 63, full.data()), 0);
    for (int j = 0; j < 8192; ++j)
        ASSERT_EQ(vBufferIn[0][j], full[j]) << j;
}

TEST_F(StreamingTest, FilterFailureEndsTheTickAtOnce)
{
    Channels({1, 2});
    SetCtrlVal(panelFilter, FILTER_ONOFF, 1);
    SetCtrlVal(panelFilter, FILTER_TYPE, 2);
    SetCtrlVal(panelFilter, FILTER_LOW_FREQ, 9000.0);
    SetCtrlVal(panelFilter, FILTER_HIGH_FREQ, 1000.0); // band upside down
    Stream(8192, 1000000.0, 2);
    ASSERT_EQ(Popups().size(), 1u);
    EXPECT_EQ(Popups()[0], std::string("Error|") + GetAnalysisErrorString(-20023));
    EXPECT_EQ(isScopeStartOn, 0);
    EXPECT_EQ(isScopeStopOn, 1);
    EXPECT_EQ(Dimmed(kToolbarOneShot), 0);
    EXPECT_EQ(Dimmed(kToolbarStop), 1);
    EXPECT_EQ(NumPlots(SCOPE_TIMEGRAPH), 0);
}

TEST_F(StreamingTest, EndOfAStreamLeavesTheTimerRunning)
{
    Channels({1, 2});
    Streaming(2);
    Scope(8192, 1000000.0);
    ASSERT_EQ(OneShot(), 0);
    EXPECT_EQ(Visible(panelScope, SCOPE_STREAMING_LED), 1);
    EXPECT_EQ(isStreamingRAMOn, 1);
    Tick();
    EXPECT_EQ(isScopeStartOn, 0);
    EXPECT_EQ(isStreamingRAMOn, 1);
    EXPECT_EQ(Visible(panelScope, SCOPE_STREAMING_LED), 0);
    EXPECT_EQ(TimerEnabled(), 1);
    EXPECT_EQ(Dimmed(kToolbarSave), 0);
    EXPECT_EQ(Dimmed(kToolbarOneShot), 0);
    EXPECT_EQ(Dimmed(kToolbarStop), 1);
    EXPECT_EQ(Dimmed(kToolbarContinuous), 1);
    EXPECT_EQ(NumPlots(SCOPE_TIMEGRAPH), 2);
    // Further ticks capture nothing.
    const int handle = plot[0];
    Tick();
    EXPECT_EQ(plot[0], handle);
}

TEST_F(StreamingTest, OneShotDuringAContinuousRunTakesOneStream)
{
    Channels({1});
    Scope(8192, 1000000.0);
    ASSERT_EQ(Continuous(), 0);
    Tick();
    Streaming(2);
    ASSERT_EQ(OneShot(), 0);
    EXPECT_EQ(isScopeContOn, 0);
    Tick();
    EXPECT_EQ(isScopeStartOn, 0);
    EXPECT_EQ(RequestedSamples, 4096);
}

TEST_F(StreamingTest, DecimationBelowOneCountsAsOne)
{
    Channels({1});
    Streaming(1);
    Scope(4096, 1000000.0);
    ASSERT_EQ(OneShot(), 0);
    decimation_factor = 0; // as a damaged setup file could leave it
    Tick();
    EXPECT_EQ(decimation_factor, 1);
    EXPECT_EQ(RequestedSamples, 4096);
    EXPECT_EQ(isScopeStartOn, 0);
}

} // namespace
