#include "ui/graph_core.h"

#include "ui/userint.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include <sys/mman.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace graphcore
{

namespace
{

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr std::size_t kHugePage = std::size_t(2) << 20;

// Minimum and maximum of d[0, len), NaN passed over (a NaN never wins a
// comparison).  Folded into mn and mx.
inline void blockMinMax(const double *d, std::size_t len, double &mn, double &mx)
{
    std::size_t i = 0;
#if defined(__SSE2__)
    if (len >= 4) {
        __m128d lo0 = _mm_set1_pd(mn), lo1 = lo0;
        __m128d hi0 = _mm_set1_pd(mx), hi1 = hi0;
        for (; i + 4 <= len; i += 4) {
            const __m128d a = _mm_loadu_pd(d + i);
            const __m128d b = _mm_loadu_pd(d + i + 2);
            // min_pd(x, m) is x < m ? x : m, so a NaN x keeps m.
            lo0 = _mm_min_pd(a, lo0);
            lo1 = _mm_min_pd(b, lo1);
            hi0 = _mm_max_pd(a, hi0);
            hi1 = _mm_max_pd(b, hi1);
        }
        double l[4], h[4];
        _mm_storeu_pd(l, lo0);
        _mm_storeu_pd(l + 2, lo1);
        _mm_storeu_pd(h, hi0);
        _mm_storeu_pd(h + 2, hi1);
        for (int k = 0; k < 4; ++k) {
            mn = l[k] < mn ? l[k] : mn;
            mx = h[k] > mx ? h[k] : mx;
        }
    }
#endif
    for (; i < len; ++i) {
        const double v = d[i];
        mn = v < mn ? v : mn;
        mx = v > mx ? v : mx;
    }
}

// Copies len doubles and folds their min and max in the same pass.
inline void copyBlockMinMax(const double *s, double *d, std::size_t len, bool stream, double &mn, double &mx)
{
    std::size_t i = 0;
#if defined(__SSE2__)
    if (len >= 4 && (reinterpret_cast<std::uintptr_t>(d) & 15) == 0) {
        __m128d lo0 = _mm_set1_pd(mn), lo1 = lo0;
        __m128d hi0 = _mm_set1_pd(mx), hi1 = hi0;
        for (; i + 4 <= len; i += 4) {
            const __m128d a = _mm_loadu_pd(s + i);
            const __m128d b = _mm_loadu_pd(s + i + 2);
            if (stream) {
                _mm_stream_pd(d + i, a);
                _mm_stream_pd(d + i + 2, b);
            } else {
                _mm_store_pd(d + i, a);
                _mm_store_pd(d + i + 2, b);
            }
            lo0 = _mm_min_pd(a, lo0);
            lo1 = _mm_min_pd(b, lo1);
            hi0 = _mm_max_pd(a, hi0);
            hi1 = _mm_max_pd(b, hi1);
        }
        double l[4], h[4];
        _mm_storeu_pd(l, lo0);
        _mm_storeu_pd(l + 2, lo1);
        _mm_storeu_pd(h, hi0);
        _mm_storeu_pd(h + 2, hi1);
        for (int k = 0; k < 4; ++k) {
            mn = l[k] < mn ? l[k] : mn;
            mx = h[k] > mx ? h[k] : mx;
        }
    }
#else
    (void)stream;
#endif
    for (; i < len; ++i) {
        const double v = s[i];
        d[i] = v;
        mn = v < mn ? v : mn;
        mx = v > mx ? v : mx;
    }
}

template <typename T> void convert(const void *src, std::size_t from, std::size_t len, double *dst)
{
    const T *s = static_cast<const T *>(src) + from;
    for (std::size_t i = 0; i < len; ++i)
        dst[i] = static_cast<double>(s[i]);
}

// Converts len samples of src starting at sample `from` into dst.
bool convertRange(const void *src, int dataType, std::size_t from, std::size_t len, double *dst)
{
    switch (dataType) {
    case VAL_DOUBLE:
        std::memcpy(dst, static_cast<const double *>(src) + from, len * sizeof(double));
        return true;
    case VAL_FLOAT:
        convert<float>(src, from, len, dst);
        return true;
    case VAL_INTEGER:
        convert<std::int32_t>(src, from, len, dst);
        return true;
    case VAL_UNSIGNED_INTEGER:
        convert<std::uint32_t>(src, from, len, dst);
        return true;
    case VAL_SHORT_INTEGER:
        convert<std::int16_t>(src, from, len, dst);
        return true;
    case VAL_UNSIGNED_SHORT_INTEGER:
        convert<std::uint16_t>(src, from, len, dst);
        return true;
    case VAL_CHAR:
        convert<signed char>(src, from, len, dst);
        return true;
    case VAL_UNSIGNED_CHAR:
        convert<unsigned char>(src, from, len, dst);
        return true;
    default:
        return false;
    }
}

} // namespace

// ------------------------------------------------------------ sample storage

void SampleBuffer::Free::operator()(double *p) const
{
    std::free(p);
}

bool SampleBuffer::resize(std::size_t n)
{
    if (n <= capacity_) {
        size_ = n;
        return true;
    }
    clear();
    if (n > std::numeric_limits<std::size_t>::max() / sizeof(double) - kHugePage)
        return false;
    std::size_t bytes = n * sizeof(double);
    const bool huge = bytes >= 2 * kHugePage;
    const std::size_t align = huge ? kHugePage : 64;
    bytes = (bytes + align - 1) / align * align;
    void *p = std::aligned_alloc(align, bytes);
    if (!p)
        return false;
#ifdef MADV_HUGEPAGE
    if (huge)
        madvise(p, bytes, MADV_HUGEPAGE);
#endif
    data_.reset(static_cast<double *>(p));
    size_ = n;
    capacity_ = bytes / sizeof(double);
    return true;
}

void SampleBuffer::clear()
{
    data_.reset();
    size_ = 0;
    capacity_ = 0;
}

std::size_t sampleSize(int dataType)
{
    switch (dataType) {
    case VAL_DOUBLE:
        return sizeof(double);
    case VAL_FLOAT:
        return sizeof(float);
    case VAL_INTEGER:
    case VAL_UNSIGNED_INTEGER:
        return sizeof(std::int32_t);
    case VAL_SHORT_INTEGER:
    case VAL_UNSIGNED_SHORT_INTEGER:
        return sizeof(std::int16_t);
    case VAL_CHAR:
    case VAL_UNSIGNED_CHAR:
        return 1;
    default:
        return 0;
    }
}

// ------------------------------------------------------------ min/max pyramid

bool scanMinMax(const double *y, std::size_t a, std::size_t b, double &mn, double &mx)
{
    double lo = kInf, hi = -kInf;
    if (a < b)
        blockMinMax(y + a, b - a, lo, hi);
    if (!(lo <= hi))
        return false;
    mn = lo;
    mx = hi;
    return true;
}

void MinMaxPyramid::clear()
{
    for (Level &l : levels_) {
        l.mn.clear();
        l.mx.clear();
    }
    levels_.clear();
}

std::size_t MinMaxPyramid::blockSize(int level) const
{
    return level >= 1 && level <= levelCount() ? levels_[level - 1].block : 1;
}

std::size_t MinMaxPyramid::entries(int level) const
{
    return level >= 1 && level <= levelCount() ? levels_[level - 1].mn.size() : 0;
}

const double *MinMaxPyramid::mins(int level) const
{
    return level >= 1 && level <= levelCount() ? levels_[level - 1].mn.data() : nullptr;
}

const double *MinMaxPyramid::maxs(int level) const
{
    return level >= 1 && level <= levelCount() ? levels_[level - 1].mx.data() : nullptr;
}

// Adds the levels above level 1, each kFactor entries of the one below per
// entry, until a level has at most kFactor entries.
bool MinMaxPyramid::buildUpper(std::size_t n)
{
    (void)n;
    try {
        while (levels_.back().mn.size() > kFactor) {
            const Level &below = levels_.back();
            const std::size_t count = (below.mn.size() + kFactor - 1) / kFactor;
            Level up;
            up.block = below.block * kFactor;
            up.mn.resize(count);
            up.mx.resize(count);
            for (std::size_t j = 0; j < count; ++j) {
                const std::size_t a = j * kFactor;
                const std::size_t len = std::min(kFactor, below.mn.size() - a);
                double lo = kInf, hi = -kInf;
                for (std::size_t k = 0; k < len; ++k) {
                    lo = below.mn[a + k] < lo ? below.mn[a + k] : lo;
                    hi = below.mx[a + k] > hi ? below.mx[a + k] : hi;
                }
                up.mn[j] = lo;
                up.mx[j] = hi;
            }
            levels_.push_back(std::move(up));
        }
    } catch (const std::bad_alloc &) {
        clear();
        return false;
    }
    return true;
}

bool MinMaxPyramid::build(const double *y, std::size_t n)
{
    clear();
    if (n < 2 * kBaseBlock)
        return true;
    const std::size_t count = (n + kBaseBlock - 1) / kBaseBlock;
    try {
        Level base;
        base.block = kBaseBlock;
        base.mn.resize(count);
        base.mx.resize(count);
        for (std::size_t j = 0; j < count; ++j) {
            const std::size_t a = j * kBaseBlock;
            double lo = kInf, hi = -kInf;
            blockMinMax(y + a, std::min(kBaseBlock, n - a), lo, hi);
            base.mn[j] = lo;
            base.mx[j] = hi;
        }
        levels_.push_back(std::move(base));
    } catch (const std::bad_alloc &) {
        clear();
        return false;
    }
    return buildUpper(n);
}

bool MinMaxPyramid::buildFrom(const void *src, int dataType, std::size_t n, double *dst)
{
    clear();
    if (sampleSize(dataType) == 0)
        return false;
    if (n < 2 * kBaseBlock)
        return convertRange(src, dataType, 0, n, dst);
    const std::size_t count = (n + kBaseBlock - 1) / kBaseBlock;
    // Streaming stores keep a long record from flushing the caches.
    const bool stream = n * sizeof(double) >= (std::size_t(8) << 20);
    try {
        Level base;
        base.block = kBaseBlock;
        base.mn.resize(count);
        base.mx.resize(count);
        for (std::size_t j = 0; j < count; ++j) {
            const std::size_t a = j * kBaseBlock;
            const std::size_t len = std::min(kBaseBlock, n - a);
            double lo = kInf, hi = -kInf;
            if (dataType == VAL_DOUBLE) {
                copyBlockMinMax(static_cast<const double *>(src) + a, dst + a, len, stream, lo, hi);
            } else {
                convertRange(src, dataType, a, len, dst + a);
                blockMinMax(dst + a, len, lo, hi);
            }
            base.mn[j] = lo;
            base.mx[j] = hi;
        }
#if defined(__SSE2__)
        if (stream)
            _mm_sfence();
#endif
        levels_.push_back(std::move(base));
    } catch (const std::bad_alloc &) {
        // The samples still have to be stored; the pyramid is only a speed-up.
        clear();
        convertRange(src, dataType, 0, n, dst);
        return true;
    }
    buildUpper(n);
    return true;
}

bool MinMaxPyramid::rangeMinMax(const double *y, std::size_t n, std::size_t a, std::size_t b, double &mn,
                                double &mx) const
{
    b = std::min(b, n);
    if (a >= b)
        return false;
    double lo = kInf, hi = -kInf;
    // Bottom-up: at each level take the partial blocks at both ends from
    // this level and the whole blocks between them from the level above.
    std::size_t from = a, to = b, count = n;
    for (int level = 0;; ++level) {
        const double *lmin = level == 0 ? y : levels_[level - 1].mn.data();
        const double *lmax = level == 0 ? y : levels_[level - 1].mx.data();
        auto fold = [&](std::size_t s, std::size_t e) {
            if (level == 0) {
                blockMinMax(y + s, e - s, lo, hi);
                return;
            }
            for (std::size_t k = s; k < e; ++k) {
                lo = lmin[k] < lo ? lmin[k] : lo;
                hi = lmax[k] > hi ? lmax[k] : hi;
            }
        };
        if (level == levelCount()) {
            fold(from, to);
            break;
        }
        const std::size_t f = level == 0 ? kBaseBlock : kFactor;
        const std::size_t upFrom = (from + f - 1) / f;
        // The last entry above may cover a partial block: it is whole when
        // the range runs to the end of this level.
        const std::size_t upTo = to == count ? (to + f - 1) / f : to / f;
        if (upFrom >= upTo) {
            fold(from, to);
            break;
        }
        fold(from, upFrom * f);
        if (upTo * f < to)
            fold(upTo * f, to);
        from = upFrom;
        to = upTo;
        count = levels_[level].mn.size();
    }
    if (!(lo <= hi))
        return false;
    mn = lo;
    mx = hi;
    return true;
}

bool MinMaxPyramid::finiteMinMax(const double *y, std::size_t n, double &mn, double &mx) const
{
    double lo, hi;
    if (!rangeMinMax(y, n, 0, n, lo, hi))
        return false;
    if (std::isfinite(lo) && std::isfinite(hi)) {
        mn = lo;
        mx = hi;
        return true;
    }
    // Infinite samples (a level in dB of a zero power) do not count.
    lo = kInf;
    hi = -kInf;
    for (std::size_t i = 0; i < n; ++i) {
        const double v = y[i];
        if (std::isfinite(v)) {
            lo = v < lo ? v : lo;
            hi = v > hi ? v : hi;
        }
    }
    if (!(lo <= hi))
        return false;
    mn = lo;
    mx = hi;
    return true;
}

// ------------------------------------------------------------ column reduction

double XMap::pixelOf(double index) const
{
    return (x0 + index * dx - viewLo) * (width / (viewHi - viewLo));
}

double XMap::samplesPerColumn() const
{
    if (dx == 0.0 || width <= 0)
        return 0.0;
    return std::fabs((viewHi - viewLo) / (width * dx));
}

namespace
{

// The samples seen in increasing x order: position j is sample j (dx > 0)
// or sample n - 1 - j (dx < 0), at pixel q(j), increasing in j.
struct Ordered {
    const XMap &map;
    std::size_t n;
    bool reversed;
    double x0, step, scale;

    Ordered(const XMap &m, std::size_t count)
        : map(m), n(count), reversed(m.dx < 0), x0(m.dx < 0 ? m.x0 + (count - 1) * m.dx : m.x0),
          step(std::fabs(m.dx)), scale(m.width / (m.viewHi - m.viewLo))
    {
    }
    double q(std::size_t j) const { return (x0 + j * step - map.viewLo) * scale; }
    std::size_t index(std::size_t j) const { return reversed ? n - 1 - j : j; }
    // Smallest j in [0, n] with q(j) >= p.
    std::size_t firstAtOrAbove(double p) const
    {
        double est = std::ceil((p / scale + map.viewLo - x0) / step);
        std::size_t j;
        if (!(est > 0))
            j = 0;
        else if (est >= static_cast<double>(n))
            j = n;
        else
            j = static_cast<std::size_t>(est);
        while (j > 0 && q(j - 1) >= p)
            --j;
        while (j < n && q(j) < p)
            ++j;
        return j;
    }
};

bool usableMap(const XMap &map, std::size_t n)
{
    return n > 0 && map.width > 0 && std::isfinite(map.x0) && std::isfinite(map.dx) &&
           std::isfinite(map.viewLo) && std::isfinite(map.viewHi) && map.viewHi > map.viewLo;
}

} // namespace

void reduceColumns(const double *y, std::size_t n, const MinMaxPyramid *pyramid, const XMap &map,
                   std::vector<Column> &out)
{
    out.clear();
    if (!usableMap(map, n))
        return;
    auto minMax = [&](std::size_t a, std::size_t b, double &mn, double &mx) {
        return pyramid ? pyramid->rangeMinMax(y, n, a, b, mn, mx) : scanMinMax(y, a, b, mn, mx);
    };
    if (map.dx == 0.0) {
        // Every sample at the same x: one column holds them all.
        const double p = map.pixelOf(0);
        if (!(p >= 0 && p < map.width))
            return;
        Column c;
        c.column = static_cast<int>(p);
        if (!minMax(0, n, c.min, c.max))
            return;
        c.firstIndex = 0;
        c.lastIndex = n - 1;
        c.first = y[0];
        c.last = y[n - 1];
        out.push_back(c);
        return;
    }
    const Ordered ord(map, n);
    const double pFirst = ord.q(0), pLast = ord.q(n - 1);
    if (!(pLast >= 0) || !(pFirst < map.width))
        return;
    const int c0 = pFirst <= 0 ? 0 : static_cast<int>(pFirst);
    const int c1 = pLast >= map.width - 1 ? map.width - 1 : static_cast<int>(pLast);
    out.reserve(static_cast<std::size_t>(c1 - c0 + 1));
    std::size_t ja = ord.firstAtOrAbove(c0);
    for (int col = c0; col <= c1 && ja < n; ++col) {
        const std::size_t jb = ord.firstAtOrAbove(col + 1.0);
        if (jb > ja) {
            // Samples ja .. jb-1 in x order; as indices of y a range [a, b).
            const std::size_t a = ord.reversed ? n - jb : ja;
            const std::size_t b = ord.reversed ? n - ja : jb;
            Column c;
            c.column = col;
            if (minMax(a, b, c.min, c.max)) {
                c.firstIndex = ord.index(ja);
                c.lastIndex = ord.index(jb - 1);
                c.first = y[c.firstIndex];
                c.last = y[c.lastIndex];
                out.push_back(c);
            }
        }
        ja = jb;
    }
}

bool visibleRange(std::size_t n, const XMap &map, double pLo, double pHi, std::size_t &first,
                  std::size_t &last)
{
    if (!usableMap(map, n) || !(pHi >= pLo))
        return false;
    if (map.dx == 0.0) {
        const double p = map.pixelOf(0);
        if (!(p >= pLo && p <= pHi))
            return false;
        first = 0;
        last = n - 1;
        return true;
    }
    const Ordered ord(map, n);
    if (ord.q(n - 1) < pLo || ord.q(0) > pHi)
        return false;
    std::size_t ja = ord.firstAtOrAbove(pLo);
    ja = ja > 0 ? ja - 1 : 0;
    std::size_t jb = ord.firstAtOrAbove(pHi);
    jb = std::min(jb, n - 1);
    first = std::min(ord.index(ja), ord.index(jb));
    last = std::max(ord.index(ja), ord.index(jb));
    return true;
}

// ------------------------------------------------------------ axis labels

double fromLabel(double label, double gain, double offset)
{
    if (gain == 0.0 || !std::isfinite(gain))
        gain = 1.0;
    return (label - offset) / gain;
}

double niceStep(double span, int targetCount)
{
    span = std::fabs(span);
    if (!(span > 0) || !std::isfinite(span))
        return 1.0;
    if (targetCount < 1)
        targetCount = 1;
    const double raw = span / targetCount;
    const double mag = std::pow(10.0, std::floor(std::log10(raw)));
    const double norm = raw / mag;
    const double m = norm < 1.5 ? 1.0 : norm < 3.5 ? 2.0 : norm < 7.5 ? 5.0 : 10.0;
    return m * mag;
}

std::vector<double> niceTicks(double lo, double hi, int targetCount)
{
    std::vector<double> ticks;
    if (lo > hi)
        std::swap(lo, hi);
    if (!std::isfinite(lo) || !std::isfinite(hi))
        return ticks;
    if (hi - lo <= std::fabs(lo) * 1e-12 || !(hi - lo > 0)) {
        ticks.push_back(lo);
        return ticks;
    }
    const double step = niceStep(hi - lo, targetCount);
    const double k0 = std::ceil(lo / step - 1e-9);
    const double k1 = std::floor(hi / step + 1e-9);
    if (!(k1 >= k0) || k1 - k0 > 1000)
        return ticks;
    const int count = static_cast<int>(k1 - k0) + 1;
    for (int i = 0; i < count; ++i) {
        const double k = k0 + i;
        ticks.push_back(k == 0.0 ? 0.0 : k * step);
    }
    return ticks;
}

std::string formatTick(double value, double step)
{
    char buf[64];
    step = std::fabs(step);
    if (!std::isfinite(value))
        return value != value ? "nan" : value > 0 ? "inf" : "-inf";
    if (!(step > 0) || !std::isfinite(step)) {
        std::snprintf(buf, sizeof buf, "%g", value);
        return buf;
    }
    if (std::fabs(value) < step * 1e-6)
        value = 0.0;
    const int stepExp = static_cast<int>(std::floor(std::log10(step) + 1e-9));
    const int decimals = stepExp < 0 ? -stepExp : 0;
    if (decimals <= 6 && std::fabs(value) < 1e7) {
        std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
    } else {
        const int valueExp =
            value == 0.0 ? stepExp : static_cast<int>(std::floor(std::log10(std::fabs(value))));
        const int digits = std::max(1, std::min(17, valueExp - stepExp + 1));
        std::snprintf(buf, sizeof buf, "%.*g", digits, value);
    }
    return buf;
}

// ------------------------------------------------------------ cursors

std::size_t nearestIndex(double x, double x0, double dx, std::size_t n)
{
    if (n == 0 || dx == 0.0 || !std::isfinite(dx))
        return 0;
    const double t = std::round((x - x0) / dx);
    if (!(t > 0))
        return 0;
    if (t >= static_cast<double>(n - 1))
        return n - 1;
    return static_cast<std::size_t>(t);
}

} // namespace graphcore
