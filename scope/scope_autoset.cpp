// Autoset: from a probe of the present input (the strongest channel; every
// channel of the Demo Card sees the same signal, so slot 0), choose the
// sampling rate and record length that show about three and a half periods,
// the vertical gain that makes the trace span 70 % of the eight divisions
// with the traces centred, and a rising-edge trigger at the signal's middle
// on that channel.  A DC or noise input gets the default settings (offset
// markers included) and says so in the status text.
#include <algorithm>
#include <cmath>
#include <vector>

#include "scope/scope.h"

namespace
{

constexpr int kProbeSamples = 1 << 16;
constexpr double kProbeRate = 1.0e6;
constexpr double kPeriodsShown = 3.5;
constexpr double kSpanDivisions = 0.7 * 8.0;
constexpr int kBlock = 2048;

struct Probe {
    double low = 0, high = 0, frequency = 0;
};

// Frequency from the rising crossings of the middle, with a hysteresis of a
// tenth of the swing so noise does not count as crossings.
Probe Analyse(const std::vector<double> &s, double rate)
{
    Probe p;
    const auto mm = std::minmax_element(s.begin(), s.end());
    p.low = *mm.first;
    p.high = *mm.second;
    const double mid = 0.5 * (p.low + p.high), hyst = 0.1 * (p.high - p.low);
    const int n = static_cast<int>(s.size());
    long first = -1, last = -1;
    int count = 0;
    // An edge: from below mid - hyst to at least mid + hyst.
    for (int i = Scope_FindEdge(s.data(), 0, n, mid + hyst, 2.0 * hyst, 1); i >= 0;
         i = Scope_FindEdge(s.data(), i + 1, n, mid + hyst, 2.0 * hyst, 1)) {
        if (first < 0)
            first = i;
        last = i;
        ++count;
    }
    if (count >= 3 && last > first)
        p.frequency = (count - 1) * rate / static_cast<double>(last - first);
    return p;
}

} // namespace

int Scope_Autoset(void)
{
    std::vector<double> probe(kProbeSamples);
    if (Scope_SynthesizeInput(probe.data(), kProbeSamples, kProbeRate, kAcquisitionNoise) != 0)
        return -1;
    const Probe p = Analyse(probe, kProbeRate);
    const double swing = p.high - p.low;
    double rateMax = 0;
    GetCtrlAttribute(panelScope, SCOPE_SAMPLING_RATE, ATTR_MAX_VALUE, &rateMax);
    int recordMax = 0;
    GetCtrlAttribute(panelScope, SCOPE_RECORD_LENGTH, ATTR_MAX_VALUE, &recordMax);
    SetCtrlVal(panelScope, SCOPE_VERTICAL_CHANNEL, kVerticalAll);
    // A swing within the acquisition noise, or no steady crossings: DC or noise.
    const bool dc = swing < 0.1 || p.frequency <= 0.0;
    if (dc) {
        SetCtrlVal(panelScope, SCOPE_SAMPLING_RATE, std::min(100000.0, rateMax));
        SetCtrlVal(panelScope, SCOPE_RECORD_LENGTH, kBlock);
        SetCtrlVal(panelScope, SCOPE_VERTICAL_GAIN, 1.0);
        SetCtrlVal(panelScope, SCOPE_TRIGGER_SOURCE, 100);
    } else {
        const double seconds = kPeriodsShown / p.frequency;
        double rate = std::min(rateMax, kBlock / seconds);
        int record = static_cast<int>(std::ceil(seconds * rate / kBlock)) * kBlock;
        if (record > recordMax) {
            record = recordMax / kBlock * kBlock;
            rate = record / seconds;
        }
        SetCtrlVal(panelScope, SCOPE_SAMPLING_RATE, rate);
        SetCtrlVal(panelScope, SCOPE_RECORD_LENGTH, record);
        SetCtrlVal(panelScope, SCOPE_VERTICAL_GAIN, kSpanDivisions / swing);
        SetCtrlVal(panelScope, SCOPE_TRIGGER_SOURCE, 0);
        SetCtrlVal(panelScope, SCOPE_TRIGGER_SLOPE, 1);
        SetCtrlVal(panelScope, SCOPE_TRIGGER_LEVEL, 0.5 * (p.low + p.high));
    }
    const int rc = Scope_Setting();
    Scroll_Value = 0;
    Scroll_Thumb_Size = RequestedSamples;
    ZoomFactor = 1.0;
    ScrollBar_SetAttribute(panelScope, SCOPE_SCROLLBAR, ATTR_SB_VIEW_SIZE, RequestedSamples);
    ScrollBar_SetAttribute(panelScope, SCOPE_SCROLLBAR, ATTR_SB_VALUE, 0);
    if (dc) {
        Scope_LayoutOffsetMarkers();
    } else {
        // The gain fills 70 % of the screen, so the traces are centred: a
        // trace at its slot's usual offset (up to 3 divisions) or riding on
        // a DC level would run off the screen.
        const double middle = 0.5 * (p.low + p.high);
        for (int k = 0; k < numChanIn && k < 4; ++k) {
            VerticalOffset[k] = -middle * VerticalScale[k];
            SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 3 + k, Scroll_Thumb_Size / 2, VerticalOffset[k]);
        }
    }
    SetCtrlVal(panelScope, SCOPE_STATUS,
               dc ? " Autoset: DC or noise input, default settings" : " Autoset done");
    SetCtrlAttribute(panelScope, SCOPE_STATUS, ATTR_VISIBLE, 1);
    return rc < 0 ? rc : 0;
}

int ScopeAutoset(int, int, int event, void *, int, int)
{
    if (event == EVENT_COMMIT)
        Scope_Autoset();
    return 0;
}
