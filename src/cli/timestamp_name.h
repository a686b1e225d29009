// Input files named after their download time, "2019-5-3-7-0-9_L12.bin", give
// every output file a prefix with that time ("2019-05-03-07-00-09_"), so that
// the outputs of several downloads can share one folder.
#pragma once

#include <cstddef>

#include "common/outstream.h"

namespace dec {

// Checks the base name of `path` and writes the prefix into `prefix` (64 bytes).
// Returns false, after printing why, when the name is not a time-stamped name.
bool parse_timestamp_filename(const char* path, char* prefix, size_t prefix_size, OutStream& con);

}  // namespace dec
