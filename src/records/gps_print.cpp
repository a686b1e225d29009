#include "records/gps_print.h"

#include "common/action.h"
#include "common/io.h"
#include "common/tagtime.h"

namespace dec {

namespace {

constexpr double kDegreesPerUnit = 1e-7;
constexpr double kKmhPerMs = 3.6;
constexpr size_t kLabelSize = 64;
constexpr size_t kDescriptionSize = 256;

double degrees(int32_t v) {
    return v * kDegreesPerUnit;
}
double metres(int32_t mm) {
    return mm / 1000.0;
}
double hours(uint32_t seconds) {
    return seconds / 3600.0;
}

// The line start and the fix time of day.
void write_line_head(OutStream& out, const GpsFix& f, uint32_t action) {
    write_gps_line_start(out, f, action);
    out.put_char(',');
    print_time_of_day(f.fix.seconds, out);
}

void write_battery_temperature(OutStream& out, const GpsFix& f) {
    if (f.temperature_fine) {
        out.printf(",%u,%.2f", f.battery_mv, f.temperature);
    } else {
        out.printf(",%u,%i", f.battery_mv, f.temperature_coarse);
    }
}

void write_motion(OutStream& out, const GpsFix& f) {
    out.printf(",%.2f,%.2f,%.2f,%.2f", f.speed, f.heading, f.speed_acc, f.horiz_acc);
}

void write_movebank_start(OutStream& out, const GpsFix& f, uint32_t key, uint32_t tag_number) {
    out.printf("%010u,%i,", key, static_cast<int>(tag_number));
    print_tag_time_iso(f.start_time, out);
}

// Description of a placemark: the fix time and the motion figures.
void build_description(const GpsFix& f, bool iso, const char* label,
                       char (&desc)[kDescriptionSize]) {
    int n = iso ? format_gps_description_iso(f.fix.week, f.fix.seconds, label, desc, sizeof desc)
                : format_gps_description(f.fix.week, f.fix.seconds, label, desc, sizeof desc);
    if (n < 0) {
        n = 0;
        desc[0] = '\0';
    }
    const auto used = static_cast<size_t>(n);
    if (used + 1 >= sizeof desc) {
        return;
    }
    char* rest = desc + used;
    const size_t room = sizeof desc - used;
    if (iso) {
        format_into(rest, room, "%.1fkm/h; %.0fdeg; %.1fm", f.speed * kKmhPerMs, f.heading,
                    metres(f.height_mm));
    } else {
        format_into(rest, room, "%.1fkm/h; %.0fdeg; %.1fkm/h; %.1fm", f.speed * kKmhPerMs,
                    f.heading, f.speed_acc * kKmhPerMs, metres(f.height_mm));
    }
}

}  // namespace

void write_gps_line_start(OutStream& out, const GpsFix& f, uint32_t action) {
    out.put("GPS,");
    print_tag_time(f.start_time, out, action);
    out.printf(",%.7f,%.7f,%.1f,", degrees(f.lon), degrees(f.lat), metres(f.height_mm));
    if (f.kind == GpsKind::cooked) {
        out.printf("%hhu,%c,%hhu,%hhu,%u,", f.fix_type, f.letter, f.clock_flag, f.noise,
                   f.time_to_fix);
    } else {
        out.printf("3,%c,%hhu,,%u,", f.letter, f.clock_flag, f.time_to_fix);
    }
    print_date_weekday(f.fix.week, f.fix.seconds, out);
}

void write_gps_movebank_start_v9(OutStream& out, const GpsFix& f, uint32_t key,
                                 uint32_t tag_number) {
    write_movebank_start(out, f, key, tag_number);
    if (f.valid) {
        out.printf(",%.7f,%.7f,%.1f,", degrees(f.lon), degrees(f.lat), metres(f.height_mm));
    } else {
        out.put(",,,,");
    }
    out.printf("%hhu,%c,%u,", f.fix_type, f.letter, f.time_to_fix);
    // Letters C and D mean no time of week: the fix time stamp stays empty.
    if (f.letter != 'C' && f.letter != 'D') {
        print_gps_ms_time(f.tow_ms, f.week, out);
    }
}

void write_gps_line(OutStream& out, const GpsFix& f, uint32_t action, uint32_t ontime_s) {
    write_line_head(out, f, action);
    write_battery_temperature(out, f);
    write_motion(out, f);
    const bool extended = (action & ACT_GPS_EXTENDED) != 0;
    if (f.kind == GpsKind::cooked) {
        // Columns 23 to 32 belong to the extended record.
        out.put(",,,,,,,,,,");
        if (extended) {
            out.printf(",%u,%u,%.2f,%u\n", f.loaded_battery_mv, f.fix_battery_mv, hours(ontime_s),
                       f.vert_acc_raw);
        } else {
            out.put_char('\n');
        }
        return;
    }
    out.printf(",%.1f,%hhu,%.2f,%i,%i,%i,%i,%i,%i,%i", f.dop_raw * 0.1, f.satellites,
               f.pressure_hpa, f.quat[0], f.quat[1], f.quat[2], f.quat[3], f.mag[0], f.mag[1],
               f.mag[2]);
    if (extended) {
        out.printf(",%u,%u,%.2f,%.1f\n", f.loaded_battery_mv, f.fix_battery_mv, hours(ontime_s),
                   f.vert_acc_raw * 0.1);
    } else {
        out.put_char('\n');
    }
}

void write_gps_line_v9(OutStream& out, const GpsFix& f, uint32_t action, uint32_t ontime_s) {
    write_line_head(out, f, action);
    out.printf(",%u,%i", f.battery_mv, f.temperature_coarse);
    write_motion(out, f);
    if ((action & ACT_GPS_EXTENDED) != 0) {
        out.printf(",%u,%u,%.2f,%u\n", f.loaded_battery_mv, f.fix_battery_mv, hours(ontime_s),
                   f.vert_acc_raw);
    } else {
        out.put_char('\n');
    }
}

void write_gps_movebank_line(OutStream& out, const GpsFix& f, uint32_t key, uint32_t tag_number) {
    write_movebank_start(out, f, key, tag_number);
    const bool located = !f.zero_position;
    if (f.kind == GpsKind::cooked) {
        if (located) {
            out.printf(",%.7f,%.7f,%.1f,", degrees(f.lon), degrees(f.lat), metres(f.height_mm));
        } else {
            out.put(",,,,");
        }
        out.printf("%hhu,%c,%u,", f.fix_type, f.letter, f.time_to_fix);
    } else {
        if (located) {
            out.printf(",%.7f,%.7f,%.1f,3,", degrees(f.lon), degrees(f.lat), metres(f.height_mm));
        } else {
            out.put(",,,,0,");
        }
        out.printf("%c,%u,", f.letter, f.time_to_fix);
    }
    print_gps_ms_time(f.tow_ms, f.week, out);
    if (f.temperature_fine) {
        out.printf(",%u,%u,%.2f", f.battery_mv, f.fix_battery_mv, f.temperature);
    } else {
        out.printf(",%u,%u,%i", f.battery_mv, f.fix_battery_mv, f.temperature_coarse);
    }
    if (f.kind == GpsKind::cooked) {
        if (located) {
            write_motion(out, f);
            out.printf(",,,,,,,,,,,%hhu\n", kDecoderVersion);
        } else {
            out.printf(",,,,,,,,,,,,,,,%hhu\n", kDecoderVersion);
        }
        return;
    }
    if (located) {
        write_motion(out, f);
        out.printf(",%.1f,%hhu,%.2f,", f.dop_raw * 0.1, f.satellites, f.pressure_hpa);
    } else {
        out.printf(",,,,,,,%.2f,", f.pressure_hpa);
    }
    if (f.quat_present) {
        out.printf("%i,%i,%i,%i,%i,%i,%i,%hhu\n", f.quat[0], f.quat[1], f.quat[2], f.quat[3],
                   f.mag[0], f.mag[1], f.mag[2], kDecoderVersion);
    } else {
        out.printf(",,,,,,,%hhu\n", kDecoderVersion);
    }
}

void write_gps_movebank_line_v9(OutStream& out, const GpsFix& f, uint32_t key,
                                uint32_t tag_number) {
    write_gps_movebank_start_v9(out, f, key, tag_number);
    out.printf(",%u,%u,%i", f.battery_mv, f.fix_battery_mv, f.temperature_coarse);
    if (f.valid) {
        write_motion(out, f);
        out.printf(",%hhu\n", kDecoderVersion);
    } else {
        out.printf(",,,,,%hhu\n", kDecoderVersion);
    }
}

void write_gps_placemark(OutStream& out, KmlTrack& track, const GpsFix& f, uint32_t action,
                         uint32_t tag_number, uint32_t counter) {
    // No placemark at 0/0, where a receiver without a fix leaves its position.
    const bool iso = (action & ACT_KML_ISO_DATE) != 0;
    if ((f.lon == 0 && f.lat == 0) || (!iso && !f.valid)) {
        return;
    }
    char label[kLabelSize];
    format_into(label, sizeof label, "t%i", static_cast<int>(tag_number));
    char desc[kDescriptionSize];
    build_description(f, iso, label, desc);
    if (iso) {
        write_kml_placemark(out, track, counter, f.letter, desc, f.lon, f.lat, f.height_mm);
    } else {
        write_kml_placemark(out, track, counter, 0, desc, f.lon, f.lat, f.height_mm);
    }
}

void write_gps_placemark_v9(OutStream& out, KmlTrack& track, const GpsFix& f, uint32_t tag_number,
                            uint32_t counter) {
    if (!f.valid) {
        return;
    }
    char label[kLabelSize];
    format_into(label, sizeof label, "tag%i", static_cast<int>(tag_number));
    char desc[kDescriptionSize];
    build_description(f, false, label, desc);
    write_kml_placemark(out, track, counter, 0, desc, f.lon, f.lat, f.height_mm);
}

}  // namespace dec
