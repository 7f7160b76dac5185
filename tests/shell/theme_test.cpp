// Light and dark themes: the View menu changes the palette of the panels
// and their text but not the graphs' plot area, the choice is kept in the
// theme file and taken at the next start, and a first start follows the
// desktop.
#include "support/bench_fixture.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPixmap>

#include <filesystem>
#include <fstream>
#include <string>

#include "ui/comfort.h"
#include "ui/graph_widget.h"
#include "ui/rt_core.h"

namespace
{

bool Dark(const QColor &c)
{
    return c.lightness() < 128;
}

class ThemeTest : public BenchTest
{
  protected:
    void TearDown() override
    {
        SetBenchTheme(GetDesktopTheme());
        BenchTest::TearDown();
    }
    QWidget *Widget(int panel, int control) { return uirt::control(panel, control)->shown; }
    int Checked(int item)
    {
        int on = -1;
        GetMenuBarAttribute(Menu_Handle, item, ATTR_CHECKED, &on);
        return on;
    }
    // Colours of the rendered time graph: a margin pixel (left of the
    // axis labels) and the middle of the plot area.
    void GraphColours(QColor *margin, QColor *plotArea)
    {
        auto *g = uigraph::asGraph(Widget(panelScope, SCOPE_TIMEGRAPH));
        ASSERT_NE(g, nullptr);
        const QImage image = g->toPixmap(400, 300, 1.0).toImage();
        *margin = image.pixelColor(1, 1);
        *plotArea = image.pixelColor(image.width() / 2 + 3, image.height() / 2 + 3);
    }
    std::string ThemeFile()
    {
        char path[1200] = "";
        EXPECT_EQ(Theme_FilePath(path, sizeof path), 0);
        return path;
    }
};

} // namespace

TEST_F(ThemeTest, ViewMenuSwitchesPanelsAndTextButNotThePlotArea)
{
    Menu_Handle = GetPanelMenuBar(panelBench);
    // The test platform's desktop is light: a first start is light.
    ASSERT_EQ(GetDesktopTheme(), THEME_LIGHT);
    EXPECT_EQ(GetBenchTheme(), THEME_LIGHT);
    EXPECT_EQ(Checked(MENUBAR_VIEW_LIGHT), 1);
    EXPECT_EQ(Checked(MENUBAR_VIEW_DARK), 0);
    QColor margin, plotArea;
    GraphColours(&margin, &plotArea);
    EXPECT_FALSE(Dark(margin));
    EXPECT_TRUE(Dark(plotArea));

    // A status text in plain black and one in red, and a display-only box.
    SetCtrlAttribute(panelScope, SCOPE_STATUS, ATTR_TEXT_COLOR, VAL_BLACK);
    SetCtrlAttribute(panelScope, SCOPE_IDLE, ATTR_TEXT_COLOR, VAL_RED);

    ASSERT_EQ(ActivateMenuItem(Menu_Handle, MENUBAR_VIEW_DARK), 0);
    EXPECT_EQ(GetBenchTheme(), THEME_DARK);
    EXPECT_EQ(Checked(MENUBAR_VIEW_LIGHT), 0);
    EXPECT_EQ(Checked(MENUBAR_VIEW_DARK), 1);
    const QPalette panel = uirt::panel(panelScope)->content->palette();
    EXPECT_TRUE(Dark(panel.color(QPalette::Window)));
    EXPECT_FALSE(Dark(panel.color(QPalette::WindowText)));
    // Every kind of control follows, those holding a palette of their own too.
    EXPECT_FALSE(Dark(Widget(panelScope, SCOPE_STATUS)->palette().color(QPalette::WindowText)));
    EXPECT_EQ(Widget(panelScope, SCOPE_IDLE)->palette().color(QPalette::WindowText), QColor(Qt::red));
    const QPalette box = Widget(panelScope, SCOPE_PARAM_RMS)->palette();
    EXPECT_TRUE(Dark(box.color(QPalette::Base)));
    EXPECT_FALSE(Dark(box.color(QPalette::Text)));
    EXPECT_TRUE(Dark(Widget(panelAin, TAB_AIN_CH1)->palette().color(QPalette::Window)));
    EXPECT_TRUE(Dark(Widget(panelGene, GENE_FREQUENCY)->palette().color(QPalette::Base)));
    // The graph's margins and axes take the panel's colours; the plot area
    // stays as it was.
    QColor darkMargin, darkPlotArea;
    GraphColours(&darkMargin, &darkPlotArea);
    EXPECT_TRUE(Dark(darkMargin));
    EXPECT_EQ(darkPlotArea, plotArea);

    ASSERT_EQ(ActivateMenuItem(Menu_Handle, MENUBAR_VIEW_LIGHT), 0);
    EXPECT_EQ(GetBenchTheme(), THEME_LIGHT);
    EXPECT_FALSE(Dark(uirt::panel(panelScope)->content->palette().color(QPalette::Window)));
    EXPECT_TRUE(Dark(Widget(panelScope, SCOPE_STATUS)->palette().color(QPalette::WindowText)));
    GraphColours(&margin, &darkPlotArea);
    EXPECT_FALSE(Dark(margin));
    EXPECT_EQ(darkPlotArea, plotArea);
}

