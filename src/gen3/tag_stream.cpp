#include "gen3/tag_stream.h"

#include <cstdio>
#include <cstring>

#include "common/fatal.h"
#include "common/io.h"
#include "common/tagtime.h"

namespace dec {

namespace {

// Largest overlap between two downloads that is checked for repeated data.
constexpr uint32_t kMaxGoBack = 4096;

}  // namespace

double kbytes(uint64_t bytes) {
    return static_cast<double>(bytes) / 1024.0;
}

void print_completeness(OutStream& out, uint32_t expected, uint64_t received) {
    if (expected == received) {
        out.put("(data complete)\n");
    } else if (expected > received) {
        out.printf("(data not complete, there were %llu bytes missing.)\n",
                   static_cast<unsigned long long>(expected - received));
    } else {
        out.printf("(%llu bytes data more than expected)\n",
                   static_cast<unsigned long long>(received - expected));
    }
}

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
        s.info.printf(
            "########### Important information:\nObviously the tag downloaded at least %.2f kBytes "
            "to\nanother memorycard and/or basestation\nbefore. This means that data\nmay be "
            "distributed in different logger.bin-files.\n\n",
            kbytes(s.st.decoder_flashaddr));
    }
}

int check_if_data_repeated(Console& con, int64_t go_back, uint64_t written_since_open,
                           TagDataPath& data, bool long_form) {
    if (go_back > static_cast<int64_t>(written_since_open)) {
        return 0;
    }
    if (go_back < 0) {
        con.out().put("Unexpected value for go_back!\n");
        fatal_stop(INTERNAL_ERROR);
    }
    if (go_back > static_cast<int64_t>(kMaxGoBack)) {
        con.out().put("Buffer too small or go_back to big!\n");
        fatal_stop(INTERNAL_ERROR);
    }
    if (go_back == 0) {
        return 0;
    }
    const auto n = static_cast<size_t>(go_back);
    uint8_t tail[kMaxGoBack];
    if (data.image_seek_back(n) != 0) {
        seek_failed(con);
    }
    if (data.image_read(tail, n) != static_cast<ssize_t>(n)) {
        con.out().put("########## Couldn't full_read in check_if_data_repeated\n");
        fatal_stop(INTERNAL_ERROR);
    }
    // Bytes behind the last non-zero one were not yet written by the tag when
    // the earlier download was made; the new download may fill them.
    size_t last_valid = n;
    for (size_t i = n; i-- > 0;) {
        if (tail[i] != 0) {
            last_valid = i;
            break;
        }
    }
    if (last_valid == n) {
        return 1;
    }
    uint32_t cmp_count = 0;
    uint32_t diffcount = 0;
    size_t bytes_read = 0;
    bool zero_mode = false;
    for (size_t off = 0; off + kGen3RecordSize <= n; off += kGen3RecordSize) {
        uint8_t record[kGen3RecordSize];
        const ssize_t got = data.raw_read(record, kGen3RecordSize);
        if (got > 0) {
            bytes_read += static_cast<size_t>(got);
        }
        if (got != static_cast<ssize_t>(kGen3RecordSize) || is_open_head(record, long_form)) {
            break;
        }
        for (size_t i = 0; i < kGen3RecordSize && off + i <= last_valid; ++i) {
            const uint8_t fresh = record[i];
            ++cmp_count;
            if (!zero_mode) {
                if (fresh != tail[off + i]) {
                    if (fresh != 0) {
                        ++diffcount;
                    } else {
                        zero_mode = true;
                    }
                }
            } else if (fresh != 0) {
                ++diffcount;
            }
        }
    }
    if (bytes_read > 0 && data.raw_seek_back(bytes_read) != 0) {
        seek_failed(con);
    }
    if (cmp_count == 0) {
        return 2;
    }
    return diffcount == 0 ? 1 : 0;
}

