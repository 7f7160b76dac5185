// Scope settings: channel slots, record and sampling-rate limits, the
// settings application run at every start, and the callbacks of the scope
// panel's settings controls.
#include <cmath>
#include <cstring>

#include "scope/scope.h"

namespace
{

const int kChannelColors[4] = {0xFFFF00, 0x00FF00, 0x00FFFF, 0xFF00FF};
const char *const kChannelNames[4] = {"CH1", "CH2", "CH3", "CH4"};

int PhysicalChannel(int slot)
{
    const int ch = iChan[slot].channel;
    return ch >= 0 && ch <= 3 ? ch : 0;
}

int RecordLimitFor(int channels)
{
    const int count = channels >= 1 ? channels : 1;
    return (isStreamingRAMEnabled ? kStreamingRecordLimit : kNormalRecordLimit) / count;
}

// Sampling-rate limit of the current channel count: the box's maximum, and
// the rate itself held to it.
void ApplyClockLimit(void)
{
    const double limit = kMaxClockRate / (numChanIn >= 1 ? numChanIn : 1);
    SetCtrlAttribute(panelScope, SCOPE_SAMPLING_RATE, ATTR_MAX_VALUE, limit);
    GetCtrlVal(panelScope, SCOPE_SAMPLING_RATE, &iClockRate);
    ProcessDrawEvents();
    if (iClockRate > limit) {
        iClockRate = limit;
        SetCtrlVal(panelScope, SCOPE_SAMPLING_RATE, limit);
    }
}

void StoreVerticalGain(void)
{
    double gain = 1.0;
    int selection = kVerticalAll;
    GetCtrlVal(panelScope, SCOPE_VERTICAL_GAIN, &gain);
    GetCtrlVal(panelScope, SCOPE_VERTICAL_CHANNEL, &selection);
    if (selection == kVerticalAll) {
        for (double &scale : VerticalScale)
            scale = gain;
    } else if (selection >= 0 && selection < 4) {
        VerticalScale[selection] = gain;
    }
}

// Settings re-applied while a continuous capture runs, so the next record
// uses them.  fromRecordOrChannels: the record length or the channel set
// changed, so the scroll range follows the record.
void LiveReapply(bool fromRecordOrChannels)
{
    if (!isScopeContOn)
        return;
    isScopeContOn = 0;
    if (Scope_Setting() < 0) {
        // No buffers for the new settings: the run cannot go on.
        Scope_HaltAcquisition();
        Scope_EndRun();
        return;
    }
    if (fromRecordOrChannels)
        Scope_SetScrollRange(RequestedSamples);
    isScopeContOn = 1;
    if (is_AverageON) {
        for (short &count : count_acq)
            count = 0;
    }
    SetCtrlVal(panelScope, SCOPE_STATUS, "Armed");
}

void RebuildRing(int control, const char *const *labels, const int *values, int count)
{
    ClearListCtrl(panelScope, control);
    for (int i = 0; i < count; ++i)
        InsertListItem(panelScope, control, -1, labels[i], values[i]);
}

// The vertical-channel, trigger-source and parameter-channel rings for the
// slots just built, each with its own label of slot 0 (they differ only when
// no channel is enabled).
void RebuildChannelRings(const char *const vertical0, const char *const trigger0,
                         const char *const parameter0, const char *const labels[4], int keepTriggerSource)
{
    const char *items[6];
    int values[6];
    const int slots = numChanIn;

    int n = 0;
    for (int k = 0; k < slots; ++k, ++n) {
        items[n] = k == 0 ? vertical0 : labels[k];
        values[n] = k;
    }
    if (slots > 1) {
        items[n] = "ALL";
        values[n++] = kVerticalAll;
    }
    RebuildRing(SCOPE_VERTICAL_CHANNEL, items, values, n);
    SetCtrlIndex(panelScope, SCOPE_VERTICAL_CHANNEL, slots > 1 ? n - 1 : 0);

    n = 0;
    for (int k = 0; k < slots; ++k, ++n) {
        items[n] = k == 0 ? trigger0 : labels[k];
        values[n] = k;
    }
    items[n] = "EXT";
    values[n++] = kTriggerExt;
    items[n] = "NONE";
    values[n++] = kTriggerNone;
    RebuildRing(SCOPE_TRIGGER_SOURCE, items, values, n);
    // Kept source (setup loader): select it again in the new list; a source
    // the new list does not offer falls back to "NONE".
    int index = -1;
    if (keepTriggerSource && trigger_source != kTriggerNone)
        GetIndexFromValue(panelScope, SCOPE_TRIGGER_SOURCE, &index, trigger_source);
    SetCtrlIndex(panelScope, SCOPE_TRIGGER_SOURCE, index >= 0 ? index : n - 1);
    GetCtrlVal(panelScope, SCOPE_TRIGGER_SOURCE, &trigger_source);

    n = 0;
    for (int k = 0; k < slots; ++k, ++n) {
        items[n] = k == 0 ? parameter0 : labels[k];
        values[n] = k;
    }
    RebuildRing(SCOPE_PARAMETER_CHANNEL, items, values, n);
    // The measured slot must be one that is acquired.
    if (is_Parameter < 0 || is_Parameter >= slots)
        is_Parameter = 0;
    SetCtrlIndex(panelScope, SCOPE_PARAMETER_CHANNEL, is_Parameter);
}

// An offset marker in use is a horizontal line; one not in use has no
// cross-hair and cannot be dragged.
void PlaceMarker(int cursor, double x, double y, bool inUse)
{
    SetCursorAttribute(panelScope, SCOPE_TIMEGRAPH, cursor, ATTR_CROSS_HAIR_STYLE,
                       inUse ? VAL_HORIZONTAL_LINE : VAL_NO_CROSS);
    SetCursorAttribute(panelScope, SCOPE_TIMEGRAPH, cursor, ATTR_CURSOR_ENABLED, inUse ? 1 : 0);
    SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, cursor, x, y);
}

} // namespace

