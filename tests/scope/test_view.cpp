// The view window: toolbar, zoom steps, scroll clamp, zoom area, offset
// markers.
#include "support/bench_fixture.h"
#include "test_view_support.h"

#include <QAction>
#include <QToolButton>

#include <iterator>
#include <string>

#include "ui/rt_core.h"

using namespace viewtest;

namespace
{

class ViewTest : public BenchTest
{
  protected:
    void ZoomIn() { ScopeZoomData(panelScope, 0, EVENT_COMMIT, Data(1), 0, 0); }
    void ZoomOut() { ScopeZoomData(panelScope, 0, EVENT_COMMIT, Data(2), 0, 0); }
    void ScrollTo(int position)
    {
        ScrollBarCallback(panelScope, SCOPE_SCROLLBAR, SB_EVENT_JUMP, nullptr, position, 0);
    }
    int BarValue()
    {
        int v = -1;
        ScrollBar_GetAttribute(panelScope, SCOPE_SCROLLBAR, ATTR_SB_VALUE, &v);
        return v;
    }
};

TEST_F(ViewTest, ToolbarHoldsItsItemsInOrder)
{
    ASSERT_GT(Toolbar, 0);
    int count = 0;
    ASSERT_EQ(Toolbar_GetNumItems(Toolbar, &count), 0);
    const char *texts[] = {"Print Waveform",
                           "Save",
                           nullptr,
                           "One Shot",
                           "Continuous Mode",
                           "Stop",
                           nullptr,
                           "Zoom In",
                           "Zoom Out",
                           nullptr,
                           "Zoom Area ON",
                           "Zoom Area OFF",
                           nullptr,
                           "Cursor1",
                           "Cursor2",
                           nullptr,
                           "Persistence Mode",
                           "Trigger Line",
                           nullptr,
                           "Advanced Scope Setting",
                           nullptr,
                           "Autoset",
                           "Fit record"};
    const int items = static_cast<int>(std::size(texts));
    ASSERT_EQ(count, items);
    EXPECT_EQ(kToolbarAutoset, 22);
    EXPECT_EQ(kToolbarFitRecord, 23);
    for (int pos = 1; pos <= items; ++pos) {
        int kind = -1;
        Toolbar_GetItemAttribute(Toolbar, pos, ATTR_TB_KIND, &kind);
        const char *text = texts[pos - 1];
        if (!text) {
            EXPECT_EQ(kind, kSeparator) << pos;
            continue;
        }
        const bool toggle = pos == 14 || pos == 15 || pos == 17 || pos == 18;
        EXPECT_EQ(kind, toggle ? kToggleButton : kCommandButton) << pos;
        char description[256] = "";
        Toolbar_GetItemDescription(Toolbar, pos, description);
        EXPECT_STREQ(description, text) << pos;
    }
}

TEST_F(ViewTest, EveryToolbarItemHasATooltipAndAnIcon)
{
    int buttons = 0;
    for (QToolButton *b : uirt::panel(panelScope)->content->findChildren<QToolButton *>()) {
        QAction *a = b->defaultAction();
        if (!a || a->isSeparator())
            continue;
        ++buttons;
        EXPECT_TRUE(a->toolTip().startsWith(a->text())) << a->text().toStdString();
        EXPECT_FALSE(a->icon().isNull()) << a->text().toStdString();
    }
    EXPECT_EQ(buttons, 16);
}

TEST_F(ViewTest, FitRecordAndAutosetItemsRunTheirCommands)
{
    MakeRamp(1, 1000);
    ZoomIn();
    ZoomIn();
    ScrollTo(400);
    ASSERT_EQ(Scroll_Thumb_Size, 250);
    ASSERT_EQ(Toolbar_PressItem(Toolbar, kToolbarFitRecord), 0);
    EXPECT_EQ(Scroll_Value, 0);
    EXPECT_EQ(Scroll_Thumb_Size, 1000);
    EXPECT_DOUBLE_EQ(ZoomFactor, 1.0);
    EXPECT_EQ(BarValue(), 0);

    SetCtrlVal(panelScope, SCOPE_STATUS, "");
    ASSERT_EQ(Toolbar_PressItem(Toolbar, kToolbarAutoset), 0);
    char status[256] = "";
    GetCtrlVal(panelScope, SCOPE_STATUS, status);
    EXPECT_NE(std::string(status).find("Autoset"), std::string::npos) << status;
    EXPECT_EQ(Scroll_Thumb_Size, RequestedSamples);
}

TEST_F(ViewTest, ZoomButtonsOfTheToolbarStepTheWindow)
{
    MakeRamp(1, 1000);
    ASSERT_EQ(Toolbar_PressItem(Toolbar, kToolbarZoomIn), 0);
    EXPECT_EQ(Scroll_Thumb_Size, 500);
    ASSERT_EQ(Toolbar_PressItem(Toolbar, kToolbarZoomOut), 0);
    EXPECT_EQ(Scroll_Thumb_Size, 1000);
}

TEST_F(ViewTest, ZoomStepsOnAThousandSampleRecord)
{
    MakeRamp(1, 1000);
    Scroll_Value = 0;
    ZoomIn();
    EXPECT_EQ(Scroll_Thumb_Size, 500);
    EXPECT_DOUBLE_EQ(ZoomFactor, 2.0);
    Scroll_Value = 100;
    ZoomIn();
    EXPECT_EQ(Scroll_Thumb_Size, 250);
    EXPECT_EQ(Scroll_Value, 100); // Zoom In keeps the position
    ZoomOut();
    EXPECT_EQ(Scroll_Thumb_Size, 500);
    EXPECT_EQ(Scroll_Value, 100); // 500 is not more than 1000 / 2

    // A Zoom Out that would pass the end moves the window back inside.
    ZoomIn();
    Scroll_Value = 700;
    ZoomOut();
    EXPECT_EQ(Scroll_Thumb_Size, 500);
    EXPECT_EQ(Scroll_Value, 500);

    // Never wider than the record, and ZoomFactor never below 1.
    ZoomOut();
    ZoomOut();
    EXPECT_EQ(Scroll_Thumb_Size, 1000);
    EXPECT_DOUBLE_EQ(ZoomFactor, 1.0);
    EXPECT_EQ(Scroll_Value, 0);
}

TEST_F(ViewTest, ZoomOutToMoreThanHalfTheRecordReturnsToTheStart)
{
    MakeRamp(1, 1000);
    ScrollBar_SetAttribute(panelScope, SCOPE_SCROLLBAR, ATTR_SB_MAX, 1000);
    ZoomFactor = 3.2;
    Scroll_Thumb_Size = 312;
    Scroll_Value = 300;
    ScrollBar_SetAttribute(panelScope, SCOPE_SCROLLBAR, ATTR_SB_VALUE, 300);
    ZoomOut();
    EXPECT_EQ(Scroll_Thumb_Size, 625);
    EXPECT_EQ(Scroll_Value, 0);
    EXPECT_EQ(BarValue(), 0);
}

TEST_F(ViewTest, ZoomStopsAtTenSamples)
{
    MakeRamp(1, 40);
    ZoomIn();
    ZoomIn();
    EXPECT_EQ(Scroll_Thumb_Size, 10);
    EXPECT_DOUBLE_EQ(ZoomFactor, 4.0);
    ZoomIn();
    ZoomIn();
    EXPECT_EQ(Scroll_Thumb_Size, 10);
    EXPECT_DOUBLE_EQ(ZoomFactor, 4.0); // normal capture: no more doubling

    MakeRamp(1, 40, 0, true);
    ZoomIn();
    ZoomIn();
    EXPECT_EQ(Scroll_Thumb_Size, 10);
    ZoomIn();
    ZoomIn();
    EXPECT_EQ(Scroll_Thumb_Size, 10);
    EXPECT_DOUBLE_EQ(ZoomFactor, 16.0); // streaming: the factor keeps doubling
}

TEST_F(ViewTest, ZoomBeforeTheFirstRecordDoesNothing)
{
    Scroll_Thumb_Size = 0;
    ZoomFactor = 1.0;
    ZoomIn();
    EXPECT_EQ(Scroll_Thumb_Size, 0);
    EXPECT_DOUBLE_EQ(ZoomFactor, 1.0);
}

TEST_F(ViewTest, ScrollPastTheEndIsClampedAndPlotsTheWindow)
{
    MakeRamp(1, 1000);
    Scroll_Thumb_Size = 250;
    dTimeStep = 0.001;
    ScrollTo(900);
    EXPECT_EQ(Scroll_Value, 750);
    double offset = 0.0;
    GetCtrlAttribute(panelScope, SCOPE_TIMEGRAPH, ATTR_XAXIS_OFFSET, &offset);
    EXPECT_DOUBLE_EQ(offset, 0.75);
    const std::vector<double> y = PlotValues(SCOPE_TIMEGRAPH, plot[0]);
    ASSERT_EQ(y.size(), 250u);
    EXPECT_NEAR(y.front(), 0.750 * VerticalScale[0] + VerticalOffset[0], 1e-12);
    EXPECT_NEAR(y.back(), 0.999 * VerticalScale[0] + VerticalOffset[0], 1e-12);

    // Streaming: a window past the end goes back to the start.
    MakeRamp(1, 1000, 0, true);
    Scroll_Thumb_Size = 250;
    ScrollTo(900);
    EXPECT_EQ(Scroll_Value, 0);
}

TEST_F(ViewTest, ScrollBarEventsReachTheCallback)
{
    MakeRamp(1, 1000);
    Scroll_Thumb_Size = 100;
    ScrollBar_SetAttribute(panelScope, SCOPE_SCROLLBAR, ATTR_SB_MAX, 1000);
    ScrollBar_SetAttribute(panelScope, SCOPE_SCROLLBAR, ATTR_SB_VIEW_SIZE, 100);
    ASSERT_EQ(ScrollBar_Operate(panelScope, SCOPE_SCROLLBAR, SB_EVENT_JUMP, 400), 0);
    EXPECT_EQ(Scroll_Value, 400);
    EXPECT_EQ(BarValue(), 400);
    // Past the end: the window is clamped and the bar shows the window.
    ASSERT_EQ(ScrollBar_Operate(panelScope, SCOPE_SCROLLBAR, SB_EVENT_PAGE_FORWARD, 980), 0);
    EXPECT_EQ(Scroll_Value, 900);
    EXPECT_EQ(BarValue(), 900);
}

TEST_F(ViewTest, PreTriggerWindowStartsBeforeTheTriggerPoint)
{
    MakeRamp(1, 1000, 100);
    VerticalScale[0] = 1.0;
    VerticalOffset[0] = 0.0;
    Scroll_Thumb_Size = 200;
    ScrollTo(0);
    const std::vector<double> y = PlotValues(SCOPE_TIMEGRAPH, plot[0]);
    ASSERT_EQ(y.size(), 200u);
    EXPECT_NEAR(y.front(), -0.100, 1e-12);
}

TEST_F(ViewTest, WindowLongerThanTheRecordIsCutBeforePlotting)
{
    MakeRamp(1, 4096);
    Scroll_Thumb_Size = 4096;
    Scroll_Value = 0;
    RequestedSamples = 2048; // record length edited after the capture
    ScrollTo(1000);
    EXPECT_EQ(Scroll_Value, 0);
    EXPECT_EQ(Scroll_Thumb_Size, 2048);
    EXPECT_EQ(PlotCount(SCOPE_TIMEGRAPH, plot[0]), 2048);
}

TEST_F(ViewTest, PersistenceKeepsTracesWhenScrollingButNotWhenZooming)
{
    MakeRamp(2, 1000);
    Scroll_Thumb_Size = 500;
    is_PersistanceON = 1;
    DeleteGraphPlot(panelScope, SCOPE_TIMEGRAPH, -1, VAL_IMMEDIATE_DRAW);
    ScrollTo(100);
    ScrollTo(200);
    EXPECT_EQ(NumPlots(SCOPE_TIMEGRAPH), 4);
    ZoomIn();
    EXPECT_EQ(NumPlots(SCOPE_TIMEGRAPH), 2);
    is_PersistanceON = 0;
    ScrollTo(300);
    EXPECT_EQ(NumPlots(SCOPE_TIMEGRAPH), 2);
}

TEST_F(ViewTest, DisabledSlotIsNotDrawn)
{
    MakeRamp(4, 1000);
    Ain[2] = 0;
    ScrollTo(0);
    EXPECT_EQ(NumPlots(SCOPE_TIMEGRAPH), 3);
}

TEST_F(ViewTest, ZoomAreaFollowsTheMeasurementCursors)
{
    MakeRamp(1, 1000);
    Scroll_Thumb_Size = 60;
    Scroll_Value = 100;
    ScrollTo(100);
    ScopeZoomCursor(panelScope, 0, EVENT_COMMIT, Data(1), 0, 0);
    EXPECT_EQ(isZoom_On, 1);
    double x = -1, y = -1;
    GetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 1, &x, &y);
    EXPECT_DOUBLE_EQ(x, 30.0);
    GetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 2, &x, &y);
    EXPECT_DOUBLE_EQ(x, 5.0);
    EXPECT_EQ(Zoom_Start, 5);
    EXPECT_EQ(Zoom_Width, 25);
    int height = 0, visible = 0;
    GetCtrlAttribute(panelScope, SCOPE_TIMEGRAPH, ATTR_HEIGHT, &height);
    GetCtrlAttribute(panelScope, SCOPE_ZOOMGRAPH, ATTR_VISIBLE, &visible);
    EXPECT_EQ(height, 280);
    EXPECT_EQ(visible, 1);
    ASSERT_EQ(NumPlots(SCOPE_ZOOMGRAPH), 1);

    // Cursors 5.5 samples apart, the left one at 0.2: the zoom starts at
    // window sample 0 and is raised to 10 samples.
    dTimeStep = 0.5;
    SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 1, 105.7 - 100, 0.0);
    SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 2, 100.2 - 100, 0.0);
    ScrollTo(100);
    EXPECT_EQ(Zoom_Start, 0);
    EXPECT_EQ(Zoom_Width, 10); // 5 samples apart: the minimum of 10
    double zoomOffset = 0;
    GetCtrlAttribute(panelScope, SCOPE_ZOOMGRAPH, ATTR_XAXIS_OFFSET, &zoomOffset);
    EXPECT_DOUBLE_EQ(zoomOffset, 0.5 * 100);

    ScopeZoomCursor(panelScope, 0, EVENT_COMMIT, Data(2), 0, 0);
    EXPECT_EQ(isZoom_On, 0);
    GetCtrlAttribute(panelScope, SCOPE_TIMEGRAPH, ATTR_HEIGHT, &height);
    GetCtrlAttribute(panelScope, SCOPE_ZOOMGRAPH, ATTR_VISIBLE, &visible);
    EXPECT_EQ(height, 510);
    EXPECT_EQ(visible, 0);
    int enabled = -1;
    GetCursorAttribute(panelScope, SCOPE_TIMEGRAPH, 1, ATTR_CURSOR_ENABLED, &enabled);
    EXPECT_EQ(enabled, 0);
    GetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 1, &x, &y);
    EXPECT_DOUBLE_EQ(x, 0.0);
}

