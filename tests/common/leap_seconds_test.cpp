#include "common/leap_seconds.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "common/platform.h"
#include "common/tagtime.h"

namespace dec {
namespace {

constexpr const char* kSystemList = "/usr/share/zoneinfo/leap-seconds.list";

TEST(LeapSeconds, BuiltinTableIsTheSystemList) {
    std::ifstream file(kSystemList, std::ios::binary);
    if (!file) {
        GTEST_SKIP() << "no " << kSystemList;
    }
    std::stringstream text;
    text << file.rdbuf();
    LeapSeconds listed = LeapSeconds::builtin();
    ASSERT_TRUE(LeapSeconds::parse_list(text.str(), &listed));
    const LeapSeconds builtin = LeapSeconds::builtin();
    EXPECT_EQ(listed.steps(), builtin.steps());
    EXPECT_GE(listed.expires_unix(), builtin.expires_unix()) << "the system list is older";
    std::string source;
    EXPECT_EQ(LeapSeconds::system(Platform::system(), &source), listed);
    EXPECT_EQ(source, kSystemList);
}

// The second before each inserted second, the inserted one and the one after,
// in GPS time read as POSIX seconds.
TEST(LeapSeconds, EveryLeapSecondFrom1981To2017) {
    const LeapSeconds t = LeapSeconds::builtin();
    int32_t offset = 0;
    for (const LeapSeconds::Step& s : t.steps()) {
        if (s.utc_unix < kGpsEpochUnix) {
            continue;
        }
        ++offset;
        SCOPED_TRACE(s.utc_unix);
        const int64_t midnight = s.utc_unix + offset;  // GPS time of 00:00:00 UTC after the step
        struct Row {
            int64_t gps;
            int64_t utc;
            bool leap;
            int32_t gps_minus_utc;
        };
        for (const Row& r :
             {Row{midnight - 2, s.utc_unix - 1, false, offset - 1}, Row{midnight - 1, s.utc_unix - 1, true, offset},
              Row{midnight, s.utc_unix, false, offset}}) {
            const LeapSeconds::Utc u = t.utc_of_gps(r.gps);
            EXPECT_EQ(u.unix_seconds, r.utc);
            EXPECT_EQ(u.leap_second, r.leap);
            EXPECT_FALSE(u.past_expiry);
            EXPECT_EQ(t.gps_minus_utc(r.gps), r.gps_minus_utc);
        }
    }
    EXPECT_EQ(offset, 18);
    // 1981-07-01 is the first step after the GPS epoch; none before it.
    EXPECT_EQ(t.gps_minus_utc(362793600 - 1), 0);
    EXPECT_EQ(t.gps_minus_utc(kGpsEpochUnix), 0);
    EXPECT_EQ(t.gps_minus_utc(kGpsEpochUnix - 86400), 0);
}

TEST(LeapSeconds, PastTheExpiryTheLastOffsetHoldsAndIsFlagged) {
    const LeapSeconds t = LeapSeconds::builtin();
    const int64_t expiry = t.expires_unix();
    EXPECT_FALSE(t.utc_of_gps(expiry + 18).past_expiry);
    const LeapSeconds::Utc late = t.utc_of_gps(expiry + 19);
    EXPECT_TRUE(late.past_expiry);
    EXPECT_EQ(late.unix_seconds, expiry + 1);

    // The printers' scale notes it; a GPS scale converts nothing.
    bool past = false;
    const TimeScale utc{&t, &past};
    const auto week_of = [](int64_t unix_s) { return static_cast<int32_t>((unix_s - kGpsEpochUnix) / 604800); };
    const auto tow_of = [](int64_t unix_s) { return static_cast<uint32_t>((unix_s - kGpsEpochUnix) % 604800); };
    int32_t week = week_of(expiry);
    uint32_t tow = tow_of(expiry);
    utc.convert(week, tow);
    EXPECT_FALSE(past);
    EXPECT_EQ(tow, tow_of(expiry - 18));
    week = week_of(expiry + 3600);
    tow = tow_of(expiry + 3600);
    utc.convert(week, tow);
    EXPECT_TRUE(past);
    TimeScale{}.convert(week, tow);
    EXPECT_EQ(tow, tow_of(expiry + 3600 - 18));
}

TEST(LeapSeconds, ListsParsedOrRefused) {
    // 2017-01-01 (TAI - UTC 37), expiring 2026-06-28.
    const std::string good =
        "# comment\n#$\t3960835200\n#@\t3991593600\n\n2272060800\t10\t# 1 Jan 1972\r\n3692217600 37\n#h\tab cd\n";
    LeapSeconds t = LeapSeconds::builtin();
    ASSERT_TRUE(LeapSeconds::parse_list(good, &t));
    EXPECT_EQ(t.steps().size(), 2u);
    EXPECT_EQ(t.expires_unix(), LeapSeconds::builtin().expires_unix());
    EXPECT_EQ(t.gps_minus_utc(1483228800 + 18), 18);

    for (const char* bad : {
             "",                                                  // nothing
             "2272060800\t10\n",                                  // no expiry
             "#@\t3991593600\n",                                  // no step
             "#@\t3991593600\n2272060800\tten\n",                 // no number
             "#@\t3991593600\n2272060800\t10 x\n",                // text after the number
             "#@\t3991593600\n2272060800\n",                      // one number
             "#@\t3991593600\n3692217600\t37\n2272060800\t10\n",  // times not increasing
             "#@\t2272060800\n3692217600\t37\n",                  // expired before its last step
             "#@\t3991593600\n#@\t3991593600\n3692217600\t37\n",  // two expiries
         }) {
        SCOPED_TRACE(bad);
        LeapSeconds kept = LeapSeconds::builtin();
        EXPECT_FALSE(LeapSeconds::parse_list(bad, &kept));
        EXPECT_EQ(kept, LeapSeconds::builtin());
    }
}

}  // namespace
}  // namespace dec
