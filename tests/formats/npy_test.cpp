#include <cstdint>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "formats/npy.h"
#include "formats_test_support.h"

namespace
{

using formats::Record;
using formats::Status;

// The values of a file's array, its header checked first.
std::vector<double> DataAfter(const std::string &bytes, std::size_t headerSize)
{
    std::vector<double> values((bytes.size() - headerSize) / 8);
    for (std::size_t i = 0; i < values.size(); ++i) {
        std::uint64_t bits = 0;
        for (int b = 0; b < 8; ++b)
            bits |= std::uint64_t(static_cast<unsigned char>(bytes[headerSize + 8 * i + b])) << (8 * b);
        std::memcpy(&values[i], &bits, 8);
    }
    return values;
}

TEST(NpyFile, TwoChannelsAreAFloat64ArrayOfSamplesByChannels)
{
    ScratchFolder dir;
    const Record record = AwkwardRecord();
    ASSERT_EQ(Status::Ok, formats::WriteNpy(dir.File("r.npy"), record));
    const std::string bytes = ReadBytes(dir.File("r.npy"));

    std::string dict = "{'descr': '<f8', 'fortran_order': False, 'shape': (8, 2), }";
    dict += std::string(128 - 10 - dict.size() - 1, ' ') + "\n";
    const std::string header = std::string("\x93NUMPY\x01\x00", 8) + char(dict.size()) + '\0' + dict;
    ASSERT_EQ(128u, header.size());
    EXPECT_EQ(header, bytes.substr(0, 128));
    ASSERT_EQ(128u + 8 * 16, bytes.size());

    const std::vector<double> values = DataAfter(bytes, 128);
    for (std::size_t i = 0; i < 8; ++i)
        for (std::size_t k = 0; k < 2; ++k)
            EXPECT_EQ(0, std::memcmp(&record.channels[k].values[i], &values[2 * i + k], 8)) << i << "," << k;
}

TEST(NpyFile, OneChannelIsOneDimensionalUnlessAskedOtherwise)
{
    ScratchFolder dir;
    Record record;
    record.sampleInterval = 1e-3;
    record.channels = {{"CH1", "V", {1.5, -2.25, 1e-300}}};
    ASSERT_EQ(Status::Ok, formats::WriteNpy(dir.File("a.npy"), record));
    ASSERT_EQ(Status::Ok, formats::WriteNpy(dir.File("b.npy"), record, formats::NpyShape::TwoD));

    const std::string a = ReadBytes(dir.File("a.npy"));
    EXPECT_NE(std::string::npos, a.find("'shape': (3,), }"));
    const std::string b = ReadBytes(dir.File("b.npy"));
    EXPECT_NE(std::string::npos, b.find("'shape': (3, 1), }"));
    for (const std::string &bytes : {a, b}) {
        ASSERT_EQ(128u + 24, bytes.size());
        EXPECT_EQ('\n', bytes[127]);
        EXPECT_EQ(record.channels[0].values, DataAfter(bytes, 128));
    }
}

TEST(NpyFile, HeaderLengthIsAlwaysAMultipleOf64)
{
    for (std::size_t rows : {1u, 9u, 99999u, 4000000000u})
        for (std::size_t columns : {1u, 2u, 16u})
            for (bool oneD : {true, false}) {
                const std::string h = formats::NpyHeader(rows, columns, oneD);
                EXPECT_EQ(0u, h.size() % 64) << h;
                EXPECT_EQ(h.size() - 10, std::size_t(static_cast<unsigned char>(h[8])) + 256u * static_cast<unsigned char>(h[9]));
                EXPECT_EQ('\n', h.back());
            }
}

} // namespace
