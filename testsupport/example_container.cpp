#include "testsupport/example_container.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <stdexcept>

#include "testsupport/container_builder.h"
#include "testsupport/ecg_records.h"
#include "testsupport/record_builders.h"

namespace dec::testing {

namespace {

// 2019-05-03 07:00:00 as tag time; GPS week 2051 starts at kWeek0Start.
constexpr uint32_t kStart = 383900400;
constexpr uint32_t kWeek0Start = 383443200;
constexpr int16_t kWeek0 = 2051;
constexpr uint32_t kSecondsPerWeek = 604800;
// Tag time 0 in UTC seconds (2007-03-04 00:00:00), for close information.
constexpr uint32_t kTagEpochUtc = 1172966400;
constexpr uint16_t kBasestation = 4;

enum class TagKind : uint8_t { v10, v9, ecg };

// A small deterministic generator, so every run writes the same container.
class Lcg {
  public:
    explicit Lcg(uint32_t seed) : x_(seed * 2654435761u + 1u) {}
    uint32_t next() {
        x_ = x_ * 1664525u + 1013904223u;
        return x_ >> 8;
    }
    int32_t range(int32_t lo, int32_t hi) {
        return lo + static_cast<int32_t>(next() % static_cast<uint32_t>(hi - lo + 1));
    }

  private:
    uint32_t x_;
};

uint16_t clamp12(double v) {
    return static_cast<uint16_t>(std::clamp(static_cast<int>(std::lround(v)), 0, 4095));
}

// What one tag records: it is asked for the units of consecutive time windows
// and keeps its position, counters and random state between them.
class TagRecorder {
  public:
    TagRecorder(TagKind kind, uint16_t tag, uint32_t feature_word, const ExampleOptions& o)
        : kind_(kind),
          tag_(tag),
          features_(feature_word),
          o_(o),
          rng_(tag),
          lon_(89876543 + 2000 * (tag % 1000)),
          lat_(477612345 - 1500 * (tag % 1000)) {}

    TagKind kind() const { return kind_; }
    uint16_t tag() const { return tag_; }
    uint32_t features() const { return features_; }

    // Appends the units of the tag times [from, to).
    void record(uint32_t from, uint32_t to, std::vector<Unit>& out) {
        if (first_) {
            first_ = false;
            add_reset(from, out);
        }
        if (kind_ == TagKind::ecg) {
            for (uint32_t t = align(from, 600); t < to; t += 600) {
                add_ecg(t, out);
            }
            return;
        }
        // Records in time order: every second of the window is tested against
        // each rhythm; bursts fall between the fixes.
        for (uint32_t t = from; t < to; ++t) {
            if (o_.acc_interval_s != 0 && t % o_.acc_interval_s == o_.acc_interval_s / 2) {
                add_burst(t, out);
            }
            if (o_.gps_interval_s != 0 && t % o_.gps_interval_s == 0) {
                add_fix(t, out);
            }
            if (kind_ != TagKind::v10) {
                continue;
            }
            if (t % 600 == 300) {
                add_newacc(t, out);
            }
            if (t % 600 == 310) {
                add_quatcmp(t, out);
            }
            if (t % 3600 == 1800) {
                add_satellites(t, out);
            }
            if (t % 10800 == 5400) {
                add_gsm(t, out);
            }
            if (t % 21600 == 7200) {
                out.push_back(payload_unit(kUnitSysinfo, make_switch_event(t, true, battery())));
            }
        }
    }

  private:
    static uint32_t align(uint32_t t, uint32_t period) {
        return (t + period - 1) / period * period;
    }

    // Raw temperature of about 20 degrees: the fine sensor of the newer board
    // counts 1/256 degree, the older one needs the coarse formula.
    uint16_t temperature() {
        return static_cast<uint16_t>((features_ & 0x4000) != 0 ? 5120 + rng_.range(-300, 300)
                                                               : 1640 + rng_.range(-20, 20));
    }

    // The battery code drifts down slowly as the tag records.
    uint16_t battery() const {
        return static_cast<uint16_t>(3050 - std::min<uint32_t>(fixes_, 400));
    }

    void add_reset(uint32_t t, std::vector<Unit>& out) {
        out.push_back(payload_unit(kUnitSysinfo, kind_ == TagKind::v9
                                                     ? make_event_v9_old(0, t, 0x02, 0)
                                                     : make_reset_event(t, 0x02, battery())));
    }

