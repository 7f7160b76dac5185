// Reader of the ".awg" arbitrary-waveform format (see awg_format.h).
#include "generator/awg_format.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

// Upper bound of the number of lines: every LF, and every CR not followed by
// an LF, ends one.
std::size_t CountLines(const char *p, const char *end)
{
    std::size_t lines = 1;
    for (const char *q = p; q < end;) {
        const void *hit = std::memchr(q, '\n', static_cast<std::size_t>(end - q));
        if (!hit)
            break;
        ++lines;
        q = static_cast<const char *>(hit) + 1;
    }
    for (const char *q = p; q < end;) {
        const void *hit = std::memchr(q, '\r', static_cast<std::size_t>(end - q));
        if (!hit)
            break;
        const char *cr = static_cast<const char *>(hit);
        if (cr + 1 >= end || cr[1] != '\n')
            ++lines;
        q = cr + 1;
    }
    return lines;
}

// Parses one number token [p, end) entirely; a leading '+' is accepted.
template <typename T> bool ParseNumber(const char *p, const char *end, T *value)
{
    if (p < end && *p == '+') {
        ++p;
        if (p < end && *p == '-')
            return false;
    }
    if (p >= end)
        return false;
    T v{};
    const auto result = std::from_chars(p, end, v, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(v))
        return false;
    *value = v;
    return true;
}

// Splits one line into exactly two tokens.  Returns 0 for a blank line,
// 1 for a pair (stored), -1 for anything else.
int ParseLine(const char *p, const char *end, float *time, double *value)
{
    while (p < end && IsBlank(*p))
        ++p;
    if (p == end)
        return 0;
    const char *t0 = p;
    while (p < end && !IsBlank(*p))
        ++p;
    const char *t1 = p;
    while (p < end && IsBlank(*p))
        ++p;
    const char *v0 = p;
    while (p < end && !IsBlank(*p))
        ++p;
    const char *v1 = p;
    while (p < end && IsBlank(*p))
        ++p;
    if (p != end || v0 == v1)
        return -1;
    if (!ParseNumber(t0, t1, time) || !ParseNumber(v0, v1, value))
        return -1;
    return 1;
}

void Clear(AwgWaveform *out)
{
    out->values.reset();
    out->count = 0;
    out->time0 = out->time1 = 0.0f;
    out->clockRate = 0.0;
    out->peak = 0.0;
    out->badLine = 0;
}

} // namespace

int Awg_Parse(const char *text, std::size_t size, AwgWaveform *out)
{
    if (!out)
        return kAwgOpenError;
    Clear(out);
    if (!text)
        size = 0;
    const char *p = text;
    const char *end = text ? text + size : text;
    if (size >= 3 && std::memcmp(p, "\xEF\xBB\xBF", 3) == 0)
        p += 3;

    std::size_t bound = CountLines(p, end);
    if (bound > static_cast<std::size_t>(kAwgMaxSamples))
        bound = static_cast<std::size_t>(kAwgMaxSamples);
    std::unique_ptr<double[]> values(new (std::nothrow) double[bound]);
    if (!values)
        return kAwgNoMemory;

    int count = 0;
    int line = 1;
    float time0 = 0.0f, time1 = 0.0f;
    double peak = 0.0;
    while (p < end) {
        const char *lineEnd = p;
        while (lineEnd < end && *lineEnd != '\n' && *lineEnd != '\r')
            ++lineEnd;
        float t = 0.0f;
        double v = 0.0;
        const int kind = ParseLine(p, lineEnd, &t, &v);
        if (kind < 0) {
            out->badLine = line;
            return kAwgBadLine;
        }
        if (kind > 0) {
            if (count >= kAwgMaxSamples)
                return kAwgTooManySamples;
            if (count == 0)
                time0 = t;
            else if (count == 1)
                time1 = t;
            values[count++] = v;
            if (std::fabs(v) > peak)
                peak = std::fabs(v);
        }
        // Step over the line end: LF, CR LF or CR.
        if (lineEnd < end) {
            if (*lineEnd == '\r' && lineEnd + 1 < end && lineEnd[1] == '\n')
                lineEnd += 2;
            else
                ++lineEnd;
        }
        ++line;
        p = lineEnd;
    }

    if (count < 2)
        return kAwgTooFewSamples;
    const double interval = static_cast<double>(time1) - static_cast<double>(time0);
    if (interval == 0.0)
        return kAwgEqualTimes;
    if (interval < 0.0)
        return kAwgTimesDecrease;

    out->values = std::move(values);
    out->count = count;
    out->time0 = time0;
    out->time1 = time1;
    out->clockRate = 1.0 / interval;
    out->peak = peak;
    return kAwgOk;
}

int Awg_LoadFile(const char *path, AwgWaveform *out)
{
    if (!out)
        return kAwgOpenError;
    Clear(out);
    if (!path || !*path)
        return kAwgOpenError;
    // Opened without blocking and checked before any read: only regular
    // files.  A pipe would hold a blocking open (and every read) until a
    // writer comes; a device such as /dev/zero would never end; a folder is
    // no waveform.  The check is on the opened file itself, so a symbolic
    // link is judged by what it points to and cannot change in between.
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return kAwgOpenError;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return kAwgOpenError;
    }
    if (static_cast<long long>(info.st_size) > kAwgMaxFileBytes) {
        close(fd);
        return kAwgFileTooLarge;
    }

    // Read at most one byte past the limit (a file that grows meanwhile is
    // still bounded).
    std::vector<char> text;
    int status = kAwgOk;
    try {
        text.reserve(static_cast<std::size_t>(info.st_size));
        char chunk[65536];
        for (;;) {
            const ssize_t got = read(fd, chunk, sizeof chunk);
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                status = kAwgOpenError;
                break;
            }
            if (got == 0)
                break;
            if (static_cast<long long>(text.size()) + got > kAwgMaxFileBytes) {
                status = kAwgFileTooLarge;
                break;
            }
            text.insert(text.end(), chunk, chunk + got);
        }
    } catch (const std::bad_alloc &) {
        status = kAwgNoMemory;
    }
    close(fd);
    if (status != kAwgOk)
        return status;
    return Awg_Parse(text.data(), text.size(), out);
}

void Awg_Message(int status, const AwgWaveform &wave, char *message, std::size_t size)
{
    if (!message || size == 0)
        return;
    switch (status) {
    case kAwgOk:
        std::snprintf(message, size, "%s", "");
        break;
    case kAwgNoMemory:
        std::snprintf(message, size, "Open File Error: not enough memory for the waveform");
        break;
    case kAwgBadLine:
        std::snprintf(message, size, "Open File Error: line %d is not a time and a value", wave.badLine);
        break;
    case kAwgTooFewSamples:
        std::snprintf(message, size, "Open File Error: the file needs at least two time/value lines");
        break;
    case kAwgEqualTimes:
        std::snprintf(message, size, "Open File Error: the first two times are equal");
        break;
    case kAwgTimesDecrease:
        std::snprintf(message, size, "Open File Error: the second time comes before the first");
        break;
    case kAwgTooManySamples:
        std::snprintf(message, size, "Open File Error: more than %d samples", kAwgMaxSamples);
        break;
    case kAwgFileTooLarge:
        std::snprintf(message, size, "Open File Error: the file is too large");
        break;
    default:
        std::snprintf(message, size, "Open File Error");
        break;
    }
}
