// Graph cursors: positions, snapping to plot points, attributes and
// styles, the active cursor, and drags from code and by mouse with the
// events they send.
#include "ui/test_graph_support.h"

#include <QCoreApplication>
#include <QImage>

#include <cmath>
#include <vector>

namespace
{

std::vector<double> ramp(int n, double k)
{
    std::vector<double> y(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        y[static_cast<std::size_t>(i)] = k * i;
    return y;
}

int colourPixels(const QImage &img, QRgb colour)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((img.pixel(x, y) & 0xFFFFFF) == colour)
                ++n;
    return n;
}

} // namespace

TEST_F(GraphTest, FreeAndSnappedCursorPositions)
{
    double x = -1, y = -1;
    int plot = 0, index = 0;
    // Free-form: the cursor goes where it is put and sits on no plot.
    ASSERT_EQ(SetGraphCursor(panel_, kPlot, 1, 12.25, -1.5), 0);
    ASSERT_EQ(GetGraphCursor(panel_, kPlot, 1, &x, &y), 0);
    EXPECT_EQ(x, 12.25);
    EXPECT_EQ(y, -1.5);
    ASSERT_EQ(GetGraphCursorIndex(panel_, kPlot, 1, &plot, &index), 0);
    EXPECT_EQ(plot, -1);
    EXPECT_EQ(index, -1);

    const std::vector<double> a = ramp(100, 0.01), b = ramp(50, -0.02);
    const int ha =
        PlotWaveform(panel_, kPlot, a.data(), 100, VAL_DOUBLE, 2.0, 0.5, 0.0, 1.0, 0, 0, 0, 1, VAL_RED);
    const int hb = PlotY(panel_, kPlot, b.data(), 50, VAL_DOUBLE, 0, 0, 0, 1, VAL_GREEN);
    ASSERT_GT(ha, 0);
    ASSERT_GT(hb, 0);

    // Snap mode without a plot: the nearest point of the newest plot.
    ASSERT_EQ(SetCursorAttribute(panel_, kPlot, 1, ATTR_CURSOR_MODE, VAL_SNAP_TO_POINT), 0);
    ASSERT_EQ(SetGraphCursor(panel_, kPlot, 1, 10.4, 3.0), 0);
    ASSERT_EQ(GetGraphCursor(panel_, kPlot, 1, &x, &y), 0);
    EXPECT_EQ(x, 10.0);
    EXPECT_DOUBLE_EQ(y, -0.2);
    ASSERT_EQ(GetGraphCursorIndex(panel_, kPlot, 1, &plot, &index), 0);
    EXPECT_EQ(plot, hb);
    EXPECT_EQ(index, 10);
    // Past the end it stays on the last point.
    ASSERT_EQ(SetGraphCursor(panel_, kPlot, 1, 400.0, 0.0), 0);
    ASSERT_EQ(GetGraphCursorIndex(panel_, kPlot, 1, &plot, &index), 0);
    EXPECT_EQ(index, 49);

    // Attached to a plot and index, it then moves along that plot.
    ASSERT_EQ(SetGraphCursorIndex(panel_, kPlot, 1, ha, 30), 0);
    ASSERT_EQ(GetGraphCursor(panel_, kPlot, 1, &x, &y), 0);
    EXPECT_EQ(x, 30.0);
    EXPECT_DOUBLE_EQ(y, 2.0 * 0.3 + 0.5); // after the plot's gain and offset
    ASSERT_EQ(SetGraphCursor(panel_, kPlot, 1, 70.6, 0.0), 0);
    ASSERT_EQ(GetGraphCursorIndex(panel_, kPlot, 1, &plot, &index), 0);
    EXPECT_EQ(plot, ha);
    EXPECT_EQ(index, 71);
    ASSERT_EQ(GetGraphCursor(panel_, kPlot, 1, &x, &y), 0);
    EXPECT_DOUBLE_EQ(y, 2.0 * 0.71 + 0.5);

    // Deleting its plot lets the cursor go but keeps it where it is.
    ASSERT_EQ(DeleteGraphPlot(panel_, kPlot, ha, VAL_DELAYED_DRAW), 0);
    ASSERT_EQ(GetGraphCursorIndex(panel_, kPlot, 1, &plot, &index), 0);
    EXPECT_EQ(plot, -1);
    EXPECT_EQ(index, -1);
    ASSERT_EQ(GetGraphCursor(panel_, kPlot, 1, &x, &y), 0);
    EXPECT_EQ(x, 71.0);

    // Back to free-form: no more snapping.
    ASSERT_EQ(SetCursorAttribute(panel_, kPlot, 1, ATTR_CURSOR_MODE, VAL_FREE_FORM), 0);
    ASSERT_EQ(SetGraphCursor(panel_, kPlot, 1, 3.3, 2.2), 0);
    ASSERT_EQ(GetGraphCursor(panel_, kPlot, 1, &x, &y), 0);
    EXPECT_EQ(x, 3.3);
    EXPECT_EQ(y, 2.2);

    // Refused: bad cursor numbers, plots, indices and positions.
    EXPECT_EQ(SetGraphCursor(panel_, kPlot, 0, 1, 1), UIE_BAD_CURSOR);
    EXPECT_EQ(SetGraphCursor(panel_, kPlot, 4, 1, 1), UIE_BAD_CURSOR);
    EXPECT_EQ(GetGraphCursor(panel_, kPlot, 4, &x, &y), UIE_BAD_CURSOR);
    EXPECT_EQ(SetGraphCursor(panel_, kAuto, 1, 1, 1), UIE_BAD_CURSOR); // a graph without cursors
    EXPECT_EQ(SetGraphCursor(panel_, kPlot, 1, NAN, 1), UIE_BAD_VALUE);
    EXPECT_EQ(SetGraphCursorIndex(panel_, kPlot, 1, ha, 0), UIE_BAD_PLOT);
    EXPECT_EQ(SetGraphCursorIndex(panel_, kPlot, 1, hb, 50), UIE_BAD_INDEX);
    EXPECT_EQ(SetGraphCursorIndex(panel_, kPlot, 1, hb, -1), UIE_BAD_INDEX);
    EXPECT_EQ(SetGraphCursorIndex(panel_, kPlot, 9, hb, 1), UIE_BAD_CURSOR);
    ASSERT_EQ(GetGraphCursor(panel_, kPlot, 1, &x, &y), 0);
    EXPECT_EQ(x, 3.3);           // unchanged by the refusals
    EXPECT_TRUE(events.empty()); // placing cursors from code sends nothing
}

