// The record builders are proved by the decoders accepting what they build:
// checksums pass (and fail once a byte changes), and the decoded values are the
// ones the desc struct asked for.
#include "testsupport/record_builders.h"

#include <gtest/gtest.h>

#include <string>

#include "common/outstream.h"
#include "dsp/burst.h"
#include "records/acc_record.h"
#include "records/gps_record.h"
#include "records/imu_record.h"
#include "records/satinfo.h"
#include "records/sysinfo.h"

namespace dec::testing {
namespace {

constexpr uint32_t kTag = 0x1234;

TEST(GpsBuilders, CookedRoundTrip) {
    GpsCookedFields s{.lon = -89876543, .lat = 477612345, .height_mm = -1999, .week = 2051,
                    .tow_ms = 457275400, .noise = 0x1FF, .time_to_fix = 15, .vert_acc = 4,
                    .speed_acc = 45, .start_time = 383900460, .temperature_raw = 1640,
                    .battery = 3000, .speed = 123, .heading = -100, .horiz_acc = 0x010203};
    for (const Payload& p : {make_gps_cooked(s), make_gps_cooked_v9(s)}) {
        ASSERT_TRUE(gps_cooked_checksum_ok(p.data(), 0, 0));
        Payload damaged = p;
        damaged[30] ^= 1;
        EXPECT_FALSE(gps_cooked_checksum_ok(damaged.data(), 0, 0));
    }
    const GpsFix f = decode_gps_cooked_record(make_gps_cooked(s).data(), false);
    EXPECT_EQ(f.lon, s.lon);
    EXPECT_EQ(f.lat, s.lat);
    EXPECT_EQ(f.height_mm, -1999);
    EXPECT_EQ(f.week, 2051);
    EXPECT_EQ(f.tow_ms, 457275400u);
    EXPECT_EQ(f.start_time, 383900460u);
    EXPECT_EQ(f.noise, 0xFF);
    EXPECT_EQ(f.time_to_fix, 15);
    EXPECT_EQ(f.battery_mv, 3662u);
    EXPECT_EQ(f.temperature_coarse, 23);
    EXPECT_DOUBLE_EQ(f.speed, 1.23);
    EXPECT_DOUBLE_EQ(f.horiz_acc, 0x010203 * 256 / 1000.0);
    EXPECT_EQ(f.letter, 'A');
    EXPECT_TRUE(f.valid);
}

TEST(GpsBuilders, ExtendedSeededOnlyAsBlock36) {
    GpsExtendedFields s{.lon = 1, .lat = 2, .height_mm = 3, .week = 2051, .tow_ms = 1000,
                      .satellites = 7, .dop = 13, .start_time = 5, .mag = {10, -20, 30},
                      .time_to_fix = 9, .quat_w = 1000, .quat_x = -5, .quat_y = 6, .quat_z = 7};
    set_extended_temperature(s, 0x1234);
    const Payload unseeded = make_gps_extended(s);
    const Payload seeded = make_gps_extended(s, true, kTag);
    EXPECT_TRUE(gps_cooked_checksum_ok(unseeded.data(), 0, 0));
    EXPECT_FALSE(gps_cooked_checksum_ok(seeded.data(), 0, 0));
    EXPECT_TRUE(gps_cooked_checksum_ok(seeded.data(), 0x34, 0x12));
    EXPECT_EQ(seeded[42] | seeded[43] << 8, 0x1234);

    const GpsFix f = decode_gps_extended_record(seeded.data(), 0, PressureCalibration{});
    EXPECT_EQ(f.satellites, 7);
    EXPECT_EQ(f.dop_raw, 13);
    EXPECT_EQ(f.time_to_fix, 9);
    EXPECT_TRUE(f.quat_present);
    // Printed order w, -x, y, -z; magnetic x = -axis 2, y = axis 1, z = axis 3.
    EXPECT_EQ(f.quat[0], 1000);
    EXPECT_EQ(f.quat[1], 5);
    EXPECT_EQ(f.quat[2], 6);
    EXPECT_EQ(f.quat[3], -7);
    EXPECT_EQ(f.mag[0], 20);
    EXPECT_EQ(f.mag[1], 10);
    EXPECT_EQ(f.mag[2], 30);
}

// Bursts of one, two and three axes, both variants, one and several units.
TEST(AccBuilders, BurstsPassAndUnpack) {
    struct Case {
        uint8_t axes;
        int8_t axis_count;
        size_t samples;
        uint8_t units;
    };
    const Case cases[] = {{0x08, 1, 36, 0}, {0x28, 2, 36, 0}, {0x38, 3, 36, 0},
                          {0x38, 3, 78, 2}, {0x10, 1, 200, 0}};
    for (const Case& c : cases) {
        AccBurstFields s{.time = 383900500, .axes = c.axes, .rate_code = 4, .samples = {}, .units = c.units};
        for (size_t i = 0; i < c.samples; ++i) {
            s.samples.push_back(static_cast<uint16_t>((i * 97 + 5) % 4096));
        }
        for (int variant : {0, 1}) {
            SCOPED_TRACE(std::to_string(c.samples) + " samples, variant " + std::to_string(variant));
            const Record r = make_acc_burst(s, variant, kTag);
            const auto len = static_cast<uint32_t>(r.size());
            EXPECT_EQ(len % 63, 0u);
            EXPECT_EQ(check_acc_burst(r.data(), len, variant == 1 ? kTag : 0), RecordCheck::ok);
            EXPECT_EQ(check_acc_burst(r.data(), len, variant == 1 ? 0 : kTag),
                      RecordCheck::bad_checksum);

            const AccBurstHeader h = read_acc_burst_header(r.data());
            EXPECT_EQ(h.time, 383900500u);
            EXPECT_EQ(h.rate_code, 4);
            const BurstAxes axes = burst_axes(h.axis_bits);
            ASSERT_EQ(axes.count, c.axis_count);
            BurstSamples out;
            out.clear();
            const int32_t n =
                unpack_burst_samples(r.data(), len, kAccHeaderSize, axes.count, AxisInversion{}, out);
            EXPECT_GE(static_cast<size_t>(n) * static_cast<size_t>(c.axis_count), c.samples -
                                                                                       c.samples % 2);
            for (size_t i = 0; i < c.samples; ++i) {
                ASSERT_EQ(out.samples[i % static_cast<size_t>(c.axis_count)]
                                     [i / static_cast<size_t>(c.axis_count)],
                          s.samples[i])
                    << "sample " << i;
            }
        }
    }
    EXPECT_EQ(make_acc_burst_v9({.samples = {1, 2}}), make_acc_burst({.samples = {1, 2}}, 0, kTag));
}

TEST(ImuBuilders, NewaccAndQuatcmpPass) {
    NewaccFields n{.time = 383900600, .fine_time = imu_fine_time(383900600, 16384),
                 .start_offset = 0, .samples = {}};
    for (uint16_t i = 0; i < 30; ++i) {
        n.samples.push_back(static_cast<uint16_t>(2048 + 10 * i));
    }
    const Record nr = make_newacc(n, kTag);
    ASSERT_EQ(nr.size(), 63u);
    EXPECT_EQ(check_imu_record(nr.data(), 63, kTag), RecordCheck::ok);
    EXPECT_EQ(check_imu_record(nr.data(), 63, kTag + 1), RecordCheck::bad_checksum);
    const ImuHeader h = read_imu_header(nr.data());
    const ImuTime t = imu_burst_time(h.coarse_time, h.fine_time, h.start_offset, 20.0);
    EXPECT_TRUE(t.valid);
    EXPECT_EQ(t.seconds, 383900600u);
    EXPECT_DOUBLE_EQ(t.us, 500000.0);
    BurstSamples out;
    out.clear();
    EXPECT_EQ(unpack_burst_samples(nr.data(), 63, kNewaccFirstSample, 3, AxisInversion{}, out), 10);
    EXPECT_EQ(out.samples[1][9], 2048 + 10 * 28);

    QuatcmpFields q{.time = 383900700, .fine_time = imu_fine_time(383900700, 0), .flags = 5,
                  .temperature_raw = 6528,
                  .entries = {{.w = 1000, .x = 1, .y = -2, .z = 3, .mag_x = 4, .mag_y = 5, .mag_z = 6},
                              {.w = -32768, .x = 9, .y = 9, .z = 9},
                              {.w = 7},
                              {.w = 8, .mag_z = -300}},
                  .units = 2};
    const Record qr = make_quatcmp(q, kTag);
    ASSERT_EQ(qr.size(), 126u);
    EXPECT_EQ(check_imu_record(qr.data(), 126, kTag), RecordCheck::ok);
    EXPECT_EQ(quatcmp_entry_count(126), 10u);
    EXPECT_EQ(quatcmp_temperature_raw(qr.data()), 6528);
    EXPECT_DOUBLE_EQ(quatcmp_rate(read_imu_header(qr.data()).flags), 20.0);
    const QuatEntry e0 = read_quat_entry(qr.data(), 0);
    EXPECT_EQ(e0.w, 1000);
    EXPECT_EQ(e0.y, -2);
    EXPECT_EQ(e0.mag_x, 4);
    EXPECT_EQ(e0.mag_y, 5);
    EXPECT_EQ(read_quat_entry(qr.data(), 1).x, 0);
    EXPECT_EQ(read_quat_entry(qr.data(), 3).mag_z, -300);
}

TEST(EventBuilders, HeadsAndGsmReport) {
    const SysinfoHead reset = decode_sysinfo_head(make_reset_event(100, 0x02, 3000).data());
    EXPECT_EQ(reset.type, 0);
    EXPECT_EQ(reset.time, 100u);
    EXPECT_EQ(reset.rs, 0x02);
    EXPECT_EQ(reset.battery_code, 3000);
    EXPECT_TRUE(sysinfo_switch_on(decode_sysinfo_head(make_switch_event(5, true, 1).data()).switch_state));
    EXPECT_FALSE(sysinfo_switch_on(decode_sysinfo_head(make_switch_event(5, false, 1).data()).switch_state));
    const SysinfoHead low = decode_sysinfo_head(make_low_battery_event(7, 2500).data());
    EXPECT_EQ(low.type, 3);
    EXPECT_NE(low.low_battery, 0);

    GsmReportFields g{.head = {.type = 8, .time = 1000}, .start_time = 900, .connect_time = 950,
                    .ddl_end_time = 990, .battery_begin = 3100, .battery_min = 2900,
                    .csq = "12,5", .creg_stat = 1, .cgreg_stat = 5, .flags = 0x05,
                    .usoctl11 = 77, .urcflags = 3};
    const Payload p = make_gsm_report(g);
    const GsmReport r = decode_gsm_report(p.data(), GsmForm::first);
    EXPECT_EQ(r.start_time, 900u);
    EXPECT_EQ(r.connect_time, 950);
    EXPECT_EQ(r.ddl_end_time, 990);
    EXPECT_EQ(r.battery_begin_code, 3100);
    EXPECT_EQ(r.battery_min_code, 2900);
    EXPECT_EQ(std::string(r.csq, r.csq_length), "12,5");
    EXPECT_EQ(r.cgreg_stat, 5);
    EXPECT_EQ(r.flags, 0x05);
    EXPECT_EQ(r.socket_word, 77u);
    EXPECT_EQ(r.urcflags, 3);

    std::string text;
    OutStream out(&text);
    decode_sysinfo_v9(make_event_v9_old(1, 200, 0, 3276).data(), out, 0, 1234);
    out.flush();
    EXPECT_NE(text.find(" Battery Voltage: 3999 mV\n"), std::string::npos) << text;
}

TEST(SatelliteBuilder, ReportIsCompleteAndReadBack) {
    const Record r = make_satellite_report(
        1234, {{.channel = 0, .satellite = 3, .quality = 7, .cno = 40, .elevation = -5,
                .azimuth = 270},
               {.channel = 1, .satellite = 9, .flags = 0, .quality = 7},
               {.channel = 2, .satellite = 12, .quality = 2},
               {.channel = 3, .satellite = 14},
               {.channel = 4, .satellite = 20}});
    ASSERT_EQ(r.size(), 126u);  // 8 + 5 * 12 bytes in two units
    EXPECT_FALSE(satellite_report_complete(r.data(), 63));
    EXPECT_TRUE(satellite_report_complete(r.data(), 126));
    EXPECT_EQ(satellite_channel_count(r.data(), 126), 5u);
    const SatelliteChannel c0 = decode_satellite_channel(r.data(), 0);
    EXPECT_EQ(c0.satellite, 3);
    EXPECT_EQ(c0.cno, 40);
    EXPECT_EQ(c0.elevation, -5);
    EXPECT_EQ(c0.azimuth, 270);
    EXPECT_FALSE(satellite_listed(decode_satellite_channel(r.data(), 1)));
    EXPECT_TRUE(satellite_listed(decode_satellite_channel(r.data(), 2)));
}

TEST(UnitBuilders, RecordsSplitIntoStartAndContinuationUnits) {
    const Record text = make_gsm_text(5, std::string(70, 'x'));
    ASSERT_EQ(text.size(), 126u);
    const std::vector<Unit> units = record_units(kUnitGsmText, text);
    ASSERT_EQ(units.size(), 2u);
    EXPECT_EQ(units[0][0], 0x70);
    EXPECT_EQ(units[1][0], 0x71);
    EXPECT_EQ(units[1][1], text[63]);

    TagImage image(OpenBlockFields{.tag = 17});
    image.record(kUnitAcc1, make_acc_burst({.samples = std::vector<uint16_t>(50, 7)}, 1, 17))
        .payload(kUnitGpsCooked, make_gps_cooked({}));
    EXPECT_EQ(image.size(), 3u);
    ContainerBuilder c;
    image.download(c, 1, 2, 99);
    // Header, open block (four units) and the two units from flash address 64.
    ASSERT_EQ(c.bytes().size(), 512u + 256u + 128u);
    EXPECT_EQ(c.bytes()[512 + 20], 64);
    EXPECT_EQ(c.bytes()[512 + 24], 192);
    EXPECT_EQ(c.bytes()[512 + 256], 0x45);
}

}  // namespace
}  // namespace dec::testing
