// Acquisition devices: one small interface that the instruments' capture
// code uses, whatever drives the hardware (libsigrok, the sound input, a
// fake device for tests).  Plain C++: no library type of any driver appears
// here or in any header of this folder.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace devices
{

// One input range a device reports: label as shown in a range ring, and the
// full-scale value in volts.
struct InputRange {
    std::string label;
    double volts = 0.0;
};

// What a device can do, as the instruments apply it.
struct Capabilities {
    std::string name;       // shown in the device rings
    std::string driver;     // identity, kept across runs: driver, connection, model
    std::string connection; //
    std::string model;      //
    int analogChannels = 0; // scope inputs
    int logicChannels = 0;  // analyzer lines
    // Sampling rates: an explicit list (ascending) when the device offers
    // only those, else the range minRate .. maxRate.
    std::vector<double> rates;
    double minRate = 0.0;
    double maxRate = 0.0;
    std::vector<InputRange> ranges; // empty: the device reports none
    bool captureRatio = false;     // pre-trigger samples can be asked for
};

// The rate a device actually takes when asked for rate: the nearest listed
// rate, or rate held to minRate .. maxRate.
double NearestRate(const Capabilities &caps, double rate);

// One capture request.
struct CaptureConfig {
    double rate = 0.0;       // samples per second
    int samples = 0;         // samples per channel, pre-trigger samples included
    int preSamples = 0;      // of which before the trigger point (capture ratio)
    int stride = 1;          // keep every stride-th sample (1: all)
    std::vector<int> analog; // analog channels to record, device numbering from 0
    bool logic = false;      // record the logic channels as 16-bit words
    double range = 0.0;      // full-scale volts asked for (0: as the device is)
};

// A finished capture.  volts[i] belongs to config.analog[i].
struct CaptureRecord {
    CaptureConfig config;
    double rate = 0.0; // rate the device ran at
    std::vector<std::vector<double>> volts;
    std::vector<uint16_t> logic;
    int samples = 0; // samples per channel delivered (after the stride)
};

// A device.  open/capture/close are called from one thread at a time (the
// session's worker); cancel may be called from any thread while a capture
// runs and makes it return soon.
class Device
{
public:
    virtual ~Device() = default;
    virtual const Capabilities &capabilities() const = 0;
    virtual bool open() = 0;
    virtual void close() = 0;
    // Blocking: records config into record.  Returns false on a failure
    // (lastError says why) or when cancelled.
    virtual bool capture(const CaptureConfig &config, CaptureRecord &record) = 0;
    // Asks a running (or the next) capture to return early; any thread.
    void cancel()
    {
        cancelled_ = true;
        interrupt();
    }
    void clearCancel() { cancelled_ = false; }
    bool cancelled() const { return cancelled_; }
    std::string lastError() const { return error_; }

protected:
    // Wakes a blocking capture so that it sees cancelled(); any thread.
    virtual void interrupt() {}
    void setError(std::string text) { error_ = std::move(text); }

private:
    std::atomic<bool> cancelled_{false};
    std::string error_;
};

} // namespace devices
