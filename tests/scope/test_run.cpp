// Run control: the toolbar state table, the window kept across starts, the
// advanced panel, the exclusive modes, persistence, trigger line, filter.
#include "test_capture_support.h"

using namespace acqtest;

namespace
{

class RunTest : public AcqTest
{
  protected:
    // "Save", "One Shot", "Continuous Mode", "Stop", "Zoom Area ON".
    static std::vector<int> Toolbar5()
    {
        return {Dimmed(kToolbarSave), Dimmed(kToolbarOneShot), Dimmed(kToolbarContinuous),
                Dimmed(kToolbarStop), Dimmed(kToolbarZoomAreaOn)};
    }
    static void SetAll(int dimmed)
    {
        for (int position :
             {kToolbarSave, kToolbarOneShot, kToolbarContinuous, kToolbarStop, kToolbarZoomAreaOn})
            Toolbar_DimItem(Toolbar, position, dimmed);
    }
    static int MenuDimmed()
    {
        int dimmed = -1;
        GetMenuBarAttribute(Menu_Handle, MENUBAR_INSTRUMENTS_PROBE_CAL, ATTR_DIMMED, &dimmed);
        return dimmed;
    }
    static void AdvancedOk() { onOK_Ad_Scope(panelAd_Scope, AD_SCOPE_OK, EVENT_COMMIT, nullptr, 0, 0); }
};

using V = std::vector<int>;

TEST_F(RunTest, ToolbarStatesOfTheRunTable)
{
    Scope(2048, 100000.0);

    SetAll(1);
    ASSERT_EQ(OneShot(), 0);
    EXPECT_EQ(Toolbar5(), V({1, 1, 0, 0, 0}));
    EXPECT_EQ(TimerEnabled(), 1);
    EXPECT_EQ(Visible(panelScope, SCOPE_IDLE), 0);

    SetAll(0);
    ASSERT_EQ(Continuous(), 0);
    EXPECT_EQ(Toolbar5(), V({1, 0, 1, 0, 0}));
    EXPECT_EQ(MenuDimmed(), 1);

    SetAll(1);
    EXPECT_EQ(StopRun(), 0);
    EXPECT_EQ(Toolbar5(), V({0, 0, 0, 1, 1}));
    EXPECT_EQ(MenuDimmed(), 0);
    EXPECT_EQ(TimerEnabled(), 0);
    EXPECT_EQ(Visible(panelScope, SCOPE_STATUS), 0);

    isFFT_On = 1;
    StopRun();
    EXPECT_EQ(Dimmed(kToolbarSave), 1);
    isFFT_On = 0;

    SetAll(1);
    Streaming(2);
    EXPECT_EQ(Toolbar5(), V({1, 1, 1, 1, 1}));
    SetAll(0);
    Streaming(2);
    EXPECT_EQ(Toolbar5(), V({0, 0, 1, 0, 1}));
    SetAll(0);
    ASSERT_EQ(OneShot(), 0);
    EXPECT_EQ(Toolbar5(), V({0, 1, 0, 0, 1}));
    EXPECT_EQ(Visible(panelScope, SCOPE_STREAMING_LED), 1);

    SetAll(1);
    SetCtrlVal(panelAd_Scope, AD_SCOPE_STREAMING, 0);
    AdvancedOk();
    EXPECT_EQ(Toolbar5(), V({1, 1, 0, 1, 0}));
    EXPECT_EQ(isStreamingRAMOn, 0);
    EXPECT_EQ(Visible(panelScope, SCOPE_STREAMING_MODE), 0);
}

TEST_F(RunTest, StopWhileIdleDisablesTheSharedTimer)
{
    SetCtrlAttribute(panelBench, BENCH_CAPTURE_TIMER, ATTR_ENABLED, 1);
    EXPECT_EQ(StopRun(), 0);
    EXPECT_EQ(isScopeStartOn, 0);
    EXPECT_EQ(isScopeContOn, 0);
    EXPECT_EQ(isScopeStopOn, 1);
    EXPECT_EQ(TimerEnabled(), 0);
    EXPECT_EQ(GoStopCallback(panelScope, 0, EVENT_COMMIT, Data(9), 0, 0), 0);
    EXPECT_EQ(isScopeStopOn, 1);
}

TEST_F(RunTest, SecondOneShotStartsAfreshWithNewBuffers)
{
    Scope(2048, 100000.0);
    ASSERT_EQ(OneShot(), 0);
    Tick();
    EXPECT_NE(vBufferIn[0][25], 0.0);
    ASSERT_EQ(OneShot(), 0);
    EXPECT_EQ(isScopeStartOn, 1);
    EXPECT_EQ(loop, 0);
    EXPECT_EQ(vBufferIn[0][25], 0.0);
}

TEST_F(RunTest, ZoomedWindowSurvivesARestartUnlessTheRecordIsShorter)
{
    Scope(4096, 100000.0);
    Scroll_Thumb_Size = 1024;
    ZoomFactor = 4.0;
    ASSERT_EQ(OneShot(), 0);
    EXPECT_EQ(Scroll_Thumb_Size, 1024);
    EXPECT_DOUBLE_EQ(ZoomFactor, 4.0);
    EXPECT_EQ(Scroll_Min, 0);
    EXPECT_EQ(Scroll_Max, 4096);
    int view = 0;
    ScrollBar_GetAttribute(panelScope, SCOPE_SCROLLBAR, ATTR_SB_MAX, &view);
    EXPECT_EQ(view, 4096);

    Scroll_Thumb_Size = 4096;
    Scope(2048, 100000.0);
    ASSERT_EQ(Continuous(), 0);
    EXPECT_EQ(Scroll_Thumb_Size, 2048);
    EXPECT_DOUBLE_EQ(ZoomFactor, 1.0);
    ScrollBar_GetAttribute(panelScope, SCOPE_SCROLLBAR, ATTR_SB_VIEW_SIZE, &view);
    EXPECT_EQ(view, 2048);
}

TEST_F(RunTest, AdvancedOkWithMultipleRecordClearsThePreSamples)
{
    SetCtrlVal(panelScope, SCOPE_TRIGGER_SOURCE, 0);
    trigger_source = 0;
    pre_iSample = 500;
    SetCtrlVal(panelScope, SCOPE_PRE_SAMPLES, 500);
    SetCtrlVal(panelAd_Scope, AD_SCOPE_MULTIPLE_RECORD, 0);
    AdvancedOk();
    EXPECT_EQ(pre_iSample, 500);
    EXPECT_EQ(CtrlDimmed(panelScope, SCOPE_PRE_SAMPLES), 1);
    SetCtrlVal(panelAd_Scope, AD_SCOPE_MULTIPLE_RECORD, 1);
    AdvancedOk();
    EXPECT_EQ(pre_iSample, 0);
    int box = -1;
    GetCtrlVal(panelScope, SCOPE_PRE_SAMPLES, &box);
    EXPECT_EQ(box, 0);
}

TEST_F(RunTest, AdvancedOkAppliesAveragingAndStreaming)
{
    SetCtrlVal(panelAd_Scope, AD_SCOPE_AUX_BNC, 2);
    Averaging(8);
    EXPECT_EQ(is_AverageON, 1);
    EXPECT_EQ(average_count, 8);
    EXPECT_EQ(Aux_BNC, 2);
    EXPECT_EQ(Visible(panelScope, SCOPE_AVERAGING_LED), 1);

    // Streaming turned on: the spectrum view goes, the zoom area too.
    isFFT_On = 1;
    SetCtrlVal(panelScope, SCOPE_FFT_SWITCH, 1);
    isZoom_On = 1;
    Streaming(4);
    EXPECT_EQ(isStreamingRAMEnabled, 1);
    EXPECT_EQ(is_AverageON, 0);
    EXPECT_EQ(Visible(panelScope, SCOPE_AVERAGING_LED), 0);
    EXPECT_EQ(Visible(panelScope, SCOPE_STREAMING_MODE), 1);
    EXPECT_EQ(isFFT_On, 0);
    EXPECT_EQ(CtrlDimmed(panelScope, SCOPE_FFT_SWITCH), 1);
    EXPECT_EQ(Visible(panelScope, SCOPE_FFTGRAPH), 0);
    EXPECT_EQ(CtrlDimmed(panelScope, SCOPE_FFT_WINDOW), 1);
    EXPECT_EQ(isZoom_On, 0);
    EXPECT_EQ(Visible(panelScope, SCOPE_ZOOMGRAPH), 0);
    double maximum = 0.0;
    GetCtrlAttribute(panelScope, SCOPE_RECORD_LENGTH, ATTR_MAX_VALUE, &maximum);
    EXPECT_EQ(maximum, 16777216.0);

    // And off again: the normal limit holds the record.
    SetCtrlVal(panelScope, SCOPE_RECORD_LENGTH, 16000000);
    SetCtrlVal(panelAd_Scope, AD_SCOPE_STREAMING, 0);
    AdvancedOk();
    int record = 0;
    GetCtrlVal(panelScope, SCOPE_RECORD_LENGTH, &record);
    EXPECT_EQ(record, 1999872);
    EXPECT_EQ(CtrlDimmed(panelScope, SCOPE_FFT_SWITCH), 0);
}

TEST_F(RunTest, SaveDimmedByTheAdvancedOkComesBackAtTheEndOfTheRun)
{
    SetCtrlVal(panelAd_Scope, AD_SCOPE_STREAMING, 0);
    AdvancedOk();
    EXPECT_EQ(Dimmed(kToolbarSave), 1);
    Scope(2048, 100000.0);
    ASSERT_EQ(OneShot(), 0);
    EXPECT_EQ(Dimmed(kToolbarSave), 1);
    Tick();
    EXPECT_EQ(Dimmed(kToolbarSave), 0);
}

TEST_F(RunTest, AveragingAndStreamingBoxesExcludeEachOther)
{
    SetCtrlVal(panelAd_Scope, AD_SCOPE_AVERAGING, 1);
    SetCtrlVal(panelAd_Scope, AD_SCOPE_STREAMING, 1);
    Check_Ad_Mode(panelAd_Scope, AD_SCOPE_STREAMING, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(CtrlDimmed(panelAd_Scope, AD_SCOPE_AVERAGING), 1);
    int averaging = -1;
    GetCtrlVal(panelAd_Scope, AD_SCOPE_AVERAGING, &averaging);
    EXPECT_EQ(averaging, 0);
    SetCtrlVal(panelAd_Scope, AD_SCOPE_STREAMING, 0);
    Check_Ad_Mode(panelAd_Scope, AD_SCOPE_STREAMING, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(CtrlDimmed(panelAd_Scope, AD_SCOPE_AVERAGING), 0);

    SetCtrlVal(panelAd_Scope, AD_SCOPE_AVERAGING, 1);
    Check_Ad_Mode(panelAd_Scope, AD_SCOPE_AVERAGING, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(CtrlDimmed(panelAd_Scope, AD_SCOPE_STREAMING), 1);
    // Other events change nothing.
    SetCtrlVal(panelAd_Scope, AD_SCOPE_AVERAGING, 0);
    Check_Ad_Mode(panelAd_Scope, AD_SCOPE_AVERAGING, EVENT_VAL_CHANGED, nullptr, 0, 0);
    EXPECT_EQ(CtrlDimmed(panelAd_Scope, AD_SCOPE_STREAMING), 1);
}

TEST_F(RunTest, PersistenceKeepsTracesOnTheTimeGraphOnly)
{
    Channels({1});
    ASSERT_EQ(Toolbar_PressItem(Toolbar, kToolbarPersistence), 0);
    EXPECT_EQ(is_PersistanceON, 1);
    int mode = -1, active = -1;
    GetCursorAttribute(panelScope, SCOPE_TIMEGRAPH, 2, ATTR_CURSOR_MODE, &mode);
    EXPECT_EQ(mode, VAL_FREE_FORM);
    GetActiveGraphCursor(panelScope, SCOPE_TIMEGRAPH, &active);
    EXPECT_EQ(active, 1);

    Scope(2048, 100000.0);
    isZoom_On = 1;
    ASSERT_EQ(Continuous(), 0);
    for (int i = 0; i < 3; ++i)
        Tick();
    EXPECT_EQ(NumPlots(SCOPE_TIMEGRAPH), 3);
    EXPECT_EQ(NumPlots(SCOPE_ZOOMGRAPH), 1);

    ASSERT_EQ(Toolbar_PressItem(Toolbar, kToolbarPersistence), 0);
    EXPECT_EQ(is_PersistanceON, 0);
    GetCursorAttribute(panelScope, SCOPE_TIMEGRAPH, 1, ATTR_CURSOR_MODE, &mode);
    EXPECT_EQ(mode, VAL_SNAP_TO_POINT);
    GetActiveGraphCursor(panelScope, SCOPE_TIMEGRAPH, &active);
    EXPECT_EQ(active, 7);
    Tick();
    EXPECT_EQ(NumPlots(SCOPE_TIMEGRAPH), 1);
}

TEST_F(RunTest, TriggerLineToggleParksTheLine)
{
    SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 8, 55.0, 1.0);
    ASSERT_EQ(Toolbar_PressItem(Toolbar, kToolbarTriggerLine), 0);
    EXPECT_EQ(is_TriggerLineON, 1);
    double x = -1.0, y = -1.0;
    GetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 8, &x, &y);
    EXPECT_DOUBLE_EQ(x, 0.0);
    ASSERT_EQ(Toolbar_PressItem(Toolbar, kToolbarTriggerLine), 0);
    EXPECT_EQ(is_TriggerLineON, 0);
}

// The trigger line is told from the measurement cursors and the offset
// markers by its colour, its dash and its "T" tag, and is shown only while
// switched on.
TEST_F(RunTest, TriggerLineLooksUnlikeACursor)
{
    auto attr = [](int cursor, int attribute) {
        int v = -1;
        GetCursorAttribute(panelScope, SCOPE_TIMEGRAPH, cursor, attribute, &v);
        return v;
    };
    ScopeCursorMode(panelScope, 0, EVENT_COMMIT, Data(1), 0, 0); // cursor 1 on
    for (int cursor : {1, 2, 3}) {
        EXPECT_NE(attr(8, ATTR_CURSOR_COLOR), attr(cursor, ATTR_CURSOR_COLOR)) << cursor;
        EXPECT_NE(attr(8, ATTR_CURSOR_LINE_STYLE), attr(cursor, ATTR_CURSOR_LINE_STYLE)) << cursor;
        EXPECT_EQ(attr(cursor, ATTR_CURSOR_MARKER), 0) << cursor;
    }
    EXPECT_EQ(attr(8, ATTR_CURSOR_LINE_STYLE), VAL_DASH);
    EXPECT_EQ(attr(8, ATTR_CURSOR_MARKER), 'T');
    EXPECT_EQ(attr(8, ATTR_CROSS_HAIR_STYLE), VAL_VERTICAL_LINE);
    EXPECT_EQ(attr(8, ATTR_CURSOR_ENABLED), 0);
    ASSERT_EQ(Toolbar_PressItem(Toolbar, kToolbarTriggerLine), 0);
    EXPECT_EQ(attr(8, ATTR_CURSOR_ENABLED), 1);
    ASSERT_EQ(Toolbar_PressItem(Toolbar, kToolbarTriggerLine), 0);
    EXPECT_EQ(attr(8, ATTR_CURSOR_ENABLED), 0);
    ScopeCursorMode(panelScope, 0, EVENT_COMMIT, Data(1), 0, 0);
}

TEST_F(RunTest, FilterPanelCloseCopiesTheSwitch)
{
    DisplayMenuFilter(Menu_Handle, MENUBAR_SETTINGS_FILTER, nullptr, panelBench);
    int shown = -1;
    GetPanelAttribute(panelFilter, ATTR_VISIBLE, &shown);
    EXPECT_EQ(shown, 1);
    SetCtrlVal(panelFilter, FILTER_ONOFF, 1);
    Close_Filter(panelFilter, FILTER_CLOSE, EVENT_VAL_CHANGED, nullptr, 0, 0);
    EXPECT_EQ(isFilterON, 0);
    Close_Filter(panelFilter, FILTER_CLOSE, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(isFilterON, 1);
    SetCtrlVal(panelFilter, FILTER_TAPS, 5000); // held by the box
    Close_Filter(panelFilter, FILTER_CLOSE, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_LE(Tap, 1024);
}

} // namespace
