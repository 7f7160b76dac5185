// Noise sequence, its lock, the decimated draw and the per-thread uniform
// generator.
#include "analysis/analysis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <thread>
#include <vector>

namespace
{

// The combined generator written out literally, with 32-bit wrap-around
// products as a C compiler of the target would compute them.
struct LiteralGenerator {
    std::int32_t s1 = 1234, s2 = 2345, s3 = 3456;
    static std::int32_t wrapMul(std::int32_t a, std::int32_t b)
    {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
    }
    void seed(int seed)
    {
        if (seed == 0)
            return;
        s1 = seed;
        s2 = wrapMul(seed, 8191) & 0x3FFF;
        s3 = wrapMul(s2, 8191) & 0x3FFF;
    }
    int next()
    {
        s1 = wrapMul(171, s1) % 30269;
        s2 = wrapMul(172, s2) % 30307;
        s3 = wrapMul(170, s3) % 30323;
        const double sum = s3 * (1.0 / 30323.0) + s2 * (1.0 / 30307.0) + s1 * (1.0 / 30269.0);
        return static_cast<int>((sum - std::trunc(sum)) * 32768.0);
    }
};

std::vector<double> literalNoise(LiteralGenerator &g, int n, double amplitude)
{
    std::vector<double> v(static_cast<size_t>(n));
    const double k = amplitude * 0.00006103515625;
    for (double &x : v)
        x = (g.next() - 16383) * k;
    return v;
}

std::vector<double> noise(int n, double amplitude, int seed = 0)
{
    std::vector<double> v(static_cast<size_t>(n));
    EXPECT_EQ(WhiteNoise(n, amplitude, seed, v.data()), 0);
    return v;
}

int lockedRandnum()
{
    EXPECT_EQ(InitRandMutex(), 0);
    EXPECT_EQ(DSPMutexGet(&AnlysRandGenMutex), 0);
    const int v = randnum();
    DSPMutexRelease(&AnlysRandGenMutex);
    return v;
}

class Noise : public ::testing::Test
{
  protected:
    void SetUp() override { ResetAnalysisRandomState(); }
};

// Child bodies of the death tests below: exit 0 when every check holds.
void firstDrawChild()
{
    double v = 0.0;
    const bool ok = WhiteNoise(1, 16384.0, 0, &v) == 0 && v == 21468.0 - 16383.0;
    std::exit(ok ? 0 : 1);
}

void lockFailureChild()
{
    analysis_testing::SetLockGuardFailure(true);
    double out[3] = {9.0, 9.0, 9.0};
    bool ok = WhiteNoise(3, 1.0, 5, out) == -20064 && out[0] == 9.0 && out[2] == 9.0;
    ok = ok && WhiteNoiseDecimated(3, 1.0, 2, out) == -20064 && out[0] == 9.0;
    ok = ok && InitRandMutex() != 0;
    analysis_testing::SetLockGuardFailure(false);
    // Neither the seed nor a draw took effect: the first value is still that
    // of the start-up state.
    ok = ok && WhiteNoise(1, 16384.0, 0, out) == 0 && out[0] == 21468.0 - 16383.0;
    std::exit(ok ? 0 : 1);
}

// These run in a freshly started copy of the test program, so they see the
// state the library has at program start.
TEST(NoiseDeathTest, FirstDrawAfterProgramStart)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(firstDrawChild(), ::testing::ExitedWithCode(0), "");
}

TEST(NoiseDeathTest, LockThatCannotBeCreatedLeavesEverythingUntouched)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(lockFailureChild(), ::testing::ExitedWithCode(0), "");
}

TEST_F(Noise, FollowsTheCombinedGeneratorFromItsStartState)
{
    LiteralGenerator g;
    EXPECT_EQ(g.next(), 21468);
    EXPECT_EQ(g.s1, 29400);
    EXPECT_EQ(g.s2, 9349);
    EXPECT_EQ(g.s3, 11383);
    EXPECT_EQ(lockedRandnum(), 21468);

    // Lengths that leave every possible number of lanes in the last block.
    g = LiteralGenerator{};
    (void)g.next();
    for (int n : {1, 2, 3, 7, 8, 9, 15, 16, 17, 100003}) {
        const std::vector<double> want = literalNoise(g, n, 0.5);
        EXPECT_EQ(noise(n, 0.5), want) << n;
    }
}

