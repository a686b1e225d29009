// The samples of one acceleration burst, as the burst decoders unpack them.
//
// A burst holds one to three axes of signed 16-bit samples; sample j of axis a
// is samples[a][j]. The decoders fill it (counting complete cycles over the axes
// as the samples per axis) and the filter, statistics and spectrum routines read
// it. It is plain data: a decoder keeps one per tag and refills it per burst.
#pragma once

#include <cstdint>

namespace dec {

inline constexpr int kBurstMaxAxes = 3;
inline constexpr int kBurstMaxSamples = 2000;

struct BurstSamples {
    int16_t samples[kBurstMaxAxes][kBurstMaxSamples];
    // Samples stored per axis (a final incomplete cycle leaves the first axes one
    // ahead of the others).
    int32_t count[kBurstMaxAxes];
    // Number of axes in use, 1 to 3.
    int8_t axes;

    void clear() {
        for (int a = 0; a < kBurstMaxAxes; ++a) {
            count[a] = 0;
        }
        axes = 0;
    }
};

// A filtered value or a spectrum bin as written: truncated toward zero and kept
// to its low 16 bits, as the 16-bit conversion of the original tag software
// does. Values beyond the 32-bit range and NaN give 0 (the conversion's "integer
// indefinite" 0x80000000 has low bits 0). Burst values are 12-bit, so the wrap
// never shows in practice.
inline int16_t trunc_to_s16(double v) {
    if (!(v > -2147483649.0 && v < 2147483648.0)) {
        return 0;
    }
    const auto whole = static_cast<int32_t>(v);
    return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(whole) & 0xFFFFu));
}

}  // namespace dec
