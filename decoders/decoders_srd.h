// Shared inside decoders/ by the libsigrokdecode implementation: the lock
// that serialises every call into the decoder runtime, its start, and the
// sink that collects the runtime's error messages.
#pragma once

#include <mutex>
#include <string>

namespace decoders
{
namespace detail
{

// Held around every call into libsigrokdecode.
std::mutex &RuntimeLock();
// Starts the runtime on first use (caller holds RuntimeLock()).  false, with
// the reason, when it cannot start or has been shut down.
bool EnsureStarted(std::string *why);

// Error messages the runtime logs while a decode runs (its own threads
// included) are collected here; Take() returns and clears them.
void BeginCollecting();
std::string TakeCollected();

} // namespace detail
} // namespace decoders
