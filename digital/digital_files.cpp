#include "digital/digital_files.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include <strings.h>

#include "digital/digital.h"
#include "formats/sigrok_session.h"
#include "formats/vcd.h"
#include "scope/scope_data.h"

namespace
{

const char *const kSaveError = "Saving File impossible";

bool EndsWithSr(const char *path)
{
    const std::size_t n = std::strlen(path);
    return n > 3 && ::strcasecmp(path + n - 3, ".sr") == 0;
}

void Report(const char *why)
{
    const std::string message = std::string(kSaveError) + ": " + why;
    MessagePopup("Error message", message.c_str());
}

} // namespace

int Digital_SaveLines(const char *path)
{
    if (!path || !*path)
        return -1;
    // The samples of the last capture: dSamples words of two port bytes.
    const std::size_t samples =
        dSamples > 0 ? std::min<std::size_t>(static_cast<std::size_t>(dSamples), dBufferIn.size() / 2) : 0;
    const double interval = dDigitalTimeStep > 0.0 ? dDigitalTimeStep : (dClockRate > 0.0 ? 1.0 / dClockRate : 0.0);
    if (samples == 0 || !(interval > 0.0)) {
        Report("there is no capture to save");
        return -1;
    }
    formats::Status status;
    try {
        const formats::LogicRecord record = formats::LogicFromPorts(dBufferIn.data(), samples, interval);
        status = EndsWithSr(path) ? formats::WriteSr(path, record) : formats::WriteVcd(path, record);
    } catch (const std::bad_alloc &) {
        status = formats::Status::TooLarge;
    }
    if (status != formats::Status::Ok) {
        Report(formats::StatusText(status));
        return -1;
    }
    return 0;
}

int Save_Digital(int panel, int control, int event, void *callbackData, int eventData1, int eventData2)
{
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event != EVENT_COMMIT)
        return 0;
    char path[1024] = "";
    const int answer = FileSelectPopup("", "*.vcd", formats::SrAvailable() ? "*.vcd;*.sr" : "*.vcd",
                                       "Save Digital Lines", VAL_SAVE_BUTTON, 0, 0, 1, 1, path);
    if (answer > VAL_NO_FILE_SELECTED && path[0] != '\0')
        Digital_SaveLines(path);
    return 0;
}

int Export_Image_Digital(int panel, int control, int event, void *callbackData, int eventData1, int eventData2)
{
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event == EVENT_COMMIT)
        Scope_OpenImageExport(panelDig, DIG_GRAPH, "digital analyzer");
    return 0;
}
