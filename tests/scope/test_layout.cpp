// Panel layout: a resized panel gives its graphs the room, keeps every
// control inside and clear of the others, never goes below the size that
// clips nothing, and remembers its place and size in the layout file.
#include "support/bench_fixture.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

#include <algorithm>
#include <functional>

#include "ui/comfort.h"
#include "ui/rt_core.h"

namespace
{

QRect Geometry(int panel, int ctrl)
{
    uirt::Control *c = uirt::control(panel, ctrl);
    return c && c->shown ? c->shown->geometry() : QRect();
}

// Every control (and its caption) lies inside the panel; controls that were
// apart at the design size are apart still.
void ExpectNothingClipped(int panel)
{
    uirt::Panel *p = uirt::panel(panel);
    ASSERT_NE(p, nullptr);
    const QRect inside(QPoint(0, 0), p->content->size());
    for (auto &kv : p->controls) {
        uirt::Control *c = kv.second.get();
        if (!c->shown)
            continue;
        EXPECT_TRUE(inside.contains(c->shown->geometry())) << c->name.toStdString() << " of " << p->name.toStdString();
        if (c->label) {
            EXPECT_TRUE(inside.contains(c->label->geometry())) << c->name.toStdString() << " caption";
        }
    }
}

class LayoutTest : public BenchTest
{
};

TEST_F(LayoutTest, ResizedScopeGrowsTheGraphsAndKeepsControlsInside)
{
    int h0 = 0, w0 = 0;
    GetPanelAttribute(panelScope, ATTR_HEIGHT, &h0);
    GetPanelAttribute(panelScope, ATTR_WIDTH, &w0);
    const QRect graph0 = Geometry(panelScope, SCOPE_TIMEGRAPH);
    const QRect rate0 = Geometry(panelScope, SCOPE_SAMPLING_RATE);
    const QRect tab0 = Geometry(panelScope, SCOPE_TABCANVAS);
    const QRect scroll0 = Geometry(panelScope, SCOPE_SCROLLBAR);

    ASSERT_EQ(SetPanelSize(panelScope, h0 + 300, w0 + 500), 0);
    const QRect graph1 = Geometry(panelScope, SCOPE_TIMEGRAPH);
    EXPECT_EQ(graph1.width(), graph0.width() + 500);
    EXPECT_EQ(graph1.height(), graph0.height() + 300);
    EXPECT_EQ(Geometry(panelScope, SCOPE_FFTGRAPH), graph1);
    // Controls right of the graph keep their size and move with the right edge.
    const QRect rate1 = Geometry(panelScope, SCOPE_SAMPLING_RATE);
    EXPECT_EQ(rate1.size(), rate0.size());
    EXPECT_EQ(rate1.x(), rate0.x() + 500);
    EXPECT_EQ(rate1.y(), rate0.y());
    // Controls below it keep to the bottom; the scroll bar spans the graph.
    const QRect tab1 = Geometry(panelScope, SCOPE_TABCANVAS);
    EXPECT_EQ(tab1.size(), tab0.size());
    EXPECT_EQ(tab1.y(), tab0.y() + 300);
    const QRect scroll1 = Geometry(panelScope, SCOPE_SCROLLBAR);
    EXPECT_GT(scroll1.width(), scroll0.width() + 400);
    EXPECT_EQ(scroll1.height(), scroll0.height());
    ExpectNothingClipped(panelScope);
    // The instruments still see design coordinates.
    int height = 0;
    GetCtrlAttribute(panelScope, SCOPE_TIMEGRAPH, ATTR_HEIGHT, &height);
    EXPECT_EQ(height, graph0.height());
    // The zoom layout (a shorter time graph, the zoom graph under it) scales too.
    SetCtrlAttribute(panelScope, SCOPE_TIMEGRAPH, ATTR_HEIGHT, 280);
    const QRect shortGraph = Geometry(panelScope, SCOPE_TIMEGRAPH);
    EXPECT_GT(shortGraph.height(), 280);
    EXPECT_LT(shortGraph.bottom(), Geometry(panelScope, SCOPE_ZOOMGRAPH).top());
    SetCtrlAttribute(panelScope, SCOPE_TIMEGRAPH, ATTR_HEIGHT, graph0.height());

    // Back to the design size: everything where the resource put it.
    SetPanelSize(panelScope, h0, w0);
    EXPECT_EQ(Geometry(panelScope, SCOPE_TIMEGRAPH), graph0);
    EXPECT_EQ(Geometry(panelScope, SCOPE_SAMPLING_RATE), rate0);
}

TEST_F(LayoutTest, NoPanelGoesBelowTheSizeThatClipsNothing)
{
    for (int panel : {panelScope, panelGene, panelDig, panelCal, panelVoltmeter}) {
        int mh = 0, mw = 0;
        ASSERT_EQ(GetPanelMinimumSize(panel, &mh, &mw), 0);
        ASSERT_GT(mh, 0);
        ASSERT_GT(mw, 0);
        SetPanelSize(panel, 50, 50);
        uirt::Panel *p = uirt::panel(panel);
        EXPECT_GE(p->content->width(), mw);
        EXPECT_GE(p->content->height(), mh);
        SetPanelSize(panel, mh, mw);
        ExpectNothingClipped(panel);
        // Larger panels keep everything inside too.
        SetPanelSize(panel, mh + 437, mw + 611);
        ExpectNothingClipped(panel);
    }
}

// Tab from the first stop goes once through every control of the scope
// that takes the keyboard, in reading order of the resource: the toolbar
// items left to right, then the controls as the resource lists them, the
// channel tabs with the controls of the sheet shown; then back to the first.
TEST_F(LayoutTest, TabVisitsEveryControlOnceInResourceOrder)
{
    DisplayPanel(panelScope);
    uirt::Panel *p = uirt::panel(panelScope);
    QWidget *window = p->content->window();
    window->activateWindow();
    QApplication::setActiveWindow(window);
    auto takesTab = [](QWidget *w) {
        return w && w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus);
    };

