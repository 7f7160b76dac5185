// Spectrum averaging, peak search and the distortion and noise figures of a
// tone.  None of these routines allocates.
#include "analysis/spectrum_measure.h"
#include "analysis/spectrum.h"

#include <cfloat>
#include <climits>
#include <cmath>

namespace
{

inline bool Finite(double v)
{
    return std::fabs(v) <= DBL_MAX;
}

double Decibels(double ratio)
{
    if (ratio == 0.0)
        return -HUGE_VAL;
    return 10.0 * std::log10(ratio);
}

} // namespace

extern "C" {

int WindowMainLobeBins(int window)
{
    switch (window) {
    case WINDOW_HANNING:
    case WINDOW_HAMMING:
        return 2;
    case WINDOW_BLACKMAN_HARRIS_3:
    case WINDOW_EXACT_BLACKMAN:
    case WINDOW_BLACKMAN:
        return 3;
    case WINDOW_BLACKMAN_HARRIS_4:
        return 4;
    case WINDOW_FLAT_TOP:
    case WINDOW_LOW_SIDELOBE:
        return 5;
    case WINDOW_BLACKMAN_HARRIS_7:
        return 7;
    default:
        return 1;
    }
}

int AverageSpectrum(const double *spectrum, int n, int mode, int weight, double *average, int *count)
{
    if (n < 1)
        return SamplesGTZeroAnlysErr;
    if (!spectrum || !average || !count)
        return ArraySizeAnlysErr;
    if (mode < AVERAGING_LINEAR || mode > AVERAGING_MIN_HOLD)
        return InvSelectionAnlysErr;
    if (mode == AVERAGING_EXPONENTIAL && weight < 1)
        return AveragesGTZeroAnlysErr;
    if (*count < 0)
        return InitStateAnlysErr;

    const int k = *count;
    if (k == 0) {
        for (int i = 0; i < n; ++i)
            average[i] = spectrum[i];
    } else if (mode == AVERAGING_LINEAR || mode == AVERAGING_EXPONENTIAL) {
        const double w = 1.0 / (mode == AVERAGING_EXPONENTIAL && weight <= k ? weight : k + 1.0);
        for (int i = 0; i < n; ++i) {
            const double x = spectrum[i], a = average[i];
            if (std::isnan(x))
                continue;
            average[i] = std::isnan(a) ? x : a + (x - a) * w;
        }
    } else if (mode == AVERAGING_PEAK_HOLD) {
        for (int i = 0; i < n; ++i) {
            const double x = spectrum[i], a = average[i];
            average[i] = (x > a || (std::isnan(a) && !std::isnan(x))) ? x : a;
        }
    } else {
        for (int i = 0; i < n; ++i) {
            const double x = spectrum[i], a = average[i];
            average[i] = (x < a || (std::isnan(a) && !std::isnan(x))) ? x : a;
        }
    }
    *count = k < INT_MAX ? k + 1 : k;
    return NoAnlysErr;
}

int SpectrumPeaks(const double *spectrum, int n, int maxPeaks, int *bins, double *values, int *found)
{
    if (n < 1)
        return SamplesGTZeroAnlysErr;
    if (!spectrum || !bins || !values || !found)
        return ArraySizeAnlysErr;
    if (maxPeaks < 1)
        return PeaksGTZeroAnlysErr;

    // bins/values hold the peaks found so far, largest first.
    int kept = 0;
    for (int k = 0; k < n; ++k) {
        const double v = spectrum[k];
        // Once the list is full, only a value above its smallest matters
        // (NaN never is).
        if (kept == maxPeaks ? !(v > values[kept - 1]) : std::isnan(v))
            continue;
        // A NaN neighbour counts as lower.
        if (k > 0 && spectrum[k - 1] >= v)
            continue;
        if (k + 1 < n && spectrum[k + 1] > v)
            continue;
        int at = kept < maxPeaks ? kept++ : kept - 1;
        while (at > 0 && values[at - 1] < v) {
            values[at] = values[at - 1];
            bins[at] = bins[at - 1];
            --at;
        }
        values[at] = v;
        bins[at] = k;
    }
    *found = kept;
    return NoAnlysErr;
}

int AnalyzeHarmonics(const double *spectrum, int n, double df, int window, int highestHarmonic,
                     HarmonicAnalysis *result)
{
    if (n < 1)
        return SamplesGTZeroAnlysErr;
    if (!spectrum || !result)
        return ArraySizeAnlysErr;
    if (!(df > 0.0) || !Finite(df))
        return DtGTZeroAnlysErr;
    if (highestHarmonic < 2)
        return HarmonicsAnlysErr;

    WindowConstants wc{1.0, 1.0};
    if (ScaledWindow(nullptr, 0, window, &wc) != NoAnlysErr)
        return InternalAnlysErr;
    const double enbw = wc.enbw;
    const int lobe = WindowMainLobeBins(window);
    const int dcEnd = lobe; // bins 0 .. lobe-1 hold the DC lobe

    // The tone: the largest finite bin above the DC lobe.
    int peak = -1;
    double peakValue = 0.0;
    for (int k = dcEnd; k < n; ++k) {
        const double v = spectrum[k];
        if (Finite(v) && v > peakValue) {
            peakValue = v;
            peak = k;
        }
    }
    if (peak < 0)
        return NoFundamentalAnlysErr;

    // Fundamental lobe, its power and power-weighted centre.
    const int f0 = peak - lobe > dcEnd ? peak - lobe : dcEnd;
    const int f1 = peak + lobe < n - 1 ? peak + lobe : n - 1;
    double fundSum = 0.0, moment = 0.0;
    for (int k = f0; k <= f1; ++k) {
        const double v = spectrum[k];
        if (!Finite(v))
            continue;
        fundSum += v;
        moment += v * k;
    }
    const double centre = moment / fundSum;

    // One walk over the bins above the DC lobe: the harmonic lobes (each
    // starting after the bins already taken) and the noise between them.
    // The largest bin outside the DC and fundamental lobes is the spur.
    double noiseSum = 0.0, spur = 0.0;
    int noiseBins = 0;
    auto noiseRun = [&](int lo, int hi) {
        for (int k = lo; k <= hi; ++k) {
            const double v = spectrum[k];
            if (!Finite(v))
                continue;
            noiseSum += v;
            ++noiseBins;
            spur = v > spur ? v : spur;
        }
    };
    noiseRun(dcEnd, f0 - 1);
    int next = f1 + 1;
    double harmSum = 0.0;
    int harmonics = 0;
    for (int h = 2; h <= highestHarmonic; ++h) {
        const double c = centre * h;
        if (c > n - 1)
            break;
        ++harmonics;
        const int rc = static_cast<int>(std::lround(c));
        const int lo = rc - lobe > next ? rc - lobe : next;
        const int hi = rc + lobe < n - 1 ? rc + lobe : n - 1;
        if (hi < lo)
            continue;
        noiseRun(next, lo - 1);
        for (int k = lo; k <= hi; ++k) {
            const double v = spectrum[k];
            if (!Finite(v))
                continue;
            harmSum += v;
            spur = v > spur ? v : spur;
        }
        next = hi + 1;
    }
    noiseRun(next, n - 1);
    const double noise = noiseBins > 0 ? noiseSum / noiseBins * n / enbw : 0.0;
    const double fund = fundSum / enbw;
    const double harm = harmSum / enbw;

    HarmonicAnalysis r;
    r.fundamental = centre * df;
    r.fundamentalPower = fund;
    r.noisePower = noise;
    r.thd = std::sqrt(harm / fund) * 100.0;
    r.thdPlusNoise = std::sqrt((harm + noise) / fund) * 100.0;
    r.snr = noise > 0.0 ? Decibels(fund / noise) : HUGE_VAL;
    r.sinad = harm + noise > 0.0 ? Decibels(fund / (harm + noise)) : HUGE_VAL;
    r.sfdr = spur > 0.0 ? Decibels(peakValue / spur) : HUGE_VAL;
    r.enob = (r.sinad - 1.76) / 6.02;
    r.harmonicsFound = harmonics;
    *result = r;
    return NoAnlysErr;
}

} // extern "C"
