// The measurement table under the time graph: up to eight measurements,
// each of a channel or a math trace, with this capture's value and the
// minimum, maximum, mean, standard deviation and count over the captures
// since the last reset.  A measurement that cannot be made shows a dash and
// the reason, never an old value.  "Gate" measures only the samples between
// cursors 1 and 2.
#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/errors.h"
#include "analysis/pulse.h"
#include "scope/scope.h"
#include "scope/scope_data.h"

ScopeMeasureState scopeMeasure;

namespace
{

constexpr const char *kDash = "\xE2\x80\x94"; // em dash
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

enum Unit { kHertz, kSeconds, kVolts, kPercent, kCount };

struct TypeInfo {
    const char *name;
    Unit unit;
};

const TypeInfo kTypes[MEAS_TYPE_COUNT] = {
    {"Frequency", kHertz},     {"Period", kSeconds},       {"+Width", kSeconds},     {"-Width", kSeconds},
    {"+Duty", kPercent},       {"-Duty", kPercent},        {"Rise time", kSeconds},  {"Fall time", kSeconds},
    {"Overshoot", kPercent},   {"Preshoot", kPercent},     {"Top", kVolts},          {"Base", kVolts},
    {"Amplitude", kVolts},     {"Cycle RMS", kVolts},      {"Cycle mean", kVolts},   {"Rising edges", kCount},
    {"Falling edges", kCount}, {"Maximum", kVolts},        {"Minimum", kVolts},      {"Peak-peak", kVolts},
    {"Mean", kVolts},          {"RMS", kVolts},
};

const char *const kSourceNames[kMeasSources] = {"CH1", "CH2", "CH3", "CH4", "MATH1", "MATH2"};

const char *UnitText(Unit u)
{
    switch (u) {
    case kHertz:
        return "Hz";
    case kSeconds:
        return "s";
    case kVolts:
        return "V";
    default:
        return "";
    }
}

// Results of one source in one capture, shared by the rows measuring it.
struct SourceResult {
    bool done = false;
    int status = 0;
    std::string reason; // set when the record itself is missing
    PulseMeasurements pulse{};
    double maximum = kNaN, minimum = kNaN, mean = kNaN, rms = kNaN;
    bool flat = false; // amplitude below the smallest one worth timing
};

// Smallest amplitude the timing measurements accept: a tenth of a division
// at the source's vertical scale.  Below it the "edges" are the noise of a
// flat signal (a DC level with acquisition noise would otherwise read as a
// frequency of the noise).
constexpr double kMinimumDivisions = 0.1;

double UnitsPerDivision(int source)
{
    if (source >= kMeasSourceMath1 && source < kMeasSources) {
        const double s = scopeMeasure.math[source - kMeasSourceMath1].scale;
        return s > 0.0 ? s : 1.0;
    }
    for (int k = 0; k < numChanIn && k < 4; ++k)
        if (iChannel[k] == source && VerticalScale[k] > 0.0)
            return 1.0 / VerticalScale[k];
    return 1.0;
}

bool NeedsEdges(int type)
{
    return type <= MEAS_PRESHOOT || (type >= MEAS_CYCLE_RMS && type <= MEAS_FALLING_EDGES);
}

// The stretch of the record the measurements read: the whole record, or
// the samples between cursors 1 and 2 with the gate on.
bool GateRange(int n, int *first, int *count, std::string *reason)
{
    *first = 0;
    *count = n;
    if (!scopeMeasure.gate)
        return true;
    if (!Cursor1 || !Cursor2) {
        *reason = "gate: turn cursors 1 and 2 on";
        return false;
    }
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    GetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 1, &x1, &y1);
    GetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 2, &x2, &y2);
    // Cursor positions are window indices; the record starts Scroll_Value
    // samples before the window.
    double a = std::floor(std::min(x1, x2)) + Scroll_Value;
    double b = std::floor(std::max(x1, x2)) + Scroll_Value;
    a = std::max(a, 0.0);
    b = std::min(b, static_cast<double>(n - 1));
    if (!(b - a >= 1.0)) {
        *reason = "gate: fewer than 2 samples between the cursors";
        return false;
    }
    *first = static_cast<int>(a);
    *count = static_cast<int>(b - a) + 1;
    return true;
}

