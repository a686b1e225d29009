#include "records/sysinfo.h"

#include "common/le.h"
#include "common/millivolts.h"
#include "common/printable.h"
#include "common/tagtime.h"
#include "records/record_sink.h"

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

// Writes the heading of the record's type from `table`; false, after the
// unknown-type line, when the table has none.
template <size_t N>
bool put_heading(const TypeText (&table)[N], uint8_t type, OutStream& info) {
    for (const TypeText& t : table) {
        if (t.type == type) {
            info.put(t.text);
            return true;
        }
    }
    info.printf("\n### Unknown SYSINFO, type=%hhu ###\n\n", type);
    return false;
}

constexpr uint8_t kTypeReset = 0;

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
// clang-format off
constexpr const char* kGsmFlagNamesFirst[8] = {
    "GSMTAG_LOW_DATARATE_FLAG ", "GSMTAG_LOW_BATVOLT_FLAG ", "GSMTAG_UNEXP_CONN_END_FLAG ",
    "GSMTAG_GLOBALTIMEOUT_FLAG ", "GSMTAG_LOW_DATARATE_USOWR_FLAG ", "GSMTAG_USOWR_UNEXP_LEN_FLAG ",
    "GSMTAG_CGATT_ERROR_FLAG ", "GSMTAG_USOWR_LOST_BYTES_FLAG ",
};
constexpr const char* kGsmFlagNamesSecond[8] = {
    "GSMTAG_LOW_DATARATE_FLAG ", "GSMTAG_LOW_BATVOLT_FLAG ", "GSMTAG_UNEXP_CONN_END_FLAG ",
    "GSMTAG_GLOBALTIMEOUT_FLAG ", "GSMTAG_LOW_DATARATE_USOWR_FLAG ",
    "GSMTAG_PACKETSERVICE_TIMEOUT ", "GSMTAG_SHDNTIMEOUT ", "GSMTAG_USOWR_LOST_BYTES_FLAG ",
};
// clang-format on

