// Buffered text output.
//
// Every text the decoder writes (console, information files, GPS/ACC/KML/GPX
// outputs) goes through an OutStream: a large buffer in front of a descriptor
// (through the Platform seam) or, for tests, in front of a string. Formatting is
// C printf with the "C" locale, which is the reference for every output format.
//
// printf is flexible but slow for the millions of small fields of the sample
// and fix lines, so the common conversions have direct versions below that give
// exactly the bytes printf gives: integers, zero-padded integers and fixed
// precision doubles (the exact binary value rounded half to even, like glibc).
#pragma once

#include <charconv>
#include <cstdarg>
#include <cstddef>
#include <cstdint>

// printf-style functions are checked against the C99 formats the decoder
// uses (%hhu, %llu): on Windows the C runtime's own printf knows fewer, so the
// build there uses the C99 implementation of its toolchain and says so here.
#if defined(__MINGW32__)
#define DEC_PRINTF_FORMAT(fmt, args) __attribute__((format(gnu_printf, fmt, args)))
#else
#define DEC_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#endif
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "common/platform.h"

namespace dec {

// Room a format_* call below may need: a double with 309 integer digits, sign,
// point and up to kMaxFixedPrecision decimals fits, and so does any integer.
inline constexpr size_t kMaxFormatLength = 352;
inline constexpr int kMaxFixedPrecision = 17;

// "%u" / "%i" / "%llu" into p; return the end of the digits (no terminator).
inline char* format_u32(char* p, uint32_t v) {
    return std::to_chars(p, p + 10, v).ptr;
}
inline char* format_i32(char* p, int32_t v) {
    return std::to_chars(p, p + 11, v).ptr;
}
inline char* format_u64(char* p, uint64_t v) {
    return std::to_chars(p, p + 20, v).ptr;
}

// "%02u" of 0..99 at kDigitPairs + 2 * value.
inline constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324"
    "25262728293031323334353637383940414243444546474849"
    "50515253545556575859606162636465666768697071727374"
    "75767778798081828384858687888990919293949596979899";

// "%i" (and "%hi") of a 16-bit value; the burst samples are the most frequent
// numbers of all outputs, so they get a path of their own.
inline char* format_i16(char* p, int16_t v) {
    uint32_t u = static_cast<uint16_t>(v);
    if (v < 0) {
        *p++ = '-';
        u = 65536u - u;
    }
    if (u < 10) {
        *p = static_cast<char>('0' + u);
        return p + 1;
    }
    if (u < 100) {
        std::memcpy(p, kDigitPairs + 2 * u, 2);
        return p + 2;
    }
    if (u < 1000) {
        *p = static_cast<char>('0' + u / 100);
        std::memcpy(p + 1, kDigitPairs + 2 * (u % 100), 2);
        return p + 3;
    }
    if (u >= 10000) {
        *p++ = static_cast<char>('0' + u / 10000);
        u %= 10000;
    }
    std::memcpy(p, kDigitPairs + 2 * (u / 100), 2);
    std::memcpy(p + 2, kDigitPairs + 2 * (u % 100), 2);
    return p + 4;
}

// "%0*u": at least `width` digits (1..10), zeros in front; longer numbers keep
// all their digits.
inline char* format_u32_width(char* p, uint32_t v, int width) {
    constexpr uint32_t kPowersOf10[] = {1,      10,      100,      1000,      10000,
                                        100000, 1000000, 10000000, 100000000, 1000000000};
    int n = width < 1 ? 1 : (width > 10 ? 10 : width);
    while (n < 10 && v >= kPowersOf10[n]) {
        ++n;
    }
    char* end = p + n;
    for (char* q = end; q != p; v /= 10) {
        *--q = static_cast<char>('0' + v % 10);
    }
    return end;
}

// "%.*f" of v with 0..kMaxFixedPrecision decimals, "nan", "-nan", "inf" and
// "-inf" included; p needs kMaxFormatLength bytes of room.
char* format_fixed(char* p, double v, int precision);

// Where a stream's text goes when it is kept in the program (a console whose
// output is collected while its tag is decoded ahead of the others).
class TextSink {
  public:
    virtual ~TextSink() = default;
    virtual void append(const char* data, size_t n) = 0;
};

class OutStream {
  public:
    static constexpr size_t kDefaultCapacity = 64 * 1024;

    // Writes to an open descriptor; the stream does not close it unless adopted.
    OutStream(Platform& sys, int fd, size_t capacity = kDefaultCapacity);
    // Collects everything into *sink (used by tests and in-memory formatting).
    explicit OutStream(std::string* sink, size_t capacity = 4096);
    // Hands every buffer it flushes to *target.
    OutStream(TextSink* target, size_t capacity);
    ~OutStream();

