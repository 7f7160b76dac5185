// Response data for SCPI replies: IEEE 488.2 definite-length blocks of
// little-endian samples, ASCII numbers and lists, quoted strings; and the
// decoding of a received block's bytes.  Independent of the host's byte
// order and locale.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace scpi
{

// The largest block a definite-length header can announce (nine digits).
inline constexpr std::size_t kMaxBlockBytes = 999999999;

// "#<n><length><bytes>": n is the count of digits in length.  An empty
// block is "#10".  Empty string (no block) for more than kMaxBlockBytes.
std::string EncodeBlock(std::string_view bytes);
// Blocks of samples: float32 or int16, little-endian.
std::string EncodeFloat32Block(const float *values, std::size_t count);
std::string EncodeFloat32Block(const double *values, std::size_t count);
std::string EncodeInt16Block(const std::int16_t *values, std::size_t count);

// A received block's bytes as samples; false (out untouched) when the
// length is no whole number of samples.
bool DecodeFloat32(std::string_view bytes, std::vector<float> &out);
bool DecodeInt16(std::string_view bytes, std::vector<std::int16_t> &out);

// A number as the shortest text that reads back to the same double.  SCPI's
// values stand for what has none: 9.91E+37 for NaN, +-9.9E+37 for infinity.
std::string FormatNumber(double v);
// Numbers separated by commas.
std::string FormatAsciiList(const double *values, std::size_t count);
// A string in double quotes, inner double quotes doubled.
std::string QuoteString(std::string_view s);

} // namespace scpi
