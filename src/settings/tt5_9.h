// Settings record tt5_9: the configuration of GPS-acceleration tags with
// software version 9, 32 bytes into the open block of every download. The
// record has versions 2, 3 and 7 and no checksum.
#pragma once

#include <cstdint>

#include "common/outstream.h"

namespace dec {

inline constexpr uint16_t kTt5_9Magic = 0x9B3A;
// Records of this version belong to tags with the MMA8452 accelerometer, whose
// sample rate is a divisor.
inline constexpr uint8_t kTt5_9VersionMma8452 = 7;

// Serial-number ranges of tag generations whose report differs.
// Tags running the special firmware edition (continuous ACC sampling).
bool tt5_9_special_edition(uint32_t tag_number);
// First-generation GSM tags with the older SMS settings layout.
bool tt5_9_first_gsm_generation(uint32_t tag_number);
// The oldest tags: 26 MHz radio reference and switchable ACC sensitivity.
constexpr bool tt5_9_oldest_tag(uint32_t tag_number) {
    return tag_number < 2242;
}

// Checks and prints the record of a 256-byte open block into the information
// stream. A wrong magic ends the program with BADLOGGERBIN, an unknown version
// with UNSUPPORTED_PRODUCT (dec::fatal_stop). The feature word the record
// implies (0 for versions 2 and 3, all ones for 7) goes to *feature_word when
// it is given.
void print_settings_tt5_9(const uint8_t* open_block, OutStream& info, uint32_t tag_number,
                          uint32_t* feature_word = nullptr);

}  // namespace dec
