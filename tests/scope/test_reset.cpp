// Scope_Reset: whatever a test leaves behind in the scope (a run with the
// spectrum, autosave and measurements, a cut buffer cap), the next test
// starts from the start-up state.
#include <cstdio>

#include "test_capture_support.h"

namespace
{

class ScopeResetTest : public acqtest::AcqTest
{
};

TEST_F(ScopeResetTest, ResetLeavesNothingOfTheLastRunBehind)
{
    // A continuous run with the spectrum and autosave on, two ticks long.
    isAutoSaveON = 1;
    std::snprintf(directory, kAutosavePathSize, "%s", TempDir().c_str());
    Scope(2048, 102400.0, 0, 1, 100);
    ASSERT_EQ(OperateCtrl(panelScope, SCOPE_FFT_SWITCH, 1), 0);
    ASSERT_EQ(Continuous(), 0);
    Tick();
    Tick();
    ASSERT_EQ(StopRun(), 0);
    ASSERT_GT(spectrumPlot[0], 0);
    ASSERT_NE(vBufferIn[0], nullptr);
    ASSERT_GE(loop, 2);
    ASSERT_EQ(scopeState.needRunFolder, 0);
    ASSERT_EQ(scopeState.lastLoop, loop);
    // What a failed autosave and an interrupted draw would leave.
    scopeState.reportedThisRun = 1;
    scopeState.measureInDraw = false;
    Scope_SetBufferLimit(1024.0);

    Scope_Reset();

    const ScopeState fresh;
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(spectrumPlot[k], 0) << k;
        EXPECT_EQ(plot[k], 0) << k;
        EXPECT_EQ(vBufferIn[k], nullptr) << k;
        EXPECT_EQ(vAverage[k], nullptr) << k;
        EXPECT_EQ(spectrum[k], nullptr) << k;
        EXPECT_EQ(scopeState.inStore[k], nullptr) << k;
    }
    EXPECT_EQ(BufferIn, nullptr);
    EXPECT_EQ(Scope_BufferHolds(0, 1), 0);
    EXPECT_EQ(scopeState.needRunFolder, 1);
    EXPECT_EQ(scopeState.reportedThisRun, 0);
    EXPECT_EQ(scopeState.lastLoop, 0);
    EXPECT_TRUE(scopeState.measureInDraw);
    EXPECT_EQ(scopeState.bufferLimit, 0.0);
    EXPECT_EQ(isFFT_On, 0);
    EXPECT_EQ(isAutoSaveON, 0);
    EXPECT_STREQ(directory, "");
    EXPECT_STREQ(Dir, "");
    EXPECT_EQ(loop, 0);
    EXPECT_EQ(RequestedSamples, fresh.RequestedSamples);
    EXPECT_EQ(pre_iSample, 0);
    EXPECT_EQ(iClockRate, fresh.iClockRate);
    EXPECT_EQ(trigger_source, fresh.trigger_source);
    EXPECT_EQ(Scroll_Thumb_Size, 0);
    EXPECT_EQ(dFreqStep, 0.0);
}

} // namespace
