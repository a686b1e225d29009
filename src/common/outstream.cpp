#include "common/outstream.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace dec {

namespace {

// reserve() must always find room for one field after a flush.
constexpr size_t kMinCapacity = 2 * kMaxFormatLength;

size_t usable_capacity(size_t wanted) {
    return wanted < kMinCapacity ? kMinCapacity : wanted;
}

}  // namespace

char* format_fixed(char* p, double v, int precision) {
    if (precision < 0) {
        precision = 0;
    } else if (precision > kMaxFixedPrecision) {
        precision = kMaxFixedPrecision;
    }
    // Fast path for the values outputs carry: scaled by 10^precision the value
    // stays below 2^40, so the product is within 2^-14 of the exact scaled value
    // and its rounding to an integer is that of the exact value, unless the
    // fraction lies near one half (ties and near-ties go the exact way below).
    static constexpr double kScale[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
    static constexpr uint64_t kPower[] = {1,      10,      100,      1000,      10000,
                                          100000, 1000000, 10000000, 100000000, 1000000000};
    if (precision <= 9) {
        const double scaled = std::fabs(v) * kScale[precision];
        if (scaled < 1099511627776.0) {  // 2^40; false for NaN and infinities
            const double whole = std::floor(scaled);
            const double fraction = scaled - whole;  // exact below 2^52
            if (std::fabs(fraction - 0.5) > 1.0 / 1024) {
                const uint64_t r = static_cast<uint64_t>(whole) + (fraction > 0.5 ? 1 : 0);
                if (std::signbit(v)) {
                    *p++ = '-';  // "%f" keeps the sign of a negative value rounded to 0
                }
                p = std::to_chars(p, p + 24, r / kPower[precision]).ptr;
                if (precision > 0) {
                    *p++ = '.';
                    uint64_t digits = r % kPower[precision];
                    for (int i = precision - 1; i >= 0; --i) {
                        p[i] = static_cast<char>('0' + digits % 10);
                        digits /= 10;
                    }
                    p += precision;
                }
                return p;
            }
        }
    }
    // Exact and locale-independent: the same digits as "%.*f" in the C locale.
    return std::to_chars(p, p + kMaxFormatLength, v, std::chars_format::fixed, precision).ptr;
}

OutStream::OutStream(Platform& sys, int fd, size_t capacity)
    : sys_(&sys),
      fd_(fd),
      buf_(new char[usable_capacity(capacity)]),
      cap_(usable_capacity(capacity)) {}

OutStream::OutStream(std::string* sink, size_t capacity)
    : sink_(sink), buf_(new char[usable_capacity(capacity)]), cap_(usable_capacity(capacity)) {}

OutStream::OutStream(TextSink* target, size_t capacity)
    : target_(target), buf_(new char[usable_capacity(capacity)]), cap_(usable_capacity(capacity)) {}

OutStream::~OutStream() {
    flush();
}

void OutStream::write_long(const char* data, size_t n) {
    flush();
    if (n <= cap_) {
        std::memcpy(buf_.get(), data, n);
        len_ = n;
        return;
    }
    emit(data, n);  // larger than the whole buffer: handed over directly
}

void OutStream::emit(const char* data, size_t n) {
    if (target_ != nullptr) {
        target_->append(data, n);
    } else if (sink_ != nullptr) {
        sink_->append(data, n);
    } else {
        write_out(data, n);
    }
}

void OutStream::write_out(const char* data, size_t n) {
    // After a failed write the file is incomplete whatever follows: nothing
    // more is written, and the first error is what close() reports.
    size_t done = 0;
    while (!failed_ && done < n && fd_ >= 0) {
        ssize_t w = sys_->write(fd_, data + done, n - done);
        if (w <= 0) {
            failed_ = true;
            error_ = w < 0 ? errno : EIO;
            return;
        }
        done += static_cast<size_t>(w);
    }
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
        error_ = errno;
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
    ++flushes_;
    if (len_ == 0) {
        return failed_ ? -1 : 0;
    }
    emit(buf_.get(), len_);
    len_ = 0;
    // Handing text to a string or a sink does not fail.
    return failed_ && sys_ != nullptr ? -1 : 0;
}

int OutStream::close() {
    int rv = flush();
    if (sink_ == nullptr && target_ == nullptr && fd_ >= 0) {
        if (sys_->close(fd_) != 0) {
            rv = -1;
        } else if (rv != 0) {
            errno = error_;
        }
        fd_ = -1;
    }
    return rv;
}

}  // namespace dec