TEST_F(ViewTest, ZoomAreaOffLeavesAMeasurementCursorThatIsOn)
{
    MakeRamp(1, 1000);
    Scroll_Thumb_Size = 100;
    ScopeZoomCursor(panelScope, 0, EVENT_COMMIT, Data(1), 0, 0);
    Cursor1 = 1;
    SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 1, 40.0, 0.0);
    ScopeZoomCursor(panelScope, 0, EVENT_COMMIT, Data(2), 0, 0);
    int enabled = 0;
    GetCursorAttribute(panelScope, SCOPE_TIMEGRAPH, 1, ATTR_CURSOR_ENABLED, &enabled);
    EXPECT_EQ(enabled, 1);
    double x = 0, y = 0;
    GetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 1, &x, &y);
    EXPECT_DOUBLE_EQ(x, 40.0);
    Cursor1 = 0;
}

TEST_F(ViewTest, ZoomAreaNeverReadsOutsideTheBuffers)
{
    MakeRamp(1, 2048);
    Scroll_Thumb_Size = 100;
    ScopeZoomCursor(panelScope, 0, EVENT_COMMIT, Data(1), 0, 0);
    // Cursors far outside the record: nothing is plotted, nothing is read.
    SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 1, -5000.0, 0.0);
    SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 2, 1.0e7, 0.0);
    ScrollTo(0);
    EXPECT_EQ(NumPlots(SCOPE_ZOOMGRAPH), 0);
    ScopeZoomCursor(panelScope, 0, EVENT_COMMIT, Data(2), 0, 0);
}

