// The block decoding loop of GPS-acceleration tags.
//
// After the first pass has joined the downloads into the flash image, the image
// is read unit by unit. Single-unit records go to their decoders at once;
// records spanning several units (a start unit and its continuations) are
// assembled first, 63 payload bytes per unit, and decoded when a unit arrives
// that does not continue them.
#include <array>
#include <cstring>
#include <memory>

#include "common/le.h"
#include "common/printable.h"
#include "common/tagtime.h"
#include "dsp/burst_dsp.h"
#include "gen5/container.h"
#include "gen5/first_pass.h"
#include "gen5/record_handlers.h"
#include "gen5/second_pass.h"
#include "gen5/tag_loop.h"
#include "records/satinfo.h"
#include "records/tag_outputs.h"

namespace dec {

namespace {

constexpr size_t kPayload = 63;
// A record longer than this is abandoned (at most 30 units).
constexpr uint32_t kMaxRecord = 1900;

// Multi-unit record families.
enum Family : uint8_t { kAcc0, kAcc1, kNewAcc, kQuat, kGsm, kSat, kFamilies };

enum class Role : uint8_t { bad, sysinfo, gps_cooked, gps_ext0, gps_ext1, start, cont, fe };

struct UnitRule {
    Role role = Role::bad;
    Family family = kAcc0;
    bool needs_acc = false;  // ignored when the plan asks for acceleration
};

using UnitTable = std::array<UnitRule, 256>;

constexpr UnitTable make_table(bool version9) {
    UnitTable t{};
    t[0x10] = {Role::sysinfo, kAcc0, false};
    t[0x30] = {Role::gps_cooked, kAcc0, false};
    t[0x40] = {Role::start, kAcc0, true};
    t[0x41] = {Role::cont, kAcc0, true};
    t[0xFE] = {Role::fe, kAcc0, false};
    if (version9) {
        return t;
    }
    t[0x34] = {Role::gps_ext0, kAcc0, false};
    t[0x36] = {Role::gps_ext1, kAcc0, false};
    t[0x32] = {Role::start, kSat, false};
    t[0x33] = {Role::cont, kSat, false};
    t[0x44] = {Role::start, kAcc1, true};
    t[0x45] = {Role::cont, kAcc1, true};
    t[0x42] = {Role::start, kNewAcc, true};
    t[0x43] = {Role::cont, kNewAcc, true};
    t[0x50] = {Role::start, kQuat, true};
    t[0x51] = {Role::cont, kQuat, true};
    t[0x70] = {Role::start, kGsm, false};
    t[0x71] = {Role::cont, kGsm, false};
    return t;
}

constexpr UnitTable kTableV10 = make_table(false);
constexpr UnitTable kTableV9 = make_table(true);
// Continuation type of each family, for the flush test.
constexpr uint8_t kContinuation[kFamilies] = {0x41, 0x45, 0x43, 0x51, 0x71, 0x33};

constexpr const char* kMovebankAccHeader =
    "data-decoding-software,key-bin-checksum,tag-serial-number,start-timestamp,acceleration-"
    "sampling-frequency-per-axis,acceleration-axes,accelerations-raw\n";
constexpr const char* kMovebankQuatHeader =
    "data-decoding-software,key-bin-checksum,tag-serial-number,start-timestamp,quaternions-"
    "sampling-frequency,quaternions-raw\n";
constexpr const char* kMovebankMagHeader =
    "data-decoding-software,key-bin-checksum,tag-serial-number,start-timestamp,magnetic-field-"
    "sampling-frequency-per-axis,temperature,magnetic-fields-raw\n";
constexpr const char* kMovebankGpsHeaderStart =
    "key-bin-checksum,tag-serial-number,start-timestamp,longitude,latitude,height-above-"
    "ellipsoid,type-of-fix,status,used-time-to-get-fix,timestamp-of-fix,battery-voltage,fix-"
    "battery-voltage,temperature,speed-over-ground,heading-degree,speed-accuracy-estimate,"
    "horizontal-accuracy-estimate,";
constexpr const char* kMovebankGpsHeaderV10 =
    "dop,satellite-count,barometric-pressure,quat-w-raw,quat-x-raw,quat-y-raw,quat-z-raw,"
    "magnetic-field-x-raw,magnetic-field-y-raw,magnetic-field-z-raw,data-decoding-software\n";
constexpr const char* kMovebankGpsHeaderV9 = "data-decoding-software\n";

constexpr const char* kGpsLegendV10 =
    " (23) pdop (24) satellite-count (25) pressure, hPa\n(26) q0raw (27) q1raw (28) q2raw (29) "
    "q3raw (30) magnx (31) magny (32) magnz\n";
constexpr const char* kGpsExtendedLegendV10 =
    "(26) loaded batvolt, mV (27) batvolt at gpsfix, mV (28) accumulated gps ontime, hours\n(29) "
    "vertical inaccuracy estimate, m\n";
constexpr const char* kVerticalInaccuracyLegendV9 = "(26) vertical inaccuracy estimate, m\n";

// Feature bit of tags whose temperature sensor is calibrated.
constexpr uint32_t kFeatureAccurateTemperature = 0x4000;

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

// The heads of the output files, written before the first unit.
void write_heads(TagRun& tag, bool version9, RecordHandlers& handlers) {
    OutStream& info = *tag.streams.info;
    const OutputPlan& plan = tag.plan;

    if (plan.movebank) {
        tag.streams.acc->put(kMovebankAccHeader);
        if (!version9) {
            tag.streams.quat->put(kMovebankQuatHeader);
            tag.streams.mag->put(kMovebankMagHeader);
        }
        tag.streams.main->put(kMovebankGpsHeaderStart);
        tag.streams.main->put(version9 ? kMovebankGpsHeaderV9 : kMovebankGpsHeaderV10);
    }
    if (plan.acc_form == AccForm::spectrum_line) {
        info.put(kDftLegend);
    }
    if (plan.gps) {
        if (is_track_document(plan)) {
            handlers.begin_gps_output();
        } else {
            info.put(kGpsLegendStart);
            info.put(version9 ? "\n" : kGpsLegendV10);
            if (plan.gps_extended) {
                if (version9) {
                    info.put(kGpsExtendedLegend);
                    info.put(kVerticalInaccuracyLegendV9);
                } else {
                    info.put(kGpsExtendedLegendV10);
                }
            }
            if (!version9) {
                info.put((tag.state.feature_word & kFeatureAccurateTemperature) != 0
                             ? "Temperature is in degree Celsius with max inaccuracy +/- 1 degree "
                               "between 0 and 85 degree Celsius.\n\n"
                             : kLowAccuracyTemperature);
            }
        }
    }
    if (!is_track_document(plan)) {
        if (plan.acc_filter == AccFilter::low_pass) {
            write_lowpass_notice(*tag.streams.acc);
        }
        if (plan.acc_filter == AccFilter::high_pass) {
            write_highpass_notice(*tag.streams.acc);
        }
    }
}

// Record assembly: one buffer shared by the acceleration, IMU and GSM-text
// families (at most one of them is pending), one for satellite reports.
struct Assembly {
    uint8_t buf[kMaxRecord];
    uint32_t length = 0;
    bool pending[kFamilies] = {};
    uint8_t sat[kMaxRecord];
    uint32_t sat_length = 0;

