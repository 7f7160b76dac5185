// Runtime core: start-up, the event loop, handle registries, callback
// tables and callback dispatch, the clock.
#include "rt_core.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMdiArea>
#include <QResizeEvent>
#include <QThread>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "rt_ux.h"
#include "runtime_internal.h"
#include "testseam.h"

namespace uirt
{

namespace
{

QApplication *g_app = nullptr;
int g_argc = 0;
std::vector<std::string> g_argStore;
std::vector<char *> g_argv;
bool g_quitPending = false;
int g_quitCode = 0;
bool g_waitCursor = false;
int g_depth = 0;
int g_activePanel = 0;
int g_nextPanel = 1;
int g_nextMenuBar = 1;

std::map<int, std::unique_ptr<Panel>> g_panels;
std::map<int, std::unique_ptr<MenuBarRec>> g_menuBars;

QElapsedTimer &monoClock()
{
    static QElapsedTimer timer;
    if (!timer.isValid())
        timer.start();
    return timer;
}

struct Registered {
    std::string name;
    CtrlCallbackPtr ctrl = nullptr;
    MenuCallbackPtr menu = nullptr;
};

struct CallbackTables {
    std::map<std::string, Registered> byName;
    std::vector<std::string> order;      // names in registration order
    std::vector<std::string> duplicates; // names offered a second time
};

CallbackTables &tables()
{
    static CallbackTables t;
    return t;
}

// Keeps the active panel current when the user moves the focus.
void watchFocus()
{
    QObject::connect(g_app, &QApplication::focusChanged, g_app, [](QWidget *, QWidget *now) {
        for (QWidget *w = now; w; w = w->parentWidget()) {
            for (auto &kv : g_panels) {
                Panel *p = kv.second.get();
                if (p->content == w) {
                    g_activePanel = p->handle;
                    for (auto &ckv : p->controls) {
                        Control *c = ckv.second.get();
                        if (c->shown && (c->shown == now || c->shown->isAncestorOf(now)))
                            p->activeCtrl = c->id;
                    }
                    return;
                }
            }
        }
    });
}

} // namespace

PanelWidget::PanelWidget(QWidget *parent) : QWidget(parent) {}

void PanelWidget::layoutMdi()
{
    if (mdi)
        mdi->setGeometry(0, mdiTop, width(), std::max(0, height() - mdiTop));
}

void PanelWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    preferred = event->size();
    layoutMdi();
    relayoutPanel(this);
}

Panel *panel(int handle)
{
    auto it = g_panels.find(handle);
    return it == g_panels.end() ? nullptr : it->second.get();
}

Control *control(Panel *p, int id)
{
    if (!p)
        return nullptr;
    auto it = p->controls.find(id);
    return it == p->controls.end() ? nullptr : it->second.get();
}

Control *control(int panelHandle, int id)
{
    return control(panel(panelHandle), id);
}

Control *lookupControl(int panelHandle, int id, int *err)
{
    Panel *p = panel(panelHandle);
    if (!p) {
        *err = UIE_BAD_PANEL;
        return nullptr;
    }
    Control *c = control(p, id);
    if (!c)
        *err = UIE_BAD_CONTROL;
    return c;
}

MenuBarRec *menuBar(int handle)
{
    auto it = g_menuBars.find(handle);
    return it == g_menuBars.end() ? nullptr : it->second.get();
}

std::map<int, std::unique_ptr<Panel>> &panels()
{
    return g_panels;
}
std::map<int, std::unique_ptr<MenuBarRec>> &menuBars()
{
    return g_menuBars;
}
int newPanelHandle()
{
    return g_nextPanel++;
}
int newMenuBarHandle()
{
    return g_nextMenuBar++;
}
bool initialised()
{
    return g_app != nullptr;
}

const CallbackEntry *findCallback(const QString &name)
{
    static CallbackEntry result;
    auto &t = tables();
    auto it = t.byName.find(name.toStdString());
    if (it == t.byName.end())
        return nullptr;
    result.name = it->second.name.c_str();
    result.ctrl = it->second.ctrl;
    result.menu = it->second.menu;
    return &result;
}

int callbackDepth()
{
    return g_depth;
}
CallbackScope::CallbackScope()
{
    ++g_depth;
}
CallbackScope::~CallbackScope()
{
    --g_depth;
}

void destroyWidget(QWidget *widget)
{
    if (!widget)
        return;
    widget->hide();
    if (g_depth > 0)
        widget->deleteLater();
    else
        delete widget;
}

int fireMenu(int menuBarHandle, int item)
{
    MenuBarRec *mb = menuBar(menuBarHandle);
    if (!mb)
        return UIE_BAD_MENU;
    auto it = mb->entries.find(item);
    if (it == mb->entries.end())
        return UIE_BAD_MENU;
    MenuCallbackPtr cb = it->second.callback;
    void *data = it->second.callbackData;
    const int panelHandle = mb->panel;
    if (!cb)
        return 0;
    ++g_depth;
    cb(menuBarHandle, item, data, panelHandle);
    --g_depth;
    return 0;
}

