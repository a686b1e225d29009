// Voltage readings of the tags and the base station: the converter's code
// times its full-scale voltage, over its resolution.
#pragma once

#include <cstdint>

namespace dec {

// code * scale >> shift millivolts, in 32-bit unsigned arithmetic (a 16-bit
// code times a scale below 65536 fits).
constexpr uint32_t code_to_mv(uint16_t code, uint32_t scale, unsigned shift) {
    return (uint32_t{code} * scale) >> shift;
}

// Battery and threshold voltage codes of the tags' voltage divider: 5000 mV
// over 12 bits.
constexpr uint32_t voltage_code_mv(uint16_t code) {
    return code_to_mv(code, 5000, 12);
}

}  // namespace dec
