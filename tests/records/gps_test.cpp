#include "records/gps.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "common/action.h"
#include "common/le.h"
#include "records/gps_print.h"
#include "records/gps_record.h"
#include "expected_sections.h"
#include "testsupport/record_builders.h"

namespace dec {
namespace {

using testing::GpsCookedFields;
using testing::GpsExtendedFields;
using Record = testing::Payload;

constexpr uint32_t kFine = 0x4000;     // fine temperature / pressure sensor
constexpr uint32_t kBottom = 0x10000;  // both sensors on the bottom side

// Start 2018-05-09 01:00:00 (tag time), fix 2018-05-09 01:02:03.400 (week 2000).
constexpr uint32_t kStart = 352861200;
constexpr uint32_t kTowMs = 262923400;

// A valid cooked fix: status 0x0D, fix type 3, clock flag 1, noise 0x0123,
// 42 s to fix, vertical 7 m, speed accuracy 1.50 m/s, temperature raw 1600,
// battery codes 3500/3400/3450 (4272/4150/4211 mV), speed 1.23 m/s, heading raw
// 549 (359.79 degree), horizontal accuracy 16*256 mm.
GpsCookedFields cooked_fields(uint8_t status = 0x0D, uint8_t fix = 0x03) {
    return {.lon = 87654321, .lat = 475432100, .height_mm = 512300, .week = 2000,
            .tow_ms = kTowMs, .fix_byte = fix, .status = status, .rtc_flags = 1, .noise = 0x0123,
            .time_to_fix = 42, .vert_acc = 7, .speed_acc = 150, .start_time = kStart,
            .temperature_raw = 1600, .battery = 3500, .loaded_battery = 3400, .speed = 123,
            .heading = 549, .horiz_acc = 16, .fix_battery = 3450};
}
Record cooked(uint8_t status = 0x0D, uint8_t fix = 0x03) {
    return make_gps_cooked(cooked_fields(status, fix));
}

// A valid extended fix with the same position and times: status 0x3D, speed
// accuracy 1500 mm/s, heading raw -100 (-65.54), 9 satellites, DOP 1.3,
// temperature raw 1600 and no pressure data, magnetic axes 100/-200/300,
// vertical 2.5 m, quaternion 1000/10/-20/30.
GpsExtendedFields extended_fields(uint8_t status = 0x3D) {
    GpsExtendedFields f{.lon = 87654321, .lat = 475432100, .height_mm = 512300, .week = 2000,
                        .tow_ms = kTowMs, .status = status, .speed_acc = 1500, .horiz_acc = 16,
                        .speed = 123, .heading = -100, .satellites = 9, .dop = 13,
                        .start_time = kStart, .battery = 3500, .loaded_battery = 3400,
                        .fix_battery = 3450, .mag = {100, -200, 300}, .time_to_fix = 42,
                        .vert_acc = 25, .quat_w = 1000, .quat_x = 10, .quat_y = -20, .quat_z = 30};
    set_extended_temperature(f, 1600);
    return f;
}
Record extended(uint8_t status = 0x3D) { return make_gps_extended(extended_fields(status)); }

enum class Kind { cooked, extended, seeded, v9 };

struct Harness {
    std::string main_text;
    std::string info_text;
    OutStream main{&main_text};
    OutStream info{&info_text};
    TagState tag;
    KmlTrack track;

    Harness() {
        tag.tag_number = 17;
        tag.gps_ontime = 3558;  // + 42 s of the record = 1.00 hour
    }

