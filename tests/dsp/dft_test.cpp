#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <string>
#include <utility>
#include <vector>

#include "common/fatal.h"
#include "common/outstream.h"
#include "dsp/burst_dsp.h"
#include "dsp/dft_kernels.h"

namespace dec {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kSentinel = -12345.5;

class DftTest : public ::testing::Test {
protected:
    // Spectrum of x; checks that nothing past bin n/2 is written.
    std::vector<double> spectrum(const std::vector<int16_t>& x) {
        const size_t bins = x.size() / 2 + 1;
        std::vector<double> out(bins + 2, kSentinel);
        dsp.acc_dft(x.data(), static_cast<int32_t>(x.size()), out.data());
        EXPECT_EQ(out[bins], kSentinel);
        EXPECT_EQ(out[bins + 1], kSentinel);
        out.resize(bins);
        return out;
    }

    static std::vector<int16_t> tone(int n, int bin, double amplitude, double offset) {
        std::vector<int16_t> x(static_cast<size_t>(n));
        for (int j = 0; j < n; ++j) {
            x[static_cast<size_t>(j)] =
                static_cast<int16_t>(std::lround(offset + amplitude * std::sin(2 * kPi * bin * j / n)));
        }
        return x;
    }

    // The fatal stop's exit code (0 when there was none) and the console text.
    int stop_code(int32_t n) {
        std::vector<int16_t> x(static_cast<size_t>(n > 0 ? n : 1), 1);
        std::vector<double> out(x.size() / 2 + 1);
        try {
            dsp.acc_dft(x.data(), n, out.data());
        } catch (const FatalStop& stop) {
            return stop.code;
        }
        return 0;
    }

    std::string console_text;
    OutStream console{&console_text};
    BurstDsp dsp{console};
};

TEST_F(DftTest, BinCountIsHalfTheLengthPlusOne) {
    struct Case {
        int n;
        size_t bins;
    };
    const Case cases[] = {{1, 1}, {2, 2}, {12, 7}, {13, 7}, {36, 19}, {1000, 501}, {2000, 1001}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.n);
        EXPECT_EQ(spectrum(std::vector<int16_t>(static_cast<size_t>(c.n), 3)).size(), c.bins);
    }
}

TEST_F(DftTest, SingleSampleGivesItsMagnitude) {
    EXPECT_DOUBLE_EQ(spectrum({-5})[0], 5.0);
    EXPECT_DOUBLE_EQ(spectrum({4095})[0], 4095.0);
}

TEST_F(DftTest, ConstantBurstHasOnlyBinZero) {
    for (int n : {12, 13, 100}) {
        SCOPED_TRACE(n);
        std::vector<double> s = spectrum(std::vector<int16_t>(static_cast<size_t>(n), -2000));
        EXPECT_NEAR(s[0], 2000.0, 1e-9);
        for (size_t k = 1; k < s.size(); ++k) {
            EXPECT_LT(s[k], 1e-9) << "bin " << k;
            EXPECT_EQ(trunc_to_s16(s[k]), 0);
        }
    }
}

TEST_F(DftTest, PureToneShowsHalfItsAmplitudeInItsBin) {
    struct Case {
        int n;
        int bin;
    };
    const Case cases[] = {{64, 5}, {13, 3}, {100, 50 - 1}, {400, 17}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.n);
        std::vector<double> s = spectrum(tone(c.n, c.bin, 1000, 1500));
        EXPECT_NEAR(s[0], 1500.0, 1.0);
        EXPECT_NEAR(s[static_cast<size_t>(c.bin)], 500.0, 1.0);
        for (size_t k = 1; k < s.size(); ++k) {
            if (k != static_cast<size_t>(c.bin)) {
                EXPECT_LT(s[k], 1.0) << "bin " << k;
            }
        }
    }
}

