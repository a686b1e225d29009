#include "gen5/first_pass.h"

#include "common/fatal.h"
#include "common/le.h"
#include "gen5/container.h"
#include "gen5/download_info.h"
#include "settings/tt5_10.h"
#include "settings/tt5_9.h"
#include "settings/tt7_1.h"

namespace dec {

namespace {

// Overlaps up to this size are compared with the data already written.
constexpr uint32_t kMaxGoBack = 4096;
constexpr auto kUnitBytes = static_cast<uint32_t>(kUnitSize);
// An empty unit this far or further from the announced end lies in the middle
// of a download, not in its last radio packet.
constexpr uint32_t kLastPacketBytes = 257;
// A base station writes four empty units after its close information.
constexpr uint32_t kNormalEmptyAfterClose = 4;

struct FamilyTexts {
    const char* important;
    const char* missing;
    const char* data_missing;
};

constexpr FamilyTexts kTexts[] = {
    // GPS-acceleration tags, software version 10
    {"########### Important information:\nObviously the tag downloaded at least %u Bytes data "
     "to\nanother memorycard and/or basestation or over UMTS\nbefore. This means that data\nmay be "
     "distributed over different logger.bin-files.\n\n",
     "########## Missing at least %u Bytes data!\nReason: Probably the tag downloaded data\nto "
     "another basesstation or over UMTS. This means data\nis distributed over different memory "
     "cards or files.\n",
     "######### There is data missing, maybe data\nis distributed over "
     "several\nmemorycards/basestations/UMTS files?\n"},
    // software version 9
    {"########### Important information:\nObviously the tag downloaded at least %u Bytes data "
     "to\nanother memorycard and/or basestation\nbefore. This means that data\nmay be distributed "
     "over different logger.bin-files.\n\n",
     "########## Missing at least %u Bytes data!\nReason: Probably the tag downloaded data\nto "
     "another basesstation. This means data\nis distributed over different memory cards or "
     "files.\n",
     "######### There is data missing, maybe data\nis distributed over "
     "several\nmemorycards/basestations/files?\n"},
    // ECG tags
    {"########### Important information:\nObviously the tag downloaded at least %u Bytes data "
     "to\nanother memorycard and/or basestation\nbefore. This means that data\nmay be distributed "
     "over different logger.bin-files.\n\n",
     "########## Missing at least %u Bytes data!\nReason: Probably the tag downloaded data\nto "
     "another basesstation. This means data\nis distributed on different memory cards.\n",
     "######### There is data missing, maybe data\nis distributed on "
     "several\nmemorycards/basestations?\n"},
};

const FamilyTexts& texts(LoopFamily f) {
    return kTexts[static_cast<int>(f)];
}

// The software-version line and the settings report of an open block.
void report_settings(TagRun& tag, LoopFamily family, const uint8_t* open_block, bool first) {
    OutStream& info = tag.info();
    const uint8_t version = open_block[kObSoftwareVersion];
    const uint32_t tag_number = tag.state.tag_number;
    tag.state.settings_version = open_block[kObSettings + 4];
    if (family == LoopFamily::ecg) {
        info.printf("B5:ECG-Tag Software vers No.:%hhu\n", version);
        if (version != 1) {
            info.put("B5:Unknown tag software version\n");
            fatal_stop(UNSUPPORTED_PRODUCT);
        }
        print_settings_tt7_1(open_block, info, tag_number);
        return;
    }
    tag.state.feature_word = 0;
    if (family == LoopFamily::gps_acc_v9 && !first && version != 9 && version != 10) {
        return;  // the older loop reports only the versions it knows
    }
    info.printf("B5:GPS-ACC-Tag Software vers No.:%hhu\n", version);
    tag.state.pressure = PressureCalibration{};
    if (version == 9) {
        print_settings_tt5_9(open_block, info, tag_number);
    } else if (version == 10) {
        print_settings_tt5_10(open_block, info, tag_number, &tag.state);
    } else {
        info.put("B5:Unknown tag software version\n");
        fatal_stop(UNSUPPORTED_PRODUCT);
    }
}

// A further open block (already read whole, start address rounded down).
int handle_open_block(TagRun& tag, StreamState& s, LoopFamily family, const uint8_t* open_block) {
    OutStream& info = tag.info();
    if (le_u16(open_block, kObTagNumber) != s.expected_tag) {
        info.put("############### B5: Unexpected tagnumber ##############\n");
        return -1;
    }
    if (open_block[kObTagType] != s.tag_type) {
        info.put("############### B5: Unexpected tag_type ##############\n");
        return -1;
    }
    if (open_block[kObSoftwareVersion] != s.sw_version) {
        info.put("############### B5: Unexpected software_version ##############\n");
        return -1;
    }
    print_completeness(info, s.expected_bytes, s.since_last_open, kGen5Surplus);
    print_download_info(open_block, info, tag.plan());
    report_settings(tag, family, open_block, false);

    const uint32_t a = le_u32(open_block, kObFlashStart);
    const uint32_t d = s.decoder_flash_address;
    s.expected_bytes = le_u32(open_block, kObFlashEnd) - a;
    s.since_last_open = 0;
    if (a > d) {
        // A gap: the data in between went to another base station or card.
        info.printf(texts(family).missing, a - d);
        s.decoder_flash_address = a;
        s.go_back_window = 0;
    } else if (uint64_t{a} + kMaxGoBack >= d) {
        const uint32_t go_back = d - a;
        switch (check_if_data_repeated(tag, s, go_back)) {
            case RepeatCheck::repeated:
                // Let the re-sent units overwrite the identical ones.
                if (tag.data.image_seek_back(go_back) != 0) {
                    seek_failed(tag.run.con);
                }
                s.go_back_window -= go_back;
                s.decoder_flash_address = a;
                break;
            case RepeatCheck::different:
                // Keep the old bytes and append the new download after them.
                s.decoder_flash_address = a;
                s.go_back_window = 0;
                break;
            case RepeatCheck::nothing_compared:
                break;
        }
    } else {
        if (a != 0) {
            info.put(texts(family).data_missing);
        }
        s.decoder_flash_address = a;
        s.go_back_window = 0;
    }
    return 0;
}

}  // namespace

RepeatCheck check_if_data_repeated(TagRun& tag, const StreamState& s, uint32_t go_back) {
    if (go_back > s.go_back_window || go_back == 0) {
        return RepeatCheck::different;
    }
    uint8_t written[kMaxGoBack];
    read_image_tail(tag.run.con, tag.data, written, go_back);
    static_assert(kUnitSize == kImageUnitSize);
    return compare_units_ahead(tag.run.con, tag.data, go_back, is_open_block_unit,
                               [&](const uint8_t* unit, size_t offset) {
                                   uint32_t differences = 0;
                                   for (size_t i = 0; i < kUnitSize; ++i) {
                                       differences += unit[i] != written[offset + i] ? 1u : 0u;
                                   }
                                   return differences;
                               });
}

int gather_tag_stream(TagRun& tag, StreamState& s, LoopFamily family) {
    OutStream& info = tag.info();
    const uint8_t* first = tag.first_open_block;
    info.put("Going through data:\n");
    s = StreamState{};
    s.expected_tag = le_u16(first, kObTagNumber);
    s.tag_type = first[kObTagType];
    s.sw_version = first[kObSoftwareVersion];
    tag.state.gps_record_counter = 0;
    tag.state.gps_ontime = 0;
    const uint32_t first_start = le_u32(first, kObFlashStart);
    s.decoder_flash_address = first_start;

    print_download_info(first, info, tag.plan());
    report_settings(tag, family, first, true);
    s.expected_bytes = le_u32(first, kObFlashEnd) - first_start;
    if (first_start != 0) {
        info.printf(texts(family).important, first_start);
    }

    uint8_t block[kOpenBlockSize];
    ProgressMeter meter(tag.run.progress, tag.data.raw_offset());
    for (;;) {
        const uint64_t unit_offset = tag.data.raw_offset();
        meter.at(unit_offset);
        if (tag.data.raw_read(block, kUnitSize) != static_cast<ssize_t>(kUnitSize)) {
            break;
        }
        if (is_open_block_unit(block) &&
            tag.data.raw_read(block + kUnitSize, kOpenBlockSize - kUnitSize) ==
                static_cast<ssize_t>(kOpenBlockSize - kUnitSize)) {
            clear_flash_start_low_bits(block);
            if (handle_open_block(tag, s, family, block) != 0) {
                return -1;
            }
            s.empty_middle = s.empty_last_packet = s.empty_after_close = 0;
            s.after_close_info = false;
            continue;
        }
        if (is_empty_unit(block)) {
            if (s.after_close_info) {
                ++s.empty_after_close;
            } else if (s.since_last_open < s.expected_bytes) {
                if (s.expected_bytes - s.since_last_open >= kLastPacketBytes) {
                    ++s.empty_middle;
                } else {
                    ++s.empty_last_packet;
                }
                s.total_count += kUnitSize;
                s.since_last_open += kUnitSize;
            }
            continue;
        }
        if (block[0] == kBlockCloseInfo &&
            handle_close_info(tag.data, block, info, &tag.state.connect_time)) {
            s.after_close_info = true;
            continue;
        }
        // A data unit, at its place in the flash image.
        if (tag.data.image_write_from_raw(block, kUnitSize, unit_offset, "Couldn't write data") !=
            static_cast<ssize_t>(kUnitSize)) {
            return -1;
        }
        s.decoder_flash_address += kUnitBytes;
        s.go_back_window += kUnitBytes;
        s.total_count += kUnitSize;
        s.since_last_open += kUnitSize;
    }

    info.printf("totalcount up to here: %llu Bytes, since last open: %llu Bytes\n",
                static_cast<unsigned long long>(s.total_count),
                static_cast<unsigned long long>(s.since_last_open));
    if (s.empty_middle != 0) {
        info.printf("empty blocks in the middle: %u\n", s.empty_middle);
    }
    if (s.empty_last_packet != 0) {
        info.printf("empty blocks in last radiopacket: %u\n", s.empty_last_packet);
    }
    if (s.empty_after_close != 0 && s.empty_after_close != kNormalEmptyAfterClose) {
        info.printf("Error: empty blocks: %u after closeinfo\n", s.empty_after_close);
    }
    print_completeness(info, s.expected_bytes, s.since_last_open, kGen5Surplus);
    info.put("Now analysing data:\n");
    return 0;
}

}  // namespace dec
