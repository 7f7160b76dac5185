// The graph control: a QCustomPlot that holds the plots and cursors of one
// "graph" control of a panel.  The graph operations of userint.h find it
// from its handles (graph_ops.cpp) and call the methods below.
//
// Drawing: every plot is drawn by one plottable that reduces long plots to
// a minimum and maximum per pixel column; cursors live on a buffered layer
// of their own so a cursor drag repaints only that layer.  Plotting only
// stores data and queues one redraw for the event loop; refresh() redraws
// at once.
#pragma once

#include "ui/graph_core.h"

#include <qcustomplot.h>

#include <QJsonObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace uigraph
{

class TracePlottable;
class CursorLayerable;
class LabelTicker;

// One plot: its samples as doubles (one copy), how they map to the axes and
// how they are drawn.
struct Plot {
    int handle = 0;
    graphcore::SampleBuffer y;
    graphcore::MinMaxPyramid pyramid;
    double yGain = 1.0, yOffset = 0.0;
    double x0 = 0.0, dx = 1.0;
    int color = 0xFFFFFF;
    int plotStyle = 0, pointStyle = 0, lineStyle = 0, pointFrequency = 1;
    // Finite range of the raw samples, found on first need (autoscale).
    bool rangeKnown = false, hasRange = false;
    double rawMin = 0.0, rawMax = 0.0;
    // An XY plot (PlotXY) keeps its x values here, one per y value, with
    // their finite range; a waveform plot leaves xs empty.
    graphcore::SampleBuffer xs;
    bool hasXRange = false;
    double xMin = 0.0, xMax = 0.0;

    std::size_t count() const { return y.size(); }
    bool isXY() const { return xs.size() > 0; }
    double xAt(std::size_t i) const { return isXY() ? xs.data()[i] : x0 + static_cast<double>(i) * dx; }
    // The x range the plot covers; false when it has no finite x.
    bool keyRange(double &lo, double &hi) const
    {
        if (isXY()) {
            lo = xMin;
            hi = xMax;
            return hasXRange;
        }
        if (count() == 0)
            return false;
        const double a = xAt(0), b = xAt(count() - 1);
        lo = a < b ? a : b;
        hi = a < b ? b : a;
        return true;
    }
    double valueAt(std::size_t i) const { return yGain * y.data()[i] + yOffset; }
};

struct GraphCursor {
    double x = 0.0, y = 0.0;
    bool enabled = true;
    int style = 1; // VAL_LONG_CROSS
    int mode = 0;  // VAL_FREE_FORM
    int color = 0xFFFFFF;
    int pointStyle = 0;
    int lineStyle = 0; // VAL_SOLID
    int marker = 0;    // letter of the tag at the top edge, 0 for none
    int plot = -1;   // plot it sits on (snap), or -1
    long index = -1; // point index on that plot
};

class GraphWidget : public QCustomPlot
{
    Q_OBJECT
  public:
    GraphWidget(QWidget *parent, int panel, int control, const QJsonObject &desc);
    ~GraphWidget() override;

    // ---- plots
    // Stores a plot; returns its handle (> 0) or a UIE_* code.
    int addPlot(const void *data, int count, int dataType, double yGain, double yOffset, double x0, double dx,
                int plotStyle, int pointStyle, int lineStyle, int pointFrequency, int color);
    // Stores an XY plot: y against x, count values of each (graph_xy.cpp).
    int addXYPlot(const void *x, const void *y, int count, int xType, int yType, int plotStyle, int pointStyle,
                  int lineStyle, int pointFrequency, int color);
    // Deletes one plot, or all of them for -1.
    int deletePlot(int handle);
    int plotCount() const { return static_cast<int>(plots_.size()); }
    const Plot *plot(int handle) const;
    const std::vector<std::unique_ptr<Plot>> &plots() const { return plots_; }

    // ---- drawing
    // Redraws what changed now: everything after a change of plots or axes,
    // only the cursor layer after a cursor move.  force redraws everything.
    void refresh(bool force = false);
    // Marks the plots and axes changed and queues one redraw.
    void changed();
    bool redrawPending() const { return dataDirty_ || cursorDirty_; }
    // Number of full redraws so far (tests check that plotting defers).
    int fullRedraws() const { return fullRedraws_; }

    // ---- axes (axis: VAL_LEFT_YAXIS, VAL_RIGHT_YAXIS, VAL_XAXIS)
    int setScaling(int axis, int mode, double min, double max);
    int scaling(int axis, int *mode, double *min, double *max);
    // Brings autoscaled axes up to date with the plots.
    void updateRanges();

    // ---- cursors (numbered from 1)
    int cursorCount() const { return static_cast<int>(cursors_.size()); }
    GraphCursor *cursor(int number);
    int setCursorPosition(int number, double x, double y);
    int setCursorIndex(int number, int plotHandle, int index);
    int setCursorAttribute(int number, int attribute, int value);
    int cursorAttribute(int number, int attribute, int *value);
    int activeCursor() const { return activeCursor_; }
    int setActiveCursor(int number);
    // A drag step as the mouse makes it: moves the cursor, makes it active,
    // sends EVENT_VAL_CHANGED and, with release, EVENT_COMMIT.
    int dragCursor(int number, double x, double y, bool release);
    // The cursor a press at this widget position would grab, or 0.
    int cursorAt(const QPointF &pos) const;
    // Sees every event the graph sends to its callback, before the callback
    // (tests, automation).
    void setEventObserver(std::function<void(int event, int eventData1)> observer)
    {
        observer_ = std::move(observer);
    }

    // ---- graph attributes (ATTR_XAXIS_GAIN ... ATTR_SMOOTH_UPDATE)
    int setAttribute(int attribute, double value);
    int setAttribute(int attribute, const char *value);
    int attribute(int attribute, double *value);
    int attribute(int attribute, char *value);

    double xGain() const { return xGain_; }
    double xOffset() const { return xOffset_; }
    double yGain() const { return yGain_; }
    double yOffset() const { return yOffset_; }
    QColor background() const { return bg_; }

  protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

  private:
    void scheduleFlush();
    void flush();
    void cursorsChanged();
    void applyColors();
    void applyFrame();
    void applyTicks();
    Plot *findPlot(int handle);
    void snapCursor(GraphCursor &c, double x, double y);
    void moveCursor(GraphCursor &c, double x, double y);
    void detachCursors(int handle);
    void dropOldest();
    bool fire(int event, int data1);
    bool plotRange(Plot &p, double &lo, double &hi);

    int panel_, control_;
    std::vector<std::unique_ptr<Plot>> plots_;
    // Buffers of deleted plots, reused by the next plots (a capture deletes
    // and re-plots records of the same length every tick); freed at the next
    // redraw when nothing took them.
    std::vector<std::unique_ptr<Plot>> spares_;
    int nextHandle_ = 1;

    std::vector<GraphCursor> cursors_;
    int activeCursor_ = 0;
    int dragging_ = 0;
    std::function<void(int, int)> observer_;

    bool xAuto_ = true, yAuto_ = true;
    double xMin_ = 0.0, xMax_ = 10.0, yMin_ = 0.0, yMax_ = 10.0;
    double xGain_ = 1.0, xOffset_ = 0.0, yGain_ = 1.0, yOffset_ = 0.0;
    std::string xName_, yName_;
    bool grid_ = true;
    QColor bg_ = Qt::black;
    int refreshEachChange_ = 0;
    int edgeStyle_ = 1;
    int smoothUpdate_ = 1;

    bool dataDirty_ = true, cursorDirty_ = false, flushQueued_ = false;
    int fullRedraws_ = 0;

    TracePlottable *traces_ = nullptr;
    CursorLayerable *cursorItem_ = nullptr;
    QSharedPointer<LabelTicker> xTicker_, yTicker_;

    friend class TracePlottable;
    friend class CursorLayerable;
};

// The graph widget behind a control's widget (the widget itself or a child
// of it), or nullptr.
GraphWidget *asGraph(QWidget *w);

} // namespace uigraph
