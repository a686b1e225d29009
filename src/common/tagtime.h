// Tag time and GPS time as calendar text.
//
// Tags count seconds since 2007-03-04 00:00:00 GPS time (the start of GPS week
// 1417); GPS records carry a GPS week and a time of week. Every date and time
// stamp of every output is made here. Times are GPS time, except where a
// TimeScale with the run's leap-second table (--utc) turns them into UTC.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/leap_seconds.h"
#include "common/output_plan.h"
#include "common/outstream.h"

namespace dec {

inline constexpr uint32_t kSecondsPerDay = 86400;
inline constexpr uint32_t kSecondsPerWeek = 604800;
inline constexpr int32_t kTagEpochWeek = 1417;
// 2007-03-04 00:00:00 as seconds since 1970-01-01.
inline constexpr int64_t kTagEpochUnix = 1172966400;

struct Calendar {
    uint32_t day = 0;    // 1..31
    uint32_t month = 0;  // 1..12
    uint32_t year = 0;
    uint32_t hour = 0;
    uint32_t minute = 0;
    uint32_t second = 0;
};

// The time GPX, KML and MOVEBANK files are written in: GPS time (no table), or
// UTC by the run's leap-second table, the tag's `past_expiry` set when a time
// lay past the table's expiry (then the last known offset holds).
struct TimeScale {
    const LeapSeconds* utc = nullptr;
    bool* past_expiry = nullptr;

    // A valid GPS week and time of week (seconds) to those of the UTC
    // calendar, counted alike from 1980-01-06; a leap second repeats 23:59:59.
    void convert(int32_t& week, uint32_t& tow_s) const;
};

// GPS week and time of week (seconds) to a calendar record; all zeros for a
// negative week or a time of week of a week or more.
Calendar gps_to_calendar(int32_t week, uint32_t tow_s);

// "%u.%u.%u," day, month, year and the weekday letters (no separator after).
void print_date_weekday(int32_t week, uint32_t tow_s, OutStream& out);
// "%02u:%02u:%02u" of seconds modulo one day.
void print_time_of_day(uint32_t seconds, OutStream& out);
// Day number (or the tag time for plan.tag_time_seconds), date and weekday
// unless an early generation-3 tag, time of day: "1,5.3.2007,Mo,01:01:01".
void print_tag_time(uint32_t tag_time, OutStream& out, const OutputPlan& plan);
// "%u," day number, date and weekday, ",", "%02u:%02u:%02u.%04u,".
void print_tag_time_us(uint32_t tag_time, uint32_t microseconds, OutStream& out);
// "%u-%02u-%02u " or "0000-00-00 " for an invalid week or time of week.
void print_gps_date(int32_t week, uint32_t tow_s, OutStream& out);
// Date and "%02u:%02u:%02u.%03u"; nothing at all for an invalid or zero time.
void print_gps_ms_time(uint32_t tow_ms, int32_t week, OutStream& out, const TimeScale& scale = {});
// "%u-%02u-%02u %02u:%02u:%02u.000"
void print_tag_time_iso(uint32_t tag_time, OutStream& out, const TimeScale& scale = {});
// "%u-%02u-%02u %02u:%02u:%02u.%03u" (milliseconds of the microseconds).
void print_tag_time_iso_us(uint32_t tag_time, uint32_t microseconds, OutStream& out,
                           const TimeScale& scale = {});
// ACC row stamps: print_tag_time and ',' or, for AccTime::seconds, "%u,".
void print_acc_time(uint32_t tag_time, OutStream& out, const OutputPlan& plan);
// print_tag_time_us or, for AccTime::seconds, "%u.%04u,".
void print_acc_time_us(uint32_t tag_time, uint32_t microseconds, OutStream& out,
                       const OutputPlan& plan);

// KML descriptions into a buffer of at least 256 bytes; return the length.
// The date as "5.5.2018" with the time on a "GPSTIME" line ("UTC" in UTC), or
// with `iso_date` as "2018-05-05" before the time.
int format_gps_description(int32_t week, uint32_t tow_s, const char* label, char* buf, size_t size,
                           bool iso_date = false, const TimeScale& scale = {});
inline int format_gps_description_iso(int32_t week, uint32_t tow_s, const char* label, char* buf,
                                      size_t size) {
    return format_gps_description(week, tow_s, label, buf, size, true);
}
// "%u-%02u-%02uT%02u:%02u:%02uZ" rounded to the nearest second; empty when invalid.
int format_gpx_time(uint32_t tow_ms, int32_t week, char* buf, size_t size,
                    const TimeScale& scale = {});

// "%04i-%02i-%02i %02i:%02i:%02i" of UTC seconds since 1970, or "(NULL)" when
// the year comes out as 1970 (an unset time). `buf` holds at least 32 bytes.
void format_utc_or_null(int64_t unix_seconds, char* buf, size_t size);

}  // namespace dec
