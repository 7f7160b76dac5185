// The voltmeter's and the calibration tool's callbacks that the resource file
// binds by name.
#include "meters/meters.h"

const CallbackEntry metersCallbackTable[] = {
    {"Display_Voltmeter", nullptr, Display_Voltmeter},
    {"Probe_Calibration", nullptr, Probe_Calibration},
    {"Run_Voltmeter", Run_Voltmeter, nullptr},
    {"VoltmeterTimerCallback", VoltmeterTimerCallback, nullptr},
    {"Close_Voltmeter", Close_Voltmeter, nullptr},
    {"Start_Cal", Start_Cal, nullptr},
    {"Close_Cal", Close_Cal, nullptr},
    {"Cal_Set_Full_Scale", Cal_Set_Full_Scale, nullptr},
};
const int metersCallbackCount = sizeof(metersCallbackTable) / sizeof(metersCallbackTable[0]);
