// The graph control through the runtime's graph operations: plot storage,
// data types, deletion and handles, deferred drawing, axes and their
// labels, graph attributes, and what reaches the screen.
#include "ui/test_graph_support.h"

#include <QCoreApplication>
#include <QImage>
#include <QMouseEvent>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>

std::vector<GraphEvent> GraphTest::events;
void (*GraphTest::onEvent)(int, const GraphEvent &) = nullptr;

namespace
{

const char *kResource = R"uir({
  "panels": [{
    "name": "GRAPHTEST", "title": "Graph test", "width": 1240, "height": 540,
    "controls": [
      {"name": "PLOT", "type": "graph", "top": 10, "left": 10, "width": 800, "height": 500, "label": "Plot",
       "cursors": 3, "ymin": -4.0, "ymax": 4.0, "yscaling": "manual", "xscaling": "auto",
       "xname": "Time (s)", "yname": "Divisions", "bgcolor": "#000000", "grid": true,
       "callback": "GraphTest_Record"},
      {"name": "AUTO", "type": "graph", "top": 10, "left": 820, "width": 400, "height": 300, "label": "Auto",
       "cursors": 0, "xscaling": "auto", "yscaling": "auto", "bgcolor": "#FFFFFF", "grid": false},
      {"name": "NUM", "type": "numeric", "top": 320, "left": 820, "width": 80, "height": 20}
    ]
  }],
  "menubars": []
})uir";

} // namespace

int GraphTest::Record(int, int control, int event, void *, int data1, int)
{
    events.push_back({control, event, data1});
    return 0;
}

void GraphTest::SetUp()
{
    testseam::Enable(true);
    testseam::Reset();
    events.clear();
    onEvent = nullptr;
    ClearCallbackTables();
    static const CallbackEntry table[] = {{"GraphTest_Record",
                                           [](int p, int c, int e, void *d, int d1, int d2) {
                                               Record(p, c, e, d, d1, d2);
                                               if (onEvent)
                                                   onEvent(p, events.back());
                                               return 0;
                                           },
                                           nullptr}};
    ASSERT_EQ(RegisterCallbackTable(table, 1), 0);
    char tmpl[] = "/tmp/korvax-graph-XXXXXX";
    const char *d = mkdtemp(tmpl);
    ASSERT_NE(d, nullptr);
    dir_ = d;
    const std::string file = dir_ + "/graphs.uir";
    std::ofstream(file) << kResource;
    panel_ = LoadPanel(0, file.c_str(), 1);
    ASSERT_GT(panel_, 0);
    ASSERT_EQ(DisplayPanel(panel_), 0);
    ASSERT_NE(graph(), nullptr);
    ASSERT_NE(graph(kAuto), nullptr);
}

