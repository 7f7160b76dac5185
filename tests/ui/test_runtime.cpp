// Panels, windows, the close box, menus, the clock and the event loop.
#include "test_runtime_support.h"

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPointer>
#include <QWidget>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "ui/runtime_internal.h"

std::vector<RecordedEvent> RuntimeTest::events;
std::vector<RecordedMenu> RuntimeTest::menus;
void (*RuntimeTest::onEvent)(const RecordedEvent &) = nullptr;

TempFolder::TempFolder()
{
    char tmpl[] = "/tmp/korvax-ui-XXXXXX";
    if (const char *d = mkdtemp(tmpl))
        path_ = d;
}

TempFolder::~TempFolder()
{
    std::error_code ec;
    if (!path_.empty())
        std::filesystem::remove_all(path_, ec);
}

std::string TempFolder::write(const std::string &name, const std::string &bytes) const
{
    const std::string p = file(name);
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
}

namespace
{

int PanelOfDiscard = 0;

} // namespace

// A child panel never shown answers like a hidden one, is placed where it
// was asked to be once shown, and goes away with its controls when discarded.
TEST_F(RuntimeTest, ChildPanelBeforeItsFirstShow)
{
    const int bench = Load(0, BENCH);
    const int about = LoadPanel(bench, "benchDemo.uir", ABOUT);
    const int scope = LoadPanel(bench, "benchDemo.uir", SCOPE);
    ASSERT_GT(about, 0);
    ASSERT_GT(scope, 0);
    QPointer<QWidget> aboutContent = uirt::controlWidget(about, ABOUT_VERSION)->parentWidget();
    QMdiArea *mdi = uirt::controlWidget(bench, BENCH_QUIT)->window()->findChild<QMdiArea *>();
    ASSERT_NE(mdi, nullptr);
    int visible = -1;
    EXPECT_EQ(GetPanelAttribute(scope, ATTR_VISIBLE, &visible), 0);
    EXPECT_EQ(visible, 0);
    EXPECT_EQ(HidePanel(scope), 0);
    EXPECT_EQ(SetPanelAttribute(scope, ATTR_TITLE, "Scope here"), 0);
    EXPECT_EQ(mdi->subWindowList().size(), 0);
    EXPECT_EQ(SetPanelPos(scope, 30, 40), 0);
    EXPECT_EQ(DisplayPanel(bench), 0);
    EXPECT_EQ(DisplayPanel(scope), 0);
    ASSERT_EQ(mdi->subWindowList().size(), 1);
    EXPECT_EQ(mdi->subWindowList().front()->windowTitle(), "Scope here");
    int top = -1, left = -1;
    GetPanelAttribute(scope, ATTR_TOP, &top);
    GetPanelAttribute(scope, ATTR_LEFT, &left);
    EXPECT_EQ(top, 30);
    EXPECT_EQ(left, 40);
    EXPECT_EQ(DiscardPanel(about), 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(aboutContent.isNull());
    EXPECT_EQ(mdi->subWindowList().size(), 1);
}

TEST_F(RuntimeTest, TopLevelAndChildPanels)
{
    const int bench = Load(0, BENCH);
    const int scope = LoadPanel(bench, "benchDemo.uir", SCOPE);
    ASSERT_GT(scope, 0);
    const int gene = Load(0, GENE);
    EXPECT_EQ(GetPanelParent(bench), 0);
    EXPECT_EQ(GetPanelParent(scope), bench);
    EXPECT_EQ(GetPanelParent(gene), 0);

    // The bench has a menu bar, so it is a main window; the scope lives in its MDI area.
    QWidget *quit = uirt::controlWidget(bench, BENCH_QUIT);
    ASSERT_NE(quit, nullptr);
    auto *win = qobject_cast<QMainWindow *>(quit->window());
    ASSERT_NE(win, nullptr);
    EXPECT_EQ(win->windowTitle(), "Korvax Demo 2.0");
    QWidget *scopeCtrl = uirt::controlWidget(scope, SCOPE_DEVICE);
    ASSERT_NE(scopeCtrl, nullptr);
    EXPECT_EQ(scopeCtrl->window(), win);
    QMdiArea *mdi = win->findChild<QMdiArea *>();
    ASSERT_NE(mdi, nullptr);
    // A child panel gets its sub-window when it is first needed, not at load.
    EXPECT_EQ(mdi->subWindowList().size(), 0);
    EXPECT_GE(mdi->geometry().top(), quit->geometry().bottom()); // Quit stays above the workspace
    // The generator is a window of its own.
    EXPECT_NE(uirt::controlWidget(gene, GENE_FREQUENCY)->window(), win);

    int visible = -1;
    ASSERT_EQ(GetPanelAttribute(scope, ATTR_VISIBLE, &visible), 0);
    EXPECT_EQ(visible, 0);
    EXPECT_EQ(DisplayPanel(bench), 0);
    EXPECT_EQ(DisplayPanel(scope), 0);
    ASSERT_EQ(mdi->subWindowList().size(), 1);
    EXPECT_EQ(mdi->subWindowList().front()->widget(), scopeCtrl->parentWidget());
    GetPanelAttribute(scope, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 1);
    EXPECT_EQ(GetActivePanel(), scope);
    EXPECT_EQ(HidePanel(scope), 0);
    GetPanelAttribute(scope, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 0);
    EXPECT_NE(GetActivePanel(), scope);

    int w = 0, h = 0;
    GetPanelAttribute(scope, ATTR_WIDTH, &w);
    GetPanelAttribute(scope, ATTR_HEIGHT, &h);
    EXPECT_EQ(w, 1060);
    EXPECT_EQ(h, 972);
    int sh = 0, sw = 0;
    ASSERT_EQ(GetScreenSize(&sh, &sw), 0);
    EXPECT_GT(sh, 0);
    EXPECT_GT(sw, 0);
    EXPECT_EQ(SetPanelSize(bench, sh, sw), 0);
    GetPanelAttribute(bench, ATTR_HEIGHT, &h);
    GetPanelAttribute(bench, ATTR_WIDTH, &w);
    EXPECT_EQ(h, sh);
    EXPECT_EQ(w, sw);
    EXPECT_EQ(SetPanelSize(bench, 0, 100), UIE_BAD_VALUE);

    char title[256];
    EXPECT_EQ(SetPanelAttribute(scope, ATTR_TITLE, "Scope \xC2\xB5V"), 0);
    ASSERT_EQ(GetPanelAttribute(scope, ATTR_TITLE, title), 0);
    EXPECT_STREQ(title, "Scope \xC2\xB5V");
    EXPECT_EQ(SetPanelAttribute(scope, ATTR_TITLE, 5), UIE_BAD_TYPE);
    EXPECT_EQ(SetPanelAttribute(scope, 9999, 1), UIE_BAD_ATTRIBUTE);
}

TEST_F(RuntimeTest, LoadFailuresAreReported)
{
    EXPECT_EQ(LoadPanel(0, "noSuchFile.uir", 1), UIE_FILE_NOT_FOUND);
    EXPECT_EQ(LoadPanel(0, "benchDemo.uir", 0), UIE_BAD_RESOURCE);
    EXPECT_EQ(LoadPanel(0, "benchDemo.uir", 9999), UIE_BAD_RESOURCE);
    EXPECT_EQ(LoadPanel(12345, "benchDemo.uir", SCOPE), UIE_BAD_PANEL);
    EXPECT_EQ(LoadPanel(0, nullptr, SCOPE), UIE_FILE_NOT_FOUND);
}

TEST_F(RuntimeTest, DiscardTakesChildrenAndSilencesCallbacks)
{
    const int bench = Load(0, BENCH);
    const int scope = LoadPanel(bench, "benchDemo.uir", SCOPE);
    const int inner = LoadPanel(scope, "benchDemo.uir", TAB_AIN);
    ASSERT_GT(inner, 0);
    EXPECT_EQ(GetPanelParent(inner), scope);
    EXPECT_EQ(DiscardPanel(bench), 0);
    int v = 0;
    EXPECT_EQ(GetCtrlVal(scope, SCOPE_RECORD_LENGTH, &v), UIE_BAD_PANEL);
    EXPECT_EQ(GetCtrlVal(inner, TAB_AIN_CH1, &v), UIE_BAD_PANEL);
    EXPECT_EQ(DisplayPanel(bench), UIE_BAD_PANEL);
    EXPECT_EQ(CallCtrlCallback(bench, BENCH_QUIT, EVENT_COMMIT, 0, 0), UIE_BAD_PANEL);
    EXPECT_EQ(uirt::fireCallback(bench, BENCH_QUIT, EVENT_COMMIT, 0, 0), 0);
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(DiscardPanel(bench), UIE_BAD_PANEL);
}

TEST_F(RuntimeTest, CallbackMayDiscardItsOwnPanel)
{
    const int gene = Load(0, GENE);
    PanelOfDiscard = gene;
    onEvent = [](const RecordedEvent &) {
        onEvent = nullptr;
        DiscardPanel(PanelOfDiscard);
    };
    // The value-changed callback discards the panel: its commit never runs.
    EXPECT_EQ(OperateCtrl(gene, GENE_CH1_SWITCH, 1), 0);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].event, EVENT_VAL_CHANGED);
    int v = 0;
    EXPECT_EQ(GetCtrlVal(gene, GENE_CH1_SWITCH, &v), UIE_BAD_PANEL);

    // Same from a real click on the widget.
    const int gene2 = Load(0, GENE);
    PanelOfDiscard = gene2;
    events.clear();
    onEvent = [](const RecordedEvent &) {
        onEvent = nullptr;
        DiscardPanel(PanelOfDiscard);
    };
    auto *button = qobject_cast<QAbstractButton *>(uirt::controlWidget(gene2, GENE_CH2_SWITCH));
    ASSERT_NE(button, nullptr);
    button->click();
    EXPECT_EQ(events.size(), 1u);
    ProcessSystemEvents();
}

