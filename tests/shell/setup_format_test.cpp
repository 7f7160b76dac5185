// The setup file's line format, without the runtime.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <streambuf>
#include <string>

#include "shell/setup_format.h"

namespace
{

int Parse(int line, const std::string &text, SetupValues &v)
{
    return SetupParseLine(line, text.data(), text.size(), v);
}

SetupValues Sample()
{
    SetupValues v;
    v.device = 1;
    v.ain[0] = 0;
    v.ain[1] = 1;
    v.ain[2] = 1;
    v.ain[3] = 0;
    v.range[0] = 0.05;
    v.range[1] = 5.0;
    v.range[2] = 0.5;
    v.range[3] = 1.0;
    v.coupling[0] = 2;
    v.coupling[1] = 1;
    v.sampleRate = 2500000.0;
    v.requestedSamples = 16384;
    v.preSamples = 300;
    v.triggerSource = 50;
    v.triggerSlope = 0;
    v.triggerLevel = -1.25;
    v.auxBnc = 3;
    v.averaging = 1;
    v.averageCount = -1;
    v.streaming = 1;
    v.decimation = 7;
    v.frequency = 12345.678901;
    v.signalType[0] = 6;
    v.signalType[1] = 3;
    v.amplitude[0] = 2.5;
    v.amplitude[1] = -0.75;
    v.offset[0] = 0.125;
    v.offset[1] = -3.0;
    v.phase[0] = 90.0;
    v.phase[1] = 359.5;
    v.noise[0] = 1;
    v.noise[1] = 0;
    v.triggerSourceOut = 2;
    v.triggerSlopeOut = 0;
    v.triggerLevelOut = 4.5;
    v.digitalRate = 40000000.0;
    v.digitalSamples = 123456;
    v.triggerMask = 40000;
    v.triggerMode = 2;
    v.triggerPattern = 65535;
    return v;
}

std::string FormatAll(const SetupValues &v)
{
    std::string all;
    for (int i = 0; i < kSetupLineCount; ++i)
        all += SetupFormatLine(i, v) + "\n";
    return all;
}

} // namespace

