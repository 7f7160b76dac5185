// Selecting a real device: the device rings, the scan, opening the device
// and applying its capabilities to the panels as Select_Device applies the
// Demo Card's, and the identity of the last real device kept across runs.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "devices/registry.h"
#include "devices/sound_device.h"
#include "scope/scope.h"
#include "scope/scope_realdevice.h"

namespace
{

std::unique_ptr<devices::DeviceSession> session;
int openNumber = 0;       // device number the session belongs to
bool realLayout = false;  // the panels show a real device's layout

// A scan runs on a thread of its own; its end is handed back to the event
// loop (ScanEnded), which fills the rings and chooses the device.
struct Identity {
    std::string driver, connection, model, name;
};
struct Scan {
    devices::PendingScan pending;
    std::thread thread;
    std::atomic<bool> collected{false};
    bool startup = false;    // the scan of the start-up: the device last used is looked for
    bool reselect = false;   // the device in use before is chosen again when found
    Identity wanted;         // that device
};
std::unique_ptr<Scan> scan;

const int kLeds[4] = {TAB_AIN_LED1, TAB_AIN_LED2, TAB_AIN_LED3, TAB_AIN_LED4};
const int kInfos[4] = {TAB_AIN_INFO1, TAB_AIN_INFO2, TAB_AIN_INFO3, TAB_AIN_INFO4};

void DeviceInfo(const std::string &text)
{
    SetCtrlVal(panelScope, SCOPE_DEVICE_INFO, text.c_str());
}

std::string IdentityPath(void)
{
    char windowsDir[1100] = "", systemDir[1100] = "";
    if (GetWindowsDirs(windowsDir, systemDir) != 0 || windowsDir[0] == '\0')
        return std::string();
    return std::string(windowsDir) + "/" + kDeviceFileName;
}

void WriteIdentity(const devices::Capabilities &caps)
{
    const std::string path = IdentityPath();
    if (path.empty())
        return;
    // Written whole beside the file, then put in its place.
    const std::string temporary = path + ".new";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << "[DEVICE]\ndriver=" << caps.driver << "\nconnection=" << caps.connection << "\nmodel=" << caps.model
            << "\nname=" << caps.name << "\n";
        if (!out.flush())
            return;
    }
    std::rename(temporary.c_str(), path.c_str());
}

bool ReadIdentity(Identity &identity)
{
    const std::string path = IdentityPath();
    std::ifstream in(path);
    if (path.empty() || !in)
        return false;
    std::string line;
    int count = 0;
    while (count < 64 && std::getline(in, line)) {
        ++count;
        const size_t equal = line.find('=');
        if (equal == std::string::npos)
            continue;
        const std::string key = line.substr(0, equal), value = line.substr(equal + 1);
        if (key == "driver")
            identity.driver = value;
        else if (key == "connection")
            identity.connection = value;
        else if (key == "model")
            identity.model = value;
        else if (key == "name")
            identity.name = value;
    }
    return !identity.driver.empty();
}

void FillRing(int panel, int control)
{
    if (panel <= 0)
        return;
    ClearListCtrl(panel, control);
    InsertListItem(panel, control, -1, "Demo Card", devices::kDemoCardNumber);
    const auto &entries = devices::Registry::instance().entries();
    for (size_t i = 0; i < entries.size(); ++i)
        InsertListItem(panel, control, -1, entries[i].caps.name.c_str(),
                       static_cast<int>(i) + devices::kFirstDeviceNumber);
    InsertListItem(panel, control, -1, "Rescan devices", kRescanDevices);
}

void SelectInRing(int panel, int control)
{
    int index = -1;
    if (panel > 0 && GetIndexFromValue(panel, control, &index, static_cast<int>(device)) == 0 && index >= 0)
        SetCtrlIndex(panel, control, index);
    else if (panel > 0)
        SetCtrlIndex(panel, control, 0);
}

void SyncRings(void)
{
    SelectInRing(panelScope, SCOPE_DEVICE);
    SelectInRing(panelGene, GENE_DEVICE);
    SelectInRing(panelDig, DIG_DEVICE);
}

