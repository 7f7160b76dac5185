// libsigrok devices through its C API.  Every libsigrok call of the process
// runs on one thread of its own (the library's context and its drivers'
// state are not safe to use from several threads), except sr_session_stop,
// which the library lets any thread call to end a running session.
#include <libsigrok/libsigrok.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <thread>
#include <type_traits>

#include "devices/registry.h"

namespace devices
{

namespace
{

// The thread that makes every libsigrok call.  A caller hands its work over
// and waits until it is done; work handed over from that thread itself
// runs at once.  Made on first use and never destroyed: devices still open
// when the process ends may close through it until the very end.
class SigrokThread
{
public:
    static SigrokThread &instance()
    {
        static SigrokThread *thread = new SigrokThread;
        return *thread;
    }

    void run(const std::function<void()> &work)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (worker_.joinable() && std::this_thread::get_id() == worker_.get_id()) {
            lock.unlock();
            work();
            return;
        }
        if (!worker_.joinable())
            worker_ = std::thread(&SigrokThread::loop, this);
        Job job{&work, false};
        queue_.push_back(&job);
        wake_.notify_all();
        done_.wait(lock, [&job] { return job.done; });
    }

private:
    struct Job {
        const std::function<void()> *work;
        bool done;
    };

    void loop()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return !queue_.empty(); });
            Job *job = queue_.front();
            queue_.pop_front();
            lock.unlock();
            (*job->work)();
            lock.lock();
            job->done = true;
            done_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_, done_;
    std::deque<Job *> queue_;
    std::thread worker_;
};

template <typename Work> auto OnSigrokThread(Work work) -> decltype(work())
{
    using Result = decltype(work());
    if constexpr (std::is_void<Result>::value) {
        SigrokThread::instance().run([&work] { work(); });
    } else {
        Result result{};
        SigrokThread::instance().run([&work, &result] { result = work(); });
        return result;
    }
}

// The library's context, made on first use and kept for the process.
sr_context *Context(std::string *error)
{
    static sr_context *context = nullptr;
    static bool tried = false;
    if (!tried) {
        tried = true;
        sr_log_loglevel_set(SR_LOG_ERR);
        if (sr_init(&context) != SR_OK)
            context = nullptr;
    }
    if (!context && error)
        *error = "libsigrok cannot be initialised";
    return context;
}

std::string Text(const char *text)
{
    return text ? std::string(text) : std::string();
}

void ReadRates(sr_dev_inst *sdi, Capabilities &caps)
{
    if (!(sr_dev_config_capabilities_list(sdi, nullptr, SR_CONF_SAMPLERATE) & SR_CONF_LIST))
        return;
    sr_dev_driver *driver = sr_dev_inst_driver_get(sdi);
    GVariant *list = nullptr;
    if (sr_config_list(driver, sdi, nullptr, SR_CONF_SAMPLERATE, &list) != SR_OK || !list)
        return;
    GVariant *rates = g_variant_lookup_value(list, "samplerates", G_VARIANT_TYPE("at"));
    GVariant *steps = g_variant_lookup_value(list, "samplerate-steps", G_VARIANT_TYPE("at"));
    gsize count = 0;
    if (rates) {
        const guint64 *values = static_cast<const guint64 *>(g_variant_get_fixed_array(rates, &count, sizeof(guint64)));
        for (gsize i = 0; i < count; ++i)
            caps.rates.push_back(static_cast<double>(values[i]));
        std::sort(caps.rates.begin(), caps.rates.end());
        if (!caps.rates.empty()) {
            caps.minRate = caps.rates.front();
            caps.maxRate = caps.rates.back();
        }
        g_variant_unref(rates);
    }
    if (steps) {
        const guint64 *values = static_cast<const guint64 *>(g_variant_get_fixed_array(steps, &count, sizeof(guint64)));
        if (count >= 2) {
            caps.minRate = static_cast<double>(values[0]);
            caps.maxRate = static_cast<double>(values[1]);
        }
        g_variant_unref(steps);
    }
    g_variant_unref(list);
}