TEST(SetupFormat, WritesTheThirtyTwoLinesInTheirFormats)
{
    const SetupValues v = Sample();
    EXPECT_EQ(SetupFormatLine(0, v), "[SCOPE_MODE]");
    EXPECT_EQ(SetupFormatLine(1, v), "[DEVICE_NB]=1");
    EXPECT_EQ(SetupFormatLine(2, v), "[CHANNEL_INPUT]=0,1,1,0");
    EXPECT_EQ(SetupFormatLine(3, v), "[INPUT_RANGE]=0.050000,5.000000,0.500000,1.000000");
    EXPECT_EQ(SetupFormatLine(4, v), "[INPUT_COUPLING]=2,1,0,0");
    EXPECT_EQ(SetupFormatLine(5, v), "[SAMPLE_RATE]=2500000.000000");
    EXPECT_EQ(SetupFormatLine(6, v), "[REQUESTED_SAMPLE]=16384");
    EXPECT_EQ(SetupFormatLine(7, v), "[PRE_SAMPLE]=300");
    EXPECT_EQ(SetupFormatLine(8, v), "[TRIGGER_SOURCE]=50");
    EXPECT_EQ(SetupFormatLine(9, v), "[TRIGGER_SLOPE]=0");
    EXPECT_EQ(SetupFormatLine(10, v), "[TRIGGER_LEVEL]=-1.250000");
    EXPECT_EQ(SetupFormatLine(11, v), "[AUX_BNC]=3");
    EXPECT_EQ(SetupFormatLine(12, v), "[AVERAGING_MODE]=1");
    EXPECT_EQ(SetupFormatLine(13, v), "[AVERAGING_COUNT]=-1");
    EXPECT_EQ(SetupFormatLine(14, v), "[STREAMING_MODE]=1");
    EXPECT_EQ(SetupFormatLine(15, v), "[DECIMATION_FACTOR]=7");
    EXPECT_EQ(SetupFormatLine(16, v), "[GENERATOR]");
    EXPECT_EQ(SetupFormatLine(17, v), "[FREQUENCY]=12345.678901");
    EXPECT_EQ(SetupFormatLine(18, v), "[SIGNAL_TYPE]=6,3");
    EXPECT_EQ(SetupFormatLine(19, v), "[SIGNAL_AMP]=2.500000,-0.750000");
    EXPECT_EQ(SetupFormatLine(20, v), "[SIGNAL_OFFSET]=0.125000,-3.000000");
    EXPECT_EQ(SetupFormatLine(21, v), "[SIGNAL_PHASE]=90.000000,359.500000");
    EXPECT_EQ(SetupFormatLine(22, v), "[SIGNAL_NOISE]=1,0");
    EXPECT_EQ(SetupFormatLine(23, v), "[TRIGGER_SOURCE]=2");
    EXPECT_EQ(SetupFormatLine(24, v), "[TRIGGER_SLOPE]=0");
    EXPECT_EQ(SetupFormatLine(25, v), "[TRIGGER_LEVEL]=4.500000");
    EXPECT_EQ(SetupFormatLine(26, v), "[ANALYZER]");
    EXPECT_EQ(SetupFormatLine(27, v), "[SAMPLE_RATE]=40000000.000000");
    EXPECT_EQ(SetupFormatLine(28, v), "[REQUESTED_SAMPLE]=123456");
    EXPECT_EQ(SetupFormatLine(29, v), "[TRIGGER_MASK]=40000");
    EXPECT_EQ(SetupFormatLine(30, v), "[TRIGGER_MODE]=2");
    EXPECT_EQ(SetupFormatLine(31, v), "[TRIGGER_PATTERN]=65535");
    EXPECT_EQ(SetupFormatLine(32, v), "");
    EXPECT_EQ(SetupFormatLine(-1, v), "");
}

TEST(SetupFormat, SkipCountsAreTheKeyLengths)
{
    const int skips[kSetupLineCount] = {12, 12, 16, 14, 17, 14, 19, 13, 17, 16, 16, 10, 17, 18, 17, 20,
                                        11, 12, 14, 13, 16, 15, 15, 17, 16, 16, 10, 14, 19, 15, 15, 18};
    for (int i = 0; i < kSetupLineCount; ++i)
        EXPECT_EQ(SetupLineSkip(i), skips[i]) << "line " << i + 1;
    EXPECT_EQ(SetupLineSkip(32), 0);
}

TEST(SetupFormat, RealsAreFixedPointWithSixDecimalsWhateverTheLocale)
{
    SetupValues v;
    v.frequency = 1e-7; // rounds to zero, never an exponent
    EXPECT_EQ(SetupFormatLine(17, v), "[FREQUENCY]=0.000000");
    v.frequency = 1e20;
    EXPECT_EQ(SetupFormatLine(17, v), "[FREQUENCY]=100000000000000000000.000000");
    // A locale with a decimal comma must not change the file (the comma
    // separates values).  Skipped when no such locale is installed.
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") || std::setlocale(LC_ALL, "fr_FR.UTF-8")) {
        v.amplitude[0] = 2.0;
        v.amplitude[1] = 0.5;
        EXPECT_EQ(SetupFormatLine(19, v), "[SIGNAL_AMP]=2.000000,0.500000");
        SetupValues back;
        EXPECT_EQ(Parse(19, "[SIGNAL_AMP]=1.500000,0.250000", back), 2);
        EXPECT_DOUBLE_EQ(back.amplitude[1], 0.25);
    }
    std::setlocale(LC_ALL, saved.c_str());
}