void GraphTest::TearDown()
{
    if (panel_ > 0)
        DiscardPanel(panel_);
    onEvent = nullptr;
    ClearCallbackTables();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

double GraphTest::attr(int attribute, int control) const
{
    double v = -12345;
    EXPECT_EQ(uigraph::getAttribute(uirt::controlWidget(panel_, control), attribute, &v), 0);
    return v;
}

void GraphTest::mouse(int type, double x, double y, int control) const
{
    const auto t = static_cast<QEvent::Type>(type);
    const Qt::MouseButton button = t == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held = t == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QWidget *w = graph(control);
    QMouseEvent ev(t, QPointF(x, y), w->mapToGlobal(QPointF(x, y)), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &ev);
}

namespace
{

std::vector<double> values(int panel, int control, int plot)
{
    int count = -1;
    EXPECT_EQ(GetPlotData(panel, control, plot, nullptr, 0, &count), 0);
    std::vector<double> v(static_cast<std::size_t>(std::max(count, 0)));
    EXPECT_EQ(GetPlotData(panel, control, plot, v.data(), count, &count), 0);
    return v;
}

int pixelsOf(const QImage &img, QRgb colour, int x0, int x1, int y0, int y1)
{
    int n = 0;
    for (int y = std::max(0, y0); y <= std::min(img.height() - 1, y1); ++y)
        for (int x = std::max(0, x0); x <= std::min(img.width() - 1, x1); ++x)
            if ((img.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF))
                ++n;
    return n;
}

} // namespace

// ------------------------------------------------------------ plots

TEST_F(GraphTest, PlotKeepsOneCopyWithGainOffsetAndXSteps)
{
    std::vector<double> y = {0.5, -1.0, 2.0, 3.25, -0.75};
    const int h = PlotWaveform(panel_, kPlot, y.data(), 5, VAL_DOUBLE, 2.0, 1.0, 5.0, 0.5, VAL_THIN_LINE,
                               VAL_NO_POINT, VAL_SOLID, 1, VAL_YELLOW);
    ASSERT_GT(h, 0);
    y[0] = 100.0; // the plot holds its own copy
    const std::vector<double> v = values(panel_, kPlot, h);
    ASSERT_EQ(v.size(), 5u);
    EXPECT_DOUBLE_EQ(v[0], 2.0);
    EXPECT_DOUBLE_EQ(v[1], -1.0);
    EXPECT_DOUBLE_EQ(v[3], 7.5);
    const uigraph::Plot *p = graph()->plot(h);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->count(), 5u);
    EXPECT_NE(p->y.data(), y.data());
    EXPECT_EQ(p->y.data()[2], 2.0); // raw samples; gain and offset apply on reading

    // x of point i is initial x + i * increment.
    ASSERT_EQ(SetGraphCursorIndex(panel_, kPlot, 1, h, 4), 0);
    double cx = 0, cy = 0;
    ASSERT_EQ(GetGraphCursor(panel_, kPlot, 1, &cx, &cy), 0);
    EXPECT_DOUBLE_EQ(cx, 7.0);
    EXPECT_DOUBLE_EQ(cy, -0.5);

    // Fewer values asked than held, and the count alone.
    double two[2] = {0, 0};
    int count = 0;
    ASSERT_EQ(GetPlotData(panel_, kPlot, h, two, 2, &count), 0);
    EXPECT_EQ(count, 5);
    EXPECT_DOUBLE_EQ(two[1], -1.0);
    EXPECT_EQ(GetPlotData(panel_, kPlot, h, two, -1, &count), UIE_BAD_VALUE);

    // PlotY: gain 1, offset 0, x from 0 in steps of 1.
    const int hy =
        PlotY(panel_, kPlot, y.data(), 5, VAL_DOUBLE, VAL_THIN_LINE, VAL_NO_POINT, VAL_SOLID, 1, VAL_GREEN);
    ASSERT_GT(hy, 0);
    EXPECT_NE(hy, h);
    EXPECT_EQ(values(panel_, kPlot, hy), y);
    ASSERT_EQ(SetGraphCursorIndex(panel_, kPlot, 1, hy, 3), 0);
    ASSERT_EQ(GetGraphCursor(panel_, kPlot, 1, &cx, &cy), 0);
    EXPECT_DOUBLE_EQ(cx, 3.0);
    EXPECT_DOUBLE_EQ(cy, 3.25);
}

TEST_F(GraphTest, EveryDataTypeIsStoredAsDoubles)
{
    const signed char c[] = {-128, -1, 0, 127};
    const unsigned char uc[] = {0, 1, 200, 255};
    const std::int16_t s[] = {-32768, -5, 7, 32767};
    const std::uint16_t us[] = {0, 1, 40000, 65535};
    const std::int32_t i[] = {-2147483647 - 1, -3, 4, 2147483647};
    const float f[] = {-1.5f, 0.25f, 3.0e10f, 1e-3f};
    const double d[] = {-1e300, 0.1, 2.5, 1e-300};
    auto check = [&](const void *data, int type, std::vector<double> want) {
        const int h = PlotY(panel_, kPlot, data, 4, type, VAL_THIN_LINE, VAL_NO_POINT, VAL_SOLID, 1, VAL_RED);
        ASSERT_GT(h, 0) << "type " << type;
        EXPECT_EQ(values(panel_, kPlot, h), want) << "type " << type;
    };
    check(c, VAL_CHAR, {-128, -1, 0, 127});
    check(uc, VAL_UNSIGNED_CHAR, {0, 1, 200, 255});
    check(s, VAL_SHORT_INTEGER, {-32768, -5, 7, 32767});
    check(us, VAL_UNSIGNED_SHORT_INTEGER, {0, 1, 40000, 65535});
    check(i, VAL_INTEGER, {-2147483648.0, -3, 4, 2147483647});
    check(f, VAL_FLOAT, {-1.5, 0.25, static_cast<double>(3.0e10f), static_cast<double>(1e-3f)});
    check(d, VAL_DOUBLE, {-1e300, 0.1, 2.5, 1e-300});
    // Gain and offset apply to converted integers too.
    const int h = PlotWaveform(panel_, kPlot, s, 4, VAL_SHORT_INTEGER, 0.5, -1.0, 0, 1, VAL_THIN_LINE,
                               VAL_NO_POINT, VAL_SOLID, 1, VAL_RED);
    EXPECT_EQ(values(panel_, kPlot, h), (std::vector<double>{-16385, -3.5, 2.5, 16382.5}));
}

