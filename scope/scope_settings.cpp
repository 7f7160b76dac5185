// Scope settings: channel slots, record and sampling-rate limits, the
// settings application run at every start, and the callbacks of the scope
// panel's settings controls.
#include "scope/scope.h"

int Ain[4] = {1, 1, 1, 1};
int numChanIn = 4;
IChanRecord iChan[4] = {{0, 0, 0, 2.0}, {1, 0, 0, 2.0}, {2, 0, 0, 2.0}, {3, 0, 0, 2.0}};
int iChannel[4] = {0, 1, 2, 3};
double iRange[4] = {2.0, 2.0, 2.0, 2.0};
int RequestedSamples = 0;
int iSamples = 0;
int iScanCount = 0;
int pre_iSample = 0;
double iClockRate = 10000000.0;
int trigger_source = 100;
int trigger_slope = 1;
double trigger_level = 0.0;
int is_Parameter = 0;
double VerticalScale[4] = {1.0, 1.0, 1.0, 1.0};
double VerticalOffset[4] = {3.0, 1.0, -1.0, -3.0};
int ChannelColor[4] = {VAL_YELLOW, VAL_GREEN, VAL_CYAN, VAL_MAGENTA};
char ChannelName[4][8] = {"CH1", "CH2", "CH3", "CH4"};
short decimation_factor = 1;
int isStreamingRAMEnabled = 0;
int is_AverageON = 0;
short average_count = 4;
int isMultipleRecord = 1;
int Aux_BNC = 0;
double dTimeStep = 1.0e-7;

int Scope_Setting(void) { return 0; }

int Update_Parameter_Scope(int, int, int, void *, int, int) { return 0; }

int Select_Channel(int, int, int, void *, int, int) { return 0; }

int Select_Scope_Device(int, int, int, void *, int, int) { return 0; }

int Close_Scope(int panel, int, int event, void *, int, int)
{
    if (event == EVENT_COMMIT)
        HidePanel(panel);
    return 0;
}

void Display_Oscilloscope(int, int, void *, int) {}
