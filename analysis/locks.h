// Locks of the signal-processing library, created lazily and race-free.
//
// A lock is usable once DSPMutexCreate has set its created-flag; creation
// is serialised by one process-wide creation guard, so any number of
// threads may race to create the same lock and exactly one initialises it.
#ifndef KORVAX_ANALYSIS_LOCKS_H
#define KORVAX_ANALYSIS_LOCKS_H

#include "analysis/errors.h"

#ifdef __cplusplus
#include <atomic>
#include <mutex>

// The mutex itself is constant-initialised, so a lock with static storage
// exists before any code runs; `live` says whether it has been created and
// not yet destroyed.
struct DSPMutex {
    std::mutex mutex;
    std::atomic<int> live{0};
};
#else
typedef struct DSPMutex DSPMutex;
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Initialises `lock` unless *createdFlag is already set, then sets the flag.
// Returns 0, or -1 (flag cleared) when the creation guard cannot be made.
ANALYSIS_NODISCARD int DSPMutexCreate(DSPMutex *lock, int *createdFlag);
// Marks the lock destroyed; later DSPMutexGet calls on it fail with -1.
int DSPMutexDestroy(DSPMutex *lock);
// Enters the lock: 0, or -1 when the lock was never created or is destroyed.
ANALYSIS_NODISCARD int DSPMutexGet(DSPMutex *lock);
// Leaves a lock entered by DSPMutexGet: 0.
int DSPMutexRelease(DSPMutex *lock);

#ifdef __cplusplus
}

namespace analysis_testing
{
// While set, the creation guard reports that it cannot be made, so tests can
// drive the failure path of lazy lock creation.
void SetLockGuardFailure(bool fail);
} // namespace analysis_testing
#endif

#endif
