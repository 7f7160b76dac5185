// A device in use: opened once, its captures run one at a time on a worker
// thread, so no caller ever waits for the hardware.  Each instrument is a
// client with one request slot: it starts a capture, polls it from its own
// tick, and takes the record when it is complete.
#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "devices/device.h"

namespace devices
{

enum Client {
    kClientScope = 0,
    kClientDigital = 1,
    kClientVoltmeter = 2,
    kClientCalibration = 3, // the probe-calibration tool
    kClientCount = 4
};

enum class CaptureState { Idle, Running, Done, Failed };

class DeviceSession
{
public:
    explicit DeviceSession(std::unique_ptr<Device> device);
    ~DeviceSession(); // ends any capture and closes the device
    DeviceSession(const DeviceSession &) = delete;
    DeviceSession &operator=(const DeviceSession &) = delete;

    // Opens the device (blocking; a USB device may load its firmware).
    // Returns false with error() set when it cannot be opened.
    bool open();
    bool isOpen() const { return open_; }
    const Capabilities &capabilities() const { return device_->capabilities(); }

    // Queues a capture for client, replacing whatever the client had
    // (a record not taken is dropped, a capture still queued is replaced).
    void start(int client, const CaptureConfig &config);
    CaptureState poll(int client);
    // Moves a complete record out; the client's slot is idle again.
    bool take(int client, CaptureRecord &record);
    // Why the client's capture (or the open) failed.
    std::string error(int client = -1);
    // Drops the client's request and interrupts it when it is running.
    void cancel(int client);

private:
    struct Slot {
        CaptureState state = CaptureState::Idle;
        CaptureConfig config;
        CaptureRecord record;
        std::string error;
        unsigned long generation = 0; // bumped by every start and cancel
        bool queued = false;
    };
    void run();

    std::unique_ptr<Device> device_;
    bool open_ = false;
    std::string openError_;
    std::mutex mutex_;
    std::condition_variable wake_;
    Slot slots_[kClientCount];
    std::deque<int> queue_;
    int running_ = -1; // client whose capture the worker runs
    bool quit_ = false;
    std::thread worker_;
};

} // namespace devices
