// Control attributes, focus, and operating controls as a user would.
#include "rt_core.h"

#include <QComboBox>
#include <QLabel>
#include <QPalette>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <cmath>

#include "rt_ux.h"
#include "runtime_internal.h"

using namespace uirt;

namespace
{

bool isGraphAttribute(int attribute)
{
    return attribute >= 300 && attribute < 500;
}

// Graph attributes are the graph's own: passed on to the graph widget.
template <typename Value> int setGraphAttribute(Control *c, int attribute, Value value)
{
    if (c->type != ControlType::Graph || !c->widget)
        return UIE_BAD_ATTRIBUTE;
    return uigraph::setAttribute(c->widget, attribute, value);
}

template <typename Value> int getGraphAttribute(Control *c, int attribute, Value *value)
{
    if (c->type != ControlType::Graph || !c->widget)
        return UIE_BAD_ATTRIBUTE;
    return uigraph::getAttribute(c->widget, attribute, value);
}

// Limits and default of a numeric control; the value follows the limits.
int setLimit(Control *c, int attribute, double v)
{
    if (c->type != ControlType::Numeric)
        return UIE_BAD_ATTRIBUTE;
    if (!std::isfinite(v))
        return UIE_BAD_VALUE;
    if (c->dataType != VAL_DOUBLE) {
        double lo = 0, hi = 0;
        typeLimits(c->dataType, &lo, &hi);
        v = std::round(std::clamp(v, lo, hi));
    }
    switch (attribute) {
    case ATTR_MAX_VALUE:
        if (v < c->minimum)
            return UIE_BAD_VALUE;
        c->maximum = v;
        break;
    case ATTR_MIN_VALUE:
        if (v > c->maximum)
            return UIE_BAD_VALUE;
        c->minimum = v;
        break;
    default:
        c->deflt = v;
        break;
    }
    c->deflt = std::clamp(c->deflt, c->minimum, c->maximum);
    c->value = std::clamp(c->value, c->minimum, c->maximum);
    syncWidget(c);
    return 0;
}

int getLimit(Control *c, int attribute, double *v)
{
    if (c->type != ControlType::Numeric)
        return UIE_BAD_ATTRIBUTE;
    *v = attribute == ATTR_MAX_VALUE ? c->maximum : attribute == ATTR_MIN_VALUE ? c->minimum : c->deflt;
    return 0;
}

void setGeometry(Panel *p, Control *c, int attribute, int value)
{
    QWidget *w = c->shown;
    QRect g = w->geometry();
    // Instruments place controls in design coordinates; the layout maps
    // them onto the panel's present size.
    if (designRect(p, c, &g)) {
        switch (attribute) {
        case ATTR_WIDTH:
            g.setWidth(value);
            break;
        case ATTR_HEIGHT:
            g.setHeight(value);
            break;
        case ATTR_TOP:
            g.moveTop(value);
            break;
        default:
            g.moveLeft(value);
            break;
        }
        setDesignRect(p, c, g);
        return;
    }
    switch (attribute) {
    case ATTR_WIDTH:
        g.setWidth(value);
        break;
    case ATTR_HEIGHT:
        g.setHeight(value);
        break;
    case ATTR_TOP:
        g.moveTop(value);
        break;
    default:
        g.moveLeft(value);
        break;
    }
    w->setGeometry(g);
    if (c->label) {
        c->label->setGeometry(g.x(), std::max(0, g.y() - 17),
                              std::max(g.width(), c->label->sizeHint().width()), 16);
    }
}

void applyTimer(Control *c)
{
    if (!c->timer)
        return;
    c->timer->setInterval(timerMilliseconds(c->interval));
    // Tests call timer callbacks themselves: timers never tick on their own then.
    if (c->enabled && !testMode()) {
        if (!c->timer->isActive())
            c->timer->start();
    } else {
        c->timer->stop();
    }
}

int ctrlValDouble(int panelHandle, int id, double *v)
{
    return GetCtrlVal(panelHandle, id, v);
}

} // namespace

