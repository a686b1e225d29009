#include "settings/gen3_config.h"

#include "common/le.h"
#include "settings/frequency.h"
#include "settings/settings_lines.h"

namespace dec {

namespace {

constexpr const char* kNoConfiguration =
    "No configuration or error in decoding configuration settings of tag.\n";

// Software version byte of the open block.
constexpr unsigned kShortVersionOffset = 30;
constexpr unsigned kLongVersionOffset = 29;

// Where a configuration starts inside the open block, by kind and form.
struct ConfigBase {
    unsigned short_form;
    unsigned long_form;
};
constexpr ConfigBase kBase51{32, 30};
constexpr ConfigBase kBase56{32, 34};
constexpr ConfigBase kBaseInteraction{32, 30};
constexpr ConfigBase kBaseInteractionAtDownload{32, 34};

// A configuration area: fields at offsets from its base.
class Area {
public:
    Area(const uint8_t* block, ConfigBase base, bool long_form)
        : p_(block + (long_form ? base.long_form : base.short_form)) {}
    uint8_t u8(unsigned off) const { return p_[off]; }
    uint16_t u16(unsigned off) const { return le_u16(p_, off); }
    uint32_t u32(unsigned off) const { return le_u32(p_, off); }
    int32_t s32(unsigned off) const { return le_s32(p_, off); }

private:
    const uint8_t* p_;
};

unsigned mv5(uint16_t code) { return (static_cast<unsigned>(code) * 5000u) >> 12; }
unsigned mv44(uint16_t code) { return (static_cast<unsigned>(code) * 4400u) >> 12; }

void print_hhmm(OutStream& out, const char* fmt, uint16_t minutes) {
    out.printf(fmt, minutes / 60u, minutes % 60u);
}

// Axis letters from bits 0x08, 0x10, 0x20; returns the number of axes.
unsigned print_axes(OutStream& out, uint8_t axes) {
    static constexpr struct {
        uint8_t bit;
        char letter;
    } kAxes[] = {{0x08, 'X'}, {0x10, 'Y'}, {0x20, 'Z'}};
    out.put("ACC-AXES: ");
    unsigned n = 0;
    for (const auto& a : kAxes) {
        if (axes & a.bit) {
            out.put_char(a.letter);
            ++n;
        }
    }
    out.put("\n");
    return n;
}

void print_rate_per_axis(OutStream& out, const char* fmt, uint8_t code, unsigned axes) {
    if (axes > 0 && code < 11) {
        const float rate = static_cast<float>(acc_rate_code_hz(code)) / static_cast<float>(axes);
        out.printf(fmt, static_cast<double>(rate));
    }
}

void print_either(OutStream& out, bool set, const char* yes, const char* no) {
    out.put(set ? yes : no);
}

void print_labelled_frequency(OutStream& out, const char* label, uint32_t word) {
    out.put(label);
    print_gen3_frequency(word, out);
}

void print_config_5_1(const uint8_t* block, bool long_form, OutStream& out) {
    out.put("\nPrinting tag configuration 5_1:\n");
    const Area c(block, kBase51, long_form);
    if (c.u8(28) != 'j') {
        out.put(kNoConfiguration);
        return;
    }
    out.printf("ACC Samplerate code:%hhu\n", c.u8(0));
    const unsigned axes = print_axes(out, c.u8(1));
    print_rate_per_axis(out, "Samplerate per axis:%.2f Hz\n", c.u8(0), axes);
    print_either(out, c.u8(1) & 0x02, "GPS with Timelimits\n", "NO GPS Timelimits\n");
    print_either(out, c.u8(1) & 0x04, "ACC with Timelimits\n", "NO ACC Timelimits\n");
    print_either(out, c.u8(1) & 0x80, "GPS cooked enabled\n", "GPS cooked disabled\n");
    print_either(out, c.u8(2) & 0x10, "ACC Low sensitivity\n", "ACC High sensitivity\n");
    out.printf("gps_timeout:%hu\n", c.u16(3));
    out.printf("rfpower:%hhu\n", c.u8(5));
    out.printf("dacq_offvoltage:%hu\n", c.u16(6));
    out.printf("dacq_offvoltage: %u mV\n", mv5(c.u16(6)));
    out.printf("radio_interval:%hu\n", c.u16(8));
    out.printf("gps_interval_retry_factor:%hhu\n", c.u8(10));
    out.printf("lowspeed_gps_interval_factor:%hhu\n", c.u8(11));
    out.printf("gps_speed_thr:%hu\n", c.u16(12));
    out.printf("acc_interval:%hu\n", c.u16(14));
    out.printf("acc_bytecnt:%hu\n", c.u16(16));
    out.printf("gps_interval:%hu\n", c.u16(18));
    print_hhmm(out, "GPS OFF FROM:%02u:%02u\n", c.u16(20));
    print_hhmm(out, "GPS OFF UNTIL:%02u:%02u\n", c.u16(22));
    print_hhmm(out, "ACC OFF FROM:%02u:%02u\n", c.u16(24));
    print_hhmm(out, "ACC OFF UNTIL:%02u:%02u\n", c.u16(26));
    out.put("\n");
}

void print_interval(OutStream& out, const char* fmt, uint16_t seconds) {
    out.printf(fmt, static_cast<unsigned>(seconds), seconds / 60u, seconds % 60u);
}

// "Day No.%u,%02u:%02u" of a tag time.
void print_day_time(OutStream& out, const char* label, uint32_t t) {
    out.printf("%s Day No.%u,%02u:%02u\n", label, t / 86400u, (t % 86400u) / 3600u,
               (t % 3600u) / 60u);
}

// The three configurations of software versions 6 to 8 share one layout and
// differ only in a few lines.
enum class Config56 { v6, v7, v8 };

void print_config_5_6_family(const uint8_t* block, bool long_form, OutStream& out, Config56 kind) {
    const Area c(block, kBase56, long_form);
    if (c.u8(0) != 'k') {
        out.put(kNoConfiguration);
        return;
    }
    out.put("\n-------------- ACC-Settings: ------------------\n");
    print_interval(out, "ACC INTERVAL: %u seconds == %u minutes %u s\n", c.u16(25));
    out.printf("ACC BYTE COUNT: %u bytes\n", static_cast<unsigned>(c.u16(27)));
    out.printf("ACC SAMPLERATE CFG:%u\n", static_cast<unsigned>(c.u8(29)));
    const unsigned axes = print_axes(out, c.u8(1));
    print_rate_per_axis(out, "ACC SAMPLERATE per axis in Hertz:%.2f Hz\n", c.u8(29), axes);
    print_either(out, c.u8(2) & 0x10, "ACC LOW sensitivity\n", "ACC HIGH sensitivity\n");
    print_hhmm(out, "ACC OFF FROM: %02u:%02u GPSTIME\n", c.u16(18));
    print_hhmm(out, "ACC OFF UNTIL:%02u:%02u GPSTIME\n", c.u16(20));
    print_either(out, c.u8(1) & 0x04, "ACC TIMELIMITS enabled\n", "ACC TIMELIMITS disabled\n");
    if (long_form) {
        out.printf("ACC LOW SPEED INTERVAL FACTOR:%u (if supported by device)\n",
                   static_cast<unsigned>(c.u8(57)));
    }
    out.put("\n-------------- GPS-Settings: ------------------\n");
    print_interval(out, "GPS INTERVAL: %u seconds == %u minutes %u s\n", c.u16(23));
    out.printf("GPS RETRY INTERVAL FACTOR: %u\n", static_cast<unsigned>(c.u8(14)));
    out.printf("GPS LOW SPEED INTERVAL FACTOR: %u\n", static_cast<unsigned>(c.u8(15)));
    out.printf("GPS LOW SPEED THRESHOLD: %u cm/s\n", static_cast<unsigned>(c.u16(16)));
    print_hhmm(out, "GPS OFF FROM: %02u:%02u GPSTIME\n", c.u16(8));
    print_hhmm(out, "GPS OFF UNTIL:%02u:%02u GPSTIME\n", c.u16(10));
    print_either(out, c.u8(1) & 0x02, "GPS TIMELIMITS ENABLED\n", "GPS TIMELIMITS DISABLED\n");
    out.printf("GPS TIMEOUT: %u seconds\n", static_cast<unsigned>(c.u16(12)));
    print_either(out, c.u8(1) & 0x80, "GPS cooked ENABLED\n", "GPS cooked DISABLED\n");
    out.put("\n-------------- Radio- and other Settings: ------------------\n");
    out.printf("rfpower:%hhu\n", c.u8(5));
    const char* volt = kind == Config56::v6 ? "dacq_offvoltage" : "dacq_offvolt2";
    out.printf("%s:%hu\n", volt, c.u16(3));
    out.printf("%s: %u mV\n", volt, mv5(c.u16(3)));
    out.printf("access_code:%hhu\n", c.u8(22));
    out.printf("radio_interval:%hu\n", c.u16(6));
    out.printf("radio_longdelay:%hu\n", c.u16(30));
    const bool ping = kind == Config56::v6 ? (c.u8(2) & 0x20) != 0 : (c.u8(1) & 0x01) != 0;
    print_either(out, ping, "PING ENABLED\n", "PING DISABLED\n");
    if (long_form) {
        print_labelled_frequency(out, "Data link freq:", c.u32(32));
        print_labelled_frequency(out, "Ping freq:", c.u32(36));
        out.printf("rf_pingpower:%hhu\n", c.u8(40));
        print_hhmm(out, "PING ON FROM: %02u:%02u GPSTIME\n", c.u16(43));
        print_hhmm(out, "PING ON UNTIL:%02u:%02u GPSTIME\n", c.u16(41));
        out.printf("burst_length:%hu\n", c.u16(45));
        out.printf("burst_qperiod:%hhu\n", c.u8(47));
        out.printf("maccess_voltlimit:%hu\n", c.u16(48));
        out.printf("maccess_voltlimit: %u mV\n", mv5(c.u16(48)));
        out.printf("device_start_time:%u\n", c.u32(50));
        out.printf("gps_hourshift:%hu\n", c.u16(54));
        out.printf("gps_daydivisor:%hhu\n", c.u8(56));
        if (kind != Config56::v6) {
            out.printf("dacq_offvolt1:%hu\n", c.u16(58));
            out.printf("dacq_offvolt1: %u mV\n", mv5(c.u16(58)));
        }
        if (kind == Config56::v8) {
            out.put("If this is a tag with the variance feature, following settings apply:\n");
            out.printf("acc_l_threshold:%u\n", c.u32(60));
            out.printf("acc_h_threshold:%u\n", c.u32(64));
            out.printf("acc_param_n1:%hhu\n", c.u8(68));
            out.printf("acc_param_n2:%hhu\n", c.u8(69));
            out.printf("acc_param_n4:%hhu\n", c.u8(70));
            out.printf("gps_low_res_interval:%hhu\n", static_cast<uint8_t>(c.u16(71)));
            out.printf("gps_medium_res_interval:%hhu\n", static_cast<uint8_t>(c.u16(73)));
            const uint8_t v = c.u8(2);
            out.put("ACC-VARIANCE-AXIS: ");
            out.put((v & 0x01) ? "X\n" : (v & 0x02) ? "Y\n" : (v & 0x04) ? "Z\n" : "\n");
            out.put("Other features:\n");
            out.printf("max_gpsacctime %us\n", c.u32(75));
            print_day_time(out, "ping_start_time", c.u32(79));
            print_day_time(out, "ping_stop_time", c.u32(83));
            print_day_time(out, "radiolink_start_time", c.u32(87));
            out.put(
                "\nIf this is a tag with the time section feature, following settings apply:\n");
            for (unsigned k = 0; k < 8; ++k) {
                const uint16_t start = c.u16(60 + 2 * k);
                out.printf("%hhu.SECTION START AT %02u:%02u GPSTIME\n", static_cast<uint8_t>(k),
                           start / 60u, start % 60u);
                out.printf(" GPS INTERVAL %us\n", static_cast<unsigned>(c.u16(76 + 2 * k)));
                out.printf(" BURST LENGTH %us\n", static_cast<unsigned>(c.u16(92 + 2 * k)));
                out.printf(" BURST QPERIOD %us\n", static_cast<unsigned>(c.u8(108 + k)));
            }
        }
    }
    out.put("\n");
}

void print_config_5_6_raw(const uint8_t* block, bool long_form, OutStream& out) {
    out.put("\nPrinting tag configuration 5_6_raw:\n");
    const Area c(block, kBase56, long_form);
    print_either(out, c.u8(1) & 0x02, "GPS with Timelimits\n", "NO GPS Timelimits\n");
    print_either(out, c.u8(1) & 0x80, "GPS cooked enabled\n", "GPS cooked disabled\n");
    print_either(out, c.u8(2) & 0x10, "ACC Low sensitivity\n", "ACC High sensitivity\n");
    print_either(out, c.u8(2) & 0x20, "Ping enabled\n", "No Ping\n");
    out.printf("gps_timeout:%hu\n", c.u16(12));
    out.printf("rfpower:%hhu\n", c.u8(5));
    out.printf("dacq_offvoltage:%hu\n", c.u16(3));
    out.printf("dacq_offvoltage: %u mV\n", mv5(c.u16(3)));
    out.printf("radio_interval:%hu\n", c.u16(6));
    out.printf("radio_longdelay:%hu\n", c.u16(30));
    out.printf("gps_interval_retry_factor:%hhu\n", c.u8(14));
    out.printf("lowspeed_gps_interval_factor:%hhu\n", c.u8(15));
    out.printf("gps_speed_thr:%hu\n", c.u16(16));
    out.printf("access_code:%hhu\n", c.u8(22));
    out.printf("gps_interval:%hu\n", c.u16(23));
    print_hhmm(out, "GPS OFF FROM:%02u:%02u\n", c.u16(8));
    print_hhmm(out, "GPS OFF UNTIL:%02u:%02u\n", c.u16(10));
    if (long_form) {
        print_labelled_frequency(out, "Data link freq:", c.u32(32));
        print_labelled_frequency(out, "Ping freq:", c.u32(36));
        out.printf("rf_pingpower:%hhu\n", c.u8(40));
        out.printf("ping_offbegin:%hu\n", c.u16(41));
        out.printf("ping_offend:%hu\n", c.u16(43));
        out.printf("burst_length:%hu\n", c.u16(45));
        out.printf("burst_qperiod:%hhu\n", c.u8(47));
        out.printf("maccess_voltlimit:%hu\n", c.u16(48));
        out.printf("maccess_voltlimit: %u mV\n", mv5(c.u16(48)));
        out.put("RAW GPS Recording is disabled within following area (if it is not void):\n");
        out.printf("Longitude lower limit %f deg\n", c.s32(50) * 1e-7);
        out.printf("Longitude upper limit %f deg\n", c.s32(54) * 1e-7);
        out.printf("Latitude  lower limit %f deg\n", c.s32(58) * 1e-7);
        out.printf("Latitude  upper limit %f deg\n\n", c.s32(62) * 1e-7);
    }
    out.put("\n");
}

void print_interaction(const uint8_t* block, bool long_form, OutStream& out,
                       uint8_t& intact_interval, bool at_download) {
    out.put(at_download ? "\nPrinting tag configuration at time of data download:\n"
                        : "\nPrinting tag configuration:\n");
    const Area c(block, at_download ? kBaseInteractionAtDownload : kBaseInteraction, long_form);
    if (c.u8(0) != 'j') {
        out.put(kNoConfiguration);
        return;
    }
    out.printf("radio_interval:%hu\n", c.u16(1));
    out.printf("intact_interval:%hhu\n", c.u8(3));
    intact_interval = c.u8(3);
    const uint8_t flags0 = c.u8(4);
    out.printf("flags0:%hhu\n", flags0);
    out.printf("flags1:%hhu\n", c.u8(5));
    if (at_download) {
        out.put((flags0 & 0x08)   ? "configured as ACTIVITY TAG\n"
                : (flags0 & 0x01) ? "configured as TX tag\n"
                                  : "configured as RX tag\n");
        if (flags0 & 0x40) {
            out.put("Timesleep disabled\n");
        }
        if (flags0 & 0x02) {
            out.put("Testmode enabled\n");
        }
    }
    out.printf("max_ontime:%u\n", c.u32(6));
    out.printf("rfpower:%hhu\n", c.u8(10));
    out.printf("dacq_offvoltage:%hu\n", c.u16(11));
    out.printf("dacq_offvoltage: %u mV\n", mv44(c.u16(11)));
    out.printf("radio_longdelay:%hu\n", c.u16(13));
    print_labelled_frequency(out, "Data link freq:", c.u32(15));
    print_labelled_frequency(out, "Interaction freq:", c.u32(19));
    print_labelled_frequency(out, "Timing signal frequency:", c.u32(23));
    out.printf("rf_intact_power:%hhu\n", c.u8(27));
    out.printf("maccess_voltlimit:%hu\n", c.u16(28));
    out.printf("maccess_voltlimit: %u mV\n", mv44(c.u16(28)));
    if (at_download) {
        out.printf("access_code:%hhu\n", c.u8(30));
        if (long_form) {
            out.printf("radio_short_interval:%hu\n", c.u16(31));
        }
    }
    out.put("\n");
}

uint8_t software_version(const uint8_t* block, bool long_form) {
    return block[long_form ? kLongVersionOffset : kShortVersionOffset];
}

}  // namespace

void print_gen3_frequency(uint32_t word, OutStream& out) {
    out.printf("0x%X = ", word);
    if (!frequency_word_valid(word)) {
        out.put("Default frequency\n");
        return;
    }
    out.printf("%f MHz\n", word * 26.0 / 65536.0);
}

void print_gen3_gps_acc_config(const uint8_t* block, bool long_form, bool legacy_tag,
                               OutStream& out) {
    if (legacy_tag) {
        return;
    }
    const uint8_t version = software_version(block, long_form);
    out.printf("GPS-ACC-Tag Software vers No.:%hhu\n", version);
    switch (version) {
        case 1:
        case 2:
        case 3:
        case 4:
        case 5:
            print_config_5_1(block, long_form, out);
            break;
        case 6:
            if (block[long_form ? kBase56.long_form : kBase56.short_form] == 'l') {
                print_config_5_6_raw(block, long_form, out);
            } else {
                out.put("\nPrinting tag configuration 5_6:\n");
                print_config_5_6_family(block, long_form, out, Config56::v6);
            }
            break;
        case 7:
            out.put("\nPrinting tag configuration 5_7:\n");
            print_config_5_6_family(block, long_form, out, Config56::v7);
            break;
        case 8:
            out.put("\nPrinting tag configuration 5_8:\n");
            print_config_5_6_family(block, long_form, out, Config56::v8);
            break;
        default:
            out.put("Unknown tag software version\n");
            break;
    }
}

void print_gen3_interaction_config(const uint8_t* block, bool long_form, bool legacy_tag,
                                   OutStream& out, uint8_t& intact_interval) {
    if (legacy_tag) {
        return;
    }
    const uint8_t version = software_version(block, long_form);
    out.printf("Interaction tag Software Vers. %hhu;\n", version);
    switch (version) {
        case 1:
        case 2:
            print_interaction(block, long_form, out, intact_interval, false);
            break;
        case 6:
            print_interaction(block, long_form, out, intact_interval, true);
            break;
        default:
            out.put("Unknown tag software version\n");
            break;
    }
}

}  // namespace dec
