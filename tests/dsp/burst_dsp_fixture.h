// One burst-signal processor writing to strings, with the signals and the
// output checks its tests share.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "common/outstream.h"
#include "dsp/burst_dsp.h"

namespace dec {

// Marks output that must stay unwritten.
inline constexpr double kSentinel = -12345.5;

class BurstDspTest : public ::testing::Test {
protected:
    // Low-pass of `x`; two sentinels past its end catch writes beyond n.
    std::vector<double> lowpass(const std::vector<int16_t>& x, int32_t* rc = nullptr) {
        std::vector<double> out(x.size() + 2, kSentinel);
        const int32_t r = dsp.filter_fb(static_cast<int32_t>(x.size()), x.data(), out.data(), kFilterRelativeCutoff, log);
        if (rc != nullptr) {
            *rc = r;
        }
        return unwritten_tail(out, x.size());
    }

    // Spectrum of `x`: bins 0..n/2, nothing written past them.
    std::vector<double> spectrum(const std::vector<int16_t>& x) {
        std::vector<double> out(x.size() / 2 + 3, kSentinel);
        dsp.acc_dft(x.data(), static_cast<int32_t>(x.size()), out.data());
        return unwritten_tail(out, x.size() / 2 + 1);
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

    std::string console_text;
    std::string log_text;
    OutStream console{&console_text};
    OutStream log{&log_text};
    BurstDsp dsp{console};
};

}  // namespace dec
