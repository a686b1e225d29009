#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "burst_dsp_fixture.h"

namespace dec {
namespace {

// The passes start on a single value and fade in over 18 samples, short
// against the filter's memory at this cut-off.
constexpr size_t kSettle = 100;

using FilterTest = BurstDspTest;

// Bursts of at most 36 samples are replaced by their mean; longer constant
// bursts (37 is the shortest filtered one, 3000 longer than any decoded burst)
// stay constant with a zero high-pass; an empty burst writes nothing.
TEST_F(FilterTest, ConstantShortAndEmptyBursts) {
    std::vector<int16_t> ramp36;
    for (int16_t j = 0; j < 36; ++j) {
        ramp36.push_back(j);
    }
    const std::pair<std::vector<int16_t>, double> cases[] = {
        {{5}, 5.0}, {{-7}, -7.0}, {{1, 2}, 1.5}, {{-1, -2}, -1.5}, {ramp36, 17.5},
        {std::vector<int16_t>(37, 1234), 1234}, {std::vector<int16_t>(100, -2047), -2047},
        {std::vector<int16_t>(500, 0), 0}, {std::vector<int16_t>(2000, 4095), 4095},
        {std::vector<int16_t>(3000, 17), 17}};
    for (const auto& [x, mean] : cases) {
        SCOPED_TRACE(x.size());
        int32_t rc = -9;
        const std::vector<double> out = lowpass(x, &rc);
        EXPECT_EQ(rc, 0);
        for (size_t i = 0; i < out.size(); ++i) {
            ASSERT_NEAR(out[i], mean, x.size() <= 36 ? 0.0 : 1e-6) << "sample " << i;
            if (x.size() > 36) {
                ASSERT_EQ(trunc_to_s16(x[i] - out[i]), 0) << "sample " << i;
            }
        }
    }
    std::vector<double> out(3, kSentinel);
    EXPECT_EQ(dsp.filter_fb(0, ramp36.data(), out.data(), kFilterRelativeCutoff, log), 0);
    EXPECT_EQ(out, std::vector<double>(3, kSentinel));
    console.flush();
    log.flush();
    EXPECT_EQ(console_text + log_text, "");
}

// Zero phase, unit gain at zero frequency, and the squared magnitude of one
// pass (-3 dB at the cut-off): a tone at the cut-off comes out at half its
// amplitude in phase, a tenth of it passes whole, ten times it leaves only the
// offset, and the interior of a ramp is unchanged. The ends carry start-up
// transients, so only the samples at least kSettle from either end count.
TEST_F(FilterTest, ResponseToTonesAndRamps) {
    std::vector<int16_t> ramp;
    for (int j = 0; j < 400; ++j) {
        ramp.push_back(static_cast<int16_t>(3 * j - 600));
    }
    const std::vector<int16_t> at_cutoff = sine(2000, 2000 * kFilterRelativeCutoff, 1000, 0);
    const std::vector<int16_t> slow = sine(2000, 2, 1000, 200), fast = sine(400, 40, 1000, 200);
    const std::vector<int16_t> copy = fast;
    const std::vector<double> out_cutoff = lowpass(at_cutoff), out_slow = lowpass(slow),
                              out_fast = lowpass(fast), out_ramp = lowpass(ramp);
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
}

TEST_F(FilterTest, ApplyFilterWritesTruncatedLowAndHighPass) {
    std::vector<int16_t> fast = sine(400, 40, 1000, 301);
    std::vector<int16_t> low = fast;
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
TEST_F(FilterTest, BiquadPassRunsSmootherAndFadesIn) {
    std::vector<double> data(120, 0.0);
    data[30] = 4;  // past the fade
    data[9] = 4;   // inside the fade: weight 2*9/36 = 0.5, then 20/36, 22/36
    EXPECT_EQ(biquad_pass(4, 0, 0, 1, 2, 1, data.data(), 120, 0, console), 0);
    const double forward[][2] = {{9, 4 + (-0.75 * 4) * 0.5}, {10, (0.5 * 4) * (20.0 / 36.0)},
                                 {11, (0.25 * 4) * (22.0 / 36.0)}, {12, 0}, {30, 1}, {31, 2}, {32, 1}, {33, 0}};
    for (const auto& [i, v] : forward) {
        EXPECT_DOUBLE_EQ(data[static_cast<size_t>(i)], v) << i;
    }
    // Backward: the smoothing runs towards lower indices.
    std::vector<double> back(120, 0.0);
    back[80] = 4;
    EXPECT_EQ(biquad_pass(4, 0, 0, 1, 2, 1, back.data(), 120, 1, console), 0);
    EXPECT_EQ(std::vector<double>(back.begin() + 77, back.begin() + 82), (std::vector<double>{0, 1, 2, 1, 0}));
}

TEST_F(FilterTest, BiquadPassRefusesFewerThan108Values) {
    std::vector<double> data(107, 3.0);
    EXPECT_EQ(biquad_pass(4, 0, 0, 1, 2, 1, data.data(), 107, 0, console), -1);
    console.flush();
    EXPECT_EQ(console_text,
              "Reverse Filter algorithm expects>3*NR_OF_EXTPOL_SAMPLES values\n"
              "instead of 107 values.");
    for (double v : data) {
        EXPECT_EQ(v, 3.0);
    }
}

// The filter runs its five sections in one sweep per direction; the result
// must be bit for bit that of the ten single-section passes of biquad_pass,
// with the Bessel sections pre-warped to the cut-off.
TEST_F(FilterTest, CascadeEqualsTenSingleSectionPasses) {
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
        EXPECT_EQ(fused, std::vector<double>(buf.begin() + static_cast<long>(e), buf.end() - static_cast<long>(e))) << n;
    }
}

// Axes filtered side by side give, bit for bit, what each gives alone,
// including the short bursts that fall back to the mean and the filter step
// of the decoders.
TEST_F(FilterTest, AxesSideBySideEqualEachAxisAlone) {
    uint32_t r = 777;
    for (int n : {1, 36, 37, 38, 100, 733, 2000}) {
        SCOPED_TRACE(n);
        const std::vector<int16_t> a = noise(n, r, 4096), b = noise(n, r, 32767);
        std::vector<double> pa(static_cast<size_t>(n) + 1, kSentinel), pb(pa);
        ASSERT_EQ(dsp.filter_fb_pair(n, a.data(), b.data(), pa.data(), pb.data(), kFilterRelativeCutoff, log), 0);
        EXPECT_EQ(pa.back(), kSentinel);
        EXPECT_EQ(pb.back(), kSentinel);
        pa.pop_back();
        pb.pop_back();
        EXPECT_EQ(pa, lowpass(a));
        EXPECT_EQ(pb, lowpass(b));
        // Three axes (in one pass where the processor has AVX), two, one.
        const std::vector<int16_t> c = noise(n, r, 900);
        const std::vector<int16_t>* inputs[3] = {&a, &b, &c};
        for (int count = 1; count <= 3; ++count) {
            SCOPED_TRACE(count);
            std::vector<double> outs[3];
            const int16_t* in[3];
            double* out[3];
            for (int i = 0; i < 3; ++i) {
                outs[i].assign(static_cast<size_t>(n), kSentinel);
                in[i] = inputs[i]->data();
                out[i] = outs[i].data();
            }
            ASSERT_EQ(dsp.filter_fb_axes(count, n, in, out, kFilterRelativeCutoff, log), 0);
            for (int i = 0; i < 3; ++i) {
                EXPECT_EQ(outs[i], i < count ? lowpass(*inputs[i]) : std::vector<double>(static_cast<size_t>(n), kSentinel));
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

TEST(TruncToS16, TruncatesTowardZeroAndKeepsLow16Bits) {
    struct Case {
        double in;
        int16_t out;
    };
    const Case cases[] = {
        {0.0, 0},         {1.9, 1},          {-1.9, -1},       {-0.5, 0},       {499.9999, 499},
        {32767.9, 32767}, {-32768.5, -32768}, {32768.0, -32768}, {65537.2, 1},    {-65537.2, -1},
        {1e12, 0},        {std::nan(""), 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(trunc_to_s16(c.in), c.out) << c.in;
    }
}

}  // namespace
}  // namespace dec
