// XY plots: the pixels a path covers (points, segments clipped to the
// view, gaps at NaN, long jumps of a dense record), and PlotXY on a graph:
// its stored values, the autoscaled x axis, what reaches the screen and a
// cursor snapping to the nearest point.
#include "ui/graph_xy.h"
#include "ui/test_graph_support.h"

#include <QImage>

#include <cmath>
#include <limits>
#include <vector>

namespace
{

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

graphcore::XYView UnitView(int size)
{
    graphcore::XYView v;
    v.xLo = 0.0;
    v.xHi = 1.0;
    v.yLo = 0.0;
    v.yHi = 1.0;
    v.width = size;
    v.height = size;
    return v;
}

bool Marked(const std::vector<std::uint8_t> &mask, int size, int column, int row)
{
    return mask[static_cast<std::size_t>(row * size + column)] != 0;
}

int ColoredPixels(const QImage &img, QRgb colour, int x0, int x1, int y0, int y1)
{
    int n = 0;
    for (int y = std::max(0, y0); y <= std::min(img.height() - 1, y1); ++y)
        for (int x = std::max(0, x0); x <= std::min(img.width() - 1, x1); ++x)
            if ((img.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF))
                ++n;
    return n;
}

} // namespace

TEST(XYRaster, SegmentsJoinThePointsAndNaNBreaksThePath)
{
    std::vector<std::uint8_t> mask;
    // The diagonal from the centre of the lower left pixel to that of the
    // upper right one: one pixel in every column, row 9 - column (row 0 at
    // the top).
    const double x[] = {0.05, 0.95};
    const double y[] = {0.05, 0.95};
    EXPECT_EQ(graphcore::rasterizePath(x, y, 2, 1.0, 0.0, UnitView(10), true, mask), 10u);
    for (int c = 0; c < 10; ++c)
        EXPECT_TRUE(Marked(mask, 10, c, 9 - c)) << c;
    // The same two points as a scatter: only the two corners.
    EXPECT_EQ(graphcore::rasterizePath(x, y, 2, 1.0, 0.0, UnitView(10), false, mask), 2u);
    // Gain and offset apply to y: y' = 0.5 y + 0.25 runs from row 7 to row 2.
    graphcore::rasterizePath(x, y, 2, 0.5, 0.25, UnitView(10), true, mask);
    EXPECT_TRUE(Marked(mask, 10, 0, 7));
    EXPECT_TRUE(Marked(mask, 10, 9, 2));

    // A NaN in either coordinate leaves a gap: three points, no segment.
    const double gx[] = {0.05, kNaN, 0.95, 0.5};
    const double gy[] = {0.05, 0.5, 0.95, kNaN};
    EXPECT_EQ(graphcore::rasterizePath(gx, gy, 4, 1.0, 0.0, UnitView(10), true, mask), 2u);
    EXPECT_TRUE(Marked(mask, 10, 0, 9));
    EXPECT_TRUE(Marked(mask, 10, 9, 0));
}

TEST(XYRaster, FarPointsAreClippedAndDenseJumpsAreNotJoined)
{
    std::vector<std::uint8_t> mask;
    // A horizontal line between points far outside the view crosses it on
    // the middle row, in every column and nowhere else.
    const double x[] = {-1e12, 1e12};
    const double y[] = {0.55, 0.55};
    EXPECT_EQ(graphcore::rasterizePath(x, y, 2, 1.0, 0.0, UnitView(10), true, mask), 10u);
    for (int c = 0; c < 10; ++c)
        EXPECT_TRUE(Marked(mask, 10, c, 4));
    // A segment that passes by the view marks nothing.
    const double bx[] = {-1.0, 2.0};
    const double by[] = {3.0, 3.0};
    EXPECT_EQ(graphcore::rasterizePath(bx, by, 2, 1.0, 0.0, UnitView(10), true, mask), 0u);

    // A dense record alternating between two far corners is drawn as its
    // two points; the same jumps in a short record are joined.
    const std::size_t dense = graphcore::kXYDensePoints + 2;
    std::vector<double> dx(dense), dy(dense);
    for (std::size_t i = 0; i < dense; ++i)
        dx[i] = dy[i] = i % 2 ? 0.99 : 0.0;
    EXPECT_EQ(graphcore::rasterizePath(dx.data(), dy.data(), dense, 1.0, 0.0, UnitView(100), true, mask), 2u);
    EXPECT_GE(graphcore::rasterizePath(dx.data(), dy.data(), 8, 1.0, 0.0, UnitView(100), true, mask), 100u);
    for (int c = 0; c < 100; ++c) {
        bool any = false;
        for (int r = 0; r < 100; ++r)
            any = any || Marked(mask, 100, c, r);
        EXPECT_TRUE(any) << c;
    }

    // Nothing to draw in an empty or inverted view.
    graphcore::XYView bad = UnitView(10);
    bad.xHi = bad.xLo;
    EXPECT_EQ(graphcore::rasterizePath(x, y, 2, 1.0, 0.0, bad, true, mask), 0u);
}

