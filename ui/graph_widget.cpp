#include "ui/graph_widget.h"

#include "ui/graph_draw.h"
#include "ui/runtime_internal.h"
#include "ui/userint.h"

#include <QTimer>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace uigraph
{

namespace
{

constexpr int kMaxSpares = 8;
// Traces kept on one graph.  Persistence adds traces on every capture and
// never deletes them: past these limits the oldest go, so a long run cannot
// exhaust memory or make a redraw crawl.
constexpr std::size_t kMaxPlots = 512;
constexpr std::size_t kMaxStoredSamples = std::size_t(128) << 20;

int parseColour(const QJsonValue &v, int fallback)
{
    if (v.isDouble())
        return v.toInt() & 0xFFFFFF;
    if (v.isString()) {
        QString s = v.toString().trimmed();
        if (s.startsWith('#'))
            s = s.mid(1);
        bool ok = false;
        const int c = s.toInt(&ok, 16);
        if (ok && s.size() == 6)
            return c;
    }
    return fallback;
}

QColor rgb(int color)
{
    return QColor((color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF);
}
int toRgb(const QColor &c)
{
    return (c.red() << 16) | (c.green() << 8) | c.blue();
}
bool dark(const QColor &c)
{
    return c.lightness() < 128;
}

void copyText(const std::string &s, char *out)
{
    // Strings of graph attributes: at most 256 bytes with the terminator,
    // never ending inside a UTF-8 character.
    std::size_t n = std::min<std::size_t>(s.size(), 255);
    if (n < s.size())
        while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80)
            --n;
    std::memcpy(out, s.data(), n);
    out[n] = '\0';
}

} // namespace

GraphWidget::GraphWidget(QWidget *parent, int panel, int control, const QJsonObject &desc)
    : QCustomPlot(parent), panel_(panel), control_(control)
{
    setAutoAddPlottableToLegend(false);
    setInteractions(QCP::Interactions());
    setMouseTracking(true); // the pointer shows which cursor a press would grab
    setNoAntialiasingOnDrag(true);
    setAntialiasedElements(QCP::aeNone);
    setPlottingHint(QCP::phCacheLabels, true);
    setPlottingHint(QCP::phImmediateRefresh, false);

    bg_ = rgb(parseColour(desc.value("bgcolor"), 0x000000));
    grid_ = desc.value("grid").toBool(true);
    xName_ = desc.value("xname").toString().toStdString();
    yName_ = desc.value("yname").toString().toStdString();
    xAuto_ = desc.value("xscaling").toString("auto") != "manual";
    yAuto_ = desc.value("yscaling").toString("auto") != "manual";
    xMin_ = desc.value("xmin").toDouble(0.0);
    xMax_ = desc.value("xmax").toDouble(10.0);
    if (!(xMax_ > xMin_))
        xMax_ = xMin_ + 10.0;
    yMin_ = desc.value("ymin").toDouble(0.0);
    yMax_ = desc.value("ymax").toDouble(10.0);
    if (!(yMax_ > yMin_))
        yMax_ = yMin_ + 10.0;
    xAxis->setRange(xMin_, xMax_);
    yAxis->setRange(yMin_, yMax_);

    xTicker_.reset(new LabelTicker);
    yTicker_.reset(new LabelTicker);
    xAxis->setTicker(xTicker_);
    yAxis->setTicker(yTicker_);
    xAxis->setSubTicks(false);
    yAxis->setSubTicks(false);
    xAxis->setLabel(QString::fromStdString(xName_));
    yAxis->setLabel(QString::fromStdString(yName_));

    // Room on the right for the last x label.
    axisRect()->setMinimumMargins(QMargins(0, 8, 28, 0));

    traces_ = new TracePlottable(this);
    // Cursors on a buffered layer of their own: a drag redraws that layer
    // and leaves the traces' buffer alone.
    addLayer(QStringLiteral("cursors"), layer(QStringLiteral("overlay")), limAbove);
    layer(QStringLiteral("cursors"))->setMode(QCPLayer::lmBuffered);
    cursorItem_ = new CursorLayerable(this);

    const int count = std::clamp(desc.value("cursors").toInt(0), 0, 64);
    cursors_.resize(static_cast<std::size_t>(count));
    activeCursor_ = count > 0 ? 1 : 0;
    applyColors();
    for (GraphCursor &c : cursors_)
        c.color = dark(bg_) ? 0xFFFFFF : 0x000000;
    applyFrame();
}

GraphWidget::~GraphWidget() = default;

GraphWidget *asGraph(QWidget *w)
{
    if (!w)
        return nullptr;
    if (auto *g = qobject_cast<GraphWidget *>(w))
        return g;
    return w->findChild<GraphWidget *>();
}

// ------------------------------------------------------------ look

void GraphWidget::applyColors()
{
    // The plot area keeps its own colour; margins and axes take the panel's.
    axisRect()->setBackground(QBrush(bg_));
    setBackground(palette().brush(QPalette::Window));
    const QColor text = palette().color(QPalette::WindowText);
    for (QCPAxis *a : {xAxis, yAxis, xAxis2, yAxis2}) {
        a->setBasePen(QPen(text));
        a->setTickPen(QPen(text));
        a->setTickLabelColor(text);
        a->setLabelColor(text);
    }
    const QColor gridColor = dark(bg_) ? QColor(0x50, 0x50, 0x50) : QColor(0xC8, 0xC8, 0xC8);
    for (QCPAxis *a : {xAxis, yAxis}) {
        QPen pen(gridColor, 0, Qt::DotLine);
        a->grid()->setPen(pen);
        a->grid()->setZeroLinePen(pen);
        a->grid()->setVisible(grid_);
    }
}

void GraphWidget::applyFrame()
{
    // The frame: the top and right edges of the plot area drawn as well.
    const bool on = edgeStyle_ != 0;
    for (QCPAxis *a : {xAxis2, yAxis2}) {
        a->setVisible(on);
        a->setTicks(false);
        a->setTickLabels(false);
    }
}

void GraphWidget::applyTicks()
{
    xTicker_->setMapping(xGain_, xOffset_);
    yTicker_->setMapping(yGain_, yOffset_);
    // About one label per 90 pixels across and 50 pixels up (from the
    // widget's size: the plot area is laid out only during the redraw).
    xTicker_->setTickCount(std::max(2, (width() - 60) / 90));
    yTicker_->setTickCount(std::max(2, (height() - 40) / 50));
}

// ------------------------------------------------------------ plots

Plot *GraphWidget::findPlot(int handle)
{
    for (auto &p : plots_)
        if (p->handle == handle)
            return p.get();
    return nullptr;
}

const Plot *GraphWidget::plot(int handle) const
{
    for (const auto &p : plots_)
        if (p->handle == handle)
            return p.get();
    return nullptr;
}

int GraphWidget::addPlot(const void *data, int count, int dataType, double yGain, double yOffset, double x0,
                         double dx, int plotStyle, int pointStyle, int lineStyle, int pointFrequency,
                         int color)
{
    if (graphcore::sampleSize(dataType) == 0)
        return UIE_BAD_TYPE;
    if (count <= 0 || !data)
        return UIE_BAD_VALUE;
    if (!std::isfinite(yGain) || !std::isfinite(yOffset) || !std::isfinite(x0) || !std::isfinite(dx))
        return UIE_BAD_VALUE;
    const std::size_t n = static_cast<std::size_t>(count);

    // Reuse the storage of a deleted plot that fits, else allocate.
    std::unique_ptr<Plot> p;
    std::size_t best = 0;
    bool found = false;
    for (std::size_t i = 0; i < spares_.size(); ++i) {
        const std::size_t cap = spares_[i]->y.capacity();
        if (cap >= n && cap / 4 <= n && (!found || cap < spares_[best]->y.capacity())) {
            best = i;
            found = true;
        }
    }
    if (found) {
        p = std::move(spares_[best]);
        spares_.erase(spares_.begin() + static_cast<long>(best));
    } else {
        p = std::make_unique<Plot>();
    }
    if (!p->y.resize(n))
        return UIE_OUT_OF_MEMORY;
    if (!p->pyramid.buildFrom(data, dataType, n, p->y.data()))
        return UIE_BAD_TYPE;

    // Handles grow; after INT_MAX they start again at 1, passing over those
    // still in use.
    int handle = nextHandle_;
    while (findPlot(handle))
        handle = handle == INT_MAX ? 1 : handle + 1;
    nextHandle_ = handle == INT_MAX ? 1 : handle + 1;

    p->handle = handle;
    p->yGain = yGain;
    p->yOffset = yOffset;
    p->x0 = x0;
    p->dx = dx;
    p->color = color & 0xFFFFFF;
    p->plotStyle = plotStyle;
    p->pointStyle = pointStyle;
    p->lineStyle = lineStyle;
    p->pointFrequency = std::max(1, pointFrequency);
    p->rangeKnown = false;
    p->xs.clear(); // a spare of an XY plot holds x values
    p->hasXRange = false;
    plots_.push_back(std::move(p));
    dropOldest();
    changed();
    return handle;
}

void GraphWidget::dropOldest()
{
    std::size_t total = 0;
    for (const auto &q : plots_)
        total += q->count();
    std::size_t drop = 0;
    while (plots_.size() - drop > 1 && (plots_.size() - drop > kMaxPlots || total > kMaxStoredSamples)) {
        total -= plots_[drop]->count();
        detachCursors(plots_[drop]->handle);
        ++drop;
    }
    if (drop > 0)
        plots_.erase(plots_.begin(), plots_.begin() + static_cast<long>(drop));
}

void GraphWidget::detachCursors(int handle)
{
    for (GraphCursor &c : cursors_) {
        if (c.plot == handle || handle == -1) {
            c.plot = -1;
            c.index = -1;
        }
    }
}

int GraphWidget::deletePlot(int handle)
{
    if (handle == -1) {
        for (auto &p : plots_) {
            if (static_cast<int>(spares_.size()) < kMaxSpares)
                spares_.push_back(std::move(p));
        }
        plots_.clear();
        detachCursors(-1);
        changed();
        return 0;
    }
    for (auto it = plots_.begin(); it != plots_.end(); ++it) {
        if ((*it)->handle == handle) {
            if (static_cast<int>(spares_.size()) < kMaxSpares)
                spares_.push_back(std::move(*it));
            plots_.erase(it);
            detachCursors(handle);
            changed();
            return 0;
        }
    }
    return UIE_BAD_PLOT;
}

bool GraphWidget::plotRange(Plot &p, double &lo, double &hi)
{
    if (!p.rangeKnown) {
        p.hasRange = p.pyramid.finiteMinMax(p.y.data(), p.count(), p.rawMin, p.rawMax);
        p.rangeKnown = true;
    }
    if (!p.hasRange)
        return false;
    const double a = p.yGain * p.rawMin + p.yOffset, b = p.yGain * p.rawMax + p.yOffset;
    lo = std::min(a, b);
    hi = std::max(a, b);
    return std::isfinite(lo) && std::isfinite(hi);
}

// ------------------------------------------------------------ drawing

void GraphWidget::changed()
{
    dataDirty_ = true;
    scheduleFlush();
}

void GraphWidget::cursorsChanged()
{
    cursorDirty_ = true;
    scheduleFlush();
}

void GraphWidget::scheduleFlush()
{
    if (refreshEachChange_) {
        flush();
        return;
    }
    if (flushQueued_)
        return;
    flushQueued_ = true;
    QPointer<GraphWidget> self(this);
    QTimer::singleShot(0, this, [self]() {
        if (!self)
            return;
        self->flushQueued_ = false;
        self->flush();
    });
}

void GraphWidget::flush()
{
    // Storage of deleted plots that no new plot took since the last change.
    spares_.clear();
    // A hidden graph is drawn when it is shown.
    if (!isVisible())
        return;
    refresh(false);
}

void GraphWidget::refresh(bool force)
{
    if (force || dataDirty_) {
        dataDirty_ = false;
        cursorDirty_ = false;
        spares_.clear();
        updateRanges();
        applyTicks();
        ++fullRedraws_;
        replot(QCustomPlot::rpImmediateRefresh);
        return;
    }
    if (cursorDirty_) {
        cursorDirty_ = false;
        layer(QStringLiteral("cursors"))->replot();
    }
}

void GraphWidget::updateRanges()
{
    if (xAuto_) {
        bool found = false;
        double lo = 0, hi = 0;
        for (const auto &p : plots_) {
            double a, b;
            if (!p->keyRange(a, b))
                continue;
            lo = found ? std::min(lo, a) : a;
            hi = found ? std::max(hi, b) : b;
            found = true;
        }
        if (found && std::isfinite(lo) && std::isfinite(hi)) {
            if (!(hi > lo)) {
                lo -= 0.5;
                hi += 0.5;
            }
            xMin_ = lo;
            xMax_ = hi;
        }
    }
    if (yAuto_) {
        bool found = false;
        double lo = 0, hi = 0;
        for (auto &p : plots_) {
            double a, b;
            if (!plotRange(*p, a, b))
                continue;
            lo = found ? std::min(lo, a) : a;
            hi = found ? std::max(hi, b) : b;
            found = true;
        }
        if (found) {
            double pad = (hi - lo) * 0.02;
            if (!(pad > 0))
                pad = std::max(std::fabs(lo) * 0.1, 1.0);
            yMin_ = lo - pad;
            yMax_ = hi + pad;
        }
    }
    xAxis->setRange(xMin_, xMax_);
    yAxis->setRange(yMin_, yMax_);
    xAxis2->setRange(xMin_, xMax_);
    yAxis2->setRange(yMin_, yMax_);
}

void GraphWidget::showEvent(QShowEvent *event)
{
    QCustomPlot::showEvent(event);
    if (redrawPending())
        scheduleFlush();
}

void GraphWidget::changeEvent(QEvent *event)
{
    QCustomPlot::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        applyColors();
        changed();
    }
}

