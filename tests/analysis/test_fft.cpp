// Real and complex FFT against a direct DFT in long double, the choice of
// algorithm per length, and the scope's record sizes.
#include "analysis/fft.h"
#include "analysis/spectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <thread>
#include <vector>

namespace
{

using korvax::fft::PrimeMethod;
using LD = long double;
const LD kTwoPiL = 6.283185307179586476925286766559005768L;

std::vector<double> RandomSignal(std::size_t n, unsigned seed)
{
    std::mt19937_64 gen(seed);
    std::uniform_real_distribution<double> d(-1.0, 1.0);
    std::vector<double> x(n);
    for (double &v : x)
        v = d(gen);
    return x;
}

// Direct DFT of a complex sequence in long double, all bins.
void NaiveDft(const std::vector<double> &xr, const std::vector<double> &xi, std::vector<LD> &yr,
              std::vector<LD> &yi)
{
    const std::size_t n = xr.size();
    std::vector<LD> c(n), s(n);
    for (std::size_t m = 0; m < n; ++m) {
        c[m] = std::cos(kTwoPiL * m / n);
        s[m] = -std::sin(kTwoPiL * m / n);
    }
    yr.assign(n, 0.0L);
    yi.assign(n, 0.0L);
    for (std::size_t k = 0; k < n; ++k) {
        LD ar = 0, ai = 0;
        std::size_t m = 0;
        for (std::size_t j = 0; j < n; ++j) {
            ar += xr[j] * c[m] - xi[j] * s[m];
            ai += xr[j] * s[m] + xi[j] * c[m];
            m += k;
            if (m >= n)
                m -= n;
        }
        yr[k] = ar;
        yi[k] = ai;
    }
}

// One bin of the DFT of a real sequence, in long double: the root is
// advanced by multiplication and recomputed exactly every 256 samples.
void NaiveBin(const std::vector<double> &x, std::size_t k, LD &re, LD &im)
{
    const std::size_t n = x.size();
    const LD sr = std::cos(kTwoPiL * k / n), si = -std::sin(kTwoPiL * k / n);
    re = im = 0;
    LD wr = 1, wi = 0;
    for (std::size_t j = 0; j < n; ++j) {
        if (j % 256 == 0) {
            const LD a = kTwoPiL * static_cast<LD>(static_cast<std::uint64_t>(j) * k % n) / n;
            wr = std::cos(a);
            wi = -std::sin(a);
        }
        re += x[j] * wr;
        im += x[j] * wi;
        const LD t = wr * sr - wi * si;
        wi = wr * si + wi * sr;
        wr = t;
    }
}

double RelativeL2(const std::vector<double> &ar, const std::vector<double> &ai, const std::vector<LD> &br,
                  const std::vector<LD> &bi)
{
    LD num = 0, den = 0;
    for (std::size_t k = 0; k < ar.size(); ++k) {
        const LD dr = ar[k] - br[k], di = ai[k] - bi[k];
        num += dr * dr + di * di;
        den += br[k] * br[k] + bi[k] * bi[k];
    }
    return den > 0 ? static_cast<double>(std::sqrt(num / den)) : static_cast<double>(std::sqrt(num));
}

double RealFftError(std::size_t n, unsigned seed)
{
    std::vector<double> x = RandomSignal(n, seed), y(n, 7.0), zero(n, 0.0);
    std::vector<LD> er, ei;
    NaiveDft(x, zero, er, ei);
    EXPECT_EQ(ReFFT(x.data(), y.data(), static_cast<int>(n)), 0);
    return RelativeL2(x, y, er, ei);
}

TEST(FftPlan, PrimeMethodChoice)
{
    for (std::size_t p : {2, 3, 5, 7, 11, 13, 31, 37})
        EXPECT_EQ(korvax::fft::ChoosePrimeMethod(p), PrimeMethod::Direct) << p;
    // p - 1 smooth: 41-1 = 2^3*5, 103-1 = 2*3*17, 1009-1 = 2^4*3^2*7.
    for (std::size_t p : {41, 103, 1009, 65537})
        EXPECT_EQ(korvax::fft::ChoosePrimeMethod(p), PrimeMethod::Rader) << p;
    // p - 1 with a large prime: 83-1 = 2*41, 1000003-1 = 2*3*166667.
    for (std::size_t p : {83, 1000003, 2147483647})
        EXPECT_EQ(korvax::fft::ChoosePrimeMethod(p), PrimeMethod::Bluestein) << p;
}

TEST(FftPlan, FactorsSplitAndSmoothLengths)
{
    EXPECT_EQ(korvax::fft::PrimeFactors(3999744),
              (std::vector<std::size_t>{2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 3, 3, 7, 31}));
    EXPECT_EQ(korvax::fft::PassRadices(96), (std::vector<std::size_t>{8, 4, 3}));
    EXPECT_EQ(korvax::fft::PassRadices(2), (std::vector<std::size_t>{2}));
    EXPECT_EQ(korvax::fft::PassRadices(16 * 5), (std::vector<std::size_t>{16, 5}));
    EXPECT_EQ(korvax::fft::PassRadices(512 * 7 * 7), (std::vector<std::size_t>{16, 8, 4, 7, 7}));
    EXPECT_EQ(korvax::fft::PassRadices(1 << 11), (std::vector<std::size_t>{16, 16, 8}));
    EXPECT_EQ(korvax::fft::PassRadices(1 << 10), (std::vector<std::size_t>{16, 16, 4}));
    EXPECT_EQ(korvax::fft::SmoothLength(2017), 2025u); // 3^4 * 5^2
    EXPECT_EQ(korvax::fft::SmoothLength(1025), 1029u); // 3 * 7^3
    EXPECT_EQ(korvax::fft::SmoothLength(1), 1u);
    for (std::size_t n : {256u, 4096u, 1000000u, 500000u, 3999744u, 4007936u, 4194304u, 729u}) {
        std::size_t n1 = 0, n2 = 0;
        const std::size_t lanes = korvax::fft::ChooseLanes(n);
        korvax::fft::SplitLength(n, lanes, n1, n2);
        EXPECT_EQ(n1 * n2, n) << n;
        EXPECT_LE(std::max(n1, n2), 16 * std::min(n1, n2)) << n;
        if (n % lanes == 0) {
            EXPECT_EQ(n1 % lanes, 0u) << n;
        }
        if (n % (lanes * lanes) == 0) {
            EXPECT_EQ(n1 % lanes, 0u) << n;
            EXPECT_EQ(n2 % lanes, 0u) << n;
        }
    }
    std::size_t n1 = 0, n2 = 0;
    korvax::fft::SplitLength(2018, 8, n1, n2);
    EXPECT_EQ(n1 * n2, 2018u);
    EXPECT_EQ(std::min(n1, n2), 2u);
    korvax::fft::SplitLength(1009, 8, n1, n2);
    EXPECT_EQ(n1, 1u);
    EXPECT_EQ(n2, 1009u);
}

TEST(FftPlan, RootsAreAccurate)
{
    for (std::size_t N : {1u, 2u, 12u, 1009u, 65536u, 8388608u}) {
        korvax::fft::UnitRoots roots(N);
        for (std::size_t m : {std::size_t(0), std::size_t(1), N / 3, N / 2, N - 1, 5 * N + 3}) {
            double re, im;
            roots.Get(m, re, im);
            const LD a = kTwoPiL * static_cast<LD>(m % N) / N;
            EXPECT_NEAR(re, static_cast<double>(std::cos(a)), 4e-16) << N << " " << m;
            EXPECT_NEAR(im, static_cast<double>(-std::sin(a)), 4e-16) << N << " " << m;
        }
    }
}

TEST(Fft, ArgumentErrors)
{
    double x[2] = {1.0, 2.0}, y[2] = {5.0, 6.0};
    EXPECT_EQ(ReFFT(x, y, 0), -20003);
    EXPECT_EQ(ReFFT(x, y, -4), -20003);
    EXPECT_EQ(x[0], 1.0);
    EXPECT_EQ(y[0], 5.0);
    EXPECT_NE(ReFFT(nullptr, y, 2), 0);
    EXPECT_EQ(y[0], 5.0);
    // Overlapping arrays cannot hold the two halves of the result.
    double z[3] = {1.0, 2.0, 3.0};
    EXPECT_EQ(ReFFT(z, z, 2), -20008);
    EXPECT_EQ(ReFFT(z, z + 1, 2), -20008);
    EXPECT_EQ(z[0], 1.0);
    EXPECT_EQ(z[1], 2.0);
    EXPECT_EQ(z[2], 3.0);
    EXPECT_EQ(ReFFT(x, y, 1), 0);
    EXPECT_EQ(x[0], 1.0);
    EXPECT_EQ(y[0], 0.0);
}

TEST(Fft, EveryLengthUpTo512MatchesDirectDft)
{
    double worst = 0.0;
    std::size_t worstN = 0;
    for (std::size_t n = 1; n <= 512; ++n) {
        const double e = RealFftError(n, static_cast<unsigned>(n));
        if (e > worst) {
            worst = e;
            worstN = n;
        }
        ASSERT_LT(e, 1e-13) << "n = " << n;
    }
    RecordProperty("worst", std::to_string(worst) + " at " + std::to_string(worstN));
}

TEST(Fft, LargerLengthsMatchDirectDft)
{
    // Primes above 998 (chirp-z or Rader), prime powers, 2 * prime, small
    // records with odd factors, and lengths around the two-phase threshold.
    for (std::size_t n : {1009u, 1013u, 2003u, 2018u, 2026u, 4036u, 2187u, 3125u, 2401u, 1331u, 4096u, 1022u,
                          1024u, 1536u, 166u, 2 * 83u, 4 * 83u, 8 * 41u, 41 * 41u, 2 * 41 * 41u})
        EXPECT_LT(RealFftError(n, 3), 1e-13) << "n = " << n;
}

TEST(Fft, ComplexTransformMatchesDirectDft)
{
    // Every kind of plan: small, two-phase with direct, Rader and
    // chirp-z passes inside, and prime lengths by convolution.
    for (std::size_t n : {1u, 2u, 3u, 17u, 255u, 256u, 257u, 300u, 1000u, 1009u, 16 * 41u, 16 * 83u, 32 * 47u,
                          2 * 1009u, 4 * 31 * 37u, 83 * 83u}) {
        std::vector<double> xr = RandomSignal(n, 11), xi = RandomSignal(n, 12), yr(n), yi(n);
        std::vector<LD> er, ei;
        NaiveDft(xr, xi, er, ei);
        ASSERT_EQ(korvax::fft::ComplexForward(xr.data(), xi.data(), yr.data(), yi.data(), n), 0);
        EXPECT_LT(RelativeL2(yr, yi, er, ei), 1e-13) << "n = " << n;
    }
}

TEST(Fft, TwoTonesOnBinsDoNotLeak)
{
    for (std::size_t n : {1000u, 1024u, 1009u, 6144u}) {
        std::vector<double> x(n), y(n);
        for (std::size_t j = 0; j < n; ++j)
            x[j] = 1.5 * std::cos(kTwoPiL * (7 * j % n) / n) + 0.25 * std::sin(kTwoPiL * (100 * j % n) / n);
        ASSERT_EQ(ReFFT(x.data(), y.data(), static_cast<int>(n)), 0);
        const double half = n / 2.0;
        EXPECT_NEAR(x[7], 1.5 * half, 1e-9 * n);
        EXPECT_NEAR(x[n - 7], 1.5 * half, 1e-9 * n);
        EXPECT_NEAR(y[100], -0.25 * half, 1e-9 * n);
        EXPECT_NEAR(y[n - 100], 0.25 * half, 1e-9 * n);
        double leak = 0.0;
        for (std::size_t k = 0; k < n; ++k)
            if (k != 7 && k != n - 7 && k != 100 && k != n - 100)
                leak = std::max(leak, std::hypot(x[k], y[k]));
        EXPECT_LT(leak / n, 1e-14) << "n = " << n;
    }
}

// Large lengths: the whole output against the complex transform of the
// same data (another plan, another path), a few bins against a
// long-double DFT, the Hermitian symmetry and Parseval's relation.
void CheckLarge(std::size_t n, unsigned seed, bool withComplex)
{
    std::vector<double> x = RandomSignal(n, seed), in = x, y(n);
    ASSERT_EQ(ReFFT(x.data(), y.data(), static_cast<int>(n)), 0);
    if (withComplex) {
        std::vector<double> zero(n, 0.0), cr(n), ci(n);
        ASSERT_EQ(korvax::fft::ComplexForward(in.data(), zero.data(), cr.data(), ci.data(), n), 0);
        std::vector<LD> lr(cr.begin(), cr.end()), li(ci.begin(), ci.end());
        EXPECT_LT(RelativeL2(x, y, lr, li), 1e-13) << "n = " << n;
    }
    LD num = 0, den = 0;
    for (std::size_t k : {std::size_t(1), n / 2, n / 3 + 1, n - 13, std::size_t(2048)}) {
        k %= n;
        LD re, im;
        NaiveBin(in, k, re, im);
        num += (x[k] - re) * (x[k] - re) + (y[k] - im) * (y[k] - im);
        den += re * re + im * im;
    }
    EXPECT_LT(static_cast<double>(std::sqrt(num / den)), 1e-13) << "n = " << n;
    double asym = 0.0;
    for (std::size_t k = 1; k < n; k += 997)
        asym = std::max(asym, std::fabs(x[k] - x[n - k]) + std::fabs(y[k] + y[n - k]));
    EXPECT_EQ(asym, 0.0) << "n = " << n;
    LD et = 0, ef = 0;
    for (std::size_t j = 0; j < n; ++j) {
        et += static_cast<LD>(in[j]) * in[j];
        ef += static_cast<LD>(x[j]) * x[j] + static_cast<LD>(y[j]) * y[j];
    }
    EXPECT_NEAR(static_cast<double>(ef / n / et), 1.0, 1e-13) << "n = " << n;
}

TEST(Fft, LargeLengths)
{
    // Powers of two up to 2^20, records of 2048 times an odd factor, primes
    // above 998 times 2048, a large prime (chirp-z) and two scope records
    // with odd factors 3^2*7*31 and 19*103.
    for (std::size_t n : {65536u, 1048576u, 2048u * 3 * 5 * 7, 2048u * 1009, 1000003u})
        CheckLarge(n, static_cast<unsigned>(n), true);
    CheckLarge(7999488, 21, false);
    CheckLarge(8015872, 22, false);
}

TEST(Fft, RepeatedCallsReuseThePlan)
{
    std::vector<double> a = RandomSignal(6144, 1), b = a, ya(6144), yb(6144);
    ASSERT_EQ(ReFFT(a.data(), ya.data(), 6144), 0);
    ASSERT_EQ(ReFFT(b.data(), yb.data(), 6144), 0);
    EXPECT_EQ(a, b);
    EXPECT_EQ(ya, yb);
    korvax::fft::ClearCaches();
    std::vector<double> c = RandomSignal(6144, 1), yc(6144);
    ASSERT_EQ(ReFFT(c.data(), yc.data(), 6144), 0);
    EXPECT_EQ(a, c);
}

TEST(Fft, OutOfMemoryIsReportedAndLeavesDataUntouched)
{
    korvax::fft::SetWorkLimit(8);
    for (int n : {1009, 4096, 6, 2 * 1009}) {
        std::vector<double> x = RandomSignal(static_cast<std::size_t>(n), 2), in = x;
        std::vector<double> y(static_cast<std::size_t>(n), 3.0);
        EXPECT_EQ(ReFFT(x.data(), y.data(), n), -20001) << n;
        EXPECT_EQ(x, in) << n;
        EXPECT_EQ(y, std::vector<double>(static_cast<std::size_t>(n), 3.0)) << n;
    }
    korvax::fft::SetWorkLimit(0);
    std::vector<double> x(1009, 1.0), y(1009);
    EXPECT_EQ(ReFFT(x.data(), y.data(), 1009), 0);
    EXPECT_NEAR(x[0], 1009.0, 1e-9);
}

TEST(Fft, ConcurrentCallsShareThePlansSafely)
{
    // Several threads transform several lengths at once, building and
    // sharing plans and work buffers; every result must equal the result
    // of a call made alone.
    korvax::fft::ClearCaches();
    const std::vector<std::size_t> lengths = {4096, 1009, 6144, 2 * 1013, 300, 65536};
    std::vector<std::vector<double>> ref;
    for (std::size_t n : lengths) {
        std::vector<double> x = RandomSignal(n, 77), y(n);
        EXPECT_EQ(ReFFT(x.data(), y.data(), static_cast<int>(n)), 0);
        x.insert(x.end(), y.begin(), y.end());
        ref.push_back(x);
    }
    korvax::fft::ClearCaches();
    std::vector<int> mismatches(4, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 6; ++round)
                for (std::size_t i = 0; i < lengths.size(); ++i) {
                    const std::size_t n = lengths[(i + static_cast<std::size_t>(t)) % lengths.size()];
                    const std::size_t r = (i + static_cast<std::size_t>(t)) % lengths.size();
                    std::vector<double> x = RandomSignal(n, 77), y(n);
                    if (ReFFT(x.data(), y.data(), static_cast<int>(n)) != 0) {
                        ++mismatches[static_cast<std::size_t>(t)];
                        continue;
                    }
                    x.insert(x.end(), y.begin(), y.end());
                    if (x != ref[r])
                        ++mismatches[static_cast<std::size_t>(t)];
                }
        });
    for (std::thread &th : threads)
        th.join();
    EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

} // namespace
