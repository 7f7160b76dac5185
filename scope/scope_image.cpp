// "Export Image": the scope's graph (time or spectrum, as shown) or the
// analyzer's graph written as PNG, SVG or PDF at the size set on the panel.
#include <cstdio>
#include <string>

#include "benchstate/loaded_panel.h"
#include "scope/scope.h"
#include "scope/scope_data.h"
#include "ui/graph_export.h"

namespace
{

int imagePanel = 0;
int sourcePanel = 0;   // the graph the panel exports
int sourceControl = 0;

} // namespace

int Scope_ImagePanel(void)
{
    // Loaded on first use; a bench opened again has a new one.
    return Bench_LoadedPanel(imagePanel, IMAGE);
}

void Scope_OpenImageExport(int panel, int control, const char *what)
{
    sourcePanel = panel;
    sourceControl = control;
    const int p = Scope_ImagePanel();
    if (p <= 0)
        return;
    const std::string text = std::string("Graph: ") + (what ? what : "");
    SetCtrlVal(p, IMAGE_SOURCE, text.c_str());
    DisplayPanel(p);
}

int Scope_ExportImage(void)
{
    const int p = Scope_ImagePanel();
    if (p <= 0 || sourcePanel <= 0)
        return -1;
    int width = 0, height = 0;
    GetCtrlVal(p, IMAGE_WIDTH, &width);
    GetCtrlVal(p, IMAGE_HEIGHT, &height);
    const char *types = GraphExportSvgAvailable() ? "*.png;*.svg;*.pdf" : "*.png;*.pdf";
    char path[1024] = "";
    const int answer = FileSelectPopup("", "*.png", types, "Export Image", VAL_SAVE_BUTTON, 0, 0, 1, 1, path);
    if (answer <= VAL_NO_FILE_SELECTED || path[0] == '\0')
        return -1;
    const int status = ExportGraphImage(sourcePanel, sourceControl, path, width, height);
    if (status < 0) {
        const std::string message = std::string("Saving File impossible: ") + GraphExportErrorText(status);
        MessagePopup("Error message", message.c_str());
        return -1;
    }
    return 0;
}

int Scope_Export_Image(int panel, int control, int event, void *callbackData, int eventData1, int eventData2)
{
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event == EVENT_COMMIT)
        Scope_OpenImageExport(panelScope, isFFT_On ? static_cast<int>(SCOPE_FFTGRAPH) : static_cast<int>(SCOPE_TIMEGRAPH),
                              isFFT_On ? "oscilloscope spectrum" : "oscilloscope time");
    return 0;
}

int onOK_ExportImage(int panel, int control, int event, void *callbackData, int eventData1, int eventData2)
{
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event == EVENT_COMMIT)
        Scope_ExportImage();
    return 0;
}

int Close_ExportImage(int panel, int control, int event, void *callbackData, int eventData1, int eventData2)
{
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event == EVENT_COMMIT)
        HidePanel(panel);
    return 0;
}
