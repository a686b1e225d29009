// Decoders of the acceleration bursts of generation-5 GPS-acceleration tags.
//
// The block loop joins the payloads of a burst's units (start 0x40 or 0x44 and
// their continuations, at most 30 units) and calls one of these once per
// complete record. A decoder checks the record's length and checksum, counts it
// into the tag statistics (software 10 only), unpacks the samples into
// ctx.buffers.burst and writes the burst in the form the output plan selects
// (acc_output.h). Dropped records leave no trace in the output.
#pragma once

#include <cstdint>

#include "records/acc_context.h"

namespace dec {

// Software-10 bursts. Variant 0 (units 0x40/0x41) sums with a zero seed,
// variant 1 (units 0x44/0x45) seeds the checksum with the tag number.
void decode_acc_burst(const uint8_t* record, uint32_t length, int variant, AccContext& ctx);

// Software-9 bursts (units 0x40/0x41): no statistics, no variant, the MMA8452
// rule for tags whose settings (record version 7) give an all-ones feature
// word, per-axis rate codes for the special-edition tags, rate code 100 for
// 12 Hz on X, Y and Z, and no "ACC," in front of statistics and rows.
void decode_acc_burst_v9(const uint8_t* record, uint32_t length, AccContext& ctx);

// Generation-3 bursts (blocks 0x40 to 0x5F joined, 63 bytes each): the
// software-10 layout; from software 6 on checked (ctx.plan.gen3.acc_checked)
// and changed in place by the check. The tag number (plan.gen3) decides the
// axes: one Z axis, or one unnamed series of early tags at a nominal rate.
void decode_acc_burst_gen3(uint8_t* record, uint32_t length, AccContext& ctx);

}  // namespace dec
