// Saving math traces: a shown trace is offered on the save panel like a
// channel and written in every format, read back by the bench's readers;
// a channel saved in a multi-channel format carries the shown traces as
// further columns, and exactly what it held before when none is shown.
#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "analysis/waveform_math.h"
#include "formats/csv.h"
#include "formats/read_record.h"
#include "formats/scope_records.h"
#include "test_capture_support.h"

using namespace acqtest;

namespace
{

class MathSaveTest : public AcqTest
{
  protected:
    void SetUp() override
    {
        AcqTest::SetUp();
        Generator(0, 1.0, 1000.0);
        Scope(4096, 100000.0, 0, 1, 0);
        ASSERT_EQ(OneShot(), 0);
        Tick();
        Display_Math(panelScope, SCOPE_MATH_BUTTON, EVENT_COMMIT, nullptr, 0, 0);
        ASSERT_GT(panelMath, 0);
    }
    // MATH1 = operation of CH1 and CH2, computed from the records on screen.
    static void Math1(int operation, int on = 1)
    {
        SetCtrlVal(panelMath, MATH_OPERATION1, operation);
        SetCtrlVal(panelMath, MATH_SOURCE_A1, 0);
        SetCtrlVal(panelMath, MATH_SOURCE_B1, 1);
        OperateCtrl(panelMath, MATH_ON1, on);
    }
    // The save panel as the user fills and presses it.
    static void SaveAs(int item, const std::string &path)
    {
        SaveCallback(panelScope, kToolbarSave, EVENT_COMMIT, nullptr, 0, 0);
        ASSERT_EQ(SetCtrlVal(panelSave, SAVING_CHANNEL, item), 0);
        testseam::QueueFileAnswer(path);
        onOK_Save(panelSave, SAVING_OK, EVENT_COMMIT, nullptr, 0, 0);
    }
    static formats::Record Read(const std::string &path)
    {
        formats::Record r;
        std::string message;
        EXPECT_EQ(formats::ReadRecordFile(path, &r, &message), formats::Status::Ok) << message;
        return r;
    }
    // CH1 - CH2 at displayed record position i, from the records.
    static double Difference(int i) { return vBufferIn[0][iOffset + i] - vBufferIn[1][iOffset + i]; }
};

TEST_F(MathSaveTest, AShownTraceIsOfferedAndWrittenLikeAChannel)
{
    SaveCallback(panelScope, kToolbarSave, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(RingLabels(panelSave, SAVING_CHANNEL), (std::vector<std::string>{"CH1", "CH2", "CH3", "CH4"}));
    Math1(WAVEFORM_SUBTRACT);
    SaveCallback(panelScope, kToolbarSave, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(RingLabels(panelSave, SAVING_CHANNEL),
              (std::vector<std::string>{"CH1", "CH2", "CH3", "CH4", "MATH1"}));
    EXPECT_EQ(RingValues(panelSave, SAVING_CHANNEL).back(), kMeasSourceMath1);

    const std::string dir = TempDir();
    SaveAs(kMeasSourceMath1, dir + "/m.asc");
    bool asked = false;
    for (const std::string &s : Popups())
        asked = asked || s == "file|MATH1, Save As";
    EXPECT_TRUE(asked);
    formats::Record asc = Read(dir + "/m.asc");
    ASSERT_EQ(asc.channels.size(), 1u);
    ASSERT_EQ(asc.Samples(), 4096u);
    EXPECT_DOUBLE_EQ(asc.sampleInterval, 1.0e-5);
    for (int i = 0; i < 4096; i += 101)
        EXPECT_NEAR(asc.channels[0].values[static_cast<std::size_t>(i)], Difference(i), 0.6e-6) << i;

    // Binary: codes over the trace's own peak.
    SaveAs(kMeasSourceMath1, dir + "/m.dat");
    formats::Record dat = Read(dir + "/m.dat");
    ASSERT_EQ(dat.Samples(), 4096u);
    double peak = 0.0;
    for (int i = 0; i < 4096; ++i)
        peak = std::max(peak, std::fabs(Difference(i)));
    for (int i = 0; i < 4096; i += 101)
        EXPECT_NEAR(dat.channels[0].values[static_cast<std::size_t>(i)], Difference(i), peak / 32767.0) << i;

    // CSV of the trace alone: its name and unit head the column.
    SaveAs(kMeasSourceMath1, dir + "/m.csv");
    formats::Record csv = Read(dir + "/m.csv");
    ASSERT_EQ(csv.channels.size(), 1u);
    EXPECT_EQ(csv.channels[0].name, "MATH1");
    EXPECT_EQ(csv.channels[0].unit, "V");
    EXPECT_EQ(csv.channels[0].values[7], Difference(7));
    for (const std::string &s : Popups())
        EXPECT_EQ(s.rfind("Error", 0), std::string::npos) << s;
}

TEST_F(MathSaveTest, AChannelCarriesTheShownTracesAsFurtherColumns)
{
    const std::string dir = TempDir();
    // No trace shown: one channel, as before.
    SaveAs(0, dir + "/plain.csv");
    formats::Record plain = Read(dir + "/plain.csv");
    ASSERT_EQ(plain.channels.size(), 1u);
    EXPECT_EQ(plain.channels[0].name, "CH1");

    Math1(WAVEFORM_SUBTRACT);
    SaveAs(0, dir + "/both.csv");
    formats::Record both = Read(dir + "/both.csv");
    ASSERT_EQ(both.channels.size(), 2u);
    EXPECT_EQ(both.channels[0].name, "CH1");
    EXPECT_EQ(both.channels[1].name, "MATH1");
    EXPECT_EQ(both.channels[0].values, plain.channels[0].values);
    for (int i = 0; i < 4096; i += 97)
        EXPECT_EQ(both.channels[1].values[static_cast<std::size_t>(i)], Difference(i)) << i;

    // NumPy: one column per channel.
    SaveAs(0, dir + "/both.npy");
    std::ifstream npy(dir + "/both.npy", std::ios::binary);
    std::string header(128, '\0');
    npy.read(&header[0], 128);
    EXPECT_NE(header.find("'shape': (4096, 2)"), std::string::npos) << header;
    // A float WAV holds the trace; a 16-bit one would clip it and leaves it out.
    SaveAs(0, dir + "/both.wav");
    EXPECT_EQ(Read(dir + "/both.wav").channels.size(), 2u);
    SetCtrlVal(panelSave, SAVING_WAV_SAMPLE, 1);
    SaveAs(0, dir + "/pcm.wav");
    EXPECT_EQ(Read(dir + "/pcm.wav").channels.size(), 1u);
    SetCtrlVal(panelSave, SAVING_WAV_SAMPLE, 0);
    // The single-channel formats stay as they are.
    SaveAs(0, dir + "/ch1.asc");
    formats::Record asc;
    ASSERT_EQ(formats::ReadAsc(dir + "/ch1.asc", &asc), formats::Status::Ok);
    EXPECT_EQ(asc.channels.size(), 1u);
    EXPECT_EQ(asc.channels[0].name, "CH1");

    // The trace switched off: gone from the list and from the file.
    Math1(WAVEFORM_SUBTRACT, 0);
    SaveAs(0, dir + "/off.csv");
    EXPECT_EQ(Read(dir + "/off.csv").channels.size(), 1u);
}

TEST_F(MathSaveTest, GapsAreKeptWhereAFormatHoldsThemAndRefusedElsewhere)
{
    // CH2 exactly zero at sample 10: MATH1 = CH1 / CH2 has a gap there.
    vBufferIn[1][iOffset + 10] = 0.0;
    Math1(WAVEFORM_DIVIDE);
    ASSERT_TRUE(std::isnan(scopeMeasure.math[0].record[10]));
    const std::string dir = TempDir();
    SaveAs(kMeasSourceMath1, dir + "/gap.asc");
    bool refused = false;
    for (const std::string &s : Popups())
        refused = refused || s == "Error message|Saving File impossible: MATH1 has gaps (division by zero); save it "
                                  "as .csv, .npy or .sr";
    EXPECT_TRUE(refused);
    EXPECT_FALSE(std::ifstream(dir + "/gap.asc").good());

    SaveAs(kMeasSourceMath1, dir + "/gap.csv");
    formats::Record csv = Read(dir + "/gap.csv");
    ASSERT_EQ(csv.Samples(), 4096u);
    EXPECT_TRUE(std::isnan(csv.channels[0].values[10]));
    EXPECT_EQ(csv.channels[0].unit, "");
    EXPECT_EQ(csv.channels[0].values[11], vBufferIn[0][iOffset + 11] / vBufferIn[1][iOffset + 11]);

    // A trace that is not shown cannot be saved, and says so.
    EXPECT_EQ(Scope_SaveMathOnDisk(1), -1);
    EXPECT_EQ(Scope_SaveMathOnDisk(7), -1);
}

} // namespace
