// The simulated card's input: generator channel 1 as the scope sees it, and
// the input filter.
//
// A standard CH1 waveform is synthesised from the CH1 settings (oChan[0] and
// oFrequency).  When CH1 plays a buffer of its own (an ".awg" file or the
// advanced sine), the input is that buffer repeated at its output clock and
// sampled at the scope's rate, each output sample held for one output clock
// period as a converter holds it.  Either way the synthesis runs on its own
// copy of the CH1 record: the phase it advances is never the generator's.
//
// A record is synthesised straight into the caller's array.  A full-rate
// record is built block by block (waveform, offset and generator noise while
// the block is in cache), then the acquisition noise is added in a second
// pass: the noise is drawn in the order the card's model draws it (the
// generator noise over the whole record first, then the acquisition noise).
// Decimated records evaluate only the kept samples: the waveform routines'
// decimated forms and the noise generator's stride give exactly the samples
// the full record would hold, without holding it.
#include <cmath>
#include <cstdio>
#include <memory>
#include <new>

#include "analysis/fir.h"
#include "analysis/synth.h"
#include "generator/generator.h"
#include "scope/scope.h"

namespace
{

constexpr int kBlock = 65536;        // samples per noise / filter block
constexpr double kSquareDuty = 50.0; // percent
constexpr double kGeneratorNoise = 0.1;

std::unique_ptr<double[]> NewBlock(int count)
{
    return std::unique_ptr<double[]>(new (std::nothrow) double[count]);
}

// Periodic waveform of the generator type into out (count samples, or count
// kept samples of count x stride when stride > 1).
int Waveform(short type, int count, double amplitude, double frequency, double *phase, int stride,
             double *out)
{
    if (stride <= 1) {
        switch (type) {
        case 0:
            return SineWave(count, amplitude, frequency, phase, out);
        case 1:
            return SquareWave(count, amplitude, frequency, phase, kSquareDuty, out);
        case 2:
            return TriangleWave(count, amplitude, frequency, phase, out);
        default:
            return SawtoothWave(count, amplitude, frequency, phase, out);
        }
    }
    switch (type) {
    case 0:
        return SineWaveDecimated(count, amplitude, frequency, phase, stride, out);
    case 1:
        return SquareWaveDecimated(count, amplitude, frequency, phase, kSquareDuty, stride, out);
    case 2:
        return TriangleWaveDecimated(count, amplitude, frequency, phase, stride, out);
    default:
        return SawtoothWaveDecimated(count, amplitude, frequency, phase, stride, out);
    }
}

// Moves the phase on by skip samples of the waveform (the tail of a record
// whose length is not a multiple of the stride).
int SkipWaveform(short type, int skip, double amplitude, double frequency, double *phase)
{
    if (skip < 1)
        return 0;
    double unused = 0.0;
    return Waveform(type, 1, amplitude, frequency, phase, skip, &unused) < 0 ? -1 : 0;
}

// Draws the noise of kept samples (stride draws per kept sample, plus skip
// further draws) and adds it to out; block (kBlock values) holds decimated
// noise and may be null when stride is 1.
int AddNoise(double *out, int kept, int stride, int skip, double amplitude, double *block)
{
    for (int done = 0; done < kept;) {
        const int count = kept - done < kBlock ? kept - done : kBlock;
        double *target = out + done;
        if (stride <= 1) {
            const int status = AddWhiteNoise(count, amplitude, target);
            if (status < 0)
                return status;
        } else {
            const int status = WhiteNoiseDecimated(count, amplitude, stride, block);
            if (status < 0)
                return status;
            for (int i = 0; i < count; ++i)
                target[i] += block[i];
        }
        done += count;
    }
    if (skip > 0) {
        double unused = 0.0;
        if (WhiteNoiseDecimated(1, amplitude, skip, &unused) < 0)
            return -1;
    }
    return 0;
}

// One stretch of a full-rate record, each block finished while it is in
// cache: waveform (continuing *phase), offset, generator noise.
int FullRateStretch(OChanRecord &source, double *out, int count, double amplitude, double frequency)
{
    const double noise = kGeneratorNoise * source.amplitude;
    for (int done = 0; done < count; done += kBlock) {
        const int length = count - done < kBlock ? count - done : kBlock;
        double *target = out + done;
        switch (source.type) {
        case 0:
        case 1:
        case 2:
        case 3:
            if (Waveform(source.type, length, amplitude, frequency, &source.phase, 1, target) < 0)
                return -1;
            break;
        case 5:
            // A DC level: the slope does not invert it.
            for (int i = 0; i < length; ++i)
                target[i] = source.amplitude;
            break;
        default:
            // Arbitrary waveforms are not synthesised by the card model:
            // the input carries only offset and noise.
            for (int i = 0; i < length; ++i)
                target[i] = 0.0;
            break;
        }
        if (source.offset != 0.0) {
            const double offset = source.offset;
            for (int i = 0; i < length; ++i)
                target[i] += offset;
        }
        if (source.noise != 0 && AddWhiteNoise(length, noise, target) < 0)
            return -1;
    }
    return 0;
}

// Index of the output sample in force at buffer position pos (in samples of
// the buffer, any real value): the buffer repeats every count samples.  A
// position a rounding error short of a sample boundary counts as on it.
int HeldIndex(double pos, int count)
{
    double r = std::fmod(pos + 1e-9, static_cast<double>(count));
    if (r < 0.0)
        r += count;
    int i = static_cast<int>(r);
    if (i < 0)
        i = 0;
    if (i >= count)
        i = count - 1;
    return i;
}

// The kept samples of a record taken from a played buffer.  Record sample
// m x stride - pre lies at that many scope samples from the trigger point;
// the trigger point sits at buffer position start.
void PlayedBuffer(const Generator_Ch1Wave &wave, double clockRate, double start, int pre, int stride,
                  int kept, double *out)
{
    const double step = wave.clockRate / clockRate; // buffer samples per scope sample
    for (int m = 0; m < kept; ++m) {
        const double j = static_cast<double>(m) * stride - pre;
        out[m] = wave.values[HeldIndex(start + j * step, wave.count)];
    }
}

} // namespace

