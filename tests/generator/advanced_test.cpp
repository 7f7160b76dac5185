// The advanced sine: rounding of the points, the waveform, the flag's life.
#include "generator_fixture.h"

namespace
{

class AdvancedTest : public GeneratorTest
{
  protected:
    static void SetAdvanced(int points, int periods, double clock, double amplitude, double offset = 0.0)
    {
        SetCtrlVal(panelAd_Gene, AD_GENE_POINTS, points);
        SetCtrlVal(panelAd_Gene, AD_GENE_PERIODS, periods);
        SetCtrlVal(panelAd_Gene, AD_GENE_CLOCK, clock);
        SetCtrlVal(panelAd_Gene, AD_GENE_AMPLITUDE, amplitude);
        SetCtrlVal(panelAd_Gene, AD_GENE_OFFSET, offset);
    }
    static int PointsBox()
    {
        int v = 0;
        GetCtrlVal(panelAd_Gene, AD_GENE_POINTS, &v);
        return v;
    }
};

TEST_F(AdvancedTest, PointsRoundUpToMultiplesOf32)
{
    ASSERT_EQ(OperateCtrl(panelAd_Gene, AD_GENE_POINTS, 33), 0);
    EXPECT_EQ(PointsBox(), 64);
    ASSERT_EQ(OperateCtrl(panelAd_Gene, AD_GENE_POINTS, 70), 0);
    EXPECT_EQ(PointsBox(), 96);
    ASSERT_EQ(OperateCtrl(panelAd_Gene, AD_GENE_POINTS, 32), 0);
    EXPECT_EQ(PointsBox(), 32);
    // Only the points box is rounded.
    SetCtrlVal(panelAd_Gene, AD_GENE_POINTS, 33);
    ASSERT_EQ(OperateCtrl(panelAd_Gene, AD_GENE_PERIODS, 3), 0);
    EXPECT_EQ(PointsBox(), 33);
}

TEST_F(AdvancedTest, DisplaysFrequencyAndSamples)
{
    SetAdvanced(64, 4, 64000.0, 1.0);
    ASSERT_EQ(OperateCtrl(panelAd_Gene, AD_GENE_CLOCK, 64000.0), 0);
    double frequency = 0.0;
    int samples = 0;
    GetCtrlVal(panelAd_Gene, AD_GENE_FREQUENCY, &frequency);
    GetCtrlVal(panelAd_Gene, AD_GENE_SAMPLES, &samples);
    EXPECT_DOUBLE_EQ(frequency, 1000.0);
    EXPECT_EQ(samples, 256);
}

TEST_F(AdvancedTest, OkBuildsFourIdenticalPeriodsAndSetsTheFlag)
{
    SetAdvanced(64, 4, 64000.0, 1.0);
    ASSERT_EQ(OperateCtrl(panelAd_Gene, AD_GENE_POINTS, 33), 0); // rounds to 64
    ASSERT_EQ(OperateCtrl(panelAd_Gene, AD_GENE_OK, 0), 0);
    EXPECT_EQ(isAdvancedWaveformON, 1);
    EXPECT_EQ(oSamples, 256);
    EXPECT_DOUBLE_EQ(oClockRate, 64000.0);
    ASSERT_NE(vBufferOut1, nullptr);
    EXPECT_EQ(vBufferOut1[0], 0.0);
    EXPECT_EQ(vBufferOut1[16], 1.0);
    for (int i = 0; i < 64; ++i)
        for (int p = 1; p < 4; ++p)
            ASSERT_EQ(vBufferOut1[p * 64 + i], vBufferOut1[i]);
    int visible = 1;
    GetPanelAttribute(panelAd_Gene, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 0);
}

TEST_F(AdvancedTest, NextUpdateWithChannelOneOnPlaysItOnce)
{
    SetAdvanced(64, 4, 64000.0, 3.0);
    ASSERT_EQ(OperateCtrl(panelAd_Gene, AD_GENE_OK, 0), 0);
    ASSERT_EQ(Switch(0, 1), 0);
    EXPECT_EQ(isAdvancedWaveformON, 0);
    EXPECT_EQ(oSamples, 256);
    EXPECT_EQ(oPeriod, 256);
    EXPECT_EQ(PlotLength(panelGene, GENE_GRAPH, oPlot[0]), 256);
    EXPECT_EQ(vBufferOut1[16], 3.0);
    EXPECT_DOUBLE_EQ(oRange[0], 5.0); // the range fits the advanced amplitude

    // The following update synthesises CH1 from the generator panel again.
    ASSERT_EQ(OperateCtrl(panelGene, GENE_FREQUENCY, 1000.0), 0);
    EXPECT_EQ(oSamples, 32768);
    EXPECT_EQ(PlotLength(panelGene, GENE_GRAPH, oPlot[0]), 16384);
}

TEST_F(AdvancedTest, UpdateWithChannelOneOffClearsTheFlagWithoutUsingIt)
{
    SetAdvanced(32, 2, 64000.0, 1.0);
    ASSERT_EQ(OperateCtrl(panelAd_Gene, AD_GENE_OK, 0), 0);
    ASSERT_EQ(Switch(1, 1), 0);
    EXPECT_EQ(isAdvancedWaveformON, 0);
    EXPECT_EQ(oSamples, 32768); // CH2's standard buffer
    ASSERT_EQ(Switch(0, 1), 0);
    EXPECT_EQ(oPeriod, 8192); // CH1 synthesised normally, two channels
}

TEST_F(AdvancedTest, AdvancedChannelOneBesideChannelTwoIsDrawnWithinItsBuffer)
{
    SetAdvanced(32, 2, 64000.0, 1.0);
    ASSERT_EQ(Switch(1, 1), 0);
    ASSERT_EQ(OperateCtrl(panelAd_Gene, AD_GENE_OK, 0), 0);
    ASSERT_EQ(Switch(0, 1), 0);
    EXPECT_EQ(numChanOut, 2);
    // 2 x oPeriod of CH2's clock would be 16384 samples; CH1 holds only 64.
    EXPECT_EQ(PlotLength(panelGene, GENE_GRAPH, oPlot[0]), 64);
    EXPECT_EQ(PlotLength(panelGene, GENE_GRAPH, oPlot[1]), 2 * oPeriod);
}

TEST_F(AdvancedTest, PreviewDrawsOnePeriodAndLeavesTheFlagClear)
{
    SetAdvanced(96, 3, 96000.0, 2.0, 0.5);
    ASSERT_EQ(OperateCtrl(panelAd_Gene, AD_GENE_PREVIEW, 0), 0);
    ASSERT_EQ(OperateCtrl(panelAd_Gene, AD_GENE_PREVIEW, 0), 0);
    EXPECT_EQ(isAdvancedWaveformON, 0);
    // A preview is drawn on the panel only: the output is left as it was.
    EXPECT_EQ(oSamples, 0);
    EXPECT_EQ(vBufferOut1, nullptr);
    EXPECT_EQ(ch1Source, kCh1Standard);
    int samples = 0;
    GetCtrlVal(panelAd_Gene, AD_GENE_SAMPLES, &samples);
    EXPECT_EQ(samples, 288);
    EXPECT_EQ(NumPlots(panelAd_Gene, AD_GENE_GRAPH), 1);
    const std::vector<double> drawn = PlotValues(panelAd_Gene, AD_GENE_GRAPH, adPreviewPlot);
    ASSERT_EQ(drawn.size(), 96u);
    EXPECT_DOUBLE_EQ(drawn[0], 0.5); // the offset shifts the sine
    EXPECT_DOUBLE_EQ(drawn[24], 2.5);

    ASSERT_EQ(Switch(0, 1), 0);
    EXPECT_EQ(oSamples, 32768);
}

TEST_F(AdvancedTest, TooManySamplesAreRefusedAndChangeNothing)
{
    ASSERT_EQ(Switch(0, 1), 0);
    const double *before = vBufferOut1;
    SetAdvanced(1048576, 1024, 64000.0, 1.0);
    ASSERT_EQ(OperateCtrl(panelAd_Gene, AD_GENE_OK, 0), 0);
    EXPECT_EQ(isAdvancedWaveformON, 0);
    EXPECT_EQ(vBufferOut1, before);
    EXPECT_EQ(oSamples, 32768);
    ASSERT_FALSE(testseam::Shown().empty());
    EXPECT_EQ(testseam::Shown().back().rfind("Error message|", 0), 0u);
}

} // namespace
