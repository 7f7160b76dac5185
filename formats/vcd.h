// Value change dump of the logic lines, for waveform viewers (GTKWave,
// PulseView): one single-bit wire per line with its own identifier, the
// states at time 0, then only the changes, each under its time.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "formats/record.h"

namespace formats
{

// The time unit the file counts in: the coarsest of 1/10/100 s, ms, us,
// ns, ps, fs in which the sampling interval is a whole number of units (to a
// part in 10^9; else 1 fs, the interval rounded to it).
struct VcdTimescale
{
    int multiplier = 1;      // 1, 10 or 100
    const char *unit = "s";  // "s", "ms", "us", "ns", "ps", "fs"
    double seconds = 1.0;    // multiplier x unit
    std::uint64_t ticks = 1; // units per sample
};
VcdTimescale ChooseVcdTimescale(double sampleInterval);

// The 16 lines of a capture of two 8-bit ports, two bytes a sample: byte
// 2i is port 0 (lines 0..7), byte 2i + 1 port 1 (lines 8..15).
LogicRecord LogicFromPorts(const std::uint8_t *raw, std::size_t samples, double sampleInterval);

// Time 0 is the first sample (VCD has no negative times); the time of the
// first sample relative to the trigger is stated in a comment.
Status WriteVcd(const std::string &path, const LogicRecord &record);
Status WriteVcd(std::FILE *file, const LogicRecord &record);

} // namespace formats
