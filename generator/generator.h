// The function generator: two output channels sharing one frequency, the
// output clock and samples-per-period search, output ranges, arbitrary
// waveforms from ".awg" files and the advanced sine.  The channel records
// oChan[2] and oFrequency live in benchstate/benchstate.h, since the simulated
// scope input reads them.
//
// Buffers: vBufferOut1, vBufferOut2 and vNoise hold oSamples doubles each;
// BufferOut1 and BufferOut2 hold oSamples 16-bit codes, BufferOut holds
// SamplesCount codes.  The generator owns them (storage inside
// generator_state.cpp); the pointers are null until a channel is built.
// Every build of a channel converts its volts into codes, full scale = the
// channel's output range (clipped to the 16-bit limits), and BufferOut
// holds them as the output stage takes them, interleaved when both channels
// are on.  Nothing in this edition sends the codes anywhere.
#pragma once

#include <string>

#include "benchstate/benchstate.h"

// ---------------------------------------------------------------- settings
extern int trigger_source_out; // generator panel trigger source
extern int trigger_slope_out;  // generator panel trigger slope
extern double trigger_level_out;

// ------------------------------------------------------------------ output
extern int isGeneratorON; // 1 while at least one channel switch is on
extern int numChanOut;    // active output channels: 0, 1 or 2
extern int oPeriod;       // samples per waveform period
extern int oSamples;      // samples per channel buffer
extern int SamplesCount;  // oSamples * numChanOut
extern double oClockRate; // output sample clock, Hz
extern double maxOutClk;  // highest output clock of the device, Hz

extern double *vBufferOut1; // CH1 waveform, volts
extern double *vBufferOut2; // CH2 waveform, volts
extern double *vNoise;      // scratch for the added noise
extern short *BufferOut1;   // CH1 output codes
extern short *BufferOut2;   // CH2 output codes
extern short *BufferOut;    // combined codes, interleaved when both are on

extern int oChannel[2];  // output channel numbers of CH1 and CH2
extern double oRange[2]; // output range of each channel, volts

// Plot handles of the last drawing: CH1 and CH2 on the generator graph, the
// preview on the advanced panel's graph (0 when not drawn).
extern int oPlot[2];
extern int adPreviewPlot;

// Output ranges (volts); the fixed range is kFixedOutputRange.
inline constexpr int kNumOutputRanges = 7;
extern const double kOutputRanges[kNumOutputRanges];
inline constexpr double kFixedOutputRange = 10.0;

// --------------------------------------------------------- advanced sine
// Set by the advanced panel's OK, which applies the waveform at once when
// CH1 is on; otherwise the next Generator_Setting takes CH1 from vBufferOut1
// as the advanced panel left it.  Generator_Setting clears the flag.
extern int isAdvancedWaveformON;
extern int adPoints;  // points per period, a multiple of 32
extern int adPeriods; // number of periods

// What the CH1 buffer currently holds (drawing length depends on it).
enum { kCh1Standard = 0, kCh1ArbitraryFile = 1, kCh1Advanced = 2 };
extern int ch1Source;

// A waveform CH1 plays from its buffer: count values (volts), repeated at
// clockRate output samples per second.
struct Generator_Ch1Wave {
    const double *values = nullptr;
    int count = 0;
    double clockRate = 0.0;
};
// What CH1 outputs when it is not a standard waveform: true and *wave filled
// while CH1 plays an ".awg" file or the advanced sine; false while it is a
// standard waveform, made from oChan[0] and oFrequency.
bool Generator_Ch1Buffer(Generator_Ch1Wave *wave);

// -------------------------------------------------------------- callbacks
void Display_Generator(int menuBar, int menuItem, void *callbackData, int panel);
int Start_Stop_Generator(int panel, int control, int event, void *callbackData, int eventData1,
                         int eventData2);
int Update_Parameter_Generator(int panel, int control, int event, void *callbackData, int eventData1,
                               int eventData2);
int Select_Generator_Device(int panel, int control, int event, void *callbackData, int eventData1,
                            int eventData2);
int Close_Generator(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Open_Advanced_Gene_Setting(int panel, int control, int event, void *callbackData, int eventData1,
                               int eventData2);
int Update_Ad_Setting(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Preview_Waveform(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int onOK_Ad_Gene(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);

// ------------------------------------------------------------- operations
// Reads the channel switches, updates isGeneratorON / numChanOut and rebuilds
// the output.  Returns 0, or -1 when the update failed.
int Call_Output_Setting(void);
// Reads the generator panel and builds the active channels.  ch1On / ch2On
// are the values of the two channel switches.  Returns 0 or -1.
int Generator_Setting(int ch1On, int ch2On);
// Puts the settings as held (oFrequency, both channel records, the trigger
// settings) into the generator panel's controls.
void Generator_ShowSettings(void);
// Output clock and samples-per-period search.  Writes the period and the
// buffer length (whole periods) and returns the clock rate in Hz.  The device
// takes no part in the computation.
double getFuncGenClk(short deviceNumber, int channels, double frequency, int *period, int *samples);
// Output range for a peak voltage: the first table entry strictly greater
// than |peak| (5 V when none is), or the fixed range when the device has one.
double Generator_ChooseRange(double peak);

// Loads the ".awg" file at path into CH1 as the file dialog's choice is
// loaded, without any popup: sets CH1's type ring to the file and, when CH1
// is on, rebuilds the output with it; with CH1 off the buffer takes the file
// for the input and the next update.  Returns kAwgOk (0), or a negative
// AwgStatus with *message set; the ring and the output are then unchanged.
int Generator_LoadArbitrary(const char *path, std::string *message);

// Builds the advanced sine from the advanced panel into vBufferOut1.
// Returns 0, or -1 when the buffer cannot be allocated (nothing changes).
int Set_Advanced_Waveform(void);
// values[i] = amplitude * sin(2 pi i / count), i = 0 .. count - 1.
void CreateSineWave(double *values, int count, double amplitude);

// Callbacks the resource file binds by name.
extern const CallbackEntry generatorCallbackTable[];
extern const int generatorCallbackCount;

// Puts every generator variable back to its start-up value and releases the
// buffers (tests).
void Generator_Reset(void);
