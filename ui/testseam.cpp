// Test seams: queued dialog answers, the record of popups, the manual clock
// and a settable date and time.
#include "testseam.h"

#include <deque>

#include "rt_core.h"

namespace testseam
{

namespace
{

struct State {
    bool enabled = false;
    std::deque<std::string> files;
    std::deque<std::string> dirs;
    std::deque<bool> prints;
    std::vector<std::string> shown;
    int failures = 0;
    unsigned long long clockMs = 0;
    bool dateSet = false;
    int date[6] = {0, 0, 0, 0, 0, 0};
};

State &state()
{
    static State s;
    return s;
}

} // namespace

void Enable(bool on)
{
    state().enabled = on;
}
bool Enabled()
{
    return state().enabled;
}

void QueueFileAnswer(const std::string &path)
{
    state().files.push_back(path);
}
void QueueDirAnswer(const std::string &path)
{
    state().dirs.push_back(path);
}
void QueuePrintAnswer(bool print)
{
    state().prints.push_back(print);
}
const std::vector<std::string> &Shown()
{
    return state().shown;
}
void ClearShown()
{
    state().shown.clear();
}
int Failures()
{
    return state().failures;
}

void Reset()
{
    State &s = state();
    s.files.clear();
    s.dirs.clear();
    s.prints.clear();
    s.shown.clear();
    s.failures = 0;
    s.dateSet = false;
}

void SetClockMs(unsigned long long ms)
{
    state().clockMs = ms;
}
void AdvanceClockMs(unsigned long long ms)
{
    state().clockMs += ms;
}
unsigned long long ClockMs()
{
    return state().clockMs;
}

void SetDateTime(int year, int month, int day, int hours, int minutes, int seconds)
{
    State &s = state();
    s.dateSet = true;
    const int v[6] = {year, month, day, hours, minutes, seconds};
    for (int i = 0; i < 6; ++i)
        s.date[i] = v[i];
}

void ClearDateTime()
{
    state().dateSet = false;
}

int PressCloseBox(int panel)
{
    return uirt::pressCloseBox(panel);
}

} // namespace testseam

// Internal access for the runtime's popups, dialogs and clock.
namespace uirt
{

void recordShown(const std::string &what)
{
    testseam::state().shown.push_back(what);
}

bool takeFileAnswer(std::string *path)
{
    auto &q = testseam::state().files;
    if (q.empty()) {
        testseam::state().failures++;
        return false;
    }
    *path = q.front();
    q.pop_front();
    return true;
}

bool takeDirAnswer(std::string *path)
{
    auto &q = testseam::state().dirs;
    if (q.empty()) {
        testseam::state().failures++;
        return false;
    }
    *path = q.front();
    q.pop_front();
    return true;
}

bool takePrintAnswer(bool *print)
{
    auto &q = testseam::state().prints;
    if (q.empty()) {
        testseam::state().failures++;
        return false;
    }
    *print = q.front();
    q.pop_front();
    return true;
}

bool testDateTime(int *v6)
{
    if (!testseam::state().dateSet)
        return false;
    for (int i = 0; i < 6; ++i)
        v6[i] = testseam::state().date[i];
    return true;
}

} // namespace uirt
