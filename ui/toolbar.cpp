// The toolbar instrument: command and toggle buttons and separators along
// the top of a panel, addressed by position (from 1, separators counted).
#include "rt_core.h"
#include "toolbox.h"

#include <QAction>
#include <QIcon>
#include <QImageReader>
#include <QToolBar>
#include <QToolButton>

#include <cmath>

using namespace uirt;

namespace
{

struct ToolItem {
    int kind = kCommandButton;
    QString description;
    int callbackType = kNoCallback;
    int menuItem = 0;
    CtrlCallbackPtr callback = nullptr;
    void *callbackData = nullptr;
    bool dimmed = false;
    int value = 0;
    QPointer<QAction> action;
};

struct Toolbar {
    int handle = 0;
    int panel = 0;
    int menuBar = 0;
    QPointer<QToolBar> bar;
    std::vector<std::shared_ptr<ToolItem>> items;
};

std::map<int, std::unique_ptr<Toolbar>> &toolbars()
{
    static std::map<int, std::unique_ptr<Toolbar>> t;
    return t;
}

int g_nextToolbar = 1;

Toolbar *toolbar(int handle)
{
    auto it = toolbars().find(handle);
    return it == toolbars().end() || !it->second->bar ? nullptr : it->second.get();
}

ToolItem *itemAt(Toolbar *tb, int position)
{
    if (position < 1 || position > static_cast<int>(tb->items.size()))
        return nullptr;
    return tb->items[static_cast<size_t>(position - 1)].get();
}

int positionOf(Toolbar *tb, const ToolItem *item)
{
    for (size_t i = 0; i < tb->items.size(); ++i)
        if (tb->items[i].get() == item)
            return static_cast<int>(i) + 1;
    return 0;
}

// Runs an item's command as the toolbar does after a click (the toggle
// state has already flipped).
void runItem(int toolbarHandle, const ToolItem *item)
{
    Toolbar *tb = toolbar(toolbarHandle);
    if (!tb)
        return;
    const int position = positionOf(tb, item);
    if (position == 0)
        return;
    const int panelHandle = tb->panel;
    const int menuBarHandle = tb->menuBar;
    const int callbackType = item->callbackType;
    const CtrlCallbackPtr cb = item->callback;
    void *data = item->callbackData;
    const int state = item->kind == kToggleButton ? item->value : 0;
    const int menuItem = item->menuItem;
    if (callbackType == kControlCallback && cb) {
        // The callback may discard the toolbar or its panel: nothing of
        // them is touched after it returns.
        const CallbackScope scope;
        cb(panelHandle, position, EVENT_COMMIT, data, state, 0);
    } else if (callbackType == kMenuCallback) {
        fireMenu(menuBarHandle, menuItem);
    }
}

void refreshAction(ToolItem *item)
{
    if (!item->action)
        return;
    item->action->setEnabled(!item->dimmed);
    if (item->kind == kToggleButton)
        item->action->setChecked(item->value != 0);
}

} // namespace

