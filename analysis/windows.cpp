// Cosine-sum windows and the scaled window.
//
// w(k) = a0 - a1 cos(2 pi k/n) + a2 cos(4 pi k/n) - ..., with n (not n-1) in
// the denominator, so w(n-k) = w(k): every routine walks k from both ends
// at once and evaluates one cosine per pair of samples.
#include "analysis/spectrum.h"

#include <cmath>

namespace
{

constexpr double kTwoPi = 6.283185307179586476925286766559;

// Multiplies x[k] and x[n-k] by w(k) for 1 <= k < n-k, with w given by f(c),
// c = cos(2 pi k / n).
template <class F> void ApplyPairs(double *x, int n, F f)
{
    const double step = kTwoPi / n;
    for (int k = 1, m = n - 1; k < m; ++k, --m) {
        const double w = f(std::cos(step * k));
        x[k] *= w;
        x[m] *= w;
    }
}

// Three-term window a0 - a1 c + a2 cos(2 theta) written as
// (a0 - a2) - a1 c + 2 a2 c^2.
int ThreeTermWindow(double *x, int n, double a0, double a1, double a2)
{
    if (n <= 0)
        return SamplesGTZeroAnlysErr;
    if (!x)
        return ArraySizeAnlysErr;
    x[0] *= a0 - a1 + a2;
    ApplyPairs(x, n, [=](double c) { return (a0 - a2) - a1 * c + 2.0 * a2 * c * c; });
    return NoAnlysErr;
}

const double kFlatTop[] = {0.215578948, 0.41663158, 0.277263158, 0.083578947, 0.006947368};
const double kBlackmanHarris4[] = {0.35875, 0.48829, 0.14128, 0.01168};
const double kBlackmanHarris7[] = {0.27105140069342415,   0.43329793923448606,  0.21812299954311062,
                                   0.0659254463880309,    0.010811742098372268, 0.0007765848252250934,
                                   1.3887217350903198e-05};
const double kLowSidelobe[] = {0.323215218, 0.471492057, 0.17553428, 0.028497078, 0.001261367};

} // namespace

extern "C" {

int HanWin(double *x, int n)
{
    if (n <= 0)
        return SamplesGTZeroAnlysErr;
    if (!x)
        return ArraySizeAnlysErr;
    x[0] = 0.0;
    const double step = kTwoPi / (2.0 * n);
    for (int k = 1, m = n - 1; k < m; ++k, --m) {
        const double s = std::sin(step * k);
        x[k] *= s * s;
        x[m] *= s * s;
    }
    return NoAnlysErr;
}

int HamWin(double *x, int n)
{
    if (n <= 0)
        return SamplesGTZeroAnlysErr;
    if (!x)
        return ArraySizeAnlysErr;
    x[0] *= 0.08;
    ApplyPairs(x, n, [](double c) { return 0.54 - 0.46 * c; });
    return NoAnlysErr;
}

int BkmanWin(double *x, int n)
{
    return ThreeTermWindow(x, n, 0.42, 0.5, 0.08);
}

int ExBkmanWin(double *x, int n)
{
    return ThreeTermWindow(x, n, 7938.0 / 18608.0, 9240.0 / 18608.0, 1430.0 / 18608.0);
}

int BlkHarrisWin(double *x, int n)
{
    return ThreeTermWindow(x, n, 0.42323, 0.49755, 0.07922);
}

int FlatTopWin(double *x, int n)
{
    return GenCosWin(x, n, kFlatTop, 5);
}

int GenCosWin(double *x, int n, const double *coef, int m)
{
    if (n < 1 || m < 1)
        return SamplesGTZeroAnlysErr;
    if (!x || !coef)
        return ArraySizeAnlysErr;
    // w(0) = a0 - a1 + a2 - ...; w(n/2) = a0 + a1 + a2 + ...
    double first = 0.0, middle = 0.0;
    for (int j = 0; j < m; ++j) {
        first += (j % 2 ? -coef[j] : coef[j]);
        middle += coef[j];
    }
    x[0] *= first;
    if (n % 2 == 0 && n >= 2)
        x[n / 2] *= middle;
    // cos(j theta) by the Chebyshev recurrence from the one cosine c.
    ApplyPairs(x, n, [=](double c) {
        double w = coef[0], prev = 1.0, cur = c, sign = -1.0;
        for (int j = 1; j < m; ++j) {
            w += sign * coef[j] * cur;
            const double next = 2.0 * c * cur - prev;
            prev = cur;
            cur = next;
            sign = -sign;
        }
        return w;
    });
    return NoAnlysErr;
}

int ScaledWindow(double *x, int n, int type, WindowConstants *constants)
{
    if (n < 0)
        return SamplesGEZeroAnlysErr;
    if (!constants || (n > 0 && !x))
        return ArraySizeAnlysErr;
    double enbw = 1.0, cg = 1.0;
    int status = NoAnlysErr;
    switch (type) {
    case WINDOW_HANNING:
        enbw = 1.5;
        cg = 0.5;
        if (n > 0)
            status = HanWin(x, n);
        break;
    case WINDOW_HAMMING:
        enbw = 1.36;
        cg = 0.54;
        if (n > 0)
            status = HamWin(x, n);
        break;
    case WINDOW_BLACKMAN_HARRIS_3:
        enbw = 1.708538;
        cg = 0.42323;
        if (n > 0)
            status = BlkHarrisWin(x, n);
        break;
    case WINDOW_EXACT_BLACKMAN:
        enbw = 1.693699;
        cg = 7938.0 / 18608.0; // 0.42659071367..., the first coefficient
        if (n > 0)
            status = ExBkmanWin(x, n);
        break;
    case WINDOW_BLACKMAN:
        enbw = 1.726757;
        cg = 0.42;
        if (n > 0)
            status = BkmanWin(x, n);
        break;
    case WINDOW_FLAT_TOP:
        enbw = 3.770246506303;
        cg = kFlatTop[0];
        if (n > 0)
            status = FlatTopWin(x, n);
        break;
    case WINDOW_BLACKMAN_HARRIS_4:
        enbw = 2.004353;
        cg = kBlackmanHarris4[0];
        if (n > 0)
            status = GenCosWin(x, n, kBlackmanHarris4, 4);
        break;
    case WINDOW_BLACKMAN_HARRIS_7:
        enbw = 2.631905;
        cg = kBlackmanHarris7[0];
        if (n > 0)
            status = GenCosWin(x, n, kBlackmanHarris7, 7);
        break;
    case WINDOW_LOW_SIDELOBE:
        enbw = 2.215350782519;
        cg = kLowSidelobe[0];
        if (n > 0)
            status = GenCosWin(x, n, kLowSidelobe, 5);
        break;
    default:
        break;
    }
    (void)status; // cannot fail for n > 0 with a valid array
    constants->enbw = enbw;
    constants->coherentgain = cg;
    if (cg != 1.0) {
        const double s = 1.0 / cg;
        for (int k = 0; k < n; ++k)
            x[k] *= s;
    }
    return NoAnlysErr;
}

} // extern "C"
