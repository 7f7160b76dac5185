// Run control (One Shot, Continuous Mode, Stop), the advanced settings, the
// input filter panel and the display toggles.
#include <cstdint>

#include "digital/digital.h"
#include "scope/scope.h"
#include "scope/scope_realdevice.h"

namespace
{

constexpr int kOneShot = 1;
constexpr int kContinuous = 2;
constexpr int kStop = 3;

void SetCaptureTimer(int enabled)
{
    if (enabled)
        SetCtrlAttribute(panelBench, BENCH_CAPTURE_TIMER, ATTR_ENABLED, 1);
    else
        CaptureTimer_Release(); // a running digital analyzer keeps it
}

void DimProbeCalMenu(int dimmed)
{
    SetMenuBarAttribute(Menu_Handle, MENUBAR_INSTRUMENTS_PROBE_CAL, ATTR_DIMMED, dimmed);
}

void Dim(int position, int dimmed)
{
    Toolbar_DimItem(Toolbar, position, dimmed);
}

void ShowCtrl(int panel, int control, int visible)
{
    SetCtrlAttribute(panel, control, ATTR_VISIBLE, visible);
}

void SpectrumControlsDimmed(int dimmed)
{
    for (int control : kSpectrumControls)
        SetCtrlAttribute(panelScope, control, ATTR_DIMMED, dimmed);
}

// Record-length box held to the per-channel limit of the current mode.
void ApplyRecordLimit(void)
{
    const int limit = Scope_RecordLimit();
    int value = 0;
    GetCtrlVal(panelScope, SCOPE_RECORD_LENGTH, &value);
    SetCtrlAttribute(panelScope, SCOPE_RECORD_LENGTH, ATTR_MAX_VALUE, limit);
    if (value > limit)
        SetCtrlVal(panelScope, SCOPE_RECORD_LENGTH, limit);
}

int OneShot(void)
{
    if (Scope_Setting() < 0)
        return -1;
    isScopeStartOn = 1;
    // One Shot takes one record (or one stream), even when a continuous run
    // was going; a normal shot is not a stream, whatever the last run was.
    isScopeContOn = 0;
    isScopeStopOn = 0;
    isStreamingRAMOn = isStreamingRAMEnabled ? 1 : 0;
    Dim(kToolbarOneShot, 1);
    Dim(kToolbarStop, 0);
    if (isStreamingRAMEnabled) {
        isZoom_On = 0;
        Dim(kToolbarZoomAreaOn, 1);
        ShowCtrl(panelScope, SCOPE_STREAMING_LED, 1);
    } else {
        Dim(kToolbarContinuous, 0);
        Dim(kToolbarZoomAreaOn, 0);
    }
    ShowCtrl(panelScope, SCOPE_IDLE, 0);
    loop = 0;
    scopeState.spectrumFailureShown = 0; // a new run reports its own failures
    ProcessDrawEvents();
    SetCaptureTimer(1);
    ticks_scope = GetTickCount();

    const int decimation = decimation_factor >= 1 ? decimation_factor : 1;
    Scope_SetScrollRange(isStreamingRAMEnabled ? RequestedSamples / decimation : RequestedSamples);
    return 0;
}

int Continuous(void)
{
    if (Scope_Setting() < 0)
        return -1;
    isScopeStartOn = 1;
    isScopeContOn = 1;
    isScopeStopOn = 0;
    isStreamingRAMOn = 0;
    loop = 0;
    scopeState.spectrumFailureShown = 0;
    Dim(kToolbarSave, 1);
    Dim(kToolbarOneShot, 0);
    Dim(kToolbarContinuous, 1);
    Dim(kToolbarStop, 0);
    Dim(kToolbarZoomAreaOn, 0);
    DimProbeCalMenu(1);
    ShowCtrl(panelScope, SCOPE_IDLE, 0);
    if (is_AverageON) {
        for (short &count : count_acq)
            count = 0;
    }
    ticks_scope = GetTickCount();
    SetCaptureTimer(1);
    Scope_SetScrollRange(RequestedSamples);
    return 0;
}

void Stop(void)
{
    isScopeStartOn = 0;
    isScopeContOn = 0;
    isScopeStopOn = 1;
    Dim(kToolbarSave, 0);
    Dim(kToolbarOneShot, 0);
    Dim(kToolbarContinuous, 0);
    Dim(kToolbarStop, 1);
    DimProbeCalMenu(0);
    if (isFFT_On)
        Dim(kToolbarSave, 1);
    ShowCtrl(panelScope, SCOPE_STATUS, 0);
    SetCaptureTimer(0);
    Scope_DeviceStop();
    Scope_AutoSaveRunEnded();
}

} // namespace

