// Streaming capture benchmarks: one tick of a 67,108,864-sample stream of one
// channel at decimation 16 and at decimation 1, with the generator's noise.
// Besides the time, each run reports the peak memory the tick added on top
// of what was resident before it (kernel high-water mark, reset before the
// tick) next to the size of the kept buffer.
//
//   build-*/bench/bench_streaming --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/app/bench_support.h"
#include "shell/bench.h"
#include "ui/testseam.h"

#include <unistd.h>

namespace
{

constexpr int kStream = 67108864;


void *Data(int value)
{
    return reinterpret_cast<void *>(static_cast<std::intptr_t>(value));
}

// A line "Key:   12345 kB" of /proc/self/status, in bytes (-1 if absent).
double StatusBytes(const char *key)
{
    std::FILE *f = std::fopen("/proc/self/status", "r");
    if (!f)
        return -1.0;
    char line[256];
    double value = -1.0;
    const size_t length = std::strlen(key);
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, key, length) == 0 && line[length] == ':') {
            value = std::atof(line + length + 1) * 1024.0;
            break;
        }
    }
    std::fclose(f);
    return value;
}

// Resets the peak-RSS mark to the current RSS (Linux).
bool ResetPeak()
{
    std::FILE *f = std::fopen("/proc/self/clear_refs", "w");
    if (!f)
        return false;
    const bool ok = std::fputs("5", f) >= 0;
    return std::fclose(f) == 0 && ok;
}

void StreamTick(benchmark::State &state)
{
    const int decimation = static_cast<int>(state.range(0));
    if (!OpenBench("bench_streaming")) {
        state.SkipWithError("bench could not open");
        return;
    }
    const int boxes[4] = {TAB_AIN_CH1, TAB_AIN_CH2, TAB_AIN_CH3, TAB_AIN_CH4};
    for (int k = 0; k < 4; ++k)
        SetCtrlVal(panelAin, boxes[k], k == 0 ? 1 : 0);
    Select_Channel(panelAin, TAB_AIN_CH1, EVENT_VAL_CHANGED, nullptr, 0, 0);
    SetCtrlVal(panelAd_Scope, AD_SCOPE_AVERAGING, 0);
    SetCtrlVal(panelAd_Scope, AD_SCOPE_STREAMING, 1);
    SetCtrlVal(panelAd_Scope, AD_SCOPE_DECIMATION, decimation);
    onOK_Ad_Scope(panelAd_Scope, AD_SCOPE_OK, EVENT_COMMIT, nullptr, 0, 0);
    SetCtrlVal(panelScope, SCOPE_RECORD_LENGTH, kStream);
    SetCtrlVal(panelScope, SCOPE_SAMPLING_RATE, 40.0e6);
    SetCtrlVal(panelScope, SCOPE_TRIGGER_SOURCE, 0);
    oChan[0].type = 0;
    oChan[0].amplitude = 1.0;
    oChan[0].noise = 1;
    oFrequency = 1000.0;

    const double kept = static_cast<double>(kStream / decimation) * sizeof(double);
    double worstPeak = 0.0;
    bool peakMeasured = true;
    for (auto _ : state) {
        state.PauseTiming();
        DeleteGraphPlot(panelScope, SCOPE_TIMEGRAPH, -1, VAL_DELAYED_DRAW);
        Scroll_Thumb_Size = 0; // the window becomes the whole stream
        if (GoStopCallback(panelScope, kToolbarOneShot, EVENT_COMMIT, Data(1), 0, 0) != 0 ||
            iSamples != kStream) {
            state.SkipWithError("the stream could not start");
            break;
        }
        const double before = StatusBytes("VmRSS");
        peakMeasured = peakMeasured && ResetPeak();
        state.ResumeTiming();

        StreamingRAMCapture();

        state.PauseTiming();
        const double peak = StatusBytes("VmHWM") - before;
        if (peak > worstPeak)
            worstPeak = peak;
        state.ResumeTiming();
    }
    DeleteGraphPlot(panelScope, SCOPE_TIMEGRAPH, -1, VAL_DELAYED_DRAW);
    Scope_ReleaseBuffers();
    state.counters["kept_MB"] = kept / 1048576.0;
    state.counters["peak_added_MB"] = peakMeasured ? worstPeak / 1048576.0 : -1.0;
    state.counters["over_kept_MB"] = peakMeasured ? (worstPeak - kept) / 1048576.0 : -1.0;
}
BENCHMARK(StreamTick)
    ->ArgName("decimation")
    ->Arg(16)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

} // namespace

BENCHMARK_MAIN();
