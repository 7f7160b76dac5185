// Reference traces: saved records loaded back and drawn, frozen, under the
// live traces of the time graph, aligned by time (seconds from the
// trigger), each in a dimmed colour with its own vertical offset.  Up to
// four; each can be hidden, removed and read at the measurement cursors.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "benchstate/loaded_panel.h"
#include "formats/read_record.h"
#include "scope/scope.h"
#include "scope/scope_data.h"

namespace
{

struct Reference {
    std::string name;
    std::vector<double> values;
    double interval = 1.0;
    double firstTime = 0.0;
    int shown = 1;
    double offset = 0.0; // divisions
    int slot = 0;        // the live slot whose vertical gain it takes
    int plot = 0;
};

std::vector<Reference> references;
int referencePanel = 0;
int selected = 0;

// Dimmed colours, one per place, darker than the live slots' colours.
const int kReferenceColors[kMaxReferences] = {0x9A9A9A, 0xA07030, 0x50906A, 0x7A68A8};

int ValidPanel(int handle)
{
    return handle > 0 && GetPanelParent(handle) >= 0;
}

std::string BaseName(const std::string &path)
{
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The slot showing physical channel "CH<n>" of the record's name, else 0.
int SlotFor(const std::string &channelName)
{
    int number = 0;
    if (std::sscanf(channelName.c_str(), "CH%d", &number) == 1)
        for (int k = 0; k < numChanIn && k < 4; ++k)
            if (iChan[k].channel + 1 == number)
                return k;
    return 0;
}

void RefreshPanel(void)
{
    const int p = referencePanel;
    if (!ValidPanel(p))
        return;
    const int count = static_cast<int>(references.size());
    if (selected >= count)
        selected = count - 1;
    if (selected < 0)
        selected = 0;
    ClearListCtrl(p, REFERENCE_LIST);
    for (int k = 0; k < count; ++k) {
        const std::string label = "R" + std::to_string(k + 1) + ": " + references[k].name;
        InsertListItem(p, REFERENCE_LIST, -1, label.c_str(), k);
    }
    const int none = count == 0;
    if (!none)
        SetCtrlIndex(p, REFERENCE_LIST, selected);
    const int needOne[] = {REFERENCE_LIST, REFERENCE_SHOW, REFERENCE_OFFSET, REFERENCE_REMOVE, REFERENCE_MEASURE};
    for (int control : needOne)
        SetCtrlAttribute(p, control, ATTR_DIMMED, none);
    SetCtrlAttribute(p, REFERENCE_LOAD, ATTR_DIMMED, count >= kMaxReferences);
    char info[160] = "No reference loaded";
    if (!none) {
        const Reference &r = references[selected];
        SetCtrlVal(p, REFERENCE_SHOW, r.shown);
        SetCtrlVal(p, REFERENCE_OFFSET, r.offset);
        std::snprintf(info, sizeof info, "%zu samples at %.6g S/s, from %.6g s", r.values.size(), 1.0 / r.interval,
                      r.firstTime);
    }
    SetCtrlVal(p, REFERENCE_INFO, info);
}

void Redraw(void)
{
    Scope_PlotReferences();
    RefreshGraph(panelScope, SCOPE_TIMEGRAPH);
}

} // namespace

void Scope_ReferencePlacement(double firstTime, double interval, double timeStep, int scrollValue, int preSamples,
                              double *x0, double *dx)
{
    // Graph x = j is window sample j, taken (scrollValue + j - preSamples)
    // time steps after the trigger.
    const double step = timeStep > 0.0 ? timeStep : 1.0;
    *dx = interval / step;
    *x0 = firstTime / step - scrollValue + preSamples;
}

void Scope_PlotReferences(void)
{
    if (panelScope <= 0)
        return;
    const double step = dTimeStep > 0.0 ? dTimeStep : (iClockRate > 0.0 ? 1.0 / iClockRate : 1.0);
    const int pre = isStreamingRAMOn ? 0 : pre_iSample;
    for (Reference &r : references) {
        if (r.plot > 0)
            DeleteGraphPlot(panelScope, SCOPE_TIMEGRAPH, r.plot, VAL_DELAYED_DRAW);
        r.plot = 0;
        if (!r.shown || isFFT_On || r.values.empty())
            continue;
        double x0 = 0.0, dx = 1.0;
        Scope_ReferencePlacement(r.firstTime, r.interval, step, Scroll_Value, pre, &x0, &dx);
        // Only the samples inside the window (and one each side) are handed
        // to the graph, so a long reference costs no more than the window.
        const double width = Scroll_Thumb_Size > 0 ? Scroll_Thumb_Size
                                                   : (RequestedSamples > 0 ? RequestedSamples
                                                                           : static_cast<double>(r.values.size()) * dx);
        const double last = static_cast<double>(r.values.size()) - 1.0;
        const double from = std::max(0.0, std::floor((0.0 - x0) / dx) - 1.0);
        const double to = std::min(last, std::ceil((width - 1.0 - x0) / dx) + 1.0);
        if (!(from <= to) || !std::isfinite(from) || !std::isfinite(to))
            continue;
        const std::size_t i0 = static_cast<std::size_t>(from);
        const int count = static_cast<int>(std::min(to - from + 1.0, 2147483647.0));
        const int slot = r.slot >= 0 && r.slot < 4 ? r.slot : 0;
        const int handle =
            PlotWaveform(panelScope, SCOPE_TIMEGRAPH, r.values.data() + i0, count, VAL_DOUBLE, VerticalScale[slot],
                         r.offset, x0 + static_cast<double>(i0) * dx, dx, VAL_THIN_LINE, VAL_NO_POINT, VAL_SOLID, 1,
                         kReferenceColors[&r - references.data()]);
        r.plot = handle > 0 ? handle : 0;
    }
}

int Scope_LoadReference(const char *path)
{
    const int room = kMaxReferences - static_cast<int>(references.size());
    if (room <= 0) {
        MessagePopup("Error message", "Four references are loaded already: remove one first.");
        return -1;
    }
    formats::Record record;
    std::string message;
    const formats::Status status = formats::ReadRecordFile(path ? path : "", &record, &message);
    if (status != formats::Status::Ok) {
        const std::string text = "Reference not loaded: " + BaseName(path ? path : "") + ": " +
                                 (message.empty() ? formats::StatusText(status) : message);
        MessagePopup("Error message", text.c_str());
        return -1;
    }
    // Every channel the file holds, as far as there is room.
    const int added = std::min<int>(room, static_cast<int>(record.channels.size()));
    try {
        std::vector<Reference> fresh(static_cast<std::size_t>(added));
        for (int k = 0; k < added; ++k) {
            formats::Channel &c = record.channels[static_cast<std::size_t>(k)];
            Reference &r = fresh[static_cast<std::size_t>(k)];
            r.name = BaseName(path) + (record.channels.size() > 1 || !c.name.empty() ? " " + c.name : "");
            r.values = std::move(c.values);
            r.interval = record.sampleInterval;
            r.firstTime = record.firstTime;
            r.slot = SlotFor(c.name);
            r.offset = VerticalOffset[r.slot];
        }
        references.reserve(references.size() + fresh.size());
        for (Reference &r : fresh)
            references.push_back(std::move(r));
    } catch (const std::bad_alloc &) {
        MessagePopup("Error message", "Reference not loaded: not enough memory.");
        return -1;
    }
    selected = static_cast<int>(references.size()) - 1;
    if (added < static_cast<int>(record.channels.size())) {
        const std::string text = "Only " + std::to_string(added) + " of the file's " +
                                 std::to_string(record.channels.size()) +
                                 " channels were loaded: four references at most.";
        MessagePopup("Message", text.c_str());
    }
    Redraw();
    RefreshPanel();
    return added;
}

int Scope_RemoveReference(int k)
{
    if (k < 0 || k >= static_cast<int>(references.size()))
        return -1;
    if (references[k].plot > 0 && panelScope > 0)
        DeleteGraphPlot(panelScope, SCOPE_TIMEGRAPH, references[k].plot, VAL_DELAYED_DRAW);
    references.erase(references.begin() + k);
    Redraw(); // the colours follow the places
    RefreshPanel();
    return 0;
}

int Scope_ShowReference(int k, int shown)
{
    if (k < 0 || k >= static_cast<int>(references.size()))
        return -1;
    references[k].shown = shown != 0;
    Redraw();
    return 0;
}

int Scope_SetReferenceOffset(int k, double divisions)
{
    if (k < 0 || k >= static_cast<int>(references.size()) || !std::isfinite(divisions))
        return -1;
    references[k].offset = divisions;
    Redraw();
    return 0;
}

void Scope_ClearReferences(void)
{
    for (Reference &r : references)
        if (r.plot > 0 && panelScope > 0)
            DeleteGraphPlot(panelScope, SCOPE_TIMEGRAPH, r.plot, VAL_DELAYED_DRAW);
    references.clear();
    selected = 0;
    RefreshPanel();
}

int Scope_ReferenceCount(void)
{
    return static_cast<int>(references.size());
}

int Scope_GetReference(int k, ScopeReferenceView *view)
{
    if (!view || k < 0 || k >= static_cast<int>(references.size()))
        return -1;
    const Reference &r = references[k];
    *view = {r.values.data(), static_cast<int>(r.values.size()), r.interval, r.firstTime, r.name.c_str(),
             r.shown, r.offset, r.plot};
    return 0;
}

int Scope_ReferenceValueAt(int k, double time, double *volts)
{
    if (!volts || k < 0 || k >= static_cast<int>(references.size()))
        return -1;
    const Reference &r = references[k];
    const double i = std::round((time - r.firstTime) / r.interval);
    if (!(i >= 0.0) || !(i < static_cast<double>(r.values.size())))
        return -1;
    *volts = r.values[static_cast<std::size_t>(i)];
    return 0;
}

const double *Scope_ReferenceRecord(int k, int n, std::string *reason)
{
    // One buffer a reference, so that two references can be the two
    // sources of one math trace.
    static std::vector<double> alignedOf[kMaxReferences];
    if (k < 0 || k >= static_cast<int>(references.size()) || k >= kMaxReferences) {
        if (reason)
            *reason = "no such reference";
        return nullptr;
    }
    const double step = dTimeStep > 0.0 ? dTimeStep : (iClockRate > 0.0 ? 1.0 / iClockRate : 0.0);
    if (n < 1 || !(step > 0.0)) {
        if (reason)
            *reason = "no record yet";
        return nullptr;
    }
    const Reference &r = references[k];
    std::vector<double> &aligned = alignedOf[k];
    const int pre = isStreamingRAMOn ? 0 : pre_iSample;
    try {
        aligned.assign(static_cast<std::size_t>(n), std::nan(""));
    } catch (const std::bad_alloc &) {
        if (reason)
            *reason = "not enough memory";
        return nullptr;
    }
    for (int j = 0; j < n; ++j) {
        const double i = std::round((static_cast<double>(j - pre) * step - r.firstTime) / r.interval);
        if (i >= 0.0 && i < static_cast<double>(r.values.size()))
            aligned[static_cast<std::size_t>(j)] = r.values[static_cast<std::size_t>(i)];
    }
    return aligned.data();
}

int Scope_ReferencePanel(void)
{
    return Bench_LoadedPanel(referencePanel, REFERENCE);
}

// ------------------------------------------------------------ panel callbacks

int Display_References(int panel, int control, int event, void *callbackData, int eventData1, int eventData2)
{
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event != EVENT_COMMIT || Scope_ReferencePanel() <= 0)
        return 0;
    RefreshPanel();
    DisplayPanel(referencePanel);
    return 0;
}

