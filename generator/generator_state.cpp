// The generator's process-wide state and the storage behind its buffers.
#include <algorithm>
#include <cmath>
#include <new>

#include "generator/generator_internal.h"

// Every setting and flag of the generator with its start-up value, listed
// once: the definitions below and Generator_Reset are both made from this
// list, so a reset cannot miss one.  (The buffer pointers follow their
// storage: ReleaseAll nulls them.)
#define KORVAX_GENERATOR_STATE(SCALAR, ARRAY)                                                                \
    SCALAR(int, trigger_source_out, 0)                                                                       \
    SCALAR(int, trigger_slope_out, 1)                                                                        \
    SCALAR(double, trigger_level_out, 0.0)                                                                   \
    SCALAR(int, isGeneratorON, 0)                                                                            \
    SCALAR(int, numChanOut, 0)                                                                               \
    SCALAR(int, oPeriod, 0)                                                                                  \
    SCALAR(int, oSamples, 0)                                                                                 \
    SCALAR(int, SamplesCount, 0)                                                                             \
    SCALAR(double, oClockRate, 0.0)                                                                          \
    SCALAR(double, maxOutClk, 0.0)                                                                           \
    ARRAY(int, oChannel, 2, {0, 1})                                                                          \
    ARRAY(double, oRange, 2, {0.0, 0.0})                                                                     \
    ARRAY(int, oPlot, 2, {0, 0})                                                                             \
    SCALAR(int, adPreviewPlot, 0)                                                                            \
    SCALAR(int, isAdvancedWaveformON, 0)                                                                     \
    SCALAR(int, adPoints, 0)                                                                                 \
    SCALAR(int, adPeriods, 0)                                                                                \
    SCALAR(int, ch1Source, kCh1Standard)

// The generator's own working values (namespace gen).
#define KORVAX_GENERATOR_INTERNAL_STATE(SCALAR, ARRAY)                                                       \
    SCALAR(double, adAmplitude, 0.0)                                                                         \
    SCALAR(double, adOffset, 0.0)                                                                            \
    SCALAR(double, adClock, 0.0)                                                                             \
    SCALAR(double, ch1Clock, 0.0)                                                                            \
    ARRAY(int, outputOn, 2, {0, 0})

#define KORVAX_DEFINE_SCALAR(type, name, start) type name = start;
#define KORVAX_DEFINE_ARRAY(type, name, n, ...) type name[n] = __VA_ARGS__;
#define KORVAX_RESET_SCALAR(type, name, start) name = start;
#define KORVAX_RESET_ARRAY(type, name, n, ...)                                                               \
    {                                                                                                        \
        const type start[n] = __VA_ARGS__;                                                                   \
        std::copy(start, start + n, name);                                                                   \
    }

KORVAX_GENERATOR_STATE(KORVAX_DEFINE_SCALAR, KORVAX_DEFINE_ARRAY)

double *vBufferOut1 = nullptr;
double *vBufferOut2 = nullptr;
double *vNoise = nullptr;
short *BufferOut1 = nullptr;
short *BufferOut2 = nullptr;
short *BufferOut = nullptr;

const double kOutputRanges[kNumOutputRanges] = {0.05, 0.1, 0.2, 0.5, 1.0, 2.0, 5.0};

