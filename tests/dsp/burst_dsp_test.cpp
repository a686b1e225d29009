// The burst-signal processor: low-pass and high-pass filtering, spectra and
// per-axis statistics, with one processor writing to strings and the signals
// and output checks its tests share.
#include "dsp/burst_dsp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <numbers>
#include <numeric>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "common/fatal.h"
#include "common/outstream.h"
#include "dsp/exact_trig.h"
#include "testsupport/capture.h"

namespace dec {
namespace {

// Marks output that must stay unwritten.
constexpr double kSentinel = -12345.5;
constexpr int16_t kBinSentinel = -12345;

class BurstDspTest : public ::testing::Test {
  protected:
    // Low-pass of `x`; two sentinels past its end catch writes beyond n.
    std::vector<double> lowpass(const std::vector<int16_t>& x) {
        std::vector<double> out(x.size() + 2, kSentinel);
        EXPECT_EQ(dsp.filter_fb(static_cast<int32_t>(x.size()), x.data(), out.data(), kFilterRelativeCutoff, log), 0);
        return unwritten_tail(out, x.size());
    }

    // Spectrum of `x` as printed: bins 0..n/2, nothing written past them.
    std::vector<int16_t> spectrum(const std::vector<int16_t>& x) {
        std::vector<int16_t> out(x.size() / 2 + 3, kBinSentinel);
        dsp.acc_dft(x.data(), static_cast<int32_t>(x.size()), out.data());
        EXPECT_EQ(out[x.size() / 2 + 1], kBinSentinel);
        EXPECT_EQ(out[x.size() / 2 + 2], kBinSentinel);
        out.resize(x.size() / 2 + 1);
        return out;
    }

    static std::vector<double> unwritten_tail(std::vector<double>& out, size_t n) {
        EXPECT_EQ(out[n], kSentinel);
        EXPECT_EQ(out[n + 1], kSentinel);
        out.resize(n);
        return out;
    }

    // round(offset + amplitude sin(2 pi j cycles / n)) for j = 0..n-1.
    static std::vector<int16_t> sine(int n, double cycles, double amplitude, double offset) {
        std::vector<int16_t> x(static_cast<size_t>(n));
        for (int j = 0; j < n; ++j) {
            x[static_cast<size_t>(j)] =
                static_cast<int16_t>(std::lround(offset + amplitude * std::sin(2 * std::numbers::pi * cycles * j / n)));
        }
        return x;
    }

    // n pseudo-random samples in [-range, range), drawn from `state`.
    static std::vector<int16_t> noise(int n, uint32_t& state, int range) {
        std::vector<int16_t> x(static_cast<size_t>(n));
        for (int16_t& v : x) {
            state = state * 1103515245u + 12345u;
            v = static_cast<int16_t>(static_cast<int>((state >> 16) % static_cast<uint32_t>(2 * range)) - range);
        }
        return x;
    }

    void fill(const std::vector<std::vector<int16_t>>& axes) {
        burst.clear();
        burst.axes = static_cast<int8_t>(axes.size());
        for (size_t a = 0; a < axes.size(); ++a) {
            for (size_t j = 0; j < axes[a].size(); ++j) {
                burst.samples[a][j] = axes[a][j];
            }
            burst.count[a] = static_cast<int32_t>(axes[a].size());
        }
    }

    int32_t stats(int32_t axes, int32_t n, bool variance, AxesOverflowReport where = AxesOverflowReport::console) {
        return dsp.calc_acc_stddev_and_mean(axes, n, burst, moments, variance, log, where);
    }

