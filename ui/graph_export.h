// Images of a graph control as it is shown (plots, cursors, axes, colours),
// drawn afresh at a chosen size: PNG, SVG (when the build has Qt SVG) or
// PDF, chosen by the name's ending.  The file appears whole or not at all.
#pragma once

// Returns 0, or a negative code: UIE_BAD_PANEL / UIE_BAD_CONTROL (no such
// graph), UIE_BAD_VALUE (size outside 16 .. kGraphExportMaxSide, or a name
// that ends in none of .png, .svg, .pdf), UIE_BAD_TYPE (SVG in a build
// without Qt SVG), UIE_IO_ERROR (the file cannot be written; an existing
// target that is not a regular file is refused), UIE_OUT_OF_MEMORY.
int ExportGraphImage(int panel, int control, const char *path, int width, int height);

// True when ExportGraphImage writes SVG.
int GraphExportSvgAvailable(void);

// A short English text for a code ExportGraphImage returned.
const char *GraphExportErrorText(int status);

inline constexpr int kGraphExportMaxSide = 10000;
