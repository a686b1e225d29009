#include "gen5/record_handlers.h"

#include "dsp/burst_dsp.h"
#include "records/acc_burst.h"
#include "records/acc_context.h"
#include "records/burst_batch.h"
#include "records/gps.h"
#include "records/imu.h"
#include "records/kml.h"
#include "records/satinfo.h"
#include "records/sysinfo.h"

namespace dec {

namespace {
constexpr size_t kPayloadSize = 63;
}

struct RecordHandlers::Decoders {
    explicit Decoders(TagRun& tag)
        : gps{*tag.streams.main, *tag.streams.info, tag.plan, tag.state, track},
          dsp(tag.run.con.out()),
          acc{tag.plan,
              *tag.streams.acc,
              *tag.streams.info,
              *tag.streams.quat,
              *tag.streams.mag,
              tag.state,
              dsp,
              buffers,
              &batch} {}

    KmlTrack track;
    GpsContext gps;
    BurstDsp dsp;
    AccBuffers buffers;
    BurstBatch batch;
    AccContext acc;
};

RecordHandlers::RecordHandlers(TagRun& tag, bool version9)
    : tag_(tag), version9_(version9), d_(std::make_unique<Decoders>(tag)) {}

RecordHandlers::~RecordHandlers() = default;

void RecordHandlers::begin_gps_output() {
    flush_bursts();
    OutStream& main = *tag_.streams.main;
    if (tag_.plan.gps_form == GpsForm::gpx) {
        write_gpx_head(main, tag_.state.tag_number);
    } else if (tag_.plan.gps_form == GpsForm::kml) {
        write_kml_head(main, tag_.state.tag_number, d_->track);
    }
}

void RecordHandlers::end_gps_output() {
    flush_bursts();
    if (tag_.plan.gps_form == GpsForm::kml) {
        write_kml_end(*tag_.streams.main, d_->track);
    }
    if (tag_.plan.gps_form == GpsForm::gpx) {
        write_gpx_end(*tag_.streams.main);
    }
}

void RecordHandlers::sysinfo(const uint8_t* payload) {
    flush_bursts();
    if (version9_) {
        decode_sysinfo_v9(payload, *tag_.streams.info, tag_.plan, tag_.state.tag_number);
    } else {
        decode_sysinfo(payload, *tag_.streams.info, tag_.plan, tag_.state.tag_number);
    }
}

void RecordHandlers::gps_cooked(const uint8_t* payload) {
    flush_bursts();
    if (version9_) {
        decode_gps_cooked_v9(payload, kPayloadSize, d_->gps);
    } else {
        decode_gps_cooked(payload, kPayloadSize, d_->gps);
    }
}

void RecordHandlers::gps_extended(const uint8_t* payload, int variant) {
    flush_bursts();
    decode_gps_extended(payload, kPayloadSize, variant == 1, d_->gps);
}

void RecordHandlers::flush_bursts() {
    d_->batch.flush(d_->acc);
}

void RecordHandlers::acc_burst(const uint8_t* record, uint32_t length, int variant) {
    if (version9_) {
        decode_acc_burst_v9(record, length, d_->acc);
    } else {
        decode_acc_burst(record, length, variant, d_->acc);
    }
}

void RecordHandlers::newacc(const uint8_t* record, uint32_t length) {
    flush_bursts();
    decode_newacc(record, length, d_->acc);
}

void RecordHandlers::quatcmp(const uint8_t* record, uint32_t length) {
    flush_bursts();
    decode_quatcmp(record, length, d_->acc);
}

void RecordHandlers::satellites(const uint8_t* record, uint32_t length) {
    flush_bursts();
    print_satellite_report(record, length, *tag_.streams.info);
}

}  // namespace dec
