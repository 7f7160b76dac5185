// The spectrum view: levels and peaks of known signals, the bins shown for
// the window, the switch and the readout cursor.
#include <cmath>

#include "analysis/fft.h"

#include "support/bench_fixture.h"
#include "test_capture_support.h"
#include "test_view_support.h"

using namespace viewtest;

namespace
{

class SpectrumTest : public BenchTest
{
  protected:
    void SetUp() override
    {
        BenchTest::SetUp();
        oChan[0].type = 0;
        oChan[0].amplitude = 1.0;
        oChan[0].offset = 0.0;
        oChan[0].noise = 0;
        oChan[0].phase = 0.0;
        oFrequency = 5000.0;
        iClockRate = 100000.0;
        trigger_source = 0;
        trigger_slope = 1;
        isFilterON = 0;
        MakeRamp(1, 1000);
        isFFT_On = 1;
    }
    void TearDown() override
    {
        isFFT_On = 0;
        BenchTest::TearDown();
    }
    void SetWindow(int code) { SetCtrlVal(panelScope, SCOPE_FFT_WINDOW, code); }
    double PeakFrequency() { return CtrlNumber(panelScope, SCOPE_FFT_PEAK_FREQ); }
    double PeakLevel() { return CtrlNumber(panelScope, SCOPE_FFT_PEAK_LEVEL); }
};

const double kSineLevel = 10.0 * std::log10(0.5 / 0.6084); // about -0.85 dBm

TEST_F(SpectrumTest, BinCentredSineReadsItsLevelWithEveryWindow)
{
    for (int code = 0; code <= 9; ++code) {
        SetWindow(code);
        fft(0, 0);
        EXPECT_NEAR(PeakLevel(), kSineLevel, 0.05) << "window " << code;
        EXPECT_NEAR(PeakFrequency(), 5.0, 1e-9) << "window " << code;
    }
    EXPECT_NEAR(dFreqStep, 0.1, 1e-12);
    // Bin 50 of the stored spectrum is the peak.
    EXPECT_NEAR(spectrum[0][50], kSineLevel, 0.05);
    double gain = 0;
    GetCtrlAttribute(panelScope, SCOPE_FFTGRAPH, ATTR_XAXIS_GAIN, &gain);
    EXPECT_NEAR(gain, 0.1, 1e-12);
}

TEST_F(SpectrumTest, DirectCurrentPeaksAtZero)
{
    oChan[0].type = 5;
    fft(0, 0);
    EXPECT_DOUBLE_EQ(PeakFrequency(), 0.0);
    // 1 V DC: 10 log10(1 / 0.6084)
    EXPECT_NEAR(PeakLevel(), 10.0 * std::log10(1.0 / 0.6084), 0.05);
}

TEST_F(SpectrumTest, DrawsTheBinsOfTheVisibleWindow)
{
    DeleteGraphPlot(panelScope, SCOPE_FFTGRAPH, -1, VAL_IMMEDIATE_DRAW);
    fft(0, 0);
    ASSERT_EQ(NumPlots(SCOPE_FFTGRAPH), 1);
    EXPECT_EQ(PlotCount(SCOPE_FFTGRAPH, spectrumPlot[0]), 500);

    // One Zoom In: 250 bins from bin Scroll_Value / 2.
    ScopeZoomData(panelScope, 0, EVENT_COMMIT, Data(1), 0, 0);
    ASSERT_EQ(Scroll_Thumb_Size, 500);
    ScrollBarCallback(panelScope, SCOPE_SCROLLBAR, SB_EVENT_JUMP, nullptr, 101, 0);
    ASSERT_EQ(NumPlots(SCOPE_FFTGRAPH), 1);
    const std::vector<double> bins = PlotValues(SCOPE_FFTGRAPH, spectrumPlot[0]);
    ASSERT_EQ(bins.size(), 250u);
    EXPECT_DOUBLE_EQ(bins[0], spectrum[0][50]);
    double offset = 0;
    GetCtrlAttribute(panelScope, SCOPE_FFTGRAPH, ATTR_XAXIS_OFFSET, &offset);
    EXPECT_NEAR(offset, 0.1 * 101 / 2.0, 1e-12);

    DeleteGraphPlot(panelScope, SCOPE_FFTGRAPH, -1, VAL_IMMEDIATE_DRAW);
    fft(0, 0);
    EXPECT_EQ(PlotCount(SCOPE_FFTGRAPH, spectrumPlot[0]), 250);
}

TEST_F(SpectrumTest, DisabledSlotIsAnalysedButNotDrawn)
{
    DeleteGraphPlot(panelScope, SCOPE_FFTGRAPH, -1, VAL_IMMEDIATE_DRAW);
    Ain[0] = 0;
    SetCtrlVal(panelScope, SCOPE_FFT_PEAK_FREQ, 99.0);
    fft(0, 0);
    EXPECT_NEAR(PeakFrequency(), 5.0, 1e-9);
    EXPECT_EQ(NumPlots(SCOPE_FFTGRAPH), 0);
}

TEST_F(SpectrumTest, PreTriggerStartAnalysesTheSamplesThatExist)
{
    MakeRamp(1, 1000, 300);
    fft(0, iOffset);
    EXPECT_NEAR(PeakFrequency(), 5.0, 1e-9);
    EXPECT_NEAR(PeakLevel(), kSineLevel, 0.05);
}

TEST_F(SpectrumTest, NoBuffersNoSpectrum)
{
    Scope_ReleaseBuffers();
    SetCtrlVal(panelScope, SCOPE_FFT_PEAK_FREQ, 42.0);
    fft(0, 0);
    fft(3, 0);
    EXPECT_DOUBLE_EQ(PeakFrequency(), 42.0);
}

TEST_F(SpectrumTest, SwitchShowsTheViewAndDimsTheTimeTools)
{
    isFFT_On = 0;
    ASSERT_EQ(OperateCtrl(panelScope, SCOPE_FFT_SWITCH, 1), 0);
    EXPECT_EQ(isFFT_On, 1);
    int visible = 0, dimmed = 1;
    GetCtrlAttribute(panelScope, SCOPE_FFTGRAPH, ATTR_VISIBLE, &visible);
    GetCtrlAttribute(panelScope, SCOPE_FFT_PEAK_LEVEL, ATTR_DIMMED, &dimmed);
    EXPECT_EQ(visible, 1);
    EXPECT_EQ(dimmed, 0);
    for (int item :
         {kToolbarSave, kToolbarZoomAreaOn, kToolbarZoomAreaOff, kToolbarCursor1, kToolbarCursor2}) {
        int d = 0;
        Toolbar_GetItemAttribute(Toolbar, item, ATTR_TB_DIMMED, &d);
        EXPECT_EQ(d, 1) << item;
    }
    int zoomIn = 1;
    Toolbar_GetItemAttribute(Toolbar, kToolbarZoomIn, ATTR_TB_DIMMED, &zoomIn);
    EXPECT_EQ(zoomIn, 0);

    ASSERT_EQ(OperateCtrl(panelScope, SCOPE_FFT_SWITCH, 0), 0);
    EXPECT_EQ(isFFT_On, 0);
    GetCtrlAttribute(panelScope, SCOPE_FFTGRAPH, ATTR_VISIBLE, &visible);
    GetCtrlAttribute(panelScope, SCOPE_FFT_WINDOW, ATTR_DIMMED, &dimmed);
    EXPECT_EQ(visible, 0);
    EXPECT_EQ(dimmed, 1);
    for (int item :
         {kToolbarSave, kToolbarZoomAreaOn, kToolbarZoomAreaOff, kToolbarCursor1, kToolbarCursor2}) {
        int d = 1;
        Toolbar_GetItemAttribute(Toolbar, item, ATTR_TB_DIMMED, &d);
        EXPECT_EQ(d, 0) << item;
    }
}

// Work limit of the transform for the duration of a test: a power spectrum
// of more than `doubles` of work fails as if memory had run out.
struct TransformWorkLimit {
    explicit TransformWorkLimit(std::size_t doubles) { korvax::fft::SetWorkLimit(doubles); }
    ~TransformWorkLimit() { korvax::fft::SetWorkLimit(0); }
};

int ErrorPopups()
{
    int count = 0;
    for (const std::string &shown : testseam::Shown())
        count += shown.rfind("Error|The spectrum of CH1 cannot be computed", 0) == 0;
    return count;
}

TEST_F(SpectrumTest, FailedPowerSpectrumIsReportedAndNothingStaleIsDrawn)
{
    fft(0, 0);
    ASSERT_NEAR(PeakFrequency(), 5.0, 1e-9);
    ASSERT_EQ(ErrorPopups(), 0);
    {
        const TransformWorkLimit limit(16);
        DeleteGraphPlot(panelScope, SCOPE_FFTGRAPH, -1, VAL_IMMEDIATE_DRAW);
        fft(0, 0);
        EXPECT_EQ(NumPlots(SCOPE_FFTGRAPH), 0) << "the bins of the failed spectrum are drawn";
        EXPECT_EQ(ErrorPopups(), 1);
        EXPECT_NEAR(PeakFrequency(), 5.0, 1e-9) << "a peak of the failed spectrum is shown";
        // Again in the same run: drawn no more, said no more.
        fft(0, 0);
        EXPECT_EQ(NumPlots(SCOPE_FFTGRAPH), 0);
        EXPECT_EQ(ErrorPopups(), 1);
        // A scroll re-plots the window: the slot has no spectrum to show.
        ScrollBarCallback(panelScope, SCOPE_SCROLLBAR, SB_EVENT_JUMP, nullptr, 0, 0);
        EXPECT_EQ(NumPlots(SCOPE_FFTGRAPH), 0);
    }
    fft(0, 0);
    EXPECT_EQ(NumPlots(SCOPE_FFTGRAPH), 1);
    EXPECT_NEAR(PeakFrequency(), 5.0, 1e-9);
    ScrollBarCallback(panelScope, SCOPE_SCROLLBAR, SB_EVENT_JUMP, nullptr, 0, 0);
    EXPECT_EQ(NumPlots(SCOPE_FFTGRAPH), 1);
}

TEST_F(SpectrumTest, CursorReadoutCountsBinsFromTheWindowStart)
{
    DeleteGraphPlot(panelScope, SCOPE_FFTGRAPH, -1, VAL_IMMEDIATE_DRAW);
    dFreqStep = 0.1;
    Scroll_Value = 101;
    ASSERT_EQ(DragGraphCursor(panelScope, SCOPE_FFTGRAPH, 1, 20.0, -3.0, 0), 0);
    EXPECT_NEAR(CtrlNumber(panelScope, SCOPE_FFT_CURSOR_FREQ), (20 + 50) * 0.1, 1e-9);
    EXPECT_NEAR(CtrlNumber(panelScope, SCOPE_FFT_CURSOR_LEVEL), -3.0, 1e-9);
}

// The cursor sits on bins of the trace, never between them; "Peak" puts it
// on the tone's bin, also when the window starts further into the record.
TEST_F(SpectrumTest, CursorSnapsToBinsAndPeakFindsTheTone)
{
    ASSERT_EQ(OperateCtrl(panelScope, SCOPE_FFT_SWITCH, 1), 0); // undims "Peak"
    DeleteGraphPlot(panelScope, SCOPE_FFTGRAPH, -1, VAL_IMMEDIATE_DRAW);
    fft(0, 0);
    double x = -1, y = 0;
    ASSERT_EQ(DragGraphCursor(panelScope, SCOPE_FFTGRAPH, 1, 20.4, 7.0, 1), 0);
    GetGraphCursor(panelScope, SCOPE_FFTGRAPH, 1, &x, &y);
    EXPECT_DOUBLE_EQ(x, 20.0);
    EXPECT_DOUBLE_EQ(y, spectrum[0][20]);
    EXPECT_NEAR(CtrlNumber(panelScope, SCOPE_FFT_CURSOR_FREQ), 2.0, 1e-9);
    EXPECT_DOUBLE_EQ(CtrlNumber(panelScope, SCOPE_FFT_CURSOR_LEVEL), spectrum[0][20]);

    // The next spectrum puts it on the same bin of the new trace.
    ASSERT_EQ(DragGraphCursor(panelScope, SCOPE_FFTGRAPH, 1, 49.6, 0.0, 1), 0);
    oChan[0].amplitude = 0.5;
    DeleteGraphPlot(panelScope, SCOPE_FFTGRAPH, -1, VAL_IMMEDIATE_DRAW);
    fft(0, 0);
    GetGraphCursor(panelScope, SCOPE_FFTGRAPH, 1, &x, &y);
    EXPECT_DOUBLE_EQ(x, 50.0);
    EXPECT_NEAR(y, kSineLevel - 6.02, 0.05);
    EXPECT_DOUBLE_EQ(CtrlNumber(panelScope, SCOPE_FFT_CURSOR_LEVEL), y);

    ASSERT_EQ(DragGraphCursor(panelScope, SCOPE_FFTGRAPH, 1, 300.0, 0.0, 1), 0);
    ASSERT_EQ(OperateCtrl(panelScope, SCOPE_FFT_PEAK, 0), 0);
    GetGraphCursor(panelScope, SCOPE_FFTGRAPH, 1, &x, &y);
    EXPECT_DOUBLE_EQ(x, 50.0);
    EXPECT_NEAR(CtrlNumber(panelScope, SCOPE_FFT_CURSOR_FREQ), 5.0, 1e-9);
    EXPECT_DOUBLE_EQ(CtrlNumber(panelScope, SCOPE_FFT_CURSOR_LEVEL), PeakLevel());

    // Zoomed in, the window starts at bin 50: the peak is its first bin.
    ScopeZoomData(panelScope, 0, EVENT_COMMIT, Data(1), 0, 0);
    ScrollBarCallback(panelScope, SCOPE_SCROLLBAR, SB_EVENT_JUMP, nullptr, 100, 0);
    ASSERT_EQ(Scope_SpectrumCursorPeak(), 0);
    GetGraphCursor(panelScope, SCOPE_FFTGRAPH, 1, &x, &y);
    EXPECT_DOUBLE_EQ(x, 0.0);
    EXPECT_NEAR(CtrlNumber(panelScope, SCOPE_FFT_CURSOR_FREQ), 5.0, 1e-9);

    // With no trace there is nothing to find.
    DeleteGraphPlot(panelScope, SCOPE_FFTGRAPH, -1, VAL_IMMEDIATE_DRAW);
    EXPECT_EQ(Scope_SpectrumCursorPeak(), -1);
}

} // namespace

