// The transforms of fft.h and the bounds on their error.
//
// Notation: u = 2^-53, gamma_k = k u / (1 - k u); x_j are the n samples,
// S1 = sum |x_j|, S2 = sqrt(sum x_j^2) = |x|_2. The C library's sin and cos are
// taken as within 1 ulp, at most 2u for values of magnitude up to 1 (the tests check
// this on the angles used; glibc and the MinGW runtime stay within 0.55u).
//
// Roots and chirp. e^(-2 pi i t/n) is computed from phi = (t * two_pi) / n and
// e^(-pi i r/n), r < 2n, from (pi * r) / n: angles below 2 pi with three
// roundings, so within 2 pi gamma_3 < 19u, each cosine and sine within 21u and
// the complex value within mu = 32u of the exact one.
//
// One stage. A stage of radix p forms, for groups of p inputs x_s, the twiddled
// z_s = w_s x_s and then y_v = sum_s e^(-2 pi i sv/p) z_s. A complex product
// with a computed root is within eta_w = mu + sqrt(2) gamma_2 (1 + mu) of the
// exact one relative to |x|; the sums of p such products add gamma_(p-1) of the
// sum of magnitudes. Radix 2 and 4 multiply by the exact constants +-1 and +-i
// only, radix 3 by 1/2 (exact) and a correctly rounded sqrt(3)/2 after one
// sum: at most three roundings and a constant within u, well inside the same
// bound. So each output is within
//     eta_p = (1 + gamma_(p-1)) (1 + eta_w)^2 - 1
// times sum_s |x_s| <= sqrt(p) |x_group|_2 of the exact value. A stage of an
// odd prime from 5 on (h = (p-1)/2) pairs the twiddled inputs first:
// a_s = z_s + z_(p-s), b_s = z_s - z_(p-s) (one rounding each), and sums
// real parts z0 + sum c_sv a_s and sum s_sv b_s (each cosine and sine within
// 21u, each product then within 23u of the exact one relative to its exact
// factor, and every term through at most h + 1 additions), which give y_v and
// y_(p-v) by one addition and one subtraction. A real or imaginary part is so
// within eps = (1 + gamma_(h+1)) (1 + 24u) - 1 times the sum of the magnitudes
// of the real and imaginary parts of all z_s, at most sqrt(2) sum |z_s|; an
// output within 2 eps sum |z_s|, and with the twiddles
//     eta_p = eta_w + 2 eps (1 + eta_w)
// times sum_s |x_s|. Either way, the group's
// outputs within p eta_p |x_group|_2 in 2-norm, while the exact outputs have
// 2-norm sqrt(p) |x_group|_2. The stage's relative 2-norm error is therefore at
// most eps_p = sqrt(p) eta_p.
//
// All stages. Every exact stage is sqrt(p) times a unitary map, so errors
// carry forward without growth: for the whole transform y of n points,
//     |y^ - y|_2 <= F |y|_2,   F = prod over stages (1 + eps_p) - 1,
// and |y|_2 = sqrt(n) |x|_2. Stages take two groups at a time in the lanes of
// f64x2: each lane does exactly the operations of its group alone.
//
// Table path, n <= kTableMax. Each bin is a sum over j of samples (in
// mirrored pairs) times the cosine and sine of the root of jk mod n, computed
// as above: see magnitudes and point_error.
//
// Direct path, odd lengths. Each bin X_k of the samples is within F sqrt(n) S2.
//
// Even lengths, h = n/2 points. The samples in pairs, z_j = x_2j + i x_2j+1
// (exact), have |z|_2 = S2; with each computed Z_k within d/2, A = Z_k and
// B = conj(Z_(h-k)) are together within d.
// E = (A + B)/2 and O = (A - B)/(2i) take one rounding each (halving is
// exact) and are exactly sums of |x| at most S1, so each is within
//     e = d/2 + u (S1 + d/2),   and |O^| <= S1 + e =: o.
// The product with the root w_k (within mu) is within e + eta_w o of w_k O,
// and X_k = E + w_k O, |X_k| <= S1, after the last addition within
//     g = s + u (S1 + s),   s = 2 e + eta_w o.
//
// The n/2 points go directly (d = 2 F sqrt(h) S2) or through the chirp-z
// path below, taken with complex points: the weighted points a_j = z_j w_j
// are then within mu_a = eta_w, sum |z_j| <= S1 and |z|_2 = S2, and each
// point is e^(-pi i k^2/h) times the convolution, one more product with a
// computed root: within Q' = Q (1 + eta_w) + eta_w S1, so d = 2 Q'.
//
// Chirp-z path, m points, F for m. The weighted samples a_j = x_j w_j are
// within mu_a = mu + 2u relative, the 2n - 1 chirp values b of the convolution
// within mu. With A = FFT(a), B = FFT(b):
//     |A^ - A|_2 <= sqrt(m) S2 d_a,            d_a = mu_a + F (1 + mu_a)
//     |B^ - B|_2 <= sqrt(m) sqrt(2n-1) d_b,    d_b = mu + F (1 + mu)
// and |A|_inf <= S1, |B|_inf <= 2n - 1 =: c, |B^|_inf <= c + |B^ - B|_2 =: c'.
// The products (complex, within sqrt(2) gamma_2 each) are then within
//     P = |A^ - A|_2 c' + S1 |B^ - B|_2 + sqrt(2) gamma_2 sqrt(m) S2 (1 + d_a) c'
// of A B in 2-norm, and |A B|_2 <= sqrt(m) S2 c. The last transform gives m
// times the convolution, whose bin k has magnitude |X_k|, within
//     Q = sqrt(m) (P + F (sqrt(m) S2 c + P))
// (a 2-norm, so also per bin). The magnitudes are left m times too large, and
// the points of an even length are m Z_k: every step above has a bound
// relative to its operands, so these bounds times m hold for them. The caller
// divides by m n at once, one rounding as the division by n alone.

