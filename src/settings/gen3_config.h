// Configuration prints of generation-3 tags.
//
// Every generation-3 open block carries the tag's configuration at download
// time: 32 bytes in the short open block, up to 162 bytes in the long one. The
// layout depends on the tag's software version (GPS-acceleration tags) or its
// interaction software version; a marker byte tells whether the area holds a
// configuration at all.
#pragma once

#include <cstdint>

#include "common/outstream.h"

namespace dec {

// Open blocks handed to these printers are held zero-filled in 192 bytes, so
// every offset of either form may be read.
inline constexpr unsigned kGen3ConfigBlockSize = 192;

// "0x%X = " and the frequency in MHz for a 26 MHz reference, or "Default frequency".
void print_gen3_frequency(uint32_t word, OutStream& out);

// "GPS-ACC-Tag Software vers No.:%hhu" and the configuration of its version;
// nothing for a legacy tag. `long_form` selects the long open block layout.
void print_gen3_gps_acc_config(const uint8_t* block, bool long_form, bool legacy_tag,
                               OutStream& out);

// "Interaction tag Software Vers. %hhu;" and its configuration; nothing for a
// legacy tag. A printed configuration stores its entry interval in
// `intact_interval`; a missing one leaves it unchanged.
void print_gen3_interaction_config(const uint8_t* block, bool long_form, bool legacy_tag,
                                   OutStream& out, uint8_t& intact_interval);

}  // namespace dec
