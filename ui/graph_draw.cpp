#include "ui/graph_draw.h"

#include "ui/userint.h"

#include <algorithm>
#include <cmath>

namespace uigraph
{

namespace
{

QColor rgb(int color)
{
    return QColor((color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF);
}

// Keeps pixel coordinates of far-off values within what the painter's
// fixed-point arithmetic handles.
inline double clampPixel(double v, double lo, double hi)
{
    constexpr double kMargin = 1e5;
    if (!(v >= lo - kMargin))
        return lo - kMargin;
    if (v > hi + kMargin)
        return hi + kMargin;
    return v;
}

void drawMarkers(QCPPainter *painter, const QVector<QPointF> &pts, int pointStyle, int every, const QColor &c)
{
    if (pts.isEmpty())
        return;
    const double half = pointStyle == VAL_SOLID_SQUARE ? 2.5 : 1.0;
    painter->save();
    painter->setPen(Qt::NoPen);
    painter->setBrush(c);
    for (int i = 0; i < pts.size(); i += every)
        painter->drawRect(QRectF(pts[i].x() - half, pts[i].y() - half, 2 * half, 2 * half));
    painter->restore();
}

// Pixel rows of a plot's values (gain and offset applied), kept within what
// the painter handles.
struct RowMap {
    double py0 = 0.0, pyScale = 1.0, gain = 1.0, offset = 0.0, top = 0.0, bottom = 0.0;
    double operator()(double raw) const
    {
        return clampPixel(py0 + (gain * raw + offset) * pyScale, top, bottom);
    }
    double baseline() const { return clampPixel(py0, top, bottom); }
};

// Draws one unbroken run of points as the plot's style asks (bars from the
// zero line, a line, markers) and empties the run.
void strokeRun(QCPPainter *painter, const Plot &p, QVector<QPointF> &points, double baseline,
               const QColor &color)
{
    if (points.isEmpty())
        return;
    const bool scatter = p.plotStyle == VAL_SCATTER;
    if (p.plotStyle == VAL_VERTICAL_BAR) {
        for (const QPointF &pt : points)
            painter->drawLine(QPointF(pt.x(), baseline), pt);
    } else if (!scatter) {
        if (points.size() == 1)
            painter->drawPoint(points[0]);
        else
            painter->drawPolyline(points.constData(), points.size());
    }
    if (scatter || (p.plotStyle == VAL_CONNECTED_POINTS && p.pointStyle != VAL_NO_POINT))
        drawMarkers(painter, points, p.pointStyle, std::max(1, p.pointFrequency), color);
    points.clear();
}

// At most one sample per column: the real line through the points; a NaN
// breaks it.
void drawSampleLine(QCPPainter *painter, const Plot &p, const graphcore::XMap &map, const RowMap &row,
                    const QRect &area, QVector<QPointF> &points, const QColor &color)
{
    std::size_t a, b;
    if (!graphcore::visibleRange(p.count(), map, -2.0, area.width() + 2.0, a, b))
        return;
    const double *y = p.y.data();
    const double baseline = row.baseline();
    points.clear();
    for (std::size_t i = a; i <= b; ++i) {
        const double v = y[i];
        if (std::isnan(v)) {
            strokeRun(painter, p, points, baseline, color);
            continue;
        }
        points.append(QPointF(area.left() + map.pixelOf(static_cast<double>(i)), row(v)));
    }
    strokeRun(painter, p, points, baseline, color);
}

// Several samples per column, scatter or bars: one min..max stroke per
// column (a bar runs from the zero line to the sample).
void drawColumnStrokes(QCPPainter *painter, const std::vector<graphcore::Column> &columns, const RowMap &row,
                       double left, bool bars)
{
    const double baseline = row.baseline();
    QVector<QLineF> lines;
    lines.reserve(static_cast<int>(columns.size()));
    for (const graphcore::Column &c : columns) {
        const double x = left + c.column + 0.5;
        double lo = row(c.min), hi = row(c.max);
        if (bars) {
            const double a = std::min({lo, hi, baseline}), b = std::max({lo, hi, baseline});
            lo = a;
            hi = b;
        }
        lines.append(QLineF(x, lo, x, hi));
    }
    painter->drawLines(lines);
}

// Several samples per column, as a line: each column entered at its first
// sample and left at its last, which joins the columns as the samples run;
// the stroke between covers min..max.
void drawColumnLine(QCPPainter *painter, const std::vector<graphcore::Column> &columns, const RowMap &row,
                    double left, QVector<QPointF> &points)
{
    points.clear();
    points.reserve(static_cast<int>(columns.size()) * 4);
    int prev = -2;
    for (const graphcore::Column &c : columns) {
        if (c.column != prev + 1 && points.size() > 1) {
            painter->drawPolyline(points.constData(), points.size());
            points.clear();
        }
        const double x = left + c.column + 0.5;
        const double lo = row(c.min), hi = row(c.max);
        const double first = std::isnan(c.first) ? lo : row(c.first);
        const double last = std::isnan(c.last) ? hi : row(c.last);
        points.append(QPointF(x, first));
        points.append(QPointF(x, lo));
        points.append(QPointF(x, hi));
        points.append(QPointF(x, last));
        prev = c.column;
    }
    if (!points.isEmpty())
        painter->drawPolyline(points.constData(), points.size());
}

} // namespace

// ------------------------------------------------------------ plots

TracePlottable::TracePlottable(GraphWidget *graph)
    : QCPAbstractPlottable(graph->xAxis, graph->yAxis), graph_(graph)
{
    setSelectable(QCP::stNone);
    setAntialiased(false);
}

double TracePlottable::selectTest(const QPointF &, bool, QVariant *) const
{
    return -1;
}

QCPRange TracePlottable::getKeyRange(bool &foundRange, QCP::SignDomain) const
{
    foundRange = false;
    QCPRange r;
    for (const auto &p : graph_->plots_) {
        double a, b;
        if (!p->keyRange(a, b))
            continue;
        const QCPRange pr(a, b);
        if (!foundRange)
            r = pr;
        else
            r.expand(pr);
        foundRange = true;
    }
    return r;
}

QCPRange TracePlottable::getValueRange(bool &foundRange, QCP::SignDomain, const QCPRange &) const
{
    foundRange = false;
    QCPRange r;
    for (const auto &p : graph_->plots_) {
        double lo, hi;
        if (!graph_->plotRange(*p, lo, hi))
            continue;
        if (!foundRange)
            r = QCPRange(lo, hi);
        else
            r.expand(QCPRange(lo, hi));
        foundRange = true;
    }
    return r;
}

void TracePlottable::drawLegendIcon(QCPPainter *, const QRectF &) const {}

void TracePlottable::draw(QCPPainter *painter)
{
    const QRect area = clipRect();
    if (area.width() <= 0 || area.height() <= 0)
        return;
    painter->setRenderHint(QPainter::Antialiasing, false);
    for (const auto &p : graph_->plots_)
        drawPlot(painter, *p, area);
}

void TracePlottable::drawPlot(QCPPainter *painter, const Plot &p, const QRect &area)
{
    const std::size_t n = p.count();
    if (n == 0)
        return;
    if (p.isXY()) {
        drawXY(painter, p, area);
        return;
    }
    const double *y = p.y.data();
    const QCPRange xr = keyAxis()->range();
    graphcore::XMap map;
    map.x0 = p.x0;
    map.dx = p.dx;
    map.viewLo = xr.lower;
    map.viewHi = xr.upper;
    map.width = area.width();

    RowMap row;
    row.top = area.top();
    row.bottom = area.bottom();
    row.py0 = valueAxis()->coordToPixel(0.0);
    row.pyScale = valueAxis()->coordToPixel(1.0) - row.py0;
    row.gain = p.yGain;
    row.offset = p.yOffset;

    const QColor color = rgb(p.color);
    QPen pen(color);
    pen.setCosmetic(true);
    pen.setWidth(p.plotStyle == VAL_FAT_LINE ? 2 : 1);
    if (p.lineStyle == VAL_DASH)
        pen.setStyle(Qt::DashLine);
    else if (p.lineStyle == VAL_DOT)
        pen.setStyle(Qt::DotLine);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);

