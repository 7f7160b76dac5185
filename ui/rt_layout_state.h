// The layout state of each panel, shared by the layout and its placement
// (remembered and default sizes).  Internal to ui/.
#pragma once

#include <QPointer>
#include <QRect>
#include <QSize>

#include <map>

#include "rt_core.h"
#include "rt_ux.h"

namespace uirt
{

struct PanelLayout {
    bool ready = false;
    QPointer<PanelWidget> content;
    QSize design;             // the panel's size in the resource
    QSize minimum;            // the smallest size that clips nothing
    int mainGraph = 0;        // control id of the graph that takes the room, 0 for a fixed panel
    QRect graph;              // its design rectangle
    std::map<int, QRect> rects; // every control's design rectangle
    bool placed = false;      // remembered or default size applied
};

std::map<int, PanelLayout> &layouts();
// The layout of a panel (built at the first call), or null for tab sheets.
PanelLayout *ensureLayout(Panel *p);
QSize computeMinimum(Panel *p, const PanelLayout &layout);
QRect mapRect(const PanelLayout &layout, const Control *c, const QRect &design, int dw, int dh);

} // namespace uirt
