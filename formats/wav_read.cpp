// Reading WAV files through libsndfile, from memory, with the container and
// sample types limited to those that cannot expand (so the samples a file
// claims are bounded by its bytes).
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cmath>
#include <cstring>
#include <new>
#include <string_view>
#include <vector>

#include "formats/replace_file.h"
#include "formats/wav.h"

#if KORVAX_HAVE_SNDFILE
#include <sndfile.h>
#endif

namespace formats
{
namespace
{

#if KORVAX_HAVE_SNDFILE
bool Fail(std::string *message, const std::string &text)
{
    if (message)
        *message = text;
    return false;
}

// The number that follows `key` in `text`, up to a blank.
bool NumberAfter(std::string_view text, std::string_view key, double *out)
{
    const std::size_t at = text.find(key);
    if (at == std::string_view::npos)
        return false;
    const char *p = text.data() + at + key.size();
    const char *end = text.data() + text.size();
    const std::from_chars_result r = std::from_chars(p, end, *out);
    return r.ec == std::errc() && r.ptr != p && std::isfinite(*out);
}

// "CH1 (V), CH2 (V)" after "; channels " when it names each channel.
bool ChannelTitles(std::string_view text, std::size_t count, std::vector<Channel> *channels)
{
    const std::string_view key = "; channels ";
    const std::size_t at = text.find(key);
    if (at == std::string_view::npos)
        return false;
    std::string_view rest = text.substr(at + key.size());
    std::vector<std::string_view> parts;
    while (parts.size() <= count) {
        const std::size_t comma = rest.find(", ");
        parts.push_back(rest.substr(0, comma));
        if (comma == std::string_view::npos)
            break;
        rest.remove_prefix(comma + 2);
    }
    if (parts.size() != count)
        return false;
    for (std::size_t k = 0; k < count; ++k) {
        std::string_view part = parts[k];
        Channel &c = (*channels)[k];
        const std::size_t open = part.rfind(" (");
        if (part.size() >= 4 && part.back() == ')' && open != std::string_view::npos && open > 0) {
            c.name = std::string(part.substr(0, open));
            c.unit = std::string(part.substr(open + 2, part.size() - open - 3));
        } else {
            c.name = std::string(part);
        }
    }
    return true;
}

struct Memory
{
    const char *data;
    sf_count_t size;
    sf_count_t at;
};

sf_count_t MemLength(void *user)
{
    return static_cast<Memory *>(user)->size;
}

sf_count_t MemSeek(sf_count_t offset, int whence, void *user)
{
    Memory *m = static_cast<Memory *>(user);
    // As on a file, a position past the end is allowed (reads there give
    // nothing); a header that keeps skipping forward thus reaches the end
    // instead of seeking in place for ever.
    const sf_count_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? m->at : m->size;
    constexpr sf_count_t kFar = sf_count_t(1) << 62;
    if (offset < -base || (offset > 0 && base > kFar - offset))
        return -1;
    m->at = base + offset;
    return m->at;
}

sf_count_t MemRead(void *ptr, sf_count_t count, void *user)
{
    Memory *m = static_cast<Memory *>(user);
    if (count <= 0 || m->at >= m->size)
        return 0;
    const sf_count_t n = std::min(count, m->size - m->at);
    std::memcpy(ptr, m->data + m->at, static_cast<std::size_t>(n));
    m->at += n;
    return n;
}

sf_count_t MemWrite(const void *, sf_count_t, void *)
{
    return 0;
}

sf_count_t MemTell(void *user)
{
    return static_cast<Memory *>(user)->at;
}

std::uint32_t Le32(const unsigned char *p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// The RIFF chunks (and the sub-chunks of a LIST) each lie inside the file.
// Checked before libsndfile sees the bytes: a chunk that claims more than
// the file holds is a damaged or truncated file, and some of them would
// keep libsndfile's header parser busy for ever.
bool ChunksFit(const unsigned char *data, std::size_t size, std::string *message)
{
    if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0)
        return Fail(message, "not a WAV file (no RIFF WAVE header)");
    std::size_t p = 12;
    while (size - p >= 8) {
        const std::size_t length = Le32(data + p + 4);
        if (length > size - p - 8)
            return Fail(message, "the WAV file is truncated or damaged (a chunk runs past its end)");
        if (std::memcmp(data + p, "LIST", 4) == 0 && length >= 4) {
            const std::size_t end = p + 8 + length;
            std::size_t q = p + 12;
            while (end - q >= 8) {
                const std::size_t sub = Le32(data + q + 4);
                if (sub > end - q - 8)
                    return Fail(message, "the WAV file is damaged (a list entry runs past its list)");
                q += 8 + sub + (sub & 1);
                if (q > end)
                    break;
            }
        }
        p += 8 + length + (length & 1);
        if (p > size)
            break;
    }
    return true;
}

bool Parse(const char *data, std::size_t size, Record *record, std::string *message)
{
    if (!ChunksFit(reinterpret_cast<const unsigned char *>(data), size, message))
        return false;
    Memory memory{data, static_cast<sf_count_t>(size), 0};
    SF_VIRTUAL_IO io{MemLength, MemSeek, MemRead, MemWrite, MemTell};
    SF_INFO info{};
    SNDFILE *sf = sf_open_virtual(&io, SFM_READ, &info, &memory);
    if (!sf)
        return Fail(message, std::string("not a sound file libsndfile reads: ") + sf_strerror(nullptr));
    struct Closer
    {
        SNDFILE *sf;
        ~Closer() { sf_close(sf); }
    } closer{sf};

    const int container = info.format & SF_FORMAT_TYPEMASK;
    const int subtype = info.format & SF_FORMAT_SUBMASK;
    if (container != SF_FORMAT_WAV && container != SF_FORMAT_WAVEX)
        return Fail(message, "not a WAV file");
    if (subtype != SF_FORMAT_PCM_U8 && subtype != SF_FORMAT_PCM_16 && subtype != SF_FORMAT_PCM_24 &&
        subtype != SF_FORMAT_PCM_32 && subtype != SF_FORMAT_FLOAT && subtype != SF_FORMAT_DOUBLE)
        return Fail(message, "the WAV samples are neither PCM nor float");
    if (info.channels < 1 || info.channels > 1024)
        return Fail(message, "the WAV file has no usable channel count");
    if (info.samplerate < 1)
        return Fail(message, "the WAV file has no sampling rate");
    const std::size_t channels = static_cast<std::size_t>(info.channels);
    // Uncompressed samples take at least one byte each.
    if (info.frames < 2 || static_cast<unsigned long long>(info.frames) > size / channels)
        return Fail(message, info.frames < 2 ? "at least two samples are needed"
                                             : "the WAV header announces more samples than the file holds");
    const std::size_t frames = static_cast<std::size_t>(info.frames);
    if (frames * channels > kWavMaxValues)
        return Fail(message, "the WAV file holds more than " + std::to_string(kWavMaxValues) + " samples");

    const char *comment = sf_get_string(sf, SF_STR_COMMENT);
    const std::string_view text = comment ? std::string_view(comment) : std::string_view();
    double fullScale = 0.0;
    const bool scaled = NumberAfter(text, "volts = sample x ", &fullScale) && fullScale > 0.0;

    record->channels.assign(channels, Channel());
    for (std::size_t k = 0; k < channels; ++k) {
        record->channels[k].name = "CH" + std::to_string(k + 1);
        record->channels[k].unit = scaled ? "V" : "FS";
        record->channels[k].values.resize(frames);
    }
    if (scaled)
        ChannelTitles(text, channels, &record->channels);

    constexpr std::size_t kBlock = 4096;
    std::vector<double> block(kBlock * channels);
    std::size_t done = 0;
    while (done < frames) {
        const sf_count_t want = static_cast<sf_count_t>(std::min(kBlock, frames - done));
        const sf_count_t got = sf_readf_double(sf, block.data(), want);
        if (got <= 0)
            break;
        for (std::size_t j = 0; j < static_cast<std::size_t>(got); ++j)
            for (std::size_t k = 0; k < channels; ++k) {
                const double v = block[j * channels + k];
                record->channels[k].values[done + j] = scaled ? v * fullScale : v;
            }
        done += static_cast<std::size_t>(got);
    }
    if (done != frames)
        return Fail(message, "the WAV file ends after " + std::to_string(done) + " of its " +
                                 std::to_string(frames) + " samples");

    // The rate in the header is whole hertz; the comment keeps the exact
    // interval, used when it agrees with that rate.
    record->sampleInterval = 1.0 / info.samplerate;
    double interval = 0.0, first = 0.0;
    if (scaled && NumberAfter(text, "sampling interval ", &interval) && interval > 0.0 &&
        std::fabs(1.0 / interval - info.samplerate) <= 0.5)
        record->sampleInterval = interval;
    if (scaled && NumberAfter(text, "first sample at ", &first) &&
        std::fabs(first) <= 1e12 * record->sampleInterval)
        record->firstTime = first;
    return true;
}
#endif

} // namespace

Status ParseWav(const char *data, std::size_t size, Record *record, std::string *message)
{
    if (!record || (!data && size > 0))
        return Status::BadArgument;
    *record = Record();
    if (message)
        message->clear();
#if KORVAX_HAVE_SNDFILE
    try {
        if (!Parse(data ? data : "", size, record, message)) {
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
#else
    if (message)
        *message = StatusText(Status::Unsupported);
    return Status::Unsupported;
#endif
}

Status ReadWav(const std::string &path, Record *record, std::string *message)
{
    if (!record)
        return Status::BadArgument;
    *record = Record();
    if (!WavAvailable()) {
        if (message)
            *message = StatusText(Status::Unsupported);
        return Status::Unsupported;
    }
    std::string bytes;
    const Status status = ReadWholeFile(path, kWavMaxFileBytes, &bytes);
    if (status != Status::Ok) {
        if (message)
            *message = StatusText(status);
        return status;
    }
    return ParseWav(bytes.data(), bytes.size(), record, message);
}

} // namespace formats
