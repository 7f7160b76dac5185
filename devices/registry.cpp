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
    providers_.push_back(ScanSigrok);
#endif
#if KORVAX_HAVE_AUDIO
    providers_.push_back(ScanSound);
#endif
}

void Registry::setProviders(std::vector<Provider> providers)
{
    providers_ = std::move(providers);
}

void Registry::clear()
{
    entries_.clear();
    scanned_ = false;
}

void Registry::scan()
{
    entries_.clear();
    for (const Provider &provider : providers_)
        provider(entries_);
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
