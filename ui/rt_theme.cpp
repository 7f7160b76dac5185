// Light and dark themes: the bench's windows, panels, controls and text take
// the theme's palette; graphs keep the plot-area colour of their resource
// (dark on this bench) and draw their margins and axes in the panel's
// colours.  The theme chosen is kept in a one-word file.
#include "comfort.h"
#include "rt_core.h"

#include <QApplication>
#include <QFile>
#include <QMdiArea>
#include <QPalette>
#include <QSaveFile>
#include <QStyle>
#include <QStyleHints>

namespace uirt
{

namespace
{

struct ThemeState {
    bool captured = false;
    QPalette desktop; // the palette the bench started with: the desktop's
    int current = -1; // no theme applied yet
};

ThemeState &state()
{
    static ThemeState s;
    return s;
}

// The desktop's palette, taken before any theme replaces it.
const QPalette &desktopPalette()
{
    ThemeState &s = state();
    if (!s.captured) {
        s.captured = true;
        s.desktop = QGuiApplication::palette();
    }
    return s.desktop;
}

bool darkPalette(const QPalette &p)
{
    return p.color(QPalette::Window).lightness() < 128;
}

QPalette makeDark()
{
    const QColor window(0x2D, 0x2D, 0x30), base(0x1E, 0x1E, 0x1E), button(0x3A, 0x3A, 0x3E);
    const QColor text(0xE6, 0xE6, 0xE6), dimmed(0x80, 0x80, 0x80);
    QPalette p(button, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, QColor(0x35, 0x35, 0x38));
    p.setColor(QPalette::ToolTipBase, QColor(0x3C, 0x3C, 0x40));
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, dimmed);
    p.setColor(QPalette::BrightText, QColor(0xFF, 0x60, 0x60));
    p.setColor(QPalette::Light, QColor(0x55, 0x55, 0x5A));
    p.setColor(QPalette::Midlight, QColor(0x45, 0x45, 0x4A));
    p.setColor(QPalette::Mid, QColor(0x28, 0x28, 0x2B));
    p.setColor(QPalette::Dark, QColor(0x1A, 0x1A, 0x1C));
    p.setColor(QPalette::Shadow, QColor(0x0A, 0x0A, 0x0A));
    p.setColor(QPalette::Highlight, QColor(0x2A, 0x82, 0xDA));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, QColor(0x5A, 0xA0, 0xFF));
    p.setColor(QPalette::LinkVisited, QColor(0xB0, 0x8C, 0xFF));
    for (QPalette::ColorRole r : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, r, dimmed);
    p.setColor(QPalette::Disabled, QPalette::Base, window);
    p.setColor(QPalette::Disabled, QPalette::Button, window);
    p.setColor(QPalette::Disabled, QPalette::Highlight, QColor(0x50, 0x50, 0x50));
    return p;
}

// The theme's palette: the desktop's own when it is of that kind, else the
// style's standard (light) palette or the bench's dark one.
QPalette paletteOf(int theme)
{
    const QPalette &desktop = desktopPalette();
    if (darkPalette(desktop) == (theme == THEME_DARK))
        return desktop;
    if (theme == THEME_DARK)
        return makeDark();
    return QApplication::style() ? QApplication::style()->standardPalette() : QPalette(QColor(0xEF, 0xEF, 0xEF));
}

} // namespace

} // namespace uirt

using namespace uirt;

int GetDesktopTheme(void)
{
    if (!initialised())
        return THEME_LIGHT;
    const QPalette &desktop = desktopPalette();
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    switch (QGuiApplication::styleHints()->colorScheme()) {
    case Qt::ColorScheme::Dark:
        return THEME_DARK;
    case Qt::ColorScheme::Light:
        return THEME_LIGHT;
    default:
        break;
    }
#endif
    // No colour scheme from the platform: the default palette tells.
    return darkPalette(desktop) ? THEME_DARK : THEME_LIGHT;
}

int SetBenchTheme(int theme)
{
    if (theme != THEME_LIGHT && theme != THEME_DARK)
        return UIE_BAD_VALUE;
    if (!initialised())
        return UIE_NOT_INITIALISED;
    const QPalette pal = paletteOf(theme);
    state().current = theme;
    QApplication::setPalette(pal);
    // Windows take the new palette too, and hand it down to their children
    // (a window that was never on screen is not told by Qt).
    for (QWidget *w : QApplication::topLevelWidgets()) {
        QEvent change(QEvent::ApplicationPaletteChange);
        QCoreApplication::sendEvent(w, &change);
    }
    // Controls that hold a palette of their own (a text colour, a
    // display-only box) build it again from the theme's.
    for (auto &kv : panels())
        for (auto &ck : kv.second->controls) {
            Control *c = ck.second.get();
            if (c->shown && c->shown->testAttribute(Qt::WA_SetPalette))
                applyPalette(c);
        }
    // The workspace behind the instrument windows.
    for (QWidget *w : QApplication::allWidgets())
        if (auto *mdi = qobject_cast<QMdiArea *>(w))
            mdi->setBackground(pal.brush(QPalette::Dark));
    return 0;
}

int GetBenchTheme(void)
{
    const int t = state().current;
    if (t == THEME_LIGHT || t == THEME_DARK)
        return t;
    return darkPalette(QGuiApplication::palette()) ? THEME_DARK : THEME_LIGHT;
}

int ReadThemeFile(const char *path)
{
    if (!path || !*path)
        return UIE_BAD_VALUE;
    QFile in(QString::fromUtf8(path));
    // One word: anything larger is not ours.
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text) || in.size() > 256)
        return UIE_FILE_NOT_FOUND;
    const QString word = QString::fromUtf8(in.readAll()).trimmed().toLower();
    if (word == "dark")
        return THEME_DARK;
    if (word == "light")
        return THEME_LIGHT;
    return UIE_BAD_VALUE;
}

int WriteThemeFile(const char *path, int theme)
{
    if (!path || !*path || (theme != THEME_LIGHT && theme != THEME_DARK))
        return UIE_BAD_VALUE;
    QSaveFile out(QString::fromUtf8(path));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Text))
        return UIE_IO_ERROR;
    out.write(theme == THEME_DARK ? "dark\n" : "light\n");
    return out.commit() ? 0 : UIE_IO_ERROR;
}
