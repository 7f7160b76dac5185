// Panel places and sizes, keyboard commands and the light and dark themes: the
// comfort layer of the runtime.  Like userint.h, nothing of Qt shows here.
#pragma once

#include "userint.h"

// ------------------------------------------------------------ panel places
// Gives a panel its remembered place and size, or its default size for the
// screen it is on (done by DisplayPanel the first time; tests call it).
int PlacePanel(int panel);
// The smallest size at which none of the panel's controls is clipped.
int GetPanelMinimumSize(int panel, int *height, int *width);
// The small file of panel places, sizes and display options, beside the
// setup file ("KorvaxDemo.layout" in the configuration folder).  The bench
// writes it at exit; a line that does not parse is passed over.
int ReadLayoutFile(const char *path);
int WriteLayoutFile(const char *path);

// ---------------------------------------------------------------- keyboard
// Binds keys (portable text: "Space", "S", "Ctrl+S", "Shift+Right", "F1")
// to a command of a panel: callback(panel, 0, EVENT_COMMIT, callbackData,
// 0, 0) runs when the keys reach the panel unused by the focused control.
// Binding the same keys again replaces the command.
int SetPanelKey(int panel, const char *keys, CtrlCallbackPtr callback, void *callbackData);
// Presses keys as the keyboard does: to the panel's focused control, rising
// to the panel when unused.  Returns 1 when something took the key, else 0.
int PressPanelKey(int panel, const char *keys);
// A menu item's keys (the bench's windows all answer them).
int SetMenuItemKey(int menuBar, int menuItem, const char *keys);
// Shows keys in the tooltip of a control or of a toolbar item (named by its
// description).
int SetCtrlKeyHint(int panel, int control, const char *keys);
int SetToolbarKeyHint(int panel, const char *itemDescription, const char *keys);

// ------------------------------------------------------------------ themes
// Light or dark windows, panels, controls and text.  Graphs keep their own
// plot-area colour in both; their margins and axes follow the theme.
enum { THEME_LIGHT = 0, THEME_DARK = 1 };
// The theme the desktop prefers: its colour scheme when the platform says,
// else the lightness of the default palette's window colour.
int GetDesktopTheme(void);
// Applies a theme to every window of the bench, and those made later.
int SetBenchTheme(int theme);
// The theme applied (before any: the one the palette shows).
int GetBenchTheme(void);
// The small file that keeps the chosen theme: one word, "light" or "dark".
// Read returns the theme, or a negative code when the file is missing,
// unreadable or says something else.
int ReadThemeFile(const char *path);
int WriteThemeFile(const char *path, int theme);
