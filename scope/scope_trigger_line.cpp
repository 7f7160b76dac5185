// Where the trigger line is drawn in the visible window.
#include "scope/scope.h"

int Scope_TriggerLinePosition(int position, int windowSize)
{
    if (position < 0)
        position = 0;
    if (position >= windowSize)
        position = windowSize - 1;
    // Position 10 (and only 10) is drawn at 9.  It looks like a slip but is
    // kept on purpose: the line has always been drawn there, and moving it
    // would change what the bench shows next to earlier versions; it moves
    // the line by one sample and never touches the record.
    if (position == 10)
        position = 9;
    // An empty window leaves -1 above: the line then sits at the start.
    if (position < 0)
        position = 0;
    return position;
}
