#include "common/tagtime.h"

#include <gtest/gtest.h>

#include <array>
#include <utility>

#include "common/action.h"
#include "expected_sections.h"
#include "testsupport/capture.h"
#include "testsupport/cli_runner.h"

namespace dec {
namespace {

using testing::capture;

// Every printer's text for the edges of its input: the epoch (a Sunday), a
// leap day, the last second of a week, the largest tag time, week numbers and
// times of week out of range, sub-second padding and rounding into the next
// week. common/expected/tagtime.txt names each case by its call.
#define ROW(call) {#call, [](OutStream& o) { call; }}
#define BUF(call) {#call, [](OutStream& o) { char buf[256]; call; o.put(buf); }}

TEST(TagTime, PrintersAndFormatters) {
    const std::pair<const char*, void (*)(OutStream&)> rows[] = {
        ROW(print_tag_time(0, o, 0)),
        ROW(print_tag_time(90061, o, 0)),
        ROW(print_tag_time(90061, o, ACT_TIME_SECONDS)),
        ROW(print_tag_time(90061, o, ACT_GEN3_EARLY_TAG)),
        ROW(print_tag_time(362 * 86400, o, 0)),
        ROW(print_tag_time(604799, o, 0)),
        ROW(print_tag_time(0xFFFFFFFF, o, 0)),
        ROW(print_date_weekday(2000, 262923, o)),
        ROW(print_date_weekday(-1, 0, o)),
        ROW(print_date_weekday(1417, 604800, o)),
        ROW(print_gps_date(2000, 262923, o)),
        ROW(print_gps_date(2000, 604800, o)),
        ROW(print_gps_ms_time(262923456, 2000, o)),
        ROW(print_gps_ms_time(0, 0, o)),
        ROW(print_gps_ms_time(604800000, 2000, o)),
        ROW(print_gps_ms_time(5, 1417, o)),
        ROW(print_time_of_day(90061, o)),
        ROW(print_tag_time_us(90061, 2500000, o)),
        ROW(print_tag_time_us(90061, 100, o)),
        ROW(print_tag_time_iso(90061, o)),
        ROW(print_tag_time_iso_us(90061, 1234567, o)),
        ROW(print_tag_time_iso_us(0, 7000, o)),
        ROW(print_acc_time(90061, o, 0)),
        ROW(print_acc_time(90061, o, ACT_ACC_JUST_SECONDS)),
        ROW(print_acc_time_us(90061, 2500000, o, 0)),
        ROW(print_acc_time_us(90061, 2500000, o, ACT_ACC_JUST_SECONDS)),
        ROW(print_acc_time_us(5, 999999, o, ACT_ACC_JUST_SECONDS)),
        ROW(print_acc_time_us(0, 0, o, ACT_ACC_JUST_SECONDS)),
        BUF(format_gps_description(2000, 262923, "Fix", buf, sizeof buf)),
        BUF(format_gps_description_iso(2000, 262923, "Fix", buf, sizeof buf)),
        BUF(format_gps_description(-5, 0, "Fix", buf, sizeof buf)),
        BUF(format_gps_description_iso(3, 604800, "Fix", buf, sizeof buf)),
        BUF(format_gpx_time(604799600, 1417, buf, sizeof buf)),
        BUF(format_gpx_time(262923499, 2000, buf, sizeof buf)),
        BUF(format_gpx_time(262923500, 2000, buf, sizeof buf)),
        BUF(format_gpx_time(0, 0, buf, sizeof buf)),
        BUF(format_gpx_time(1000, -1, buf, sizeof buf)),
        BUF(format_utc_or_null(0, buf, sizeof buf)),
        BUF(format_utc_or_null(kTagEpochUnix, buf, sizeof buf)),
        BUF(format_utc_or_null(1556866800, buf, sizeof buf)),
        BUF(format_utc_or_null(-1, buf, sizeof buf)),
    };
    testing::Sections s;
    for (const auto& [name, print] : rows) {
        s.emplace_back(name, capture(print));
    }
    testing::expect_sections("common/expected/tagtime.txt", s);

    const Calendar c = gps_to_calendar(2000, 262923);
    EXPECT_EQ((std::array{c.year, c.month, c.day, c.hour, c.minute, c.second}),
              (std::array<uint32_t, 6>{2018, 5, 9, 1, 2, 3}));
    EXPECT_EQ(gps_to_calendar(-1, 0).year, 0u);
    EXPECT_EQ(gps_to_calendar(1417, 604800).day, 0u);
}

// One stream carries rows of many days, in any order: the date it keeps for
// the day it printed last must never leak into a row of another day, and the
// dotted and the ISO dates are kept apart.
TEST(TagTime, RowsOfChangingDaysInOneStream) {
    const std::pair<const char*, void (*)(OutStream&)> rows[] = {
        ROW(print_tag_time(86399, o, 0)),           ROW(print_tag_time(86400, o, 0)),
        ROW(print_tag_time_iso(86400, o)),          ROW(print_tag_time_us(86399, 1500000, o)),
        ROW(print_tag_time(86399, o, 0)),           ROW(print_gps_ms_time(262923456, 2000, o)),
        ROW(print_tag_time_iso(0, o)),              ROW(print_date_weekday(2000, 262923, o)),
        ROW(print_date_weekday(-1, 0, o)),          ROW(print_gps_date(2000, 604800, o)),
        ROW(print_tag_time(0, o, 0))};
    const std::string s = capture([&](OutStream& out) {
        for (const auto& row : rows) {
            row.second(out);
            out.put_char('|');
        }
    });
    EXPECT_EQ(s, testing::expected_text("common/expected/days_in_one_stream.txt", s));

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

}  // namespace
}  // namespace dec
