// Correctly rounded sin and cos for |x| < 2^13, and why they are.
//
// u = 2^-53. The file is built with -ffp-contract=off (CMakeLists.txt): every
// operation below is one IEEE double operation, rounded to nearest, in both
// builds (x86-64 doubles in SSE registers, no extended precision). Products
// are made exact by Dekker's splitting, not by fma.
//
// Range. Results are correctly rounded for |x| < 2^13; beyond (and for
// infinities and NaN) they are the C library's. The table order's angles stay
// below 2000 pi < 6284.
//
// Tiny arguments, |x| < 2^-27: sin x = x (1 - e), 0 <= e < x^2/6 < 2^-56, and
// half the gap below |x| is at least 2^-54 |x|, so sin x rounds to x;
// 1 - x^2/2 < cos x <= 1 with x^2/2 < 2^-55 rounds to 1. Negative x follow
// from sin(-x) = -sin x and cos(-x) = cos x; below, 2^-27 <= x < 2^13.
//
// Reduction. x = k pi/2 + r with k = round(x 2/pi) (x times a double of 2/pi,
// rounded to an integer: off by at most 2^-38 from x 2/pi), so
// |r| <= pi/4 + 2^-37 < 0.786 and k < 5216 < 2^13. sin x and cos x are +-sin r
// or +-cos r by k mod 4. pi/2 = P1 + P2 + P3 + d: P1 is pi/2 to its first 40
// bits (weights 2^0 .. 2^-39), P2 the next 40 bits, P3 the next 64 bits
// rounded to a double, |d| < 2^-133 + 2^-143 < 2^-132.9 (all three taken from
// the fixed-point pi/2 below at compile time). Then:
// - k P1 and k P2 have at most 53 bits: exact.
// - a = x - k P1 is exact: for k = 0 it is x; for k >= 1, x > 0.785 is a
//   multiple of 2^-53 and so is k P1, and |a| <= |r| + k (P2 + P3) < 1.
// - a - k P2 by two_sum and k P3 by two_prod are exact double-doubles, and
//   one double-double subtraction gives r with an error below
//   4u^2 (|r| + 2 k P3) < 2^-104 |r| + 2^-170.
// The computed r is thus within k |d| + 2^-104 |r| + 2^-170
// < 2^-120.4 + 2^-104 |r| of x - k pi/2. No double below 2^13 lies closer
// than 2^-60.49 to a nonzero multiple of pi/2 (the double nearest each k pi/2,
// k < 5216, checked with MPFR and pi to 400 bits), so |r| > 2^-61 and the
// reduced argument stays relatively accurate.
//
// Series. sin r = r S(z) and cos r = C(z), z = r^2 <= 0.618, with the Taylor
// series S(z) = sum (-1)^i z^i / (2i+1)! to i = 11 and C(z) = sum (-1)^i z^i
// / (2i)! to i = 12: alternating with falling terms, so the omitted tails are
// below their first terms, 2^-92 of sin r (>= 0.89 |r|) and 2^-97 of cos r
// (>= 0.7). With c_i = 1/(2i+o)!, the terms from i = 6 on are summed in
// double by Horner's scheme; they make up less than 2^-32.5 of the result,
// so their few roundings (within 4u of their sum) stay below 2^-83.5 of it.
// The others are double-doubles, a_0 + z^2 (a_2 + z^2 (a_4 + z^2 tail)) with
// a_i = c_i - z c_(i+1) (half the chain of Horner's scheme): z c_(i+1) is at
// most 0.31 of c_i (for the cosine's a_0; 0.104 for the sine's, 0.052 for the
// others) and the chain adds terms of one sign, so nothing cancels. A product
// is within 9u^2 and a sum within 8u^2 relative, the coefficients (1/i! by i
// divisions) within 75 u^2, so each a_i within 160 u^2 and the value with z,
// z^2 and the sine's final product r S below 2^-95 together. The computed
// value is so within 2^-83 of sin or cos of the computed r, and with the
// reduction within
//     B = 2^-80 |y| + 2^-120
// of the exact result y (sin and cos are 1-Lipschitz). Against MPFR the
// largest error seen over 7.6 million arguments was a quarter of the bound
// without the slack: 2^-83 |y| + 2^-120.4.
//
// Rounding test. hi + lo is the computed value. If lo + B is below half the
// gap to the next double above hi, and B - lo below half the gap to the one
// below (a quarter ulp when hi is a power of two), every value within B of
// hi + lo rounds to hi, the exact result among them. The two sums are
// rounded, but rounding is monotonic and the half gaps are powers of two, so a
// sum computed below one is below it. Otherwise, about once in 2^26 calls,
// the slow path decides.
//
// Slow path. Fixed point with 320 fraction bits (unit 2^-320), truncating.
// pi/2 from 4 atan(1/5) - atan(1/239), each arctangent a series of about 70 and
// 21 terms, each term within 2.1 units: pi/2 within 2^11 units. x is exact,
// k times pi/2 exact, so r = |x - k pi/2| within 2^24 units; the series of
// sin r and cos r run until their terms vanish, each term within a few units
// plus what it inherits (shrinking by the divisors), so both values are within
// E = 2^26 units (2^-294; relative 2^-232 since |r| > 2^-61). The double
// nearest a value v is the truncation c of v to 53 bits or the next one up,
// as v lies below or above the midpoint m between them: decided when v - E
// and v + E are on the same side of m. Sines and cosines of doubles other than
// 0 are transcendental, never a midpoint; the hardest cases known from
// searches over all doubles come nowhere near 2^-232. Should one still not be
// decided, the double nearest v is returned.
#include "dsp/exact_trig.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace dec {

