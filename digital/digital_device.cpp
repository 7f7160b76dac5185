// The analyzer on a real device: its logic channels are captured off the UI
// thread and the tick that finds the record complete splits it into the
// sixteen lines.  Lines the device does not have stay low (drawn flat).
#include "digital/digital_device.h"
#include "digital/digital_decode.h"

#include <cstdint>
#include <string>

#include "digital/digital.h"
#include "scope/scope_realdevice.h"

namespace
{

devices::CaptureConfig Wanted(const devices::Capabilities &caps, int n)
{
    devices::CaptureConfig config;
    config.rate = devices::NearestRate(caps, dClockRate);
    config.samples = n;
    config.logic = true;
    return config;
}

void Stop(const std::string &name, const std::string &why)
{
    isDigitalON = 0;
    SetCtrlVal(panelDig, DIG_RUN, 0);
    const std::string message = name + ": " + why + ".\nThe digital analyzer is stopped.";
    MessagePopup("Error message", message.c_str());
}

} // namespace

namespace
{

// Fills n raw samples; 1 when they are a fresh record.
int DeviceInput(devices::DeviceSession *session, uint8_t *raw, int n)
{
    const devices::Capabilities &caps = session->capabilities();
    if (caps.logicChannels < 1) {
        for (int i = 0; i < 2 * n; ++i)
            raw[i] = 0;
        return 1;
    }
    const devices::CaptureConfig wanted = Wanted(caps, n);
    switch (session->poll(devices::kClientDigital)) {
    case devices::CaptureState::Idle:
        session->start(devices::kClientDigital, wanted);
        return 0;
    case devices::CaptureState::Running:
        return 0;
    case devices::CaptureState::Failed:
        Stop(caps.name, session->error(devices::kClientDigital));
        session->cancel(devices::kClientDigital);
        return 0;
    case devices::CaptureState::Done:
        break;
    }
    devices::CaptureRecord record;
    if (!session->take(devices::kClientDigital, record))
        return 0;
    if (record.config.samples != wanted.samples || record.config.rate != wanted.rate) {
        session->start(devices::kClientDigital, wanted);
        return 0;
    }
    if (record.samples < n || static_cast<int>(record.logic.size()) < n) {
        Stop(caps.name, "the device delivered " + std::to_string(record.samples) + " of the " + std::to_string(n) +
                            " samples asked for");
        return 0;
    }
    const uint16_t mask =
        caps.logicChannels >= 16 ? 0xFFFFu : static_cast<uint16_t>((1u << caps.logicChannels) - 1u);
    for (int i = 0; i < n; ++i) {
        const uint16_t word = static_cast<uint16_t>(record.logic[static_cast<size_t>(i)] & mask);
        raw[2 * i] = static_cast<uint8_t>(word & 0xFFu);
        raw[2 * i + 1] = static_cast<uint8_t>(word >> 8);
    }
    session->start(devices::kClientDigital, wanted); // the next record meanwhile
    return 1;
}

} // namespace

int Digital_DeviceCapture(int n)
{
    devices::DeviceSession *session = RealDevice_Session();
    if (!session)
        return 0;
    if (n <= 0 || static_cast<int>(dBufferIn.size()) < 2 * n)
        return 1;
    if (!DeviceInput(session, dBufferIn.data(), n))
        return 1; // not complete yet: the time-out keeps watch
    uint8_t *traces[16];
    for (int k = 0; k < 16; ++k) {
        if (static_cast<int>(plotDig[k].size()) < n)
            return 1;
        traces[k] = plotDig[k].data();
    }
    Digital_SplitLines(dBufferIn.data(), n, traces);
    DeleteGraphPlot(panelDig, DIG_GRAPH, -1, VAL_DELAYED_DRAW);
    for (int k = 0; k < 16; ++k)
        PlotY(panelDig, DIG_GRAPH, traces[k], n, VAL_UNSIGNED_CHAR, VAL_THIN_LINE, VAL_NO_POINT, VAL_SOLID, 1,
              kDigitalTraceColors[k % 8]);
    Digital_DecodeStart(dBufferIn.data(), n, dClockRate); // decoders read real captures too
    ticks_digital = GetTickCount();
    return 1;
}
