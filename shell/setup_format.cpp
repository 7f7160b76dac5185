// Formatting and parsing of the 32 setup-file lines.
#include "shell/setup_format.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <istream>
#include <limits>
#include <sstream>
#include <type_traits>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

template <typename T> constexpr Kind KindOf();
template <> constexpr Kind KindOf<short>() { return Kind::Int16; }
template <> constexpr Kind KindOf<int>() { return Kind::Int32; }
template <> constexpr Kind KindOf<unsigned short>() { return Kind::UInt16; }
template <> constexpr Kind KindOf<double>() { return Kind::Real; }

// One setting as the formatter sees it: its line, its width, and where it
// sits in a SetupValues.
struct Setting {
    int line;
    Kind kind;
    void *(*target)(SetupValues &);
};

#define KORVAX_SETUP_FORMAT_ENTRY(line, field, variable, panel, control, take)                     \
    {line, KindOf<std::remove_reference_t<decltype(std::declval<SetupValues &>().field)>>(),        \
     [](SetupValues &v) -> void * { return &v.field; }},
const Setting kSettings[kSetupSettingCount] = {KORVAX_SETUP_SETTINGS(KORVAX_SETUP_FORMAT_ENTRY)};
#undef KORVAX_SETUP_FORMAT_ENTRY

// The settings line `line` holds, in file order.  The same list serves the
// writer (read through the pointers) and the reader (written through them).
LineFields FieldsOf(int line, SetupValues &v)
{
    LineFields f;
    for (const Setting &s : kSettings) {
        if (s.line == line && f.count < 4)
            f.add(s.kind, s.target(v));
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

namespace
{

// Bytes of the input, at most kSetupFileLimit of them.
class BoundedInput
{
  public:
    explicit BoundedInput(std::istream &in) : buf_(in.rdbuf()) {}
    // The next byte, or -1 at the end of the input or of the allowance.
    int Take()
    {
        const int c = Peek();
        if (c >= 0) {
            buf_->sbumpc();
            ++taken_;
        }
        return c;
    }
    // The next byte without taking it, or -1.
    int Peek()
    {
        if (!buf_)
            return -1;
        const auto c = buf_->sgetc();
        if (std::char_traits<char>::eq_int_type(c, std::char_traits<char>::eof()))
            return -1;
        if (taken_ >= kSetupFileLimit) {
            exhausted_ = true; // more input than any setup file holds
            return -1;
        }
        return static_cast<unsigned char>(std::char_traits<char>::to_char_type(c));
    }
    bool Exhausted() const { return exhausted_; }

  private:
    std::streambuf *buf_;
    std::size_t taken_ = 0;
    bool exhausted_ = false;
};

enum class LineEnd { Break, EndOfInput, Cut };

// One line into line[0..kSetupLineLimit-1]; length receives its whole
// length (capped), beyond what is stored.
LineEnd ReadLine(BoundedInput &in, char *line, std::size_t &length, bool &any)
{
    length = 0;
    any = false;
    for (;;) {
        const int c = in.Take();
        if (c < 0)
            return in.Exhausted() ? LineEnd::Cut : LineEnd::EndOfInput;
        any = true;
        if (c == '\n')
            return LineEnd::Break;
        if (c == '\r' && in.Peek() == '\n') {
            in.Take();
            return LineEnd::Break;
        }
        if (length < kSetupLineLimit)
            line[length] = static_cast<char>(c);
        if (length <= kSetupLineLimit)
            ++length;
    }
}

} // namespace

int SetupReadLines(std::istream &in, SetupValues &values)
{
    BoundedInput input(in);
    char line[kSetupLineLimit];
    int stored = 0;
    for (int i = 0; i < kSetupLineCount; ++i) {
        std::size_t length = 0;
        bool any = false;
        const LineEnd end = ReadLine(input, line, length, any);
        // Input beyond the allowance is damaged: the cut line is dropped.
        if (end == LineEnd::Cut || !any)
            break;
        if (length < kSetupLineLimit)
            stored += SetupParseLine(i, line, length, values);
        if (end == LineEnd::EndOfInput)
            break;
    }
    return stored;
}

SetupReadStatus SetupReadFile(const char *path, SetupValues &values, int *stored)
{
    if (stored)
        *stored = 0;
    if (!path || !*path)
        return kSetupCannotOpen;
    // Examined by name first, so that nothing is opened that could wait
    // (a FIFO without a writer, a terminal, a device).
    struct stat st;
    if (::stat(path, &st) != 0)
        return kSetupCannotOpen;
    if (!S_ISREG(st.st_mode))
        return kSetupNotRegular;
    if (static_cast<unsigned long long>(st.st_size) > kSetupFileLimit)
        return kSetupTooLarge;
    // Opened without blocking and examined again: what was swapped in
    // meanwhile is refused in the same way.
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return kSetupCannotOpen;
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return kSetupCannotOpen;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return kSetupNotRegular;
    }
    if (static_cast<unsigned long long>(st.st_size) > kSetupFileLimit) {
        ::close(fd);
        return kSetupTooLarge;
    }
    // At most one byte more than the limit: a file grown meanwhile is
    // refused as too large, never read to its end.
    std::string text;
    text.reserve(static_cast<std::size_t>(st.st_size) + 1);
    char chunk[16384];
    bool failed = false;
    while (text.size() <= kSetupFileLimit) {
        const std::size_t want = std::min(sizeof chunk, kSetupFileLimit + 1 - text.size());
        const ssize_t n = ::read(fd, chunk, want);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            failed = true;
            break;
        }
        if (n == 0)
            break;
        text.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (failed)
        return kSetupCannotOpen;
    if (text.size() > kSetupFileLimit)
        return kSetupTooLarge;
    std::istringstream in(text);
    const int n = SetupReadLines(in, values);
    if (stored)
        *stored = n;
    return kSetupReadOk;
}
