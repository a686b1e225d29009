// Forward-backward low-pass filter of burst axes.
//
// The filter is a tenth-order Bessel low-pass (five second-order sections,
// bilinear transform with pre-warping, unit gain at zero frequency) run forward
// and then backward over the burst, which cancels its phase: the result has the
// squared magnitude of one pass, about -6 dB at the cut-off. Bursts are short,
// so each end is extended by NR_OF_EXTPOL_SAMPLES values reflected through the
// end sample; every pass starts its state on the first value and fades in from
// the unfiltered signal over 18 values, all inside the extension, so the real
// samples see a settled filter in both directions.
//
// The printed results are compared byte for byte with those of the tag
// software, so the arithmetic below keeps its exact order of evaluation.

#include <algorithm>
#include <cmath>
#include <new>

#include "dsp/burst_dsp.h"
#include "dsp/lanes.h"

namespace dec {

namespace {

// Analog prototype sections 1 / (c s^2 + b s + 1) of the tenth-order Bessel
// low-pass normalised to -3.01 dB at 1 rad/s, with 2c kept as its own constant.
struct BesselSection {
    double c;
    double b;
    double two_c;
};

static constexpr BesselSection kBesselSections[] = {
    {0.1665120346, 0.2883178863, 0.3330240692}, {0.2059085187, 0.560356263, 0.4118170374},
    {0.2351447856, 0.7815320259, 0.4702895712}, {0.2549335624, 0.9392753026, 0.5098671248},
    {0.2649638621, 1.0214991164, 0.5299277242},
};

// Length of the fade-in at the start of each pass.
constexpr int32_t kFadeSamples = NR_OF_EXTPOL_SAMPLES / 2;

}  // namespace

namespace {
// Up to four axes in one pass, or null where the processor has no AVX.
BurstDsp::LaneFilter lane_filter();
}  // namespace

BurstDsp::BurstDsp(OutStream& console, MemoryBudget* table_memory)
    : console_(console),
      work_(kBurstMaxSamples + 2 * NR_OF_EXTPOL_SAMPLES),
      work_pair_(kBurstMaxSamples + 2 * NR_OF_EXTPOL_SAMPLES),
      lowpass_(static_cast<size_t>(kBurstMaxAxes) * kBurstMaxSamples),
      spectra_(std::make_unique<Spectrum[]>(kSpectra)),
      magnitudes_(kBurstMaxSamples / 2 + 1),
      table_order_(table_memory),
      close_bins_(kBurstMaxSamples / 2 + 1),
      table_values_(kBurstMaxSamples / 2 + 1),
      lane_filter_(lane_filter()) {}

int32_t biquad_pass(double a0, double a1, double a2, double b0, double b1, double b2, double* data,
                    int32_t length, int32_t reverse, OutStream& console) {
    if (length < 3 * NR_OF_EXTPOL_SAMPLES) {
        console.printf(
            "Reverse Filter algorithm expects>3*NR_OF_EXTPOL_SAMPLES values\ninstead of %i values.",
            length);
        return -1;
    }
    const double B0 = b0 / a0;
    const double B1 = b1 / a0;
    const double B2 = b2 / a0;
    const double A1 = a1 / a0;
    const double A2 = a2 / a0;

    const int32_t start = reverse != 0 ? length - 1 : 0;
    const int32_t step = reverse != 0 ? -1 : 1;
    double x1 = data[start];
    double x2 = x1;
    double y1 = x1;
    double y2 = x1;
    for (int32_t k = 0; k < length; ++k) {
        double& value = data[start + step * k];
        const double x = value;
        double y;
        if (k < kFadeSamples) {
            y = x + ((B0 - 1) * x + B1 * x1 + B2 * x2 - A1 * y1 - A2 * y2) * ((2.0 * k) / 36.0);
        } else {
            y = B0 * x + B1 * x1 + B2 * x2 - A1 * y1 - A2 * y2;
        }
        value = y;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
    }
    return 0;
}

namespace {

struct SectionCoefficients {
    double B0, B1, B2, A1, A2;
};

// The five sections of one direction in a single sweep. Section s at sample k
// needs only its own state and section s-1's output at k, so running them
// together lets the processor overlap their recursions; each section computes
// exactly what biquad_pass computes for it. V is double, or f64x2 for two
// axes at once (the same operations per lane).
template <class V>
__attribute__((always_inline)) inline void cascade_pass(const SectionCoefficients (&c)[5], V* data,
                                                        int32_t length, bool reverse) {
    struct State {
        V x1, x2, y1, y2;
    } st[5];
    const int32_t start = reverse ? length - 1 : 0;
    const int32_t step = reverse ? -1 : 1;
    // Each section's state starts on the first value its pass sees; the first
    // sample goes through every section with a fade factor of 0, unchanged.
    for (State& q : st) {
        q = {data[start], data[start], data[start], data[start]};
    }
    for (int32_t k = 0; k < length; ++k) {
        V& value = data[start + step * k];
        V x = value;
        const bool fading = k < kFadeSamples;
        const double fade = (2.0 * k) / 36.0;
        for (int s = 0; s < 5; ++s) {
            const SectionCoefficients& q = c[s];
            State& z = st[s];
            V y;
            if (fading) {
                y = x +
                    ((q.B0 - 1) * x + q.B1 * z.x1 + q.B2 * z.x2 - q.A1 * z.y1 - q.A2 * z.y2) * fade;
            } else {
                y = q.B0 * x + q.B1 * z.x1 + q.B2 * z.x2 - q.A1 * z.y1 - q.A2 * z.y2;
            }
            z.x2 = z.x1;
            z.x1 = x;
            z.y2 = z.y1;
            z.y1 = y;
            x = y;
        }
        value = x;
    }
}

// Filters buf[0 .. n + 2E), whose samples stand at [E, E + n), in place.
template <class V>
__attribute__((always_inline)) inline void filter_extended(V* buf, int32_t n, double f) {
    constexpr int32_t E = NR_OF_EXTPOL_SAMPLES;
    const double pi = 4 * std::asin(0.5 * std::sqrt(2.0));
    const double omega = std::tan(pi * f);

    // Point reflection through the first and the last sample continues a
    // straight line, so a trend does not bend at the ends.
    for (int32_t k = 1; k <= E; ++k) {
        buf[E - k] = 2.0 * buf[E] - buf[E + k];
    }
    for (int32_t k = 1; k <= E; ++k) {
        buf[n + E - 1 + k] = 2.0 * buf[n + E - 1] - buf[n + E - 1 - k];
    }

    // Each section as biquad_pass(a0, a1, a2, 1, 2, 1) normalises it.
    SectionCoefficients c[5];
    for (int i = 0; i < 5; ++i) {
        const BesselSection& s = kBesselSections[i];
        const double a0 = (1 + s.b / omega) + (s.c / omega) / omega;
        const double a1 = 2 - (s.two_c / omega) / omega;
        const double a2 = (1 - s.b / omega) + (s.c / omega) / omega;
        c[i] = {1 / a0, 2 / a0, 1 / a0, a1 / a0, a2 / a0};
    }
    const int32_t length = n + 2 * E;
    cascade_pass(c, buf, length, false);
    cascade_pass(c, buf, length, true);
}

// The output for bursts too short to extend: the mean everywhere.
void fill_mean(int32_t n, const int16_t* samples, double* out, OutStream& log) {
    if constexpr (kDspDebugLevel > 1) {
        log.printf(
            "Warning: Filter algorithm expects>NR_OF_EXTPOL_SAMPLES values\ninstead of %i values. "
            "Not filtering.\n",
            n);
    } else {
        static_cast<void>(log);
    }
    int32_t sum = 0;
    for (int32_t i = 0; i < n; ++i) {
        sum += samples[i];
    }
    const double mean = static_cast<double>(sum) / n;
    for (int32_t i = 0; i < n; ++i) {
        out[i] = mean;
    }
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

// Up to four axes in the lanes of AVX registers (idle lanes filter zeros):
// with the recursions' latency as the limit, four axes cost what one does.
__attribute__((target("avx"))) void filter_lanes_avx(int32_t n, int lanes, const int16_t* const* in,
                                                     double* const* out, double f) {
    using f64x4 = double __attribute__((vector_size(32)));
    constexpr int32_t E = NR_OF_EXTPOL_SAMPLES;
    f64x4 buf[kBurstMaxSamples + 2 * E];
    for (int32_t i = 0; i < n; ++i) {
        f64x4 v = {0.0, 0.0, 0.0, 0.0};
        for (int l = 0; l < lanes; ++l) {
            v[l] = static_cast<double>(in[l][i]);
        }
        buf[E + i] = v;
    }
    filter_extended(buf, n, f);
    for (int l = 0; l < lanes; ++l) {
        for (int32_t i = 0; i < n; ++i) {
            out[l][i] = buf[E + i][l];
        }
    }
}

BurstDsp::LaneFilter lane_filter() {
    return __builtin_cpu_supports("avx") ? &filter_lanes_avx : nullptr;
}

#else

BurstDsp::LaneFilter lane_filter() {
    return nullptr;
}

#endif

}  // namespace

bool BurstDsp::reserve_work(int32_t n, OutStream& log) {
    const size_t total = static_cast<size_t>(n) + 2 * NR_OF_EXTPOL_SAMPLES;
    if (work_.size() >= total && work_pair_.size() >= total) {
        return true;
    }
    try {
        work_.resize(std::max(work_.size(), total));
        work_pair_.resize(std::max(work_pair_.size(), total));
    } catch (const std::bad_alloc&) {
        log.put("Couldn't allocate memory.\n");
        return false;
    }
    return true;
}

int32_t BurstDsp::filter_fb(int32_t n, const int16_t* samples, double* out, double f,
                            OutStream& log) {
    if (n <= 0) {
        return 0;
    }
    if (n <= NR_OF_EXTPOL_SAMPLES) {
        // Too short to extend: the best low-pass estimate is the mean.
        fill_mean(n, samples, out, log);
        return 0;
    }
    if (!reserve_work(n, log)) {
        return -1;
    }
    constexpr int32_t E = NR_OF_EXTPOL_SAMPLES;
    double* buf = work_.data();
    for (int32_t i = 0; i < n; ++i) {
        buf[E + i] = samples[i];
    }
    filter_extended(buf, n, f);
    for (int32_t i = 0; i < n; ++i) {
        out[i] = buf[E + i];
    }
    return 0;
}

int32_t BurstDsp::filter_fb_pair(int32_t n, const int16_t* samples_a, const int16_t* samples_b,
                                 double* out_a, double* out_b, double f, OutStream& log) {
    if (n <= NR_OF_EXTPOL_SAMPLES) {
        if (filter_fb(n, samples_a, out_a, f, log) != 0) {
            return -1;
        }
        return filter_fb(n, samples_b, out_b, f, log);
    }
    if (!reserve_work(n, log)) {
        return -1;
    }
    constexpr int32_t E = NR_OF_EXTPOL_SAMPLES;
    f64x2* buf = work_pair_.data();
    for (int32_t i = 0; i < n; ++i) {
        buf[E + i] = f64x2{static_cast<double>(samples_a[i]), static_cast<double>(samples_b[i])};
    }
    filter_extended(buf, n, f);
    for (int32_t i = 0; i < n; ++i) {
        out_a[i] = buf[E + i][0];
        out_b[i] = buf[E + i][1];
    }
    return 0;
}

int32_t BurstDsp::filter_fb_axes(int count, int32_t n, const int16_t* const* samples,
                                 double* const* out, double f, OutStream& log) {
    if (provided_count_ != 0) {
        const bool match = provided_count_ == count && provided_n_ == n;
        provided_count_ = 0;
        if (match) {
            for (int a = 0; a < count; ++a) {
                std::copy_n(provided_[a], n, out[a]);
            }
            return 0;
        }
    }
    if (count == 3 && n > NR_OF_EXTPOL_SAMPLES && n <= kBurstMaxSamples) {
        if (lane_filter_ != nullptr) {
            lane_filter_(n, 3, samples, out, f);
            return 0;
        }
    }
    for (int a = 0; a < count; a += 2) {
        const int32_t rc = a + 1 < count ? filter_fb_pair(n, samples[a], samples[a + 1], out[a],
                                                          out[a + 1], f, log)
                                         : filter_fb(n, samples[a], out[a], f, log);
        if (rc != 0) {
            return rc;
        }
    }
    return 0;
}

void BurstDsp::filter_fb_streams(int count, const int32_t* n, const int16_t* const* samples,
                                 double* const* out, double f) {
    // Streams of one length side by side, four at a time, in the order given.
    bool done[kMaxStreams] = {};
    for (int i = 0; i < count; ++i) {
        if (done[i]) {
            continue;
        }
        const int16_t* in[4];
        double* to[4];
        int lanes = 0;
        for (int j = i; j < count && lanes < 4; ++j) {
            if (!done[j] && n[j] == n[i]) {
                done[j] = true;
                in[lanes] = samples[j];
                to[lanes] = out[j];
                ++lanes;
            }
        }
        lane_filter_(n[i], lanes, in, to, f);
    }
}

void BurstDsp::provide_lowpass(int count, int32_t n, const double* const* lows) {
    provided_count_ = count;
    provided_n_ = n;
    for (int a = 0; a < count; ++a) {
        provided_[a] = lows[a];
    }
}

namespace {

void store_filtered(int16_t* samples, const double* low, int32_t n, bool lowpass) {
    for (int32_t i = 0; i < n; ++i) {
        samples[i] = lowpass ? trunc_to_s16(low[i]) : trunc_to_s16(samples[i] - low[i]);
    }
}

}  // namespace

int32_t BurstDsp::apply_filter(int16_t* samples, int32_t n, bool lowpass, OutStream& log) {
    if (n > kBurstMaxSamples) {
        n = kBurstMaxSamples;
    }
    double* low = lowpass_.data();
    const int32_t rc = filter_fb(n, samples, low, kFilterRelativeCutoff, log);
    if (rc != 0) {
        return rc;
    }
    store_filtered(samples, low, n, lowpass);
    return 0;
}

int32_t BurstDsp::apply_filter_axes(int count, int16_t* const* samples, int32_t n, bool lowpass,
                                    OutStream& log) {
    if (n > kBurstMaxSamples) {
        n = kBurstMaxSamples;
    }
    double* low[kBurstMaxAxes];
    for (int a = 0; a < kBurstMaxAxes; ++a) {
        low[a] = lowpass_.data() + static_cast<size_t>(a) * kBurstMaxSamples;
    }
    const int32_t rc = filter_fb_axes(count, n, samples, low, kFilterRelativeCutoff, log);
    if (rc != 0) {
        return rc;
    }
    for (int a = 0; a < count; ++a) {
        store_filtered(samples[a], low[a], n, lowpass);
    }
    return 0;
}

}  // namespace dec
