// The ".awg" reader on its own, and the arbitrary-file path of the generator.
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "generator/awg_format.h"
#include "generator_fixture.h"

namespace
{

int Parse(const std::string &text, AwgWaveform *wave)
{
    return Awg_Parse(text.data(), text.size(), wave);
}

// n lines as the scope's ".awg" save writes them.
std::string ScopeFile(int n, double rate, double amplitude)
{
    std::string text;
    char line[64];
    for (int i = 0; i < n; ++i) {
        std::snprintf(line, sizeof line, "%.8f\t%f\r\n", i / rate, amplitude * std::sin(i * 0.01) - 0.125);
        text += line;
    }
    return text;
}

// Turns a read that waits on a pipe into a test failure instead of a hang:
// unless Done() comes within a few seconds, a writer opens the pipe and goes,
// which lets a waiting open return.
class PipeWatch
{
  public:
    explicit PipeWatch(std::string path) : path_(std::move(path))
    {
        thread_ = std::thread([this] {
            std::unique_lock<std::mutex> lock(mutex_);
            if (done_cv_.wait_for(lock, std::chrono::seconds(5), [this] { return done_; }))
                return;
            released_ = true;
            while (!done_) {
                const int fd = open(path_.c_str(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0)
                    close(fd);
                done_cv_.wait_for(lock, std::chrono::milliseconds(20), [this] { return done_; });
            }
        });
    }
    ~PipeWatch() { Done(); }
    // Ends the watch; true when the reader had to be released.
    bool Done()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        done_cv_.notify_all();
        if (thread_.joinable())
            thread_.join();
        return released_;
    }

