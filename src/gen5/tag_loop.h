// What a tag's decoding loop receives from the per-tag run.
#pragma once

#include <cstdint>

#include "common/outstream.h"
#include "common/run_context.h"
#include "common/tag_state.h"
#include "store/tag_data.h"

namespace dec {

// The output streams of one tag. Streams that the plan does not ask for
// separately are the main stream; for the STATS line alone all are the console.
struct TagStreams {
    OutStream* info = nullptr;
    OutStream* main = nullptr;
    OutStream* acc = nullptr;
    OutStream* quat = nullptr;
    OutStream* mag = nullptr;
};

struct TagRun {
    RunContext& run;
    TagDataPath& data;
    uint8_t* first_open_block;  // 256 bytes, start address already rounded down
    OutputPlan plan;            // the run's plan as this tag's file set applies it
    TagState& state;
    TagStreams streams;
};

// Decoding loops by tag type and software version; 0, or -1 when the tag failed.
int decode_tag_blocks(TagRun& tag);     // GPS-acceleration tags, software version 10
int decode_tag_blocks_v9(TagRun& tag);  // GPS-acceleration tags, software version 9
int run_ecg_tag_loop(TagRun& tag);      // ECG tags

}  // namespace dec
