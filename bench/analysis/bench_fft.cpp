// Real FFT speed against FFTW (double r2c, FFTW_ESTIMATE, one thread), both
// measured in the same run on the same lengths.  Only the repeated-length
// case is timed: the plan is built before the timed loop, as it is for the
// spectrum view, which transforms the same record length on every capture.
//
// ReFFT works in place, so the input is restored before every call outside
// the timed interval (manual timing); FFTW is timed the same way.  At the
// end a table gives each length's ratio ours / FFTW, from the fastest of
// the repetitions of each side (other work on the machine only slows a
// repetition down).
#include "analysis/spectrum.h"

#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace
{

const int kLengths[] = {4096, 1009, 65536, 1000000, 1048576, 1000003, 7999488, 8015872, 8388608};

std::vector<double> Signal(int n)
{
    std::vector<double> x(static_cast<std::size_t>(n));
    unsigned s = 12345u;
    for (double &v : x) {
        s = s * 1103515245u + 12345u;
        v = static_cast<double>((s >> 8) & 0xffff) / 32768.0 - 1.0;
    }
    return x;
}

using Clock = std::chrono::steady_clock;

void BM_ReFFT(benchmark::State &state)
{
    const int n = static_cast<int>(state.range(0));
    const std::vector<double> in = Signal(n);
    std::vector<double> x(in), y(static_cast<std::size_t>(n));
    if (ReFFT(x.data(), y.data(), n) != 0) { // builds and caches the plan
        state.SkipWithError("ReFFT failed");
        return;
    }
    for (auto _ : state) {
        std::memcpy(x.data(), in.data(), sizeof(double) * in.size());
        const auto t0 = Clock::now();
        const int status = ReFFT(x.data(), y.data(), n);
        const auto t1 = Clock::now();
        benchmark::DoNotOptimize(status);
        benchmark::ClobberMemory();
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
    }
}

void BM_FFTW(benchmark::State &state)
{
    const int n = static_cast<int>(state.range(0));
    const std::vector<double> in = Signal(n);
    double *x = fftw_alloc_real(static_cast<std::size_t>(n));
    fftw_complex *out = fftw_alloc_complex(static_cast<std::size_t>(n / 2 + 1));
    fftw_plan plan = fftw_plan_dft_r2c_1d(n, x, out, FFTW_ESTIMATE);
    std::memcpy(x, in.data(), sizeof(double) * in.size());
    fftw_execute(plan);
    for (auto _ : state) {
        std::memcpy(x, in.data(), sizeof(double) * in.size());
        const auto t0 = Clock::now();
        fftw_execute(plan);
        const auto t1 = Clock::now();
        benchmark::ClobberMemory();
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
    }
    fftw_destroy_plan(plan);
    fftw_free(out);
    fftw_free(x);
}

// Console output plus a closing table of ratios ours / FFTW.
class RatioReporter : public benchmark::ConsoleReporter
{
  public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &r : runs) {
            if (r.error_occurred || r.iterations == 0 || r.run_type != Run::RT_Iteration)
                continue;
            const std::string name = r.run_name.function_name;
            const std::string len = r.run_name.args;
            const double t = r.real_accumulated_time / static_cast<double>(r.iterations);
            std::map<std::string, double> &side = name.find("ReFFT") != std::string::npos ? ours_ : fftw_;
            if (!side.count(len) || t < side[len])
                side[len] = t; // the least disturbed repetition
        }
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::printf("\n%10s %14s %14s %8s %6s\n", "n", "ReFFT (us)", "FFTW (us)", "ratio", "limit");
        for (int n : kLengths) {
            const std::string key = std::to_string(n);
            if (!ours_.count(key) || !fftw_.count(key))
                continue;
            // The short power-of-two records of the spectrum view at most
            // as slow as FFTW; the long records within 1.5 or 2 times.
            const bool strict = n == 1000000 || n == 1048576 || n == 8388608;
            const double limit = (n == 4096 || n == 65536) ? 1.0 : strict ? 1.5 : 2.0;
            std::printf("%10d %14.2f %14.2f %8.2f %6.1f\n", n, ours_[key] * 1e6, fftw_[key] * 1e6,
                        ours_[key] / fftw_[key], limit);
        }
        std::fflush(stdout);
    }

  private:
    std::map<std::string, double> ours_, fftw_;
};

} // namespace

int main(int argc, char **argv)
{
    // Registered length by length, so that both sides of a ratio run one
    // after the other and see the same load on the machine.
    for (int n : kLengths) {
        for (int side = 0; side < 2; ++side)
            benchmark::RegisterBenchmark(side ? "BM_FFTW" : "BM_ReFFT", side ? BM_FFTW : BM_ReFFT)
                ->Arg(n)
                ->UseManualTime()
                ->Repetitions(3)
                ->Unit(benchmark::kMicrosecond);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
