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

#include "gen5/container.h"
#include "gen5/first_pass.h"
#include "gen5/second_pass.h"
#include "gen5/tag_loop.h"
#include "records/satinfo.h"
#include "records/tag_records.h"

namespace dec {

namespace {

constexpr size_t kPayload = 63;
// A record longer than this is abandoned (at most 30 units).
constexpr uint32_t kMaxRecord = 1900;

// Multi-unit record families.
enum Family : uint8_t { kAcc0, kAcc1, kNewAcc, kQuat, kGsm, kSat, kFamilies };

// What a unit is: a record of its own, the start or a continuation of a
// family's record, a 0xFE unit, or none of these.
enum class Role : uint8_t { bad, single, start, cont, fe };

struct UnitRule {
    Role role = Role::bad;
    Family family = kAcc0;
    bool needs_acc = false;                 // ignored when the plan asks for acceleration
    RecordKind kind = RecordKind::sysinfo;  // of a single-unit record
};

using UnitTable = std::array<UnitRule, 256>;

constexpr UnitTable make_table(bool version9) {
    UnitTable t{};
    t[0x10] = {Role::single, kAcc0, false, RecordKind::sysinfo};
    t[0x30] = {Role::single, kAcc0, false, RecordKind::gps_cooked};
    t[0x40] = {Role::start, kAcc0, true};
    t[0x41] = {Role::cont, kAcc0, true};
    t[0xFE] = {Role::fe, kAcc0, false};
    if (version9) {
        return t;
    }
    t[0x34] = {Role::single, kAcc0, false, RecordKind::gps_extended};
    t[0x36] = {Role::single, kAcc0, false, RecordKind::gps_seeded};
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
// Continuation type of each family, for the flush test, and the record each
// family's units make.
constexpr uint8_t kContinuation[kFamilies] = {0x41, 0x45, 0x43, 0x51, 0x71, 0x33};
constexpr RecordKind kFamilyRecord[kFamilies] = {
    RecordKind::acc_burst, RecordKind::acc_burst_seeded, RecordKind::newacc,
    RecordKind::quatcmp,   RecordKind::gsm_text,         RecordKind::satellites};

// Record assembly: one buffer shared by the acceleration, IMU and GSM-text
// families (at most one of them is pending), one for satellite reports.
struct Assembly {
    uint8_t buf[kMaxRecord];
    uint32_t length = 0;
    bool pending[kFamilies] = {};
    uint8_t sat[kMaxRecord];
    uint32_t sat_length = 0;
    uint8_t single[kPayload];  // a single-unit record, which its decoder may change

    uint8_t* buffer(Family f) { return f == kSat ? sat : buf; }
    uint32_t& len(Family f) { return f == kSat ? sat_length : length; }
};

class BlockLoop {
  public:
    BlockLoop(TagRun& tag, bool version9)
        : tag_(tag),
          version9_(version9),
          table_(version9 ? kTableV9 : kTableV10),
          records_(tag.out, tag.run.con, *tag.run.spectrum_tables) {}

    int run();

  private:
    void flush(Family f);
    void unit(const uint8_t* u);

    TagRun& tag_;
    bool version9_;
    const UnitTable& table_;
    TagRecords records_;
    Assembly a_;
    uint32_t fe_units_ = 0;
};

void BlockLoop::flush(Family f) {
    a_.pending[f] = false;
    records_.take(kFamilyRecord[f], a_.buffer(f), a_.len(f));
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
    const bool acc_wanted = tag_.plan().acc;
    switch (rule.role) {
        case Role::single:
            std::memcpy(a_.single, payload, kPayload);
            records_.take(rule.kind, a_.single, kPayload);
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
                    flush(kSat);
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
    const LoopFamily family = version9_ ? LoopFamily::gps_acc_v9 : LoopFamily::gps_acc_v10;
    if (pass_over_units(tag_, s, family, [this](const uint8_t* u) { unit(u); }) != 0) {
        return -1;
    }
    records_.settle();
    end_unit_loop(tag_, fe_units_);
    // Records still pending at the end; GSM texts and satellite reports are dropped.
    for (Family f : {kAcc0, kAcc1, kNewAcc, kQuat}) {
        if (a_.pending[f]) {
            flush(f);
        }
    }
    records_.finish();
    print_last_download_line(tag_.info(), tag_.state, s);
    return 0;
}

}  // namespace

int decode_tag_blocks(TagRun& tag, bool version9) {
    return std::make_unique<BlockLoop>(tag, version9)->run();
}

}  // namespace dec