void Measure(int source, SourceResult *r)
{
    r->done = true;
    int n = 0;
    const double *record = Scope_SourceRecord(source, &n, &r->reason);
    if (!record)
        return;
    int first = 0, count = 0;
    if (!GateRange(n, &first, &count, &r->reason))
        return;
    const double *x = record + first;
    r->status = PulseMeasure(x, count, Scope_RecordInterval(), &r->pulse);
    if (r->status < 0 && r->status != -20104) {
        r->reason = GetAnalysisErrorString(r->status);
        return;
    }
    r->flat = !(r->pulse.amplitude >= kMinimumDivisions * UnitsPerDivision(source));
    double sum = 0.0, squares = 0.0, mx = -INFINITY, mn = INFINITY;
    int finite = 0;
    for (int i = 0; i < count; ++i) {
        const double v = x[i];
        if (!std::isfinite(v))
            continue;
        ++finite;
        sum += v;
        squares += v * v;
        mx = std::max(mx, v);
        mn = std::min(mn, v);
    }
    if (finite > 0) {
        r->maximum = mx;
        r->minimum = mn;
        r->mean = sum / finite;
        r->rms = std::sqrt(squares / finite);
    }
}

// This capture's value of a row; NaN with a reason when it cannot be made.
double ValueOf(int type, const SourceResult &r, std::string *reason)
{
    if (!r.reason.empty()) {
        *reason = r.reason;
        return kNaN;
    }
    if (r.status < 0 && r.status != -20104) {
        *reason = GetAnalysisErrorString(r.status);
        return kNaN;
    }
    if (r.flat && NeedsEdges(type)) {
        *reason = "no edges: the amplitude is below 0.1 division";
        return kNaN;
    }
    const PulseMeasurements &p = r.pulse;
    double v = kNaN;
    switch (type) {
    case MEAS_FREQUENCY: v = p.frequency; break;
    case MEAS_PERIOD: v = p.period; break;
    case MEAS_POSITIVE_WIDTH: v = p.positiveWidth; break;
    case MEAS_NEGATIVE_WIDTH: v = p.negativeWidth; break;
    case MEAS_POSITIVE_DUTY: v = p.positiveDuty; break;
    case MEAS_NEGATIVE_DUTY: v = p.negativeDuty; break;
    case MEAS_RISE_TIME: v = p.riseTime; break;
    case MEAS_FALL_TIME: v = p.fallTime; break;
    case MEAS_OVERSHOOT: v = p.overshoot; break;
    case MEAS_PRESHOOT: v = p.preshoot; break;
    case MEAS_TOP: v = p.top; break;
    case MEAS_BASE: v = p.base; break;
    case MEAS_AMPLITUDE: v = p.amplitude; break;
    case MEAS_CYCLE_RMS: v = p.cycleRms; break;
    case MEAS_CYCLE_MEAN: v = p.cycleMean; break;
    case MEAS_RISING_EDGES: v = p.risingEdges; break;
    case MEAS_FALLING_EDGES: v = p.fallingEdges; break;
    case MEAS_MAXIMUM: v = r.maximum; break;
    case MEAS_MINIMUM: v = r.minimum; break;
    case MEAS_PEAK_TO_PEAK: v = r.maximum - r.minimum; break;
    case MEAS_MEAN: v = r.mean; break;
    case MEAS_RMS: v = r.rms; break;
    default: break;
    }
    if (std::isfinite(v))
        return v;
    if (r.status == -20104)
        *reason = GetAnalysisErrorString(r.status);
    else if (type == MEAS_RISE_TIME || type == MEAS_FALL_TIME)
        *reason = "no complete edge in the record";
    else if (type == MEAS_OVERSHOOT || type == MEAS_PRESHOOT)
        *reason = "no amplitude: the record is flat";
    else
        *reason = "no finite value";
    return kNaN;
}

