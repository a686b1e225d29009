// The files a separation splits a container into, whichever generation wrote it.
//
// Every separation opens the container, reads its header and copies each tag's
// downloads into a temporary file of the tag ("tag%u.tmp"): the container
// header first, then every open block with the records that followed it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/buffered_file.h"
#include "common/console.h"
#include "common/container_result.h"
#include "common/output_folder.h"
#include "common/platform.h"

namespace dec {

// The tag list of a separation: tag numbers by place, kNoTag after the last.
inline constexpr size_t kMaxTags = 1000;
inline constexpr uint32_t kNoTag = 0xFFFFFFFF;

// The place of `tag` in a tag list, else of its first free entry; kMaxTags
// when the list is full. The place of kNoTag is the number of tags.
inline size_t tag_entry(const uint32_t* tags, uint32_t tag) {
    size_t i = 0;
    while (i < kMaxTags && tags[i] != tag && tags[i] != kNoTag) {
        ++i;
    }
    return i;
}

// What every separation says when the container header cannot be read.
inline constexpr const char* kContainerHeaderReadError =
    "Couldn't read first 512 Bytes of file. Maybe file corrupt?\n";

// What a separation says when the header does not name the base station's
// maker: the container comes from a newer base station (takes the website).
inline constexpr const char* kNewDecoderText =
    "You probably need a new TAVRO data decoder.\nPlease go to the website %s and download\na "
    "new TAVRO data decoder.\n";

// The temporary files a separation copied each tag's downloads into, by the
// tag's place in the tag list: "tag%u.tmp", or a free variant of that name
// when something is in the way, in the run's output folder.
struct TagFileList {
    TagFileList() = default;
    // The files still there when the list goes (a run that stopped before
    // their tags) are deleted.
    ~TagFileList() { remove_all(); }
    TagFileList(const TagFileList&) = delete;
    TagFileList& operator=(const TagFileList&) = delete;

    const char* name_of(size_t slot) const {
        return slot < names.size() && !names[slot].empty() ? names[slot].c_str() : nullptr;
    }
    void remove_all() {
        for (const std::string& name : names) {
            if (!name.empty()) {
                sys->remove_temp(folder, name);
            }
        }
        names.clear();
        ids.clear();
    }

    Platform* sys = nullptr;  // set with the first name, as is the folder
    Folder folder;
    std::vector<std::string> names;
    std::vector<FileIdentity> ids;  // which file each is, checked when reopened
};

// The file a separation copies the downloads of one tag into, created with the
// container header when the tag is first seen and appended to after that. Data
// units go through a write buffer.
class TagFileWriter {
  public:
    // The files are made in `folder`; `close_error` is the message of a
    // failing close, naming the separation.
    TagFileWriter(Console& con, const Folder& folder, const char* close_error, TagFileList& files)
        : con_(con), folder_(folder), out_(con, -1), close_error_(close_error), files_(files) {}

    // A writer that a stop leaves open closes its file, unflushed and
    // unreported: the file goes with the tag list, and Windows deletes no
    // open file.
    ~TagFileWriter() {
        if (fd_ >= 0) {
            con_.sys().close(fd_);
        }
    }
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
    Folder folder_;
    BufferedWriter out_;
    const char* close_error_;
    std::string name_;  // of the file being written, for messages
    TagFileList& files_;
    int fd_ = -1;
};

// The start of every separation: opens the container `path`, checks that the
// run's output folder is open, reads the first `header_size` bytes into
// `header` and goes back to offset 0, leaving the descriptor in `fd`.
// cannot_open when the input cannot be opened, failed on the other failures
// (message printed, input closed, `fd` -1).
ContainerResult open_container_input(Console& con, const char* path, const OutputFolder& folder,
                                     uint8_t* header, size_t header_size, int& fd);

// Closes the input of a separation; a failure is reported, not returned.
void close_container_input(Console& con, int fd, const char* path);
}  // namespace dec