// A modem answer ends at its first control byte; DEL and bytes above it pass
// that test, so they are made printable here.
void put_modem_text(OutStream& info, const ModemText& t) {
    char text[5];
    for (uint8_t i = 0; i < t.length; ++i) {
        text[i] = printable_char(t.text[i]);
    }
    info.write(text, t.length);
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
void print_battery_stop(OutStream& info, const SysinfoEvent& e, const OutputPlan& plan) {
    info.put("\nStopped data acquisition due to low battery:\n");
    print_tag_time(e.head.time, info, plan);
    info.printf(" Battery Voltage: %u mV\n", voltage_code_mv(e.stop_battery_code));
}

void print_if_set(OutStream& info, const char* fmt, uint8_t value) {
    if (value != 0) {
        info.printf(fmt, value);
    }
}

// The battery voltages of the attempt, the signal quality and the network
// states: alike in every form of the report.
void print_gsm_voltages_and_network(OutStream& info, const GsmReport& g) {
    info.printf("batvolt_at_begin:%umV\nbatvolt_at_end:%umV\nbatvolt_min:%umV\n",
                voltage_code_mv(g.battery_begin_code), voltage_code_mv(g.battery_end_code),
                voltage_code_mv(g.battery_min_code));
    info.put("csq:");
    put_modem_text(info, g.csq);
    info.printf("\ncreg_stat:%hhu\n", g.creg_stat);
    info.printf("cgreg_stat:%hhu\n", g.cgreg_stat);
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
    print_gsm_voltages_and_network(info, g);
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
    info.printf("err_unexp_resp:%hhu\nerr_usoctl1:%hhu\nerr_ddl_x:%hhu\nerror_type:%hhu\n",
                g.err_unexp_resp, g.err_usoctl1, g.err_ddl_x, g.error_type);
    print_gsm_voltages_and_network(info, g);
    info.printf("flags:%hhu\nusoctl11:%u\nerr_usowr_x:%hhu\nerr_grc_x:%hhu\nurcflags:%hhu\n",
                g.flags, g.socket_word, g.err_usowr_x, g.err_grc_x, g.urcflags);
    info.printf("Total Time needed:%us\nTime needed only for ddl:%hus\n", event_time - g.start_time,
                static_cast<uint16_t>(g.ddl_end_time - g.connect_time));
}

// One line per diagnostic value, in hex but the noise; err_pl and bfc share one.
void print_gps_diagnostics(OutStream& info, const GpsDiagnostics& d) {
    const struct {
        const char* format;
        unsigned value;
    } values[] = {
        // clang-format off
        {"errorflags:0x%02X\n", d.error_flags}, {"count_unimpl_ubx:0x%02X\n", d.count_unimpl_ubx},
        {"ubx_crc_error:0x%02X\n", d.ubx_crc_error}, {"unexpected:0x%02X\n", d.unexpected},
        {"noiseperms:%u\n", d.noise_per_ms}, {"rtcflags:0x%02X\n", d.rtc_flags},
        {"ack_nak_payload ack_nak_data:0x%02X\n", d.ack_nak_payload},
        {"smbus_error_flags:0x%02X\n", d.smbus_error_flags},
        {"nak_error_tx_index:0x%02X\n", d.nak_error_tx_index},
        {"mpu9250_errors:0x%02X\n", d.imu_errors}, {"dmp_erraddr:0x%02X\n", d.dmp_err_addr},
        {"dbg_fifcont:0x%02X\n", d.fifo_count}, {"err_pl:0x%02X", d.err_payload},
        {" bfc:0x%02X\n", d.bfc},
        // clang-format on
    };
    for (const auto& v : values) {
        info.printf(v.format, v.value);
    }
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
    info.put(pattern_byte_on(h.switch_state) ? "SWITCH is ON\n" : "SWITCH is OFF\n");
}

// SMS attempt of software-9 tags; its modem states are single characters.
void print_sms_v9(OutStream& info, const SmsAttempt& sms, uint32_t event_time) {
    const auto tcon = static_cast<int32_t>(event_time - sms.start_time);
    info.printf(
        "SMS tcon:%i step:%hu aerror:0x%02hhX error:0x%02hhX creg_stat:%c cgreg_stat:%c CSQ:", tcon,
        sms.step, sms.aerror, sms.error, printable_or_blank(sms.creg_stat),
        printable_or_blank(sms.cgreg_stat));
    put_modem_text(info, sms.csq);
    info.put("\n\n");
}

void print_v10(OutStream& info, const SysinfoEvent& e, const OutputPlan& plan,
               uint32_t tag_number) {
    if (!put_heading(kHeadingsV10, e.head.type, info)) {
        return;
    }
    print_event_status(info, e.head, plan, " at last gpsfix: ");
    if (e.part == SysinfoPart::gsm) {
        print_gsm_report(info, e.gsm, e.head.time, tag_number);
    } else if (e.part == SysinfoPart::gps) {
        print_gps_diagnostics(info, e.gps);
    }
    info.put_char('\n');
}

void print_v9(OutStream& info, const SysinfoEvent& e, const OutputPlan& plan) {
    if (!put_heading(kHeadingsV9, e.head.type, info)) {
        return;
    }
    const bool sms = e.part == SysinfoPart::sms;
    print_event_status(info, e.head, plan, sms ? " after SMS: " : " at gpsfix: ");
    if (sms) {
        print_sms_v9(info, e.sms, e.head.time);  // ends with its own empty line
        return;
    }
    if (e.part == SysinfoPart::gsm) {
        print_gsm_report_v9(info, e.gsm, e.head.time);
    }
    info.put_char('\n');
}

// The reset paragraph of older software-9, ECG and generation-3 tags.
void print_reset(OutStream& info, const SysinfoHead& h, const OutputPlan& plan, const char* heading,
                 ResetWording wording = ResetWording::gen5) {
    info.put(heading);
    print_status_line(info, h, plan);
    print_reset_causes(info, h.rs, wording);
}

void print_v9_old(OutStream& info, const SysinfoEvent& e, const OutputPlan& plan) {
    if (e.part == SysinfoPart::battery_stop) {
        print_battery_stop(info, e, plan);
    } else if (e.head.type == kTypeReset) {
        print_reset(info, e.head, plan, "\nReset-Event. Status:\n");
    } else {
        info.printf("\n### Unknown SYSINFO, type=%hhu ###\n\n", e.head.type);
    }
}

// ECG tags, and generation-3 tags in their own reset wording.
void print_ecg(OutStream& info, const SysinfoEvent& e, const OutputPlan& plan,
               ResetWording wording = ResetWording::gen5) {
    if (e.part == SysinfoPart::battery_stop) {
        print_battery_stop(info, e, plan);
    } else if (e.part == SysinfoPart::ecg_error) {
        info.put("\nError info:\n");
        print_tag_time(e.head.time, info, plan);
        info.printf(" Err:%u arg:%u \n", e.error_code, e.error_argument);
    } else if (e.head.type == kTypeReset) {
        print_reset(info, e.head, plan, "\nResetinfo:\n", wording);
        info.put_char('\n');
    } else {
        info.put("\n### Unknown SYSINFO ###\n");
    }
}

// The block loops hand over whole payloads.
SysinfoEvent whole_event(const uint8_t* record, SysinfoLayout layout) {
    return decode_sysinfo_event(record, kSysinfoRecordSize, layout).value();
}

// Hands the event to the plan's sink, if it has one, instead of the text.
bool to_sink(const SysinfoEvent& e, const OutputPlan& plan) {
    if (plan.sink == nullptr) {
        return false;
    }
    plan.sink->event(e);
    return true;
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

void decode_sysinfo(const uint8_t* record, OutStream& info, const OutputPlan& plan,
                    uint32_t tag_number) {
    const SysinfoEvent e = whole_event(record, SysinfoLayout::v10);
    if (!to_sink(e, plan)) {
        print_v10(info, e, plan, tag_number);
    }
}

void decode_sysinfo_v9(const uint8_t* record, OutStream& info, const OutputPlan& plan,
                       uint32_t tag_number) {
    const bool old = tag_number < kSysinfoV9NewLayoutSerial;
    const SysinfoEvent e = whole_event(record, old ? SysinfoLayout::v9_old : SysinfoLayout::v9);
    if (to_sink(e, plan)) {
        return;
    }
    if (old) {
        print_v9_old(info, e, plan);
    } else {
        print_v9(info, e, plan);
    }
}

void decode_sysinfo_ecg(const uint8_t* record, OutStream& info, const OutputPlan& plan) {
    const SysinfoEvent e = whole_event(record, SysinfoLayout::ecg);
    if (!to_sink(e, plan)) {
        print_ecg(info, e, plan);
    }
}

void decode_sysinfo_gen3(const uint8_t* payload, OutStream& info, const OutputPlan& plan) {
    if (plan.gen3.sysinfo_subtype) {
        const SysinfoEvent e = whole_event(payload, SysinfoLayout::ecg);
        if (!to_sink(e, plan)) {
            print_ecg(info, e, plan, ResetWording::gen3);
        }
        return;
    }
    // Before software 7 the payload is a reset report without the subtype byte
    // (the event's type stays kTypeReset).
    SysinfoEvent e;
    e.head.time = le_u32(payload, 0);
    e.head.rs = le_u8(payload, 4);
    e.head.vmon = le_u8(payload, 5);
    if (!to_sink(e, plan)) {
        print_ecg(info, e, plan, ResetWording::gen3);
    }
}

}  // namespace dec