int SetCtrlAttribute(int panelHandle, int id, int attribute, int value)
{
    int err = 0;
    Control *c = lookupControl(panelHandle, id, &err);
    if (!c)
        return err;
    if (isGraphAttribute(attribute))
        return setGraphAttribute(c, attribute, static_cast<double>(value));
    switch (attribute) {
    case ATTR_DIMMED:
        c->dimmed = value != 0;
        applyDimmed(c);
        return 0;
    case ATTR_VISIBLE:
        if (c->shown)
            c->shown->setVisible(value != 0);
        if (c->label)
            c->label->setVisible(value != 0);
        return 0;
    case ATTR_CTRL_MODE:
        if (value != VAL_NORMAL && value != VAL_HOT && value != VAL_INDICATOR)
            return UIE_BAD_VALUE;
        c->mode = value;
        applyControlMode(c);
        updateAccessible(c);
        return 0;
    case ATTR_TEXT_COLOR: {
        c->textColor = value & 0xFFFFFF;
        c->textColorSet = true;
        applyPalette(c);
        return 0;
    }
    case ATTR_WIDTH:
    case ATTR_HEIGHT:
        if (value <= 0)
            return UIE_BAD_VALUE;
        [[fallthrough]];
    case ATTR_TOP:
    case ATTR_LEFT:
        if (!c->shown)
            return UIE_BAD_ATTRIBUTE;
        setGeometry(panel(panelHandle), c, attribute, value);
        return 0;
    case ATTR_MAX_VALUE:
    case ATTR_MIN_VALUE:
    case ATTR_DFLT_VALUE:
        return setLimit(c, attribute, value);
    case ATTR_CTRL_VAL:
        return SetCtrlVal(panelHandle, id, value);
    case ATTR_ENABLED:
        if (c->type != ControlType::Timer)
            return UIE_BAD_ATTRIBUTE;
        c->enabled = value != 0;
        applyTimer(c);
        return 0;
    case ATTR_INTERVAL:
        return SetCtrlAttribute(panelHandle, id, attribute, static_cast<double>(value));
    case ATTR_DATA_TYPE:
        return UIE_BAD_ATTRIBUTE; // read only
    case ATTR_LABEL_TEXT:
        return UIE_BAD_TYPE;
    default:
        return UIE_BAD_ATTRIBUTE;
    }
}

int SetCtrlAttribute(int panelHandle, int id, int attribute, double value)
{
    int err = 0;
    Control *c = lookupControl(panelHandle, id, &err);
    if (!c)
        return err;
    if (isGraphAttribute(attribute))
        return setGraphAttribute(c, attribute, value);
    switch (attribute) {
    case ATTR_MAX_VALUE:
    case ATTR_MIN_VALUE:
    case ATTR_DFLT_VALUE:
        return setLimit(c, attribute, value);
    case ATTR_CTRL_VAL:
        return SetCtrlVal(panelHandle, id, value);
    case ATTR_INTERVAL:
        if (c->type != ControlType::Timer)
            return UIE_BAD_ATTRIBUTE;
        if (!(value > 0.0) || value > 2e6)
            return UIE_BAD_VALUE;
        c->interval = value;
        applyTimer(c);
        return 0;
    default:
        // Integer attributes given as a whole number.
        if (std::isfinite(value) && value == std::round(value) && std::fabs(value) <= INT_MAX)
            return SetCtrlAttribute(panelHandle, id, attribute, static_cast<int>(value));
        return UIE_BAD_TYPE;
    }
}

