// Measurement cursors, readout texts, offset-marker drags and the waveform
// parameters.
#include <cstdio>
#include <cstring>

#include "support/bench_fixture.h"
#include "test_capture_support.h"
#include "test_view_support.h"

using namespace viewtest;

namespace
{

std::string Readout(double value, int isVoltage)
{
    char text[64];
    Scope_FormatReadout(value, isVoltage, text, sizeof text);
    return text;
}

TEST(ReadoutText, ScalesToTheLargestUnitBelowTheValue)
{
    EXPECT_EQ(Readout(0.000345, 0), "345.00 \xC2\xB5sec");
    EXPECT_EQ(Readout(0.5, 0), "500.00 msec");
    EXPECT_EQ(Readout(2.5, 0), "2.50 sec");
    EXPECT_EQ(Readout(0.0, 0), "0.00 \xC2\xB5sec");
    EXPECT_EQ(Readout(-0.25, 1), "-250.00 mV");
    EXPECT_EQ(Readout(0.0000004, 1), "0.40 \xC2\xB5V");
    EXPECT_EQ(Readout(1234.5, 1), "1234.50 V");
    // A time before the record start keeps its sign and its scale.
    EXPECT_EQ(Readout(-0.0005, 0), "-500.00 \xC2\xB5sec");
}

TEST(ReadoutText, ShortBufferIsCutNotOverrun)
{
    char text[6] = "xxxxx";
    Scope_FormatReadout(0.5, 0, text, sizeof text);
    EXPECT_STREQ(text, "500.0");
}

TEST(WaveformParameters, ConstantRecordAndTruncatedPeakToPeak)
{
    std::vector<double> constant(100, 1.5);
    WaveformParameters p{};
    ASSERT_EQ(Scope_MeasureWaveform(constant.data(), 100, &p), 0);
    EXPECT_DOUBLE_EQ(p.minimum, 1500.0);
    EXPECT_DOUBLE_EQ(p.maximum, 1500.0);
    EXPECT_DOUBLE_EQ(p.mean, 1500.0);
    EXPECT_DOUBLE_EQ(p.rms, 1500.0);
    EXPECT_DOUBLE_EQ(p.peakToPeak, 0.0);

    const double two[2] = {0.0, 0.0123456};
    ASSERT_EQ(Scope_MeasureWaveform(two, 2, &p), 0);
    EXPECT_DOUBLE_EQ(p.peakToPeak, 12.0);

    // The RMS includes the DC part.
    const double square[4] = {1.0, -1.0, 1.0, -1.0};
    ASSERT_EQ(Scope_MeasureWaveform(square, 4, &p), 0);
    EXPECT_DOUBLE_EQ(p.mean, 0.0);
    EXPECT_DOUBLE_EQ(p.rms, 1000.0);
    EXPECT_DOUBLE_EQ(p.peakToPeak, 2000.0);

    EXPECT_EQ(Scope_MeasureWaveform(nullptr, 4, &p), -1);
    EXPECT_EQ(Scope_MeasureWaveform(square, 0, &p), -1);
}

class CursorTest : public BenchTest
{
  protected:
    void Toggle(int which) { ScopeCursorMode(panelScope, 0, EVENT_COMMIT, Data(which), 0, 0); }
    double CursorX(int cursor)
    {
        double x = -1, y = -1;
        GetGraphCursor(panelScope, SCOPE_TIMEGRAPH, cursor, &x, &y);
        return x;
    }
    int Visible(int control)
    {
        int v = -1;
        GetCtrlAttribute(panelScope, control, ATTR_VISIBLE, &v);
        return v;
    }
    void TearDown() override
    {
        Cursor1 = Cursor2 = 0;
        BenchTest::TearDown();
    }
};

TEST_F(CursorTest, StartPositionsDependOnTheWindow)
{
    DeleteGraphPlot(panelScope, SCOPE_TIMEGRAPH, -1, VAL_IMMEDIATE_DRAW);
    Scroll_Thumb_Size = 30;
    Toggle(2);
    EXPECT_DOUBLE_EQ(CursorX(2), 5.0);
    Toggle(2);
    Scroll_Thumb_Size = 100;
    Toggle(2);
    EXPECT_DOUBLE_EQ(CursorX(2), 70.0);
    Toggle(2);

    Scroll_Thumb_Size = 2;
    Toggle(1);
    EXPECT_DOUBLE_EQ(CursorX(1), 5.0);
    Toggle(1);

    isStreamingRAMOn = 1;
    decimation_factor = 4;
    Scroll_Thumb_Size = 4000;
    Toggle(1);
    EXPECT_DOUBLE_EQ(CursorX(1), 500.0);
    Toggle(1);
    isStreamingRAMOn = 0;
}

TEST_F(CursorTest, TogglesShowAndHideTheReadouts)
{
    Scroll_Thumb_Size = 100;
    Toggle(1);
    EXPECT_EQ(Cursor1, 1);
    EXPECT_EQ(Visible(SCOPE_C1_TIME), 1);
    EXPECT_EQ(Visible(SCOPE_C1_VOLT), 1);
    EXPECT_EQ(Visible(SCOPE_DELTA_T), 0);
    int enabled = 0, mode = -1;
    GetCursorAttribute(panelScope, SCOPE_TIMEGRAPH, 1, ATTR_CURSOR_ENABLED, &enabled);
    GetCursorAttribute(panelScope, SCOPE_TIMEGRAPH, 1, ATTR_CURSOR_MODE, &mode);
    EXPECT_EQ(enabled, 1);
    EXPECT_EQ(mode, VAL_SNAP_TO_POINT);
    Toggle(2);
    EXPECT_EQ(Visible(SCOPE_DELTA_T), 1);

    Toggle(1);
    EXPECT_EQ(Cursor1, 0);
    EXPECT_EQ(Visible(SCOPE_C1_TIME), 0);
    EXPECT_EQ(Visible(SCOPE_DELTA_T), 0);
    EXPECT_DOUBLE_EQ(CursorX(1), 0.0);
    GetCursorAttribute(panelScope, SCOPE_TIMEGRAPH, 1, ATTR_CURSOR_ENABLED, &enabled);
    EXPECT_EQ(enabled, 0);

    Toggle(2);
    int active = 0;
    GetActiveGraphCursor(panelScope, SCOPE_TIMEGRAPH, &active);
    EXPECT_EQ(active, 5);
}

TEST_F(CursorTest, ReadoutsGiveTimeFromTheRecordStartAndSlotZeroVolts)
{
    MakeRamp(1, 2000);
    Scroll_Thumb_Size = 100;
    is_PersistanceON = 1; // free-form cursors, not attached to a trace
    dTimeStep = 0.001;
    Scroll_Value = 990;
    VerticalOffset[0] = 3.0;
    VerticalScale[0] = 2.0;
    Toggle(1);
    SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 1, 10.0, 2.0);
    Plot_Cursor_Measurement();
    EXPECT_EQ(CtrlText(panelScope, SCOPE_C1_TIME), "1.00 sec");
    EXPECT_EQ(CtrlText(panelScope, SCOPE_C1_VOLT), "-500.00 mV");
    is_PersistanceON = 0;
}

