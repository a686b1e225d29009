#include "records/gps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>

#include "common/action.h"
#include "common/le.h"
#include "records/fletcher32.h"
#include "records/gps_print.h"
#include "records/gps_record.h"
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
        switch (kind) {
            case Kind::cooked:
                decode_gps_cooked(r.data(), r.size(), ctx);
                break;
            case Kind::extended:
                decode_gps_extended(r.data(), r.size(), false, ctx);
                break;
            case Kind::seeded:
                decode_gps_extended(r.data(), r.size(), true, ctx);
                break;
            case Kind::v9:
                decode_gps_cooked_v9(r.data(), r.size(), ctx);
                break;
        }
        main.flush();
        info.flush();
    }
};

std::string key_of(const Record& r) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%010u", fletcher32(r.data(), 63));
    return buf;
}

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

TEST(GpsChecksum, BadRecordIsReportedAndCounted) {
    Harness h;
    h.tag.processed_bytes = 0x140;
    Record r = cooked();
    r[62] ^= 1;
    h.run(Kind::cooked, r, ACT_GPS);
    EXPECT_EQ(h.info_text, "############################ Cooked checksum error aastr:0x140\n");
    EXPECT_EQ(h.main_text, "");
    EXPECT_EQ(h.tag.bad_units, 1u);
    EXPECT_EQ(h.tag.stats.gps_records, 0u);
    EXPECT_EQ(h.tag.gps_ontime, 3558u);
}

