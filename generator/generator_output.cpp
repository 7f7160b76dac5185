// The generator's update: reading the panel, the clock search, synthesis of
// whole periods, range choice and the drawing of the output.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "analysis/synth.h"
#include "generator/generator_internal.h"
#include "scope/scope.h"

namespace
{

// Output stage limits.
constexpr std::uint64_t kMaxClock = 40000000; // Hz, shared by the channels
constexpr int kMaxPeriodWords = 65536;

// Reads every setting control of the generator panel, in panel order.
void ReadPanel(void)
{
    GetCtrlVal(panelGene, GENE_FREQUENCY, &oFrequency);
    const int chan[2] = {GENE_CH1_CHANNEL, GENE_CH2_CHANNEL};
    const int amp[2] = {GENE_CH1_AMPLITUDE, GENE_CH2_AMPLITUDE};
    const int type[2] = {GENE_CH1_TYPE, GENE_CH2_TYPE};
    const int off[2] = {GENE_CH1_OFFSET, GENE_CH2_OFFSET};
    const int noise[2] = {GENE_CH1_NOISE, GENE_CH2_NOISE};
    const int phase[2] = {GENE_CH1_PHASE, GENE_CH2_PHASE};
    for (int k = 0; k < 2; ++k) {
        GetCtrlVal(panelGene, chan[k], &oChan[k].channel);
        GetCtrlVal(panelGene, amp[k], &oChan[k].amplitude);
        GetCtrlVal(panelGene, type[k], &oChan[k].type);
        GetCtrlVal(panelGene, off[k], &oChan[k].offset);
        GetCtrlVal(panelGene, noise[k], &oChan[k].noise);
        GetCtrlVal(panelGene, phase[k], &oChan[k].phase);
    }
    GetCtrlVal(panelGene, GENE_TRIG_SOURCE, &trigger_source_out);
    GetCtrlVal(panelGene, GENE_TRIG_SLOPE, &trigger_slope_out);
    GetCtrlVal(panelGene, GENE_TRIG_LEVEL, &trigger_level_out);
}

// Fills buf (n samples, whole periods of `period` samples) from a channel
// record; the record's phase runs on and returns to its start.
void Synthesize(OChanRecord &ch, double *buf, int n, int period)
{
    const double f = 1.0 / period;
    int status = 0;
    switch (ch.type) {
    case 0:
        status = SineWave(n, ch.amplitude, f, &ch.phase, buf);
        break;
    case 1:
        status = SquareWave(n, ch.amplitude, f, &ch.phase, 50.0, buf);
        break;
    case 2:
        status = TriangleWave(n, ch.amplitude, f, &ch.phase, buf);
        break;
    case 3:
        status = SawtoothWave(n, ch.amplitude, f, &ch.phase, buf);
        break;
    case 4:
        status = WhiteNoise(n, ch.amplitude, 0, buf);
        break;
    case 5:
        std::fill(buf, buf + n, ch.amplitude);
        break;
    default:
        // No waveform of its own (e.g. the file type on a standard path):
        // the buffer stays at 0 V before offset and noise.
        std::fill(buf, buf + n, 0.0);
        break;
    }
    if (status < 0)
        std::fill(buf, buf + n, 0.0);
    if (ch.offset != 0.0)
        for (int i = 0; i < n; ++i)
            buf[i] += ch.offset;
    if (ch.noise != 0 && gen::ReserveNoise(n) == 0 && WhiteNoise(n, 0.1 * ch.amplitude, 0, vNoise) == 0)
        for (int i = 0; i < n; ++i)
            buf[i] += vNoise[i];
}

// The settings an update may replace, as they were before it read the panel.
struct Settings {
    OChanRecord chan[2];
    double frequency;
    int triggerSource, triggerSlope;
    double triggerLevel;
};

Settings HeldSettings(void)
{
    return {{oChan[0], oChan[1]}, oFrequency, trigger_source_out, trigger_slope_out, trigger_level_out};
}

void PutSettings(const Settings &held)
{
    oChan[0] = held.chan[0];
    oChan[1] = held.chan[1];
    oFrequency = held.frequency;
    trigger_source_out = held.triggerSource;
    trigger_slope_out = held.triggerSlope;
    trigger_level_out = held.triggerLevel;
}

// The standard path of one channel (k = 0 for CH1, 1 for CH2).
int BuildStandardChannel(int k)
{
    int period = 1, samples = 0;
    const double clock = getFuncGenClk(device, numChanOut, oFrequency, &period, &samples);
    const int failed = k == 0 ? gen::AllocCh1(samples) : gen::AllocCh2(samples);
    if (failed) {
        gen::ShowError("Not enough memory for the generator output");
        return -1;
    }
    oClockRate = clock;
    oPeriod = period;
    oSamples = samples;
    maxOutClk = bi.maxOutClk;
    SamplesCount = oSamples * numChanOut;
    // A board that states no highest clock (0) sets no limit.
    if (maxOutClk > 0.0 && maxOutClk < oClockRate)
        oClockRate = maxOutClk;
    double *buf = k == 0 ? vBufferOut1 : vBufferOut2;
    Synthesize(oChan[k], buf, oSamples, oPeriod);
    oChannel[k] = oChan[k].channel;
    oRange[k] = Generator_ChooseRange(std::fabs(oChan[k].amplitude) + std::fabs(oChan[k].offset));
    gen::FillCodes(buf, k == 0 ? BufferOut1 : BufferOut2, oSamples, oRange[k]);
    return 0;
}

void PlotChannel(int k, const double *buf, int requested, int length, int color)
{
    const int n = std::min(requested, length);
    if (!buf || n < 1)
        return;
    oPlot[k] = PlotWaveform(panelGene, GENE_GRAPH, buf, n, VAL_DOUBLE, 1.0, 0.0, 0.0, 1.0, VAL_THIN_LINE,
                            VAL_NO_POINT, VAL_SOLID, 1, color);
}

// Fills the combined code buffer and draws the active channels.
void FinishOutput(int ch1On, int ch2On)
{
    const long long combined = static_cast<long long>(oSamples) * numChanOut;
    SamplesCount = combined > INT_MAX ? INT_MAX : static_cast<int>(combined);
    if (gen::AllocCombined(SamplesCount) == 0 && BufferOut) {
        const int room = gen::CombinedLength();
        if (ch1On && ch2On) {
            const int n = std::min({gen::Ch1Length(), gen::Ch2Length(), room / 2});
            for (int i = 0; i < n; ++i) {
                BufferOut[2 * i] = BufferOut1[i];
                BufferOut[2 * i + 1] = BufferOut2[i];
            }
        } else if (ch1On && BufferOut1) {
            std::copy(BufferOut1, BufferOut1 + std::min(gen::Ch1Length(), room), BufferOut);
        } else if (ch2On && BufferOut2) {
            std::copy(BufferOut2, BufferOut2 + std::min(gen::Ch2Length(), room), BufferOut);
        }
    }

    DeleteGraphPlot(panelGene, GENE_GRAPH, -1, VAL_DELAYED_DRAW);
    oPlot[0] = oPlot[1] = 0;
    if (ch1On && !ch2On) {
        if (ch1Source == kCh1ArbitraryFile)
            oPeriod = oSamples / 2;
        else if (ch1Source == kCh1Advanced)
            oPeriod = oSamples;
        PlotChannel(0, vBufferOut1, oPeriod, gen::Ch1Length(), VAL_YELLOW);
    } else if (ch1On && ch2On) {
        PlotChannel(0, vBufferOut1, 2 * oPeriod, gen::Ch1Length(), VAL_YELLOW);
        PlotChannel(1, vBufferOut2, 2 * oPeriod, gen::Ch2Length(), VAL_GREEN);
    } else if (ch2On) {
        PlotChannel(1, vBufferOut2, 2 * oPeriod, gen::Ch2Length(), VAL_GREEN);
    }
    RefreshGraph(panelGene, GENE_GRAPH);
}

// An update that could not build CH1 (a cancelled or refused file): the
// output keeps what the last completed update built, and the panel goes back
// to it, switches included, so that the panel, the graph and the scope's
// input all show what is in force.
void KeepOutputInForce(const Settings &held)
{
    PutSettings(held);
    Generator_ShowSettings();
    const int ch1 = gen::outputOn[0], ch2 = gen::outputOn[1];
    SetCtrlVal(panelGene, GENE_CH1_SWITCH, ch1);
    SetCtrlVal(panelGene, GENE_CH2_SWITCH, ch2);
    SetCtrlAttribute(panelGene, GENE_CH2_SWITCH, ATTR_DIMMED, ch1 && ch1Source == kCh1ArbitraryFile ? 1 : 0);
    isGeneratorON = ch1 || ch2 ? 1 : 0;
    numChanOut = ch1 + ch2;
    if (isGeneratorON)
        FinishOutput(ch1, ch2);
}

} // namespace

