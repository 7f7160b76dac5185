// Spectrum analysis: linear or exponential averaging of the power spectra of
// every slot, peak-hold and min-hold traces, the largest peaks and the
// distortion figures (THD, THD+N, SNR, SINAD, SFDR, ENOB) of the analysed
// channel.  The running results start afresh whenever a setting that shapes
// the spectrum changes (record, rate, window, filter, the signal source,
// the analysis settings).  Averaging works on power, never on dB.
#include <algorithm>
#include <cmath>
#include <new>
#include <limits>

#include "analysis/errors.h"
#include "analysis/spectrum_measure.h"
#include "benchstate/loaded_panel.h"
#include "scope/scope.h"

int panelSpecAn = 0;

namespace
{

constexpr double kDbmReference = 0.6084; // power of 0 dBm in the spectrum's unit (V rms^2)
constexpr const char *kDash = "\xE2\x80\x94";

ScopeSpectrumAnalysis &sa = scopeMeasure.spectrum;

bool Loaded(int panel)
{
    int visible = 0;
    return panel > 0 && GetPanelAttribute(panel, ATTR_VISIBLE, &visible) == 0;
}

double ToPower(double dbm)
{
    return kDbmReference * std::pow(10.0, dbm / 10.0);
}

double ToDbm(double power)
{
    return power > 0.0 ? 10.0 * std::log10(power / kDbmReference) : -400.0;
}

// Everything that shapes a slot's spectrum, as text: a change starts the
// running results afresh.
std::string Signature(int slot, int half, double df, int window)
{
    char text[512];
    std::snprintf(text, sizeof text, "%d|%.17g|%d|%d|%d|%d|%.17g|%.17g|%d|%d|%.17g|%.17g|%d|%.17g|%d|%d|%d|%d",
                  half, df, window, isFilterON, FilterType, Tap, FilterLowFreq, FilterHighFreq, iChannel[slot],
                  oChan[0].type, oChan[0].amplitude, oChan[0].offset, oChan[0].noise, oFrequency, trigger_source,
                  sa.averaging, sa.averageCount, trigger_slope);
    return text;
}

void Forget(int slot)
{
    sa.average[slot].clear();
    sa.peak[slot].clear();
    sa.minimum[slot].clear();
    sa.averaged[slot] = sa.peakCount[slot] = sa.minCount[slot] = 0;
}

int AnalysedSlot(void)
{
    for (int k = 0; k < numChanIn && k < 4; ++k)
        if (iChannel[k] == sa.source)
            return k;
    return -1;
}

void SetText(int control, const char *text)
{
    if (Loaded(panelSpecAn))
        SetCtrlVal(panelSpecAn, control, text);
}

void ShowFigures(int status, const HarmonicAnalysis &h)
{
    char text[128];
    auto show = [&](int control, const char *name, double v, const char *unit) {
        if (status == 0 && std::isfinite(v))
            std::snprintf(text, sizeof text, "%s %.2f %s", name, v, unit);
        else if (status == 0 && std::isinf(v))
            std::snprintf(text, sizeof text, "%s \xE2\x88\x9E %s", name, unit);
        else
            std::snprintf(text, sizeof text, "%s %s", name, kDash);
        SetText(control, text);
    };
    show(SPECAN_THD, "THD", h.thd, "%");
    show(SPECAN_THDN, "THD+N", h.thdPlusNoise, "%");
    show(SPECAN_SNR, "SNR", h.snr, "dB");
    show(SPECAN_SINAD, "SINAD", h.sinad, "dB");
    show(SPECAN_SFDR, "SFDR", h.sfdr, "dB");
    show(SPECAN_ENOB, "ENOB", h.enob, "bits");
    if (status == 0)
        std::snprintf(text, sizeof text, "Fundamental %.4g kHz", h.fundamental / 1000.0);
    else
        std::snprintf(text, sizeof text, "%s", GetAnalysisErrorString(status));
    SetText(SPECAN_FUNDAMENTAL, text);
}

void ShowPeaks(const double *dbm, int half, double df)
{
    if (!Loaded(panelSpecAn))
        return;
    const int wanted = std::clamp(sa.peaks, 1, 50);
    std::vector<int> bins(static_cast<std::size_t>(wanted));
    std::vector<double> values(static_cast<std::size_t>(wanted));
    int found = 0;
    if (SpectrumPeaks(dbm, half, wanted, bins.data(), values.data(), &found) != 0)
        found = 0;
    int rows = 0;
    GetNumTableRows(panelSpecAn, SPECAN_PEAK_TABLE, &rows);
    if (rows < found)
        InsertTableRows(panelSpecAn, SPECAN_PEAK_TABLE, -1, found - rows);
    else if (rows > found)
        DeleteTableRows(panelSpecAn, SPECAN_PEAK_TABLE, found + 1, -1);
    for (int i = 0; i < found; ++i) {
        char f[48], l[48];
        std::snprintf(f, sizeof f, "%.4f", bins[i] * df / 1000.0);
        std::snprintf(l, sizeof l, "%.2f", values[i]);
        SetTableCellVal(panelSpecAn, SPECAN_PEAK_TABLE, i + 1, 1, f);
        SetTableCellVal(panelSpecAn, SPECAN_PEAK_TABLE, i + 1, 2, l);
    }
}

void ReadPanel(void)
{
    GetCtrlVal(panelSpecAn, SPECAN_AVERAGING, &sa.averaging);
    GetCtrlVal(panelSpecAn, SPECAN_AVG_COUNT, &sa.averageCount);
    GetCtrlVal(panelSpecAn, SPECAN_PEAK_HOLD, &sa.peakHold);
    GetCtrlVal(panelSpecAn, SPECAN_MIN_HOLD, &sa.minHold);
    GetCtrlVal(panelSpecAn, SPECAN_SOURCE, &sa.source);
    GetCtrlVal(panelSpecAn, SPECAN_HARMONICS, &sa.harmonics);
    GetCtrlVal(panelSpecAn, SPECAN_PEAKS, &sa.peaks);
    SetCtrlAttribute(panelSpecAn, SPECAN_AVG_COUNT, ATTR_DIMMED, sa.averaging ? 0 : 1);
}

void WritePanel(void)
{
    SetCtrlVal(panelSpecAn, SPECAN_AVERAGING, sa.averaging);
    SetCtrlVal(panelSpecAn, SPECAN_AVG_COUNT, sa.averageCount);
    SetCtrlVal(panelSpecAn, SPECAN_PEAK_HOLD, sa.peakHold);
    SetCtrlVal(panelSpecAn, SPECAN_MIN_HOLD, sa.minHold);
    SetCtrlVal(panelSpecAn, SPECAN_SOURCE, sa.source);
    SetCtrlVal(panelSpecAn, SPECAN_HARMONICS, sa.harmonics);
    SetCtrlVal(panelSpecAn, SPECAN_PEAKS, sa.peaks);
    SetCtrlAttribute(panelSpecAn, SPECAN_AVG_COUNT, ATTR_DIMMED, sa.averaging ? 0 : 1);
}

} // namespace

