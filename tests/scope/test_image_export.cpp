// Graph images: PNG at the requested size with the trace where it is drawn,
// SVG that rsvg-convert accepts, PDF, refusals; the panel's flow through the
// file dialog.
#include <cstdlib>
#include <string>

#include <sys/stat.h>

#include "scope/scope_data.h"
#include "support/bench_fixture.h"
#include "test_view_support.h"
#include "ui/graph_export.h"

// After the bench headers: Qt defines "slots" as a keyword.
#include <QImage>

using namespace viewtest;

namespace
{

class ImageExportTest : public BenchTest
{
  protected:
    void SetUp() override
    {
        BenchTest::SetUp();
        // A flat trace at +2 divisions over the whole window: on a graph
        // from -4 to +4 it lies a quarter of the way down the plot area.
        MakeRecord(1, 1000, 0, false, [](int, int) { return 2.0; });
        VerticalScale[0] = 1.0;
        VerticalOffset[0] = 0.0;
        SetAxisScalingMode(panelScope, SCOPE_TIMEGRAPH, VAL_LEFT_YAXIS, VAL_MANUAL, -4.0, 4.0);
        ASSERT_GT(Scope_PlotRecord(0, 0), 0);
    }
};

// Pixels of the trace colour (yellow: strong red and green, little blue).
int YellowPixelsInRows(const QImage &image, int fromRow, int toRow)
{
    int count = 0;
    for (int y = fromRow; y < toRow; ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            if (qRed(c) > 180 && qGreen(c) > 180 && qBlue(c) < 100)
                ++count;
        }
    return count;
}

TEST_F(ImageExportTest, PngHasTheSizeAndTheTraceWhereItIsDrawn)
{
    const std::string path = TempDir() + "/time.png";
    ASSERT_EQ(ExportGraphImage(panelScope, SCOPE_TIMEGRAPH, path.c_str(), 640, 400), 0);
    QImage image(QString::fromStdString(path));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.width(), 640);
    EXPECT_EQ(image.height(), 400);
    // The trace runs across the upper half (a quarter of the way down the
    // plot area), and nothing yellow lies in the lower half.
    EXPECT_GT(YellowPixelsInRows(image, 0, 200), 300);
    EXPECT_EQ(YellowPixelsInRows(image, 220, 400), 0);

    // Another size is drawn afresh, not scaled.
    ASSERT_EQ(ExportGraphImage(panelScope, SCOPE_TIMEGRAPH, path.c_str(), 1200, 300), 0);
    image.load(QString::fromStdString(path));
    EXPECT_EQ(image.size(), QSize(1200, 300));
    EXPECT_GT(YellowPixelsInRows(image, 0, 150), 800);
}

TEST_F(ImageExportTest, SvgAndPdfAreWrittenAndReadable)
{
    const std::string dir = TempDir();
    ASSERT_EQ(ExportGraphImage(panelScope, SCOPE_TIMEGRAPH, (dir + "/g.pdf").c_str(), 800, 500), 0);
    EXPECT_EQ(ReadFile(dir + "/g.pdf").rfind("%PDF-", 0), 0u);

    const std::string svg = dir + "/g.svg";
    if (!GraphExportSvgAvailable()) {
        EXPECT_EQ(ExportGraphImage(panelScope, SCOPE_TIMEGRAPH, svg.c_str(), 800, 500), UIE_BAD_TYPE);
        return;
    }
    ASSERT_EQ(ExportGraphImage(panelScope, SCOPE_TIMEGRAPH, svg.c_str(), 800, 500), 0);
    const std::string text = ReadFile(svg);
    EXPECT_NE(text.find("<svg"), std::string::npos);
    EXPECT_NE(text.find("width=\"800"), std::string::npos);
    if (std::system("command -v rsvg-convert > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "rsvg-convert is not installed";
    const std::string png = dir + "/from-svg.png";
    const std::string command = "rsvg-convert -o '" + png + "' '" + svg + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    QImage image(QString::fromStdString(png));
    // The file states its size in millimetres; rsvg-convert rounds up.
    EXPECT_NEAR(image.width(), 800, 1);
    EXPECT_NEAR(image.height(), 500, 1);
}

TEST_F(ImageExportTest, RefusalsLeaveNoFile)
{
    const std::string dir = TempDir();
    EXPECT_EQ(ExportGraphImage(panelScope, SCOPE_TIMEGRAPH, (dir + "/g.gif").c_str(), 640, 400), UIE_BAD_VALUE);
    EXPECT_EQ(ExportGraphImage(panelScope, SCOPE_TIMEGRAPH, (dir + "/g.png").c_str(), 8, 400), UIE_BAD_VALUE);
    EXPECT_EQ(ExportGraphImage(panelScope, SCOPE_TIMEGRAPH, (dir + "/g.png").c_str(), 640, 20000), UIE_BAD_VALUE);
    EXPECT_EQ(ExportGraphImage(panelScope, SCOPE_STATUS, (dir + "/g.png").c_str(), 640, 400), UIE_BAD_CONTROL);
    EXPECT_EQ(ExportGraphImage(panelScope, SCOPE_TIMEGRAPH, (dir + "/none/g.png").c_str(), 640, 400), UIE_IO_ERROR);
    const std::string fifo = dir + "/p.png";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ExportGraphImage(panelScope, SCOPE_TIMEGRAPH, fifo.c_str(), 640, 400), UIE_IO_ERROR);
    struct stat st;
    EXPECT_NE(::stat((dir + "/g.png").c_str(), &st), 0);
}

TEST_F(ImageExportTest, ThePanelExportsTheShownGraphThroughTheFileDialog)
{
    ASSERT_EQ(Scope_Export_Image(panelScope, SCOPE_EXPORT_IMAGE, EVENT_COMMIT, nullptr, 0, 0), 0);
    const int p = Scope_ImagePanel();
    ASSERT_GT(p, 0);
    SetCtrlVal(p, IMAGE_WIDTH, 500);
    SetCtrlVal(p, IMAGE_HEIGHT, 300);
    const std::string path = TempDir() + "/panel.png";
    testseam::QueueFileAnswer(path);
    ASSERT_EQ(onOK_ExportImage(p, IMAGE_EXPORT, EVENT_COMMIT, nullptr, 0, 0), 0);
    EXPECT_EQ(QImage(QString::fromStdString(path)).size(), QSize(500, 300));

    // Cancel writes nothing; a failure is reported, never a success.
    testseam::QueueFileAnswer("");
    EXPECT_EQ(Scope_ExportImage(), -1);
    testseam::QueueFileAnswer(TempDir() + "/missing/x.png");
    EXPECT_EQ(Scope_ExportImage(), -1);
    ASSERT_FALSE(testseam::Shown().empty());
    EXPECT_EQ(testseam::Shown().back().rfind("Error message|Saving File impossible: ", 0), 0u);
    EXPECT_EQ(testseam::Failures(), 0);
}

} // namespace
