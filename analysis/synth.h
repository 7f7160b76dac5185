// Waveform synthesis, noise, random numbers and array helpers.
//
// Periodic waveforms take their frequency in cycles per sample and a phase
// in degrees owned by the caller: the phase is read at entry, advanced by
// frequency x 360 per sample by repeated addition, and written back reduced
// to [0, 360), so that successive calls continue one waveform.
//
// Every status-returning routine returns 0 on success or a negative code of
// analysis/errors.h; on an argument error nothing is written.
#ifndef KORVAX_ANALYSIS_SYNTH_H
#define KORVAX_ANALYSIS_SYNTH_H

#include "analysis/errors.h"
#include "analysis/locks.h"

#ifdef __cplusplus
extern "C" {
#endif

// The library's not-a-number: bit pattern 0xFFFFFFFF7FFFFFFF.
extern const double iDNaN;

// --- Periodic waveforms: out[i] = amplitude x shape(phase_i) -------------
ANALYSIS_NODISCARD int SineWave(int n, double amplitude, double frequency, double *phase, double *out);
// dutyCycle in percent, clamped silently to [0, 100].
ANALYSIS_NODISCARD int SquareWave(int n, double amplitude, double frequency, double *phase, double dutyCycle,
                                  double *out);
ANALYSIS_NODISCARD int SawtoothWave(int n, double amplitude, double frequency, double *phase, double *out);
ANALYSIS_NODISCARD int TriangleWave(int n, double amplitude, double frequency, double *phase, double *out);

// --- Decimated synthesis for long records --------------------------------
// out[j] (j = 0 .. count-1) is bit for bit sample j x stride of what the
// plain routine would produce for a record of count x stride samples from
// the same phase, and *phase is left exactly where that call would leave it.
// Only the kept samples are evaluated and no record is held, so a record
// longer than an int can count may be synthesised this way.
// count < 1 returns -20003, stride < 1 returns -20022.
ANALYSIS_NODISCARD int SineWaveDecimated(int count, double amplitude, double frequency, double *phase,
                                         int stride, double *out);
ANALYSIS_NODISCARD int SquareWaveDecimated(int count, double amplitude, double frequency, double *phase,
                                           double dutyCycle, int stride, double *out);
ANALYSIS_NODISCARD int SawtoothWaveDecimated(int count, double amplitude, double frequency, double *phase,
                                             int stride, double *out);
ANALYSIS_NODISCARD int TriangleWaveDecimated(int count, double amplitude, double frequency, double *phase,
                                             int stride, double *out);

// --- Noise (one process-wide sequence, safe from any thread) --------------
// Uniform noise on 32768 levels from -(16383/16384) x amplitude to
// +amplitude. A positive seed restarts the sequence; 0 or a negative seed
// continues it. -20064 when the generator's lock cannot be created.
ANALYSIS_NODISCARD int WhiteNoise(int n, double amplitude, int seed, double *out);
// inout[i] += element i of WhiteNoise(n, amplitude, 0, ...), without an
// array for the noise: the same values, added in the same order.
ANALYSIS_NODISCARD int AddWhiteNoise(int n, double amplitude, double *inout);
// out[j] equals element j x stride of WhiteNoise(count x stride, amplitude,
// 0, ...) from the current sequence, which is left advanced by count x
// stride draws. count < 1 returns -20003, stride < 1 returns -20022.
ANALYSIS_NODISCARD int WhiteNoiseDecimated(int count, double amplitude, int stride, double *out);
// Next value 0 .. 32767 of the noise sequence; the caller holds
// AnlysRandGenMutex.
int randnum(void);
// Restarts the noise sequence from a non-zero seed (0 is ignored); the
// caller holds AnlysRandGenMutex.
void srandnum(int seed);
// Creates the noise generator's lock on first use: 0, or non-zero when it
// cannot be made.
ANALYSIS_NODISCARD int InitRandMutex(void);
extern DSPMutex AnlysRandGenMutex;

// --- Uniform random numbers (one sequence per thread, no lock) ------------
// A value in [minimum, maximum); minimum itself, without a draw, when
// maximum < minimum.
double Random(double minimum, double maximum);
// Non-zero: the thread's new seed; 0: seed from the processor clock. The
// next Random call of this thread restarts from it.
void SetRandomSeed(int seed);

// Restores both generators to their start-up state: the noise sequence and
// the calling thread's uniform sequence. For tests and instrument resets.
void ResetAnalysisRandomState(void);

// --- Array helpers --------------------------------------------------------
ANALYSIS_NODISCARD int Set1D(double *a, int n, double value);
ANALYSIS_NODISCARD int Copy1D(const double *src, int n, double *dst);
// Extremes, skipping NaN elements; the first occurrence wins ties. An
// all-NaN array gives iDNaN and index -1 for both.
ANALYSIS_NODISCARD int MaxMin1D(const double *a, int n, double *max, int *imax, double *min, int *imin);

#ifdef __cplusplus
}
#endif

#endif
