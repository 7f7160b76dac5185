// Periodic waveforms: sine, square, sawtooth and triangle.
//
// The phase of sample i is defined by repeated double addition,
// p[i+1] = p[i] + step. Inside one binade [2^e, 2^(e+1)) every value is a
// multiple of u = ulp(2^e), so while the sums stay inside the binade each
// addition rounds step to the same multiple of u and p[i+j] = p[i] + j * inc
// holds exactly (see PhaseWalker). That turns the serial chain into long
// runs whose phases are computed independently, eight lanes at a time, and
// it lets the decimated variants evaluate only the kept samples while
// producing exactly the same values as the full record.
#include "analysis/synth.h"
#include "analysis/vec_internal.h"

#include <cmath>
#include <cstdint>
#include <cstring>

using namespace analysis_vec;

namespace
{

constexpr double kDegToRad = 0.017453292519943295; // nearest double to pi/180
constexpr double kInv180 = 1.0 / 180.0;

// --- Sine of a vector --------------------------------------------------
// x is reduced by the nearest multiple k of pi, sin(x) = (-1)^k sin(r) with
// r in [-pi/2, pi/2]. pi is split in four pieces; the first three have 26
// significant bits, so their products with |k| < 2^27 are exact, and the
// subtractions are exact whenever r is small (Sterbenz), which keeps r's
// relative accuracy near the zeros of the sine.
constexpr double kPi_1 = 3.1415926814079285;
constexpr double kPi_2 = -2.781813535079891e-08;
constexpr double kPi_3 = 1.2246467864107189e-16;
constexpr double kPi_4 = 1.27366343270219e-24;
constexpr double kInvPi = 0.3183098861837907;
// Arguments beyond this (|k| near 2^27) and non-finite ones go to std::sin.
constexpr double kSinReduceLimit = 4.0e8;

// Taylor coefficients of sin up to r^21: on |r| <= pi/2 the first omitted
// term is below 2e-18, a hundredth of an ulp of the result.
constexpr double kSin3 = -0.16666666666666666, kSin5 = 0.008333333333333333, kSin7 = -0.0001984126984126984,
                 kSin9 = 2.7557319223985893e-06, kSin11 = -2.505210838544172e-08,
                 kSin13 = 1.6059043836821613e-10, kSin15 = -7.647163731819816e-13,
                 kSin17 = 2.8114572543455206e-15, kSin19 = -8.22063524662433e-18,
                 kSin21 = 1.9572941063391263e-20;

// sin(x) for |x| < kSinReduceLimit, within two ulp of the true value.
ANALYSIS_VEC_INLINE vd vsin(const vd &x)
{
    const vd kBiased = x * kInvPi + kRoundMagic;
    const vd k = kBiased - kRoundMagic;
    const vu odd = (asBits(kBiased) & 1u) << 63;
    const vd r = (((x - k * kPi_1) - k * kPi_2) - k * kPi_3) - k * kPi_4;
    const vd z = r * r;
    const vd p =
        kSin3 +
        z * (kSin5 +
             z * (kSin7 + z * (kSin9 + z * (kSin11 +
                                            z * (kSin13 +
                                                 z * (kSin15 + z * (kSin17 + z * (kSin19 + z * kSin21))))))));
    const vd s = r + (r * z) * p;
    return fromBits(asBits(s) ^ odd);
}

// --- Shapes ---------------------------------------------------------------
// Each shape maps a vector of unreduced phases (degrees) to output values.
// Lanes whose phase lies outside the fast path's range are patched with the
// library's scalar functions; the choice depends on the phase alone, so a
// sample's value never depends on how it was grouped.

struct SineShape {
    double amplitude;
    static bool fastPath(double ph) { return std::fabs(ph * kDegToRad) < kSinReduceLimit; }
    ANALYSIS_VEC_INLINE vd eval(const vd &ph, bool checkLanes) const
    {
        const vd x = ph * kDegToRad;
        vd s = vsin(x);
        if (checkLanes) {
            for (int l = 0; l < kLanes; ++l) {
                if (!(std::fabs(x[l]) < kSinReduceLimit))
                    s[l] = std::sin(x[l]);
            }
        }
        return amplitude * s;
    }
};

// Phases below this magnitude are reduced modulo 360 exactly in the vector
// path (q x 360 is exact for them).
constexpr double kFmodLimit = 17592186044416.0; // 2^44

// fmod(ph, 360) with the sign of ph, plus 360 when negative.
ANALYSIS_VEC_INLINE vd reduceDegrees(const vd &ph, bool checkLanes)
{
    const vu sign = asBits(ph) & kSignBit;
    const vd a = fromBits(asBits(ph) & ~kSignBit);
    vd q = (a * (1.0 / 360.0) + kRoundMagic) - kRoundMagic;
    vd r = a - q * 360.0;
    q = (r < 0.0) ? q - 1.0 : q;
    r = a - q * 360.0; // exact: the true remainder is representable
    vd p = fromBits(asBits(r) | sign);
    if (checkLanes) {
        for (int l = 0; l < kLanes; ++l) {
            if (!(std::fabs(ph[l]) < kFmodLimit))
                p[l] = std::fmod(ph[l], 360.0);
        }
    }
    return (p < 0.0) ? p + 360.0 : p;
}

inline bool fmodFastPath(double ph)
{
    return std::fabs(ph) < kFmodLimit;
}

struct SquareShape {
    double amplitude;
    double highUntil; // degrees: duty fraction x 360
    static bool fastPath(double ph) { return fmodFastPath(ph); }
    ANALYSIS_VEC_INLINE vd eval(const vd &ph, bool checkLanes) const
    {
        const vd p = reduceDegrees(ph, checkLanes);
        return (p < highUntil) ? splat(amplitude * 1.0) : splat(amplitude * -1.0);
    }
};

struct SawtoothShape {
    double amplitude;
    static bool fastPath(double ph) { return fmodFastPath(ph); }
    ANALYSIS_VEC_INLINE vd eval(const vd &ph, bool checkLanes) const
    {
        const vd p = reduceDegrees(ph, checkLanes);
        const vd x = p * kInv180;
        return amplitude * ((p < 180.0) ? x : x - 2.0);
    }
};

struct TriangleShape {
    double amplitude;
    static bool fastPath(double ph) { return fmodFastPath(ph); }
    ANALYSIS_VEC_INLINE vd eval(const vd &ph, bool checkLanes) const
    {
        const vd p = reduceDegrees(ph, checkLanes);
        const vd x = p * kInv180;
        const vd falling = 2.0 * (1.0 - x);
        const vd rising = 2.0 * (x - 2.0);
        const vd s = (x < 0.5) ? 2.0 * x : ((x < 1.5) ? falling : rising);
        return amplitude * s;
    }
};

// --- Phase walk -----------------------------------------------------------

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Length m >= 0 of the run starting at phase p in which p[j] = p + j * inc
// exactly for j = 0 .. m (m additions of step), at most maxLen.
std::int64_t linearRun(double p, double step, std::int64_t maxLen, double &inc)
{
    if (!std::isfinite(p) || !std::isfinite(step) || p == 0.0)
        return 0;
    // Work on the magnitude; rounding to nearest is symmetric.
    const double a = std::fabs(p);
    const double s = p > 0.0 ? step : -step;
    int e = 0;
    std::frexp(a, &e); // a in [2^(e-1), 2^e)
    if (e - 1 - 52 < -1022)
        return 0; // subnormal grid: take single steps
    const double lo = std::ldexp(1.0, e - 1);
    const double hi = std::ldexp(1.0, e);
    const double u = std::ldexp(1.0, e - 1 - 52);
    const double lowBound = lo + u;
    const double highBound = hi - u;

    const double next = a + s;
    if (!(next >= lowBound && next <= highBound))
        return 0;
    const double incA = next - a; // exact: both are multiples of u
    // A step exactly halfway between two multiples of u rounds to even; from
    // an even multiple every later sum rounds by the same amount.
    if (std::fabs(s - incA) == 0.5 * u) {
        const double half = a / (2.0 * u);
        if (half != std::floor(half))
            return 0;
    }
    std::int64_t m = maxLen;
    if (incA > 0.0) {
        const double room = std::floor((highBound - a) / incA);
        if (room < static_cast<double>(maxLen))
            m = static_cast<std::int64_t>(room);
    } else if (incA < 0.0) {
        const double room = std::floor((a - lowBound) / -incA);
        if (room < static_cast<double>(maxLen))
            m = static_cast<std::int64_t>(room);
    }
    // The division may overshoot by one; verify the end of the run.
    while (m > 0) {
        const double end = a + static_cast<double>(m) * incA;
        if (end >= lowBound && end <= highBound)
            break;
        --m;
    }
    inc = p > 0.0 ? incA : -incA;
    return m;
}

template <class Shape, bool CheckLanes>
ANALYSIS_VEC_INLINE void evalLanesBody(const Shape &shape, double base, double inc, std::int64_t j0,
                                       std::int64_t jStep, std::int64_t count, double *out)
{
    const vd laneStep = laneIndex() * static_cast<double>(jStep);
    std::int64_t t = 0;
    for (; t + kLanes <= count; t += kLanes) {
        const vd j = static_cast<double>(j0 + t * jStep) + laneStep;
        const vd y = shape.eval(base + j * inc, CheckLanes);
        std::memcpy(out + t, &y, sizeof y);
    }
    if (t < count) {
        const vd j = static_cast<double>(j0 + t * jStep) + laneStep;
        const vd y = shape.eval(base + j * inc, CheckLanes);
        std::memcpy(out + t, &y, sizeof(double) * static_cast<std::size_t>(count - t));
    }
}

template <class Shape, bool CheckLanes>
void evalLanesPortable(const Shape &shape, double base, double inc, std::int64_t j0, std::int64_t jStep,
                       std::int64_t count, double *out)
{
    evalLanesBody<Shape, CheckLanes>(shape, base, inc, j0, jStep, count, out);
}

#if ANALYSIS_VEC_LEVELS
template <class Shape, bool CheckLanes>
ANALYSIS_TARGET_AVX2 void evalLanesAvx2(const Shape &shape, double base, double inc, std::int64_t j0,
                                        std::int64_t jStep, std::int64_t count, double *out)
{
    evalLanesBody<Shape, CheckLanes>(shape, base, inc, j0, jStep, count, out);
}
template <class Shape, bool CheckLanes>
ANALYSIS_TARGET_AVX512 void evalLanesAvx512(const Shape &shape, double base, double inc, std::int64_t j0,
                                            std::int64_t jStep, std::int64_t count, double *out)
{
    evalLanesBody<Shape, CheckLanes>(shape, base, inc, j0, jStep, count, out);
}
#endif

// evalLanesBody at the processor's level.
template <class Shape, bool CheckLanes>
void evalLanes(const Shape &shape, double base, double inc, std::int64_t j0, std::int64_t jStep,
               std::int64_t count, double *out)
{
#if ANALYSIS_VEC_LEVELS
    switch (vectorLevel()) {
    case kVecAvx512:
        evalLanesAvx512<Shape, CheckLanes>(shape, base, inc, j0, jStep, count, out);
        return;
    case kVecAvx2:
        evalLanesAvx2<Shape, CheckLanes>(shape, base, inc, j0, jStep, count, out);
        return;
    default:
        break;
    }
#endif
    evalLanesPortable<Shape, CheckLanes>(shape, base, inc, j0, jStep, count, out);
}

// Evaluates the kept samples of one stretch of constant increment:
// out[t] = shape(base + (j0 + t * jStep) * inc) for t = 0 .. count-1.
template <class Shape>
void evalStretch(const Shape &shape, double base, double inc, std::int64_t j0, std::int64_t jStep,
                 std::int64_t count, double *out)
{
    const double first = base + static_cast<double>(j0) * inc;
    const double last = base + static_cast<double>(j0 + (count - 1) * jStep) * inc;
    // Phases are monotonic inside a stretch, so its ends bound every lane.
    if (Shape::fastPath(first) && Shape::fastPath(last))
        evalLanes<Shape, false>(shape, base, inc, j0, jStep, count, out);
    else
        evalLanes<Shape, true>(shape, base, inc, j0, jStep, count, out);
}

// Walks `total` samples from phase *phase with the given step, writing
// sample g x stride into out[g], and returns the phase after the last one.
template <class Shape>
double walk(const Shape &shape, double p, double step, std::int64_t total, std::int64_t stride, double *out)
{
    std::int64_t i = 0;
    while (i < total) {
        const double next = p + step;
        double inc = 0.0;
        std::int64_t len = 1;
        if (sameBits(next, p)) {
            len = total - i; // a fixed point: the phase never moves again
        } else {
            const std::int64_t m = linearRun(p, step, total - i, inc);
            if (m >= 1)
                len = m;
        }
        // Kept samples g x stride inside [i, i + len).
        const std::int64_t firstKept = (i + stride - 1) / stride;
        const std::int64_t endKept = (i + len + stride - 1) / stride;
        if (endKept > firstKept)
            evalStretch(shape, p, inc, firstKept * stride - i, stride, endKept - firstKept, out + firstKept);
        if (len == 1 && inc == 0.0)
            p = next;
        else if (inc != 0.0)
            p = p + static_cast<double>(len) * inc;
        i += len;
    }
    return p;
}

double reducedPhase(double p)
{
    double r = std::fmod(p, 360.0);
    if (r < 0.0)
        r += 360.0;
    return r;
}

template <class Shape>
int synthesize(const Shape &shape, std::int64_t count, std::int64_t stride, double frequency, double *phase,
               double *out)
{
    const double step = frequency * 360.0;
    const double end = walk(shape, *phase, step, count * stride, stride, out);
    *phase = reducedPhase(end);
    return NoAnlysErr;
}

double squareThreshold(double dutyCycle)
{
    double d = dutyCycle * 0.01;
    if (d < 0.0)
        d = 0.0;
    if (d > 1.0)
        d = 1.0;
    return d * 360.0;
}

int checkDecimated(int count, int stride)
{
    if (count < 1)
        return SamplesGTZeroAnlysErr;
    if (stride < 1)
        return DecFactAnlysErr;
    return NoAnlysErr;
}

} // namespace

