// Real transform of a power-of-two length on whole vectors (AVX2 with
// FMA, or AVX-512), chosen at run time, so that the library stays portable
// and the other lengths and processors keep the general engine.  The
// kernels are written once (fft_pow2_kernels.inc) and compiled for each
// instruction set.
//
// The complex transform of length n = N/2 is a Stockham decimation in
// frequency: a pass of radix r turns x into y with
//   y[q + s(rp + j)] = W_L^(jp) * sum_k x[q + s(p + km)] W_r^(jk),
// L the length still to transform, s = n/L, m = L/r, so that the result
// comes out in natural order.  Passes with s at least a vector run the
// butterflies over q as whole vectors with their twiddles broadcast; the
// first pass (s = 1) runs a vector's width of butterflies p side by side
// and transposes their outputs; the last two passes run column block by
// column block (TailPass).  Data are split (real parts, imaginary parts);
// the passes alternate between two halves of the work buffer, and the
// last step writes all N real-transform bins to x and y.
#include "analysis/fft.h"

#include <algorithm>
#include <atomic>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#include <cstdint>
#define KX_POW2_X86 1
#endif

namespace korvax
{
namespace fft
{

namespace
{

// Lengths served: from 128 to 2^20.  Longer records keep the two-phase
// engine, which needs no work buffer of the record's size (this one takes
// two complex arrays of N/2, 16 MB at 2^20).
constexpr std::size_t kPow2Min = 128;
constexpr std::size_t kPow2Max = std::size_t(1) << 20;

bool IsPow2(std::size_t v)
{
    return v && (v & (v - 1)) == 0;
}

#if defined(KX_POW2_X86)

namespace avx2
{
#define KX_TGT "avx2,fma"
#define KX_W 4
#include "analysis/fft_pow2_kernels.inc"
#undef KX_TGT
#undef KX_W
} // namespace avx2

// GCC 12 takes the "undefined" first operand its AVX-512 shuffle intrinsics
// pass internally for an uninitialised value.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
namespace avx512
{
#define KX_TGT "avx512f"
#define KX_W 8
#include "analysis/fft_pow2_kernels.inc"
#undef KX_TGT
#undef KX_W
} // namespace avx512
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

// Doubles per vector of the widest kernel this processor runs, 0 for none.
int HardwareWidth()
{
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f"))
        return 8;
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"))
        return 4;
    return 0;
}

#endif

std::atomic<int> &WidthLimit()
{
    static std::atomic<int> limit(8);
    return limit;
}

int VectorWidth()
{
#if defined(KX_POW2_X86)
    const int hw = HardwareWidth();
#else
    const int hw = 0;
#endif
    const int limit = WidthLimit().load();
    return limit >= 8 ? hw : limit >= 4 ? std::min(hw, 4) : 0;
}

} // namespace

int SetPow2Width(int doubles)
{
    WidthLimit().store(doubles < 0 ? 8 : doubles);
    return VectorWidth();
}

std::unique_ptr<Pow2Plan> MakePow2Plan(std::size_t N)
{
#if defined(KX_POW2_X86)
    const int width = VectorWidth();
    if (!IsPow2(N) || N < kPow2Min || N > kPow2Max || !width)
        return nullptr;
    std::unique_ptr<Pow2Plan> pl(new Pow2Plan);
    const std::size_t n = N / 2, W = static_cast<std::size_t>(width);
    pl->n = n;
    pl->width = width;
    UnitRoots roots(n);
    // First pass, radix W over W butterflies p at once: per group, the real
    // then imaginary parts of W_n^p in the order of the lanes (p, p+2,
    // p+1, p+3 for AVX2; in order for AVX-512).
    pl->first.resize(2 * (n / W));
    static const std::size_t kLanes4[4] = {0, 2, 1, 3};
    for (std::size_t g = 0; g < n / W; g += W)
        for (std::size_t u = 0; u < W; ++u) {
            double *d = pl->first.data() + 2 * g;
            roots.Get(g + (W == 4 ? kLanes4[u] : u), d[u], d[W + u]);
        }
    // Later passes, down to a remaining length of 32 or 64 done as a
    // tail (TailPass): radix 8 with AVX-512 (registers enough for it) where
    // it leaves 5 bits or more, else radix 4.  Short lengths end with
    // single passes of radix 8 or 4.
    std::size_t bits = 0;
    for (std::size_t v = n / W; v > 1; v /= 2)
        ++bits;
    for (std::size_t s = W; bits > 0;) {
        std::size_t r, used;
        if (bits == 5 || bits == 6) {
            r = std::size_t(1) << bits; // the tail
            used = bits;
        } else if (bits > 6) {
            used = (W == 8 && bits != 7) ? 3 : 2;
            r = std::size_t(1) << used;
        } else {
            used = bits == 3 ? 3 : 2;
            r = std::size_t(1) << used;
        }
        const std::size_t L = n / s, rp = r > 8 ? 8 : r; // the tail's first pass is radix 8
        Pow2Plan::Step st = {r, s, L / rp, pl->twiddles.size()};
        for (std::size_t p = 0; p < st.m; ++p)
            for (std::size_t j = 1; j < rp; ++j) {
                double re, im;
                roots.Get(j * p * s, re, im);
                pl->twiddles.push_back(re);
                pl->twiddles.push_back(im);
            }
        pl->steps.push_back(st);
        s *= r;
        bits -= used;
    }
    pl->post.reset(new UnitRoots(N));
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
    if (width == 8)
        avx512::Execute(*this, in, x, y, work);
    else
        avx2::Execute(*this, in, x, y, work);
#else
    (void)in;
    (void)x;
    (void)y;
    (void)work;
#endif
}

} // namespace fft
} // namespace korvax
