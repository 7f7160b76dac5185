// The application shell: start-up, the capture timer, exit, setup files.
#pragma once

#include "shell/benchstate.h"

void Init_System(void);
int CaptureTimer(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
void about(int menuBar, int menuItem, void *callbackData, int panel);
int onOK_About(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int quit(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
void close(int menuBar, int menuItem, void *callbackData, int panel);

// Setup files.
int Read_IniFile(int fileHandle);
int Save_IniFile(int fileHandle);
void Save_Last_Setup(void);
void Load_Setup(int menuBar, int menuItem, void *callbackData, int panel);
void Save_Setup(int menuBar, int menuItem, void *callbackData, int panel);

// Start-up steps 2 to 8 of main without the splash wait, and the matching
// teardown: what tests use to get a whole bench without an event loop.
// Bench_Open registers every callback table, loads every panel, builds the
// toolbar and the tab sheets; returns 0 or -1 when the bench panel cannot be
// loaded.  Bench_Close discards the toolbar and the panels.
int Bench_Open(void);
void Bench_Close(void);
// Registers the callback tables of the shell and every instrument (once).
void Bench_RegisterCallbacks(void);

// Callbacks the resource file binds by name.
extern const CallbackEntry shellCallbackTable[];
extern const int shellCallbackCount;