  private:
    std::string path_;
    std::mutex mutex_;
    std::condition_variable done_cv_;
    bool done_ = false;
    std::atomic<bool> released_{false};
    std::thread thread_;
};

std::string NewTempFolder()
{
    char pattern[] = "/tmp/korvax-awg-XXXXXX";
    const char *made = mkdtemp(pattern);
    return made ? made : "";
}

TEST(AwgFormat, ScopeFileReadsBackExactly)
{
    const std::string text = ScopeFile(1000, 100000.0, 3.0);
    AwgWaveform wave;
    ASSERT_EQ(Parse(text, &wave), kAwgOk);
    ASSERT_EQ(wave.count, 1000);
    EXPECT_NEAR(wave.clockRate, 100000.0, 100000.0 * 1e-6);
    EXPECT_EQ(wave.time1, 0.00001f);
    // Every value is the number the line holds.
    const char *p = text.c_str();
    for (int i = 0; i < wave.count; ++i) {
        char *next = nullptr;
        std::strtod(p, &next);
        const double value = std::strtod(next, &next);
        ASSERT_EQ(wave.values[i], value) << i;
        p = next;
    }
}

TEST(AwgFormat, AnyWhiteSpaceAndLineEndAreAccepted)
{
    AwgWaveform wave;
    ASSERT_EQ(Parse("0 1.5\n  1e-3 \t -2  \n+2E-3 +0.25", &wave), kAwgOk);
    ASSERT_EQ(wave.count, 3);
    EXPECT_DOUBLE_EQ(wave.values[0], 1.5);
    EXPECT_DOUBLE_EQ(wave.values[1], -2.0);
    EXPECT_DOUBLE_EQ(wave.values[2], 0.25);
    EXPECT_NEAR(wave.clockRate, 1000.0, 1e-3);
    EXPECT_DOUBLE_EQ(wave.peak, 2.0);

    // CR-only line ends, a byte-order mark, blank lines anywhere (an empty
    // last line is not a sample).
    ASSERT_EQ(Parse("\xEF\xBB\xBF\r0\t1\r\r0.5\t-1\r\n\r\n   \n", &wave), kAwgOk);
    EXPECT_EQ(wave.count, 2);
    EXPECT_DOUBLE_EQ(wave.clockRate, 2.0);
}

TEST(AwgFormat, LongLineIsOneSample)
{
    std::string line = "0.0" + std::string(300, ' ') + "1.0" + std::string(300, '\t') + "\n";
    AwgWaveform wave;
    ASSERT_EQ(Parse(line + "0.001 2.0\n", &wave), kAwgOk);
    EXPECT_EQ(wave.count, 2);
}

TEST(AwgFormat, AllNegativeValuesGiveTheirMagnitudeAsPeak)
{
    AwgWaveform wave;
    ASSERT_EQ(Parse("0 -3\n1 -1\n", &wave), kAwgOk);
    EXPECT_DOUBLE_EQ(wave.peak, 3.0);
}

TEST(AwgFormat, BadContentIsRefusedWithItsReason)
{
    const struct {
        const char *text;
        int status;
    } cases[] = {
        {"", kAwgTooFewSamples},
        {"\r\n\r\n", kAwgTooFewSamples},
        {"0.0\t1.0\r\n", kAwgTooFewSamples},
        {"0.5\t1.0\n0.5\t2.0\n", kAwgEqualTimes},
        {"1.0\t1.0\n0.5\t2.0\n", kAwgTimesDecrease},
        {"time\tvalue\n0\t1\n1\t2\n", kAwgBadLine},
        {"0\t1\nabc def\n", kAwgBadLine},
        {"0\t1\n1\n", kAwgBadLine},
        {"0\t1\n1\t2\t3\n", kAwgBadLine},
        {"0\t1\n1\tnan\n", kAwgBadLine},
        {"0\tinf\n1\t1\n", kAwgBadLine},
        {"0\t1\n1\t1e999\n", kAwgBadLine},
        {"0,1\n1,2\n", kAwgBadLine},
        {"0\t1x\n1\t2\n", kAwgBadLine},
        {"0\t+-1\n1\t2\n", kAwgBadLine},
    };
    for (const auto &c : cases) {
        AwgWaveform wave;
        EXPECT_EQ(Parse(c.text, &wave), c.status) << c.text;
        EXPECT_EQ(wave.values, nullptr) << c.text;
        EXPECT_EQ(wave.count, 0) << c.text;
    }
}

TEST(AwgFormat, MessageNamesTheFaultyLine)
{
    AwgWaveform wave;
    ASSERT_EQ(Parse("0\t1\r\n\r\n1\t2\r\nbad line\r\n", &wave), kAwgBadLine);
    EXPECT_EQ(wave.badLine, 4);
    char message[256];
    Awg_Message(kAwgBadLine, wave, message, sizeof message);
    EXPECT_NE(std::string(message).find("line 4"), std::string::npos) << message;
}

TEST(AwgFormat, HugeLineOfDigitsIsRefused)
{
    std::string text = "0\t1\n1\t" + std::string(200000, '7') + "\n";
    AwgWaveform wave;
    EXPECT_EQ(Parse(text, &wave), kAwgBadLine);
    text = std::string(500000, '1') + "\n";
    EXPECT_EQ(Parse(text, &wave), kAwgBadLine);
}

TEST(AwgFormat, MissingFileAndFolderCannotBeOpened)
{
    AwgWaveform wave;
    EXPECT_EQ(Awg_LoadFile("/nonexistent-korvax/x.awg", &wave), kAwgOpenError);
    EXPECT_EQ(Awg_LoadFile("/tmp", &wave), kAwgOpenError);
    EXPECT_EQ(Awg_LoadFile("", &wave), kAwgOpenError);
    EXPECT_EQ(Awg_LoadFile("/dev/zero", &wave), kAwgOpenError);
}

TEST(AwgFormat, PipesAndDevicesAreRefusedWithoutWaiting)
{
    const std::string folder = NewTempFolder();
    ASSERT_FALSE(folder.empty());
    const std::string pipe = folder + "/pipe.awg";
    const std::string link = folder + "/zero.awg";
    const std::string pipeLink = folder + "/pipe-link.awg";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    ASSERT_EQ(symlink("/dev/zero", link.c_str()), 0);
    ASSERT_EQ(symlink(pipe.c_str(), pipeLink.c_str()), 0);

    for (const std::string &path : {pipe, pipeLink, link}) {
        AwgWaveform wave;
        PipeWatch watch(pipe);
        EXPECT_EQ(Awg_LoadFile(path.c_str(), &wave), kAwgOpenError) << path;
        EXPECT_FALSE(watch.Done()) << path << ": the reader waited for a writer";
        EXPECT_EQ(wave.count, 0);
        EXPECT_EQ(wave.values, nullptr);
    }
    std::remove(pipeLink.c_str());
    std::remove(link.c_str());
    std::remove(pipe.c_str());
    rmdir(folder.c_str());
}

// ------------------------------------------------------ through the generator

class ArbitraryTest : public GeneratorTest
{
  protected:
    // Selects the file type for CH1 and switches it on with path as the
    // dialog's answer.
    int StartWithFile(const std::string &path)
    {
        SetCtrlVal(panelGene, GENE_CH1_TYPE, 6);
        testseam::QueueFileAnswer(path);
        return Switch(0, 1);
    }
    static int Ch2Dimmed()
    {
        int dimmed = 0;
        GetCtrlAttribute(panelGene, GENE_CH2_SWITCH, ATTR_DIMMED, &dimmed);
        return dimmed;
    }
};

TEST_F(ArbitraryTest, ScopeFileBecomesTheChannelOneOutput)
{
    ASSERT_EQ(Switch(1, 1), 0);
    const std::string path = WriteFile("wave.awg", ScopeFile(1000, 100000.0, 1.0));
    ASSERT_EQ(StartWithFile(path), 0);

    EXPECT_EQ(oSamples, 1000);
    EXPECT_NEAR(oClockRate, 100000.0, 0.1);
    EXPECT_EQ(numChanOut, 1);
    EXPECT_EQ(Ch2Dimmed(), 1);
    int ch2 = 1;
    GetCtrlVal(panelGene, GENE_CH2_SWITCH, &ch2);
    EXPECT_EQ(ch2, 0);
    EXPECT_DOUBLE_EQ(vBufferOut1[0], -0.125);
    EXPECT_DOUBLE_EQ(oRange[0], 2.0); // peak 1.125
    EXPECT_EQ(NumPlots(panelGene, GENE_GRAPH), 1);
    EXPECT_EQ(PlotLength(panelGene, GENE_GRAPH, oPlot[0]), 500);
    ASSERT_FALSE(testseam::Shown().empty());
    EXPECT_EQ(testseam::Shown().back(), "file|Open CH1 File");

    // A standard type makes CH2 available again.
    ASSERT_EQ(OperateCtrl(panelGene, GENE_CH1_TYPE, 0), 0);
    EXPECT_EQ(Ch2Dimmed(), 0);
    EXPECT_EQ(oSamples, 32768);
}

TEST_F(ArbitraryTest, ChannelTwoIsAvailableAgainOnceChannelOneIsOff)
{
    ASSERT_EQ(StartWithFile(WriteFile("w.awg", "0\t1\n0.5\t2\n")), 0);
    ASSERT_EQ(Ch2Dimmed(), 1);
    ASSERT_EQ(Switch(0, 0), 0);
    EXPECT_EQ(Ch2Dimmed(), 0);
    ASSERT_EQ(Switch(1, 1), 0);
    EXPECT_EQ(numChanOut, 1);
    EXPECT_EQ(oSamples, 32768);
}

TEST_F(ArbitraryTest, NegativeWaveformGetsARangeThatHoldsIt)
{
    const std::string path = WriteFile("neg.awg", "0\t-3\n0.001\t-1\n0.002\t-2\n");
    ASSERT_EQ(StartWithFile(path), 0);
    EXPECT_DOUBLE_EQ(oRange[0], 5.0);
    EXPECT_EQ(oSamples, 3);
}

TEST_F(ArbitraryTest, CancelEndsTheUpdateWithoutMessage)
{
    ASSERT_EQ(Switch(0, 1), 0);
    const double *before = vBufferOut1;
    SetCtrlVal(panelGene, GENE_CH1_TYPE, 6);
    testseam::QueueFileAnswer("");
    EXPECT_EQ(Call_Output_Setting(), -1);
    EXPECT_EQ(isGeneratorON, 1);
    EXPECT_EQ(numChanOut, 1);
    EXPECT_EQ(vBufferOut1, before);
    EXPECT_EQ(oSamples, 32768);
    for (const std::string &shown : testseam::Shown())
        EXPECT_EQ(shown.rfind("Error message|", 0), std::string::npos) << shown;
}

TEST_F(ArbitraryTest, RefusedFilesLeaveTheOutputAsItWas)
{
    SetChannel(0, 0, 1.0);
    ASSERT_EQ(Switch(0, 1), 0);
    const double *buffer = vBufferOut1;
    const double first = vBufferOut1[100];
    const double clock = oClockRate;
    const int plotLength = PlotLength(panelGene, GENE_GRAPH, oPlot[0]);

    const std::string bad[] = {
        WriteFile("empty.awg", ""),
        WriteFile("one.awg", "0.0\t1.0\r\n"),
        WriteFile("equal.awg", "0.1\t1.0\r\n0.1\t2.0\r\n"),
        WriteFile("text.awg", "hello world\r\nthis is text\r\n"),
        WriteFile("long.awg", "0\t1\n1\t" + std::string(100000, '9') + "x\n"),
        TempDir() + "/missing.awg",
        TempDir(),
    };
    for (const std::string &path : bad) {
        testseam::ClearShown();
        SetCtrlVal(panelGene, GENE_CH1_TYPE, 6);
        testseam::QueueFileAnswer(path);
        EXPECT_EQ(Call_Output_Setting(), -1) << path;
        ASSERT_EQ(testseam::Shown().size(), 2u) << path;
        EXPECT_EQ(testseam::Shown()[1].rfind("Error message|Open File Error", 0), 0u) << testseam::Shown()[1];
        EXPECT_EQ(vBufferOut1, buffer) << path;
        EXPECT_EQ(vBufferOut1[100], first) << path;
        EXPECT_EQ(oSamples, 32768) << path;
        EXPECT_DOUBLE_EQ(oClockRate, clock) << path;
        EXPECT_TRUE(std::isfinite(oClockRate));
        EXPECT_EQ(NumPlots(panelGene, GENE_GRAPH), 1) << path;
        EXPECT_EQ(PlotLength(panelGene, GENE_GRAPH, oPlot[0]), plotLength) << path;
    }
    EXPECT_EQ(testseam::Shown()[1], "Error message|Open File Error");
}

TEST_F(ArbitraryTest, PipeChosenAsTheFileIsRefusedAtOnce)
{
    SetChannel(0, 0, 1.0);
    ASSERT_EQ(Switch(0, 1), 0);
    const double *buffer = vBufferOut1;
    const std::string pipe = TempDir() + "/pipe.awg";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);

