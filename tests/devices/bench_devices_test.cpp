// Real devices on a whole bench: the device rings and Rescan, selection and
// its capabilities, the capture tick on libsigrok's demo device and on a
// PulseAudio sine source, the voltmeter and the analyzer on a device, the
// fake device's faults, and the device kept across runs.
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "devices/fake_device.h"
#include "devices/registry.h"
#include "scope/scope_realdevice.h"
#include "support/bench_fixture.h"
#include "support/device_support.h"

namespace
{

class DeviceBenchTest : public BenchTest
{
protected:
    void TearDown() override
    {
        RealDevice_CloseAll();
        devices::Registry::instance().resetProviders();
        devices::Registry::instance().clear();
        BenchTest::TearDown();
    }

    // Chooses the ring entry of value number on the scope panel, as a click.
    static void ChooseOnScope(int number)
    {
        SetCtrlVal(panelScope, SCOPE_DEVICE, number);
        CallCtrlCallback(panelScope, SCOPE_DEVICE, EVENT_COMMIT, 0, 0);
    }
    static void Rescan() { ChooseOnScope(kRescanDevices); }
    static void OneShot() { GoStopCallback(panelScope, 0, EVENT_COMMIT, reinterpret_cast<void *>(1), 0, 0); }
    static void Continuous() { GoStopCallback(panelScope, 0, EVENT_COMMIT, reinterpret_cast<void *>(2), 0, 0); }
    static void Stop() { GoStopCallback(panelScope, 0, EVENT_COMMIT, reinterpret_cast<void *>(3), 0, 0); }
    static void Tick() { CaptureTimer(panelBench, BENCH_CAPTURE_TIMER, EVENT_TIMER_TICK, nullptr, 0, 0); }
    // Ticks until the scope's run ends (bounded: 10 s).
    static bool TickUntilRunEnds()
    {
        for (int i = 0; i < 2000 && isScopeStartOn; ++i) {
            Tick();
            if (isScopeStartOn)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return !isScopeStartOn;
    }
    static std::string Text(int panel, int control)
    {
        char text[1024] = "";
        GetCtrlVal(panel, control, text);
        return text;
    }
    static double Value(int panel, int control)
    {
        double v = 0.0;
        GetCtrlVal(panel, control, &v);
        return v;
    }
    static int Popups(const std::string &text)
    {
        int n = 0;
        for (const std::string &shown : testseam::Shown())
            n += shown.find(text) != std::string::npos ? 1 : 0;
        return n;
    }
    static std::vector<std::string> RingLabels(int panel, int control)
    {
        int count = 0;
        GetNumListItems(panel, control, &count);
        std::vector<std::string> labels;
        for (int i = 0; i < count; ++i) {
            char label[300] = "";
            GetLabelFromIndex(panel, control, i, label);
            labels.push_back(label);
        }
        return labels;
    }
    static void UseFakeDevices(std::vector<devices::FakeBehaviour> behaviours)
    {
        devices::Registry::instance().setProviders({[behaviours](std::vector<devices::Entry> &entries) {
            for (size_t i = 0; i < behaviours.size(); ++i) {
                devices::FakeBehaviour b = behaviours[i];
                const std::string name = "Fake " + std::to_string(i + 1);
                devices::Entry entry;
                entry.caps = devices::FakeDevice(b, name).capabilities();
                entry.make = [b, name]() { return std::unique_ptr<devices::Device>(new devices::FakeDevice(b, name)); };
                entries.push_back(std::move(entry));
            }
        }});
    }
    // One shot of n samples at rate on the selected device; true when taken.
    static bool ShootRecord(int samples, double rate)
    {
        SetCtrlVal(panelScope, SCOPE_RECORD_LENGTH, samples);
        SetCtrlVal(panelScope, SCOPE_SAMPLING_RATE, rate);
        OneShot();
        return TickUntilRunEnds();
    }
};

TEST_F(DeviceBenchTest, RingsListTheDemoCardFirstThenTheDevicesAndRescan)
{
    UseFakeDevices({devices::FakeBehaviour(), devices::FakeBehaviour()});
    EXPECT_EQ(RingLabels(panelScope, SCOPE_DEVICE), (std::vector<std::string>{"Demo Card", "Rescan devices"}));
    Rescan();
    const std::vector<std::string> expected{"Demo Card", "Fake 1", "Fake 2", "Rescan devices"};
    EXPECT_EQ(RingLabels(panelScope, SCOPE_DEVICE), expected);
    EXPECT_EQ(RingLabels(panelGene, GENE_DEVICE), expected);
    EXPECT_EQ(RingLabels(panelDig, DIG_DEVICE), expected);
    EXPECT_EQ(device, 1) << "a rescan keeps the Demo Card";
    int value = 0;
    GetCtrlVal(panelScope, SCOPE_DEVICE, &value);
    EXPECT_EQ(value, 1);

    // Chosen on the analyzer's ring: every ring follows.
    SetCtrlVal(panelDig, DIG_DEVICE, 3);
    CallCtrlCallback(panelDig, DIG_DEVICE, EVENT_COMMIT, 0, 0);
    EXPECT_EQ(device, 3);
    GetCtrlVal(panelGene, GENE_DEVICE, &value);
    EXPECT_EQ(value, 3);
    // A rescan finds it again under its number.
    Rescan();
    EXPECT_EQ(device, 3);
    ASSERT_NE(RealDevice_Session(), nullptr);
    EXPECT_EQ(RealDevice_Session()->capabilities().name, "Fake 2");
}

TEST_F(DeviceBenchTest, SelectingADeviceAppliesItsCapabilitiesAndTheDemoCardComesBack)
{
    devices::FakeBehaviour two;
    two.analogChannels = 2;
    UseFakeDevices({two});
    Rescan();
    ChooseOnScope(2);
    ASSERT_EQ(device, 2);
    EXPECT_EQ(numChanIn, 2);
    EXPECT_EQ(Ain[2], 0);
    int visible = 1;
    GetCtrlAttribute(panelAin, TAB_AIN_CH3, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 0);
    EXPECT_EQ(RingLabels(panelScope, SCOPE_TRIGGER_SOURCE), (std::vector<std::string>{"CH1", "CH2", "EXT", "NONE"}));
    EXPECT_EQ(RingLabels(panelVoltmeter, VOLTMETER_CHANNEL), (std::vector<std::string>{"CH1", "CH2"}));
    EXPECT_EQ(RingLabels(panelRange, TAB_RANGE_CH1), (std::vector<std::string>{"\u00B1 1V", "\u00B1 10V"}));
    double maxRate = 0.0;
    GetCtrlAttribute(panelScope, SCOPE_SAMPLING_RATE, ATTR_MAX_VALUE, &maxRate);
    EXPECT_EQ(maxRate, 10000000.0) << "the device's limit, below the bench's";
    GetCtrlAttribute(panelGene, GENE_DEVICE_NOTE, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 1);
    EXPECT_NE(Text(panelGene, GENE_DEVICE_NOTE).find("no longer feeds the scope"), std::string::npos);
    EXPECT_EQ(Text(panelAbout, ABOUT_DEVICE), "Fake 1");

    ChooseOnScope(1);
    EXPECT_EQ(device, 1);
    EXPECT_EQ(RealDevice_Session(), nullptr);
    EXPECT_EQ(numChanIn, 4);
    GetCtrlAttribute(panelAin, TAB_AIN_CH3, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 1);
    GetCtrlAttribute(panelGene, GENE_DEVICE_NOTE, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 0);
    EXPECT_EQ(RingLabels(panelRange, TAB_RANGE_CH1).size(), 6u);
    EXPECT_EQ(Text(panelAbout, ABOUT_DEVICE), "Demo Card");
}

TEST_F(DeviceBenchTest, TickWithoutARecordWaitsAndStopEndsTheCapture)
{
    devices::FakeBehaviour held;
    held.hold = true;
    UseFakeDevices({held});
    Rescan();
    ChooseOnScope(2);
    SetCtrlVal(panelScope, SCOPE_RECORD_LENGTH, 4096);
    OneShot();
    for (int i = 0; i < 5; ++i)
        Tick();
    EXPECT_EQ(isScopeStartOn, 1) << "the run waits for the record";
    EXPECT_EQ(Text(panelScope, SCOPE_STATUS), "Waiting for trigger");
    EXPECT_EQ(RealDevice_Session()->poll(devices::kClientScope), devices::CaptureState::Running);
    Stop();
    EXPECT_EQ(RealDevice_Session()->poll(devices::kClientScope), devices::CaptureState::Idle);
    // Closing the device with its capture held returns at once.
    ChooseOnScope(1);
    EXPECT_EQ(RealDevice_Session(), nullptr);
}

TEST_F(DeviceBenchTest, FaultsGiveAMessageStopTheRunAndLeaveTheDemoCardUsable)
{
    devices::FakeBehaviour refuses, breaks, shortRecord;
    refuses.failOpen = true;
    breaks.failAfter = 1;
    shortRecord.shortBy = 100;
    UseFakeDevices({refuses, breaks, shortRecord});
    Rescan();

    ChooseOnScope(2);
    EXPECT_EQ(Popups("cannot be opened"), 1);
    EXPECT_EQ(device, 1) << "back on the Demo Card";
    EXPECT_EQ(RealDevice_Session(), nullptr);

    // A continuous run: a first record, then a failure in the middle of the
    // next capture; the first record stays in the buffer.
    ChooseOnScope(3);
    ASSERT_EQ(device, 3);
    SetCtrlVal(panelScope, SCOPE_RECORD_LENGTH, 4096);
    SetCtrlVal(panelScope, SCOPE_SAMPLING_RATE, 1000000.0);
    Continuous();
    EXPECT_TRUE(TickUntilRunEnds());
    EXPECT_EQ(Popups("stopped answering"), 1);
    EXPECT_NEAR(vBufferIn[1][250], 2.0, 1e-9) << "CH2 of the fake device, 2 V a quarter period in, is kept";

    ChooseOnScope(4);
    EXPECT_TRUE(ShootRecord(4096, 1000000.0));
    EXPECT_EQ(Popups("delivered 3996 of the 4096 samples"), 1);

    // The Demo Card still works.
    ChooseOnScope(1);
    oChan[0].type = 5; // DC
    oChan[0].amplitude = 0.5;
    oChan[0].offset = 0.0;
    oChan[0].noise = 0;
    ASSERT_TRUE(ShootRecord(4096, 1000000.0));
    EXPECT_NEAR(vBufferIn[0][100], 0.5, 0.011);
}

TEST_F(DeviceBenchTest, TheDeviceLastUsedIsChosenAgainAtStartUpOrTheDemoCardSaysWhy)
{
    UseFakeDevices({devices::FakeBehaviour(), devices::FakeBehaviour()});
    Rescan();
    ChooseOnScope(3);
    ASSERT_EQ(device, 3);
    const std::string config = std::string(std::getenv("XDG_CONFIG_HOME")) + "/korvax/" + kDeviceFileName;
    {
        std::ifstream in(config);
        ASSERT_TRUE(in.good()) << config;
    }
    // A new run: the setup file said device 3; the scan finds it.
    RealDevice_CloseAll();
    devices::Registry::instance().clear();
    device = 3;
    RealDevice_RestoreAtStartup();
    EXPECT_EQ(device, 3);
    ASSERT_NE(RealDevice_Session(), nullptr);
    EXPECT_EQ(RealDevice_Session()->capabilities().name, "Fake 2");

    // A run where that device is not there any more.
    RealDevice_CloseAll();
    UseFakeDevices({devices::FakeBehaviour()});
    device = 3;
    RealDevice_RestoreAtStartup();
    EXPECT_EQ(device, 1);
    EXPECT_EQ(RealDevice_Session(), nullptr);
    EXPECT_NE(Text(panelScope, SCOPE_DEVICE_INFO).find("Fake 2 is not present"), std::string::npos);
    EXPECT_EQ(Text(panelScope, SCOPE_STATUS), "Demo Card");
}

#if KORVAX_HAVE_SIGROK
TEST_F(DeviceBenchTest, SigrokDemoDeviceOnTheScopeVoltmeterAndAnalyzer)
{
    devices::Registry::instance().setProviders({devices::ScanSigrok});
    Rescan();
    const int number = DemoDeviceNumber();
    ASSERT_GE(number, 2) << "libsigrok's demo driver is not listed";
    ChooseOnScope(number);
    ASSERT_EQ(device, number);
    EXPECT_EQ(numChanIn, 4);

    // CH2 is the demo's sine: 10 V, 20 samples a period, from 0 V rising.
    SetCtrlVal(panelScope, SCOPE_PARAMETER_CHANNEL, 1);
    ASSERT_TRUE(ShootRecord(2048, 1000000.0));
    EXPECT_EQ(iClockRate, 1000000.0);
    for (int i = 0; i < 40; ++i)
        ASSERT_NEAR(vBufferIn[1][i], 10.0 * std::sin(2.0 * M_PI * i / 20.0), 1e-3) << i;
    EXPECT_NEAR(Value(panelScope, SCOPE_PARAM_RMS), 10000.0 / std::sqrt(2.0), 5.0);
    EXPECT_NEAR(Value(panelScope, SCOPE_PARAM_PKPK), 20000.0, 1.0);

    // The spectrum peaks at rate / 20 = 50 kHz.
    SetCtrlVal(panelScope, SCOPE_FFT_SWITCH, 1);
    CallCtrlCallback(panelScope, SCOPE_FFT_SWITCH, EVENT_COMMIT, 0, 0);
    ASSERT_TRUE(ShootRecord(2048, 1000000.0));
    EXPECT_NEAR(Value(panelScope, SCOPE_FFT_PEAK_FREQ), 50.0, 0.5);
    SetCtrlVal(panelScope, SCOPE_FFT_SWITCH, 0);
    CallCtrlCallback(panelScope, SCOPE_FFT_SWITCH, EVENT_COMMIT, 0, 0);

    // The voltmeter reads CH2's RMS from the device.
    SetCtrlVal(panelVoltmeter, VOLTMETER_CHANNEL, 1);
    SetCtrlVal(panelVoltmeter, VOLTMETER_MEASURE, static_cast<int>(kMeasureACRMS));
    CallCtrlCallback(panelVoltmeter, VOLTMETER_RUN, EVENT_COMMIT, 0, 0);
    double reading = 0.0;
    for (int i = 0; i < 2000 && reading == 0.0; ++i) {
        CallCtrlCallback(panelVoltmeter, VOLTMETER_TIMER, EVENT_TIMER_TICK, 0, 0);
        reading = Value(panelVoltmeter, VOLTMETER_READING);
        if (reading == 0.0)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_NEAR(reading, 10.0 / std::sqrt(2.0), 0.01);
    CallCtrlCallback(panelVoltmeter, VOLTMETER_CLOSE, EVENT_COMMIT, 0, 0);

    // The analyzer's lines are the demo's 16 logic channels, as sigrok-cli
    // records them with the same settings.
    SetCtrlVal(panelDig, DIG_SAMPLES, 1000);
    SetCtrlVal(panelDig, DIG_RATE, 1000000.0);
    SetCtrlVal(panelDig, DIG_RUN, 1);
    CallCtrlCallback(panelDig, DIG_RUN, EVENT_VAL_CHANGED, 0, 0);
    ASSERT_EQ(isDigitalON, 1);
    const double before = ticks_digital;
    testseam::AdvanceClockMs(1);
    for (int i = 0; i < 2000 && ticks_digital == before; ++i) {
        Tick();
        if (ticks_digital == before)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_NE(ticks_digital, before) << "no capture reached the analyzer";
    SetCtrlVal(panelDig, DIG_RUN, 0);
    CallCtrlCallback(panelDig, DIG_RUN, EVENT_VAL_CHANGED, 0, 0);
    std::vector<uint8_t> expected;
    const std::string missing = SigrokCliLogic(1000, 1000000.0, expected);
    if (!missing.empty()) {
        std::printf("[ SKIPPED ] logic lines not compared: %s\n", missing.c_str());
        return;
    }
    ASSERT_EQ(expected.size(), 2000u);
    int differences = 0;
    for (size_t i = 0; i < expected.size(); ++i)
        differences += dBufferIn[i] != expected[i] ? 1 : 0;
    EXPECT_EQ(differences, 0);
}
#endif

#if KORVAX_HAVE_AUDIO
TEST_F(DeviceBenchTest, PulseAudioSineSourceOnTheScope)
{
    const std::string missing = PulseAudioMissing();
    if (!missing.empty())
        GTEST_SKIP() << missing;
    devices::Registry::instance().setProviders({devices::ScanSound});
    Rescan();
    const int number = SoundDeviceNumber("ine");
    ASSERT_GE(number, 2) << "the PulseAudio sine source is not listed";
    ChooseOnScope(number);
    ASSERT_EQ(device, number);
    EXPECT_LE(numChanIn, 2);
    int visible = 0;
    GetCtrlAttribute(panelScope, SCOPE_DEVICE_FS, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 1);

    SetCtrlVal(panelScope, SCOPE_PARAMETER_CHANNEL, 0);
    ASSERT_TRUE(ShootRecord(8192, 48000.0));
    EXPECT_EQ(Popups("Error"), 0);
    const double rms = Value(panelScope, SCOPE_PARAM_RMS);
    EXPECT_NEAR(rms, kPulseSineRms * 1000.0, kPulseSineRms * 1000.0 * 0.02);

    // Twice the factor, twice the volts.
    SetCtrlVal(panelScope, SCOPE_DEVICE_FS, 2.0);
    CallCtrlCallback(panelScope, SCOPE_DEVICE_FS, EVENT_COMMIT, 0, 0);
    ASSERT_TRUE(ShootRecord(8192, 48000.0));
    EXPECT_NEAR(Value(panelScope, SCOPE_PARAM_RMS), 2.0 * rms, 2.0 * rms * 0.02);
    SetCtrlVal(panelScope, SCOPE_DEVICE_FS, 1.0);
    CallCtrlCallback(panelScope, SCOPE_DEVICE_FS, EVENT_COMMIT, 0, 0);

    SetCtrlVal(panelScope, SCOPE_FFT_SWITCH, 1);
    CallCtrlCallback(panelScope, SCOPE_FFT_SWITCH, EVENT_COMMIT, 0, 0);
    ASSERT_TRUE(ShootRecord(8192, 48000.0));
    EXPECT_NEAR(Value(panelScope, SCOPE_FFT_PEAK_FREQ), 1.0, 0.05);
}
#endif

} // namespace
