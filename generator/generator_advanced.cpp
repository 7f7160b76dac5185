// The advanced generator panel: one period of a sine with a chosen number of
// points, repeated a chosen number of times, at a chosen output clock.  It
// replaces the CH1 buffer; OK marks it for the next generator update.
#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

#include "analysis/synth.h"
#include "generator/awg_format.h"
#include "generator/generator_internal.h"

namespace
{

double adClock = 0.0;

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

int Set_Advanced_Waveform(void)
{
    int points = 0, periods = 0;
    double clock = 0.0, amplitude = 0.0, offset = 0.0;
    GetCtrlVal(panelAd_Gene, AD_GENE_POINTS, &points);
    GetCtrlVal(panelAd_Gene, AD_GENE_CLOCK, &clock);
    GetCtrlVal(panelAd_Gene, AD_GENE_PERIODS, &periods);
    GetCtrlVal(panelAd_Gene, AD_GENE_AMPLITUDE, &amplitude);
    GetCtrlVal(panelAd_Gene, AD_GENE_OFFSET, &offset);
    points = std::max(points, 1);
    periods = std::max(periods, 1);

    const long long total = static_cast<long long>(points) * periods;
    if (total > kAwgMaxSamples) {
        gen::ShowError("Too many samples: points per period x periods must not exceed 16777216");
        return -1;
    }
    const int n = static_cast<int>(total);
    std::unique_ptr<double[]> period(new (std::nothrow) double[static_cast<std::size_t>(points)]);
    std::unique_ptr<double[]> wave(new (std::nothrow) double[static_cast<std::size_t>(n)]);
    if (!period || !wave) {
        gen::ShowError("Not enough memory for the advanced waveform");
        return -1;
    }
    CreateSineWave(period.get(), points, amplitude);
    // The offset box shifts the whole waveform, as on the generator panel.
    if (offset != 0.0)
        for (int i = 0; i < points; ++i)
            period[i] += offset;
    for (int p = 0; p < periods; ++p)
        if (Copy1D(period.get(), points, wave.get() + static_cast<long long>(p) * points) < 0)
            std::fill(wave.get() + static_cast<long long>(p) * points,
                      wave.get() + static_cast<long long>(p + 1) * points, 0.0);
    if (gen::AdoptCh1(std::move(wave), n) < 0) {
        gen::ShowError("Not enough memory for the advanced waveform");
        return -1;
    }

    adPoints = points;
    adPeriods = periods;
    adClock = clock;
    gen::adAmplitude = amplitude;
    gen::adOffset = offset;
    oClockRate = clock;
    oChan[0].amplitude = amplitude;
    oChan[0].offset = offset;
    oSamples = n;
    ch1Source = kCh1Advanced;
    ShowFrequencyAndSamples(panelAd_Gene, clock, points, periods);
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
    GetCtrlVal(panel, AD_GENE_CLOCK, &adClock);
    if (control == AD_GENE_POINTS) {
        const int rounded = RoundPoints(adPoints);
        if (rounded != adPoints) {
            adPoints = rounded;
            SetCtrlVal(panel, AD_GENE_POINTS, adPoints);
            GetCtrlVal(panel, AD_GENE_POINTS, &adPoints); // as the box holds it
        }
    }
    ShowFrequencyAndSamples(panel, adClock, adPoints, adPeriods);
    return 0;
}

int Preview_Waveform(int panel, int, int event, void *, int, int)
{
    if (event != EVENT_COMMIT)
        return 0;
    if (Set_Advanced_Waveform() < 0)
        return 0;
    DeleteGraphPlot(panel, AD_GENE_GRAPH, -1, VAL_DELAYED_DRAW);
    adPreviewPlot = 0;
    const int n = std::min(adPoints, gen::Ch1Length());
    if (vBufferOut1 && n > 0)
        adPreviewPlot = PlotWaveform(panel, AD_GENE_GRAPH, vBufferOut1, n, VAL_DOUBLE, 1.0, 0.0, 0.0, 1.0,
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
    return 0;
}