void ShowChannelControls(int k, int visible)
{
    SetCtrlAttribute(panelAin, kEnableBoxes[k], ATTR_VISIBLE, visible);
    SetCtrlAttribute(panelAin, kLeds[k], ATTR_VISIBLE, visible);
    SetCtrlAttribute(panelAin, kInfos[k], ATTR_VISIBLE, visible);
    SetCtrlAttribute(panelCoupling, kCouplingRings[k], ATTR_VISIBLE, visible);
    SetCtrlAttribute(panelMode, kModeRings[k], ATTR_VISIBLE, visible);
    SetCtrlAttribute(panelRange, kRangeRings[k], ATTR_VISIBLE, visible);
}

// Enables the first count channels (the others off) and rebuilds the slots
// and channel lists from them, as a click on the enable boxes does.
void EnableChannels(int count)
{
    for (int k = 0; k < 4; ++k) {
        SetCtrlVal(panelAin, kEnableBoxes[k], k < count ? 1 : 0);
        Ain[k] = k < count ? 1 : 0;
    }
    Select_Channel(panelAin, kEnableBoxes[0], EVENT_VAL_CHANGED, nullptr, 0, 0);
}

void FillVoltmeterChannels(int count)
{
    static const char *const names[4] = {"CH1", "CH2", "CH3", "CH4"};
    ClearListCtrl(panelVoltmeter, VOLTMETER_CHANNEL);
    for (int k = 0; k < count && k < 4; ++k)
        InsertListItem(panelVoltmeter, VOLTMETER_CHANNEL, -1, names[k], k);
    SetCtrlIndex(panelVoltmeter, VOLTMETER_CHANNEL, 0);
}

void SetRateBox(int panel, int control, const devices::Capabilities &caps, double maximum)
{
    double high = caps.maxRate > 0.0 && caps.maxRate < maximum ? caps.maxRate : maximum;
    double low = caps.minRate > kMinClockRate ? caps.minRate : kMinClockRate;
    if (low > high)
        low = high;
    double current = 0.0;
    GetCtrlVal(panel, control, &current);
    SetCtrlAttribute(panel, control, ATTR_MAX_VALUE, high);
    SetCtrlAttribute(panel, control, ATTR_MIN_VALUE, low);
    double preferred = devices::NearestRate(caps, 1000000.0);
    preferred = preferred > high ? high : (preferred < low ? low : preferred);
    SetCtrlAttribute(panel, control, ATTR_DFLT_VALUE, preferred);
    double rate = devices::NearestRate(caps, current);
    rate = rate > high ? high : (rate < low ? low : rate);
    SetCtrlVal(panel, control, rate);
}

// The Demo Card's layout back after a real device: every channel shown
// and enabled (the Demo Card's selection applies the rest).
void RestoreDemoLayout(void)
{
    for (int k = 0; k < 4; ++k)
        ShowChannelControls(k, 1);
    SetCtrlAttribute(panelAd_Scope, AD_SCOPE_AUX_BNC, ATTR_VISIBLE, 1);
    SetCtrlAttribute(panelScope, SCOPE_DEVICE_FS, ATTR_VISIBLE, 0);
    SetCtrlAttribute(panelGene, GENE_DEVICE_NOTE, ATTR_VISIBLE, 0);
    EnableChannels(4);
}

