// Spectrum averaging, peak search and the distortion and noise figures.
#include "analysis/analysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace
{

const double kPi = 3.14159265358979323846;
constexpr double kDt = 1e-6;

// Single-sided power spectrum of x weighted by the window of the given code.
std::vector<double> PowerSpectrum(std::vector<double> x, int window, double *df = nullptr)
{
    const int n = static_cast<int>(x.size());
    WindowConstants wc{0, 0};
    EXPECT_EQ(ScaledWindow(x.data(), n, window, &wc), 0);
    std::vector<double> p(static_cast<std::size_t>(n / 2));
    double step = 0.0;
    EXPECT_EQ(AutoPowerSpectrum(x.data(), n, kDt, p.data(), &step), 0);
    if (df)
        *df = step;
    return p;
}

// Sum of sines: amplitude[h-1] at h x bin cycles per record.
std::vector<double> Tones(int n, double bin, const std::vector<double> &amplitude)
{
    std::vector<double> x(static_cast<std::size_t>(n), 0.0);
    for (int k = 0; k < n; ++k)
        for (std::size_t h = 0; h < amplitude.size(); ++h)
            x[static_cast<std::size_t>(k)] +=
                amplitude[h] * std::sin(2.0 * kPi * bin * static_cast<double>(h + 1) * k / n);
    return x;
}

// Relative spread (standard deviation over mean) of bins lo..hi-1.
double Spread(const std::vector<double> &p, std::size_t lo, std::size_t hi)
{
    double s = 0.0, q = 0.0;
    for (std::size_t k = lo; k < hi; ++k) {
        s += p[k];
        q += p[k] * p[k];
    }
    const double m = s / static_cast<double>(hi - lo);
    return std::sqrt(q / static_cast<double>(hi - lo) - m * m) / m;
}

TEST(HarmonicAnalysis, PureSineHasNoDistortion)
{
    double df = 0.0;
    std::vector<double> p = PowerSpectrum(Tones(4096, 100.0, {1.0}), WINDOW_HANNING, &df);
    HarmonicAnalysis r;
    ASSERT_EQ(AnalyzeHarmonics(p.data(), 2048, df, WINDOW_HANNING, 10, &r), 0);
    EXPECT_NEAR(r.fundamental, 100.0 * df, 1e-9 * df);
    EXPECT_NEAR(r.fundamentalPower, 0.5, 1e-12);
    EXPECT_LT(r.thd, 1e-6);
    EXPECT_GT(r.snr, 150.0);
    EXPECT_GT(r.sfdr, 150.0);
    EXPECT_EQ(r.harmonicsFound, 9);

    // Between two bins, amplitude 2, under a 4-term Blackman-Harris window:
    // the lobe still holds the tone's power and its centre the frequency.
    p = PowerSpectrum(Tones(4096, 100.37, {2.0}), WINDOW_BLACKMAN_HARRIS_4, &df);
    ASSERT_EQ(AnalyzeHarmonics(p.data(), 2048, df, WINDOW_BLACKMAN_HARRIS_4, 10, &r), 0);
    EXPECT_NEAR(r.fundamental / df, 100.37, 0.01);
    EXPECT_NEAR(r.fundamentalPower, 2.0, 0.01);
    EXPECT_LT(r.thd, 0.01);
    EXPECT_GT(r.sfdr, 90.0);
}

TEST(HarmonicAnalysis, KnownHarmonicsGiveThdAndSfdr)
{
    double df = 0.0;
    const std::vector<double> p = PowerSpectrum(Tones(8192, 64.0, {1.0, 0.01, 0.005}), WINDOW_HANNING, &df);
    HarmonicAnalysis r;
    ASSERT_EQ(AnalyzeHarmonics(p.data(), 4096, df, WINDOW_HANNING, 5, &r), 0);
    EXPECT_NEAR(r.thd, 100.0 * std::sqrt(0.01 * 0.01 + 0.005 * 0.005), 1e-9);
    EXPECT_NEAR(r.sfdr, 40.0, 1e-9); // the second harmonic, 1 % of the tone
    EXPECT_EQ(r.harmonicsFound, 4);
    ASSERT_EQ(AnalyzeHarmonics(p.data(), 4096, df, WINDOW_HANNING, 2, &r), 0);
    EXPECT_NEAR(r.thd, 1.0, 1e-9);
    EXPECT_EQ(r.harmonicsFound, 1);
    // The third harmonic, no longer counted, is noise now (spread over the
    // whole band, so a few parts in ten thousand more).
    EXPECT_NEAR(r.thdPlusNoise, 100.0 * std::sqrt(0.01 * 0.01 + 0.005 * 0.005), 1e-3);

    // Harmonics beyond the last bin are not counted.
    const std::vector<double> q = PowerSpectrum(Tones(8192, 1500.0, {1.0, 0.02}), WINDOW_HANNING, &df);
    ASSERT_EQ(AnalyzeHarmonics(q.data(), 4096, df, WINDOW_HANNING, 10, &r), 0);
    EXPECT_EQ(r.harmonicsFound, 1);
    EXPECT_NEAR(r.thd, 2.0, 1e-9);
}

TEST(HarmonicAnalysis, SquareWaveThdToTheNyquistLimit)
{
    // 1 kHz at 1 MS/s, 100 cycles.  Reference: numpy on the same record,
    // sqrt(sum of harmonic bins / fundamental bin) of its rfft, and the
    // closed form of a sampled square, 4 / (N sin(pi/N)) for the
    // fundamental amplitude with N = 1000 samples per period.
    const int n = 100000;
    std::vector<double> x(n);
    for (int i = 0; i < n; ++i)
        x[static_cast<std::size_t>(i)] = (i % 1000) < 500 ? 1.0 : -1.0;
    const double a1 = 4.0 / (1000.0 * std::sin(kPi / 1000.0));
    const double p1 = a1 * a1 / 2.0;
    const double sampled = 100.0 * std::sqrt((1.0 - p1) / p1); // 48.342164973...
    EXPECT_NEAR(sampled, 48.342164973176835, 1e-9);
    const double continuous = 100.0 * std::sqrt(kPi * kPi / 8.0 - 1.0);
    for (int window : {WINDOW_NONE, WINDOW_HANNING}) {
        double df = 0.0;
        const std::vector<double> p = PowerSpectrum(x, window, &df);
        HarmonicAnalysis r;
        ASSERT_EQ(AnalyzeHarmonics(p.data(), n / 2, df, window, 499, &r), 0);
        EXPECT_NEAR(r.fundamental, 1000.0, 1e-6);
        EXPECT_NEAR(r.thd, sampled, 1e-6) << window;
        EXPECT_NEAR(r.thd, continuous, 0.01) << window;
        EXPECT_EQ(r.harmonicsFound, 498); // 2 .. 499; the 500th would be the Nyquist bin
    }

    // The library's square wave: the same within its phase rounding.
    double phase = 0.0, df = 0.0;
    ASSERT_EQ(SquareWave(n, 1.0, 1000.0 * kDt, &phase, 50.0, x.data()), 0);
    const std::vector<double> p = PowerSpectrum(x, WINDOW_HANNING, &df);
    HarmonicAnalysis r;
    ASSERT_EQ(AnalyzeHarmonics(p.data(), n / 2, df, WINDOW_HANNING, 1000, &r), 0);
    EXPECT_NEAR(r.thd, 48.3, 0.1);
}

TEST(HarmonicAnalysis, NoiseLevelPredictsSnr)
{
    // Uniform noise of amplitude a has a variance of a^2 / 3.
    const int n = 65536;
    for (double a : {0.01, 0.1}) {
        std::vector<double> noise(n);
        ASSERT_EQ(WhiteNoise(n, a, 3, noise.data()), 0);
        const double predicted = 10.0 * std::log10(0.5 / (a * a / 3.0));
        for (int window : {WINDOW_HANNING, WINDOW_BLACKMAN_HARRIS_4, WINDOW_FLAT_TOP}) {
            // The Hanning window's sidelobes leak about -35 dB of a tone
            // between bins into the band, so it gets a tone on a bin; the
            // low-sidelobe windows take one between bins.
            std::vector<double> x = Tones(n, window == WINDOW_HANNING ? 1001.0 : 1001.3, {1.0});
            for (int i = 0; i < n; ++i)
                x[static_cast<std::size_t>(i)] += noise[static_cast<std::size_t>(i)];
            double df = 0.0;
            const std::vector<double> p = PowerSpectrum(x, window, &df);
            HarmonicAnalysis r;
            ASSERT_EQ(AnalyzeHarmonics(p.data(), n / 2, df, window, 5, &r), 0);
            EXPECT_NEAR(r.snr, predicted, 0.5) << a << " " << window;
            EXPECT_NEAR(r.sinad, predicted, 0.5) << a << " " << window;
            EXPECT_NEAR(r.noisePower, a * a / 3.0, 0.1 * a * a / 3.0);
            EXPECT_NEAR(r.thdPlusNoise, 100.0 * std::pow(10.0, -r.sinad / 20.0), 1e-9);
            EXPECT_NEAR(r.enob, (r.sinad - 1.76) / 6.02, 1e-12);
        }
    }
}

TEST(HarmonicAnalysis, EightBitQuantisedSineHasEightEffectiveBits)
{
    const int n = 16384;
    const double q = 2.0 / 256.0;
    std::vector<double> x = Tones(n, 1021.0, {1.0 - q / 2.0});
    for (double &v : x)
        v = q * std::floor(v / q) + q / 2.0; // 256 levels across +-1
    double df = 0.0;
    const std::vector<double> p = PowerSpectrum(x, WINDOW_NONE, &df);
    HarmonicAnalysis r;
    ASSERT_EQ(AnalyzeHarmonics(p.data(), n / 2, df, WINDOW_NONE, 9, &r), 0);
    EXPECT_NEAR(r.sinad, 6.02 * 8 + 1.76, 0.3);
    EXPECT_NEAR(r.enob, 8.0, 0.1);
}

TEST(HarmonicAnalysis, SpectraWithoutATone)
{
    HarmonicAnalysis r;
    std::memset(&r, 0x5A, sizeof r);
    const HarmonicAnalysis untouched = r;
    std::vector<double> zero(1024, 0.0);
    EXPECT_EQ(AnalyzeHarmonics(zero.data(), 1024, 1.0, WINDOW_HANNING, 5, &r), NoFundamentalAnlysErr);
    std::vector<double> nan(1024, std::numeric_limits<double>::quiet_NaN());
    nan[0] = nan[1] = 4.0; // DC only
    EXPECT_EQ(AnalyzeHarmonics(nan.data(), 1024, 1.0, WINDOW_HANNING, 5, &r), NoFundamentalAnlysErr);
    double dcOnly[2] = {1.0, 1.0};
    EXPECT_EQ(AnalyzeHarmonics(dcOnly, 2, 1.0, WINDOW_HANNING, 5, &r), NoFundamentalAnlysErr);
    EXPECT_EQ(std::memcmp(&r, &untouched, sizeof r), 0);
    EXPECT_STREQ(GetAnalysisErrorString(NoFundamentalAnlysErr), "No fundamental: the spectrum holds no tone above DC");

    // NaN bins among a real spectrum are skipped.
    double df = 0.0;
    std::vector<double> p = PowerSpectrum(Tones(4096, 100.0, {1.0, 0.01}), WINDOW_HANNING, &df);
    p[700] = p[1500] = std::numeric_limits<double>::quiet_NaN();
    ASSERT_EQ(AnalyzeHarmonics(p.data(), 2048, df, WINDOW_HANNING, 3, &r), 0);
    EXPECT_NEAR(r.thd, 1.0, 0.01);
    EXPECT_FALSE(std::isnan(r.snr));
}

TEST(HarmonicAnalysis, MainLobeWidths)
{
    EXPECT_EQ(WindowMainLobeBins(WINDOW_NONE), 1);
    EXPECT_EQ(WindowMainLobeBins(42), 1);
    EXPECT_EQ(WindowMainLobeBins(WINDOW_HANNING), 2);
    EXPECT_EQ(WindowMainLobeBins(WINDOW_HAMMING), 2);
    EXPECT_EQ(WindowMainLobeBins(WINDOW_BLACKMAN_HARRIS_3), 3);
    EXPECT_EQ(WindowMainLobeBins(WINDOW_EXACT_BLACKMAN), 3);
    EXPECT_EQ(WindowMainLobeBins(WINDOW_BLACKMAN), 3);
    EXPECT_EQ(WindowMainLobeBins(WINDOW_FLAT_TOP), 5);
    EXPECT_EQ(WindowMainLobeBins(WINDOW_BLACKMAN_HARRIS_4), 4);
    EXPECT_EQ(WindowMainLobeBins(WINDOW_BLACKMAN_HARRIS_7), 7);
    EXPECT_EQ(WindowMainLobeBins(WINDOW_LOW_SIDELOBE), 5);
}

TEST(SpectrumAveraging, LinearAndExponentialAveragingReduceTheSpread)
{
    const int n = 2048, records = 16;
    std::vector<double> x(n), linear(n / 2), expo(n / 2), first;
    int linearCount = 0, expoCount = 0;
    ASSERT_EQ(WhiteNoise(1, 1.0, 11, x.data()), 0);
    for (int r = 0; r < 4 * records; ++r) {
        ASSERT_EQ(WhiteNoise(n, 1.0, 0, x.data()), 0);
        const std::vector<double> p = PowerSpectrum(x, WINDOW_HANNING);
        if (r == 0)
            first = p;
        if (r < records) {
            ASSERT_EQ(AverageSpectrum(p.data(), n / 2, AVERAGING_LINEAR, 0, linear.data(), &linearCount), 0);
        }
        ASSERT_EQ(AverageSpectrum(p.data(), n / 2, AVERAGING_EXPONENTIAL, 8, expo.data(), &expoCount), 0);
    }
    EXPECT_EQ(linearCount, records);
    EXPECT_EQ(expoCount, 4 * records);
    // One spectrum of noise spreads as much as its mean (two degrees of
    // freedom per bin); the mean of N spreads 1/sqrt(N) of that.
    const double one = Spread(first, 10, 1000), many = Spread(linear, 10, 1000);
    EXPECT_NEAR(one, 1.0, 0.15);
    EXPECT_NEAR(one / many, std::sqrt(double(records)), 0.2 * std::sqrt(double(records)));
    // Exponential weight w settles at a variance 1/(2w - 1) of one spectrum's.
    EXPECT_NEAR(Spread(expo, 10, 1000), 1.0 / std::sqrt(15.0), 0.25 / std::sqrt(15.0));

    // Below the weight, exponential averaging is the plain mean; weight 1
    // keeps only the latest spectrum.
    const double a[3] = {1.0, 4.0, 10.0}, b[3] = {3.0, 0.0, 4.0}, c[3] = {2.0, 2.0, 1.0};
    double lin[3], ex[3], last[3];
    int cl = 0, ce = 0, c1 = 0;
    for (const double *s : {a, b, c}) {
        ASSERT_EQ(AverageSpectrum(s, 3, AVERAGING_LINEAR, 0, lin, &cl), 0);
        ASSERT_EQ(AverageSpectrum(s, 3, AVERAGING_EXPONENTIAL, 5, ex, &ce), 0);
        ASSERT_EQ(AverageSpectrum(s, 3, AVERAGING_EXPONENTIAL, 1, last, &c1), 0);
    }
    for (int k = 0; k < 3; ++k) {
        EXPECT_DOUBLE_EQ(lin[k], (a[k] + b[k] + c[k]) / 3.0);
        EXPECT_DOUBLE_EQ(ex[k], lin[k]);
        EXPECT_EQ(last[k], c[k]);
    }
    // Count 0 starts afresh.
    cl = 0;
    ASSERT_EQ(AverageSpectrum(b, 3, AVERAGING_LINEAR, 0, lin, &cl), 0);
    EXPECT_EQ(lin[0], 3.0);
    EXPECT_EQ(cl, 1);
}

TEST(SpectrumAveraging, PeakHoldNeverDecreasesAndMinHoldNeverIncreases)
{
    const int n = 512;
    std::vector<double> x(2 * n), peak(n), low(n), prevPeak, prevLow;
    int cp = 0, cm = 0;
    ASSERT_EQ(WhiteNoise(1, 1.0, 5, x.data()), 0);
    for (int r = 0; r < 30; ++r) {
        ASSERT_EQ(WhiteNoise(2 * n, 1.0, 0, x.data()), 0);
        std::vector<double> p = PowerSpectrum(x, WINDOW_HAMMING);
        if (r == 7)
            p[3] = std::numeric_limits<double>::quiet_NaN(); // a NaN bin leaves the held value
        ASSERT_EQ(AverageSpectrum(p.data(), n, AVERAGING_PEAK_HOLD, 0, peak.data(), &cp), 0);
        ASSERT_EQ(AverageSpectrum(p.data(), n, AVERAGING_MIN_HOLD, 0, low.data(), &cm), 0);
        for (int k = 0; k < n; ++k) {
            const std::size_t i = static_cast<std::size_t>(k);
            if (!std::isnan(p[i])) {
                EXPECT_GE(peak[i], p[i]);
                EXPECT_LE(low[i], p[i]);
            }
            if (r > 0) {
                EXPECT_GE(peak[i], prevPeak[i]) << r << " " << k;
                EXPECT_LE(low[i], prevLow[i]) << r << " " << k;
            }
        }
        prevPeak = peak;
        prevLow = low;
    }
    EXPECT_EQ(cp, 30);

    // A NaN in the first spectrum is replaced by the next finite value.
    const double s1[2] = {std::numeric_limits<double>::quiet_NaN(), 1.0}, s2[2] = {2.0, 0.5};
    double h[2], l[2], m[2];
    int ch = 0, cl = 0, cmn = 0;
    for (const double *s : {s1, s2}) {
        ASSERT_EQ(AverageSpectrum(s, 2, AVERAGING_PEAK_HOLD, 0, h, &ch), 0);
        ASSERT_EQ(AverageSpectrum(s, 2, AVERAGING_MIN_HOLD, 0, l, &cl), 0);
        ASSERT_EQ(AverageSpectrum(s, 2, AVERAGING_LINEAR, 0, m, &cmn), 0);
    }
    EXPECT_EQ(h[0], 2.0);
    EXPECT_EQ(h[1], 1.0);
    EXPECT_EQ(l[0], 2.0);
    EXPECT_EQ(l[1], 0.5);
    EXPECT_EQ(m[0], 2.0);
    EXPECT_EQ(m[1], 0.75);
}

TEST(SpectrumPeaks, LargestLocalMaximaFirst)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    //                 0    1    2    3    4    5    6    7    8    9   10   11   12
    const double s[] = {6.0, 1.0, 0.0, 5.0, 4.0, 3.0, 7.0, 0.0, 2.0, 2.0, 0.0, nan, 5.0};
    int bins[8];
    double values[8];
    int found = -1;
    ASSERT_EQ(SpectrumPeaks(s, 13, 3, bins, values, &found), 0);
    ASSERT_EQ(found, 3);
    EXPECT_EQ(bins[0], 6);
    EXPECT_EQ(values[0], 7.0);
    EXPECT_EQ(bins[1], 0);
    EXPECT_EQ(bins[2], 3); // ties by ascending bin: 3 before 12
    EXPECT_EQ(values[2], 5.0);
    ASSERT_EQ(SpectrumPeaks(s, 13, 8, bins, values, &found), 0);
    ASSERT_EQ(found, 5); // 6, 0, 3, 12 (beside a NaN), 8 (first of a flat top)
    EXPECT_EQ(bins[3], 12);
    EXPECT_EQ(bins[4], 8);
    EXPECT_EQ(values[4], 2.0);

    double one = 0.5;
    ASSERT_EQ(SpectrumPeaks(&one, 1, 2, bins, values, &found), 0);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(bins[0], 0);

    // The three tones of a spectrum.
    double df = 0.0;
    std::vector<double> x = Tones(4096, 50.0, {1.0, 0.0, 0.3, 0.0, 0.1}), noise(4096);
    ASSERT_EQ(WhiteNoise(4096, 0.001, 2, noise.data()), 0);
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] += noise[i];
    const std::vector<double> p = PowerSpectrum(x, WINDOW_BLACKMAN_HARRIS_4, &df);
    ASSERT_EQ(SpectrumPeaks(p.data(), 2048, 3, bins, values, &found), 0);
    ASSERT_EQ(found, 3);
    EXPECT_EQ(bins[0], 50);
    EXPECT_EQ(bins[1], 150);
    EXPECT_EQ(bins[2], 250);
}

