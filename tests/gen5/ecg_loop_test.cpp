// ECG tags end to end: reassembly of 0x60/0x61 records into tag%i_ecg.txt.
#include <gtest/gtest.h>

#include "gen5_test_util.h"
#include "testsupport/ecg_records.h"

namespace dec {
namespace {

using testing::add_ecg_units;
using testing::EcgFields;
using testing::make_ecg_record;

constexpr uint16_t kEcgTag = 40;

class EcgLoop : public ::testing::Test {
protected:
    // Runs key `key` on one ECG download holding `body`; returns the ECG file.
    std::string ecg_of(const std::function<void(ContainerBuilder&)>& body, uint32_t units,
                       const std::string& key = "2") {
        ContainerBuilder c;
        c.open(OpenBlockFields{.tag = kEcgTag, .tag_type = 7, .sw_version = 1,
                             .flash_end = 64 * units, .time = kT0});
        body(c);
        c.write_file(dir.file("logger.bin"));
        result = testing::run_cli(kExe, {"-c", key}, dir.path());
        info = testing::read_text(dir.file("info_tag40.txt"));
        return testing::read_text(dir.file("tag40_ecg.txt"));
    }
    static EcgFields record(uint8_t units, uint16_t first_sample) {
        EcgFields s;
        s.start_time = kT0;
        s.units = units;
        s.samples = {first_sample, 2};
        return s;
    }
    // The ECG line of record(units, first) for key 2; all further samples are 0.
    static std::string line(uint8_t units, uint16_t first) {
        std::string l = "ECG,4443,3.5.2019,Fr,07:00:00,20.000,3680,17.21,1.000,0," +
                        std::to_string(first) + ",2";
        const size_t samples = (63u * units - 18) / 3 * 2;
        for (size_t i = 2; i < samples; ++i) {
            l += ",0";
        }
        return l + "\n";
    }

    TempDir dir;
    CliResult result;
    std::string info;
};

TEST_F(EcgLoop, StartBlocksEndTheRecordBeforeThem) {
    const std::string text = ecg_of(
        [](ContainerBuilder& c) {
            c.unit(0x61, {1, 2, 3});  // continuation without a start: ignored
            add_ecg_units(c, make_ecg_record(record(1, 7), kEcgTag, 2));
            add_ecg_units(c, make_ecg_record(record(2, 8), kEcgTag, 2));
            c.unit(testing::make_pattern_unit(0xFE, 1));
        },
        5);
    EXPECT_EQ(text, line(1, 7) + line(2, 8));
    EXPECT_NE(result.out.find("Processed 320 Bytes with 0 bad Bytes\n\nSuper success.\n"),
              std::string::npos)
        << result.out;
    EXPECT_NE(info.find("B5:ECG-Tag Software vers No.:1\n"), std::string::npos);
    EXPECT_NE(info.find("\nFormat of ECG data lines:\nECG, daynumber, date, day-of-week, "
                        "time-of-day,\ntemperature degree Celsius, battery-voltage mV, "
                        "ecg-sampling-frequency Hz,\nvoltage resolution MicroVolt, "
                        "dyn-offset-comp, ecg raw data\nThere were 1 b5 0xFE blocks.\n"
                        "The last download for tag40 was a COMPLETE data download.\n"),
              std::string::npos)
        << info;
}

TEST_F(EcgLoop, ThirtyUnitsDecodedThirtyOneDropped) {
    const std::string text = ecg_of(
        [](ContainerBuilder& c) {
            add_ecg_units(c, make_ecg_record(record(30, 5), kEcgTag, 2));
            add_ecg_units(c, make_ecg_record(record(31, 6), kEcgTag, 2));
        },
        61);
    EXPECT_EQ(text, line(30, 5));
    EXPECT_NE(result.out.find("##################### Too much ecg data #############\n"
                              "Processed 3904 Bytes with 0 bad Bytes\n"),
              std::string::npos)
        << result.out;
}

TEST_F(EcgLoop, TemperatureOnlyAndMovebank) {
    auto body = [](ContainerBuilder& c) {
        add_ecg_units(c, make_ecg_record(record(1, 7), kEcgTag, 2));
        c.unit(0x33);  // not an ECG unit type: bad
    };
    EXPECT_EQ(ecg_of(body, 2, "1"), "4443,3.5.2019,Fr,07:00:00,20.000\n");
    EXPECT_EQ(ecg_of(body, 2, "3"), "4443,3.5.2019,Fr,07:00:00,20.000\n");  // key 3 includes ACC
    EXPECT_NE(result.out.find("Success, although there were 1 bad blocks."), std::string::npos);
    const std::string mb = ecg_of(body, 2, "m");
    const std::string header =
        "key-bin-checksum,tag-serial-number,start-timestamp,temperature,bat-mvolt,ecg-sampling-"
        "frequency,voltage-resolution,dyn-offset-comp,ecg-raw\n";
    EXPECT_EQ(mb.substr(0, header.size()), header);
    EXPECT_NE(mb.find(",40,2019-05-03 07:00:00.000,20.000,3680,17.21,1.000,0,7 2 0 0"),
              std::string::npos)
        << mb;
    EXPECT_EQ(info.find("Format of ECG data lines"), std::string::npos);
}

}  // namespace
}  // namespace dec