TEST_F(GraphTest, CursorAttributesAndStyles)
{
    int v = -1;
    // Defaults: shown, long cross, free-form; cursor 1 active.
    ASSERT_EQ(GetCursorAttribute(panel_, kPlot, 2, ATTR_CURSOR_ENABLED, &v), 0);
    EXPECT_EQ(v, 1);
    ASSERT_EQ(GetCursorAttribute(panel_, kPlot, 2, ATTR_CROSS_HAIR_STYLE, &v), 0);
    EXPECT_EQ(v, VAL_LONG_CROSS);
    ASSERT_EQ(GetCursorAttribute(panel_, kPlot, 2, ATTR_CURSOR_MODE, &v), 0);
    EXPECT_EQ(v, VAL_FREE_FORM);
    ASSERT_EQ(GetActiveGraphCursor(panel_, kPlot, &v), 0);
    EXPECT_EQ(v, 1);

    for (int style : {VAL_NO_CROSS, VAL_VERTICAL_LINE, VAL_HORIZONTAL_LINE, VAL_LONG_CROSS}) {
        ASSERT_EQ(SetCursorAttribute(panel_, kPlot, 2, ATTR_CROSS_HAIR_STYLE, style), 0);
        ASSERT_EQ(GetCursorAttribute(panel_, kPlot, 2, ATTR_CROSS_HAIR_STYLE, &v), 0);
        EXPECT_EQ(v, style);
    }
    ASSERT_EQ(SetCursorAttribute(panel_, kPlot, 2, ATTR_CURSOR_COLOR, 0x123456), 0);
    ASSERT_EQ(GetCursorAttribute(panel_, kPlot, 2, ATTR_CURSOR_COLOR, &v), 0);
    EXPECT_EQ(v, 0x123456);
    ASSERT_EQ(SetCursorAttribute(panel_, kPlot, 2, ATTR_CURSOR_ENABLED, 0), 0);
    ASSERT_EQ(GetCursorAttribute(panel_, kPlot, 2, ATTR_CURSOR_ENABLED, &v), 0);
    EXPECT_EQ(v, 0);
    ASSERT_EQ(SetActiveGraphCursor(panel_, kPlot, 3), 0);
    ASSERT_EQ(GetActiveGraphCursor(panel_, kPlot, &v), 0);
    EXPECT_EQ(v, 3);

    EXPECT_EQ(SetCursorAttribute(panel_, kPlot, 2, ATTR_CROSS_HAIR_STYLE, 7), UIE_BAD_VALUE);
    EXPECT_EQ(SetCursorAttribute(panel_, kPlot, 2, ATTR_CURSOR_MODE, 5), UIE_BAD_VALUE);
    EXPECT_EQ(SetCursorAttribute(panel_, kPlot, 2, ATTR_CURSOR_COLOR, 0x1000000), UIE_BAD_VALUE);
    EXPECT_EQ(SetCursorAttribute(panel_, kPlot, 2, ATTR_XAXIS_GAIN, 1), UIE_BAD_ATTRIBUTE);
    EXPECT_EQ(SetCursorAttribute(panel_, kPlot, 0, ATTR_CURSOR_ENABLED, 1), UIE_BAD_CURSOR);
    EXPECT_EQ(GetCursorAttribute(panel_, kPlot, 4, ATTR_CURSOR_ENABLED, &v), UIE_BAD_CURSOR);
    EXPECT_EQ(SetActiveGraphCursor(panel_, kPlot, 0), UIE_BAD_CURSOR);
    EXPECT_EQ(SetActiveGraphCursor(panel_, kPlot, 4), UIE_BAD_CURSOR);
    ASSERT_EQ(GetActiveGraphCursor(panel_, kPlot, &v), 0);
    EXPECT_EQ(v, 3);
}