TEST_F(DftTest, AlternatingSignalLandsInLastBin) {
    // Nyquist bin of an even length: the whole amplitude, not half of it.
    std::vector<int16_t> x;
    for (int j = 0; j < 12; ++j) {
        x.push_back(static_cast<int16_t>((j % 2) != 0 ? -300 : 300));
    }
    std::vector<double> s = spectrum(x);
    EXPECT_NEAR(s[6], 300.0, 1e-9);
    EXPECT_NEAR(s[0], 0.0, 1e-9);
}

TEST_F(DftTest, TablesFollowTheBurstLength) {
    // Alternating lengths must not reuse the tables of the previous one.
    std::vector<double> first = spectrum(tone(64, 5, 1000, 0));
    spectrum(tone(13, 2, 1000, 0));
    std::vector<double> again = spectrum(tone(64, 5, 1000, 0));
    EXPECT_EQ(first, again);
    std::vector<double> other = spectrum(tone(64, 9, 1000, 0));
    EXPECT_NEAR(other[9], 500.0, 1.0);
    EXPECT_LT(other[5], 1.0);
}

TEST_F(DftTest, EveryBurstAxisLengthIsTransformed) {
    // Single-axis bursts of 24 or more units have more than 1000 samples; the
    // spectrum modes must handle them like any other burst.
    for (int32_t n : {1000, 1001, 1254, 2000}) {
        SCOPED_TRACE(n);
        console_text.clear();
        EXPECT_EQ(stop_code(n), 0);
        console.flush();
        EXPECT_EQ(console_text, "");
    }
}

TEST_F(DftTest, LongBurstMatchesDirectComplexEvaluation) {
    // A mix of two tones and an offset, against the textbook sum with complex
    // exponentials.
    for (int n : {1001, 2000}) {
        SCOPED_TRACE(n);
        std::vector<int16_t> x(static_cast<size_t>(n));
        for (int j = 0; j < n; ++j) {
            x[static_cast<size_t>(j)] = static_cast<int16_t>(
                std::lround(700 + 300 * std::sin(2 * kPi * 7 * j / n) + 120 * std::cos(2 * kPi * 333 * j / n) +
                            (j % 5) * 3));
        }
        std::vector<double> s = spectrum(x);
        ASSERT_EQ(s.size(), static_cast<size_t>(n / 2 + 1));
        for (size_t k = 0; k < s.size(); k += 37) {
            std::complex<double> sum = 0;
            for (int j = 0; j < n; ++j) {
                sum += static_cast<double>(x[static_cast<size_t>(j)]) *
                       std::polar(1.0, -2 * kPi * static_cast<double>(k) * j / n);
            }
            EXPECT_NEAR(s[k], std::abs(sum) / n, 1e-7) << "bin " << k;
        }
        EXPECT_NEAR(s[7], 150.0, 0.5);
        EXPECT_NEAR(s[333], 60.0, 0.5);
    }
}

// The spectrum is printed, so it must not depend on how the sums are
// scheduled: every bin equals, bit for bit, the one-bin-at-a-time sum over
// the samples in order with the table values cos(j k 2pi / n), -sin(...).
TEST_F(DftTest, EveryBinIsTheInOrderSumOfItsTableValues) {
    const double pi = 4 * std::asin(0.5 * std::sqrt(2.0));
    const double two_pi = pi * 2;
    uint32_t r = 99;
    for (int n : {1, 2, 3, 15, 16, 17, 31, 64, 129, 999, 2000}) {
        SCOPED_TRACE(n);
        std::vector<int16_t> x(static_cast<size_t>(n));
        for (int16_t& v : x) {
            r = r * 1103515245u + 12345u;
            v = static_cast<int16_t>(r >> 16);
        }
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
        EXPECT_EQ(stop_code(n), INTERNAL_ERROR);
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
        std::string text;
        {
            OutStream out(&text);
            write_spectrum_values(out, c.bins.data(), static_cast<int32_t>(c.bins.size()), c.ends_line);
        }
        EXPECT_EQ(text, c.text);
    }
}

}  // namespace
}  // namespace dec
