// Block, number and string encoding for SCPI replies.
#include "remote/scpi_block.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace scpi
{

namespace
{

// A block header for length bytes, or empty when it has no header.
std::string BlockHeader(std::size_t length)
{
    if (length > kMaxBlockBytes)
        return {};
    const std::string digits = std::to_string(length);
    return "#" + std::to_string(digits.size()) + digits;
}

} // namespace

std::string EncodeBlock(std::string_view bytes)
{
    std::string out = BlockHeader(bytes.size());
    if (!out.empty())
        out.append(bytes.data(), bytes.size());
    return out;
}

std::string EncodeFloat32Block(const float *values, std::size_t count)
{
    if (count > kMaxBlockBytes / 4)
        return {};
    std::string out = BlockHeader(count * 4);
    const std::size_t at = out.size();
    out.resize(at + count * 4);
    for (std::size_t k = 0; k < count; ++k) {
        std::uint32_t bits;
        std::memcpy(&bits, &values[k], 4);
        for (int b = 0; b < 4; ++b)
            out[at + k * 4 + std::size_t(b)] = char((bits >> (8 * b)) & 0xFF);
    }
    return out;
}

std::string EncodeFloat32Block(const double *values, std::size_t count)
{
    if (count > kMaxBlockBytes / 4)
        return {};
    std::vector<float> f(count);
    for (std::size_t k = 0; k < count; ++k)
        f[k] = static_cast<float>(values[k]);
    return EncodeFloat32Block(f.data(), count);
}

std::string EncodeInt16Block(const std::int16_t *values, std::size_t count)
{
    if (count > kMaxBlockBytes / 2)
        return {};
    std::string out = BlockHeader(count * 2);
    const std::size_t at = out.size();
    out.resize(at + count * 2);
    for (std::size_t k = 0; k < count; ++k) {
        const std::uint16_t bits = static_cast<std::uint16_t>(values[k]);
        out[at + k * 2] = char(bits & 0xFF);
        out[at + k * 2 + 1] = char(bits >> 8);
    }
    return out;
}

bool DecodeFloat32(std::string_view bytes, std::vector<float> &out)
{
    if (bytes.size() % 4)
        return false;
    std::vector<float> v(bytes.size() / 4);
    for (std::size_t k = 0; k < v.size(); ++k) {
        std::uint32_t bits = 0;
        for (int b = 0; b < 4; ++b)
            bits |= std::uint32_t(static_cast<unsigned char>(bytes[k * 4 + std::size_t(b)])) << (8 * b);
        std::memcpy(&v[k], &bits, 4);
    }
    out.swap(v);
    return true;
}

bool DecodeInt16(std::string_view bytes, std::vector<std::int16_t> &out)
{
    if (bytes.size() % 2)
        return false;
    std::vector<std::int16_t> v(bytes.size() / 2);
    for (std::size_t k = 0; k < v.size(); ++k) {
        const std::uint16_t bits = std::uint16_t(static_cast<unsigned char>(bytes[k * 2]) |
                                                 (static_cast<unsigned char>(bytes[k * 2 + 1]) << 8));
        v[k] = static_cast<std::int16_t>(bits);
    }
    out.swap(v);
    return true;
}

std::string FormatNumber(double v)
{
    if (std::isnan(v))
        return "9.91E+37";
    if (std::isinf(v))
        return v > 0 ? "9.9E+37" : "-9.9E+37";
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string FormatAsciiList(const double *values, std::size_t count)
{
    std::string out;
    for (std::size_t k = 0; k < count; ++k) {
        if (k)
            out += ',';
        out += FormatNumber(values[k]);
    }
    return out;
}

std::string QuoteString(std::string_view s)
{
    std::string out = "\"";
    for (char c : s) {
        out += c;
        if (c == '"')
            out += '"';
    }
    out += '"';
    return out;
}

} // namespace scpi
