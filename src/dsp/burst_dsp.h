// Signal processing of acceleration bursts: the forward-backward low-pass
// filter, per-axis statistics and the amplitude spectrum.
//
// All three work on one axis of a BurstSamples at a time. The scratch memory
// they need (the filter's extended work buffer, a low-pass array and the
// transform buffers of the spectrum) lives in a BurstDsp that the caller
// creates once per tag and reuses for every burst, so decoding a burst
// allocates nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "common/outstream.h"
#include "dsp/burst.h"
#include "dsp/fft.h"
#include "dsp/lanes.h"
#include "dsp/table_order.h"

namespace dec {

// Samples extrapolated at each end of a burst before filtering, so that the
// filter has settled before it reaches the first and the last real sample.
inline constexpr int32_t NR_OF_EXTPOL_SAMPLES = 36;

// Relative cut-off frequency f3dB/fs of the burst low-pass; the block loops
// announce it with "%f" in their filter notices.
inline constexpr double kFilterRelativeCutoff = 0.01;

// Longest burst axis the spectrum accepts.

// Build-time level of the optional filter and statistics diagnostics; 0 in the
// delivered program, so none of them is written.
inline constexpr int kDspDebugLevel = 0;

// Where calc_acc_stddev_and_mean reports a burst with more axes than it has
// room for: the version-10 and generation-3 decoders on the console, the
// version-9 decoder in the tag's information stream.
enum class AxesOverflowReport { console, log };

// Per-axis results of calc_acc_stddev_and_mean.
struct BurstMoments {
    int32_t mean[kBurstMaxAxes];      // raw-sample sum / n, truncated toward zero
    double deviation[kBurstMaxAxes];  // standard deviation after high-pass, or variance
};

// Per-axis results of calc_acc_max_and_min.
struct BurstExtremes {
    int16_t min[kBurstMaxAxes];
    int16_t max[kBurstMaxAxes];
};

// One second-order section pass over data[0 .. length-1], in place: forward
// (reverse == 0) or backward. The first 18 outputs fade from the input to the
// filtered value. Returns 0, or -1 (with a console message) for fewer than
// 3 * NR_OF_EXTPOL_SAMPLES values.
int32_t biquad_pass(double a0, double a1, double a2, double b0, double b1, double b2, double* data,
                    int32_t length, int32_t reverse, OutStream& console);

// Minimum and maximum of each of the first `axes` axes over n samples; the
// minimum starts at 32767 and the maximum at -32767.
BurstExtremes calc_acc_max_and_min(int8_t axes, int32_t n, const BurstSamples& burst);

// The spectrum values of one axis as written: as "%hi", separated by ',';
// after the last one '\n' when it ends the line, ',' otherwise.
void write_spectrum_values(OutStream& out, const int16_t* bins, int32_t count, bool ends_line);

class BurstDsp {
  public:
    // `console` receives the messages that go to standard output. Spectra of
    // bursts whose bins lie on integers keep a table (table_order.h) when
    // `table_memory` has room for it, or without limit when it is null.
    explicit BurstDsp(OutStream& console, MemoryBudget* table_memory = nullptr);

    BurstDsp(const BurstDsp&) = delete;
    BurstDsp& operator=(const BurstDsp&) = delete;

    // Zero-phase low-pass of n samples with relative cut-off f into out[0 .. n-1].
    // n = 0 leaves out untouched; n <= 36 gives the mean everywhere. Returns 0,
    // or -1 ("Couldn't allocate memory.\n" to log) when a burst longer than any
    // before needs a larger work buffer and none can be had; out is then not
    // written. The samples are not changed.
    int32_t filter_fb(int32_t n, const int16_t* samples, double* out, double f, OutStream& log);
    // filter_fb of two axes at once, each result bit-identical to its own
    // filter_fb; -1 when either fails.
    int32_t filter_fb_pair(int32_t n, const int16_t* samples_a, const int16_t* samples_b,
                           double* out_a, double* out_b, double f, OutStream& log);
    // filter_fb of `count` (1 to 3) axes, as many at once as the processor
    // allows; each result bit-identical to its own filter_fb.
    int32_t filter_fb_axes(int count, int32_t n, const int16_t* const* samples, double* const* out,
                           double f, OutStream& log);

