// The voltmeter: timer life, measurement of the simulated input, ranges.
#include <cmath>
#include <string>

#include "support/bench_fixture.h"

namespace
{

class VoltmeterTest : public BenchTest
{
  protected:
    static double Display()
    {
        double v = -999.0;
        GetCtrlVal(panelVoltmeter, VOLTMETER_READING, &v);
        return v;
    }
    static std::string Label()
    {
        char text[256] = "";
        GetCtrlAttribute(panelVoltmeter, VOLTMETER_READING, ATTR_LABEL_TEXT, text);
        return text;
    }
    static int TimerEnabled()
    {
        int on = -1;
        GetCtrlAttribute(panelVoltmeter, VOLTMETER_TIMER, ATTR_ENABLED, &on);
        return on;
    }
    static void Tick() { CallCtrlCallback(panelVoltmeter, VOLTMETER_TIMER, EVENT_TIMER_TICK, 0, 0); }
    static void SetInput(short type, double amplitude, double offset)
    {
        oChan[0].type = type;
        oChan[0].amplitude = amplitude;
        oChan[0].offset = offset;
        oChan[0].noise = 0;
        oFrequency = 1000.0;
    }
};

TEST(VoltmeterMeasure, MeanAndRmsAroundTheMean)
{
    const double v[] = {1.0, 3.0, 1.0, 3.0};
    EXPECT_DOUBLE_EQ(Voltmeter_Measure(v, 4, kMeasureDC), 2.0);
    EXPECT_DOUBLE_EQ(Voltmeter_Measure(v, 4, kMeasureACRMS), 1.0);
    EXPECT_DOUBLE_EQ(Voltmeter_Measure(v, 0, kMeasureDC), 0.0);
    EXPECT_DOUBLE_EQ(Voltmeter_Measure(nullptr, 4, kMeasureACRMS), 0.0);
}

TEST(VoltmeterMeasure, WindowHoldsWholePeriods)
{
    for (double f : {0.1, 1.0, 333.0, 1000.0, 12345.6, 1e6, 50e6}) {
        const double clock = Voltmeter_WindowClock(f);
        ASSERT_GT(clock, 0.0);
        const double periods = kVoltmeterSamples * f / clock;
        EXPECT_NEAR(periods, std::round(periods), 1e-6) << f;
        EXPECT_GE(periods, 1.0 - 1e-9) << f;
    }
    EXPECT_DOUBLE_EQ(Voltmeter_WindowClock(0.0), kVoltmeterClock);
}

TEST(VoltmeterMeasure, WindowSpreadsTheSamplesOverEveryPhase)
{
    // An odd number of periods in the 4096 samples puts each sample at its
    // own phase; near multiples of 500 kHz the nearest whole number of
    // periods is a multiple of 2048, which would leave one or two.
    for (double f : {1000.0, 244.0, 488.28125, 499.9e3, 500e3, 1e6, 1.5e6, 10e6, 50e6}) {
        const double clock = Voltmeter_WindowClock(f);
        const double periods = std::round(kVoltmeterSamples * f / clock);
        EXPECT_EQ(std::fmod(periods, 2.0), 1.0) << f;
        EXPECT_NEAR(clock, kVoltmeterClock, kVoltmeterClock * 0.5) << f;
    }
}

TEST_F(VoltmeterTest, ReadsTrueMeanAndRmsAtEveryFrequency)
{
    ASSERT_EQ(OperateCtrl(panelVoltmeter, VOLTMETER_RUN, 0), 0);
    struct Case {
        short type;
        double frequency;
        double mean, rms; // of 1 V amplitude around a 0.25 V offset
    };
    const double sine = 1.0 / std::sqrt(2.0);
    const Case cases[] = {
        {0, 499.9e3, 0.25, sine}, {0, 500e3, 0.25, sine}, {0, 1e6, 0.25, sine},
        {0, 1.5e6, 0.25, sine},   {0, 10e6, 0.25, sine},  {0, 50e6, 0.25, sine},
        {1, 50e6, 0.25, 1.0},     {1, 500e3, 0.25, 1.0},  {2, 1e6, 0.25, 1.0 / std::sqrt(3.0)}};
    for (const Case &c : cases) {
        SetInput(c.type, 1.0, 0.25);
        oFrequency = c.frequency;
        SetCtrlVal(panelVoltmeter, VOLTMETER_MEASURE, kMeasureDC);
        Tick();
        EXPECT_NEAR(Voltmeter_Reading(), c.mean, 0.003)
            << "type " << c.type << " at " << c.frequency << " Hz";
        SetCtrlVal(panelVoltmeter, VOLTMETER_MEASURE, kMeasureACRMS);
        Tick();
        EXPECT_NEAR(Voltmeter_Reading(), c.rms, 0.003) << "type " << c.type << " at " << c.frequency << " Hz";
    }
}

TEST_F(VoltmeterTest, TickWhileStoppedDoesNothing)
{
    SetInput(5, 1.0, 0.5);
    Tick();
    Tick();
    EXPECT_DOUBLE_EQ(Display(), 0.0);
    EXPECT_DOUBLE_EQ(Voltmeter_Reading(), 0.0);
}

TEST_F(VoltmeterTest, ReadsTheDcLevelOfTheInput)
{
    SetInput(5, 1.0, 0.5);
    ASSERT_EQ(OperateCtrl(panelVoltmeter, VOLTMETER_RUN, 0), 0);
    EXPECT_EQ(isVoltmeterON, 1);
    EXPECT_EQ(TimerEnabled(), 1);
    Tick();
    EXPECT_NEAR(Display(), 1.5, 0.002);
    EXPECT_EQ(Label(), "Reading (V)");
    // Pressing run again changes nothing.
    ASSERT_EQ(OperateCtrl(panelVoltmeter, VOLTMETER_RUN, 0), 0);
    EXPECT_EQ(isVoltmeterON, 1);
}

TEST_F(VoltmeterTest, AcRmsOfASineAndDcOfItsOffset)
{
    SetInput(0, 2.0, 0.25);
    ASSERT_EQ(OperateCtrl(panelVoltmeter, VOLTMETER_RUN, 0), 0);
    Tick();
    EXPECT_NEAR(Display(), 0.25, 0.002);
    SetCtrlVal(panelVoltmeter, VOLTMETER_MEASURE, kMeasureACRMS);
    Tick();
    EXPECT_NEAR(Display(), 2.0 / std::sqrt(2.0), 0.002);
}

TEST_F(VoltmeterTest, FixedRangeHoldsTheDisplayAtFullScaleAndShowsOver)
{
    SetInput(5, -1.5, 0.0);
    ASSERT_EQ(OperateCtrl(panelVoltmeter, VOLTMETER_RUN, 0), 0);
    SetCtrlVal(panelVoltmeter, VOLTMETER_RANGE, kRange1V);
    Tick();
    EXPECT_DOUBLE_EQ(Display(), -1.0);
    EXPECT_EQ(Label(), "OVER");
    EXPECT_NEAR(Voltmeter_Reading(), -1.5, 0.002);
    SetCtrlVal(panelVoltmeter, VOLTMETER_RANGE, kRange10V);
    Tick();
    EXPECT_NEAR(Display(), -1.5, 0.002);
    EXPECT_EQ(Label(), "Reading (V)");
}

TEST_F(VoltmeterTest, ReadingLeavesTheScopeTriggerAndGeneratorPhaseAlone)
{
    SetInput(0, 1.0, 0.0);
    trigger_source = 100;
    trigger_slope = 0;
    oChan[0].phase = 45.0;
    ASSERT_EQ(OperateCtrl(panelVoltmeter, VOLTMETER_RUN, 0), 0);
    Tick();
    EXPECT_EQ(trigger_source, 100);
    EXPECT_EQ(trigger_slope, 0);
    EXPECT_DOUBLE_EQ(oChan[0].phase, 45.0);
    EXPECT_NEAR(Display(), 0.0, 0.002); // whole periods: no residue of the sine
}

TEST_F(VoltmeterTest, CloseStopsTheTimerAndHidesThePanel)
{
    Display_Voltmeter(Menu_Handle, MENUBAR_INSTRUMENTS_VOLTMETER, nullptr, panelBench);
    int visible = 0;
    GetPanelAttribute(panelVoltmeter, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 1);
    ASSERT_EQ(OperateCtrl(panelVoltmeter, VOLTMETER_RUN, 0), 0);
    ASSERT_EQ(OperateCtrl(panelVoltmeter, VOLTMETER_CLOSE, 0), 0);
    EXPECT_EQ(isVoltmeterON, 0);
    EXPECT_EQ(TimerEnabled(), 0);
    GetPanelAttribute(panelVoltmeter, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 0);
    SetInput(5, 3.0, 0.0);
    Tick();
    EXPECT_DOUBLE_EQ(Display(), 0.0);
}

} // namespace
