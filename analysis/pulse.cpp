// Pulse and timing measurements: histogram levels, hysteresis edge scan
// with interpolated crossings, and the cycle statistics.
//
// A record is read three times: once for its finite extremes, once for the
// histogram, and once by the edge scan, which looks a few samples back and
// ahead around each edge and keeps running sums for the cycle mean and RMS.
// Nothing is allocated.
#include "analysis/pulse.h"
#include "analysis/synth.h"

#include <cfloat>
#include <cmath>
#include <cstring>

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
    bool any; // whether there is a finite sample at all
};

// Extremes of the finite samples, one sample at a time.
Extremes FiniteExtremesCareful(const double *x, int n)
{
    Extremes e{DBL_MAX, -DBL_MAX, false};
    for (int i = 0; i < n; ++i) {
        const double v = x[i];
        if (!Finite(v))
            continue;
        e.min = v < e.min ? v : e.min;
        e.max = v > e.max ? v : e.max;
        e.any = true;
    }
    return e;
}

// Pairs of doubles: one SSE2 register on any x86-64, so the comparisons
// below stay in registers whatever the processor level.
typedef double v2d __attribute__((vector_size(16)));

// Extremes of the finite samples.  The fast pass takes eight samples at a
// time in four register pairs and skips NaN by its comparisons; only a
// record holding an infinity goes through the careful pass as well.
Extremes FiniteExtremes(const double *x, int n)
{
    constexpr int kPairs = 4;
    v2d lo[kPairs], hi[kPairs];
    for (int w = 0; w < kPairs; ++w) {
        lo[w] = v2d{HUGE_VAL, HUGE_VAL};
        hi[w] = v2d{-HUGE_VAL, -HUGE_VAL};
    }
    int i = 0;
    for (; i + 2 * kPairs <= n; i += 2 * kPairs) {
        for (int w = 0; w < kPairs; ++w) {
            v2d v;
            std::memcpy(&v, x + i + 2 * w, sizeof v);
            lo[w] = v < lo[w] ? v : lo[w];
            hi[w] = v > hi[w] ? v : hi[w];
        }
    }
    Extremes e{HUGE_VAL, -HUGE_VAL, false};
    for (int w = 0; w < kPairs; ++w) {
        for (int k = 0; k < 2; ++k) {
            e.min = lo[w][k] < e.min ? lo[w][k] : e.min;
            e.max = hi[w][k] > e.max ? hi[w][k] : e.max;
        }
    }
    for (; i < n; ++i) {
        const double v = x[i];
        e.min = v < e.min ? v : e.min;
        e.max = v > e.max ? v : e.max;
    }
    if (!Finite(e.min) || !Finite(e.max))
        return FiniteExtremesCareful(x, n);
    e.any = true;
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
    // Halved values, so that no difference overflows even for extremes
    // near the largest double.
    const double scale = kBins / (0.5 * e.max - 0.5 * e.min);
    const double lo = 0.5 * e.min;
    auto add = [&](int w, double v) {
        if (!Finite(v))
            return;
        int b = static_cast<int>((0.5 * v - lo) * scale);
        b = b < kBins ? b : kBins - 1; // the maximum itself; v >= lo, so b >= 0
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

// Sums of the finite samples of x[0..index) for some index.
struct Prefix {
    double sum = 0.0;
    double squares = 0.0;
    long long count = 0;
};

struct EdgeTally {
    Prefix firstPrefix; // sums up to the sample after the first edge
    Prefix lastPrefix;  // and after the latest edge
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

typedef long long v2l __attribute__((vector_size(16)));

// Samples that end a search: above the upper band (upFrom, upTo] or below
// the lower band [downTo, downFrom).  An empty band (upFrom = +inf or
// downFrom = -inf) never fires; NaN and infinities never fire since the
// band limits are the finite extremes.
struct Trigger {
    double upFrom, upTo, downFrom, downTo;

    bool Fires(double v) const
    {
        return ((v > upFrom) & (v <= upTo)) | ((v < downFrom) & (v >= downTo));
    }
};

// Running sums of the finite samples scanned so far, in register pairs so
// that the additions do not wait on one another.
struct Running {
    static constexpr int kPairs = 4;
    v2d sum[kPairs] = {};
    v2d squares[kPairs] = {};
    v2l count[kPairs] = {}; // negative: a true comparison is -1
    double sum1 = 0.0, squares1 = 0.0;
    long long count1 = 0;

    void Add(double v)
    {
        if (Finite(v)) {
            sum1 += v;
            squares1 += v * v;
            ++count1;
        }
    }
    // Sums of the samples scanned so far less those of x[from..to).
    Prefix Less(const double *x, int from, int to) const
    {
        Prefix p;
        p.sum = sum1;
        p.squares = squares1;
        p.count = count1;
        for (int w = 0; w < kPairs; ++w) {
            p.sum += sum[w][0] + sum[w][1];
            p.squares += squares[w][0] + squares[w][1];
            p.count -= count[w][0] + count[w][1];
        }
        for (int k = from; k < to; ++k) {
            const double v = x[k];
            if (Finite(v)) {
                p.sum -= v;
                p.squares -= v * v;
                --p.count;
            }
        }
        return p;
    }
};

// First index in [i, n) whose sample fires the trigger (n if none); the
// samples passed over are added to the running sums.  Eight samples are
// tested at a time in register pairs, with one branch for all of them.
int FindTrigger(const double *x, int i, int n, const Trigger &t, Running &acc)
{
    constexpr int kPairs = Running::kPairs;
    const v2d upFrom = {t.upFrom, t.upFrom}, upTo = {t.upTo, t.upTo};
    const v2d downFrom = {t.downFrom, t.downFrom}, downTo = {t.downTo, t.downTo};
    const v2d largest = {DBL_MAX, DBL_MAX};
    const v2l magnitude = {0x7FFFFFFFFFFFFFFFll, 0x7FFFFFFFFFFFFFFFll};
    for (; i + 2 * kPairs <= n; i += 2 * kPairs) {
        v2d v[kPairs];
        std::memcpy(v, x + i, sizeof v);
        v2l fires = {0, 0};
        for (int w = 0; w < kPairs; ++w)
            fires |= ((v[w] > upFrom) & (v[w] <= upTo)) | ((v[w] < downFrom) & (v[w] >= downTo));
        if (fires[0] | fires[1])
            break;
        for (int w = 0; w < kPairs; ++w) {
            const v2l ok = (v2d)((v2l)v[w] & magnitude) <= largest;
            const v2d u = (v2d)((v2l)v[w] & ok);
            acc.sum[w] += u;
            acc.squares[w] += u * u;
            acc.count[w] += ok;
        }
    }
    for (; i < n; ++i) {
        if (t.Fires(x[i]))
            return i;
        acc.Add(x[i]);
    }
    return n;
}

// Finds the edges of x with hysteresis around the mid level and takes the
// running sums of the samples at each of them, for the cycle statistics.
void ScanEdges(const double *x, int n, const Levels &lv, EdgeTally &rise, EdgeTally &fall)
{
    const Trigger either{lv.high, lv.maxv, lv.low, lv.minv};
    const Trigger above{lv.high, lv.maxv, -HUGE_VAL, lv.minv};
    const Trigger below{HUGE_VAL, lv.maxv, lv.low, lv.minv};
    Running acc;
    int i = FindTrigger(x, 0, n, either, acc);
    if (i >= n)
        return;
    int state = above.Fires(x[i]) ? 1 : -1;
    int stop = i;
    acc.Add(x[i]);
    for (++i; i < n; ++i) {
        const int j = FindTrigger(x, i, n, state < 0 ? above : below, acc);
        if (j >= n)
            break;
        EdgeTally &self = state < 0 ? rise : fall;
        EdgeTally &other = state < 0 ? fall : rise;
        const int before = self.count;
        BookEdge(x, n, j, stop, lv, state < 0 ? 1.0 : -1.0, self, other);
        if (self.count != before) {
            // The whole cycles start at the sample after the crossing.
            const Prefix p = acc.Less(x, static_cast<int>(std::ceil(self.last)), j);
            if (before == 0)
                self.firstPrefix = p;
            self.lastPrefix = p;
        }
        state = -state;
        stop = j;
        acc.Add(x[j]);
        i = j;
    }
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
    if (!e.any)
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
    if (!e.any)
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
    const long long count = start.lastPrefix.count - start.firstPrefix.count;
    if (count > 0) {
        const double c = static_cast<double>(count);
        m.cycleMean = (start.lastPrefix.sum - start.firstPrefix.sum) / c;
        const double ms = (start.lastPrefix.squares - start.firstPrefix.squares) / c;
        m.cycleRms = std::sqrt(ms > 0.0 ? ms : 0.0);
    }
    *result = m;
    return NoAnlysErr;
}

} // extern "C"
