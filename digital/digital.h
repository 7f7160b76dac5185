// The 16-line digital analyzer: two 8-bit ports read per sample, every
// sample split into its sixteen bits and drawn as sixteen stacked traces on
// one graph.  Runs on the bench's shared capture timer.
#pragma once

#include <cstdint>
#include <vector>

#include "benchstate/benchstate.h"

// ------------------------------------------------------------------ state
extern int isDigitalON;                // 1 while the analyzer runs
extern double dClockRate;              // samples per second
extern int dSamples;                   // samples per capture
extern unsigned short dTriggerMask;    // stored and persisted only
extern unsigned short dTriggerMode;    // stored and persisted only
extern unsigned short dTriggerPattern; // stored and persisted only
extern short numPortIn;                // 8-bit input ports, always 2
extern int dScanCount;                 // dSamples x numPortIn
extern double dDigitalTimeStep;        // seconds per sample
extern double dTimeOut;                // milliseconds without a capture before the analyzer stops
extern double ticks_digital;           // tick count (ms) at start and after each capture

// Raw samples: sample i is byte 2i (port 0, lines 0..7) and byte 2i+1
// (port 1, lines 8..15).  dScanCount bytes.
extern std::vector<uint8_t> dBufferIn;
// One trace per line, dScanCount bytes each (the first dSamples are used).
extern std::vector<uint8_t> plotDig[16];

// Trace colours of lines 0..7, repeated for lines 8..15.
extern const int kDigitalTraceColors[8];

// --------------------------------------------------------------- operations
void Display_Digital(int menuBar, int menuItem, void *callbackData, int panel);
int Start_Stop_Digital(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Update_Parameter_Digital(int panel, int control, int event, void *callbackData, int eventData1,
                             int eventData2);
int Select_Digital_Device(int panel, int control, int event, void *callbackData, int eventData1,
                          int eventData2);
int Close_Digital(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);

// Reads the panel's settings and replaces the buffers.  Returns 0, or -1
// when the buffers cannot be allocated (the analyzer then keeps no buffers).
int Digital_Setting(void);
// One capture step, called by the capture timer while isDigitalON.
void Digital_Capture(void);

// Splits the raw samples into the sixteen traces: trace k, element i is
// 2k + bit k of sample i.  Pure; exposed for tests.
void Digital_SplitLines(const uint8_t *raw, int samples, uint8_t *const traces[16]);

// The simulated card's 16 lines: a 16-bit binary counter that advances one
// count per sample and continues across captures, so line k toggles every
// 2^k samples.  Fills samples x 2 bytes of raw.
void Digital_SimulateInput(uint8_t *raw, int samples);
extern uint16_t dSimulatedCount; // next count of the simulated source
// Fills samples x 2 raw bytes from what the lines carry: the counter or the
// simulated bus (digital_bus.h).
void Digital_FillInput(uint8_t *raw, int samples);
// Splits a capture into the sixteen traces and plots them on the graph.
void Digital_PlotCapture(const uint8_t *raw, int samples);

// An instrument's stop: disables the bench's shared capture timer, unless
// the analyzer still runs on it (it has no other clock).  Defined with the
// capture timer (shell/capture_timer.cpp).
void CaptureTimer_Release(void);

// Callbacks the resource file binds by name.
extern const CallbackEntry digitalCallbackTable[];
extern const int digitalCallbackCount;

// Puts every analyzer variable back to its start-up value (tests).
void Digital_Reset(void);
