// Generation-3 containers.
#pragma once

#include <cstdint>

#include "common/container_result.h"
#include "common/run_context.h"

namespace dec {

// The plan for one tag: the early-tag and z-axis variants set by the tag
// number, whatever the caller passed in them.
OutputPlan gen3_tag_plan(uint32_t tag_number, OutputPlan plan);

// Splits a generation-3 container and decodes its tags.
ContainerResult separate_gen3(RunContext& run, const char* path, const char* output_dir,
                              const OutputPlan& plan);

}  // namespace dec
