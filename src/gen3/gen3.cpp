#include "gen3/gen3.h"

#include "gen3/gen3_container.h"
#include "gen3/separate.h"
#include "gen3/strip.h"

namespace dec {

namespace {

// Closes the interaction tags' contact file and gives it its name; 0, or -1
// when it was lost.
int finish_run_outputs(Gen3Context& ctx) {
    int rv = ctx.intact.close();
    if (ctx.run.con.system_failures() != ctx.failures_before) {
        ctx.run_outputs.stop();
    }
    if (ctx.run_outputs.commit(ctx.run.con) != 0) {
        rv = -1;
    }
    return rv;
}

}  // namespace

ContainerResult separate_gen3(RunContext& run, const char* path, const OutputPlan& plan) {
    Gen3Context ctx(run);
    uint32_t tags[kMaxTags];
    const ContainerResult separated = separate(ctx, path, tags);
    if (separated != ContainerResult::ok) {
        return separated;
    }
    const size_t count = tag_entry(tags, kNoTag);
    if (count == 0) {
        return ContainerResult::no_tag_data;
    }
    ContainerResult result = ContainerResult::ok;
    progress_tags(run.progress, count);
    try {
        for (size_t i = 0; i < count; ++i) {
            progress_turn(run.progress, i);
            run.con.out().printf("---------- Generating data for tag%i ----------------\n",
                                 static_cast<int>(tags[i]));
            run.con.flush();
            const int tag_rv = decode_with_outputs(
                run, [&] { return strip(ctx, tags[i], ctx.tag_files.name_of(i), plan); });
            if (tag_rv != 0) {
                result = ContainerResult::tag_failed;
                break;
            }
        }
    } catch (...) {
        finish_run_outputs(ctx);
        throw;
    }
    if (finish_run_outputs(ctx) != 0) {
        result = ContainerResult::tag_failed;
    }
    return result;
}

}  // namespace dec
