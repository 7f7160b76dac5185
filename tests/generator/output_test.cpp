// Standard waveforms through the generator panel: synthesis of whole
// periods, the range choice, both channels, switching off, drawing.
#include <algorithm>
#include <cmath>

#include "generator_fixture.h"

namespace
{

TEST_F(GeneratorTest, SineWithOffsetAndPhaseHoldsTwoWholePeriods)
{
    SetCtrlVal(panelGene, GENE_FREQUENCY, 1000.0);
    SetChannel(0, 0, 1.0, 0.3, 90.0);
    ASSERT_EQ(Switch(0, 1), 0);

    EXPECT_EQ(isGeneratorON, 1);
    EXPECT_EQ(numChanOut, 1);
    EXPECT_EQ(oPeriod, 16384);
    EXPECT_EQ(oSamples, 32768);
    EXPECT_EQ(SamplesCount, 32768);
    EXPECT_DOUBLE_EQ(oClockRate, 16.384e6); // the Demo Card states no highest clock
    ASSERT_NE(vBufferOut1, nullptr);
    EXPECT_NEAR(vBufferOut1[0], 1.3, 1e-12);
    EXPECT_NEAR(vBufferOut1[16384], 1.3, 1e-9);
    EXPECT_NEAR(vBufferOut1[8192], -0.7, 1e-9);
    EXPECT_DOUBLE_EQ(oRange[0], 2.0);
    // The phase runs on through whole periods and comes back to its start.
    EXPECT_NEAR(oChan[0].phase, 90.0, 1e-6);
    // The settings keep what the panel says.
    EXPECT_DOUBLE_EQ(oChan[0].amplitude, 1.0);
    EXPECT_DOUBLE_EQ(oChan[0].offset, 0.3);

    EXPECT_EQ(NumPlots(panelGene, GENE_GRAPH), 1);
    const std::vector<double> drawn = PlotValues(panelGene, GENE_GRAPH, oPlot[0]);
    ASSERT_EQ(drawn.size(), 16384u);
    EXPECT_NEAR(drawn[0], 1.3, 1e-12);
    EXPECT_NEAR(drawn[16383], vBufferOut1[16383], 1e-12);
}

TEST_F(GeneratorTest, NegativeAmplitudeInvertsAndKeepsItsSign)
{
    SetChannel(0, 0, -2.0, -0.5);
    ASSERT_EQ(Switch(0, 1), 0);
    ASSERT_NE(vBufferOut1, nullptr);
    EXPECT_NEAR(vBufferOut1[oPeriod / 4], -2.5, 1e-9);
    EXPECT_NEAR(vBufferOut1[3 * oPeriod / 4], 1.5, 1e-9);
    EXPECT_DOUBLE_EQ(oRange[0], 5.0);
    EXPECT_DOUBLE_EQ(oChan[0].amplitude, -2.0);
    EXPECT_DOUBLE_EQ(oChan[0].offset, -0.5);
}

TEST_F(GeneratorTest, DcPlusOffsetIsConstant)
{
    SetChannel(0, 5, 1.0, 0.5);
    ASSERT_EQ(Switch(0, 1), 0);
    ASSERT_NE(vBufferOut1, nullptr);
    for (int i = 0; i < oSamples; i += 997)
        ASSERT_DOUBLE_EQ(vBufferOut1[i], 1.5) << i;
    EXPECT_DOUBLE_EQ(vBufferOut1[oSamples - 1], 1.5);
    EXPECT_DOUBLE_EQ(oRange[0], 2.0);
}

TEST_F(GeneratorTest, SquareWaveIsHighForTheFirstHalfOfEveryPeriod)
{
    SetChannel(0, 1, 0.5);
    ASSERT_EQ(Switch(0, 1), 0);
    ASSERT_EQ(oPeriod, 16384);
    for (int i = 0; i < oSamples; ++i)
        ASSERT_DOUBLE_EQ(vBufferOut1[i], (i % 16384) < 8192 ? 0.5 : -0.5) << i;
    EXPECT_DOUBLE_EQ(oRange[0], 1.0); // peak exactly 0.5 takes the next range up
}

TEST_F(GeneratorTest, NoiseAddsAtMostATenthOfTheAmplitude)
{
    SetChannel(0, 5, 2.0, 0.0, 0.0, 1);
    ASSERT_EQ(Switch(0, 1), 0);
    bool varies = false;
    for (int i = 0; i < oSamples; ++i) {
        ASSERT_LE(std::fabs(vBufferOut1[i] - 2.0), 0.2 + 1e-12);
        varies = varies || vBufferOut1[i] != vBufferOut1[0];
    }
    EXPECT_TRUE(varies);
}

TEST_F(GeneratorTest, NoiseIsATenthOfTheAmplitudeWhateverTheOffset)
{
    // Uniform noise of 0.1 x amplitude: it spans nearly +/-0.1 x amplitude,
    // with the spread of a uniform distribution; the offset does not scale it.
    const struct {
        int type;
        double amplitude, offset;
    } cases[] = {{5, 2.0, 0.0}, {5, 1.0, 3.0}, {5, -4.0, 0.5}};
    for (const auto &c : cases) {
        SetChannel(0, c.type, c.amplitude, c.offset, 0.0, 1);
        ASSERT_EQ(Switch(0, 1), 0);
        const double level = c.amplitude + c.offset;
        const double bound = 0.1 * std::fabs(c.amplitude);
        double low = 0.0, high = 0.0, sum = 0.0, squares = 0.0;
        for (int i = 0; i < oSamples; ++i) {
            const double d = vBufferOut1[i] - level;
            low = std::min(low, d);
            high = std::max(high, d);
            sum += d;
            squares += d * d;
        }
        const double mean = sum / oSamples;
        const double spread = std::sqrt(squares / oSamples - mean * mean);
        EXPECT_LE(high, bound + 1e-12) << c.amplitude;
        EXPECT_GE(low, -bound - 1e-12) << c.amplitude;
        EXPECT_GT(high, 0.98 * bound) << c.amplitude;
        EXPECT_LT(low, -0.98 * bound) << c.amplitude;
        EXPECT_NEAR(spread, bound / std::sqrt(3.0), 0.03 * bound) << c.amplitude;
        EXPECT_NEAR(mean, 0.0, 0.03 * bound) << c.amplitude;
        ASSERT_EQ(Switch(0, 0), 0);
    }
}

TEST_F(GeneratorTest, RangeHoldsTheOffsetToo)
{
    // Each case's amplitude alone would choose a smaller range.
    const struct {
        double amplitude, offset, range;
    } cases[] = {{0.4, 0.2, 1.0}, {0.3, -0.25, 1.0}, {-0.04, 0.02, 0.1}, {1.5, 1.0, 5.0}, {0.1, -1.2, 2.0}};
    for (const auto &c : cases) {
        SetChannel(0, 0, c.amplitude, c.offset);
        SetChannel(1, 5, c.amplitude, c.offset);
        ASSERT_EQ(Switch(0, 1), 0);
        ASSERT_EQ(Switch(1, 1), 0);
        EXPECT_DOUBLE_EQ(oRange[0], c.range) << c.amplitude << " + " << c.offset;
        EXPECT_DOUBLE_EQ(oRange[1], c.range) << c.amplitude << " + " << c.offset;
        // The codes use that range: full scale is the range, not the amplitude.
        EXPECT_EQ(BufferOut2[0],
                  static_cast<short>(std::nearbyint((c.amplitude + c.offset) * 32767.0 / c.range)));
        ASSERT_EQ(Switch(0, 0), 0);
        ASSERT_EQ(Switch(1, 0), 0);
    }
}

TEST_F(GeneratorTest, BothChannelsInterleaveAndDrawTwoPeriodsEach)
{
    SetCtrlVal(panelGene, GENE_FREQUENCY, 100000.0);
    SetChannel(0, 0, 1.0);
    SetChannel(1, 5, -0.25);
    ASSERT_EQ(Switch(0, 1), 0);
    ASSERT_EQ(Switch(1, 1), 0);

    EXPECT_EQ(numChanOut, 2);
    EXPECT_EQ(oPeriod, 180);
    EXPECT_EQ(oSamples, 11520);
    EXPECT_EQ(SamplesCount, 2 * oSamples);
    ASSERT_NE(BufferOut, nullptr);
    for (int i = 0; i < oSamples; i += 101) {
        ASSERT_EQ(BufferOut[2 * i], BufferOut1[i]);
        ASSERT_EQ(BufferOut[2 * i + 1], BufferOut2[i]);
    }
    EXPECT_DOUBLE_EQ(vBufferOut2[0], -0.25);
    EXPECT_DOUBLE_EQ(oRange[1], 0.5);

    EXPECT_EQ(NumPlots(panelGene, GENE_GRAPH), 2);
    EXPECT_EQ(PlotLength(panelGene, GENE_GRAPH, oPlot[0]), 2 * oPeriod);
    const std::vector<double> ch2 = PlotValues(panelGene, GENE_GRAPH, oPlot[1]);
    ASSERT_EQ(ch2.size(), static_cast<size_t>(2 * oPeriod));
    EXPECT_DOUBLE_EQ(ch2[0], -0.25);
}

TEST_F(GeneratorTest, ChannelTwoAloneDrawsTwoPeriods)
{
    SetChannel(1, 2, 1.0);
    ASSERT_EQ(Switch(1, 1), 0);
    EXPECT_EQ(numChanOut, 1);
    EXPECT_EQ(oPeriod, 16384);
    EXPECT_EQ(NumPlots(panelGene, GENE_GRAPH), 1);
    EXPECT_EQ(PlotLength(panelGene, GENE_GRAPH, oPlot[1]), 32768);
    EXPECT_NEAR(vBufferOut2[4096], 1.0, 1e-9); // triangle peak at a quarter period
}

TEST_F(GeneratorTest, SwitchingOffReleasesTheCombinedBufferAndKeepsTheDrawing)
{
    ASSERT_EQ(Switch(0, 1), 0);
    ASSERT_NE(BufferOut, nullptr);
    ASSERT_EQ(Switch(0, 0), 0);
    EXPECT_EQ(isGeneratorON, 0);
    EXPECT_EQ(numChanOut, 0);
    EXPECT_EQ(BufferOut, nullptr);
    EXPECT_EQ(NumPlots(panelGene, GENE_GRAPH), 1);

    // Off: setting changes are not read.
    ASSERT_EQ(OperateCtrl(panelGene, GENE_FREQUENCY, 5000.0), 0);
    EXPECT_DOUBLE_EQ(oFrequency, 1000.0);

    ASSERT_EQ(Switch(0, 1), 0);
    EXPECT_NE(BufferOut, nullptr);
    EXPECT_DOUBLE_EQ(oFrequency, 5000.0);
}

TEST_F(GeneratorTest, SettingChangeWhileOnRebuildsTheOutput)
{
    ASSERT_EQ(Switch(0, 1), 0);
    ASSERT_EQ(OperateCtrl(panelGene, GENE_FREQUENCY, 10000.0), 0);
    EXPECT_DOUBLE_EQ(oFrequency, 10000.0);
    EXPECT_EQ(oPeriod, 2048);
    EXPECT_EQ(oSamples, 16384);
    ASSERT_EQ(OperateCtrl(panelGene, GENE_CH1_AMPLITUDE, 3.0), 0);
    EXPECT_DOUBLE_EQ(oRange[0], 5.0);
    // Reselecting the device repeats the update.
    ASSERT_EQ(CallCtrlCallback(panelGene, GENE_DEVICE, EVENT_VAL_CHANGED, 0, 0), 0);
    EXPECT_EQ(oSamples, 16384);
}

TEST_F(GeneratorTest, ClockIsLimitedByABoardThatStatesAHighestClock)
{
    bi.maxOutClk = 20e6;
    SetCtrlVal(panelGene, GENE_FREQUENCY, 10000.0);
    ASSERT_EQ(Switch(0, 1), 0);
    EXPECT_DOUBLE_EQ(maxOutClk, 20e6);
    EXPECT_DOUBLE_EQ(oClockRate, 20e6);
    ASSERT_EQ(OperateCtrl(panelGene, GENE_FREQUENCY, 1000.0), 0);
    EXPECT_DOUBLE_EQ(oClockRate, 16.384e6);
}

TEST_F(GeneratorTest, MenuShowsAndCloseHidesThePanel)
{
    Display_Generator(Menu_Handle, MENUBAR_INSTRUMENTS_GENERATOR, nullptr, panelBench);
    int visible = 0;
    GetPanelAttribute(panelGene, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 1);
    ASSERT_EQ(OperateCtrl(panelGene, GENE_CLOSE, 0), 0);
    GetPanelAttribute(panelGene, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 0);
}

} // namespace
