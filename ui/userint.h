// Desktop runtime of the bench: panels, controls, graphs, timers, menus,
// popups, printing, time and text files.  Instruments call only these
// operations; behind the integer handles live Qt widgets, but nothing of Qt
// shows through this header.
//
// Conventions
// - Handles (panels, menu bars, plots) are positive ints; a negative result
//   is an error code (UIE_*).
// - Control ids and panel resource ids come from the header generated from
//   resources/benchDemo.uir (benchDemo.h).
// - Callbacks have the signature (panel, control, event, callbackData,
//   eventData1, eventData2) and return 0; menu commands take (menuBar, item,
//   callbackData, panel).
#pragma once

#include <cstddef>

// ---------------------------------------------------------------- events
enum {
    EVENT_NONE = 0,
    EVENT_COMMIT = 1,
    EVENT_VAL_CHANGED = 2,
    EVENT_LEFT_CLICK = 3,
    EVENT_GOT_FOCUS = 4,
    EVENT_LOST_FOCUS = 5,
    EVENT_CLOSE = 6,
    EVENT_PANEL_SIZE = 7,
    EVENT_TIMER_TICK = 15,
    EVENT_DISCARD = 16,
};

// Position events of the graph scroll bar (event data 1 = new position).
enum {
    SB_EVENT_LINE_BACK = 1,    // one step back
    SB_EVENT_LINE_FORWARD = 2, // one step forward
    SB_EVENT_PAGE_BACK = 3,    // one thumb size back
    SB_EVENT_PAGE_FORWARD = 4, // one thumb size forward
    SB_EVENT_JUMP = 5,         // a jump (keyboard home/end) or a thumb drag
    SB_EVENT_END = 6,          // the position at the end of a mouse action
};

// ---------------------------------------------------------------- errors
enum {
    UIE_NO_ERROR = 0,
    UIE_NOT_INITIALISED = -1,
    UIE_BAD_PANEL = -2,
    UIE_BAD_CONTROL = -3,
    UIE_BAD_ATTRIBUTE = -4,
    UIE_BAD_VALUE = -5,
    UIE_BAD_TYPE = -6,
    UIE_FILE_NOT_FOUND = -7,
    UIE_BAD_RESOURCE = -8,
    UIE_UNKNOWN_CALLBACK = -9,
    UIE_BAD_INDEX = -10,
    UIE_BAD_PLOT = -11,
    UIE_BAD_CURSOR = -12,
    UIE_BAD_MENU = -13,
    UIE_IO_ERROR = -14,
    UIE_OUT_OF_MEMORY = -15,
    UIE_NO_TEST_ANSWER = -16,
};
enum {
    // The control, menu item or toolbar item is dimmed or display-only: a
    // user cannot operate it (OperateCtrl, ActivateMenuItem, Toolbar_PressItem).
    UIE_DIMMED = -17,
    // MakeDir: the folder exists already (other failures give UIE_IO_ERROR).
    UIE_DIR_EXISTS = -9,
};

// ------------------------------------------------------------ attributes
enum {
    // panels
    ATTR_TITLE = 100,            // const char *
    ATTR_CLOSE_CTRL,             // int: control whose commit the close box sends (0 = none)
    ATTR_WIDTH,                  // int, pixels
    ATTR_HEIGHT,                 // int, pixels
    ATTR_TOP,                    // int
    ATTR_LEFT,                   // int
    ATTR_VISIBLE,                // int 0/1 (panels and controls)
    ATTR_ACTIVATE_WHEN_CLICKED_ON, // int (kept for completeness; no effect)

    // controls
    ATTR_DIMMED = 200,           // int 0/1 (controls and menu items)
    ATTR_CTRL_MODE,              // VAL_HOT, VAL_NORMAL (operable) or VAL_INDICATOR (display-only)
    ATTR_LABEL_TEXT,             // const char *
    ATTR_MAX_VALUE,              // numeric controls, in the control's data type (int or double)
    ATTR_MIN_VALUE,
    ATTR_DFLT_VALUE,
    ATTR_DATA_TYPE,              // read only: VAL_INTEGER, VAL_DOUBLE, VAL_STRING ...
    ATTR_CTRL_VAL,               // same as Get/SetCtrlVal
    ATTR_TEXT_COLOR,             // int RGB
    ATTR_ENABLED,                // timer controls: int 0/1
    ATTR_INTERVAL,               // timer controls: double seconds
    ATTR_CHECKED,                // menu items: int 0/1