namespace uirt
{

void discardToolbarsOf(int panelHandle)
{
    for (auto it = toolbars().begin(); it != toolbars().end();) {
        if (it->second->panel == panelHandle) {
            destroyWidget(it->second->bar);
            it = toolbars().erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace uirt

int Toolbar_New(int panelHandle, int menuBar, const char *title, int top, int left, int conformBitmapColors,
                int conformToSystem, ToolbarType *result)
{
    (void)conformBitmapColors;
    (void)conformToSystem;
    if (!result)
        return UIE_BAD_VALUE;
    *result = 0;
    Panel *p = panel(panelHandle);
    if (!p || !p->content)
        return UIE_BAD_PANEL;
    auto tb = std::make_unique<Toolbar>();
    tb->handle = g_nextToolbar++;
    tb->panel = panelHandle;
    tb->menuBar = menuBar;
    auto *bar = new QToolBar(p->content);
    bar->setWindowTitle(title ? QString::fromUtf8(title) : QString());
    bar->setAccessibleName(title && *title ? QString::fromUtf8(title) : QString("Toolbar"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(24, 24));
    bar->move(std::max(0, left), std::max(0, top));
    bar->hide();
    tb->bar = bar;
    *result = tb->handle;
    toolbars()[tb->handle] = std::move(tb);
    return 0;
}

int Toolbar_InsertItem(ToolbarType handle, int position, int itemType, int active, const char *description,
                       int callbackType, int menuItem, CtrlCallbackPtr callback, void *callbackData,
                       const char *imageFile)
{
    Toolbar *tb = toolbar(handle);
    if (!tb)
        return UIE_BAD_VALUE;
    const int count = static_cast<int>(tb->items.size());
    if (position == END_OF_LIST)
        position = count + 1;
    if (position < 1 || position > count + 1)
        return UIE_BAD_INDEX;
    if (itemType != kCommandButton && itemType != kToggleButton && itemType != kSeparator)
        return UIE_BAD_VALUE;
    if (callbackType != kNoCallback && callbackType != kControlCallback && callbackType != kMenuCallback)
        return UIE_BAD_VALUE;

    auto item = std::make_shared<ToolItem>();
    item->kind = itemType;
    item->description = description ? QString::fromUtf8(description) : QString();
    item->callbackType = itemType == kSeparator ? kNoCallback : callbackType;
    item->menuItem = menuItem;
    item->callback = callback;
    item->callbackData = callbackData;
    item->dimmed = !active;

    QAction *before =
        position <= count ? tb->items[static_cast<size_t>(position - 1)]->action.data() : nullptr;
    QAction *a = nullptr;
    if (itemType == kSeparator) {
        a = before ? tb->bar->insertSeparator(before) : tb->bar->addSeparator();
    } else {
        a = new QAction(item->description, tb->bar);
        a->setToolTip(item->description);
        a->setStatusTip(item->description);
        const QString icon = resolveImage(imageFile ? QString::fromUtf8(imageFile) : QString());
        // An icon that cannot be read leaves the item showing its text.
        if (!icon.isEmpty() && QImageReader(icon).canRead())
            a->setIcon(QIcon(icon));
        a->setCheckable(itemType == kToggleButton);
        tb->bar->insertAction(before, a);
        if (auto *button = qobject_cast<QToolButton *>(tb->bar->widgetForAction(a))) {
            button->setAccessibleName(item->description);
            // Reached with Tab like the panel's controls; a click leaves the
            // keyboard where it was.
            button->setFocusPolicy(Qt::TabFocus);
            button->setToolButtonStyle(a->icon().isNull() ? Qt::ToolButtonTextOnly : Qt::ToolButtonIconOnly);
        }
        const int tbHandle = tb->handle;
        std::weak_ptr<ToolItem> weak = item;
        QObject::connect(a, &QAction::triggered, a, [tbHandle, weak](bool checked) {
            auto it = weak.lock();
            if (!it)
                return;
            if (it->kind == kToggleButton)
                it->value = checked ? 1 : 0;
            runItem(tbHandle, it.get());
        });
    }
    item->action = a;
    refreshAction(item.get());
    tb->items.insert(tb->items.begin() + (position - 1), item);
    tb->bar->adjustSize();
    return 0;
}

int Toolbar_DimItem(ToolbarType handle, int position, int dimmed)
{
    return Toolbar_SetItemAttribute(handle, position, ATTR_TB_DIMMED, dimmed);
}

int Toolbar_SetItemAttribute(ToolbarType handle, int position, int attribute, int value)
{
    Toolbar *tb = toolbar(handle);
    if (!tb)
        return UIE_BAD_VALUE;
    ToolItem *item = itemAt(tb, position);
    if (!item)
        return UIE_BAD_INDEX;
    switch (attribute) {
    case ATTR_TB_DIMMED:
        item->dimmed = value != 0;
        break;
    case ATTR_TB_VALUE:
        if (item->kind != kToggleButton)
            return UIE_BAD_ATTRIBUTE;
        item->value = value ? 1 : 0;
        break;
    case ATTR_TB_DESCRIPTION:
    case ATTR_TB_KIND:
        return UIE_BAD_ATTRIBUTE; // read only
    default:
        return UIE_BAD_ATTRIBUTE;
    }
    refreshAction(item);
    return 0;
}

int Toolbar_GetItemAttribute(ToolbarType handle, int position, int attribute, int *value)
{
    Toolbar *tb = toolbar(handle);
    if (!tb)
        return UIE_BAD_VALUE;
    ToolItem *item = itemAt(tb, position);
    if (!item)
        return UIE_BAD_INDEX;
    if (!value)
        return UIE_BAD_VALUE;
    switch (attribute) {
    case ATTR_TB_DIMMED:
        *value = item->dimmed ? 1 : 0;
        return 0;
    case ATTR_TB_VALUE:
        *value = item->value;
        return 0;
    case ATTR_TB_KIND:
        *value = item->kind;
        return 0;
    case ATTR_TB_DESCRIPTION:
        return UIE_BAD_TYPE;
    default:
        return UIE_BAD_ATTRIBUTE;
    }
}

int Toolbar_GetItemDescription(ToolbarType handle, int position, char *description)
{
    Toolbar *tb = toolbar(handle);
    if (!tb)
        return UIE_BAD_VALUE;
    ToolItem *item = itemAt(tb, position);
    if (!item)
        return UIE_BAD_INDEX;
    if (!description)
        return UIE_BAD_VALUE;
    copyOut(item->description, description, 256);
    return 0;
}

int Toolbar_GetNumItems(ToolbarType handle, int *count)
{
    Toolbar *tb = toolbar(handle);
    if (!tb)
        return UIE_BAD_VALUE;
    if (!count)
        return UIE_BAD_VALUE;
    *count = static_cast<int>(tb->items.size());
    return 0;
}

int Toolbar_PressItem(ToolbarType handle, int position)
{
    Toolbar *tb = toolbar(handle);
    if (!tb)
        return UIE_BAD_VALUE;
    std::shared_ptr<ToolItem> item;
    if (position >= 1 && position <= static_cast<int>(tb->items.size()))
        item = tb->items[static_cast<size_t>(position - 1)];
    if (!item)
        return UIE_BAD_INDEX;
    if (item->kind == kSeparator)
        return UIE_BAD_INDEX;
    if (item->dimmed)
        return UIE_DIMMED;
    if (item->kind == kToggleButton) {
        item->value = item->value ? 0 : 1;
        refreshAction(item.get());
    }
    runItem(handle, item.get());
    return 0;
}

int Toolbar_Display(ToolbarType handle)
{
    Toolbar *tb = toolbar(handle);
    if (!tb)
        return UIE_BAD_VALUE;
    tb->bar->adjustSize();
    tb->bar->show();
    tb->bar->raise();
    return 0;
}

int Toolbar_Discard(ToolbarType handle)
{
    auto it = toolbars().find(handle);
    if (it == toolbars().end())
        return UIE_BAD_VALUE;
    destroyWidget(it->second->bar);
    toolbars().erase(it);
    return 0;
}
