// Window speed: ScaledWindow for every window code on a record of 1 M
// samples (one cosine per pair of samples), beside a direct evaluation of
// the 4-term Blackman-Harris sum with one cosine per term and sample as
// the reference point.
#include "analysis/spectrum.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace
{

constexpr int kN = 1 << 20;

void BM_ScaledWindow(benchmark::State &state)
{
    const int code = static_cast<int>(state.range(0));
    std::vector<double> x(kN, 1.0);
    WindowConstants wc{0, 0};
    for (auto _ : state) {
        const int status = ScaledWindow(x.data(), kN, code, &wc);
        benchmark::DoNotOptimize(status);
        benchmark::DoNotOptimize(x.data());
        benchmark::ClobberMemory();
        // Keep the values bounded: a window repeatedly applied decays to 0.
        state.PauseTiming();
        std::fill(x.begin(), x.end(), 1.0);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kN);
}
BENCHMARK(BM_ScaledWindow)->DenseRange(0, 9)->Unit(benchmark::kMicrosecond);

void BM_DirectCosineSum4(benchmark::State &state)
{
    const double a[4] = {0.35875, 0.48829, 0.14128, 0.01168};
    std::vector<double> x(kN, 1.0);
    const double step = 6.283185307179586 / kN;
    for (auto _ : state) {
        for (int k = 0; k < kN; ++k)
            x[static_cast<std::size_t>(k)] *= a[0] - a[1] * std::cos(step * k) +
                                              a[2] * std::cos(2 * step * k) - a[3] * std::cos(3 * step * k);
        benchmark::DoNotOptimize(x.data());
        benchmark::ClobberMemory();
        state.PauseTiming();
        std::fill(x.begin(), x.end(), 1.0);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kN);
}
BENCHMARK(BM_DirectCosineSum4)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
