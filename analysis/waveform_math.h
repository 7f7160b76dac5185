// Waveform arithmetic for math traces: sum, difference, product and
// quotient of two records, negation, absolute value, derivative and
// trapezoidal integral of one, and the display scale and offset that fit a
// result on a graph.
//
// Division by zero gives iDNaN samples, and NaN samples of the inputs
// carry through to the result; the plot and the pulse measurements skip
// them.
//
// Every routine returns 0 on success or a negative status code of
// analysis/errors.h.  An argument error leaves every output untouched.
#ifndef KORVAX_ANALYSIS_WAVEFORM_MATH_H
#define KORVAX_ANALYSIS_WAVEFORM_MATH_H

#include "analysis/errors.h"

#ifdef __cplusplus
extern "C" {
#endif

// Operation codes of WaveformMath.
enum WaveformOperation {
    WAVEFORM_ADD = 0,        // a + b
    WAVEFORM_SUBTRACT = 1,   // a - b
    WAVEFORM_MULTIPLY = 2,   // a x b
    WAVEFORM_DIVIDE = 3,     // a / b, iDNaN where b is 0
    WAVEFORM_NEGATE = 4,     // -a
    WAVEFORM_ABSOLUTE = 5,   // |a|
    WAVEFORM_DERIVATIVE = 6, // da/dt: central differences, one-sided at the ends and beside a NaN
    WAVEFORM_INTEGRAL = 7    // trapezoid sum of a dt from the first finite sample (0 there)
};

// Vertical placing of a trace: scale in the trace's unit per division (1, 2
// or 5 times a power of ten), offset the value at the centre line.
struct WaveformScale {
    double scale;
    double offset;
};
#ifndef __cplusplus
typedef struct WaveformScale WaveformScale;
#endif

// out[0..n-1] = operation applied to a (and b for the four two-record
// operations; b is not read by the others and may be null).  out may be
// the same array as a or b.  dt (seconds per sample) is read by the
// derivative and the integral only, whose units are unit/s and unit x s.
// When display is not null it receives WaveformDisplayScale of the result
// over the given number of divisions, or scale 1 and offset 0 when the
// result holds no finite sample.  -20003 n < 1, -20006 n < 2 for the
// derivative, -20008 a null pointer, -20061 an unknown operation, -20016
// dt not positive and finite, -20109 divisions < 1 with display wanted.
ANALYSIS_NODISCARD int WaveformMath(const double *a, const double *b, int n, int operation, double dt,
                                    int divisions, double *out, struct WaveformScale *display);

// The smallest 1-2-5 scale at which the finite samples of x[0..n-1] span
// at most the given number of divisions, and the offset that centres them
// (a constant record gets a scale from its own magnitude, 1 for zero).
// -20003 n < 1, -20008 a null pointer, -20109 divisions < 1, -20105 no
// finite sample.
ANALYSIS_NODISCARD int WaveformDisplayScale(const double *x, int n, int divisions, struct WaveformScale *display);

#ifdef __cplusplus
}
#endif

#endif
