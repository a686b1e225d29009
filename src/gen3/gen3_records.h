// Records of generation-3 GPS-acceleration tags: the early GPS record (block
// 0x30), the cooked GPS record (block 0x31) and the acceleration burst (blocks
// 0x40 to 0x5F joined).
//
// Early GPS record (63-byte payload, 52 bytes used):
//   0 i32 longitude 1e-7 deg | 4 i32 latitude | 8 i32 height mm | 12 i16 week
//   14 u32 time of week ms | 19 u8 fix byte (bits 0-1 type of fix) | 20 u8 status
//   21 u8 clock flags (bit 0) | 22 u8 noise | 26 u16 time to fix s
//   42 u32 start time stamp | 46 u16 temperature raw | 48 u16 battery code
//   50, 51 cooked checksum over bytes 0..49
// The cooked record and the burst have the layouts of the generation-5 records,
// and their outputs are written by the generation-5 printers.
#pragma once

#include <cstdint>

#include "common/output_plan.h"
#include "common/outstream.h"
#include "common/tag_state.h"
#include "dsp/burst_dsp.h"
#include "records/acc_context.h"
#include "records/kml.h"

namespace dec {

// The outputs, per-tag counters and scratch buffers the record decoders of one
// tag share.
struct Gen3RecordOutput {
    Gen3RecordOutput(OutStream& main_stream, OutStream& info_stream, OutStream& console,
                     const OutputPlan& tag_plan, uint32_t tag_number)
        : main(main_stream), info(info_stream), plan(tag_plan), dsp(console) {
        tag.tag_number = tag_number;
    }

    OutStream& main;
    OutStream& info;
    OutputPlan plan;
    // Tag number, GPS record counter (numbers KML placemarks and ACC rows),
    // accumulated time to fix of the cooked records and the bad blocks.
    TagState tag;
    KmlTrack track;
    BurstDsp dsp;
    AccBuffers buffers;
};

// GPS record of block type 0x30; `record` is the 63-byte payload, changed in
// place (position, week and time of week) as the outputs require.
void decode_gps_gen3_old(uint8_t* record, Gen3RecordOutput& rec);

// GPS record of block type 0x31 (63-byte payload, changed in place).
void decode_gps_gen3(uint8_t* record, Gen3RecordOutput& rec);

// One joined acceleration burst of `length` bytes (63 per block, at most 1890),
// written to `acc`. The record may be changed in place (checksum bytes).
void decode_acc_burst_gen3(uint8_t* record, int32_t length, Gen3RecordOutput& rec, OutStream& acc);

}  // namespace dec
