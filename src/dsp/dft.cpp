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
// the magnitudes come from a fast transform (fft.h) and only a bin whose fast
// value lies so close to an integer that the two could truncate differently is
// summed again in table order. How close is "so close" follows; fft.cpp bounds
// the fast transform's own error and sets out the notation.
//
// Table order. two_pi = 2 * 4 asin(sqrt(2)/2), as the tag software computes
// it, is 0x1.921fb54442d19p+2: one ulp above the double nearest 2 pi, relative
// error 0.92u (below 3u). It is that constant here, not a call of asin and
// sqrt, so no C library can make it another. phi takes three roundings, so it
// is the true angle 2 pi jk/n < pi n times (1 + e), |e| < 7u: its error is
// below 8u pi n. Its cosine and sine are correctly rounded (exact_trig.h; phi <
// 2000 pi lies in its range), the same in every build and within u/2 of the
// exact values at phi, so each is within 8u pi n + u/2 =: t of the exact root.
// Summing n products in order adds at most gamma_n S1 (1 + t) to each of the
// real and imaginary sums, so the computed point is within
//     T = sqrt(2) S1 (t + gamma_n (1 + t))
// of X_k. The square root of the sum of squares and the division by n add a
// relative gamma_4 at most; for the fast value, the product with the rounded
// reciprocal of n times the transform's divisor (that product exact) one
// rounding more: gamma_5 covers either value.
//
// With the fast transform's bound G (error_bound), the fast value v and the
// printed table-order value differ by at most
//     E = (G + T + gamma_5 (2 S1 + G + T)) / n,
// used doubled to cover the rounding of its own evaluation. For n = 2000 samples
// of +-32768, E is about 1e-6; for 12-bit data far less. The phase error of the
// table order dominates for long axes.
//
// Only truncation is exact: when no integer other than 0 lies within E of v,
// the table-order value truncates as v does (it is never negative, so values
// near 0 truncate to 0 either way). Otherwise the bin is summed in table order,
// bit for bit as the tag software does (table_order.h: from a table of the
// length's cosines and sines once its bursts have asked for many bins). Random data meets that
// about once in 1e6 bins; constant bursts, pure tones and impulses, whose magnitudes are integers,
// meet it on those bins.
//
// Bin 0 needs neither: its angles are all 0, cos 1 and -sin -0 exactly, so the
// table order sums the integer samples exactly (their sum stays below 2^27)
// and its magnitude is |sum x_j| / n, computed here directly.
//
// Nor does bin n/2 of an even n. Its angles are j pi + d_j with |d_j| below the
// phase error 8u pi n < 6e-12, so each cosine is (-1)^j (1 - d_j^2/2), which
// rounds to (-1)^j exactly (correctly rounded, as every cosine here is), and the real sum is the
// alternating sum R of the samples, exact; the imaginary sum I is below S1 * 6e-12 < 4e-4. The
// printed value sqrt(I^2 + R^2) / n is then at least |R| / n (rounding is monotone and R^2 exact),
// and above it by less than I^2 / (2 n |R|) < 1e-7 / n plus a few roundings of the result (below
// 1e-11): when |R| / n is an integer m the value truncates to m, and otherwise |R| / n lies at
// least 1/n from every integer, so the value truncates as |R| / n does. Even n sums that bin
// directly when it lies close to an integer.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "common/fatal.h"
#include "dsp/burst_dsp.h"
#include "dsp/fft.h"
#include "dsp/lanes.h"
#include "dsp/table_order.h"