int Scope_SynthesizeRecord(double *out, int pre, int n, int stride, double clockRate, double acquisitionNoise)
{
    if (!out || n < 1 || pre < 0 || stride < 1 || (stride > 1 && pre > 0) || !(clockRate > 0.0))
        return -1;
    const long long total = static_cast<long long>(pre) + n;
    if (total > 0x7FFFFFFF)
        return -1;
    const int kept = stride > 1 ? n / stride : static_cast<int>(total);
    const int tail = stride > 1 ? n - kept * stride : 0; // samples after the last kept group
    if (kept < 1)
        return -1;

    // A copy: the phase below is the record's, not the generator's.
    OChanRecord source = oChan[0];
    // The trigger point: phase 0 when triggered, anywhere when free running.
    const double triggerPhase = trigger_source == kTriggerNone ? Random(0.0, 360.0) : 0.0;

    Generator_Ch1Wave played;
    if (Generator_Ch1Buffer(&played)) {
        // What CH1 plays, as it plays it: neither the slope nor the CH1
        // offset and noise settings change a buffer.
        PlayedBuffer(played, clockRate, triggerPhase / 360.0 * played.count, pre, stride, kept, out);
        return AddNoise(out, kept, 1, 0, acquisitionNoise, nullptr) < 0 ? -1 : 0;
    }
    const double amplitude = trigger_slope == 0 ? -1.0 * source.amplitude : source.amplitude;
    const double frequency = oFrequency / clockRate;

    // Phase of the first pre-trigger sample: the waveform before the trigger
    // point continues backwards in time, and the record from the trigger
    // point on is the same as without pre-trigger samples.
    double preStart = triggerPhase;
    if (pre > 0) {
        preStart = std::fmod(triggerPhase - static_cast<double>(pre) * (frequency * 360.0), 360.0);
        if (preStart < 0.0)
            preStart += 360.0;
    }

    if (stride == 1 && source.type != 4) {
        // Full rate: waveform, offset and generator noise block by block.
        if (pre > 0) {
            source.phase = preStart;
            if (FullRateStretch(source, out, pre, amplitude, frequency) < 0)
                return -1;
        }
        source.phase = triggerPhase;
        if (FullRateStretch(source, out + pre, n, amplitude, frequency) < 0)
            return -1;
    } else {
        // The decimated noise is drawn into a block before it is added.
        std::unique_ptr<double[]> block = NewBlock(kBlock);
        if (!block)
            return -1;
        int status = 0;
        source.phase = triggerPhase;
        switch (source.type) {
        case 0:
        case 1:
        case 2:
        case 3:
            status = Waveform(source.type, kept, amplitude, frequency, &source.phase, stride, out);
            if (status >= 0)
                status = SkipWaveform(source.type, tail, amplitude, frequency, &source.phase);
            break;
        case 4:
            // The waveform is noise itself, drawn before the generator noise.
            status = stride > 1 ? WhiteNoiseDecimated(kept, amplitude, stride, out)
                                : WhiteNoise(kept, amplitude, 0, out);
            if (status >= 0 && tail > 0) {
                double unused = 0.0;
                status = WhiteNoiseDecimated(1, amplitude, tail, &unused);
            }
            break;
        case 5:
            // A DC level: the slope does not invert it.
            for (int i = 0; i < kept; ++i)
                out[i] = source.amplitude;
            break;
        default:
            // Arbitrary waveforms are not synthesised by the card model: the
            // input carries only offset and noise.
            for (int i = 0; i < kept; ++i)
                out[i] = 0.0;
            break;
        }
        if (status < 0)
            return -1;
        if (source.offset != 0.0) {
            const double offset = source.offset;
            for (int i = 0; i < kept; ++i)
                out[i] += offset;
        }
        if (source.noise != 0 &&
            AddNoise(out, kept, stride, tail, kGeneratorNoise * source.amplitude, block.get()) < 0)
            return -1;
    }
    if (AddNoise(out, kept, 1, 0, acquisitionNoise, nullptr) < 0)
        return -1;
    return 0;
}