TEST_F(Noise, SeedZeroContinuesAndPositiveSeedRestarts)
{
    const std::vector<double> twenty = noise(20, 1.0);
    ResetAnalysisRandomState();
    std::vector<double> two = noise(10, 1.0);
    const std::vector<double> second = noise(10, 1.0, 0);
    two.insert(two.end(), second.begin(), second.end());
    EXPECT_EQ(two, twenty);

    const std::vector<double> a = noise(10, 1.0, 5);
    const std::vector<double> b = noise(10, 1.0, 5);
    EXPECT_EQ(a, b);
    LiteralGenerator g;
    g.seed(5);
    EXPECT_EQ(a, literalNoise(g, 10, 1.0));

    // A negative seed continues the sequence as well.
    LiteralGenerator h;
    h.seed(5);
    (void)literalNoise(h, 10, 1.0);
    EXPECT_EQ(noise(10, 1.0, -3), literalNoise(h, 10, 1.0));
}

TEST_F(Noise, BadCountLeavesOutputAndSequenceUntouched)
{
    double out[2] = {4.0, 4.0};
    EXPECT_EQ(WhiteNoise(0, 1.0, 7, out), -20003);
    EXPECT_EQ(WhiteNoise(-1, 1.0, 0, out), -20003);
    EXPECT_EQ(out[0], 4.0);
    EXPECT_EQ(lockedRandnum(), 21468); // not reseeded, not advanced
}

TEST_F(Noise, SeedsWithinRangeMatchTheLiteralGenerator)
{
    for (int seed : {1, 5, 1234, 30269, 16384, 9999991, 12558383}) {
        LiteralGenerator g;
        g.seed(seed);
        EXPECT_EQ(noise(5000, 1.0, seed), literalNoise(g, 5000, 1.0)) << seed;
    }
}

// Seeds for which 171 x s1 overflows 32 bits, and negative seeds, would give
// values outside 0 .. 32767 when computed with wrapped products; the
// generator keeps them in range.
TEST_F(Noise, AnySeedKeepsValuesInRange)
{
    bool literalLeavesRange = false;
    for (int seed : {12558384, 300000000, 2147483647, -1, -77777, -2147483647 - 1}) {
        ASSERT_EQ(InitRandMutex(), 0);
        ASSERT_EQ(DSPMutexGet(&AnlysRandGenMutex), 0);
        srandnum(seed);
        int lo = 32767, hi = 0;
        for (int i = 0; i < 20000; ++i) {
            const int v = randnum();
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
        DSPMutexRelease(&AnlysRandGenMutex);
        EXPECT_GE(lo, 0) << seed;
        EXPECT_LE(hi, 32767) << seed;
        EXPECT_LT(lo, 100) << seed;
        EXPECT_GT(hi, 32600) << seed;

        LiteralGenerator g;
        g.seed(seed);
        for (int i = 0; i < 20000; ++i) {
            const int v = g.next();
            literalLeavesRange = literalLeavesRange || v < 0 || v > 32767;
        }
    }
    EXPECT_TRUE(literalLeavesRange);
}

TEST_F(Noise, SeedZeroIsIgnoredAndAnAllZeroStateIsAvoided)
{
    ASSERT_EQ(InitRandMutex(), 0);
    ASSERT_EQ(DSPMutexGet(&AnlysRandGenMutex), 0);
    srandnum(0);
    EXPECT_EQ(randnum(), 21468);
    srandnum(30269 * 16384); // every state word would be 0
    std::set<int> values;
    for (int i = 0; i < 100; ++i)
        values.insert(randnum());
    DSPMutexRelease(&AnlysRandGenMutex);
    EXPECT_GT(values.size(), 50u);
}

TEST_F(Noise, DecimatedDrawKeepsEveryStrideValueAndEndsInTheSameState)
{
    for (int stride : {1, 2, 7, 8, 9, 1000, 65536}) {
        for (int count : {1, 5, 8, 13, 1000}) {
            if (static_cast<long>(count) * stride > 2000000)
                continue;
            ResetAnalysisRandomState();
            (void)noise(3, 1.0); // start mid-sequence
            const std::vector<double> whole = noise(count * stride, 0.25);
            const std::vector<double> after = noise(11, 0.25);

            ResetAnalysisRandomState();
            (void)noise(3, 1.0);
            std::vector<double> kept(static_cast<size_t>(count));
            ASSERT_EQ(WhiteNoiseDecimated(count, 0.25, stride, kept.data()), 0);
            for (int j = 0; j < count; ++j)
                ASSERT_EQ(kept[static_cast<size_t>(j)],
                          whole[static_cast<size_t>(j) * static_cast<size_t>(stride)])
                    << "stride " << stride << " count " << count << " j " << j;
            EXPECT_EQ(noise(11, 0.25), after) << "stride " << stride << " count " << count;
        }
    }
}

TEST_F(Noise, DecimatedArgumentErrorsLeaveEverythingUntouched)
{
    double out[2] = {4.0, 4.0};
    EXPECT_EQ(WhiteNoiseDecimated(0, 1.0, 4, out), -20003);
    EXPECT_EQ(WhiteNoiseDecimated(-2, 1.0, 4, out), -20003);
    EXPECT_EQ(WhiteNoiseDecimated(2, 1.0, 0, out), -20022);
    EXPECT_EQ(WhiteNoiseDecimated(2, 1.0, -1, out), -20022);
    EXPECT_EQ(out[0], 4.0);
    EXPECT_EQ(out[1], 4.0);
    EXPECT_EQ(lockedRandnum(), 21468);
}

TEST_F(Noise, ConcurrentCallersReceiveDisjointStretches)
{
    constexpr int kThreads = 4, kCalls = 50, kLen = 1000;
    std::vector<std::vector<double>> chunks(kThreads * kCalls);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &chunks] {
            for (int c = 0; c < kCalls; ++c) {
                std::vector<double> &v = chunks[static_cast<size_t>(t * kCalls + c)];
                v.resize(kLen);
                if (WhiteNoise(kLen, 1.0, 0, v.data()) != 0)
                    v.clear();
            }
        });
    }
    for (std::thread &th : threads)
        th.join();

    LiteralGenerator g;
    const std::vector<double> sequence = literalNoise(g, kThreads * kCalls * kLen, 1.0);
    std::vector<bool> used(kThreads * kCalls, false);
    for (const std::vector<double> &chunk : chunks) {
        ASSERT_EQ(chunk.size(), static_cast<size_t>(kLen));
        bool found = false;
        for (int slot = 0; slot < kThreads * kCalls && !found; ++slot) {
            if (used[static_cast<size_t>(slot)])
                continue;
            if (std::equal(chunk.begin(), chunk.end(), sequence.begin() + slot * kLen)) {
                used[static_cast<size_t>(slot)] = true;
                found = true;
            }
        }
        EXPECT_TRUE(found);
    }
}

