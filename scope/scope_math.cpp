// Math traces: a + b, a - b, a x b, a / b, -a, |a|, da/dt and the integral
// of a, computed from the channels' records after every capture and drawn
// on the time graph in their own colour with their own scale and offset.
// Division by zero gives NaN samples, which the plot and the measurements
// pass over.  The Math panel edits them; the state lives in scopeMeasure.
#include <algorithm>
#include <cmath>
#include <new>

#include "analysis/errors.h"
#include "analysis/waveform_math.h"
#include "benchstate/loaded_panel.h"
#include "scope/scope.h"

int panelMath = 0;

namespace
{

constexpr double kDivisions = 8.0; // the time graph's y axis spans -4 .. +4 divisions

struct MathControls {
    int on, operation, a, b, scale, offset, autoScale;
};
const MathControls kControls[kMathChannels] = {
    {MATH_ON1, MATH_OPERATION1, MATH_SOURCE_A1, MATH_SOURCE_B1, MATH_SCALE1, MATH_OFFSET1, MATH_AUTO1},
    {MATH_ON2, MATH_OPERATION2, MATH_SOURCE_A2, MATH_SOURCE_B2, MATH_SCALE2, MATH_OFFSET2, MATH_AUTO2},
};

bool TwoSources(int operation)
{
    return operation >= WAVEFORM_ADD && operation <= WAVEFORM_DIVIDE;
}

// Whether a panel handle still names a loaded panel.
bool Loaded(int panel)
{
    int visible = 0;
    return panel > 0 && GetPanelAttribute(panel, ATTR_VISIBLE, &visible) == 0;
}

void ReadPanel(void)
{
    for (int i = 0; i < kMathChannels; ++i) {
        ScopeMathChannel &m = scopeMeasure.math[i];
        const MathControls &c = kControls[i];
        GetCtrlVal(panelMath, c.on, &m.enabled);
        GetCtrlVal(panelMath, c.operation, &m.operation);
        GetCtrlVal(panelMath, c.a, &m.sourceA);
        GetCtrlVal(panelMath, c.b, &m.sourceB);
        GetCtrlVal(panelMath, c.scale, &m.scale);
        GetCtrlVal(panelMath, c.offset, &m.offset);
        SetCtrlAttribute(panelMath, c.b, ATTR_DIMMED, TwoSources(m.operation) ? 0 : 1);
    }
}

void WritePanel(void)
{
    for (int i = 0; i < kMathChannels; ++i) {
        const ScopeMathChannel &m = scopeMeasure.math[i];
        const MathControls &c = kControls[i];
        SetCtrlVal(panelMath, c.on, m.enabled);
        SetCtrlVal(panelMath, c.operation, m.operation);
        SetCtrlVal(panelMath, c.a, m.sourceA);
        SetCtrlVal(panelMath, c.b, m.sourceB);
        SetCtrlVal(panelMath, c.scale, m.scale);
        SetCtrlVal(panelMath, c.offset, m.offset);
        SetCtrlAttribute(panelMath, c.b, ATTR_DIMMED, TwoSources(m.operation) ? 0 : 1);
    }
}

// The scale and offset that fit the last result on the graph.
void AutoScale(int i)
{
    ScopeMathChannel &m = scopeMeasure.math[i];
    if (!m.valid || m.record.empty())
        return;
    WaveformScale display{1.0, 0.0};
    if (WaveformDisplayScale(m.record.data(), static_cast<int>(m.record.size()), static_cast<int>(kDivisions),
                             &display) != 0)
        return;
    m.scale = display.scale;
    m.offset = -display.offset / display.scale;
}

} // namespace

void Scope_ComputeMath(void)
{
    for (ScopeMathChannel &m : scopeMeasure.math) {
        m.valid = 0;
        m.reason.clear();
        if (!m.enabled)
            continue;
        int na = 0, nb = 0;
        std::string why;
        const double *a = Scope_SourceRecord(m.sourceA, &na, &why);
        const double *b = nullptr;
        if (a && TwoSources(m.operation))
            b = Scope_SourceRecord(m.sourceB, &nb, &why);
        if (!a || (TwoSources(m.operation) && !b)) {
            m.reason = why;
            continue;
        }
        const int n = b ? std::min(na, nb) : na;
        try {
            m.record.resize(static_cast<std::size_t>(n));
        } catch (const std::bad_alloc &) {
            m.record.clear();
            m.reason = "not enough memory for the math trace";
            continue;
        }
        const double interval = Scope_RecordInterval();
        const double dt = interval > 0.0 ? interval : 1.0;
        const int status = WaveformMath(a, b, n, m.operation, dt, 0, m.record.data(), nullptr);
        if (status != 0) {
            m.reason = GetAnalysisErrorString(status);
            continue;
        }
        m.valid = 1;
    }
}

void Scope_PlotMath(void)
{
    for (ScopeMathChannel &m : scopeMeasure.math) {
        m.plot = 0;
        if (!m.enabled || !m.valid || Scroll_Thumb_Size <= 0 || Scroll_Value < 0)
            continue;
        if (static_cast<std::size_t>(Scroll_Value) + static_cast<std::size_t>(Scroll_Thumb_Size) > m.record.size())
            continue;
        const double gain = m.scale > 0.0 ? 1.0 / m.scale : 1.0;
        const int h = PlotWaveform(panelScope, SCOPE_TIMEGRAPH, m.record.data() + Scroll_Value, Scroll_Thumb_Size,
                                   VAL_DOUBLE, gain, m.offset, 0.0, 1.0, VAL_THIN_LINE, VAL_NO_POINT, VAL_SOLID, 1,
                                   m.color);
        m.plot = h > 0 ? h : 0;
    }
}

// ------------------------------------------------------------ callbacks

int Display_Math(int panel, int control, int event, void *callbackData, int eventData1, int eventData2)
{
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event != EVENT_COMMIT)
        return 0;
    if (Bench_LoadedPanel(panelMath, MATH) <= 0)
        return 0;
    WritePanel();
    DisplayPanel(panelMath);
    return 0;
}

int Math_Setting(int panel, int control, int event, void *callbackData, int eventData1, int eventData2)
{
    (void)panel;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event != EVENT_COMMIT || !Loaded(panelMath))
        return 0;
    ReadPanel();
    for (int i = 0; i < kMathChannels; ++i) {
        if (control == kControls[i].autoScale) {
            // Scale from the current records even between captures.
            Scope_ComputeMath();
            AutoScale(i);
            WritePanel();
        }
    }
    // Between captures the traces on screen follow the new settings.
    if (!isScopeStartOn && !isFFT_On && RequestedSamples > 0 && vBufferIn[0]) {
        for (ScopeMathChannel &m : scopeMeasure.math)
            if (m.plot > 0)
                DeleteGraphPlot(panelScope, SCOPE_TIMEGRAPH, m.plot, VAL_DELAYED_DRAW);
        Scope_ComputeMath();
        Scope_PlotMath();
        RefreshGraph(panelScope, SCOPE_TIMEGRAPH);
    }
    return 0;
}

int Close_Math(int panel, int control, int event, void *callbackData, int eventData1, int eventData2)
{
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event == EVENT_COMMIT && Loaded(panelMath))
        HidePanel(panelMath);
    return 0;
}
