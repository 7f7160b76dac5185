// Autosave: one file per slot and capture into a time-stamped run folder.
//
// The run folder is made at the first autosave of a run: the run's first
// capture, or the first capture after autosave was switched on during a run.
// The base folder is the one chosen with the folder dialog or typed into the
// panel's box; a typed folder is created when missing.
//
// When an autosave fails (a full disk, a folder that cannot be made), the
// file it was writing is removed and autosave makes no further attempt in
// that run.  The capture goes on: the status text says at once that the
// autosave failed, and the popup waits for the end of the run, since a
// popup in the middle of a continuous capture would halt it.
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "scope/scope.h"

namespace
{

int &needRunFolder = scopeState.needRunFolder;     // no folder yet for the autosaves to come
int &autoSaveFailed = scopeState.autoSaveFailed;   // no more tries in this run
int &reportedThisRun = scopeState.reportedThisRun; // a failure of this run was shown
int &lastLoop = scopeState.lastLoop;               // loop of the last autosave

const char *const kFailedStatus = "Autosave failed";

// Puts the notice of a failed autosave in the status text, shown even when
// the trigger source keeps the status hidden.
void ShowFailedStatus(void)
{
    SetCtrlVal(panelScope, SCOPE_STATUS, kFailedStatus);
    SetCtrlAttribute(panelScope, SCOPE_STATUS, ATTR_VISIBLE, 1);
}

// An autosave of this run failed: no more tries until the next run.
void Fail(void)
{
    autoSaveFailed = 1;
    ShowFailedStatus();
}

// Sets text to the formatted result; false when it does not fit.
template <typename... Args> bool Format(char *text, int size, const char *format, Args... args)
{
    const int n = std::snprintf(text, static_cast<std::size_t>(size), format, args...);
    return n >= 0 && n < size;
}

// Makes the folder at path and the missing folders above it.  Returns 0, or
// the errno of the step that failed.
int MakeFolders(const std::string &path)
{
    for (std::string::size_type at = 1; at <= path.size(); ++at) {
        if (at < path.size() && path[at] != '/')
            continue;
        const std::string part = path.substr(0, at);
        if (part.empty() || part.back() == '/')
            continue;
        if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST)
            return errno;
    }
    return 0;
}

// The base folder typed into the box (not empty), ready to hold the run
// folders: "~/" is the home folder, a relative path is taken from the
// working directory, missing folders are made.  On success
// out receives its full path; on failure why says what is wrong.
bool TypedBaseFolder(const char *typed, std::string *out, std::string *why)
{
    char cwd[1024] = "";
    std::string path = typed;
    const char *home = std::getenv("HOME");
    if ((path == "~" || path.rfind("~/", 0) == 0) && home && *home)
        path = home + path.substr(1);
    if (path[0] != '/') {
        if (GetDir(cwd) != 0) {
            *why = "the working directory cannot be read";
            return false;
        }
        path = std::string(cwd) + "/" + path;
    }
    const int made = MakeFolders(path);
    struct stat st;
    if (made != 0 || ::stat(path.c_str(), &st) != 0) {
        *why = std::strerror(made != 0 ? made : errno);
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        *why = "it is not a folder";
        return false;
    }
    if (::access(path.c_str(), W_OK | X_OK) != 0) {
        *why = std::strerror(errno);
        return false;
    }
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved))
        path = resolved;
    if (path.size() >= static_cast<std::size_t>(kAutosavePathSize) - 64) {
        *why = "its path is too long";
        return false;
    }
    *out = path;
    return true;
}

} // namespace

void Scope_AutoSaveRunEnded(void)
{
    if (!autoSaveFailed || reportedThisRun)
        return;
    reportedThisRun = 1;
    MessagePopup("Error message", "Saving File impossible");
}

const char *Scope_AutoSaveStatus(const char *text)
{
    return autoSaveFailed && isAutoSaveON ? kFailedStatus : text;
}

void DisplayMenuAutosave(int menuBar, int menuItem, void *callbackData, int panel)
{
    (void)menuBar;
    (void)menuItem;
    (void)callbackData;
    (void)panel;
    if (directory[0] == '\0') {
        char cwd[1024] = "";
        GetDir(cwd);
        Format(directory, kAutosavePathSize, "%s", cwd);
    }
    SetCtrlVal(panelAutosave, AUTOSAVE_DIRECTORY, directory);
    DisplayPanel(panelAutosave);
}

