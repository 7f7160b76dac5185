// Cosine-sum windows and the scaled window: documented values, symmetry
// against the direct formula, constants and argument errors.
#include "analysis/spectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{

const double kPi = 3.14159265358979323846;

// w(k) = a0 - a1 cos(2 pi k/n) + a2 cos(4 pi k/n) - ..., straight from the
// definition.
std::vector<double> Direct(int n, const std::vector<double> &a)
{
    std::vector<double> w(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) {
        double v = 0.0;
        for (std::size_t j = 0; j < a.size(); ++j)
            v += (j % 2 ? -1.0 : 1.0) * a[j] * std::cos(2.0 * kPi * static_cast<double>(j) * k / n);
        w[static_cast<std::size_t>(k)] = v;
    }
    return w;
}

struct Case {
    int code;
    int (*routine)(double *, int);
    std::vector<double> coef;
    double enbw;
};

const std::vector<Case> &Cases()
{
    static const std::vector<Case> cases = {
        {1, HanWin, {0.5, 0.5}, 1.5},
        {2, HamWin, {0.54, 0.46}, 1.36},
        {3, BlkHarrisWin, {0.42323, 0.49755, 0.07922}, 1.708538},
        {4, ExBkmanWin, {7938.0 / 18608, 9240.0 / 18608, 1430.0 / 18608}, 1.693699},
        {5, BkmanWin, {0.42, 0.5, 0.08}, 1.726757},
        {6, FlatTopWin, {0.215578948, 0.41663158, 0.277263158, 0.083578947, 0.006947368}, 3.770246506303},
        {7, nullptr, {0.35875, 0.48829, 0.14128, 0.01168}, 2.004353},
        {8,
         nullptr,
         {0.27105140069342415, 0.43329793923448606, 0.21812299954311062, 0.0659254463880309,
          0.010811742098372268, 0.0007765848252250934, 1.3887217350903198e-05},
         2.631905},
        {9, nullptr, {0.323215218, 0.471492057, 0.17553428, 0.028497078, 0.001261367}, 2.215350782519},
    };
    return cases;
}

std::vector<double> Ones(int n)
{
    return std::vector<double>(static_cast<std::size_t>(n), 1.0);
}

TEST(Windows, DocumentedValues)
{
    std::vector<double> x = Ones(4);
    ASSERT_EQ(HanWin(x.data(), 4), 0);
    EXPECT_DOUBLE_EQ(x[0], 0.0);
    EXPECT_NEAR(x[1], 0.5, 1e-15);
    EXPECT_DOUBLE_EQ(x[2], 1.0);
    EXPECT_NEAR(x[3], 0.5, 1e-15);

    x = Ones(4);
    WindowConstants wc{0, 0};
    ASSERT_EQ(ScaledWindow(x.data(), 4, 1, &wc), 0);
    EXPECT_DOUBLE_EQ(x[0], 0.0);
    EXPECT_NEAR(x[1], 1.0, 1e-15);
    EXPECT_DOUBLE_EQ(x[2], 2.0);
    EXPECT_NEAR(x[3], 1.0, 1e-15);
    EXPECT_DOUBLE_EQ(wc.enbw, 1.5);
    EXPECT_DOUBLE_EQ(wc.coherentgain, 0.5);

    x = Ones(2);
    ASSERT_EQ(HamWin(x.data(), 2), 0);
    EXPECT_DOUBLE_EQ(x[0], 0.08);
    EXPECT_DOUBLE_EQ(x[1], 1.0);
}

TEST(Windows, EveryWindowMatchesItsDefinitionAtOddAndEvenLengths)
{
    // Catches an off-by-one in the pairing of k with n - k, a wrong middle
    // sample and a wrong first sample.
    for (const Case &c : Cases())
        for (int n : {1, 2, 3, 4, 5, 8, 9, 64, 101, 1000}) {
            std::vector<double> x = Ones(n), ref = Direct(n, c.coef);
            if (c.routine)
                ASSERT_EQ(c.routine(x.data(), n), 0);
            else
                ASSERT_EQ(GenCosWin(x.data(), n, c.coef.data(), static_cast<int>(c.coef.size())), 0);
            for (int k = 0; k < n; ++k)
                EXPECT_NEAR(x[static_cast<std::size_t>(k)], ref[static_cast<std::size_t>(k)], 1e-14)
                    << "code " << c.code << " n " << n << " k " << k;
        }
}

