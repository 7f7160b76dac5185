// The digital analyzer: settings, run control, the capture step and the
// simulated 16-line source of the Demo Card.
#include "digital/digital.h"

#include <new>

#include "digital/digital_annotations.h"
#include "digital/digital_bus.h"
#include "digital/digital_decode.h"
#include "digital/digital_decode_panel.h"

#include "digital/digital_device.h"
#include "scope/scope.h"

// The analyzer's settings and flags with their start-up values, listed once:
// defined from this list and put back from it by Digital_Reset.  (The
// buffers are released there.)
#define KORVAX_DIGITAL_STATE(X)                                                                              \
    X(int, isDigitalON, 0)                                                                                   \
    X(double, dClockRate, 10000000.0)                                                                        \
    X(int, dSamples, 1000)                                                                                   \
    X(unsigned short, dTriggerMask, 0)                                                                       \
    X(unsigned short, dTriggerMode, 0)                                                                       \
    X(unsigned short, dTriggerPattern, 0)                                                                    \
    X(short, numPortIn, 2)                                                                                   \
    X(int, dScanCount, 0)                                                                                    \
    X(double, dDigitalTimeStep, 0.0)                                                                         \
    X(double, dTimeOut, 0.0)                                                                                 \
    X(double, ticks_digital, 0.0)                                                                            \
    X(uint16_t, dSimulatedCount, 0)
#define KORVAX_DIGITAL_DEFINE(type, name, start) type name = start;
#define KORVAX_DIGITAL_RESET(type, name, start) name = start;

KORVAX_DIGITAL_STATE(KORVAX_DIGITAL_DEFINE)

std::vector<uint8_t> dBufferIn;
std::vector<uint8_t> plotDig[16];

// blue, red, yellow, green, magenta, cyan, teal, navy
const int kDigitalTraceColors[8] = {0x0000FF, 0xFF0000, 0xFFFF00, 0x00FF00,
                                    0xFF00FF, 0x00FFFF, 0x008080, 0x000080};

namespace
{

// Samples the buffers were sized for; the capture never reads further, even
// when dSamples has been changed behind the analyzer's back.
int allocatedSamples = 0;

void ReleaseBuffers()
{
    std::vector<uint8_t>().swap(dBufferIn);
    for (auto &trace : plotDig)
        std::vector<uint8_t>().swap(trace);
    allocatedSamples = 0;
}

void SetCaptureTimer(int enabled)
{
    if (panelBench > 0)
        SetCtrlAttribute(panelBench, BENCH_CAPTURE_TIMER, ATTR_ENABLED, enabled);
}

} // namespace

void Digital_SplitLines(const uint8_t *raw, int samples, uint8_t *const traces[16])
{
    for (int i = 0; i < samples; ++i) {
        const unsigned low = raw[2 * i];
        const unsigned high = raw[2 * i + 1];
        for (int k = 0; k < 8; ++k) {
            traces[k][i] = static_cast<uint8_t>(2 * k + ((low >> k) & 1u));
            traces[k + 8][i] = static_cast<uint8_t>(2 * (k + 8) + ((high >> k) & 1u));
        }
    }
}

void Digital_SimulateInput(uint8_t *raw, int samples)
{
    for (int i = 0; i < samples; ++i) {
        raw[2 * i] = static_cast<uint8_t>(dSimulatedCount & 0xFFu);
        raw[2 * i + 1] = static_cast<uint8_t>(dSimulatedCount >> 8);
        ++dSimulatedCount;
    }
}

int Digital_Setting(void)
{
    int value = 0;
    if (GetCtrlVal(panelDig, DIG_DEVICE, &value) == 0)
        device = static_cast<short>(value);
    GetCtrlVal(panelDig, DIG_SAMPLES, &dSamples);
    GetCtrlVal(panelDig, DIG_RATE, &dClockRate);
    GetCtrlVal(panelDig, DIG_TRIG_MASK, &dTriggerMask);
    if (GetCtrlVal(panelDig, DIG_TRIG_MODE, &value) == 0)
        dTriggerMode = static_cast<unsigned short>(value);
    GetCtrlVal(panelDig, DIG_TRIG_PATTERN, &dTriggerPattern);

    // The control holds the rate within its limits; a rate of zero would
    // still make every time below infinite, so keep a floor.
    if (!(dClockRate > 0.0))
        dClockRate = 10000.0;
    if (dSamples < 1)
        dSamples = 1;

    dDigitalTimeStep = 1.0 / dClockRate;
    if (bi.fixedOutputRange == 1 && numChanIn == 2)
        dDigitalTimeStep = 2.0 / dClockRate;
    SetCtrlAttribute(panelDig, DIG_GRAPH, ATTR_XAXIS_GAIN, dDigitalTimeStep);

    numPortIn = 2;
    dScanCount = dSamples * numPortIn;
    dTimeOut = 1000.0 * dScanCount / dClockRate + 5000.0;

    ReleaseBuffers();
    try {
        dBufferIn.assign(static_cast<size_t>(dScanCount), 0);
        for (auto &trace : plotDig)
            trace.assign(static_cast<size_t>(dScanCount), 0);
    } catch (const std::bad_alloc &) {
        ReleaseBuffers();
        return -1;
    }
    allocatedSamples = dSamples;
    return 0;
}

