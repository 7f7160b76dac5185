// The convolution engine for prime lengths (Rader and Bluestein), shared by
// a prime radix inside a batched pass (rows of V lanes) and a whole prime
// length (one lane): its tables and kernel spectrum, built once per plan.
// The execution is in analysis/fft_convolution.h.
#include "analysis/fft.h"

#include <algorithm>
#include <cstdint>

namespace korvax
{
namespace fft
{
namespace
{

std::uint64_t PowMod(std::uint64_t b, std::uint64_t e, std::uint64_t m)
{
    std::uint64_t r = 1 % m;
    b %= m;
    while (e) {
        if (e & 1)
            r = r * b % m;
        b = b * b % m;
        e >>= 1;
    }
    return r;
}

// Smallest primitive root of the prime p.
std::size_t PrimitiveRoot(std::size_t p)
{
    std::vector<std::size_t> f = PrimeFactors(p - 1);
    f.erase(std::unique(f.begin(), f.end()), f.end());
    for (std::size_t g = 2; g < p; ++g) {
        bool ok = true;
        for (std::size_t q : f)
            if (PowMod(g, (p - 1) / q, p) == 1) {
                ok = false;
                break;
            }
        if (ok)
            return g;
    }
    return 1;
}

// Rader index tables for the prime p: in[q] = g^q, out[q] = g^-q (mod p),
// and the kernel b[q] = e^(-2 pi i g^-q / p).
void RaderTables(ConvTables &t)
{
    const std::size_t p = t.p, g = PrimitiveRoot(p), m = p - 1;
    const std::size_t ginv = static_cast<std::size_t>(PowMod(g, p - 2, p));
    t.inIdx.resize(m);
    t.outIdx.resize(m);
    t.kr.resize(m);
    t.ki.resize(m);
    UnitRoots roots(p);
    std::size_t a = 1, b = 1;
    for (std::size_t q = 0; q < m; ++q) {
        t.inIdx[q] = a;
        t.outIdx[q] = b;
        roots.Get(b, t.kr[q], t.ki[q]);
        a = a * g % p;
        b = b * ginv % p;
    }
}

// Bluestein chirp c[j] = e^(-pi i j^2 / p) for j < p, and the kernel
// b = conj(c) laid out cyclically over convLen points.
void BluesteinTables(ConvTables &t)
{
    const std::size_t p = t.p, M = t.convLen;
    UnitRoots roots(2 * p);
    t.chr.resize(p);
    t.chi.resize(p);
    for (std::size_t j = 0; j < p; ++j)
        roots.Get(static_cast<std::size_t>(static_cast<std::uint64_t>(j) * j % (2 * p)), t.chr[j], t.chi[j]);
    t.kr.assign(M, 0.0);
    t.ki.assign(M, 0.0);
    for (std::size_t j = 0; j < p; ++j) {
        t.kr[j] = t.chr[j];
        t.ki[j] = -t.chi[j];
        if (j) {
            t.kr[M - j] = t.chr[j];
            t.ki[M - j] = -t.chi[j];
        }
    }
}

} // namespace

void MakeConvTables(std::size_t p, PrimeMethod method, const ConvTransform &forward, ConvTables &t)
{
    t.method = method;
    t.p = p;
    if (method == PrimeMethod::Rader) {
        t.convLen = p - 1;
        RaderTables(t);
    } else {
        t.convLen = SmoothLength(2 * p - 1);
        BluesteinTables(t);
    }
    // The kernel's spectrum, scaled by 1/convLen.
    const std::size_t M = t.convLen;
    std::vector<double> ar(t.kr), ai(t.ki), br(M), bi(M);
    double *rr = nullptr, *ri = nullptr;
    forward.Forward(ar.data(), ai.data(), br.data(), bi.data(), rr, ri);
    const double s = 1.0 / static_cast<double>(M);
    for (std::size_t j = 0; j < M; ++j) {
        t.kr[j] = rr[j] * s;
        t.ki[j] = ri[j] * s;
    }
}

std::size_t ConvWorkDoubles(const ConvTables &t, std::size_t V)
{
    return (4 * t.convLen + 4) * V;
}

} // namespace fft
} // namespace korvax
