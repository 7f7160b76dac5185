// The measurement table driven as a user drives it: measurements picked
// with the rings and "Add", captures taken with the toolbar and the capture
// timer, the gate set by the cursors, the CSV log through its switch and
// the file dialog.
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/fir.h"
#include "analysis/waveform_math.h"
#include "test_capture_support.h"

using namespace acqtest;

namespace
{

class MeasureTest : public AcqTest
{
  protected:
    // Picks a measurement and a source and presses "Add", as a user does.
    static void Add(int type, int source = 0)
    {
        ASSERT_EQ(SetCtrlVal(panelScope, SCOPE_MEAS_TYPE, type), 0);
        ASSERT_EQ(SetCtrlVal(panelScope, SCOPE_MEAS_SOURCE, source), 0);
        ASSERT_EQ(OperateCtrl(panelScope, SCOPE_MEAS_ADD, 0), 0);
    }
    // One single shot of a record of n samples at rate, triggered on CH1.
    static void Shoot(int n, double rate)
    {
        Scope(n, rate, 0, 1, 0);
        ASSERT_EQ(OneShot(), 0);
        Tick();
    }
    static std::string Cell(int row, int column)
    {
        char text[1024] = "";
        EXPECT_EQ(GetTableCellVal(panelScope, SCOPE_MEAS_TABLE, row, column, text), 0);
        return text;
    }
    static double Value(int row) { return scopeMeasure.rows.at(static_cast<std::size_t>(row - 1)).value; }
    static int Rows()
    {
        int n = -1;
        GetNumTableRows(panelScope, SCOPE_MEAS_TABLE, &n);
        return n;
    }
};

const std::string kDash = "\xE2\x80\x94";

TEST_F(MeasureTest, SquareAtOneMegasampleGivesPeriodFrequencyDutyAndWidths)
{
    Generator(1, 1.0, 1000.0);
    const int types[] = {MEAS_PERIOD,         MEAS_FREQUENCY,     MEAS_POSITIVE_DUTY, MEAS_NEGATIVE_DUTY,
                         MEAS_POSITIVE_WIDTH, MEAS_NEGATIVE_WIDTH, MEAS_AMPLITUDE,    MEAS_RISING_EDGES};
    for (int t : types)
        Add(t);
    EXPECT_EQ(Rows(), 8);
    // The table is full: Add is dimmed and refuses a ninth.
    EXPECT_EQ(CtrlDimmed(panelScope, SCOPE_MEAS_ADD), 1);
    EXPECT_EQ(Scope_AddMeasurement(MEAS_TOP, 0), -1);

    Shoot(10000, 1.0e6); // ten periods
    EXPECT_NEAR(Value(1), 1.000e-3, 1e-6);
    EXPECT_NEAR(Value(2), 1000.0, 1.0);
    EXPECT_NEAR(Value(3), 50.0, 0.1);
    EXPECT_NEAR(Value(4), 50.0, 0.1);
    EXPECT_NEAR(Value(5), 0.5e-3, 1e-6);
    EXPECT_NEAR(Value(6), 0.5e-3, 1e-6);
    EXPECT_NEAR(Value(7), 2.0, 0.01);
    // The record starts on a rising edge (phase 0): nine more follow.
    EXPECT_EQ(Value(8), 9.0);
    // What the table shows.
    EXPECT_EQ(Cell(1, 1), "Period");
    EXPECT_EQ(Cell(1, 2), "CH1");
    EXPECT_EQ(Cell(1, 3), "1.000 ms");
    EXPECT_EQ(Cell(2, 3), "1.000 kHz");
    EXPECT_EQ(Cell(3, 3).substr(0, 4), "50.0");
    EXPECT_EQ(Cell(5, 3).substr(0, 4), "500.");
    EXPECT_EQ(Cell(5, 3).substr(5), " \xC2\xB5s");
    EXPECT_EQ(Cell(8, 3), "9");
    EXPECT_EQ(Cell(1, 8), "1");
    EXPECT_EQ(Cell(1, 9), "");
    // One capture: no standard deviation yet.
    EXPECT_EQ(Cell(1, 7), kDash);
    // The five amplitude boxes still show the window's values in mV.
    double pkpk = 0;
    GetCtrlVal(panelScope, SCOPE_PARAM_PKPK, &pkpk);
    EXPECT_NEAR(pkpk, 2000.0, 25.0);

    // Removing the selected row (3) leaves the others in order.
    SetCtrlVal(panelScope, SCOPE_MEAS_TABLE, 3);
    OperateCtrl(panelScope, SCOPE_MEAS_REMOVE, 0);
    EXPECT_EQ(Rows(), 7);
    EXPECT_EQ(Cell(3, 1), "-Duty");
    EXPECT_EQ(CtrlDimmed(panelScope, SCOPE_MEAS_ADD), 0);
}

TEST_F(MeasureTest, FilteredSquareRisesAsTheFilterStepResponse)
{
    Generator(1, 1.0, 1000.0);
    SetCtrlVal(panelFilter, FILTER_ONOFF, 1);
    SetCtrlVal(panelFilter, FILTER_TYPE, 0);
    SetCtrlVal(panelFilter, FILTER_LOW_FREQ, 50000.0);
    SetCtrlVal(panelFilter, FILTER_TAPS, 31);
    isFilterON = 1;
    Add(MEAS_RISE_TIME);
    Add(MEAS_PERIOD);
    Shoot(10000, 1.0e6);
    // The step response is the running sum of the coefficients; the 10 %
    // and 90 % crossings are interpolated between its samples.
    std::vector<double> coef(31);
    ASSERT_EQ(FIR_Coef(0, 1.0e6, 50000.0, 100000.0, 31, coef.data()), 0);
    std::vector<double> step(31);
    double sum = 0;
    for (int k = 0; k < 31; ++k)
        step[k] = sum += coef[k];
    auto crossing = [&](double level) {
        for (int k = 1; k < 31; ++k)
            if (step[k - 1] / sum < level && step[k] / sum >= level)
                return k - 1 + (level - step[k - 1] / sum) / ((step[k] - step[k - 1]) / sum);
        return -1.0;
    };
    const double expected = (crossing(0.9) - crossing(0.1)) * 1.0e-6;
    ASSERT_GT(expected, 0.0);
    EXPECT_NEAR(Value(1), expected, 0.03 * expected);
    EXPECT_NEAR(Value(2), 1.0e-3, 1e-6);
}

TEST_F(MeasureTest, TriangleRiseTimeIsEightTenthsOfHalfAPeriod)
{
    Generator(2, 1.0, 1000.0);
    Add(MEAS_RISE_TIME);
    Add(MEAS_FALL_TIME);
    Shoot(10000, 1.0e6);
    // 10 % to 90 % of a linear half period of 0.5 ms; the acquisition noise
    // (0.01 V on 2 V) widens the levels a little.
    EXPECT_NEAR(Value(1), 0.4e-3, 0.4e-3 * 0.02);
    EXPECT_NEAR(Value(2), 0.4e-3, 0.4e-3 * 0.02);
}

TEST_F(MeasureTest, StatisticsFollowEveryCaptureUntilReset)
{
    Generator(0, 1.0, 1000.0, 0.0, 1); // sine with the generator's noise: values vary
    Add(MEAS_RMS);
    Scope(4096, 100000.0, 0, 1, 0);
    ASSERT_EQ(Continuous(), 0);
    std::vector<double> seen;
    for (int i = 0; i < 6; ++i) {
        Tick();
        seen.push_back(Value(1));
    }
    StopRun();
    const ScopeMeasurement &m = scopeMeasure.rows[0];
    ASSERT_EQ(m.count, 6);
    double mean = 0, mn = seen[0], mx = seen[0];
    for (double v : seen) {
        mean += v / 6;
        mn = std::min(mn, v);
        mx = std::max(mx, v);
    }
    double ss = 0;
    for (double v : seen)
        ss += (v - mean) * (v - mean);
    EXPECT_DOUBLE_EQ(m.minimum, mn);
    EXPECT_DOUBLE_EQ(m.maximum, mx);
    EXPECT_NEAR(m.mean, mean, 1e-12);
    EXPECT_NEAR(std::sqrt(m.m2 / 5), std::sqrt(ss / 5), 1e-12);
    EXPECT_LT(mn, mx);
    EXPECT_EQ(Cell(1, 8), "6");
    EXPECT_NE(Cell(1, 7), kDash);

    // Reset: counts to zero, statistics show dashes, the value stays.
    OperateCtrl(panelScope, SCOPE_MEAS_RESET, 0);
    EXPECT_EQ(scopeMeasure.rows[0].count, 0);
    EXPECT_EQ(Cell(1, 4), kDash);
    EXPECT_EQ(Cell(1, 6), kDash);
    EXPECT_EQ(Cell(1, 8), "0");
    EXPECT_NE(Cell(1, 3), kDash);
    Shoot(4096, 100000.0);
    EXPECT_EQ(scopeMeasure.rows[0].count, 1);
    // A row added between captures waits for the next one; the record on
    // screen is not counted twice.
    Add(MEAS_MEAN);
    EXPECT_EQ(scopeMeasure.rows[0].count, 1);
    EXPECT_EQ(Cell(2, 3), kDash);
    EXPECT_EQ(Cell(2, 9), "not measured yet");
}

TEST_F(MeasureTest, GateMeasuresOnlyBetweenTheCursors)
{
    Generator(1, 1.0, 1000.0);
    Add(MEAS_MEAN);
    Add(MEAS_RISING_EDGES);
    Shoot(10000, 1.0e6);
    EXPECT_NEAR(Value(1), 0.0, 0.01);
    EXPECT_EQ(Value(2), 9.0);

    // Gate on without the cursors: a dash and the reason, not a number.
    OperateCtrl(panelScope, SCOPE_MEAS_GATE, 1);
    Shoot(10000, 1.0e6);
    EXPECT_TRUE(std::isnan(Value(1)));
    EXPECT_EQ(Cell(1, 3), kDash);
    EXPECT_NE(Cell(1, 9).find("cursors"), std::string::npos);

    // Cursors on, around the first high half period (samples 100..400).
    ScopeCursorMode(panelScope, 0, EVENT_COMMIT, Data(1), 0, 0);
    ScopeCursorMode(panelScope, 0, EVENT_COMMIT, Data(2), 0, 0);
    SetCursorAttribute(panelScope, SCOPE_TIMEGRAPH, 1, ATTR_CURSOR_MODE, VAL_FREE_FORM);
    SetCursorAttribute(panelScope, SCOPE_TIMEGRAPH, 2, ATTR_CURSOR_MODE, VAL_FREE_FORM);
    SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 1, 400, 0);
    SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 2, 100, 0);
    Shoot(10000, 1.0e6);
    EXPECT_NEAR(Value(1), 1.0, 0.01);
    // A flat stretch has no edges to count, whatever its noise does.
    EXPECT_TRUE(std::isnan(Value(2)));
    EXPECT_EQ(Cell(2, 9), "no edges: the amplitude is below 0.1 division");
    // Over three periods (samples 100..3100): three rising edges.
    SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 1, 3100, 0);
    Shoot(10000, 1.0e6);
    EXPECT_EQ(Value(2), 3.0);
}

