// Graph images and reference traces of the oscilloscope (and the image
// export the digital analyzer shares).
#pragma once

#include <string>

// ------------------------------------------------ images (scope_image.cpp)
// Opens the "Export Image" panel for a graph control of a panel (the
// scope's time or spectrum graph, the analyzer's graph); `what` names it on
// the panel.
void Scope_OpenImageExport(int panel, int control, const char *what);
// Writes the graph chosen by Scope_OpenImageExport at the panel's size to a
// path the file dialog gives; failures are reported.  Returns 0 or -1.
int Scope_ExportImage(void);
int Scope_Export_Image(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int onOK_ExportImage(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Close_ExportImage(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
// Handle of the "Export Image" panel (loaded on first use), or 0.
int Scope_ImagePanel(void);

// ------------------------------------- references (scope_reference.cpp)
inline constexpr int kMaxReferences = 4;

// Loads the analog channels of a record file (.asc, .csv, .wav, .sr,
// .dat) as references, as many as there are free places.  A file that does
// not read is refused with a message and nothing changes.  Returns the
// number of references added, or -1.
int Scope_LoadReference(const char *path);
// Removes reference k (0-based, in load order); the others move up.
int Scope_RemoveReference(int k);
int Scope_ShowReference(int k, int shown);
int Scope_SetReferenceOffset(int k, double divisions);
// Removes every reference (bench reset, tests).
void Scope_ClearReferences(void);
int Scope_ReferenceCount(void);

// What a reference holds, for measurements and math: n samples in volts
// from `values`, the first at `firstTime` seconds from the trigger, one each
// `interval` seconds.  Returns 0, or -1 for no such reference.
struct ScopeReferenceView {
    const double *values;
    int n;
    double interval;
    double firstTime;
    const char *name;
    int shown;
    double offset; // divisions
    int plot;      // handle on the time graph, 0 when not drawn
};
int Scope_GetReference(int k, ScopeReferenceView *view);
// The reference's value at a time (seconds from the trigger): the nearest
// sample; -1 when the time lies outside it.
int Scope_ReferenceValueAt(int k, double time, double *volts);

// Reference k laid over the live record, as a source for math traces and
// measurements: n values, value j being the reference's sample nearest to
// the time of live record position iOffset + j (NaN where the reference
// does not reach).  The pointer stays valid until the next call or until
// the references change; null with a reason when there is no such
// reference or no live record.
const double *Scope_ReferenceRecord(int k, int n, std::string *reason);

// Where a reference's sample i lies on the time graph: x = x0 + i * dx in
// the graph's units (samples of the visible window).  Pure.
void Scope_ReferencePlacement(double firstTime, double interval, double timeStep, int scrollValue, int preSamples,
                              double *x0, double *dx);
// Draws the shown references on the time graph under the live traces
// (called before the live traces are plotted).
void Scope_PlotReferences(void);

int Display_References(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Load_Reference(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Remove_Reference(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Reference_Select(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Reference_Show(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Reference_Offset(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Reference_Measure(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Close_References(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
// Handle of the "Reference Traces" panel (loaded on first use), or 0.
int Scope_ReferencePanel(void);
