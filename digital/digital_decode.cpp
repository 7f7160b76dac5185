// The analyzer's decoders and the worker that decodes its captures.
#include "digital/digital_decode.h"
#include "digital/digital_decode_panel.h"

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

std::vector<DigitalDecoder> dDecoders;
std::vector<DigitalAnnotation> dAnnotations;
std::vector<std::string> dDecodeMessages;
std::vector<int> dDecodeFailedIds;
double dDecodedRate = 0.0;
void (*digitalDecodeDisplayHook)(void) = Digital_ShowDecode;

namespace
{

int nextId = 1;

// A decode job: the stages as they were when the capture completed, the
// decoder ids of the stages, and a copy of the capture.
struct Job {
    std::vector<decoders::Stage> stages;
    std::vector<int> ids;
    std::vector<uint8_t> raw;
    double rate = 0.0;
    unsigned long serial = 0;
};

struct Done {
    std::shared_ptr<Job> job;
    decoders::Result result;
};

// One worker thread, started on first need and joined at exit.  The newest
// job replaces a waiting one; a running job is abandoned (cancelled between
// chunks) when a newer one arrives.
class Worker
{
  public:
    ~Worker()
    {
        {
            std::lock_guard<std::mutex> hold(lock_);
            quit_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable())
            thread_.join();
    }
    void submit(std::shared_ptr<Job> job)
    {
        {
            std::lock_guard<std::mutex> hold(lock_);
            pending_ = std::move(job);
            latest_ = pending_->serial;
            if (!thread_.joinable())
                thread_ = std::thread([this] { run(); });
        }
        wake_.notify_all();
    }
    // The finished decode of the newest job, if there is one.
    bool take(Done *out)
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (!done_.job)
            return false;
        *out = std::move(done_);
        done_ = Done();
        return true;
    }
    bool busy()
    {
        std::lock_guard<std::mutex> hold(lock_);
        return pending_ || running_ || done_.job;
    }
    void wait()
    {
        std::unique_lock<std::mutex> hold(lock_);
        idle_.wait(hold, [this] { return !pending_ && !running_; });
    }
    void drop()
    {
        std::unique_lock<std::mutex> hold(lock_);
        pending_.reset();
        latest_ = 0; // a running job is cancelled at its next chunk
        idle_.wait(hold, [this] { return !running_; });
        done_ = Done();
    }

  private:
    static bool Cancelled(void *self)
    {
        auto *w = static_cast<Worker *>(self);
        std::lock_guard<std::mutex> hold(w->lock_);
        return w->quit_ || w->latest_ != w->runningSerial_;
    }
    void run()
    {
        std::unique_lock<std::mutex> hold(lock_);
        for (;;) {
            wake_.wait(hold, [this] { return quit_ || pending_; });
            if (quit_)
                return;
            std::shared_ptr<Job> job = std::move(pending_);
            running_ = true;
            runningSerial_ = job->serial;
            hold.unlock();
            decoders::Capture capture;
            capture.data = job->raw.data();
            capture.samples = job->raw.size() / 2;
            capture.unitSize = 2;
            capture.sampleRate = job->rate;
            decoders::Result result = decoders::Decode(job->stages, capture, Cancelled, this);
            hold.lock();
            running_ = false;
            if (!result.cancelled && job->serial == latest_) {
                done_.job = std::move(job);
                done_.result = std::move(result);
            }
            idle_.notify_all();
        }
    }

    std::mutex lock_;
    std::condition_variable wake_, idle_;
    std::thread thread_;
    std::shared_ptr<Job> pending_;
    Done done_;
    bool running_ = false, quit_ = false;
    unsigned long latest_ = 0, runningSerial_ = 0;
};

Worker &TheWorker()
{
    static Worker worker;
    return worker;
}

unsigned long serial = 0;
std::vector<uint8_t> decodedRaw; // the capture dAnnotations belong to
std::vector<uint8_t> lastRaw;    // the last capture handed to the worker
double lastRate = 0.0;

// The decoders as stages, parents by index.
void Stages(std::vector<decoders::Stage> *stages, std::vector<int> *ids)
{
    for (const auto &d : dDecoders) {
        decoders::Stage s;
        s.decoder = d.decoder;
        s.channels = d.channels;
        s.options = d.options;
        s.parent = -1;
        for (size_t i = 0; i < ids->size(); ++i)
            if ((*ids)[i] == d.parent)
                s.parent = static_cast<int>(i);
        stages->push_back(std::move(s));
        ids->push_back(d.id);
    }
}

std::string Check(const DigitalDecoder &d)
{
    const decoders::DecoderInfo *info = decoders::Find(d.decoder);
    if (!info)
        return decoders::Available() ? d.decoder + ": no such decoder is installed" : decoders::UnavailableReason();
    decoders::Stage s;
    s.decoder = d.decoder;
    s.channels = d.channels;
    s.options = d.options;
    s.parent = d.parent ? 0 : -1;
    if (d.parent) {
        const DigitalDecoder *below = Digital_FindDecoder(d.parent);
        const decoders::DecoderInfo *belowInfo = below ? decoders::Find(below->decoder) : nullptr;
        if (!belowInfo || below->id == d.id)
            return d.decoder + ": the decoder to stack on is gone";
        if (!decoders::CanStack(*belowInfo, *info))
            return d.decoder + " cannot read the output of " + below->decoder;
    }
    return decoders::CheckStage(*info, s, 16);
}

} // namespace

