// Choice of the processor level for the library's dispatched loops.
#include "analysis/vec_internal.h"

#include <atomic>

namespace analysis_vec
{

namespace
{

VecLevel detectedLevel()
{
#if ANALYSIS_VEC_LEVELS
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq"))
        return kVecAvx512;
    if (__builtin_cpu_supports("avx2"))
        return kVecAvx2;
#endif
    return kVecPortable;
}

std::atomic<int> forcedLevel{-1};

} // namespace

VecLevel vectorLevel()
{
    static const VecLevel detected = detectedLevel();
    const int forced = forcedLevel.load(std::memory_order_relaxed);
    if (forced >= 0 && forced < detected)
        return static_cast<VecLevel>(forced);
    return detected;
}

void forceVectorLevel(int level)
{
    forcedLevel.store(level, std::memory_order_relaxed);
}

} // namespace analysis_vec
