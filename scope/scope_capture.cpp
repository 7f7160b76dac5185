// Normal capture: one record per slot and tick, averaging, persistence,
// trigger line, the zoom area and the end of a single shot.
//
// A slot's record covers positions -pre_iSample .. iSamples - 1 of its
// buffer (see scope.h); the trigger point is position 0 and the displayed
// record starts at iOffset = -pre_iSample.
#include "analysis/synth.h"
#include "scope/scope.h"
#include "scope/scope_realdevice.h"
#include "scope/scope_data.h"

namespace
{


bool ValidSlot(int slot)
{
    return slot >= 0 && slot < numChanIn && slot < 4;
}

// Every slot's drawing measures the parameter slot; within one tick only the
// last slot's measurement stays on the indicators, so the tick asks only the
// last slot to measure (the earlier ones would give way to it).
bool &measureInDraw = scopeState.measureInDraw;

// The buffers hold what the current settings need: a record edited since
// the start (a single shot still running) must not be written past them.
bool BuffersFitSettings(void)
{
    const int pre = pre_iSample > 0 ? pre_iSample : 0;
    const int length = RequestedSamples > iSamples ? RequestedSamples : iSamples;
    if (!Scope_BufferHolds(-pre, pre + length) || RequestedSamples < 1)
        return false;
    for (int k = 0; k < numChanIn && k < 4; ++k) {
        if (!vBufferIn[k] || !vAverage[k] || !vAverageSave[k])
            return false;
    }
    return true;
}

// Synthesises (and filters) a fresh record of the slot.  Returns -1 when
// the slot must not be drawn: a filter failure or no memory for the work.
int AcquireSlot(int slot)
{
    const int pre = pre_iSample > 0 ? pre_iSample : 0;
    double *record = vBufferIn[slot] - pre;
    if (RealDevice_Session())
        Scope_DeviceSlotRecord(slot, record, pre, RequestedSamples);
    else if (Scope_SynthesizeRecord(record, pre, RequestedSamples, 1, iClockRate, kAcquisitionNoise) < 0) {
        MessagePopup("Error", "Not enough memory to synthesise the record; the acquisition is stopped.");
        Scope_HaltAcquisition();
        scopeState.captureFailed = true;
        return -1;
    }
    if (isFilterON && Scope_FilterRecord(record, pre + RequestedSamples, iClockRate) < 0) {
        scopeState.captureFailed = true;
        return -1;
    }
    return 0;
}

// Draws a slot's record (already in its buffer) from record position
// start: the time-graph window, the zoom area and the measurement.
void DrawSlot(int slot, int start)
{
    if (Ain[slot])
        Scope_PlotRecord(slot, start);

    if (isZoom_On) {
        double x1 = 0.0, y1 = 0.0, x2 = 0.0, y2 = 0.0;
        GetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 1, &x1, &y1);
        GetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 2, &x2, &y2);
        ZoomCursorX1 = x1;
        ZoomCursorY1 = y1;
        ZoomCursorX2 = x2;
        ZoomCursorY2 = y2;
        Zoom_Width = static_cast<int>(x1 - x2);
        if (Zoom_Width < 0)
            Zoom_Width = -Zoom_Width;
        if (Zoom_Width <= 10)
            Zoom_Width = 10;
        Zoom_Start = x2 < x1 ? static_cast<int>(x2) : static_cast<int>(x1);
        SetCtrlAttribute(panelScope, SCOPE_ZOOMGRAPH, ATTR_XAXIS_OFFSET,
                         dTimeStep * (Scroll_Value + Zoom_Start));
        const int first = start + Scroll_Value + Zoom_Start;
        if (Ain[slot] && Scope_BufferHolds(first, Zoom_Width)) {
            PlotWaveform(panelScope, SCOPE_ZOOMGRAPH, vBufferIn[slot] + first, Zoom_Width, VAL_DOUBLE, 1.0,
                         0.0, 0.0, 1.0, VAL_THIN_LINE, VAL_NO_POINT, VAL_SOLID, 1, ChannelColor[slot]);
        }
    }

    if (measureInDraw && ValidSlot(is_Parameter) && vBufferIn[is_Parameter] && Scroll_Thumb_Size > 0 &&
        Scope_BufferHolds(start, Scroll_Thumb_Size))
        Waveform_Parameter(vBufferIn[is_Parameter] + start);
}

void RefreshTimeView(void)
{
    if (isFFT_On) {
        RefreshGraph(panelScope, SCOPE_FFTGRAPH);
    } else {
        RefreshGraph(panelScope, SCOPE_TIMEGRAPH);
        RefreshGraph(panelScope, SCOPE_ZOOMGRAPH);
        Plot_Cursor_Measurement();
    }
}

