#include "gen5/tag_run.h"

#include "common/fatal.h"
#include "gen5/container.h"
#include "gen5/indexed_tag_data.h"
#include "gen5/tag_loop.h"
#include "records/tag_output.h"
#include "store/tag_data.h"

namespace dec {

namespace {

// Opens the tag's outputs, runs the loop of `layout` and closes the outputs.
int run_outputs(RunContext& run, TagLayout layout, TagDataPath& data, uint8_t* open_block,
                TagState& state) {
    TagOutput out(run.con, *run.outputs, run.plan, layout, run.prefix, state);
    if (out.open() != 0) {
        return -1;
    }
    state.stats = TagStatistics{};
    state.connect_time = 0;
    TagRun tag_run{run, data, open_block, out, state};
    int rv = layout == TagLayout::ecg ? run_ecg_tag_loop(tag_run)
                                      : decode_tag_blocks(tag_run, layout == TagLayout::v9);
    if (out.close() != 0) {
        rv = -1;
    }
    return rv;
}

}  // namespace

int run_tag(RunContext& run, uint32_t tag_number, TagSource source) {
    Console& con = run.con;
    OutStream& out = con.out();
    TagState state;
    state.tag_number = tag_number;
    state.order = run.tag_index;

    IndexedTagData data(con, run.folder.at, tag_number, source);
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
        if (type != kTagTypeGpsAcc && type != kTagTypeEcg) {
            out.printf("Unknown tag type %hhu\n", type);
            rv = -1;
        } else if (type == kTagTypeEcg ? version != 1 : version != 9 && version != 10) {
            out.put("B5:Unknown tag software version\n");
            fatal_stop(UNSUPPORTED_PRODUCT);
        } else {
            const TagLayout layout = type == kTagTypeEcg ? TagLayout::ecg
                                     : version == 9      ? TagLayout::v9
                                                         : TagLayout::v10;
            rv = run_outputs(run, layout, data, open_block, state);
        }
    }
    data.close_and_remove();
    return rv;
}

}  // namespace dec
