// Exact-length reads, writes with retry, and byte dumps.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

#include "common/console.h"
#include "common/outstream.h"
#include "common/platform.h"

namespace dec {

// Reads until `count` bytes are in `buf`. Returns count when all arrived, the
// smaller number read when the file ended first, -1 on a read error, 0 at once
// for a count of 0.
ssize_t full_read(Platform& sys, int fd, void* buf, size_t count);
// full_read at `offset`, leaving the descriptor where it stands.
ssize_t full_read_at(Platform& sys, int fd, void* buf, size_t count, uint64_t offset);

// A file that could not be read: the system's error text after "Couldn't
// read file" and the file's name, then the run stops with UNKNOWN_ERROR (the
// data that follows is lost; taking the error as the end of the data would
// report a cut run as complete).
[[noreturn]] void read_failed(Console& con, const char* name);

// A seek in a file of the decoder's own that failed: the system's error text
// after "Couldn't lseek", the file's name and whom to tell; the run stops with
// INTERNAL_ERROR.
[[noreturn]] void seek_failed_in(Console& con, const char* name);

// Writes until `count` bytes are out. A write failing with ENOSPC prints
// "Retrying write after ENOSPC" and is repeated at once, at most 199 times in
// one call; any other error, or a write of 0 bytes, ends the loop. When fewer
// than `count` bytes went out, `message` is printed with the system's error text
// (and the file's `name`, when given, on the error stream).
// Returns the number of bytes written (count on success), or -1 on an error.
ssize_t write_all_retry(Console& con, int fd, const void* buf, size_t count, const char* message,
                        const char* name = nullptr);

// Bytes as "%02X " groups, 16 per line, each line begun with a line end.
void hex_dump(const uint8_t* buf, long length, OutStream& out);

// One 64-byte unit, printable characters as " %c ", others as "%02X ".
void char_dump(const uint8_t* unit64, OutStream& out);

// snprintf that never writes past `size` bytes: a text that does not fit is cut.
// Returns the number of characters stored (without the zero byte), -1 on error.
int format_into(char* buf, size_t size, const char* fmt, ...) DEC_PRINTF_FORMAT(3, 4);

}  // namespace dec
