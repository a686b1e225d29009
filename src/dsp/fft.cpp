// Chirp-z transform over radix-2 FFTs; the error bound of this arithmetic is
// derived in dft.cpp, which checks every bin against it.

#include "dsp/fft.h"

#include <cmath>
#include <numbers>
#include <utility>

namespace dec {

namespace {

constexpr auto kMax = static_cast<size_t>(ChirpSpectrum::kMaxSize);

}  // namespace

ChirpSpectrum::ChirpSpectrum()
    : twiddle_re_(kMax / 2),
      twiddle_im_(kMax / 2),
      a_re_(kMax),
      a_im_(kMax),
      b_re_(kMax),
      b_im_(kMax) {
    const double two_pi = 2 * std::numbers::pi;
    for (size_t t = 0; t < kMax / 2; ++t) {
        const double phi = (static_cast<double>(t) * two_pi) / static_cast<double>(kMax);
        twiddle_re_[t] = std::cos(phi);
        twiddle_im_[t] = -std::sin(phi);
    }
}

int32_t ChirpSpectrum::size_for(int32_t n) {
    int32_t m = 1;
    while (m < 2 * n - 1) {
        m *= 2;
    }
    return m;
}

void ChirpSpectrum::fft(double* re, double* im, int32_t m) const {
    const auto size = static_cast<size_t>(m);
    // Bit-reversed order, then log2(m) stages of butterflies.
    for (size_t i = 1, j = 0; i < size; ++i) {
        size_t bit = size >> 1;
        for (; (j & bit) != 0; bit >>= 1) {
            j ^= bit;
        }
        j |= bit;
        if (i < j) {
            std::swap(re[i], re[j]);
            std::swap(im[i], im[j]);
        }
    }
    for (size_t len = 2; len <= size; len *= 2) {
        const size_t half = len / 2;
        const size_t step = kMax / len;
        for (size_t i = 0; i < size; i += len) {
            for (size_t j = 0; j < half; ++j) {
                const double wr = twiddle_re_[j * step];
                const double wi = twiddle_im_[j * step];
                const size_t p = i + j;
                const size_t q = p + half;
                const double vr = re[q] * wr - im[q] * wi;
                const double vi = re[q] * wi + im[q] * wr;
                re[q] = re[p] - vr;
                im[q] = im[p] - vi;
                re[p] += vr;
                im[p] += vi;
            }
        }
    }
}

void ChirpSpectrum::magnitudes(const int16_t* x, int32_t n, double* mag) {
    const int32_t m = size_for(n);
    const auto size = static_cast<size_t>(m);
    const auto count = static_cast<size_t>(n);
    // w_t = e^(-pi i t^2/n), with t^2 reduced modulo 2n (exact in integers) so
    // that every angle is below 2 pi.
    const double pi = std::numbers::pi;
    for (size_t t = 0; t < count; ++t) {
        const auto r = static_cast<int32_t>((t * t) % (2 * count));
        const double phi = (pi * r) / n;
        const double c = std::cos(phi);
        const double s = std::sin(phi);
        a_re_[t] = x[t] * c;
        a_im_[t] = x[t] * -s;
        // The conjugate chirp at t and -t (index m - t).
        b_re_[t] = c;
        b_im_[t] = s;
        if (t != 0) {
            b_re_[size - t] = c;
            b_im_[size - t] = s;
        }
    }
    for (size_t t = count; t < size; ++t) {
        a_re_[t] = 0;
        a_im_[t] = 0;
    }
    for (size_t t = count; t + count <= size; ++t) {
        b_re_[t] = 0;
        b_im_[t] = 0;
    }
    fft(a_re_.data(), a_im_.data(), m);
    fft(b_re_.data(), b_im_.data(), m);
    // The inverse transform as the forward one of the conjugate product: the
    // result is then conjugated and m times the convolution, neither of which
    // changes a magnitude once divided by m (exact: a power of two).
    for (size_t t = 0; t < size; ++t) {
        const double pr = a_re_[t] * b_re_[t] - a_im_[t] * b_im_[t];
        const double qi = a_re_[t] * b_im_[t] + a_im_[t] * b_re_[t];
        a_re_[t] = pr;
        a_im_[t] = -qi;
    }
    fft(a_re_.data(), a_im_.data(), m);
    const double scale = 1.0 / m;
    for (size_t k = 0; k <= count / 2; ++k) {
        mag[k] = std::sqrt(a_re_[k] * a_re_[k] + a_im_[k] * a_im_[k]) * scale;
    }
}

}  // namespace dec
