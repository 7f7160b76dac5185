// The spectrum view: power spectrum in dBm of every slot, peak search and
// the spectrum cursor readout.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <new>

#include "analysis/spectrum.h"
#include "analysis/synth.h"
#include "scope/scope.h"
#include "scope/scope_realdevice.h"

namespace
{

// Scratch of the transform (2 x the record length), kept from one tick to
// the next while the record length stays, so that a tick neither allocates
// nor faults in fresh pages; released when the view is switched off.
struct SpectrumWork {
    std::unique_ptr<double[]> data;
    long long size = 0;

    double *Get(int n)
    {
        const long long want = 2LL * n;
        if (size < want) {
            data.reset();
            size = 0;
            data.reset(new (std::nothrow) double[static_cast<std::size_t>(want)]);
            if (data)
                size = want;
        }
        return data.get();
    }
    void Release()
    {
        data.reset();
        size = 0;
    }
};
SpectrumWork spectrumWork;

// Acquisition noise of the spectrum's synthesis, volts.
constexpr double kSpectrumNoise = 0.001;

// Toolbar items that act on the time graph, and "Save".
const int kTimeViewTools[] = {kToolbarCursor1, kToolbarCursor2, kToolbarZoomAreaOn, kToolbarZoomAreaOff,
                              kToolbarSave};

void ShowSpectrumCursor(void)
{
    double x = 0.0, y = 0.0;
    GetGraphCursor(panelScope, SCOPE_FFTGRAPH, 1, &x, &y);
    SetCtrlVal(panelScope, SCOPE_FFT_CURSOR_FREQ, (x + Scroll_Value / 2) * dFreqStep);
    SetCtrlVal(panelScope, SCOPE_FFT_CURSOR_LEVEL, y);
}

// The slot whose trace carries the spectrum cursor: the one it was last
// put on while that slot is drawn, else the first drawn slot; -1 for none.
int CursorSlot(void)
{
    const int slot = scopeState.spectrumCursorSlot;
    if (slot >= 0 && slot < numChanIn && slot < 4 && Ain[slot])
        return slot;
    for (int k = 0; k < numChanIn && k < 4; ++k) {
        if (Ain[k])
            return k;
    }
    return -1;
}

// Puts the spectrum cursor on point index of the cursor slot's trace;
// false when that trace is not on the graph.
bool PutCursorOnTrace(int slot, int index)
{
    if (slot < 0 || spectrumPlot[slot] <= 0)
        return false;
    int count = 0;
    if (GetPlotData(panelScope, SCOPE_FFTGRAPH, spectrumPlot[slot], nullptr, 0, &count) < 0 || count <= 0)
        return false;
    index = std::clamp(index, 0, count - 1);
    return SetGraphCursorIndex(panelScope, SCOPE_FFTGRAPH, 1, spectrumPlot[slot], index) == 0;
}

// Reports a spectrum that could not be computed, once per run: a popup per
// slot and tick would bury a continuous capture.
void ReportFailure(int slot, const char *reason)
{
    if (scopeState.spectrumFailureShown)
        return;
    scopeState.spectrumFailureShown = 1;
    char message[256];
    std::snprintf(message, sizeof message, "The spectrum of %s cannot be computed: %s", ChannelName[slot], reason);
    MessagePopup("Error", message);
}

} // namespace

int On_FFT(int panel, int control, int event, void *callbackData, int eventData1, int eventData2)
{
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event != EVENT_COMMIT)
        return 0;
    int on = 0;
    GetCtrlVal(panelScope, SCOPE_FFT_SWITCH, &on);
    isFFT_On = on ? 1 : 0;
    if (!isFFT_On)
        spectrumWork.Release();
    SetCtrlAttribute(panelScope, SCOPE_FFTGRAPH, ATTR_VISIBLE, isFFT_On);
    for (int ctrl : kSpectrumControls)
        SetCtrlAttribute(panelScope, ctrl, ATTR_DIMMED, isFFT_On ? 0 : 1);
    for (int item : kTimeViewTools)
        Toolbar_DimItem(Toolbar, item, isFFT_On);
    return 0;
}

