// The view window over a record: scroll bar, zoom steps, zoom area, offset
// markers, x-axis labels and the scope toolbar.
//
// The window covers buffer positions base + Scroll_Value to base +
// Scroll_Value + Scroll_Thumb_Size - 1 of every slot, base being iOffset in
// normal capture and 0 while a RAM stream is shown.  Every plot checks that
// the positions it hands to the graph exist in the slot buffers.
#include <cmath>
#include <cstdint>

#include "scope/scope.h"
#include "scope/scope_data.h"

namespace
{

constexpr int kTimeGraphZoomHeight = 280;
constexpr int kMinimumWindow = 10;

int CallbackValue(void *callbackData)
{
    return static_cast<int>(reinterpret_cast<std::intptr_t>(callbackData));
}

void *CallbackData(int value)
{
    return reinterpret_cast<void *>(static_cast<std::intptr_t>(value));
}

int WindowBase(void)
{
    return isStreamingRAMOn ? 0 : iOffset;
}

// Truncation of a cursor position to a sample index, held inside int range.
int TruncIndex(double x)
{
    if (!(x == x))
        return 0;
    if (x > 1.0e9)
        return 1000000000;
    if (x < -1.0e9)
        return -1000000000;
    return static_cast<int>(std::trunc(x));
}

void SetThumbSize(int size)
{
    ScrollBar_SetAttribute(panelScope, SCOPE_SCROLLBAR, ATTR_SB_VIEW_SIZE, size);
}

// Scroll clamp: keeps the window inside the record for any position.
void ClampScroll(void)
{
    if (isStreamingRAMOn) {
        if (Scroll_Thumb_Size + Scroll_Value > RequestedSamples)
            Scroll_Value = 0;
    } else {
        if (Scroll_Thumb_Size >= RequestedSamples)
            Scroll_Value = 0;
        if (Scroll_Value + Scroll_Thumb_Size >= RequestedSamples)
            Scroll_Value = RequestedSamples - Scroll_Thumb_Size;
    }
    if (Scroll_Value < 0)
        Scroll_Value = 0;
}

struct ToolItem {
    int kind;
    const char *text;
    const char *icon;
    CtrlCallbackPtr callback;
    int data;
};

const ToolItem kToolItems[] = {
    {kCommandButton, "Print Waveform", "icon\\print.ico", PrintCallback, 0},
    {kCommandButton, "Save", "icon\\save.ico", SaveCallback, 0},
    {kSeparator, nullptr, nullptr, nullptr, 0},
    {kCommandButton, "One Shot", "icon\\go.ico", GoStopCallback, 1},
    {kCommandButton, "Continuous Mode", "icon\\continuous1.ico", GoStopCallback, 2},
    {kCommandButton, "Stop", "icon\\stop.ico", GoStopCallback, 3},
    {kSeparator, nullptr, nullptr, nullptr, 0},
    {kCommandButton, "Zoom In", "icon\\zoom_in.ico", ScopeZoomData, 1},
    {kCommandButton, "Zoom Out", "icon\\zoom_out.ico", ScopeZoomData, 2},
    {kSeparator, nullptr, nullptr, nullptr, 0},
    {kCommandButton, "Zoom Area ON", "icon\\zoom.ico", ScopeZoomCursor, 1},
    {kCommandButton, "Zoom Area OFF", "icon\\no_zoom.ico", ScopeZoomCursor, 2},
    {kSeparator, nullptr, nullptr, nullptr, 0},
    {kToggleButton, "Cursor1", "icon\\cursor1.ico", ScopeCursorMode, 1},
    {kToggleButton, "Cursor2", "icon\\cursor2.ico", ScopeCursorMode, 2},
    {kSeparator, nullptr, nullptr, nullptr, 0},
    {kToggleButton, "Persistence Mode", "icon\\persistance.ico", ScopePersistance, 1},
    {kToggleButton, "Trigger Line", "icon\\trigger.ico", ScopeTriggerLine, 1},
    {kSeparator, nullptr, nullptr, nullptr, 0},
    {kCommandButton, "Advanced Scope Setting", "icon\\ad_scope.ico", Advanced_Scope_Setting, 1},
    // Appended: the positions other code dims items by stay as they are.
    {kSeparator, nullptr, nullptr, nullptr, 0},
    {kCommandButton, "Autoset", "icon\\autoset.ico", ScopeAutoset, 1},
    {kCommandButton, "Fit record", "icon\\fit_record.ico", ScopeFitRecord, 1},
};

} // namespace

