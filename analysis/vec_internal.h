// Eight-lane double vectors for the library's own loops (GCC/Clang vector
// extensions: AVX-512 when the processor has it, pairs or quads of narrower
// registers otherwise). Internal to analysis/.
#ifndef KORVAX_ANALYSIS_VEC_INTERNAL_H
#define KORVAX_ANALYSIS_VEC_INTERNAL_H

#include <cstdint>

// These vectors never cross a library boundary (every function taking or
// returning one is internal), so the note that their calling convention
// differs between processor levels does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace analysis_vec
{

// Every helper that takes or returns a vector is forced inline, so no call
// passes one by value.
#define ANALYSIS_VEC_INLINE inline __attribute__((always_inline))

constexpr int kLanes = 8;
typedef double vd __attribute__((vector_size(kLanes * sizeof(double))));
typedef std::uint64_t vu __attribute__((vector_size(kLanes * sizeof(std::uint64_t))));

constexpr std::uint64_t kSignBit = 0x8000000000000000ull;
// Adding and subtracting 1.5 x 2^52 rounds a double of magnitude below 2^51
// to the nearest integer; the low bits of the biased sum hold that integer.
constexpr double kRoundMagic = 6755399441055744.0;

ANALYSIS_VEC_INLINE vd splat(double v)
{
    return vd{v, v, v, v, v, v, v, v};
}
ANALYSIS_VEC_INLINE vd laneIndex()
{
    return vd{0.0, 1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0};
}
ANALYSIS_VEC_INLINE vu asBits(const vd &v)
{
    return (vu)v;
}
ANALYSIS_VEC_INLINE vd fromBits(const vu &v)
{
    return (vd)v;
}

// --- Processor levels -------------------------------------------------------
// The portable build targets baseline x86-64 (two doubles per register). The
// hottest loops are also compiled for AVX2 and for AVX-512 and chosen at run
// time; every level performs the same IEEE operations in the same order
// (the library is built without contraction into fused multiply-adds), so
// the results are the same to the last bit whichever level runs.
enum VecLevel { kVecPortable = 0, kVecAvx2 = 1, kVecAvx512 = 2 };

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define ANALYSIS_VEC_LEVELS 1
#define ANALYSIS_TARGET_AVX2 __attribute__((target("avx2")))
#define ANALYSIS_TARGET_AVX512 __attribute__((target("avx512f,avx512dq")))
#else
#define ANALYSIS_VEC_LEVELS 0
#endif

// The best level this processor runs, or the one forced for a test.
VecLevel vectorLevel();
// Tests: runs every dispatched loop at `level` (lowered to what the
// processor has); a negative level restores the detected one.
void forceVectorLevel(int level);

} // namespace analysis_vec

#endif