// Input ranges from the volts per division the device offers and its number
// of divisions (full scale = half the screen).
void ReadRanges(sr_dev_inst *sdi, Capabilities &caps)
{
    if (!(sr_dev_config_capabilities_list(sdi, nullptr, SR_CONF_VDIV) & SR_CONF_LIST))
        return;
    sr_dev_driver *driver = sr_dev_inst_driver_get(sdi);
    GVariant *list = nullptr;
    if (sr_config_list(driver, sdi, nullptr, SR_CONF_VDIV, &list) != SR_OK || !list)
        return;
    double divisions = 8.0;
    GVariant *number = nullptr;
    if (sr_config_get(driver, sdi, nullptr, SR_CONF_NUM_VDIV, &number) == SR_OK && number) {
        if (g_variant_is_of_type(number, G_VARIANT_TYPE_INT32) && g_variant_get_int32(number) > 0)
            divisions = g_variant_get_int32(number);
        g_variant_unref(number);
    }
    GVariantIter iter;
    g_variant_iter_init(&iter, list);
    guint64 p = 0, q = 0;
    while (g_variant_iter_next(&iter, "(tt)", &p, &q)) {
        if (q == 0)
            continue;
        const double volts = static_cast<double>(p) / static_cast<double>(q) * divisions / 2.0;
        char label[64];
        if (volts < 1.0)
            std::snprintf(label, sizeof label, "\u00B1 %gmV", volts * 1000.0);
        else
            std::snprintf(label, sizeof label, "\u00B1 %gV", volts);
        caps.ranges.push_back({label, volts});
    }
    g_variant_unref(list);
}

bool CanSet(sr_dev_inst *sdi, uint32_t key)
{
    return (sr_dev_config_capabilities_list(sdi, nullptr, key) & SR_CONF_SET) != 0;
}

class SigrokDevice : public Device
{
public:
    SigrokDevice(sr_dev_inst *sdi, Capabilities caps) : sdi_(sdi), caps_(std::move(caps)) {}
    ~SigrokDevice() override { close(); }
    const Capabilities &capabilities() const override { return caps_; }

    bool open() override
    {
        return OnSigrokThread([this] { return openHere(); });
    }

    void close() override
    {
        OnSigrokThread([this] { closeHere(); });
    }

    bool capture(const CaptureConfig &config, CaptureRecord &record) override
    {
        return OnSigrokThread([&] { return captureHere(config, record); });
    }

protected:
    void interrupt() override
    {
        std::lock_guard<std::mutex> lock(sessionLock_);
        if (session_)
            sr_session_stop(session_);
    }

private:
    bool openHere()
    {
        if (open_)
            return true;
        if (sr_dev_open(sdi_) != SR_OK) {
            setError("libsigrok cannot open " + caps_.name +
                     " (is it plugged in, and may this user use it? See the README on udev permissions.)");
            return false;
        }
        open_ = true;
        return true;
    }

    void closeHere()
    {
        if (open_)
            sr_dev_close(sdi_);
        open_ = false;
    }

    bool captureHere(const CaptureConfig &config, CaptureRecord &record);

    struct Feed {
        SigrokDevice *self;
        CaptureRecord *record;
        std::vector<sr_channel *> analog; // channel of each config.analog entry
        std::vector<long long> seen;      // samples seen per analog entry
        long long logicSeen = 0;
        int wanted = 0; // kept samples per channel
        int stride = 1;
    };
    static void OnPacket(const sr_dev_inst *, const sr_datafeed_packet *packet, void *data);

    sr_dev_inst *sdi_;
    Capabilities caps_;
    bool open_ = false;
    std::mutex sessionLock_;
    sr_session *session_ = nullptr;
};

