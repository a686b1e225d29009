// Interaction (proximity) tags of generation 3.
#pragma once

#include <cstdint>

#include "gen3/gen3_container.h"
#include "gen5/tag_data.h"

namespace dec {

// The interaction tag run: joins the tag's downloads and writes its proximity
// records. `first_block` is the tag's first open block (zero-filled
// kGen3OpenBufferSize bytes); the raw stream stands behind it and the flash image
// behind its header. 0 or -1.
int run_interaction_tag(Gen3Context& ctx, uint32_t tag_number, const uint8_t* first_block,
                        TagDataPath& data, uint32_t action);

}  // namespace dec
