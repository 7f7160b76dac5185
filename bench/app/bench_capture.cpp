// Normal capture benchmarks: one capture tick of a continuous run (synthesis
// with generator noise, acquisition noise, optional 63-tap filter, plotting
// the whole record as the window, measurement, refresh) on the largest
// records, and the pieces of a one-channel tick timed one by one.  The
// yardstick is three copies of the one-channel record (64 MB each) in the
// same run; closing lines give the one-channel tick as a multiple of it and
// its stages one by one (with repetitions, the fastest of each):
//
//   build-*/bench/bench_capture --benchmark_repetitions=5 --benchmark_filter='CaptureTick/channels:1/record:7999488/taps:0|Piece|Ref'
//   build-*/bench/bench_capture --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "analysis/synth.h"
#include "bench/app/bench_support.h"
#include "shell/bench.h"
#include "ui/testseam.h"

#include <unistd.h>

namespace
{

constexpr int kOneChannel = 7999488;
constexpr int kFourChannels = 1999872;
constexpr double kRate = 10.0e6;


void *Data(int value)
{
    return reinterpret_cast<void *>(static_cast<std::intptr_t>(value));
}

// A continuous run of `channels` channels of `record` samples at 10 MS/s:
// a 1 kHz sine with the generator's noise, trigger on CH1, the window the
// whole record, the filter on with `taps` taps (0: off).
bool StartRun(int channels, int record, int taps)
{
    if (!OpenBench("bench_capture"))
        return false;
    GoStopCallback(panelScope, kToolbarStop, EVENT_COMMIT, Data(3), 0, 0);
    const int boxes[4] = {TAB_AIN_CH1, TAB_AIN_CH2, TAB_AIN_CH3, TAB_AIN_CH4};
    for (int k = 0; k < 4; ++k)
        SetCtrlVal(panelAin, boxes[k], k < channels ? 1 : 0);
    Select_Channel(panelAin, TAB_AIN_CH1, EVENT_VAL_CHANGED, nullptr, 0, 0);
    SetCtrlAttribute(panelScope, SCOPE_RECORD_LENGTH, ATTR_MAX_VALUE, Scope_RecordLimit());
    SetCtrlVal(panelScope, SCOPE_RECORD_LENGTH, record);
    SetCtrlVal(panelScope, SCOPE_SAMPLING_RATE, kRate);
    SetCtrlVal(panelScope, SCOPE_TRIGGER_SOURCE, 0);
    SetCtrlVal(panelFilter, FILTER_ONOFF, taps > 0 ? 1 : 0);
    SetCtrlVal(panelFilter, FILTER_TYPE, 0);
    SetCtrlVal(panelFilter, FILTER_LOW_FREQ, 100000.0);
    SetCtrlVal(panelFilter, FILTER_TAPS, taps > 0 ? taps : 63);
    oChan[0].type = 0;
    oChan[0].amplitude = 1.0;
    oChan[0].offset = 0.0;
    oChan[0].noise = 1;
    oFrequency = 1000.0;
    Scroll_Thumb_Size = 0; // the window becomes the whole record
    if (GoStopCallback(panelScope, kToolbarContinuous, EVENT_COMMIT, Data(2), 0, 0) != 0)
        return false;
    return RequestedSamples == record && Scroll_Thumb_Size == record;
}

void CaptureTick(benchmark::State &state)
{
    const int channels = static_cast<int>(state.range(0));
    const int record = static_cast<int>(state.range(1));
    const int taps = static_cast<int>(state.range(2));
    if (!StartRun(channels, record, taps)) {
        state.SkipWithError("bench could not start the run");
        return;
    }
    // A continuous run reuses its buffers from tick to tick: the first tick
    // maps the freshly allocated pages and is left out of the timing.
    NormalCapture();
    for (auto _ : state)
        NormalCapture();
    GoStopCallback(panelScope, kToolbarStop, EVENT_COMMIT, Data(3), 0, 0);
    state.counters["samples"] = static_cast<double>(channels) * record;
    state.counters["ns_per_sample"] =
        benchmark::Counter(static_cast<double>(channels) * record,
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(CaptureTick)
    ->ArgNames({"channels", "record", "taps"})
    ->Args({1, kOneChannel, 0})
    ->Args({4, kFourChannels, 0})
    ->Args({1, kOneChannel, 63})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

// ---- the pieces of a one-channel tick ----------------------------------

std::vector<double> &Record()
{
    static std::vector<double> record(kOneChannel);
    return record;
}

// The waveform, in the tick's blocks of 65536 samples.
void Piece_Synthesis(benchmark::State &state)
{
    std::vector<double> &r = Record();
    for (auto _ : state) {
        double phase = 0.0;
        for (int done = 0; done < kOneChannel; done += 65536) {
            const int count = kOneChannel - done < 65536 ? kOneChannel - done : 65536;
            benchmark::DoNotOptimize(SineWave(count, 1.0, 1000.0 / kRate, &phase, r.data() + done));
        }
    }
}
BENCHMARK(Piece_Synthesis)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// Generator noise and acquisition noise, each drawn and added in place.
void Piece_Noise(benchmark::State &state)
{
    std::vector<double> &r = Record();
    for (auto _ : state) {
        for (int pass = 0; pass < 2; ++pass) {
            for (int done = 0; done < kOneChannel; done += 65536) {
                const int count = kOneChannel - done < 65536 ? kOneChannel - done : 65536;
                benchmark::DoNotOptimize(AddWhiteNoise(count, 0.1, r.data() + done));
            }
        }
    }
}
BENCHMARK(Piece_Noise)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The noise alone: 2 x 7,999,488 draws into a cached block, nothing added.
void Piece_NoiseDrawOnly(benchmark::State &state)
{
    std::vector<double> block(65536);
    for (auto _ : state) {
        for (int pass = 0; pass < 2; ++pass) {
            for (int done = 0; done < kOneChannel; done += 65536) {
                const int count = kOneChannel - done < 65536 ? kOneChannel - done : 65536;
                benchmark::DoNotOptimize(WhiteNoise(count, 0.1, 0, block.data()));
            }
        }
    }
}
BENCHMARK(Piece_NoiseDrawOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void Piece_Filter63(benchmark::State &state)
{
    if (!StartRun(1, 2048, 63)) {
        state.SkipWithError("bench could not start the run");
        return;
    }
    GoStopCallback(panelScope, kToolbarStop, EVENT_COMMIT, Data(3), 0, 0);
    std::vector<double> &r = Record();
    for (auto _ : state)
        benchmark::DoNotOptimize(Scope_FilterRecord(r.data(), kOneChannel, kRate));
}
BENCHMARK(Piece_Filter63)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// Delete, plot the whole record, refresh: what a tick does with the graph.
void Piece_Plot(benchmark::State &state)
{
    if (!OpenBench("bench_capture")) {
        state.SkipWithError("bench could not open");
        return;
    }
    std::vector<double> &r = Record();
    for (auto _ : state) {
        DeleteGraphPlot(panelScope, SCOPE_TIMEGRAPH, -1, VAL_DELAYED_DRAW);
        PlotWaveform(panelScope, SCOPE_TIMEGRAPH, r.data(), kOneChannel, VAL_DOUBLE, 1.0, 0.0, 0.0, 1.0,
                     VAL_THIN_LINE, VAL_NO_POINT, VAL_SOLID, 1, VAL_YELLOW);
        RefreshGraph(panelScope, SCOPE_TIMEGRAPH);
    }
    DeleteGraphPlot(panelScope, SCOPE_TIMEGRAPH, -1, VAL_DELAYED_DRAW);
}
BENCHMARK(Piece_Plot)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void Piece_Measurement(benchmark::State &state)
{
    if (!OpenBench("bench_capture")) {
        state.SkipWithError("bench could not open");
        return;
    }
    std::vector<double> &r = Record();
    Scroll_Thumb_Size = kOneChannel;
    for (auto _ : state)
        Waveform_Parameter(r.data());
}
BENCHMARK(Piece_Measurement)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The whole synthesis of the tick's record as the capture runs it
// (waveform, generator noise, acquisition noise), with the run's settings.
void Piece_RecordSynthesis(benchmark::State &state)
{
    if (!StartRun(1, kOneChannel, 0)) {
        state.SkipWithError("bench could not start the run");
        return;
    }
    GoStopCallback(panelScope, kToolbarStop, EVENT_COMMIT, Data(3), 0, 0);
    benchmark::DoNotOptimize(Scope_SynthesizeRecord(vBufferIn[0], 0, kOneChannel, 1, kRate, 0.01));
    for (auto _ : state)
        benchmark::DoNotOptimize(Scope_SynthesizeRecord(vBufferIn[0], 0, kOneChannel, 1, kRate, 0.01));
}
BENCHMARK(Piece_RecordSynthesis)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The yardstick: three full copies of the one-channel record.
void Ref_Memcpy3x64MB(benchmark::State &state)
{
    std::vector<double> a(kOneChannel, 1.0), b(kOneChannel, 2.0);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), sizeof(double) * kOneChannel);
        std::memcpy(a.data(), b.data(), sizeof(double) * kOneChannel);
        std::memcpy(b.data(), a.data(), sizeof(double) * kOneChannel);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(Ref_Memcpy3x64MB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

// Console output, then the closing ratio of the one-channel tick to the
// three copies and the tick's stages, wall-clock and processor time.  With
// repetitions each figure is the fastest repetition (the machine's other
// load only ever adds time), or the median when only aggregates are
// reported.
class TickReporter : public benchmark::ConsoleReporter
{
  public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &r : runs) {
            // Single runs, and the medians when only aggregates are reported.
            const bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
            if (r.error_occurred || r.iterations == 0 || (r.run_type != Run::RT_Iteration && !median))
                continue;
            const double it = static_cast<double>(r.iterations);
            Keep(real_, r.run_name.function_name, r.run_name.args, r.real_accumulated_time / it);
            Keep(cpu_, r.run_name.function_name, r.run_name.args, r.cpu_accumulated_time / it);
        }
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const std::string tick = "CaptureTick/channels:1/record:7999488/taps:0";
        const std::string copies = "Ref_Memcpy3x64MB";
        if (real_.count(tick) && real_.count(copies)) {
            std::printf("\ncapture tick 1 x %d: %.1f ms = %.2f x three 64 MB copies (%.1f ms); "
                        "processor time %.1f ms = %.2f x (%.1f ms) (target: at most 3)\n",
                        kOneChannel, real_[tick] * 1e3, real_[tick] / real_[copies], real_[copies] * 1e3,
                        cpu_[tick] * 1e3, cpu_[tick] / cpu_[copies], cpu_[copies] * 1e3);
            // The stages of that tick, timed one by one above.
            const char *stages[][2] = {{"Piece_Synthesis", "waveform"},
                                       {"Piece_Noise", "generator + acquisition noise"},
                                       {"Piece_Plot", "plot + refresh"},
                                       {"Piece_Measurement", "measurement"}};
            double sumReal = 0.0, sumCpu = 0.0;
            std::printf("stage breakdown (wall / processor ms):\n");
            for (const auto &stage : stages) {
                if (!real_.count(stage[0]))
                    continue;
                sumReal += real_[stage[0]];
                sumCpu += cpu_[stage[0]];
                std::printf("  %-32s %7.1f / %6.1f\n", stage[1], real_[stage[0]] * 1e3, cpu_[stage[0]] * 1e3);
            }
            std::printf("  %-32s %7.1f / %6.1f\n", "rest of the tick", (real_[tick] - sumReal) * 1e3,
                        (cpu_[tick] - sumCpu) * 1e3);
            if (real_.count("Piece_NoiseDrawOnly"))
                std::printf("noise draw alone (2 x %d values, no memory traffic): %.1f / %.1f ms\n", kOneChannel,
                            real_["Piece_NoiseDrawOnly"] * 1e3, cpu_["Piece_NoiseDrawOnly"] * 1e3);
        }
        std::fflush(stdout);
    }

  private:
    static void Keep(std::map<std::string, double> &m, const std::string &function, const std::string &args,
                     double seconds)
    {
        const std::string key = args.empty() ? function : function + "/" + args;
        auto it = m.find(key);
        if (it == m.end() || seconds < it->second)
            m[key] = seconds;
    }
    std::map<std::string, double> real_, cpu_;
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
