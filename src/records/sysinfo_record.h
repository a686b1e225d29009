// System information events (block type 0x10) of generation-5 tags: bytes to
// plain values.
//
// A tag writes one event record whenever something happens to it: a reset, an
// acceleration-sensor error, a stop for low battery, the on/off switch, the
// death pinger, a GSM connection attempt, a GPS reset or status report. This
// file turns the 63 payload bytes behind the block type into a SysinfoEvent;
// sysinfo.h writes it. Layout (little-endian):
//
//   0  u8   event type
//   1  u32  event time (tag time); for GSM events the end of the attempt
//   5  u8   reset source flags RS
//   6  u8   voltage monitor byte VMON
//   7  u8   low-battery status (non-zero: acquisition stopped)
//   8  u16  battery voltage code
//  10  u8   switch state
//  11  u16  battery voltage code at the last GPS fix
//  13  ...  type-specific part (GSM report, GPS diagnostics, SMS attempt)
//
// Software-9 tags below serial 1980 and ECG tags reuse offset 5 as the battery
// code of their low-battery event, and ECG error events carry an error code
// and argument at offsets 5 and 6.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace dec {

inline constexpr size_t kSysinfoRecordSize = 63;

// Software-9 tags from this serial number on write the newer layout.
inline constexpr uint32_t kSysinfoV9NewLayoutSerial = 1980;

// The four layouts of event records: which types exist and what they carry.
enum class SysinfoLayout : uint8_t {
    v10,     // software-10 GPS-acceleration tags
    v9,      // software-9 tags from serial kSysinfoV9NewLayoutSerial on
    v9_old,  // software-9 tags below that serial
    ecg,     // ECG tags
};

// Head common to every event record.
struct SysinfoHead {
    uint8_t type = 0;
    uint32_t time = 0;              // tag time; end of the attempt for GSM events
    uint8_t rs = 0;                 // reset source flags
    uint8_t vmon = 0;               // voltage monitor byte
    uint8_t low_battery = 0;        // non-zero: data acquisition stopped
    uint16_t battery_code = 0;      // battery voltage code
    uint8_t switch_state = 0;       // pattern_byte_on (common/le.h): ON
    uint16_t battery_gps_code = 0;  // battery voltage code at the last GPS fix
};

// Up to five characters of a modem answer, as stored.
struct ModemText {
    char text[5] = {};
    uint8_t length = 0;
};

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
    ModemText csq;  // signal quality
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

// SMS attempt of software-9 tags from serial 1980 on (type 7).
struct SmsAttempt {
    uint32_t start_time = 0;
    uint8_t error = 0;
    uint8_t aerror = 0;
    uint16_t step = 0;
    uint8_t cgreg_stat = 0;  // a character of the modem's answer
    ModemText csq;
    uint8_t creg_stat = 0;  // a character of the modem's answer
};

// What follows the head, by the event's type in its layout.
enum class SysinfoPart : uint8_t {
    none,
    gsm,           // GSM report (v10 types 8 and 11, v9 type 8)
    gps,           // GPS diagnostics (v10 types 9 and 10)
    sms,           // SMS attempt (v9 type 7)
    battery_stop,  // stop for low battery (v9_old and ECG type 1): stop_battery_code
    ecg_error,     // ECG error (type 2): error_code, error_argument
};

struct SysinfoEvent {
    SysinfoHead head;
    SysinfoPart part = SysinfoPart::none;
    GsmReport gsm;
    GpsDiagnostics gps;
    SmsAttempt sms;
    uint16_t stop_battery_code = 0;
    uint8_t error_code = 0;
    uint8_t error_argument = 0;
};

// The event record of `length` bytes in `layout`; nothing, with no byte read,
// when it is shorter than kSysinfoRecordSize.
std::optional<SysinfoEvent> decode_sysinfo_event(const uint8_t* record, size_t length,
                                                 SysinfoLayout layout);

}  // namespace dec
