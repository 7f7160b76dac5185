// The analyzer's choice of what the lines carry, and the "Simulated Bus"
// panel with the bus's settings.
#include "digital/digital_decode_panel.h"

#include <cstdio>

#include "benchstate/loaded_panel.h"
#include "digital/digital.h"
#include "digital/digital_bus.h"

namespace
{

int panelBus = 0;

bool EnsureBusPanel()
{
    return Bench_LoadedPanel(panelBus, BUS) > 0;
}

void FillBusPanel()
{
    SetCtrlVal(panelBus, BUS_UART_TEXT, dBus.uartText.c_str());
    SetCtrlVal(panelBus, BUS_UART_BAUD, dBus.uartBaud);
    SetCtrlVal(panelBus, BUS_UART_FORMAT, dBus.uartFormat);
    SetCtrlVal(panelBus, BUS_I2C_ADDRESS, dBus.i2cAddress);
    SetCtrlVal(panelBus, BUS_I2C_WRITE, Digital_FormatHexBytes(dBus.i2cWrite).c_str());
    SetCtrlVal(panelBus, BUS_I2C_READ, Digital_FormatHexBytes(dBus.i2cRead).c_str());
    SetCtrlVal(panelBus, BUS_I2C_CLOCK, dBus.i2cClock);
    SetCtrlVal(panelBus, BUS_SPI_MODE, dBus.spiMode);
    SetCtrlVal(panelBus, BUS_SPI_ORDER, dBus.spiLsbFirst);
    SetCtrlVal(panelBus, BUS_SPI_MOSI, Digital_FormatHexBytes(dBus.spiMosi).c_str());
    SetCtrlVal(panelBus, BUS_SPI_MISO, Digital_FormatHexBytes(dBus.spiMiso).c_str());
    SetCtrlVal(panelBus, BUS_SPI_CLOCK, dBus.spiClock);
}

// How many samples the traffic needs at the analyzer's rate, against the
// samples a capture holds.
void ShowNeeded()
{
    double rate = dClockRate;
    int samples = dSamples;
    GetCtrlVal(panelDig, DIG_RATE, &rate);
    GetCtrlVal(panelDig, DIG_SAMPLES, &samples);
    const BusLayout layout = Digital_SynthesizeBus(dBus, rate, nullptr, 0);
    char text[256];
    std::snprintf(text, sizeof text, "The traffic takes %lld samples at %.0f S/s; a capture holds %d%s",
                  static_cast<long long>(layout.samplesNeeded), rate, samples,
                  layout.samplesNeeded > samples ? " (raise Samples to see all of it)" : ".");
    SetCtrlVal(panelBus, BUS_NEEDED, text);
}

} // namespace

int Digital_BusPanelHandle(void)
{
    return panelBus;
}

void Digital_BusPanelReset(void)
{
    panelBus = 0;
}

bool Digital_ReadBusPanel(void)
{
    DigitalBus bus;
    char text[1024] = "";
    GetCtrlVal(panelBus, BUS_UART_TEXT, text);
    bus.uartText = text;
    GetCtrlVal(panelBus, BUS_UART_BAUD, &bus.uartBaud);
    GetCtrlVal(panelBus, BUS_UART_FORMAT, &bus.uartFormat);
    GetCtrlVal(panelBus, BUS_I2C_ADDRESS, &bus.i2cAddress);
    GetCtrlVal(panelBus, BUS_I2C_CLOCK, &bus.i2cClock);
    GetCtrlVal(panelBus, BUS_SPI_MODE, &bus.spiMode);
    GetCtrlVal(panelBus, BUS_SPI_ORDER, &bus.spiLsbFirst);
    GetCtrlVal(panelBus, BUS_SPI_CLOCK, &bus.spiClock);
    const struct {
        int control;
        std::vector<uint8_t> *bytes;
        const char *name;
    } fields[] = {{BUS_I2C_WRITE, &bus.i2cWrite, "I2C write bytes"},
                  {BUS_I2C_READ, &bus.i2cRead, "I2C read bytes"},
                  {BUS_SPI_MOSI, &bus.spiMosi, "SPI MOSI bytes"},
                  {BUS_SPI_MISO, &bus.spiMiso, "SPI MISO bytes"}};
    for (const auto &f : fields) {
        GetCtrlVal(panelBus, f.control, text);
        if (!Digital_ParseHexBytes(text, f.bytes)) {
            const std::string message = std::string(f.name) +
                                        ": type up to 64 bytes in hex, separated by spaces (for example 10 AB CD)";
            MessagePopup("Error message", message.c_str());
            return false;
        }
    }
    dBus = bus;
    return true;
}

int Digital_Source(int panel, int control, int event, void *, int, int)
{
    if (event == EVENT_VAL_CHANGED)
        GetCtrlVal(panel, control, &dLineSource);
    return 0;
}

int Display_Bus(int, int, int event, void *, int, int)
{
    if (event != EVENT_COMMIT || !EnsureBusPanel())
        return 0;
    FillBusPanel();
    ShowNeeded();
    DisplayPanel(panelBus);
    return 0;
}

int Bus_Apply(int, int, int event, void *, int, int)
{
    if (event != EVENT_COMMIT)
        return 0;
    if (Digital_ReadBusPanel()) {
        // Applying the bus also switches the lines to it.
        dLineSource = DIGITAL_SOURCE_BUS;
        SetCtrlVal(panelDig, DIG_SOURCE, DIGITAL_SOURCE_BUS);
    }
    ShowNeeded();
    return 0;
}

int Close_Bus(int panel, int, int event, void *, int, int)
{
    if (event == EVENT_COMMIT)
        HidePanel(panel);
    return 0;
}
