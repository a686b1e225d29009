// Data blocks of interaction (proximity) tags.
//
// An interaction tag fills its flash memory with 512-byte blocks, each holding
// the contacts of a stretch of time:
//
//   0   u8   block type: 128 RX, 129 TX (old form), 130 TX
//   1   u8   magic 0xF1
//   2   u32  tag time of the first entry (seconds since 2007-03-04 GPS time)
//   6   u16  temperature, raw (value = raw * 2200 / 12083 - 316)
//   8   u16  battery voltage, raw (mV = raw * 4400 >> 12)
//   10  500  entries
//   510 u8   CK_A | 511 u8 CK_B: 8-bit Fletcher sums over bytes 0..509
//
// Entries of the old TX form are single signal-strength bytes. TX and RX blocks
// hold 125 entries of four bytes:
//   TX: 0 signal strength (1..3 unused)
//   RX: 0 signal strength A | 1 signal strength B | 2 u16 number of the other tag
// A first byte 0x82 marks a control entry instead: with 0xFF (TX) or 0x80 (RX)
// as second byte a time jump whose u16 at 2 is the jump in seconds; any other
// second byte is unexpected.
//
// Entries follow each other at the tag's entry interval; the entry time is the
// block time plus a 16-bit offset that grows by the interval per entry and by
// the jump of a time-jump entry.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/outstream.h"

namespace dec {

inline constexpr size_t kIntactBlockSize = 512;
enum IntactBlockType : uint8_t {
    kIntactRxBlock = 128,
    kIntactOldTxBlock = 129,
    kIntactTxBlock = 130,
};

struct IntactBlockHead {
    uint8_t type = 0;
    bool magic_ok = false;
    uint32_t time = 0;
    int32_t temperature = 0;
    uint32_t battery_mv = 0;
    bool checksum_ok = false;
};

// `block` holds kIntactBlockSize bytes.
IntactBlockHead decode_intact_head(const uint8_t* block);

// Writes one block: its block line (or the magic error) and a checksum error
// with the block's dump to the tag's protocol, its contacts to the shared
// interaction file as "T,<tag>,<time>,<strength>" and
// "R,<tag>,<time>,<strength A>,<strength B>,<other tag>" lines. A block of any
// other type writes nothing; the caller decides what such a block means.
void write_intact_block(const uint8_t* block, uint32_t tag_number, uint8_t intact_interval,
                        OutStream& protocol, OutStream& intact);

}  // namespace dec
