// Data side of XY plots (y against x), free of Qt: the pixels a path of
// points covers in a view, and the point nearest to a position.  The graph
// widget paints the pixels this computes (graph_xy.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace graphcore
{

// The part of the plane a graph shows and its size in pixels.  A point
// (x, v) lies in pixel column floor((x - xLo) * width / (xHi - xLo)) and
// pixel row floor((yHi - v) * height / (yHi - yLo)) (row 0 at the top).
struct XYView {
    double xLo = 0.0, xHi = 1.0;
    double yLo = 0.0, yHi = 1.0;
    int width = 1, height = 1;
};

// A record longer than this many points connects only the neighbours that
// lie at most kXYLongSegment pixels apart; its longer jumps (noise) are
// drawn as their end points.  Keeps the cost of a redraw near one step per
// point whatever the signal.
inline constexpr std::size_t kXYDensePoints = 65536;
inline constexpr double kXYLongSegment = 32.0;

// Marks in mask (width x height bytes, row after row; resized and cleared
// here) the pixels of the path through (x[i], yGain * y[i] + yOffset): every
// point inside the view and, with connect, the straight segment between
// each two consecutive points, clipped to the view.  A NaN or infinite
// coordinate breaks the path.  Returns the number of pixels marked.
std::size_t rasterizePath(const double *x, const double *y, std::size_t n, double yGain, double yOffset,
                          const XYView &view, bool connect, std::vector<std::uint8_t> &mask);

// Index of the point (x[i], yGain * y[i] + yOffset) nearest to (px, py)
// (0 when none is finite).
std::size_t nearestPoint(const double *x, const double *y, std::size_t n, double yGain, double yOffset, double px,
                         double py);

} // namespace graphcore
