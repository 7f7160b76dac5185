// Keyboard commands of a panel.  A key bound to a panel runs its command when
// it reaches the panel unused: a focused box that takes the key (digits in a
// number, arrows in a ring, Space on a button) keeps it, so typing is never
// taken over.  Enter runs a command only from outside the text and number
// boxes.  Hints of the keys go into the tooltips.
#include "comfort.h"
#include "rt_core.h"
#include "rt_ux.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QToolButton>

#include <vector>

namespace uirt
{

namespace
{

struct KeyBinding {
    QKeyCombination keys;
    CtrlCallbackPtr callback = nullptr;
    void *data = nullptr;
};

std::map<int, std::vector<KeyBinding>> &bindings()
{
    static std::map<int, std::vector<KeyBinding>> b;
    return b;
}

// The key as bound: the keypad modifier dropped, and Shift dropped for keys
// that need it to be typed at all ('+' is Shift and '=' on many keyboards).
QKeyCombination normalised(int key, Qt::KeyboardModifiers mods)
{
    mods &= ~Qt::KeypadModifier;
    const bool letterOrNamed = (key >= Qt::Key_A && key <= Qt::Key_Z) || key >= Qt::Key_Escape;
    if (!letterOrNamed && key != Qt::Key_Space)
        mods &= ~Qt::ShiftModifier;
    if (key == Qt::Key_Enter)
        key = Qt::Key_Return;
    return QKeyCombination(mods, static_cast<Qt::Key>(key));
}

bool takesText(const QWidget *w)
{
    return qobject_cast<const QAbstractSpinBox *>(w) || qobject_cast<const QLineEdit *>(w) ||
           qobject_cast<const QComboBox *>(w) || qobject_cast<const QPlainTextEdit *>(w);
}

// Runs the binding of the key on the panel; true when one ran.
bool dispatch(int panelHandle, QKeyCombination key)
{
    auto it = bindings().find(panelHandle);
    if (it == bindings().end() || !panel(panelHandle))
        return false;
    if (key.key() == Qt::Key_Return) {
        QWidget *focus = QApplication::focusWidget();
        for (QWidget *w = focus; w; w = w->parentWidget())
            if (takesText(w))
                return false;
    }
    for (const KeyBinding &b : it->second) {
        if (b.keys != key)
            continue;
        if (!b.callback)
            return true;
        const CallbackScope scope;
        b.callback(panelHandle, 0, EVENT_COMMIT, b.data, 0, 0);
        return true;
    }
    return false;
}

// Sees the keys that reach the panel's content unused.
class KeyFilter : public QObject
{
  public:
    KeyFilter(QObject *parent, int handle) : QObject(parent), panelHandle(handle) {}

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress) {
            auto *k = static_cast<QKeyEvent *>(event);
            if (dispatch(panelHandle, normalised(k->key(), k->modifiers()))) {
                k->accept();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    int panelHandle;
};

bool parseKeys(const char *keys, QKeyCombination *out)
{
    if (!keys || !*keys)
        return false;
    const QKeySequence seq = QKeySequence::fromString(QString::fromUtf8(keys), QKeySequence::PortableText);
    if (seq.count() != 1 || seq[0].key() == Qt::Key_unknown)
        return false;
    *out = normalised(seq[0].key(), seq[0].keyboardModifiers());
    return true;
}

QString hint(const QString &tip, const char *keys)
{
    const QString k = QKeySequence::fromString(QString::fromUtf8(keys), QKeySequence::PortableText)
                          .toString(QKeySequence::NativeText);
    const QString suffix = " (" + k + ")";
    if (tip.contains(suffix))
        return tip;
    return tip + suffix;
}

} // namespace

} // namespace uirt

using namespace uirt;

int SetPanelKey(int panelHandle, const char *keys, CtrlCallbackPtr callback, void *callbackData)
{
    Panel *p = panel(panelHandle);
    if (!p || !p->content)
        return UIE_BAD_PANEL;
    QKeyCombination key;
    if (!parseKeys(keys, &key))
        return UIE_BAD_VALUE;
    auto &list = bindings()[panelHandle];
    if (list.empty()) {
        p->content->installEventFilter(new KeyFilter(p->content, panelHandle));
        // A click on the panel's free area (or on a graph) gives it the
        // keyboard, so its keys work after a click on the trace.
        if (p->content->focusPolicy() == Qt::NoFocus)
            p->content->setFocusPolicy(Qt::ClickFocus);
    }
    for (KeyBinding &b : list)
        if (b.keys == key) {
            b.callback = callback;
            b.data = callbackData;
            return 0;
        }
    list.push_back({key, callback, callbackData});
    return 0;
}

int PressPanelKey(int panelHandle, const char *keys)
{
    Panel *p = panel(panelHandle);
    if (!p || !p->content)
        return UIE_BAD_PANEL;
    const QKeySequence seq = QKeySequence::fromString(QString::fromUtf8(keys ? keys : ""), QKeySequence::PortableText);
    if (seq.count() != 1)
        return UIE_BAD_VALUE;
    // The key goes where the keyboard is (the focused control of this
    // panel, else the panel) and rises to the panel as a real key does.
    QWidget *target = p->content;
    QWidget *focus = QApplication::focusWidget();
    if (focus && p->content->isAncestorOf(focus))
        target = focus;
    QString text;
    const int key = seq[0].key();
    if (key >= 0x20 && key < 0x7f && !(seq[0].keyboardModifiers() & Qt::ControlModifier))
        text = QChar(key).toLower();
    QKeyEvent press(QEvent::KeyPress, key, seq[0].keyboardModifiers(), text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, seq[0].keyboardModifiers(), text);
    QApplication::sendEvent(target, &release);
    return press.isAccepted() ? 1 : 0;
}

int SetCtrlKeyHint(int panelHandle, int ctrl, const char *keys)
{
    Control *c = control(panelHandle, ctrl);
    if (!c || !c->shown)
        return UIE_BAD_CONTROL;
    if (!keys)
        return UIE_BAD_VALUE;
    QString tip = c->shown->toolTip();
    if (tip.isEmpty())
        tip = c->labelText.isEmpty() ? c->shown->accessibleName() : c->labelText;
    c->shown->setToolTip(hint(tip, keys));
    return 0;
}

int SetToolbarKeyHint(int panelHandle, const char *description, const char *keys)
{
    Panel *p = panel(panelHandle);
    if (!p || !p->content)
        return UIE_BAD_PANEL;
    if (!description || !keys)
        return UIE_BAD_VALUE;
    for (QToolButton *b : p->content->findChildren<QToolButton *>()) {
        QAction *a = b->defaultAction();
        if (!a || a->text() != QString::fromUtf8(description))
            continue;
        a->setToolTip(hint(a->toolTip(), keys));
        return 0;
    }
    return UIE_BAD_INDEX;
}

int SetMenuItemKey(int menuBarHandle, int item, const char *keys)
{
    MenuBarRec *mb = menuBar(menuBarHandle);
    if (!mb)
        return UIE_BAD_MENU;
    auto it = mb->entries.find(item);
    if (it == mb->entries.end() || !it->second.action || it->second.isMenu || it->second.separator)
        return UIE_BAD_MENU;
    if (!keys)
        return UIE_BAD_VALUE;
    it->second.action->setShortcut(QKeySequence::fromString(QString::fromUtf8(keys), QKeySequence::PortableText));
    // The bench's windows (instrument windows of their own included) all
    // answer the menu's keys.
    it->second.action->setShortcutContext(Qt::ApplicationShortcut);
    return 0;
}
