// Sound inputs as a one- or two-channel scope.  A sound card is AC-coupled
// and uncalibrated: a sample at full scale reads as the "volts at full
// scale" factor (1.0 until the user sets it).
#pragma once

namespace devices
{

void SetSoundFullScale(double volts);
double SoundFullScale();

} // namespace devices