ToolbarType InstallToolBar(int panel)
{
    ToolbarType toolbar = 0;
    const int menuBar = GetPanelMenuBar(panel);
    if (Toolbar_New(panel, menuBar > 0 ? menuBar : 0, "", 0, 0, 1, 1, &toolbar) < 0 || toolbar <= 0)
        return 0;
    for (const ToolItem &item : kToolItems) {
        if (item.kind == kSeparator)
            Toolbar_InsertItem(toolbar, END_OF_LIST, kSeparator, 1, nullptr, kNoCallback, 0, nullptr, nullptr,
                               nullptr);
        else
            Toolbar_InsertItem(toolbar, END_OF_LIST, item.kind, 1, item.text, kControlCallback, 0,
                               item.callback, CallbackData(item.data), item.icon);
    }
    Toolbar_Display(toolbar);
    return toolbar;
}

void Scope_FitWindowToRecord(void)
{
    if (RequestedSamples < 0)
        return;
    if (Scroll_Thumb_Size > RequestedSamples) {
        Scroll_Value = 0;
        Scroll_Thumb_Size = RequestedSamples;
        SetThumbSize(Scroll_Thumb_Size);
        ScrollBar_SetAttribute(panelScope, SCOPE_SCROLLBAR, ATTR_SB_VALUE, 0);
    }
    if (Scroll_Value < 0)
        Scroll_Value = 0;
}

void Scope_WindowAfterRecordChange(int previousLength, int newLength, int *value, int *thumb, double *zoom)
{
    if (*thumb <= 0 || newLength <= 0) {
        *value = 0;
        return; // no window yet: the next start shows the whole record
    }
    // A window that showed the whole record follows the record; one that
    // showed a part of it stays while it fits in the new record.
    const bool whole = *value <= 0 && *thumb >= previousLength;
    const bool fits = *value >= 0 && static_cast<long long>(*value) + *thumb <= newLength;
    if (whole || !fits) {
        *value = 0;
        *thumb = newLength;
        *zoom = 1.0;
    } else {
        // The zoom steps go on from the window kept.
        *zoom = static_cast<double>(newLength) / *thumb;
    }
}

void Scope_WindowForRecordLength(int previousLength)
{
    // The scroll range of the next start: the record, or the decimated
    // record of a stream.
    int range = RequestedSamples;
    if (isStreamingRAMEnabled && decimation_factor > 1)
        range = RequestedSamples / decimation_factor;
    if (Scroll_Max > 0 && Scroll_Max < previousLength)
        previousLength = Scroll_Max;
    Scope_WindowAfterRecordChange(previousLength, range, &Scroll_Value, &Scroll_Thumb_Size, &ZoomFactor);
    if (Scroll_Thumb_Size <= 0) {
        ScrollBar_SetAttribute(panelScope, SCOPE_SCROLLBAR, ATTR_SB_VALUE, 0);
        return;
    }
    Scope_SetScrollRange(range);
    SetThumbSize(Scroll_Thumb_Size);
}

void Scope_SetXAxisOffsets(void)
{
    SetCtrlAttribute(panelScope, SCOPE_TIMEGRAPH, ATTR_XAXIS_OFFSET, dTimeStep * Scroll_Value);
    SetCtrlAttribute(panelScope, SCOPE_ZOOMGRAPH, ATTR_XAXIS_OFFSET, dTimeStep * (Scroll_Value + Zoom_Start));
    SetCtrlAttribute(panelScope, SCOPE_FFTGRAPH, ATTR_XAXIS_OFFSET, dFreqStep * Scroll_Value / 2.0);
}

