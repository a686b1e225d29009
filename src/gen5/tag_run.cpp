#include "gen5/tag_run.h"

#include <cerrno>

#include "common/fatal.h"
#include "common/io.h"
#include "common/le.h"
#include "common/tagtime.h"
#include "common/text_file.h"
#include "gen5/container.h"
#include "gen5/indexed_tag_data.h"
#include "gen5/second_pass.h"
#include "gen5/tag_loop.h"
#include "records/tag_outputs.h"
#include "store/tag_data.h"

namespace dec {

namespace {

enum class FileSetKind { v10, v9, ecg };

// The output files of one tag and the streams the loop writes to.
class TagFileSet {
  public:
    TagFileSet(Console& con, OutputSet& outputs, const char* prefix, uint32_t tag)
        : con_(con), outputs_(outputs), prefix_(prefix), tag_(static_cast<int>(tag)) {}

    // Opens the file named by `fmt` (the run's prefix for "%s" when
    // `with_prefix`, the tag number for "%i") as the next file; nullptr after
    // printing the failure.
    OutStream* open(TextFile& file, const char* fmt, bool with_prefix) {
        char name[64];
        if (with_prefix) {
            format_into(name, sizeof name, fmt, prefix_, tag_);
        } else {
            format_into(name, sizeof name, fmt, tag_);
        }
        if (file.open(con_, outputs_, name) != 0) {
            close_all();
            return nullptr;
        }
        return &file.out();
    }

    // 0, or -1 when a file could not be written completely.
    int close_all() {
        int rv = 0;
        for (TextFile* f : {&stats, &info, &main, &acc, &quat, &mag}) {
            if (f->close() != 0) {
                rv = -1;
            }
        }
        return rv;
    }

    TextFile stats, info, main, acc, quat, mag;

