// The 16-line digital analyzer.
#pragma once

#include "shell/benchstate.h"

extern int isDigitalON;
extern double dClockRate;
extern int dSamples;
extern unsigned short dTriggerMask;
extern unsigned short dTriggerMode;
extern unsigned short dTriggerPattern;

void Display_Digital(int menuBar, int menuItem, void *callbackData, int panel);
void Digital_Capture(void);

// Callbacks the resource file binds by name.
extern const CallbackEntry digitalCallbackTable[];
extern const int digitalCallbackCount;

// Puts every analyzer variable back to its start-up value (tests).
void Digital_Reset(void);
