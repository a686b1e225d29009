// Joining a generation-3 tag's downloads into an image of its flash memory.
//
// A tag sends, at every contact, its flash memory from the address where it
// believes the last complete download ended, so downloads overlap (data sent
// twice) or leave gaps (data delivered to another base station). The joining
// pass writes the data records of all downloads into the flash image in flash
// order, detects a repeated tail by comparing it with the new download, and
// reports for every download whether it delivered what the tag offered.
#pragma once

#include <cstdint>
#include <optional>

#include "common/output_plan.h"
#include "common/outstream.h"
#include "gen3/gen3_container.h"
#include "store/tag_data.h"

namespace dec {

// Where the joining of a tag's downloads stands, for GPS-acceleration and
// interaction tags alike. Flash addresses are the tag's 32-bit ones (a
// download running past the top of the address space goes on at 0).
struct Gen3JoinPosition {
    uint32_t ref_tag_number = 0;
    // Flash address of the next data record of the stream.
    uint32_t decoder_flashaddr = 0;
    // Bytes written since the last open block, reduced when a repeated tail is
    // overwritten; limits how far back a repetition check may look.
    uint32_t written_since_open = 0;
    // fffa - fufa of the current download.
    uint32_t expected = 0;
};

// Stream state of one GPS-acceleration tag, set up by the decoder start for
// each tag. What arrives is counted in 64 bits, since a download that runs on
// past what it announced may take the stream beyond 4 GiB.
struct Gen3StreamState : Gen3JoinPosition {
    uint64_t totalcount_written = 0;
    uint64_t total_at_last_open = 0;
    uint64_t received_since_open = 0;
};

// Prints the configuration of an open block (GPS-acceleration or interaction).
using Gen3ConfigPrinter = void (*)(Gen3Context& ctx, const uint8_t* block, const OutputPlan& plan,
                                   OutStream& out);

// A tag's raw stream as the input of classify_gen3_record.
struct Gen3RawInput {
    TagDataPath& data;
    ssize_t read(uint8_t* buf, size_t count) { return data.raw_read(buf, count); }
    int seek_back(size_t count) { return data.raw_seek_back(count); }

    // The next record into `block` (kGen3OpenBufferSize bytes) and what it
    // is; nothing at the end of the stream.
    std::optional<Gen3Record> next(uint8_t* block, bool long_form) {
        if (read(block, kGen3RecordSize) != static_cast<ssize_t>(kGen3RecordSize)) {
            return std::nullopt;
        }
        return classify_gen3_record(*this, block, long_form);
    }
};

// Everything the joining of one tag works on.
struct Gen3Stream {
    Gen3Context& ctx;
    TagDataPath& data;
    OutStream& info;
    OutputPlan plan;
    // The tag's first open block (zero-filled kGen3OpenBufferSize bytes).
    const uint8_t* first_block;
    Gen3ConfigPrinter print_config;
    Gen3StreamState st;
};

// Sets up the stream state from the first open block and writes the download
// information, the configuration and the note about earlier data.
void start_gen3_stream(Gen3Stream& s);

// Pass 1: reads the rest of "tag%i.tmp" and fills the flash image. 0 or -1.
int join_downloads(Gen3Stream& s);

// Largest overlap between two downloads that is checked for repeated data.
inline constexpr uint32_t kGen3MaxGoBack = 4096;

// The last `go_back` bytes of the flash image against the first `go_back` bytes
// that follow the new open block. The tag stream is left where it was. Ends the
// program with exit code 17 when the temporary files cannot be read back.
RepeatCheck check_if_data_repeated(Console& con, int64_t go_back, uint64_t written_since_open,
                                   TagDataPath& data, bool long_form);

// Whether an open block met inside a tag's stream (`nb`) continues it: the
// same tag number and, unless the tag is taken as legacy, the tag type and
// software version of its first open block. Says on `out` what differs.
bool belongs_to_stream(const Gen3OpenBlock& nb, uint32_t ref_tag_number, const uint8_t* first_block,
                       Gen3Context& ctx, const OutputPlan& plan, OutStream& out);

// Places a download of the repeat-checked kind that starts at `fufa` in the
// flash image, which the stream has written up to `at`: over the tail it
// re-sends (the image and `at` moved back), or, after a note on `out` on the data missing before
// it, at `fufa` from a fresh start, which the caller makes (true). A repetition check without
// anything to compare keeps the stream as it is. Ends the program when the image cannot be moved
// back.
bool place_download(Console& con, TagDataPath& data, OutStream& out, const char* marks,
                    uint32_t fufa, bool long_form, Gen3JoinPosition& at);

// The note on data the tag sent to other base stations before the first
// download of this container (`bytes`), begun with the `marks` of the kind of
// tag.
void print_earlier_data(OutStream& out, const char* marks, uint64_t bytes);

// Base-station id, download time and the amount offered for download.
void print_download_info(const Gen3OpenBlock& block, OutStream& out, const OutputPlan& plan);

}  // namespace dec
