// Pulse and timing measurements of one record: top and base levels,
// amplitude, period and frequency, pulse widths and duty cycles, rise and
// fall times, overshoot and preshoot, cycle mean and RMS, edge counts.
//
// Levels.  Top and base are the modes of the upper and lower halves of a
// 256-bin histogram of the record: the mean of the samples in the modal bin
// and the bins beside it that hold at least half as many (so noise spread
// over several bins is averaged).  A half without a plateau, one whose
// modal bin holds no more than twice the half's average per bin (a
// triangle, a ramp), takes the record's maximum or minimum instead.
// Amplitude = top - base.
//
// Edges.  The mid level is base + 50 % of the amplitude.  The signal is
// high once it rises above mid + 10 % and low once it falls below
// mid - 10 % of the amplitude (hysteresis, so noise on a slow edge makes
// one edge, not many); each change of state is one edge, timed where the
// signal crosses the mid level, interpolated linearly between samples.
// Rise time runs from the 10 % to the 90 % level of each rising edge, fall
// time from 90 % to 10 % of each falling edge, both interpolated and
// averaged over every complete edge.
//
// Cycles.  The whole cycles of the record run from its first edge to its
// last edge of the same direction (rising edges, or falling edges when the
// record has fewer than two rising ones).  Period = their span / their
// count, so it is averaged over every whole cycle; widths, duty cycles and
// the cycle mean and RMS are taken over the same span.
//
// NaN and infinite samples are skipped by every measurement; an edge
// across such a gap is interpolated between its finite neighbours.
//
// Every routine returns 0 on success or a negative status code of
// analysis/errors.h.  An argument error leaves every output untouched.
#ifndef KORVAX_ANALYSIS_PULSE_H
#define KORVAX_ANALYSIS_PULSE_H

#include "analysis/errors.h"

#ifdef __cplusplus
extern "C" {
#endif

// Results of PulseMeasure.  Times in seconds, frequency in hertz, levels in
// the record's unit, duty cycles, overshoot and preshoot in percent.  A
// value the record does not support is iDNaN.
struct PulseMeasurements {
    double top;
    double base;
    double amplitude;
    double period;
    double frequency;
    double positiveWidth;
    double negativeWidth;
    double positiveDuty;
    double negativeDuty;
    double riseTime;
    double fallTime;
    double overshoot;  // (maximum - top) / amplitude x 100
    double preshoot;   // (base - minimum) / amplitude x 100
    double cycleMean;  // mean over the whole cycles
    double cycleRms;   // root mean square over the whole cycles
    int risingEdges;
    int fallingEdges;
    int cycles;        // whole cycles the period is averaged over
};
#ifndef __cplusplus
typedef struct PulseMeasurements PulseMeasurements;
#endif

// Top and base of x[0..n-1] (histogram modes, see above).  -20003 n < 1,
// -20008 a null pointer, -20105 no finite sample.  A constant record gives
// top = base.
ANALYSIS_NODISCARD int PulseLevels(const double *x, int n, double *top, double *base);

// Every measurement of x[0..n-1] sampled every dt seconds.  -20003 n < 1,
// -20008 a null pointer, -20016 dt not positive and finite, -20105 no
// finite sample (nothing written).  -20104 when the record holds no whole
// cycle (a constant record among them): the levels, overshoot, preshoot,
// edge counts and the rise or fall time of a complete edge are still
// written, every cycle measurement is iDNaN and cycles is 0.
ANALYSIS_NODISCARD int PulseMeasure(const double *x, int n, double dt, struct PulseMeasurements *result);

#ifdef __cplusplus
}
#endif

#endif
