// The SCPI server: a TCP listener on the UI thread that gives every
// connection its own scpi::Session over one command tree.  Commands run
// from the event loop, between capture ticks, never inside one.  At most
// scpi::kMaxClients connections; a further one is closed at once.  Off
// until started.  The only networking of the bench; no Qt in this header.
#pragma once

#include <cstddef>
#include <string>

namespace scpi
{
class Tree;
}

// Starts listening on port (0: any free port) of 127.0.0.1, or of every
// interface when localOnly is 0.  A server already listening is stopped
// first, dropping its clients.  Returns 0, or -1 with the reason in error
// (port in use, no permission...).  The tree must outlive the server.
int RemoteServer_Start(const scpi::Tree &tree, int port, int localOnly, std::string *error);
// Largest block a client may send in one message (-223 "Too much data"
// beyond it), for connections made from now on.  The bench sets the largest
// waveform its scope can record; until then the framer's default.
void RemoteServer_SetMaxBlock(std::size_t bytes);
std::size_t RemoteServer_MaxBlock(void);
// Closes the listener and every connection.
void RemoteServer_Stop(void);
int RemoteServer_Listening(void);
// The port listened on (the one chosen for port 0); 0 when not listening.
int RemoteServer_Port(void);
int RemoteServer_ClientCount(void);
// The last message received from any client (printable text, at most 80
// characters); empty before the first.
std::string RemoteServer_LastCommand(void);
// Called after a client connects or leaves and after a message arrives,
// so a panel can show the count and the last command (null: none).
void RemoteServer_SetNotify(void (*notify)(void));

// A PNG image of a panel as it is drawn now (its controls and graphs),
// for a hard copy over the network.  Returns 0, or a negative code (no such
// panel, the image could not be made).
int RemoteServer_PanelImage(int panel, std::string *png);
