// The data side of the graph control without a widget: sample conversion,
// the min/max pyramid, the per-column reduction, axis ticks and snapping.
#include <gtest/gtest.h>

#include "ui/graph_core.h"
#include "ui/userint.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <random>
#include <vector>

using namespace graphcore;

namespace
{

const double kNaN = std::numeric_limits<double>::quiet_NaN();

std::vector<double> randomSamples(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::normal_distribution<double> d(0.0, 1.0);
    std::vector<double> y(n);
    for (double &v : y)
        v = d(rng);
    return y;
}

bool bruteMinMax(const std::vector<double> &y, std::size_t a, std::size_t b, double &mn, double &mx)
{
    bool found = false;
    for (std::size_t i = a; i < b && i < y.size(); ++i) {
        if (std::isnan(y[i]))
            continue;
        mn = found ? std::min(mn, y[i]) : y[i];
        mx = found ? std::max(mx, y[i]) : y[i];
        found = true;
    }
    return found;
}

// The envelope of every column found by placing each sample in its column
// one by one.
std::vector<Column> bruteColumns(const std::vector<double> &y, const XMap &map)
{
    std::vector<Column> cols(static_cast<std::size_t>(map.width));
    std::vector<bool> used(cols.size(), false);
    const bool reversed = map.dx < 0;
    for (std::size_t k = 0; k < y.size(); ++k) {
        const std::size_t i = reversed ? y.size() - 1 - k : k; // x order
        const double p = map.pixelOf(static_cast<double>(i));
        if (!(p >= 0) || !(p < map.width) || std::isnan(y[i]))
            continue;
        const auto c = static_cast<std::size_t>(std::floor(p));
        Column &col = cols[c];
        if (!used[c]) {
            used[c] = true;
            col.column = static_cast<int>(c);
            col.min = col.max = y[i];
            col.firstIndex = i;
        }
        col.min = std::min(col.min, y[i]);
        col.max = std::max(col.max, y[i]);
        col.lastIndex = i;
    }
    std::vector<Column> out;
    for (std::size_t c = 0; c < cols.size(); ++c)
        if (used[c])
            out.push_back(cols[c]);
    return out;
}

void expectSameColumns(const std::vector<Column> &got, const std::vector<Column> &want)
{
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t k = 0; k < got.size(); ++k) {
        EXPECT_EQ(got[k].column, want[k].column);
        EXPECT_EQ(got[k].min, want[k].min) << "column " << want[k].column;
        EXPECT_EQ(got[k].max, want[k].max) << "column " << want[k].column;
    }
}

} // namespace

TEST(GraphCoreConvert, EveryDataTypeBecomesTheSameDoubles)
{
    const int n = 300; // long enough for the pyramid pass
    std::vector<double> dst(n);
    auto check = [&](const void *src, int type, auto expected) {
        MinMaxPyramid pyr;
        ASSERT_TRUE(pyr.buildFrom(src, type, n, dst.data())) << "type " << type;
        for (int i = 0; i < n; ++i)
            ASSERT_EQ(dst[i], static_cast<double>(expected(i))) << "type " << type << " sample " << i;
        double mn, mx;
        ASSERT_TRUE(pyr.rangeMinMax(dst.data(), n, 0, n, mn, mx));
    };
    std::vector<signed char> c(n);
    std::vector<unsigned char> uc(n);
    std::vector<std::int16_t> s(n);
    std::vector<std::uint16_t> us(n);
    std::vector<std::int32_t> i32(n);
    std::vector<std::uint32_t> u32(n);
    std::vector<float> f(n);
    std::vector<double> d(n);
    for (int i = 0; i < n; ++i) {
        c[i] = static_cast<signed char>(i - 150 < -128 ? -128 : (i - 150 > 127 ? 127 : i - 150));
        uc[i] = static_cast<unsigned char>(i % 256);
        s[i] = static_cast<std::int16_t>(-32768 + i * 200);
        us[i] = static_cast<std::uint16_t>(65535 - i * 200);
        i32[i] = -2147483647 + i * 1000;
        u32[i] = 4294967295u - static_cast<std::uint32_t>(i);
        f[i] = 0.1f * static_cast<float>(i) - 7.25f;
        d[i] = 1e300 * (i % 3 - 1) + i;
    }
    check(c.data(), VAL_CHAR, [&](int i) { return c[i]; });
    check(uc.data(), VAL_UNSIGNED_CHAR, [&](int i) { return uc[i]; });
    check(s.data(), VAL_SHORT_INTEGER, [&](int i) { return s[i]; });
    check(us.data(), VAL_UNSIGNED_SHORT_INTEGER, [&](int i) { return us[i]; });
    check(i32.data(), VAL_INTEGER, [&](int i) { return i32[i]; });
    check(u32.data(), VAL_UNSIGNED_INTEGER, [&](int i) { return u32[i]; });
    check(f.data(), VAL_FLOAT, [&](int i) { return f[i]; });
    check(d.data(), VAL_DOUBLE, [&](int i) { return d[i]; });

    MinMaxPyramid pyr;
    EXPECT_FALSE(pyr.buildFrom(d.data(), VAL_STRING, n, dst.data()));
    EXPECT_EQ(sampleSize(VAL_STRING), 0u);
    EXPECT_EQ(sampleSize(VAL_SHORT_INTEGER), 2u);
}

