// The thin seam between the decoder and the operating system.
//
// Every descriptor, directory and console call of the program goes through a
// Platform object, so tests can replace single calls (a write failing with
// ENOSPC, a close failing, a directory that cannot be entered) without touching
// the decoders. The calls keep POSIX semantics: -1 and errno on failure.
// Binary files are opened as binary; text outputs are opened through the same
// calls and buffered by OutStream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <sys/types.h>

namespace dec {

class Platform {
public:
    virtual ~Platform() = default;

    virtual int open_read(const char* path);
    // Write-only, appending; the file must exist.
    virtual int open_append(const char* path);
    // Write-only, created or truncated, read and write permission for the owner.
    virtual int open_create(const char* path);
    // Read and write, created or truncated, read and write permission for the owner.
    virtual int open_create_rw(const char* path);

    virtual ssize_t read(int fd, void* buf, size_t count);
    // Reads at `offset` without moving the descriptor (pread).
    virtual ssize_t read_at(int fd, void* buf, size_t count, int64_t offset);
    virtual ssize_t write(int fd, const void* buf, size_t count);
    // whence is SEEK_SET or SEEK_CUR.
    virtual int64_t seek(int fd, int64_t offset, int whence);
    virtual int close(int fd);

    virtual int change_dir(const char* path);
    virtual int remove_file(const char* path);
    // Renames `from` to `to`, replacing a file of that name.
    virtual int rename_file(const char* from, const char* to);

    // One character from standard input, or EOF.
    virtual int read_console_char();

    // The process-wide platform for real runs.
    static Platform& system();
};

}  // namespace dec
