// System information of generation-3 GPS-acceleration tags (block 0x02).
#pragma once

#include <cstdint>

#include "common/output_plan.h"
#include "common/outstream.h"

namespace dec {

// `payload` follows the block type: before software 7 a reset report (tag
// time, reset source, voltage monitor); from software 7 on a subtype byte
// first: 0 reset report, 1 stop for low battery, 2 error report.
void decode_sysinfo_gen3(const uint8_t* payload, OutStream& info, const OutputPlan& plan);

}  // namespace dec
