#include "records/gps_print.h"

#include "common/io.h"
#include "common/tagtime.h"
#include "common/version.h"

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

// ",%.7f,%.7f,%.1f,": longitude, latitude and height.
void write_position(OutStream& out, const GpsFix& f) {
    out.put_char(',');
    out.put_fixed(degrees(f.lon), 7);
    out.put_char(',');
    out.put_fixed(degrees(f.lat), 7);
    out.put_char(',');
    out.put_fixed(metres(f.height_mm), 1);
    out.put_char(',');
}

// ",%u,%u,%.2f": loaded and fix battery voltage and the hours switched on.
void write_extended_batteries(OutStream& out, const GpsFix& f, uint32_t ontime_s) {
    out.put_char(',');
    out.put_u32(f.loaded_battery_mv);
    out.put_char(',');
    out.put_u32(f.fix_battery_mv);
    out.put_char(',');
    out.put_fixed(hours(ontime_s), 2);
}

// ",%hhu\n" with the decoder version after `commas` more commas.
void write_version_end(OutStream& out, int commas) {
    for (int i = 0; i < commas; ++i) {
        out.put_char(',');
    }
    out.put_hhu(kDecoderVersion);
    out.put_char('\n');
}

// "%hhu,%c,%u,": fix type, status letter and time to fix.
void write_fix_kind(OutStream& out, const GpsFix& f, uint8_t fix_type) {
    out.put_hhu(fix_type);
    out.put_char(',');
    out.put_char(f.letter);
    out.put_char(',');
    out.put_u32(f.time_to_fix);
    out.put_char(',');
}

// "%i,%i,%i,%i,%i,%i,%i": quaternion w, x, y, z and the magnetic axes.
void write_quat_mag(OutStream& out, const GpsFix& f) {
    for (int32_t v : {f.quat[0], f.quat[1], f.quat[2], f.quat[3], f.mag[0], f.mag[1]}) {
        out.put_i32(v);
        out.put_char(',');
    }
    out.put_i32(f.mag[2]);
}

// The start of a "GPS," line: the start time stamp, position, the fix columns
// and the date and weekday of the fix (no separator after).
void write_gps_line_start(OutStream& out, const GpsFix& f, const OutputPlan& plan) {
    out.put("GPS,");
    print_tag_time(f.start_time, out, plan);
    write_position(out, f);
    out.put_hhu(f.fix_type);  // 3 for every extended record
    out.put_char(',');
    out.put_char(f.letter);
    out.put_char(',');
    out.put_hhu(f.clock_flag);
    out.put_char(',');
    // Extended records carry no noise level.
    if (f.kind != GpsKind::extended) {
        out.put_hhu(f.noise);
    }
    out.put_char(',');
    out.put_u32(f.time_to_fix);
    out.put_char(',');
    print_date_weekday(f.fix.week, f.fix.seconds, out);
}

// ",%u,", with `fix_battery` the fix battery voltage (none in an early
// record) and ',', then the temperature: an integer, or %.2f when fine on a
// software-10 tag.
void write_battery_temperature(OutStream& out, const GpsFix& f, TagLayout layout,
                               bool fix_battery) {
    out.put_char(',');
    out.put_u32(f.battery_mv);
    out.put_char(',');
    if (fix_battery) {
        if (f.kind != GpsKind::early) {
            out.put_u32(f.fix_battery_mv);
        }
        out.put_char(',');
    }
    if (f.temperature_fine && layout == TagLayout::v10) {
        out.put_fixed(f.temperature, 2);
    } else {
        out.put_i32(f.temperature_coarse);
    }
}

void write_motion(OutStream& out, const GpsFix& f) {
    for (double v : {f.speed, f.heading, f.speed_acc, f.horiz_acc}) {
        out.put_char(',');
        out.put_fixed(v, 2);
    }
}

void write_movebank_start(OutStream& out, const GpsFix& f, const GpsLineFacts& facts) {
    out.put_u32_width(facts.key, 10);
    out.put_char(',');
    out.put_i32(static_cast<int32_t>(facts.tag_number));
    out.put_char(',');
    print_tag_time_iso(f.start_time, out, facts.times);
}

