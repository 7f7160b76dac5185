#include "support/device_support.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include <unistd.h>

#include "devices/registry.h"

devices::CaptureState WaitForCapture(devices::DeviceSession &session, int client)
{
    for (int i = 0; i < 2000; ++i) {
        const devices::CaptureState state = session.poll(client);
        if (state != devices::CaptureState::Running)
            return state;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return session.poll(client);
}

int DemoDeviceNumber()
{
    const auto &entries = devices::Registry::instance().entries();
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].caps.driver == "demo")
            return static_cast<int>(i) + devices::kFirstDeviceNumber;
    }
    return 0;
}

int SoundDeviceNumber(const std::string &text)
{
    const auto &entries = devices::Registry::instance().entries();
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].caps.driver == "sound" && entries[i].caps.name.find(text) != std::string::npos)
            return static_cast<int>(i) + devices::kFirstDeviceNumber;
    }
    return 0;
}

std::string PulseAudioMissing()
{
    if (std::system("pactl info >/dev/null 2>&1") != 0)
        return "no PulseAudio server answers (start one, as .ci/run does, and set PULSE_SERVER)";
    return std::string();
}

std::string SigrokCliLogic(int samples, double rate, std::vector<uint8_t> &bytes)
{
    if (std::system("sigrok-cli --version >/dev/null 2>&1") != 0)
        return "sigrok-cli is not installed";
    char path[] = "/tmp/korvax-logic-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0)
        return "no temporary file";
    close(fd);
    const std::string command = "sigrok-cli --driver demo:logic_channels=16:analog_channels=0 --config samplerate=" +
                                std::to_string(static_cast<long long>(rate)) + " --samples " +
                                std::to_string(samples) + " -O binary -o " + path +
                                " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    std::remove(path);
    if (status != 0)
        return "sigrok-cli failed";
    return std::string();
}