void ApplyCapabilities(const devices::Capabilities &caps)
{
    const int channels = caps.analogChannels < 4 ? caps.analogChannels : 4;
    const int scopeUsable = channels > 0 ? 0 : 1;
    Toolbar_DimItem(Toolbar, kToolbarOneShot, scopeUsable);
    Toolbar_DimItem(Toolbar, kToolbarContinuous, scopeUsable);
    Toolbar_DimItem(Toolbar, kToolbarZoomIn, 0);
    Toolbar_DimItem(Toolbar, kToolbarZoomOut, 0);

    SetPanelAttribute(panelBench, ATTR_TITLE, "Korvax Demo 2.0");
    SetCtrlVal(panelAbout, ABOUT_DEVICE, caps.name.c_str());
    SetCtrlVal(panelAbout, ABOUT_SERIAL, (caps.connection.empty() ? caps.driver : caps.connection).c_str());

    // Pre-trigger samples only where the device takes a capture ratio.
    SetCtrlAttribute(panelScope, SCOPE_PRE_SAMPLES, ATTR_VISIBLE, caps.captureRatio ? 1 : 0);
    if (!caps.captureRatio) {
        pre_iSample = 0;
        SetCtrlVal(panelScope, SCOPE_PRE_SAMPLES, 0);
    }

    // The bench sets neither the input mode nor the coupling of a real
    // device: only the range sheet is offered.
    TabSheet_SetTabAttribute(panelScope, tabCtrl, panelMode, ATTR_SHEET_VISIBLE, 0);
    TabSheet_SetTabAttribute(panelScope, tabCtrl, panelCoupling, ATTR_SHEET_VISIBLE, 0);

    std::vector<devices::InputRange> ranges = caps.ranges;
    if (ranges.empty())
        for (const ScopeInputRange &range : kInputRanges)
            ranges.push_back({range.label, range.volts});
    for (int k = 0; k < 4; ++k) {
        ShowChannelControls(k, k < channels ? 1 : 0);
        ClearListCtrl(panelRange, kRangeRings[k]);
        for (const devices::InputRange &range : ranges)
            InsertListItem(panelRange, kRangeRings[k], -1, range.label.c_str(), range.volts);
        // The widest range: a record saved as 16-bit codes is not clipped.
        SetCtrlIndex(panelRange, kRangeRings[k], static_cast<int>(ranges.size()) - 1);
    }
    SetCtrlAttribute(panelAd_Scope, AD_SCOPE_AUX_BNC, ATTR_VISIBLE, 0);
    EnableChannels(channels);
    FillVoltmeterChannels(channels > 0 ? channels : 1);

    SetRateBox(panelScope, SCOPE_SAMPLING_RATE, caps, kMaxClockRate / (numChanIn >= 1 ? numChanIn : 1));
    GetCtrlVal(panelScope, SCOPE_SAMPLING_RATE, &iClockRate);
    if (caps.logicChannels > 0)
        SetRateBox(panelDig, DIG_RATE, caps, kMaxClockRate);

    const bool sound = caps.driver == "sound";
    SetCtrlAttribute(panelScope, SCOPE_DEVICE_FS, ATTR_VISIBLE, sound ? 1 : 0);
    if (sound)
        SetCtrlVal(panelScope, SCOPE_DEVICE_FS, devices::SoundFullScale());

    const std::string note = "With " + caps.name +
                             " selected the generator drives only the simulated input, which no longer feeds the scope.";
    SetCtrlVal(panelGene, GENE_DEVICE_NOTE, note.c_str());
    SetCtrlAttribute(panelGene, GENE_DEVICE_NOTE, ATTR_VISIBLE, 1);

    char info[512];
    std::snprintf(info, sizeof info, "%s: %d analog, %d logic channels", caps.name.c_str(), caps.analogChannels,
                  caps.logicChannels);
    DeviceInfo(info);
    realLayout = true;
}

// Opens device number; on failure the user is told and 0 is returned.
bool OpenDevice(int number)
{
    if (session && openNumber == number)
        return true;
    session.reset();
    openNumber = 0;
    const devices::Entry *entry = devices::Registry::instance().entry(number);
    if (!entry)
        return false;
    SetMouseCursor(VAL_HOUR_GLASS_CURSOR);
    auto opened = std::make_unique<devices::DeviceSession>(entry->make());
    const bool ok = opened->open();
    SetMouseCursor(VAL_DEFAULT_CURSOR);
    if (!ok) {
        const std::string message =
            entry->caps.name + " cannot be opened: " + opened->error() + "\nThe Demo Card is used.";
        MessagePopup("Error message", message.c_str());
        return false;
    }
    session = std::move(opened);
    openNumber = number;
    WriteIdentity(entry->caps);
    return true;
}