int handle_new_download(Gen3Stream& s, const uint8_t* block) {
    OutStream& info = s.info;
    const bool long_form = s.ctx.long_form();
    const Gen3OpenBlock nb = decode_open_block(block, long_form);
    const Gen3OpenBlock first = decode_open_block(s.first_block, long_form);
    if (nb.tag_number != s.st.ref_tag_number) {
        info.put("############### Unexpected tagnumber ##############\n");
        return -1;
    }
    if (!s.plan.gen3.legacy) {
        if (nb.tag_type != first.tag_type) {
            info.put("############### Unexpected tag_type ##############\n");
            return -1;
        }
        if (nb.sw_version != first.sw_version) {
            info.put("############### Unexpected software_version ##############\n");
            return -1;
        }
    }
    print_completeness(info, s.st.expected, s.st.received_since_open);
    s.st.total_at_last_open = s.st.totalcount_written;
    print_download_info(nb, info, s.plan);
    if (!s.plan.gen3.legacy) {
        s.print_config(s.ctx, block, s.plan, info);
    }
    s.st.expected = nb.fffa - nb.fufa;
    s.st.received_since_open = 0;
    const uint32_t fufa = nb.fufa;
    uint64_t& flashaddr = s.st.decoder_flashaddr;
    if (fufa > flashaddr) {
        info.printf(
            "########## Missing at least %.2f kBytes data!\nReason: Probably the tag downloaded "
            "data\nto another basesstation. This means data\nis distributed on different memory "
            "cards.\n",
            kbytes(fufa - flashaddr));
        flashaddr = fufa;
        s.st.written_since_open = 0;
    } else if (uint64_t{fufa} + kMaxGoBack >= flashaddr) {
        const auto go_back = static_cast<uint32_t>(flashaddr - fufa);
        switch (check_if_data_repeated(s.ctx.run.con, go_back, s.st.written_since_open, s.data,
                                       long_form)) {
            case 1:
                if (s.data.image_seek_back(go_back) != 0) {
                    seek_failed(s.ctx.run.con);
                }
                s.st.written_since_open -= go_back;
                flashaddr = fufa;
                break;
            case 0:
                flashaddr = fufa;
                s.st.written_since_open = 0;
                break;
            default:
                break;
        }
    } else {
        if (fufa != 0) {
            info.put(
                "######### There is data missing, maybe data\nis distributed on "
                "several\nmemorycards/basestations?\n");
        }
        flashaddr = fufa;
        s.st.written_since_open = 0;
    }
    return 0;
}

int join_downloads(Gen3Stream& s) {
    Console& con = s.ctx.run.con;
    const bool long_form = s.ctx.long_form();
    const size_t rest = kGen3LongOpenSize - kGen3RecordSize;
    uint8_t block[kGen3OpenBufferSize];
    for (;;) {
        if (s.data.raw_read(block, kGen3RecordSize) != static_cast<ssize_t>(kGen3RecordSize)) {
            break;
        }
        bool open = is_open_head(block, long_form);
        if (open && long_form) {
            const ssize_t got = s.data.raw_read(block + kGen3RecordSize, rest);
            if (got != static_cast<ssize_t>(rest)) {
                open = false;
                if (got > 0 && s.data.raw_seek_back(static_cast<size_t>(got)) != 0) {
                    seek_failed(con);
                }
            }
        }
        if (open) {
            if (handle_new_download(s, block) != 0) {
                return -1;
            }
            continue;
        }
        if (s.data.image_write(block, kGen3RecordSize, "Couldn't write data") !=
            static_cast<ssize_t>(kGen3RecordSize)) {
            return -1;
        }
        s.st.written_since_open += kGen3RecordSize;
        s.st.decoder_flashaddr += kGen3RecordSize;
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
    print_completeness(s.info, s.st.expected, s.st.received_since_open);
    s.info.put("Now analysing data:\n");
    return 0;
}

}  // namespace dec
