// Writing sigrok sessions with libsigrok's "srzip" output module.  The module
// writes to a file name of its own, so the session goes into a scratch file
// first and is then copied into the target through WriteReplacing, which
// replaces the target whole or not at all.
#include "formats/sigrok_session.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <new>
#include <utility>
#include <vector>

#include <unistd.h>

#include "formats/replace_file.h"

#if KORVAX_HAVE_SIGROK
#include <libsigrok/libsigrok.h>
#endif

namespace formats
{

bool SrAvailable()
{
    return KORVAX_HAVE_SIGROK != 0;
}

unsigned long long SrRate(double sampleInterval)
{
    if (!(sampleInterval > 0.0) || !std::isfinite(sampleInterval))
        return 0;
    const double rate = std::round(1.0 / sampleInterval);
    if (!(rate >= 1.0) || rate > 1e18)
        return 0;
    return static_cast<unsigned long long>(rate);
}

#if KORVAX_HAVE_SIGROK
namespace
{

// This code's own libsigrok context, made on first use and released when
// the program ends.  The device instances the output module needs are kept
// per channel layout (their channels renamed for each file), so writing
// many files does not pile them up.
class Sigrok
{
  public:
    static Sigrok &Get()
    {
        static Sigrok instance;
        return instance;
    }
    bool Ok() const { return context_ != nullptr; }
    sr_dev_inst *Device(int logic, int analog)
    {
        const std::pair<int, int> key(logic, analog);
        auto it = devices_.find(key);
        if (it != devices_.end())
            return it->second;
        sr_dev_inst *sdi = sr_dev_inst_user_new("Korvax", "Demo bench", "2.0");
        if (!sdi)
            return nullptr;
        for (int i = 0; i < logic + analog; ++i) {
            const std::string name = i < logic ? "D" + std::to_string(i) : "A" + std::to_string(i - logic);
            if (sr_dev_inst_channel_add(sdi, i, i < logic ? SR_CHANNEL_LOGIC : SR_CHANNEL_ANALOG, name.c_str()) !=
                SR_OK)
                return nullptr;
        }
        devices_[key] = sdi;
        return sdi;
    }

