// Graph-control benchmarks on the scope panel's time graph (800 pixels
// wide, shown on the offscreen platform): full redraws of long plots,
// storing a long record, a redraw of a short window of a long record, a
// capture-sized tick and a cursor drag step.
//
//   build-*/bench/bench_graph --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "benchDemo.h"
#include "ui/graph_widget.h"
#include "ui/runtime_internal.h"
#include "ui/userint.h"

namespace
{

int g_panel = 0;

uigraph::GraphWidget *TimeGraph()
{
    return uigraph::asGraph(uirt::controlWidget(g_panel, SCOPE_TIMEGRAPH));
}

bool OpenGraph()
{
    static int state = 0; // 0 not tried, 1 ready, -1 failed
    if (state != 0)
        return state > 0;
    state = -1;
    g_panel = LoadPanel(0, "benchDemo.uir", SCOPE);
    if (g_panel <= 0)
        return false;
    DisplayPanel(g_panel);
    uigraph::GraphWidget *g = TimeGraph();
    if (!g)
        return false;
    g->resize(800, 510);
    ProcessDrawEvents();
    state = 1;
    return true;
}

// A noisy sine: every column holds a different envelope.
const std::vector<double> &Record(std::size_t n)
{
    static std::vector<double> data;
    if (data.size() < n) {
        data.resize(n);
        unsigned s = 12345;
        for (std::size_t i = 0; i < n; ++i) {
            s = s * 1103515245u + 12345u;
            data[i] = std::sin(static_cast<double>(i) * 2e-4) + ((s >> 16) & 0x7FFF) * 1e-5;
        }
    }
    return data;
}

void Reset()
{
    DeleteGraphPlot(g_panel, SCOPE_TIMEGRAPH, -1, VAL_DELAYED_DRAW);
    SetAxisScalingMode(g_panel, SCOPE_TIMEGRAPH, VAL_XAXIS, VAL_AUTOSCALE, 0, 0);
    SetAxisScalingMode(g_panel, SCOPE_TIMEGRAPH, VAL_LEFT_YAXIS, VAL_MANUAL, -4.0, 4.0);
    TimeGraph()->refresh(true);
}

const int kColours[4] = {VAL_YELLOW, VAL_GREEN, VAL_CYAN, VAL_MAGENTA};

void BM_Redraw4x1M(benchmark::State &state)
{
    if (!OpenGraph()) {
        state.SkipWithError("cannot load the scope panel");
        return;
    }
    Reset();
    const int n = 1000000;
    const std::vector<double> &y = Record(n);
    for (int k = 0; k < 4; ++k)
        PlotWaveform(g_panel, SCOPE_TIMEGRAPH, y.data(), n, VAL_DOUBLE, 1.0, k - 1.5, 0.0, 1.0, VAL_THIN_LINE,
                     VAL_NO_POINT, VAL_SOLID, 1, kColours[k]);
    uigraph::GraphWidget *g = TimeGraph();
    for (auto _ : state)
        g->refresh(true); // a full replot, as after new data
    state.counters["samples"] = 4.0 * n;
    Reset();
}
BENCHMARK(BM_Redraw4x1M)->Unit(benchmark::kMillisecond);

void BM_PlotWaveform8M(benchmark::State &state)
{
    if (!OpenGraph()) {
        state.SkipWithError("cannot load the scope panel");
        return;
    }
    Reset();
    const int n = 8000000;
    const std::vector<double> &y = Record(n);
    const bool fresh = state.range(0) != 0;
    for (auto _ : state) {
        if (fresh) {
            // No storage of an earlier plot to reuse: new memory each time.
            state.PauseTiming();
            DeleteGraphPlot(g_panel, SCOPE_TIMEGRAPH, -1, VAL_DELAYED_DRAW);
            TimeGraph()->refresh(true);
            state.ResumeTiming();
        } else {
            // As a capture tick does: delete the old trace, plot the new one.
            DeleteGraphPlot(g_panel, SCOPE_TIMEGRAPH, -1, VAL_DELAYED_DRAW);
        }
        benchmark::DoNotOptimize(PlotWaveform(g_panel, SCOPE_TIMEGRAPH, y.data(), n, VAL_DOUBLE, 1.0, 0.0,
                                              0.0, 1.0, VAL_THIN_LINE, VAL_NO_POINT, VAL_SOLID, 1,
                                              VAL_YELLOW));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long long>(n) * 8);
    Reset();
}
BENCHMARK(BM_PlotWaveform8M)->Arg(0)->Arg(1)->ArgName("fresh")->Unit(benchmark::kMillisecond);

void BM_RedrawWindowOf8M(benchmark::State &state)
{
    if (!OpenGraph()) {
        state.SkipWithError("cannot load the scope panel");
        return;
    }
    Reset();
    const int n = 8000000;
    const std::vector<double> &y = Record(n);
    PlotWaveform(g_panel, SCOPE_TIMEGRAPH, y.data(), n, VAL_DOUBLE, 1.0, 0.0, 0.0, 1.0, VAL_THIN_LINE,
                 VAL_NO_POINT, VAL_SOLID, 1, VAL_YELLOW);
    const double from = 4000000.0, width = static_cast<double>(state.range(0));
    SetAxisScalingMode(g_panel, SCOPE_TIMEGRAPH, VAL_XAXIS, VAL_MANUAL, from, from + width);
    uigraph::GraphWidget *g = TimeGraph();
    for (auto _ : state)
        g->refresh(true);
    Reset();
}
BENCHMARK(BM_RedrawWindowOf8M)->Arg(10000)->Arg(8000000)->ArgName("window")->Unit(benchmark::kMillisecond);

void BM_CaptureTick4x16k(benchmark::State &state)
{
    if (!OpenGraph()) {
        state.SkipWithError("cannot load the scope panel");
        return;
    }
    Reset();
    const int n = 16384;
    const std::vector<double> &y = Record(n);
    for (auto _ : state) {
        DeleteGraphPlot(g_panel, SCOPE_TIMEGRAPH, -1, VAL_IMMEDIATE_DRAW);
        for (int k = 0; k < 4; ++k)
            PlotWaveform(g_panel, SCOPE_TIMEGRAPH, y.data(), n, VAL_DOUBLE, 1.0, k - 1.5, 0.0, 1.0,
                         VAL_THIN_LINE, VAL_NO_POINT, VAL_SOLID, 1, kColours[k]);
        RefreshGraph(g_panel, SCOPE_TIMEGRAPH);
    }
    Reset();
}
BENCHMARK(BM_CaptureTick4x16k)->Unit(benchmark::kMillisecond);

void BM_CursorDragStep4x1M(benchmark::State &state)
{
    if (!OpenGraph()) {
        state.SkipWithError("cannot load the scope panel");
        return;
    }
    Reset();
    const int n = 1000000;
    const std::vector<double> &y = Record(n);
    for (int k = 0; k < 4; ++k)
        PlotWaveform(g_panel, SCOPE_TIMEGRAPH, y.data(), n, VAL_DOUBLE, 1.0, k - 1.5, 0.0, 1.0, VAL_THIN_LINE,
                     VAL_NO_POINT, VAL_SOLID, 1, kColours[k]);
    RefreshGraph(g_panel, SCOPE_TIMEGRAPH);
    SetCursorAttribute(g_panel, SCOPE_TIMEGRAPH, 1, ATTR_CURSOR_MODE, VAL_FREE_FORM);
    double x = 0;
    for (auto _ : state) {
        x = x > 900000 ? 0 : x + 1000;
        // A drag step from code and the redraw that follows it.
        DragGraphCursor(g_panel, SCOPE_TIMEGRAPH, 1, x, 0.5, 0);
        RefreshGraph(g_panel, SCOPE_TIMEGRAPH);
    }
    Reset();
}
BENCHMARK(BM_CursorDragStep4x1M)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static char configDir[] = "/tmp/korvax-bench-graph-XXXXXX";
    const char *dir = mkdtemp(configDir);
    if (dir)
        setenv("XDG_CONFIG_HOME", dir, 1);
    if (!InitRuntime(argc, argv))
        return 2;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (dir) {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    return 0;
}
