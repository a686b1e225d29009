// Correctly rounded sine and cosine, the same on every platform.
//
// The table order of the spectrum (dft.cpp) sums samples times the cosine and
// sine of angles below pi * 2000; printed bins depend on the last bit of each.
// C libraries differ in that bit, so the decoder computes them itself: each
// result is the double nearest the exact value (round to nearest), with
// nothing taken from the C library's sin and cos and no fused multiply-add.
#pragma once

namespace dec {

struct SinCos {
    double sin;
    double cos;
};

// Arguments with |x| below this are correctly rounded; above it, and for
// infinities and NaN, the results are the C library's sin and cos.
inline constexpr double kExactTrigLimit = 0x1p13;

// sin(x) and cos(x), each the double nearest the exact value for |x| < 2^13.
SinCos exact_sincos(double x);

// The same through the slow path alone (multi-word fixed point), which
// exact_sincos takes when its fast path cannot decide the rounding. For tests.
SinCos exact_sincos_slow(double x);

}  // namespace dec
