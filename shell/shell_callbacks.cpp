// The shell's callbacks that the resource file binds by name.
#include "shell/shell.h"

const CallbackEntry shellCallbackTable[] = {
    {"CaptureTimer", CaptureTimer, nullptr},
    {"quit", quit, nullptr},
    {"onOK_About", onOK_About, nullptr},
    {"about", nullptr, about},
    {"close", nullptr, close},
    {"Load_Setup", nullptr, Load_Setup},
    {"Save_Setup", nullptr, Save_Setup},
    {"Choose_Theme", nullptr, Choose_Theme},
    {"Display_Shortcuts", nullptr, Display_Shortcuts},
};
const int shellCallbackCount = sizeof(shellCallbackTable) / sizeof(shellCallbackTable[0]);
