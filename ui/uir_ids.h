// How the resource file's panels, controls and menus are numbered: shared by
// the build-time header generator and the runtime's loader.
#pragma once

namespace uirids {
// Panels: resource id = position in "panels" + 1.
constexpr int panelId(int index) { return index + 1; }
constexpr int panelIndex(int id) { return id - 1; }
// Controls: id = position in the panel's "controls" + 2 (0 and 1 are never controls).
constexpr int controlId(int index) { return index + 2; }
constexpr int controlIndex(int id) { return id - 2; }
// Menu bars: resource id = position in "menubars" + 1.
constexpr int menuBarId(int index) { return index + 1; }
// Menus and items of one menu bar are numbered in file order from 2.
constexpr int kFirstMenuItemId = 2;
} // namespace uirids
