// Steps that every generation-5 decoding loop takes around its unit loop.
#pragma once

#include <cstdint>

#include "gen5/first_pass.h"
#include "gen5/tag_loop.h"

namespace dec {

// Rewinds the flash image and checks its header; prints "Now uncompressing"
// and the base-station information. 0, or -1 (message printed).
int begin_second_pass(TagRun& tag);

// Summary of the unit loop: processed bytes on the console, 0xFE units in the
// information stream; the tag's bad units join the run's count.
void end_unit_loop(TagRun& tag, uint32_t fe_units);

// The closing sentence about the tag's last download.
void print_last_download_line(OutStream& info, uint32_t tag_number, const StreamState& s);

}  // namespace dec
