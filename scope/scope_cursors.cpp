// Measurement cursors, offset-marker drags, cursor readouts and the
// amplitude parameters of the measured slot.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "scope/scope.h"

namespace
{

const char *const kTimeUnits[3] = {"sec", "msec", "\xC2\xB5sec"};
const char *const kVoltUnits[3] = {"V", "mV", "\xC2\xB5V"};

// Cursor used to park the active cursor when no measurement cursor is on.
constexpr int kParkingCursor = 7;

struct CursorControls {
    int cursor;
    int *flag;
    int timeCtrl;
    int voltCtrl;
};

CursorControls ControlsOf(int which)
{
    if (which == 2)
        return {2, &Cursor2, SCOPE_C2_TIME, SCOPE_C2_VOLT};
    return {1, &Cursor1, SCOPE_C1_TIME, SCOPE_C1_VOLT};
}

// Time and voltage of a measurement cursor, written to its two readouts.
// A snapping cursor is first put onto slot 0's current trace at its sample
// index; its position is read again after that, because the position it
// had came from the trace drawn before (the last capture, scroll or reset)
// and its voltage would be that old trace's.
void ReadMeasurementCursor(const CursorControls &c, double *xOut)
{
    double x = 0.0, y = 0.0;
    GetGraphCursor(panelScope, SCOPE_TIMEGRAPH, c.cursor, &x, &y);
    if (!is_PersistanceON && plot[0] > 0) {
        int index = 0;
        if (x > 0.0)
            index = x > 2.0e9 ? 2000000000 : static_cast<int>(x);
        if (SetGraphCursorIndex(panelScope, SCOPE_TIMEGRAPH, c.cursor, plot[0], index) == 0)
            GetGraphCursor(panelScope, SCOPE_TIMEGRAPH, c.cursor, &x, &y);
    }
    const double t = (x + Scroll_Value) * dTimeStep;
    const double v = VerticalScale[0] != 0.0 ? (y - VerticalOffset[0]) / VerticalScale[0] : 0.0;
    char text[64];
    Scope_FormatReadout(v, 1, text, sizeof text);
    SetCtrlVal(panelScope, c.voltCtrl, text);
    Scope_FormatReadout(t, 0, text, sizeof text);
    SetCtrlVal(panelScope, c.timeCtrl, text);
    *xOut = x;
}

} // namespace

void Scope_FormatReadout(double value, int isVoltage, char *text, int textSize)
{
    if (!text || textSize <= 0)
        return;
    const bool negative = value < 0.0;
    double v = std::fabs(value);
    int i = 0;
    while (v < 1.0 && i < 2) {
        v *= 1000.0;
        ++i;
    }
    if (negative)
        v = -v;
    // Fixed notation with '.' whatever the process locale says.
    char number[48];
    const std::to_chars_result r =
        std::to_chars(number, number + sizeof number - 1, v, std::chars_format::fixed, 2);
    const char *digits = number;
    if (r.ec == std::errc())
        *r.ptr = '\0';
    else
        digits = "?";
    std::snprintf(text, static_cast<std::size_t>(textSize), "%s %s", digits,
                  isVoltage ? kVoltUnits[i] : kTimeUnits[i]);
}

int Scope_MeasureWaveform(const double *samples, int n, WaveformParameters *out)
{
    if (!samples || n <= 0 || !out)
        return -1;
    // Four independent lanes keep the loop free of a single long dependency
    // chain (a record holds up to eight million samples); the lanes are
    // merged with the same comparisons, so NaN samples behave as in one pass.
    constexpr int kLanes = 4;
    double maxL[kLanes], minL[kLanes], sumL[kLanes] = {}, sqL[kLanes] = {};
    for (int l = 0; l < kLanes; ++l)
        maxL[l] = minL[l] = samples[0];
    int i = 0;
    for (; i + kLanes <= n; i += kLanes) {
        for (int l = 0; l < kLanes; ++l) {
            const double s = samples[i + l];
            sumL[l] += s;
            sqL[l] += s * s;
            if (s > maxL[l])
                maxL[l] = s;
            if (s < minL[l])
                minL[l] = s;
        }
    }
    for (int l = 0; i < n; ++i, ++l) {
        const double s = samples[i];
        sumL[l] += s;
        sqL[l] += s * s;
        if (s > maxL[l])
            maxL[l] = s;
        if (s < minL[l])
            minL[l] = s;
    }
    double max = maxL[0], min = minL[0];
    const double sum = (sumL[0] + sumL[1]) + (sumL[2] + sumL[3]);
    const double sumSquares = (sqL[0] + sqL[1]) + (sqL[2] + sqL[3]);
    for (int l = 1; l < kLanes; ++l) {
        if (maxL[l] > max)
            max = maxL[l];
        if (minL[l] < min)
            min = minL[l];
    }
    out->minimum = 1000.0 * min;
    out->maximum = 1000.0 * max;
    out->peakToPeak = std::fabs(std::trunc(1000.0 * (max - min)));
    out->mean = 1000.0 * sum / n;
    out->rms = 1000.0 * std::sqrt(sumSquares / n);
    return 0;
}

