// Panels (show, hide, discard, attributes, the close box) and menu bars.
#include "rt_core.h"

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>

#include "rt_ux.h"
#include "runtime_internal.h"

namespace uirt
{

namespace
{

void resizePanel(Panel *p, int height, int width)
{
    // Never below the size at which the panel's controls would be clipped.
    const QSize minimum = panelMinimum(p);
    width = std::max(width, minimum.width());
    height = std::max(height, minimum.height());
    p->content->preferred = QSize(width, height);
    if (p->tabHost != 0)
        return; // the tab control sizes its sheets
    if (auto *win = qobject_cast<QMainWindow *>(p->frame.data())) {
        win->resize(width, height + win->menuBar()->sizeHint().height());
        p->content->resize(width, height);
    } else if (p->sub) {
        p->content->resize(width, height);
        p->sub->resize(p->sub->sizeHint());
    } else {
        p->content->resize(width, height);
    }
    relayoutPanel(p->content); // a hidden panel has no resize event to do it
}

QTabWidget *tabWidgetOf(Panel *p)
{
    if (!p || p->tabHost == 0)
        return nullptr;
    Control *c = control(p->parent, p->tabHost);
    return c ? qobject_cast<QTabWidget *>(c->shown.data()) : nullptr;
}

} // namespace

int pressCloseBox(int handle)
{
    Panel *p = panel(handle);
    if (!p)
        return UIE_BAD_PANEL;
    if (p->closeCtrl != 0 && control(p, p->closeCtrl)) {
        fireCallback(handle, p->closeCtrl, EVENT_COMMIT, 0, 0);
        return 0;
    }
    return HidePanel(handle);
}

int discardPanel(int handle)
{
    Panel *p = panel(handle);
    if (!p)
        return UIE_BAD_PANEL;
    const std::vector<int> children = p->children;
    for (int child : children)
        discardPanel(child);
    p = panel(handle);
    if (!p)
        return 0;
    for (auto &kv : p->controls)
        if (kv.second->timer)
            kv.second->timer->stop();
    discardToolbarsOf(handle);
    for (auto it = menuBars().begin(); it != menuBars().end();)
        it = it->second->panel == handle ? menuBars().erase(it) : std::next(it);
    if (Panel *parent = panel(p->parent)) {
        auto &ch = parent->children;
        ch.erase(std::remove(ch.begin(), ch.end(), handle), ch.end());
        if (Control *host = control(parent, p->tabHost)) {
            auto &sh = host->sheets;
            sh.erase(std::remove(sh.begin(), sh.end(), handle), sh.end());
            if (QTabWidget *tabs = tabWidgetOf(p)) {
                const int index = tabs->indexOf(p->content);
                if (index >= 0)
                    tabs->removeTab(index);
            }
        }
    }
    // Take the panel out of the registry first: its callbacks can no longer run.
    std::unique_ptr<Panel> gone = std::move(panels()[handle]);
    panels().erase(handle);
    if (activePanelHandle() == handle)
        setActivePanelHandle(0);
    // A panel still without its sub-window goes with its content.
    destroyWidget(gone->frame ? gone->frame.data() : gone->content.data());
    return 0;
}

} // namespace uirt

using namespace uirt;

int DisplayPanel(int handle)
{
    Panel *p = panel(handle);
    if (!p || !frameOf(p))
        return UIE_BAD_PANEL;
    if (p->tabHost != 0) {
        setActivePanelHandle(handle);
        return 0; // tab sheets are shown by their tab control
    }
    p->frame->show();
    panelDisplayed(p); // the first time: remembered or default size
    p->frame->raise();
    if (p->sub) {
        if (QMdiArea *mdi = p->sub->mdiArea())
            mdi->setActiveSubWindow(p->sub);
    } else if (p->parent == 0) {
        p->frame->activateWindow();
    }
    setActivePanelHandle(handle);
    return 0;
}

int HidePanel(int handle)
{
    Panel *p = panel(handle);
    if (!p || (!p->frame && !p->subPending))
        return UIE_BAD_PANEL;
    if (p->tabHost != 0)
        return 0;
    if (p->frame)
        p->frame->hide(); // a panel still without its sub-window is hidden
    if (activePanelHandle() == handle)
        setActivePanelHandle(p->parent);
    return 0;
}

