// The generator's callbacks that the resource file binds by name.
#include "generator/generator.h"

const CallbackEntry generatorCallbackTable[] = {
    {"Display_Generator", nullptr, Display_Generator},
    {"Start_Stop_Generator", Start_Stop_Generator, nullptr},
    {"Update_Parameter_Generator", Update_Parameter_Generator, nullptr},
    {"Select_Generator_Device", Select_Generator_Device, nullptr},
    {"Close_Generator", Close_Generator, nullptr},
    {"Open_Advanced_Gene_Setting", Open_Advanced_Gene_Setting, nullptr},
    {"Update_Ad_Setting", Update_Ad_Setting, nullptr},
    {"Preview_Waveform", Preview_Waveform, nullptr},
    {"onOK_Ad_Gene", onOK_Ad_Gene, nullptr},
};
const int generatorCallbackCount = sizeof(generatorCallbackTable) / sizeof(generatorCallbackTable[0]);