TEST_F(GraphTest, OnlyShownCursorsAreDrawn)
{
    // Cursors 2 and 3 out of the way; cursor 1 in magenta.
    SetCursorAttribute(panel_, kPlot, 2, ATTR_CURSOR_ENABLED, 0);
    SetCursorAttribute(panel_, kPlot, 3, ATTR_CURSOR_ENABLED, 0);
    SetCursorAttribute(panel_, kPlot, 1, ATTR_CURSOR_COLOR, 0xFF00FF);
    SetAxisScalingMode(panel_, kPlot, VAL_XAXIS, VAL_MANUAL, 0.0, 100.0);
    SetGraphCursor(panel_, kPlot, 1, 50.0, 1.0);
    RefreshGraph(panel_, kPlot);
    uigraph::GraphWidget *g = graph();
    const int h = g->axisRect()->height(), w = g->axisRect()->width();

    SetCursorAttribute(panel_, kPlot, 1, ATTR_CROSS_HAIR_STYLE, VAL_VERTICAL_LINE);
    RefreshGraph(panel_, kPlot);
    const int vertical = colourPixels(g->grab().toImage(), 0xFF00FF);
    EXPECT_GE(vertical, h - 2);
    EXPECT_LT(vertical, h + 30); // the line and the active cursor's box

    SetCursorAttribute(panel_, kPlot, 1, ATTR_CROSS_HAIR_STYLE, VAL_HORIZONTAL_LINE);
    RefreshGraph(panel_, kPlot);
    const int horizontal = colourPixels(g->grab().toImage(), 0xFF00FF);
    EXPECT_GE(horizontal, w - 2);
    EXPECT_LT(horizontal, w + 30);

    SetCursorAttribute(panel_, kPlot, 1, ATTR_CROSS_HAIR_STYLE, VAL_LONG_CROSS);
    RefreshGraph(panel_, kPlot);
    EXPECT_GT(colourPixels(g->grab().toImage(), 0xFF00FF), w + h - 40);

    SetCursorAttribute(panel_, kPlot, 1, ATTR_CROSS_HAIR_STYLE, VAL_NO_CROSS);
    RefreshGraph(panel_, kPlot);
    EXPECT_EQ(colourPixels(g->grab().toImage(), 0xFF00FF), 0);

    SetCursorAttribute(panel_, kPlot, 1, ATTR_CROSS_HAIR_STYLE, VAL_LONG_CROSS);
    SetCursorAttribute(panel_, kPlot, 1, ATTR_CURSOR_ENABLED, 0);
    RefreshGraph(panel_, kPlot);
    EXPECT_EQ(colourPixels(g->grab().toImage(), 0xFF00FF), 0);
}