    void add_fix(uint32_t start, std::vector<Unit>& out) {
        const uint32_t n = fixes_++;
        const bool failed = n % 7 == 6;
        const auto ttf = static_cast<uint16_t>(failed ? 120 : rng_.range(8, 45));
        const uint32_t fix_time = start + ttf;
        const auto week = static_cast<int16_t>(kWeek0 + (fix_time - kWeek0Start) / kSecondsPerWeek);
        const uint32_t tow = (fix_time - kWeek0Start) % kSecondsPerWeek * 1000 +
                             static_cast<uint32_t>(rng_.range(0, 999));
        if (!failed) {
            lon_ += rng_.range(-3000, 3000);
            lat_ += rng_.range(-2000, 2000);
        }
        const int32_t height = failed ? 0 : 480000 + rng_.range(-20000, 20000);
        const int kind = kind_ == TagKind::v10 ? static_cast<int>(n % 3) : 0;
        if (kind == 0) {
            GpsCookedFields s{.lon = failed ? 0 : lon_,
                              .lat = failed ? 0 : lat_,
                              .height_mm = height,
                              .week = week,
                              .tow_ms = tow,
                              .fix_byte = static_cast<uint8_t>(failed ? 0 : 3),
                              .status = static_cast<uint8_t>(failed ? 0x00 : 0x0D),
                              .noise = static_cast<uint16_t>(rng_.range(20, 120)),
                              .time_to_fix = ttf,
                              .vert_acc = static_cast<uint16_t>(rng_.range(2, 15)),
                              .speed_acc = static_cast<uint16_t>(rng_.range(20, 90)),
                              .start_time = start,
                              .temperature_raw = temperature(),
                              .battery = battery(),
                              .loaded_battery = static_cast<uint16_t>(battery() - 40),
                              .speed = static_cast<uint16_t>(failed ? 0 : rng_.range(0, 300)),
                              .heading = static_cast<int16_t>(rng_.range(-274, 549)),
                              .horiz_acc = static_cast<uint32_t>(rng_.range(8, 40)),
                              .fix_battery = static_cast<uint16_t>(battery() - 20)};
            out.push_back(payload_unit(kUnitGpsCooked, make_gps_cooked(s)));
            return;
        }
        GpsExtendedFields s{.lon = failed ? 0 : lon_,
                            .lat = failed ? 0 : lat_,
                            .height_mm = height,
                            .week = week,
                            .tow_ms = tow,
                            .status = static_cast<uint8_t>(failed ? 0x00 : 0x3D),
                            .speed_acc = static_cast<uint16_t>(rng_.range(200, 900)),
                            .horiz_acc = static_cast<uint32_t>(rng_.range(8, 40)),
                            .speed = static_cast<uint16_t>(failed ? 0 : rng_.range(0, 300)),
                            .heading = static_cast<int16_t>(rng_.range(-274, 549)),
                            .satellites = static_cast<uint8_t>(failed ? 0 : rng_.range(4, 12)),
                            .dop = static_cast<uint8_t>(rng_.range(8, 40)),
                            .start_time = start,
                            .battery = battery(),
                            .loaded_battery = static_cast<uint16_t>(battery() - 40),
                            .fix_battery = static_cast<uint16_t>(battery() - 20),
                            .mag = {static_cast<int16_t>(rng_.range(-400, 400)),
                                    static_cast<int16_t>(rng_.range(-400, 400)),
                                    static_cast<int16_t>(rng_.range(-400, 400))},
                            .time_to_fix = ttf,
                            .vert_acc = static_cast<uint16_t>(rng_.range(20, 150)),
                            .quat_w = static_cast<int16_t>(rng_.range(-16384, 16384)),
                            .quat_x = static_cast<int8_t>(rng_.range(-100, 100)),
                            .quat_y = static_cast<int8_t>(rng_.range(-100, 100)),
                            .quat_z = static_cast<int8_t>(rng_.range(-100, 100))};
        set_extended_temperature(s, temperature());
        const bool seeded = kind == 2;
        out.push_back(payload_unit(seeded ? kUnitGpsExtendedSeeded : kUnitGpsExtended,
                                   make_gps_extended(s, seeded, tag_)));
    }

    // Samples of a moving animal: gravity on one axis, a gait of a few hertz.
    std::vector<uint16_t> motion(size_t count, int axes, double phase) {
        std::vector<uint16_t> v;
        v.reserve(count);
        for (size_t i = 0; i < count; ++i) {
            const int a = static_cast<int>(i % static_cast<size_t>(axes));
            const double x = phase + static_cast<double>(i / static_cast<size_t>(axes)) * 0.35;
            const double base = a == axes - 1 ? 2700.0 : 2048.0;
            v.push_back(clamp12(base + 300.0 * std::sin(x + a) + rng_.range(-20, 20)));
        }
        return v;
    }

