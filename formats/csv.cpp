#include "formats/csv.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <string_view>
#include <vector>

#include "formats/replace_file.h"

namespace formats
{
namespace
{

// Text is gathered in blocks and written with one fwrite per block.
class TextOut
{
  public:
    explicit TextOut(std::FILE *file) : file_(file) { text_.reserve(kBlock + 1024); }
    void Text(std::string_view s) { text_.append(s.data(), s.size()); }
    // Shortest round-trip form, '.' as decimal point in every locale.
    void Number(double v)
    {
        char buf[64];
        const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, v);
        text_.append(buf, r.ptr);
    }
    void EndLine()
    {
        text_ += "\r\n";
        if (text_.size() >= kBlock)
            Flush();
    }
    bool Flush()
    {
        if (ok_ && !text_.empty() && std::fwrite(text_.data(), 1, text_.size(), file_) != text_.size())
            ok_ = false;
        text_.clear();
        return ok_;
    }
    bool Ok() const { return ok_; }

  private:
    static constexpr std::size_t kBlock = 1 << 16;
    std::FILE *file_;
    std::string text_;
    bool ok_ = true;
};

// A header field on one line (line breaks become spaces), quoted when it
// holds a comma or a quote.
std::string Field(std::string text)
{
    for (char &c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    if (text.find_first_of(",\"") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string ColumnTitle(const Channel &c)
{
    return c.unit.empty() ? c.name : c.name + " (" + c.unit + ")";
}

bool Fail(std::string *message, std::size_t line, const std::string &what)
{
    if (message)
        *message = line > 0 ? "line " + std::to_string(line) + ": " + what : what;
    return false;
}

// Splits a header row into fields (quotes as written by Field).
bool SplitHeader(std::string_view row, std::vector<std::string> *fields)
{
    fields->clear();
    std::string field;
    bool quoted = false, wasQuoted = false;
    for (std::size_t i = 0; i < row.size(); ++i) {
        const char c = row[i];
        if (quoted) {
            if (c == '"') {
                if (i + 1 < row.size() && row[i + 1] == '"') {
                    field += '"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
        } else if (c == '"' && !wasQuoted && field.find_first_not_of(" \t") == std::string::npos) {
            field.clear();
            quoted = wasQuoted = true;
        } else if (c == ',') {
            fields->push_back(field);
            if (fields->size() > kCsvMaxChannels + 1)
                return false;
            field.clear();
            wasQuoted = false;
        } else if (wasQuoted && c != ' ' && c != '\t') {
            return false; // text after a closing quote
        } else {
            field += c;
        }
    }
    if (quoted)
        return false;
    fields->push_back(field);
    return true;
}

std::string Trim(const std::string &s)
{
    const std::size_t a = s.find_first_not_of(" \t");
    if (a == std::string::npos)
        return std::string();
    const std::size_t b = s.find_last_not_of(" \t");
    return s.substr(a, b - a + 1);
}

// "name (unit)" -> name, unit; anything else is all name.
void SplitTitle(std::string title, Channel *c)
{
    for (char &ch : title)
        if (ch == '\r')
            ch = ' ';
    const std::string t = Trim(title);
    const std::size_t open = t.rfind(" (");
    if (t.size() >= 4 && t.back() == ')' && open != std::string::npos && open > 0) {
        c->name = Trim(t.substr(0, open));
        c->unit = Trim(t.substr(open + 2, t.size() - open - 3));
        if (!c->name.empty() && !c->unit.empty())
            return;
    }
    c->name = t;
    c->unit.clear();
}

const char *SkipBlanks(const char *p, const char *end)
{
    while (p < end && (*p == ' ' || *p == '\t'))
        ++p;
    return p;
}

// Reads `count` comma-separated numbers filling the whole row.
bool ParseRow(const char *p, const char *end, std::size_t count, double *out)
{
    for (std::size_t k = 0; k < count; ++k) {
        p = SkipBlanks(p, end);
        if (p < end && *p == '+' && p + 1 < end && p[1] != '-')
            ++p;
        double v = 0.0;
        const std::from_chars_result r = std::from_chars(p, end, v);
        if (r.ec != std::errc() || r.ptr == p)
            return false;
        out[k] = v;
        p = SkipBlanks(r.ptr, end);
        if (k + 1 < count) {
            if (p >= end || *p != ',')
                return false;
            ++p;
        }
    }
    return p == end;
}

bool IsBlank(const char *p, const char *end)
{
    return SkipBlanks(p, end) == end;
}

bool Parse(const char *data, std::size_t size, Record *record, std::string *message)
{
    const char *p = data;
    const char *const end = data + size;
    if (size >= 3 && static_cast<unsigned char>(p[0]) == 0xEF && static_cast<unsigned char>(p[1]) == 0xBB &&
        static_cast<unsigned char>(p[2]) == 0xBF)
        p += 3;

    // One row: [p, lineEnd) without its line end.
    std::size_t lineNumber = 0;
    auto nextLine = [&](const char **begin, const char **stop) {
        if (p >= end)
            return false;
        const char *nl = static_cast<const char *>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        const char *e = nl ? nl : end;
        *begin = p;
        *stop = (e > p && e[-1] == '\r') ? e - 1 : e;
        p = nl ? nl + 1 : end;
        ++lineNumber;
        return true;
    };

    const char *b = nullptr, *e = nullptr;
    if (!nextLine(&b, &e))
        return Fail(message, 0, "the file is empty");
    std::vector<std::string> titles;
    if (!SplitHeader(std::string_view(b, static_cast<std::size_t>(e - b)), &titles))
        return Fail(message, lineNumber, "the column titles cannot be read");
    if (titles.size() < 2)
        return Fail(message, lineNumber, "a time column and at least one channel are needed");
    if (titles.size() > kCsvMaxChannels + 1)
        return Fail(message, lineNumber, "too many columns");
    const std::size_t columns = titles.size();
    record->channels.resize(columns - 1);
    for (std::size_t k = 1; k < columns; ++k)
        SplitTitle(titles[k], &record->channels[k - 1]);

    // Room for the rows the text can hold: one per line, and no more than
    // its bytes allow (a row of numbers takes at least two bytes a column).
    std::size_t rowsGuess = 0;
    for (const char *q = p; q < end;) {
        const char *nl = static_cast<const char *>(std::memchr(q, '\n', static_cast<std::size_t>(end - q)));
        ++rowsGuess;
        q = nl ? nl + 1 : end;
    }
    rowsGuess = std::min(rowsGuess, static_cast<std::size_t>(end - p) / (2 * columns) + 1);
    std::vector<double> times;
    times.reserve(rowsGuess);
    for (Channel &c : record->channels)
        c.values.reserve(rowsGuess);
    std::vector<double> row(columns);
    while (nextLine(&b, &e)) {
        if (IsBlank(b, e))
            continue;
        if (!ParseRow(b, e, columns, row.data()))
            return Fail(message, lineNumber,
                        "expected " + std::to_string(columns) + " numbers separated by commas");
        if (!std::isfinite(row[0]))
            return Fail(message, lineNumber, "the time is not a finite number");
        times.push_back(row[0]);
        for (std::size_t k = 1; k < columns; ++k)
            record->channels[k - 1].values.push_back(row[k]);
    }
    const std::size_t n = times.size();
    if (n < 2)
        return Fail(message, 0, "at least two samples are needed");
    const double interval = (times[n - 1] - times[0]) / static_cast<double>(n - 1);
    if (!(interval > 0.0) || !std::isfinite(interval))
        return Fail(message, 0, "the times do not rise");
    for (std::size_t i = 0; i < n; ++i) {
        const double expected = times[0] + static_cast<double>(i) * interval;
        const double slack = 1e-3 * interval + 4.0 * std::numeric_limits<double>::epsilon() * std::fabs(expected);
        if (!(std::fabs(times[i] - expected) <= slack))
            return Fail(message, i + 2, "the times are not evenly spaced");
    }
    record->firstTime = times[0];
    record->sampleInterval = interval;
    return true;
}

} // namespace

Status WriteCsv(std::FILE *file, const Record &record)
{
    if (!file || !IsWritable(record))
        return Status::BadArgument;
    TextOut out(file);
    out.Text("Time (s)");
    for (const Channel &c : record.channels) {
        out.Text(",");
        out.Text(Field(ColumnTitle(c)));
    }
    out.EndLine();
    const std::size_t n = record.Samples();
    for (std::size_t i = 0; i < n && out.Ok(); ++i) {
        out.Number(record.TimeOf(i));
        for (const Channel &c : record.channels) {
            out.Text(",");
            out.Number(c.values[i]);
        }
        out.EndLine();
    }
    return out.Flush() ? Status::Ok : Status::WriteFailed;
}

Status WriteCsv(const std::string &path, const Record &record)
{
    if (!IsWritable(record))
        return Status::BadArgument;
    return WriteReplacing(path, [&](std::FILE *file) { return WriteCsv(file, record); });
}

Status ParseCsv(const char *data, std::size_t size, Record *record, std::string *message)
{
    if (!record || (!data && size > 0))
        return Status::BadArgument;
    *record = Record();
    if (message)
        message->clear();
    try {
        if (!Parse(data, size, record, message)) {
            *record = Record();
            return Status::ParseError;
        }
    } catch (const std::bad_alloc &) {
        *record = Record();
        if (message)
            *message = "not enough memory for the record";
        return Status::TooLarge;
    }
    return Status::Ok;
}

Status ReadCsv(const std::string &path, Record *record, std::string *message)
{
    if (!record)
        return Status::BadArgument;
    *record = Record();
    std::string bytes;
    const Status status = ReadWholeFile(path, kCsvMaxFileBytes, &bytes);
    if (status != Status::Ok) {
        if (message)
            *message = StatusText(status);
        return status;
    }
    return ParseCsv(bytes.data(), bytes.size(), record, message);
}

} // namespace formats