std::string FormatStat(const ScopeMeasurement &m, double v, bool needTwo)
{
    if (m.count == 0 || (needTwo && m.count < 2))
        return kDash;
    return Scope_FormatMeasurement(m.type, v);
}

void ShowRow(int row, const ScopeMeasurement &m)
{
    const int t = SCOPE_MEAS_TABLE;
    SetTableCellVal(panelScope, t, row, 1, Scope_MeasurementName(m.type));
    SetTableCellVal(panelScope, t, row, 2, Scope_SourceName(m.source));
    const bool ok = std::isfinite(m.value);
    SetTableCellVal(panelScope, t, row, 3, ok ? Scope_FormatMeasurement(m.type, m.value).c_str() : kDash);
    SetTableCellVal(panelScope, t, row, 4, FormatStat(m, m.minimum, false).c_str());
    SetTableCellVal(panelScope, t, row, 5, FormatStat(m, m.maximum, false).c_str());
    SetTableCellVal(panelScope, t, row, 6, FormatStat(m, m.mean, false).c_str());
    SetTableCellVal(panelScope, t, row, 7,
                    FormatStat(m, m.count > 1 ? std::sqrt(m.m2 / (m.count - 1)) : 0.0, true).c_str());
    SetTableCellVal(panelScope, t, row, 8, std::to_string(m.count).c_str());
    SetTableCellVal(panelScope, t, row, 9, ok ? "" : m.reason.c_str());
    SetTableCellToolTip(panelScope, t, row, 9, ok ? "" : m.reason.c_str());
}

void ShowTable(void)
{
    int rows = 0;
    GetNumTableRows(panelScope, SCOPE_MEAS_TABLE, &rows);
    const int want = static_cast<int>(scopeMeasure.rows.size());
    if (rows < want)
        InsertTableRows(panelScope, SCOPE_MEAS_TABLE, -1, want - rows);
    else if (rows > want)
        DeleteTableRows(panelScope, SCOPE_MEAS_TABLE, want + 1, -1);
    for (int i = 0; i < want; ++i)
        ShowRow(i + 1, scopeMeasure.rows[i]);
}

// Full table, logging: Add and Remove dimmed (the log's columns are fixed
// while it runs).
void UpdateButtons(void)
{
    const bool logging = scopeMeasure.log != nullptr;
    const bool full = static_cast<int>(scopeMeasure.rows.size()) >= kMaxMeasurements;
    SetCtrlAttribute(panelScope, SCOPE_MEAS_ADD, ATTR_DIMMED, (logging || full) ? 1 : 0);
    SetCtrlAttribute(panelScope, SCOPE_MEAS_REMOVE, ATTR_DIMMED, (logging || scopeMeasure.rows.empty()) ? 1 : 0);
}

} // namespace

const char *Scope_MeasurementName(int type)
{
    return type >= 0 && type < MEAS_TYPE_COUNT ? kTypes[type].name : "?";
}

const char *Scope_SourceName(int source)
{
    return source >= 0 && source < kMeasSources ? kSourceNames[source] : "?";
}