const DigitalDecoder *Digital_FindDecoder(int id)
{
    for (const auto &d : dDecoders)
        if (d.id == id)
            return &d;
    return nullptr;
}

std::string Digital_DecoderLabel(const DigitalDecoder &decoder)
{
    return decoder.decoder + " #" + std::to_string(decoder.id);
}

int Digital_AddDecoder(const DigitalDecoder &decoder, std::string *message)
{
    DigitalDecoder d = decoder;
    d.id = 0;
    const std::string why = Check(d);
    if (!why.empty()) {
        if (message)
            *message = why;
        return 0;
    }
    d.id = nextId++;
    dDecoders.push_back(d);
    return d.id;
}

int Digital_EditDecoder(const DigitalDecoder &decoder, std::string *message)
{
    auto it = std::find_if(dDecoders.begin(), dDecoders.end(),
                           [&](const DigitalDecoder &d) { return d.id == decoder.id; });
    if (it == dDecoders.end()) {
        if (message)
            *message = "that decoder has been removed";
        return 0;
    }
    // A decoder may only sit on one that comes before it in the list.
    if (decoder.parent) {
        auto below = std::find_if(dDecoders.begin(), it,
                                  [&](const DigitalDecoder &d) { return d.id == decoder.parent; });
        if (below == it) {
            if (message)
                *message = decoder.decoder + ": it can only be stacked on a decoder added before it";
            return 0;
        }
    }
    const std::string why = Check(decoder);
    if (!why.empty()) {
        if (message)
            *message = why;
        return 0;
    }
    it->channels = decoder.channels;
    it->options = decoder.options;
    it->parent = decoder.parent;
    return it->id;
}

int Digital_RemoveDecoder(int id)
{
    std::vector<int> gone{id};
    int removed = 0;
    for (size_t i = 0; i < dDecoders.size();) {
        const auto &d = dDecoders[i];
        if (std::find(gone.begin(), gone.end(), d.id) != gone.end() ||
            (d.parent && std::find(gone.begin(), gone.end(), d.parent) != gone.end())) {
            gone.push_back(d.id);
            dDecoders.erase(dDecoders.begin() + static_cast<long>(i));
            ++removed;
        } else
            ++i;
    }
    if (removed) {
        dAnnotations.erase(std::remove_if(dAnnotations.begin(), dAnnotations.end(),
                                          [&](const DigitalAnnotation &a) {
                                              return std::find(gone.begin(), gone.end(), a.decoderId) != gone.end();
                                          }),
                           dAnnotations.end());
    }
    return removed;
}

void Digital_DecodeStart(const uint8_t *raw, int samples, double rate)
{
    if (dDecoders.empty() || samples <= 0 || !raw)
        return;
    auto job = std::make_shared<Job>();
    Stages(&job->stages, &job->ids);
    job->raw.assign(raw, raw + static_cast<size_t>(samples) * 2);
    job->rate = rate;
    job->serial = ++serial;
    lastRaw = job->raw;
    lastRate = rate;
    TheWorker().submit(std::move(job));
}

int Digital_DecodeBusy(void)
{
    return TheWorker().busy() ? 1 : 0;
}

int Digital_DecodePoll(void)
{
    Done done;
    if (!TheWorker().take(&done))
        return 0;
    dAnnotations.clear();
    dDecodeMessages.clear();
    dDecodeFailedIds.clear();
    const auto &ids = done.job->ids;
    for (size_t s = 0; s < done.result.messages.size(); ++s)
        if (!done.result.messages[s].empty() && Digital_FindDecoder(ids[s])) {
            dDecodeMessages.push_back(done.result.messages[s]);
            dDecodeFailedIds.push_back(ids[s]);
        }
    dAnnotations.reserve(done.result.annotations.size());
    for (auto &a : done.result.annotations) {
        const int id = ids[static_cast<size_t>(a.stage)];
        if (!Digital_FindDecoder(id))
            continue; // removed while it was decoding
        DigitalAnnotation da;
        da.start = a.start;
        da.end = a.end;
        da.decoderId = id;
        da.cls = a.cls;
        da.row = a.row;
        da.texts = std::move(a.texts);
        dAnnotations.push_back(std::move(da));
    }
    decodedRaw = std::move(done.job->raw);
    dDecodedRate = done.job->rate;
    if (digitalDecodeDisplayHook)
        digitalDecodeDisplayHook();
    return 1;
}

int Digital_DecodeWait(void)
{
    TheWorker().wait();
    return Digital_DecodePoll();
}

void Digital_DecodeAgain(void)
{
    if (dDecoders.empty()) {
        dAnnotations.clear();
        dDecodeMessages.clear();
        dDecodeFailedIds.clear();
        if (digitalDecodeDisplayHook)
            digitalDecodeDisplayHook();
        return;
    }
    if (!lastRaw.empty()) {
        const std::vector<uint8_t> raw = lastRaw;
        Digital_DecodeStart(raw.data(), static_cast<int>(raw.size() / 2), lastRate);
    }
}

const std::vector<uint8_t> &Digital_DecodedCapture(void)
{
    return decodedRaw;
}

void Digital_DecodeReset(void)
{
    TheWorker().drop();
    dDecoders.clear();
    dAnnotations.clear();
    dDecodeMessages.clear();
    dDecodeFailedIds.clear();
    dDecodedRate = 0.0;
    decodedRaw.clear();
    lastRaw.clear();
    lastRate = 0.0;
    nextId = 1;
}
