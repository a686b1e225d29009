#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "burst_dsp_fixture.h"
#include "common/fatal.h"
#include "dsp/dft_kernels.h"
#include "testsupport/capture.h"

namespace dec {
namespace {

using DftTest = BurstDspTest;

// A pure tone shows half its amplitude in its bin, the Nyquist bin of an even
// length the whole amplitude, a constant only bin zero.
TEST_F(DftTest, TonesAndConstants) {
    const struct {
        std::vector<int16_t> x;
        std::vector<std::pair<size_t, double>> peaks;  // all other bins below 1
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
        std::vector<double> s = spectrum(c.x);
        for (const auto& [bin, magnitude] : c.peaks) {
            EXPECT_NEAR(s[bin], magnitude, 1.0) << bin;
            s[bin] = 0;
        }
        for (size_t k = 0; k < s.size(); ++k) {
            EXPECT_LT(s[k], 1.0) << "bin " << k;
        }
    }
}

// The spectrum is printed, so it must not depend on how the sums are
// scheduled: every bin equals, bit for bit, the one-bin-at-a-time sum over
// the samples in order with the table values cos(j k 2pi / n), -sin(...).
// Lengths up to the longest burst axis (single-axis bursts of 24 or more units
// have more than 1000 samples), in an order that makes the tables shrink and
// grow again.
TEST_F(DftTest, EveryBinIsTheInOrderSumOfItsTableValues) {
    const double pi = 4 * std::asin(0.5 * std::sqrt(2.0));
    const double two_pi = pi * 2;
    uint32_t r = 99;
    for (int n : {64, 13, 1, 2000, 3, 999, 15, 1254, 2, 16, 17, 31, 1001, 129}) {
        SCOPED_TRACE(n);
        const std::vector<int16_t> x = noise(n, r, 32768);
        const std::vector<double> s = spectrum(x);
        for (int k = 0; k <= n / 2; ++k) {
            double re = 0, im = 0;
            for (int j = 0; j < n; ++j) {
                const double phi = (j * (k * two_pi)) / n;
                re += x[static_cast<size_t>(j)] * std::cos(phi);
                im += x[static_cast<size_t>(j)] * -std::sin(phi);
            }
            ASSERT_EQ(s[static_cast<size_t>(k)], std::sqrt(im * im + re * re) / n) << "bin " << k;
        }
    }
    console.flush();
    EXPECT_EQ(console_text, "");
}

// Each kernel (the AVX one where the processor has it) gives every bin's sums
// bit for bit as the plain in-order loop does, for any table values.
TEST(DftKernels, SumsEqualTheInOrderLoop) {
    std::vector<std::pair<const char*, DftBlockKernel>> kernels{{"sse2", &dft_block_sse2}};
    if (dft_block_avx() != nullptr) {
        kernels.emplace_back("avx", dft_block_avx());
    }
    uint32_t r = 4242;
    auto next = [&r] {
        r = r * 1103515245u + 12345u;
        return r >> 8;
    };
    for (int32_t n : {1, 2, 7, 100, 2000}) {
        const size_t stride = 3 * kDftBlock;
        std::vector<int16_t> x(static_cast<size_t>(n));
        std::vector<double> c(static_cast<size_t>(n) * stride), s(c.size());
        for (int16_t& v : x) {
            v = static_cast<int16_t>(next());
        }
        for (size_t i = 0; i < c.size(); ++i) {
            c[i] = static_cast<double>(next()) / 3.0e6 - 1.0;
            s[i] = static_cast<double>(next()) / 7.0e5 - 11.0;
        }
        for (const auto& [name, kernel] : kernels) {
            SCOPED_TRACE(name);
            double re[kDftBlock], im[kDftBlock];
            kernel(x.data(), n, c.data() + kDftBlock, s.data() + kDftBlock, stride, re, im);
            for (size_t b = 0; b < kDftBlock; ++b) {
                double want_re = 0, want_im = 0;
                for (int32_t j = 0; j < n; ++j) {
                    const size_t at = static_cast<size_t>(j) * stride + kDftBlock + b;
                    want_re += x[static_cast<size_t>(j)] * c[at];
                    want_im += x[static_cast<size_t>(j)] * s[at];
                }
                ASSERT_EQ(re[b], want_re) << "n " << n << " bin " << b;
                ASSERT_EQ(im[b], want_im) << "n " << n << " bin " << b;
            }
        }
    }
}

TEST_F(DftTest, LengthOutsideTheBurstArraysStopsTheRun) {
    for (int32_t n : {0, -3, 2001}) {
        SCOPED_TRACE(n);
        console_text.clear();
        const std::vector<int16_t> x(2001, 1);
        std::vector<double> out(1001);
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

TEST(WriteSpectrumValues, TruncatesAndSeparates) {
    struct Case {
        std::vector<double> bins;
        bool ends_line;
        const char* text;
    };
    const Case cases[] = {
        {{3.9, 0.99, 12.5}, true, "3,0,12\n"},
        {{3.9, 0.99, 12.5}, false, "3,0,12,"},
        {{1999.9999}, true, "1999\n"},
        {{32767.5, 40000.0}, false, "32767,-25536,"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(testing::capture([&](OutStream& o) {
                      write_spectrum_values(o, c.bins.data(), static_cast<int32_t>(c.bins.size()), c.ends_line);
                  }),
                  c.text);
    }
}

}  // namespace
}  // namespace dec
