// The ".awg" arbitrary-waveform text format: one sample per line, the time in
// seconds and the value in volts, two numbers separated by white space (the
// scope writes "%.8f\t%f" and CR LF).  The output clock comes from the first
// two times.  Plain C++, no runtime: the reader can be fuzzed on its own.
//
// Reading rules:
// - lines end with LF, CR LF or CR; blank lines (white space only) are
//   skipped and are not samples; a UTF-8 byte-order mark at the start is
//   skipped;
// - every other line must hold exactly two finite numbers, any length;
// - times are read as single-precision values, values as double;
// - at least two samples, and the second time must lie after the first.
#pragma once

#include <cstddef>
#include <memory>

enum AwgStatus {
    kAwgOk = 0,
    kAwgOpenError = -1,      // the file cannot be opened or read
    kAwgNoMemory = -2,       // the samples do not fit in memory
    kAwgBadLine = -3,        // a line is not two finite numbers (line in badLine)
    kAwgTooFewSamples = -4,  // fewer than two samples
    kAwgEqualTimes = -5,     // the first two times are equal
    kAwgTimesDecrease = -6,  // the second time lies before the first
    kAwgTooManySamples = -7, // more than kAwgMaxSamples samples
    kAwgFileTooLarge = -8,   // more than kAwgMaxFileBytes bytes
};

// Largest number of samples a waveform file may hold.
inline constexpr int kAwgMaxSamples = 16777216;
// Largest file the reader loads into memory.
inline constexpr long long kAwgMaxFileBytes = 1LL << 30;

struct AwgWaveform {
    std::unique_ptr<double[]> values; // count values, volts
    int count = 0;
    float time0 = 0.0f;     // time of the first sample, seconds
    float time1 = 0.0f;     // time of the second sample
    double clockRate = 0.0; // 1 / (time1 - time0), Hz
    double peak = 0.0;      // largest |value|, volts
    int badLine = 0;        // line number (from 1) of a kAwgBadLine
};

// Parses size bytes of text (need not end with a NUL).  Returns kAwgOk and
// fills out, or a negative AwgStatus and leaves out's waveform empty.
int Awg_Parse(const char *text, std::size_t size, AwgWaveform *out);

// Reads and parses a file.  Same results as Awg_Parse, plus kAwgOpenError
// (also for anything but a regular file: a pipe, a device or a folder is
// refused before it is read, and its open never waits for a writer) and
// kAwgFileTooLarge (nothing past kAwgMaxFileBytes is read).
int Awg_LoadFile(const char *path, AwgWaveform *out);

// The message shown for a status (at most size bytes, NUL-terminated).
void Awg_Message(int status, const AwgWaveform &wave, char *message, std::size_t size);
