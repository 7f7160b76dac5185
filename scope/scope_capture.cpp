// Normal capture: one record per slot and tick, averaging, persistence,
// trigger line and the end of a single shot.
#include "scope/scope.h"

double Offset = 0.0;
int iOffset = 0;
int Trigger_Point = 0;
int loop = 0;
short count_acq[4] = {0, 0, 0, 0};
int plot[4] = {0, 0, 0, 0};
double ticks_scope = 0.0;
double FirCoef[1024] = {};

void NormalCapture(void) {}

void Plot_Time_Display(int, int) {}
