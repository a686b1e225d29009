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

// Where the fields of the two open-block forms lie.
struct OpenBlockLayout {
    size_t basestation_id;
    size_t time;
    size_t fufa;
    size_t fffa;
    size_t tag_number;
    size_t tag_type;
    size_t sw_version;
};
constexpr OpenBlockLayout kShortLayout{15, 17, 21, 25, 13, 29, 30};
constexpr OpenBlockLayout kLongLayout{9, 14, 18, 22, 26, 28, 29};

const OpenBlockLayout& layout_of(bool long_form) {
    return long_form ? kLongLayout : kShortLayout;
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

bool is_open_head(const uint8_t* record, bool long_form) {
    // "OPEN" with its NUL from offset 5 on.
    return record[0] == 1 && le_u32(record, 1) == (long_form ? kGen3LongMagic : kGen3ShortMagic) &&
           std::memcmp(record + 5, "OPEN", 5) == 0 && (long_form || record[15] == 0);
}

void clear_fufa_low_bits(uint8_t* block, bool long_form) {
    const size_t off = layout_of(long_form).fufa;
    put_le32(block, off, le_u32(block, off) & ~0x3Fu);
}

Gen3OpenBlock decode_open_block(const uint8_t* block, bool long_form) {
    const OpenBlockLayout& at = layout_of(long_form);
    Gen3OpenBlock b;
    b.basestation_id = le_u16(block, at.basestation_id);
    b.time = le_u32(block, at.time);
    b.fufa = le_u32(block, at.fufa);
    b.fffa = le_u32(block, at.fffa);
    b.tag_number = le_u16(block, at.tag_number);
    b.tag_type = block[at.tag_type];
    b.sw_version = block[at.sw_version];
    return b;
}

}  // namespace dec
