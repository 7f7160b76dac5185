// The device layer on its own: the session's worker, the fake device's
// faults, the libsigrok demo device and a PulseAudio sine source, without
// the bench's panels.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "devices/device_session.h"
#include "devices/fake_device.h"
#include "devices/registry.h"
#include "devices/sound_device.h"
#include "support/device_support.h"

using namespace devices;

namespace
{

CaptureConfig Config(double rate, int samples, std::vector<int> analog, bool logic = false)
{
    CaptureConfig config;
    config.rate = rate;
    config.samples = samples;
    config.analog = std::move(analog);
    config.logic = logic;
    return config;
}

} // namespace

TEST(DeviceSession, CapturesOffTheCallerAndHandsTheRecordOnce)
{
    FakeBehaviour behaviour;
    behaviour.frequency = 1000.0;
    DeviceSession session(std::make_unique<FakeDevice>(behaviour));
    ASSERT_TRUE(session.open());
    session.start(kClientScope, Config(100000.0, 1000, {0, 1}));
    ASSERT_EQ(WaitForCapture(session, kClientScope), CaptureState::Done);
    CaptureRecord record;
    ASSERT_TRUE(session.take(kClientScope, record));
    EXPECT_FALSE(session.take(kClientScope, record)) << "a record is handed out once";
    EXPECT_EQ(session.poll(kClientScope), CaptureState::Idle);
    ASSERT_EQ(record.volts.size(), 2u);
    EXPECT_EQ(record.samples, 1000);
    EXPECT_NEAR(record.volts[1][25], 2.0, 1e-9) << "channel 1 at twice the amplitude, a quarter period in";
}

TEST(DeviceSession, HeldCaptureIsCancelledAndTheNextOneRuns)
{
    FakeBehaviour behaviour;
    behaviour.hold = true;
    auto owned = std::make_unique<FakeDevice>(behaviour);
    FakeDevice *fake = owned.get();
    DeviceSession session(std::move(owned));
    ASSERT_TRUE(session.open());
    session.start(kClientScope, Config(10000.0, 100, {0}));
    EXPECT_EQ(session.poll(kClientScope), CaptureState::Running);
    session.cancel(kClientScope);
    EXPECT_EQ(session.poll(kClientScope), CaptureState::Idle);
    // A second client is served while the first waits for its trigger.
    session.start(kClientVoltmeter, Config(10000.0, 100, {0}));
    fake->release();
    EXPECT_EQ(WaitForCapture(session, kClientVoltmeter), CaptureState::Done);
    // Destroying a session with a capture held ends it.
    session.start(kClientScope, Config(10000.0, 100, {0}));
}

TEST(DeviceSession, FaultsComeBackAsMessages)
{
    FakeBehaviour refuses;
    refuses.failOpen = true;
    DeviceSession closed(std::make_unique<FakeDevice>(refuses));
    EXPECT_FALSE(closed.open());
    EXPECT_NE(closed.error().find("refuses to open"), std::string::npos);
    closed.start(kClientScope, Config(10000.0, 100, {0}));
    EXPECT_EQ(closed.poll(kClientScope), CaptureState::Failed);

    FakeBehaviour breaks;
    breaks.failAfter = 1;
    DeviceSession session(std::make_unique<FakeDevice>(breaks));
    ASSERT_TRUE(session.open());
    session.start(kClientScope, Config(10000.0, 100, {0}));
    EXPECT_EQ(WaitForCapture(session, kClientScope), CaptureState::Done);
    session.start(kClientScope, Config(10000.0, 100, {0}));
    EXPECT_EQ(WaitForCapture(session, kClientScope), CaptureState::Failed);
    EXPECT_NE(session.error(kClientScope).find("stopped answering"), std::string::npos);
}

TEST(DeviceRates, NearestRateKeepsToTheListOrTheRange)
{
    Capabilities listed;
    listed.rates = {44100.0, 48000.0, 96000.0};
    EXPECT_EQ(NearestRate(listed, 1e7), 96000.0);
    EXPECT_EQ(NearestRate(listed, 47000.0), 48000.0);
    Capabilities range;
    range.minRate = 1000.0;
    range.maxRate = 1e6;
    EXPECT_EQ(NearestRate(range, 2e6), 1e6);
    EXPECT_EQ(NearestRate(range, 10.0), 1000.0);
    EXPECT_EQ(NearestRate(range, 5000.0), 5000.0);
}

#if KORVAX_HAVE_SIGROK
TEST(SigrokDemo, AnalogSineAndLogicWordsThroughTheDeviceLayer)
{
    Registry &registry = Registry::instance();
    registry.resetProviders();
    registry.setProviders({ScanSigrok});
    registry.scan();
    const int number = DemoDeviceNumber();
    ASSERT_GE(number, kFirstDeviceNumber) << "libsigrok's demo driver is not listed";
    const Entry *entry = registry.entry(number);
    EXPECT_EQ(entry->caps.analogChannels, 4);
    EXPECT_EQ(entry->caps.logicChannels, 16);
    EXPECT_NE(entry->caps.name.find("(demo)"), std::string::npos) << entry->caps.name;

    {
        DeviceSession session(entry->make());
        ASSERT_TRUE(session.open()) << session.error();
        CaptureConfig config = Config(1e6, 2000, {1}, true);
        session.start(kClientScope, config);
        ASSERT_EQ(WaitForCapture(session, kClientScope), CaptureState::Done) << session.error(kClientScope);
        CaptureRecord record;
        ASSERT_TRUE(session.take(kClientScope, record));
        EXPECT_EQ(record.samples, 2000);
        ASSERT_EQ(record.volts[0].size(), 2000u);
        // A1 is the sine: 10 V amplitude, 20 samples a period, from 0 V rising.
        for (int i = 0; i < 40; ++i)
            EXPECT_NEAR(record.volts[0][i], 10.0 * std::sin(2.0 * M_PI * i / 20.0), 1e-3) << i;
        ASSERT_EQ(record.logic.size(), 2000u);
    }
    registry.resetProviders();
    registry.clear();
}
#endif