int SetCtrlAttribute(int panelHandle, int id, int attribute, const char *value)
{
    int err = 0;
    Control *c = lookupControl(panelHandle, id, &err);
    if (!c)
        return err;
    if (isGraphAttribute(attribute))
        return setGraphAttribute(c, attribute, value);
    if (attribute == ATTR_CTRL_VAL)
        return SetCtrlVal(panelHandle, id, value);
    if (attribute != ATTR_LABEL_TEXT)
        return UIE_BAD_TYPE;
    if (!value)
        return UIE_BAD_VALUE;
    c->labelText = QString::fromUtf8(value);
    if (c->label)
        c->label->setText(c->labelText);
    syncWidget(c);
    updateAccessible(c);
    return 0;
}

int GetCtrlAttribute(int panelHandle, int id, int attribute, int *value)
{
    int err = 0;
    Control *c = lookupControl(panelHandle, id, &err);
    if (!c)
        return err;
    if (!value)
        return UIE_BAD_VALUE;
    if (isGraphAttribute(attribute)) {
        double v = 0;
        const int rc = getGraphAttribute(c, attribute, &v);
        if (rc == 0)
            *value = static_cast<int>(std::llround(std::clamp(v, double(INT_MIN), double(INT_MAX))));
        return rc;
    }
    switch (attribute) {
    case ATTR_DIMMED:
        *value = c->dimmed ? 1 : 0;
        return 0;
    case ATTR_VISIBLE:
        *value = c->shown ? (c->shown->isHidden() ? 0 : 1) : 1;
        return 0;
    case ATTR_CTRL_MODE:
        *value = c->mode;
        return 0;
    case ATTR_TEXT_COLOR:
        *value = c->textColor;
        return 0;
    case ATTR_WIDTH:
    case ATTR_HEIGHT:
    case ATTR_TOP:
    case ATTR_LEFT: {
        if (!c->shown)
            return UIE_BAD_ATTRIBUTE;
        QRect g = c->shown->geometry();
        designRect(panel(panelHandle), c, &g); // design coordinates, as they were set
        *value = attribute == ATTR_WIDTH    ? g.width()
                 : attribute == ATTR_HEIGHT ? g.height()
                 : attribute == ATTR_TOP    ? g.y()
                                            : g.x();
        return 0;
    }
    case ATTR_MAX_VALUE:
    case ATTR_MIN_VALUE:
    case ATTR_DFLT_VALUE: {
        if (c->type == ControlType::Numeric && c->dataType == VAL_DOUBLE)
            return UIE_BAD_TYPE;
        double v = 0;
        const int rc = getLimit(c, attribute, &v);
        if (rc == 0)
            *value = static_cast<int>(v);
        return rc;
    }
    case ATTR_DATA_TYPE:
        *value = c->dataType;
        return 0;
    case ATTR_CTRL_VAL:
        return GetCtrlVal(panelHandle, id, value);
    case ATTR_ENABLED:
        if (c->type != ControlType::Timer)
            return UIE_BAD_ATTRIBUTE;
        *value = c->enabled ? 1 : 0;
        return 0;
    case ATTR_INTERVAL:
    case ATTR_LABEL_TEXT:
        return UIE_BAD_TYPE;
    default:
        return UIE_BAD_ATTRIBUTE;
    }
}

int GetCtrlAttribute(int panelHandle, int id, int attribute, double *value)
{
    int err = 0;
    Control *c = lookupControl(panelHandle, id, &err);
    if (!c)
        return err;
    if (!value)
        return UIE_BAD_VALUE;
    if (isGraphAttribute(attribute))
        return getGraphAttribute(c, attribute, value);
    switch (attribute) {
    case ATTR_MAX_VALUE:
    case ATTR_MIN_VALUE:
    case ATTR_DFLT_VALUE:
        return getLimit(c, attribute, value);
    case ATTR_CTRL_VAL:
        return ctrlValDouble(panelHandle, id, value);
    case ATTR_INTERVAL:
        if (c->type != ControlType::Timer)
            return UIE_BAD_ATTRIBUTE;
        *value = c->interval;
        return 0;
    default: {
        int v = 0;
        const int rc = GetCtrlAttribute(panelHandle, id, attribute, &v);
        if (rc == 0)
            *value = v;
        return rc;
    }
    }
}