void SigrokDevice::OnPacket(const sr_dev_inst *, const sr_datafeed_packet *packet, void *data)
{
    Feed &feed = *static_cast<Feed *>(data);
    CaptureRecord &record = *feed.record;
    if (packet->type == SR_DF_ANALOG) {
        const auto *analog = static_cast<const sr_datafeed_analog *>(packet->payload);
        const int channels = static_cast<int>(g_slist_length(analog->meaning->channels));
        const long long samples = analog->num_samples;
        if (channels < 1 || samples < 1)
            return;
        std::vector<float> values(static_cast<size_t>(samples * channels));
        if (sr_analog_to_float(analog, values.data()) != SR_OK)
            return;
        int c = 0;
        for (GSList *l = analog->meaning->channels; l; l = l->next, ++c) {
            const auto *channel = static_cast<const sr_channel *>(l->data);
            for (size_t a = 0; a < feed.analog.size(); ++a) {
                if (feed.analog[a] != channel)
                    continue;
                std::vector<double> &out = record.volts[a];
                for (long long i = 0; i < samples; ++i, ++feed.seen[a]) {
                    if (feed.seen[a] % feed.stride == 0 && static_cast<int>(out.size()) < feed.wanted)
                        out.push_back(values[static_cast<size_t>(i * channels + c)]);
                }
            }
        }
    } else if (packet->type == SR_DF_LOGIC) {
        const auto *logic = static_cast<const sr_datafeed_logic *>(packet->payload);
        if (logic->unitsize < 1 || !record.config.logic)
            return;
        const auto *bytes = static_cast<const uint8_t *>(logic->data);
        const long long samples = static_cast<long long>(logic->length / logic->unitsize);
        for (long long i = 0; i < samples; ++i, ++feed.logicSeen) {
            if (feed.logicSeen % feed.stride != 0 || static_cast<int>(record.logic.size()) >= feed.wanted)
                continue;
            const uint8_t *unit = bytes + i * logic->unitsize;
            uint16_t word = unit[0];
            if (logic->unitsize >= 2)
                word = static_cast<uint16_t>(word | (unit[1] << 8));
            record.logic.push_back(word);
        }
    }
}

bool SigrokDevice::captureHere(const CaptureConfig &config, CaptureRecord &record)
{
    std::string error;
    sr_context *context = Context(&error);
    if (!context || !open_) {
        setError(context ? "the device is not open" : error);
        return false;
    }
    const int stride = config.stride >= 1 ? config.stride : 1;
    const double rate = NearestRate(caps_, config.rate);
    Feed feed{this, &record, {}, {}, 0, (config.samples + stride - 1) / stride, stride};
    record.rate = rate;
    record.volts.assign(config.analog.size(), std::vector<double>());
    for (auto &v : record.volts)
        v.reserve(static_cast<size_t>(feed.wanted));
    if (config.logic)
        record.logic.reserve(static_cast<size_t>(feed.wanted));
    feed.analog.assign(config.analog.size(), nullptr);
    feed.seen.assign(config.analog.size(), 0);

    // Enable the channels asked for, and only those.
    int analogIndex = 0;
    bool any = false;
    for (GSList *l = sr_dev_inst_channels_get(sdi_); l; l = l->next) {
        auto *channel = static_cast<sr_channel *>(l->data);
        bool wanted = false;
        if (channel->type == SR_CHANNEL_ANALOG) {
            for (size_t a = 0; a < config.analog.size(); ++a) {
                if (config.analog[a] == analogIndex) {
                    feed.analog[a] = channel;
                    wanted = true;
                }
            }
            ++analogIndex;
        } else if (channel->type == SR_CHANNEL_LOGIC) {
            wanted = config.logic;
        }
        sr_dev_channel_enable(channel, wanted ? TRUE : FALSE);
        any = any || wanted;
    }
    if (!any) {
        setError("no channel of " + caps_.name + " is enabled for this capture");
        return false;
    }

    if (sr_config_set(sdi_, nullptr, SR_CONF_SAMPLERATE, g_variant_new_uint64(static_cast<guint64>(rate))) !=
        SR_OK) {
        setError("libsigrok refuses the sampling rate of " + caps_.name);
        return false;
    }
    if (sr_config_set(sdi_, nullptr, SR_CONF_LIMIT_SAMPLES,
                      g_variant_new_uint64(static_cast<guint64>(config.samples))) != SR_OK) {
        setError("libsigrok refuses the record length of " + caps_.name);
        return false;
    }
    if (caps_.captureRatio && config.samples > 0) {
        const guint64 ratio = static_cast<guint64>(100.0 * config.preSamples / config.samples);
        sr_config_set(sdi_, nullptr, SR_CONF_CAPTURE_RATIO, g_variant_new_uint64(ratio));
    }

    sr_session *session = nullptr;
    if (sr_session_new(context, &session) != SR_OK) {
        setError("libsigrok cannot make a session");
        return false;
    }
    bool ok = sr_session_dev_add(session, sdi_) == SR_OK &&
              sr_session_datafeed_callback_add(session, &SigrokDevice::OnPacket, &feed) == SR_OK;
    if (ok && sr_session_start(session) != SR_OK) {
        ok = false;
    }
    if (ok) {
        {
            std::lock_guard<std::mutex> hold(sessionLock_);
            session_ = session;
        }
        if (cancelled())
            sr_session_stop(session);
        const int status = sr_session_run(session);
        {
            std::lock_guard<std::mutex> hold(sessionLock_);
            session_ = nullptr;
        }
        if (status != SR_OK) {
            ok = false;
            setError(std::string("the capture on ") + caps_.name + " failed: " + Text(sr_strerror(status)));
        }
    } else {
        setError("libsigrok cannot start a capture on " + caps_.name);
    }
    sr_session_dev_remove_all(session);
    sr_session_destroy(session);
    if (!ok)
        return false;
    if (cancelled()) {
        setError("the capture was cancelled");
        return false;
    }
    int delivered = feed.wanted;
    for (const auto &v : record.volts)
        delivered = std::min(delivered, static_cast<int>(v.size()));
    if (config.logic)
        delivered = std::min(delivered, static_cast<int>(record.logic.size()));
    record.samples = delivered;
    return true;
}

