// Saving a slot as CSV, WAV or NumPy: chosen by the name's ending, the
// record's samples from before the trigger with negative times, failures
// reported with their reason.
#include <cstring>
#include <string>

#include <sys/stat.h>

#include "formats/csv.h"
#include "formats/wav.h"
#include "support/bench_fixture.h"
#include "test_view_support.h"

#if KORVAX_HAVE_SNDFILE
#include <sndfile.h>
#endif

using namespace viewtest;

namespace
{

class ExportTest : public BenchTest
{
  protected:
    void SetUp() override
    {
        BenchTest::SetUp();
        iClockRate = 10000.0;
        MakeRecord(1, 1000, 50, false, [](int, int p) { return p / 3.0 - 0.1; });
        iChan[0].channel = 0;
        iRange[0] = 2.0;
        is_AverageON = 0;
        testseam::SetDateTime(2026, 3, 7, 14, 5, 9);
    }
    int Save(const std::string &answer, int slot = 0)
    {
        testseam::QueueFileAnswer(answer);
        return SaveChannelonDisk(slot, BufferIn, vBufferIn[slot], iOffset);
    }
    std::string LastShown()
    {
        return testseam::Shown().empty() ? std::string() : testseam::Shown().back();
    }
};

TEST_F(ExportTest, CsvHoldsTheRecordFromBeforeTheTriggerExactly)
{
    const std::string path = TempDir() + "/r.csv";
    ASSERT_EQ(Save(path), 0);
    formats::Record r;
    std::string message;
    ASSERT_EQ(formats::ReadCsv(path, &r, &message), formats::Status::Ok) << message;
    ASSERT_EQ(r.channels.size(), 1u);
    EXPECT_EQ(r.channels[0].name, "CH1");
    EXPECT_EQ(r.channels[0].unit, "V");
    ASSERT_EQ(r.Samples(), 1000u);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(r.channels[0].values[i], vBufferIn[0][i - 50]) << i;
    EXPECT_EQ(r.firstTime, -0.005);
    EXPECT_NEAR(r.sampleInterval, 1e-4, 1e-16);
    const std::string text = ReadFile(path);
    EXPECT_EQ(text.rfind("Time (s),CH1 (V)\r\n-0.005,", 0), 0u);
    EXPECT_NE(text.find("\r\n0,-0.1\r\n"), std::string::npos);
}

TEST_F(ExportTest, NpyIsTheRecordAsAFloat64Array)
{
    const std::string path = TempDir() + "/r.NPY";
    ASSERT_EQ(Save(path), 0);
    const std::string bytes = ReadFile(path);
    ASSERT_EQ(bytes.size(), 128u + 8000u);
    EXPECT_EQ(bytes.rfind(std::string("\x93NUMPY\x01\x00", 8), 0), 0u);
    EXPECT_NE(bytes.find("'shape': (1000,), }"), std::string::npos);
    double v[1000];
    std::memcpy(v, bytes.data() + 128, sizeof v);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(v[i], vBufferIn[0][i - 50]) << i;
}

TEST_F(ExportTest, WavRunsAtTheRecordRateWithTheInputRangeAsFullScale)
{
    const std::string path = TempDir() + "/r.wav";
    if (!formats::WavAvailable()) {
        EXPECT_EQ(Save(path), -1);
        EXPECT_EQ(LastShown(), "Error message|Saving File impossible: this format is not available in this build");
        return;
    }
#if KORVAX_HAVE_SNDFILE
    ASSERT_EQ(Save(path), 0);
    SF_INFO info{};
    SNDFILE *sf = sf_open(path.c_str(), SFM_READ, &info);
    ASSERT_NE(sf, nullptr);
    EXPECT_EQ(info.samplerate, 10000);
    EXPECT_EQ(info.channels, 1);
    ASSERT_EQ(info.frames, 1000);
    std::vector<float> samples(1000);
    EXPECT_EQ(sf_readf_float(sf, samples.data(), 1000), 1000);
    const char *comment = sf_get_string(sf, SF_STR_COMMENT);
    ASSERT_NE(comment, nullptr);
    EXPECT_EQ(std::string(comment).rfind("volts = sample x 2 (full scale 2 V)", 0), 0u) << comment;
    sf_close(sf);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(samples[i], static_cast<float>(vBufferIn[0][i - 50] / 2.0)) << i;
#endif
}

TEST_F(ExportTest, OtherEndingsAndStreamsKeepTheBenchFormats)
{
    const std::string dir = TempDir();
    ASSERT_EQ(Save(dir + "/r.csv.bak"), 0);
    EXPECT_EQ(ReadFile(dir + "/r.csv.bak").size(), 48u + 2000u);

    MakeRamp(1, 1000, 0, true);
    ASSERT_EQ(Save(dir + "/s.csv"), 0);
    EXPECT_EQ(ReadFile(dir + "/s.csv").size(), 48u + 2000u);
}

TEST_F(ExportTest, AFifoIsRefusedWithItsReason)
{
    const std::string path = TempDir() + "/p.csv";
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    EXPECT_EQ(Save(path), -1);
    EXPECT_EQ(LastShown(), "Error message|Saving File impossible: the target is not a regular file");
}

} // namespace
