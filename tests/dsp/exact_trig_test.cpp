// The table order's sines and cosines: every one the double nearest the exact
// value, checked against MPFR where it is installed, and the same in every
// build, checked by a digest of all results that the MPFR values fix (the
// Windows build has no MPFR and checks the digest alone).
#include "dsp/exact_trig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#ifdef DEC_HAVE_MPFR
#include <mpfr.h>
#endif

namespace dec {
namespace {

// The spectrum's angles: phi = (j * (k * two_pi)) / n for j < n, 1 <= k <= n/2.
// All of them for lengths of every path of the spectrum (table sums, radices
// 2 to 13, larger primes, chirp-z) and the longest; every `k_step`-th bin of the
// three longest; then `sampled` angles of random other lengths up to 2000.
std::vector<double> table_angles(int k_step, int sampled) {
    constexpr double two_pi = 0x1.921fb54442d19p+2;
    std::vector<double> angles;
    auto add = [&angles](int n, int j, int k) { angles.push_back((j * (k * two_pi)) / n); };
    for (int n : {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 16, 17, 23, 40, 41, 97, 138, 164, 333}) {
        for (int k = 1; k <= n / 2; ++k) {
            for (int j = 0; j < n; ++j) {
                add(n, j, k);
            }
        }
    }
    for (int n : {1748, 1999, 2000}) {
        for (int k = 1; k <= n / 2; k += k_step) {
            for (int j = 0; j < n; ++j) {
                add(n, j, k);
            }
        }
    }
    std::mt19937_64 random(2026);  // its numbers are the same everywhere
    for (int i = 0; i < sampled; ++i) {
        const uint64_t n = random() % 1999 + 2;
        const uint64_t j = random() % n;
        const uint64_t k = random() % (n / 2) + 1;
        add(static_cast<int>(n), static_cast<int>(j), static_cast<int>(k));
    }
    return angles;
}

// The doubles within three ulps of each multiple k pi/2 below 2^13 (k times
// pi/2 in double is within two ulps of it), where the reduction cancels most.
std::vector<double> near_quadrants() {
    std::vector<double> x;
    for (int k = 1; k * 1.5707963267948966 < 8192; ++k) {
        double v = k * 1.5707963267948966;
        for (int step = 0; step < 3; ++step) {
            v = std::nextafter(v, 0.0);
        }
        for (int step = 0; step < 7; ++step, v = std::nextafter(v, 9000.0)) {
            x.push_back(v);
        }
    }
    return x;
}

// FNV-1a over the bit patterns of each sine and cosine in turn.
class Digest {
  public:
    void add(SinCos v) {
        for (const double d : {v.sin, v.cos}) {
            const auto bits = std::bit_cast<uint64_t>(d);
            for (int byte = 0; byte < 8; ++byte) {
                hash_ = (hash_ ^ ((bits >> (8 * byte)) & 0xFF)) * 0x100000001b3;
            }
        }
    }
    uint64_t value() const { return hash_; }

  private:
    uint64_t hash_ = 0xcbf29ce484222325;
};

#ifdef DEC_HAVE_MPFR
// sin x and cos x rounded to nearest by MPFR.
class Reference {
  public:
    Reference() { mpfr_inits2(53, x_, sin_, cos_, static_cast<mpfr_ptr>(nullptr)); }
    ~Reference() { mpfr_clears(x_, sin_, cos_, static_cast<mpfr_ptr>(nullptr)); }
    Reference(const Reference&) = delete;
    Reference& operator=(const Reference&) = delete;

    SinCos operator()(double x) {
        mpfr_set_d(x_, x, MPFR_RNDN);
        mpfr_sin_cos(sin_, cos_, x_, MPFR_RNDN);
        return {mpfr_get_d(sin_, MPFR_RNDN), mpfr_get_d(cos_, MPFR_RNDN)};
    }

