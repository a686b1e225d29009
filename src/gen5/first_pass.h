// The first pass over a tag's downloads: joining them into the flash image.
//
// A tag sends, at every contact, its memory from where the last download it
// believes complete ended; so bytes may arrive twice (an interrupted download,
// another base station) or not at all (delivered elsewhere). The first pass
// writes the data units of all downloads into the flash image in tag-memory
// order, drops empty units and close information, recognises re-sent data by
// comparing it with what was already written (and keeps data that differs), and
// reports for every download whether it delivered what it announced.
#pragma once

#include <cstdint>

#include "gen5/tag_loop.h"

namespace dec {

// The three loop families differ in their version checks, settings reports and
// the wording of some messages.
enum class LoopFamily { gps_acc_v10, gps_acc_v9, ecg };

struct StreamState {
    uint16_t expected_tag = 0;
    uint8_t tag_type = 0;
    uint8_t sw_version = 0;
    // Tag-memory address of the current end of the flash image (a multiple of
    // 64). The tag's memory is addressed in 32 bits, so a download that runs
    // past the top of the address space goes on at address 0, as the open
    // blocks that follow it count.
    uint32_t decoder_flash_address = 0;
    // Bytes at the end of the image that belong to the current run of contiguous
    // data and may be compared with re-sent data.
    uint32_t go_back_window = 0;
    // End minus start address of the current download, as the tag announced it.
    uint32_t expected_bytes = 0;
    // Byte counts of what arrived, which a tag stream may take beyond 4 GiB.
    uint64_t since_last_open = 0;
    uint64_t total_count = 0;
    uint32_t empty_middle = 0;
    uint32_t empty_last_packet = 0;
    uint32_t empty_after_close = 0;
    bool after_close_info = false;
};

// The first pass; 0, or -1 when the tag is to stop (message printed).
int gather_tag_stream(TagRun& tag, StreamState& s, LoopFamily family);

// Compares the next `go_back` bytes of the raw stream with the last `go_back`
// bytes of the image; the raw stream is left where it was.
RepeatCheck check_if_data_repeated(TagRun& tag, const StreamState& s, uint32_t go_back);

}  // namespace dec