TEST_F(GraphTest, DeletingPlotsAndRefusingBadArguments)
{
    const double y[] = {1, 2, 3};
    const int a = PlotY(panel_, kPlot, y, 3, VAL_DOUBLE, 0, 0, 0, 1, VAL_RED);
    const int b = PlotY(panel_, kPlot, y, 3, VAL_DOUBLE, 0, 0, 0, 1, VAL_GREEN);
    const int c = PlotY(panel_, kPlot, y, 3, VAL_DOUBLE, 0, 0, 0, 1, VAL_BLUE);
    ASSERT_GT(a, 0);
    EXPECT_TRUE(a != b && b != c && a != c);
    EXPECT_EQ(attr(ATTR_NUM_PLOTS), 3);

    EXPECT_EQ(DeleteGraphPlot(panel_, kPlot, b, VAL_IMMEDIATE_DRAW), 0);
    EXPECT_EQ(attr(ATTR_NUM_PLOTS), 2);
    int count;
    EXPECT_EQ(GetPlotData(panel_, kPlot, b, nullptr, 0, &count), UIE_BAD_PLOT);
    EXPECT_EQ(DeleteGraphPlot(panel_, kPlot, b, VAL_IMMEDIATE_DRAW), UIE_BAD_PLOT);
    EXPECT_EQ(DeleteGraphPlot(panel_, kPlot, 0, VAL_IMMEDIATE_DRAW), UIE_BAD_PLOT);
    EXPECT_EQ(DeleteGraphPlot(panel_, kPlot, -7, VAL_IMMEDIATE_DRAW), UIE_BAD_PLOT);
    EXPECT_EQ(GetPlotData(panel_, kPlot, c, nullptr, 0, &count), 0); // the others stay
    EXPECT_EQ(DeleteGraphPlot(panel_, kPlot, -1, VAL_DELAYED_DRAW), 0);
    EXPECT_EQ(attr(ATTR_NUM_PLOTS), 0);
    EXPECT_EQ(DeleteGraphPlot(panel_, kPlot, -1, VAL_NO_DRAW), 0); // nothing left: still fine
    // A new plot never takes the handle of a deleted one.
    const int d = PlotY(panel_, kPlot, y, 3, VAL_DOUBLE, 0, 0, 0, 1, VAL_RED);
    EXPECT_TRUE(d != a && d != b && d != c);

    // Bad data.
    EXPECT_EQ(PlotY(panel_, kPlot, y, 3, VAL_STRING, 0, 0, 0, 1, VAL_RED), UIE_BAD_TYPE);
    EXPECT_EQ(PlotY(panel_, kPlot, y, 3, 99, 0, 0, 0, 1, VAL_RED), UIE_BAD_TYPE);
    EXPECT_EQ(PlotY(panel_, kPlot, y, 0, VAL_DOUBLE, 0, 0, 0, 1, VAL_RED), UIE_BAD_VALUE);
    EXPECT_EQ(PlotY(panel_, kPlot, y, -3, VAL_DOUBLE, 0, 0, 0, 1, VAL_RED), UIE_BAD_VALUE);
    EXPECT_EQ(PlotY(panel_, kPlot, nullptr, 3, VAL_DOUBLE, 0, 0, 0, 1, VAL_RED), UIE_BAD_VALUE);
    EXPECT_EQ(PlotWaveform(panel_, kPlot, y, 3, VAL_DOUBLE, NAN, 0, 0, 1, 0, 0, 0, 1, 0), UIE_BAD_VALUE);
    EXPECT_EQ(PlotWaveform(panel_, kPlot, y, 3, VAL_DOUBLE, 1, 0, 0, INFINITY, 0, 0, 0, 1, 0), UIE_BAD_VALUE);
    EXPECT_EQ(attr(ATTR_NUM_PLOTS), 1);

    // Bad handles: a control that is not a graph, a missing control, a missing panel.
    EXPECT_EQ(PlotY(panel_, kNumeric, y, 3, VAL_DOUBLE, 0, 0, 0, 1, VAL_RED), UIE_BAD_CONTROL);
    EXPECT_EQ(RefreshGraph(panel_, kNumeric), UIE_BAD_CONTROL);
    EXPECT_EQ(PlotY(panel_, 77, y, 3, VAL_DOUBLE, 0, 0, 0, 1, VAL_RED), UIE_BAD_CONTROL);
    EXPECT_EQ(PlotY(panel_ + 1000, kPlot, y, 3, VAL_DOUBLE, 0, 0, 0, 1, VAL_RED), UIE_BAD_PANEL);
    EXPECT_EQ(DeleteGraphPlot(panel_ + 1000, kPlot, -1, 0), UIE_BAD_PANEL);
    EXPECT_EQ(RefreshGraph(-1, kPlot), UIE_BAD_PANEL);
}

