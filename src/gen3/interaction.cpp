#include "gen3/interaction.h"

#include "common/fatal.h"
#include "common/text_file.h"
#include "gen3/gps_acc_run.h"
#include "gen3/interaction_block.h"
#include "gen3/interaction_join.h"
#include "records/tag_output.h"
#include "settings/gen3_config.h"
#include "store/tag_data.h"
#include "store/tag_file_set.h"

namespace dec {

namespace {

constexpr const char* kIntactFileName = "intact.txt";

// Block types the variant knows; the old TX form only comes from tags that
// are joined with the repeated-data check.
bool known_block_type(uint8_t type, IntactVariant variant) {
    return type == kIntactRxBlock || type == kIntactTxBlock ||
           (type == kIntactOldTxBlock && variant == IntactVariant::repeat_checked);
}

// Pass 2: decodes the flash image in 512-byte blocks. 0 or -1; ends the
// program with exit code 17 at a block of unknown type.
int decode_intact_image(IntactJoin& j, uint32_t tag_number, OutStream& intact) {
    Console& con = j.ctx.run.con;
    OutStream& out = con.out();
    uint8_t header[kGen3HeaderSize];
    if (reread_image_header(con, j.data, header, kGen3Magics) != 0) {
        return -1;
    }
    OutStream& protocol = j.protocol;
    protocol.put("\nNow uncompressing data (please wait...):\n\n");
    print_basestation_info(header, protocol);

    // Appended images may hold cut-off bytes behind their valid data.
    const bool counted = j.variant == IntactVariant::appended;
    const uint64_t block_limit = j.st.number_of_valid_bytes_on_output / kIntactBlockSize;
    uint8_t block[kIntactBlockSize];
    uint64_t address = 0;
    for (uint64_t blocks = 0; !counted || blocks < block_limit; ++blocks) {
        if (j.data.image_read(block, kIntactBlockSize) != static_cast<ssize_t>(kIntactBlockSize)) {
            break;
        }
        const uint8_t type = block[0];
        if (!known_block_type(type, j.variant)) {
            const auto at = static_cast<unsigned long long>(address);
            protocol.printf("########### Invalid blocktype 0x%02X addr 0x%02llX\n", type, at);
            out.printf("########### Invalid blocktype 0x%02X addr 0x%02llX\nPress enter...\n", type,
                       at);
            fatal_stop(INTERNAL_ERROR);
        }
        write_intact_block(block, j.st.ref_tag_number, j.ctx.intact_interval, protocol, intact);
        address += kIntactBlockSize;
    }
    print_end_of_tag(protocol, tag_number, j.st.expected, j.st.received);
    return 0;
}

}  // namespace

int run_interaction_tag(Gen3Context& ctx, uint32_t tag_number, const uint8_t* first_block,
                        TagDataPath& data, const OutputPlan& plan) {
    Console& con = ctx.run.con;
    OutStream& out = con.out();
    ctx.intact_interval = 0;
    IntactVariant variant = IntactVariant::repeat_checked;
    if (!plan.gen3.legacy) {
        print_gen3_interaction_config(first_block, ctx.long_form(), plan.gen3.legacy, out,
                                      ctx.intact_interval);
        switch (decode_open_block(first_block, ctx.long_form()).sw_version) {
            case 1:
            case 2:
                break;
            case 6:
                variant = IntactVariant::appended;
                break;
            default:
                out.put("Unknown tag software version\n");
                return -1;
        }
    }

    // The first interaction tag starts the run's contact file; what an
    // earlier run left under its name is replaced when the run ends.
    TextFile& intact = ctx.intact;
    if (!intact.is_open() && intact.open(con, ctx.run_outputs, kIntactFileName) != 0) {
        return -1;
    }
    TagFileSet files(con, *ctx.run.outputs, nullptr, tag_number);
    OutStream* protocol = files.open(TagFile::all);
    if (protocol == nullptr) {
        return -1;
    }
    write_version_line(*protocol);

    IntactJoin join{ctx, data, *protocol, plan, first_block, variant, {}};
    start_intact_join(join);
    int rv = join_intact_downloads(join);
    if (rv == 0) {
        rv = decode_intact_image(join, tag_number, intact.out());
    }
    // The contact file stays open for the next interaction tag; what this
    // tag added must have reached it.
    if (intact.out().flush() != 0) {
        intact.close();
        rv = -1;
    }
    if (files.close_all() != 0) {
        rv = -1;
    }
    return rv;
}

}  // namespace dec
