// The scope's capture tick on a real device: the record of the set length
// and rate is asked for off the UI thread, and the tick that finds it
// complete hands it to the same path as the Demo Card's synthesis (trigger
// line, averaging, persistence, filter, plotting, measurements, spectrum,
// saving, autosave, streaming with decimation).
#include <algorithm>
#include <cstdio>
#include <string>

#include "scope/scope.h"
#include "scope/scope_realdevice.h"

namespace
{

// The record the tick took, which of its channels each slot reads, and
// where in it the trigger point lies.
devices::CaptureRecord record;
int slotChannel[4] = {-1, -1, -1, -1}; // index into record.volts, -1: none
int triggerIndex = 0;

// Samples beyond the displayed record in which a triggered capture looks
// for its edge: one record length, at most this many.
constexpr int kMaxTriggerSearch = 1 << 20;
// Hysteresis of the trigger, a fraction of the source's peak-to-peak.
constexpr double kTriggerHysteresis = 0.02;

// The device channel (numbering from 0) each enabled slot records, -1 for
// a slot the device does not record.
void SlotChannels(const devices::Capabilities &caps, int channels[4])
{
    const int slots = numChanIn < 4 ? numChanIn : 4;
    for (int k = 0; k < 4; ++k) {
        const int channel = k < slots ? iChan[k].channel : -1;
        channels[k] = k < slots && Ain[k] && channel >= 0 && channel < caps.analogChannels ? channel : -1;
    }
}

// Whether the records are triggered: the source is a slot the device
// records.  "NONE" runs free; so does "EXT", the bench having no external
// trigger input on a real device.
bool Triggered(const devices::Capabilities &caps)
{
    if (isStreamingRAMOn || trigger_source < 0 || trigger_source >= 4)
        return false;
    int channels[4];
    SlotChannels(caps, channels);
    return channels[trigger_source] >= 0;
}

int TriggerSearch(void)
{
    return RequestedSamples < kMaxTriggerSearch ? RequestedSamples : kMaxTriggerSearch;
}

// What the current settings ask of the device.  A triggered record is
// taken one search stretch longer, so the trigger point may fall anywhere
// in that stretch and still leave the whole record after it.
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
        const long long total =
            static_cast<long long>(pre) + RequestedSamples + (Triggered(caps) ? TriggerSearch() : 0);
        config.samples = total < 0x7FFFFFFF ? static_cast<int>(total) : 0x7FFFFFFF;
        config.preSamples = pre;
    }
    int channels[4];
    SlotChannels(caps, channels);
    for (int k = 0; k < 4; ++k) {
        if (channels[k] >= 0)
            config.analog.push_back(channels[k]);
    }
    config.range = iRange[0];
    return config;
}

// The trigger point of the record just taken: pre_iSample when it runs
// free, else the first edge of the source slot's channel (slope and level
// as set) that has pre_iSample samples before it and the record length
// after it; -1 when the record holds no such edge.
int FindTriggerPoint(const devices::Capabilities &caps, const devices::CaptureRecord &taken, const int channelOf[4])
{
    const int pre = isStreamingRAMOn ? 0 : (pre_iSample > 0 ? pre_iSample : 0);
    if (!Triggered(caps))
        return pre;
    const int index = channelOf[trigger_source];
    if (index < 0 || index >= static_cast<int>(taken.volts.size()))
        return pre;
    const std::vector<double> &x = taken.volts[static_cast<size_t>(index)];
    const long long last = static_cast<long long>(x.size()) - RequestedSamples; // latest point that fits
    if (last < pre)
        return -1;
    const auto range = std::minmax_element(x.begin(), x.end());
    const double hysteresis = kTriggerHysteresis * (*range.second - *range.first);
    // The arming may start before pre: an edge right at pre counts.
    const int n = static_cast<int>(last) + 1;
    for (int i = Scope_FindEdge(x.data(), 0, n, trigger_level, hysteresis, trigger_slope != 0); i >= 0;
         i = Scope_FindEdge(x.data(), i + 1, n, trigger_level, hysteresis, trigger_slope != 0)) {
        if (i >= pre)
            return i;
    }
    return -1;
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
    int channelOf[4];
    SlotChannels(caps, channelOf);
    for (int k = 0, next = 0; k < 4; ++k)
        channelOf[k] = channelOf[k] >= 0 ? next++ : -1;
    const int point = FindTriggerPoint(caps, taken, channelOf);
    if (point < 0) {
        // No edge in this record: the run waits on the next one, and the
        // last triggered record stays what the scope shows.
        session->start(devices::kClientScope, wanted);
        SetStatus("Waiting for trigger");
        return 0;
    }
    record = std::move(taken);
    std::copy(channelOf, channelOf + 4, slotChannel);
    triggerIndex = point;
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
    const int recordPre = triggerIndex;
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
