// The Remote Control panel and its state file.
#include "remote/bench_remote.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "remote/bench_commands.h"
#include "scope/scope.h"
#include "ui/remote_server.h"

int panelRemote = 0;

namespace
{

const scpi::Tree &BenchTree(void)
{
    static scpi::Tree tree;
    static bool built = false;
    if (!built) {
        Remote_BuildBenchTree(tree);
        // A client may send back the largest waveform the scope records:
        // one channel streaming to RAM, as float32 samples.
        RemoteServer_SetMaxBlock(static_cast<std::size_t>(kStreamingRecordLimit) * sizeof(float));
        built = true;
    }
    return tree;
}

void ShowStatus(void)
{
    if (panelRemote <= 0)
        return;
    SetCtrlVal(panelRemote, REMOTE_CLIENTS, RemoteServer_ClientCount());
    const std::string last = "Last command: " + RemoteServer_LastCommand();
    SetCtrlVal(panelRemote, REMOTE_LAST_COMMAND, last.c_str());
    if (RemoteServer_Listening()) {
        const std::string text = "Listening on port " + std::to_string(RemoteServer_Port());
        SetCtrlVal(panelRemote, REMOTE_STATUS, text.c_str());
    }
}

RemoteState PanelState(void)
{
    RemoteState s;
    GetCtrlVal(panelRemote, REMOTE_ENABLE, &s.enabled);
    GetCtrlVal(panelRemote, REMOTE_PORT, &s.port);
    GetCtrlVal(panelRemote, REMOTE_LOCAL_ONLY, &s.localOnly);
    return s;
}

// Starts or stops the server as the panel says; a start that fails turns
// the switch back off and shows why.
void Apply(const RemoteState &s)
{
    if (!s.enabled) {
        RemoteServer_Stop();
        SetCtrlVal(panelRemote, REMOTE_STATUS, "Off");
        ShowStatus();
        return;
    }
    std::string error;
    if (RemoteServer_Start(BenchTree(), s.port, s.localOnly, &error) < 0) {
        SetCtrlVal(panelRemote, REMOTE_ENABLE, 0);
        const std::string text = "Cannot listen on port " + std::to_string(s.port) + ": " + error;
        SetCtrlVal(panelRemote, REMOTE_STATUS, text.c_str());
        return;
    }
    ShowStatus();
}

} // namespace

bool Remote_StatePath(std::string &path)
{
    char windowsDir[1100] = "";
    char systemDir[1100] = "";
    if (GetWindowsDirs(windowsDir, systemDir) != 0 || windowsDir[0] == '\0')
        return false;
    path = std::string(windowsDir) + "/" + kRemoteStateName;
    return true;
}

RemoteState Remote_ReadState(void)
{
    RemoteState s;
    std::string path;
    if (!Remote_StatePath(path))
        return s;
    std::ifstream in(path);
    std::string line;
    for (int n = 0; n < 16 && std::getline(in, line); ++n) {
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos || line.size() > 64)
            continue;
        const std::string key = line.substr(0, eq);
        char *end = nullptr;
        const long v = std::strtol(line.c_str() + eq + 1, &end, 10);
        if (end == line.c_str() + eq + 1)
            continue;
        if (key == "Enabled" && (v == 0 || v == 1))
            s.enabled = static_cast<int>(v);
        else if (key == "Port" && v >= 1 && v <= 65535)
            s.port = static_cast<int>(v);
        else if (key == "LocalOnly" && (v == 0 || v == 1))
            s.localOnly = static_cast<int>(v);
    }
    return s;
}

int Remote_WriteState(const RemoteState &s)
{
    std::string path;
    if (!Remote_StatePath(path))
        return -1;
    std::ostringstream text;
    text << "Enabled=" << s.enabled << "\nPort=" << s.port << "\nLocalOnly=" << s.localOnly << "\n";
    // Written beside and renamed, so a failed write leaves the old file.
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << text.str();
        out.flush();
        if (!out) {
            std::remove(temporary.c_str());
            return -1;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return -1;
    }
    return 0;
}

void Remote_Open(void)
{
    if (panelRemote <= 0)
        return;
    RemoteServer_SetNotify(ShowStatus);
    const RemoteState kept = Remote_ReadState();
    SetCtrlVal(panelRemote, REMOTE_PORT, kept.port);
    SetCtrlVal(panelRemote, REMOTE_LOCAL_ONLY, kept.localOnly);
    SetCtrlVal(panelRemote, REMOTE_ENABLE, kept.enabled);

    if (const char *port = std::getenv("KORVAX_REMOTE_PORT")) {
        char *end = nullptr;
        const long p = std::strtol(port, &end, 10);
        std::string error;
        if (end != port && p >= 0 && p <= 65535 && RemoteServer_Start(BenchTree(), static_cast<int>(p), 1, &error) == 0) {
            SetCtrlVal(panelRemote, REMOTE_ENABLE, 1);
            ShowStatus();
            if (const char *file = std::getenv("KORVAX_REMOTE_PORT_FILE")) {
                const std::string temporary = std::string(file) + ".tmp";
                std::ofstream(temporary) << RemoteServer_Port() << "\n";
                std::rename(temporary.c_str(), file);
            }
        } else {
            std::fprintf(stderr, "korvax-bench: cannot listen on port %s: %s\n", port, error.c_str());
        }
        return;
    }
    if (kept.enabled)
        Apply(kept);
}

void Remote_Close(void)
{
    RemoteServer_Stop();
    RemoteServer_SetNotify(nullptr);
}

void Display_Remote(int, int, void *, int)
{
    ShowStatus();
    DisplayPanel(panelRemote);
}

int Remote_Switch(int, int, int event, void *, int, int)
{
    if (event != EVENT_VAL_CHANGED)
        return 0;
    const RemoteState s = PanelState();
    Apply(s);
    Remote_WriteState(PanelState());
    return 0;
}

int Remote_Settings(int, int, int event, void *, int, int)
{
    if (event != EVENT_VAL_CHANGED)
        return 0;
    const RemoteState s = PanelState();
    // A running server moves to the new port or interface at once.
    if (s.enabled)
        Apply(s);
    Remote_WriteState(PanelState());
    return 0;
}

int Close_Remote(int panel, int, int event, void *, int, int)
{
    if (event == EVENT_COMMIT)
        HidePanel(panel);
    return 0;
}

const CallbackEntry remoteCallbackTable[] = {
    {"Display_Remote", nullptr, Display_Remote},
    {"Remote_Switch", Remote_Switch, nullptr},
    {"Remote_Settings", Remote_Settings, nullptr},
    {"Close_Remote", Close_Remote, nullptr},
};
const int remoteCallbackCount = static_cast<int>(sizeof remoteCallbackTable / sizeof remoteCallbackTable[0]);
