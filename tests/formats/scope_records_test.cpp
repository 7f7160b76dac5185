// Reading the scope's own ".asc" and ".dat" records back, and refusing what
// is not one of them.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "formats/scope_records.h"
#include "formats_test_support.h"

namespace
{

const char kAsc[] = "Acquisition on CH3\r\n"
                    "Date: 8/12/2026 at 9:5:7\r\n"
                    "Sampling rate: 250000 Hz\r\n"
                    "Input Range: 2.00V\r\n"
                    "Total Number of Samples: 4\r\n"
                    "Number of Pre-Samples: 1\r\n"
                    "0.100000\r\n"
                    "-1.250000\r\n"
                    "0.000000\r\n"
                    "1.999969\r\n";

std::string Dat(int n, int pre, double rate, double range, const std::int16_t *codes, int codeCount)
{
    std::string b(48, '\0');
    const std::int32_t head[6] = {8, 12, 2026, 9, 5, 7};
    std::memcpy(&b[0], head, sizeof head);
    std::memcpy(&b[24], &rate, 8);
    std::memcpy(&b[32], &range, 8);
    std::memcpy(&b[40], &n, 4);
    std::memcpy(&b[44], &pre, 4);
    b.append(reinterpret_cast<const char *>(codes), 2 * static_cast<std::size_t>(codeCount));
    return b;
}

TEST(ScopeRecordRead, AscGivesValuesRateChannelAndPreTrigger)
{
    formats::Record r;
    formats::ScopeRecordInfo info;
    std::string message;
    ASSERT_EQ(formats::ParseAsc(kAsc, sizeof kAsc - 1, &r, &message, &info), formats::Status::Ok) << message;
    ASSERT_EQ(r.channels.size(), 1u);
    EXPECT_EQ(r.channels[0].name, "CH3");
    EXPECT_EQ(r.channels[0].unit, "V");
    EXPECT_EQ(r.channels[0].values, (std::vector<double>{0.1, -1.25, 0.0, 1.999969}));
    EXPECT_DOUBLE_EQ(r.sampleInterval, 4e-6);
    EXPECT_DOUBLE_EQ(r.firstTime, -4e-6);
    EXPECT_EQ(info.channelNumber, 3);
    EXPECT_EQ(info.range, 2.0);
    EXPECT_EQ(info.preSamples, 1);

    // Without the channel line (autosave) and with LF line ends.
    std::string lf = std::string(kAsc).substr(std::strlen("Acquisition on CH3\r\n"));
    for (std::size_t at; (at = lf.find('\r')) != std::string::npos;)
        lf.erase(at, 1);
    ASSERT_EQ(formats::ParseAsc(lf.data(), lf.size(), &r, &message, &info), formats::Status::Ok) << message;
    EXPECT_EQ(r.channels[0].name, "Record");
    EXPECT_EQ(r.Samples(), 4u);
}

TEST(ScopeRecordRead, AscRefusesTruncatedWrongOrForeignText)
{
    const std::string whole = kAsc;
    struct Case
    {
        std::string text;
        const char *why;
    } cases[] = {
        {whole.substr(0, whole.size() - 10), "ends after 3 of its 4"},
        {whole.substr(0, 46), "header ends early"},
        {whole + "7.5\r\n", "after the last"},
        {"Time (s),CH1 (V)\r\n0,1\r\n", "not a scope record"},
        {"", "empty"},
        {std::string("\x89PNG\r\n\x1a\n\0\0\0", 12), "not a scope record"},
    };
    for (const Case &c : cases) {
        formats::Record r;
        r.channels.resize(1);
        std::string message;
        EXPECT_EQ(formats::ParseAsc(c.text.data(), c.text.size(), &r, &message), formats::Status::ParseError)
            << c.why;
        EXPECT_NE(message.find(c.why), std::string::npos) << message;
        EXPECT_TRUE(r.channels.empty());
    }
    std::string bad = whole;
    bad.replace(bad.find("0.000000"), 8, "zero");
    formats::Record r;
    std::string message;
    EXPECT_EQ(formats::ParseAsc(bad.data(), bad.size(), &r, &message), formats::Status::ParseError);
    EXPECT_EQ(message, "line 9: a sample value is expected");
    // A count far beyond the text is refused before anything is reserved.
    std::string huge = whole;
    huge.replace(huge.find("Samples: 4"), 10, "Samples: 60000000");
    EXPECT_EQ(formats::ParseAsc(huge.data(), huge.size(), &r, &message), formats::Status::ParseError);
    huge.replace(huge.find("60000000"), 8, "999999999");
    EXPECT_EQ(formats::ParseAsc(huge.data(), huge.size(), &r, &message), formats::Status::TooLarge);
    std::string zeroRate = whole;
    zeroRate.replace(zeroRate.find("250000 Hz"), 9, "0 Hz");
    EXPECT_EQ(formats::ParseAsc(zeroRate.data(), zeroRate.size(), &r, &message), formats::Status::ParseError);
}

TEST(ScopeRecordRead, DatScalesCodesByTheRange)
{
    const std::int16_t codes[] = {0, 32767, -32768, 16384, -1};
    const std::string bytes = Dat(5, 2, 1e6, 0.5, codes, 5);
    formats::Record r;
    formats::ScopeRecordInfo info;
    std::string message;
    ASSERT_EQ(formats::ParseDat(bytes.data(), bytes.size(), &r, &message, &info), formats::Status::Ok) << message;
    ASSERT_EQ(r.Samples(), 5u);
    EXPECT_EQ(r.channels[0].values[0], 0.0);
    EXPECT_EQ(r.channels[0].values[1], 0.5);
    EXPECT_DOUBLE_EQ(r.channels[0].values[2], -32768 * 0.5 / 32767);
    EXPECT_DOUBLE_EQ(r.channels[0].values[3], 16384 * 0.5 / 32767);
    EXPECT_DOUBLE_EQ(r.sampleInterval, 1e-6);
    EXPECT_DOUBLE_EQ(r.firstTime, -2e-6);
    EXPECT_EQ(info.range, 0.5);
}

TEST(ScopeRecordRead, DatRefusesSizesHeadersAndNumbersThatDoNotFit)
{
    const std::int16_t codes[] = {1, 2, 3, 4};
    const std::string good = Dat(4, 0, 1e6, 2.0, codes, 4);
    const std::string cases[] = {
        good.substr(0, good.size() - 1),            // truncated
        good + "x",                                 // trailing byte
        good.substr(0, 40),                         // no whole header
        Dat(-4, 0, 1e6, 2.0, codes, 4),             // negative count
        Dat(0x7fffffff, 0, 1e6, 2.0, codes, 4),     // count beyond the file
        Dat(4, 0, -1.0, 2.0, codes, 4),             // rate
        Dat(4, 0, 1e6, std::nan(""), codes, 4),     // range
        Dat(4, -3, 1e6, 2.0, codes, 4),             // pre-samples
        std::string(56, '\xff'),                    // not a date
    };
    for (const std::string &bytes : cases) {
        formats::Record r;
        std::string message;
        const formats::Status s = formats::ParseDat(bytes.data(), bytes.size(), &r, &message);
        EXPECT_TRUE(s == formats::Status::ParseError || s == formats::Status::TooLarge);
        EXPECT_FALSE(message.empty());
        EXPECT_TRUE(r.channels.empty());
    }
}

TEST(ScopeRecordRead, FilesGoThroughTheSafeReader)
{
    ScratchFolder folder;
    WriteBytes(folder.File("a.asc"), kAsc);
    formats::Record r;
    std::string message;
    EXPECT_EQ(formats::ReadAsc(folder.File("a.asc"), &r, &message), formats::Status::Ok) << message;
    EXPECT_EQ(formats::ReadDat(folder.File("missing.dat"), &r, &message), formats::Status::ReadFailed);
    EXPECT_FALSE(message.empty());
    EXPECT_EQ(formats::ReadAsc(folder.Path(), &r, &message), formats::Status::NotRegularFile);
}

} // namespace
