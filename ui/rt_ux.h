// Hooks of the runtime's comfort layer: accessibility, panel layout, themes
// and keyboard shortcuts.  Internal to ui/.
#pragma once

#include <QRect>
#include <QSize>
#include <QString>

class QWidget;

namespace uirt
{

struct Panel;
struct Control;
class PanelWidget;

// Accessibility (rt_access.cpp): installs the interfaces through which the
// desktop's accessibility layer operates the runtime's switches, buttons,
// toolbar items and scroll bars exactly as a click does, and reads the
// readouts' texts.  Called once by InitRuntime.
void installAccessibility();
// The panel handle and control behind a widget on screen, or false.
bool controlOfWidget(const QObject *widget, int *panelHandle, Control **control);

// Layout (rt_layout.cpp): the panel's controls follow its size: the main
// graph takes the room, controls right of it keep to the right edge, those
// below it to the bottom.  Called by the panel widget on every resize.
void relayoutPanel(PanelWidget *content);
// The smallest size of a panel that clips nothing (also set on its widget).
QSize panelMinimum(Panel *p);
// A control's place in the panel's design coordinates (as the resource and
// the instruments see it); false when the panel has no layout yet.
bool designRect(Panel *p, Control *c, QRect *rect);
// Instruments move and size controls in design coordinates.
void setDesignRect(Panel *p, Control *c, const QRect &rect);
// Called when a panel is displayed: the first time, it takes its remembered
// or default size.
void panelDisplayed(Panel *p);
// The layout file's path, and its display options.
QString LayoutFilePath();
QString layoutOption(const QString &key);
void setLayoutOption(const QString &key, const QString &value);

} // namespace uirt
