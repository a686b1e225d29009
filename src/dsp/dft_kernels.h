// The inner sums of the burst spectrum, one block of kDftBlock bins at a time.
//
// For bins k0 .. k0 + kDftBlock - 1 the kernels add samples[j] * table[j] over
// j = 0 .. n-1 in order, for the cosine and the sine table, each bin its own
// sum. They differ only in how many sums share a register (two, or four with
// AVX); every lane does the same IEEE multiply and add in the same order, so
// all kernels give the same bits.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dec {

inline constexpr size_t kDftBlock = 16;

// `c` and `s` point at bin k0 of sample 0; consecutive samples are `stride`
// doubles apart. Sums go to re[0 .. kDftBlock) and im[0 .. kDftBlock).
using DftBlockKernel = void (*)(const int16_t* samples, int32_t n, const double* c, const double* s,
                                size_t stride, double* re, double* im);

void dft_block_sse2(const int16_t* samples, int32_t n, const double* c, const double* s,
                    size_t stride, double* re, double* im);
// Null where the processor (or the build) has no AVX.
DftBlockKernel dft_block_avx();

}  // namespace dec
