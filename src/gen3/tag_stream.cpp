#include "gen3/tag_stream.h"

#include <cstdio>

#include "common/fatal.h"
#include "common/tagtime.h"

namespace dec {

namespace {

constexpr auto kRecordBytes = static_cast<uint32_t>(kGen3RecordSize);

// An overlap the joining cannot have computed ends the program.
void check_go_back(Console& con, int64_t go_back) {
    if (go_back < 0) {
        con.out().put("Unexpected value for go_back!\n");
        fatal_stop(INTERNAL_ERROR);
    }
    if (go_back > static_cast<int64_t>(kGen3MaxGoBack)) {
        con.out().put("Buffer too small or go_back to big!\n");
        fatal_stop(INTERNAL_ERROR);
    }
}

// Position of the last non-zero byte of `tail`; `n` when all are zero.
size_t last_nonzero_byte(const uint8_t* tail, size_t n) {
    for (size_t i = n; i-- > 0;) {
        if (tail[i] != 0) {
            return i;
        }
    }
    return n;
}

// Counts how far re-sent records differ from the tail of the image. Bytes
// behind the tail's last non-zero one were not yet written by the tag when the
// earlier download was made, and the new download may fill them: they are not
// compared. From the first byte where the record holds a zero and the tail does
// not, only the record's non-zero bytes count as differences, in this record
// and the ones after it.
class TailComparison {
  public:
    TailComparison(const uint8_t* tail, size_t last_valid) : tail_(tail), last_valid_(last_valid) {}

    uint32_t differences(const uint8_t* record, size_t offset) {
        uint32_t count = 0;
        for (size_t i = 0; i < kGen3RecordSize && offset + i <= last_valid_; ++i) {
            const uint8_t fresh = record[i];
            if (zero_mode_) {
                count += fresh != 0 ? 1u : 0u;
            } else if (fresh != tail_[offset + i]) {
                if (fresh != 0) {
                    ++count;
                } else {
                    zero_mode_ = true;
                }
            }
        }
        return count;
    }

