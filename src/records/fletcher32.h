// The key-bin checksum of MOVEBANK lines.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dec {

// Fletcher-32 over little-endian 16-bit words: both sums start at 0xFFFF and are
// folded after every 360 words; an odd last byte counts as a word with high byte
// 0. Result sum2 << 16 | sum1; 0 for a missing buffer or a length below 1.
uint32_t fletcher32(const uint8_t* data, int32_t length);

}  // namespace dec