TEST_F(MeasureTest, AConstantRecordShowsADashAndWhyNeverAnOldValue)
{
    Generator(1, 1.0, 1000.0);
    Add(MEAS_FREQUENCY);
    Add(MEAS_TOP);
    Shoot(10000, 1.0e6);
    EXPECT_EQ(Cell(1, 3), "1.000 kHz");

    Generator(5, 1.5, 1000.0); // DC
    Shoot(10000, 1.0e6);
    EXPECT_TRUE(std::isnan(Value(1)));
    EXPECT_EQ(Cell(1, 3), kDash);
    EXPECT_EQ(Cell(1, 9), "no edges: the amplitude is below 0.1 division");
    // The statistics still hold the one capture that had a frequency.
    EXPECT_EQ(Cell(1, 8), "1");
    // The levels of a constant record are still measured.
    EXPECT_NEAR(Value(2), 1.5, 0.01);
    // A square with one edge each way, no whole cycle: the library's reason.
    Generator(1, 1.0, 150.0);
    Shoot(10000, 1.0e6);
    EXPECT_EQ(Cell(1, 3), kDash);
    EXPECT_EQ(Cell(1, 9), "Not enough edges: the record holds no whole cycle");
    // A channel that is not acquired has no record at all.
    Add(MEAS_MEAN, 3);
    Channels({1});
    Shoot(10000, 1.0e6);
    EXPECT_EQ(Cell(3, 3), kDash);
    EXPECT_EQ(Cell(3, 9), "the channel is not acquired");
}

