#include "common/buffered_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "common/io.h"

namespace dec {

bool GrowingBuffer::grow(size_t keep) {
    if (cap >= max_cap) {
        return false;
    }
    const size_t bigger =
        cap == 0 ? std::min(kFileBufferStart, max_cap) : std::min(2 * cap, max_cap);
    std::unique_ptr<uint8_t[]> grown(new uint8_t[bigger]);
    if (keep > 0) {
        std::memcpy(grown.get(), data.get(), keep);
    }
    data = std::move(grown);
    cap = bigger;
    return true;
}

BufferedReader::BufferedReader(Platform& sys, int fd, size_t capacity)
    : sys_(sys), fd_(fd), buf_(capacity) {}

ssize_t BufferedReader::checked(ssize_t n) {
    if (n < 0 && con_ != nullptr) {
        read_failed(*con_, name_.c_str());
    }
    return n;
}

ssize_t BufferedReader::read(void* buf, size_t count) {
    auto* out = static_cast<uint8_t*>(buf);
    size_t got = 0;
    while (got < count) {
        if (pos_ == len_) {
            // The old bytes go with a smaller buffer: a later seek back must
            // go through the descriptor, which stands at their end.
            if (buf_.grow(0)) {
                pos_ = len_ = 0;
            }
            // A large request is read straight into the caller's buffer.
            const bool direct = count - got >= buf_.cap;
            const ssize_t n = checked(direct ? full_read(sys_, fd_, out + got, count - got)
                                             : sys_.read(fd_, buf_.data.get(), buf_.cap));
            if (n < 0) {
                return got > 0 ? static_cast<ssize_t>(got) : -1;
            }
            if (direct) {
                return static_cast<ssize_t>(got + static_cast<size_t>(n));
            }
            if (n == 0) {
                break;
            }
            pos_ = 0;
            len_ = static_cast<size_t>(n);
        }
        size_t take = std::min(count - got, len_ - pos_);
        std::memcpy(out + got, buf_.data.get() + pos_, take);
        pos_ += take;
        got += take;
    }
    return static_cast<ssize_t>(got);
}

int64_t BufferedReader::seek(int64_t offset) {
    const int64_t at = sys_.seek(fd_, offset, SEEK_CUR);
    if (at < 0 && con_ != nullptr) {
        seek_failed_in(*con_, name_.c_str());
    }
    return at;
}

int BufferedReader::seek_back(size_t count) {
    if (count <= pos_) {
        pos_ -= count;
        return 0;
    }
    // The descriptor stands at the end of the buffered bytes.
    const int64_t back = static_cast<int64_t>(count + (len_ - pos_));
    if (seek(-back) < 0) {
        return -1;
    }
    pos_ = len_ = 0;
    return 0;
}

int BufferedReader::sync_position() {
    const size_t ahead = len_ - pos_;
    pos_ = len_ = 0;
    if (ahead == 0) {
        return 0;
    }
    return seek(-static_cast<int64_t>(ahead)) < 0 ? -1 : 0;
}

BufferedWriter::BufferedWriter(Console& con, int fd, size_t capacity)
    : con_(con), fd_(fd), buf_(capacity) {}

int BufferedWriter::write(const void* buf, size_t count, const char* message) {
    // Grow towards the full size before the first write-out.
    while (count > buf_.cap - len_ && buf_.grow(len_)) {
    }
    if (count > buf_.cap - len_) {
        if (flush(message) != 0) {
            return -1;
        }
        if (count > buf_.cap) {
            return write_all_retry(con_, fd_, buf, count, message,
                                   name_.empty() ? nullptr : name_.c_str()) ==
                           static_cast<ssize_t>(count)
                       ? 0
                       : -1;
        }
    }
    std::memcpy(buf_.data.get() + len_, buf, count);
    len_ += count;
    return 0;
}

int BufferedWriter::flush(const char* message) {
    if (len_ == 0) {
        return 0;
    }
    ssize_t n = write_all_retry(con_, fd_, buf_.data.get(), len_, message,
                                name_.empty() ? nullptr : name_.c_str());
    const bool ok = n == static_cast<ssize_t>(len_);
    len_ = 0;
    return ok ? 0 : -1;
}

}  // namespace dec
