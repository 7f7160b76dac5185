#include "devices/fake_device.h"

#include <cmath>

namespace devices
{

FakeDevice::FakeDevice(const FakeBehaviour &behaviour, const std::string &name) : behaviour_(behaviour)
{
    caps_.name = name;
    caps_.driver = behaviour.driver;
    caps_.connection = "none";
    caps_.model = name;
    caps_.analogChannels = behaviour.analogChannels;
    caps_.logicChannels = behaviour.logicChannels;
    caps_.minRate = 1000.0;
    caps_.maxRate = 10000000.0;
    caps_.ranges = {{"\u00B1 1V", 1.0}, {"\u00B1 10V", 10.0}};
    caps_.captureRatio = true;
}

bool FakeDevice::open()
{
    if (behaviour_.failOpen) {
        setError("the fake device refuses to open");
        return false;
    }
    return true;
}

void FakeDevice::close()
{
}

void FakeDevice::interrupt()
{
    std::lock_guard<std::mutex> lock(mutex_);
    gate_.notify_all();
}

void FakeDevice::release()
{
    std::lock_guard<std::mutex> lock(mutex_);
    released_ = true;
    gate_.notify_all();
}

bool FakeDevice::capture(const CaptureConfig &config, CaptureRecord &record)
{
    const int done = captures_++;
    if (behaviour_.hold) {
        std::unique_lock<std::mutex> lock(mutex_);
        gate_.wait(lock, [this] { return released_ || cancelled(); });
        released_ = false;
    }
    if (cancelled()) {
        setError("the capture was cancelled");
        return false;
    }
    if (behaviour_.failAfter >= 0 && done >= behaviour_.failAfter) {
        setError("the fake device stopped answering in the middle of a capture");
        return false;
    }
    const double rate = NearestRate(caps_, config.rate);
    const int stride = config.stride >= 1 ? config.stride : 1;
    int total = config.samples - behaviour_.shortBy;
    if (total < 0)
        total = 0;
    const int kept = (total + stride - 1) / stride;
    record.rate = rate;
    record.samples = kept;
    const double pi = 3.14159265358979323846;
    for (int channel : config.analog) {
        std::vector<double> volts(static_cast<size_t>(kept), 0.0);
        if (channel >= 0 && channel < caps_.analogChannels) {
            const double a = behaviour_.amplitude * (channel + 1);
            for (int j = 0; j < kept; ++j)
                volts[j] = a * std::sin(2.0 * pi * behaviour_.frequency * (static_cast<double>(j) * stride) / rate);
        }
        record.volts.push_back(std::move(volts));
    }
    if (config.logic) {
        record.logic.resize(static_cast<size_t>(kept));
        const uint16_t mask =
            caps_.logicChannels >= 16 ? 0xFFFFu : static_cast<uint16_t>((1u << caps_.logicChannels) - 1u);
        for (int j = 0; j < kept; ++j) {
            record.logic[j] = static_cast<uint16_t>(counter_ & mask);
            counter_ = static_cast<uint16_t>(counter_ + stride);
        }
    }
    return true;
}

double NearestRate(const Capabilities &caps, double rate)
{
    if (!caps.rates.empty()) {
        double best = caps.rates.front();
        for (double r : caps.rates) {
            if (std::fabs(r - rate) < std::fabs(best - rate))
                best = r;
        }
        return best;
    }
    if (caps.maxRate > 0.0 && rate > caps.maxRate)
        return caps.maxRate;
    if (rate < caps.minRate)
        return caps.minRate;
    return rate;
}

} // namespace devices