TEST(SetupFormat, SixteenBitValuesWidenWithTheirSign)
{
    SetupValues v;
    v.averageCount = -1;
    v.decimation = -32768;
    v.triggerMask = 40000; // top bit set: unsigned, never negative
    v.triggerPattern = 0x8000;
    EXPECT_EQ(SetupFormatLine(13, v), "[AVERAGING_COUNT]=-1");
    EXPECT_EQ(SetupFormatLine(15, v), "[DECIMATION_FACTOR]=-32768");
    EXPECT_EQ(SetupFormatLine(29, v), "[TRIGGER_MASK]=40000");
    EXPECT_EQ(SetupFormatLine(31, v), "[TRIGGER_PATTERN]=32768");
}

TEST(SetupFormat, EveryValueReadsBackExactly)
{
    const SetupValues written = Sample();
    SetupValues read; // defaults differ from the sample everywhere it matters
    for (int i = 0; i < kSetupLineCount; ++i) {
        const std::string line = SetupFormatLine(i, written);
        Parse(i, line, read);
    }
    EXPECT_EQ(FormatAll(read), FormatAll(written));
    EXPECT_EQ(read.triggerMask, 40000);
    EXPECT_EQ(read.averageCount, -1);
    EXPECT_DOUBLE_EQ(read.frequency, 12345.678901);
}

TEST(SetupFormat, KeysAreNotComparedOnlyTheirLength)
{
    SetupValues v;
    EXPECT_EQ(Parse(6, "[XXXXXXXXXXXXXXXX]=4096", v), 1);
    EXPECT_EQ(v.requestedSamples, 4096);
    // Line 29 read with line 9's key: the key is passed over by length only,
    // so the value parses from the wrong column.
    SetupValues w;
    EXPECT_EQ(Parse(28, "[TRIGGER_SOURCE]=50", w), 0);
    EXPECT_EQ(w.digitalSamples, 1000);
}

TEST(SetupFormat, AnUnparsableValueLeavesItAndTheRestOfTheLine)
{
    SetupValues v;
    EXPECT_EQ(Parse(2, "[CHANNEL_INPUT]=0,0,x,0", v), 2);
    EXPECT_EQ(v.ain[0], 0);
    EXPECT_EQ(v.ain[1], 0);
    EXPECT_EQ(v.ain[2], 1);
    EXPECT_EQ(v.ain[3], 1);

    SetupValues w;
    EXPECT_EQ(Parse(3, "[INPUT_RANGE]=1.000000;5.000000,5,5", w), 1); // wrong separator
    EXPECT_DOUBLE_EQ(w.range[0], 1.0);
    EXPECT_DOUBLE_EQ(w.range[1], 2.0);

    SetupValues x;
    EXPECT_EQ(Parse(3, "[INPUT_RANGE]=", x), 0);
    EXPECT_EQ(Parse(3, "[INPUT_RA", x), 0); // shorter than its key
    EXPECT_EQ(Parse(3, "", x), 0);
    EXPECT_EQ(Parse(0, "[SCOPE_MODE]=1", x), 0); // headers hold nothing
    EXPECT_EQ(FormatAll(x), FormatAll(SetupValues()));
}

TEST(SetupFormat, NumbersAreReadAsTheScanningFormatsReadThem)
{
    SetupValues v;
    EXPECT_EQ(Parse(2, "[CHANNEL_INPUT]= 0,\t+1,-1,7abc", v), 4); // white space before a number, signs
    EXPECT_EQ(v.ain[0], 0);
    EXPECT_EQ(v.ain[1], 1);
    EXPECT_EQ(v.ain[2], -1);
    EXPECT_EQ(v.ain[3], 7);
    EXPECT_EQ(Parse(2, "[CHANNEL_INPUT]=1 ,0,0,0", v), 1); // no space before a comma
    EXPECT_EQ(Parse(17, "[FREQUENCY]=1e3", v), 1);
    EXPECT_DOUBLE_EQ(v.frequency, 1000.0);
    EXPECT_EQ(Parse(17, "[FREQUENCY]=+2.5", v), 1);
    EXPECT_DOUBLE_EQ(v.frequency, 2.5);
    EXPECT_EQ(Parse(17, "[FREQUENCY]=12", v), 1);
    EXPECT_DOUBLE_EQ(v.frequency, 12.0);
}