TEST_F(ViewTest, ResetPositionLaysOutTheOffsetMarkers)
{
    MakeRamp(2, 1000);
    Scroll_Thumb_Size = 400;
    VerticalOffset[0] = 0.7;
    VerticalOffset[1] = 0.1;
    Scope_Reset_Position(panelScope, SCOPE_RESET_POSITION, EVENT_VAL_CHANGED, nullptr, 0, 0);
    EXPECT_DOUBLE_EQ(VerticalOffset[0], 0.7); // only a commit acts
    Scope_Reset_Position(panelScope, SCOPE_RESET_POSITION, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_DOUBLE_EQ(VerticalOffset[0], 2.0);
    EXPECT_DOUBLE_EQ(VerticalOffset[1], -2.0);
    double x = -1, y = 0;
    GetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 4, &x, &y);
    EXPECT_DOUBLE_EQ(x, 200.0);
    EXPECT_DOUBLE_EQ(y, -2.0);
    for (int cursor = 5; cursor <= 6; ++cursor) {
        int style = -1;
        GetCursorAttribute(panelScope, SCOPE_TIMEGRAPH, cursor, ATTR_CROSS_HAIR_STYLE, &style);
        EXPECT_EQ(style, VAL_NO_CROSS);
        GetGraphCursor(panelScope, SCOPE_TIMEGRAPH, cursor, &x, &y);
        EXPECT_DOUBLE_EQ(y, -4.0);
    }
}

TEST_F(ViewTest, XAxisLabelsFollowTheWindow)
{
    MakeRamp(1, 1000);
    Scroll_Thumb_Size = 200;
    dTimeStep = 1.0e-5;
    dFreqStep = 0.1;
    ScrollTo(301);
    double time = 0, spectrumOffset = 0;
    GetCtrlAttribute(panelScope, SCOPE_TIMEGRAPH, ATTR_XAXIS_OFFSET, &time);
    GetCtrlAttribute(panelScope, SCOPE_FFTGRAPH, ATTR_XAXIS_OFFSET, &spectrumOffset);
    EXPECT_DOUBLE_EQ(time, 301 * 1.0e-5);
    EXPECT_DOUBLE_EQ(spectrumOffset, 0.1 * 301 / 2.0); // real division
}

} // namespace