int Scope_RecordLimit(void)
{
    return RecordLimitFor(numChanIn);
}

void Scope_LayoutOffsetMarkers(void)
{
    static const double kLayout1[4] = {0.0, 0.0, 0.0, 0.0};
    static const double kLayout2[4] = {2.0, -2.0, 0.0, 0.0};
    static const double kLayout4[4] = {3.0, 1.0, -1.0, -3.0};
    const double *layout = nullptr;
    switch (numChanIn) {
    case 1:
        layout = kLayout1;
        break;
    case 2:
        layout = kLayout2;
        break;
    case 4:
        layout = kLayout4;
        break;
    default:
        return;
    }
    const double middle = Scroll_Thumb_Size / 2;
    for (int k = 0; k < 4; ++k) {
        if (k < numChanIn) {
            VerticalOffset[k] = layout[k];
            PlaceMarker(3 + k, middle, layout[k], true);
        } else {
            PlaceMarker(3 + k, 0.0, -4.0, false);
        }
    }
}

void Scope_SetScrollRange(int maximum)
{
    if (maximum < 1)
        maximum = 1;
    // Keep the bar's position valid while its range changes.
    if (Scroll_Value > maximum)
        Scroll_Value = 0;
    ScrollBar_SetAttribute(panelScope, SCOPE_SCROLLBAR, ATTR_SB_VALUE, 0);
    Scroll_Min = 0;
    Scroll_Max = maximum;
    ScrollBar_SetAttribute(panelScope, SCOPE_SCROLLBAR, ATTR_SB_MIN, Scroll_Min);
    ScrollBar_SetAttribute(panelScope, SCOPE_SCROLLBAR, ATTR_SB_MAX, Scroll_Max);
    if (Scroll_Thumb_Size <= 0 || Scroll_Thumb_Size > maximum) {
        ZoomFactor = 1.0;
        Scroll_Thumb_Size = maximum;
        Scroll_Value = 0;
        ScrollBar_SetAttribute(panelScope, SCOPE_SCROLLBAR, ATTR_SB_VIEW_SIZE, Scroll_Thumb_Size);
    }
    if (Scroll_Value < 0)
        Scroll_Value = 0;
    if (Scroll_Value + Scroll_Thumb_Size > maximum)
        Scroll_Value = maximum - Scroll_Thumb_Size;
    ScrollBar_SetAttribute(panelScope, SCOPE_SCROLLBAR, ATTR_SB_VALUE, Scroll_Value);
}