TEST_F(MeasureTest, MathTraceDivisionByZeroGivesGapsThatMeasurementsSkip)
{
    Generator(0, 1.0, 1000.0);
    Shoot(4096, 100000.0);
    // MATH1 = CH1 / CH2 through the Math panel.
    Display_Math(panelScope, SCOPE_MATH_BUTTON, EVENT_COMMIT, nullptr, 0, 0);
    ASSERT_GT(panelMath, 0);
    SetCtrlVal(panelMath, MATH_OPERATION1, WAVEFORM_DIVIDE);
    SetCtrlVal(panelMath, MATH_SOURCE_A1, 0);
    SetCtrlVal(panelMath, MATH_SOURCE_B1, 1);
    OperateCtrl(panelMath, MATH_ON1, 1);
    ASSERT_EQ(scopeMeasure.math[0].enabled, 1);
    EXPECT_EQ(CtrlDimmed(panelMath, MATH_SOURCE_B1), 0);
    Add(MEAS_MAXIMUM, kMeasSourceMath1);
    Add(MEAS_MEAN, kMeasSourceMath1);

    // CH2 exactly zero at every tenth sample, CH1 = 2 elsewhere over CH2 = 1.
    int slots = numChanIn;
    ASSERT_GE(slots, 2);
    for (int p = 0; p < 4096; ++p) {
        vBufferIn[0][iOffset + p] = 2.0;
        vBufferIn[1][iOffset + p] = p % 10 == 0 ? 0.0 : 1.0;
    }
    DeleteGraphPlot(panelScope, SCOPE_TIMEGRAPH, -1, VAL_IMMEDIATE_DRAW);
    Scope_AfterCapture();
    const ScopeMathChannel &m = scopeMeasure.math[0];
    ASSERT_TRUE(m.valid);
    EXPECT_TRUE(std::isnan(m.record[0]));
    EXPECT_TRUE(std::isnan(m.record[4090]));
    EXPECT_EQ(m.record[1], 2.0);
    EXPECT_EQ(Value(1), 2.0);
    EXPECT_EQ(Value(2), 2.0);
    // Drawn in its own colour with its own scale: one plot of the window.
    ASSERT_GT(m.plot, 0);
    const std::vector<double> shown = PlotValues(SCOPE_TIMEGRAPH, m.plot);
    ASSERT_EQ(shown.size(), static_cast<std::size_t>(Scroll_Thumb_Size));
    EXPECT_TRUE(std::isnan(shown[0]));

    // A one-source operation dims source B; Auto fits the trace on 8 divisions.
    OperateCtrl(panelMath, MATH_OPERATION1, WAVEFORM_NEGATE);
    EXPECT_EQ(CtrlDimmed(panelMath, MATH_SOURCE_B1), 1);
    OperateCtrl(panelMath, MATH_AUTO1, 0);
    double scale = 0;
    GetCtrlVal(panelMath, MATH_SCALE1, &scale);
    EXPECT_GT(scale, 0.0);
    EXPECT_LE(2.0 * 1.0 / scale, 8.0);
    // The math trace off: its measurements say why.
    OperateCtrl(panelMath, MATH_ON1, 0);
    Shoot(4096, 100000.0);
    EXPECT_EQ(Cell(1, 3), kDash);
    EXPECT_EQ(Cell(1, 9), "the math trace is off");
}

