// The application shell: start-up, the capture timer, exit, setup files.
#pragma once

#include <cstddef>

#include "shell/benchstate.h"
#include "shell/setup_format.h"

// Version text of the splash and about panels.
inline constexpr const char *kVersionText = "Version: 2.0";
// Name of the default setup file in the per-user configuration folder.
inline constexpr const char *kDefaultSetupName = "KorvaxDemo.ini";

void Init_System(void);
int CaptureTimer(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
void about(int menuBar, int menuItem, void *callbackData, int panel);
int onOK_About(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int quit(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
void close(int menuBar, int menuItem, void *callbackData, int panel);

// Setup files.
// Reads the 32 lines from the file's current position and applies them.
// Returns the number of values stored (0 for an empty or unreadable file).
int Read_IniFile(int fileHandle);
// Writes the 32 lines.  Returns 0, or a negative code when a write failed.
int Save_IniFile(int fileHandle);
void Save_Last_Setup(void);
void Load_Setup(int menuBar, int menuItem, void *callbackData, int panel);
void Save_Setup(int menuBar, int menuItem, void *callbackData, int panel);

// The default setup file's path (configuration folder + "/KorvaxDemo.ini").
// Returns 0, or a negative code when the folder is unknown.
int Setup_DefaultPath(char *path, std::size_t size);
// Writes the settings as held into fileName without ever leaving a partial
// file there: the text goes to a temporary file beside it, which replaces
// the old file only when every write and the close succeeded.  An existing
// file that is write-protected is left alone.  Returns 0 or a negative code.
int Setup_WriteFile(const char *fileName);
// The settings as held, gathered into one record / stored back from one.
void Setup_Collect(SetupValues &values);
void Setup_Store(const SetupValues &values);
// Puts the settings into their controls and applies them (reading steps
// after the parse): dims the pre-samples box, applies channels and the
// advanced scope settings.
void Setup_Apply(void);
// Takes every persisted setting from its control, as the exit save does
// (Aux_BNC excepted: it is written as held).
void Setup_RefreshFromControls(void);
// How Save_IniFile writes a line; tests swap in a failing writer to
// simulate a full disk.  Defaults to WriteLine.
extern int (*setupWriteLine)(int fileHandle, const char *text, int numberOfBytes);

// Start-up steps 2 to 8 of main without the splash wait, and the matching
// teardown: what tests use to get a whole bench without an event loop.
// Bench_Open registers every callback table, loads every panel, builds the
// toolbar and the tab sheets; returns 0 or -1 when the bench panel cannot be
// loaded.  Bench_Close discards the toolbar and the panels.
int Bench_Open(void);
void Bench_Close(void);
// The two halves of Bench_Open, between which main shows the splash panel
// for a second: loading the bench and splash panels (steps 2-3; 0 or -1),
// then the other panels, the toolbar and the tab sheets (steps 5-8).
int Bench_OpenMain(void);
void Bench_OpenInstruments(void);
// Registers the callback tables of the shell and every instrument (once).
void Bench_RegisterCallbacks(void);
// The whole program as main runs it (start-up, event loop, teardown).
// Returns main's exit code.
int Bench_Main(int argc, char **argv);
// Called by Bench_Main after each of its start-up steps 3 to 12 with the
// step's number (null: nothing is called).  Lets tests watch the start-up
// order and drive the event loop.
extern void (*benchStartupHook)(int step);

// The routines the capture timer dispatches to, in dispatch order.  They
// default to the instruments' routines; tests may swap in their own.
struct CaptureRoutines {
    void (*normalCapture)(void);
    void (*streamingCapture)(void);
    void (*digitalCapture)(void);
    void (*refreshDigitalGraph)(void);
    void (*probeCalCapture)(void);
};
extern CaptureRoutines captureRoutines;
extern const CaptureRoutines kDefaultCaptureRoutines;

// Callbacks the resource file binds by name.
extern const CallbackEntry shellCallbackTable[];
extern const int shellCallbackCount;
