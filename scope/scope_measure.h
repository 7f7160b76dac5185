// The scope's measurement table, math channels and spectrum analysis:
// timing, pulse and amplitude measurements of a channel or a math trace with
// statistics over the captures since the last reset, gated by cursors 1 and
// 2 and optionally logged to a CSV file; math traces derived from two
// channels; averaging, hold traces, peaks and distortion figures of the
// spectrum.  Included by scope/scope.h.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Sources of a measurement: physical channels CH1..CH4 (0..3), then the
// math traces.
inline constexpr int kMathChannels = 2;
inline constexpr int kMeasSourceMath1 = 4;
inline constexpr int kMeasSources = 4 + kMathChannels;
inline constexpr int kMaxMeasurements = 8;
// The loaded reference traces follow as sources of the math traces (their
// ring values REF1..REF4), laid over the live record by time.
inline constexpr int kSourceReference1 = kMeasSources;

// Measurement codes: the values of the measurement ring.
enum ScopeMeasurementType {
    MEAS_FREQUENCY = 0,
    MEAS_PERIOD,
    MEAS_POSITIVE_WIDTH,
    MEAS_NEGATIVE_WIDTH,
    MEAS_POSITIVE_DUTY,
    MEAS_NEGATIVE_DUTY,
    MEAS_RISE_TIME,
    MEAS_FALL_TIME,
    MEAS_OVERSHOOT,
    MEAS_PRESHOOT,
    MEAS_TOP,
    MEAS_BASE,
    MEAS_AMPLITUDE,
    MEAS_CYCLE_RMS,
    MEAS_CYCLE_MEAN,
    MEAS_RISING_EDGES,
    MEAS_FALLING_EDGES,
    MEAS_MAXIMUM,
    MEAS_MINIMUM,
    MEAS_PEAK_TO_PEAK,
    MEAS_MEAN,
    MEAS_RMS,
    MEAS_TYPE_COUNT
};

// One row of the table: what is measured, this capture's value (NaN with a
// reason when it could not be made) and the statistics since the reset.
struct ScopeMeasurement {
    int type = MEAS_FREQUENCY;
    int source = 0;
    double value = 0.0; // NaN: not measured in this capture
    std::string reason; // why value is NaN
    int count = 0;      // captures that gave a value since the reset
    double minimum = 0.0, maximum = 0.0, mean = 0.0, m2 = 0.0; // m2: sum of squared deviations
};

// A math trace: operation (WaveformOperation code) of sources a and b
// (channels 0..3), drawn with its own scale (volts per division) and offset
// (divisions) in its own colour.
struct ScopeMathChannel {
    int enabled = 0;
    int operation = 0;
    int sourceA = 0;
    int sourceB = 1;
    double scale = 1.0;  // unit per division
    double offset = 0.0; // divisions
    int color = 0xFF8000;
    std::vector<double> record; // last result, one value per record sample (NaN skipped)
    int valid = 0;              // record holds this capture's result
    std::string reason;         // why it does not
    int plot = 0;
};

// Spectrum analysis of one slot: averaging (0 off, 1 linear, 2
// exponential) over count spectra, hold traces, peaks and figures.
struct ScopeSpectrumAnalysis {
    int averaging = 0;
    int averageCount = 8;
    int peakHold = 0;
    int minHold = 0;
    int source = 0;     // slot analysed for peaks and figures
    int harmonics = 0;  // highest harmonic, 0 = to the Nyquist limit
    int peaks = 5;
    // running results per slot, as power (unit^2 per bin)
    std::vector<double> average[4], peak[4], minimum[4];
    int averaged[4] = {0, 0, 0, 0};
    int peakCount[4] = {0, 0, 0, 0};
    int minCount[4] = {0, 0, 0, 0};
    std::string signature[4]; // settings the running results belong to
    int peakPlot = 0, minPlot = 0;
    int status = 0; // last AnalyzeHarmonics status
    double thd = 0, thdn = 0, snr = 0, sinad = 0, sfdr = 0, enob = 0, fundamental = 0;
};

