// The toolbar: positions with separators counted, dimming, toggles, callbacks.
#include "test_runtime_support.h"

#include <QAction>
#include <QToolBar>
#include <QToolButton>

#include "ui/runtime_internal.h"

namespace
{

struct Press {
    int panel, position, event;
    long data;
    int state;
};
std::vector<Press> presses;
int discardToolbarOnPress = 0;

int ToolCallback(int panel, int control, int event, void *data, int d1, int)
{
    presses.push_back({panel, control, event, reinterpret_cast<long>(data), d1});
    if (discardToolbarOnPress)
        Toolbar_Discard(discardToolbarOnPress);
    return 0;
}

class ToolbarTest : public RuntimeTest
{
  protected:
    void SetUp() override
    {
        RuntimeTest::SetUp();
        presses.clear();
        discardToolbarOnPress = 0;
        scope = Load(0, SCOPE);
        ASSERT_EQ(Toolbar_New(scope, 0, "", 0, 0, 1, 1, &tb), 0);
        ASSERT_GT(tb, 0);
        // print, save | one shot | cursor toggle
        Add(kCommandButton, "Print Waveform", 0, "icon\\print.ico");
        Add(kCommandButton, "Save", 0, "icon\\save.ico");
        Add(kSeparator, nullptr, 0, nullptr);
        Add(kCommandButton, "One Shot", 1, "icon\\go.ico");
        Add(kSeparator, nullptr, 0, nullptr);
        Add(kToggleButton, "Cursor1", 1, "icon\\cursor1.ico");
        ASSERT_EQ(Toolbar_Display(tb), 0);
    }
    void TearDown() override
    {
        discardToolbarOnPress = 0;
        Toolbar_Discard(tb);
        RuntimeTest::TearDown();
    }
    void Add(int kind, const char *text, long data, const char *icon)
    {
        ASSERT_EQ(Toolbar_InsertItem(tb, END_OF_LIST, kind, 1, text, kControlCallback, 0, ToolCallback,
                                     reinterpret_cast<void *>(data), icon),
                  0);
    }
    int scope = 0;
    ToolbarType tb = 0;
};

} // namespace

TEST_F(ToolbarTest, PositionsCountSeparators)
{
    int n = 0;
    ASSERT_EQ(Toolbar_GetNumItems(tb, &n), 0);
    EXPECT_EQ(n, 6);
    char text[256];
    ASSERT_EQ(Toolbar_GetItemDescription(tb, 4, text), 0);
    EXPECT_STREQ(text, "One Shot");
    int kind = -1;
    Toolbar_GetItemAttribute(tb, 3, ATTR_TB_KIND, &kind);
    EXPECT_EQ(kind, kSeparator);
    Toolbar_GetItemAttribute(tb, 6, ATTR_TB_KIND, &kind);
    EXPECT_EQ(kind, kToggleButton);

    EXPECT_EQ(Toolbar_PressItem(tb, 4), 0);
    ASSERT_EQ(presses.size(), 1u);
    EXPECT_EQ(presses[0].panel, scope);
    EXPECT_EQ(presses[0].position, 4);
    EXPECT_EQ(presses[0].event, EVENT_COMMIT);
    EXPECT_EQ(presses[0].data, 1);

    // Inserting at position 2 moves the later items one place on.
    ASSERT_EQ(Toolbar_InsertItem(tb, 2, kCommandButton, 1, "Extra", kControlCallback, 0, ToolCallback,
                                 reinterpret_cast<void *>(9), "icon\\none.ico"),
              0);
    Toolbar_GetItemDescription(tb, 5, text);
    EXPECT_STREQ(text, "One Shot");
    Toolbar_PressItem(tb, 5);
    EXPECT_EQ(presses.back().position, 5);
    EXPECT_EQ(presses.back().data, 1);
    EXPECT_EQ(Toolbar_InsertItem(tb, 99, kCommandButton, 1, "x", kNoCallback, 0, nullptr, nullptr, nullptr),
              UIE_BAD_INDEX);
    EXPECT_EQ(Toolbar_PressItem(tb, 3), 0) << "the new item sits at 2; position 3 is 'Save'";
    EXPECT_EQ(Toolbar_PressItem(tb, 4), UIE_BAD_INDEX) << "a separator";
    EXPECT_EQ(Toolbar_PressItem(tb, 0), UIE_BAD_INDEX);
    EXPECT_EQ(Toolbar_PressItem(tb, 99), UIE_BAD_INDEX);

    // Items show their text when the icon is missing, and carry it as accessible name.
    QToolBar *bar = uirt::controlWidget(scope, SCOPE_DEVICE)->parentWidget()->findChild<QToolBar *>();
    ASSERT_NE(bar, nullptr);
    EXPECT_FALSE(bar->isHidden());
    int named = 0;
    for (QToolButton *b : bar->findChildren<QToolButton *>())
        if (b->accessibleName() == "One Shot")
            ++named;
    EXPECT_EQ(named, 1);
}

