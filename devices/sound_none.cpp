// Without Qt Multimedia there is no sound input; the factor is still kept.
#include "devices/sound_device.h"

namespace devices
{

namespace
{
double fullScale = 1.0;
}

void SetSoundFullScale(double volts)
{
    if (volts > 0.0)
        fullScale = volts;
}

double SoundFullScale()
{
    return fullScale;
}

} // namespace devices