TEST_F(RuntimeTest, CloseBoxOperatesItsControlOrHides)
{
    const int bench = Load(0, BENCH);
    const int scope = LoadPanel(bench, "benchDemo.uir", SCOPE);
    DisplayPanel(bench);
    DisplayPanel(scope);
    EXPECT_EQ(SetPanelAttribute(bench, ATTR_CLOSE_CTRL, 999), UIE_BAD_CONTROL);
    ASSERT_EQ(SetPanelAttribute(bench, ATTR_CLOSE_CTRL, BENCH_QUIT), 0);
    int cc = 0;
    GetPanelAttribute(bench, ATTR_CLOSE_CTRL, &cc);
    EXPECT_EQ(cc, BENCH_QUIT);

    // The window's own close button.
    QWidget *win = uirt::controlWidget(bench, BENCH_QUIT)->window();
    EXPECT_FALSE(win->close());
    EXPECT_EQ(EventsOf(BENCH_QUIT), std::vector<int>{EVENT_COMMIT});
    int visible = 0;
    GetPanelAttribute(bench, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 1) << "the close box must not close the window by itself";

    EXPECT_EQ(testseam::PressCloseBox(bench), 0);
    EXPECT_EQ(EventsOf(BENCH_QUIT).size(), 2u);

    // A panel without a close control hides.
    auto *sub = qobject_cast<QMdiSubWindow *>(
        uirt::controlWidget(scope, SCOPE_DEVICE)->parentWidget()->parentWidget());
    ASSERT_NE(sub, nullptr);
    sub->close();
    GetPanelAttribute(scope, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 0);
    int v = 0;
    EXPECT_EQ(GetCtrlVal(scope, SCOPE_RECORD_LENGTH, &v), 0) << "hidden, not discarded";
}

