// Annotation rows on a graph control: labelled bands below the plots, each
// holding boxes that span a range of x (sample positions) with a text.  The
// text is shortened to fit its box (the longest of its forms that fits,
// else cut with an ellipsis); the full text shows in a tooltip.  Boxes
// narrower than a few pixels merge into one block, so a redraw costs about
// the same whatever the number of annotations.
//
// Rows live in the graph's y space: row r spans y from
// firstRowY - r * rowHeight down to firstRowY - (r + 1) * rowHeight; the
// caller sets the y axis so the rows are in view.
#pragma once

#include <functional>
#include <string>
#include <vector>

// Sets the number of rows and where they lie (removes every annotation).
// Returns 0 or a UIE_* code.
int SetGraphAnnotationRows(int panel, int control, int rowCount, double firstRowY, double rowHeight);
// The label drawn at the left of a row and the colour of its boxes.
int SetGraphAnnotationRowLabel(int panel, int control, int row, const char *label, int color);
// Adds count annotations to a row: box i spans [xStart[i], xEnd[i]]; texts[i]
// holds its forms, longest first, separated by '\n'.  Annotations of a row
// are kept sorted by start.
int PlotGraphAnnotations(int panel, int control, int row, int count, const double *xStart, const double *xEnd,
                         const char *const *texts);
// Removes the annotations of a row, or of every row for -1.
int DeleteGraphAnnotations(int panel, int control, int row);
// Number of rows, and of annotations on a row.
int GetGraphAnnotationCount(int panel, int control, int row, int *count);
// The full text of the annotation under the graph position (x, y), as its
// tooltip shows it; 1 when there is none, 0 when found, or a UIE_* code.
int GetGraphAnnotationText(int panel, int control, double x, double y, char *text, int size);
// The text drawn in the box of the annotation under (x, y) at the graph's
// present size ("" when the box is too narrow for any).
int GetGraphAnnotationShownText(int panel, int control, double x, double y, char *text, int size);

namespace uiannot
{

// The text to draw in a box of the given width: the longest form that fits,
// else the shortest form cut to fit with an ellipsis ("…"), else "".  width
// measures a text in the same units as room.  Pure; exposed for tests.
std::string FitText(const std::vector<std::string> &forms, double room,
                    const std::function<double(const std::string &)> &width);

} // namespace uiannot
