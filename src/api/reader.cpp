// tavro::read(): a run of the console program's decoding whose records go
// into tables instead of text files.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>

#include "cli/command_line.h"
#include "cli/run.h"
#include "common/console.h"
#include "common/fatal.h"
#include "common/le.h"
#include "common/leap_seconds.h"
#include "common/millivolts.h"
#include "common/platform.h"
#include "common/run_context.h"
#include "common/tagtime.h"
#include "common/version.h"
#include "dsp/burst.h"
#include "records/acc_output.h"
#include "records/ecg.h"
#include "records/gps_record.h"
#include "records/imu_record.h"
#include "records/record_sink.h"
#include "records/sysinfo_record.h"
#include "tavro/tavro.h"

namespace tavro {

namespace {

using dec::BurstFamily;
using dec::BurstLine;
using dec::BurstSamples;
using dec::TagLayout;

constexpr int64_t kNsPerSecond = 1000000000;
constexpr int64_t kGpsEpochUnix = 315964800;
constexpr int64_t kSecondsPerWeek = 604800;

int64_t tag_time_ns(uint32_t tag_time, int64_t extra_ns = 0) {
    return (dec::kTagEpochUnix + tag_time) * kNsPerSecond + extra_ns;
}

std::string key_text(uint32_t key) {
    char text[16];
    std::snprintf(text, sizeof text, "%010u", key);
    return text;
}

const char* layout_name(TagLayout layout) {
    switch (layout) {
        case TagLayout::v10:
            return "gps-acc v10";
        case TagLayout::v9:
            return "gps-acc v9";
        case TagLayout::ecg:
            return "ecg";
        case TagLayout::gen3:
            return "gen3 gps-acc";
    }
    return "";
}

// GPS time to UTC with the run's leap-second table, for one tag. A time past
// the table's expiry is not guessed: kNoTime, and one warning in `warnings`.
class UtcClock {
  public:
    UtcClock(const dec::LeapSeconds& leap, std::vector<std::string>* warnings)
        : leap_(leap), warnings_(warnings) {}

    // The offset (UTC minus GPS, ns) at `gps_ns` in *offset; false past the
    // table's expiry.
    bool offset_ns(int64_t gps_ns, int64_t* offset) {
        const int64_t s = floor_seconds(gps_ns);
        const dec::LeapSeconds::Utc u = leap_.utc_of_gps(s);
        if (u.past_expiry) {
            warn();
            return false;
        }
        *offset = (u.unix_seconds - s) * kNsPerSecond;
        return true;
    }
    int64_t utc(int64_t gps_ns) {
        int64_t offset = 0;
        return gps_ns != kNoTime && offset_ns(gps_ns, &offset) ? gps_ns + offset : kNoTime;
    }

  private:
    static int64_t floor_seconds(int64_t ns) {
        const int64_t s = ns / kNsPerSecond;
        return ns % kNsPerSecond < 0 ? s - 1 : s;
    }
    void warn() {
        if (warned_) {
            return;
        }
        warned_ = true;
        char text[160];
        const int64_t expiry = leap_.expires_unix();
        std::snprintf(text, sizeof text,
                      "UTC times after %lld (seconds since 1970) are past the leap-second "
                      "table's expiry and are left empty; their GPS times are kept",
                      static_cast<long long>(expiry));
        warnings_->push_back(text);
    }

    const dec::LeapSeconds& leap_;
    std::vector<std::string>* warnings_;
    bool warned_ = false;
};

// The records of one tag, into its tables.
class TagTables final : public dec::RecordSink {
  public:
    TagTables(const dec::TagState& tag, TagLayout layout, unsigned sensors,
              const dec::LeapSeconds& leap)
        : order_(tag.order), sensors_(sensors), layout_(layout), clock_(leap, &tag_->warnings) {
        tag_->number = tag.tag_number;
        tag_->layout = layout_name(layout);
    }

    uint32_t order() const { return order_; }
    Tag take() { return std::move(*tag_); }

