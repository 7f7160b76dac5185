// WAV through libsndfile: one channel per record channel at the record's
// sampling rate, as float32 or 16-bit PCM.  WAV holds samples within
// [-1, 1], so every value is divided by a full-scale voltage first; the
// file's comment states it ("volts = sample x F"), so any reader can scale
// back.  Builds without libsndfile have the calls, which return
// Status::Unsupported.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "formats/record.h"

namespace formats
{

enum class WavSample
{
    Float32,
    Pcm16,
};

struct WavOptions
{
    WavSample sample = WavSample::Float32;
    // Volts that map to sample 1.0.  0 picks it from the record: its largest
    // magnitude (for 16-bit PCM a hair above, so the peak is not clipped),
    // or 1 V for a record that is all zeros.
    double fullScaleVolts = 0.0;
};

// True when this build writes WAV.
bool WavAvailable();

// The full scale a write with these options uses (> 0), or 0 for
// unusable options.
double WavFullScale(const Record &record, const WavOptions &options);

// The comment the file carries.
std::string WavComment(const Record &record, double fullScaleVolts);

// The sampling rate written: 1 / interval rounded to whole hertz, which WAV
// requires; 0 when that is outside 1 Hz .. 2^31 - 1 Hz.
int WavRate(const Record &record);

Status WriteWav(const std::string &path, const Record &record, const WavOptions &options = WavOptions());
Status WriteWav(std::FILE *file, const Record &record, const WavOptions &options = WavOptions());

// Reads a WAV file (RIFF, plain or WAVE_FORMAT_EXTENSIBLE; PCM 8/16/24/32-bit,
// float32 or float64 samples).  When the file's comment states "volts =
// sample x F" (as the writer puts it), samples are scaled back to volts and
// the first time, interval and channel names are taken from it; otherwise
// the samples stay in full-scale units (unit "FS") and the first sample is
// at time 0.  Any bytes are taken: a file that is not such a WAV is refused
// with a message, and no more than kWavMaxValues samples are kept.
Status ParseWav(const char *data, std::size_t size, Record *record, std::string *message = nullptr);
Status ReadWav(const std::string &path, Record *record, std::string *message = nullptr);

constexpr std::size_t kWavMaxValues = std::size_t(1) << 27;
constexpr std::size_t kWavMaxFileBytes = std::size_t(1) << 30;

} // namespace formats
