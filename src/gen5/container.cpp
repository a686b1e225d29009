#include "gen5/container.h"

#include <cstring>

#include "common/le.h"

namespace dec {

bool is_open_block_unit(const uint8_t* unit) {
    return unit[0] == kBlockOpen && le_u32(unit, 1) == kGen5Magic &&
           std::memcmp(unit + 5, "OPEN", 4) == 0;
}

bool is_empty_unit(const uint8_t* unit) {
    for (size_t i = 0; i < kUnitSize; ++i) {
        if (unit[i] != 0xFF) {
            return false;
        }
    }
    return true;
}

void clear_flash_start_low_bits(uint8_t* open_block) {
    put_le32(open_block, kObFlashStart, le_u32(open_block, kObFlashStart) & ~uint32_t{63});
}

bool header_has_maker_string(const uint8_t* header) {
    // The maker string has no zero byte before its end, so comparing the 51
    // bytes is the same as comparing the texts.
    return std::memcmp(header + kHeaderTextOffset, kMakerString, kMakerCompareLength) == 0;
}

}  // namespace dec
