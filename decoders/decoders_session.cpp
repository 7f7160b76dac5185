// Decoding a capture with libsigrokdecode: one session per tree of stacked
// decoders, the capture sent in chunks, annotations collected by callback.
#include "decoders/decoders.h"
#include "decoders/decoders_srd.h"

#include <libsigrokdecode/libsigrokdecode.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace decoders
{
namespace
{

// Samples per chunk handed to the runtime: small enough that a cancel is
// seen quickly, large enough that the per-chunk cost stays negligible.
constexpr uint64_t kChunk = 1u << 16;

struct TreeContext {
    std::vector<std::pair<const srd_decoder_inst *, int>> instances; // instance -> stage
    const std::vector<const DecoderInfo *> *infos = nullptr;
    std::vector<Annotation> *out = nullptr;
};

void OnAnnotation(srd_proto_data *pdata, void *cbData)
{
    auto *ctx = static_cast<TreeContext *>(cbData);
    if (!pdata || !pdata->pdo || !pdata->data)
        return;
    int stage = -1;
    for (const auto &[di, s] : ctx->instances)
        if (di == pdata->pdo->di)
            stage = s;
    if (stage < 0)
        return;
    const auto *ann = static_cast<const srd_proto_data_annotation *>(pdata->data);
    Annotation a;
    a.start = pdata->start_sample;
    a.end = std::max(pdata->end_sample, pdata->start_sample);
    a.stage = stage;
    a.cls = ann->ann_class;
    a.row = (*ctx->infos)[static_cast<size_t>(stage)]->rowOfClass(ann->ann_class);
    for (char **t = ann->ann_text; t && *t; ++t)
        a.texts.emplace_back(*t);
    ctx->out->push_back(std::move(a));
}

GVariant *OptionVariant(const OptionInfo &opt, const std::string &text)
{
    std::string canonical;
    if (!CanonicalValue(opt.kind, text, &canonical))
        return nullptr;
    switch (opt.kind) {
    case OptionInfo::Integer:
        return g_variant_new_int64(std::strtoll(canonical.c_str(), nullptr, 10));
    case OptionInfo::Real:
        return g_variant_new_double(std::strtod(canonical.c_str(), nullptr));
    default:
        return g_variant_new_string(canonical.c_str());
    }
}

// The decoder's exception for a user: the first line the runtime logged
// ("ZeroDivisionError: float division by zero"), without the instance
// name it puts in the middle.
std::string Reason(const std::string &logged, int rc)
{
    const size_t a = logged.find_first_not_of(" \t\n");
    if (a == std::string::npos)
        return std::string("the decoder stopped with an error (") + srd_strerror(rc) + ")";
    std::string line = logged.substr(a, logged.find('\n', a) - a);
    const std::string tag = "Protocol decoder instance ";
    const size_t t = line.find(tag);
    if (t != std::string::npos) {
        const size_t colon = line.find(": ", t + tag.size());
        if (colon != std::string::npos)
            line.erase(t, colon + 2 - t);
    }
    while (!line.empty() && (line.back() == ' ' || line.back() == ':'))
        line.pop_back();
    return line.empty() ? std::string(srd_strerror(rc)) : line;
}

// Runs one tree (the root and the stages stacked on it, in stage order).
// Returns "" or the message for the tree's root.
std::string RunTree(const std::vector<Stage> &stages, const std::vector<int> &tree,
                    const std::vector<const DecoderInfo *> &infos, const Capture &capture, CancelCheck cancel,
                    void *cancelContext, Result &result)
{
    srd_session *sess = nullptr;
    if (srd_session_new(&sess) != SRD_OK)
        return "cannot open a decoding session";
    TreeContext ctx;
    ctx.infos = &infos;
    ctx.out = &result.annotations;
    std::string message;
    std::vector<std::pair<int, srd_decoder_inst *>> made;
    for (int s : tree) {
        const Stage &st = stages[static_cast<size_t>(s)];
        const DecoderInfo &info = *infos[static_cast<size_t>(s)];
        if (!srd_decoder_get_by_id(info.id.c_str()))
            srd_decoder_load(info.id.c_str());
        GHashTable *opts = g_hash_table_new_full(g_str_hash, g_str_equal, g_free,
                                                 reinterpret_cast<GDestroyNotify>(g_variant_unref));
        for (const auto &[id, value] : st.options)
            for (const auto &opt : info.options)
                if (opt.id == id)
                    if (GVariant *v = OptionVariant(opt, value))
                        g_hash_table_insert(opts, g_strdup(id.c_str()), g_variant_ref_sink(v));
        srd_decoder_inst *di = srd_inst_new(sess, info.id.c_str(), opts);
        g_hash_table_destroy(opts);
        if (!di) {
            message = Reason(detail::TakeCollected(), SRD_ERR_ARG);
            result.messages[static_cast<size_t>(s)] = info.id + ": " + message;
            break;
        }
        if (st.parent < 0) {
            GHashTable *chans = g_hash_table_new_full(g_str_hash, g_str_equal, g_free,
                                                      reinterpret_cast<GDestroyNotify>(g_variant_unref));
            for (const auto &[id, line] : st.channels)
                if (line >= 0)
                    g_hash_table_insert(chans, g_strdup(id.c_str()), g_variant_ref_sink(g_variant_new_int32(line)));
            const int rc = srd_inst_channel_set_all(di, chans);
            g_hash_table_unref(chans);
            if (rc != SRD_OK) {
                result.messages[static_cast<size_t>(s)] = info.id + ": " + Reason(detail::TakeCollected(), rc);
                break;
            }
        } else {
            srd_decoder_inst *below = nullptr;
            for (const auto &[ms, mdi] : made)
                if (ms == st.parent)
                    below = mdi;
            if (!below || srd_inst_stack(sess, below, di) != SRD_OK) {
                result.messages[static_cast<size_t>(s)] = info.id + ": cannot be stacked on " +
                                                          stages[static_cast<size_t>(st.parent)].decoder;
                break;
            }
        }
        made.emplace_back(s, di);
        ctx.instances.emplace_back(di, s);
    }
    const bool complete = made.size() == tree.size();
    int failed = SRD_OK;
    if (complete) {
        // The rate reaches the instances that exist when it is set.
        int rc = srd_session_metadata_set(
            sess, SRD_CONF_SAMPLERATE, g_variant_new_uint64(static_cast<uint64_t>(std::llround(capture.sampleRate))));
        srd_pd_output_callback_add(sess, SRD_OUTPUT_ANN, OnAnnotation, &ctx);
        if (rc == SRD_OK)
            rc = srd_session_start(sess);
        const int unit = capture.unitSize;
        for (uint64_t at = 0; rc == SRD_OK && at < capture.samples; at += kChunk) {
            if (cancel && cancel(cancelContext)) {
                result.cancelled = true;
                break;
            }
            const uint64_t n = std::min(kChunk, capture.samples - at);
            rc = srd_session_send(sess, at, at + n, capture.data + at * static_cast<uint64_t>(unit),
                                  n * static_cast<uint64_t>(unit), static_cast<uint64_t>(unit));
        }
        failed = rc;
    }
    // Instance names, for finding the stage the runtime blames.
    std::vector<std::pair<int, std::string>> names;
    for (const auto &[ms, mdi] : made)
        names.emplace_back(ms, mdi->inst_id ? mdi->inst_id : "");
    srd_session_terminate_reset(sess);
    srd_session_destroy(sess);
    if (failed != SRD_OK) {
        // The decoder's threads may log their exception as they end: read
        // the log once the session is gone.  Blame the stage the runtime
        // names, else the root.
        const std::string logged = detail::TakeCollected();
        int blamed = tree.front();
        for (const auto &[ms, name] : names)
            if (!name.empty() && logged.find(name + ":") != std::string::npos)
                blamed = ms;
        result.messages[static_cast<size_t>(blamed)] =
            stages[static_cast<size_t>(blamed)].decoder + ": " + Reason(logged, failed);
    }
    return message;
}

} // namespace

Result Decode(const std::vector<Stage> &stages, const Capture &capture, CancelCheck cancel, void *cancelContext)
{
    Result result;
    result.messages.assign(stages.size(), std::string());
    // Descriptions first: List() takes the runtime lock itself.
    std::vector<const DecoderInfo *> infos(stages.size(), nullptr);
    for (size_t s = 0; s < stages.size(); ++s)
        infos[s] = Find(stages[s].decoder);

    std::lock_guard<std::mutex> hold(detail::RuntimeLock());
    std::string why;
    if (!detail::EnsureStarted(&why)) {
        for (auto &m : result.messages)
            m = why;
        return result;
    }
    const int lines = capture.unitSize * 8;
    // Check every stage; a stage whose parent failed does not run either.
    std::vector<bool> runs(stages.size(), false);
    for (size_t s = 0; s < stages.size(); ++s) {
        const Stage &st = stages[s];
        if (!infos[s]) {
            result.messages[s] = st.decoder + ": no such decoder is installed";
            continue;
        }
        if (st.parent >= static_cast<int>(s)) {
            result.messages[s] = st.decoder + ": stacked on a decoder that comes after it";
            continue;
        }
        if (st.parent >= 0) {
            const size_t p = static_cast<size_t>(st.parent);
            if (!runs[p]) {
                result.messages[s] = st.decoder + ": not run, because " + stages[p].decoder + " below it failed";
                continue;
            }
            if (!CanStack(*infos[p], *infos[s])) {
                result.messages[s] = st.decoder + ": cannot read the output of " + stages[p].decoder;
                continue;
            }
        }
        result.messages[s] = CheckStage(*infos[s], st, lines);
        runs[s] = result.messages[s].empty();
    }
    if (capture.samples == 0 || !capture.data || !(capture.sampleRate > 0.0))
        return result;

    for (size_t root = 0; root < stages.size(); ++root) {
        if (!runs[root] || stages[root].parent >= 0)
            continue;
        std::vector<int> tree{static_cast<int>(root)};
        std::vector<bool> inTree(stages.size(), false);
        inTree[root] = true;
        for (size_t s = root + 1; s < stages.size(); ++s)
            if (runs[s] && stages[s].parent >= 0 && inTree[static_cast<size_t>(stages[s].parent)]) {
                inTree[s] = true;
                tree.push_back(static_cast<int>(s));
            }
        detail::BeginCollecting();
        RunTree(stages, tree, infos, capture, cancel, cancelContext, result);
        if (result.cancelled)
            break;
    }
    std::stable_sort(result.annotations.begin(), result.annotations.end(),
                     [](const Annotation &a, const Annotation &b) {
                         return a.stage != b.stage ? a.stage < b.stage : a.start < b.start;
                     });
    return result;
}

} // namespace decoders
