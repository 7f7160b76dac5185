// Execution of complex and real transforms (the plan cache, the pool of
// work buffers and the entry points are in fft_cache.cpp).
//
// Aliasing: the two-phase scheme reads the whole input in phase 1 before
// phase 2 writes any output, and the small and convolution schemes copy
// the whole input into their work space first, so the output may occupy
// the input's memory.  The real transform of even length keeps the packed
// half-length data in the caller's x and y arrays and needs no buffer of
// the record's size.
#include "analysis/fft.h"
#include "analysis/fft_convolution.h"

#include <algorithm>
#include <cstring>

namespace korvax
{
namespace fft
{
namespace
{

#define KX_R __restrict__

// Whole vectors through GCC vector extensions (no intrinsics).
typedef double V4 __attribute__((vector_size(32)));
typedef long long V4i __attribute__((vector_size(32)));

inline V4 LoadV4(const double *p)
{
    V4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void StoreV4(double *p, V4 v)
{
    std::memcpy(p, &v, sizeof v);
}

typedef double V8 __attribute__((vector_size(64)));
typedef long long V8i __attribute__((vector_size(64)));

inline V8 LoadV8(const double *p)
{
    V8 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void StoreV8(double *p, V8 v)
{
    std::memcpy(p, &v, sizeof v);
}

// Without AVX-512 the shuffles below work on pairs (one SSE2 register):
// wider vectors would be taken apart element by element through memory.
typedef double V2 __attribute__((vector_size(16)));
typedef long long V2i __attribute__((vector_size(16)));

inline V2 LoadV2(const double *p)
{
    V2 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void StoreV2(double *p, V2 v)
{
    std::memcpy(p, &v, sizeof v);
}

inline void SourceAt(const Source &src, std::size_t idx, double &re, double &im)
{
    switch (src.kind) {
    case Source::Split:
        re = src.re[idx];
        im = src.im[idx];
        break;
    case Source::RealOnly:
        re = src.re[idx];
        im = 0.0;
        break;
    case Source::Interleaved:
        re = src.re[2 * idx];
        im = src.re[2 * idx + 1];
        break;
    }
}

// Copies input positions first, first+stride, ... (count values) into
// (dr, di) with spacing dstride.
void LoadStrided(const Source &src, std::size_t first, std::size_t stride, std::size_t count, double *dr,
                 double *di, std::size_t dstride)
{
    switch (src.kind) {
    case Source::Split:
        for (std::size_t j = 0; j < count; ++j) {
            dr[j * dstride] = src.re[first + j * stride];
            di[j * dstride] = src.im[first + j * stride];
        }
        break;
    case Source::RealOnly:
        for (std::size_t j = 0; j < count; ++j) {
            dr[j * dstride] = src.re[first + j * stride];
            di[j * dstride] = 0.0;
        }
        break;
    case Source::Interleaved:
        for (std::size_t j = 0; j < count; ++j) {
            dr[j * dstride] = src.re[2 * (first + j * stride)];
            di[j * dstride] = src.re[2 * (first + j * stride) + 1];
        }
        break;
    }
}

// Phase 1 input block: rows j1 < n1 of columns c0 .. c0+cv-1, padded to
// B lanes with zeros.
template <std::size_t B>
void LoadColumns(const Source &src, std::size_t n1, std::size_t n2, std::size_t c0, std::size_t cv,
                 double *KX_R sr, double *KX_R si)
{
    if (cv == B && src.kind == Source::Interleaved) {
        const double *KX_R x = src.re;
#if defined(__AVX512F__)
        const V8i even = {0, 2, 4, 6, 8, 10, 12, 14}, odd = {1, 3, 5, 7, 9, 11, 13, 15};
        for (std::size_t j1 = 0; j1 < n1; ++j1) {
            const double *KX_R row = x + 2 * (j1 * n2 + c0);
            for (std::size_t q = 0; q < B; q += 8) {
                const V8 a = LoadV8(row + 2 * q), b = LoadV8(row + 2 * q + 8);
                StoreV8(sr + j1 * B + q, __builtin_shuffle(a, b, even));
                StoreV8(si + j1 * B + q, __builtin_shuffle(a, b, odd));
            }
        }
#else
        const V2i even = {0, 2}, odd = {1, 3};
        for (std::size_t j1 = 0; j1 < n1; ++j1) {
            const double *KX_R row = x + 2 * (j1 * n2 + c0);
            for (std::size_t q = 0; q < B; q += 2) {
                const V2 a = LoadV2(row + 2 * q), b = LoadV2(row + 2 * q + 2);
                StoreV2(sr + j1 * B + q, __builtin_shuffle(a, b, even));
                StoreV2(si + j1 * B + q, __builtin_shuffle(a, b, odd));
            }
        }
#endif
        return;
    }
    if (cv == B && src.kind == Source::Split) {
        for (std::size_t j1 = 0; j1 < n1; ++j1) {
            const double *KX_R rr = src.re + j1 * n2 + c0, *KX_R ri = src.im + j1 * n2 + c0;
            for (std::size_t q = 0; q < B; ++q) {
                sr[j1 * B + q] = rr[q];
                si[j1 * B + q] = ri[q];
            }
        }
        return;
    }
    for (std::size_t j1 = 0; j1 < n1; ++j1) {
        for (std::size_t q = 0; q < cv; ++q)
            SourceAt(src, j1 * n2 + c0 + q, sr[j1 * B + q], si[j1 * B + q]);
        for (std::size_t q = cv; q < B; ++q)
            sr[j1 * B + q] = si[j1 * B + q] = 0.0;
    }
}

// dst[c*B + r] = src[r*B + c] for a B x B tile, by 4 x 4 blocks (2 x 2
// without AVX-512).
template <std::size_t B> void TransposeTile(const double *KX_R src, double *KX_R dst)
{
#if !defined(__AVX512F__)
    const V2i lo2 = {0, 2}, hi2 = {1, 3};
    for (std::size_t rb = 0; rb < B; rb += 2)
        for (std::size_t cb = 0; cb < B; cb += 2) {
            const V2 a = LoadV2(src + rb * B + cb), b = LoadV2(src + (rb + 1) * B + cb);
            StoreV2(dst + cb * B + rb, __builtin_shuffle(a, b, lo2));
            StoreV2(dst + (cb + 1) * B + rb, __builtin_shuffle(a, b, hi2));
        }
    return;
#endif
    const V4i lo = {0, 4, 2, 6}, hi = {1, 5, 3, 7}, first = {0, 1, 4, 5}, second = {2, 3, 6, 7};
    for (std::size_t rb = 0; rb < B; rb += 4)
        for (std::size_t cb = 0; cb < B; cb += 4) {
            const V4 a = LoadV4(src + rb * B + cb), b = LoadV4(src + (rb + 1) * B + cb);
            const V4 c = LoadV4(src + (rb + 2) * B + cb), d = LoadV4(src + (rb + 3) * B + cb);
            const V4 t0 = __builtin_shuffle(a, b, lo), t1 = __builtin_shuffle(a, b, hi);
            const V4 t2 = __builtin_shuffle(c, d, lo), t3 = __builtin_shuffle(c, d, hi);
            StoreV4(dst + cb * B + rb, __builtin_shuffle(t0, t2, first));
            StoreV4(dst + (cb + 1) * B + rb, __builtin_shuffle(t1, t3, first));
            StoreV4(dst + (cb + 2) * B + rb, __builtin_shuffle(t0, t2, second));
            StoreV4(dst + (cb + 3) * B + rb, __builtin_shuffle(t1, t3, second));
        }
}

// The twiddle and the transposition of a B x B tile in one sweep:
// dst[c*B + r] = src[r*B + c] * w[r*wstride + c], for real and imaginary
// parts.
template <std::size_t B>
void TwiddleTransposeTile(const double *KX_R sr, const double *KX_R si, const double *KX_R wr,
                          const double *KX_R wi, std::size_t wstride, double *KX_R dr, double *KX_R di)
{
#if !defined(__AVX512F__)
    const V2i lo2 = {0, 2}, hi2 = {1, 3};
    for (std::size_t rb = 0; rb < B; rb += 2)
        for (std::size_t cb = 0; cb < B; cb += 2) {
            V2 re[2], im[2];
            for (std::size_t t = 0; t < 2; ++t) {
                const V2 a = LoadV2(sr + (rb + t) * B + cb), b = LoadV2(si + (rb + t) * B + cb);
                const V2 c = LoadV2(wr + (rb + t) * wstride + cb), d = LoadV2(wi + (rb + t) * wstride + cb);
                re[t] = a * c - b * d;
                im[t] = a * d + b * c;
            }
            StoreV2(dr + cb * B + rb, __builtin_shuffle(re[0], re[1], lo2));
            StoreV2(dr + (cb + 1) * B + rb, __builtin_shuffle(re[0], re[1], hi2));
            StoreV2(di + cb * B + rb, __builtin_shuffle(im[0], im[1], lo2));
            StoreV2(di + (cb + 1) * B + rb, __builtin_shuffle(im[0], im[1], hi2));
        }
    return;
#endif
    const V4i lo = {0, 4, 2, 6}, hi = {1, 5, 3, 7}, first = {0, 1, 4, 5}, second = {2, 3, 6, 7};
    for (std::size_t rb = 0; rb < B; rb += 4)
        for (std::size_t cb = 0; cb < B; cb += 4) {
            V4 re[4], im[4];
            for (std::size_t t = 0; t < 4; ++t) {
                const V4 a = LoadV4(sr + (rb + t) * B + cb), b = LoadV4(si + (rb + t) * B + cb);
                const V4 c = LoadV4(wr + (rb + t) * wstride + cb), d = LoadV4(wi + (rb + t) * wstride + cb);
                re[t] = a * c - b * d;
                im[t] = a * d + b * c;
            }
            V4 *parts[2] = {re, im};
            double *dst[2] = {dr, di};
            for (int p = 0; p < 2; ++p) {
                const V4 *v = parts[p];
                const V4 t0 = __builtin_shuffle(v[0], v[1], lo), t1 = __builtin_shuffle(v[0], v[1], hi);
                const V4 t2 = __builtin_shuffle(v[2], v[3], lo), t3 = __builtin_shuffle(v[2], v[3], hi);
                StoreV4(dst[p] + cb * B + rb, __builtin_shuffle(t0, t2, first));
                StoreV4(dst[p] + (cb + 1) * B + rb, __builtin_shuffle(t1, t3, first));
                StoreV4(dst[p] + (cb + 2) * B + rb, __builtin_shuffle(t0, t2, second));
                StoreV4(dst[p] + (cb + 3) * B + rb, __builtin_shuffle(t1, t3, second));
            }
        }
}

// Multiplies row k1 (B lanes, columns c0 + q) of a phase-1 result by
// e^(-2 pi i k1 (c0 + q) / n).
template <std::size_t B>
inline void TwiddleRow(const ComplexPlan &pl, std::size_t k1, std::size_t c0, std::size_t cv, double *KX_R vr,
                       double *KX_R vi)
{
    if (!pl.fr.empty()) {
        const double *KX_R wr = pl.fr.data() + k1 * pl.n2 + c0, *KX_R wi = pl.fi.data() + k1 * pl.n2 + c0;
        for (std::size_t q = 0; q < cv; ++q) {
            const double a = vr[q], b = vi[q];
            vr[q] = a * wr[q] - b * wi[q];
            vi[q] = a * wi[q] + b * wr[q];
        }
        return;
    }
    double qr, qi;
    pl.roots->Get(k1 * c0, qr, qi);
    const double *KX_R pr = pl.pr.data() + k1 * B, *KX_R pi = pl.pi.data() + k1 * B;
    if (cv == B) {
        for (std::size_t q = 0; q < B; ++q) {
            const double wr = pr[q] * qr - pi[q] * qi, wi = pr[q] * qi + pi[q] * qr;
            const double a = vr[q], b = vi[q];
            vr[q] = a * wr - b * wi;
            vi[q] = a * wi + b * wr;
        }
    } else {
        for (std::size_t q = 0; q < cv; ++q) {
            const double wr = pr[q] * qr - pi[q] * qi, wi = pr[q] * qi + pi[q] * qr;
            const double a = vr[q], b = vi[q];
            vr[q] = a * wr - b * wi;
            vi[q] = a * wi + b * wr;
        }
    }
}

// Two phases over blocks of B = pl.lanes columns.  When n1 is a multiple
// of B the middle buffer is kept in tiles: the B rows k1 of a phase-2 block
// lie together, element (j2, k1) at block*B*n2 + j2*B + k1 % B, so that phase 2
// transforms each tile where it lies.  Otherwise the middle buffer is row
// major and phase 2 gathers its blocks.
template <std::size_t B>
void ExecuteTwoPhaseT(const ComplexPlan &pl, const Source &src, double *outRe, double *outIm, double *mid,
                      double *work)
{
    const std::size_t n = pl.n, n1 = pl.n1, n2 = pl.n2, L = std::max(n1, n2);
    if (!mid) {
        mid = work;
        work += 2 * n;
    }
    double *midRe = mid, *midIm = mid + n;
    double *s0r = work, *s0i = s0r + L * B, *s1r = s0i + L * B, *s1i = s1r + L * B, *extra = s1i + L * B;
    const bool tiled = n1 % B == 0;

    // Phase 1: transforms of length n1 down the columns, then the twiddle
    // e^(-2 pi i k1 c / n) on the way out.
    for (std::size_t c0 = 0; c0 < n2; c0 += B) {
        const std::size_t cv = std::min(B, n2 - c0);
        LoadColumns<B>(src, n1, n2, c0, cv, s0r, s0i);
        bool inW = false;
        pl.cols->Run(s0r, s0i, s1r, s1i, B, extra, &inW);
        double *rr = inW ? s1r : s0r, *ri = inW ? s1i : s0i;
        if (tiled && cv == B && !pl.fr.empty()) {
            for (std::size_t g = 0; g < n1 / B; ++g)
                TwiddleTransposeTile<B>(rr + g * B * B, ri + g * B * B, pl.fr.data() + g * B * n2 + c0,
                                        pl.fi.data() + g * B * n2 + c0, n2, midRe + g * B * n2 + c0 * B,
                                        midIm + g * B * n2 + c0 * B);
            continue;
        }
        for (std::size_t k1 = 0; k1 < n1; ++k1)
            TwiddleRow<B>(pl, k1, c0, cv, rr + k1 * B, ri + k1 * B);
        if (tiled && cv == B) {
            for (std::size_t g = 0; g < n1 / B; ++g) {
                TransposeTile<B>(rr + g * B * B, midRe + g * B * n2 + c0 * B);
                TransposeTile<B>(ri + g * B * B, midIm + g * B * n2 + c0 * B);
            }
        } else if (tiled) {
            for (std::size_t k1 = 0; k1 < n1; ++k1)
                for (std::size_t q = 0; q < cv; ++q) {
                    const std::size_t d = (k1 / B) * B * n2 + (c0 + q) * B + k1 % B;
                    midRe[d] = rr[k1 * B + q];
                    midIm[d] = ri[k1 * B + q];
                }
        } else {
            for (std::size_t k1 = 0; k1 < n1; ++k1)
                for (std::size_t q = 0; q < cv; ++q) {
                    midRe[k1 * n2 + c0 + q] = rr[k1 * B + q];
                    midIm[k1 * n2 + c0 + q] = ri[k1 * B + q];
                }
        }
    }

    // Phase 2: transforms of length n2 along the rows; bin k1 + n1*k2 comes
    // out at row k2, lane k1 - r0.
    for (std::size_t r0 = 0; r0 < n1; r0 += B) {
        const std::size_t rv = std::min(B, n1 - r0);
        double *ar, *ai, *br, *bi;
        if (tiled) {
            ar = midRe + r0 * n2;
            ai = midIm + r0 * n2;
            br = s0r;
            bi = s0i;
        } else {
            for (std::size_t q = 0; q < rv; ++q) {
                const double *KX_R rowr = midRe + (r0 + q) * n2, *KX_R rowi = midIm + (r0 + q) * n2;
                for (std::size_t j2 = 0; j2 < n2; ++j2) {
                    s0r[j2 * B + q] = rowr[j2];
                    s0i[j2 * B + q] = rowi[j2];
                }
            }
            for (std::size_t q = rv; q < B; ++q)
                for (std::size_t j2 = 0; j2 < n2; ++j2)
                    s0r[j2 * B + q] = s0i[j2 * B + q] = 0.0;
            ar = s0r;
            ai = s0i;
            br = s1r;
            bi = s1i;
        }
        double *dr = outRe + r0, *di = outIm + r0;
        if (rv == B) {
            const int where = pl.rows->RunTo(ar, ai, br, bi, B, extra, dr, di, n1);
            if (where == 2)
                continue;
            const double *rr = where ? br : ar, *ri = where ? bi : ai;
            for (std::size_t k2 = 0; k2 < n2; ++k2) {
                std::memcpy(dr + k2 * n1, rr + k2 * B, B * sizeof(double));
                std::memcpy(di + k2 * n1, ri + k2 * B, B * sizeof(double));
            }
        } else {
            bool inW = false;
            pl.rows->Run(ar, ai, br, bi, B, extra, &inW);
            const double *rr = inW ? br : ar, *ri = inW ? bi : ai;
            for (std::size_t k2 = 0; k2 < n2; ++k2)
                for (std::size_t q = 0; q < rv; ++q) {
                    dr[k2 * n1 + q] = rr[k2 * B + q];
                    di[k2 * n1 + q] = ri[k2 * B + q];
                }
        }
    }
}

void ExecuteTwoPhase(const ComplexPlan &pl, const Source &src, double *outRe, double *outIm, double *mid,
                     double *work)
{
    switch (pl.lanes) {
    case 8:
        ExecuteTwoPhaseT<8>(pl, src, outRe, outIm, mid, work);
        break;
    case 16:
        ExecuteTwoPhaseT<16>(pl, src, outRe, outIm, mid, work);
        break;
    default:
        ExecuteTwoPhaseT<kLanes>(pl, src, outRe, outIm, mid, work);
        break;
    }
}

// A whole prime length through the convolution engine, one lane wide.
class WholeLength
{
  public:
    WholeLength(const ComplexPlan &pl, const Source &src, double *outRe, double *outIm, double *subWork)
        : pl_(pl), src_(src), outRe_(outRe), outIm_(outIm), subWork_(subWork)
    {
    }
    void Forward(double *ar, double *ai, double *br, double *bi, double *&rr, double *&ri) const
    {
        Source s;
        s.re = ar;
        s.im = ai;
        pl_.sub->Execute(s, br, bi, nullptr, subWork_);
        rr = br;
        ri = bi;
    }
    void Row(std::size_t j, const double *&re, const double *&im) const
    {
        static const double kZero = 0.0;
        switch (src_.kind) {
        case Source::Split:
            re = src_.re + j;
            im = src_.im + j;
            break;
        case Source::RealOnly:
            re = src_.re + j;
            im = &kZero;
            break;
        case Source::Interleaved:
            re = src_.re + 2 * j;
            im = src_.re + 2 * j + 1;
            break;
        }
    }
    void Store(std::size_t k, const double *re, const double *im) const
    {
        outRe_[k] = re[0];
        outIm_[k] = im[0];
    }

  private:
    const ComplexPlan &pl_;
    const Source &src_;
    double *outRe_, *outIm_, *subWork_;
};

void ExecuteConvolution(const ComplexPlan &pl, const Source &src, double *outRe, double *outIm, double *work)
{
    RunConvolution(pl.conv, 1, WholeLength(pl, src, outRe, outIm, work + ConvWorkDoubles(pl.conv, 1)), work);
}

void ExecuteSmall(const ComplexPlan &pl, const Source &src, double *outRe, double *outIm, double *work)
{
    const std::size_t n = pl.n;
    double *ar = work, *ai = ar + n, *br = ai + n, *bi = br + n, *extra = bi + n;
    LoadStrided(src, 0, 1, n, ar, ai, 1);
    bool inW = false;
    pl.whole->Run(ar, ai, br, bi, 1, extra, &inW);
    const double *rr = inW ? br : ar, *ri = inW ? bi : ai;
    std::copy(rr, rr + n, outRe);
    std::copy(ri, ri + n, outIm);
}

inline V8 Reverse(V8 v)
{
    const V8i r = {7, 6, 5, 4, 3, 2, 1, 0};
    return __builtin_shuffle(v, r);
}

// One block of the post-processing: k = k0 + a for a in [a0, a1), with
// root e^(-2 pi i k / N) = fine[a] * (cr + i ci).  Eight bins at a time;
// the mirrored positions n - k and N - k are read and written reversed.
void PostBlock(double *x, double *y, std::size_t n, std::size_t k0, std::size_t a0, std::size_t a1,
               const double *fr, const double *fi, double cr, double ci)
{
    const std::size_t N = 2 * n;
    std::size_t a = a0;
#if !defined(__AVX512F__)
    const V2i swap = {1, 0};
    for (; a + 2 <= a1; a += 2) {
        const std::size_t k = k0 + a;
        const V2 wr = LoadV2(fr + a) * cr - LoadV2(fi + a) * ci;
        const V2 wi = LoadV2(fr + a) * ci + LoadV2(fi + a) * cr;
        const V2 zkr = LoadV2(x + k), zki = LoadV2(x + n + k);
        const V2 zmr = __builtin_shuffle(LoadV2(x + n - k - 1), swap);
        const V2 zmi = __builtin_shuffle(LoadV2(x + N - k - 1), swap);
        const V2 er = 0.5 * (zkr + zmr), ei = 0.5 * (zki - zmi);
        const V2 orr = 0.5 * (zki + zmi), oi = -0.5 * (zkr - zmr);
        const V2 tr = orr * wr - oi * wi, ti = orr * wi + oi * wr;
        StoreV2(x + k, er + tr);
        StoreV2(y + k, ei + ti);
        StoreV2(x + n - k - 1, __builtin_shuffle(er - tr, swap));
        StoreV2(y + n - k - 1, __builtin_shuffle(ti - ei, swap));
        StoreV2(x + N - k - 1, __builtin_shuffle(er + tr, swap));
        StoreV2(y + N - k - 1, __builtin_shuffle(-(ei + ti), swap));
        StoreV2(x + n + k, er - tr);
        StoreV2(y + n + k, ei - ti);
    }
#endif
    for (; a + 8 <= a1; a += 8) {
        const std::size_t k = k0 + a;
        const V8 wr = LoadV8(fr + a) * cr - LoadV8(fi + a) * ci;
        const V8 wi = LoadV8(fr + a) * ci + LoadV8(fi + a) * cr;
        const V8 zkr = LoadV8(x + k), zki = LoadV8(x + n + k);
        const V8 zmr = Reverse(LoadV8(x + n - k - 7)), zmi = Reverse(LoadV8(x + N - k - 7));
        const V8 er = 0.5 * (zkr + zmr), ei = 0.5 * (zki - zmi);
        const V8 orr = 0.5 * (zki + zmi), oi = -0.5 * (zkr - zmr);
        const V8 tr = orr * wr - oi * wi, ti = orr * wi + oi * wr;
        StoreV8(x + k, er + tr);
        StoreV8(y + k, ei + ti);
        StoreV8(x + n - k - 7, Reverse(er - tr));
        StoreV8(y + n - k - 7, Reverse(ti - ei));
        StoreV8(x + N - k - 7, Reverse(er + tr));
        StoreV8(y + N - k - 7, Reverse(-(ei + ti)));
        StoreV8(x + n + k, er - tr);
        StoreV8(y + n + k, ei - ti);
    }
    for (; a < a1; ++a) {
        const std::size_t k = k0 + a;
        const double wr = fr[a] * cr - fi[a] * ci, wi = fr[a] * ci + fi[a] * cr;
        const double zkr = x[k], zki = x[n + k], zmr = x[n - k], zmi = x[N - k];
        const double er = 0.5 * (zkr + zmr), ei = 0.5 * (zki - zmi);
        const double orr = 0.5 * (zki + zmi), oi = -0.5 * (zkr - zmr);
        const double tr = orr * wr - oi * wi, ti = orr * wi + oi * wr;
        x[k] = er + tr;
        y[k] = ei + ti;
        x[n - k] = er - tr;
        y[n - k] = ti - ei;
        x[N - k] = er + tr;
        y[N - k] = -(ei + ti);
        x[n + k] = er - tr;
        y[n + k] = ei - ti;
    }
}

// Turns the half-length transform Z (real parts in x[0, n), imaginary parts
// in x[n, 2n)) into all N = 2n bins of the real transform, in place:
// each step reads and writes the same four positions of x and y.
void RealPostProcess(double *x, double *y, std::size_t n, const UnitRoots &roots)
{
    const double z0r = x[0], z0i = x[n];
    x[0] = z0r + z0i;
    y[0] = 0.0;
    x[n] = z0r - z0i;
    y[n] = 0.0;
    const std::size_t kmax = (n - 1) / 2, S = roots.Step();
    for (std::size_t k0 = 0; k0 <= kmax; k0 += S) {
        const std::size_t a0 = k0 == 0 ? 1 : 0, a1 = std::min(S, kmax - k0 + 1);
        PostBlock(x, y, n, k0, a0, a1, roots.FineRe(), roots.FineIm(), roots.CoarseRe()[k0 / S],
                  roots.CoarseIm()[k0 / S]);
    }
    if (n % 2 == 0 && n >= 2) {
        const std::size_t h = n / 2;
        const double zr = x[h], zi = x[n + h];
        x[h] = zr;
        y[h] = -zi;
        x[n + h] = zr;
        y[n + h] = zi;
    }
}

} // namespace

void ComplexPlan::Execute(const Source &src, double *outRe, double *outIm, double *mid, double *work) const
{
    switch (kind) {
    case Small:
        ExecuteSmall(*this, src, outRe, outIm, work);
        break;
    case TwoPhase:
        ExecuteTwoPhase(*this, src, outRe, outIm, mid, work);
        break;
    case Convolution:
        ExecuteConvolution(*this, src, outRe, outIm, work);
        break;
    }
}

void RealPlan::Execute(const double *in, double *x, double *y, double *work) const
{
    if (N < 2) {
        x[0] = in[0];
        y[0] = 0.0;
        return;
    }
    if (pow2) {
        pow2->Execute(in, x, y, work);
        return;
    }
    Source src;
    src.re = in;
    if (N % 2) {
        src.kind = Source::RealOnly;
        cplan->Execute(src, x, y, nullptr, work);
        // The bins of a real input are Hermitian; make the upper half the
        // exact mirror of the lower one, as the even lengths give it.
        y[0] = 0.0;
        for (std::size_t k = 1; k < N - k; ++k) {
            x[N - k] = x[k];
            y[N - k] = -y[k];
        }
        return;
    }
    const std::size_t n = N / 2;
    src.kind = Source::Interleaved;
    cplan->Execute(src, x, x + n, cplan->kind == ComplexPlan::TwoPhase ? y : nullptr, work);
    RealPostProcess(x, y, n, *roots);
}

} // namespace fft
} // namespace korvax