// XY view: ySource against xSource (measurement source codes: channels
// and math traces).
struct ScopeXYState {
    int on = 0;
    int xSource = 0;
    int ySource = 1;
    int plot = 0; // the newest XY trace
};

struct ScopeMeasureState {
    std::vector<ScopeMeasurement> rows;
    int gate = 0;
    // CSV log
    std::FILE *log = nullptr;
    std::string logPath;
    unsigned int logStartMs = 0;
    int logRows = 0;
    ScopeMathChannel math[kMathChannels];
    ScopeSpectrumAnalysis spectrum;
    ScopeXYState xy;
};

extern ScopeMeasureState scopeMeasure;
extern int panelMath;
extern int panelSpecAn;

// Back to the start-up state: no measurements, no log (closed), math off,
// spectrum analysis off.  Called by Scope_Reset.
void ScopeMeasure_Reset(void);

// After every capture (called by the capture tick once per tick): the math
// traces, the measurements and their log.  Does nothing while
// an average is still being gathered.
void Scope_AfterCapture(void);

// Measurement list.  Add returns the new row (1-based) or -1 when the table
// is full or the arguments are bad; Remove takes a row (1-based).
int Scope_AddMeasurement(int type, int source);
int Scope_RemoveMeasurement(int row);
void Scope_ResetMeasurementStatistics(void);
// Measures every row on the current records and updates statistics, table
// and log.
void Scope_UpdateMeasurements(void);
// Display text of a value of a measurement type ("1.000 kHz", "50.00 %").
std::string Scope_FormatMeasurement(int type, double value);
const char *Scope_MeasurementName(int type);
const char *Scope_SourceName(int source);
// The record of a source in the current capture: a channel's record from the
// displayed start, or a math trace.  Returns nullptr with a reason.
const double *Scope_SourceRecord(int source, int *n, std::string *reason);

// CSV log of every capture's values: Start asks for the file through the
// file dialog; writes are checked and a failure ends the log with a message.
int Scope_StartMeasurementLog(void);
void Scope_StopMeasurementLog(void);
// One row of the log for the current values (called after every capture).
void Scope_WriteMeasurementLogRow(void);

// Math traces: recomputed from the current records; plotted when enabled.
void Scope_ComputeMath(void);
void Scope_PlotMath(void);

// Spectrum analysis hook of fft(): folds the slot's spectrum in dBm
// (bins[0..half-1], bin width df hertz, window code) into the averages and
// holds, writes the averaged spectrum back into bins, and for the analysed
// slot fills the peak table and the figures.
void Scope_SpectrumAnalysis(int slot, double *bins, int half, double df, int window);
// Plots the hold traces of the analysed slot over the shown bins.
void Scope_PlotSpectrumHolds(int slot, int firstBin, int shown);
void Scope_ResetSpectrumAnalysis(void);

// XY view (scope_xy.cpp): on or off with its two sources; -1 for a bad
// source.  Plots the current records at once.
int Scope_SetXY(int on, int xSource, int ySource);
// Plots the visible window of the sources against each other (after every
// capture while the view is on); returns the plot handle, 0 when nothing
// could be drawn (the x axis name then says why).
int Scope_PlotXY(void);
// Seconds between two samples of the records as they are held: a stream
// keeps one sample in decimation_factor.
double Scope_RecordInterval(void);
// Every measurement row shows a dash and why (a failed capture, a stream
// still coming): never the values of an earlier record.  Statistics stay.
void Scope_MeasurementsNotMade(const char *reason);

int Meas_Add(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Meas_Remove(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Meas_Reset(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Meas_Gate(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Meas_Log(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Display_Math(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Math_Setting(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Close_Math(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Display_SpecAn(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int SpecAn_Setting(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Close_SpecAn(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Scope_XY(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
