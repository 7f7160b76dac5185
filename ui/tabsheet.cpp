// Tab sheets: a canvas control turned into a tab control whose pages are
// panels loaded from the resource file.
#include "rt_core.h"
#include "toolbox.h"

#include <QTabWidget>

using namespace uirt;

namespace
{

Control *tabControl(int panelHandle, int tabCtrl, QTabWidget **tabs, int *err)
{
    Panel *p = panel(panelHandle);
    if (!p) {
        *err = UIE_BAD_PANEL;
        return nullptr;
    }
    Control *c = control(p, tabCtrl);
    if (!c) {
        *err = UIE_BAD_CONTROL;
        return nullptr;
    }
    *tabs = c->type == ControlType::Tab ? qobject_cast<QTabWidget *>(c->shown.data()) : nullptr;
    if (!*tabs) {
        *err = UIE_BAD_TYPE;
        return nullptr;
    }
    return c;
}

// Index of a sheet panel in its tab control, or -1.
int sheetIndex(Control *c, QTabWidget *tabs, int sheetPanel)
{
    Panel *sp = panel(sheetPanel);
    if (!sp || std::find(c->sheets.begin(), c->sheets.end(), sheetPanel) == c->sheets.end())
        return -1;
    return tabs->indexOf(sp->content);
}

} // namespace

int TabSheet_ConvertFromCanvas(int panelHandle, int canvasCtrl)
{
    Panel *p = panel(panelHandle);
    if (!p)
        return UIE_BAD_PANEL;
    Control *c = control(p, canvasCtrl);
    if (!c)
        return UIE_BAD_CONTROL;
    if (c->type != ControlType::Canvas || !c->shown)
        return UIE_BAD_TYPE;
    auto *tabs = new QTabWidget(p->content);
    tabs->setGeometry(c->shown->geometry());
    tabs->setVisible(!c->shown->isHidden());
    tabs->setEnabled(!c->dimmed);
    tabs->setAccessibleName(c->labelText.isEmpty() ? QString("Tabs") : c->labelText);
    destroyWidget(c->shown);
    c->widget = tabs;
    c->shown = tabs;
    c->type = ControlType::Tab;
    tabs->raise();
    return canvasCtrl;
}

int TabSheet_LoadPanels(int panelHandle, int tabCtrl, int row, const char *fileName,
                        const int *panelResourceIds, int *panelHandles, int count)
{
    int err = 0;
    QTabWidget *tabs = nullptr;
    Control *c = tabControl(panelHandle, tabCtrl, &tabs, &err);
    if (!c)
        return err;
    if (row < 0 || count < 0 || (count > 0 && (!panelResourceIds || !panelHandles)))
        return UIE_BAD_VALUE;
    int rc = 0;
    for (int i = 0; i < count; ++i) {
        const int h = loadPanel(panelHandle, fileName, panelResourceIds[i], tabCtrl);
        panelHandles[i] = h;
        if (h < 0) {
            if (rc == 0)
                rc = h;
            continue;
        }
        Panel *sp = panel(h);
        sp->content->show();
        tabs->addTab(sp->content, sp->title);
        c->sheets.push_back(h);
    }
    return rc;
}

int TabSheet_SetTabAttribute(int panelHandle, int tabCtrl, int sheetPanel, int attribute, int value)
{
    int err = 0;
    QTabWidget *tabs = nullptr;
    Control *c = tabControl(panelHandle, tabCtrl, &tabs, &err);
    if (!c)
        return err;
    const int index = sheetIndex(c, tabs, sheetPanel);
    if (index < 0)
        return UIE_BAD_PANEL;
    switch (attribute) {
    case ATTR_SHEET_VISIBLE: {
        const bool show = value != 0;
        if (show) {
            tabs->setTabVisible(index, true);
            // The first visible tab becomes active when none was.
            if (!tabs->isTabVisible(tabs->currentIndex()))
                tabs->setCurrentIndex(index);
            return 0;
        }
        const bool wasActive = tabs->currentIndex() == index;
        tabs->setTabVisible(index, false);
        if (wasActive) {
            // The next visible tab, else the previous one.
            const int n = tabs->count();
            int next = -1;
            for (int k = 1; k < n && next < 0; ++k) {
                const int j = (index + k) % n;
                if (tabs->isTabVisible(j))
                    next = j;
            }
            if (next >= 0)
                tabs->setCurrentIndex(next);
        }
        return 0;
    }
    case ATTR_SHEET_ACTIVE:
        if (!value)
            return 0;
        if (!tabs->isTabVisible(index))
            return UIE_BAD_VALUE; // a hidden sheet cannot be the active one
        tabs->setCurrentIndex(index);
        return 0;
    default:
        return UIE_BAD_ATTRIBUTE;
    }
}

int TabSheet_GetTabAttribute(int panelHandle, int tabCtrl, int sheetPanel, int attribute, int *value)
{
    int err = 0;
    QTabWidget *tabs = nullptr;
    Control *c = tabControl(panelHandle, tabCtrl, &tabs, &err);
    if (!c)
        return err;
    if (!value)
        return UIE_BAD_VALUE;
    const int index = sheetIndex(c, tabs, sheetPanel);
    if (index < 0)
        return UIE_BAD_PANEL;
    switch (attribute) {
    case ATTR_SHEET_VISIBLE:
        *value = tabs->isTabVisible(index) ? 1 : 0;
        return 0;
    case ATTR_SHEET_ACTIVE:
        *value = tabs->currentIndex() == index && tabs->isTabVisible(index) ? 1 : 0;
        return 0;
    default:
        return UIE_BAD_ATTRIBUTE;
    }
}

int TabSheet_GetActiveSheet(int panelHandle, int tabCtrl, int *sheetPanel)
{
    int err = 0;
    QTabWidget *tabs = nullptr;
    Control *c = tabControl(panelHandle, tabCtrl, &tabs, &err);
    if (!c)
        return err;
    if (!sheetPanel)
        return UIE_BAD_VALUE;
    *sheetPanel = 0;
    const int index = tabs->currentIndex();
    if (index < 0 || !tabs->isTabVisible(index))
        return 0;
    for (int h : c->sheets) {
        Panel *sp = panel(h);
        if (sp && tabs->indexOf(sp->content) == index)
            *sheetPanel = h;
    }
    return 0;
}