TEST(GraphCoreBuffer, ResizeReusesCapacityAndKeepsAlignment)
{
    SampleBuffer b;
    ASSERT_TRUE(b.resize(1000));
    EXPECT_EQ(b.size(), 1000u);
    double *first = b.data();
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(first) % 16, 0u);
    ASSERT_TRUE(b.resize(10));
    EXPECT_EQ(b.data(), first); // shrinking keeps the memory
    ASSERT_TRUE(b.resize(3000000));
    EXPECT_GE(b.capacity(), 3000000u);
    b.data()[2999999] = 1.0; // the whole length is usable
    b.clear();
    EXPECT_EQ(b.size(), 0u);
}

TEST(GraphCorePyramid, LevelsAgreeWithABruteForceScan)
{
    for (std::size_t n : {std::size_t(128), std::size_t(1000), std::size_t(4096), std::size_t(100003)}) {
        std::vector<double> y = randomSamples(n, static_cast<unsigned>(n));
        // A stretch of NaN a whole block long, and a lone NaN.
        for (std::size_t i = 64; i < 192 && i < n; ++i)
            y[i] = kNaN;
        y[n / 2] = kNaN;
        MinMaxPyramid pyr;
        ASSERT_TRUE(pyr.build(y.data(), n));
        ASSERT_GE(pyr.levelCount(), 1);
        EXPECT_LE(pyr.entries(pyr.levelCount()), MinMaxPyramid::kFactor);
        for (int level = 1; level <= pyr.levelCount(); ++level) {
            const std::size_t block = pyr.blockSize(level);
            ASSERT_EQ(pyr.entries(level), (n + block - 1) / block);
            for (std::size_t j = 0; j < pyr.entries(level); ++j) {
                double mn = std::numeric_limits<double>::infinity(), mx = -mn;
                bruteMinMax(y, j * block, (j + 1) * block, mn, mx);
                ASSERT_EQ(pyr.mins(level)[j], mn) << "level " << level << " entry " << j;
                ASSERT_EQ(pyr.maxs(level)[j], mx) << "level " << level << " entry " << j;
            }
        }
    }
}

TEST(GraphCorePyramid, AnyRangeGivesTheExactMinAndMax)
{
    const std::size_t n = 250000;
    std::vector<double> y = randomSamples(n, 7);
    y[123457] = 99.0; // a lone spike
    y[5] = -99.0;
    MinMaxPyramid pyr;
    ASSERT_TRUE(pyr.build(y.data(), n));
    std::mt19937 rng(3);
    std::uniform_int_distribution<std::size_t> pos(0, n);
    for (int k = 0; k < 400; ++k) {
        std::size_t a = pos(rng), b = pos(rng);
        if (a > b)
            std::swap(a, b);
        if (k % 50 == 0)
            b = n; // ranges reaching the end
        double mn = 0, mx = 0, wmn = 0, wmx = 0;
        const bool want = bruteMinMax(y, a, b, wmn, wmx);
        ASSERT_EQ(pyr.rangeMinMax(y.data(), n, a, b, mn, mx), want) << a << ".." << b;
        if (want) {
            ASSERT_EQ(mn, wmn) << a << ".." << b;
            ASSERT_EQ(mx, wmx) << a << ".." << b;
        }
    }
    double mn, mx;
    EXPECT_TRUE(pyr.rangeMinMax(y.data(), n, 0, n, mn, mx));
    EXPECT_EQ(mx, 99.0);
    EXPECT_EQ(mn, -99.0);
    EXPECT_FALSE(pyr.rangeMinMax(y.data(), n, 10, 10, mn, mx)); // empty
}

TEST(GraphCorePyramid, AutoscaleRangePassesOverInfinitiesAndNaN)
{
    std::vector<double> y(1000, 1.0);
    y[10] = -std::numeric_limits<double>::infinity(); // a level of a zero power in dB
    y[20] = kNaN;
    y[30] = 5.0;
    y[40] = -3.0;
    MinMaxPyramid pyr;
    ASSERT_TRUE(pyr.build(y.data(), y.size()));
    double mn, mx;
    ASSERT_TRUE(pyr.finiteMinMax(y.data(), y.size(), mn, mx));
    EXPECT_EQ(mn, -3.0);
    EXPECT_EQ(mx, 5.0);
    std::vector<double> none(200, kNaN);
    ASSERT_TRUE(pyr.build(none.data(), none.size()));
    EXPECT_FALSE(pyr.finiteMinMax(none.data(), none.size(), mn, mx));
}

