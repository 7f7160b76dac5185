// Measurement speed: every pulse measurement of a 7,999,488-sample record
// (a noisy 1 kHz square, and a triangle whose edges fill the record), the
// distortion and noise figures of a 1,048,576-bin power spectrum, with the
// averaging, peak search and waveform arithmetic beside them.
#include "analysis/analysis.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace
{

constexpr int kRecord = 7999488;
constexpr int kBins = 1 << 20;
constexpr double kDt = 1e-6;

std::vector<double> NoisySquare()
{
    std::vector<double> x(kRecord), noise(kRecord);
    double phase = 0.0;
    if (SquareWave(kRecord, 1.0, 1000.0 * kDt, &phase, 50.0, x.data()) != 0 ||
        WhiteNoise(kRecord, 0.05, 17, noise.data()) != 0)
        return {};
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] += noise[i];
    return x;
}

std::vector<double> Triangle()
{
    std::vector<double> x(kRecord);
    double phase = 0.0;
    if (TriangleWave(kRecord, 1.0, 1000.0 * kDt, &phase, x.data()) != 0)
        return {};
    return x;
}

// Power spectrum of kBins bins: a sine with three harmonics and noise,
// under a 4-term Blackman-Harris window.
const std::vector<double> &ToneSpectrum()
{
    static const std::vector<double> spectrum = [] {
        const int n = 2 * kBins;
        std::vector<double> x(static_cast<std::size_t>(n)), noise(static_cast<std::size_t>(n));
        std::vector<double> p(static_cast<std::size_t>(kBins));
        double phase = 0.0;
        const double f = 10007.3 / n;
        if (SineWave(n, 1.0, f, &phase, x.data()) != 0 || WhiteNoise(n, 1e-3, 3, noise.data()) != 0)
            return p;
        for (int i = 0; i < n; ++i) {
            const double t = 2.0 * 3.14159265358979323846 * f * i;
            x[static_cast<std::size_t>(i)] += 0.01 * std::sin(2 * t) + 0.003 * std::sin(3 * t) +
                                              0.001 * std::sin(5 * t) + noise[static_cast<std::size_t>(i)];
        }
        WindowConstants wc{0, 0};
        double df = 0.0;
        if (ScaledWindow(x.data(), n, WINDOW_BLACKMAN_HARRIS_4, &wc) != 0 ||
            AutoPowerSpectrum(x.data(), n, kDt, p.data(), &df) != 0)
            p.assign(p.size(), 0.0);
        return p;
    }();
    return spectrum;
}

void RunPulse(benchmark::State &state, const std::vector<double> &x)
{
    PulseMeasurements m{};
    for (auto _ : state) {
        const int status = PulseMeasure(x.data(), kRecord, kDt, &m);
        benchmark::DoNotOptimize(status);
        benchmark::DoNotOptimize(m);
    }
    state.counters["period_us"] = m.period * 1e6;
    state.counters["rise_us"] = m.riseTime * 1e6;
    state.SetItemsProcessed(state.iterations() * kRecord);
}

void BM_PulseMeasureSquare(benchmark::State &state)
{
    static const std::vector<double> x = NoisySquare();
    RunPulse(state, x);
}
BENCHMARK(BM_PulseMeasureSquare)->Unit(benchmark::kMillisecond);

void BM_PulseMeasureTriangle(benchmark::State &state)
{
    static const std::vector<double> x = Triangle();
    RunPulse(state, x);
}
BENCHMARK(BM_PulseMeasureTriangle)->Unit(benchmark::kMillisecond);

// THD, THD+N, SNR, SINAD, SFDR and ENOB in one call; the argument is the
// highest harmonic (10, and every harmonic up to the last bin).
void BM_AnalyzeHarmonics(benchmark::State &state)
{
    const std::vector<double> &p = ToneSpectrum();
    const int highest = static_cast<int>(state.range(0));
    HarmonicAnalysis r{};
    for (auto _ : state) {
        const int status = AnalyzeHarmonics(p.data(), kBins, 1.0, WINDOW_BLACKMAN_HARRIS_4, highest, &r);
        benchmark::DoNotOptimize(status);
        benchmark::DoNotOptimize(r);
    }
    state.counters["thd_pct"] = r.thd;
    state.counters["snr_db"] = r.snr;
    state.SetItemsProcessed(state.iterations() * kBins);
}
BENCHMARK(BM_AnalyzeHarmonics)->Arg(10)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

void BM_AverageSpectrum(benchmark::State &state)
{
    const std::vector<double> &p = ToneSpectrum();
    std::vector<double> average(kBins);
    const int mode = static_cast<int>(state.range(0));
    int count = 0;
    for (auto _ : state) {
        const int status = AverageSpectrum(p.data(), kBins, mode, 16, average.data(), &count);
        benchmark::DoNotOptimize(status);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kBins);
}
BENCHMARK(BM_AverageSpectrum)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

void BM_SpectrumPeaks(benchmark::State &state)
{
    const std::vector<double> &p = ToneSpectrum();
    int bins[16];
    double values[16];
    int found = 0;
    for (auto _ : state) {
        const int status = SpectrumPeaks(p.data(), kBins, 16, bins, values, &found);
        benchmark::DoNotOptimize(status);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kBins);
}
BENCHMARK(BM_SpectrumPeaks)->Unit(benchmark::kMillisecond);

void BM_WaveformMath(benchmark::State &state)
{
    static const std::vector<double> a = NoisySquare(), b = Triangle();
    std::vector<double> out(kRecord);
    const int op = static_cast<int>(state.range(0));
    WaveformScale scale{0, 0};
    for (auto _ : state) {
        const int status = WaveformMath(a.data(), b.data(), kRecord, op, kDt, 8, out.data(), &scale);
        benchmark::DoNotOptimize(status);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kRecord);
}
BENCHMARK(BM_WaveformMath)->DenseRange(0, 7)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
