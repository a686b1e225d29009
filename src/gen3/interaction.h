// Interaction (proximity) tags of generation 3.
#pragma once

#include <cstdint>

#include "common/output_plan.h"
#include "gen3/gen3_container.h"
#include "store/tag_data.h"

namespace dec {

// The interaction tag run: joins the tag's downloads into the flash image,
// decodes it in 512-byte blocks, appends the contacts to "intact.txt" (shared by
// all interaction tags of the run; the first one empties it) and writes the
// protocol "tag%i.txt". `first_block` is the tag's first open block
// (zero-filled kGen3OpenBufferSize bytes); the raw stream stands behind it and
// the flash image behind its header. A legacy tag (plan.gen3) is taken as it
// is (no version checks, no configuration). 0 or -1 (message printed); ends the
// program with exit code 17 when the image holds a block of unknown type or a
// repeated tail cannot be overwritten.
int run_interaction_tag(Gen3Context& ctx, uint32_t tag_number, const uint8_t* first_block,
                        TagDataPath& data, const OutputPlan& plan);

}  // namespace dec
