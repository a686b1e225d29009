// Radio frequencies of the tags' pingers.
//
// A tag stores the synthesizer word of its radio; the frequency is
// word * f_ref / 65536 with the reference crystal of the radio (26 MHz in the
// oldest tags, 27 MHz in all later ones). Only words whose bits 18..23 read
// 0b001000 belong to a programmed synthesizer; any other word means the tag
// runs on its factory default.
#pragma once

#include <cstdint>

#include "common/outstream.h"

namespace dec {

// True when the word is a programmed synthesizer word.
constexpr bool frequency_word_valid(uint32_t word) {
    return (word & 0xFC0000u) == 0x200000u;
}

// "%f MHz = %f kHz\n" for a 26 MHz reference, or "Default frequency\n".
void print_frequency_26mhz(uint32_t word, OutStream& out);
// "%.6f MHz = %.3f kHz\n" for a 27 MHz reference, or "Default frequency\n".
void print_frequency_27mhz(uint32_t word, OutStream& out);

}  // namespace dec
