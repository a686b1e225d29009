// Whole-file tests: a small synthetic logger.bin with a software-10 tag and a
// software-9 tag is decoded with every menu key, and so are an ECG tag's
// container, the generation-3 example of every container version (GPS-
// acceleration, early and interaction tags) and a voltage-logger file; every
// output file, the console text and the exit code are compared byte for byte
// with the files under tests/golden/expected/<case>/.
//
// DEC_UPDATE_GOLDEN=1 rewrites the expected files from the decoder's output;
// such a rewrite must be reviewed line by line before it is kept.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/wait.h>

#include "testsupport/cli_runner.h"
#include "testsupport/container_builder.h"
#include "testsupport/ecg_records.h"
#include "testsupport/example_container.h"
#include "testsupport/gen3_builder.h"
#include "testsupport/record_builders.h"

namespace dec::testing {
namespace {

namespace fs = std::filesystem;

// 2019-05-03 07:00:00 (a Friday) as tag time: GPS week 2051, second 457200.
constexpr uint32_t kT0 = 383900400;
constexpr int16_t kWeek = 2051;
constexpr uint32_t kWeekStart = 383443200;
constexpr uint16_t kTag10 = 17;
constexpr uint16_t kTag9 = 1234;
// The time-stamped input name of the -s case and the prefix it gives.
constexpr const char* kStampedName = "2019-5-3-7-0-9_L000000012.bin";

uint32_t tow_ms(uint32_t tag_time, uint32_t ms) { return (tag_time - kWeekStart) * 1000 + ms; }

std::vector<uint16_t> ramp(size_t n, int start, int step) {
    std::vector<uint16_t> v;
    for (size_t i = 0; i < n; ++i) {
        v.push_back(static_cast<uint16_t>(start + step * static_cast<int>(i)));
    }
    return v;
}

// Axes in turn from per-axis ramps.
std::vector<uint16_t> interleave(const std::vector<std::vector<uint16_t>>& axes) {
    std::vector<uint16_t> v;
    for (size_t j = 0; j < axes[0].size(); ++j) {
        for (const auto& a : axes) {
            v.push_back(a[j]);
        }
    }
    return v;
}

// Software-10 tag 17: events, cooked and extended fixes (one invalid), bursts
// of one, two and three axes as 0x40 and 0x44, NEWACC, QUATCMP, a satellite
// report and a GSM text.
TagImage tag10_image() {
    TagImage im(OpenBlockFields{.tag = kTag10, .basestation_id = 4});
    im.payload(kUnitSysinfo, make_reset_event(kT0 + 10, 0x02, 3000));
    im.payload(kUnitGpsCooked,
               make_gps_cooked({.lon = 89876543, .lat = 477612345, .height_mm = 512340,
                                .week = kWeek, .tow_ms = tow_ms(kT0 + 75, 400), .noise = 300,
                                .time_to_fix = 15, .vert_acc = 4, .speed_acc = 45,
                                .start_time = kT0 + 60, .temperature_raw = 1640, .battery = 3000,
                                .loaded_battery = 2950, .speed = 123, .heading = 100,
                                .horiz_acc = 10, .fix_battery = 2980}));
    im.record(kUnitAcc0, make_acc_burst({.time = kT0 + 120, .axes = 0x38, .rate_code = 4,
                                         .samples = interleave({ramp(12, 2048, 1),
                                                                ramp(12, 1024, -2),
                                                                ramp(12, 3072, 3)})}));
    im.record(kUnitAcc1, make_acc_burst({.time = kT0 + 180, .axes = 0x08, .rate_code = 1,
                                         .samples = ramp(36, 1000, 5)},
                                        1, kTag10));
    GpsExtendedFields ext{.lon = 89881234, .lat = 477598765, .height_mm = 498700, .week = kWeek,
                        .tow_ms = tow_ms(kT0 + 322, 0), .status = 0x3D, .speed_acc = 350,
                        .horiz_acc = 20, .speed = 50, .heading = 549, .satellites = 7, .dop = 13,
                        .start_time = kT0 + 300, .battery = 2990, .loaded_battery = 2940,
                        .fix_battery = 2970, .mag = {120, -340, 560}, .time_to_fix = 22,
                        .vert_acc = 57, .quat_w = 16000, .quat_x = -20, .quat_y = 30,
                        .quat_z = -40};
    set_extended_temperature(ext, 1650);
    im.payload(kUnitGpsExtended, make_gps_extended(ext));
    im.record(kUnitAcc1, make_acc_burst({.time = kT0 + 360, .axes = 0x28, .rate_code = 2,
                                         .samples = interleave({ramp(18, 500, 1),
                                                                ramp(18, 3500, -1)})},
                                        1, kTag10));
    im.record(kUnitSatStart,
              make_satellite_report(tow_ms(kT0 + 400, 0),
                                    {{.channel = 0, .satellite = 3, .quality = 7, .cno = 41,
                                      .elevation = 55, .azimuth = 120},
                                     {.channel = 1, .satellite = 8, .quality = 3, .cno = 20,
                                      .elevation = -2, .azimuth = 300},
                                     {.channel = 2, .satellite = 11, .quality = 6, .cno = 35,
                                      .elevation = 20, .azimuth = 45},
                                     {.channel = 3, .satellite = 17, .flags = 0, .quality = 7,
                                      .cno = 30, .elevation = 10, .azimuth = 10},
                                     {.channel = 4, .satellite = 22, .quality = 5, .cno = 28,
                                      .elevation = 33, .azimuth = 200},
                                     {.channel = 5, .satellite = 28, .quality = 4, .cno = 25,
                                      .elevation = 5, .azimuth = 359}}));
    im.record(kUnitNewacc,
              make_newacc({.time = kT0 + 420, .fine_time = imu_fine_time(kT0 + 420, 16384),
                           .samples = interleave({ramp(10, 100, 1), ramp(10, 2000, 1),
                                                  ramp(10, 4000, -1)})},
                          kTag10));
    im.record(kUnitQuatcmp,
              make_quatcmp({.time = kT0 + 480, .fine_time = imu_fine_time(kT0 + 480, 0),
                            .flags = 5, .temperature_raw = 6528,
                            .entries = {{.w = 16384, .x = 10, .y = -20, .z = 30, .mag_x = 100,
                                         .mag_y = -200, .mag_z = 300},
                                        {.w = -32768, .x = 5, .y = 5, .z = 5, .mag_x = 1,
                                         .mag_y = 2, .mag_z = 3},
                                        {.w = 0, .x = -128, .y = 127, .z = -1, .mag_x = -1,
                                         .mag_y = 0, .mag_z = 1},
                                        {.w = 32767, .x = 0, .y = 0, .z = 0, .mag_x = 7,
                                         .mag_y = 8, .mag_z = 9}}},
                           kTag10));
    im.payload(kUnitGpsExtendedSeeded,
               make_gps_extended({.lon = -582345678, .lat = -345678901, .height_mm = -1999,
                                  .week = kWeek, .tow_ms = tow_ms(kT0 + 640, 600),
                                  .status = 0x3D, .speed_acc = 1000, .horiz_acc = 0x010000,
                                  .speed = 0, .heading = -100, .satellites = 4, .dop = 45,
                                  .start_time = kT0 + 600, .battery = 2980,
                                  .loaded_battery = 2930, .fix_battery = 2960,
                                  .time_to_fix = 41, .vert_acc = 120, .quat_w = -32768,
                                  .quat_x = 9, .quat_y = 9, .quat_z = 9},
                                 true, kTag10));
    im.record(kUnitAcc0, make_acc_burst({.time = kT0 + 660, .axes = 0x10, .rate_code = 0,
                                         .samples = ramp(36, 2000, -3)}));
    im.payload(kUnitSysinfo, make_switch_event(kT0 + 700, false, 2970));
    im.payload(kUnitGpsCooked,
               make_gps_cooked({.week = kWeek, .tow_ms = tow_ms(kT0 + 1020, 0), .fix_byte = 0,
                                .status = 0x00, .rtc_flags = 1, .noise = 80, .time_to_fix = 120,
                                .start_time = kT0 + 900, .temperature_raw = 1700,
                                .battery = 2960, .loaded_battery = 2900, .fix_battery = 2950}));
    im.record(kUnitGsmText, make_gsm_text(kT0 + 950, "+CSQ: 17,99\r\nOK"));
    GsmReportFields gsm{.head = {.type = 8, .time = kT0 + 1000, .battery = 2950,
                               .battery_at_fix = 2950},
                      .start_time = kT0 + 940, .connect_time = 0x1234, .ddl_end_time = 0x1240,
                      .battery_begin = 2960, .battery_end = 2940, .battery_min = 2900,
                      .csq = "17,99", .creg_stat = 1, .cgreg_stat = 5, .flags = 0x03,
                      .usoctl11 = 4096};
    im.payload(kUnitSysinfo, make_gsm_report(gsm));
    return im;
}

// Software-9 tag 1234: a reset, two valid and one invalid cooked fix, bursts
// of three axes and one axis.
TagImage tag9_image() {
    TagImage im(OpenBlockFields{.tag = kTag9, .sw_version = 9, .basestation_id = 4});
    im.payload(kUnitSysinfo, make_event_v9_old(0, kT0 + 20, 0x01, 0));
    im.payload(kUnitGpsCooked,
               make_gps_cooked_v9({.lon = 134567890, .lat = 523456789, .height_mm = 45600,
                                   .week = kWeek, .tow_ms = tow_ms(kT0 + 130, 0), .noise = 20,
                                   .time_to_fix = 30, .vert_acc = 9, .speed_acc = 80,
                                   .start_time = kT0 + 100, .temperature_raw = 1600,
                                   .battery = 3100, .loaded_battery = 3050, .speed = 0,
                                   .heading = 0, .horiz_acc = 30, .fix_battery = 3080}));
    im.record(kUnitAcc0, make_acc_burst_v9({.time = kT0 + 200, .axes = 0x38, .rate_code = 10,
                                            .samples = interleave({ramp(12, 3000, 1),
                                                                   ramp(12, 2000, 1),
                                                                   ramp(12, 1000, 1)})}));
    im.payload(kUnitGpsCooked,
               make_gps_cooked_v9({.lon = 134560000, .lat = 523450000, .height_mm = 40000,
                                   .week = kWeek, .tow_ms = tow_ms(kT0 + 400, 0), .fix_byte = 2,
                                   .status = 0x04, .noise = 40, .time_to_fix = 90,
                                   .speed_acc = 500, .start_time = kT0 + 300,
                                   .temperature_raw = 1590, .battery = 3090, .speed = 30,
                                   .heading = 20, .horiz_acc = 300}));
    im.record(kUnitAcc0, make_acc_burst_v9({.time = kT0 + 500, .axes = 0x08, .rate_code = 10,
                                            .samples = ramp(36, 100, 2)}));
    im.payload(kUnitGpsCooked,
               make_gps_cooked_v9({.lon = 134571234, .lat = 523461234, .height_mm = 47100,
                                   .week = kWeek, .tow_ms = tow_ms(kT0 + 622, 499), .noise = 25,
                                   .time_to_fix = 22, .vert_acc = 7, .speed_acc = 60,
                                   .start_time = kT0 + 600, .temperature_raw = 1610,
                                   .battery = 3085, .loaded_battery = 3040, .speed = 250,
                                   .heading = 300, .horiz_acc = 12, .fix_battery = 3070}));
    return im;
}

// The container: the software-10 tag downloaded twice (the second download
// re-sends its first download's last two units), the software-9 tag between.
std::vector<uint8_t> golden_container() {
    const TagImage t10 = tag10_image();
    const TagImage t9 = tag9_image();
    ContainerBuilder c(make_header(0x79F02AB6, 3));
    t10.download(c, 0, 12, kT0 + 1200);
    c.close_info(1556867000).empty_units(4);
    t9.download(c, 0, t9.size(), kT0 + 2000);
    c.close_info(1556867800).empty_units(4);
    t10.download(c, 10, t10.size() - 10, kT0 + 3600);
    c.close_info(1556869400).empty_units(4);
    return c.bytes();
}

// The containers of the golden cases.
enum class Input {
    tags,     // golden_container(): a software-10 and a software-9 tag
    ecg,      // a generation-5 container of one ECG tag
    gen3,     // the generation-3 example of container version V1.<minor>
    voltage,  // a voltage-logger file
};

struct GoldenCase {
    std::string dir;                // under tests/golden/expected
    std::vector<std::string> args;  // after the input and output options
    Input input = Input::tags;
    int minor = 6;
    bool stamped = false;  // -s with the time-stamped input name
};

std::vector<GoldenCase> golden_cases() {
    std::vector<GoldenCase> cases;
    for (const char* key : {"1", "2", "3", "4", "5", "8", "9", "a", "f", "g", "h", "i", "m",
                            "b"}) {
        cases.push_back({std::string("key") + key, {"-c", key}});
    }
    // Keys that are awkward in file names.
    cases.push_back({"key_bang", {"-c", "!"}});
    cases.push_back({"key_dollar", {"-c", "$"}});
    cases.push_back({"key_at", {"-c", "@"}});
    for (const char* a : {"a", "b", "c", "d", "e"}) {
        cases.push_back({std::string("key6_") + a, {"-c", "6", "-a", a}});
    }
    cases.push_back({"mode_s", {}, Input::tags, 6, true});
    for (const char* key : {"1", "3", "m"}) {
        cases.push_back({std::string("ecg_key") + key, {"-c", key}, Input::ecg});
    }
    // Every generation-3 container version with all data; the newest with the
    // other output kinds as well.
    for (int minor = 0; minor <= 6; ++minor) {
        cases.push_back({"gen3_v1." + std::to_string(minor) + "_key3", {"-c", "3"}, Input::gen3,
                         minor});
    }
    for (const char* key : {"1", "2", "4", "5", "6", "9", "h", "m"}) {
        GoldenCase c{std::string("gen3_v1.6_key") + key, {"-c", key}, Input::gen3, 6};
        if (std::string(key) == "6") {
            c.args.insert(c.args.end(), {"-a", "c"});
        } else if (std::string(key) == "9") {
            c.args.insert(c.args.end(), {"-a", "e"});
        }
        cases.push_back(c);
    }
    cases.push_back({"voltage", {"-c", "3"}, Input::voltage});
    return cases;
}

std::vector<uint8_t> input_of(const GoldenCase& c) {
    switch (c.input) {
        case Input::ecg:
            return build_gen5_example({.tags_v10 = 0, .tags_v9 = 0, .tags_ecg = 1,
                                       .downloads = 2, .hours_per_download = 1});
        case Input::gen3:
            return build_gen3_example(c.minor);
        case Input::voltage:
            return make_voltage_example();
        case Input::tags:
        default:
            return golden_container();
    }
}

std::string case_dir(const GoldenCase& c) { return c.dir; }

std::string expected_root() { return std::string(DEC_SOURCE_DIR) + "/tests/golden/expected"; }

bool update_mode() {
    const char* v = std::getenv("DEC_UPDATE_GOLDEN");
    return v != nullptr && std::string(v) == "1";
}

void write_text(const fs::path& p, const std::string& text) {
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f << text;
}

std::vector<std::string> files_in(const fs::path& dir) {
    std::vector<std::string> names;
    if (fs::exists(dir)) {
        for (const auto& e : fs::directory_iterator(dir)) {
            names.push_back(e.path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Runs one case in a fresh directory; returns the directory (kept alive by the
// caller) after checking that the run left nothing but outputs.
CliResult run_case(const GoldenCase& c, const TempDir& dir) {
    const std::vector<uint8_t> input = input_of(c);
    const std::string input_name = c.stamped ? kStampedName : "logger.bin";
    write_bytes(dir.file(input_name), input);
    fs::create_directory(dir.file("out"));
    std::vector<std::string> args;
    if (c.stamped) {
        args = {"-s", input_name, "-d", "out"};
    } else {
        args = {"-f", input_name, "-d", "out"};
        args.insert(args.end(), c.args.begin(), c.args.end());
    }
    return run_cli(DEC_DECODER_EXE, args, dir.path());
}

class Golden : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(Golden, OutputsMatchExpectedFiles) {
    const GoldenCase& c = GetParam();
    TempDir dir;
    const CliResult r = run_case(c, dir);
    const fs::path out = dir.file("out");
    const fs::path want = fs::path(expected_root()) / case_dir(c);

    // Console streams and exit code are stored beside the outputs, with names
    // that no output file can have.
    std::vector<std::pair<std::string, std::string>> got;
    got.emplace_back("_console.txt", r.out);
    got.emplace_back("_stderr.txt", r.err);
    got.emplace_back("_exit_code.txt", std::to_string(r.exit_code) + "\n");
    for (const std::string& name : files_in(out)) {
        got.emplace_back(name, read_text((out / name).string()));
    }

    if (update_mode()) {
        fs::remove_all(want);
        fs::create_directories(want);
        for (const auto& [name, text] : got) {
            write_text(want / name, text);
        }
        GTEST_SKIP() << "expected files of " << case_dir(c) << " rewritten: review them";
    }

    std::vector<std::string> got_names;
    for (const auto& g : got) {
        got_names.push_back(g.first);
    }
    std::sort(got_names.begin(), got_names.end());
    EXPECT_EQ(got_names, files_in(want)) << "set of output files of " << case_dir(c);
    for (const auto& [name, text] : got) {
        const fs::path p = want / name;
        if (!fs::exists(p)) {
            continue;
        }
        EXPECT_EQ(text, read_text(p.string())) << case_dir(c) << "/" << name;
    }
}

INSTANTIATE_TEST_SUITE_P(AllKeys, Golden, ::testing::ValuesIn(golden_cases()),
                         [](const ::testing::TestParamInfo<GoldenCase>& p) {
                             std::string n = case_dir(p.param);
                             for (char& ch : n) {
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) {
                                     ch = '_';
                                 }
                             }
                             return n;
                         });

// ------------------------------------------------ KML and GPX against schemas

bool have_tool(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

// The published schemas, kept beside the tests (see schemas/README.md).
std::string schemas() { return std::string(DEC_SOURCE_DIR) + "/tests/golden/schemas"; }

int shell(const std::string& cmd) {
    const int rc = std::system((cmd + " >/dev/null 2>&1").c_str());
    return rc == -1 ? -1 : WEXITSTATUS(rc);
}

TEST(GoldenTracks, KmlAndGpxValidateAgainstSchemas) {
    if (!have_tool("xmllint")) {
        GTEST_SKIP() << "xmllint missing (Debian package libxml2-utils)";
    }
    struct Track {
        const char* key;
        Input input;
        const char* file;
        const char* schema;
    };
    const Track tracks[] = {{"4", Input::tags, "tag17.gpx", "gpx.xsd"},
                            {"4", Input::tags, "tag1234.gpx", "gpx.xsd"},
                            {"5", Input::tags, "tag17.kml", "ogckml22.xsd"},
                            {"5", Input::tags, "tag1234.kml", "ogckml22.xsd"},
                            {"b", Input::tags, "tag17.kml", "ogckml22.xsd"},
                            {"4", Input::gen3, "tag1234.gpx", "gpx.xsd"},
                            {"5", Input::gen3, "tag1234.kml", "ogckml22.xsd"}};
    for (const Track& t : tracks) {
        SCOPED_TRACE(std::string("key ") + t.key + ": " + t.file);
        TempDir dir;
        const CliResult r = run_case({t.key, {"-c", t.key}, t.input}, dir);
        ASSERT_EQ(r.exit_code, 0) << r.out << r.err;
        const std::string path = dir.file("out/") + t.file;
        ASSERT_TRUE(file_exists(path));
        EXPECT_EQ(shell("xmllint --noout --nonet --schema " + schemas() + "/" + t.schema + " " +
                        path),
                  0);
        if (std::string(t.schema) == "ogckml22.xsd" && have_tool("python3")) {
            EXPECT_EQ(shell("python3 " + schemas() + "/kml_coords_check.py " + path), 0);
        }
    }
}

}  // namespace
}  // namespace dec::testing

// ------------------------------------------------------ the example generator

namespace dec::testing {
namespace {

TEST(ExampleContainer, StreamsOneDownloadAtATimeAndDecodesCleanly) {
    const ExampleOptions small{.tags_v10 = 2, .tags_v9 = 1, .tags_ecg = 1, .downloads = 2,
                               .hours_per_download = 1};
    size_t pieces = 0;
    std::vector<uint8_t> streamed;
    write_gen5_example(small, [&](const uint8_t* data, size_t size) {
        ++pieces;
        streamed.insert(streamed.end(), data, data + size);
    });
    // The header, then one piece per download of each of the four tags.
    EXPECT_EQ(pieces, 1u + 2u * 4u);
    EXPECT_EQ(streamed, build_gen5_example(small));

    ExampleOptions longer = small;
    longer.downloads = 4;
    EXPECT_GT(build_gen5_example(longer).size(), 3 * streamed.size() / 2);

    for (const char* key : {"3", "m"}) {
        SCOPED_TRACE(std::string("key ") + key);
        TempDir dir;
        write_bytes(dir.file("logger.bin"), streamed);
        const CliResult r = run_cli(DEC_DECODER_EXE, {"-f", "logger.bin", "-c", key}, dir.path());
        EXPECT_EQ(r.exit_code, 0);
        EXPECT_NE(r.out.find("\nSuper success."), std::string::npos) << r.out;
        for (const char* tag : {"17", "19", "1201", "801"}) {
            const std::string info = read_text(dir.file(std::string("info_tag") + tag + ".txt"));
            EXPECT_NE(info.find(std::string("The last download for tag") + tag +
                                " was a COMPLETE data download."),
                      std::string::npos)
                << tag;
            EXPECT_EQ(info.find("checksum error"), std::string::npos) << tag;
        }
    }
}

}  // namespace
}  // namespace dec::testing