  private:
    Console& con_;
    OutputSet& outputs_;
    const char* prefix_;
    int tag_;
};

// The files of one tag: the plan's file set as far as the kind of tag has it.
struct FileSetShape {
    bool prefixed = false;      // software 10: names begin with the run's prefix
    bool stats_only = false;    // software 10, STATS line: one file, all streams on the console
    bool movebank = false;      // acceleration in its own file (not for ECG tags)
    bool imu_files = false;     // software 10, MOVEBANK: quaternion and magnetic-field files
    bool info_in_main = false;  // software 10: information lines in the main file
    const char* main = nullptr;
};

FileSetShape shape_of(FileSetKind kind, const OutputPlan& plan) {
    const bool v10 = kind == FileSetKind::v10;
    FileSetShape s;
    s.prefixed = v10;
    s.stats_only = v10 && plan.stats_line;
    s.movebank = kind != FileSetKind::ecg && plan.movebank;
    s.imu_files = v10 && s.movebank;
    s.info_in_main = v10 && plan.info_in_main;
    s.main = kind == FileSetKind::ecg ? "tag%i_ecg.txt" : main_file_format(plan.main_file, v10);
    return s;
}

// The STATS line alone: a statistics file, and every stream on the console.
int open_stats_only(TagFileSet& files, Console& con, TagStreams& streams) {
    if (files.open(files.stats, "stat_%stag%i.txt", true) == nullptr) {
        return -1;
    }
    OutStream* console = &con.out();
    streams = TagStreams{console, console, console, console, console};
    return 0;
}

// The MOVEBANK files beside the GPS file.
int open_movebank_files(TagFileSet& files, const FileSetShape& shape, TagStreams& streams) {
    streams.acc =
        files.open(files.acc, main_file_format(MainFile::acc, shape.prefixed), shape.prefixed);
    if (streams.acc == nullptr) {
        return -1;
    }
    if (shape.imu_files) {
        streams.quat = files.open(files.quat, "%stag%i_quat.txt", true);
        if (streams.quat == nullptr) {
            return -1;
        }
        streams.mag = files.open(files.mag, "%stag%i_magnetic.txt", true);
        if (streams.mag == nullptr) {
            return -1;
        }
    }
    return 0;
}

// Opens the files of `shape`: 0, or -1 after printing the failure.
int open_file_set(TagFileSet& files, const FileSetShape& shape, Console& con, TagStreams& streams) {
    if (shape.stats_only) {
        return open_stats_only(files, con, streams);
    }
    const bool p = shape.prefixed;
    streams.info = files.open(files.info, p ? "info_%stag%i.txt" : "info_tag%i.txt", p);
    if (streams.info == nullptr) {
        return -1;
    }
    streams.main = files.open(files.main, shape.main, p);
    if (streams.main == nullptr) {
        return -1;
    }
    streams.acc = streams.quat = streams.mag = streams.main;
    return shape.movebank ? open_movebank_files(files, shape, streams) : 0;
}

int run_loop(FileSetKind kind, TagRun& tag_run) {
    switch (kind) {
        case FileSetKind::v10:
            return decode_tag_blocks(tag_run);
        case FileSetKind::v9:
            return decode_tag_blocks_v9(tag_run);
        case FileSetKind::ecg:
        default:
            return run_ecg_tag_loop(tag_run);
    }
}

// Opens the file set the plan asks for, runs the loop, writes the statistics
// line and closes the files.
int run_file_set(RunContext& run, FileSetKind kind, TagDataPath& data, uint8_t* open_block,
                 const OutputPlan& run_plan, TagState& state, const char* prefix) {
    OutputPlan plan = run_plan;
    // The MOVEBANK files of GPS-acceleration tags always hold the acceleration.
    if (kind != FileSetKind::ecg && plan.movebank) {
        plan.acc = true;
    }
    const FileSetShape shape = shape_of(kind, plan);
    TagFileSet files(run.con, *run.outputs, prefix, state.tag_number);
    TagStreams streams;
    if (open_file_set(files, shape, run.con, streams) != 0) {
        return -1;
    }

    state.stats = TagStatistics{};
    state.connect_time = 0;
    write_version_line(*streams.info);
    if (shape.info_in_main) {
        streams.info = streams.main;
    }

    TagRun tag_run{run, data, open_block, plan, state, streams};
    int rv = run_loop(kind, tag_run);
    if (shape.stats_only) {
        print_stats_line(files.stats.out(), state.tag_number, state);
    }
    if (files.close_all() != 0) {
        rv = -1;
    }
    return rv;
}

}  // namespace

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

int run_tag(RunContext& run, uint32_t tag_number, const OutputPlan& plan, const char* prefix,
            TagSource source) {
    Console& con = run.con;
    OutStream& out = con.out();
    TagState state;
    state.tag_number = tag_number;

    IndexedTagData data(con, tag_number, source);
    if (data.open_raw() != 0) {
        con.file_error("Couldn't open file", data.raw_name());
        return -1;
    }

    // Everything up to the choice of the loop; -1 on a failure, already printed.
    uint8_t open_block[kOpenBlockSize];
    auto prepare = [&]() -> int {
        uint8_t header[kHeaderSize];
        const uint64_t header_offset = data.raw_offset();
        if (check_container_header(con, data.raw_read(header, kHeaderSize), header, kGen5Magics) !=
            0) {
            return -1;
        }
        // The flash image begins with the container header.
        if (data.image_write_from_raw(header, kHeaderSize, header_offset,
                                      "Couldn't write file info") !=
            static_cast<ssize_t>(kHeaderSize)) {
            return -1;
        }
        if (data.raw_read(open_block, kUnitSize) != static_cast<ssize_t>(kUnitSize)) {
            out.put("Couldn't read data\n");
            return -1;
        }
        if (!is_open_block_unit(open_block) ||
            data.raw_read(open_block + kUnitSize, kOpenBlockSize - kUnitSize) !=
                static_cast<ssize_t>(kOpenBlockSize - kUnitSize)) {
            out.put("Unexpected data instead of open block\n");
            return -1;
        }
        clear_flash_start_low_bits(open_block);
        return 0;
    };

    int rv = prepare();
    if (rv == 0) {
        const uint8_t type = open_block[kObTagType];
        const uint8_t version = open_block[kObSoftwareVersion];
        if (type == kTagTypeGpsAcc && version == 10) {
            rv = run_file_set(run, FileSetKind::v10, data, open_block, plan, state, prefix);
        } else if (type == kTagTypeGpsAcc && version == 9) {
            rv = run_file_set(run, FileSetKind::v9, data, open_block, plan, state, prefix);
        } else if (type == kTagTypeEcg && version == 1) {
            rv = run_file_set(run, FileSetKind::ecg, data, open_block, plan, state, prefix);
        } else if (type == kTagTypeGpsAcc || type == kTagTypeEcg) {
            out.put("B5:Unknown tag software version\n");
            fatal_stop(UNSUPPORTED_PRODUCT);
        } else {
            out.printf("Unknown tag type %hhu\n", type);
            rv = -1;
        }
    }
    data.close_and_remove();
    return rv;
}

}  // namespace dec
