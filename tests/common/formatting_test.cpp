// Text formatting: numbers written straight into the stream buffer against
// printf, and the tag and GPS time printers.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cfloat>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include "common/action.h"
#include "common/output_plan.h"
#include "common/outstream.h"
#include "common/tagtime.h"
#include "expected_sections.h"
#include "testsupport/capture.h"
#include "testsupport/cli_runner.h"

namespace dec {
namespace {

using testing::capture;

// printf of the same value: the reference every direct formatter must match
// (the longest, -DBL_MAX to 17 places, takes 328 bytes).
template <typename... Args>
std::string c_printf(const char* fmt, Args... args) {
    char buf[512];
    const int n = std::snprintf(buf, sizeof buf, fmt, args...);
    return std::string(buf, std::min(static_cast<size_t>(std::max(n, 0)), sizeof buf - 1));
}

// Values every integer formatter meets at its edges, plus random ones spread
// over all magnitudes (a random bit count keeps small numbers frequent).
std::vector<uint64_t> integer_samples(size_t random_count) {
    // clang-format off
    std::vector<uint64_t> v = {0, 1, 9, 10, 99, 100, 999, 1000, 9999, 10000, 32767, 32768, 65535, 65536, 127, 128,
                               255, 256, 999999999, 1000000000, 2147483647, 2147483648, 4294967295, 4294967296,
                               UINT64_MAX, uint64_t(-32769), uint64_t(-128), 65537};
    // clang-format on
    std::mt19937_64 rng(20240611);
    for (size_t i = 0; i < random_count; ++i) {
        const unsigned bits = static_cast<unsigned>(rng() % 64) + 1;
        v.push_back(bits == 64 ? rng() : rng() & ((uint64_t{1} << bits) - 1));
    }
    return v;
}

TEST(OutStreamNumbers, IntegersMatchPrintf) {
    for (uint64_t x : integer_samples(20000)) {
        SCOPED_TRACE(x);
        const auto u32 = static_cast<uint32_t>(x);
        const auto i32 = static_cast<int32_t>(u32);
        const int as_int = i32;
        EXPECT_EQ(capture([&](OutStream& o) { o.put_u32(u32); }), c_printf("%u", u32));
        EXPECT_EQ(capture([&](OutStream& o) { o.put_i32(i32); }), c_printf("%i", i32));
        EXPECT_EQ(capture([&](OutStream& o) { o.put_u64(x); }), c_printf("%llu", static_cast<unsigned long long>(x)));
        // The length modifiers cut an int argument down to short / char.
        EXPECT_EQ(capture([&](OutStream& o) { o.put_hi(as_int); }), c_printf("%hi", as_int));
        EXPECT_EQ(capture([&](OutStream& o) { o.put_hhi(as_int); }), c_printf("%hhi", as_int));
        EXPECT_EQ(capture([&](OutStream& o) { o.put_hhu(u32); }), c_printf("%hhu", u32));
        for (int width = 1; width <= 10; ++width) {
            EXPECT_EQ(capture([&](OutStream& o) { o.put_u32_width(u32, width); }), c_printf("%0*u", width, u32))
                << "width " << width;
        }
    }
    char buf[8];
    for (int v = -32768; v <= 32767; ++v) {  // every 16-bit value
        ASSERT_EQ(std::string(buf, format_i16(buf, static_cast<int16_t>(v))), c_printf("%i", v)) << v;
    }
}

// Doubles from every part of the range: random bit patterns (denormals, huge
// values, NaNs included), values of the sizes the outputs carry, and exact
// ties at each precision.
std::vector<double> double_samples(size_t random_count) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN(), kInf = std::numeric_limits<double>::infinity();
    std::vector<double> v = {0.0, -0.0, 1e300, -1e300, DBL_MAX, -DBL_MAX, DBL_MIN, 5e-324, 1e15, 1e15 + 0.5,
                             9007199254740993.0, 0.5, 1.5, 0.05, 0.005, 0.0005, 0.00005, 0.000005, 0.0000005, 99.995,
                             9.9995, 0.45,
                             // ties, values stored just below a tie, the sizes of coordinates
                             0.125, 0.375, 2.5, 3.5, -0.5, 1.005, 0.15, 0.25, 1e15 + 1.5, -0.001, -5e-324, 1e21,
                             123456789.0 * 1e-7, -1800000000 * 1e-7, kNaN, -kNaN, kInf, -kInf};
    std::mt19937_64 rng(77);
    std::uniform_real_distribution<double> metres(-100000.0, 100000.0);
    std::uniform_int_distribution<int32_t> raw(INT32_MIN, INT32_MAX);
    for (size_t i = 0; i < random_count; ++i) {
        uint64_t bits = rng();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        v.push_back(d);
        v.push_back(metres(rng));
        v.push_back(raw(rng) * 1e-7);
        v.push_back(raw(rng) / 1000.0);
        v.push_back(std::sqrt(static_cast<double>(rng() % 1000000)));
        // k / 2^m with few bits: many land exactly on a rounding tie.
        v.push_back(static_cast<double>(raw(rng) % 100000) / static_cast<double>(1u << (rng() % 12)));
        // Decimal near-ties at every precision: (k + 1/2) / 10^p and its
        // neighbours a few units in the last place away.
        const int p = static_cast<int>(rng() % 10);
        double tie = (static_cast<double>(raw(rng) % 10000000) + 0.5) / std::pow(10.0, p);
        for (int step = 0; step < 3; ++step) {
            tie = std::nextafter(tie, 0.0);
        }
        for (int step = 0; step < 7; ++step) {
            v.push_back(tie);
            tie = std::nextafter(tie, 1e300);
        }
    }
    return v;
}

// printf's text of `d` at precision `p`. A NaN's sign is printed by glibc and
// dropped by Windows' C99 printf; the decoder prints it everywhere as glibc does.
std::string fixed_printf(int p, double d) {
    return std::isnan(d) ? (std::signbit(d) ? "-nan" : "nan") : c_printf("%.*f", p, d);
}

TEST(OutStreamFixed, MatchesPrintfOverManyValues) {
    for (double d : double_samples(4000)) {
        for (int p : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, kMaxFixedPrecision}) {
            ASSERT_EQ(capture([&](OutStream& o) { o.put_fixed(d, p); }), fixed_printf(p, d))
                << std::hexfloat << d << " precision " << p;
        }
        ASSERT_EQ(capture([&](OutStream& o) { o.put_f(d); }), fixed_printf(6, d)) << std::hexfloat << d;
    }
}

