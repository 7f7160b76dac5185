// Resource loading: finds and parses the resource file, builds a panel's
// window, its controls and its menu bar, and binds callbacks by name.
#include "rt_core.h"
#include "rt_widgets.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

#include <climits>
#include <cmath>

#include "runtime_internal.h"
#include "uir_ids.h"

#ifndef KORVAX_RESOURCE_DIR
#define KORVAX_RESOURCE_DIR "resources"
#endif

namespace uirt
{

namespace
{

// Control types of one panel, parsed when the file is read; valid is false
// when a control names a type the runtime does not know.
struct PanelTypes {
    bool valid = true;
    std::vector<ControlType> types;
};

struct CachedResource {
    QDateTime modified;
    qint64 size = -1;
    QJsonObject root;
    std::vector<PanelTypes> panels; // in resource order
};

std::map<QString, CachedResource> &cache()
{
    static std::map<QString, CachedResource> c;
    return c;
}

// Intercepts a panel window's close box.
class CloseFilter : public QObject
{
  public:
    CloseFilter(QObject *parent, int panelHandle) : QObject(parent), handle(panelHandle) {}
    int handle;

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Close) {
            event->ignore();
            pressCloseBox(handle);
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

int dataTypeOf(ControlType type, const QJsonObject &d)
{
    const QString dt = d.value("datatype").toString();
    switch (type) {
    case ControlType::Numeric:
        if (dt == "int")
            return VAL_INTEGER;
        if (dt == "short")
            return VAL_SHORT_INTEGER;
        if (dt == "ushort")
            return VAL_UNSIGNED_SHORT_INTEGER;
        return VAL_DOUBLE;
    case ControlType::Ring:
        return dt == "double" ? VAL_DOUBLE : VAL_INTEGER;
    case ControlType::Binary:
    case ControlType::Checkbox:
    case ControlType::Toggle:
    case ControlType::Led:
    case ControlType::Table:
        return VAL_INTEGER;
    case ControlType::TextMsg:
    case ControlType::String:
    case ControlType::TextBox:
        return VAL_STRING;
    default:
        return VAL_NO_TYPE;
    }
}

// Limits of an integer data type.
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

bool hasCaption(ControlType type)
{
    switch (type) {
    case ControlType::Numeric:
    case ControlType::Ring:
    case ControlType::String:
    case ControlType::TextBox:
    case ControlType::Binary:
    case ControlType::Table:
        return true;
    default:
        return false;
    }
}

void bindCallback(Control *c)
{
    c->callbackName = c->desc.value("callback").toString();
    c->callback = nullptr;
    if (c->callbackName.isEmpty())
        return;
    const CallbackEntry *e = findCallback(c->callbackName);
    // An unknown name leaves the control without a callback; the resource
    // check reports it.
    if (e && e->ctrl)
        c->callback = e->ctrl;
}

void userChanged(int panelHandle, int id)
{
    fireCallback(panelHandle, id, EVENT_VAL_CHANGED, 0, 0);
    fireCallback(panelHandle, id, EVENT_COMMIT, 0, 0);
}

QWidget *buildControl(Panel *p, Control *c)
{
    const QJsonObject &d = c->desc;
    const ControlType type = c->type;
    const int ph = p->handle;
    const int id = c->id;
    QWidget *parent = p->content;
    QWidget *w = nullptr;

    if (type == ControlType::Numeric) {
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
        const double step = d.value("increment").toDouble(1.0);
        if (c->dataType == VAL_DOUBLE) {
            auto *box = new NumericBox(parent);
            box->shownDecimals = c->precision;
            box->setDecimals(15);
            box->setRange(c->minimum, c->maximum);
            box->setSingleStep(step);
            box->setValue(c->value);
            QObject::connect(box, qOverload<double>(&QDoubleSpinBox::valueChanged), box, [ph, id](double v) {
                Control *cc = control(ph, id);
                if (!cc)
                    return;
                // A dimmed or display-only box refuses a value from any
                // source (the accessibility layer sets values directly).
                if (cc->dimmed || cc->mode == VAL_INDICATOR) {
                    syncWidget(cc);
                    return;
                }
                cc->value = std::clamp(v, cc->minimum, cc->maximum);
                userChanged(ph, id);
            });
            w = box;
        } else {
            auto *box = new QSpinBox(parent);
            box->setRange(static_cast<int>(c->minimum), static_cast<int>(c->maximum));
            box->setSingleStep(std::max(1, static_cast<int>(std::lround(step))));
            box->setValue(static_cast<int>(c->value));
            QObject::connect(box, qOverload<int>(&QSpinBox::valueChanged), box, [ph, id](int v) {
                Control *cc = control(ph, id);
                if (!cc)
                    return;
                // A dimmed or display-only box refuses a value from any
                // source (the accessibility layer sets values directly).
                if (cc->dimmed || cc->mode == VAL_INDICATOR) {
                    syncWidget(cc);
                    return;
                }
                cc->value = std::clamp(static_cast<double>(v), cc->minimum, cc->maximum);
                userChanged(ph, id);
            });
            w = box;
        }
        auto *sb = static_cast<QAbstractSpinBox *>(w);
        sb->setKeyboardTracking(false);
        sb->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
        sb->setAccelerated(true);
    } else if (type == ControlType::Ring) {
        auto *box = new QComboBox(parent);
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
        QObject::connect(box, qOverload<int>(&QComboBox::activated), box,
                         [ph, id](int) { userChanged(ph, id); });
        w = box;
    } else if (type == ControlType::Binary || type == ControlType::Toggle) {
        auto *b = new QPushButton(parent);
        b->setCheckable(true);
        c->state = d.value("default").toInt(0) ? 1 : 0;
        c->onText = d.value("onText").toString(type == ControlType::Binary ? "On" : QString());
        c->offText = d.value("offText").toString(type == ControlType::Binary ? "Off" : QString());
        b->setChecked(c->state != 0);
        QObject::connect(b, &QPushButton::clicked, b, [ph, id](bool checked) {
            Control *cc = control(ph, id);
            if (!cc)
                return;
            cc->state = checked ? 1 : 0;
            syncWidget(cc);
            userChanged(ph, id);
        });
        w = b;
    } else if (type == ControlType::Checkbox) {
        auto *b = new QCheckBox(parent);
        c->state = d.value("default").toInt(0) ? 1 : 0;
        b->setChecked(c->state != 0);
        QObject::connect(b, &QCheckBox::clicked, b, [ph, id](bool checked) {
            Control *cc = control(ph, id);
            if (!cc)
                return;
            cc->state = checked ? 1 : 0;
            userChanged(ph, id);
        });
        w = b;
    } else if (type == ControlType::Command) {
        auto *b = new QPushButton(parent);
        QObject::connect(b, &QPushButton::clicked, b,
                         [ph, id]() { fireCallback(ph, id, EVENT_COMMIT, 0, 0); });
        w = b;
    } else if (type == ControlType::TextMsg) {
        auto *l = new QLabel(parent);
        l->setText(d.value("text").toString());
        QFont f = l->font();
        if (d.contains("fontSize"))
            f.setPointSize(std::clamp(d.value("fontSize").toInt(10), 4, 96));
        f.setBold(d.value("bold").toBool(false));
        l->setFont(f);
        w = l;
    } else if (type == ControlType::String) {
        auto *e = new QLineEdit(parent);
        e->setText(d.value("default").toString());
        if (d.contains("maxLength"))
            e->setMaxLength(std::clamp(d.value("maxLength").toInt(1023), 1, 1023));
        else
            e->setMaxLength(1023);
        QObject::connect(e, &QLineEdit::editingFinished, e, [ph, id, e]() {
            if (!e->isModified())
                return;
            e->setModified(false);
            userChanged(ph, id);
        });
        w = e;
    } else if (type == ControlType::TextBox) {
        auto *e = new QPlainTextEdit(parent);
        e->setPlainText(d.value("default").toString());
        w = e;
    } else if (type == ControlType::Led) {
        auto *led = new LedWidget(parent);
        c->state = d.value("default").toInt(0) ? 1 : 0;
        c->onColor = colourFromJson(d.value("onColor"), 0x00C000);
        c->offColor = colourFromJson(d.value("offColor"), 0x404040);
        led->on = c->state != 0;
        led->onColor = QColor::fromRgb(static_cast<QRgb>(c->onColor));
        led->offColor = QColor::fromRgb(static_cast<QRgb>(c->offColor));
        w = led;
    } else if (type == ControlType::Canvas) {
        auto *f = new QFrame(parent);
        f->setFrameShape(QFrame::StyledPanel);
        w = f;
    } else if (type == ControlType::Picture) {
        auto *l = new QLabel(parent);
        const QString file = resolveImage(d.value("file").toString());
        if (!file.isEmpty())
            l->setPixmap(QPixmap(file));
        l->setScaledContents(true);
        w = l;
    } else if (type == ControlType::Graph) {
        w = uigraph::create(parent, ph, id, d);
    } else if (type == ControlType::Table) {
        w = buildTable(parent, c, ph);
    } else if (type == ControlType::Timer) {
        auto *t = new QTimer(p->content);
        c->interval = d.value("interval").toDouble(1.0);
        if (!(c->interval > 0.0))
            c->interval = 1.0;
        c->enabled = d.value("enabled").toBool(true);
        t->setInterval(static_cast<int>(std::clamp(std::lround(c->interval * 1000.0), 1L, long(INT_MAX))));
        QObject::connect(t, &QTimer::timeout, t, [ph, id]() {
            // Tests drive timers by calling their callbacks; nothing ticks by itself then.
            if (testMode())
                return;
            // One callback at a time: a tick that falls inside a running
            // callback (a popup's or a Delay's event loop) is skipped, never
            // nested into it.
            if (callbackDepth() > 0)
                return;
            Control *cc = control(ph, id);
            if (!cc || !cc->enabled)
                return;
            fireCallback(ph, id, EVENT_TIMER_TICK, 0, 0);
        });
        if (c->enabled && !testMode())
            t->start();
        c->timer = t;
        return nullptr;
    }
    return w;
}

} // namespace

QString resolveResource(const QString &fileName)
{
    if (fileName.isEmpty())
        return QString();
    const QFileInfo fi(fileName);
    if (fi.isAbsolute())
        return fi.isFile() ? fi.absoluteFilePath() : QString();
    const QStringList dirs = {QCoreApplication::applicationDirPath(), QString::fromUtf8(KORVAX_RESOURCE_DIR)};
    for (const QString &dir : dirs) {
        const QFileInfo f(QDir(dir), fileName);
        if (f.isFile())
            return f.absoluteFilePath();
    }
    return QString();
}

namespace
{

std::vector<PanelTypes> parsePanelTypes(const QJsonObject &root)
{
    std::vector<PanelTypes> result;
    for (const QJsonValue &pv : root.value("panels").toArray()) {
        PanelTypes panelTypes;
        for (const QJsonValue &cv : pv.toObject().value("controls").toArray()) {
            ControlType type = ControlType::Canvas;
            if (!parseControlType(cv.toObject().value("type").toString(), &type))
                panelTypes.valid = false;
            panelTypes.types.push_back(type);
        }
        result.push_back(std::move(panelTypes));
    }
    return result;
}

// The parsed file, read again when it changed on disk.
const CachedResource *cachedResource(const QString &path, int *err)
{
    const QFileInfo fi(path);
    auto &c = cache();
    auto it = c.find(path);
    if (it != c.end() && it->second.modified == fi.lastModified() && it->second.size == fi.size())
        return &it->second;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *err = UIE_FILE_NOT_FOUND;
        return nullptr;
    }
    QJsonParseError pe;
    const QJsonDocument doc = QJsonDocument::fromJson(f.readAll(), &pe);
    if (doc.isNull() || !doc.isObject()) {
        *err = UIE_BAD_RESOURCE;
        return nullptr;
    }
    CachedResource r;
    r.modified = fi.lastModified();
    r.size = fi.size();
    r.root = doc.object();
    r.panels = parsePanelTypes(r.root);
    c[path] = std::move(r);
    return &c[path];
}

} // namespace

const QJsonObject *resourceRoot(const QString &path, int *err)
{
    const CachedResource *r = cachedResource(path, err);
    return r ? &r->root : nullptr;
}

QString resolveImage(const QString &file)
{
    if (file.isEmpty())
        return QString();
    QString rel = file;
    rel.replace('\\', '/');
    const QFileInfo fi(rel);
    if (fi.isAbsolute())
        return fi.isFile() ? fi.absoluteFilePath() : QString();
    const QStringList dirs = {QDir::currentPath(), QCoreApplication::applicationDirPath(),
                              QString::fromUtf8(KORVAX_RESOURCE_DIR)};
    for (const QString &dir : dirs) {
        const QFileInfo f(QDir(dir), rel);
        if (f.isFile())
            return f.absoluteFilePath();
    }
    return QString();
}

namespace
{

void buildMenuBar(Panel *p, QMenuBar *bar, const QJsonObject &mb)
{
    auto rec = std::make_unique<MenuBarRec>();
    rec->handle = newMenuBarHandle();
    rec->panel = p->handle;
    rec->bar = bar;
    const int mbHandle = rec->handle;
    int next = uirids::kFirstMenuItemId;
    for (const QJsonValue &mv : mb.value("menus").toArray()) {
        const QJsonObject mo = mv.toObject();
        QMenu *menu = bar->addMenu(mo.value("label").toString(mo.value("name").toString()));
        MenuEntry me;
        me.id = next++;
        me.isMenu = true;
        me.name = mo.value("name").toString();
        me.action = menu->menuAction();
        if (mo.value("dimmed").toBool(false))
            menu->menuAction()->setEnabled(false);
        rec->entries[me.id] = me;
        for (const QJsonValue &iv : mo.value("items").toArray()) {
            const QJsonObject io = iv.toObject();
            MenuEntry ie;
            ie.id = next++;
            ie.name = io.value("name").toString();
            QAction *a = nullptr;
            ie.parentMenu = me.id;
            if (io.value("separator").toBool(false)) {
                ie.separator = true;
                a = menu->addSeparator();
            } else {
                a = menu->addAction(io.value("label").toString(ie.name));
                ie.callbackName = io.value("callback").toString();
                if (!ie.callbackName.isEmpty()) {
                    const CallbackEntry *e = findCallback(ie.callbackName);
                    if (e && e->menu)
                        ie.callback = e->menu;
                }
                if (io.contains("checked")) {
                    a->setCheckable(true);
                    a->setChecked(io.value("checked").toBool(false));
                }
                a->setEnabled(!io.value("dimmed").toBool(false));
                const int itemId = ie.id;
                QObject::connect(a, &QAction::triggered, a,
                                 [mbHandle, itemId]() { fireMenu(mbHandle, itemId); });
            }
            ie.action = a;
            rec->entries[ie.id] = ie;
        }
    }
    p->menuBar = mbHandle;
    menuBars()[mbHandle] = std::move(rec);
}

} // namespace

int loadPanel(int parentHandle, const char *fileName, int resourceId, int tabHost)
{
    if (!initialised())
        return UIE_NOT_INITIALISED;
    Panel *parent = nullptr;
    if (parentHandle != 0) {
        parent = panel(parentHandle);
        if (!parent || !parent->content)
            return UIE_BAD_PANEL;
    }
    if (!fileName)
        return UIE_FILE_NOT_FOUND;
    const QString path = resolveResource(QString::fromUtf8(fileName));
    if (path.isEmpty())
        return UIE_FILE_NOT_FOUND;
    int err = 0;
    const CachedResource *resource = cachedResource(path, &err);
    if (!resource)
        return err;
    const QJsonObject root = resource->root;
    const QJsonArray panelsArr = root.value("panels").toArray();
    const int index = uirids::panelIndex(resourceId);
    if (index < 0 || index >= panelsArr.size())
        return UIE_BAD_RESOURCE;
    // A control of an unknown type refuses the whole panel.
    const PanelTypes types = resource->panels[static_cast<std::size_t>(index)];
    if (!types.valid)
        return UIE_BAD_RESOURCE;
    const QJsonObject pd = panelsArr[index].toObject();
    const QJsonArray controlsArr = pd.value("controls").toArray();

    auto p = std::make_unique<Panel>();
    p->handle = newPanelHandle();
    p->resourceId = resourceId;
    p->parent = parentHandle;
    p->tabHost = tabHost;
    p->fileName = path;
    p->name = pd.value("name").toString();
    p->title = pd.value("title").toString(p->name);
    const int width = std::max(1, pd.value("width").toInt(400));
    const int height = std::max(1, pd.value("height").toInt(300));
    const int top = pd.value("top").toInt(-1);
    const int left = pd.value("left").toInt(-1);

    auto *content = new PanelWidget();
    content->preferred = QSize(width, height);
    content->setObjectName(p->name);
    content->setAccessibleName(p->title);
    p->content = content;

    // The menu bar named by the panel.
    QJsonObject menuDesc;
    const QString mbName = pd.value("menubar").toString();
    if (!mbName.isEmpty())
        for (const QJsonValue &mv : root.value("menubars").toArray())
            if (mv.toObject().value("name").toString() == mbName)
                menuDesc = mv.toObject();

    if (tabHost != 0) {
        // A tab sheet: the tab control takes the widget (see the tab sheets).
        content->resize(width, height);
        p->frame = content;
    } else if (!parent) {
        QWidget *frame = nullptr;
        if (!menuDesc.isEmpty()) {
            auto *win = new QMainWindow();
            win->setCentralWidget(content);
            buildMenuBar(p.get(), win->menuBar(), menuDesc);
            win->resize(width, height + win->menuBar()->sizeHint().height());
            frame = win;
        } else {
            content->resize(width, height);
            frame = content;
        }
        frame->setWindowTitle(p->title);
        frame->setAccessibleName(p->title);
        if (top >= 0 && left >= 0)
            frame->move(left, top);
        frame->installEventFilter(new CloseFilter(frame, p->handle));
        p->frame = frame;
    } else if (parent->parent == 0 && parent->tabHost == 0) {
        // A child of a top-level panel: a sub-window of the parent's MDI area.
        PanelWidget *pc = parent->content;
        if (!pc->mdi) {
            int bottom = 0;
            for (auto &kv : parent->controls) {
                Control *c = kv.second.get();
                if (c->shown)
                    bottom = std::max(bottom, c->shown->geometry().bottom() + 1);
            }
            pc->mdiTop = bottom > 0 ? bottom + 4 : 0;
            pc->mdi = new QMdiArea(pc);
            pc->mdi->setAccessibleName(parent->title + " workspace");
            // Panels larger than the window stay reachable.
            pc->mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
            pc->mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
            pc->layoutMdi();
            pc->mdi->show();
            // The sub-window the user brings forward is the active panel.
            QObject::connect(pc->mdi, &QMdiArea::subWindowActivated, pc->mdi, [](QMdiSubWindow *w) {
                if (!w)
                    return;
                for (auto &kv : panels())
                    if (kv.second->sub == w)
                        setActivePanelHandle(kv.first);
            });
        }
        content->resize(width, height);
        auto *sub = new QMdiSubWindow();
        sub->setWidget(content);
        sub->setAttribute(Qt::WA_DeleteOnClose, false);
        sub->setWindowTitle(p->title);
        pc->mdi->addSubWindow(sub);
        sub->resize(sub->sizeHint());
        sub->move(std::max(0, left), std::max(0, top));
        sub->hide();
        sub->installEventFilter(new CloseFilter(sub, p->handle));
        p->sub = sub;
        p->frame = sub;
    } else {
        // A child of a child panel: embedded in the parent's area.
        content->setParent(parent->content);
        content->setGeometry(std::max(0, left), std::max(0, top), width, height);
        content->setAutoFillBackground(true);
        content->hide();
        p->frame = content;
    }

    Panel *pp = p.get();
    panels()[pp->handle] = std::move(p);
    if (parent)
        parent->children.push_back(pp->handle);

    for (int i = 0; i < controlsArr.size(); ++i) {
        auto c = std::make_unique<Control>();
        c->id = uirids::controlId(i);
        c->desc = controlsArr[i].toObject();
        c->type = types.types[static_cast<std::size_t>(i)];
        c->name = c->desc.value("name").toString();
        c->dataType = dataTypeOf(c->type, c->desc);
        c->labelText = c->desc.value("label").toString();
        const QString mode = c->desc.value("mode").toString();
        c->mode = mode == "indicator" ? VAL_INDICATOR : mode == "normal" ? VAL_NORMAL : VAL_HOT;
        if (c->type == ControlType::TextBox && mode.isEmpty())
            c->mode = VAL_INDICATOR;
        c->dimmed = c->desc.value("dimmed").toBool(false);
        bindCallback(c.get());
        Control *cp = c.get();
        pp->controls[cp->id] = std::move(c);
        QWidget *w = buildControl(pp, cp);
        if (!w)
            continue;
        cp->widget = w;
        cp->shown = w;
        const int ct = cp->desc.value("top").toInt(0);
        const int cl = cp->desc.value("left").toInt(0);
        const int cw = std::max(1, cp->desc.value("width").toInt(w->sizeHint().width()));
        const int ch = std::max(1, cp->desc.value("height").toInt(w->sizeHint().height()));
        w->setGeometry(cl, ct, cw, ch);
        if (hasCaption(cp->type) && !cp->labelText.isEmpty()) {
            auto *l = new QLabel(cp->labelText, pp->content);
            l->setGeometry(cl, std::max(0, ct - 17), std::max(cw, l->sizeHint().width()), 16);
            l->setBuddy(w);
            cp->label = l;
            w->raise();
        }
        if (cp->desc.contains("tooltip"))
            w->setToolTip(cp->desc.value("tooltip").toString());
        const bool visible = cp->desc.value("visible").toBool(true);
        w->setVisible(visible);
        if (cp->label)
            cp->label->setVisible(visible);
        applyDimmed(cp);
        applyControlMode(cp);
        updateAccessible(cp);
    }
    if (content->mdi)
        content->mdi->raise();
    return pp->handle;
}

} // namespace uirt

int LoadPanel(int parentPanel, const char *fileName, int panelResourceId)
{
    return uirt::loadPanel(parentPanel, fileName, panelResourceId, 0);
}
