// Generation-3 container layout.
//
// logger.bin: a 512-byte header, then 64-byte records. A download begins with
// an open block naming the tag; every other record belongs to the download of
// the last open block before it.
//
// Header:  0 u32 magic (0x17FA95B3 up to V1.4, 0x13FA95B7 from V1.5 on)
//          8 u32 rewrite counter | 12 text (254 bytes, NUL-terminated)
//          267 version text "base3, V1.x" (63 bytes) | 331 u16 base-station id
// Short open block (64 bytes, V1.0 to V1.4):
//   0 u8 1 | 1 u32 0x17FA95B3 | 5 "OPEN\0" | 13 u16 tag | 15 u16 base-station id
//   17 u32 tag time | 21 u32 fufa | 25 u32 fffa | 29 u8 tag type | 30 u8 software
//   version | 32.. configuration
// Long open block (192 bytes = three records, V1.5 and V1.6):
//   0 u8 1 | 1 u32 0x13FA95B7 | 5 "OPEN" | 9 u16 base-station id (low byte 0)
//   14 u32 tag time | 18 u32 fufa | 22 u32 fffa | 26 u16 tag | 28 u8 tag type
//   29 u8 software version | 30.. configuration
// fufa is the flash address of the first byte of the download, fffa the address
// behind the last byte the tag holds.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

#include "common/run_context.h"
#include "common/text_file.h"
#include "store/container_magic.h"
#include "store/tag_files.h"

namespace dec {

inline constexpr size_t kGen3HeaderSize = kContainerHeaderSize;
inline constexpr size_t kGen3RecordSize = 64;
inline constexpr size_t kGen3LongOpenSize = 192;
// Open blocks are held zero-filled in a buffer of the long size, so the
// configuration printers may read every offset of either form.
inline constexpr size_t kGen3OpenBufferSize = kGen3LongOpenSize;

// Fields of the container header, by offset, and the sizes of its texts.
enum Gen3HeaderField : size_t {
    kGen3HeaderRewriteCounter = 8,
    kGen3HeaderText = 12,
    kGen3HeaderVersion = 267,
    kGen3HeaderBasestationId = 331,
};
inline constexpr size_t kGen3HeaderTextSize = 254;
inline constexpr size_t kGen3HeaderVersionSize = 63;

// Container versions: "base3, V1.0" is 3010 ... "base3, V1.6" is 3016. From
// 3015 on the open blocks have the long form.
inline constexpr uint32_t kGen3FirstLongVersion = 3015;
inline constexpr uint32_t kGen3ResyncVersion = 3011;

// What a run of a generation-3 container knows beyond the run controller.
struct Gen3Context {
    explicit Gen3Context(RunContext& r)
        : run(r), run_outputs(r.con.sys(), r.folder.at), failures_before(r.con.system_failures()) {}

    RunContext& run;
    // The separation's copy of each tag's downloads, by place in the tag list.
    TagFileList tag_files;
    // The contacts of all interaction tags of a run go into one file, begun
    // by the first interaction tag and given its name when the run ends.
    OutputSet run_outputs;
    TextFile intact;
    // System failures reported before the run: one during the run may have
    // cut the contact file short.
    uint64_t failures_before;
    // Fixed by the separation from the header's version text; 0 when unknown.
    uint32_t container_version = 0;
    // Entry interval of interaction tags, set by the interaction configuration print.
    uint8_t intact_interval = 0;

    bool long_form() const { return container_version >= kGen3FirstLongVersion; }
};

// The container version of a header's version text, 0 when it is none of them.
uint32_t container_version_of(const uint8_t* header);

// Open-block recognition on the first record of a block: short form (magic,
// "OPEN", NUL at 9 and the base-station id's low byte at 15 zero) or the head
// of a long form (magic, "OPEN", NUL at 9); the long form is only an open block
// when its two continuation records can be read as well.
bool is_open_head(const uint8_t* record, bool long_form);
inline size_t open_block_size(bool long_form) {
    return long_form ? kGen3LongOpenSize : kGen3RecordSize;
}

// Clears the low six bits of fufa in the block as held in memory.
void clear_fufa_low_bits(uint8_t* block, bool long_form);

// What the record just read into a block buffer turned out to be.
enum class Gen3Record { data, open_block, seek_failed };

// Tells the record at the start of `block` (kGen3LongOpenSize bytes) apart. The
// head of a long open block is completed from `in` (anything with read(buf, n)
// and seek_back(n)); one cut short by the end of the input is data after all,
// and what was read of its tail goes back to `in`, to be read as the records it
// is. seek_failed when that step back fails.
template <class Input>
Gen3Record classify_gen3_record(Input& in, uint8_t* block, bool long_form) {
    if (!is_open_head(block, long_form)) {
        return Gen3Record::data;
    }
    if (!long_form) {
        return Gen3Record::open_block;
    }
    const size_t rest = kGen3LongOpenSize - kGen3RecordSize;
    const ssize_t got = in.read(block + kGen3RecordSize, rest);
    if (got == static_cast<ssize_t>(rest)) {
        return Gen3Record::open_block;
    }
    if (got > 0 && in.seek_back(static_cast<size_t>(got)) != 0) {
        return Gen3Record::seek_failed;
    }
    return Gen3Record::data;
}

// Tag types of the first open block.
enum Gen3TagType : uint8_t {
    kGen3TypeOldInteraction = 0,
    kGen3TypeIgnored = 3,
    kGen3TypeGpsAcc4 = 4,
    kGen3TypeGpsAcc5 = 5,
    kGen3TypeInteraction = 6,
};

struct Gen3OpenBlock {
    uint16_t basestation_id = 0;
    uint32_t time = 0;
    uint32_t fufa = 0;
    uint32_t fffa = 0;
    uint16_t tag_number = 0;
    uint8_t tag_type = 0;
    uint8_t sw_version = 0;
};

Gen3OpenBlock decode_open_block(const uint8_t* block, bool long_form);

}  // namespace dec
