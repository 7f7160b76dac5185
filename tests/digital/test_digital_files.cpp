// The analyzer's Save: VCD of the 16 lines or a sigrok session with them as
// logic channels, by the name's ending, failures reported; its graph as an
// image.
#include "support/bench_fixture.h"

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include <QImage>

#include "digital/digital_files.h"
#include "formats/sigrok_session.h"
#include "formats/vcd.h"
#include "scope/scope_data.h"

namespace
{

class DigitalFilesTest : public BenchTest
{
  protected:
    void SetUp() override
    {
        BenchTest::SetUp();
        SetCtrlVal(panelDig, DIG_SAMPLES, 1000);
        SetCtrlVal(panelDig, DIG_RATE, 1000000.0);
        ASSERT_EQ(Digital_Setting(), 0);
    }
    // One capture of the simulated counter.
    void Capture()
    {
        dSimulatedCount = 0x1230;
        Digital_SimulateInput(dBufferIn.data(), dSamples);
    }
    std::vector<std::uint16_t> Words() const
    {
        std::vector<std::uint16_t> w(static_cast<std::size_t>(dSamples));
        for (int i = 0; i < dSamples; ++i)
            w[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(dBufferIn[2 * i] | dBufferIn[2 * i + 1] << 8);
        return w;
    }
    std::string Read(const std::string &path)
    {
        std::FILE *f = std::fopen(path.c_str(), "rb");
        std::string s;
        if (!f)
            return s;
        char b[4096];
        for (std::size_t n; (n = std::fread(b, 1, sizeof b, f)) > 0;)
            s.append(b, n);
        std::fclose(f);
        return s;
    }
};

// The states of the 16 lines at each time of a VCD file's body.
std::vector<std::uint16_t> ReplayVcd(const std::string &text, std::size_t samples)
{
    std::istringstream in(text);
    std::string token;
    std::vector<std::string> ids;
    while (in >> token && token != "$enddefinitions")
        if (token == "$var") {
            std::string type, width, id;
            in >> type >> width >> id;
            ids.push_back(id);
        }
    std::vector<std::uint16_t> states;
    std::uint16_t state = 0;
    std::size_t now = 0;
    while (in >> token) {
        if (token[0] == '#') {
            const std::size_t t = std::stoul(token.substr(1));
            while (states.size() < t && states.size() < samples)
                states.push_back(state);
            now = t;
        } else if ((token[0] == '0' || token[0] == '1') && token.size() > 1) {
            for (std::size_t k = 0; k < ids.size(); ++k)
                if (ids[k] == token.substr(1))
                    state = token[0] == '1' ? (state | (1u << k)) : (state & ~(1u << k));
        }
    }
    (void)now;
    while (states.size() < samples)
        states.push_back(state);
    return states;
}

TEST_F(DigitalFilesTest, VcdHoldsTheSixteenLinesOfTheLastCapture)
{
    Capture();
    const std::string path = TempDir() + "/lines.vcd";
    testseam::QueueFileAnswer(path);
    ASSERT_EQ(Save_Digital(panelDig, DIG_SAVE, EVENT_COMMIT, nullptr, 0, 0), 0);
    const std::string text = Read(path);
    EXPECT_NE(text.find("$timescale 1 us $end"), std::string::npos) << text.substr(0, 300);
    EXPECT_EQ(ReplayVcd(text, 1000), Words());
    EXPECT_EQ(testseam::Failures(), 0);
}

TEST_F(DigitalFilesTest, SigrokSessionHoldsTheLinesAsLogicChannels)
{
    Capture();
    const std::string path = TempDir() + "/lines.SR";
    if (!formats::SrAvailable()) {
        EXPECT_EQ(Digital_SaveLines(path.c_str()), -1);
        return;
    }
    ASSERT_EQ(Digital_SaveLines(path.c_str()), 0);
    formats::SrSession s;
    std::string message;
    ASSERT_EQ(formats::ReadSr(path, &s, &message), formats::Status::Ok) << message;
    EXPECT_EQ(s.logic.lines, 16);
    EXPECT_EQ(s.logic.words, Words());
    EXPECT_DOUBLE_EQ(s.logic.sampleInterval, 1e-6);
}

TEST_F(DigitalFilesTest, FailuresAreReportedNeverSuccess)
{
    dBufferIn.clear();
    EXPECT_EQ(Digital_SaveLines((TempDir() + "/x.vcd").c_str()), -1);
    EXPECT_EQ(testseam::Shown().back(), "Error message|Saving File impossible: there is no capture to save");
    ASSERT_EQ(Digital_Setting(), 0);
    Capture();
    EXPECT_EQ(Digital_SaveLines((TempDir() + "/no/such/x.vcd").c_str()), -1);
    EXPECT_EQ(testseam::Shown().back().rfind("Error message|Saving File impossible: ", 0), 0u);
    testseam::QueueFileAnswer("");
    ASSERT_EQ(Save_Digital(panelDig, DIG_SAVE, EVENT_COMMIT, nullptr, 0, 0), 0);
}

TEST_F(DigitalFilesTest, TheGraphExportsAsAnImage)
{
    ASSERT_EQ(Export_Image_Digital(panelDig, DIG_EXPORT_IMAGE, EVENT_COMMIT, nullptr, 0, 0), 0);
    const int p = Scope_ImagePanel();
    ASSERT_GT(p, 0);
    SetCtrlVal(p, IMAGE_WIDTH, 300);
    SetCtrlVal(p, IMAGE_HEIGHT, 200);
    const std::string path = TempDir() + "/dig.png";
    testseam::QueueFileAnswer(path);
    ASSERT_EQ(Scope_ExportImage(), 0);
    EXPECT_EQ(QImage(QString::fromStdString(path)).size(), QSize(300, 200));
}

} // namespace
