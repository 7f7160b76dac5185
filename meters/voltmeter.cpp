// The voltmeter: its own panel and timer, measuring the simulated input.
#include <cmath>
#include <memory>
#include <new>

#include "generator/generator.h"
#include "meters/meters.h"
#include "meters/voltmeter_device.h"
#include "scope/scope.h"

int isVoltmeterON = 0;

namespace
{

double reading = 0.0; // volts, as measured

constexpr const char *kReadingLabel = "Reading (V)";
constexpr const char *kOverLabel = "OVER";

double FullScale(int range)
{
    switch (range) {
    case kRange1V:
        return 1.0;
    case kRange10V:
        return 10.0;
    default:
        return 0.0; // auto
    }
}

} // namespace

double Voltmeter_WindowClock(double frequency)
{
    if (!(frequency > 0.0) || !std::isfinite(frequency))
        return kVoltmeterClock;
    // span / periods is the rate at which the window holds that many whole
    // periods.  The count must be odd: with kVoltmeterSamples a power of
    // two, an odd count puts every sample at its own phase, evenly spread
    // over the period (sample i lies at phase i x periods / samples, modulo
    // one period), whereas an even count shares out the samples over fewer
    // phases: a count that is a multiple of 2048 leaves only one or two, and
    // a sine read there measures about nothing.
    const double span = kVoltmeterSamples * frequency;
    double periods = std::round(span / kVoltmeterClock);
    if (periods < 1.0)
        periods = 1.0;
    if (std::fmod(periods, 2.0) == 0.0) {
        // The odd neighbour whose rate lies nearer the nominal one.
        const double below = span / (periods - 1.0), above = span / (periods + 1.0);
        periods += std::fabs(below - kVoltmeterClock) < std::fabs(above - kVoltmeterClock) ? -1.0 : 1.0;
    }
    return span / periods;
}

double Voltmeter_InputFrequency(void)
{
    Generator_Ch1Wave played;
    if (Generator_Ch1Buffer(&played))
        return played.clockRate / played.count;
    return oFrequency;
}

double Voltmeter_Measure(const double *samples, int n, int measure)
{
    if (!samples || n < 1)
        return 0.0;
    double sum = 0.0;
    for (int i = 0; i < n; ++i)
        sum += samples[i];
    const double mean = sum / n;
    if (measure != kMeasureACRMS)
        return mean;
    double squares = 0.0;
    for (int i = 0; i < n; ++i) {
        const double d = samples[i] - mean;
        squares += d * d;
    }
    return std::sqrt(squares / n);
}

double Voltmeter_Reading(void)
{
    return reading;
}

void ReadVolt(void)
{
    int channel = 0, measure = kMeasureDC, range = kRangeAuto;
    GetCtrlVal(panelVoltmeter, VOLTMETER_CHANNEL, &channel);
    GetCtrlVal(panelVoltmeter, VOLTMETER_MEASURE, &measure);
    GetCtrlVal(panelVoltmeter, VOLTMETER_RANGE, &range);
    (void)channel; // every input of the simulated card sees generator CH1

    // A real device's record, or the simulated input of the Demo Card.
    const int fromDevice = Voltmeter_DeviceReading(channel, measure, &reading);
    std::unique_ptr<double[]> window(fromDevice ? nullptr : new (std::nothrow) double[kVoltmeterSamples]);
    if (window) {
        // The reading must not depend on the scope's trigger: start at phase
        // 0, rising, and restore after.
        const int savedSource = trigger_source;
        const int savedSlope = trigger_slope;
        trigger_source = 0;
        trigger_slope = 1;
        const int status =
            Scope_SynthesizeInput(window.get(), kVoltmeterSamples,
                                  Voltmeter_WindowClock(Voltmeter_InputFrequency()), kAcquisitionNoise);
        trigger_source = savedSource;
        trigger_slope = savedSlope;
        if (status == 0)
            reading = Voltmeter_Measure(window.get(), kVoltmeterSamples, measure);
    }

    double shown = reading;
    const double fullScale = FullScale(range);
    const bool over = fullScale > 0.0 && std::fabs(reading) > fullScale;
    if (over)
        shown = std::copysign(fullScale, reading);
    SetCtrlVal(panelVoltmeter, VOLTMETER_READING, shown);
    SetCtrlAttribute(panelVoltmeter, VOLTMETER_READING, ATTR_LABEL_TEXT, over ? kOverLabel : kReadingLabel);
}

void Display_Voltmeter(int, int, void *, int)
{
    DisplayPanel(panelVoltmeter);
}

int Run_Voltmeter(int, int, int event, void *, int, int)
{
    if (event != EVENT_COMMIT)
        return 0;
    isVoltmeterON = 1;
    SetCtrlAttribute(panelVoltmeter, VOLTMETER_TIMER, ATTR_ENABLED, 1);
    return 0;
}

int VoltmeterTimerCallback(int, int, int event, void *, int, int)
{
    if (event == EVENT_TIMER_TICK && isVoltmeterON)
        ReadVolt();
    return 0;
}

int Close_Voltmeter(int, int, int event, void *, int, int)
{
    if (event != EVENT_COMMIT)
        return 0;
    // Stop the timer before the panel goes, so no tick reads a hidden panel.
    isVoltmeterON = 0;
    SetCtrlAttribute(panelVoltmeter, VOLTMETER_TIMER, ATTR_ENABLED, 0);
    HidePanel(panelVoltmeter);
    return 0;
}

void Voltmeter_ResetState(void)
{
    isVoltmeterON = 0;
    reading = 0.0;
}