void Scope_ResetSpectrumAnalysis(void)
{
    for (int k = 0; k < 4; ++k) {
        Forget(k);
        sa.signature[k].clear();
    }
    SetText(SPECAN_AVG_DONE, "");
}

void Scope_SpectrumAnalysis(int slot, double *bins, int half, double df, int window)
{
    if (slot < 0 || slot > 3 || !bins || half < 1)
        return;
    const std::string signature = Signature(slot, half, df, window);
    if (signature != sa.signature[slot]) {
        Forget(slot);
        sa.signature[slot] = signature;
    }
    const bool analysed = slot == AnalysedSlot();
    if (sa.averaging == 0 && !sa.peakHold && !sa.minHold && !(analysed && Loaded(panelSpecAn)))
        return;

    std::vector<double> power(static_cast<std::size_t>(half));
    for (int i = 0; i < half; ++i)
        power[i] = ToPower(bins[i]);
    try {
        if (sa.averaging != 0) {
            std::vector<double> &avg = sa.average[slot];
            avg.resize(static_cast<std::size_t>(half));
            const int count = std::max(1, sa.averageCount);
            // Linear averaging: blocks of count spectra; the finished block
            // stays on screen until the next one begins.
            if (sa.averaging == 1 && sa.averaged[slot] >= count)
                sa.averaged[slot] = 0;
            const int mode = sa.averaging == 1 ? AVERAGING_LINEAR : AVERAGING_EXPONENTIAL;
            if (AverageSpectrum(power.data(), half, mode, count, avg.data(), &sa.averaged[slot]) == 0) {
                power = avg;
                for (int i = 0; i < half; ++i)
                    bins[i] = ToDbm(power[i]);
            }
        }
        if (sa.peakHold) {
            sa.peak[slot].resize(static_cast<std::size_t>(half));
            if (AverageSpectrum(power.data(), half, AVERAGING_PEAK_HOLD, 1, sa.peak[slot].data(),
                                &sa.peakCount[slot]) != 0)
                sa.peak[slot].clear();
        }
        if (sa.minHold) {
            sa.minimum[slot].resize(static_cast<std::size_t>(half));
            if (AverageSpectrum(power.data(), half, AVERAGING_MIN_HOLD, 1, sa.minimum[slot].data(),
                                &sa.minCount[slot]) != 0)
                sa.minimum[slot].clear();
        }
    } catch (const std::bad_alloc &) {
        Forget(slot);
        return;
    }

    if (!analysed)
        return;
    HarmonicAnalysis h{};
    const int highest = sa.harmonics >= 2 ? sa.harmonics : std::max(2, half);
    sa.status = AnalyzeHarmonics(power.data(), half, df, window, highest, &h);
    sa.thd = h.thd;
    sa.thdn = h.thdPlusNoise;
    sa.snr = h.snr;
    sa.sinad = h.sinad;
    sa.sfdr = h.sfdr;
    sa.enob = h.enob;
    sa.fundamental = h.fundamental;
    if (Loaded(panelSpecAn)) {
        ShowFigures(sa.status, h);
        ShowPeaks(bins, half, df);
        char text[64] = "";
        if (sa.averaging)
            std::snprintf(text, sizeof text, "%d of %d averaged", std::min(sa.averaged[slot], sa.averageCount),
                          sa.averageCount);
        SetText(SPECAN_AVG_DONE, text);
    }
    // The hold traces of the analysed channel, over the bins on screen.
    const int firstBin = Scroll_Value / 2;
    const int shown = Scroll_Thumb_Size / 2;
    if (!Ain[slot] || shown <= 0 || firstBin < 0 || firstBin + shown > half)
        return;
    std::vector<double> dbm(static_cast<std::size_t>(shown));
    const std::vector<double> *holds[2] = {sa.peakHold ? &sa.peak[slot] : nullptr,
                                           sa.minHold ? &sa.minimum[slot] : nullptr};
    const int colours[2] = {0xFF4040, 0x4080FF};
    for (int j = 0; j < 2; ++j) {
        const std::vector<double> *hold = holds[j];
        if (!hold || static_cast<int>(hold->size()) != half)
            continue;
        for (int i = 0; i < shown; ++i)
            dbm[i] = ToDbm((*hold)[firstBin + i]);
        const int handle = PlotY(panelScope, SCOPE_FFTGRAPH, dbm.data(), shown, VAL_DOUBLE, VAL_THIN_LINE,
                                 VAL_NO_POINT, VAL_DOT, 1, colours[j]);
        (j == 0 ? sa.peakPlot : sa.minPlot) = handle > 0 ? handle : 0;
    }
}

// ------------------------------------------------------------ callbacks

int Display_SpecAn(int panel, int control, int event, void *callbackData, int eventData1, int eventData2)
{
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event != EVENT_COMMIT)
        return 0;
    if (Bench_LoadedPanel(panelSpecAn, SPECAN) <= 0)
        return 0;
    WritePanel();
    DisplayPanel(panelSpecAn);
    return 0;
}

int SpecAn_Setting(int panel, int control, int event, void *callbackData, int eventData1, int eventData2)
{
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event != EVENT_COMMIT || !Loaded(panelSpecAn))
        return 0;
    ReadPanel();
    // Any change of the analysis (and the Reset button) starts afresh.
    Scope_ResetSpectrumAnalysis();
    return 0;
}

int Close_SpecAn(int panel, int control, int event, void *callbackData, int eventData1, int eventData2)
{
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event == EVENT_COMMIT && Loaded(panelSpecAn))
        HidePanel(panelSpecAn);
    return 0;
}
