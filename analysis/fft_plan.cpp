// FFT plans: factorisation, choice of algorithm per prime, twiddles and
// convolution kernels, built once per length.
#include "analysis/fft.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace korvax
{
namespace fft
{

std::vector<std::size_t> PrimeFactors(std::size_t n)
{
    std::vector<std::size_t> f;
    if (n < 2)
        return f;
    while (n % 2 == 0) {
        f.push_back(2);
        n /= 2;
    }
    for (std::size_t d = 3; d * d <= n; d += 2)
        while (n % d == 0) {
            f.push_back(d);
            n /= d;
        }
    if (n > 1)
        f.push_back(n);
    return f;
}

PrimeMethod ChoosePrimeMethod(std::size_t p)
{
    if (p <= kGenericMaxPrime)
        return PrimeMethod::Direct;
    std::vector<std::size_t> f = PrimeFactors(p - 1);
    return (f.empty() || f.back() <= kGenericMaxPrime) ? PrimeMethod::Rader : PrimeMethod::Bluestein;
}

std::vector<std::size_t> PassRadices(std::size_t n)
{
    std::vector<std::size_t> f = PrimeFactors(n), r;
    std::size_t twos = static_cast<std::size_t>(std::count(f.begin(), f.end(), std::size_t(2)));
    // Powers of two by radix 16, the rest by one pass of 8 or 4 (8 and 4
    // for a rest of 2^5 rather than 16 and 2), or a single 2.
    if (twos == 1) {
        r.push_back(2);
    } else if (twos >= 2) {
        std::size_t rest = twos % 4, sixteens = twos / 4;
        if (rest == 1) {
            --sixteens;
            r.insert(r.end(), sixteens, 16);
            r.push_back(8);
            r.push_back(4);
        } else {
            r.insert(r.end(), sixteens, 16);
            if (rest == 2)
                r.push_back(4);
            else if (rest == 3)
                r.push_back(8);
        }
    }
    for (std::size_t p : f)
        if (p != 2)
            r.push_back(p);
    return r;
}

std::size_t SmoothLength(std::size_t m)
{
    if (m <= 1)
        return 1;
    std::size_t best = 1;
    while (best < m)
        best *= 2;
    for (std::size_t f7 = 1; f7 < best; f7 *= 7)
        for (std::size_t f5 = f7; f5 < best; f5 *= 5)
            for (std::size_t f3 = f5; f3 < best; f3 *= 3) {
                std::size_t v = f3;
                while (v < m)
                    v *= 2;
                best = std::min(best, v);
            }
    return best;
}

std::size_t ChooseLanes(std::size_t n)
{
    if (n <= (std::size_t(1) << 16))
        return kMinLanes;
    if (n <= (std::size_t(1) << 17))
        return 16;
    return kLanes;
}

void SplitLength(std::size_t n, std::size_t lanes, std::size_t &n1, std::size_t &n2)
{
    std::vector<std::size_t> f = PrimeFactors(n);
    n1 = 1;
    n2 = n;
    if (f.size() < 2)
        return;
    // n1 takes lanes first when the powers of two allow it (the middle
    // buffer is then kept in tiles), n2 too when there are twos enough;
    // the other factors go, largest first, to the smaller side.
    std::size_t twos = static_cast<std::size_t>(std::count(f.begin(), f.end(), std::size_t(2)));
    std::size_t lanesLog = 0;
    for (std::size_t v = lanes; v > 1; v /= 2)
        ++lanesLog;
    n1 = n2 = 1;
    std::size_t used = 0;
    if (twos >= lanesLog) {
        n1 = lanes;
        used = lanesLog;
        if (twos >= 2 * lanesLog) {
            n2 = lanes;
            used = 2 * lanesLog;
        }
    }
    f.erase(f.begin(), f.begin() + static_cast<std::ptrdiff_t>(used));
    for (auto it = f.rbegin(); it != f.rend(); ++it) {
        if (n1 <= n2)
            n1 *= *it;
        else
            n2 *= *it;
    }
    if ((n1 % lanes != 0 && n2 % lanes == 0) || (n1 > n2 && n2 % lanes == 0))
        std::swap(n1, n2);
}

UnitRoots::UnitRoots(std::size_t N) : N_(N ? N : 1)
{
    // S: the power of two at or above sqrt(N), so that a root index splits
    // by a mask and a shift.
    S_ = 1;
    shift_ = 0;
    while (S_ * S_ < N_) {
        S_ *= 2;
        ++shift_;
    }
    const std::size_t n2 = N_ / S_ + 1;
    r1_.resize(S_);
    i1_.resize(S_);
    r2_.resize(n2);
    i2_.resize(n2);
    const long double step = 6.283185307179586476925286766559005768L / static_cast<long double>(N_);
    for (std::size_t a = 0; a < S_; ++a) {
        long double ang = step * static_cast<long double>(a % N_);
        r1_[a] = static_cast<double>(std::cos(ang));
        i1_[a] = static_cast<double>(-std::sin(ang));
    }
    for (std::size_t b = 0; b < n2; ++b) {
        long double ang = step * static_cast<long double>((b * S_) % N_);
        r2_[b] = static_cast<double>(std::cos(ang));
        i2_[b] = static_cast<double>(-std::sin(ang));
    }
}

void UnitRoots::Get(std::size_t m, double &re, double &im) const
{
    if (m >= N_)
        m %= N_;
    const std::size_t a = m & (S_ - 1), b = m >> shift_;
    if (b == 0) {
        re = r1_[a];
        im = i1_[a];
        return;
    }
    re = r1_[a] * r2_[b] - i1_[a] * i2_[b];
    im = r1_[a] * i2_[b] + i1_[a] * r2_[b];
}

namespace
{

// The sub-transform of a convolution on one column, for its kernel
// spectrum: a batch plan, or a complex plan.
class BatchColumn : public ConvTransform
{
  public:
    explicit BatchColumn(const BatchPlan &plan) : plan_(plan), extra_(plan.ExtraDoubles(1) + 1) {}
    void Forward(double *ar, double *ai, double *br, double *bi, double *&rr, double *&ri) const override
    {
        bool inWork = false;
        plan_.Run(ar, ai, br, bi, 1, extra_.data(), &inWork);
        rr = inWork ? br : ar;
        ri = inWork ? bi : ai;
    }

  private:
    const BatchPlan &plan_;
    mutable std::vector<double> extra_;
};

class ComplexColumn : public ConvTransform
{
  public:
    explicit ComplexColumn(const ComplexPlan &plan) : plan_(plan), work_(plan.WorkDoubles(false) + 1) {}
    void Forward(double *ar, double *ai, double *br, double *bi, double *&rr, double *&ri) const override
    {
        Source src;
        src.re = ar;
        src.im = ai;
        plan_.Execute(src, br, bi, nullptr, work_.data());
        rr = br;
        ri = bi;
    }

  private:
    const ComplexPlan &plan_;
    mutable std::vector<double> work_;
};

} // namespace

std::shared_ptr<const BatchPlan> MakeBatchPlan(std::size_t L, bool allDirect)
{
    auto plan = std::make_shared<BatchPlan>();
    plan->L = L;
    UnitRoots roots(L);
    std::size_t l1 = 1;
    for (std::size_t ip : PassRadices(L)) {
        Pass ps;
        ps.radix = ip;
        ps.l1 = l1;
        ps.ido = L / (l1 * ip);
        if (ps.ido > 1) {
            ps.twr.resize((ip - 1) * ps.ido);
            ps.twi.resize((ip - 1) * ps.ido);
            for (std::size_t j = 1; j < ip; ++j)
                for (std::size_t i = 0; i < ps.ido; ++i)
                    roots.Get(j * i * l1, ps.twr[(j - 1) * ps.ido + i], ps.twi[(j - 1) * ps.ido + i]);
        }
        ps.method = (allDirect || ip <= 7) ? PrimeMethod::Direct : ChoosePrimeMethod(ip);
        if (ps.method == PrimeMethod::Direct && ip > 4) {
            UnitRoots pr(ip);
            ps.cr.resize(ip);
            ps.ci.resize(ip);
            for (std::size_t k = 0; k < ip; ++k)
                pr.Get(k, ps.cr[k], ps.ci[k]);
        } else if (ps.method != PrimeMethod::Direct) {
            const std::size_t M = ps.method == PrimeMethod::Rader ? ip - 1 : SmoothLength(2 * ip - 1);
            ps.sub = MakeBatchPlan(M, false);
            MakeConvTables(ip, ps.method, BatchColumn(*ps.sub), ps.conv);
        }
        plan->passes.push_back(std::move(ps));
        l1 *= ip;
    }
    return plan;
}

std::size_t BatchPlan::ExtraDoubles(std::size_t W) const
{
    std::size_t e = 0;
    for (const Pass &ps : passes)
        if (ps.method != PrimeMethod::Direct) {
            const std::size_t V = ps.ido * W;
            e = std::max(e, ConvWorkDoubles(ps.conv, V) + ps.sub->ExtraDoubles(V));
        }
    return e;
}

std::shared_ptr<const ComplexPlan> MakeComplexPlan(std::size_t n)
{
    auto plan = std::make_shared<ComplexPlan>();
    plan->n = n;
    std::size_t n1 = 1, n2 = n;
    const std::size_t lanes = ChooseLanes(n);
    if (n >= kSmallLength)
        SplitLength(n, lanes, n1, n2);
    if (n < kSmallLength) {
        plan->kind = ComplexPlan::Small;
        plan->whole = MakeBatchPlan(n, true);
    } else if (n1 > 1) {
        plan->kind = ComplexPlan::TwoPhase;
        plan->n1 = n1;
        plan->n2 = n2;
        plan->lanes = lanes;
        plan->cols = MakeBatchPlan(n1, false);
        plan->rows = MakeBatchPlan(n2, false);
        plan->roots.reset(new UnitRoots(n));
        plan->pr.resize(n1 * lanes);
        plan->pi.resize(n1 * lanes);
        for (std::size_t k1 = 0; k1 < n1; ++k1)
            for (std::size_t c = 0; c < lanes; ++c)
                plan->roots->Get(k1 * c, plan->pr[k1 * lanes + c], plan->pi[k1 * lanes + c]);
        if (n <= kFullTwiddleLength) {
            plan->fr.resize(n);
            plan->fi.resize(n);
            for (std::size_t k1 = 0; k1 < n1; ++k1)
                for (std::size_t c = 0; c < n2; ++c)
                    plan->roots->Get(k1 * c, plan->fr[k1 * n2 + c], plan->fi[k1 * n2 + c]);
        }
    } else {
        // A prime length: cyclic convolution through a smooth sub-transform.
        plan->kind = ComplexPlan::Convolution;
        PrimeMethod method = ChoosePrimeMethod(n);
        if (method == PrimeMethod::Direct)
            method = PrimeMethod::Rader;
        plan->sub = MakeComplexPlan(method == PrimeMethod::Rader ? n - 1 : SmoothLength(2 * n - 1));
        MakeConvTables(n, method, ComplexColumn(*plan->sub), plan->conv);
    }
    return plan;
}

std::size_t ComplexPlan::WorkDoubles(bool midGiven) const
{
    switch (kind) {
    case Small:
        return 4 * n + whole->ExtraDoubles(1);
    case TwoPhase:
        return (midGiven ? 0 : 2 * n) + 4 * std::max(n1, n2) * lanes +
               std::max(cols->ExtraDoubles(lanes), rows->ExtraDoubles(lanes));
    case Convolution:
        return ConvWorkDoubles(conv, 1) + sub->WorkDoubles(false);
    }
    return 0;
}

std::size_t RealPlan::WorkDoubles() const
{
    if (N < 2)
        return 0;
    if (pow2)
        return pow2->WorkDoubles();
    if (N % 2)
        return cplan->WorkDoubles(false);
    return cplan->WorkDoubles(cplan->kind == ComplexPlan::TwoPhase);
}

} // namespace fft
} // namespace korvax
