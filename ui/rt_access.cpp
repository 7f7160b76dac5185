// Accessibility of the runtime's controls.  The desktop's accessibility layer
// (a screen reader, or automation through it) operates a control through its
// action and value interfaces; Qt's stock interfaces toggle a button's look
// without the click that runs its callback, and a label offers no value.
// These interfaces route every action through the same click a user makes,
// refuse dimmed and display-only controls, and expose each readout's text.
#include "rt_core.h"
#include "rt_ux.h"
#include "toolbox.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

#include "rt_widgets.h"

namespace uirt
{

bool controlOfWidget(const QObject *widget, int *panelHandle, Control **control)
{
    if (!widget)
        return false;
    for (auto &pkv : panels()) {
        for (auto &ckv : pkv.second->controls) {
            Control *c = ckv.second.get();
            if (c->shown.data() == widget || c->widget.data() == widget) {
                if (panelHandle)
                    *panelHandle = pkv.first;
                if (control)
                    *control = c;
                return true;
            }
        }
    }
    return false;
}

namespace
{

// Whether a user may operate the control now (not dimmed, not display-only).
bool userMayOperate(const QObject *widget)
{
    Control *c = nullptr;
    if (!controlOfWidget(widget, nullptr, &c))
        return false;
    auto *w = qobject_cast<const QWidget *>(widget);
    return !c->dimmed && c->mode != VAL_INDICATOR && w && w->isEnabled();
}

// A switch, check box or command button of a panel.
class AccessibleButton : public QAccessibleWidget, public QAccessibleValueInterface
{
  public:
    AccessibleButton(QAbstractButton *b, bool check)
        : QAccessibleWidget(b, check ? QAccessible::CheckBox : QAccessible::Button), checkBox(check)
    {
    }

    QAbstractButton *button() const { return static_cast<QAbstractButton *>(widget()); }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        Control *c = nullptr;
        controlOfWidget(object(), nullptr, &c);
        if (button()->isCheckable()) {
            s.checkable = true;
            s.checked = button()->isChecked();
        }
        if (c && (c->dimmed || c->mode == VAL_INDICATOR))
            s.readOnly = true;
        return s;
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value && button()->isCheckable()) {
            Control *c = nullptr;
            if (controlOfWidget(object(), nullptr, &c) && c->type == ControlType::Binary)
                return c->state ? c->onText : c->offText;
            return button()->isChecked() ? QStringLiteral("on") : QStringLiteral("off");
        }
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override
    {
        QStringList names;
        names << pressAction();
        if (button()->isCheckable())
            names << toggleAction();
        return names + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &name) override
    {
        if (name == pressAction() || name == toggleAction()) {
            // The same click as the mouse's: the runtime's click handler
            // updates the control and runs its callback.
            if (userMayOperate(object()))
                button()->click();
            return;
        }
        QAccessibleWidget::doAction(name);
    }

    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::ValueInterface && button()->isCheckable())
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    // The switch's state as 0/1; setting the other state clicks it.
    QVariant currentValue() const override { return button()->isChecked() ? 1 : 0; }
    void setCurrentValue(const QVariant &value) override
    {
        if ((value.toInt() != 0) != button()->isChecked())
            doAction(toggleAction());
    }
    QVariant maximumValue() const override { return 1; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

  private:
    bool checkBox;
};

// A text message or LED: its current text (or on/off) is its value.
class AccessibleReadout : public QAccessibleWidget, public QAccessibleValueInterface
{
  public:
    explicit AccessibleReadout(QWidget *w, bool led)
        : QAccessibleWidget(w, led ? QAccessible::Indicator : QAccessible::StaticText), isLed(led)
    {
    }

    QString current() const
    {
        if (isLed) {
            Control *c = nullptr;
            if (controlOfWidget(object(), nullptr, &c))
                return c->state ? QStringLiteral("on") : QStringLiteral("off");
            return static_cast<LedWidget *>(widget())->on ? QStringLiteral("on") : QStringLiteral("off");
        }
        return static_cast<QLabel *>(widget())->text();
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return current();
        if (t == QAccessible::Name) {
            const QString n = widget()->accessibleName();
            return n.isEmpty() ? current() : n;
        }
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        return s;
    }

    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QVariant currentValue() const override { return current(); }
    void setCurrentValue(const QVariant &) override {} // a readout is never set from outside
    QVariant maximumValue() const override { return QVariant(); }
    QVariant minimumValue() const override { return QVariant(); }
    QVariant minimumStepSize() const override { return QVariant(); }

  private:
    bool isLed;
};

// An item of a runtime toolbar: press and toggle run the item's command as
// a click on it does; a dimmed item refuses.
class AccessibleToolItem : public QAccessibleWidget, public QAccessibleValueInterface
{
  public:
    explicit AccessibleToolItem(QToolButton *b) : QAccessibleWidget(b, QAccessible::Button) {}

    QToolButton *button() const { return static_cast<QToolButton *>(widget()); }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        if (button()->isCheckable()) {
            s.checkable = true;
            s.checked = button()->isChecked();
        }
        return s;
    }

