#include "settings/pressure_prom.h"

#include "common/le.h"

namespace dec {
namespace {

// Sensor variants (W0 bits 5..11) whose calibration this decoder accepts.
static constexpr uint16_t kKnownSensorVariants[] = {
    0x000,  // ms5837-02ba01
    0x2A0,  // ms5837-02ba21
    0x340,  // ms5837-02ba26
    0x480,  // ms5839-02ba36
    0xBA0,  // ms5837-02ba06
};

bool known_variant(uint16_t w0) {
    for (uint16_t v : kKnownSensorVariants) {
        if ((w0 & 0x0FE0) == v) {
            return true;
        }
    }
    return false;
}

}  // namespace

uint8_t pressure_prom_crc4(const uint16_t (&words)[7]) {
    uint16_t rem = 0;
    for (int i = 0; i < 16; ++i) {
        // W0 without its CRC bits, C1..C6 and a zero eighth word.
        const auto w = static_cast<uint16_t>(i >= 14 ? 0
                                             : i < 2 ? words[0] & 0x0FFF
                                                     : words[i / 2]);
        rem = static_cast<uint16_t>(rem ^ ((i % 2) != 0 ? (w & 0xFF) : (w >> 8)));
        for (int bit = 0; bit < 8; ++bit) {
            rem = (rem & 0x8000) != 0 ? static_cast<uint16_t>((rem << 1) ^ 0x3000)
                                      : static_cast<uint16_t>(rem << 1);
        }
    }
    return static_cast<uint8_t>(rem >> 12);
}

int check_pressure_prom(const uint8_t* prom13, uint8_t c6_high, PressureCalibration* calibration) {
    PressureCalibration words;
    for (int i = 0; i < 6; ++i) {
        words.c[i] = le_u16(prom13, static_cast<size_t>(2 * i));
    }
    words.c[6] = static_cast<uint16_t>(prom13[12] | (c6_high << 8));

    bool all_zero = c6_high == 0x00;
    bool all_ones = c6_high == 0xFF;
    for (int i = 0; i < 13; ++i) {
        all_zero = all_zero && prom13[i] == 0x00;
        all_ones = all_ones && prom13[i] == 0xFF;
    }
    int result = PROM_OK;
    if (all_zero || all_ones) {
        result = PROM_NONE;
    } else if (pressure_prom_crc4(words.c) != (words.c[0] >> 12) || !known_variant(words.c[0])) {
        result = PROM_BAD;
    }
    if (calibration != nullptr) {
        *calibration = result == PROM_OK ? words : PressureCalibration{};
    }
    return result;
}

}  // namespace dec
