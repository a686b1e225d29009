// Two doubles processed side by side.
//
// The burst filters run independent sums of the same form (several axes).
// Computing two of them in one register
// does per lane exactly the IEEE operation the one-at-a-time code does, in the
// same order, so the results are bit-identical; it only halves the
// instructions and lets the processor overlap the sums.
#pragma once

#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace dec {

using f64x2 = double __attribute__((vector_size(16)));

inline f64x2 load_f64x2(const double* p) {
    f64x2 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void store_f64x2(double* p, f64x2 v) {
    std::memcpy(p, &v, sizeof v);
}

inline f64x2 splat_f64x2(double x) {
    return f64x2{x, x};
}

// Both lanes' square roots, each correctly rounded as std::sqrt's.
inline f64x2 sqrt_f64x2(f64x2 v) {
#if defined(__SSE2__)
    return reinterpret_cast<f64x2>(_mm_sqrt_pd(reinterpret_cast<__m128d>(v)));
#else
    return f64x2{std::sqrt(v[0]), std::sqrt(v[1])};
#endif
}

// Both lanes' magnitudes, and the lesser of each pair of lanes (either when
// equal; no NaNs expected).
inline f64x2 abs_f64x2(f64x2 v) {
#if defined(__SSE2__)
    return reinterpret_cast<f64x2>(_mm_andnot_pd(_mm_set1_pd(-0.0), reinterpret_cast<__m128d>(v)));
#else
    return f64x2{std::fabs(v[0]), std::fabs(v[1])};
#endif
}

inline f64x2 min_f64x2(f64x2 a, f64x2 b) {
#if defined(__SSE2__)
    return reinterpret_cast<f64x2>(
        _mm_min_pd(reinterpret_cast<__m128d>(a), reinterpret_cast<__m128d>(b)));
#else
    return f64x2{a[0] < b[0] ? a[0] : b[0], a[1] < b[1] ? a[1] : b[1]};
#endif
}

inline f64x2 max_f64x2(f64x2 a, f64x2 b) {
#if defined(__SSE2__)
    return reinterpret_cast<f64x2>(
        _mm_max_pd(reinterpret_cast<__m128d>(a), reinterpret_cast<__m128d>(b)));
#else
    return f64x2{a[0] > b[0] ? a[0] : b[0], a[1] > b[1] ? a[1] : b[1]};
#endif
}

}  // namespace dec
