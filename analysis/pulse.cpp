// Pulse and timing measurements: histogram levels, hysteresis edge scan
// with interpolated crossings, and the cycle statistics.
//
// A record is read four times: once for its finite extremes, once for the
// histogram, once by the edge scan (which looks a few samples back and
// ahead around each edge) and once over the whole cycles for their mean and
// RMS.  Nothing is allocated.
#include "analysis/pulse.h"
#include "analysis/synth.h"

#include <cfloat>
#include <cmath>

namespace
{

constexpr int kBins = 256;
constexpr int kWays = 4; // interleaved histograms, so repeated bins do not stall

inline bool Finite(double v)
{
    return std::fabs(v) <= DBL_MAX;
}

struct Extremes {
    double min;
    double max;
    long long finite;
};

Extremes FiniteExtremes(const double *x, int n)
{
    double lo[kWays], hi[kWays];
    long long count[kWays] = {0, 0, 0, 0};
    for (int w = 0; w < kWays; ++w) {
        lo[w] = DBL_MAX;
        hi[w] = -DBL_MAX;
    }
    int i = 0;
    for (; i + kWays <= n; i += kWays) {
        for (int w = 0; w < kWays; ++w) {
            const double v = x[i + w];
            const bool ok = Finite(v);
            lo[w] = (ok && v < lo[w]) ? v : lo[w];
            hi[w] = (ok && v > hi[w]) ? v : hi[w];
            count[w] += ok;
        }
    }
    for (; i < n; ++i) {
        const double v = x[i];
        const bool ok = Finite(v);
        lo[0] = (ok && v < lo[0]) ? v : lo[0];
        hi[0] = (ok && v > hi[0]) ? v : hi[0];
        count[0] += ok;
    }
    Extremes e{lo[0], hi[0], count[0]};
    for (int w = 1; w < kWays; ++w) {
        e.min = lo[w] < e.min ? lo[w] : e.min;
        e.max = hi[w] > e.max ? hi[w] : e.max;
        e.finite += count[w];
    }
    return e;
}

// Mean of the samples in the run of bins around the modal bin that hold at
// least half its count (within bins first..last), so that noise spread over
// several bins is averaged rather than sampled at one of them.
double PlateauMean(const long long *count, const double *sum, int mode, int first, int last)
{
    const long long half = (count[mode] + 1) / 2;
    int lo = mode, hi = mode;
    while (lo > first && count[lo - 1] >= half)
        --lo;
    while (hi < last && count[hi + 1] >= half)
        ++hi;
    long long c = 0;
    double s = 0.0;
    for (int b = lo; b <= hi; ++b) {
        c += count[b];
        s += sum[b];
    }
    return s / static_cast<double>(c);
}

// Top and base by the histogram of the finite samples between min and max.
void HistogramLevels(const double *x, int n, const Extremes &e, double *top, double *base)
{
    if (!(e.max > e.min)) {
        *top = e.max;
        *base = e.min;
        return;
    }
    int counts[kWays][kBins] = {};
    double sums[kWays][kBins] = {};
    const double scale = kBins / (e.max - e.min);
    const double lo = e.min;
    auto add = [&](int w, double v) {
        if (!Finite(v))
            return;
        int b = static_cast<int>((v - lo) * scale);
        b = b < kBins ? b : kBins - 1;
        b = b > 0 ? b : 0;
        ++counts[w][b];
        sums[w][b] += v;
    };
    int i = 0;
    for (; i + kWays <= n; i += kWays)
        for (int w = 0; w < kWays; ++w)
            add(w, x[i + w]);
    for (; i < n; ++i)
        add(0, x[i]);

    long long count[kBins];
    double sum[kBins];
    for (int b = 0; b < kBins; ++b) {
        count[b] = 0;
        sum[b] = 0.0;
        for (int w = 0; w < kWays; ++w) {
            count[b] += counts[w][b];
            sum[b] += sums[w][b];
        }
    }
    constexpr int kHalf = kBins / 2;
    // Upper half: highest modal bin; lower half: lowest modal bin.
    long long upperTotal = 0, lowerTotal = 0;
    int upperMode = kBins - 1, lowerMode = 0;
    for (int b = kBins - 1; b >= kHalf; --b) {
        upperTotal += count[b];
        if (count[b] > count[upperMode])
            upperMode = b;
    }
    for (int b = 0; b < kHalf; ++b) {
        lowerTotal += count[b];
        if (count[b] > count[lowerMode])
            lowerMode = b;
    }
    // A plateau holds clearly more than an even spread would put in a bin.
    const bool upperPlateau = count[upperMode] > 0 && count[upperMode] * kHalf > 2 * upperTotal;
    const bool lowerPlateau = count[lowerMode] > 0 && count[lowerMode] * kHalf > 2 * lowerTotal;
    *top = upperPlateau ? PlateauMean(count, sum, upperMode, kHalf, kBins - 1) : e.max;
    *base = lowerPlateau ? PlateauMean(count, sum, lowerMode, 0, kHalf - 1) : e.min;
}

// The edge scan works on s * x, so one code serves rising edges (s = +1)
// and falling edges (s = -1): "below" a level means s * x < s * level.

// Last finite sample in [lo, hi) below level, or -1.
int LastBelow(const double *x, int lo, int hi, double level, double s)
{
    for (int j = hi - 1; j >= lo; --j) {
        const double v = x[j];
        if (Finite(v) && s * v < s * level)
            return j;
    }
    return -1;
}

// Time in samples where the signal passes level between the finite sample
// j (below it) and the next finite sample after j (at or above it).
double CrossingAfter(const double *x, int j, double level)
{
    int k = j + 1;
    while (!Finite(x[k]))
        ++k;
    const double a = x[j], b = x[k];
    return j + (level - a) / (b - a) * (k - j);
}

// Time in samples where the signal reaches level after the finite sample
// j (below it): the first finite sample at or above level, interpolated
// with the finite sample before it.  -1 when the signal falls back below
// 'abort' first or the record ends.
double CrossingForward(const double *x, int n, int j, double level, double abort, double s)
{
    int prev = j;
    for (int k = j + 1; k < n; ++k) {
        const double v = x[k];
        if (!Finite(v))
            continue;
        if (s * v >= s * level) {
            const double a = x[prev];
            return prev + (level - a) / (v - a) * (k - prev);
        }
        if (s * v < s * abort)
            return -1.0;
        prev = k;
    }
    return -1.0;
}

struct EdgeTally {
    int count = 0;
    double first = 0.0;    // time of the first edge, samples
    double last = 0.0;     // time of the latest edge
    double widthSum = 0.0; // from each edge to the next opposite edge, completed cycles
    double lastWidth = 0.0;
    double transitionSum = 0.0; // 10 %-90 % times of complete edges
    int transitions = 0;
};

struct Levels {
    double mid, high, low, l10, l90, maxv, minv;
};

// Handles an edge detected at index i (the first sample past the hysteresis
// threshold) whose state began at index stop: times the mid crossing and
// the 10 %-90 % transition and books them.
void BookEdge(const double *x, int n, int i, int stop, const Levels &lv, double s, EdgeTally &self,
              EdgeTally &other)
{
    // Levels seen from this edge's direction.
    const double from = s > 0 ? lv.l10 : lv.l90;
    const double to = s > 0 ? lv.l90 : lv.l10;
    const double back = s > 0 ? lv.low : lv.high;
    const int jmid = LastBelow(x, stop, i, lv.mid, s);
    if (jmid < 0)
        return; // cannot happen: the state began below the mid level
    const double t = CrossingAfter(x, jmid, lv.mid);
    if (self.count > 0)
        self.widthSum += self.lastWidth;
    if (self.count == 0)
        self.first = t;
    self.last = t;
    ++self.count;
    if (other.count > 0)
        other.lastWidth = t - other.last;

    const int j10 = LastBelow(x, stop, jmid + 1, from, s);
    if (j10 < 0)
        return;
    const double t10 = CrossingAfter(x, j10, from);
    const double t90 = CrossingForward(x, n, jmid, to, back, s);
    if (t90 < 0.0)
        return;
    self.transitionSum += t90 - t10;
    ++self.transitions;
}

// Finds the edges of x with hysteresis around the mid level.
void ScanEdges(const double *x, int n, const Levels &lv, EdgeTally &rise, EdgeTally &fall)
{
    const double hi = lv.high, lo = lv.low, maxv = lv.maxv, minv = lv.minv;
    int i = 0;
    int state = 0;
    for (; i < n; ++i) {
        const double v = x[i];
        if (v > hi && v <= maxv) {
            state = 1;
            break;
        }
        if (v < lo && v >= minv) {
            state = -1;
            break;
        }
    }
    int stop = i;
    while (i < n) {
        if (state < 0) {
            ++i;
            while (i < n && !(x[i] > hi && x[i] <= maxv))
                ++i;
            if (i >= n)
                break;
            BookEdge(x, n, i, stop, lv, 1.0, rise, fall);
            state = 1;
        } else {
            ++i;
            while (i < n && !(x[i] < lo && x[i] >= minv))
                ++i;
            if (i >= n)
                break;
            BookEdge(x, n, i, stop, lv, -1.0, fall, rise);
            state = -1;
        }
        stop = i;
    }
}

// Mean and RMS of the finite samples x[lo..hi).
void CycleStatistics(const double *x, int lo, int hi, double *mean, double *rms)
{
    double sum[kWays] = {0, 0, 0, 0}, sq[kWays] = {0, 0, 0, 0};
    long long count[kWays] = {0, 0, 0, 0};
    int i = lo;
    for (; i + kWays <= hi; i += kWays) {
        for (int w = 0; w < kWays; ++w) {
            const double v = x[i + w];
            const bool ok = Finite(v);
            const double u = ok ? v : 0.0;
            sum[w] += u;
            sq[w] += u * u;
            count[w] += ok;
        }
    }
    for (; i < hi; ++i) {
        const double v = x[i];
        if (Finite(v)) {
            sum[0] += v;
            sq[0] += v * v;
            ++count[0];
        }
    }
    const double s = (sum[0] + sum[1]) + (sum[2] + sum[3]);
    const double q = (sq[0] + sq[1]) + (sq[2] + sq[3]);
    const long long c = (count[0] + count[1]) + (count[2] + count[3]);
    if (c == 0) {
        *mean = iDNaN;
        *rms = iDNaN;
        return;
    }
    *mean = s / static_cast<double>(c);
    *rms = std::sqrt(q / static_cast<double>(c));
}

} // namespace

