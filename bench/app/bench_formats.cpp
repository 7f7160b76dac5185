// Record file benchmarks: a 7,999,488-sample record (the longest capture)
// written as CSV, WAV (float32 and 16-bit), NumPy and a sigrok session, the
// CSV and WAV read back, and the CSV, .asc and WAV loaded as a reference
// trace on the whole bench (read, kept, drawn on the time graph).
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
#include "formats/sigrok_session.h"
#include "formats/wav.h"
#include "bench_support.h"
#include "scope/scope_data.h"

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

void BM_WriteWavPcm16(benchmark::State &state)
{
    if (!formats::WavAvailable()) {
        state.SkipWithError("built without libsndfile");
        return;
    }
    formats::WavOptions pcm;
    pcm.sample = formats::WavSample::Pcm16;
    RunWrite(state, ".wav", [&](const std::string &p, const formats::Record &r) { return formats::WriteWav(p, r, pcm); });
}

void BM_WriteSr(benchmark::State &state)
{
    if (!formats::SrAvailable()) {
        state.SkipWithError("built without libsigrok");
        return;
    }
    RunWrite(state, ".sr", [](const std::string &p, const formats::Record &r) { return formats::WriteSr(p, r); });
}

void BM_ReadWav(benchmark::State &state)
{
    const std::string path = ScratchFile("-read.wav");
    if (!formats::WavAvailable() || formats::WriteWav(path, LongRecord()) != formats::Status::Ok) {
        state.SkipWithError("no WAV file");
        return;
    }
    for (auto _ : state) {
        formats::Record back;
        if (formats::ReadWav(path, &back) != formats::Status::Ok) {
            state.SkipWithError("the read failed");
            break;
        }
        benchmark::DoNotOptimize(back.channels.data());
    }
    std::remove(path.c_str());
    state.SetItemsProcessed(static_cast<long long>(state.iterations() * kSamples));
}

// A file loaded as a reference on the bench: read, kept and drawn.
void LoadReference(benchmark::State &state, const char *suffix)
{
    if (!OpenBench("bench_formats")) {
        state.SkipWithError("the bench did not open");
        return;
    }
    const std::string path = ScratchFile(suffix);
    formats::Status wrote = formats::Status::BadArgument;
    const std::string name(suffix);
    if (name == "-ref.csv")
        wrote = formats::WriteCsv(path, LongRecord());
    else if (name == "-ref.wav")
        wrote = formats::WriteWav(path, LongRecord());
    else if (FILE *f = std::fopen(path.c_str(), "wb")) {
        ScopeFileHeader header{8, 12, 2026, 12, 0, 0, 1e7, 2.0, static_cast<int>(kSamples), 1000};
        const std::vector<double> &v = LongRecord().channels[0].values;
        wrote = Scope_WriteAsc(f, header, 1, v.data(), static_cast<int>(kSamples)) == 0 && std::fclose(f) == 0
                    ? formats::Status::Ok
                    : formats::Status::WriteFailed;
    }
    if (wrote != formats::Status::Ok) {
        state.SkipWithError("the file was not written");
        return;
    }
    for (auto _ : state) {
        if (Scope_LoadReference(path.c_str()) != 1) {
            state.SkipWithError("the reference did not load");
            break;
        }
        state.PauseTiming();
        Scope_ClearReferences();
        state.ResumeTiming();
    }
    std::remove(path.c_str());
    state.SetItemsProcessed(static_cast<long long>(state.iterations() * kSamples));
}

void BM_LoadCsvReference(benchmark::State &state)
{
    LoadReference(state, "-ref.csv");
}

void BM_LoadAscReference(benchmark::State &state)
{
    LoadReference(state, "-ref.asc");
}

void BM_LoadWavReference(benchmark::State &state)
{
    if (!formats::WavAvailable()) {
        state.SkipWithError("built without libsndfile");
        return;
    }
    LoadReference(state, "-ref.wav");
}

BENCHMARK(BM_WriteCsv)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReadCsv)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_WriteNpy)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_WriteWav)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_WriteWavPcm16)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_WriteSr)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReadWav)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LoadCsvReference)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LoadAscReference)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LoadWavReference)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
