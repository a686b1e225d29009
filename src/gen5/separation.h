// Splitting a generation-5 container into one temporary file per tag.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/console.h"

namespace dec {

inline constexpr size_t kMaxTags = 1000;
inline constexpr uint32_t kNoTag = 0xFFFFFFFF;

// Checks the container header, enters the output directory (if given) for the
// rest of the run and copies every download of every tag into "tag%u.tmp": the
// header, then each open block (start address rounded down to 64) with the units
// that followed it. Tag numbers go into `tags` (kMaxTags entries, kNoTag after
// the last). Returns 0, -1 on failure, -2 when the input cannot be opened.
int separate_container(Console& con, const char* path, uint32_t* tags, const char* output_dir);

// The copying loop on an input descriptor standing at offset 0.
int split_into_tag_files(Console& con, int fd, uint32_t* tags);

}  // namespace dec
