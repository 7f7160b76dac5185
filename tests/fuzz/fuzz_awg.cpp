// libFuzzer target: the ".awg" reader as a user's file reaches it.  Every
// input is written to a file on disk and read back with Awg_LoadFile, the
// call the generator makes for the file a user picks (type check, bounded
// read, parse).  The reader must take any bytes without reading outside
// them, and whatever it accepts must be a usable waveform.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include "generator/awg_format.h"

namespace
{

// One file for the whole run, rewritten for every input and removed at exit.
const std::string &InputPath()
{
    static const std::string path = [] {
        const char *dir = std::getenv("TMPDIR");
        std::string pattern = std::string(dir && *dir ? dir : "/tmp") + "/fuzz_awg-XXXXXX";
        const int fd = mkstemp(pattern.data());
        if (fd < 0)
            std::abort();
        close(fd);
        static std::string removeAtExit;
        removeAtExit = pattern;
        std::atexit([] { std::remove(removeAtExit.c_str()); });
        return pattern;
    }();
    return path;
}

void WriteInput(const std::uint8_t *data, std::size_t size)
{
    std::FILE *file = std::fopen(InputPath().c_str(), "wb");
    if (!file)
        std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size)
        std::abort();
    if (std::fclose(file) != 0)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    WriteInput(data, size);
    AwgWaveform wave;
    const int status = Awg_LoadFile(InputPath().c_str(), &wave);
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
    // Inputs are far below the size limit: reading the file must give what
    // parsing the same bytes gives.
    AwgWaveform parsed;
    if (Awg_Parse(reinterpret_cast<const char *>(data), size, &parsed) != status ||
        parsed.count != wave.count)
        std::abort();
    char message[256];
    Awg_Message(status, wave, message, sizeof message);
    return 0;
}
