// The scope's keyboard: each key runs the command its toolbar item or
// control runs (the toolbar item pressed, the control operated), so a key
// and a click can never disagree; a dimmed item refuses its key as it
// refuses a click.  Arrow keys move the active measurement cursor (or the
// spectrum cursor) as a drag does; "0" shows the whole record.
#include <algorithm>
#include <cmath>
#include <iterator>
#include <string>

#include "scope/scope.h"
#include "ui/comfort.h"

namespace
{

enum KeyCommand {
    kKeyRunStop = 1,
    kKeyOneShot,
    kKeyZoomIn,
    kKeyZoomOut,
    kKeyResetPosition,
    kKeyFft,
    kKeyCursor1,
    kKeyCursor2,
    kKeyLeft,
    kKeyRight,
    kKeyLeftDivision,
    kKeyRightDivision,
    kKeySave,
    kKeyPrint,
    kKeyFitRecord,
    kKeyAutoset,
};

constexpr int kDivisions = 10; // horizontal divisions of the scope graphs

// Moves the active cursor by steps (positive: right) as a mouse drag does.
void MoveCursor(int direction, bool division)
{
    if (isFFT_On) {
        const int bins = std::max(1, Scroll_Thumb_Size / 2);
        double x = 0, y = 0;
        GetGraphCursor(panelScope, SCOPE_FFTGRAPH, 1, &x, &y);
        const int step = division ? std::max(1, bins / kDivisions) : 1;
        const double nx = std::clamp(std::round(x) + direction * step, 0.0, double(bins - 1));
        DragGraphCursor(panelScope, SCOPE_FFTGRAPH, 1, nx, y, 1);
        return;
    }
    int active = 0;
    GetActiveGraphCursor(panelScope, SCOPE_TIMEGRAPH, &active);
    if (!((active == 1 && Cursor1) || (active == 2 && Cursor2)))
        active = Cursor1 ? 1 : Cursor2 ? 2 : 0;
    if (active == 0 || Scroll_Thumb_Size <= 0)
        return;
    double x = 0, y = 0;
    GetGraphCursor(panelScope, SCOPE_TIMEGRAPH, active, &x, &y);
    const int step = division ? std::max(1, Scroll_Thumb_Size / kDivisions) : 1;
    const double nx = std::clamp(std::round(x) + direction * step, 0.0, double(Scroll_Thumb_Size - 1));
    DragGraphCursor(panelScope, SCOPE_TIMEGRAPH, active, nx, y, 1);
}

int ScopeKey(int, int, int event, void *callbackData, int, int)
{
    if (event != EVENT_COMMIT)
        return 0;
    switch (static_cast<int>(reinterpret_cast<intptr_t>(callbackData))) {
    case kKeyRunStop:
        Toolbar_PressItem(Toolbar, isScopeStartOn && isScopeContOn ? kToolbarStop : kToolbarContinuous);
        break;
    case kKeyOneShot:
        Toolbar_PressItem(Toolbar, kToolbarOneShot);
        break;
    case kKeyZoomIn:
        Toolbar_PressItem(Toolbar, kToolbarZoomIn);
        break;
    case kKeyZoomOut:
        Toolbar_PressItem(Toolbar, kToolbarZoomOut);
        break;
    case kKeyResetPosition:
        OperateCtrl(panelScope, SCOPE_RESET_POSITION, 0);
        break;
    case kKeyFft: {
        int on = 0;
        GetCtrlVal(panelScope, SCOPE_FFT_SWITCH, &on);
        OperateCtrl(panelScope, SCOPE_FFT_SWITCH, on ? 0 : 1);
        break;
    }
    case kKeyCursor1:
        Toolbar_PressItem(Toolbar, kToolbarCursor1);
        break;
    case kKeyCursor2:
        Toolbar_PressItem(Toolbar, kToolbarCursor2);
        break;
    case kKeyLeft:
        MoveCursor(-1, false);
        break;
    case kKeyRight:
        MoveCursor(1, false);
        break;
    case kKeyLeftDivision:
        MoveCursor(-1, true);
        break;
    case kKeyRightDivision:
        MoveCursor(1, true);
        break;
    case kKeySave:
        Toolbar_PressItem(Toolbar, kToolbarSave);
        break;
    case kKeyPrint:
        Toolbar_PressItem(Toolbar, kToolbarPrint);
        break;
    case kKeyFitRecord:
        Toolbar_PressItem(Toolbar, kToolbarFitRecord);
        break;
    case kKeyAutoset:
        Toolbar_PressItem(Toolbar, kToolbarAutoset);
        break;
    default:
        break;
    }
    return 0;
}

struct KeyEntry {
    const char *keys;
    int command;
};

// In the order the Help menu lists them; keys of one command stay together.
const KeyEntry kKeys[] = {
    {"Space", kKeyRunStop},
    {"S", kKeyOneShot},
    {"Return", kKeyOneShot},
    {"+", kKeyZoomIn},
    {"=", kKeyZoomIn},
    {"-", kKeyZoomOut},
    {"0", kKeyFitRecord},
    {"A", kKeyAutoset},
    {"Home", kKeyResetPosition},
    {"F", kKeyFft},
    {"1", kKeyCursor1},
    {"2", kKeyCursor2},
    {"Left", kKeyLeft},
    {"Right", kKeyRight},
    {"Shift+Left", kKeyLeftDivision},
    {"Shift+Right", kKeyRightDivision},
    {"Ctrl+S", kKeySave},
    {"Ctrl+P", kKeyPrint},
};

const char *CommandName(int command)
{
    switch (command) {
    case kKeyRunStop:
        return "Continuous Mode, or Stop while running continuously";
    case kKeyOneShot:
        return "One Shot";
    case kKeyZoomIn:
        return "Zoom In";
    case kKeyZoomOut:
        return "Zoom Out";
    case kKeyFitRecord:
        return "Fit record: the whole record in one window";
    case kKeyAutoset:
        return "Autoset";
    case kKeyResetPosition:
        return "Reset Position (offset markers)";
    case kKeyFft:
        return "Spectrum view (FFT) on or off";
    case kKeyCursor1:
        return "Cursor1 on or off";
    case kKeyCursor2:
        return "Cursor2 on or off";
    case kKeyLeft:
        return "Active cursor one sample left (spectrum view: one bin)";
    case kKeyRight:
        return "Active cursor one sample right (spectrum view: one bin)";
    case kKeyLeftDivision:
        return "Active cursor one division left";
    case kKeyRightDivision:
        return "Active cursor one division right";
    case kKeySave:
        return "Save";
    case kKeyPrint:
        return "Print Waveform";
    default:
        return "";
    }
}

// Keys as a user reads them on the keyboard.
std::string KeyText(const char *keys)
{
    const std::string k = keys;
    return k == "Return" ? "Enter" : k;
}

} // namespace

