// Resource loading: finds and parses the resource file, builds a panel's
// window, its menu bar and its controls (their widgets: rt_builders.cpp), and
// binds callbacks by name.
#include "rt_core.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>

#include <algorithm>

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

// A panel's description in its resource file, with its control types.
struct PanelSource {
    QString path;
    QJsonObject root;
    QJsonObject desc;
    PanelTypes types;
};

// Finds the panel's description: 0, or the UIE_* code LoadPanel returns.
int findPanelSource(const char *fileName, int resourceId, PanelSource *src)
{
    if (!fileName)
        return UIE_FILE_NOT_FOUND;
    src->path = resolveResource(QString::fromUtf8(fileName));
    if (src->path.isEmpty())
        return UIE_FILE_NOT_FOUND;
    int err = 0;
    const CachedResource *resource = cachedResource(src->path, &err);
    if (!resource)
        return err;
    const QJsonArray panelsArr = resource->root.value("panels").toArray();
    const int index = uirids::panelIndex(resourceId);
    if (index < 0 || index >= panelsArr.size())
        return UIE_BAD_RESOURCE;
    // A control of an unknown type refuses the whole panel.
    src->types = resource->panels[static_cast<std::size_t>(index)];
    if (!src->types.valid)
        return UIE_BAD_RESOURCE;
    src->root = resource->root;
    src->desc = panelsArr[index].toObject();
    return 0;
}

// The menu bar the panel names, or an empty object.
QJsonObject menuBarDesc(const PanelSource &src)
{
    QJsonObject menuDesc;
    const QString mbName = src.desc.value("menubar").toString();
    if (!mbName.isEmpty())
        for (const QJsonValue &mv : src.root.value("menubars").toArray())
            if (mv.toObject().value("name").toString() == mbName)
                menuDesc = mv.toObject();
    return menuDesc;
}

// Size and place of a panel as designed; top and left are -1 when not given.
struct PanelPlace {
    int width = 400;
    int height = 300;
    int top = -1;
    int left = -1;
};

PanelPlace panelPlace(const QJsonObject &pd)
{
    PanelPlace at;
    at.width = std::max(1, pd.value("width").toInt(400));
    at.height = std::max(1, pd.value("height").toInt(300));
    at.top = pd.value("top").toInt(-1);
    at.left = pd.value("left").toInt(-1);
    return at;
}

std::unique_ptr<Panel> newPanel(const PanelSource &src, int parentHandle, int resourceId, int tabHost)
{
    auto p = std::make_unique<Panel>();
    p->handle = newPanelHandle();
    p->resourceId = resourceId;
    p->parent = parentHandle;
    p->tabHost = tabHost;
    p->fileName = src.path;
    p->name = src.desc.value("name").toString();
    p->title = src.desc.value("title").toString(p->name);
    auto *content = new PanelWidget();
    const PanelPlace at = panelPlace(src.desc);
    content->preferred = QSize(at.width, at.height);
    content->setObjectName(p->name);
    content->setAccessibleName(p->title);
    p->content = content;
    return p;
}

// A top-level panel: a window of its own, with the menu bar it names.
void frameTopLevel(Panel *p, const QJsonObject &menuDesc, const PanelPlace &at)
{
    PanelWidget *content = p->content;
    QWidget *frame = nullptr;
    if (!menuDesc.isEmpty()) {
        auto *win = new QMainWindow();
        win->setCentralWidget(content);
        buildMenuBar(p, win->menuBar(), menuDesc);
        win->resize(at.width, at.height + win->menuBar()->sizeHint().height());
        frame = win;
    } else {
        content->resize(at.width, at.height);
        frame = content;
    }
    frame->setWindowTitle(p->title);
    frame->setAccessibleName(p->title);
    if (at.top >= 0 && at.left >= 0)
        frame->move(at.left, at.top);
    frame->installEventFilter(new CloseFilter(frame, p->handle));
    p->frame = frame;
}

// The MDI area of a top-level panel, made below its controls when the first
// child panel loads.
QMdiArea *mdiAreaOf(Panel *parent)
{
    PanelWidget *pc = parent->content;
    if (pc->mdi)
        return pc->mdi;
    int bottom = 0;
    for (auto &kv : parent->controls) {
        Control *c = kv.second.get();
        if (c->shown)
            bottom = std::max(bottom, c->shown->geometry().bottom() + 1);
    }
    pc->mdiTop = bottom > 0 ? bottom + 4 : 0;
    pc->mdi = new QMdiArea(pc);
    pc->mdi->setAccessibleName(parent->title + " workspace");
    pc->mdi->setBackground(QApplication::palette().brush(QPalette::Dark)); // the theme's
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
    return pc->mdi;
}

// A child of a top-level panel: a sub-window of the parent's MDI area, made
// when the panel is first shown or placed (frameOf). Until then the content
// waits, hidden, in the area.
void frameInMdi(Panel *parent, Panel *p, const PanelPlace &at)
{
    QMdiArea *mdi = mdiAreaOf(parent);
    p->content->resize(at.width, at.height);
    p->content->setParent(mdi);
    p->subPending = true;
    p->subPos = QPoint(std::max(0, at.left), std::max(0, at.top));
}

