// The probe-calibration tool: a 1 kHz square wave of +/-5 V on the generator
// side, one channel at 2 MHz on the acquisition side, and the probe signal
// drawn at every tick of the capture timer.  With a real device selected the
// probe signal is captured from its first input; with a sound input, whose
// samples are in units of its full scale, the tool sets the volts at full
// scale from a signal of known amplitude.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "analysis/synth.h"
#include "digital/digital.h"
#include "generator/generator.h"
#include "devices/sound_device.h"
#include "meters/meters.h"
#include "scope/scope.h"
#include "scope/scope_realdevice.h"

// The calibration's settings and flags with their start-up values, listed
// once: defined from this list and put back from it by Meters_Reset.
#define KORVAX_CAL_STATE(X)                                                                                  \
    X(int, isCal_Running, 0)                                                                                 \
    X(double *, vCalBufferOut, nullptr)                                                                      \
    X(short *, CalBufferOut, nullptr)                                                                        \
    X(double, vCalPhase, 0.0)                                                                                \
    X(double *, vCalBufferIn, nullptr)                                                                       \
    X(short *, CalBufferIn, nullptr)                                                                         \
    X(double, CalTimeStep, 0.0)                                                                              \
    X(int, calPlot, 0)                                                                                       \
    X(CalPauseRoutine, calPause, Delay)
#define KORVAX_CAL_DEFINE(type, name, start) type name = start;
#define KORVAX_CAL_RESET(type, name, start) name = start;

KORVAX_CAL_STATE(KORVAX_CAL_DEFINE)

namespace
{

std::unique_ptr<double[]> storeOut, storeIn, storeNoise;
std::unique_ptr<short[]> storeCodesOut, storeCodesIn;
int lenOut = 0; // samples in vCalBufferOut
int lenIn = 0;  // samples in vCalBufferIn (and the noise scratch)
bool capturing = false;
// Samples of vCalBufferIn captured from a real device (0: none yet), and the
// volts at full scale they were converted with.
int deviceSamples = 0;
double deviceScale = 1.0;

template <typename T> std::unique_ptr<T[]> Fresh(int n)
{
    if (n < 1)
        return nullptr;
    return std::unique_ptr<T[]>(new (std::nothrow) T[static_cast<std::size_t>(n)]());
}

void SetCaptureTimer(int enabled)
{
    if (enabled)
        SetCtrlAttribute(panelBench, BENCH_CAPTURE_TIMER, ATTR_ENABLED, 1);
    else
        CaptureTimer_Release(); // a running digital analyzer keeps it
}

bool SoundInUse(void)
{
    devices::DeviceSession *session = RealDevice_Session();
    return session && session->capabilities().driver == "sound";
}

// The full-scale controls are for a sound input only.
void ShowFullScaleControls(void)
{
    const int visible = SoundInUse() ? 1 : 0;
    SetCtrlAttribute(panelCal, CAL_KNOWN_AMPLITUDE, ATTR_VISIBLE, visible);
    SetCtrlAttribute(panelCal, CAL_SET_FULL_SCALE, ATTR_VISIBLE, visible);
    SetCtrlAttribute(panelCal, CAL_FULL_SCALE_INFO, ATTR_VISIBLE, visible);
    SetCtrlVal(panelCal, CAL_INFO,
               visible ? "Feed a signal of known peak amplitude to the first input, press Start, then set the full scale."
                       : "Connect the probe to the calibration output, then press Start.");
    if (visible) {
        char text[128];
        std::snprintf(text, sizeof text, "Volts at full scale: %.4g", devices::SoundFullScale());
        SetCtrlVal(panelCal, CAL_FULL_SCALE_INFO, text);
    }
}

void StopOnDevice(const std::string &name, const std::string &why)
{
    if (devices::DeviceSession *session = RealDevice_Session())
        session->cancel(devices::kClientCalibration);
    isCal_Running = 0;
    SetCaptureTimer(0);
    const std::string message = name + ": " + why + ".\nThe calibration is stopped.";
    MessagePopup("Error message", message.c_str());
}

// The probe signal from the device's first input, captured off the UI
// thread.  Returns 1 when a new record is in vCalBufferIn, 0 when there is
// none yet (or the calibration stopped on a failure).
int CaptureFromDevice(devices::DeviceSession &session)
{
    const devices::Capabilities &caps = session.capabilities();
    if (caps.analogChannels < 1) {
        StopOnDevice(caps.name, "this device has no analog input for the probe");
        return 0;
    }
    devices::CaptureConfig wanted;
    wanted.rate = devices::NearestRate(caps, kCalClockRate);
    wanted.samples = lenIn;
    wanted.analog = {0};
    switch (session.poll(devices::kClientCalibration)) {
    case devices::CaptureState::Idle:
        session.start(devices::kClientCalibration, wanted);
        return 0;
    case devices::CaptureState::Running:
        return 0;
    case devices::CaptureState::Failed:
        StopOnDevice(caps.name, session.error(devices::kClientCalibration));
        return 0;
    case devices::CaptureState::Done:
        break;
    }
    devices::CaptureRecord record;
    if (!session.take(devices::kClientCalibration, record))
        return 0;
    session.start(devices::kClientCalibration, wanted);
    if (record.volts.empty() || record.samples < 1) {
        StopOnDevice(caps.name, "the device delivered no samples");
        return 0;
    }
    const std::vector<double> &volts = record.volts[0];
    const int n = std::min({record.samples, static_cast<int>(volts.size()), lenIn});
    std::copy(volts.begin(), volts.begin() + n, vCalBufferIn);
    std::fill(vCalBufferIn + n, vCalBufferIn + lenIn, 0.0);
    deviceSamples = n;
    deviceScale = devices::SoundFullScale();
    if (record.rate > 0.0 && 1.0 / record.rate != CalTimeStep) {
        CalTimeStep = 1.0 / record.rate;
        SetCtrlAttribute(panelCal, CAL_GRAPH, ATTR_XAXIS_GAIN, CalTimeStep);
    }
    return 1;
}

} // namespace

