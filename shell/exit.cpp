// The about panel and the three ways out of the bench.
#include "shell/shell.h"

#include "digital/digital.h"
#include "scope/scope.h"

namespace
{
void ExitBench()
{
    if (isScopeContOn)
        isScopeContOn = 0;
    if (isDigitalON)
        isDigitalON = 0;
    Save_Last_Setup();
    QuitUserInterface(0);
}
} // namespace

void about(int, int, void *, int)
{
    SetCtrlVal(panelAbout, ABOUT_VERSION, kVersionText);
    DisplayPanel(panelAbout);
}

int onOK_About(int, int, int event, void *, int, int)
{
    if (event == EVENT_COMMIT)
        HidePanel(panelAbout);
    return 0;
}

int quit(int, int, int event, void *, int, int)
{
    if (event == EVENT_COMMIT)
        ExitBench();
    return 0;
}

void close(int, int, void *, int)
{
    ExitBench();
}