int Start_Stop_Digital(int panel, int control, int event, void *, int, int)
{
    if (event != EVENT_VAL_CHANGED)
        return 0;
    int on = 0;
    GetCtrlVal(panel, control, &on);
    if (on) {
        if (Digital_Setting() < 0) {
            // No buffers: do not run, and show the switch as it really is.
            isDigitalON = 0;
            SetCtrlVal(panel, control, 0);
            MessagePopup("Error message", "Not enough memory for the digital record");
            return 0;
        }
        isDigitalON = 1;
        SetCtrlAttribute(panelDig, DIG_TIMEOUT, ATTR_VISIBLE, 0);
        SetCaptureTimer(1);
        ticks_digital = GetTickCount();
    } else {
        isDigitalON = 0;
        SetCaptureTimer(0);
    }
    return 0;
}

int Update_Parameter_Digital(int, int, int event, void *, int, int)
{
    if (event != EVENT_VAL_CHANGED || !isDigitalON)
        return 0;
    if (Digital_Setting() < 0) {
        isDigitalON = 0;
        SetCtrlVal(panelDig, DIG_RUN, 0);
        MessagePopup("Error message", "Not enough memory for the digital record");
    }
    return 0;
}

int Select_Digital_Device(int panel, int, int event, void *, int, int)
{
    if (event != EVENT_COMMIT)
        return 0;
    int value = 0;
    if (GetCtrlVal(panel, DIG_DEVICE, &value) == 0)
        device = static_cast<short>(value);
    Select_Device(device);
    return 0;
}

int Close_Digital(int panel, int, int event, void *, int, int)
{
    if (event == EVENT_COMMIT)
        HidePanel(panel);
    return 0;
}

void Display_Digital(int, int, void *, int)
{
    Digital_ShowDecoderControls();
    DisplayPanel(panelDig);
}

void Digital_Capture(void)
{
    // Elapsed time in unsigned 32-bit arithmetic, so the time-out still
    // works when the millisecond count wraps.
    const unsigned int now = GetTickCount();
    const unsigned int since = now - static_cast<unsigned int>(ticks_digital);
    if (static_cast<double>(since) >= dTimeOut) {
        isDigitalON = 0;
        SetCtrlAttribute(panelDig, DIG_TIMEOUT, ATTR_VISIBLE, 1);
        return;
    }
    const int n = allocatedSamples;
    if (n <= 0)
        return;
    // A finished decode draws its capture with its annotations.
    const int decoded = dDecoders.empty() ? 0 : Digital_DecodePoll();
    if (Digital_DeviceCapture(n))
        return; // the selected real device feeds the lines (and its decoders)

    if (!dDecoders.empty()) {
        // With decoders, a capture is drawn when its decode is taken, so the
        // traces and their annotations always belong to the same capture; no
        // new capture is taken while one is being decoded.
        if (!decoded && !Digital_DecodeBusy()) {
            Digital_FillInput(dBufferIn.data(), n);
            Digital_DecodeStart(dBufferIn.data(), n, dClockRate);
        }
        ticks_digital = GetTickCount();
        return;
    }
    Digital_FillInput(dBufferIn.data(), n);
    Digital_PlotCapture(dBufferIn.data(), n);
    ticks_digital = GetTickCount();
}

void Digital_FillInput(uint8_t *raw, int samples)
{
    if (dLineSource == DIGITAL_SOURCE_BUS)
        Digital_SynthesizeBus(dBus, dClockRate, raw, samples);
    else
        Digital_SimulateInput(raw, samples);
}

void Digital_PlotCapture(const uint8_t *raw, int samples)
{
    // The trace buffers, or buffers of this capture's own length when the
    // settings have changed since it was taken.
    std::vector<uint8_t> own[16];
    uint8_t *traces[16];
    for (int k = 0; k < 16; ++k) {
        if (samples <= allocatedSamples)
            traces[k] = plotDig[k].data();
        else {
            own[k].assign(static_cast<size_t>(samples), 0);
            traces[k] = own[k].data();
        }
    }
    Digital_SplitLines(raw, samples, traces);

    DeleteGraphPlot(panelDig, DIG_GRAPH, -1, VAL_DELAYED_DRAW);
    for (int k = 0; k < 16; ++k)
        PlotY(panelDig, DIG_GRAPH, traces[k], samples, VAL_UNSIGNED_CHAR, VAL_THIN_LINE, VAL_NO_POINT, VAL_SOLID, 1,
              kDigitalTraceColors[k % 8]);
}

void Digital_Reset(void)
{
    KORVAX_DIGITAL_STATE(KORVAX_DIGITAL_RESET)
    ReleaseBuffers();
    Digital_DecodeReset();
    Digital_DecodePanelReset();
    Digital_BusPanelReset();
    Digital_AnnotationPanelReset();
    digitalDecodeDisplayHook = Digital_ShowDecode;
    dLineSource = DIGITAL_SOURCE_COUNTER;
    dBus = DigitalBus();
}
