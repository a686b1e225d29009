#include "store/tag_data.h"

#include <algorithm>
#include <cstdio>

#include "common/fatal.h"
#include "common/io.h"
#include "common/le.h"
#include "store/container_magic.h"

namespace dec {

TagFilesPath::TagFilesPath(Console& con, const Folder& folder, uint32_t tag_number,
                           const char* raw_name)
    : con_(con), folder_(folder), tag_number_(tag_number) {
    if (raw_name != nullptr) {
        format_into(raw_name_, sizeof raw_name_, "%s", raw_name);
    } else {
        format_into(raw_name_, sizeof raw_name_, "tag%i.tmp", static_cast<int>(tag_number));
    }
}

TagFilesPath::~TagFilesPath() {
    Platform& sys = con_.sys();
    if (raw_owned_ && raw_fd_ >= 0) {
        sys.close(raw_fd_);
    }
    if (image_fd_ >= 0) {
        sys.close(image_fd_);
        sys.remove_temp(folder_, image_name_);
    }
}

int TagFilesPath::open_raw_file() {
    raw_fd_ = con_.sys().open_read(folder_, raw_name_);
    return raw_fd_ < 0 ? -1 : 0;
}

int TagFilesPath::create_image_file() {
    char base[64];
    format_into(base, sizeof base, "ftag%i", static_cast<int>(tag_number_));
    image_fd_ = con_.sys().create_temp(folder_, base, ".tmp", true, image_name_);
    return image_fd_ < 0 ? -1 : 0;
}

void TagFilesPath::close_file(int& fd, const char* name) {
    if (fd >= 0) {
        if (con_.sys().close(fd) != 0) {
            con_.file_error("Couldn't close input file in strip", name);
        }
        fd = -1;
    }
}

void TagFilesPath::remove_raw_file() {
    if (con_.sys().remove_temp(folder_, raw_name_) != 0) {
        con_.file_error("Couldn't delete temp file", raw_name_);
    }
}

void TagFilesPath::remove_image_file() {
    if (con_.sys().remove_temp(folder_, image_name_) != 0) {
        con_.file_error("Couldn't delete f-temp file", image_name_.c_str());
    }
}

int TempFileTagData::open_raw() {
    if (open_raw_file() != 0) {
        return -1;
    }
    raw_ = std::make_unique<BufferedReader>(con_.sys(), raw_fd_);
    raw_->stop_on_error(con_, raw_name_);
    return 0;
}

int TempFileTagData::create_image() {
    if (create_image_file() != 0) {
        return -1;
    }
    image_in_ = std::make_unique<BufferedReader>(con_.sys(), image_fd_);
    image_in_->stop_on_error(con_, image_name_.c_str());
    image_out_ = std::make_unique<BufferedWriter>(con_, image_fd_);
    image_out_->set_name(image_name_);
    return 0;
}

ssize_t TempFileTagData::write_image_header(const uint8_t* header, size_t size) {
    return write_all_retry(con_, image_fd_, header, size, "Couldn't write file info",
                           image_name_.c_str());
}

void TempFileTagData::close_and_remove() {
    const bool image_created = image_fd_ >= 0;
    if (image_created) {
        flush_image();
    }
    close_file(raw_fd_, raw_name_);
    close_file(image_fd_, image_name_.c_str());
    remove_raw_file();
    if (image_created) {
        remove_image_file();
    }
}

ssize_t TempFileTagData::raw_read(void* buf, size_t count) {
    return raw_->read(buf, count);
}

int TempFileTagData::raw_seek_back(size_t count) {
    return raw_->seek_back(count);
}

int TempFileTagData::flush_image() {
    return image_out_->flush(kImageWriteMessage);
}

ssize_t TempFileTagData::image_write(const void* buf, size_t count, const char* message) {
    if (reading_image_) {
        // Writing after reading: continue at the logical read position.
        if (image_in_->sync_position() != 0) {
            return -1;
        }
        reading_image_ = false;
    }
    if (image_out_->write(buf, count, message) != 0) {
        return -1;
    }
    return static_cast<ssize_t>(count);
}

int TempFileTagData::image_seek_back(size_t count) {
    if (reading_image_) {
        return image_in_->seek_back(count);
    }
    if (flush_image() != 0) {
        return -1;
    }
    if (con_.sys().seek(image_fd_, -static_cast<int64_t>(count), SEEK_CUR) < 0) {
        seek_failed_in(con_, image_name_.c_str());
    }
    return 0;
}

ssize_t TempFileTagData::image_read(void* buf, size_t count) {
    if (!reading_image_) {
        if (flush_image() != 0) {
            return -1;
        }
        image_in_->reset();
        reading_image_ = true;
    }
    return image_in_->read(buf, count);
}

int TempFileTagData::image_rewind() {
    if (!reading_image_ && flush_image() != 0) {
        return -1;
    }
    image_in_->reset();
    reading_image_ = true;
    if (con_.sys().seek(image_fd_, 0, SEEK_SET) < 0) {
        seek_failed_in(con_, image_name_.c_str());
    }
    return 0;
}

int check_container_header(Console& con, ssize_t n, const uint8_t* header,
                           std::span<const uint32_t> magics) {
    if (n < 0) {
        con.sys_error("Read error");
        return -1;
    }
    if (n != static_cast<ssize_t>(kContainerHeaderSize)) {
        con.out().printf("Could read only %i of first 512 Bytes of file.\n", static_cast<int>(n));
        return -1;
    }
    if (std::find(magics.begin(), magics.end(), le_u32(header, 0)) != magics.end()) {
        return 0;
    }
    con.out().put("Magic doesn't match.\n");
    return -1;
}

int reread_image_header(Console& con, TagDataPath& data, uint8_t* header,
                        std::span<const uint32_t> magics) {
    if (data.image_rewind() != 0) {
        report_seek_error(con, "Couldn't lseek to 0");
        return -1;
    }
    return check_container_header(con, data.image_read(header, kContainerHeaderSize), header,
                                  magics);
}

void read_image_tail(Console& con, TagDataPath& data, uint8_t* tail, size_t count) {
    if (data.image_seek_back(count) != 0) {
        seek_failed(con);
    }
    if (data.image_read(tail, count) != static_cast<ssize_t>(count)) {
        con.out().put("########## Couldn't full_read in check_if_data_repeated\n");
        fatal_stop(INTERNAL_ERROR);
    }
}

RepeatCheck compare_units_ahead(
    Console& con, TagDataPath& data, size_t count,
    const std::function<bool(const uint8_t* unit)>& is_open_block,
    const std::function<uint32_t(const uint8_t* unit, size_t offset)>& differences) {
    size_t compared = 0;
    size_t consumed = 0;
    uint32_t differing = 0;
    uint8_t unit[kImageUnitSize];
    for (size_t offset = 0; offset + kImageUnitSize <= count; offset += kImageUnitSize) {
        const ssize_t n = data.raw_read(unit, kImageUnitSize);
        if (n > 0) {
            consumed += static_cast<size_t>(n);
        }
        if (n != static_cast<ssize_t>(kImageUnitSize) || is_open_block(unit)) {
            break;
        }
        ++compared;
        differing += differences(unit, offset);
    }
    if (consumed > 0 && data.raw_seek_back(consumed) != 0) {
        seek_failed(con);
    }
    if (compared == 0) {
        return RepeatCheck::nothing_compared;
    }
    return differing == 0 ? RepeatCheck::repeated : RepeatCheck::different;
}

DownloadBalance download_balance(uint32_t expected, uint64_t received) {
    if (received > UINT32_MAX) {
        return {DownloadBalance::Kind::surplus, static_cast<long long>(received - expected)};
    }
    const auto got = static_cast<uint32_t>(received);
    if (got == expected) {
        return {DownloadBalance::Kind::complete, 0};
    }
    if (got < expected) {
        return {DownloadBalance::Kind::missing, static_cast<int32_t>(expected - got)};
    }
    return {DownloadBalance::Kind::surplus, static_cast<int32_t>(got - expected)};
}

void print_completeness(OutStream& out, uint32_t expected, uint64_t received,
                        const char* surplus_format) {
    const DownloadBalance b = download_balance(expected, received);
    switch (b.kind) {
        case DownloadBalance::Kind::complete:
            out.put("(data complete)\n");
            break;
        case DownloadBalance::Kind::missing:
            out.printf("(data not complete, there were %lld bytes missing.)\n", b.figure);
            break;
        case DownloadBalance::Kind::surplus:
            out.printf(surplus_format, b.figure);
            break;
    }
}

DownloadBalance print_last_download(OutStream& out, uint32_t tag_number, uint32_t expected,
                                    uint64_t received, const char* surplus_format) {
    const int tag = static_cast<int>(tag_number);
    const DownloadBalance b = download_balance(expected, received);
    switch (b.kind) {
        case DownloadBalance::Kind::complete:
            out.printf("The last download for tag%i was a COMPLETE data download.\n", tag);
            break;
        case DownloadBalance::Kind::missing:
            out.printf(
                "The last download was not complete for tag%i, there were %lld bytes missing.\n",
                tag, b.figure);
            break;
        case DownloadBalance::Kind::surplus:
            out.printf(surplus_format, tag, b.figure);
            break;
    }
    return b;
}

}  // namespace dec
