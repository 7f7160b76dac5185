// The graph scroll bar: attributes and refusals, position events, clamping.
#include "test_runtime_support.h"

#include <cstdlib>

#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>

#include "ui/runtime_internal.h"

namespace
{

struct Move {
    int event, position;
};
std::vector<Move> moves;
int placeAt = -1; // when >= 0 the callback places the bar itself

int ScrollCallback(int panel, int control, int event, void *, int d1, int)
{
    moves.push_back({event, d1});
    if (placeAt >= 0)
        ScrollBar_SetAttribute(panel, control, ATTR_SB_VALUE, placeAt);
    return 0;
}

class ScrollBarTest : public RuntimeTest
{
  protected:
    void SetUp() override
    {
        RuntimeTest::SetUp();
        moves.clear();
        placeAt = -1;
        scope = Load(0, SCOPE);
        ASSERT_EQ(ScrollBar_ConvertFromGraph(scope, SCOPE_SCROLLBAR, ScrollCallback, nullptr), 0);
        ASSERT_EQ(ScrollBar_SetAttribute(scope, SCOPE_SCROLLBAR, ATTR_SB_MAX, 1000), 0);
        ASSERT_EQ(ScrollBar_SetAttribute(scope, SCOPE_SCROLLBAR, ATTR_SB_VIEW_SIZE, 100), 0);
        ASSERT_EQ(ScrollBar_SetAttribute(scope, SCOPE_SCROLLBAR, ATTR_SB_PROP_THUMB, 1), 0);
    }
    int Get(int attribute)
    {
        int v = -12345;
        EXPECT_EQ(ScrollBar_GetAttribute(scope, SCOPE_SCROLLBAR, attribute, &v), 0);
        return v;
    }
    int Set(int attribute, int value)
    {
        return ScrollBar_SetAttribute(scope, SCOPE_SCROLLBAR, attribute, value);
    }
    QScrollBar *Bar()
    {
        return qobject_cast<QScrollBar *>(
            uirt::controlWidget(scope, SCOPE_SCROLLBAR)->parentWidget()->findChild<QScrollBar *>());
    }
    int scope = 0;
};

} // namespace

TEST_F(ScrollBarTest, ReplacesTheGraphOnScreen)
{
    QWidget *graph = uirt::controlWidget(scope, SCOPE_SCROLLBAR);
    ASSERT_NE(graph, nullptr);
    EXPECT_TRUE(graph->isHidden());
    QScrollBar *bar = Bar();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->orientation(), Qt::Horizontal);
    EXPECT_EQ(bar->geometry(), QRect(10, 560, 700, 16));
    EXPECT_EQ(bar->pageStep(), 100);
    EXPECT_EQ(Set(ATTR_SB_LENGTH, 640), 0);
    EXPECT_EQ(Set(ATTR_SB_THICKNESS, 20), 0);
    EXPECT_EQ(Get(ATTR_SB_LENGTH), 640);
    EXPECT_EQ(Get(ATTR_SB_THICKNESS), 20);
    // Visibility and dimming act on the bar.
    SetCtrlAttribute(scope, SCOPE_SCROLLBAR, ATTR_VISIBLE, 0);
    EXPECT_TRUE(bar->isHidden());
    EXPECT_EQ(ScrollBar_ConvertFromGraph(scope, SCOPE_DEVICE, ScrollCallback, nullptr), UIE_BAD_TYPE);
    EXPECT_EQ(ScrollBar_SetAttribute(scope, SCOPE_TIMEGRAPH, ATTR_SB_VALUE, 1), UIE_BAD_TYPE);
}

