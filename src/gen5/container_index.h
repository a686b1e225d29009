// Where each tag's raw stream lies in a generation-5 container.
//
// A tag's raw stream is the container header followed by every download of
// the tag: its open block and the units after it, up to the next open block.
// Those units are consecutive bytes of the container, so a download is one run
// of container bytes, and the separation can record runs instead of copying
// the downloads into a temporary file per tag. Reading a run gives the open
// block with its flash start rounded down, as a copy would hold it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/console.h"
#include "common/platform.h"
#include "store/tag_files.h"

namespace dec {

struct TagStreamRun {
    uint64_t input;  // container offset of the download's open block
    uint64_t end;    // raw-stream offset just past the download
};

// The runs of every tag of a container and the open container itself, or
// the files the downloads were copied into when there were too many to index.
class ContainerIndex {
  public:
    // An index needs 16 bytes per download. Past this many downloads (a
    // damaged or hostile container made of open blocks, or years of hourly
    // downloads) the separation copies into temporary files instead.
    static constexpr size_t kMaxRuns = size_t{1} << 20;

    explicit ContainerIndex(size_t max_runs = kMaxRuns) : max_runs_(max_runs) {}
    // A container still open (a fatal stop unwound the run) is closed quietly.
    ~ContainerIndex();
    ContainerIndex(const ContainerIndex&) = delete;
    ContainerIndex& operator=(const ContainerIndex&) = delete;

    // True when the separation indexed the container; the tags' runs are then
    // in runs_of() and the container stays open until close().
    bool active() const { return input_fd_ >= 0; }
    int input_fd() const { return input_fd_; }
    const char* input_name() const { return input_name_.c_str(); }

    // Runs of the tag at position `slot` of the separation's tag list.
    const std::vector<TagStreamRun>& runs_of(size_t slot) const { return tags_[slot]; }

    // Separation side: a new download of the tag at `slot` whose open block is
    // at container offset `input`. False when the index is full.
    bool add_download(size_t slot, uint64_t input);
    // One more unit for the last download.
    void add_unit(size_t slot, size_t unit_size) { tags_[slot].back().end += unit_size; }

    void clear();
    void activate(Platform& sys, int input_fd, const char* input_name) {
        sys_ = &sys;
        input_fd_ = input_fd;
        input_name_ = input_name;
    }
    // Closes the container (a failing close is reported) and clears the index.
    void close(Console& con);

    // The copies of a separation that could not index the container.
    TagFileList& copies() { return copies_; }
    const char* copy_of(size_t slot) const { return copies_.name_of(slot); }

  private:
    std::vector<std::vector<TagStreamRun>> tags_;
    size_t max_runs_;
    size_t runs_ = 0;
    Platform* sys_ = nullptr;
    int input_fd_ = -1;
    std::string input_name_;
    TagFileList copies_;
};

}  // namespace dec