TEST_F(RuntimeTest, MenusCallAndDim)
{
    const int bench = Load(0, BENCH);
    const int mb = GetPanelMenuBar(bench);
    ASSERT_GT(mb, 0);
    EXPECT_EQ(GetPanelMenuBar(Load(0, GENE)), 0);

    EXPECT_EQ(ActivateMenuItem(mb, MENUBAR_INSTRUMENTS_SCOPE), 0);
    ASSERT_EQ(menus.size(), 1u);
    EXPECT_EQ(menus[0].menuBar, mb);
    EXPECT_EQ(menus[0].item, MENUBAR_INSTRUMENTS_SCOPE);
    EXPECT_EQ(menus[0].panel, bench);

    // Dimmed in the resource: a user cannot choose it.
    int dimmed = 0;
    ASSERT_EQ(GetMenuBarAttribute(mb, MENUBAR_INSTRUMENTS_PROBE_CAL, ATTR_DIMMED, &dimmed), 0);
    EXPECT_EQ(dimmed, 1);
    EXPECT_EQ(ActivateMenuItem(mb, MENUBAR_INSTRUMENTS_PROBE_CAL), UIE_DIMMED);
    EXPECT_EQ(menus.size(), 1u);
    EXPECT_EQ(SetMenuBarAttribute(mb, MENUBAR_INSTRUMENTS_PROBE_CAL, ATTR_DIMMED, 0), 0);
    EXPECT_EQ(ActivateMenuItem(mb, MENUBAR_INSTRUMENTS_PROBE_CAL), 0);
    EXPECT_EQ(menus.size(), 2u);

    // A dimmed menu dims its items.
    SetMenuBarAttribute(mb, MENUBAR_FILE, ATTR_DIMMED, 1);
    EXPECT_EQ(ActivateMenuItem(mb, MENUBAR_FILE_EXIT), UIE_DIMMED);
    SetMenuBarAttribute(mb, MENUBAR_FILE, ATTR_DIMMED, 0);

    // A real click on the menu action.
    QMenuBar *bar = qobject_cast<QMainWindow *>(uirt::controlWidget(bench, BENCH_QUIT)->window())->menuBar();
    QAction *exitAction = nullptr;
    for (QAction *m : bar->actions())
        if (m->menu())
            for (QAction *a : m->menu()->actions())
                if (a->text() == "Exit")
                    exitAction = a;
    ASSERT_NE(exitAction, nullptr);
    exitAction->trigger();
    ASSERT_EQ(menus.size(), 3u);
    EXPECT_EQ(menus[2].item, MENUBAR_FILE_EXIT);

    int checked = 1;
    EXPECT_EQ(SetMenuBarAttribute(mb, MENUBAR_SETTINGS_FILTER, ATTR_CHECKED, 1), 0);
    GetMenuBarAttribute(mb, MENUBAR_SETTINGS_FILTER, ATTR_CHECKED, &checked);
    EXPECT_EQ(checked, 1);
    // Items without a callback, separators and bad ids.
    EXPECT_EQ(ActivateMenuItem(mb, MENUBAR_SETTINGS_FILTER), 0);
    EXPECT_EQ(ActivateMenuItem(mb, MENUBAR_FILE_SEP1), UIE_BAD_MENU);
    EXPECT_EQ(ActivateMenuItem(mb, 999), UIE_BAD_MENU);
    EXPECT_EQ(ActivateMenuItem(mb + 100, MENUBAR_FILE_EXIT), UIE_BAD_MENU);
    EXPECT_EQ(SetMenuBarAttribute(mb, MENUBAR_FILE_EXIT, 9999, 1), UIE_BAD_ATTRIBUTE);

    DiscardPanel(bench);
    EXPECT_EQ(ActivateMenuItem(mb, MENUBAR_FILE_EXIT), UIE_BAD_MENU);
}