int DiscardPanel(int handle)
{
    return discardPanel(handle);
}

int GetActivePanel(void)
{
    return activePanelHandle();
}

int SetActivePanel(int handle)
{
    Panel *p = panel(handle);
    if (!p)
        return UIE_BAD_PANEL;
    if (p->frame && !p->frame->isHidden()) {
        p->frame->raise();
        if (p->sub && p->sub->mdiArea())
            p->sub->mdiArea()->setActiveSubWindow(p->sub);
    }
    setActivePanelHandle(handle);
    return 0;
}

int SetPanelAttribute(int handle, int attribute, int value)
{
    Panel *p = panel(handle);
    if (!p || !p->content)
        return UIE_BAD_PANEL;
    switch (attribute) {
    case ATTR_CLOSE_CTRL:
        if (value != 0 && !control(p, value))
            return UIE_BAD_CONTROL;
        p->closeCtrl = value;
        return 0;
    case ATTR_WIDTH:
        if (value <= 0)
            return UIE_BAD_VALUE;
        resizePanel(p, p->content->preferred.height(), value);
        return 0;
    case ATTR_HEIGHT:
        if (value <= 0)
            return UIE_BAD_VALUE;
        resizePanel(p, value, p->content->preferred.width());
        return 0;
    case ATTR_TOP:
    case ATTR_LEFT: {
        if (p->tabHost != 0)
            return 0;
        QWidget *frame = frameOf(p);
        if (!frame)
            return UIE_BAD_PANEL;
        QPoint pos = frame->pos();
        if (attribute == ATTR_TOP)
            pos.setY(value);
        else
            pos.setX(value);
        frame->move(pos);
        return 0;
    }
    case ATTR_VISIBLE:
        return value ? DisplayPanel(handle) : HidePanel(handle);
    case ATTR_ACTIVATE_WHEN_CLICKED_ON:
        p->activateWhenClickedOn = value ? 1 : 0;
        return 0;
    case ATTR_TITLE:
        return UIE_BAD_TYPE;
    default:
        return UIE_BAD_ATTRIBUTE;
    }
}

int SetPanelAttribute(int handle, int attribute, const char *value)
{
    Panel *p = panel(handle);
    if (!p || (!p->frame && !p->subPending))
        return UIE_BAD_PANEL;
    if (attribute != ATTR_TITLE)
        return attribute >= ATTR_TITLE && attribute <= ATTR_ACTIVATE_WHEN_CLICKED_ON ? UIE_BAD_TYPE
                                                                                     : UIE_BAD_ATTRIBUTE;
    if (!value)
        return UIE_BAD_VALUE;
    p->title = QString::fromUtf8(value);
    if (QTabWidget *tabs = tabWidgetOf(p)) {
        const int index = tabs->indexOf(p->content);
        if (index >= 0)
            tabs->setTabText(index, p->title);
    } else if (p->frame) {
        p->frame->setWindowTitle(p->title); // a sub-window still to come takes the title when made
    }
    p->content->setAccessibleName(p->title);
    return 0;
}

int GetPanelAttribute(int handle, int attribute, int *value)
{
    Panel *p = panel(handle);
    if (!p || (!p->frame && !p->subPending))
        return UIE_BAD_PANEL;
    if (!value)
        return UIE_BAD_VALUE;
    switch (attribute) {
    case ATTR_CLOSE_CTRL:
        *value = p->closeCtrl;
        return 0;
    case ATTR_WIDTH:
        *value = p->content->preferred.width();
        return 0;
    case ATTR_HEIGHT:
        *value = p->content->preferred.height();
        return 0;
    case ATTR_TOP:
        *value = p->tabHost || !frameOf(p) ? 0 : p->frame->y();
        return 0;
    case ATTR_LEFT:
        *value = p->tabHost || !frameOf(p) ? 0 : p->frame->x();
        return 0;
    case ATTR_VISIBLE:
        if (QTabWidget *tabs = tabWidgetOf(p))
            *value = tabs->isTabVisible(tabs->indexOf(p->content)) ? 1 : 0;
        else
            *value = !p->frame || p->frame->isHidden() ? 0 : 1;
        return 0;
    case ATTR_ACTIVATE_WHEN_CLICKED_ON:
        *value = p->activateWhenClickedOn;
        return 0;
    case ATTR_TITLE:
        return UIE_BAD_TYPE;
    default:
        return UIE_BAD_ATTRIBUTE;
    }
}