    // graphs
    ATTR_XAXIS_GAIN = 300,       // double: labels read gain * x + offset
    ATTR_XAXIS_OFFSET,           // double
    ATTR_YAXIS_GAIN,             // double
    ATTR_YAXIS_OFFSET,           // double
    ATTR_XNAME,                  // const char *
    ATTR_YNAME,                  // const char *
    ATTR_NUM_CURSORS,            // int, read only (from the resource)
    ATTR_ACTIVE_CURSOR,          // int
    ATTR_GRID_VISIBLE,           // int 0/1 (x and y grid)
    ATTR_GRAPH_BGCOLOR,          // int RGB
    ATTR_NUM_PLOTS,              // int, read only
    ATTR_REFRESH_GRAPH,          // int 0/1: 1 redraws after every change (default 0: deferred)
    ATTR_EDGE_STYLE,             // int: the display option switched off at start-up (frame)
    ATTR_SMOOTH_UPDATE,          // int 0/1

    // graph cursors (SetCursorAttribute / GetCursorAttribute)
    ATTR_CURSOR_MODE = 400,      // VAL_FREE_FORM or VAL_SNAP_TO_POINT
    ATTR_CROSS_HAIR_STYLE,       // VAL_LONG_CROSS, VAL_VERTICAL_LINE, VAL_HORIZONTAL_LINE, VAL_NO_CROSS
    ATTR_CURSOR_COLOR,           // int RGB
    ATTR_CURSOR_ENABLED,         // int 0/1: shown and draggable
    ATTR_CURSOR_POINT_STYLE,     // int (kept for completeness)
    ATTR_CURSOR_LINE_STYLE,      // VAL_SOLID, VAL_DASH or VAL_DOT: the pen of the cursor's lines
    ATTR_CURSOR_MARKER,          // int: a letter drawn in a small tag at the top edge of the plot
                                 // area, on the cursor's vertical line (0: none)

    // print options (SetPrintAttribute)
    ATTR_PRINT_OUTPUT_FILE = 500, // const char *: "" prints to the printer, a path prints to a PDF file
    ATTR_PRINT_ORIENTATION,       // VAL_PORTRAIT / VAL_LANDSCAPE
    ATTR_PRINT_SCALE_TO_PAGE,     // int 0/1

    // tab sheets
    ATTR_SHEET_VISIBLE = 600,     // int 0/1: show or hide a tab
    ATTR_SHEET_ACTIVE,            // int 0/1: read; 1 makes the sheet active

    // scroll bar (ScrollBar_SetAttribute / ScrollBar_GetAttribute)
    ATTR_SB_VALUE = 700,
    ATTR_SB_VIEW_SIZE,            // thumb size in positions
    ATTR_SB_MIN,
    ATTR_SB_MAX,
    ATTR_SB_LENGTH,               // pixels, at least 64
    ATTR_SB_THICKNESS,            // pixels, at least 16
    ATTR_SB_PROP_THUMB,           // int 0/1: thumb proportional to view size / range

    // toolbar items (Toolbar_SetItemAttribute / Toolbar_GetItemAttribute)
    ATTR_TB_DIMMED = 800,
    ATTR_TB_VALUE,                // toggle state 0/1
    ATTR_TB_DESCRIPTION,          // const char * (read)
    ATTR_TB_KIND,                 // kCommandButton, kToggleButton or kSeparator (read)
};

// values
enum {
    VAL_NORMAL = 0,
    VAL_HOT = 1,
    VAL_INDICATOR = 2,

    VAL_FREE_FORM = 0,
    VAL_SNAP_TO_POINT = 1,

    VAL_NO_CROSS = 0,
    VAL_LONG_CROSS = 1,
    VAL_VERTICAL_LINE = 2,
    VAL_HORIZONTAL_LINE = 3,