void Scope_PlotWindow(int withSpectrum)
{
    Scope_FitWindowToRecord();
    if (Scroll_Thumb_Size <= 0)
        return;
    Scope_PlotReferences(); // under the live traces
    const int first = WindowBase() + Scroll_Value;
    const int timeOk = Scope_BufferHolds(first, Scroll_Thumb_Size);
    const int bin = Scroll_Value / 2;
    const int bins = Scroll_Thumb_Size / 2;
    // The spectrum holds RequestedSamples / 2 meaningful bins from index 0;
    // a slot whose last spectrum failed holds none (spectrumBins).
    const int spectrumOk =
        bins > 0 && bin >= 0 && bin + bins <= RequestedSamples / 2 && Scope_BufferHolds(0, bin + bins);
    for (int k = 0; k < numChanIn && k < 4; ++k) {
        if (!Ain[k])
            continue;
        if (timeOk && vBufferIn[k]) {
            plot[k] = PlotWaveform(panelScope, SCOPE_TIMEGRAPH, vBufferIn[k] + first, Scroll_Thumb_Size,
                                   VAL_DOUBLE, VerticalScale[k], VerticalOffset[k], 0.0, 1.0, VAL_THIN_LINE,
                                   VAL_NO_POINT, VAL_SOLID, 1, ChannelColor[k]);
        }
        if (withSpectrum && !isStreamingRAMOn && isFFT_On && spectrumOk && spectrum[k] &&
            bin + bins <= scopeState.spectrumBins[k]) {
            spectrumPlot[k] = PlotY(panelScope, SCOPE_FFTGRAPH, spectrum[k] + bin, bins, VAL_DOUBLE,
                                    VAL_THIN_LINE, VAL_NO_POINT, VAL_SOLID, 1, ChannelColor[k]);
        }
    }
    if (withSpectrum && !isStreamingRAMOn && isFFT_On) {
        double x = 0.0, y = 0.0;
        GetGraphCursor(panelScope, SCOPE_FFTGRAPH, 1, &x, &y);
        SetCtrlVal(panelScope, SCOPE_FFT_CURSOR_FREQ, (x + Scroll_Value / 2) * dFreqStep);
        SetCtrlVal(panelScope, SCOPE_FFT_CURSOR_LEVEL, y);
    }
}

void Scope_PlotZoomArea(void)
{
    GetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 1, &ZoomCursorX1, &ZoomCursorY1);
    GetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 2, &ZoomCursorX2, &ZoomCursorY2);
    const double x1 = ZoomCursorX1, x2 = ZoomCursorX2;
    Zoom_Width = std::abs(TruncIndex(x1 - x2));
    if (Zoom_Width <= kMinimumWindow)
        Zoom_Width = kMinimumWindow;
    Zoom_Start = x2 < x1 ? TruncIndex(x2) : TruncIndex(x1);
    SetCtrlAttribute(panelScope, SCOPE_ZOOMGRAPH, ATTR_XAXIS_OFFSET, dTimeStep * (Scroll_Value + Zoom_Start));
    DeleteGraphPlot(panelScope, SCOPE_ZOOMGRAPH, -1, VAL_DELAYED_DRAW);
    const long long first = static_cast<long long>(Scroll_Value) + Zoom_Start + iOffset;
    if (first < -1000000000LL || first > 1000000000LL)
        return;
    if (!Scope_BufferHolds(static_cast<int>(first), Zoom_Width))
        return;
    for (int k = 0; k < numChanIn && k < 4; ++k) {
        if (!Ain[k] || !vBufferIn[k])
            continue;
        PlotWaveform(panelScope, SCOPE_ZOOMGRAPH, vBufferIn[k] + first, Zoom_Width, VAL_DOUBLE, 1.0, 0.0, 0.0,
                     1.0, VAL_THIN_LINE, VAL_NO_POINT, VAL_SOLID, 1, ChannelColor[k]);
    }
}

int ScrollBarCallback(int panel, int control, int event, void *callbackData, int eventData1, int eventData2)
{
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData2;
    const bool moved = event >= SB_EVENT_LINE_BACK && event <= SB_EVENT_END;
    if (moved)
        Scroll_Value = eventData1;
    Scope_FitWindowToRecord();
    ClampScroll();
    // A position the window cannot take: the bar shows where the window is.
    if (moved && Scroll_Value != eventData1)
        ScrollBar_SetAttribute(panelScope, SCOPE_SCROLLBAR, ATTR_SB_VALUE, Scroll_Value);
    Scope_SetXAxisOffsets();
    if (!is_PersistanceON) {
        DeleteGraphPlot(panelScope, SCOPE_TIMEGRAPH, -1, VAL_DELAYED_DRAW);
        DeleteGraphPlot(panelScope, SCOPE_FFTGRAPH, -1, VAL_DELAYED_DRAW);
    }
    Scope_PlotWindow(1);
    RefreshGraph(panelScope, SCOPE_TIMEGRAPH);
    RefreshGraph(panelScope, SCOPE_FFTGRAPH);
    Plot_Cursor_Measurement();
    if (isZoom_On) {
        Scope_PlotZoomArea();
        RefreshGraph(panelScope, SCOPE_ZOOMGRAPH);
    }
    return 0;
}

