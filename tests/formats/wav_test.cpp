#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "formats/wav.h"
#include "formats_test_support.h"

#if KORVAX_HAVE_SNDFILE
#include <sndfile.h>
#endif

namespace
{

using formats::Record;
using formats::Status;

Record TwoTones()
{
    Record r;
    r.sampleInterval = 1.0 / 48000.0;
    r.channels = {{"CH1", "V", {}}, {"CH2", "V", {}}};
    for (int i = 0; i < 1000; ++i) {
        r.channels[0].values.push_back(2.0 * std::sin(i * 0.01));
        r.channels[1].values.push_back(-0.5 + 0.001 * i);
    }
    r.SetPreTrigger(100);
    return r;
}

#if KORVAX_HAVE_SNDFILE
struct WavContents
{
    SF_INFO info{};
    std::vector<double> frames; // interleaved, as libsndfile reads them
    std::vector<short> codes;   // the same, as 16-bit codes
    std::string comment;
};

bool ReadWav(const std::string &path, WavContents *out)
{
    SNDFILE *sf = sf_open(path.c_str(), SFM_READ, &out->info);
    if (!sf)
        return false;
    const std::size_t count = static_cast<std::size_t>(out->info.frames * out->info.channels);
    out->frames.resize(count);
    out->codes.resize(count);
    const bool ok = sf_readf_double(sf, out->frames.data(), out->info.frames) == out->info.frames &&
                    sf_seek(sf, 0, SEEK_SET) == 0 &&
                    sf_readf_short(sf, out->codes.data(), out->info.frames) == out->info.frames;
    const char *comment = sf_get_string(sf, SF_STR_COMMENT);
    out->comment = comment ? comment : "";
    sf_close(sf);
    return ok;
}
#endif

TEST(WavFile, Float32KeepsRateChannelsAndVoltsToFloatRounding)
{
    if (!formats::WavAvailable())
        GTEST_SKIP() << "built without libsndfile";
#if KORVAX_HAVE_SNDFILE
    ScratchFolder dir;
    const Record record = TwoTones();
    formats::WavOptions options;
    options.fullScaleVolts = 2.5;
    ASSERT_EQ(Status::Ok, formats::WriteWav(dir.File("r.wav"), record, options));

    WavContents wav;
    ASSERT_TRUE(ReadWav(dir.File("r.wav"), &wav));
    EXPECT_EQ(48000, wav.info.samplerate);
    EXPECT_EQ(2, wav.info.channels);
    EXPECT_EQ(1000, wav.info.frames);
    EXPECT_EQ(SF_FORMAT_WAV | SF_FORMAT_FLOAT, wav.info.format);
    EXPECT_NE(std::string::npos, wav.comment.find("volts = sample x 2.5 ")) << wav.comment;
    EXPECT_NE(std::string::npos, wav.comment.find("first sample at -0.0020833333333333333 s")) << wav.comment;
    for (std::size_t i = 0; i < 1000; ++i)
        for (std::size_t k = 0; k < 2; ++k) {
            const double v = record.channels[k].values[i];
            EXPECT_EQ(static_cast<float>(v / 2.5), static_cast<float>(wav.frames[2 * i + k])) << i;
            EXPECT_NEAR(v, wav.frames[2 * i + k] * 2.5, 2.5 * 6e-8) << i;
        }
#endif
}

TEST(WavFile, Pcm16CodesAreTheVoltsOverFullScaleAndThePeakIsNotClipped)
{
    if (!formats::WavAvailable())
        GTEST_SKIP() << "built without libsndfile";
#if KORVAX_HAVE_SNDFILE
    ScratchFolder dir;
    const Record record = TwoTones();
    formats::WavOptions options;
    options.sample = formats::WavSample::Pcm16;
    const double fullScale = formats::WavFullScale(record, options);
    double peak = 0;
    for (double v : record.channels[0].values)
        peak = std::fmax(peak, std::fabs(v));
    EXPECT_DOUBLE_EQ(peak * 32768.0 / 32767.0, fullScale);
    ASSERT_EQ(Status::Ok, formats::WriteWav(dir.File("r.wav"), record, options));

    WavContents wav;
    ASSERT_TRUE(ReadWav(dir.File("r.wav"), &wav));
    EXPECT_EQ(SF_FORMAT_WAV | SF_FORMAT_PCM_16, wav.info.format);
    EXPECT_EQ(2, wav.info.channels);
    int largest = 0;
    for (std::size_t i = 0; i < 1000; ++i)
        for (std::size_t k = 0; k < 2; ++k) {
            const double v = record.channels[k].values[i];
            EXPECT_EQ(std::lround(v / fullScale * 32768.0), wav.codes[2 * i + k]) << i;
            EXPECT_NEAR(v, wav.frames[2 * i + k] * fullScale, fullScale / 32768.0) << i;
            largest = std::max(largest, std::abs(static_cast<int>(wav.codes[2 * i + k])));
        }
    EXPECT_EQ(32767, largest);
#endif
}

TEST(WavFile, OutOfRangeValuesAreHeldAtFullScaleInPcm16)
{
    if (!formats::WavAvailable())
        GTEST_SKIP() << "built without libsndfile";
#if KORVAX_HAVE_SNDFILE
    ScratchFolder dir;
    Record record;
    record.sampleInterval = 1e-4;
    record.channels = {{"CH1", "V", {5.0, -5.0, 1.0, -1.0, std::nan("")}}};
    formats::WavOptions options;
    options.sample = formats::WavSample::Pcm16;
    options.fullScaleVolts = 1.0;
    ASSERT_EQ(Status::Ok, formats::WriteWav(dir.File("r.wav"), record, options));
    WavContents wav;
    ASSERT_TRUE(ReadWav(dir.File("r.wav"), &wav));
    EXPECT_EQ(10000, wav.info.samplerate);
    EXPECT_EQ((std::vector<short>{32767, -32768, 32767, -32768, 0}), wav.codes);
#endif
}

TEST(WavFile, RatesWavCannotHoldAndBadFullScalesAreRefused)
{
    if (!formats::WavAvailable())
        GTEST_SKIP() << "built without libsndfile";
    ScratchFolder dir;
    Record slow = TwoTones();
    slow.sampleInterval = 10.0; // 0.1 Hz
    EXPECT_EQ(0, formats::WavRate(slow));
    EXPECT_EQ(Status::BadArgument, formats::WriteWav(dir.File("r.wav"), slow));
    formats::WavOptions negative;
    negative.fullScaleVolts = -1.0;
    EXPECT_EQ(Status::BadArgument, formats::WriteWav(dir.File("r.wav"), TwoTones(), negative));
    EXPECT_TRUE(dir.Entries().empty());
}

} // namespace
