// Joining the downloads of an interaction tag into its flash image.
//
// Interaction data is decoded in whole 512-byte blocks, so the joining keeps
// the flash image on that grid. Tags of software versions 1 and 2 (and the
// legacy tags, plan.gen3.legacy) send from the address of their last
// complete download on: a repeated tail is detected and overwritten as for the
// GPS-acceleration tags, and when a download does not continue the previous
// one, the incomplete last block of the previous one is dropped. Tags of
// software version 6 send only new data: downloads are appended, and a download
// that broke off is cut back to the last block that surely arrived whole.
#pragma once

#include <cstdint>

#include "common/output_plan.h"
#include "common/outstream.h"
#include "gen3/gen3_container.h"
#include "gen3/tag_stream.h"
#include "store/tag_data.h"

namespace dec {

enum class IntactVariant : uint8_t {
    repeat_checked,  // software versions 1 and 2, legacy tags
    appended,        // software version 6
};

// The joining's position and what arrives, counted in 64 bits as for the
// GPS-acceleration tags.
struct IntactJoinState : Gen3JoinPosition {
    // The current download: what arrived (what the tag offered is `expected`).
    uint64_t received = 0;
    // appended: data bytes in the flash image.
    uint64_t number_of_valid_bytes_on_output = 0;
};

// What the joining of one interaction tag works on. `protocol` is the tag's
// protocol file; `first_block` its first open block (zero-filled
// kGen3OpenBufferSize bytes).
struct IntactJoin {
    Gen3Context& ctx;
    TagDataPath& data;
    OutStream& protocol;
    OutputPlan plan;
    const uint8_t* first_block;
    IntactVariant variant;
    IntactJoinState st;
};

// Sets up the state from the first open block and writes the start of the
// protocol ("Going through data:", the configuration, a note about data sent
// before this container).
void start_intact_join(IntactJoin& j);

// Reads the rest of "tag%i.tmp" into the flash image. 0 when the image is ready
// for decoding, -1 on a failure (message printed); ends the program with exit
// code 17 when a repeated tail cannot be overwritten.
int join_intact_downloads(IntactJoin& j);

}  // namespace dec
