// Amplitude spectrum of one burst axis.
//
// A plain discrete Fourier transform: no window, no removal of the mean,
// magnitudes of bins 0 .. n/2 divided by n. Bin 0 is thus the absolute mean,
// and a sine of amplitude A on a bin shows as A/2 there. The values are printed
// truncated toward zero and compared byte for byte with the tag software's,
// which sums x_j cos(phi) and x_j (-sin(phi)), phi = (j * (k * two_pi)) / n,
// over j in order for every bin ("table order" below).
//
// Summing that way costs n (n/2 + 1) sines, cosines and products per axis, so
// the magnitudes come from the chirp-z transform (fft.h) and only a bin whose
// fast value lies so close to an integer that the two could truncate
// differently is summed again in table order. How close is "so close" follows.
//
// Error bound. u = 2^-53, gamma_k = k u / (1 - k u); x_j are the n samples,
// S1 = sum |x_j|, S2 = sqrt(sum x_j^2), X_k the exact sum_j x_j e^(-2 pi i jk/n)
// (|X_k| <= S1). glibc's sin and cos are taken as within 1 ulp, which is at
// most 2u for values of magnitude up to 1.
//
// (a) Table order. two_pi = 2 * 4 asin(sqrt(2)/2) is one ulp above the double
//   nearest 2 pi, relative error below 3u. phi takes three roundings, so it is
//   the true angle 2 pi jk/n < pi n times (1 + e), |e| < 7u: its error is below
//   8u pi n, and each cosine or sine below 8u pi n + 2u =: t. Summing n
//   products in order adds at most gamma_n S1 (1 + t) to each of the real and
//   imaginary sums, so the computed point is within
//       T = sqrt(2) S1 (t + gamma_n (1 + t))
//   of X_k. The square root of the sum of squares and the division by n add a
//   relative gamma_4 at most.
// (b) Fast path, with norm-wise bounds of the radix-2 FFT of m = 2^L points:
//   computed with twiddles accurate to mu, |y^ - y|_2 <= F |y|_2, where
//   F = (1 + eta)^L - 1 <= L eta / (1 - L eta), eta = mu + gamma_4 (sqrt(2) +
//   mu), and |y|_2 = sqrt(m) |x|_2. The twiddles have angles below pi with two
//   roundings (error below 2u pi) plus a 2u cosine and sine: mu = 16u is
//   generous. The chirp angles are below 2 pi with three roundings: its values
//   are within mu_c = 32u, the weighted samples a_j = x_j w_j within
//   mu_a = mu_c + 2u relative. With A = FFT(a), B = FFT(b) of the 2n - 1 unit
//   chirp values:
//       |A^ - A|_2 <= sqrt(m) S2 d_a,            d_a = mu_a + F (1 + mu_a)
//       |B^ - B|_2 <= sqrt(m) sqrt(2n-1) d_b,    d_b = mu_c + F (1 + mu_c)
//   and |A|_inf <= S1, |B|_inf <= 2n - 1 =: c, |B^|_inf <= c + |B^ - B|_2 =: c'.
//   The products (complex, within sqrt(2) gamma_2 each) are then within
//       P = |A^ - A|_2 c' + S1 |B^ - B|_2 + sqrt(2) gamma_2 sqrt(m) S2 (1 + d_a) c'
//   of A B in 2-norm, and |A B|_2 <= sqrt(m) S2 c. The last transform gives m
//   times the convolution, whose bin k has magnitude |X_k|, within
//       Q = sqrt(m) (P + F (sqrt(m) S2 c + P))
//   (a 2-norm, so also per bin); dividing by m is exact, the magnitude and the
//   division by n again add gamma_4 relative at most.
// Together the fast value v and the printed table-order value differ by at most
//       E = (Q/m + T + gamma_4 (2 S1 + Q/m + T)) / n,
// used doubled to cover the rounding of its own evaluation. For n = 2000 samples
// of +-32768, E is about 1e-6; for 12-bit data far less. The phase error of the
// table order dominates for long axes.
//
// Only truncation is exact: when no integer other than 0 lies within E of v,
// the table-order value truncates as v does (it is never negative, so values
// near 0 truncate to 0 either way). Otherwise the bin is summed in table order,
// bit for bit as the tag software does. Random data meets that about once in
// 1e6 bins; constant bursts, pure tones and impulses, whose magnitudes are
// integers, meet it on those bins.

