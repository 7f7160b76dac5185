// The view window over a record: scroll bar, zoom steps, zoom area, offset
// markers, x-axis labels and the scope toolbar.
#include "scope/scope.h"

int Scroll_Value = 0;
int Scroll_Thumb_Size = 0;
int Scroll_Min = 0;
int Scroll_Max = 0;
double ZoomFactor = 1.0;
int isZoom_On = 0;
double ZoomCursorX1 = 0.0, ZoomCursorY1 = 0.0, ZoomCursorX2 = 0.0, ZoomCursorY2 = 0.0;
int Zoom_Start = 0;
int Zoom_Width = 10;

ToolbarType InstallToolBar(int panel)
{
    (void)panel;
    return 0;
}

int ScrollBarCallback(int, int, int, void *, int, int)
{
    return 0;
}

int ScopeZoomData(int, int, int, void *, int, int)
{
    return 0;
}

int ScopeZoomCursor(int, int, int, void *, int, int)
{
    return 0;
}

int Scope_Reset_Position(int, int, int, void *, int, int)
{
    return 0;
}
