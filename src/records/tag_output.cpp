#include "records/tag_output.h"

#include "common/tagtime.h"
#include "common/version.h"
#include "records/acc_output.h"
#include "records/ecg.h"
#include "records/movebank_columns.h"
#include "records/record_sink.h"

namespace dec {

namespace {

// The plan as a tag applies it: the MOVEBANK files of GPS-acceleration tags
// always hold the acceleration.
OutputPlan tag_plan(OutputPlan plan, TagLayout layout) {
    if (layout != TagLayout::ecg && plan.movebank) {
        plan.acc = true;
    }
    return plan;
}

}  // namespace

TagOutput::TagOutput(Console& con, OutputSet& outputs, const OutputPlan& run_plan, TagLayout layout,
                     const char* prefix, TagState& tag)
    : con_(con),
      plan_(tag_plan(run_plan, layout)),
      layout_(layout),
      tag_(tag),
      files_(con, outputs, layout == TagLayout::v10 ? prefix : nullptr, tag.tag_number),
      gps_(plan_, layout, streams_) {}

int TagOutput::open_files() {
    if (stats_only()) {
        // The STATS line alone: a statistics file, and every stream on the console.
        OutStream* console = &con_.out();
        streams_ = TagStreams{console, console, console, console, console};
        return files_.open(TagFile::stats) != nullptr ? 0 : -1;
    }
    streams_.info = files_.open(TagFile::info);
    if (streams_.info == nullptr) {
        return -1;
    }
    const TagFile main = layout_ == TagLayout::ecg ? TagFile::ecg : plan_.main_file;
    streams_.main = files_.open(main);
    if (streams_.main == nullptr) {
        return -1;
    }
    streams_.acc = streams_.quat = streams_.mag = streams_.main;
    if (!plan_.movebank || layout_ == TagLayout::ecg) {
        return 0;
    }
    // MOVEBANK: the acceleration and the IMU in files of their own.
    streams_.acc = files_.open(TagFile::acc);
    if (streams_.acc == nullptr) {
        return -1;
    }
    if (layout_ == TagLayout::v10) {
        streams_.quat = files_.open(TagFile::quat);
        streams_.mag = streams_.quat != nullptr ? files_.open(TagFile::mag) : nullptr;
        if (streams_.mag == nullptr) {
            return -1;
        }
    }
    return 0;
}

void TagOutput::open_memory() {
    info_memory_ = std::make_unique<OutStream>(&info_text_);
    dropped_ = std::make_unique<OutStream>(&dropped_text_);
    streams_ = TagStreams{info_memory_.get(), dropped_.get(), dropped_.get(), dropped_.get(),
                          dropped_.get()};
    plan_.sink = plan_.tables->begin_tag(tag_, layout_);
    if (plan_.sink == nullptr) {
        plan_.sink = &dropped_records_;
    }
}

int TagOutput::open() {
    if (plan_.tables != nullptr) {
        open_memory();
    } else if (open_files() != 0) {
        return -1;
    }
    write_version_line(*streams_.info);
    if (layout_ == TagLayout::v10 && plan_.info_in_main) {
        streams_.info = streams_.main;
    }
    return 0;
}

int TagOutput::write_heads() {
    if (layout_ == TagLayout::ecg) {
        write_ecg_heads(plan_, *streams_.main, *streams_.info);
    } else {
        write_acc_heads(plan_, layout_, streams_);
        gps_.head(tag_);
    }
    if (!plan_.movebank) {
        return 0;
    }
    // Each MOVEBANK file's types, from the table its header was printed from.
    for (TagFile f : {TagFile::gps, TagFile::acc, TagFile::quat, TagFile::mag, TagFile::ecg}) {
        if (files_.is_open(f) && files_.write_column_types(f, movebank_columns(f, layout_)) != 0) {
            return -1;
        }
    }
    return 0;
}

void TagOutput::write_tails() {
    if (layout_ != TagLayout::ecg) {
        gps_.tail();
    }
    if (tag_.utc_past_expiry && plan_.utc != nullptr) {
        write_utc_expiry_warning(*streams_.info, *plan_.utc);
    }
}

int TagOutput::close() {
    if (plan_.tables != nullptr) {
        info_memory_->flush();
        plan_.sink->end_tag(tag_, info_text_);
        return 0;
    }
    if (stats_only()) {
        print_stats_line(files_.out(TagFile::stats), tag_.tag_number, tag_);
    }
    return files_.close_all();
}

void write_version_line(OutStream& info) {
    info.printf("Data decoder version v%hhu compiled (w)Feb 20 2025 09:55:15\n", kDecoderVersion);
}

void write_utc_expiry_warning(OutStream& info, const LeapSeconds& table) {
    const int64_t expiry = table.expires_unix();
    char date[32];
    format_utc_or_null(expiry, date, sizeof date);
    info.printf(
        "Warning: the leap-second list expired on %.10s; times after it are written in UTC as if "
        "no leap second followed (GPS time minus %i s).\n",
        date, static_cast<int>(table.gps_minus_utc(expiry)));
}

void print_stats_line(OutStream& out, uint32_t tag_number, const TagState& state) {
    const TagStatistics& s = state.stats;
    char connect[32], first[32], last[32];
    format_utc_or_null(static_cast<int64_t>(state.connect_time), connect, sizeof connect);
    format_utc_or_null(kTagEpochUnix + s.first_fix_time, first, sizeof first);
    format_utc_or_null(kTagEpochUnix + s.last_fix_time, last, sizeof last);
    const double hours = static_cast<double>(s.last_fix_time - s.first_fix_time) / 3600.0;
    const double mean_fix_time =
        s.attempts != 0 ? static_cast<double>(s.attempt_fix_time_sum) / s.attempts : 0.0;
    const uint32_t battery_mean =
        s.battery_count != 0 ? static_cast<uint32_t>(s.battery_sum / s.battery_count) : 0;
    const uint32_t activity =
        s.acc_bursts != 0 ? static_cast<uint32_t>(s.activity_sum / s.acc_bursts) : 0;
    out.printf("STATS,%i,%s,%s,%s,%.2f,%u,%u,%u,%u,%u,%.1f,%llu,%llu,%u,%u,%u,%u,%u\n",
               static_cast<int>(tag_number), connect, first, last, hours, s.gps_records,
               s.valid_fixes, s.attempts, s.attempt_valid_fixes, s.attempt_fix_time_sum,
               mean_fix_time, static_cast<unsigned long long>(s.acc_bytes),
               static_cast<unsigned long long>(s.quatcmp_bytes), s.battery_max, s.battery_min,
               battery_mean, s.acc_bursts, activity);
}

}  // namespace dec
