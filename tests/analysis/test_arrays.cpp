// Fill, copy, extremes and the library's NaN constant.
#include "analysis/analysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace
{

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

std::uint64_t bitsOf(double v)
{
    std::uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

TEST(Arrays, NaNConstantHasItsBitPattern)
{
    EXPECT_EQ(bitsOf(iDNaN), 0xFFFFFFFF7FFFFFFFull);
    EXPECT_TRUE(std::isnan(iDNaN));
}

TEST(Arrays, BadCountsLeaveArraysUntouched)
{
    double a[3] = {1.0, 2.0, 3.0};
    double b[3] = {7.0, 7.0, 7.0};
    for (int n : {0, -1}) {
        EXPECT_EQ(Set1D(a, n, 9.0), -20003);
        EXPECT_EQ(Copy1D(a, n, b), -20003);
        double mx = 5.0, mn = 5.0;
        int imx = 5, imn = 5;
        EXPECT_EQ(MaxMin1D(a, n, &mx, &imx, &mn, &imn), -20003);
        EXPECT_EQ(mx, 5.0);
        EXPECT_EQ(mn, 5.0);
        EXPECT_EQ(imx, 5);
        EXPECT_EQ(imn, 5);
    }
    EXPECT_EQ(a[0], 1.0);
    EXPECT_EQ(b[0], 7.0);
}

TEST(Arrays, SetAndCopy)
{
    double a[5] = {0, 0, 0, 0, 0};
    ASSERT_EQ(Set1D(a, 4, -2.5), 0);
    EXPECT_EQ(a[3], -2.5);
    EXPECT_EQ(a[4], 0.0); // only n elements
    double b[5] = {1, 2, 3, 4, 5};
    ASSERT_EQ(Copy1D(b, 5, a), 0);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(a[i], b[i]);

    // Ascending order: copying onto a later position of the same array
    // repeats the leading element.
    double c[5] = {1, 2, 3, 4, 5};
    ASSERT_EQ(Copy1D(c, 4, c + 1), 0);
    for (double v : c)
        EXPECT_EQ(v, 1.0);
}

struct Extremes {
    double max, min;
    int imax, imin;
};

Extremes extremes(std::initializer_list<double> values)
{
    Extremes e{0, 0, 0, 0};
    EXPECT_EQ(MaxMin1D(values.begin(), static_cast<int>(values.size()), &e.max, &e.imax, &e.min, &e.imin), 0);
    return e;
}

TEST(Arrays, ExtremesTakeTheFirstOccurrence)
{
    const Extremes e = extremes({3, 7, 7, 1, 1});
    EXPECT_EQ(e.max, 7.0);
    EXPECT_EQ(e.imax, 1);
    EXPECT_EQ(e.min, 1.0);
    EXPECT_EQ(e.imin, 3);

    const Extremes single = extremes({-4.5});
    EXPECT_EQ(single.max, -4.5);
    EXPECT_EQ(single.min, -4.5);
    EXPECT_EQ(single.imax, 0);
    EXPECT_EQ(single.imin, 0);

    // A new maximum is not compared with the minimum.
    const Extremes rising = extremes({1, 2, 3});
    EXPECT_EQ(rising.imin, 0);
    EXPECT_EQ(rising.imax, 2);
}

TEST(Arrays, ExtremesSkipNaNButKeepInfinities)
{
    const Extremes e = extremes({kNaN, 2, kNaN, -4});
    EXPECT_EQ(e.max, 2.0);
    EXPECT_EQ(e.imax, 1);
    EXPECT_EQ(e.min, -4.0);
    EXPECT_EQ(e.imin, 3);

    const Extremes none = extremes({kNaN, kNaN});
    EXPECT_EQ(bitsOf(none.max), bitsOf(iDNaN));
    EXPECT_EQ(bitsOf(none.min), bitsOf(iDNaN));
    EXPECT_EQ(none.imax, -1);
    EXPECT_EQ(none.imin, -1);

    const Extremes inf = extremes({0, -kInf, kNaN, kInf, iDNaN});
    EXPECT_EQ(inf.max, kInf);
    EXPECT_EQ(inf.imax, 3);
    EXPECT_EQ(inf.min, -kInf);
    EXPECT_EQ(inf.imin, 1);
}

} // namespace
