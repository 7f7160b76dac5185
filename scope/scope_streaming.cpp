// Streaming capture to RAM: one long record per slot, of which every n-th
// sample is kept.  Only the kept samples are synthesised (see
// Scope_SynthesizeRecord), so the tick needs no memory beyond the kept
// buffers.
#include "scope/scope.h"
#include "scope/scope_realdevice.h"

void StreamingRAMCapture(void)
{
    if (RealDevice_Session() && !Scope_DeviceTick())
        return; // no complete stream from the device yet, or the run ended
    SetCtrlVal(panelScope, SCOPE_STATUS, " Ready");
    Offset = 0.0;
    iOffset = static_cast<int>(Offset) / (numChanIn > 0 ? numChanIn : 1);

    // A factor below 1 (a damaged setup) would divide by zero.
    if (decimation_factor < 1)
        decimation_factor = 1;
    const int decimation = decimation_factor;
    const int kept = iSamples / decimation;
    bool ready = kept >= 1 && Scope_BufferHolds(0, kept);
    for (int k = 0; ready && k < numChanIn && k < 4; ++k)
        ready = vBufferIn[k] != nullptr;
    if (!ready) {
        Scope_MeasurementsNotMade("no stream: the buffers do not hold it");
        Scope_HaltAcquisition();
        Scope_EndRun();
        return;
    }
    // The decimated record is what the view, the cursors and saving see.
    RequestedSamples = kept;
    if (Scroll_Thumb_Size <= 0 || Scroll_Thumb_Size > kept || Scroll_Value < 0 ||
        Scroll_Value + Scroll_Thumb_Size > kept)
        Scope_SetScrollRange(kept);

    SetCtrlAttribute(panelScope, SCOPE_TIMEGRAPH, ATTR_XAXIS_OFFSET, dTimeStep * Scroll_Value);
    DeleteGraphPlot(panelScope, SCOPE_TIMEGRAPH, -1, VAL_DELAYED_DRAW);

    Trigger_Point = Scope_TriggerLinePosition((pre_iSample - Scroll_Value) / decimation, Scroll_Thumb_Size);
    if (is_TriggerLineON)
        SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 8, Trigger_Point, 0.0);

    for (int k = 0; k < numChanIn && k < 4; ++k) {
        if (!Ain[k])
            continue;
        if (RealDevice_Session())
            Scope_DeviceSlotRecord(k, vBufferIn[k], 0, kept);
        else if (Scope_SynthesizeRecord(vBufferIn[k], 0, iSamples, decimation, iClockRate, kAcquisitionNoise) <
                 0) {
            MessagePopup("Error", "Not enough memory to synthesise the stream; the acquisition is stopped.");
            Scope_MeasurementsNotMade("no stream: not enough memory");
            Scope_HaltAcquisition();
            Scope_EndRun();
            return;
        }
        // Designed for the undecimated rate, run over the kept samples.
        if (isFilterON && Scope_FilterRecord(vBufferIn[k], kept, iClockRate) < 0) {
            Scope_MeasurementsNotMade("no stream: the filter design failed");
            return;
        }
        Scope_PlotRecord(k, 0);
    }

    if (isScopeContOn) {
        ticks_scope = GetTickCount();
    } else {
        isScopeStartOn = 0;
        SetCtrlAttribute(panelScope, SCOPE_STREAMING_LED, ATTR_VISIBLE, 0);
        Toolbar_DimItem(Toolbar, kToolbarSave, 0);
        Toolbar_DimItem(Toolbar, kToolbarOneShot, 0);
        Toolbar_DimItem(Toolbar, kToolbarStop, 1);
        Toolbar_DimItem(Toolbar, kToolbarContinuous, 1);
    }
    // Math traces, the XY view and the measurement table follow the stream
    // (its samples are decimation_factor clock periods apart).
    Scope_AfterCapture();
    RefreshGraph(panelScope, SCOPE_TIMEGRAPH);
    Plot_Cursor_Measurement();
}