TEST_F(ToolbarTest, DimmingByPosition)
{
    EXPECT_EQ(Toolbar_DimItem(tb, 4, 1), 0);
    int dimmed = 0;
    Toolbar_GetItemAttribute(tb, 4, ATTR_TB_DIMMED, &dimmed);
    EXPECT_EQ(dimmed, 1);
    EXPECT_EQ(Toolbar_PressItem(tb, 4), UIE_DIMMED);
    EXPECT_TRUE(presses.empty());
    EXPECT_EQ(Toolbar_DimItem(tb, 4, 0), 0);
    EXPECT_EQ(Toolbar_PressItem(tb, 4), 0);
    EXPECT_EQ(presses.size(), 1u);
    EXPECT_EQ(Toolbar_DimItem(tb, 7, 1), UIE_BAD_INDEX);
    EXPECT_EQ(Toolbar_DimItem(tb + 100, 1, 1), UIE_BAD_VALUE);
    // Items created inactive start dimmed.
    ASSERT_EQ(Toolbar_InsertItem(tb, END_OF_LIST, kCommandButton, 0, "Off", kNoCallback, 0, nullptr, nullptr,
                                 nullptr),
              0);
    Toolbar_GetItemAttribute(tb, 7, ATTR_TB_DIMMED, &dimmed);
    EXPECT_EQ(dimmed, 1);
}

TEST_F(ToolbarTest, TogglesReportTheirNewState)
{
    EXPECT_EQ(Toolbar_PressItem(tb, 6), 0);
    ASSERT_EQ(presses.size(), 1u);
    EXPECT_EQ(presses[0].state, 1);
    int value = 0;
    Toolbar_GetItemAttribute(tb, 6, ATTR_TB_VALUE, &value);
    EXPECT_EQ(value, 1);
    Toolbar_PressItem(tb, 6);
    EXPECT_EQ(presses[1].state, 0);
    // Setting the state by code calls nothing.
    EXPECT_EQ(Toolbar_SetItemAttribute(tb, 6, ATTR_TB_VALUE, 1), 0);
    EXPECT_EQ(presses.size(), 2u);
    EXPECT_EQ(Toolbar_SetItemAttribute(tb, 4, ATTR_TB_VALUE, 1), UIE_BAD_ATTRIBUTE);
    // A real click on the button.
    QToolBar *bar = uirt::controlWidget(scope, SCOPE_DEVICE)->parentWidget()->findChild<QToolBar *>();
    QAction *cursor = nullptr;
    for (QAction *a : bar->actions())
        if (a->text() == "Cursor1")
            cursor = a;
    ASSERT_NE(cursor, nullptr);
    EXPECT_TRUE(cursor->isChecked());
    cursor->trigger();
    ASSERT_EQ(presses.size(), 3u);
    EXPECT_EQ(presses[2].state, 0);
    EXPECT_EQ(presses[2].position, 6);
}

TEST_F(ToolbarTest, MenuItemsAndDiscard)
{
    const int bench = Load(0, BENCH);
    const int mb = GetPanelMenuBar(bench);
    ToolbarType t2 = 0;
    ASSERT_EQ(Toolbar_New(bench, mb, "Bench", 0, 100, 0, 0, &t2), 0);
    ASSERT_EQ(Toolbar_InsertItem(t2, END_OF_LIST, kCommandButton, 1, "Scope", kMenuCallback,
                                 MENUBAR_INSTRUMENTS_SCOPE, nullptr, nullptr, nullptr),
              0);
    EXPECT_EQ(Toolbar_PressItem(t2, 1), 0);
    ASSERT_EQ(menus.size(), 1u);
    EXPECT_EQ(menus[0].item, MENUBAR_INSTRUMENTS_SCOPE);
    // The toolbar goes with its panel.
    DiscardPanel(bench);
    int n = 0;
    EXPECT_EQ(Toolbar_GetNumItems(t2, &n), UIE_BAD_VALUE);
    EXPECT_EQ(Toolbar_Discard(t2), UIE_BAD_VALUE);

    // A callback may discard its own toolbar.
    discardToolbarOnPress = tb;
    EXPECT_EQ(Toolbar_PressItem(tb, 1), 0);
    EXPECT_EQ(Toolbar_GetNumItems(tb, &n), UIE_BAD_VALUE);
    ProcessSystemEvents();
}
