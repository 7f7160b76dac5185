// The dispatched loops (noise, periodic waveforms) give the same bits at
// every processor level the machine runs, and the in-place noise adds
// exactly what the drawn noise holds.
#include "analysis/analysis.h"
#include "analysis/vec_internal.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace
{

bool sameBits(const std::vector<double> &a, const std::vector<double> &b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), sizeof(double) * a.size()) == 0;
}

// Everything the dispatched loops produce, from fixed starting points:
// noise drawn, added and decimated (with a length that leaves partial lane
// groups), and the four shapes over phases inside and outside the vector
// path's range.
std::vector<std::vector<double>> Outputs()
{
    std::vector<std::vector<double>> all;
    std::vector<double> v(100003);
    EXPECT_EQ(WhiteNoise(static_cast<int>(v.size()), 0.3, 77, v.data()), 0);
    all.push_back(v);
    for (std::size_t i = 0; i < v.size(); ++i)
        v[i] = 0.001 * static_cast<double>(i % 977);
    EXPECT_EQ(AddWhiteNoise(static_cast<int>(v.size()) - 5, 1.7, v.data() + 3), 0);
    all.push_back(v);
    std::vector<double> d(4099);
    EXPECT_EQ(WhiteNoiseDecimated(static_cast<int>(d.size()), 0.9, 7, d.data()), 0);
    all.push_back(d);
    for (double start : {0.0, 123.456, -7.5e7, 3.0e10, 5.0e13}) {
        for (int kind = 0; kind < 4; ++kind) {
            std::vector<double> w(20011);
            double phase = start;
            const int n = static_cast<int>(w.size());
            const double f = 0.0123456789;
            int status = 0;
            if (kind == 0)
                status = SineWave(n, 1.3, f, &phase, w.data());
            else if (kind == 1)
                status = SquareWave(n, 1.3, f, &phase, 37.0, w.data());
            else if (kind == 2)
                status = SawtoothWave(n, 1.3, f, &phase, w.data());
            else
                status = TriangleWave(n, 1.3, f, &phase, w.data());
            EXPECT_EQ(status, 0);
            w.push_back(phase);
            all.push_back(w);
        }
    }
    return all;
}

TEST(VectorLevels, EveryLevelGivesTheSameBitsAndAddedNoiseEqualsDrawnNoise)
{
    analysis_vec::forceVectorLevel(analysis_vec::kVecPortable);
    const std::vector<std::vector<double>> portable = Outputs();
    for (int level : {analysis_vec::kVecAvx2, analysis_vec::kVecAvx512}) {
        analysis_vec::forceVectorLevel(level);
        const std::vector<std::vector<double>> other = Outputs();
        ASSERT_EQ(other.size(), portable.size());
        for (std::size_t k = 0; k < portable.size(); ++k)
            EXPECT_TRUE(sameBits(portable[k], other[k])) << "level " << level << " output " << k;
    }
    analysis_vec::forceVectorLevel(-1);

    // Added noise equals drawn noise added value by value, and leaves the
    // sequence where the draw leaves it.
    const int n = 70001;
    std::vector<double> drawn(n + 2), added(n);
    ASSERT_EQ(WhiteNoise(n + 2, 0.6, 4242, drawn.data()), 0);
    std::vector<double> first(1);
    ASSERT_EQ(WhiteNoise(1, 0.6, 4242, first.data()), 0); // restarts and takes draw 1
    for (int i = 0; i < n; ++i)
        added[static_cast<std::size_t>(i)] = 0.25 * static_cast<double>(i % 13) - 1.0;
    ASSERT_EQ(AddWhiteNoise(n, 0.6, added.data()), 0);
    for (int i = 0; i < n; ++i) {
        const double expected = (0.25 * static_cast<double>(i % 13) - 1.0) + drawn[static_cast<std::size_t>(i) + 1];
        ASSERT_EQ(std::memcmp(&expected, &added[static_cast<std::size_t>(i)], sizeof expected), 0) << i;
    }
    ASSERT_EQ(WhiteNoise(1, 0.6, 0, first.data()), 0);
    EXPECT_EQ(first[0], drawn[static_cast<std::size_t>(n) + 1]);
    EXPECT_EQ(AddWhiteNoise(0, 0.6, added.data()), SamplesGTZeroAnlysErr);
}

} // namespace
