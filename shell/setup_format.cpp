// Formatting and parsing of the 32 setup-file lines.
#include "shell/setup_format.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace
{

enum class Kind { Int16, Int32, UInt16, Real };

struct Field {
    Kind kind;
    void *target;
};

// Up to four values per line.
struct LineFields {
    int count = 0;
    Field fields[4];
    void add(Kind kind, void *target) { fields[count++] = {kind, target}; }
};

const char *const kKeys[kSetupLineCount] = {
    "[SCOPE_MODE]",        "[DEVICE_NB]=",       "[CHANNEL_INPUT]=",    "[INPUT_RANGE]=",
    "[INPUT_COUPLING]=",   "[SAMPLE_RATE]=",     "[REQUESTED_SAMPLE]=", "[PRE_SAMPLE]=",
    "[TRIGGER_SOURCE]=",   "[TRIGGER_SLOPE]=",   "[TRIGGER_LEVEL]=",    "[AUX_BNC]=",
    "[AVERAGING_MODE]=",   "[AVERAGING_COUNT]=", "[STREAMING_MODE]=",   "[DECIMATION_FACTOR]=",
    "[GENERATOR]",         "[FREQUENCY]=",       "[SIGNAL_TYPE]=",      "[SIGNAL_AMP]=",
    "[SIGNAL_OFFSET]=",    "[SIGNAL_PHASE]=",    "[SIGNAL_NOISE]=",     "[TRIGGER_SOURCE]=",
    "[TRIGGER_SLOPE]=",    "[TRIGGER_LEVEL]=",   "[ANALYZER]",          "[SAMPLE_RATE]=",
    "[REQUESTED_SAMPLE]=", "[TRIGGER_MASK]=",    "[TRIGGER_MODE]=",     "[TRIGGER_PATTERN]=",
};

// The settings line `line` holds, in file order.  The same table serves the
// writer (read through the pointers) and the reader (written through them).
LineFields FieldsOf(int line, SetupValues &v)
{
    LineFields f;
    switch (line) {
    case 1:
        f.add(Kind::Int16, &v.device);
        break;
    case 2:
        for (int &a : v.ain)
            f.add(Kind::Int32, &a);
        break;
    case 3:
        for (double &r : v.range)
            f.add(Kind::Real, &r);
        break;
    case 4:
        for (short &c : v.coupling)
            f.add(Kind::Int16, &c);
        break;
    case 5:
        f.add(Kind::Real, &v.sampleRate);
        break;
    case 6:
        f.add(Kind::Int32, &v.requestedSamples);
        break;
    case 7:
        f.add(Kind::Int32, &v.preSamples);
        break;
    case 8:
        f.add(Kind::Int32, &v.triggerSource);
        break;
    case 9:
        f.add(Kind::Int32, &v.triggerSlope);
        break;
    case 10:
        f.add(Kind::Real, &v.triggerLevel);
        break;
    case 11:
        f.add(Kind::Int32, &v.auxBnc);
        break;
    case 12:
        f.add(Kind::Int32, &v.averaging);
        break;
    case 13:
        f.add(Kind::Int16, &v.averageCount);
        break;
    case 14:
        f.add(Kind::Int32, &v.streaming);
        break;
    case 15:
        f.add(Kind::Int16, &v.decimation);
        break;
    case 17:
        f.add(Kind::Real, &v.frequency);
        break;
    case 18:
        f.add(Kind::Int16, &v.signalType[0]);
        f.add(Kind::Int16, &v.signalType[1]);
        break;
    case 19:
        f.add(Kind::Real, &v.amplitude[0]);
        f.add(Kind::Real, &v.amplitude[1]);
        break;
    case 20:
        f.add(Kind::Real, &v.offset[0]);
        f.add(Kind::Real, &v.offset[1]);
        break;
    case 21:
        f.add(Kind::Real, &v.phase[0]);
        f.add(Kind::Real, &v.phase[1]);
        break;
    case 22:
        f.add(Kind::Int32, &v.noise[0]);
        f.add(Kind::Int32, &v.noise[1]);
        break;
    case 23:
        f.add(Kind::Int32, &v.triggerSourceOut);
        break;
    case 24:
        f.add(Kind::Int32, &v.triggerSlopeOut);
        break;
    case 25:
        f.add(Kind::Real, &v.triggerLevelOut);
        break;
    case 27:
        f.add(Kind::Real, &v.digitalRate);
        break;
    case 28:
        f.add(Kind::Int32, &v.digitalSamples);
        break;
    case 29:
        f.add(Kind::UInt16, &v.triggerMask);
        break;
    case 30:
        f.add(Kind::UInt16, &v.triggerMode);
        break;
    case 31:
        f.add(Kind::UInt16, &v.triggerPattern);
        break;
    default:
        break; // section headers and lines outside the file
    }
    return f;
}

void AppendValue(std::string &out, const Field &field)
{
    char buf[400]; // the longest fixed-point double is 309 digits + sign + 7
    std::to_chars_result r{};
    switch (field.kind) {
    case Kind::Int16:
        r = std::to_chars(buf, buf + sizeof buf, int(*static_cast<const short *>(field.target)));
        break;
    case Kind::Int32:
        r = std::to_chars(buf, buf + sizeof buf, *static_cast<const int *>(field.target));
        break;
    case Kind::UInt16:
        r = std::to_chars(buf, buf + sizeof buf,
                          unsigned(*static_cast<const unsigned short *>(field.target)));
        break;
    case Kind::Real:
        r = std::to_chars(buf, buf + sizeof buf, *static_cast<const double *>(field.target),
                          std::chars_format::fixed, 6);
        break;
    }
    if (r.ec == std::errc())
        out.append(buf, r.ptr);
}

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// A decimal integer as "%d" reads it (leading white space, optional sign,
// at least one digit), held within [lo, hi] when it is beyond them.
bool ParseInteger(const char *&p, const char *end, long long lo, long long hi, long long &out)
{
    const char *q = p;
    while (q < end && IsSpace(*q))
        ++q;
    bool negative = false;
    if (q < end && (*q == '+' || *q == '-')) {
        negative = (*q == '-');
        ++q;
    }
    if (q >= end || *q < '0' || *q > '9')
        return false;
    long long magnitude = 0;
    constexpr long long kCap = 1LL << 40; // far beyond every width, no overflow
    while (q < end && *q >= '0' && *q <= '9') {
        if (magnitude < kCap)
            magnitude = magnitude * 10 + (*q - '0');
        ++q;
    }
    long long value = negative ? -magnitude : magnitude;
    if (value < lo)
        value = lo;
    if (value > hi)
        value = hi;
    out = value;
    p = q;
    return true;
}

// A real as "%f" reads it, finite values only.
bool ParseReal(const char *&p, const char *end, double &out)
{
    const char *q = p;
    while (q < end && IsSpace(*q))
        ++q;
    if (q < end && *q == '+') {
        ++q;
        if (q < end && *q == '-')
            return false; // "+-1" is not a number
    }
    double value = 0.0;
    const auto r = std::from_chars(q, end, value, std::chars_format::general);
    if (r.ec != std::errc() || !std::isfinite(value))
        return false;
    out = value;
    p = r.ptr;
    return true;
}

bool ParseField(const char *&p, const char *end, const Field &field)
{
    long long n = 0;
    switch (field.kind) {
    case Kind::Int16:
        if (!ParseInteger(p, end, std::numeric_limits<short>::min(), std::numeric_limits<short>::max(), n))
            return false;
        *static_cast<short *>(field.target) = static_cast<short>(n);
        return true;
    case Kind::Int32:
        if (!ParseInteger(p, end, std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), n))
            return false;
        *static_cast<int *>(field.target) = static_cast<int>(n);
        return true;
    case Kind::UInt16:
        if (!ParseInteger(p, end, 0, std::numeric_limits<unsigned short>::max(), n))
            return false;
        *static_cast<unsigned short *>(field.target) = static_cast<unsigned short>(n);
        return true;
    case Kind::Real: {
        double d = 0.0;
        if (!ParseReal(p, end, d))
            return false;
        *static_cast<double *>(field.target) = d;
        return true;
    }
    }
    return false;
}

} // namespace

