#include "records/gps.h"

#include "records/fletcher32.h"
#include "records/gps_print.h"
#include "records/gps_record.h"
#include "settings/features.h"

namespace dec {

namespace {

// Checks the record's length and cooked checksum; a failing record is reported
// with the loop's position and counted as a bad unit.
bool accept_record(const uint8_t* payload, size_t size, uint8_t seed_a, uint8_t seed_b,
                   GpsContext& ctx) {
    if (payload != nullptr && size >= kGpsRecordSize &&
        gps_cooked_checksum_ok(payload, seed_a, seed_b)) {
        return true;
    }
    ctx.info.printf("############################ Cooked checksum error aastr:0x%02llX\n",
                    static_cast<unsigned long long>(ctx.tag.processed_bytes));
    ++ctx.tag.bad_units;
    return false;
}

uint32_t movebank_key(const uint8_t* payload, const OutputPlan& plan) {
    return plan.movebank ? fletcher32(payload, static_cast<int32_t>(kGpsRecordSize)) : 0;
}

// A GPX track point of a valid fix; only extended records carry the DOP.
void write_track_point(const GpsFix& fix, GpsContext& ctx) {
    if (fix.valid) {
        const uint8_t dop = fix.kind == GpsKind::extended ? fix.dop_raw : 0;
        write_gpx_trackpoint(ctx.main, fix.tow_ms, fix.week, fix.lon, fix.lat, fix.height_mm, dop);
    }
}

// The one output of a record that the plan selects; software 9 has placemarks,
// MOVEBANK and "GPS," lines of its own.
void write_fix(const GpsFix& fix, uint32_t key, bool version9, GpsContext& ctx) {
    const uint32_t tag = ctx.tag.tag_number;
    switch (ctx.plan.gps_form) {
        case GpsForm::kml:
            if (version9) {
                write_gps_placemark_v9(ctx.main, ctx.track, fix, tag, ctx.tag.gps_record_counter);
            } else {
                write_gps_placemark(ctx.main, ctx.track, fix, ctx.plan, tag,
                                    ctx.tag.gps_record_counter);
            }
            break;
        case GpsForm::gpx:
            write_track_point(fix, ctx);
            break;
        case GpsForm::movebank:
            if (version9) {
                write_gps_movebank_line_v9(ctx.main, fix, key, tag);
            } else {
                write_gps_movebank_line(ctx.main, fix, key, tag);
            }
            break;
        case GpsForm::line:
            if (version9) {
                write_gps_line_v9(ctx.main, fix, ctx.plan, ctx.tag.gps_ontime);
            } else {
                write_gps_line(ctx.main, fix, ctx.plan, ctx.tag.gps_ontime);
            }
            break;
    }
}

void count_fix(const GpsFix& fix, GpsContext& ctx) {
    ctx.tag.gps_ontime += fix.time_to_fix;
    update_gps_statistics(ctx.tag.stats, fix);
}

}  // namespace

void decode_gps_cooked(const uint8_t* payload, size_t size, GpsContext& ctx) {
    if (!accept_record(payload, size, 0, 0, ctx)) {
        return;
    }
    const uint32_t key = movebank_key(payload, ctx.plan);
    const bool fine = (ctx.tag.feature_word & FEATURE_WITH_GPSACCGSMV2) != 0;
    const GpsFix fix = decode_gps_cooked_record(payload, fine);
    count_fix(fix, ctx);
    if (ctx.plan.stats_line) {
        return;
    }
    write_fix(fix, key, false, ctx);
}

void decode_gps_extended(const uint8_t* payload, size_t size, bool seeded, GpsContext& ctx) {
    const auto seed_a = static_cast<uint8_t>(seeded ? ctx.tag.tag_number : 0);
    const auto seed_b = static_cast<uint8_t>(seeded ? ctx.tag.tag_number >> 8 : 0);
    if (!accept_record(payload, size, seed_a, seed_b, ctx)) {
        return;
    }
    const uint32_t key = movebank_key(payload, ctx.plan);
    const GpsFix fix = decode_gps_extended_record(payload, ctx.tag.feature_word, ctx.tag.pressure);
    count_fix(fix, ctx);
    if (ctx.plan.stats_line) {
        return;
    }
    write_fix(fix, key, false, ctx);
}

void decode_gps_cooked_v9(const uint8_t* payload, size_t size, GpsContext& ctx) {
    if (!accept_record(payload, size, 0, 0, ctx)) {
        return;
    }
    const uint32_t key = movebank_key(payload, ctx.plan);
    const GpsFix fix = decode_gps_cooked_record_v9(payload);
    ctx.tag.gps_ontime += fix.time_to_fix;
    write_fix(fix, key, true, ctx);
}

}  // namespace dec