void fft(int slot, int start)
{
    const int n = RequestedSamples;
    if (slot < 0 || slot >= numChanIn || slot > 3 || n <= 0 || !(iClockRate > 0.0))
        return;
    double *record = vBufferIn[slot];
    double *bins = spectrum[slot];
    // The synthesis fills positions 0 .. n - 1; pre-trigger positions hold no
    // fresh samples, so a negative record start is analysed from position 0.
    const int first = start > 0 ? start : 0;
    if (!record || !bins || !Scope_BufferHolds(0, n) || !Scope_BufferHolds(first, n))
        return;

    const double dt = 1.0 / iClockRate;
    int windowCode = 0;
    GetCtrlVal(panelScope, SCOPE_FFT_WINDOW, &windowCode);

    // From here on the slot's bins no longer hold a spectrum of the record
    // until every step has succeeded; nothing of a failed one is drawn.
    scopeState.spectrumBins[slot] = 0;
    if (RealDevice_Session())
        Scope_DeviceSlotRecord(slot, record, 0, n);
    else if (Scope_SynthesizeInput(record, n, iClockRate, kSpectrumNoise) != 0) {
        ReportFailure(slot, "not enough memory for the record.");
        return;
    }
    if (isFilterON && Scope_FilterRecord(record, n, iClockRate) < 0)
        return; // reported by the filter

    // The window is applied to the record in place; the power spectrum in
    // dBm (rms) then comes in one pass after the transform.  dBm needs no
    // window constant: only a per-hertz unit would use the bandwidth.
    WindowConstants constants{1.0, 1.0};
    double df = 0.0;
    const int half = n / 2;
    int status = ScaledWindow(record + first, n, windowCode, &constants);
    double *work = status >= 0 ? spectrumWork.Get(n) : nullptr;
    if (status >= 0 && !work)
        status = OutOfMemAnlysErr;
    if (status >= 0)
        status = PowerSpectrumDbm(record + first, n, dt, work, bins, &df);
    if (status < 0) {
        ReportFailure(slot, GetAnalysisErrorString(status));
        return;
    }
    Scope_SpectrumAnalysis(slot, bins, half, df, windowCode);
    scopeState.spectrumBins[slot] = half;

    double peak = 0.0, lowest = 0.0;
    int peakIndex = -1, lowestIndex = -1;
    if (half > 0 && MaxMin1D(bins, half, &peak, &peakIndex, &lowest, &lowestIndex) == 0 && peakIndex >= 0) {
        SetCtrlVal(panelScope, SCOPE_FFT_PEAK_FREQ, peakIndex * df / 1000.0);
        SetCtrlVal(panelScope, SCOPE_FFT_PEAK_LEVEL, peak);
    }

    dFreqStep = df / 1000.0;
    SetCtrlAttribute(panelScope, SCOPE_FFTGRAPH, ATTR_XAXIS_GAIN, dFreqStep);
    SetCtrlAttribute(panelScope, SCOPE_FFTGRAPH, ATTR_XAXIS_OFFSET, dFreqStep * Scroll_Value / 2.0);
    ShowSpectrumCursor();

    const int firstBin = Scroll_Value / 2;
    const int shown = Scroll_Thumb_Size / 2;
    if (Ain[slot] && shown > 0 && firstBin >= 0 && firstBin + shown <= half) {
        spectrumPlot[slot] = PlotY(panelScope, SCOPE_FFTGRAPH, bins + firstBin, shown, VAL_DOUBLE,
                                   VAL_THIN_LINE, VAL_NO_POINT, VAL_SOLID, 1, ChannelColor[slot]);
        if (slot == CursorSlot())
            Scope_SnapSpectrumCursor();
    }
}

void Scope_SnapSpectrumCursor(void)
{
    // Dragged, the cursor snaps to the bins of the trace it sits on.
    SetCursorAttribute(panelScope, SCOPE_FFTGRAPH, 1, ATTR_CURSOR_MODE, VAL_SNAP_TO_POINT);
    double x = 0.0, y = 0.0;
    GetGraphCursor(panelScope, SCOPE_FFTGRAPH, 1, &x, &y);
    const double bin = std::isfinite(x) ? std::clamp(std::round(x), 0.0, 1.0e9) : 0.0;
    PutCursorOnTrace(CursorSlot(), static_cast<int>(bin));
    ShowSpectrumCursor();
}

int Scope_SpectrumCursorPeak(void)
{
    const int slot = CursorSlot();
    const int firstBin = Scroll_Value / 2;
    const int shown = Scroll_Thumb_Size / 2;
    // The trace on screen is bins firstBin .. firstBin + shown - 1 of the
    // slot's last spectrum.
    if (slot < 0 || !spectrum[slot] || shown <= 0 || firstBin < 0 ||
        firstBin + shown > scopeState.spectrumBins[slot])
        return -1;
    double peak = 0.0, lowest = 0.0;
    int peakIndex = -1, lowestIndex = -1;
    if (MaxMin1D(spectrum[slot] + firstBin, shown, &peak, &peakIndex, &lowest, &lowestIndex) != 0 || peakIndex < 0)
        return -1;
    if (!PutCursorOnTrace(slot, peakIndex))
        return -1;
    ShowSpectrumCursor();
    return 0;
}

int FFT_Peak(int panel, int control, int event, void *callbackData, int eventData1, int eventData2)
{
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event == EVENT_COMMIT)
        Scope_SpectrumCursorPeak();
    return 0;
}

int Read_FFT_Cursor(int panel, int control, int event, void *callbackData, int eventData1, int eventData2)
{
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event != EVENT_VAL_CHANGED)
        return 0;
    // The trace the drag snapped the cursor to becomes its trace.
    int handle = 0, index = 0;
    if (GetGraphCursorIndex(panelScope, SCOPE_FFTGRAPH, 1, &handle, &index) == 0 && handle > 0) {
        for (int k = 0; k < numChanIn && k < 4; ++k) {
            if (Ain[k] && spectrumPlot[k] == handle)
                scopeState.spectrumCursorSlot = k;
        }
    }
    ShowSpectrumCursor();
    return 0;
}