namespace
{

class SpectrumCaptureTest : public acqtest::AcqTest
{
};

TEST_F(SpectrumCaptureTest, CaptureTickDrawsTheSpectrumOfEverySlot)
{
    Generator(0, 1.0, 5000.0);
    Channels({1, 3});
    Scope(2048, 102400.0, 0, 1, 300); // df = 50 Hz: 5 kHz is bin 100
    ASSERT_EQ(OperateCtrl(panelScope, SCOPE_FFT_SWITCH, 1), 0);
    ASSERT_EQ(OneShot(), 0);
    Tick();
    EXPECT_NEAR(CtrlNumber(panelScope, SCOPE_FFT_PEAK_FREQ), 5.0, 1e-9);
    EXPECT_NEAR(CtrlNumber(panelScope, SCOPE_FFT_PEAK_LEVEL), kSineLevel, 0.05);
    EXPECT_NEAR(dFreqStep, 0.05, 1e-12);
    EXPECT_EQ(NumPlots(SCOPE_FFTGRAPH), 2);
    EXPECT_EQ(viewtest::PlotCount(SCOPE_FFTGRAPH, spectrumPlot[1]), 1024);
    ASSERT_EQ(OperateCtrl(panelScope, SCOPE_FFT_SWITCH, 0), 0);
}

// A run whose spectra fail says so once, however many slots and ticks fail;
// the next run says it again.
TEST_F(SpectrumCaptureTest, FailedSpectraAreReportedOncePerRun)
{
    Generator(0, 1.0, 5000.0);
    Channels({1, 2});
    Scope(2048, 102400.0, 0, 1, 0);
    ASSERT_EQ(OperateCtrl(panelScope, SCOPE_FFT_SWITCH, 1), 0);
    const TransformWorkLimit limit(16);
    ASSERT_EQ(Continuous(), 0);
    for (int tick = 0; tick < 3; ++tick) {
        Tick();
        EXPECT_EQ(NumPlots(SCOPE_FFTGRAPH), 0) << tick;
    }
    ASSERT_EQ(StopRun(), 0);
    EXPECT_EQ(ErrorPopups(), 1);

    ASSERT_EQ(OneShot(), 0);
    Tick();
    EXPECT_EQ(ErrorPopups(), 2);
    EXPECT_EQ(NumPlots(SCOPE_FFTGRAPH), 0);
    ASSERT_EQ(OperateCtrl(panelScope, SCOPE_FFT_SWITCH, 0), 0);
}

} // namespace
