// Control builders: one function a control type makes the control's widget
// from its resource description and connects the widget's signals to the
// control's callback.
#include "rt_core.h"
#include "rt_widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <cmath>

#include "runtime_internal.h"

namespace uirt
{

namespace
{

void userChanged(int panelHandle, int id)
{
    fireCallback(panelHandle, id, EVENT_VAL_CHANGED, 0, 0);
    fireCallback(panelHandle, id, EVENT_COMMIT, 0, 0);
}

// A value the user typed or stepped to in a numeric box.  A dimmed or
// display-only box refuses a value from any source (the accessibility layer
// sets values directly).
void numberFromUser(int ph, int id, double v)
{
    Control *c = control(ph, id);
    if (!c)
        return;
    if (c->dimmed || c->mode == VAL_INDICATOR) {
        syncWidget(c);
        return;
    }
    c->value = std::clamp(v, c->minimum, c->maximum);
    userChanged(ph, id);
}

// Limits, default and precision of a numeric control, within its data type.
void readNumericLimits(Control *c)
{
    const QJsonObject &d = c->desc;
    double lo = 0, hi = 0;
    typeLimits(c->dataType, &lo, &hi);
    c->minimum = std::clamp(d.value("min").toDouble(lo), lo, hi);
    c->maximum = std::clamp(d.value("max").toDouble(hi), lo, hi);
    if (c->maximum < c->minimum)
        std::swap(c->minimum, c->maximum);
    c->deflt = std::clamp(d.value("default").toDouble(0.0), c->minimum, c->maximum);
    if (c->dataType != VAL_DOUBLE)
        c->deflt = std::round(c->deflt);
    c->value = c->deflt;
    c->precision = std::clamp(d.value("precision").toInt(c->dataType == VAL_DOUBLE ? 2 : 0), 0, 15);
}

QAbstractSpinBox *doubleBox(QWidget *parent, const Control *c, int ph, double step)
{
    auto *box = new NumericBox(parent);
    box->shownDecimals = c->precision;
    box->setDecimals(15);
    box->setRange(c->minimum, c->maximum);
    box->setSingleStep(step);
    box->setValue(c->value);
    const int id = c->id;
    QObject::connect(box, qOverload<double>(&QDoubleSpinBox::valueChanged), box,
                     [ph, id](double v) { numberFromUser(ph, id, v); });
    return box;
}

QAbstractSpinBox *integerBox(QWidget *parent, const Control *c, int ph, double step)
{
    auto *box = new QSpinBox(parent);
    box->setRange(static_cast<int>(c->minimum), static_cast<int>(c->maximum));
    box->setSingleStep(std::max(1, static_cast<int>(std::lround(step))));
    box->setValue(static_cast<int>(c->value));
    const int id = c->id;
    QObject::connect(box, qOverload<int>(&QSpinBox::valueChanged), box,
                     [ph, id](int v) { numberFromUser(ph, id, static_cast<double>(v)); });
    return box;
}

QWidget *buildNumeric(Panel *p, Control *c)
{
    readNumericLimits(c);
    const double step = c->desc.value("increment").toDouble(1.0);
    QAbstractSpinBox *box = c->dataType == VAL_DOUBLE ? doubleBox(p->content, c, p->handle, step)
                                                      : integerBox(p->content, c, p->handle, step);
    box->setKeyboardTracking(false);
    box->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    box->setAccelerated(true);
    return box;
}

QWidget *buildRing(Panel *p, Control *c)
{
    const QJsonObject &d = c->desc;
    auto *box = new QComboBox(p->content);
    for (const QJsonValue &iv : d.value("items").toArray()) {
        const QJsonObject item = iv.toObject();
        double v = item.value("value").toDouble(0.0);
        if (c->dataType == VAL_INTEGER)
            v = std::round(v);
        box->addItem(item.value("label").toString(), v);
    }
    const int index = d.value("index").toInt(0);
    if (index >= 0 && index < box->count())
        box->setCurrentIndex(index);
    const int ph = p->handle, id = c->id;
    QObject::connect(box, qOverload<int>(&QComboBox::activated), box, [ph, id](int) { userChanged(ph, id); });
    return box;
}

// Binary switches and toggle buttons: a checkable button; a binary switch
// shows "On" and "Off" unless the resource names its texts.
QWidget *buildSwitchButton(Panel *p, Control *c)
{
    const QJsonObject &d = c->desc;
    const bool binary = c->type == ControlType::Binary;
    auto *b = new QPushButton(p->content);
    b->setCheckable(true);
    c->state = d.value("default").toInt(0) ? 1 : 0;
    c->onText = d.value("onText").toString(binary ? "On" : QString());
    c->offText = d.value("offText").toString(binary ? "Off" : QString());
    b->setChecked(c->state != 0);
    const int ph = p->handle, id = c->id;
    QObject::connect(b, &QPushButton::clicked, b, [ph, id](bool checked) {
        Control *cc = control(ph, id);
        if (!cc)
            return;
        cc->state = checked ? 1 : 0;
        syncWidget(cc);
        userChanged(ph, id);
    });
    return b;
}

QWidget *buildCheckbox(Panel *p, Control *c)
{
    auto *b = new QCheckBox(p->content);
    c->state = c->desc.value("default").toInt(0) ? 1 : 0;
    b->setChecked(c->state != 0);
    const int ph = p->handle, id = c->id;
    QObject::connect(b, &QCheckBox::clicked, b, [ph, id](bool checked) {
        Control *cc = control(ph, id);
        if (!cc)
            return;
        cc->state = checked ? 1 : 0;
        userChanged(ph, id);
    });
    return b;
}

QWidget *buildCommand(Panel *p, Control *c)
{
    auto *b = new QPushButton(p->content);
    const int ph = p->handle, id = c->id;
    QObject::connect(b, &QPushButton::clicked, b, [ph, id]() { fireCallback(ph, id, EVENT_COMMIT, 0, 0); });
    return b;
}

QWidget *buildTextMsg(Panel *p, Control *c)
{
    const QJsonObject &d = c->desc;
    auto *l = new QLabel(p->content);
    l->setText(d.value("text").toString());
    QFont f = l->font();
    if (d.contains("fontSize"))
        f.setPointSize(std::clamp(d.value("fontSize").toInt(10), 4, 96));
    f.setBold(d.value("bold").toBool(false));
    l->setFont(f);
    return l;
}

QWidget *buildString(Panel *p, Control *c)
{
    const QJsonObject &d = c->desc;
    auto *e = new QLineEdit(p->content);
    e->setText(d.value("default").toString());
    if (d.contains("maxLength"))
        e->setMaxLength(std::clamp(d.value("maxLength").toInt(1023), 1, 1023));
    else
        e->setMaxLength(1023);
    const int ph = p->handle, id = c->id;
    QObject::connect(e, &QLineEdit::editingFinished, e, [ph, id, e]() {
        if (!e->isModified())
            return;
        e->setModified(false);
        userChanged(ph, id);
    });
    return e;
}

QWidget *buildTextBox(Panel *p, Control *c)
{
    auto *e = new QPlainTextEdit(p->content);
    e->setPlainText(c->desc.value("default").toString());
    return e;
}

QWidget *buildLed(Panel *p, Control *c)
{
    const QJsonObject &d = c->desc;
    auto *led = new LedWidget(p->content);
    c->state = d.value("default").toInt(0) ? 1 : 0;
    c->onColor = colourFromJson(d.value("onColor"), 0x00C000);
    c->offColor = colourFromJson(d.value("offColor"), 0x404040);
    led->on = c->state != 0;
    led->onColor = QColor::fromRgb(static_cast<QRgb>(c->onColor));
    led->offColor = QColor::fromRgb(static_cast<QRgb>(c->offColor));
    return led;
}

QWidget *buildCanvas(Panel *p, Control *)
{
    auto *f = new QFrame(p->content);
    f->setFrameShape(QFrame::StyledPanel);
    return f;
}

QWidget *buildPicture(Panel *p, Control *c)
{
    auto *l = new QLabel(p->content);
    const QString file = resolveImage(c->desc.value("file").toString());
    if (!file.isEmpty())
        l->setPixmap(QPixmap(file));
    l->setScaledContents(true);
    return l;
}

void timerTick(int ph, int id)
{
    // Tests drive timers by calling their callbacks; nothing ticks by itself then.
    if (testMode())
        return;
    // One callback at a time: a tick that falls inside a running callback (a
    // popup's or a Delay's event loop) is skipped, never nested into it.
    if (callbackDepth() > 0)
        return;
    Control *c = control(ph, id);
    if (!c || !c->enabled)
        return;
    fireCallback(ph, id, EVENT_TIMER_TICK, 0, 0);
}

// A timer has no widget: it lives as long as the panel's content.
QWidget *buildTimer(Panel *p, Control *c)
{
    const QJsonObject &d = c->desc;
    auto *t = new QTimer(p->content);
    c->interval = d.value("interval").toDouble(1.0);
    if (!(c->interval > 0.0))
        c->interval = 1.0;
    c->enabled = d.value("enabled").toBool(true);
    t->setInterval(timerMilliseconds(c->interval));
    const int ph = p->handle, id = c->id;
    QObject::connect(t, &QTimer::timeout, t, [ph, id]() { timerTick(ph, id); });
    if (c->enabled && !testMode())
        t->start();
    c->timer = t;
    return nullptr;
}

} // namespace

int timerMilliseconds(double seconds)
{
    return static_cast<int>(std::clamp(std::llround(seconds * 1000.0), 1LL, static_cast<long long>(INT_MAX)));
}

QWidget *buildControl(Panel *p, Control *c)
{
    switch (c->type) {
    case ControlType::Numeric:
        return buildNumeric(p, c);
    case ControlType::Ring:
        return buildRing(p, c);
    case ControlType::Binary:
    case ControlType::Toggle:
        return buildSwitchButton(p, c);
    case ControlType::Checkbox:
        return buildCheckbox(p, c);
    case ControlType::Command:
        return buildCommand(p, c);
    case ControlType::TextMsg:
        return buildTextMsg(p, c);
    case ControlType::String:
        return buildString(p, c);
    case ControlType::TextBox:
        return buildTextBox(p, c);
    case ControlType::Led:
        return buildLed(p, c);
    case ControlType::Canvas:
        return buildCanvas(p, c);
    case ControlType::Picture:
        return buildPicture(p, c);
    case ControlType::Graph:
        return uigraph::create(p->content, p->handle, c->id, c->desc);
    case ControlType::Table:
        return buildTable(p->content, c, p->handle);
    case ControlType::Timer:
        return buildTimer(p, c);
    case ControlType::Tab: // made from a canvas at run time, never read from a resource
        break;
    }
    return nullptr;
}

} // namespace uirt
