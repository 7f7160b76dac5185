// The scope's capture tick on a real device: the record of the set length
// and rate is asked for off the UI thread, and the tick that finds it
// complete hands it to the same path as the Demo Card's synthesis (trigger
// line, averaging, persistence, filter, plotting, measurements, spectrum,
// saving, autosave, streaming with decimation).
#include <cstdio>
#include <string>

#include "scope/scope.h"
#include "scope/scope_realdevice.h"

namespace
{

// The record the tick took, and which of its channels each slot reads.
devices::CaptureRecord record;
int slotChannel[4] = {-1, -1, -1, -1}; // index into record.volts, -1: none

// What the current settings ask of the device.
devices::CaptureConfig WantedConfig(const devices::Capabilities &caps)
{
    devices::CaptureConfig config;
    config.rate = devices::NearestRate(caps, iClockRate);
    if (isStreamingRAMOn) {
        config.samples = iSamples;
        config.stride = decimation_factor >= 1 ? decimation_factor : 1;
        config.preSamples = 0;
    } else {
        const int pre = pre_iSample > 0 ? pre_iSample : 0;
        config.samples = pre + RequestedSamples;
        config.preSamples = pre;
    }
    const int slots = numChanIn < 4 ? numChanIn : 4;
    for (int k = 0; k < slots; ++k) {
        const int channel = iChan[k].channel;
        if (Ain[k] && channel >= 0 && channel < caps.analogChannels)
            config.analog.push_back(channel);
    }
    config.range = iRange[0];
    return config;
}

bool SameRequest(const devices::CaptureConfig &a, const devices::CaptureConfig &b)
{
    return a.rate == b.rate && a.samples == b.samples && a.preSamples == b.preSamples && a.stride == b.stride &&
           a.analog == b.analog && a.logic == b.logic;
}

void SetStatus(const char *text)
{
    SetCtrlVal(panelScope, SCOPE_STATUS, text);
    SetCtrlAttribute(panelScope, SCOPE_STATUS, ATTR_VISIBLE, 1);
}

// A failure ends the run; the records and files already taken stay.
void Fail(const std::string &name, const std::string &why)
{
    if (devices::DeviceSession *session = RealDevice_Session())
        session->cancel(devices::kClientScope);
    char message[1024];
    std::snprintf(message, sizeof message, "%s: %s.\nThe acquisition is stopped.", name.c_str(), why.c_str());
    SetStatus("Stopped");
    MessagePopup("Error message", message);
    Scope_HaltAcquisition();
    Scope_EndRun();
}

// The device ran at another rate than the box asked for (a sound input
// takes only its own rates): the time axis follows the record.
void FollowRate(double rate)
{
    if (!(rate > 0.0) || rate == iClockRate)
        return;
    iClockRate = rate;
    dTimeStep = (isStreamingRAMOn ? (decimation_factor >= 1 ? decimation_factor : 1) : 1) / iClockRate;
    SetCtrlVal(panelScope, SCOPE_SAMPLING_RATE, rate);
    SetCtrlAttribute(panelScope, SCOPE_TIMEGRAPH, ATTR_XAXIS_GAIN, dTimeStep);
    SetCtrlAttribute(panelScope, SCOPE_ZOOMGRAPH, ATTR_XAXIS_GAIN, dTimeStep);
}

} // namespace

int Scope_DeviceTick(void)
{
    devices::DeviceSession *session = RealDevice_Session();
    if (!session)
        return 1;
    const devices::Capabilities &caps = session->capabilities();
    if (caps.analogChannels < 1) {
        Fail(caps.name, "this device has no analog inputs for the scope");
        return 0;
    }
    const devices::CaptureConfig wanted = WantedConfig(caps);
    if (wanted.analog.empty()) {
        Fail(caps.name, "no enabled channel of the scope is an input of this device");
        return 0;
    }

    switch (session->poll(devices::kClientScope)) {
    case devices::CaptureState::Idle:
        session->start(devices::kClientScope, wanted);
        SetStatus("Waiting for trigger");
        return 0;
    case devices::CaptureState::Running:
        SetStatus("Waiting for trigger");
        return 0;
    case devices::CaptureState::Failed:
        Fail(caps.name, session->error(devices::kClientScope));
        return 0;
    case devices::CaptureState::Done:
        break;
    }

    devices::CaptureRecord taken;
    if (!session->take(devices::kClientScope, taken))
        return 0;
    if (!SameRequest(taken.config, wanted)) {
        // Settings changed while it was taken: ask again with the new ones.
        session->start(devices::kClientScope, wanted);
        SetStatus("Waiting for trigger");
        return 0;
    }
    const int expected = (wanted.samples + wanted.stride - 1) / wanted.stride;
    if (taken.samples < expected) {
        char why[256];
        std::snprintf(why, sizeof why, "the device delivered %d of the %d samples asked for", taken.samples,
                      expected);
        Fail(caps.name, why);
        return 0;
    }
    record = std::move(taken);
    const int slots = numChanIn < 4 ? numChanIn : 4;
    int next = 0;
    for (int k = 0; k < 4; ++k) {
        slotChannel[k] = -1;
        const int channel = k < slots ? iChan[k].channel : -1;
        if (k < slots && Ain[k] && channel >= 0 && channel < caps.analogChannels)
            slotChannel[k] = next++;
    }
    FollowRate(record.rate);
    // The next record is taken while this one is drawn.
    if (isScopeContOn || is_AverageON)
        session->start(devices::kClientScope, wanted);
    return 1;
}

void Scope_DeviceSlotRecord(int slot, double *out, int pre, int n)
{
    if (!out || pre < 0 || n < 0)
        return;
    const int index = slot >= 0 && slot < 4 ? slotChannel[slot] : -1;
    const std::vector<double> *volts =
        index >= 0 && index < static_cast<int>(record.volts.size()) ? &record.volts[index] : nullptr;
    const int recordPre = record.config.preSamples;
    const long long size = volts ? static_cast<long long>(volts->size()) : 0;
    for (int i = 0; i < pre + n; ++i) {
        const long long p = static_cast<long long>(recordPre) - pre + i;
        out[i] = p >= 0 && p < size ? (*volts)[static_cast<size_t>(p)] : 0.0;
    }
}

void Scope_DeviceStop(void)
{
    if (devices::DeviceSession *session = RealDevice_Session())
        session->cancel(devices::kClientScope);
}
