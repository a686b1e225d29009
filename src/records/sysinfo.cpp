#include "records/sysinfo.h"

#include "common/le.h"
#include "common/millivolts.h"
#include "common/printable.h"
#include "common/tagtime.h"

// Event record, 63 bytes behind the block type (little-endian):
//
//   0  u8   event type
//   1  u32  event time (tag time); for GSM events the end of the attempt
//   5  u8   reset source flags RS
//   6  u8   voltage monitor byte VMON
//   7  u8   low-battery status (non-zero: acquisition stopped)
//   8  u16  battery voltage code
//  10  u8   switch state
//  11  u16  battery voltage code at the last GPS fix
//  13  ...  type-specific part (GSM report, GPS diagnostics)
//
// Software-9 tags below serial 1980 and ECG tags reuse offset 5 as the battery
// code of their low-battery event, and ECG error events carry an error code
// and argument at offsets 5 and 6.

namespace dec {

namespace {

// Diagnostic lines above this level are for the firmware developers only.
constexpr int kDebugLevel = 0;

struct TypeText {
    uint8_t type;
    const char* text;
};

// Headings of software-10 events. Types 1 and 7 are no longer written.
constexpr TypeText kHeadingsV10[] = {
    {0, "\nReset-Event. Status:\n"},
    {2, "\nACC-ERR-Event.\n"},
    {3, "\nLOW BATTERY-Event: Stopped data acquisition. Status:\n"},
    {4, "\nON-OFF-SWITCH-Event. Status:\n"},
    {5, "\nDEATH-START-Event. Status:\n"},
    {6, "\nDEATH-STOP-Event. Status:\n"},
    {8, "\nGSM-Event (new). Status:\n"},
    {9, "\nGPS-RESET-Event. Status:\n"},
    {10, "\nGPS-STATUS-Event. Status:\n"},
    {11, "\nGSM-Event (new). Status:\n"},
};

// Headings of software-9 events from serial 1980 on.
constexpr TypeText kHeadingsV9[] = {
    {0, "\nReset-Event. Status:\n"},
    {3, "\nLOW BATTERY-Event: Stopped data acquisition. Status:\n"},
    {4, "\nON-OFF-SWITCH-Event. Status:\n"},
    {5, "\nDEATH-PINGER-START-Event. Status:\n"},
    {6, "\nDEATH-PINGER-STOP-Event. Status:\n"},
    {7, "\nGSM-SMS-Event. Status:\n"},
    {8, "\nGSM-Event (new). Status:\n"},
};

template <size_t N>
const char* heading_of(const TypeText (&table)[N], uint8_t type) {
    for (const TypeText& t : table) {
        if (t.type == type) {
            return t.text;
        }
    }
    return nullptr;
}

// Writes the heading of the record's type from `table`; false, after the
// unknown-type line, when the table has none.
template <size_t N>
bool put_heading(const TypeText (&table)[N], uint8_t type, OutStream& info) {
    const char* heading = heading_of(table, type);
    if (heading == nullptr) {
        info.printf("\n### Unknown SYSINFO, type=%hhu ###\n\n", type);
        return false;
    }
    info.put(heading);
    return true;
}

constexpr uint8_t kTypeReset = 0;
constexpr uint8_t kTypeV9LowBattery = 1;  // serial below 1980 and ECG tags
constexpr uint8_t kTypeEcgError = 2;
constexpr uint8_t kTypeSms = 7;  // software 9, serial 1980 on
constexpr uint8_t kTypeGsm = 8;
constexpr uint8_t kTypeGpsReset = 9;
constexpr uint8_t kTypeGpsStatus = 10;
constexpr uint8_t kTypeGsmSecond = 11;

struct ResetCause {
    uint8_t mask;
    const char* gen5;
    const char* gen3;
};

constexpr ResetCause kResetCauses[] = {
    {0x80, "Clock reset\n", "Clock reset\n"},
    {0x40, "Flash error reset\n", "Flash error reset\n"},
    {0x20, "Comparator 0 reset\n", "Comparator 0 reset\n"},
    {0x10, "Software trigger\n", "Software reset\n"},
    {0x08, "Watchdog reset\n", "Watchdog reset\n"},
    {0x04, "Missing clock reset\n", "Missing clock reset\n"},
    {0x02, "Power on or power fail reset\n", "Power on or power fail reset\n"},
};

// The pin reset flag (0x01) is only meaningful without the power-on flag
// (0x02), which sets it as well.
constexpr uint8_t kPinResetMask = 0x03;
constexpr uint8_t kPinResetOnly = 0x01;
constexpr const char* kPinResetGen5 = "Hardware trigger (e.g. with magnet)\n";
constexpr const char* kPinResetGen3 = "Hardware reset (e.g. with magnet)\n";

// Names of the GSM flag bits, lowest bit first, for both report forms.
constexpr const char* kGsmFlagNamesFirst[8] = {
    "GSMTAG_LOW_DATARATE_FLAG ",  "GSMTAG_LOW_BATVOLT_FLAG ",        "GSMTAG_UNEXP_CONN_END_FLAG ",
    "GSMTAG_GLOBALTIMEOUT_FLAG ", "GSMTAG_LOW_DATARATE_USOWR_FLAG ", "GSMTAG_USOWR_UNEXP_LEN_FLAG ",
    "GSMTAG_CGATT_ERROR_FLAG ",   "GSMTAG_USOWR_LOST_BYTES_FLAG ",
};
constexpr const char* kGsmFlagNamesSecond[8] = {
    "GSMTAG_LOW_DATARATE_FLAG ",
    "GSMTAG_LOW_BATVOLT_FLAG ",
    "GSMTAG_UNEXP_CONN_END_FLAG ",
    "GSMTAG_GLOBALTIMEOUT_FLAG ",
    "GSMTAG_LOW_DATARATE_USOWR_FLAG ",
    "GSMTAG_PACKETSERVICE_TIMEOUT ",
    "GSMTAG_SHDNTIMEOUT ",
    "GSMTAG_USOWR_LOST_BYTES_FLAG ",
};

// Up to five characters of a modem answer; the text ends at the first control
// byte (the modem pads with zeros). DEL and bytes above it would pass that
// test, so they are made printable here.
uint8_t read_modem_text(const uint8_t* record, size_t off, char (&text)[5]) {
    uint8_t n = 0;
    while (n < 5 && record[off + n] >= 32) {
        text[n] = printable_char(static_cast<char>(record[off + n]));
        ++n;
    }
    return n;
}

// A one-character status of the modem: a control byte below 32 prints as a
// blank, DEL and above as any other container text does.
char printable_or_blank(uint8_t c) {
    return c < 32 ? ' ' : printable_char(static_cast<char>(c));
}

void print_status_line(OutStream& info, const SysinfoHead& h, const OutputPlan& plan) {
    print_tag_time(h.time, info, plan);
    info.printf(" RS:0x%02X VMON:0x%02X\n", h.rs, h.vmon);
}

// Tag-time prefix and battery voltage of the low-battery stop of older tags.
void print_old_low_battery(OutStream& info, const uint8_t* record, const OutputPlan& plan) {
    info.put("\nStopped data acquisition due to low battery:\n");
    print_tag_time(le_u32(record, 1), info, plan);
    info.printf(" Battery Voltage: %u mV\n", voltage_code_mv(le_u16(record, 5)));
}

void print_if_set(OutStream& info, const char* fmt, uint8_t value) {
    if (value != 0) {
        info.printf(fmt, value);
    }
}

void print_csq(OutStream& info, const GsmReport& g) {
    info.put("csq:");
    info.write(g.csq, g.csq_length);
    info.put_char('\n');
}

[[maybe_unused]] void print_gsm_debug(OutStream& info, const GsmReport& g, uint32_t tag_number) {
    const bool first = g.form == GsmForm::first;
    const bool download = !g.is_sms();
    uint8_t prev = static_cast<uint8_t>(g.start_time);
    for (int i = 0; i < 5; ++i) {
        if (first || i < 3 || download) {
            info.printf("dtimestamp%d:%hhu\n", i + 1, static_cast<uint8_t>(g.step[i] - prev));
        }
        prev = g.step[i];
    }
    if (first) {
        info.printf("dtimestamp_s2:%hhu\n", static_cast<uint8_t>(g.step_s[1] - g.step_s[0]));
        info.printf("dtimestamp_s3:%hhu\n", static_cast<uint8_t>(g.step_s[2] - g.step_s[1]));
        info.printf("pacsp:%hhu\n", g.pacsp);
    } else {
        info.printf(
            "ceer:%hhu,ceernet:%hhu,cops_AcT:%c,cme:%hu\ntx_error_repeat:%hhu,trace:0x%02hX\n",
            g.ceer, g.ceernet, printable_char(g.cops_act), g.cme, g.tx_error_repeat, g.trace);
    }
    if (g.connect_time != 0) {
        info.printf("Tnfc:%i,%hus\n", static_cast<int>(tag_number),
                    static_cast<uint16_t>(g.connect_time - g.start_time));
    } else {
        info.printf("Tnfc:%i,0s\n", static_cast<int>(tag_number));
    }
}

void print_gsm_report(OutStream& info, const GsmReport& g, uint32_t event_time,
                      uint32_t tag_number) {
    const bool first = g.form == GsmForm::first;
    if (!first) {
        info.put(g.is_sms() ? "SMS\n" : "DWNLD\n");
    }
    print_if_set(info, "#### err_unexp_resp:%hhu\n", g.err_unexp_resp);
    if (first) {
        print_if_set(info, "#### err_usoctl1:%hhu\n", g.err_usoctl1);
    }
    print_if_set(info, "#### err_ddl_x:%hhu\n", g.err_ddl_x);
    print_if_set(info, "#### error_type:%hhu\n", g.error_type);
    info.printf("batvolt_at_begin:%umV\n", voltage_code_mv(g.battery_begin_code));
    info.printf("batvolt_at_end:%umV\n", voltage_code_mv(g.battery_end_code));
    info.printf("batvolt_min:%umV\n", voltage_code_mv(g.battery_min_code));
    print_csq(info, g);
    info.printf("creg_stat:%hhu\n", g.creg_stat);
    info.printf("cgreg_stat:%hhu\n", g.cgreg_stat);
    if (!first) {
        info.printf("cereg_stat:%hhu\n", g.cereg_stat);
    }
    info.printf("flags:%hhu:", g.flags);
    const auto& names = first ? kGsmFlagNamesFirst : kGsmFlagNamesSecond;
    for (unsigned bit = 0; bit < 8; ++bit) {
        if (g.flags & (1u << bit)) {
            info.put(names[bit]);
        }
    }
    info.put_char('\n');
    info.printf(first ? "usoctl11:%u\n" : "tcp_ack_waiting:%u\n", g.socket_word);
    print_if_set(info, "#### err_usowr_x:%hhu\n", g.err_usowr_x);
    print_if_set(info, "#### err_grc_x:%hhu\n", g.err_grc_x);
    print_if_set(info, "#### urcflags:%hhu\n", g.urcflags);
    info.printf("Total Time needed:%us\n", event_time - g.start_time);
    if (g.ddl_end_time != 0) {
        // Both are the low 16 bits of tag times: the difference wraps.
        info.printf("Time needed only for ddl:%hus\n",
                    static_cast<uint16_t>(g.ddl_end_time - g.connect_time));
    }
    if constexpr (kDebugLevel > 10) {
        print_gsm_debug(info, g, tag_number);
    }
}

// The report of software-9 tags: every counter, always, and the flags as a number.
void print_gsm_report_v9(OutStream& info, const GsmReport& g, uint32_t event_time) {
    info.printf("err_unexp_resp:%hhu\n", g.err_unexp_resp);
    info.printf("err_usoctl1:%hhu\n", g.err_usoctl1);
    info.printf("err_ddl_x:%hhu\n", g.err_ddl_x);
    info.printf("error_type:%hhu\n", g.error_type);
    info.printf("batvolt_at_begin:%umV\n", voltage_code_mv(g.battery_begin_code));
    info.printf("batvolt_at_end:%umV\n", voltage_code_mv(g.battery_end_code));
    info.printf("batvolt_min:%umV\n", voltage_code_mv(g.battery_min_code));
    print_csq(info, g);
    info.printf("creg_stat:%hhu\n", g.creg_stat);
    info.printf("cgreg_stat:%hhu\n", g.cgreg_stat);
    info.printf("flags:%hhu\n", g.flags);
    info.printf("usoctl11:%u\n", g.socket_word);
    info.printf("err_usowr_x:%hhu\n", g.err_usowr_x);
    info.printf("err_grc_x:%hhu\n", g.err_grc_x);
    info.printf("urcflags:%hhu\n", g.urcflags);
    info.printf("Total Time needed:%us\n", event_time - g.start_time);
    info.printf("Time needed only for ddl:%hus\n",
                static_cast<uint16_t>(g.ddl_end_time - g.connect_time));
}

void print_gps_diagnostics(OutStream& info, const GpsDiagnostics& d) {
    info.printf("errorflags:0x%02hX\n", d.error_flags);
    info.printf("count_unimpl_ubx:0x%02hX\n", d.count_unimpl_ubx);
    info.printf("ubx_crc_error:0x%02hX\n", d.ubx_crc_error);
    info.printf("unexpected:0x%02hhX\n", d.unexpected);
    info.printf("noiseperms:%hu\n", d.noise_per_ms);
    info.printf("rtcflags:0x%02hhX\n", d.rtc_flags);
    info.printf("ack_nak_payload ack_nak_data:0x%02hX\n", d.ack_nak_payload);
    info.printf("smbus_error_flags:0x%02hhX\n", d.smbus_error_flags);
    info.printf("nak_error_tx_index:0x%02hhX\n", d.nak_error_tx_index);
    info.printf("mpu9250_errors:0x%02hX\n", d.imu_errors);
    info.printf("dmp_erraddr:0x%02hhX\n", d.dmp_err_addr);
    info.printf("dbg_fifcont:0x%02hhX\n", d.fifo_count);
    info.printf("err_pl:0x%02hX bfc:0x%02hhX\n", d.err_payload, d.bfc);
}

// Lines shared by the software-10 events and the newer software-9 events:
// status, reset causes (reset events only), low battery, voltages, switch.
void print_event_status(OutStream& info, const SysinfoHead& h, const OutputPlan& plan,
                        const char* gps_label) {
    print_status_line(info, h, plan);
    if (h.type == kTypeReset) {
        print_reset_causes(info, h.rs, ResetWording::gen5);
    }
    if (h.low_battery != 0) {
        info.put("LOW BATTERY STATUS (=> NO DATA ACQUISITION)\n");
    }
    info.printf("Battery Voltage: %u mV,", voltage_code_mv(h.battery_code));
    info.put(gps_label);
    info.printf("%u mV\n", voltage_code_mv(h.battery_gps_code));
    info.put(sysinfo_switch_on(h.switch_state) ? "SWITCH is ON\n" : "SWITCH is OFF\n");
}

// SMS attempt of software-9 tags (type 7):
//  13 u32 start time   17 u8 error   18 u8 aerror   19 u16 step
//  21 u8 cgreg_stat    22 5 bytes CSQ              28 u8 creg_stat
void print_sms_v9(OutStream& info, const uint8_t* record, uint32_t event_time) {
    const auto tcon = static_cast<int32_t>(event_time - le_u32(record, 13));
    info.printf(
        "SMS tcon:%i step:%hu aerror:0x%02hhX error:0x%02hhX creg_stat:%c cgreg_stat:%c CSQ:", tcon,
        le_u16(record, 19), le_u8(record, 18), le_u8(record, 17),
        printable_or_blank(le_u8(record, 28)), printable_or_blank(le_u8(record, 21)));
    char csq[5];
    const uint8_t n = read_modem_text(record, 22, csq);
    info.write(csq, n);
    info.put("\n\n");
}

void decode_sysinfo_v9_new(const uint8_t* record, OutStream& info, const OutputPlan& plan) {
    const SysinfoHead h = decode_sysinfo_head(record);
    if (!put_heading(kHeadingsV9, h.type, info)) {
        return;
    }
    print_event_status(info, h, plan, h.type == kTypeSms ? " after SMS: " : " at gpsfix: ");
    if (h.type == kTypeSms) {
        print_sms_v9(info, record, h.time);  // ends with its own empty line
        return;
    }
    if (h.type == kTypeGsm) {
        print_gsm_report_v9(info, decode_gsm_report(record, GsmForm::first), h.time);
    }
    info.put_char('\n');
}

void decode_sysinfo_v9_old(const uint8_t* record, OutStream& info, const OutputPlan& plan) {
    const uint8_t type = le_u8(record, 0);
    if (type == kTypeV9LowBattery) {
        print_old_low_battery(info, record, plan);
    } else if (type == kTypeReset) {
        info.put("\nReset-Event. Status:\n");
        const SysinfoHead h = decode_sysinfo_head(record);
        print_status_line(info, h, plan);
        print_reset_causes(info, h.rs, ResetWording::gen5);
    } else {
        info.printf("\n### Unknown SYSINFO, type=%hhu ###\n\n", type);
    }
}

}  // namespace

void print_reset_causes(OutStream& out, uint8_t rs, ResetWording wording) {
    const bool gen5 = wording == ResetWording::gen5;
    for (const ResetCause& c : kResetCauses) {
        if (rs & c.mask) {
            out.put(gen5 ? c.gen5 : c.gen3);
        }
    }
    if ((rs & kPinResetMask) == kPinResetOnly) {
        out.put(gen5 ? kPinResetGen5 : kPinResetGen3);
    }
}

SysinfoHead decode_sysinfo_head(const uint8_t* record) {
    SysinfoHead h;
    h.type = le_u8(record, 0);
    h.time = le_u32(record, 1);
    h.rs = le_u8(record, 5);
    h.vmon = le_u8(record, 6);
    h.low_battery = le_u8(record, 7);
    h.battery_code = le_u16(record, 8);
    h.switch_state = le_u8(record, 10);
    h.battery_gps_code = le_u16(record, 11);
    return h;
}

bool sysinfo_switch_on(uint8_t state) {
    return (state & 0xAA) >= (state & 0x55);
}

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
GsmReport decode_gsm_report(const uint8_t* record, GsmForm form) {
    GsmReport g;
    g.form = form;
    g.start_time = le_u32(record, 13);
    g.connect_time = le_u16(record, 17);
    g.ddl_end_time = le_u16(record, 19);
    g.err_unexp_resp = le_u8(record, 21);
    // The first form has one byte more before the fields both forms share.
    const size_t at = form == GsmForm::first ? 23 : 22;
    if (form == GsmForm::first) {
        g.err_usoctl1 = le_u8(record, 22);
    }
    g.err_ddl_x = le_u8(record, at);
    g.error_type = le_u8(record, at + 1);
    g.battery_begin_code = le_u16(record, at + 2);
    g.battery_end_code = le_u16(record, at + 4);
    g.battery_min_code = le_u16(record, at + 6);
    g.csq_length = read_modem_text(record, at + 8, g.csq);
    g.creg_stat = le_u8(record, at + 14);
    g.cgreg_stat = le_u8(record, at + 15);
    g.flags = le_u8(record, at + 16);
    g.socket_word = le_u32(record, at + 17);
    g.err_usowr_x = le_u8(record, at + 21);
    g.err_grc_x = le_u8(record, at + 22);
    g.urcflags = le_u8(record, at + 23);
    for (size_t i = 0; i < 5; ++i) {
        g.step[i] = le_u8(record, at + 24 + i);
    }
    if (form == GsmForm::first) {
        for (size_t i = 0; i < 3; ++i) {
            g.step_s[i] = le_u8(record, 52 + i);
        }
        g.pacsp = le_u8(record, 55);
    } else {
        g.cereg_stat = le_u8(record, 51);
        g.ceer = le_u8(record, 52);
        g.ceernet = le_u8(record, 53);
        g.cops_act = static_cast<char>(le_u8(record, 54));
        g.cme = le_u16(record, 55);
        g.tx_error_repeat = le_u8(record, 57);
        g.trace = le_u16(record, 58);
    }
    return g;
}

// GPS diagnostics, from offset 13 of the event record:
//  13 u16 error flags       15 u16 unimplemented UBX    17 u16 UBX checksum errors
//  19 u8  unexpected        20 u16 noise per ms         22 u8  clock flags
//  23 u16 ack payload       25 u8  SMBus error flags    26 u8  NAK transmit index
//  27 u16 IMU error count   29 u8  DMP error address    30 u8  FIFO count
//  31 u16 payload error     33 u8  bfc
GpsDiagnostics decode_gps_diagnostics(const uint8_t* record) {
    GpsDiagnostics d;
    d.error_flags = le_u16(record, 13);
    d.count_unimpl_ubx = le_u16(record, 15);
    d.ubx_crc_error = le_u16(record, 17);
    d.unexpected = le_u8(record, 19);
    d.noise_per_ms = le_u16(record, 20);
    d.rtc_flags = le_u8(record, 22);
    d.ack_nak_payload = le_u16(record, 23);
    d.smbus_error_flags = le_u8(record, 25);
    d.nak_error_tx_index = le_u8(record, 26);
    d.imu_errors = le_u16(record, 27);
    d.dmp_err_addr = le_u8(record, 29);
    d.fifo_count = le_u8(record, 30);
    d.err_payload = le_u16(record, 31);
    d.bfc = le_u8(record, 33);
    return d;
}

void decode_sysinfo(const uint8_t* record, OutStream& info, const OutputPlan& plan,
                    uint32_t tag_number) {
    const SysinfoHead h = decode_sysinfo_head(record);
    if (!put_heading(kHeadingsV10, h.type, info)) {
        return;
    }
    print_event_status(info, h, plan, " at last gpsfix: ");
    switch (h.type) {
        case kTypeGsm:
            print_gsm_report(info, decode_gsm_report(record, GsmForm::first), h.time, tag_number);
            break;
        case kTypeGsmSecond:
            print_gsm_report(info, decode_gsm_report(record, GsmForm::second), h.time, tag_number);
            break;
        case kTypeGpsReset:
        case kTypeGpsStatus:
            print_gps_diagnostics(info, decode_gps_diagnostics(record));
            break;
        default:
            break;
    }
    info.put_char('\n');
}

void decode_sysinfo_v9(const uint8_t* record, OutStream& info, const OutputPlan& plan,
                       uint32_t tag_number) {
    if (tag_number < kSysinfoV9NewLayoutSerial) {
        decode_sysinfo_v9_old(record, info, plan);
    } else {
        decode_sysinfo_v9_new(record, info, plan);
    }
}

void decode_sysinfo_ecg(const uint8_t* record, OutStream& info, const OutputPlan& plan) {
    const uint8_t type = le_u8(record, 0);
    switch (type) {
        case kTypeReset: {
            info.put("\nResetinfo:\n");
            const SysinfoHead h = decode_sysinfo_head(record);
            print_status_line(info, h, plan);
            print_reset_causes(info, h.rs, ResetWording::gen5);
            info.put_char('\n');
            break;
        }
        case kTypeV9LowBattery:
            print_old_low_battery(info, record, plan);
            break;
        case kTypeEcgError:
            info.put("\nError info:\n");
            print_tag_time(le_u32(record, 1), info, plan);
            info.printf(" Err:%u arg:%u \n", le_u8(record, 5), le_u8(record, 6));
            break;
        default:
            info.put("\n### Unknown SYSINFO ###\n");
            break;
    }
}

}  // namespace dec
