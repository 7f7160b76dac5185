// The decoder runtime (libsigrokdecode and its embedded Python): started once
// per process on first use with the system's decoders folder, shut down at
// exit, and the catalogue of installed decoders.
#include "decoders/decoders.h"
#include "decoders/decoders_srd.h"

#include <libsigrokdecode/libsigrokdecode.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace decoders
{
namespace detail
{
namespace
{

enum class State { NotStarted, Running, Failed, ShutDown };
State state = State::NotStarted;
std::string failure;

std::mutex sinkLock;
std::string sink;

int LogToSink(void *, int level, const char *format, va_list args)
{
    if (level > SRD_LOG_ERR)
        return SRD_OK;
    char buf[2048];
    std::vsnprintf(buf, sizeof buf, format, args);
    std::lock_guard<std::mutex> hold(sinkLock);
    if (sink.size() < 16384)
        sink += std::string(buf) + "\n";
    return SRD_OK;
}

void Shutdown()
{
    std::lock_guard<std::mutex> hold(RuntimeLock());
    if (state == State::Running)
        srd_exit();
    state = State::ShutDown;
}

} // namespace

std::mutex &RuntimeLock()
{
    static std::mutex lock;
    return lock;
}

bool EnsureStarted(std::string *why)
{
    if (state == State::NotStarted) {
        // Errors go to the decode's messages, not to the terminal.
        srd_log_callback_set(LogToSink, nullptr);
        srd_log_loglevel_set(SRD_LOG_ERR);
        const int rc = srd_init(nullptr); // the system's decoders folder
        if (rc == SRD_OK) {
            state = State::Running;
            std::atexit(Shutdown);
        } else {
            state = State::Failed;
            failure = std::string("the protocol decoders cannot start: ") + srd_strerror(rc);
        }
    }
    if (state == State::Running)
        return true;
    if (why)
        *why = state == State::ShutDown ? "the protocol decoders have been shut down" : failure;
    return false;
}

void BeginCollecting()
{
    std::lock_guard<std::mutex> hold(sinkLock);
    sink.clear();
}

std::string TakeCollected()
{
    std::lock_guard<std::mutex> hold(sinkLock);
    std::string out;
    out.swap(sink);
    return out;
}

} // namespace detail

namespace
{

std::vector<std::string> Strings(const GSList *list)
{
    std::vector<std::string> out;
    for (const GSList *l = list; l; l = l->next)
        out.emplace_back(static_cast<const char *>(l->data));
    return out;
}

std::vector<ChannelInfo> Channels(const GSList *list)
{
    std::vector<ChannelInfo> out;
    for (const GSList *l = list; l; l = l->next) {
        const auto *ch = static_cast<const srd_channel *>(l->data);
        out.push_back({ch->id ? ch->id : "", ch->name ? ch->name : "", ch->desc ? ch->desc : ""});
    }
    return out;
}

std::string VariantText(GVariant *v, OptionInfo::Kind *kind)
{
    char buf[64];
    if (g_variant_is_of_type(v, G_VARIANT_TYPE_INT64)) {
        *kind = OptionInfo::Integer;
        return std::to_string(static_cast<long long>(g_variant_get_int64(v)));
    }
    if (g_variant_is_of_type(v, G_VARIANT_TYPE_DOUBLE)) {
        *kind = OptionInfo::Real;
        std::snprintf(buf, sizeof buf, "%.15g", g_variant_get_double(v));
        return buf;
    }
    *kind = OptionInfo::Text;
    if (g_variant_is_of_type(v, G_VARIANT_TYPE_STRING))
        return g_variant_get_string(v, nullptr);
    gchar *printed = g_variant_print(v, FALSE);
    std::string out = printed ? printed : "";
    g_free(printed);
    return out;
}

DecoderInfo Describe(const srd_decoder *d)
{
    DecoderInfo info;
    info.id = d->id ? d->id : "";
    info.name = d->name ? d->name : info.id;
    info.longname = d->longname ? d->longname : info.name;
    info.desc = d->desc ? d->desc : "";
    info.inputs = Strings(d->inputs);
    info.outputs = Strings(d->outputs);
    info.channels = Channels(d->channels);
    info.optionalChannels = Channels(d->opt_channels);
    for (const GSList *l = d->options; l; l = l->next) {
        const auto *o = static_cast<const srd_decoder_option *>(l->data);
        OptionInfo opt;
        opt.id = o->id ? o->id : "";
        opt.desc = o->desc ? o->desc : opt.id;
        if (o->def)
            opt.defaultValue = VariantText(o->def, &opt.kind);
        for (const GSList *v = o->values; v; v = v->next) {
            OptionInfo::Kind ignored;
            opt.values.push_back(VariantText(static_cast<GVariant *>(v->data), &ignored));
        }
        info.options.push_back(std::move(opt));
    }
    // Each annotation class is a pair of strings: name and description.
    for (const GSList *l = d->annotations; l; l = l->next) {
        char **pair = static_cast<char **>(l->data);
        info.classes.emplace_back(pair && pair[1] ? pair[1] : (pair && pair[0] ? pair[0] : ""));
    }
    for (const GSList *l = d->annotation_rows; l; l = l->next) {
        const auto *r = static_cast<const srd_decoder_annotation_row *>(l->data);
        AnnotationRowInfo row;
        row.id = r->id ? r->id : "";
        row.desc = r->desc ? r->desc : row.id;
        for (const GSList *c = r->ann_classes; c; c = c->next)
            row.classes.push_back(GPOINTER_TO_INT(c->data));
        info.rows.push_back(std::move(row));
    }
    return info;
}

std::vector<DecoderInfo> &Catalogue()
{
    static std::vector<DecoderInfo> list;
    return list;
}

} // namespace

bool Available()
{
    std::lock_guard<std::mutex> hold(detail::RuntimeLock());
    return detail::EnsureStarted(nullptr);
}

std::string UnavailableReason()
{
    std::lock_guard<std::mutex> hold(detail::RuntimeLock());
    std::string why;
    return detail::EnsureStarted(&why) ? std::string() : why;
}

const std::vector<DecoderInfo> &List()
{
    std::lock_guard<std::mutex> hold(detail::RuntimeLock());
    static bool loaded = false;
    if (!loaded && detail::EnsureStarted(nullptr)) {
        loaded = true;
        // A decoder that fails to load is left out; the others are listed.
        srd_decoder_load_all();
        detail::TakeCollected();
        auto &list = Catalogue();
        for (const GSList *l = srd_decoder_list(); l; l = l->next)
            list.push_back(Describe(static_cast<const srd_decoder *>(l->data)));
        std::sort(list.begin(), list.end(),
                  [](const DecoderInfo &a, const DecoderInfo &b) { return a.id < b.id; });
    }
    return Catalogue();
}

const DecoderInfo *Find(const std::string &id)
{
    for (const auto &d : List())
        if (d.id == id)
            return &d;
    return nullptr;
}

} // namespace decoders