namespace {

// ------------------------------------------------------------ double-double

// hi + lo with |lo| at most half an ulp of hi.
struct Dd {
    double hi;
    double lo;
};

constexpr Dd two_sum(double a, double b) {
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

// Exact when |a| >= |b| (or a is 0).
constexpr Dd fast_two_sum(double a, double b) {
    const double s = a + b;
    return {s, b - (s - a)};
}

// a = hi + lo, each of at most 26 bits.
constexpr Dd split(double a) {
    const double c = 134217729.0 * a;  // 2^27 + 1
    const double hi = c - (c - a);
    return {hi, a - hi};
}

constexpr Dd two_prod(double a, double b) {
    const double p = a * b;
    const Dd x = split(a);
    const Dd y = split(b);
    return {p, ((x.hi * y.hi - p) + x.hi * y.lo + x.lo * y.hi) + x.lo * y.lo};
}

constexpr Dd add(Dd x, Dd y) {
    const Dd s = two_sum(x.hi, y.hi);
    return two_sum(s.hi, s.lo + (x.lo + y.lo));
}

constexpr Dd negate(Dd x) {
    return {-x.hi, -x.lo};
}

constexpr Dd mul(Dd x, Dd y) {
    const Dd p = two_prod(x.hi, y.hi);
    return fast_two_sum(p.hi, p.lo + (x.hi * y.lo + x.lo * y.hi));
}

// x / d for a small integer d: the remainder of the first quotient is exact.
constexpr Dd div_small(Dd x, double d) {
    const double q = x.hi / d;
    const Dd p = two_prod(q, d);
    return fast_two_sum(q, (((x.hi - p.hi) - p.lo) + x.lo) / d);
}

// ------------------------------------------------------------ fixed point

// sum w[i] 2^(32 (i - kFrac)): w[kFrac] is the integer part.
constexpr int kFrac = 10;
struct Fixed {
    std::array<uint32_t, kFrac + 1> w{};
};

constexpr Fixed fixed_bit(int weight) {  // 2^weight
    Fixed a;
    const int pos = weight + 32 * kFrac;
    a.w[static_cast<size_t>(pos / 32)] = uint32_t{1} << (pos % 32);
    return a;
}

constexpr bool less(const Fixed& a, const Fixed& b) {
    for (size_t i = a.w.size(); i-- > 0;) {
        if (a.w[i] != b.w[i]) {
            return a.w[i] < b.w[i];
        }
    }
    return false;
}

constexpr bool is_zero(const Fixed& a) {
    return !less(Fixed{}, a);
}

constexpr Fixed plus(Fixed a, const Fixed& b) {
    uint64_t carry = 0;
    for (size_t i = 0; i < a.w.size(); ++i) {
        carry += uint64_t{a.w[i]} + b.w[i];
        a.w[i] = static_cast<uint32_t>(carry);
        carry >>= 32;
    }
    return a;
}

// a - b for a >= b.
constexpr Fixed minus(Fixed a, const Fixed& b) {
    uint64_t borrow = 0;
    for (size_t i = 0; i < a.w.size(); ++i) {
        const uint64_t d = uint64_t{a.w[i]} - b.w[i] - borrow;
        a.w[i] = static_cast<uint32_t>(d);
        borrow = d >> 63;
    }
    return a;
}

// a b truncated; the product's integer part must fit one word.
constexpr Fixed times(const Fixed& a, const Fixed& b) {
    constexpr size_t n = kFrac + 1;
    std::array<uint32_t, 2 * n> p{};
    for (size_t i = 0; i < n; ++i) {
        uint64_t carry = 0;
        for (size_t j = 0; j < n; ++j) {
            const uint64_t t = uint64_t{a.w[i]} * b.w[j] + p[i + j] + carry;
            p[i + j] = static_cast<uint32_t>(t);
            carry = t >> 32;
        }
        p[i + n] = static_cast<uint32_t>(carry);
    }
    Fixed r;
    for (size_t i = 0; i < n; ++i) {
        r.w[i] = p[i + kFrac];
    }
    return r;
}

// a m, exact while it fits.
constexpr Fixed times_small(Fixed a, uint32_t m) {
    uint64_t carry = 0;
    for (uint32_t& word : a.w) {
        carry += uint64_t{word} * m;
        word = static_cast<uint32_t>(carry);
        carry >>= 32;
    }
    return a;
}

// a / d truncated.
constexpr Fixed divided(Fixed a, uint32_t d) {
    uint64_t rest = 0;
    for (size_t i = a.w.size(); i-- > 0;) {
        const uint64_t t = rest << 32 | a.w[i];
        a.w[i] = static_cast<uint32_t>(t / d);
        rest = t % d;
    }
    return a;
}

// The bits of a of weights 2^top down to 2^(top - count + 1), as an integer.
constexpr uint64_t bits(const Fixed& a, int top, int count) {
    uint64_t m = 0;
    for (int pos = top + 32 * kFrac; pos > top + 32 * kFrac - count; --pos) {
        m = m << 1 | (a.w[static_cast<size_t>(pos / 32)] >> (pos % 32) & 1);
    }
    return m;
}

// atan(1/m) = sum (-1)^i / ((2i + 1) m^(2i+1)).
constexpr Fixed atan_inverse(uint32_t m) {
    Fixed power = divided(fixed_bit(0), m);
    Fixed positive, negative;
    for (uint32_t i = 0; !is_zero(power); ++i) {
        const Fixed term = divided(power, 2 * i + 1);
        (i % 2 == 0 ? positive : negative) = plus(i % 2 == 0 ? positive : negative, term);
        power = divided(power, m * m);
    }
    return minus(positive, negative);
}

constexpr Fixed kHalfPi = times_small(minus(times_small(atan_inverse(5), 4), atan_inverse(239)), 2);

// pi/2 in three parts for the fast reduction, and 2/pi for k.
constexpr double kP1 = static_cast<double>(bits(kHalfPi, 0, 40)) * 0x1p-39;
constexpr double kP2 = static_cast<double>(bits(kHalfPi, -40, 40)) * 0x1p-79;
constexpr double kP3 = static_cast<double>(bits(kHalfPi, -80, 64)) * 0x1p-143;
static_assert(kP1 + kP2 == 0x1.921fb54442d18p0, "pi/2 to 53 bits");
constexpr double kTwoOverPi = 0x1.45f306dc9c883p-1;

// 1/i! for the series.
constexpr int kTerms = 25;
constexpr std::array<Dd, kTerms + 1> inverse_factorials() {
    std::array<Dd, kTerms + 1> f{};
    f[0] = {1, 0};
    for (size_t i = 1; i < f.size(); ++i) {
        f[i] = div_small(f[i - 1], static_cast<double>(i));
    }
    return f;
}
constexpr std::array<Dd, kTerms + 1> kInverseFactorial = inverse_factorials();

// c - z p where |z p| is at most a third of |c|: fast_two_sum is exact for the
// leading parts, and the difference cannot cancel.
constexpr Dd minus_product(Dd c, Dd z, Dd p) {
    const Dd zp = mul(z, p);
    const Dd s = fast_two_sum(c.hi, -zp.hi);
    return fast_two_sum(s.hi, s.lo + (c.lo - zp.lo));
}

// sum (-1)^i z^i / (2i + Odd)! for i <= Last: the terms from i = 6 on in
// double, the others in pairs a_i = c_i - z c_(i+1) in double-double, summed
// as a_0 + z^2 (a_2 + z^2 (a_4 + z^2 tail)).
template <int Odd, int Last>
Dd series(Dd z) {
    auto c = [](int i) { return kInverseFactorial[static_cast<size_t>(2 * i + Odd)]; };
    double tail = c(Last).hi;
    for (int i = Last - 1; i >= 6; --i) {
        tail = c(i).hi - z.hi * tail;
    }
    const Dd z2 = mul(z, z);
    Dd p{tail, 0};
    for (int i = 4; i >= 0; i -= 2) {
        p = add(minus_product(c(i), z, c(i + 1)), mul(z2, p));
    }
    return p;
}

// k = round(x 2/pi) for 0 <= x < 2^13, as a double.
double quadrant_count(double x) {
    constexpr double kRound = 0x1.8p52;
    return (x * kTwoOverPi + kRound) - kRound;
}

// sin x and cos x from sin r and cos r of x = k pi/2 + r.
void by_quadrant(double k, Dd sin_r, Dd cos_r, Dd& sin_x, Dd& cos_x) {
    switch (static_cast<int>(k) & 3) {
        case 0:
            sin_x = sin_r, cos_x = cos_r;
            break;
        case 1:
            sin_x = cos_r, cos_x = negate(sin_r);
            break;
        case 2:
            sin_x = negate(sin_r), cos_x = negate(cos_r);
            break;
        default:
            sin_x = negate(cos_r), cos_x = sin_r;
            break;
    }
}

// Whether every value within `bound` of y.hi + y.lo rounds to y.hi (y.hi a
// normal number).
bool rounds_to_hi(Dd y, double bound) {
    const double lo = y.hi < 0 ? -y.lo : y.lo;
    const auto bits_hi = std::bit_cast<uint64_t>(std::fabs(y.hi));
    constexpr uint64_t kExponent = 0x7FF0000000000000;
    constexpr uint64_t kFraction = 0x000FFFFFFFFFFFFF;
    const auto half_up = std::bit_cast<double>((bits_hi & kExponent) - (uint64_t{53} << 52));
    const double half_down = (bits_hi & kFraction) == 0 ? half_up / 2 : half_up;
    return lo + bound < half_up && bound - lo < half_down;
}

// a with the bits of weights below 2^weight cleared.
constexpr Fixed truncated(Fixed a, int weight) {
    const int pos = weight + 32 * kFrac;
    for (size_t i = 0; i < a.w.size(); ++i) {
        const int low = 32 * static_cast<int>(i);
        if (low + 32 <= pos) {
            a.w[i] = 0;
        } else if (low < pos) {
            a.w[i] &= ~uint32_t{0} << (pos - low);
        }
    }
    return a;
}

// The double nearest v (2^-200 < v < 2), which lies within `error` of the
// exact value.
double nearest(const Fixed& v, const Fixed& error) {
    int top = 0;  // weight of v's leading bit
    while (bits(v, top, 1) == 0) {
        --top;
    }
    const Fixed middle = plus(truncated(v, top - 52), fixed_bit(top - 53));
    const bool up = less(plus(v, error), middle)    ? false
                    : less(middle, minus(v, error)) ? true
                                                    : !less(v, middle);
    return std::ldexp(static_cast<double>(bits(v, top, 53) + (up ? 1 : 0)), top - 52);
}

// x exactly, for 2^-200 <= x < 2^32.
Fixed from_double(double x) {
    int exponent = 0;
    const auto m = static_cast<uint64_t>(std::ldexp(std::frexp(x, &exponent), 53));
    Fixed a;
    for (int i = 0; i < 53; ++i) {
        if ((m >> i & 1) != 0) {
            a = plus(a, fixed_bit(exponent - 53 + i));
        }
    }
    return a;
}

SinCos slow_path(double x) {
    const double k = quadrant_count(x);
    const Fixed fx = from_double(x);
    const Fixed kp = times_small(kHalfPi, static_cast<uint32_t>(k));
    const bool negative_r = less(fx, kp);
    const Fixed r = negative_r ? minus(kp, fx) : minus(fx, kp);
    const Fixed z = times(r, r);
    // r z^i / (2i+1)! and z^i / (2i)!, summed by sign.
    Fixed sin_term = r, cos_term = fixed_bit(0);
    std::array<Fixed, 2> sin_sum = {r, {}}, cos_sum = {fixed_bit(0), {}};
    for (uint32_t i = 1; !is_zero(sin_term) || !is_zero(cos_term); ++i) {
        sin_term = divided(times(sin_term, z), 2 * i * (2 * i + 1));
        cos_term = divided(times(cos_term, z), (2 * i - 1) * 2 * i);
        sin_sum[i % 2] = plus(sin_sum[i % 2], sin_term);
        cos_sum[i % 2] = plus(cos_sum[i % 2], cos_term);
    }
    const Fixed error = fixed_bit(26 - 32 * kFrac);
    const double sin_abs = nearest(minus(sin_sum[0], sin_sum[1]), error);
    const double cos_r = nearest(minus(cos_sum[0], cos_sum[1]), error);
    Dd sin_x{}, cos_x{};
    by_quadrant(k, {negative_r ? -sin_abs : sin_abs, 0}, {cos_r, 0}, sin_x, cos_x);
    return {sin_x.hi, cos_x.hi};
}

// The arguments that need neither path: out of range or tiny.
bool outside_paths(double x, SinCos& out) {
    const double ax = std::fabs(x);
    if (!(ax < kExactTrigLimit)) {
        out = {std::sin(x), std::cos(x)};
        return true;
    }
    if (ax < 0x1p-27) {
        out = {x, 1.0};
        return true;
    }
    return false;
}

}  // namespace

SinCos exact_sincos(double x) {
    SinCos out{};
    if (outside_paths(x, out)) {
        return out;
    }
    const double ax = std::fabs(x);
    const double k = quadrant_count(ax);
    const double a = ax - k * kP1;
    const Dd s = two_sum(a, -(k * kP2));
    const Dd r = add(s, negate(two_prod(k, kP3)));
    const Dd z = mul(r, r);
    const Dd sin_r = mul(r, series<1, 11>(z));
    const Dd cos_r = series<0, 12>(z);
    Dd sin_x{}, cos_x{};
    by_quadrant(k, sin_r, cos_r, sin_x, cos_x);
    constexpr double kRelative = 0x1p-80;
    constexpr double kAbsolute = 0x1p-120;
    if (rounds_to_hi(sin_x, kRelative * std::fabs(sin_x.hi) + kAbsolute) &&
        rounds_to_hi(cos_x, kRelative * std::fabs(cos_x.hi) + kAbsolute)) {
        out = {sin_x.hi, cos_x.hi};
    } else {
        out = slow_path(ax);
    }
    return {x < 0 ? -out.sin : out.sin, out.cos};
}

SinCos exact_sincos_slow(double x) {
    SinCos out{};
    if (outside_paths(x, out)) {
        return out;
    }
    out = slow_path(std::fabs(x));
    return {x < 0 ? -out.sin : out.sin, out.cos};
}

}  // namespace dec