    if (p.dx != 0.0 && map.samplesPerColumn() <= 1.0) {
        drawSampleLine(painter, p, map, row, area, points_, color);
        return;
    }
    graphcore::reduceColumns(y, n, p.pyramid.levelCount() > 0 ? &p.pyramid : nullptr, map, columns_);
    if (columns_.empty())
        return;
    if (p.plotStyle == VAL_SCATTER || p.plotStyle == VAL_VERTICAL_BAR)
        drawColumnStrokes(painter, columns_, row, area.left(), p.plotStyle == VAL_VERTICAL_BAR);
    else
        drawColumnLine(painter, columns_, row, area.left(), points_);
}

// ------------------------------------------------------------ cursors

CursorLayerable::CursorLayerable(GraphWidget *graph)
    : QCPLayerable(graph, QStringLiteral("cursors")), graph_(graph)
{
}

QRect CursorLayerable::clipRect() const
{
    return graph_->axisRect()->rect();
}

void CursorLayerable::applyDefaultAntialiasingHint(QCPPainter *painter) const
{
    painter->setAntialiasing(false);
}

// A tag in the cursor's colour hanging from the top edge of the plot area,
// centred on the cursor's vertical line, with the marker letter in the
// plot area's colour.
void CursorLayerable::drawMarker(QCPPainter *painter, const GraphCursor &c, double px, double top)
{
    const QRectF tag(std::round(px) - kMarkerWidth / 2.0, top, kMarkerWidth, kMarkerHeight);
    painter->setBrush(rgb(c.color));
    painter->drawRect(tag);
    QFont font = painter->font();
    font.setBold(true);
    font.setPixelSize(kMarkerHeight - 3);
    painter->setFont(font);
    painter->setPen(graph_->background());
    painter->drawText(tag, Qt::AlignCenter, QString(QChar(c.marker)));
    painter->setBrush(Qt::NoBrush);
}

void CursorLayerable::draw(QCPPainter *painter)
{
    const QRect area = clipRect();
    if (area.width() <= 0 || area.height() <= 0)
        return;
    const double left = area.left(), right = area.right();
    const double top = area.top(), bottom = area.bottom();
    for (int i = 1; i <= graph_->cursorCount(); ++i) {
        const GraphCursor &c = *graph_->cursor(i);
        if (!c.enabled || c.style == VAL_NO_CROSS)
            continue;
        const double px = graph_->xAxis->coordToPixel(c.x);
        const double py = graph_->yAxis->coordToPixel(c.y);
        QPen pen(rgb(c.color));
        pen.setCosmetic(true);
        pen.setStyle(c.lineStyle == VAL_DASH ? Qt::DashLine : c.lineStyle == VAL_DOT ? Qt::DotLine : Qt::SolidLine);
        painter->setPen(pen);
        painter->setBrush(Qt::NoBrush);
        const bool vertical = c.style == VAL_LONG_CROSS || c.style == VAL_VERTICAL_LINE;
        const bool horizontal = c.style == VAL_LONG_CROSS || c.style == VAL_HORIZONTAL_LINE;
        if (vertical && px >= left - 1 && px <= right + 1)
            painter->drawLine(QPointF(px, top), QPointF(px, bottom));
        if (horizontal && py >= top - 1 && py <= bottom + 1)
            painter->drawLine(QPointF(left, py), QPointF(right, py));
        pen.setStyle(Qt::SolidLine);
        painter->setPen(pen);
        if (c.marker && px >= left - 1 && px <= right + 1)
            drawMarker(painter, c, px, top);
        // The active cursor carries a small box at its point.
        if (i == graph_->activeCursor() && px >= left && px <= right && py >= top && py <= bottom)
            painter->drawRect(QRectF(px - 3, py - 3, 6, 6));
    }
}

// ------------------------------------------------------------ axis labels

void LabelTicker::generate(const QCPRange &range, const QLocale &, QChar, int, QVector<double> &ticks,
                           QVector<double> *subTicks, QVector<QString> *tickLabels)
{
    const double g = (gain_ == 0.0 || !std::isfinite(gain_)) ? 1.0 : gain_;
    const double o = std::isfinite(offset_) ? offset_ : 0.0;
    const double l0 = graphcore::toLabel(range.lower, g, o);
    const double l1 = graphcore::toLabel(range.upper, g, o);
    const int target = std::max(2, tickCount());
    const std::vector<double> labels = graphcore::niceTicks(l0, l1, target);
    const double step = graphcore::niceStep(l1 - l0, target);
    ticks.clear();
    if (subTicks)
        subTicks->clear();
    if (tickLabels)
        tickLabels->clear();
    const bool reverse = g < 0;
    for (std::size_t k = 0; k < labels.size(); ++k) {
        const double v = labels[reverse ? labels.size() - 1 - k : k];
        ticks.append(graphcore::fromLabel(v, g, o));
        if (tickLabels)
            tickLabels->append(QString::fromStdString(graphcore::formatTick(v, step)));
    }
}

} // namespace uigraph