void Scope_HaltAcquisition(void)
{
    isScopeStartOn = 0;
    isScopeContOn = 0;
    isScopeStopOn = 1;
    Dim(kToolbarOneShot, 0);
    Dim(kToolbarStop, 1);
}

void Scope_EndRun(void)
{
    isScopeStartOn = 0;
    ShowCtrl(panelScope, SCOPE_STREAMING_LED, 0);
    SetCaptureTimer(0);
    DimProbeCalMenu(0);
    Dim(kToolbarSave, 0);
    Dim(kToolbarOneShot, 0);
    Dim(kToolbarContinuous, 0);
    Dim(kToolbarStop, 1);
    Scope_DeviceStop();
    Scope_AutoSaveRunEnded();
}

int GoStopCallback(int, int, int, void *callbackData, int, int)
{
    switch (static_cast<int>(reinterpret_cast<std::intptr_t>(callbackData))) {
    case kOneShot:
        return OneShot();
    case kContinuous:
        return Continuous();
    case kStop:
        Stop();
        return 0;
    default:
        return 0;
    }
}

int Advanced_Scope_Setting(int, int, int, void *, int, int)
{
    DisplayPanel(panelAd_Scope);
    return 0;
}

int onOK_Ad_Scope(int, int, int event, void *, int, int)
{
    if (event != EVENT_COMMIT)
        return 0;
    GetCtrlVal(panelAd_Scope, AD_SCOPE_STREAMING, &isStreamingRAMEnabled);
    GetCtrlVal(panelAd_Scope, AD_SCOPE_AUX_BNC, &Aux_BNC);
    GetCtrlVal(panelAd_Scope, AD_SCOPE_AVERAGING, &is_AverageON);
    GetCtrlVal(panelAd_Scope, AD_SCOPE_AVERAGE_COUNT, &average_count);
    GetCtrlVal(panelAd_Scope, AD_SCOPE_MULTIPLE_RECORD, &isMultipleRecord);
    if (average_count < 1)
        average_count = 1;

    SetCtrlAttribute(panelScope, SCOPE_PRE_SAMPLES, ATTR_DIMMED, 1);
    if (isMultipleRecord || trigger_source == kTriggerNone) {
        pre_iSample = 0;
        SetCtrlVal(panelScope, SCOPE_PRE_SAMPLES, 0);
    }

    if (isStreamingRAMEnabled && is_AverageON) {
        // Averaging and streaming exclude each other; streaming wins.
        is_AverageON = 0;
        SetCtrlVal(panelAd_Scope, AD_SCOPE_AVERAGING, 0);
        SetCtrlAttribute(panelAd_Scope, AD_SCOPE_AVERAGING, ATTR_DIMMED, 1);
    }
    ShowCtrl(panelScope, SCOPE_AVERAGING_LED, is_AverageON ? 1 : 0);

    if (isStreamingRAMEnabled) {
        ShowCtrl(panelScope, SCOPE_STREAMING_MODE, 1);
        ShowCtrl(panelScope, SCOPE_AVERAGING_LED, 0);

        SetCtrlAttribute(panelScope, SCOPE_FFT_SWITCH, ATTR_DIMMED, 1);
        SetCtrlVal(panelScope, SCOPE_FFT_SWITCH, 0);
        if (isFFT_On) {
            // The switch now reads off: so does the view, and the tools the
            // spectrum view had dimmed come back.
            isFFT_On = 0;
            Dim(kToolbarCursor1, 0);
            Dim(kToolbarCursor2, 0);
            Dim(kToolbarZoomAreaOff, 0);
        }
        ShowCtrl(panelScope, SCOPE_FFTGRAPH, 0);
        SpectrumControlsDimmed(1);

        Dim(kToolbarZoomIn, 0);
        Dim(kToolbarZoomOut, 0);
        ApplyRecordLimit();

        Dim(kToolbarContinuous, 1);
        Dim(kToolbarZoomAreaOn, 1);
        isZoom_On = 0;
        for (int cursor = 1; cursor <= 2; ++cursor) {
            SetCursorAttribute(panelScope, SCOPE_TIMEGRAPH, cursor, ATTR_CURSOR_ENABLED, 0);
            SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, cursor, 0.0, 0.0);
        }
        SetCtrlAttribute(panelScope, SCOPE_TIMEGRAPH, ATTR_HEIGHT, kTimeGraphFullHeight);
        ShowCtrl(panelScope, SCOPE_ZOOMGRAPH, 0);
        Scope_LayoutOffsetMarkers();
    } else {
        Dim(kToolbarSave, 1);
        isStreamingRAMOn = 0;
        SetCtrlAttribute(panelScope, SCOPE_FFT_SWITCH, ATTR_DIMMED, 0);
        ApplyRecordLimit();
        ShowCtrl(panelScope, SCOPE_STREAMING_MODE, 0);
        Dim(kToolbarContinuous, 0);
        Dim(kToolbarZoomAreaOn, 0);
    }
    HidePanel(panelAd_Scope);
    return 0;
}

