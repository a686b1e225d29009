// A tag's data on its way to the block loop.
//
// Two byte streams make up a tag's data path: the raw stream (the tag's
// downloads in container order: header, open blocks, units) and the flash image
// (the header, then the data units joined in tag-memory order) that the first
// pass builds from it and the second pass decodes. The loops see only this
// interface, so where the bytes live (a temporary file, or an index into the
// raw stream) can change without touching them.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "common/buffered_file.h"
#include "common/console.h"

namespace dec {

// What a failing write of the flash image says.
inline constexpr const char* kImageWriteMessage = "Couldn't write data";

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

// Checks a container header given the result `n` of reading
// kContainerHeaderSize bytes into `header`: read whole, and its magic one of
// `magics`. 0, or -1 after "Read error", "Could read only ..." or "Magic
// doesn't match.".
int check_container_header(Console& con, ssize_t n, const uint8_t* header,
                           std::span<const uint32_t> magics);

// The start of the second pass: back to the start of the flash image, whose
// header (kContainerHeaderSize bytes) is read into `header` again and checked
// as above. 0, or -1 with the message printed.
int reread_image_header(Console& con, TagDataPath& data, uint8_t* header,
                        std::span<const uint32_t> magics);

// Both generations write their flash in units of 64 bytes (generation 3
// calls them records).
inline constexpr size_t kImageUnitSize = 64;

// Whether a new download begins by sending again what ends the flash image.
enum class RepeatCheck { different = 0, repeated = 1, nothing_compared = 2 };

// The last `count` bytes of the flash image into `tail`; the image position
// ends where it was. Ends the program when they cannot be read back.
void read_image_tail(Console& con, TagDataPath& data, uint8_t* tail, size_t count);

// Hands each whole unit among the next `count` bytes of the raw stream to
// `differences` (the unit and its offset from the first), up to a unit that
// is short or `is_open_block`, and moves the raw stream back to where it was
// (ending the program when it cannot). nothing_compared when no unit was
// handed on; repeated when none differed.
RepeatCheck compare_units_ahead(
    Console& con, TagDataPath& data, size_t count,
    const std::function<bool(const uint8_t* unit)>& is_open_block,
    const std::function<uint32_t(const uint8_t* unit, size_t offset)>& differences);

// How what a download delivered compares with what its open block announced.
// The announced count is the 32-bit difference of the block's end and start
// addresses, and the tag's own arithmetic is 32-bit: the figure is the 32-bit
// difference read as signed, so a download whose end address lies below its
// start misses a negative count. Only a download that really delivered 4 GiB
// or more has its surplus counted in full.
struct DownloadBalance {
    enum class Kind { complete, missing, surplus } kind;
    long long figure;  // bytes missing or surplus, as printed with "%lld"
};
DownloadBalance download_balance(uint32_t expected, uint64_t received);

// How a download that ends compares with what its open block announced:
// "(data complete)", the bytes missing, or the surplus in the generation's
// own words (a format taking one %lld).
inline constexpr const char* kGen5Surplus =
    "(data complete and %lld bytes data more than expected)\n";
inline constexpr const char* kGen3Surplus = "(%lld bytes data more than expected)\n";
void print_completeness(OutStream& out, uint32_t expected, uint64_t received,
                        const char* surplus_format);

// The line on a tag's last download at the end of its report: complete, the
// bytes missing, or the surplus in the generation's own words (a format taking
// the tag number with %i and the figure with %lld).
inline constexpr const char* kGen5LastSurplus =
    "The last download for tag%i was a COMPLETE data download (and delivered us %lld bytes "
    "more than expected).\n";
inline constexpr const char* kGen3LastSurplus =
    "The last download for tag%i gave us %lld bytes more than expected.\n";
// Returns the balance it reports.
DownloadBalance print_last_download(OutStream& out, uint32_t tag_number, uint32_t expected,
                                    uint64_t received, const char* surplus_format);

// The files of a data path in `folder` (the run's output folder): the
// separation's copy of the tag's downloads (`raw_name`, or "tag%i.tmp" when
// none is given) and, once created, a new temporary file for the flash image
// ("ftag%i.tmp", or a free variant).
class TagFilesPath : public TagDataPath {
  public:
    TagFilesPath(const TagFilesPath&) = delete;
    TagFilesPath& operator=(const TagFilesPath&) = delete;

    const char* raw_name() const { return raw_name_; }
    const char* image_name() const { return image_name_.c_str(); }

  protected:
    TagFilesPath(Console& con, const Folder& folder, uint32_t tag_number, const char* raw_name);
    // Closes what is open, and deletes an image file a stop left behind (it
    // skipped close_and_remove()).
    ~TagFilesPath() override;

    // Open the raw copy and create the image file; 0, or -1 with errno.
    int open_raw_file();
    int create_image_file();
    // Closes `fd` when it is open, printing a failing close of file `name`.
    void close_file(int& fd, const char* name);
    // Delete the raw copy and the image file, printing a failing deletion.
    void remove_raw_file();
    void remove_image_file();

    Console& con_;
    Folder folder_;
    uint32_t tag_number_;
    char raw_name_[64];
    std::string image_name_;
    int raw_fd_ = -1;
    bool raw_owned_ = true;  // whether raw_fd_ is a descriptor of the path's own
    int image_fd_ = -1;
};

// The data path kept in the two temporary files.
class TempFileTagData final : public TagFilesPath {
  public:
    TempFileTagData(Console& con, const Folder& folder, uint32_t tag_number,
                    const char* raw_name = nullptr)
        : TagFilesPath(con, folder, tag_number, raw_name) {}

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

    std::unique_ptr<BufferedReader> raw_;
    std::unique_ptr<BufferedReader> image_in_;
    std::unique_ptr<BufferedWriter> image_out_;
    bool reading_image_ = false;
};

}  // namespace dec
