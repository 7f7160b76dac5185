// Helpers for the view, cursor, spectrum and file tests: a record put
// straight into the scope's buffers, without a capture.
#pragma once

#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "shell/bench.h"

namespace viewtest
{

// Allocates buffers for `slots` slots of an n-sample record (normal capture
// with `pre` pre-trigger positions, or a stream of n decimated samples) and
// fills every slot's positions with value(slot, position).
template <typename F>
inline void MakeRecord(int slots, int n, int pre, bool streaming, F value, int decimation = 1)
{
    numChanIn = slots;
    isStreamingRAMEnabled = streaming ? 1 : 0;
    isStreamingRAMOn = streaming ? 1 : 0;
    decimation_factor = static_cast<short>(decimation);
    pre_iSample = streaming ? 0 : pre;
    RequestedSamples = n;
    iSamples = streaming ? n * decimation : n + kPostTriggerMargin;
    iScanCount = iSamples * slots;
    ASSERT_EQ(Scope_AllocateBuffers(), 0);
    iOffset = streaming ? 0 : -pre;
    const int first = streaming ? 0 : -pre;
    for (int k = 0; k < slots; ++k) {
        Ain[k] = 1;
        for (int p = first; p < n; ++p)
            vBufferIn[k][p] = value(k, p);
    }
    Scroll_Value = 0;
    Scroll_Thumb_Size = n;
    ZoomFactor = 1.0;
    Scroll_Min = 0;
    Scroll_Max = n;
}

inline void MakeRamp(int slots, int n, int pre = 0, bool streaming = false, int decimation = 1)
{
    MakeRecord(
        slots, n, pre, streaming, [](int k, int p) { return 0.001 * p + k; }, decimation);
}

// Number of points and the first y value (after gain and offset) of a plot.
inline int PlotCount(int control, int plotHandle)
{
    int count = -1;
    GetPlotData(panelScope, control, plotHandle, nullptr, 0, &count);
    return count;
}

inline std::vector<double> PlotValues(int control, int plotHandle)
{
    int count = 0;
    GetPlotData(panelScope, control, plotHandle, nullptr, 0, &count);
    std::vector<double> v(count > 0 ? count : 0);
    if (count > 0)
        GetPlotData(panelScope, control, plotHandle, v.data(), count, &count);
    return v;
}

inline int NumPlots(int control)
{
    int n = -1;
    GetCtrlAttribute(panelScope, control, ATTR_NUM_PLOTS, &n);
    return n;
}

inline std::string ReadFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string CtrlText(int panel, int control)
{
    char text[1024] = "";
    GetCtrlVal(panel, control, text);
    return text;
}

inline double CtrlNumber(int panel, int control)
{
    double v = NAN;
    GetCtrlVal(panel, control, &v);
    return v;
}

inline void *Data(int value)
{
    return reinterpret_cast<void *>(static_cast<std::intptr_t>(value));
}

} // namespace viewtest
