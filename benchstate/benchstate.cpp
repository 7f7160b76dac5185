#include "benchstate/benchstate.h"
#include "benchstate/loaded_panel.h"

int panelBench = 0;
int panelSplash = 0;
int panelScope = 0;
int panelGene = 0;
int panelAbout = 0;
int panelAd_Scope = 0;
int panelDig = 0;
int panelCal = 0;
int panelAd_Gene = 0;
int panelSave = 0;
int panelAutosave = 0;
int panelFilter = 0;
int panelVoltmeter = 0;
int panelAin = 0;
int panelRange = 0;
int panelMode = 0;
int panelCoupling = 0;

ToolbarType Toolbar = 0;
int tabCtrl = 0;
int Menu_Handle = 0;

short device = 1;
BoardInfo bi = {0, 0.0};

// Until the generator panel says otherwise, CH1 is a 1 kHz sine of 1 V, so the
// scope shows a signal from the first capture.
OChanRecord oChan[2] = {{0, 1.0, 0.0, 0, 0, 0.0}, {1, 1.0, 0.0, 0, 0, 0.0}};
double oFrequency = 1000.0;

void BenchState_Reset()
{
    panelBench = panelSplash = panelScope = panelGene = panelAbout = 0;
    panelAd_Scope = panelDig = panelCal = panelAd_Gene = panelSave = 0;
    panelAutosave = panelFilter = panelVoltmeter = 0;
    panelAin = panelRange = panelMode = panelCoupling = 0;
    Toolbar = 0;
    tabCtrl = 0;
    Menu_Handle = 0;
    device = 1;
    bi = {0, 0.0};
    oChan[0] = {0, 1.0, 0.0, 0, 0, 0.0};
    oChan[1] = {1, 1.0, 0.0, 0, 0, 0.0};
    oFrequency = 1000.0;
}

int Bench_LoadedPanel(int &handle, int resourceId)
{
    if (handle > 0 && panelBench > 0 && GetPanelParent(handle) == panelBench)
        return handle;
    handle = panelBench > 0 ? LoadPanel(panelBench, kResourceFile, resourceId) : 0;
    if (handle < 0)
        handle = 0;
    return handle;
}
