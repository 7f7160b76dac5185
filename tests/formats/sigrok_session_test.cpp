// sigrok sessions: analog channels and logic lines written through
// libsigrok's srzip module and read back; damaged and foreign files refused.
#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "formats/sigrok_session.h"
#include "formats_test_support.h"

namespace
{

using formats::Status;

formats::Record Analog(std::size_t n)
{
    formats::Record r;
    r.sampleInterval = 1.0 / 2.5e6;
    r.channels = {{"CH1", "V", {}}, {"CH3", "V", {}}};
    for (std::size_t i = 0; i < n; ++i) {
        r.channels[0].values.push_back(1.7 * std::sin(0.003 * static_cast<double>(i)) + 1.0 / 3.0);
        r.channels[1].values.push_back(i % 100 < 50 ? -0.1 : 2.25);
    }
    r.SetPreTrigger(10);
    return r;
}

TEST(SigrokSession, AnalogChannelsComeBackAsFloat32WithRateAndNames)
{
    if (!formats::SrAvailable())
        GTEST_SKIP() << "built without libsigrok";
    ScratchFolder folder;
    // Longer than one chunk of the module, so the chunks are put together in order.
    const formats::Record r = Analog(150000);
    ASSERT_EQ(formats::WriteSr(folder.File("a.sr"), r), Status::Ok);
    formats::SrSession s;
    std::string message;
    ASSERT_EQ(formats::ReadSr(folder.File("a.sr"), &s, &message), Status::Ok) << message;
    EXPECT_TRUE(s.logic.words.empty());
    ASSERT_EQ(s.analog.channels.size(), 2u);
    ASSERT_EQ(s.analog.Samples(), r.Samples());
    EXPECT_EQ(s.analog.channels[0].name, "CH1");
    EXPECT_EQ(s.analog.channels[1].name, "CH3");
    EXPECT_DOUBLE_EQ(s.analog.sampleInterval, r.sampleInterval);
    for (int k = 0; k < 2; ++k)
        for (std::size_t i = 0; i < r.Samples(); ++i)
            ASSERT_EQ(s.analog.channels[k].values[i], static_cast<float>(r.channels[k].values[i])) << i;
    // Only the named folder entries: the scratch copy is gone.
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"a.sr"});
}

TEST(SigrokSession, LogicLinesComeBackBitForBit)
{
    if (!formats::SrAvailable())
        GTEST_SKIP() << "built without libsigrok";
    ScratchFolder folder;
    formats::LogicRecord l;
    l.sampleInterval = 1e-7;
    for (int i = 0; i < 70000; ++i)
        l.words.push_back(static_cast<std::uint16_t>((i * 7) ^ (i >> 3)));
    l.names = {"SCL", "SDA"};
    ASSERT_EQ(formats::WriteSr(folder.File("l.sr"), l), Status::Ok);
    formats::SrSession s;
    std::string message;
    ASSERT_EQ(formats::ReadSr(folder.File("l.sr"), &s, &message), Status::Ok) << message;
    EXPECT_TRUE(s.analog.channels.empty());
    EXPECT_EQ(s.logic.lines, 16);
    EXPECT_EQ(s.logic.words, l.words);
    ASSERT_EQ(s.logic.names.size(), 16u);
    EXPECT_EQ(s.logic.names[0], "SCL");
    EXPECT_EQ(s.logic.names[2], "D2");
    EXPECT_DOUBLE_EQ(s.logic.sampleInterval, 1e-7);

    // Eight lines take one byte a sample; the upper bits are not kept.
    l.lines = 5;
    ASSERT_EQ(formats::WriteSr(folder.File("five.sr"), l), Status::Ok);
    ASSERT_EQ(formats::ReadSr(folder.File("five.sr"), &s, &message), Status::Ok) << message;
    EXPECT_EQ(s.logic.lines, 5);
    for (std::size_t i = 0; i < l.words.size(); ++i)
        ASSERT_EQ(s.logic.words[i], l.words[i] & 0x1F);
}

TEST(SigrokSession, RefusesWhatIsNotAWholeSessionAndKeepsTheOldFile)
{
    if (!formats::SrAvailable())
        GTEST_SKIP() << "built without libsigrok";
    ScratchFolder folder;
    ASSERT_EQ(formats::WriteSr(folder.File("a.sr"), Analog(3000)), Status::Ok);
    const std::string whole = ReadBytes(folder.File("a.sr"));
    std::string flipped = whole;
    flipped[flipped.size() / 3] ^= 0x55; // inside compressed data: a checksum fails
    const std::string cases[] = {
        whole.substr(0, whole.size() / 2),
        whole.substr(0, 30),
        flipped,
        std::string(1000, '\0'),
        "Time (s),CH1 (V)\r\n0,1\r\n",
        "",
    };
    for (const std::string &bytes : cases) {
        formats::SrSession s;
        s.logic.words.resize(3);
        std::string message;
        const Status status = formats::ParseSr(bytes.data(), bytes.size(), &s, &message);
        EXPECT_NE(status, Status::Ok);
        EXPECT_FALSE(message.empty());
        EXPECT_TRUE(s.analog.channels.empty());
        EXPECT_TRUE(s.logic.words.empty());
    }

    // A write that cannot happen leaves the existing file as it was.
    formats::Record empty;
    EXPECT_EQ(formats::WriteSr(folder.File("a.sr"), empty), Status::BadArgument);
    formats::LogicRecord none;
    EXPECT_EQ(formats::WriteSr(folder.File("a.sr"), none), Status::BadArgument);
    EXPECT_EQ(formats::WriteSr(folder.File("no/such/dir.sr"), Analog(10)), Status::OpenFailed);
    EXPECT_EQ(ReadBytes(folder.File("a.sr")), whole);
}

} // namespace