    uint8_t* buffer(Family f) { return f == kSat ? sat : buf; }
    uint32_t& len(Family f) { return f == kSat ? sat_length : length; }
};

class BlockLoop {
  public:
    BlockLoop(TagRun& tag, bool version9)
        : tag_(tag),
          version9_(version9),
          table_(version9 ? kTableV9 : kTableV10),
          handlers_(tag, version9) {}

    int run();

  private:
    void flush(Family f);
    void unit(const uint8_t* u);

    TagRun& tag_;
    bool version9_;
    const UnitTable& table_;
    RecordHandlers handlers_;
    Assembly a_;
    uint32_t fe_units_ = 0;
};

void BlockLoop::flush(Family f) {
    a_.pending[f] = false;
    switch (f) {
        case kAcc0:
            handlers_.acc_burst(a_.buf, a_.length, 0);
            break;
        case kAcc1:
            handlers_.acc_burst(a_.buf, a_.length, 1);
            break;
        case kNewAcc:
            handlers_.newacc(a_.buf, a_.length);
            break;
        case kQuat:
            handlers_.quatcmp(a_.buf, a_.length);
            break;
        case kGsm:
            handlers_.flush_bursts();
            print_gsm_text(a_.buf, a_.length, *tag_.streams.info, tag_.plan);
            break;
        case kSat:
        case kFamilies:
            break;
    }
}

void BlockLoop::unit(const uint8_t* u) {
    const uint8_t type = u[0];
    const uint8_t* payload = u + 1;
    for (Family f : {kAcc0, kAcc1, kNewAcc, kQuat, kGsm}) {
        if (a_.pending[f] && type != kContinuation[f]) {
            flush(f);
        }
    }
    const UnitRule& rule = table_[type];
    const bool acc_wanted = tag_.plan.acc;
    const bool gps_wanted = tag_.plan.gps || tag_.plan.movebank;
    switch (rule.role) {
        case Role::sysinfo:
            handlers_.sysinfo(payload);
            break;
        case Role::gps_cooked:
        case Role::gps_ext0:
        case Role::gps_ext1:
            // Counted before decoding: the first GPS block of a tag is number 1
            // (placemark names, the fix number of ACC rows).
            handlers_.flush_bursts();
            ++tag_.state.gps_record_counter;
            if (gps_wanted) {
                if (rule.role == Role::gps_cooked) {
                    handlers_.gps_cooked(payload);
                } else {
                    handlers_.gps_extended(payload, rule.role == Role::gps_ext1 ? 1 : 0);
                }
            }
            break;
        case Role::start:
            if (!rule.needs_acc || acc_wanted) {
                std::memcpy(a_.buffer(rule.family), payload, kPayload);
                a_.len(rule.family) = kPayload;
                a_.pending[rule.family] = true;
            }
            break;
        case Role::cont:
            if ((!rule.needs_acc || acc_wanted) && a_.pending[rule.family]) {
                uint32_t& len = a_.len(rule.family);
                if (len + kPayload > kMaxRecord) {
                    a_.pending[rule.family] = false;  // too long: abandoned
                    break;
                }
                std::memcpy(a_.buffer(rule.family) + len, payload, kPayload);
                len += kPayload;
                if (rule.family == kSat && satellite_report_complete(a_.sat, len)) {
                    a_.pending[kSat] = false;
                    handlers_.satellites(a_.sat, len);
                }
            }
            break;
        case Role::fe:
            ++fe_units_;
            break;
        case Role::bad:
        default:
            ++tag_.state.bad_units;
            break;
    }
}

int BlockLoop::run() {
    StreamState s;
    if (gather_tag_stream(tag_, s, version9_ ? LoopFamily::gps_acc_v9 : LoopFamily::gps_acc_v10) !=
        0) {
        return -1;
    }
    if (begin_second_pass(tag_) != 0) {
        return -1;
    }
    write_heads(tag_, version9_, handlers_);

    TagState& st = tag_.state;
    uint8_t u[kUnitSize];
    ProgressMeter meter(tag_.run.progress, 0);
    while (tag_.data.image_read(u, kUnitSize) == static_cast<ssize_t>(kUnitSize)) {
        unit(u);
        st.processed_bytes += kUnitSize;
        meter.at(st.processed_bytes);
    }
    handlers_.flush_bursts();
    end_unit_loop(tag_, fe_units_);
    // Records still pending at the end; GSM texts and satellite reports are dropped.
    for (Family f : {kAcc0, kAcc1, kNewAcc, kQuat}) {
        if (a_.pending[f]) {
            flush(f);
        }
    }
    handlers_.end_gps_output();
    print_last_download_line(*tag_.streams.info, st.tag_number, s);
    return 0;
}

}  // namespace

int decode_tag_blocks(TagRun& tag) {
    auto loop = std::make_unique<BlockLoop>(tag, false);
    return loop->run();
}

int decode_tag_blocks_v9(TagRun& tag) {
    auto loop = std::make_unique<BlockLoop>(tag, true);
    return loop->run();
}

}  // namespace dec
