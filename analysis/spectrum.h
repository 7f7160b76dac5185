// Spectrum routines of the signal-processing library: cosine-sum windows,
// the scaled window with its equivalent noise bandwidth and coherent gain,
// the two-sided power spectrum, the single-sided auto power spectrum, the
// conversion into display units and the real FFT of any length.
//
// Every routine returns 0 on success or a negative status code of
// analysis/errors.h.  An argument error leaves every output untouched.
#ifndef KORVAX_ANALYSIS_SPECTRUM_H
#define KORVAX_ANALYSIS_SPECTRUM_H

#include "analysis/errors.h"

#ifdef __cplusplus
extern "C" {
#endif

// Equivalent noise bandwidth (in bins) and coherent gain (mean value) of
// the window last applied by ScaledWindow.
struct WindowConstants {
    double enbw;
    double coherentgain;
};
#ifndef __cplusplus
typedef struct WindowConstants WindowConstants;
#endif

// Window type codes accepted by ScaledWindow; any other value means none.
enum WindowType {
    WINDOW_NONE = 0,
    WINDOW_HANNING = 1,
    WINDOW_HAMMING = 2,
    WINDOW_BLACKMAN_HARRIS_3 = 3,
    WINDOW_EXACT_BLACKMAN = 4,
    WINDOW_BLACKMAN = 5,
    WINDOW_FLAT_TOP = 6,
    WINDOW_BLACKMAN_HARRIS_4 = 7,
    WINDOW_BLACKMAN_HARRIS_7 = 8,
    WINDOW_LOW_SIDELOBE = 9
};

// Kinds of input spectrum for SpectrumUnitConversion.
enum SpectrumKind { SPECTRUM_POWER = 0, SPECTRUM_AMPLITUDE = 1, SPECTRUM_GAIN = 2 };

// Scaling of the converted spectrum.
enum SpectrumScaling { SCALING_LINEAR = 0, SCALING_DB = 1, SCALING_DBM = 2 };

// Display unit bits: peak (else rms), squared (power), per hertz (density).
enum SpectrumUnitBits { UNIT_PEAK = 1, UNIT_SQUARED = 2, UNIT_PER_HZ = 4 };

// Longest unit text SpectrumUnitConversion can add to the caller's text:
// "dB" in front and "rms^2/Hz" behind.  unitText needs room for
// strlen(caller's text) + SPECTRUM_UNIT_EXTRA + 1 bytes.
#define SPECTRUM_UNIT_EXTRA 10

// Cosine-sum windows, applied in place to x[0..n-1].  -20003 if n <= 0.
ANALYSIS_NODISCARD int HanWin(double *x, int n);
ANALYSIS_NODISCARD int HamWin(double *x, int n);
ANALYSIS_NODISCARD int BkmanWin(double *x, int n);
ANALYSIS_NODISCARD int ExBkmanWin(double *x, int n);
ANALYSIS_NODISCARD int BlkHarrisWin(double *x, int n);
ANALYSIS_NODISCARD int FlatTopWin(double *x, int n);

// General cosine-sum window with m coefficients a0 - a1 cos + a2 cos - ...
// -20003 if n < 1 or m < 1.
ANALYSIS_NODISCARD int GenCosWin(double *x, int n, const double *coef, int m);

// Applies the window of the given type code, divides by its coherent gain
// and reports its constants.  -20004 if n < 0; n == 0 only reports them.
ANALYSIS_NODISCARD int ScaledWindow(double *x, int n, int type, WindowConstants *constants);

// Replaces x[0..n-1] by its two-sided power spectrum.
ANALYSIS_NODISCARD int Spectrum(double *x, int n);

// Single-sided power spectrum of x (unchanged) into out[0..n/2-1]; the
// frequency step 1/(n*dt) goes to *df.
ANALYSIS_NODISCARD int AutoPowerSpectrum(const double *x, int n, double dt, double *out, double *df);

// Converts n values of a power, amplitude or gain spectrum into the chosen
// unit and scaling; out may be the same array as spectrum.  unitText holds
// the caller's unit ("V") on entry and the full unit text on return.
ANALYSIS_NODISCARD int SpectrumUnitConversion(const double *spectrum, int n, int kind, int scaling, int unit,
                                              double df, struct WindowConstants constants, double *out,
                                              char *unitText);

// Single-sided power spectrum of x in dBm (rms), value for value what
// AutoPowerSpectrum followed by SpectrumUnitConversion(power spectrum, dBm,
// rms) gives, in one pass after the transform and without allocating:
// out[0..n/2-1], the frequency step to *df.  x is left unchanged.  work
// holds 2*n doubles of scratch that the caller may keep between calls.
ANALYSIS_NODISCARD int PowerSpectrumDbm(const double *x, int n, double dt, double *work, double *out,
                                        double *df);

// Unnormalised forward DFT of the real array x[0..n-1]: on return x holds
// the real parts and y the imaginary parts of all n bins.  Any n >= 1.
ANALYSIS_NODISCARD int ReFFT(double *x, double *y, int n);

#ifdef __cplusplus
}
#endif

#endif
