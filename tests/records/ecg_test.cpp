// ECG records: checks, conversions and the three line forms.
#include "records/ecg.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "common/action.h"
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

// The samples as the line lists them.
std::string samples_text() {
    std::string t;
    for (uint16_t v : thirty_samples().samples) {
        t += std::to_string(v) + ',';
    }
    t.pop_back();
    return t;
}

std::string decode(const std::vector<uint8_t>& r, uint32_t action, uint32_t tag = 40,
                   uint8_t format = 2, uint32_t length = 0) {
    std::string text, info;
    {
        OutStream ecg(&text), inf(&info);
        auto scratch = std::make_unique<EcgRecord>();
        decode_ecg_record(r.data(), action, ecg, inf, length ? length : static_cast<uint32_t>(r.size()),
                          tag, format, *scratch);
    }
    EXPECT_EQ(info, "");
    return text;
}

// The line forms of keys 1, 3 and m are in the golden cases; the one with
// seconds since the epoch is not.
TEST(EcgRecord, OneUnitHoldsThirtySamples) {
    EXPECT_EQ(decode(make_ecg_record(thirty_samples(), 40, 2), ACT_ACC_JUST_SECONDS),
              "ECG,383900400,20.000,3680,17.21,1.000,-12," + samples_text() + "\n");
}

TEST(EcgRecord, ConversionsAtTheirLimits) {
    struct Case {
        uint8_t format, freq, res;
        int16_t temp;
        const char* expected_fields;
    } cases[] = {
        {1, 9, 0, -256, "-2.000,3680,1778.28,0.500,"},
        {1, 10, 255, 0, "0.000,3680,0.00,14.667,"},
        {2, 0, 9, 128, "1.000,3680,10.75,1.000,"},
        {2, 42, 9, 1, "0.008,3680,1495.36,1.000,"},
        {2, 43, 9, -1, "-0.008,3680,0.00,1.000,"},
    };
    for (const Case& c : cases) {
        EcgFields s;
        s.frequency_code = c.freq;
        s.resolution_code = c.res;
        s.temperature_raw = c.temp;
        const std::string line = decode(make_ecg_record(s, 40, c.format), ACT_ACC_JUST_SECONDS, 40,
                                        c.format);
        EXPECT_EQ(line.substr(0, 6 + std::strlen(c.expected_fields)),
                  std::string("ECG,0,") + c.expected_fields)
            << int(c.format) << "/" << int(c.freq);
    }
}

TEST(EcgRecord, DroppedRecords) {
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
