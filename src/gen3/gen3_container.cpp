#include "gen3/gen3_container.h"

#include <cstring>

#include "common/le.h"

namespace dec {

namespace {

struct VersionText {
    const char* text;
    uint32_t version;
};

static constexpr VersionText kVersionTexts[] = {
    {"base3, V1.0", 3010}, {"base3, V1.1", 3011}, {"base3, V1.2", 3012}, {"base3, V1.3", 3013},
    {"base3, V1.4", 3014}, {"base3, V1.5", 3015}, {"base3, V1.6", 3016},
};
constexpr size_t kVersionTextLength = 11;

bool has_open_text(const uint8_t* record) {
    return record[5] == 'O' && record[6] == 'P' && record[7] == 'E' && record[8] == 'N' &&
           record[9] == 0;
}

}  // namespace

uint32_t container_version_of(const uint8_t* header) {
    for (const VersionText& v : kVersionTexts) {
        if (std::memcmp(header + kGen3HeaderVersion, v.text, kVersionTextLength) == 0) {
            return v.version;
        }
    }
    return 0;
}

bool is_short_open_block(const uint8_t* record) {
    return record[0] == 1 && le_u32(record, 1) == kGen3ShortMagic && has_open_text(record) &&
           record[15] == 0;
}

bool is_long_open_head(const uint8_t* record) {
    return record[0] == 1 && le_u32(record, 1) == kGen3LongMagic && has_open_text(record);
}

void clear_fufa_low_bits(uint8_t* block, bool long_form) {
    const size_t off = long_form ? 18 : 21;
    put_le32(block, off, le_u32(block, off) & ~0x3Fu);
}

Gen3OpenBlock decode_open_block(const uint8_t* block, bool long_form) {
    Gen3OpenBlock b;
    if (long_form) {
        b.basestation_id = le_u16(block, 9);
        b.time = le_u32(block, 14);
        b.fufa = le_u32(block, 18);
        b.fffa = le_u32(block, 22);
        b.tag_number = le_u16(block, 26);
        b.tag_type = block[28];
        b.sw_version = block[29];
    } else {
        b.basestation_id = le_u16(block, 15);
        b.time = le_u32(block, 17);
        b.fufa = le_u32(block, 21);
        b.fffa = le_u32(block, 25);
        b.tag_number = le_u16(block, 13);
        b.tag_type = block[29];
        b.sw_version = block[30];
    }
    return b;
}

}  // namespace dec