void Generator_ShowSettings(void)
{
    SetCtrlVal(panelGene, GENE_FREQUENCY, oFrequency);
    const int chan[2] = {GENE_CH1_CHANNEL, GENE_CH2_CHANNEL};
    const int amp[2] = {GENE_CH1_AMPLITUDE, GENE_CH2_AMPLITUDE};
    const int type[2] = {GENE_CH1_TYPE, GENE_CH2_TYPE};
    const int off[2] = {GENE_CH1_OFFSET, GENE_CH2_OFFSET};
    const int noise[2] = {GENE_CH1_NOISE, GENE_CH2_NOISE};
    const int phase[2] = {GENE_CH1_PHASE, GENE_CH2_PHASE};
    for (int k = 0; k < 2; ++k) {
        SetCtrlVal(panelGene, chan[k], static_cast<int>(oChan[k].channel));
        SetCtrlVal(panelGene, amp[k], oChan[k].amplitude);
        SetCtrlVal(panelGene, type[k], static_cast<int>(oChan[k].type));
        SetCtrlVal(panelGene, off[k], oChan[k].offset);
        SetCtrlVal(panelGene, noise[k], oChan[k].noise);
        SetCtrlVal(panelGene, phase[k], oChan[k].phase);
    }
    SetCtrlVal(panelGene, GENE_TRIG_SOURCE, trigger_source_out);
    SetCtrlVal(panelGene, GENE_TRIG_SLOPE, trigger_slope_out);
    SetCtrlVal(panelGene, GENE_TRIG_LEVEL, trigger_level_out);
}

