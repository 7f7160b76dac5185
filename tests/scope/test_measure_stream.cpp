// The measurement table after a stream to RAM (the decimated record and
// its time step, statistics over streams, a math trace of the stream) and
// after a capture that failed: a dash and why, never the values of an
// earlier record.
#include <cmath>
#include <string>
#include <vector>

#include "analysis/waveform_math.h"
#include "test_capture_support.h"

using namespace acqtest;

namespace
{

const std::string kDash = "\xE2\x80\x94";

class StreamMeasureTest : public AcqTest
{
  protected:
    static void Add(int type, int source = 0)
    {
        ASSERT_EQ(SetCtrlVal(panelScope, SCOPE_MEAS_TYPE, type), 0);
        ASSERT_EQ(SetCtrlVal(panelScope, SCOPE_MEAS_SOURCE, source), 0);
        ASSERT_EQ(OperateCtrl(panelScope, SCOPE_MEAS_ADD, 0), 0);
    }
    static const ScopeMeasurement &Row(int row) { return scopeMeasure.rows.at(static_cast<std::size_t>(row - 1)); }
    static std::string Cell(int row, int column)
    {
        char text[1024] = "";
        EXPECT_EQ(GetTableCellVal(panelScope, SCOPE_MEAS_TABLE, row, column, text), 0);
        return text;
    }
    static void MathIntegralOfCh1()
    {
        Display_Math(panelScope, SCOPE_MATH_BUTTON, EVENT_COMMIT, nullptr, 0, 0);
        ASSERT_GT(panelMath, 0);
        SetCtrlVal(panelMath, MATH_OPERATION1, WAVEFORM_INTEGRAL);
        SetCtrlVal(panelMath, MATH_SOURCE_A1, 0);
        OperateCtrl(panelMath, MATH_ON1, 1);
    }
    static void BadFilter()
    {
        SetCtrlVal(panelFilter, FILTER_ONOFF, 1);
        SetCtrlVal(panelFilter, FILTER_TYPE, 2);
        SetCtrlVal(panelFilter, FILTER_LOW_FREQ, 9000.0);
        SetCtrlVal(panelFilter, FILTER_HIGH_FREQ, 1000.0); // band upside down
        isFilterON = 1;
    }
    // Mean period of a square record: rising crossings of the mid level
    // (with a hysteresis of a tenth of the swing), first to last.
    static double PeriodOf(const double *x, int n, double dt)
    {
        double lo = x[0], hi = x[0];
        for (int i = 0; i < n; ++i) {
            lo = std::min(lo, x[i]);
            hi = std::max(hi, x[i]);
        }
        const double mid = 0.5 * (lo + hi), band = 0.1 * (hi - lo);
        std::vector<double> rising;
        bool low = x[0] < mid;
        for (int i = 1; i < n; ++i) {
            if (low && x[i] > mid + band) {
                int j = i;
                while (j > 0 && x[j - 1] > mid)
                    --j;
                rising.push_back(j - 1 + (mid - x[j - 1]) / (x[j] - x[j - 1]));
                low = false;
            } else if (!low && x[i] < mid - band) {
                low = true;
            }
        }
        if (rising.size() < 2)
            return NAN;
        return (rising.back() - rising.front()) / static_cast<double>(rising.size() - 1) * dt;
    }
};

TEST_F(StreamMeasureTest, AStreamIsMeasuredAtItsDecimatedTimeStep)
{
    Channels({1});
    Add(MEAS_FREQUENCY);
    Add(MEAS_PERIOD);
    Add(MEAS_PEAK_TO_PEAK, kMeasSourceMath1);
    // A normal capture of a 2 kHz square first: its values must not stay.
    Generator(1, 1.0, 2000.0);
    Scope(8192, 1.0e6, 0, 1, 0);
    ASSERT_EQ(OneShot(), 0);
    Tick();
    MathIntegralOfCh1();
    EXPECT_NEAR(Row(1).value, 2000.0, 2.0);

    // A 1 kHz square streamed at 1 MS/s, one sample in 4 kept: 4 us apart.
    Generator(1, 1.0, 1000.0);
    Streaming(4);
    Scope(65536, 1.0e6);
    ASSERT_EQ(OneShot(), 0);
    Tick();
    ASSERT_EQ(RequestedSamples, 16384);
    const double dt = 4.0e-6;
    const double period = PeriodOf(vBufferIn[0], 16384, dt);
    ASSERT_NEAR(period, 1.0e-3, 1.0e-6);
    EXPECT_NEAR(Row(1).value, 1.0 / period, 1e-3 / period);
    EXPECT_NEAR(Row(2).value, period, 1e-3 * period);
    EXPECT_EQ(Cell(1, 3), "1.000 kHz");
    EXPECT_EQ(Cell(2, 3), "1.000 ms");
    // The math trace of the stream integrates over 4 us steps: a triangle
    // of 0.5 ms x 1 V peak to peak.
    double sum = 0.0, lo = 0.0, hi = 0.0;
    for (int i = 1; i < 16384; ++i) {
        sum += 0.5 * (vBufferIn[0][i - 1] + vBufferIn[0][i]) * dt;
        lo = std::min(lo, sum);
        hi = std::max(hi, sum);
    }
    EXPECT_NEAR(Row(3).value, hi - lo, 1e-9 * (hi - lo));
    EXPECT_NEAR(Row(3).value, 0.5e-3, 0.02 * 0.5e-3);
    // Statistics: the normal capture and this stream.
    EXPECT_EQ(Row(1).count, 2);

    // A second stream adds to them.
    ASSERT_EQ(OneShot(), 0);
    Tick();
    EXPECT_EQ(Row(1).count, 3);
    EXPECT_EQ(Cell(1, 8), "3");
}

TEST_F(StreamMeasureTest, AFailedStreamOrCaptureShowsADashAndWhy)
{
    Channels({1});
    Add(MEAS_FREQUENCY);
    Generator(1, 1.0, 1000.0);
    Scope(8192, 1.0e6, 0, 1, 0);
    ASSERT_EQ(OneShot(), 0);
    Tick();
    ASSERT_EQ(Row(1).count, 1);
    ASSERT_TRUE(std::isfinite(Row(1).value));

    // A filter that cannot be designed: the stream is not taken.
    BadFilter();
    Streaming(2);
    Scope(8192, 1.0e6);
    ASSERT_EQ(OneShot(), 0);
    Tick();
    EXPECT_TRUE(std::isnan(Row(1).value));
    EXPECT_EQ(Cell(1, 3), kDash);
    EXPECT_EQ(Cell(1, 9), "no stream: the filter design failed");
    EXPECT_EQ(Row(1).count, 1);
    EXPECT_EQ(Cell(1, 4), "1.000 kHz"); // the statistics stay

    // The same in a normal capture: the slot got no filtered record.
    SetCtrlVal(panelAd_Scope, AD_SCOPE_STREAMING, 0);
    onOK_Ad_Scope(panelAd_Scope, AD_SCOPE_OK, EVENT_COMMIT, nullptr, 0, 0);
    SetCtrlVal(panelFilter, FILTER_ONOFF, 0);
    isFilterON = 0;
    ASSERT_EQ(OneShot(), 0);
    Tick();
    ASSERT_EQ(Row(1).count, 2);
    BadFilter();
    ASSERT_EQ(OneShot(), 0);
    Tick();
    EXPECT_EQ(Cell(1, 3), kDash);
    EXPECT_EQ(Cell(1, 9), "no record: the capture failed");
    EXPECT_EQ(Row(1).count, 2);
}

} // namespace