    VAL_MANUAL = 0,
    VAL_AUTOSCALE = 1,
    VAL_LOCK = 2,

    VAL_LEFT_YAXIS = 0,
    VAL_RIGHT_YAXIS = 1,
    VAL_BOTTOM_XAXIS = 2,
    VAL_XAXIS = 2,

    VAL_THIN_LINE = 0,
    VAL_CONNECTED_POINTS = 1,
    VAL_SCATTER = 2,
    VAL_FAT_LINE = 3,
    VAL_VERTICAL_BAR = 4,

    VAL_NO_POINT = 0,
    VAL_SIMPLE_DOT = 1,
    VAL_SOLID_SQUARE = 2,

    VAL_SOLID = 0,
    VAL_DASH = 1,
    VAL_DOT = 2,

    VAL_IMMEDIATE_DRAW = 0,
    VAL_DELAYED_DRAW = 1,
    VAL_NO_DRAW = 2,

    VAL_PORTRAIT = 0,
    VAL_LANDSCAPE = 1,

    VAL_FULL_PANEL = 0,
    VAL_VISIBLE_AREA = 1,

    VAL_LOAD_BUTTON = 0,
    VAL_SAVE_BUTTON = 1,
    VAL_SELECT_BUTTON = 2,
    VAL_OK_BUTTON = 3,

    VAL_NO_FILE_SELECTED = 0,
    VAL_EXISTING_FILE_SELECTED = 1,
    VAL_NEW_FILE_SELECTED = 2,
    VAL_DIRECTORY_SELECTED = 3,

    VAL_DEFAULT_CURSOR = 0,
    VAL_HOUR_GLASS_CURSOR = 1,
};

// data types of plots, controls and list values
enum {
    VAL_CHAR = 0,
    VAL_INTEGER = 1,
    VAL_SHORT_INTEGER = 2,
    VAL_FLOAT = 3,
    VAL_DOUBLE = 4,
    VAL_STRING = 5,
    VAL_UNSIGNED_SHORT_INTEGER = 6,
    VAL_UNSIGNED_INTEGER = 7,
    VAL_UNSIGNED_CHAR = 8,
    VAL_NO_TYPE = 9,
};

// colours (RGB)
enum : int {
    VAL_BLACK = 0x000000,
    VAL_WHITE = 0xFFFFFF,
    VAL_RED = 0xFF0000,
    VAL_GREEN = 0x00FF00,
    VAL_BLUE = 0x0000FF,
    VAL_YELLOW = 0xFFFF00,
    VAL_CYAN = 0x00FFFF,
    VAL_MAGENTA = 0xFF00FF,
    VAL_GRAY = 0x808080,
    VAL_DK_GRAY = 0x404040,
    VAL_LT_GRAY = 0xC0C0C0,
};

// text files
enum {
    VAL_READ_ONLY = 1,
    VAL_WRITE_ONLY = 2,
    VAL_READ_WRITE = 3,

    VAL_TRUNCATE = 0,
    VAL_APPEND = 1,
    VAL_OPEN_AS_IS = 2,

    VAL_ASCII = 0,
    VAL_BINARY = 1,
};

// ------------------------------------------------------------- callbacks
typedef int (*CtrlCallbackPtr)(int panel, int control, int event, void *callbackData, int eventData1,
                               int eventData2);
typedef void (*MenuCallbackPtr)(int menuBar, int menuItem, void *callbackData, int panel);

// One entry of the program's table of exported functions: the resource file
// names callbacks, LoadPanel binds them through these tables.  Exactly one of
// ctrl and menu is set.
struct CallbackEntry {
    const char *name;
    CtrlCallbackPtr ctrl;
    MenuCallbackPtr menu;
};

// Registers a table; tables add up.  Returns 0, or UIE_BAD_VALUE for a name
// already registered (the first one stays).
int RegisterCallbackTable(const CallbackEntry *entries, int count);
// Forgets every registered table (tests).
void ClearCallbackTables(void);

// Checks a resource file against the registered tables: every callback name
// the file binds must resolve, no name may be registered twice, and every
// registered entry must be used by the file.  Writes one line per problem into
// report (NUL-terminated, cut to reportSize) and returns the number of problems
// (negative on a file that cannot be read).
int CheckResourceCallbacks(const char *fileName, char *report, int reportSize);

