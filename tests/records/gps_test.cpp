#include "records/gps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <tuple>
#include <vector>

#include "common/action.h"
#include "expected_sections.h"
#include "records/gps_print.h"
#include "records/gps_record.h"
#include "records/kml.h"
#include "records/ms5837.h"
#include "records/satinfo.h"
#include "testsupport/capture.h"
#include "testsupport/record_builders.h"

namespace dec {
namespace {

using testing::GpsCookedFields;
using testing::GpsExtendedFields;
using Record = testing::Payload;
using testing::capture;

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
    // clang-format off
    return {.lon = 87654321, .lat = 475432100, .height_mm = 512300, .week = 2000,
            .tow_ms = kTowMs, .fix_byte = fix, .status = status, .rtc_flags = 1, .noise = 0x0123,
            .time_to_fix = 42, .vert_acc = 7, .speed_acc = 150, .start_time = kStart,
            .temperature_raw = 1600, .battery = 3500, .loaded_battery = 3400, .speed = 123,
            .heading = 549, .horiz_acc = 16, .fix_battery = 3450};
    // clang-format on
}
Record cooked(uint8_t status = 0x0D, uint8_t fix = 0x03) {
    return make_gps_cooked(cooked_fields(status, fix));
}

// A valid extended fix with the same position and times: status 0x3D, speed
// accuracy 1500 mm/s, heading raw -100 (-65.54), 9 satellites, DOP 1.3,
// temperature raw 1600 and no pressure data, magnetic axes 100/-200/300,
// vertical 2.5 m, quaternion 1000/10/-20/30.
GpsExtendedFields extended_fields(uint8_t status = 0x3D) {
    // clang-format off
    GpsExtendedFields f{.lon = 87654321, .lat = 475432100, .height_mm = 512300, .week = 2000,
                        .tow_ms = kTowMs, .status = status, .speed_acc = 1500, .horiz_acc = 16,
                        .speed = 123, .heading = -100, .satellites = 9, .dop = 13,
                        .start_time = kStart, .battery = 3500, .loaded_battery = 3400,
                        .fix_battery = 3450, .mag = {100, -200, 300}, .time_to_fix = 42,
                        .vert_acc = 25, .quat_w = 1000, .quat_x = 10, .quat_y = -20, .quat_z = 30};
    // clang-format on
    set_extended_temperature(f, 1600);
    return f;
}
Record extended(uint8_t status = 0x3D) {
    return make_gps_extended(extended_fields(status));
}

// Calibration of the sensor family's reference example (W0 sensor field 0).
PressureCalibration calibration(uint16_t w0) {
    return {{w0, 46372, 43981, 29059, 27842, 31553, 28165}};
}

enum class Kind { cooked, extended, seeded, v9 };

struct Harness {
    std::string main_text;
    std::string info_text;
    OutStream main{&main_text};
    OutStream info{&info_text};
    TagState tag;
    TagStreams streams{&info, &main, &main, &main, &main};
    OutputPlan plan;
    GpsOutput out{plan, TagLayout::v10, streams};
    GpsOutput out_v9{plan, TagLayout::v9, streams};
    const KmlTrack& track = out.track();

    Harness() {
        tag.tag_number = 17;
        tag.gps_ontime = 3558;  // + 42 s of the record = 1.00 hour
    }

