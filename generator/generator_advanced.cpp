// The advanced generator panel: one period of a sine with a chosen number of
// points, repeated a chosen number of times, at a chosen output clock.  OK
// replaces the CH1 buffer and, while CH1 is on, puts it on the output and
// the generator graph at once (with CH1 off, the update that switches CH1 on
// takes it).  Preview draws the period on the panel's own graph and leaves
// the output alone.
#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

#include "analysis/synth.h"
#include "generator/awg_format.h"
#include "generator/generator_internal.h"

namespace
{

// Rounds a points-per-period count up to the next multiple of 32.
int RoundPoints(int points)
{
    const double r = std::fmod(static_cast<double>(points), 32.0);
    if (r > 0)
        points = static_cast<int>(std::trunc(points - r + 32));
    return points;
}

void ShowFrequencyAndSamples(int panel, double clock, int points, int periods)
{
    const double frequency = points > 0 ? clock / points : 0.0;
    SetCtrlVal(panel, AD_GENE_FREQUENCY, frequency);
    const long long samples = static_cast<long long>(points) * periods;
    SetCtrlVal(panel, AD_GENE_SAMPLES, static_cast<int>(std::min<long long>(samples, 2147483647LL)));
}

} // namespace

void CreateSineWave(double *values, int count, double amplitude)
{
    if (!values || count < 1)
        return;
    const double twoPi = 6.283185307179586;
    for (int i = 0; i < count; ++i)
        values[i] = amplitude * std::sin(twoPi * (static_cast<double>(i) / count));
}

namespace
{

struct AdvancedSettings {
    int points = 0;
    int periods = 0;
    double clock = 0.0;
    double amplitude = 0.0;
    double offset = 0.0;
};

AdvancedSettings ReadAdvancedPanel(void)
{
    AdvancedSettings a;
    GetCtrlVal(panelAd_Gene, AD_GENE_POINTS, &a.points);
    GetCtrlVal(panelAd_Gene, AD_GENE_CLOCK, &a.clock);
    GetCtrlVal(panelAd_Gene, AD_GENE_PERIODS, &a.periods);
    GetCtrlVal(panelAd_Gene, AD_GENE_AMPLITUDE, &a.amplitude);
    GetCtrlVal(panelAd_Gene, AD_GENE_OFFSET, &a.offset);
    a.points = std::max(a.points, 1);
    a.periods = std::max(a.periods, 1);
    return a;
}

// One period of the advanced sine, offset included.  Null when memory is
// short.
std::unique_ptr<double[]> AdvancedPeriod(const AdvancedSettings &a)
{
    std::unique_ptr<double[]> period(new (std::nothrow) double[static_cast<std::size_t>(a.points)]);
    if (!period)
        return nullptr;
    CreateSineWave(period.get(), a.points, a.amplitude);
    // The offset box shifts the whole waveform, as on the generator panel.
    if (a.offset != 0.0)
        for (int i = 0; i < a.points; ++i)
            period[i] += a.offset;
    return period;
}

} // namespace

int Set_Advanced_Waveform(void)
{
    const AdvancedSettings a = ReadAdvancedPanel();
    const long long total = static_cast<long long>(a.points) * a.periods;
    if (total > kAwgMaxSamples) {
        gen::ShowError("Too many samples: points per period x periods must not exceed 16777216");
        return -1;
    }
    const int n = static_cast<int>(total);
    std::unique_ptr<double[]> period = AdvancedPeriod(a);
    std::unique_ptr<double[]> wave(new (std::nothrow) double[static_cast<std::size_t>(n)]);
    if (!period || !wave) {
        gen::ShowError("Not enough memory for the advanced waveform");
        return -1;
    }
    for (int p = 0; p < a.periods; ++p)
        if (Copy1D(period.get(), a.points, wave.get() + static_cast<long long>(p) * a.points) < 0)
            std::fill(wave.get() + static_cast<long long>(p) * a.points,
                      wave.get() + static_cast<long long>(p + 1) * a.points, 0.0);
    if (gen::AdoptCh1(std::move(wave), n) < 0) {
        gen::ShowError("Not enough memory for the advanced waveform");
        return -1;
    }

    adPoints = a.points;
    adPeriods = a.periods;
    gen::adClock = a.clock;
    gen::adAmplitude = a.amplitude;
    gen::adOffset = a.offset;
    gen::ch1Clock = a.clock;
    oClockRate = a.clock;
    oChan[0].amplitude = a.amplitude;
    oChan[0].offset = a.offset;
    oSamples = n;
    ch1Source = kCh1Advanced;
    ShowFrequencyAndSamples(panelAd_Gene, a.clock, a.points, a.periods);
    return 0;
}