// ------------------------------------------------------------- life cycle
// Returns 1 on success, 0 on failure (as the start-up expects).
int InitRuntime(int argc, char **argv);
int RunUserInterface(void);            // returns the code given to QuitUserInterface
int QuitUserInterface(int code);
int ProcessDrawEvents(void);
int ProcessSystemEvents(void);
// Runs fn(data) on the user-interface thread from the event loop, after the
// events already waiting.  May be called from any thread; a worker hands its
// result back this way.  Returns 0, or UIE_NOT_INITIALISED before the
// runtime starts (fn is then not called).
typedef void (*DeferredCallbackPtr)(void *callbackData);
int PostDeferredCall(DeferredCallbackPtr fn, void *callbackData);
int SetMouseCursor(int cursorStyle);

// ----------------------------------------------------------------- panels
// parent 0 = top-level window; otherwise a child that lives inside the
// parent's window.  fileName is searched beside the executable, then in the
// source tree's resources folder.  Returns the panel handle or a negative code.
int LoadPanel(int parentPanel, const char *fileName, int panelResourceId);
int DisplayPanel(int panel);
int HidePanel(int panel);
int DiscardPanel(int panel);            // discards its child panels too
int GetActivePanel(void);
int SetActivePanel(int panel);
int SetPanelAttribute(int panel, int attribute, int value);
int SetPanelAttribute(int panel, int attribute, const char *value);
int GetPanelAttribute(int panel, int attribute, int *value);
int GetPanelAttribute(int panel, int attribute, char *value); // strings: at most 256 bytes
int GetScreenSize(int *height, int *width);
int SetPanelSize(int panel, int height, int width);
int SetPanelPos(int panel, int top, int left);
int GetPanelMenuBar(int panel);
int GetPanelParent(int panel);          // 0 for a top-level panel

// ------------------------------------------------------------------- menus
int SetMenuBarAttribute(int menuBar, int menuItem, int attribute, int value);
int GetMenuBarAttribute(int menuBar, int menuItem, int attribute, int *value);
// Runs a menu item's command as a click would (tests, automation).
int ActivateMenuItem(int menuBar, int menuItem);

// ---------------------------------------------------------------- controls
// Values in the control's data type.  Numeric controls hold their value
// between their minimum and maximum: an out-of-range value is clamped
// silently.  A ring's value is its selected item's value.  Setting a value
// never calls the control's callback.
int SetCtrlVal(int panel, int control, int value);
int SetCtrlVal(int panel, int control, double value);
int SetCtrlVal(int panel, int control, const char *value);
int GetCtrlVal(int panel, int control, int *value);
int GetCtrlVal(int panel, int control, short *value);
int GetCtrlVal(int panel, int control, unsigned short *value);
int GetCtrlVal(int panel, int control, double *value);
int GetCtrlVal(int panel, int control, char *value); // strings: at most 1024 bytes
int SetCtrlAttribute(int panel, int control, int attribute, int value);
int SetCtrlAttribute(int panel, int control, int attribute, double value);
int SetCtrlAttribute(int panel, int control, int attribute, const char *value);
int GetCtrlAttribute(int panel, int control, int attribute, int *value);
int GetCtrlAttribute(int panel, int control, int attribute, double *value);
int GetCtrlAttribute(int panel, int control, int attribute, char *value);
int SetActiveCtrl(int panel, int control);
int GetActiveCtrl(int panel);

// Rings (and list controls).  index -1 appends.
int InsertListItem(int panel, int control, int index, const char *label, int value);
int InsertListItem(int panel, int control, int index, const char *label, double value);
int DeleteListItem(int panel, int control, int index, int count); // count -1: to the end
int ClearListCtrl(int panel, int control);
int SetCtrlIndex(int panel, int control, int index);
int GetCtrlIndex(int panel, int control, int *index);
int GetNumListItems(int panel, int control, int *count);
int GetLabelFromIndex(int panel, int control, int index, char *label); // at most 256 bytes
int GetValueFromIndex(int panel, int control, int index, int *value);
int GetValueFromIndex(int panel, int control, int index, double *value);
int GetIndexFromValue(int panel, int control, int *index, int value);
int GetIndexFromValue(int panel, int control, int *index, double value);

