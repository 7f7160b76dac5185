// Noise and random numbers.
//
// WhiteNoise draws from one process-wide Wichmann-Hill generator: three
// multiplicative congruential generators s <- a*s mod m whose scaled sum,
// reduced to its fraction, gives a value on 32768 levels. Advancing a
// generator k steps is a multiplication by a^k mod m, which lets 32 lanes
// draw side by side (lane l starts l steps ahead and every lane moves 32
// steps at a time) and lets the decimated variant jump over the draws it
// does not keep. The values and their order are exactly those of randnum.
//
// Random is the per-thread uniform generator of the utility toolbox.
#include "analysis/synth.h"
#include "analysis/vec_internal.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>

using namespace analysis_vec;

extern "C" {
DSPMutex AnlysRandGenMutex;
}

namespace
{

// Noise generator state, guarded by AnlysRandGenMutex.
int s1 = 1234;
int s2 = 2345;
int s3 = 3456;
int randMutexCreated = 0; // created-flag of AnlysRandGenMutex

struct Lcg {
    int a;
    int m;
};
constexpr Lcg kGen1{171, 30269};
constexpr Lcg kGen2{172, 30307};
constexpr Lcg kGen3{170, 30323};
constexpr double kRecip1 = 1.0 / 30269.0;
constexpr double kRecip2 = 1.0 / 30307.0;
constexpr double kRecip3 = 1.0 / 30323.0;
constexpr double kNoiseScale = 0.00006103515625; // 2^-14

// s advanced k steps: s x a^k mod m, for s in [0, m).
int advance(int s, Lcg g, std::uint64_t k)
{
    std::int64_t result = 1;
    std::int64_t base = g.a;
    while (k != 0) {
        if (k & 1u)
            result = result * base % g.m;
        base = base * base % g.m;
        k >>= 1;
    }
    return static_cast<int>(result * s % g.m);
}

int step(int s, Lcg g)
{
    return static_cast<int>(static_cast<std::int64_t>(g.a) * s % g.m);
}

typedef std::int64_t vi __attribute__((vector_size(kLanes * sizeof(std::int64_t))));

// Whether the portable build's own processor level converts doubles to
// 64-bit integers in vector registers (AVX-512DQ).
#if defined(__AVX512DQ__)
constexpr bool kPortableConverts = true;
#else
constexpr bool kPortableConverts = false;
#endif

// Truncation of non-negative lanes below 2^51 to integers: a conversion
// where the processor has one, the rounding trick otherwise (the same
// integers either way).
template <bool Convert> ANALYSIS_VEC_INLINE vd truncNonNegative(const vd &v)
{
    if constexpr (Convert) {
        return __builtin_convertvector(__builtin_convertvector(v, vi), vd);
    } else {
        const vd nearest = (v + kRoundMagic) - kRoundMagic;
        return (nearest > v) ? nearest - 1.0 : nearest;
    }
}

// v x mult mod m for lanes holding integers in [0, m) and mult < m. The
// product is below 2^31 and exact; since m is prime the product is a
// multiple of m only when it is 0, otherwise p/m is at least 1/m away from
// an integer, far more than the error of p x (1/m), so the truncated
// quotient is exact.
template <bool Convert> ANALYSIS_VEC_INLINE vd mulMod(const vd &v, double mult, double m, double recip)
{
    const vd p = v * mult;
    return p - truncNonNegative<Convert>(p * recip) * m;
}

// randnum's value (0 .. 32767) for lanes of states, minus 16383, times k.
// sum x 32768 is exact (a power of two), so (sum - trunc(sum)) x 32768
// truncated equals trunc(sum x 32768) - 32768 x trunc(sum), that is
// trunc(sum x 32768) mod 32768.
template <bool Convert> ANALYSIS_VEC_INLINE vd noiseValue(const vd &a1, const vd &a2, const vd &a3, double k)
{
    const vd sum = a3 * kRecip3 + a2 * kRecip2 + a1 * kRecip1;
    if constexpr (Convert) {
        const vi level = __builtin_convertvector(sum * 32768.0, vi) & 0x7FFF;
        return (__builtin_convertvector(level, vd) - 16383.0) * k;
    } else {
        const vd level = truncNonNegative<false>(sum * 32768.0) - truncNonNegative<false>(sum) * 32768.0;
        return (level - 16383.0) * k;
    }
}

// Lane groups drawn side by side: each lane's state is a dependency chain
// of several multiplications and conversions, so independent groups keep
// the arithmetic units busy while a chain waits.
constexpr int kGroups = 4;
constexpr int kBlock = kGroups * kLanes;

// Stores y into out[0 .. count-1], or adds it there.
template <bool Add> ANALYSIS_VEC_INLINE void put(double *out, const vd &y, std::size_t count)
{
    if constexpr (Add) {
        vd x;
        std::memcpy(&x, out, sizeof(double) * count);
        x += y;
        std::memcpy(out, &x, sizeof(double) * count);
    } else {
        std::memcpy(out, &y, sizeof(double) * count);
    }
}

// out[j] = (draw number 1 + j*stride from the current state - 16383) x k
// for j < count (added to out[j] when Add); the state ends count x stride
// draws further on.
template <bool Convert, bool Add>
ANALYSIS_VEC_INLINE void drawNoiseLanes(std::int64_t count, std::int64_t stride, double k, double *out)
{
    vd a1[kGroups], a2[kGroups], a3[kGroups];
    // Lane 0 is one draw ahead; each further lane another stride ahead.
    const std::int64_t lane1 = advance(1, kGen1, static_cast<std::uint64_t>(stride));
    const std::int64_t lane2 = advance(1, kGen2, static_cast<std::uint64_t>(stride));
    const std::int64_t lane3 = advance(1, kGen3, static_cast<std::uint64_t>(stride));
    std::int64_t v1 = step(s1, kGen1), v2 = step(s2, kGen2), v3 = step(s3, kGen3);
    for (int g = 0; g < kGroups; ++g) {
        for (int l = 0; l < kLanes; ++l) {
            a1[g][l] = static_cast<double>(v1);
            a2[g][l] = static_cast<double>(v2);
            a3[g][l] = static_cast<double>(v3);
            v1 = v1 * lane1 % kGen1.m;
            v2 = v2 * lane2 % kGen2.m;
            v3 = v3 * lane3 % kGen3.m;
        }
    }
    const std::uint64_t jump = static_cast<std::uint64_t>(kBlock) * static_cast<std::uint64_t>(stride);
    const double m1 = advance(1, kGen1, jump);
    const double m2 = advance(1, kGen2, jump);
    const double m3 = advance(1, kGen3, jump);
    std::int64_t t = 0;
    for (; t + kBlock <= count; t += kBlock) {
        for (int g = 0; g < kGroups; ++g) {
            put<Add>(out + t + g * kLanes, noiseValue<Convert>(a1[g], a2[g], a3[g], k), kLanes);
            a1[g] = mulMod<Convert>(a1[g], m1, kGen1.m, kRecip1);
            a2[g] = mulMod<Convert>(a2[g], m2, kGen2.m, kRecip2);
            a3[g] = mulMod<Convert>(a3[g], m3, kGen3.m, kRecip3);
        }
    }
    for (int g = 0; g < kGroups && t < count; ++g, t += kLanes) {
        const std::int64_t left = count - t;
        put<Add>(out + t, noiseValue<Convert>(a1[g], a2[g], a3[g], k),
                 static_cast<std::size_t>(left < kLanes ? left : kLanes));
    }
    const std::uint64_t total = static_cast<std::uint64_t>(count) * static_cast<std::uint64_t>(stride);
    s1 = advance(s1, kGen1, total);
    s2 = advance(s2, kGen2, total);
    s3 = advance(s3, kGen3, total);
}

template <bool Add> void drawNoisePortable(std::int64_t count, std::int64_t stride, double k, double *out)
{
    drawNoiseLanes<kPortableConverts, Add>(count, stride, k, out);
}

#if ANALYSIS_VEC_LEVELS
template <bool Add>
ANALYSIS_TARGET_AVX2 void drawNoiseAvx2(std::int64_t count, std::int64_t stride, double k, double *out)
{
    drawNoiseLanes<kPortableConverts, Add>(count, stride, k, out);
}
template <bool Add>
ANALYSIS_TARGET_AVX512 void drawNoiseAvx512(std::int64_t count, std::int64_t stride, double k, double *out)
{
    drawNoiseLanes<true, Add>(count, stride, k, out);
}
#endif

// drawNoiseLanes at the processor's level.
template <bool Add> void drawNoise(std::int64_t count, std::int64_t stride, double k, double *out)
{
#if ANALYSIS_VEC_LEVELS
    switch (vectorLevel()) {
    case kVecAvx512:
        drawNoiseAvx512<Add>(count, stride, k, out);
        return;
    case kVecAvx2:
        drawNoiseAvx2<Add>(count, stride, k, out);
        return;
    default:
        break;
    }
#endif
    drawNoisePortable<Add>(count, stride, k, out);
}

void destroyRandMutex()
{
    DSPMutexDestroy(&AnlysRandGenMutex);
}

// Runs fill() with the noise state locked; -20064 when the lock is missing.
template <class Fill> int withNoiseLock(Fill fill)
{
    if (InitRandMutex() != 0)
        return InitStateAnlysErr;
    if (DSPMutexGet(&AnlysRandGenMutex) != 0)
        return InitStateAnlysErr;
    fill();
    DSPMutexRelease(&AnlysRandGenMutex);
    return NoAnlysErr;
}

// --- Per-thread uniform generator ----------------------------------------
constexpr int kUniformTemplateSeed = 945329041;

struct UniformState {
    int seed = kUniformTemplateSeed;
    bool reseedPending = true;
    double r1 = 0.0, r2 = 0.0, r3 = 0.0;
    int t1 = 0, t2 = 0, t3 = 0; // t1 == 0: not yet seeded
};
thread_local UniformState uniform;

// Low 14 bits of the seed, never 0: a seed whose low 14 bits are all zero
// takes its first state word from its higher bits instead, so that the
// generator cannot stay stuck at zero.
int firstStateWord(int seed)
{
    const std::uint32_t bits = static_cast<std::uint32_t>(seed);
    const int low = static_cast<int>(bits & 0x3FFFu);
    if (low != 0)
        return low;
    return static_cast<int>((bits >> 14) % 16383u) + 1;
}

double drawUniform()
{
    UniformState &st = uniform;
    if (st.reseedPending) {
        st.reseedPending = false;
        st.t1 = 0;
    }
    if (st.t1 == 0) {
        st.t1 = firstStateWord(st.seed);
        st.t2 = static_cast<int>((static_cast<std::uint32_t>(st.t1) * 8191u) & 0x3FFFu);
        st.t3 = static_cast<int>((static_cast<std::uint32_t>(st.t2) * 8191u) & 0x3FFFu);
        st.r1 = kRecip1;
        st.r2 = kRecip2;
        st.r3 = kRecip3;
    }
    st.t1 = step(st.t1, kGen1);
    st.t2 = step(st.t2, kGen2);
    st.t3 = step(st.t3, kGen3);
    const double sum = st.t1 * st.r1 + st.t2 * st.r2 + st.t3 * st.r3;
    double u = sum - std::floor(sum);
    if (u < 0.0)
        u += 1.0;
    return u;
}

} // namespace

