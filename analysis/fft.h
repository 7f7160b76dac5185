// Internal FFT engine of the signal-processing library.
//
// Layout: complex data are held as two arrays (real parts, imaginary parts).
// The building block is a Stockham transform of length L applied to a
// batch of W interleaved columns: row r of the batch occupies doubles
// [r*W, (r+1)*W) of each array, and every butterfly works on whole rows, so
// the inner loops run over W contiguous lanes and vectorise.
//
// A complex transform of length n = n1*n2 is done in two phases (the
// four-step scheme): n2 columns of length n1 in blocks of 8 to 32 columns,
// a twiddle, then n1 rows of length n2 read back transposed.  Prime
// factors up to kGenericMaxPrime get a butterfly of their own; larger
// primes are computed as a cyclic convolution (Rader when p-1 is smooth,
// Bluestein's chirp-z otherwise) through a sub-transform, and so is a
// prime length as a whole.  A real transform of even length N runs as a
// complex transform of N/2 plus a post-processing step.
//
// Plans (factors, twiddles, kernels) are built once per length and kept in
// a small process-wide cache; work buffers come from a small pool.  Both
// are guarded by locks created on first use.
#ifndef KORVAX_ANALYSIS_FFT_H
#define KORVAX_ANALYSIS_FFT_H

#include <cstddef>
#include <memory>
#include <vector>

namespace korvax
{
namespace fft
{

// Columns processed together by the two phases of a transform: the widest
// block (kLanes) and the narrowest.
constexpr std::size_t kLanes = 32;
constexpr std::size_t kMinLanes = 8;

// Block width of the two phases for length n: narrow blocks keep the
// work of a phase in the first-level cache for moderate lengths, wide ones
// read and write long records in longer runs.  Pure.
std::size_t ChooseLanes(std::size_t n);

// Largest prime with a direct (generic) butterfly in a long transform.
constexpr std::size_t kGenericMaxPrime = 37;
// Below this length a transform runs as one Stockham pass chain on a
// single column; every prime factor then gets a direct butterfly.
constexpr std::size_t kSmallLength = 256;
// Up to this length the twiddles between the two phases are kept in full.
constexpr std::size_t kFullTwiddleLength = 1 << 16;

// How a prime factor p of a transform length is computed.
enum class PrimeMethod { Direct, Rader, Bluestein };

// The choice for a prime factor p of a long transform: a direct butterfly
// for p <= kGenericMaxPrime, Rader when p - 1 has no prime factor above
// kGenericMaxPrime, Bluestein otherwise.  Pure; p must be prime.
PrimeMethod ChoosePrimeMethod(std::size_t p);

// Prime factors of n in ascending order (empty for n < 2).
std::vector<std::size_t> PrimeFactors(std::size_t n);

// Radices of the Stockham passes for length n: the powers of two as
// sixteens with one 8 or 4 for the rest (8 and 4 for a rest of 2^5, a
// single 2 for n = 2 times odd), then the odd primes in ascending order.
std::vector<std::size_t> PassRadices(std::size_t n);

// Smallest length >= m whose prime factors are 2, 3, 5 and 7 only.
std::size_t SmoothLength(std::size_t m);

// Split of n into n1 * n2 for the two phases, near the square root, n1 a
// multiple of lanes where the factors of n allow, and n2 too where they
// allow both.  Returns {1, n} when n is prime.
void SplitLength(std::size_t n, std::size_t lanes, std::size_t &n1, std::size_t &n2);

// Accurate roots of unity e^(-2*pi*i*m/N) from two short tables computed
// with long-double sin/cos: one complex product per root.
class UnitRoots
{
  public:
    explicit UnitRoots(std::size_t N);
    void Get(std::size_t m, double &re, double &im) const;
    std::size_t Size() const { return N_; }
    // Root m = a + S*b is Fine(a) * Coarse(b), a < S.
    std::size_t Step() const { return S_; }
    const double *FineRe() const { return r1_.data(); }
    const double *FineIm() const { return i1_.data(); }
    const double *CoarseRe() const { return r2_.data(); }
    const double *CoarseIm() const { return i2_.data(); }