int Load_Reference(int panel, int control, int event, void *callbackData, int eventData1, int eventData2)
{
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event != EVENT_COMMIT)
        return 0;
    char path[1024] = "";
    const int answer = FileSelectPopup("", "*.asc", "*.asc;*.csv;*.wav;*.sr;*.dat", "Load Reference",
                                       VAL_LOAD_BUTTON, 0, 0, 1, 0, path);
    if (answer > VAL_NO_FILE_SELECTED && path[0] != '\0')
        Scope_LoadReference(path);
    return 0;
}

int Remove_Reference(int panel, int control, int event, void *callbackData, int eventData1, int eventData2)
{
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    int k = -1;
    if (event == EVENT_COMMIT && GetCtrlVal(panel, REFERENCE_LIST, &k) >= 0)
        Scope_RemoveReference(k);
    return 0;
}

int Reference_Select(int panel, int control, int event, void *callbackData, int eventData1, int eventData2)
{
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    int k = -1;
    if (event == EVENT_VAL_CHANGED && GetCtrlVal(panel, REFERENCE_LIST, &k) >= 0 && k >= 0 &&
        k < static_cast<int>(references.size())) {
        selected = k;
        RefreshPanel();
    }
    return 0;
}

int Reference_Show(int panel, int control, int event, void *callbackData, int eventData1, int eventData2)
{
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    int shown = 1;
    if (event == EVENT_VAL_CHANGED && GetCtrlVal(panel, control, &shown) >= 0)
        Scope_ShowReference(selected, shown);
    return 0;
}

