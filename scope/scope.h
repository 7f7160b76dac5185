// The oscilloscope: settings and channel slots, the simulated input and the
// capture ticks, run control, the view window (scroll, zoom, zoom area),
// cursors and measurements, the spectrum view, saving, printing and
// autosave.  Process-wide state plus plain functions and callbacks.
//
// State: every piece of the scope's process-wide state, the file-local run
// state of its sources included, is a member of one ScopeState object
// (scopeState, end of this file) with its start-up value written once, at
// the member.  The names below refer into that object, so the rest of the
// bench uses them as plain variables; Scope_Reset puts the whole object back
// to a fresh ScopeState.  New scope state goes into ScopeState.
//
// Channel numbering: physical channels CH1..CH4 are 0..3 and index Ain;
// acquisition slots 0..numChanIn-1 index every other per-channel array.
//
// Buffers: vBufferIn[k], vAverage[k], vAverageSave[k] and spectrum[k] point
// into storage owned by the scope (scope_buffers.cpp).  In normal capture
// each holds iSamples doubles from index 0 AND pre_iSample doubles before
// it, so record positions from iOffset (= -pre_iSample) up to iSamples - 1
// are all inside the buffer.  They are null before the first start.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "benchstate/benchstate.h"

// ----------------------------------------------------- settings (scope_settings.cpp)
struct IChanRecord {
    short channel;  // physical channel 0..3
    short coupling; // value of the channel's coupling ring
    int mode;       // value of the channel's mode control
    double range;   // volts full scale: 0.05, 0.1, 0.5, 1, 2 or 5
};

extern int (&Ain)[4];
extern int &numChanIn;
extern IChanRecord (&iChan)[4];
extern int (&iChannel)[4];
extern double (&iRange)[4];
extern int &RequestedSamples;
extern int &iSamples;
extern int &iScanCount;
extern int &pre_iSample;
extern double &iClockRate;
extern int &trigger_source; // 0..3 slot, 50 EXT, 100 NONE
extern int &trigger_slope;  // 0 falling, else rising
extern double &trigger_level;
extern int &is_Parameter;
extern double (&VerticalScale)[4];
extern double (&VerticalOffset)[4];
extern int (&ChannelColor)[4];
extern char (&ChannelName)[4][8];
extern short &decimation_factor;
extern int &isStreamingRAMEnabled;
extern int &is_AverageON;
extern short &average_count;
extern int &isMultipleRecord;
extern int &Aux_BNC;
extern double &dTimeStep; // seconds per displayed sample

// Buffers (see the note at the top).
extern short *&BufferIn; // iScanCount raw 16-bit words (unused by the simulated card)
extern double *(&vBufferIn)[4];
extern double *(&vAverage)[4];
extern double *(&vAverageSave)[4]; // last average, index j = record position iOffset + j (j < iSamples)
extern double *(&spectrum)[4];

// Record limits.
inline constexpr int kNormalRecordLimit = 7999488;     // samples over all slots
inline constexpr int kStreamingRecordLimit = 67108864; // samples over all slots
inline constexpr int kPostTriggerMargin = 16384;       // iSamples = RequestedSamples + this

