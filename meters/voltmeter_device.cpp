// The voltmeter on a real device: a record of the selected channel is
// captured off the UI thread; each timer tick that finds one complete
// measures it and asks for the next.
#include "meters/voltmeter_device.h"

#include <string>

#include "meters/meters.h"
#include "scope/scope_realdevice.h"

namespace
{

void Stop(const std::string &name, const std::string &why)
{
    isVoltmeterON = 0;
    SetCtrlAttribute(panelVoltmeter, VOLTMETER_TIMER, ATTR_ENABLED, 0);
    const std::string message = name + ": " + why + ".\nThe voltmeter is stopped.";
    MessagePopup("Error message", message.c_str());
}

} // namespace

int Voltmeter_DeviceReading(int channel, int measure, double *reading)
{
    devices::DeviceSession *session = RealDevice_Session();
    if (!session)
        return 0;
    const devices::Capabilities &caps = session->capabilities();
    if (channel < 0 || channel >= caps.analogChannels) {
        Stop(caps.name, "this device has no such input for the voltmeter");
        return 1;
    }
    devices::CaptureConfig wanted;
    wanted.rate = devices::NearestRate(caps, kVoltmeterClock);
    wanted.samples = kVoltmeterSamples;
    wanted.analog = {channel};
    switch (session->poll(devices::kClientVoltmeter)) {
    case devices::CaptureState::Idle:
        session->start(devices::kClientVoltmeter, wanted);
        return 1;
    case devices::CaptureState::Running:
        return 1;
    case devices::CaptureState::Failed:
        Stop(caps.name, session->error(devices::kClientVoltmeter));
        session->cancel(devices::kClientVoltmeter);
        return 1;
    case devices::CaptureState::Done:
        break;
    }
    devices::CaptureRecord record;
    if (!session->take(devices::kClientVoltmeter, record))
        return 1;
    session->start(devices::kClientVoltmeter, wanted);
    if (record.config.analog != wanted.analog || record.volts.empty())
        return 1; // taken for another channel: the next one counts
    const int n = record.samples < static_cast<int>(record.volts[0].size()) ? record.samples
                                                                             : static_cast<int>(record.volts[0].size());
    if (n < 1) {
        Stop(caps.name, "the device delivered no samples");
        return 1;
    }
    *reading = Voltmeter_Measure(record.volts[0].data(), n, measure);
    return 1;
}
