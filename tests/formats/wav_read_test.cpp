// WAV files read back into a record: volts, times and names from the
// writer's comment; foreign and broken files refused.
#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "formats/wav.h"
#include "formats_test_support.h"

namespace
{

using formats::Record;
using formats::Status;

Record Ramp()
{
    Record r;
    r.sampleInterval = 1.0 / 44100.0;
    r.channels = {{"CH1", "V", {}}, {"Probe x10", "V", {}}};
    for (int i = 0; i < 3000; ++i) {
        r.channels[0].values.push_back(1.5 * std::sin(i * 0.02));
        r.channels[1].values.push_back(-0.25 + 1e-4 * i);
    }
    r.SetPreTrigger(300);
    return r;
}

TEST(WavRead, WrittenFilesComeBackInVoltsWithTheirTimes)
{
    if (!formats::WavAvailable())
        GTEST_SKIP() << "built without libsndfile";
    ScratchFolder folder;
    const Record r = Ramp();
    formats::WavOptions pcm;
    pcm.sample = formats::WavSample::Pcm16;
    pcm.fullScaleVolts = 2.0;
    ASSERT_EQ(formats::WriteWav(folder.File("f.wav"), r), Status::Ok);
    ASSERT_EQ(formats::WriteWav(folder.File("p.wav"), r, pcm), Status::Ok);
    for (const char *name : {"f.wav", "p.wav"}) {
        Record back;
        std::string message;
        ASSERT_EQ(formats::ReadWav(folder.File(name), &back, &message), Status::Ok) << message;
        ASSERT_EQ(back.channels.size(), 2u);
        ASSERT_EQ(back.Samples(), r.Samples());
        EXPECT_EQ(back.channels[0].name, "CH1");
        EXPECT_EQ(back.channels[0].unit, "V");
        EXPECT_EQ(back.channels[1].name, "Probe x10");
        EXPECT_EQ(back.sampleInterval, r.sampleInterval);
        EXPECT_EQ(back.firstTime, r.firstTime);
        const double step = std::string(name) == "f.wav" ? 1.5 * std::ldexp(1.0, -24) : 2.0 / 32768.0;
        for (int k = 0; k < 2; ++k)
            for (std::size_t i = 0; i < r.Samples(); ++i)
                ASSERT_NEAR(back.channels[k].values[i], r.channels[k].values[i], step) << name << " " << i;
    }
}

TEST(WavRead, RefusesForeignTruncatedAndOversizedFiles)
{
    if (!formats::WavAvailable())
        GTEST_SKIP() << "built without libsndfile";
    ScratchFolder folder;
    ASSERT_EQ(formats::WriteWav(folder.File("f.wav"), Ramp()), Status::Ok);
    const std::string whole = ReadBytes(folder.File("f.wav"));
    Record back;
    std::string message;

    // Cut in the middle of the samples: libsndfile reports fewer frames or
    // the read runs short; either way the file is refused or shorter.
    const std::string cut = whole.substr(0, whole.size() / 2);
    const Status s = formats::ParseWav(cut.data(), cut.size(), &back, &message);
    if (s == Status::Ok) {
        EXPECT_LT(back.Samples(), 3000u);
    } else {
        EXPECT_FALSE(message.empty());
    }

    for (const std::string &bytes : {std::string("RIFF"), std::string(200, '\0'), whole.substr(0, 40),
                                     std::string("Time (s),CH1 (V)\r\n0,1\r\n1,2\r\n")}) {
        back.channels.resize(3);
        EXPECT_EQ(formats::ParseWav(bytes.data(), bytes.size(), &back, &message), Status::ParseError);
        EXPECT_FALSE(message.empty());
        EXPECT_TRUE(back.channels.empty());
    }

    // A header that claims many more frames than the file holds.
    std::string lying = whole;
    const std::size_t data = lying.find("data");
    ASSERT_NE(data, std::string::npos);
    lying[data + 7] = '\x7f';
    const Status l = formats::ParseWav(lying.data(), lying.size(), &back, &message);
    if (l == Status::Ok) {
        EXPECT_LE(back.Samples(), 3000u);
    }

    // A file that is not there.
    EXPECT_EQ(formats::ReadWav(folder.File("none.wav"), &back, &message), Status::ReadFailed);
}

} // namespace
