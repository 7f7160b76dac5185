// Scope view benchmarks on the largest record (one channel of 7,999,488
// samples): a scroll step and a zoom step of a 1,000,000-sample window, each
// with its redraw, and the spectrum tick (fft and graph refresh).
//
//   build-*/bench/bench_view --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "bench/app/bench_support.h"
#include "shell/bench.h"
#include "ui/testseam.h"

#include <unistd.h>

namespace
{

constexpr int kRecord = 7999488;
constexpr int kWindow = 1000000;


// One channel holding a 1 kHz sine of kRecord samples at 10 MS/s.
bool MakeLongRecord()
{
    if (!OpenBench("bench_view"))
        return false;
    if (RequestedSamples == kRecord && vBufferIn[0])
        return true;
    numChanIn = 1;
    Ain[0] = 1;
    isStreamingRAMEnabled = 0;
    isStreamingRAMOn = 0;
    isFFT_On = 0;
    is_PersistanceON = 0;
    pre_iSample = 0;
    iClockRate = 10.0e6;
    dTimeStep = 1.0 / iClockRate;
    RequestedSamples = kRecord;
    iSamples = kRecord + kPostTriggerMargin;
    iScanCount = iSamples;
    iOffset = 0;
    oChan[0].type = 0;
    oChan[0].amplitude = 1.0;
    oChan[0].offset = 0.0;
    oChan[0].noise = 0;
    oFrequency = 1000.0;
    trigger_source = 0;
    trigger_slope = 1;
    if (Scope_AllocateBuffers() != 0 || Scope_SynthesizeInput(vBufferIn[0], kRecord, iClockRate, 0.01) != 0)
        return false;
    ScrollBar_SetAttribute(panelScope, SCOPE_SCROLLBAR, ATTR_SB_MAX, kRecord);
    return true;
}

void SetWindow(int size, double zoomFactor)
{
    Scroll_Thumb_Size = size;
    ZoomFactor = zoomFactor;
    Scroll_Value = 0;
    ScrollBar_SetAttribute(panelScope, SCOPE_SCROLLBAR, ATTR_SB_VIEW_SIZE, size);
}

void BM_ScrollStep(benchmark::State &state)
{
    if (!MakeLongRecord()) {
        state.SkipWithError("bench could not be opened");
        return;
    }
    SetWindow(kWindow, static_cast<double>(kRecord) / kWindow);
    int position = 0;
    for (auto _ : state) {
        position += kWindow / 4;
        if (position > kRecord - kWindow)
            position = 0;
        ScrollBarCallback(panelScope, SCOPE_SCROLLBAR, SB_EVENT_JUMP, nullptr, position, 0);
        ProcessDrawEvents();
    }
    state.counters["window"] = Scroll_Thumb_Size;
}
BENCHMARK(BM_ScrollStep)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ZoomStep(benchmark::State &state)
{
    if (!MakeLongRecord()) {
        state.SkipWithError("bench could not be opened");
        return;
    }
    // Zoom In and Zoom Out in turn between windows of about 1,000,000 and
    // 2,000,000 samples, in the middle of the record.
    SetWindow(kRecord / 4, 4.0);
    Scroll_Value = 3000000;
    bool in = true;
    for (auto _ : state) {
        ScopeZoomData(panelScope, 0, EVENT_COMMIT, reinterpret_cast<void *>(in ? 1 : 2), 0, 0);
        ProcessDrawEvents();
        in = !in;
    }
    state.counters["window"] = Scroll_Thumb_Size;
}
BENCHMARK(BM_ZoomStep)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SpectrumTick(benchmark::State &state)
{
    if (!MakeLongRecord()) {
        state.SkipWithError("bench could not be opened");
        return;
    }
    SetWindow(kRecord, 1.0);
    isFFT_On = 1;
    SetCtrlAttribute(panelScope, SCOPE_FFTGRAPH, ATTR_VISIBLE, 1);
    for (auto _ : state) {
        DeleteGraphPlot(panelScope, SCOPE_FFTGRAPH, -1, VAL_DELAYED_DRAW);
        fft(0, 0);
        RefreshGraph(panelScope, SCOPE_FFTGRAPH);
        ProcessDrawEvents();
    }
    isFFT_On = 0;
    SetCtrlAttribute(panelScope, SCOPE_FFTGRAPH, ATTR_VISIBLE, 0);
    // The record was re-synthesised with the spectrum's noise and windowed.
    RequestedSamples = 0;
}
BENCHMARK(BM_SpectrumTick)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace

BENCHMARK_MAIN();
