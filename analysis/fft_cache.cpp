// The plan cache and the pool of work buffers of the FFT, and the entry
// points that use them (real and complex forward transforms with status).
#include "analysis/fft.h"

#include <algorithm>
#include <atomic>
#include <list>
#include <mutex>
#include <new>

namespace korvax
{
namespace fft
{
namespace
{

// Work buffers kept between calls: at most kPoolSize idle buffers holding
// at most kPoolDoubles doubles together (256 MB); larger ones are freed.
constexpr std::size_t kPoolSize = 4;
constexpr std::size_t kPoolDoubles = std::size_t(32) << 20;

struct Buffer {
    std::unique_ptr<double[]> data;
    std::size_t size = 0;
};

std::mutex &PoolMutex()
{
    static std::mutex m; // created on first use, race-free
    return m;
}

std::vector<Buffer> &Pool()
{
    static std::vector<Buffer> pool;
    return pool;
}

std::atomic<std::size_t> &WorkLimit()
{
    static std::atomic<std::size_t> limit(0);
    return limit;
}

Buffer AcquireBuffer(std::size_t size)
{
    const std::size_t limit = WorkLimit().load();
    if (limit && size > limit)
        return Buffer();
    {
        std::lock_guard<std::mutex> lock(PoolMutex());
        std::vector<Buffer> &pool = Pool();
        std::size_t best = pool.size();
        for (std::size_t i = 0; i < pool.size(); ++i)
            if (pool[i].size >= size && (best == pool.size() || pool[i].size < pool[best].size))
                best = i;
        if (best != pool.size()) {
            Buffer b = std::move(pool[best]);
            pool.erase(pool.begin() + static_cast<std::ptrdiff_t>(best));
            return b;
        }
    }
    Buffer b;
    b.data.reset(new (std::nothrow) double[size ? size : 1]);
    if (b.data)
        b.size = size;
    return b;
}

void ReleaseBuffer(Buffer &&b)
{
    if (!b.data)
        return;
    if (b.size > kPoolDoubles)
        return; // freed here
    std::lock_guard<std::mutex> lock(PoolMutex());
    std::vector<Buffer> &pool = Pool();
    try {
        pool.push_back(std::move(b));
    } catch (const std::bad_alloc &) {
        return;
    }
    std::size_t total = 0;
    for (const Buffer &x : pool)
        total += x.size;
    while (pool.size() > kPoolSize || total > kPoolDoubles) {
        auto smallest = std::min_element(pool.begin(), pool.end(),
                                         [](const Buffer &a, const Buffer &c) { return a.size < c.size; });
        total -= smallest->size;
        pool.erase(smallest);
    }
}

// Plans kept between calls, most recently used first.
constexpr std::size_t kPlanCacheSize = 8;

std::mutex &PlanMutex()
{
    static std::mutex m;
    return m;
}

std::list<std::shared_ptr<const RealPlan>> &PlanCache()
{
    static std::list<std::shared_ptr<const RealPlan>> cache;
    return cache;
}

std::shared_ptr<const RealPlan> BuildRealPlan(std::size_t N)
{
    auto plan = std::make_shared<RealPlan>();
    plan->N = N;
    if (N >= 2) {
        if (N % 2 == 0 && (plan->pow2 = MakePow2Plan(N))) {
            // served by the power-of-two engine alone
        } else if (N % 2 == 0) {
            plan->cplan = MakeComplexPlan(N / 2);
            plan->roots.reset(new UnitRoots(N));
        } else {
            plan->cplan = MakeComplexPlan(N);
        }
    }
    return plan;
}

} // namespace

std::shared_ptr<const RealPlan> GetRealPlan(std::size_t N)
{
    {
        std::lock_guard<std::mutex> lock(PlanMutex());
        auto &cache = PlanCache();
        for (auto it = cache.begin(); it != cache.end(); ++it)
            if ((*it)->N == N) {
                cache.splice(cache.begin(), cache, it);
                return cache.front();
            }
    }
    std::shared_ptr<const RealPlan> plan;
    try {
        plan = BuildRealPlan(N);
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(PlanMutex());
    auto &cache = PlanCache();
    for (auto it = cache.begin(); it != cache.end(); ++it)
        if ((*it)->N == N) // built meanwhile by another thread
            return *it;
    try {
        cache.push_front(plan);
    } catch (const std::bad_alloc &) {
        return plan;
    }
    if (cache.size() > kPlanCacheSize)
        cache.pop_back();
    return plan;
}

int RealForwardFrom(const double *in, double *x, double *y, std::size_t N)
{
    std::shared_ptr<const RealPlan> plan = GetRealPlan(N);
    if (!plan)
        return -20001;
    Buffer buf = AcquireBuffer(plan->WorkDoubles());
    if (!buf.data)
        return -20001;
    plan->Execute(in, x, y, buf.data.get());
    ReleaseBuffer(std::move(buf));
    return 0;
}

int RealForward(double *x, double *y, std::size_t N)
{
    return RealForwardFrom(x, x, y, N);
}

int ComplexForward(const double *inRe, const double *inIm, double *outRe, double *outIm, std::size_t n)
{
    if (n == 0)
        return -20003;
    std::shared_ptr<const ComplexPlan> plan;
    try {
        plan = MakeComplexPlan(n);
    } catch (const std::bad_alloc &) {
        return -20001;
    }
    Buffer buf = AcquireBuffer(plan->WorkDoubles(false));
    if (!buf.data)
        return -20001;
    Source src;
    src.re = inRe;
    src.im = inIm;
    plan->Execute(src, outRe, outIm, nullptr, buf.data.get());
    ReleaseBuffer(std::move(buf));
    return 0;
}

void SetWorkLimit(std::size_t doubles)
{
    WorkLimit().store(doubles);
}

void ClearCaches()
{
    {
        std::lock_guard<std::mutex> lock(PlanMutex());
        PlanCache().clear();
    }
    std::lock_guard<std::mutex> lock(PoolMutex());
    Pool().clear();
}

} // namespace fft
} // namespace korvax
