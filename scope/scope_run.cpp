// Run control (One Shot, Continuous Mode, Stop), the advanced settings, the
// input filter panel and the display toggles.
#include "scope/scope.h"

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

int GoStopCallback(int, int, int, void *, int, int) { return 0; }
int Advanced_Scope_Setting(int, int, int, void *, int, int) { return 0; }
int onOK_Ad_Scope(int, int, int, void *, int, int) { return 0; }
int Check_Ad_Mode(int, int, int, void *, int, int) { return 0; }
int ScopePersistance(int, int, int, void *, int, int) { return 0; }
int ScopeTriggerLine(int, int, int, void *, int, int) { return 0; }
void DisplayMenuFilter(int, int, void *, int) {}
int Close_Filter(int, int, int, void *, int, int) { return 0; }
