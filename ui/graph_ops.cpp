// The graph operations of userint.h: find the graph widget behind a panel
// and control handle, check the arguments and pass them on.
#include "ui/graph_widget.h"
#include "ui/runtime_internal.h"
#include "ui/userint.h"

#include <algorithm>
#include <cmath>

using uigraph::GraphWidget;

namespace
{

// The graph of a control, or the error code for the handles.
int findGraph(int panel, int control, GraphWidget **graph)
{
    QWidget *w = uirt::controlWidget(panel, control);
    if (!w)
        return GetPanelParent(panel) < 0 ? UIE_BAD_PANEL : UIE_BAD_CONTROL;
    if (!uirt::controlIs(panel, control, uirt::ControlType::Graph))
        return UIE_BAD_CONTROL;
    *graph = uigraph::asGraph(w);
    return *graph ? 0 : UIE_BAD_CONTROL;
}

} // namespace

// ------------------------------------------------------------ runtime_internal.h

namespace uigraph
{

QWidget *create(QWidget *parent, int panel, int control, const QJsonObject &desc)
{
    return new GraphWidget(parent, panel, control, desc);
}

int setAttribute(QWidget *graph, int attribute, double value)
{
    GraphWidget *g = asGraph(graph);
    return g ? g->setAttribute(attribute, value) : UIE_BAD_CONTROL;
}

int setAttribute(QWidget *graph, int attribute, const char *value)
{
    GraphWidget *g = asGraph(graph);
    return g ? g->setAttribute(attribute, value) : UIE_BAD_CONTROL;
}

int getAttribute(QWidget *graph, int attribute, double *value)
{
    GraphWidget *g = asGraph(graph);
    return g ? g->attribute(attribute, value) : UIE_BAD_CONTROL;
}

int getAttribute(QWidget *graph, int attribute, char *value)
{
    GraphWidget *g = asGraph(graph);
    return g ? g->attribute(attribute, value) : UIE_BAD_CONTROL;
}

} // namespace uigraph

// ------------------------------------------------------------ plots

int PlotY(int panel, int control, const void *yArray, int numberOfPoints, int yDataType, int plotStyle,
          int pointStyle, int lineStyle, int pointFrequency, int color)
{
    GraphWidget *g = nullptr;
    if (int rc = findGraph(panel, control, &g))
        return rc;
    return g->addPlot(yArray, numberOfPoints, yDataType, 1.0, 0.0, 0.0, 1.0, plotStyle, pointStyle, lineStyle,
                      pointFrequency, color);
}

int PlotWaveform(int panel, int control, const void *waveformArray, int numberOfPoints, int dataType,
                 double yGain, double yOffset, double initialX, double xIncrement, int plotStyle,
                 int pointStyle, int lineStyle, int pointFrequency, int color)
{
    GraphWidget *g = nullptr;
    if (int rc = findGraph(panel, control, &g))
        return rc;
    return g->addPlot(waveformArray, numberOfPoints, dataType, yGain, yOffset, initialX, xIncrement,
                      plotStyle, pointStyle, lineStyle, pointFrequency, color);
}

int PlotXY(int panel, int control, const void *xArray, const void *yArray, int numberOfPoints, int xDataType,
           int yDataType, int plotStyle, int pointStyle, int lineStyle, int pointFrequency, int color)
{
    GraphWidget *g = nullptr;
    if (int rc = findGraph(panel, control, &g))
        return rc;
    return g->addXYPlot(xArray, yArray, numberOfPoints, xDataType, yDataType, plotStyle, pointStyle, lineStyle,
                        pointFrequency, color);
}

int DeleteGraphPlot(int panel, int control, int plotHandle, int refreshMode)
{
    GraphWidget *g = nullptr;
    if (int rc = findGraph(panel, control, &g))
        return rc;
    if (plotHandle != -1 && plotHandle <= 0)
        return UIE_BAD_PLOT;
    // Every refresh mode defers: the screen follows at the next redraw.
    (void)refreshMode;
    return g->deletePlot(plotHandle);
}

int RefreshGraph(int panel, int control)
{
    GraphWidget *g = nullptr;
    if (int rc = findGraph(panel, control, &g))
        return rc;
    if (g->isVisible())
        g->refresh(false);
    return 0;
}

int SetAxisScalingMode(int panel, int control, int axis, int axisScaling, double min, double max)
{
    GraphWidget *g = nullptr;
    if (int rc = findGraph(panel, control, &g))
        return rc;
    return g->setScaling(axis, axisScaling, min, max);
}

