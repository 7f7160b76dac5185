// The bench's light and dark themes: chosen in the View menu, kept in
// "KorvaxDemo.theme" beside the setup and layout files (written at once, so
// the choice survives whatever ends the bench), and at the first start
// taken from the desktop.
#include "shell/shell.h"

#include <cstdio>

#include "scope/scope.h"
#include "ui/comfort.h"

namespace
{

void CheckThemeItems(int theme)
{
    const int bar = GetPanelMenuBar(panelBench);
    if (bar <= 0)
        return;
    SetMenuBarAttribute(bar, MENUBAR_VIEW_LIGHT, ATTR_CHECKED, theme == THEME_LIGHT);
    SetMenuBarAttribute(bar, MENUBAR_VIEW_DARK, ATTR_CHECKED, theme == THEME_DARK);
}

} // namespace

int Theme_FilePath(char *path, std::size_t size)
{
    return Bench_ConfigFilePath(kThemeFileName, path, size);
}

int Bench_ApplyTheme(void)
{
    char path[1200] = "";
    int theme = -1;
    if (Theme_FilePath(path, sizeof path) == 0)
        theme = ReadThemeFile(path);
    if (theme != THEME_LIGHT && theme != THEME_DARK)
        theme = GetDesktopTheme();
    SetBenchTheme(theme);
    CheckThemeItems(theme);
    return theme;
}

int Bench_ChooseTheme(int theme)
{
    const int rc = SetBenchTheme(theme);
    if (rc < 0)
        return rc;
    CheckThemeItems(theme);
    char path[1200] = "";
    int written = Theme_FilePath(path, sizeof path);
    if (written == 0)
        written = WriteThemeFile(path, theme);
    if (written < 0)
        MessagePopup("Theme", "The theme is applied, but the configuration folder could not keep it for the next "
                              "start.");
    return written;
}

void Choose_Theme(int, int menuItem, void *, int)
{
    Bench_ChooseTheme(menuItem == MENUBAR_VIEW_DARK ? THEME_DARK : THEME_LIGHT);
}

void Display_Shortcuts(int, int, void *, int)
{
    MessagePopup("Keyboard shortcuts", Scope_ShortcutsText().c_str());
}
