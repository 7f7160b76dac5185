// Tab order of a panel.  Qt orders the keyboard focus by the creation of
// the widgets, and the toolbar, the tab sheets and the scroll bar are made
// after the controls of the resource file, so Tab would reach them last.
// A panel walks its own chain instead: the toolbar items first, then the
// controls in resource order, the sheets' controls at their tab control.
#include "rt_core.h"

#include <QAction>
#include <QApplication>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>

namespace uirt
{

namespace
{

void appendControls(Panel *p, std::vector<QWidget *> &chain)
{
    for (auto &kv : p->controls) {
        Control *c = kv.second.get();
        if (!c->shown)
            continue;
        if (auto *tabs = qobject_cast<QTabWidget *>(c->shown.data())) {
            chain.push_back(tabs->tabBar());
            for (int sheet : c->sheets) {
                if (Panel *sp = panel(sheet))
                    appendControls(sp, chain);
            }
            continue;
        }
        chain.push_back(c->shown);
    }
}

Panel *panelOf(const QWidget *content)
{
    for (auto &kv : panels()) {
        if (kv.second->content == content)
            return kv.second.get();
    }
    return nullptr;
}

} // namespace

std::vector<QWidget *> tabChain(Panel *p)
{
    std::vector<QWidget *> chain;
    if (!p || !p->content)
        return chain;
    for (QToolBar *bar : p->content->findChildren<QToolBar *>(Qt::FindDirectChildrenOnly)) {
        for (QAction *a : bar->actions()) {
            if (QWidget *w = bar->widgetForAction(a))
                chain.push_back(w);
        }
    }
    appendControls(p, chain);
    return chain;
}

bool takesTabFocus(const QWidget *w)
{
    return w && w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus);
}

} // namespace uirt

bool uirt::PanelWidget::focusNextPrevChild(bool next)
{
    Panel *p = panelOf(this);
    // A tab sheet's controls belong to the chain of the panel that holds it.
    if (!p || p->tabHost)
        return QWidget::focusNextPrevChild(next);
    const std::vector<QWidget *> chain = tabChain(p);
    const int n = static_cast<int>(chain.size());
    QWidget *focus = QApplication::focusWidget();
    int at = next ? -1 : n; // from outside the chain: the first (or last) stop
    for (int i = 0; i < n && focus; ++i) {
        if (chain[i] == focus || chain[i]->isAncestorOf(focus)) {
            at = i;
            break;
        }
    }
    for (int step = 1; step <= n; ++step) {
        const int i = ((at + (next ? step : -step)) % n + n) % n;
        if (takesTabFocus(chain[i])) {
            chain[i]->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return QWidget::focusNextPrevChild(next);
}
