// Lazy, race-free creation of the library's locks.
//
// One process-wide creation guard serialises every DSPMutexCreate call. The
// guard is a constant-initialised mutex, so it exists before the first
// thread can race for it and is never torn down while the process runs.
#include "analysis/locks.h"

namespace
{

std::mutex &creationGuard()
{
    static std::mutex guard;
    return guard;
}

std::atomic<bool> guardFailure{false};

int loadFlag(const int *flag)
{
    return __atomic_load_n(flag, __ATOMIC_ACQUIRE);
}
void storeFlag(int *flag, int value)
{
    __atomic_store_n(flag, value, __ATOMIC_RELEASE);
}

} // namespace

namespace analysis_testing
{
void SetLockGuardFailure(bool fail)
{
    guardFailure.store(fail);
}
} // namespace analysis_testing

extern "C" {

int DSPMutexCreate(DSPMutex *lock, int *createdFlag)
{
    if (lock == nullptr || createdFlag == nullptr)
        return -1;
    if (guardFailure.load()) {
        storeFlag(createdFlag, 0);
        return -1;
    }
    std::lock_guard<std::mutex> hold(creationGuard());
    if (loadFlag(createdFlag) == 0)
        lock->live.store(1, std::memory_order_release);
    storeFlag(createdFlag, 1);
    return 0;
}

int DSPMutexDestroy(DSPMutex *lock)
{
    if (lock != nullptr)
        lock->live.store(0, std::memory_order_release);
    return 0;
}

int DSPMutexGet(DSPMutex *lock)
{
    if (lock == nullptr || lock->live.load(std::memory_order_acquire) == 0)
        return -1;
    lock->mutex.lock();
    return 0;
}

int DSPMutexRelease(DSPMutex *lock)
{
    if (lock != nullptr)
        lock->mutex.unlock();
    return 0;
}

} // extern "C"