const char *SetupLineKey(int line)
{
    if (line < 0 || line >= kSetupLineCount)
        return nullptr;
    return kKeys[line];
}

int SetupLineSkip(int line)
{
    const char *key = SetupLineKey(line);
    return key ? static_cast<int>(std::strlen(key)) : 0;
}

std::string SetupFormatLine(int line, const SetupValues &values)
{
    const char *key = SetupLineKey(line);
    if (!key)
        return std::string();
    std::string out(key);
    // FieldsOf only reads through the pointers here.
    const LineFields f = FieldsOf(line, const_cast<SetupValues &>(values));
    for (int i = 0; i < f.count; ++i) {
        if (i > 0)
            out += ',';
        AppendValue(out, f.fields[i]);
    }
    return out;
}

int SetupParseLine(int line, const char *text, std::size_t length, SetupValues &values)
{
    const int skip = SetupLineSkip(line);
    if (!text || skip == 0 || length < static_cast<std::size_t>(skip))
        return 0;
    const LineFields f = FieldsOf(line, values);
    const char *p = text + skip;
    const char *const end = text + length;
    int stored = 0;
    for (int i = 0; i < f.count; ++i) {
        if (i > 0) {
            if (p >= end || *p != ',')
                break;
            ++p;
        }
        if (!ParseField(p, end, f.fields[i]))
            break;
        ++stored;
    }
    return stored;
}
