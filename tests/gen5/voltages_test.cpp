// Voltage-logger files to voltages.csv.
#include <gtest/gtest.h>

#include "gen5_test_util.h"
#include "testsupport/ecg_records.h"

namespace dec {
namespace {

using testing::make_voltage_file;
using testing::VoltageRecord;

const std::string kCsvHeader =
    "diff/minutes,hours,Temp,Load,Ch0/mV,Ch1/mV,Ch2/mV,Ch3/mV,Ch4/mV,Ch5/mV,Ch6/mV,Ch7/mV\n";

class Voltages : public ::testing::Test {
protected:
    std::string csv_of(const std::vector<uint8_t>& file) {
        testing::write_bytes(dir.file("volt.bin"), file);
        result = testing::run_cli(kExe, {"-c", "2", "-f", "volt.bin"}, dir.path());
        return testing::read_text(dir.file("voltages.csv"));
    }
    TempDir dir;
    CliResult result;
};

TEST_F(Voltages, RecordsChecksumsAndChannels) {
    VoltageRecord a{.time = 600, .channels = {1024, 65535, 0, 1, 2, 3, 4, 5}, .temperature = 300,
                    .load = 200};
    VoltageRecord bad{.time = 1200, .bad_checksum = true};
    VoltageRecord foreign{.time = 1500, .magic = 0x11223344};
    VoltageRecord b{.time = 7800, .channels = {146, 0, 0, 0, 0, 0, 0, 1023}, .temperature = 65535,
                    .load = 255};
    auto file = make_voltage_file({a, bad, foreign, b});
    file.resize(file.size() + 20);  // a partial last record is ignored
    EXPECT_EQ(csv_of(file), kCsvHeader +
                                "10.000000,0.166667,300,200,6988,447225,0,6,13,20,27,34\n"
                                "Checksum not matching.\n"
                                "Magic 0x11223344 not matching.\n"
                                "120.000000,2.166667,65535,255,996,0,0,0,0,0,0,6981\n");
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.out,
              "****************************************************\nB5VL:Separating data...\n"
              "B5VL:Separating data finished.\n\nSuper success.\n");
}

TEST_F(Voltages, HeaderOnlyAndForeignMaker) {
    EXPECT_EQ(csv_of(make_voltage_file({})), kCsvHeader);
    EXPECT_EQ(result.exit_code, 0);
    auto foreign = make_voltage_file({});
    foreign[10] = 'x';
    testing::write_bytes(dir.file("volt.bin"), foreign);
    result = testing::run_cli(kExe, {"-c", "2", "-f", "volt.bin"}, dir.path());
    EXPECT_EQ(result.exit_code, 19);
    EXPECT_NE(result.out.find("You probably need a new TAVRO data decoder."), std::string::npos);
}

}  // namespace
}  // namespace dec
