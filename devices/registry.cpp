#include "devices/registry.h"

namespace devices
{

Registry &Registry::instance()
{
    static Registry registry;
    return registry;
}

Registry::Registry()
{
    resetProviders();
}

void Registry::resetProviders()
{
    providers_.clear();
#if KORVAX_HAVE_SIGROK
    providers_.push_back({ScanSigrok, true, {}});
#endif
#if KORVAX_HAVE_AUDIO
    providers_.push_back({ScanSound, false, {}});
#endif
}

void Registry::setProviders(std::vector<Provider> providers)
{
    providers_.clear();
    for (Provider &provider : providers)
        providers_.push_back({std::move(provider), true, {}});
}

void Registry::clear()
{
    entries_.clear();
    scanned_ = false;
}

void Registry::scan()
{
    PendingScan pending = beginScan();
    collect(pending);
    finishScan(pending);
}

PendingScan Registry::beginScan()
{
    clear();
    PendingScan pending;
    pending.parts = providers_;
    return pending;
}

void Registry::collect(PendingScan &pending)
{
    for (PendingScan::Part &part : pending.parts) {
        if (part.anyThread && part.provider)
            part.provider(part.found);
    }
}

void Registry::finishScan(PendingScan &pending)
{
    entries_.clear();
    for (PendingScan::Part &part : pending.parts) {
        if (!part.anyThread && part.provider)
            part.provider(part.found);
        for (Entry &entry : part.found)
            entries_.push_back(std::move(entry));
        part.found.clear();
    }
    scanned_ = true;
}

const Entry *Registry::entry(int number) const
{
    const int index = number - kFirstDeviceNumber;
    if (index < 0 || index >= static_cast<int>(entries_.size()))
        return nullptr;
    return &entries_[static_cast<size_t>(index)];
}

int Registry::find(const std::string &driver, const std::string &connection, const std::string &model) const
{
    for (size_t i = 0; i < entries_.size(); ++i) {
        const Capabilities &caps = entries_[i].caps;
        if (caps.driver == driver && caps.connection == connection && caps.model == model)
            return static_cast<int>(i) + kFirstDeviceNumber;
    }
    return 0;
}

#if !KORVAX_HAVE_SIGROK
void ScanSigrok(std::vector<Entry> &)
{
}
#endif
#if !KORVAX_HAVE_AUDIO
void ScanSound(std::vector<Entry> &)
{
}
#endif

} // namespace devices