void setActivePanelHandle(int handle)
{
    g_activePanel = handle;
}

int activePanelHandle()
{
    if (!panel(g_activePanel))
        g_activePanel = 0;
    return g_activePanel;
}

void copyOut(const QString &text, char *out, int size)
{
    copyOut(text.toStdString(), out, size);
}

void copyOut(const std::string &text, char *out, int size)
{
    if (!out || size <= 0)
        return;
    size_t n = text.size();
    if (n > static_cast<size_t>(size - 1))
        n = static_cast<size_t>(size - 1);
    // Never cut a UTF-8 character in half.
    while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n;
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

int colourFromJson(const QJsonValue &v, int fallback)
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

// ---- runtime_internal.h

QWidget *controlWidget(int panelHandle, int id)
{
    Control *c = control(panelHandle, id);
    return c ? c->widget.data() : nullptr;
}

QString controlType(int panelHandle, int id)
{
    Control *c = control(panelHandle, id);
    return c ? QString::fromLatin1(controlTypeName(c->type)) : QString();
}

bool controlIs(int panelHandle, int id, ControlType type)
{
    Control *c = control(panelHandle, id);
    return c && c->type == type;
}

int fireCallback(int panelHandle, int id, int event, int eventData1, int eventData2)
{
    Control *c = control(panelHandle, id);
    if (!c || !c->callback)
        return 0;
    CtrlCallbackPtr cb = c->callback;
    void *data = c->callbackData;
    ++g_depth;
    const int result = cb(panelHandle, id, event, data, eventData1, eventData2);
    --g_depth;
    return result;
}

bool testMode()
{
    return testseam::Enabled();
}

} // namespace uirt

using namespace uirt;

// ------------------------------------------------------------- callback tables

int RegisterCallbackTable(const CallbackEntry *entries, int count)
{
    if (count < 0 || (count > 0 && !entries))
        return UIE_BAD_VALUE;
    auto &t = tables();
    int rc = 0;
    for (int i = 0; i < count; ++i) {
        const CallbackEntry &e = entries[i];
        if (!e.name || !*e.name || (!e.ctrl && !e.menu)) {
            rc = UIE_BAD_VALUE;
            continue;
        }
        const std::string name = e.name;
        if (t.byName.count(name)) {
            t.duplicates.push_back(name);
            rc = UIE_BAD_VALUE;
            continue;
        }
        Registered r;
        r.name = name;
        r.ctrl = e.ctrl;
        r.menu = e.ctrl ? nullptr : e.menu;
        t.byName[name] = r;
        t.order.push_back(name);
    }
    return rc;
}

void ClearCallbackTables(void)
{
    auto &t = tables();
    t.byName.clear();
    t.order.clear();
    t.duplicates.clear();
}

int CheckResourceCallbacks(const char *fileName, char *report, int reportSize)
{
    if (report && reportSize > 0)
        report[0] = '\0';
    if (!fileName)
        return UIE_BAD_VALUE;
    const QString path = resolveResource(QString::fromUtf8(fileName));
    if (path.isEmpty())
        return UIE_FILE_NOT_FOUND;
    int err = 0;
    const QJsonObject *root = resourceRoot(path, &err);
    if (!root)
        return err;
    auto &t = tables();
    std::vector<std::string> problems;
    std::map<std::string, int> used;

    const QJsonArray panelsArr = root->value("panels").toArray();
    for (const QJsonValue &pv : panelsArr) {
        const QJsonObject po = pv.toObject();
        const QString pname = po.value("name").toString();
        for (const QJsonValue &cv : po.value("controls").toArray()) {
            const QJsonObject co = cv.toObject();
            const QString cb = co.value("callback").toString();
            if (cb.isEmpty())
                continue;
            const std::string where = (pname + "_" + co.value("name").toString()).toStdString();
            auto it = t.byName.find(cb.toStdString());
            used[cb.toStdString()]++;
            if (it == t.byName.end())
                problems.push_back("control " + where + ": unknown callback '" + cb.toStdString() + "'");
            else if (!it->second.ctrl)
                problems.push_back("control " + where + ": '" + cb.toStdString() + "' is a menu command");
        }
    }
    for (const QJsonValue &mbv : root->value("menubars").toArray()) {
        const QJsonObject mb = mbv.toObject();
        const QString mbName = mb.value("name").toString();
        for (const QJsonValue &mv : mb.value("menus").toArray()) {
            const QJsonObject menu = mv.toObject();
            for (const QJsonValue &iv : menu.value("items").toArray()) {
                const QJsonObject item = iv.toObject();
                const QString cb = item.value("callback").toString();
                if (cb.isEmpty())
                    continue;
                const std::string where =
                    (mbName + "_" + menu.value("name").toString() + "_" + item.value("name").toString())
                        .toStdString();
                used[cb.toStdString()]++;
                auto it = t.byName.find(cb.toStdString());
                if (it == t.byName.end())
                    problems.push_back("menu item " + where + ": unknown callback '" + cb.toStdString() +
                                       "'");
                else if (!it->second.menu)
                    problems.push_back("menu item " + where + ": '" + cb.toStdString() +
                                       "' is a control callback");
            }
        }
    }
    for (const std::string &d : t.duplicates)
        problems.push_back("callback '" + d + "' registered twice");
    for (const std::string &n : t.order)
        if (!used.count(n))
            problems.push_back("callback '" + n + "' registered but never used by " +
                               QFileInfo(path).fileName().toStdString());

    std::string text;
    for (const std::string &p : problems)
        text += p + "\n";
    copyOut(text, report, reportSize);
    return static_cast<int>(problems.size());
}

