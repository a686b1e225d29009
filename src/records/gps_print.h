// Text forms of GPS fixes: "GPS," lines, MOVEBANK lines and KML placemarks,
// with the columns of each tag layout.
#pragma once

#include <cstdint>

#include "common/output_plan.h"
#include "common/outstream.h"
#include "common/tagtime.h"
#include "records/gps_record.h"
#include "records/kml.h"
#include "records/tag_layout.h"

namespace dec {

// What a line of a fix shows besides the fix.
struct GpsLineFacts {
    uint32_t key;         // key-bin checksum of the record (MOVEBANK)
    uint32_t tag_number;  // MOVEBANK
    uint32_t ontime_s;    // GPS on-time including this record ("GPS," lines)
    TimeScale times;      // of the MOVEBANK time stamps
};

// The "GPS," line or, with GpsForm::movebank, the MOVEBANK line of a fix.
void write_gps_line(OutStream& out, const GpsFix& fix, const OutputPlan& plan, TagLayout layout,
                    const GpsLineFacts& facts);

// KML point placemark of a software-10 record: with plan.kml_iso_date a lettered
// placemark for every record off 0/0, otherwise a plain one for valid fixes.
// `times`: the time of the description.
void write_gps_placemark(OutStream& out, KmlTrack& track, const GpsFix& fix, const OutputPlan& plan,
                         uint32_t tag_number, uint32_t counter, const TimeScale& times = {});
// Software 9 and generation 3: plain placemarks of valid fixes only (the
// early records' without motion figures).
void write_gps_placemark_v9(OutStream& out, KmlTrack& track, const GpsFix& fix, uint32_t tag_number,
                            uint32_t counter, const TimeScale& times = {});

}  // namespace dec