// Fields written straight into the buffer must survive every flush boundary,
// also with the smallest buffer a stream accepts.
TEST(OutStreamBuffer, DirectFieldsAcrossFlushes) {
    // Each writes one field and returns what printf makes of it.
    std::string (*const fields[])(OutStream&, uint32_t, double) = {
        [](OutStream& o, uint32_t u, double) {
            o.put_u32_width(u % 100000, 4);
            return c_printf("%04u", u % 100000);
        },
        [](OutStream& o, uint32_t, double d) {
            o.put_fixed(d, 2);
            return c_printf("%.2f", d);
        },
        [](OutStream& o, uint32_t u, double) {
            o.put_i32(static_cast<int32_t>(u));
            return c_printf("%i", static_cast<int32_t>(u));
        },
        [](OutStream& o, uint32_t, double) {
            o.put("text,");
            return std::string("text,");
        },
        // A huge value takes most of a minimal buffer at once.
        [](OutStream& o, uint32_t, double) {
            o.put_fixed(DBL_MAX, 3);
            return c_printf("%.3f", DBL_MAX);
        },
    };
    std::string expected, got;
    {
        OutStream out(&got, 1);
        std::mt19937 rng(5);
        for (int i = 0; i < 20000; ++i) {
            const uint32_t u = rng();
            const double d = static_cast<int32_t>(rng()) * 1e-3;
            expected += fields[i % 5](out, u, d);
            out.put_char(',');
            expected += ',';
        }
    }
    EXPECT_EQ(got, expected);
}

