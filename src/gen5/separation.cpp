#include "gen5/separation.h"

#include <algorithm>
#include <cstdio>

#include "common/buffered_file.h"
#include "common/io.h"
#include "common/le.h"
#include "gen5/container.h"

namespace dec {

namespace {

// Result of a split whose index ran full.
constexpr int kIndexFull = -3;

// Copies each download into the tag's temporary file.
class FileSink {
  public:
    FileSink(Console& con, const Folder& folder, TagFileList& files)
        : writer_(con, folder, "Couldn't close output file in separate_basis5", files) {}

    bool started() const { return writer_.is_open(); }
    int begin_download(uint32_t tag, size_t slot, bool is_new, const uint8_t* header,
                       const uint8_t* block, uint64_t /*at*/) {
        if (writer_.switch_to(tag, slot, is_new, header, kHeaderSize) != 0 ||
            writer_.write_open_block(block, kOpenBlockSize) != 0) {
            writer_.close();
            return -1;
        }
        return 0;
    }
    int add_unit(const uint8_t* unit) {
        if (writer_.write_unit(unit, kUnitSize) != 0) {
            writer_.close();
            return -1;
        }
        return 0;
    }
    int finish() { return writer_.close(); }
    void abandon() { writer_.close(); }

  private:
    TagFileWriter writer_;
};

// Records where each download lies instead of copying it.
class IndexSink {
  public:
    explicit IndexSink(ContainerIndex& index) : index_(index) {}

    bool started() const { return started_; }
    int begin_download(uint32_t /*tag*/, size_t slot, bool /*is_new*/, const uint8_t* /*header*/,
                       const uint8_t* /*block*/, uint64_t at) {
        if (!index_.add_download(slot, at)) {
            return kIndexFull;
        }
        slot_ = slot;
        started_ = true;
        return 0;
    }
    int add_unit(const uint8_t* /*unit*/) {
        index_.add_unit(slot_, kUnitSize);
        return 0;
    }
    int finish() { return 0; }
    void abandon() {}

