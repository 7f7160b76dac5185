// The power-of-two real transform on each vector width this processor
// runs (AVX-512, AVX2 with FMA), against the general engine and a direct
// DFT: every pass schedule from the shortest length it serves to the
// longest, and the way the work buffer is used.
#include "analysis/fft.h"
#include "analysis/spectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace
{

using LD = long double;

std::vector<double> Noise(std::size_t n, unsigned seed)
{
    std::mt19937_64 gen(seed);
    std::uniform_real_distribution<double> d(-1.0, 1.0);
    std::vector<double> x(n);
    for (double &v : x)
        v = d(gen);
    return x;
}

// Relative L2 distance of (ar, ai) from (br, bi).
double Distance(const std::vector<double> &ar, const std::vector<double> &ai, const std::vector<double> &br,
                const std::vector<double> &bi)
{
    LD num = 0, den = 0;
    for (std::size_t k = 0; k < ar.size(); ++k) {
        const LD dr = static_cast<LD>(ar[k]) - br[k], di = static_cast<LD>(ai[k]) - bi[k];
        num += dr * dr + di * di;
        den += static_cast<LD>(br[k]) * br[k] + static_cast<LD>(bi[k]) * bi[k];
    }
    return static_cast<double>(std::sqrt(num / den));
}

class Pow2Widths : public ::testing::Test
{
  protected:
    void TearDown() override
    {
        korvax::fft::SetPow2Width(-1);
        korvax::fft::ClearCaches();
    }
};

TEST_F(Pow2Widths, EveryWidthMatchesTheGeneralEngine)
{
    // Reference: the general engine (width 0) on the same input.  Up to
    // 2^18 every shape of pass schedule occurs (2^20 is among the large
    // lengths of the FFT tests).
    std::vector<std::size_t> lengths;
    for (std::size_t n = 64; n <= (std::size_t(1) << 18); n *= 2)
        lengths.push_back(n);
    std::vector<std::vector<double>> refRe, refIm;
    korvax::fft::ClearCaches();
    ASSERT_EQ(korvax::fft::SetPow2Width(0), 0);
    for (std::size_t n : lengths) {
        std::vector<double> x = Noise(n, static_cast<unsigned>(n)), y(n);
        ASSERT_EQ(ReFFT(x.data(), y.data(), static_cast<int>(n)), 0);
        refRe.push_back(x);
        refIm.push_back(y);
    }
    for (int width : {4, 8}) {
        korvax::fft::ClearCaches();
        if (korvax::fft::SetPow2Width(width) != width)
            continue; // not on this processor
        for (std::size_t i = 0; i < lengths.size(); ++i) {
            const std::size_t n = lengths[i];
            std::vector<double> in = Noise(n, static_cast<unsigned>(n)), x = in, y(n, 5.0);
            ASSERT_EQ(ReFFT(x.data(), y.data(), static_cast<int>(n)), 0);
            EXPECT_LT(Distance(x, y, refRe[i], refIm[i]), 1e-14) << "width " << width << ", n = " << n;
            // Exactly Hermitian, real at 0 and n/2.
            double asym = std::fabs(y[0]) + std::fabs(y[n / 2]);
            for (std::size_t k = 1; k < n; ++k)
                asym = std::max(asym, std::fabs(x[k] - x[n - k]) + std::fabs(y[k] + y[n - k]));
            EXPECT_EQ(asym, 0.0) << "width " << width << ", n = " << n;
            // From an input kept apart, the same bits.
            std::vector<double> x2(n), y2(n);
            ASSERT_EQ(korvax::fft::RealForwardFrom(in.data(), x2.data(), y2.data(), n), 0);
            EXPECT_EQ(x2, x) << "width " << width << ", n = " << n;
            EXPECT_EQ(y2, y) << "width " << width << ", n = " << n;
        }
    }
}

TEST_F(Pow2Widths, ShortLengthsMatchDirectDft)
{
    const LD twoPi = 6.283185307179586476925286766559005768L;
    for (std::size_t n : {128u, 256u, 512u, 1024u, 2048u}) {
        const std::vector<double> in = Noise(n, 9);
        std::vector<LD> c(n), s(n);
        for (std::size_t m = 0; m < n; ++m) {
            c[m] = std::cos(twoPi * m / n);
            s[m] = -std::sin(twoPi * m / n);
        }
        std::vector<double> er(n), ei(n);
        for (std::size_t k = 0; k < n; ++k) {
            LD re = 0, im = 0;
            for (std::size_t j = 0, m = 0; j < n; ++j, m = (m + k) % n) {
                re += in[j] * c[m];
                im += in[j] * s[m];
            }
            er[k] = static_cast<double>(re);
            ei[k] = static_cast<double>(im);
        }
        for (int width : {4, 8}) {
            korvax::fft::ClearCaches();
            if (korvax::fft::SetPow2Width(width) != width)
                continue;
            std::vector<double> x = in, y(n);
            ASSERT_EQ(ReFFT(x.data(), y.data(), static_cast<int>(n)), 0);
            EXPECT_LT(Distance(x, y, er, ei), 2e-15) << "width " << width << ", n = " << n;
        }
    }
}

TEST_F(Pow2Widths, WorkLimitStillReportedAsOutOfMemory)
{
    korvax::fft::ClearCaches();
    korvax::fft::SetWorkLimit(1024);
    std::vector<double> x = Noise(4096, 1), in = x, y(4096, 2.0);
    EXPECT_EQ(ReFFT(x.data(), y.data(), 4096), -20001);
    EXPECT_EQ(x, in);
    korvax::fft::SetWorkLimit(0);
    EXPECT_EQ(ReFFT(x.data(), y.data(), 4096), 0);
}

} // namespace