  private:
    Sigrok()
    {
        if (sr_init(&context_) != SR_OK)
            context_ = nullptr;
    }
    ~Sigrok()
    {
        if (context_)
            sr_exit(context_);
    }
    sr_context *context_ = nullptr;
    std::map<std::pair<int, int>, sr_dev_inst *> devices_;
};

// A scratch file name for the module (it creates and truncates the file).
std::string ScratchName()
{
    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/korvax-sr-XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return std::string();
    ::close(fd);
    return pattern;
}

struct Packets
{
    const sr_output *out = nullptr;
    bool ok = true;
    void Send(int type, const void *payload)
    {
        sr_datafeed_packet packet{};
        packet.type = static_cast<uint16_t>(type);
        packet.payload = payload;
        GString *text = nullptr;
        if (ok && sr_output_send(out, &packet, &text) != SR_OK)
            ok = false;
        if (text)
            g_string_free(text, TRUE);
    }
};

// Sends one session through the srzip module into `scratch`: header, rate,
// then the data that `feed` sends, then the end.
template <typename Feed>
Status WriteSession(const std::string &scratch, sr_dev_inst *sdi, unsigned long long rate, Feed feed)
{
    const sr_output_module *module = sr_output_find(const_cast<char *>("srzip"));
    if (!module)
        return Status::Unsupported;
    const sr_output *out = sr_output_new(module, nullptr, sdi, scratch.c_str());
    if (!out)
        return Status::OpenFailed;
    Packets packets;
    packets.out = out;
    sr_datafeed_header header{};
    header.feed_version = 1;
    packets.Send(SR_DF_HEADER, &header);
    sr_config config{};
    config.key = SR_CONF_SAMPLERATE;
    config.data = g_variant_ref_sink(g_variant_new_uint64(rate));
    sr_datafeed_meta meta{};
    meta.config = g_slist_append(nullptr, &config);
    packets.Send(SR_DF_META, &meta);
    g_slist_free(meta.config);
    g_variant_unref(config.data);
    feed(packets);
    packets.Send(SR_DF_END, nullptr);
    // The module finishes the zip when it is freed.
    const bool freed = sr_output_free(out) == SR_OK;
    return packets.ok && freed ? Status::Ok : Status::WriteFailed;
}

// Copies the finished scratch session into the target.
Status Publish(const std::string &scratch, const std::string &path)
{
    std::string bytes;
    Status status = ReadWholeFile(scratch, kSrMaxFileBytes, &bytes);
    if (status != Status::Ok)
        return status == Status::TooLarge ? Status::TooLarge : Status::WriteFailed;
    return WriteReplacing(path, [&](std::FILE *file) {
        return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() ? Status::Ok : Status::WriteFailed;
    });
}

template <typename Write> Status Run(const std::string &path, Write write)
{
    if (path.empty())
        return Status::BadArgument;
    if (!Sigrok::Get().Ok())
        return Status::Unsupported;
    const std::string scratch = ScratchName();
    if (scratch.empty())
        return Status::OpenFailed;
    Status status;
    try {
        status = write(scratch);
        if (status == Status::Ok)
            status = Publish(scratch, path);
    } catch (const std::bad_alloc &) {
        status = Status::TooLarge;
    }
    std::remove(scratch.c_str());
    return status;
}

constexpr std::size_t kChunkSamples = 1 << 16;

} // namespace

Status WriteSr(const std::string &path, const Record &record)
{
    if (!IsWritable(record) || record.channels.size() > 256)
        return Status::BadArgument;
    const unsigned long long rate = SrRate(record.sampleInterval);
    if (rate == 0)
        return Status::BadArgument;
    return Run(path, [&](const std::string &scratch) {
        const int count = static_cast<int>(record.channels.size());
        sr_dev_inst *sdi = Sigrok::Get().Device(0, count);
        if (!sdi)
            return Status::OpenFailed;
        GSList *channels = sr_dev_inst_channels_get(sdi);
        std::vector<sr_channel *> list;
        for (GSList *l = channels; l; l = l->next)
            list.push_back(static_cast<sr_channel *>(l->data));
        for (int k = 0; k < count; ++k) {
            const std::string &name = record.channels[static_cast<std::size_t>(k)].name;
            sr_dev_channel_name_set(list[static_cast<std::size_t>(k)],
                                    name.empty() ? ("A" + std::to_string(k)).c_str() : name.c_str());
            sr_dev_channel_enable(list[static_cast<std::size_t>(k)], TRUE);
        }
        return WriteSession(scratch, sdi, rate, [&](Packets &packets) {
            std::vector<float> block(kChunkSamples);
            const std::size_t n = record.Samples();
            for (int k = 0; k < count && packets.ok; ++k) {
                GSList one{list[static_cast<std::size_t>(k)], nullptr};
                sr_analog_encoding encoding{};
                encoding.unitsize = sizeof(float);
                encoding.is_signed = TRUE;
                encoding.is_float = TRUE;
                encoding.is_bigendian = FALSE;
                encoding.digits = 7;
                encoding.is_digits_decimal = TRUE;
                encoding.scale = {1, 1};
                encoding.offset = {0, 1};
                sr_analog_meaning meaning{};
                meaning.mq = SR_MQ_VOLTAGE;
                meaning.unit = SR_UNIT_VOLT;
                meaning.channels = &one;
                sr_analog_spec spec{};
                spec.spec_digits = 7;
                for (std::size_t i = 0; i < n && packets.ok; i += kChunkSamples) {
                    const std::size_t m = std::min(kChunkSamples, n - i);
                    const std::vector<double> &v = record.channels[static_cast<std::size_t>(k)].values;
                    for (std::size_t j = 0; j < m; ++j)
                        block[j] = static_cast<float>(v[i + j]);
                    sr_datafeed_analog analog{};
                    analog.data = block.data();
                    analog.num_samples = static_cast<uint32_t>(m);
                    analog.encoding = &encoding;
                    analog.meaning = &meaning;
                    analog.spec = &spec;
                    packets.Send(SR_DF_ANALOG, &analog);
                }
            }
        });
    });
}

Status WriteSr(const std::string &path, const LogicRecord &record)
{
    if (record.words.empty() || record.lines < 1 || record.lines > 16)
        return Status::BadArgument;
    const unsigned long long rate = SrRate(record.sampleInterval);
    if (rate == 0)
        return Status::BadArgument;
    return Run(path, [&](const std::string &scratch) {
        const int lines = record.lines;
        sr_dev_inst *sdi = Sigrok::Get().Device(lines, 0);
        if (!sdi)
            return Status::OpenFailed;
        int k = 0;
        for (GSList *l = sr_dev_inst_channels_get(sdi); l; l = l->next, ++k) {
            const std::string name = static_cast<std::size_t>(k) < record.names.size() &&
                                             !record.names[static_cast<std::size_t>(k)].empty()
                                         ? record.names[static_cast<std::size_t>(k)]
                                         : "D" + std::to_string(k);
            sr_dev_channel_name_set(static_cast<sr_channel *>(l->data), name.c_str());
            sr_dev_channel_enable(static_cast<sr_channel *>(l->data), TRUE);
        }
        const std::size_t unit = lines <= 8 ? 1 : 2;
        const std::uint16_t mask = static_cast<std::uint16_t>((1u << lines) - 1u);
        return WriteSession(scratch, sdi, rate, [&](Packets &packets) {
            std::vector<std::uint8_t> block(kChunkSamples * unit);
            const std::size_t n = record.words.size();
            for (std::size_t i = 0; i < n && packets.ok; i += kChunkSamples) {
                const std::size_t m = std::min(kChunkSamples, n - i);
                for (std::size_t j = 0; j < m; ++j) {
                    const std::uint16_t w = record.words[i + j] & mask;
                    block[j * unit] = static_cast<std::uint8_t>(w);
                    if (unit == 2)
                        block[j * unit + 1] = static_cast<std::uint8_t>(w >> 8);
                }
                sr_datafeed_logic logic{};
                logic.length = m * unit;
                logic.unitsize = static_cast<uint16_t>(unit);
                logic.data = block.data();
                packets.Send(SR_DF_LOGIC, &logic);
            }
        });
    });
}

#else

Status WriteSr(const std::string &, const Record &)
{
    return Status::Unsupported;
}

Status WriteSr(const std::string &, const LogicRecord &)
{
    return Status::Unsupported;
}

#endif

} // namespace formats
