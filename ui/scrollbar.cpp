// The graph scroll bar: a graph control shown as a horizontal scroll bar.
// Every move is offered to the callback first, with the requested position
// held within the bar's limits; the bar then takes that position.
#include "rt_core.h"
#include "toolbox.h"

#include <QScrollBar>

#include <algorithm>

namespace uirt
{

struct ScrollBarState {
    int panel = 0;
    int control = 0;
    CtrlCallbackPtr callback = nullptr;
    void *callbackData = nullptr;
    int value = 0;
    int viewSize = 1;
    int minimum = 0;
    int maximum = 100;
    bool propThumb = false;
    bool setDuringCallback = false;
    bool inCallback = false;
    QPointer<QScrollBar> bar;
};

} // namespace uirt

using namespace uirt;

namespace
{

std::shared_ptr<ScrollBarState> stateOf(int panelHandle, int graph, int *err)
{
    Panel *p = panel(panelHandle);
    if (!p) {
        *err = UIE_BAD_PANEL;
        return nullptr;
    }
    Control *c = control(p, graph);
    if (!c) {
        *err = UIE_BAD_CONTROL;
        return nullptr;
    }
    if (!c->scrollBar || !c->scrollBar->bar) {
        *err = UIE_BAD_TYPE;
        return nullptr;
    }
    return c->scrollBar;
}

// Shows the state on the bar without signals.  With a proportional thumb
// the position is the start of a view of viewSize out of minimum .. maximum:
// the thumb is viewSize / (maximum - minimum) of the groove and reaches its
// end when the view does (position maximum - viewSize; a position beyond
// shows there too).  Otherwise a small fixed thumb over minimum .. maximum.
void show(ScrollBarState &s)
{
    QScrollBar *bar = s.bar;
    if (!bar)
        return;
    const QSignalBlocker block(bar);
    const long long span = static_cast<long long>(s.maximum) - s.minimum;
    if (s.propThumb) {
        const int view = static_cast<int>(std::clamp<long long>(s.viewSize, 1, std::max(1LL, span)));
        bar->setRange(s.minimum, static_cast<int>(std::max<long long>(s.minimum, s.maximum - view)));
        bar->setPageStep(view);
    } else {
        bar->setRange(s.minimum, s.maximum);
        bar->setPageStep(std::max<int>(1, static_cast<int>(span / 50)));
    }
    bar->setSingleStep(1);
    bar->setValue(s.value);
    bar->setSliderPosition(s.value);
}

// Offers a move to the callback, then the bar takes the position (unless the
// callback placed the bar itself).
void offer(const std::shared_ptr<ScrollBarState> &st, int event, long long requested)
{
    ScrollBarState &s = *st;
    const int position = static_cast<int>(std::clamp<long long>(requested, s.minimum, s.maximum));
    s.setDuringCallback = false;
    if (s.callback && !s.inCallback) {
        const int panelHandle = s.panel, ctrl = s.control;
        CtrlCallbackPtr cb = s.callback;
        void *data = s.callbackData;
        s.inCallback = true;
        {
            const CallbackScope scope;
            cb(panelHandle, ctrl, event, data, position, 0);
        }
        s.inCallback = false;
    }
    if (!s.setDuringCallback)
        s.value = position;
    show(s);
}

} // namespace

