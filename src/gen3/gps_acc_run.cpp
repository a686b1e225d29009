#include "gen3/gps_acc_run.h"

#include <cstdio>
#include <cstring>
#include <optional>

#include "common/le.h"
#include "common/printable.h"
#include "gen3/tag_stream.h"
#include "records/tag_records.h"
#include "settings/gen3_config.h"
#include "store/tag_data.h"

namespace dec {

namespace {

// Block types of the flash image.
enum Gen3BlockType : uint8_t {
    kBlockSysinfo = 0x02,
    kBlockSkipped = 0x03,
    kBlockGpsOld = 0x30,
    kBlockGps = 0x31,
    kBlockAccFirst = 0x40,
    kBlockAccLast = 0x5F,
};

// A burst holds at most 30 blocks; the 31st overflows the limit.
constexpr size_t kBurstLimit = 1900;
constexpr size_t kBurstBufferSize = 2000;
constexpr size_t kPayloadSize = kGen3RecordSize - 1;

// Tags of type 0 with these numbers are old interaction tags.
bool is_old_interaction_tag(uint32_t tag) {
    return tag == 34 || tag == 35 || tag == 36;
}

// The acceleration blocks of one burst, joined.
struct Burst {
    uint8_t buf[kBurstBufferSize];
    size_t fill = 0;
    bool in_progress = false;
    std::optional<uint8_t> expected;
};

class Gen3Decoder {
  public:
    Gen3Decoder(Gen3Context& ctx, const uint8_t* first_block, TagDataPath& data, TagOutput& out)
        : ctx_(ctx),
          first_block_(first_block),
          data_(data),
          out_(out),
          info_(*out.streams().info),
          records_(out, ctx.run.con, *ctx.run.spectrum_tables) {}

    int run();

  private:
    void decode_block(uint8_t* block);
    void acc_block(uint8_t type, const uint8_t* payload);
    void finish_burst();

