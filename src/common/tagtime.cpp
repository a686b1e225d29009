#include "common/tagtime.h"

#include "common/action.h"
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

// Two digits as "%02u" prints them for values below 100.
void put2(OutStream& out, uint32_t v) {
    if (v >= 100) {
        out.put_u32(v);
        return;
    }
    char d[2] = {static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)};
    out.write(d, 2);
}

void put_hms(OutStream& out, uint32_t day_seconds) {
    put2(out, day_seconds / 3600);
    out.put_char(':');
    put2(out, (day_seconds / 60) % 60);
    out.put_char(':');
    put2(out, day_seconds % 60);
}

void put_ymd(OutStream& out, const Calendar& c) {
    out.put_u32(c.year);
    out.put_char('-');
    put2(out, c.month);
    out.put_char('-');
    put2(out, c.day);
    out.put_char(' ');
}

bool gps_valid(int32_t week, uint32_t tow_s) { return week >= 0 && tow_s < kSecondsPerWeek; }

}  // namespace

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

Calendar gps_to_calendar(int32_t week, uint32_t tow_s) {
    if (!gps_valid(week, tow_s)) {
        return Calendar{};
    }
    // 3657 days lie between 1970-01-01 and the GPS epoch 1980-01-06.
    int64_t unix_s = (static_cast<int64_t>(week) * 7 + 3657) * kSecondsPerDay + tow_s;
    return unix_to_calendar(unix_s);
}

const char* weekday_letters(uint32_t tow_s) {
    uint32_t index = tow_s / kSecondsPerDay;
    if (index > 7) {
        index = 7;
    }
    return kWeekdays + 2 * index;
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
    Calendar c = gps_to_calendar(week, tow_s);
    out.put_u32(c.day);
    out.put_char('.');
    out.put_u32(c.month);
    out.put_char('.');
    out.put_u32(c.year);
    out.put_char(',');
    out.write(weekday_letters(tow_s), 2);
}

void print_time_of_day(uint32_t seconds, OutStream& out) { put_hms(out, seconds % kSecondsPerDay); }

void print_tag_time(uint32_t tag_time, OutStream& out, uint32_t action) {
    out.put_u32((action & ACT_TIME_SECONDS) != 0 ? tag_time : tag_time / kSecondsPerDay);
    out.put_char(',');
    if ((action & ACT_GEN3_EARLY_TAG) == 0) {
        print_date_weekday(tag_week(tag_time), tag_tow(tag_time), out);
        out.put_char(',');
    }
    put_hms(out, tag_tow(tag_time) % kSecondsPerDay);
}

void print_tag_time_us(uint32_t tag_time, uint32_t microseconds, OutStream& out) {
    const uint32_t t = tag_time + microseconds / 1000000;
    out.put_u32(t / kSecondsPerDay);
    out.put_char(',');
    print_date_weekday(tag_week(t), tag_tow(t), out);
    out.put_char(',');
    put_hms(out, t % kSecondsPerDay);
    out.printf(".%04u,", (microseconds % 1000000) / 100);
}

void print_gps_date(int32_t week, uint32_t tow_s, OutStream& out) {
    if (!gps_valid(week, tow_s)) {
        out.put("0000-00-00 ");
        return;
    }
    put_ymd(out, gps_to_calendar(week, tow_s));
}

void print_gps_ms_time(uint32_t tow_ms, int32_t week, OutStream& out) {
    if (tow_ms == 0 && week == 0) {
        return;
    }
    if (week < 0 || tow_ms >= kSecondsPerWeek * 1000u) {
        return;
    }
    print_gps_date(week, tow_ms / 1000, out);
    const uint32_t rest = tow_ms % 86400000u;
    put2(out, rest / 3600000u);
    out.put_char(':');
    put2(out, rest % 3600000u / 60000u);
    out.put_char(':');
    put2(out, rest % 60000u / 1000u);
    out.printf(".%03u", rest % 1000u);
}

void print_tag_time_iso(uint32_t tag_time, OutStream& out) {
    put_ymd(out, gps_to_calendar(tag_week(tag_time), tag_tow(tag_time)));
    put_hms(out, tag_time % kSecondsPerDay);
    out.put(".000");
}

void print_tag_time_iso_us(uint32_t tag_time, uint32_t microseconds, OutStream& out) {
    const uint32_t t = tag_time + microseconds / 1000000;
    put_ymd(out, gps_to_calendar(tag_week(t), tag_tow(t)));
    put_hms(out, t % kSecondsPerDay);
    out.printf(".%03u", (microseconds % 1000000) / 1000);
}

void print_acc_time(uint32_t tag_time, OutStream& out, uint32_t action) {
    if ((action & ACT_ACC_JUST_SECONDS) != 0) {
        out.put_u32(tag_time);
        out.put_char(',');
        return;
    }
    print_tag_time(tag_time, out, action);
    out.put_char(',');
}

void print_acc_time_us(uint32_t tag_time, uint32_t microseconds, OutStream& out, uint32_t action) {
    if ((action & ACT_ACC_JUST_SECONDS) != 0) {
        out.printf("%u.%04u,", tag_time + microseconds / 1000000, (microseconds % 1000000) / 100);
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

int format_gps_description(int32_t week, uint32_t tow_s, const char* label, char* buf,
                           size_t size) {
    if (const char* error = description_error(week, tow_s)) {
        return format_into(buf, size, "%s", error);
    }
    Calendar c = gps_to_calendar(week, tow_s);
    return format_into(buf, size, "%s %.2s, %u.%u.%u\nGPSTIME %02u:%02u:%02u;\n", label,
                       weekday_letters(tow_s), c.day, c.month, c.year, c.hour, c.minute, c.second);
}

int format_gps_description_iso(int32_t week, uint32_t tow_s, const char* label, char* buf,
                               size_t size) {
    if (const char* error = description_error(week, tow_s)) {
        return format_into(buf, size, "%s", error);
    }
    Calendar c = gps_to_calendar(week, tow_s);
    return format_into(buf, size, "%s %.2s, %04u-%02u-%02u %02u:%02u:%02u;\n", label,
                       weekday_letters(tow_s), c.year, c.month, c.day, c.hour, c.minute, c.second);
}

int format_gpx_time(uint32_t tow_ms, int32_t week, char* buf, size_t size) {
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
    Calendar c = gps_to_calendar(week, s);
    const uint32_t d = s % kSecondsPerDay;
    return format_into(buf, size, "%u-%02u-%02uT%02u:%02u:%02uZ", c.year, c.month, c.day,
                       d / 3600, d / 60 % 60, d % 60);
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