    QString text(QAccessible::Text t) const override
    {
        QAction *a = button()->defaultAction();
        if (t == QAccessible::Name) {
            const QString n = button()->accessibleName();
            return n.isEmpty() && a ? a->text() : n;
        }
        if (t == QAccessible::Description && a)
            return a->toolTip();
        if (t == QAccessible::Value && button()->isCheckable())
            return button()->isChecked() ? QStringLiteral("on") : QStringLiteral("off");
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override
    {
        QStringList names;
        names << pressAction();
        if (button()->isCheckable())
            names << toggleAction();
        return names + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &name) override
    {
        if (name == pressAction() || name == toggleAction()) {
            QAction *a = button()->defaultAction();
            if (button()->isEnabled() && (!a || a->isEnabled()))
                button()->click();
            return;
        }
        QAccessibleWidget::doAction(name);
    }

    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::ValueInterface && button()->isCheckable())
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QVariant currentValue() const override { return button()->isChecked() ? 1 : 0; }
    void setCurrentValue(const QVariant &value) override
    {
        if ((value.toInt() != 0) != button()->isChecked())
            doAction(toggleAction());
    }
    QVariant maximumValue() const override { return 1; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }
};

// The graph scroll bar: a value set from outside is offered to the bar's
// callback as a jump, exactly as a thumb drag is, so the view follows.
class AccessibleScroll : public QAccessibleWidget, public QAccessibleValueInterface
{
  public:
    explicit AccessibleScroll(QScrollBar *b) : QAccessibleWidget(b, QAccessible::ScrollBar) {}

    bool handles(int *ph, int *id) const
    {
        Control *c = nullptr;
        if (!controlOfWidget(object(), ph, &c) || !c->scrollBar)
            return false;
        *id = c->id;
        return true;
    }
    int attribute(int attr) const
    {
        int ph = 0, id = 0, v = 0;
        if (handles(&ph, &id))
            ScrollBar_GetAttribute(ph, id, attr, &v);
        return v;
    }
    void offer(int event, long long position)
    {
        int ph = 0, id = 0;
        if (!widget()->isEnabled() || !handles(&ph, &id))
            return;
        const long long lo = attribute(ATTR_SB_MIN), hi = attribute(ATTR_SB_MAX);
        ScrollBar_Operate(ph, id, event, static_cast<int>(std::clamp(position, lo, hi)));
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return QString::number(attribute(ATTR_SB_VALUE));
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override
    {
        return QStringList{increaseAction(), decreaseAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString &name) override
    {
        if (name == increaseAction())
            offer(SB_EVENT_LINE_FORWARD, attribute(ATTR_SB_VALUE) + 1LL);
        else if (name == decreaseAction())
            offer(SB_EVENT_LINE_BACK, attribute(ATTR_SB_VALUE) - 1LL);
        else
            QAccessibleWidget::doAction(name);
    }

    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QVariant currentValue() const override { return attribute(ATTR_SB_VALUE); }
    void setCurrentValue(const QVariant &value) override { offer(SB_EVENT_JUMP, value.toLongLong()); }
    QVariant maximumValue() const override { return attribute(ATTR_SB_MAX); }
    QVariant minimumValue() const override { return attribute(ATTR_SB_MIN); }
    QVariant minimumStepSize() const override { return 1; }
};

QAccessibleInterface *factory(const QString &className, QObject *object)
{
    auto *w = qobject_cast<QWidget *>(object);
    if (!w)
        return nullptr;
    if (className == QLatin1String("QToolButton")) {
        auto *b = static_cast<QToolButton *>(w);
        auto *bar = qobject_cast<QToolBar *>(b->parentWidget());
        // Only the runtime's toolbars, which live on a panel.
        if (b->defaultAction() && bar && dynamic_cast<PanelWidget *>(bar->parentWidget()))
            return new AccessibleToolItem(b);
        return nullptr;
    }
    // Interfaces are made (and kept) as soon as a widget is built, before
    // the runtime has registered it as a control: they are chosen by the
    // widget's kind on a panel, and find their control when used.
    if (!dynamic_cast<PanelWidget *>(w->parentWidget()))
        return nullptr;
    if (className == QLatin1String("QPushButton"))
        return new AccessibleButton(static_cast<QAbstractButton *>(w), false);
    if (className == QLatin1String("QCheckBox"))
        return new AccessibleButton(static_cast<QAbstractButton *>(w), true);
    if (className == QLatin1String("QLabel"))
        return new AccessibleReadout(w, false);
    // The LED declares no meta-object of its own: it answers as a QWidget.
    if (className == QLatin1String("QWidget") && dynamic_cast<LedWidget *>(w))
        return new AccessibleReadout(w, true);
    if (className == QLatin1String("QScrollBar"))
        return new AccessibleScroll(static_cast<QScrollBar *>(w));
    return nullptr;
}

} // namespace

void installAccessibility()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    QAccessible::installFactory(factory);
}

} // namespace uirt