int GetAxisScalingMode(int panel, int control, int axis, int *axisScaling, double *min, double *max)
{
    GraphWidget *g = nullptr;
    if (int rc = findGraph(panel, control, &g))
        return rc;
    return g->scaling(axis, axisScaling, min, max);
}

// Copies a plot's y values (or x values) out, up to maxValues of them.
static int copyPlotValues(int panel, int control, int plotHandle, bool xs, double *values, int maxValues, int *count)
{
    GraphWidget *g = nullptr;
    if (int rc = findGraph(panel, control, &g))
        return rc;
    const uigraph::Plot *p = g->plot(plotHandle);
    if (!p)
        return UIE_BAD_PLOT;
    if (values && maxValues < 0)
        return UIE_BAD_VALUE;
    if (count)
        *count = static_cast<int>(p->count());
    if (values) {
        const std::size_t n = std::min(p->count(), static_cast<std::size_t>(maxValues));
        for (std::size_t i = 0; i < n; ++i)
            values[i] = xs ? p->xAt(i) : p->valueAt(i);
    }
    return 0;
}

int GetPlotData(int panel, int control, int plotHandle, double *values, int maxValues, int *count)
{
    return copyPlotValues(panel, control, plotHandle, false, values, maxValues, count);
}

int GetPlotXData(int panel, int control, int plotHandle, double *values, int maxValues, int *count)
{
    return copyPlotValues(panel, control, plotHandle, true, values, maxValues, count);
}

// ------------------------------------------------------------ cursors

int SetGraphCursor(int panel, int control, int cursorNumber, double x, double y)
{
    GraphWidget *g = nullptr;
    if (int rc = findGraph(panel, control, &g))
        return rc;
    return g->setCursorPosition(cursorNumber, x, y);
}

int GetGraphCursor(int panel, int control, int cursorNumber, double *x, double *y)
{
    GraphWidget *g = nullptr;
    if (int rc = findGraph(panel, control, &g))
        return rc;
    const uigraph::GraphCursor *c = g->cursor(cursorNumber);
    if (!c)
        return UIE_BAD_CURSOR;
    if (x)
        *x = c->x;
    if (y)
        *y = c->y;
    return 0;
}

int SetCursorAttribute(int panel, int control, int cursorNumber, int attribute, int value)
{
    GraphWidget *g = nullptr;
    if (int rc = findGraph(panel, control, &g))
        return rc;
    return g->setCursorAttribute(cursorNumber, attribute, value);
}

int GetCursorAttribute(int panel, int control, int cursorNumber, int attribute, int *value)
{
    GraphWidget *g = nullptr;
    if (int rc = findGraph(panel, control, &g))
        return rc;
    return g->cursorAttribute(cursorNumber, attribute, value);
}

int SetActiveGraphCursor(int panel, int control, int cursorNumber)
{
    GraphWidget *g = nullptr;
    if (int rc = findGraph(panel, control, &g))
        return rc;
    return g->setActiveCursor(cursorNumber);
}

int GetActiveGraphCursor(int panel, int control, int *cursorNumber)
{
    GraphWidget *g = nullptr;
    if (int rc = findGraph(panel, control, &g))
        return rc;
    if (!cursorNumber)
        return UIE_BAD_VALUE;
    *cursorNumber = g->activeCursor();
    return 0;
}

int SetGraphCursorIndex(int panel, int control, int cursorNumber, int plotHandle, int arrayIndex)
{
    GraphWidget *g = nullptr;
    if (int rc = findGraph(panel, control, &g))
        return rc;
    return g->setCursorIndex(cursorNumber, plotHandle, arrayIndex);
}

int GetGraphCursorIndex(int panel, int control, int cursorNumber, int *plotHandle, int *arrayIndex)
{
    GraphWidget *g = nullptr;
    if (int rc = findGraph(panel, control, &g))
        return rc;
    const uigraph::GraphCursor *c = g->cursor(cursorNumber);
    if (!c)
        return UIE_BAD_CURSOR;
    // A cursor on no plot reports -1 for both.
    const bool on = c->plot > 0 && g->plot(c->plot);
    if (plotHandle)
        *plotHandle = on ? c->plot : -1;
    if (arrayIndex)
        *arrayIndex = on ? static_cast<int>(c->index) : -1;
    return 0;
}

int DragGraphCursor(int panel, int control, int cursorNumber, double x, double y, int release)
{
    GraphWidget *g = nullptr;
    if (int rc = findGraph(panel, control, &g))
        return rc;
    return g->dragCursor(cursorNumber, x, y, release != 0);
}
