#include "records/tag_records.h"

#include "common/le.h"
#include "common/printable.h"
#include "common/tagtime.h"
#include "dsp/burst_dsp.h"
#include "records/acc_burst.h"
#include "records/acc_context.h"
#include "records/burst_batch.h"
#include "records/ecg.h"
#include "records/gps.h"
#include "records/imu.h"
#include "records/satinfo.h"
#include "records/sysinfo.h"

namespace dec {

namespace {

// GSM text records: a tag time and a text of one to four units.
constexpr uint32_t kGsmTextMin = 5;
constexpr uint32_t kGsmTextMax = 252;

void print_gsm_text(uint8_t* record, uint32_t length, OutStream& info, const OutputPlan& plan) {
    if (length < kGsmTextMin || length > kGsmTextMax) {
        return;
    }
    make_printable(reinterpret_cast<char*>(record + 4), length - 4);
    record[length - 1] = 0;
    info.put("GSMTXT,");
    print_tag_time(le_u32(record, 0), info, plan);
    info.put_char('\n');
    info.put(reinterpret_cast<const char*>(record + 4));
    info.put_char('\n');
}

bool is_burst(RecordKind kind) {
    return kind == RecordKind::acc_burst || kind == RecordKind::acc_burst_seeded;
}

bool is_gps(RecordKind kind) {
    return kind == RecordKind::gps_cooked || kind == RecordKind::gps_extended ||
           kind == RecordKind::gps_seeded || kind == RecordKind::gps_early;
}

}  // namespace

struct TagRecords::Decoders {
    Decoders(TagOutput& out, Console& con, MemoryBudget& tables)
        : dsp(con.out(), &tables),
          buffers(std::make_unique<AccBuffers>()),
          acc{out.plan(),
              *out.streams().acc,
              *out.streams().info,
              *out.streams().quat,
              *out.streams().mag,
              out.tag(),
              dsp,
              *buffers,
              &batch},
          gps{out.gps(), *out.streams().info, out.plan(), out.tag()} {}

    BurstDsp dsp;
    std::unique_ptr<AccBuffers> buffers;
    BurstBatch batch;
    AccContext acc;
    GpsContext gps;
    std::unique_ptr<EcgRecord> ecg;
};

TagRecords::TagRecords(TagOutput& out, Console& con, MemoryBudget& tables, uint8_t ecg_format)
    : out_(out), ecg_format_(ecg_format), d_(std::make_unique<Decoders>(out, con, tables)) {}

TagRecords::~TagRecords() = default;

void TagRecords::settle() {
    d_->batch.write_held(d_->acc);
}

void TagRecords::finish() {
    settle();
    out_.write_tails();
}

void TagRecords::take(RecordKind kind, uint8_t* record, uint32_t length) {
    if (!is_burst(kind)) {
        settle();
    }
    TagState& tag = out_.tag();
    const OutputPlan& plan = out_.plan();
    const TagLayout layout = out_.layout();
    OutStream& info = *out_.streams().info;
    if (is_gps(kind)) {
        // Counted before decoding: the first GPS record of a tag is number 1
        // (placemark names, the fix number of ACC rows).
        ++tag.gps_record_counter;
        if (!plan.gps && !plan.movebank) {
            return;
        }
    }
    switch (kind) {
        case RecordKind::sysinfo:
            switch (layout) {
                case TagLayout::v10:
                    decode_sysinfo(record, info, plan, tag.tag_number);
                    break;
                case TagLayout::v9:
                    decode_sysinfo_v9(record, info, plan, tag.tag_number);
                    break;
                case TagLayout::ecg:
                    decode_sysinfo_ecg(record, info, plan);
                    break;
                case TagLayout::gen3:
                    decode_sysinfo_gen3(record, info, plan);
                    break;
            }
            break;
        case RecordKind::gps_cooked:
            if (layout == TagLayout::v10) {
                decode_gps_cooked(record, length, d_->gps);
            } else {
                decode_gps_cooked_v9(record, length, d_->gps);
            }
            break;
        case RecordKind::gps_extended:
        case RecordKind::gps_seeded:
            decode_gps_extended(record, length, kind == RecordKind::gps_seeded, d_->gps);
            break;
        case RecordKind::gps_early:
            decode_gps_early(record, length, d_->gps);
            break;
        case RecordKind::acc_burst:
        case RecordKind::acc_burst_seeded:
            if (layout == TagLayout::gen3) {
                decode_acc_burst_gen3(record, length, d_->acc);
            } else if (layout == TagLayout::v9) {
                decode_acc_burst_v9(record, length, d_->acc);
            } else {
                decode_acc_burst(record, length, kind == RecordKind::acc_burst_seeded ? 1 : 0,
                                 d_->acc);
            }
            break;
        case RecordKind::newacc:
            decode_newacc(record, length, d_->acc);
            break;
        case RecordKind::quatcmp:
            decode_quatcmp(record, length, d_->acc);
            break;
        case RecordKind::satellites:
            print_satellite_report(record, length, info);
            break;
        case RecordKind::gsm_text:
            print_gsm_text(record, length, info, plan);
            break;
        case RecordKind::ecg:
            if (d_->ecg == nullptr) {
                d_->ecg = std::make_unique<EcgRecord>();
            }
            decode_ecg_record(record, plan, *out_.streams().main, info, length, tag.tag_number,
                              ecg_format_, *d_->ecg, TimeScale{plan.utc, &tag.utc_past_expiry});
            break;
    }
}

}  // namespace dec
