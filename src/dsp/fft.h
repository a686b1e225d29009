// Magnitudes of the discrete Fourier transform of a burst axis, fast, with a
// rigorous bound on their error.
//
// Burst axes have any length from 1 to kBurstMaxSamples. A length whose prime
// factors are small is transformed directly by a mixed-radix FFT (Stockham
// order, radix 4, 2 and odd primes); an even one as n/2 complex points made of
// the samples in pairs, whose transform gives the n real samples' bins. A length with a large prime
// factor goes through a chirp-z (Bluestein) transform: with jk = (j^2 + k^2 - (k-j)^2) / 2 the sum
// over j of x_j e^(-2 pi i jk/n) becomes e^(-pi i k^2/n) times a convolution of x_j e^(-pi i j^2/n)
// with e^(pi i t^2/n), done as FFTs of m >= 2n - 1 points (m of radices with
// kernels of their own); the leading factor has magnitude 1, so only the
// convolution is needed. The path and m that cost least are taken, by a model
// of each stage kind's time measured per point.
//
// Everything a length needs (its roots of unity, and for the chirp-z path the
// chirp and its transform) is computed when the length changes, in O(n log n):
// the axes of a burst share it, and bursts of changing lengths cost about what
// bursts of one length do. The buffers are sized for the longest axis when the
// object is made; a transform allocates nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "dsp/lanes.h"

namespace dec {

// gamma_k = k u / (1 - k u), u = 2^-53: the relative error bound of k
// roundings in a row.
inline double rounding_gamma(double k) {
    constexpr double u = 0x1p-53;
    return k * u / (1 - k * u);
}

// A forward FFT of one length n = product of radices, out of place between two
// buffers (Stockham order: no bit reversal). Relative error, in 2-norm, at most
// relative_error() (see fft.cpp).
class MixedRadixFft {
  public:
    explicit MixedRadixFft(int32_t max_size);

    // Factors n and computes its roots of unity, unless n is already set.
    void set_length(int32_t n);
    int32_t length() const { return n_; }
    // Time per point of a transform of n points, in units of a radix-4
    // stage's point.
    static double cost_per_point(int32_t n);
    // Radices from 2 to this have a kernel of their own; larger primes go
    // through a generic stage, O(p) per point.
    static constexpr int32_t kLargestKernel = 13;
    // Whether every stage of n has a kernel of its own.
    static bool has_kernels(int32_t n);

    // Transforms re/im in place (n points); uses the object's scratch.
    void transform(double* re, double* im);

    // F with |y^ - y|_2 <= F |y|_2 for the transform y of any input.
    double relative_error() const { return growth_; }

  private:
    template <size_t P>
    void stage(const double* in_re, const double* in_im, double* out_re, double* out_im, int32_t l,
               int32_t r) const;
    void stage_any(const double* in_re, const double* in_im, double* out_re, double* out_im,
                   int32_t p, int32_t l, int32_t r);

    int32_t n_ = 0;
    std::vector<int32_t> radices_;
    std::vector<double> root_re_, root_im_;  // e^(-2 pi i t/n), t < n
    std::vector<double> scratch_re_, scratch_im_;
    // Two groups of a generic stage side by side, or one, and its constants.
    std::vector<f64x2> group_re_, group_im_;
    std::vector<double> single_re_, single_im_;
    std::vector<double> const_re_, const_im_;
    double growth_ = 0;
};

class SpectrumTransform {
  public:
    // Largest convolution size (2 * 2000 - 1 rounded up to a power of two).
    static constexpr int32_t kMaxSize = 4096;
    // Time of a complex product, in the units of cost_per_point.
    static constexpr double kProductCost = 0.5;
    // Lengths up to this are summed directly from a table of roots: for them
    // the transforms' fixed costs outweigh the sums' n (n/2 + 1) products.
    static constexpr int32_t kTableMax = 40;

    SpectrumTransform();

    // The convolution size m >= 2 points - 1 of the chirp-z path for a
    // transform of `points` complex points, or 0 when they go directly:
    // whichever costs least.
    static int32_t convolution_size(int32_t points);
    // Whether length n goes through the chirp-z transform.
    static bool uses_chirp(int32_t n);

    // divisor() times |sum_j x_j e^(-2 pi i jk/n)| for k = 0 .. n/2 into
    // mag[k], not divided by n. n is 1 .. kBurstMaxSamples.
    void magnitudes(const int16_t* x, int32_t n, double* mag);
    // The last call's n, or 0.
    int32_t length() const { return n_; }
    // 1, or the convolution size m of the chirp-z path, for the last call's n.
    int32_t divisor() const { return divisor_; }

    // A bound on |mag[k] / divisor() - |X_k|| for the last call's n, any k, for
    // samples with s1 = sum |x_j| and s2 = sqrt(sum x_j^2).
    double error_bound(double s1, double s2) const;

  private:
    void set_length(int32_t n);
    // The chirp-z path on the points in a_re_/a_im_: m times the conjugate
    // convolution, in place.
    void convolve();
    // A bound on the error of each transformed point for points with
    // sum |z_j| <= s1 and |z|_2 = s2.
    double point_error(double s1, double s2) const;

    int32_t n_ = 0;
    int32_t points_ = 0;  // n, or n/2 complex points of an even n
    int32_t divisor_ = 1;
    bool table_ = false;  // n <= kTableMax: sums of the samples times roots
    bool split_ = false;  // the samples in pairs as complex points
    bool chirp_ = false;  // the points through the chirp-z path
    MixedRadixFft direct_;
    MixedRadixFft convolution_;
    std::vector<double> a_re_, a_im_;          // the samples, weighted, transformed
    std::vector<double> w_re_, w_im_;          // the chirp e^(-pi i t^2/L), t < L points
    std::vector<double> half_re_, half_im_;    // e^(-2 pi i k/n), k <= n/2 (even n)
    std::vector<double> chirp_re_, chirp_im_;  // the transformed conjugate chirp
    // Terms per bin of the table path: j <= n/2, an even count.
    static constexpr size_t table_row(int32_t n) { return static_cast<size_t>(n / 2 + 2) / 2 * 2; }
    // e^(-2 pi i jk/n) at k table_row(n) + j for the table path, bins k and
    // j up to n/2.
    std::vector<double> table_re_, table_im_;
    double chirp_error_ = 0;  // |B^ - B|_2 of the latter
};

}  // namespace dec
