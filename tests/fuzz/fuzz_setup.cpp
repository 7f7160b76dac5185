// Fuzzes the setup-file reader with arbitrary files: the bytes go through
// SetupReadFile, the reader a user's file goes through (from a file in
// memory behind a descriptor, so no disk is touched), and through
// SetupReadLines on a memory stream, which must store the same.  Whatever
// was read must write and read back to exactly the same text.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include <sys/mman.h>
#include <unistd.h>

#include "shell/setup_format.h"

namespace
{

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

bool Same(const SetupValues &a, const SetupValues &b)
{
    for (int line = 0; line < kSetupLineCount; ++line)
        if (SetupFormatLine(line, a) != SetupFormatLine(line, b))
            return false;
    return true;
}

// A file held in memory, reached by name as the bench reaches a file.
struct MemoryFile {
    int fd = -1;
    std::string name;
    MemoryFile()
    {
        fd = ::memfd_create("setup.ini", MFD_CLOEXEC);
        Check(fd >= 0);
        name = "/proc/self/fd/" + std::to_string(fd);
    }
    void Fill(const uint8_t *data, std::size_t size)
    {
        Check(::ftruncate(fd, 0) == 0);
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = ::pwrite(fd, data + done, size - done, static_cast<off_t>(done));
            Check(n > 0);
            done += static_cast<std::size_t>(n);
        }
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    static MemoryFile file;
    file.Fill(data, size);

    SetupValues values;
    int stored = -1;
    const SetupReadStatus status = SetupReadFile(file.name.c_str(), values, &stored);
    if (size > kSetupFileLimit) {
        Check(status == kSetupTooLarge && stored == 0 && Same(values, SetupValues()));
        return 0;
    }
    Check(status == kSetupReadOk);
    Check(stored >= 0 && stored <= 4 * kSetupLineCount);

    // The same bytes from a memory stream store the same values.
    SetupValues fromStream;
    std::istringstream in(std::string(reinterpret_cast<const char *>(data), size));
    Check(SetupReadLines(in, fromStream) == stored);
    Check(Same(values, fromStream));

    // Whatever was read writes as fixed-format lines and reads back the same.
    std::string written;
    for (int i = 0; i < kSetupLineCount; ++i) {
        const std::string line = SetupFormatLine(i, values);
        // Values in fixed point (no exponent, no NaN or infinity), no spaces.
        const std::size_t eq = line.find('=');
        if (eq != std::string::npos)
            Check(line.find_first_not_of("0123456789.,-", eq + 1) == std::string::npos);
        written += line + "\r\n";
    }
    SetupValues again;
    std::istringstream back(written);
    SetupReadLines(back, again);
    Check(Same(values, again));
    return 0;
}