TEST_F(RuntimeTest, AccessibleNames)
{
    const int bench = Load(0, BENCH);
    const int scope = LoadPanel(bench, "benchDemo.uir", SCOPE);
    EXPECT_EQ(uirt::controlWidget(bench, BENCH_QUIT)->accessibleName(), "Quit");
    EXPECT_EQ(uirt::controlWidget(scope, SCOPE_TIMEGRAPH)->accessibleName(), "Time graph");
    EXPECT_EQ(uirt::controlWidget(scope, SCOPE_RECORD_LENGTH)->accessibleName(), "Record length");
    EXPECT_EQ(uirt::controlWidget(scope, SCOPE_IDLE)->accessibleName(), "Idle");
    SetCtrlAttribute(scope, SCOPE_RESET_POSITION, ATTR_LABEL_TEXT, "Reset");
    EXPECT_EQ(uirt::controlWidget(scope, SCOPE_RESET_POSITION)->accessibleName(), "Reset");
}

TEST_F(RuntimeTest, ClockFollowsTheTestClock)
{
    testseam::SetClockMs(1000);
    EXPECT_EQ(GetTickCount(), 1000u);
    EXPECT_DOUBLE_EQ(Timer(), 1.0);
    EXPECT_EQ(Delay(1.5), 0);
    EXPECT_EQ(GetTickCount(), 2500u);
    EXPECT_EQ(Delay(-1.0), 0);
    EXPECT_EQ(Delay(std::nan("")), 0);
    EXPECT_EQ(GetTickCount(), 2500u);
    // The tick count wraps as a 32-bit count does.
    testseam::SetClockMs(0x100000000ull + 7);
    EXPECT_EQ(GetTickCount(), 7u);
}

