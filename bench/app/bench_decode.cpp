// Protocol decoding: UART decoding of 1,000,000 samples of the simulated
// bus through libsigrokdecode, and the redraw of the analyzer graph with the
// resulting annotation rows, over the whole capture and zoomed in.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "benchDemo.h"
#include "decoders/decoders.h"
#include "digital/digital_bus.h"
#include "ui/graph_annotations.h"
#include "ui/graph_widget.h"
#include "ui/runtime_internal.h"
#include "ui/userint.h"

namespace
{

constexpr int kSamples = 1000000;
constexpr double kRate = 1000000.0; // 115200 Bd: 8.7 samples a bit

// A million samples of UART traffic on line 0 (and the rest of the bus).
const std::vector<uint8_t> &Capture()
{
    static std::vector<uint8_t> raw;
    if (raw.empty()) {
        DigitalBus bus;
        bus.uartText.clear();
        while (bus.uartText.size() < 11400)
            bus.uartText += "Hello, bench. ";
        raw.resize(2 * static_cast<size_t>(kSamples));
        Digital_SynthesizeBus(bus, kRate, raw.data(), kSamples);
    }
    return raw;
}

decoders::Result DecodeUart()
{
    decoders::Stage uart;
    uart.decoder = "uart";
    uart.channels = {{"rx", BUS_LINE_UART}};
    decoders::Capture c;
    c.data = Capture().data();
    c.samples = kSamples;
    c.sampleRate = kRate;
    return decoders::Decode({uart}, c);
}

void BM_DecodeUart1M(benchmark::State &state)
{
    if (!decoders::Available()) {
        state.SkipWithError("no protocol decoders");
        return;
    }
    Capture();
    decoders::List(); // the one-time load of every decoder is not part of a decode
    size_t annotations = 0;
    for (auto _ : state)
        annotations = DecodeUart().annotations.size();
    state.counters["annotations"] = static_cast<double>(annotations);
    state.counters["samples/s"] =
        benchmark::Counter(static_cast<double>(kSamples), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_DecodeUart1M)->Unit(benchmark::kMillisecond)->UseRealTime(); // the decoder runs on its own threads

int g_panel = 0;

uigraph::GraphWidget *Graph()
{
    return uigraph::asGraph(uirt::controlWidget(g_panel, DIG_GRAPH));
}

// The analyzer graph with the capture's 16 traces and the UART annotation
// rows as the analyzer draws them.
bool OpenGraph(size_t *annotationCount)
{
    static int state = 0;
    static size_t count = 0;
    *annotationCount = count;
    if (state != 0)
        return state > 0;
    state = -1;
    if (!decoders::Available())
        return false;
    g_panel = LoadPanel(0, "benchDemo.uir", DIG);
    if (g_panel <= 0 || !Graph())
        return false;
    DisplayPanel(g_panel);
    Graph()->resize(870, 468);
    const std::vector<uint8_t> &raw = Capture();
    std::vector<uint8_t> trace(kSamples);
    for (int k = 0; k < 16; ++k) {
        for (int i = 0; i < kSamples; ++i)
            trace[static_cast<size_t>(i)] =
                static_cast<uint8_t>(2 * k + ((raw[2 * static_cast<size_t>(i) + (k >> 3)] >> (k & 7)) & 1));
        PlotY(g_panel, DIG_GRAPH, trace.data(), kSamples, VAL_UNSIGNED_CHAR, VAL_THIN_LINE, VAL_NO_POINT, VAL_SOLID,
              1, 0x0000FF);
    }
    const decoders::Result r = DecodeUart();
    const decoders::DecoderInfo *info = decoders::Find("uart");
    const int rows = info ? info->rowCount() : 1;
    SetGraphAnnotationRows(g_panel, DIG_GRAPH, rows, -1.0, 1.6);
    SetAxisScalingMode(g_panel, DIG_GRAPH, VAL_LEFT_YAXIS, VAL_MANUAL, -1.2 - 1.6 * rows, 32.0);
    for (int row = 0; row < rows; ++row) {
        std::vector<double> x0, x1;
        std::vector<std::string> texts;
        for (const auto &a : r.annotations)
            if (a.row == row) {
                x0.push_back(static_cast<double>(a.start));
                x1.push_back(static_cast<double>(a.end));
                std::string t;
                for (const auto &f : a.texts)
                    t += (t.empty() ? "" : "\n") + f;
                texts.push_back(t);
            }
        std::vector<const char *> p;
        for (const auto &t : texts)
            p.push_back(t.c_str());
        SetGraphAnnotationRowLabel(g_panel, DIG_GRAPH, row, info ? info->rowName(row).c_str() : "", 0x2F6FB0);
        PlotGraphAnnotations(g_panel, DIG_GRAPH, row, static_cast<int>(x0.size()), x0.data(), x1.data(), p.data());
    }
    count = r.annotations.size();
    *annotationCount = count;
    ProcessDrawEvents();
    state = 1;
    return true;
}

// Full redraw of the graph: 16 traces of 1,000,000 samples and the rows,
// with the x axis over `window` samples from the start.
void BM_RedrawWithAnnotations(benchmark::State &state)
{
    size_t annotations = 0;
    if (!OpenGraph(&annotations)) {
        state.SkipWithError("cannot set up the analyzer graph with decoders");
        return;
    }
    const double window = static_cast<double>(state.range(0));
    SetAxisScalingMode(g_panel, DIG_GRAPH, VAL_XAXIS, VAL_MANUAL, 0.0, window);
    uigraph::GraphWidget *g = Graph();
    for (auto _ : state)
        g->refresh(true);
    state.counters["annotations"] = static_cast<double>(annotations);
}
BENCHMARK(BM_RedrawWithAnnotations)->Arg(2000)->Arg(1000000)->ArgName("window")->Unit(benchmark::kMillisecond);

// The same redraws without the rows, for comparison.
void BM_RedrawTracesOnly(benchmark::State &state)
{
    size_t annotations = 0;
    if (!OpenGraph(&annotations)) {
        state.SkipWithError("cannot set up the analyzer graph");
        return;
    }
    SetAxisScalingMode(g_panel, DIG_GRAPH, VAL_XAXIS, VAL_MANUAL, 0.0, static_cast<double>(state.range(0)));
    SetGraphAnnotationRows(g_panel, DIG_GRAPH, 0, -1.0, 1.6); // rows off (this runs last)
    uigraph::GraphWidget *g = Graph();
    for (auto _ : state)
        g->refresh(true);
}
BENCHMARK(BM_RedrawTracesOnly)->Arg(2000)->Arg(1000000)->ArgName("window")->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static char configDir[] = "/tmp/korvax-bench-decode-XXXXXX";
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
