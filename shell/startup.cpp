// Start-up of the bench: callback tables, panels, toolbar, tab sheets, the
// instruments' start-up state, and the program's main sequence.
#include "shell/shell.h"

#include <cstdio>

#include "digital/digital.h"
#include "generator/generator.h"
#include "meters/meters.h"
#include "remote/bench_remote.h"
#include "scope/scope.h"
#include "scope/scope_realdevice.h"

void Bench_RegisterCallbacks(void)
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    RegisterCallbackTable(shellCallbackTable, shellCallbackCount);
    RegisterCallbackTable(scopeCallbackTable, scopeCallbackCount);
    RegisterCallbackTable(generatorCallbackTable, generatorCallbackCount);
    RegisterCallbackTable(metersCallbackTable, metersCallbackCount);
    RegisterCallbackTable(digitalCallbackTable, digitalCallbackCount);
    RegisterCallbackTable(remoteCallbackTable, remoteCallbackCount);
}

int Bench_OpenMain(void)
{
    Bench_RegisterCallbacks();
    panelBench = LoadPanel(0, kResourceFile, BENCH);
    if (panelBench < 0) {
        panelBench = 0;
        return -1;
    }
    // The theme before anything is shown.
    Bench_ApplyTheme();
    panelSplash = LoadPanel(panelBench, kResourceFile, SPLASH);
    DisplayPanel(panelBench);
    SetCtrlVal(panelSplash, SPLASH_VERSION, kVersionText);
    DisplayPanel(panelSplash);
    return 0;
}

void Bench_OpenInstruments(void)
{
    panelScope = LoadPanel(panelBench, kResourceFile, SCOPE);
    panelGene = LoadPanel(0, kResourceFile, GENE);
    panelAbout = LoadPanel(panelBench, kResourceFile, ABOUT);
    panelAd_Scope = LoadPanel(panelBench, kResourceFile, AD_SCOPE);
    panelDig = LoadPanel(panelBench, kResourceFile, DIG);
    panelCal = LoadPanel(panelBench, kResourceFile, CAL);
    panelAd_Gene = LoadPanel(panelBench, kResourceFile, AD_GENE);
    panelSave = LoadPanel(panelBench, kResourceFile, SAVING);
    panelAutosave = LoadPanel(panelBench, kResourceFile, AUTOSAVE);
    panelFilter = LoadPanel(panelBench, kResourceFile, FILTER);
    panelVoltmeter = LoadPanel(0, kResourceFile, VOLTMETER);
    panelRemote = LoadPanel(panelBench, kResourceFile, REMOTE);

    // The close box sends the Quit button's commit, so closing the window
    // saves the setup exactly as Quit does.
    SetPanelAttribute(panelBench, ATTR_CLOSE_CTRL, BENCH_QUIT);

    Toolbar = InstallToolBar(panelScope);
    if (Toolbar > 0) {
        Toolbar_DimItem(Toolbar, 6, 1);  // Stop
        Toolbar_DimItem(Toolbar, 11, 1); // Zoom Area ON
    }
    Scope_InstallKeys();

    tabCtrl = TabSheet_ConvertFromCanvas(panelScope, SCOPE_TABCANVAS);
    const int sheetIds[4] = {TAB_AIN, TAB_RANGE, TAB_MODE, TAB_COUPLING};
    int sheets[4] = {0, 0, 0, 0};
    if (tabCtrl > 0)
        TabSheet_LoadPanels(panelScope, tabCtrl, 0, kResourceFile, sheetIds, sheets, 4);
    panelAin = sheets[0];
    panelRange = sheets[1];
    panelMode = sheets[2];
    panelCoupling = sheets[3];
}

int Bench_Open(void)
{
    if (Bench_OpenMain() < 0)
        return -1;
    Bench_OpenInstruments();
    return 0;
}

void Bench_Close(void)
{
    Remote_Close();
    RealDevice_CloseAll(); // ends a device's capture before the panels go
    if (Toolbar > 0)
        Toolbar_Discard(Toolbar);
    Toolbar = 0;
    // The bench panel takes its child panels (and the tab sheets) with it.
    if (panelBench > 0)
        DiscardPanel(panelBench);
    if (panelGene > 0)
        DiscardPanel(panelGene);
    if (panelVoltmeter > 0)
        DiscardPanel(panelVoltmeter);
    panelBench = panelSplash = panelScope = panelGene = panelAbout = 0;
    panelAd_Scope = panelDig = panelCal = panelAd_Gene = panelSave = 0;
    panelAutosave = panelFilter = panelVoltmeter = panelRemote = 0;
    panelAin = panelRange = panelMode = panelCoupling = 0;
    tabCtrl = 0;
    Menu_Handle = 0;
    // The configuration folder is free for the next instance.
    Setup_UnlockConfiguration();
}

