// Decoders of the IMU records of generation-5 tags: NEWACC and QUATCMP.
//
// The block loop joins the payloads of a record's units (start 0x42 or 0x50
// and their continuations, at most 30 units) and calls one of these once per
// complete record. Both records carry a fine time stamp besides the tag time,
// so their lines are stamped to sub-seconds. NEWACC bursts are written in the
// acceleration output forms (acc_output.h); a QUATCMP burst is one "IMU," line
// to ctx.quat or, with MOVEBANK, one line each to ctx.quat and ctx.mag.
#pragma once

#include <cstdint>

#include "records/acc_context.h"

namespace dec {

void decode_newacc(const uint8_t* record, uint32_t length, AccContext& ctx);

// Counts the record into the QUATCMP byte count whatever the plan; it is
// written only for acceleration output in the line form.
void decode_quatcmp(const uint8_t* record, uint32_t length, AccContext& ctx);

}  // namespace dec
