// Convolution throughput: ns per output sample per tap (lower is better),
// for the scope's filter lengths over an 8,000,000-sample record.
#include "analysis/analysis.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace
{

constexpr int kRecord = 8000000;

std::vector<double> ramp(int n, double scale)
{
    std::vector<double> v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        v[static_cast<size_t>(i)] = scale * static_cast<double>((i * 7919) % 1000 - 500);
    return v;
}

// Taps are the shorter input's samples.
void report(benchmark::State &state, int nx, int ny)
{
    const double outputs = static_cast<double>(nx) + ny - 1;
    const double taps = nx < ny ? nx : ny;
    state.counters["ns_per_output_tap"] =
        benchmark::Counter(outputs * taps * static_cast<double>(state.iterations()) * 1e-9,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_Convolve(benchmark::State &state)
{
    const int nx = static_cast<int>(state.range(0));
    const int ny = static_cast<int>(state.range(1));
    const std::vector<double> x = ramp(nx, 1e-3), y = ramp(ny, 1e-2);
    std::vector<double> out(static_cast<size_t>(nx) + static_cast<size_t>(ny) - 1);
    for (auto _ : state) {
        if (Convolve(x.data(), nx, y.data(), ny, out.data()) != 0)
            state.SkipWithError("convolve failed");
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    report(state, nx, ny);
}
BENCHMARK(BM_Convolve)
    ->ArgNames({"nx", "taps"})
    ->Args({kRecord, 63})
    ->Args({kRecord, 1023})
    ->Args({1023, kRecord}) // the short input first: the other loop order
    ->Args({4096, 63})
    ->Unit(benchmark::kMillisecond);

// The plain double loop, as a yardstick.
void BM_PlainLoop(benchmark::State &state)
{
    const int nx = static_cast<int>(state.range(0));
    const int ny = static_cast<int>(state.range(1));
    const std::vector<double> x = ramp(nx, 1e-3), y = ramp(ny, 1e-2);
    std::vector<double> out(static_cast<size_t>(nx) + static_cast<size_t>(ny) - 1);
    for (auto _ : state) {
        for (double &v : out)
            v = 0.0;
        for (int i = 0; i < nx; ++i)
            for (int j = 0; j < ny; ++j)
                out[static_cast<size_t>(i + j)] += x[static_cast<size_t>(i)] * y[static_cast<size_t>(j)];
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    report(state, nx, ny);
}
BENCHMARK(BM_PlainLoop)->ArgNames({"nx", "taps"})->Args({kRecord, 63})->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