int Cal_Setting(void)
{
    int period = 0, samples = 0;
    const double clock = getFuncGenClk(device, 1, kCalFrequency, &period, &samples);
    const int scanCount = kCalSamples * 1;

    // Every buffer is allocated before anything changes, so a failure leaves
    // the previous configuration whole.
    auto out = Fresh<double>(samples);
    auto codesOut = Fresh<short>(samples);
    auto in = Fresh<double>(scanCount);
    auto codesIn = Fresh<short>(scanCount);
    auto noise = Fresh<double>(scanCount);
    if (!out || !codesOut || !in || !codesIn || !noise)
        return -1;

    numChanOut = 1;
    oFrequency = kCalFrequency;
    oClockRate = clock;
    oPeriod = period;
    oSamples = samples;

    storeOut = std::move(out);
    storeCodesOut = std::move(codesOut);
    lenOut = samples;
    vCalBufferOut = storeOut.get();
    CalBufferOut = storeCodesOut.get();
    vCalPhase = 0.0;

    oRange[0] = kCalAmplitude;
    oChan[0].amplitude = kCalAmplitude;
    if (SquareWave(oSamples, kCalAmplitude, 1.0 / oPeriod, &vCalPhase, kCalDutyCycle, vCalBufferOut) < 0)
        std::fill(vCalBufferOut, vCalBufferOut + lenOut, 0.0);

    iChannel[0] = 0;
    iRange[0] = kCalInputRange;
    iClockRate = kCalClockRate;
    numChanIn = 1;
    iSamples = kCalSamples;
    iScanCount = iSamples * numChanIn;

    CalTimeStep = 1.0 / iClockRate;
    SetCtrlAttribute(panelCal, CAL_GRAPH, ATTR_XAXIS_GAIN, CalTimeStep);

    storeIn = std::move(in);
    storeCodesIn = std::move(codesIn);
    storeNoise = std::move(noise);
    lenIn = scanCount;
    vCalBufferIn = storeIn.get();
    CalBufferIn = storeCodesIn.get();
    deviceSamples = 0;
    if (devices::DeviceSession *session = RealDevice_Session())
        session->cancel(devices::kClientCalibration); // a record for the old buffers
    ShowFullScaleControls();

    // The generator panel shows the frequency and CH1 amplitude now in force
    // (the scope's input follows them), and a running generator takes them
    // at once, so that its graph agrees.  Not when CH1 is set to play a
    // file: that update would ask for one.
    SetCtrlVal(panelGene, GENE_FREQUENCY, kCalFrequency);
    SetCtrlVal(panelGene, GENE_CH1_AMPLITUDE, kCalAmplitude);
    int type = 0;
    GetCtrlVal(panelGene, GENE_CH1_TYPE, &type);
    if (isGeneratorON && type != 6)
        Call_Output_Setting();
    return 0;
}