TEST(SpectrumMeasureArguments, EveryInvalidArgumentHasItsStatus)
{
    double s[4] = {1, 2, 3, 4}, avg[4] = {9, 9, 9, 9};
    int count = 0;
    for (int n : {0, -3}) {
        EXPECT_EQ(AverageSpectrum(s, n, AVERAGING_LINEAR, 1, avg, &count), SamplesGTZeroAnlysErr);
    }
    EXPECT_EQ(AverageSpectrum(nullptr, 4, AVERAGING_LINEAR, 1, avg, &count), ArraySizeAnlysErr);
    EXPECT_EQ(AverageSpectrum(s, 4, AVERAGING_LINEAR, 1, nullptr, &count), ArraySizeAnlysErr);
    EXPECT_EQ(AverageSpectrum(s, 4, AVERAGING_LINEAR, 1, avg, nullptr), ArraySizeAnlysErr);
    EXPECT_EQ(AverageSpectrum(s, 4, -1, 1, avg, &count), InvSelectionAnlysErr);
    EXPECT_EQ(AverageSpectrum(s, 4, 4, 1, avg, &count), InvSelectionAnlysErr);
    EXPECT_EQ(AverageSpectrum(s, 4, AVERAGING_EXPONENTIAL, 0, avg, &count), AveragesGTZeroAnlysErr);
    EXPECT_EQ(AverageSpectrum(s, 4, AVERAGING_EXPONENTIAL, -5, avg, &count), AveragesGTZeroAnlysErr);
    count = -1;
    EXPECT_EQ(AverageSpectrum(s, 4, AVERAGING_PEAK_HOLD, 1, avg, &count), InitStateAnlysErr);
    EXPECT_EQ(count, -1);
    for (double v : avg)
        EXPECT_EQ(v, 9.0);

    int bins[2] = {7, 7}, found = 7;
    double values[2] = {7, 7};
    EXPECT_EQ(SpectrumPeaks(s, 0, 2, bins, values, &found), SamplesGTZeroAnlysErr);
    EXPECT_EQ(SpectrumPeaks(nullptr, 4, 2, bins, values, &found), ArraySizeAnlysErr);
    EXPECT_EQ(SpectrumPeaks(s, 4, 2, nullptr, values, &found), ArraySizeAnlysErr);
    EXPECT_EQ(SpectrumPeaks(s, 4, 2, bins, nullptr, &found), ArraySizeAnlysErr);
    EXPECT_EQ(SpectrumPeaks(s, 4, 2, bins, values, nullptr), ArraySizeAnlysErr);
    EXPECT_EQ(SpectrumPeaks(s, 4, 0, bins, values, &found), PeaksGTZeroAnlysErr);
    EXPECT_EQ(found, 7);
    EXPECT_EQ(bins[0], 7);
    EXPECT_EQ(values[1], 7.0);

    HarmonicAnalysis r;
    std::memset(&r, 0x5A, sizeof r);
    const HarmonicAnalysis untouched = r;
    EXPECT_EQ(AnalyzeHarmonics(s, 0, 1.0, 0, 5, &r), SamplesGTZeroAnlysErr);
    EXPECT_EQ(AnalyzeHarmonics(nullptr, 4, 1.0, 0, 5, &r), ArraySizeAnlysErr);
    EXPECT_EQ(AnalyzeHarmonics(s, 4, 1.0, 0, 5, nullptr), ArraySizeAnlysErr);
    for (double df : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()})
        EXPECT_EQ(AnalyzeHarmonics(s, 4, df, 0, 5, &r), DtGTZeroAnlysErr);
    EXPECT_EQ(AnalyzeHarmonics(s, 4, 1.0, 0, 1, &r), HarmonicsAnlysErr);
    EXPECT_EQ(AnalyzeHarmonics(s, 4, 1.0, 0, -2, &r), HarmonicsAnlysErr);
    EXPECT_EQ(std::memcmp(&r, &untouched, sizeof r), 0);
}

} // namespace
