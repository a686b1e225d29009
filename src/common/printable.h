// Texts that tags and base stations write into the container (GSM texts and
// modem answers, the base station's name and version) go into files people
// read on a terminal. A damaged or forged text must not be able to steer that
// terminal (escape sequences that retitle the window, clear the screen, move
// the cursor), so its control bytes are replaced before it is written: bytes
// 1 to 31 become '~', DEL and every byte above it '?'. A zero byte stays, as
// it ends the text.
#pragma once

#include <cstddef>

namespace dec {

inline char printable_char(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 32 && u != 0) {
        return '~';
    }
    return u > 126 ? '?' : c;
}

inline void make_printable(char* text, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        text[i] = printable_char(text[i]);
    }
}

}  // namespace dec
