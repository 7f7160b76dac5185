// Reference traces: a saved record loaded back overlays the live trace it
// came from; every format the bench writes loads; files that do not read
// are refused and change nothing; hide, offset, remove, read at cursors.
#include <cmath>
#include <cstdio>
#include <string>

#include "analysis/waveform_math.h"
#include "formats/csv.h"
#include "formats/sigrok_session.h"
#include "formats/wav.h"
#include "scope/scope_data.h"
#include "support/bench_fixture.h"
#include "test_view_support.h"

using namespace viewtest;

namespace
{

void WriteTextFile(const std::string &path, const std::string &bytes)
{
    std::FILE *f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

class ReferenceTest : public BenchTest
{
  protected:
    void SetUp() override
    {
        BenchTest::SetUp();
        Scope_ClearReferences();
        iClockRate = 10000.0;
        dTimeStep = 1e-4;
        MakeRecord(2, 1000, 100, false, [](int k, int p) { return std::sin(0.01 * p) * (k + 1) - 0.25; });
        iChan[0].channel = 0;
        iChan[1].channel = 2;
        iRange[0] = iRange[1] = 2.0;
        VerticalScale[0] = 1.5;
        VerticalOffset[0] = 1.0;
        is_AverageON = 0;
        testseam::SetDateTime(2026, 3, 7, 14, 5, 9);
    }
    void TearDown() override
    {
        Scope_ClearReferences();
        BenchTest::TearDown();
    }
    std::string SaveSlot(int slot, const std::string &name)
    {
        const std::string path = TempDir() + "/" + name;
        testseam::QueueFileAnswer(path);
        EXPECT_EQ(SaveChannelonDisk(slot, BufferIn, vBufferIn[slot], iOffset), 0);
        return path;
    }
    std::string LastShown()
    {
        return testseam::Shown().empty() ? std::string() : testseam::Shown().back();
    }
};

TEST_F(ReferenceTest, AnAscReferenceOverlaysTheLiveTracePointForPoint)
{
    const std::string path = SaveSlot(0, "ch1.asc");
    ASSERT_EQ(Scope_LoadReference(path.c_str()), 1);
    ScopeReferenceView ref{};
    ASSERT_EQ(Scope_GetReference(0, &ref), 0);
    EXPECT_EQ(std::string(ref.name), "ch1.asc CH1");
    EXPECT_DOUBLE_EQ(ref.firstTime, -0.01);
    EXPECT_EQ(ref.offset, 1.0) << "takes the offset of the slot showing CH1";
    ASSERT_GT(ref.plot, 0);

    const int live = Scope_PlotRecord(0, iOffset);
    ASSERT_GT(live, 0);
    const std::vector<double> a = PlotValues(SCOPE_TIMEGRAPH, ref.plot);
    const std::vector<double> b = PlotValues(SCOPE_TIMEGRAPH, live);
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i)
        ASSERT_NEAR(a[i], b[i], 1.5 * 5e-7) << i;
    double x0 = 0.0, dx = 0.0;
    Scope_ReferencePlacement(ref.firstTime, ref.interval, dTimeStep, Scroll_Value, pre_iSample, &x0, &dx);
    EXPECT_NEAR(x0, 0.0, 1e-9);
    EXPECT_NEAR(dx, 1.0, 1e-12);

    // Scrolled by 200 samples: the reference moves with the record.
    Scroll_Value = 200;
    Scroll_Thumb_Size = 500;
    Scope_ReferencePlacement(ref.firstTime, ref.interval, dTimeStep, Scroll_Value, pre_iSample, &x0, &dx);
    EXPECT_NEAR(x0, -200.0, 1e-9);
    Scope_PlotReferences();
    ASSERT_EQ(Scope_GetReference(0, &ref), 0);
    const std::vector<double> window = PlotValues(SCOPE_TIMEGRAPH, ref.plot);
    EXPECT_LE(window.size(), 503u) << "only the window and a sample each side";
    EXPECT_NEAR(window[1], vBufferIn[0][-100 + 200] * 1.5 + 1.0, 1e-5);
}

TEST_F(ReferenceTest, AsASourceTheReferenceLinesUpWithTheLiveRecord)
{
    // Saved at 10 kS/s with 100 pre-samples; the live record now has 300
    // pre-samples, so live position j is reference sample j - 200.
    const std::string path = SaveSlot(0, "src.csv");
    ASSERT_EQ(Scope_LoadReference(path.c_str()), 1);
    pre_iSample = 300;
    std::string why;
    const double *r = Scope_ReferenceRecord(0, 1000, &why);
    ASSERT_NE(r, nullptr) << why;
    EXPECT_TRUE(std::isnan(r[0]));
    EXPECT_TRUE(std::isnan(r[199]));
    EXPECT_EQ(r[200], vBufferIn[0][-100]);
    EXPECT_EQ(r[999], vBufferIn[0][699]);
    EXPECT_EQ(Scope_ReferenceRecord(1, 1000, &why), nullptr);
    EXPECT_EQ(why, "no such reference");
}

TEST_F(ReferenceTest, EveryWrittenFormatLoadsAndFourAtMost)
{
    const std::string dat = SaveSlot(1, "ch3.dat");
    const std::string csv = SaveSlot(0, "ch1.csv");
    ASSERT_EQ(Scope_LoadReference(dat.c_str()), 1);
    ASSERT_EQ(Scope_LoadReference(csv.c_str()), 1);
    ScopeReferenceView ref{};
    ASSERT_EQ(Scope_GetReference(1, &ref), 0);
    ASSERT_EQ(ref.n, 1000);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(ref.values[i], vBufferIn[0][i - 100]) << "CSV keeps float64 exactly";
    ASSERT_EQ(Scope_GetReference(0, &ref), 0);
    EXPECT_NEAR(ref.values[500], vBufferIn[1][400], 2.0 / 32767);

    if (formats::WavAvailable()) {
        ASSERT_EQ(Scope_LoadReference(SaveSlot(0, "ch1.wav").c_str()), 1);
        ASSERT_EQ(Scope_GetReference(2, &ref), 0);
        EXPECT_DOUBLE_EQ(ref.firstTime, -0.01);
        EXPECT_NEAR(ref.values[10], vBufferIn[0][-90], 2.0 * std::ldexp(1.0, -23));
    } else {
        ASSERT_EQ(Scope_LoadReference(csv.c_str()), 1);
    }
    if (formats::SrAvailable()) {
        ASSERT_EQ(Scope_LoadReference(SaveSlot(0, "ch1.sr").c_str()), 1);
        ASSERT_EQ(Scope_GetReference(3, &ref), 0);
        EXPECT_EQ(ref.values[7], static_cast<float>(vBufferIn[0][-93]));
    } else {
        ASSERT_EQ(Scope_LoadReference(csv.c_str()), 1);
    }
    EXPECT_EQ(Scope_ReferenceCount(), 4);
    EXPECT_EQ(Scope_LoadReference(csv.c_str()), -1);
    EXPECT_EQ(LastShown(), "Error message|Four references are loaded already: remove one first.");
    EXPECT_EQ(Scope_ReferenceCount(), 4);

    // A two-channel file gives two references when there is room.
    Scope_ClearReferences();
    formats::Record two;
    two.sampleInterval = 1e-4;
    two.channels = {{"CH1", "V", {0.1, 0.2, 0.3}}, {"CH3", "V", {-1.0, -2.0, -3.0}}};
    ASSERT_EQ(formats::WriteCsv(TempDir() + "/two.csv", two), formats::Status::Ok);
    ASSERT_EQ(Scope_LoadReference((TempDir() + "/two.csv").c_str()), 2);
    ASSERT_EQ(Scope_GetReference(1, &ref), 0);
    EXPECT_EQ(std::string(ref.name), "two.csv CH3");
}

TEST_F(ReferenceTest, AFileThatDoesNotReadIsRefusedAndNothingChanges)
{
    const std::string good = SaveSlot(0, "good.asc");
    ASSERT_EQ(Scope_LoadReference(good.c_str()), 1);
    ScopeReferenceView before{};
    ASSERT_EQ(Scope_GetReference(0, &before), 0);
    const int plots = NumPlots(SCOPE_TIMEGRAPH);

    const std::string text = ReadFile(good);
    const std::string truncated = TempDir() + "/cut.asc";
    WriteTextFile(truncated, text.substr(0, text.size() - 40));
    const std::string binary = TempDir() + "/noise.asc";
    std::string noise;
    for (int i = 0; i < 4096; ++i)
        noise += static_cast<char>((i * 7919) & 0xFF);
    WriteTextFile(binary, noise);
    const std::string unknown = TempDir() + "/x.txt";
    WriteTextFile(unknown, text);

    for (const std::string &path : {truncated, binary, unknown, TempDir() + "/missing.csv"}) {
        testseam::ClearShown();
        EXPECT_EQ(Scope_LoadReference(path.c_str()), -1) << path;
        ASSERT_EQ(testseam::Shown().size(), 1u);
        EXPECT_EQ(LastShown().rfind("Error message|Reference not loaded: ", 0), 0u) << LastShown();
        EXPECT_EQ(Scope_ReferenceCount(), 1);
        EXPECT_EQ(NumPlots(SCOPE_TIMEGRAPH), plots);
        ScopeReferenceView after{};
        ASSERT_EQ(Scope_GetReference(0, &after), 0);
        EXPECT_EQ(after.values, before.values);
        EXPECT_EQ(after.plot, before.plot);
    }
    EXPECT_NE(LastShown().find("missing.csv"), std::string::npos);
}

TEST_F(ReferenceTest, HideOffsetRemoveAndReadAtTheCursors)
{
    ASSERT_EQ(Scope_LoadReference(SaveSlot(0, "a.csv").c_str()), 1);
    ASSERT_EQ(Scope_LoadReference(SaveSlot(1, "b.csv").c_str()), 1);
    ScopeReferenceView ref{};
    ASSERT_EQ(Scope_GetReference(1, &ref), 0);
    const int plots = NumPlots(SCOPE_TIMEGRAPH);

    ASSERT_EQ(Scope_ShowReference(1, 0), 0);
    ASSERT_EQ(Scope_GetReference(1, &ref), 0);
    EXPECT_EQ(ref.plot, 0);
    EXPECT_EQ(NumPlots(SCOPE_TIMEGRAPH), plots - 1);
    ASSERT_EQ(Scope_ShowReference(1, 1), 0);

    ASSERT_EQ(Scope_SetReferenceOffset(0, -2.5), 0);
    ASSERT_EQ(Scope_GetReference(0, &ref), 0);
    EXPECT_NEAR(PlotValues(SCOPE_TIMEGRAPH, ref.plot)[0], vBufferIn[0][-100] * 1.5 - 2.5, 1e-12);

    // Cursor 1 at window sample 150 (50 samples after the trigger),
    // cursor 2 at 350, on the reference of slot 1's record.
    ASSERT_EQ(Display_References(panelScope, SCOPE_REFERENCES, EVENT_COMMIT, nullptr, 0, 0), 0);
    const int p = Scope_ReferencePanel();
    ASSERT_GT(p, 0);
    SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 1, 150.0, 0.0);
    SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 2, 350.0, 0.0);
    SetCtrlVal(p, REFERENCE_LIST, 1);
    Reference_Select(p, REFERENCE_LIST, EVENT_VAL_CHANGED, nullptr, 0, 0);
    Reference_Measure(p, REFERENCE_MEASURE, EVENT_COMMIT, nullptr, 0, 0);
    double v = 0.0;
    ASSERT_EQ(Scope_ReferenceValueAt(1, 0.005, &v), 0);
    EXPECT_EQ(v, vBufferIn[1][50]);
    char expected[64];
    Scope_FormatReadout(vBufferIn[1][50], 1, expected, sizeof expected);
    EXPECT_EQ(CtrlText(p, REFERENCE_C1), expected);
    Scope_FormatReadout(vBufferIn[1][250] - vBufferIn[1][50], 1, expected, sizeof expected);
    EXPECT_EQ(CtrlText(p, REFERENCE_DELTA), expected);
    EXPECT_EQ(Scope_ReferenceValueAt(1, 1.0, &v), -1);

    ASSERT_EQ(Remove_Reference(p, REFERENCE_REMOVE, EVENT_COMMIT, nullptr, 0, 0), 0);
    EXPECT_EQ(Scope_ReferenceCount(), 1);
    ASSERT_EQ(Scope_GetReference(0, &ref), 0);
    EXPECT_EQ(std::string(ref.name), "a.csv CH1");
    EXPECT_EQ(NumPlots(SCOPE_TIMEGRAPH), plots - 1);
    EXPECT_EQ(Scope_RemoveReference(3), -1);
}