int Open_Advanced_Gene_Setting(int, int, int event, void *, int, int)
{
    if (event != EVENT_COMMIT)
        return 0;
    int points = 0, periods = 0;
    double clock = 0.0;
    GetCtrlVal(panelAd_Gene, AD_GENE_POINTS, &points);
    GetCtrlVal(panelAd_Gene, AD_GENE_PERIODS, &periods);
    GetCtrlVal(panelAd_Gene, AD_GENE_CLOCK, &clock);
    ShowFrequencyAndSamples(panelAd_Gene, clock, points, periods);
    DisplayPanel(panelAd_Gene);
    return 0;
}

int Update_Ad_Setting(int panel, int control, int event, void *, int, int)
{
    if (event != EVENT_VAL_CHANGED)
        return 0;
    GetCtrlVal(panel, AD_GENE_POINTS, &adPoints);
    GetCtrlVal(panel, AD_GENE_PERIODS, &adPeriods);
    GetCtrlVal(panel, AD_GENE_CLOCK, &gen::adClock);
    if (control == AD_GENE_POINTS) {
        const int rounded = RoundPoints(adPoints);
        if (rounded != adPoints) {
            adPoints = rounded;
            SetCtrlVal(panel, AD_GENE_POINTS, adPoints);
            GetCtrlVal(panel, AD_GENE_POINTS, &adPoints); // as the box holds it
        }
    }
    ShowFrequencyAndSamples(panel, gen::adClock, adPoints, adPeriods);
    return 0;
}

int Preview_Waveform(int panel, int, int event, void *, int, int)
{
    if (event != EVENT_COMMIT)
        return 0;
    // One period on the panel's graph; the output keeps what is in force
    // until OK.
    const AdvancedSettings a = ReadAdvancedPanel();
    std::unique_ptr<double[]> period = AdvancedPeriod(a);
    if (!period) {
        gen::ShowError("Not enough memory for the advanced waveform");
        return 0;
    }
    adPoints = a.points;
    adPeriods = a.periods;
    gen::adClock = a.clock;
    ShowFrequencyAndSamples(panel, a.clock, a.points, a.periods);
    DeleteGraphPlot(panel, AD_GENE_GRAPH, -1, VAL_DELAYED_DRAW);
    adPreviewPlot = PlotWaveform(panel, AD_GENE_GRAPH, period.get(), a.points, VAL_DOUBLE, 1.0, 0.0, 0.0, 1.0,
                                 VAL_THIN_LINE, VAL_NO_POINT, VAL_SOLID, 1, VAL_BLUE);
    RefreshGraph(panel, AD_GENE_GRAPH);
    return 0;
}

int onOK_Ad_Gene(int, int, int event, void *, int, int)
{
    if (event != EVENT_COMMIT)
        return 0;
    isAdvancedWaveformON = 1;
    if (Set_Advanced_Waveform() < 0) {
        isAdvancedWaveformON = 0; // refused: the panel stays open for a correction
        return 0;
    }
    HidePanel(panelAd_Gene);
    // Applied now, and drawn on the generator graph, while CH1 is on.
    int ch1On = 0;
    GetCtrlVal(panelGene, GENE_CH1_SWITCH, &ch1On);
    if (ch1On)
        Call_Output_Setting();
    return 0;
}
