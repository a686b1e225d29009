#include "gen5/separation.h"

#include <cerrno>
#include <cstdio>

#include "common/buffered_file.h"
#include "common/io.h"
#include "common/le.h"
#include "gen5/container.h"

namespace dec {

namespace {

constexpr const char* kHeaderReadError =
    "Couldn't read first 512 Bytes of file. Maybe file corrupt?\n";

bool list_contains(const uint32_t* tags, uint32_t tag) {
    for (size_t i = 0; i < kMaxTags && tags[i] != kNoTag; ++i) {
        if (tags[i] == tag) {
            return true;
        }
    }
    return false;
}

size_t list_size(const uint32_t* tags) {
    size_t n = 0;
    while (n < kMaxTags && tags[n] != kNoTag) {
        ++n;
    }
    return n;
}

}  // namespace

int TagFileWriter::switch_to(uint32_t tag, bool is_new, const uint8_t* header, size_t header_size) {
    if (close() != 0) {
        return -1;
    }
    char name[64];
    format_into(name, sizeof name, "tag%u.tmp", tag);
    Platform& sys = con_.sys();
    fd_ = is_new ? sys.open_create(name) : sys.open_append(name);
    if (fd_ < 0) {
        const int err = errno;  // the error message may change errno
        con_.sys_error("Couldn't open output file");
        if (!is_new && err == ENOENT) {
            con_.out().put("Why did the file disappear?\n");
        }
        return -1;
    }
    out_.set_fd(fd_);
    if (is_new && write_all_retry(con_, fd_, header, header_size, "Couldn't write file info") !=
                      static_cast<ssize_t>(header_size)) {
        return -1;
    }
    return 0;
}

int TagFileWriter::write_open_block(const uint8_t* block, size_t size) {
    return write_all_retry(con_, fd_, block, size, "Couldn't write file open block") ==
                   static_cast<ssize_t>(size)
               ? 0
               : -1;
}

int TagFileWriter::write_unit(const uint8_t* unit, size_t size) {
    return out_.write(unit, size, "Couldn't write file");
}

int TagFileWriter::close() {
    if (fd_ < 0) {
        return 0;
    }
    int rv = out_.flush("Couldn't write file");
    if (con_.sys().close(fd_) != 0) {
        con_.sys_error(close_error_);
    }
    fd_ = -1;
    return rv;
}

void close_container_input(Console& con, int fd) {
    if (con.sys().close(fd) != 0) {
        con.sys_error("Couldn't close input file");
    }
}

int open_container_input(Console& con, const char* path, const char* output_dir, uint8_t* header,
                         size_t header_size) {
    OutStream& out = con.out();
    Platform& sys = con.sys();
    const int fd = sys.open_read(path);
    if (fd < 0) {
        con.sys_error("Couldn't open file");
        out.printf("Filename: %s\n", path);
        return -2;
    }
    if (output_dir != nullptr && sys.change_dir(output_dir) != 0) {
        con.sys_error("Couldn't change directory");
        out.printf("Directoryname: %s\n", output_dir);
    } else if (full_read(sys, fd, header, header_size) != static_cast<ssize_t>(header_size)) {
        out.put(kHeaderReadError);
    } else if (sys.seek(fd, 0, SEEK_SET) != 0) {
        con.sys_error("Couldn't lseek to 0");
        out.printf("Please report error to %s\n", kSupportEmail);
    } else {
        return fd;
    }
    close_container_input(con, fd);
    return -1;
}

int split_into_tag_files(Console& con, int fd, uint32_t* tags) {
    OutStream& out = con.out();
    BufferedReader in(con.sys(), fd);
    uint8_t header[kHeaderSize];
    if (in.read(header, kHeaderSize) != static_cast<ssize_t>(kHeaderSize)) {
        out.put(kHeaderReadError);
        return -1;
    }
    if (le_u32(header, 0) != kGen5Magic) {
        out.put("Magic number doesn't match.\n");
        return -1;
    }

    TagFileWriter writer(con, "Couldn't close output file in separate_basis5");
    uint64_t written = 0;
    size_t used = list_size(tags);
    uint8_t block[kOpenBlockSize];
    for (;;) {
        if (in.read(block, kUnitSize) != static_cast<ssize_t>(kUnitSize)) {
            break;  // end of the container (a partial last unit is ignored) or read error
        }
        if (is_open_block_unit(block) &&
            in.read(block + kUnitSize, kOpenBlockSize - kUnitSize) ==
                static_cast<ssize_t>(kOpenBlockSize - kUnitSize)) {
            clear_flash_start_low_bits(block);
            const uint32_t tag = le_u16(block, kObTagNumber);
            const bool known = list_contains(tags, tag);
            if (!known && used == kMaxTags) {
                writer.close();
                out.put("No more free entry in name list. Aborting separating data.\n");
                return -1;
            }
            if (writer.switch_to(tag, !known, header, kHeaderSize) != 0) {
                writer.close();
                return -1;
            }
            if (!known) {
                tags[used++] = tag;
            }
            if (writer.write_open_block(block, kOpenBlockSize) != 0) {
                writer.close();
                return -1;
            }
            continue;
        }
        // Any unit that is not a complete open block is data of the current tag.
        // (A truncated open block at the end is copied as its first unit only.)
        if (!writer.is_open()) {
            out.put("Error: unexpected data.\n");
            char_dump(block, out);
            return -1;
        }
        if (writer.write_unit(block, kUnitSize) != 0) {
            writer.close();
            return -1;
        }
        written += kUnitSize;
    }
    if (writer.close() != 0) {
        return -1;
    }
    out.printf("B5:Separating data finished, %llu Bytes = %llu kBytes written.\n",
               static_cast<unsigned long long>(written),
               static_cast<unsigned long long>(written / 1024));
    return 0;
}

int separate_container(Console& con, const char* path, uint32_t* tags, const char* output_dir) {
    OutStream& out = con.out();
    out.put("B5:Separating data...\n");
    for (size_t i = 0; i < kMaxTags; ++i) {
        tags[i] = kNoTag;
    }
    uint8_t header[kHeaderSize];
    const int fd = open_container_input(con, path, output_dir, header, kHeaderSize);
    if (fd < 0) {
        return fd;
    }
    auto close_input = [&] { close_container_input(con, fd); };
    if (le_u32(header, 0) != kGen5Magic) {
        out.put("Magic number doesn't match. Maybe file corrupt?\n");
        close_input();
        return -1;
    }
    if (!header_has_maker_string(header)) {
        out.printf(
            "You probably need a new TAVRO data decoder.\nPlease go to the website %s and "
            "download\na new TAVRO data decoder.\n",
            kDownloadWebsite);
        close_input();
        return -1;
    }
    int rv = split_into_tag_files(con, fd, tags);
    close_input();
    return rv;
}

}  // namespace dec