TEST(Windows, ScaledWindowMultipliesTheSamplesAndReportsConstants)
{
    const int n = 4096;
    for (const Case &c : Cases()) {
        std::vector<double> x(n);
        for (int k = 0; k < n; ++k)
            x[static_cast<std::size_t>(k)] = std::sin(0.01 * k) + 2.0;
        const std::vector<double> in = x, w = Direct(n, c.coef);
        WindowConstants wc{0, 0};
        ASSERT_EQ(ScaledWindow(x.data(), n, c.code, &wc), 0);
        EXPECT_DOUBLE_EQ(wc.coherentgain, c.coef[0]);
        EXPECT_DOUBLE_EQ(wc.enbw, c.enbw);
        double sum = 0.0, sum2 = 0.0;
        for (int k = 0; k < n; ++k) {
            const std::size_t i = static_cast<std::size_t>(k);
            EXPECT_NEAR(x[i], in[i] * w[i] / c.coef[0], 1e-12) << c.code << " " << k;
            sum += w[i];
            sum2 += w[i] * w[i];
        }
        // The reported constants are those of the window applied.
        EXPECT_NEAR(sum / n, wc.coherentgain, 1e-9) << c.code;
        // The Hamming figure is the customary rounded 1.36 (1.3628 exactly).
        EXPECT_NEAR(n * sum2 / (sum * sum), wc.enbw, c.code == 2 ? 3e-3 : 1e-6) << c.code;
    }
}

TEST(Windows, NoWindowAndUnlistedCodes)
{
    for (int code : {0, 10, -1, 1000}) {
        std::vector<double> x = {1.0, -2.0, 3.5};
        WindowConstants wc{0, 0};
        ASSERT_EQ(ScaledWindow(x.data(), 3, code, &wc), 0);
        EXPECT_EQ(x, (std::vector<double>{1.0, -2.0, 3.5}));
        EXPECT_EQ(wc.enbw, 1.0);
        EXPECT_EQ(wc.coherentgain, 1.0);
    }
}

TEST(Windows, ArgumentErrorsLeaveOutputsUntouched)
{
    std::vector<double> x = {1.0, 2.0};
    const double coef[2] = {0.5, 0.5};
    for (auto fn : {HanWin, HamWin, BkmanWin, ExBkmanWin, BlkHarrisWin, FlatTopWin}) {
        EXPECT_EQ(fn(x.data(), 0), -20003);
        EXPECT_EQ(fn(x.data(), -3), -20003);
    }
    EXPECT_EQ(GenCosWin(x.data(), 0, coef, 2), -20003);
    EXPECT_EQ(GenCosWin(x.data(), 2, coef, 0), -20003);
    EXPECT_NE(GenCosWin(x.data(), 2, nullptr, 2), 0);
    EXPECT_NE(HanWin(nullptr, 2), 0);
    EXPECT_EQ(x, (std::vector<double>{1.0, 2.0}));

    WindowConstants wc{7.0, 8.0};
    EXPECT_EQ(ScaledWindow(x.data(), -1, 1, &wc), -20004);
    EXPECT_EQ(wc.enbw, 7.0);
    EXPECT_EQ(wc.coherentgain, 8.0);
    EXPECT_NE(ScaledWindow(x.data(), 2, 1, nullptr), 0);
    EXPECT_NE(ScaledWindow(nullptr, 2, 1, &wc), 0);
    EXPECT_EQ(x, (std::vector<double>{1.0, 2.0}));
    EXPECT_EQ(wc.enbw, 7.0);

    // n = 0 only reports the constants.
    EXPECT_EQ(ScaledWindow(nullptr, 0, 6, &wc), 0);
    EXPECT_DOUBLE_EQ(wc.enbw, 3.770246506303);
    EXPECT_DOUBLE_EQ(wc.coherentgain, 0.215578948);
}

} // namespace
