// FIR filter design (truncated ideal impulse response) and convolution.
#include "analysis/fir.h"
#include "analysis/vec_internal.h"

#include <cmath>
#include <cstdint>
#include <cstring>

using namespace analysis_vec;

namespace
{

constexpr double kTwoPi = 6.283185307179586;
constexpr double kPi = 3.141592653589793;
constexpr double kHalfPi = 1.5707963267948966;
constexpr double kInvPi = 0.3183098861837907;

bool badRate(double v)
{
    return !(v > 0.0) || !std::isfinite(v);
}

// Writes the n coefficients of an accepted design. Pair values come from
// running sums x = w*m and d = pi*m, m = k - (n-1)/2, advanced by repeated
// addition from the outermost tap inwards.
void design(int kind, double fs, double f1, double f2, int n, double *coef)
{
    const double span = static_cast<double>(n - 1);
    const double w1 = f1 * kTwoPi / fs;
    const double w2 = f2 * kTwoPi / fs;
    double x1 = span * w1 * -0.5;
    double x2 = span * w2 * -0.5;
    double d = span * -kHalfPi;
    for (int k = 0; k < n / 2; ++k) {
        double v = 0.0;
        switch (kind) {
        case FIR_LOWPASS:
            v = std::sin(x1) / d;
            break;
        case FIR_HIGHPASS:
            v = -std::sin(x1) / d;
            break;
        case FIR_BANDPASS:
            v = (std::sin(x2) - std::sin(x1)) / d;
            break;
        default:
            v = (std::sin(x1) - std::sin(x2)) / d;
            break;
        }
        coef[k] = v;
        coef[n - 1 - k] = v;
        x1 += w1;
        x2 += w2;
        d += kPi;
    }
    if (n % 2 == 1) {
        double centre = 0.0;
        switch (kind) {
        case FIR_LOWPASS:
            centre = w1 * kInvPi;
            break;
        case FIR_HIGHPASS:
            centre = 1.0 - w1 * kInvPi;
            break;
        case FIR_BANDPASS:
            centre = (w2 - w1) * kInvPi;
            break;
        default:
            centre = 1.0 - (w2 - w1) * kInvPi;
            break;
        }
        coef[(n - 1) / 2] = centre;
    }
}

// --- Convolution -----------------------------------------------------------
// out[k] is the sum over t of a[k - t] x b[t], with the terms added in the
// order given by Descending (t from high to low) or ascending t. Every output
// starts at +0.0 and takes its terms one by one, each sum rounded to double,
// so computing outputs side by side gives exactly the values of the plain
// double loop over x and y.

// One output whose terms run over t in [tLo, tHi].
template <bool Descending>
double edgeOutput(const double *a, const double *b, std::int64_t k, std::int64_t tLo, std::int64_t tHi)
{
    double acc = 0.0;
    if (Descending) {
        for (std::int64_t t = tHi; t >= tLo; --t)
            acc = acc + a[k - t] * b[t];
    } else {
        for (std::int64_t t = tLo; t <= tHi; ++t)
            acc = acc + a[k - t] * b[t];
    }
    return acc;
}

ANALYSIS_VEC_INLINE vd load(const double *p)
{
    vd v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

ANALYSIS_VEC_INLINE void store(double *p, const vd &v)
{
    std::memcpy(p, &v, sizeof v);
}

// Outputs k0 .. k0 + W*8 - 1, all of which take every b[t], t < nb.
template <bool Descending, int W>
inline void interiorTile(const double *a, const double *b, std::int64_t nb, std::int64_t k0, double *out)
{
    vd acc[W];
    for (int v = 0; v < W; ++v)
        acc[v] = splat(0.0);
    const double *base = a + k0;
    for (std::int64_t s = 0; s < nb; ++s) {
        const std::int64_t t = Descending ? nb - 1 - s : s;
        const double bt = b[t];
        for (int v = 0; v < W; ++v)
            acc[v] = acc[v] + load(base - t + v * kLanes) * bt;
    }
    for (int v = 0; v < W; ++v)
        store(out + k0 + v * kLanes, acc[v]);
}

// a has na >= nb elements; out has na + nb - 1.
template <bool Descending>
void convolveOrdered(const double *a, std::int64_t na, const double *b, std::int64_t nb, double *out)
{
    const std::int64_t nout = na + nb - 1;
    // Leading edge: outputs that miss the high taps.
    for (std::int64_t k = 0; k < nb - 1 && k < nout; ++k)
        out[k] = edgeOutput<Descending>(a, b, k, 0, k);
    // Interior: every tap falls inside a.
    std::int64_t k = nb - 1;
    const std::int64_t interiorEnd = na; // exclusive
    constexpr int kWide = 4;
    for (; k + kWide * kLanes <= interiorEnd; k += kWide * kLanes)
        interiorTile<Descending, kWide>(a, b, nb, k, out);
    for (; k + kLanes <= interiorEnd; k += kLanes)
        interiorTile<Descending, 1>(a, b, nb, k, out);
    for (; k < interiorEnd; ++k)
        out[k] = edgeOutput<Descending>(a, b, k, 0, nb - 1);
    // Trailing edge: outputs past the end of a.
    for (; k < nout; ++k)
        out[k] = edgeOutput<Descending>(a, b, k, k - na + 1, nb - 1);
}

} // namespace

extern "C" {

int FIR_Coef(int kind, double fs, double f1, double f2, int n, double *coef)
{
    if (kind < FIR_LOWPASS || kind > FIR_BANDSTOP)
        return InvSelectionAnlysErr;
    const bool twoEdges = kind == FIR_BANDPASS || kind == FIR_BANDSTOP;
    if (!twoEdges)
        f2 = (0.5 * fs + f1) * 0.5; // only for the Nyquist check
    if (n < 1)
        return OrderGTZeroAnlysErr;
    if (f1 > 0.5 * fs)
        return NyquistAnlysErr;
    if (f2 > 0.5 * fs)
        return NyquistAnlysErr;
    // Non-finite rates and cut-offs are rejected with the band errors rather
    // than turned into coefficients that are all NaN.
    if (badRate(fs) || badRate(f1))
        return BandSpecAnlysErr;
    if (twoEdges && (badRate(f2) || f1 >= f2))
        return BandSpecAnlysErr;
    if ((kind == FIR_HIGHPASS || kind == FIR_BANDSTOP) && n % 2 == 0)
        return EvenSizeAnlysErr;
    design(kind, fs, f1, f2, n, coef);
    return NoAnlysErr;
}

int Convolve(const double *x, int nx, const double *y, int ny, double *out)
{
    if (nx < 1 || ny < 1)
        return SamplesGTZeroAnlysErr;
    // Output k adds x[i] * y[k - i] for ascending i. With x the longer input
    // that is y's index descending; otherwise x's index ascending.
    if (nx >= ny)
        convolveOrdered<true>(x, nx, y, ny, out);
    else
        convolveOrdered<false>(y, ny, x, nx, out);
    return NoAnlysErr;
}

} // extern "C"
