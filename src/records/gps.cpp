#include "records/gps.h"

#include "common/action.h"
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

uint32_t movebank_key(const uint8_t* payload, uint32_t action) {
    return (action & ACT_MOVEBANK) != 0 ? fletcher32(payload, static_cast<int32_t>(kGpsRecordSize))
                                        : 0;
}

// The one output of a software-10 record that the action word selects.
void write_fix(const GpsFix& fix, uint32_t key, GpsContext& ctx) {
    if ((ctx.action & ACT_KML) != 0) {
        write_gps_placemark(ctx.main, ctx.track, fix, ctx.action, ctx.tag.tag_number,
                            ctx.tag.gps_record_counter);
    } else if ((ctx.action & ACT_GPX) != 0) {
        if (fix.valid) {
            const uint8_t dop = fix.kind == GpsKind::extended ? fix.dop_raw : 0;
            write_gpx_trackpoint(ctx.main, fix.tow_ms, fix.week, fix.lon, fix.lat, fix.height_mm,
                                 dop);
        }
    } else if ((ctx.action & ACT_MOVEBANK) != 0) {
        write_gps_movebank_line(ctx.main, fix, key, ctx.tag.tag_number);
    } else {
        write_gps_line(ctx.main, fix, ctx.action, ctx.tag.gps_ontime);
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
    const uint32_t key = movebank_key(payload, ctx.action);
    const bool fine = (ctx.tag.feature_word & FEATURE_WITH_GPSACCGSMV2) != 0;
    const GpsFix fix = decode_gps_cooked_record(payload, fine);
    count_fix(fix, ctx);
    if ((ctx.action & ACT_STATS_LINE) != 0) {
        return;
    }
    write_fix(fix, key, ctx);
}

void decode_gps_extended(const uint8_t* payload, size_t size, bool seeded, GpsContext& ctx) {
    const auto seed_a = static_cast<uint8_t>(seeded ? ctx.tag.tag_number : 0);
    const auto seed_b = static_cast<uint8_t>(seeded ? ctx.tag.tag_number >> 8 : 0);
    if (!accept_record(payload, size, seed_a, seed_b, ctx)) {
        return;
    }
    const uint32_t key = movebank_key(payload, ctx.action);
    const GpsFix fix = decode_gps_extended_record(payload, ctx.tag.feature_word, ctx.tag.pressure);
    count_fix(fix, ctx);
    if ((ctx.action & ACT_STATS_LINE) != 0) {
        return;
    }
    write_fix(fix, key, ctx);
}

void decode_gps_cooked_v9(const uint8_t* payload, size_t size, GpsContext& ctx) {
    if (!accept_record(payload, size, 0, 0, ctx)) {
        return;
    }
    const uint32_t key = movebank_key(payload, ctx.action);
    const GpsFix fix = decode_gps_cooked_record_v9(payload);
    ctx.tag.gps_ontime += fix.time_to_fix;
    if ((ctx.action & ACT_KML) != 0) {
        write_gps_placemark_v9(ctx.main, ctx.track, fix, ctx.tag.tag_number,
                               ctx.tag.gps_record_counter);
    } else if ((ctx.action & ACT_GPX) != 0) {
        if (fix.valid) {
            write_gpx_trackpoint(ctx.main, fix.tow_ms, fix.week, fix.lon, fix.lat, fix.height_mm,
                                 0);
        }
    } else if ((ctx.action & ACT_MOVEBANK) != 0) {
        write_gps_movebank_line_v9(ctx.main, fix, key, ctx.tag.tag_number);
    } else {
        write_gps_line_v9(ctx.main, fix, ctx.action, ctx.tag.gps_ontime);
    }
}

}  // namespace dec