TEST_F(GraphTest, ANewPlotInTheStorageOfADeletedOneHoldsOnlyItsOwnData)
{
    // A capture deletes its traces and plots new ones of the same length:
    // the new plot may take the old one's memory, but nothing of its data.
    std::vector<double> old(100000, 5.0), fresh(90000, -1.0);
    fresh[12345] = -2.0;
    const int h0 = PlotY(panel_, kAuto, old.data(), 100000, VAL_DOUBLE, 0, 0, 0, 1, VAL_RED);
    ASSERT_GT(h0, 0);
    const double *oldStorage = graph(kAuto)->plot(h0)->y.data();
    ASSERT_EQ(DeleteGraphPlot(panel_, kAuto, -1, VAL_IMMEDIATE_DRAW), 0);
    const int h =
        PlotWaveform(panel_, kAuto, fresh.data(), 90000, VAL_DOUBLE, 1.0, 0.0, 0.0, 1.0, 0, 0, 0, 1, VAL_RED);
    ASSERT_GT(h, 0);
    EXPECT_EQ(values(panel_, kAuto, h), fresh);
    int mode;
    double lo = 0, hi = 0;
    ASSERT_EQ(GetAxisScalingMode(panel_, kAuto, VAL_LEFT_YAXIS, &mode, &lo, &hi), 0);
    EXPECT_LT(hi, 0.0); // nothing of the old 5 V trace
    EXPECT_LE(lo, -2.0);
    const uigraph::Plot *p = graph(kAuto)->plot(h);
    EXPECT_EQ(p->y.data(), oldStorage); // the case this test is about
    double mn = 0, mx = 0;
    ASSERT_TRUE(p->pyramid.rangeMinMax(p->y.data(), p->count(), 0, p->count(), mn, mx));
    EXPECT_EQ(mn, -2.0);
    EXPECT_EQ(mx, -1.0);
    ASSERT_EQ(GetAxisScalingMode(panel_, kAuto, VAL_XAXIS, &mode, &lo, &hi), 0);
    EXPECT_EQ(hi, 89999.0);
}

TEST_F(GraphTest, TracesPiledUpWithoutDeletingStayBounded)
{
    // As persistence does: plot after plot, never deleting.  The oldest go
    // past the limit; the newest are all there.
    const double y[] = {1, 2, 3, 4};
    std::vector<int> handles;
    for (int k = 0; k < 600; ++k) {
        handles.push_back(PlotY(panel_, kPlot, y, 4, VAL_DOUBLE, 0, 0, 0, 1, VAL_RED));
        ASSERT_GT(handles.back(), 0);
    }
    EXPECT_EQ(attr(ATTR_NUM_PLOTS), 512);
    int count = 0;
    EXPECT_EQ(GetPlotData(panel_, kPlot, handles.front(), nullptr, 0, &count), UIE_BAD_PLOT);
    EXPECT_EQ(GetPlotData(panel_, kPlot, handles[600 - 512], nullptr, 0, &count), 0);
    EXPECT_EQ(GetPlotData(panel_, kPlot, handles.back(), nullptr, 0, &count), 0);
    EXPECT_EQ(count, 4);
}

// ------------------------------------------------------------ drawing