int GetPanelAttribute(int handle, int attribute, char *value)
{
    Panel *p = panel(handle);
    if (!p)
        return UIE_BAD_PANEL;
    if (attribute != ATTR_TITLE)
        return attribute >= ATTR_TITLE && attribute <= ATTR_ACTIVATE_WHEN_CLICKED_ON ? UIE_BAD_TYPE
                                                                                     : UIE_BAD_ATTRIBUTE;
    if (!value)
        return UIE_BAD_VALUE;
    copyOut(p->title, value, 256);
    return 0;
}

int GetScreenSize(int *height, int *width)
{
    if (!initialised())
        return UIE_NOT_INITIALISED;
    QScreen *screen = QGuiApplication::primaryScreen();
    const QRect r = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    if (height)
        *height = r.height();
    if (width)
        *width = r.width();
    return 0;
}

int SetPanelSize(int handle, int height, int width)
{
    Panel *p = panel(handle);
    if (!p || !p->content)
        return UIE_BAD_PANEL;
    if (height <= 0 || width <= 0)
        return UIE_BAD_VALUE;
    resizePanel(p, height, width);
    return 0;
}

int SetPanelPos(int handle, int top, int left)
{
    Panel *p = panel(handle);
    if (!p || (!p->frame && !p->subPending))
        return UIE_BAD_PANEL;
    if (p->tabHost == 0 && frameOf(p))
        p->frame->move(left, top);
    return 0;
}

int GetPanelMenuBar(int handle)
{
    Panel *p = panel(handle);
    if (!p)
        return UIE_BAD_PANEL;
    return p->menuBar;
}

int GetPanelParent(int handle)
{
    Panel *p = panel(handle);
    if (!p)
        return UIE_BAD_PANEL;
    return p->parent;
}

// ------------------------------------------------------------------- menus

static MenuEntry *menuEntry(int menuBarHandle, int item, int *err)
{
    MenuBarRec *mb = menuBar(menuBarHandle);
    if (!mb) {
        *err = UIE_BAD_MENU;
        return nullptr;
    }
    auto it = mb->entries.find(item);
    if (it == mb->entries.end() || !it->second.action) {
        *err = UIE_BAD_MENU;
        return nullptr;
    }
    return &it->second;
}

int SetMenuBarAttribute(int menuBarHandle, int menuItem, int attribute, int value)
{
    int err = 0;
    MenuEntry *e = menuEntry(menuBarHandle, menuItem, &err);
    if (!e)
        return err;
    switch (attribute) {
    case ATTR_DIMMED:
        e->action->setEnabled(value == 0);
        return 0;
    case ATTR_CHECKED:
        if (e->isMenu || e->separator)
            return UIE_BAD_ATTRIBUTE;
        e->action->setCheckable(true);
        e->action->setChecked(value != 0);
        return 0;
    default:
        return UIE_BAD_ATTRIBUTE;
    }
}

int GetMenuBarAttribute(int menuBarHandle, int menuItem, int attribute, int *value)
{
    int err = 0;
    MenuEntry *e = menuEntry(menuBarHandle, menuItem, &err);
    if (!e)
        return err;
    if (!value)
        return UIE_BAD_VALUE;
    switch (attribute) {
    case ATTR_DIMMED:
        *value = e->action->isEnabled() ? 0 : 1;
        return 0;
    case ATTR_CHECKED:
        *value = e->action->isChecked() ? 1 : 0;
        return 0;
    default:
        return UIE_BAD_ATTRIBUTE;
    }
}

int ActivateMenuItem(int menuBarHandle, int menuItem)
{
    int err = 0;
    MenuEntry *e = menuEntry(menuBarHandle, menuItem, &err);
    if (!e)
        return err;
    if (e->isMenu || e->separator)
        return UIE_BAD_MENU;
    // A user cannot choose a dimmed item, nor anything in a dimmed menu.
    if (!e->action->isEnabled())
        return UIE_DIMMED;
    if (MenuEntry *m = menuEntry(menuBarHandle, e->parentMenu, &err))
        if (!m->action->isEnabled())
            return UIE_DIMMED;
    if (e->action->isCheckable())
        e->action->setChecked(!e->action->isChecked());
    return fireMenu(menuBarHandle, menuItem);
}
