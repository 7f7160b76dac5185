// Annotation rows on a graph control (graph_annotations.h): a layerable on
// the graph's main layer that draws the rows' boxes and texts, and answers
// tooltips with an annotation's full text.
#include "ui/graph_annotations.h"

#include "ui/graph_widget.h"
#include "ui/runtime_internal.h"
#include "ui/userint.h"

#include <QFontMetricsF>
#include <QHelpEvent>
#include <QToolTip>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{

const char *const kLayerName = "korvaxAnnotationRows";

struct Item {
    double x0 = 0.0, x1 = 0.0;
    std::vector<std::string> forms; // longest first
};

struct Row {
    std::string label;
    QColor color = QColor(0x40, 0x80, 0xC0);
    std::vector<Item> items; // sorted by x0
    double maxSpan = 0.0;    // widest item, to find those that start left of the view
};

std::vector<std::string> SplitForms(const char *text)
{
    std::vector<std::string> forms;
    const std::string t = text ? text : "";
    size_t pos = 0;
    while (pos <= t.size()) {
        size_t nl = t.find('\n', pos);
        if (nl == std::string::npos)
            nl = t.size();
        if (nl > pos)
            forms.push_back(t.substr(pos, nl - pos));
        pos = nl + 1;
    }
    return forms;
}

class AnnotationLayer : public QCPLayerable
{
  public:
    explicit AnnotationLayer(uigraph::GraphWidget *graph)
        : QCPLayerable(graph, QStringLiteral("main")), graph_(graph)
    {
        setObjectName(QLatin1String(kLayerName));
        graph->installEventFilter(this);
    }

    std::vector<Row> rows;
    double firstY = -1.0, rowHeight = 1.5;

    // Row and item under a graph position, or false.
    bool hit(double x, double y, const Row **row, const Item **item) const
    {
        const double fromTop = firstY - y;
        if (fromTop < 0 || rowHeight <= 0)
            return false;
        const size_t r = static_cast<size_t>(fromTop / rowHeight);
        if (r >= rows.size())
            return false;
        const Row &rw = rows[r];
        // Half a pixel's worth of slack, so that a sample-wide box can be hit.
        double slack = std::abs(graph_->xAxis->pixelToCoord(1) - graph_->xAxis->pixelToCoord(0));
        if (!std::isfinite(slack))
            slack = 0.0; // a graph not laid out yet has no pixels
        const Item *best = nullptr;
        auto it = std::lower_bound(rw.items.begin(), rw.items.end(), x - rw.maxSpan - slack,
                                   [](const Item &a, double v) { return a.x0 < v; });
        for (; it != rw.items.end() && it->x0 <= x + slack; ++it)
            if (it->x1 + slack >= x && (!best || it->x1 - it->x0 < best->x1 - best->x0))
                best = &*it; // the narrowest box under the point is the most specific
        if (!best)
            return false;
        *row = &rw;
        *item = best;
        return true;
    }

    double boxWidthPixels(const Item &it) const
    {
        return std::abs(graph_->xAxis->coordToPixel(it.x1) - graph_->xAxis->coordToPixel(it.x0));
    }

    std::string shownText(const Item &it) const
    {
        const QFontMetricsF fm(font());
        return uiannot::FitText(it.forms, boxWidthPixels(it) - 6.0, [&fm](const std::string &s) {
            return fm.horizontalAdvance(QString::fromStdString(s));
        });
    }

    QFont font() const
    {
        QFont f = graph_->font();
        f.setPointSizeF(std::max(6.0, f.pointSizeF() * 0.85));
        return f;
    }