std::string Scope_FormatMeasurement(int type, double value)
{
    if (!std::isfinite(value))
        return kDash;
    if (type < 0 || type >= MEAS_TYPE_COUNT)
        return kDash;
    const Unit unit = kTypes[type].unit;
    char text[64];
    if (unit == kCount) {
        std::snprintf(text, sizeof text, "%.0f", value);
        return text;
    }
    if (unit == kPercent) {
        std::snprintf(text, sizeof text, "%.2f %%", value);
        return text;
    }
    // Four significant digits with an SI prefix.
    static const char *const prefixes[] = {"p", "n", "\xC2\xB5", "m", "", "k", "M", "G"};
    int exponent = 0;
    const double magnitude = std::fabs(value);
    if (magnitude > 0.0)
        exponent = static_cast<int>(std::floor(std::log10(magnitude) / 3.0));
    exponent = std::clamp(exponent, -4, 3);
    double scaled = value / std::pow(1000.0, exponent);
    // Rounding may carry into the next prefix (999.96 -> 1000).
    if (std::fabs(scaled) >= 999.95 && exponent < 3) {
        ++exponent;
        scaled = value / std::pow(1000.0, exponent);
    }
    const double a = std::fabs(scaled);
    const int decimals = a >= 100.0 ? 1 : a >= 10.0 ? 2 : 3;
    std::snprintf(text, sizeof text, "%.*f %s%s", decimals, scaled, prefixes[exponent + 4], UnitText(unit));
    return text;
}

const double *Scope_SourceRecord(int source, int *n, std::string *reason)
{
    *n = 0;
    if (source >= kMeasSourceMath1 && source < kMeasSources) {
        ScopeMathChannel &m = scopeMeasure.math[source - kMeasSourceMath1];
        if (!m.enabled) {
            *reason = "the math trace is off";
            return nullptr;
        }
        if (!m.valid) {
            *reason = m.reason.empty() ? "no math trace in this capture" : m.reason;
            return nullptr;
        }
        *n = static_cast<int>(m.record.size());
        return m.record.data();
    }
    if (source >= kSourceReference1 && source < kSourceReference1 + kMaxReferences) {
        const double *reference = Scope_ReferenceRecord(source - kSourceReference1, RequestedSamples, reason);
        if (reference)
            *n = RequestedSamples;
        return reference;
    }
    if (source < 0 || source > 3) {
        *reason = "no such source";
        return nullptr;
    }
    int slot = -1;
    for (int k = 0; k < numChanIn && k < 4; ++k)
        if (iChannel[k] == source)
            slot = k;
    if (slot < 0) {
        *reason = "the channel is not acquired";
        return nullptr;
    }
    // The spectrum view windows the record in place: nothing to measure.
    if (isFFT_On) {
        *reason = "the spectrum view is on";
        return nullptr;
    }
    const int start = iOffset;
    if (!vBufferIn[slot] || RequestedSamples < 1 || !Scope_BufferHolds(start, RequestedSamples)) {
        *reason = "no record yet";
        return nullptr;
    }
    *n = RequestedSamples;
    return vBufferIn[slot] + start;
}

int Scope_AddMeasurement(int type, int source)
{
    if (type < 0 || type >= MEAS_TYPE_COUNT || source < 0 || source >= kMeasSources)
        return -1;
    if (static_cast<int>(scopeMeasure.rows.size()) >= kMaxMeasurements || scopeMeasure.log)
        return -1;
    ScopeMeasurement m;
    m.type = type;
    m.source = source;
    m.value = kNaN;
    m.reason = "not measured yet";
    scopeMeasure.rows.push_back(m);
    ShowTable();
    UpdateButtons();
    return static_cast<int>(scopeMeasure.rows.size());
}

int Scope_RemoveMeasurement(int row)
{
    if (row < 1 || row > static_cast<int>(scopeMeasure.rows.size()) || scopeMeasure.log)
        return -1;
    scopeMeasure.rows.erase(scopeMeasure.rows.begin() + (row - 1));
    ShowTable();
    UpdateButtons();
    return 0;
}

void Scope_ResetMeasurementStatistics(void)
{
    for (ScopeMeasurement &m : scopeMeasure.rows) {
        m.count = 0;
        m.minimum = m.maximum = m.mean = m.m2 = 0.0;
    }
    ShowTable();
}