int select_directory(int panel, int control, int event, void *callbackData, int eventData1, int eventData2)
{
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event != EVENT_COMMIT)
        return 0;
    char chosen[1024] = "";
    if (DirSelectPopup(directory, "Select Directory", 1, 1, chosen) > 0 && chosen[0] != '\0')
        Format(directory, kAutosavePathSize, "%s", chosen);
    SetCtrlVal(panelAutosave, AUTOSAVE_DIRECTORY, directory);
    return 0;
}

int close_autosave(int panel, int control, int event, void *callbackData, int eventData1, int eventData2)
{
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event != EVENT_COMMIT)
        return 0;
    // A folder typed into the box is used as it is typed, made when it is
    // missing; one that cannot be used keeps the panel open with the reason,
    // and nothing of the panel is taken.  An emptied box changes nothing.
    char typed[kAutosavePathSize] = "";
    if (GetCtrlVal(panelAutosave, AUTOSAVE_DIRECTORY, typed) == 0 && typed[0] != '\0' &&
        std::strcmp(typed, directory) != 0) {
        std::string base, why;
        if (!TypedBaseFolder(typed, &base, &why)) {
            char message[kAutosavePathSize + 160];
            std::snprintf(message, sizeof message, "The folder \"%s\" cannot be used for autosave: %s.", typed,
                          why.c_str());
            MessagePopup("Error message", message);
            return 0;
        }
        Format(directory, kAutosavePathSize, "%s", base.c_str());
        needRunFolder = 1; // the run goes on in a folder of the new base
    }
    SetCtrlVal(panelAutosave, AUTOSAVE_DIRECTORY, directory);
    int on = 0;
    GetCtrlVal(panelAutosave, AUTOSAVE_SWITCH, &on);
    GetCtrlVal(panelAutosave, AUTOSAVE_FORMAT, &AutoSaveFormat);
    if (on && !isAutoSaveON)
        needRunFolder = 1;
    isAutoSaveON = on ? 1 : 0;
    HidePanel(panelAutosave);
    return 0;
}

void AutoSave(void)
{
    int month = 0, day = 0, year = 0, hours = 0, minutes = 0, seconds = 0;
    GetSystemDate(&month, &day, &year);
    GetSystemTime(&hours, &minutes, &seconds);

    const bool newRun = loop <= 1 || loop <= lastLoop;
    lastLoop = loop;
    if (newRun) {
        autoSaveFailed = 0;
        reportedThisRun = 0;
    }
    if (autoSaveFailed) {
        ShowFailedStatus();
        return;
    }
    if (newRun || needRunFolder || Dir[0] == '\0') {
        if (directory[0] == '\0') {
            char cwd[1024] = "";
            GetDir(cwd);
            Format(directory, kAutosavePathSize, "%s", cwd);
        }
        if (!Format(Dir, kAutosavePathSize, "%s/%d-%d-%d_%d-%d-%d", directory, day, month, year, hours,
                    minutes, seconds)) {
            Dir[0] = '\0';
            Fail();
            return;
        }
        // An existing folder of that name is used as it is.
        const int made = MakeDir(Dir);
        if (made != 0 && made != UIE_DIR_EXISTS) {
            Dir[0] = '\0';
            Fail();
            return;
        }
        needRunFolder = 0;
    }

    ScopeFileHeader header{};
    header.day = day;
    header.month = month;
    header.year = year;
    header.hours = hours;
    header.minutes = minutes;
    header.seconds = seconds;
    header.clockRate = iClockRate;
    header.samples = RequestedSamples;
    header.preSamples = pre_iSample;
    const int binary = AutoSaveFormat == 1;
    for (int k = 0; k < numChanIn && k < 4; ++k) {
        char name[kAutosavePathSize + 64];
        if (!Format(name, static_cast<int>(sizeof name), binary ? "%s/CH%d-%d.dat" : "%s/CH%d-%d.asc", Dir,
                    iChannel[k] + 1, loop)) {
            Fail();
            return;
        }
        // The record from its start position; one the buffers cannot hold
        // from there is saved from the trigger point.
        const int n = RequestedSamples;
        int first = iOffset;
        if (vBufferIn[k] && n > 0 && !Scope_BufferHolds(first, n) && Scope_BufferHolds(0, n))
            first = 0;
        if (!vBufferIn[k] || n <= 0 || !Scope_BufferHolds(first, n)) {
            Fail();
            return;
        }
        header.range = iRange[k];
        // A file that cannot be written whole is removed by the writer.
        if (Scope_WriteRecordFile(name, binary, header, 0, vBufferIn[k] + first, n) != 0) {
            Fail();
            return;
        }
    }
}
