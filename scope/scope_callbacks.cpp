// The scope's callbacks that the resource file binds by name.  Toolbar items
// and the scroll bar get their callbacks as function pointers instead.
#include "scope/scope.h"
#include "scope/scope_data.h"

const CallbackEntry scopeCallbackTable[] = {
    {"Display_Oscilloscope", nullptr, Display_Oscilloscope},
    {"Update_Parameter_Scope", Update_Parameter_Scope, nullptr},
    {"Select_Channel", Select_Channel, nullptr},
    {"Select_Scope_Device", Select_Scope_Device, nullptr},
    {"Close_Scope", Close_Scope, nullptr},
    {"onOK_Ad_Scope", onOK_Ad_Scope, nullptr},
    {"Check_Ad_Mode", Check_Ad_Mode, nullptr},
    {"DisplayMenuFilter", nullptr, DisplayMenuFilter},
    {"Close_Filter", Close_Filter, nullptr},
    {"Scope_Reset_Position", Scope_Reset_Position, nullptr},
    {"Read_Scope_Cursor", Read_Scope_Cursor, nullptr},
    {"On_FFT", On_FFT, nullptr},
    {"Read_FFT_Cursor", Read_FFT_Cursor, nullptr},
    {"onOK_Save", onOK_Save, nullptr},
    {"Close_Saving", Close_Saving, nullptr},
    {"Scope_Export_Image", Scope_Export_Image, nullptr},
    {"onOK_ExportImage", onOK_ExportImage, nullptr},
    {"Close_ExportImage", Close_ExportImage, nullptr},
    {"Display_References", Display_References, nullptr},
    {"Load_Reference", Load_Reference, nullptr},
    {"Remove_Reference", Remove_Reference, nullptr},
    {"Reference_Select", Reference_Select, nullptr},
    {"Reference_Show", Reference_Show, nullptr},
    {"Reference_Offset", Reference_Offset, nullptr},
    {"Reference_Measure", Reference_Measure, nullptr},
    {"Close_References", Close_References, nullptr},
    {"DisplayMenuAutosave", nullptr, DisplayMenuAutosave},
    {"select_directory", select_directory, nullptr},
    {"close_autosave", close_autosave, nullptr},
};
const int scopeCallbackCount = sizeof(scopeCallbackTable) / sizeof(scopeCallbackTable[0]);
