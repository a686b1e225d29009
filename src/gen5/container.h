// Generation-5 container layout.
//
// logger.bin: a 512-byte header, then 64-byte units. A download begins with an
// open block (four units) naming the tag; everything up to the next open block
// belongs to that tag: data units, empty units (all 0xFF) and close-information
// blocks (four units).
//
// Header:  0 u32 magic 0x79F02AB6 | 4 base-station text, zero-terminated, begins
//          with the maker string | 260 u32 rewrite counter
// Open block (256 bytes):
//   0 u8 type 0x01 | 1 u32 magic | 5 "OPEN" | 9 u16 base-station id
//   16 u32 tag time of the download | 20 u32 flash start address (low 6 bits
//   cleared by every reader) | 24 u32 flash end address | 28 u16 tag number
//   32.. settings record; its bytes 2 and 3 are the tag type and software version
#pragma once

#include <cstddef>
#include <cstdint>

#include "store/container_magic.h"

namespace dec {

inline constexpr size_t kHeaderSize = kContainerHeaderSize;
inline constexpr size_t kUnitSize = 64;
inline constexpr size_t kOpenBlockSize = 256;
inline constexpr size_t kCloseInfoSize = 256;

// The maker string at offset 4 of every header, compared with its zero byte.
inline constexpr char kMakerString[] = "Tavro Ltd, Wireless Wildlife Logging Systems, Peru";
inline constexpr size_t kMakerCompareLength = sizeof kMakerString;  // 51 with the zero

inline constexpr size_t kHeaderTextOffset = 4;
inline constexpr size_t kHeaderTextSize = 254;
inline constexpr size_t kRewriteCounterOffset = 260;

// Type byte of the blocks after the header.
enum BlockType : uint8_t { kBlockOpen = 0x01, kBlockCloseInfo = 0x02 };

// Fields of the open block, by offset.
enum OpenBlockField : size_t {
    kObBasestationId = 9,
    kObTime = 16,
    kObFlashStart = 20,
    kObFlashEnd = 24,
    kObTagNumber = 28,
    kObSettings = 32,
    kObTagType = 34,
    kObSoftwareVersion = 35,
};

enum TagType : uint8_t { kTagTypeGpsAcc = 5, kTagTypeEcg = 7 };

// True when the 64-byte unit starts an open block (type, magic and "OPEN").
bool is_open_block_unit(const uint8_t* unit);

// True when all 64 bytes are 0xFF.
bool is_empty_unit(const uint8_t* unit);

// Rounds the flash start address of an open block down to a multiple of 64.
void clear_flash_start_low_bits(uint8_t* open_block);

// True when the 51 bytes at offset 4 of the header are the maker string and its zero.
bool header_has_maker_string(const uint8_t* header);

}  // namespace dec
