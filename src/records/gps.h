// Decoders of the GPS fix blocks of generation-5 GPS-acceleration tags.
//
// The block loop hands each 0x30, 0x34 or 0x36 payload (63 bytes) to one of
// these. A decoder checks the cooked checksum, counts the fix into the tag's
// statistics and GPS on-time, and writes it in the one form the output plan
// selects: a KML placemark, a GPX track point, a MOVEBANK line or a "GPS," line.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/output_plan.h"
#include "common/outstream.h"
#include "common/tag_state.h"
#include "records/kml.h"

namespace dec {

// What a GPS decoder writes to and updates; the loop builds one per tag.
struct GpsContext {
    OutStream& main;  // GPS text, MOVEBANK, KML or GPX stream
    OutStream& info;  // the tag's information stream
    OutputPlan plan;
    TagState& tag;    // tag number, feature word, calibration, counters, statistics
    KmlTrack& track;  // points of the KML line placemark
};

// Block 0x30 of software-10 tags.
void decode_gps_cooked(const uint8_t* payload, size_t size, GpsContext& ctx);

// Blocks 0x34 (seeded false) and 0x36 (seeded true: the checksum sums start at
// the two low bytes of the tag number).
void decode_gps_extended(const uint8_t* payload, size_t size, bool seeded, GpsContext& ctx);

// Block 0x30 of software-9 tags: no statistics, 18-column MOVEBANK lines.
void decode_gps_cooked_v9(const uint8_t* payload, size_t size, GpsContext& ctx);

}  // namespace dec
