#include "records/sysinfo.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <initializer_list>
#include <string>

#include "common/le.h"
#include "expected_sections.h"

namespace dec {
namespace {

using Record = std::array<uint8_t, kSysinfoRecordSize>;

// 90061 s after the tag epoch: Monday 5.3.2007 01:01:01 (day 1).
constexpr uint32_t kTime = 90061;
// 39 s later, used as the end of GSM attempts that started at 90000.
constexpr uint32_t kGsmEnd = 90100;

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

TEST(ResetCauses, BothWordings) {
    testing::Sections got;
    for (uint8_t rs : {0x00, 0x01, 0x02, 0x03, 0x11, 0x48, 0x80, 0xFD, 0xFF}) {
        for (ResetWording w : {ResetWording::gen5, ResetWording::gen3}) {
            std::string s;
            {
                OutStream out(&s);
                print_reset_causes(out, rs, w);
            }
            got.emplace_back(std::to_string(rs) + (w == ResetWording::gen5 ? " gen5" : " gen3"), s);
        }
    }
    testing::expect_sections("records/expected/reset_causes.txt", got);
}

TEST(SysinfoV10, SwitchState) {
    for (const auto& [state, on] : std::initializer_list<std::pair<uint8_t, bool>>{
             {0xAA, true}, {0x55, false}, {0x00, true}, {0x01, false}, {0x02, true},
             {0x03, true}, {0x5A, false}, {0xA5, true}, {0xFF, true}, {0x15, false}}) {
        EXPECT_EQ(sysinfo_switch_on(state), on) << int{state};
        Record r = event(4);
        r[10] = state;
        EXPECT_NE(v10(r).find(on ? "SWITCH is ON\n" : "SWITCH is OFF\n"), std::string::npos) << int{state};
    }
}

// Paragraphs of every event type of the three tag families, whole.
TEST(Sysinfo, Paragraphs) {
    testing::Sections got;
    for (uint8_t type : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 255}) {
        Record r = event(type);
        r[5] = 0x04;
        r[6] = 0xA5;
        r[7] = 1;  // low battery: unknown types print only their number
        got.emplace_back("v10 type " + std::to_string(type), v10(r));
    }
    Record r = event(4);
    r[6] = 0x12;
    put_le16(r.data(), 8, 3500);
    r[10] = 0xAA;
    put_le16(r.data(), 11, 3400);
    got.emplace_back("v10 switch", v10(r));
    r = event(0);
    r[5] = 0x81;
    r[6] = 0x0F;
    r[7] = 1;
    put_le16(r.data(), 8, 4096);
    r[10] = 0x55;
    got.emplace_back("v10 reset", v10(r));
    r = event(3);
    r[5] = 0x80;  // reset causes only for reset events
    got.emplace_back("v10 low battery with RS", v10(r));

    got.emplace_back("v10 GSM first form", v10(gsm_first()));
    r = gsm_first();
    r[22] = 1;
    r[24] = 4;
    put_le16(r.data(), 19, 0);  // no download: no ddl line
    put_text(r, 31, "31,99");
    r[36] = 'Z';  // behind the five csq characters
    r[39] = 0xFF;
    r[44] = 9;
    r[46] = 6;
    got.emplace_back("v10 GSM first form, all counters, no download", v10(r));
    got.emplace_back("v10 GSM second form", v10(gsm_second()));
    for (uint16_t trace : {0x0000, 0x0400, 0x0700, 0x08FF}) {
        r = gsm_second();
        put_le16(r.data(), 58, trace);
        got.emplace_back("v10 GSM second form, trace " + std::to_string(trace), v10(r));
    }
    r = gsm_second();
    r[38] = 0xFF;
    got.emplace_back("v10 GSM second form, every flag", v10(r));
    for (const char* csq : {"", "1", "99,99"}) {
        r = gsm_second();
        std::memset(r.data() + 30, 0, 5);
        put_text(r, 30, csq);
        got.emplace_back(std::string("v10 GSM second form, csq ") + csq, v10(r));
    }
    r = gsm_second();
    r[32] = 0x1F;  // "12" and a control byte
    got.emplace_back("v10 GSM second form, csq ends at a control byte", v10(r));
    for (uint8_t type : {9, 10}) {
        r = event(type);
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
        got.emplace_back("v10 GPS diagnostics, type " + std::to_string(type), v10(r));
    }

    // Software 9: serials below 1980 have the older layout.
    r = event(1);
    put_le16(r.data(), 5, 4096);
    got.emplace_back("v9 1979 low battery", v9(r, 1979));
    r = event(0);
    r[5] = 0x12;
    r[6] = 0x34;
    got.emplace_back("v9 100 reset", v9(r, 100));
    for (uint8_t type : {2, 3, 8}) {
        got.emplace_back("v9 1979 type " + std::to_string(type), v9(event(type), 1979));
    }
    for (uint8_t type = 0; type <= 11; ++type) {
        got.emplace_back("v9 1980 type " + std::to_string(type), v9(event(type), 1980));
    }
    r = event(0);
    r[5] = 0x08;
    put_le16(r.data(), 8, 4096);
    put_le16(r.data(), 11, 2048);
    r[10] = 0x01;
    got.emplace_back("v9 1980 reset", v9(r, 1980));
    r = event(7, kGsmEnd);
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
    got.emplace_back("v9 2500 SMS", v9(r, 2500));
    r = gsm_first();
    got.emplace_back("v9 1980 GSM report", v9(r, 1980));
    put_le16(r.data(), 19, 0);  // the ddl difference wraps
    got.emplace_back("v9 1980 GSM report, no download", v9(r, 1980));

    r = event(0);
    r[5] = 0x02;
    r[6] = 0x0C;
    got.emplace_back("ECG reset", ecg(r));
    r = event(1);
    put_le16(r.data(), 5, 3277);
    got.emplace_back("ECG low battery", ecg(r));
    r = event(2);
    r[5] = 5;
    r[6] = 200;
    got.emplace_back("ECG error", ecg(r));
    for (uint8_t type : {3, 8, 255}) {
        got.emplace_back("ECG type " + std::to_string(type), ecg(event(type)));
    }
    testing::expect_sections("records/expected/sysinfo.txt", got);
}

}  // namespace
}  // namespace dec