int Scope_Setting(void);
int Update_Parameter_Scope(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Select_Channel(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Select_Scope_Device(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Close_Scope(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
void Display_Oscilloscope(int menuBar, int menuItem, void *callbackData, int panel);

// Device selection: applies the Demo Card's configuration to the panels.
void Select_Device(short deviceNumber);

// Per-channel record limit of the current mode (normal or streaming to RAM).
int Scope_RecordLimit(void);
// Offset markers (cursors 3..6) and VerticalOffset laid out for numChanIn.
void Scope_LayoutOffsetMarkers(void);
// Scroll range 0 .. maximum handed to the scroll bar; a window that is empty
// or longer than maximum becomes the whole record (ZoomFactor 1.0), one that
// would pass the end is moved back inside.
void Scope_SetScrollRange(int maximum);
// Where the trigger line is drawn for a trigger at window position
// position of a window of windowSize samples (scope_trigger_line.cpp).
int Scope_TriggerLinePosition(int position, int windowSize);
// Gives the trigger line (cursor 8 of the time graph) its own look, a dashed
// orange vertical line with a "T" tag at the top edge, and shows it only
// while it is switched on (scope_trigger_line.cpp).
void Scope_StyleTriggerLine(void);
inline constexpr int kTriggerLineCursor = 8;
inline constexpr int kTriggerLineColor = 0xFF8000;
// The first edge in x[from .. n): the first index at which the signal,
// having been below level - hysteresis since from (above level + hysteresis
// for a falling edge, rising 0), reaches the level; -1 when there is none.
// Places the trigger point in a real device's record and counts the
// periods Autoset measures.
int Scope_FindEdge(const double *x, int from, int n, double level, double hysteresis, int rising);

// The Demo Card's figures and the codes of the scope's rings, named once.
inline constexpr double kMaxClockRate = 40000000.0; // S/s: the card's clock
inline constexpr double kMinClockRate = 10000.0;    // S/s
inline constexpr double kAcquisitionNoise = 0.01;   // volts of noise the card's input adds
inline constexpr int kTriggerExt = 50;              // trigger source: the external input
inline constexpr int kTriggerNone = 100;            // trigger source: none (free running)
inline constexpr int kVerticalAll = 4;              // vertical channel: every channel
inline constexpr int kTimeGraphFullHeight = 510;    // pixels: the time graph without the zoom graph

// The Demo Card's input ranges as the range rings list them, and the one a
// device selection picks (± 2 V).  A device that reports no ranges of its
// own gets these too.
struct ScopeInputRange {
    const char *label;
    double volts;
};
inline constexpr ScopeInputRange kInputRanges[6] = {
    {"\u00B1 50mV", 0.05}, {"\u00B1 100mV", 0.1}, {"\u00B1 500mV", 0.5},
    {"\u00B1 1V", 1.0},    {"\u00B1 2V", 2.0},    {"\u00B1 5V", 5.0},
};
inline constexpr int kDefaultInputRange = 4;

// Controls of input channels 1 to 4 on the Channels, Range and Coupling tabs.
inline constexpr int kEnableBoxes[4] = {TAB_AIN_CH1, TAB_AIN_CH2, TAB_AIN_CH3, TAB_AIN_CH4};
inline constexpr int kRangeRings[4] = {TAB_RANGE_CH1, TAB_RANGE_CH2, TAB_RANGE_CH3, TAB_RANGE_CH4};
inline constexpr int kModeRings[4] = {TAB_MODE_CH1, TAB_MODE_CH2, TAB_MODE_CH3, TAB_MODE_CH4};
inline constexpr int kCouplingRings[4] = {TAB_COUPLING_CH1, TAB_COUPLING_CH2, TAB_COUPLING_CH3,
                                          TAB_COUPLING_CH4};

// Controls of the spectrum group, dimmed while the spectrum view is off.
inline constexpr int kSpectrumControls[] = {
    SCOPE_FFT_WINDOW,     SCOPE_FFT_CURSOR_FREQ, SCOPE_FFT_CURSOR_LEVEL, SCOPE_FFT_PEAK_FREQ,
    SCOPE_FFT_PEAK_LEVEL, SCOPE_FFT_FREQ_UNIT,   SCOPE_FFT_LEVEL_UNIT, SCOPE_FFT_PEAK};

// Buffers (scope_buffers.cpp).  Every slot buffer has room for the
// pre-trigger positions; BufferIn too (its pointer sits pre_iSample words
// into its storage).  Scope_AllocateBuffers releases the old buffers and
// allocates the ones the current settings need; on failure it shows a
// message, leaves every pointer null and returns -1.
int Scope_AllocateBuffers(void);
void Scope_ReleaseBuffers(void);
// Non-zero when record positions start .. start + count - 1 lie inside the
// slot buffers as they are allocated now (0 when there are none).
int Scope_BufferHolds(int start, int count);
// Caps the bytes the buffers may take, so tests can make an allocation fail
// (0 = no cap).
void Scope_SetBufferLimit(double bytes);

// ------------------------------------------------ capture (scope_capture.cpp)
extern double &Offset;
extern int &iOffset;
extern int &Trigger_Point;
extern int &loop;
extern short (&count_acq)[4];
extern int (&plot)[4];
extern double &ticks_scope;
extern double (&FirCoef)[1024];

void NormalCapture(void);
void Plot_Time_Display(int slot, int start);
// Plots the visible window of slot's record (Scroll_Thumb_Size samples from
// position start + Scroll_Value) on the time graph and keeps the handle in
// plot[slot]; draws nothing when the window is not inside the buffer.
int Scope_PlotRecord(int slot, int start);

// The simulated card's input: n samples of generator channel 1 (oChan[0],
// oFrequency) at clockRate samples per second, started as the trigger
// settings say (phase 0 and the slope's sign when triggered, a random phase
// when trigger_source is 100), with the generator's noise when its noise
// switch is on, plus acquisitionNoise volts of white noise.  Used by the
// capture, the spectrum view and the voltmeter.  Returns 0, or -1 when a work
// array cannot be allocated (out is then untouched).
int Scope_SynthesizeInput(double *out, int n, double clockRate, double acquisitionNoise);
// The same record with pre samples ahead of the trigger point (out receives
// pre + n samples; out[pre] is the trigger point), or decimated: with stride
// s > 1 (pre must then be 0) out receives n / s samples, sample j being
// sample j * s of the full record, acquisition noise added after decimation.
int Scope_SynthesizeRecord(double *out, int pre, int n, int stride, double clockRate, double acquisitionNoise);
// Filters count samples in place with the filter panel's settings, designed
// for clockRate.  On a design failure shows the "Error" popup, stops a
// running acquisition and returns the negative status.
int Scope_FilterRecord(double *samples, int count, double clockRate);

// ---------------------------------------------- run control (scope_run.cpp)
extern int &isScopeStartOn;
extern int &isScopeContOn;
extern int &isScopeStopOn;
extern int &isStreamingRAMOn;
extern int &is_PersistanceON;
extern int &is_TriggerLineON;
extern int &isFilterON;
extern int &FilterType;
extern double &FilterLowFreq;
extern double &FilterHighFreq;
extern int &Tap;

int GoStopCallback(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Advanced_Scope_Setting(int panel, int control, int event, void *callbackData, int eventData1,
                           int eventData2);
int onOK_Ad_Scope(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Check_Ad_Mode(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int ScopePersistance(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int ScopeTriggerLine(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
void DisplayMenuFilter(int menuBar, int menuItem, void *callbackData, int panel);
int Close_Filter(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);

// Scope toolbar positions.
enum {
    kToolbarPrint = 1,
    kToolbarSave = 2,
    kToolbarOneShot = 4,
    kToolbarContinuous = 5,
    kToolbarStop = 6,
    kToolbarZoomIn = 8,
    kToolbarZoomOut = 9,
    kToolbarZoomAreaOn = 11,
    kToolbarZoomAreaOff = 12,
    kToolbarCursor1 = 14,
    kToolbarCursor2 = 15,
    kToolbarPersistence = 17,
    kToolbarTriggerLine = 18,
    kToolbarAdvanced = 20,
    kToolbarAutoset = 22,
    kToolbarFitRecord = 23,
};
// Stops a running acquisition after a failure (flags, "One Shot" enabled,
// "Stop" dimmed); the tick that failed ends the run as usual.
void Scope_HaltAcquisition(void);
// Ends a run: flags, capture timer off, menu and toolbar back to idle.
void Scope_EndRun(void);

// ----------------------------------------- streaming (scope_streaming.cpp)
void StreamingRAMCapture(void);

// ----------------------------------------------- view window (scope_view.cpp)
extern int &Scroll_Value;
extern int &Scroll_Thumb_Size;
extern int &Scroll_Min;
extern int &Scroll_Max;
extern double &ZoomFactor;
extern int &isZoom_On;
extern double &ZoomCursorX1;
extern double &ZoomCursorY1;
extern double &ZoomCursorX2;
extern double &ZoomCursorY2;
extern int &Zoom_Start;
extern int &Zoom_Width;

ToolbarType InstallToolBar(int panel);
int ScrollBarCallback(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int ScopeZoomData(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int ScopeZoomCursor(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Scope_Reset_Position(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);

// Cuts the window to the record when the record became shorter than it.
void Scope_FitWindowToRecord(void);
// The window after the record length changed from previousLength to
// newLength: one that showed the whole record shows the whole new record;
// a part of the record is kept while it fits in the new one, else the
// window becomes the whole new record (ZoomFactor follows).  No window
// (thumb 0) stays none.  Pure.
void Scope_WindowAfterRecordChange(int previousLength, int newLength, int *value, int *thumb, double *zoom);
// Applies that rule to the scope's window and scroll bar after an edit of
// the record length (RequestedSamples already holds the new length).
void Scope_WindowForRecordLength(int previousLength);
// The whole record in one window (key 0); -1 when there is no record length.
int Scope_FitRecord(void);
// The scope's keys, their tooltip hints and the About key (F1).
void Scope_InstallKeys(void);
// Rate, record length, vertical gain and trigger chosen from the present
// input (key A); returns 0, or a negative code when settings fail.
int Scope_Autoset(void);
// Toolbar callbacks of "Autoset" and "Fit record" (on commit).
int ScopeAutoset(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int ScopeFitRecord(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
// The keys of the scope and the bench, one line each ("keys: command"), as
// the Help menu lists them.
std::string Scope_ShortcutsText(void);
// X-axis offsets of the time, zoom and spectrum graphs from the window.
void Scope_SetXAxisOffsets(void);
// Plots the visible window of every drawn slot on the time graph (and, with
// withSpectrum, its bins on the spectrum graph); stores the handles in plot[].
void Scope_PlotWindow(int withSpectrum);
// Re-plots the zoom area from the positions of cursors 1 and 2.
void Scope_PlotZoomArea(void);

// ----------------------------------------------- cursors (scope_cursors.cpp)
extern int &Cursor1;
extern int &Cursor2;

int ScopeCursorMode(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Read_Scope_Cursor(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
void Plot_Cursor_Measurement(void);
void Waveform_Parameter(const double *samples);

// Readout text "%.2f %s" with automatic units: sec/msec/µsec for a time,
// V/mV/µV for a voltage (sign kept for both).  text holds at least 32 bytes.
void Scope_FormatReadout(double value, int isVoltage, char *text, int textSize);
// Amplitude parameters in millivolts of n samples in volts.
struct WaveformParameters {
    double minimum, maximum, peakToPeak, mean, rms;
};
int Scope_MeasureWaveform(const double *samples, int n, WaveformParameters *out); // 0, or -1 for no samples

// ---------------------------------------------- spectrum (scope_spectrum.cpp)
extern int &isFFT_On;
extern double &dFreqStep; // kHz per bin
extern int (&spectrumPlot)[4]; // handle of each slot's trace on the spectrum graph

int On_FFT(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
// Spectrum of a slot's record from position start, drawn when the slot is
// enabled.  A step that fails (synthesis, window, power spectrum, unit
// conversion) leaves the slot with no spectrum to draw (spectrumBins 0) and
// is reported with the "Error" popup once per run.
void fft(int slot, int start);
int Read_FFT_Cursor(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
// The spectrum cursor sits on a bin of one slot's trace (the first drawn
// slot until it is dragged onto another): after every re-plot it is put
// back on the nearest bin of that trace, and its readout shows that bin's
// frequency and level.
void Scope_SnapSpectrumCursor(void);
// Moves the spectrum cursor to the highest bin of its trace on screen
// ("Peak"); 0, or -1 when no trace is drawn.
int Scope_SpectrumCursorPeak(void);
int FFT_Peak(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);

// ------------------------------------------ saving, printing (scope_files.cpp)
extern int &isAutoSaveON;

int SaveCallback(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int onOK_Save(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Close_Saving(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int SaveChannelonDisk(int slot, const short *rawCodes, const double *values, int start);
// Saves math trace 0 or 1 (its record as the last capture left it) in the
// format the chosen name selects, as a channel is saved; the text and
// binary formats carry no channel line and the trace's peak as their range.
// Returns 0, or -1 (cancelled, trace off, gaps the format cannot hold, a
// write failure; failures are reported).
int Scope_SaveMathOnDisk(int trace);
int PrintCallback(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);

// Waveform file formats.  Each writer returns 0, or -1 when a write failed.
struct ScopeFileHeader {
    int day, month, year, hours, minutes, seconds;
    double clockRate; // samples per second
    double range;     // input range of the saved slot, volts
    int samples;
    int preSamples;
};
// 16-bit code of a sample: round(v / range * 32767), held to -32768..32767.
short Scope_VoltsToCode(double volts, double range);
// ".asc": "Acquisition on CH%d" (left out when channelNumber is 0), five
// header lines, then one "%f" per sample; CR LF line ends.
int Scope_WriteAsc(std::FILE *file, const ScopeFileHeader &header, int channelNumber, const double *values, int n);
// ".awg": "%.8f\t%f" time and value per sample; CR LF line ends.
int Scope_WriteAwg(std::FILE *file, double clockRate, const double *values, int n);
// Binary: 48-byte little-endian header, then n 16-bit codes of the values.
int Scope_WriteDat(std::FILE *file, const ScopeFileHeader &header, const double *values, int n);
// Writes one record to path in the format the name selects (binary when
// forceBinary); opens, writes and closes.  Returns 0 or -1.
int Scope_WriteRecordFile(const char *path, int forceBinary, const ScopeFileHeader &header, int channelNumber,
                          const double *values, int n);
void DisplayMenuAutosave(int menuBar, int menuItem, void *callbackData, int panel);
int select_directory(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int close_autosave(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
void AutoSave(void);
// End of a run (stopped, or its last capture taken): reports an autosave
// that failed during the run, once.  The run itself never waits for that
// report.
void Scope_AutoSaveRunEnded(void);
// Status text of a running capture: text itself, or the notice that the
// run's autosave failed.
const char *Scope_AutoSaveStatus(const char *text);

inline constexpr int kAutosavePathSize = 1024;
extern int &AutoSaveFormat;               // 1 binary, else text
extern char (&directory)[kAutosavePathSize]; // base directory of autosave
extern char (&Dir)[kAutosavePathSize];       // folder of the current run

// ------------------------------------------------------------ whole scope
// Callbacks the resource file binds by name.
extern const CallbackEntry scopeCallbackTable[];
extern const int scopeCallbackCount;

// ----------------------------------------------------------- state
struct ScopeFreeDeleter {
    void operator()(void *p) const { std::free(p); }
};

// The scope's process-wide state.  Each member holds its start-up value;
// the names declared above are references to these members.
struct ScopeState {
    // settings (scope_settings.cpp)
    int Ain[4] = {1, 1, 1, 1};
    int numChanIn = 4;
    IChanRecord iChan[4] = {{0, 0, 0, 2.0}, {1, 0, 0, 2.0}, {2, 0, 0, 2.0}, {3, 0, 0, 2.0}};
    int iChannel[4] = {0, 1, 2, 3};
    double iRange[4] = {2.0, 2.0, 2.0, 2.0};
    int RequestedSamples = 0;
    int iSamples = 0;
    int iScanCount = 0;
    int pre_iSample = 0;
    double iClockRate = 10000000.0;
    int trigger_source = kTriggerNone;
    int trigger_slope = 1;
    double trigger_level = 0.0;
    int is_Parameter = 0;
    double VerticalScale[4] = {1.0, 1.0, 1.0, 1.0};
    double VerticalOffset[4] = {3.0, 1.0, -1.0, -3.0};
    int ChannelColor[4] = {VAL_YELLOW, VAL_GREEN, VAL_CYAN, VAL_MAGENTA};
    char ChannelName[4][8] = {"CH1", "CH2", "CH3", "CH4"};
    short decimation_factor = 1;
    int isStreamingRAMEnabled = 0;
    int is_AverageON = 0;
    short average_count = 4;
    int isMultipleRecord = 1;
    int Aux_BNC = 0;
    double dTimeStep = 1.0e-7;

    // buffers (scope_buffers.cpp): the views handed out, the storage behind
    // them, the positions -allocPre .. allocLen - 1 it holds, and the cap.
    short *BufferIn = nullptr;
    double *vBufferIn[4] = {nullptr, nullptr, nullptr, nullptr};
    double *vAverage[4] = {nullptr, nullptr, nullptr, nullptr};
    double *vAverageSave[4] = {nullptr, nullptr, nullptr, nullptr};
    double *spectrum[4] = {nullptr, nullptr, nullptr, nullptr};
    std::unique_ptr<short[], ScopeFreeDeleter> rawStore;
    std::unique_ptr<double[], ScopeFreeDeleter> inStore[4], averageStore[4], averageSaveStore[4],
        spectrumStore[4];
    int allocPre = 0;
    int allocLen = 0;
    bool allocated = false;
    double bufferLimit = 0.0; // bytes; 0 = no cap

    // capture (scope_capture.cpp)
    double Offset = 0.0;
    int iOffset = 0;
    int Trigger_Point = 0;
    int loop = 0;
    short count_acq[4] = {0, 0, 0, 0};
    int plot[4] = {0, 0, 0, 0};
    double ticks_scope = 0.0;
    double FirCoef[1024] = {};
    bool measureInDraw = true; // the slot being drawn updates the measurement
    bool captureFailed = false; // a slot of this tick got no record (filter design, memory)

    // run control (scope_run.cpp)
    int isScopeStartOn = 0;
    int isScopeContOn = 0;
    int isScopeStopOn = 0;
    int isStreamingRAMOn = 0;
    int is_PersistanceON = 0;
    int is_TriggerLineON = 0;
    int isFilterON = 0;
    int FilterType = 0;
    double FilterLowFreq = 1000.0;
    double FilterHighFreq = 10000.0;
    int Tap = 63;

    // view window (scope_view.cpp)
    int Scroll_Value = 0;
    int Scroll_Thumb_Size = 0;
    int Scroll_Min = 0;
    int Scroll_Max = 0;
    double ZoomFactor = 1.0;
    int isZoom_On = 0;
    double ZoomCursorX1 = 0.0, ZoomCursorY1 = 0.0, ZoomCursorX2 = 0.0, ZoomCursorY2 = 0.0;
    int Zoom_Start = 0;
    int Zoom_Width = 10;

    // cursors (scope_cursors.cpp)
    int Cursor1 = 0;
    int Cursor2 = 0;

    // spectrum (scope_spectrum.cpp)
    int isFFT_On = 0;
    double dFreqStep = 0.0;
    int spectrumPlot[4] = {0, 0, 0, 0};
    int spectrumBins[4] = {0, 0, 0, 0}; // bins of each slot's spectrum that hold its last result (0: none)
    int spectrumFailureShown = 0;      // a failed spectrum of this run was reported
    int spectrumCursorSlot = -1;       // slot whose trace carries the spectrum cursor (-1: first drawn)

    // autosave (scope_autosave.cpp)
    int isAutoSaveON = 0;
    int AutoSaveFormat = 0;
    char directory[kAutosavePathSize] = "";
    char Dir[kAutosavePathSize] = "";
    int needRunFolder = 1;   // no folder yet for the autosaves to come
    int autoSaveFailed = 0;  // an autosave of this run failed: no more tries in this run
    int reportedThisRun = 0; // a failure of this run was shown
    int lastLoop = 0;        // loop of the last autosave
};

extern ScopeState scopeState;

// Puts the whole scope state back to its start-up values (a fresh
// ScopeState), which also frees the record buffers (tests; Init_System sets
// its own start-up values afterwards).
void Scope_Reset(void);

// Measurements, math traces and spectrum analysis.
#include "scope/scope_measure.h"
