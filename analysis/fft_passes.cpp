// Stockham passes over a batch of columns: one butterfly per radix (2, 3,
// 4, odd primes with a direct butterfly) and the convolution pass for
// large primes (Rader or Bluestein through a sub-transform).
//
// Input element (i, j, k) of a pass with radix p, l1 and ido is row
// i + ido*(j + p*k); output element (i, k, j) is row i + ido*(k + l1*j).
// Each row holds W lanes; the kernels below work on BW lanes at a time.
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
#define KX_INLINE inline __attribute__((always_inline))

// Lanes are handled as whole vectors (GCC vector extensions, no
// intrinsics) as wide as the processor's registers: 8 doubles with
// AVX-512, 2 (one SSE2 register) otherwise, so that the butterflies'
// values stay in registers; a plain double for single-lane batches.
#if defined(__AVX512F__)
typedef double VN __attribute__((vector_size(64)));
#else
typedef double VN __attribute__((vector_size(16)));
#endif

template <int BW> struct LaneType {
    typedef VN type;
};
template <> struct LaneType<1> {
    typedef double type;
};

template <class VT> inline VT Ld(const double *p)
{
    VT v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <class VT> inline void St(double *p, const VT &v)
{
    std::memcpy(p, &v, sizeof v);
}

// (vr + i vi) = (ur + i ui)(wr + i wi), stored at (pr, pi).
template <class VT> inline void StoreMul(double *pr, double *pi, VT ur, VT ui, double wr, double wi)
{
    St<VT>(pr, ur * wr - ui * wi);
    St<VT>(pi, ur * wi + ui * wr);
}

template <int BW, bool TW> struct Radix2 {
    static KX_INLINE void Run(const Pass &, const double *ar, const double *ai, std::size_t is, double *hr,
                              double *hi, std::size_t os, const double *wr, const double *wi, std::size_t)
    {
        typedef typename LaneType<BW>::type VT;
        constexpr int NL = sizeof(VT) / sizeof(double);
        const double w1r = TW ? wr[0] : 1.0, w1i = TW ? wi[0] : 0.0;
        for (int q = 0; q < BW; q += NL) {
            const VT a0r = Ld<VT>(ar + q), a0i = Ld<VT>(ai + q), a1r = Ld<VT>(ar + is + q),
                     a1i = Ld<VT>(ai + is + q);
            St<VT>(hr + q, a0r + a1r);
            St<VT>(hi + q, a0i + a1i);
            if (TW) {
                StoreMul<VT>(hr + os + q, hi + os + q, a0r - a1r, a0i - a1i, w1r, w1i);
            } else {
                St<VT>(hr + os + q, a0r - a1r);
                St<VT>(hi + os + q, a0i - a1i);
            }
        }
    }
};

template <int BW, bool TW> struct Radix3 {
    static KX_INLINE void Run(const Pass &, const double *ar, const double *ai, std::size_t is, double *hr,
                              double *hi, std::size_t os, const double *wr, const double *wi, std::size_t ws)
    {
        typedef typename LaneType<BW>::type VT;
        constexpr int NL = sizeof(VT) / sizeof(double);
        constexpr double c = 0.86602540378443864676; // sqrt(3)/2
        const double w1r = TW ? wr[0] : 1.0, w1i = TW ? wi[0] : 0.0;
        const double w2r = TW ? wr[ws] : 1.0, w2i = TW ? wi[ws] : 0.0;
        for (int q = 0; q < BW; q += NL) {
            const VT a0r = Ld<VT>(ar + q), a0i = Ld<VT>(ai + q);
            const VT a1r = Ld<VT>(ar + is + q), a1i = Ld<VT>(ai + is + q);
            const VT a2r = Ld<VT>(ar + 2 * is + q), a2i = Ld<VT>(ai + 2 * is + q);
            const VT t1r = a1r + a2r, t1i = a1i + a2i, t2r = a1r - a2r, t2i = a1i - a2i;
            St<VT>(hr + q, a0r + t1r);
            St<VT>(hi + q, a0i + t1i);
            const VT mr = a0r - 0.5 * t1r, mi = a0i - 0.5 * t1i;
            const VT u1r = mr + c * t2i, u1i = mi - c * t2r;
            const VT u2r = mr - c * t2i, u2i = mi + c * t2r;
            if (TW) {
                StoreMul<VT>(hr + os + q, hi + os + q, u1r, u1i, w1r, w1i);
                StoreMul<VT>(hr + 2 * os + q, hi + 2 * os + q, u2r, u2i, w2r, w2i);
            } else {
                St<VT>(hr + os + q, u1r);
                St<VT>(hi + os + q, u1i);
                St<VT>(hr + 2 * os + q, u2r);
                St<VT>(hi + 2 * os + q, u2i);
            }
        }
    }
};

template <int BW, bool TW> struct Radix4 {
    static KX_INLINE void Run(const Pass &, const double *ar, const double *ai, std::size_t is, double *hr,
                              double *hi, std::size_t os, const double *wr, const double *wi, std::size_t ws)
    {
        typedef typename LaneType<BW>::type VT;
        constexpr int NL = sizeof(VT) / sizeof(double);
        const double w1r = TW ? wr[0] : 1.0, w1i = TW ? wi[0] : 0.0;
        const double w2r = TW ? wr[ws] : 1.0, w2i = TW ? wi[ws] : 0.0;
        const double w3r = TW ? wr[2 * ws] : 1.0, w3i = TW ? wi[2 * ws] : 0.0;
        for (int q = 0; q < BW; q += NL) {
            const VT a0r = Ld<VT>(ar + q), a0i = Ld<VT>(ai + q), a1r = Ld<VT>(ar + is + q),
                     a1i = Ld<VT>(ai + is + q);
            const VT a2r = Ld<VT>(ar + 2 * is + q), a2i = Ld<VT>(ai + 2 * is + q);
            const VT a3r = Ld<VT>(ar + 3 * is + q), a3i = Ld<VT>(ai + 3 * is + q);
            const VT t0r = a0r + a2r, t0i = a0i + a2i, t1r = a0r - a2r, t1i = a0i - a2i;
            const VT t2r = a1r + a3r, t2i = a1i + a3i, t3r = a1r - a3r, t3i = a1i - a3i;
            St<VT>(hr + q, t0r + t2r);
            St<VT>(hi + q, t0i + t2i);
            const VT u1r = t1r + t3i, u1i = t1i - t3r;
            const VT u2r = t0r - t2r, u2i = t0i - t2i;
            const VT u3r = t1r - t3i, u3i = t1i + t3r;
            if (TW) {
                StoreMul<VT>(hr + os + q, hi + os + q, u1r, u1i, w1r, w1i);
                StoreMul<VT>(hr + 2 * os + q, hi + 2 * os + q, u2r, u2i, w2r, w2i);
                StoreMul<VT>(hr + 3 * os + q, hi + 3 * os + q, u3r, u3i, w3r, w3i);
            } else {
                St<VT>(hr + os + q, u1r);
                St<VT>(hi + os + q, u1i);
                St<VT>(hr + 2 * os + q, u2r);
                St<VT>(hi + 2 * os + q, u2i);
                St<VT>(hr + 3 * os + q, u3r);
                St<VT>(hi + 3 * os + q, u3i);
            }
        }
    }
};

template <int BW, bool TW> struct Radix8 {
    static KX_INLINE void Run(const Pass &, const double *ar, const double *ai, std::size_t is, double *hr,
                              double *hi, std::size_t os, const double *wr, const double *wi, std::size_t ws)
    {
        typedef typename LaneType<BW>::type VT;
        constexpr int NL = sizeof(VT) / sizeof(double);
        constexpr double h = 0.70710678118654752440; // sqrt(1/2)
        for (int q = 0; q < BW; q += NL) {
            VT br[8], bi[8];
#pragma GCC unroll 8
            for (int j = 0; j < 4; ++j) {
                const VT xr = Ld<VT>(ar + j * is + q), xi = Ld<VT>(ai + j * is + q);
                const VT zr = Ld<VT>(ar + (j + 4) * is + q), zi = Ld<VT>(ai + (j + 4) * is + q);
                br[j] = xr + zr;
                bi[j] = xi + zi;
                br[j + 4] = xr - zr;
                bi[j + 4] = xi - zi;
            }
            // Odd outputs take b5, b6, b7 times e^(-i pi/4), -i, e^(-3 i pi/4).
            const VT c5r = h * (br[5] + bi[5]), c5i = h * (bi[5] - br[5]);
            const VT c6r = bi[6], c6i = -br[6];
            const VT c7r = h * (bi[7] - br[7]), c7i = -h * (br[7] + bi[7]);
            VT yr[8], yi[8];
            {
                const VT t0r = br[0] + br[2], t0i = bi[0] + bi[2], t1r = br[0] - br[2], t1i = bi[0] - bi[2];
                const VT t2r = br[1] + br[3], t2i = bi[1] + bi[3], t3r = br[1] - br[3], t3i = bi[1] - bi[3];
                yr[0] = t0r + t2r;
                yi[0] = t0i + t2i;
                yr[2] = t1r + t3i;
                yi[2] = t1i - t3r;
                yr[4] = t0r - t2r;
                yi[4] = t0i - t2i;
                yr[6] = t1r - t3i;
                yi[6] = t1i + t3r;
            }
            {
                const VT t0r = br[4] + c6r, t0i = bi[4] + c6i, t1r = br[4] - c6r, t1i = bi[4] - c6i;
                const VT t2r = c5r + c7r, t2i = c5i + c7i, t3r = c5r - c7r, t3i = c5i - c7i;
                yr[1] = t0r + t2r;
                yi[1] = t0i + t2i;
                yr[3] = t1r + t3i;
                yi[3] = t1i - t3r;
                yr[5] = t0r - t2r;
                yi[5] = t0i - t2i;
                yr[7] = t1r - t3i;
                yi[7] = t1i + t3r;
            }
            St<VT>(hr + q, yr[0]);
            St<VT>(hi + q, yi[0]);
#pragma GCC unroll 8
            for (int j = 1; j < 8; ++j) {
                if (TW)
                    StoreMul<VT>(hr + j * os + q, hi + j * os + q, yr[j], yi[j], wr[(j - 1) * ws],
                                 wi[(j - 1) * ws]);
                else {
                    St<VT>(hr + j * os + q, yr[j]);
                    St<VT>(hi + j * os + q, yi[j]);
                }
            }
        }
    }
};

// Forward 4-point DFT of (x0, x1, x2, x3) in place.
template <class VT> KX_INLINE void Dft4(VT *r, VT *i)
{
    const VT t0r = r[0] + r[2], t0i = i[0] + i[2], t1r = r[0] - r[2], t1i = i[0] - i[2];
    const VT t2r = r[1] + r[3], t2i = i[1] + i[3], t3r = r[1] - r[3], t3i = i[1] - i[3];
    r[0] = t0r + t2r;
    i[0] = t0i + t2i;
    r[1] = t1r + t3i;
    i[1] = t1i - t3r;
    r[2] = t0r - t2r;
    i[2] = t0i - t2i;
    r[3] = t1r - t3i;
    i[3] = t1i + t3r;
}

// 16 points as 4 x 4: DFTs of the four interleaved quarters, the inner
// twiddles e^(-2 pi i j1 k1 / 16), then DFTs across the quarters; output
// k1 + 4 k2 comes from quarter-output k1 of the outer DFT k2.
template <int BW, bool TW> struct Radix16 {
    static KX_INLINE void Run(const Pass &, const double *ar, const double *ai, std::size_t is, double *hr,
                              double *hi, std::size_t os, const double *wr, const double *wi, std::size_t ws)
    {
        typedef typename LaneType<BW>::type VT;
        constexpr int NL = sizeof(VT) / sizeof(double);
        constexpr double c1 = 0.92387953251128675613, s1 = 0.38268343236508977173, h = 0.70710678118654752440;
        for (int q = 0; q < BW; q += NL) {
            VT ur[4][4], ui[4][4]; // [j1][k1]
#pragma GCC unroll 8
            for (int j1 = 0; j1 < 4; ++j1) {
#pragma GCC unroll 8
                for (int j2 = 0; j2 < 4; ++j2) {
                    ur[j1][j2] = Ld<VT>(ar + (j1 + 4 * j2) * is + q);
                    ui[j1][j2] = Ld<VT>(ai + (j1 + 4 * j2) * is + q);
                }
                Dft4<VT>(ur[j1], ui[j1]);
            }
            // Inner twiddles: (j1, k1) -> exponent j1*k1 of e^(-2 pi i / 16).
            {
                VT a, b;
                a = ur[1][1], b = ui[1][1]; // w^1 = c1 - i s1
                ur[1][1] = a * c1 + b * s1;
                ui[1][1] = b * c1 - a * s1;
                a = ur[1][2], b = ui[1][2]; // w^2 = h - i h
                ur[1][2] = h * (a + b);
                ui[1][2] = h * (b - a);
                a = ur[1][3], b = ui[1][3]; // w^3 = s1 - i c1
                ur[1][3] = a * s1 + b * c1;
                ui[1][3] = b * s1 - a * c1;
                a = ur[2][1], b = ui[2][1]; // w^2
                ur[2][1] = h * (a + b);
                ui[2][1] = h * (b - a);
                a = ur[2][2], b = ui[2][2]; // w^4 = -i
                ur[2][2] = b;
                ui[2][2] = -a;
                a = ur[2][3], b = ui[2][3]; // w^6 = -h - i h
                ur[2][3] = h * (b - a);
                ui[2][3] = -h * (a + b);
                a = ur[3][1], b = ui[3][1]; // w^3
                ur[3][1] = a * s1 + b * c1;
                ui[3][1] = b * s1 - a * c1;
                a = ur[3][2], b = ui[3][2]; // w^6
                ur[3][2] = h * (b - a);
                ui[3][2] = -h * (a + b);
                a = ur[3][3], b = ui[3][3]; // w^9 = -c1 + i s1
                ur[3][3] = -a * c1 - b * s1;
                ui[3][3] = a * s1 - b * c1;
            }
#pragma GCC unroll 8
            for (int k1 = 0; k1 < 4; ++k1) {
                VT vr[4] = {ur[0][k1], ur[1][k1], ur[2][k1], ur[3][k1]};
                VT vi[4] = {ui[0][k1], ui[1][k1], ui[2][k1], ui[3][k1]};
                Dft4<VT>(vr, vi);
#pragma GCC unroll 8
                for (int k2 = 0; k2 < 4; ++k2) {
                    const int j = k1 + 4 * k2;
                    if (TW && j > 0)
                        StoreMul<VT>(hr + j * os + q, hi + j * os + q, vr[k2], vi[k2], wr[(j - 1) * ws],
                                     wi[(j - 1) * ws]);
                    else {
                        St<VT>(hr + j * os + q, vr[k2]);
                        St<VT>(hi + j * os + q, vi[k2]);
                    }
                }
            }
        }
    }
};

// Odd prime radix by pairs of conjugate outputs; P = 0 takes p at run time.
template <int P, int BW> struct OddMaxHalf {
    static constexpr int value = P ? (P - 1) / 2 : (BW == 1 ? 128 : int(kGenericMaxPrime / 2) + 1);
};

template <int P> struct OddRadix {
    template <int BW, bool TW> struct K {
        static KX_INLINE void Run(const Pass &ps, const double *ar, const double *ai, std::size_t is,
                                  double *hr, double *hi, std::size_t os, const double *wr, const double *wi,
                                  std::size_t ws)
        {
            typedef typename LaneType<BW>::type VT;
            constexpr int NL = sizeof(VT) / sizeof(double), NV = BW / NL;
            constexpr int HM = OddMaxHalf<P, BW>::value;
            const int p = P ? P : static_cast<int>(ps.radix);
            const int h = (p - 1) / 2;
            VT sr[HM][NV], si[HM][NV], dr[HM][NV], di[HM][NV];
            VT x0r[NV], x0i[NV], u0r[NV], u0i[NV];
            for (int v = 0; v < NV; ++v) {
                x0r[v] = u0r[v] = Ld<VT>(ar + v * NL);
                x0i[v] = u0i[v] = Ld<VT>(ai + v * NL);
            }
            for (int j = 1; j <= h; ++j)
                for (int v = 0; v < NV; ++v) {
                    const VT pr = Ld<VT>(ar + j * is + v * NL), pi = Ld<VT>(ai + j * is + v * NL);
                    const VT mr = Ld<VT>(ar + (p - j) * is + v * NL), mi = Ld<VT>(ai + (p - j) * is + v * NL);
                    sr[j - 1][v] = pr + mr;
                    si[j - 1][v] = pi + mi;
                    dr[j - 1][v] = pr - mr;
                    di[j - 1][v] = pi - mi;
                    u0r[v] += sr[j - 1][v];
                    u0i[v] += si[j - 1][v];
                }
            for (int v = 0; v < NV; ++v) {
                St<VT>(hr + v * NL, u0r[v]);
                St<VT>(hi + v * NL, u0i[v]);
            }
            const double *cr = ps.cr.data(), *ci = ps.ci.data();
            for (int m = 1; m <= h; ++m) {
                VT Ar[NV], Ai[NV], Br[NV], Bi[NV];
                for (int v = 0; v < NV; ++v) {
                    Ar[v] = x0r[v];
                    Ai[v] = x0i[v];
                    Br[v] = Bi[v] = x0r[v] * 0.0;
                }
                int idx = 0;
                for (int j = 1; j <= h; ++j) {
                    idx += m;
                    if (idx >= p)
                        idx -= p;
                    const double c = cr[idx], s = -ci[idx];
                    for (int v = 0; v < NV; ++v) {
                        Ar[v] += c * sr[j - 1][v];
                        Ai[v] += c * si[j - 1][v];
                        Br[v] += s * dr[j - 1][v];
                        Bi[v] += s * di[j - 1][v];
                    }
                }
                const double w1r = TW ? wr[(m - 1) * ws] : 1.0, w1i = TW ? wi[(m - 1) * ws] : 0.0;
                const double w2r = TW ? wr[(p - m - 1) * ws] : 1.0, w2i = TW ? wi[(p - m - 1) * ws] : 0.0;
                for (int v = 0; v < NV; ++v) {
                    double *o1r = hr + m * os + v * NL, *o1i = hi + m * os + v * NL;
                    double *o2r = hr + (p - m) * os + v * NL, *o2i = hi + (p - m) * os + v * NL;
                    const VT v1r = Ar[v] + Bi[v], v1i = Ai[v] - Br[v];
                    const VT v2r = Ar[v] - Bi[v], v2i = Ai[v] + Br[v];
                    if (TW) {
                        StoreMul<VT>(o1r, o1i, v1r, v1i, w1r, w1i);
                        StoreMul<VT>(o2r, o2i, v2r, v2i, w2r, w2i);
                    } else {
                        St<VT>(o1r, v1r);
                        St<VT>(o1i, v1i);
                        St<VT>(o2r, v2r);
                        St<VT>(o2i, v2i);
                    }
                }
            }
        }
    };
};

// Runs kernel K over every (k, i) of a pass and every BW-lane block of a row.
template <int BW, template <int, bool> class K>
void DirectLoop(const Pass &ps, const double *cr, const double *ci, double *hr, double *hi, std::size_t W,
                std::size_t ostr)
{
    const std::size_t ip = ps.radix, l1 = ps.l1, ido = ps.ido;
    const std::size_t is = ido * W, os = ido * l1 * ostr;
    const double *twr = ps.twr.data(), *twi = ps.twi.data();
    for (std::size_t k = 0; k < l1; ++k) {
        for (std::size_t i = 0; i < ido; ++i) {
            const std::size_t in = (i + ido * ip * k) * W, out = (i + ido * k) * ostr;
            for (std::size_t b = 0; b < W; b += BW) {
                if (i == 0)
                    K<BW, false>::Run(ps, cr + in + b, ci + in + b, is, hr + out + b, hi + out + b, os,
                                      nullptr, nullptr, ido);
                else
                    K<BW, true>::Run(ps, cr + in + b, ci + in + b, is, hr + out + b, hi + out + b, os,
                                     twr + i, twi + i, ido);
            }
        }
    }
}

// Writes super-row j (ido rows of W lanes) of a pass output with its twiddles.
void StoreTwiddled(const Pass &ps, std::size_t j, const double *KX_R vr, const double *KX_R vi,
                   double *KX_R hr, double *KX_R hi, std::size_t W)
{
    const std::size_t ido = ps.ido;
    for (std::size_t i = 0; i < ido; ++i) {
        const double *KX_R ur = vr + i * W, *KX_R ui = vi + i * W;
        double *KX_R outr = hr + i * W, *KX_R outi = hi + i * W;
        if (j == 0 || i == 0) {
            for (std::size_t c = 0; c < W; ++c) {
                outr[c] = ur[c];
                outi[c] = ui[c];
            }
        } else {
            const double wr = ps.twr[(j - 1) * ido + i], wi = ps.twi[(j - 1) * ido + i];
            for (std::size_t c = 0; c < W; ++c) {
                const double a = ur[c], b = ui[c];
                outr[c] = a * wr - b * wi;
                outi[c] = a * wi + b * wr;
            }
        }
    }
}

// A prime radix computed by the convolution engine on rows of V = ido * W
// lanes: for each k, input row j is super-row j + p*k, output row j goes to
// super-row k + l1*j with its twiddles.
class PassRows
{
  public:
    PassRows(const Pass &ps, std::size_t W, double *subExtra) : ps_(ps), W_(W), V_(ps.ido * W), subExtra_(subExtra)
    {
    }
    void At(const double *inr, const double *ini, double *outr, double *outi)
    {
        inr_ = inr;
        ini_ = ini;
        outr_ = outr;
        outi_ = outi;
    }
    void Forward(double *ar, double *ai, double *br, double *bi, double *&rr, double *&ri) const
    {
        bool inW = false;
        ps_.sub->Run(ar, ai, br, bi, V_, subExtra_, &inW);
        rr = inW ? br : ar;
        ri = inW ? bi : ai;
    }
    void Row(std::size_t j, const double *&re, const double *&im) const
    {
        re = inr_ + j * V_;
        im = ini_ + j * V_;
    }
    void Store(std::size_t j, const double *re, const double *im) const
    {
        const std::size_t os = ps_.l1 * V_;
        StoreTwiddled(ps_, j, re, im, outr_ + j * os, outi_ + j * os, W_);
    }

  private:
    const Pass &ps_;
    std::size_t W_, V_;
    double *subExtra_;
    const double *inr_ = nullptr, *ini_ = nullptr;
    double *outr_ = nullptr, *outi_ = nullptr;
};

void ConvolutionPass(const Pass &ps, const double *cr, const double *ci, double *hr, double *hi,
                     std::size_t W, double *extra)
{
    const std::size_t p = ps.radix, V = ps.ido * W;
    PassRows rows(ps, W, extra + ConvWorkDoubles(ps.conv, V));
    for (std::size_t k = 0; k < ps.l1; ++k) {
        rows.At(cr + p * k * V, ci + p * k * V, hr + k * V, hi + k * V);
        RunConvolution(ps.conv, V, rows, extra);
    }
}

template <int BW>
void RunPassT(const Pass &ps, const double *cr, const double *ci, double *hr, double *hi, std::size_t W,
              std::size_t ostr)
{
    switch (ps.radix) {
    case 2:
        DirectLoop<BW, Radix2>(ps, cr, ci, hr, hi, W, ostr);
        break;
    case 3:
        DirectLoop<BW, Radix3>(ps, cr, ci, hr, hi, W, ostr);
        break;
    case 4:
        DirectLoop<BW, Radix4>(ps, cr, ci, hr, hi, W, ostr);
        break;
    case 8:
        DirectLoop<BW, Radix8>(ps, cr, ci, hr, hi, W, ostr);
        break;
    case 16:
        DirectLoop<BW, Radix16>(ps, cr, ci, hr, hi, W, ostr);
        break;
    case 5:
        DirectLoop<BW, OddRadix<5>::template K>(ps, cr, ci, hr, hi, W, ostr);
        break;
    case 7:
        DirectLoop<BW, OddRadix<7>::template K>(ps, cr, ci, hr, hi, W, ostr);
        break;
    default:
        DirectLoop<BW, OddRadix<0>::template K>(ps, cr, ci, hr, hi, W, ostr);
        break;
    }
}

} // namespace