    void fix(const dec::GpsFix& f, uint32_t key, const dec::TagState& state) override {
        if (!wants(kGps)) {
            return;
        }
        GpsFixes& g = tag_->gps;
        g.tag.push_back(state.tag_number);
        g.record.push_back(state.gps_record_counter);
        g.kind.push_back(static_cast<uint8_t>(f.kind));
        const int64_t start = tag_time_ns(f.start_time);
        g.start_gps.push_back(start);
        g.start.push_back(clock_.utc(start));
        // What the MOVEBANK lines leave empty has no value here either: the
        // position and motion of a record without a fix (software 10: a zero
        // position, whose type of fix reads 0), and the fix time of letters
        // C and D (no time of week) of the other layouts.
        const bool v10 = layout_ == TagLayout::v10;
        const bool located = v10 ? !f.zero_position : f.valid;
        const bool moving = located && f.kind != dec::GpsKind::early;
        const bool timed = v10 || (f.letter != 'C' && f.letter != 'D');
        const double nan = std::nan("");
        // The fix time as the MOVEBANK lines print it: week and time of week
        // to the millisecond; none when the record has neither.
        int64_t fix_time = kNoTime;
        if (timed && !(f.tow_ms == 0 && f.week == 0) && f.week >= 0 &&
            f.tow_ms < kSecondsPerWeek * 1000) {
            fix_time = (kGpsEpochUnix + f.week * kSecondsPerWeek) * kNsPerSecond +
                       static_cast<int64_t>(f.tow_ms) * 1000000;
        }
        g.time_gps.push_back(fix_time);
        g.time.push_back(clock_.utc(fix_time));
        g.lon.push_back(located ? f.lon * 1e-7 : nan);
        g.lat.push_back(located ? f.lat * 1e-7 : nan);
        g.height.push_back(located ? f.height_mm / 1000.0 : nan);
        g.fix_type.push_back(v10 && !located ? 0 : f.fix_type);
        g.status.emplace_back(1, f.letter);
        g.clock_flag.push_back(f.clock_flag);
        g.noise.push_back(f.kind == dec::GpsKind::extended ? nan : f.noise);
        g.time_to_fix.push_back(f.time_to_fix);
        g.battery_mv.push_back(f.battery_mv);
        g.fix_battery_mv.push_back(f.fix_battery_mv);
        g.loaded_battery_mv.push_back(f.loaded_battery_mv);
        g.temperature.push_back(f.temperature_fine && layout_ == TagLayout::v10
                                    ? f.temperature
                                    : static_cast<double>(f.temperature_coarse));
        g.speed.push_back(moving ? f.speed : nan);
        g.heading.push_back(moving ? f.heading : nan);
        g.speed_accuracy.push_back(moving ? f.speed_acc : nan);
        g.horizontal_accuracy.push_back(moving ? f.horiz_acc : nan);
        const bool extended = f.kind == dec::GpsKind::extended;
        g.vertical_accuracy.push_back(extended ? f.vert_acc_raw * 0.1 : f.vert_acc_raw);
        g.dop.push_back(extended ? f.dop_raw * 0.1 : nan);
        g.pressure_hpa.push_back(extended ? f.pressure_hpa : nan);
        g.satellites.push_back(f.satellites);
        g.quat_w.push_back(f.quat[0]);
        g.quat_x.push_back(f.quat[1]);
        g.quat_y.push_back(f.quat[2]);
        g.quat_z.push_back(f.quat[3]);
        g.mag_x.push_back(f.mag[0]);
        g.mag_y.push_back(f.mag[1]);
        g.mag_z.push_back(f.mag[2]);
        g.gps_on_hours.push_back(state.gps_ontime / 3600.0);
        g.key.push_back(key_text(key));
    }