extern "C" {

int PulseLevels(const double *x, int n, double *top, double *base)
{
    if (n < 1)
        return SamplesGTZeroAnlysErr;
    if (!x || !top || !base)
        return ArraySizeAnlysErr;
    const Extremes e = FiniteExtremes(x, n);
    if (e.finite == 0)
        return NoFiniteSamplesAnlysErr;
    HistogramLevels(x, n, e, top, base);
    return NoAnlysErr;
}

int PulseMeasure(const double *x, int n, double dt, PulseMeasurements *result)
{
    if (n < 1)
        return SamplesGTZeroAnlysErr;
    if (!x || !result)
        return ArraySizeAnlysErr;
    if (!(dt > 0.0) || !Finite(dt))
        return DtGTZeroAnlysErr;
    const Extremes e = FiniteExtremes(x, n);
    if (e.finite == 0)
        return NoFiniteSamplesAnlysErr;

    PulseMeasurements m;
    HistogramLevels(x, n, e, &m.top, &m.base);
    m.amplitude = m.top - m.base;
    m.period = m.frequency = iDNaN;
    m.positiveWidth = m.negativeWidth = m.positiveDuty = m.negativeDuty = iDNaN;
    m.riseTime = m.fallTime = iDNaN;
    m.overshoot = m.preshoot = iDNaN;
    m.cycleMean = m.cycleRms = iDNaN;
    m.risingEdges = m.fallingEdges = m.cycles = 0;
    if (!(m.amplitude > 0.0)) {
        *result = m;
        return NotEnoughEdgesAnlysErr;
    }
    m.overshoot = (e.max - m.top) / m.amplitude * 100.0;
    m.preshoot = (m.base - e.min) / m.amplitude * 100.0;

    Levels lv;
    lv.mid = m.base + 0.5 * m.amplitude;
    lv.high = m.base + 0.6 * m.amplitude;
    lv.low = m.base + 0.4 * m.amplitude;
    lv.l10 = m.base + 0.1 * m.amplitude;
    lv.l90 = m.base + 0.9 * m.amplitude;
    lv.maxv = e.max;
    lv.minv = e.min;
    EdgeTally rise, fall;
    ScanEdges(x, n, lv, rise, fall);
    m.risingEdges = rise.count;
    m.fallingEdges = fall.count;
    if (rise.transitions > 0)
        m.riseTime = rise.transitionSum / rise.transitions * dt;
    if (fall.transitions > 0)
        m.fallTime = fall.transitionSum / fall.transitions * dt;

    // Whole cycles from the first to the last rising edge, else falling.
    const bool byRise = rise.count >= 2;
    const EdgeTally &start = byRise ? rise : fall;
    if (start.count < 2) {
        *result = m;
        return NotEnoughEdgesAnlysErr;
    }
    m.cycles = start.count - 1;
    const double periodSamples = (start.last - start.first) / m.cycles;
    const double firstWidth = start.widthSum / m.cycles; // width of the state that follows a start edge
    m.period = periodSamples * dt;
    m.frequency = 1.0 / m.period;
    const double pos = byRise ? firstWidth : periodSamples - firstWidth;
    m.positiveWidth = pos * dt;
    m.negativeWidth = (periodSamples - pos) * dt;
    m.positiveDuty = pos / periodSamples * 100.0;
    m.negativeDuty = 100.0 - m.positiveDuty;
    const int lo = static_cast<int>(std::ceil(start.first));
    const int hi = static_cast<int>(std::ceil(start.last));
    CycleStatistics(x, lo, hi, &m.cycleMean, &m.cycleRms);
    *result = m;
    return NoAnlysErr;
}

} // extern "C"