TEST_F(GraphTest, PlotXYKeepsBothArraysAndScalesTheXAxisToThem)
{
    // A circle of 400 points, x as float, y as double.
    const int n = 400;
    std::vector<float> x(n);
    std::vector<double> y(n);
    for (int i = 0; i < n; ++i) {
        x[i] = static_cast<float>(2.0 * std::cos(2.0 * M_PI * i / (n - 1)) + 5.0);
        y[i] = 3.0 * std::sin(2.0 * M_PI * i / (n - 1));
    }
    EXPECT_EQ(PlotXY(panel_, kPlot, x.data(), y.data(), 0, VAL_FLOAT, VAL_DOUBLE, VAL_THIN_LINE, VAL_NO_POINT,
                     VAL_SOLID, 1, VAL_RED),
              UIE_BAD_VALUE);
    EXPECT_EQ(PlotXY(panel_, kPlot, x.data(), nullptr, n, VAL_FLOAT, VAL_DOUBLE, VAL_THIN_LINE, VAL_NO_POINT,
                     VAL_SOLID, 1, VAL_RED),
              UIE_BAD_VALUE);
    EXPECT_EQ(PlotXY(panel_, kPlot, x.data(), y.data(), n, 999, VAL_DOUBLE, VAL_THIN_LINE, VAL_NO_POINT,
                     VAL_SOLID, 1, VAL_RED),
              UIE_BAD_TYPE);
    const int h = PlotXY(panel_, kPlot, x.data(), y.data(), n, VAL_FLOAT, VAL_DOUBLE, VAL_THIN_LINE, VAL_NO_POINT,
                         VAL_SOLID, 1, VAL_RED);
    ASSERT_GT(h, 0);
    std::vector<double> xs(n), ys(n);
    int count = 0;
    ASSERT_EQ(GetPlotXData(panel_, kPlot, h, xs.data(), n, &count), 0);
    ASSERT_EQ(count, n);
    ASSERT_EQ(GetPlotData(panel_, kPlot, h, ys.data(), n, &count), 0);
    for (int i = 0; i < n; ++i) {
        ASSERT_EQ(xs[i], static_cast<double>(x[i]));
        ASSERT_EQ(ys[i], y[i]);
    }
    // The autoscaled x axis spans the x values (3 .. 7), not the indices.
    ASSERT_EQ(RefreshGraph(panel_, kPlot), 0);
    uigraph::GraphWidget *g = graph();
    EXPECT_NEAR(g->xAxis->range().lower, 3.0, 1e-3);
    EXPECT_NEAR(g->xAxis->range().upper, 7.0, 1e-3);

    // On screen: the circle's rightmost point (7, 0) and topmost (5, 3) are
    // drawn; its centre (5, 0) is not.
    const QImage img = g->grab().toImage();
    auto px = [&](double v) { return static_cast<int>(g->xAxis->coordToPixel(v)); };
    auto py = [&](double v) { return static_cast<int>(g->yAxis->coordToPixel(v)); };
    EXPECT_GT(ColoredPixels(img, 0xFF0000, px(7.0) - 2, px(7.0) + 2, py(0.0) - 2, py(0.0) + 2), 0);
    EXPECT_GT(ColoredPixels(img, 0xFF0000, px(5.0) - 2, px(5.0) + 2, py(3.0) - 2, py(3.0) + 2), 0);
    EXPECT_EQ(ColoredPixels(img, 0xFF0000, px(5.0) - 5, px(5.0) + 5, py(0.0) - 5, py(0.0) + 5), 0);

    // A cursor in snap mode goes to the nearest point of the circle, not
    // to the point whose index the x position would give.
    ASSERT_EQ(SetCursorAttribute(panel_, kPlot, 1, ATTR_CURSOR_MODE, VAL_SNAP_TO_POINT), 0);
    ASSERT_EQ(SetGraphCursorIndex(panel_, kPlot, 1, h, 0), 0);
    ASSERT_EQ(SetGraphCursor(panel_, kPlot, 1, xs[150] + 0.001, ys[150] - 0.001), 0);
    int plot = 0, index = -1;
    ASSERT_EQ(GetGraphCursorIndex(panel_, kPlot, 1, &plot, &index), 0);
    EXPECT_EQ(plot, h);
    EXPECT_EQ(index, 150);
    double cx = 0, cy = 0;
    ASSERT_EQ(GetGraphCursor(panel_, kPlot, 1, &cx, &cy), 0);
    EXPECT_EQ(cx, xs[static_cast<std::size_t>(index)]);
    EXPECT_EQ(cy, ys[static_cast<std::size_t>(index)]);

    // Deleted, its buffers serve a waveform plot, which has no x values.
    ASSERT_EQ(DeleteGraphPlot(panel_, kPlot, h, VAL_IMMEDIATE_DRAW), 0);
    const int w = PlotY(panel_, kPlot, y.data(), n, VAL_DOUBLE, VAL_THIN_LINE, VAL_NO_POINT, VAL_SOLID, 1, VAL_RED);
    ASSERT_GT(w, 0);
    ASSERT_EQ(GetPlotXData(panel_, kPlot, w, xs.data(), n, &count), 0);
    EXPECT_EQ(xs[10], 10.0);
}