    void burst(const BurstLine& b, const BurstSamples& s) override {
        if (!wants(kAcc)) {
            return;
        }
        const uint32_t number = acc_bursts_++;
        AccBursts& m = tag_->acc_bursts;
        m.tag.push_back(tag_->number);
        m.burst.push_back(number);
        m.sensor.emplace_back(b.family == BurstFamily::newacc ? "imu" : "acc");
        const auto first_us = static_cast<int64_t>(dec::whole_microseconds(b.first_us));
        const int64_t start = tag_time_ns(b.time, first_us * 1000);
        m.start_gps.push_back(start);
        m.start.push_back(clock_.utc(start));
        m.rate_hz.push_back(b.rate);
        m.axes.emplace_back(b.axes);
        m.samples.push_back(static_cast<uint16_t>(b.n));
        m.overflow.push_back(b.overflow ? 1 : 0);
        m.key.push_back(key_text(b.key));

        // Which column each stored axis goes to: by its letter, else in turn.
        int16_t zeros[dec::kBurstMaxSamples] = {};
        const int16_t* axis[3] = {zeros, zeros, zeros};
        const std::string_view letters(b.axes);
        for (int a = 0; a < b.axis_count && a < dec::kBurstMaxAxes; ++a) {
            int column = a;
            if (static_cast<size_t>(a) < letters.size()) {
                const char c = letters[static_cast<size_t>(a)];
                column = c == 'X' || c == 'x' ? 0 : c == 'Y' || c == 'y' ? 1 : 2;
            }
            axis[column] = s.samples[a];
        }
        AccSamples& t = tag_->acc;
        const auto n = static_cast<size_t>(b.n);
        uint32_t* burst = t.burst.extend(n);
        uint16_t* sample = t.sample.extend(n);
        int64_t* time_gps = t.time_gps.extend(n);
        int64_t* time = t.time.extend(n);
        int16_t* x = t.x.extend(n);
        int16_t* y = t.y.extend(n);
        int16_t* z = t.z.extend(n);
        dec::RowClock clock(b);
        int64_t offset = 0;
        const bool known = clock_.offset_ns(start, &offset);
        int64_t end_offset = 0;
        const int64_t end =
            tag_time_ns(b.time, static_cast<int64_t>(b.rate > 0.0 ? b.n * 1e9 / b.rate : 0.0));
        const bool one_offset = known && clock_.offset_ns(end, &end_offset) && end_offset == offset;
        for (size_t j = 0; j < n; ++j) {
            const int64_t t_gps = tag_time_ns(b.time, static_cast<int64_t>(clock.next()) * 1000);
            burst[j] = number;
            sample[j] = static_cast<uint16_t>(j);
            time_gps[j] = t_gps;
            time[j] = one_offset ? t_gps + offset : clock_.utc(t_gps);
            x[j] = axis[0][j];
            y[j] = axis[1][j];
            z[j] = axis[2][j];
        }
    }

    void orientation(const dec::QuatcmpBurst& b, uint32_t key, bool bottom_side) override {
        if (!wants(kImu)) {
            return;
        }
        const uint32_t number = orientation_bursts_++;
        Orientations& o = tag_->orientation;
        const double step_ns = b.rate > 0.0 ? 1e9 / b.rate : 0.0;
        const int64_t start = tag_time_ns(
            b.time.seconds, static_cast<int64_t>(dec::whole_microseconds(b.time.us)) * 1000);
        const std::string k = key_text(key);
        for (uint32_t i = 0; i < b.entries; ++i) {
            const dec::PrintedQuat e = dec::quat_entry_as_printed(b.entry[i], bottom_side);
            const int64_t time = start + static_cast<int64_t>(i * step_ns);
            o.burst.push_back(number);
            o.entry.push_back(static_cast<uint16_t>(i));
            o.time_gps.push_back(time);
            o.time.push_back(clock_.utc(time));
            o.rate_hz.push_back(b.rate);
            o.w.push_back(e.w);
            o.x.push_back(e.x);
            o.y.push_back(e.y);
            o.z.push_back(e.z);
            o.mag_x.push_back(e.mag_x);
            o.mag_y.push_back(e.mag_y);
            o.mag_z.push_back(e.mag_z);
            o.temperature.push_back(b.temperature_raw * 0.00390625);
            o.key.push_back(k);
        }
    }

    void event(const dec::SysinfoEvent& e) override {
        if (!wants(kEvents)) {
            return;
        }
        Events& v = tag_->events;
        const int64_t time = tag_time_ns(e.head.time);
        v.time_gps.push_back(time);
        v.time.push_back(clock_.utc(time));
        v.type.push_back(e.head.type);
        v.battery_mv.push_back(dec::voltage_code_mv(e.head.battery_code));
        v.battery_gps_mv.push_back(dec::voltage_code_mv(e.head.battery_gps_code));
        v.low_battery.push_back(e.head.low_battery != 0 ? 1 : 0);
        v.switch_on.push_back(dec::pattern_byte_on(e.head.switch_state) ? 1 : 0);
        v.reset_flags.push_back(e.head.rs);
        v.vmon.push_back(e.head.vmon);
    }