#include <cmath>
#include <cstdlib>
#include <numbers>

#include "common/fatal.h"
#include "dsp/burst_dsp.h"

namespace dec {

namespace {

double gamma_of(double k) {
    constexpr double u = 0x1p-53;
    return k * u / (1 - k * u);
}

// The bound E above for n samples with S1 = s1 and S2 = s2.
double spectrum_error_bound(int32_t n, double s1, double s2) {
    constexpr double u = 0x1p-53;
    const double root2 = std::sqrt(2.0);
    const double count = n;
    const double m = ChirpSpectrum::size_for(n);
    double levels = 0;
    for (double size = 1; size < m; size *= 2) {
        levels += 1;
    }
    // (a) table order
    const double t = 8 * u * std::numbers::pi * count + 2 * u;
    const double table = root2 * s1 * (t + gamma_of(count) * (1 + t));
    // (b) fast path
    const double mu = 16 * u;
    const double mu_c = 32 * u;
    const double mu_a = mu_c + 2 * u;
    const double eta = mu + gamma_of(4) * (root2 + mu);
    const double f = levels * eta / (1 - levels * eta);
    const double d_a = mu_a + f * (1 + mu_a);
    const double d_b = mu_c + f * (1 + mu_c);
    const double root_m = std::sqrt(m);
    const double c = 2 * count - 1;
    const double err_a = root_m * s2 * d_a;
    const double err_b = root_m * std::sqrt(c) * d_b;
    const double c_hat = c + err_b;
    const double p =
        err_a * c_hat + s1 * err_b + root2 * gamma_of(2) * root_m * s2 * (1 + d_a) * c_hat;
    const double q = root_m * (p + f * (root_m * s2 * c + p));
    const double fast = q / m;
    return 2 * (fast + table + gamma_of(4) * (2 * s1 + fast + table)) / count;
}

// Bin k summed in table order, as printed before truncation.
double table_order_bin(const int16_t* samples, int32_t n, int32_t k) {
    const double pi = 4 * std::asin(0.5 * std::sqrt(2.0));
    const double two_pi = pi * 2;
    double re = 0;
    double im = 0;
    for (int32_t j = 0; j < n; ++j) {
        const double phi = (j * (k * two_pi)) / n;
        re += samples[j] * std::cos(phi);
        im += samples[j] * -std::sin(phi);
    }
    return std::sqrt(im * im + re * re) / n;
}

}  // namespace

void BurstDsp::acc_dft(const int16_t* samples, int32_t n, int16_t* out) {
    // An empty axis has no spectrum; a longer one than the burst arrays hold
    // cannot come from a decoder. Either is an internal inconsistency.
    if (n < 1 || n > kBurstMaxSamples) {
        console_.put("Invalid matrix size\n");
        fatal_stop(INTERNAL_ERROR);
    }
    int64_t abs_sum = 0;
    int64_t square_sum = 0;
    for (int32_t j = 0; j < n; ++j) {
        abs_sum += std::abs(samples[j]);
        square_sum += int64_t{samples[j]} * samples[j];
    }
    const double bound = spectrum_error_bound(n, static_cast<double>(abs_sum),
                                              std::sqrt(static_cast<double>(square_sum)));
    chirp_.magnitudes(samples, n, magnitudes_.data());
    for (int32_t k = 0; k <= n / 2; ++k) {
        const double v = magnitudes_[static_cast<size_t>(k)] / n;
        // v - nearest is exact (Sterbenz) once nearest >= 1.
        const double nearest = std::round(v);
        const bool close = bound >= 0.5 || (nearest >= 1 && std::fabs(v - nearest) <= bound);
        if (close && exactness_guard_) {
            out[k] = trunc_to_s16(table_order_bin(samples, n, k));
            ++recomputed_bins_;
        } else {
            out[k] = trunc_to_s16(v);
        }
    }
}

void write_spectrum_values(OutStream& out, const int16_t* bins, int32_t count, bool ends_line) {
    for (int32_t k = 0; k < count; ++k) {
        out.put_i32(bins[k]);
        if (k + 1 < count) {
            out.put_char(',');
        }
    }
    out.put_char(ends_line ? '\n' : ',');
}

}  // namespace dec