TEST_F(MeasureTest, CsvLogHoldsAHeaderAndOneRowPerCapture)
{
    Generator(1, 1.0, 1000.0);
    Add(MEAS_FREQUENCY);
    Add(MEAS_POSITIVE_DUTY);
    const std::string path = TempDir() + "/log.csv";
    testseam::QueueFileAnswer(path);
    testseam::SetDateTime(2026, 12, 8, 10, 11, 12);
    ASSERT_EQ(OperateCtrl(panelScope, SCOPE_MEAS_LOG, 1), 0);
    ASSERT_NE(scopeMeasure.log, nullptr);
    // The columns are fixed while the log runs.
    EXPECT_EQ(CtrlDimmed(panelScope, SCOPE_MEAS_ADD), 1);
    EXPECT_EQ(CtrlDimmed(panelScope, SCOPE_MEAS_REMOVE), 1);
    Scope(10000, 1.0e6, 0, 1, 0);
    ASSERT_EQ(Continuous(), 0);
    for (int i = 0; i < 3; ++i) {
        testseam::AdvanceClockMs(250);
        Tick();
    }
    StopRun();
    OperateCtrl(panelScope, SCOPE_MEAS_LOG, 0);
    EXPECT_EQ(scopeMeasure.log, nullptr);

    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(all, line)) {
        ASSERT_FALSE(line.empty());
        ASSERT_EQ(line.back(), '\r');
        line.pop_back();
        lines.push_back(line);
    }
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "Time,Elapsed (s),Frequency CH1 (Hz),+Duty CH1 (%)");
    for (int i = 1; i <= 3; ++i) {
        double elapsed = 0, f = 0, duty = 0;
        char stamp[32] = "";
        ASSERT_EQ(std::sscanf(lines[i].c_str(), "%19[^,],%lf,%lf,%lf", stamp, &elapsed, &f, &duty), 4) << lines[i];
        EXPECT_STREQ(stamp, "2026-12-08 10:11:12");
        EXPECT_NEAR(elapsed, 0.25 * i, 1e-9);
        EXPECT_NEAR(f, 1000.0, 1.0);
        EXPECT_NEAR(duty, 50.0, 0.1);
    }
    EXPECT_EQ(testseam::Failures(), 0);
}

