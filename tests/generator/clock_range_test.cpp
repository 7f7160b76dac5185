// The output clock search and the range choice: pure computations.
#include <gtest/gtest.h>

#include <limits>

#include "generator/generator.h"

namespace
{

struct ClockCase {
    int channels;
    double frequency;
    int period;
    int samples;
    double clock;
};

TEST(GeneratorClock, FiguresForOneAndTwoChannels)
{
    const ClockCase cases[] = {
        {1, 1000.0, 16384, 32768, 16.384e6},
        {1, 10000.0, 2048, 16384, 20.48e6},
        {1, 100000.0, 360, 23040, 36e6},
        {1, 1e6, 36, 18432, 36e6},
        {1, 5e6, 8, 16384, 40e6},
        {1, 30e6, 1, 16384, 30e6},
        {2, 1000.0, 8192, 16384, 8.192e6},
        {2, 100000.0, 180, 11520, 18e6},
        {1, 0.5, 16384, 32768, 8192.0},
        {1, 50e6, 1, 16384, 50e6},
    };
    for (const ClockCase &c : cases) {
        int period = 0, samples = 0;
        const double clock = getFuncGenClk(1, c.channels, c.frequency, &period, &samples);
        EXPECT_EQ(period, c.period) << c.channels << " ch, " << c.frequency << " Hz";
        EXPECT_EQ(samples, c.samples) << c.channels << " ch, " << c.frequency << " Hz";
        EXPECT_DOUBLE_EQ(clock, c.clock) << c.channels << " ch, " << c.frequency << " Hz";
    }
}

// Whatever the frequency: whole periods, a buffer of at least 16384 / 8192
// samples in multiples of 32 / 16, and a clock within the output stage's
// limit unless a single sample per period already exceeds it.
TEST(GeneratorClock, BufferHoldsWholePeriodsAtEveryFrequency)
{
    for (int channels = 1; channels <= 2; ++channels) {
        for (double f = 0.1; f <= 50e6; f *= 1.37) {
            int period = 0, samples = 0;
            const double clock = getFuncGenClk(1, channels, f, &period, &samples);
            ASSERT_GE(period, 1);
            ASSERT_EQ(samples % period, 0) << f;
            const int m = samples / period;
            EXPECT_EQ(m & (m - 1), 0) << "periods per buffer must be a power of two, f=" << f;
            EXPECT_GE(samples, 16384 / channels) << f;
            EXPECT_EQ(samples % (32 / channels), 0) << f;
            if (period > 1) {
                EXPECT_LE(static_cast<long long>(f) * period, 40000000LL / channels) << f;
            }
            EXPECT_DOUBLE_EQ(clock, f * period);
        }
    }
}

TEST(GeneratorClock, OddArgumentsStayFiniteAndSafe)
{
    const double odd[] = {0.0, -5.0, 1e300, std::numeric_limits<double>::quiet_NaN()};
    for (double f : odd) {
        for (int channels : {0, 1, 2, 3, 100}) {
            int period = 0, samples = 0;
            getFuncGenClk(1, channels, f, &period, &samples);
            EXPECT_GE(period, 1);
            EXPECT_GE(samples, 8192);
            EXPECT_EQ(samples % period, 0);
        }
    }
}

TEST(GeneratorRange, FirstEntryStrictlyAboveThePeak)
{
    BenchState_Reset();
    EXPECT_DOUBLE_EQ(Generator_ChooseRange(0.0), 0.05);
    EXPECT_DOUBLE_EQ(Generator_ChooseRange(0.05), 0.1);
    EXPECT_DOUBLE_EQ(Generator_ChooseRange(0.49), 0.5);
    EXPECT_DOUBLE_EQ(Generator_ChooseRange(0.5), 1.0);
    EXPECT_DOUBLE_EQ(Generator_ChooseRange(1.3), 2.0);
    EXPECT_DOUBLE_EQ(Generator_ChooseRange(4.99), 5.0);
    EXPECT_DOUBLE_EQ(Generator_ChooseRange(5.0), 5.0);
    EXPECT_DOUBLE_EQ(Generator_ChooseRange(7.0), 5.0);
    EXPECT_DOUBLE_EQ(Generator_ChooseRange(-3.0), 5.0);
    bi.fixedOutputRange = 1;
    EXPECT_DOUBLE_EQ(Generator_ChooseRange(0.01), 10.0);
    BenchState_Reset();
}

TEST(GeneratorAdvanced, CreateSineWaveReachesThePeakAtAQuarter)
{
    double v[64];
    CreateSineWave(v, 64, 1.0);
    EXPECT_EQ(v[0], 0.0);
    EXPECT_EQ(v[16], 1.0);
    EXPECT_NEAR(v[32], 0.0, 1e-15);
    EXPECT_EQ(v[48], -1.0);
    CreateSineWave(v, 64, -2.0);
    EXPECT_EQ(v[16], -2.0);
}

} // namespace
