// Decoders of the GPS fix records of both generations.
//
// The record entry (tag_records.h) hands each 63-byte payload to one of these.
// A decoder checks the cooked checksum, counts the fix into the tag's
// statistics and GPS on-time, and hands it to the tag's GpsOutput, which
// writes it in the one form the output plan selects.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/output_plan.h"
#include "common/outstream.h"
#include "common/tag_state.h"
#include "records/gps_output.h"

namespace dec {

// What a GPS decoder writes to and updates; made once per tag.
struct GpsContext {
    GpsOutput& out;
    OutStream& info;  // the tag's information stream
    const OutputPlan& plan;
    TagState& tag;  // tag number, feature word, calibration, counters, statistics
};

// Block 0x30 of software-10 tags.
void decode_gps_cooked(const uint8_t* payload, size_t size, GpsContext& ctx);

// Blocks 0x34 (seeded false) and 0x36 (seeded true: the checksum sums start at
// the two low bytes of the tag number).
void decode_gps_extended(const uint8_t* payload, size_t size, bool seeded, GpsContext& ctx);

// Block 0x30 of software-9 tags and block 0x31 of generation-3 tags (the
// software-9 reading; a zero position of generation 3 also clears the status):
// no statistics.
void decode_gps_cooked_v9(const uint8_t* payload, size_t size, GpsContext& ctx);

// Block 0x30 of generation-3 tags, the early record (52 bytes used).
void decode_gps_early(const uint8_t* payload, size_t size, GpsContext& ctx);

}  // namespace dec
