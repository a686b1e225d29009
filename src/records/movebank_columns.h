// The columns of the MOVEBANK files (key m), by file and tag layout: the
// headers are printed from these tables and so are the files' type sidecars.
#pragma once

#include "common/columns.h"
#include "common/output_plan.h"
#include "records/tag_layout.h"

namespace dec {

// The columns of MOVEBANK file `file` (gps, acc, quat, mag or ecg) of a tag of
// `layout`; an empty table for a file that holds no MOVEBANK columns.
ColumnTable movebank_columns(TagFile file, TagLayout layout);

// The GPS columns every layout has: the header of a generation-3 tag ends
// with them.
ColumnTable movebank_gps_start();

}  // namespace dec
