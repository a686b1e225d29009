// Magnitudes of the discrete Fourier transform of a burst axis, fast.
//
// Burst axes have any length from 1 to kBurstMaxSamples, mostly not a power of
// two, so the transform is a chirp-z (Bluestein) one: with jk = (j^2 + k^2 -
// (k-j)^2) / 2 the sum over j of x_j e^(-2 pi i jk/n) becomes e^(-pi i k^2/n)
// times a convolution of x_j e^(-pi i j^2/n) with e^(pi i t^2/n), done as
// power-of-two FFTs of m >= 2n - 1 points. The leading factor has magnitude 1,
// so only the convolution is needed for magnitudes.
//
// The chirp is computed on every call (n sines and cosines) and the twiddles
// of the largest size once, so bursts of changing lengths cost what bursts of
// one length do. The buffers are sized for the longest axis when the object is
// made; a transform allocates nothing.
#pragma once

#include <cstdint>
#include <vector>

namespace dec {

class ChirpSpectrum {
  public:
    // Power-of-two size of the convolution for the longest axis (2 * 2000 - 1
    // rounded up).
    static constexpr int32_t kMaxSize = 4096;

    ChirpSpectrum();

    // Smallest power of two m >= 2n - 1: the convolution size for n samples.
    static int32_t size_for(int32_t n);

    // |sum_j x_j e^(-2 pi i jk/n)| for k = 0 .. n/2 into mag[k], not divided
    // by n. n is 1 .. kBurstMaxSamples.
    void magnitudes(const int16_t* x, int32_t n, double* mag);

  private:
    // In-place forward transform of m points (a power of two up to kMaxSize).
    void fft(double* re, double* im, int32_t m) const;

    std::vector<double> twiddle_re_;  // e^(-2 pi i t / kMaxSize), t < kMaxSize / 2
    std::vector<double> twiddle_im_;
    std::vector<double> a_re_, a_im_;  // the weighted samples, then the product
    std::vector<double> b_re_, b_im_;  // the chirp
};

}  // namespace dec