  private:
    std::size_t N_, S_, shift_;
    std::vector<double> r1_, i1_, r2_, i2_;
};

struct Pass;
struct BatchPlan;
struct ComplexPlan;

// A prime length p computed as a cyclic convolution of length convLen
// through a sub-transform: Rader (convLen = p - 1) or Bluestein's chirp-z
// (convLen smooth, at least 2p - 1).  One set of tables and one engine
// serve both a prime radix inside a batched pass and a whole prime length.
struct ConvTables {
    PrimeMethod method = PrimeMethod::Direct;
    std::size_t p = 0, convLen = 0;
    std::vector<std::size_t> inIdx;  // Rader: input row g^q mod p of slot q
    std::vector<std::size_t> outIdx; // Rader: output row g^-q mod p of slot q
    std::vector<double> kr, ki;      // kernel spectrum, scaled by 1/convLen
    std::vector<double> chr, chi;    // Bluestein chirp e^(-pi i j^2 / p)
};

// The forward sub-transform of convLen rows of V lanes.
class ConvTransform
{
  public:
    // Transforms the rows in (ar, ai), with (br, bi) as the other buffer;
    // (rr, ri) are set to where the result lies (one of the two).
    virtual void Forward(double *ar, double *ai, double *br, double *bi, double *&rr, double *&ri) const = 0;

  protected:
    ~ConvTransform() = default;
};

// Tables of the prime p for method Rader or Bluestein, the kernel spectrum
// computed with access.Forward on one column.
void MakeConvTables(std::size_t p, PrimeMethod method, const ConvTransform &forward, ConvTables &t);

// Work space (doubles) of the convolution engine (RunConvolution in
// analysis/fft_convolution.h) for rows of V lanes, beyond what the
// sub-transform needs.
std::size_t ConvWorkDoubles(const ConvTables &t, std::size_t V);

// Runs one pass from (cr, ci) into (hr, hi) for a batch of W columns; the
// output rows lie ostr doubles apart (W for a batch in place).
void RunPass(const Pass &ps, const double *cr, const double *ci, double *hr, double *hi, std::size_t W,
             double *extra, std::size_t ostr);

// One Stockham pass of a batch plan.
struct Pass {
    std::size_t radix = 0, l1 = 0, ido = 0;
    PrimeMethod method = PrimeMethod::Direct;
    std::vector<double> twr, twi; // twiddle (j, i) at (j - 1) * ido + i
    std::vector<double> cr, ci;   // direct odd butterfly: e^(-2 pi i k / p)
    // Convolution passes (Rader, Bluestein).
    ConvTables conv;
    std::shared_ptr<const BatchPlan> sub;
};

// Stockham transform of length L over a batch of W columns.
struct BatchPlan {
    std::size_t L = 0;
    std::vector<Pass> passes;
    // Extra doubles of work space needed by Run for a batch of W columns.
    std::size_t ExtraDoubles(std::size_t W) const;
    // Transforms the batch of W columns in (re, im), using (wr, wi), L*W
    // doubles each, as the other half of the ping-pong and extra, holding
    // ExtraDoubles(W) doubles, for convolution passes.  On return the
    // result is in (wr, wi) when *inWork is set, else in (re, im).
    void Run(double *re, double *im, double *wr, double *wi, std::size_t W, double *extra,
             bool *inWork) const;
    // As Run, but a last direct pass writes its rows straight to (dr, di),
    // dstride doubles apart.  Returns where the result is: 0 in (re, im),
    // 1 in (wr, wi), 2 in (dr, di).
    int RunTo(double *re, double *im, double *wr, double *wi, std::size_t W, double *extra, double *dr,
              double *di, std::size_t dstride) const;
};

std::shared_ptr<const BatchPlan> MakeBatchPlan(std::size_t L, bool allDirect);

// Where the input of a complex transform comes from.
struct Source {
    enum Kind { Split, RealOnly, Interleaved } kind = Split;
    const double *re = nullptr; // Split, RealOnly: real parts; Interleaved: re, im pairs
    const double *im = nullptr; // Split: imaginary parts
};

// Forward complex transform of length n, out of place.
struct ComplexPlan {
    enum Kind { Small, TwoPhase, Convolution } kind = Small;
    std::size_t n = 0;
    // Small: one batch plan on a single column.
    std::shared_ptr<const BatchPlan> whole;
    // TwoPhase: column plan, row plan and the twiddles between them.
    std::size_t n1 = 0, n2 = 0, lanes = kLanes;
    std::shared_ptr<const BatchPlan> cols, rows;
    std::vector<double> pr, pi; // e^(-2 pi i k1 c / n) for c < lanes, at k1 * lanes + c
    std::vector<double> fr, fi; // short lengths: every e^(-2 pi i k1 c / n), at k1 * n2 + c
    std::unique_ptr<UnitRoots> roots;
    // Convolution: Rader or Bluestein through a sub-transform.
    ConvTables conv;
    std::shared_ptr<const ComplexPlan> sub;

