#include "gen3/gps_acc_run.h"

#include <cstdio>
#include <cstring>
#include <optional>

#include "common/io.h"
#include "common/le.h"
#include "common/printable.h"
#include "common/tagtime.h"
#include "common/text_file.h"
#include "gen3/gen3_records.h"
#include "gen3/tag_stream.h"
#include "records/gps_record.h"
#include "records/kml.h"
#include "records/sysinfo.h"
#include "records/tag_outputs.h"
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

constexpr const char* kAccCsvHeader =
    "key-bin-checksum,tag-serial-number,start-timestamp,acceleration-sampling-frequency-per-axis,"
    "acceleration-axes,accelerations-raw\n";
constexpr const char* kGpsCsvHeader =
    "key-bin-checksum,tag-serial-number,start-timestamp,longitude,latitude,height-above-ellipsoid,"
    "type-of-fix,status,used-time-to-get-fix,timestamp-of-fix,battery-voltage,fix-battery-"
    "voltage,temperature,speed-over-ground,heading-degree,speed-accuracy-estimate,horizontal-"
    "accuracy-estimate\n";
constexpr const char* kEarlyGpsLegend =
    "\nData format of GPS:\n(1) GPS (2) daynumber(3) simple time of day (4) longitude (5) "
    "latitude (6) height (7) type of fix (8) status\n(9) flag of gpsclock (10) noiselevel (11) "
    "used time to get fix (12) gps date (13) day of week\n(14) gps week number (15) gps time of "
    "day of fix (16) battery voltage mV (17) temperature\n";

// The acceleration blocks of one burst, joined.
struct Burst {
    uint8_t buf[kBurstBufferSize];
    size_t fill = 0;
    bool in_progress = false;
    std::optional<uint8_t> expected;
};

class Gen3Decoder {
  public:
    Gen3Decoder(Gen3Context& ctx, uint32_t tag, const uint8_t* first_block, TagDataPath& data,
                const OutputPlan& plan, OutStream& info, OutStream& main, OutStream& acc)
        : ctx_(ctx),
          tag_(tag),
          first_block_(first_block),
          data_(data),
          plan_(plan),
          info_(info),
          acc_(acc),
          rec_(main, info, ctx.run.con.out(), plan, tag) {}

    int run();

  private:
    int pass2_setup(uint8_t* header);
    void write_legends();
    void decode_block(const uint8_t* block);
    void acc_block(uint8_t type, const uint8_t* payload);
    void finish_burst();

    Gen3Context& ctx_;
    uint32_t tag_;
    const uint8_t* first_block_;
    TagDataPath& data_;
    OutputPlan plan_;
    OutStream& info_;
    OutStream& acc_;
    Gen3RecordOutput rec_;
    Burst burst_;
};

void config_printer(Gen3Context& ctx, const uint8_t* block, const OutputPlan& plan,
                    OutStream& out) {
    print_gen3_gps_acc_config(block, ctx.long_form(), plan.gen3.legacy, out);
}

int Gen3Decoder::run() {
    Console& con = ctx_.run.con;
    info_.put("Going through data:\n");
    rec_.tag.gps_record_counter = 0;
    rec_.tag.gps_ontime = 0;
    Gen3Stream stream{ctx_, data_, info_, plan_, first_block_, config_printer, {}};
    start_gen3_stream(stream);
    if (join_downloads(stream) != 0) {
        return -1;
    }

    uint8_t header[kGen3HeaderSize];
    if (pass2_setup(header) != 0) {
        return -1;
    }
    print_basestation_info(header, info_);
    write_legends();

    uint64_t block_address = 0;
    uint8_t block[kGen3RecordSize];
    while (data_.image_read(block, kGen3RecordSize) == static_cast<ssize_t>(kGen3RecordSize)) {
        decode_block(block);
        block_address += kGen3RecordSize;
    }
    print_processed_kbytes(con.out(), block_address, rec_.tag.bad_units);
    ctx_.run.bad_blocks += rec_.tag.bad_units;
    if (burst_.in_progress) {
        finish_burst();
    }
    if (plan_.gps_form == GpsForm::kml) {
        write_kml_end(rec_.main, rec_.track);
    }
    if (plan_.gps_form == GpsForm::gpx) {
        rec_.main.put("</trkseg>\n</trk>\n</gpx>\n");
    }
    print_end_of_tag(info_, tag_, stream.st.expected, stream.st.received_since_open);
    return 0;
}

int Gen3Decoder::pass2_setup(uint8_t* header) {
    Console& con = ctx_.run.con;
    OutStream& out = con.out();
    if (reread_image_header(con, data_, header, kGen3Magics) != 0) {
        return -1;
    }
    out.put("\nNow uncompressing data (please wait ...):\n");
    con.flush();  // the wait may be long: show the line now
    return 0;
}

void Gen3Decoder::write_legends() {
    OutStream& main = rec_.main;
    if (plan_.movebank) {
        acc_.put(kAccCsvHeader);
        main.put(kGpsCsvHeader);
    }
    if (plan_.acc_form == AccForm::spectrum_line) {
        info_.put(kDftLegend);
    }
    if (plan_.gps) {
        if (plan_.gps_form == GpsForm::gpx) {
            write_gpx_head(main, tag_);
        } else if (plan_.gps_form == GpsForm::kml) {
            write_kml_head(main, tag_, rec_.track);
        } else if (plan_.movebank) {
            info_.put(kGpsCsvHeader);
        } else if (plan_.gen3.early_tag) {
            info_.put(kEarlyGpsLegend);
            info_.put(kLowAccuracyTemperature);
        } else {
            info_.put(kGpsLegendStart);
            info_.put("\n");
            if (plan_.gps_extended) {
                info_.put(kGpsExtendedLegend);
            }
            info_.put(kLowAccuracyTemperature);
        }
    }
    if (!is_track_document(plan_)) {
        if (plan_.acc_filter == AccFilter::low_pass) {
            write_lowpass_notice(acc_);
        }
        if (plan_.acc_filter == AccFilter::high_pass) {
            write_highpass_notice(acc_);
        }
    }
}