TEST_F(RuntimeTest, DateAndTimeCanBeSet)
{
    testseam::SetDateTime(2024, 2, 29, 23, 59, 58);
    int mo = 0, d = 0, y = 0, h = 0, mi = 0, s = 0;
    EXPECT_EQ(GetSystemDate(&mo, &d, &y), 0);
    EXPECT_EQ(GetSystemTime(&h, &mi, &s), 0);
    EXPECT_EQ(y, 2024);
    EXPECT_EQ(mo, 2);
    EXPECT_EQ(d, 29);
    EXPECT_EQ(h, 23);
    EXPECT_EQ(mi, 59);
    EXPECT_EQ(s, 58);
    testseam::ClearDateTime();
    GetSystemDate(&mo, &d, &y);
    EXPECT_GE(y, 2024);
    EXPECT_GE(mo, 1);
    EXPECT_LE(mo, 12);
}

TEST_F(RuntimeTest, QuitBeforeTheLoopEndsItAtOnce)
{
    EXPECT_EQ(QuitUserInterface(7), 0);
    EXPECT_EQ(RunUserInterface(), 7);
}

TEST_F(RuntimeTest, TimersNeverTickInTests)
{
    const int bench = Load(0, BENCH);
    EXPECT_EQ(SetCtrlAttribute(bench, BENCH_CAPTURE_TIMER, ATTR_INTERVAL, 0.001), 0);
    EXPECT_EQ(SetCtrlAttribute(bench, BENCH_CAPTURE_TIMER, ATTR_ENABLED, 1), 0);
    int enabled = 0;
    GetCtrlAttribute(bench, BENCH_CAPTURE_TIMER, ATTR_ENABLED, &enabled);
    EXPECT_EQ(enabled, 1);
    double interval = 0;
    GetCtrlAttribute(bench, BENCH_CAPTURE_TIMER, ATTR_INTERVAL, &interval);
    EXPECT_DOUBLE_EQ(interval, 0.001);
    Delay(1.0);
    for (int i = 0; i < 20; ++i) {
        ProcessDrawEvents();
        ProcessSystemEvents();
    }
    EXPECT_TRUE(events.empty());
    // Tests drive the timer themselves.
    EXPECT_EQ(CallCtrlCallback(bench, BENCH_CAPTURE_TIMER, EVENT_TIMER_TICK, 0, 0), 0);
    EXPECT_EQ(EventsOf(BENCH_CAPTURE_TIMER), std::vector<int>{EVENT_TIMER_TICK});
    EXPECT_EQ(SetCtrlAttribute(bench, BENCH_CAPTURE_TIMER, ATTR_INTERVAL, 0.0), UIE_BAD_VALUE);
    EXPECT_EQ(SetCtrlAttribute(bench, BENCH_QUIT, ATTR_ENABLED, 1), UIE_BAD_ATTRIBUTE);
}

