// The signal-processing library: status codes, synthesis, noise, array
// helpers, FIR design and convolution, windows, spectra and the real FFT,
// pulse and spectrum measurements and waveform arithmetic.
#ifndef KORVAX_ANALYSIS_ANALYSIS_H
#define KORVAX_ANALYSIS_ANALYSIS_H

#include "analysis/errors.h"
#include "analysis/fir.h"
#include "analysis/locks.h"
#include "analysis/pulse.h"
#include "analysis/spectrum.h"
#include "analysis/spectrum_measure.h"
#include "analysis/synth.h"
#include "analysis/waveform_math.h"

#endif
