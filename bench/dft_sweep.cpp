// Per-length timings of the burst spectrum at every axis length a tag can
// record, beside FFTW's real-input transform and magnitudes when the library
// is installed (a benchmark dependency only: the decoder never links it).
//
//   dft_sweep [--all] [--lengths N,N,...]
//
// A burst of u units holds 7u - 1 sample triples (7u - 2 for NEWACC), so an
// axis has 2(7u - 1), 3(7u - 1) or 6(7u - 1) samples, or 2(7u - 2): 428
// lengths up to the longest axis. --all times every length from 1 on instead.
// Per length: the largest prime factor, microseconds per axis of this
// decoder's spectrum (exactness guard included) and of FFTW (FFTW_MEASURE
// plans), their ratio; then the geometric mean and the worst ratio. Bursts
// are noisy motion-like signals. The two are timed in turns, the fastest of
// five rounds each: a load that comes and goes slows both alike.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "common/outstream.h"
#include "dsp/burst.h"
#include "dsp/burst_dsp.h"

#ifdef DEC_HAVE_FFTW
#include <fftw3.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

std::vector<int32_t> realizable_lengths() {
    std::set<int32_t> lengths;
    for (int32_t u = 1; 2 * (7 * u - 2) <= dec::kBurstMaxSamples; ++u) {
        for (const int32_t n :
             {2 * (7 * u - 1), 3 * (7 * u - 1), 6 * (7 * u - 1), 2 * (7 * u - 2)}) {
            if (n >= 1 && n <= dec::kBurstMaxSamples) {
                lengths.insert(n);
            }
        }
    }
    return {lengths.begin(), lengths.end()};
}

int32_t largest_prime(int32_t n) {
    int32_t largest = 1;
    for (int32_t p = 2; p * p <= n; ++p) {
        while (n % p == 0) {
            largest = p;
            n /= p;
        }
    }
    return std::max(largest, n);
}

// Eight bursts of n samples: a slow swing, a faster wobble and a random walk
// around the middle of the 12-bit range.
std::vector<std::vector<int16_t>> bursts(int32_t n) {
    std::vector<std::vector<int16_t>> out(8, std::vector<int16_t>(static_cast<size_t>(n)));
    uint32_t state = 12345u + static_cast<uint32_t>(n);
    for (size_t b = 0; b < out.size(); ++b) {
        double walk = 0;
        for (int32_t j = 0; j < n; ++j) {
            state = state * 1664525u + 1013904223u;
            walk += static_cast<double>(state >> 24) / 32.0 - 4.0;
            const double v = 2048 + 600 * std::sin(0.05 * j + static_cast<double>(b)) +
                             150 * std::sin(0.9 * j) + walk;
            out[b][static_cast<size_t>(j)] = static_cast<int16_t>(std::clamp(v, 0.0, 4095.0));
        }
    }
    return out;
}

// Microseconds per call of `f` (given a burst index) over one round of at
// least 10 ms.
template <class F>
double round_per_axis(F&& f) {
    long calls = 0;
    const Clock::time_point start = Clock::now();
    double elapsed = 0;
    do {
        for (int b = 0; b < 8; ++b) {
            f(b);
        }
        calls += 8;
        elapsed = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
    } while (elapsed < 10000);
    return elapsed / static_cast<double>(calls);
}

// The fastest of five rounds of each of `a` and `b`, taken in turn so that
// both see the same load on a shared machine.
template <class A, class B>
std::pair<double, double> time_per_axis(A&& a, B&& b) {
    double best_a = 1e30, best_b = 1e30;
    for (int round = 0; round < 5; ++round) {
        best_a = std::min(best_a, round_per_axis(a));
        best_b = std::min(best_b, round_per_axis(b));
    }
    return {best_a, best_b};
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int32_t> lengths = realizable_lengths();
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--all") == 0) {
            lengths.clear();
            for (int32_t n = 1; n <= dec::kBurstMaxSamples; ++n) {
                lengths.push_back(n);
            }
        } else if (std::strcmp(argv[i], "--lengths") == 0 && i + 1 < argc) {
            lengths.clear();
            for (const char* p = argv[++i]; *p != '\0';) {
                char* end = nullptr;
                lengths.push_back(static_cast<int32_t>(std::strtol(p, &end, 10)));
                p = *end == ',' ? end + 1 : end;
            }
        } else {
            std::fprintf(stderr, "usage: dft_sweep [--all] [--lengths N,N,...]\n");
            return 2;
        }
    }
    std::string console_text;
    dec::OutStream console(&console_text);
    dec::BurstDsp dsp(console);
    std::vector<int16_t> out(static_cast<size_t>(dec::kBurstMaxSamples) / 2 + 1);
    volatile double sink = 0;
#ifdef DEC_HAVE_FFTW
    std::printf("%6s %6s %10s %10s %7s\n", "n", "prime", "decoder", "fftw", "ratio");
    double log_sum = 0, worst = 0;
    int32_t worst_n = 0, over_two = 0;
#else
    std::printf("%6s %6s %10s   (FFTW not found: no comparison)\n", "n", "prime", "decoder");
#endif
    for (const int32_t n : lengths) {
        const auto data = bursts(n);
        const auto ours_per_axis = [&](int b) {
            dsp.acc_dft(data[static_cast<size_t>(b)].data(), n, out.data());
            sink = sink + out[1];
        };
#ifdef DEC_HAVE_FFTW
        double* in = fftw_alloc_real(static_cast<size_t>(n));
        fftw_complex* bins = fftw_alloc_complex(static_cast<size_t>(n / 2 + 1));
        fftw_plan plan = fftw_plan_dft_r2c_1d(n, in, bins, FFTW_MEASURE);
        std::vector<double> mag(static_cast<size_t>(n / 2 + 1));
        const auto [ours, theirs] = time_per_axis(ours_per_axis, [&](int b) {
            const auto& x = data[static_cast<size_t>(b)];
            for (int32_t j = 0; j < n; ++j) {
                in[j] = x[static_cast<size_t>(j)];
            }
            fftw_execute(plan);
            for (int32_t k = 0; k <= n / 2; ++k) {
                mag[static_cast<size_t>(k)] =
                    std::sqrt(bins[k][0] * bins[k][0] + bins[k][1] * bins[k][1]) / n;
            }
            sink = sink + mag[1];
        });
        fftw_destroy_plan(plan);
        fftw_free(bins);
        fftw_free(in);
        const double ratio = ours / theirs;
        log_sum += std::log(ratio);
        over_two += ratio > 2 ? 1 : 0;
        if (ratio > worst) {
            worst = ratio;
            worst_n = n;
        }
        std::printf("%6d %6d %10.2f %10.2f %7.2f\n", n, largest_prime(n), ours, theirs, ratio);
#else
        const double ours = time_per_axis(ours_per_axis, [](int) {}).first;
        std::printf("%6d %6d %10.2f\n", n, largest_prime(n), ours);
#endif
        std::fflush(stdout);
    }
#ifdef DEC_HAVE_FFTW
    std::printf("%zu lengths: geometric mean ratio %.2f, worst %.2f (n = %d), above 2x at %d\n",
                lengths.size(), std::exp(log_sum / static_cast<double>(lengths.size())), worst,
                worst_n, over_two);
#endif
    return sink == -1 ? 1 : 0;
}