int Scope_Setting(void)
{
    GetCtrlVal(panelScope, SCOPE_DEVICE, &device);
    GetCtrlVal(panelScope, SCOPE_RECORD_LENGTH, &RequestedSamples);
    GetCtrlVal(panelScope, SCOPE_SAMPLING_RATE, &iClockRate);
    GetCtrlVal(panelScope, SCOPE_TRIGGER_SOURCE, &trigger_source);
    GetCtrlVal(panelScope, SCOPE_TRIGGER_SLOPE, &trigger_slope);
    GetCtrlVal(panelScope, SCOPE_TRIGGER_LEVEL, &trigger_level);

    for (int k = 0; k < 4; ++k) {
        const int ch = PhysicalChannel(k);
        GetCtrlVal(panelRange, kRangeRings[ch], &iChan[k].range);
        GetCtrlVal(panelMode, kModeRings[ch], &iChan[k].mode);
        GetCtrlVal(panelCoupling, kCouplingRings[ch], &iChan[k].coupling);
    }

    GetCtrlVal(panelScope, SCOPE_PARAMETER_CHANNEL, &is_Parameter);
    GetCtrlVal(panelAd_Scope, AD_SCOPE_MULTIPLE_RECORD, &isMultipleRecord);
    GetCtrlVal(panelFilter, FILTER_ONOFF, &isFilterON);
    StoreVerticalGain();
    if (is_Parameter < 0 || is_Parameter >= numChanIn)
        is_Parameter = 0;

    for (int k = 0; k < numChanIn && k < 4; ++k) {
        iChannel[k] = PhysicalChannel(k);
        iRange[k] = iChan[k].range;
    }

    const int limit = Scope_RecordLimit();
    SetCtrlAttribute(panelScope, SCOPE_RECORD_LENGTH, ATTR_MAX_VALUE, limit);
    if (RequestedSamples > limit) {
        RequestedSamples = limit;
        SetCtrlVal(panelScope, SCOPE_RECORD_LENGTH, limit);
    }
    if (RequestedSamples < 1)
        RequestedSamples = 1;
    // A pre-trigger count from a setup file is held inside the record.
    if (pre_iSample < 0)
        pre_iSample = 0;
    if (pre_iSample >= RequestedSamples)
        pre_iSample = RequestedSamples - 1;

    // A rate of zero would make the time step run away.
    const double clockLimit = kMaxClockRate / (numChanIn >= 1 ? numChanIn : 1);
    if (!(iClockRate >= kMinClockRate))
        iClockRate = kMinClockRate;
    if (iClockRate > clockLimit)
        iClockRate = clockLimit;

    if (isStreamingRAMEnabled) {
        GetCtrlVal(panelAd_Scope, AD_SCOPE_DECIMATION, &decimation_factor);
        if (decimation_factor < 1)
            decimation_factor = 1;
        iSamples = RequestedSamples;
        dTimeStep = decimation_factor / iClockRate;
    } else {
        iSamples = RequestedSamples + kPostTriggerMargin;
        dTimeStep = 1.0 / iClockRate;
    }
    iScanCount = iSamples * numChanIn;
    SetCtrlAttribute(panelScope, SCOPE_TIMEGRAPH, ATTR_XAXIS_GAIN, dTimeStep);
    SetCtrlAttribute(panelScope, SCOPE_ZOOMGRAPH, ATTR_XAXIS_GAIN, dTimeStep);

    const int status = Scope_AllocateBuffers();

    if (trigger_source == kTriggerNone) {
        SetCtrlAttribute(panelScope, SCOPE_STATUS, ATTR_VISIBLE, 0);
    } else {
        SetCtrlVal(panelScope, SCOPE_STATUS, "Armed");
        SetCtrlAttribute(panelScope, SCOPE_STATUS, ATTR_VISIBLE, 1);
    }
    return status < 0 ? -1 : 0;
}

