// Pulse and timing measurements: levels, edges, cycles, and the records
// that hold no whole cycle.
#include "analysis/analysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace
{

constexpr double kDt = 1e-6; // 1 MS/s

// Square of the given period and high samples per period, +1 then -1,
// starting 'shift' samples into a period.
std::vector<double> Square(int n, int period, int high, int shift = 0)
{
    std::vector<double> x(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        x[static_cast<std::size_t>(i)] = ((i + shift) % period) < high ? 1.0 : -1.0;
    return x;
}

bool Unwritten(const PulseMeasurements &m)
{
    PulseMeasurements sentinel;
    std::memset(&sentinel, 0x5A, sizeof sentinel);
    return std::memcmp(&m, &sentinel, sizeof m) == 0;
}

PulseMeasurements Fresh()
{
    PulseMeasurements m;
    std::memset(&m, 0x5A, sizeof m);
    return m;
}

TEST(Pulse, SquareOneKilohertzAtOneMegasample)
{
    // 10.25 cycles, starting mid-way through the high half.
    const std::vector<double> x = Square(10250, 1000, 500, 200);
    PulseMeasurements m = Fresh();
    ASSERT_EQ(PulseMeasure(x.data(), 10250, kDt, &m), 0);
    EXPECT_DOUBLE_EQ(m.top, 1.0);
    EXPECT_DOUBLE_EQ(m.base, -1.0);
    EXPECT_DOUBLE_EQ(m.amplitude, 2.0);
    EXPECT_NEAR(m.period, 1.000e-3, 1e-12);
    EXPECT_NEAR(m.frequency, 1000.0, 1e-6);
    EXPECT_NEAR(m.positiveWidth, 0.5e-3, 1e-12);
    EXPECT_NEAR(m.negativeWidth, 0.5e-3, 1e-12);
    EXPECT_NEAR(m.positiveDuty, 50.0, 1e-9);
    EXPECT_NEAR(m.negativeDuty, 50.0, 1e-9);
    // One sample from -1 to +1: 10 % to 90 % is 0.8 of a sample.
    EXPECT_NEAR(m.riseTime, 0.8e-6, 1e-15);
    EXPECT_NEAR(m.fallTime, 0.8e-6, 1e-15);
    EXPECT_DOUBLE_EQ(m.overshoot, 0.0);
    EXPECT_DOUBLE_EQ(m.preshoot, 0.0);
    EXPECT_NEAR(m.cycleMean, 0.0, 1e-12);
    EXPECT_NEAR(m.cycleRms, 1.0, 1e-12);
    EXPECT_EQ(m.risingEdges, 10);
    EXPECT_EQ(m.fallingEdges, 10);
    EXPECT_EQ(m.cycles, 9);

    // The library's own square wave: its accumulated phase moves an edge by
    // a sample here and there, so the figures agree to a sample over the
    // record: 1.000 ms, 1.000 kHz, 50.0 %.
    std::vector<double> s(20000);
    double phase = 0.0;
    ASSERT_EQ(SquareWave(20000, 1.0, 1000.0 * kDt, &phase, 50.0, s.data()), 0);
    ASSERT_EQ(PulseMeasure(s.data(), 20000, kDt, &m), 0);
    EXPECT_NEAR(m.period, 1.000e-3, 1e-7);
    EXPECT_NEAR(m.frequency, 1000.0, 0.1);
    EXPECT_NEAR(m.positiveDuty, 50.0, 0.05);
    EXPECT_NEAR(m.positiveWidth, 0.5e-3, 1e-7);
    EXPECT_NEAR(m.negativeWidth, 0.5e-3, 1e-7);
}

TEST(Pulse, DutyCycleWidthsAndCyclesStartingOnAFallingEdge)
{
    // 25 % duty, 2.5 cycles starting high: edges fall, rise, fall, rise,
    // fall -> two rising edges, so the cycle runs rising to rising.
    std::vector<double> x = Square(2500, 1000, 250, 100);
    PulseMeasurements m = Fresh();
    ASSERT_EQ(PulseMeasure(x.data(), 2500, kDt, &m), 0);
    EXPECT_EQ(m.risingEdges, 2);
    EXPECT_EQ(m.fallingEdges, 3);
    EXPECT_EQ(m.cycles, 1);
    EXPECT_NEAR(m.period, 1e-3, 1e-12);
    EXPECT_NEAR(m.positiveWidth, 0.25e-3, 1e-12);
    EXPECT_NEAR(m.negativeWidth, 0.75e-3, 1e-12);
    EXPECT_NEAR(m.positiveDuty, 25.0, 1e-9);
    EXPECT_NEAR(m.negativeDuty, 75.0, 1e-9);

    // 1.6 cycles: one rising edge, two falling: the cycle runs falling to
    // falling and still gives the same widths.
    x = Square(1600, 1000, 250, 100);
    ASSERT_EQ(PulseMeasure(x.data(), 1600, kDt, &m), 0);
    EXPECT_EQ(m.risingEdges, 1);
    EXPECT_EQ(m.fallingEdges, 2);
    EXPECT_EQ(m.cycles, 1);
    EXPECT_NEAR(m.period, 1e-3, 1e-12);
    EXPECT_NEAR(m.positiveWidth, 0.25e-3, 1e-12);
    EXPECT_NEAR(m.negativeDuty, 75.0, 1e-9);
    // Cycle mean of a 25 % square: 0.25 - 0.75.
    EXPECT_NEAR(m.cycleMean, -0.5, 1e-12);
    EXPECT_NEAR(m.cycleRms, 1.0, 1e-12);
}

TEST(Pulse, TriangleRiseTimeIsEightTenthsOfHalfPeriod)
{
    std::vector<double> x(8000);
    double phase = 0.0;
    ASSERT_EQ(TriangleWave(8000, 1.0, 1000.0 * kDt, &phase, x.data()), 0);
    PulseMeasurements m = Fresh();
    ASSERT_EQ(PulseMeasure(x.data(), 8000, kDt, &m), 0);
    // No plateau: top and base are the extremes.
    EXPECT_NEAR(m.top, 1.0, 1e-12);
    EXPECT_NEAR(m.base, -1.0, 1e-12);
    EXPECT_NEAR(m.riseTime, 0.8 * 0.5e-3, 1e-9);
    EXPECT_NEAR(m.fallTime, 0.8 * 0.5e-3, 1e-9);
    EXPECT_NEAR(m.period, 1e-3, 1e-9);
    EXPECT_NEAR(m.positiveDuty, 50.0, 1e-6);
    // Mean 0 and RMS 1/sqrt(3) over whole cycles.
    EXPECT_NEAR(m.cycleMean, 0.0, 1e-3);
    EXPECT_NEAR(m.cycleRms, 1.0 / std::sqrt(3.0), 1e-3);
    EXPECT_NEAR(m.overshoot, 0.0, 1e-9);
}

TEST(Pulse, NoisySquareAndSineKeepTheirTiming)
{
    std::vector<double> x = Square(50000, 1000, 500), noise(50000);
    ASSERT_EQ(WhiteNoise(50000, 0.1, 7, noise.data()), 0);
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] += noise[i];
    double top = 0.0, base = 0.0;
    ASSERT_EQ(PulseLevels(x.data(), 50000, &top, &base), 0);
    EXPECT_NEAR(top, 1.0, 0.01);
    EXPECT_NEAR(base, -1.0, 0.01);
    PulseMeasurements m = Fresh();
    ASSERT_EQ(PulseMeasure(x.data(), 50000, kDt, &m), 0);
    // Hysteresis: one edge per transition despite the noise.
    EXPECT_EQ(m.risingEdges, 49);
    EXPECT_EQ(m.fallingEdges, 50);
    EXPECT_NEAR(m.period, 1e-3, 1e-8);
    EXPECT_NEAR(m.positiveDuty, 50.0, 0.05);

    std::vector<double> s(50000);
    double phase = 0.0;
    ASSERT_EQ(SineWave(50000, 2.0, 1234.5 * kDt, &phase, s.data()), 0);
    ASSERT_EQ(WhiteNoise(50000, 0.05, 9, noise.data()), 0);
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] += noise[i];
    ASSERT_EQ(PulseMeasure(s.data(), 50000, kDt, &m), 0);
    EXPECT_NEAR(m.frequency, 1234.5, 0.5);
    EXPECT_NEAR(m.positiveDuty, 50.0, 0.2);
    EXPECT_NEAR(m.cycleRms, std::sqrt(2.0 + 0.05 * 0.05 / 3.0), 2e-3);
}

