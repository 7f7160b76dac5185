// Power spectra and the conversion into display units.
#include "analysis/fft.h"
#include "analysis/spectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace
{

const double kPi = 3.14159265358979323846;

std::vector<double> Sine(int n, double amplitude, double bin, double phase = 0.0)
{
    std::vector<double> x(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k)
        x[static_cast<std::size_t>(k)] = amplitude * std::sin(2.0 * kPi * bin * k / n + phase);
    return x;
}

TEST(Spectrum, TwoSidedPowerSpectrum)
{
    double one = -3.0;
    ASSERT_EQ(Spectrum(&one, 1), 0);
    EXPECT_EQ(one, 9.0);

    // |X_k|^2 / n^2, symmetric about n/2, summing to the mean square.
    for (int n : {2, 7, 12, 1000, 1009}) {
        std::vector<double> x = Sine(n, 1.5, 3.0, 0.3);
        for (int k = 0; k < n; ++k)
            x[static_cast<std::size_t>(k)] += 0.25 + 0.1 * std::cos(0.7 * k * k);
        const std::vector<double> in = x;
        ASSERT_EQ(Spectrum(x.data(), n), 0);
        double ms = 0.0, total = 0.0;
        for (int k = 0; k < n; ++k) {
            ms += in[static_cast<std::size_t>(k)] * in[static_cast<std::size_t>(k)] / n;
            total += x[static_cast<std::size_t>(k)];
        }
        EXPECT_NEAR(total, ms, 1e-12 * ms) << n;
        for (int k = 1; k < n; ++k)
            EXPECT_EQ(x[static_cast<std::size_t>(k)], x[static_cast<std::size_t>(n - k)]) << n << " " << k;
        double re = 0.0, im = 0.0;
        for (int j = 0; j < n; ++j) {
            re += in[static_cast<std::size_t>(j)] * std::cos(2.0 * kPi * 2 * j / n);
            im -= in[static_cast<std::size_t>(j)] * std::sin(2.0 * kPi * 2 * j / n);
        }
        if (n > 2) {
            EXPECT_NEAR(x[2], (re * re + im * im) / (double(n) * n), 1e-12) << n;
        }
    }
}

TEST(Spectrum, AutoPowerSpectrumDocumentedCases)
{
    std::vector<double> dc(8, 1.0), out(4, -1.0);
    double df = 0.0;
    ASSERT_EQ(AutoPowerSpectrum(dc.data(), 8, 0.001, out.data(), &df), 0);
    EXPECT_NEAR(out[0], 1.0, 1e-15);
    for (int k = 1; k < 4; ++k)
        EXPECT_NEAR(out[static_cast<std::size_t>(k)], 0.0, 1e-15);
    EXPECT_DOUBLE_EQ(df, 125.0);
    EXPECT_EQ(dc, std::vector<double>(8, 1.0)); // the input is not changed

    std::vector<double> s = Sine(1024, 2.0, 10.0), o(512);
    ASSERT_EQ(AutoPowerSpectrum(s.data(), 1024, 1e-5, o.data(), &df), 0);
    EXPECT_NEAR(o[10], 2.0, 1e-12); // A^2/2, rms^2
    EXPECT_NEAR(o[9], 0.0, 1e-12);
    EXPECT_NEAR(df, 1.0 / (1024 * 1e-5), 1e-9);

    // n of 2 or 3: one output value, DC, never doubled.
    double two[2] = {1.0, 3.0}, o2 = 0.0;
    ASSERT_EQ(AutoPowerSpectrum(two, 2, 1.0, &o2, &df), 0);
    EXPECT_DOUBLE_EQ(o2, 4.0);
    EXPECT_DOUBLE_EQ(df, 0.5);
}

TEST(Spectrum, ArgumentErrorsLeaveOutputsUntouched)
{
    double x[4] = {1, 2, 3, 4}, out[2] = {-7, -7}, df = -7;
    EXPECT_EQ(Spectrum(x, 0), -20003);
    EXPECT_EQ(Spectrum(x, -1), -20003);
    EXPECT_EQ(AutoPowerSpectrum(x, 0, 1.0, out, &df), -20003);
    // A sample period that is zero, negative or not a number gives no
    // frequency step: an error, not an infinite df.
    EXPECT_EQ(AutoPowerSpectrum(x, 4, 0.0, out, &df), -20016);
    EXPECT_EQ(AutoPowerSpectrum(x, 4, -1.0, out, &df), -20016);
    EXPECT_EQ(AutoPowerSpectrum(x, 4, std::nan(""), out, &df), -20016);
    EXPECT_NE(AutoPowerSpectrum(x, 4, 1.0, nullptr, &df), 0);
    EXPECT_NE(AutoPowerSpectrum(x, 4, 1.0, out, nullptr), 0);
    EXPECT_NE(Spectrum(nullptr, 4), 0);
    EXPECT_EQ(x[0], 1);
    EXPECT_EQ(x[3], 4);
    EXPECT_EQ(out[0], -7);
    EXPECT_EQ(out[1], -7);
    EXPECT_EQ(df, -7);

    char unit[32] = "V";
    const WindowConstants wc{1.5, 0.5};
    EXPECT_EQ(SpectrumUnitConversion(x, 0, 0, 0, 0, 1.0, wc, out, unit), -20003);
    EXPECT_EQ(SpectrumUnitConversion(x, -2, 0, 0, 0, 1.0, wc, out, unit), -20003);
    // Per hertz with no bandwidth: an error rather than infinite densities.
    EXPECT_EQ(SpectrumUnitConversion(x, 2, 0, 0, 4, 0.0, wc, out, unit), -20016);
    EXPECT_EQ(out[0], -7);
    EXPECT_STREQ(unit, "V");
}

TEST(Spectrum, OutOfMemoryIsPassedOnAndLeavesDataUntouched)
{
    // The transform's failure is returned, not a spectrum of garbage.
    korvax::fft::SetWorkLimit(8);
    std::vector<double> x = Sine(1000, 1.0, 5.0), in = x, out(500, -1.0);
    double df = -1.0;
    EXPECT_EQ(Spectrum(x.data(), 1000), -20001);
    EXPECT_EQ(x, in);
    EXPECT_EQ(AutoPowerSpectrum(x.data(), 1000, 1e-3, out.data(), &df), -20001);
    EXPECT_EQ(out, std::vector<double>(500, -1.0));
    EXPECT_EQ(df, -1.0);
    korvax::fft::SetWorkLimit(0);
    EXPECT_EQ(AutoPowerSpectrum(x.data(), 1000, 1e-3, out.data(), &df), 0);
    EXPECT_NEAR(out[5], 0.5, 1e-12);
}

TEST(Spectrum, UnitConversionValues)
{
    const WindowConstants rect{1.0, 1.0};
    double out[3];
    char unit[32] = "V";

    // Power 2.0 shown as peak amplitude: sqrt(2 * 2) except DC.
    const double p[3] = {2.0, 2.0, 2.0};
    ASSERT_EQ(SpectrumUnitConversion(p, 3, 0, 0, 1, 1.0, rect, out, unit), 0);
    EXPECT_DOUBLE_EQ(out[0], std::sqrt(2.0));
    EXPECT_DOUBLE_EQ(out[1], 2.0);
    EXPECT_DOUBLE_EQ(out[2], 2.0);
    EXPECT_STREQ(unit, "Vpk");

    // Amplitude spectrum, rms, dB: 20 log10 of the amplitude.
    std::strcpy(unit, "V");
    const double a[3] = {10.0, 0.1, -1.0};
    ASSERT_EQ(SpectrumUnitConversion(a, 3, 1, 1, 0, 1.0, rect, out, unit), 0);
    EXPECT_NEAR(out[0], 20.0, 1e-12);
    EXPECT_NEAR(out[1], -20.0, 1e-12);
    EXPECT_NEAR(out[2], 0.0, 1e-12);
    EXPECT_STREQ(unit, "dBVrms");

    // Power density: times 1 / (ENBW * df), squared units kept.
    std::strcpy(unit, "V");
    const WindowConstants han{1.5, 0.5};
    ASSERT_EQ(SpectrumUnitConversion(p, 3, 0, 0, 6, 4.0, han, out, unit), 0);
    EXPECT_DOUBLE_EQ(out[1], 2.0 / 6.0);
    EXPECT_STREQ(unit, "Vrms^2/Hz");

    // A gain: 20 log10 |g| and "dB", or the values and no unit.
    std::strcpy(unit, "V");
    const double g[2] = {0.01, -100.0};
    ASSERT_EQ(SpectrumUnitConversion(g, 2, 2, 1, 3, 1.0, rect, out, unit), 0);
    EXPECT_NEAR(out[0], -40.0, 1e-12);
    EXPECT_NEAR(out[1], 40.0, 1e-12);
    EXPECT_STREQ(unit, "dB");
    std::strcpy(unit, "V");
    ASSERT_EQ(SpectrumUnitConversion(g, 2, 2, 0, 3, 1.0, rect, out, unit), 0);
    EXPECT_EQ(out[1], -100.0);
    EXPECT_STREQ(unit, "");

    // dBm: relative to 0.6084 V^2 (0.78 V rms); the peak bit is ignored.
    std::strcpy(unit, "V");
    const double half[2] = {0.6084, 0.6084};
    ASSERT_EQ(SpectrumUnitConversion(half, 2, 0, 2, 1, 1.0, rect, out, unit), 0);
    EXPECT_NEAR(out[0], 0.0, 1e-12);
    EXPECT_NEAR(out[1], 0.0, 1e-12);
    EXPECT_STREQ(unit, "dBm");
}

TEST(Spectrum, UnitTexts)
{
    const char *linear[8] = {"Vrms",      "Vpk",      "Vrms^2",    "Vpk^2",
                             "Vrms/rtHz", "Vpk/rtHz", "Vrms^2/Hz", "Vpk^2/Hz"};
    const char *db[8] = {"dBVrms",      "dBVpk",      "dBVrms",      "dBVpk",
                         "dBVrms/rtHz", "dBVpk/rtHz", "dBVrms^2/Hz", "dBVpk^2/Hz"};
    const WindowConstants wc{1.0, 1.0};
    const double v[1] = {1.0};
    double out[1];
    for (int code = 0; code < 8; ++code) {
        char unit[32] = "V";
        ASSERT_EQ(SpectrumUnitConversion(v, 1, 0, 0, code, 1.0, wc, out, unit), 0);
        EXPECT_STREQ(unit, linear[code]);
        std::strcpy(unit, "V");
        ASSERT_EQ(SpectrumUnitConversion(v, 1, 0, 1, code, 1.0, wc, out, unit), 0);
        EXPECT_STREQ(unit, db[code]);
    }
    char unit[32] = "V";
    ASSERT_EQ(SpectrumUnitConversion(v, 1, 0, 0, 9, 1.0, wc, out, unit), 0);
    EXPECT_STREQ(unit, "V"); // no suffix above 7
    char longest[32] = "mV";
    ASSERT_EQ(SpectrumUnitConversion(v, 1, 0, 1, 7, 1.0, wc, out, longest), 0);
    EXPECT_STREQ(longest, "dBmVpk^2/Hz");
    EXPECT_LE(std::strlen(longest), std::strlen("mV") + SPECTRUM_UNIT_EXTRA);
    // No unit text wanted.
    EXPECT_EQ(SpectrumUnitConversion(v, 1, 0, 1, 7, 1.0, wc, out, nullptr), 0);
}

TEST(Spectrum, BinCentredSineReadsMinus085DbmUnderEveryWindow)
{
    // The scope's chain: window, single-sided power spectrum, dBm in place.
    const double expected = 10.0 * std::log10(0.5 / 0.6084);
    for (int n : {1000, 1024, 4096}) {
        const int bin = n / 20;
        for (int code = 0; code <= 9; ++code) {
            std::vector<double> x = Sine(n, 1.0, bin), bins(static_cast<std::size_t>(n), 0.0);
            WindowConstants wc{0, 0};
            double df = 0.0;
            ASSERT_EQ(ScaledWindow(x.data(), n, code, &wc), 0);
            ASSERT_EQ(AutoPowerSpectrum(x.data(), n, 1e-5, bins.data(), &df), 0);
            char unit[32] = "V";
            ASSERT_EQ(SpectrumUnitConversion(bins.data(), n, 0, 2, 0, 1.0, wc, bins.data(), unit), 0);
            int peak = 0;
            for (int k = 1; k < n / 2; ++k)
                if (bins[static_cast<std::size_t>(k)] > bins[static_cast<std::size_t>(peak)])
                    peak = k;
            EXPECT_EQ(peak, bin) << "code " << code << " n " << n;
            EXPECT_NEAR(bins[static_cast<std::size_t>(bin)], expected, 1e-9) << "code " << code << " n " << n;
            EXPECT_NEAR(df, 1.0 / (n * 1e-5), 1e-9);
        }
    }
}

} // namespace
