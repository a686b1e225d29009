// Generation-3 containers.
#pragma once

#include <cstdint>

#include "common/container_result.h"
#include "common/run_context.h"

namespace dec {

// The action word for one tag: ACT_GEN3_EARLY_TAG and ACT_GEN3_Z_AXIS_TAG set
// by the tag number, whatever the caller passed in them.
uint32_t gen3_tag_action(uint32_t tag_number, uint32_t action);

// Splits a generation-3 container and decodes its tags.
ContainerResult separate_gen3(RunContext& run, const char* path, const char* output_dir,
                              uint32_t action);

}  // namespace dec
