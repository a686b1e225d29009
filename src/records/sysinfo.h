// Paragraphs of the system information events of generation-5 and
// generation-3 tags.
//
// The block loop hands the 63 payload bytes behind the block type to one of
// the event decoders (software-10, software-9, ECG, generation-3 tags); each
// turns the record into a SysinfoEvent (sysinfo_record.h) and writes a short
// paragraph to the tag's information stream. Events change no decoding state.
#pragma once

#include <cstdint>

#include "common/output_plan.h"
#include "common/outstream.h"
#include "records/sysinfo_record.h"

namespace dec {

// The reset-cause lines exist in two wordings: generation-5 tags say
// "Software trigger" / "Hardware trigger", generation-3 tags "Software reset" /
// "Hardware reset"; all other lines are the same.
enum class ResetWording : uint8_t { gen5, gen3 };

// One line per cause found in the reset-source byte RS, highest bit first.
void print_reset_causes(OutStream& out, uint8_t rs, ResetWording wording);

// Software-10 GPS-acceleration tags. `record` holds kSysinfoRecordSize bytes.
void decode_sysinfo(const uint8_t* record, OutStream& info, const OutputPlan& plan,
                    uint32_t tag_number);

// Software-9 tags; the serial number selects the older or the newer layout.
void decode_sysinfo_v9(const uint8_t* record, OutStream& info, const OutputPlan& plan,
                       uint32_t tag_number);

// ECG tags: reset, low-battery and error events.
void decode_sysinfo_ecg(const uint8_t* record, OutStream& info, const OutputPlan& plan);

// Generation-3 GPS-acceleration tags (block 0x02): before software 7 a reset
// report (tag time, reset source, voltage monitor); from software 7 on a
// subtype byte first and then the ECG tags' events, in the reset wording of
// generation 3.
void decode_sysinfo_gen3(const uint8_t* payload, OutStream& info, const OutputPlan& plan);

}  // namespace dec