    void run(Kind kind, const Record& r, uint32_t action) {
        GpsContext ctx{main, info, action, tag, track};
        if (kind == Kind::cooked) {
            decode_gps_cooked(r.data(), r.size(), ctx);
        } else if (kind == Kind::v9) {
            decode_gps_cooked_v9(r.data(), r.size(), ctx);
        } else {
            decode_gps_extended(r.data(), r.size(), kind == Kind::seeded, ctx);
        }
        main.flush();
        info.flush();
    }
};

// ---------------------------------------------------------------- checksum

TEST(GpsChecksum, HandWorkedSums) {
    // Byte 0 = 1, all else 0: A stays 1 after byte 0, B grows by 1 per byte.
    Record r{};
    r[0] = 1;
    r[61] = 0x01;
    r[62] = 0x3D;
    EXPECT_TRUE(gps_cooked_checksum_ok(r.data(), 0, 0));
    // Seeded with tag 0x1234: A = 0x35, B = 0x12 + 61 * 0x35 = 0xB3 (mod 256).
    EXPECT_FALSE(gps_cooked_checksum_ok(r.data(), 0x34, 0x12));
    r[61] = 0x35;
    r[62] = 0xB3;
    EXPECT_TRUE(gps_cooked_checksum_ok(r.data(), 0x34, 0x12));
}

// A bad sum, a flipped bit in the first unit and a short payload are each
// reported with the unit's address and counted; nothing else is taken.
TEST(GpsChecksum, BadRecordsAreReportedAndCounted) {
    Harness h;
    h.tag.processed_bytes = 0x140;
    Record r = cooked();
    r[62] ^= 1;
    h.run(Kind::cooked, r, ACT_GPS);
    h.tag.processed_bytes = 0;
    r = extended();
    r[5] ^= 0x40;
    h.run(Kind::extended, r, ACT_GPS);
    h.run(Kind::cooked, cooked(), ACT_GPS);
    GpsContext ctx{h.main, h.info, ACT_GPS, h.tag, h.track};
    h.main_text.clear();
    decode_gps_cooked(cooked().data(), 62, ctx);
    h.main.flush();
    h.info.flush();
    EXPECT_EQ(h.info_text,
              "############################ Cooked checksum error aastr:0x140\n"
              "############################ Cooked checksum error aastr:0x00\n"
              "############################ Cooked checksum error aastr:0x00\n");
    EXPECT_EQ(h.main_text, "");
    EXPECT_EQ(h.tag.bad_units, 3u);
    EXPECT_EQ(h.tag.stats.gps_records, 1u);
    EXPECT_EQ(h.tag.gps_ontime, 3600u);
}

TEST(GpsChecksum, SeededRecordIsGoodOnlyAsBlock36) {
    Harness h;
    h.tag.tag_number = 0x1234;
    Record r = make_gps_extended(extended_fields(), true, 0x1234);
    h.run(Kind::seeded, r, ACT_GPS);
    EXPECT_EQ(h.tag.bad_units, 0u);
    EXPECT_EQ(h.main_text.rfind("GPS,", 0), 0u);
    h.run(Kind::extended, r, ACT_GPS);
    EXPECT_EQ(h.tag.bad_units, 1u);
    EXPECT_EQ(h.tag.stats.gps_records, 1u);
}

// ---------------------------------------------------------------- lines

// One record decoded by a fresh tag: its line, placemark or track point and
// any info text.
std::string decode(Kind kind, const Record& r, uint32_t action, uint32_t features = 0, bool calibrated = false) {
    Harness h;
    h.tag.feature_word = features;
    h.tag.gps_record_counter = 5;
    if (calibrated) {
        h.tag.pressure = PressureCalibration{{0, 46372, 43981, 29059, 27842, 31553, 28165}};
    }
    h.run(kind, r, action);
    EXPECT_EQ(h.tag.gps_ontime, 3600u);
    return h.main_text + (h.info_text.empty() ? "" : "-- info\n" + h.info_text);
}

Record cooked_with(void (*change)(GpsCookedFields&), uint8_t status = 0x0D, uint8_t fix = 3) {
    GpsCookedFields f = cooked_fields(status, fix);
    change(f);
    return make_gps_cooked(f);
}
Record extended_with(void (*change)(GpsExtendedFields&)) {
    GpsExtendedFields f = extended_fields();
    change(f);
    return make_gps_extended(f);
}

// Every record kind with every line form and feature bit: plain and extra
// columns, MOVEBANK lines, KML placemarks, GPX track points; temperatures,
// pressures, positions of zero, the week end and negative weeks.
TEST(GpsLines, EveryKindAndForm) {
    using K = Kind;
    constexpr uint32_t kKml = ACT_GPS | ACT_KML;
    constexpr uint32_t kKmlIso = ACT_GPS | ACT_KML | ACT_KML_ISO_DATE;
    constexpr uint32_t kGpx = ACT_GPS | ACT_GPX;
    const Record c = cooked();
    const Record e = extended();
    // D1 = 0x62A7A4, D2 = 0x7B4144: with the reference calibration 20.00 degC
    // and 1100.02 hPa; read as a plain number the temperature raw is 0x417B.
    const Record pressure = extended_with([](GpsExtendedFields& f) { f.pressure_d1 = 0x62A7A4; f.pressure_d2 = 0x7B4144; });
    const Record zero_cooked = cooked_with([](GpsCookedFields& f) { f.lon = f.lat = f.height_mm = 0; });
    const Record zero_ext = extended_with([](GpsExtendedFields& f) {
        f.lon = f.lat = f.height_mm = f.quat_w = 0;
        f.quat_x = f.quat_y = f.quat_z = 0;
    });
    const Record week_end = cooked_with([](GpsCookedFields& f) { f.tow_ms = 604799600; });
    const testing::Sections got = {
        {"cooked", decode(K::cooked, c, ACT_GPS)},
        {"cooked extended", decode(K::cooked, c, ACT_GPS | ACT_GPS_EXTENDED)},
        {"cooked fine temperature", decode(K::cooked, c, ACT_GPS, kFine)},
        {"extended", decode(K::extended, e, ACT_GPS)},
        {"extended, extra columns", decode(K::extended, e, ACT_GPS | ACT_GPS_EXTENDED)},
        {"extended, sensors at the bottom", decode(K::extended, e, ACT_GPS, kBottom)},
        {"v9", decode(K::v9, c, ACT_GPS, kFine)},
        {"v9, extra columns", decode(K::v9, c, ACT_GPS | ACT_GPS_EXTENDED)},
        {"MOVEBANK cooked", decode(K::cooked, c, ACT_MOVEBANK)},
        {"MOVEBANK extended", decode(K::extended, e, ACT_MOVEBANK | ACT_GPS)},
        {"MOVEBANK extended, sensors at the bottom", decode(K::extended, e, ACT_MOVEBANK, kBottom)},
        {"MOVEBANK v9", decode(K::v9, c, ACT_MOVEBANK)},
        {"fix time rounds into the next week", decode(K::cooked, week_end, ACT_GPS)},
        {"MOVEBANK keeps the raw week end", decode(K::cooked, week_end, ACT_MOVEBANK)},
        {"negative week", decode(K::cooked, cooked_with([](GpsCookedFields& f) { f.week = -3; }), ACT_GPS)},
        {"temperature 1527", decode(K::cooked, cooked_with([](GpsCookedFields& f) { f.temperature_raw = 1527; }), ACT_GPS)},
        {"temperature 1528", decode(K::cooked, cooked_with([](GpsCookedFields& f) { f.temperature_raw = 1528; }), ACT_GPS)},
        {"temperature 0", decode(K::cooked, cooked_with([](GpsCookedFields& f) { f.temperature_raw = 0; }), ACT_GPS)},
        {"fine temperature -1, battery 4095",
         decode(K::cooked, cooked_with([](GpsCookedFields& f) { f.battery = 4095; f.temperature_raw = 0xFF00; }), ACT_GPS, kFine)},
        {"pressure, coarse", decode(K::extended, pressure, ACT_GPS, 0, true)},
        {"pressure, fine", decode(K::extended, pressure, ACT_GPS, kFine, true)},
        {"pressure, fine, no calibration", decode(K::extended, pressure, ACT_GPS, kFine)},
        {"no pressure bytes, fine", decode(K::extended, e, ACT_GPS, kFine, true)},
        {"zero position cooked", decode(K::cooked, zero_cooked, ACT_GPS)},
        {"MOVEBANK zero position cooked", decode(K::cooked, zero_cooked, ACT_MOVEBANK)},
        {"zero position extended", decode(K::extended, zero_ext, ACT_GPS)},
        {"MOVEBANK zero position extended", decode(K::extended, zero_ext, ACT_MOVEBANK)},
        {"MOVEBANK quaternion marker",
         decode(K::extended, extended_with([](GpsExtendedFields& f) { f.quat_w = -32768; }), ACT_MOVEBANK)},
        {"KML", decode(K::cooked, c, kKml)},
        {"KML no valid fix", decode(K::cooked, cooked(0x04, 3), kKml)},
        // Status 0x01 with fix type 2 is no valid fix, but shows letter A.
        {"KML lettered ISO", decode(K::cooked, cooked(0x01, 2), kKmlIso)},
        {"KML v9 ISO", decode(K::v9, c, kKmlIso)},
        {"GPX extended", decode(K::extended, e, kGpx)},
        {"GPX cooked", decode(K::cooked, c, kGpx)},
        {"GPX cooked no valid fix", decode(K::cooked, cooked(0x0C, 3), kGpx)},
        {"GPX v9", decode(K::v9, c, kGpx)},
        // Software 9: an invalid fix loses its position unless marked.
        {"v9 invalid", decode(K::v9, cooked(0x04, 2), ACT_GPS)},
        {"v9 invalid marked", decode(K::v9, cooked_with([](GpsCookedFields& f) { f.lon = 123456789; }, 0x04, 2), ACT_GPS)},
        {"MOVEBANK v9 invalid", decode(K::v9, cooked(0x04, 2), ACT_MOVEBANK)},
    };
    testing::expect_sections("records/expected/gps.txt", got);
}

TEST(GpsLines, FixTimeOfTheWeekEnd) {
    const GpsFixTime t = gps_fix_time(2000, 604799600);
    EXPECT_EQ(t.week, 2001);
    EXPECT_EQ(t.seconds, 0u);
    EXPECT_EQ(t.tag_time, 584u * 604800u);
    const GpsFixTime before = gps_fix_time(2000, 604799499);
    EXPECT_EQ(before.week, 2000);
    EXPECT_EQ(before.seconds, 604799u);
    EXPECT_EQ(gps_fix_time(1416, 1000).tag_time, 0u);
    EXPECT_EQ(gps_fix_time(1417, 1500).tag_time, 2u);
}

TEST(GpsValues, StatusLettersAndValidFixes) {
    const struct {
        Kind kind;
        uint8_t status, fix;
        char letter;
        bool valid;
    } cases[] = {
        {Kind::cooked, 0x0D, 3, 'A', true},    {Kind::cooked, 0x0D, 2, 'A', false},
        {Kind::cooked, 0x01, 3, 'A', false},   {Kind::cooked, 0x0C, 3, 'B', false},
        {Kind::cooked, 0x04, 3, 'C', false},   {Kind::cooked, 0x08, 3, 'D', false},
        {Kind::extended, 0x3D, 0, 'A', true},  {Kind::extended, 0x1D, 0, 'B', false},
        {Kind::extended, 0x35, 0, 'C', false}, {Kind::extended, 0x01, 0, 'D', false},
    };
    for (const auto& c : cases) {
        Record r = c.kind == Kind::cooked ? cooked(c.status, c.fix) : extended(c.status);
        const GpsFix f = c.kind == Kind::cooked
                             ? decode_gps_cooked_record(r.data(), false)
                             : decode_gps_extended_record(r.data(), 0, PressureCalibration{});
        EXPECT_EQ(f.letter, c.letter) << int{c.status} << "/" << int{c.fix};
        EXPECT_EQ(f.valid, c.valid) << int{c.status} << "/" << int{c.fix};
    }
}

// ---------------------------------------------------------------- statistics

// records, valid fixes, attempts, their valid fixes and fix-time sum, first
// and last fix time, battery maximum, minimum, sum and count.
std::vector<uint64_t> gps_stats(const TagStatistics& s) {
    return {s.gps_records,    s.valid_fixes,   s.attempts,    s.attempt_valid_fixes, s.attempt_fix_time_sum, s.first_fix_time,
            s.last_fix_time, s.battery_max, s.battery_min, s.battery_sum,         s.battery_count};
}

TEST(GpsStatistics, AttemptsFixTimesAndBattery) {
    Harness h;
    // First record: never an attempt. Fix time exactly 2014-01-01 does not count.
    h.run(Kind::cooked, cooked_with([](GpsCookedFields& f) { f.week = 1773; f.tow_ms = 259200000; f.start_time = 1000; }),
          ACT_STATS_LINE | ACT_GPS);
    EXPECT_EQ(gps_stats(h.tag.stats), (std::vector<uint64_t>{1, 1, 0, 0, 0, 0, 0, 4272, 4272, 4272, 1}));
    // Same start time: same attempt. Battery code 3000: 3662 mV.
    h.run(Kind::cooked, cooked_with([](GpsCookedFields& f) { f.start_time = 1000; f.battery = 3000; }, 0x04, 2),
          ACT_STATS_LINE);
    EXPECT_EQ(gps_stats(h.tag.stats), (std::vector<uint64_t>{2, 1, 0, 0, 0, 352861323, 352861323, 4272, 3662, 7934, 2}));
    // New start time: a new attempt with its fix time and validity.
    h.run(Kind::cooked, cooked(), ACT_STATS_LINE);
    h.run(Kind::cooked, cooked_with([](GpsCookedFields& f) { f.week = 2001; f.tow_ms = 0; }), ACT_STATS_LINE);
    EXPECT_EQ(gps_stats(h.tag.stats), (std::vector<uint64_t>{4, 3, 1, 1, 42, 352861323, 584u * 604800u, 4272, 3662,
                                                            3u * 4272u + 3662u, 4}));
    EXPECT_EQ(h.tag.gps_ontime, 3558u + 4u * 42u);
    EXPECT_EQ(h.main_text, "");
}

// Fixes with a placemark away from longitude and latitude zero join the track.
TEST(GpsKml, TrackPoints) {
    Harness h;
    h.run(Kind::cooked, cooked(), ACT_GPS | ACT_KML);
    h.run(Kind::cooked, cooked(0x04, 3), ACT_GPS | ACT_KML);
    EXPECT_EQ(h.track.count(), 1);
    h.run(Kind::cooked, cooked(0x01, 2), ACT_GPS | ACT_KML | ACT_KML_ISO_DATE);
    EXPECT_EQ(h.track.count(), 2);
    Harness zero;
    const Record r = cooked_with([](GpsCookedFields& f) { f.lon = f.lat = 0; f.height_mm = 5000; });
    zero.run(Kind::cooked, r, ACT_GPS | ACT_KML);
    zero.run(Kind::cooked, r, ACT_GPS | ACT_KML | ACT_KML_ISO_DATE);
    EXPECT_EQ(zero.main_text, "");
    EXPECT_EQ(zero.track.count(), 0);
    EXPECT_EQ(zero.tag.stats.valid_fixes, 2u);
}

TEST(GpsValues, ZeroPositionIsNoValidFix) {
    Harness h;
    h.run(Kind::cooked, cooked_with([](GpsCookedFields& f) { f.lon = f.lat = f.height_mm = 0; }), ACT_GPS);
    h.run(Kind::extended, extended_with([](GpsExtendedFields& f) { f.lon = f.lat = f.height_mm = 0; }), ACT_GPS);
    EXPECT_EQ(h.tag.stats.valid_fixes, 0u);
}

TEST(GpsV9, NoStatisticsAndNoStatsOnlyStop) {
    Harness h;
    h.run(Kind::v9, cooked(), ACT_GPS | ACT_STATS_LINE);
    EXPECT_EQ(gps_stats(h.tag.stats), gps_stats(TagStatistics{}));
    EXPECT_EQ(h.tag.gps_ontime, 3600u);
    EXPECT_EQ(h.main_text.rfind("GPS,", 0), 0u);
}

}  // namespace
}  // namespace dec
