// Run-wide state: what the run controller owns from start to end of a run.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/console.h"

namespace dec {

struct RunContext {
    explicit RunContext(Console& c) : con(c) {}

    Console& con;
    uint32_t action = 0;
    // Text put in front of every per-tag output name (time-stamped input names).
    char prefix[64] = {0};
    // Bad units of all tags, reported in the closing line.
    uint32_t bad_blocks = 0;
    // Interactive runs end with the exit prompt.
    bool interactive = false;
    // Threads that may decode generation-5 tags side by side (1: one after
    // the other), and the spectrum-table memory of one tag.
    unsigned workers = 1;
    size_t dft_cache_bytes = size_t{96} << 20;
};

}  // namespace dec
