// Seams for tests: queued answers for popups and dialogs, a clock that tests
// advance, and a record of what the popups showed.  Nothing here blocks:
// with test mode on, a popup without a queued answer fails (the answer is
// "cancel", and TestSeam_Failures() counts it) instead of waiting for a user.
#pragma once

#include <string>
#include <vector>

class QFileDialog;

namespace testseam {

// Test mode: popups and dialogs are answered from the queues below, the
// clock is the manual clock, Delay advances it without waiting.
void Enable(bool on);
bool Enabled();

// Answers for FileSelectPopup / DirSelectPopup, in call order.  An empty
// path means "cancel".
void QueueFileAnswer(const std::string &path);
void QueueDirAnswer(const std::string &path);
// Answer for the print dialog: true prints, false cancels.
void QueuePrintAnswer(bool print);
// Popups shown so far, oldest first: "title|message" for MessagePopup,
// "file|title" / "dir|title" / "print|" for dialogs.
const std::vector<std::string> &Shown();
void ClearShown();
// Number of dialogs that found no queued answer.
int Failures();
// Clears queues, shown popups and failures.
void Reset();

// Manual clock in milliseconds (test mode only).
void SetClockMs(unsigned long long ms);
void AdvanceClockMs(unsigned long long ms);
unsigned long long ClockMs();

// Local date and time that GetSystemDate / GetSystemTime report while set
// (test mode or not), so that names built from the clock can be tested.
// Reset() clears it too.
void SetDateTime(int year, int month, int day, int hours, int minutes, int seconds);
void ClearDateTime();

// The dialogs FileSelectPopup and DirSelectPopup show outside test mode,
// built with the same arguments but not shown, so that tests can check how
// they are set up.  The caller deletes them.
QFileDialog *NewFileDialog(const char *defaultDirectory, const char *defaultFileSpec, const char *fileTypeList,
                           const char *title, int buttonLabel, int restrictExtension, int allowMakeDirectory);
QFileDialog *NewDirDialog(const char *defaultDirectory, const char *title);

// Uses a panel's close box as a user would (the window's close button):
// sends the commit of its close control, or hides the panel.  Returns 0 or
// a negative code.
int PressCloseBox(int panel);

} // namespace testseam