void GraphWidget::resizeEvent(QResizeEvent *)
{
    // The new size is drawn by the next paint (or the queued redraw), once.
    setViewport(rect());
    changed();
    update();
}

void GraphWidget::paintEvent(QPaintEvent *event)
{
    // A paint of a graph whose buffers are stale (it was hidden, or is
    // being printed or grabbed before its queued redraw) draws them first.
    if (dataDirty_) {
        dataDirty_ = false;
        cursorDirty_ = false;
        updateRanges();
        applyTicks();
        ++fullRedraws_;
        replot(QCustomPlot::rpQueuedRefresh);
    }
    QCustomPlot::paintEvent(event);
}

// ------------------------------------------------------------ axes

int GraphWidget::setScaling(int axis, int mode, double min, double max)
{
    const bool x = axis == VAL_XAXIS;
    if (!x && axis != VAL_LEFT_YAXIS && axis != VAL_RIGHT_YAXIS)
        return UIE_BAD_VALUE;
    bool &autoMode = x ? xAuto_ : yAuto_;
    double &lo = x ? xMin_ : yMin_;
    double &hi = x ? xMax_ : yMax_;
    switch (mode) {
    case VAL_MANUAL:
        if (!std::isfinite(min) || !std::isfinite(max) || !(max > min))
            return UIE_BAD_VALUE;
        autoMode = false;
        lo = min;
        hi = max;
        break;
    case VAL_AUTOSCALE:
        autoMode = true;
        break;
    case VAL_LOCK:
        // Keeps the range the autoscaling has reached, as a manual one.
        updateRanges();
        autoMode = false;
        break;
    default:
        return UIE_BAD_VALUE;
    }
    changed();
    return 0;
}

