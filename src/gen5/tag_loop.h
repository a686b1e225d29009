// What a tag's decoding loop receives from the per-tag run.
#pragma once

#include <cstdint>

#include "common/outstream.h"
#include "common/run_context.h"
#include "common/tag_state.h"
#include "records/tag_output.h"
#include "store/tag_data.h"

namespace dec {

struct TagRun {
    RunContext& run;
    TagDataPath& data;
    uint8_t* first_open_block;  // 256 bytes, start address already rounded down
    TagOutput& out;             // the tag's files, streams and plan
    TagState& state;

    const OutputPlan& plan() const { return out.plan(); }
    OutStream& info() const { return *out.streams().info; }
};

// Decoding loops by tag type and software version; 0, or -1 when the tag failed.
// GPS-acceleration tags, software version 10 (or 9).
int decode_tag_blocks(TagRun& tag, bool version9);
int run_ecg_tag_loop(TagRun& tag);  // ECG tags

}  // namespace dec