void Waveform_Parameter(const double *samples)
{
    WaveformParameters p;
    if (Scope_MeasureWaveform(samples, Scroll_Thumb_Size, &p) != 0)
        return;
    SetCtrlVal(panelScope, SCOPE_PARAM_MIN, p.minimum);
    SetCtrlVal(panelScope, SCOPE_PARAM_MAX, p.maximum);
    SetCtrlVal(panelScope, SCOPE_PARAM_PKPK, p.peakToPeak);
    SetCtrlVal(panelScope, SCOPE_PARAM_MEAN, p.mean);
    SetCtrlVal(panelScope, SCOPE_PARAM_RMS, p.rms);
}

void Plot_Cursor_Measurement(void)
{
    double x1 = 0.0, x2 = 0.0;
    if (Cursor1)
        ReadMeasurementCursor(ControlsOf(1), &x1);
    if (Cursor2)
        ReadMeasurementCursor(ControlsOf(2), &x2);
    if (Cursor1 && Cursor2) {
        char text[64];
        Scope_FormatReadout(std::fabs(x2 - x1) * dTimeStep, 0, text, sizeof text);
        SetCtrlVal(panelScope, SCOPE_DELTA_T, text);
    }
}

int ScopeCursorMode(int panel, int control, int event, void *callbackData, int eventData1, int eventData2)
{
    (void)panel;
    (void)control;
    (void)event;
    (void)eventData1;
    (void)eventData2;
    const int which = static_cast<int>(reinterpret_cast<std::intptr_t>(callbackData));
    if (which != 1 && which != 2)
        return 0;
    const CursorControls c = ControlsOf(which);
    if (*c.flag) {
        *c.flag = 0;
        SetCursorAttribute(panelScope, SCOPE_TIMEGRAPH, c.cursor, ATTR_CURSOR_ENABLED, 0);
        SetCursorAttribute(panelScope, SCOPE_TIMEGRAPH, c.cursor, ATTR_CURSOR_MODE, VAL_FREE_FORM);
        SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, c.cursor, 0.0, 0.0);
        SetCtrlAttribute(panelScope, c.voltCtrl, ATTR_VISIBLE, 0);
        SetCtrlAttribute(panelScope, c.timeCtrl, ATTR_VISIBLE, 0);
        SetCtrlAttribute(panelScope, SCOPE_DELTA_T, ATTR_VISIBLE, 0);
    } else {
        const int decimation = decimation_factor > 0 ? decimation_factor : 1;
        const int half = isStreamingRAMOn ? Scroll_Thumb_Size / decimation / 2 : Scroll_Thumb_Size / 2;
        int x;
        if (which == 1)
            x = half <= 1 ? 5 : half;
        else
            x = half > 20 ? half + 20 : 5;
        *c.flag = 1;
        SetCursorAttribute(panelScope, SCOPE_TIMEGRAPH, c.cursor, ATTR_CURSOR_MODE,
                           is_PersistanceON ? VAL_FREE_FORM : VAL_SNAP_TO_POINT);
        SetCursorAttribute(panelScope, SCOPE_TIMEGRAPH, c.cursor, ATTR_CURSOR_ENABLED, 1);
        SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, c.cursor, x, 0.0);
        // A snapping cursor goes onto the trace its voltage is read with
        // (slot 0), not onto whichever trace was drawn last.
        if (!is_PersistanceON && plot[0] > 0)
            SetGraphCursorIndex(panelScope, SCOPE_TIMEGRAPH, c.cursor, plot[0], x);
        SetCtrlAttribute(panelScope, c.voltCtrl, ATTR_VISIBLE, 1);
        SetCtrlAttribute(panelScope, c.timeCtrl, ATTR_VISIBLE, 1);
    }
    if (Cursor1 && Cursor2)
        SetCtrlAttribute(panelScope, SCOPE_DELTA_T, ATTR_VISIBLE, 1);
    if (!Cursor1 && !Cursor2)
        SetActiveGraphCursor(panelScope, SCOPE_TIMEGRAPH, 5);
    return 0;
}

int Read_Scope_Cursor(int panel, int control, int event, void *callbackData, int eventData1, int eventData2)
{
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData2;
    if (event == EVENT_COMMIT) {
        Plot_Cursor_Measurement();
        SetMouseCursor(VAL_DEFAULT_CURSOR);
    } else if (event == EVENT_VAL_CHANGED) {
        SetMouseCursor(VAL_HOUR_GLASS_CURSOR);
        // The cursor being dragged comes with the event; the active cursor
        // stands in when a caller sends none.
        int active = eventData1;
        if (active <= 0 && GetActiveGraphCursor(panelScope, SCOPE_TIMEGRAPH, &active) < 0)
            active = 0;
        if (active == 1 || active == 2) {
            Plot_Cursor_Measurement();
        } else {
            if (!Cursor1 && !Cursor2)
                SetActiveGraphCursor(panelScope, SCOPE_TIMEGRAPH, kParkingCursor);
            const int markers = numChanIn == 1 ? 1 : numChanIn == 2 ? 2 : numChanIn == 4 ? 4 : 0;
            for (int k = 0; k < markers; ++k) {
                double x = 0.0, y = 0.0;
                if (GetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 3 + k, &x, &y) < 0)
                    continue;
                VerticalOffset[k] = y;
                SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 3 + k, Scroll_Thumb_Size / 2, y);
            }
            DeleteGraphPlot(panelScope, SCOPE_TIMEGRAPH, -1, VAL_DELAYED_DRAW);
            Scope_PlotWindow(0);
        }
    }
    RefreshGraph(panelScope, SCOPE_TIMEGRAPH);
    return 0;
}
