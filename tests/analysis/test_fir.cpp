// FIR design and convolution.
#include "analysis/analysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace
{

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

int design(int kind, double fs, double f1, double f2, int n, std::vector<double> &coef)
{
    coef.assign(static_cast<size_t>(std::max(n, 1)), 42.0);
    return FIR_Coef(kind, fs, f1, f2, n, coef.data());
}

TEST(FirDesign, ChecksComeInTheirOrder)
{
    std::vector<double> c;
    // Kind first, even when everything else is wrong as well.
    EXPECT_EQ(design(4, 0.0, -1.0, -1.0, 0, c), -20061);
    EXPECT_EQ(design(-1, 1000.0, 100.0, 200.0, 11, c), -20061);
    // Then the order.
    EXPECT_EQ(design(0, 1000.0, 600.0, 0.0, 0, c), -20021);
    EXPECT_EQ(design(2, 1000.0, 100.0, 200.0, -3, c), -20021);
    // Then Nyquist, before the band checks.
    for (int kind = 0; kind < 4; ++kind)
        EXPECT_EQ(design(kind, 1000.0, 600.0, 700.0, 11, c), -20020) << kind;
    EXPECT_EQ(design(2, 1000.0, 100.0, 501.0, 11, c), -20020);
    EXPECT_EQ(design(0, 0.0, 10.0, 0.0, 11, c), -20020);
    // Band checks.
    EXPECT_EQ(design(0, 0.0, 0.0, 0.0, 11, c), -20023);
    EXPECT_EQ(design(0, 1000.0, 0.0, 0.0, 11, c), -20023);
    EXPECT_EQ(design(1, 1000.0, -5.0, 0.0, 11, c), -20023);
    EXPECT_EQ(design(2, 1000.0, 100.0, 100.0, 11, c), -20023);
    EXPECT_EQ(design(3, 1000.0, 200.0, 100.0, 11, c), -20023);
    EXPECT_EQ(design(2, 1000.0, 100.0, 0.0, 11, c), -20023);
    // Odd tap count for highpass and bandstop, checked last.
    EXPECT_EQ(design(1, 1000.0, 100.0, 0.0, 4, c), -20033);
    EXPECT_EQ(design(3, 1000.0, 100.0, 200.0, 4, c), -20033);
    EXPECT_EQ(design(3, 1000.0, 200.0, 100.0, 4, c), -20023);
    // Nothing was written by any failure.
    for (double v : c)
        EXPECT_EQ(v, 42.0);
}

TEST(FirDesign, NonFiniteFrequenciesAreRejected)
{
    std::vector<double> c;
    EXPECT_EQ(design(0, kNaN, 100.0, 0.0, 11, c), -20023);
    EXPECT_EQ(design(0, 1000.0, kNaN, 0.0, 11, c), -20023);
    EXPECT_EQ(design(0, kInf, 100.0, 0.0, 11, c), -20023);
    EXPECT_EQ(design(2, 1000.0, 100.0, kNaN, 11, c), -20023);
    EXPECT_EQ(design(0, 1000.0, kInf, 0.0, 11, c), -20020);
    for (double v : c)
        EXPECT_EQ(v, 42.0);
}

TEST(FirDesign, DocumentedExamples)
{
    std::vector<double> c;
    // Cut-off exactly at half the rate: accepted, a unit impulse.
    ASSERT_EQ(design(0, 1000.0, 500.0, 0.0, 5, c), 0);
    EXPECT_NEAR(c[2], 1.0, 1e-15);
    for (int k : {0, 1, 3, 4})
        EXPECT_NEAR(c[static_cast<size_t>(k)], 0.0, 1e-15);

    ASSERT_EQ(design(0, 1000.0, 100.0, 0.0, 1, c), 0);
    EXPECT_NEAR(c[0], 0.2, 1e-16);

    ASSERT_EQ(design(1, 1000.0, 250.0, 0.0, 3, c), 0);
    EXPECT_NEAR(c[0], -1.0 / M_PI, 1e-16);
    EXPECT_NEAR(c[1], 0.5, 1e-16);
    EXPECT_NEAR(c[2], -1.0 / M_PI, 1e-16);

    // Even lowpass and bandpass: two symmetric pairs, no centre tap.
    ASSERT_EQ(design(0, 1000.0, 100.0, 0.0, 4, c), 0);
    EXPECT_EQ(c[0], c[3]);
    EXPECT_EQ(c[1], c[2]);
    EXPECT_NEAR(c[1], std::sin(0.2 * M_PI * 0.5) / (M_PI * 0.5), 1e-15);
    EXPECT_NEAR(c[0], std::sin(0.2 * M_PI * 1.5) / (M_PI * 1.5), 1e-15);
    ASSERT_EQ(design(2, 1000.0, 100.0, 200.0, 4, c), 0);
    EXPECT_EQ(c[0], c[3]);
    EXPECT_EQ(c[1], c[2]);
}

// Every kind against the ideal response sampled at m = k - (n-1)/2.
TEST(FirDesign, MatchesTheTruncatedIdealResponse)
{
    const double fs = 48000.0, f1 = 3000.0, f2 = 9000.0;
    const double w1 = 2.0 * M_PI * f1 / fs, w2 = 2.0 * M_PI * f2 / fs;
    std::vector<double> c;
    for (int kind = 0; kind < 4; ++kind) {
        for (int n : {63, 64, 1023}) {
            if ((kind == 1 || kind == 3) && n % 2 == 0)
                continue;
            ASSERT_EQ(design(kind, fs, f1, f2, n, c), 0);
            for (int k = 0; k < n; ++k) {
                const double m = k - (n - 1) / 2.0;
                double want;
                if (m == 0.0) {
                    const double band = kind < 2 ? w1 / M_PI : (w2 - w1) / M_PI;
                    want = (kind == 0 || kind == 2) ? band : 1.0 - band;
                } else {
                    const double lp1 = std::sin(w1 * m) / (M_PI * m);
                    const double lp2 = std::sin(w2 * m) / (M_PI * m);
                    want = kind == 0 ? lp1 : kind == 1 ? -lp1 : kind == 2 ? lp2 - lp1 : lp1 - lp2;
                }
                // The running sums drift by rounding over a long filter.
                ASSERT_NEAR(c[static_cast<size_t>(k)], want, 1e-10) << kind << " n " << n << " k " << k;
                ASSERT_EQ(c[static_cast<size_t>(k)], c[static_cast<size_t>(n - 1 - k)]);
            }
        }
    }
}

std::vector<double> naiveConvolve(const std::vector<double> &x, const std::vector<double> &y)
{
    std::vector<double> out(x.size() + y.size() - 1, 0.0);
    for (size_t i = 0; i < x.size(); ++i)
        for (size_t j = 0; j < y.size(); ++j)
            out[i + j] += x[i] * y[j];
    return out;
}

bool sameValue(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

TEST(Convolution, DocumentedExamplesAndErrors)
{
    const double x[] = {1, 2, 3}, y[] = {1, 1};
    double out[4] = {0, 0, 0, 0};
    ASSERT_EQ(Convolve(x, 3, y, 2, out), 0);
    EXPECT_EQ(out[0], 1.0);
    EXPECT_EQ(out[1], 3.0);
    EXPECT_EQ(out[2], 5.0);
    EXPECT_EQ(out[3], 3.0);

    const double two[] = {2}, taps[] = {4, 5};
    ASSERT_EQ(Convolve(two, 1, taps, 2, out), 0);
    EXPECT_EQ(out[0], 8.0);
    EXPECT_EQ(out[1], 10.0);

    double untouched[2] = {6, 6};
    EXPECT_EQ(Convolve(x, 0, y, 2, untouched), -20003);
    EXPECT_EQ(Convolve(x, 3, y, -1, untouched), -20003);
    EXPECT_EQ(untouched[0], 6.0);
}

// The outputs must be bit for bit those of the plain double loop, which
// fixes the order of the additions, for every shape of input: x longer or
// shorter than y, lengths around the vector widths, and values with a wide
// range of magnitudes so that the order shows in the rounding.
TEST(Convolution, EqualsThePlainLoopBitForBit)
{
    std::mt19937_64 rng(3);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    auto randomVector = [&](int n) {
        std::vector<double> v(static_cast<size_t>(n));
        for (double &e : v)
            e = unit(rng) * std::ldexp(1.0, static_cast<int>(rng() % 60) - 30);
        return v;
    };
    const int sizes[] = {1, 2, 3, 7, 8, 9, 31, 32, 33, 63, 64, 65, 100, 257, 1023};
    for (int nx : sizes) {
        for (int ny : sizes) {
            const std::vector<double> x = randomVector(nx), y = randomVector(ny);
            std::vector<double> out(static_cast<size_t>(nx + ny - 1), 99.0);
            ASSERT_EQ(Convolve(x.data(), nx, y.data(), ny, out.data()), 0);
            const std::vector<double> want = naiveConvolve(x, y);
            for (size_t k = 0; k < want.size(); ++k)
                ASSERT_EQ(out[k], want[k]) << "nx " << nx << " ny " << ny << " k " << k;
        }
    }
}

TEST(Convolution, NonFiniteSamplesSpreadOnlyWhereThePlainLoopSpreadsThem)
{
    std::vector<double> x(200, 0.5), y(63, 0.25);
    x[100] = kInf;
    x[150] = kNaN;
    y[0] = 0.0; // inf x 0 gives NaN at that one output
    std::vector<double> out(x.size() + y.size() - 1);
    ASSERT_EQ(Convolve(x.data(), 200, y.data(), 63, out.data()), 0);
    const std::vector<double> want = naiveConvolve(x, y);
    for (size_t k = 0; k < want.size(); ++k)
        ASSERT_TRUE(sameValue(out[k], want[k])) << k;
    EXPECT_EQ(out[10], 0.5 * 0.25 * 10); // y[0] is 0
}

} // namespace
