#include "records/gps.h"

#include "records/fletcher32.h"
#include "records/gps_print.h"
#include "records/gps_record.h"
#include "settings/features.h"

namespace dec {

namespace {

// The early record sums bytes 0 to 49 into bytes 50 and 51; its key-bin
// checksum covers those 52 bytes.
constexpr size_t kEarlySumEnd = 50;
constexpr size_t kEarlyKeyLength = 52;

// Checks the record's length and cooked checksum; a failing record is reported
// (with the loop's position but in generation 3) and counted as a bad unit.
bool accept_record(const uint8_t* payload, size_t size, uint8_t seed_a, uint8_t seed_b,
                   GpsContext& ctx, size_t sum_end = kGpsRecordSize - 2) {
    if (payload != nullptr && size >= kGpsRecordSize &&
        gps_sums_ok(payload, sum_end, seed_a, seed_b)) {
        return true;
    }
    if (ctx.out.layout() == TagLayout::gen3) {
        ctx.info.put("############################ Cooked checksum error\n");
    } else {
        ctx.info.printf("############################ Cooked checksum error aastr:0x%02llX\n",
                        static_cast<unsigned long long>(ctx.tag.processed_bytes));
    }
    ++ctx.tag.bad_units;
    return false;
}

uint32_t movebank_key(const uint8_t* payload, size_t size, const OutputPlan& plan) {
    return wants_keys(plan) ? fletcher32(payload, static_cast<int32_t>(size)) : 0;
}

// A software-10 fix: counted into the on-time and the statistics, and written
// unless the STATS line is the output.
void count_and_write(const GpsFix& fix, const uint8_t* payload, GpsContext& ctx) {
    ctx.tag.gps_ontime += fix.time_to_fix;
    update_gps_statistics(ctx.tag.stats, fix);
    if (!ctx.plan.stats_line) {
        ctx.out.fix(fix, movebank_key(payload, kGpsRecordSize, ctx.plan), ctx.tag);
    }
}

}  // namespace

void decode_gps_cooked(const uint8_t* payload, size_t size, GpsContext& ctx) {
    if (!accept_record(payload, size, 0, 0, ctx)) {
        return;
    }
    const bool fine = (ctx.tag.feature_word & FEATURE_WITH_GPSACCGSMV2) != 0;
    count_and_write(decode_gps_cooked_record(payload, fine), payload, ctx);
}

void decode_gps_extended(const uint8_t* payload, size_t size, bool seeded, GpsContext& ctx) {
    const auto seed_a = static_cast<uint8_t>(seeded ? ctx.tag.tag_number : 0);
    const auto seed_b = static_cast<uint8_t>(seeded ? ctx.tag.tag_number >> 8 : 0);
    if (!accept_record(payload, size, seed_a, seed_b, ctx)) {
        return;
    }
    count_and_write(decode_gps_extended_record(payload, ctx.tag.feature_word, ctx.tag.pressure),
                    payload, ctx);
}

void decode_gps_cooked_v9(const uint8_t* payload, size_t size, GpsContext& ctx) {
    if (!accept_record(payload, size, 0, 0, ctx)) {
        return;
    }
    GpsFix fix = decode_gps_cooked_record_v9(payload);
    if (fix.zero_position && ctx.out.layout() == TagLayout::gen3) {
        fix.status = 0;
        fix.letter = 'D';
    }
    ctx.tag.gps_ontime += fix.time_to_fix;
    ctx.out.fix(fix, movebank_key(payload, kGpsRecordSize, ctx.plan), ctx.tag);
}

void decode_gps_early(const uint8_t* payload, size_t size, GpsContext& ctx) {
    if (!accept_record(payload, size, 0, 0, ctx, kEarlySumEnd)) {
        return;
    }
    ctx.out.fix(decode_gps_early_record(payload), movebank_key(payload, kEarlyKeyLength, ctx.plan),
                ctx.tag);
}

}  // namespace dec
