// Measures how many records a device delivers per second through the
// bench's device session:  korvax-device-rate <name part> [samples] [rate] [seconds]
// for example  korvax-device-rate demo 8192 1000000  or  korvax-device-rate Sound 8192 48000
#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "devices/device_session.h"
#include "devices/registry.h"

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <device name part> [samples=8192] [rate=1000000] [seconds=3]\n", argv[0]);
        return 2;
    }
    const std::string part = argv[1];
    const int samples = argc > 2 ? std::atoi(argv[2]) : 8192;
    const double rate = argc > 3 ? std::atof(argv[3]) : 1000000.0;
    const double seconds = argc > 4 ? std::atof(argv[4]) : 3.0;

    devices::Registry &registry = devices::Registry::instance();
    registry.scan();
    const devices::Entry *chosen = nullptr;
    for (const devices::Entry &entry : registry.entries()) {
        std::printf("found: %s\n", entry.caps.name.c_str());
        if (!chosen && entry.caps.name.find(part) != std::string::npos)
            chosen = &entry;
    }
    if (!chosen) {
        std::fprintf(stderr, "no device whose name contains \"%s\"\n", part.c_str());
        return 1;
    }
    devices::DeviceSession session(chosen->make());
    if (!session.open()) {
        std::fprintf(stderr, "%s\n", session.error().c_str());
        return 1;
    }
    devices::CaptureConfig config;
    config.rate = rate;
    config.samples = samples;
    for (int c = 0; c < chosen->caps.analogChannels && c < 2; ++c)
        config.analog.push_back(c);
    config.logic = config.analog.empty();

    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    int records = 0;
    double ran = 0.0;
    session.start(devices::kClientScope, config);
    while (std::chrono::duration<double>(Clock::now() - start).count() < seconds) {
        const devices::CaptureState state = session.poll(devices::kClientScope);
        if (state == devices::CaptureState::Failed) {
            std::fprintf(stderr, "capture failed: %s\n", session.error(devices::kClientScope).c_str());
            return 1;
        }
        devices::CaptureRecord record;
        if (state == devices::CaptureState::Done && session.take(devices::kClientScope, record)) {
            ++records;
            ran = record.rate;
            session.start(devices::kClientScope, config);
        } else {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("%s: %d records of %d samples at %.0f S/s in %.2f s = %.1f records/s\n", chosen->caps.name.c_str(),
                records, samples, ran, elapsed, records / elapsed);
    return 0;
}
