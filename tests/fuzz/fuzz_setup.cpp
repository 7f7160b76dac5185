// Fuzzes the setup-file line parser with arbitrary files, split into lines
// as the bench's reader splits them, and checks that whatever was parsed
// writes and reads back to exactly the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "shell/setup_format.h"

namespace
{

constexpr std::size_t kLineBuffer = 4096; // as the reader's line buffer

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    const char *text = reinterpret_cast<const char *>(data);
    const char *const end = text + size;

    SetupValues values;
    int line = 0;
    while (text < end && line < kSetupLineCount) {
        const char *eol = text;
        while (eol < end && *eol != '\n')
            ++eol;
        std::size_t length = static_cast<std::size_t>(eol - text);
        if (length > 0 && text[length - 1] == '\r')
            --length;
        // The reader stores at most kLineBuffer - 1 bytes; the parser gets a
        // copy so that reading past the stored bytes is caught.
        if (length > kLineBuffer - 1)
            length = kLineBuffer - 1;
        const std::string stored(text, length);
        const int n = SetupParseLine(line, stored.data(), stored.size(), values);
        Check(n >= 0 && n <= 4);
        text = eol < end ? eol + 1 : end;
        ++line;
    }

    // Whatever was read writes as fixed-format lines and reads back the same.
    SetupValues again;
    for (int i = 0; i < kSetupLineCount; ++i) {
        const std::string written = SetupFormatLine(i, values);
        // Values in fixed point (no exponent, no NaN or infinity), no spaces.
        const std::size_t eq = written.find('=');
        if (eq != std::string::npos)
            Check(written.find_first_not_of("0123456789.,-", eq + 1) == std::string::npos);
        SetupParseLine(i, written.data(), written.size(), again);
    }
    Check(Same(values, again));
    return 0;
}