TEST_F(CursorTest, TimeDifferenceIsTheSameEitherWayRound)
{
    MakeRamp(1, 2000);
    Scroll_Thumb_Size = 200;
    is_PersistanceON = 1;
    dTimeStep = 10.0e-6;
    Toggle(1);
    Toggle(2);
    SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 1, 100.0, 0.0);
    SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 2, 40.0, 0.0);
    Plot_Cursor_Measurement();
    EXPECT_EQ(CtrlText(panelScope, SCOPE_DELTA_T), "600.00 \xC2\xB5sec");
    SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 1, 40.0, 0.0);
    SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 2, 100.0, 0.0);
    Plot_Cursor_Measurement();
    EXPECT_EQ(CtrlText(panelScope, SCOPE_DELTA_T), "600.00 \xC2\xB5sec");
    is_PersistanceON = 0;
}

TEST_F(CursorTest, CursorTurnedOnReadsTheTraceOfSlotZero)
{
    MakeRamp(4, 1000);
    Scope_Reset_Position(panelScope, SCOPE_RESET_POSITION, EVENT_COMMIT, nullptr, 0, 0);
    ScrollBarCallback(panelScope, SCOPE_SCROLLBAR, SB_EVENT_JUMP, nullptr, 0, 0);
    Toggle(1); // at sample 500, where slot 0 holds 0.5 V
    Plot_Cursor_Measurement();
    EXPECT_EQ(CtrlText(panelScope, SCOPE_C1_VOLT), "500.00 mV");
}