TEST_F(ThemeTest, TheChoiceIsKeptForTheNextStart)
{
    Menu_Handle = GetPanelMenuBar(panelBench);
    const std::string file = ThemeFile();
    EXPECT_LT(ReadThemeFile(file.c_str()), 0); // first start: no file yet
    ASSERT_EQ(ActivateMenuItem(Menu_Handle, MENUBAR_VIEW_DARK), 0);
    EXPECT_EQ(ReadThemeFile(file.c_str()), THEME_DARK);

    // The next start, in a process whose palette is the desktop's again.
    Bench_Close();
    SetBenchTheme(THEME_LIGHT);
    ASSERT_EQ(Bench_Open(), 0);
    Init_System();
    EXPECT_EQ(GetBenchTheme(), THEME_DARK);
    EXPECT_TRUE(Dark(uirt::panel(panelScope)->content->palette().color(QPalette::Window)));
    EXPECT_EQ(Checked(MENUBAR_VIEW_DARK), 1);

    ASSERT_EQ(ActivateMenuItem(Menu_Handle, MENUBAR_VIEW_LIGHT), 0);
    EXPECT_EQ(ReadThemeFile(file.c_str()), THEME_LIGHT);
}

TEST_F(ThemeTest, AThemeFileThatSaysSomethingElseGivesTheDesktopTheme)
{
    const std::string file = ThemeFile();
    std::ofstream(file) << "  DARK \n";
    EXPECT_EQ(ReadThemeFile(file.c_str()), THEME_DARK);
    for (const std::string &text : {std::string("purple\n"), std::string(), std::string(1000, 'd')}) {
        std::ofstream(file, std::ios::trunc) << text;
        EXPECT_LT(ReadThemeFile(file.c_str()), 0) << text.substr(0, 10);
        SetBenchTheme(THEME_DARK);
        EXPECT_EQ(Bench_ApplyTheme(), GetDesktopTheme()) << text.substr(0, 10);
        EXPECT_EQ(GetBenchTheme(), GetDesktopTheme());
    }
    EXPECT_EQ(SetBenchTheme(7), UIE_BAD_VALUE);
    EXPECT_EQ(WriteThemeFile(file.c_str(), 7), UIE_BAD_VALUE);
    EXPECT_LT(WriteThemeFile((TempDir() + "/missing/dir/KorvaxDemo.theme").c_str(), THEME_DARK), 0);

    // A theme file that cannot be written (a folder stands in its place):
    // the theme applies all the same, and a message says it is not kept.
    std::filesystem::remove(file);
    std::filesystem::create_directory(file);
    testseam::ClearShown();
    EXPECT_LT(Bench_ChooseTheme(THEME_DARK), 0);
    EXPECT_EQ(GetBenchTheme(), THEME_DARK);
    ASSERT_EQ(testseam::Shown().size(), 1u);
    EXPECT_EQ(testseam::Shown().front().rfind("Theme|", 0), 0u);
}
