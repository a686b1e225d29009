#include "gen3/separate.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "common/le.h"
#include "store/tag_files.h"

namespace dec {

namespace {

constexpr const char* kMagicError = "Magic number doesn't match. Maybe file corrupt?\n";

// The start of a short open block: type, magic and "OPEN" with its NUL.
constexpr uint8_t kOpenSignature[] = {0x01, 0xB3, 0x95, 0xFA, 0x17, 'O', 'P', 'E', 'N', 0x00};
constexpr size_t kSignatureLength = sizeof kOpenSignature;
// Offset of the base-station id's low byte, zero in every open block.
constexpr size_t kShortIdLowByte = 15;

// Position of the first accepted open-block signature in the window: it must
// start in the front half and have the zero id byte; -1 when there is none.
// Only the first `valid` bytes of the window hold data of the input.
long find_open_signature(const uint8_t* window, size_t valid) {
    for (size_t s = 0; s < kGen3RecordSize; ++s) {
        if (s + kShortIdLowByte >= valid) {
            return -1;
        }
        if (std::memcmp(window + s, kOpenSignature, kSignatureLength) == 0 &&
            window[s + kShortIdLowByte] == 0) {
            return static_cast<long>(s);
        }
    }
    return -1;
}

// An open block: the writer switches to its tag's file (a tag seen first takes
// the next free entry of `tags`) and the block goes there.
bool start_tag_download(OutStream& out, TagFileWriter& writer, uint32_t* tags,
                        const uint8_t* header, uint8_t* block, bool long_form) {
    clear_fufa_low_bits(block, long_form);
    const uint32_t tag = le_u16(block, long_form ? 26 : 13);
    const size_t i = tag_entry(tags, tag);
    if (i == kMaxTags) {
        writer.close();
        out.put("No more free entry in name list. Aborting separating data.\n");
        return false;
    }
    const bool is_new = tags[i] == kNoTag;
    if (writer.switch_to(tag, i, is_new, header, kGen3HeaderSize) != 0) {
        writer.close();
        return false;
    }
    if (is_new) {
        tags[i] = tag;
    }
    if (writer.write_open_block(block, open_block_size(long_form)) != 0) {
        writer.close();
        return false;
    }
    return true;
}

// A data record, which belongs to the tag of the last open block.
bool copy_data_record(OutStream& out, TagFileWriter& writer, const uint8_t* record) {
    if (!writer.is_open()) {
        out.put("Error: unexpected data.\n");
        return false;
    }
    if (writer.write_unit(record, kGen3RecordSize) != 0) {
        writer.close();
        return false;
    }
    return true;
}

// The splitting loop over an input descriptor standing at offset 0: variant A
// for the short open blocks (with the V1.1 re-aligning reader), variant B for
// the long ones. `ok` or `failed`.
ContainerResult split_container(Gen3Context& ctx, int fd, const char* path, uint32_t* tags) {
    Console& con = ctx.run.con;
    OutStream& out = con.out();
    const bool long_form = ctx.long_form();
    BufferedReader in(con.sys(), fd);
    in.stop_on_error(con, path);
    // The header again, its magic number that of the open-block form the run
    // expects.
    uint8_t header[kGen3HeaderSize];
    if (in.read(header, kGen3HeaderSize) != static_cast<ssize_t>(kGen3HeaderSize)) {
        out.put(kContainerHeaderReadError);
        return ContainerResult::failed;
    }
    if (le_u32(header, 0) != (long_form ? kGen3LongMagic : kGen3ShortMagic)) {
        out.put(kMagicError);
        return ContainerResult::failed;
    }

    RecordResync reader(con, in, ctx.container_version);
    TagFileWriter writer(con, ctx.run.folder.at, "Couldn't close output file in separate",
                         ctx.tag_files);
    uint8_t block[kGen3LongOpenSize];
    for (;;) {
        const ssize_t n =
            long_form ? in.read(block, kGen3RecordSize) : reader.read_record_resync(block);
        if (n != static_cast<ssize_t>(kGen3RecordSize)) {
            out.put("Separating data finished.\n");
            break;
        }
        const Gen3Record kind = classify_gen3_record(in, block, long_form);
        if (kind == Gen3Record::seek_failed) {
            con.sys_error("Couldn't lseek back");
            writer.close();
            return ContainerResult::failed;
        }
        const bool stored = kind == Gen3Record::open_block
                                ? start_tag_download(out, writer, tags, header, block, long_form)
                                : copy_data_record(out, writer, block);
        if (!stored) {
            return ContainerResult::failed;
        }
    }
    return writer.close() == 0 ? ContainerResult::ok : ContainerResult::failed;
}

}  // namespace

ssize_t RecordResync::read_record_resync(uint8_t* record) {
    if (!resync_) {
        return in_.read(record, kGen3RecordSize);
    }
    uint8_t* front = window_;
    uint8_t* back = window_ + kGen3RecordSize;
    if (!primed_) {
        if (in_.read(front, kGen3RecordSize) != static_cast<ssize_t>(kGen3RecordSize)) {
            return 0;
        }
        primed_ = true;
    }
    if (exhausted_) {
        return 0;
    }
    ssize_t n = in_.read(back, kGen3RecordSize);
    size_t back_valid = n > 0 ? static_cast<size_t>(n) : 0;
    if (n != static_cast<ssize_t>(kGen3RecordSize)) {
        back_incomplete_ = true;
    }
    const size_t valid = kGen3RecordSize + back_valid;
    const long s = find_open_signature(window_, valid);
    if (s > 0) {
        // The s bytes in front of the open block are an incomplete record.
        if (in_.seek_back(valid - static_cast<size_t>(s)) != 0) {
            con_.sys_error("Couldn't lseek back");
            con_.out().printf("Please report error to %s\n", kSupportEmail);
            return -1;
        }
        if (in_.read(record, kGen3RecordSize) != static_cast<ssize_t>(kGen3RecordSize)) {
            return 0;
        }
        if (in_.read(front, kGen3RecordSize) != static_cast<ssize_t>(kGen3RecordSize)) {
            exhausted_ = true;
        }
        return static_cast<ssize_t>(kGen3RecordSize);
    }
    std::memcpy(record, front, kGen3RecordSize);
    std::memcpy(front, back, kGen3RecordSize);
    if (back_incomplete_) {
        exhausted_ = true;
    }
    return static_cast<ssize_t>(kGen3RecordSize);
}

ContainerResult separate(Gen3Context& ctx, const char* path, uint32_t* tags) {
    Console& con = ctx.run.con;
    OutStream& out = con.out();
    out.put("Separating data...\n");
    std::fill_n(tags, kMaxTags, kNoTag);
    uint8_t header[kGen3HeaderSize];
    int fd = -1;
    const ContainerResult opened =
        open_container_input(con, path, ctx.run.folder, header, kGen3HeaderSize, fd);
    if (opened != ContainerResult::ok) {
        return opened;
    }
    ContainerResult rv = ContainerResult::failed;
    const uint32_t magic = le_u32(header, 0);
    if (magic != kGen3ShortMagic && magic != kGen3LongMagic) {
        out.put(kMagicError);
    } else if ((ctx.container_version = container_version_of(header)) == 0) {
        out.printf(
            "You need a new TAVRO data decoder.\nPlease go to the website %s and download\na "
            "new TAVRO data decoder.\n",
            kDownloadWebsite);
    } else {
        rv = split_container(ctx, fd, path, tags);
    }
    close_container_input(con, fd, path);
    return rv;
}

}  // namespace dec