int Check_Ad_Mode(int panel, int control, int event, void *, int, int)
{
    if (event != EVENT_COMMIT)
        return 0;
    int checked = 0;
    GetCtrlVal(panel, control, &checked);
    int other = 0;
    if (control == AD_SCOPE_STREAMING)
        other = AD_SCOPE_AVERAGING;
    else if (control == AD_SCOPE_AVERAGING)
        other = AD_SCOPE_STREAMING;
    else
        return 0;
    SetCtrlAttribute(panel, other, ATTR_DIMMED, checked ? 1 : 0);
    // A dimmed box must not stay checked, or both modes would be on.
    if (checked)
        SetCtrlVal(panel, other, 0);
    return 0;
}

int ScopePersistance(int, int, int, void *, int, int)
{
    if (!is_PersistanceON) {
        is_PersistanceON = 1;
        SetActiveGraphCursor(panelScope, SCOPE_TIMEGRAPH, 1);
        SetCursorAttribute(panelScope, SCOPE_TIMEGRAPH, 1, ATTR_CURSOR_MODE, VAL_FREE_FORM);
        SetCursorAttribute(panelScope, SCOPE_TIMEGRAPH, 2, ATTR_CURSOR_MODE, VAL_FREE_FORM);
    } else {
        is_PersistanceON = 0;
        SetCursorAttribute(panelScope, SCOPE_TIMEGRAPH, 1, ATTR_CURSOR_MODE, VAL_SNAP_TO_POINT);
        SetCursorAttribute(panelScope, SCOPE_TIMEGRAPH, 2, ATTR_CURSOR_MODE, VAL_SNAP_TO_POINT);
        SetActiveGraphCursor(panelScope, SCOPE_TIMEGRAPH, 7);
    }
    return 0;
}

int ScopeTriggerLine(int, int, int, void *, int, int)
{
    is_TriggerLineON = !is_TriggerLineON;
    SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 8, 0.0, 0.0);
    Scope_StyleTriggerLine();
    return 0;
}

void DisplayMenuFilter(int, int, void *, int)
{
    DisplayPanel(panelFilter);
}

int Close_Filter(int, int, int event, void *, int, int)
{
    if (event != EVENT_COMMIT)
        return 0;
    GetCtrlVal(panelFilter, FILTER_ONOFF, &isFilterON);
    GetCtrlVal(panelFilter, FILTER_TAPS, &Tap);
    if (Tap > 1024)
        Tap = 1024;
    if (Tap < 1)
        Tap = 1;
    HidePanel(panelFilter);
    return 0;
}
