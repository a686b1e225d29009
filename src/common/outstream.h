// Buffered text output.
//
// Every text the decoder writes (console, information files, GPS/ACC/KML/GPX
// outputs) goes through an OutStream: a large buffer in front of a descriptor
// (through the Platform seam) or, for tests, in front of a string. Formatting is
// C printf with the "C" locale, which is the reference for every output format.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/platform.h"

namespace dec {

class OutStream {
public:
    static constexpr size_t kDefaultCapacity = 64 * 1024;

    // Writes to an open descriptor; the stream does not close it unless adopted.
    OutStream(Platform& sys, int fd, size_t capacity = kDefaultCapacity);
    // Collects everything into *sink (used by tests and in-memory formatting).
    explicit OutStream(std::string* sink, size_t capacity = 4096);
    ~OutStream();

    OutStream(const OutStream&) = delete;
    OutStream& operator=(const OutStream&) = delete;

    void write(const char* data, size_t n);
    void put(std::string_view s) { write(s.data(), s.size()); }
    void put_char(char c) {
        if (len_ == cap_) {
            flush();
        }
        buf_[len_++] = c;
    }
    // Plain decimal numbers, identical to "%u" / "%i" / "%llu".
    void put_u32(uint32_t v);
    void put_i32(int32_t v);
    void put_u64(uint64_t v);

    int printf(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    int vprintf(const char* fmt, va_list ap);

    // Writes the buffer out; 0, or -1 when a write failed (the error is kept).
    int flush();
    // Flushes and closes the descriptor; 0, or -1 when a write or the close failed.
    int close();
    bool failed() const { return failed_; }
    int fd() const { return fd_; }

private:
    Platform* sys_ = nullptr;
    int fd_ = -1;
    std::string* sink_ = nullptr;
    std::unique_ptr<char[]> buf_;
    size_t cap_;
    size_t len_ = 0;
    bool failed_ = false;
};

}  // namespace dec
