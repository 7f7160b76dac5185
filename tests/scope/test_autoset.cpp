// Autoset on generator sines of several frequencies and amplitudes: two to
// five periods in the record, the trace over 50-90 % of the eight divisions,
// a rising-edge trigger on the channel; DC gets the defaults and a status.
#include "support/bench_fixture.h"

#include "ui/comfort.h"

#include <algorithm>
#include <vector>

namespace
{

class AutosetTest : public BenchTest
{
  protected:
    void Sine(double frequency, double amplitude)
    {
        oChan[0].type = 0;
        oChan[0].amplitude = amplitude;
        oChan[0].offset = 0.0;
        oChan[0].noise = 0;
        oChan[0].phase = 0.0;
        oFrequency = frequency;
    }
};

TEST_F(AutosetTest, SinesShowTwoToFivePeriodsOverMostOfTheScreen)
{
    for (double f : {50.0, 1000.0, 20000.0}) {
        for (double a : {0.1, 3.0}) {
            Sine(f, a);
            ASSERT_EQ(PressPanelKey(panelScope, "A"), 1);
            const double periods = RequestedSamples / iClockRate * f;
            EXPECT_GE(periods, 2.0) << f << " Hz " << a << " V";
            EXPECT_LE(periods, 5.0) << f << " Hz " << a << " V";
            const double span = VerticalScale[0] * 2.0 * a / 8.0;
            EXPECT_GE(span, 0.5) << f << " Hz " << a << " V";
            EXPECT_LE(span, 0.9) << f << " Hz " << a << " V";
            EXPECT_EQ(trigger_source, 0);
            EXPECT_EQ(trigger_slope, 1);
            EXPECT_NEAR(trigger_level, 0.0, 0.1 * a);
            EXPECT_EQ(Scroll_Thumb_Size, RequestedSamples);
            EXPECT_EQ(RequestedSamples % 2048, 0);

            // The picture after a capture: the window's periods, and the
            // trace over 50-90 % of the eight divisions, all of it on screen.
            ASSERT_EQ(Toolbar_PressItem(Toolbar, kToolbarOneShot), 0);
            CaptureTimer(panelBench, BENCH_CAPTURE_TIMER, EVENT_TIMER_TICK, nullptr, 0, 0);
            int count = 0;
            GetPlotData(panelScope, SCOPE_TIMEGRAPH, plot[0], nullptr, 0, &count);
            ASSERT_EQ(count, Scroll_Thumb_Size) << f << " Hz " << a << " V";
            std::vector<double> trace(static_cast<std::size_t>(count));
            GetPlotData(panelScope, SCOPE_TIMEGRAPH, plot[0], trace.data(), count, &count);
            const auto range = std::minmax_element(trace.begin(), trace.end());
            const double shownPeriods = count / iClockRate * f;
            EXPECT_GE(shownPeriods, 2.0) << f << " Hz " << a << " V";
            EXPECT_LE(shownPeriods, 5.0) << f << " Hz " << a << " V";
            EXPECT_GE(*range.first, -4.0) << f << " Hz " << a << " V";
            EXPECT_LE(*range.second, 4.0) << f << " Hz " << a << " V";
            const double shownSpan = (*range.second - *range.first) / 8.0;
            EXPECT_GE(shownSpan, 0.5) << f << " Hz " << a << " V";
            EXPECT_LE(shownSpan, 0.9) << f << " Hz " << a << " V";
        }
    }
}

// A sine riding on a DC offset is centred: the whole trace on screen.
TEST_F(AutosetTest, OffsetSineIsCentredOnTheScreen)
{
    Sine(1000.0, 0.2);
    oChan[0].offset = 1.5;
    ASSERT_EQ(Scope_Autoset(), 0);
    for (int k = 0; k < numChanIn; ++k) {
        EXPECT_NEAR(VerticalScale[k] * 1.5 + VerticalOffset[k], 0.0, 0.3) << k;
        double x = 0, y = 0;
        GetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 3 + k, &x, &y);
        EXPECT_DOUBLE_EQ(y, VerticalOffset[k]) << k;
    }
}

TEST_F(AutosetTest, DcInputGetsTheDefaultsAndSaysSo)
{
    oChan[0].type = 5;
    oChan[0].amplitude = 1.5;
    oChan[0].offset = 0.0;
    oChan[0].noise = 0;
    ASSERT_EQ(Scope_Autoset(), 0);
    EXPECT_EQ(trigger_source, 100);
    EXPECT_DOUBLE_EQ(VerticalScale[0], 1.0);
    char status[1024] = "";
    GetCtrlVal(panelScope, SCOPE_STATUS, status);
    EXPECT_NE(std::string(status).find("DC or noise"), std::string::npos);
}

} // namespace