int GraphWidget::scaling(int axis, int *mode, double *min, double *max)
{
    const bool x = axis == VAL_XAXIS;
    if (!x && axis != VAL_LEFT_YAXIS && axis != VAL_RIGHT_YAXIS)
        return UIE_BAD_VALUE;
    updateRanges();
    if (mode)
        *mode = (x ? xAuto_ : yAuto_) ? VAL_AUTOSCALE : VAL_MANUAL;
    if (min)
        *min = x ? xMin_ : yMin_;
    if (max)
        *max = x ? xMax_ : yMax_;
    return 0;
}

// ------------------------------------------------------------ attributes

int GraphWidget::setAttribute(int attr, double value)
{
    if (attr < ATTR_XAXIS_GAIN || attr > ATTR_SMOOTH_UPDATE)
        return UIE_BAD_ATTRIBUTE;
    if (!std::isfinite(value))
        return UIE_BAD_VALUE;
    const int iv = std::fabs(value) < 2147483647.0 ? static_cast<int>(value) : 0;
    switch (attr) {
    case ATTR_XAXIS_GAIN:
        xGain_ = value;
        break;
    case ATTR_XAXIS_OFFSET:
        xOffset_ = value;
        break;
    case ATTR_YAXIS_GAIN:
        yGain_ = value;
        break;
    case ATTR_YAXIS_OFFSET:
        yOffset_ = value;
        break;
    case ATTR_XNAME:
    case ATTR_YNAME:
        return UIE_BAD_TYPE;
    case ATTR_NUM_CURSORS:
    case ATTR_NUM_PLOTS:
        return UIE_BAD_ATTRIBUTE; // read only
    case ATTR_ACTIVE_CURSOR:
        return setActiveCursor(iv);
    case ATTR_GRID_VISIBLE:
        grid_ = iv != 0;
        applyColors();
        break;
    case ATTR_GRAPH_BGCOLOR:
        if (value < 0 || value > 0xFFFFFF)
            return UIE_BAD_VALUE;
        bg_ = rgb(iv);
        applyColors();
        break;
    case ATTR_REFRESH_GRAPH:
        refreshEachChange_ = iv != 0;
        return 0;
    case ATTR_EDGE_STYLE:
        edgeStyle_ = iv;
        applyFrame();
        break;
    case ATTR_SMOOTH_UPDATE:
        // Drawing is always double-buffered; the value is kept for reading.
        smoothUpdate_ = iv != 0;
        return 0;
    default:
        return UIE_BAD_ATTRIBUTE;
    }
    changed();
    return 0;
}

