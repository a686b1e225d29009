// Little-endian field readers for the binary layouts of logger files.
//
// Every multi-byte number in a container, an open block, a settings record or a
// data record is little-endian and often unaligned. Fields are read only through
// these helpers: values are composed from single bytes with shifts, so the result
// does not depend on the host's byte order or alignment rules. The caller owns
// the length check.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dec {

inline uint8_t le_u8(const uint8_t* p, size_t off) {
    return p[off];
}
inline int8_t le_s8(const uint8_t* p, size_t off) {
    return static_cast<int8_t>(p[off]);
}

inline uint16_t le_u16(const uint8_t* p, size_t off) {
    return static_cast<uint16_t>(p[off] | (p[off + 1] << 8));
}
inline int16_t le_s16(const uint8_t* p, size_t off) {
    return static_cast<int16_t>(le_u16(p, off));
}
inline uint32_t le_u24(const uint8_t* p, size_t off) {
    return static_cast<uint32_t>(p[off]) | (static_cast<uint32_t>(p[off + 1]) << 8) |
           (static_cast<uint32_t>(p[off + 2]) << 16);
}
inline uint32_t le_u32(const uint8_t* p, size_t off) {
    return static_cast<uint32_t>(p[off]) | (static_cast<uint32_t>(p[off + 1]) << 8) |
           (static_cast<uint32_t>(p[off + 2]) << 16) | (static_cast<uint32_t>(p[off + 3]) << 24);
}
inline int32_t le_s32(const uint8_t* p, size_t off) {
    return static_cast<int32_t>(le_u32(p, off));
}
inline uint64_t le_u64(const uint8_t* p, size_t off) {
    return static_cast<uint64_t>(le_u32(p, off)) |
           (static_cast<uint64_t>(le_u32(p, off + 4)) << 32);
}

// A byte that holds an ON pattern in its odd bits (0xAA) and an OFF pattern
// in its even bits (0x55), as the event records' switch byte and the
// settings' mode byte do: the pattern with more weight wins.
inline bool pattern_byte_on(uint8_t b) {
    return (b & 0xAA) >= (b & 0x55);
}

inline void put_le16(uint8_t* p, size_t off, uint16_t v) {
    p[off] = static_cast<uint8_t>(v);
    p[off + 1] = static_cast<uint8_t>(v >> 8);
}
inline void put_le32(uint8_t* p, size_t off, uint32_t v) {
    p[off] = static_cast<uint8_t>(v);
    p[off + 1] = static_cast<uint8_t>(v >> 8);
    p[off + 2] = static_cast<uint8_t>(v >> 16);
    p[off + 3] = static_cast<uint8_t>(v >> 24);
}

}  // namespace dec