#include "dsp/fft.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <type_traits>
#include <utility>

#include "dsp/lanes.h"

namespace dec {

namespace {

constexpr double kU = 0x1p-53;
constexpr double kMu = 32 * kU;
// sqrt(3)/2, correctly rounded.
constexpr double kHalfRoot3 = 0.86602540378443864676;

// Time per point of a stage of radix p, and of a transform's call, in units
// of a radix-4 stage's point: a least-squares fit to the measured times of
// transforms of every length up to 4096 made of these radices (and some with
// primes to 97 for the generic stage).
constexpr double kCallCost = 39;
double stage_cost(int32_t p) {
    switch (p) {
        case 2:
            return 0.74;
        case 3:
            return 1.07;
        case 4:
            return 1.0;
        case 5:
            return 1.75;
        case 7:
            return 2.27;
        case 11:
            return 3.89;
        case 13:
            return 4.61;
        default:
            return 4.68 + 0.38 * p;
    }
}

// Radices of n in the order the stages take them: 4s, a 2, then odd primes.
template <class Out>
void factor(int32_t n, Out&& out) {
    while (n % 4 == 0) {
        out(4);
        n /= 4;
    }
    if (n % 2 == 0) {
        out(2);
        n /= 2;
    }
    for (int32_t p = 3; n > 1; p += 2) {
        if (p * p > n) {
            p = n;
        }
        while (n % p == 0) {
            out(p);
            n /= p;
        }
    }
}

}  // namespace

MixedRadixFft::MixedRadixFft(int32_t max_size)
    : root_re_(static_cast<size_t>(max_size)),
      root_im_(static_cast<size_t>(max_size)),
      scratch_re_(static_cast<size_t>(max_size)),
      scratch_im_(static_cast<size_t>(max_size)),
      group_re_(static_cast<size_t>(max_size)),
      group_im_(static_cast<size_t>(max_size)),
      single_re_(static_cast<size_t>(max_size)),
      single_im_(static_cast<size_t>(max_size)),
      const_re_(static_cast<size_t>(max_size)),
      const_im_(static_cast<size_t>(max_size)) {}

double MixedRadixFft::cost_per_point(int32_t n) {
    double cost = kCallCost / n;
    factor(n, [&cost](int32_t p) { cost += stage_cost(p); });
    return cost;
}

bool MixedRadixFft::has_kernels(int32_t n) {
    bool all = true;
    factor(n, [&all](int32_t p) { all = all && p <= kLargestKernel; });
    return all;
}

void MixedRadixFft::set_length(int32_t n) {
    if (n == n_) {
        return;
    }
    n_ = n;
    radices_.clear();
    factor(n, [this](int32_t p) { radices_.push_back(p); });
    // Sines and cosines for the first octant, half quadrant or half turn that
    // n allows; the rest follow by exact symmetries (swaps and signs), each
    // value as close to the true root as the one it comes from.
    const auto size = static_cast<size_t>(n);
    double* re = root_re_.data();
    double* im = root_im_.data();
    const size_t computed = n % 4 == 0 ? size / 8 : n % 2 == 0 ? size / 4 : size / 2;
    const double two_pi = 2 * std::numbers::pi;
    for (size_t t = 0; t <= computed; ++t) {
        const double phi = (static_cast<double>(t) * two_pi) / n;
        re[t] = std::cos(phi);
        im[t] = -std::sin(phi);
    }
    if (n % 4 == 0) {  // angle pi/2 - phi
        for (size_t t = 0; t <= size / 8; ++t) {
            re[size / 4 - t] = -im[t];
            im[size / 4 - t] = -re[t];
        }
    }
    if (n % 2 == 0) {  // angle pi - phi
        for (size_t t = 0; t <= size / 4; ++t) {
            re[size / 2 - t] = -re[t];
            im[size / 2 - t] = im[t];
        }
    }
    for (size_t t = size / 2 + 1; t < size; ++t) {  // angle 2 pi - phi
        re[t] = re[size - t];
        im[t] = -im[size - t];
    }
    const double eta_w = kMu + std::sqrt(2.0) * rounding_gamma(2) * (1 + kMu);
    double growth = 1;
    for (const int32_t p : radices_) {
        double eta_p = (1 + rounding_gamma(p - 1)) * (1 + eta_w) * (1 + eta_w) - 1;
        if (p > 4) {
            const double eps = (1 + rounding_gamma((p - 1) / 2 + 1)) * (1 + 24 * kU) - 1;
            eta_p = eta_w + 2 * eps * (1 + eta_w);
        }
        growth *= 1 + std::sqrt(static_cast<double>(p)) * eta_p;
    }
    growth_ = growth - 1;
}

namespace {

// A twiddle or constant in every lane of T (double, or f64x2: two groups side
// by side, each lane doing exactly the operations of one group alone).
template <class T>
inline T lanes_of(double w) {
    if constexpr (std::is_same_v<T, double>) {
        return w;
    } else {
        return splat_f64x2(w);
    }
}

// z times the root w, in place.
template <class T>
inline void twiddle(T& zr, T& zi, T wr, T wi) {
    const T a = zr, b = zi;
    zr = a * wr - b * wi;
    zi = a * wi + b * wr;
}

// y_v = sum_s e^(-2 pi i sv/P) z_s, v < P, for twiddled inputs z; c holds
// e^(-2 pi i t/P) (cosines, and minus the sines), used for odd P from 5 on.
template <size_t P, class T>
inline void butterfly(const T (&zr)[P], const T (&zi)[P], const double* c_re, const double* c_im,
                      T (&yr)[P], T (&yi)[P]) {
    if constexpr (P == 2) {
        yr[0] = zr[0] + zr[1];
        yi[0] = zi[0] + zi[1];
        yr[1] = zr[0] - zr[1];
        yi[1] = zi[0] - zi[1];
    } else if constexpr (P == 4) {
        // e^(-2 pi i / 4) = -i, and -i (a + ib) = b - ia.
        const T sr = zr[0] + zr[2], si = zi[0] + zi[2];
        const T dr = zr[0] - zr[2], di = zi[0] - zi[2];
        const T tr = zr[1] + zr[3], ti = zi[1] + zi[3];
        const T er = zi[1] - zi[3], ei = zr[3] - zr[1];  // -i (z1 - z3)
        yr[0] = sr + tr;
        yi[0] = si + ti;
        yr[1] = dr + er;
        yi[1] = di + ei;
        yr[2] = sr - tr;
        yi[2] = si - ti;
        yr[3] = dr - er;
        yi[3] = di - ei;
    } else if constexpr (P == 3) {
        // e^(-2 pi i / 3) = -1/2 - i sqrt(3)/2: with s = z1 + z2,
        // y1,2 = z0 - s/2 -+ i sqrt(3)/2 (z1 - z2).
        const T sr = zr[1] + zr[2], si = zi[1] + zi[2];
        const T hr = zr[0] - 0.5 * sr, hi = zi[0] - 0.5 * si;
        const T er = kHalfRoot3 * (zi[1] - zi[2]);
        const T ei = kHalfRoot3 * (zr[2] - zr[1]);  // -i sqrt(3)/2 (z1 - z2)
        yr[0] = zr[0] + sr;
        yi[0] = zi[0] + si;
        yr[1] = hr + er;
        yi[1] = hi + ei;
        yr[2] = hr - er;
        yi[2] = hi - ei;
    } else {
        // In pairs, as stage_any does (c_im holds minus the sines).
        constexpr size_t H = (P - 1) / 2;
        T ar[H + 1], ai[H + 1], br[H + 1], bi[H + 1];
        T sum_r = zr[0], sum_i = zi[0];
        for (size_t s = 1; s <= H; ++s) {
            ar[s] = zr[s] + zr[P - s];
            ai[s] = zi[s] + zi[P - s];
            br[s] = zr[s] - zr[P - s];
            bi[s] = zi[s] - zi[P - s];
            sum_r += ar[s];
            sum_i += ai[s];
        }
        yr[0] = sum_r;
        yi[0] = sum_i;
        for (size_t v = 1; v <= H; ++v) {
            T re1 = zr[0], im1 = zi[0], re2 = lanes_of<T>(0), im2 = lanes_of<T>(0);
            for (size_t s = 1; s <= H; ++s) {
                const size_t t = s * v % P;
                re1 += c_re[t] * ar[s];
                im1 += c_re[t] * ai[s];
                re2 += c_im[t] * bi[s];
                im2 += c_im[t] * br[s];
            }
            yr[v] = re1 - re2;
            yi[v] = im1 + im2;
            yr[P - v] = re1 + re2;
            yi[P - v] = im1 - im2;
        }
    }
}

}  // namespace

// Stage of radix P after stages whose radices multiply to l; r = n / (l P).
// Input group (k, j): x_s at k P r + s r + j, twiddled by e^(-2 pi i s k / (l P))
// = root[s k r]; output v at (k + l v) r + j. Groups go two at a time through
// the lanes of f64x2: neighbouring j, which share their twiddles, or for r = 1
// neighbouring k.
template <size_t P>
void MixedRadixFft::stage(const double* in_re, const double* in_im, double* out_re, double* out_im,
                          int32_t l, int32_t r) const {
    const auto rs = static_cast<size_t>(r);
    const auto ls = static_cast<size_t>(l);
    const size_t c_step = static_cast<size_t>(n_) / P;
    double c_re[P], c_im[P];
    for (size_t t = 0; t < P; ++t) {
        c_re[t] = root_re_[t * c_step];
        c_im[t] = root_im_[t * c_step];
    }
    const size_t out_step = ls * rs;
    const double* root_re = root_re_.data();
    const double* root_im = root_im_.data();
    size_t k_first = 0;  // groups from here on one k at a time
    if (rs == 1) {
        for (; k_first + 2 <= ls; k_first += 2) {
            const size_t k = k_first;
            const double* xr = in_re + k * P;
            const double* xi = in_im + k * P;
            f64x2 zr[P], zi[P], yr[P], yi[P];
            zr[0] = f64x2{xr[0], xr[P]};
            zi[0] = f64x2{xi[0], xi[P]};
            for (size_t s = 1; s < P; ++s) {
                zr[s] = f64x2{xr[s], xr[P + s]};
                zi[s] = f64x2{xi[s], xi[P + s]};
                twiddle(zr[s], zi[s], f64x2{root_re[s * k], root_re[s * (k + 1)]},
                        f64x2{root_im[s * k], root_im[s * (k + 1)]});
            }
            butterfly<P>(zr, zi, c_re, c_im, yr, yi);
            for (size_t v = 0; v < P; ++v) {
                store_f64x2(out_re + k + v * out_step, yr[v]);
                store_f64x2(out_im + k + v * out_step, yi[v]);
            }
        }
    }
    for (size_t k = k_first; k < ls; ++k) {
        double w_re[P], w_im[P];
        for (size_t s = 0; s < P; ++s) {
            w_re[s] = root_re[s * k * rs];
            w_im[s] = root_im[s * k * rs];
        }
        const double* xr = in_re + k * P * rs;
        const double* xi = in_im + k * P * rs;
        double* yr = out_re + k * rs;
        double* yi = out_im + k * rs;
        size_t j = 0;
        for (; j + 2 <= rs; j += 2) {
            f64x2 zr[P], zi[P], ur[P], ui[P];
            zr[0] = load_f64x2(xr + j);
            zi[0] = load_f64x2(xi + j);
            for (size_t s = 1; s < P; ++s) {
                zr[s] = load_f64x2(xr + j + s * rs);
                zi[s] = load_f64x2(xi + j + s * rs);
                twiddle(zr[s], zi[s], splat_f64x2(w_re[s]), splat_f64x2(w_im[s]));
            }
            butterfly<P>(zr, zi, c_re, c_im, ur, ui);
            for (size_t v = 0; v < P; ++v) {
                store_f64x2(yr + j + v * out_step, ur[v]);
                store_f64x2(yi + j + v * out_step, ui[v]);
            }
        }
        for (; j < rs; ++j) {
            double zr[P], zi[P], ur[P], ui[P];
            zr[0] = xr[j];
            zi[0] = xi[j];
            for (size_t s = 1; s < P; ++s) {
                zr[s] = xr[j + s * rs];
                zi[s] = xi[j + s * rs];
                twiddle(zr[s], zi[s], w_re[s], w_im[s]);
            }
            butterfly<P>(zr, zi, c_re, c_im, ur, ui);
            for (size_t v = 0; v < P; ++v) {
                yr[j + v * out_step] = ur[v];
                yi[j + v * out_step] = ui[v];
            }
        }
    }
}

namespace {

// One group of a generic stage, or two side by side in the lanes of T: z holds
// the p twiddled inputs (and is overwritten), c the constants (cosines, and
// minus the sines); put(v, re1, im1, re2, im2) receives y_v = (re1 - re2,
// im1 + im2) and y_(p-v) = (re1 + re2, im1 - im2), and put(0, ...) y_0 alone.
// With c and s the cosine and sine of 2 pi sv/p,
//     y_v, y_(p-v) = z_0 + sum_s c (z_s + z_(p-s)) -+ i s (z_s - z_(p-s)),
// s = 1 .. (p-1)/2. Four pairs of outputs are summed side by side, and sv mod
// p follows by adding v and subtracting p on overflow instead of a division.
template <class T, class Put>
void generic_butterfly(T* zr, T* zi, const double* cr, const double* ci, int32_t p, Put&& put) {
    const auto ps = static_cast<size_t>(p);
    const int32_t half = (p - 1) / 2;
    const auto hs = static_cast<size_t>(half);
    const T zero = lanes_of<T>(0);
    T sum_r = zr[0], sum_i = zi[0];
    for (size_t s = 1; s <= hs; ++s) {
        const T ar = zr[s] + zr[ps - s], ai = zi[s] + zi[ps - s];
        const T br = zr[s] - zr[ps - s], bi = zi[s] - zi[ps - s];
        zr[s] = ar;
        zi[s] = ai;
        zr[ps - s] = br;
        zi[ps - s] = bi;
        sum_r += ar;
        sum_i += ai;
    }
    put(0, sum_r, sum_i, zero, zero);
    int32_t v = 1;
    for (; v + 4 <= half + 1; v += 4) {
        T re1[4], im1[4], re2[4], im2[4];
        int32_t t[4];
        for (int32_t q = 0; q < 4; ++q) {
            re1[q] = zr[0];
            im1[q] = zi[0];
            re2[q] = zero;
            im2[q] = zero;
            t[q] = v + q;
        }
        for (size_t s = 1; s <= hs; ++s) {
            for (int32_t q = 0; q < 4; ++q) {
                const auto c = static_cast<size_t>(t[q]);
                re1[q] += cr[c] * zr[s];
                im1[q] += cr[c] * zi[s];
                re2[q] += ci[c] * zi[ps - s];
                im2[q] += ci[c] * zr[ps - s];
                t[q] += v + q;
                t[q] -= t[q] >= p ? p : 0;
            }
        }
        for (int32_t q = 0; q < 4; ++q) {
            put(v + q, re1[q], im1[q], re2[q], im2[q]);
        }
    }
    for (; v <= half; ++v) {
        T re1 = zr[0], im1 = zi[0], re2 = zero, im2 = zero;
        for (int32_t s = 1, t = v; s <= half; ++s) {
            const auto c = static_cast<size_t>(t);
            const auto su = static_cast<size_t>(s);
            re1 += cr[c] * zr[su];
            im1 += cr[c] * zi[su];
            re2 += ci[c] * zi[ps - su];
            im2 += ci[c] * zr[ps - su];
            t += v;
            t -= t >= p ? p : 0;
        }
        put(v, re1, im1, re2, im2);
    }
}

}  // namespace

// The same for an odd prime p above the kernels', from generic_butterfly; two
// groups at a time as stage does.
void MixedRadixFft::stage_any(const double* in_re, const double* in_im, double* out_re,
                              double* out_im, int32_t p, int32_t l, int32_t r) {
    const auto rs = static_cast<size_t>(r);
    const auto ls = static_cast<size_t>(l);
    const auto ps = static_cast<size_t>(p);
    const size_t out_step = ls * rs;
    const auto c_step = static_cast<size_t>(n_ / p);
    const double* root_re = root_re_.data();
    const double* root_im = root_im_.data();
    double* cr = const_re_.data();
    double* ci = const_im_.data();
    for (size_t t = 0; t < ps; ++t) {
        cr[t] = root_re[t * c_step];
        ci[t] = root_im[t * c_step];
    }
    f64x2* zr = group_re_.data();
    f64x2* zi = group_im_.data();
    size_t k_first = 0;  // groups from here on one k at a time
    if (rs == 1) {
        for (; k_first + 2 <= ls; k_first += 2) {
            const size_t k = k_first;
            const double* xr = in_re + k * ps;
            const double* xi = in_im + k * ps;
            zr[0] = f64x2{xr[0], xr[ps]};
            zi[0] = f64x2{xi[0], xi[ps]};
            for (size_t s = 1; s < ps; ++s) {
                zr[s] = f64x2{xr[s], xr[ps + s]};
                zi[s] = f64x2{xi[s], xi[ps + s]};
                twiddle(zr[s], zi[s], f64x2{root_re[s * k], root_re[s * (k + 1)]},
                        f64x2{root_im[s * k], root_im[s * (k + 1)]});
            }
            generic_butterfly(zr, zi, cr, ci, p,
                              [&](int32_t v, f64x2 re1, f64x2 im1, f64x2 re2, f64x2 im2) {
                                  const size_t lo = k + static_cast<size_t>(v) * out_step;
                                  store_f64x2(out_re + lo, re1 - re2);
                                  store_f64x2(out_im + lo, im1 + im2);
                                  if (v != 0) {
                                      const size_t hi = k + static_cast<size_t>(p - v) * out_step;
                                      store_f64x2(out_re + hi, re1 + re2);
                                      store_f64x2(out_im + hi, im1 - im2);
                                  }
                              });
        }
    }
    double* zr1 = single_re_.data();
    double* zi1 = single_im_.data();
    for (size_t k = k_first; k < ls; ++k) {
        const double* xr = in_re + k * ps * rs;
        const double* xi = in_im + k * ps * rs;
        double* yr = out_re + k * rs;
        double* yi = out_im + k * rs;
        size_t j = 0;
        for (; j + 2 <= rs; j += 2) {
            zr[0] = load_f64x2(xr + j);
            zi[0] = load_f64x2(xi + j);
            for (size_t s = 1; s < ps; ++s) {
                zr[s] = load_f64x2(xr + j + s * rs);
                zi[s] = load_f64x2(xi + j + s * rs);
                const size_t w = s * k * rs;
                twiddle(zr[s], zi[s], splat_f64x2(root_re[w]), splat_f64x2(root_im[w]));
            }
            generic_butterfly(zr, zi, cr, ci, p,
                              [&](int32_t v, f64x2 re1, f64x2 im1, f64x2 re2, f64x2 im2) {
                                  const size_t lo = j + static_cast<size_t>(v) * out_step;
                                  store_f64x2(yr + lo, re1 - re2);
                                  store_f64x2(yi + lo, im1 + im2);
                                  if (v != 0) {
                                      const size_t hi = j + static_cast<size_t>(p - v) * out_step;
                                      store_f64x2(yr + hi, re1 + re2);
                                      store_f64x2(yi + hi, im1 - im2);
                                  }
                              });
        }
        for (; j < rs; ++j) {
            zr1[0] = xr[j];
            zi1[0] = xi[j];
            for (size_t s = 1; s < ps; ++s) {
                zr1[s] = xr[j + s * rs];
                zi1[s] = xi[j + s * rs];
                const size_t w = s * k * rs;
                twiddle(zr1[s], zi1[s], root_re[w], root_im[w]);
            }
            generic_butterfly(zr1, zi1, cr, ci, p,
                              [&](int32_t v, double re1, double im1, double re2, double im2) {
                                  const size_t lo = j + static_cast<size_t>(v) * out_step;
                                  yr[lo] = re1 - re2;
                                  yi[lo] = im1 + im2;
                                  if (v != 0) {
                                      const size_t hi = j + static_cast<size_t>(p - v) * out_step;
                                      yr[hi] = re1 + re2;
                                      yi[hi] = im1 - im2;
                                  }
                              });
        }
    }
}

void MixedRadixFft::transform(double* re, double* im) {
    static_assert(kLargestKernel == 13, "a case below for each kernel");
    double* src_re = re;
    double* src_im = im;
    double* dst_re = scratch_re_.data();
    double* dst_im = scratch_im_.data();
    int32_t l = 1;
    for (const int32_t p : radices_) {
        const int32_t r = n_ / (l * p);
        switch (p) {
            case 2:
                stage<2>(src_re, src_im, dst_re, dst_im, l, r);
                break;
            case 3:
                stage<3>(src_re, src_im, dst_re, dst_im, l, r);
                break;
            case 4:
                stage<4>(src_re, src_im, dst_re, dst_im, l, r);
                break;
            case 5:
                stage<5>(src_re, src_im, dst_re, dst_im, l, r);
                break;
            case 7:
                stage<7>(src_re, src_im, dst_re, dst_im, l, r);
                break;
            case 11:
                stage<11>(src_re, src_im, dst_re, dst_im, l, r);
                break;
            case 13:
                stage<13>(src_re, src_im, dst_re, dst_im, l, r);
                break;
            default:
                stage_any(src_re, src_im, dst_re, dst_im, p, l, r);
                break;
        }
        std::swap(src_re, dst_re);
        std::swap(src_im, dst_im);
        l *= p;
    }
    if (src_re != re) {
        std::copy_n(src_re, n_, re);
        std::copy_n(src_im, n_, im);
    }
}

namespace {

constexpr auto kMax = static_cast<size_t>(SpectrumTransform::kMaxSize);
// A complex product with a computed root, relative to the exact one.
const double kEtaW = kMu + std::sqrt(2.0) * rounding_gamma(2) * (1 + kMu);

}  // namespace

SpectrumTransform::SpectrumTransform()
    : direct_(kMaxSize / 2),
      convolution_(kMaxSize),
      a_re_(kMax),
      a_im_(kMax),
      w_re_(kMax / 2),
      w_im_(kMax / 2),
      half_re_(kMax / 4 + 1),
      half_im_(kMax / 4 + 1),
      chirp_re_(kMax),
      chirp_im_(kMax),
      table_re_((kTableMax / 2 + 1) * table_row(kTableMax)),
      table_im_(table_re_.size()) {}

namespace {

// For every m0 up to kMaxSize, the m >= m0 with all its stages of a kernel of
// their own whose convolution costs least (the least such m of equal costs),
// or 0: worked out once, as a length's choice is made whenever the length
// changes (every axis, when a tag's bursts mix one-, two- and three-axis ones).
struct ConvolutionSizes {
    std::array<int32_t, SpectrumTransform::kMaxSize + 2> best_from{};
    std::array<double, SpectrumTransform::kMaxSize + 2> cost_from{};

