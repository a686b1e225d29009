// Sampling frequencies of the ECG tags, by the ECG format byte of the tag
// (1 or 2, which is also the version of its tt7_1 settings record) and the
// frequency code of a record or the settings.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dec {

// Number of codes the table of a format knows (11 for format 1, 43 for
// format 2, 0 for any other format).
size_t ecg_rate_count(uint8_t format);
// The frequency in Hz (single precision, as the tags define it); 0 for codes
// outside the table.
float ecg_sample_rate_hz(uint8_t format, uint8_t code);

}  // namespace dec