void RunPass(const Pass &ps, const double *cr, const double *ci, double *hr, double *hi, std::size_t W,
             double *extra, std::size_t ostr)
{
    if (ps.method != PrimeMethod::Direct) {
        ConvolutionPass(ps, cr, ci, hr, hi, W, extra);
        return;
    }
    if (W % 32 == 0)
        RunPassT<32>(ps, cr, ci, hr, hi, W, ostr);
    else if (W % 16 == 0)
        RunPassT<16>(ps, cr, ci, hr, hi, W, ostr);
    else if (W % 8 == 0)
        RunPassT<8>(ps, cr, ci, hr, hi, W, ostr);
    else
        RunPassT<1>(ps, cr, ci, hr, hi, W, ostr);
}

int BatchPlan::RunTo(double *re, double *im, double *wr, double *wi, std::size_t W, double *extra, double *dr,
                     double *di, std::size_t dstride) const
{
    int where = 0;
    double *ar = re, *ai = im, *br = wr, *bi = wi;
    for (std::size_t s = 0; s < passes.size(); ++s) {
        const Pass &ps = passes[s];
        if (dr && s + 1 == passes.size() && ps.method == PrimeMethod::Direct) {
            RunPass(ps, ar, ai, dr, di, W, extra, dstride);
            return 2;
        }
        RunPass(ps, ar, ai, br, bi, W, extra, W);
        std::swap(ar, br);
        std::swap(ai, bi);
        where = 1 - where;
    }
    return where;
}

void BatchPlan::Run(double *re, double *im, double *wr, double *wi, std::size_t W, double *extra,
                    bool *inWork) const
{
    *inWork = RunTo(re, im, wr, wi, W, extra, nullptr, nullptr, 0) == 1;
}

} // namespace fft
} // namespace korvax