// A snapping cursor reads the trace that is on the graph now: after a
// scroll or Reset Position the window shows other samples under the cursor.
TEST_F(CursorTest, ReadoutsFollowTheTraceAfterScrollAndResetPosition)
{
    MakeRamp(1, 2000); // slot 0 holds 0.001 V per position
    Scroll_Thumb_Size = 200;
    VerticalOffset[0] = 0.0;
    VerticalScale[0] = 1.0;
    ScrollBarCallback(panelScope, SCOPE_SCROLLBAR, SB_EVENT_JUMP, nullptr, 0, 0);
    Toggle(1); // sample 100 of the window
    Toggle(2); // sample 120
    Plot_Cursor_Measurement();
    EXPECT_EQ(CtrlText(panelScope, SCOPE_C1_VOLT), "100.00 mV");
    EXPECT_EQ(CtrlText(panelScope, SCOPE_C2_VOLT), "120.00 mV");

    ScrollBarCallback(panelScope, SCOPE_SCROLLBAR, SB_EVENT_JUMP, nullptr, 500, 0);
    EXPECT_EQ(CtrlText(panelScope, SCOPE_C1_VOLT), "600.00 mV");
    EXPECT_EQ(CtrlText(panelScope, SCOPE_C2_VOLT), "620.00 mV");
    ScrollBarCallback(panelScope, SCOPE_SCROLLBAR, SB_EVENT_JUMP, nullptr, 1200, 0);
    EXPECT_EQ(CtrlText(panelScope, SCOPE_C1_VOLT), "1.30 V");

    // Reset Position puts slot 0's offset back to 0 divisions; the next
    // re-plot draws the trace there, and the readout is read from it.
    VerticalOffset[0] = 2.5;
    ScrollBarCallback(panelScope, SCOPE_SCROLLBAR, SB_EVENT_JUMP, nullptr, 1000, 0);
    EXPECT_EQ(CtrlText(panelScope, SCOPE_C1_VOLT), "1.10 V");
    Scope_Reset_Position(panelScope, SCOPE_RESET_POSITION, EVENT_COMMIT, nullptr, 0, 0);
    ASSERT_EQ(VerticalOffset[0], 0.0);
    ScrollBarCallback(panelScope, SCOPE_SCROLLBAR, SB_EVENT_JUMP, nullptr, 1000, 0);
    EXPECT_EQ(CtrlText(panelScope, SCOPE_C1_VOLT), "1.10 V");
}

TEST_F(CursorTest, DraggingAMeasurementCursorUpdatesItsReadouts)
{
    MakeRamp(1, 2000);
    Scroll_Thumb_Size = 200;
    dTimeStep = 0.001;
    ScrollBarCallback(panelScope, SCOPE_SCROLLBAR, SB_EVENT_JUMP, nullptr, 0, 0);
    Toggle(1);
    ASSERT_EQ(DragGraphCursor(panelScope, SCOPE_TIMEGRAPH, 1, 50.0, 0.0, 1), 0);
    EXPECT_EQ(CtrlText(panelScope, SCOPE_C1_TIME), "50.00 msec");
}

