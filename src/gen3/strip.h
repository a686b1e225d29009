// The per-tag step of generation 3: check a tag's temporary file, read its
// first open block, hand the tag to its decoder by type, delete the temporary
// files.
#pragma once

#include <cstdint>

#include "common/output_plan.h"
#include "gen3/gen3_container.h"

namespace dec {

// The tag's downloads are in the separation's temporary file `raw_name`.
// 0 when the tag was processed or skipped, -1 on a failure (message printed).
int strip(Gen3Context& ctx, uint32_t tag_number, const char* raw_name, const OutputPlan& plan);

}  // namespace dec