TEST_F(GraphTest, DragFromCodeSendsValueChangedThenCommit)
{
    ASSERT_EQ(DragGraphCursor(panel_, kPlot, 2, 15.0, 1.0, 0), 0);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].control, kPlot);
    EXPECT_EQ(events[0].event, EVENT_VAL_CHANGED);
    EXPECT_EQ(events[0].data1, 2);
    int active = 0;
    ASSERT_EQ(GetActiveGraphCursor(panel_, kPlot, &active), 0);
    EXPECT_EQ(active, 2); // the dragged cursor becomes active
    // The callback already sees the new position.
    double x = 0, y = 0;
    GetGraphCursor(panel_, kPlot, 2, &x, &y);
    EXPECT_EQ(x, 15.0);

    ASSERT_EQ(DragGraphCursor(panel_, kPlot, 2, 16.0, 1.5, 1), 0);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[1].event, EVENT_VAL_CHANGED);
    EXPECT_EQ(events[2].event, EVENT_COMMIT);
    EXPECT_EQ(events[2].data1, 2);

    // A snapped cursor is dragged along the points of its plot.
    const std::vector<double> r = ramp(40, 0.1);
    const int h = PlotY(panel_, kPlot, r.data(), 40, VAL_DOUBLE, 0, 0, 0, 1, VAL_RED);
    SetCursorAttribute(panel_, kPlot, 3, ATTR_CURSOR_MODE, VAL_SNAP_TO_POINT);
    ASSERT_EQ(DragGraphCursor(panel_, kPlot, 3, 7.7, -3.0, 1), 0);
    GetGraphCursor(panel_, kPlot, 3, &x, &y);
    EXPECT_EQ(x, 8.0);
    EXPECT_DOUBLE_EQ(y, 0.8);
    int plot = 0, index = 0;
    GetGraphCursorIndex(panel_, kPlot, 3, &plot, &index);
    EXPECT_EQ(plot, h);
    EXPECT_EQ(index, 8);

    // A hidden cursor cannot be dragged; nothing is sent.
    events.clear();
    SetCursorAttribute(panel_, kPlot, 1, ATTR_CURSOR_ENABLED, 0);
    EXPECT_EQ(DragGraphCursor(panel_, kPlot, 1, 5.0, 0.0, 1), UIE_BAD_CURSOR);
    EXPECT_EQ(DragGraphCursor(panel_, kPlot, 4, 5.0, 0.0, 1), UIE_BAD_CURSOR);
    EXPECT_TRUE(events.empty());
}

