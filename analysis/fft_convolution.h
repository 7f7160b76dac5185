// The execution of the convolution engine for prime lengths (Rader and
// Bluestein), shared by a prime radix inside a batched pass and a whole
// prime length.  A template over the caller's access so that, one lane
// wide, reading and writing a row costs no call.  Internal to analysis/.
#ifndef KORVAX_ANALYSIS_FFT_CONVOLUTION_H
#define KORVAX_ANALYSIS_FFT_CONVOLUTION_H

#include "analysis/fft.h"

#include <algorithm>

namespace korvax
{
namespace fft
{

// The p outputs of the DFT of length p of the input rows, each row V lanes
// wide, with work holding ConvWorkDoubles(t, V) doubles.  Access provides
//   Forward(ar, ai, br, bi, rr, ri): the forward sub-transform of convLen
//     rows in (ar, ai) with (br, bi) as the other buffer, (rr, ri) set to
//     where the result lies;
//   Row(j, re, im): input row j (V real parts, V imaginary parts);
//   Store(k, re, im): output row k.
// Every input row is read before any output row is written, so the output
// may occupy the input's memory.
template <class Access>
void RunConvolution(const ConvTables &t, std::size_t V, const Access &access, double *work)
{
    const std::size_t p = t.p, M = t.convLen, MV = M * V;
    double *Ar = work, *Ai = Ar + MV, *Br = Ai + MV, *Bi = Br + MV;
    double *__restrict__ Sr = Bi + MV, *__restrict__ Si = Sr + V, *__restrict__ Xr = Si + V, *__restrict__ Xi = Xr + V;
    const bool rader = t.method == PrimeMethod::Rader;

    // Output 0 is the plain sum of the inputs; Rader adds input 0 to every
    // other output.  Both are kept before any output is written.
    {
        const double *r = nullptr, *i = nullptr;
        access.Row(0, r, i);
        std::copy(r, r + V, Sr);
        std::copy(i, i + V, Si);
        std::copy(r, r + V, Xr);
        std::copy(i, i + V, Xi);
        for (std::size_t j = 1; j < p; ++j) {
            access.Row(j, r, i);
            for (std::size_t c = 0; c < V; ++c) {
                Sr[c] += r[c];
                Si[c] += i[c];
            }
        }
    }
    if (rader) {
        for (std::size_t q = 0; q < M; ++q) {
            const double *r = nullptr, *i = nullptr;
            access.Row(t.inIdx[q], r, i);
            std::copy(r, r + V, Ar + q * V);
            std::copy(i, i + V, Ai + q * V);
        }
    } else {
        for (std::size_t m = 0; m < p; ++m) {
            const double *xr = nullptr, *xi = nullptr;
            access.Row(m, xr, xi);
            const double wr = t.chr[m], wi = t.chi[m];
            double *__restrict__ yr = Ar + m * V, *__restrict__ yi = Ai + m * V;
            for (std::size_t c = 0; c < V; ++c) {
                yr[c] = xr[c] * wr - xi[c] * wi;
                yi[c] = xr[c] * wi + xi[c] * wr;
            }
        }
        std::fill(Ar + p * V, Ar + MV, 0.0);
        std::fill(Ai + p * V, Ai + MV, 0.0);
    }

    double *Rr = nullptr, *Ri = nullptr;
    access.Forward(Ar, Ai, Br, Bi, Rr, Ri);
    double *Or = Rr == Ar ? Br : Ar, *Oi = Rr == Ar ? Bi : Ai;
    for (std::size_t r = 0; r < M; ++r) {
        const double kr = t.kr[r], ki = t.ki[r];
        double *__restrict__ yr = Rr + r * V, *__restrict__ yi = Ri + r * V;
        for (std::size_t c = 0; c < V; ++c) {
            const double a = yr[c], b = yi[c];
            yr[c] = a * kr - b * ki;
            yi[c] = a * ki + b * kr;
        }
    }
    // Inverse transform by exchanging real and imaginary parts: the real
    // parts of the result come out where the imaginary ones go in.
    double *Er = nullptr, *Ei = nullptr;
    access.Forward(Ri, Rr, Oi, Or, Er, Ei);
    const double *Cr = Ei, *Ci = Er;
    // The pair not holding the result is free: scratch for one output row.
    const bool inR = Er == Ri;
    double *__restrict__ Tr = inR ? Or : Rr, *__restrict__ Ti = inR ? Oi : Ri;

    access.Store(0, Sr, Si);
    if (rader) {
        for (std::size_t r = 0; r < M; ++r) {
            const double *__restrict__ zr = Cr + r * V, *__restrict__ zi = Ci + r * V;
            for (std::size_t c = 0; c < V; ++c) {
                Tr[c] = Xr[c] + zr[c];
                Ti[c] = Xi[c] + zi[c];
            }
            access.Store(t.outIdx[r], Tr, Ti);
        }
    } else {
        for (std::size_t m = 1; m < p; ++m) {
            const double wr = t.chr[m], wi = t.chi[m];
            const double *__restrict__ zr = Cr + m * V, *__restrict__ zi = Ci + m * V;
            for (std::size_t c = 0; c < V; ++c) {
                Tr[c] = zr[c] * wr - zi[c] * wi;
                Ti[c] = zr[c] * wi + zi[c] * wr;
            }
            access.Store(m, Tr, Ti);
        }
    }
}

} // namespace fft
} // namespace korvax

#endif