TEST_F(CursorTest, MarkerDragMovesOnlyItsOwnTraceVertically)
{
    MakeRamp(2, 1000);
    Scroll_Thumb_Size = 400;
    Scope_Reset_Position(panelScope, SCOPE_RESET_POSITION, EVENT_COMMIT, nullptr, 0, 0);
    VerticalScale[0] = VerticalScale[1] = 1.0;
    ASSERT_EQ(DragGraphCursor(panelScope, SCOPE_TIMEGRAPH, 4, 333.0, 1.5, 1), 0);
    EXPECT_DOUBLE_EQ(VerticalOffset[0], 2.0);
    EXPECT_DOUBLE_EQ(VerticalOffset[1], 1.5);
    double x = -1, y = 0;
    GetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 4, &x, &y);
    EXPECT_DOUBLE_EQ(x, 200.0);
    EXPECT_DOUBLE_EQ(y, 1.5);
    // The trace of slot 1 is drawn again at its new offset.
    const std::vector<double> trace = PlotValues(SCOPE_TIMEGRAPH, plot[1]);
    ASSERT_EQ(trace.size(), 400u);
    EXPECT_NEAR(trace[0], 1.0 + 1.5, 1e-12);
    EXPECT_EQ(NumPlots(SCOPE_TIMEGRAPH), 2);
}

TEST_F(CursorTest, WaveformParameterFillsTheIndicators)
{
    std::vector<double> record(50, 1.5);
    record[10] = 1.5 + 0.0123456;
    Scroll_Thumb_Size = 50;
    Waveform_Parameter(record.data());
    EXPECT_DOUBLE_EQ(CtrlNumber(panelScope, SCOPE_PARAM_PKPK), 12.0);
    EXPECT_DOUBLE_EQ(CtrlNumber(panelScope, SCOPE_PARAM_MIN), 1500.0);
    EXPECT_NEAR(CtrlNumber(panelScope, SCOPE_PARAM_MAX), 1512.3456, 1e-9);
    // No window yet: nothing is read.
    Scroll_Thumb_Size = 0;
    Waveform_Parameter(nullptr);
}

} // namespace

namespace
{

// Volts of a readout text ("-12.34 mV").
double ReadoutVolts(const std::string &text)
{
    double value = NAN;
    char unit[16] = "";
    if (std::sscanf(text.c_str(), "%lf %15s", &value, unit) != 2)
        return NAN;
    if (std::strcmp(unit, "mV") == 0)
        return value / 1000.0;
    if (std::strcmp(unit, "V") == 0)
        return value;
    return value / 1.0e6;
}

class CursorCaptureTest : public acqtest::AcqTest
{
  protected:
    void TearDown() override
    {
        Cursor1 = Cursor2 = 0;
        acqtest::AcqTest::TearDown();
    }
};

// Every capture draws a new trace; the readout gives the level of the new
// one at the cursor, not that of the trace it replaced.
TEST_F(CursorCaptureTest, ReadoutsGiveTheLevelOfTheNewCapture)
{
    Generator(5, 1.0, 1000.0); // a level of 1 V
    Channels({1});
    Scope(1000, 100000.0);
    ASSERT_EQ(OneShot(), 0);
    Tick();
    ScopeCursorMode(panelScope, 0, EVENT_COMMIT, Data(1), 0, 0);
    Plot_Cursor_Measurement();
    EXPECT_NEAR(ReadoutVolts(viewtest::CtrlText(panelScope, SCOPE_C1_VOLT)), 1.0, 0.05);

    for (double level : {0.25, -0.5, 1.5}) {
        Generator(5, 1.0, 1000.0, level - 1.0);
        ASSERT_EQ(OneShot(), 0);
        Tick();
        EXPECT_NEAR(ReadoutVolts(viewtest::CtrlText(panelScope, SCOPE_C1_VOLT)), level, 0.05) << level;
    }
}

} // namespace
