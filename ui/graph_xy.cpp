// XY plots: y against x.  The path is rasterised into a pixel mask (each
// point, and the segments between consecutive points clipped to the view),
// which is painted in the plot's colour, so a record of millions of points
// costs one pass over them and one image the size of the plot area.
#include "ui/graph_xy.h"

#include "ui/graph_draw.h"
#include "ui/userint.h"

#include <QImage>

#include <algorithm>
#include <cmath>
#include <limits>

namespace graphcore
{

namespace
{

// Clips the segment (x0, y0)-(x1, y1) to [0, w] x [0, h] (Liang-Barsky);
// false when nothing of it lies inside.
bool clipSegment(double &x0, double &y0, double &x1, double &y1, double w, double h)
{
    double t0 = 0.0, t1 = 1.0;
    const double dx = x1 - x0, dy = y1 - y0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0, w - x0, y0, h - y0};
    for (int k = 0; k < 4; ++k) {
        if (p[k] == 0.0) {
            if (q[k] < 0.0)
                return false;
            continue;
        }
        const double t = q[k] / p[k];
        if (p[k] < 0.0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return false;
    }
    const double ax = x0 + t0 * dx, ay = y0 + t0 * dy;
    x1 = x0 + t1 * dx;
    y1 = y0 + t1 * dy;
    x0 = ax;
    y0 = ay;
    return true;
}

} // namespace

std::size_t rasterizePath(const double *x, const double *y, std::size_t n, double yGain, double yOffset,
                          const XYView &view, bool connect, std::vector<std::uint8_t> &mask)
{
    const int w = std::max(view.width, 0), h = std::max(view.height, 0);
    mask.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
    const double spanX = view.xHi - view.xLo, spanY = view.yHi - view.yLo;
    if (w == 0 || h == 0 || !x || !y || !(spanX > 0.0) || !(spanY > 0.0) || !std::isfinite(spanX) ||
        !std::isfinite(spanY))
        return 0;
    const double sx = w / spanX, sy = h / spanY;
    std::size_t marked = 0;
    auto mark = [&](double px, double py) {
        // A point on the far edge belongs to the last column or row.
        const int c = std::min(static_cast<int>(px), w - 1), r = std::min(static_cast<int>(py), h - 1);
        std::uint8_t &m = mask[static_cast<std::size_t>(r) * static_cast<std::size_t>(w) + static_cast<std::size_t>(c)];
        marked += m == 0;
        m = 1;
    };
    const bool dense = n > kXYDensePoints;
    bool havePrevious = false;
    double prevX = 0.0, prevY = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double px = (x[i] - view.xLo) * sx;
        const double py = (view.yHi - (yGain * y[i] + yOffset)) * sy;
        if (!std::isfinite(px) || !std::isfinite(py)) {
            havePrevious = false;
            continue;
        }
        if (px >= 0.0 && px <= w && py >= 0.0 && py <= h)
            mark(px, py);
        if (connect && havePrevious) {
            double ax = prevX, ay = prevY, bx = px, by = py;
            const double steps = std::ceil(std::max(std::fabs(bx - ax), std::fabs(by - ay)));
            if ((!dense || steps <= kXYLongSegment) && clipSegment(ax, ay, bx, by, w, h)) {
                // One mark per pixel step along the longer direction.
                const int k = static_cast<int>(std::ceil(std::max(std::fabs(bx - ax), std::fabs(by - ay))));
                for (int s = 1; s < k; ++s) {
                    const double t = static_cast<double>(s) / k;
                    mark(ax + t * (bx - ax), ay + t * (by - ay));
                }
                mark(ax, ay);
                mark(bx, by);
            }
        }
        havePrevious = true;
        prevX = px;
        prevY = py;
    }
    return marked;
}

std::size_t nearestPoint(const double *x, const double *y, std::size_t n, double yGain, double yOffset, double px,
                         double py)
{
    std::size_t best = 0;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < n; ++i) {
        const double dx = x[i] - px, dy = yGain * y[i] + yOffset - py;
        const double d = dx * dx + dy * dy;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

} // namespace graphcore

namespace uigraph
{

int GraphWidget::addXYPlot(const void *x, const void *y, int count, int xType, int yType, int plotStyle,
                           int pointStyle, int lineStyle, int pointFrequency, int color)
{
    if (graphcore::sampleSize(xType) == 0 || graphcore::sampleSize(yType) == 0)
        return UIE_BAD_TYPE;
    if (count <= 0 || !x || !y)
        return UIE_BAD_VALUE;
    const std::size_t n = static_cast<std::size_t>(count);
    graphcore::SampleBuffer xs;
    if (!xs.resize(n))
        return UIE_OUT_OF_MEMORY;
    // The pyramid converts the x values to doubles and finds their range.
    graphcore::MinMaxPyramid xPyramid;
    if (!xPyramid.buildFrom(x, xType, n, xs.data()))
        return UIE_BAD_TYPE;
    double lo = 0.0, hi = 0.0;
    const bool hasRange = xPyramid.finiteMinMax(xs.data(), n, lo, hi);
    const int handle = addPlot(y, count, yType, 1.0, 0.0, 0.0, 1.0, plotStyle, pointStyle, lineStyle,
                               pointFrequency, color);
    if (handle <= 0)
        return handle;
    Plot *p = findPlot(handle);
    p->xs = std::move(xs);
    p->hasXRange = hasRange;
    p->xMin = lo;
    p->xMax = hi;
    changed();
    return handle;
}

void TracePlottable::drawXY(QCPPainter *painter, const Plot &p, const QRect &area)
{
    const QCPRange xr = keyAxis()->range(), yr = valueAxis()->range();
    graphcore::XYView view;
    view.xLo = xr.lower;
    view.xHi = xr.upper;
    view.yLo = yr.lower;
    view.yHi = yr.upper;
    view.width = area.width();
    view.height = area.height();
    std::vector<std::uint8_t> mask;
    if (graphcore::rasterizePath(p.xs.data(), p.y.data(), p.count(), p.yGain, p.yOffset, view,
                                 p.plotStyle != VAL_SCATTER, mask) == 0)
        return;
    // A fat line or square markers cover the pixel's right and lower
    // neighbours too.
    const bool fat = p.plotStyle == VAL_FAT_LINE || (p.plotStyle == VAL_SCATTER && p.pointStyle == VAL_SOLID_SQUARE);
    QImage image(view.width, view.height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const QRgb rgb = 0xFF000000u | static_cast<QRgb>(p.color & 0xFFFFFF);
    for (int r = 0; r < view.height; ++r) {
        const std::uint8_t *row = mask.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(view.width);
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(r));
        QRgb *below = fat && r + 1 < view.height ? reinterpret_cast<QRgb *>(image.scanLine(r + 1)) : nullptr;
        for (int c = 0; c < view.width; ++c) {
            if (!row[c])
                continue;
            line[c] = rgb;
            if (fat) {
                if (c + 1 < view.width)
                    line[c + 1] = rgb;
                if (below) {
                    below[c] = rgb;
                    if (c + 1 < view.width)
                        below[c + 1] = rgb;
                }
            }
        }
    }
    painter->drawImage(area.topLeft(), image);
}

} // namespace uigraph