TEST_F(ReferenceTest, ThePanelLoadsThroughTheFileDialog)
{
    const std::string path = SaveSlot(0, "p.asc");
    ASSERT_EQ(Display_References(panelScope, SCOPE_REFERENCES, EVENT_COMMIT, nullptr, 0, 0), 0);
    const int p = Scope_ReferencePanel();
    testseam::QueueFileAnswer(path);
    ASSERT_EQ(Load_Reference(p, REFERENCE_LOAD, EVENT_COMMIT, nullptr, 0, 0), 0);
    EXPECT_EQ(Scope_ReferenceCount(), 1);
    EXPECT_NE(CtrlText(p, REFERENCE_INFO).find("1000 samples"), std::string::npos);
    testseam::QueueFileAnswer("");
    ASSERT_EQ(Load_Reference(p, REFERENCE_LOAD, EVENT_COMMIT, nullptr, 0, 0), 0);
    EXPECT_EQ(Scope_ReferenceCount(), 1);
    EXPECT_EQ(testseam::Failures(), 0);
}

} // namespace

TEST_F(ReferenceTest, ReferencesAreSourcesOfTheMathTraces)
{
    // CH1 and CH3 saved and loaded back as REF1 and REF2; MATH1 = REF1 - REF2
    // through the Math panel equals CH1 - CH3 of the record they came from,
    // and the two references do not share one buffer.
    ASSERT_EQ(Scope_LoadReference(SaveSlot(0, "a.csv").c_str()), 1);
    ASSERT_EQ(Scope_LoadReference(SaveSlot(1, "b.csv").c_str()), 1);
    Display_Math(panelScope, SCOPE_MATH_BUTTON, EVENT_COMMIT, nullptr, 0, 0);
    ASSERT_GT(panelMath, 0);
    SetCtrlVal(panelMath, MATH_OPERATION1, WAVEFORM_SUBTRACT);
    SetCtrlVal(panelMath, MATH_SOURCE_A1, kSourceReference1);
    SetCtrlVal(panelMath, MATH_SOURCE_B1, kSourceReference1 + 1);
    OperateCtrl(panelMath, MATH_ON1, 1);
    ASSERT_EQ(scopeMeasure.math[0].enabled, 1);
    Scope_AfterCapture();
    const ScopeMathChannel &m = scopeMeasure.math[0];
    ASSERT_TRUE(m.valid) << m.reason;
    ASSERT_EQ(m.record.size(), static_cast<std::size_t>(RequestedSamples));
    int differing = 0;
    for (int p = 0; p < RequestedSamples; ++p) {
        EXPECT_EQ(m.record[p], vBufferIn[0][iOffset + p] - vBufferIn[1][iOffset + p]) << p;
        differing += m.record[p] != 0.0;
    }
    EXPECT_GT(differing, RequestedSamples / 2);

    // A removed reference leaves the math trace with its reason, not stale values.
    Scope_ClearReferences();
    Scope_AfterCapture();
    EXPECT_FALSE(scopeMeasure.math[0].valid);
    EXPECT_NE(scopeMeasure.math[0].reason.find("no such reference"), std::string::npos) << scopeMeasure.math[0].reason;
}
