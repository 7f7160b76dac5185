// Device selection: applies the Demo Card's configuration to the panels.
// The bench knows one card; whatever number is selected, the Demo Card's
// capabilities are applied.
#include "scope/scope.h"
#include "scope/scope_realdevice.h"

namespace
{

constexpr double kDefaultRate = 10000000.0;

constexpr int kFixedModeIndex = 2;

// Marker heights (divisions) of slots 0..3 after a device selection.
const double kMarkerHeights[4] = {3.0, 1.0, -1.0, -3.0};

void FillRing(int panel, int control, const char *const *labels, const int *values, int count, int selected)
{
    ClearListCtrl(panel, control);
    for (int i = 0; i < count; ++i)
        InsertListItem(panel, control, -1, labels[i], values[i]);
    SetCtrlIndex(panel, control, selected);
}

void BuildChannelLists(int channels)
{
    static const char *const names[6] = {"CH1", "CH2", "CH3", "CH4", "EXT", "NONE"};
    const char *labels[6];
    int values[6];

    // Trigger source: the channels, "EXT", "NONE" (selected).
    int n = 0;
    for (int k = 0; k < channels; ++k, ++n) {
        labels[n] = names[k];
        values[n] = k;
    }
    labels[n] = "EXT";
    values[n++] = kTriggerExt;
    labels[n] = "NONE";
    values[n++] = kTriggerNone;
    FillRing(panelScope, SCOPE_TRIGGER_SOURCE, labels, values, n, n - 1);

    // Parameter channel and the voltmeter's channel: the channels, first one selected.
    for (int k = 0; k < channels; ++k) {
        labels[k] = names[k];
        values[k] = k;
    }
    FillRing(panelScope, SCOPE_PARAMETER_CHANNEL, labels, values, channels, 0);
    FillRing(panelVoltmeter, VOLTMETER_CHANNEL, labels, values, channels, 0);

    // Vertical channel: the channels and "ALL" (selected).
    labels[channels] = "ALL";
    values[channels] = 4;
    FillRing(panelScope, SCOPE_VERTICAL_CHANNEL, labels, values, channels + 1, channels);
}

void SetRateLimits(int panel, int control)
{
    SetCtrlAttribute(panel, control, ATTR_MAX_VALUE, kMaxClockRate);
    SetCtrlAttribute(panel, control, ATTR_MIN_VALUE, kMinClockRate);
    SetCtrlAttribute(panel, control, ATTR_DFLT_VALUE, kDefaultRate);
}

} // namespace

void Select_Device(short deviceNumber)
{
    if (RealDevice_Select(deviceNumber))
        return; // a real device's capabilities are applied
    Toolbar_DimItem(Toolbar, kToolbarOneShot, 0);
    Toolbar_DimItem(Toolbar, kToolbarContinuous, 0);
    Toolbar_DimItem(Toolbar, kToolbarZoomIn, 0);
    Toolbar_DimItem(Toolbar, kToolbarZoomOut, 0);

    SetPanelAttribute(panelBench, ATTR_TITLE, "Korvax Demo 2.0");
    SetCtrlVal(panelAbout, ABOUT_DEVICE, "Demo Card");
    SetCtrlVal(panelAbout, ABOUT_SERIAL, "1234");

    SetCtrlAttribute(panelScope, SCOPE_PRE_SAMPLES, ATTR_VISIBLE, 1);
    SetRateLimits(panelScope, SCOPE_SAMPLING_RATE);

    // The input mode is fixed on this card; the coupling can be chosen.
    TabSheet_SetTabAttribute(panelScope, tabCtrl, panelMode, ATTR_SHEET_VISIBLE, 0);
    TabSheet_SetTabAttribute(panelScope, tabCtrl, panelCoupling, ATTR_SHEET_VISIBLE, 1);

    for (int k = 0; k < 4; ++k) {
        SetCtrlAttribute(panelMode, kModeRings[k], ATTR_CTRL_MODE, VAL_INDICATOR);
        SetCtrlAttribute(panelCoupling, kCouplingRings[k], ATTR_CTRL_MODE, VAL_HOT);
        ClearListCtrl(panelRange, kRangeRings[k]);
        for (const ScopeInputRange &range : kInputRanges)
            InsertListItem(panelRange, kRangeRings[k], -1, range.label, range.volts);
        SetCtrlIndex(panelRange, kRangeRings[k], kDefaultInputRange);
        SetCtrlIndex(panelMode, kModeRings[k], kFixedModeIndex);
    }

    if (numChanIn == 2) {
        // Two-channel layout: channels 3 and 4 go away for the rest of the run.
        static const int ainControls[6] = {TAB_AIN_CH3,  TAB_AIN_CH4,   TAB_AIN_LED3,
                                           TAB_AIN_LED4, TAB_AIN_INFO3, TAB_AIN_INFO4};
        for (int control : ainControls)
            SetCtrlAttribute(panelAin, control, ATTR_VISIBLE, 0);
        for (int k = 2; k < 4; ++k) {
            SetCtrlAttribute(panelCoupling, kCouplingRings[k], ATTR_VISIBLE, 0);
            SetCtrlAttribute(panelMode, kModeRings[k], ATTR_VISIBLE, 0);
            SetCtrlAttribute(panelRange, kRangeRings[k], ATTR_VISIBLE, 0);
        }
        SetCtrlAttribute(panelAd_Scope, AD_SCOPE_AUX_BNC, ATTR_VISIBLE, 0);
        SetCtrlVal(panelAin, TAB_AIN_CH3, 0);
        SetCtrlVal(panelAin, TAB_AIN_CH4, 0);
        Ain[2] = 0;
        Ain[3] = 0;
        BuildChannelLists(2);
    } else if (numChanIn == 4) {
        BuildChannelLists(4);
    }

    SetRateLimits(panelDig, DIG_RATE);

    for (int cursor = 4; cursor <= 6; ++cursor) {
        SetCursorAttribute(panelScope, SCOPE_TIMEGRAPH, cursor, ATTR_CROSS_HAIR_STYLE, VAL_HORIZONTAL_LINE);
        SetCursorAttribute(panelScope, SCOPE_TIMEGRAPH, cursor, ATTR_CURSOR_ENABLED, 1);
    }
    const double middle = Scroll_Thumb_Size / 2;
    for (int k = 0; k < 4; ++k) {
        SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 3 + k, middle, kMarkerHeights[k]);
        VerticalOffset[k] = kMarkerHeights[k];
    }
}
