// Pressure and temperature of the tag's MS5837-family pressure sensor.
//
// The extended GPS record carries the sensor's two raw 24-bit conversions: D1
// (pressure) in bytes 40, 41, 59 and D2 (temperature) in bytes 42, 43, 60, most
// significant byte first. They are turned into physical values with the seven
// calibration words the settings record delivers (W0 and C1..C6).
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/tag_state.h"

namespace dec {

// Bytes of an extended GPS record that the compensation reads.
inline constexpr size_t kMs5837RecordSize = 61;

// Pressure in 0.01 mbar and temperature in 0.01 degree Celsius from the raw
// conversions D1 and D2. Both outputs are 0 when C6 is 0 (no calibration loaded)
// or when the sensor variant in W0 has no known low-temperature correction.
void ms5837_convert(uint32_t d1, uint32_t d2, const PressureCalibration& cal, int32_t& pressure,
                    int32_t& temperature);

// Compensation for an extended GPS record (at least kMs5837RecordSize bytes).
// Returns 0 when the record carries no pressure data (bytes 40, 41, 59 and 60
// all zero; both outputs 0), otherwise 1 with the outputs of ms5837_convert.
int ms5837_compensate(const uint8_t* record, const PressureCalibration& cal, int32_t& pressure,
                      int32_t& temperature);

}  // namespace dec
