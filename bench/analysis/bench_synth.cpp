// Synthesis and noise throughput on record-sized buffers. Reported as
// ns_per_sample (lower is better).
#include "analysis/analysis.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace
{

constexpr int kRecord = 8000000;

void reportPerSample(benchmark::State &state, double samplesPerIteration)
{
    state.counters["ns_per_sample"] =
        benchmark::Counter(samplesPerIteration * static_cast<double>(state.iterations()) * 1e-9,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.SetItemsProcessed(static_cast<int64_t>(samplesPerIteration) * state.iterations());
}

enum Shape { kSine, kSquare, kSawtooth, kTriangle };

void BM_Periodic(benchmark::State &state)
{
    const auto shape = static_cast<Shape>(state.range(0));
    const int n = static_cast<int>(state.range(1));
    std::vector<double> out(static_cast<size_t>(n));
    double phase = 12.5;
    const double frequency = 1000.0 / 1e6; // 1 kHz at 1 MS/s
    for (auto _ : state) {
        int status = 0;
        switch (shape) {
        case kSine:
            status = SineWave(n, 1.0, frequency, &phase, out.data());
            break;
        case kSquare:
            status = SquareWave(n, 1.0, frequency, &phase, 50.0, out.data());
            break;
        case kSawtooth:
            status = SawtoothWave(n, 1.0, frequency, &phase, out.data());
            break;
        case kTriangle:
            status = TriangleWave(n, 1.0, frequency, &phase, out.data());
            break;
        }
        if (status != 0)
            state.SkipWithError("synthesis failed");
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    reportPerSample(state, n);
}
BENCHMARK(BM_Periodic)
    ->ArgNames({"shape", "n"})
    ->Args({kSine, kRecord})
    ->Args({kSquare, kRecord})
    ->Args({kSawtooth, kRecord})
    ->Args({kTriangle, kRecord})
    ->Unit(benchmark::kMillisecond);

// Same record, a high frequency: the phase grows to 1e9 degrees in one call.
void BM_SineFast(benchmark::State &state)
{
    std::vector<double> out(kRecord);
    double phase = 0.0;
    for (auto _ : state) {
        if (SineWave(kRecord, 1.0, 0.37, &phase, out.data()) != 0)
            state.SkipWithError("synthesis failed");
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    reportPerSample(state, kRecord);
}
BENCHMARK(BM_SineFast)->Unit(benchmark::kMillisecond);

// Filling the record with a constant: the memory-bandwidth floor.
void BM_Fill(benchmark::State &state)
{
    std::vector<double> out(kRecord);
    for (auto _ : state) {
        if (Set1D(out.data(), kRecord, 0.5) != 0)
            state.SkipWithError("fill failed");
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    reportPerSample(state, kRecord);
}
BENCHMARK(BM_Fill)->Unit(benchmark::kMillisecond);

// glibc's sin over the same record, as a yardstick.
void BM_LibmSine(benchmark::State &state)
{
    std::vector<double> out(kRecord);
    const double step = 1000.0 / 1e6 * 360.0;
    for (auto _ : state) {
        double phase = 12.5;
        for (int i = 0; i < kRecord; ++i) {
            out[static_cast<size_t>(i)] = std::sin(phase * 0.017453292519943295);
            phase += step;
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    reportPerSample(state, kRecord);
}
BENCHMARK(BM_LibmSine)->Unit(benchmark::kMillisecond);

void BM_WhiteNoise(benchmark::State &state)
{
    const int n = static_cast<int>(state.range(0));
    std::vector<double> out(static_cast<size_t>(n));
    for (auto _ : state) {
        if (WhiteNoise(n, 0.01, 0, out.data()) != 0)
            state.SkipWithError("noise failed");
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    reportPerSample(state, n);
}
BENCHMARK(BM_WhiteNoise)->Arg(kRecord)->Arg(4096)->Unit(benchmark::kMillisecond);

// One randnum per sample under the lock: the plain sequential generator.
void BM_RandnumLoop(benchmark::State &state)
{
    std::vector<double> out(kRecord);
    if (InitRandMutex() != 0)
        state.SkipWithError("no lock");
    for (auto _ : state) {
        if (DSPMutexGet(&AnlysRandGenMutex) != 0)
            state.SkipWithError("no lock");
        for (int i = 0; i < kRecord; ++i)
            out[static_cast<size_t>(i)] = (randnum() - 16383) * (0.01 * 0.00006103515625);
        DSPMutexRelease(&AnlysRandGenMutex);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    reportPerSample(state, kRecord);
}
BENCHMARK(BM_RandnumLoop)->Unit(benchmark::kMillisecond);

// A long RAM stream kept every 16th sample: cost per kept sample.
void BM_DecimatedStream(benchmark::State &state)
{
    const int stride = 16;
    const int count = 67108864 / stride;
    std::vector<double> out(static_cast<size_t>(count));
    double phase = 0.0;
    for (auto _ : state) {
        if (SineWaveDecimated(count, 1.0, 1000.0 / 1e6, &phase, stride, out.data()) != 0 ||
            WhiteNoiseDecimated(count, 0.01, stride, out.data()) != 0)
            state.SkipWithError("synthesis failed");
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    reportPerSample(state, count);
}
BENCHMARK(BM_DecimatedStream)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
