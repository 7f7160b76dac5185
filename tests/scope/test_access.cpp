// The bench through the desktop's accessibility interface: switches, check
// boxes and toolbar items toggled that way run the same command as a click;
// readouts expose their texts; the scroll bar moves the view; dimmed
// controls refuse.
// (The record helpers name a parameter "slots": they come before Qt.)
#include "support/bench_fixture.h"
#include "test_view_support.h"

#include <QAccessible>
#include <QScrollBar>
#include <QToolBar>
#include <QToolButton>

#include "ui/rt_core.h"

using namespace viewtest;

namespace
{

QWidget *Shown(int panel, int ctrl)
{
    uirt::Control *c = uirt::control(panel, ctrl);
    return c ? c->shown.data() : nullptr;
}

QToolButton *ToolButton(const char *name)
{
    uirt::Panel *p = uirt::panel(panelScope);
    for (QToolButton *b : p->content->findChildren<QToolButton *>())
        if (b->accessibleName() == QString::fromUtf8(name))
            return b;
    return nullptr;
}

QAccessibleInterface *Iface(QObject *o)
{
    return o ? QAccessible::queryAccessibleInterface(o) : nullptr;
}

void Act(QObject *o, const QString &action)
{
    QAccessibleInterface *i = Iface(o);
    ASSERT_NE(i, nullptr);
    ASSERT_NE(i->actionInterface(), nullptr);
    ASSERT_TRUE(i->actionInterface()->actionNames().contains(action)) << i->actionInterface()->actionNames().join(",").toStdString();
    i->actionInterface()->doAction(action);
}

QString Value(QObject *o)
{
    QAccessibleInterface *i = Iface(o);
    return i ? i->text(QAccessible::Value) : QString("<none>");
}

class AccessTest : public BenchTest
{
  protected:
    void TearDown() override
    {
        if (isFFT_On)
            OperateCtrl(panelScope, SCOPE_FFT_SWITCH, 0);
        Cursor1 = Cursor2 = 0;
        BenchTest::TearDown();
    }
    int Dimmed(int tbPosition)
    {
        int d = -1;
        Toolbar_GetItemAttribute(Toolbar, tbPosition, ATTR_TB_DIMMED, &d);
        return d;
    }
};

TEST_F(AccessTest, ToggleOfTheFftSwitchRunsItsCommand)
{
    QWidget *sw = Shown(panelScope, SCOPE_FFT_SWITCH);
    Act(sw, QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(isFFT_On, 1);
    int v = 0;
    GetCtrlVal(panelScope, SCOPE_FFT_SWITCH, &v);
    EXPECT_EQ(v, 1);
    EXPECT_EQ(Dimmed(kToolbarCursor1), 1); // the spectrum view dims the time cursors, as a click does
    EXPECT_TRUE(Iface(sw)->state().checked);
    Act(sw, QAccessibleActionInterface::pressAction());
    EXPECT_EQ(isFFT_On, 0);
    EXPECT_EQ(Dimmed(kToolbarCursor1), 0);
    // The value interface sets the switch the same way.
    Iface(sw)->valueInterface()->setCurrentValue(1);
    EXPECT_EQ(isFFT_On, 1);
}

TEST_F(AccessTest, ChannelBoxToggledThatWayChangesTheChannels)
{
    QWidget *box = Shown(panelAin, TAB_AIN_CH3);
    QAccessibleInterface *i = Iface(box);
    ASSERT_NE(i, nullptr);
    EXPECT_EQ(i->role(), QAccessible::CheckBox);
    EXPECT_EQ(Ain[2], 1);
    Act(box, QAccessibleActionInterface::toggleAction());
    int v = -1;
    GetCtrlVal(panelAin, TAB_AIN_CH3, &v);
    EXPECT_EQ(v, 0);
    // The click's command ran: the channel's slot is no longer drawn.
    EXPECT_EQ(Ain[2], 0);
    Act(box, QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(Ain[2], 1);
}

TEST_F(AccessTest, Cursor1ToolbarItemRunsTheCursorToggle)
{
    Scroll_Thumb_Size = 100;
    QToolButton *b = ToolButton("Cursor1");
    ASSERT_NE(b, nullptr);
    Act(b, QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(Cursor1, 1);
    int visible = 0;
    GetCtrlAttribute(panelScope, SCOPE_C1_TIME, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 1);
    int value = 0;
    Toolbar_GetItemAttribute(Toolbar, kToolbarCursor1, ATTR_TB_VALUE, &value);
    EXPECT_EQ(value, 1);
    Act(b, QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(Cursor1, 0);
    // A dimmed item refuses: the spectrum view dims Cursor1.
    OperateCtrl(panelScope, SCOPE_FFT_SWITCH, 1);
    Act(b, QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(Cursor1, 0);
    EXPECT_EQ(Iface(b)->text(QAccessible::Name), QString("Cursor1"));
}

TEST_F(AccessTest, DimmedAndDisplayOnlySwitchesRefuse)
{
    SetCtrlAttribute(panelScope, SCOPE_FFT_SWITCH, ATTR_DIMMED, 1);
    Act(Shown(panelScope, SCOPE_FFT_SWITCH), QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(isFFT_On, 0);
    SetCtrlAttribute(panelScope, SCOPE_FFT_SWITCH, ATTR_DIMMED, 0);
    SetCtrlAttribute(panelScope, SCOPE_FFT_SWITCH, ATTR_CTRL_MODE, VAL_INDICATOR);
    Act(Shown(panelScope, SCOPE_FFT_SWITCH), QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(isFFT_On, 0);
    int v = -1;
    GetCtrlVal(panelScope, SCOPE_FFT_SWITCH, &v);
    EXPECT_EQ(v, 0);
    SetCtrlAttribute(panelScope, SCOPE_FFT_SWITCH, ATTR_CTRL_MODE, VAL_HOT);
}

TEST_F(AccessTest, DimmedNumberRefusesAValueSetThatWay)
{
    QWidget *rate = Shown(panelScope, SCOPE_SAMPLING_RATE);
    double before = 0, after = 0;
    GetCtrlVal(panelScope, SCOPE_SAMPLING_RATE, &before);
    SetCtrlAttribute(panelScope, SCOPE_SAMPLING_RATE, ATTR_DIMMED, 1);
    ASSERT_NE(Iface(rate)->valueInterface(), nullptr);
    Iface(rate)->valueInterface()->setCurrentValue(before - 1000.0);
    GetCtrlVal(panelScope, SCOPE_SAMPLING_RATE, &after);
    EXPECT_DOUBLE_EQ(after, before);
    SetCtrlAttribute(panelScope, SCOPE_SAMPLING_RATE, ATTR_DIMMED, 0);
    Iface(rate)->valueInterface()->setCurrentValue(before - 1000.0);
    GetCtrlVal(panelScope, SCOPE_SAMPLING_RATE, &after);
    EXPECT_DOUBLE_EQ(after, before - 1000.0);
}

TEST_F(AccessTest, ReadoutsExposeTheirTexts)
{
    SetCtrlVal(panelScope, SCOPE_C1_TIME, "1.00 sec");
    SetCtrlVal(panelScope, SCOPE_DELTA_T, "600.00 usec");
    SetCtrlVal(panelScope, SCOPE_STATUS, "Waiting for trigger");
    QWidget *t = Shown(panelScope, SCOPE_C1_TIME);
    EXPECT_EQ(Value(t), QString("1.00 sec"));
    EXPECT_EQ(Iface(t)->text(QAccessible::Name), QString("Cursor 1 time"));
    ASSERT_NE(Iface(t)->valueInterface(), nullptr);
    EXPECT_EQ(Iface(t)->valueInterface()->currentValue().toString(), QString("1.00 sec"));
    EXPECT_EQ(Value(Shown(panelScope, SCOPE_DELTA_T)), QString("600.00 usec"));
    EXPECT_EQ(Value(Shown(panelScope, SCOPE_STATUS)), QString("Waiting for trigger"));
    // A later text is read, not the first one.
    SetCtrlVal(panelScope, SCOPE_C1_TIME, "2.50 msec");
    EXPECT_EQ(Value(t), QString("2.50 msec"));
    // Numeric indicators (spectrum readouts) give their shown text.
    SetCtrlVal(panelScope, SCOPE_FFT_PEAK_FREQ, 5.0);
    EXPECT_TRUE(Value(Shown(panelScope, SCOPE_FFT_PEAK_FREQ)).startsWith("5"));
    // LEDs read on or off.
    SetCtrlVal(panelScope, SCOPE_AVERAGING_LED, 1);
    EXPECT_EQ(Value(Shown(panelScope, SCOPE_AVERAGING_LED)), QString("on"));
}

TEST_F(AccessTest, ScrollBarMovedThatWayMovesTheView)
{
    MakeRamp(1, 1000);
    Scroll_Thumb_Size = 250;
    ZoomFactor = 4.0;
    ScrollBar_SetAttribute(panelScope, SCOPE_SCROLLBAR, ATTR_SB_MAX, 1000);
    ScrollBar_SetAttribute(panelScope, SCOPE_SCROLLBAR, ATTR_SB_VIEW_SIZE, 250);
    auto *bar = qobject_cast<QScrollBar *>(Shown(panelScope, SCOPE_SCROLLBAR));
    ASSERT_NE(bar, nullptr);
    QAccessibleInterface *i = Iface(bar);
    ASSERT_NE(i->valueInterface(), nullptr);
    i->valueInterface()->setCurrentValue(300);
    EXPECT_EQ(Scroll_Value, 300);
    double offset = 0;
    GetCtrlAttribute(panelScope, SCOPE_TIMEGRAPH, ATTR_XAXIS_OFFSET, &offset);
    EXPECT_NEAR(offset, 300 * dTimeStep, 1e-12);
    EXPECT_EQ(i->valueInterface()->currentValue().toInt(), 300);
    i->actionInterface()->doAction(QAccessibleActionInterface::increaseAction());
    EXPECT_EQ(Scroll_Value, 301);
    // Past the end: the view stays inside the record.
    i->valueInterface()->setCurrentValue(5000);
    EXPECT_EQ(Scroll_Value, 750);
}

} // namespace
