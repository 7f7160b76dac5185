// Temporary definitions so the bench links while the generator is written.
#include "generator/generator.h"

int trigger_source_out = 0;
int trigger_slope_out = 1;
double trigger_level_out = 0.0;
int isGeneratorON = 0;
int numChanOut = 0;
int oPeriod = 0;
int oSamples = 0;
int SamplesCount = 0;
double oClockRate = 0.0;
double maxOutClk = 0.0;
double *vBufferOut1 = nullptr;
double *vBufferOut2 = nullptr;
double *vNoise = nullptr;
short *BufferOut1 = nullptr;
short *BufferOut2 = nullptr;
short *BufferOut = nullptr;
int oChannel[2] = {0, 1};
double oRange[2] = {0.0, 0.0};
const double kOutputRanges[kNumOutputRanges] = {0.05, 0.1, 0.2, 0.5, 1.0, 2.0, 5.0};
int isAdvancedWaveformON = 0;
int adPoints = 0;
int adPeriods = 0;
int ch1Source = kCh1Standard;

void Display_Generator(int, int, void *, int) {}
int Start_Stop_Generator(int, int, int, void *, int, int) { return 0; }
int Update_Parameter_Generator(int, int, int, void *, int, int) { return 0; }
int Select_Generator_Device(int, int, int, void *, int, int) { return 0; }
int Close_Generator(int, int, int, void *, int, int) { return 0; }
int Open_Advanced_Gene_Setting(int, int, int, void *, int, int) { return 0; }
int Update_Ad_Setting(int, int, int, void *, int, int) { return 0; }
int Preview_Waveform(int, int, int, void *, int, int) { return 0; }
int onOK_Ad_Gene(int, int, int, void *, int, int) { return 0; }
int Call_Output_Setting(void) { return 0; }
int Generator_Setting(int, int) { return 0; }
double getFuncGenClk(short, int, double, int *period, int *samples)
{
    if (period)
        *period = 1;
    if (samples)
        *samples = 0;
    return 0.0;
}
double Generator_ChooseRange(double) { return 5.0; }
int Set_Advanced_Waveform(void) { return 0; }
void CreateSineWave(double *, int, double) {}
void Generator_Reset(void) {}