TEST_F(GraphTest, PlottingDefersTheRedrawToOneForTheEventLoop)
{
    uigraph::GraphWidget *g = graph();
    RefreshGraph(panel_, kPlot);
    const int before = g->fullRedraws();
    std::vector<double> y(5000, 1.0);
    for (int k = 0; k < 10; ++k)
        ASSERT_GT(PlotY(panel_, kPlot, y.data(), 5000, VAL_DOUBLE, 0, 0, 0, 1, VAL_RED), 0);
    DeleteGraphPlot(panel_, kPlot, -1, VAL_IMMEDIATE_DRAW);
    PlotY(panel_, kPlot, y.data(), 5000, VAL_DOUBLE, 0, 0, 0, 1, VAL_RED);
    EXPECT_EQ(g->fullRedraws(), before); // nothing drawn per call
    EXPECT_TRUE(g->redrawPending());
    ProcessSystemEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(g->fullRedraws(), before + 1); // one queued redraw for all of them
    EXPECT_FALSE(g->redrawPending());

    PlotY(panel_, kPlot, y.data(), 5000, VAL_DOUBLE, 0, 0, 0, 1, VAL_RED);
    ASSERT_EQ(RefreshGraph(panel_, kPlot), 0); // now
    EXPECT_EQ(g->fullRedraws(), before + 2);
    QCoreApplication::processEvents(); // the queued one finds nothing to do
    EXPECT_EQ(g->fullRedraws(), before + 2);
    ASSERT_EQ(RefreshGraph(panel_, kPlot), 0); // nothing changed: nothing redrawn
    EXPECT_EQ(g->fullRedraws(), before + 2);

    // Moving a cursor redraws only the cursor layer.
    SetGraphCursor(panel_, kPlot, 1, 10, 1);
    RefreshGraph(panel_, kPlot);
    EXPECT_EQ(g->fullRedraws(), before + 2);

    // With ATTR_REFRESH_GRAPH 1 every change redraws.
    ASSERT_EQ(SetCtrlAttribute(panel_, kPlot, ATTR_REFRESH_GRAPH, 1), 0);
    const int now = g->fullRedraws();
    PlotY(panel_, kPlot, y.data(), 5000, VAL_DOUBLE, 0, 0, 0, 1, VAL_RED);
    PlotY(panel_, kPlot, y.data(), 5000, VAL_DOUBLE, 0, 0, 0, 1, VAL_RED);
    EXPECT_EQ(g->fullRedraws(), now + 2);
}

TEST_F(GraphTest, ASingleSampleSpikeInAMillionStillReachesTheScreen)
{
    std::vector<double> y(1000000, 0.0);
    y[654321] = 3.5;
    const int h = PlotY(panel_, kPlot, y.data(), static_cast<int>(y.size()), VAL_DOUBLE, VAL_THIN_LINE,
                        VAL_NO_POINT, VAL_SOLID, 1, VAL_RED);
    ASSERT_GT(h, 0);
    ASSERT_EQ(RefreshGraph(panel_, kPlot), 0);
    uigraph::GraphWidget *g = graph();
    const QImage img = g->grab().toImage();
    const int px = static_cast<int>(g->xAxis->coordToPixel(654321));
    const int py = static_cast<int>(g->yAxis->coordToPixel(3.5));
    EXPECT_GT(pixelsOf(img, 0xFF0000, px - 1, px + 1, py - 1, py + 1), 0);
    // Nowhere else does the trace rise.
    const int mid = static_cast<int>(g->yAxis->coordToPixel(1.75));
    EXPECT_EQ(pixelsOf(img, 0xFF0000, 0, px - 3, mid - 3, mid + 3), 0);
    EXPECT_EQ(pixelsOf(img, 0xFF0000, px + 3, img.width(), mid - 3, mid + 3), 0);
}

TEST_F(GraphTest, FewPointsAreJoinedByTheirRealLine)
{
    const double y[] = {-3.0, 3.0};
    ASSERT_EQ(SetAxisScalingMode(panel_, kPlot, VAL_XAXIS, VAL_MANUAL, 0.0, 1.0), 0);
    PlotY(panel_, kPlot, y, 2, VAL_DOUBLE, VAL_THIN_LINE, VAL_NO_POINT, VAL_SOLID, 1, VAL_GREEN);
    ASSERT_EQ(RefreshGraph(panel_, kPlot), 0);
    uigraph::GraphWidget *g = graph();
    const QImage img = g->grab().toImage();
    // Halfway between the points the line passes through y = 0.
    const int px = static_cast<int>(g->xAxis->coordToPixel(0.5));
    const int py = static_cast<int>(g->yAxis->coordToPixel(0.0));
    EXPECT_GT(pixelsOf(img, 0x00FF00, px - 2, px + 2, py - 2, py + 2), 0);
    const int high = static_cast<int>(g->yAxis->coordToPixel(2.5));
    EXPECT_EQ(pixelsOf(img, 0x00FF00, px - 2, px + 2, high - 2, high + 2), 0);
}