int Reference_Offset(int panel, int control, int event, void *callbackData, int eventData1, int eventData2)
{
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    double offset = 0.0;
    if ((event == EVENT_VAL_CHANGED || event == EVENT_COMMIT) && GetCtrlVal(panel, control, &offset) >= 0)
        Scope_SetReferenceOffset(selected, offset);
    return 0;
}

int Reference_Measure(int panel, int control, int event, void *callbackData, int eventData1, int eventData2)
{
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event != EVENT_COMMIT || selected >= static_cast<int>(references.size()))
        return 0;
    // The value of the selected reference under each measurement cursor.
    const double step = dTimeStep > 0.0 ? dTimeStep : 1.0;
    const int pre = isStreamingRAMOn ? 0 : pre_iSample;
    double volts[2] = {0.0, 0.0};
    int found[2] = {0, 0};
    const int controls[2] = {REFERENCE_C1, REFERENCE_C2};
    for (int c = 0; c < 2; ++c) {
        double x = 0.0, y = 0.0;
        char text[64] = "outside";
        if (GetGraphCursor(panelScope, SCOPE_TIMEGRAPH, c + 1, &x, &y) >= 0 &&
            Scope_ReferenceValueAt(selected, (Scroll_Value + x - pre) * step, &volts[c]) == 0) {
            found[c] = 1;
            Scope_FormatReadout(volts[c], 1, text, sizeof text);
        }
        SetCtrlVal(panel, controls[c], text);
    }
    char delta[64] = "";
    if (found[0] && found[1])
        Scope_FormatReadout(volts[1] - volts[0], 1, delta, sizeof delta);
    SetCtrlVal(panel, REFERENCE_DELTA, delta);
    return 0;
}

int Close_References(int panel, int control, int event, void *callbackData, int eventData1, int eventData2)
{
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event == EVENT_COMMIT)
        HidePanel(panel);
    return 0;
}
