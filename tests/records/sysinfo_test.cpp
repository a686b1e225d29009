#include "records/sysinfo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "common/le.h"
#include "expected_sections.h"
#include "testsupport/capture.h"
#include "testsupport/record_builders.h"

namespace dec {
namespace {

using Record = testing::Payload;
using testing::make_event;

// 90061 s after the tag epoch: Monday 5.3.2007 01:01:01 (day 1).
constexpr uint32_t kTime = 90061;
// 39 s later, used as the end of GSM attempts that started at 90000.
constexpr uint32_t kGsmEnd = 90100;

Record event(uint8_t type, uint32_t time = kTime) {
    return make_event({.type = type, .time = time});
}

std::string v10(const Record& r) {
    return testing::capture([&](OutStream& o) { decode_sysinfo(r.data(), o, {}, 4711); });
}
std::string v9(const Record& r, uint32_t tag) {
    return testing::capture([&](OutStream& o) { decode_sysinfo_v9(r.data(), o, {}, tag); });
}
std::string ecg(const Record& r) {
    return testing::capture([&](OutStream& o) { decode_sysinfo_ecg(r.data(), o, {}); });
}

// A first-form report: attempt 90000..90100, connected at 16, download done at
// 80, two error counters, csq "12,5", flags 0x25, a GRC error; the debug-only
// step bytes are filled to show that they stay silent.
Record gsm_first() {
    // clang-format off
    Record r = testing::make_gsm_report(
        {.head = {.type = 8, .time = kGsmEnd, .battery = 4096, .battery_at_fix = 2048},
         .start_time = 90000, .connect_time = 16, .ddl_end_time = 80, .err_unexp_resp = 2, .err_ddl_x = 3,
         .battery_begin = 4096, .battery_end = 3277, .battery_min = 3000, .csq = "12,5", .creg_stat = 1,
         .cgreg_stat = 5, .flags = 0x25, .usoctl11 = 123456, .err_grc_x = 7});
    // clang-format on
    for (size_t i = 47; i <= 55; ++i) {
        r[i] = static_cast<uint8_t>(i);
    }
    return r;
}

// A second-form SMS report: the connection time lies just below the 16-bit
// wrap, the download end just above it.
Record gsm_second(uint16_t trace = 0x0100, uint8_t flags = 0x60, const std::string& csq = "12,5") {
    // clang-format off
    return testing::make_gsm_report2(
        {.common = {.head = {.type = 11, .time = kGsmEnd, .switch_state = 0}, .start_time = 90000,
                    .connect_time = 0xFFF0, .ddl_end_time = 0x0010, .err_ddl_x = 4, .error_type = 5,
                    .battery_begin = 4096, .battery_end = 2048, .battery_min = 1024, .csq = csq, .creg_stat = 1,
                    .cgreg_stat = 2, .flags = flags, .usoctl11 = 7, .err_usowr_x = 1, .urcflags = 3},
         .cereg_stat = 5, .ceer = 8, .cops_act = 'E', .trace = trace});
    // clang-format on
}

TEST(ResetCauses, BothWordings) {
    testing::Sections got;
    for (uint8_t rs : {0x00, 0x01, 0x02, 0x03, 0x11, 0x48, 0x80, 0xFD, 0xFF}) {
        for (ResetWording w : {ResetWording::gen5, ResetWording::gen3}) {
            got.emplace_back(std::to_string(rs) + (w == ResetWording::gen5 ? " gen5" : " gen3"),
                             testing::capture([&](OutStream& o) { print_reset_causes(o, rs, w); }));
        }
    }
    testing::expect_sections("records/expected/reset_causes.txt", got);
}

// Paragraphs of every event type of the three tag families, whole.
TEST(Sysinfo, Paragraphs) {
    testing::Sections got;
    for (uint8_t type : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 255}) {
        // Low battery: unknown types print only their number.
        got.emplace_back("v10 type " + std::to_string(type),
                         v10(make_event({.type = type, .time = kTime, .rs = 0x04, .vmon = 0xA5, .low_battery = 1})));
    }
    for (uint8_t state : {0xAA, 0x55, 0x00, 0x01, 0x02, 0x03, 0x5A, 0xA5, 0xFF, 0x15}) {
        got.emplace_back("v10 switch state " + std::to_string(state),
                         v10(make_event({.type = 4, .time = kTime, .switch_state = state})));
    }
    // clang-format off
    got.emplace_back("v10 switch", v10(make_event({.type = 4, .time = kTime, .vmon = 0x12, .battery = 3500,
                                                   .switch_state = 0xAA, .battery_at_fix = 3400})));
    got.emplace_back("v10 reset", v10(make_event({.type = 0, .time = kTime, .rs = 0x81, .vmon = 0x0F, .low_battery = 1,
                                                  .battery = 4096, .switch_state = 0x55})));
    // clang-format on
    // Reset causes only for reset events.
    got.emplace_back("v10 low battery with RS", v10(make_event({.type = 3, .time = kTime, .rs = 0x80})));

