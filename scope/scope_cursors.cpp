// Measurement cursors, offset-marker drags, cursor readouts and the
// amplitude parameters of the measured slot.
#include "scope/scope.h"

int Cursor1 = 0;
int Cursor2 = 0;

int ScopeCursorMode(int, int, int, void *, int, int)
{
    return 0;
}

int Read_Scope_Cursor(int, int, int, void *, int, int)
{
    return 0;
}

void Plot_Cursor_Measurement(void) {}

void Waveform_Parameter(const double *samples)
{
    (void)samples;
}
