// Real devices on a whole bench: the device rings and Rescan, selection and
// its capabilities, the capture tick on libsigrok's demo device and on a
// PulseAudio sine source, the voltmeter and the analyzer on a device, the
// fake device's faults, and the device kept across runs.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "devices/fake_device.h"
#include "devices/registry.h"
#include "devices/sound_device.h"
#include "meters/meters.h"
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
        devices::SetSoundFullScale(1.0);
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
    // Rescan as a click, then the scan's end as the event loop brings it.
    static void Rescan()
    {
        ChooseOnScope(kRescanDevices);
        EXPECT_EQ(RealDevice_WaitForScan(10000), 1) << "the scan did not end";
    }
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
    EXPECT_EQ(RealDevice_WaitForScan(10000), 1);
    EXPECT_EQ(device, 3);
    ASSERT_NE(RealDevice_Session(), nullptr);
    EXPECT_EQ(RealDevice_Session()->capabilities().name, "Fake 2");

    // A run where that device is not there any more.
    RealDevice_CloseAll();
    UseFakeDevices({devices::FakeBehaviour()});
    device = 3;
    RealDevice_RestoreAtStartup();
    EXPECT_EQ(RealDevice_WaitForScan(10000), 1);
    EXPECT_EQ(device, 1);
    EXPECT_EQ(RealDevice_Session(), nullptr);
    EXPECT_NE(Text(panelScope, SCOPE_DEVICE_INFO).find("Fake 2 is not present"), std::string::npos);
    EXPECT_EQ(Text(panelScope, SCOPE_STATUS), "Demo Card");
}

