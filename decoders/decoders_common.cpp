// The parts of the decoder interface that need no decoder runtime: rows of
// annotation classes, stacking, option values and the check of a stage.
#include "decoders/decoders.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace decoders
{

int DecoderInfo::rowOfClass(int cls) const
{
    for (size_t r = 0; r < rows.size(); ++r)
        if (std::find(rows[r].classes.begin(), rows[r].classes.end(), cls) != rows[r].classes.end())
            return static_cast<int>(r);
    return static_cast<int>(rows.size()) + std::max(cls, 0);
}

int DecoderInfo::rowCount() const
{
    // Declared rows, then one per class that no row shows.
    int count = static_cast<int>(rows.size());
    for (size_t c = 0; c < classes.size(); ++c)
        if (rowOfClass(static_cast<int>(c)) >= static_cast<int>(rows.size()))
            count = std::max(count, rowOfClass(static_cast<int>(c)) + 1);
    return count;
}

std::string DecoderInfo::rowName(int row) const
{
    if (row >= 0 && row < static_cast<int>(rows.size()))
        return rows[static_cast<size_t>(row)].desc;
    const int cls = row - static_cast<int>(rows.size());
    if (cls >= 0 && cls < static_cast<int>(classes.size()))
        return classes[static_cast<size_t>(cls)];
    return std::string();
}

bool CanStack(const DecoderInfo &lower, const DecoderInfo &upper)
{
    for (const auto &out : lower.outputs)
        if (out != "logic" && std::find(upper.inputs.begin(), upper.inputs.end(), out) != upper.inputs.end())
            return true;
    return false;
}

bool Result::ok() const
{
    if (cancelled)
        return false;
    for (const auto &m : messages)
        if (!m.empty())
            return false;
    return true;
}

bool CanonicalValue(OptionInfo::Kind kind, const std::string &text, std::string *canonical)
{
    // Leading and trailing blanks are a typing accident, not part of a value.
    const size_t a = text.find_first_not_of(" \t");
    const size_t b = text.find_last_not_of(" \t");
    const std::string t = a == std::string::npos ? std::string() : text.substr(a, b - a + 1);
    if (kind == OptionInfo::Text) {
        *canonical = t;
        return true;
    }
    if (t.empty())
        return false;
    char *end = nullptr;
    errno = 0;
    if (kind == OptionInfo::Integer) {
        const long long v = std::strtoll(t.c_str(), &end, 10);
        if (errno != 0 || end != t.c_str() + t.size())
            return false;
        *canonical = std::to_string(v);
        return true;
    }
    const double v = std::strtod(t.c_str(), &end);
    if (errno != 0 || end != t.c_str() + t.size() || !std::isfinite(v))
        return false;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    *canonical = buf;
    return true;
}

std::string CheckStage(const DecoderInfo &info, const Stage &stage, int lines)
{
    const std::string who = info.id + ": ";
    if (stage.parent < 0) {
        if (std::find(info.inputs.begin(), info.inputs.end(), "logic") == info.inputs.end())
            return who + "reads another decoder's output; stack it on one";
        for (const auto &ch : info.channels) {
            const auto it = stage.channels.find(ch.id);
            if (it == stage.channels.end() || it->second < 0)
                return who + "channel " + ch.name + " is not mapped to a line";
        }
        for (const auto &[id, line] : stage.channels) {
            const bool known = std::any_of(info.channels.begin(), info.channels.end(),
                                           [&](const ChannelInfo &c) { return c.id == id; }) ||
                               std::any_of(info.optionalChannels.begin(), info.optionalChannels.end(),
                                           [&](const ChannelInfo &c) { return c.id == id; });
            if (!known)
                return who + "has no channel \"" + id + "\"";
            if (line >= lines)
                return who + "channel " + id + " is mapped to line " + std::to_string(line) + ", beyond the " +
                       std::to_string(lines) + " lines";
        }
    }
    for (const auto &[id, value] : stage.options) {
        const auto opt = std::find_if(info.options.begin(), info.options.end(),
                                      [&](const OptionInfo &o) { return o.id == id; });
        if (opt == info.options.end())
            return who + "has no option \"" + id + "\"";
        std::string canonical;
        if (!CanonicalValue(opt->kind, value, &canonical))
            return who + "option " + id + " needs " + (opt->kind == OptionInfo::Integer ? "a whole number" : "a number") +
                   ", not \"" + value + "\"";
        if (!opt->values.empty() &&
            std::find(opt->values.begin(), opt->values.end(), canonical) == opt->values.end()) {
            std::string allowed;
            for (const auto &v : opt->values)
                allowed += (allowed.empty() ? "" : ", ") + v;
            return who + "option " + id + " cannot be \"" + value + "\" (one of: " + allowed + ")";
        }
    }
    return std::string();
}

} // namespace decoders