// A child of a child panel: embedded in the parent's area.
void frameEmbedded(Panel *parent, Panel *p, const PanelPlace &at)
{
    PanelWidget *content = p->content;
    content->setParent(parent->content);
    content->setGeometry(std::max(0, at.left), std::max(0, at.top), at.width, at.height);
    content->setAutoFillBackground(true);
    content->hide();
    p->frame = content;
}

// The frame that shows the panel, as its place among the panels asks.
void framePanel(Panel *parent, Panel *p, const PanelSource &src)
{
    const PanelPlace at = panelPlace(src.desc);
    if (p->tabHost != 0) {
        // A tab sheet: the tab control takes the widget (see the tab sheets).
        p->content->resize(at.width, at.height);
        p->frame = p->content.data();
    } else if (!parent) {
        frameTopLevel(p, menuBarDesc(src), at);
    } else if (parent->parent == 0 && parent->tabHost == 0) {
        frameInMdi(parent, p, at);
    } else {
        frameEmbedded(parent, p, at);
    }
}

std::unique_ptr<Control> newControl(int index, const QJsonObject &desc, ControlType type)
{
    auto c = std::make_unique<Control>();
    c->id = uirids::controlId(index);
    c->desc = desc;
    c->type = type;
    c->name = desc.value("name").toString();
    c->dataType = dataTypeOf(type, desc);
    c->labelText = desc.value("label").toString();
    const QString mode = desc.value("mode").toString();
    c->mode = mode == "indicator" ? VAL_INDICATOR : mode == "normal" ? VAL_NORMAL : VAL_HOT;
    if (type == ControlType::TextBox && mode.isEmpty())
        c->mode = VAL_INDICATOR;
    c->dimmed = desc.value("dimmed").toBool(false);
    bindCallback(c.get());
    return c;
}

// Puts a control's widget where the resource places it, with its caption
// above it, its tooltip, visibility, dimming and mode.
void placeControl(Panel *p, Control *c, QWidget *w)
{
    c->widget = w;
    c->shown = w;
    const QJsonObject &d = c->desc;
    const int ct = d.value("top").toInt(0);
    const int cl = d.value("left").toInt(0);
    const int cw = std::max(1, d.value("width").toInt(w->sizeHint().width()));
    const int ch = std::max(1, d.value("height").toInt(w->sizeHint().height()));
    w->setGeometry(cl, ct, cw, ch);
    if (hasCaption(c->type) && !c->labelText.isEmpty()) {
        auto *l = new QLabel(c->labelText, p->content);
        l->setGeometry(cl, std::max(0, ct - 17), std::max(cw, l->sizeHint().width()), 16);
        l->setBuddy(w);
        c->label = l;
        w->raise();
    }
    if (d.contains("tooltip")) {
        w->setToolTip(d.value("tooltip").toString());
        if (c->label)
            c->label->setToolTip(w->toolTip());
    }
    const bool visible = d.value("visible").toBool(true);
    w->setVisible(visible);
    if (c->label)
        c->label->setVisible(visible);
    applyDimmed(c);
    applyControlMode(c);
    updateAccessible(c);
}

void addControls(Panel *p, const PanelSource &src)
{
    const QJsonArray controlsArr = src.desc.value("controls").toArray();
    for (int i = 0; i < controlsArr.size(); ++i) {
        auto c = newControl(i, controlsArr[i].toObject(), src.types.types[static_cast<std::size_t>(i)]);
        Control *cp = c.get();
        p->controls[cp->id] = std::move(c);
        if (QWidget *w = buildControl(p, cp))
            placeControl(p, cp, w);
    }
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
    PanelSource src;
    if (const int err = findPanelSource(fileName, resourceId, &src))
        return err;
    auto p = newPanel(src, parentHandle, resourceId, tabHost);
    framePanel(parent, p.get(), src);
    Panel *pp = p.get();
    panels()[pp->handle] = std::move(p);
    if (parent)
        parent->children.push_back(pp->handle);
    addControls(pp, src);
    if (pp->content->mdi)
        pp->content->mdi->raise();
    return pp->handle;
}

QWidget *frameOf(Panel *p)
{
    if (!p)
        return nullptr;
    if (p->subPending) {
        p->subPending = false;
        Panel *parent = panel(p->parent);
        PanelWidget *pc = parent ? parent->content.data() : nullptr;
        if (pc && pc->mdi && p->content) {
            // Made in the area's viewport: adding a parentless sub-window
            // would first turn a top-level window into a child.
            auto *sub = new QMdiSubWindow(pc->mdi->viewport());
            sub->setWidget(p->content);
            sub->setAttribute(Qt::WA_DeleteOnClose, false);
            sub->setWindowTitle(p->title);
            pc->mdi->addSubWindow(sub);
            sub->resize(sub->sizeHint());
            sub->move(p->subPos);
            sub->hide();
            sub->installEventFilter(new CloseFilter(sub, p->handle));
            p->sub = sub;
            p->frame = sub;
        }
    }
    return p->frame.data();
}

} // namespace uirt

int LoadPanel(int parentPanel, const char *fileName, int panelResourceId)
{
    return uirt::loadPanel(parentPanel, fileName, panelResourceId, 0);
}
