// Data side of the graph control, free of Qt: sample storage, the min/max
// pyramid of long plots, the reduction of a plot to one envelope per pixel
// column, axis ticks in label space and cursor snapping.  The widget
// (graph_widget.h) draws what these functions compute.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace graphcore
{

// ------------------------------------------------------------ sample storage

// Owns an array of doubles.  Large arrays are allocated aligned to huge
// pages (fewer page faults on a fresh record of millions of samples).
// Allocation failure is reported, never thrown.
class SampleBuffer
{
  public:
    SampleBuffer() = default;
    SampleBuffer(SampleBuffer &&) noexcept = default;
    SampleBuffer &operator=(SampleBuffer &&) noexcept = default;

    // Makes room for n samples (contents unspecified); false when the
    // memory cannot be had (the buffer is then empty).
    bool resize(std::size_t n);
    void clear();

    double *data() { return data_.get(); }
    const double *data() const { return data_.get(); }
    std::size_t size() const { return size_; }
    std::size_t capacity() const { return capacity_; }

  private:
    struct Free {
        void operator()(double *p) const;
    };
    std::unique_ptr<double[], Free> data_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

// Size in bytes of one sample of a runtime data type (VAL_CHAR ...), or 0
// for a type a plot cannot hold.
std::size_t sampleSize(int dataType);

// ------------------------------------------------------------ min/max pyramid

// Levels of block minima and maxima over a plot's samples: level 1 holds one
// entry per kBaseBlock samples, each further level one entry per kFactor
// entries of the level below.  NaN samples are passed over (they are gaps);
// a block of NaN only has min = +inf, max = -inf.
class MinMaxPyramid
{
  public:
    static constexpr std::size_t kBaseBlock = 64;
    static constexpr std::size_t kFactor = 8;

    // Builds every level from y.  false when memory runs out (the pyramid
    // is then empty and queries scan the samples).
    bool build(const double *y, std::size_t n);
    // Same, but also copies (converted) samples into dst in the same pass:
    // src holds n values of dataType.  false on memory failure or a bad type.
    bool buildFrom(const void *src, int dataType, std::size_t n, double *dst);
    void clear();

    int levelCount() const { return static_cast<int>(levels_.size()); }
    // Samples per entry of level L (L from 1 to levelCount()).
    std::size_t blockSize(int level) const;
    std::size_t entries(int level) const;
    const double *mins(int level) const;
    const double *maxs(int level) const;

    // Minimum and maximum of y[a, b), NaN passed over.  false when the range
    // is empty or holds only NaN.
    bool rangeMinMax(const double *y, std::size_t n, std::size_t a, std::size_t b, double &mn,
                     double &mx) const;
    // Finite minimum and maximum of all of y (for autoscaling); false when
    // there is no finite sample.
    bool finiteMinMax(const double *y, std::size_t n, double &mn, double &mx) const;

  private:
    struct Level {
        std::size_t block = 0; // samples per entry
        std::vector<double> mn, mx;
    };
    bool buildUpper(std::size_t n);
    std::vector<Level> levels_;
};

// Scans y[a, b) for min and max, NaN passed over.  false when none found.
bool scanMinMax(const double *y, std::size_t a, std::size_t b, double &mn, double &mx);

// ------------------------------------------------------------ column reduction

// Where the samples of a plot fall on the screen: sample i lies at
// x = x0 + i * dx, and x maps linearly to the pixel position
// p = (x - viewLo) * width / (viewHi - viewLo) (0 at the left edge of the
// plot area).  Sample i belongs to pixel column floor(p).
struct XMap {
    double x0 = 0.0;
    double dx = 1.0;
    double viewLo = 0.0;
    double viewHi = 1.0;
    int width = 1;

    double pixelOf(double index) const;
    // Samples per pixel column (0 for dx == 0).
    double samplesPerColumn() const;
};

// Envelope of the samples of one pixel column.
struct Column {
    int column = 0;
    double min = 0.0, max = 0.0;    // raw sample values (before gain and offset)
    double first = 0.0, last = 0.0; // the first and last sample in x order
    std::size_t firstIndex = 0, lastIndex = 0;
};

// Reduces n samples to one envelope per pixel column of the view, for the
// columns 0 .. width-1 that hold at least one non-NaN sample, in column
// order.  pyramid may be null (samples are then scanned).
void reduceColumns(const double *y, std::size_t n, const MinMaxPyramid *pyramid, const XMap &map,
                   std::vector<Column> &out);

// Index range [first, last] of the samples whose pixel position lies within
// [pLo, pHi], widened by one sample on each side (so a line drawn through
// them reaches the edges); false when no sample is near the view.
bool visibleRange(std::size_t n, const XMap &map, double pLo, double pHi, std::size_t &first,
                  std::size_t &last);

// ------------------------------------------------------------ axis labels

// Labels read gain * x + offset.
inline double toLabel(double x, double gain, double offset)
{
    return gain * x + offset;
}
// Data position of a label value; gain 0 is read as gain 1.
double fromLabel(double label, double gain, double offset);

// A readable tick step (1, 2 or 5 times a power of ten) giving about
// targetCount intervals over span.
double niceStep(double span, int targetCount);
// Tick positions in label space over [lo, hi] (either order): multiples of
// a nice step.  At most a few hundred, never an endless loop.
std::vector<double> niceTicks(double lo, double hi, int targetCount);
// Text of a tick label: enough digits to tell ticks one step apart.
std::string formatTick(double value, double step);

// ------------------------------------------------------------ cursors

// Index of the sample nearest to x on a plot (x0, dx, n > 0), clamped to the
// plot.
std::size_t nearestIndex(double x, double x0, double dx, std::size_t n);

} // namespace graphcore
