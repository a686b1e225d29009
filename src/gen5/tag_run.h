// The run of one generation-5 tag: its temporary files, outputs and decoding
// loop.
#pragma once

#include <cstdint>

#include "common/outstream.h"
#include "common/run_context.h"
#include "gen5/indexed_tag_data.h"

namespace dec {

// Decodes a tag from its raw stream: the runs of the container in `source`,
// or (without runs) the temporary file "tag%u.tmp" the separation wrote, which
// is deleted afterwards. 0, or -1 when the tag failed (the run stops).
// The outputs follow run.plan and begin with run.prefix.
int run_tag(RunContext& run, uint32_t tag_number, TagSource source = {});

}  // namespace dec
