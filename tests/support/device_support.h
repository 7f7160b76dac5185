// Helpers of the device tests: waiting (bounded) for a capture, finding the
// demo device, and whether a PulseAudio server answers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "devices/device_session.h"

// Polls until the client's capture is no longer running, at most 10 s.
devices::CaptureState WaitForCapture(devices::DeviceSession &session, int client);
// Number of libsigrok's demo device in the registry as scanned, or 0.
int DemoDeviceNumber();
// Number of the first sound input whose name contains text, or 0.
int SoundDeviceNumber(const std::string &text);
// Empty when a PulseAudio server answers, else why not.
std::string PulseAudioMissing();
// Records samples of the demo device's 16 logic lines with sigrok-cli (two
// bytes a sample).  Empty when done, else why not.
std::string SigrokCliLogic(int samples, double rate, std::vector<uint8_t> &bytes);
// RMS, in full-scale units, of PulseAudio's module-sine-source.
inline constexpr double kPulseSineRms = 0.5 / 1.4142135623730951;
