// Splitting a generation-5 container into one temporary file per tag.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/buffered_file.h"
#include "common/console.h"
#include "common/container_result.h"
#include "gen5/container_index.h"

namespace dec {

inline constexpr size_t kMaxTags = 1000;
inline constexpr uint32_t kNoTag = 0xFFFFFFFF;

// The file a separation copies the downloads of one tag into, created with the
// container header when the tag is first seen and appended to after that. Data
// units go through a write buffer.
class TagFileWriter {
public:
    // `close_error` is the message of a failing close, naming the separation.
    TagFileWriter(Console& con, const char* close_error, TagFileList& files)
        : con_(con), out_(con, -1), close_error_(close_error), files_(files) {}

    TagFileWriter(const TagFileWriter&) = delete;
    TagFileWriter& operator=(const TagFileWriter&) = delete;

    bool is_open() const { return fd_ >= 0; }

    // Closes the current file and switches to the one of `tag` at `slot` of
    // the tag list; a new tag's file is created and starts with the
    // `header_size` bytes of `header`. 0 or -1.
    int switch_to(uint32_t tag, size_t slot, bool is_new, const uint8_t* header,
                  size_t header_size);

    // 0 or -1; the open block is written at once, units through the buffer.
    int write_open_block(const uint8_t* block, size_t size);
    int write_unit(const uint8_t* unit, size_t size);

    // Writes what is buffered and closes the file; -1 when the buffered data
    // could not be written. A failing close is reported but not an error.
    int close();

private:
    // Opens the file of a tag seen before, for appending: it must still be
    // the file this writer created. The descriptor, or -1 with errno.
    int reopen(size_t slot);

    Console& con_;
    BufferedWriter out_;
    const char* close_error_;
    TagFileList& files_;
    int fd_ = -1;
};

// The start of every separation: opens the container `path`, enters
// `output_dir` (if given) for the rest of the run, reads the first
// `header_size` bytes into `header` and goes back to offset 0. On `ok` the
// descriptor is in `fd`; on the failures the message is printed and the input
// closed.
ContainerResult open_container_input(Console& con, const char* path, const char* output_dir,
                                     uint8_t* header, size_t header_size, int& fd);

// Closes the input of a separation; a failure is reported, not returned.
void close_container_input(Console& con, int fd);

// Checks the container header, enters the output directory (if given) for the
// rest of the run and gives every tag its raw stream: the header, then each
// open block (start address rounded down to 64) with the units that followed
// it. With an `index`, the streams are recorded there as runs of the container,
// which stays open (unless the index runs full: then, as without an index, the
// streams are copied into "tag%u.tmp", whose names are in the index's
// copies(); without an index the copies are the caller's to delete). Tag
// numbers go into `tags` (kMaxTags entries, kNoTag after the last). `ok`,
// `failed` or `cannot_open`.
ContainerResult separate_container(Console& con, const char* path, uint32_t* tags,
                                   const char* output_dir, ContainerIndex* index = nullptr);

// The separation loops on an input descriptor standing at offset 0: copying
// into temporary files, or recording runs; the latter returns -3 when the
// index is full.
int split_into_tag_files(Console& con, int fd, uint32_t* tags, TagFileList& files);
int index_tag_streams(Console& con, int fd, uint32_t* tags, ContainerIndex& index);

}  // namespace dec
