// The generator panel's callbacks and the arbitrary-file path of an update.
#include <cmath>

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

int LoadArbitraryFile(void)
{
    char directory[1024] = "";
    char path[1024] = "";
    GetDir(directory);
    const int chosen =
        FileSelectPopup(directory, "*.awg", "*.awg", "Open CH1 File", VAL_LOAD_BUTTON, 0, 0, 1, 1, path);
    if (chosen <= 0 || path[0] == '\0')
        return -1;

    // The whole file is read and checked before anything changes, so a
    // refused file leaves the output, its clock and the graph as they were.
    AwgWaveform wave;
    const int status = Awg_LoadFile(path, &wave);
    if (status != kAwgOk) {
        char message[256];
        Awg_Message(status, wave, message, sizeof message);
        ShowError(message);
        return -1;
    }
    const int n = wave.count;
    if (AdoptCh1(std::move(wave.values), n) < 0) {
        ShowError("Open File Error: not enough memory for the waveform");
        return -1;
    }
    oSamples = n;
    SamplesCount = oSamples * numChanOut;
    oClockRate = wave.clockRate;
    ch1Clock = wave.clockRate;
    oChannel[0] = oChan[0].channel;
    // The range must hold the whole waveform, negative values included.
    oRange[0] = Generator_ChooseRange(wave.peak);
    FillCodes(vBufferOut1, BufferOut1, n, oRange[0]);
    return 0;
}

} // namespace gen
