#include <cstdio>

#include "common/action.h"
#include "common/io.h"
#include "common/le.h"
#include "common/tagtime.h"
#include "gen3/gen3_records.h"
#include "records/fletcher32.h"
#include "records/gps_record.h"

namespace dec {

namespace {

constexpr size_t kOldChecksumEnd = 50;  // sums over bytes 0..49 in bytes 50, 51
constexpr uint8_t kCookedValidMask = 0x0D;
constexpr size_t kDescriptionSize = 256;

bool ubx_checksum_ok(const uint8_t* record, size_t count) {
    uint8_t a = 0;
    uint8_t b = 0;
    for (size_t i = 0; i < count; ++i) {
        a = static_cast<uint8_t>(a + record[i]);
        b = static_cast<uint8_t>(b + a);
    }
    return record[count] == a && record[count + 1] == b;
}

char status_letter(uint8_t status) {
    if (status & 0x01) {
        return 'A';
    }
    if ((status & 0x0C) == 0x0C) {
        return 'B';
    }
    return (status & 0x04) ? 'C' : 'D';
}

double degrees(int32_t v) { return v * 1e-7; }
double metres(int32_t mm) { return mm / 1000.0; }

// The early record as the generation-5 fix structure, so both records share
// the writers below.
GpsFix read_old_record(const uint8_t* r) {
    GpsFix f;
    f.lon = le_s32(r, 0);
    f.lat = le_s32(r, 4);
    f.height_mm = le_s32(r, 8);
    f.week = le_s16(r, 12);
    f.tow_ms = le_u32(r, 14);
    f.fix = gps_fix_time(f.week, f.tow_ms);
    f.fix_type = r[19] & 3;
    f.status = r[20];
    f.clock_flag = r[21] & 1;
    f.noise = r[22];
    f.time_to_fix = le_u16(r, 26);
    f.start_time = le_u32(r, 42);
    f.temperature_coarse = static_cast<int32_t>(uint32_t{le_u16(r, 46)} * 2500 / 12083) - 316;
    f.battery_mv = (uint32_t{le_u16(r, 48)} * 5000) >> 12;
    f.valid = (f.status & kCookedValidMask) == kCookedValidMask && f.fix_type == 3;
    f.letter = status_letter(f.status);
    if (!f.valid) {
        f.lon = 0;
        f.lat = 0;
        f.height_mm = 0;
    }
    return f;
}

// The position columns and the GPS line head shared by both records.
void write_line_head(OutStream& out, const GpsFix& f, uint32_t action) {
    out.put("GPS,");
    print_tag_time(f.start_time, out, action);
    out.printf(",%.7f,%.7f,%.1f,", degrees(f.lon), degrees(f.lat), metres(f.height_mm));
    out.printf("%hhu,%c,%hhu,%hhu,%u,", f.fix_type, f.letter, f.clock_flag, f.noise,
               static_cast<unsigned>(f.time_to_fix));
    print_date_weekday(f.fix.week, f.fix.seconds, out);
}

// The Movebank columns up to the fix time stamp. A fix without a valid week
// and time (letters C and D) has no time stamp.
void write_movebank_head(OutStream& out, GpsFix& f, uint32_t key, uint32_t tag) {
    out.printf("%010u,%i,", key, static_cast<int>(tag));
    print_tag_time_iso(f.start_time, out);
    if (f.valid) {
        out.printf(",%.7f,%.7f,%.1f,", degrees(f.lon), degrees(f.lat), metres(f.height_mm));
    } else {
        out.put(",,,,");
    }
    if (f.letter == 'C' || f.letter == 'D') {
        f.tow_ms = 0;
        f.week = 0;
    }
    out.printf("%hhu,%c,%u,", f.fix_type, f.letter, static_cast<unsigned>(f.time_to_fix));
    print_gps_ms_time(f.tow_ms, f.week, out);
}

// KML placemark of a valid fix; `motion` is appended to the description.
void write_placemark(Gen3RecordOutput& rec, const GpsFix& f, bool with_motion) {
    char label[32];
    format_into(label, sizeof label, "tag%i", static_cast<int>(rec.tag_number));
    char desc[kDescriptionSize];
    int len = format_gps_description(f.fix.week, f.fix.seconds, label, desc, sizeof desc);
    if (with_motion && len >= 0 && static_cast<size_t>(len) < sizeof desc) {
        format_into(desc + len, sizeof desc - static_cast<size_t>(len),
                    "%.1fkm/h; %.0fdeg; %.1fkm/h; %.1fm", f.speed * 3.6, f.heading,
                    f.speed_acc * 3.6, metres(f.height_mm));
    }
    if (f.valid) {
        write_kml_placemark(rec.main, rec.track, rec.gps_counter, 0, desc, f.lon, f.lat,
                            f.height_mm);
    }
}

// KML and GPX outputs; true when the record went to one of them.
bool write_map_output(Gen3RecordOutput& rec, const GpsFix& f, bool with_motion) {
    if (rec.action & ACT_KML) {
        write_placemark(rec, f, with_motion);
        return true;
    }
    if (rec.action & ACT_GPX) {
        if (f.valid) {
            write_gpx_trackpoint(rec.main, f.tow_ms, f.week, f.lon, f.lat, f.height_mm, 0);
        }
        return true;
    }
    return false;
}

// Stores the fields the outputs changed back into the record.
void store_back(uint8_t* r, const GpsFix& f) {
    put_le32(r, 0, static_cast<uint32_t>(f.lon));
    put_le32(r, 4, static_cast<uint32_t>(f.lat));
    put_le32(r, 8, static_cast<uint32_t>(f.height_mm));
    put_le16(r, 12, static_cast<uint16_t>(f.week));
    put_le32(r, 14, f.tow_ms);
}

}  // namespace

void decode_gps_gen3_old(uint8_t* record, Gen3RecordOutput& rec) {
    if (!ubx_checksum_ok(record, kOldChecksumEnd)) {
        rec.info.put("############################ Cooked checksum error\n");
        ++rec.bad_blocks;
        return;
    }
    const uint32_t key = (rec.action & ACT_MOVEBANK) ? fletcher32(record, 52) : 0;
    GpsFix f = read_old_record(record);
    store_back(record, f);
    if (write_map_output(rec, f, false)) {
        return;
    }
    OutStream& out = rec.main;
    if (rec.action & ACT_MOVEBANK) {
        write_movebank_head(out, f, key, rec.tag_number);
        store_back(record, f);
        out.printf(",%u,,%i,,,,\n", f.battery_mv, f.temperature_coarse);
        return;
    }
    write_line_head(out, f, rec.action);
    out.printf(",%hi,", static_cast<int16_t>(f.fix.week));
    print_time_of_day(f.fix.seconds, out);
    out.printf(",%u,%i\n", f.battery_mv, f.temperature_coarse);
}

void decode_gps_gen3(uint8_t* record, Gen3RecordOutput& rec) {
    if (!gps_cooked_checksum_ok(record, 0, 0)) {
        rec.info.put("############################ Cooked checksum error\n");
        ++rec.bad_blocks;
        return;
    }
    const uint32_t key = (rec.action & ACT_MOVEBANK) ? fletcher32(record, 63) : 0;
    // The software-9 reading has the rules of these tags: a record that is not
    // a valid fix loses its position (unless it is the test record) and its
    // motion figures, and a zero position is no fix at all.
    GpsFix f = decode_gps_cooked_record_v9(record);
    f.letter = status_letter(f.status);
    if (f.zero_position) {
        f.fix_type = 0;
        f.status = 0;
        f.letter = 'D';
        record[19] = 0;
        record[20] = 0;
    }
    rec.gps_ontime += f.time_to_fix;
    store_back(record, f);
    if (write_map_output(rec, f, true)) {
        return;
    }
    OutStream& out = rec.main;
    const bool z_axis_tag = (rec.action & ACT_GEN3_Z_AXIS_TAG) != 0;
    if (rec.action & ACT_MOVEBANK) {
        write_movebank_head(out, f, key, rec.tag_number);
        store_back(record, f);
        out.printf(",%u,%u,%i", f.battery_mv, f.fix_battery_mv, f.temperature_coarse);
        if (!z_axis_tag && f.valid) {
            out.printf(",%.2f,%.2f,%.2f,%.2f\n", f.speed, f.heading, f.speed_acc, f.horiz_acc);
        } else {
            out.put(",,,,\n");
        }
        return;
    }
    write_line_head(out, f, rec.action);
    out.put_char(',');
    print_time_of_day(f.fix.seconds, out);
    out.printf(",%u,%i", f.battery_mv, f.temperature_coarse);
    if (z_axis_tag) {
        out.put(",0.00,0.00,0.00,0.00");
    } else {
        out.printf(",%.2f,%.2f,%.2f,%.2f", f.speed, f.heading, f.speed_acc, f.horiz_acc);
    }
    if (rec.action & ACT_GPS_EXTENDED) {
        out.printf(",%u,%u,%.2f\n", f.loaded_battery_mv, f.fix_battery_mv, rec.gps_ontime / 3600.0);
    } else {
        out.put_char('\n');
    }
}

}  // namespace dec