TEST(GpsChecksum, FirstUnitAndShortPayload) {
    Harness h;
    Record r = extended();
    r[5] ^= 0x40;
    h.run(Kind::extended, r, ACT_GPS);
    GpsContext ctx{h.main, h.info, ACT_GPS, h.tag, h.track};
    decode_gps_cooked(cooked().data(), 62, ctx);
    h.info.flush();
    EXPECT_EQ(h.info_text,
              "############################ Cooked checksum error aastr:0x00\n"
              "############################ Cooked checksum error aastr:0x00\n");
    EXPECT_EQ(h.tag.bad_units, 2u);
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

constexpr char kHead[] = "GPS,4084,9.5.2018,We,01:00:00,8.7654321,47.5432100,512.3,";
constexpr char kFixTime[] = "9.5.2018,We,01:02:03";
constexpr char kMbStart[] = ",17,2018-05-09 01:00:00.000,";

struct LineCase {
    const char* legend;
    Kind kind;
    uint32_t action;
    uint32_t features;
    std::string expected;  // after the MOVEBANK key, when there is one
};

TEST(GpsLines, OneLinePerRecordKindAndActionForm) {
    const std::string cooked_body =
        std::string(kHead) + "3,A,1,35,42," + kFixTime + ",4272,15,1.23,359.79,1.50,4.10";
    const std::string ext_body =
        std::string(kHead) + "3,A,1,,42," + kFixTime + ",4272,15,1.23,-65.54,1.50,4.10,1.3,9,0.00";
    const std::string mb_cooked = std::string(kMbStart) +
                                  "8.7654321,47.5432100,512.3,3,A,42,2018-05-09 01:02:03.400,"
                                  "4272,4211,15,1.23,359.79,1.50,4.10";
    const std::string mb_ext = std::string(kMbStart) +
                               "8.7654321,47.5432100,512.3,3,A,42,2018-05-09 01:02:03.400,"
                               "4272,4211,15,1.23,-65.54,1.50,4.10,1.3,9,0.00,";
    const LineCase cases[] = {
        {"cooked", Kind::cooked, ACT_GPS, 0, cooked_body + ",,,,,,,,,,\n"},
        {"cooked extended", Kind::cooked, ACT_GPS | ACT_GPS_EXTENDED, 0,
         cooked_body + ",,,,,,,,,,,4150,4211,1.00,7\n"},
        {"cooked fine temperature", Kind::cooked, ACT_GPS, kFine,
         std::string(kHead) + "3,A,1,35,42," + kFixTime +
             ",4272,6.25,1.23,359.79,1.50,4.10,,,,,,,,,,\n"},
        {"extended", Kind::extended, ACT_GPS, 0, ext_body + ",1000,-10,-20,-30,200,100,300\n"},
        {"extended, extra columns", Kind::extended, ACT_GPS | ACT_GPS_EXTENDED, 0,
         ext_body + ",1000,-10,-20,-30,200,100,300,4150,4211,1.00,2.5\n"},
        {"extended, sensors at the bottom", Kind::extended, ACT_GPS, kBottom,
         ext_body + ",1000,-10,-20,-30,-200,100,-300\n"},
        {"cooked, software 9", Kind::v9, ACT_GPS, kFine, cooked_body + "\n"},
        {"cooked, software 9, extra columns", Kind::v9, ACT_GPS | ACT_GPS_EXTENDED, 0,
         cooked_body + ",4150,4211,1.00,7\n"},
        {"MOVEBANK cooked, 28 columns", Kind::cooked, ACT_MOVEBANK, 0,
         mb_cooked + ",,,,,,,,,,,21\n"},
        {"MOVEBANK extended, 28 columns", Kind::extended, ACT_MOVEBANK | ACT_GPS, 0,
         mb_ext + "1000,-10,-20,-30,200,100,300,21\n"},
        {"MOVEBANK extended, sensors at the bottom", Kind::extended, ACT_MOVEBANK, kBottom,
         mb_ext + "1000,-10,-20,-30,-200,100,-300,21\n"},
        {"MOVEBANK software 9, 18 columns", Kind::v9, ACT_MOVEBANK, 0, mb_cooked + ",21\n"},
    };
    for (const auto& c : cases) {
        Harness h;
        h.tag.feature_word = c.features;
        const Record r = c.kind == Kind::extended ? extended() : cooked();
        h.run(c.kind, r, c.action);
        const std::string expected =
            (c.action & ACT_MOVEBANK) != 0 ? key_of(r) + c.expected : c.expected;
        EXPECT_EQ(h.main_text, expected) << c.legend;
        if ((c.action & ACT_MOVEBANK) != 0) {
            const auto columns = std::count(h.main_text.begin(), h.main_text.end(), ',') + 1;
            EXPECT_EQ(columns, c.kind == Kind::v9 ? 18 : 28) << c.legend;
        }
        EXPECT_EQ(h.info_text, "") << c.legend;
        EXPECT_EQ(h.tag.gps_ontime, 3600u) << c.legend;
    }
}

TEST(GpsLines, FixTimeRoundsIntoTheNextWeek) {
    GpsCookedFields f = cooked_fields();
    f.tow_ms = 604799600;
    const Record r = make_gps_cooked(f);
    Harness h;
    h.run(Kind::cooked, r, ACT_GPS);
    EXPECT_NE(h.main_text.find(",42,13.5.2018,Su,00:00:00,4272,"), std::string::npos)
        << h.main_text;
    // The MOVEBANK stamp keeps the raw week and milliseconds.
    Harness m;
    m.run(Kind::cooked, r, ACT_MOVEBANK);
    EXPECT_NE(m.main_text.find(",42,2018-05-12 23:59:59.600,4272,"), std::string::npos)
        << m.main_text;

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

TEST(GpsLines, NegativeWeekPrintsThePrinterText) {
    GpsCookedFields f = cooked_fields();
    f.week = -3;
    const Record r = make_gps_cooked(f);
    Harness h;
    h.run(Kind::cooked, r, ACT_GPS);
    EXPECT_NE(h.main_text.find(",42,Week negative,,01:02:03,"), std::string::npos) << h.main_text;
}

// ---------------------------------------------------------------- values

struct TemperatureCase {
    const char* legend;
    uint16_t raw;
    const char* text;  // battery and temperature columns
};

TEST(GpsValues, CoarseTemperatureAndVoltage) {
    const TemperatureCase cases[] = {
        {"just below zero", 1527, ",4272,-1,"},
        {"zero", 1528, ",4272,0,"},
        {"raw zero", 0, ",4272,-316,"},
    };
    for (const auto& c : cases) {
        GpsCookedFields f = cooked_fields();
        f.temperature_raw = c.raw;
        const Record r = make_gps_cooked(f);
        Harness h;
        h.run(Kind::cooked, r, ACT_GPS);
        EXPECT_NE(h.main_text.find(c.text), std::string::npos) << c.legend << h.main_text;
    }
    GpsCookedFields f = cooked_fields();
    f.battery = 4095;
    f.temperature_raw = 0xFF00;  // -256 / 256 with the fine sensor
    const Record r = make_gps_cooked(f);
    Harness h;
    h.tag.feature_word = kFine;
    h.run(Kind::cooked, r, ACT_GPS);
    EXPECT_NE(h.main_text.find(",4998,-1.00,"), std::string::npos) << h.main_text;
}

TEST(GpsValues, ExtendedTemperatureAndPressureByFeatureBit) {
    // D1 = 0x62A7A4, D2 = 0x7B4144: with the reference calibration 20.00 degC
    // and 1100.02 hPa; read as a plain number the temperature raw is 0x417B.
    GpsExtendedFields f = extended_fields();
    f.pressure_d1 = 0x62A7A4;
    f.pressure_d2 = 0x7B4144;
    const Record r = make_gps_extended(f);
    const uint16_t words[7] = {0, 46372, 43981, 29059, 27842, 31553, 28165};

    Harness coarse;
    for (int i = 0; i < 7; ++i)
        coarse.tag.pressure.c[i] = words[i];
    coarse.run(Kind::extended, r, ACT_GPS);
    // (16763 * 2500) / 12083 - 316 = 3152; no pressure without the feature bit.
    EXPECT_NE(coarse.main_text.find(",4272,3152,1.23,-65.54,1.50,4.10,1.3,9,0.00,"),
              std::string::npos)
        << coarse.main_text;

    Harness fine;
    fine.tag.feature_word = kFine;
    for (int i = 0; i < 7; ++i)
        fine.tag.pressure.c[i] = words[i];
    fine.run(Kind::extended, r, ACT_GPS);
    EXPECT_NE(fine.main_text.find(",4272,20.00,1.23,-65.54,1.50,4.10,1.3,9,1100.02,"),
              std::string::npos)
        << fine.main_text;

    Harness no_calibration;
    no_calibration.tag.feature_word = kFine;
    no_calibration.run(Kind::extended, r, ACT_GPS);
    EXPECT_NE(no_calibration.main_text.find(",4272,0.00,1.23,-65.54,1.50,4.10,1.3,9,0.00,"),
              std::string::npos)
        << no_calibration.main_text;

    // Feature bit set, no pressure bytes: raw 1600 / 256 and pressure 0.
    Harness plain;
    plain.tag.feature_word = kFine;
    for (int i = 0; i < 7; ++i)
        plain.tag.pressure.c[i] = words[i];
    plain.run(Kind::extended, extended(), ACT_GPS);
    EXPECT_NE(plain.main_text.find(",4272,6.25,1.23,-65.54,1.50,4.10,1.3,9,0.00,"),
              std::string::npos)
        << plain.main_text;
}

TEST(GpsValues, ZeroPositionCookedRecord) {
    GpsCookedFields f = cooked_fields();
    f.lon = f.lat = f.height_mm = 0;
    const Record r = make_gps_cooked(f);
    Harness h;
    h.run(Kind::cooked, r, ACT_GPS);
    // Fix byte cleared, status 0x0C: letter B; motion figures replaced.
    EXPECT_EQ(h.main_text,
              "GPS,4084,9.5.2018,We,01:00:00,0.0000000,0.0000000,0.0,0,B,1,35,42,"
              "9.5.2018,We,01:02:03,4272,15,0.00,0.00,300.00,10000.00,,,,,,,,,,\n");
    EXPECT_EQ(h.tag.stats.valid_fixes, 0u);

    Harness m;
    m.run(Kind::cooked, r, ACT_MOVEBANK);
    EXPECT_EQ(m.main_text, key_of(r) + kMbStart +
                               ",,,0,B,42,2018-05-09 01:02:03.400,4272,4211,15,,,,,,,,,,,,,,,21\n");
}

TEST(GpsValues, ZeroPositionExtendedRecordKeepsItsLetter) {
    GpsExtendedFields f = extended_fields();
    f.lon = f.lat = f.height_mm = 0;
    f.quat_w = 0;
    f.quat_x = f.quat_y = f.quat_z = 0;
    const Record r = make_gps_extended(f);
    Harness m;
    m.run(Kind::extended, r, ACT_MOVEBANK);
    EXPECT_EQ(m.main_text,
              key_of(r) + kMbStart +
                  ",,,0,A,42,2018-05-09 01:02:03.400,4272,4211,15,,,,,,,0.00,,,,,,,,21\n");
    EXPECT_EQ(m.tag.stats.valid_fixes, 0u);

    Harness h;
    h.run(Kind::extended, r, ACT_GPS);
    EXPECT_NE(h.main_text.find(",0.0,3,A,1,,42,"), std::string::npos) << h.main_text;
    EXPECT_NE(
        h.main_text.find(",4272,15,0.00,0.00,300.00,10000.00,1.3,9,0.00,0,0,0,0,200,100,300\n"),
        std::string::npos)
        << h.main_text;
}

TEST(GpsValues, QuaternionMarkerClearsTheVectorPart) {
    GpsExtendedFields f = extended_fields();
    f.quat_w = -32768;
    const Record r = make_gps_extended(f);
    Harness m;
    m.run(Kind::extended, r, ACT_MOVEBANK);
    EXPECT_NE(m.main_text.find(",0.00,-32768,0,0,0,200,100,300,21\n"), std::string::npos)
        << m.main_text;
}

struct LetterCase {
    Kind kind;
    uint8_t status;
    uint8_t fix;
    char letter;
    bool valid;
};

TEST(GpsValues, StatusLettersAndValidFixes) {
    const LetterCase cases[] = {
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

TEST(GpsStatistics, AttemptsFixTimesAndBattery) {
    Harness h;
    // First record: never an attempt. Fix time exactly 2014-01-01 does not count.
    GpsCookedFields first_fields = cooked_fields();
    first_fields.week = 1773;
    first_fields.tow_ms = 259200000;
    first_fields.start_time = 1000;
    const Record first = make_gps_cooked(first_fields);
    h.run(Kind::cooked, first, ACT_STATS_LINE | ACT_GPS);
    EXPECT_EQ(h.main_text, "");
    EXPECT_EQ(h.tag.stats.gps_records, 1u);
    EXPECT_EQ(h.tag.stats.valid_fixes, 1u);
    EXPECT_EQ(h.tag.stats.attempts, 0u);
    EXPECT_EQ(h.tag.stats.first_fix_time, 0u);
    EXPECT_EQ(h.tag.stats.last_fix_time, 0u);

    // Same start time: same attempt.
    GpsCookedFields same_fields = cooked_fields(0x04, 2);
    same_fields.start_time = 1000;
    same_fields.battery = 3000;  // 3662 mV
    const Record same = make_gps_cooked(same_fields);
    h.run(Kind::cooked, same, ACT_STATS_LINE);
    EXPECT_EQ(h.tag.stats.attempts, 0u);
    EXPECT_EQ(h.tag.stats.first_fix_time, 352861200u + 123u);

    // New start time: a new attempt with its fix time and validity.
    h.run(Kind::cooked, cooked(), ACT_STATS_LINE);
    GpsCookedFields later_fields = cooked_fields();
    later_fields.week = 2001;
    later_fields.tow_ms = 0;
    const Record later = make_gps_cooked(later_fields);
    h.run(Kind::cooked, later, ACT_STATS_LINE);

    const TagStatistics& s = h.tag.stats;
    EXPECT_EQ(s.gps_records, 4u);
    EXPECT_EQ(s.valid_fixes, 3u);
    EXPECT_EQ(s.attempts, 1u);
    EXPECT_EQ(s.attempt_valid_fixes, 1u);
    EXPECT_EQ(s.attempt_fix_time_sum, 42u);
    EXPECT_EQ(s.first_fix_time, 352861323u);
    EXPECT_EQ(s.last_fix_time, 584u * 604800u);
    EXPECT_EQ(s.battery_max, 4272u);
    EXPECT_EQ(s.battery_min, 3662u);
    EXPECT_EQ(s.battery_sum, 3u * 4272u + 3662u);
    EXPECT_EQ(s.battery_count, 4u);
    EXPECT_EQ(h.tag.gps_ontime, 3558u + 4u * 42u);
    EXPECT_EQ(h.main_text, "");
}

// ---------------------------------------------------------------- KML and GPX

constexpr char kPlacemarkTail[] =
    "</description>\n"
    "\t\t\t<styleUrl>#mdi</styleUrl>\n"
    "\t\t\t<Point>\n"
    "\t\t\t\t<coordinates>8.765432,47.543210,512</coordinates>\n"
    "\t\t\t</Point>\n"
    "\t\t</Placemark>\n";

TEST(GpsKml, PlainPlacemarkOfAValidFix) {
    Harness h;
    h.tag.gps_record_counter = 5;
    h.run(Kind::cooked, cooked(), ACT_GPS | ACT_KML);
    EXPECT_EQ(h.main_text, std::string("\t\t<Placemark>\n\t\t\t<name>5</name>\n"
                                       "\t\t\t<visibility>0</visibility>\n"
                                       "\t\t\t<description>t17 We, 9.5.2018\nGPSTIME 01:02:03;\n"
                                       "4.4km/h; 360deg; 5.4km/h; 512.3m") +
                               kPlacemarkTail);
    EXPECT_EQ(h.track.count(), 1);

    // Not a valid fix: no plain placemark, no point.
    h.main_text.clear();
    h.run(Kind::cooked, cooked(0x04, 3), ACT_GPS | ACT_KML);
    EXPECT_EQ(h.main_text, "");
    EXPECT_EQ(h.track.count(), 1);
}

TEST(GpsKml, LetteredPlacemarkWithIsoDates) {
    Harness h;
    h.tag.gps_record_counter = 6;
    // Status 0x01 with fix type 2 is no valid fix, but shows letter A.
    h.run(Kind::cooked, cooked(0x01, 2), ACT_GPS | ACT_KML | ACT_KML_ISO_DATE);
    EXPECT_EQ(h.main_text, std::string("\t\t<Placemark>\n\t\t\t<name>6 A</name>\n"
                                       "\t\t\t<visibility>0</visibility>\n"
                                       "\t\t\t<description>t17 We, 2018-05-09 01:02:03;\n"
                                       "4.4km/h; 360deg; 512.3m") +
                               kPlacemarkTail);
    EXPECT_EQ(h.track.count(), 1);
}

TEST(GpsKml, NoPlacemarkAtLongitudeAndLatitudeZero) {
    GpsCookedFields f = cooked_fields();
    f.lon = f.lat = 0;
    f.height_mm = 5000;
    const Record r = make_gps_cooked(f);
    Harness h;
    h.run(Kind::cooked, r, ACT_GPS | ACT_KML);
    h.run(Kind::cooked, r, ACT_GPS | ACT_KML | ACT_KML_ISO_DATE);
    EXPECT_EQ(h.main_text, "");
    EXPECT_EQ(h.track.count(), 0);
    EXPECT_EQ(h.tag.stats.valid_fixes, 2u);
}

TEST(GpsKml, SoftwareNinePlacemarkUsesTheLongLabel) {
    Harness h;
    h.tag.gps_record_counter = 2;
    h.run(Kind::v9, cooked(), ACT_GPS | ACT_KML | ACT_KML_ISO_DATE);
    EXPECT_EQ(h.main_text, std::string("\t\t<Placemark>\n\t\t\t<name>2</name>\n"
                                       "\t\t\t<visibility>0</visibility>\n"
                                       "\t\t\t<description>tag17 We, 9.5.2018\nGPSTIME 01:02:03;\n"
                                       "4.4km/h; 360deg; 5.4km/h; 512.3m") +
                               kPlacemarkTail);
}

TEST(GpsGpx, TrackPointsOfValidFixesOnly) {
    Harness h;
    h.run(Kind::extended, extended(), ACT_GPS | ACT_GPX);
    h.run(Kind::cooked, cooked(), ACT_GPS | ACT_GPX);
    h.run(Kind::cooked, cooked(0x0C, 3), ACT_GPS | ACT_GPX);
    h.run(Kind::v9, cooked(), ACT_GPS | ACT_GPX);
    const std::string point =
        "\t<trkpt lat=\"47.543210\" lon=\"8.765432\">\n"
        "\t<ele>512.3</ele>\n"
        "\t<time>2018-05-09T01:02:03Z</time>\n";
    EXPECT_EQ(h.main_text, point + "\t<pdop>1.3</pdop>\n\t</trkpt>\n" + point +
                               "\t<pdop>0.0</pdop>\n\t</trkpt>\n" + point +
                               "\t<pdop>0.0</pdop>\n\t</trkpt>\n");
}

// ---------------------------------------------------------------- software 9

TEST(GpsV9, InvalidFixLosesItsPositionUnlessMarked) {
    Harness h;
    h.run(Kind::v9, cooked(0x04, 2), ACT_GPS);
    EXPECT_EQ(h.main_text,
              "GPS,4084,9.5.2018,We,01:00:00,0.0000000,0.0000000,0.0,0,C,1,35,42,"
              "9.5.2018,We,01:02:03,4272,15,0.00,0.00,300.00,10000.00\n");

    GpsCookedFields marked_fields = cooked_fields(0x04, 2);
    marked_fields.lon = 123456789;
    const Record marked = make_gps_cooked(marked_fields);
    Harness k;
    k.run(Kind::v9, marked, ACT_GPS);
    EXPECT_EQ(k.main_text,
              "GPS,4084,9.5.2018,We,01:00:00,12.3456789,47.5432100,512.3,2,C,1,35,42,"
              "9.5.2018,We,01:02:03,4272,15,0.00,0.00,300.00,10000.00\n");
}

TEST(GpsV9, MovebankLineOfAnInvalidFixHasNoTimes) {
    Harness h;
    const Record r = cooked(0x04, 2);
    h.run(Kind::v9, r, ACT_MOVEBANK);
    EXPECT_EQ(h.main_text, key_of(r) + kMbStart + ",,,0,C,42,,4272,4211,15,,,,,21\n");
}

TEST(GpsV9, NoStatisticsAndNoStatsOnlyStop) {
    Harness h;
    h.run(Kind::v9, cooked(), ACT_GPS | ACT_STATS_LINE);
    EXPECT_EQ(h.tag.stats.gps_records, 0u);
    EXPECT_EQ(h.tag.stats.battery_count, 0u);
    EXPECT_EQ(h.tag.gps_ontime, 3600u);
    EXPECT_EQ(h.main_text.rfind("GPS,", 0), 0u);
}

}  // namespace
}  // namespace dec
