// The one-pass dBm spectrum against the library's two routines it stands
// for (AutoPowerSpectrum, then SpectrumUnitConversion to dBm rms), and the
// out-of-place real transform it is built on.
#include "analysis/fft.h"
#include "analysis/spectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace
{

// A sine off the bin grid, an offset and a deterministic ripple: every bin
// carries some power.
std::vector<double> Record(int n)
{
    std::vector<double> x(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k)
        x[static_cast<std::size_t>(k)] =
            0.8 * std::sin(0.0123 * k + 0.4) + 0.05 + 1e-3 * std::cos(0.37 * k * (k % 11));
    return x;
}

bool SameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(PowerSpectrumDbm, EveryBinIsBitForBitTheTwoRoutines)
{
    // Even and odd lengths, the lengths with no doubling (2, 3), a prime
    // (Rader), one needing Bluestein (1019: 1018 = 2 x 509) and a length
    // large enough for the two-phase transform.
    for (int n : {2, 3, 4, 5, 64, 1000, 1009, 1019, 6144, 100000}) {
        const std::vector<double> x = Record(n);
        const double dt = 1.0 / 250000.0;
        std::vector<double> expected(static_cast<std::size_t>(n)), bins(static_cast<std::size_t>(n / 2 + 1), 7.0);
        double expectedDf = 0.0, df = 0.0;
        char unit[64] = "V";
        ASSERT_EQ(AutoPowerSpectrum(x.data(), n, dt, expected.data(), &expectedDf), 0) << n;
        ASSERT_EQ(SpectrumUnitConversion(expected.data(), n / 2, SPECTRUM_POWER, SCALING_DBM, 0, 1.0,
                                         WindowConstants{1.0, 1.0}, expected.data(), unit),
                  0)
            << n;

        std::vector<double> work(2 * static_cast<std::size_t>(n), -1.0);
        const std::vector<double> before = x;
        ASSERT_EQ(PowerSpectrumDbm(x.data(), n, dt, work.data(), bins.data(), &df), 0) << n;
        EXPECT_EQ(x, before) << n; // the record is left as it was
        EXPECT_TRUE(SameBits(df, expectedDf)) << n;
        int differing = 0;
        for (int k = 0; k < n / 2; ++k)
            differing += SameBits(bins[static_cast<std::size_t>(k)], expected[static_cast<std::size_t>(k)]) ? 0 : 1;
        EXPECT_EQ(differing, 0) << n;
        EXPECT_EQ(bins[static_cast<std::size_t>(n / 2)], 7.0) << n; // nothing written past n/2 bins

        // A second call with the same scratch gives the same bins.
        std::vector<double> again(bins.size(), 0.0);
        ASSERT_EQ(PowerSpectrumDbm(x.data(), n, dt, work.data(), again.data(), &df), 0);
        for (int k = 0; k < n / 2; ++k)
            ASSERT_TRUE(SameBits(again[static_cast<std::size_t>(k)], bins[static_cast<std::size_t>(k)])) << n;
    }
}

TEST(PowerSpectrumDbm, ArgumentErrorsLeaveOutputsUntouched)
{
    std::vector<double> x = Record(16), work(32, 0.0), out(8, 5.0);
    double df = 3.0;
    EXPECT_EQ(PowerSpectrumDbm(x.data(), 0, 1.0, work.data(), out.data(), &df), SamplesGTZeroAnlysErr);
    EXPECT_EQ(PowerSpectrumDbm(x.data(), -4, 1.0, work.data(), out.data(), &df), SamplesGTZeroAnlysErr);
    EXPECT_EQ(PowerSpectrumDbm(nullptr, 16, 1.0, work.data(), out.data(), &df), ArraySizeAnlysErr);
    EXPECT_EQ(PowerSpectrumDbm(x.data(), 16, 1.0, nullptr, out.data(), &df), ArraySizeAnlysErr);
    EXPECT_EQ(PowerSpectrumDbm(x.data(), 16, 1.0, work.data(), nullptr, &df), ArraySizeAnlysErr);
    EXPECT_EQ(PowerSpectrumDbm(x.data(), 16, 1.0, work.data(), out.data(), nullptr), ArraySizeAnlysErr);
    EXPECT_EQ(PowerSpectrumDbm(x.data(), 16, 0.0, work.data(), out.data(), &df), DtGTZeroAnlysErr);
    EXPECT_EQ(PowerSpectrumDbm(x.data(), 16, NAN, work.data(), out.data(), &df), DtGTZeroAnlysErr);
    EXPECT_EQ(df, 3.0);
    for (double v : out)
        EXPECT_EQ(v, 5.0);

    // One sample has no single-sided bin: only the frequency step.
    ASSERT_EQ(PowerSpectrumDbm(x.data(), 1, 0.5, work.data(), out.data(), &df), 0);
    EXPECT_EQ(df, 2.0);
    EXPECT_EQ(out[0], 5.0);
}

TEST(PowerSpectrumDbm, OutOfMemoryIsPassedOnAndLeavesOutputsUntouched)
{
    std::vector<double> x = Record(6144), work(2 * 6144, 0.0), out(3072, 5.0);
    double df = 3.0;
    korvax::fft::ClearCaches();
    korvax::fft::SetWorkLimit(1);
    const int status = PowerSpectrumDbm(x.data(), 6144, 1e-3, work.data(), out.data(), &df);
    korvax::fft::SetWorkLimit(0);
    EXPECT_EQ(status, OutOfMemAnlysErr);
    EXPECT_EQ(df, 3.0);
    EXPECT_EQ(out[0], 5.0);
    EXPECT_EQ(out[3071], 5.0);
}

TEST(RealForwardFrom, OutOfPlaceEqualsInPlaceAndLeavesTheInput)
{
    for (std::size_t n : {1u, 2u, 7u, 256u, 1009u, 4096u, 6000u, 65536u}) {
        const std::vector<double> in = Record(static_cast<int>(n));
        std::vector<double> x = in, y(n), ox(n), oy(n);
        ASSERT_EQ(korvax::fft::RealForward(x.data(), y.data(), n), 0);
        ASSERT_EQ(korvax::fft::RealForwardFrom(in.data(), ox.data(), oy.data(), n), 0);
        EXPECT_EQ(in, Record(static_cast<int>(n)));
        for (std::size_t k = 0; k < n; ++k) {
            ASSERT_TRUE(SameBits(ox[k], x[k])) << n << " re " << k;
            ASSERT_TRUE(SameBits(oy[k], y[k])) << n << " im " << k;
        }
    }
}

} // namespace