int Select_Channel(int, int, int event, void *, int eventData1, int)
{
    if (event != EVENT_VAL_CHANGED)
        return 0;

    for (int k = 0; k < 4; ++k)
        GetCtrlVal(panelAin, kEnableBoxes[k], &Ain[k]);
    GetCtrlVal(panelScope, SCOPE_RECORD_LENGTH, &RequestedSamples);
    GetCtrlVal(panelScope, SCOPE_PARAMETER_CHANNEL, &is_Parameter);

    // The limit of the channel count in force before this change.
    const int oldLimit = RecordLimitFor(numChanIn);
    if (RequestedSamples > oldLimit)
        SetCtrlVal(panelScope, SCOPE_RECORD_LENGTH, oldLimit);
    SetCtrlAttribute(panelScope, SCOPE_RECORD_LENGTH, ATTR_MAX_VALUE, oldLimit);

    int enabled[4];
    int m = 0;
    for (int k = 0; k < 4; ++k) {
        if (Ain[k])
            enabled[m++] = k;
    }

    const char *labels[4] = {"CH1", "CH2", "CH3", "CH4"};
    if (m == 0) {
        numChanIn = 1;
        iChan[0].channel = 0;
        Ain[0] = 0;
    } else if (m == 1) {
        numChanIn = 1;
        iChan[0].channel = static_cast<short>(enabled[0]);
        Ain[0] = 1;
    } else if (m == 2) {
        numChanIn = 2;
        iChan[0].channel = static_cast<short>(enabled[0]);
        iChan[1].channel = static_cast<short>(enabled[1]);
        Ain[0] = Ain[1] = 1;
    } else {
        numChanIn = 4;
        for (int k = 0; k < 4; ++k)
            iChan[k].channel = static_cast<short>(k);
    }
    for (int k = 0; k < numChanIn; ++k) {
        const int ch = PhysicalChannel(k);
        ChannelColor[k] = kChannelColors[ch];
        std::strcpy(ChannelName[k], kChannelNames[ch]);
        labels[k] = kChannelNames[ch];
    }

    if (m == 0)
        RebuildChannelRings("All", "NONE", "CH1", labels, eventData1);
    else
        RebuildChannelRings(labels[0], labels[0], labels[0], labels, eventData1);

    Scope_LayoutOffsetMarkers();
    ApplyClockLimit();
    LiveReapply(true);
    RefreshGraph(panelScope, SCOPE_TIMEGRAPH);
    return 0;
}

