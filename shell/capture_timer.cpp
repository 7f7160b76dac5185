// The capture timer: one tick runs one step of every running instrument.
#include "shell/shell.h"

#include "digital/digital.h"
#include "meters/meters.h"
#include "scope/scope.h"

namespace
{
void RefreshDigitalGraph(void)
{
    RefreshGraph(panelDig, DIG_GRAPH);
}
} // namespace

const CaptureRoutines kDefaultCaptureRoutines = {NormalCapture, StreamingRAMCapture, Digital_Capture,
                                                 RefreshDigitalGraph, Probe_Cal_Capture};
CaptureRoutines captureRoutines = kDefaultCaptureRoutines;

void CaptureTimer_Release(void)
{
    // The digital analyzer has no other clock: while it runs, another
    // instrument's stop leaves the timer on instead of freezing the analyzer
    // with its Run switch still on.
    if (!isDigitalON)
        SetCtrlAttribute(panelBench, BENCH_CAPTURE_TIMER, ATTR_ENABLED, 0);
}

int CaptureTimer(int, int, int event, void *, int, int)
{
    if (event != EVENT_TIMER_TICK)
        return 0;
    // Each flag is read just before its own step: a step may end another
    // instrument's run.
    if (isScopeStartOn) {
        if (isStreamingRAMOn)
            captureRoutines.streamingCapture();
        else
            captureRoutines.normalCapture();
    }
    if (isDigitalON) {
        captureRoutines.digitalCapture();
        captureRoutines.refreshDigitalGraph();
    }
    if (isCal_Running)
        captureRoutines.probeCalCapture();
    return 0;
}
