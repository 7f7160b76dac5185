// What generator channel 1 puts on the simulated input: the scope and the
// voltmeter see the buffer CH1 plays (an ".awg" file, the advanced sine)
// and never disturb the generator's own settings.
#include <cmath>
#include <vector>

#include "generator_fixture.h"

namespace
{

class Ch1InputTest : public GeneratorTest
{
  protected:
    void SetUp() override
    {
        GeneratorTest::SetUp();
        trigger_source = 0; // triggered: every record starts at the trigger point
        trigger_slope = 1;
    }
    // A record of n samples after pre pre-trigger samples, without
    // acquisition noise.
    static std::vector<double> Record(int pre, int n, int stride, double rate)
    {
        std::vector<double> out(static_cast<size_t>(pre + n));
        EXPECT_EQ(Scope_SynthesizeRecord(out.data(), pre, n, stride, rate, 0.0), 0);
        out.resize(static_cast<size_t>(stride > 1 ? n / stride : pre + n));
        return out;
    }
    static void SetAdvanced(int points, int periods, double clock, double amplitude, double offset)
    {
        SetCtrlVal(panelAd_Gene, AD_GENE_POINTS, points);
        SetCtrlVal(panelAd_Gene, AD_GENE_PERIODS, periods);
        SetCtrlVal(panelAd_Gene, AD_GENE_CLOCK, clock);
        SetCtrlVal(panelAd_Gene, AD_GENE_AMPLITUDE, amplitude);
        SetCtrlVal(panelAd_Gene, AD_GENE_OFFSET, offset);
    }
    static double VoltmeterReads(int measure)
    {
        SetCtrlVal(panelVoltmeter, VOLTMETER_MEASURE, measure);
        OperateCtrl(panelVoltmeter, VOLTMETER_RUN, 0);
        CallCtrlCallback(panelVoltmeter, VOLTMETER_TIMER, EVENT_TIMER_TICK, 0, 0);
        return Voltmeter_Reading();
    }
    static int Ch1Type()
    {
        int type = -1;
        GetCtrlVal(panelGene, GENE_CH1_TYPE, &type);
        return type;
    }
    static int SwitchValue(int control)
    {
        int on = -1;
        GetCtrlVal(panelGene, control, &on);
        return on;
    }
    static int Dimmed(int control)
    {
        int dimmed = -1;
        GetCtrlAttribute(panelGene, control, ATTR_DIMMED, &dimmed);
        return dimmed;
    }
};

TEST_F(Ch1InputTest, RecordsNeverWriteTheGeneratorsPhase)
{
    SetChannel(0, 0, 1.0, 0.0, 30.0);
    ASSERT_EQ(Switch(0, 1), 0);
    ASSERT_DOUBLE_EQ(oChan[0].phase, 30.0);
    std::vector<double> out(5000);
    for (int source : {0, 100}) { // triggered, then free running (a random start)
        trigger_source = source;
        ASSERT_EQ(Scope_SynthesizeRecord(out.data(), 0, 1000, 1, 123456.0, 0.01), 0);
        EXPECT_DOUBLE_EQ(oChan[0].phase, 30.0) << source;
        ASSERT_EQ(Scope_SynthesizeRecord(out.data(), 37, 1000, 1, 123456.0, 0.01), 0);
        EXPECT_DOUBLE_EQ(oChan[0].phase, 30.0) << source;
        ASSERT_EQ(Scope_SynthesizeRecord(out.data(), 0, 4003, 4, 123456.0, 0.01), 0); // a stream's decimation
        EXPECT_DOUBLE_EQ(oChan[0].phase, 30.0) << source;
        ASSERT_EQ(Scope_SynthesizeInput(out.data(), 777, 1e6, 0.01), 0);
        EXPECT_DOUBLE_EQ(oChan[0].phase, 30.0) << source;
    }
}

TEST_F(Ch1InputTest, StandardWaveformIsSynthesisedFromTheSettings)
{
    SetChannel(0, 0, 2.0, 0.5);
    SetCtrlVal(panelGene, GENE_FREQUENCY, 1000.0);
    ASSERT_EQ(Switch(0, 1), 0);
    Generator_Ch1Wave wave;
    EXPECT_FALSE(Generator_Ch1Buffer(&wave));
    const std::vector<double> r = Record(0, 400, 1, 100000.0);
    EXPECT_NEAR(r[0], 0.5, 1e-12);
    EXPECT_NEAR(r[25], 2.5, 1e-9); // a quarter period at 100 samples per period
    EXPECT_NEAR(r[75], -1.5, 1e-9);
}

TEST_F(Ch1InputTest, FileWaveformIsPlayedAtItsClockAndHeldBetweenSamples)
{
    // Four samples 2^-16 s apart (times exact in binary): 65536 Hz.
    SetCtrlVal(panelGene, GENE_CH1_TYPE, 6);
    testseam::QueueFileAnswer(
        WriteFile("steps.awg", "0\t0\n0.0000152587890625\t1\n0.000030517578125\t2\n0.0000457763671875\t3\n"));
    ASSERT_EQ(Switch(0, 1), 0);
    Generator_Ch1Wave wave;
    ASSERT_TRUE(Generator_Ch1Buffer(&wave));
    EXPECT_EQ(wave.count, 4);
    EXPECT_EQ(wave.clockRate, 65536.0);

    // At twice the clock every output sample is seen twice; the offset,
    // noise and slope settings of CH1 change nothing of a played buffer.
    oChan[0].offset = 5.0;
    oChan[0].noise = 1;
    trigger_slope = 0;
    const std::vector<double> r = Record(3, 16, 1, 131072.0);
    const double expected[] = {2, 3, 3, // before the trigger point, backwards in time
                               0, 0, 1, 1, 2, 2, 3, 3, 0, 0, 1, 1, 2, 2, 3, 3};
    ASSERT_EQ(r.size(), 19u);
    for (size_t i = 0; i < r.size(); ++i)
        EXPECT_DOUBLE_EQ(r[i], expected[i]) << i;

    // A stream's decimated record keeps every second sample.
    const std::vector<double> d = Record(0, 17, 2, 131072.0);
    const double kept[] = {0, 1, 2, 3, 0, 1, 2, 3};
    ASSERT_EQ(d.size(), 8u);
    for (size_t i = 0; i < d.size(); ++i)
        EXPECT_DOUBLE_EQ(d[i], kept[i]) << i;

    // The voltmeter measures it too: mean 1.5 V, RMS around it sqrt(1.25).
    EXPECT_NEAR(VoltmeterReads(kMeasureDC), 1.5, 0.003);
    EXPECT_NEAR(VoltmeterReads(kMeasureACRMS), std::sqrt(1.25), 0.003);
}

TEST_F(Ch1InputTest, FreeRunningRecordsOfABufferStartAnywhereInIt)
{
    SetCtrlVal(panelGene, GENE_CH1_TYPE, 6);
    std::string text;
    for (int i = 0; i < 1000; ++i)
        text += std::to_string(i * 1e-6) + "\t" + std::to_string(i * 0.001) + "\n";
    testseam::QueueFileAnswer(WriteFile("ramp.awg", text));
    ASSERT_EQ(Switch(0, 1), 0);
    trigger_source = 100;
    const std::vector<double> a = Record(0, 10, 1, 1e6);
    const std::vector<double> b = Record(0, 10, 1, 1e6);
    EXPECT_NE(a[0], b[0]);
    for (size_t i = 1; i < a.size(); ++i) // a ramp of 1 mV per sample, wrapping after 1000
        EXPECT_NEAR(std::fmod(a[i] - a[i - 1] + 1.0, 1.0), 0.001, 1e-9) << i;
}

TEST_F(Ch1InputTest, AdvancedSineIsAppliedAtOnceAndReachesTheInput)
{
    SetChannel(0, 0, 1.0);
    ASSERT_EQ(Switch(0, 1), 0);
    ASSERT_EQ(PlotLength(panelGene, GENE_GRAPH, oPlot[0]), 16384);

    // 64 points at 64 kHz: a 1 kHz sine of 2 V around 0.5 V.
    SetAdvanced(64, 4, 64000.0, 2.0, 0.5);
    ASSERT_EQ(OperateCtrl(panelAd_Gene, AD_GENE_OK, 0), 0);
    // In force and drawn now, not at some later change.
    EXPECT_EQ(isAdvancedWaveformON, 0);
    EXPECT_EQ(ch1Source, kCh1Advanced);
    EXPECT_EQ(NumPlots(panelGene, GENE_GRAPH), 1);
    const std::vector<double> drawn = PlotValues(panelGene, GENE_GRAPH, oPlot[0]);
    ASSERT_EQ(drawn.size(), 256u);
    EXPECT_DOUBLE_EQ(drawn[16], 2.5);
    EXPECT_DOUBLE_EQ(oRange[0], 5.0);

    // The scope at the buffer's own clock sees the buffer itself.
    const std::vector<double> r = Record(0, 512, 1, 64000.0);
    for (int i = 0; i < 512; ++i)
        ASSERT_DOUBLE_EQ(r[i], vBufferOut1[i % 256]) << i;
    EXPECT_NEAR(VoltmeterReads(kMeasureDC), 0.5, 0.003);
    EXPECT_NEAR(VoltmeterReads(kMeasureACRMS), 2.0 / std::sqrt(2.0), 0.003);

    // The next change of the generator's settings brings the standard sine back.
    ASSERT_EQ(OperateCtrl(panelGene, GENE_FREQUENCY, 1000.0), 0);
    Generator_Ch1Wave wave;
    EXPECT_FALSE(Generator_Ch1Buffer(&wave));
}

TEST_F(Ch1InputTest, RefusedOrCancelledFileLeavesPanelGraphAndInputOnWhatIsInForce)
{
    SetChannel(0, 0, 1.0, 0.0);
    SetCtrlVal(panelGene, GENE_FREQUENCY, 1000.0);
    ASSERT_EQ(Switch(0, 1), 0);
    const std::vector<double> graphBefore = PlotValues(panelGene, GENE_GRAPH, oPlot[0]);

    for (const std::string &answer : {std::string(), WriteFile("bad.awg", "not a waveform\n")}) {
        testseam::ClearShown();
        testseam::QueueFileAnswer(answer);
        EXPECT_EQ(OperateCtrl(panelGene, GENE_CH1_TYPE, 6), 0);
        // The sine is still in force: the panel says so, the graph shows it,
        // and the scope's input carries it (not a flat line).
        EXPECT_EQ(Ch1Type(), 0) << answer;
        EXPECT_EQ(oChan[0].type, 0) << answer;
        EXPECT_EQ(SwitchValue(GENE_CH1_SWITCH), 1);
        EXPECT_EQ(Dimmed(GENE_CH2_SWITCH), 0);
        EXPECT_EQ(PlotValues(panelGene, GENE_GRAPH, oPlot[0]), graphBefore);
        const std::vector<double> r = Record(0, 400, 1, 100000.0);
        EXPECT_NEAR(r[25], 1.0, 1e-9) << answer;
        EXPECT_NEAR(VoltmeterReads(kMeasureACRMS), 1.0 / std::sqrt(2.0), 0.003) << answer;
    }
}

TEST_F(Ch1InputTest, CancelledFileGivesBackTheSwitchesAsTheyWere)
{
    // CH2 on alone; CH1 switched on with a file, then the dialog cancelled.
    SetChannel(1, 0, 1.0);
    ASSERT_EQ(Switch(1, 1), 0);
    SetCtrlVal(panelGene, GENE_CH1_TYPE, 6);
    testseam::QueueFileAnswer("");
    EXPECT_EQ(Switch(0, 1), 0);
    EXPECT_EQ(SwitchValue(GENE_CH1_SWITCH), 0);
    EXPECT_EQ(SwitchValue(GENE_CH2_SWITCH), 1);
    EXPECT_EQ(Dimmed(GENE_CH2_SWITCH), 0);
    EXPECT_EQ(isGeneratorON, 1);
    EXPECT_EQ(numChanOut, 1);
    EXPECT_NE(BufferOut, nullptr);
    EXPECT_EQ(NumPlots(panelGene, GENE_GRAPH), 1);

    // From off: nothing was in force, so the generator stays off.
    ASSERT_EQ(Switch(1, 0), 0);
    SetCtrlVal(panelGene, GENE_CH1_TYPE, 6);
    testseam::QueueFileAnswer("");
    EXPECT_EQ(Switch(0, 1), 0);
    EXPECT_EQ(SwitchValue(GENE_CH1_SWITCH), 0);
    EXPECT_EQ(isGeneratorON, 0);
    EXPECT_EQ(numChanOut, 0);
}

} // namespace