TEST_F(ScrollBarTest, RefusalsChangeNothing)
{
    ASSERT_EQ(Set(ATTR_SB_VALUE, 500), 0);
    EXPECT_EQ(Set(ATTR_SB_VALUE, 1001), UIE_BAD_VALUE);
    EXPECT_EQ(Set(ATTR_SB_VALUE, -1), UIE_BAD_VALUE);
    EXPECT_EQ(Get(ATTR_SB_VALUE), 500);
    EXPECT_EQ(Set(ATTR_SB_MIN, 1000), UIE_BAD_VALUE);
    EXPECT_EQ(Set(ATTR_SB_MIN, 2000), UIE_BAD_VALUE);
    EXPECT_EQ(Get(ATTR_SB_MIN), 0);
    EXPECT_EQ(Set(ATTR_SB_MAX, 0), UIE_BAD_VALUE);
    EXPECT_EQ(Set(ATTR_SB_MAX, -5), UIE_BAD_VALUE);
    EXPECT_EQ(Get(ATTR_SB_MAX), 1000);
    EXPECT_EQ(Set(ATTR_SB_LENGTH, 63), UIE_BAD_VALUE);
    EXPECT_EQ(Set(ATTR_SB_THICKNESS, 15), UIE_BAD_VALUE);
    EXPECT_EQ(Get(ATTR_SB_LENGTH), 700);
    EXPECT_EQ(Get(ATTR_SB_THICKNESS), 16);
    EXPECT_EQ(Set(ATTR_SB_VIEW_SIZE, -1), UIE_BAD_VALUE);
    EXPECT_EQ(Get(ATTR_SB_VIEW_SIZE), 100);
    EXPECT_EQ(Set(9999, 1), UIE_BAD_ATTRIBUTE);
    // A narrower range pulls the position in.
    EXPECT_EQ(Set(ATTR_SB_MAX, 300), 0);
    EXPECT_EQ(Get(ATTR_SB_VALUE), 300);
    EXPECT_TRUE(moves.empty()) << "attributes set by code send no events";
}

TEST_F(ScrollBarTest, EveryMoveIsOfferedClampedThenTaken)
{
    EXPECT_EQ(ScrollBar_Operate(scope, SCOPE_SCROLLBAR, SB_EVENT_JUMP, 400), 0);
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].event, SB_EVENT_JUMP);
    EXPECT_EQ(moves[0].position, 400);
    EXPECT_EQ(Get(ATTR_SB_VALUE), 400);
    ScrollBar_Operate(scope, SCOPE_SCROLLBAR, SB_EVENT_PAGE_FORWARD, 5000);
    EXPECT_EQ(moves[1].position, 1000);
    EXPECT_EQ(Get(ATTR_SB_VALUE), 1000);
    ScrollBar_Operate(scope, SCOPE_SCROLLBAR, SB_EVENT_LINE_BACK, -7);
    EXPECT_EQ(moves[2].position, 0);
    EXPECT_EQ(ScrollBar_Operate(scope, SCOPE_SCROLLBAR, 7, 1), UIE_BAD_VALUE);
    EXPECT_EQ(ScrollBar_Operate(scope, SCOPE_SCROLLBAR, 0, 1), UIE_BAD_VALUE);
    EXPECT_EQ(moves.size(), 3u);

    // A callback that places the bar itself keeps its own position.
    placeAt = 900;
    ScrollBar_Operate(scope, SCOPE_SCROLLBAR, SB_EVENT_JUMP, 950);
    EXPECT_EQ(moves.back().position, 950);
    EXPECT_EQ(Get(ATTR_SB_VALUE), 900);
    placeAt = -1;
}