  protected:
    QRect clipRect() const override { return graph_->axisRect()->rect(); }
    void applyDefaultAntialiasingHint(QCPPainter *painter) const override { painter->setAntialiasing(false); }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == graph_ && event->type() == QEvent::ToolTip) {
            auto *help = static_cast<QHelpEvent *>(event);
            const double x = graph_->xAxis->pixelToCoord(help->pos().x());
            const double y = graph_->yAxis->pixelToCoord(help->pos().y());
            const Row *row = nullptr;
            const Item *item = nullptr;
            if (hit(x, y, &row, &item) && !item->forms.empty()) {
                QString tip = QString::fromStdString(item->forms.front());
                if (!row->label.empty())
                    tip = QString::fromStdString(row->label) + QStringLiteral(": ") + tip;
                QToolTip::showText(help->globalPos(), tip, graph_);
            } else
                QToolTip::hideText();
            return true;
        }
        return QCPLayerable::eventFilter(watched, event);
    }

    void draw(QCPPainter *painter) override
    {
        const QRect area = clipRect();
        if (area.width() <= 0 || area.height() <= 0 || rows.empty())
            return;
        QCPAxis *xa = graph_->xAxis;
        QCPAxis *ya = graph_->yAxis;
        const double lo = std::min(xa->range().lower, xa->range().upper);
        const double hi = std::max(xa->range().lower, xa->range().upper);
        const QFont f = font();
        painter->setFont(f);
        const QFontMetricsF fm(f);
        auto width = [&fm](const std::string &s) { return fm.horizontalAdvance(QString::fromStdString(s)); };
        for (size_t r = 0; r < rows.size(); ++r) {
            const Row &row = rows[r];
            const double yTop = ya->coordToPixel(firstY - static_cast<double>(r) * rowHeight);
            const double yBot = ya->coordToPixel(firstY - static_cast<double>(r + 1) * rowHeight);
            const double top = std::min(yTop, yBot) + 1.0, h = std::abs(yBot - yTop) - 2.0;
            if (h < 2.0 || top > area.bottom() || top + h < area.top())
                continue;
            const QColor fill = row.color;
            const QColor edge = fill.lighter(150);
            const QColor ink = fill.lightness() > 140 ? Qt::black : Qt::white;
            // A run of boxes too narrow to tell apart is drawn as one block.
            double runL = 0.0, runR = -1.0;
            auto flushRun = [&]() {
                if (runR >= runL)
                    painter->fillRect(QRectF(runL, top, std::max(1.0, runR - runL), h), fill);
                runR = -1.0;
            };
            auto it = std::lower_bound(row.items.begin(), row.items.end(), lo - row.maxSpan,
                                       [](const Item &a, double v) { return a.x0 < v; });
            for (; it != row.items.end() && it->x0 <= hi; ++it) {
                if (it->x1 < lo)
                    continue;
                double p0 = xa->coordToPixel(it->x0), p1 = xa->coordToPixel(it->x1);
                if (p0 > p1)
                    std::swap(p0, p1);
                p0 = std::max(p0, static_cast<double>(area.left()) - 2.0);
                p1 = std::min(p1, static_cast<double>(area.right()) + 2.0);
                if (p1 - p0 < 4.0) {
                    if (runR >= runL && p0 > runR + 1.0)
                        flushRun();
                    if (runR < runL)
                        runL = p0;
                    runR = std::max(runR, p1);
                    continue;
                }
                flushRun();
                const QRectF box(p0, top, p1 - p0, h);
                painter->setPen(edge);
                painter->setBrush(fill);
                painter->drawRect(box);
                const std::string text = uiannot::FitText(it->forms, box.width() - 6.0, width);
                if (!text.empty()) {
                    painter->setPen(ink);
                    painter->drawText(box, Qt::AlignCenter, QString::fromStdString(text));
                }
            }
            flushRun();
            if (!row.label.empty()) {
                const QString label = QString::fromStdString(row.label);
                const QRectF tag(area.left() + 2.0, top, fm.horizontalAdvance(label) + 6.0, h);
                painter->fillRect(tag, QColor(0, 0, 0, 120));
                painter->setPen(QColor(0xE0, 0xE0, 0xE0));
                painter->drawText(tag, Qt::AlignCenter, label);
            }
        }
    }

  private:
    uigraph::GraphWidget *graph_;
};

int FindLayer(int panel, int control, bool create, AnnotationLayer **layer, uigraph::GraphWidget **graphOut = nullptr)
{
    QWidget *w = uirt::controlWidget(panel, control);
    if (!w)
        return GetPanelParent(panel) < 0 ? UIE_BAD_PANEL : UIE_BAD_CONTROL;
    uigraph::GraphWidget *graph = uigraph::asGraph(w);
    if (!graph)
        return UIE_BAD_CONTROL;
    auto *found = graph->findChild<QCPLayerable *>(QLatin1String(kLayerName));
    if (!found && create)
        found = new AnnotationLayer(graph);
    *layer = static_cast<AnnotationLayer *>(found);
    if (graphOut)
        *graphOut = graph;
    return 0;
}

void Changed(uigraph::GraphWidget *graph)
{
    graph->changed();
}

} // namespace

namespace uiannot
{

std::string FitText(const std::vector<std::string> &forms, double room,
                    const std::function<double(const std::string &)> &width)
{
    if (forms.empty() || room <= 0.0)
        return std::string();
    for (const auto &f : forms)
        if (width(f) <= room)
            return f;
    // Cut the shortest form, character by character (UTF-8 aware), and
    // mark the cut.
    const std::string &s = forms.back();
    const std::string ellipsis = "\xE2\x80\xA6";
    std::string best;
    for (size_t i = 1; i <= s.size(); ++i) {
        if (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80)
            continue; // inside a character
        const std::string cut = s.substr(0, i) + ellipsis;
        if (width(cut) > room)
            break;
        best = cut;
    }
    return best;
}

} // namespace uiannot

