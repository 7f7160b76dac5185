// Reply encoding: definite-length blocks of little-endian samples, numbers
// and strings; and decoding a received block's bytes.
#include "remote/scpi_block.h"
#include "remote/scpi_parser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

using namespace scpi;

namespace
{

TEST(ScpiBlock, HeaderCountsTheDigitsOfTheLength)
{
    EXPECT_EQ(EncodeBlock(""), "#10");
    EXPECT_EQ(EncodeBlock("abc"), "#13abc");
    EXPECT_EQ(EncodeBlock(std::string(10, 'x')), "#210" + std::string(10, 'x'));
    EXPECT_EQ(EncodeBlock(std::string(12345, 'y')).substr(0, 7), "#512345");
}

TEST(ScpiBlock, SamplesAreLittleEndian)
{
    const std::int16_t words[3] = {0x0102, -1, -32768};
    EXPECT_EQ(EncodeInt16Block(words, 3), std::string("#16\x02\x01\xFF\xFF\x00\x80", 9));
    const float f[1] = {1.5f}; // 0x3FC00000
    EXPECT_EQ(EncodeFloat32Block(f, 1), std::string("#14\x00\x00\xC0\x3F", 7));
    const double d[2] = {1.5, -0.0};
    EXPECT_EQ(EncodeFloat32Block(d, 2), std::string("#18\x00\x00\xC0\x3F\x00\x00\x00\x80", 11));
}

TEST(ScpiBlock, EncodedBlocksParseBackToTheSameSamples)
{
    std::vector<float> f = {0.0f, -1.25f, 3.0e-20f, std::numeric_limits<float>::max(), 1.0f / 3.0f};
    const std::string message = "TRAC:DATA " + EncodeFloat32Block(f.data(), f.size()) + ",7";
    const ParseResult r = ParseMessage(message);
    ASSERT_EQ(r.error, kNoError);
    ASSERT_EQ(r.units[0].params.size(), 2u);
    std::vector<float> back;
    ASSERT_TRUE(DecodeFloat32(r.units[0].params[0].text, back));
    EXPECT_EQ(back, f);

    std::vector<std::int16_t> w = {0, 1, -1, 32767, -32768, 0x1234};
    std::vector<std::int16_t> wback;
    const std::string block = EncodeInt16Block(w.data(), w.size());
    ASSERT_TRUE(DecodeInt16(block.substr(4), wback)); // "#212" + bytes
    EXPECT_EQ(wback, w);

    std::vector<float> untouched = {9.0f};
    EXPECT_FALSE(DecodeFloat32("abc", untouched));
    EXPECT_EQ(untouched, std::vector<float>{9.0f});
    EXPECT_FALSE(DecodeInt16("abc", wback));
}

TEST(ScpiBlock, NumbersReadBackExactlyWhateverTheirSize)
{
    for (double v : {0.0, 1.0, -2.5, 0.1, 1e-300, 123456789.125, 6.02214076e23, 1.0 / 3.0}) {
        const std::string text = FormatNumber(v);
        const ParseResult r = ParseMessage("X " + text);
        ASSERT_EQ(r.error, kNoError) << text;
        EXPECT_EQ(r.units[0].params[0].number, v) << text;
    }
    EXPECT_EQ(FormatNumber(1000.0), "1000");
    EXPECT_EQ(FormatNumber(std::nan("")), "9.91E+37");
    EXPECT_EQ(FormatNumber(std::numeric_limits<double>::infinity()), "9.9E+37");
    EXPECT_EQ(FormatNumber(-std::numeric_limits<double>::infinity()), "-9.9E+37");
    const double list[3] = {1.0, -0.5, 2e-9};
    EXPECT_EQ(FormatAsciiList(list, 3), "1,-0.5,2e-09");
    EXPECT_EQ(FormatAsciiList(list, 0), "");
}

TEST(ScpiBlock, StringsAreQuotedWithInnerQuotesDoubled)
{
    EXPECT_EQ(QuoteString("a\"b"), "\"a\"\"b\"");
    const ParseResult r = ParseMessage("X " + QuoteString("say \"hi\"; now"));
    ASSERT_EQ(r.error, kNoError);
    EXPECT_EQ(r.units[0].params[0].text, "say \"hi\"; now");
}

} // namespace