    // Work space (doubles) needed by Execute when the caller gives no
    // middle buffer (mid == nullptr) or gives one.
    std::size_t WorkDoubles(bool midGiven) const;
    // out = DFT(src).  mid: 2*n doubles of scratch for the two-phase
    // scheme (may be nullptr: then taken from work).  Input and output
    // may overlap the caller's arrays as described at the top of
    // fft_exec.cpp.
    void Execute(const Source &src, double *outRe, double *outIm, double *mid, double *work) const;
};

std::shared_ptr<const ComplexPlan> MakeComplexPlan(std::size_t n);

// Real transform of a power-of-two length N through the complex transform
// of length n = N/2 by Stockham passes of radix 4 and 8 on whole vectors
// (AVX2 with FMA, or AVX-512), taken only when the processor has them.
// The first pass reads the interleaved real input and works across
// butterflies side by side (transposing on the way out); the others run
// each butterfly over contiguous vectors, and the last 5 or 6 bits are
// done column block by column block in a local buffer.  A last step turns
// the half-length spectrum into all N bins.
struct Pow2Plan {
    struct Step {
        // radix 4 or 8, or 32 or 64 for the closing column-block step; at:
        // offset of the twiddles W_L^(jp), p < m
        std::size_t radix, s, m, at;
    };
    std::size_t n = 0;               // complex length N/2
    int width = 0;                   // doubles per vector: 4 (AVX2) or 8 (AVX-512)
    std::vector<double> first;       // first pass: e^(-2 pi i p / n) by groups of width p
    std::vector<Step> steps;         // the passes after the first
    std::vector<double> twiddles;    // their twiddles, 6 (radix 4) or 14 doubles per p
    std::unique_ptr<UnitRoots> post; // e^(-2 pi i k / N)
    // Work space (doubles) of Execute: two complex arrays of n, each part
    // kGap doubles from the next so that the four do not share cache sets,
    // and room to align them to the cache line.
    static constexpr std::size_t kGap = 64;
    std::size_t WorkDoubles() const { return 4 * (n + kGap) + 8; }
    // As RealPlan::Execute.
    void Execute(const double *in, double *x, double *y, double *work) const;
};

// The fast power-of-two plan for real length N, or nullptr when N is not a
// power of two in the range it serves or the processor lacks the vector
// instructions it needs.
std::unique_ptr<Pow2Plan> MakePow2Plan(std::size_t N);

// Real forward transform of length N: all N bins.
struct RealPlan {
    std::size_t N = 0;
    std::shared_ptr<const ComplexPlan> cplan; // length N/2 (even N) or N (odd N)
    std::unique_ptr<UnitRoots> roots;         // e^(-2 pi i k / N), even N
    std::unique_ptr<Pow2Plan> pow2;           // set: used instead of cplan
    std::size_t WorkDoubles() const;
    // All N bins of the transform of in: real parts to x, imaginary parts
    // to y.  in may be x itself (in place) or an array apart from x and y.
    void Execute(const double *in, double *x, double *y, double *work) const;
};

// The plan of length N from the cache, built on first use.  Returns
// nullptr when memory runs out.
std::shared_ptr<const RealPlan> GetRealPlan(std::size_t N);

// Complete real transform with status: 0, or -20001 when memory runs out.
int RealForward(double *x, double *y, std::size_t N);
// The same from an input left untouched (in apart from x and y).
int RealForwardFrom(const double *in, double *x, double *y, std::size_t N);

// Complete complex transform (out of place) with status, for tests.
int ComplexForward(const double *inRe, const double *inIm, double *outRe, double *outIm, std::size_t n);

// Drops every cached plan and idle work buffer (for tests and at exit).
void ClearCaches();

// Largest work buffer, in doubles, a transform may take; a transform that
// needs more fails as if memory had run out.  For tests of that path;
// 0 removes the limit.
void SetWorkLimit(std::size_t doubles);

// Widest vectors (doubles) the power-of-two engine may use for plans built
// from now on: 8 (AVX-512), 4 (AVX2 with FMA) or 0 (the general engine
// only), within what the processor has; negative restores the default.
// For tests of every code path on one machine.  Returns the width the
// next plan will use.
int SetPow2Width(int doubles);

} // namespace fft
} // namespace korvax

#endif
