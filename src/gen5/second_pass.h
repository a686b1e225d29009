// Steps that every generation-5 decoding loop takes around its unit loop.
#pragma once

#include <cstdint>

#include "gen5/container.h"
#include "gen5/first_pass.h"
#include "gen5/tag_loop.h"

namespace dec {

// Rewinds the flash image and checks its header; prints "Now uncompressing"
// and the base-station information. 0, or -1 (message printed).
int begin_second_pass(TagRun& tag);

// Both passes over a tag's data: the first pass (gather_tag_stream into `s`),
// the start of the second and the outputs' heads, then every unit of the flash
// image handed to `unit`, the processed bytes counted. 0, or -1 (message
// printed).
template <class Unit>
int pass_over_units(TagRun& tag, StreamState& s, LoopFamily family, Unit&& unit) {
    if (gather_tag_stream(tag, s, family) != 0 || begin_second_pass(tag) != 0 ||
        tag.out.write_heads() != 0) {
        return -1;
    }
    uint8_t u[kUnitSize];
    ProgressMeter meter(tag.run.progress, 0);
    while (tag.data.image_read(u, kUnitSize) == static_cast<ssize_t>(kUnitSize)) {
        unit(u);
        tag.state.processed_bytes += kUnitSize;
        meter.at(tag.state.processed_bytes);
    }
    return 0;
}

// Summary of the unit loop: processed bytes on the console, 0xFE units in the
// information stream; the tag's bad units join the run's count.
void end_unit_loop(TagRun& tag, uint32_t fe_units);

// The closing sentence about the tag's last download.
// The closing sentence about the tag's last download; whether it was complete
// goes into the tag's state.
void print_last_download_line(OutStream& info, TagState& state, const StreamState& s);

}  // namespace dec
