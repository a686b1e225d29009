#include "gen3/interaction_join.h"

#include "gen3/interaction_block.h"
#include "gen3/tag_stream.h"
#include "settings/gen3_config.h"

namespace dec {

namespace {

constexpr auto kRecordBytes = static_cast<uint32_t>(kGen3RecordSize);
// Downloads of version-6 tags travel in radio packets of this many data bytes.
constexpr uint32_t kRadioPacketBytes = 245;
constexpr uint32_t kBlockGridMask = ~static_cast<uint32_t>(kIntactBlockSize - 1);

void write_grid_error(OutStream& out, uint64_t valid_bytes) {
    out.printf("######## Error: number_of_valid_bytes_on_output%%512!=0:%llu\nPlease inform %s\n",
               static_cast<unsigned long long>(valid_bytes), kSupportEmail);
}

bool legacy(const IntactJoin& j) {
    return j.plan.gen3.legacy;
}

void print_config(IntactJoin& j, const uint8_t* block) {
    print_gen3_interaction_config(block, j.ctx.long_form(), legacy(j), j.protocol,
                                  j.ctx.intact_interval);
}

// Continues the image behind the previous download's last whole block: the
// incomplete rest of that block is dropped (only when it was written by that
// download), and the new download starts at `fufa`.
int trim_to_block(IntactJoin& j, uint32_t fufa) {
    IntactJoinState& st = j.st;
    const uint32_t rest = st.decoder_flashaddr % static_cast<uint32_t>(kIntactBlockSize);
    if (rest != 0 && st.written_since_open >= rest && j.data.image_seek_back(rest) != 0) {
        report_seek_error(j.ctx.run.con);
        return -1;
    }
    st.written_since_open = 0;
    st.decoder_flashaddr = fufa;
    return 0;
}

// appended variant: cuts the download that ends back to whole blocks when it
// broke off.
void hau_weg(IntactJoin& j) {
    IntactJoinState& st = j.st;
    const DownloadBalance b = download_balance(st.expected, st.received);
    if (b.kind == DownloadBalance::Kind::complete) {
        return;
    }
    if (b.kind == DownloadBalance::Kind::surplus) {
        j.protocol.printf("######### Error: (%lld bytes data more than expected)\n", b.figure);
        return;
    }
    // A download that broke off (so fewer than 4 GiB arrived): its last block
    // is only kept when it ends on the block grid and the radio packets that
    // arrived whole end on a record.
    const auto short_received = static_cast<uint32_t>(st.received);
    const uint32_t whole_packet_bytes = short_received / kRadioPacketBytes * kRadioPacketBytes;
    const uint32_t rest = short_received % kIntactBlockSize;
    if (rest == 0 && whole_packet_bytes % kGen3RecordSize == 0) {
        return;
    }
    const uint32_t cut = rest != 0 ? rest : static_cast<uint32_t>(kIntactBlockSize);
    if (j.data.image_seek_back(cut) != 0) {
        report_seek_error(j.ctx.run.con);
        return;
    }
    st.number_of_valid_bytes_on_output -= cut;
}

// An open block met inside the stream (`block` in its full form). 0 or -1.
int handle_intact_new_download(IntactJoin& j, const uint8_t* block) {
    OutStream& out = j.ctx.run.con.out();
    IntactJoinState& st = j.st;
    const bool long_form = j.ctx.long_form();
    const Gen3OpenBlock nb = decode_open_block(block, long_form);
    if (!belongs_to_stream(nb, st.ref_tag_number, j.first_block, j.ctx, j.plan, out)) {
        return -1;
    }
    print_completeness(j.protocol, st.expected, st.received, kGen3Surplus);
    print_download_info(nb, j.protocol, j.plan);
    print_config(j, block);
    if (j.variant == IntactVariant::appended) {
        hau_weg(j);
    }
    const uint32_t fufa = nb.fufa & kBlockGridMask;
    st.expected = nb.fffa - fufa;
    st.received = 0;
    if (j.variant == IntactVariant::appended) {
        return 0;
    }
    // repeat_checked variant: where the new download goes in the flash image.
    return place_download(j.ctx.run.con, j.data, j.protocol, "##########", fufa, long_form, st)
               ? trim_to_block(j, fufa)
               : 0;
}

}  // namespace

void start_intact_join(IntactJoin& j) {
    IntactJoinState& st = j.st;
    const Gen3OpenBlock first = decode_open_block(j.first_block, j.ctx.long_form());
    j.protocol.put("Going through data:\n");
    st = IntactJoinState{};
    st.ref_tag_number = first.tag_number;
    const uint32_t fufa = first.fufa & kBlockGridMask;
    print_config(j, j.first_block);
    st.expected = first.fffa - fufa;
    if (j.variant == IntactVariant::repeat_checked) {
        st.decoder_flashaddr = fufa;
        if (fufa != 0) {
            print_earlier_data(j.protocol, "##########", fufa);
        }
    }
}

int join_intact_downloads(IntactJoin& j) {
    Console& con = j.ctx.run.con;
    IntactJoinState& st = j.st;
    const bool long_form = j.ctx.long_form();
    Gen3RawInput raw{j.data};
    uint8_t block[kGen3OpenBufferSize] = {};
    while (const std::optional<Gen3Record> kind = raw.next(block, long_form)) {
        if (*kind == Gen3Record::seek_failed) {
            report_seek_error(con);
            return -1;
        }
        if (*kind == Gen3Record::open_block) {
            clear_fufa_low_bits(block, long_form);
            if (handle_intact_new_download(j, block) != 0) {
                return -1;
            }
            continue;
        }
        const ssize_t w = j.data.image_write(block, kGen3RecordSize, "Couldn't write data");
        if (w < 0) {
            return -1;
        }
        if (w != static_cast<ssize_t>(kGen3RecordSize)) {
            con.out().printf("Unknown write error: retval:%i\n", static_cast<int>(w));
            return -1;
        }
        st.received += kGen3RecordSize;
        if (j.variant == IntactVariant::appended) {
            st.number_of_valid_bytes_on_output += kGen3RecordSize;
            continue;
        }
        st.written_since_open += kRecordBytes;
        st.decoder_flashaddr += kRecordBytes;
        if (st.decoder_flashaddr % kGen3RecordSize != 0) {
            con.out().put("Error: decoder_flashaddr%64!=0\n");
            return -1;
        }
    }
    if (j.variant == IntactVariant::repeat_checked) {
        return 0;
    }
    hau_weg(j);
    if (st.number_of_valid_bytes_on_output % kIntactBlockSize != 0) {
        write_grid_error(j.protocol, st.number_of_valid_bytes_on_output);
        write_grid_error(con.out(), st.number_of_valid_bytes_on_output);
        return -1;
    }
    return 0;
}

}  // namespace dec
