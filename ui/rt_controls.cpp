// Control values and attributes, operating controls as a user would.
#include "rt_core.h"
#include "rt_widgets.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <limits>
#include <cmath>

#include "runtime_internal.h"

namespace uirt
{

namespace
{

bool isSwitch(const Control *c)
{
    return isOneOf(c->type,
                   {ControlType::Binary, ControlType::Checkbox, ControlType::Toggle, ControlType::Led});
}

bool isText(const Control *c)
{
    return isOneOf(c->type, {ControlType::TextMsg, ControlType::String, ControlType::TextBox});
}

QString humanName(const QString &constant)
{
    QString s = constant.toLower();
    s.replace('_', ' ');
    if (!s.isEmpty())
        s[0] = s[0].toUpper();
    return s;
}

} // namespace

void typeLimits(int dataType, double *lo, double *hi)
{
    switch (dataType) {
    case VAL_SHORT_INTEGER:
        *lo = SHRT_MIN;
        *hi = SHRT_MAX;
        break;
    case VAL_UNSIGNED_SHORT_INTEGER:
        *lo = 0;
        *hi = USHRT_MAX;
        break;
    case VAL_INTEGER:
        *lo = INT_MIN;
        *hi = INT_MAX;
        break;
    default:
        *lo = -1e300;
        *hi = 1e300;
        break;
    }
}

void syncWidget(Control *c)
{
    QWidget *w = c->widget;
    if (!w)
        return;
    const QSignalBlocker block(w);
    if (c->type == ControlType::Numeric) {
        if (auto *box = dynamic_cast<NumericBox *>(w)) {
            box->setRange(c->minimum, c->maximum);
            box->setValue(c->value);
        } else if (auto *ibox = qobject_cast<QSpinBox *>(w)) {
            ibox->setRange(static_cast<int>(c->minimum), static_cast<int>(c->maximum));
            ibox->setValue(static_cast<int>(c->value));
        }
    } else if (c->type == ControlType::Binary) {
        auto *b = static_cast<QPushButton *>(w);
        b->setChecked(c->state != 0);
        b->setText(c->state ? c->onText : c->offText);
    } else if (c->type == ControlType::Toggle || c->type == ControlType::Checkbox) {
        auto *b = static_cast<QAbstractButton *>(w);
        b->setChecked(c->state != 0);
        b->setText(c->labelText);
    } else if (c->type == ControlType::Command) {
        static_cast<QAbstractButton *>(w)->setText(c->labelText);
    } else if (c->type == ControlType::Led) {
        auto *led = static_cast<LedWidget *>(w);
        led->on = c->state != 0;
        led->caption = c->labelText;
        led->update();
    }
}

void applyDimmed(Control *c)
{
    if (c->shown)
        c->shown->setEnabled(!c->dimmed);
    if (c->label)
        c->label->setEnabled(!c->dimmed);
    syncWidget(c);
}

void applyControlMode(Control *c)
{
    QWidget *w = c->widget;
    if (!w || isOneOf(c->type, {ControlType::Graph, ControlType::Canvas, ControlType::TextMsg,
                                ControlType::Led, ControlType::Picture, ControlType::Table}))
        return;
    const bool indicator = c->mode == VAL_INDICATOR;
    applyPalette(c);
    if (auto *sb = qobject_cast<QAbstractSpinBox *>(w)) {
        sb->setReadOnly(indicator);
        sb->setButtonSymbols(indicator ? QAbstractSpinBox::NoButtons : QAbstractSpinBox::UpDownArrows);
    } else if (auto *e = qobject_cast<QLineEdit *>(w)) {
        e->setReadOnly(indicator);
    } else if (auto *t = qobject_cast<QPlainTextEdit *>(w)) {
        t->setReadOnly(indicator);
    } else {
        // Buttons and rings: no user input while display-only.
        w->setAttribute(Qt::WA_TransparentForMouseEvents, indicator);
        w->setFocusPolicy(indicator ? Qt::NoFocus : Qt::StrongFocus);
    }
}

void applyPalette(Control *c)
{
    QWidget *w = c->shown;
    if (!w)
        return;
    QPalette pal = QApplication::palette(w);
    // Black is plain text: on a dark theme it takes the theme's text colour.
    const bool plain = c->textColor == VAL_BLACK && pal.color(QPalette::Window).lightness() < 128;
    if (c->textColorSet && !plain) {
        const QColor col = QColor::fromRgb(static_cast<QRgb>(c->textColor));
        pal.setColor(QPalette::WindowText, col);
        pal.setColor(QPalette::Text, col);
        pal.setColor(QPalette::ButtonText, col);
    }
    // Display-only boxes take the panel's colour: nothing to type into.
    const bool editable = qobject_cast<QAbstractSpinBox *>(w) || qobject_cast<QLineEdit *>(w) ||
                          qobject_cast<QPlainTextEdit *>(w);
    if (editable && c->mode == VAL_INDICATOR)
        pal.setColor(QPalette::Base, pal.color(QPalette::Window));
    w->setPalette(pal);
}

void updateAccessible(Control *c)
{
    QWidget *w = c->shown ? c->shown.data() : c->widget.data();
    if (!w)
        return;
    QString name = c->labelText;
    if (c->type == ControlType::Graph) {
        name = name.isEmpty() ? QString("Graph") : name + " graph";
    } else if (name.isEmpty()) {
        if (c->type == ControlType::TextMsg)
            name = static_cast<QLabel *>(c->widget.data())->text();
        if (name.isEmpty())
            name = humanName(c->name);
    }
    w->setAccessibleName(name);
    if (c->type == ControlType::Led)
        w->setAccessibleDescription(c->state ? "on" : "off");
    else if (c->mode == VAL_INDICATOR)
        w->setAccessibleDescription("display only");
}

// Sets a numeric value as the runtime does for code and users alike: integer
// controls round, numerics clamp, rings select the item with that value.
int setNumber(Control *c, double v, bool fromInteger)
{
    if (std::isnan(v))
        return UIE_BAD_VALUE;
    if (c->type == ControlType::Table)
        return tableSetRow(c, v);
    if (c->type == ControlType::Numeric) {
        double lo = 0, hi = 0;
        typeLimits(c->dataType, &lo, &hi);
        if (c->dataType != VAL_DOUBLE)
            v = std::round(std::clamp(v, lo, hi));
        c->value = std::clamp(v, c->minimum, c->maximum);
        syncWidget(c);
        return 0;
    }
    if (c->type == ControlType::Ring) {
        auto *box = qobject_cast<QComboBox *>(c->widget.data());
        if (!box)
            return UIE_BAD_CONTROL;
        if (c->dataType == VAL_INTEGER && !fromInteger && v != std::round(v))
            return UIE_BAD_VALUE;
        const int index = ringIndexOfValue(box, v);
        if (index < 0)
            return UIE_BAD_VALUE;
        const QSignalBlocker block(box);
        box->setCurrentIndex(index);
        return 0;
    }
    if (isSwitch(c)) {
        c->state = v != 0.0 ? 1 : 0;
        syncWidget(c);
        updateAccessible(c);
        return 0;
    }
    return UIE_BAD_TYPE;
}

int getNumber(Control *c, double *v)
{
    if (c->type == ControlType::Table)
        return tableGetRow(c, v);
    if (c->type == ControlType::Numeric) {
        *v = c->value;
        return 0;
    }
    if (c->type == ControlType::Ring) {
        auto *box = qobject_cast<QComboBox *>(c->widget.data());
        if (!box)
            return UIE_BAD_CONTROL;
        if (box->currentIndex() < 0)
            return UIE_BAD_INDEX;
        *v = box->currentData().toDouble();
        return 0;
    }
    if (isSwitch(c)) {
        *v = c->state;
        return 0;
    }
    return UIE_BAD_TYPE;
}

int setText(Control *c, const char *value)
{
    if (!value)
        return UIE_BAD_VALUE;
    const QString text = QString::fromUtf8(value);
    QWidget *w = c->widget;
    if (!w)
        return UIE_BAD_CONTROL;
    const QSignalBlocker block(w);
    if (c->type == ControlType::TextMsg) {
        static_cast<QLabel *>(w)->setText(text);
        updateAccessible(c);
    } else if (c->type == ControlType::String) {
        auto *e = static_cast<QLineEdit *>(w);
        e->setText(text);
        e->setModified(false);
    } else if (c->type == ControlType::TextBox) {
        static_cast<QPlainTextEdit *>(w)->setPlainText(text);
    } else {
        return UIE_BAD_TYPE;
    }
    return 0;
}

QString getText(Control *c)
{
    QWidget *w = c->widget;
    if (c->type == ControlType::TextMsg)
        return static_cast<QLabel *>(w)->text();
    if (c->type == ControlType::String)
        return static_cast<QLineEdit *>(w)->text();
    return static_cast<QPlainTextEdit *>(w)->toPlainText();
}

} // namespace uirt

