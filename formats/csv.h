// Comma-separated values: a header row "Time (s),CH1 (V),...", then one row
// per sample, the time first.  Numbers are written in the C locale whatever
// the process locale, as the shortest text that reads back as the same
// double, so float64 values survive the round trip exactly.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "formats/record.h"

namespace formats
{

// Writes the record as CSV into `path` (replacing it whole or not at all;
// see WriteReplacing).
Status WriteCsv(const std::string &path, const Record &record);
// The same text into an open stream.
Status WriteCsv(std::FILE *file, const Record &record);

// Reads CSV text: the first row names the columns (the first is the time,
// each other "name (unit)" or "name"), every further row holds as many
// numbers.  The times must rise evenly (within a thousandth of the
// interval); the record takes the first time and the mean interval.  At
// least two samples and at most kCsvMaxChannels channels.  On failure the
// record is left empty and `message` (when given) tells what and where;
// a record too large for the memory gives TooLarge.
Status ParseCsv(const char *data, std::size_t size, Record *record, std::string *message = nullptr);
// Reads a CSV file of at most kCsvMaxFileBytes (a regular file only).
Status ReadCsv(const std::string &path, Record *record, std::string *message = nullptr);

constexpr std::size_t kCsvMaxChannels = 256;
constexpr std::size_t kCsvMaxFileBytes = std::size_t(1) << 30;

} // namespace formats