TEST(SetupFormat, NonFiniteAndHugeRealsDoNotParse)
{
    SetupValues v;
    for (const char *text : {"[FREQUENCY]=nan", "[FREQUENCY]=inf", "[FREQUENCY]=-infinity",
                             "[FREQUENCY]=1e999", "[FREQUENCY]=+-5", "[FREQUENCY]=.", "[FREQUENCY]=-"}) {
        EXPECT_EQ(Parse(17, text, v), 0) << text;
        EXPECT_DOUBLE_EQ(v.frequency, 1000.0) << text;
    }
}

TEST(SetupFormat, OutOfRangeIntegersAreHeldAtTheirWidthsLimits)
{
    SetupValues v;
    EXPECT_EQ(Parse(13, "[AVERAGING_COUNT]=40000", v), 1);
    EXPECT_EQ(v.averageCount, 32767); // never wrapped to a negative count
    EXPECT_EQ(Parse(13, "[AVERAGING_COUNT]=-99999", v), 1);
    EXPECT_EQ(v.averageCount, -32768);
    EXPECT_EQ(Parse(29, "[TRIGGER_MASK]=-1", v), 1);
    EXPECT_EQ(v.triggerMask, 0);
    EXPECT_EQ(Parse(29, "[TRIGGER_MASK]=70000", v), 1);
    EXPECT_EQ(v.triggerMask, 65535);
    EXPECT_EQ(Parse(6, "[REQUESTED_SAMPLE]=99999999999999999999999999", v), 1);
    EXPECT_EQ(v.requestedSamples, 2147483647);
    EXPECT_EQ(Parse(6, "[REQUESTED_SAMPLE]=-99999999999999999999999999", v), 1);
    EXPECT_EQ(v.requestedSamples, -2147483647 - 1);
}

TEST(SetupFormat, ParsingStaysInsideTheGivenBytes)
{
    // The text is not terminated: digits beyond the given length must not
    // be read.
    const char text[] = "[PRE_SAMPLE]=12345";
    SetupValues v;
    EXPECT_EQ(SetupParseLine(7, text, std::strlen("[PRE_SAMPLE]=12"), v), 1);
    EXPECT_EQ(v.preSamples, 12);
    // Bytes of a binary file, NUL included, are just characters.
    const char binary[] = {'[', 'P', 'R', 'E', '_', 'S', 'A', 'M', 'P', 'L', 'E', ']', '=', '4', '\0', '9'};
    EXPECT_EQ(SetupParseLine(7, binary, sizeof binary, v), 1);
    EXPECT_EQ(v.preSamples, 4);
    EXPECT_EQ(SetupParseLine(7, nullptr, 10, v), 0);
}

// ------------------------------------------------------- the reader

namespace
{

std::string Lines(const SetupValues &v, const char *eol)
{
    std::string text;
    for (int i = 0; i < kSetupLineCount; ++i)
        text += SetupFormatLine(i, v) + eol;
    return text;
}

int ReadText(const std::string &text, SetupValues &v)
{
    std::istringstream in(text);
    return SetupReadLines(in, v);
}

bool Same(const SetupValues &a, const SetupValues &b)
{
    return Lines(a, "\n") == Lines(b, "\n");
}

} // namespace

TEST(SetupReader, ReadsLinesEndingInCrLfOrLfAndALastLineWithoutABreak)
{
    const SetupValues sample = Sample();
    for (const char *eol : {"\r\n", "\n"}) {
        SetupValues v;
        EXPECT_EQ(ReadText(Lines(sample, eol), v), 43) << eol; // every value of the file
        EXPECT_TRUE(Same(v, sample)) << eol;
    }
    std::string text = Lines(sample, "\r\n");
    text.resize(text.size() - 2); // no break after the last line
    SetupValues v;
    ReadText(text, v);
    EXPECT_EQ(v.triggerPattern, sample.triggerPattern);

    // A lone CR does not end a line: the header line runs on to the LF.
    SetupValues lone;
    ReadText("[SCOPE_MODE]\r[DEVICE_NB]=2\n[DEVICE_NB]=3\n", lone);
    EXPECT_EQ(lone.device, 3);
}

