// CSV log of the measurement table: a header naming each measurement with
// its source and unit, then one row per capture with a time stamp and the
// values in plain SI units (an empty field for a value that could not be
// made).  Every write is checked; a failure closes the log, turns the switch
// off and says why.
#include <cerrno>
#include <cmath>
#include <cstring>

#include "scope/scope.h"

namespace
{

const char *BaseUnit(int type)
{
    switch (type) {
    case MEAS_FREQUENCY:
        return "Hz";
    case MEAS_PERIOD:
    case MEAS_POSITIVE_WIDTH:
    case MEAS_NEGATIVE_WIDTH:
    case MEAS_RISE_TIME:
    case MEAS_FALL_TIME:
        return "s";
    case MEAS_POSITIVE_DUTY:
    case MEAS_NEGATIVE_DUTY:
    case MEAS_OVERSHOOT:
    case MEAS_PRESHOOT:
        return "%";
    case MEAS_RISING_EDGES:
    case MEAS_FALLING_EDGES:
        return "count";
    default:
        return "V";
    }
}

void ShowLogState(const char *text)
{
    SetCtrlVal(panelScope, SCOPE_MEAS_LOG, scopeMeasure.log ? 1 : 0);
    SetCtrlVal(panelScope, SCOPE_MEAS_LOG_FILE, text);
    SetCtrlAttribute(panelScope, SCOPE_MEAS_ADD, ATTR_DIMMED,
                     (scopeMeasure.log || static_cast<int>(scopeMeasure.rows.size()) >= kMaxMeasurements) ? 1 : 0);
    SetCtrlAttribute(panelScope, SCOPE_MEAS_REMOVE, ATTR_DIMMED,
                     (scopeMeasure.log || scopeMeasure.rows.empty()) ? 1 : 0);
}

// Closes the log after a failed write and reports it once.
void FailLog(const char *what, int error)
{
    std::fclose(scopeMeasure.log);
    scopeMeasure.log = nullptr;
    char message[1400];
    std::snprintf(message, sizeof message, "The measurement log %s could not be written (%s: %s); logging stopped.",
                  scopeMeasure.logPath.c_str(), what, error ? std::strerror(error) : "write failed");
    ShowLogState("Log failed");
    MessagePopup("Error message", message);
}

bool WriteText(const std::string &line)
{
    errno = 0;
    if (std::fwrite(line.data(), 1, line.size(), scopeMeasure.log) != line.size() ||
        std::fflush(scopeMeasure.log) != 0) {
        FailLog("write", errno);
        return false;
    }
    return true;
}

} // namespace

int Scope_StartMeasurementLog(void)
{
    if (scopeMeasure.log)
        return 0;
    if (scopeMeasure.rows.empty()) {
        MessagePopup("Error message", "Add a measurement to the table before logging it.");
        ShowLogState("");
        return -1;
    }
    char path[1024] = "";
    const int chosen = FileSelectPopup("", "measurements.csv", "*.csv", "Log measurements to", VAL_SAVE_BUTTON, 0, 0,
                                       1, 1, path);
    if (chosen == VAL_NO_FILE_SELECTED || path[0] == '\0') {
        ShowLogState("");
        return -1;
    }
    errno = 0;
    std::FILE *f = std::fopen(path, "wb");
    if (!f) {
        char message[1400];
        std::snprintf(message, sizeof message, "The measurement log %s cannot be created: %s", path,
                      std::strerror(errno));
        ShowLogState("");
        MessagePopup("Error message", message);
        return -1;
    }
    scopeMeasure.log = f;
    scopeMeasure.logPath = path;
    scopeMeasure.logStartMs = GetTickCount();
    scopeMeasure.logRows = 0;
    std::string header = "Time,Elapsed (s)";
    for (const ScopeMeasurement &m : scopeMeasure.rows) {
        header += ',';
        header += Scope_MeasurementName(m.type);
        header += ' ';
        header += Scope_SourceName(m.source);
        header += " (";
        header += BaseUnit(m.type);
        header += ')';
    }
    header += "\r\n";
    if (!WriteText(header))
        return -1;
    const char *name = std::strrchr(path, '/');
    ShowLogState(name ? name + 1 : path);
    return 0;
}

void Scope_StopMeasurementLog(void)
{
    if (!scopeMeasure.log)
        return;
    errno = 0;
    const int rc = std::fclose(scopeMeasure.log);
    scopeMeasure.log = nullptr;
    if (rc != 0) {
        char message[1400];
        std::snprintf(message, sizeof message, "The measurement log %s could not be completed: %s",
                      scopeMeasure.logPath.c_str(), std::strerror(errno));
        ShowLogState("Log failed");
        MessagePopup("Error message", message);
        return;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%d rows logged", scopeMeasure.logRows);
    ShowLogState(text);
}

void Scope_WriteMeasurementLogRow(void)
{
    if (!scopeMeasure.log)
        return;
    int month = 0, day = 0, year = 0, hours = 0, minutes = 0, seconds = 0;
    GetSystemDate(&month, &day, &year);
    GetSystemTime(&hours, &minutes, &seconds);
    const unsigned int elapsedMs = GetTickCount() - scopeMeasure.logStartMs;
    char stamp[96];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d,%.3f", year, month, day, hours, minutes,
                  seconds, elapsedMs / 1000.0);
    std::string line = stamp;
    for (const ScopeMeasurement &m : scopeMeasure.rows) {
        line += ',';
        if (std::isfinite(m.value)) {
            char v[40];
            std::snprintf(v, sizeof v, "%.9g", m.value);
            line += v;
        }
    }
    line += "\r\n";
    if (WriteText(line))
        ++scopeMeasure.logRows;
}

int Meas_Log(int panel, int control, int event, void *callbackData, int eventData1, int eventData2)
{
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event != EVENT_COMMIT)
        return 0;
    int on = 0;
    GetCtrlVal(panelScope, SCOPE_MEAS_LOG, &on);
    if (on)
        Scope_StartMeasurementLog();
    else
        Scope_StopMeasurementLog();
    return 0;
}
