#include "devices/device_session.h"

#include <algorithm>

namespace devices
{

DeviceSession::DeviceSession(std::unique_ptr<Device> device) : device_(std::move(device))
{
}

DeviceSession::~DeviceSession()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
        queue_.clear();
        if (running_ >= 0)
            device_->cancel();
    }
    wake_.notify_all();
    if (worker_.joinable())
        worker_.join();
    if (open_)
        device_->close();
}

bool DeviceSession::open()
{
    if (open_)
        return true;
    if (!device_->open()) {
        openError_ = device_->lastError();
        if (openError_.empty())
            openError_ = "the device cannot be opened";
        return false;
    }
    open_ = true;
    worker_ = std::thread(&DeviceSession::run, this);
    return true;
}

void DeviceSession::start(int client, const CaptureConfig &config)
{
    if (client < 0 || client >= kClientCount)
        return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        Slot &slot = slots_[client];
        ++slot.generation;
        slot.config = config;
        slot.record = CaptureRecord();
        slot.error.clear();
        slot.state = CaptureState::Running;
        if (!open_) {
            slot.state = CaptureState::Failed;
            slot.error = openError_.empty() ? "the device is not open" : openError_;
            return;
        }
        if (running_ == client)
            device_->cancel(); // the old request gives way to the new one
        if (!slot.queued) {
            slot.queued = true;
            queue_.push_back(client);
        }
    }
    wake_.notify_all();
}

CaptureState DeviceSession::poll(int client)
{
    if (client < 0 || client >= kClientCount)
        return CaptureState::Idle;
    std::lock_guard<std::mutex> lock(mutex_);
    return slots_[client].state;
}

bool DeviceSession::take(int client, CaptureRecord &record)
{
    if (client < 0 || client >= kClientCount)
        return false;
    std::lock_guard<std::mutex> lock(mutex_);
    Slot &slot = slots_[client];
    if (slot.state != CaptureState::Done)
        return false;
    record = std::move(slot.record);
    slot.record = CaptureRecord();
    slot.state = CaptureState::Idle;
    return true;
}

std::string DeviceSession::error(int client)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (client < 0 || client >= kClientCount)
        return openError_;
    return slots_[client].error;
}

void DeviceSession::cancel(int client)
{
    if (client < 0 || client >= kClientCount)
        return;
    std::lock_guard<std::mutex> lock(mutex_);
    Slot &slot = slots_[client];
    ++slot.generation;
    slot.state = CaptureState::Idle;
    slot.record = CaptureRecord();
    if (slot.queued) {
        queue_.erase(std::remove(queue_.begin(), queue_.end(), client), queue_.end());
        slot.queued = false;
    }
    if (running_ == client)
        device_->cancel();
}

void DeviceSession::run()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return quit_ || !queue_.empty(); });
        if (quit_)
            return;
        const int client = queue_.front();
        queue_.pop_front();
        Slot &slot = slots_[client];
        slot.queued = false;
        const unsigned long generation = slot.generation;
        const CaptureConfig config = slot.config;
        running_ = client;
        device_->clearCancel();
        lock.unlock();

        CaptureRecord record;
        record.config = config;
        const bool ok = device_->capture(config, record);
        const std::string failure = ok ? std::string() : device_->lastError();

        lock.lock();
        running_ = -1;
        if (slot.generation != generation)
            continue; // cancelled or replaced meanwhile: nobody wants this one
        if (ok) {
            slot.record = std::move(record);
            slot.state = CaptureState::Done;
        } else {
            slot.error = failure.empty() ? "the capture failed" : failure;
            slot.state = CaptureState::Failed;
        }
    }
}

} // namespace devices
