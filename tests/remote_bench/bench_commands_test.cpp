// The bench's SCPI subsystems on a whole bench: commands change what the
// panels show, queries read what the panels hold, a single shot completes
// *OPC? only once its record is taken, measurements need a record, *RST
// brings back the start-up settings without writing the setup file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "remote/bench_commands.h"
#include "remote/scpi_block.h"
#include "remote/scpi_status.h"
#include "support/bench_fixture.h"

#include <fstream>

#include <sys/stat.h>

namespace
{

class RemoteBench : public BenchTest
{
protected:
    void SetUp() override
    {
        BenchTest::SetUp();
        Remote_BuildBenchTree(tree_);
        session_ = std::make_unique<scpi::Session>(tree_);
    }
    void TearDown() override
    {
        session_.reset();
        BenchTest::TearDown();
    }

    // Sends one message and returns its reply line (without the newline).
    std::string Ask(const std::string &message)
    {
        session_->Feed(message + "\n");
        session_->Poll();
        std::string out = session_->TakeOutput();
        if (!out.empty() && out.back() == '\n')
            out.pop_back();
        return out;
    }
    std::string Error() { return Ask(":SYST:ERR?"); }
    void Tick() { CaptureTimer(panelBench, BENCH_CAPTURE_TIMER, EVENT_TIMER_TICK, nullptr, 0, 0); }

