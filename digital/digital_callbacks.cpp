// The analyzer's callbacks that the resource file binds by name.
#include "digital/digital.h"
#include "digital/digital_files.h"

const CallbackEntry digitalCallbackTable[] = {
    {"Display_Digital", nullptr, Display_Digital},
    {"Start_Stop_Digital", Start_Stop_Digital, nullptr},
    {"Update_Parameter_Digital", Update_Parameter_Digital, nullptr},
    {"Select_Digital_Device", Select_Digital_Device, nullptr},
    {"Close_Digital", Close_Digital, nullptr},
    {"Save_Digital", Save_Digital, nullptr},
    {"Export_Image_Digital", Export_Image_Digital, nullptr},
};
const int digitalCallbackCount = sizeof(digitalCallbackTable) / sizeof(digitalCallbackTable[0]);
