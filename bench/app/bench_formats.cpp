// Record file benchmarks: a 7,999,488-sample record (the longest capture)
// written as CSV, WAV (float32) and NumPy, and the CSV read back.
//
//   build-*/bench/bench_formats --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include "formats/csv.h"
#include "formats/npy.h"
#include "formats/wav.h"

namespace
{

constexpr std::size_t kSamples = 7999488;

const formats::Record &LongRecord()
{
    static formats::Record record;
    if (record.channels.empty()) {
        record.sampleInterval = 1e-7;
        record.channels = {{"CH1", "V", std::vector<double>(kSamples)}};
        for (std::size_t i = 0; i < kSamples; ++i)
            record.channels[0].values[i] = 1.25 * std::sin(i * 0.001) + 1e-6 * static_cast<double>(i % 97);
        record.SetPreTrigger(1000);
    }
    return record;
}

std::string ScratchFile(const char *name)
{
    const char *tmp = std::getenv("TMPDIR");
    return std::string(tmp && *tmp ? tmp : "/tmp") + "/korvax-bench-" + std::to_string(::getpid()) + name;
}

template <typename Write> void RunWrite(benchmark::State &state, const char *name, Write write)
{
    const formats::Record &record = LongRecord();
    const std::string path = ScratchFile(name);
    for (auto _ : state) {
        if (write(path, record) != formats::Status::Ok) {
            state.SkipWithError("the write failed");
            break;
        }
    }
    std::remove(path.c_str());
    state.SetItemsProcessed(static_cast<long long>(state.iterations() * kSamples));
}

void BM_WriteCsv(benchmark::State &state)
{
    RunWrite(state, ".csv", [](const std::string &p, const formats::Record &r) { return formats::WriteCsv(p, r); });
}

void BM_WriteNpy(benchmark::State &state)
{
    RunWrite(state, ".npy", [](const std::string &p, const formats::Record &r) { return formats::WriteNpy(p, r); });
}

void BM_WriteWav(benchmark::State &state)
{
    if (!formats::WavAvailable()) {
        state.SkipWithError("built without libsndfile");
        return;
    }
    RunWrite(state, ".wav", [](const std::string &p, const formats::Record &r) { return formats::WriteWav(p, r); });
}

void BM_ReadCsv(benchmark::State &state)
{
    const std::string path = ScratchFile("-read.csv");
    if (formats::WriteCsv(path, LongRecord()) != formats::Status::Ok) {
        state.SkipWithError("the write failed");
        return;
    }
    for (auto _ : state) {
        formats::Record back;
        if (formats::ReadCsv(path, &back) != formats::Status::Ok) {
            state.SkipWithError("the read failed");
            break;
        }
        benchmark::DoNotOptimize(back.channels.data());
    }
    std::remove(path.c_str());
    state.SetItemsProcessed(static_cast<long long>(state.iterations() * kSamples));
}

BENCHMARK(BM_WriteCsv)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReadCsv)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_WriteNpy)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_WriteWav)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