    void run(Kind kind, const Record& r, uint32_t action, size_t size = sizeof(Record)) {
        plan = output_plan_of(action);
        GpsContext ctx{kind == Kind::v9 ? out_v9 : out, info, plan, tag};
        if (kind == Kind::cooked) {
            decode_gps_cooked(r.data(), size, ctx);
        } else if (kind == Kind::v9) {
            decode_gps_cooked_v9(r.data(), size, ctx);
        } else {
            decode_gps_extended(r.data(), size, kind == Kind::seeded, ctx);
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
    h.main_text.clear();
    h.run(Kind::cooked, cooked(), ACT_GPS, 62);
    EXPECT_EQ(h.info_text,
              "############################ Cooked checksum error aastr:0x140\n"
              "############################ Cooked checksum error aastr:0x00\n"
              "############################ Cooked checksum error aastr:0x00\n");
    EXPECT_EQ(h.main_text, "");
    EXPECT_EQ(h.tag.bad_units, 3u);
    EXPECT_EQ(h.tag.stats.gps_records, 1u);
    EXPECT_EQ(h.tag.gps_ontime, 3600u);
    // A seeded record is good only as block 36.
    h.tag.tag_number = 0x1234;
    const Record seeded = make_gps_extended(extended_fields(), true, 0x1234);
    h.run(Kind::seeded, seeded, ACT_GPS);
    EXPECT_EQ(h.main_text.rfind("GPS,", 0), 0u);
    h.run(Kind::extended, seeded, ACT_GPS);
    EXPECT_EQ(h.tag.bad_units, 4u);
    EXPECT_EQ(h.tag.stats.gps_records, 2u);
}

// ---------------------------------------------------------------- lines

// One record decoded by a fresh tag: its line, placemark or track point and
// any info text.
std::string decode(Kind kind, const Record& r, uint32_t action, uint32_t features = 0, bool calibrated = false) {
    Harness h;
    h.tag.feature_word = features;
    h.tag.gps_record_counter = 5;
    h.tag.pressure = calibrated ? calibration(0) : PressureCalibration{};
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
    const Record pressure = extended_with([](GpsExtendedFields& f) {
        f.pressure_d1 = 0x62A7A4;
        f.pressure_d2 = 0x7B4144;
    });
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
        {"temperature 1527",
         decode(K::cooked, cooked_with([](GpsCookedFields& f) { f.temperature_raw = 1527; }), ACT_GPS)},
        {"temperature 1528",
         decode(K::cooked, cooked_with([](GpsCookedFields& f) { f.temperature_raw = 1528; }), ACT_GPS)},
        {"temperature 0", decode(K::cooked, cooked_with([](GpsCookedFields& f) { f.temperature_raw = 0; }), ACT_GPS)},
        {"fine temperature -1, battery 4095", decode(K::cooked, cooked_with([](GpsCookedFields& f) {
                                                         f.battery = 4095;
                                                         f.temperature_raw = 0xFF00;
                                                     }),
                                                     ACT_GPS, kFine)},
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
        {"v9 invalid marked",
         decode(K::v9, cooked_with([](GpsCookedFields& f) { f.lon = 123456789; }, 0x04, 2), ACT_GPS)},
        {"MOVEBANK v9 invalid", decode(K::v9, cooked(0x04, 2), ACT_MOVEBANK)},
    };
    testing::expect_sections("records/expected/gps.txt", got);
}

// Status letters and validity by record kind, status and fix type (extended
// records have none); fix times just before and at the rounding into the next
// week, and tag times around the tag epoch.
TEST(GpsValues, StatusLettersValidFixesAndFixTimes) {
    testing::Sections got;
    // clang-format off
    for (const auto& [kind, status, fix] : std::initializer_list<std::tuple<Kind, uint8_t, uint8_t>>{
             {Kind::cooked, 0x0D, 3}, {Kind::cooked, 0x0D, 2}, {Kind::cooked, 0x01, 3}, {Kind::cooked, 0x0C, 3},
             {Kind::cooked, 0x04, 3}, {Kind::cooked, 0x08, 3}, {Kind::extended, 0x3D, 0}, {Kind::extended, 0x1D, 0},
             {Kind::extended, 0x35, 0}, {Kind::extended, 0x01, 0}}) {
        // clang-format on
        const Record r = kind == Kind::cooked ? cooked(status, fix) : extended(status);
        const GpsFix f = kind == Kind::cooked ? decode_gps_cooked_record(r.data(), false)
                                              : decode_gps_extended_record(r.data(), 0, PressureCalibration{});
        got.emplace_back((kind == Kind::cooked ? "cooked status " : "extended status ") + std::to_string(status) +
                             " fix " + std::to_string(fix),
                         std::string(1, f.letter) + (f.valid ? " valid" : ""));
    }
    for (const auto& [week, tow_ms] : std::initializer_list<std::pair<int16_t, uint32_t>>{
             {2000, 604799600}, {2000, 604799499}, {1416, 1000}, {1417, 1500}}) {
        const GpsFixTime t = gps_fix_time(week, tow_ms);
        got.emplace_back("fix time week " + std::to_string(week) + " ms " + std::to_string(tow_ms),
                         "week " + std::to_string(t.week) + " s " + std::to_string(t.seconds) + " tag time " +
                             std::to_string(t.tag_time));
    }
    testing::expect_sections("records/expected/gps_values.txt", got);
}

// ---------------------------------------------------------------- statistics

// records, valid fixes, attempts, their valid fixes and fix-time sum, first
// and last fix time, battery maximum, minimum, sum and count.
std::vector<uint64_t> gps_stats(const TagStatistics& s) {
    return {s.gps_records,          s.valid_fixes,    s.attempts,      s.attempt_valid_fixes,
            s.attempt_fix_time_sum, s.first_fix_time, s.last_fix_time, s.battery_max,
            s.battery_min,          s.battery_sum,    s.battery_count};
}

TEST(GpsStatistics, AttemptsFixTimesAndBattery) {
    Harness h;
    // First record: never an attempt. Fix time exactly 2014-01-01 does not count.
    h.run(Kind::cooked, cooked_with([](GpsCookedFields& f) {
              f.week = 1773;
              f.tow_ms = 259200000;
              f.start_time = 1000;
          }),
          ACT_STATS_LINE | ACT_GPS);
    EXPECT_EQ(gps_stats(h.tag.stats), (std::vector<uint64_t>{1, 1, 0, 0, 0, 0, 0, 4272, 4272, 4272, 1}));
    // Same start time: same attempt. Battery code 3000: 3662 mV.
    h.run(Kind::cooked,
          cooked_with(
              [](GpsCookedFields& f) {
                  f.start_time = 1000;
                  f.battery = 3000;
              },
              0x04, 2),
          ACT_STATS_LINE);
    EXPECT_EQ(gps_stats(h.tag.stats),
              (std::vector<uint64_t>{2, 1, 0, 0, 0, 352861323, 352861323, 4272, 3662, 7934, 2}));
    // New start time: a new attempt with its fix time and validity.
    h.run(Kind::cooked, cooked(), ACT_STATS_LINE);
    h.run(Kind::cooked, cooked_with([](GpsCookedFields& f) {
              f.week = 2001;
              f.tow_ms = 0;
          }),
          ACT_STATS_LINE);
    EXPECT_EQ(gps_stats(h.tag.stats),
              (std::vector<uint64_t>{4, 3, 1, 1, 42, 352861323, 584u * 604800u, 4272, 3662, 3u * 4272u + 3662u, 4}));
    EXPECT_EQ(h.tag.gps_ontime, 3558u + 4u * 42u);
    EXPECT_EQ(h.main_text, "");
    // Software-9 records take no statistics, and the STATS line does not stop them.
    const std::vector<uint64_t> before = gps_stats(h.tag.stats);
    h.run(Kind::v9, cooked(), ACT_GPS | ACT_STATS_LINE);
    EXPECT_EQ(gps_stats(h.tag.stats), before);
    EXPECT_EQ(h.main_text.rfind("GPS,", 0), 0u);
}

// Fixes with a placemark away from longitude and latitude zero join the track.
// Position 0/0 with a height is a valid fix, 0/0/0 none.
TEST(GpsKml, TrackPointsAndZeroPositions) {
    Harness h;
    h.run(Kind::cooked, cooked(), ACT_GPS | ACT_KML);
    h.run(Kind::cooked, cooked(0x04, 3), ACT_GPS | ACT_KML);
    EXPECT_EQ(h.track.count(), 1);
    h.run(Kind::cooked, cooked(0x01, 2), ACT_GPS | ACT_KML | ACT_KML_ISO_DATE);
    EXPECT_EQ(h.track.count(), 2);
    Harness zero;
    const Record r = cooked_with([](GpsCookedFields& f) {
        f.lon = f.lat = 0;
        f.height_mm = 5000;
    });
    zero.run(Kind::cooked, r, ACT_GPS | ACT_KML);
    zero.run(Kind::cooked, r, ACT_GPS | ACT_KML | ACT_KML_ISO_DATE);
    EXPECT_EQ(zero.main_text, "");
    EXPECT_EQ(zero.track.count(), 0);
    zero.run(Kind::cooked, cooked_with([](GpsCookedFields& f) { f.lon = f.lat = f.height_mm = 0; }), ACT_GPS);
    zero.run(Kind::extended, extended_with([](GpsExtendedFields& f) { f.lon = f.lat = f.height_mm = 0; }), ACT_GPS);
    EXPECT_EQ(zero.tag.stats.valid_fixes, 2u);
}

// ---------------------------------------------------------------- KML and GPX documents

// Heads, placemarks, track points and ends of the KML and GPX files, whole.
TEST(Kml, Documents) {
    KmlTrack track;
    track.add(1, 2);
    KmlTrack empty;
    testing::Sections got;
    got.emplace_back("KML head", capture([&](OutStream& out) { write_kml_head(out, 17, track); }));
    EXPECT_EQ(track.count(), 0);
    got.emplace_back("KML placemarks", capture([&](OutStream& out) {
                         // -1999 mm truncates toward zero to -1 m.
                         write_kml_placemark(out, track, 7, 0, "desc", 87654321, 475432100, -1999);
                         write_kml_placemark(out, track, 8, 'C', "x", -1234567, -2, 1999);
                     }));
    got.emplace_back("KML end", capture([&](OutStream& out) { write_kml_end(out, track); }));
    got.emplace_back("KML end without points", capture([&](OutStream& out) { write_kml_end(out, empty); }));
    got.emplace_back("GPX", capture([](OutStream& out) {
                         write_gpx_head(out, 17);
                         // 604,799,600 ms of week 2000 round to 00:00:00 of week 2001.
                         write_gpx_trackpoint(out, 604799600, 2000, 87654321, 475432100, 512300, 13);
                         write_gpx_trackpoint(out, 262923400, 2000, -87654321, -475432100, -1999, 0);
                         write_gpx_trackpoint(out, 0, 0, 10000000, 20000000, 0, 5);  // no time: no element
                         write_gpx_end(out);
                     }));
    testing::expect_sections("records/expected/kml_gpx.txt", got);
    ASSERT_EQ(track.count(), 2);
    EXPECT_EQ(track.lon(1), -1234567);
    EXPECT_EQ(track.lat(1), -2);
    // The track keeps the first 100,000 points; later placemarks are still
    // written, their points dropped.
    for (int32_t i = 2; i < KmlTrack::kMaxPoints + 1; ++i) {
        track.add(i, -i);
    }
    EXPECT_EQ(track.count(), 100000);
    EXPECT_EQ(track.lon(99999), 99999);
    EXPECT_EQ(track.lat(99999), -99999);
    const std::string text = capture([&](OutStream& out) { write_kml_placemark(out, track, 100001, 0, "", 5, 5, 0); });
    EXPECT_NE(text.find("<name>100001</name>"), std::string::npos);
    EXPECT_EQ(track.count(), 100000);
}

// ---------------------------------------------------------------- pressure compensation

// An extended GPS record carrying only the two raw conversions.
testing::Payload record(uint32_t d1, uint32_t d2) {
    return testing::make_gps_extended({.status = 0, .pressure_d1 = d1, .pressure_d2 = d2});
}

// Expected values worked through the formulas step by step:
// 20 degC: dT = 8077636 - 31553*256 = 68, X = (68*28165) >> 23 = 0, TEMP = 2000,
//   OFF = 43981*2^17 + (27842*68 >> 6) = 5764707214,
//   SENS = 46372*2^16 + (29059*68 >> 7) = 3039050829,
//   P = ((6465444*SENS >> 21) - OFF) >> 15 = 110002.
// Cold (D2 = 7000001): dT = -1077567, OFF = 5295902313, SENS = 2794402427,
//   X = floor(-30349674555 / 2^23) = -3618 (an arithmetic shift, not -3617),
//   TEMP = -1618; SENSi = ((63*X/2)*X)/16 = 25770787;
//   field 0:  TEMP2 = TEMP - (dT^2*11 >> 35) = -1989, OFFi = X^2*31/8 = 50723455, P = 100415;
//   field 36: TEMP2 = TEMP - (dT^2*14 >> 35) = -2091, OFFi = X^2*35/8 = 57268417, P = 100615.
// A missing calibration gives zeros, but the record still counts as data. The
// temperature's high bytes alone do not make pressure data; any one of the
// four bytes is enough.
TEST(Ms5837, Compensation) {
    testing::Sections got;
    auto add = [&](const std::string& name, const testing::Payload& r, uint16_t w0, uint16_t c6 = 28165) {
        PressureCalibration cal = calibration(w0);
        cal.c[6] = c6;
        int32_t p = -1, t = -1;
        const bool data = ms5837_compensate(r.data(), cal, p, t) != 0;
        got.emplace_back(name,
                         "P " + std::to_string(p) + " T " + std::to_string(t) + (data ? "" : " no pressure data"));
    };
    add("20 degC, first-order only", record(6465444, 8077636), 0);
    add("cold, sensor field 0", record(6465444, 7000001), 0);
    add("cold, sensor field 36", record(6465444, 7000001), 36 << 5);
    add("cold, field 36 with CRC bits in W0", record(6465444, 7000001), 0xF000 | (36 << 5));
    add("cold, unknown sensor field", record(6465444, 7000001), 1 << 5);
    add("warm, unknown sensor field needs no constants", record(6465444, 8077636), 1 << 5);
    add("missing calibration", record(6465444, 8077636), 0, 0);
    add("temperature high bytes only", record(0, 0x7B4100), 0);
    for (size_t off : {40u, 41u, 59u, 60u}) {
        auto one = record(0, 0);
        one[off] = 1;
        add("one byte at " + std::to_string(off), one, 0);
    }
    testing::expect_sections("records/expected/ms5837.txt", got);
}

// ---------------------------------------------------------------- satellite reports

using Channel = testing::SatChannelFields;

// A report of exactly `length` bytes (a heap block of that size, so that an
// address sanitizer sees any read past it), announcing `claimed` channels.
std::vector<uint8_t> report(const std::vector<Channel>& channels, uint8_t claimed, size_t length) {
    std::vector<uint8_t> r = testing::make_satellite_report(123456789, channels);
    r.resize(length);
    r[4] = claimed;
    return r;
}

std::string print(const std::vector<uint8_t>& r) {
    return testing::capture(
        [&](OutStream& o) { print_satellite_report(r.data(), static_cast<uint32_t>(r.size()), o); });
}

// Sentences of whole reports: quality 7 with orbit; quality 3 (upper bits
// ignored) without a ratio; negative azimuths; unlisted channels skipped; more
// than four satellites over several sentences, up to the 156 channels of 30
// units, every one listed.
TEST(SatelliteReport, Sentences) {
    // One unit holds four whole channels; the report claims ten (and the
    // loop's own completeness test would never have passed it on). The bytes
    // of a fifth channel would start at 56 and run past the end.
    auto over =
        report({{0, 1, 0x04, 4, 1, 1, 1}, {0, 2, 0x04, 4, 2, 2, 2}, {0, 3, 0x04, 4, 3, 3, 3}, {0, 4, 0x04, 4, 4, 4, 4}},
               10, 63);
    std::fill(over.begin() + 56, over.end(), 0x04);
    EXPECT_EQ(satellite_channel_count(over.data(), 63), 4u);
    // The count byte itself lies beyond a record shorter than the header.
    EXPECT_EQ(satellite_channel_count(over.data(), 7), 0u);
    EXPECT_EQ(satellite_channel_count(over.data(), 0), 0u);
    auto most = report(std::vector<Channel>(155, Channel{0, 200, 0x04, 7, 255, -90, -180}), 156, 1890);
    std::copy_n(most.begin() + 8, 12, most.begin() + 8 + 12 * 155);  // the builder stops at 155
    const testing::Sections got = {
        {"three satellites", print(report({{0, 5, 0x04, 0x07, 40, 45, 180},
                                           {0, 7, 0x00, 0x07, 44, 10, 10},  // no orbit information
                                           {0, 12, 0x0D, 0x13, 30, -3, 270},
                                           {0, 8, 0x04, 0x01, 20, 5, 5},  // quality too low
                                           {0, 29, 0x04, 0x04, 33, 10, -5}},
                                          5, 63 * 2))},
        {"five satellites", print(report({{0, 1, 0x04, 5, 20, 10, 100},
                                          {0, 2, 0x04, 2, 99, 20, 200},
                                          {0, 3, 0x04, 15, 30, -30, 300},
                                          {0, 4, 0x04, 4, 40, 40, -40},
                                          {0, 5, 0x04, 6, 50, 90, 359}},
                                         5, 63 * 2))},
        {"count larger than the record holds", print(over)},
        {"shorter than the header", print(std::vector<uint8_t>(over.begin(), over.begin() + 4))},
        {"count 0", print(report({{0, 1, 0x04, 7, 40, 1, 1}}, 0, 63))},
        {"nothing listed", print(report({{0, 1, 0x00, 7, 40, 1, 1}, {0, 2, 0x04, 1, 40, 1, 1}}, 2, 63))},
        {"156 channels", print(most)},
    };
    testing::expect_sections("records/expected/satellites.txt", got);
    // Complete once the bytes of every claimed channel are there: 8 + 12 * 3
    // and 8 + 12 * 156 = 1880.
    const auto three = report({}, 3, 63);
    EXPECT_TRUE(satellite_report_complete(three.data(), 44));
    EXPECT_FALSE(satellite_report_complete(three.data(), 43));
    EXPECT_FALSE(satellite_report_complete(most.data(), 1827));
    EXPECT_TRUE(satellite_report_complete(most.data(), 1890));
    EXPECT_FALSE(satellite_report_complete(most.data(), 4));
}

}  // namespace
}  // namespace dec