// Ends the session of the device in use (any capture of it first).
void CloseSession(void)
{
    session.reset();
    openNumber = 0;
}

void ScanEnded(void *);

// Starts a scan on its own thread: the rings hold the Demo Card and the
// rescan entry meanwhile, the mouse shows that the bench is busy.
void StartScan(bool startup, bool reselect, const Identity &wanted)
{
    scan = std::make_unique<Scan>();
    scan->startup = startup;
    scan->reselect = reselect;
    scan->wanted = wanted;
    scan->pending = devices::Registry::instance().beginScan();
    RealDevice_FillRings();
    SetMouseCursor(VAL_HOUR_GLASS_CURSOR);
    DeviceInfo(startup && !wanted.name.empty() ? "Looking for " + wanted.name + "..." : "Scanning for devices...");
    Scan *job = scan.get();
    try {
        job->thread = std::thread([job] {
            devices::Registry::collect(job->pending);
            job->collected = true;
            PostDeferredCall(ScanEnded, nullptr);
        });
    } catch (...) {
        // No thread to be had: the scan runs here.
        devices::Registry::collect(job->pending);
        job->collected = true;
        PostDeferredCall(ScanEnded, nullptr);
    }
}

// The scan has collected its devices: they become the registry's entries
// and fill the rings.  Returns the finished scan.
std::unique_ptr<Scan> FinishScan(void)
{
    std::unique_ptr<Scan> done = std::move(scan);
    if (done->thread.joinable())
        done->thread.join();
    devices::Registry::instance().finishScan(done->pending);
    SetMouseCursor(VAL_DEFAULT_CURSOR);
    DeviceInfo("");
    RealDevice_FillRings();
    return done;
}

// End of a scan, in the event loop: the device the scan looks for is
// chosen when it is there; when it is not, the Demo Card stays and the
// device information says so.
void ScanEnded(void *)
{
    if (!scan || !scan->collected)
        return; // finished already, or a later scan still running
    const std::unique_ptr<Scan> done = FinishScan();
    if (!done->reselect) {
        if (realLayout)
            Select_Device(devices::kDemoCardNumber);
        return;
    }
    const Identity &wanted = done->wanted;
    const int number = devices::Registry::instance().find(wanted.driver, wanted.connection, wanted.model);
    if (number) {
        // The scope does not change devices under a running acquisition.
        if (isScopeStartOn) {
            Scope_HaltAcquisition();
            Scope_EndRun();
        }
        device = static_cast<short>(number);
        Select_Device(device);
        if (device == number)
            return;
    }
    if (realLayout)
        Select_Device(devices::kDemoCardNumber);
    device = devices::kDemoCardNumber;
    SyncRings();
    const std::string name = wanted.name.empty() ? wanted.model : wanted.name;
    DeviceInfo(name + (done->startup ? " is not present: the Demo Card is used." : " is gone: the Demo Card is used."));
    if (done->startup) {
        SetCtrlVal(panelScope, SCOPE_STATUS, "Demo Card");
        SetCtrlAttribute(panelScope, SCOPE_STATUS, ATTR_VISIBLE, 1);
    }
}

} // namespace

devices::DeviceSession *RealDevice_Session(void)
{
    return session.get();
}

void RealDevice_CloseAll(void)
{
    if (scan) {
        // A scan still running is waited for; nothing is chosen from it.
        scan->reselect = false;
        if (scan->thread.joinable())
            scan->thread.join();
        FinishScan();
    }
    CloseSession();
}

int RealDevice_Scanning(void)
{
    return scan ? 1 : 0;
}

