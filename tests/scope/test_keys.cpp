// The scope's keyboard: each key runs its toolbar item's or control's
// command, keys used by the focused box stay with it, arrows move the active
// cursor, and "0" shows the whole record whatever its length.
#include "support/bench_fixture.h"
#include "test_view_support.h"

#include <QAction>
#include <QApplication>
#include <QToolButton>

#include <map>
#include <sstream>
#include <string>

#include "ui/comfort.h"
#include "ui/rt_core.h"

using namespace viewtest;

namespace
{

class KeysTest : public BenchTest
{
  protected:
    void TearDown() override
    {
        if (isFFT_On)
            OperateCtrl(panelScope, SCOPE_FFT_SWITCH, 0);
        Cursor1 = Cursor2 = 0;
        BenchTest::TearDown();
    }
    int Press(const char *keys) { return PressPanelKey(panelScope, keys); }
    int TbValue(int position)
    {
        int v = -1;
        Toolbar_GetItemAttribute(Toolbar, position, ATTR_TB_VALUE, &v);
        return v;
    }
    QString Tip(const char *description)
    {
        for (QToolButton *b : uirt::panel(panelScope)->content->findChildren<QToolButton *>())
            if (b->defaultAction() && b->defaultAction()->text() == description)
                return b->defaultAction()->toolTip();
        return QString();
    }
};

TEST_F(KeysTest, RunKeysStartAndStopAsTheToolbarDoes)
{
    EXPECT_EQ(Press("Space"), 1);
    EXPECT_EQ(isScopeStartOn, 1);
    EXPECT_EQ(isScopeContOn, 1);
    EXPECT_EQ(Press("Space"), 1);
    EXPECT_EQ(isScopeStartOn, 0);
    EXPECT_EQ(isScopeContOn, 0);
    EXPECT_EQ(Press("S"), 1);
    EXPECT_EQ(isScopeStartOn, 1);
    EXPECT_EQ(isScopeContOn, 0);
    Toolbar_PressItem(Toolbar, kToolbarStop);
    EXPECT_EQ(Press("Return"), 1);
    EXPECT_EQ(isScopeStartOn, 1);
    Toolbar_PressItem(Toolbar, kToolbarStop);
}

TEST_F(KeysTest, ViewKeysZoomResetAndSwitchTheSpectrum)
{
    MakeRamp(1, 1000);
    EXPECT_EQ(Press("+"), 1);
    EXPECT_EQ(Scroll_Thumb_Size, 500);
    EXPECT_EQ(Press("="), 1);
    EXPECT_EQ(Scroll_Thumb_Size, 250);
    EXPECT_EQ(Press("-"), 1);
    EXPECT_EQ(Scroll_Thumb_Size, 500);
    EXPECT_EQ(Press("0"), 1);
    EXPECT_EQ(Scroll_Thumb_Size, 1000);
    EXPECT_EQ(Scroll_Value, 0);

    VerticalOffset[0] = 2.5;
    EXPECT_EQ(Press("Home"), 1);
    EXPECT_DOUBLE_EQ(VerticalOffset[0], 0.0); // one slot: its marker back at 0

    EXPECT_EQ(Press("F"), 1);
    EXPECT_EQ(isFFT_On, 1);
    EXPECT_EQ(Press("F"), 1);
    EXPECT_EQ(isFFT_On, 0);
}

TEST_F(KeysTest, CursorKeysToggleAndArrowsMoveTheActiveCursor)
{
    MakeRamp(1, 1000);
    Scope_FitRecord();
    EXPECT_EQ(Press("1"), 1);
    EXPECT_EQ(Cursor1, 1);
    EXPECT_EQ(TbValue(kToolbarCursor1), 1);
    double x0 = 0, y = 0, x = 0;
    GetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 1, &x0, &y);
    SetActiveGraphCursor(panelScope, SCOPE_TIMEGRAPH, 1);
    Press("Right");
    GetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 1, &x, &y);
    EXPECT_DOUBLE_EQ(x, x0 + 1);
    Press("Shift+Left");
    GetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 1, &x, &y);
    EXPECT_DOUBLE_EQ(x, x0 + 1 - 100); // one division of a 1000-sample window
    // The readout follows, as after a drag.
    char text[256] = "";
    GetCtrlVal(panelScope, SCOPE_C1_TIME, text);
    EXPECT_STRNE(text, "");
    EXPECT_EQ(Press("2"), 1);
    EXPECT_EQ(Cursor2, 1);
    EXPECT_EQ(Press("1"), 1);
    EXPECT_EQ(Cursor1, 0);
}

TEST_F(KeysTest, FileKeysPressSaveAndPrintAndDimmedItemsRefuse)
{
    // Print asks its dialog, as the toolbar's Print does: with no answer
    // queued the test seam counts the unanswered dialog.
    const int before = testseam::Failures();
    EXPECT_EQ(Press("Ctrl+P"), 1);
    EXPECT_EQ(testseam::Failures(), before + 1);
    testseam::Reset();
    testseam::SetClockMs(1000000);
    // Zoom In is refused while its item is dimmed, as a click is.
    MakeRamp(1, 1000);
    Toolbar_DimItem(Toolbar, kToolbarZoomIn, 1);
    Press("+");
    EXPECT_EQ(Scroll_Thumb_Size, 1000);
    Toolbar_DimItem(Toolbar, kToolbarZoomIn, 0);
}

