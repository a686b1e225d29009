// Per-axis statistics of acceleration bursts.
//
// The movement measure of an axis is the standard deviation of its samples
// after the burst low-pass has been subtracted, so that a slow change of
// posture within a burst does not count as activity; the variance form (of
// the variance statistics lines) takes the raw samples instead. The mean is always that of
// the samples as given, in integer arithmetic.

#include <cmath>

#include "common/console.h"
#include "dsp/burst_dsp.h"

namespace dec {

namespace {

struct Sums {
    double sum = 0;
    double sum_sq = 0;
    int32_t int_sum = 0;
};

// Sum, sum of squares (of the samples, or of the samples minus their
// low-pass) and integer sum of the first A axes.
template <int A>
void sum_axes(int32_t n, const BurstSamples& burst, const double* const* lows, bool variance_form,
              Sums* sums) {
    for (int32_t j = 0; j < n; ++j) {
        for (int a = 0; a < A; ++a) {
            const int16_t v = burst.samples[a][j];
            const double x = variance_form ? static_cast<double>(v) : v - lows[a][j];
            sums[a].sum += x;
            sums[a].sum_sq += x * x;
            sums[a].int_sum += v;
        }
    }
}

}  // namespace

int32_t BurstDsp::calc_acc_stddev_and_mean(int8_t axes, int32_t n, const BurstSamples& burst,
                                           BurstMoments& out, bool variance_form, OutStream& log,
                                           AxesOverflowReport report) {
    if (axes > kBurstMaxAxes) {
        OutStream& where = report == AxesOverflowReport::console ? console_ : log;
        where.printf("Array for acc sums too small, please report error to %s\n", kSupportEmail);
        return -1;
    }
    // An empty burst has no mean, and the arrays end at kBurstMaxSamples.
    if (n < 1 || n > kBurstMaxSamples) {
        return -1;
    }
    // Low-pass of every axis first, side by side.
    auto low_of = [&](int a) {
        return lowpass_.data() + static_cast<size_t>(a) * kBurstMaxSamples;
    };
    double* lows_out[kBurstMaxAxes] = {low_of(0), low_of(1), low_of(2)};
    const int16_t* inputs[kBurstMaxAxes] = {burst.samples[0], burst.samples[1], burst.samples[2]};
    if (!variance_form &&
        filter_fb_axes(axes, n, inputs, lows_out, kFilterRelativeCutoff, log) != 0) {
        if constexpr (kDspDebugLevel > 10) {
            log.put("Error in filter_fb.\n");
        }
        return -1;
    }

    // The sums run over j in order for each axis; the axes go side by side so
    // their additions overlap instead of waiting on each other.
    Sums sums[kBurstMaxAxes];
    const double* lows[kBurstMaxAxes] = {low_of(0), low_of(1), low_of(2)};
    switch (axes) {
        case 1:
            sum_axes<1>(n, burst, lows, variance_form, sums);
            break;
        case 2:
            sum_axes<2>(n, burst, lows, variance_form, sums);
            break;
        default:
            sum_axes<3>(n, burst, lows, variance_form, sums);
            break;
    }
    for (int a = 0; a < axes; ++a) {
        out.mean[a] = sums[a].int_sum / n;
        const double m = sums[a].sum / n;
        const double variance = (sums[a].sum_sq / n) - m * m;
        if (variance_form) {
            out.deviation[a] = variance;
        } else {
            // A high-passed burst with no movement can leave a variance a
            // rounding error below 0; its deviation is 0, not "not a number".
            out.deviation[a] = variance > 0 ? std::sqrt(variance) : 0.0;
        }
    }
    return 0;
}

BurstExtremes calc_acc_max_and_min(int8_t axes, int32_t n, const BurstSamples& burst) {
    BurstExtremes r{};
    if (n > kBurstMaxSamples) {
        n = kBurstMaxSamples;
    }
    for (int a = 0; a < axes && a < kBurstMaxAxes; ++a) {
        int16_t lo = 32767;
        int16_t hi = -32767;
        for (int32_t j = 0; j < n; ++j) {
            const int16_t v = burst.samples[a][j];
            if (v < lo) {
                lo = v;
            }
            if (v > hi) {
                hi = v;
            }
        }
        r.min[a] = lo;
        r.max[a] = hi;
    }
    return r;
}

}  // namespace dec
