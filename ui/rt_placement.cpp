// Where panels appear and how large: a panel takes its remembered place and
// size the first time it is displayed, or a default size that fits the
// screen (a panel with a graph fills the room it has, up to a comfortable
// size); places and sizes are written at exit into a small file beside the
// setup file, in the configuration folder.
#include "comfort.h"
#include "rt_layout_state.h"
#include "testseam.h"
#include "toolbox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSaveFile>
#include <QScreen>
#include <QTextStream>

#include <algorithm>

namespace uirt
{

namespace
{

struct Remembered {
    QRect geometry; // frame position, content size
    bool maximised = false;
};

struct LayoutFile {
    bool loaded = false;
    std::map<QString, Remembered> panels;
    std::map<QString, QString> options;
};

LayoutFile &file()
{
    static LayoutFile f;
    return f;
}

void load()
{
    LayoutFile &f = file();
    if (f.loaded)
        return;
    f.loaded = true;
    ReadLayoutFile(LayoutFilePath().toUtf8().constData());
}

void placeOnce(Panel *p);

} // namespace

QString LayoutFilePath()
{
    char dir[1024] = "";
    char sys[1024] = "";
    if (GetWindowsDirs(dir, sys) != 0)
        return QString();
    return QDir(QString::fromUtf8(dir)).filePath("KorvaxDemo.layout");
}

QString layoutOption(const QString &key)
{
    load();
    auto it = file().options.find(key);
    return it == file().options.end() ? QString() : it->second;
}

void setLayoutOption(const QString &key, const QString &value)
{
    load();
    file().options[key] = value;
}

void panelDisplayed(Panel *p)
{
    static bool hooked = false;
    if (!hooked && QCoreApplication::instance()) {
        hooked = true;
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit,
                         []() { WriteLayoutFile(LayoutFilePath().toUtf8().constData()); });
    }
    // Tests place panels themselves (PlacePanel): nothing read from a file.
    if (testseam::Enabled())
        return;
    placeOnce(p);
}

namespace
{

// Size of the room a panel's frame can take: its MDI area, or the screen.
// An MDI area can reach past the screen (the bench's window is the screen's
// size plus its menu bar): only the part on the screen counts.
QSize roomFor(Panel *p)
{
    QScreen *s = QGuiApplication::primaryScreen();
    const QRect screen = s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
    if (p->sub && p->sub->mdiArea()) {
        QWidget *viewport = p->sub->mdiArea()->viewport();
        const QRect area(viewport->mapToGlobal(QPoint(0, 0)), viewport->size());
        const QRect visible = area.intersected(screen);
        return visible.isEmpty() ? viewport->size() : visible.size();
    }
    return screen.size();
}

QSize frameExtra(Panel *p)
{
    if (p->frame && p->frame != p->content && p->frame->isVisible())
        return p->frame->size() - p->content->size();
    return p->sub ? QSize(12, 34) : QSize(0, 0);
}

void resizeContent(Panel *p, const QSize &size)
{
    p->content->preferred = size;
    p->content->resize(size);
    if (p->sub)
        p->sub->resize(p->sub->sizeHint());
    else if (p->frame && p->frame != p->content)
        p->frame->adjustSize();
}

void placeOnce(Panel *p)
{
    if (!p || !p->content || p->tabHost != 0 || p->content->mdi)
        return;
    PanelLayout *L = ensureLayout(p);
    if (!L || L->placed)
        return;
    L->placed = true;
    load();
    auto it = file().panels.find(p->name);
    if (it != file().panels.end()) {
        const Remembered &r = it->second;
        resizeContent(p, r.geometry.size().expandedTo(L->minimum));
        if (p->frame)
            p->frame->move(std::max(0, r.geometry.x()), std::max(0, r.geometry.y()));
        if (r.maximised && p->frame)
            p->frame->showMaximized();
        return;
    }
    // Default: a panel with a graph grows into the room it has, up to half
    // again its design size; a panel larger than the room shrinks towards
    // its minimum.
    const QSize room = roomFor(p) - frameExtra(p);
    QSize target = L->design;
    if (L->mainGraph != 0)
        target = QSize(std::min(room.width(), L->design.width() * 3 / 2),
                       std::min(room.height(), L->design.height() * 3 / 2));
    target = target.boundedTo(room).expandedTo(L->minimum);
    if (target != p->content->size())
        resizeContent(p, target);
    if (p->frame && p->sub) {
        QPoint pos = p->frame->pos();
        if (pos.x() + p->frame->width() > room.width())
            pos.setX(std::max(0, room.width() - p->frame->width()));
        if (pos.y() + p->frame->height() > room.height())
            pos.setY(std::max(0, room.height() - p->frame->height()));
        p->frame->move(pos);
    }
}

} // namespace

} // namespace uirt