// The keys no other case presses: Ctrl+S opens the save panel as "Save"
// does, Left and Shift+Right move the active cursor, F1 is the About item's
// key in every bench window.
TEST_F(KeysTest, SaveArrowAndAboutKeys)
{
    MakeRamp(1, 1000);
    Scope_FitRecord();
    EXPECT_EQ(Press("Ctrl+S"), 1);
    int shown = 0;
    GetPanelAttribute(panelSave, ATTR_VISIBLE, &shown);
    EXPECT_EQ(shown, 1);
    HidePanel(panelSave);

    ASSERT_EQ(Press("1"), 1);
    double x0 = 0, x = 0, y = 0;
    GetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 1, &x0, &y);
    Press("Left");
    GetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 1, &x, &y);
    EXPECT_DOUBLE_EQ(x, x0 - 1);
    Press("Shift+Right");
    GetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 1, &x, &y);
    EXPECT_DOUBLE_EQ(x, x0 - 1 + 100);

    uirt::MenuBarRec *menus = uirt::menuBar(GetPanelMenuBar(panelBench));
    ASSERT_NE(menus, nullptr);
    QAction *about = menus->entries[MENUBAR_HELP_ABOUT].action;
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_EQ(about->shortcutContext(), Qt::ApplicationShortcut);
    about->trigger();
    GetPanelAttribute(panelAbout, ATTR_VISIBLE, &shown);
    EXPECT_EQ(shown, 1);
    HidePanel(panelAbout);
}

TEST_F(KeysTest, KeysUsedByTheFocusedBoxStayWithIt)
{
    MakeRamp(1, 1000);
    uirt::Control *rate = uirt::control(panelScope, SCOPE_SAMPLING_RATE);
    DisplayPanel(panelScope);
    rate->shown->setFocus();
    if (QApplication::focusWidget() != rate->shown.data())
        GTEST_SKIP() << "no keyboard focus on this platform";
    Press("0");
    EXPECT_EQ(Scroll_Thumb_Size, 1000);
    Press("Return"); // Enter in a number box takes the number, it does not capture
    EXPECT_EQ(isScopeStartOn, 0);
}

TEST_F(KeysTest, TooltipsShowTheKeys)
{
    EXPECT_TRUE(Tip("One Shot").contains("(S)")) << Tip("One Shot").toStdString();
    EXPECT_TRUE(Tip("Zoom In").contains("(+)"));
    EXPECT_TRUE(Tip("Cursor1").contains("(1)"));
    EXPECT_TRUE(uirt::control(panelScope, SCOPE_FFT_SWITCH)->shown->toolTip().contains("(F)"));
    EXPECT_TRUE(Tip("Autoset").contains("(A)")) << Tip("Autoset").toStdString();
    EXPECT_TRUE(Tip("Fit record").contains("(0)"));
}

TEST_F(KeysTest, HelpMenuListsEveryKeyOnceWithItsCommand)
{
    testseam::ClearShown();
    ASSERT_EQ(ActivateMenuItem(GetPanelMenuBar(panelBench), MENUBAR_HELP_SHORTCUTS), 0);
    ASSERT_EQ(testseam::Shown().size(), 1u);
    const std::string shown = testseam::Shown().front();
    const std::string title = "Keyboard shortcuts|";
    ASSERT_EQ(shown.rfind(title, 0), 0u) << shown;
    // One line per command: "keys: command", keys joined by " or ".
    std::map<std::string, std::string> listed;
    std::istringstream lines(shown.substr(title.size()));
    for (std::string line; std::getline(lines, line);) {
        const size_t colon = line.find(": ");
        ASSERT_NE(colon, std::string::npos) << line;
        EXPECT_GT(line.size(), colon + 2) << line;
        std::string keys = line.substr(0, colon);
        for (size_t at; (at = keys.find(" or ")) != std::string::npos; keys.erase(0, at + 4))
            EXPECT_TRUE(listed.emplace(keys.substr(0, at), line).second) << keys.substr(0, at);
        EXPECT_TRUE(listed.emplace(keys, line).second) << keys;
    }
    for (const char *key : {"Space", "S", "Enter", "+", "=", "-", "0", "A", "Home", "F", "1", "2", "Left", "Right",
                            "Shift+Left", "Shift+Right", "Ctrl+S", "Ctrl+P", "F1"})
        EXPECT_EQ(listed.count(key), 1u) << key;
    EXPECT_NE(listed["S"].find("One Shot"), std::string::npos);
    EXPECT_NE(listed["0"].find("Fit record"), std::string::npos);
    EXPECT_NE(listed["A"].find("Autoset"), std::string::npos);
}

TEST_F(KeysTest, FitRecordShowsTheWholeRecordWhateverItsLength)
{
    for (int n : {2048, 7999488}) {
        MakeRamp(1, n);
        Scroll_Thumb_Size = 10;
        Scroll_Value = 100;
        ZoomFactor = 1024;
        ASSERT_EQ(Scope_FitRecord(), 0);
        EXPECT_EQ(Scroll_Value, 0);
        EXPECT_EQ(Scroll_Thumb_Size, n);
        EXPECT_EQ(PlotCount(SCOPE_TIMEGRAPH, plot[0]), n);
        std::vector<double> v = PlotValues(SCOPE_TIMEGRAPH, plot[0]);
        ASSERT_EQ(static_cast<int>(v.size()), n);
        // Samples 0 and n-1 of the record, at the slot's offset.
        EXPECT_NEAR(v.front(), VerticalOffset[0], 1e-9);
        EXPECT_NEAR(v.back(), 0.001 * (n - 1) * VerticalScale[0] + VerticalOffset[0], 1e-6);
        int view = 0;
        ScrollBar_GetAttribute(panelScope, SCOPE_SCROLLBAR, ATTR_SB_VIEW_SIZE, &view);
        EXPECT_EQ(view, n);
    }
}

} // namespace