int GetCtrlAttribute(int panelHandle, int id, int attribute, char *value)
{
    int err = 0;
    Control *c = lookupControl(panelHandle, id, &err);
    if (!c)
        return err;
    if (!value)
        return UIE_BAD_VALUE;
    if (isGraphAttribute(attribute))
        return getGraphAttribute(c, attribute, value);
    if (attribute == ATTR_CTRL_VAL)
        return GetCtrlVal(panelHandle, id, value);
    if (attribute != ATTR_LABEL_TEXT)
        return UIE_BAD_TYPE;
    copyOut(c->labelText, value, 256);
    return 0;
}

int SetActiveCtrl(int panelHandle, int id)
{
    int err = 0;
    Control *c = lookupControl(panelHandle, id, &err);
    if (!c)
        return err;
    if (!c->shown)
        return UIE_BAD_CONTROL;
    c->shown->setFocus(Qt::OtherFocusReason);
    panel(panelHandle)->activeCtrl = id;
    return 0;
}

int GetActiveCtrl(int panelHandle)
{
    Panel *p = panel(panelHandle);
    if (!p)
        return UIE_BAD_PANEL;
    return p->activeCtrl;
}

// -------------------------------------------------------- operating controls

namespace
{

// Whether a user could operate the control now.
int operable(Control *c)
{
    if (c->dimmed || c->mode == VAL_INDICATOR)
        return UIE_DIMMED;
    if (isOneOf(c->type, {ControlType::Timer, ControlType::Graph, ControlType::Canvas, ControlType::Picture,
                          ControlType::TextMsg, ControlType::Led, ControlType::Tab}))
        return UIE_BAD_TYPE;
    return 0;
}

int operateNumber(int panelHandle, int id, double value, bool fromInteger)
{
    int err = 0;
    Control *c = lookupControl(panelHandle, id, &err);
    if (!c)
        return err;
    int rc = operable(c);
    if (rc < 0)
        return rc;
    if (c->type == ControlType::Command) {
        fireCallback(panelHandle, id, EVENT_COMMIT, 0, 0);
        return 0;
    }
    rc = setNumber(c, value, fromInteger);
    if (rc < 0)
        return rc;
    fireCallback(panelHandle, id, EVENT_VAL_CHANGED, 0, 0);
    fireCallback(panelHandle, id, EVENT_COMMIT, 0, 0);
    return 0;
}

} // namespace

int OperateCtrl(int panelHandle, int id, int value)
{
    return operateNumber(panelHandle, id, value, true);
}

int OperateCtrl(int panelHandle, int id, double value)
{
    return operateNumber(panelHandle, id, value, false);
}

int OperateCtrl(int panelHandle, int id, const char *value)
{
    int err = 0;
    Control *c = lookupControl(panelHandle, id, &err);
    if (!c)
        return err;
    int rc = operable(c);
    if (rc < 0)
        return rc;
    if (c->type == ControlType::Command) {
        fireCallback(panelHandle, id, EVENT_COMMIT, 0, 0);
        return 0;
    }
    if (c->type != ControlType::String && c->type != ControlType::TextBox)
        return UIE_BAD_TYPE;
    rc = setText(c, value);
    if (rc < 0)
        return rc;
    fireCallback(panelHandle, id, EVENT_VAL_CHANGED, 0, 0);
    fireCallback(panelHandle, id, EVENT_COMMIT, 0, 0);
    return 0;
}

int CallCtrlCallback(int panelHandle, int id, int event, int eventData1, int eventData2)
{
    int err = 0;
    if (!lookupControl(panelHandle, id, &err))
        return err;
    fireCallback(panelHandle, id, event, eventData1, eventData2);
    return 0;
}
