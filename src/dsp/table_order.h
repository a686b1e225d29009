// Spectrum bins summed in the tag software's order ("table order"): bin k of
// n samples is sqrt(im^2 + re^2) / n with re and im the sums over j in order
// of x_j cos(phi) and x_j (-sin(phi)), phi = (j * (k * two_pi)) / n, the
// cosines and sines correctly rounded (exact_trig.h).
//
// The exactness guard (dft.cpp) asks for the few bins whose fast value lies
// too close to an integer. Each is n sines, cosines and products. Bursts
// built to put bins on integers (impulses, tones on a bin, constants) ask for
// many bins of the same length again and again; once a length has asked for
// as many bins as it has, its cosines and sines go into a table (within the
// run's memory budget), and the sums read them, sixteen bins side by side.
// Built or not, every value is the same double: the same products are added
// in the same order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/memory_budget.h"

namespace dec {

class TableOrder {
  public:
    // Sums of sixteen bins, one per lane of the kernel's registers.
    static constexpr size_t kBlock = 16;
    using BlockKernel = void (*)(const int16_t* samples, int32_t n, const double* c,
                                 const double* s, size_t stride, double* re, double* im);

    // A table is built only when `memory` has room for it (any, when null).
    explicit TableOrder(MemoryBudget* memory);
    ~TableOrder();
    TableOrder(const TableOrder&) = delete;
    TableOrder& operator=(const TableOrder&) = delete;

    // Bin k of n samples, as printed before truncation (1 <= k <= n/2).
    double bin(const int16_t* samples, int32_t n, int32_t k) const;
    // Bins ks[0 .. count) (ascending) of n samples into out[0 .. count).
    void bins(const int16_t* samples, int32_t n, const int32_t* ks, size_t count, double* out);

    // Memory of the table of length n.
    static size_t table_bytes(int32_t n);
    // The length whose table is built, or 0.
    int32_t table_length() const { return n_; }

  private:
    void build(int32_t n);
    void drop();

    MemoryBudget* memory_;
    BlockKernel kernel_;
    int32_t n_ = 0;
    size_t stride_ = 0;  // entries per sample: bins 0 .. n/2, padded to whole blocks
    // Sample-major: the entries of every bin for sample j lie together, so a
    // block of bins reads consecutive values.
    std::vector<double> cos_, sin_;
    int32_t counted_length_ = 0;
    uint64_t counted_bins_ = 0;  // bins asked for at counted_length_
};

}  // namespace dec
