// A tag's data on its way to the block loop.
//
// Two byte streams make up a tag's data path: the raw stream (the tag's
// downloads in container order: header, open blocks, units) and the flash image
// (the header, then the data units joined in tag-memory order) that the first
// pass builds from it and the second pass decodes. The loops see only this
// interface, so where the bytes live (a temporary file, or an index into the
// raw stream) can change without touching them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <sys/types.h>
#include <vector>

#include "common/buffered_file.h"
#include "common/console.h"

namespace dec {

class TagDataPath {
public:
    virtual ~TagDataPath() = default;

    // Raw stream. read(): count, fewer at the end, -1 on an error.
    virtual ssize_t raw_read(void* buf, size_t count) = 0;
    // Moves the raw stream back by `count` bytes; 0, or -1 with errno.
    virtual int raw_seek_back(size_t count) = 0;
    // Offset of the next raw byte from the start of the raw stream. Only paths
    // that keep the image as an index into the raw stream need it.
    virtual uint64_t raw_offset() const { return 0; }

    // Flash image, written at its current position. Returns the bytes written
    // (count on success), or -1 after printing `message` with the error text.
    virtual ssize_t image_write(const void* buf, size_t count, const char* message) = 0;
    // image_write for bytes just read from the raw stream at `raw_offset`
    // (`buf` holds them). Every image byte of a generation-5 tag comes from the
    // raw stream, so an index needs only their place; the others copy `buf`.
    virtual ssize_t image_write_from_raw(const void* buf, size_t count, uint64_t raw_offset,
                                         const char* message) {
        static_cast<void>(raw_offset);
        return image_write(buf, count, message);
    }
    // Moves the image position back by `count` bytes; 0, or -1 with errno.
    virtual int image_seek_back(size_t count) = 0;
    virtual ssize_t image_read(void* buf, size_t count) = 0;
    // Back to the start of the image, for the second pass; 0, or -1 with errno.
    virtual int image_rewind() = 0;
};

// The data path kept in two temporary files in the current directory:
// "tag%u.tmp" (written by the separation) and "ftag%u.tmp" (the flash image).
class TempFileTagData final : public TagDataPath {
public:
    TempFileTagData(Console& con, uint32_t tag_number);
    ~TempFileTagData() override;

    const char* raw_name() const { return raw_name_; }

    // 0, or -1 with errno; the caller prints the message.
    int open_raw();
    int create_image();
    // Writes the container header at the start of the new image with
    // write_all_retry; returns the bytes written or -1.
    ssize_t write_image_header(const uint8_t* header, size_t size);
    // Closes both files, printing a failing close; then deletes both files,
    // printing a failing deletion.
    void close_and_remove();

    ssize_t raw_read(void* buf, size_t count) override;
    int raw_seek_back(size_t count) override;
    ssize_t image_write(const void* buf, size_t count, const char* message) override;
    int image_seek_back(size_t count) override;
    ssize_t image_read(void* buf, size_t count) override;
    int image_rewind() override;

private:
    // Pending image bytes go out before any other use of the image descriptor.
    int flush_image();

    Console& con_;
    char raw_name_[64];
    char image_name_[64];
    int raw_fd_ = -1;
    int image_fd_ = -1;
    std::unique_ptr<BufferedReader> raw_;
    std::unique_ptr<BufferedReader> image_in_;
    std::unique_ptr<BufferedWriter> image_out_;
    bool reading_image_ = false;
    bool image_created_ = false;
};

// The data path of a generation-5 tag: the raw stream is the temporary file
// "tag%u.tmp" written by the separation; the flash image is no file but a list
// of extents of that stream (the header, then one run of units per download
// or so), so a tag's data is written to disk once and memory grows with the
// number of downloads, not with the data.
//
// The image behaves as the file it replaces: one position for reading and
// writing, seeking back and writing again replaces bytes, and bytes past the
// position stay part of the image until they are overwritten.
class IndexedTagData final : public TagDataPath {
public:
    IndexedTagData(Console& con, uint32_t tag_number);
    ~IndexedTagData() override;

    const char* raw_name() const { return raw_name_; }

    // 0, or -1 with errno; the caller prints the message.
    int open_raw();
    // Closes the raw file, printing a failing close; then deletes it, printing
    // a failing deletion.
    void close_and_remove();

    // Size of the image and the number of extents it is made of.
    uint64_t image_size() const { return size_; }
    size_t extent_count() const { return extents_.size(); }

    ssize_t raw_read(void* buf, size_t count) override;
    int raw_seek_back(size_t count) override;
    uint64_t raw_offset() const override { return raw_pos_; }
    // Bytes of unknown origin cannot be indexed: fails with ENOTSUP after
    // printing `message`. Use image_write_from_raw.
    ssize_t image_write(const void* buf, size_t count, const char* message) override;
    ssize_t image_write_from_raw(const void* buf, size_t count, uint64_t raw_offset,
                                 const char* message) override;
    int image_seek_back(size_t count) override;
    // Reads through the extents with one positioned read per extent and buffer
    // refill; count, fewer at the end of the image, -1 on an error.
    ssize_t image_read(void* buf, size_t count) override;
    int image_rewind() override;

private:
    // `size` image bytes from image offset `image` are raw bytes from `raw`.
    struct Extent {
        uint64_t image;
        uint64_t raw;
        uint64_t size;
    };

    // Records that image bytes [at, at + count) are raw bytes from `raw`.
    void place(uint64_t at, uint64_t count, uint64_t raw);
    // Loads the image bytes from pos_ on into the read buffer; 0 or -1.
    int fill_buffer();
    // Reads `count` raw bytes at `raw` into `buf`, leaving the descriptor
    // where the raw stream's reader expects it; bytes read or -1.
    ssize_t read_at(uint64_t raw, uint8_t* buf, size_t count);

    Console& con_;
    char raw_name_[64];
    int raw_fd_ = -1;
    std::unique_ptr<BufferedReader> raw_;
    uint64_t raw_pos_ = 0;

    std::vector<Extent> extents_;  // by image offset, no gaps, none empty
    uint64_t size_ = 0;
    uint64_t pos_ = 0;

    // Image bytes [buf_start_, buf_start_ + buf_len_) as last read.
    std::unique_ptr<uint8_t[]> buf_;
    size_t buf_cap_ = 0;
    uint64_t buf_start_ = 0;
    size_t buf_len_ = 0;
};

}  // namespace dec