int RealDevice_WaitForScan(int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (scan && !scan->collected && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (scan && scan->collected)
        ScanEnded(nullptr);
    return scan ? 0 : 1;
}

void RealDevice_FillRings(void)
{
    FillRing(panelScope, SCOPE_DEVICE);
    FillRing(panelGene, GENE_DEVICE);
    FillRing(panelDig, DIG_DEVICE);
    SyncRings();
}

void RealDevice_Rescan(void)
{
    if (scan)
        return; // a scan is running: its end fills the rings
    Identity kept;
    const bool hadDevice = session != nullptr;
    if (hadDevice) {
        const devices::Capabilities &caps = session->capabilities();
        kept = {caps.driver, caps.connection, caps.model, caps.name};
        if (isScopeStartOn) {
            Scope_HaltAcquisition();
            Scope_EndRun();
        }
        // Nothing runs on the device's layout until it is back.
        Toolbar_DimItem(Toolbar, kToolbarOneShot, 1);
        Toolbar_DimItem(Toolbar, kToolbarContinuous, 1);
    }
    // The scan may free what an open device uses: close it first.
    CloseSession();
    StartScan(false, hadDevice, kept);
}

int RealDevice_Select(short number)
{
    if (number == kRescanDevices) {
        const bool keep = session != nullptr;
        RealDevice_Rescan();
        if (keep)
            return 1; // the device in use comes back when the scan ends
        number = devices::kDemoCardNumber;
    } else if (scan && number == devices::kDemoCardNumber) {
        scan->reselect = false; // chosen while a scan runs: the choice stays
    }
    if (number >= devices::kFirstDeviceNumber) {
        if (OpenDevice(number)) {
            device = number;
            SyncRings();
            ApplyCapabilities(session->capabilities());
            return 1;
        }
        if (!devices::Registry::instance().entry(number)) {
            char info[256];
            std::snprintf(info, sizeof info, "Device %d is not connected: the Demo Card is used.", number);
            DeviceInfo(info);
        }
    }
    // The Demo Card.
    CloseSession();
    device = devices::kDemoCardNumber;
    if (realLayout)
        RestoreDemoLayout();
    realLayout = false;
    if (number == devices::kDemoCardNumber && !scan)
        DeviceInfo("");
    RealDevice_FillRings();
    return 0;
}

void RealDevice_RestoreAtStartup(void)
{
    if (device < devices::kFirstDeviceNumber) {
        device = devices::kDemoCardNumber;
        SyncRings();
        return;
    }
    Identity identity;
    device = devices::kDemoCardNumber;
    if (ReadIdentity(identity) && !scan) {
        // The bench starts on the Demo Card; the scan's end chooses the
        // device when it is there.
        StartScan(true, true, identity);
        return;
    }
    SyncRings();
    DeviceInfo("The device last used is not present: the Demo Card is used.");
    SetCtrlVal(panelScope, SCOPE_STATUS, "Demo Card");
    SetCtrlAttribute(panelScope, SCOPE_STATUS, ATTR_VISIBLE, 1);
}

void RealDevice_SetSoundFullScale(double volts)
{
    if (!(volts > 0.0))
        return;
    devices::SetSoundFullScale(volts);
    volts = devices::SoundFullScale();
    SetCtrlVal(panelScope, SCOPE_DEVICE_FS, volts);
    // A sound input's one range is its full scale.
    if (session && session->capabilities().driver == "sound") {
        char label[64];
        std::snprintf(label, sizeof label, volts < 1.0 ? "\u00B1 %gmV" : "\u00B1 %gV", volts < 1.0 ? volts * 1000.0 : volts);
        for (int k = 0; k < 4; ++k) {
            ClearListCtrl(panelRange, kRangeRings[k]);
            InsertListItem(panelRange, kRangeRings[k], -1, label, volts);
            SetCtrlIndex(panelRange, kRangeRings[k], 0);
        }
    }
}

int Scope_Device_Scale(int panel, int control, int event, void *, int, int)
{
    if (event != EVENT_COMMIT && event != EVENT_VAL_CHANGED)
        return 0;
    double volts = 1.0;
    GetCtrlVal(panel, control, &volts);
    RealDevice_SetSoundFullScale(volts);
    return 0;
}
