#include "gen3/strip.h"

#include "gen3/gps_acc_run.h"
#include "gen3/interaction.h"
#include "gen3/separate.h"
#include "store/tag_data.h"

namespace dec {

namespace {

int strip_body(Gen3Context& ctx, uint32_t tag_number, const OutputPlan& run_plan,
               TempFileTagData& data) {
    Console& con = ctx.run.con;
    OutStream& out = con.out();
    uint8_t header[kGen3HeaderSize];
    if (check_container_header(con, data.raw_read(header, kGen3HeaderSize), header, kGen3Magics) !=
        0) {
        return -1;
    }
    if (data.create_image() != 0) {
        con.file_error("Couldn't open file for writing", data.image_name());
        return -1;
    }
    const ssize_t w = data.write_image_header(header, kGen3HeaderSize);
    if (w < 0) {
        return -1;
    }
    if (w != static_cast<ssize_t>(kGen3HeaderSize)) {
        out.printf("Could write only %i of first 512 Bytes of file.\n", static_cast<int>(w));
        return -1;
    }

    uint8_t block[kGen3OpenBufferSize] = {};
    const bool long_form = ctx.long_form();
    if (data.raw_read(block, kGen3RecordSize) != static_cast<ssize_t>(kGen3RecordSize)) {
        out.put("Couldn't read data\n");
        return -1;
    }
    bool open = is_open_head(block, long_form);
    if (open && long_form) {
        const size_t rest = kGen3LongOpenSize - kGen3RecordSize;
        open = data.raw_read(block + kGen3RecordSize, rest) == static_cast<ssize_t>(rest);
    }
    if (!open) {
        out.put("Unexpected data instead of open block\n");
        return -1;
    }
    clear_fufa_low_bits(block, long_form);

    const Gen3OpenBlock first = decode_open_block(block, long_form);
    const OutputPlan plan = plan_for_tag(run_plan, tag_number, first);
    if (plan.gen3.early_tag || plan.gen3.z_axis_tag) {
        return run_gps_acc_tag(ctx, tag_number, block, data, plan);
    }
    const uint8_t tag_type = first.tag_type;
    switch (tag_type) {
        case kGen3TypeOldInteraction:
            // Only the old interaction tags' numbers are taken (as they are).
            if (plan.gen3.legacy) {
                return run_interaction_tag(ctx, tag_number, block, data, plan);
            }
            return 0;
        case kGen3TypeIgnored:
            return 0;
        case kGen3TypeGpsAcc4:
        case kGen3TypeGpsAcc5:
            return run_gps_acc_tag(ctx, tag_number, block, data, plan);
        case kGen3TypeInteraction:
            return run_interaction_tag(ctx, tag_number, block, data, plan);
        default:
            out.printf("Unknown tag type %hhu\n", tag_type);
            return -1;
    }
}

}  // namespace

int strip(Gen3Context& ctx, uint32_t tag_number, const char* raw_name, const OutputPlan& plan) {
    TempFileTagData data(ctx.run.con, ctx.run.folder.at, tag_number, raw_name);
    if (data.open_raw() != 0) {
        ctx.run.con.file_error("Couldn't open file", raw_name);
        return -1;
    }
    const int rv = strip_body(ctx, tag_number, plan, data);
    data.close_and_remove();
    return rv;
}

}  // namespace dec