TEST_F(GraphTest, MouseDragMovesTheNearestCursorAndRedrawsOnlyCursors)
{
    std::vector<double> y(1000000);
    for (std::size_t i = 0; i < y.size(); ++i)
        y[i] = std::sin(static_cast<double>(i) * 1e-3);
    PlotY(panel_, kPlot, y.data(), static_cast<int>(y.size()), VAL_DOUBLE, 0, 0, 0, 1, VAL_YELLOW);
    SetCursorAttribute(panel_, kPlot, 1, ATTR_CROSS_HAIR_STYLE, VAL_VERTICAL_LINE);
    SetCursorAttribute(panel_, kPlot, 2, ATTR_CROSS_HAIR_STYLE, VAL_VERTICAL_LINE);
    SetCursorAttribute(panel_, kPlot, 3, ATTR_CURSOR_ENABLED, 0);
    SetGraphCursor(panel_, kPlot, 1, 200000.0, 0.0);
    SetGraphCursor(panel_, kPlot, 2, 600000.0, 0.0);
    ASSERT_EQ(RefreshGraph(panel_, kPlot), 0);
    uigraph::GraphWidget *g = graph();
    const int redraws = g->fullRedraws();
    const double px = g->xAxis->coordToPixel(600000.0);
    const double py = g->yAxis->coordToPixel(2.5);

    // A press far from every cursor grabs nothing.
    mouse(QEvent::MouseButtonPress, g->xAxis->coordToPixel(400000.0), py);
    mouse(QEvent::MouseMove, g->xAxis->coordToPixel(450000.0), py);
    mouse(QEvent::MouseButtonRelease, g->xAxis->coordToPixel(450000.0), py);
    EXPECT_TRUE(events.empty());

    // A press a few pixels beside cursor 2 grabs it.
    mouse(QEvent::MouseButtonPress, px + 3, py);
    EXPECT_TRUE(events.empty()); // a press alone moves nothing
    for (int step = 1; step <= 5; ++step)
        mouse(QEvent::MouseMove, px + 3 - 40.0 * step, py);
    ASSERT_EQ(events.size(), 5u);
    for (const GraphEvent &e : events) {
        EXPECT_EQ(e.event, EVENT_VAL_CHANGED);
        EXPECT_EQ(e.data1, 2);
    }
    // Only the cursor layer was redrawn while dragging.
    EXPECT_EQ(g->fullRedraws(), redraws);
    mouse(QEvent::MouseButtonRelease, px + 3 - 200.0, py);
    ASSERT_EQ(events.size(), 6u);
    EXPECT_EQ(events.back().event, EVENT_COMMIT);
    EXPECT_EQ(events.back().data1, 2);
    double x = 0, cy = 0;
    GetGraphCursor(panel_, kPlot, 2, &x, &cy);
    EXPECT_NEAR(x, g->xAxis->pixelToCoord(px + 3 - 200.0), 1.0);
    int active = 0;
    GetActiveGraphCursor(panel_, kPlot, &active);
    EXPECT_EQ(active, 2);
    GetGraphCursor(panel_, kPlot, 1, &x, &cy);
    EXPECT_EQ(x, 200000.0); // the other cursor stayed

    // Dragging past the edge keeps the cursor inside the plot area.
    events.clear();
    const double p1 = g->xAxis->coordToPixel(200000.0);
    mouse(QEvent::MouseButtonPress, p1, py);
    mouse(QEvent::MouseMove, -500.0, py);
    mouse(QEvent::MouseButtonRelease, -500.0, py);
    GetGraphCursor(panel_, kPlot, 1, &x, &cy);
    EXPECT_GE(x, g->xAxis->range().lower);
    EXPECT_LE(x, g->xAxis->range().lower + 2000.0);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front().data1, 1);

    // A cursor drawn without cross-hair cannot be grabbed.
    events.clear();
    SetCursorAttribute(panel_, kPlot, 2, ATTR_CROSS_HAIR_STYLE, VAL_NO_CROSS);
    GetGraphCursor(panel_, kPlot, 2, &x, &cy);
    const double p2 = g->xAxis->coordToPixel(x);
    mouse(QEvent::MouseButtonPress, p2, py);
    mouse(QEvent::MouseMove, p2 + 50, py);
    mouse(QEvent::MouseButtonRelease, p2 + 50, py);
    EXPECT_TRUE(events.empty());
}