TEST_F(DeviceBenchTest, AScanRunsOffTheUserInterfaceThreadAndItsEndChoosesTheDeviceAgain)
{
    // A provider that finds its devices only when the test lets it: the
    // click must return while it is still looking.
    std::mutex mutex;
    std::condition_variable gate;
    bool open = true, looking = false;
    devices::Registry::instance().setProviders({[&](std::vector<devices::Entry> &entries) {
        std::unique_lock<std::mutex> lock(mutex);
        looking = true;
        gate.notify_all();
        gate.wait_for(lock, std::chrono::seconds(10), [&] { return open; });
        looking = false;
        for (const char *name : {"Fake 1", "Fake 2"}) {
            devices::Entry entry;
            entry.caps = devices::FakeDevice(devices::FakeBehaviour(), name).capabilities();
            entry.make = [name]() {
                return std::unique_ptr<devices::Device>(new devices::FakeDevice(devices::FakeBehaviour(), name));
            };
            entries.push_back(std::move(entry));
        }
    }});
    auto shut = [&] {
        std::lock_guard<std::mutex> lock(mutex);
        open = false;
    };
    auto release = [&] {
        std::lock_guard<std::mutex> lock(mutex);
        open = true;
        gate.notify_all();
    };
    Rescan();
    ChooseOnScope(3);
    ASSERT_NE(RealDevice_Session(), nullptr);

    shut();
    ChooseOnScope(kRescanDevices); // returns with the provider still looking
    {
        std::unique_lock<std::mutex> lock(mutex);
        ASSERT_TRUE(gate.wait_for(lock, std::chrono::seconds(10), [&] { return looking; }));
    }
    EXPECT_EQ(RealDevice_Scanning(), 1);
    EXPECT_EQ(RealDevice_Session(), nullptr) << "the device is closed for the scan";
    EXPECT_EQ(RingLabels(panelScope, SCOPE_DEVICE), (std::vector<std::string>{"Demo Card", "Rescan devices"}));
    EXPECT_NE(Text(panelScope, SCOPE_DEVICE_INFO).find("Scanning"), std::string::npos);
    ChooseOnScope(kRescanDevices); // a second rescan meanwhile changes nothing
    EXPECT_EQ(RealDevice_Scanning(), 1);

    // The end comes through the event loop: the rings fill and the device
    // in use before is chosen again.
    release();
    for (int i = 0; i < 2000 && RealDevice_Scanning(); ++i) {
        ProcessSystemEvents();
        if (RealDevice_Scanning())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(RealDevice_Scanning(), 0);
    EXPECT_EQ(RingLabels(panelScope, SCOPE_DEVICE),
              (std::vector<std::string>{"Demo Card", "Fake 1", "Fake 2", "Rescan devices"}));
    EXPECT_EQ(device, 3);
    ASSERT_NE(RealDevice_Session(), nullptr);
    EXPECT_EQ(RealDevice_Session()->capabilities().name, "Fake 2");

    // The Demo Card chosen while a scan runs stays chosen after it.
    shut();
    ChooseOnScope(kRescanDevices);
    ChooseOnScope(1);
    release();
    EXPECT_EQ(RealDevice_WaitForScan(10000), 1);
    EXPECT_EQ(device, 1);
    EXPECT_EQ(RealDevice_Session(), nullptr);
    EXPECT_EQ(RingLabels(panelScope, SCOPE_DEVICE).size(), 4u);
}

TEST_F(DeviceBenchTest, ARealDevicesRecordIsTriggeredBySourceSlopeAndLevel)
{
    // Every capture of the fake device starts at phase 0: 1 kHz at 1 MS/s,
    // 1000 samples a period, 1 V on CH1 and 2 V on CH2.
    UseFakeDevices({devices::FakeBehaviour()});
    Rescan();
    ChooseOnScope(2);
    const double pi = 3.14159265358979323846;
    auto fake = [pi](int channel, int sample) { return (channel + 1) * std::sin(2.0 * pi * sample / 1000.0); };
    auto trigger = [](int source, int slope, double level, int pre) {
        SetCtrlVal(panelScope, SCOPE_TRIGGER_SOURCE, source);
        SetCtrlVal(panelScope, SCOPE_TRIGGER_SLOPE, slope);
        SetCtrlVal(panelScope, SCOPE_TRIGGER_LEVEL, level);
        SetCtrlVal(panelScope, SCOPE_PRE_SAMPLES, pre);
        SetCtrlVal(panelAd_Scope, AD_SCOPE_MULTIPLE_RECORD, 0); // pre-samples need single records
        trigger_source = source;
        pre_iSample = pre;
    };

    // CH1 rising through 0.5 V with 100 pre-samples: the crossing at sample
    // 84 has too few samples before it, the next one (1084) is the trigger
    // point.  Both channels are cut at the same place.
    trigger(0, 1, 0.5, 100);
    ASSERT_TRUE(ShootRecord(4096, 1000000.0));
    for (int i = -100; i < 4096; i += 7) {
        ASSERT_NEAR(vBufferIn[0][i], fake(0, 1084 + i), 1e-9) << i;
        ASSERT_NEAR(vBufferIn[1][i], fake(1, 1084 + i), 1e-9) << i;
    }

    // CH2 falling through -0.5 V: 2 sin reaches it at sample 540.2.
    trigger(1, 0, -0.5, 0);
    ASSERT_TRUE(ShootRecord(4096, 1000000.0));
    EXPECT_NEAR(vBufferIn[1][0], fake(1, 541), 1e-9);
    EXPECT_NEAR(vBufferIn[0][10], fake(0, 551), 1e-9);

    // A level the signal never reaches: the run waits, the last triggered
    // record stays, and Stop ends the wait.
    trigger(0, 1, 1.5, 0);
    SetCtrlVal(panelScope, SCOPE_RECORD_LENGTH, 4096);
    OneShot();
    for (int i = 0; i < 40; ++i) {
        Tick();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_EQ(isScopeStartOn, 1);
    EXPECT_EQ(Text(panelScope, SCOPE_STATUS), "Waiting for trigger");
    Stop();
    EXPECT_EQ(isScopeStartOn, 0);

    // "NONE": the record runs free from the device's first sample on.
    trigger(kTriggerNone, 1, 1.5, 0);
    ASSERT_TRUE(ShootRecord(4096, 1000000.0));
    EXPECT_NEAR(vBufferIn[0][0], 0.0, 1e-12);
    EXPECT_NEAR(vBufferIn[0][250], 1.0, 1e-9);
}

TEST_F(DeviceBenchTest, ProbeCalibrationSetsTheSoundInputsVoltsAtFullScale)
{
    // A sound input whose first channel peaks at half its full scale.
    devices::FakeBehaviour sound;
    sound.driver = "sound";
    sound.amplitude = 0.5;
    UseFakeDevices({sound});
    Rescan();
    ChooseOnScope(2);
    ASSERT_EQ(device, 2);
    Probe_Calibration(Menu_Handle, MENUBAR_INSTRUMENTS_PROBE_CAL, nullptr, panelBench);
    int visible = 0;
    GetCtrlAttribute(panelCal, CAL_SET_FULL_SCALE, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 1);

    // No record yet: a message, the factor stays.
    CallCtrlCallback(panelCal, CAL_SET_FULL_SCALE, EVENT_COMMIT, 0, 0);
    EXPECT_EQ(Popups("No record of the known signal"), 1);
    EXPECT_EQ(devices::SoundFullScale(), 1.0);

    // The probe signal comes from the device.
    CallCtrlCallback(panelCal, CAL_START, EVENT_COMMIT, 0, 0);
    for (int i = 0; i < 2000 && calPlot == 0; ++i) {
        Probe_Cal_Capture();
        if (calPlot == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_NE(calPlot, 0) << "no record reached the calibration graph";
    EXPECT_NEAR(*std::max_element(vCalBufferIn, vCalBufferIn + iSamples), 0.5, 1e-9);

    // A known 2 V peak: 4 V at full scale, on the scope panel and its range.
    SetCtrlVal(panelCal, CAL_KNOWN_AMPLITUDE, 2.0);
    CallCtrlCallback(panelCal, CAL_SET_FULL_SCALE, EVENT_COMMIT, 0, 0);
    const double factor = devices::SoundFullScale();
    EXPECT_NEAR(factor, 4.0, 4.0e-3);
    EXPECT_EQ(Value(panelScope, SCOPE_DEVICE_FS), factor);
    const std::vector<std::string> range = RingLabels(panelRange, TAB_RANGE_CH1);
    ASSERT_EQ(range.size(), 1u);
    EXPECT_EQ(range[0].rfind("\u00B1 4.00", 0), 0u) << range[0];
    EXPECT_EQ(Text(panelCal, CAL_FULL_SCALE_INFO), "Volts at full scale: 4");
    // Pressed again on the same record: the same factor, not twice applied.
    CallCtrlCallback(panelCal, CAL_SET_FULL_SCALE, EVENT_COMMIT, 0, 0);
    EXPECT_DOUBLE_EQ(devices::SoundFullScale(), factor);
    CallCtrlCallback(panelCal, CAL_CLOSE, EVENT_COMMIT, 0, 0);
    EXPECT_EQ(RealDevice_Session()->poll(devices::kClientCalibration), devices::CaptureState::Idle);

    // On the Demo Card there is no factor to set.
    ChooseOnScope(1);
    CallCtrlCallback(panelCal, CAL_SET_FULL_SCALE, EVENT_COMMIT, 0, 0);
    EXPECT_EQ(Popups("Only a sound input"), 1);
    EXPECT_DOUBLE_EQ(devices::SoundFullScale(), factor);
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

    // Triggered on CH2 falling through 5 V: the first sample at or below it
    // is sample 9 of the demo's record (3.09 V).
    SetCtrlVal(panelScope, SCOPE_TRIGGER_SOURCE, 1);
    SetCtrlVal(panelScope, SCOPE_TRIGGER_SLOPE, 0);
    SetCtrlVal(panelScope, SCOPE_TRIGGER_LEVEL, 5.0);
    ASSERT_TRUE(ShootRecord(2048, 1000000.0));
    for (int i = 0; i < 40; ++i)
        ASSERT_NEAR(vBufferIn[1][i], 10.0 * std::sin(2.0 * M_PI * (i + 9) / 20.0), 1e-3) << i;
    SetCtrlVal(panelScope, SCOPE_TRIGGER_SOURCE, kTriggerNone);

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

    // The probe-calibration tool: the sine source called 1 V peak.
    Probe_Calibration(Menu_Handle, MENUBAR_INSTRUMENTS_PROBE_CAL, nullptr, panelBench);
    CallCtrlCallback(panelCal, CAL_START, EVENT_COMMIT, 0, 0);
    for (int i = 0; i < 2000 && calPlot == 0; ++i) {
        Probe_Cal_Capture();
        if (calPlot == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_NE(calPlot, 0);
    SetCtrlVal(panelCal, CAL_KNOWN_AMPLITUDE, 1.0);
    CallCtrlCallback(panelCal, CAL_SET_FULL_SCALE, EVENT_COMMIT, 0, 0);
    CallCtrlCallback(panelCal, CAL_CLOSE, EVENT_COMMIT, 0, 0);
    const double expected = 1.0 / (kPulseSineRms * std::sqrt(2.0));
    EXPECT_NEAR(devices::SoundFullScale(), expected, expected * 0.02);
}
#endif

} // namespace