namespace gen
{

KORVAX_GENERATOR_INTERNAL_STATE(KORVAX_DEFINE_SCALAR, KORVAX_DEFINE_ARRAY)

namespace
{

std::unique_ptr<double[]> storeOut1, storeOut2, storeNoise;
std::unique_ptr<short[]> storeCodes1, storeCodes2, storeCombined;
int len1 = 0, len2 = 0, lenNoise = 0, lenCombined = 0;

template <typename T> std::unique_ptr<T[]> Fresh(int n)
{
    if (n < 1)
        return nullptr;
    return std::unique_ptr<T[]>(new (std::nothrow) T[static_cast<std::size_t>(n)]());
}

int AllocChannel(int n, std::unique_ptr<double[]> &volts, std::unique_ptr<short[]> &codes, int &len,
                 double *&voltsPtr, short *&codesPtr)
{
    auto v = Fresh<double>(n);
    auto c = Fresh<short>(n);
    if (!v || !c)
        return -1;
    volts = std::move(v);
    codes = std::move(c);
    len = n;
    voltsPtr = volts.get();
    codesPtr = codes.get();
    return 0;
}

} // namespace

int Ch1Length()
{
    return len1;
}
int Ch2Length()
{
    return len2;
}
int NoiseLength()
{
    return lenNoise;
}
int CombinedLength()
{
    return lenCombined;
}

int AllocCh1(int n)
{
    return AllocChannel(n, storeOut1, storeCodes1, len1, vBufferOut1, BufferOut1);
}

int AllocCh2(int n)
{
    return AllocChannel(n, storeOut2, storeCodes2, len2, vBufferOut2, BufferOut2);
}

int ReserveNoise(int n)
{
    if (n <= lenNoise)
        return 0;
    auto v = Fresh<double>(n);
    if (!v)
        return -1;
    storeNoise = std::move(v);
    lenNoise = n;
    vNoise = storeNoise.get();
    return 0;
}

int AllocCombined(int n)
{
    ReleaseCombined();
    if (n < 1)
        return 0;
    storeCombined = Fresh<short>(n);
    if (!storeCombined)
        return -1;
    lenCombined = n;
    BufferOut = storeCombined.get();
    return 0;
}

void ReleaseCombined()
{
    storeCombined.reset();
    lenCombined = 0;
    BufferOut = nullptr;
}

int AdoptCh1(std::unique_ptr<double[]> values, int n)
{
    if (!values || n < 1)
        return -1;
    auto c = Fresh<short>(n);
    if (!c)
        return -1;
    storeOut1 = std::move(values);
    storeCodes1 = std::move(c);
    len1 = n;
    vBufferOut1 = storeOut1.get();
    BufferOut1 = storeCodes1.get();
    return 0;
}

void ReleaseAll()
{
    storeOut1.reset();
    storeOut2.reset();
    storeNoise.reset();
    storeCodes1.reset();
    storeCodes2.reset();
    ReleaseCombined();
    len1 = len2 = lenNoise = 0;
    vBufferOut1 = vBufferOut2 = vNoise = nullptr;
    BufferOut1 = BufferOut2 = nullptr;
}

void FillCodes(const double *volts, short *codes, int n, double range)
{
    if (!volts || !codes || n < 1)
        return;
    const double scale = range > 0.0 ? 32767.0 / range : 0.0;
    for (int i = 0; i < n; ++i) {
        double c = std::nearbyint(volts[i] * scale);
        if (!(c >= -32768.0)) // also catches NaN
            c = -32768.0;
        if (c > 32767.0)
            c = 32767.0;
        codes[i] = static_cast<short>(c);
    }
}

void ShowError(const char *message)
{
    MessagePopup("Error message", message);
}

} // namespace gen

bool Generator_Ch1Buffer(Generator_Ch1Wave *wave)
{
    if (ch1Source == kCh1Standard || !vBufferOut1 || gen::Ch1Length() < 1 || !(gen::ch1Clock > 0.0) ||
        !std::isfinite(gen::ch1Clock))
        return false;
    if (wave) {
        wave->values = vBufferOut1;
        wave->count = gen::Ch1Length();
        wave->clockRate = gen::ch1Clock;
    }
    return true;
}

void Generator_Reset(void)
{
    gen::ReleaseAll();
    KORVAX_GENERATOR_STATE(KORVAX_RESET_SCALAR, KORVAX_RESET_ARRAY)
    using namespace gen;
    KORVAX_GENERATOR_INTERNAL_STATE(KORVAX_RESET_SCALAR, KORVAX_RESET_ARRAY)
}
