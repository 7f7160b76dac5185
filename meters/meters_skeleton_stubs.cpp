// Temporary definitions so the bench links while the meters are written.
#include "meters/meters.h"

int isVoltmeterON = 0;
int isCal_Running = 0;
double *vCalBufferOut = nullptr;
short *CalBufferOut = nullptr;
double vCalPhase = 0.0;
double *vCalBufferIn = nullptr;
short *CalBufferIn = nullptr;
double CalTimeStep = 0.0;

int Run_Voltmeter(int, int, int, void *, int, int) { return 0; }
int VoltmeterTimerCallback(int, int, int, void *, int, int) { return 0; }
int Close_Voltmeter(int, int, int, void *, int, int) { return 0; }
void Display_Voltmeter(int, int, void *, int) {}
void ReadVolt(void) {}
double Voltmeter_Reading(void) { return 0.0; }
double Voltmeter_Measure(const double *, int, int) { return 0.0; }
void Probe_Calibration(int, int, void *, int) {}
int Start_Cal(int, int, int, void *, int, int) { return 0; }
int Close_Cal(int, int, int, void *, int, int) { return 0; }
int Cal_Setting(void) { return 0; }
void Probe_Cal_Capture(void) {}
void Meters_Reset(void) {}