    std::string console_text;
    std::string log_text;
    OutStream console{&console_text};
    OutStream log{&log_text};
    BurstDsp dsp{console};
    BurstSamples burst{};
    BurstMoments moments{};
};

// The passes start on a single value and fade in over 18 samples, short
// against the filter's memory at this cut-off.
constexpr size_t kSettle = 100;

// Bursts of at most 36 samples are replaced by their mean; longer constant
// bursts (37 is the shortest filtered one, 3000 longer than any decoded burst)
// stay constant with a zero high-pass; an empty burst writes nothing.
TEST_F(BurstDspTest, FilterConstantShortAndEmptyBursts) {
    std::vector<int16_t> ramp36(36);
    std::iota(ramp36.begin(), ramp36.end(), 0);
    const std::pair<std::vector<int16_t>, double> cases[] = {{{5}, 5.0},
                                                             {{-7}, -7.0},
                                                             {{1, 2}, 1.5},
                                                             {{-1, -2}, -1.5},
                                                             {ramp36, 17.5},
                                                             {std::vector<int16_t>(37, 1234), 1234},
                                                             {std::vector<int16_t>(100, -2047), -2047},
                                                             {std::vector<int16_t>(500, 0), 0},
                                                             {std::vector<int16_t>(2000, 4095), 4095},
                                                             {std::vector<int16_t>(3000, 17), 17},
                                                             {{}, 0}};
    for (const auto& [x, mean] : cases) {
        SCOPED_TRACE(x.size());
        const std::vector<double> out = lowpass(x);
        for (size_t i = 0; i < out.size(); ++i) {
            ASSERT_NEAR(out[i], mean, x.size() <= 36 ? 0.0 : 1e-6) << "sample " << i;
            if (x.size() > 36) {
                ASSERT_EQ(trunc_to_s16(x[i] - out[i]), 0) << "sample " << i;
            }
        }
    }
    console.flush();
    log.flush();
    EXPECT_EQ(console_text + log_text, "");
}

// Zero phase, unit gain at zero frequency, and the squared magnitude of one
// pass (-3 dB at the cut-off): a tone at the cut-off comes out at half its
// amplitude in phase, a tenth of it passes whole, ten times it leaves only the
// offset, and the interior of a ramp is unchanged. The ends carry start-up
// transients, so only the samples at least kSettle from either end count.
TEST_F(BurstDspTest, FilterResponseToTonesAndRamps) {
    std::vector<int16_t> ramp;
    for (int j = 0; j < 400; ++j) {
        ramp.push_back(static_cast<int16_t>(3 * j - 600));
    }
    const std::vector<int16_t> at_cutoff = sine(2000, 2000 * kFilterRelativeCutoff, 1000, 0);
    const std::vector<int16_t> slow = sine(2000, 2, 1000, 200), fast = sine(400, 40, 1000, 200);
    const std::vector<int16_t> copy = fast;
    const std::vector<double> out_cutoff = lowpass(at_cutoff), out_slow = lowpass(slow), out_fast = lowpass(fast),
                              out_ramp = lowpass(ramp);
    EXPECT_EQ(fast, copy);
    for (size_t i = kSettle; i + kSettle < 2000; ++i) {
        ASSERT_NEAR(out_slow[i], slow[i], 10.0) << i;
        if (i >= 3 * kSettle && i + 3 * kSettle < 2000) {
            ASSERT_NEAR(out_cutoff[i], 0.5 * at_cutoff[i], 5.0) << i;
        }
    }
    for (size_t i = kSettle; i + kSettle < 400; ++i) {
        ASSERT_NEAR(out_fast[i], 200.0, 1.0) << i;
        ASSERT_NEAR(trunc_to_s16(fast[i] - out_fast[i]), fast[i] - 200, 1.0) << i;
        ASSERT_NEAR(out_ramp[i], ramp[i], 0.5) << i;
    }
    // 37 samples: the extension reaches exactly the last sample; a step in the
    // middle is filtered, not replaced by its mean, and stays finite.
    std::vector<int16_t> step(37, 0);
    std::fill(step.begin() + 19, step.end(), 1000);
    const std::vector<double> out = lowpass(step);
    for (double v : out) {
        ASSERT_LT(std::fabs(v - 500.0), 1000.0);
    }
    EXPECT_LT(out[0], out[36]);
    // The filter step of the decoders writes the truncated low or high pass.
    std::vector<int16_t> low = sine(400, 40, 1000, 301);
    EXPECT_EQ(dsp.apply_filter(low.data(), 400, true, log), 0);
    for (size_t i = kSettle; i < low.size() - kSettle; ++i) {
        // 301 minus a rounding residue truncates to 300 or stays 301.
        EXPECT_TRUE(low[i] == 300 || low[i] == 301) << low[i];
    }
    std::vector<int16_t> high = {5, 6, 8};  // too short: the mean 6.33 is removed
    EXPECT_EQ(dsp.apply_filter(high.data(), 3, false, log), 0);
    EXPECT_EQ(high, (std::vector<int16_t>{-1, 0, 1}));
}

// A section with a = (4, 0, 0), b = (1, 2, 1) is the plain smoother
// 0.25 x[i] + 0.5 x[i-1] + 0.25 x[i-2], which makes the pass easy to follow.
TEST_F(BurstDspTest, FilterBiquadPassRunsSmootherAndFadesIn) {
    std::vector<double> data(120, 0.0);
    data[30] = 4;  // past the fade
    data[9] = 4;   // inside the fade: weight 2*9/36 = 0.5, then 20/36, 22/36
    EXPECT_EQ(biquad_pass(4, 0, 0, 1, 2, 1, data.data(), 120, 0, console), 0);
    const double forward[][2] = {{9, 4 + (-0.75 * 4) * 0.5},
                                 {10, (0.5 * 4) * (20.0 / 36.0)},
                                 {11, (0.25 * 4) * (22.0 / 36.0)},
                                 {12, 0},
                                 {30, 1},
                                 {31, 2},
                                 {32, 1},
                                 {33, 0}};
    for (const auto& [i, v] : forward) {
        EXPECT_DOUBLE_EQ(data[static_cast<size_t>(i)], v) << i;
    }
    // Backward: the smoothing runs towards lower indices.
    std::vector<double> back(120, 0.0);
    back[80] = 4;
    EXPECT_EQ(biquad_pass(4, 0, 0, 1, 2, 1, back.data(), 120, 1, console), 0);
    EXPECT_EQ(std::vector<double>(back.begin() + 77, back.begin() + 82), (std::vector<double>{0, 1, 2, 1, 0}));
    // Fewer than 108 values are refused and left as they are.
    std::vector<double> short_data(107, 3.0);
    EXPECT_EQ(biquad_pass(4, 0, 0, 1, 2, 1, short_data.data(), 107, 0, console), -1);
    console.flush();
    EXPECT_EQ(console_text,
              "Reverse Filter algorithm expects>3*NR_OF_EXTPOL_SAMPLES values\n"
              "instead of 107 values.");
    EXPECT_EQ(short_data, std::vector<double>(107, 3.0));
}

// The filter runs its five sections in one sweep per direction; the result
// must be bit for bit that of the ten single-section passes of biquad_pass,
// with the Bessel sections pre-warped to the cut-off.
TEST_F(BurstDspTest, FilterCascadeEqualsTenSingleSectionPasses) {
    struct Section {
        double c, b, two_c;
    };
    const Section sections[] = {{0.1665120346, 0.2883178863, 0.3330240692},
                                {0.2059085187, 0.560356263, 0.4118170374},
                                {0.2351447856, 0.7815320259, 0.4702895712},
                                {0.2549335624, 0.9392753026, 0.5098671248},
                                {0.2649638621, 1.0214991164, 0.5299277242}};
    for (int n : {37, 53, 160, 2000}) {
        uint32_t r = 12345u * static_cast<uint32_t>(n);
        const std::vector<int16_t> x = noise(n, r, 2048);
        const std::vector<double> fused = lowpass(x);

        // The burst extended at both ends by its point reflection.
        const size_t e = NR_OF_EXTPOL_SAMPLES, m = x.size();
        std::vector<double> buf(e, 0.0);
        buf.insert(buf.end(), x.begin(), x.end());
        buf.resize(m + 2 * e);
        for (size_t k = 1; k <= e; ++k) {
            buf[e - k] = 2 * buf[e] - buf[e + k];
            buf[m + e - 1 + k] = 2 * buf[m + e - 1] - buf[m + e - 1 - k];
        }
        const double pi = 4 * std::asin(0.5 * std::sqrt(2.0));
        const double omega = std::tan(pi * kFilterRelativeCutoff);
        for (int reverse = 0; reverse <= 1; ++reverse) {
            for (const Section& q : sections) {
                const double a0 = (1 + q.b / omega) + (q.c / omega) / omega;
                const double a1 = 2 - (q.two_c / omega) / omega;
                const double a2 = (1 - q.b / omega) + (q.c / omega) / omega;
                biquad_pass(a0, a1, a2, 1, 2, 1, buf.data(), static_cast<int32_t>(m + 2 * e), reverse, console);
            }
        }
        EXPECT_EQ(fused, std::vector<double>(buf.begin() + static_cast<long>(e), buf.end() - static_cast<long>(e)))
            << n;
    }
}

// Axes filtered side by side give, bit for bit, what each gives alone,
// including the short bursts that fall back to the mean and the filter step
// of the decoders.
TEST_F(BurstDspTest, FilterAxesSideBySideEqualEachAxisAlone) {
    uint32_t r = 777;
    for (int n : {1, 36, 37, 38, 100, 733, 2000}) {
        SCOPED_TRACE(n);
        const std::vector<int16_t> a = noise(n, r, 4096), b = noise(n, r, 32767);
        // The pair: one sentinel past each output stays.
        std::vector<double> pa(static_cast<size_t>(n) + 1, kSentinel), pb(pa), want_a = lowpass(a), want_b = lowpass(b);
        ASSERT_EQ(dsp.filter_fb_pair(n, a.data(), b.data(), pa.data(), pb.data(), kFilterRelativeCutoff, log), 0);
        want_a.push_back(kSentinel);
        want_b.push_back(kSentinel);
        EXPECT_EQ(pa, want_a);
        EXPECT_EQ(pb, want_b);
        // Three axes (in one pass where the processor has AVX), two, one.
        const std::vector<int16_t> c = noise(n, r, 900);
        const std::vector<int16_t>* inputs[3] = {&a, &b, &c};
        for (int count = 1; count <= 3; ++count) {
            SCOPED_TRACE(count);
            const std::vector<double> unwritten(static_cast<size_t>(n), kSentinel);
            std::vector<double> outs[3] = {unwritten, unwritten, unwritten};
            const int16_t* in[3] = {a.data(), b.data(), c.data()};
            double* out[3] = {outs[0].data(), outs[1].data(), outs[2].data()};
            ASSERT_EQ(dsp.filter_fb_axes(count, n, in, out, kFilterRelativeCutoff, log), 0);
            for (int i = 0; i < 3; ++i) {
                EXPECT_EQ(outs[i], i < count ? lowpass(*inputs[i]) : unwritten);
            }
            for (bool low : {true, false}) {
                std::vector<int16_t> together[3] = {a, b, c};
                int16_t* axes[3] = {together[0].data(), together[1].data(), together[2].data()};
                ASSERT_EQ(dsp.apply_filter_axes(count, axes, n, low, log), 0);
                for (int i = 0; i < 3; ++i) {
                    std::vector<int16_t> alone = *inputs[i];
                    if (i < count) {
                        ASSERT_EQ(dsp.apply_filter(alone.data(), n, low, log), 0);
                    }
                    EXPECT_EQ(together[i], alone) << "axis " << i;
                }
            }
        }
    }
}

// Axes of several bursts and lengths filtered side by side equal each alone;
// low-pass values handed in serve the next matching call only.
TEST_F(BurstDspTest, FilterStreamsOfManyBurstsEqualEachAlone) {
    if (!dsp.filters_streams()) {
        GTEST_SKIP() << "no vector lanes on this processor";
    }
    uint32_t r = 31;
    const std::vector<int32_t> lengths = {37, 162, 54, 162, 2000, 162, 162, 54, 162, 81};
    std::vector<std::vector<int16_t>> x(lengths.size());
    std::vector<std::vector<double>> out(lengths.size());
    std::vector<const int16_t*> in;
    std::vector<double*> to;
    for (size_t i = 0; i < lengths.size(); ++i) {
        x[i] = noise(lengths[i], r, 32767);
        out[i].assign(x[i].size() + 1, kSentinel);
        in.push_back(x[i].data());
        to.push_back(out[i].data());
    }
    dsp.filter_fb_streams(static_cast<int>(x.size()), lengths.data(), in.data(), to.data(), kFilterRelativeCutoff);
    for (size_t i = 0; i < x.size(); ++i) {
        std::vector<double> want = lowpass(x[i]);
        want.push_back(kSentinel);
        EXPECT_EQ(out[i], want) << "stream " << i;
    }

    const std::vector<double> sevens(162, 7.0);
    const double* provided[2] = {sevens.data(), sevens.data()};
    const int16_t* axes[2] = {x[1].data(), x[3].data()};
    std::vector<double> a(162), b(162);
    double* outs[2] = {a.data(), b.data()};
    // The matching call, then others; each next call filters again.
    for (const auto& [count, n] : {std::pair{2, 162}, std::pair{1, 162}, std::pair{2, 161}}) {
        dsp.provide_lowpass(2, 162, provided);
        ASSERT_EQ(dsp.filter_fb_axes(count, n, axes, outs, kFilterRelativeCutoff, log), 0);
        EXPECT_EQ(a[0], count == 2 && n == 162 ? 7.0 : lowpass({x[1].begin(), x[1].begin() + n})[0]);
        ASSERT_EQ(dsp.filter_fb_axes(2, 162, axes, outs, kFilterRelativeCutoff, log), 0);
        EXPECT_EQ(b, lowpass(x[3]));
    }
}

// Samples and spectrum values truncate toward zero and keep the low 16 bits;
// spectrum values are separated by commas and end a line when asked.
TEST(TruncToS16, SamplesAndSpectrumValues) {
    const std::pair<double, int16_t> cases[] = {
        {0.0, 0},           {1.9, 1},          {-1.9, -1},   {-0.5, 0},      {499.9999, 499}, {32767.9, 32767},
        {-32768.5, -32768}, {32768.0, -32768}, {65537.2, 1}, {-65537.2, -1}, {1e12, 0},       {std::nan(""), 0},
    };
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(trunc_to_s16(in), out) << in;
    }
    const std::tuple<std::vector<int16_t>, bool, const char*> spectra[] = {
        {{3, 0, 12}, true, "3,0,12\n"},
        {{3, 0, 12}, false, "3,0,12,"},
        {{1999}, true, "1999\n"},
        {{32767, -25536}, false, "32767,-25536,"},
    };
    for (const auto& [bins, ends_line, text] : spectra) {
        EXPECT_EQ(testing::capture([&](OutStream& o) {
                      write_spectrum_values(o, bins.data(), static_cast<int32_t>(bins.size()), ends_line);
                  }),
                  text);
    }
}

// A pure tone shows half its amplitude in its bin, the Nyquist bin of an even
// length the whole amplitude, a constant only bin zero.
TEST_F(BurstDspTest, DftTonesAndConstants) {
    const struct {
        std::vector<int16_t> x;
        std::vector<std::pair<size_t, double>> peaks;  // all other bins 0
    } cases[] = {
        {sine(64, 5, 1000, 1500), {{0, 1500}, {5, 500}}},
        {sine(13, 3, 1000, 1500), {{0, 1500}, {3, 500}}},
        {sine(100, 49, 1000, 1500), {{0, 1500}, {49, 500}}},
        {sine(400, 17, 1000, 1500), {{0, 1500}, {17, 500}}},
        {{300, -300, 300, -300, 300, -300, 300, -300, 300, -300, 300, -300}, {{6, 300}}},
        {std::vector<int16_t>(13, -2000), {{0, 2000}}},
        {{-5}, {{0, 5}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.x.size());
        std::vector<int16_t> s = spectrum(c.x);
        for (const auto& [bin, magnitude] : c.peaks) {
            EXPECT_NEAR(s[bin], magnitude, 1.0) << bin;
            s[bin] = 0;
        }
        for (size_t k = 0; k < s.size(); ++k) {
            EXPECT_EQ(s[k], 0) << "bin " << k;
        }
    }
}

// The tag software's printed spectrum of length n, from its tables: cos and -sin
// of phi = (j * (k * two_pi)) / n, correctly rounded, each bin's sums over j in
// order. Eight bins are summed side by side (each still in order), which keeps
// the full sweep to minutes.
class TableOrderSpectrum {
  public:
    explicit TableOrderSpectrum(int n)
        : bins_(n / 2 + 1), rows_((bins_ + kLanes - 1) / kLanes * kLanes), cos_(rows_ * size_t(n)), sin_(cos_.size()) {
        const double two_pi = 2 * (4 * std::asin(0.5 * std::sqrt(2.0)));
        for (int k = 0; k < bins_; ++k) {
            for (int j = 0; j < n; ++j) {
                const SinCos root = exact_sincos((j * (k * two_pi)) / n);
                cos_[size_t(k) * size_t(n) + size_t(j)] = root.cos;
                sin_[size_t(k) * size_t(n) + size_t(j)] = -root.sin;
            }
        }
    }

    std::vector<int16_t> operator()(const std::vector<int16_t>& x) const {
        std::vector<int16_t> out(static_cast<size_t>(bins_));
        for (size_t k0 = 0; k0 < rows_; k0 += kLanes) {
            double re[kLanes] = {}, im[kLanes] = {};
            for (size_t j = 0; j < x.size(); ++j) {
                for (size_t b = 0; b < kLanes; ++b) {
                    re[b] += x[j] * cos_[(k0 + b) * x.size() + j];
                    im[b] += x[j] * sin_[(k0 + b) * x.size() + j];
                }
            }
            for (size_t b = 0; b < kLanes && k0 + b < out.size(); ++b) {
                out[k0 + b] = trunc_to_s16(std::sqrt(im[b] * im[b] + re[b] * re[b]) / static_cast<int>(x.size()));
            }
        }
        return out;
    }

  private:
    static constexpr size_t kLanes = 8;
    int bins_;
    size_t rows_;
    std::vector<double> cos_, sin_;
};

// Burst `i` of length n. Most kinds have magnitudes that are integers, where a
// value a little off truncates one lower: constants (bin 0), impulses of q n
// (every bin q), patterns of period 2, 3, 4 or 6 on a bin (a on bin n/p) over a
// constant, noise whose sum is a multiple of n (bin 0); then the extremes
// +-32768/32767 alternating or at random, and plain noise.
std::vector<int16_t> adversarial(int n, int i, uint32_t& r) {
    auto next = [&r](int lo, int hi) {  // in [lo, hi]
        r = r * 1103515245u + 12345u;
        return lo + static_cast<int>((r >> 8) % static_cast<uint32_t>(hi - lo + 1));
    };
    const auto size = static_cast<size_t>(n);
    std::vector<int16_t> x(size);
    const int qmax = std::max(1, 32767 / n);
    switch (i % 8) {
        case 0: {
            const int values[] = {1, -1, 2047, -2048, 32767, -32768, next(-32768, 32767)};
            std::fill(x.begin(), x.end(), static_cast<int16_t>(values[(i / 8 + n) % 7]));
            break;
        }
        case 1:
        case 2: {
            const int q = next(1, qmax) * (next(0, 1) != 0 ? 1 : -1);
            const int c = i % 8 == 2 ? next(-(32767 - qmax * n) / 2, (32767 - qmax * n) / 2) : 0;
            std::fill(x.begin(), x.end(), static_cast<int16_t>(c));
            x[size_t(next(0, n - 1))] = static_cast<int16_t>(std::clamp(c + q * n, -32768, 32767));
            break;
        }
        case 3:
        case 4: {
            static const std::vector<std::vector<int>> patterns = {
                {1, -1}, {2, -1, -1}, {1, 0, -1, 0}, {2, 1, -1, -2, -1, 1}};
            const auto& p = patterns[size_t(next(0, 3))];
            const int a = next(1, 8191), c = next(-8191, 8191);
            for (size_t j = 0; j < size; ++j) {
                x[j] = static_cast<int16_t>(c + a * p[j % p.size()]);
            }
            break;
        }
        case 5: {
            int64_t sum = 0;
            for (int16_t& v : x) {
                v = static_cast<int16_t>(next(-2048, 2047));
                sum += v;
            }
            x[0] = static_cast<int16_t>(x[0] - sum % n);  // |sum % n| < n <= 2000
            break;
        }
        case 6: {
            const bool alternating = next(0, 1) != 0;
            for (size_t j = 0; j < size; ++j) {
                x[j] = static_cast<int16_t>((alternating ? j % 2 != 0 : next(0, 1) != 0) ? -32768 : 32767);
            }
            break;
        }
        default: {
            const int range = next(1, 32767);
            for (int16_t& v : x) {
                v = static_cast<int16_t>(next(-range, range));
            }
        }
    }
    return x;
}

struct SweepResult {
    uint64_t bursts = 0, bins = 0, recomputed = 0, unguarded_differences = 0;
};

// `per_length` adversarial bursts of each length: every printed bin must equal
// the table-order one; also counts what the guard recomputed and how many bins
// an unguarded fast transform would have printed differently. The guard's
// tables take from `tables` (without limit when null).
SweepResult sweep(const std::vector<int>& lengths, int per_length, MemoryBudget* tables = nullptr) {
    std::string text;
    OutStream console{&text};
    BurstDsp guarded{console, tables}, unguarded{console};
    unguarded.set_exactness_guard(false);
    SweepResult result;
    uint32_t r = 2024;
    std::vector<int16_t> out(kBurstMaxSamples / 2 + 1), fast(out.size());
    for (int n : lengths) {
        const TableOrderSpectrum reference(n);
        for (int i = 0; i < per_length; ++i) {
            const std::vector<int16_t> x = adversarial(n, i, r);
            const std::vector<int16_t> want = reference(x);
            guarded.acc_dft(x.data(), n, out.data());
            unguarded.acc_dft(x.data(), n, fast.data());
            for (size_t k = 0; k < want.size(); ++k) {
                if (out[k] != want[k]) {
                    ADD_FAILURE() << "n " << n << " burst " << i << " bin " << k << ": " << out[k] << " for "
                                  << want[k];
                    return result;
                }
                result.unguarded_differences += fast[k] != want[k];
            }
            ++result.bursts;
            result.bins += want.size();
        }
    }
    result.recomputed = guarded.recomputed_bins();
    return result;
}

// Every printed bin is the tag software's, bit for bit after truncation, on
// bursts built to put magnitudes on integers, over lengths of every kind
// (primes, powers of two and their neighbours, the longest). Without the guard
// the fast transform alone prints some of these bins one lower.
TEST(DftExactness, EveryBinIsTheTableOrderValue) {
    const std::vector<int> lengths = {1,  2,  3,  4,  5,   6,   7,   8,   9,   12,  13,  16,  17,  24,   31,   32,
                                      33, 60, 64, 97, 100, 127, 128, 129, 255, 256, 360, 499, 999, 1000, 1024, 2000};
    EXPECT_GT(sweep(lengths, 40).unguarded_differences, 0u);
    // Without room for the tables every bin is summed as it comes.
    MemoryBudget none(0);
    EXPECT_GT(sweep(lengths, 40, &none).recomputed, 0u);
}

// Tags decoded side by side share the run's budget for the tables: a table is
// built only where it fits, is given back when its decoder goes, and the
// bins are the same either way.
TEST(DftExactness, TablesStayWithinTheRunsBudget) {
    constexpr int kN = 1000;
    MemoryBudget budget(TableOrder::table_bytes(kN) + 1000);
    std::string text;
    OutStream console{&text};
    std::vector<int16_t> x(kN, 5), first(kN / 2 + 1), second(first.size());
    x[17] = 2 * kN + 5;  // an impulse of 2n: every bin is 2, or a little off it
    {
        BurstDsp a{console, &budget}, b{console, &budget};
        a.acc_dft(x.data(), kN, first.data());
        EXPECT_EQ(budget.left(), 1000u);
        b.acc_dft(x.data(), kN, second.data());
        EXPECT_EQ(budget.left(), 1000u);
        EXPECT_EQ(first, second);
        // Another length drops a's table for its own, when that fits.
        std::vector<int16_t> y(kN - 1, 5);
        y[3] = 2 * (kN - 1) + 5;
        a.acc_dft(y.data(), kN - 1, first.data());
        EXPECT_EQ(budget.left(), TableOrder::table_bytes(kN) + 1000 - TableOrder::table_bytes(kN - 1));
    }
    EXPECT_EQ(budget.left(), TableOrder::table_bytes(kN) + 1000);
}

// Magnitudes of noise are almost never within the bound of an integer: the
// guard leaves its bins to the fast transform.
TEST_F(BurstDspTest, DftGuardRecomputesNoNoiseBins) {
    uint32_t r = 7;
    for (int n : {2000, 1999, 1000, 61}) {
        for (int range : {2048, 32768}) {
            spectrum(noise(n, r, range));
        }
    }
    EXPECT_EQ(dsp.recomputed_bins(), 0u);
    // After impulses (every bin summed again, then from the table whole) the
    // first noisy axis of the length is still summed whole; the next ones go
    // back to the fast transform.
    for (int n : {1000, 30}) {
        SCOPED_TRACE(n);
        std::vector<int16_t> impulse(static_cast<size_t>(n), 0);
        impulse[5] = static_cast<int16_t>(3 * n);
        for (int i = 0; i < 3; ++i) {
            spectrum(impulse);
        }
        const uint64_t before = dsp.recomputed_bins();
        spectrum(noise(n, r, 2048));
        EXPECT_EQ(dsp.recomputed_bins(), before + static_cast<uint64_t>(n / 2));
        spectrum(noise(n, r, 2048));
        spectrum(noise(n, r, 2048));
        EXPECT_EQ(dsp.recomputed_bins(), before + static_cast<uint64_t>(n / 2));
    }
}

// The full check, run by hand (an hour on one core): DEC_SPECTRUM_SWEEP=500
// runs 500 bursts of every length 1 .. 2000, a million in all; "500:1-1587"
// only the lengths 1 to 1587 (half the work), so that parts can run side by
// side.
TEST(DftExactness, SweepOfEveryLength) {
    const char* env = std::getenv("DEC_SPECTRUM_SWEEP");
    if (env == nullptr) {
        GTEST_SKIP() << "set DEC_SPECTRUM_SWEEP to the bursts per length";
    }
    int per_length = 0, first = 1, last = kBurstMaxSamples;
    ASSERT_GE(std::sscanf(env, "%d:%d-%d", &per_length, &first, &last), 1);
    std::vector<int> lengths(static_cast<size_t>(last - first + 1));
    std::iota(lengths.begin(), lengths.end(), first);
    const SweepResult result = sweep(lengths, per_length);
    std::cout << result.bursts << " bursts, " << result.bins << " bins, " << result.recomputed << " recomputed, "
              << result.unguarded_differences << " would differ unguarded\n";
}

TEST_F(BurstDspTest, DftLengthOutsideTheBurstArraysStopsTheRun) {
    for (int32_t n : {0, -3, 2001}) {
        SCOPED_TRACE(n);
        console_text.clear();
        const std::vector<int16_t> x(2001, 1);
        std::vector<int16_t> out(1001);
        try {
            dsp.acc_dft(x.data(), n, out.data());
            ADD_FAILURE() << "no stop";
        } catch (const FatalStop& stop) {
            EXPECT_EQ(stop.code, INTERNAL_ERROR);
        }
        console.flush();
        EXPECT_EQ(console_text, "Invalid matrix size\n");
    }
}

// Means truncate toward zero. In the variance form the deviation is the
// variance; otherwise the standard deviation after the high-pass, for at most
// 36 samples the plain one (their low-pass is the mean), zero and not NaN for
// a long constant burst. Axes are independent.
TEST_F(BurstDspTest, StatsMeansAndDeviationsOfKnownSequences) {
    const bool variance = true, deviation = false;
    const std::vector<int16_t> spread = {2, 4, 4, 4, 5, 5, 7, 9};
    const struct {
        std::vector<std::vector<int16_t>> axes;
        bool variance;
        std::vector<int32_t> means;
        std::vector<double> deviations;
    } cases[] = {
        {{{1, 2}}, variance, {1}, {0.25}},
        {{{-1, -2}}, variance, {-1}, {0.25}},
        {{{-300}}, variance, {-300}, {0.0}},
        {{spread}, variance, {5}, {4.0}},
        {{{77, 77, 77, 77, 77}}, variance, {77}, {0.0}},
        {{{0, 4095}}, variance, {2047}, {4095.0 * 4095.0 / 4.0}},
        {{spread, std::vector<int16_t>(8, 10), {-1, 1, -1, 1, -1, 1, -1, 1}}, deviation, {5, 10, 0}, {2.0, 0.0, 1.0}},
        {{std::vector<int16_t>(500, 1234)}, deviation, {1234}, {0.0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.axes[0].size());
        fill(c.axes);
        const auto axes = static_cast<int32_t>(c.axes.size()), n = static_cast<int32_t>(c.axes[0].size());
        ASSERT_EQ(stats(axes, n, c.variance), 0);
        for (size_t a = 0; a < c.axes.size(); ++a) {
            EXPECT_EQ(moments.mean[a], c.means[a]);
            EXPECT_NEAR(moments.deviation[a], c.deviations[a], n > 36 ? 1e-4 : 1e-12 * std::max(1.0, c.deviations[a]));
        }
    }
    // A slow drift does not count as movement. A drift of 2 per sample plus an
    // alternation of +-100: the high-pass keeps only the alternation (standard
    // deviation 100); the variance form sees both.
    std::vector<int16_t> x;
    // (The ends of the burst carry a little of the filter's start-up, hence the
    // long burst and the tolerance.)
    for (int j = 0; j < 2000; ++j) {
        x.push_back(static_cast<int16_t>(1000 + 2 * j + ((j % 2) != 0 ? -100 : 100)));
    }
    fill({x});
    ASSERT_EQ(stats(1, 2000, false), 0);
    EXPECT_EQ(moments.mean[0], 2999);  // (1000 + 4998) / 2, the alternation sums to 0
    EXPECT_NEAR(moments.deviation[0], 100.0, 1.5);

    ASSERT_EQ(stats(1, 2000, true), 0);
    // The drift alone has variance 2^2 (2000^2 - 1) / 12 = 1333333.
    EXPECT_GT(moments.deviation[0], 1333333.0);
}

// Four axes are reported where the caller says; an empty or oversized burst
// is refused instead of dividing by zero.
TEST_F(BurstDspTest, StatsRefusesTooManyAxesAndBadLengths) {
    fill({{1, 2}, {2}, {3}});
    EXPECT_EQ(stats(1, 0, false), -1);
    EXPECT_EQ(stats(1, kBurstMaxSamples + 1, false), -1);
    const std::string message = "Array for acc sums too small, please report error to support@tavro.example\n";
    for (AxesOverflowReport where : {AxesOverflowReport::console, AxesOverflowReport::log}) {
        console_text.clear();
        log_text.clear();
        EXPECT_EQ(stats(4, 1, false, where), -1);
        console.flush();
        log.flush();
        EXPECT_EQ(console_text, where == AxesOverflowReport::console ? message : "");
        EXPECT_EQ(log_text, where == AxesOverflowReport::log ? message : "");
    }
}

TEST_F(BurstDspTest, StatsMinimumAndMaximumPerAxis) {
    fill({{3, -7, 12, 0}, {-32768, -32768, -32768, -32768}, {32767, 5, 32767, 6}});
    // Minimum and maximum of each axis in turn. The maximum starts at -32767,
    // so an axis stuck at -32768 keeps that start; only the first n samples
    // count, with none the start values remain.
    auto extremes = [&](int8_t axes, int32_t n) {
        const BurstExtremes e = calc_acc_max_and_min(axes, n, burst);
        std::vector<int> v;
        for (int a = 0; a < axes; ++a) {
            v.insert(v.end(), {e.min[a], e.max[a]});
        }
        return v;
    };
    EXPECT_EQ(extremes(3, 4), (std::vector<int>{-7, 12, -32768, -32767, 5, 32767}));
    EXPECT_EQ(extremes(1, 2), (std::vector<int>{-7, 3}));
    EXPECT_EQ(extremes(1, 0), (std::vector<int>{32767, -32767}));
}

}  // namespace
}  // namespace dec
