// libFuzzer target: the ".awg" reader must take any bytes without reading
// outside them, and whatever it accepts must be a usable waveform.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "generator/awg_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    AwgWaveform wave;
    const int status = Awg_Parse(reinterpret_cast<const char *>(data), size, &wave);
    if (status == kAwgOk) {
        if (wave.count < 2 || !wave.values)
            std::abort();
        if (!(wave.clockRate > 0.0) || !std::isfinite(wave.clockRate))
            std::abort();
        double peak = 0.0;
        for (int i = 0; i < wave.count; ++i) {
            if (!std::isfinite(wave.values[i]))
                std::abort();
            peak = std::fmax(peak, std::fabs(wave.values[i]));
        }
        if (peak != wave.peak)
            std::abort();
    } else if (wave.values || wave.count != 0) {
        std::abort();
    }
    char message[256];
    Awg_Message(status, wave, message, sizeof message);
    return 0;
}