    void add_burst(uint32_t t, std::vector<Unit>& out) {
        static constexpr uint8_t kAxes[3] = {0x38, 0x08, 0x28};  // XYZ, X, XZ
        const uint32_t n = bursts_++;
        const uint32_t c = n / o_.acc_run;
        const uint32_t more = o_.acc_unit_counts > 1 ? c / 3 % o_.acc_unit_counts : 0;
        const auto units = static_cast<uint8_t>(std::clamp<uint32_t>(o_.acc_units + more, 1, 30));
        const uint8_t axes = kAxes[c % 3];
        const int axis_count = axes == 0x38 ? 3 : axes == 0x28 ? 2 : 1;
        const size_t samples = (63u * units - 9) / 3 * 2;
        AccBurstFields s{.time = t,
                         .axes = axes,
                         .rate_code = static_cast<uint8_t>(n % 2 ? 4 : 2),
                         .samples = motion(samples, axis_count, 0.1 * n),
                         .units = units};
        if (kind_ == TagKind::v9) {
            s.rate_code = 10;  // the MMA8452 divider of version-9 tags: 10 Hz
            append(out, record_units(kUnitAcc0, make_acc_burst_v9(s)));
            return;
        }
        const bool variant1 = n % 2 == 1;
        append(out, record_units(variant1 ? kUnitAcc1 : kUnitAcc0,
                                 make_acc_burst(s, variant1 ? 1 : 0, tag_)));
    }

    void add_newacc(uint32_t t, std::vector<Unit>& out) {
        // Two units: (126 - 18) / 3 * 2 = 72 samples, 24 per axis.
        NewaccFields s{.time = t,
                       .fine_time = imu_fine_time(t, static_cast<uint32_t>(rng_.range(0, 32767))),
                       .flags = 0,
                       .start_offset = 4,
                       .samples = motion(72, 3, 0.3),
                       .units = 2};
        append(out, record_units(kUnitNewacc, make_newacc(s, tag_)));
    }

    void add_quatcmp(uint32_t t, std::vector<Unit>& out) {
        QuatcmpFields s{.time = t,
                        .fine_time = imu_fine_time(t, 0),
                        .flags = 5,
                        .start_offset = 0,
                        .temperature_raw = static_cast<int16_t>(6400 + rng_.range(-256, 256)),
                        .entries = {},
                        .units = 2};
        for (int i = 0; i < 10; ++i) {
            s.entries.push_back({.w = static_cast<int16_t>(rng_.range(-16384, 16384)),
                                 .x = static_cast<int8_t>(rng_.range(-100, 100)),
                                 .y = static_cast<int8_t>(rng_.range(-100, 100)),
                                 .z = static_cast<int8_t>(rng_.range(-100, 100)),
                                 .mag_x = static_cast<int16_t>(rng_.range(-400, 400)),
                                 .mag_y = static_cast<int16_t>(rng_.range(-400, 400)),
                                 .mag_z = static_cast<int16_t>(rng_.range(-400, 400))});
        }
        append(out, record_units(kUnitQuatcmp, make_quatcmp(s, tag_)));
    }

    void add_satellites(uint32_t t, std::vector<Unit>& out) {
        std::vector<SatChannelFields> ch;
        for (uint8_t i = 0; i < 8; ++i) {
            ch.push_back({.channel = i,
                          .satellite = static_cast<uint8_t>(2 + 3 * i),
                          .flags = static_cast<uint8_t>(i == 5 ? 0 : 0x04),
                          .quality = static_cast<uint8_t>(1 + i % 7),
                          .cno = static_cast<uint8_t>(rng_.range(15, 45)),
                          .elevation = static_cast<int8_t>(rng_.range(-5, 85)),
                          .azimuth = static_cast<int16_t>(rng_.range(0, 359))});
        }
        append(out,
               record_units(kUnitSatStart,
                            make_satellite_report((t - kWeek0Start) % kSecondsPerWeek * 1000, ch)));
    }

    void add_gsm(uint32_t t, std::vector<Unit>& out) {
        append(out, record_units(kUnitGsmText, make_gsm_text(t, "+CSQ: 17,99\r\nOK")));
        GsmReportFields g{
            .head = {.type = 8, .time = t + 75, .battery = battery(), .battery_at_fix = battery()},
            .start_time = t,
            .connect_time = static_cast<uint16_t>(t + 20),
            .ddl_end_time = static_cast<uint16_t>(t + 70),
            .battery_begin = battery(),
            .battery_end = static_cast<uint16_t>(battery() - 15),
            .battery_min = static_cast<uint16_t>(battery() - 60),
            .csq = "17,99",
            .creg_stat = 1,
            .cgreg_stat = 1,
            .flags = 0,
            .usoctl11 = 1024};
        out.push_back(payload_unit(kUnitSysinfo, make_gsm_report(g)));
    }