TEST_F(ScrollBarTest, UserActionsOnTheBar)
{
    Set(ATTR_SB_VALUE, 500);
    QScrollBar *bar = Bar();
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    ASSERT_EQ(moves.size(), 5u);
    EXPECT_EQ(moves[0].event, SB_EVENT_LINE_FORWARD);
    EXPECT_EQ(moves[0].position, 501);
    EXPECT_EQ(moves[1].event, SB_EVENT_LINE_BACK);
    EXPECT_EQ(moves[1].position, 500);
    EXPECT_EQ(moves[2].event, SB_EVENT_PAGE_FORWARD);
    EXPECT_EQ(moves[2].position, 600);
    EXPECT_EQ(moves[3].event, SB_EVENT_PAGE_BACK);
    EXPECT_EQ(moves[3].position, 500);
    EXPECT_EQ(moves[4].event, SB_EVENT_JUMP);
    EXPECT_EQ(moves[4].position, 1000);
    EXPECT_EQ(Get(ATTR_SB_VALUE), 1000);
    EXPECT_EQ(bar->value(), 900) << "shown with the view flush with the end";
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(moves.back().position, 1000) << "held within the maximum";
}

namespace
{

// The groove and thumb of the bar as its style draws them, in pixels.
struct Thumb {
    int grooveLeft, grooveRight, left, right;
    double Share() const { return double(right - left) / double(grooveRight - grooveLeft); }
};

Thumb ThumbOf(QScrollBar *bar)
{
    QStyleOptionSlider opt;
    opt.initFrom(bar);
    opt.subControls = QStyle::SC_All;
    opt.orientation = bar->orientation();
    opt.state |= QStyle::State_Horizontal;
    opt.minimum = bar->minimum();
    opt.maximum = bar->maximum();
    opt.sliderPosition = bar->sliderPosition();
    opt.sliderValue = bar->value();
    opt.singleStep = bar->singleStep();
    opt.pageStep = bar->pageStep();
    opt.upsideDown = false;
    const QRect groove = bar->style()->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarGroove, bar);
    const QRect slider = bar->style()->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarSlider, bar);
    return {groove.left(), groove.right() + 1, slider.left(), slider.right() + 1};
}

} // namespace

// The thumb is the visible window's share of the record, and it touches the
// end of the groove when the window reaches the end of the record.
TEST_F(ScrollBarTest, ThumbShowsTheWindowsShareOfTheRecord)
{
    QScrollBar *bar = Bar();
    ASSERT_EQ(Set(ATTR_SB_VIEW_SIZE, 1000), 0); // the whole record
    ASSERT_EQ(Set(ATTR_SB_VALUE, 0), 0);
    Thumb t = ThumbOf(bar);
    EXPECT_LE(t.left - t.grooveLeft, 1);
    EXPECT_LE(t.grooveRight - t.right, 1);

    for (int view : {500, 250, 100}) {
        ASSERT_EQ(Set(ATTR_SB_VIEW_SIZE, view), 0);
        ASSERT_EQ(Set(ATTR_SB_VALUE, 0), 0);
        t = ThumbOf(bar);
        EXPECT_NEAR(t.Share(), view / 1000.0, 0.01) << view;
        EXPECT_LE(t.left - t.grooveLeft, 1) << view;
        // The last window of the record: the thumb at the end of the groove.
        ASSERT_EQ(Set(ATTR_SB_VALUE, 1000 - view), 0);
        t = ThumbOf(bar);
        EXPECT_LE(std::abs(t.grooveRight - t.right), 1) << view;
        EXPECT_NEAR(t.Share(), view / 1000.0, 0.01) << view;
        // Half way: the thumb's middle at the middle of the window's range.
        ASSERT_EQ(Set(ATTR_SB_VALUE, (1000 - view) / 2), 0);
        t = ThumbOf(bar);
        EXPECT_NEAR((t.left + t.right) / 2.0, (t.grooveLeft + t.grooveRight) / 2.0, 2.0) << view;
    }

    // Dragging the thumb to the end of the groove asks for the last window.
    ASSERT_EQ(Set(ATTR_SB_VIEW_SIZE, 200), 0);
    ASSERT_EQ(Set(ATTR_SB_VALUE, 0), 0);
    moves.clear();
    bar->setSliderPosition(bar->maximum());
    ASSERT_FALSE(moves.empty());
    EXPECT_EQ(moves.back().position, 800);
}
