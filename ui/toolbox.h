// Interface instruments on top of the runtime: the toolbar, tab sheets made
// from a canvas, a graph turned into a scroll bar, and the per-user
// configuration folder.
#pragma once

#include "userint.h"

// ------------------------------------------------------------------ toolbar
enum { kCommandButton = 0, kToggleButton = 1, kSeparator = 2 };
enum { kNoCallback = 0, kControlCallback = 1, kMenuCallback = 2 };
enum { END_OF_LIST = -1 };

typedef int ToolbarType; // handle (> 0)

// Creates an empty toolbar along the top of panel.  Returns 0 and the handle
// in *toolbar, or a negative code.
int Toolbar_New(int panel, int menuBar, const char *title, int top, int left, int conformBitmapColors,
                int conformToSystem, ToolbarType *toolbar);
// Inserts an item at position (from 1, separators counted; END_OF_LIST
// appends).  Icons are read from imageFile; a path written with '\' is read
// with '/'.  A command button calls callback(panel, position, EVENT_COMMIT,
// callbackData, 0, 0); a toggle button the same with event data 1 = its new
// state.  Returns 0 or a negative code.
int Toolbar_InsertItem(ToolbarType toolbar, int position, int itemType, int active, const char *description,
                       int callbackType, int menuItem, CtrlCallbackPtr callback, void *callbackData,
                       const char *imageFile);
int Toolbar_DimItem(ToolbarType toolbar, int position, int dimmed);
int Toolbar_SetItemAttribute(ToolbarType toolbar, int position, int attribute, int value);
int Toolbar_GetItemAttribute(ToolbarType toolbar, int position, int attribute, int *value);
int Toolbar_GetItemDescription(ToolbarType toolbar, int position, char *description); // at most 256 bytes
int Toolbar_GetNumItems(ToolbarType toolbar, int *count);
// Presses an item as a user's click would (toggles flip first).  Tests, automation.
int Toolbar_PressItem(ToolbarType toolbar, int position);
int Toolbar_Display(ToolbarType toolbar);
int Toolbar_Discard(ToolbarType toolbar);

// --------------------------------------------------------------- tab sheets
// Turns a canvas control into a tab control occupying the canvas's place.
// Returns the tab control id (> 0) or a negative code.
int TabSheet_ConvertFromCanvas(int panel, int canvasCtrl);
// Loads count panels from fileName as tabs of one row, in order; their
// handles go to panelHandles.  Returns 0 or a negative code.
int TabSheet_LoadPanels(int panel, int tabCtrl, int row, const char *fileName, const int *panelResourceIds,
                        int *panelHandles, int count);
// ATTR_SHEET_VISIBLE shows or hides a tab (hiding the active tab activates
// the next visible one); ATTR_SHEET_ACTIVE 1 activates it.
int TabSheet_SetTabAttribute(int panel, int tabCtrl, int sheetPanel, int attribute, int value);
int TabSheet_GetTabAttribute(int panel, int tabCtrl, int sheetPanel, int attribute, int *value);
int TabSheet_GetActiveSheet(int panel, int tabCtrl, int *sheetPanel);

// --------------------------------------------------------------- scroll bar
// Turns a graph control into a horizontal scroll bar.  Each move is offered
// to callback(panel, graph, event 1..6, callbackData, newPosition, 0) with
// the new position held within minimum and maximum; the bar then takes it.
int ScrollBar_ConvertFromGraph(int panel, int graph, CtrlCallbackPtr callback, void *callbackData);
// Out-of-range positions, a minimum not below the maximum, a maximum not
// above the minimum, a length below 64 or a thickness below 16 are refused
// with UIE_BAD_VALUE and change nothing.
int ScrollBar_SetAttribute(int panel, int graph, int attribute, int value);
int ScrollBar_GetAttribute(int panel, int graph, int attribute, int *value);
// Sends a position event as the bar would for a user's action (tests).
int ScrollBar_Operate(int panel, int graph, int event, int requestedPosition);

// ----------------------------------------------------------------- folders
// The per-user configuration folder ($XDG_CONFIG_HOME/korvax, else
// ~/.config/korvax), created when needed, stands for the Windows directory;
// systemDir receives the same.  Each at most 1024 bytes.  Returns 0 or a
// negative code.
int GetWindowsDirs(char *windowsDir, char *systemDir);
