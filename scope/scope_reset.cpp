// Puts every scope variable back to the value it has when the program
// starts, and releases the record buffers, so that each test begins from a
// known state.  The values match the definitions in the scope's sources.
#include <cstring>

#include "scope/scope.h"

void Scope_Reset(void)
{
    Scope_ReleaseBuffers();
    Scope_SetBufferLimit(0.0);

    // settings
    static const char *const names[4] = {"CH1", "CH2", "CH3", "CH4"};
    static const int colors[4] = {VAL_YELLOW, VAL_GREEN, VAL_CYAN, VAL_MAGENTA};
    static const double offsets[4] = {3.0, 1.0, -1.0, -3.0};
    numChanIn = 4;
    for (int k = 0; k < 4; ++k) {
        Ain[k] = 1;
        iChan[k] = IChanRecord{static_cast<short>(k), 0, 0, 2.0};
        iChannel[k] = k;
        iRange[k] = 2.0;
        VerticalScale[k] = 1.0;
        VerticalOffset[k] = offsets[k];
        ChannelColor[k] = colors[k];
        std::strcpy(ChannelName[k], names[k]);
    }
    RequestedSamples = 0;
    iSamples = 0;
    iScanCount = 0;
    pre_iSample = 0;
    iClockRate = 10000000.0;
    trigger_source = 100;
    trigger_slope = 1;
    trigger_level = 0.0;
    is_Parameter = 0;
    decimation_factor = 1;
    isStreamingRAMEnabled = 0;
    is_AverageON = 0;
    average_count = 4;
    isMultipleRecord = 1;
    Aux_BNC = 0;
    dTimeStep = 1.0e-7;

    // capture
    Offset = 0.0;
    iOffset = 0;
    Trigger_Point = 0;
    loop = 0;
    for (int k = 0; k < 4; ++k) {
        count_acq[k] = 0;
        plot[k] = 0;
    }
    ticks_scope = 0.0;
    for (double &coefficient : FirCoef)
        coefficient = 0.0;

    // run control
    isScopeStartOn = 0;
    isScopeContOn = 0;
    isScopeStopOn = 0;
    isStreamingRAMOn = 0;
    is_PersistanceON = 0;
    is_TriggerLineON = 0;
    isFilterON = 0;
    FilterType = 0;
    FilterLowFreq = 1000.0;
    FilterHighFreq = 10000.0;
    Tap = 63;

    // view window
    Scroll_Value = 0;
    Scroll_Thumb_Size = 0;
    Scroll_Min = 0;
    Scroll_Max = 0;
    ZoomFactor = 1.0;
    isZoom_On = 0;
    ZoomCursorX1 = ZoomCursorY1 = ZoomCursorX2 = ZoomCursorY2 = 0.0;
    Zoom_Start = 0;
    Zoom_Width = 10;

    // cursors, spectrum, saving and autosave
    Cursor1 = 0;
    Cursor2 = 0;
    isFFT_On = 0;
    dFreqStep = 0.0;
    isAutoSaveON = 0;
    AutoSaveFormat = 0;
    directory[0] = '\0';
    Dir[0] = '\0';
}
