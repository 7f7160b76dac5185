// The capture timer's dispatch: which capture steps run on a tick, and in
// which order.
#include "support/bench_fixture.h"

#include <string>

namespace
{

std::string steps;

void Normal()
{
    steps += "N";
}
void Streaming()
{
    steps += "S";
}
void Digital()
{
    steps += "D";
}
void Refresh()
{
    steps += "R";
}
void Calibration()
{
    steps += "C";
}

class CaptureTimerTest : public BenchTest
{
  protected:
    void SetUp() override
    {
        BenchTest::SetUp();
        captureRoutines = {Normal, Streaming, Digital, Refresh, Calibration};
        steps.clear();
    }
    void TearDown() override
    {
        isScopeStartOn = isStreamingRAMOn = isDigitalON = isCal_Running = 0;
        BenchTest::TearDown();
    }
    static void Tick() { CaptureTimer(panelBench, BENCH_CAPTURE_TIMER, EVENT_TIMER_TICK, nullptr, 0, 0); }
};

} // namespace

TEST_F(CaptureTimerTest, EveryCombinationOfRunningInstrumentsRunsItsStepsInOrder)
{
    for (int mask = 0; mask < 16; ++mask) {
        isScopeStartOn = mask & 1;
        isStreamingRAMOn = (mask >> 1) & 1;
        isDigitalON = (mask >> 2) & 1;
        isCal_Running = (mask >> 3) & 1;
        std::string expected;
        if (isScopeStartOn)
            expected += isStreamingRAMOn ? "S" : "N"; // exactly one scope routine
        if (isDigitalON)
            expected += "DR"; // the digital capture, then the graph redraw
        if (isCal_Running)
            expected += "C";
        steps.clear();
        Tick();
        EXPECT_EQ(steps, expected) << "scope " << isScopeStartOn << " streaming " << isStreamingRAMOn
                                   << " digital " << isDigitalON << " calibration " << isCal_Running;
    }
}

TEST_F(CaptureTimerTest, OnlyTheTimerTickRunsAnything)
{
    isScopeStartOn = isDigitalON = isCal_Running = 1;
    for (int event :
         {EVENT_NONE, EVENT_COMMIT, EVENT_VAL_CHANGED, EVENT_LEFT_CLICK, EVENT_CLOSE, EVENT_DISCARD})
        EXPECT_EQ(CaptureTimer(panelBench, BENCH_CAPTURE_TIMER, event, nullptr, 0, 0), 0);
    EXPECT_EQ(steps, "");
    Tick();
    EXPECT_EQ(steps, "NDRC");
}

namespace
{
void NormalEndingTheAnalyzer()
{
    steps += "N";
    isDigitalON = 0;
}
void DigitalStartingCalibration()
{
    steps += "D";
    isCal_Running = 1;
}
} // namespace

TEST_F(CaptureTimerTest, EachFlagIsReadJustBeforeItsOwnStep)
{
    captureRoutines.normalCapture = NormalEndingTheAnalyzer;
    isScopeStartOn = 1;
    isDigitalON = 1;
    Tick();
    EXPECT_EQ(steps, "N");

    steps.clear();
    captureRoutines = {Normal, Streaming, DigitalStartingCalibration, Refresh, Calibration};
    isScopeStartOn = 0;
    isDigitalON = 1;
    isCal_Running = 0;
    Tick();
    EXPECT_EQ(steps, "DRC");
}

TEST_F(CaptureTimerTest, TheDefaultRoutinesAreTheInstruments)
{
    EXPECT_EQ(kDefaultCaptureRoutines.normalCapture, &NormalCapture);
    EXPECT_EQ(kDefaultCaptureRoutines.streamingCapture, &StreamingRAMCapture);
    EXPECT_EQ(kDefaultCaptureRoutines.digitalCapture, &Digital_Capture);
    EXPECT_EQ(kDefaultCaptureRoutines.probeCalCapture, &Probe_Cal_Capture);
}

TEST_F(CaptureTimerTest, ADigitalTickRedrawsTheAnalyzerGraphAtOnce)
{
    // With the real routines: the analyzer's sixteen traces are on the
    // graph after one tick.
    captureRoutines = kDefaultCaptureRoutines;
    SetCtrlVal(panelDig, DIG_SAMPLES, 100);
    ASSERT_EQ(OperateCtrl(panelDig, DIG_RUN, 1), 0);
    ASSERT_EQ(isDigitalON, 1);
    Tick();
    int plots = 0;
    GetCtrlAttribute(panelDig, DIG_GRAPH, ATTR_NUM_PLOTS, &plots);
    EXPECT_EQ(plots, 16);
}
