// Amplitude spectrum of one burst axis.
//
// A plain discrete Fourier transform evaluated directly from tables of cosines
// and sines: no window, no removal of the mean, magnitudes of bins 0 .. n/2
// divided by n. Bin 0 is thus the absolute mean, and a sine of amplitude A on a
// bin shows as A/2 there. The spectra are printed and compared byte for byte
// with the tag software's, so the tables and sums keep its order of evaluation.
//
// The tables depend only on n and are kept for the lengths met recently (a
// tag's bursts come in a few lengths); only bins 0 .. n/2 are ever read, so
// only those are built. Every axis length a burst can hold is transformed (up
// to kBurstMaxSamples: two tables of 2000 x 1008 doubles, 32 MB, at the
// longest).

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "common/fatal.h"
#include "dsp/burst_dsp.h"
#include "dsp/dft_kernels.h"
#include "dsp/lanes.h"

namespace dec {

namespace {

// Entries per sample in the tables: the bins, padded to whole blocks.
size_t table_stride(int32_t bins) {
    return (static_cast<size_t>(bins) + kDftBlock - 1) / kDftBlock * kDftBlock;
}

}  // namespace

const BurstDsp::DftTables& BurstDsp::dft_tables(int32_t n) {
    ++dft_clock_;
    for (DftTables& t : dft_cache_) {
        if (t.n == n) {
            t.last_use = dft_clock_;
            return t;
        }
    }
    const int32_t bins = n / 2 + 1;
    const size_t stride = table_stride(bins);
    const size_t entries = static_cast<size_t>(n) * stride;
    // Make room: drop the least recently used tables until this length fits.
    auto cached_bytes = [&] {
        size_t bytes = 0;
        for (const DftTables& t : dft_cache_) {
            bytes += 2 * t.cos.size() * sizeof(double);
        }
        return bytes;
    };
    DftTables* slot = nullptr;
    for (;;) {
        DftTables* oldest = nullptr;
        for (DftTables& t : dft_cache_) {
            if (t.n == 0) {
                slot = slot != nullptr ? slot : &t;
            } else if (oldest == nullptr || t.last_use < oldest->last_use) {
                oldest = &t;
            }
        }
        const bool fits = cached_bytes() + 2 * entries * sizeof(double) <= dft_cache_bytes_;
        if (slot != nullptr && (fits || oldest == nullptr)) {
            break;
        }
        *oldest = DftTables{};  // frees its memory
    }
    try {
        slot->cos.resize(entries);
        slot->sin.resize(entries);
    } catch (const std::bad_alloc&) {
        *slot = DftTables{};
        console_.put("Couldn't allocate memory.\n");
        fatal_stop(INTERNAL_ERROR);
    }
    const double pi = 4 * std::asin(0.5 * std::sqrt(2.0));
    const double two_pi = pi * 2;
    // Sample-major: the entries of all bins for sample j lie together, so a
    // block of bins is summed from consecutive values. The padding past the
    // last bin stays 0.
    std::fill(slot->cos.begin(), slot->cos.end(), 0.0);
    std::fill(slot->sin.begin(), slot->sin.end(), 0.0);
    for (int32_t k = 0; k < bins; ++k) {
        for (int32_t j = 0; j < n; ++j) {
            const double phi = (j * (k * two_pi)) / n;
            const size_t at = static_cast<size_t>(j) * stride + static_cast<size_t>(k);
            slot->cos[at] = std::cos(phi);
            slot->sin[at] = -std::sin(phi);
        }
    }
    slot->n = n;
    slot->last_use = dft_clock_;
    return *slot;
}

void BurstDsp::acc_dft(const int16_t* samples, int32_t n, double* out) {
    // An empty axis has no spectrum; a longer one than the burst arrays hold
    // cannot come from a decoder. Either is an internal inconsistency.
    if (n < 1 || n > kBurstMaxSamples) {
        console_.put("Invalid matrix size\n");
        fatal_stop(INTERNAL_ERROR);
    }
    const int32_t bins = n / 2 + 1;
    const size_t stride = table_stride(bins);
    const DftTables& t = dft_tables(n);

    // kDftBlock bins at a time, each with its own sums over j in order.
    for (int32_t k0 = 0; k0 < bins; k0 += static_cast<int32_t>(kDftBlock)) {
        double re[kDftBlock];
        double im[kDftBlock];
        dft_kernel_(samples, n, &t.cos[static_cast<size_t>(k0)], &t.sin[static_cast<size_t>(k0)],
                    stride, re, im);
        const auto count = std::min<int32_t>(static_cast<int32_t>(kDftBlock), bins - k0);
        for (int32_t b = 0; b < count; ++b) {
            out[k0 + b] = std::sqrt(im[b] * im[b] + re[b] * re[b]) / n;
        }
    }
}

void dft_block_sse2(const int16_t* samples, int32_t n, const double* c, const double* s,
                    size_t stride, double* re, double* im) {
    // Two halves of eight bins: sixteen sums in flight fit the registers.
    constexpr size_t kHalf = kDftBlock / 2;
    for (size_t h = 0; h < kDftBlock; h += kHalf) {
        f64x2 r[kHalf / 2] = {};
        f64x2 i[kHalf / 2] = {};
        const double* cj = c + h;
        const double* sj = s + h;
        for (int32_t j = 0; j < n; ++j, cj += stride, sj += stride) {
            const f64x2 x = splat_f64x2(samples[j]);
            for (size_t b = 0; b < kHalf / 2; ++b) {
                r[b] += x * load_f64x2(cj + 2 * b);
                i[b] += x * load_f64x2(sj + 2 * b);
            }
        }
        for (size_t b = 0; b < kHalf / 2; ++b) {
            store_f64x2(re + h + 2 * b, r[b]);
            store_f64x2(im + h + 2 * b, i[b]);
        }
    }
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

namespace {

__attribute__((target("avx"))) void dft_block_avx_impl(const int16_t* samples, int32_t n,
                                                       const double* c, const double* s,
                                                       size_t stride, double* re, double* im) {
    using f64x4 = double __attribute__((vector_size(32)));
    constexpr size_t kVectors = kDftBlock / 4;
    f64x4 r[kVectors] = {};
    f64x4 i[kVectors] = {};
    for (int32_t j = 0; j < n; ++j, c += stride, s += stride) {
        const double v = samples[j];
        const f64x4 x = {v, v, v, v};
        for (size_t b = 0; b < kVectors; ++b) {
            f64x4 cv;
            f64x4 sv;
            std::memcpy(&cv, c + 4 * b, sizeof cv);
            std::memcpy(&sv, s + 4 * b, sizeof sv);
            r[b] += x * cv;
            i[b] += x * sv;
        }
    }
    std::memcpy(re, r, sizeof r);
    std::memcpy(im, i, sizeof i);
}

}  // namespace

DftBlockKernel dft_block_avx() {
    return __builtin_cpu_supports("avx") ? &dft_block_avx_impl : nullptr;
}

#else

DftBlockKernel dft_block_avx() {
    return nullptr;
}

#endif

void write_spectrum_values(OutStream& out, const double* bins, int32_t count, bool ends_line) {
    for (int32_t k = 0; k < count; ++k) {
        out.put_i32(trunc_to_s16(bins[k]));
        if (k + 1 < count) {
            out.put_char(',');
        }
    }
    out.put_char(ends_line ? '\n' : ',');
}

}  // namespace dec