using namespace uirt;

// ------------------------------------------------------------------- values

int SetCtrlVal(int panelHandle, int id, int value)
{
    int err = 0;
    Control *c = lookupControl(panelHandle, id, &err);
    return c ? setNumber(c, value, true) : err;
}

int SetCtrlVal(int panelHandle, int id, double value)
{
    int err = 0;
    Control *c = lookupControl(panelHandle, id, &err);
    return c ? setNumber(c, value, false) : err;
}

int SetCtrlVal(int panelHandle, int id, const char *value)
{
    int err = 0;
    Control *c = lookupControl(panelHandle, id, &err);
    if (!c)
        return err;
    return isText(c) ? setText(c, value) : UIE_BAD_TYPE;
}

namespace
{

// Integer reads of integer controls, within the limits of the target type.
template <typename T> int getInteger(int panelHandle, int id, T *value)
{
    if (!value)
        return UIE_BAD_VALUE;
    int err = 0;
    Control *c = lookupControl(panelHandle, id, &err);
    if (!c)
        return err;
    if (c->dataType == VAL_DOUBLE || c->dataType == VAL_STRING || c->dataType == VAL_NO_TYPE)
        return UIE_BAD_TYPE;
    double v = 0;
    const int rc = getNumber(c, &v);
    if (rc < 0)
        return rc;
    if (v < std::numeric_limits<T>::min() || v > std::numeric_limits<T>::max())
        return UIE_BAD_VALUE;
    *value = static_cast<T>(v);
    return 0;
}

} // namespace

int GetCtrlVal(int panelHandle, int id, int *value)
{
    return getInteger(panelHandle, id, value);
}

int GetCtrlVal(int panelHandle, int id, short *value)
{
    return getInteger(panelHandle, id, value);
}

int GetCtrlVal(int panelHandle, int id, unsigned short *value)
{
    return getInteger(panelHandle, id, value);
}

int GetCtrlVal(int panelHandle, int id, double *value)
{
    if (!value)
        return UIE_BAD_VALUE;
    int err = 0;
    Control *c = lookupControl(panelHandle, id, &err);
    if (!c)
        return err;
    double v = 0;
    const int rc = getNumber(c, &v);
    if (rc == 0)
        *value = v;
    return rc;
}

int GetCtrlVal(int panelHandle, int id, char *value)
{
    if (!value)
        return UIE_BAD_VALUE;
    int err = 0;
    Control *c = lookupControl(panelHandle, id, &err);
    if (!c)
        return err;
    if (!isText(c))
        return UIE_BAD_TYPE;
    copyOut(getText(c), value, 1024);
    return 0;
}
