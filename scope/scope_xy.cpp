// XY view: one source (a channel or a math trace) plotted against another,
// sample by sample over the visible window, on a graph of its own laid over
// the time graph.  The axes are in the sources' units (volts for a
// channel), eight divisions of each source's vertical scale.  With
// persistence on, the traces of earlier captures stay; when nothing can be
// drawn, the x axis name says why.  The time graph goes
// on being drawn underneath, so switching XY off shows it as it is.
#include <algorithm>
#include <cstdio>
#include <string>

#include "analysis/waveform_math.h"
#include "scope/scope.h"

namespace
{

constexpr double kHalfDivisions = 4.0; // the view spans -4 .. +4 divisions of each source

ScopeXYState &xy = scopeMeasure.xy;

bool MathSource(int source)
{
    return source >= kMeasSourceMath1 && source < kMeasSources;
}

// Units per division and the value at the centre line of a source: a
// channel is centred on 0 V at its vertical gain (its trace position only
// separates the traces of the time view); a math trace keeps its own scale
// and offset.
void SourceScale(int source, double *perDivision, double *centre)
{
    *perDivision = 1.0;
    *centre = 0.0;
    if (MathSource(source)) {
        const ScopeMathChannel &m = scopeMeasure.math[source - kMeasSourceMath1];
        if (m.scale > 0.0) {
            *perDivision = m.scale;
            *centre = -m.offset * m.scale;
        }
        return;
    }
    for (int k = 0; k < numChanIn && k < 4; ++k)
        if (iChannel[k] == source && VerticalScale[k] > 0.0)
            *perDivision = 1.0 / VerticalScale[k];
}

const char *SourceUnit(int source)
{
    if (!MathSource(source))
        return "V";
    switch (scopeMeasure.math[source - kMeasSourceMath1].operation) {
    case WAVEFORM_MULTIPLY:
        return "V\xC2\xB2";
    case WAVEFORM_DIVIDE:
        return "V/V";
    case WAVEFORM_DERIVATIVE:
        return "V/s";
    case WAVEFORM_INTEGRAL:
        return "V\xC2\xB7s";
    default:
        return "V";
    }
}

int SourceColor(int source)
{
    if (MathSource(source))
        return scopeMeasure.math[source - kMeasSourceMath1].color;
    for (int k = 0; k < numChanIn && k < 4; ++k)
        if (iChannel[k] == source)
            return ChannelColor[k];
    return VAL_YELLOW;
}

// Axes of the view from the sources' scales, with their names.
void SetAxes(void)
{
    double perX = 1.0, centreX = 0.0, perY = 1.0, centreY = 0.0;
    SourceScale(xy.xSource, &perX, &centreX);
    SourceScale(xy.ySource, &perY, &centreY);
    SetAxisScalingMode(panelScope, SCOPE_XYGRAPH, VAL_XAXIS, VAL_MANUAL, centreX - kHalfDivisions * perX,
                       centreX + kHalfDivisions * perX);
    SetAxisScalingMode(panelScope, SCOPE_XYGRAPH, VAL_LEFT_YAXIS, VAL_MANUAL, centreY - kHalfDivisions * perY,
                       centreY + kHalfDivisions * perY);
    char name[64];
    std::snprintf(name, sizeof name, "%s (%s)", Scope_SourceName(xy.xSource), SourceUnit(xy.xSource));
    SetCtrlAttribute(panelScope, SCOPE_XYGRAPH, ATTR_XNAME, name);
    std::snprintf(name, sizeof name, "%s (%s)", Scope_SourceName(xy.ySource), SourceUnit(xy.ySource));
    SetCtrlAttribute(panelScope, SCOPE_XYGRAPH, ATTR_YNAME, name);
}

// Why nothing is drawn, said where the eye reads the view: in place of
// the x axis name.
void ShowStatus(const std::string &text)
{
    if (!text.empty())
        SetCtrlAttribute(panelScope, SCOPE_XYGRAPH, ATTR_XNAME, ("Nothing to draw: " + text).c_str());
}

} // namespace

