#include "gen5/indexed_tag_data.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/fatal.h"
#include "common/io.h"
#include "gen5/container.h"

namespace dec {

namespace {

// Moves a stream position back by `count` bytes; 0, or -1 with EINVAL when
// that is before the start.
int move_back(uint64_t& pos, size_t count) {
    if (count > pos) {
        errno = EINVAL;
        return -1;
    }
    pos -= count;
    return 0;
}

}  // namespace

void IndexedTagData::Window::restart(uint64_t pos) {
    const bool streaming = len != 0 && pos == start + len;
    if (cap == 0 || (streaming && cap < kFileBufferSize)) {
        cap = cap == 0 ? kFileBufferStart : std::min(2 * cap, kFileBufferSize);
        buf.reset(new uint8_t[cap]);
    }
    start = pos;
    len = 0;
}

IndexedTagData::IndexedTagData(Console& con, const Folder& folder, uint32_t tag_number,
                               TagSource source, size_t max_extents)
    : TagFilesPath(con, folder, tag_number, source.raw_name),
      source_(source),
      max_extents_(max_extents) {}

int IndexedTagData::open_raw() {
    if (source_.runs != nullptr) {
        raw_fd_ = source_.input_fd;  // the container, which stays open
        raw_owned_ = false;
        return 0;
    }
    return open_raw_file();
}

void IndexedTagData::close_and_remove() {
    if (image_fd_ >= 0) {
        flush_pending(kImageWriteMessage);
        close_file(image_fd_, image_name_.c_str());
        remove_image_file();
    }
    if (source_.runs == nullptr) {  // else nothing was copied
        close_file(raw_fd_, raw_name_);
        remove_raw_file();
    }
}

ssize_t IndexedTagData::runs_at(uint64_t raw, uint8_t* buf, size_t count) {
    Platform& sys = con_.sys();
    const std::vector<TagStreamRun>& runs = *source_.runs;
    size_t got = 0;
    while (got < count) {
        const uint64_t at = raw + got;
        uint64_t input = at;  // the header is the start of the container
        uint64_t left = kHeaderSize - at;
        uint64_t block = 0;  // container offset of an open block being read
        uint64_t into_block = kOpenBlockSize;
        if (at >= kHeaderSize) {
            const auto it =
                std::upper_bound(runs.begin(), runs.end(), at,
                                 [](uint64_t a, const TagStreamRun& r) { return a < r.end; });
            if (it == runs.end()) {
                break;  // end of the stream
            }
            const uint64_t start = it == runs.begin() ? kHeaderSize : std::prev(it)->end;
            input = it->input + (at - start);
            left = it->end - at;
            block = it->input;
            into_block = at - start;
        }
        const auto want = static_cast<size_t>(std::min<uint64_t>(count - got, left));
        // The index promises every byte of a run: less is a failure.
        check_indexed_read(full_read_at(sys, raw_fd_, buf + got, want, input), want);
        if (into_block < kOpenBlockSize) {
            // The open block as the separation sees it: flash start rounded down.
            uint8_t open_block[kOpenBlockSize];
            check_indexed_read(full_read_at(sys, raw_fd_, open_block, kOpenBlockSize, block),
                               kOpenBlockSize);
            clear_flash_start_low_bits(open_block);
            std::memcpy(buf + got, open_block + into_block,
                        std::min<size_t>(want, kOpenBlockSize - static_cast<size_t>(into_block)));
        }
        got += want;
    }
    return static_cast<ssize_t>(got);
}

void IndexedTagData::check_indexed_read(ssize_t n, size_t want) {
    const char* name = source_.input_name != nullptr ? source_.input_name : "logger.bin";
    if (n < 0) {
        read_failed(con_, name);
    }
    if (static_cast<size_t>(n) < want) {
        // The file shrank (or was replaced) since the separation indexed it:
        // what is missing is not the end of the data.
        con_.file_failure(
            "The container is shorter than when its downloads were indexed: it was "
            "changed during the run.",
            name);
        fatal_stop(UNKNOWN_ERROR);
    }
}

ssize_t IndexedTagData::raw_at(uint64_t raw, uint8_t* buf, size_t count) {
    if (source_.runs != nullptr) {
        return runs_at(raw, buf, count);
    }
    const ssize_t n = full_read_at(con_.sys(), raw_fd_, buf, count, raw);
    if (n < 0) {
        read_failed(con_, raw_name_);
    }
    return n;
}

ssize_t IndexedTagData::raw_read(void* buf, size_t count) {
    return raw_win_.read(raw_pos_, static_cast<uint8_t*>(buf), count, [&] {
        raw_win_.restart(raw_pos_);
        const ssize_t n = raw_at(raw_pos_, raw_win_.buf.get(), raw_win_.cap);
        raw_win_.len = n > 0 ? static_cast<size_t>(n) : 0;
        return n;
    });
}

int IndexedTagData::raw_seek_back(size_t count) {
    return move_back(raw_pos_, count);
}

ssize_t IndexedTagData::image_write(const void* /*buf*/, size_t /*count*/, const char* message) {
    errno = ENOTSUP;
    con_.sys_error(message);
    return -1;
}

ssize_t IndexedTagData::image_write_from_raw(const void* buf, size_t count, uint64_t raw,
                                             const char* message) {
    if (count == 0) {
        return 0;
    }
    const uint64_t end = pos_ + count;
    if (image_win_.meets(pos_, end)) {
        image_win_.len = 0;  // the read window holds bytes being replaced
    }
    if (image_fd_ < 0) {
        place(pos_, count, raw);
        pos_ = end;
        size_ = std::max(size_, end);
        if (extents_.size() > max_extents_ && move_image_to_file(message) != 0) {
            return -1;
        }
        return static_cast<ssize_t>(count);
    }
    // The image is in its file: collect consecutive bytes, write them in blocks.
    if (pending_.start + pending_.len != pos_ || pending_.len + count > pending_.cap) {
        if (flush_pending(message) != 0) {
            return -1;
        }
        pending_.restart(pos_);
        pending_.len = 0;
    }
    const auto* in = static_cast<const uint8_t*>(buf);
    if (count > pending_.cap) {
        // Larger than the buffer: straight to the file.
        if (con_.sys().seek(image_fd_, static_cast<int64_t>(pos_), SEEK_SET) < 0 ||
            write_all_retry(con_, image_fd_, in, count, message, image_name_.c_str()) !=
                static_cast<ssize_t>(count)) {
            return -1;
        }
        pending_.start = end;
    } else {
        std::memcpy(pending_.buf.get() + pending_.len, in, count);
        pending_.len += count;
    }
    pos_ = end;
    size_ = std::max(size_, end);
    return static_cast<ssize_t>(count);
}

int IndexedTagData::flush_pending(const char* message) {
    if (pending_.len == 0) {
        return 0;
    }
    const size_t n = pending_.len;
    pending_.len = 0;
    pending_.start += n;
    if (con_.sys().seek(image_fd_, static_cast<int64_t>(pending_.start - n), SEEK_SET) < 0) {
        seek_failed_in(con_, image_name_.c_str());
    }
    if (write_all_retry(con_, image_fd_, pending_.buf.get(), n, message, image_name_.c_str()) !=
        static_cast<ssize_t>(n)) {
        return -1;
    }
    return 0;
}

int IndexedTagData::move_image_to_file(const char* message) {
    if (create_image_file() != 0) {
        con_.file_error("Couldn't open file for writing", image_name_.c_str());
        return -1;
    }
    std::unique_ptr<uint8_t[]> chunk(new uint8_t[kFileBufferSize]);
    for (const Extent& e : extents_) {
        for (uint64_t done = 0; done < e.size;) {
            const auto want =
                static_cast<size_t>(std::min<uint64_t>(kFileBufferSize, e.size - done));
            const ssize_t n = raw_at(e.raw + done, chunk.get(), want);
            if (n != static_cast<ssize_t>(want)) {
                if (n >= 0) {
                    errno = EIO;  // the raw stream ended inside the indexed bytes
                }
                con_.sys_error(message);
                return -1;
            }
            if (write_all_retry(con_, image_fd_, chunk.get(), want, message, image_name_.c_str()) !=
                static_cast<ssize_t>(want)) {
                return -1;
            }
            done += want;
        }
    }
    extents_.clear();
    extents_.shrink_to_fit();
    pending_.buf = std::move(chunk);
    pending_.cap = kFileBufferSize;
    pending_.start = pos_;
    pending_.len = 0;
    return 0;
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
    return move_back(pos_, count);
}

int IndexedTagData::image_rewind() {
    pos_ = 0;
    return 0;
}

int IndexedTagData::fill_image() {
    image_win_.restart(pos_);
    const auto want = static_cast<size_t>(std::min<uint64_t>(image_win_.cap, size_ - pos_));
    if (image_fd_ >= 0) {
        if (flush_pending(kImageWriteMessage) != 0) {
            return -1;
        }
        const ssize_t n = full_read_at(con_.sys(), image_fd_, image_win_.buf.get(), want, pos_);
        if (n < 0) {
            read_failed(con_, image_name_.c_str());
        }
        if (n == 0) {
            return -1;
        }
        image_win_.len = static_cast<size_t>(n);
        return 0;
    }
    auto it = std::upper_bound(extents_.begin(), extents_.end(), pos_,
                               [](uint64_t a, const Extent& e) { return a < e.image + e.size; });
    Window& w = image_win_;
    for (; w.len < want && it != extents_.end(); ++it) {
        const uint64_t skip = w.start + w.len - it->image;
        const auto count = static_cast<size_t>(std::min<uint64_t>(want - w.len, it->size - skip));
        const ssize_t n = raw_at(it->raw + skip, w.buf.get() + w.len, count);
        if (n < 0) {
            break;
        }
        w.len += static_cast<size_t>(n);
        if (static_cast<size_t>(n) < count) {
            errno = EIO;  // the raw stream ended inside the indexed bytes
            break;
        }
    }
    return w.len > 0 ? 0 : -1;
}

ssize_t IndexedTagData::image_read(void* buf, size_t count) {
    const auto want = static_cast<size_t>(std::min<uint64_t>(count, size_ - pos_));
    return image_win_.read(pos_, static_cast<uint8_t*>(buf), want,
                           [&] { return fill_image() == 0 ? ssize_t{1} : ssize_t{-1}; });
}

}  // namespace dec
