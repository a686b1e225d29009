#include "settings/frequency.h"

namespace dec {

void print_frequency_26mhz(uint32_t word, OutStream& out) {
    if (!frequency_word_valid(word)) {
        out.put("Default frequency\n");
        return;
    }
    out.printf("%f MHz = %f kHz\n", word * 26.0 / 65536.0, word * 26000.0 / 65536.0);
}

void print_frequency_27mhz(uint32_t word, OutStream& out) {
    if (!frequency_word_valid(word)) {
        out.put("Default frequency\n");
        return;
    }
    out.printf("%.6f MHz = %.3f kHz\n", word * 27.0 / 65536.0, word * 27000.0 / 65536.0);
}

}  // namespace dec
