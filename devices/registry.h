// The devices the bench can use, found by a scan: every libsigrok device
// with analog or logic channels, and every sound input.  The Demo Card is
// not among them; in the device rings it is number 1 and the entries found
// here follow as numbers 2, 3, ... in scan order.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "devices/device.h"

namespace devices
{

inline constexpr int kDemoCardNumber = 1;
inline constexpr int kFirstDeviceNumber = 2;

struct Entry {
    Capabilities caps;
    std::function<std::unique_ptr<Device>()> make; // a new, closed device
};

// Appends the devices of one kind to the list.
using Provider = std::function<void(std::vector<Entry> &)>;

// Providers of the libraries built in (libsigrok, then the sound inputs).
void ScanSigrok(std::vector<Entry> &entries);
void ScanSound(std::vector<Entry> &entries);

// A scan in three steps, for a caller that keeps its own thread free while
// the devices are looked for: begin and finish on the thread that owns the
// registry (the user-interface thread), collect on any thread in between.
// The sound inputs are listed in finish: Qt Multimedia's device list
// belongs to the application's thread.
struct PendingScan {
    struct Part {
        Provider provider;
        bool anyThread = true;
        std::vector<Entry> found;
    };
    std::vector<Part> parts;
};

class Registry
{
public:
    static Registry &instance();

    // Scans again: every provider in order.  Devices made from the earlier
    // entries must all be destroyed first (a scan may free what they use).
    void scan();
    // The same in steps.  begin forgets the entries (the devices made from
    // them must be gone already); collect runs the providers that may run
    // on any thread; finish runs the others and makes the found devices the
    // entries, in the providers' order.
    PendingScan beginScan();
    static void collect(PendingScan &pending);
    void finishScan(PendingScan &pending);

    bool scanned() const { return scanned_; }
    const std::vector<Entry> &entries() const { return entries_; }
    // Entry of a device number (2, 3, ...), or null.
    const Entry *entry(int number) const;
    // Number of the entry with that identity, or 0.
    int find(const std::string &driver, const std::string &connection, const std::string &model) const;

    // The providers a scan runs; tests put their own (a fake device) in
    // place, run on any thread.  Defaults: libsigrok (any thread), then the
    // sound inputs (the registry's thread), each when built.
    void setProviders(std::vector<Provider> providers);
    void resetProviders();
    // Forgets the entries (no scan yet).
    void clear();

private:
    Registry();
    std::vector<PendingScan::Part> providers_;
    std::vector<Entry> entries_;
    bool scanned_ = false;
};

} // namespace devices
