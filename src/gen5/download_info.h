// Download information of open blocks and the close-information blocks that a
// base station writes after each download.
//
// Close-information block (256 bytes, four units):
//   0 u8 type 0x02 | 1 u32 magic 0x79F02AB6 | 5 four characters
//   9 u16 local address (0xFF00: the download did not go through a radio base
//   station) | 11 u16 remote address | 13 u8 signal strength | 14 u16 duration, s
//   16 u16 base-station battery, mV | 18 11 x u16 receiver counters
//   42 u32 tag connect time, UTC seconds (local address 0xFF00 only)
//   46 u32 download start time | 50 u16 error counter
#pragma once

#include <cstdint>

#include "common/output_plan.h"
#include "common/outstream.h"
#include "store/tag_data.h"

namespace dec {

// "Data download:" paragraph of an open block: base station, download time,
// bytes still to download and memory used.
void print_download_info(const uint8_t* open_block, OutStream& out, const OutputPlan& plan);

// Consumes a close-information block whose first unit is `unit` (reading its
// other three units from the tag's raw stream). Returns true when it was one;
// false when the unit is to be taken as data. A connect time is stored in
// *connect_time when given.
bool handle_close_info(TagDataPath& data, const uint8_t* unit, OutStream& out,
                       uint64_t* connect_time);

}  // namespace dec