int ScrollBar_ConvertFromGraph(int panelHandle, int graph, CtrlCallbackPtr callback, void *callbackData)
{
    Panel *p = panel(panelHandle);
    if (!p)
        return UIE_BAD_PANEL;
    Control *c = control(p, graph);
    if (!c)
        return UIE_BAD_CONTROL;
    if (c->type != ControlType::Graph || !c->widget)
        return UIE_BAD_TYPE;
    if (c->scrollBar && c->scrollBar->bar) {
        c->scrollBar->callback = callback;
        c->scrollBar->callbackData = callbackData;
        return 0;
    }
    auto st = std::make_shared<ScrollBarState>();
    st->panel = panelHandle;
    st->control = graph;
    st->callback = callback;
    st->callbackData = callbackData;
    auto *bar = new QScrollBar(Qt::Horizontal, p->content);
    const QRect g = c->widget->geometry();
    bar->setGeometry(g.x(), g.y(), std::max(64, g.width()), std::max(16, g.height()));
    bar->setVisible(!c->widget->isHidden());
    bar->setEnabled(!c->dimmed);
    bar->setAccessibleName(c->labelText.isEmpty() ? QString("Scroll bar") : c->labelText);
    bar->setTracking(true);
    // Reached with Tab (then the arrow keys move it); a click on it leaves
    // the keyboard with the panel's keys.
    bar->setFocusPolicy(Qt::TabFocus);
    st->bar = bar;
    c->widget->hide();
    c->shown = bar;
    c->scrollBar = st;
    show(*st);

    std::weak_ptr<ScrollBarState> weak = st;
    QObject::connect(bar, &QScrollBar::actionTriggered, bar, [weak, bar](int action) {
        auto s = weak.lock();
        if (!s)
            return;
        long long requested = s->value;
        int event = SB_EVENT_JUMP;
        switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            requested = static_cast<long long>(s->value) - 1;
            event = SB_EVENT_LINE_BACK;
            break;
        case QAbstractSlider::SliderSingleStepAdd:
            requested = static_cast<long long>(s->value) + 1;
            event = SB_EVENT_LINE_FORWARD;
            break;
        case QAbstractSlider::SliderPageStepSub:
            requested = static_cast<long long>(s->value) - std::max(1, s->viewSize);
            event = SB_EVENT_PAGE_BACK;
            break;
        case QAbstractSlider::SliderPageStepAdd:
            requested = static_cast<long long>(s->value) + std::max(1, s->viewSize);
            event = SB_EVENT_PAGE_FORWARD;
            break;
        case QAbstractSlider::SliderToMinimum:
            requested = s->minimum;
            break;
        case QAbstractSlider::SliderToMaximum:
            requested = s->maximum;
            break;
        case QAbstractSlider::SliderMove:
            requested = bar->sliderPosition();
            break;
        default:
            return;
        }
        offer(s, event, requested);
    });
    QObject::connect(bar, &QScrollBar::sliderReleased, bar, [weak]() {
        if (auto s = weak.lock())
            offer(s, SB_EVENT_END, s->value);
    });
    return 0;
}

int ScrollBar_SetAttribute(int panelHandle, int graph, int attribute, int value)
{
    int err = 0;
    auto st = stateOf(panelHandle, graph, &err);
    if (!st)
        return err;
    ScrollBarState &s = *st;
    switch (attribute) {
    case ATTR_SB_VALUE:
        if (value < s.minimum || value > s.maximum)
            return UIE_BAD_VALUE;
        s.value = value;
        if (s.inCallback)
            s.setDuringCallback = true;
        break;
    case ATTR_SB_VIEW_SIZE:
        if (value < 0)
            return UIE_BAD_VALUE;
        s.viewSize = value;
        break;
    case ATTR_SB_MIN:
        if (value >= s.maximum)
            return UIE_BAD_VALUE;
        s.minimum = value;
        s.value = std::max(s.value, s.minimum);
        break;
    case ATTR_SB_MAX:
        if (value <= s.minimum)
            return UIE_BAD_VALUE;
        s.maximum = value;
        s.value = std::min(s.value, s.maximum);
        break;
    case ATTR_SB_LENGTH:
        if (value < 64)
            return UIE_BAD_VALUE;
        s.bar->resize(value, s.bar->height());
        break;
    case ATTR_SB_THICKNESS:
        if (value < 16)
            return UIE_BAD_VALUE;
        s.bar->resize(s.bar->width(), value);
        break;
    case ATTR_SB_PROP_THUMB:
        s.propThumb = value != 0;
        break;
    default:
        return UIE_BAD_ATTRIBUTE;
    }
    show(s);
    return 0;
}

int ScrollBar_GetAttribute(int panelHandle, int graph, int attribute, int *value)
{
    int err = 0;
    auto st = stateOf(panelHandle, graph, &err);
    if (!st)
        return err;
    if (!value)
        return UIE_BAD_VALUE;
    const ScrollBarState &s = *st;
    switch (attribute) {
    case ATTR_SB_VALUE:
        *value = s.value;
        return 0;
    case ATTR_SB_VIEW_SIZE:
        *value = s.viewSize;
        return 0;
    case ATTR_SB_MIN:
        *value = s.minimum;
        return 0;
    case ATTR_SB_MAX:
        *value = s.maximum;
        return 0;
    case ATTR_SB_LENGTH:
        *value = s.bar->width();
        return 0;
    case ATTR_SB_THICKNESS:
        *value = s.bar->height();
        return 0;
    case ATTR_SB_PROP_THUMB:
        *value = s.propThumb ? 1 : 0;
        return 0;
    default:
        return UIE_BAD_ATTRIBUTE;
    }
}

int ScrollBar_Operate(int panelHandle, int graph, int event, int requestedPosition)
{
    int err = 0;
    auto st = stateOf(panelHandle, graph, &err);
    if (!st)
        return err;
    if (event < SB_EVENT_LINE_BACK || event > SB_EVENT_END)
        return UIE_BAD_VALUE;
    if (st->inCallback)
        return UIE_BAD_VALUE;
    offer(st, event, requestedPosition);
    return 0;
}
