// Block decoding of generation-3 GPS-acceleration tags.
#pragma once

#include <cstdint>

#include "common/output_plan.h"
#include "common/outstream.h"
#include "gen3/gen3_container.h"
#include "store/tag_data.h"

namespace dec {

// The GPS-acceleration tag run (`plan` from plan_for_tag): opens the output
// files the plan asks for,
// joins the downloads into the flash image and decodes it block by block.
// `first_block` is the tag's first open block (zero-filled kGen3OpenBufferSize
// bytes); the raw stream stands behind it and the flash image behind its header.
// 0 or -1.
int run_gps_acc_tag(Gen3Context& ctx, uint32_t tag_number, const uint8_t* first_block,
                    TagDataPath& data, const OutputPlan& plan);

// "basestation info:" with the header's rewrite counter, text, version text and
// base-station id.
void print_basestation_info(const uint8_t* header, OutStream& info);

// "Processed ... kBytes with ... bad kBytes": the flash image read by the block
// decoding and its bad 64-byte blocks, both in whole kBytes.
void print_processed_kbytes(OutStream& out, uint64_t image_bytes, uint32_t bad_blocks);

// "The last download for tag%i was a COMPLETE data download." and its siblings.
DownloadBalance::Kind print_end_of_tag(OutStream& info, uint32_t tag_number, uint32_t expected,
                                       uint64_t received);

// The run's plan as generation 3 applies it to one tag: the variants that its
// number and its first open block decide (Gen3TagVariant), whatever the caller
// passed in them.
OutputPlan plan_for_tag(OutputPlan plan, uint32_t tag_number, const Gen3OpenBlock& first);

}  // namespace dec
