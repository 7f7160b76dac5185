// The Remote Control instrument: the panel (Settings > Remote Control...)
// that turns the SCPI server on and off, its port and "Local only", the
// count of connected clients and the last command; its state kept in its
// own file beside the setup file in the configuration folder
// (kRemoteStateName), never in the setup file.
#pragma once

#include <string>

#include "benchstate/benchstate.h"

inline constexpr const char *kRemoteStateName = "KorvaxRemote.ini";
inline constexpr int kRemoteDefaultPort = 5025;

extern int panelRemote;

struct RemoteState {
    int enabled = 0;
    int port = kRemoteDefaultPort;
    int localOnly = 1;
};

// The state file's path in the configuration folder; false when the folder
// is unknown.
bool Remote_StatePath(std::string &path);
// Reads the state file (missing or damaged lines keep their defaults).
RemoteState Remote_ReadState(void);
// Writes the state file.  Returns 0, or -1 when it could not be written.
int Remote_WriteState(const RemoteState &state);

// Start-up: puts the kept state into the panel and starts the server when
// it was on.  Environment for tests only: KORVAX_REMOTE_PORT starts the
// server on that port of 127.0.0.1 (0: any free port) without touching the
// state file, and KORVAX_REMOTE_PORT_FILE receives the port listened on.
void Remote_Open(void);
// Teardown: stops the server.
void Remote_Close(void);

// Callbacks the resource file binds by name.
void Display_Remote(int menuBar, int menuItem, void *callbackData, int panel);
int Remote_Switch(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Remote_Settings(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Close_Remote(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
extern const CallbackEntry remoteCallbackTable[];
extern const int remoteCallbackCount;
