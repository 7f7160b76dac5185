// The generator panel's callbacks and the arbitrary-file path of an update.
#include <cmath>
#include <string>

#include "generator/awg_format.h"
#include "generator/generator_internal.h"
#include "scope/scope.h"

void Display_Generator(int, int, void *, int)
{
    DisplayPanel(panelGene);
}

int Start_Stop_Generator(int, int, int event, void *, int, int)
{
    if (event == EVENT_VAL_CHANGED)
        Call_Output_Setting();
    return 0;
}

int Update_Parameter_Generator(int, int, int event, void *, int, int)
{
    if (event == EVENT_VAL_CHANGED && isGeneratorON)
        Call_Output_Setting();
    return 0;
}

int Select_Generator_Device(int, int, int event, void *, int, int)
{
    if (event != EVENT_VAL_CHANGED)
        return 0;
    GetCtrlVal(panelGene, GENE_DEVICE, &device); // the ring lists the real devices too
    Select_Device(device);
    if (isGeneratorON)
        Call_Output_Setting();
    return 0;
}

int Close_Generator(int panel, int, int event, void *, int, int)
{
    if (event == EVENT_COMMIT)
        HidePanel(panel);
    return 0;
}

namespace gen
{

namespace
{
// The file a remote load names; while set, the update takes it instead of
// asking with the file dialog and reports a refusal to the caller.
const char *pendingPath = nullptr;
int pendingStatus = kAwgOk;
std::string pendingMessage;
} // namespace

int LoadArbitraryPath(const char *path, std::string *message)
{
    // The whole file is read and checked before anything changes, so a
    // refused file leaves the output, its clock and the graph as they were.
    AwgWaveform wave;
    const int status = Awg_LoadFile(path, &wave);
    if (status != kAwgOk) {
        char text[256];
        Awg_Message(status, wave, text, sizeof text);
        if (message)
            *message = text;
        return status;
    }
    const int n = wave.count;
    if (AdoptCh1(std::move(wave.values), n) < 0) {
        if (message)
            *message = "Open File Error: not enough memory for the waveform";
        return kAwgNoMemory;
    }
    oSamples = n;
    SamplesCount = oSamples * numChanOut;
    oClockRate = wave.clockRate;
    ch1Clock = wave.clockRate;
    oChannel[0] = oChan[0].channel;
    // The range must hold the whole waveform, negative values included.
    oRange[0] = Generator_ChooseRange(wave.peak);
    FillCodes(vBufferOut1, BufferOut1, n, oRange[0]);
    return kAwgOk;
}

int LoadArbitraryFile(void)
{
    if (pendingPath) {
        pendingStatus = LoadArbitraryPath(pendingPath, &pendingMessage);
        return pendingStatus == kAwgOk ? 0 : -1;
    }
    char directory[1024] = "";
    char path[1024] = "";
    GetDir(directory);
    const int chosen =
        FileSelectPopup(directory, "*.awg", "*.awg", "Open CH1 File", VAL_LOAD_BUTTON, 0, 0, 1, 1, path);
    if (chosen <= 0 || path[0] == '\0')
        return -1;
    std::string message;
    if (LoadArbitraryPath(path, &message) != kAwgOk) {
        ShowError(message.c_str());
        return -1;
    }
    return 0;
}

} // namespace gen

int Generator_LoadArbitrary(const char *path, std::string *message)
{
    int ch1On = 0, oldType = 0;
    GetCtrlVal(panelGene, GENE_CH1_SWITCH, &ch1On);
    GetCtrlVal(panelGene, GENE_CH1_TYPE, &oldType);
    // The type ring shows the file; an update of a running CH1 then takes
    // the file as it takes the dialog's choice.
    SetCtrlVal(panelGene, GENE_CH1_TYPE, 6);
    int status = kAwgOk;
    if (ch1On) {
        gen::pendingPath = path;
        gen::pendingStatus = kAwgOk;
        gen::pendingMessage.clear();
        const int rc = Call_Output_Setting();
        gen::pendingPath = nullptr;
        status = gen::pendingStatus;
        if (message)
            *message = gen::pendingMessage;
        if (status == kAwgOk && rc < 0) {
            status = kAwgNoMemory;
            if (message)
                *message = "the output could not be updated";
        }
    } else {
        status = gen::LoadArbitraryPath(path, message);
        if (status == kAwgOk)
            ch1Source = kCh1ArbitraryFile;
    }
    if (status != kAwgOk)
        SetCtrlVal(panelGene, GENE_CH1_TYPE, oldType);
    return status;
}
