// The function generator: two output channels sharing one frequency, the
// output clock and samples-per-period search, output ranges, arbitrary
// waveforms from ".awg" files and the advanced sine.  The channel records
// oChan[2] and oFrequency live in shell/benchstate.h, since the simulated
// scope input reads them.
#pragma once

#include "shell/benchstate.h"

// Menu command and callbacks.
void Display_Generator(int menuBar, int menuItem, void *callbackData, int panel);

// Callbacks the resource file binds by name.
extern const CallbackEntry generatorCallbackTable[];
extern const int generatorCallbackCount;

// Puts every generator variable back to its start-up value (tests).
void Generator_Reset(void);
