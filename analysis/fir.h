// FIR filter design by truncated ideal impulse response, and convolution.
#ifndef KORVAX_ANALYSIS_FIR_H
#define KORVAX_ANALYSIS_FIR_H

#include "analysis/errors.h"

#ifdef __cplusplus
extern "C" {
#endif

enum FirKind { FIR_LOWPASS = 0, FIR_HIGHPASS = 1, FIR_BANDPASS = 2, FIR_BANDSTOP = 3 };

// Linear-phase FIR coefficients (no window): n taps into coef, symmetric
// about the centre. f2 is read only by the bandpass and bandstop kinds. On
// failure nothing is written: -20061 bad kind, -20021 n < 1, -20020 a
// cut-off above fs / 2, -20023 a bad band (fs, f1, f2 not positive and
// finite, or f1 >= f2), -20033 an even n for highpass or bandstop.
ANALYSIS_NODISCARD int FIR_Coef(int kind, double fs, double f1, double f2, int n, double *coef);

// Full linear convolution: out (nx + ny - 1 doubles) = x * y, each output
// summed in ascending order of the x index. -20003 when nx or ny < 1.
ANALYSIS_NODISCARD int Convolve(const double *x, int nx, const double *y, int ny, double *out);

#ifdef __cplusplus
}
#endif

#endif
