// Calibration words of the tag's pressure sensor.
//
// Tags with a pressure sensor copy the sensor's factory calibration (seven
// 16-bit words W0, C1..C6) into structure version 2 of their settings record.
// W0 carries a 4-bit CRC over all words in its top bits and the sensor
// variant in bits 5..11; the GPS decoder needs the words to compensate the
// raw pressure and temperature readings.
#pragma once

#include <cstdint>

#include "common/tag_state.h"

namespace dec {

enum PressurePromResult : int {
    PROM_OK = 0,
    PROM_NONE = 254,  // all bytes 0 or all 0xFF: no sensor calibration stored
    PROM_BAD = 255,   // CRC mismatch or unknown sensor variant
};

// CRC-4 of the sensor family over W0 (top four bits cleared), C1..C6 and a
// zero eighth word, high byte first.
uint8_t pressure_prom_crc4(const uint16_t (&words)[7]);

// Checks the calibration: `prom13` are the 13 bytes W0..C5 and the low byte of
// C6, `c6_high` the high byte of C6, which the record keeps elsewhere. On
// PROM_OK the words are stored in *calibration; otherwise it is cleared.
int check_pressure_prom(const uint8_t* prom13, uint8_t c6_high, PressureCalibration* calibration);

}  // namespace dec