    got.emplace_back("v10 GSM first form", v10(gsm_first()));
    Record r = gsm_first();
    r[22] = 1;
    r[24] = 4;
    put_le16(r.data(), 19, 0);  // no download: no ddl line
    std::memcpy(r.data() + 31, "31,99", 5);
    r[36] = 'Z';  // behind the five csq characters
    r[39] = 0xFF;
    r[44] = 9;
    r[46] = 6;
    got.emplace_back("v10 GSM first form, all counters, no download", v10(r));
    got.emplace_back("v10 GSM second form", v10(gsm_second()));
    for (uint16_t trace : {0x0000, 0x0400, 0x0700, 0x08FF}) {
        got.emplace_back("v10 GSM second form, trace " + std::to_string(trace), v10(gsm_second(trace)));
    }
    got.emplace_back("v10 GSM second form, every flag", v10(gsm_second(0x0100, 0xFF)));
    // The last csq ends at a control byte after "12".
    for (const std::string csq : {"", "1", "99,99",
                                  "12\x1F"
                                  "5"}) {
        std::string name = "v10 GSM second form, csq " + csq;
        std::replace(name.begin(), name.end(), '\x1F', '^');
        got.emplace_back(name, v10(gsm_second(0x0100, 0x60, csq)));
    }
    for (uint8_t type : {9, 10}) {
        // clang-format off
        got.emplace_back("v10 GPS diagnostics, type " + std::to_string(type),
                         v10(testing::make_gps_diagnostics(
                             {.head = {.type = type, .time = kTime}, .error_flags = 0x0102, .unimplemented_ubx = 3,
                              .ubx_checksum_errors = 0xABCD, .unexpected = 0x0A, .noise_per_ms = 500, .clock_flags = 0xF0,
                              .ack_payload = 0x0501, .smbus_error_flags = 1, .nak_tx_index = 2, .imu_errors = 0x1234,
                              .dmp_error_address = 0x33, .fifo_count = 0x44, .payload_error = 6, .bfc = 7})));
        // clang-format on
    }

    // Software 9: serials below 1980 have the older layout.
    got.emplace_back("v9 1979 low battery", v9(testing::make_event_v9_old(1, kTime, 0, 4096), 1979));
    got.emplace_back("v9 100 reset", v9(make_event({.type = 0, .time = kTime, .rs = 0x12, .vmon = 0x34}), 100));
    for (uint32_t serial : {1979u, 1980u}) {
        for (uint8_t type = 0; type <= 11; ++type) {
            got.emplace_back("v9 " + std::to_string(serial) + " type " + std::to_string(type), v9(event(type), serial));
        }
    }
    got.emplace_back(
        "v9 1980 reset",
        v9(make_event(
               {.type = 0, .time = kTime, .rs = 0x08, .battery = 4096, .switch_state = 0x01, .battery_at_fix = 2048}),
           1980));
    // A creg_stat byte that is not printable shows as a blank.
    // clang-format off
    const Record sms = testing::make_sms_event_v9(
        {.head = {.type = 7, .time = kGsmEnd, .battery = 4096, .switch_state = 0x55, .battery_at_fix = 2048},
         .start_time = 90000, .error = 0x05, .aerror = 0xA0, .step = 3, .cgreg_stat = '5', .csq = "17,3", .creg_stat = 0x01});
    // clang-format on
    got.emplace_back("v9 2500 SMS", v9(sms, 2500));
    r = gsm_first();
    got.emplace_back("v9 1980 GSM report", v9(r, 1980));
    put_le16(r.data(), 19, 0);  // the ddl difference wraps
    got.emplace_back("v9 1980 GSM report, no download", v9(r, 1980));