TEST(Pulse, OvershootAndPreshoot)
{
    std::vector<double> x = Square(5000, 1000, 500, 500);
    for (int c = 0; c < 5; ++c) {
        // Ringing after each rising edge, a dip before it.
        const std::size_t rise = static_cast<std::size_t>(c * 1000 + 500);
        if (rise + 3 < x.size()) {
            x[rise] = 1.3;
            x[rise + 1] = 1.1;
        }
        x[rise - 1] = -1.2;
    }
    PulseMeasurements m = Fresh();
    ASSERT_EQ(PulseMeasure(x.data(), 5000, kDt, &m), 0);
    EXPECT_DOUBLE_EQ(m.top, 1.0);
    EXPECT_DOUBLE_EQ(m.base, -1.0);
    EXPECT_NEAR(m.overshoot, 15.0, 1e-9); // (1.3 - 1) / 2
    EXPECT_NEAR(m.preshoot, 10.0, 1e-9);  // (-1 - -1.2) / 2
    EXPECT_NEAR(m.period, 1e-3, 1e-12);
}

TEST(Pulse, RecordsWithoutAWholeCycle)
{
    // Less than a cycle: one rising edge, no falling edge.
    std::vector<double> x = Square(800, 1000, 500, 700);
    PulseMeasurements m = Fresh();
    EXPECT_EQ(PulseMeasure(x.data(), 800, kDt, &m), NotEnoughEdgesAnlysErr);
    EXPECT_STREQ(GetAnalysisErrorString(NotEnoughEdgesAnlysErr),
                 "Not enough edges: the record holds no whole cycle");
    EXPECT_EQ(m.risingEdges, 1);
    EXPECT_EQ(m.fallingEdges, 0);
    EXPECT_EQ(m.cycles, 0);
    EXPECT_DOUBLE_EQ(m.top, 1.0);
    EXPECT_NEAR(m.riseTime, 0.8e-6, 1e-15); // the one complete edge
    EXPECT_TRUE(std::isnan(m.fallTime));
    for (double v : {m.period, m.frequency, m.positiveWidth, m.negativeWidth, m.positiveDuty, m.negativeDuty,
                     m.cycleMean, m.cycleRms})
        EXPECT_TRUE(std::isnan(v));

    // A constant record: levels, nothing else.
    std::vector<double> c(1000, 0.7);
    m = Fresh();
    EXPECT_EQ(PulseMeasure(c.data(), 1000, kDt, &m), NotEnoughEdgesAnlysErr);
    EXPECT_DOUBLE_EQ(m.top, 0.7);
    EXPECT_DOUBLE_EQ(m.base, 0.7);
    EXPECT_DOUBLE_EQ(m.amplitude, 0.0);
    EXPECT_EQ(m.risingEdges + m.fallingEdges, 0);
    EXPECT_TRUE(std::isnan(m.overshoot) && std::isnan(m.riseTime) && std::isnan(m.period));

    // A single sample, and a ramp (edges that never come back).
    double one = 3.0;
    EXPECT_EQ(PulseMeasure(&one, 1, kDt, &m), NotEnoughEdgesAnlysErr);
    std::vector<double> ramp(500);
    for (int i = 0; i < 500; ++i)
        ramp[static_cast<std::size_t>(i)] = i;
    EXPECT_EQ(PulseMeasure(ramp.data(), 500, kDt, &m), NotEnoughEdgesAnlysErr);
    EXPECT_EQ(m.risingEdges, 1);
    EXPECT_EQ(m.fallingEdges, 0);
}

