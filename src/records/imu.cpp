#include "records/imu.h"

#include <algorithm>

#include "common/tagtime.h"
#include "common/version.h"
#include "records/acc_output.h"
#include "records/burst_batch.h"
#include "records/fletcher32.h"
#include "records/imu_record.h"
#include "records/record_sink.h"
#include "settings/features.h"

namespace dec {

namespace {

// Scale of the QUATCMP temperature: 1/256 degree Celsius.
constexpr double kTemperatureScale = 0.00390625;

// Checks length and checksum, seeded with the tag number.
bool accept_record(const uint8_t* record, uint32_t length, const AccContext& ctx) {
    const auto seed = static_cast<uint16_t>(ctx.tag.tag_number & 0xFFFF);
    return check_imu_record(record, length, seed) == RecordCheck::ok;
}

// Start time of the first sample; a fine time more than 20 s from the coarse
// time drops the record with a message.
bool burst_start(const ImuHeader& h, double rate, const char* name, AccContext& ctx, ImuTime& t) {
    t = imu_burst_time(h.coarse_time, h.fine_time, h.start_offset, rate);
    if (!t.valid) {
        ctx.info.printf("%s qtime not matching! 0x%02X != 0x%02X\n", name, t.coarse_units, t.q);
        return false;
    }
    TagStatistics& stats = ctx.tag.stats;
    if (t.seconds > kStatsEarliestTime) {
        stats.last_fix_time = t.seconds;
        if (stats.first_fix_time == 0) {
            stats.first_fix_time = t.seconds;
        }
    }
    return true;
}

void write_movebank_start(OutStream& out, uint32_t key, const ImuTime& t, AccContext& ctx) {
    out.put_hhu(kDecoderVersion);
    out.put_char(',');
    out.put_u32_width(key, 10);
    out.put_char(',');
    out.put_i32(static_cast<int32_t>(ctx.tag.tag_number));
    out.put_char(',');
    print_tag_time_iso_us(t.seconds, whole_microseconds(t.us), out,
                          TimeScale{ctx.plan.utc, &ctx.tag.utc_past_expiry});
}

// The lines of one QUATCMP burst: "IMU," with the time and every entry to
// the quaternion stream; with MOVEBANK (key given) the quaternions to the
// quaternion stream and the magnetic axes with the temperature to their own.
void write_quatcmp(const QuatcmpBurst& b, uint32_t key, AccContext& ctx) {
    if (ctx.plan.sink != nullptr) {
        ctx.plan.sink->orientation(b, key,
                                   (ctx.tag.feature_word & FEATURE_BOTHSENSORSBOTTOMSIDE) != 0);
        return;
    }
    const bool movebank = ctx.plan.movebank;
    OutStream& quat = ctx.quat;
    OutStream& mag = ctx.mag;
    if (movebank) {
        write_movebank_start(quat, key, b.time, ctx);
        quat.put_char(',');
        quat.put_fixed(b.rate, 2);
        quat.put_char(',');
        write_movebank_start(mag, key, b.time, ctx);
        mag.put_char(',');
        mag.put_fixed(b.rate, 2);
        mag.put_char(',');
        mag.put_fixed(b.temperature_raw * kTemperatureScale, 2);
        mag.put_char(',');
    } else {
        quat.put("IMU,");
        print_acc_time_us(b.time.seconds, whole_microseconds(b.time.us), quat, ctx.plan);
    }

    const bool bottom = (ctx.tag.feature_word & FEATURE_BOTHSENSORSBOTTOMSIDE) != 0;
    for (uint32_t i = 0; i < b.entries; ++i) {
        const PrintedQuat e = quat_entry_as_printed(b.entry[i], bottom);
        const bool last = i + 1 == b.entries;
        const char separator = movebank ? ' ' : ',';
        quat.put_i32(e.w);
        quat.put_char(separator);
        quat.put_i32(e.x);
        quat.put_char(separator);
        quat.put_i32(e.y);
        quat.put_char(separator);
        quat.put_i32(e.z);
        // MOVEBANK output has its own file for the magnetic axes.
        OutStream& m = movebank ? mag : quat;
        if (!movebank) {
            m.put_char(',');
        }
        m.put_i32(e.mag_x);
        m.put_char(separator);
        m.put_i32(e.mag_y);
        m.put_char(separator);
        m.put_i32(e.mag_z);
        quat.put_char(last ? '\n' : separator);
        if (movebank) {
            mag.put_char(last ? '\n' : ' ');
        }
    }
}

}  // namespace

void decode_newacc(const uint8_t* record, uint32_t length, AccContext& ctx) {
    if (!ctx.plan.acc || !accept_record(record, length, ctx)) {
        return;
    }
    ctx.tag.stats.acc_bytes += length;
    ctx.tag.stats.acc_bursts += 1;
    const uint32_t key =
        wants_keys(ctx.plan) ? fletcher32(record, static_cast<int32_t>(length)) : 0;

    const ImuHeader h = read_imu_header(record);
    ImuTime t{};
    if (!burst_start(h, kNewaccRate, "NEWACC", ctx, t)) {
        return;
    }

    // The IMU sits upside down unless both sensors are on the bottom side.
    const BurstAxes axes = burst_axes(kAccAxisX | kAccAxisY | kAccAxisZ);
    const bool turned = (ctx.tag.feature_word & FEATURE_BOTHSENSORSBOTTOMSIDE) == 0;
    const int32_t n = unpack_burst_samples(record, length, kNewaccFirstSample, axes.count,
                                           acc_inversion(axes, false, turned), ctx.buffers.burst);
    const BurstLine line{BurstFamily::newacc, t.seconds, t.us,        axes.letters,
                         axes.count,          n,         kNewaccRate, key};
    put_burst(line, ctx);
}

void decode_quatcmp(const uint8_t* record, uint32_t length, AccContext& ctx) {
    ctx.tag.stats.quatcmp_bytes += length;
    // QUATCMP bursts go with acceleration output in the line form only.
    if (!ctx.plan.acc || ctx.plan.acc_form != AccForm::line ||
        !accept_record(record, length, ctx)) {
        return;
    }
    const uint32_t key =
        wants_keys(ctx.plan) ? fletcher32(record, static_cast<int32_t>(length)) : 0;

    const ImuHeader h = read_imu_header(record);
    const double rate = quatcmp_rate(h.flags);
    ImuTime t{};
    if (!burst_start(h, rate, "QUATCMP", ctx, t)) {
        return;
    }

    QuatcmpBurst burst;  // entries past the count stay unwritten
    burst.time = t;
    burst.rate = rate;
    burst.temperature_raw = quatcmp_temperature_raw(record);
    burst.entries = std::min(quatcmp_entry_count(length), kQuatcmpMaxEntries);
    for (uint32_t i = 0; i < burst.entries; ++i) {
        burst.entry[i] = read_quat_entry(record, i);
    }
    write_quatcmp(burst, key, ctx);
}

}  // namespace dec