    void add_ecg(uint32_t t, std::vector<Unit>& out) {
        EcgFields s{.start_time = t, .units = 3, .samples = {}};
        // A heartbeat: a sharp peak every 50 samples on a slow baseline wander.
        const size_t count = (63u * 3 - 18) / 3 * 2;
        for (size_t i = 0; i < count; ++i) {
            const double wander = 80.0 * std::sin(static_cast<double>(i) * 0.02);
            const double beat = i % 50 < 3 ? 900.0 - 300.0 * static_cast<double>(i % 50) : 0.0;
            s.samples.push_back(clamp12(2048.0 + wander + beat + rng_.range(-10, 10)));
        }
        append(out, record_units(0x60, make_ecg_record(s, tag_, 2)));
    }

    static void append(std::vector<Unit>& out, const std::vector<Unit>& units) {
        out.insert(out.end(), units.begin(), units.end());
    }

    TagKind kind_;
    uint16_t tag_;
    uint32_t features_;
    const ExampleOptions& o_;
    Lcg rng_;
    int32_t lon_;
    int32_t lat_;
    uint32_t fixes_ = 0;
    uint32_t bursts_ = 0;
    bool first_ = true;
};

// A tag's side of the downloads: where its next download starts in its flash
// memory and the units it will send again.
struct TagDownloads {
    TagRecorder recorder;
    uint32_t first_unit = 0;   // flash position of resend[0], in units
    std::vector<Unit> resend;  // tail of the previous download
};

}  // namespace

void write_gen5_example(const ExampleOptions& o, const ExampleSink& sink) {
    const std::vector<uint8_t> header = make_header(0x79F02AB6, 3);
    sink(header.data(), header.size());

    std::vector<TagDownloads> tags;
    for (int i = 0; i < o.tags_v10; ++i) {
        // Every second tag has the newer board with its calibrated temperature
        // sensor and both sensors on the bottom side.
        const uint32_t features = i % 2 == 1 ? 0x14000 : 0;
        tags.push_back(
            {TagRecorder(TagKind::v10, static_cast<uint16_t>(17 + 2 * i), features, o), 0, {}});
    }
    for (int i = 0; i < o.tags_v9; ++i) {
        tags.push_back(
            {TagRecorder(TagKind::v9, static_cast<uint16_t>(1201 + 2 * i), 0, o), 0, {}});
    }
    for (int i = 0; i < o.tags_ecg; ++i) {
        tags.push_back(
            {TagRecorder(TagKind::ecg, static_cast<uint16_t>(801 + 2 * i), 0, o), 0, {}});
    }

    const uint32_t window = o.hours_per_download * 3600;
    std::vector<Unit> units;
    for (int round = 0; round < o.downloads; ++round) {
        const uint32_t from = kStart + static_cast<uint32_t>(round) * window;
        for (size_t i = 0; i < tags.size(); ++i) {
            TagDownloads& t = tags[i];
            units = t.resend;
            t.recorder.record(from, from + window, units);

            // The base station reaches the tags a few minutes apart.
            const uint32_t now = from + window + 300 * static_cast<uint32_t>(i);
            OpenBlockFields desc{
                .tag = t.recorder.tag(),
                .tag_type = static_cast<uint8_t>(t.recorder.kind() == TagKind::ecg ? 7 : 5),
                .sw_version = static_cast<uint8_t>(t.recorder.kind() == TagKind::v10  ? 10
                                                   : t.recorder.kind() == TagKind::v9 ? 9
                                                                                      : 1),
                .flash_start = 64u * t.first_unit,
                .flash_end = 64u * (t.first_unit + static_cast<uint32_t>(units.size())),
                .time = now,
                .basestation_id = kBasestation,
                .feature_word = t.recorder.features()};
            ContainerBuilder c(std::vector<uint8_t>{});
            c.open(desc);
            for (const Unit& u : units) {
                c.unit(u);
            }
            c.close_info(now + kTagEpochUtc + 40).empty_units(4);
            sink(c.bytes().data(), c.bytes().size());

            const size_t keep = std::min<size_t>(o.overlap_units, units.size());
            t.first_unit += static_cast<uint32_t>(units.size() - keep);
            t.resend.assign(units.end() - static_cast<long>(keep), units.end());
        }
    }
}

std::vector<uint8_t> build_gen5_example(const ExampleOptions& options) {
    std::vector<uint8_t> bytes;
    write_gen5_example(options, [&bytes](const uint8_t* data, size_t size) {
        bytes.insert(bytes.end(), data, data + size);
    });
    return bytes;
}

void write_gen5_example_file(const std::string& path, const ExampleOptions& options) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    if (!f) {
        throw std::runtime_error("cannot write " + path);
    }
    write_gen5_example(options, [&f](const uint8_t* data, size_t size) {
        f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    });
    f.close();
    if (!f) {
        throw std::runtime_error("cannot write " + path);
    }
}

}  // namespace dec::testing