    OutStream(const OutStream&) = delete;
    OutStream& operator=(const OutStream&) = delete;

    void write(const char* data, size_t n) {
        if (n <= cap_ - len_) {
            std::memcpy(buf_.get() + len_, data, n);
            len_ += n;
            return;
        }
        write_long(data, n);
    }
    void put(std::string_view s) { write(s.data(), s.size()); }
    void put_char(char c) {
        if (len_ == cap_) {
            flush();
        }
        buf_[len_++] = c;
    }

    // Direct formatting into the buffer: reserve(n) (n <= kMaxFormatLength)
    // returns where the next n bytes may go, commit(end) keeps what was written
    // up to `end`.
    char* reserve(size_t n) {
        if (cap_ - len_ < n) {
            flush();
        }
        return buf_.get() + len_;
    }
    void commit(const char* end) { len_ = static_cast<size_t>(end - buf_.get()); }

    // Plain decimal numbers, identical to "%u" / "%i" / "%llu".
    void put_u32(uint32_t v) { commit(format_u32(reserve(10), v)); }
    void put_i32(int32_t v) { commit(format_i32(reserve(11), v)); }
    void put_u64(uint64_t v) { commit(format_u64(reserve(20), v)); }
    // "%02u", "%04u", "%010u", ...: width 1..10.
    void put_u32_width(uint32_t v, int width) { commit(format_u32_width(reserve(10), v, width)); }
    // The length modifiers of printf: "%hi" prints the value as a short, "%hhi"
    // as a signed char, "%hhu" as an unsigned char.
    void put_hi(int v) { commit(format_i16(reserve(6), static_cast<int16_t>(v))); }
    void put_hhi(int v) { put_i32(static_cast<int8_t>(v)); }
    void put_hhu(unsigned v) { put_u32(static_cast<uint8_t>(v)); }
    // "%.*f" with 0..kMaxFixedPrecision decimals; put_f is "%f" (six decimals).
    void put_fixed(double v, int precision) {
        commit(format_fixed(reserve(kMaxFormatLength), v, precision));
    }
    void put_f(double v) { put_fixed(v, 6); }

    // A text the tag-time printers keep between calls, keyed by what it was
    // made from (a day number): rows of one day share their date.
    struct Memo {
        int64_t key = -1;
        uint32_t length = 0;
        char text[36] = {};
    };
    enum MemoSlot { kMemoDottedDate, kMemoDayAndDate, kMemoDayDateTime, kMemoIsoDate, kMemoSlots };
    Memo& memo(MemoSlot slot) { return memo_[slot]; }
    void put_memo(const Memo& m) {
        // Copying the whole fixed-size text is cheaper than a copy of its length.
        char* p = reserve(sizeof m.text);
        std::memcpy(p, m.text, sizeof m.text);
        commit(p + m.length);
    }

    // A place in the text: text_since(mark) is what was written after it, as
    // long as all of it is still in the buffer (nullptr once a flush took it).
    struct Mark {
        uint64_t flushes;
        size_t length;
    };
    Mark mark() const { return {flushes_, len_}; }
    const char* text_since(Mark m, size_t& n) const {
        if (m.flushes != flushes_) {
            return nullptr;
        }
        n = len_ - m.length;
        return buf_.get() + m.length;
    }

    int printf(const char* fmt, ...) DEC_PRINTF_FORMAT(2, 3);
    int vprintf(const char* fmt, va_list ap);

    // Writes the buffer out; 0, or -1 when a write failed (the error is kept).
    int flush();
    // Flushes and closes the descriptor; 0, or -1 with errno when a write or
    // the close failed (errno of the first failed write).
    int close();
    bool failed() const { return failed_; }
    int fd() const { return fd_; }

  private:
    void write_long(const char* data, size_t n);
    // Writes to the descriptor until all is out or a write fails.
    void write_out(const char* data, size_t n);
    // Hands `n` bytes to where the text goes: the sink, the string or the
    // descriptor.
    void emit(const char* data, size_t n);

    Platform* sys_ = nullptr;
    int fd_ = -1;
    std::string* sink_ = nullptr;
    TextSink* target_ = nullptr;
    std::unique_ptr<char[]> buf_;
    size_t cap_;
    size_t len_ = 0;
    uint64_t flushes_ = 0;  // calls of flush(): a Mark from before one is stale
    bool failed_ = false;
    int error_ = 0;  // errno of the failed write
    Memo memo_[kMemoSlots];
};

}  // namespace dec