using namespace uirt;

int PlacePanel(int panelHandle)
{
    Panel *p = panel(panelHandle);
    if (!p)
        return UIE_BAD_PANEL;
    placeOnce(p);
    return 0;
}

int GetPanelMinimumSize(int panelHandle, int *height, int *width)
{
    Panel *p = panel(panelHandle);
    if (!p)
        return UIE_BAD_PANEL;
    PanelLayout *L = ensureLayout(p);
    const QSize m = L ? L->minimum : p->content->minimumSize();
    if (height)
        *height = m.height();
    if (width)
        *width = m.width();
    return 0;
}

int ReadLayoutFile(const char *path)
{
    LayoutFile &f = file();
    f.loaded = true;
    if (!path || !*path)
        return UIE_BAD_VALUE;
    QFile in(QString::fromUtf8(path));
    // A small file: anything larger is not ours.
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text) || in.size() > 64 * 1024)
        return UIE_IO_ERROR;
    QTextStream ts(&in);
    while (!ts.atEnd()) {
        const QStringList w = ts.readLine().split(' ', Qt::SkipEmptyParts);
        if (w.size() == 7 && w[0] == "panel") {
            bool ok[5] = {false, false, false, false, false};
            Remembered r;
            r.geometry = QRect(w[2].toInt(&ok[0]), w[3].toInt(&ok[1]), w[4].toInt(&ok[2]), w[5].toInt(&ok[3]));
            r.maximised = w[6].toInt(&ok[4]) != 0;
            if (std::all_of(std::begin(ok), std::end(ok), [](bool b) { return b; }) && r.geometry.width() > 0 &&
                r.geometry.height() > 0 && r.geometry.width() <= 16384 && r.geometry.height() <= 16384)
                f.panels[w[1]] = r;
        } else if (w.size() == 3 && w[0] == "option") {
            f.options[w[1]] = w[2];
        }
    }
    return 0;
}

int WriteLayoutFile(const char *path)
{
    if (!path || !*path)
        return UIE_BAD_VALUE;
    load();
    LayoutFile &f = file();
    for (auto &kv : panels()) {
        Panel *p = kv.second.get();
        if (!p->content || p->tabHost != 0 || p->content->mdi || !p->frame || p->name.isEmpty())
            continue;
        PanelLayout *L = ensureLayout(p);
        if (!L || !L->placed)
            continue; // never shown: its remembered place stays
        Remembered r;
        const bool maximised = p->frame->isMaximized();
        const QSize size = maximised ? p->content->preferred : p->content->size();
        r.geometry = QRect(p->frame->pos(), size);
        r.maximised = maximised;
        f.panels[p->name] = r;
    }
    QSaveFile out(QString::fromUtf8(path));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Text))
        return UIE_IO_ERROR;
    QTextStream ts(&out);
    ts << "# Korvax Demo panel places and sizes\n";
    for (auto &kv : f.panels)
        ts << "panel " << kv.first << ' ' << kv.second.geometry.x() << ' ' << kv.second.geometry.y() << ' '
           << kv.second.geometry.width() << ' ' << kv.second.geometry.height() << ' '
           << (kv.second.maximised ? 1 : 0) << '\n';
    for (auto &kv : f.options)
        ts << "option " << kv.first << ' ' << kv.second << '\n';
    ts.flush();
    return out.commit() ? 0 : UIE_IO_ERROR;
}