// Tables ("table" controls): rows x columns of text cells under column
// headers.  Rows and columns count from 1.  The control's value (Get/SetCtrlVal,
// OperateCtrl) is the selected row, 0 for none; a user's selection sends value
// changed then commit.  Cells are filled by code only.  index -1 appends;
// count -1 deletes to the end.  Bad indices give UIE_BAD_INDEX, a control of
// another type UIE_BAD_TYPE.
int SetTableCellVal(int panel, int control, int row, int column, const char *value);
int GetTableCellVal(int panel, int control, int row, int column, char *value); // at most 1024 bytes
int SetTableCellTextColor(int panel, int control, int row, int column, int color);
int SetTableCellToolTip(int panel, int control, int row, int column, const char *text);
int InsertTableRows(int panel, int control, int index, int count);
int DeleteTableRows(int panel, int control, int index, int count);
int GetNumTableRows(int panel, int control, int *rows);
int GetNumTableColumns(int panel, int control, int *columns);
int InsertTableColumns(int panel, int control, int index, int count, const char *label);
int DeleteTableColumns(int panel, int control, int index, int count);
int SetTableColumnLabel(int panel, int control, int column, const char *label);
int GetTableColumnLabel(int panel, int control, int column, char *label); // at most 256 bytes
int SetTableColumnWidth(int panel, int control, int column, int width);
int SetTableRowLabel(int panel, int control, int row, const char *label);

// Operates a control as a user would: sets the value (clamped) and calls the
// control's callback with the events a user's action sends (value changed,
// then commit; command buttons send commit only).  For tests and automation.
int OperateCtrl(int panel, int control, int value);
int OperateCtrl(int panel, int control, double value);
int OperateCtrl(int panel, int control, const char *value);
// Sends one event to a control's callback as the runtime would.
int CallCtrlCallback(int panel, int control, int event, int eventData1, int eventData2);

// ------------------------------------------------------------------ graphs
// Plotting stores data; the screen is redrawn at RefreshGraph (or by the
// event loop when ATTR_REFRESH_GRAPH is 1).  A plot keeps one copy of its y
// values as doubles.  Returns a plot handle (> 0) or a negative code.
int PlotY(int panel, int control, const void *yArray, int numberOfPoints, int yDataType, int plotStyle,
          int pointStyle, int lineStyle, int pointFrequency, int color);
int PlotWaveform(int panel, int control, const void *waveformArray, int numberOfPoints, int dataType,
                 double yGain, double yOffset, double initialX, double xIncrement, int plotStyle,
                 int pointStyle, int lineStyle, int pointFrequency, int color);
// y against x: the line through the points (x[i], y[i]) in their order
// (only the points with VAL_SCATTER); a NaN in either array breaks the
// line.  The plot keeps one copy of each array as doubles.
int PlotXY(int panel, int control, const void *xArray, const void *yArray, int numberOfPoints, int xDataType,
           int yDataType, int plotStyle, int pointStyle, int lineStyle, int pointFrequency, int color);
int DeleteGraphPlot(int panel, int control, int plotHandle, int refreshMode); // plotHandle -1: all
int RefreshGraph(int panel, int control);
int SetAxisScalingMode(int panel, int control, int axis, int axisScaling, double min, double max);
int GetAxisScalingMode(int panel, int control, int axis, int *axisScaling, double *min, double *max);
// Number of points a plot holds, and a copy of its y values after gain and
// offset (tests, printing).  values may be null to ask only for the count.
int GetPlotData(int panel, int control, int plotHandle, double *values, int maxValues, int *count);
// The same for the x values: those of an XY plot, else each point's x.
int GetPlotXData(int panel, int control, int plotHandle, double *values, int maxValues, int *count);

