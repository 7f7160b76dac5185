// Arbitrary-waveform benchmarks: parsing a 1,000,000-line ".awg" text in
// memory, loading it from a file, the whole generator update that asks for
// and plays it, and a standard 1 kHz update for comparison.
//
//   build-*/bench/bench_awg --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "generator/awg_format.h"
#include "bench/app/bench_support.h"
#include "shell/bench.h"
#include "ui/testseam.h"

#include <unistd.h>

namespace
{

constexpr int kLines = 1000000;

// kLines lines as the scope's ".awg" save writes them (1 MS/s).
const std::string &MillionLines()
{
    static std::string text;
    if (text.empty()) {
        text.reserve(static_cast<size_t>(kLines) * 24);
        char line[64];
        for (int i = 0; i < kLines; ++i) {
            std::snprintf(line, sizeof line, "%.8f\t%f\r\n", i / 1e6, ((i * 37) % 2001 - 1000) * 0.001);
            text += line;
        }
    }
    return text;
}

const std::string &MillionLineFile()
{
    static std::string path;
    if (path.empty()) {
        char tmpl[] = "/tmp/korvax-bench-awg-XXXXXX";
        if (const char *dir = mkdtemp(tmpl)) {
            path = std::string(dir) + "/million.awg";
            if (std::FILE *f = std::fopen(path.c_str(), "wb")) {
                std::fwrite(MillionLines().data(), 1, MillionLines().size(), f);
                std::fclose(f);
            }
        }
    }
    return path;
}


void BM_AwgParseMillionLines(benchmark::State &state)
{
    const std::string &text = MillionLines();
    for (auto _ : state) {
        AwgWaveform wave;
        if (Awg_Parse(text.data(), text.size(), &wave) != kAwgOk || wave.count != kLines) {
            state.SkipWithError("parse failed");
            break;
        }
        benchmark::DoNotOptimize(wave.values.get());
    }
    state.counters["lines/s"] =
        benchmark::Counter(static_cast<double>(kLines) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_AwgParseMillionLines)->Unit(benchmark::kMillisecond);

void BM_AwgLoadMillionLineFile(benchmark::State &state)
{
    const std::string &path = MillionLineFile();
    for (auto _ : state) {
        AwgWaveform wave;
        if (Awg_LoadFile(path.c_str(), &wave) != kAwgOk || wave.count != kLines) {
            state.SkipWithError("load failed");
            break;
        }
        benchmark::DoNotOptimize(wave.values.get());
    }
}
BENCHMARK(BM_AwgLoadMillionLineFile)->Unit(benchmark::kMillisecond);

// The whole update a user triggers: dialog answer, read, check, range,
// drawing of half the waveform on the generator graph.
void BM_GeneratorUpdateWithMillionLineFile(benchmark::State &state)
{
    if (!OpenBench("bench_awg")) {
        state.SkipWithError("bench could not start");
        return;
    }
    const std::string &path = MillionLineFile();
    SetCtrlVal(panelGene, GENE_CH1_SWITCH, 1);
    SetCtrlVal(panelGene, GENE_CH1_TYPE, 6);
    for (auto _ : state) {
        testseam::QueueFileAnswer(path);
        if (Call_Output_Setting() != 0 || oSamples != kLines) {
            state.SkipWithError("update failed");
            break;
        }
        ProcessDrawEvents();
    }
}
BENCHMARK(BM_GeneratorUpdateWithMillionLineFile)->Unit(benchmark::kMillisecond);

void BM_GeneratorUpdateSine1kHz(benchmark::State &state)
{
    if (!OpenBench("bench_awg")) {
        state.SkipWithError("bench could not start");
        return;
    }
    SetCtrlVal(panelGene, GENE_CH1_SWITCH, 1);
    SetCtrlVal(panelGene, GENE_CH1_TYPE, 0);
    SetCtrlVal(panelGene, GENE_FREQUENCY, 1000.0);
    for (auto _ : state) {
        if (Call_Output_Setting() != 0) {
            state.SkipWithError("update failed");
            break;
        }
        ProcessDrawEvents();
    }
}
BENCHMARK(BM_GeneratorUpdateSine1kHz)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