// --- Uniform generator ------------------------------------------------------

struct LiteralUniform {
    int t1, t2, t3;
    explicit LiteralUniform(int seed)
    {
        t1 = seed & 0x3FFF;
        t2 = (t1 * 8191) & 0x3FFF;
        t3 = (t2 * 8191) & 0x3FFF;
    }
    double next()
    {
        t1 = 171 * t1 % 30269;
        t2 = 172 * t2 % 30307;
        t3 = 170 * t3 % 30323;
        const double sum = t1 * (1.0 / 30269.0) + t2 * (1.0 / 30307.0) + t3 * (1.0 / 30323.0);
        return sum - std::floor(sum);
    }
};

TEST_F(Noise, UniformStartsFromItsTemplateSeed)
{
    LiteralUniform ref(945329041);
    EXPECT_EQ(ref.t1, 5009);
    EXPECT_EQ(ref.t2, 3183);
    EXPECT_EQ(ref.t3, 5009);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(Random(0.0, 1.0), ref.next()) << i;
    const double u = ref.next();
    EXPECT_EQ(Random(-2.0, 6.0), u * 8.0 + -2.0);
}

TEST_F(Noise, UniformDegenerateRanges)
{
    EXPECT_EQ(Random(5.0, 5.0), 5.0);
    EXPECT_EQ(Random(5.0, 1.0), 5.0); // no draw
    LiteralUniform ref(945329041);
    (void)ref.next(); // the draw of Random(5, 5)
    EXPECT_EQ(Random(0.0, 1.0), ref.next());
}

TEST_F(Noise, EachThreadHasItsOwnUniformSequence)
{
    for (int i = 0; i < 10; ++i)
        (void)Random(0.0, 1.0); // the main thread's draws must not matter
    std::vector<double> a, b;
    std::thread ta([&a] {
        for (int i = 0; i < 500; ++i)
            a.push_back(Random(0.0, 1.0));
    });
    std::thread tb([&b] {
        for (int i = 0; i < 500; ++i)
            b.push_back(Random(0.0, 1.0));
    });
    ta.join();
    tb.join();
    EXPECT_EQ(a, b);
    LiteralUniform ref(945329041);
    EXPECT_EQ(a.front(), ref.next());
}

TEST_F(Noise, SetRandomSeedRestartsTheThreadsSequence)
{
    SetRandomSeed(12345);
    LiteralUniform ref(12345);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(Random(0.0, 1.0), ref.next());
    SetRandomSeed(12345);
    EXPECT_EQ(Random(0.0, 1.0), LiteralUniform(12345).next());

    // Seeds whose low 14 bits are zero, and the clock seed, must neither hang
    // nor stick at one value.
    for (int seed : {16384, 1 << 30, 0}) {
        SetRandomSeed(seed);
        std::set<double> values;
        for (int i = 0; i < 200; ++i) {
            const double u = Random(0.0, 1.0);
            ASSERT_GE(u, 0.0);
            ASSERT_LT(u, 1.0);
            values.insert(u);
        }
        EXPECT_GT(values.size(), 190u) << seed;
    }
}

} // namespace
