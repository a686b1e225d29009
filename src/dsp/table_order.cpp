#include "dsp/table_order.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>

#include "dsp/exact_trig.h"
#include "dsp/lanes.h"

namespace dec {

namespace {

// two_pi as the tag software computes it, 2 * 4 asin(sqrt(2)/2): one ulp above
// the double nearest 2 pi (dft.cpp).
constexpr double kTwoPi = 0x1.921fb54442d19p+2;

size_t stride_of(int32_t n) {
    const auto entries = static_cast<size_t>(n / 2 + 1);
    return (entries + TableOrder::kBlock - 1) / TableOrder::kBlock * TableOrder::kBlock;
}

// Sixteen sums in two halves of eight (f64x2 lanes): with the adds of each sum
// in order, sixteen sums in flight hide the adds' latency.
void block_sse2(const int16_t* samples, int32_t n, const double* c, const double* s, size_t stride,
                double* re, double* im) {
    constexpr size_t kHalf = TableOrder::kBlock / 2;
    for (size_t h = 0; h < TableOrder::kBlock; h += kHalf) {
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

__attribute__((target("avx"))) void block_avx(const int16_t* samples, int32_t n, const double* c,
                                              const double* s, size_t stride, double* re,
                                              double* im) {
    using f64x4 = double __attribute__((vector_size(32)));
    constexpr size_t kVectors = TableOrder::kBlock / 4;
    f64x4 r[kVectors] = {};
    f64x4 i[kVectors] = {};
    for (int32_t j = 0; j < n; ++j, c += stride, s += stride) {
        const double v = samples[j];
        const f64x4 x = {v, v, v, v};
        for (size_t b = 0; b < kVectors; ++b) {
            f64x4 cv, sv;
            std::memcpy(&cv, c + 4 * b, sizeof cv);
            std::memcpy(&sv, s + 4 * b, sizeof sv);
            r[b] += x * cv;
            i[b] += x * sv;
        }
    }
    for (size_t b = 0; b < kVectors; ++b) {
        std::memcpy(re + 4 * b, &r[b], sizeof r[b]);
        std::memcpy(im + 4 * b, &i[b], sizeof i[b]);
    }
}

TableOrder::BlockKernel block_kernel() {
    return __builtin_cpu_supports("avx") ? &block_avx : &block_sse2;
}

#else

TableOrder::BlockKernel block_kernel() {
    return &block_sse2;
}

#endif

}  // namespace

TableOrder::TableOrder(MemoryBudget* memory) : memory_(memory), kernel_(block_kernel()) {}

TableOrder::~TableOrder() {
    drop();
}

void TableOrder::drop() {
    if (n_ != 0 && memory_ != nullptr) {
        memory_->give(table_bytes(n_));
    }
    n_ = 0;
    cos_ = {};
    sin_ = {};
}

size_t TableOrder::table_bytes(int32_t n) {
    return 2 * static_cast<size_t>(n) * stride_of(n) * sizeof(double);
}

double TableOrder::bin(const int16_t* samples, int32_t n, int32_t k) const {
    double re = 0;
    double im = 0;
    for (int32_t j = 0; j < n; ++j) {
        const SinCos root = exact_sincos((j * (k * kTwoPi)) / n);
        re += samples[j] * root.cos;
        im += samples[j] * -root.sin;
    }
    return std::sqrt(im * im + re * re) / n;
}

void TableOrder::build(int32_t n) {
    drop();
    // Without the memory the bins are summed as they come, to the same values.
    if (memory_ != nullptr && !memory_->take(table_bytes(n))) {
        return;
    }
    const size_t stride = stride_of(n);
    const size_t entries = static_cast<size_t>(n) * stride;
    try {
        cos_.assign(entries, 0.0);
        sin_.assign(entries, 0.0);
    } catch (const std::bad_alloc&) {
        cos_ = {};
        sin_ = {};
        if (memory_ != nullptr) {
            memory_->give(table_bytes(n));
        }
        return;
    }
    for (int32_t j = 0; j < n; ++j) {
        double* c = &cos_[static_cast<size_t>(j) * stride];
        double* s = &sin_[static_cast<size_t>(j) * stride];
        for (int32_t k = 1; k <= n / 2; ++k) {
            const SinCos root = exact_sincos((j * (k * kTwoPi)) / n);
            c[k] = root.cos;
            s[k] = -root.sin;
        }
    }
    n_ = n;
    stride_ = stride;
}

void TableOrder::bins(const int16_t* samples, int32_t n, const int32_t* ks, size_t count,
                      double* out) {
    if (n != counted_length_) {
        counted_length_ = n;
        counted_bins_ = 0;
    }
    // The table costs what summing each of its bins once does: built once the
    // length has asked for that many, it costs at most twice what it saves.
    // Tried once per run of one length: a budget without room stays so.
    // (The guard never asks for bin 0, nor for bin n/2 of an even n.)
    const auto threshold = static_cast<uint64_t>((n - 1) / 2);
    const bool crossing = counted_bins_ < threshold && counted_bins_ + count >= threshold;
    counted_bins_ += count;
    if (n_ != n && crossing) {
        build(n);
    }
    if (n_ != n) {
        for (size_t i = 0; i < count; ++i) {
            out[i] = bin(samples, n, ks[i]);
        }
        return;
    }
    double re[kBlock];
    double im[kBlock];
    size_t block = SIZE_MAX;
    for (size_t i = 0; i < count; ++i) {
        const size_t k = static_cast<size_t>(ks[i]);
        if (k / kBlock != block) {
            block = k / kBlock;
            kernel_(samples, n, &cos_[block * kBlock], &sin_[block * kBlock], stride_, re, im);
        }
        const size_t b = k % kBlock;
        out[i] = std::sqrt(im[b] * im[b] + re[b] * re[b]) / n;
    }
}

}  // namespace dec