double getFuncGenClk(short deviceNumber, int channels, double frequency, int *period, int *samples)
{
    (void)deviceNumber;
    // The output stage has two channels.
    channels = std::clamp(channels, 1, 2);
    const std::uint64_t ch = static_cast<std::uint64_t>(channels);
    const std::uint64_t clockLimit = kMaxClock / ch;
    const double clockTarget = 0.9 * 40000000.0 / channels;
    const std::uint64_t growLimit = kMaxPeriodWords / (64 / ch);
    const std::uint64_t periodLimit = kMaxPeriodWords / (4 * ch);
    const std::uint64_t multiple = 64 / (2 * ch);

    // Integer part of the frequency; a negative or huge one is beyond every
    // clock, which leaves the period at 1.
    std::uint64_t whole = 0;
    bool beyond = false;
    if (std::isnan(frequency) || frequency < 0.0 || frequency >= 1.0e15)
        beyond = true;
    else
        whole = static_cast<std::uint64_t>(frequency);

    std::uint64_t p = 1, previous = 1, clock = 1;
    while (clockTarget > static_cast<double>(clock)) {
        if (p >= growLimit)
            p *= 2;
        else if (p >= 16)
            p += 2;
        else
            p += 1;
        clock = whole * p;
        if (beyond || clock > clockLimit) {
            p = previous;
            break;
        }
        previous = p;
        if (p >= periodLimit)
            break;
    }

    std::uint64_t s = p * 2;
    while (s < periodLimit || s % multiple != 0)
        s *= 2;

    if (period)
        *period = static_cast<int>(p);
    if (samples)
        *samples = static_cast<int>(s);
    return frequency * static_cast<double>(p);
}

double Generator_ChooseRange(double peak)
{
    if (bi.fixedOutputRange == 1)
        return kFixedOutputRange;
    peak = std::fabs(peak);
    for (double range : kOutputRanges)
        if (range > peak)
            return range;
    return kOutputRanges[kNumOutputRanges - 1];
}

int Call_Output_Setting(void)
{
    int ch1On = 0, ch2On = 0;
    GetCtrlVal(panelGene, GENE_CH1_SWITCH, &ch1On);
    GetCtrlVal(panelGene, GENE_CH2_SWITCH, &ch2On);
    gen::ReleaseCombined();
    // Only a file on CH1 holds CH2 off; with CH1 off, CH2 can be used again.
    if (!ch1On)
        SetCtrlAttribute(panelGene, GENE_CH2_SWITCH, ATTR_DIMMED, 0);
    if (!ch1On && !ch2On) {
        isGeneratorON = 0;
        numChanOut = 0;
        gen::outputOn[0] = gen::outputOn[1] = 0;
        return 0;
    }
    isGeneratorON = 1;
    numChanOut = (ch1On && ch2On) ? 2 : 1;
    return Generator_Setting(ch1On, ch2On) < 0 ? -1 : 0;
}

int Generator_Setting(int ch1On, int ch2On)
{
    const Settings held = HeldSettings();
    ReadPanel();

    if (ch1On) {
        if (isAdvancedWaveformON && vBufferOut1) {
            // The advanced waveform, as the advanced panel built it.
            oChannel[0] = 0;
            ch1Source = kCh1Advanced;
            oRange[0] = Generator_ChooseRange(std::fabs(gen::adAmplitude) + std::fabs(gen::adOffset));
            gen::FillCodes(vBufferOut1, BufferOut1, gen::Ch1Length(), oRange[0]);
        } else if (!isAdvancedWaveformON && oChan[0].type == 6) {
            SetCtrlAttribute(panelGene, GENE_CH2_SWITCH, ATTR_DIMMED, 1);
            SetCtrlVal(panelGene, GENE_CH2_SWITCH, 0);
            numChanOut = 1;
            ch2On = 0;
            if (gen::LoadArbitraryFile() < 0) {
                KeepOutputInForce(held);
                return -1;
            }
            ch1Source = kCh1ArbitraryFile;
        } else {
            SetCtrlAttribute(panelGene, GENE_CH2_SWITCH, ATTR_DIMMED, 0);
            if (BuildStandardChannel(0) < 0)
                return -1;
            ch1Source = kCh1Standard;
        }
    }

    if (ch2On && BuildStandardChannel(1) < 0)
        return -1;

    FinishOutput(ch1On, ch2On);
    gen::outputOn[0] = ch1On ? 1 : 0;
    gen::outputOn[1] = ch2On ? 1 : 0;
    isAdvancedWaveformON = 0;
    return 0;
}
