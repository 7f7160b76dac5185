// Runtime core: the registries behind the integer handles (panels, controls,
// menu bars) and the helpers the runtime's source files share.  Internal to
// ui/; instruments use userint.h.
#pragma once

#include <QJsonObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "control_type.h"
#include "userint.h"

class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QTimer;
class QAction;
class QMenu;
class QMenuBar;
class QTabWidget;
class QScrollBar;
class QComboBox;

namespace uirt
{

// Widget of a panel: controls sit at absolute positions; a top-level panel
// with child panels also holds an MDI area below its own controls.
class PanelWidget : public QWidget
{
  public:
    explicit PanelWidget(QWidget *parent = nullptr);
    QSize sizeHint() const override { return preferred; }
    QSize preferred;
    QMdiArea *mdi = nullptr;
    int mdiTop = 0;
    void layoutMdi();

  protected:
    void resizeEvent(QResizeEvent *event) override;
    // Tab and Shift+Tab go through the panel's tab chain (rt_taborder.cpp).
    bool focusNextPrevChild(bool next) override;
};

struct ScrollBarState;

struct Control {
    int id = 0;
    ControlType type =
        ControlType::Canvas; // parsed from the resource (Tab once a canvas became a tab control)
    QString name;            // constant name in the resource
    QJsonObject desc;
    QPointer<QWidget> widget; // the control's own widget (graphs: the graph widget)
    QPointer<QWidget> shown;  // the widget on screen (differs for a graph turned into a scroll bar)
    QPointer<QLabel> label;   // caption above the control, when it has one
    QPointer<QTimer> timer;   // timer controls
    QString labelText;
    int dataType =
        VAL_NO_TYPE; // VAL_INTEGER, VAL_SHORT_INTEGER, VAL_UNSIGNED_SHORT_INTEGER, VAL_DOUBLE, VAL_STRING
    int mode = VAL_HOT;
    bool dimmed = false;
    QString callbackName;
    CtrlCallbackPtr callback = nullptr;
    void *callbackData = nullptr;
    // numeric
    double value = 0.0;
    double minimum = 0.0, maximum = 0.0, deflt = 0.0;
    int precision = 0;
    // binary, checkbox, toggle, led
    int state = 0;
    QString onText, offText;
    int onColor = 0x00C000, offColor = 0x404040;
    int textColor = VAL_BLACK;
    bool textColorSet = false;
    // timer
    double interval = 1.0;
    bool enabled = false;
    // tab control: sheet panels in tab order
    std::vector<int> sheets;
    // graph turned into a scroll bar
    std::shared_ptr<ScrollBarState> scrollBar;
};

struct Panel {
    int handle = 0;
    int resourceId = 0;
    int parent = 0;
    int tabHost = 0; // control id of the parent's tab control when this panel is a tab sheet
    QString fileName;
    QString name;
    QString title;
    QPointer<PanelWidget> content; // holds the controls
    QPointer<QWidget> frame;       // the widget shown and hidden (window, MDI sub-window or content)
    QPointer<QMdiSubWindow> sub;   // child panels of a top-level panel
    // A child panel of a top-level panel gets its MDI sub-window the first
    // time its frame is needed (frameOf): until then its controls wait,
    // hidden, in the parent's MDI area, so a panel never shown costs no
    // sub-window (by far the dearest part of loading it).
    bool subPending = false;
    QPoint subPos; // where the sub-window goes in the MDI area
    int closeCtrl = 0;
    int menuBar = 0;
    int activeCtrl = 0;
    int activateWhenClickedOn = 1;
    std::map<int, std::unique_ptr<Control>> controls;
    std::vector<int> children;
};

struct MenuEntry {
    int id = 0;
    bool isMenu = false;
    bool separator = false;
    int parentMenu = 0; // id of the menu holding an item
    QString name;
    QString callbackName;
    MenuCallbackPtr callback = nullptr;
    void *callbackData = nullptr;
    QPointer<QAction> action;
};

struct MenuBarRec {
    int handle = 0;
    int panel = 0;
    QPointer<QMenuBar> bar;
    std::map<int, MenuEntry> entries;
};

// ---- registries
Panel *panel(int handle);
Control *control(int panel, int control);
Control *control(Panel *p, int control);
// The control, or nullptr with err set to UIE_BAD_PANEL or UIE_BAD_CONTROL.
Control *lookupControl(int panel, int control, int *err);
MenuBarRec *menuBar(int handle);
std::map<int, std::unique_ptr<Panel>> &panels();
std::map<int, std::unique_ptr<MenuBarRec>> &menuBars();
int newPanelHandle();
int newMenuBarHandle();
bool initialised();

// ---- callbacks
const CallbackEntry *findCallback(const QString &name);
int fireMenu(int menuBar, int item);
// Depth of callbacks running now: widgets are then deleted later, never
// under the feet of the signal that called the callback.
int callbackDepth();
// Marks a callback running for as long as it lives.
struct CallbackScope {
    CallbackScope();
    ~CallbackScope();
    CallbackScope(const CallbackScope &) = delete;
    CallbackScope &operator=(const CallbackScope &) = delete;
};
void destroyWidget(QWidget *widget);
// The panel's frame (window, MDI sub-window or content), the sub-window of a
// child panel made on first use; null for no panel.
QWidget *frameOf(Panel *p);

// ---- active panel tracking
void setActivePanelHandle(int panel);
int activePanelHandle();

// ---- resources
// Finds a resource file (absolute; beside the executable; the source tree's
// resources folder).  Returns "" when not found.
QString resolveResource(const QString &fileName);
// Parsed resource, cached per file; err receives UIE_FILE_NOT_FOUND or UIE_BAD_RESOURCE.
const QJsonObject *resourceRoot(const QString &path, int *err);
// Finds an image by a relative path written with '\' or '/': working folder,
// executable's folder, the source tree's resources folder.
QString resolveImage(const QString &file);

// Builds a panel (used by LoadPanel and the tab sheets).  tabHost: control of
// the parent that hosts the panel as a tab sheet, or 0.
int loadPanel(int parent, const char *fileName, int resourceId, int tabHost);
// Makes a control's widget from its resource description (rt_builders.cpp);
// nullptr for a timer, which has none.
QWidget *buildControl(Panel *p, Control *c);
// A timer control's interval in whole milliseconds, at least 1.
int timerMilliseconds(double seconds);
// Limits of a control's data type (integers: the C type's; otherwise none).
void typeLimits(int dataType, double *lo, double *hi);
void applyControlMode(Control *c);
// Text colour and the display-only look.
void applyPalette(Control *c);
// Shows the control's held value (numeric, switch texts, LED) on its widget.
void syncWidget(Control *c);
void applyDimmed(Control *c);
void updateAccessible(Control *c);
int discardPanel(int handle);
// The window's close box: commit of the close control, or hide.
int pressCloseBox(int panel);

// Values (rt_controls.cpp): numbers for numerics, rings and switches (rounded
// and clamped as the control's type asks), texts for text controls.
int setNumber(Control *c, double v, bool fromInteger);
int getNumber(Control *c, double *v);
int setText(Control *c, const char *value);
QString getText(Control *c);
// Index of the ring item holding value (doubles compare within a relative
// 1e-9), or -1.
int ringIndexOfValue(QComboBox *box, double value);
// Table controls (rt_table.cpp): the widget, and the selected row (1-based,
// 0 for none) as the control's value.
QWidget *buildTable(QWidget *parent, Control *c, int panelHandle);
int tableSetRow(Control *c, double row);
int tableGetRow(Control *c, double *row);

// The widgets Tab visits on a panel, in order: the toolbar items (at the
// panel's top edge), then the controls in the order of the resource file,
// a tab control as its tab bar followed by the controls of its sheets.  Not
// every one takes the focus now (hidden, dimmed, display-only).
std::vector<QWidget *> tabChain(Panel *p);
// Whether Tab stops at the widget now.
bool takesTabFocus(const QWidget *w);

// Toolbars die with their panel.
void discardToolbarsOf(int panel);

// ---- strings into caller buffers: copies at most size-1 bytes and a NUL.
void copyOut(const QString &text, char *out, int size);
void copyOut(const std::string &text, char *out, int size);

// ---- test seams (testseam.cpp): false when no answer is queued (counted as a failure)
void recordShown(const std::string &what);
bool takeFileAnswer(std::string *path);
bool takeDirAnswer(std::string *path);
bool takePrintAnswer(bool *print);
// Year, month, day, hours, minutes, seconds set by a test, if any.
bool testDateTime(int *v6);

// Colour helpers ("#RRGGBB" or int).
int colourFromJson(const QJsonValue &v, int fallback);

} // namespace uirt