  private:
    mpfr_t x_, sin_, cos_;
};
#endif

bool same_bits(SinCos a, SinCos b) {
    return std::bit_cast<uint64_t>(a.sin) == std::bit_cast<uint64_t>(b.sin) &&
           std::bit_cast<uint64_t>(a.cos) == std::bit_cast<uint64_t>(b.cos);
}

// Each of `angles` against MPFR (when present); the digest of the results
// must be `expected`, the digest of MPFR's values.
void check_angles(const std::vector<double>& angles, uint64_t expected) {
    Digest digest;
#ifdef DEC_HAVE_MPFR
    Reference reference;
    Digest reference_digest;
    size_t differing = 0;
#endif
    for (const double x : angles) {
        const SinCos got = exact_sincos(x);
        digest.add(got);
#ifdef DEC_HAVE_MPFR
        const SinCos want = reference(x);
        reference_digest.add(want);
        if (!same_bits(got, want) && ++differing <= 5) {
            ADD_FAILURE() << std::hexfloat << "x " << x << ": " << got.sin << ", " << got.cos << " for " << want.sin
                          << ", " << want.cos;
        }
#endif
    }
    std::cout << "[ angles ] " << angles.size() << ", digest " << std::hex << digest.value() << std::dec << "\n";
#ifdef DEC_HAVE_MPFR
    EXPECT_EQ(differing, 0u);
    EXPECT_EQ(reference_digest.value(), expected) << std::hex << reference_digest.value();
#else
    std::cout << "[ angles ] no MPFR here: the digest alone is checked\n";
#endif
    EXPECT_EQ(digest.value(), expected) << std::hex << digest.value();
}

// Every bin of the short and middle lengths, every 16th of the longest and
// 20,000 angles of other lengths.
TEST(ExactTrig, TableAnglesAreCorrectlyRounded) {
    check_angles(table_angles(16, 20000), 0xb4674a9e7804f555);
}

// All bins of the longest lengths too and a million angles of other lengths
// (about 7 million angles in all; run by hand or in CI: DEC_EXACT_TRIG=full).
TEST(ExactTrig, AllTableAnglesAreCorrectlyRounded) {
    const char* env = std::getenv("DEC_EXACT_TRIG");
    if (env == nullptr || std::string(env) != "full") {
        GTEST_SKIP() << "set DEC_EXACT_TRIG=full for all angles of the longest lengths";
    }
    check_angles(table_angles(1, 1000000), 0xadef7b00ed88a04f);
}

// The slow path alone gives the same doubles as MPFR (or, without it, as the
// fast path) on a sample of the angles, on the doubles nearest multiples of
// pi/2 and at both ends of the range; the fast path there as well, and on
// arguments whose sine or cosine lies so near a midpoint between two doubles
// that the fast path hands them to the slow one (found by a search of random
// doubles, about one in 2^26).
TEST(ExactTrig, SlowPathAndHardReductions) {
    std::vector<double> x = near_quadrants();
    for (const double hard : {0x1.a33ec26a17035p+4, 0x1.c2e7a6ba873b4p+4, 0x1.6f602bc1ddab1p+0, 0x1.81b3e64dcaeeep+7,
                              0x1.d2690b42b8f14p+6}) {
        x.push_back(hard);
        x.push_back(-hard);
    }
    const std::vector<double> angles = table_angles(16, 0);
    for (size_t i = 0; i < angles.size(); i += 97) {
        x.push_back(angles[i]);
    }
    for (const double edge : {0x1p-27, 0x1.0000000000001p-27, 0x1.fffffffffffffp-28, 0x1p-26, 0x1.fffffffffffffp12, 0.5,
                              0.7853981633974483, 0.7853981633974484, -3.0, 1e-300, 0.0, -0.0}) {
        x.push_back(edge);
    }
#ifdef DEC_HAVE_MPFR
    Reference reference;
#endif
    size_t differing = 0;
    for (const double v : x) {
        const SinCos slow = exact_sincos_slow(v);
        const SinCos fast = exact_sincos(v);
#ifdef DEC_HAVE_MPFR
        const SinCos want = reference(v);
#else
        const SinCos want = fast;
#endif
        if ((!same_bits(slow, want) || !same_bits(fast, want)) && ++differing <= 5) {
            ADD_FAILURE() << std::hexfloat << "x " << v << ": slow " << slow.sin << ", " << slow.cos << ", fast "
                          << fast.sin << ", " << fast.cos << " for " << want.sin << ", " << want.cos;
        }
    }
    EXPECT_EQ(differing, 0u);
}

// The cost of one bin summed in table order, with the C library's sin and cos
// and with exact_sincos, the two timed in turns (the faster of five rounds
// counting); printed, not checked: DEC_EXACT_TRIG=time.
TEST(ExactTrig, TimeOfOneTableOrderBin) {
    const char* env = std::getenv("DEC_EXACT_TRIG");
    if (env == nullptr || std::string(env) != "time") {
        GTEST_SKIP() << "set DEC_EXACT_TRIG=time to time a table-order bin";
    }
    constexpr double two_pi = 0x1.921fb54442d19p+2;
    for (const int n : {138, 1000, 2000}) {
        std::vector<double> x(static_cast<size_t>(n));
        for (size_t j = 0; j < x.size(); ++j) {
            x[j] = static_cast<double>((j * 7919) % 4096) - 2048;
        }
        auto bins = [&](auto roots) {  // all bins 1 .. n/2; microseconds per bin
            const auto start = std::chrono::steady_clock::now();
            double sink = 0;
            for (int k = 1; k <= n / 2; ++k) {
                double re = 0, im = 0;
                for (int j = 0; j < n; ++j) {
                    const SinCos root = roots((j * (k * two_pi)) / n);
                    re += x[static_cast<size_t>(j)] * root.cos;
                    im += x[static_cast<size_t>(j)] * -root.sin;
                }
                sink += std::sqrt(im * im + re * re);
            }
            const std::chrono::duration<double, std::micro> time = std::chrono::steady_clock::now() - start;
            EXPECT_GT(sink, 0);
            return time.count() / (n / 2);
        };
        double library = 1e30, exact = 1e30;
        for (int round = 0; round < 5; ++round) {
            library = std::min(library, bins([](double phi) { return SinCos{std::sin(phi), std::cos(phi)}; }));
            exact = std::min(exact, bins(exact_sincos));
        }
        std::cout << "[ time ] n " << n << ": " << library << " us per bin with the C library, " << exact
                  << " us with exact_sincos (" << exact / library << " times)\n";
    }
}

}  // namespace
}  // namespace dec
