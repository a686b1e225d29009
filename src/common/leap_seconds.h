// Leap seconds: GPS time (the time of every tag record) to UTC.
//
// GPS time counts no leap seconds; since 1980-01-06, when both agreed, UTC
// has inserted 18 of them, so GPS time runs 18 s ahead of UTC since
// 2017-01-01. The table is the tz database's leap-seconds.list: a built-in
// copy, or the system's when it is at least as new.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dec {

class Platform;

// 1980-01-06 00:00:00, the GPS epoch, as seconds since 1970-01-01.
inline constexpr int64_t kGpsEpochUnix = 315964800;

// Leap seconds between GPS time and UTC.
class LeapSeconds {
  public:
    // One line of the list: from `utc_unix` on (UTC, POSIX seconds) TAI - UTC
    // is `tai_minus_utc` seconds.
    struct Step {
        int64_t utc_unix;
        int32_t tai_minus_utc;
        bool operator==(const Step&) const = default;
    };

    // The table compiled in (the leap seconds up to the newest one known, 2017-01-01, and
    // the expiry date of the list it was taken from).
    static LeapSeconds builtin();
    // Parses the text of the tz database's leap-seconds.list (NTP seconds since 1900, TAI-UTC,
    // '#@' expiry line, '#' comments; the '#h' hash is not checked). Returns false on a
    // malformed text (a line that is neither, times not increasing, no step, no expiry)
    // and leaves *out unchanged.
    static bool parse_list(std::string_view text, LeapSeconds* out);
    // The system's list (/usr/share/zoneinfo/leap-seconds.list, read through the Platform
    // layer) when present and valid and not older than the built-in one, else builtin().
    // `source` (may be null) receives the path or "built-in".
    static LeapSeconds system(Platform& sys, std::string* source = nullptr);

    struct Utc {
        int64_t unix_seconds;  // UTC, POSIX count (a leap second repeats the previous second)
        bool leap_second;      // the GPS instant falls inside an inserted leap second (23:59:60)
        bool past_expiry;      // the instant is after the table's expiry: UTC not known, flagged
    };
    // `gps_unix` = the decoder's time read as POSIX seconds (calendar of GPS time, which has
    // no leap seconds; GPS epoch 1980-01-06 00:00:00 = 315964800). Past the expiry the
    // last known offset holds; before the GPS epoch the offset is 0.
    Utc utc_of_gps(int64_t gps_unix) const;
    // GPS minus UTC in seconds at that GPS instant (18 since 2017-01-01, 0 before 1981-07-01).
    int32_t gps_minus_utc(int64_t gps_unix) const;
    int64_t expires_unix() const { return expires_unix_; }

    const std::vector<Step>& steps() const { return steps_; }
    bool operator==(const LeapSeconds&) const = default;

  private:
    LeapSeconds() = default;

    std::vector<Step> steps_;  // by time
    int64_t expires_unix_ = 0;
};

}  // namespace dec
