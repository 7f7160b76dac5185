// Power spectra, unit conversion and the real FFT entry point.
#include "analysis/spectrum.h"
#include "analysis/fft.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace
{

// 1 / 0.6084: power relative to 0.78 V rms, the dBm reference.
constexpr double kDbmScale = 1.6436554898093358;

const char *const kUnitSuffixLinear[8] = {"rms",      "pk",      "rms^2",    "pk^2",
                                          "rms/rtHz", "pk/rtHz", "rms^2/Hz", "pk^2/Hz"};
const char *const kUnitSuffixDb[8] = {"rms", "pk", "rms", "pk", "rms/rtHz", "pk/rtHz", "rms^2/Hz", "pk^2/Hz"};

std::unique_ptr<double[]> NewArray(int n)
{
    return std::unique_ptr<double[]>(new (std::nothrow) double[n > 0 ? n : 1]);
}

} // namespace

extern "C" {

int ReFFT(double *x, double *y, int n)
{
    if (n <= 0)
        return SamplesGTZeroAnlysErr;
    if (!x || !y)
        return ArraySizeAnlysErr;
    // The real and imaginary outputs need two separate arrays.
    const std::uintptr_t xa = reinterpret_cast<std::uintptr_t>(x), ya = reinterpret_cast<std::uintptr_t>(y);
    const std::uintptr_t bytes = sizeof(double) * static_cast<std::uintptr_t>(n);
    if (xa < ya + bytes && ya < xa + bytes)
        return ArraySizeAnlysErr;
    if (n == 1) {
        y[0] = 0.0;
        return NoAnlysErr;
    }
    return korvax::fft::RealForward(x, y, static_cast<std::size_t>(n));
}

int Spectrum(double *x, int n)
{
    if (n <= 0)
        return SamplesGTZeroAnlysErr;
    if (!x)
        return ArraySizeAnlysErr;
    if (n == 1) {
        x[0] *= x[0];
        return NoAnlysErr;
    }
    std::unique_ptr<double[]> im = NewArray(n);
    if (!im)
        return OutOfMemAnlysErr;
    // ReFFT fails (out of memory) only before it writes anything, so x is
    // still whole when an error is returned.
    const int status = ReFFT(x, im.get(), n);
    if (status < 0)
        return status;
    const double s = 1.0 / (static_cast<double>(n) * static_cast<double>(n));
    x[0] = x[0] * x[0] * s;
    for (int k = 1; k <= n / 2; ++k) {
        const double p = (x[k] * x[k] + im[k] * im[k]) * s;
        x[k] = p;
        x[n - k] = p;
    }
    return NoAnlysErr;
}

int AutoPowerSpectrum(const double *x, int n, double dt, double *out, double *df)
{
    if (n <= 0)
        return SamplesGTZeroAnlysErr;
    if (!x || !out || !df)
        return ArraySizeAnlysErr;
    if (!(dt > 0.0) || !std::isfinite(dt))
        return DtGTZeroAnlysErr;
    std::unique_ptr<double[]> tmp = NewArray(n);
    if (!tmp)
        return OutOfMemAnlysErr;
    std::memcpy(tmp.get(), x, sizeof(double) * static_cast<std::size_t>(n));
    const int status = Spectrum(tmp.get(), n);
    if (status < 0)
        return status;
    const int half = n / 2;
    for (int k = 0; k < half; ++k)
        out[k] = tmp[k];
    if (n > 3)
        for (int k = 1; k < half; ++k)
            out[k] *= 2.0;
    *df = 1.0 / (static_cast<double>(n) * dt);
    return NoAnlysErr;
}

int PowerSpectrumDbm(const double *x, int n, double dt, double *work, double *out, double *df)
{
    if (n <= 0)
        return SamplesGTZeroAnlysErr;
    if (!x || !work || !out || !df)
        return ArraySizeAnlysErr;
    if (!(dt > 0.0) || !std::isfinite(dt))
        return DtGTZeroAnlysErr;
    const int half = n / 2;
    if (half > 0) {
        double *re = work, *im = work + n;
        const int status = korvax::fft::RealForwardFrom(x, re, im, static_cast<std::size_t>(n));
        if (status < 0)
            return status;
        // The same operations in the same order as Spectrum, AutoPowerSpectrum
        // and the dBm conversion, so every bin comes out bit for bit alike.
        const double s = 1.0 / (static_cast<double>(n) * static_cast<double>(n));
        out[0] = 10.0 * std::log10(std::fabs(re[0] * re[0] * s) * kDbmScale);
        const double twice = n > 3 ? 2.0 : 1.0;
        for (int k = 1; k < half; ++k) {
            const double p = (re[k] * re[k] + im[k] * im[k]) * s * twice;
            out[k] = 10.0 * std::log10(std::fabs(p) * kDbmScale);
        }
    }
    *df = 1.0 / (static_cast<double>(n) * dt);
    return NoAnlysErr;
}

int SpectrumUnitConversion(const double *spectrum, int n, int kind, int scaling, int unit, double df,
                           WindowConstants constants, double *out, char *unitText)
{
    if (n <= 0)
        return SamplesGTZeroAnlysErr;
    if (!spectrum || !out)
        return ArraySizeAnlysErr;

    if (kind == SPECTRUM_GAIN) {
        const bool db = scaling == SCALING_DB || scaling == SCALING_DBM;
        for (int k = 0; k < n; ++k)
            out[k] = db ? 20.0 * std::log10(std::fabs(spectrum[k])) : spectrum[k];
        if (unitText)
            std::strcpy(unitText, db ? "dB" : "");
        return NoAnlysErr;
    }

    const bool perHz = (unit & UNIT_PER_HZ) != 0;
    double f = 1.0;
    if (perHz) {
        const double bw = constants.enbw * df;
        if (!(bw > 0.0) || !std::isfinite(bw))
            return DtGTZeroAnlysErr;
        f = 1.0 / bw;
    }
    // The unit text is built before any value changes, so that a failure
    // leaves the caller's arrays as they were.
    std::string text;
    if (unitText && scaling != SCALING_DBM) {
        try {
            text = scaling == SCALING_DB ? "dB" : "";
            text += unitText;
            if (unit >= 0 && unit <= 7)
                text += (scaling == SCALING_DB ? kUnitSuffixDb : kUnitSuffixLinear)[unit];
        } catch (const std::bad_alloc &) {
            return OutOfMemAnlysErr;
        }
    }

    const bool peak = (unit & UNIT_PEAK) != 0 && scaling != SCALING_DBM && n > 1;
    const bool squared = (unit & UNIT_SQUARED) != 0;
    for (int k = 0; k < n; ++k) {
        double v = spectrum[k];
        if (kind == SPECTRUM_AMPLITUDE)
            v *= v;
        if (perHz)
            v *= f;
        if (peak && k > 0)
            v *= 2.0;
        if (scaling == SCALING_DB)
            v = 10.0 * std::log10(std::fabs(v));
        else if (scaling == SCALING_DBM)
            v = 10.0 * std::log10(std::fabs(v) * kDbmScale);
        else if (!squared)
            v = std::sqrt(std::fabs(v));
        out[k] = v;
    }
    if (unitText) {
        if (scaling == SCALING_DBM)
            std::strcpy(unitText, "dBm");
        else
            std::memcpy(unitText, text.c_str(), text.size() + 1);
    }
    return NoAnlysErr;
}

} // extern "C"
