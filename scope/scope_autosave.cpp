// Autosave: one file per slot and capture into a time-stamped run folder.
//
// The run folder is made at the first autosave of a run: the run's first
// capture, or the first capture after autosave was switched on during a run.
// A file that cannot be written is skipped; the capture goes on, and the
// failure is reported once per run.
#include <cstring>

#include "scope/scope.h"

namespace
{

int &needRunFolder = scopeState.needRunFolder;     // no folder yet for the autosaves to come
int &reportedThisRun = scopeState.reportedThisRun; // a failure of this run was shown
int &lastLoop = scopeState.lastLoop;               // loop of the last autosave

void ReportOnce(void)
{
    if (reportedThisRun)
        return;
    reportedThisRun = 1;
    MessagePopup("Error message", "Saving File impossible");
}

// Sets text to the formatted result; false when it does not fit.
template <typename... Args> bool Format(char *text, int size, const char *format, Args... args)
{
    const int n = std::snprintf(text, static_cast<std::size_t>(size), format, args...);
    return n >= 0 && n < size;
}

} // namespace

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
    if (newRun)
        reportedThisRun = 0;
    if (newRun || needRunFolder || Dir[0] == '\0') {
        if (directory[0] == '\0') {
            char cwd[1024] = "";
            GetDir(cwd);
            Format(directory, kAutosavePathSize, "%s", cwd);
        }
        if (!Format(Dir, kAutosavePathSize, "%s/%d-%d-%d_%d-%d-%d", directory, day, month, year, hours,
                    minutes, seconds)) {
            Dir[0] = '\0';
            ReportOnce();
            return;
        }
        MakeDir(Dir); // an existing folder of that name is used as it is
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
            ReportOnce();
            continue;
        }
        // The record from its start position; one the buffers cannot hold
        // from there is saved from the trigger point.
        const int n = RequestedSamples;
        int first = iOffset;
        if (vBufferIn[k] && n > 0 && !Scope_BufferHolds(first, n) && Scope_BufferHolds(0, n))
            first = 0;
        if (!vBufferIn[k] || n <= 0 || !Scope_BufferHolds(first, n)) {
            ReportOnce();
            continue;
        }
        header.range = iRange[k];
        if (Scope_WriteRecordFile(name, binary, header, 0, vBufferIn[k] + first, n) != 0)
            ReportOnce();
    }
}
