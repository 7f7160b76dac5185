// Internal helpers of the generator: ownership of the output buffers and the
// pieces of an update shared between its source files.
#pragma once

#include <memory>
#include <string>

#include "generator/generator.h"

namespace gen
{

// Element counts of the buffers the pointers of generator.h point to
// (0 while a pointer is null).
int Ch1Length();
int Ch2Length();
int NoiseLength();
int CombinedLength();

// Replace a channel's volt buffer and code buffer by fresh zeroed ones of n
// samples.  Returns 0, or -1 when memory is short (nothing changes then).
int AllocCh1(int n);
int AllocCh2(int n);
// Makes vNoise hold at least n samples.  Returns 0 or -1.
int ReserveNoise(int n);
// Replaces the combined code buffer by a zeroed one of n codes (n <= 0
// releases it).  Returns 0 or -1.
int AllocCombined(int n);
void ReleaseCombined();
// Hands a ready CH1 waveform of n samples to the generator, with a fresh code
// buffer.  Returns 0, or -1 when memory is short (nothing changes then).
int AdoptCh1(std::unique_ptr<double[]> values, int n);
void ReleaseAll();

// Converts volts into 16-bit codes, full scale = range.
void FillCodes(const double *volts, short *codes, int n, double range);

// Shows a failure in the generator's message box.
void ShowError(const char *message);

// The arbitrary-file path of an update: asks for the file, reads it into
// vBufferOut1 and sets oSamples, SamplesCount, oClockRate and oRange[0].
// Returns 0, or -1 (cancelled or refused; the output is then unchanged).
// A refusal shows in the message box, except during Generator_LoadArbitrary,
// which takes its path instead of the dialog and reports to its caller.
int LoadArbitraryFile(void);
// Reads the file at path into CH1 as above, without a dialog or a popup.
// Returns kAwgOk, or a negative AwgStatus with *message set (nothing changes).
int LoadArbitraryPath(const char *path, std::string *message);

// Amplitude, offset and output clock the advanced waveform was last built
// with (the clock also as its panel last showed it).
extern double adAmplitude;
extern double adOffset;
extern double adClock;
// Output clock of the buffer CH1 plays while it is not a standard waveform.
extern double ch1Clock;
// The channels the last completed update built (CH1, CH2): what the output
// holds, whatever the switches say after a refused update.
extern int outputOn[2];

} // namespace gen
