// Tab sheets made from a canvas: loading, hiding (also the active tab), activation.
#include "test_runtime_support.h"

#include <QTabWidget>

#include "ui/runtime_internal.h"

namespace
{

class TabSheetTest : public RuntimeTest
{
  protected:
    void SetUp() override
    {
        RuntimeTest::SetUp();
        scope = Load(0, SCOPE);
        tab = TabSheet_ConvertFromCanvas(scope, SCOPE_TABCANVAS);
        ASSERT_GT(tab, 0);
        const int ids[4] = {TAB_AIN, TAB_RANGE, TAB_MODE, TAB_COUPLING};
        ASSERT_EQ(TabSheet_LoadPanels(scope, tab, 0, "benchDemo.uir", ids, sheets, 4), 0);
    }
    int Active()
    {
        int s = -1;
        EXPECT_EQ(TabSheet_GetActiveSheet(scope, tab, &s), 0);
        return s;
    }
    int scope = 0, tab = 0;
    int sheets[4] = {0, 0, 0, 0};
};

} // namespace

TEST_F(TabSheetTest, SheetsAreTabsInOrderWithWorkingControls)
{
    auto *tabs = qobject_cast<QTabWidget *>(uirt::controlWidget(scope, tab));
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 4);
    EXPECT_EQ(tabs->tabText(0), "Channels");
    EXPECT_EQ(tabs->tabText(3), "Coupling");
    EXPECT_EQ(tabs->geometry(), QRect(10, 584, 380, 170));
    for (int h : sheets)
        EXPECT_EQ(GetPanelParent(h), scope);
    EXPECT_EQ(Active(), sheets[0]);
    // Controls of a sheet work as on any panel.
    int v = 0;
    ASSERT_EQ(GetCtrlVal(sheets[0], TAB_AIN_CH2, &v), 0);
    EXPECT_EQ(v, 1);
    EXPECT_EQ(OperateCtrl(sheets[0], TAB_AIN_CH2, 0), 0);
    EXPECT_EQ(EventsOf(TAB_AIN_CH2), (std::vector<int>{EVENT_VAL_CHANGED, EVENT_COMMIT}));
    EXPECT_EQ(events[0].panel, sheets[0]);
    EXPECT_EQ(GetCtrlVal(sheets[2], TAB_MODE_CH1, &v), 0);
    EXPECT_EQ(v, 2);

    EXPECT_EQ(TabSheet_ConvertFromCanvas(scope, SCOPE_DEVICE), UIE_BAD_TYPE);
    int bad[1];
    const int ids[1] = {9999};
    EXPECT_EQ(TabSheet_LoadPanels(scope, tab, 0, "benchDemo.uir", ids, bad, 1), UIE_BAD_RESOURCE);
    EXPECT_EQ(TabSheet_LoadPanels(scope, SCOPE_DEVICE, 0, "benchDemo.uir", ids, bad, 1), UIE_BAD_TYPE);
}

TEST_F(TabSheetTest, HidingTheActiveTabActivatesTheNextVisible)
{
    TabSheet_SetTabAttribute(scope, tab, sheets[1], ATTR_SHEET_ACTIVE, 1);
    EXPECT_EQ(Active(), sheets[1]);
    EXPECT_EQ(TabSheet_SetTabAttribute(scope, tab, sheets[2], ATTR_SHEET_VISIBLE, 0), 0);
    EXPECT_EQ(Active(), sheets[1]) << "hiding another tab keeps the active one";
    EXPECT_EQ(TabSheet_SetTabAttribute(scope, tab, sheets[1], ATTR_SHEET_VISIBLE, 0), 0);
    EXPECT_EQ(Active(), sheets[3]) << "the next visible tab, passing over the hidden one";
    int visible = 1;
    TabSheet_GetTabAttribute(scope, tab, sheets[1], ATTR_SHEET_VISIBLE, &visible);
    EXPECT_EQ(visible, 0);
    // The last tab hidden: the search wraps to the first.
    EXPECT_EQ(TabSheet_SetTabAttribute(scope, tab, sheets[3], ATTR_SHEET_VISIBLE, 0), 0);
    EXPECT_EQ(Active(), sheets[0]);
    // A hidden tab cannot become active; shown again it can.
    EXPECT_EQ(TabSheet_SetTabAttribute(scope, tab, sheets[2], ATTR_SHEET_ACTIVE, 1), UIE_BAD_VALUE);
    EXPECT_EQ(TabSheet_SetTabAttribute(scope, tab, sheets[2], ATTR_SHEET_VISIBLE, 1), 0);
    EXPECT_EQ(TabSheet_SetTabAttribute(scope, tab, sheets[2], ATTR_SHEET_ACTIVE, 1), 0);
    EXPECT_EQ(Active(), sheets[2]);
    int active = 0;
    TabSheet_GetTabAttribute(scope, tab, sheets[2], ATTR_SHEET_ACTIVE, &active);
    EXPECT_EQ(active, 1);
    // Every tab hidden: no active sheet.
    for (int h : sheets)
        TabSheet_SetTabAttribute(scope, tab, h, ATTR_SHEET_VISIBLE, 0);
    EXPECT_EQ(Active(), 0);
    EXPECT_EQ(TabSheet_SetTabAttribute(scope, tab, sheets[0], ATTR_SHEET_VISIBLE, 1), 0);
    EXPECT_EQ(Active(), sheets[0]);

    EXPECT_EQ(TabSheet_SetTabAttribute(scope, tab, scope, ATTR_SHEET_VISIBLE, 0), UIE_BAD_PANEL);
    EXPECT_EQ(TabSheet_SetTabAttribute(scope, tab, sheets[0], 9999, 0), UIE_BAD_ATTRIBUTE);
}

TEST_F(TabSheetTest, DiscardingASheetOrItsPanel)
{
    auto *tabs = qobject_cast<QTabWidget *>(uirt::controlWidget(scope, tab));
    EXPECT_EQ(DiscardPanel(sheets[1]), 0);
    EXPECT_EQ(tabs->count(), 3);
    int s = 0;
    EXPECT_EQ(TabSheet_GetTabAttribute(scope, tab, sheets[1], ATTR_SHEET_VISIBLE, &s), UIE_BAD_PANEL);
    EXPECT_EQ(DiscardPanel(scope), 0);
    int v = 0;
    EXPECT_EQ(GetCtrlVal(sheets[0], TAB_AIN_CH1, &v), UIE_BAD_PANEL);
}
