// Splitting a generation-3 container into one temporary file per tag.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

#include "common/buffered_file.h"
#include "common/console.h"
#include "common/container_result.h"
#include "gen3/gen3_container.h"

namespace dec {

// Record reader of the splitting variant A. Base stations of container version
// V1.1 could write an open block off the 64-byte grid (after an incomplete
// record); for that version the reader looks one record ahead and re-aligns to
// every open block whose signature starts inside the next record, dropping the
// incomplete record in front of it. Other versions are read on the fixed grid.
class RecordResync {
  public:
    RecordResync(Console& con, BufferedReader& in, uint32_t container_version)
        : con_(con), in_(in), resync_(container_version == kGen3ResyncVersion) {}

    // 64 when a record was delivered into `record`; for V1.1 0 at the end of the
    // input, otherwise the short count at the end; -1 on an error.
    ssize_t read_record_resync(uint8_t* record);

  private:
    Console& con_;
    BufferedReader& in_;
    bool resync_;
    uint8_t window_[2 * kGen3RecordSize] = {};
    bool primed_ = false;
    bool exhausted_ = false;
    bool back_incomplete_ = false;
};

// Fills `tags` (kMaxTags entries) with the tag numbers in order of first
// appearance, writing "tag%u.tmp" for each into the run's output folder. Sets
// ctx.container_version. `ok`, `failed` or `cannot_open`.
ContainerResult separate(Gen3Context& ctx, const char* path, uint32_t* tags);

}  // namespace dec