    scpi::Tree tree_;
    std::unique_ptr<scpi::Session> session_;
};

double CtrlDouble(int panel, int control)
{
    double v = 0.0;
    GetCtrlVal(panel, control, &v);
    return v;
}

int CtrlInt(int panel, int control)
{
    int v = 0;
    GetCtrlVal(panel, control, &v);
    return v;
}

TEST_F(RemoteBench, IdentifiesTheBench)
{
    EXPECT_EQ(Ask("*IDN?"), "Korvax,Demo 2.0,1234,2.0");
    EXPECT_EQ(Ask("*TST?"), "0");
}

TEST_F(RemoteBench, GeneratorCommandsShowOnItsPanelAndQueriesReadIt)
{
    EXPECT_EQ(Ask(":SOUR1:FUNC SQU;:SOUR1:FREQ 2.5kHz;:SOUR1:VOLT 1.5;:SOUR1:VOLT:OFFS -0.25;:SOUR1:PHAS 90"), "");
    EXPECT_EQ(Error(), "0,\"No error\"");
    EXPECT_EQ(CtrlInt(panelGene, GENE_CH1_TYPE), 1);
    EXPECT_DOUBLE_EQ(CtrlDouble(panelGene, GENE_FREQUENCY), 2500.0);
    EXPECT_DOUBLE_EQ(CtrlDouble(panelGene, GENE_CH1_AMPLITUDE), 1.5);
    EXPECT_DOUBLE_EQ(CtrlDouble(panelGene, GENE_CH1_OFFSET), -0.25);
    EXPECT_DOUBLE_EQ(CtrlDouble(panelGene, GENE_CH1_PHASE), 90.0);

    // The output switch runs the panel's callback: the generator builds CH1.
    EXPECT_EQ(Ask(":OUTP1 ON"), "");
    EXPECT_EQ(isGeneratorON, 1);
    EXPECT_DOUBLE_EQ(oFrequency, 2500.0);
    EXPECT_EQ(oChan[0].type, 1);
    // A change on the panel is what the next query returns.
    OperateCtrl(panelGene, GENE_FREQUENCY, 500.0);
    EXPECT_EQ(Ask("FREQ?;:SOUR2:FUNC?;:OUTP1?;:OUTP2?"), "500;SIN;1;0");

    // Out of the control's limits, a word it does not take, a file it
    // cannot pick: refused, nothing changes.
    EXPECT_EQ(Ask(":FREQ 100MHz"), "");
    EXPECT_EQ(Error(), "-222,\"Data out of range;frequency\"");
    EXPECT_EQ(Ask(":FUNC PULSE"), "");
    EXPECT_EQ(Error().substr(0, 5), "-224,");
    EXPECT_EQ(Ask(":FUNC ARB"), "");
    EXPECT_EQ(Error().substr(0, 5), "-221,");
    EXPECT_EQ(Ask(":FREQ 1 V"), "");
    EXPECT_EQ(Error().substr(0, 5), "-131,");
    EXPECT_DOUBLE_EQ(CtrlDouble(panelGene, GENE_FREQUENCY), 500.0);
    EXPECT_EQ(CtrlInt(panelGene, GENE_CH1_TYPE), 1);
}

bool ShowedErrorPopup()
{
    for (const std::string &shown : testseam::Shown())
        if (shown.rfind("Error message|", 0) == 0)
            return true;
    return false;
}

TEST_F(RemoteBench, ArbitraryFileLoadsByPathAndRefusalsGoToTheErrorQueue)
{
    const std::string dir = TempDir();
    const std::string good = dir + "/wave.awg";
    std::ofstream(good) << "0.00000000\t0.5\r\n0.00001000\t-1.5\r\n0.00002000\t0.25\r\n0.00003000\t1.0\r\n";
    const std::string fifo = dir + "/pipe.awg";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string text = dir + "/text.awg";
    std::ofstream(text) << "hello world\n";

    // CH1 running a square: every refusal leaves the ring, the buffer and
    // the output as they were, and shows no popup.
    Ask(":SOUR1:FUNC SQU;:OUTP1 ON");
    ASSERT_EQ(Error(), "0,\"No error\"");
    const int samples = oSamples;
    EXPECT_EQ(Ask(":SOUR1:ARB:LOAD '" + dir + "/missing.awg'"), "");
    EXPECT_EQ(Error().substr(0, 26), "-256,\"File name not found;");
    EXPECT_EQ(Ask(":SOUR1:ARB:LOAD '" + fifo + "'"), "");
    EXPECT_EQ(Error().substr(0, 22), "-257,\"File name error;");
    EXPECT_EQ(Ask(":SOUR1:ARB:LOAD '" + dir + "'"), "");
    EXPECT_EQ(Error().substr(0, 5), "-257,");
    EXPECT_EQ(Ask(":SOUR1:ARB:LOAD '" + text + "'"), "");
    const std::string bad = Error();
    EXPECT_EQ(bad.substr(0, 5), "-200,");
    EXPECT_NE(bad.find("line 1"), std::string::npos) << bad;
    EXPECT_EQ(Ask(":SOUR1:ARB:LOAD ''"), "");
    EXPECT_EQ(Error().substr(0, 5), "-257,");
    EXPECT_EQ(Ask(":SOUR1:ARB:LOAD 12"), "");
    EXPECT_EQ(Error().substr(0, 5), "-104,");
    EXPECT_EQ(Ask(":SOUR2:ARB:LOAD '" + good + "'"), "");
    EXPECT_EQ(Error().substr(0, 5), "-221,");
    EXPECT_EQ(Ask(":SOUR1:FUNC?"), "SQU");
    EXPECT_EQ(oSamples, samples);
    EXPECT_EQ(ch1Source, kCh1Standard);
    EXPECT_FALSE(ShowedErrorPopup());
    EXPECT_EQ(testseam::Failures(), 0);

    // A good file: CH1 plays it, the panel shows it, no dialog was asked.
    EXPECT_EQ(Ask(":SOUR1:ARB:LOAD '" + good + "';:SYST:ERR?;:SOUR1:FUNC?"), "0,\"No error\";ARB");
    EXPECT_EQ(CtrlInt(panelGene, GENE_CH1_TYPE), 6);
    EXPECT_EQ(ch1Source, kCh1ArbitraryFile);
    ASSERT_EQ(oSamples, 4);
    EXPECT_DOUBLE_EQ(vBufferOut1[0], 0.5);
    EXPECT_DOUBLE_EQ(vBufferOut1[1], -1.5);
    EXPECT_NEAR(oClockRate, 100000.0, 1.0);
    Generator_Ch1Wave wave;
    ASSERT_TRUE(Generator_Ch1Buffer(&wave));
    EXPECT_EQ(wave.count, 4);
    EXPECT_DOUBLE_EQ(wave.values[3], 1.0);
    EXPECT_EQ(testseam::Failures(), 0);
    EXPECT_FALSE(ShowedErrorPopup());
    for (const std::string &shown : testseam::Shown())
        EXPECT_NE(shown, "file|Open CH1 File");

    // A refusal after it keeps the file playing.
    EXPECT_EQ(Ask(":SOUR1:ARB:LOAD '" + fifo + "'"), "");
    EXPECT_EQ(Error().substr(0, 5), "-257,");
    EXPECT_EQ(Ask(":SOUR1:FUNC?"), "ARB");
    EXPECT_EQ(oSamples, 4);
    EXPECT_EQ(CtrlInt(panelGene, GENE_CH1_TYPE), 6);

    // With CH1 off the buffer takes the file for the input.
    Ask(":OUTP1 OFF;:SOUR1:FUNC SIN");
    EXPECT_EQ(Ask(":SOUR1:ARB:LOAD '" + good + "';:SYST:ERR?;:SOUR1:FUNC?"), "0,\"No error\";ARB");
    ASSERT_TRUE(Generator_Ch1Buffer(&wave));
    EXPECT_EQ(wave.count, 4);
    EXPECT_FALSE(ShowedErrorPopup());
}

TEST_F(RemoteBench, PanelFileDialogStillShowsItsRefusal)
{
    const std::string dir = TempDir();
    const std::string text = dir + "/text.awg";
    std::ofstream(text) << "hello world\n";
    Ask(":OUTP1 ON");
    testseam::QueueFileAnswer(text);
    OperateCtrl(panelGene, GENE_CH1_TYPE, 6);
    EXPECT_TRUE(ShowedErrorPopup());
    EXPECT_EQ(ch1Source, kCh1Standard);
}

TEST_F(RemoteBench, ScopeSettingsGoThroughThePanel)
{
    EXPECT_EQ(Ask(":ACQ:SRAT 2MS/s;:ACQ:POIN 3000;:TRIG:SOUR CHAN1;:TRIG:SLOP NEG;:TRIG:LEV 0.5"), "");
    EXPECT_EQ(Error(), "0,\"No error\"");
    EXPECT_DOUBLE_EQ(CtrlDouble(panelScope, SCOPE_SAMPLING_RATE), 2.0e6);
    // The panel's callback rounds the record up to whole 2048-sample blocks.
    EXPECT_EQ(CtrlInt(panelScope, SCOPE_RECORD_LENGTH), 4096);
    EXPECT_EQ(Ask(":ACQ:POIN?;:TRIG:SOUR?;:TRIG:SLOP?;:TRIG:LEV?"), "4096;CHAN1;NEG;0.5");
    EXPECT_EQ(trigger_source, 0);

    EXPECT_EQ(Ask(":CHAN2:DISP OFF;:CHAN3:DISP OFF;:CHAN4:DISP OFF"), "");
    EXPECT_EQ(numChanIn, 1);
    EXPECT_EQ(Ask(":CHAN2:DISP?;:CHAN1:DISP?"), "0;1");
    EXPECT_EQ(Ask(":CHAN1:RANG 0.8;:CHAN1:RANG?"), "1");
    EXPECT_EQ(Ask(":CHAN1:GAIN 2.5;:CHAN1:GAIN?"), "2.5");
    EXPECT_DOUBLE_EQ(VerticalScale[0], 2.5);
    EXPECT_EQ(Ask(":CHAN3:GAIN 2"), "");
    EXPECT_EQ(Error().substr(0, 5), "-221,");
    EXPECT_EQ(Ask(":ACQ:AVER ON;:ACQ:AVER:COUN 8;:ACQ:AVER?;:ACQ:AVER:COUN?"), "1;8");
    EXPECT_EQ(is_AverageON, 1);
    EXPECT_EQ(Ask(":DISP:PERS ON;:DISP:PERS?;:FILT ON;:FILT?"), "1;1");
    EXPECT_EQ(is_PersistanceON, 1);
    EXPECT_EQ(CtrlInt(panelFilter, FILTER_ONOFF), 1);
    EXPECT_EQ(Ask(":CHAN5:DISP ON"), "");
    EXPECT_EQ(Error().substr(0, 5), "-114,");
}

TEST_F(RemoteBench, SingleShotCompletesOperationAndGivesRecordAndMeasurements)
{
    Ask(":SOUR1:FUNC SIN;:SOUR1:FREQ 1kHz;:SOUR1:VOLT 1;:OUTP1 ON");
    Ask(":CHAN2:DISP OFF;:CHAN3:DISP OFF;:CHAN4:DISP OFF");
    // 100 whole periods.
    Ask(":ACQ:SRAT 2.048MS/s;:ACQ:POIN 204800");
    EXPECT_EQ(Error(), "0,\"No error\"");

    // Before any record: an error, not numbers.
    EXPECT_EQ(Ask(":MEAS:VRMS? CHAN1"), "");
    EXPECT_EQ(Error().substr(0, 5), "-200,");
    EXPECT_EQ(Ask(":WAV:DATA?"), "");
    EXPECT_EQ(Error().substr(0, 5), "-200,");

    EXPECT_EQ(Ask(":SING;*OPC?"), "");
    EXPECT_TRUE(session_->Holding());
    EXPECT_EQ(Ask(":MEAS:VRMS? CHAN1"), ""); // held behind *OPC?
    Tick();
    session_->Poll();
    const std::string replies = session_->TakeOutput();
    ASSERT_EQ(replies.substr(0, 2), "1\n");
    EXPECT_NEAR(std::stod(replies.substr(2)), 1.0 / std::sqrt(2.0), 0.007);

    const double *values = nullptr;
    int count = 0;
    ASSERT_TRUE(Remote_ScopeRecord(1, &values, &count));
    ASSERT_EQ(count, 204800);

    session_->Feed(":WAV:SOUR CHAN1;FORM REAL;:WAV:DATA?\n");
    std::string block = session_->TakeOutput();
    const std::string header = "#6819200";
    ASSERT_EQ(block.substr(0, header.size()), header);
    ASSERT_EQ(block.size(), header.size() + 819200 + 1);
    std::vector<float> samples;
    ASSERT_TRUE(scpi::DecodeFloat32(std::string_view(block).substr(header.size(), 819200), samples));
    ASSERT_EQ(samples.size(), 204800u);
    for (int i = 0; i < count; i += 997)
        EXPECT_EQ(samples[static_cast<std::size_t>(i)], static_cast<float>(values[i]));

    session_->Feed(":WAV:FORM INT16;:WAV:DATA?\n");
    block = session_->TakeOutput();
    EXPECT_EQ(block.substr(0, 8), "#6409600");
    EXPECT_EQ(Ask(":WAV:PRE?").substr(0, 9), "1,204800,");

    EXPECT_EQ(Ask(":MEAS:VPP? CHAN1;:MEAS:VAV? CHAN1").find(';') != std::string::npos, true);
    EXPECT_EQ(Ask(":MEAS:VRMS? CHAN2"), "");
    EXPECT_EQ(Error().substr(0, 5), "-200,");
}

TEST_F(RemoteBench, StoppedSingleShotEndsTheOperation)
{
    EXPECT_EQ(Ask(":SING;*OPC?"), "");
    EXPECT_TRUE(session_->Holding());
    // Another client's stop abandons the record: *OPC? is answered.
    GoStopCallback(panelScope, 0, EVENT_COMMIT, reinterpret_cast<void *>(std::intptr_t(3)), 0, 0);
    session_->Poll();
    EXPECT_EQ(session_->TakeOutput(), "1\n");
}

TEST_F(RemoteBench, ResetBringsBackStartUpSettingsWithoutWritingTheSetupFile)
{
    SetupValues fresh;
    Setup_UserValues(fresh);
    char path[1200] = "";
    ASSERT_EQ(Setup_DefaultPath(path, sizeof path), 0);
    ASSERT_FALSE(std::filesystem::exists(path));

    Ask(":SOUR1:FUNC TRI;:SOUR1:FREQ 3kHz;:OUTP1 ON;:ACQ:SRAT 1MS/s;:ACQ:POIN 10000;:TRIG:SOUR CHAN1");
    Ask(":CHAN2:DISP OFF;:DISP:PERS ON;:FILT ON;:SING");
    EXPECT_EQ(isScopeStartOn, 1);
    ASSERT_EQ(OperateCtrl(panelVoltmeter, VOLTMETER_RUN, 0), 0);
    EXPECT_EQ(isVoltmeterON, 1);

    EXPECT_EQ(Ask("*RST;*OPC?"), "1");
    EXPECT_EQ(isScopeStartOn, 0);
    EXPECT_EQ(isGeneratorON, 0);
    EXPECT_EQ(is_PersistanceON, 0);
    EXPECT_EQ(isFilterON, 0);
    EXPECT_EQ(isVoltmeterON, 0);
    SetupValues after;
    Setup_UserValues(after);
    for (int line = 0; line < kSetupLineCount; ++line)
        EXPECT_EQ(SetupFormatLine(line, after), SetupFormatLine(line, fresh)) << "line " << line;
    EXPECT_EQ(Ask(":FREQ?;:FUNC?;:OUTP?;:ACQ:SRAT?;:TRIG:SOUR?;:CHAN2:DISP?"), "1000;SIN;0;1e+07;NONE;1");
    EXPECT_FALSE(std::filesystem::exists(path));
    // The record of before is gone with its settings.
    EXPECT_EQ(Ask(":MEAS:VRMS?"), "");
    EXPECT_EQ(Error().substr(0, 5), "-200,");
}

TEST_F(RemoteBench, VoltmeterReadsTheGeneratorThroughItsPanel)
{
    Ask(":SOUR1:FUNC DC;:SOUR1:VOLT:OFFS 0.75;:SOUR1:VOLT 0;:OUTP1 ON");
    const double dc = std::stod(Ask(":MEAS:VOLT:DC? CHAN2"));
    EXPECT_NEAR(dc, 0.75, 0.01);
    EXPECT_EQ(CtrlInt(panelVoltmeter, VOLTMETER_CHANNEL), 1);
    Ask(":SOUR1:FUNC SIN;:SOUR1:VOLT:OFFS 0;:SOUR1:VOLT 2");
    EXPECT_NEAR(std::stod(Ask(":MEAS:VOLT:AC?")), std::sqrt(2.0), 0.02);
    EXPECT_EQ(CtrlInt(panelVoltmeter, VOLTMETER_MEASURE), kMeasureACRMS);
}

TEST_F(RemoteBench, DigitalAnalyzerRunsAndGivesItsWords)
{
    EXPECT_EQ(Ask(":DIG:DATA?"), "");
    EXPECT_EQ(Error().substr(0, 5), "-200,");
    EXPECT_EQ(Ask(":DIG:POIN 100;:DIG:SRAT 1MS/s;:DIG:RUN;:DIG:STAT?"), "1");
    EXPECT_EQ(CtrlInt(panelDig, DIG_RUN), 1);
    EXPECT_EQ(CtrlInt(panelDig, DIG_SAMPLES), 100);
    testseam::AdvanceClockMs(10);
    Tick();
    session_->Feed(":DIG:DATA?\n");
    const std::string block = session_->TakeOutput();
    ASSERT_EQ(block.substr(0, 5), "#3200");
    std::vector<std::int16_t> words;
    ASSERT_TRUE(scpi::DecodeInt16(std::string_view(block).substr(5, 200), words));
    ASSERT_EQ(words.size(), 100u);
    for (std::size_t i = 1; i < words.size(); ++i)
        EXPECT_EQ(static_cast<std::uint16_t>(words[i] - words[i - 1]), 1u); // the simulated counter
    EXPECT_EQ(Ask(":DIG:STOP;:DIG:STAT?"), "0");
    EXPECT_EQ(CtrlInt(panelDig, DIG_RUN), 0);
}

TEST_F(RemoteBench, FilesAreWrittenAndReadByPathAndFailuresAreReported)
{
    const std::string dir = TempDir();
    Ask(":OUTP1 ON;:SING");
    Tick();
    session_->Poll();
    EXPECT_EQ(Ask(":MMEM:STOR:WAV '" + dir + "/ch1.asc',CHAN1"), "");
    EXPECT_EQ(Error(), "0,\"No error\"");
    EXPECT_TRUE(std::filesystem::exists(dir + "/ch1.asc"));
    EXPECT_EQ(Ask(":MMEM:STOR:WAV '" + dir + "/ch2.dat',CHAN2"), "");
    EXPECT_GT(std::filesystem::file_size(dir + "/ch2.dat"), 48u);
    // A folder that does not exist: an error, never success, no file.
    EXPECT_EQ(Ask(":MMEM:STOR:WAV '" + dir + "/none/ch1.asc'"), "");
    EXPECT_EQ(Error().substr(0, 5), "-200,");
    EXPECT_FALSE(std::filesystem::exists(dir + "/none"));
    EXPECT_EQ(Ask(":MMEM:STOR:WAV '" + dir + "/ch1.txt'"), "");
    EXPECT_EQ(Error().substr(0, 5), "-224,");
    EXPECT_EQ(Ask(":MMEM:STOR:WAV 12"), "");
    EXPECT_EQ(Error().substr(0, 5), "-104,");

    Ask(":FREQ 4321");
    EXPECT_EQ(Ask(":MMEM:STOR:SET '" + dir + "/mine.ini'"), "");
    EXPECT_EQ(Error(), "0,\"No error\"");
    Ask(":FREQ 10");
    EXPECT_EQ(Ask(":MMEM:LOAD:SET '" + dir + "/mine.ini';:FREQ?"), "4321");
    EXPECT_EQ(Ask(":MMEM:LOAD:SET '" + dir + "/missing.ini'"), "");
    EXPECT_EQ(Error().substr(0, 5), "-200,");
    EXPECT_EQ(Ask(":MMEM:STOR:SET '" + dir + "/none/mine.ini'"), "");
    EXPECT_EQ(Error().substr(0, 5), "-200,");
    EXPECT_EQ(Ask(":FREQ?"), "4321");
}

TEST_F(RemoteBench, CouplingStreamingSpectrumFilterNoiseAndRangeGoThroughTheirPanels)
{
    EXPECT_EQ(Ask(":CHAN3:COUP AC;:CHAN3:COUP?;:CHAN1:COUP?"), "AC;DC");
    EXPECT_EQ(CtrlInt(panelCoupling, TAB_COUPLING_CH3), 1);
    EXPECT_EQ(Ask(":CHAN3:COUP FLOAT"), "");
    EXPECT_EQ(Error().substr(0, 5), "-224,");

    // The window is dimmed until the spectrum view is on, as on the panel.
    EXPECT_EQ(Ask(":SPEC:WIND HANN"), "");
    EXPECT_EQ(Error().substr(0, 5), "-221,");
    EXPECT_EQ(Ask(":SPEC ON;:SPEC:WIND HANN;:SPEC?;:SPEC:WIND?"), "1;HANN");
    EXPECT_EQ(isFFT_On, 1);

    EXPECT_EQ(Ask(":FILT:TYPE BPAS;:FILT:LOW 2kHz;:FILT:HIGH 20kHz;:FILT:TAPS 127;:FILT:TYPE?;:FILT:TAPS?"),
              "BPAS;127");
    EXPECT_EQ(Tap, 127);
    EXPECT_DOUBLE_EQ(CtrlDouble(panelFilter, FILTER_LOW_FREQ), 2000.0);
    EXPECT_EQ(Ask(":FILT:TAPS 2000"), "");
    EXPECT_EQ(Error().substr(0, 5), "-222,");

    EXPECT_EQ(Ask(":SOUR2:NOIS ON;:SOUR2:NOIS?;:SOUR1:NOIS?"), "1;0");
    EXPECT_EQ(CtrlInt(panelGene, GENE_CH2_NOISE), 1);
    EXPECT_EQ(Ask(":VOLT:RANG 10;:VOLT:RANG?"), "10");
    EXPECT_EQ(CtrlInt(panelVoltmeter, VOLTMETER_RANGE), kRange10V);

    // Streaming takes over from averaging and the spectrum view, as the
    // advanced panel's OK does.
    Ask(":ACQ:AVER ON");
    EXPECT_EQ(Ask(":ACQ:STR ON;:ACQ:DEC 4;:ACQ:STR?;:ACQ:AVER?;:SPEC?;:ACQ:DEC?"), "1;0;0;4");
    EXPECT_EQ(isStreamingRAMEnabled, 1);
    EXPECT_EQ(Ask(":ACQ:AVER ON"), "");
    EXPECT_EQ(Error().substr(0, 5), "-221,");

    EXPECT_EQ(Ask("*RST;:ACQ:STR?;:FILT:TAPS?;:VOLT:RANG?;:CHAN3:COUP?;:SOUR2:NOIS?"), "0;63;AUTO;DC;0");
}

TEST_F(RemoteBench, SpectrumOfTheLastRecordAsABlock)
{
    Ask(":SOUR1:FUNC SIN;:SOUR1:FREQ 1kHz;:SOUR1:VOLT 1;:OUTP1 ON;:CHAN2:DISP OFF;:CHAN3:DISP OFF;:CHAN4:DISP OFF");
    Ask(":ACQ:SRAT 2.048MS/s;:ACQ:POIN 204800;:SPEC ON");
    EXPECT_EQ(Ask(":SPEC:DATA?"), "");
    EXPECT_EQ(Error().substr(0, 5), "-200,");
    Ask(":SING");
    Tick();
    session_->Poll();
    const std::string pre = Ask(":SPEC:PRE?");
    EXPECT_EQ(pre, "102400,10");
    session_->Feed(":SPEC:DATA?\n");
    const std::string block = session_->TakeOutput();
    ASSERT_EQ(block.substr(0, 8), "#6409600");
    std::vector<float> bins;
    ASSERT_TRUE(scpi::DecodeFloat32(std::string_view(block).substr(8, 409600), bins));
    std::size_t peak = 0;
    for (std::size_t i = 1; i < bins.size(); ++i)
        if (bins[i] > bins[peak])
            peak = i;
    EXPECT_EQ(peak, 100u); // 1 kHz in 10 Hz bins
    EXPECT_EQ(Ask(":SPEC OFF;:SPEC:DATA?"), "");
    EXPECT_EQ(Error().substr(0, 5), "-200,");
}

TEST_F(RemoteBench, CursorsAreTheToolbarsAndTheirReadoutsThePanels)
{
    Ask(":SOUR1:FUNC DC;:SOUR1:VOLT 0;:SOUR1:VOLT:OFFS 0.5;:OUTP1 ON;:CHAN2:DISP OFF;:CHAN3:DISP OFF;:CHAN4:DISP OFF");
    Ask(":ACQ:SRAT 1MS/s;:ACQ:POIN 4096;:SING");
    Tick();
    EXPECT_EQ(Ask(":CURS1:POS 100"), "");
    EXPECT_EQ(Error().substr(0, 5), "-221,");
    EXPECT_EQ(Ask(":CURS1:STAT ON;:CURS2:STAT ON;:CURS1:STAT?"), "1");
    EXPECT_EQ(Cursor1, 1);
    EXPECT_EQ(Ask(":CURS1:POS 1000;:CURS2:POS 3000;:CURS1:POS?;:CURS2:POS?"), "1000;3000");
    // 1000 samples at 1 MS/s, on a 0.5 V trace (with 10 mV of acquisition noise).
    const std::string readout = Ask(":CURS1:READ?");
    ASSERT_EQ(readout.substr(0, 13), "\"1.00 msec\",\"") << readout;
    const double shown = std::stod(readout.substr(13));
    const double volts = readout.find(" mV") != std::string::npos ? shown / 1000.0 : shown;
    EXPECT_NEAR(volts, 0.5, 0.06) << readout;
    EXPECT_EQ(readout.back(), '"');
    EXPECT_EQ(Ask(":CURS:DELT?"), "\"2.00 msec\"");
    EXPECT_EQ(Ask(":CURS2:POS 5000"), "");
    EXPECT_EQ(Error().substr(0, 5), "-222,");
    EXPECT_EQ(Ask(":CURS2:STAT OFF;:CURS:DELT?"), "");
    EXPECT_EQ(Error().substr(0, 5), "-221,");
}

TEST_F(RemoteBench, HardCopyIsAPngOfTheScopePanel)
{
    session_->Feed(":HCOP:DATA?\n");
    const std::string block = session_->TakeOutput();
    ASSERT_GT(block.size(), 20u);
    ASSERT_EQ(block[0], '#');
    const int digits = block[1] - '0';
    ASSERT_GT(digits, 0);
    const std::size_t length = std::stoul(block.substr(2, static_cast<std::size_t>(digits)));
    ASSERT_EQ(block.size(), 2 + static_cast<std::size_t>(digits) + length + 1);
    EXPECT_EQ(block.substr(2 + static_cast<std::size_t>(digits), 8), std::string("\x89PNG\r\n\x1a\n", 8));
}

TEST_F(RemoteBench, AdvancedSineThroughItsPanel)
{
    EXPECT_EQ(Ask(":ASIN:POIN 100;:ASIN:PER 8;:ASIN:CLOC 128kHz;:ASIN:AMPL 2;:ASIN:POIN?;:ASIN:PER?"), "128;8");
    EXPECT_EQ(CtrlInt(panelAd_Gene, AD_GENE_POINTS), 128);
    EXPECT_EQ(Ask(":ASIN:FREQ?"), "1000");
    EXPECT_EQ(Ask(":OUTP1 ON;:SOUR1:ASIN:APPL"), "");
    EXPECT_EQ(Error(), "0,\"No error\"");
    EXPECT_EQ(ch1Source, kCh1Advanced);
    EXPECT_EQ(Ask(":SOUR2:ASIN:APPL"), "");
    EXPECT_EQ(Error().substr(0, 5), "-114,");
}

TEST_F(RemoteBench, RunAndStopAsTheToolbarDoes)
{
    EXPECT_EQ(Ask(":RUN;:ACQ:STAT?"), "1");
    EXPECT_EQ(isScopeContOn, 1);
    Tick();
    Tick();
    EXPECT_EQ(Ask(":ACQ:STAT?;:MEAS:VPP? CHAN1").substr(0, 2), "1;");
    EXPECT_EQ(Ask(":STOP;:ACQ:STAT?"), "0");
    EXPECT_EQ(isScopeStopOn, 1);
    EXPECT_EQ(Ask(":ACQ:STR ON;:SYST:ERR?;:ACQ:STR?;:ACQ:STAT?"), "0,\"No error\";1;0");
    EXPECT_EQ(Ask(":RUN"), "");
    EXPECT_EQ(Error().substr(0, 5), "-221,");
    EXPECT_EQ(isScopeStartOn, 0);
}

} // namespace