int SetGraphAnnotationRows(int panel, int control, int rowCount, double firstRowY, double rowHeight)
{
    if (rowCount < 0 || rowCount > 256 || !(rowHeight > 0.0))
        return UIE_BAD_VALUE;
    AnnotationLayer *layer = nullptr;
    uigraph::GraphWidget *graph = nullptr;
    if (int rc = FindLayer(panel, control, true, &layer, &graph))
        return rc;
    layer->rows.assign(static_cast<size_t>(rowCount), Row());
    layer->firstY = firstRowY;
    layer->rowHeight = rowHeight;
    Changed(graph);
    return 0;
}

int SetGraphAnnotationRowLabel(int panel, int control, int row, const char *label, int color)
{
    AnnotationLayer *layer = nullptr;
    uigraph::GraphWidget *graph = nullptr;
    if (int rc = FindLayer(panel, control, true, &layer, &graph))
        return rc;
    if (row < 0 || row >= static_cast<int>(layer->rows.size()))
        return UIE_BAD_INDEX;
    Row &r = layer->rows[static_cast<size_t>(row)];
    r.label = label ? label : "";
    r.color = QColor((color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF);
    Changed(graph);
    return 0;
}

int PlotGraphAnnotations(int panel, int control, int row, int count, const double *xStart, const double *xEnd,
                         const char *const *texts)
{
    if (count < 0 || (count > 0 && (!xStart || !xEnd)))
        return UIE_BAD_VALUE;
    AnnotationLayer *layer = nullptr;
    uigraph::GraphWidget *graph = nullptr;
    if (int rc = FindLayer(panel, control, true, &layer, &graph))
        return rc;
    if (row < 0 || row >= static_cast<int>(layer->rows.size()))
        return UIE_BAD_INDEX;
    Row &r = layer->rows[static_cast<size_t>(row)];
    const bool sorted = r.items.empty() || count == 0 || xStart[0] >= r.items.back().x0;
    r.items.reserve(r.items.size() + static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        Item it;
        it.x0 = std::min(xStart[i], xEnd[i]);
        it.x1 = std::max(xStart[i], xEnd[i]);
        it.forms = SplitForms(texts ? texts[i] : nullptr);
        r.maxSpan = std::max(r.maxSpan, it.x1 - it.x0);
        r.items.push_back(std::move(it));
    }
    if (!sorted || !std::is_sorted(r.items.begin(), r.items.end(),
                                   [](const Item &a, const Item &b) { return a.x0 < b.x0; }))
        std::stable_sort(r.items.begin(), r.items.end(), [](const Item &a, const Item &b) { return a.x0 < b.x0; });
    Changed(graph);
    return 0;
}

int DeleteGraphAnnotations(int panel, int control, int row)
{
    AnnotationLayer *layer = nullptr;
    uigraph::GraphWidget *graph = nullptr;
    if (int rc = FindLayer(panel, control, false, &layer, &graph))
        return rc;
    if (!layer)
        return row < 0 ? 0 : UIE_BAD_INDEX;
    if (row >= static_cast<int>(layer->rows.size()))
        return UIE_BAD_INDEX;
    for (size_t r = 0; r < layer->rows.size(); ++r)
        if (row < 0 || static_cast<int>(r) == row) {
            layer->rows[r].items.clear();
            layer->rows[r].maxSpan = 0.0;
        }
    Changed(graph);
    return 0;
}

int GetGraphAnnotationCount(int panel, int control, int row, int *count)
{
    AnnotationLayer *layer = nullptr;
    if (int rc = FindLayer(panel, control, false, &layer))
        return rc;
    if (!count)
        return UIE_BAD_VALUE;
    const int rows = layer ? static_cast<int>(layer->rows.size()) : 0;
    if (row < 0) {
        *count = rows;
        return 0;
    }
    if (row >= rows)
        return UIE_BAD_INDEX;
    *count = static_cast<int>(layer->rows[static_cast<size_t>(row)].items.size());
    return 0;
}

int GetGraphAnnotationText(int panel, int control, double x, double y, char *text, int size)
{
    AnnotationLayer *layer = nullptr;
    if (int rc = FindLayer(panel, control, false, &layer))
        return rc;
    const Row *row = nullptr;
    const Item *item = nullptr;
    if (!layer || !layer->hit(x, y, &row, &item) || item->forms.empty())
        return 1;
    if (text && size > 0) {
        std::strncpy(text, item->forms.front().c_str(), static_cast<size_t>(size) - 1);
        text[size - 1] = '\0';
    }
    return 0;
}

int GetGraphAnnotationShownText(int panel, int control, double x, double y, char *text, int size)
{
    AnnotationLayer *layer = nullptr;
    if (int rc = FindLayer(panel, control, false, &layer))
        return rc;
    const Row *row = nullptr;
    const Item *item = nullptr;
    if (!layer || !layer->hit(x, y, &row, &item))
        return 1;
    const std::string shown = layer->shownText(*item);
    if (text && size > 0) {
        std::strncpy(text, shown.c_str(), static_cast<size_t>(size) - 1);
        text[size - 1] = '\0';
    }
    return 0;
}
