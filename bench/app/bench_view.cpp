// Scope view benchmarks on the largest record (one channel of 7,999,488
// samples): a scroll step and a zoom step of a 1,000,000-sample window, each
// with its redraw, and the spectrum tick (fft and graph refresh) with its
// stages timed one by one and the real FFT of the same length as the
// yardstick; a closing line gives the tick as a multiple of that FFT.
//
//   build-*/bench/bench_view --benchmark_counters_tabular=true
//   build-*/bench/bench_view --benchmark_filter='Spectrum|Stage'
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "analysis/spectrum.h"
#include "analysis/synth.h"

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

// ---- the stages of a spectrum tick, on the same record ------------------

using Clock = std::chrono::steady_clock;

// Re-synthesis of the record with the spectrum's 0.001 V noise.
void Stage_1_Synthesis(benchmark::State &state)
{
    if (!MakeLongRecord()) {
        state.SkipWithError("bench could not be opened");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(Scope_SynthesizeInput(vBufferIn[0], kRecord, iClockRate, 0.001));
}
BENCHMARK(Stage_1_Synthesis)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The window of the panel's ring (its start-up value: none), scaled.
void Stage_2_Window(benchmark::State &state)
{
    if (!MakeLongRecord()) {
        state.SkipWithError("bench could not be opened");
        return;
    }
    int code = 0;
    GetCtrlVal(panelScope, SCOPE_FFT_WINDOW, &code);
    WindowConstants constants{1.0, 1.0};
    for (auto _ : state)
        benchmark::DoNotOptimize(ScaledWindow(vBufferIn[0], kRecord, code, &constants));
    state.counters["window"] = code;
}
BENCHMARK(Stage_2_Window)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The yardstick: the real FFT of the record's length, plan and buffers
// ready, the input restored outside the timed interval.
void Stage_3_ReFFT(benchmark::State &state)
{
    if (!MakeLongRecord()) {
        state.SkipWithError("bench could not be opened");
        return;
    }
    std::vector<double> x(kRecord), y(kRecord);
    std::memcpy(x.data(), vBufferIn[0], sizeof(double) * kRecord);
    benchmark::DoNotOptimize(ReFFT(x.data(), y.data(), kRecord));
    for (auto _ : state) {
        std::memcpy(x.data(), vBufferIn[0], sizeof(double) * kRecord);
        const auto t0 = Clock::now();
        benchmark::DoNotOptimize(ReFFT(x.data(), y.data(), kRecord));
        const auto t1 = Clock::now();
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
    }
}
BENCHMARK(Stage_3_ReFFT)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

// The library's two routines one after the other: AutoPowerSpectrum (its
// own copy of the record and transform) and the dBm conversion.
void Stage_4_PowerAndDbm_TwoRoutines(benchmark::State &state)
{
    if (!MakeLongRecord()) {
        state.SkipWithError("bench could not be opened");
        return;
    }
    double df = 0.0;
    char unit[64] = "V";
    for (auto _ : state) {
        benchmark::DoNotOptimize(AutoPowerSpectrum(vBufferIn[0], kRecord, 1.0 / iClockRate, spectrum[0], &df));
        benchmark::DoNotOptimize(SpectrumUnitConversion(spectrum[0], kRecord / 2, SPECTRUM_POWER, SCALING_DBM, 0,
                                                        1.0, WindowConstants{1.0, 1.0}, spectrum[0], unit));
    }
}
BENCHMARK(Stage_4_PowerAndDbm_TwoRoutines)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The dBm conversion alone, on a power spectrum.
void Stage_5_DbmConversion(benchmark::State &state)
{
    if (!MakeLongRecord()) {
        state.SkipWithError("bench could not be opened");
        return;
    }
    std::vector<double> power(kRecord / 2);
    for (int k = 0; k < kRecord / 2; ++k)
        power[k] = 1e-6 * (1 + k % 97);
    char unit[64] = "V";
    for (auto _ : state)
        benchmark::DoNotOptimize(SpectrumUnitConversion(power.data(), kRecord / 2, SPECTRUM_POWER, SCALING_DBM,
                                                        0, 1.0, WindowConstants{1.0, 1.0}, spectrum[0], unit));
}
BENCHMARK(Stage_5_DbmConversion)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// Peak search over the bins.
void Stage_6_Peak(benchmark::State &state)
{
    if (!MakeLongRecord()) {
        state.SkipWithError("bench could not be opened");
        return;
    }
    for (auto _ : state) {
        double mx = 0.0, mn = 0.0;
        int imx = 0, imn = 0;
        benchmark::DoNotOptimize(MaxMin1D(spectrum[0], kRecord / 2, &mx, &imx, &mn, &imn));
    }
}
BENCHMARK(Stage_6_Peak)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// Plot of the shown bins and the graph's redraw.
void Stage_7_PlotAndRedraw(benchmark::State &state)
{
    if (!MakeLongRecord()) {
        state.SkipWithError("bench could not be opened");
        return;
    }
    SetWindow(kRecord, 1.0);
    SetCtrlAttribute(panelScope, SCOPE_FFTGRAPH, ATTR_VISIBLE, 1);
    for (auto _ : state) {
        DeleteGraphPlot(panelScope, SCOPE_FFTGRAPH, -1, VAL_DELAYED_DRAW);
        PlotY(panelScope, SCOPE_FFTGRAPH, spectrum[0], kRecord / 2, VAL_DOUBLE, VAL_THIN_LINE, VAL_NO_POINT,
              VAL_SOLID, 1, VAL_YELLOW);
        RefreshGraph(panelScope, SCOPE_FFTGRAPH);
        ProcessDrawEvents();
    }
    DeleteGraphPlot(panelScope, SCOPE_FFTGRAPH, -1, VAL_DELAYED_DRAW);
    SetCtrlAttribute(panelScope, SCOPE_FFTGRAPH, ATTR_VISIBLE, 0);
}
BENCHMARK(Stage_7_PlotAndRedraw)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// Console output plus a closing line: the spectrum tick as a multiple of
// the real FFT of the same length, from the runs of this process.
class TickReporter : public benchmark::ConsoleReporter
{
  public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &r : runs) {
            if (r.error_occurred || r.iterations == 0)
                continue;
            times_[r.run_name.function_name] = r.real_accumulated_time / static_cast<double>(r.iterations);
            cpu_[r.run_name.function_name] = r.cpu_accumulated_time / static_cast<double>(r.iterations);
        }
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const auto tick = times_.find("BM_SpectrumTick"), fft = times_.find("Stage_3_ReFFT");
        if (tick != times_.end() && fft != times_.end() && fft->second > 0.0)
            std::printf("\nspectrum tick %.1f ms = %.2f x ReFFT(%d) %.1f ms (target: at most 3); "
                        "processor time of the tick %.1f ms\n",
                        tick->second * 1e3, tick->second / fft->second, kRecord, fft->second * 1e3,
                        cpu_["BM_SpectrumTick"] * 1e3);
        std::fflush(stdout);
    }

  private:
    std::map<std::string, double> times_, cpu_;
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    TickReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
