// The voltmeter (its own panel and timer) and the probe-calibration tool.
//
// Voltmeter: at every tick of VOLTMETER_TIMER while running, the reading is
// measured on the simulated input of the selected channel (every input of the
// simulated card sees generator CH1, plus 0.01 V of acquisition noise).  The
// window is 4096 samples at about 1 MS/s, the rate adjusted so that the window
// holds an odd number of whole periods of what CH1 repeats; it starts at
// phase 0 whatever the scope's trigger, and the scope's buffers, settings and
// trigger are left untouched.  MEASURE "DC" shows the mean, "AC RMS" the RMS
// with the mean removed.  RANGE "Auto" shows the value as measured; a fixed
// range (1 V, 10 V) holds the display at +/- its full scale and the reading's
// label reads "OVER" while the value lies beyond it.
#pragma once

#include "benchstate/benchstate.h"

// --------------------------------------------------------------- voltmeter
extern int isVoltmeterON;

inline constexpr int kVoltmeterSamples = 4096;
inline constexpr double kVoltmeterClock = 1000000.0;

// Voltmeter measure and range ring values.
enum { kMeasureDC = 0, kMeasureACRMS = 1 };
enum { kRangeAuto = 0, kRange1V = 1, kRange10V = 2 };

int Run_Voltmeter(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int VoltmeterTimerCallback(int panel, int control, int event, void *callbackData, int eventData1,
                           int eventData2);
int Close_Voltmeter(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
void Display_Voltmeter(int menuBar, int menuItem, void *callbackData, int panel);
// Reads the channel, measure and range rings, measures and shows the reading.
void ReadVolt(void);
// The last reading in volts (as measured, before the range clips the display).
double Voltmeter_Reading(void);
// Sampling rate of the measurement window for a signal frequency: about
// kVoltmeterClock, so that kVoltmeterSamples hold an odd number of whole
// periods, which spreads the samples evenly over the period.
double Voltmeter_WindowClock(double frequency);
// Repetition frequency of the simulated input: oFrequency for a standard CH1
// waveform, the buffer's repetition rate while CH1 plays a buffer.
double Voltmeter_InputFrequency(void);
// Measures n samples: the mean (kMeasureDC) or the RMS around the mean
// (kMeasureACRMS).  0 for n < 1.
double Voltmeter_Measure(const double *samples, int n, int measure);

// ------------------------------------------------------- probe calibration
extern int isCal_Running;

inline constexpr double kCalFrequency = 1000.0;
inline constexpr double kCalAmplitude = 5.0;
inline constexpr double kCalDutyCycle = 50.0;
inline constexpr double kCalInputRange = 2.0;
inline constexpr double kCalClockRate = 2000000.0;
inline constexpr int kCalSamples = 4096 * 2;
inline constexpr double kCalPause = 0.2; // seconds per capture

extern double *vCalBufferOut; // oSamples doubles: the calibration square wave
extern short *CalBufferOut;   // oSamples output codes (zeros)
extern double vCalPhase;      // phase of the calibration square wave, degrees
extern double *vCalBufferIn;  // iScanCount doubles: the captured probe signal
extern short *CalBufferIn;    // iScanCount raw codes (zeros)
extern double CalTimeStep;    // seconds per captured sample
extern int calPlot;           // plot handle of the last capture (0 when none)

// The pause at the end of a calibration capture (Delay, which lets events
// run meanwhile); tests swap in their own to deliver a tick during it.
using CalPauseRoutine = int (*)(double seconds);
extern CalPauseRoutine calPause;

void Probe_Calibration(int menuBar, int menuItem, void *callbackData, int panel);
int Start_Cal(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Close_Cal(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
// With a sound input in use: sets its volts at full scale so that the last
// record of the probe signal reads the known amplitude (the panel's box) as
// its peak.  A message says why when there is no sound input, no record or
// no signal in it.
int Cal_Set_Full_Scale(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
// Configures generator and acquisition for the calibration.  Returns 0, or -1
// when a buffer cannot be allocated.
int Cal_Setting(void);
// One calibration capture (called by the capture timer while isCal_Running).
void Probe_Cal_Capture(void);

// Callbacks the resource file binds by name.
extern const CallbackEntry metersCallbackTable[];
extern const int metersCallbackCount;

// Puts every voltmeter and calibration variable back to its start-up value (tests).
void Meters_Reset(void);
// The voltmeter's part of Meters_Reset.
void Voltmeter_ResetState(void);