    std::vector<QWidget *> stops;
    std::vector<QToolButton *> items;
    for (QToolButton *b : p->content->findChildren<QToolButton *>())
        if (b->defaultAction() && b->parentWidget()->inherits("QToolBar"))
            items.push_back(b);
    std::sort(items.begin(), items.end(), [](QWidget *a, QWidget *b) { return a->x() < b->x(); });
    for (QToolButton *b : items)
        if (b->isEnabled())
            stops.push_back(b);
    std::function<void(uirt::Panel *)> controls = [&](uirt::Panel *panel) {
        for (auto &kv : panel->controls) {
            uirt::Control *c = kv.second.get();
            if (auto *tabs = qobject_cast<QTabWidget *>(c->shown.data())) {
                stops.push_back(tabs->tabBar());
                for (int sheet : c->sheets)
                    controls(uirt::panel(sheet));
            } else if (takesTab(c->shown)) {
                stops.push_back(c->shown);
            }
        }
    };
    controls(p);
    ASSERT_GT(stops.size(), 30u);
    EXPECT_NE(std::find(stops.begin(), stops.end(), uirt::control(panelScope, SCOPE_SCROLLBAR)->shown.data()),
              stops.end());

    stops.front()->setFocus(Qt::TabFocusReason);
    if (!stops.front()->hasFocus())
        GTEST_SKIP() << "no keyboard focus on this platform";
    auto where = [&]() -> int {
        QWidget *f = QApplication::focusWidget();
        for (std::size_t i = 0; i < stops.size(); ++i)
            if (f && (stops[i] == f || stops[i]->isAncestorOf(f)))
                return static_cast<int>(i);
        return -1;
    };
    auto press = [](int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QKeyEvent event(QEvent::KeyPress, key, mods);
        QApplication::sendEvent(QApplication::focusWidget(), &event);
    };
    for (std::size_t i = 1; i <= stops.size(); ++i) {
        press(Qt::Key_Tab);
        const int at = where();
        ASSERT_EQ(at, static_cast<int>(i % stops.size()))
            << "Tab " << i << " went to "
            << (QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className() : "nothing")
            << " instead of " << stops[i % stops.size()]->metaObject()->className() << " "
            << stops[i % stops.size()]->accessibleName().toStdString();
    }
    press(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(where(), static_cast<int>(stops.size()) - 1);
    HidePanel(panelScope);
}

TEST_F(LayoutTest, PlacesAndSizesAreRememberedInTheLayoutFile)
{
    const std::string path = TempDir() + "/KorvaxDemo.layout";
    DisplayPanel(panelGene);
    PlacePanel(panelGene);
    SetPanelSize(panelGene, 700, 1000);
    SetPanelPos(panelGene, 40, 60);
    ASSERT_EQ(WriteLayoutFile(path.c_str()), 0);
    SetPanelSize(panelGene, 600, 900);
    ASSERT_EQ(ReadLayoutFile(path.c_str()), 0);
    // A panel loaded afresh takes the remembered size.
    const int again = LoadPanel(0, "benchDemo.uir", GENE);
    ASSERT_GT(again, 0);
    PlacePanel(again);
    int h = 0, w = 0;
    GetPanelAttribute(again, ATTR_HEIGHT, &h);
    GetPanelAttribute(again, ATTR_WIDTH, &w);
    EXPECT_EQ(h, 700);
    EXPECT_EQ(w, 1000);
    DiscardPanel(again);
    // Lines that do not parse are passed over.
    {
        std::FILE *f = std::fopen(path.c_str(), "w");
        std::fputs("panel GENE x y 1 2 0\npanel\n\x01\x02 junk\npanel GENE 1 2 -5 100 0\n", f);
        std::fclose(f);
    }
    EXPECT_EQ(ReadLayoutFile(path.c_str()), 0);
}

} // namespace

namespace
{

// The bench's window is set to the screen's size and its menu bar comes on
// top, so its workspace reaches below the screen: a panel placed at its
// default size must still end on the screen where its minimum allows.
TEST_F(LayoutTest, DefaultSizeKeepsThePanelOnTheScreen)
{
    int sh = 0, sw = 0;
    ASSERT_EQ(GetScreenSize(&sh, &sw), 0);
    SetPanelSize(panelBench, sh, sw);
    DisplayPanel(panelBench);
    const int fresh = LoadPanel(panelBench, "benchDemo.uir", DIG);
    ASSERT_GT(fresh, 0);
    DisplayPanel(fresh);
    PlacePanel(fresh);
    uirt::Panel *p = uirt::panel(fresh);
    ASSERT_NE(p, nullptr);
    ASSERT_NE(p->frame, nullptr);
    int mh = 0, mw = 0, h = 0;
    GetPanelMinimumSize(fresh, &mh, &mw);
    GetPanelAttribute(fresh, ATTR_HEIGHT, &h);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect content(p->content->mapToGlobal(QPoint(0, 0)), p->content->size());
    EXPECT_TRUE(content.bottom() <= screen.bottom() || h == mh)
        << "content ends at " << content.bottom() << " on a screen ending at " << screen.bottom() << ", height " << h
        << ", minimum " << mh;
    DiscardPanel(fresh);
}

} // namespace
