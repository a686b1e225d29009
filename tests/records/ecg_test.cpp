// ECG records: checks, conversions and the three line forms.
#include "records/ecg.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <tuple>

#include "common/action.h"
#include "expected_sections.h"
#include "testsupport/ecg_records.h"

namespace dec {
namespace {

using testing::EcgFields;
using testing::make_ecg_record;

constexpr uint32_t kT0 = 383900400;  // 2019-05-03 07:00:00, day 4443, a Friday

EcgFields thirty_samples() {
    EcgFields s;
    s.start_time = kT0;
    s.dynamic_offset = -12;
    for (uint16_t i = 0; i < 30; ++i) {
        s.samples.push_back(static_cast<uint16_t>(i * 100 + 1));
    }
    return s;
}

std::string decode(const std::vector<uint8_t>& r, uint32_t action, uint32_t tag = 40, uint8_t format = 2,
                   uint32_t length = 0) {
    std::string text, info;
    {
        OutStream ecg(&text), inf(&info);
        auto scratch = std::make_unique<EcgRecord>();
        decode_ecg_record(r.data(), output_plan_of(action), ecg, inf, length ? length : static_cast<uint32_t>(r.size()),
                          tag, format, *scratch);
    }
    EXPECT_EQ(info, "");
    return text;
}

// Lines with seconds since the epoch (the forms of keys 1, 3 and m are in the
// golden cases): thirty samples of one unit, then the conversions at their
// limits by format, frequency code, resolution code and temperature; records
// with a bad checksum or unit count write nothing.
TEST(EcgRecord, LinesConversionsAndDroppedRecords) {
    testing::Sections got = {
        {"thirty samples", decode(make_ecg_record(thirty_samples(), 40, 2), ACT_ACC_JUST_SECONDS)}};
    for (const auto& [format, freq, res, temp] : std::initializer_list<std::tuple<uint8_t, uint8_t, uint8_t, int16_t>>{
             {1, 9, 0, -256}, {1, 10, 255, 0}, {2, 0, 9, 128}, {2, 42, 9, 1}, {2, 43, 9, -1}}) {
        const EcgFields s{.frequency_code = freq, .resolution_code = res, .temperature_raw = temp, .samples = {}};
        got.emplace_back("format " + std::to_string(format) + " frequency " + std::to_string(freq),
                         decode(make_ecg_record(s, 40, format), ACT_ACC_JUST_SECONDS, 40, format));
    }
    testing::expect_sections("records/expected/ecg.txt", got);
    // Format 2 seeds the checksum with the tag number: (0x1234 + 0x12) mod 256.
    const auto seeded = make_ecg_record(thirty_samples(), 0x1234, 2);
    EXPECT_NE(decode(seeded, ACT_GPS, 0x1234, 2), "");
    EXPECT_EQ(decode(seeded, ACT_GPS, 0x1234, 1), "");  // unseeded sum differs
    EXPECT_EQ(decode(seeded, ACT_GPS, 0x1235, 2), "");
    auto damaged = seeded;
    damaged[30] ^= 0x10;
    EXPECT_EQ(decode(damaged, ACT_GPS, 0x1234, 2), "");
    // The unit count must match the length.
    EcgFields two = thirty_samples();
    two.units = 2;
    const auto r2 = make_ecg_record(two, 40, 2);
    EXPECT_NE(decode(r2, ACT_GPS), "");
    EXPECT_EQ(decode(r2, ACT_GPS, 40, 2, 63), "");
}

}  // namespace
}  // namespace dec