void Probe_Cal_Capture(void)
{
    // The pause below lets events run; a capture tick arriving during it
    // must not start a nested capture.
    if (capturing)
        return;
    ticks_scope = static_cast<double>(GetTickCount());
    Offset = 0.0;
    iOffset = static_cast<int>(Offset) / std::max(numChanIn, 1);
    if (!vCalBufferIn || lenIn < 1)
        return;
    if (devices::DeviceSession *session = RealDevice_Session()) {
        // A tick without a new record leaves the graph as it is.
        if (!CaptureFromDevice(*session))
            return;
    }
    capturing = true;

    if (!RealDevice_Session()) {
        // What the probe delivers: the calibration square wave sampled at the
        // calibration rate from its rising edge, plus acquisition noise.
        double phase = 0.0;
        if (SquareWave(lenIn, kCalAmplitude, kCalFrequency / kCalClockRate, &phase, kCalDutyCycle,
                       vCalBufferIn) < 0)
            std::fill(vCalBufferIn, vCalBufferIn + lenIn, 0.0);
        if (WhiteNoise(lenIn, kAcquisitionNoise, 0, storeNoise.get()) == 0)
            for (int i = 0; i < lenIn; ++i)
                vCalBufferIn[i] += storeNoise[i];
    }

    // Half the record, never past the end of the buffer whatever the scope
    // has done to iSamples since the start.
    const int start = std::clamp(iOffset, 0, lenIn);
    const int count = std::min(iSamples / 2, lenIn - start);
    DeleteGraphPlot(panelCal, CAL_GRAPH, -1, VAL_DELAYED_DRAW);
    calPlot = 0;
    if (count > 0)
        calPlot = PlotWaveform(panelCal, CAL_GRAPH, vCalBufferIn + start, count, VAL_DOUBLE, 1.0, 0.0, 0.0,
                               1.0, VAL_THIN_LINE, VAL_NO_POINT, VAL_SOLID, 1, VAL_BLUE);
    RefreshGraph(panelCal, CAL_GRAPH);
    calPause(kCalPause);
    capturing = false;
}

void Probe_Calibration(int, int, void *, int)
{
    const int active = GetActivePanel();
    if (active > 0 && active != panelBench)
        HidePanel(active);
    DisplayPanel(panelCal);
    isStreamingRAMEnabled = 0;
    isStreamingRAMOn = 0;
    isDigitalON = 0;
    isZoom_On = 0;
    Aux_BNC = 0;
    isCal_Running = 0;
    ShowFullScaleControls();
}

int Cal_Set_Full_Scale(int, int, int event, void *, int, int)
{
    if (event != EVENT_COMMIT)
        return 0;
    if (!SoundInUse()) {
        MessagePopup("Error message", "Only a sound input has a volts-at-full-scale factor: select one first.");
        return 0;
    }
    if (!vCalBufferIn || deviceSamples < 1) {
        MessagePopup("Error message",
                     "No record of the known signal yet: feed it to the first input, press Start and wait for "
                     "its trace.");
        return 0;
    }
    double known = 0.0;
    GetCtrlVal(panelCal, CAL_KNOWN_AMPLITUDE, &known);
    // The peak amplitude of the record: half its peak-to-peak, as for a
    // sine or a square wave around zero (the input is AC-coupled).  The
    // extremes are taken as the 0.5 % and 99.5 % points of the samples, so a
    // click or a resampler's overshoot at the start of the stream does not
    // count; a sine's 99.5 % point lies within 0.02 % of its peak.
    std::vector<double> sorted(vCalBufferIn, vCalBufferIn + deviceSamples);
    const size_t margin = sorted.size() / 200;
    std::nth_element(sorted.begin(), sorted.begin() + margin, sorted.end());
    const double low = sorted[margin];
    std::nth_element(sorted.begin(), sorted.end() - 1 - margin, sorted.end());
    const double high = sorted[sorted.size() - 1 - margin];
    const double measured = 0.5 * (high - low);
    // In units of full scale, whatever factor the record was taken with.
    const double raw = deviceScale > 0.0 ? measured / deviceScale : 0.0;
    if (!(raw > 1e-6) || !(known > 0.0)) {
        MessagePopup("Error message",
                     "The record holds no signal to calibrate with: the volts at full scale are unchanged.");
        return 0;
    }
    const double factor = known / raw;
    if (!(factor >= 1e-6 && factor <= 1000.0)) {
        char message[256];
        std::snprintf(message, sizeof message,
                      "The known amplitude gives %.4g volts at full scale, outside 1e-06 to 1000: unchanged.",
                      factor);
        MessagePopup("Error message", message);
        return 0;
    }
    RealDevice_SetSoundFullScale(factor);
    ShowFullScaleControls();
    return 0;
}

int Start_Cal(int, int, int event, void *, int, int)
{
    if (event != EVENT_COMMIT)
        return 0;
    if (Cal_Setting() < 0) {
        MessagePopup("Error message", "Not enough memory for the calibration");
        return 0;
    }
    isCal_Running = 1;
    SetCaptureTimer(1);
    return 0;
}

int Close_Cal(int panel, int, int event, void *, int, int)
{
    if (event != EVENT_COMMIT)
        return 0;
    isCal_Running = 0;
    SetCaptureTimer(0);
    if (devices::DeviceSession *session = RealDevice_Session())
        session->cancel(devices::kClientCalibration);
    HidePanel(panel);
    return 0;
}

void Meters_Reset(void)
{
    Voltmeter_ResetState();
    KORVAX_CAL_STATE(KORVAX_CAL_RESET)
    storeOut.reset();
    storeIn.reset();
    storeNoise.reset();
    storeCodesOut.reset();
    storeCodesIn.reset();
    lenOut = lenIn = 0;
    capturing = false;
    deviceSamples = 0;
    deviceScale = 1.0;
}
