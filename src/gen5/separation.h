// Splitting a generation-5 container into one temporary file per tag.
#pragma once

#include <cstdint>

#include "common/console.h"
#include "common/container_result.h"
#include "common/progress.h"
#include "gen5/container_index.h"
#include "store/tag_files.h"

namespace dec {

// Checks the container header and gives every tag its raw stream: the
// header, then each
// open block (start address rounded down to 64) with the units that followed
// it. With an `index`, the streams are recorded there as runs of the container,
// which stays open (unless the index runs full: then, as without an index, the
// streams are copied into "tag%u.tmp" in the output folder, whose names are in the index's
// copies(); without an index the copies are the caller's to delete). Tag
// numbers go into `tags` (kMaxTags entries, kNoTag after the last). `ok`,
// `failed` or `cannot_open`. The container's size, three times, is the
// total of `progress` (see progress.h).
ContainerResult separate_container(Console& con, const char* path, uint32_t* tags,
                                   const OutputFolder& folder, ContainerIndex* index = nullptr,
                                   Progress* progress = nullptr);

}  // namespace dec
