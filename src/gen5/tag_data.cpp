#include "gen5/tag_data.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/io.h"

namespace dec {

namespace {
constexpr const char* kImageWriteMessage = "Couldn't write data";
}

TempFileTagData::TempFileTagData(Console& con, uint32_t tag_number) : con_(con) {
    format_into(raw_name_, sizeof raw_name_, "tag%i.tmp", static_cast<int>(tag_number));
    format_into(image_name_, sizeof image_name_, "f%s", raw_name_);
}

TempFileTagData::~TempFileTagData() {
    Platform& sys = con_.sys();
    if (raw_fd_ >= 0) {
        sys.close(raw_fd_);
    }
    if (image_fd_ >= 0) {
        sys.close(image_fd_);
    }
}

int TempFileTagData::open_raw() {
    raw_fd_ = con_.sys().open_read(raw_name_);
    if (raw_fd_ < 0) {
        return -1;
    }
    raw_ = std::make_unique<BufferedReader>(con_.sys(), raw_fd_);
    return 0;
}

int TempFileTagData::create_image() {
    image_fd_ = con_.sys().open_create_rw(image_name_);
    if (image_fd_ < 0) {
        return -1;
    }
    image_created_ = true;
    image_in_ = std::make_unique<BufferedReader>(con_.sys(), image_fd_);
    image_out_ = std::make_unique<BufferedWriter>(con_, image_fd_);
    return 0;
}

ssize_t TempFileTagData::write_image_header(const uint8_t* header, size_t size) {
    return write_all_retry(con_, image_fd_, header, size, "Couldn't write file info");
}

void TempFileTagData::close_and_remove() {
    Platform& sys = con_.sys();
    if (image_fd_ >= 0) {
        flush_image();
    }
    for (int* fd : {&raw_fd_, &image_fd_}) {
        if (*fd >= 0) {
            if (sys.close(*fd) != 0) {
                con_.sys_error("Couldn't close input file in strip");
            }
            *fd = -1;
        }
    }
    if (sys.remove_file(raw_name_) != 0) {
        con_.sys_error("Couldn't delete temp file");
    }
    if (image_created_ && sys.remove_file(image_name_) != 0) {
        con_.sys_error("Couldn't delete f-temp file");
    }
}

ssize_t TempFileTagData::raw_read(void* buf, size_t count) { return raw_->read(buf, count); }

int TempFileTagData::raw_seek_back(size_t count) { return raw_->seek_back(count); }

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
    return con_.sys().seek(image_fd_, -static_cast<int64_t>(count), SEEK_CUR) < 0 ? -1 : 0;
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
    return con_.sys().seek(image_fd_, 0, SEEK_SET) < 0 ? -1 : 0;
}

IndexedTagData::IndexedTagData(Console& con, uint32_t tag_number) : con_(con) {
    format_into(raw_name_, sizeof raw_name_, "tag%i.tmp", static_cast<int>(tag_number));
}

IndexedTagData::~IndexedTagData() {
    if (raw_fd_ >= 0) {
        con_.sys().close(raw_fd_);
    }
}

int IndexedTagData::open_raw() {
    raw_fd_ = con_.sys().open_read(raw_name_);
    if (raw_fd_ < 0) {
        return -1;
    }
    raw_ = std::make_unique<BufferedReader>(con_.sys(), raw_fd_);
    return 0;
}

void IndexedTagData::close_and_remove() {
    Platform& sys = con_.sys();
    if (raw_fd_ >= 0) {
        if (sys.close(raw_fd_) != 0) {
            con_.sys_error("Couldn't close input file in strip");
        }
        raw_fd_ = -1;
    }
    if (sys.remove_file(raw_name_) != 0) {
        con_.sys_error("Couldn't delete temp file");
    }
}

ssize_t IndexedTagData::raw_read(void* buf, size_t count) {
    const ssize_t n = raw_->read(buf, count);
    if (n > 0) {
        raw_pos_ += static_cast<uint64_t>(n);
    }
    return n;
}

int IndexedTagData::raw_seek_back(size_t count) {
    if (count > raw_pos_) {
        errno = EINVAL;
        return -1;
    }
    if (raw_->seek_back(count) != 0) {
        return -1;
    }
    raw_pos_ -= count;
    return 0;
}

ssize_t IndexedTagData::image_write(const void* /*buf*/, size_t /*count*/, const char* message) {
    errno = ENOTSUP;
    con_.sys_error(message);
    return -1;
}

ssize_t IndexedTagData::image_write_from_raw(const void* /*buf*/, size_t count, uint64_t raw,
                                             const char* /*message*/) {
    if (count == 0) {
        return 0;
    }
    const uint64_t end = pos_ + count;
    if (pos_ < buf_start_ + buf_len_ && end > buf_start_) {
        buf_len_ = 0;  // the read buffer holds bytes being replaced
    }
    place(pos_, count, raw);
    pos_ = end;
    size_ = std::max(size_, end);
    return static_cast<ssize_t>(count);
}

