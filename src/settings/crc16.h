// The checksum that protects every settings record in an open block.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dec {

// CRC-16/CCITT-FALSE: polynomial 0x1021, initial value 0xFFFF, no reflection,
// no final XOR ("123456789" gives 0x29B1).
uint16_t settings_crc16(const uint8_t* data, size_t length);

}  // namespace dec