    void ecg(const dec::EcgRecord& r, uint32_t key) override {
        if (!wants(kEcg)) {
            return;
        }
        const uint32_t number = ecg_bursts_++;
        EcgBursts& m = tag_->ecg_bursts;
        const int64_t start = tag_time_ns(r.start_time);
        m.burst.push_back(number);
        m.start_gps.push_back(start);
        m.start.push_back(clock_.utc(start));
        m.rate_hz.push_back(static_cast<double>(r.frequency_hz));
        m.resolution_uv.push_back(static_cast<double>(r.resolution_uv));
        m.offset.push_back(r.dynamic_offset);
        m.temperature.push_back(r.temperature);
        m.battery_mv.push_back(r.battery_mv);
        m.samples.push_back(static_cast<uint16_t>(r.sample_count));
        m.key.push_back(key_text(key));
        EcgSamples& s = tag_->ecg;
        const double step_ns = r.frequency_hz > 0 ? 1e9 / static_cast<double>(r.frequency_hz) : 0;
        for (uint32_t i = 0; i < r.sample_count; ++i) {
            const int64_t time = start + static_cast<int64_t>(i * step_ns);
            s.burst.push_back(number);
            s.sample.push_back(static_cast<uint16_t>(i));
            s.time_gps.push_back(time);
            s.time.push_back(clock_.utc(time));
            s.value.push_back(r.samples[i]);
        }
    }

    void end_tag(const dec::TagState& state, std::string_view info) override {
        tag_->last_download_complete = state.last_download_complete;
        tag_->bad_units = state.bad_units;
        tag_->bytes_decoded = state.processed_bytes;
        tag_->connect_time = static_cast<int64_t>(state.connect_time);
        tag_->info.assign(info);
        tag_->settings = settings_of(info);
    }

  private:
    bool wants(unsigned sensor) const { return (sensors_ & sensor) != 0; }

    // The lines of the last settings report of an information text as
    // name and value: split at the first colon, headings left out.
    static std::vector<std::pair<std::string, std::string>> settings_of(std::string_view info) {
        std::vector<std::pair<std::string, std::string>> settings;
        const size_t start = info.rfind("Printing tag settings");
        if (start == std::string_view::npos) {
            return settings;
        }
        size_t at = info.find('\n', start);
        while (at != std::string_view::npos && at + 1 < info.size()) {
            const size_t end = info.find('\n', at + 1);
            const std::string_view line =
                info.substr(at + 1, end == std::string_view::npos ? end : end - at - 1);
            at = end;
            if (line.rfind("Close info:", 0) == 0 || line.rfind("Data download:", 0) == 0) {
                break;
            }
            if (line.empty() || line[0] == '-' || line[0] == '#') {
                continue;
            }
            const size_t colon = line.find(':');
            auto trim = [](std::string_view v) {
                while (!v.empty() && v.front() == ' ') {
                    v.remove_prefix(1);
                }
                while (!v.empty() && v.back() == ' ') {
                    v.remove_suffix(1);
                }
                return std::string(v);
            };
            if (colon == std::string_view::npos) {
                settings.emplace_back(trim(line), "");
            } else {
                settings.emplace_back(trim(line.substr(0, colon)), trim(line.substr(colon + 1)));
            }
        }
        return settings;
    }

    // First: the clock writes to its warnings.
    std::unique_ptr<Tag> tag_ = std::make_unique<Tag>();
    uint32_t order_;
    unsigned sensors_;
    TagLayout layout_;
    UtcClock clock_;
    uint32_t acc_bursts_ = 0;
    uint32_t orientation_bursts_ = 0;
    uint32_t ecg_bursts_ = 0;
};

// The records of a run: tables per tag, made as the tags begin (tags decoded
// side by side begin from their own threads), and the voltage logger's.
class RunTables final : public dec::RecordTables {
  public:
    RunTables(const ReadOptions& options, const dec::LeapSeconds& leap)
        : options_(options), leap_(leap) {}

    bool wants_tag(uint32_t tag_number) const override {
        if (options_.tags.empty()) {
            return true;
        }
        for (uint32_t t : options_.tags) {
            if (t == tag_number) {
                return true;
            }
        }
        return false;
    }

    dec::RecordSink* begin_tag(const dec::TagState& tag, TagLayout layout) override {
        if (!wants_tag(tag.tag_number)) {
            return nullptr;
        }
        auto tables = std::make_unique<TagTables>(tag, layout, options_.sensors, leap_);
        std::lock_guard<std::mutex> lock(mutex_);
        tags_.push_back(std::move(tables));
        return tags_.back().get();
    }

    void voltage(const dec::VoltageRecord& r) override {
        v_.seconds.push_back(r.time);
        v_.temperature_raw.push_back(r.temperature_raw);
        v_.load.push_back(r.load);
        for (size_t ch = 0; ch < 8; ++ch) {
            v_.ch_mv[ch].push_back(r.channel_mv[ch]);
        }
    }

