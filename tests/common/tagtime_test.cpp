#include "common/tagtime.h"

#include <gtest/gtest.h>

#include "common/action.h"
#include "testsupport/capture.h"

namespace dec {
namespace {

using testing::capture;

struct TagTimeCase {
    const char* legend;
    uint32_t tag_time;
    uint32_t action;
    const char* expected;
};

TEST(TagTime, PrintTagTimeStyles) {
    const TagTimeCase cases[] = {
        {"epoch is a Sunday", 0, 0, "0,4.3.2007,Su,00:00:00"},
        {"one day one hour one minute one second", 90061, 0, "1,5.3.2007,Mo,01:01:01"},
        {"seconds instead of day number", 90061, ACT_TIME_SECONDS, "90061,5.3.2007,Mo,01:01:01"},
        {"early generation-3 tags have no date", 90061, ACT_GEN3_EARLY_TAG, "1,01:01:01"},
        {"leap day 2008", 362 * 86400, 0, "362,29.2.2008,Fr,00:00:00"},
        {"last second of a week", 604799, 0, "6,10.3.2007,Sa,23:59:59"},
        {"largest tag time", 0xFFFFFFFF, 0, "49710,10.4.2143,We,06:28:15"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(capture([&](OutStream& o) { print_tag_time(c.tag_time, o, c.action); }),
                  c.expected)
            << c.legend;
    }
}

TEST(TagTime, GpsWeekAndTimeOfWeek) {
    Calendar c = gps_to_calendar(2000, 262923);
    EXPECT_EQ(c.year, 2018u);
    EXPECT_EQ(c.month, 5u);
    EXPECT_EQ(c.day, 9u);
    EXPECT_EQ(c.hour, 1u);
    EXPECT_EQ(c.minute, 2u);
    EXPECT_EQ(c.second, 3u);
    EXPECT_EQ(gps_to_calendar(-1, 0).year, 0u);
    EXPECT_EQ(gps_to_calendar(1417, 604800).day, 0u);

    EXPECT_EQ(capture([](OutStream& o) { print_date_weekday(2000, 262923, o); }), "9.5.2018,We");
    EXPECT_EQ(capture([](OutStream& o) { print_date_weekday(-1, 0, o); }), "Week negative,");
    EXPECT_EQ(capture([](OutStream& o) { print_date_weekday(1417, 604800, o); }),
              "Time of week too big,");
    EXPECT_EQ(capture([](OutStream& o) { print_gps_date(2000, 262923, o); }), "2018-05-09 ");
    EXPECT_EQ(capture([](OutStream& o) { print_gps_date(2000, 604800, o); }), "0000-00-00 ");
    EXPECT_EQ(capture([](OutStream& o) { print_gps_ms_time(262923456, 2000, o); }),
              "2018-05-09 01:02:03.456");
    EXPECT_EQ(capture([](OutStream& o) { print_gps_ms_time(0, 0, o); }), "");
    EXPECT_EQ(capture([](OutStream& o) { print_gps_ms_time(604800000, 2000, o); }), "");
    EXPECT_EQ(capture([](OutStream& o) { print_time_of_day(90061, o); }), "01:01:01");
}

TEST(TagTime, SubSecondAndIsoStamps) {
    EXPECT_EQ(capture([](OutStream& o) { print_tag_time_us(90061, 2500000, o); }),
              "1,5.3.2007,Mo,01:01:03.5000,");
    EXPECT_EQ(capture([](OutStream& o) { print_tag_time_iso(90061, o); }),
              "2007-03-05 01:01:01.000");
    EXPECT_EQ(capture([](OutStream& o) { print_tag_time_iso_us(90061, 1234567, o); }),
              "2007-03-05 01:01:02.234");
    EXPECT_EQ(capture([](OutStream& o) { print_acc_time(90061, o, 0); }),
              "1,5.3.2007,Mo,01:01:01,");
    EXPECT_EQ(capture([](OutStream& o) { print_acc_time(90061, o, ACT_ACC_JUST_SECONDS); }),
              "90061,");
    EXPECT_EQ(capture([](OutStream& o) { print_acc_time_us(90061, 2500000, o, 0); }),
              "1,5.3.2007,Mo,01:01:03.5000,");
    EXPECT_EQ(capture([](OutStream& o) {
                  print_acc_time_us(90061, 2500000, o, ACT_ACC_JUST_SECONDS);
              }),
              "90063.5000,");
}

TEST(TagTime, PaddingOfSubSeconds) {
    EXPECT_EQ(capture([](OutStream& o) { print_tag_time_us(90061, 100, o); }),
              "1,5.3.2007,Mo,01:01:01.0001,");
    EXPECT_EQ(capture([](OutStream& o) { print_acc_time_us(5, 999999, o, ACT_ACC_JUST_SECONDS); }),
              "5.9999,");
    EXPECT_EQ(capture([](OutStream& o) { print_acc_time_us(0, 0, o, ACT_ACC_JUST_SECONDS); }),
              "0.0000,");
    EXPECT_EQ(capture([](OutStream& o) { print_tag_time_iso_us(0, 7000, o); }),
              "2007-03-04 00:00:00.007");
    EXPECT_EQ(capture([](OutStream& o) { print_gps_ms_time(5, 1417, o); }),
              "2007-03-04 00:00:00.005");
}

// One stream carries rows of many days, in any order: the date it keeps for
// the day it printed last must never leak into a row of another day, and the
// dotted and the ISO dates are kept apart.
TEST(TagTime, RowsOfChangingDaysInOneStream) {
    std::string s;
    {
        OutStream out(&s);
        print_tag_time(86399, out, 0);
        out.put_char('|');
        print_tag_time(86400, out, 0);
        out.put_char('|');
        print_tag_time_iso(86400, out);
        out.put_char('|');
        print_tag_time_us(86399, 1500000, out);
        out.put_char('|');
        print_tag_time(86399, out, 0);
        out.put_char('|');
        print_gps_ms_time(262923456, 2000, out);
        out.put_char('|');
        print_tag_time_iso(0, out);
        out.put_char('|');
        print_date_weekday(2000, 262923, out);
        out.put_char('|');
        print_date_weekday(-1, 0, out);
        out.put_char('|');
        print_gps_date(2000, 604800, out);
        out.put_char('|');
        print_tag_time(0, out, 0);
    }
    EXPECT_EQ(s,
              "0,4.3.2007,Su,23:59:59|1,5.3.2007,Mo,00:00:00|2007-03-05 00:00:00.000|"
              "1,5.3.2007,Mo,00:00:00.5000,|0,4.3.2007,Su,23:59:59|2018-05-09 01:02:03.456|"
              "2007-03-04 00:00:00.000|9.5.2018,We|Week negative,|0000-00-00 |"
              "0,4.3.2007,Su,00:00:00");

    // Every day of two years in one stream gives what fresh streams give.
    std::string one;
    std::string fresh;
    {
        OutStream out(&one);
        for (uint32_t day = 0; day < 731; ++day) {
            const uint32_t t = day * kSecondsPerDay + day * 97 % kSecondsPerDay;
            print_tag_time(t, out, 0);
            print_tag_time_iso(t, out);
            fresh += capture([&](OutStream& o) { print_tag_time(t, o, 0); });
            fresh += capture([&](OutStream& o) { print_tag_time_iso(t, o); });
        }
    }
    EXPECT_EQ(one, fresh);
}

TEST(TagTime, DescriptionsAndGpxTimes) {
    char buf[256];
    format_gps_description(2000, 262923, "Fix", buf, sizeof buf);
    EXPECT_STREQ(buf, "Fix We, 9.5.2018\nGPSTIME 01:02:03;\n");
    format_gps_description_iso(2000, 262923, "Fix", buf, sizeof buf);
    EXPECT_STREQ(buf, "Fix We, 2018-05-09 01:02:03;\n");
    format_gps_description(-5, 0, "Fix", buf, sizeof buf);
    EXPECT_STREQ(buf, "Week negative\n");
    format_gps_description_iso(3, 604800, "Fix", buf, sizeof buf);
    EXPECT_STREQ(buf, "Time of week too big\n");

    format_gpx_time(604799600, 1417, buf, sizeof buf);
    EXPECT_STREQ(buf, "2007-03-11T00:00:00Z");  // rounds into the next week
    format_gpx_time(262923499, 2000, buf, sizeof buf);
    EXPECT_STREQ(buf, "2018-05-09T01:02:03Z");
    format_gpx_time(262923500, 2000, buf, sizeof buf);
    EXPECT_STREQ(buf, "2018-05-09T01:02:04Z");
    format_gpx_time(0, 0, buf, sizeof buf);
    EXPECT_STREQ(buf, "");
    format_gpx_time(1000, -1, buf, sizeof buf);
    EXPECT_STREQ(buf, "");
}

TEST(TagTime, UtcTextsOfTheStatisticsLine) {
    char buf[32];
    format_utc_or_null(0, buf, sizeof buf);
    EXPECT_STREQ(buf, "(NULL)");
    format_utc_or_null(kTagEpochUnix, buf, sizeof buf);
    EXPECT_STREQ(buf, "2007-03-04 00:00:00");
    format_utc_or_null(1556866800, buf, sizeof buf);
    EXPECT_STREQ(buf, "2019-05-03 07:00:00");
    format_utc_or_null(-1, buf, sizeof buf);
    EXPECT_STREQ(buf, "1969-12-31 23:59:59");
}

}  // namespace
}  // namespace dec