TEST_F(GraphTest, ACallbackThatDiscardsThePanelEndsTheDragSafely)
{
    onEvent = [](int panel, const GraphEvent &e) {
        if (e.event == EVENT_VAL_CHANGED)
            DiscardPanel(panel);
    };
    EXPECT_EQ(DragGraphCursor(panel_, kPlot, 1, 5.0, 0.0, 1), 0);
    ASSERT_EQ(events.size(), 1u); // no commit from a graph that is gone
    QCoreApplication::processEvents();
    EXPECT_LT(RefreshGraph(panel_, kPlot), 0);
    panel_ = 0;
}

TEST_F(GraphTest, DashedCursorAndItsMarkerTag)
{
    int v = -1;
    ASSERT_EQ(GetCursorAttribute(panel_, kPlot, 1, ATTR_CURSOR_LINE_STYLE, &v), 0);
    EXPECT_EQ(v, VAL_SOLID);
    ASSERT_EQ(GetCursorAttribute(panel_, kPlot, 1, ATTR_CURSOR_MARKER, &v), 0);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(SetCursorAttribute(panel_, kPlot, 1, ATTR_CURSOR_LINE_STYLE, 9), UIE_BAD_VALUE);
    EXPECT_EQ(SetCursorAttribute(panel_, kPlot, 1, ATTR_CURSOR_MARKER, 0x1F), UIE_BAD_VALUE);
    EXPECT_EQ(SetCursorAttribute(panel_, kPlot, 1, ATTR_CURSOR_MARKER, 300), UIE_BAD_VALUE);

    SetCursorAttribute(panel_, kPlot, 2, ATTR_CURSOR_ENABLED, 0);
    SetCursorAttribute(panel_, kPlot, 3, ATTR_CURSOR_ENABLED, 0);
    SetActiveGraphCursor(panel_, kPlot, 3); // no box on cursor 1
    SetCursorAttribute(panel_, kPlot, 1, ATTR_CURSOR_COLOR, 0xFF00FF);
    SetCursorAttribute(panel_, kPlot, 1, ATTR_CROSS_HAIR_STYLE, VAL_VERTICAL_LINE);
    SetAxisScalingMode(panel_, kPlot, VAL_XAXIS, VAL_MANUAL, 0.0, 100.0);
    SetGraphCursor(panel_, kPlot, 1, 50.0, 1.0);
    RefreshGraph(panel_, kPlot);
    uigraph::GraphWidget *g = graph();
    const int h = g->axisRect()->height();
    const int solid = colourPixels(g->grab().toImage(), 0xFF00FF);
    EXPECT_GE(solid, h - 2);

    // A dashed line leaves gaps: clearly fewer pixels, but still a line.
    ASSERT_EQ(SetCursorAttribute(panel_, kPlot, 1, ATTR_CURSOR_LINE_STYLE, VAL_DASH), 0);
    ASSERT_EQ(GetCursorAttribute(panel_, kPlot, 1, ATTR_CURSOR_LINE_STYLE, &v), 0);
    EXPECT_EQ(v, VAL_DASH);
    RefreshGraph(panel_, kPlot);
    const int dashed = colourPixels(g->grab().toImage(), 0xFF00FF);
    EXPECT_LT(dashed, solid * 9 / 10);
    EXPECT_GT(dashed, solid / 3);

    // The marker: a tag in the cursor's colour at the top edge of the plot
    // area, on the line.
    ASSERT_EQ(SetCursorAttribute(panel_, kPlot, 1, ATTR_CURSOR_MARKER, 'T'), 0);
    ASSERT_EQ(GetCursorAttribute(panel_, kPlot, 1, ATTR_CURSOR_MARKER, &v), 0);
    EXPECT_EQ(v, 'T');
    RefreshGraph(panel_, kPlot);
    const QImage img = g->grab().toImage();
    const QRect area = g->axisRect()->rect();
    const int px = qRound(g->xAxis->coordToPixel(50.0));
    int tag = 0;
    for (int y = area.top(); y < area.top() + 14; ++y)
        for (int x = px - 6; x <= px + 6; ++x)
            tag += (img.pixel(x, y) & 0xFFFFFF) == 0xFF00FF;
    EXPECT_GT(tag, 60) << "no tag at the top of the line";
    EXPECT_GT(colourPixels(img, 0xFF00FF), dashed + 60);
}
