#include "gen3/interaction.h"

namespace dec {

// Interaction tags are not decoded yet: the tag is skipped without output.
int run_interaction_tag(Gen3Context&, uint32_t, const uint8_t*, TagDataPath&, uint32_t) {
    return 0;
}

}  // namespace dec