int Scope_PlotXY(void)
{
    xy.plot = 0;
    if (!xy.on)
        return 0;
    if (!is_PersistanceON)
        DeleteGraphPlot(panelScope, SCOPE_XYGRAPH, -1, VAL_DELAYED_DRAW);
    SetAxes();
    int nx = 0, ny = 0;
    std::string why;
    const double *x = Scope_SourceRecord(xy.xSource, &nx, &why);
    const double *y = x ? Scope_SourceRecord(xy.ySource, &ny, &why) : nullptr;
    if (!x || !y) {
        ShowStatus(why);
        RefreshGraph(panelScope, SCOPE_XYGRAPH);
        return 0;
    }
    // The window the time view shows, inside both records.
    const int n = std::min(nx, ny);
    const int first = std::clamp(Scroll_Value, 0, n);
    const int count = std::min(Scroll_Thumb_Size > 0 ? Scroll_Thumb_Size : n, n - first);
    if (count < 1) {
        ShowStatus("no samples in the window");
        RefreshGraph(panelScope, SCOPE_XYGRAPH);
        return 0;
    }
    const int handle = PlotXY(panelScope, SCOPE_XYGRAPH, x + first, y + first, count, VAL_DOUBLE, VAL_DOUBLE,
                              VAL_THIN_LINE, VAL_NO_POINT, VAL_SOLID, 1, SourceColor(xy.ySource));
    xy.plot = handle > 0 ? handle : 0;
    ShowStatus(handle > 0 ? "" : "the trace could not be stored");
    RefreshGraph(panelScope, SCOPE_XYGRAPH);
    return xy.plot;
}

int Scope_SetXY(int on, int xSource, int ySource)
{
    if (xSource < 0 || xSource >= kMeasSources || ySource < 0 || ySource >= kMeasSources)
        return -1;
    const bool sourcesChanged = xSource != xy.xSource || ySource != xy.ySource;
    xy.on = on ? 1 : 0;
    xy.xSource = xSource;
    xy.ySource = ySource;
    SetCtrlVal(panelScope, SCOPE_XY_SWITCH, xy.on);
    SetCtrlVal(panelScope, SCOPE_XY_X, xSource);
    SetCtrlVal(panelScope, SCOPE_XY_Y, ySource);
    SetCtrlAttribute(panelScope, SCOPE_XY_X, ATTR_DIMMED, xy.on ? 0 : 1);
    SetCtrlAttribute(panelScope, SCOPE_XY_Y, ATTR_DIMMED, xy.on ? 0 : 1);
    SetCtrlAttribute(panelScope, SCOPE_XYGRAPH, ATTR_VISIBLE, xy.on);
    if (!xy.on) {
        // The traces go; the time graph below was never touched.
        DeleteGraphPlot(panelScope, SCOPE_XYGRAPH, -1, VAL_DELAYED_DRAW);
        xy.plot = 0;
        return 0;
    }
    // Traces of other sources do not persist into the new view.
    if (sourcesChanged)
        DeleteGraphPlot(panelScope, SCOPE_XYGRAPH, -1, VAL_DELAYED_DRAW);
    // The records already taken are shown at once (between captures too).
    Scope_PlotXY();
    return 0;
}

int Scope_XY(int panel, int control, int event, void *callbackData, int eventData1, int eventData2)
{
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event != EVENT_COMMIT)
        return 0;
    int on = 0, xSource = 0, ySource = 1;
    GetCtrlVal(panelScope, SCOPE_XY_SWITCH, &on);
    GetCtrlVal(panelScope, SCOPE_XY_X, &xSource);
    GetCtrlVal(panelScope, SCOPE_XY_Y, &ySource);
    Scope_SetXY(on, xSource, ySource);
    return 0;
}