void ScanSigrokHere(std::vector<Entry> &entries)
{
    sr_context *context = Context(nullptr);
    if (!context)
        return;
    static std::set<sr_dev_driver *> initialised;
    sr_dev_driver **drivers = sr_driver_list(context);
    for (int d = 0; drivers && drivers[d]; ++d) {
        sr_dev_driver *driver = drivers[d];
        if (!initialised.count(driver)) {
            if (sr_driver_init(context, driver) != SR_OK)
                continue;
            initialised.insert(driver);
        }
        // The demo device is given the bench's shape: four scope channels
        // and sixteen analyzer lines.
        GSList *options = nullptr;
        sr_config logicCount{SR_CONF_NUM_LOGIC_CHANNELS, nullptr};
        sr_config analogCount{SR_CONF_NUM_ANALOG_CHANNELS, nullptr};
        if (std::strcmp(driver->name, "demo") == 0) {
            logicCount.data = g_variant_ref_sink(g_variant_new_int32(16));
            analogCount.data = g_variant_ref_sink(g_variant_new_int32(4));
            options = g_slist_append(options, &logicCount);
            options = g_slist_append(options, &analogCount);
        }
        sr_dev_clear(driver); // the devices of the last scan go
        GSList *found = sr_driver_scan(driver, options);
        g_slist_free(options);
        if (logicCount.data)
            g_variant_unref(logicCount.data);
        if (analogCount.data)
            g_variant_unref(analogCount.data);

        for (GSList *l = found; l; l = l->next) {
            auto *sdi = static_cast<sr_dev_inst *>(l->data);
            Capabilities caps;
            for (GSList *c = sr_dev_inst_channels_get(sdi); c; c = c->next) {
                const auto *channel = static_cast<const sr_channel *>(c->data);
                if (channel->type == SR_CHANNEL_ANALOG)
                    ++caps.analogChannels;
                else if (channel->type == SR_CHANNEL_LOGIC)
                    ++caps.logicChannels;
            }
            if (caps.analogChannels == 0 && caps.logicChannels == 0)
                continue;
            const std::string vendor = Text(sr_dev_inst_vendor_get(sdi));
            caps.model = Text(sr_dev_inst_model_get(sdi));
            caps.driver = Text(driver->name);
            caps.connection = Text(sr_dev_inst_connid_get(sdi));
            std::string name = vendor.empty() ? caps.model : vendor + " " + caps.model;
            name += " (" + (caps.connection.empty() ? caps.driver : caps.connection) + ")";
            caps.name = name;
            ReadRates(sdi, caps);
            ReadRanges(sdi, caps);
            caps.captureRatio = CanSet(sdi, SR_CONF_CAPTURE_RATIO);
            Entry entry;
            entry.caps = caps;
            entry.make = [sdi, caps]() { return std::unique_ptr<Device>(new SigrokDevice(sdi, caps)); };
            entries.push_back(std::move(entry));
        }
        g_slist_free(found);
    }
}

} // namespace

void ScanSigrok(std::vector<Entry> &entries)
{
    OnSigrokThread([&entries] { ScanSigrokHere(entries); });
}

} // namespace devices
