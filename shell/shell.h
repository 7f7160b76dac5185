// The application shell: start-up, the capture timer, exit, setup files.
#pragma once

#include <cstddef>

#include "benchstate/benchstate.h"
#include "shell/setup_format.h"

// Version text of the splash and about panels.
inline constexpr const char *kVersionText = "Version: 2.0";
// Name of the default setup file in the per-user configuration folder.
inline constexpr const char *kDefaultSetupName = "KorvaxDemo.ini";
// Name of the file that keeps the chosen theme, in the same folder.
inline constexpr const char *kThemeFileName = "KorvaxDemo.theme";

void Init_System(void);
int CaptureTimer(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
void about(int menuBar, int menuItem, void *callbackData, int panel);
int onOK_About(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int quit(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
void close(int menuBar, int menuItem, void *callbackData, int panel);

// Themes (theme.cpp).
// The theme file's path (configuration folder + "/KorvaxDemo.theme").
int Theme_FilePath(char *path, std::size_t size);
// Start-up: the theme kept in the theme file, else the desktop's; checks
// its View menu item.  Returns the theme applied.
int Bench_ApplyTheme(void);
// The user's choice: applied, checked in the View menu and written to the
// theme file.  Returns 0, or a negative code (the theme is applied even
// when the file cannot be written; a message says so).
int Bench_ChooseTheme(int theme);
void Choose_Theme(int menuBar, int menuItem, void *callbackData, int panel);
// Help > Keyboard shortcuts: every key of the bench in a message.
void Display_Shortcuts(int menuBar, int menuItem, void *callbackData, int panel);

// Setup files.
// Reads the 32 lines from the file's current position and applies them.
// Lines that do not parse leave the settings as the user set them.
// Returns the number of values stored (0 for an empty or unreadable file).
int Read_IniFile(int fileHandle);
// Reads the setup file fileName and applies it.  Only a regular file of at
// most kSetupFileLimit bytes is read, examined before anything could wait
// on it.  Returns the number of values stored, or a negative
// SetupReadStatus when the file is refused (nothing changes then).
int Setup_ReadFile(const char *fileName);
// Writes the 32 lines from the settings as held.  Returns 0, or a negative
// code when a write failed or was cut short.
int Save_IniFile(int fileHandle);
void Save_Last_Setup(void);
void Load_Setup(int menuBar, int menuItem, void *callbackData, int panel);
void Save_Setup(int menuBar, int menuItem, void *callbackData, int panel);

// The path of the file name in the configuration folder.  Returns 0, or a
// negative code when the folder is unknown or the path does not fit.
int Bench_ConfigFilePath(const char *name, char *path, std::size_t size);
// The default setup file's path (configuration folder + "/KorvaxDemo.ini").
// Returns 0, or a negative code when the folder is unknown.
int Setup_DefaultPath(char *path, std::size_t size);
// Writes values into fileName without ever leaving a partial file there:
// the text goes to a temporary file beside it ("name.XXXXXX"), which
// replaces the old file, keeping its permissions, only when every write
// and the close succeeded.  An existing file that is write-protected, or
// that is not a regular file, is left alone.  Returns 0 or a negative code.
int Setup_WriteValues(const char *fileName, const SetupValues &values);
// Setup_WriteValues with the settings as held.
int Setup_WriteFile(const char *fileName);
// The settings as held, gathered into one record / stored back from one.
void Setup_Collect(SetupValues &values);
void Setup_Store(const SetupValues &values);
// The settings as the user set them: every setting from its control (a
// change not yet taken by its instrument included), Aux_BNC as held.
// Changes nothing.
void Setup_UserValues(SetupValues &values);
// Puts the settings into their controls and applies them (reading steps
// after the parse): dims the pre-samples box, applies channels and the
// advanced scope settings, holds the record length to the limit of the
// channels and mode read and the pre-trigger samples inside the record.
void Setup_Apply(void);
// Takes every persisted setting from its control, as the exit save does
// (Aux_BNC excepted: it is written as held).
void Setup_RefreshFromControls(void);
// Takes every persisted setting from its control, Aux_BNC included: the
// settings agree with what the panels show (start-up).
void Setup_TakeAllFromControls(void);
// Start-up step: locks the configuration folder, removes the temporary
// files a killed save left there, and reads the default setup file.  When
// another instance holds the folder, says so and makes this instance's
// settings read-only (no exit save).
void Setup_OpenDefault(void);
// Advisory lock on the configuration folder, held until unlocked or the
// process ends.  Returns false when another process holds it (this
// instance is then read-only); true when held, or when the folder cannot
// be locked at all.  Locking another folder first releases the one held.
bool Setup_LockConfiguration(const char *folder);
void Setup_UnlockConfiguration(void);
// True when another instance holds the configuration folder.
bool Setup_ReadOnly(void);
// Removes "KorvaxDemo.ini.XXXXXX" files of this user from folder (what a
// killed save leaves).  Returns the number removed.
int Setup_RemoveStaleTemporaries(const char *folder);
// How the setup lines are written; tests swap in a failing writer (a full
// disk) or one that writes fewer bytes than asked (a short write).
// Defaults to WriteLine.  Returns the bytes of text written, or a
// negative code.
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
