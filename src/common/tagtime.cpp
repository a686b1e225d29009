#include "common/tagtime.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "common/io.h"

namespace dec {

namespace {

constexpr char kWeekdays[] = "SuMoTuWeThFrSaXX";

// Days since 1970-01-01 to year, month, day (proleptic Gregorian calendar).
void civil_from_days(int64_t z, int64_t& y, uint32_t& m, uint32_t& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<uint32_t>(z - era * 146097);
    const uint32_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const uint32_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const uint32_t mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<int64_t>(yoe) + era * 400 + (m <= 2 ? 1 : 0);
}

// Proleptic Gregorian breakdown of seconds since 1970-01-01 (may be negative).
Calendar unix_to_calendar(int64_t seconds) {
    int64_t days = seconds / kSecondsPerDay;
    int64_t rest = seconds % kSecondsPerDay;
    if (rest < 0) {
        rest += kSecondsPerDay;
        --days;
    }
    Calendar c;
    int64_t y;
    civil_from_days(days, y, c.month, c.day);
    c.year = static_cast<uint32_t>(y);
    c.hour = static_cast<uint32_t>(rest / 3600);
    c.minute = static_cast<uint32_t>(rest / 60 % 60);
    c.second = static_cast<uint32_t>(rest % 60);
    return c;
}

int32_t tag_week(uint32_t tag_time) {
    return static_cast<int32_t>(tag_time / kSecondsPerWeek) + kTagEpochWeek;
}
uint32_t tag_tow(uint32_t tag_time) {
    return tag_time % kSecondsPerWeek;
}

// Two weekday letters ("Su".."Sa") for a time of week in seconds.
const char* weekday_letters(uint32_t tow_s) {
    uint32_t index = tow_s / kSecondsPerDay;
    if (index > 7) {
        index = 7;
    }
    return kWeekdays + 2 * index;
}

// "%02u" of a value below 100.
char* format_2digits(char* p, uint32_t v) {
    p[0] = static_cast<char>('0' + v / 10);
    p[1] = static_cast<char>('0' + v % 10);
    return p + 2;
}

// "%02u:%02u:%02u" of seconds within one day (hours below 24).
char* format_hms(char* p, uint32_t day_seconds) {
    p = format_2digits(p, day_seconds / 3600);
    *p++ = ':';
    p = format_2digits(p, (day_seconds / 60) % 60);
    *p++ = ':';
    return format_2digits(p, day_seconds % 60);
}

void put_hms(OutStream& out, uint32_t day_seconds) {
    out.commit(format_hms(out.reserve(8), day_seconds));
}

// GPS day number of a valid week and time of week: the key of the date memos.
int64_t gps_day(int32_t week, uint32_t tow_s) {
    return static_cast<int64_t>(week) * 7 + tow_s / kSecondsPerDay;
}

// "%u.%u.%u,%.2s": day, month, year and weekday letters.
char* format_dotted_date(char* p, const Calendar& c, uint32_t tow_s) {
    p = format_u32(p, c.day);
    *p++ = '.';
    p = format_u32(p, c.month);
    *p++ = '.';
    p = format_u32(p, c.year);
    *p++ = ',';
    std::memcpy(p, weekday_letters(tow_s), 2);
    return p + 2;
}

// "%u,%u.%u.%u,%.2s,": day number, date and weekday letters of a tag time,
// made once per day and stream.
const OutStream::Memo& day_and_date(OutStream& out, uint32_t tag_time) {
    OutStream::Memo& m = out.memo(OutStream::kMemoDayAndDate);
    const uint32_t day = tag_time / kSecondsPerDay;
    if (m.key != day) {
        const uint32_t tow_s = tag_tow(tag_time);
        char* p = format_u32(m.text, day);
        *p++ = ',';
        p = format_dotted_date(p, gps_to_calendar(tag_week(tag_time), tow_s), tow_s);
        *p++ = ',';
        m.length = static_cast<uint32_t>(p - m.text);
        m.key = day;
    }
    return m;
}

// Day number, date, weekday and "%02u:%02u:%02u" of a tag time: the rows of
// a burst mostly share their second.
void put_day_date_time(OutStream& out, uint32_t tag_time) {
    OutStream::Memo& m = out.memo(OutStream::kMemoDayDateTime);
    if (m.key != tag_time) {
        const OutStream::Memo& date = day_and_date(out, tag_time);
        std::memcpy(m.text, date.text, date.length);
        const char* end = format_hms(m.text + date.length, tag_time % kSecondsPerDay);
        m.length = static_cast<uint32_t>(end - m.text);
        m.key = tag_time;
    }
    out.put_memo(m);
}

// "%04u" of a value below 10000.
char* format_4digits(char* p, uint32_t v) {
    std::memcpy(p, kDigitPairs + 2 * (v / 100), 2);
    std::memcpy(p + 2, kDigitPairs + 2 * (v % 100), 2);
    return p + 4;
}

// A date text of a valid week and time of week in the stream's memo `slot`,
// made by `format` (which returns the end of what it wrote) once per day and
// stream.
void put_day_memo(OutStream& out, OutStream::MemoSlot slot, int32_t week, uint32_t tow_s,
                  char* (*format)(char* p, const Calendar& c, uint32_t tow_s)) {
    OutStream::Memo& m = out.memo(slot);
    const int64_t key = gps_day(week, tow_s);
    if (m.key != key) {
        const char* end = format(m.text, gps_to_calendar(week, tow_s), tow_s);
        m.length = static_cast<uint32_t>(end - m.text);
        m.key = key;
    }
    out.put_memo(m);
}

// "%u-%02u-%02u ".
char* format_iso_date(char* p, const Calendar& c, uint32_t) {
    p = format_u32(p, c.year);
    *p++ = '-';
    p = format_u32_width(p, c.month, 2);
    *p++ = '-';
    p = format_u32_width(p, c.day, 2);
    *p++ = ' ';
    return p;
}

void put_dotted_date(OutStream& out, int32_t week, uint32_t tow_s) {
    put_day_memo(out, OutStream::kMemoDottedDate, week, tow_s, format_dotted_date);
}

void put_iso_date(OutStream& out, int32_t week, uint32_t tow_s) {
    put_day_memo(out, OutStream::kMemoIsoDate, week, tow_s, format_iso_date);
}

// "%u-%02u-%02u %02u:%02u:%02u.%03u" of a valid week and time of week.
void put_iso_time(OutStream& out, int32_t week, uint32_t tow_s, uint32_t ms) {
    put_iso_date(out, week, tow_s);
    char* p = format_hms(out.reserve(12), tow_s % kSecondsPerDay);
    *p++ = '.';
    out.commit(format_u32_width(p, ms, 3));
}

// ".%04u," of the microseconds within their second.
char* format_fraction(char* p, uint32_t microseconds) {
    *p++ = '.';
    p = format_4digits(p, (microseconds % 1000000) / 100);
    *p++ = ',';
    return p;
}

bool gps_valid(int32_t week, uint32_t tow_s) {
    return week >= 0 && tow_s < kSecondsPerWeek;
}

}  // namespace

void TimeScale::convert(int32_t& week, uint32_t& tow_s) const {
    if (utc == nullptr) {
        return;
    }
    const LeapSeconds::Utc u =
        utc->utc_of_gps(kGpsEpochUnix + int64_t{week} * kSecondsPerWeek + tow_s);
    if (u.past_expiry && past_expiry != nullptr) {
        *past_expiry = true;
    }
    // No offset before 1981-07-01: a valid GPS time stays at or after the epoch.
    const int64_t s = u.unix_seconds - kGpsEpochUnix;
    week = static_cast<int32_t>(s / kSecondsPerWeek);
    tow_s = static_cast<uint32_t>(s % kSecondsPerWeek);
}

Calendar gps_to_calendar(int32_t week, uint32_t tow_s) {
    if (!gps_valid(week, tow_s)) {
        return Calendar{};
    }
    // 3657 days lie between 1970-01-01 and the GPS epoch 1980-01-06.
    int64_t unix_s = (static_cast<int64_t>(week) * 7 + 3657) * kSecondsPerDay + tow_s;
    return unix_to_calendar(unix_s);
}

void print_date_weekday(int32_t week, uint32_t tow_s, OutStream& out) {
    if (week < 0) {
        out.put("Week negative,");
        return;
    }
    if (tow_s >= kSecondsPerWeek) {
        out.put("Time of week too big,");
        return;
    }
    put_dotted_date(out, week, tow_s);
}

void print_time_of_day(uint32_t seconds, OutStream& out) {
    put_hms(out, seconds % kSecondsPerDay);
}

void print_tag_time(uint32_t tag_time, OutStream& out, const OutputPlan& plan) {
    const bool early_tag = plan.gen3.early_tag;
    if (!plan.tag_time_seconds && !early_tag) {
        put_day_date_time(out, tag_time);
        return;
    }
    out.put_u32(plan.tag_time_seconds ? tag_time : tag_time / kSecondsPerDay);
    out.put_char(',');
    if (!early_tag) {
        put_dotted_date(out, tag_week(tag_time), tag_tow(tag_time));
        out.put_char(',');
    }
    put_hms(out, tag_time % kSecondsPerDay);
}

void print_tag_time_us(uint32_t tag_time, uint32_t microseconds, OutStream& out) {
    put_day_date_time(out, tag_time + microseconds / 1000000);
    out.commit(format_fraction(out.reserve(6), microseconds));
}

void print_gps_date(int32_t week, uint32_t tow_s, OutStream& out) {
    if (!gps_valid(week, tow_s)) {
        out.put("0000-00-00 ");
        return;
    }
    put_iso_date(out, week, tow_s);
}

void print_gps_ms_time(uint32_t tow_ms, int32_t week, OutStream& out, const TimeScale& scale) {
    if (tow_ms == 0 && week == 0) {
        return;
    }
    if (week < 0 || tow_ms >= kSecondsPerWeek * 1000u) {
        return;
    }
    uint32_t tow_s = tow_ms / 1000;
    scale.convert(week, tow_s);
    put_iso_time(out, week, tow_s, tow_ms % 1000);
}

void print_tag_time_iso(uint32_t tag_time, OutStream& out, const TimeScale& scale) {
    print_tag_time_iso_us(tag_time, 0, out, scale);
}

void print_tag_time_iso_us(uint32_t tag_time, uint32_t microseconds, OutStream& out,
                           const TimeScale& scale) {
    const uint32_t t = tag_time + microseconds / 1000000;
    int32_t week = tag_week(t);
    uint32_t tow_s = tag_tow(t);
    scale.convert(week, tow_s);
    put_iso_time(out, week, tow_s, (microseconds % 1000000) / 1000);
}

void print_acc_time(uint32_t tag_time, OutStream& out, const OutputPlan& plan) {
    if (plan.acc_time == AccTime::seconds) {
        out.put_u32(tag_time);
        out.put_char(',');
        return;
    }
    print_tag_time(tag_time, out, plan);
    out.put_char(',');
}

void print_acc_time_us(uint32_t tag_time, uint32_t microseconds, OutStream& out,
                       const OutputPlan& plan) {
    if (plan.acc_time == AccTime::seconds) {
        char* p = format_u32(out.reserve(17), tag_time + microseconds / 1000000);
        out.commit(format_fraction(p, microseconds));
        return;
    }
    print_tag_time_us(tag_time, microseconds, out);
}

namespace {

// The text of an invalid week or time of week, or nullptr when both are valid.
const char* description_error(int32_t week, uint32_t tow_s) {
    if (week < 0) {
        return "Week negative\n";
    }
    return tow_s >= kSecondsPerWeek ? "Time of week too big\n" : nullptr;
}

}  // namespace

int format_gps_description(int32_t week, uint32_t tow_s, const char* label, char* buf, size_t size,
                           bool iso_date, const TimeScale& scale) {
    if (const char* error = description_error(week, tow_s)) {
        return format_into(buf, size, "%s", error);
    }
    scale.convert(week, tow_s);
    const Calendar c = gps_to_calendar(week, tow_s);
    const char* day = weekday_letters(tow_s);
    if (iso_date) {
        return format_into(buf, size, "%s %.2s, %04u-%02u-%02u %02u:%02u:%02u;\n", label, day,
                           c.year, c.month, c.day, c.hour, c.minute, c.second);
    }
    return format_into(buf, size, "%s %.2s, %u.%u.%u\n%s %02u:%02u:%02u;\n", label, day, c.day,
                       c.month, c.year, scale.utc != nullptr ? "UTC" : "GPSTIME", c.hour, c.minute,
                       c.second);
}

int format_gpx_time(uint32_t tow_ms, int32_t week, char* buf, size_t size, const TimeScale& scale) {
    if ((tow_ms == 0 && week == 0) || week < 0 || tow_ms >= kSecondsPerWeek * 1000u) {
        if (size > 0) {
            buf[0] = '\0';
        }
        return 0;
    }
    uint32_t s = (tow_ms + 500) / 1000;
    if (tow_ms + 500 >= kSecondsPerWeek * 1000u) {
        s -= kSecondsPerWeek;
        ++week;
    }
    scale.convert(week, s);
    Calendar c = gps_to_calendar(week, s);
    const uint32_t d = s % kSecondsPerDay;
    return format_into(buf, size, "%u-%02u-%02uT%02u:%02u:%02uZ", c.year, c.month, c.day, d / 3600,
                       d / 60 % 60, d % 60);
}

void format_utc_or_null(int64_t unix_seconds, char* buf, size_t size) {
    Calendar c = unix_to_calendar(unix_seconds);
    if (c.year == 1970) {
        format_into(buf, size, "(NULL)");
        return;
    }
    format_into(buf, size, "%04i-%02i-%02i %02i:%02i:%02i", static_cast<int>(c.year),
                static_cast<int>(c.month), static_cast<int>(c.day), static_cast<int>(c.hour),
                static_cast<int>(c.minute), static_cast<int>(c.second));
}

}  // namespace dec
