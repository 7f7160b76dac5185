// The voltmeter (its own panel and timer) and the probe-calibration tool.
#pragma once

#include "shell/benchstate.h"

extern int isVoltmeterON;
extern int isCal_Running;

void Display_Voltmeter(int menuBar, int menuItem, void *callbackData, int panel);
void Probe_Calibration(int menuBar, int menuItem, void *callbackData, int panel);
void Probe_Cal_Capture(void);

// Callbacks the resource file binds by name.
extern const CallbackEntry metersCallbackTable[];
extern const int metersCallbackCount;

// Puts every voltmeter and calibration variable back to its start-up value (tests).
void Meters_Reset(void);
