// Text forms of GPS fixes: "GPS," lines, MOVEBANK lines and KML placemarks.
#pragma once

#include <cstdint>

#include "common/output_plan.h"
#include "common/outstream.h"
#include "records/gps_record.h"
#include "records/kml.h"

namespace dec {

// "GPS," line of a cooked or extended record; `ontime_s` is the accumulated GPS
// on-time including this record.
void write_gps_line(OutStream& out, const GpsFix& fix, const OutputPlan& plan, uint32_t ontime_s);
void write_gps_line_v9(OutStream& out, const GpsFix& fix, const OutputPlan& plan,
                       uint32_t ontime_s);

// The start of a "GPS," line: the start time stamp, position, the fix columns
// and the date and weekday of the fix (no separator after).
void write_gps_line_start(OutStream& out, const GpsFix& fix, const OutputPlan& plan);

// MOVEBANK lines with the key-bin checksum of the record.
void write_gps_movebank_line(OutStream& out, const GpsFix& fix, uint32_t key, uint32_t tag_number);
void write_gps_movebank_line_v9(OutStream& out, const GpsFix& fix, uint32_t key,
                                uint32_t tag_number);
// The software-9 MOVEBANK columns up to the fix time stamp, which is empty for
// the letters C and D (no valid time of week).
void write_gps_movebank_start_v9(OutStream& out, const GpsFix& fix, uint32_t key,
                                 uint32_t tag_number);

// KML point placemark of a software-10 record: with plan.kml_iso_date a lettered
// placemark for every record off 0/0, otherwise a plain one for valid fixes.
void write_gps_placemark(OutStream& out, KmlTrack& track, const GpsFix& fix, const OutputPlan& plan,
                         uint32_t tag_number, uint32_t counter);
// Software 9: plain placemarks of valid fixes only.
void write_gps_placemark_v9(OutStream& out, KmlTrack& track, const GpsFix& fix, uint32_t tag_number,
                            uint32_t counter);

}  // namespace dec
