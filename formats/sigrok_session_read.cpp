// Reading sigrok sessions: the zip is opened from memory with libzip, the
// "metadata" file parsed as the key file it is, and the data files
// ("logic-1-<chunk>", "analog-1-<channel>-<chunk>") read in chunk order.
// Every size is checked against the limits before it is reserved, and a
// data file is read only up to the size its entry declares (libzip checks
// the rest, its checksum included).
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <new>
#include <string_view>
#include <vector>

#include "formats/replace_file.h"
#include "formats/sigrok_session.h"

#if KORVAX_HAVE_SIGROK
#include <zip.h>
#endif

namespace formats
{

#if KORVAX_HAVE_SIGROK
namespace
{

struct Failure
{
    std::string text;
    Status status = Status::ParseError;
};

[[noreturn]] void Fail(const std::string &text, Status status = Status::ParseError)
{
    throw Failure{text, status};
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// Keys of the "[device 1]" group of the metadata.
std::map<std::string, std::string> DeviceKeys(std::string_view text)
{
    std::map<std::string, std::string> keys;
    bool inDevice = false, sawDevice = false;
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        const std::string_view line = Trim(text.substr(0, nl));
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
        if (line.empty() || line.front() == '#' || line.front() == ';')
            continue;
        if (line.front() == '[') {
            inDevice = line == "[device 1]";
            sawDevice = sawDevice || inDevice;
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            Fail("the session's metadata has a line that is neither a group nor a key");
        if (inDevice && keys.size() < 4096)
            keys[std::string(Trim(line.substr(0, eq)))] = std::string(Trim(line.substr(eq + 1)));
    }
    if (!sawDevice)
        Fail("the session's metadata describes no device");
    return keys;
}

bool Integer(std::string_view s, long long *out)
{
    s = Trim(s);
    const std::from_chars_result r = std::from_chars(s.data(), s.data() + s.size(), *out);
    return r.ec == std::errc() && r.ptr == s.data() + s.size() && !s.empty();
}

// "200 kHz", "1.5 MHz", "10000000" (hertz).
bool Rate(std::string_view s, double *hz)
{
    s = Trim(s);
    double value = 0.0;
    const std::from_chars_result r = std::from_chars(s.data(), s.data() + s.size(), value);
    if (r.ec != std::errc() || r.ptr == s.data())
        return false;
    std::string_view unit = Trim(std::string_view(r.ptr, static_cast<std::size_t>(s.data() + s.size() - r.ptr)));
    double factor = 1.0;
    if (!unit.empty() && unit != "Hz") {
        if (unit.size() != 3 || unit.substr(1) != "Hz")
            return false;
        switch (unit.front()) {
        case 'k': factor = 1e3; break;
        case 'M': factor = 1e6; break;
        case 'G': factor = 1e9; break;
        default: return false;
        }
    }
    *hz = value * factor;
    return *hz >= 1.0 && std::isfinite(*hz);
}

// "<prefix><number>" -> number (> 0).
bool Suffix(std::string_view name, std::string_view prefix, long long *number)
{
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
        return false;
    const std::string_view rest = name.substr(prefix.size());
    if (rest.find_first_not_of("0123456789") != std::string_view::npos || rest.size() > 9)
        return false;
    return Integer(rest, number) && *number > 0;
}

class Zip
{
  public:
    Zip(const char *data, std::size_t size)
    {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t *source = zip_source_buffer_create(data, size, 0, &error);
        if (source) {
            zip_ = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
            if (!zip_)
                zip_source_free(source);
        }
        if (!zip_)
            message_ = std::string("not a sigrok session (") + zip_error_strerror(&error) + ")";
        zip_error_fini(&error);
    }
    ~Zip()
    {
        if (zip_)
            zip_discard(zip_);
    }
    Zip(const Zip &) = delete;
    Zip &operator=(const Zip &) = delete;
    zip_t *Get() const { return zip_; }
    const std::string &Message() const { return message_; }

    // Entry name -> (index, declared size).
    std::map<std::string, std::pair<zip_uint64_t, zip_uint64_t>> Entries() const
    {
        std::map<std::string, std::pair<zip_uint64_t, zip_uint64_t>> entries;
        const zip_int64_t count = zip_get_num_entries(zip_, 0);
        if (count < 0 || static_cast<zip_uint64_t>(count) > kSrMaxEntries)
            Fail("the session holds too many files");
        for (zip_int64_t i = 0; i < count; ++i) {
            zip_stat_t st;
            zip_stat_init(&st);
            if (zip_stat_index(zip_, static_cast<zip_uint64_t>(i), 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME) ||
                !(st.valid & ZIP_STAT_SIZE))
                Fail("an entry of the session cannot be read");
            entries[st.name] = {static_cast<zip_uint64_t>(i), st.size};
        }
        return entries;
    }

    // The whole entry, `size` bytes as declared.
    void Read(zip_uint64_t index, zip_uint64_t size, std::string *out) const
    {
        out->assign(static_cast<std::size_t>(size), '\0');
        zip_file_t *file = zip_fopen_index(zip_, index, 0);
        if (!file)
            Fail("a file inside the session cannot be opened");
        zip_uint64_t done = 0;
        bool ok = true;
        while (done < size) {
            const zip_int64_t got = zip_fread(file, &(*out)[static_cast<std::size_t>(done)], size - done);
            if (got <= 0) {
                ok = false;
                break;
            }
            done += static_cast<zip_uint64_t>(got);
        }
        char extra;
        if (ok && zip_fread(file, &extra, 1) != 0)
            ok = false; // longer than declared, or its checksum is wrong
        zip_fclose(file);
        if (!ok)
            Fail("a file inside the session is damaged");
    }

  private:
    zip_t *zip_ = nullptr;
    std::string message_;
};

void Parse(const char *data, std::size_t size, SrSession *session)
{
    Zip zip(data, size);
    if (!zip.Get())
        Fail(zip.Message());
    const auto entries = zip.Entries();
    auto version = entries.find("version");
    if (version != entries.end()) {
        if (version->second.second > 16)
            Fail("the session's version file is not a version");
        std::string text;
        zip.Read(version->second.first, version->second.second, &text);
        long long v = 0;
        if (!Integer(text, &v) || v < 1 || v > 2)
            Fail("session version " + std::string(Trim(text)) + " is not supported");
    }
    auto metadata = entries.find("metadata");
    if (metadata == entries.end())
        Fail("not a sigrok session (no metadata)");
    if (metadata->second.second > (1u << 20))
        Fail("the session's metadata is too large", Status::TooLarge);
    std::string text;
    zip.Read(metadata->second.first, metadata->second.second, &text);
    const auto keys = DeviceKeys(text);

    double rate = 0.0;
    auto rateKey = keys.find("samplerate");
    if (rateKey == keys.end() || !Rate(rateKey->second, &rate))
        Fail("the session states no usable sampling rate");

    // The chunks of each data stream, in chunk order; the total declared
    // size is checked before anything is read.
    std::string capture = "logic-1";
    if (auto c = keys.find("capturefile"); c != keys.end() && !c->second.empty())
        capture = c->second;
    std::map<long long, std::pair<zip_uint64_t, zip_uint64_t>> logicChunks;
    std::map<long long, std::map<long long, std::pair<zip_uint64_t, zip_uint64_t>>> analogChunks;
    zip_uint64_t total = 0;
    for (const auto &[name, where] : entries) {
        long long chunk = 0;
        bool data = false;
        if (name == capture) {
            logicChunks[0] = where;
            data = true;
        } else if (Suffix(name, capture + "-", &chunk)) {
            logicChunks[chunk] = where;
            data = true;
        } else if (name.compare(0, 9, "analog-1-") == 0) {
            const std::string rest = name.substr(9);
            const std::size_t dash = rest.find('-');
            long long channel = 0;
            if (dash != std::string::npos && Suffix("x" + rest.substr(0, dash), "x", &channel) &&
                Suffix(rest.substr(dash), "-", &chunk)) {
                analogChunks[channel][chunk] = where;
                data = true;
            }
        }
        if (data) {
            total += where.second;
            if (total > kSrMaxDataBytes)
                Fail("the session holds more data than can be loaded", Status::TooLarge);
        }
    }
    if (logicChunks.empty() && analogChunks.empty())
        Fail("the session holds no samples");

    const double interval = 1.0 / rate;
    std::string bytes;
    if (!logicChunks.empty()) {
        long long unit = 1;
        if (auto u = keys.find("unitsize"); u != keys.end() && (!Integer(u->second, &unit) || unit < 1 || unit > 8))
            Fail("the session's unit size is not 1 to 8 bytes");
        long long probes = 8 * unit;
        if (auto p = keys.find("total probes"); p != keys.end() && (!Integer(p->second, &probes) || probes < 1))
            Fail("the session's number of logic channels cannot be read");
        probes = std::min<long long>({probes, 8 * unit, 16});
        LogicRecord &logic = session->logic;
        logic.sampleInterval = interval;
        logic.lines = static_cast<int>(probes);
        for (int k = 0; k < logic.lines; ++k) {
            auto name = keys.find("probe" + std::to_string(k + 1));
            logic.names.push_back(name != keys.end() ? name->second : "D" + std::to_string(k));
        }
        std::string carry;
        const std::uint16_t mask = static_cast<std::uint16_t>((1u << logic.lines) - 1u);
        for (const auto &[chunk, where] : logicChunks) {
            zip.Read(where.first, where.second, &bytes);
            carry += bytes;
            const std::size_t whole = carry.size() / static_cast<std::size_t>(unit);
            if (logic.words.size() + whole > kSrMaxSamples)
                Fail("the session holds more samples than can be loaded", Status::TooLarge);
            for (std::size_t i = 0; i < whole; ++i) {
                const unsigned char *p = reinterpret_cast<const unsigned char *>(carry.data()) + i * unit;
                const std::uint16_t w = static_cast<std::uint16_t>(p[0] | (unit > 1 ? p[1] << 8 : 0));
                logic.words.push_back(static_cast<std::uint16_t>(w & mask));
            }
            carry.erase(0, whole * static_cast<std::size_t>(unit));
        }
        if (!carry.empty())
            Fail("the session's logic data ends inside a sample");
    }

    if (!analogChunks.empty()) {
        Record &analog = session->analog;
        analog.sampleInterval = interval;
        std::size_t shortest = kSrMaxSamples + 1;
        for (const auto &[index, chunks] : analogChunks) {
            Channel c;
            auto name = keys.find("analog" + std::to_string(index));
            c.name = name != keys.end() ? name->second : "A" + std::to_string(index);
            c.unit = "V";
            for (const auto &[chunk, where] : chunks) {
                if (where.second % 4 != 0)
                    Fail("the session's analog data ends inside a sample");
                if (c.values.size() + where.second / 4 > kSrMaxSamples)
                    Fail("the session holds more samples than can be loaded", Status::TooLarge);
                zip.Read(where.first, where.second, &bytes);
                for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4) {
                    const unsigned char *p = reinterpret_cast<const unsigned char *>(bytes.data()) + i;
                    const std::uint32_t u = static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                                            static_cast<std::uint32_t>(p[2]) << 16 |
                                            static_cast<std::uint32_t>(p[3]) << 24;
                    float f;
                    std::memcpy(&f, &u, sizeof f);
                    c.values.push_back(f);
                }
            }
            shortest = std::min(shortest, c.values.size());
            analog.channels.push_back(std::move(c));
        }
        // Channels that stopped at different lengths keep their common part.
        for (Channel &c : analog.channels)
            c.values.resize(shortest);
        if (shortest == 0)
            analog.channels.clear();
    }
    if (session->analog.channels.empty() && session->logic.words.empty())
        Fail("the session holds no samples");
}

} // namespace
#endif

Status ParseSr(const char *data, std::size_t size, SrSession *session, std::string *message)
{
    if (!session || (!data && size > 0))
        return Status::BadArgument;
    *session = SrSession();
    if (message)
        message->clear();
#if KORVAX_HAVE_SIGROK
    if (size == 0) {
        if (message)
            *message = "the file is empty";
        return Status::ParseError;
    }
    try {
        Parse(data, size, session);
    } catch (const Failure &f) {
        *session = SrSession();
        if (message)
            *message = f.text;
        return f.status;
    } catch (const std::bad_alloc &) {
        *session = SrSession();
        if (message)
            *message = "not enough memory for the session";
        return Status::TooLarge;
    }
    return Status::Ok;
#else
    if (message)
        *message = StatusText(Status::Unsupported);
    return Status::Unsupported;
#endif
}

Status ReadSr(const std::string &path, SrSession *session, std::string *message)
{
    if (!session)
        return Status::BadArgument;
    *session = SrSession();
    if (KORVAX_HAVE_SIGROK == 0) {
        if (message)
            *message = StatusText(Status::Unsupported);
        return Status::Unsupported;
    }
    std::string bytes;
    const Status status = ReadWholeFile(path, kSrMaxFileBytes, &bytes);
    if (status != Status::Ok) {
        if (message)
            *message = StatusText(status);
        return status;
    }
    return ParseSr(bytes.data(), bytes.size(), session, message);
}

} // namespace formats
