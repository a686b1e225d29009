#include "common/le.h"
#include "gen3/gen3_records.h"
#include "records/acc_output.h"
#include "records/acc_record.h"
#include "records/fletcher32.h"

namespace dec {

namespace {

// The burst record has the generation-5 layout (records/acc_record.h): burst
// time, axes, rate code, checksum, number of blocks, then the samples.
enum BurstField : size_t { kBurstTime = 0, kBurstAxes = 4, kBurstRate = 5, kBurstBlocks = 7 };

// Tags 3 to 8 have no columns, statistics or filters: they write one plain
// line per burst (or its spectra).
void as_early_tag(OutputPlan& plan) {
    if (plan.acc_form == AccForm::columns || plan.acc_form == AccForm::statistics) {
        plan.acc_form = AccForm::line;
    }
    plan.acc_filter = AccFilter::none;
    plan.variance = false;
}

// Software versions 6 to 8 fill in the length and sum bytes: the sum over all
// bytes with byte 7 taken as 0 and the running sum standing in byte 6 when it
// is passed, as in software-9 bursts. The tag's own check leaves byte 7 at 0,
// and the key-bin checksum covers the record as the check leaves it.
bool accept_checked_burst(uint8_t* record, int32_t length, Gen3RecordOutput& rec) {
    const auto size = static_cast<uint32_t>(length);
    const RecordCheck check = check_acc_burst(record, size, 0);
    if constexpr (kRecordDebugLevel > 10) {
        if (check == RecordCheck::bad_length) {
            rec.info.printf("ACC number_of_blocks/size not matching:%i,%i,%i! ###############\n",
                            static_cast<int32_t>(rec.tag.tag_number), le_u8(record, kBurstBlocks),
                            length);
        } else if (check == RecordCheck::bad_checksum) {
            rec.info.put("ACC Checksum not matching! #########\n");
        }
    }
    if (check != RecordCheck::ok) {
        return false;
    }
    record[kBurstBlocks] = 0;
    return true;
}

}  // namespace

void decode_acc_burst_gen3(uint8_t* record, int32_t length, Gen3RecordOutput& rec, OutStream& acc) {
    OutputPlan plan = rec.plan;
    if (!plan.acc || length < static_cast<int32_t>(kAccHeaderSize)) {
        return;
    }
    if (plan.gen3.acc_checked && !accept_checked_burst(record, length, rec)) {
        return;
    }
    const auto size = static_cast<uint32_t>(length);
    const uint32_t key = plan.movebank ? fletcher32(record, length) : 0;
    const uint32_t time = le_u32(record, kBurstTime);

    // The tag number decides what the axes byte is worth: tags with only a Z
    // sensor, and early tags whose bursts are one unnamed series.
    BurstAxes axes = burst_axes(le_u8(record, kBurstAxes));
    if (plan.gen3.z_axis_tag) {
        axes = BurstAxes{{'Z', 0, 0, 0}, 1};
    }
    if (plan.gen3.early_tag) {
        axes = BurstAxes{{0, 0, 0, 0}, 1};
        as_early_tag(plan);
    }
    const uint8_t code = le_u8(record, kBurstRate);
    double rate = acc_rate_from_code(code, axes.count);
    if (code > kAccLastRateCode) {
        plan.subseconds = false;
    }
    if (plan.gen3.early_tag || plan.gen3.z_axis_tag) {
        rate = 1.0;
    }

    const AxisInversion none{{false, false, false}};
    const int32_t n =
        unpack_burst_samples(record, size, kAccHeaderSize, axes.count, none, rec.buffers.burst);
    // Generation-3 tags have no IMU: the quaternion and magnetic-field streams
    // are never written.
    AccContext ctx{plan, acc, rec.info, acc, acc, rec.tag, rec.dsp, rec.buffers};
    write_burst(BurstLine{BurstFamily::gen3, time, 0.0, axes.letters, axes.count, n, rate, key},
                ctx);
}

}  // namespace dec
