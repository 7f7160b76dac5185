// Readers of the scope's own record files, the text ".asc" and the binary
// ".dat", so that a saved record can be opened again (as a reference trace,
// for instance).  Both take any bytes: a file that is not such a record is
// refused with a message saying what is wrong and where, never a crash,
// and memory is reserved only for the samples the file can really hold.
//
// ".asc": optional "Acquisition on CH<n>", then "Date: ...", "Sampling
// rate: <r> Hz", "Input Range: <v>V", "Total Number of Samples: <n>",
// "Number of Pre-Samples: <p>", then n lines of one value in volts.
// ".dat": 48-byte little-endian header (six int32 date fields, float64
// rate, float64 range, int32 n, int32 pre-samples) then n int16 codes;
// volts = code / 32767 x range.
#pragma once

#include <cstddef>
#include <string>

#include "formats/record.h"

namespace formats
{

// What the header of either file says besides the samples.
struct ScopeRecordInfo
{
    int channelNumber = 0; // 1..4 from "Acquisition on CH<n>", 0 when absent
    double rate = 0.0;     // samples per second
    double range = 0.0;    // input range, volts
    long long preSamples = 0;
};

// Most samples a record file may hold (the longest stream the scope keeps).
constexpr std::size_t kScopeRecordMaxSamples = std::size_t(1) << 26;
constexpr std::size_t kScopeRecordMaxFileBytes = std::size_t(1) << 30;

// On success the record has one channel ("CH<n>" or "Record", unit "V"),
// the interval 1 / rate and the pre-trigger samples before time 0.  On
// failure the record is empty and `message` says why.
Status ParseAsc(const char *data, std::size_t size, Record *record, std::string *message = nullptr,
                ScopeRecordInfo *info = nullptr);
Status ReadAsc(const std::string &path, Record *record, std::string *message = nullptr,
               ScopeRecordInfo *info = nullptr);

Status ParseDat(const char *data, std::size_t size, Record *record, std::string *message = nullptr,
                ScopeRecordInfo *info = nullptr);
Status ReadDat(const std::string &path, Record *record, std::string *message = nullptr,
               ScopeRecordInfo *info = nullptr);

} // namespace formats
