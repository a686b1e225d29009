#include "records/sysinfo_record.h"

#include "common/le.h"

namespace dec {

namespace {

// Up to five characters of a modem answer from `off` on; the text ends at the
// first control byte (the modem pads with zeros).
ModemText read_modem_text(const uint8_t* record, size_t off) {
    ModemText t;
    while (t.length < 5 && record[off + t.length] >= 32) {
        t.text[t.length] = static_cast<char>(record[off + t.length]);
        ++t.length;
    }
    return t;
}

// clang-format off
SysinfoHead read_head(const uint8_t* r) {
    return {.type = le_u8(r, 0), .time = le_u32(r, 1), .rs = le_u8(r, 5), .vmon = le_u8(r, 6),
            .low_battery = le_u8(r, 7), .battery_code = le_u16(r, 8), .switch_state = le_u8(r, 10),
            .battery_gps_code = le_u16(r, 11)};
}
// clang-format on

// GSM report, from offset 13 of the event record:
//
//   first form (8)              second form (11)
//   13 u32 attempt start        same
//   17 u16 connection time      same
//   19 u16 download end time    same
//   21 u8  err_unexp_resp       21 u8  err_unexp_resp
//   22 u8  err_usoctl1          22 u8  err_ddl_x
//   23 u8  err_ddl_x            23 u8  error_type
//   24 u8  error_type           24 u16 battery begin, 26 end, 28 minimum
//   25 u16 battery begin,       30 5 bytes csq
//   27 end, 29 minimum          36 u8  creg_stat, 37 cgreg_stat
//   31 5 bytes csq              38 u8  flags
//   37 u8  creg_stat            39 u32 tcp_ack_waiting
//   38 u8  cgreg_stat           43 u8  err_usowr_x, 44 err_grc_x, 45 urcflags
//   39 u8  flags                46 5 x u8 step times
//   40 u32 usoctl11             51 u8  cereg_stat, 52 ceer, 53 ceernet
//   44 u8  err_usowr_x          54 char cops_AcT
//   45 u8  err_grc_x            55 u16 cme
//   46 u8  urcflags             57 u8  tx_error_repeat
//   47 5 x u8 step times        58 u16 trace
//   52 3 x u8 further steps
//   55 u8  pacsp
GsmReport read_gsm_report(const uint8_t* r, GsmForm form) {
    const bool first = form == GsmForm::first;
    // The first form has one byte more before the fields both forms share.
    const size_t at = first ? 23 : 22;
    // clang-format off
    GsmReport g{.form = form, .start_time = le_u32(r, 13), .connect_time = le_u16(r, 17),
                .ddl_end_time = le_u16(r, 19), .err_unexp_resp = le_u8(r, 21),
                .err_usoctl1 = first ? le_u8(r, 22) : uint8_t{0},
                .err_ddl_x = le_u8(r, at), .error_type = le_u8(r, at + 1),
                .battery_begin_code = le_u16(r, at + 2), .battery_end_code = le_u16(r, at + 4),
                .battery_min_code = le_u16(r, at + 6), .csq = read_modem_text(r, at + 8),
                .creg_stat = le_u8(r, at + 14), .cgreg_stat = le_u8(r, at + 15),
                .flags = le_u8(r, at + 16), .socket_word = le_u32(r, at + 17),
                .err_usowr_x = le_u8(r, at + 21), .err_grc_x = le_u8(r, at + 22),
                .urcflags = le_u8(r, at + 23)};
    // clang-format on
    for (size_t i = 0; i < 5; ++i) {
        g.step[i] = le_u8(r, at + 24 + i);
    }
    if (first) {
        for (size_t i = 0; i < 3; ++i) {
            g.step_s[i] = le_u8(r, 52 + i);
        }
        g.pacsp = le_u8(r, 55);
    } else {
        g.cereg_stat = le_u8(r, 51);
        g.ceer = le_u8(r, 52);
        g.ceernet = le_u8(r, 53);
        g.cops_act = static_cast<char>(le_u8(r, 54));
        g.cme = le_u16(r, 55);
        g.tx_error_repeat = le_u8(r, 57);
        g.trace = le_u16(r, 58);
    }
    return g;
}

// GPS diagnostics, from offset 13 of the event record:
//  13 u16 error flags       15 u16 unimplemented UBX    17 u16 UBX checksum errors
//  19 u8  unexpected        20 u16 noise per ms         22 u8  clock flags
//  23 u16 ack payload       25 u8  SMBus error flags    26 u8  NAK transmit index
//  27 u16 IMU error count   29 u8  DMP error address    30 u8  FIFO count
//  31 u16 payload error     33 u8  bfc
// clang-format off
GpsDiagnostics read_gps_diagnostics(const uint8_t* r) {
    return {.error_flags = le_u16(r, 13), .count_unimpl_ubx = le_u16(r, 15),
            .ubx_crc_error = le_u16(r, 17), .unexpected = le_u8(r, 19),
            .noise_per_ms = le_u16(r, 20), .rtc_flags = le_u8(r, 22),
            .ack_nak_payload = le_u16(r, 23), .smbus_error_flags = le_u8(r, 25),
            .nak_error_tx_index = le_u8(r, 26), .imu_errors = le_u16(r, 27),
            .dmp_err_addr = le_u8(r, 29), .fifo_count = le_u8(r, 30), .err_payload = le_u16(r, 31),
            .bfc = le_u8(r, 33)};
}
// clang-format on

// SMS attempt of software-9 tags (type 7):
//  13 u32 start time   17 u8 error   18 u8 aerror   19 u16 step
//  21 u8 cgreg_stat    22 5 bytes CSQ              28 u8 creg_stat
// clang-format off
SmsAttempt read_sms_attempt(const uint8_t* r) {
    return {.start_time = le_u32(r, 13), .error = le_u8(r, 17), .aerror = le_u8(r, 18),
            .step = le_u16(r, 19), .cgreg_stat = le_u8(r, 21), .csq = read_modem_text(r, 22),
            .creg_stat = le_u8(r, 28)};
}
// clang-format on

}  // namespace

std::optional<SysinfoEvent> decode_sysinfo_event(const uint8_t* record, size_t length,
                                                 SysinfoLayout layout) {
    if (length < kSysinfoRecordSize) {
        return std::nullopt;
    }
    SysinfoEvent e;
    e.head = read_head(record);
    const uint8_t type = e.head.type;
    const bool v10 = layout == SysinfoLayout::v10;
    const bool v9 = layout == SysinfoLayout::v9;
    if ((v10 && (type == 8 || type == 11)) || (v9 && type == 8)) {
        e.part = SysinfoPart::gsm;
        e.gsm = read_gsm_report(record, type == 11 ? GsmForm::second : GsmForm::first);
    } else if (v10 && (type == 9 || type == 10)) {
        e.part = SysinfoPart::gps;
        e.gps = read_gps_diagnostics(record);
    } else if (v9 && type == 7) {
        e.part = SysinfoPart::sms;
        e.sms = read_sms_attempt(record);
    } else if (type == 1 && (layout == SysinfoLayout::v9_old || layout == SysinfoLayout::ecg)) {
        e.part = SysinfoPart::battery_stop;
        e.stop_battery_code = le_u16(record, 5);
    } else if (type == 2 && layout == SysinfoLayout::ecg) {
        e.part = SysinfoPart::ecg_error;
        e.error_code = le_u8(record, 5);
        e.error_argument = le_u8(record, 6);
    }
    return e;
}

}  // namespace dec
