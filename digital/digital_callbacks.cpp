// The analyzer's callbacks that the resource file binds by name.
#include "digital/digital.h"
#include "digital/digital_files.h"
#include "digital/digital_annotations.h"
#include "digital/digital_decode_panel.h"

const CallbackEntry digitalCallbackTable[] = {
    {"Display_Digital", nullptr, Display_Digital},
    {"Start_Stop_Digital", Start_Stop_Digital, nullptr},
    {"Update_Parameter_Digital", Update_Parameter_Digital, nullptr},
    {"Select_Digital_Device", Select_Digital_Device, nullptr},
    {"Close_Digital", Close_Digital, nullptr},
    {"Save_Digital", Save_Digital, nullptr},
    {"Export_Image_Digital", Export_Image_Digital, nullptr},
    {"Digital_Source", Digital_Source, nullptr},
    {"Display_Bus", Display_Bus, nullptr},
    {"Bus_Apply", Bus_Apply, nullptr},
    {"Close_Bus", Close_Bus, nullptr},
    {"Add_Decoder", Add_Decoder, nullptr},
    {"Edit_Decoder", Edit_Decoder, nullptr},
    {"Remove_Decoder", Remove_Decoder, nullptr},
    {"Digital_Decoder_Choice", Digital_Decoder_Choice, nullptr},
    {"Decoder_Choice", Decoder_Choice, nullptr},
    {"Decoder_Stack_Choice", Decoder_Stack_Choice, nullptr},
    {"Decoder_Channel_Choice", Decoder_Channel_Choice, nullptr},
    {"Decoder_Line", Decoder_Line, nullptr},
    {"Decoder_Option_Choice", Decoder_Option_Choice, nullptr},
    {"Decoder_Option_Value", Decoder_Option_Value, nullptr},
    {"Decoder_OK", Decoder_OK, nullptr},
    {"Decoder_Cancel", Decoder_Cancel, nullptr},
    {"Digital_Decode_Timer", Digital_Decode_Timer, nullptr},
    {"Display_Annotations", Display_Annotations, nullptr},
    {"Export_Annotations", Export_Annotations, nullptr},
    {"Close_Annotations", Close_Annotations, nullptr},
};
const int digitalCallbackCount = sizeof(digitalCallbackTable) / sizeof(digitalCallbackTable[0]);
