// The voltmeter: its own panel and timer, measuring the simulated input.
#include <cmath>
#include <memory>
#include <new>

#include "meters/meters.h"
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
    const double span = kVoltmeterSamples * frequency; // periods at 1 Hz sampling, times the rate
    double periods = std::round(span / kVoltmeterClock);
    if (periods < 1.0)
        periods = 1.0;
    return span / periods;
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

    std::unique_ptr<double[]> window(new (std::nothrow) double[kVoltmeterSamples]);
    if (window) {
        // The reading must not depend on the scope's trigger or disturb the
        // generator's phase: start at phase 0, rising, and restore after.
        const int savedSource = trigger_source;
        const int savedSlope = trigger_slope;
        const double savedPhase = oChan[0].phase;
        trigger_source = 0;
        trigger_slope = 1;
        const int status = Scope_SynthesizeInput(window.get(), kVoltmeterSamples,
                                                 Voltmeter_WindowClock(oFrequency), kAcquisitionNoise);
        trigger_source = savedSource;
        trigger_slope = savedSlope;
        oChan[0].phase = savedPhase;
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
