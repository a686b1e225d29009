// Large-buffer binary reading and writing over the platform seam.
//
// Logger files are read and written in 64-byte units, but never with a system
// call per unit: these wrappers move data in blocks of a megabyte and keep the
// exact-length read and write-with-retry rules of single calls.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "common/console.h"
#include "common/platform.h"

namespace dec {

inline constexpr size_t kFileBufferSize = 1 << 20;
// Buffers start at this size and double while the file keeps streaming, so a
// small file (or one tag's small share of a container) costs little memory.
inline constexpr size_t kFileBufferStart = 1 << 14;

// The buffer of a reader or writer: it starts at kFileBufferStart bytes and
// doubles up to its largest size while the file keeps streaming.
struct GrowingBuffer {
    explicit GrowingBuffer(size_t largest) : max_cap(largest) {}
    // One step larger, keeping the first `keep` bytes; false at the largest size.
    bool grow(size_t keep);

    std::unique_ptr<uint8_t[]> data;
    size_t cap = 0;
    size_t max_cap;
};

class BufferedReader {
  public:
    BufferedReader(Platform& sys, int fd, size_t capacity = kFileBufferSize);

    // full_read rule: count when all arrived, less at the end of the file, -1 on
    // a read error (a short count is returned first if bytes had arrived).
    ssize_t read(void* buf, size_t count);
    // Moves the read position back by `count` bytes (0, or -1 with errno).
    int seek_back(size_t count);
    // Moves the descriptor to the logical read position and empties the buffer
    // (before someone else uses the descriptor); 0, or -1 with errno.
    int sync_position();
    // From now on a read error reports the file `name` on `con` and stops the
    // run (read_failed) instead of returning -1 or a short count; a failed
    // seek stops it as well (seek_failed_in).
    void stop_on_error(Console& con, const char* name) {
        con_ = &con;
        name_ = name;
    }
    // Forgets the buffer after the descriptor was moved by someone else.
    void reset() { pos_ = len_ = 0; }
    int fd() const { return fd_; }

  private:
    // Moves the descriptor by `offset` from where it stands.
    int64_t seek(int64_t offset);
    // A failed read (n < 0) stops the run once stop_on_error was called; `n`.
    ssize_t checked(ssize_t n);

    Platform& sys_;
    int fd_;
    GrowingBuffer buf_;
    size_t pos_ = 0;
    size_t len_ = 0;
    Console* con_ = nullptr;
    std::string name_;
};

class BufferedWriter {
  public:
    BufferedWriter(Console& con, int fd, size_t capacity = kFileBufferSize);

    // Buffers `count` bytes; writes the buffer out with write_all_retry when full.
    // Returns 0, or -1 when a write failed (after printing `message`).
    int write(const void* buf, size_t count, const char* message);
    // Writes the buffer out; 0 or -1 (after printing `message`).
    int flush(const char* message);
    void set_fd(int fd) { fd_ = fd; }
    // The file's name, for the messages of failed writes.
    void set_name(const std::string& name) { name_ = name; }

  private:
    Console& con_;
    int fd_;
    GrowingBuffer buf_;
    size_t len_ = 0;
    std::string name_;
};

}  // namespace dec
