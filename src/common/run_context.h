// Run-wide state: what the run controller owns from start to end of a run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "common/console.h"
#include "common/leap_seconds.h"
#include "common/memory_budget.h"
#include "common/output_folder.h"
#include "common/output_plan.h"
#include "common/output_set.h"
#include "common/progress.h"

namespace dec {

// Memory for the tables that spectra of bursts built to put their bins on
// integers keep (dsp/table_order.h): one of the longest axis a spectrum takes
// (2000 samples, 31 MiB), or two of the longest a record of 30 units holds
// (1254 samples).
inline constexpr size_t kSpectrumTableBytes = size_t{32} << 20;

struct RunContext {
    explicit RunContext(Console& c) : con(c) {}

    Console& con;
    // Where every output and temporary file of the run goes, held open by the
    // run controller for the whole run (tests of parts of a run set their own).
    OutputFolder folder;
    // The current tag's output files; set by whoever runs the tag.
    OutputSet* outputs = nullptr;
    OutputPlan plan;
    // The leap-second table of a run with --utc, loaded once; plan.utc points
    // to it.
    std::optional<LeapSeconds> leap_seconds;
    // Text put in front of every per-tag output name (time-stamped input names).
    char prefix[64] = {0};
    // Bad units of all tags, reported in the closing line.
    uint32_t bad_blocks = 0;
    // Interactive runs end with the exit prompt.
    bool interactive = false;
    // Threads that may decode generation-5 tags side by side (1: one after
    // the other).
    unsigned workers = 1;
    // What the spectra's tables of all tags may take together (shared with
    // the runs of tags decoded side by side).
    std::shared_ptr<MemoryBudget> spectrum_tables =
        std::make_shared<MemoryBudget>(kSpectrumTableBytes);
    // Where the passes over the data report how far they are (none in tests
    // that run parts of a run).
    Progress* progress = nullptr;
    // Set: the records go to these tables instead of text files (the plan
    // takes them over).
    RecordTables* tables = nullptr;
    // The position of the tag being decoded among the run's tags.
    uint32_t tag_index = 0;
};

// Runs `decode` (0 or -1) for one tag whose outputs go into a fresh output
// set, then gives the outputs their names: a tag that decoded without
// failure but lost an output fails. A tag stopped by damaged data (a fatal
// stop) still commits what it wrote before the stop goes on; a tag that met
// a failure of the system commits nothing.
template <class Decode>
int decode_with_outputs(RunContext& run, Decode&& decode) {
    OutputSet outputs(run.con.sys(), run.folder.at);
    OutputSet* const outer = run.outputs;
    run.outputs = &outputs;
    const uint64_t failures = run.con.system_failures();
    auto finish = [&] {
        run.outputs = outer;
        if (run.con.system_failures() != failures) {
            outputs.stop();
        }
        return outputs.commit(run.con);
    };
    int rv;
    try {
        rv = decode();
    } catch (...) {
        finish();
        throw;
    }
    if (finish() != 0) {
        rv = -1;
    }
    return rv;
}

}  // namespace dec