namespace dec {

namespace {

// The bound E above for n samples with S1 = s1, given the fast bound g.
double spectrum_error_bound(int32_t n, double s1, double g) {
    constexpr double u = 0x1p-53;
    const double count = n;
    const double t = 8 * u * std::numbers::pi * count + u / 2;
    const double table = std::sqrt(2.0) * s1 * (t + rounding_gamma(count) * (1 + t));
    return 2 * (g + table + rounding_gamma(5) * (2 * s1 + g + table)) / count;
}

}  // namespace

void BurstDsp::acc_dft(const int16_t* samples, int32_t n, int16_t* out) {
    // An empty axis has no spectrum; a longer one than the burst arrays hold
    // cannot come from a decoder. Either is an internal inconsistency.
    if (n < 1 || n > kBurstMaxSamples) {
        console_.put("Invalid matrix size\n");
        fatal_stop(INTERNAL_ERROR);
    }
    // The sums of x_j, |x_j| and x_j^2 two samples at a time; all are exact
    // (integers below 2000 * 2^30 < 2^53).
    f64x2 lane_sum = {0, 0}, lane_abs = {0, 0}, lane_square = {0, 0};
    int32_t j = 0;
    for (; j + 2 <= n; j += 2) {
        const f64x2 x = {static_cast<double>(samples[j]), static_cast<double>(samples[j + 1])};
        lane_sum += x;
        lane_abs += abs_f64x2(x);
        lane_square += x * x;
    }
    double sum = lane_sum[0] + lane_sum[1];
    // For even n, lane 0 holds the samples of even j and lane 1 those of odd j.
    const double alternating = lane_sum[0] - lane_sum[1];
    double abs_sum = lane_abs[0] + lane_abs[1];
    double square_sum = lane_square[0] + lane_square[1];
    if (j < n) {
        const double x = samples[j];
        sum += x;
        abs_sum += std::fabs(x);
        square_sum += x * x;
    }
    out[0] = trunc_to_s16(std::fabs(sum) / n);
    const auto bins = static_cast<size_t>(n / 2);
    // A length whose table is kept, whose last axis had most bins summed
    // again (its bursts put their bins on integers), is summed from the table
    // whole, without the fast transform. Once most bins lie off integers
    // again, the next axis takes the fast transform.
    if (exactness_guard_ && table_order_.table_length() == n && mostly_resummed_ == n) {
        for (size_t k = 1; k <= bins; ++k) {
            close_bins_[k - 1] = static_cast<int32_t>(k);
        }
        table_order_.bins(samples, n, close_bins_.data(), bins, table_values_.data());
        size_t on_integers = 0;
        for (size_t k = 1; k <= bins; ++k) {
            const double value = table_values_[k - 1];
            out[k] = trunc_to_s16(value);
            on_integers += value >= 0.5 && std::fabs(value - std::nearbyint(value)) <= 1e-6 ? 1 : 0;
        }
        mostly_resummed_ = 2 * on_integers >= bins ? n : 0;
        recomputed_bins_ += bins;
        return;
    }
    // The transform of this length, or the one used least recently.
    Spectrum* spectrum = &spectra_[0];
    for (size_t i = 0; i < kSpectra; ++i) {
        Spectrum& s = spectra_[i];
        if (s.transform.length() == n) {
            spectrum = &s;
            break;
        }
        if (s.last_use < spectrum->last_use) {
            spectrum = &s;
        }
    }
    spectrum->last_use = ++spectrum_clock_;
    SpectrumTransform& transform = spectrum->transform;
    const bool new_length = transform.length() != n;
    transform.magnitudes(samples, n, magnitudes_.data());
    // E is linear in S1 and S2 (as G is): E = a S1 + b S2 for the length.
    if (new_length) {
        spectrum->bound_per_s1 = spectrum_error_bound(n, 1, transform.error_bound(1, 0));
        spectrum->bound_per_s2 = spectrum_error_bound(n, 0, transform.error_bound(0, 1));
    }
    const double bound =
        spectrum->bound_per_s1 * abs_sum + spectrum->bound_per_s2 * std::sqrt(square_sum);
    // v = |X_k| / n, with the transform's divisor in one product by the
    // reciprocal (n times it is below 2^23, exact). An integer from 1 on lies within the bound of v
    // when the larger of 1 and the integer nearest v does ((v + 2^52) - 2^52
    // is the latter: v < 2^51); v minus either is exact (Sterbenz) once v >= 1/2,
    // and below 1/2 the distance to 1 exceeds any bound below 1/2.
    const double scale = 1 / (static_cast<double>(n) * transform.divisor());
    double* v = magnitudes_.data();
    constexpr double kRound = 0x1p52;
    const auto close = [bound](double value) {
        const double nearest = std::max((value + kRound) - kRound, 1.0);
        return bound >= 0.5 || std::fabs(value - nearest) <= bound;
    };
    // The least distance, two bins at a time.
    f64x2 least = splat_f64x2(1);
    size_t k = 1;
    for (; k + 2 <= bins + 1; k += 2) {
        const f64x2 value = load_f64x2(v + k) * scale;
        store_f64x2(v + k, value);
        const f64x2 nearest = max_f64x2((value + kRound) - kRound, splat_f64x2(1));
        least = min_f64x2(least, abs_f64x2(value - nearest));
    }
    bool any_close = bound >= 0.5 || least[0] <= bound || least[1] <= bound;
    for (; k <= bins; ++k) {
        v[k] *= scale;
        any_close = any_close || close(v[k]);
    }
    // 0 <= v < 2^16: the conversion is trunc_to_s16's.
    for (k = 1; k <= bins; ++k) {
        out[k] = static_cast<int16_t>(static_cast<int32_t>(v[k]));
    }
    if (!any_close || !exactness_guard_) {
        mostly_resummed_ = 0;
        return;
    }
    size_t count = 0;
    for (k = 1; k <= bins; ++k) {
        if (close(v[k])) {
            close_bins_[count++] = static_cast<int32_t>(k);
        }
    }
    if (count > 0 && n % 2 == 0 && close_bins_[count - 1] == n / 2) {
        out[bins] = trunc_to_s16(std::fabs(alternating) / n);
        --count;
    }
    mostly_resummed_ = 2 * count >= bins ? n : 0;
    table_order_.bins(samples, n, close_bins_.data(), count, table_values_.data());
    for (size_t i = 0; i < count; ++i) {
        out[close_bins_[i]] = trunc_to_s16(table_values_[i]);
    }
    recomputed_bins_ += count;
}

void write_spectrum_values(OutStream& out, const int16_t* bins, int32_t count, bool ends_line) {
    const char last = ends_line ? '\n' : ',';
    if (count <= 0) {
        out.put_char(last);
        return;
    }
    // Each value and its separator in at most 7 bytes ("-32768,"), up to 48
    // values per reservation of the stream's buffer.
    constexpr int32_t kChunk = 48;
    static_assert(kChunk * 7 <= kMaxFormatLength);
    for (int32_t k = 0; k < count; k += kChunk) {
        const int32_t end = std::min(count, k + kChunk);
        char* p = out.reserve(kChunk * 7);
        for (int32_t i = k; i < end; ++i) {
            p = format_i16(p, bins[i]);
            *p++ = ',';
        }
        if (end == count) {
            p[-1] = last;
        }
        out.commit(p);
    }
}

}  // namespace dec
