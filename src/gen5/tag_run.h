// The run of one generation-5 tag: its temporary files, output file set,
// decoding loop and statistics line.
#pragma once

#include <cstdint>

#include "common/outstream.h"
#include "common/run_context.h"
#include "common/tag_state.h"

namespace dec {

// Decodes the tag whose downloads the separation left in "tag%u.tmp" and
// deletes its temporary files. 0, or -1 when the tag failed (the run stops).
int run_tag(RunContext& run, uint32_t tag_number, uint32_t action, const char* prefix);

// The STATS line of a tag (one line, with its line end).
void print_stats_line(OutStream& out, uint32_t tag_number, const TagState& state);

}  // namespace dec
