#include "common/leap_seconds.h"

#include <algorithm>
#include <cstddef>

#include "common/platform.h"

namespace dec {

namespace {

// 1900-01-01 (the list's NTP epoch) to 1970-01-01.
constexpr int64_t kNtpToUnix = 2208988800;
// TAI - GPS: TAI - UTC was 19 s when GPS time began.
constexpr int32_t kTaiMinusGps = 19;

constexpr const char* kSystemList = "/usr/share/zoneinfo/leap-seconds.list";
// The list is about 10 KiB; a longer file is no list of ours.
constexpr size_t kMaxListBytes = 1 << 16;

// clang-format off
// The lines of leap-seconds.list (NTP seconds, TAI - UTC), 1972 to 2017, and
// the expiry of the list they were taken from (2026-06-28).
constexpr int64_t kBuiltinSteps[][2] = {
    {2272060800, 10}, {2287785600, 11}, {2303683200, 12}, {2335219200, 13}, {2366755200, 14},
    {2398291200, 15}, {2429913600, 16}, {2461449600, 17}, {2492985600, 18}, {2524521600, 19},
    {2571782400, 20}, {2603318400, 21}, {2634854400, 22}, {2698012800, 23}, {2776982400, 24},
    {2840140800, 25}, {2871676800, 26}, {2918937600, 27}, {2950473600, 28}, {2982009600, 29},
    {3029443200, 30}, {3076704000, 31}, {3124137600, 32}, {3345062400, 33}, {3439756800, 34},
    {3550089600, 35}, {3644697600, 36}, {3692217600, 37},
};
constexpr int64_t kBuiltinExpiryNtp = 3991593600;
// clang-format on

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

void skip_blanks(std::string_view& s) {
    while (!s.empty() && is_blank(s.front())) {
        s.remove_prefix(1);
    }
}

// A decimal number of at most 12 digits, optionally signed, at the start of
// `s`, which moves past it; false when there is none.
bool take_number(std::string_view& s, bool may_be_negative, int64_t& value) {
    bool negative = false;
    if (may_be_negative && !s.empty() && (s.front() == '-' || s.front() == '+')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    size_t digits = 0;
    value = 0;
    while (digits < s.size() && s[digits] >= '0' && s[digits] <= '9') {
        value = value * 10 + (s[digits] - '0');
        ++digits;
    }
    if (digits == 0 || digits > 12) {
        return false;
    }
    s.remove_prefix(digits);
    if (negative) {
        value = -value;
    }
    return true;
}

// GPS - UTC of a step.
int32_t gps_offset(const LeapSeconds::Step& s) {
    return s.tai_minus_utc - kTaiMinusGps;
}

}  // namespace

LeapSeconds LeapSeconds::builtin() {
    LeapSeconds t;
    for (const auto& line : kBuiltinSteps) {
        t.steps_.push_back(Step{line[0] - kNtpToUnix, static_cast<int32_t>(line[1])});
    }
    t.expires_unix_ = kBuiltinExpiryNtp - kNtpToUnix;
    return t;
}

bool LeapSeconds::parse_list(std::string_view text, LeapSeconds* out) {
    LeapSeconds t;
    bool expiry_seen = false;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        skip_blanks(line);
        if (line.empty()) {
            continue;
        }
        int64_t ntp = 0;
        if (line.front() == '#') {
            if (line.size() < 2 || line[1] != '@') {
                continue;  // a comment, the update time or the hash
            }
            line.remove_prefix(2);
            skip_blanks(line);
            if (expiry_seen || !take_number(line, false, ntp)) {
                return false;
            }
            skip_blanks(line);
            if (!line.empty()) {
                return false;
            }
            t.expires_unix_ = ntp - kNtpToUnix;
            expiry_seen = true;
            continue;
        }
        int64_t tai_minus_utc = 0;
        if (!take_number(line, false, ntp) || line.empty() || !is_blank(line.front())) {
            return false;
        }
        skip_blanks(line);
        if (!take_number(line, true, tai_minus_utc) || tai_minus_utc < -1000 ||
            tai_minus_utc > 1000) {
            return false;
        }
        skip_blanks(line);
        if (!line.empty() && line.front() != '#') {
            return false;
        }
        const Step step{ntp - kNtpToUnix, static_cast<int32_t>(tai_minus_utc)};
        if (!t.steps_.empty() && step.utc_unix <= t.steps_.back().utc_unix) {
            return false;
        }
        t.steps_.push_back(step);
    }
    if (!expiry_seen || t.steps_.empty() || t.expires_unix_ <= t.steps_.back().utc_unix) {
        return false;
    }
    *out = std::move(t);
    return true;
}

LeapSeconds LeapSeconds::system(Platform& sys, std::string* source) {
    LeapSeconds table = builtin();
    const int fd = sys.open_read(Folder(), kSystemList);
    if (fd >= 0) {
        std::string text;
        char buf[4096];
        ssize_t n;
        while ((n = sys.read(fd, buf, sizeof buf)) > 0 && text.size() <= kMaxListBytes) {
            text.append(buf, static_cast<size_t>(n));
        }
        sys.close(fd);
        LeapSeconds listed = table;
        if (n == 0 && text.size() <= kMaxListBytes && parse_list(text, &listed) &&
            listed.expires_unix_ >= table.expires_unix_) {
            if (source != nullptr) {
                *source = kSystemList;
            }
            return listed;
        }
    }
    if (source != nullptr) {
        *source = "built-in";
    }
    return table;
}

LeapSeconds::Utc LeapSeconds::utc_of_gps(int64_t gps_unix) const {
    int32_t offset = 0;
    bool leap_second = false;
    if (gps_unix >= kGpsEpochUnix) {
        // The newest step whose GPS start lies at or before the instant; an
        // inserted second begins one second before the UTC day that follows it.
        int32_t previous = 0;
        for (const Step& s : steps_) {
            const int32_t next = gps_offset(s);
            const int32_t inserted = std::max(next - previous, 0);
            const int64_t gps_start = s.utc_unix + next - inserted;
            if (gps_unix < gps_start) {
                break;
            }
            offset = next;
            leap_second = gps_unix < s.utc_unix + next;
            previous = next;
        }
    }
    const int64_t utc = gps_unix - offset;
    return Utc{utc, leap_second, utc > expires_unix_};
}

int32_t LeapSeconds::gps_minus_utc(int64_t gps_unix) const {
    return static_cast<int32_t>(gps_unix - utc_of_gps(gps_unix).unix_seconds);
}

}  // namespace dec