TEST(Pulse, NaNAndInfiniteSamplesAreSkipped)
{
    std::vector<double> x = Square(10000, 1000, 500);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    // Holes everywhere, including right at the edges (499/500, 999/1000).
    for (std::size_t i = 3; i < x.size(); i += 97)
        x[i] = nan;
    x[499] = nan;
    x[1000] = iDNaN;
    x[1500] = inf;
    x[2500] = -inf;
    PulseMeasurements m = Fresh();
    ASSERT_EQ(PulseMeasure(x.data(), 10000, kDt, &m), 0);
    EXPECT_DOUBLE_EQ(m.top, 1.0);
    EXPECT_DOUBLE_EQ(m.base, -1.0);
    EXPECT_DOUBLE_EQ(m.overshoot, 0.0);
    EXPECT_EQ(m.risingEdges, 9);
    EXPECT_EQ(m.fallingEdges, 10);
    // The edges beside a hole are interpolated across it; the average over
    // nine cycles moves by well under a sample.
    EXPECT_NEAR(m.period, 1e-3, 0.2e-6);
    EXPECT_NEAR(m.positiveDuty, 50.0, 0.05);
    EXPECT_NEAR(m.cycleRms, 1.0, 1e-12);

    std::vector<double> holes(100, nan);
    double top = 5.0, base = 5.0;
    EXPECT_EQ(PulseLevels(holes.data(), 100, &top, &base), NoFiniteSamplesAnlysErr);
    EXPECT_EQ(top, 5.0);
    holes[50] = inf;
    m = Fresh();
    EXPECT_EQ(PulseMeasure(holes.data(), 100, kDt, &m), NoFiniteSamplesAnlysErr);
    EXPECT_TRUE(Unwritten(m));
}