int Scope_FitRecord(void)
{
    const int n = isStreamingRAMOn ? Scroll_Max : RequestedSamples;
    if (n <= 0)
        return -1;
    const bool plotted = Scroll_Thumb_Size > 0;
    ZoomFactor = 1.0;
    Scroll_Value = 0;
    Scroll_Thumb_Size = n;
    ScrollBar_SetAttribute(panelScope, SCOPE_SCROLLBAR, ATTR_SB_VIEW_SIZE, n);
    ScrollBar_SetAttribute(panelScope, SCOPE_SCROLLBAR, ATTR_SB_VALUE, 0);
    Scope_SetXAxisOffsets();
    // Before the first record there is nothing to draw; the next capture
    // shows the whole record.
    if (!plotted)
        return 0;
    DeleteGraphPlot(panelScope, SCOPE_TIMEGRAPH, -1, VAL_DELAYED_DRAW);
    DeleteGraphPlot(panelScope, SCOPE_FFTGRAPH, -1, VAL_DELAYED_DRAW);
    Scope_PlotWindow(1);
    RefreshGraph(panelScope, SCOPE_TIMEGRAPH);
    RefreshGraph(panelScope, SCOPE_FFTGRAPH);
    Plot_Cursor_Measurement();
    return 0;
}

int ScopeFitRecord(int, int, int event, void *, int, int)
{
    if (event == EVENT_COMMIT)
        Scope_FitRecord();
    return 0;
}

std::string Scope_ShortcutsText(void)
{
    std::string text;
    for (size_t i = 0; i < std::size(kKeys);) {
        const int command = kKeys[i].command;
        std::string keys = KeyText(kKeys[i].keys);
        for (++i; i < std::size(kKeys) && kKeys[i].command == command; ++i)
            keys += " or " + KeyText(kKeys[i].keys);
        text += keys + ": " + CommandName(command) + "\n";
    }
    text += "F1: About (from every window of the bench)\n";
    text += "Tab or Shift+Tab: the next or the previous control\n";
    return text;
}

void Scope_InstallKeys(void)
{
    for (const KeyEntry &k : kKeys)
        SetPanelKey(panelScope, k.keys, ScopeKey, reinterpret_cast<void *>(static_cast<intptr_t>(k.command)));
    SetToolbarKeyHint(panelScope, "Print Waveform", "Ctrl+P");
    SetToolbarKeyHint(panelScope, "Save", "Ctrl+S");
    SetToolbarKeyHint(panelScope, "One Shot", "S");
    SetToolbarKeyHint(panelScope, "Continuous Mode", "Space");
    SetToolbarKeyHint(panelScope, "Stop", "Space");
    SetToolbarKeyHint(panelScope, "Zoom In", "+");
    SetToolbarKeyHint(panelScope, "Zoom Out", "-");
    SetToolbarKeyHint(panelScope, "Cursor1", "1");
    SetToolbarKeyHint(panelScope, "Cursor2", "2");
    SetToolbarKeyHint(panelScope, "Autoset", "A");
    SetToolbarKeyHint(panelScope, "Fit record", "0");
    SetCtrlKeyHint(panelScope, SCOPE_RESET_POSITION, "Home");
    SetCtrlKeyHint(panelScope, SCOPE_FFT_SWITCH, "F");
    const int menuBar = GetPanelMenuBar(panelBench);
    if (menuBar > 0)
        SetMenuItemKey(menuBar, MENUBAR_HELP_ABOUT, "F1");
}
