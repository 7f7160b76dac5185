// Spectrum analysis through its panel and the capture: averaging narrows
// the spread of a noise spectrum by about the square root of the count, the
// peak hold never falls and starts afresh with new settings, the figures of
// a square and of a sine, and the peak table.
#include <cmath>
#include <numeric>
#include <vector>

#include "test_capture_support.h"

using namespace acqtest;

namespace
{

class SpectrumStatsTest : public AcqTest
{
  protected:
    void SetUp() override
    {
        AcqTest::SetUp();
        Channels({1});
        Display_SpecAn(panelScope, SCOPE_SPECAN_BUTTON, EVENT_COMMIT, nullptr, 0, 0);
        ASSERT_GT(panelSpecAn, 0);
        ASSERT_EQ(OperateCtrl(panelScope, SCOPE_FFT_SWITCH, 1), 0);
        ASSERT_EQ(isFFT_On, 1);
    }
    void Shots(int count, int n, double rate)
    {
        Scope(n, rate, 0, 1, 0);
        for (int i = 0; i < count; ++i) {
            ASSERT_EQ(OneShot(), 0);
            Tick();
        }
    }
    // Relative spread (standard deviation / mean) of the power of the bins
    // of slot 0 away from DC and Nyquist.
    static double Spread(int n)
    {
        std::vector<double> p;
        for (int i = 8; i < n / 2 - 8; ++i)
            p.push_back(std::pow(10.0, spectrum[0][i] / 10.0));
        const double mean = std::accumulate(p.begin(), p.end(), 0.0) / p.size();
        double ss = 0;
        for (double v : p)
            ss += (v - mean) * (v - mean);
        return std::sqrt(ss / (p.size() - 1)) / mean;
    }
    static std::string Text(int control)
    {
        char text[1024] = "";
        GetCtrlVal(panelSpecAn, control, text);
        return text;
    }
};

TEST_F(SpectrumStatsTest, LinearAveragingNarrowsNoiseBySquareRootOfCount)
{
    Generator(4, 1.0, 1000.0); // white noise
    SetCtrlVal(panelScope, SCOPE_FFT_WINDOW, 1);
    Shots(1, 4096, 100000.0);
    const double single = Spread(4096);
    EXPECT_NEAR(single, 1.0, 0.15); // one periodogram: exponential bins

    SetCtrlVal(panelSpecAn, SPECAN_AVG_COUNT, 16);
    ASSERT_EQ(OperateCtrl(panelSpecAn, SPECAN_AVERAGING, 1), 0);
    ASSERT_EQ(scopeMeasure.spectrum.averaging, 1);
    ASSERT_EQ(scopeMeasure.spectrum.averageCount, 16);
    Shots(16, 4096, 100000.0);
    EXPECT_EQ(scopeMeasure.spectrum.averaged[0], 16);
    EXPECT_EQ(Text(SPECAN_AVG_DONE), "16 of 16 averaged");
    const double averaged = Spread(4096);
    EXPECT_NEAR(single / averaged, 4.0, 1.0);

    // Exponential averaging with the same weight also narrows it.
    ASSERT_EQ(OperateCtrl(panelSpecAn, SPECAN_AVERAGING, 2), 0);
    Shots(40, 4096, 100000.0);
    EXPECT_GT(single / Spread(4096), 2.5);
}

TEST_F(SpectrumStatsTest, PeakHoldNeverFallsAndStartsAfreshOnASettingsChange)
{
    Generator(4, 1.0, 1000.0);
    ASSERT_EQ(OperateCtrl(panelSpecAn, SPECAN_PEAK_HOLD, 1), 0);
    ASSERT_EQ(OperateCtrl(panelSpecAn, SPECAN_MIN_HOLD, 1), 0);
    std::vector<double> last;
    for (int i = 0; i < 5; ++i) {
        Shots(1, 2048, 100000.0);
        const std::vector<double> &peak = scopeMeasure.spectrum.peak[0];
        const std::vector<double> &low = scopeMeasure.spectrum.minimum[0];
        ASSERT_EQ(peak.size(), 1024u);
        for (std::size_t b = 0; b < peak.size(); ++b) {
            // The hold lies above (below) the spectrum shown now.
            ASSERT_GE(peak[b] * (1 + 1e-9), std::pow(10.0, spectrum[0][b] / 10.0) * 0.6084) << b;
            ASSERT_LE(low[b] * (1 - 1e-9), std::pow(10.0, spectrum[0][b] / 10.0) * 0.6084) << b;
            if (!last.empty()) {
                ASSERT_GE(peak[b], last[b]) << "capture " << i << " bin " << b;
            }
        }
        last = peak;
    }
    EXPECT_EQ(scopeMeasure.spectrum.peakCount[0], 5);
    // Both hold traces are drawn beside the spectrum.
    EXPECT_EQ(NumPlots(SCOPE_FFTGRAPH), 3);

    // A new generator amplitude: the hold starts again from this capture.
    Generator(4, 0.1, 1000.0);
    Shots(1, 2048, 100000.0);
    EXPECT_EQ(scopeMeasure.spectrum.peakCount[0], 1);
    for (std::size_t b = 0; b < 1024; ++b)
        ASSERT_NEAR(scopeMeasure.spectrum.peak[0][b], std::pow(10.0, spectrum[0][b] / 10.0) * 0.6084,
                    1e-9 * scopeMeasure.spectrum.peak[0][b]);
    // So does a new window.
    Shots(2, 2048, 100000.0);
    EXPECT_EQ(scopeMeasure.spectrum.peakCount[0], 3);
    SetCtrlVal(panelScope, SCOPE_FFT_WINDOW, 2);
    Shots(1, 2048, 100000.0);
    EXPECT_EQ(scopeMeasure.spectrum.peakCount[0], 1);
    // And the Reset button.
    OperateCtrl(panelSpecAn, SPECAN_RESET, 0);
    EXPECT_EQ(scopeMeasure.spectrum.peakCount[0], 0);
}

TEST_F(SpectrumStatsTest, SquareHasTheThdOfItsHarmonicsAndASineNearNone)
{
    // 1024 samples per period, four periods: every harmonic on a bin.
    Generator(1, 1.0, 1000.0);
    SetCtrlVal(panelScope, SCOPE_FFT_WINDOW, 0);
    Shots(1, 4096, 1024000.0);
    ASSERT_EQ(scopeMeasure.spectrum.status, 0);
    const double expected = 100.0 * std::sqrt(M_PI * M_PI / 8.0 - 1.0); // 48.34 %
    EXPECT_NEAR(scopeMeasure.spectrum.thd, expected, 0.3);
    EXPECT_NEAR(scopeMeasure.spectrum.fundamental, 1000.0, 1.0);
    EXPECT_EQ(Text(SPECAN_THD).substr(0, 6), "THD 48");
    // The peak table: the fundamental first, then the third harmonic 9.54 dB lower.
    char f[64] = "", l1[64] = "", l3[64] = "";
    GetTableCellVal(panelSpecAn, SPECAN_PEAK_TABLE, 1, 1, f);
    GetTableCellVal(panelSpecAn, SPECAN_PEAK_TABLE, 1, 2, l1);
    GetTableCellVal(panelSpecAn, SPECAN_PEAK_TABLE, 2, 2, l3);
    EXPECT_STREQ(f, "1.0000");
    EXPECT_NEAR(std::atof(l1) - std::atof(l3), 20.0 * std::log10(3.0), 0.05);
    int rows = 0;
    GetNumTableRows(panelSpecAn, SPECAN_PEAK_TABLE, &rows);
    EXPECT_EQ(rows, 5);

    // A sine: THD near 0 (only the noise in the harmonics' bins), SNR from
    // the 1 mV acquisition noise.
    Generator(0, 1.0, 1000.0);
    Shots(1, 4096, 1024000.0);
    ASSERT_EQ(scopeMeasure.spectrum.status, 0);
    EXPECT_LT(scopeMeasure.spectrum.thd, 0.2);
    EXPECT_GT(scopeMeasure.spectrum.snr, 50.0);
    EXPECT_NE(Text(SPECAN_SNR).find("dB"), std::string::npos);
    // The generator's noise switch: uniform noise of 0.1 V (variance
    // 0.1^2 / 3) beside the 1 mV of the acquisition sets the SNR.
    Generator(0, 1.0, 1000.0, 0.0, 1);
    Shots(1, 4096, 1024000.0);
    const double predicted = 10.0 * std::log10(0.5 / ((0.1 * 0.1 + 0.001 * 0.001) / 3.0));
    EXPECT_NEAR(scopeMeasure.spectrum.snr, predicted, 0.5);
}

} // namespace
