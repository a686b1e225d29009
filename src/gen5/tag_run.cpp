#include "gen5/tag_run.h"

#include <cerrno>

#include "common/action.h"
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

namespace dec {

namespace {

enum class FileSetKind { v10, v9, ecg };

// The output files of one tag and the streams the loop writes to.
class TagFileSet {
public:
    TagFileSet(Console& con, OutputSet& outputs) : con_(con), outputs_(outputs) {}

    // Opens `name` as the next file; -1 after printing the failure.
    OutStream* open(TextFile& file, const char* name) {
        if (file.open(con_, outputs_, name) != 0) {
            con_.sys_error(kOpenTextFileError);
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
};

// Formats a per-tag name with or without the prefix argument.
void tag_file_name(char* buf, const char* fmt, bool with_prefix, const char* prefix, uint32_t tag) {
    const int t = static_cast<int>(tag);
    if (with_prefix) {
        format_into(buf, 64, fmt, prefix, t);
    } else {
        format_into(buf, 64, fmt, t);
    }
}

// Opens the file set a tag's action word asks for, runs the loop, writes the
// statistics line and closes the files.
int run_file_set(RunContext& run, FileSetKind kind, TagDataPath& data, uint8_t* open_block,
                 uint32_t action, TagState& state, const char* prefix) {
    Console& con = run.con;
    const uint32_t tag = state.tag_number;
    const bool prefixed = kind == FileSetKind::v10;
    const bool stats_only = kind == FileSetKind::v10 && (action & ACT_STATS_LINE) != 0;
    const bool movebank = kind != FileSetKind::ecg && (action & ACT_MOVEBANK) != 0;
    if (movebank) {
        action |= ACT_ACC;
    }

    TagFileSet files(con, *run.outputs);
    TagStreams streams;
    char name[64];
    if (stats_only) {
        tag_file_name(name, "stat_%stag%i.txt", true, prefix, tag);
        if (files.open(files.stats, name) == nullptr) {
            return -1;
        }
        OutStream* console = &con.out();
        streams = TagStreams{console, console, console, console, console};
    } else {
        tag_file_name(name, prefixed ? "info_%stag%i.txt" : "info_tag%i.txt", prefixed, prefix, tag);
        streams.info = files.open(files.info, name);
        if (streams.info == nullptr) {
            return -1;
        }
        const char* main_fmt = kind == FileSetKind::ecg ? "tag%i_ecg.txt"
                               : movebank ? (prefixed ? "%stag%i_gps.txt" : "tag%i_gps.txt")
                                          : main_name_format(action, prefixed);
        tag_file_name(name, main_fmt, prefixed, prefix, tag);
        streams.main = files.open(files.main, name);
        if (streams.main == nullptr) {
            return -1;
        }
        streams.acc = streams.quat = streams.mag = streams.main;
        if (movebank) {
            tag_file_name(name, prefixed ? "%stag%i_acc.txt" : "tag%i_acc.txt", prefixed, prefix,
                          tag);
            if ((streams.acc = files.open(files.acc, name)) == nullptr) {
                return -1;
            }
            if (kind == FileSetKind::v10) {
                tag_file_name(name, "%stag%i_quat.txt", true, prefix, tag);
                if ((streams.quat = files.open(files.quat, name)) == nullptr) {
                    return -1;
                }
                tag_file_name(name, "%stag%i_magnetic.txt", true, prefix, tag);
                if ((streams.mag = files.open(files.mag, name)) == nullptr) {
                    return -1;
                }
            }
        }
    }

    state.stats = TagStatistics{};
    state.connect_time = 0;
    write_version_line(*streams.info);
    if (kind == FileSetKind::v10 && (action & ACT_INFO_IN_MAIN) != 0) {
        streams.info = streams.main;
    }

    TagRun tag_run{run, data, open_block, action, state, streams};
    int rv;
    switch (kind) {
        case FileSetKind::v10:
            rv = decode_tag_blocks(tag_run);
            break;
        case FileSetKind::v9:
            rv = decode_tag_blocks_v9(tag_run);
            break;
        case FileSetKind::ecg:
        default:
            rv = run_ecg_tag_loop(tag_run);
            break;
    }

    if (stats_only) {
        print_stats_line(files.stats.out(), tag, state);
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

int run_tag(RunContext& run, uint32_t tag_number, uint32_t action, const char* prefix,
            TagSource source) {
    Console& con = run.con;
    OutStream& out = con.out();
    TagState state;
    state.tag_number = tag_number;

    IndexedTagData data(con, tag_number, source);
    if (data.open_raw() != 0) {
        con.sys_error("Couldn't open file");
        return -1;
    }

    // Everything up to the choice of the loop; -1 on a failure, already printed.
    uint8_t open_block[kOpenBlockSize];
    auto prepare = [&]() -> int {
        uint8_t header[kHeaderSize];
        const uint64_t header_offset = data.raw_offset();
        if (check_tag_header(con, data.raw_read(header, kHeaderSize), header) != 0) {
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
            rv = run_file_set(run, FileSetKind::v10, data, open_block, action, state, prefix);
        } else if (type == kTagTypeGpsAcc && version == 9) {
            rv = run_file_set(run, FileSetKind::v9, data, open_block, action, state, prefix);
        } else if (type == kTagTypeEcg && version == 1) {
            rv = run_file_set(run, FileSetKind::ecg, data, open_block, action, state, prefix);
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
