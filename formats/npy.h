// NumPy ".npy": one little-endian float64 array, format version 1.0, read
// by numpy.load.  Samples are rows and channels columns (C order); a record
// of one channel may be written as a 1-D array.
#pragma once

#include <cstdio>
#include <string>

#include "formats/record.h"

namespace formats
{

enum class NpyShape
{
    Auto, // 1-D for one channel, samples x channels otherwise
    TwoD, // always samples x channels
};

// The header numpy reads first: magic, version 1.0, header length, and the
// dictionary padded with spaces and a line end to a multiple of 64 bytes.
std::string NpyHeader(std::size_t rows, std::size_t columns, bool oneDimensional);

Status WriteNpy(const std::string &path, const Record &record, NpyShape shape = NpyShape::Auto);
Status WriteNpy(std::FILE *file, const Record &record, NpyShape shape = NpyShape::Auto);

} // namespace formats
