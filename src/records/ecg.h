// ECG records: heart-signal bursts of ECG tags.
#pragma once

#include <cstdint>

#include "common/output_plan.h"
#include "common/outstream.h"
#include "common/tagtime.h"

namespace dec {

// The largest record the ECG loop assembles (31 units); longer ones are dropped.
inline constexpr uint32_t kEcgBufferSize = 1953;
inline constexpr uint32_t kEcgMaxSamples = 2000;

struct EcgRecord {
    uint32_t start_time = 0;  // tag time
    float frequency_hz = 0;
    float resolution_uv = 0;
    int16_t dynamic_offset = 0;
    double temperature = 0;
    uint16_t battery_mv = 0;
    uint32_t sample_count = 0;
    int16_t samples[kEcgMaxSamples] = {};
};

// Checks length and checksum and unpacks the record; false when it is to be
// dropped. `format` is the tag's ECG format byte (1 or 2).
bool parse_ecg_record(const uint8_t* record, uint32_t length, uint32_t tag_number, uint8_t format,
                      EcgRecord& out);

// The MOVEBANK header of the ECG file, or the legend of the ECG lines on the
// information stream.
void write_ecg_heads(const OutputPlan& plan, OutStream& ecg, OutStream& info);

// One ECG line (or MOVEBANK line, or temperature line with plan.acc).
// `scratch` holds the decoded record; the caller keeps it for the tag.
// `times`: the time of the MOVEBANK line.
void decode_ecg_record(const uint8_t* record, const OutputPlan& plan, OutStream& ecg,
                       OutStream& info, uint32_t length, uint32_t tag_number, uint8_t format,
                       EcgRecord& scratch, const TimeScale& times = {});

}  // namespace dec
