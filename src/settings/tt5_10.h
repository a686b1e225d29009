// Settings record tt5_10: the configuration of GPS-acceleration tags with
// software version 10, carried in every open block of their downloads.
//
// Record head (offsets from the record start, 32 bytes into the open block):
//   0  u16  magic 0x9B3A
//   4  u8   structure version 0..3
//   5  u32  feature word
//   9  u8   mode byte (active-mode bits 0xAA against off bits 0x55)
//  10  u16  secret_key
//  12  u8   access_key
// The body differs per structure version; a CRC-16 over the first 171 (SV0),
// 179 (SV1) or 210 (SV2, SV3) bytes follows directly behind them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/outstream.h"
#include "common/tag_state.h"

namespace dec {

inline constexpr uint16_t kTt5_10Magic = 0x9B3A;

struct Tt5_10Head {
    uint16_t magic = 0;
    uint8_t version = 0;
    uint32_t features = 0;
    uint8_t mode = 0;
    uint16_t crc_stored = 0;  // both 0 for an unknown version
    uint16_t crc_computed = 0;
};

// Bytes covered by the CRC of a structure version, 0 for unknown versions.
constexpr size_t tt5_10_crc_length(uint8_t version) {
    switch (version) {
        case 0:
            return 171;
        case 1:
            return 179;
        case 2:
        case 3:
            return 210;
        default:
            return 0;
    }
}

// `record` points at the settings record inside a 256-byte open block.
Tt5_10Head decode_tt5_10_head(const uint8_t* record);

// Checks and prints the record of a 256-byte open block into the information
// stream. The feature word and, for structure version 2, the pressure
// calibration go to *state when it is given (pressure is cleared there when
// the record has no valid calibration). A wrong magic or CRC ends the program
// with BADLOGGERBIN, an unknown structure version with UNSUPPORTED_PRODUCT,
// unknown feature bits with UNSUPPORTED_FF_PRODUCT (dec::fatal_stop).
void print_settings_tt5_10(const uint8_t* open_block, OutStream& info, uint32_t tag_number,
                           TagState* state);

}  // namespace dec
