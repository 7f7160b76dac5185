// Cursors of the graph control: positions, snapping to plot points,
// attributes, the active cursor and drags by mouse or from code.
#include "ui/graph_widget.h"
#include "ui/graph_xy.h"

#include "ui/runtime_internal.h"
#include "ui/userint.h"

#include <QMouseEvent>

#include <algorithm>
#include <cmath>

namespace uigraph
{

namespace
{

constexpr int kGrabPixels = 5;

bool validStyle(int style)
{
    return style >= VAL_NO_CROSS && style <= VAL_HORIZONTAL_LINE;
}

} // namespace

// ------------------------------------------------------------ cursors

GraphCursor *GraphWidget::cursor(int number)
{
    if (number < 1 || number > cursorCount())
        return nullptr;
    return &cursors_[static_cast<std::size_t>(number - 1)];
}

void GraphWidget::snapCursor(GraphCursor &c, double x, double y)
{
    Plot *p = c.plot > 0 ? findPlot(c.plot) : nullptr;
    if (!p && !plots_.empty())
        p = plots_.back().get();
    if (!p || p->count() == 0) {
        // Nothing to snap to: the cursor goes where it is put.
        c.x = x;
        c.y = y;
        c.plot = -1;
        c.index = -1;
        return;
    }
    const std::size_t i =
        p->isXY() ? graphcore::nearestPoint(p->xs.data(), p->y.data(), p->count(), p->yGain, p->yOffset, x, y)
                  : graphcore::nearestIndex(x, p->x0, p->dx, p->count());
    c.plot = p->handle;
    c.index = static_cast<long>(i);
    c.x = p->xAt(i);
    c.y = p->valueAt(i);
}

void GraphWidget::moveCursor(GraphCursor &c, double x, double y)
{
    if (c.mode == VAL_SNAP_TO_POINT) {
        snapCursor(c, x, y);
    } else {
        c.x = x;
        c.y = y;
        c.plot = -1;
        c.index = -1;
    }
    cursorsChanged();
}

int GraphWidget::setCursorPosition(int number, double x, double y)
{
    GraphCursor *c = cursor(number);
    if (!c)
        return UIE_BAD_CURSOR;
    if (!std::isfinite(x) || !std::isfinite(y))
        return UIE_BAD_VALUE;
    moveCursor(*c, x, y);
    return 0;
}

int GraphWidget::setCursorIndex(int number, int plotHandle, int index)
{
    GraphCursor *c = cursor(number);
    if (!c)
        return UIE_BAD_CURSOR;
    Plot *p = findPlot(plotHandle);
    if (!p)
        return UIE_BAD_PLOT;
    if (index < 0 || static_cast<std::size_t>(index) >= p->count())
        return UIE_BAD_INDEX;
    c->plot = plotHandle;
    c->index = index;
    c->x = p->xAt(static_cast<std::size_t>(index));
    c->y = p->valueAt(static_cast<std::size_t>(index));
    cursorsChanged();
    return 0;
}

int GraphWidget::setCursorAttribute(int number, int attr, int value)
{
    GraphCursor *c = cursor(number);
    if (!c)
        return UIE_BAD_CURSOR;
    switch (attr) {
    case ATTR_CURSOR_MODE:
        if (value != VAL_FREE_FORM && value != VAL_SNAP_TO_POINT)
            return UIE_BAD_VALUE;
        c->mode = value;
        if (value == VAL_FREE_FORM) {
            c->plot = -1;
            c->index = -1;
        }
        return 0;
    case ATTR_CROSS_HAIR_STYLE:
        if (!validStyle(value))
            return UIE_BAD_VALUE;
        c->style = value;
        break;
    case ATTR_CURSOR_COLOR:
        if (value < 0 || value > 0xFFFFFF)
            return UIE_BAD_VALUE;
        c->color = value;
        break;
    case ATTR_CURSOR_ENABLED:
        c->enabled = value != 0;
        if (!c->enabled && dragging_ == number)
            dragging_ = 0;
        break;
    case ATTR_CURSOR_POINT_STYLE:
        c->pointStyle = value;
        break;
    case ATTR_CURSOR_LINE_STYLE:
        if (value != VAL_SOLID && value != VAL_DASH && value != VAL_DOT)
            return UIE_BAD_VALUE;
        c->lineStyle = value;
        break;
    case ATTR_CURSOR_MARKER:
        // One printable character, or none.
        if (value != 0 && (value < 0x21 || value > 0x7E))
            return UIE_BAD_VALUE;
        c->marker = value;
        break;
    default:
        return UIE_BAD_ATTRIBUTE;
    }
    cursorsChanged();
    return 0;
}

int GraphWidget::cursorAttribute(int number, int attr, int *value)
{
    GraphCursor *c = cursor(number);
    if (!c)
        return UIE_BAD_CURSOR;
    if (!value)
        return UIE_BAD_VALUE;
    switch (attr) {
    case ATTR_CURSOR_MODE:
        *value = c->mode;
        return 0;
    case ATTR_CROSS_HAIR_STYLE:
        *value = c->style;
        return 0;
    case ATTR_CURSOR_COLOR:
        *value = c->color;
        return 0;
    case ATTR_CURSOR_ENABLED:
        *value = c->enabled ? 1 : 0;
        return 0;
    case ATTR_CURSOR_POINT_STYLE:
        *value = c->pointStyle;
        return 0;
    case ATTR_CURSOR_LINE_STYLE:
        *value = c->lineStyle;
        return 0;
    case ATTR_CURSOR_MARKER:
        *value = c->marker;
        return 0;
    default:
        return UIE_BAD_ATTRIBUTE;
    }
}

int GraphWidget::setActiveCursor(int number)
{
    if (!cursor(number))
        return UIE_BAD_CURSOR;
    if (activeCursor_ != number) {
        activeCursor_ = number;
        cursorsChanged();
    }
    return 0;
}

bool GraphWidget::fire(int event, int data1)
{
    // The callback may discard the panel and with it this widget.
    QPointer<GraphWidget> self(this);
    if (observer_)
        observer_(event, data1);
    if (!self)
        return false;
    uirt::fireCallback(panel_, control_, event, data1, 0);
    return !self.isNull();
}

int GraphWidget::dragCursor(int number, double x, double y, bool release)
{
    GraphCursor *c = cursor(number);
    if (!c)
        return UIE_BAD_CURSOR;
    if (!c->enabled)
        return UIE_BAD_CURSOR;
    if (!std::isfinite(x) || !std::isfinite(y))
        return UIE_BAD_VALUE;
    setActiveCursor(number);
    moveCursor(*c, x, y);
    if (!fire(EVENT_VAL_CHANGED, number))
        return 0;
    if (release)
        fire(EVENT_COMMIT, number);
    return 0;
}

int GraphWidget::cursorAt(const QPointF &pos) const
{
    const QRect area = axisRect()->rect();
    if (!area.adjusted(-kGrabPixels, -kGrabPixels, kGrabPixels, kGrabPixels).contains(pos.toPoint()))
        return 0;
    int best = 0;
    double bestDistance = kGrabPixels + 0.5;
    for (int i = 1; i <= cursorCount(); ++i) {
        const GraphCursor &c = cursors_[static_cast<std::size_t>(i - 1)];
        if (!c.enabled || c.style == VAL_NO_CROSS)
            continue;
        const double dx = std::fabs(xAxis->coordToPixel(c.x) - pos.x());
        const double dy = std::fabs(yAxis->coordToPixel(c.y) - pos.y());
        double d;
        if (c.style == VAL_VERTICAL_LINE)
            d = dx;
        else if (c.style == VAL_HORIZONTAL_LINE)
            d = dy;
        else
            d = std::min(dx, dy);
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

// ------------------------------------------------------------ mouse

void GraphWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    dragging_ = cursorAt(event->position());
    if (dragging_)
        setActiveCursor(dragging_);
    event->accept();
}

void GraphWidget::mouseMoveEvent(QMouseEvent *event)
{
    if (!dragging_ || !(event->buttons() & Qt::LeftButton)) {
        // Hovering: a pointer shape tells that a press here grabs a cursor.
        const GraphCursor *over =
            event->buttons() == Qt::NoButton ? cursor(cursorAt(event->position())) : nullptr;
        if (!over)
            unsetCursor();
        else if (over->style == VAL_VERTICAL_LINE)
            setCursor(Qt::SplitHCursor);
        else if (over->style == VAL_HORIZONTAL_LINE)
            setCursor(Qt::SplitVCursor);
        else
            setCursor(Qt::SizeAllCursor);
        event->ignore();
        return;
    }
    event->accept();
    GraphCursor *c = cursor(dragging_);
    if (!c || !c->enabled) {
        dragging_ = 0;
        return;
    }
    // The cursor stays inside the plot area whatever the mouse does.
    const QRect area = axisRect()->rect();
    const double px = std::clamp(event->position().x(), double(area.left()), double(area.right()));
    const double py = std::clamp(event->position().y(), double(area.top()), double(area.bottom()));
    const int number = dragging_;
    moveCursor(*c, xAxis->pixelToCoord(px), yAxis->pixelToCoord(py));
    // While dragging only the cursor layer needs drawing.
    if (cursorDirty_ && !dataDirty_ && isVisible()) {
        cursorDirty_ = false;
        layer(QStringLiteral("cursors"))->replot();
    }
    fire(EVENT_VAL_CHANGED, number);
}

void GraphWidget::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !dragging_) {
        event->ignore();
        return;
    }
    event->accept();
    const int number = dragging_;
    dragging_ = 0;
    fire(EVENT_COMMIT, number);
}

void GraphWidget::mouseDoubleClickEvent(QMouseEvent *event)
{
    event->ignore();
}

void GraphWidget::wheelEvent(QWheelEvent *event)
{
    event->ignore();
}

} // namespace uigraph