int ScopeZoomData(int panel, int control, int event, void *callbackData, int eventData1, int eventData2)
{
    (void)panel;
    (void)control;
    (void)event;
    (void)eventData1;
    (void)eventData2;
    if (Scroll_Thumb_Size == 0)
        return 0;
    Scope_FitWindowToRecord();
    if (CallbackValue(callbackData) == 1) {
        if (isStreamingRAMOn ? Scroll_Thumb_Size >= kMinimumWindow : Scroll_Thumb_Size != kMinimumWindow)
            ZoomFactor *= 2.0;
        const double size = std::trunc(RequestedSamples / ZoomFactor);
        Scroll_Thumb_Size = size < kMinimumWindow ? kMinimumWindow : static_cast<int>(size);
        SetThumbSize(Scroll_Thumb_Size);
    } else {
        ZoomFactor /= 2.0;
        if (ZoomFactor <= 1.0)
            ZoomFactor = 1.0;
        const double size = std::trunc(RequestedSamples / ZoomFactor);
        Scroll_Thumb_Size = size > RequestedSamples ? RequestedSamples : static_cast<int>(size);
        if (isStreamingRAMOn && Scroll_Thumb_Size < kMinimumWindow)
            Scroll_Thumb_Size = kMinimumWindow;
        SetThumbSize(Scroll_Thumb_Size);
        if (Scroll_Thumb_Size > RequestedSamples / 2) {
            Scroll_Value = 0;
            ScrollBar_SetAttribute(panelScope, SCOPE_SCROLLBAR, ATTR_SB_VALUE, 0);
        }
        if (Scroll_Value + Scroll_Thumb_Size >= RequestedSamples)
            Scroll_Value = RequestedSamples - Scroll_Thumb_Size;
        if (Scroll_Value < 0)
            Scroll_Value = 0;
    }
    Scope_SetXAxisOffsets();
    DeleteGraphPlot(panelScope, SCOPE_TIMEGRAPH, -1, VAL_DELAYED_DRAW);
    DeleteGraphPlot(panelScope, SCOPE_FFTGRAPH, -1, VAL_DELAYED_DRAW);
    Scope_PlotWindow(1);
    RefreshGraph(panelScope, SCOPE_TIMEGRAPH);
    RefreshGraph(panelScope, SCOPE_FFTGRAPH);
    Plot_Cursor_Measurement();
    return 0;
}

int ScopeZoomCursor(int panel, int control, int event, void *callbackData, int eventData1, int eventData2)
{
    (void)panel;
    (void)control;
    (void)event;
    (void)eventData1;
    (void)eventData2;
    const int which = CallbackValue(callbackData);
    if (which == 1) {
        if (!isZoom_On) {
            isZoom_On = 1;
            const int half = Scroll_Thumb_Size / 2;
            const double x1 = half <= 1 ? 5.0 : half;
            const double x2 = half < 50 ? 5.0 : half + 50.0;
            SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 1, x1, 0.0);
            SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 2, x2, 0.0);
            SetCursorAttribute(panelScope, SCOPE_TIMEGRAPH, 1, ATTR_CURSOR_ENABLED, 1);
            SetCursorAttribute(panelScope, SCOPE_TIMEGRAPH, 2, ATTR_CURSOR_ENABLED, 1);
            // Resizing the graph must not move the offset markers.
            double mx[4], my[4];
            for (int c = 0; c < 4; ++c)
                GetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 3 + c, &mx[c], &my[c]);
            SetCtrlAttribute(panelScope, SCOPE_TIMEGRAPH, ATTR_HEIGHT, kTimeGraphZoomHeight);
            SetCtrlAttribute(panelScope, SCOPE_ZOOMGRAPH, ATTR_VISIBLE, 1);
            for (int c = 0; c < 4; ++c)
                SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 3 + c, mx[c], my[c]);
        }
        Scope_PlotZoomArea();
        RefreshGraph(panelScope, SCOPE_ZOOMGRAPH);
    } else if (which == 2) {
        isZoom_On = 0;
        if (!Cursor1) {
            SetCursorAttribute(panelScope, SCOPE_TIMEGRAPH, 1, ATTR_CURSOR_ENABLED, 0);
            SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 1, 0.0, 0.0);
        }
        if (!Cursor2) {
            SetCursorAttribute(panelScope, SCOPE_TIMEGRAPH, 2, ATTR_CURSOR_ENABLED, 0);
            SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 2, 0.0, 0.0);
        }
        SetCtrlAttribute(panelScope, SCOPE_TIMEGRAPH, ATTR_HEIGHT, kTimeGraphFullHeight);
        SetCtrlAttribute(panelScope, SCOPE_ZOOMGRAPH, ATTR_VISIBLE, 0);
        Scope_LayoutOffsetMarkers();
    }
    RefreshGraph(panelScope, SCOPE_TIMEGRAPH);
    return 0;
}

int Scope_Reset_Position(int panel, int control, int event, void *callbackData, int eventData1,
                         int eventData2)
{
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event == EVENT_COMMIT)
        Scope_LayoutOffsetMarkers();
    return 0;
}
