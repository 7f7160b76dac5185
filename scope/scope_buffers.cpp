// The scope's per-slot record buffers.
//
// Normal capture: vBufferIn, vAverage, vAverageSave and spectrum of every
// slot hold pre_iSample positions before the trigger point and iSamples from
// it; each pointer sits pre_iSample doubles into its storage, so positions
// -pre_iSample .. iSamples - 1 are all inside.  Streaming to RAM keeps only
// the decimated record in vBufferIn (no pre-trigger positions).  BufferIn
// gets the same pre-trigger margin in front of its iScanCount words.
//
// The storage comes from calloc: zeroed pages that the system maps only
// when they are written, so a large record costs no time at allocation and
// no memory for the parts nobody fills.
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "scope/scope.h"

namespace
{

using DoubleStore = std::unique_ptr<double[], ScopeFreeDeleter>;
using ShortStore = std::unique_ptr<short[], ScopeFreeDeleter>;

ShortStore &rawStore = scopeState.rawStore;
DoubleStore (&inStore)[4] = scopeState.inStore;
DoubleStore (&averageStore)[4] = scopeState.averageStore;
DoubleStore (&averageSaveStore)[4] = scopeState.averageSaveStore;
DoubleStore (&spectrumStore)[4] = scopeState.spectrumStore;

// Geometry of what is allocated now: positions -allocPre .. allocLen - 1.
int &allocPre = scopeState.allocPre;
int &allocLen = scopeState.allocLen;
bool &allocated = scopeState.allocated;

double &bufferLimit = scopeState.bufferLimit; // bytes; 0 = no cap

template <typename T> std::unique_ptr<T[], ScopeFreeDeleter> Allocate(long long count)
{
    if (count <= 0)
        return std::unique_ptr<T[], ScopeFreeDeleter>();
    return std::unique_ptr<T[], ScopeFreeDeleter>(
        static_cast<T *>(std::calloc(static_cast<size_t>(count), sizeof(T))));
}

void ReportFailure(double bytes)
{
    char message[256];
    std::snprintf(message, sizeof message,
                  "Not enough memory for the record buffers (%.0f MB).\n"
                  "The acquisition is stopped: reduce the record length, the pre-samples or the number of "
                  "channels.",
                  bytes / 1048576.0);
    MessagePopup("Error", message);
}

} // namespace

void Scope_SetBufferLimit(double bytes)
{
    bufferLimit = bytes > 0.0 ? bytes : 0.0;
}

void Scope_ReleaseBuffers(void)
{
    BufferIn = nullptr;
    rawStore.reset();
    for (int k = 0; k < 4; ++k) {
        vBufferIn[k] = vAverage[k] = vAverageSave[k] = spectrum[k] = nullptr;
        inStore[k].reset();
        averageStore[k].reset();
        averageSaveStore[k].reset();
        spectrumStore[k].reset();
    }
    allocPre = allocLen = 0;
    allocated = false;
    for (int &bins : scopeState.spectrumBins)
        bins = 0; // new storage holds no spectrum yet
}

int Scope_AllocateBuffers(void)
{
    Scope_ReleaseBuffers();

    const int slots = numChanIn >= 1 && numChanIn <= 4 ? numChanIn : 1;
    const bool streaming = isStreamingRAMEnabled != 0;
    const int decimation = decimation_factor >= 1 ? decimation_factor : 1;
    const long long pre = streaming ? 0 : (pre_iSample > 0 ? pre_iSample : 0);
    const long long length = streaming ? iSamples / decimation : iSamples;
    const long long rawWords = (pre_iSample > 0 ? pre_iSample : 0) + static_cast<long long>(iScanCount);
    const int perSlot = streaming ? 1 : 4;

    const double bytes =
        static_cast<double>(rawWords) * sizeof(short) +
        static_cast<double>(slots) * perSlot * static_cast<double>(pre + length) * sizeof(double);
    bool ok = length > 0 && (bufferLimit <= 0.0 || bytes <= bufferLimit);

    if (ok) {
        rawStore = Allocate<short>(rawWords);
        ok = rawStore != nullptr || rawWords <= 0;
    }
    for (int k = 0; ok && k < slots; ++k) {
        inStore[k] = Allocate<double>(pre + length);
        ok = inStore[k] != nullptr;
        if (ok && !streaming) {
            averageStore[k] = Allocate<double>(pre + length);
            averageSaveStore[k] = Allocate<double>(pre + length);
            spectrumStore[k] = Allocate<double>(pre + length);
            ok = averageStore[k] && averageSaveStore[k] && spectrumStore[k];
        }
    }
    if (!ok) {
        Scope_ReleaseBuffers();
        ReportFailure(bytes);
        return -1;
    }

    if (rawStore)
        BufferIn = rawStore.get() + (pre_iSample > 0 ? pre_iSample : 0);
    for (int k = 0; k < slots; ++k) {
        vBufferIn[k] = inStore[k].get() + pre;
        if (!streaming) {
            vAverage[k] = averageStore[k].get() + pre;
            vAverageSave[k] = averageSaveStore[k].get() + pre;
            spectrum[k] = spectrumStore[k].get() + pre;
        }
        // Fresh accumulators: an average never mixes records of two starts.
        count_acq[k] = 0;
    }
    allocPre = static_cast<int>(pre);
    allocLen = static_cast<int>(length);
    allocated = true;
    return 0;
}

int Scope_BufferHolds(int start, int count)
{
    if (!allocated || count < 0)
        return 0;
    const long long first = start;
    const long long end = first + count;
    return first >= -static_cast<long long>(allocPre) && end <= allocLen ? 1 : 0;
}