void Scope_UpdateMeasurements(void)
{
    if (scopeMeasure.rows.empty())
        return;
    SourceResult results[kMeasSources];
    for (ScopeMeasurement &m : scopeMeasure.rows) {
        SourceResult &r = results[m.source];
        if (!r.done)
            Measure(m.source, &r);
        m.reason.clear();
        m.value = ValueOf(m.type, r, &m.reason);
        if (!std::isfinite(m.value))
            continue;
        // Welford's running mean and squared deviations.
        ++m.count;
        if (m.count == 1) {
            m.minimum = m.maximum = m.mean = m.value;
            m.m2 = 0.0;
        } else {
            m.minimum = std::min(m.minimum, m.value);
            m.maximum = std::max(m.maximum, m.value);
            const double delta = m.value - m.mean;
            m.mean += delta / m.count;
            m.m2 += delta * (m.value - m.mean);
        }
    }
    ShowTable();
}

double Scope_RecordInterval(void)
{
    if (!(iClockRate > 0.0))
        return 0.0;
    if (isStreamingRAMOn && decimation_factor > 1)
        return decimation_factor / iClockRate;
    return 1.0 / iClockRate;
}

void Scope_MeasurementsNotMade(const char *reason)
{
    for (ScopeMathChannel &m : scopeMeasure.math) {
        m.valid = 0;
        m.reason = reason;
    }
    for (ScopeMeasurement &m : scopeMeasure.rows) {
        m.value = kNaN;
        m.reason = reason;
    }
    ShowTable();
}

void Scope_AfterCapture(void)
{
    // An average still being gathered shows nothing new (a stream is never
    // averaged).
    if (!isStreamingRAMOn && is_AverageON && numChanIn > 0 && count_acq[std::min(numChanIn, 4) - 1] != 0)
        return;
    Scope_ComputeMath();
    if (!isFFT_On) {
        Scope_PlotMath();
        // A completed average refreshed the graph before this point.
        if (is_AverageON && !isStreamingRAMOn)
            RefreshGraph(panelScope, SCOPE_TIMEGRAPH);
    }
    if (scopeMeasure.xy.on)
        Scope_PlotXY();
    Scope_UpdateMeasurements();
    if (scopeMeasure.log)
        Scope_WriteMeasurementLogRow();
}

void ScopeMeasure_Reset(void)
{
    if (scopeMeasure.log)
        std::fclose(scopeMeasure.log);
    scopeMeasure.log = nullptr;
    scopeMeasure = ScopeMeasureState();
}

// ------------------------------------------------------------ callbacks

int Meas_Add(int panel, int control, int event, void *callbackData, int eventData1, int eventData2)
{
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event != EVENT_COMMIT)
        return 0;
    int type = 0, source = 0;
    GetCtrlVal(panelScope, SCOPE_MEAS_TYPE, &type);
    GetCtrlVal(panelScope, SCOPE_MEAS_SOURCE, &source);
    // The new row is measured from the next capture on: measuring the record
    // on screen again now would count it twice in the other rows' statistics.
    Scope_AddMeasurement(type, source);
    return 0;
}

int Meas_Remove(int panel, int control, int event, void *callbackData, int eventData1, int eventData2)
{
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event != EVENT_COMMIT)
        return 0;
    int row = 0;
    GetCtrlVal(panelScope, SCOPE_MEAS_TABLE, &row);
    // No row selected: the last one goes.
    if (row < 1)
        row = static_cast<int>(scopeMeasure.rows.size());
    Scope_RemoveMeasurement(row);
    return 0;
}

int Meas_Reset(int panel, int control, int event, void *callbackData, int eventData1, int eventData2)
{
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event == EVENT_COMMIT)
        Scope_ResetMeasurementStatistics();
    return 0;
}

int Meas_Gate(int panel, int control, int event, void *callbackData, int eventData1, int eventData2)
{
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event != EVENT_COMMIT)
        return 0;
    int on = 0;
    GetCtrlVal(panelScope, SCOPE_MEAS_GATE, &on);
    if ((on != 0) != (scopeMeasure.gate != 0)) {
        scopeMeasure.gate = on ? 1 : 0;
        // Statistics of the whole record and of a gate do not mix.
        Scope_ResetMeasurementStatistics();
    }
    return 0;
}