// Description of a placemark: the fix time and the motion figures.
void build_description(const GpsFix& f, bool iso, const char* label, const TimeScale& times,
                       char (&desc)[kDescriptionSize]) {
    int n = format_gps_description(f.fix.week, f.fix.seconds, label, desc, sizeof desc, iso, times);
    if (n < 0) {
        n = 0;
        desc[0] = '\0';
    }
    const auto used = static_cast<size_t>(n);
    if (used + 1 >= sizeof desc || f.kind == GpsKind::early) {
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

// A placemark named by the counter (and with `iso` the status letter), its
// description labelled with the prefix and the tag number.
void write_placemark(OutStream& out, KmlTrack& track, const GpsFix& f, bool iso,
                     const char* label_prefix, uint32_t tag_number, uint32_t counter,
                     const TimeScale& times) {
    char label[kLabelSize];
    format_into(label, sizeof label, "%s%i", label_prefix, static_cast<int>(tag_number));
    char desc[kDescriptionSize];
    build_description(f, iso, label, times, desc);
    write_kml_placemark(out, track, counter, iso ? f.letter : 0, desc, f.lon, f.lat, f.height_mm);
}

void write_movebank_start_v9(OutStream& out, const GpsFix& f, const GpsLineFacts& facts) {
    write_movebank_start(out, f, facts);
    if (f.valid) {
        write_position(out, f);
    } else {
        out.put(",,,,");
    }
    write_fix_kind(out, f, f.fix_type);
    // Letters C and D mean no time of week: the fix time stamp stays empty.
    if (f.letter != 'C' && f.letter != 'D') {
        print_gps_ms_time(f.tow_ms, f.week, out, facts.times);
    }
}

// The "GPS," line of a version-10 tag (cooked or extended record), column by
// column; the start time takes columns 2 to 5 as the time style prints it
// (days,d.m.yyyy,weekday,hh:mm:ss; or seconds alone):
//   GPS,<start time>,<lon %.7f>,<lat %.7f>,<height m %.1f>,<fix type; 3 for extended>,<status
//   letter>, <clock flag>,<noise; empty for extended records>,<time to fix s>,<fix d.m.yyyy>, <fix
//   weekday>,<fix hh:mm:ss>,<battery mV>,<temperature: integer, or %.2f when fine>, <speed m/s
//   %.2f>,<heading %.2f>,<speed accuracy m/s %.2f>,<horizontal accuracy m %.2f>, <dop
//   %.1f>,<satellites>,<pressure hPa %.2f>,<q0>,<q1>,<q2>,<q3>,<mag x>,<mag y>,<mag z>
// (the ten columns from dop on stay empty for a cooked record), and with
// plan.gps_extended:
//   ,<loaded battery mV>,<fix battery mV>,<hours switched on %.2f>,
//   <vertical accuracy: raw for cooked, raw / 10 %.1f for extended>
void write_line_v10(OutStream& out, const GpsFix& f, const OutputPlan& plan, uint32_t ontime_s) {
    write_gps_line_start(out, f, plan);
    out.put_char(',');
    print_time_of_day(f.fix.seconds, out);
    write_battery_temperature(out, f, TagLayout::v10, false);
    write_motion(out, f);
    const bool extended = plan.gps_extended;
    if (f.kind == GpsKind::cooked) {
        // Columns 23 to 32 belong to the extended record.
        out.put(",,,,,,,,,,");
        if (extended) {
            write_extended_batteries(out, f, ontime_s);
            out.put_char(',');
            out.put_u32(f.vert_acc_raw);
        }
        out.put_char('\n');
        return;
    }
    out.put_char(',');
    out.put_fixed(f.dop_raw * 0.1, 1);
    out.put_char(',');
    out.put_hhu(f.satellites);
    out.put_char(',');
    out.put_fixed(f.pressure_hpa, 2);
    out.put_char(',');
    write_quat_mag(out, f);
    if (extended) {
        write_extended_batteries(out, f, ontime_s);
        out.put_char(',');
        out.put_fixed(f.vert_acc_raw * 0.1, 1);
    }
    out.put_char('\n');
}

// The "GPS," line of a version-9 tag: as the version-10 line up to the fix
// time of day, then
//   ,<battery mV>,<temperature, integer>,<speed %.2f>,<heading %.2f>,
//   <speed accuracy %.2f>,<horizontal accuracy %.2f>
// and with plan.gps_extended the four columns of the version-10 line.
// Generation-3 tags write the same line without the vertical accuracy, with
// zeros for the motion figures of one-axis tags; their early record (tags 3
// to 8) has the fix week and no motion figures:
//   <line start>,<fix week>,<fix time of day>,<battery mV>,<temperature>
void write_line_v9(OutStream& out, const GpsFix& f, const OutputPlan& plan, uint32_t ontime_s,
                   TagLayout layout) {
    write_gps_line_start(out, f, plan);
    out.put_char(',');
    if (f.kind == GpsKind::early) {
        out.put_i32(static_cast<int16_t>(f.fix.week));
        out.put_char(',');
    }
    print_time_of_day(f.fix.seconds, out);
    write_battery_temperature(out, f, layout, false);
    if (f.kind == GpsKind::early) {
        out.put_char('\n');
        return;
    }
    if (plan.gen3.z_axis_tag) {
        out.put(",0.00,0.00,0.00,0.00");
    } else {
        write_motion(out, f);
    }
    if (plan.gps_extended) {
        write_extended_batteries(out, f, ontime_s);
        if (layout == TagLayout::v9) {
            out.put_char(',');
            out.put_u32(f.vert_acc_raw);
        }
    }
    out.put_char('\n');
}

// The MOVEBANK line of a version-10 tag, under the header of the GPS file:
//   <key %010u>,<tag>,<start yyyy-mm-dd hh:mm:ss.000>,<lon>,<lat>,<height>,<fix type>,
//   <status letter>,<time to fix>,<fix yyyy-mm-dd hh:mm:ss.sss>,<battery mV>,
//   <fix battery mV>,<temperature>,<speed>,<heading>,<speed accuracy>,
//   <horizontal accuracy>,<dop>,<satellites>,<pressure hPa>,<q0>,<q1>,<q2>,<q3>,
//   <mag x>,<mag y>,<mag z>,<decoder version>
// A cooked record leaves dop to mag z empty, an extended one without a
// quaternion q0 to mag z. A zero position leaves the position and motion
// empty, of an extended record also dop and satellites (its fix type reads 0).
void write_movebank_v10(OutStream& out, const GpsFix& f, const GpsLineFacts& facts) {
    write_movebank_start(out, f, facts);
    const bool located = !f.zero_position;
    if (located) {
        write_position(out, f);
    } else {
        out.put(",,,,");
    }
    // A zero position is no fix at all (the extended record keeps its type 3).
    write_fix_kind(out, f, located ? f.fix_type : 0);
    print_gps_ms_time(f.tow_ms, f.week, out, facts.times);
    write_battery_temperature(out, f, TagLayout::v10, true);
    if (f.kind == GpsKind::cooked) {
        if (located) {
            write_motion(out, f);
            write_version_end(out, 11);
        } else {
            write_version_end(out, 15);
        }
        return;
    }
    if (located) {
        write_motion(out, f);
        out.put_char(',');
        out.put_fixed(f.dop_raw * 0.1, 1);
        out.put_char(',');
        out.put_hhu(f.satellites);
        out.put_char(',');
    } else {
        out.put(",,,,,,,");
    }
    out.put_fixed(f.pressure_hpa, 2);
    out.put_char(',');
    if (f.quat_present) {
        write_quat_mag(out, f);
        write_version_end(out, 1);
    } else {
        write_version_end(out, 7);
    }
}

// The MOVEBANK line of a version-9 tag: the version-10 columns up to the
// horizontal accuracy, then the decoder version. An invalid fix leaves the
// position and motion empty; status C or D leaves the fix time stamp empty.
void write_movebank_v9(OutStream& out, const GpsFix& f, const GpsLineFacts& facts) {
    write_movebank_start_v9(out, f, facts);
    write_battery_temperature(out, f, TagLayout::v9, true);
    if (f.valid) {
        write_motion(out, f);
        write_version_end(out, 1);
    } else {
        write_version_end(out, 5);
    }
}

// The MOVEBANK lines of generation-3 tags: the software-9 columns up to the
// temperature (the early record without its fix battery) and the motion
// figures of a valid fix of a tag with three axes, no decoder version.
void write_movebank_gen3(OutStream& out, const GpsFix& f, const GpsLineFacts& facts,
                         const OutputPlan& plan) {
    write_movebank_start_v9(out, f, facts);
    write_battery_temperature(out, f, TagLayout::gen3, true);
    if (f.kind != GpsKind::early && !plan.gen3.z_axis_tag && f.valid) {
        write_motion(out, f);
        out.put_char('\n');
    } else {
        out.put(",,,,\n");
    }
}

}  // namespace

void write_gps_line(OutStream& out, const GpsFix& f, const OutputPlan& plan, TagLayout layout,
                    const GpsLineFacts& facts) {
    const bool movebank = plan.gps_form == GpsForm::movebank;
    switch (layout) {
        case TagLayout::v10:
            movebank ? write_movebank_v10(out, f, facts)
                     : write_line_v10(out, f, plan, facts.ontime_s);
            break;
        case TagLayout::v9:
            movebank ? write_movebank_v9(out, f, facts)
                     : write_line_v9(out, f, plan, facts.ontime_s, layout);
            break;
        case TagLayout::gen3:
            movebank ? write_movebank_gen3(out, f, facts, plan)
                     : write_line_v9(out, f, plan, facts.ontime_s, layout);
            break;
        case TagLayout::ecg:
            break;
    }
}

void write_gps_placemark(OutStream& out, KmlTrack& track, const GpsFix& f, const OutputPlan& plan,
                         uint32_t tag_number, uint32_t counter, const TimeScale& times) {
    // No placemark at 0/0, where a receiver without a fix leaves its position.
    const bool iso = plan.kml_iso_date;
    if ((f.lon == 0 && f.lat == 0) || (!iso && !f.valid)) {
        return;
    }
    write_placemark(out, track, f, iso, "t", tag_number, counter, times);
}

void write_gps_placemark_v9(OutStream& out, KmlTrack& track, const GpsFix& f, uint32_t tag_number,
                            uint32_t counter, const TimeScale& times) {
    if (f.valid) {
        write_placemark(out, track, f, false, "tag", tag_number, counter, times);
    }
}

}  // namespace dec