    got.emplace_back("ECG reset", ecg(make_event({.type = 0, .time = kTime, .rs = 0x02, .vmon = 0x0C})));
    got.emplace_back("ECG low battery", ecg(testing::make_event_v9_old(1, kTime, 0, 3277)));
    got.emplace_back("ECG error", ecg(make_event({.type = 2, .time = kTime, .rs = 5, .vmon = 200})));
    for (uint8_t type : {3, 8, 255}) {
        got.emplace_back("ECG type " + std::to_string(type), ecg(event(type)));
    }
    testing::expect_sections("records/expected/sysinfo.txt", got);
}

// Every layout refuses a record shorter than 63 bytes before reading it, and
// reads nothing beyond 63 (a sanitizer build sees a read past the vector).
TEST(SysinfoRecord, LengthCheckedFirst) {
    for (SysinfoLayout layout : {SysinfoLayout::v10, SysinfoLayout::v9, SysinfoLayout::v9_old, SysinfoLayout::ecg}) {
        for (uint8_t type = 0; type <= 11; ++type) {
            std::vector<uint8_t> r(kSysinfoRecordSize, 0x41);
            r[0] = type;
            EXPECT_FALSE(decode_sysinfo_event(r.data(), kSysinfoRecordSize - 1, layout)) << int(type);
            const std::optional<SysinfoEvent> e = decode_sysinfo_event(r.data(), r.size(), layout);
            ASSERT_TRUE(e) << int(type);
            EXPECT_EQ(e->head.type, type);
        }
    }
}

// The step times and the second form's modem fields are printed only at a
// debug level above the shipped one, so only here do their offsets show:
// byte i of the record holds i + 1.
TEST(SysinfoRecord, GsmDebugFields) {
    Record r;
    for (size_t i = 0; i < r.size(); ++i) {
        r[i] = static_cast<uint8_t>(i + 1);
    }
    r[0] = 8;
    const GsmReport first = decode_sysinfo_event(r.data(), r.size(), SysinfoLayout::v10)->gsm;
    EXPECT_EQ(first.form, GsmForm::first);
    EXPECT_EQ(std::vector<uint8_t>(first.step, first.step + 5), (std::vector<uint8_t>{48, 49, 50, 51, 52}));
    EXPECT_EQ(std::vector<uint8_t>(first.step_s, first.step_s + 3), (std::vector<uint8_t>{53, 54, 55}));
    EXPECT_EQ(first.pacsp, 56);
    r[0] = 11;
    const GsmReport second = decode_sysinfo_event(r.data(), r.size(), SysinfoLayout::v10)->gsm;
    EXPECT_EQ(second.form, GsmForm::second);
    EXPECT_EQ(std::vector<uint8_t>(second.step, second.step + 5), (std::vector<uint8_t>{47, 48, 49, 50, 51}));
    EXPECT_EQ(std::vector<int>({second.cereg_stat, second.ceer, second.ceernet, second.cops_act, second.cme,
                                second.tx_error_repeat, second.trace}),
              (std::vector<int>{52, 53, 54, 55, 56 + 57 * 256, 58, 59 + 60 * 256}));
}

}  // namespace
}  // namespace dec