TEST(GraphCoreColumns, EnvelopeOfEachColumnIsTheTrueMinAndMax)
{
    const std::size_t n = 200000;
    std::vector<double> y = randomSamples(n, 11);
    y[77777] = 50.0; // a one-sample spike must survive the reduction
    MinMaxPyramid pyr;
    ASSERT_TRUE(pyr.build(y.data(), n));
    struct Case {
        double x0, dx, lo, hi;
        int width;
    };
    const Case cases[] = {
        {0, 1, 0, n - 1.0, 800},          // whole record
        {0, 1, 1000, 11000, 777},         // a zoomed window
        {0, 1, -5000, 50000, 640},        // the record starts inside the view
        {0, 1, 190000, 260000, 500},      // and ends inside it
        {-3.5, 0.25, -1000, 40000, 1000}, // other start and step
        {1e-3, 1e-6, 1e-3, 0.2, 733},     // the units of a time axis
        {10000, -0.1, 0, 10000, 600},     // a decreasing x
    };
    for (const Case &c : cases) {
        XMap map;
        map.x0 = c.x0;
        map.dx = c.dx;
        map.viewLo = c.lo;
        map.viewHi = c.hi;
        map.width = c.width;
        const std::vector<Column> want = bruteColumns(y, map);
        std::vector<Column> got;
        reduceColumns(y.data(), n, &pyr, map, got);
        SCOPED_TRACE(c.dx);
        expectSameColumns(got, want);
        reduceColumns(y.data(), n, nullptr, map, got); // without the pyramid
        expectSameColumns(got, want);
        for (std::size_t k = 0; k < got.size(); ++k) {
            EXPECT_EQ(got[k].firstIndex, want[k].firstIndex);
            EXPECT_EQ(got[k].lastIndex, want[k].lastIndex);
            EXPECT_EQ(got[k].first, y[want[k].firstIndex]);
            EXPECT_EQ(got[k].last, y[want[k].lastIndex]);
        }
    }
    // The spike shows in the whole-record view.
    XMap whole{0, 1, 0, n - 1.0, 800};
    std::vector<Column> got;
    reduceColumns(y.data(), n, &pyr, whole, got);
    double top = -1e9;
    for (const Column &c : got)
        top = std::max(top, c.max);
    EXPECT_EQ(top, 50.0);
}

TEST(GraphCoreColumns, GapsOffViewAndDegenerateSteps)
{
    std::vector<double> y(1000, 0.0);
    for (std::size_t i = 0; i < y.size(); ++i)
        y[i] = static_cast<double>(i);
    for (std::size_t i = 400; i < 600; ++i)
        y[i] = kNaN; // a gap: its columns are left out
    XMap map{0, 1, 0, 1000, 100};
    std::vector<Column> got;
    reduceColumns(y.data(), y.size(), nullptr, map, got);
    EXPECT_EQ(got.size(), 80u);
    for (const Column &c : got)
        EXPECT_TRUE(c.column < 40 || c.column >= 60);

    // A plot wholly outside the view gives nothing.
    XMap off{0, 1, 2000, 3000, 100};
    reduceColumns(y.data(), y.size(), nullptr, off, got);
    EXPECT_TRUE(got.empty());
    // All samples at one x: one column holding everything.
    XMap same{5, 0, 0, 10, 100};
    reduceColumns(y.data(), y.size(), nullptr, same, got);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].column, 50);
    EXPECT_EQ(got[0].min, 0.0);
    EXPECT_EQ(got[0].max, 999.0);
    // Unusable views give nothing rather than a crash.
    XMap bad{0, 1, 5, 5, 100};
    reduceColumns(y.data(), y.size(), nullptr, bad, got);
    EXPECT_TRUE(got.empty());
    XMap nan{kNaN, 1, 0, 10, 100};
    reduceColumns(y.data(), y.size(), nullptr, nan, got);
    EXPECT_TRUE(got.empty());
    reduceColumns(y.data(), 0, nullptr, map, got);
    EXPECT_TRUE(got.empty());
}

