// Measurements on power spectra: averaging of successive spectra (linear,
// exponential, peak hold, min hold), the largest peaks, and the distortion
// and noise figures of a tone (THD, THD+N, SNR, SINAD, SFDR, ENOB).
//
// The spectra are single-sided power spectra as AutoPowerSpectrum returns
// them, of a record weighted by ScaledWindow: a tone of amplitude A then
// spreads A^2/2 x ENBW over the bins of the window's main lobe, and white
// noise of variance s^2 spreads s^2 x ENBW over all the bins.
//
// Every routine returns 0 on success or a negative status code of
// analysis/errors.h.  An argument error leaves every output untouched.
#ifndef KORVAX_ANALYSIS_SPECTRUM_MEASURE_H
#define KORVAX_ANALYSIS_SPECTRUM_MEASURE_H

#include "analysis/errors.h"

#ifdef __cplusplus
extern "C" {
#endif

// How AverageSpectrum folds a new spectrum into the running result.
enum SpectrumAveraging {
    AVERAGING_LINEAR = 0,      // mean of all spectra so far (RMS averaging of the amplitudes)
    AVERAGING_EXPONENTIAL = 1, // new weight 1/k for the first k < weight spectra, then 1/weight
    AVERAGING_PEAK_HOLD = 2,   // largest value per bin
    AVERAGING_MIN_HOLD = 3     // smallest value per bin
};

// Folds spectrum[0..n-1] into average[0..n-1].  *count is the number of
// spectra folded so far: 0 starts afresh (average becomes a copy of
// spectrum); it is incremented on return.  A NaN value of spectrum leaves
// its bin as it was.  weight is read by the exponential mode only.
// -20003 n < 1, -20008 a null pointer, -20061 an unknown mode, -20107
// weight < 1 (exponential), -20064 *count < 0.
ANALYSIS_NODISCARD int AverageSpectrum(const double *spectrum, int n, int mode, int weight, double *average,
                                       int *count);

// The largest local maxima of spectrum[0..n-1] (bins whose value exceeds
// the bin below and is not below the bin above; the ends compare with
// their one neighbour), at most maxPeaks of them, largest first, ties by
// ascending bin: their bins into bins[], their values into values[], their
// number into *found.  NaN bins are never peaks.  -20003 n < 1, -20008 a
// null pointer, -20110 maxPeaks < 1.
ANALYSIS_NODISCARD int SpectrumPeaks(const double *spectrum, int n, int maxPeaks, int *bins, double *values,
                                     int *found);

// Distortion and noise figures of the strongest tone of a spectrum.
struct HarmonicAnalysis {
    double fundamental;      // frequency of the tone, hertz (power-weighted centre of its lobe)
    double fundamentalPower; // power of the tone, unit^2 (A^2/2 for a sine of amplitude A)
    double noisePower;       // noise power over the whole band, unit^2
    double thd;              // harmonic / fundamental amplitude, percent
    double thdPlusNoise;     // (harmonics + noise) / fundamental amplitude, percent
    double snr;              // fundamental / noise power, dB
    double sinad;            // fundamental / (noise + harmonics) power, dB
    double sfdr;             // fundamental / largest other bin, dB
    double enob;             // (SINAD - 1.76) / 6.02, bits
    int harmonicsFound;      // harmonics 2 .. highestHarmonic below the last bin
};
#ifndef __cplusplus
typedef struct HarmonicAnalysis HarmonicAnalysis;
#endif

// Analyses the single-sided power spectrum spectrum[0..n-1] with bin width
// df hertz of a record weighted by the window of the given type code
// (WINDOW_..., any other value meaning none).  The tone is the largest bin
// above the DC lobe; harmonics 2 .. highestHarmonic lie at multiples of its
// frequency, and those beyond the last bin are not counted.  Each tone
// takes the bins of the window's main lobe around it (the number of cosine
// terms on either side, 1 for no window), so its leakage is not counted as
// noise; the noise is the mean of the other bins above the DC lobe,
// extended over the whole band.  A spectrum without noise gives an
// infinite SNR and SINAD.  -20003 n < 1, -20008 a null pointer, -20016 df
// not positive and finite, -20108 highestHarmonic < 2, -20106 no tone
// (every bin above the DC lobe is zero or NaN, or the spectrum is too
// short to hold one).
ANALYSIS_NODISCARD int AnalyzeHarmonics(const double *spectrum, int n, double df, int window,
                                        int highestHarmonic, struct HarmonicAnalysis *result);

// Half-width of the main lobe of the window of the given type code, in
// bins: the number of its cosine terms, 1 for no window.
int WindowMainLobeBins(int window);

#ifdef __cplusplus
}
#endif

#endif
