// Generation-3 containers.
#pragma once

#include "common/container_result.h"
#include "common/run_context.h"

namespace dec {

// Splits a generation-3 container and decodes its tags; the temporary files
// and outputs go into the run's output folder.
ContainerResult separate_gen3(RunContext& run, const char* path, const OutputPlan& plan);

}  // namespace dec