extern "C" {

int SineWave(int n, double amplitude, double frequency, double *phase, double *out)
{
    if (n < 1)
        return SamplesGTZeroAnlysErr;
    return synthesize(SineShape{amplitude}, n, 1, frequency, phase, out);
}

int SquareWave(int n, double amplitude, double frequency, double *phase, double dutyCycle, double *out)
{
    if (n < 1)
        return SamplesGTZeroAnlysErr;
    return synthesize(SquareShape{amplitude, squareThreshold(dutyCycle)}, n, 1, frequency, phase, out);
}

int SawtoothWave(int n, double amplitude, double frequency, double *phase, double *out)
{
    if (n < 1)
        return SamplesGTZeroAnlysErr;
    return synthesize(SawtoothShape{amplitude}, n, 1, frequency, phase, out);
}

int TriangleWave(int n, double amplitude, double frequency, double *phase, double *out)
{
    if (n < 1)
        return SamplesGTZeroAnlysErr;
    return synthesize(TriangleShape{amplitude}, n, 1, frequency, phase, out);
}

int SineWaveDecimated(int count, double amplitude, double frequency, double *phase, int stride, double *out)
{
    const int status = checkDecimated(count, stride);
    if (status != NoAnlysErr)
        return status;
    return synthesize(SineShape{amplitude}, count, stride, frequency, phase, out);
}

int SquareWaveDecimated(int count, double amplitude, double frequency, double *phase, double dutyCycle,
                        int stride, double *out)
{
    const int status = checkDecimated(count, stride);
    if (status != NoAnlysErr)
        return status;
    return synthesize(SquareShape{amplitude, squareThreshold(dutyCycle)}, count, stride, frequency, phase,
                      out);
}

int SawtoothWaveDecimated(int count, double amplitude, double frequency, double *phase, int stride,
                          double *out)
{
    const int status = checkDecimated(count, stride);
    if (status != NoAnlysErr)
        return status;
    return synthesize(SawtoothShape{amplitude}, count, stride, frequency, phase, out);
}

int TriangleWaveDecimated(int count, double amplitude, double frequency, double *phase, int stride,
                          double *out)
{
    const int status = checkDecimated(count, stride);
    if (status != NoAnlysErr)
        return status;
    return synthesize(TriangleShape{amplitude}, count, stride, frequency, phase, out);
}

} // extern "C"