    // The tags in the container's order, and the voltages.
    void hand_over(Container& out) {
        std::stable_sort(tags_.begin(), tags_.end(),
                         [](const auto& a, const auto& b) { return a->order() < b->order(); });
        for (auto& t : tags_) {
            out.tags.push_back(t->take());
        }
        tags_.clear();
        out.voltages = std::move(v_);
    }

  private:
    const ReadOptions& options_;
    const dec::LeapSeconds& leap_;
    std::mutex mutex_;
    std::vector<std::unique_ptr<TagTables>> tags_;
    Voltages v_;
};

// The menu key whose plan decodes the records asked for.
char key_of(unsigned sensors) {
    const bool gps = (sensors & kGps) != 0;
    const bool acc = (sensors & (kAcc | kImu)) != 0;
    return gps == acc ? '3' : gps ? '2' : '1';
}

// A folder of the reading's own for its temporary files, removed with
// whatever is left in it.
class WorkFolder {
  public:
    WorkFolder(dec::Platform& sys, const std::string& parent) : sys_(sys) {
        if (sys_.make_private_folder(parent, path_) != 0) {
            throw Error(std::string("Couldn't make a folder for temporary files in ") +
                            (parent.empty() ? "the system's temporary folder" : parent),
                        dec::OPEN_FILE_ERROR);
        }
    }
    ~WorkFolder() {
        dec::Folder folder;
        if (sys_.open_folder(path_.c_str(), &folder) == 0) {
            std::vector<std::string> names;
            sys_.list_files(folder, names);
            for (const std::string& name : names) {
                sys_.remove_file(folder, name.c_str());
            }
            sys_.close_folder(folder);
        }
        sys_.remove_folder(path_.c_str());
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    const char* path() const { return path_.c_str(); }

  private:
    dec::Platform& sys_;
    std::string path_;
};

// The whole text of a file named by the caller; 0, or -1.
int read_whole_file(dec::Platform& sys, const std::string& path, std::string& text) {
    const int fd = sys.open_read(dec::Folder{}, path.c_str());
    if (fd < 0) {
        return -1;
    }
    char buf[65536];
    ssize_t n;
    while ((n = sys.read(fd, buf, sizeof buf)) > 0) {
        text.append(buf, static_cast<size_t>(n));
    }
    sys.close(fd);
    return n == 0 ? 0 : -1;
}

dec::LeapSeconds leap_table(dec::Platform& sys, const ReadOptions& options, std::string* source) {
    if (options.leap_seconds_list.empty()) {
        return dec::LeapSeconds::system(sys, source);
    }
    std::string text;
    if (read_whole_file(sys, options.leap_seconds_list, text) != 0) {
        throw Error("Couldn't read the leap-second list " + options.leap_seconds_list,
                    dec::OPEN_FILE_ERROR);
    }
    dec::LeapSeconds leap = dec::LeapSeconds::builtin();
    if (!dec::LeapSeconds::parse_list(text, &leap)) {
        throw Error("Not a leap-second list: " + options.leap_seconds_list, dec::OPEN_FILE_ERROR);
    }
    *source = options.leap_seconds_list;
    return leap;
}

}  // namespace

int decoder_version() {
    return dec::kDecoderVersion;
}

Container read(const std::string& path, const ReadOptions& options) {
    dec::Platform& sys = dec::Platform::system();
    Container result;
    const dec::LeapSeconds leap = leap_table(sys, options, &result.leap_source);
    RunTables tables(options, leap);
    WorkFolder work(sys, options.work_dir);

    std::string out_text;
    std::string err_text;
    int code = dec::UNKNOWN_ERROR;
    {
        dec::Console con(sys, &out_text, &err_text);
        dec::RunContext run(con);
        run.tables = &tables;
        // Tags are decoded side by side on up to four cores, as the console
        // program does.
        run.workers = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
        dec::RunParams params;
        params.path = path.c_str();
        params.files_given = 1;
        params.output_dir = work.path();
        params.action_char = key_of(options.sensors);
        try {
            code = dec::run_decoder(run, params);
        } catch (const dec::FatalStop& stop) {
            code = stop.code;
        }
        con.flush();
    }
    result.console = out_text + err_text;
    tables.hand_over(result);
    if (code != dec::EXIT_OK) {
        throw Error(result.console, code);
    }
    if (!result.voltages.seconds.empty() || result.console.find("B5VL:") != std::string::npos) {
        result.kind = "voltage logger";
    } else if (result.console.find("B5:") != std::string::npos) {
        result.kind = "generation 5";
    } else {
        result.kind = "generation 3";
    }
    return result;
}

}  // namespace tavro
