// A sampled record as the file formats see it: channels of volts (or any
// unit) sharing one sampling interval, and the time of the first sample, so
// that samples taken before the trigger get negative times.  Plain data, no
// bench state: the instruments fill one from their buffers.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace formats
{

struct Channel
{
    std::string name;           // "CH1"
    std::string unit;           // "V"
    std::vector<double> values; // one per sample
};

struct Record
{
    double sampleInterval = 0.0; // seconds between samples, > 0
    double firstTime = 0.0;      // seconds; the trigger is at 0
    std::vector<Channel> channels;

    // Samples per channel (that of the first channel; 0 with none).
    std::size_t Samples() const { return channels.empty() ? 0 : channels.front().values.size(); }
    // Time of sample i.  When the first time is a whole number of intervals
    // k (k x interval == firstTime, as SetPreTrigger makes it), the time is that number of intervals
    // times the interval, so the trigger sample gets exactly 0 and a
    // pre-trigger sample -3e-06 rather than -2.9999999999999997e-06.
    double TimeOf(std::size_t i) const
    {
        if (i == 0)
            return firstTime;
        const double first = std::round(firstTime / sampleInterval);
        if (first * sampleInterval == firstTime && std::fabs(first) < 4e15 && static_cast<double>(i) < 4e15)
            return (static_cast<double>(i) + first) * sampleInterval;
        return firstTime + static_cast<double>(i) * sampleInterval;
    }
    // Places the trigger preSamples samples after the first one.
    void SetPreTrigger(std::size_t preSamples) { firstTime = -(static_cast<double>(preSamples) * sampleInterval); }
};

// 16 logic lines, one 16-bit word a sample: bit k is line k.
struct LogicRecord
{
    double sampleInterval = 0.0;
    double firstTime = 0.0;
    int lines = 16;                 // lines 0..lines-1 are saved (1..16)
    std::vector<std::string> names; // per line; empty or missing: "D0".."D15"
    std::vector<std::uint16_t> words;
};

enum class Status : int
{
    Ok = 0,
    BadArgument = -1,    // record or options unusable (no channels, lengths differ, interval not > 0 ...)
    NotRegularFile = -2, // the target exists and is a FIFO, a device, a folder ...
    OpenFailed = -3,     // the file (or its temporary) cannot be created or opened
    WriteFailed = -4,    // a write, the flush, the close or the rename failed
    ReadFailed = -5,     // the file cannot be read
    ParseError = -6,     // the contents are not a record of this format
    TooLarge = -7,       // more than the reader accepts
    Unsupported = -8,    // this build has no support for the format
};

// A short English text for a status ("the file is not a regular file").
const char *StatusText(Status status);

// A valid record: interval finite and > 0, first time finite, at least one
// channel, every channel the same, non-zero length.
bool IsWritable(const Record &record);

} // namespace formats
