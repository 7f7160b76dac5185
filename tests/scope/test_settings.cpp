// Scope settings: channel slots, record and rate limits, pre-samples,
// buffers, live re-apply.
#include "test_capture_support.h"

using namespace acqtest;

namespace
{

using Strings = std::vector<std::string>;
using Ints = std::vector<int>;

class SettingsTest : public AcqTest
{
  protected:
    static double MarkerY(int cursor)
    {
        double x = 0.0, y = 0.0;
        GetGraphCursor(panelScope, SCOPE_TIMEGRAPH, cursor, &x, &y);
        return y;
    }
    static int MarkerStyle(int cursor)
    {
        int style = -1;
        GetCursorAttribute(panelScope, SCOPE_TIMEGRAPH, cursor, ATTR_CROSS_HAIR_STYLE, &style);
        return style;
    }
    static int RecordBox()
    {
        int value = 0;
        GetCtrlVal(panelScope, SCOPE_RECORD_LENGTH, &value);
        return value;
    }
    static int PreBox()
    {
        int value = 0;
        GetCtrlVal(panelScope, SCOPE_PRE_SAMPLES, &value);
        return value;
    }
    static void EditRecord(int value)
    {
        SetCtrlVal(panelScope, SCOPE_RECORD_LENGTH, value);
        Update_Parameter_Scope(panelScope, SCOPE_RECORD_LENGTH, EVENT_VAL_CHANGED, nullptr, 0, 0);
    }
    static void EditPre(int value)
    {
        SetCtrlVal(panelScope, SCOPE_PRE_SAMPLES, value);
        Update_Parameter_Scope(panelScope, SCOPE_PRE_SAMPLES, EVENT_VAL_CHANGED, nullptr, 0, 0);
    }
};

TEST_F(SettingsTest, NoChannelEnabledGivesOneIdleSlot)
{
    Channels({});
    EXPECT_EQ(numChanIn, 1);
    EXPECT_EQ(iChan[0].channel, 0);
    EXPECT_EQ(ChannelColor[0], 0xFFFF00);
    EXPECT_STREQ(ChannelName[0], "CH1");
    EXPECT_EQ(Ain[0], 0);
    EXPECT_EQ(RingLabels(panelScope, SCOPE_VERTICAL_CHANNEL), Strings({"All"}));
    EXPECT_EQ(RingValues(panelScope, SCOPE_VERTICAL_CHANNEL), Ints({0}));
    EXPECT_EQ(RingLabels(panelScope, SCOPE_TRIGGER_SOURCE), Strings({"NONE", "EXT", "NONE"}));
    EXPECT_EQ(RingValues(panelScope, SCOPE_TRIGGER_SOURCE), Ints({0, 50, 100}));
    EXPECT_EQ(RingIndex(panelScope, SCOPE_TRIGGER_SOURCE), 2);
    EXPECT_EQ(RingLabels(panelScope, SCOPE_PARAMETER_CHANNEL), Strings({"CH1"}));
    EXPECT_DOUBLE_EQ(VerticalOffset[0], 0.0);
    EXPECT_DOUBLE_EQ(MarkerY(3), 0.0);
    EXPECT_EQ(MarkerStyle(4), VAL_NO_CROSS);
    EXPECT_DOUBLE_EQ(MarkerY(4), -4.0);

    // Nothing is drawn, but a capture runs safely.
    Scope(2048, 100000.0);
    ASSERT_EQ(OneShot(), 0);
    Tick();
    EXPECT_EQ(NumPlots(SCOPE_TIMEGRAPH), 0);
    EXPECT_EQ(isScopeStartOn, 0);
}

TEST_F(SettingsTest, OneChannelTakesSlotZeroWithItsColourAndName)
{
    Channels({3});
    EXPECT_EQ(numChanIn, 1);
    EXPECT_EQ(iChan[0].channel, 2);
    EXPECT_EQ(ChannelColor[0], 0x00FFFF);
    EXPECT_STREQ(ChannelName[0], "CH3");
    EXPECT_EQ(Ain[0], 1);
    EXPECT_EQ(RingLabels(panelScope, SCOPE_TRIGGER_SOURCE), Strings({"CH3", "EXT", "NONE"}));
    EXPECT_EQ(RingValues(panelScope, SCOPE_TRIGGER_SOURCE), Ints({0, 50, 100}));
    EXPECT_EQ(RingLabels(panelScope, SCOPE_VERTICAL_CHANNEL), Strings({"CH3"}));
    EXPECT_EQ(RingIndex(panelScope, SCOPE_VERTICAL_CHANNEL), 0);
    EXPECT_EQ(MarkerStyle(3), VAL_HORIZONTAL_LINE);
    for (int cursor = 4; cursor <= 6; ++cursor)
        EXPECT_EQ(MarkerStyle(cursor), VAL_NO_CROSS) << cursor;
}

TEST_F(SettingsTest, TwoChannelsInAscendingOrderWithMarkersAtPlusMinusTwo)
{
    Channels({4, 2});
    EXPECT_EQ(numChanIn, 2);
    EXPECT_EQ(iChan[0].channel, 1);
    EXPECT_EQ(iChan[1].channel, 3);
    EXPECT_EQ(ChannelColor[0], 0x00FF00);
    EXPECT_EQ(ChannelColor[1], 0xFF00FF);
    EXPECT_STREQ(ChannelName[1], "CH4");
    EXPECT_EQ(RingLabels(panelScope, SCOPE_VERTICAL_CHANNEL), Strings({"CH2", "CH4", "ALL"}));
    EXPECT_EQ(RingValues(panelScope, SCOPE_VERTICAL_CHANNEL), Ints({0, 1, 4}));
    EXPECT_EQ(RingIndex(panelScope, SCOPE_VERTICAL_CHANNEL), 2);
    EXPECT_EQ(RingLabels(panelScope, SCOPE_TRIGGER_SOURCE), Strings({"CH2", "CH4", "EXT", "NONE"}));
    EXPECT_EQ(RingLabels(panelScope, SCOPE_PARAMETER_CHANNEL), Strings({"CH2", "CH4"}));
    EXPECT_DOUBLE_EQ(VerticalOffset[0], 2.0);
    EXPECT_DOUBLE_EQ(VerticalOffset[1], -2.0);
    EXPECT_DOUBLE_EQ(MarkerY(3), 2.0);
    EXPECT_DOUBLE_EQ(MarkerY(4), -2.0);
    EXPECT_EQ(MarkerStyle(5), VAL_NO_CROSS);
}

TEST_F(SettingsTest, ThreeChannelsAcquireFourSlotsAndDrawThree)
{
    Channels({1, 2, 4});
    EXPECT_EQ(numChanIn, 4);
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(iChan[k].channel, k);
    EXPECT_EQ(Ain[2], 0);
    EXPECT_EQ(RingLabels(panelScope, SCOPE_PARAMETER_CHANNEL), Strings({"CH1", "CH2", "CH3", "CH4"}));
    EXPECT_DOUBLE_EQ(VerticalOffset[3], -3.0);

    Scope(2048, 100000.0);
    ASSERT_EQ(OneShot(), 0);
    Tick();
    EXPECT_EQ(NumPlots(SCOPE_TIMEGRAPH), 3);
    // The disabled channel's slot is not synthesised.
    EXPECT_EQ(vBufferIn[2][100], 0.0);
    EXPECT_NE(vBufferIn[3][100], 0.0);
}

TEST_F(SettingsTest, KeptTriggerSourceStaysSelectedAfterTheRingsAreRebuilt)
{
    trigger_source = 1;
    Select_Channel(panelAin, TAB_AIN_CH1, EVENT_VAL_CHANGED, nullptr, 1, 0);
    int value = -1;
    GetCtrlVal(panelScope, SCOPE_TRIGGER_SOURCE, &value);
    EXPECT_EQ(value, 1);
    Select_Channel(panelAin, TAB_AIN_CH1, EVENT_VAL_CHANGED, nullptr, 0, 0);
    GetCtrlVal(panelScope, SCOPE_TRIGGER_SOURCE, &value);
    EXPECT_EQ(value, 100);
}

TEST_F(SettingsTest, RecordLengthRoundsUpToWholeBlocks)
{
    EditRecord(5000);
    EXPECT_EQ(RequestedSamples, 6144);
    EXPECT_EQ(RecordBox(), 6144);
    EditRecord(2048);
    EXPECT_EQ(RequestedSamples, 2048);
    EditRecord(6145);
    EXPECT_EQ(RequestedSamples, 8192);
    EXPECT_EQ(Scroll_Value, 0);
}

TEST_F(SettingsTest, RecordAndRateLimitsFollowTheChannelCount)
{
    EXPECT_EQ(Scope_RecordLimit(), 1999872);
    Channels({1, 2});
    EXPECT_EQ(Scope_RecordLimit(), 3999744);
    double maxRate = 0.0;
    GetCtrlAttribute(panelScope, SCOPE_SAMPLING_RATE, ATTR_MAX_VALUE, &maxRate);
    EXPECT_DOUBLE_EQ(maxRate, 20000000.0);
    isStreamingRAMEnabled = 1;
    EXPECT_EQ(Scope_RecordLimit(), 33554432);
    isStreamingRAMEnabled = 0;

    // The box keeps the limit of the channel count before the change until
    // the record length is next edited.
    Channels({1});
    EditRecord(7999488);
    EXPECT_EQ(RequestedSamples, 3999744);
    EditRecord(7999488);
    EXPECT_EQ(RequestedSamples, 7999488);
    // Back to four channels: the next start holds the record to their limit.
    Channels({1, 2, 3, 4});
    Scope_SetBufferLimit(1.0); // the sizes are checked, not the memory
    Scope_Setting();
    EXPECT_EQ(RequestedSamples, 1999872);
    EXPECT_EQ(RecordBox(), 1999872);
    testseam::ClearShown();
}

TEST_F(SettingsTest, SamplingRateAboveTheNewLimitIsHeldToIt)
{
    Channels({1});
    SetCtrlVal(panelScope, SCOPE_SAMPLING_RATE, 40000000.0);
    Channels({1, 2, 3, 4});
    EXPECT_DOUBLE_EQ(iClockRate, 10000000.0);
    double rate = 0.0;
    GetCtrlVal(panelScope, SCOPE_SAMPLING_RATE, &rate);
    EXPECT_DOUBLE_EQ(rate, 10000000.0);
}

TEST_F(SettingsTest, PreSamplesStayInsideTheRecord)
{
    EditRecord(8192);
    EditPre(5000);
    EXPECT_EQ(pre_iSample, 5000);
    EditRecord(4096);
    EXPECT_EQ(pre_iSample, 2048);
    EXPECT_EQ(PreBox(), 2048);
    EditPre(3000);
    EditRecord(4096);
    EXPECT_EQ(pre_iSample, 3000);
    EditPre(4096);
    EXPECT_EQ(pre_iSample, 4095);
    EXPECT_EQ(PreBox(), 4095);
}

TEST_F(SettingsTest, TriggerSourceDimsPreSamplesAndMultipleRecordOffEnablesThem)
{
    SetCtrlAttribute(panelScope, SCOPE_PRE_SAMPLES, ATTR_DIMMED, 0);
    SetCtrlVal(panelScope, SCOPE_TRIGGER_SOURCE, 0);
    Update_Parameter_Scope(panelScope, SCOPE_TRIGGER_SOURCE, EVENT_VAL_CHANGED, nullptr, 0, 0);
    EXPECT_EQ(trigger_source, 0);
    EXPECT_EQ(CtrlDimmed(panelScope, SCOPE_PRE_SAMPLES), 1);

    SetCtrlVal(panelAd_Scope, AD_SCOPE_MULTIPLE_RECORD, 0);
    Update_Parameter_Scope(panelAd_Scope, AD_SCOPE_MULTIPLE_RECORD, EVENT_VAL_CHANGED, nullptr, 0, 0);
    EXPECT_EQ(isMultipleRecord, 0);
    EXPECT_EQ(CtrlDimmed(panelScope, SCOPE_PRE_SAMPLES), 0);

    SetCtrlVal(panelScope, SCOPE_PRE_SAMPLES, 100);
    SetCtrlVal(panelAd_Scope, AD_SCOPE_MULTIPLE_RECORD, 1);
    Update_Parameter_Scope(panelAd_Scope, AD_SCOPE_MULTIPLE_RECORD, EVENT_VAL_CHANGED, nullptr, 0, 0);
    EXPECT_EQ(CtrlDimmed(panelScope, SCOPE_PRE_SAMPLES), 1);
    EXPECT_EQ(pre_iSample, 0);
    EXPECT_EQ(PreBox(), 0);
}

TEST_F(SettingsTest, VerticalGainBeforeTheFirstRecordDrawsNothing)
{
    SetCtrlVal(panelScope, SCOPE_VERTICAL_GAIN, 2.5);
    Update_Parameter_Scope(panelScope, SCOPE_VERTICAL_GAIN, EVENT_VAL_CHANGED, nullptr, 0, 0);
    for (double scale : VerticalScale)
        EXPECT_DOUBLE_EQ(scale, 2.5);
    EXPECT_EQ(NumPlots(SCOPE_TIMEGRAPH), 0);

    // After a record, the gain of one slot redraws with it.
    Scope(2048, 100000.0);
    ASSERT_EQ(OneShot(), 0);
    Tick();
    SetCtrlVal(panelScope, SCOPE_VERTICAL_CHANNEL, 1);
    Update_Parameter_Scope(panelScope, SCOPE_VERTICAL_CHANNEL, EVENT_VAL_CHANGED, nullptr, 0, 0);
    SetCtrlVal(panelScope, SCOPE_VERTICAL_GAIN, 0.5);
    Update_Parameter_Scope(panelScope, SCOPE_VERTICAL_GAIN, EVENT_VAL_CHANGED, nullptr, 0, 0);
    EXPECT_DOUBLE_EQ(VerticalScale[0], 2.5);
    EXPECT_DOUBLE_EQ(VerticalScale[1], 0.5);
    EXPECT_EQ(NumPlots(SCOPE_TIMEGRAPH), 4);
    const std::vector<double> values = PlotValues(SCOPE_TIMEGRAPH, plot[1]);
    ASSERT_EQ(values.size(), 2048u);
    EXPECT_NEAR(values[25], 0.5 * vBufferIn[1][25] + VerticalOffset[1], 1e-12);
}

TEST_F(SettingsTest, BuffersHoldThePreTriggerPositionsAndTheMargin)
{
    Scope(4096, 100000.0, 0, 1, 1000);
    ASSERT_EQ(Scope_Setting(), 0);
    EXPECT_EQ(iSamples, 4096 + 16384);
    EXPECT_EQ(iScanCount, iSamples * 4);
    EXPECT_DOUBLE_EQ(dTimeStep, 1e-5);
    for (int k = 0; k < 4; ++k) {
        ASSERT_NE(vBufferIn[k], nullptr);
        ASSERT_NE(vAverage[k], nullptr);
        ASSERT_NE(vAverageSave[k], nullptr);
        ASSERT_NE(spectrum[k], nullptr);
        EXPECT_EQ(vAverage[k][-1000], 0.0);
        EXPECT_EQ(vAverage[k][iSamples - 1], 0.0);
    }
    EXPECT_TRUE(Scope_BufferHolds(-1000, 1000 + iSamples));
    EXPECT_FALSE(Scope_BufferHolds(-1001, 10));
    EXPECT_FALSE(Scope_BufferHolds(0, iSamples + 1));
    // The raw words have the same margin in front.
    BufferIn[-1000] = 1;
    BufferIn[iScanCount - 1] = 1;
}

TEST_F(SettingsTest, StreamingBuffersHoldOnlyTheDecimatedRecord)
{
    Scope(8192, 1000000.0);
    Streaming(4);
    ASSERT_EQ(Scope_Setting(), 0);
    EXPECT_EQ(iSamples, 8192);
    EXPECT_DOUBLE_EQ(dTimeStep, 4e-6);
    EXPECT_TRUE(Scope_BufferHolds(0, 2048));
    EXPECT_FALSE(Scope_BufferHolds(0, 2049));
    EXPECT_EQ(vAverage[0], nullptr);
}

TEST_F(SettingsTest, BuffersThatCannotBeAllocatedStopTheStartWithAMessage)
{
    Scope(1999872, 10000000.0);
    Scope_SetBufferLimit(1.0e6);
    EXPECT_EQ(OneShot(), -1);
    EXPECT_EQ(isScopeStartOn, 0);
    EXPECT_EQ(vBufferIn[0], nullptr);
    ASSERT_EQ(Popups().size(), 1u);
    EXPECT_EQ(Popups()[0].rfind("Error|Not enough memory", 0), 0u) << Popups()[0];
    // A tick finds nothing to capture into and does nothing.
    Tick();
    EXPECT_EQ(NumPlots(SCOPE_TIMEGRAPH), 0);

    // A continuous run whose re-apply fails ends with the message.
    Scope_SetBufferLimit(0.0);
    Scope(2048, 100000.0);
    ASSERT_EQ(Continuous(), 0);
    Scope_SetBufferLimit(1.0e3);
    SetCtrlVal(panelScope, SCOPE_RECORD_LENGTH, 4096);
    Update_Parameter_Scope(panelScope, SCOPE_RECORD_LENGTH, EVENT_VAL_CHANGED, nullptr, 0, 0);
    EXPECT_EQ(isScopeStartOn, 0);
    EXPECT_EQ(isScopeContOn, 0);
    EXPECT_EQ(TimerEnabled(), 0);
    Tick();
    EXPECT_EQ(Popups().size(), 2u);
}

TEST_F(SettingsTest, LiveReapplyDuringAContinuousRun)
{
    Scope(2048, 100000.0);
    ASSERT_EQ(Continuous(), 0);
    Tick();
    EXPECT_EQ(Scroll_Thumb_Size, 2048);
    SetCtrlVal(panelScope, SCOPE_RECORD_LENGTH, 8192);
    Update_Parameter_Scope(panelScope, SCOPE_RECORD_LENGTH, EVENT_VAL_CHANGED, nullptr, 0, 0);
    EXPECT_EQ(isScopeContOn, 1);
    EXPECT_EQ(iSamples, 8192 + 16384);
    EXPECT_EQ(Scroll_Max, 8192);
    EXPECT_EQ(Scroll_Thumb_Size, 8192); // the whole record's window follows it
    // A part of the record that still fits is kept.
    Scroll_Value = 1000;
    Scroll_Thumb_Size = 2048;
    SetCtrlVal(panelScope, SCOPE_RECORD_LENGTH, 16384);
    Update_Parameter_Scope(panelScope, SCOPE_RECORD_LENGTH, EVENT_VAL_CHANGED, nullptr, 0, 0);
    EXPECT_EQ(Scroll_Value, 1000);
    EXPECT_EQ(Scroll_Thumb_Size, 2048);
    Tick();
    EXPECT_EQ(isScopeStartOn, 1);
    EXPECT_EQ(PlotValues(SCOPE_TIMEGRAPH, plot[0]).size(), 2048u);

    // Shorter than the window: the window becomes the record.
    Scroll_Thumb_Size = 8192;
    SetCtrlVal(panelScope, SCOPE_RECORD_LENGTH, 4096);
    Update_Parameter_Scope(panelScope, SCOPE_RECORD_LENGTH, EVENT_VAL_CHANGED, nullptr, 0, 0);
    EXPECT_EQ(Scroll_Thumb_Size, 4096);
    EXPECT_DOUBLE_EQ(ZoomFactor, 1.0);
    Tick();
    EXPECT_EQ(PlotValues(SCOPE_TIMEGRAPH, plot[0]).size(), 4096u);
}

// After a record length change the view shows the whole new record when it
// showed the whole old one or when its part no longer fits; a part that
// fits is kept, and the zoom steps go on from it.
TEST_F(SettingsTest, RecordLengthChangeKeepsTheWindowOrFitsTheRecord)
{
    Channels({1});
    SetCtrlAttribute(panelScope, SCOPE_RECORD_LENGTH, ATTR_MAX_VALUE, 7999488);
    Scope(8192, 100000.0);
    ASSERT_EQ(OneShot(), 0);
    Tick();
    ASSERT_EQ(Scroll_Thumb_Size, 8192);
    auto bar = [](int attribute) {
        int v = -1;
        ScrollBar_GetAttribute(panelScope, SCOPE_SCROLLBAR, attribute, &v);
        return v;
    };
    for (int n : {7999488, 2048}) {
        EditRecord(n);
        ASSERT_EQ(RequestedSamples, n);
        EXPECT_EQ(Scroll_Value, 0) << n;
        EXPECT_EQ(Scroll_Thumb_Size, n) << n;
        EXPECT_DOUBLE_EQ(ZoomFactor, 1.0) << n;
        EXPECT_EQ(bar(ATTR_SB_VIEW_SIZE), n) << n;
        EXPECT_EQ(bar(ATTR_SB_MAX), n) << n;
        EXPECT_EQ(bar(ATTR_SB_VALUE), 0) << n;
    }
    ASSERT_EQ(OneShot(), 0);
    Tick();
    EXPECT_EQ(PlotValues(SCOPE_TIMEGRAPH, plot[0]).size(), 2048u);

    Scroll_Value = 1000;
    Scroll_Thumb_Size = 1000;
    EditRecord(7999488);
    EXPECT_EQ(Scroll_Value, 1000);
    EXPECT_EQ(Scroll_Thumb_Size, 1000);
    EXPECT_EQ(bar(ATTR_SB_VALUE), 1000);
    EXPECT_EQ(bar(ATTR_SB_VIEW_SIZE), 1000);
    EXPECT_NEAR(ZoomFactor, 7999.488, 1e-9);
    EditRecord(2048); // 1000 .. 1999 fits
    EXPECT_EQ(Scroll_Value, 1000);
    EXPECT_EQ(Scroll_Thumb_Size, 1000);
    Scroll_Value = 1500;
    EditRecord(7999488);
    EditRecord(2048); // 1500 .. 2499 does not
    EXPECT_EQ(Scroll_Value, 0);
    EXPECT_EQ(Scroll_Thumb_Size, 2048);
    EXPECT_DOUBLE_EQ(ZoomFactor, 1.0);
}

TEST_F(SettingsTest, RecordEditedDuringASingleShotIsAppliedBeforeTheNextTick)
{
    Scope(2048, 100000.0);
    Averaging(2);
    ASSERT_EQ(OneShot(), 0);
    Tick();
    // Larger record and pre-samples than the buffers hold.
    SetCtrlVal(panelScope, SCOPE_RECORD_LENGTH, 65536);
    Update_Parameter_Scope(panelScope, SCOPE_RECORD_LENGTH, EVENT_VAL_CHANGED, nullptr, 0, 0);
    pre_iSample = 30000;
    Tick();
    Tick();
    Tick();
    EXPECT_EQ(iSamples, 65536 + 16384);
    EXPECT_TRUE(Scope_BufferHolds(-30000, 30000 + iSamples));
    EXPECT_EQ(isScopeStartOn, 0);
}

} // namespace