void IndexedTagData::place(uint64_t at, uint64_t count, uint64_t raw) {
    auto joins = [](const Extent& a, const Extent& b) { return a.raw + a.size == b.raw; };
    const Extent added{at, raw, count};
    if (at == size_) {
        // Appending, the usual case: a download's units follow each other.
        if (!extents_.empty() && joins(extents_.back(), added)) {
            extents_.back().size += count;
        } else {
            extents_.push_back(added);
        }
        return;
    }
    // Overwriting: the extents [lo, hi) meet [at, end) and are replaced by the
    // part of the first before `at`, the new bytes, and the part of the last
    // after `end`; each merged with its neighbour where the raw bytes join.
    const uint64_t end = at + count;
    auto lo = static_cast<size_t>(
        std::upper_bound(extents_.begin(), extents_.end(), at,
                         [](uint64_t a, const Extent& e) { return a < e.image + e.size; }) -
        extents_.begin());
    size_t hi = lo;
    while (hi < extents_.size() && extents_[hi].image < end) {
        ++hi;
    }
    const Extent first = extents_[lo];
    const Extent last = extents_[hi - 1];
    // Neighbouring extents never join (they would have been merged), so at
    // most three pieces remain: head (or the extent before), new bytes, tail
    // (or the extent after, only when it joins the new bytes).
    Extent pieces[3];
    size_t n = 0;
    auto add = [&](const Extent& e) {
        if (n > 0 && joins(pieces[n - 1], e)) {
            pieces[n - 1].size += e.size;
        } else {
            pieces[n++] = e;
        }
    };
    if (first.image == at && lo > 0) {
        add(extents_[--lo]);  // the new bytes may continue the extent before
    }
    if (first.image < at) {
        add(Extent{first.image, first.raw, at - first.image});
    }
    add(added);
    if (last.image + last.size > end) {
        const uint64_t skip = end - last.image;
        add(Extent{end, last.raw + skip, last.size - skip});
    } else if (hi < extents_.size() && joins(added, extents_[hi])) {
        add(extents_[hi++]);
    }
    extents_.erase(extents_.begin() + static_cast<ptrdiff_t>(lo),
                   extents_.begin() + static_cast<ptrdiff_t>(hi));
    extents_.insert(extents_.begin() + static_cast<ptrdiff_t>(lo), pieces, pieces + n);
}

int IndexedTagData::image_seek_back(size_t count) {
    if (count > pos_) {
        errno = EINVAL;
        return -1;
    }
    pos_ -= count;
    return 0;
}

int IndexedTagData::image_rewind() {
    pos_ = 0;
    return 0;
}

ssize_t IndexedTagData::read_at(uint64_t raw, uint8_t* buf, size_t count) {
    Platform& sys = con_.sys();
    // The raw stream's reader reads on from where the descriptor stands.
    const int64_t resume = sys.seek(raw_fd_, 0, SEEK_CUR);
    if (resume < 0 || sys.seek(raw_fd_, static_cast<int64_t>(raw), SEEK_SET) < 0) {
        return -1;
    }
    const ssize_t n = full_read(sys, raw_fd_, buf, count);
    const int saved_errno = errno;
    if (sys.seek(raw_fd_, resume, SEEK_SET) < 0) {
        return -1;
    }
    errno = saved_errno;
    return n;
}

int IndexedTagData::fill_buffer() {
    // Grow while the image is read on from the end of the buffer, so a short
    // comparison at the end of a download stays cheap.
    const bool streaming = buf_len_ != 0 && pos_ == buf_start_ + buf_len_;
    if (buf_cap_ == 0 || (streaming && buf_cap_ < kFileBufferSize)) {
        buf_cap_ = buf_cap_ == 0 ? kFileBufferStart : std::min(2 * buf_cap_, kFileBufferSize);
        buf_.reset(new uint8_t[buf_cap_]);
    }
    buf_start_ = pos_;
    buf_len_ = 0;
    const auto want = static_cast<size_t>(std::min<uint64_t>(buf_cap_, size_ - pos_));
    auto it = std::upper_bound(extents_.begin(), extents_.end(), pos_,
                               [](uint64_t a, const Extent& e) { return a < e.image + e.size; });
    for (; buf_len_ < want && it != extents_.end(); ++it) {
        const uint64_t skip = buf_start_ + buf_len_ - it->image;
        const auto count = static_cast<size_t>(std::min<uint64_t>(want - buf_len_, it->size - skip));
        const ssize_t n = read_at(it->raw + skip, buf_.get() + buf_len_, count);
        if (n < 0) {
            break;
        }
        buf_len_ += static_cast<size_t>(n);
        if (static_cast<size_t>(n) < count) {
            errno = EIO;  // the raw file ended inside the indexed bytes
            break;
        }
    }
    return buf_len_ > 0 ? 0 : -1;
}

ssize_t IndexedTagData::image_read(void* buf, size_t count) {
    auto* out = static_cast<uint8_t*>(buf);
    size_t got = 0;
    while (got < count && pos_ < size_) {
        if (pos_ < buf_start_ || pos_ >= buf_start_ + buf_len_) {
            if (fill_buffer() != 0) {
                return got > 0 ? static_cast<ssize_t>(got) : -1;
            }
        }
        const auto take = static_cast<size_t>(
            std::min<uint64_t>(count - got, buf_start_ + buf_len_ - pos_));
        std::memcpy(out + got, buf_.get() + (pos_ - buf_start_), take);
        pos_ += take;
        got += take;
    }
    return static_cast<ssize_t>(got);
}

}  // namespace dec
