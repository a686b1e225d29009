// The data path of a generation-5 tag kept as an index into its raw stream.
#pragma once

#include <sys/types.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "common/console.h"
#include "gen5/container_index.h"
#include "store/tag_data.h"

namespace dec {

// Where a generation-5 tag's raw stream is: runs of the container open on
// `input_fd` (see container_index.h), or, without runs, the temporary file
// the separation wrote (`raw_name`, "tag%u.tmp" when none is given).
struct TagSource {
    int input_fd = -1;
    const std::vector<TagStreamRun>* runs = nullptr;
    const char* raw_name = nullptr;
    const char* input_name = nullptr;  // the container's path, for messages
};

// The data path of a generation-5 tag. The raw stream is read where the
// source has it; the flash image is no copy but a list of extents of the raw
// stream (the header, then one run of units per download or so), so a tag's
// data is not written anywhere and memory grows with the number of downloads,
// not with the data. An image of more than `max_extents` extents (a stream
// alternating data and gaps unit by unit) moves into the temporary file
// "ftag%u.tmp", which keeps memory bounded whatever the input. The temporary
// files are files of `folder`, the run's output folder.
//
// The image behaves as the file it replaces: one position for reading and
// writing, seeking back and writing again replaces bytes, and bytes past the
// position stay part of the image until they are overwritten.
class IndexedTagData final : public TagFilesPath {
  public:
    static constexpr size_t kMaxExtents = size_t{1} << 18;

    IndexedTagData(Console& con, const Folder& folder, uint32_t tag_number, TagSource source = {},
                   size_t max_extents = kMaxExtents);

    // Opens the raw stream: "tag%u.tmp" for a file source, nothing to do for
    // runs. 0, or -1 with errno; the caller prints the message.
    int open_raw();
    // Closes and deletes the temporary files used, printing failures. The
    // container of a run source stays open.
    void close_and_remove();

    // Size of the image and the number of extents it is made of (0 once the
    // image moved into its file).
    uint64_t image_size() const { return size_; }
    size_t extent_count() const { return extents_.size(); }
    bool image_in_file() const { return image_fd_ >= 0; }

    ssize_t raw_read(void* buf, size_t count) override;
    int raw_seek_back(size_t count) override;
    uint64_t raw_offset() const override { return raw_pos_; }
    // Bytes of unknown origin cannot be indexed: fails with ENOTSUP after
    // printing `message`. Use image_write_from_raw.
    ssize_t image_write(const void* buf, size_t count, const char* message) override;
    ssize_t image_write_from_raw(const void* buf, size_t count, uint64_t raw_offset,
                                 const char* message) override;
    int image_seek_back(size_t count) override;
    // Reads through the extents (or the image file) with one positioned read
    // per extent and buffer refill; count, fewer at the end of the image, -1
    // on an error.
    ssize_t image_read(void* buf, size_t count) override;
    int image_rewind() override;

  private:
    // `size` image bytes from image offset `image` are raw bytes from `raw`.
    struct Extent {
        uint64_t image;
        uint64_t raw;
        uint64_t size;
    };

    // Bytes [start, start + len) of a stream, as last read.
    struct Window {
        std::unique_ptr<uint8_t[]> buf;
        size_t cap = 0;
        uint64_t start = 0;
        size_t len = 0;
        bool holds(uint64_t pos) const { return pos >= start && pos < start + len; }
        bool meets(uint64_t from, uint64_t to) const { return from < start + len && to > start; }
        // Makes the window start at `pos`, empty; doubles the buffer (up to a
        // megabyte) while a stream is read on from its end.
        void restart(uint64_t pos);
        // Copies `count` bytes from `pos` on into `out` and moves `pos` past
        // them; where the window does not hold `pos`, `fill()` loads it (a
        // count, 0 at the end of the stream, -1 on an error). count, fewer at
        // the end, -1 on an error before any byte.
        template <class Fill>
        ssize_t read(uint64_t& pos, uint8_t* out, size_t count, Fill fill) {
            size_t got = 0;
            while (got < count) {
                if (!holds(pos)) {
                    const ssize_t n = fill();
                    if (n <= 0) {
                        return got > 0 || n == 0 ? static_cast<ssize_t>(got) : -1;
                    }
                }
                const auto take =
                    static_cast<size_t>(std::min<uint64_t>(count - got, start + len - pos));
                std::memcpy(out + got, buf.get() + (pos - start), take);
                pos += take;
                got += take;
            }
            return static_cast<ssize_t>(got);
        }
    };

    // Reads `count` raw-stream bytes at `raw` into `buf`: count, fewer at the
    // end of the stream, -1 on an error.
    ssize_t raw_at(uint64_t raw, uint8_t* buf, size_t count);
    // The bytes of the container runs at raw offset `raw`.
    ssize_t runs_at(uint64_t raw, uint8_t* buf, size_t count);

    // Records that image bytes [at, at + count) are raw bytes from `raw`.
    void place(uint64_t at, uint64_t count, uint64_t raw);
    // Loads the image bytes from pos_ on into the image window; 0 or -1.
    int fill_image();

    // Moves the image into "ftag%u.tmp"; 0, or -1 after printing `message`.
    int move_image_to_file(const char* message);
    // Writes pending image bytes into the image file; 0 or -1.
    int flush_pending(const char* message);

    TagSource source_;
    // Stops the run unless an indexed read of `want` bytes got them all.
    void check_indexed_read(ssize_t n, size_t want);
    size_t max_extents_;
    uint64_t raw_pos_ = 0;
    Window raw_win_;

    std::vector<Extent> extents_;  // by image offset, no gaps, none empty
    uint64_t size_ = 0;
    uint64_t pos_ = 0;
    Window image_win_;

    // The bytes written at the image position not yet in the image file
    // (image_fd_, once the extents ran over max_extents_).
    Window pending_;
};

}  // namespace dec
