// System information events (block type 0x10) of generation-5 tags.
//
// A tag writes one event record whenever something happens to it: a reset, an
// acceleration-sensor error, a stop for low battery, the on/off switch, the
// death pinger, a GSM connection attempt, a GPS reset or status report. The
// block loop hands the 63 payload bytes behind the block type to one of the
// three event decoders (software-10 tags, software-9 tags, ECG tags); each
// writes a short paragraph to the tag's information stream. Events change no
// decoding state.
//
// The records are first turned into plain structs (decode_*), which the print
// functions then write; the three decoders below do both.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/output_plan.h"
#include "common/outstream.h"

namespace dec {

inline constexpr size_t kSysinfoRecordSize = 63;

// Tags from this serial number on write the newer software-9 event layout.
inline constexpr uint32_t kSysinfoV9NewLayoutSerial = 1980;

// The reset-cause lines exist in two wordings: generation-5 tags say
// "Software trigger" / "Hardware trigger", generation-3 tags "Software reset" /
// "Hardware reset"; all other lines are the same.
enum class ResetWording : uint8_t { gen5, gen3 };

// One line per cause found in the reset-source byte RS, highest bit first.
void print_reset_causes(OutStream& out, uint8_t rs, ResetWording wording);

// Head common to every event record.
struct SysinfoHead {
    uint8_t type = 0;
    uint32_t time = 0;          // tag time; end of the attempt for GSM events
    uint8_t rs = 0;             // reset source flags
    uint8_t vmon = 0;           // voltage monitor byte
    uint8_t low_battery = 0;    // non-zero: data acquisition stopped
    uint16_t battery_code = 0;  // battery voltage code
    uint8_t switch_state = 0;
    uint16_t battery_gps_code = 0;  // battery voltage code at the last GPS fix
};

SysinfoHead decode_sysinfo_head(const uint8_t* record);

// The switch byte holds the ON pattern in its odd bits (0xAA) and the OFF
// pattern in its even bits (0x55); the pattern with more weight wins.
bool sysinfo_switch_on(uint8_t state);

// GSM connection report: type 8 (first form) or type 11 (second form).
enum class GsmForm : uint8_t { first, second };

struct GsmReport {
    GsmForm form = GsmForm::first;
    uint32_t start_time = 0;    // tag time of the start of the attempt
    uint16_t connect_time = 0;  // low 16 bits
    uint16_t ddl_end_time = 0;  // low 16 bits; 0 = no download
    uint8_t err_unexp_resp = 0;
    uint8_t err_usoctl1 = 0;  // first form only
    uint8_t err_ddl_x = 0;
    uint8_t error_type = 0;
    uint16_t battery_begin_code = 0;
    uint16_t battery_end_code = 0;
    uint16_t battery_min_code = 0;
    char csq[5] = {};  // signal quality text, csq_length characters
    uint8_t csq_length = 0;
    uint8_t creg_stat = 0;
    uint8_t cgreg_stat = 0;
    uint8_t flags = 0;
    uint32_t socket_word = 0;  // first form: usoctl11; second: tcp_ack_waiting
    uint8_t err_usowr_x = 0;
    uint8_t err_grc_x = 0;
    uint8_t urcflags = 0;
    uint8_t step[5] = {};  // low bytes of the step times
    // First form only.
    uint8_t step_s[3] = {};  // low bytes of three further step times
    uint8_t pacsp = 0;
    // Second form only.
    uint8_t cereg_stat = 0;
    uint8_t ceer = 0;
    uint8_t ceernet = 0;
    char cops_act = 0;
    uint16_t cme = 0;
    uint8_t tx_error_repeat = 0;
    uint16_t trace = 0;  // bits 0x0700: SMS attempt

    bool is_sms() const { return (trace & 0x0700) != 0; }
};

GsmReport decode_gsm_report(const uint8_t* record, GsmForm form);

// GPS receiver diagnostics of GPS reset and GPS status events (types 9, 10).
struct GpsDiagnostics {
    uint16_t error_flags = 0;
    uint16_t count_unimpl_ubx = 0;
    uint16_t ubx_crc_error = 0;
    uint8_t unexpected = 0;
    uint16_t noise_per_ms = 0;
    uint8_t rtc_flags = 0;
    uint16_t ack_nak_payload = 0;
    uint8_t smbus_error_flags = 0;
    uint8_t nak_error_tx_index = 0;
    uint16_t imu_errors = 0;
    uint8_t dmp_err_addr = 0;
    uint8_t fifo_count = 0;
    uint16_t err_payload = 0;
    uint8_t bfc = 0;
};

GpsDiagnostics decode_gps_diagnostics(const uint8_t* record);

// Software-10 GPS-acceleration tags. `record` holds kSysinfoRecordSize bytes.
void decode_sysinfo(const uint8_t* record, OutStream& info, const OutputPlan& plan,
                    uint32_t tag_number);

// Software-9 tags; the serial number selects the older or the newer layout.
void decode_sysinfo_v9(const uint8_t* record, OutStream& info, const OutputPlan& plan,
                       uint32_t tag_number);

// ECG tags: reset, low-battery and error events.
void decode_sysinfo_ecg(const uint8_t* record, OutStream& info, const OutputPlan& plan);

}  // namespace dec