// Averaging: a fresh record of the slot is added to its accumulator; the
// tick that completes the average shows it.
void AverageSlot(int slot, int count)
{
    const int pre = pre_iSample > 0 ? pre_iSample : 0;
    double *record = vBufferIn[slot];
    double *sum = vAverage[slot];
    if (count_acq[slot] < count) {
        if (Ain[slot] && AcquireSlot(slot) < 0)
            return;
        for (int p = -pre; p < iSamples; ++p)
            sum[p] += record[p];
        ++count_acq[slot];
        return;
    }

    // The average replaces the record in place, so scrolling and saving see
    // it at the record's own positions; vAverageSave keeps it from the
    // displayed start (iOffset) on.
    double *saved = vAverageSave[slot];
    for (int p = -pre; p < iSamples; ++p) {
        const double average = sum[p] / count;
        record[p] = average;
        sum[p] = 0.0;
    }
    for (int j = 0; j < iSamples; ++j)
        saved[j] = record[iOffset + j];
    count_acq[slot] = 0;
    if (isFFT_On)
        fft(slot, 0);
    else
        DrawSlot(slot, iOffset);
    if (slot == numChanIn - 1)
        RefreshTimeView();
}

} // namespace

int Scope_PlotRecord(int slot, int start)
{
    if (!ValidSlot(slot) || !vBufferIn[slot] || Scroll_Thumb_Size <= 0)
        return 0;
    const int first = start + Scroll_Value;
    if (!Scope_BufferHolds(first, Scroll_Thumb_Size))
        return 0;
    const int handle = PlotWaveform(panelScope, SCOPE_TIMEGRAPH, vBufferIn[slot] + first, Scroll_Thumb_Size,
                                    VAL_DOUBLE, VerticalScale[slot], VerticalOffset[slot], 0.0, 1.0,
                                    VAL_THIN_LINE, VAL_NO_POINT, VAL_SOLID, 1, ChannelColor[slot]);
    plot[slot] = handle > 0 ? handle : 0;
    return plot[slot];
}

void Plot_Time_Display(int slot, int start)
{
    if (!ValidSlot(slot) || !vBufferIn[slot])
        return;
    if (Ain[slot] && AcquireSlot(slot) < 0)
        return; // not drawn, no zoom plot, no measurement
    DrawSlot(slot, start);
}

void NormalCapture(void)
{
    if (RealDevice_Session() && !Scope_DeviceTick())
        return; // no complete record from the device yet, or the run ended
    SetCtrlVal(panelScope, SCOPE_STATUS, " Ready");
    ++loop;
    Offset = 0.0;
    iOffset = static_cast<int>(Offset) / (numChanIn > 0 ? numChanIn : 1) - pre_iSample;

    if (!BuffersFitSettings()) {
        // Settings edited since the start: apply them before capturing.
        if (Scope_Setting() < 0 || !BuffersFitSettings()) {
            Scope_HaltAcquisition();
            Scope_EndRun();
            return;
        }
        iOffset = -pre_iSample;
    }
    // A window longer than the record (or none yet) becomes the record.
    if (Scroll_Thumb_Size <= 0 || Scroll_Thumb_Size > RequestedSamples || Scroll_Value < 0 ||
        Scroll_Value + Scroll_Thumb_Size > RequestedSamples)
        Scope_SetScrollRange(RequestedSamples);

    SetCtrlAttribute(panelScope, SCOPE_TIMEGRAPH, ATTR_XAXIS_OFFSET, dTimeStep * Scroll_Value);
    if (!is_PersistanceON) {
        DeleteGraphPlot(panelScope, SCOPE_TIMEGRAPH, -1, VAL_DELAYED_DRAW);
        DeleteGraphPlot(panelScope, SCOPE_FFTGRAPH, -1, VAL_DELAYED_DRAW);
    }
    DeleteGraphPlot(panelScope, SCOPE_ZOOMGRAPH, -1, VAL_DELAYED_DRAW);
    Scope_PlotReferences(); // under the live traces

    Trigger_Point = Scope_TriggerLinePosition(pre_iSample - Scroll_Value, Scroll_Thumb_Size);
    if (is_TriggerLineON)
        SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 8, Trigger_Point, 0.0);

    // A count below 1 (a damaged setup) would divide by zero.
    const int averageCount = average_count >= 1 ? average_count : 1;
    const int slots = numChanIn < 4 ? numChanIn : 4;
    scopeState.captureFailed = false;
    for (int k = 0; k < slots; ++k) {
        measureInDraw = k == slots - 1;
        if (!is_AverageON) {
            if (isFFT_On)
                fft(k, iOffset);
            else
                Plot_Time_Display(k, iOffset);
        } else {
            AverageSlot(k, averageCount);
        }
    }
    measureInDraw = true;
    // A slot without its record (unfiltered, or none) is not measured.
    if (scopeState.captureFailed)
        Scope_MeasurementsNotMade("no record: the capture failed");
    else
        Scope_AfterCapture();
    if (!is_AverageON)
        RefreshTimeView();

    if (isAutoSaveON)
        AutoSave();

    if (isScopeStartOn && isScopeContOn) {
        SetCtrlVal(panelScope, SCOPE_STATUS, Scope_AutoSaveStatus("Armed"));
        ticks_scope = GetTickCount();
    } else if (isScopeStartOn && is_AverageON && count_acq[0] != 0) {
        ticks_scope = GetTickCount(); // an average is still being gathered
    } else {
        Scope_EndRun();
    }
}
