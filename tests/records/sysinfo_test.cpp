#include "records/sysinfo.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <initializer_list>
#include <string>

#include "common/le.h"

namespace dec {
namespace {

using Record = std::array<uint8_t, kSysinfoRecordSize>;

// 90061 s after the tag epoch: Monday 5.3.2007 01:01:01 (day 1).
constexpr uint32_t kTime = 90061;
constexpr const char* kPrefix = "1,5.3.2007,Mo,01:01:01";
// 39 s later, used as the end of GSM attempts that started at 90000.
constexpr uint32_t kGsmEnd = 90100;
constexpr const char* kGsmPrefix = "1,5.3.2007,Mo,01:01:40";

Record event(uint8_t type, uint32_t time = kTime) {
    Record r{};
    r[0] = type;
    put_le32(r.data(), 1, time);
    return r;
}

void put_text(Record& r, size_t off, const char* text) {
    std::memcpy(r.data() + off, text, std::strlen(text));
}

std::string v10(const Record& r) {
    std::string s;
    {
        OutStream out(&s);
        decode_sysinfo(r.data(), out, 0, 4711);
    }
    return s;
}

std::string v9(const Record& r, uint32_t tag) {
    std::string s;
    {
        OutStream out(&s);
        decode_sysinfo_v9(r.data(), out, 0, tag);
    }
    return s;
}

std::string ecg(const Record& r) {
    std::string s;
    {
        OutStream out(&s);
        decode_sysinfo_ecg(r.data(), out, 0);
    }
    return s;
}

std::string resets(uint8_t rs, ResetWording w) {
    std::string s;
    {
        OutStream out(&s);
        print_reset_causes(out, rs, w);
    }
    return s;
}

// ---- reset causes ---------------------------------------------------------

TEST(ResetCauses, BothWordings) {
    struct Case {
        uint8_t rs;
        const char* gen5;
        const char* gen3;
    };
    const Case cases[] = {
        {0x00, "", ""},
        {0x01, "Hardware trigger (e.g. with magnet)\n", "Hardware reset (e.g. with magnet)\n"},
        // Power-on sets the pin flag too; only the power-on line is written.
        {0x03, "Power on or power fail reset\n", "Power on or power fail reset\n"},
        {0x02, "Power on or power fail reset\n", "Power on or power fail reset\n"},
        {0x80, "Clock reset\n", "Clock reset\n"},
        {0x11, "Software trigger\nHardware trigger (e.g. with magnet)\n",
         "Software reset\nHardware reset (e.g. with magnet)\n"},
        {0x48, "Flash error reset\nWatchdog reset\n", "Flash error reset\nWatchdog reset\n"},
        {0xFF,
         "Clock reset\nFlash error reset\nComparator 0 reset\nSoftware trigger\nWatchdog reset\n"
         "Missing clock reset\nPower on or power fail reset\n",
         "Clock reset\nFlash error reset\nComparator 0 reset\nSoftware reset\nWatchdog reset\n"
         "Missing clock reset\nPower on or power fail reset\n"},
        {0xFD,
         "Clock reset\nFlash error reset\nComparator 0 reset\nSoftware trigger\nWatchdog reset\n"
         "Missing clock reset\nHardware trigger (e.g. with magnet)\n",
         "Clock reset\nFlash error reset\nComparator 0 reset\nSoftware reset\nWatchdog reset\n"
         "Missing clock reset\nHardware reset (e.g. with magnet)\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "RS=0x" << std::hex << int{c.rs});
        EXPECT_EQ(resets(c.rs, ResetWording::gen5), c.gen5);
        EXPECT_EQ(resets(c.rs, ResetWording::gen3), c.gen3);
    }
}

// ---- software 10: common part ---------------------------------------------

TEST(SysinfoV10, EveryHeadingIsFollowedByTheStatusLine) {
    const std::pair<uint8_t, const char*> cases[] = {
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
    for (const auto& [type, heading] : cases) {
        SCOPED_TRACE(testing::Message() << "type " << int{type});
        Record r = event(type);
        r[5] = 0x04;
        r[6] = 0xA5;
        const std::string want = std::string(heading) + kPrefix + " RS:0x04 VMON:0xA5\n";
        const std::string got = v10(r);
        EXPECT_EQ(got.substr(0, want.size()), want);
        EXPECT_EQ(got.back(), '\n');
        EXPECT_EQ(got.substr(got.size() - 2), "\n\n");
    }
}

TEST(SysinfoV10, UnknownTypesPrintOnlyTheirNumber) {
    for (uint8_t type : std::initializer_list<uint8_t>{1, 7, 12, 255}) {
        Record r = event(type);
        r[7] = 1;  // would otherwise print the low-battery line
        EXPECT_EQ(v10(r), "\n### Unknown SYSINFO, type=" + std::to_string(type) + " ###\n\n");
    }
}

TEST(SysinfoV10, SwitchEventParagraph) {
    Record r = event(4);
    r[6] = 0x12;
    put_le16(r.data(), 8, 3500);   // 4272 mV
    r[10] = 0xAA;
    put_le16(r.data(), 11, 3400);  // 4150 mV
    EXPECT_EQ(v10(r), std::string("\nON-OFF-SWITCH-Event. Status:\n") + kPrefix +
                          " RS:0x00 VMON:0x12\n"
                          "Battery Voltage: 4272 mV, at last gpsfix: 4150 mV\n"
                          "SWITCH is ON\n\n");
}

TEST(SysinfoV10, ResetEventParagraph) {
    Record r = event(0);
    r[5] = 0x81;
    r[6] = 0x0F;
    r[7] = 1;
    put_le16(r.data(), 8, 4096);  // 5000 mV
    r[10] = 0x55;
    EXPECT_EQ(v10(r), std::string("\nReset-Event. Status:\n") + kPrefix +
                          " RS:0x81 VMON:0x0F\n"
                          "Clock reset\n"
                          "Hardware trigger (e.g. with magnet)\n"
                          "LOW BATTERY STATUS (=> NO DATA ACQUISITION)\n"
                          "Battery Voltage: 5000 mV, at last gpsfix: 0 mV\n"
                          "SWITCH is OFF\n\n");
}

TEST(SysinfoV10, ResetCausesOnlyForResetEvents) {
    Record r = event(3);
    r[5] = 0x80;
    EXPECT_EQ(v10(r).find("Clock reset"), std::string::npos);
}

TEST(SysinfoV10, SwitchState) {
    const std::pair<uint8_t, bool> cases[] = {
        {0xAA, true}, {0x55, false}, {0x00, true}, {0x01, false}, {0x02, true},
        {0x03, true}, {0x5A, false}, {0xA5, true}, {0xFF, true},  {0x15, false},
    };
    for (const auto& [state, on] : cases) {
        SCOPED_TRACE(testing::Message() << "state 0x" << std::hex << int{state});
        EXPECT_EQ(sysinfo_switch_on(state), on);
        Record r = event(4);
        r[10] = state;
        const std::string s = v10(r);
        EXPECT_NE(s.find(on ? "SWITCH is ON\n" : "SWITCH is OFF\n"), std::string::npos);
    }
}

// ---- GSM reports ------------------------------------------------------------

// A first-form report: attempt 90000..90100, connected at 16, download done at
// 80, two error counters, csq "12,5", flags 0x25, a GRC error; the debug-only
// step bytes are filled to show that they stay silent.
Record gsm_first() {
    Record r = event(8, kGsmEnd);
    put_le16(r.data(), 8, 4096);
    put_le16(r.data(), 11, 2048);
    put_le32(r.data(), 13, 90000);
    put_le16(r.data(), 17, 16);
    put_le16(r.data(), 19, 80);
    r[21] = 2;
    r[23] = 3;
    put_le16(r.data(), 25, 4096);
    put_le16(r.data(), 27, 3277);
    put_le16(r.data(), 29, 3000);
    put_text(r, 31, "12,5");
    r[37] = 1;
    r[38] = 5;
    r[39] = 0x25;
    put_le32(r.data(), 40, 123456);
    r[45] = 7;
    for (size_t i = 47; i <= 55; ++i) {
        r[i] = static_cast<uint8_t>(i);
    }
    return r;
}

TEST(SysinfoV10, GsmFirstFormParagraph) {
    EXPECT_EQ(v10(gsm_first()), std::string("\nGSM-Event (new). Status:\n") + kGsmPrefix +
                                    " RS:0x00 VMON:0x00\n"
                                    "Battery Voltage: 5000 mV, at last gpsfix: 2500 mV\n"
                                    "SWITCH is ON\n"
                                    "#### err_unexp_resp:2\n"
                                    "#### err_ddl_x:3\n"
                                    "batvolt_at_begin:5000mV\n"
                                    "batvolt_at_end:4000mV\n"
                                    "batvolt_min:3662mV\n"
                                    "csq:12,5\n"
                                    "creg_stat:1\n"
                                    "cgreg_stat:5\n"
                                    "flags:37:GSMTAG_LOW_DATARATE_FLAG GSMTAG_UNEXP_CONN_END_FLAG "
                                    "GSMTAG_USOWR_UNEXP_LEN_FLAG \n"
                                    "usoctl11:123456\n"
                                    "#### err_grc_x:7\n"
                                    "Total Time needed:100s\n"
                                    "Time needed only for ddl:64s\n"
                                    "\n");
}

TEST(SysinfoV10, GsmFirstFormAllCountersNoDownload) {
    Record r = gsm_first();
    r[22] = 1;
    r[24] = 4;
    put_le16(r.data(), 19, 0);  // no download: no ddl line
    put_text(r, 31, "31,99");
    r[36] = 'Z';                // behind the five csq characters
    r[39] = 0xFF;
    r[44] = 9;
    r[46] = 6;
    const std::string s = v10(r);
    const std::string want =
        "#### err_unexp_resp:2\n"
        "#### err_usoctl1:1\n"
        "#### err_ddl_x:3\n"
        "#### error_type:4\n"
        "batvolt_at_begin:5000mV\n"
        "batvolt_at_end:4000mV\n"
        "batvolt_min:3662mV\n"
        "csq:31,99\n"
        "creg_stat:1\n"
        "cgreg_stat:5\n"
        "flags:255:GSMTAG_LOW_DATARATE_FLAG GSMTAG_LOW_BATVOLT_FLAG GSMTAG_UNEXP_CONN_END_FLAG "
        "GSMTAG_GLOBALTIMEOUT_FLAG GSMTAG_LOW_DATARATE_USOWR_FLAG GSMTAG_USOWR_UNEXP_LEN_FLAG "
        "GSMTAG_CGATT_ERROR_FLAG GSMTAG_USOWR_LOST_BYTES_FLAG \n"
        "usoctl11:123456\n"
        "#### err_usowr_x:9\n"
        "#### err_grc_x:7\n"
        "#### urcflags:6\n"
        "Total Time needed:100s\n"
        "\n";
    ASSERT_GE(s.size(), want.size());
    EXPECT_EQ(s.substr(s.size() - want.size()), want);
}

// A second-form SMS report: the connection time lies just below the 16-bit
// wrap, the download end just above it.
Record gsm_second() {
    Record r = event(11, kGsmEnd);
    put_le32(r.data(), 13, 90000);
    put_le16(r.data(), 17, 0xFFF0);
    put_le16(r.data(), 19, 0x0010);
    r[22] = 4;
    r[23] = 5;
    put_le16(r.data(), 24, 4096);
    put_le16(r.data(), 26, 2048);
    put_le16(r.data(), 28, 1024);
    put_text(r, 30, "12,5");
    r[36] = 1;
    r[37] = 2;
    r[38] = 0x60;
    put_le32(r.data(), 39, 7);
    r[43] = 1;
    r[45] = 3;
    r[51] = 5;
    r[52] = 8;
    r[54] = 'E';
    put_le16(r.data(), 58, 0x0100);
    return r;
}

TEST(SysinfoV10, GsmSecondFormParagraph) {
    EXPECT_EQ(v10(gsm_second()), std::string("\nGSM-Event (new). Status:\n") + kGsmPrefix +
                                     " RS:0x00 VMON:0x00\n"
                                     "Battery Voltage: 0 mV, at last gpsfix: 0 mV\n"
                                     "SWITCH is ON\n"
                                     "SMS\n"
                                     "#### err_ddl_x:4\n"
                                     "#### error_type:5\n"
                                     "batvolt_at_begin:5000mV\n"
                                     "batvolt_at_end:2500mV\n"
                                     "batvolt_min:1250mV\n"
                                     "csq:12,5\n"
                                     "creg_stat:1\n"
                                     "cgreg_stat:2\n"
                                     "cereg_stat:5\n"
                                     "flags:96:GSMTAG_PACKETSERVICE_TIMEOUT GSMTAG_SHDNTIMEOUT \n"
                                     "tcp_ack_waiting:7\n"
                                     "#### err_usowr_x:1\n"
                                     "#### urcflags:3\n"
                                     "Total Time needed:100s\n"
                                     "Time needed only for ddl:32s\n"
                                     "\n");
}

TEST(SysinfoV10, GsmSecondFormSmsOrDownloadByTrace) {
    const std::pair<uint16_t, const char*> cases[] = {
        {0x0000, "SWITCH is ON\nDWNLD\n"}, {0x0100, "SWITCH is ON\nSMS\n"},
        {0x0400, "SWITCH is ON\nSMS\n"},   {0x0700, "SWITCH is ON\nSMS\n"},
        {0x08FF, "SWITCH is ON\nDWNLD\n"},
    };
    for (const auto& [trace, want] : cases) {
        Record r = gsm_second();
        put_le16(r.data(), 58, trace);
        EXPECT_NE(v10(r).find(want), std::string::npos) << std::hex << trace;
    }
}

TEST(SysinfoV10, GsmSecondFormFlagNames) {
    Record r = gsm_second();
    r[38] = 0xFF;
    EXPECT_NE(v10(r).find("flags:255:GSMTAG_LOW_DATARATE_FLAG GSMTAG_LOW_BATVOLT_FLAG "
                          "GSMTAG_UNEXP_CONN_END_FLAG GSMTAG_GLOBALTIMEOUT_FLAG "
                          "GSMTAG_LOW_DATARATE_USOWR_FLAG GSMTAG_PACKETSERVICE_TIMEOUT "
                          "GSMTAG_SHDNTIMEOUT GSMTAG_USOWR_LOST_BYTES_FLAG \n"),
              std::string::npos);
}

TEST(SysinfoV10, CsqEndsAtTheFirstControlByte) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "csq:\n"}, {"1", "csq:1\n"}, {"12,5", "csq:12,5\n"}, {"99,99", "csq:99,99\n"}};
    for (const auto& [text, want] : cases) {
        Record r = gsm_second();
        std::memset(r.data() + 30, 0, 5);
        put_text(r, 30, text);
        EXPECT_NE(v10(r).find(std::string("batvolt_min:1250mV\n") + want), std::string::npos)
            << text;
    }
    Record r = gsm_second();
    r[32] = 0x1F;  // "12" and a control byte
    EXPECT_NE(v10(r).find("\ncsq:12\n"), std::string::npos);
}

// ---- GPS diagnostics --------------------------------------------------------

TEST(SysinfoV10, GpsDiagnosticsParagraph) {
    for (uint8_t type : std::initializer_list<uint8_t>{9, 10}) {
        Record r = event(type);
        put_le16(r.data(), 13, 0x0102);
        put_le16(r.data(), 15, 0x0003);
        put_le16(r.data(), 17, 0xABCD);
        r[19] = 0x0A;
        put_le16(r.data(), 20, 500);
        r[22] = 0xF0;
        put_le16(r.data(), 23, 0x0501);
        r[25] = 0x01;
        r[26] = 0x02;
        put_le16(r.data(), 27, 0x1234);
        r[29] = 0x33;
        r[30] = 0x44;
        put_le16(r.data(), 31, 0x0006);
        r[33] = 0x07;
        const char* heading =
            type == 9 ? "\nGPS-RESET-Event. Status:\n" : "\nGPS-STATUS-Event. Status:\n";
        EXPECT_EQ(v10(r), std::string(heading) + kPrefix +
                              " RS:0x00 VMON:0x00\n"
                              "Battery Voltage: 0 mV, at last gpsfix: 0 mV\n"
                              "SWITCH is ON\n"
                              "errorflags:0x102\n"
                              "count_unimpl_ubx:0x03\n"
                              "ubx_crc_error:0xABCD\n"
                              "unexpected:0x0A\n"
                              "noiseperms:500\n"
                              "rtcflags:0xF0\n"
                              "ack_nak_payload ack_nak_data:0x501\n"
                              "smbus_error_flags:0x01\n"
                              "nak_error_tx_index:0x02\n"
                              "mpu9250_errors:0x1234\n"
                              "dmp_erraddr:0x33\n"
                              "dbg_fifcont:0x44\n"
                              "err_pl:0x06 bfc:0x07\n"
                              "\n");
    }
}

// ---- software 9 ---------------------------------------------------------------

TEST(SysinfoV9, OlderSerialLayout) {
    Record low = event(1);
    put_le16(low.data(), 5, 4096);
    EXPECT_EQ(v9(low, 1979), std::string("\nStopped data acquisition due to low battery:\n") +
                                 kPrefix + " Battery Voltage: 5000 mV\n");

    Record reset = event(0);
    reset[5] = 0x12;
    reset[6] = 0x34;
    EXPECT_EQ(v9(reset, 100), std::string("\nReset-Event. Status:\n") + kPrefix +
                                  " RS:0x12 VMON:0x34\n"
                                  "Software trigger\n"
                                  "Power on or power fail reset\n");

    for (uint8_t type : std::initializer_list<uint8_t>{2, 3, 8}) {
        EXPECT_EQ(v9(event(type), 1979),
                  "\n### Unknown SYSINFO, type=" + std::to_string(type) + " ###\n\n");
    }
}

TEST(SysinfoV9, NewerSerialHeadings) {
    const std::pair<uint8_t, const char*> cases[] = {
        {0, "\nReset-Event. Status:\n"},
        {3, "\nLOW BATTERY-Event: Stopped data acquisition. Status:\n"},
        {4, "\nON-OFF-SWITCH-Event. Status:\n"},
        {5, "\nDEATH-PINGER-START-Event. Status:\n"},
        {6, "\nDEATH-PINGER-STOP-Event. Status:\n"},
        {7, "\nGSM-SMS-Event. Status:\n"},
        {8, "\nGSM-Event (new). Status:\n"},
    };
    for (const auto& [type, heading] : cases) {
        const std::string want = std::string(heading) + kPrefix + " RS:0x00";
        EXPECT_EQ(v9(event(type), 1980).substr(0, want.size()), want) << int{type};
    }
    for (uint8_t type : std::initializer_list<uint8_t>{1, 2, 9, 10, 11}) {
        EXPECT_EQ(v9(event(type), 2000),
                  "\n### Unknown SYSINFO, type=" + std::to_string(type) + " ###\n\n");
    }
}

TEST(SysinfoV9, NewerSerialResetEvent) {
    Record r = event(0);
    r[5] = 0x08;
    put_le16(r.data(), 8, 4096);
    put_le16(r.data(), 11, 2048);
    r[10] = 0x01;
    EXPECT_EQ(v9(r, 1980), std::string("\nReset-Event. Status:\n") + kPrefix +
                               " RS:0x08 VMON:0x00\n"
                               "Watchdog reset\n"
                               "Battery Voltage: 5000 mV, at gpsfix: 2500 mV\n"
                               "SWITCH is OFF\n\n");
}

TEST(SysinfoV9, SmsEvent) {
    Record r = event(7, kGsmEnd);
    put_le16(r.data(), 8, 4096);
    r[10] = 0x55;
    put_le16(r.data(), 11, 2048);
    put_le32(r.data(), 13, 90000);
    r[17] = 0x05;
    r[18] = 0xA0;
    put_le16(r.data(), 19, 3);
    r[21] = '5';
    put_text(r, 22, "17,3");
    r[28] = 0x01;  // not printable: a blank
    EXPECT_EQ(v9(r, 2500), std::string("\nGSM-SMS-Event. Status:\n") + kGsmPrefix +
                               " RS:0x00 VMON:0x00\n"
                               "Battery Voltage: 5000 mV, after SMS: 2500 mV\n"
                               "SWITCH is OFF\n"
                               "SMS tcon:100 step:3 aerror:0xA0 error:0x05 creg_stat:  "
                               "cgreg_stat:5 CSQ:17,3\n\n");
}

TEST(SysinfoV9, OlderGsmReportPrintsEverything) {
    Record r = gsm_first();
    EXPECT_EQ(v9(r, 1980), std::string("\nGSM-Event (new). Status:\n") + kGsmPrefix +
                               " RS:0x00 VMON:0x00\n"
                               "Battery Voltage: 5000 mV, at gpsfix: 2500 mV\n"
                               "SWITCH is ON\n"
                               "err_unexp_resp:2\n"
                               "err_usoctl1:0\n"
                               "err_ddl_x:3\n"
                               "error_type:0\n"
                               "batvolt_at_begin:5000mV\n"
                               "batvolt_at_end:4000mV\n"
                               "batvolt_min:3662mV\n"
                               "csq:12,5\n"
                               "creg_stat:1\n"
                               "cgreg_stat:5\n"
                               "flags:37\n"
                               "usoctl11:123456\n"
                               "err_usowr_x:0\n"
                               "err_grc_x:7\n"
                               "urcflags:0\n"
                               "Total Time needed:100s\n"
                               "Time needed only for ddl:64s\n"
                               "\n");
    // Without a download the difference is still printed (and wraps).
    put_le16(r.data(), 19, 0);
    EXPECT_NE(v9(r, 1980).find("Time needed only for ddl:65520s\n\n"), std::string::npos);
}

// ---- ECG tags -----------------------------------------------------------------

TEST(SysinfoEcg, EveryType) {
    Record reset = event(0);
    reset[5] = 0x02;
    reset[6] = 0x0C;
    EXPECT_EQ(ecg(reset), std::string("\nResetinfo:\n") + kPrefix +
                              " RS:0x02 VMON:0x0C\nPower on or power fail reset\n\n");

    Record low = event(1);
    put_le16(low.data(), 5, 3277);
    EXPECT_EQ(ecg(low), std::string("\nStopped data acquisition due to low battery:\n") + kPrefix +
                            " Battery Voltage: 4000 mV\n");

    Record err = event(2);
    err[5] = 5;
    err[6] = 200;
    EXPECT_EQ(ecg(err), std::string("\nError info:\n") + kPrefix + " Err:5 arg:200 \n");

    for (uint8_t type : std::initializer_list<uint8_t>{3, 8, 255}) {
        EXPECT_EQ(ecg(event(type)), "\n### Unknown SYSINFO ###\n");
    }
}

}  // namespace
}  // namespace dec
