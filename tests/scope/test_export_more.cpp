// Saving a slot as a sigrok session or as 16-bit WAV, and the bench's own
// .asc and .dat read back by the record readers.
#include <string>

#include "formats/scope_records.h"
#include "formats/sigrok_session.h"
#include "formats/wav.h"
#include "support/bench_fixture.h"
#include "test_view_support.h"

using namespace viewtest;

namespace
{

class ExportMoreTest : public BenchTest
{
  protected:
    void SetUp() override
    {
        BenchTest::SetUp();
        iClockRate = 10000.0;
        MakeRecord(1, 1000, 50, false, [](int, int p) { return p / 600.0 - 0.1; });
        iChan[0].channel = 0;
        iRange[0] = 2.0;
        is_AverageON = 0;
        testseam::SetDateTime(2026, 3, 7, 14, 5, 9);
    }
    int Save(const std::string &answer)
    {
        testseam::QueueFileAnswer(answer);
        return SaveChannelonDisk(0, BufferIn, vBufferIn[0], iOffset);
    }
};

TEST_F(ExportMoreTest, SigrokSessionHoldsTheRecordAsFloat32)
{
    const std::string path = TempDir() + "/r.sr";
    if (!formats::SrAvailable()) {
        EXPECT_EQ(Save(path), -1);
        EXPECT_EQ(testseam::Shown().back(),
                  "Error message|Saving File impossible: this format is not available in this build");
        return;
    }
    ASSERT_EQ(Save(path), 0);
    formats::SrSession s;
    std::string message;
    ASSERT_EQ(formats::ReadSr(path, &s, &message), formats::Status::Ok) << message;
    ASSERT_EQ(s.analog.channels.size(), 1u);
    EXPECT_EQ(s.analog.channels[0].name, "CH1");
    EXPECT_DOUBLE_EQ(s.analog.sampleInterval, 1e-4);
    ASSERT_EQ(s.analog.Samples(), 1000u);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(s.analog.channels[0].values[i], static_cast<float>(vBufferIn[0][i - 50])) << i;
}

TEST_F(ExportMoreTest, TheSavePanelChoosesSixteenBitWav)
{
    if (!formats::WavAvailable())
        GTEST_SKIP() << "built without libsndfile";
    const std::string dir = TempDir();
    ASSERT_EQ(SetCtrlVal(panelSave, SAVING_WAV_SAMPLE, 1), 0);
    ASSERT_EQ(Save(dir + "/p.wav"), 0);
    ASSERT_EQ(SetCtrlVal(panelSave, SAVING_WAV_SAMPLE, 0), 0);
    ASSERT_EQ(Save(dir + "/f.wav"), 0);
    // 44-byte-ish header plus 2 or 4 bytes a sample.
    const std::size_t pcm = ReadFile(dir + "/p.wav").size(), flt = ReadFile(dir + "/f.wav").size();
    EXPECT_GT(flt - pcm, 1900u);
    formats::Record r;
    std::string message;
    ASSERT_EQ(formats::ReadWav(dir + "/p.wav", &r, &message), formats::Status::Ok) << message;
    ASSERT_EQ(r.Samples(), 1000u);
    EXPECT_DOUBLE_EQ(r.firstTime, -0.005);
    for (int i = 0; i < 1000; ++i)
        ASSERT_NEAR(r.channels[0].values[i], vBufferIn[0][i - 50], 2.0 / 32768.0) << i;
}

TEST_F(ExportMoreTest, BenchFormatsReadBackThroughTheRecordReaders)
{
    const std::string dir = TempDir();
    ASSERT_EQ(Save(dir + "/r.asc"), 0);
    ASSERT_EQ(Save(dir + "/r.dat"), 0);
    formats::Record asc, dat;
    formats::ScopeRecordInfo info;
    std::string message;
    ASSERT_EQ(formats::ReadAsc(dir + "/r.asc", &asc, &message, &info), formats::Status::Ok) << message;
    EXPECT_EQ(info.channelNumber, 1);
    EXPECT_EQ(info.preSamples, 50);
    ASSERT_EQ(formats::ReadDat(dir + "/r.dat", &dat, &message), formats::Status::Ok) << message;
    ASSERT_EQ(asc.Samples(), 1000u);
    ASSERT_EQ(dat.Samples(), 1000u);
    EXPECT_DOUBLE_EQ(asc.firstTime, -0.005);
    for (int i = 0; i < 1000; ++i) {
        ASSERT_NEAR(asc.channels[0].values[i], vBufferIn[0][i - 50], 5e-7) << i;
        ASSERT_NEAR(dat.channels[0].values[i], vBufferIn[0][i - 50], 2.0 / 32767.0) << i;
    }
}

} // namespace
