// Waveform arithmetic for math traces and the display scale of a trace.
#include "analysis/analysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace
{

const double kPi = 3.14159265358979323846;
const double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(WaveformMath, ArithmeticOfTwoRecords)
{
    const std::vector<double> a = {1.0, -2.0, 3.5, 0.0, kNaN, 6.0};
    const std::vector<double> b = {2.0, 4.0, -0.5, 0.0, 1.0, 0.0};
    std::vector<double> out(6);
    ASSERT_EQ(WaveformMath(a.data(), b.data(), 6, WAVEFORM_ADD, 0.0, 8, out.data(), nullptr), 0);
    EXPECT_EQ(out[0], 3.0);
    EXPECT_EQ(out[2], 3.0);
    EXPECT_TRUE(std::isnan(out[4])); // a NaN sample carries through
    ASSERT_EQ(WaveformMath(a.data(), b.data(), 6, WAVEFORM_SUBTRACT, 0.0, 8, out.data(), nullptr), 0);
    EXPECT_EQ(out[1], -6.0);
    EXPECT_EQ(out[5], 6.0);
    ASSERT_EQ(WaveformMath(a.data(), b.data(), 6, WAVEFORM_MULTIPLY, 0.0, 8, out.data(), nullptr), 0);
    EXPECT_EQ(out[1], -8.0);
    EXPECT_EQ(out[2], -1.75);
    ASSERT_EQ(WaveformMath(a.data(), b.data(), 6, WAVEFORM_DIVIDE, 0.0, 8, out.data(), nullptr), 0);
    EXPECT_EQ(out[0], 0.5);
    EXPECT_EQ(out[2], -7.0);
    // Division by zero: NaN, never an infinity, 0/0 included.
    EXPECT_TRUE(std::isnan(out[3]));
    EXPECT_TRUE(std::isnan(out[5]));
    EXPECT_TRUE(std::isnan(out[4]));
    ASSERT_EQ(WaveformMath(a.data(), nullptr, 6, WAVEFORM_NEGATE, 0.0, 8, out.data(), nullptr), 0);
    EXPECT_EQ(out[1], 2.0);
    EXPECT_EQ(out[2], -3.5);
    ASSERT_EQ(WaveformMath(a.data(), nullptr, 6, WAVEFORM_ABSOLUTE, 0.0, 8, out.data(), nullptr), 0);
    EXPECT_EQ(out[1], 2.0);
    EXPECT_EQ(out[2], 3.5);

    // In place, into either input.
    std::vector<double> c = a;
    ASSERT_EQ(WaveformMath(c.data(), b.data(), 6, WAVEFORM_MULTIPLY, 0.0, 8, c.data(), nullptr), 0);
    EXPECT_EQ(c[1], -8.0);
    c = b;
    ASSERT_EQ(WaveformMath(a.data(), c.data(), 6, WAVEFORM_SUBTRACT, 0.0, 8, c.data(), nullptr), 0);
    EXPECT_EQ(c[1], -6.0);
}

TEST(WaveformMath, DerivativeAndIntegral)
{
    const int n = 1000;
    const double dt = 1e-5, f = 500.0;
    std::vector<double> s(n), ramp(n), out(n);
    for (int i = 0; i < n; ++i) {
        s[static_cast<std::size_t>(i)] = std::sin(2.0 * kPi * f * i * dt);
        ramp[static_cast<std::size_t>(i)] = 3.0 * i * dt - 1.0;
    }
    // A ramp's derivative is exact everywhere, the ends included.
    ASSERT_EQ(WaveformMath(ramp.data(), nullptr, n, WAVEFORM_DERIVATIVE, dt, 8, out.data(), nullptr), 0);
    for (double v : out)
        EXPECT_NEAR(v, 3.0, 1e-9);
    // A sine's derivative: central differences are second-order accurate.
    ASSERT_EQ(WaveformMath(s.data(), nullptr, n, WAVEFORM_DERIVATIVE, dt, 8, out.data(), nullptr), 0);
    const double w = 2.0 * kPi * f;
    for (int i = 1; i < n - 1; ++i)
        EXPECT_NEAR(out[static_cast<std::size_t>(i)], w * std::cos(w * i * dt), w * (w * dt) * (w * dt) / 6.0 * 1.01);

    // The trapezoid integral of a ramp is exact: 1.5 t^2 - t.
    ASSERT_EQ(WaveformMath(ramp.data(), nullptr, n, WAVEFORM_INTEGRAL, dt, 8, out.data(), nullptr), 0);
    for (int i = 0; i < n; ++i) {
        const double t = i * dt;
        EXPECT_NEAR(out[static_cast<std::size_t>(i)], 1.5 * t * t - t, 1e-12);
    }
    // Of a sine: (1 - cos) / w, to the trapezoid's second order.
    ASSERT_EQ(WaveformMath(s.data(), nullptr, n, WAVEFORM_INTEGRAL, dt, 8, out.data(), nullptr), 0);
    for (int i = 0; i < n; ++i)
        EXPECT_NEAR(out[static_cast<std::size_t>(i)], (1.0 - std::cos(w * i * dt)) / w, 1e-7);

    // In place: the same results.
    std::vector<double> d = s, ref(n);
    ASSERT_EQ(WaveformMath(s.data(), nullptr, n, WAVEFORM_DERIVATIVE, dt, 8, ref.data(), nullptr), 0);
    ASSERT_EQ(WaveformMath(d.data(), nullptr, n, WAVEFORM_DERIVATIVE, dt, 8, d.data(), nullptr), 0);
    EXPECT_EQ(d, ref);
    d = s;
    ASSERT_EQ(WaveformMath(s.data(), nullptr, n, WAVEFORM_INTEGRAL, dt, 8, ref.data(), nullptr), 0);
    ASSERT_EQ(WaveformMath(d.data(), nullptr, n, WAVEFORM_INTEGRAL, dt, 8, d.data(), nullptr), 0);
    EXPECT_EQ(d, ref);
}

TEST(WaveformMath, NaNSamplesInDerivativeAndIntegral)
{
    // A ramp of slope 2 with holes: the derivative stays 2 beside them
    // (one-sided), the integral bridges them.
    std::vector<double> x = {kNaN, 0.0, 2.0, 4.0, kNaN, 8.0, 10.0, kNaN, kNaN, 16.0, kNaN};
    std::vector<double> out(x.size());
    const int n = static_cast<int>(x.size());
    ASSERT_EQ(WaveformMath(x.data(), nullptr, n, WAVEFORM_DERIVATIVE, 1.0, 8, out.data(), nullptr), 0);
    for (int i : {1, 2, 3, 5, 6})
        EXPECT_DOUBLE_EQ(out[static_cast<std::size_t>(i)], 2.0) << i;
    for (int i : {0, 4, 7, 8, 9, 10}) // NaN samples, and 16 with no finite neighbour
        EXPECT_TRUE(std::isnan(out[static_cast<std::size_t>(i)])) << i;

    ASSERT_EQ(WaveformMath(x.data(), nullptr, n, WAVEFORM_INTEGRAL, 1.0, 8, out.data(), nullptr), 0);
    // Integral of 2(t - 1) from t = 1 (the first finite sample): (t - 1)^2.
    for (int i : {1, 2, 3, 5, 6, 9})
        EXPECT_DOUBLE_EQ(out[static_cast<std::size_t>(i)], double(i - 1) * (i - 1)) << i;
    for (int i : {0, 4, 7, 8, 10})
        EXPECT_TRUE(std::isnan(out[static_cast<std::size_t>(i)])) << i;
}

TEST(WaveformMath, QuotientWithZerosIsMeasuredAcrossItsHoles)
{
    // a / b where b is a constant 2 with zeros here and there: the square
    // halved, with NaN holes that the pulse measurements skip.
    const int n = 10000;
    std::vector<double> a(n), b(n, 2.0), q(n);
    for (int i = 0; i < n; ++i)
        a[static_cast<std::size_t>(i)] = (i % 1000) < 500 ? 1.0 : -1.0;
    for (int i = 7; i < n; i += 101)
        b[static_cast<std::size_t>(i)] = 0.0;
    WaveformScale scale{0, 0};
    ASSERT_EQ(WaveformMath(a.data(), b.data(), n, WAVEFORM_DIVIDE, 0.0, 8, q.data(), &scale), 0);
    EXPECT_TRUE(std::isnan(q[7]));
    EXPECT_EQ(scale.scale, 0.2); // 1 V over 8 divisions -> 0.125 -> 0.2 V/div
    EXPECT_EQ(scale.offset, 0.0);
    PulseMeasurements m;
    ASSERT_EQ(PulseMeasure(q.data(), n, 1e-6, &m), 0);
    EXPECT_DOUBLE_EQ(m.top, 0.5);
    EXPECT_DOUBLE_EQ(m.base, -0.5);
    EXPECT_NEAR(m.period, 1e-3, 1e-7);
    EXPECT_NEAR(m.positiveDuty, 50.0, 0.1);
}

TEST(WaveformMath, DisplayScaleAndOffset)
{
    WaveformScale s{0, 0};
    const double sine[] = {-1.0, 0.0, 1.0};
    ASSERT_EQ(WaveformDisplayScale(sine, 3, 8, &s), 0);
    EXPECT_EQ(s.scale, 0.5); // 2 V over 8 divisions needs 0.25: 0.5 V/div
    EXPECT_EQ(s.offset, 0.0);
    const double shifted[] = {3.0, 5.0, kNaN, 4.0};
    ASSERT_EQ(WaveformDisplayScale(shifted, 4, 10, &s), 0);
    EXPECT_DOUBLE_EQ(s.scale, 0.2); // exactly 0.2 fits
    EXPECT_EQ(s.offset, 4.0);
    const double big[] = {-3000.0, 12000.0};
    ASSERT_EQ(WaveformDisplayScale(big, 2, 8, &s), 0);
    EXPECT_DOUBLE_EQ(s.scale, 2000.0);
    EXPECT_EQ(s.offset, 4500.0);
    const double constant[] = {0.03, 0.03};
    ASSERT_EQ(WaveformDisplayScale(constant, 2, 8, &s), 0);
    EXPECT_DOUBLE_EQ(s.scale, 0.005);
    EXPECT_DOUBLE_EQ(s.offset, 0.03);
    const double zero[] = {0.0};
    ASSERT_EQ(WaveformDisplayScale(zero, 1, 8, &s), 0);
    EXPECT_EQ(s.scale, 1.0);
    EXPECT_EQ(s.offset, 0.0);

    // The derivative of a 1 kHz sine of 1 V peaks at 6283 V/s: 2 kV/s per
    // division over 8 divisions.
    std::vector<double> x(2000), d(2000);
    double phase = 0.0;
    ASSERT_EQ(SineWave(2000, 1.0, 1e-3, &phase, x.data()), 0);
    ASSERT_EQ(WaveformMath(x.data(), nullptr, 2000, WAVEFORM_DERIVATIVE, 1e-6, 8, d.data(), &s), 0);
    EXPECT_DOUBLE_EQ(s.scale, 2000.0);
    EXPECT_NEAR(s.offset, 0.0, 1e-3);

    // A result without a finite sample: scale 1, offset 0.
    const double zeros[] = {0.0, 0.0};
    double q[2];
    ASSERT_EQ(WaveformMath(zeros, zeros, 2, WAVEFORM_DIVIDE, 0.0, 8, q, &s), 0);
    EXPECT_EQ(s.scale, 1.0);
    EXPECT_EQ(s.offset, 0.0);
    EXPECT_EQ(WaveformDisplayScale(q, 2, 8, &s), NoFiniteSamplesAnlysErr);
}

TEST(WaveformMath, EveryInvalidArgumentHasItsStatus)
{
    double a[3] = {1, 2, 3}, b[3] = {1, 1, 1}, out[3] = {7, 7, 7};
    WaveformScale s{5.0, 5.0};
    for (int n : {0, -4})
        EXPECT_EQ(WaveformMath(a, b, n, WAVEFORM_ADD, 1.0, 8, out, &s), SamplesGTZeroAnlysErr);
    EXPECT_EQ(WaveformMath(a, b, 3, -1, 1.0, 8, out, &s), InvSelectionAnlysErr);
    EXPECT_EQ(WaveformMath(a, b, 3, 8, 1.0, 8, out, &s), InvSelectionAnlysErr);
    EXPECT_EQ(WaveformMath(nullptr, b, 3, WAVEFORM_NEGATE, 1.0, 8, out, &s), ArraySizeAnlysErr);
    EXPECT_EQ(WaveformMath(a, nullptr, 3, WAVEFORM_DIVIDE, 1.0, 8, out, &s), ArraySizeAnlysErr);
    EXPECT_EQ(WaveformMath(a, b, 3, WAVEFORM_ADD, 1.0, 8, nullptr, &s), ArraySizeAnlysErr);
    EXPECT_EQ(WaveformMath(a, nullptr, 1, WAVEFORM_DERIVATIVE, 1.0, 8, out, &s), SamplesGETwoAnlysErr);
    for (int op : {WAVEFORM_DERIVATIVE, WAVEFORM_INTEGRAL})
        for (double dt : {0.0, -1.0, kNaN, std::numeric_limits<double>::infinity()})
            EXPECT_EQ(WaveformMath(a, nullptr, 3, op, dt, 8, out, &s), DtGTZeroAnlysErr);
    EXPECT_EQ(WaveformMath(a, b, 3, WAVEFORM_ADD, 1.0, 0, out, &s), DivisionsGTZeroAnlysErr);
    for (double v : out)
        EXPECT_EQ(v, 7.0);
    EXPECT_EQ(s.scale, 5.0);
    // Divisions are read only when a display scale is wanted; dt only by
    // the derivative and the integral.
    EXPECT_EQ(WaveformMath(a, b, 3, WAVEFORM_ADD, kNaN, 0, out, nullptr), 0);

    EXPECT_EQ(WaveformDisplayScale(a, 0, 8, &s), SamplesGTZeroAnlysErr);
    EXPECT_EQ(WaveformDisplayScale(nullptr, 3, 8, &s), ArraySizeAnlysErr);
    EXPECT_EQ(WaveformDisplayScale(a, 3, 8, nullptr), ArraySizeAnlysErr);
    EXPECT_EQ(WaveformDisplayScale(a, 3, 0, &s), DivisionsGTZeroAnlysErr);
    EXPECT_EQ(WaveformDisplayScale(a, 3, -8, &s), DivisionsGTZeroAnlysErr);
    EXPECT_EQ(s.scale, 5.0);
}

} // namespace
