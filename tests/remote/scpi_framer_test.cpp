// Splitting a byte stream into messages: blocks may hold newlines, any
// piece boundaries give the same messages, and the size limits drop the
// rest of the refused line only.
#include "remote/scpi_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace scpi;

namespace
{

// Frames of a stream fed in pieces of the given size ("text" or "!code").
std::vector<std::string> FramesOf(const std::string &stream, std::size_t piece, FramerLimits limits = {})
{
    MessageFramer framer(limits);
    std::vector<std::string> out;
    for (std::size_t at = 0; at < stream.size(); at += piece) {
        framer.Append(stream.data() + at, std::min(piece, stream.size() - at));
        Frame f;
        while (framer.Next(f))
            out.push_back(f.error ? "!" + std::to_string(f.error) : f.text);
    }
    return out;
}

TEST(ScpiFramer, NewlinesEndMessagesExceptInsideBlocks)
{
    const std::string block("#15a\nb\nc", 8);
    const std::string stream = "*IDN?\r\nDATA " + block + ",1\nNAME '#19'\n'open\nFREQ?\n#H1F\npartial";
    const std::vector<std::string> expected = {"*IDN?\r", "DATA " + block + ",1", "NAME '#19'", "'open", "FREQ?",
                                               "#H1F"};
    for (std::size_t piece : {std::size_t(1), std::size_t(2), std::size_t(3), std::size_t(7), stream.size()})
        EXPECT_EQ(FramesOf(stream, piece), expected) << piece;
}

TEST(ScpiFramer, TheMessageWaitsForItsWholeBlock)
{
    MessageFramer framer;
    Frame f;
    framer.Append("DATA #", 6);
    EXPECT_FALSE(framer.Next(f));
    framer.Append("210\n", 4);
    EXPECT_FALSE(framer.Next(f));
    framer.Append("12345678\n\n", 10);
    ASSERT_TRUE(framer.Next(f));
    EXPECT_EQ(f.text, "DATA #210\n12345678\n");
    EXPECT_FALSE(framer.Next(f));
    EXPECT_EQ(framer.Buffered(), 0u);
}

TEST(ScpiFramer, OversizedMessagesAndBlocksAreRefusedOnceAndTheLineDropped)
{
    FramerLimits limits;
    limits.maxMessage = 16;
    limits.maxBlock = 4;
    const std::string stream = std::string(40, 'x') + "\nOK1\n" + "D #15abcde;MORE\nOK2\n" + "D #12ab,#13abc\nOK3\n" +
                               std::string(16, 'y') + "\n" + std::string(17, 'z') + "\nOK4\n";
    const std::vector<std::string> expected = {"!-363", "OK1",          "!-223", "OK2", "!-223",
                                               "OK3",   std::string(16, 'y'), "!-363", "OK4"};
    for (std::size_t piece : {std::size_t(1), std::size_t(5), stream.size()})
        EXPECT_EQ(FramesOf(stream, piece, limits), expected) << piece;
}

TEST(ScpiFramer, DroppedInputDoesNotGrowTheBuffer)
{
    FramerLimits limits;
    limits.maxMessage = 1024;
    MessageFramer framer(limits);
    Frame f;
    const std::string junk(10000, 'j');
    int refused = 0;
    for (int k = 0; k < 100; ++k) {
        framer.Append(junk.data(), junk.size());
        while (framer.Next(f))
            refused += f.error == kInputBufferOverrun;
        EXPECT_LE(framer.Buffered(), 1u);
    }
    EXPECT_EQ(refused, 1);
    framer.Append("\nOK\n", 4);
    ASSERT_TRUE(framer.Next(f));
    EXPECT_EQ(f.text, "OK");
}

TEST(ScpiFramer, ClearAndDiscardLine)
{
    MessageFramer framer;
    Frame f;
    framer.Append("FREQ 1", 6);
    framer.Clear();
    framer.Append("FREQ?\n", 6);
    ASSERT_TRUE(framer.Next(f));
    EXPECT_EQ(f.text, "FREQ?");
    framer.DiscardLine();
    framer.Append("rest of line\nNEXT\n", 18);
    ASSERT_TRUE(framer.Next(f));
    EXPECT_EQ(f.text, "NEXT");
}

} // namespace
