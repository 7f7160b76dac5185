// The scope's state: the one ScopeState object, the names the rest of the
// bench uses for its members, and the reset that puts it back to a fresh
// ScopeState.
#include "scope/scope.h"
#include "scope/scope_data.h"

ScopeState scopeState;

int (&Ain)[4] = scopeState.Ain;
int &numChanIn = scopeState.numChanIn;
IChanRecord (&iChan)[4] = scopeState.iChan;
int (&iChannel)[4] = scopeState.iChannel;
double (&iRange)[4] = scopeState.iRange;
int &RequestedSamples = scopeState.RequestedSamples;
int &iSamples = scopeState.iSamples;
int &iScanCount = scopeState.iScanCount;
int &pre_iSample = scopeState.pre_iSample;
double &iClockRate = scopeState.iClockRate;
int &trigger_source = scopeState.trigger_source;
int &trigger_slope = scopeState.trigger_slope;
double &trigger_level = scopeState.trigger_level;
int &is_Parameter = scopeState.is_Parameter;
double (&VerticalScale)[4] = scopeState.VerticalScale;
double (&VerticalOffset)[4] = scopeState.VerticalOffset;
int (&ChannelColor)[4] = scopeState.ChannelColor;
char (&ChannelName)[4][8] = scopeState.ChannelName;
short &decimation_factor = scopeState.decimation_factor;
int &isStreamingRAMEnabled = scopeState.isStreamingRAMEnabled;
int &is_AverageON = scopeState.is_AverageON;
short &average_count = scopeState.average_count;
int &isMultipleRecord = scopeState.isMultipleRecord;
int &Aux_BNC = scopeState.Aux_BNC;
double &dTimeStep = scopeState.dTimeStep;
short *&BufferIn = scopeState.BufferIn;
double *(&vBufferIn)[4] = scopeState.vBufferIn;
double *(&vAverage)[4] = scopeState.vAverage;
double *(&vAverageSave)[4] = scopeState.vAverageSave;
double *(&spectrum)[4] = scopeState.spectrum;
double &Offset = scopeState.Offset;
int &iOffset = scopeState.iOffset;
int &Trigger_Point = scopeState.Trigger_Point;
int &loop = scopeState.loop;
short (&count_acq)[4] = scopeState.count_acq;
int (&plot)[4] = scopeState.plot;
double &ticks_scope = scopeState.ticks_scope;
double (&FirCoef)[1024] = scopeState.FirCoef;
int &isScopeStartOn = scopeState.isScopeStartOn;
int &isScopeContOn = scopeState.isScopeContOn;
int &isScopeStopOn = scopeState.isScopeStopOn;
int &isStreamingRAMOn = scopeState.isStreamingRAMOn;
int &is_PersistanceON = scopeState.is_PersistanceON;
int &is_TriggerLineON = scopeState.is_TriggerLineON;
int &isFilterON = scopeState.isFilterON;
int &FilterType = scopeState.FilterType;
double &FilterLowFreq = scopeState.FilterLowFreq;
double &FilterHighFreq = scopeState.FilterHighFreq;
int &Tap = scopeState.Tap;
int &Scroll_Value = scopeState.Scroll_Value;
int &Scroll_Thumb_Size = scopeState.Scroll_Thumb_Size;
int &Scroll_Min = scopeState.Scroll_Min;
int &Scroll_Max = scopeState.Scroll_Max;
double &ZoomFactor = scopeState.ZoomFactor;
int &isZoom_On = scopeState.isZoom_On;
double &ZoomCursorX1 = scopeState.ZoomCursorX1;
double &ZoomCursorY1 = scopeState.ZoomCursorY1;
double &ZoomCursorX2 = scopeState.ZoomCursorX2;
double &ZoomCursorY2 = scopeState.ZoomCursorY2;
int &Zoom_Start = scopeState.Zoom_Start;
int &Zoom_Width = scopeState.Zoom_Width;
int &Cursor1 = scopeState.Cursor1;
int &Cursor2 = scopeState.Cursor2;
int &isFFT_On = scopeState.isFFT_On;
double &dFreqStep = scopeState.dFreqStep;
int (&spectrumPlot)[4] = scopeState.spectrumPlot;
int &isAutoSaveON = scopeState.isAutoSaveON;
int &AutoSaveFormat = scopeState.AutoSaveFormat;
char (&directory)[kAutosavePathSize] = scopeState.directory;
char (&Dir)[kAutosavePathSize] = scopeState.Dir;

void Scope_Reset(void)
{
    // Moving a fresh state in also frees the record storage; the buffer
    // pointers are members declared ahead of it, so they are null by then.
    scopeState = ScopeState{};
    ScopeMeasure_Reset();
    Scope_ClearReferences();
}
