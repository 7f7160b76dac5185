// A device with no hardware behind it, for tests: a sine on every analog
// channel (channel c at amplitude x (c + 1)), a 16-bit counter on the logic
// lines, and faults to order: it fails to open, fails in the middle of a
// capture, delivers fewer samples than asked, or holds a capture until it
// is released (a trigger that does not come).
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>

#include "devices/device.h"

namespace devices
{

struct FakeBehaviour {
    int analogChannels = 2;
    int logicChannels = 8;
    double frequency = 1000.0; // Hz
    double amplitude = 1.0;    // volts, channel 0
    bool failOpen = false;
    int failAfter = -1;        // captures that succeed before every later one fails (-1: never)
    int shortBy = 0;           // samples missing from every record
    bool hold = false;         // captures wait for release() (or a cancel)
    std::string driver = "fake"; // "sound": the bench treats it as a sound input
};

class FakeDevice : public Device
{
public:
    explicit FakeDevice(const FakeBehaviour &behaviour, const std::string &name = "Fake Device");
    const Capabilities &capabilities() const override { return caps_; }
    bool open() override;
    void close() override;
    bool capture(const CaptureConfig &config, CaptureRecord &record) override;
    // Lets a held capture finish.
    void release();
    int captures() const { return captures_; }

protected:
    void interrupt() override;

private:
    FakeBehaviour behaviour_;
    Capabilities caps_;
    std::mutex mutex_;
    std::condition_variable gate_;
    bool released_ = false;
    std::atomic<int> captures_{0};
    uint16_t counter_ = 0;
};

} // namespace devices
