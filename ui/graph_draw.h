// Drawing parts of the graph control: the plottable that draws every plot
// of a graph, the cursor layer and the axis ticker that labels gain * x +
// offset.  Private to graph_widget.cpp and graph_draw.cpp.
#pragma once

#include "ui/graph_widget.h"

#include <qcustomplot.h>

namespace uigraph
{

// Draws all plots of its graph, oldest first.  A plot with more than one
// sample per pixel column is drawn as one vertical min..max stroke per
// column joined to its neighbours; otherwise as the line through its points.
class TracePlottable : public QCPAbstractPlottable
{
    Q_OBJECT
  public:
    explicit TracePlottable(GraphWidget *graph);

    double selectTest(const QPointF &pos, bool onlySelectable, QVariant *details = nullptr) const override;
    QCPRange getKeyRange(bool &foundRange, QCP::SignDomain inSignDomain = QCP::sdBoth) const override;
    QCPRange getValueRange(bool &foundRange, QCP::SignDomain inSignDomain = QCP::sdBoth,
                           const QCPRange &inKeyRange = QCPRange()) const override;

  protected:
    void draw(QCPPainter *painter) override;
    void drawLegendIcon(QCPPainter *painter, const QRectF &rect) const override;

  private:
    void drawPlot(QCPPainter *painter, const Plot &p, const QRect &area);
    void drawXY(QCPPainter *painter, const Plot &p, const QRect &area); // graph_xy.cpp
    GraphWidget *graph_;
    std::vector<graphcore::Column> columns_;
    QVector<QPointF> points_;
};

// Draws the enabled cursors of its graph on the "cursors" layer.
class CursorLayerable : public QCPLayerable
{
    Q_OBJECT
  public:
    explicit CursorLayerable(GraphWidget *graph);

  protected:
    QRect clipRect() const override;
    void applyDefaultAntialiasingHint(QCPPainter *painter) const override;
    void draw(QCPPainter *painter) override;

  public:
    // Size in pixels of the tag that carries a cursor's marker letter.
    static constexpr int kMarkerWidth = 13;
    static constexpr int kMarkerHeight = 14;

  private:
    void drawMarker(QCPPainter *painter, const GraphCursor &c, double px, double top);
    GraphWidget *graph_;
};

// Ticks at readable label values, where a label reads gain * x + offset.
class LabelTicker : public QCPAxisTicker
{
  public:
    void setMapping(double gain, double offset)
    {
        gain_ = gain;
        offset_ = offset;
    }
    void generate(const QCPRange &range, const QLocale &locale, QChar formatChar, int precision,
                  QVector<double> &ticks, QVector<double> *subTicks, QVector<QString> *tickLabels) override;

  private:
    double gain_ = 1.0, offset_ = 0.0;
};

} // namespace uigraph
