// Panel layout: a panel keeps its controls where the resource puts them at
// its design size; when the panel grows, its main graph (the largest graph)
// takes the extra room and the other controls keep their size and order:
// those right of the main graph keep to the right edge, those below it keep
// to the bottom (spread out in step with the graph's width), the others stay
// where they are.  Other graphs stretch with the stretch of the region they
// cover.  The instruments keep working in design coordinates.
//
// A panel cannot be made smaller than the size at which two controls would
// meet or a control would leave the panel, so nothing is ever clipped.
#include "rt_layout_state.h"

#include <QLabel>
#include <QJsonArray>

#include <algorithm>
#include <cmath>

#include "uir_ids.h"

namespace uirt
{

namespace
{

bool isGraphControl(const Control *c)
{
    return c->type == ControlType::Graph;
}

bool hasCaptionLabel(const Control *c)
{
    return c->label != nullptr;
}

// Design size of a panel from its resource description.
QSize resourceSize(const Panel *p)
{
    int err = 0;
    const QJsonObject *root = resourceRoot(p->fileName, &err);
    if (!root)
        return p->content ? p->content->size() : QSize(400, 300);
    const QJsonArray arr = root->value("panels").toArray();
    const int index = uirids::panelIndex(p->resourceId);
    if (index < 0 || index >= arr.size())
        return p->content->size();
    const QJsonObject pd = arr[index].toObject();
    return QSize(std::max(1, pd.value("width").toInt(400)), std::max(1, pd.value("height").toInt(300)));
}

QRect labelRectFor(const QRect &r, const QLabel *label)
{
    return QRect(r.x(), std::max(0, r.y() - 17), std::max(r.width(), label->sizeHint().width()), 16);
}

} // namespace

std::map<int, PanelLayout> &layouts()
{
    static std::map<int, PanelLayout> m;
    return m;
}

PanelLayout *ensureLayout(Panel *p)
{
    if (!p || !p->content || p->tabHost != 0)
        return nullptr;
    PanelLayout &L = layouts()[p->handle];
    if (L.ready && L.content == p->content)
        return &L;
    L = PanelLayout();
    L.ready = true;
    L.content = p->content;
    L.design = resourceSize(p);
    long long bestArea = 0;
    for (auto &kv : p->controls) {
        Control *c = kv.second.get();
        if (!c->shown)
            continue;
        L.rects[c->id] = c->shown->geometry();
        if (isGraphControl(c) && !c->scrollBar) {
            const QRect g = c->shown->geometry();
            const long long area = static_cast<long long>(g.width()) * g.height();
            if (area > bestArea) {
                bestArea = area;
                L.mainGraph = c->id;
                L.graph = g;
            }
        }
    }
    // A graph too small to be the panel's subject leaves the panel fixed.
    if (bestArea * 8 < static_cast<long long>(L.design.width()) * L.design.height())
        L.mainGraph = 0;
    L.minimum = L.design;
    if (L.mainGraph != 0 && p->content->mdi == nullptr)
        L.minimum = computeMinimum(p, L);
    return &L;
}

// Maps an x of the design onto a panel dw wider (dw may be negative).
static double mapEdge(double x, int lo, int extent, int delta)
{
    if (x <= lo)
        return x;
    if (x >= lo + extent)
        return x + delta;
    return lo + (x - lo) * (extent + delta) / static_cast<double>(extent);
}

QRect mapRect(const PanelLayout &L, const Control *c, const QRect &r, int dw, int dh)
{
    const QRect &G = L.graph;
    const int gRight = G.x() + G.width();
    const int gBottom = G.y() + G.height();
    if (isGraphControl(c)) {
        const int x0 = static_cast<int>(std::lround(mapEdge(r.x(), G.x(), G.width(), dw)));
        const int x1 = static_cast<int>(std::lround(mapEdge(r.x() + r.width(), G.x(), G.width(), dw)));
        const int y0 = static_cast<int>(std::lround(mapEdge(r.y(), G.y(), G.height(), dh)));
        const int y1 = static_cast<int>(std::lround(mapEdge(r.y() + r.height(), G.y(), G.height(), dh)));
        return QRect(x0, y0, std::max(1, x1 - x0), std::max(1, y1 - y0));
    }
    int x = r.x();
    int y = r.y();
    const bool below = r.y() >= gBottom;
    if (r.x() >= gRight)
        x += dw;
    else if (below && r.x() > G.x())
        x = static_cast<int>(std::lround(mapEdge(r.x(), G.x(), G.width(), dw)));
    if (below)
        y += dh;
    return QRect(x, y, r.width(), r.height());
}

// Whether the controls keep clear of each other (as they are in the design)
// and inside the panel, with the main graph of a usable size, at dw, dh.
static bool layoutFits(Panel *p, const PanelLayout &L, int dw, int dh)
{
    const QSize size(L.design.width() + dw, L.design.height() + dh);
    if (L.graph.width() + dw < std::min(L.graph.width(), 320) ||
        L.graph.height() + dh < std::min(L.graph.height(), 200))
        return false;
    struct Item {
        QRect design, mapped;
    };
    std::vector<Item> items;
    for (auto &kv : p->controls) {
        Control *c = kv.second.get();
        auto it = L.rects.find(c->id);
        if (it == L.rects.end() || !c->shown)
            continue;
        const QRect m = mapRect(L, c, it->second, dw, dh);
        if (m.right() >= size.width() || m.bottom() >= size.height() || m.x() < 0 || m.y() < 0)
            return false;
        if (isGraphControl(c))
            continue;
        items.push_back({it->second, m});
        if (hasCaptionLabel(c))
            items.push_back({labelRectFor(it->second, c->label), labelRectFor(m, c->label)});
    }
    for (size_t i = 0; i < items.size(); ++i)
        for (size_t j = i + 1; j < items.size(); ++j)
            if (!items[i].design.intersects(items[j].design) && items[i].mapped.intersects(items[j].mapped))
                return false;
    return true;
}

QSize computeMinimum(Panel *p, const PanelLayout &L)
{
    int dw = 0, dh = 0;
    while (layoutFits(p, L, dw - 8, 0))
        dw -= 8;
    while (layoutFits(p, L, 0, dh - 8))
        dh -= 8;
    // Shrinks that fit one at a time may meet when combined.
    while ((dw < 0 || dh < 0) && !layoutFits(p, L, dw, dh)) {
        dw /= 2;
        dh /= 2;
    }
    if (!layoutFits(p, L, dw, dh))
        dw = dh = 0;
    return QSize(L.design.width() + dw, L.design.height() + dh);
}

void relayoutPanel(PanelWidget *content)
{
    Panel *p = nullptr;
    for (auto &kv : panels())
        if (kv.second->content == content)
            p = kv.second.get();
    PanelLayout *L = ensureLayout(p);
    if (!L)
        return;
    if (content->mdi == nullptr && content->minimumSize() != L->minimum)
        content->setMinimumSize(L->minimum);
    if (L->mainGraph == 0)
        return;
    const int dw = content->width() - L->design.width();
    const int dh = content->height() - L->design.height();
    for (auto &kv : p->controls) {
        Control *c = kv.second.get();
        auto it = L->rects.find(c->id);
        if (it == L->rects.end() || !c->shown)
            continue;
        const QRect m = mapRect(*L, c, it->second, dw, dh);
        if (c->shown->geometry() != m)
            c->shown->setGeometry(m);
        if (c->label)
            c->label->setGeometry(labelRectFor(m, c->label));
    }
}

QSize panelMinimum(Panel *p)
{
    PanelLayout *L = ensureLayout(p);
    if (!L || p->content->mdi)
        return QSize(1, 1);
    if (p->content->minimumSize() != L->minimum)
        p->content->setMinimumSize(L->minimum);
    return L->minimum;
}

bool designRect(Panel *p, Control *c, QRect *rect)
{
    PanelLayout *L = ensureLayout(p);
    if (!L || !c)
        return false;
    auto it = L->rects.find(c->id);
    if (it == L->rects.end())
        return false;
    *rect = it->second;
    return true;
}

void setDesignRect(Panel *p, Control *c, const QRect &rect)
{
    PanelLayout *L = ensureLayout(p);
    if (!L || !c || !c->shown)
        return;
    L->rects[c->id] = rect;
    const int dw = L->mainGraph ? p->content->width() - L->design.width() : 0;
    const int dh = L->mainGraph ? p->content->height() - L->design.height() : 0;
    const QRect m = L->mainGraph ? mapRect(*L, c, rect, dw, dh) : rect;
    c->shown->setGeometry(m);
    if (c->label)
        c->label->setGeometry(labelRectFor(m, c->label));
}

} // namespace uirt
