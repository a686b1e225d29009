#include "gen5/download_info.h"

#include <algorithm>

#include "common/le.h"
#include "common/tagtime.h"
#include "gen5/container.h"

namespace dec {

namespace {
constexpr uint16_t kLocalAddressNoRadio = 0xFF00;
constexpr size_t kCiLocalAddress = 9;
constexpr size_t kCiConnectTime = 42;
}  // namespace

void print_download_info(const uint8_t* open_block, OutStream& out, const OutputPlan& plan) {
    const uint32_t start = le_u32(open_block, kObFlashStart);
    const uint32_t end = le_u32(open_block, kObFlashEnd);
    out.put("\nData download:\n");
    out.printf("Basestation Id: %u\n", le_u16(open_block, kObBasestationId));
    print_tag_time(le_u32(open_block, kObTime), out, plan);
    out.printf(
        "\nAnimal tag still has %u Bytes data for download available.\nAltogether %.03f MBytes are "
        "used, which will be freed\nonly after a COMPLETE data download.\n",
        end - start, static_cast<double>(end) / 1048576);
    out.put_char('\n');
}

bool handle_close_info(TagDataPath& data, const uint8_t* unit, OutStream& out,
                       uint64_t* connect_time) {
    if (unit[0] != kBlockCloseInfo) {
        return false;
    }
    const uint32_t magic = le_u32(unit, 1);
    if (magic != kGen5Magic) {
        out.printf("Magic 0x%08X of close info not matching.\n", magic);
        return false;
    }
    uint8_t block[kCloseInfoSize];
    std::copy(unit, unit + kUnitSize, block);
    if (data.raw_read(block + kUnitSize, kCloseInfoSize - kUnitSize) !=
        static_cast<ssize_t>(kCloseInfoSize - kUnitSize)) {
        return false;
    }
    if (le_u16(block, kCiLocalAddress) == kLocalAddressNoRadio && connect_time != nullptr) {
        const uint32_t t = le_u32(block, kCiConnectTime);
        if (t != 0xFFFFFFFF) {
            *connect_time = t;
        }
    }
    out.put("\nClose info:\n\n");
    return true;
}

}  // namespace dec