int GraphWidget::setAttribute(int attr, const char *value)
{
    if (attr < ATTR_XAXIS_GAIN || attr > ATTR_SMOOTH_UPDATE)
        return UIE_BAD_ATTRIBUTE;
    if (attr != ATTR_XNAME && attr != ATTR_YNAME)
        return UIE_BAD_TYPE;
    if (!value)
        return UIE_BAD_VALUE;
    std::string &name = attr == ATTR_XNAME ? xName_ : yName_;
    name = value;
    (attr == ATTR_XNAME ? xAxis : yAxis)->setLabel(QString::fromUtf8(value));
    changed();
    return 0;
}

int GraphWidget::attribute(int attr, double *value)
{
    if (!value)
        return UIE_BAD_VALUE;
    switch (attr) {
    case ATTR_XAXIS_GAIN:
        *value = xGain_;
        return 0;
    case ATTR_XAXIS_OFFSET:
        *value = xOffset_;
        return 0;
    case ATTR_YAXIS_GAIN:
        *value = yGain_;
        return 0;
    case ATTR_YAXIS_OFFSET:
        *value = yOffset_;
        return 0;
    case ATTR_XNAME:
    case ATTR_YNAME:
        return UIE_BAD_TYPE;
    case ATTR_NUM_CURSORS:
        *value = cursorCount();
        return 0;
    case ATTR_ACTIVE_CURSOR:
        *value = activeCursor_;
        return 0;
    case ATTR_GRID_VISIBLE:
        *value = grid_ ? 1 : 0;
        return 0;
    case ATTR_GRAPH_BGCOLOR:
        *value = toRgb(bg_);
        return 0;
    case ATTR_NUM_PLOTS:
        *value = plotCount();
        return 0;
    case ATTR_REFRESH_GRAPH:
        *value = refreshEachChange_;
        return 0;
    case ATTR_EDGE_STYLE:
        *value = edgeStyle_;
        return 0;
    case ATTR_SMOOTH_UPDATE:
        *value = smoothUpdate_;
        return 0;
    default:
        return UIE_BAD_ATTRIBUTE;
    }
}

int GraphWidget::attribute(int attr, char *value)
{
    if (attr < ATTR_XAXIS_GAIN || attr > ATTR_SMOOTH_UPDATE)
        return UIE_BAD_ATTRIBUTE;
    if (attr != ATTR_XNAME && attr != ATTR_YNAME)
        return UIE_BAD_TYPE;
    if (!value)
        return UIE_BAD_VALUE;
    copyText(attr == ATTR_XNAME ? xName_ : yName_, value);
    return 0;
}

} // namespace uigraph
