#include "formats/vcd.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "formats/replace_file.h"

namespace formats
{
namespace
{

bool Writable(const LogicRecord &r)
{
    return r.sampleInterval > 0.0 && std::isfinite(r.sampleInterval) && std::isfinite(r.firstTime) &&
           r.lines >= 1 && r.lines <= 16 && !r.words.empty();
}

// A line's name as a VCD reference: no blanks or control characters.
std::string LineName(const LogicRecord &r, int line)
{
    std::string name = line < static_cast<int>(r.names.size()) ? r.names[line] : std::string();
    for (char &c : name)
        if (static_cast<unsigned char>(c) <= ' ' || static_cast<unsigned char>(c) >= 127)
            c = '_';
    if (name.empty())
        name = "D" + std::to_string(line);
    return name;
}

// One letter per line, 'A' for line 0 to 'P' for line 15: no identifier
// that a reader could take for a keyword ('$'), a time ('#') or a value.
char Identifier(int line)
{
    return static_cast<char>('A' + line);
}

void AppendUnsigned(std::string *text, std::uint64_t v)
{
    char buf[24];
    const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, v);
    text->append(buf, r.ptr);
}

std::string Number(double v)
{
    char buf[64];
    const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

} // namespace

VcdTimescale ChooseVcdTimescale(double sampleInterval)
{
    static const char *const kUnits[] = {"s", "ms", "us", "ns", "ps", "fs"};
    VcdTimescale best;
    best.multiplier = 1;
    best.unit = "fs";
    best.seconds = 1e-15;
    if (!(sampleInterval > 0.0) || !std::isfinite(sampleInterval)) {
        best.ticks = 0;
        return best;
    }
    const double rounded = std::round(sampleInterval / 1e-15);
    best.ticks = rounded >= 1.0 && rounded < 1.8e19 ? static_cast<std::uint64_t>(rounded) : 0;
    for (int u = 0; u < 6; ++u) {
        for (int m : {100, 10, 1}) {
            const double seconds = m * std::pow(10.0, -3.0 * u);
            const double ratio = sampleInterval / seconds;
            const double whole = std::round(ratio);
            if (whole >= 1.0 && whole < 1e15 && std::fabs(ratio - whole) <= 1e-9 * whole) {
                VcdTimescale t;
                t.multiplier = m;
                t.unit = kUnits[u];
                t.seconds = seconds;
                t.ticks = static_cast<std::uint64_t>(whole);
                return t;
            }
        }
    }
    return best;
}

LogicRecord LogicFromPorts(const std::uint8_t *raw, std::size_t samples, double sampleInterval)
{
    LogicRecord r;
    r.sampleInterval = sampleInterval;
    if (!raw)
        return r;
    r.words.resize(samples);
    for (std::size_t i = 0; i < samples; ++i)
        r.words[i] = static_cast<std::uint16_t>(raw[2 * i] | (raw[2 * i + 1] << 8));
    return r;
}

Status WriteVcd(std::FILE *file, const LogicRecord &record)
{
    if (!file || !Writable(record))
        return Status::BadArgument;
    const VcdTimescale ts = ChooseVcdTimescale(record.sampleInterval);
    const std::uint64_t n = record.words.size();
    // The last time written is n x ticks (the end of the last sample).
    if (ts.ticks == 0 || ts.ticks > std::numeric_limits<std::uint64_t>::max() / (n + 1))
        return Status::BadArgument;

    std::string text;
    text += "$version Korvax Demo $end\n";
    text += "$comment first sample at " + Number(record.firstTime) + " s from the trigger; sampling interval " +
            Number(record.sampleInterval) + " s $end\n";
    text += "$timescale " + std::to_string(ts.multiplier) + " " + ts.unit + " $end\n";
    text += "$scope module logic $end\n";
    for (int k = 0; k < record.lines; ++k) {
        text += "$var wire 1 ";
        text += Identifier(k);
        text += " " + LineName(record, k) + " $end\n";
    }
    text += "$upscope $end\n$enddefinitions $end\n";
    text += "#0\n$dumpvars\n";
    const std::uint16_t mask = static_cast<std::uint16_t>((1u << record.lines) - 1u);
    std::uint16_t previous = record.words[0] & mask;
    for (int k = 0; k < record.lines; ++k) {
        text += ((previous >> k) & 1u) ? '1' : '0';
        text += Identifier(k);
        text += '\n';
    }
    text += "$end\n";

    constexpr std::size_t kBlock = 1 << 16;
    for (std::uint64_t i = 1; i < n; ++i) {
        const std::uint16_t word = record.words[i] & mask;
        const std::uint16_t changed = word ^ previous;
        if (changed) {
            text += '#';
            AppendUnsigned(&text, i * ts.ticks);
            text += '\n';
            for (int k = 0; k < record.lines; ++k)
                if ((changed >> k) & 1u) {
                    text += ((word >> k) & 1u) ? '1' : '0';
                    text += Identifier(k);
                    text += '\n';
                }
            previous = word;
        }
        if (text.size() >= kBlock) {
            if (std::fwrite(text.data(), 1, text.size(), file) != text.size())
                return Status::WriteFailed;
            text.clear();
        }
    }
    // The end of the last sample, so viewers show its full width.
    text += '#';
    AppendUnsigned(&text, n * ts.ticks);
    text += '\n';
    if (std::fwrite(text.data(), 1, text.size(), file) != text.size())
        return Status::WriteFailed;
    return Status::Ok;
}

Status WriteVcd(const std::string &path, const LogicRecord &record)
{
    if (!Writable(record))
        return Status::BadArgument;
    return WriteReplacing(path, [&](std::FILE *file) { return WriteVcd(file, record); });
}

} // namespace formats
