// sigrok session files (".sr", the zip PulseView and sigrok-cli open):
// analog channels of a record, or the logic lines of a capture.  Written
// through libsigrok's own "srzip" output module, so the files are what the
// sigrok tools expect; read back by this code from the zip (libzip), with
// every size checked before anything is reserved.  Builds without libsigrok
// have the calls, which return Status::Unsupported.
//
// No sigrok type appears here: the library stays inside the .cpp.
#pragma once

#include <cstddef>
#include <string>

#include "formats/record.h"

namespace formats
{

// True when this build reads and writes .sr files.
bool SrAvailable();

// The sampling rate a session stores: whole hertz (1 / interval rounded),
// 0 when that is below 1 Hz.  The first time is not kept (a session starts
// at its first sample).
unsigned long long SrRate(double sampleInterval);

// Analog channels as float32 volts (names and units as in the record).
Status WriteSr(const std::string &path, const Record &record);
// The logic lines 0 .. record.lines - 1, one bit a line.
Status WriteSr(const std::string &path, const LogicRecord &record);

// What a session file holds: analog channels (as a record; unit "V" when
// the file does not say), logic lines (words, bit k = k-th logic channel of
// the file), or both.
struct SrSession
{
    Record analog;     // no channels when the file has none
    LogicRecord logic; // no words when the file has no logic data
};

// Reads a session from the bytes of the file.  On failure the session is
// empty and `message` says why.
Status ParseSr(const char *data, std::size_t size, SrSession *session, std::string *message = nullptr);
Status ReadSr(const std::string &path, SrSession *session, std::string *message = nullptr);

constexpr std::size_t kSrMaxFileBytes = std::size_t(1) << 30;
constexpr std::size_t kSrMaxSamples = std::size_t(1) << 26;   // per channel
constexpr std::size_t kSrMaxDataBytes = std::size_t(1) << 29; // unpacked, all chunks together
constexpr std::size_t kSrMaxEntries = 65536;                  // files inside the zip

} // namespace formats
