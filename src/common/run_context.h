// Run-wide state: what the run controller owns from start to end of a run.
#pragma once

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
};

}  // namespace dec
