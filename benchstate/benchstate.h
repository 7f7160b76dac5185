// Process-wide state shared by every instrument of the bench: panel handles,
// the scope toolbar and tab control, the menu bar, the selected device and
// its board information, and the generator channel records that the
// simulated card reads as its input.  Defined in benchstate.cpp, the lowest
// layer above the runtime, so every instrument can use it.
#pragma once

#include "benchDemo.h"
#include "ui/toolbox.h"
#include "ui/userint.h"

// Name of the resource file every panel is loaded from.
inline constexpr const char *kResourceFile = "benchDemo.uir";

// Panel handles, loaded by main in this order.
extern int panelBench;
extern int panelSplash;
extern int panelScope;
extern int panelGene;
extern int panelAbout;
extern int panelAd_Scope;
extern int panelDig;
extern int panelCal;
extern int panelAd_Gene;
extern int panelSave;
extern int panelAutosave;
extern int panelFilter;
extern int panelVoltmeter;
// Tab sheets of the scope panel.
extern int panelAin;
extern int panelRange;
extern int panelMode;
extern int panelCoupling;

extern ToolbarType Toolbar; // the scope toolbar
extern int tabCtrl;         // the scope panel's tab control
extern int Menu_Handle;     // the bench panel's menu bar

extern short device; // selected acquisition device (the Demo Card is 1)

// Board information of the selected card.  The Demo Card leaves every value 0.
struct BoardInfo {
    int fixedOutputRange; // compared with 1 by the scope, generator and analyzer
    double maxOutClk;     // highest generator output clock, Hz
};
extern BoardInfo bi;

// Generator channel record; oChan[0] is CH1, the simulated scope input.
struct OChanRecord {
    short channel;    // output channel number
    double amplitude; // volts
    double offset;    // volts
    short type;       // 0 sine, 1 square, 2 triangle, 3 sawtooth, 4 noise, 5 DC, 6 file
    int noise;        // non-zero adds noise of 0.1 x amplitude
    double phase;     // degrees
};
extern OChanRecord oChan[2];
extern double oFrequency; // Hz, shared by both channels

// Puts the shared state back to its start-up values (tests).
void BenchState_Reset();
