#include "common/io.h"
#include "common/le.h"
#include "common/tagtime.h"
#include "gen3/gen3_records.h"
#include "records/fletcher32.h"
#include "records/gps_print.h"
#include "records/gps_record.h"

namespace dec {

namespace {

constexpr size_t kOldChecksumEnd = 50;  // sums over bytes 0..49 in bytes 50, 51
constexpr int32_t kOldKeyLength = 52;
constexpr uint8_t kStatusFixOk = 0x01;
constexpr uint8_t kCookedValidMask = 0x0D;
constexpr size_t kDescriptionSize = 256;

// The early record as the generation-5 fix structure, so both records share
// the generation-5 printers.
GpsFix read_old_record(const uint8_t* r) {
    GpsFix f;
    read_position_and_time(r, f);
    f.fix_type = le_u8(r, 19) & 3;
    f.status = le_u8(r, 20);
    f.clock_flag = le_u8(r, 21) & 1;
    f.noise = le_u8(r, 22);
    f.time_to_fix = le_u16(r, 26);
    f.start_time = le_u32(r, 42);
    f.temperature_coarse = gps_coarse_temperature(le_u16(r, 46));
    f.battery_mv = voltage_code_mv(le_u16(r, 48));
    f.valid = (f.status & kCookedValidMask) == kCookedValidMask && f.fix_type == 3;
    f.letter = gps_status_letter(f.status, (f.status & kStatusFixOk) != 0);
    if (!f.valid) {
        f.lon = 0;
        f.lat = 0;
        f.height_mm = 0;
    }
    return f;
}

// KML placemark of a valid early fix: the description has no motion figures.
void write_old_placemark(Gen3RecordOutput& rec, const GpsFix& f) {
    if (!f.valid) {
        return;
    }
    char label[32];
    format_into(label, sizeof label, "tag%i", static_cast<int>(rec.tag.tag_number));
    char desc[kDescriptionSize];
    format_gps_description(f.fix.week, f.fix.seconds, label, desc, sizeof desc);
    write_kml_placemark(rec.main, rec.track, rec.tag.gps_record_counter, 0, desc, f.lon, f.lat,
                        f.height_mm);
}

// GPX track point of a valid fix.
void write_trackpoint(Gen3RecordOutput& rec, const GpsFix& f) {
    if (f.valid) {
        write_gpx_trackpoint(rec.main, f.tow_ms, f.week, f.lon, f.lat, f.height_mm, 0);
    }
}

// Stores the fields the outputs changed back into the record.
void store_back(uint8_t* r, const GpsFix& f) {
    put_le32(r, 0, static_cast<uint32_t>(f.lon));
    put_le32(r, 4, static_cast<uint32_t>(f.lat));
    put_le32(r, 8, static_cast<uint32_t>(f.height_mm));
    put_le16(r, 12, static_cast<uint16_t>(f.week));
    put_le32(r, 14, f.tow_ms);
}

// The Movebank columns up to the fix time stamp. A fix without a valid week
// and time (letters C and D) has its week and time of week cleared.
void write_movebank_start(uint8_t* record, GpsFix& f, uint32_t key, Gen3RecordOutput& rec) {
    if (f.letter == 'C' || f.letter == 'D') {
        f.tow_ms = 0;
        f.week = 0;
        store_back(record, f);
    }
    write_gps_movebank_start_v9(rec.main, f, key, rec.tag.tag_number);
}

bool checksum_ok(const uint8_t* record, size_t count, Gen3RecordOutput& rec) {
    if (gps_sums_ok(record, count, 0, 0)) {
        return true;
    }
    rec.info.put("############################ Cooked checksum error\n");
    ++rec.tag.bad_units;
    return false;
}

}  // namespace

void decode_gps_gen3_old(uint8_t* record, Gen3RecordOutput& rec) {
    if (!checksum_ok(record, kOldChecksumEnd, rec)) {
        return;
    }
    const uint32_t key = rec.plan.movebank ? fletcher32(record, kOldKeyLength) : 0;
    GpsFix f = read_old_record(record);
    store_back(record, f);
    OutStream& out = rec.main;
    if (rec.plan.gps_form == GpsForm::kml) {
        write_old_placemark(rec, f);
    } else if (rec.plan.gps_form == GpsForm::gpx) {
        write_trackpoint(rec, f);
    } else if (rec.plan.gps_form == GpsForm::movebank) {
        write_movebank_start(record, f, key, rec);
        out.printf(",%u,,%i,,,,\n", f.battery_mv, f.temperature_coarse);
    } else {
        write_gps_line_start(out, f, rec.plan);
        out.printf(",%hi,", static_cast<int16_t>(f.fix.week));
        print_time_of_day(f.fix.seconds, out);
        out.printf(",%u,%i\n", f.battery_mv, f.temperature_coarse);
    }
}

void decode_gps_gen3(uint8_t* record, Gen3RecordOutput& rec) {
    if (!checksum_ok(record, kGpsRecordSize - 2, rec)) {
        return;
    }
    const uint32_t key = rec.plan.movebank ? fletcher32(record, kGpsRecordSize) : 0;
    // The software-9 reading has the rules of these tags: a record that is not
    // a valid fix loses its position (unless it is the test record) and its
    // motion figures, and a zero position is no fix at all, here with its fix
    // and status bytes cleared.
    GpsFix f = decode_gps_cooked_record_v9(record);
    if (f.zero_position) {
        f.status = 0;
        f.letter = 'D';
        record[19] = 0;
        record[20] = 0;
    }
    rec.tag.gps_ontime += f.time_to_fix;
    store_back(record, f);
    OutStream& out = rec.main;
    const bool z_axis_tag = rec.plan.gen3.z_axis_tag;
    if (rec.plan.gps_form == GpsForm::kml) {
        write_gps_placemark_v9(out, rec.track, f, rec.tag.tag_number, rec.tag.gps_record_counter);
    } else if (rec.plan.gps_form == GpsForm::gpx) {
        write_trackpoint(rec, f);
    } else if (rec.plan.gps_form == GpsForm::movebank) {
        write_movebank_start(record, f, key, rec);
        out.printf(",%u,%u,%i", f.battery_mv, f.fix_battery_mv, f.temperature_coarse);
        if (!z_axis_tag && f.valid) {
            out.printf(",%.2f,%.2f,%.2f,%.2f\n", f.speed, f.heading, f.speed_acc, f.horiz_acc);
        } else {
            out.put(",,,,\n");
        }
    } else {
        write_gps_line_start(out, f, rec.plan);
        out.put_char(',');
        print_time_of_day(f.fix.seconds, out);
        out.printf(",%u,%i", f.battery_mv, f.temperature_coarse);
        if (z_axis_tag) {
            out.put(",0.00,0.00,0.00,0.00");
        } else {
            out.printf(",%.2f,%.2f,%.2f,%.2f", f.speed, f.heading, f.speed_acc, f.horiz_acc);
        }
        if (rec.plan.gps_extended) {
            out.printf(",%u,%u,%.2f\n", f.loaded_battery_mv, f.fix_battery_mv,
                       rec.tag.gps_ontime / 3600.0);
        } else {
            out.put_char('\n');
        }
    }
}

}  // namespace dec
