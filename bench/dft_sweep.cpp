// Per-length timings of the burst spectrum at every axis length a tag can
// record, beside FFTW's real-input transform and magnitudes when the library
// is installed (a benchmark dependency only: the decoder never links it), and
// beside an earlier tree's spectrum when built with DEC_PREVIOUS_TREE.
//
//   dft_sweep [--all] [--lengths N,N,...] [--adversarial]
//
// A burst of u units holds 7u - 1 sample triples (7u - 2 for NEWACC), so an
// axis has 2(7u - 1), 3(7u - 1) or 6(7u - 1) samples, or 2(7u - 2): 428
// lengths up to the longest axis. --all times every length from 1 on instead.
// Per length: the largest prime factor, the bins per axis that the exactness
// guard sums again in the tag software's order, microseconds per axis of this
// decoder's spectrum (exactness guard included), of FFTW (FFTW_MEASURE plans)
// and of the earlier tree, and the ratios of this decoder's time to theirs;
// then the geometric mean and the worst ratio of each. Bursts are noisy
// motion-like signals; with --adversarial they are made to put every bin on
// an integer (impulses of q n, alone or on a constant, whose every bin is q),
// so that the exactness guard sums every bin again. The spectra are timed in
// turns, the fastest of five rounds each: a load that comes and goes slows
// all alike.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "common/outstream.h"
#include "dsp/burst.h"
#include "dsp/burst_dsp.h"

#ifdef DEC_HAVE_PREVIOUS
#include "earlier_dft.h"
#endif

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

// Eight bursts of n samples whose every bin lies on an integer: an impulse of
// q n (every bin q) at a random place, alone or on a constant.
std::vector<std::vector<int16_t>> adversarial_bursts(int32_t n) {
    std::vector<std::vector<int16_t>> out;
    uint32_t state = 777u + static_cast<uint32_t>(n);
    const int32_t q = std::max(1, 2047 / n);
    for (int b = 0; b < 8; ++b) {
        state = state * 1664525u + 1013904223u;
        const auto base = static_cast<int16_t>(b % 2 == 0 ? 0 : 2048 - q * n / 2);
        std::vector<int16_t> x(static_cast<size_t>(n), base);
        x[(state >> 8) % static_cast<uint32_t>(n)] = static_cast<int16_t>(base + q * n);
        out.push_back(std::move(x));
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

// Microseconds per axis of each of `fs`: the fastest of five rounds of each,
// taken in turn so that all see the same load on a shared machine.
template <class F>
std::vector<double> time_per_axis(std::vector<F>& fs) {
    std::vector<double> best(fs.size(), 1e30);
    for (int round = 0; round < 5; ++round) {
        for (size_t i = 0; i < fs.size(); ++i) {
            best[i] = std::min(best[i], round_per_axis(fs[i]));
        }
    }
    return best;
}

// Geometric mean and worst of one column of ratios.
struct RatioSummary {
    const char* name;
    double log_sum = 0, worst = 0;
    int32_t worst_n = 0, over_two = 0, count = 0;

    void add(int32_t n, double ratio) {
        log_sum += std::log(ratio);
        over_two += ratio > 2 ? 1 : 0;
        ++count;
        if (ratio > worst) {
            worst = ratio;
            worst_n = n;
        }
    }
    void print() const {
        std::printf(
            "%d lengths against %s: geometric mean ratio %.2f, worst %.2f (n = %d), above 2x at "
            "%d\n",
            count, name, std::exp(log_sum / count), worst, worst_n, over_two);
    }
};

}  // namespace

int main(int argc, char** argv) {
    std::vector<int32_t> lengths = realizable_lengths();
    bool adversarial = false;
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
        } else if (std::strcmp(argv[i], "--adversarial") == 0) {
            adversarial = true;
        } else {
            std::fprintf(stderr, "usage: dft_sweep [--all] [--lengths N,N,...] [--adversarial]\n");
            return 2;
        }
    }
    std::string console_text;
    dec::OutStream console(&console_text);
    dec::BurstDsp dsp(console);
    std::vector<int16_t> out(static_cast<size_t>(dec::kBurstMaxSamples) / 2 + 1);
    volatile double sink = 0;
    std::vector<RatioSummary> summaries;
    std::printf("%6s %6s %7s %10s", "n", "prime", "resum", "decoder");
#ifdef DEC_HAVE_FFTW
    std::printf(" %10s %7s", "fftw", "ratio");
    summaries.push_back({"FFTW"});
#else
    std::printf("   (FFTW not found: no comparison)");
#endif
#ifdef DEC_HAVE_PREVIOUS
    std::printf(" %10s %7s", "previous", "ratio");
    summaries.push_back({"the earlier tree"});
    bench::PreviousSpectrum previous;
#endif
    std::printf("\n");
    for (const int32_t n : lengths) {
        const auto data = adversarial ? adversarial_bursts(n) : bursts(n);
        std::vector<std::function<void(int)>> spectra;
        spectra.emplace_back([&](int b) {
            dsp.acc_dft(data[static_cast<size_t>(b)].data(), n, out.data());
            sink = sink + out[1];
        });
#ifdef DEC_HAVE_FFTW
        double* in = fftw_alloc_real(static_cast<size_t>(n));
        fftw_complex* bins = fftw_alloc_complex(static_cast<size_t>(n / 2 + 1));
        fftw_plan plan = fftw_plan_dft_r2c_1d(n, in, bins, FFTW_MEASURE);
        std::vector<double> mag(static_cast<size_t>(n / 2 + 1));
        spectra.emplace_back([&](int b) {
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
#endif
#ifdef DEC_HAVE_PREVIOUS
        spectra.emplace_back(
            [&](int b) { sink = sink + previous.run(data[static_cast<size_t>(b)].data(), n); });
#endif
        const uint64_t recomputed = dsp.recomputed_bins();
        for (int b = 0; b < 8; ++b) {
            spectra[0](b);
        }
        const double resummed = static_cast<double>(dsp.recomputed_bins() - recomputed) / 8;
        const std::vector<double> times = time_per_axis(spectra);
#ifdef DEC_HAVE_FFTW
        fftw_destroy_plan(plan);
        fftw_free(bins);
        fftw_free(in);
#endif
        std::printf("%6d %6d %7.1f %10.2f", n, largest_prime(n), resummed, times[0]);
        for (size_t i = 1; i < times.size(); ++i) {
            summaries[i - 1].add(n, times[0] / times[i]);
            std::printf(" %10.2f %7.2f", times[i], times[0] / times[i]);
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    for (const RatioSummary& s : summaries) {
        s.print();
    }
    return sink == -1 ? 1 : 0;
}