void Gen3Decoder::finish_burst() {
    decode_acc_burst_gen3(burst_.buf, static_cast<int32_t>(burst_.fill), rec_, acc_);
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
        ctx_.run.con.out().put("##################### Too much acc data #############\n");
        burst_.in_progress = false;
        burst_.expected.reset();
    }
}

void Gen3Decoder::decode_block(const uint8_t* block) {
    const uint8_t type = block[0];
    const bool acc_type = type >= kBlockAccFirst && type <= kBlockAccLast;
    if (burst_.in_progress && !(acc_type && type != kBlockAccFirst)) {
        finish_burst();
    }
    if (acc_type) {
        if (plan_.acc) {
            acc_block(type, block + 1);
        }
        return;
    }
    uint8_t payload[kPayloadSize];
    std::memcpy(payload, block + 1, kPayloadSize);
    switch (type) {
        case kBlockGpsOld:
            ++rec_.tag.gps_record_counter;
            if (plan_.gps || plan_.movebank) {
                decode_gps_gen3_old(payload, rec_);
            }
            return;
        case kBlockGps:
            if (!plan_.gen3.early_tag) {
                ++rec_.tag.gps_record_counter;
                if (plan_.gps || plan_.movebank) {
                    decode_gps_gen3(payload, rec_);
                }
                return;
            }
            break;
        case kBlockSysinfo:
            print_gen3_sysinfo(block, plan_, info_);
            return;
        case kBlockSkipped:
            return;
        default:
            break;
    }
    ++rec_.tag.bad_units;
}

}  // namespace

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

void print_end_of_tag(OutStream& info, uint32_t tag_number, uint32_t expected, uint64_t received) {
    print_last_download(info, tag_number, expected, received, kGen3LastSurplus);
}

namespace {

// A reset report: tag time, reset source and voltage monitor from `at` on.
void print_reset_info(const uint8_t* r, size_t at, const OutputPlan& plan, OutStream& info) {
    info.put("\nResetinfo:\n");
    print_tag_time(le_u32(r, at), info, plan);
    info.printf(" RS:0x%02X VMON:0x%02X\n", r[at + 4], r[at + 5]);
    print_reset_causes(info, r[at + 4], ResetWording::gen3);
    info.put("\n");
}

}  // namespace

void print_gen3_sysinfo(const uint8_t* r, const OutputPlan& plan, OutStream& info) {
    if (!plan.gen3.sysinfo_subtype) {
        print_reset_info(r, 1, plan, info);
        return;
    }
    switch (r[1]) {
        case 0:
            print_reset_info(r, 2, plan, info);
            break;
        case 1:
            info.put("\nStopped data acquisition due to low battery:\n");
            print_tag_time(le_u32(r, 2), info, plan);
            info.printf(" Battery Voltage: %u mV\n", voltage_code_mv(le_u16(r, 6)));
            break;
        case 2:
            info.put("\nError info:\n");
            print_tag_time(le_u32(r, 2), info, plan);
            info.printf(" Err:%u arg:%u \n", r[6], r[7]);
            break;
        default:
            info.put("\n### Unknown SYSINFO ###\n");
            break;
    }
}

int run_gps_acc_tag(Gen3Context& ctx, uint32_t tag_number, const uint8_t* first_block,
                    TagDataPath& data, const OutputPlan& run_plan) {
    Console& con = ctx.run.con;
    OutStream& out = con.out();
    OutputPlan plan = run_plan;
    if (!plan.gen3.legacy) {
        print_gen3_gps_acc_config(first_block, ctx.long_form(), false, out);
        // Software 6 on checks its bursts; 7 and 8 write the newer system information.
        const uint8_t version = decode_open_block(first_block, ctx.long_form()).sw_version;
        if (version < 1 || version > 8) {
            out.put("Unknown tag software version\n");
            return -1;
        }
        plan.gen3.acc_checked = version >= 6;
        plan.gen3.sysinfo_subtype = version >= 7;
    }
    // The MOVEBANK files always hold the acceleration, in a file of its own.
    if (plan.movebank) {
        plan.acc = true;
    }
    const int tag = static_cast<int>(tag_number);
    char name[64];
    OutputSet& outputs = *ctx.run.outputs;
    TextFile info, main, acc;
    format_into(name, sizeof name, "info_tag%i.txt", tag);
    if (info.open(con, outputs, name) != 0) {
        return -1;
    }
    format_into(name, sizeof name, main_file_format(plan.main_file, false), tag);
    if (main.open(con, outputs, name) != 0) {
        return -1;
    }
    if (plan.movebank) {
        format_into(name, sizeof name, main_file_format(MainFile::acc, false), tag);
        if (acc.open(con, outputs, name) != 0) {
            return -1;
        }
    }
    write_version_line(info.out());
    int rv;
    {
        OutStream& acc_out = acc.is_open() ? acc.out() : main.out();
        Gen3Decoder decoder(ctx, tag_number, first_block, data, plan, info.out(), main.out(),
                            acc_out);
        rv = decoder.run();
    }
    for (TextFile* f : {&info, &main, &acc}) {
        if (f->close() != 0) {
            rv = -1;  // an output was lost
        }
    }
    return rv;
}

}  // namespace dec