// A mark gives back the text written since, while all of it is buffered; a
// flush in between makes it stale.
TEST(OutStreamBuffer, TextSinceAMark) {
    std::string got;
    OutStream out(&got, 1);  // the smallest buffer: flushes come often
    int seen = 0;
    for (int i = 0; i < 3000; ++i) {
        const OutStream::Mark mark = out.mark();
        const std::string text = "row " + std::to_string(i) + ",";
        out.put(text);
        size_t n = 0;
        const char* p = out.text_since(mark, n);
        seen += p != nullptr;
        EXPECT_EQ(p == nullptr ? text : std::string(p, n), text);
    }
    EXPECT_GT(seen, 2000);
    EXPECT_LT(seen, 3000);
}

// ---------------------------------------------------------------- tag and GPS times

// Every printer's text for the edges of its input: the epoch (a Sunday), a
// leap day, the last second of a week, the largest tag time, week numbers and
// times of week out of range, sub-second padding and rounding into the next
// week. common/expected/tagtime.txt names each case by its call.
#define ROW(call)                          \
    {                                      \
#call, [](OutStream & o) { call; } \
    }

// The rows name a time-stamp style by its action bit; the early generation-3
// tag, a plan field of its own, by a bit of this test.
constexpr uint32_t ACT_GEN3_EARLY_TAG = 0x80000000u;
OutputPlan plan_of(uint32_t word) {
    OutputPlan plan = output_plan_of(word);
    plan.gen3.early_tag = (word & ACT_GEN3_EARLY_TAG) != 0;
    return plan;
}
void print_tag_time(uint32_t t, OutStream& o, uint32_t word) {
    dec::print_tag_time(t, o, plan_of(word));
}
void print_acc_time(uint32_t t, OutStream& o, uint32_t word) {
    dec::print_acc_time(t, o, plan_of(word));
}
void print_acc_time_us(uint32_t t, uint32_t us, OutStream& o, uint32_t word) {
    dec::print_acc_time_us(t, us, o, plan_of(word));
}
#define BUF(call)                                            \
    {                                                        \
#call, [](OutStream& o) { char buf[256]; call; o.put(buf); } \
    }

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

// Every day from the tag epoch to the largest tag time, month ends and leap
// days included, against the standard library's calendar.
TEST(TagTime, EveryDayMatchesTheCivilCalendar) {
    using namespace std::chrono;
    for (uint32_t day = 0; day <= 0xFFFFFFFFu / 86400; ++day) {
        const year_month_day ymd{sys_days{days{kTagEpochUnix / 86400 + day}}};
        char want[32];
        std::snprintf(want, sizeof want, "%04d-%02u-%02u 00:00:00.000", static_cast<int>(ymd.year()),
                      static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
        ASSERT_EQ(capture([&](OutStream& o) { print_tag_time_iso(day * 86400, o); }), want) << day;
    }
}

// One stream carries rows of many days, in any order: the date it keeps for
// the day it printed last must never leak into a row of another day, and the
// dotted and the ISO dates are kept apart.
TEST(TagTime, RowsOfChangingDaysInOneStream) {
    const std::pair<const char*, void (*)(OutStream&)> rows[] = {
        ROW(print_tag_time(86399, o, 0)),  ROW(print_tag_time(86400, o, 0)),
        ROW(print_tag_time_iso(86400, o)), ROW(print_tag_time_us(86399, 1500000, o)),
        ROW(print_tag_time(86399, o, 0)),  ROW(print_gps_ms_time(262923456, 2000, o)),
        ROW(print_tag_time_iso(0, o)),     ROW(print_date_weekday(2000, 262923, o)),
        ROW(print_date_weekday(-1, 0, o)), ROW(print_gps_date(2000, 604800, o)),
        ROW(print_tag_time(0, o, 0))};
    const std::string s = capture([&](OutStream& out) {
        for (const auto& row : rows) {
            row.second(out);
            out.put_char('|');
        }
    });
    EXPECT_EQ(s, testing::expected_text("common/expected/days_in_one_stream.txt", s));

    // Every day of two years in one stream gives what fresh streams give.
    std::string one, fresh;
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