TEST_F(MeasureTest, CsvLogFailuresAreReportedAndEndTheLog)
{
    Generator(1, 1.0, 1000.0);
    // Nothing to log yet.
    OperateCtrl(panelScope, SCOPE_MEAS_LOG, 1);
    EXPECT_EQ(scopeMeasure.log, nullptr);
    ASSERT_FALSE(Popups().empty());
    testseam::ClearShown();

    Add(MEAS_FREQUENCY);
    // Cancelled dialog: no log, switch back off, no message.
    testseam::QueueFileAnswer("");
    OperateCtrl(panelScope, SCOPE_MEAS_LOG, 1);
    EXPECT_EQ(scopeMeasure.log, nullptr);
    int on = -1;
    GetCtrlVal(panelScope, SCOPE_MEAS_LOG, &on);
    EXPECT_EQ(on, 0);
    EXPECT_TRUE(Popups().size() == 1u); // the dialog itself

    // A folder that does not exist.
    testseam::ClearShown();
    testseam::QueueFileAnswer(TempDir() + "/missing/log.csv");
    OperateCtrl(panelScope, SCOPE_MEAS_LOG, 1);
    EXPECT_EQ(scopeMeasure.log, nullptr);
    ASSERT_EQ(Popups().size(), 2u);
    EXPECT_EQ(Popups()[1].rfind("Error message|", 0), 0u);

    // A device that takes nothing: the first write fails, the log ends.
    testseam::ClearShown();
    testseam::QueueFileAnswer("/dev/full");
    OperateCtrl(panelScope, SCOPE_MEAS_LOG, 1);
    EXPECT_EQ(scopeMeasure.log, nullptr);
    GetCtrlVal(panelScope, SCOPE_MEAS_LOG, &on);
    EXPECT_EQ(on, 0);
    ASSERT_EQ(Popups().size(), 2u);
    EXPECT_NE(Popups()[1].find("could not be written"), std::string::npos);
    // The bench goes on measuring.
    Shoot(10000, 1.0e6);
    EXPECT_NEAR(Value(1), 1000.0, 1.0);
}

TEST(MeasureFormat, ValuesCarryFourDigitsAndAPrefix)
{
    EXPECT_EQ(Scope_FormatMeasurement(MEAS_FREQUENCY, 999.96), "1.000 kHz");
    EXPECT_EQ(Scope_FormatMeasurement(MEAS_PERIOD, 2.5e-9), "2.500 ns");
    EXPECT_EQ(Scope_FormatMeasurement(MEAS_TOP, -0.01234), "-12.34 mV");
    EXPECT_EQ(Scope_FormatMeasurement(MEAS_TOP, 0.0), "0.000 V");
    EXPECT_EQ(Scope_FormatMeasurement(MEAS_POSITIVE_DUTY, 33.333), "33.33 %");
    EXPECT_EQ(Scope_FormatMeasurement(MEAS_RISING_EDGES, 12), "12");
    EXPECT_EQ(Scope_FormatMeasurement(MEAS_TOP, std::nan("")), kDash);
    EXPECT_EQ(Scope_FormatMeasurement(-1, 1.0), kDash);
}

} // namespace