    Gen3Context& ctx_;
    const uint8_t* first_block_;
    TagDataPath& data_;
    TagOutput& out_;
    OutStream& info_;
    TagRecords records_;
    Burst burst_;
};

void config_printer(Gen3Context& ctx, const uint8_t* block, const OutputPlan& plan,
                    OutStream& out) {
    print_gen3_gps_acc_config(block, ctx.long_form(), plan.gen3.legacy, out);
}

int Gen3Decoder::run() {
    Console& con = ctx_.run.con;
    TagState& tag = out_.tag();
    info_.put("Going through data:\n");
    Gen3Stream stream{ctx_, data_, info_, out_.plan(), first_block_, config_printer, {}};
    start_gen3_stream(stream);
    if (join_downloads(stream) != 0) {
        return -1;
    }

    uint8_t header[kGen3HeaderSize];
    if (reread_image_header(con, data_, header, kGen3Magics) != 0) {
        return -1;
    }
    con.out().put("\nNow uncompressing data (please wait ...):\n");
    con.flush();  // the wait may be long: show the line now
    print_basestation_info(header, info_);
    if (out_.write_heads() != 0) {
        return -1;
    }

    uint64_t block_address = 0;
    uint8_t block[kGen3RecordSize];
    while (data_.image_read(block, kGen3RecordSize) == static_cast<ssize_t>(kGen3RecordSize)) {
        decode_block(block);
        block_address += kGen3RecordSize;
    }
    records_.settle();
    print_processed_kbytes(con.out(), block_address, tag.bad_units);
    ctx_.run.bad_blocks += tag.bad_units;
    if (burst_.in_progress) {
        finish_burst();
    }
    records_.finish();
    tag.last_download_complete =
        print_end_of_tag(info_, tag.tag_number, stream.st.expected,
                         stream.st.received_since_open) != DownloadBalance::Kind::missing;
    return 0;
}

void Gen3Decoder::finish_burst() {
    records_.take(RecordKind::acc_burst, burst_.buf, static_cast<uint32_t>(burst_.fill));
    burst_.in_progress = false;
}

void Gen3Decoder::acc_block(uint8_t type, const uint8_t* payload) {
    if (type == kBlockAccFirst) {
        burst_.fill = 0;
        burst_.in_progress = true;
        burst_.expected = kBlockAccFirst;
    }
    if (!burst_.expected || type != *burst_.expected) {
        // A missing block: the burst cannot be put together.
        burst_.in_progress = false;
        burst_.expected.reset();
        return;
    }
    std::memcpy(burst_.buf + burst_.fill, payload, kPayloadSize);
    burst_.fill += kPayloadSize;
    burst_.expected = static_cast<uint8_t>(type + 1);
    if (burst_.fill > kBurstLimit) {
        records_.settle();
        ctx_.run.con.out().put("##################### Too much acc data #############\n");
        burst_.in_progress = false;
        burst_.expected.reset();
    }
}

void Gen3Decoder::decode_block(uint8_t* block) {
    const uint8_t type = block[0];
    const bool acc_type = type >= kBlockAccFirst && type <= kBlockAccLast;
    if (burst_.in_progress && !(acc_type && type != kBlockAccFirst)) {
        finish_burst();
    }
    if (acc_type) {
        if (out_.plan().acc) {
            acc_block(type, block + 1);
        }
        return;
    }
    uint8_t* payload = block + 1;
    switch (type) {
        case kBlockGpsOld:
            records_.take(RecordKind::gps_early, payload, kPayloadSize);
            return;
        case kBlockGps:
            if (!out_.plan().gen3.early_tag) {
                records_.take(RecordKind::gps_cooked, payload, kPayloadSize);
                return;
            }
            break;
        case kBlockSysinfo:
            records_.take(RecordKind::sysinfo, payload, kPayloadSize);
            return;
        case kBlockSkipped:
            return;
        default:
            break;
    }
    ++out_.tag().bad_units;
}

}  // namespace

OutputPlan plan_for_tag(OutputPlan plan, uint32_t tag_number, const Gen3OpenBlock& first) {
    // Early tags (3 to 8) write no dates and no acceleration columns; tags with
    // a single z-axis accelerometer (8, 19 to 22, 24 to 30) write one axis at a
    // nominal rate and no speed figures.
    Gen3TagVariant& v = plan.gen3;
    v.early_tag = tag_number >= 3 && tag_number <= 8;
    v.z_axis_tag = tag_number == 8 || (tag_number >= 19 && tag_number <= 22) ||
                   (tag_number >= 24 && tag_number <= 30);
    // Tags known by their number, and old interaction tags, are taken as they are.
    v.legacy = v.early_tag || v.z_axis_tag ||
               (first.tag_type == kGen3TypeOldInteraction && is_old_interaction_tag(tag_number));
    // Software 6 on checks its bursts; 7 and 8 write the newer system information.
    v.acc_checked = !v.legacy && first.sw_version >= 6;
    v.sysinfo_subtype = !v.legacy && first.sw_version >= 7;
    return plan;
}

void print_basestation_info(const uint8_t* header, OutStream& info) {
    char text[kGen3HeaderTextSize + 1];
    info.put("basestation info:\n");
    info.printf("Rewrite counter:%u\n", le_u32(header, kGen3HeaderRewriteCounter));
    std::memcpy(text, header + kGen3HeaderText, kGen3HeaderTextSize);
    text[kGen3HeaderTextSize] = '\0';
    make_printable(text, kGen3HeaderTextSize);
    info.put(text);
    info.put("\n");
    std::memcpy(text, header + kGen3HeaderVersion, kGen3HeaderVersionSize);
    text[kGen3HeaderVersionSize] = '\0';
    make_printable(text, kGen3HeaderVersionSize);
    info.put(text);
    info.printf("\nBst-id: 0x%02X\n", le_u16(header, kGen3HeaderBasestationId));
}

void print_processed_kbytes(OutStream& out, uint64_t image_bytes, uint32_t bad_blocks) {
    out.printf("Processed %llu kBytes with %llu bad kBytes\n",
               static_cast<unsigned long long>(image_bytes / 1024),
               static_cast<unsigned long long>(bad_blocks) * kGen3RecordSize / 1024);
}

DownloadBalance::Kind print_end_of_tag(OutStream& info, uint32_t tag_number, uint32_t expected,
                                       uint64_t received) {
    return print_last_download(info, tag_number, expected, received, kGen3LastSurplus).kind;
}

int run_gps_acc_tag(Gen3Context& ctx, uint32_t tag_number, const uint8_t* first_block,
                    TagDataPath& data, const OutputPlan& plan) {
    Console& con = ctx.run.con;
    OutStream& out = con.out();
    if (!plan.gen3.legacy) {
        print_gen3_gps_acc_config(first_block, ctx.long_form(), false, out);
        const uint8_t version = decode_open_block(first_block, ctx.long_form()).sw_version;
        if (version < 1 || version > 8) {
            out.put("Unknown tag software version\n");
            return -1;
        }
    }
    TagState tag;
    tag.tag_number = tag_number;
    TagOutput output(con, *ctx.run.outputs, plan, TagLayout::gen3, nullptr, tag);
    if (output.open() != 0) {
        return -1;
    }
    int rv;
    {
        Gen3Decoder decoder(ctx, first_block, data, output);
        rv = decoder.run();
    }
    if (output.close() != 0) {
        rv = -1;  // an output was lost
    }
    return rv;
}

}  // namespace dec
