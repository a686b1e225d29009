// The body printers of the tt5_10 structure versions (one file each).
#pragma once

#include <cstdint>

#include "common/outstream.h"
#include "common/tag_state.h"
#include "settings/settings_lines.h"

namespace dec {

// Structure versions 0 and 1 (1 adds the super-burst fields at 171..178).
void print_tt5_10_v01(const SettingsContext& ctx, OutStream& out, uint8_t version,
                      uint32_t tag_number);
// Structure version 2, with the pressure sensor calibration (nullable target).
void print_tt5_10_v2(const SettingsContext& ctx, OutStream& out, PressureCalibration* pressure);
// Structure version 3.
void print_tt5_10_v3(const SettingsContext& ctx, OutStream& out);

}  // namespace dec