    // Whether filter_fb_streams can be used: the processor has the vector
    // lanes it needs (AVX).
    bool filters_streams() const { return lane_filter_ != nullptr; }
    // At most this many streams per filter_fb_streams call.
    static constexpr int kMaxStreams = 48;
    // Low-pass of `count` axes of any bursts, axis i of n[i] samples
    // (NR_OF_EXTPOL_SAMPLES < n[i] <= kBurstMaxSamples): axes of one length go
    // through the vector lanes four at a time, so independent recursions run
    // side by side. Each result is bit-identical to its own filter_fb.
    void filter_fb_streams(int count, const int32_t* n, const int16_t* const* samples,
                           double* const* out, double f);
    // The next filter_fb_axes call, if it is for `count` axes of n samples,
    // copies these low-pass values (from filter_fb_streams of the same samples)
    // instead of filtering; any other call forgets them.
    void provide_lowpass(int count, int32_t n, const double* const* lows);

    // The decoders' filter step for one axis: each of the n samples becomes its
    // low-pass value (lowpass) or the sample minus it (high-pass), truncated
    // toward zero. Returns filter_fb's result; on failure the samples are left
    // as they were. n may be at most kBurstMaxSamples.
    int32_t apply_filter(int16_t* samples, int32_t n, bool lowpass, OutStream& log);
    // apply_filter of `count` (1 to 3) axes at once; on failure all are left
    // as they were.
    int32_t apply_filter_axes(int count, int16_t* const* samples, int32_t n, bool lowpass,
                              OutStream& log);

    // Mean of the raw samples and, per axis, the standard deviation after the
    // burst low-pass has been subtracted, or the plain variance for
    // `variance_form`. Returns 0, or -1 for 4 or more axes (message as
    // `report` says), for n outside 1 .. kBurstMaxSamples, or when the filter
    // fails.
    int32_t calc_acc_stddev_and_mean(int8_t axes, int32_t n, const BurstSamples& burst,
                                     BurstMoments& out, bool variance_form, OutStream& log,
                                     AxesOverflowReport report);

    // Amplitude spectrum of n samples, bins 0 .. n/2 into out[0 .. n/2]:
    // |sum_j x_j e^(-2 pi i jk/n)| / n as printed, truncated by trunc_to_s16,
    // each exactly the tag software's value (dft.cpp says how). n outside
    // 1 .. 2000 (the burst array) writes "Invalid matrix size\n" to the
    // console and stops the run (exit code 17).
    void acc_dft(const int16_t* samples, int32_t n, int16_t* out);

    // For tests: without the guard every bin is the fast value truncated, even
    // where it may differ from the table-order one; and how many bins the
    // guard has summed in table order so far.
    void set_exactness_guard(bool on) { exactness_guard_ = on; }
    uint64_t recomputed_bins() const { return recomputed_bins_; }

  private:
    OutStream& console_;
    // Makes the work buffers hold n + 2 * NR_OF_EXTPOL_SAMPLES values; false
    // (after the message) when that memory cannot be had.
    bool reserve_work(int32_t n, OutStream& log);

    std::vector<double> work_;      // filter_fb: n + 2 * NR_OF_EXTPOL_SAMPLES values
    std::vector<f64x2> work_pair_;  // filter_fb_pair: as many pairs
    std::vector<double> lowpass_;   // filter output of up to kBurstMaxAxes axes
    // The transforms of the lengths met last, with the guard's bound for each:
    // bound_per_s1 S1 + bound_per_s2 S2. A tag's bursts come in a few axis
    // lengths (one per axis count, and NEWACC's), and a length's roots and
    // chirp cost several transforms to compute.
    struct Spectrum {
        SpectrumTransform transform;
        double bound_per_s1 = 0;
        double bound_per_s2 = 0;
        uint64_t last_use = 0;
    };
    static constexpr size_t kSpectra = 4;
    std::unique_ptr<Spectrum[]> spectra_;
    uint64_t spectrum_clock_ = 0;
    std::vector<double> magnitudes_;  // bins 0 .. n/2, not yet divided by n
    bool exactness_guard_ = true;
    uint64_t recomputed_bins_ = 0;
    // The bins the guard sums again, and their values.
    TableOrder table_order_;
    std::vector<int32_t> close_bins_;
    std::vector<double> table_values_;
    int32_t mostly_resummed_ = 0;  // the length, when its last axis had most bins summed again

  public:
    // Filters 1 to 4 axes of n samples (kBurstMaxSamples at most) in one pass.
    using LaneFilter = void (*)(int32_t n, int lanes, const int16_t* const* in, double* const* out,
                                double f);

  private:
    LaneFilter lane_filter_;
    // Low-pass values handed in by provide_lowpass.
    const double* provided_[kBurstMaxAxes] = {};
    int provided_count_ = 0;
    int32_t provided_n_ = 0;
};

}  // namespace dec