void Init_System(void)
{
    // 1. Start-up values.
    isStreamingRAMEnabled = 0;
    isStreamingRAMOn = 0;
    isDigitalON = 0;
    numChanIn = 4;
    isMultipleRecord = 1;
    isZoom_On = 0;
    Aux_BNC = 0;
    is_PersistanceON = 0;
    is_TriggerLineON = 0;
    Cursor1 = 0;
    Cursor2 = 0;
    isAutoSaveON = 0;
    isFilterON = 0;
    isVoltmeterON = 0;

    // 2. Cursors and axis of the time graph.
    SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 1, 0.0, 0.0);
    SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 2, 0.0, 0.0);
    SetAxisScalingMode(panelScope, SCOPE_TIMEGRAPH, VAL_LEFT_YAXIS, VAL_MANUAL, -4.0, 4.0);
    SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 8, 0.0, 0.0);
    Scope_StyleTriggerLine();
    for (int c = 3; c <= 6; ++c)
        SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, c, 0.0, 0.0);
    for (int c = 4; c <= 6; ++c) {
        SetCursorAttribute(panelScope, SCOPE_TIMEGRAPH, c, ATTR_CROSS_HAIR_STYLE, VAL_NO_CROSS);
        SetCursorAttribute(panelScope, SCOPE_TIMEGRAPH, c, ATTR_CURSOR_ENABLED, 0);
    }

    // 3. Channels.
    for (int k = 0; k < 4; ++k) {
        iChan[k].channel = static_cast<short>(k);
        Ain[k] = 1;
        VerticalScale[k] = 1.0;
    }

    // 4. The menu entry the resource file leaves dimmed.
    Menu_Handle = GetPanelMenuBar(panelBench);
    SetMenuBarAttribute(Menu_Handle, MENUBAR_INSTRUMENTS_PROBE_CAL, ATTR_DIMMED, 0);

    // 5. The device.
    device = 1;
    Select_Device(device);

    // 6. Every setting as its control shows it, then the default setup file
    // when there is one: with no file, or lines of it that do not parse,
    // settings and controls agree from the start.
    Setup_TakeAllFromControls();
    Setup_OpenDefault();
    RealDevice_RestoreAtStartup();

    // 7. The scope's scroll bar.
    ScrollBar_ConvertFromGraph(panelScope, SCOPE_SCROLLBAR, ScrollBarCallback, nullptr);
    ScrollBar_SetAttribute(panelScope, SCOPE_SCROLLBAR, ATTR_SB_LENGTH, 700);
    ScrollBar_SetAttribute(panelScope, SCOPE_SCROLLBAR, ATTR_SB_THICKNESS, 16);
    ScrollBar_SetAttribute(panelScope, SCOPE_SCROLLBAR, ATTR_SB_PROP_THUMB, 1);

    // 8. No frame around the three graphs.
    SetCtrlAttribute(panelScope, SCOPE_TIMEGRAPH, ATTR_EDGE_STYLE, 0);
    SetCtrlAttribute(panelScope, SCOPE_FFTGRAPH, ATTR_EDGE_STYLE, 0);
    SetCtrlAttribute(panelDig, DIG_GRAPH, ATTR_EDGE_STYLE, 0);
}

void (*benchStartupHook)(int step) = nullptr;

namespace
{
void StepDone(int step)
{
    if (benchStartupHook)
        benchStartupHook(step);
}
} // namespace

int Bench_Main(int argc, char **argv)
{
    if (!InitRuntime(argc, argv))
        return -1;
    if (Bench_OpenMain() < 0)
        return -1;
    StepDone(3);
    // The splash panel stays up for at least a second, and until the
    // instruments are ready.
    Delay(1.0);
    StepDone(4);
    Bench_OpenInstruments();
    StepDone(8);
    Init_System();
    StepDone(9);

    int height = 0, width = 0;
    if (GetScreenSize(&height, &width) == 0 && height > 0 && width > 0)
        SetPanelSize(panelBench, height, width);
    StepDone(10);

    DiscardPanel(panelSplash);
    panelSplash = 0;
    StepDone(11);
    DisplayPanel(panelScope);
    StepDone(12);
    // The SCPI server, when it was left on (or a test asks for it).
    Remote_Open();

    RunUserInterface();

    Bench_Close();
    return 0;
}
