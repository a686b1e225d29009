#include "settings/tt5_10.h"

#include "common/fatal.h"
#include "common/le.h"
#include "settings/crc16.h"
#include "settings/features.h"
#include "settings/settings_lines.h"
#include "settings/tt5_10_sections.h"

namespace dec {

Tt5_10Head decode_tt5_10_head(const uint8_t* record) {
    Tt5_10Head h;
    h.magic = le_u16(record, 0);
    h.version = le_u8(record, 4);
    h.features = le_u32(record, 5);
    h.mode = le_u8(record, 9);
    const size_t crc_len = tt5_10_crc_length(h.version);
    if (crc_len != 0) {
        h.crc_stored = le_u16(record, crc_len);
        h.crc_computed = settings_crc16(record, crc_len);
    }
    return h;
}

void print_settings_tt5_10(const uint8_t* open_block, OutStream& info, uint32_t tag_number,
                           TagState* state) {
    const uint8_t* record = open_block + kSettingsOffset;
    const Tt5_10Head head = decode_tt5_10_head(record);

    info.printf(
        "\nPrinting tag settings tt5_10, SV%hhu, valid at the point in time of the data "
        "download:\n",
        head.version);
    check_settings_record(info, head.magic == kTt5_10Magic, tt5_10_crc_length(head.version) != 0,
                          "This data decoder only supports struct_version 0,1,2 and 3.\n");
    if (state != nullptr) {
        state->feature_word = head.features;
    }
    if (head.crc_stored != head.crc_computed) {
        info.printf("Checksum of tt5_10 stv%u not matching!\n",
                    static_cast<unsigned>(head.version));
        fatal_stop(BADLOGGERBIN);
    }
    if (print_features(info, head.features) != 0) {
        fatal_stop(UNSUPPORTED_FF_PRODUCT);
    }

    const SettingsContext ctx{record, head.features};
    switch (head.version) {
        case 0:
        case 1:
            print_tt5_10_v01(ctx, info, head.version, tag_number);
            break;
        case 2:
            print_tt5_10_v2(ctx, info, state != nullptr ? &state->pressure : nullptr);
            break;
        default:
            print_tt5_10_v3(ctx, info);
            break;
    }

    info.put(pattern_byte_on(head.mode) ? "AM\n" : "TTOFF\n");
    if (head.version >= 2) {
        info.put_char('\n');
    }
}

}  // namespace dec