  private:
    const uint8_t* tail_;
    size_t last_valid_;
    bool zero_mode_ = false;
};

// A byte count in the kilobytes the download texts print ("%.2f kBytes").
double kbytes(uint64_t bytes) {
    return static_cast<double>(bytes) / 1024.0;
}

// The note on data a new download skips: the tag sent it to another base station.
void print_missing_kbytes(OutStream& out, uint64_t bytes) {
    out.printf(
        "########## Missing at least %.2f kBytes data!\nReason: Probably the tag downloaded "
        "data\nto another basesstation. This means data\nis distributed on different memory "
        "cards.\n",
        kbytes(bytes));
}

}  // namespace

void print_download_info(const Gen3OpenBlock& block, OutStream& out, const OutputPlan& plan) {
    out.put("\nData download:\n");
    out.printf("Basestation Id: %u\n", block.basestation_id);
    print_tag_time(block.time, out, plan);
    out.printf("\nAnimal tag has %.2f kBytes data for download available.\n",
               kbytes(block.fffa - block.fufa));
    out.put("\n");
}

void start_gen3_stream(Gen3Stream& s) {
    const Gen3OpenBlock first = decode_open_block(s.first_block, s.ctx.long_form());
    s.st = Gen3StreamState{};
    s.st.ref_tag_number = first.tag_number;
    s.st.decoder_flashaddr = first.fufa;
    print_download_info(first, s.info, s.plan);
    if (!s.plan.gen3.legacy) {
        s.print_config(s.ctx, s.first_block, s.plan, s.info);
    }
    s.st.expected = first.fffa - first.fufa;
    if (s.st.decoder_flashaddr != 0) {
        print_earlier_data(s.info, "###########", s.st.decoder_flashaddr);
    }
}

RepeatCheck check_if_data_repeated(Console& con, int64_t go_back, uint64_t written_since_open,
                                   TagDataPath& data, bool long_form) {
    if (go_back > static_cast<int64_t>(written_since_open)) {
        return RepeatCheck::different;
    }
    check_go_back(con, go_back);
    if (go_back == 0) {
        return RepeatCheck::different;
    }
    const auto n = static_cast<size_t>(go_back);
    uint8_t tail[kGen3MaxGoBack];
    read_image_tail(con, data, tail, n);
    const size_t last_valid = last_nonzero_byte(tail, n);
    if (last_valid == n) {
        return RepeatCheck::repeated;
    }
    static_assert(kGen3RecordSize == kImageUnitSize);
    TailComparison compare{tail, last_valid};
    return compare_units_ahead(
        con, data, n, [&](const uint8_t* record) { return is_open_head(record, long_form); },
        [&](const uint8_t* record, size_t offset) { return compare.differences(record, offset); });
}

bool belongs_to_stream(const Gen3OpenBlock& nb, uint32_t ref_tag_number, const uint8_t* first_block,
                       Gen3Context& ctx, const OutputPlan& plan, OutStream& out) {
    if (nb.tag_number != ref_tag_number) {
        out.put("############### Unexpected tagnumber ##############\n");
        return false;
    }
    if (plan.gen3.legacy) {
        return true;
    }
    const Gen3OpenBlock first = decode_open_block(first_block, ctx.long_form());
    if (nb.tag_type != first.tag_type) {
        out.put("############### Unexpected tag_type ##############\n");
        return false;
    }
    if (nb.sw_version != first.sw_version) {
        out.put("############### Unexpected software_version ##############\n");
        return false;
    }
    return true;
}

void print_earlier_data(OutStream& out, const char* marks, uint64_t bytes) {
    out.printf(
        "%s Important information:\nObviously the tag downloaded at least %.2f kBytes to\nanother "
        "memorycard and/or basestation\nbefore. This means that data\nmay be distributed in "
        "different logger.bin-files.\n\n",
        marks, kbytes(bytes));
}

bool place_download(Console& con, TagDataPath& data, OutStream& out, const char* marks,
                    uint32_t fufa, bool long_form, Gen3JoinPosition& at) {
    uint32_t& flashaddr = at.decoder_flashaddr;
    if (fufa > flashaddr) {
        print_missing_kbytes(out, fufa - flashaddr);
        return true;
    }
    if (uint64_t{fufa} + kGen3MaxGoBack < flashaddr) {
        if (fufa != 0) {
            out.printf(
                "%s There is data missing, maybe data\nis distributed on several\nmemorycards/"
                "basestations?\n",
                marks);
        }
        return true;
    }
    const uint32_t go_back = flashaddr - fufa;
    switch (check_if_data_repeated(con, go_back, at.written_since_open, data, long_form)) {
        case RepeatCheck::repeated:
            if (data.image_seek_back(go_back) != 0) {
                seek_failed(con);
            }
            at.written_since_open -= go_back;
            flashaddr = fufa;
            return false;
        case RepeatCheck::nothing_compared:
            return false;
        case RepeatCheck::different:
            break;
    }
    return true;
}

namespace {

// An open block met inside the stream (`block` is the record just read, in its
// full form). 0 or -1; ends the program with exit code 17 when the image cannot
// be moved back.
int handle_new_download(Gen3Stream& s, const uint8_t* block) {
    OutStream& info = s.info;
    const bool long_form = s.ctx.long_form();
    const Gen3OpenBlock nb = decode_open_block(block, long_form);
    if (!belongs_to_stream(nb, s.st.ref_tag_number, s.first_block, s.ctx, s.plan, info)) {
        return -1;
    }
    print_completeness(info, s.st.expected, s.st.received_since_open, kGen3Surplus);
    s.st.total_at_last_open = s.st.totalcount_written;
    print_download_info(nb, info, s.plan);
    if (!s.plan.gen3.legacy) {
        s.print_config(s.ctx, block, s.plan, info);
    }
    s.st.expected = nb.fffa - nb.fufa;
    s.st.received_since_open = 0;
    const uint32_t fufa = nb.fufa;
    if (place_download(s.ctx.run.con, s.data, info, "#########", fufa, long_form, s.st)) {
        s.st.decoder_flashaddr = fufa;
        s.st.written_since_open = 0;
    }
    return 0;
}

}  // namespace

int join_downloads(Gen3Stream& s) {
    Console& con = s.ctx.run.con;
    const bool long_form = s.ctx.long_form();
    Gen3RawInput raw{s.data};
    uint8_t block[kGen3OpenBufferSize];
    while (const std::optional<Gen3Record> kind = raw.next(block, long_form)) {
        if (*kind == Gen3Record::seek_failed) {
            seek_failed(con);
        }
        if (*kind == Gen3Record::open_block) {
            if (handle_new_download(s, block) != 0) {
                return -1;
            }
            continue;
        }
        if (s.data.image_write(block, kGen3RecordSize, "Couldn't write data") !=
            static_cast<ssize_t>(kGen3RecordSize)) {
            return -1;
        }
        s.st.written_since_open += kRecordBytes;
        s.st.decoder_flashaddr += kRecordBytes;
        s.st.totalcount_written += kGen3RecordSize;
        s.st.received_since_open += kGen3RecordSize;
        if (s.st.decoder_flashaddr % kGen3RecordSize != 0) {
            con.out().put("Error: decoder_flashaddr%64!=0\n");
            return -1;
        }
    }
    s.info.printf("totalcount_written up to here: %.2f kBytes, since last open: %.2f kBytes\n",
                  kbytes(s.st.totalcount_written),
                  kbytes(s.st.totalcount_written - s.st.total_at_last_open));
    print_completeness(s.info, s.st.expected, s.st.received_since_open, kGen3Surplus);
    s.info.put("Now analysing data:\n");
    return 0;
}

}  // namespace dec