int Scope_SynthesizeInput(double *out, int n, double clockRate, double acquisitionNoise)
{
    return Scope_SynthesizeRecord(out, 0, n, 1, clockRate, acquisitionNoise);
}

int Scope_FilterRecord(double *samples, int count, double clockRate)
{
    GetCtrlVal(panelFilter, FILTER_TAPS, &Tap);
    GetCtrlVal(panelFilter, FILTER_TYPE, &FilterType);
    GetCtrlVal(panelFilter, FILTER_HIGH_FREQ, &FilterHighFreq);
    GetCtrlVal(panelFilter, FILTER_LOW_FREQ, &FilterLowFreq);
    // The coefficients live in a 1024-entry array.
    if (Tap > 1024)
        Tap = 1024;

    int status = FIR_Coef(FilterType, clockRate, FilterLowFreq, FilterHighFreq, Tap, FirCoef);
    if (status < 0) {
        MessagePopup("Error", GetAnalysisErrorString(status));
        if (isScopeStartOn)
            Scope_HaltAcquisition();
        return status;
    }
    if (!samples || count < 1)
        return 0;

    // In-place convolution, block by block from the end: a block's outputs
    // need the Tap - 1 inputs before it, which are still unfiltered when the
    // blocks are taken backwards.  Each output is the same sum, in the same
    // order, as one convolution of the whole record.
    const int taps = Tap;
    std::unique_ptr<double[]> work = NewBlock(kBlock + 2 * taps);
    if (!work) {
        MessagePopup("Error", GetAnalysisErrorString(OutOfMemAnlysErr));
        if (isScopeStartOn)
            Scope_HaltAcquisition();
        return OutOfMemAnlysErr;
    }
    for (int end = count; end > 0;) {
        const int begin = end - kBlock > 0 ? end - kBlock : 0;
        const int segment = begin - (taps - 1) > 0 ? begin - (taps - 1) : 0;
        status = Convolve(samples + segment, end - segment, FirCoef, taps, work.get());
        if (status < 0)
            return status;
        for (int m = begin; m < end; ++m)
            samples[m] = work[m - segment];
        end = begin;
    }
    return 0;
}