TEST(GraphCoreColumns, VisibleRangeReachesOneSamplePastEachEdge)
{
    XMap map{0, 1, 10.5, 20.5, 100}; // ten pixels per sample
    std::size_t a = 0, b = 0;
    ASSERT_TRUE(visibleRange(1000, map, 0, 100, a, b));
    EXPECT_EQ(a, 10u); // sample 10 lies left of the edge: the line starts there
    EXPECT_EQ(b, 21u);
    EXPECT_DOUBLE_EQ(map.samplesPerColumn(), 0.1);
    XMap rev{999, -1, 10.5, 20.5, 100};
    ASSERT_TRUE(visibleRange(1000, rev, 0, 100, a, b));
    EXPECT_EQ(a, 999u - 21u);
    EXPECT_EQ(b, 999u - 10u);
    XMap left{0, 1, 2000, 2010, 100};
    EXPECT_FALSE(visibleRange(1000, left, 0, 100, a, b));
}

TEST(GraphCoreTicks, LabelsReadGainTimesXPlusOffset)
{
    // Time axis: 1 µs per sample, window starting at sample 1000.
    const double gain = 1e-6, offset = 1e-3;
    EXPECT_DOUBLE_EQ(toLabel(0, gain, offset), 1e-3);
    EXPECT_DOUBLE_EQ(toLabel(500, gain, offset), 1.5e-3);
    EXPECT_DOUBLE_EQ(fromLabel(1.5e-3, gain, offset), 500.0);
    EXPECT_DOUBLE_EQ(fromLabel(7.0, 0.0, 2.0), 5.0); // gain 0 reads as 1
    for (double g : {1.0, 2.5e-7, -3.0, 0.1}) {
        for (double x : {-10.0, 0.0, 3.0, 12345.0})
            EXPECT_NEAR(fromLabel(toLabel(x, g, 4.0), g, 4.0), x, 1e-9 * (1 + std::fabs(x)));
    }
}

TEST(GraphCoreTicks, NiceTicksCoverTheRangeWithReadableSteps)
{
    EXPECT_DOUBLE_EQ(niceStep(10, 5), 2.0);
    EXPECT_DOUBLE_EQ(niceStep(0.016, 8), 0.002);
    EXPECT_DOUBLE_EQ(niceStep(1000, 4), 200.0);
    EXPECT_DOUBLE_EQ(niceStep(7e-5, 7), 1e-5);
    for (auto [lo, hi] :
         {std::pair<double, double>{0, 0.016384}, {-4, 4}, {1e-3, 1.5e-3}, {-7.3, 1234.5}, {5, -5}}) {
        const std::vector<double> t = niceTicks(lo, hi, 8);
        ASSERT_GE(t.size(), 3u) << lo << " " << hi;
        ASSERT_LE(t.size(), 20u);
        const double step = t[1] - t[0];
        for (std::size_t k = 0; k < t.size(); ++k) {
            EXPECT_GE(t[k], std::min(lo, hi) - 1e-12);
            EXPECT_LE(t[k], std::max(lo, hi) + 1e-12);
            const double m = t[k] / niceStep(std::fabs(hi - lo), 8);
            EXPECT_NEAR(m, std::round(m), 1e-6); // on multiples of the step
            if (k > 0) {
                EXPECT_NEAR(t[k] - t[k - 1], step, step * 1e-6);
            }
        }
    }
    EXPECT_EQ(niceTicks(3, 3, 5).size(), 1u);
    EXPECT_TRUE(niceTicks(0, std::numeric_limits<double>::infinity(), 5).empty());
    EXPECT_TRUE(niceTicks(kNaN, 1, 5).empty());
}

TEST(GraphCoreTicks, TickTextShowsEnoughDigits)
{
    EXPECT_EQ(formatTick(0.004, 0.002), "0.004");
    EXPECT_EQ(formatTick(3 * 0.1, 0.1), "0.3");
    EXPECT_EQ(formatTick(-4, 1), "-4");
    EXPECT_EQ(formatTick(1e-17, 0.2), "0.0");
    EXPECT_EQ(formatTick(250000, 50000), "250000");
    EXPECT_EQ(formatTick(5e-8, 1e-8), "5e-08");
    EXPECT_EQ(formatTick(2.5e9, 5e8), "2.5e+09");
}

TEST(GraphCoreCursor, NearestIndexRoundsAndClamps)
{
    EXPECT_EQ(nearestIndex(10.4, 0, 1, 100), 10u);
    EXPECT_EQ(nearestIndex(10.6, 0, 1, 100), 11u);
    EXPECT_EQ(nearestIndex(-5, 0, 1, 100), 0u);
    EXPECT_EQ(nearestIndex(500, 0, 1, 100), 99u);
    EXPECT_EQ(nearestIndex(2.0, 1.0, 0.25, 100), 4u);
    EXPECT_EQ(nearestIndex(7.0, 10.0, -1.0, 100), 3u);
    EXPECT_EQ(nearestIndex(kNaN, 0, 1, 100), 0u);
    EXPECT_EQ(nearestIndex(3, 0, 0, 100), 0u);
}