    testseam::ClearShown();
    SetCtrlVal(panelGene, GENE_CH1_TYPE, 6);
    testseam::QueueFileAnswer(pipe);
    PipeWatch watch(pipe);
    EXPECT_EQ(Call_Output_Setting(), -1);
    EXPECT_FALSE(watch.Done()) << "the generator waited for a writer";
    ASSERT_EQ(testseam::Shown().size(), 2u);
    EXPECT_EQ(testseam::Shown()[1], "Error message|Open File Error");
    EXPECT_EQ(vBufferOut1, buffer);
    EXPECT_EQ(oSamples, 32768);
}

TEST_F(ArbitraryTest, LargeFileLoadsWhole)
{
    std::string text;
    text.reserve(200000 * 24);
    char line[64];
    for (int i = 0; i < 200000; ++i) {
        std::snprintf(line, sizeof line, "%.8f\t%f\r\n", i / 1e6, (i % 100) * 0.01);
        text += line;
    }
    ASSERT_EQ(StartWithFile(WriteFile("big.awg", text)), 0);
    EXPECT_EQ(oSamples, 200000);
    EXPECT_NEAR(oClockRate, 1e6, 1.0);
    EXPECT_DOUBLE_EQ(vBufferOut1[199999], 0.99);
}

} // namespace
