#include "formats/scope_records.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <string_view>

#include "formats/replace_file.h"

namespace formats
{
namespace
{

struct Failure
{
    std::string text;
};

// Lines of a text, CR LF or LF ended.
class Lines
{
  public:
    Lines(const char *data, std::size_t size) : p_(data), end_(data + size) {}
    bool Next(std::string_view *line)
    {
        if (p_ >= end_)
            return false;
        const char *nl = static_cast<const char *>(std::memchr(p_, '\n', static_cast<std::size_t>(end_ - p_)));
        const char *e = nl ? nl : end_;
        const char *stop = (e > p_ && e[-1] == '\r') ? e - 1 : e;
        *line = std::string_view(p_, static_cast<std::size_t>(stop - p_));
        p_ = nl ? nl + 1 : end_;
        ++number_;
        return true;
    }
    std::size_t Number() const { return number_; }
    std::size_t Remaining() const { return static_cast<std::size_t>(end_ - p_); }

  private:
    const char *p_;
    const char *end_;
    std::size_t number_ = 0;
};

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

[[noreturn]] void Fail(std::size_t line, const std::string &what)
{
    throw Failure{line > 0 ? "line " + std::to_string(line) + ": " + what : what};
}

bool StartsWith(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

// The whole of `text` (blanks around it allowed) as one number.
bool WholeDouble(std::string_view text, double *out)
{
    text = Trim(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    const std::from_chars_result r = std::from_chars(text.data(), text.data() + text.size(), *out);
    return r.ec == std::errc() && r.ptr == text.data() + text.size() && !text.empty();
}

bool WholeInteger(std::string_view text, long long *out)
{
    text = Trim(text);
    const std::from_chars_result r = std::from_chars(text.data(), text.data() + text.size(), *out);
    return r.ec == std::errc() && r.ptr == text.data() + text.size() && !text.empty();
}

// "<prefix><value><suffix>" on one line.
std::string_view Field(Lines &lines, std::string_view prefix, std::string_view suffix)
{
    std::string_view line;
    if (!lines.Next(&line))
        Fail(lines.Number() + 1, "the header ends early (\"" + std::string(prefix) + "\" expected)");
    line = Trim(line);
    if (!StartsWith(line, prefix))
        Fail(lines.Number(), "\"" + std::string(prefix) + "\" expected");
    line.remove_prefix(prefix.size());
    if (line.size() < suffix.size() || line.compare(line.size() - suffix.size(), suffix.size(), suffix) != 0)
        Fail(lines.Number(), "\"" + std::string(suffix) + "\" expected at the end of the line");
    line.remove_suffix(suffix.size());
    return line;
}

void CheckTiming(double rate, double range, long long n, long long pre, std::size_t line)
{
    if (!(rate > 0.0) || !std::isfinite(rate))
        Fail(line, "the sampling rate is not a positive number");
    if (!(range > 0.0) || !std::isfinite(range))
        Fail(line, "the input range is not a positive number");
    if (n < 1)
        Fail(line, "the record holds no samples");
    if (static_cast<unsigned long long>(n) > kScopeRecordMaxSamples)
        throw Failure{"the record is longer than " + std::to_string(kScopeRecordMaxSamples) + " samples"};
    if (pre < 0 || pre > (1LL << 31))
        Fail(line, "the number of pre-samples is out of range");
    // The interval and the time of the first sample must be numbers too.
    const double interval = 1.0 / rate;
    if (!(interval > 0.0) || !std::isfinite(interval) || !std::isfinite(static_cast<double>(pre) * interval))
        Fail(line, "the sampling rate is out of range");
}

// Interval, trigger position and one channel named after the header.
void Shape(Record *record, const ScopeRecordInfo &info)
{
    record->sampleInterval = 1.0 / info.rate;
    record->SetPreTrigger(static_cast<std::size_t>(info.preSamples));
    record->channels.resize(1);
    record->channels[0].name = info.channelNumber > 0 ? "CH" + std::to_string(info.channelNumber) : "Record";
    record->channels[0].unit = "V";
}

void ParseAscText(const char *data, std::size_t size, Record *record, ScopeRecordInfo *info)
{
    Lines lines(data, size);
    std::string_view line;
    // The channel line is left out by the autosave of some versions.
    Lines peek = lines;
    if (!peek.Next(&line))
        Fail(0, "the file is empty");
    line = Trim(line);
    if (StartsWith(line, "Acquisition on CH")) {
        lines = peek;
        long long channel = 0;
        if (!WholeInteger(line.substr(17), &channel) || channel < 1 || channel > 64)
            Fail(lines.Number(), "the channel number cannot be read");
        info->channelNumber = static_cast<int>(channel);
    } else if (!StartsWith(line, "Date:")) {
        Fail(1, "this is not a scope record (\"Acquisition on CH\" or \"Date:\" expected)");
    }
    Field(lines, "Date:", "");
    const std::size_t rateLine = lines.Number() + 1;
    if (!WholeDouble(Field(lines, "Sampling rate:", "Hz"), &info->rate))
        Fail(rateLine, "the sampling rate cannot be read");
    if (!WholeDouble(Field(lines, "Input Range:", "V"), &info->range))
        Fail(rateLine + 1, "the input range cannot be read");
    long long n = 0;
    if (!WholeInteger(Field(lines, "Total Number of Samples:", ""), &n))
        Fail(rateLine + 2, "the number of samples cannot be read");
    if (!WholeInteger(Field(lines, "Number of Pre-Samples:", ""), &info->preSamples))
        Fail(rateLine + 3, "the number of pre-samples cannot be read");
    CheckTiming(info->rate, info->range, n, info->preSamples, rateLine);
    // Every sample takes at least two bytes (a digit and a line end): a
    // count the text cannot hold is refused before anything is reserved.
    if (static_cast<unsigned long long>(n) > lines.Remaining() / 2 + 1)
        Fail(0, "the file ends before its " + std::to_string(n) + " samples");
    Shape(record, *info);
    std::vector<double> &values = record->channels[0].values;
    values.reserve(static_cast<std::size_t>(n));
    while (values.size() < static_cast<std::size_t>(n)) {
        if (!lines.Next(&line))
            Fail(0, "the file ends after " + std::to_string(values.size()) + " of its " + std::to_string(n) +
                        " samples");
        double v = 0.0;
        if (!WholeDouble(line, &v) || !std::isfinite(v))
            Fail(lines.Number(), "a sample value is expected");
        values.push_back(v);
    }
    while (lines.Next(&line))
        if (!Trim(line).empty())
            Fail(lines.Number(), "text after the last of the " + std::to_string(n) + " samples");
}

std::int32_t Int32At(const unsigned char *p)
{
    const std::uint32_t u = static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                            static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
    std::int32_t v;
    std::memcpy(&v, &u, sizeof v);
    return v;
}

double DoubleAt(const unsigned char *p)
{
    std::uint64_t u = 0;
    for (int i = 7; i >= 0; --i)
        u = u << 8 | p[i];
    double v;
    std::memcpy(&v, &u, sizeof v);
    return v;
}

void ParseDatBytes(const char *data, std::size_t size, Record *record, ScopeRecordInfo *info)
{
    const unsigned char *p = reinterpret_cast<const unsigned char *>(data);
    if (size < 48)
        Fail(0, "the file is shorter than the 48-byte header");
    const std::int32_t month = Int32At(p + 4), day = Int32At(p);
    if (day < 1 || day > 31 || month < 1 || month > 12)
        Fail(0, "the header's date is not a date: this is not a scope record");
    info->rate = DoubleAt(p + 24);
    info->range = DoubleAt(p + 32);
    const long long n = Int32At(p + 40);
    info->preSamples = Int32At(p + 44);
    CheckTiming(info->rate, info->range, n, info->preSamples, 0);
    const unsigned long long expected = 48ULL + 2ULL * static_cast<unsigned long long>(n);
    if (size != expected)
        throw Failure{"the header announces " + std::to_string(n) + " samples (" + std::to_string(expected) +
                      " bytes) but the file has " + std::to_string(size) + " bytes"};
    Shape(record, *info);
    std::vector<double> &values = record->channels[0].values;
    values.resize(static_cast<std::size_t>(n));
    const double scale = info->range / 32767.0;
    for (long long i = 0; i < n; ++i) {
        const std::uint16_t u = static_cast<std::uint16_t>(p[48 + 2 * i] | p[49 + 2 * i] << 8);
        values[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(u) * scale;
    }
}

template <typename Parse>
Status Run(Parse parse, const char *data, std::size_t size, Record *record, std::string *message,
           ScopeRecordInfo *info)
{
    if (!record || (!data && size > 0))
        return Status::BadArgument;
    *record = Record();
    ScopeRecordInfo local;
    if (message)
        message->clear();
    try {
        parse(data ? data : "", size, record, &local);
    } catch (const Failure &f) {
        *record = Record();
        if (message)
            *message = f.text;
        return f.text.find("longer than") != std::string::npos ? Status::TooLarge : Status::ParseError;
    } catch (const std::bad_alloc &) {
        *record = Record();
        if (message)
            *message = "not enough memory for the record";
        return Status::TooLarge;
    }
    if (info)
        *info = local;
    return Status::Ok;
}

template <typename Parse>
Status ReadFile(Parse parse, const std::string &path, Record *record, std::string *message, ScopeRecordInfo *info)
{
    if (!record)
        return Status::BadArgument;
    *record = Record();
    std::string bytes;
    const Status status = ReadWholeFile(path, kScopeRecordMaxFileBytes, &bytes);
    if (status != Status::Ok) {
        if (message)
            *message = StatusText(status);
        return status;
    }
    return Run(parse, bytes.data(), bytes.size(), record, message, info);
}

} // namespace

Status ParseAsc(const char *data, std::size_t size, Record *record, std::string *message, ScopeRecordInfo *info)
{
    return Run(ParseAscText, data, size, record, message, info);
}

Status ReadAsc(const std::string &path, Record *record, std::string *message, ScopeRecordInfo *info)
{
    return ReadFile(ParseAscText, path, record, message, info);
}

Status ParseDat(const char *data, std::size_t size, Record *record, std::string *message, ScopeRecordInfo *info)
{
    return Run(ParseDatBytes, data, size, record, message, info);
}

Status ReadDat(const std::string &path, Record *record, std::string *message, ScopeRecordInfo *info)
{
    return ReadFile(ParseDatBytes, path, record, message, info);
}

} // namespace formats
