// Generation-3 containers.
#pragma once

#include <cstdint>

#include "common/run_context.h"

namespace dec {

// Splits a generation-3 container and decodes its tags. 0 on success, or -1 to
// -4 (see the run controller's result mapping).
int separate_gen3(RunContext& run, const char* path, const char* output_dir, uint32_t action);

}  // namespace dec
