// Array helpers: fill, copy and extremes.
#include "analysis/synth.h"

#include <cmath>
#include <cstdint>

extern "C" {

const double iDNaN = __builtin_bit_cast(double, static_cast<std::uint64_t>(0xFFFFFFFF7FFFFFFFull));

int Set1D(double *a, int n, double value)
{
    if (n < 1)
        return SamplesGTZeroAnlysErr;
    for (int i = 0; i < n; ++i)
        a[i] = value;
    return NoAnlysErr;
}

int Copy1D(const double *src, int n, double *dst)
{
    if (n < 1)
        return SamplesGTZeroAnlysErr;
    // Element by element in ascending order, also when the arrays overlap.
    for (int i = 0; i < n; ++i)
        dst[i] = src[i];
    return NoAnlysErr;
}

int MaxMin1D(const double *a, int n, double *max, int *imax, double *min, int *imin)
{
    if (n < 1)
        return SamplesGTZeroAnlysErr;
    double hi = iDNaN;
    double lo = iDNaN;
    int ihi = -1;
    int ilo = -1;
    int i = 0;
    for (; i < n; ++i) {
        if (!std::isnan(a[i])) {
            hi = lo = a[i];
            ihi = ilo = i;
            break;
        }
    }
    for (++i; i < n; ++i) {
        const double x = a[i];
        if (std::isnan(x))
            continue;
        if (x > hi) {
            hi = x;
            ihi = i;
        } else if (x < lo) {
            lo = x;
            ilo = i;
        }
    }
    *max = hi;
    *imax = ihi;
    *min = lo;
    *imin = ilo;
    return NoAnlysErr;
}

} // extern "C"