TEST_F(RuntimeTest, MouseCursor)
{
    EXPECT_EQ(SetMouseCursor(VAL_HOUR_GLASS_CURSOR), 0);
    EXPECT_EQ(SetMouseCursor(VAL_HOUR_GLASS_CURSOR), 0);
    EXPECT_EQ(SetMouseCursor(VAL_DEFAULT_CURSOR), 0);
    EXPECT_EQ(SetMouseCursor(42), UIE_BAD_VALUE);
}

namespace
{

// Test mode off for one scope (real timers, real waiting).
struct LiveMode {
    LiveMode() { testseam::Enable(false); }
    ~LiveMode() { testseam::Enable(true); }
};

int LiveBench = 0;

} // namespace

TEST_F(RuntimeTest, TimerTicksNeverNestInsideACallback)
{
    const int bench = Load(0, BENCH);
    LiveBench = bench;
    {
        LiveMode live;
        ASSERT_EQ(SetCtrlAttribute(bench, BENCH_CAPTURE_TIMER, ATTR_INTERVAL, 0.001), 0);
        ASSERT_EQ(SetCtrlAttribute(bench, BENCH_CAPTURE_TIMER, ATTR_ENABLED, 1), 0);
        // A callback that waits (and so runs the event loop) for a while.
        onEvent = [](const RecordedEvent &) {
            onEvent = nullptr;
            Delay(0.05);
            SetCtrlAttribute(LiveBench, BENCH_CAPTURE_TIMER, ATTR_ENABLED, 0);
        };
        EXPECT_EQ(OperateCtrl(bench, BENCH_QUIT, 0), 0);
    }
    EXPECT_TRUE(EventsOf(BENCH_CAPTURE_TIMER).empty()) << "a timer tick ran inside another callback";
    EXPECT_EQ(EventsOf(BENCH_QUIT), std::vector<int>{EVENT_COMMIT});
}

TEST_F(RuntimeTest, TheSubWindowBroughtForwardIsTheActivePanel)
{
    const int bench = Load(0, BENCH);
    const int scope = LoadPanel(bench, "benchDemo.uir", SCOPE);
    const int cal = LoadPanel(bench, "benchDemo.uir", CAL);
    DisplayPanel(bench);
    DisplayPanel(scope);
    DisplayPanel(cal);
    EXPECT_EQ(GetActivePanel(), cal);
    QMdiArea *mdi = uirt::controlWidget(bench, BENCH_QUIT)->window()->findChild<QMdiArea *>();
    ASSERT_NE(mdi, nullptr);
    for (QMdiSubWindow *w : mdi->subWindowList())
        if (w->widget() == uirt::controlWidget(scope, SCOPE_DEVICE)->parentWidget())
            mdi->setActiveSubWindow(w);
    EXPECT_EQ(GetActivePanel(), scope);
    EXPECT_EQ(SetActivePanel(cal), 0);
    EXPECT_EQ(GetActivePanel(), cal);
    EXPECT_EQ(SetActivePanel(9999), UIE_BAD_PANEL);
}
