// Faults that the whole-file outputs showed, each pinned by a focused run of
// the decoder on a container holding just what the fault needs.
#include <gtest/gtest.h>

#include <string>

#include "testsupport/cli_runner.h"
#include "testsupport/container_builder.h"
#include "testsupport/record_builders.h"

namespace dec::testing {
namespace {

constexpr uint32_t kT0 = 383900400;  // 2019-05-03 07:00:00, GPS week 2051
constexpr uint32_t kWeekStart = 383443200;

Payload valid_fix(uint32_t start) {
    return make_gps_cooked({.lon = 89876543, .lat = 477612345, .height_mm = 512340, .week = 2051,
                            .tow_ms = (start + 10 - kWeekStart) * 1000, .time_to_fix = 10,
                            .start_time = start, .battery = 3000});
}

CliResult decode(const ContainerBuilder& c, const std::string& key, const TempDir& dir) {
    c.write_file(dir.file("logger.bin"));
    return run_cli(DEC_DECODER_EXE, {"-f", "logger.bin", "-c", key}, dir.path());
}

// The loop counts a GPS block before decoding it, so the first fix of a tag is
// placemark 1 and an ACC row after two GPS blocks carries fix number 2.
TEST(DecoderFixes, GpsRecordCounterCountsBeforeDecoding) {
    TagImage im(OpenBlockFields{.tag = 17});
    im.payload(kUnitGpsCooked, valid_fix(kT0)).payload(kUnitGpsCooked, valid_fix(kT0 + 600));
    im.record(kUnitAcc0, make_acc_burst({.time = kT0 + 700, .axes = 0x08, .samples = {1, 2}}));
    ContainerBuilder c;
    im.download(c, 0, im.size(), kT0 + 3600);

    TempDir kml;
    ASSERT_EQ(decode(c, "5", kml).exit_code, 0);
    const std::string doc = read_text(kml.file("tag17.kml"));
    EXPECT_NE(doc.find("\t\t\t<name>1</name>\n"), std::string::npos) << doc;
    EXPECT_NE(doc.find("\t\t\t<name>2</name>\n"), std::string::npos) << doc;
    EXPECT_EQ(doc.find("\t\t\t<name>0</name>\n"), std::string::npos) << doc;

    TempDir acc;
    ASSERT_EQ(decode(c, "8", acc).exit_code, 0);
    EXPECT_EQ(read_text(acc.file("tag17_acc.txt")).substr(0, 7), "ACC,2,1");
}

}  // namespace
}  // namespace dec::testing
