// Internal interface between the runtime core (panels, controls, loader,
// events) and the graph control.  Not for instruments: they use userint.h.
#pragma once

#include <QJsonObject>
#include <QString>

#include "control_type.h"

class QWidget;

namespace uirt
{

// The widget behind a control, or nullptr for a bad handle.
QWidget *controlWidget(int panel, int control);
// The control's type name from the resource ("graph", "numeric", ...), or "".
QString controlType(int panel, int control);
// Whether the control exists and is of that type.
bool controlIs(int panel, int control, ControlType type);
// Calls a control's callback as the runtime does (panel, control, event,
// callbackData, eventData1, eventData2); returns its result, or 0 when it has
// none.  Safe when the callback discards the panel.
int fireCallback(int panel, int control, int event, int eventData1, int eventData2);
// Whether tests drive the runtime (no real waiting, no real dialogs).
bool testMode();

} // namespace uirt

namespace uigraph
{

// Builds the widget of a "graph" control from its resource description
// (cursors, axis ranges and scaling, names, colours, grid).  panel and
// control are its handles, for the callbacks it sends.
QWidget *create(QWidget *parent, int panel, int control, const QJsonObject &desc);

// Graph attributes (ATTR_XAXIS_GAIN ... ATTR_SMOOTH_UPDATE) that
// Set/GetCtrlAttribute pass on for graph controls.  Return 0 or a UIE_* code.
int setAttribute(QWidget *graph, int attribute, double value);
int setAttribute(QWidget *graph, int attribute, const char *value);
int getAttribute(QWidget *graph, int attribute, double *value);
int getAttribute(QWidget *graph, int attribute, char *value);

} // namespace uigraph