TEST(SetupReader, LinesOf4095CharactersOrMoreAreSkipped)
{
    const std::string key = "[REQUESTED_SAMPLE]=";
    for (const std::size_t length : {std::size_t(4093), std::size_t(4094), std::size_t(4095),
                                     std::size_t(4096), std::size_t(100000)}) {
        SetupValues v;
        std::string text;
        for (int i = 0; i < 6; ++i)
            text += "\n";
        text += key + std::string(length - key.size() - 4, '0') + "1234\r\n";
        text += "[PRE_SAMPLE]=77\r\n";
        ReadText(text, v);
        EXPECT_EQ(v.requestedSamples, length < kSetupLineLimit ? 1234 : 8192) << length;
        EXPECT_EQ(v.preSamples, 77) << length; // the next line is read
    }
}

TEST(SetupReader, NeverTakesMoreThanASetupFileHolds)
{
    // An endless source: only kSetupFileLimit bytes are taken from it.
    class Endless : public std::streambuf
    {
      public:
        std::size_t given = 0;

      protected:
        int_type underflow() override
        {
            static char zeros[4096] = {};
            given += sizeof zeros;
            setg(zeros, zeros, zeros + sizeof zeros);
            return 0;
        }
    } endless;
    std::istream in(&endless);
    SetupValues v;
    EXPECT_EQ(SetupReadLines(in, v), 0);
    EXPECT_LE(endless.given, kSetupFileLimit + 4096);
    EXPECT_TRUE(Same(v, SetupValues()));

    // Lines cut by the limit are dropped; whole lines before it are read.
    std::string text = "[SCOPE_MODE]\n[DEVICE_NB]=3\n";
    text += std::string(kSetupFileLimit - text.size() - 5, 'x') + "\n[CHANNEL_INPUT]=0,0,0,0\n";
    SetupValues cut;
    EXPECT_EQ(ReadText(text, cut), 1);
    EXPECT_EQ(cut.device, 3);
    EXPECT_EQ(cut.ain[0], 1);
}

TEST(SetupReader, OnlyRegularFilesOfASetupFilesSizeAreRead)
{
    char tmpl[] = "/tmp/korvax-reader-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl;
    SetupValues v;
    int stored = -1;
    EXPECT_EQ(SetupReadFile((dir + "/missing.ini").c_str(), v, &stored), kSetupCannotOpen);
    EXPECT_EQ(stored, 0);
    EXPECT_EQ(SetupReadFile(dir.c_str(), v), kSetupNotRegular);
    EXPECT_EQ(SetupReadFile("/dev/null", v), kSetupNotRegular);
    ASSERT_EQ(mkfifo((dir + "/fifo.ini").c_str(), 0600), 0);
    EXPECT_EQ(SetupReadFile((dir + "/fifo.ini").c_str(), v), kSetupNotRegular);

    const SetupValues sample = Sample();
    const std::string text = Lines(sample, "\r\n");
    std::ofstream(dir + "/ok.ini", std::ios::binary) << text;
    EXPECT_EQ(SetupReadFile((dir + "/ok.ini").c_str(), v, &stored), kSetupReadOk);
    EXPECT_GT(stored, 0);
    EXPECT_TRUE(Same(v, sample));

    // One byte over the limit: refused whole, nothing stored.
    const std::string lines = Lines(SetupValues(), "\r\n");
    std::ofstream(dir + "/big.ini", std::ios::binary)
        << lines + std::string(kSetupFileLimit + 1 - lines.size(), '\n');
    SetupValues untouched = sample;
    EXPECT_EQ(SetupReadFile((dir + "/big.ini").c_str(), untouched, &stored), kSetupTooLarge);
    EXPECT_EQ(stored, 0);
    EXPECT_TRUE(Same(untouched, sample));
    std::filesystem::remove_all(dir);
}
