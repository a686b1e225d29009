// Settings record tt7_1: the configuration of ECG tags, 32 bytes into the open
// block of every download. Versions 1 and 2; version 2 carries a CRC.
#pragma once

#include <cstdint>

#include "common/outstream.h"

namespace dec {

inline constexpr uint16_t kTt7_1Magic = 0xE532;

// Checks and prints the record of a 256-byte open block into the information
// stream. A wrong magic or a failing CRC (version 2) ends the program with
// BADLOGGERBIN, an unknown version with UNSUPPORTED_PRODUCT (dec::fatal_stop).
// The tag number is not needed by this record; it keeps the call alike to the
// other settings reports.
void print_settings_tt7_1(const uint8_t* open_block, OutStream& info, uint32_t tag_number);

}  // namespace dec
