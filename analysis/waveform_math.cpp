// Waveform arithmetic and the display scale of a trace.
#include "analysis/waveform_math.h"
#include "analysis/synth.h"

#include <cfloat>
#include <cmath>

namespace
{

inline bool Finite(double v)
{
    return std::fabs(v) <= DBL_MAX;
}

// Central differences; beside a NaN neighbour or at an end the one-sided
// difference with the finite neighbour; NaN where the sample itself is NaN
// or has no finite neighbour.  Each input sample is read before out[i] is
// written, so out may be x.
void Derivative(const double *x, int n, double dt, double *out)
{
    const double inv = 1.0 / dt, half = 0.5 / dt;
    double prev = iDNaN;
    double cur = x[0];
    for (int i = 0; i < n; ++i) {
        const double next = i + 1 < n ? x[i + 1] : iDNaN;
        double d = iDNaN;
        if (Finite(cur)) {
            const bool l = Finite(prev), r = Finite(next);
            if (l && r)
                d = (next - prev) * half;
            else if (r)
                d = (next - cur) * inv;
            else if (l)
                d = (cur - prev) * inv;
        }
        out[i] = d;
        prev = cur;
        cur = next;
    }
}

// Trapezoid sum from the first finite sample; a run of NaN samples is
// bridged by one trapezoid between its finite neighbours and stays NaN in
// the result.
void Integral(const double *x, int n, double dt, double *out)
{
    double sum = 0.0, last = 0.0;
    int lastIndex = -1;
    const double h = 0.5 * dt;
    for (int i = 0; i < n; ++i) {
        const double v = x[i];
        if (!Finite(v)) {
            out[i] = iDNaN;
            continue;
        }
        if (lastIndex >= 0)
            sum += (last + v) * h * (i - lastIndex);
        out[i] = sum;
        last = v;
        lastIndex = i;
    }
}

// Smallest 1, 2 or 5 x 10^k at or above need (need > 0 and finite).
double OneTwoFive(double need)
{
    double decade = std::pow(10.0, std::floor(std::log10(need)));
    // Guards against log10 rounding just below an exact power of ten.
    if (decade > need)
        decade /= 10.0;
    const double tol = 1.0 + 1e-12;
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        if (m * decade * tol >= need)
            return m * decade;
    }
    return 10.0 * decade;
}

} // namespace

extern "C" {

int WaveformDisplayScale(const double *x, int n, int divisions, WaveformScale *display)
{
    if (n < 1)
        return SamplesGTZeroAnlysErr;
    if (!x || !display)
        return ArraySizeAnlysErr;
    if (divisions < 1)
        return DivisionsGTZeroAnlysErr;
    double lo = DBL_MAX, hi = -DBL_MAX;
    bool any = false;
    for (int i = 0; i < n; ++i) {
        const double v = x[i];
        if (!Finite(v))
            continue;
        any = true;
        lo = v < lo ? v : lo;
        hi = v > hi ? v : hi;
    }
    if (!any)
        return NoFiniteSamplesAnlysErr;
    // Half the span and the centre, computed so that neither overflows.
    const double halfSpan = 0.5 * hi - 0.5 * lo;
    const double centre = 0.5 * hi + 0.5 * lo;
    double need = 2.0 * (halfSpan / divisions);
    if (!(need > 0.0))
        need = std::fabs(centre) / divisions;
    if (!(need > 0.0) || !Finite(need))
        need = need > 0.0 ? DBL_MAX : 1.0;
    display->scale = OneTwoFive(need);
    display->offset = centre;
    return NoAnlysErr;
}

int WaveformMath(const double *a, const double *b, int n, int operation, double dt, int divisions, double *out,
                 WaveformScale *display)
{
    if (n < 1)
        return SamplesGTZeroAnlysErr;
    if (operation < WAVEFORM_ADD || operation > WAVEFORM_INTEGRAL)
        return InvSelectionAnlysErr;
    const bool twoRecords = operation <= WAVEFORM_DIVIDE;
    if (!a || !out || (twoRecords && !b))
        return ArraySizeAnlysErr;
    if (operation == WAVEFORM_DERIVATIVE && n < 2)
        return SamplesGETwoAnlysErr;
    if ((operation == WAVEFORM_DERIVATIVE || operation == WAVEFORM_INTEGRAL) && (!(dt > 0.0) || !Finite(dt)))
        return DtGTZeroAnlysErr;
    if (display && divisions < 1)
        return DivisionsGTZeroAnlysErr;

    switch (operation) {
    case WAVEFORM_ADD:
        for (int i = 0; i < n; ++i)
            out[i] = a[i] + b[i];
        break;
    case WAVEFORM_SUBTRACT:
        for (int i = 0; i < n; ++i)
            out[i] = a[i] - b[i];
        break;
    case WAVEFORM_MULTIPLY:
        for (int i = 0; i < n; ++i)
            out[i] = a[i] * b[i];
        break;
    case WAVEFORM_DIVIDE:
        for (int i = 0; i < n; ++i) {
            const double d = b[i];
            out[i] = d == 0.0 ? iDNaN : a[i] / d;
        }
        break;
    case WAVEFORM_NEGATE:
        for (int i = 0; i < n; ++i)
            out[i] = -a[i];
        break;
    case WAVEFORM_ABSOLUTE:
        for (int i = 0; i < n; ++i)
            out[i] = std::fabs(a[i]);
        break;
    case WAVEFORM_DERIVATIVE:
        Derivative(a, n, dt, out);
        break;
    default:
        Integral(a, n, dt, out);
        break;
    }
    if (display && WaveformDisplayScale(out, n, divisions, display) != NoAnlysErr) {
        display->scale = 1.0;
        display->offset = 0.0;
    }
    return NoAnlysErr;
}

} // extern "C"