    ConvolutionSizes() {
        constexpr auto kLast = static_cast<size_t>(SpectrumTransform::kMaxSize);
        cost_from[kLast + 1] = HUGE_VAL;
        for (size_t i = kLast; i >= 1; --i) {
            best_from[i] = best_from[i + 1];
            cost_from[i] = cost_from[i + 1];
            const auto m = static_cast<int32_t>(i);
            if (!MixedRadixFft::has_kernels(m)) {
                continue;
            }
            const double cost =
                m * (2 * MixedRadixFft::cost_per_point(m) + SpectrumTransform::kProductCost);
            if (cost <= cost_from[i]) {
                best_from[i] = m;
                cost_from[i] = cost;
            }
        }
    }
};

}  // namespace

int32_t SpectrumTransform::convolution_size(int32_t points) {
    // The points go directly, or through the chirp-z path: two transforms of
    // m points, m products and the points' products with the chirp; m any
    // length from 2 points - 1 on with all its stages of a kernel of their own.
    static const ConvolutionSizes sizes;
    if (points < 1 || 2 * points - 1 > kMaxSize) {
        return 0;
    }
    const auto from = static_cast<size_t>(2 * points - 1);
    const double direct = points * MixedRadixFft::cost_per_point(points);
    const double chirp = sizes.cost_from[from] + points * kProductCost;
    return sizes.best_from[from] != 0 && chirp < direct ? sizes.best_from[from] : 0;
}

bool SpectrumTransform::uses_chirp(int32_t n) {
    return convolution_size(n % 2 == 0 ? n / 2 : n) != 0;
}

void SpectrumTransform::set_length(int32_t n) {
    if (n == n_) {
        return;
    }
    n_ = n;
    table_ = n <= kTableMax;
    if (table_) {
        // Cosine and minus the sine of jk mod n, j <= n/2, from its angle
        // below 2 pi as MixedRadixFft's roots; rows of an even count of
        // terms, the last one 0 if need be.
        const double two_pi = 2 * std::numbers::pi;
        const auto size = static_cast<size_t>(n);
        const size_t row = table_row(n);
        std::fill_n(table_re_.begin(), (size / 2 + 1) * row, 0.0);
        std::fill_n(table_im_.begin(), (size / 2 + 1) * row, 0.0);
        for (size_t k = 0; k <= size / 2; ++k) {
            for (size_t j = 0; j <= size / 2; ++j) {
                const double phi = (static_cast<double>(j * k % size) * two_pi) / n;
                table_re_[k * row + j] = std::cos(phi);
                table_im_[k * row + j] = -std::sin(phi);
            }
        }
        split_ = false;
        chirp_ = false;
        points_ = n;
        divisor_ = 1;
        return;
    }
    split_ = n % 2 == 0;
    points_ = split_ ? n / 2 : n;
    const int32_t m = points_ == 1 ? 0 : convolution_size(points_);
    chirp_ = m != 0;
    divisor_ = chirp_ ? m : 1;
    if (split_) {
        // w_k = e^(-2 pi i k/n) for k <= n/2 from the angles up to pi/2;
        // w_(n/2-k) = -conj(w_k) exactly.
        const auto half = static_cast<size_t>(points_);
        const double two_pi = 2 * std::numbers::pi;
        for (size_t k = 0; 2 * k <= half; ++k) {
            const double phi = (static_cast<double>(k) * two_pi) / n;
            half_re_[k] = std::cos(phi);
            half_im_[k] = -std::sin(phi);
            if (half - k != k) {
                half_re_[half - k] = -half_re_[k];
                half_im_[half - k] = half_im_[k];
            }
        }
    }
    if (!chirp_) {
        direct_.set_length(points_);
        return;
    }
    const int32_t length = points_;
    convolution_.set_length(m);
    const auto size = static_cast<size_t>(m);
    const auto count = static_cast<size_t>(length);
    // w_t = e^(-pi i t^2/L), with t^2 reduced modulo 2L (exact in integers) so
    // that every angle is below 2 pi. The convolution takes its conjugate at t
    // and -t (index m - t).
    const double pi = std::numbers::pi;
    std::fill_n(chirp_re_.begin(), size, 0.0);
    std::fill_n(chirp_im_.begin(), size, 0.0);
    // (L - t)^2 = t^2 + L^2 modulo 2L, and L^2 is 0 or L modulo 2L as L is
    // even or odd: w_(L-t) is w_t or -w_t.
    const double sign = length % 2 == 0 ? 1.0 : -1.0;
    for (size_t t = 0; t < count; ++t) {
        if (2 * t <= count) {
            const auto r = static_cast<int32_t>((t * t) % (2 * count));
            const double phi = (pi * r) / length;
            w_re_[t] = std::cos(phi);
            w_im_[t] = -std::sin(phi);
        } else {
            w_re_[t] = sign * w_re_[count - t];
            w_im_[t] = sign * w_im_[count - t];
        }
        chirp_re_[t] = w_re_[t];
        chirp_im_[t] = -w_im_[t];
        if (t != 0) {
            chirp_re_[size - t] = w_re_[t];
            chirp_im_[size - t] = -w_im_[t];
        }
    }
    convolution_.transform(chirp_re_.data(), chirp_im_.data());
    const double f = convolution_.relative_error();
    const double d_b = kMu + f * (1 + kMu);
    chirp_error_ = std::sqrt(static_cast<double>(m)) * std::sqrt(2.0 * length - 1) * d_b;
}

void SpectrumTransform::convolve() {
    const auto count = static_cast<size_t>(points_);
    const int32_t m = convolution_.length();
    const auto size = static_cast<size_t>(m);
    for (size_t t = 0; t < count; ++t) {
        const double zr = a_re_[t], zi = a_im_[t];
        a_re_[t] = zr * w_re_[t] - zi * w_im_[t];
        a_im_[t] = zr * w_im_[t] + zi * w_re_[t];
    }
    std::fill(a_re_.begin() + points_, a_re_.begin() + m, 0.0);
    std::fill(a_im_.begin() + points_, a_im_.begin() + m, 0.0);
    convolution_.transform(a_re_.data(), a_im_.data());
    // The inverse transform as the forward one of the conjugate product: the
    // result is then conjugated and m times the convolution.
    for (size_t t = 0; t < size; ++t) {
        const double pr = a_re_[t] * chirp_re_[t] - a_im_[t] * chirp_im_[t];
        const double qi = a_re_[t] * chirp_im_[t] + a_im_[t] * chirp_re_[t];
        a_re_[t] = pr;
        a_im_[t] = -qi;
    }
    convolution_.transform(a_re_.data(), a_im_.data());
}

void SpectrumTransform::magnitudes(const int16_t* x, int32_t n, double* mag) {
    set_length(n);
    const auto count = static_cast<size_t>(n);
    double* re = a_re_.data();
    double* im = a_im_.data();
    if (table_) {
        // With e_j = x_j + x_(n-j) and o_j = x_j - x_(n-j) (exact) for
        // 0 < j < n - j, e_0 = x_0 and for even n e_(n/2) = x_(n/2) (their o 0):
        // X_k = sum_j e_j cos(2 pi jk/n) - i o_j sin(2 pi jk/n), j <= n/2.
        // The sums two terms at a time, in two lanes added at the end.
        const size_t row = table_row(n);
        std::fill_n(re, row, 0.0);
        std::fill_n(im, row, 0.0);
        re[0] = x[0];
        size_t j = 1;
        for (; j < count - j; ++j) {
            re[j] = x[j] + x[count - j];
            im[j] = x[j] - x[count - j];
        }
        if (j == count - j) {
            re[j] = x[j];
        }
        // Lane 0 sums the terms of even j, lane 1 those of odd j. For even n
        // the roots of bin n/2 - k are those of bin k times (-1)^j (the sines
        // also negated), so both bins come from the same two lanes.
        // Two bins at a time: four sums in flight hide the additions' latency.
        const size_t last = count % 2 == 0 ? count / 4 : count / 2;
        const auto finish = [&](size_t k, f64x2 sr, f64x2 si) {
            const double sum_r = sr[0] + sr[1], sum_i = si[0] + si[1];
            mag[k] = std::sqrt(sum_r * sum_r + sum_i * sum_i);
            if (count % 2 == 0 && 2 * k != count / 2) {
                const double mirror_r = sr[0] - sr[1], mirror_i = si[0] - si[1];
                mag[count / 2 - k] = std::sqrt(mirror_r * mirror_r + mirror_i * mirror_i);
            }
        };
        size_t k = 0;
        for (; k + 1 <= last; k += 2) {
            const double* cr = table_re_.data() + k * row;
            const double* ci = table_im_.data() + k * row;
            f64x2 sr = {0, 0}, si = {0, 0}, tr = {0, 0}, ti = {0, 0};
            for (j = 0; j < row; j += 2) {
                const f64x2 e = load_f64x2(re + j), o = load_f64x2(im + j);
                sr += e * load_f64x2(cr + j);
                si += o * load_f64x2(ci + j);
                tr += e * load_f64x2(cr + row + j);
                ti += o * load_f64x2(ci + row + j);
            }
            finish(k, sr, si);
            finish(k + 1, tr, ti);
        }
        if (k == last) {
            const double* cr = table_re_.data() + k * row;
            const double* ci = table_im_.data() + k * row;
            f64x2 sr = {0, 0}, si = {0, 0};
            for (j = 0; j < row; j += 2) {
                sr += load_f64x2(re + j) * load_f64x2(cr + j);
                si += load_f64x2(im + j) * load_f64x2(ci + j);
            }
            finish(k, sr, si);
        }
        return;
    }
    if (!split_) {
        for (size_t t = 0; t < count; ++t) {
            re[t] = x[t];
            im[t] = 0;
        }
        // Through the chirp-z path |X_k| is the magnitude of the
        // convolution, m times: left for the caller to divide by.
        if (!chirp_) {
            direct_.transform(re, im);
        } else {
            convolve();
        }
        size_t k = 0;
        for (; k + 2 <= count / 2 + 1; k += 2) {
            const f64x2 vr = load_f64x2(re + k), vi = load_f64x2(im + k);
            store_f64x2(mag + k, sqrt_f64x2(vr * vr + vi * vi));
        }
        for (; k <= count / 2; ++k) {
            mag[k] = std::sqrt(re[k] * re[k] + im[k] * im[k]);
        }
        return;
    }
    // z_j = x_2j + i x_2j+1; with Z its transform of h = n/2 points and
    // B = conj(Z_(h-k)): X_k = (Z_k + B)/2 + w_k (Z_k - B)/(2i).
    const size_t half = count / 2;
    for (size_t t = 0; t < half; ++t) {
        re[t] = x[2 * t];
        im[t] = x[2 * t + 1];
    }
    if (!chirp_) {
        direct_.transform(re, im);
    } else {
        // m Z_k = e^(-pi i k^2/h) times the conjugate of the result.
        convolve();
        for (size_t k = 0; k < half; ++k) {
            const double cr = re[k], ci = -im[k];
            re[k] = w_re_[k] * cr - w_im_[k] * ci;
            im[k] = w_re_[k] * ci + w_im_[k] * cr;
        }
    }
    // Bins 0 and h from Z_0 alone, the others two at a time with their
    // mirrors h - k, h - k - 1 swapped into the lanes.
    const double* hr = half_re_.data();
    const double* hi = half_im_.data();
    for (const size_t k : {size_t{0}, half}) {
        const double ar = re[0], ai = im[0], br = re[0], bi = -im[0];
        const double er = (ar + br) * 0.5, ei = (ai + bi) * 0.5;
        const double or_ = (ai - bi) * 0.5, oi = (br - ar) * 0.5;  // -i (A - B) / 2
        const double xr = er + (hr[k] * or_ - hi[k] * oi);
        const double xi = ei + (hr[k] * oi + hi[k] * or_);
        mag[k] = std::sqrt(xr * xr + xi * xi);
    }
    size_t k = 1;
    for (; k + 2 <= half; k += 2) {
        const f64x2 ar = load_f64x2(re + k), ai = load_f64x2(im + k);
        const size_t m = half - k - 1;
        const f64x2 br = {re[m + 1], re[m]}, bi = {-im[m + 1], -im[m]};
        const f64x2 er = (ar + br) * 0.5, ei = (ai + bi) * 0.5;
        const f64x2 or_ = (ai - bi) * 0.5, oi = (br - ar) * 0.5;
        const f64x2 wr = load_f64x2(hr + k), wi = load_f64x2(hi + k);
        const f64x2 xr = er + (wr * or_ - wi * oi);
        const f64x2 xi = ei + (wr * oi + wi * or_);
        store_f64x2(mag + k, sqrt_f64x2(xr * xr + xi * xi));
    }
    for (; k < half; ++k) {
        const double ar = re[k], ai = im[k], br = re[half - k], bi = -im[half - k];
        const double er = (ar + br) * 0.5, ei = (ai + bi) * 0.5;
        const double or_ = (ai - bi) * 0.5, oi = (br - ar) * 0.5;
        const double xr = er + (hr[k] * or_ - hi[k] * oi);
        const double xi = ei + (hr[k] * oi + hi[k] * or_);
        mag[k] = std::sqrt(xr * xr + xi * xi);
    }
}

double SpectrumTransform::point_error(double s1, double s2) const {
    if (table_) {
        // Each root's cosine and sine within 21u (for bin n/2 - k of an even
        // n, plus or minus bin k's: the same error); a product of one with an
        // e_j or o_j (exact, |e_j|, |o_j| <= |x_j| + |x_(n-j)|) adds a
        // rounding, and each of the n/2 + 1 terms goes through at most n/2
        // additions: the real and the imaginary part are within
        // (21u + gamma_n (1 + 21u)) S1 each.
        return std::sqrt(2.0) * s1 * (21 * kU + rounding_gamma(points_) * (1 + 21 * kU));
    }
    if (!chirp_) {
        return direct_.relative_error() * std::sqrt(static_cast<double>(points_)) * s2;
    }
    const double root2 = std::sqrt(2.0);
    const double m = convolution_.length();
    const double f = convolution_.relative_error();
    // Real samples times the chirp: two products; complex points: one complex
    // product with a computed root.
    const double mu_a = split_ ? kEtaW : kMu + 2 * kU;
    const double d_a = mu_a + f * (1 + mu_a);
    const double root_m = std::sqrt(m);
    const double c = 2.0 * points_ - 1;
    const double err_a = root_m * s2 * d_a;
    const double c_hat = c + chirp_error_;
    const double p = err_a * c_hat + s1 * chirp_error_ +
                     root2 * rounding_gamma(2) * root_m * s2 * (1 + d_a) * c_hat;
    const double q = root_m * (p + f * (root_m * s2 * c + p)) / m;
    // The points of an even length: the convolution times e^(-pi i k^2/h).
    return split_ ? q * (1 + kEtaW) + kEtaW * s1 : q;
}

double SpectrumTransform::error_bound(double s1, double s2) const {
    if (!split_) {
        return point_error(s1, s2);
    }
    // The points z have sum |z_j| <= s1 and |z|_2 = s2.
    const double d = 2 * point_error(s1, s2);
    const double part = d / 2 + kU * (s1 + d / 2);  // of E and of O
    const double o_bar = s1 + part;
    const double sum = 2 * part + kEtaW * o_bar;
    return sum + kU * (s1 + sum);
}

}  // namespace dec
