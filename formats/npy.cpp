#include "formats/npy.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "formats/replace_file.h"

namespace formats
{

std::string NpyHeader(std::size_t rows, std::size_t columns, bool oneDimensional)
{
    std::string dict = "{'descr': '<f8', 'fortran_order': False, 'shape': (";
    dict += std::to_string(rows);
    if (oneDimensional)
        dict += ",";
    else
        dict += ", " + std::to_string(columns);
    dict += "), }";
    // magic (6) + version (2) + length (2) + dictionary + spaces + '\n'
    const std::size_t unpadded = 10 + dict.size() + 1;
    dict.append((64 - unpadded % 64) % 64, ' ');
    dict += '\n';
    std::string header("\x93NUMPY\x01\x00", 8);
    header += static_cast<char>(dict.size() & 0xFF);
    header += static_cast<char>(dict.size() >> 8);
    header += dict;
    return header;
}

Status WriteNpy(std::FILE *file, const Record &record, NpyShape shape)
{
    if (!file || !IsWritable(record))
        return Status::BadArgument;
    const std::size_t rows = record.Samples();
    const std::size_t columns = record.channels.size();
    const std::string header = NpyHeader(rows, columns, shape == NpyShape::Auto && columns == 1);
    if (header.size() > 65535 + 10)
        return Status::BadArgument;
    if (std::fwrite(header.data(), 1, header.size(), file) != header.size())
        return Status::WriteFailed;
    // Rows of little-endian doubles, a block at a time.
    constexpr std::size_t kBlockBytes = 1 << 16;
    std::vector<unsigned char> block(kBlockBytes + 8 * columns);
    std::size_t used = 0;
    for (std::size_t i = 0; i < rows; ++i) {
        for (std::size_t k = 0; k < columns; ++k) {
            unsigned char *p = block.data() + used;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
            std::memcpy(p, &record.channels[k].values[i], 8);
#else
            std::uint64_t bits;
            std::memcpy(&bits, &record.channels[k].values[i], sizeof bits);
            for (int b = 0; b < 8; ++b)
                p[b] = static_cast<unsigned char>(bits >> (8 * b));
#endif
            used += 8;
        }
        if (used >= kBlockBytes || i + 1 == rows) {
            if (std::fwrite(block.data(), 1, used, file) != used)
                return Status::WriteFailed;
            used = 0;
        }
    }
    return Status::Ok;
}

Status WriteNpy(const std::string &path, const Record &record, NpyShape shape)
{
    if (!IsWritable(record))
        return Status::BadArgument;
    return WriteReplacing(path, [&](std::FILE *file) { return WriteNpy(file, record, shape); });
}

} // namespace formats