// ------------------------------------------------------------------ life cycle

int InitRuntime(int argc, char **argv)
{
    if (g_app)
        return 1;
    // Without a display Qt would abort the process: report failure instead.
    const char *platform = std::getenv("QT_QPA_PLATFORM");
    const char *display = std::getenv("DISPLAY");
    const char *wayland = std::getenv("WAYLAND_DISPLAY");
    if ((!platform || !*platform) && (!display || !*display) && (!wayland || !*wayland)) {
        std::fprintf(stderr, "korvax: no display available (set DISPLAY or QT_QPA_PLATFORM)\n");
        return 0;
    }
    // QApplication keeps references to argc and argv: keep our own copies alive.
    g_argStore.clear();
    for (int i = 0; i < argc && argv && argv[i]; ++i)
        g_argStore.emplace_back(argv[i]);
    if (g_argStore.empty())
        g_argStore.emplace_back("korvax");
    for (auto &s : g_argStore)
        g_argv.push_back(s.data());
    g_argv.push_back(nullptr);
    g_argc = static_cast<int>(g_argStore.size());
    g_app = new QApplication(g_argc, g_argv.data());
    g_app->setQuitOnLastWindowClosed(false);
    monoClock();
    watchFocus();
    installAccessibility();
    return 1;
}

int RunUserInterface(void)
{
    if (!g_app)
        return UIE_NOT_INITIALISED;
    if (g_quitPending) {
        g_quitPending = false;
        return g_quitCode;
    }
    const int code = g_app->exec();
    g_quitPending = false;
    return code;
}

int QuitUserInterface(int code)
{
    if (!g_app)
        return UIE_NOT_INITIALISED;
    // A quit asked before the loop runs ends the next RunUserInterface at once.
    g_quitPending = true;
    g_quitCode = code;
    g_app->exit(code);
    return 0;
}

int ProcessDrawEvents(void)
{
    if (!g_app)
        return UIE_NOT_INITIALISED;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    return 0;
}

int ProcessSystemEvents(void)
{
    if (!g_app)
        return UIE_NOT_INITIALISED;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return 0;
}

int PostDeferredCall(DeferredCallbackPtr fn, void *callbackData)
{
    QApplication *app = g_app;
    if (!app || !fn)
        return !fn ? UIE_BAD_VALUE : UIE_NOT_INITIALISED;
    // A queued call is thread-safe and runs in the application's thread.
    QMetaObject::invokeMethod(app, [fn, callbackData]() { fn(callbackData); }, Qt::QueuedConnection);
    return 0;
}

int SetMouseCursor(int cursorStyle)
{
    if (!g_app)
        return UIE_NOT_INITIALISED;
    if (cursorStyle == VAL_HOUR_GLASS_CURSOR) {
        if (!g_waitCursor)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        g_waitCursor = true;
        return 0;
    }
    if (cursorStyle == VAL_DEFAULT_CURSOR) {
        if (g_waitCursor)
            QApplication::restoreOverrideCursor();
        g_waitCursor = false;
        return 0;
    }
    return UIE_BAD_VALUE;
}

// ------------------------------------------------------------------- the clock

unsigned int GetTickCount(void)
{
    if (testseam::Enabled())
        return static_cast<unsigned int>(testseam::ClockMs() & 0xFFFFFFFFull);
    return static_cast<unsigned int>(static_cast<unsigned long long>(monoClock().elapsed()) & 0xFFFFFFFFull);
}

double Timer(void)
{
    if (testseam::Enabled())
        return static_cast<double>(testseam::ClockMs()) / 1000.0;
    return static_cast<double>(monoClock().nsecsElapsed()) / 1e9;
}

int Delay(double seconds)
{
    if (!(seconds > 0.0)) // also NaN
        return 0;
    if (seconds > 86400.0)
        seconds = 86400.0;
    if (testseam::Enabled()) {
        testseam::AdvanceClockMs(static_cast<unsigned long long>(std::llround(seconds * 1000.0)));
        return 0;
    }
    QElapsedTimer t;
    t.start();
    const qint64 total = static_cast<qint64>(std::llround(seconds * 1000.0));
    while (t.elapsed() < total) {
        if (g_app)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const qint64 left = total - t.elapsed();
        if (left > 0)
            QThread::msleep(static_cast<unsigned long>(std::min<qint64>(left, 5)));
    }
    return 0;
}
