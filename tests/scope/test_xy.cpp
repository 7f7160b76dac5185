// XY view: the switch and the two source rings on the scope panel, the
// trace of one source against the other over the visible window, the axes
// in volts from the sources' vertical gains, persistence, a math trace as a
// source, the reason shown when nothing can be drawn, and the time view
// left as it was.
#include <cmath>
#include <string>
#include <vector>

#include "analysis/waveform_math.h"
#include "test_capture_support.h"

using namespace acqtest;

namespace
{

class XYTest : public AcqTest
{
  protected:
    static void Shoot()
    {
        Scope(4096, 100000.0, 0, 1, 0);
        ASSERT_EQ(OneShot(), 0);
        Tick();
    }
    static void XY(int on, int x, int y)
    {
        SetCtrlVal(panelScope, SCOPE_XY_X, x);
        SetCtrlVal(panelScope, SCOPE_XY_Y, y);
        ASSERT_EQ(OperateCtrl(panelScope, SCOPE_XY_SWITCH, on), 0);
    }
    static std::vector<double> XValues(int handle)
    {
        int count = 0;
        GetPlotXData(panelScope, SCOPE_XYGRAPH, handle, nullptr, 0, &count);
        std::vector<double> v(count > 0 ? count : 0);
        if (count > 0)
            GetPlotXData(panelScope, SCOPE_XYGRAPH, handle, v.data(), count, &count);
        return v;
    }
    static void Range(int axis, double *lo, double *hi)
    {
        int mode = -1;
        ASSERT_EQ(GetAxisScalingMode(panelScope, SCOPE_XYGRAPH, axis, &mode, lo, hi), 0);
        EXPECT_EQ(mode, VAL_MANUAL);
    }
    static std::string Text(int control, int attribute)
    {
        char text[256] = "";
        GetCtrlAttribute(panelScope, control, attribute, text);
        return text;
    }
};

TEST_F(XYTest, OneChannelAgainstAnotherOverTheWindowWithAxesInVolts)
{
    Generator(0, 1.0, 1000.0);
    Shoot();
    // The sources are dimmed until the view is on.
    EXPECT_EQ(CtrlDimmed(panelScope, SCOPE_XY_X), 1);
    XY(1, 0, 1);
    EXPECT_EQ(Visible(panelScope, SCOPE_XYGRAPH), 1);
    EXPECT_EQ(CtrlDimmed(panelScope, SCOPE_XY_X), 0);
    ASSERT_EQ(NumPlots(SCOPE_XYGRAPH), 1);
    const int h = scopeMeasure.xy.plot;
    ASSERT_GT(h, 0);
    // Point i is (CH1, CH2) at record position iOffset + Scroll_Value + i.
    const std::vector<double> x = XValues(h), y = PlotValues(SCOPE_XYGRAPH, h);
    ASSERT_EQ(x.size(), static_cast<std::size_t>(Scroll_Thumb_Size));
    ASSERT_EQ(y.size(), x.size());
    for (std::size_t i = 0; i < x.size(); i += 97) {
        EXPECT_EQ(x[i], vBufferIn[0][iOffset + Scroll_Value + static_cast<int>(i)]);
        EXPECT_EQ(y[i], vBufferIn[1][iOffset + Scroll_Value + static_cast<int>(i)]);
    }
    // Eight divisions of each channel's gain, centred on 0 V.
    double lo = 0, hi = 0;
    Range(VAL_XAXIS, &lo, &hi);
    EXPECT_DOUBLE_EQ(lo, -4.0);
    EXPECT_DOUBLE_EQ(hi, 4.0);
    EXPECT_EQ(Text(SCOPE_XYGRAPH, ATTR_XNAME), "CH1 (V)");
    EXPECT_EQ(Text(SCOPE_XYGRAPH, ATTR_YNAME), "CH2 (V)");
    VerticalScale[1] = 4.0; // 4 div/V: 0.25 V a division
    Scope_PlotXY();
    Range(VAL_LEFT_YAXIS, &lo, &hi);
    EXPECT_DOUBLE_EQ(lo, -1.0);
    EXPECT_DOUBLE_EQ(hi, 1.0);

    // A zoomed window gives its own samples only.
    Scroll_Value = 1000;
    Scroll_Thumb_Size = 500;
    ASSERT_GT(Scope_PlotXY(), 0);
    const std::vector<double> zx = XValues(scopeMeasure.xy.plot);
    ASSERT_EQ(zx.size(), 500u);
    EXPECT_EQ(zx[0], vBufferIn[0][iOffset + 1000]);
    EXPECT_EQ(zx[499], vBufferIn[0][iOffset + 1499]);
}

TEST_F(XYTest, SwitchingOffLeavesTheTimeViewAsItWas)
{
    Generator(1, 1.0, 1000.0);
    Shoot();
    const int timePlots = NumPlots(SCOPE_TIMEGRAPH);
    const std::vector<double> before = PlotValues(SCOPE_TIMEGRAPH, plot[0]);
    double xGain = 0, xOffset = 0;
    GetCtrlAttribute(panelScope, SCOPE_TIMEGRAPH, ATTR_XAXIS_GAIN, &xGain);
    GetCtrlAttribute(panelScope, SCOPE_TIMEGRAPH, ATTR_XAXIS_OFFSET, &xOffset);
    XY(1, 0, 1);
    XY(0, 0, 1);
    EXPECT_EQ(Visible(panelScope, SCOPE_XYGRAPH), 0);
    EXPECT_EQ(Visible(panelScope, SCOPE_TIMEGRAPH), 1);
    EXPECT_EQ(NumPlots(SCOPE_XYGRAPH), 0);
    EXPECT_EQ(CtrlDimmed(panelScope, SCOPE_XY_Y), 1);
    EXPECT_EQ(NumPlots(SCOPE_TIMEGRAPH), timePlots);
    EXPECT_EQ(PlotValues(SCOPE_TIMEGRAPH, plot[0]), before);
    double g = 0, o = 0;
    GetCtrlAttribute(panelScope, SCOPE_TIMEGRAPH, ATTR_XAXIS_GAIN, &g);
    GetCtrlAttribute(panelScope, SCOPE_TIMEGRAPH, ATTR_XAXIS_OFFSET, &o);
    EXPECT_EQ(g, xGain);
    EXPECT_EQ(o, xOffset);
    // Captures go on drawing the time view only.
    Shoot();
    EXPECT_EQ(NumPlots(SCOPE_XYGRAPH), 0);
    EXPECT_EQ(NumPlots(SCOPE_TIMEGRAPH), timePlots);
}

TEST_F(XYTest, PersistenceKeepsEarlierTracesAndANewSourceClearsThem)
{
    Generator(0, 1.0, 1000.0, 0.0, 1); // noisy: every capture differs
    Scope(4096, 100000.0, 0, 1, 0);
    XY(1, 0, 1);
    ASSERT_EQ(Continuous(), 0);
    Tick();
    Tick();
    EXPECT_EQ(NumPlots(SCOPE_XYGRAPH), 1);
    ScopePersistance(panelScope, kToolbarPersistence, EVENT_COMMIT, nullptr, 0, 0);
    ASSERT_EQ(is_PersistanceON, 1);
    Tick();
    Tick();
    Tick();
    EXPECT_EQ(NumPlots(SCOPE_XYGRAPH), 4);
    XY(1, 0, 2);
    EXPECT_EQ(NumPlots(SCOPE_XYGRAPH), 1);
    ScopePersistance(panelScope, kToolbarPersistence, EVENT_COMMIT, nullptr, 0, 0);
    Tick();
    EXPECT_EQ(NumPlots(SCOPE_XYGRAPH), 1);
    StopRun();
}

TEST_F(XYTest, AMathTraceAgainstItsSourceAndWhyNothingIsDrawn)
{
    Generator(0, 1.0, 1000.0);
    Shoot();
    // MATH1 = integral of CH1: against CH1 it closes into an ellipse.
    Display_Math(panelScope, SCOPE_MATH_BUTTON, EVENT_COMMIT, nullptr, 0, 0);
    ASSERT_GT(panelMath, 0);
    SetCtrlVal(panelMath, MATH_OPERATION1, WAVEFORM_INTEGRAL);
    SetCtrlVal(panelMath, MATH_SOURCE_A1, 0);
    SetCtrlVal(panelMath, MATH_SCALE1, 1e-4);
    SetCtrlVal(panelMath, MATH_OFFSET1, 0.0);
    OperateCtrl(panelMath, MATH_ON1, 1);
    ASSERT_TRUE(scopeMeasure.math[0].valid);
    XY(1, 0, kMeasSourceMath1);
    const int h = scopeMeasure.xy.plot;
    ASSERT_GT(h, 0);
    const std::vector<double> y = PlotValues(SCOPE_XYGRAPH, h);
    ASSERT_EQ(y.size(), static_cast<std::size_t>(Scroll_Thumb_Size));
    // The trapezoid integral, computed here from the record.
    const double dt = 1.0 / 100000.0;
    double sum = 0.0;
    const double *a = vBufferIn[0] + iOffset;
    for (int i = 1; i < 2000; ++i)
        sum += 0.5 * (a[i - 1] + a[i]) * dt;
    EXPECT_NEAR(y[1999], sum, 1e-12);
    EXPECT_EQ(Text(SCOPE_XYGRAPH, ATTR_YNAME), "MATH1 (V\xC2\xB7s)");
    double lo = 0, hi = 0;
    Range(VAL_LEFT_YAXIS, &lo, &hi);
    EXPECT_DOUBLE_EQ(lo, -4e-4);
    EXPECT_DOUBLE_EQ(hi, 4e-4);
    EXPECT_EQ(Text(SCOPE_XYGRAPH, ATTR_XNAME), "CH1 (V)");

    // A source that is not acquired: no trace, and the axis name says why.
    Channels({1});
    Shoot();
    XY(1, 0, 1);
    EXPECT_EQ(NumPlots(SCOPE_XYGRAPH), 0);
    EXPECT_EQ(scopeMeasure.xy.plot, 0);
    EXPECT_EQ(Text(SCOPE_XYGRAPH, ATTR_XNAME), "Nothing to draw: the channel is not acquired");
    // Bad sources are refused.
    EXPECT_EQ(Scope_SetXY(1, -1, 0), -1);
    EXPECT_EQ(Scope_SetXY(1, 0, kMeasSources), -1);
}

} // namespace
