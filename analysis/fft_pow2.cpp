// Real transform of a power-of-two length on 256-bit vectors (AVX2 and
// FMA), chosen at run time, so that the library stays portable and the
// other lengths keep the general engine.
//
// The complex transform of length n = N/2 is a radix-4 Stockham
// decimation in frequency: pass t turns x into y with
//   y[q + s(4p + j)] = W_L^(jp) * sum_k x[q + s(p + km)] W_4^(jk),
// L the length still to transform, s = n/L, m = L/4, so that the result
// comes out in natural order.  Passes with s >= 4 run the butterflies over
// q as whole vectors with their twiddles broadcast; the first pass (s = 1)
// runs four butterflies p side by side and transposes their outputs; an
// odd power of two ends with a radix-2 pass.  Data are split (real parts,
// imaginary parts); the passes alternate between the work buffer and y,
// and the last step writes all N real-transform bins to x and y.
#include "analysis/fft.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define KX_POW2_X86 1
#endif

namespace korvax
{
namespace fft
{

namespace
{

// Lengths served: from 64 to 2^17 (larger records keep the two-phase
// engine, which reads and writes them fewer times).
constexpr std::size_t kPow2Min = 64;
constexpr std::size_t kPow2Max = std::size_t(1) << 17;

bool IsPow2(std::size_t v)
{
    return v && (v & (v - 1)) == 0;
}

#if defined(KX_POW2_X86)

#define KX_AVX2 __attribute__((target("avx2,fma")))
#define KX_AVX2_INLINE inline __attribute__((always_inline, target("avx2,fma")))

struct Cv {
    __m256d r, i;
};

KX_AVX2_INLINE Cv Load(const double *r, const double *i)
{
    return {_mm256_loadu_pd(r), _mm256_loadu_pd(i)};
}

KX_AVX2_INLINE void Store(double *r, double *i, Cv v)
{
    _mm256_storeu_pd(r, v.r);
    _mm256_storeu_pd(i, v.i);
}

KX_AVX2_INLINE Cv Add(Cv a, Cv b)
{
    return {_mm256_add_pd(a.r, b.r), _mm256_add_pd(a.i, b.i)};
}

KX_AVX2_INLINE Cv Sub(Cv a, Cv b)
{
    return {_mm256_sub_pd(a.r, b.r), _mm256_sub_pd(a.i, b.i)};
}

// a - i b and a + i b.
KX_AVX2_INLINE Cv SubI(Cv a, Cv b)
{
    return {_mm256_add_pd(a.r, b.i), _mm256_sub_pd(a.i, b.r)};
}

KX_AVX2_INLINE Cv AddI(Cv a, Cv b)
{
    return {_mm256_sub_pd(a.r, b.i), _mm256_add_pd(a.i, b.r)};
}

KX_AVX2_INLINE Cv Mul(Cv a, __m256d wr, __m256d wi)
{
    return {_mm256_fmsub_pd(a.r, wr, _mm256_mul_pd(a.i, wi)), _mm256_fmadd_pd(a.r, wi, _mm256_mul_pd(a.i, wr))};
}

// Forward 4-point DFT.
KX_AVX2_INLINE void Dft4(Cv a, Cv b, Cv c, Cv d, Cv &y0, Cv &y1, Cv &y2, Cv &y3)
{
    const Cv apc = Add(a, c), amc = Sub(a, c), bpd = Add(b, d), bmd = Sub(b, d);
    y0 = Add(apc, bpd);
    y2 = Sub(apc, bpd);
    y1 = SubI(amc, bmd);
    y3 = AddI(amc, bmd);
}

// Four complex values from interleaved pairs at p: lanes hold p, p+2,
// p+1, p+3 (the order the unpack instructions give; the first pass keeps
// it and undoes it in its transposition).
KX_AVX2_INLINE Cv LoadPairs(const double *p)
{
    const __m256d a = _mm256_loadu_pd(p), b = _mm256_loadu_pd(p + 4);
    return {_mm256_unpacklo_pd(a, b), _mm256_unpackhi_pd(a, b)};
}

// v0..v3 hold outputs j = 0..3 of butterflies p, p+2, p+1, p+3; writes
// d[4p + 4u + j] for u = 0..3.
KX_AVX2_INLINE void StoreTransposed(double *d, __m256d v0, __m256d v1, __m256d v2, __m256d v3)
{
    const __m256d t0 = _mm256_unpacklo_pd(v0, v1), t1 = _mm256_unpackhi_pd(v0, v1);
    const __m256d t2 = _mm256_unpacklo_pd(v2, v3), t3 = _mm256_unpackhi_pd(v2, v3);
    _mm256_storeu_pd(d, _mm256_permute2f128_pd(t0, t2, 0x20));
    _mm256_storeu_pd(d + 4, _mm256_permute2f128_pd(t0, t2, 0x31));
    _mm256_storeu_pd(d + 8, _mm256_permute2f128_pd(t1, t3, 0x20));
    _mm256_storeu_pd(d + 12, _mm256_permute2f128_pd(t1, t3, 0x31));
}

// First pass (s = 1, L = n) from the interleaved input.
KX_AVX2 void FirstPass(const double *in, double *yr, double *yi, std::size_t n, const double *tw)
{
    const std::size_t m = n / 4;
    for (std::size_t p = 0; p < m; p += 4, tw += 24) {
        const Cv a = LoadPairs(in + 2 * p), b = LoadPairs(in + 2 * (p + m));
        const Cv c = LoadPairs(in + 2 * (p + 2 * m)), d = LoadPairs(in + 2 * (p + 3 * m));
        Cv y0, y1, y2, y3;
        Dft4(a, b, c, d, y0, y1, y2, y3);
        y1 = Mul(y1, _mm256_loadu_pd(tw), _mm256_loadu_pd(tw + 4));
        y2 = Mul(y2, _mm256_loadu_pd(tw + 8), _mm256_loadu_pd(tw + 12));
        y3 = Mul(y3, _mm256_loadu_pd(tw + 16), _mm256_loadu_pd(tw + 20));
        StoreTransposed(yr + 4 * p, y0.r, y1.r, y2.r, y3.r);
        StoreTransposed(yi + 4 * p, y0.i, y1.i, y2.i, y3.i);
    }
}

// A radix-4 pass with s >= 4 (a multiple of 4).
KX_AVX2 void Radix4Pass(const double *xr, const double *xi, double *yr, double *yi, std::size_t s,
                        std::size_t m, const double *tw)
{
    for (std::size_t p = 0; p < m; ++p, tw += 6) {
        const double *ar = xr + s * p, *ai = xi + s * p;
        double *or0 = yr + 4 * s * p, *oi0 = yi + 4 * s * p;
        const std::size_t sm = s * m;
        if (p == 0) {
            for (std::size_t q = 0; q < s; q += 4) {
                const Cv a = Load(ar + q, ai + q), b = Load(ar + sm + q, ai + sm + q);
                const Cv c = Load(ar + 2 * sm + q, ai + 2 * sm + q), d = Load(ar + 3 * sm + q, ai + 3 * sm + q);
                Cv y0, y1, y2, y3;
                Dft4(a, b, c, d, y0, y1, y2, y3);
                Store(or0 + q, oi0 + q, y0);
                Store(or0 + s + q, oi0 + s + q, y1);
                Store(or0 + 2 * s + q, oi0 + 2 * s + q, y2);
                Store(or0 + 3 * s + q, oi0 + 3 * s + q, y3);
            }
            continue;
        }
        const __m256d w1r = _mm256_broadcast_sd(tw), w1i = _mm256_broadcast_sd(tw + 1);
        const __m256d w2r = _mm256_broadcast_sd(tw + 2), w2i = _mm256_broadcast_sd(tw + 3);
        const __m256d w3r = _mm256_broadcast_sd(tw + 4), w3i = _mm256_broadcast_sd(tw + 5);
        for (std::size_t q = 0; q < s; q += 4) {
            const Cv a = Load(ar + q, ai + q), b = Load(ar + sm + q, ai + sm + q);
            const Cv c = Load(ar + 2 * sm + q, ai + 2 * sm + q), d = Load(ar + 3 * sm + q, ai + 3 * sm + q);
            Cv y0, y1, y2, y3;
            Dft4(a, b, c, d, y0, y1, y2, y3);
            Store(or0 + q, oi0 + q, y0);
            Store(or0 + s + q, oi0 + s + q, Mul(y1, w1r, w1i));
            Store(or0 + 2 * s + q, oi0 + 2 * s + q, Mul(y2, w2r, w2i));
            Store(or0 + 3 * s + q, oi0 + 3 * s + q, Mul(y3, w3r, w3i));
        }
    }
}

// The last pass of an odd power of two: L = 2, s = n/2.
KX_AVX2 void Radix2Pass(const double *xr, const double *xi, double *yr, double *yi, std::size_t s)
{
    for (std::size_t q = 0; q < s; q += 4) {
        const Cv a = Load(xr + q, xi + q), b = Load(xr + s + q, xi + s + q);
        Store(yr + q, yi + q, Add(a, b));
        Store(yr + s + q, yi + s + q, Sub(a, b));
    }
}

KX_AVX2_INLINE __m256d Reverse(__m256d v)
{
    return _mm256_permute4x64_pd(v, 0x1B);
}

// All N = 2n bins of the real transform from the half-length spectrum Z
// (zr, zi), which may be y itself: each step reads and writes the same
// four positions k, n - k, n + k, N - k.
KX_AVX2 void RealSplit(const double *zr, const double *zi, double *x, double *y, std::size_t n, const double *wr,
                       const double *wi)
{
    const std::size_t N = 2 * n, h = n / 2;
    const double z0r = zr[0], z0i = zi[0], zhr = zr[h], zhi = zi[h];
    for (std::size_t k = 1; k < 4; ++k) {
        const double zkr = zr[k], zki = zi[k], zmr = zr[n - k], zmi = zi[n - k];
        const double er = 0.5 * (zkr + zmr), ei = 0.5 * (zki - zmi);
        const double orr = 0.5 * (zki + zmi), oi = -0.5 * (zkr - zmr);
        const double tr = orr * wr[k] - oi * wi[k], ti = orr * wi[k] + oi * wr[k];
        x[k] = er + tr;
        y[k] = ei + ti;
        x[n - k] = er - tr;
        y[n - k] = ti - ei;
        x[N - k] = er + tr;
        y[N - k] = -(ei + ti);
        x[n + k] = er - tr;
        y[n + k] = ei - ti;
    }
    const __m256d half = _mm256_set1_pd(0.5), mhalf = _mm256_set1_pd(-0.5), sign = _mm256_set1_pd(-0.0);
    for (std::size_t k = 4; k < h; k += 4) {
        const __m256d zkr = _mm256_loadu_pd(zr + k), zki = _mm256_loadu_pd(zi + k);
        const __m256d zmr = Reverse(_mm256_loadu_pd(zr + n - k - 3)), zmi = Reverse(_mm256_loadu_pd(zi + n - k - 3));
        const __m256d er = _mm256_mul_pd(half, _mm256_add_pd(zkr, zmr));
        const __m256d ei = _mm256_mul_pd(half, _mm256_sub_pd(zki, zmi));
        const __m256d orr = _mm256_mul_pd(half, _mm256_add_pd(zki, zmi));
        const __m256d oi = _mm256_mul_pd(mhalf, _mm256_sub_pd(zkr, zmr));
        const __m256d w_r = _mm256_loadu_pd(wr + k), w_i = _mm256_loadu_pd(wi + k);
        const __m256d tr = _mm256_fmsub_pd(orr, w_r, _mm256_mul_pd(oi, w_i));
        const __m256d ti = _mm256_fmadd_pd(orr, w_i, _mm256_mul_pd(oi, w_r));
        const __m256d sr = _mm256_add_pd(er, tr), si = _mm256_add_pd(ei, ti);
        const __m256d dr = _mm256_sub_pd(er, tr), di = _mm256_sub_pd(ei, ti);
        _mm256_storeu_pd(x + k, sr);
        _mm256_storeu_pd(y + k, si);
        _mm256_storeu_pd(x + n - k - 3, Reverse(dr));
        _mm256_storeu_pd(y + n - k - 3, Reverse(_mm256_xor_pd(sign, di)));
        _mm256_storeu_pd(x + N - k - 3, Reverse(sr));
        _mm256_storeu_pd(y + N - k - 3, Reverse(_mm256_xor_pd(sign, si)));
        _mm256_storeu_pd(x + n + k, dr);
        _mm256_storeu_pd(y + n + k, di);
    }
    x[0] = z0r + z0i;
    y[0] = 0.0;
    x[n] = z0r - z0i;
    y[n] = 0.0;
    x[h] = zhr;
    y[h] = -zhi;
    x[n + h] = zhr;
    y[n + h] = zhi;
}

KX_AVX2 void ExecuteAvx2(const Pow2Plan &pl, const double *in, double *x, double *y, double *work)
{
    const std::size_t n = pl.n;
    double *ar = work, *ai = work + n, *br = y, *bi = y + n;
    FirstPass(in, ar, ai, n, pl.first.data());
    std::size_t s = 4, L = n / 4;
    for (std::size_t t = 0; L >= 4; ++t) {
        Radix4Pass(ar, ai, br, bi, s, L / 4, pl.stages.data() + pl.at[t]);
        std::swap(ar, br);
        std::swap(ai, bi);
        s *= 4;
        L /= 4;
    }
    if (L == 2) {
        Radix2Pass(ar, ai, br, bi, s);
        std::swap(ar, br);
        std::swap(ai, bi);
    }
    RealSplit(ar, ai, x, y, n, pl.postr.data(), pl.posti.data());
}

bool HasAvx2Fma()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
}

#endif

} // namespace

std::unique_ptr<Pow2Plan> MakePow2Plan(std::size_t N)
{
#if defined(KX_POW2_X86)
    if (!IsPow2(N) || N < kPow2Min || N > kPow2Max || !HasAvx2Fma())
        return nullptr;
    std::unique_ptr<Pow2Plan> pl(new Pow2Plan);
    const std::size_t n = N / 2, m = n / 4;
    pl->n = n;
    UnitRoots roots(n);
    // First pass: per group of four butterflies p (lanes p, p+2, p+1, p+3),
    // the real then imaginary parts of W_n^(jp) for j = 1, 2, 3.
    pl->first.resize(6 * m);
    static const std::size_t kLaneOrder[4] = {0, 2, 1, 3};
    for (std::size_t g = 0; g < m; g += 4)
        for (std::size_t j = 1; j <= 3; ++j)
            for (std::size_t u = 0; u < 4; ++u) {
                double *d = pl->first.data() + 6 * g + 8 * (j - 1);
                roots.Get(j * (g + kLaneOrder[u]), d[u], d[4 + u]);
            }
    // Later radix-4 passes: L = n/4, n/16, ... down to 4.
    for (std::size_t s = 4, L = n / 4; L >= 4; s *= 4, L /= 4) {
        pl->at.push_back(pl->stages.size());
        for (std::size_t p = 0; p < L / 4; ++p)
            for (std::size_t j = 1; j <= 3; ++j) {
                double re, im;
                roots.Get(j * p * s, re, im);
                pl->stages.push_back(re);
                pl->stages.push_back(im);
            }
    }
    UnitRoots post(N);
    pl->postr.resize(n / 2);
    pl->posti.resize(n / 2);
    for (std::size_t k = 0; k < n / 2; ++k)
        post.Get(k, pl->postr[k], pl->posti[k]);
    return pl;
#else
    (void)N;
    (void)IsPow2;
    return nullptr;
#endif
}

void Pow2Plan::Execute(const double *in, double *x, double *y, double *work) const
{
#if defined(KX_POW2_X86)
    ExecuteAvx2(*this, in, x, y, work);
#else
    (void)in;
    (void)x;
    (void)y;
    (void)work;
#endif
}

} // namespace fft
} // namespace korvax
