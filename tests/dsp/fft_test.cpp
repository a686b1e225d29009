// The fast transforms against a long-double DFT: within the bounds they claim,
// on every kind of length (radix 4, 2, 3, larger primes, the chirp-z path).

#include "dsp/fft.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <numbers>
#include <vector>

namespace dec {
namespace {

using Cld = std::complex<long double>;

std::vector<Cld> reference_dft(const std::vector<Cld>& x) {
    const size_t n = x.size();
    std::vector<Cld> roots(n), y(n);
    for (size_t t = 0; t < n; ++t) {
        const long double phi = -2 * std::numbers::pi_v<long double> * t / n;
        roots[t] = Cld(std::cos(phi), std::sin(phi));
    }
    for (size_t k = 0; k < n; ++k) {
        for (size_t j = 0; j < n; ++j) {
            y[k] += x[j] * roots[j * k % n];
        }
    }
    return y;
}

uint32_t next(uint32_t& r) {
    r = r * 1664525u + 1013904223u;
    return r >> 8;
}

// Magnitudes for lengths of every path (sums from a table of roots up to 40)
// and of every stage kind (radix 4, 2,
// 3, 5, 7, 11, 13, the generic stage of larger primes (68, 111) and their
// mixtures, 286 = 2 11 13 with a prime stage inside; convolutions of power-of-two
// sizes and others: 41 and 1086 of 81 and 1152 points), samples at the
// extremes included, within their bound. Lengths come back after others: what a length
// prepares is rebuilt in full, so the values are those of a fresh object.
TEST(SpectrumTransform, MagnitudesWithinTheirBound) {
    SpectrumTransform reused;
    uint32_t r = 5;
    for (const int n : {1,   2,   3,   4,  5,   7,   8,   11,  12,   13,   16,   25,   34,   41, 49,   54,   97,
                        111, 121, 162, 97, 210, 256, 286, 499, 1000, 1024, 1086, 1270, 1999, 54, 2000, 1999, 13}) {
        SCOPED_TRACE(n);
        for (const int range : {32768, 2048}) {
            const auto size = static_cast<size_t>(n);
            std::vector<int16_t> x(size);
            std::vector<Cld> xc(size);
            double s1 = 0, s2 = 0;
            for (size_t j = 0; j < size; ++j) {
                x[j] = static_cast<int16_t>(static_cast<int>(next(r) % uint32_t(2 * range)) - range);
                xc[j] = x[j];
                s1 += std::abs(x[j]);
                s2 += double(x[j]) * x[j];
            }
            std::vector<double> mag(size / 2 + 1), fresh_mag(mag.size());
            reused.magnitudes(x.data(), n, mag.data());
            SpectrumTransform fresh;
            fresh.magnitudes(x.data(), n, fresh_mag.data());
            EXPECT_EQ(mag, fresh_mag);
            const double bound = reused.error_bound(s1, std::sqrt(s2));
            EXPECT_LT(bound, 1e-6 * s1 + 1e-300);
            const std::vector<Cld> y = reference_dft(xc);
            for (size_t k = 0; k < mag.size(); ++k) {
                const long double value = static_cast<long double>(mag[k]) / reused.divisor();
                ASSERT_LE(std::fabs(value - std::abs(y[k])), bound) << "bin " << k;
            }
        }
    }
    EXPECT_TRUE(SpectrumTransform::uses_chirp(1999));
    EXPECT_FALSE(SpectrumTransform::uses_chirp(2000));
    EXPECT_EQ(SpectrumTransform::convolution_size(41), 81);
    EXPECT_EQ(SpectrumTransform::convolution_size(1086 / 2), 1152);
}

// Both bounds take the C library's sine and cosine as within 2^-52 of the true
// values at the double they are given. This checks that on the angles used:
// every root and chirp angle of every length, and a sample of the table-order
// angles (up to 2000 pi), against long double values of the same arguments
// (reduced by 2 pi in two parts first, so that the reduction adds no error).
TEST(SineAndCosine, WithinTheAssumedErrorOnTheAnglesUsed) {
    constexpr long double kLimit = 0x1p-52L;
    long double worst = 0;
    auto check = [&worst](double phi) {
        // 2 pi in three parts, the first two of 41 bits, so q c1 and q c2 are exact.
        constexpr long double c1 = 0x1.921fb54442p+2L, c2 = 0x1.a308d31319p-39L, c3 = 0x1.145c06e0e6895p-80L;
        const long double q = std::nearbyint(phi / 6.283185307179586);
        const long double r = ((static_cast<long double>(phi) - q * c1) - q * c2) - q * c3;
        worst = std::max({worst, std::fabs(std::cos(phi) - std::cos(r)), std::fabs(std::sin(phi) - std::sin(r))});
    };
    const double two_pi = 2 * std::numbers::pi;
    for (int n = 1; n <= 2000; ++n) {
        for (int t = 0; t < n; ++t) {
            check((t * two_pi) / n);
            check((std::numbers::pi * (2 * t)) / n);
            check((std::numbers::pi * (2 * t + 1)) / n);
        }
    }
    const double table_two_pi = 4 * std::asin(0.5 * std::sqrt(2.0)) * 2;
    uint32_t r = 3;
    for (int i = 0; i < 200000; ++i) {
        const int n = 1 + static_cast<int>(next(r) % 2000);
        const int k = static_cast<int>(next(r) % static_cast<uint32_t>(n / 2 + 1));
        const int j = static_cast<int>(next(r) % static_cast<uint32_t>(n));
        check((j * (k * table_two_pi)) / n);
    }
    EXPECT_LE(worst, kLimit);
}

}  // namespace
}  // namespace dec