extern "C" {

int randnum(void)
{
    s1 = step(s1, kGen1);
    s2 = step(s2, kGen2);
    s3 = step(s3, kGen3);
    const double sum = s3 * kRecip3 + s2 * kRecip2 + s1 * kRecip1;
    return static_cast<int>((sum - std::trunc(sum)) * 32768.0);
}

void srandnum(int seed)
{
    if (seed == 0)
        return;
    // s1 is kept reduced modulo its generator: for seeds up to 12558383 this
    // gives the same sequence as the plain product, and for larger or
    // negative seeds it keeps 171 x s1 from overflowing and the results in
    // 0 .. 32767.
    s1 = ((seed % kGen1.m) + kGen1.m) % kGen1.m;
    s2 = static_cast<int>((static_cast<std::uint32_t>(seed) * 8191u) & 0x3FFFu);
    s3 = static_cast<int>((static_cast<std::uint32_t>(s2) * 8191u) & 0x3FFFu);
    if (s1 == 0 && s2 == 0 && s3 == 0)
        s1 = 1; // an all-zero state would repeat one value for ever
}

int InitRandMutex(void)
{
    if (__atomic_load_n(&randMutexCreated, __ATOMIC_ACQUIRE) != 0)
        return 0;
    if (DSPMutexCreate(&AnlysRandGenMutex, &randMutexCreated) != 0)
        return -1;
    static std::once_flag registered;
    std::call_once(registered, [] { std::atexit(destroyRandMutex); });
    return 0;
}

int WhiteNoise(int n, double amplitude, int seed, double *out)
{
    if (n < 1)
        return SamplesGTZeroAnlysErr;
    return withNoiseLock([&] {
        if (seed >= 0)
            srandnum(seed);
        drawNoise<false>(n, 1, amplitude * kNoiseScale, out);
    });
}

int AddWhiteNoise(int n, double amplitude, double *inout)
{
    if (n < 1)
        return SamplesGTZeroAnlysErr;
    return withNoiseLock([&] { drawNoise<true>(n, 1, amplitude * kNoiseScale, inout); });
}

int WhiteNoiseDecimated(int count, double amplitude, int stride, double *out)
{
    if (count < 1)
        return SamplesGTZeroAnlysErr;
    if (stride < 1)
        return DecFactAnlysErr;
    return withNoiseLock([&] { drawNoise<false>(count, stride, amplitude * kNoiseScale, out); });
}

double Random(double minimum, double maximum)
{
    const double diff = maximum - minimum;
    if (diff < 0.0)
        return minimum;
    return drawUniform() * diff + minimum;
}

void SetRandomSeed(int seed)
{
    UniformState &st = uniform;
    if (seed == 0) {
        std::clock_t c = std::clock();
        for (int tries = 0; c == 0 && tries < 10000000; ++tries)
            c = std::clock();
        seed = c != 0 ? static_cast<int>(c) : 1;
    }
    st.seed = seed;
    st.reseedPending = true;
}

void ResetAnalysisRandomState(void)
{
    const bool locked = InitRandMutex() == 0 && DSPMutexGet(&AnlysRandGenMutex) == 0;
    s1 = 1234;
    s2 = 2345;
    s3 = 3456;
    if (locked)
        DSPMutexRelease(&AnlysRandGenMutex);
    uniform = UniformState{};
}

} // extern "C"