// Graph cursors are numbered from 1 to ATTR_NUM_CURSORS of the graph.  In
// snap mode a cursor sits on a point of its snap plot (SetGraphCursorIndex);
// without one it snaps to the nearest point of the newest plot.  Dragging a
// cursor sends EVENT_VAL_CHANGED to the graph's callback while it moves
// (event data 1 = cursor number) and EVENT_COMMIT when it is released.
int SetGraphCursor(int panel, int control, int cursorNumber, double x, double y);
int GetGraphCursor(int panel, int control, int cursorNumber, double *x, double *y);
int SetCursorAttribute(int panel, int control, int cursorNumber, int attribute, int value);
int GetCursorAttribute(int panel, int control, int cursorNumber, int attribute, int *value);
int SetActiveGraphCursor(int panel, int control, int cursorNumber);
int GetActiveGraphCursor(int panel, int control, int *cursorNumber);
int SetGraphCursorIndex(int panel, int control, int cursorNumber, int plotHandle, int arrayIndex);
int GetGraphCursorIndex(int panel, int control, int cursorNumber, int *plotHandle, int *arrayIndex);
// Moves a cursor as a mouse drag would, with the events a drag sends
// (tests, automation).  release = 1 ends the drag with a commit.
int DragGraphCursor(int panel, int control, int cursorNumber, double x, double y, int release);

// ---------------------------------------------------------------- printing
int SetPrintAttribute(int attribute, int value);
int SetPrintAttribute(int attribute, const char *value);
// The same under its other name.
int SetPrintAttributeEx(int attribute, int value);
int SetPrintAttributeEx(int attribute, const char *value);
// Prints a panel.  fileName "" or null prints to the printer; a path writes a
// PDF file.  interactive 1 shows the print dialog (answered from the test
// queue in tests).  Returns 0, or a negative code (cancelled: UIE_NO_ERROR is
// not returned, the result is 1).
int PrintPanel(int panel, const char *fileName, int scaling, int area, int interactive);

// ------------------------------------------------------------ popups, dirs
int MessagePopup(const char *title, const char *message);
// Returns VAL_NO_FILE_SELECTED (0) when cancelled, else VAL_EXISTING_FILE_SELECTED
// or VAL_NEW_FILE_SELECTED and the chosen path in pathName (at most 1024 bytes).
int FileSelectPopup(const char *defaultDirectory, const char *defaultFileSpec, const char *fileTypeList,
                    const char *title, int buttonLabel, int restrictDirectory, int restrictExtension,
                    int allowCancel, int allowMakeDirectory, char *pathName);
// Returns VAL_NO_FILE_SELECTED (0) when cancelled, else VAL_DIRECTORY_SELECTED.
int DirSelectPopup(const char *defaultDirectory, const char *title, int allowCancel,
                   int allowMakeDirectory, char *pathName);
int GetDir(char *directoryName);         // current working directory, at most 1024 bytes
int SetDir(const char *directoryName);
int MakeDir(const char *directoryName);  // 0, or a negative code (UIE_IO_ERROR; exists: -9 too)
int GetSystemDate(int *month, int *day, int *year);
int GetSystemTime(int *hours, int *minutes, int *seconds);

// ------------------------------------------------------------ time, clock
// Milliseconds of the monotonic clock (wraps as a 32-bit count does).
unsigned int GetTickCount(void);
double Timer(void);                      // seconds of the same clock
int Delay(double seconds);               // waits, processing events

// ------------------------------------------------------------- text files
// OpenFile returns a handle (> 0) or -1.  ScanFile reads one line per call
// (without its CR LF / LF) into line (at most lineSize - 1 bytes, the rest of
// an overlong line is passed over) and returns the number of bytes stored,
// or -1 at the end of the file.  WriteLine writes the text and CR LF (text
// mode on the bench's files) and returns the bytes written or a negative code.
int OpenFile(const char *fileName, int readWrite, int action, int fileType);
int CloseFile(int fileHandle);           // 0, or a negative code when data could not be written
int WriteLine(int fileHandle, const char *text, int numberOfBytes); // -1: up to the NUL
int ReadLine(int fileHandle, char *line, int lineSize);
int ScanFile(int fileHandle, char *line, int lineSize);
int WriteFile(int fileHandle, const char *buffer, int count);
int ReadFile(int fileHandle, char *buffer, int count);