TEST(Pulse, EveryInvalidArgumentHasItsStatus)
{
    std::vector<double> x = Square(3000, 1000, 500);
    PulseMeasurements m = Fresh();
    double top = 9.0, base = 9.0;

    for (int n : {0, -1, -2147483647 - 1}) {
        EXPECT_EQ(PulseMeasure(x.data(), n, kDt, &m), SamplesGTZeroAnlysErr);
        EXPECT_EQ(PulseLevels(x.data(), n, &top, &base), SamplesGTZeroAnlysErr);
    }
    EXPECT_EQ(PulseMeasure(nullptr, 3000, kDt, &m), ArraySizeAnlysErr);
    EXPECT_EQ(PulseMeasure(x.data(), 3000, kDt, nullptr), ArraySizeAnlysErr);
    EXPECT_EQ(PulseLevels(nullptr, 3000, &top, &base), ArraySizeAnlysErr);
    EXPECT_EQ(PulseLevels(x.data(), 3000, nullptr, &base), ArraySizeAnlysErr);
    EXPECT_EQ(PulseLevels(x.data(), 3000, &top, nullptr), ArraySizeAnlysErr);
    for (double dt : {0.0, -1e-6, std::numeric_limits<double>::quiet_NaN(),
                      std::numeric_limits<double>::infinity()})
        EXPECT_EQ(PulseMeasure(x.data(), 3000, dt, &m), DtGTZeroAnlysErr) << dt;
    EXPECT_TRUE(Unwritten(m));
    EXPECT_EQ(top, 9.0);
    EXPECT_EQ(base, 9.0);
}

TEST(Pulse, ArbitraryRecordsGiveAStatusAndSaneFigures)
{
    // Short and long records of noise, steps, NaN, infinities and values
    // near the largest double: either a status, or figures that hold
    // together.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double specials[] = {nan, inf, -inf, 1e308, -1e308, 0.0, 5.0, -5.0};
    std::vector<double> noise(4096);
    ASSERT_EQ(WhiteNoise(4096, 1.0, 21, noise.data()), 0);
    unsigned state = 12345;
    auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return (state >> 8) & 0xFFFF;
    };
    for (int trial = 0; trial < 400; ++trial) {
        const int n = 1 + static_cast<int>(next() % (trial < 200 ? 12 : 3000));
        std::vector<double> x(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) {
            const unsigned r = next();
            double v = noise[static_cast<std::size_t>(i) % noise.size()];
            if (trial % 3 == 0)
                v += ((i / (1 + trial % 17)) % 2) ? 1.0 : -1.0;
            if (r % 23 == 0)
                v = specials[r % 8];
            x[static_cast<std::size_t>(i)] = v;
        }
        PulseMeasurements m = Fresh();
        const int status = PulseMeasure(x.data(), n, 1.0, &m);
        ASSERT_TRUE(status == 0 || status == NotEnoughEdgesAnlysErr || status == NoFiniteSamplesAnlysErr)
            << trial << " " << status;
        if (status == NoFiniteSamplesAnlysErr) {
            EXPECT_TRUE(Unwritten(m));
            continue;
        }
        EXPECT_GE(m.top, m.base) << trial;
        EXPECT_LE(std::abs(m.risingEdges - m.fallingEdges), 1) << trial;
        if (status == 0) {
            EXPECT_GE(m.cycles, 1);
            EXPECT_GT(m.period, 0.0) << trial;
            EXPECT_LE(m.period * m.cycles, n) << trial;
            EXPECT_GE(m.positiveDuty, 0.0) << trial;
            EXPECT_LE(m.positiveDuty, 100.0) << trial;
            EXPECT_NEAR(m.positiveWidth + m.negativeWidth, m.period, 1e-9 * m.period) << trial;
        } else {
            EXPECT_EQ(m.cycles, 0);
            EXPECT_TRUE(std::isnan(m.period));
        }
        if (!std::isnan(m.riseTime)) {
            EXPECT_GE(m.riseTime, 0.0) << trial;
        }
    }
}

TEST(MeasurementStatus, NewCodesFollowTheTableWithTheirMessages)
{
    EXPECT_EQ(NotEnoughEdgesAnlysErr, -20104);
    EXPECT_EQ(PeaksGTZeroAnlysErr, -20110);
    EXPECT_STREQ(GetAnalysisErrorString(-20104), "Not enough edges: the record holds no whole cycle");
    EXPECT_STREQ(GetAnalysisErrorString(-20105), "The record holds no finite samples");
    EXPECT_STREQ(GetAnalysisErrorString(-20106), "No fundamental: the spectrum holds no tone above DC");
    EXPECT_STREQ(GetAnalysisErrorString(-20107), "The number of averages must be greater than zero");
    EXPECT_STREQ(GetAnalysisErrorString(-20108), "The highest harmonic must be at least 2");
    EXPECT_STREQ(GetAnalysisErrorString(-20109), "The number of divisions must be greater than zero");
    EXPECT_STREQ(GetAnalysisErrorString(-20110), "The number of peaks must be greater than zero");
    EXPECT_STREQ(GetAnalysisErrorString(-20111), "Unknown error number");
}

} // namespace
