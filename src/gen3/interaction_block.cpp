#include "gen3/interaction_block.h"

#include "common/io.h"
#include "common/le.h"
#include "common/millivolts.h"

namespace dec {

namespace {

constexpr uint8_t kBlockMagic = 0xF1;
constexpr size_t kEntriesOffset = 10;
constexpr size_t kChecksumOffset = 510;
constexpr size_t kOldTxEntries = 500;
constexpr size_t kWideEntries = 125;
constexpr size_t kWideEntrySize = 4;

// First byte of a control entry, and the second bytes of the time jumps.
constexpr uint8_t kControlEntry = 0x82;
constexpr uint8_t kTxTimeJump = 0xFF;
constexpr uint8_t kRxTimeJump = 0x80;

constexpr uint8_t kNoReading = 128;
constexpr int32_t kNoReadingStrength = -150;

enum class IntactEntryKind : uint8_t { transmission, reception, time_jump, unexpected };

struct IntactEntry {
    IntactEntryKind kind = IntactEntryKind::unexpected;
    int32_t strength_a = 0;
    int32_t strength_b = 0;  // receptions only
    uint16_t other_tag = 0;  // receptions only
    uint16_t jump = 0;       // time jumps only
};

struct BlockKind {
    uint8_t type;
    size_t entries;
    const char* label;
    // Protocol line of an unexpected control entry.
    const char* unexpected;
};
static constexpr BlockKind kBlockKinds[] = {
    {kIntactOldTxBlock, kOldTxEntries, "Old intact TX block ", "########### Unexpected bytes\n"},
    {kIntactTxBlock, kWideEntries, "Intact TX block ", "########### Unexpected bytes\n"},
    {kIntactRxBlock, kWideEntries, "Intact RX block ", "############ Unexpected bytes\n"},
};

const BlockKind* block_kind(uint8_t type) {
    for (const BlockKind& k : kBlockKinds) {
        if (k.type == type) {
            return &k;
        }
    }
    return nullptr;
}

bool checksum_matches(const uint8_t* block) {
    uint8_t a = 0;
    uint8_t b = 0;
    for (size_t i = 0; i < kChecksumOffset; ++i) {
        a = static_cast<uint8_t>(a + block[i]);
        b = static_cast<uint8_t>(b + a);
    }
    return block[kChecksumOffset] == a && block[kChecksumOffset + 1] == b;
}

void write_block_line(const BlockKind& kind, const IntactBlockHead& head, OutStream& protocol) {
    const uint32_t t = head.time;
    protocol.put(kind.label);
    protocol.printf("%u,%02u:%02u:%02u", t / 86400u, t % 86400u / 3600u, t % 3600u / 60u, t % 60u);
    protocol.printf(",%u,%i\n", head.battery_mv, head.temperature);
}

// "T,<tag>,<time>,<strength>" / "R,...,<strength B>,<other tag>".
void write_contact(const IntactEntry& e, int32_t tag, uint32_t time, OutStream& intact) {
    const bool rx = e.kind == IntactEntryKind::reception;
    intact.put(rx ? "R," : "T,");
    intact.put_i32(tag);
    intact.put_char(',');
    intact.put_u32(time);
    intact.put_char(',');
    intact.put_i32(e.strength_a);
    if (rx) {
        intact.put_char(',');
        intact.put_i32(e.strength_b);
        intact.put_char(',');
        intact.put_u32(e.other_tag);
    }
    intact.put_char('\n');
}

// Signal strength of a raw strength byte: 128 means no reading (-150); the
// other values are a signed half-step scale around -78.
int32_t intact_signal_strength(uint8_t raw) {
    if (raw == kNoReading) {
        return kNoReadingStrength;
    }
    const int32_t half = raw / 2;
    return raw < kNoReading ? half - 78 : half - 206;
}

// Entry `index` (below the kind's entry count) of a block of `type`.
IntactEntry decode_intact_entry(const uint8_t* block, uint8_t type, size_t index) {
    IntactEntry e;
    if (type == kIntactOldTxBlock) {
        e.kind = IntactEntryKind::transmission;
        e.strength_a = intact_signal_strength(block[kEntriesOffset + index]);
        return e;
    }
    const uint8_t* p = block + kEntriesOffset + index * kWideEntrySize;
    const bool rx = type == kIntactRxBlock;
    if (p[0] == kControlEntry) {
        if (p[1] == (rx ? kRxTimeJump : kTxTimeJump)) {
            e.kind = IntactEntryKind::time_jump;
            e.jump = le_u16(p, 2);
        }
        return e;
    }
    e.strength_a = intact_signal_strength(p[0]);
    if (rx) {
        e.kind = IntactEntryKind::reception;
        e.strength_b = intact_signal_strength(p[1]);
        e.other_tag = le_u16(p, 2);
    } else {
        e.kind = IntactEntryKind::transmission;
    }
    return e;
}

}  // namespace

IntactBlockHead decode_intact_head(const uint8_t* block) {
    IntactBlockHead h;
    h.type = block[0];
    h.magic_ok = block[1] == kBlockMagic;
    h.time = le_u32(block, 2);
    h.temperature = static_cast<int32_t>(le_u16(block, 6)) * 2200 / 12083 - 316;
    h.battery_mv = code_to_mv(le_u16(block, 8), 4400, 12);
    h.checksum_ok = checksum_matches(block);
    return h;
}

void write_intact_block(const uint8_t* block, uint32_t tag_number, uint8_t intact_interval,
                        OutStream& protocol, OutStream& intact) {
    const IntactBlockHead head = decode_intact_head(block);
    const BlockKind* kind = block_kind(head.type);
    if (kind == nullptr) {
        return;
    }
    if (!head.magic_ok) {
        protocol.put("Magic number of Interaction data block doesn't match\n");
        return;
    }
    write_block_line(*kind, head, protocol);
    if (!head.checksum_ok) {
        protocol.put(
            "############################ Interaction checksum error: Throwing last 512 bytes "
            "data away\n");
        hex_dump(block, static_cast<long>(kIntactBlockSize), protocol);
        return;
    }
    // Offsets from the block time: 16 bits wide, read as signed, so a jump may
    // also move the time back.
    const auto tag = static_cast<int32_t>(tag_number);
    uint16_t offset = 0;
    for (size_t i = 0; i < kind->entries; ++i) {
        const IntactEntry e = decode_intact_entry(block, head.type, i);
        switch (e.kind) {
            case IntactEntryKind::transmission:
            case IntactEntryKind::reception: {
                const auto shift = static_cast<int32_t>(static_cast<int16_t>(offset));
                write_contact(e, tag, head.time + static_cast<uint32_t>(shift), intact);
                offset = static_cast<uint16_t>(offset + intact_interval);
                break;
            }
            case IntactEntryKind::time_jump:
                offset = static_cast<uint16_t>(offset + e.jump - intact_interval);
                break;
            case IntactEntryKind::unexpected:
                protocol.put(kind->unexpected);
                break;
        }
    }
}

}  // namespace dec
