// Decoding the tags of an indexed container side by side.
//
// Tags are independent once the container is indexed: each reads its own
// downloads and writes its own files. Several threads decode tags ahead while
// the run hands out each tag's results in tag order, so the console, the
// files and the result are those of decoding one tag after the other:
// - a tag's console text is logged and replayed on the console at its turn;
// - its output set is given its names at its turn (a tag run one after the
//   other does that when it ends); when an earlier tag stops the run, the
//   outputs of the tags decoded ahead are deleted, so files of the same names
//   from before the run stay as they were;
// - its bad units join the run's count at its turn, and a fatal stop of a
//   tag stops the run at its turn.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/run_context.h"
#include "gen5/container_index.h"

namespace dec {

// Decodes tags[0 .. count) with up to run.workers threads. Returns 0, or -1
// when a tag failed (the run stops after it); a fatal stop of a tag is
// rethrown at its turn. Prints the tag heading before each tag's text.
// The turn of the tag at `index` (tag number `tag`): the progress line moves
// on to it and its heading is printed and shown at once.
void announce_gen5_tag(RunContext& run, size_t index, uint32_t tag);

int run_tags_side_by_side(RunContext& run, const uint32_t* tags, size_t count,
                          const ContainerIndex& index);

}  // namespace dec