TEST_F(GraphTest, AHiddenGraphDrawsWhenShownOrPrinted)
{
    ASSERT_EQ(SetCtrlAttribute(panel_, kAuto, ATTR_VISIBLE, 0), 0);
    uigraph::GraphWidget *g = graph(kAuto);
    const int before = g->fullRedraws();
    const double y[] = {0.0, 1.0, 0.0, 1.0};
    PlotY(panel_, kAuto, y, 4, VAL_DOUBLE, VAL_FAT_LINE, VAL_NO_POINT, VAL_SOLID, 1, 0x0000FF);
    ASSERT_EQ(RefreshGraph(panel_, kAuto), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(g->fullRedraws(), before); // nobody sees it: nothing drawn
    // Rendered while hidden (as printing does): the plot is there.
    const QImage img = g->grab().toImage();
    EXPECT_GT(pixelsOf(img, 0x0000FF, 0, img.width(), 0, img.height()), 20);
    ASSERT_EQ(SetCtrlAttribute(panel_, kAuto, ATTR_VISIBLE, 1), 0);
    QCoreApplication::processEvents();
    EXPECT_FALSE(g->redrawPending());
}

// ------------------------------------------------------------ axes

TEST_F(GraphTest, ManualAndAutomaticScaling)
{
    int mode = -1;
    double lo = 0, hi = 0;
    // From the resource: manual -4..4 for y, automatic x.
    ASSERT_EQ(GetAxisScalingMode(panel_, kPlot, VAL_LEFT_YAXIS, &mode, &lo, &hi), 0);
    EXPECT_EQ(mode, VAL_MANUAL);
    EXPECT_EQ(lo, -4.0);
    EXPECT_EQ(hi, 4.0);
    ASSERT_EQ(GetAxisScalingMode(panel_, kPlot, VAL_XAXIS, &mode, &lo, &hi), 0);
    EXPECT_EQ(mode, VAL_AUTOSCALE);

    // Manual y stays put whatever the data; x fits the plots' span.
    std::vector<double> y(101);
    for (std::size_t i = 0; i < y.size(); ++i)
        y[i] = 10.0 * std::sin(0.1 * static_cast<double>(i));
    PlotWaveform(panel_, kPlot, y.data(), 101, VAL_DOUBLE, 1.0, 0.0, 10.0, 0.5, 0, 0, 0, 1, VAL_RED);
    ASSERT_EQ(SetAxisScalingMode(panel_, kPlot, VAL_LEFT_YAXIS, VAL_MANUAL, -2.0, 3.0), 0);
    ASSERT_EQ(RefreshGraph(panel_, kPlot), 0);
    EXPECT_EQ(graph()->yAxis->range().lower, -2.0);
    EXPECT_EQ(graph()->yAxis->range().upper, 3.0);
    EXPECT_EQ(graph()->xAxis->range().lower, 10.0);
    EXPECT_EQ(graph()->xAxis->range().upper, 60.0);
    ASSERT_EQ(GetAxisScalingMode(panel_, kPlot, VAL_LEFT_YAXIS, &mode, &lo, &hi), 0);
    EXPECT_EQ(mode, VAL_MANUAL);
    EXPECT_EQ(lo, -2.0);
    EXPECT_EQ(hi, 3.0);

    // Refused ranges change nothing.
    EXPECT_EQ(SetAxisScalingMode(panel_, kPlot, VAL_LEFT_YAXIS, VAL_MANUAL, 3.0, 3.0), UIE_BAD_VALUE);
    EXPECT_EQ(SetAxisScalingMode(panel_, kPlot, VAL_LEFT_YAXIS, VAL_MANUAL, 5.0, -5.0), UIE_BAD_VALUE);
    EXPECT_EQ(SetAxisScalingMode(panel_, kPlot, VAL_LEFT_YAXIS, VAL_MANUAL, NAN, 1.0), UIE_BAD_VALUE);
    EXPECT_EQ(SetAxisScalingMode(panel_, kPlot, VAL_LEFT_YAXIS, 9, 0.0, 1.0), UIE_BAD_VALUE);
    EXPECT_EQ(SetAxisScalingMode(panel_, kPlot, 17, VAL_MANUAL, 0.0, 1.0), UIE_BAD_VALUE);
    ASSERT_EQ(GetAxisScalingMode(panel_, kPlot, VAL_LEFT_YAXIS, &mode, &lo, &hi), 0);
    EXPECT_EQ(lo, -2.0);
    EXPECT_EQ(hi, 3.0);

    // Autoscaled y fits the data after gain and offset, with a little room.
    const double z[] = {-1.5, 0.0, 2.5, NAN, -INFINITY};
    PlotWaveform(panel_, kAuto, z, 5, VAL_DOUBLE, 2.0, 1.0, 0.0, 1.0, 0, 0, 0, 1, VAL_RED);
    ASSERT_EQ(GetAxisScalingMode(panel_, kAuto, VAL_LEFT_YAXIS, &mode, &lo, &hi), 0);
    EXPECT_EQ(mode, VAL_AUTOSCALE);
    EXPECT_LE(lo, -2.0);
    EXPECT_GE(lo, -2.5);
    EXPECT_GE(hi, 6.0);
    EXPECT_LE(hi, 6.5);
    // Lock keeps the range reached; later data does not move it.
    ASSERT_EQ(SetAxisScalingMode(panel_, kAuto, VAL_LEFT_YAXIS, VAL_LOCK, 0, 0), 0);
    const double big[] = {100.0, -100.0};
    PlotY(panel_, kAuto, big, 2, VAL_DOUBLE, 0, 0, 0, 1, VAL_RED);
    double lo2 = 0, hi2 = 0;
    ASSERT_EQ(GetAxisScalingMode(panel_, kAuto, VAL_LEFT_YAXIS, &mode, &lo2, &hi2), 0);
    EXPECT_EQ(mode, VAL_MANUAL);
    EXPECT_EQ(lo2, lo);
    EXPECT_EQ(hi2, hi);
}

TEST_F(GraphTest, AxisLabelsReadGainTimesXPlusOffset)
{
    std::vector<double> y(2000, 0.0);
    PlotY(panel_, kPlot, y.data(), 2000, VAL_DOUBLE, 0, 0, 0, 1, VAL_RED);
    ASSERT_EQ(SetCtrlAttribute(panel_, kPlot, ATTR_XAXIS_GAIN, 1e-6), 0);
    ASSERT_EQ(SetCtrlAttribute(panel_, kPlot, ATTR_XAXIS_OFFSET, 5e-4), 0);
    ASSERT_EQ(SetCtrlAttribute(panel_, kPlot, ATTR_YAXIS_GAIN, 0.5), 0);
    ASSERT_EQ(SetCtrlAttribute(panel_, kPlot, ATTR_YAXIS_OFFSET, -1.0), 0);
    double v = 0;
    ASSERT_EQ(GetCtrlAttribute(panel_, kPlot, ATTR_XAXIS_GAIN, &v), 0);
    EXPECT_EQ(v, 1e-6);
    ASSERT_EQ(RefreshGraph(panel_, kPlot), 0);
    uigraph::GraphWidget *g = graph();
    auto check = [](QCPAxis *axis, double gain, double offset) {
        const QVector<double> ticks = axis->tickVector();
        const QVector<QString> labels = axis->tickVectorLabels();
        ASSERT_GE(ticks.size(), 3);
        ASSERT_EQ(ticks.size(), labels.size());
        const double step = std::fabs(gain * (ticks[1] - ticks[0]));
        for (int k = 0; k < ticks.size(); ++k) {
            EXPECT_GE(ticks[k], axis->range().lower - 1e-9);
            EXPECT_LE(ticks[k], axis->range().upper + 1e-9);
            bool ok = false;
            const double label = labels[k].toDouble(&ok);
            ASSERT_TRUE(ok) << labels[k].toStdString();
            EXPECT_NEAR(label, gain * ticks[k] + offset, step * 1e-3) << labels[k].toStdString();
        }
    };
    check(g->xAxis, 1e-6, 5e-4);
    check(g->yAxis, 0.5, -1.0);
    // Label range 0.0005 .. 0.002499: readable steps, no long fractions.
    for (const QString &l : g->xAxis->tickVectorLabels())
        EXPECT_LE(l.size(), 7) << l.toStdString();
}

// ------------------------------------------------------------ attributes

TEST_F(GraphTest, GraphAttributes)
{
    QWidget *w = uirt::controlWidget(panel_, kPlot);
    // From the resource.
    EXPECT_EQ(attr(ATTR_NUM_CURSORS), 3);
    EXPECT_EQ(attr(ATTR_NUM_CURSORS, kAuto), 0);
    EXPECT_EQ(attr(ATTR_GRAPH_BGCOLOR), 0x000000);
    EXPECT_EQ(attr(ATTR_GRAPH_BGCOLOR, kAuto), 0xFFFFFF);
    EXPECT_EQ(attr(ATTR_GRID_VISIBLE), 1);
    EXPECT_EQ(attr(ATTR_GRID_VISIBLE, kAuto), 0);
    char text[256] = "";
    ASSERT_EQ(uigraph::getAttribute(w, ATTR_XNAME, text), 0);
    EXPECT_STREQ(text, "Time (s)");
    EXPECT_EQ(attr(ATTR_EDGE_STYLE), 1); // the frame is on until start-up switches it off

    ASSERT_EQ(uigraph::setAttribute(w, ATTR_YNAME, "Level (µV)"), 0);
    ASSERT_EQ(uigraph::getAttribute(w, ATTR_YNAME, text), 0);
    EXPECT_STREQ(text, "Level (µV)");
    EXPECT_EQ(graph()->yAxis->label(), QString::fromUtf8("Level (µV)"));
    const std::string longName(600, 'x');
    ASSERT_EQ(uigraph::setAttribute(w, ATTR_XNAME, longName.c_str()), 0);
    ASSERT_EQ(uigraph::getAttribute(w, ATTR_XNAME, text), 0); // cut to the buffer
    EXPECT_EQ(std::string(text).size(), 255u);
    std::string micro;
    for (int k = 0; k < 200; ++k)
        micro += "µ"; // two bytes each: the cut falls between characters
    ASSERT_EQ(uigraph::setAttribute(w, ATTR_XNAME, micro.c_str()), 0);
    ASSERT_EQ(uigraph::getAttribute(w, ATTR_XNAME, text), 0);
    EXPECT_EQ(std::string(text), micro.substr(0, 254));

    ASSERT_EQ(uigraph::setAttribute(w, ATTR_GRID_VISIBLE, 0.0), 0);
    EXPECT_FALSE(graph()->xAxis->grid()->visible());
    ASSERT_EQ(uigraph::setAttribute(w, ATTR_GRAPH_BGCOLOR, double(0x102030)), 0);
    EXPECT_EQ(attr(ATTR_GRAPH_BGCOLOR), 0x102030);
    ASSERT_EQ(uigraph::setAttribute(w, ATTR_EDGE_STYLE, 0.0), 0);
    EXPECT_EQ(attr(ATTR_EDGE_STYLE), 0);
    EXPECT_FALSE(graph()->xAxis2->visible());
    ASSERT_EQ(uigraph::setAttribute(w, ATTR_SMOOTH_UPDATE, 0.0), 0);
    EXPECT_EQ(attr(ATTR_SMOOTH_UPDATE), 0);
    ASSERT_EQ(uigraph::setAttribute(w, ATTR_ACTIVE_CURSOR, 3.0), 0);
    EXPECT_EQ(attr(ATTR_ACTIVE_CURSOR), 3);

    // Read-only, unknown, wrong type, bad value.
    EXPECT_EQ(uigraph::setAttribute(w, ATTR_NUM_CURSORS, 5.0), UIE_BAD_ATTRIBUTE);
    EXPECT_EQ(uigraph::setAttribute(w, ATTR_NUM_PLOTS, 5.0), UIE_BAD_ATTRIBUTE);
    EXPECT_EQ(uigraph::setAttribute(w, 399, 1.0), UIE_BAD_ATTRIBUTE);
    EXPECT_EQ(uigraph::setAttribute(w, ATTR_DIMMED, 1.0), UIE_BAD_ATTRIBUTE);
    EXPECT_EQ(uigraph::setAttribute(w, ATTR_XNAME, 1.0), UIE_BAD_TYPE);
    EXPECT_EQ(uigraph::setAttribute(w, ATTR_XAXIS_GAIN, "2"), UIE_BAD_TYPE);
    EXPECT_EQ(uigraph::setAttribute(w, ATTR_XNAME, static_cast<const char *>(nullptr)), UIE_BAD_VALUE);
    EXPECT_EQ(uigraph::setAttribute(w, ATTR_XAXIS_GAIN, NAN), UIE_BAD_VALUE);
    EXPECT_EQ(uigraph::setAttribute(w, ATTR_GRAPH_BGCOLOR, -1.0), UIE_BAD_VALUE);
    EXPECT_EQ(uigraph::setAttribute(w, ATTR_ACTIVE_CURSOR, 4.0), UIE_BAD_CURSOR);
    double v;
    EXPECT_EQ(uigraph::getAttribute(w, 399, &v), UIE_BAD_ATTRIBUTE);
    EXPECT_EQ(uigraph::getAttribute(w, ATTR_XNAME, &v), UIE_BAD_TYPE);
    EXPECT_EQ(uigraph::getAttribute(w, ATTR_XAXIS_GAIN, text), UIE_BAD_TYPE);
    EXPECT_EQ(uigraph::setAttribute(uirt::controlWidget(panel_, kNumeric), ATTR_XAXIS_GAIN, 1.0),
              UIE_BAD_CONTROL);
    EXPECT_EQ(uigraph::setAttribute(nullptr, ATTR_XAXIS_GAIN, 1.0), UIE_BAD_CONTROL);
}
