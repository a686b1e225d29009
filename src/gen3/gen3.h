// Generation-3 containers.
#pragma once

#include <cstdint>

#include "common/run_context.h"

namespace dec {

// Splits a generation-3 container and decodes its tags. 0 on success, or -1 to
// -4 (see the run controller's result mapping).
// The plan for one tag: the early-tag and z-axis variants set by the tag
// number, whatever the caller passed in them.
OutputPlan gen3_tag_plan(uint32_t tag_number, OutputPlan plan);

int separate_gen3(RunContext& run, const char* path, const char* output_dir,
                  const OutputPlan& plan);

}  // namespace dec