  private:
    ContainerIndex& index_;
    size_t slot_ = 0;
    bool started_ = false;
};

// The separation loop over the container on `fd` (at offset 0): every
// download goes to `sink` with the tag's place in `tags`.
template <class Sink>
int split_downloads(Console& con, int fd, const char* path, uint32_t* tags, Sink& sink,
                    Progress* progress) {
    OutStream& out = con.out();
    BufferedReader in(con.sys(), fd);
    in.stop_on_error(con, path);
    uint8_t header[kHeaderSize];
    if (in.read(header, kHeaderSize) != static_cast<ssize_t>(kHeaderSize)) {
        out.put(kContainerHeaderReadError);
        return -1;
    }
    if (le_u32(header, 0) != kGen5Magic) {
        out.put("Magic number doesn't match.\n");
        return -1;
    }

    uint64_t at = kHeaderSize;  // container offset of `block`
    uint64_t written = 0;
    uint8_t block[kOpenBlockSize];
    ProgressMeter meter(progress, 0);
    for (;;) {
        meter.at(at);
        if (in.read(block, kUnitSize) != static_cast<ssize_t>(kUnitSize)) {
            break;  // end of the container (a partial last unit is ignored)
        }
        if (is_open_block_unit(block) && in.read(block + kUnitSize, kOpenBlockSize - kUnitSize) ==
                                             static_cast<ssize_t>(kOpenBlockSize - kUnitSize)) {
            clear_flash_start_low_bits(block);
            const uint32_t tag = le_u16(block, kObTagNumber);
            const size_t slot = tag_entry(tags, tag);
            if (slot == kMaxTags) {
                sink.abandon();
                out.put("No more free entry in name list. Aborting separating data.\n");
                return -1;
            }
            const bool is_new = tags[slot] == kNoTag;
            const int rv = sink.begin_download(tag, slot, is_new, header, block, at);
            if (rv != 0) {
                return rv;
            }
            tags[slot] = tag;
            at += kOpenBlockSize;
            continue;
        }
        // Any unit that is not a complete open block is data of the current tag.
        // (A truncated open block at the end is copied as its first unit only.)
        if (!sink.started()) {
            out.put("Error: unexpected data.\n");
            char_dump(block, out);
            return -1;
        }
        if (sink.add_unit(block) != 0) {
            return -1;
        }
        at += kUnitSize;
        written += kUnitSize;
    }
    if (sink.finish() != 0) {
        return -1;
    }
    out.printf("B5:Separating data finished, %llu Bytes = %llu kBytes written.\n",
               static_cast<unsigned long long>(written),
               static_cast<unsigned long long>(written / 1024));
    return 0;
}

void clear_tag_list(uint32_t* tags) {
    std::fill_n(tags, kMaxTags, kNoTag);
}

// The header checks of a generation-5 container that the separation loop does
// not make itself: the magic number and the maker of the base station.
bool accept_gen5_header(OutStream& out, const uint8_t* header) {
    if (le_u32(header, 0) != kGen5Magic) {
        out.put("Magic number doesn't match. Maybe file corrupt?\n");
        return false;
    }
    if (!header_has_maker_string(header)) {
        out.printf(kNewDecoderText, kDownloadWebsite);
        return false;
    }
    return true;
}

// Records the tag streams in `index`, which then keeps the input open. When
// there are too many downloads to index, kIndexFull with the tag list cleared
// and the input back at offset 0, ready to be copied after all.
int index_streams(Console& con, int fd, const char* path, uint32_t* tags, ContainerIndex& index,
                  Progress* progress) {
    index.clear();
    IndexSink sink(index);
    const int rv = split_downloads(con, fd, path, tags, sink, progress);
    if (rv == 0) {
        index.activate(con.sys(), fd, path);
        return 0;
    }
    index.clear();
    if (rv == kIndexFull) {
        clear_tag_list(tags);
        if (con.sys().seek(fd, 0, SEEK_SET) != 0) {
            con.file_error("Couldn't lseek to 0", path);
            return -1;
        }
    }
    return rv;
}

// Copies the tag streams into temporary files of `folder`, named in the
// index's copies() when there is an index.
int copy_streams(Console& con, const Folder& folder, int fd, const char* path, uint32_t* tags,
                 ContainerIndex* index, Progress* progress) {
    // Without an index nobody keeps the list: the copies are the caller's to
    // delete.
    TagFileList own;
    FileSink sink(con, folder, index != nullptr ? index->copies() : own);
    const int rv = split_downloads(con, fd, path, tags, sink, progress);
    own.names.clear();
    return rv;
}

}  // namespace

bool ContainerIndex::add_download(size_t slot, uint64_t input) {
    if (runs_ == max_runs_) {
        return false;
    }
    if (slot >= tags_.size()) {
        tags_.resize(slot + 1);
    }
    std::vector<TagStreamRun>& runs = tags_[slot];
    const uint64_t start = runs.empty() ? kHeaderSize : runs.back().end;
    runs.push_back(TagStreamRun{input, start + kOpenBlockSize});
    ++runs_;
    return true;
}

ContainerIndex::~ContainerIndex() {
    if (input_fd_ >= 0) {
        sys_->close(input_fd_);
    }
}

void ContainerIndex::clear() {
    tags_.clear();
    tags_.shrink_to_fit();
    runs_ = 0;
}

void ContainerIndex::close(Console& con) {
    if (input_fd_ >= 0) {
        close_container_input(con, input_fd_, input_name_.c_str());
        input_fd_ = -1;
    }
    clear();
}

ContainerResult separate_container(Console& con, const char* path, uint32_t* tags,
                                   const OutputFolder& folder, ContainerIndex* index,
                                   Progress* progress) {
    con.out().put("B5:Separating data...\n");
    clear_tag_list(tags);
    uint8_t header[kHeaderSize];
    int fd = -1;
    const ContainerResult opened = open_container_input(con, path, folder, header, kHeaderSize, fd);
    if (opened != ContainerResult::ok) {
        return opened;
    }
    if (!accept_gen5_header(con.out(), header)) {
        close_container_input(con, fd, path);
        return ContainerResult::failed;
    }
    const int64_t size = con.sys().file_size(fd);
    if (progress != nullptr && size > 0) {
        progress->add_total(3 * static_cast<uint64_t>(size));
    }
    int rv = kIndexFull;
    if (index != nullptr) {
        rv = index_streams(con, fd, path, tags, *index, progress);
        if (rv == 0) {
            return ContainerResult::ok;  // the index keeps the input open
        }
    }
    if (rv == kIndexFull) {
        rv = copy_streams(con, folder.at, fd, path, tags, index, progress);
    }
    close_container_input(con, fd, path);
    return rv == 0 ? ContainerResult::ok : ContainerResult::failed;
}

}  // namespace dec