int Update_Parameter_Scope(int panel, int control, int event, void *, int, int)
{
    if (event != EVENT_VAL_CHANGED)
        return 0;
    const bool onScope = panel == panelScope;
    const bool onAdvanced = panel == panelAd_Scope;

    const int previousLength = RequestedSamples;
    GetCtrlVal(panelScope, SCOPE_RECORD_LENGTH, &RequestedSamples);
    GetCtrlVal(panelScope, SCOPE_PARAMETER_CHANNEL, &is_Parameter);
    GetCtrlVal(panelScope, SCOPE_PRE_SAMPLES, &pre_iSample);

    if (onScope && control == SCOPE_RECORD_LENGTH) {
        const double r = std::fmod(static_cast<double>(RequestedSamples), 2048.0);
        if (r > 0.0)
            RequestedSamples = static_cast<int>(RequestedSamples - r + 2048.0);
        const int limit = Scope_RecordLimit();
        SetCtrlAttribute(panelScope, SCOPE_RECORD_LENGTH, ATTR_MAX_VALUE, limit);
        if (RequestedSamples > limit)
            RequestedSamples = limit;
        SetCtrlVal(panelScope, SCOPE_RECORD_LENGTH, RequestedSamples);
        Scope_WindowForRecordLength(previousLength);
        if (pre_iSample >= RequestedSamples) {
            pre_iSample = RequestedSamples / 2;
            SetCtrlVal(panelScope, SCOPE_PRE_SAMPLES, pre_iSample);
        }
        ProcessDrawEvents();
    }

    ApplyClockLimit();

    if (onScope && control == SCOPE_VERTICAL_CHANNEL) {
        int selection = kVerticalAll;
        GetCtrlVal(panelScope, SCOPE_VERTICAL_CHANNEL, &selection);
        const int slot = selection >= 0 && selection < 4 ? selection : 0;
        SetCtrlVal(panelScope, SCOPE_VERTICAL_GAIN, VerticalScale[slot]);
    }

    if (onScope && control == SCOPE_TRIGGER_SOURCE) {
        GetCtrlVal(panelScope, SCOPE_TRIGGER_SOURCE, &trigger_source);
        SetCtrlAttribute(panelScope, SCOPE_PRE_SAMPLES, ATTR_DIMMED, 1);
    }

    if (onScope && control == SCOPE_PRE_SAMPLES && pre_iSample >= RequestedSamples) {
        pre_iSample = RequestedSamples - 1;
        SetCtrlVal(panelScope, SCOPE_PRE_SAMPLES, pre_iSample);
    }

    if (onScope && control == SCOPE_VERTICAL_GAIN) {
        StoreVerticalGain();
        SetCtrlAttribute(panelScope, SCOPE_TIMEGRAPH, ATTR_XAXIS_OFFSET, dTimeStep * Scroll_Value);
        DeleteGraphPlot(panelScope, SCOPE_TIMEGRAPH, -1, VAL_DELAYED_DRAW);
        const int base = isStreamingRAMOn ? 0 : iOffset;
        for (int k = 0; k < numChanIn && k < 4; ++k) {
            if (Ain[k])
                Scope_PlotRecord(k, base);
        }
    }

    if (onAdvanced && control == AD_SCOPE_MULTIPLE_RECORD) {
        GetCtrlVal(panelAd_Scope, AD_SCOPE_MULTIPLE_RECORD, &isMultipleRecord);
        if (isMultipleRecord || trigger_source == kTriggerNone) {
            SetCtrlAttribute(panelScope, SCOPE_PRE_SAMPLES, ATTR_DIMMED, 1);
            pre_iSample = 0;
            SetCtrlVal(panelScope, SCOPE_PRE_SAMPLES, 0);
        } else {
            SetCtrlAttribute(panelScope, SCOPE_PRE_SAMPLES, ATTR_DIMMED, 0);
        }
    }

    LiveReapply(onScope && control == SCOPE_RECORD_LENGTH);

    RefreshGraph(panelScope, SCOPE_TIMEGRAPH);
    SetActiveCtrl(panelScope, SCOPE_DEVICE);
    return 0;
}

int Select_Scope_Device(int panel, int control, int event, void *, int, int)
{
    if (event != EVENT_COMMIT)
        return 0;
    GetCtrlVal(panel, control, &device);
    Select_Device(device);
    if (isScopeContOn) {
        isScopeContOn = 0;
        if (Scope_Setting() < 0) {
            Scope_HaltAcquisition();
            Scope_EndRun();
        }
    }
    return 0;
}

int Close_Scope(int panel, int, int event, void *, int, int)
{
    if (event == EVENT_COMMIT)
        HidePanel(panel);
    return 0;
}

void Display_Oscilloscope(int, int, void *, int)
{
    SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 1, 0.0, 0.0);
    SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 2, 0.0, 0.0);
    DisplayPanel(panelScope);
}
