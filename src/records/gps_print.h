// Text forms of GPS fixes: "GPS," lines, MOVEBANK lines and KML placemarks,
// with the columns of each tag layout.
#pragma once

#include <cstdint>

#include "common/output_plan.h"
#include "common/outstream.h"
#include "records/gps_record.h"
#include "records/kml.h"
#include "records/tag_layout.h"

namespace dec {

// "GPS," line of a fix; `ontime_s` is the accumulated GPS on-time including
// this record.
void write_gps_line(OutStream& out, const GpsFix& fix, const OutputPlan& plan, uint32_t ontime_s,
                    TagLayout layout);

// MOVEBANK line with the key-bin checksum of the record.
void write_gps_movebank_line(OutStream& out, const GpsFix& fix, uint32_t key, uint32_t tag_number,
                             TagLayout layout, const OutputPlan& plan);

// KML point placemark of a software-10 record: with plan.kml_iso_date a lettered
// placemark for every record off 0/0, otherwise a plain one for valid fixes.
void write_gps_placemark(OutStream& out, KmlTrack& track, const GpsFix& fix, const OutputPlan& plan,
                         uint32_t tag_number, uint32_t counter);
// Software 9 and generation 3: plain placemarks of valid fixes only (the
// early records' without motion figures).
void write_gps_placemark_v9(OutStream& out, KmlTrack& track, const GpsFix& fix, uint32_t tag_number,
                            uint32_t counter);

}  // namespace dec
