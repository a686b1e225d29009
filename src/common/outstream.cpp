#include "common/outstream.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <vector>

namespace dec {

OutStream::OutStream(Platform& sys, int fd, size_t capacity)
    : sys_(&sys), fd_(fd), buf_(new char[capacity]), cap_(capacity) {}

OutStream::OutStream(std::string* sink, size_t capacity)
    : sink_(sink), buf_(new char[capacity]), cap_(capacity) {}

OutStream::~OutStream() { flush(); }

void OutStream::write(const char* data, size_t n) {
    if (n <= cap_ - len_) {
        std::memcpy(buf_.get() + len_, data, n);
        len_ += n;
        return;
    }
    flush();
    if (n <= cap_) {
        std::memcpy(buf_.get(), data, n);
        len_ = n;
        return;
    }
    // Larger than the whole buffer: hand it over directly.
    if (sink_ != nullptr) {
        sink_->append(data, n);
        return;
    }
    size_t done = 0;
    while (done < n && fd_ >= 0) {
        ssize_t w = sys_->write(fd_, data + done, n - done);
        if (w <= 0) {
            failed_ = true;
            return;
        }
        done += static_cast<size_t>(w);
    }
}

void OutStream::put_u32(uint32_t v) {
    char tmp[16];
    auto r = std::to_chars(tmp, tmp + sizeof tmp, v);
    write(tmp, static_cast<size_t>(r.ptr - tmp));
}

void OutStream::put_i32(int32_t v) {
    char tmp[16];
    auto r = std::to_chars(tmp, tmp + sizeof tmp, v);
    write(tmp, static_cast<size_t>(r.ptr - tmp));
}

void OutStream::put_u64(uint64_t v) {
    char tmp[24];
    auto r = std::to_chars(tmp, tmp + sizeof tmp, v);
    write(tmp, static_cast<size_t>(r.ptr - tmp));
}

int OutStream::printf(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    int n = vprintf(fmt, ap);
    va_end(ap);
    return n;
}

int OutStream::vprintf(const char* fmt, va_list ap) {
    va_list again;
    va_copy(again, ap);
    size_t room = cap_ - len_;
    int n = std::vsnprintf(buf_.get() + len_, room, fmt, ap);
    if (n < 0) {
        va_end(again);
        failed_ = true;
        return n;
    }
    if (static_cast<size_t>(n) < room) {
        len_ += static_cast<size_t>(n);
        va_end(again);
        return n;
    }
    // Did not fit behind what is buffered: make room and format again.
    flush();
    if (static_cast<size_t>(n) < cap_) {
        std::vsnprintf(buf_.get(), cap_, fmt, again);
        len_ = static_cast<size_t>(n);
    } else {
        std::vector<char> big(static_cast<size_t>(n) + 1);
        std::vsnprintf(big.data(), big.size(), fmt, again);
        write(big.data(), static_cast<size_t>(n));
    }
    va_end(again);
    return n;
}

int OutStream::flush() {
    if (len_ == 0) {
        return failed_ ? -1 : 0;
    }
    if (sink_ != nullptr) {
        sink_->append(buf_.get(), len_);
        len_ = 0;
        return 0;
    }
    size_t done = 0;
    while (done < len_ && fd_ >= 0) {
        ssize_t w = sys_->write(fd_, buf_.get() + done, len_ - done);
        if (w <= 0) {
            failed_ = true;
            break;
        }
        done += static_cast<size_t>(w);
    }
    len_ = 0;
    return failed_ ? -1 : 0;
}

int OutStream::close() {
    int rv = flush();
    if (sink_ == nullptr && fd_ >= 0) {
        int saved = errno;
        if (sys_->close(fd_) != 0) {
            rv = -1;
        } else if (rv != 0) {
            errno = saved;
        }
        fd_ = -1;
    }
    return rv;
}

}  // namespace dec
