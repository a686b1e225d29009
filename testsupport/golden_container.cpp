#include "testsupport/golden_container.h"

#include "testsupport/container_builder.h"
#include "testsupport/record_builders.h"

namespace dec::testing {

namespace {

// 2019-05-03 07:00:00 (a Friday) as tag time: GPS week 2051, second 457200.
constexpr uint32_t kT0 = 383900400;
constexpr int16_t kWeek = 2051;
constexpr uint32_t kWeekStart = 383443200;
constexpr uint16_t kTag10 = 17;
constexpr uint16_t kTag9 = 1234;

uint32_t tow_ms(uint32_t tag_time, uint32_t ms) {
    return (tag_time - kWeekStart) * 1000 + ms;
}

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
    // clang-format off
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
    // clang-format on
    set_extended_temperature(ext, 1650);
    im.payload(kUnitGpsExtended, make_gps_extended(ext));
    // clang-format off
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
    // clang-format on
    im.record(kUnitQuatcmp,
              // clang-format off
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
    // clang-format on
    im.payload(kUnitSysinfo, make_switch_event(kT0 + 700, false, 2970));
    // clang-format off
    im.payload(kUnitGpsCooked,
               make_gps_cooked({.week = kWeek, .tow_ms = tow_ms(kT0 + 1020, 0), .fix_byte = 0,
                                .status = 0x00, .rtc_flags = 1, .noise = 80, .time_to_fix = 120,
                                .start_time = kT0 + 900, .temperature_raw = 1700,
                                .battery = 2960, .loaded_battery = 2900, .fix_battery = 2950}));
    // clang-format on
    im.record(kUnitGsmText, make_gsm_text(kT0 + 950, "+CSQ: 17,99\r\nOK"));
    // clang-format off
    GsmReportFields gsm{.head = {.type = 8, .time = kT0 + 1000, .battery = 2950,
                               .battery_at_fix = 2950},
                      .start_time = kT0 + 940, .connect_time = 0x1234, .ddl_end_time = 0x1240,
                      .battery_begin = 2960, .battery_end = 2940, .battery_min = 2900,
                      .csq = "17,99", .creg_stat = 1, .cgreg_stat = 5, .flags = 0x03,
                      .usoctl11 = 4096};
    // clang-format on
    im.payload(kUnitSysinfo, make_gsm_report(gsm));
    return im;
}

// Software-9 tag 1234: a reset, two valid and one invalid cooked fix, bursts
// of three axes and one axis.
TagImage tag9_image() {
    TagImage im(OpenBlockFields{.tag = kTag9, .sw_version = 9, .basestation_id = 4});
    im.payload(kUnitSysinfo, make_event_v9_old(0, kT0 + 20, 0x01, 0));
    // clang-format off
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
    // clang-format on
    return im;
}

}  // namespace

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

}  // namespace dec::testing
