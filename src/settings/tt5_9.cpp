// Layout of tt5_9 (record offsets, little-endian):
//
//   0 u16 magic 0x9B3A         4 u8  version 2, 3 or 7     6 u16 secret_key
//   8 u8  access_key
//   9 u8  flags: 0x04 P1OT set, 0x08/0x10/0x20 axes X/Y/Z, 0x40 inverse factor
//  10 u8  flags: 0x01/0x02/0x04 variance axis X/Y/Z, 0x10 low sensitivity
//  11 u16 bat_threshold2       14 u16 radio_interval      16,18 u16 GPS on window
//  20 u16 GPS timeout          22,23 u8 retry, low speed factor  24 u16 low speed threshold
//  26,28 u16 ACC on window     30 u16 GPS (high resolution) interval
//  32 u16 ACC interval         34 u16 ACC byte count      36 u8 rate code (v2, v3) / divisor (v7)
//  37 u16 radio_longdelay      43 u32 ping frequency      47 u8  rf_pingpower
//  48,50 u16 ping window       52 u16 burst_length        54 u8  burst_qperiod
//  55 u16 maccess_voltlimit    57 u32 delayed start       61 u16 gps_hourshift
//  63 u8  gps_daydivisor       64 u8  ACC low speed factor 65 u16 bat_threshold1
//  67,71 u32 acc_l/h_threshold 75,76,77 u8 acc_param_n1, n2, n4
//  78,80 u16 GPS low, medium resolution interval (80: GPS interval of v3, v7)
//  82 u16 longrange_bc_interval 100 u16 bat_threshold0 (v3, v7)
// 102 u32 acc_dead_threshold  106 u16 dead counter       108 u32 acc_alive_threshold
// 112 u16 alive counter       114 u32 death ping frequency 118,120 u16 ping2 on-times
// 122 u16 bat_acc_threshold (v3, v7), then the SMS settings up to 177:
//   second layout: 124 char[23] number, 148 u16 bat_gsm_threshold, 150 u8 old GSM
//     timeout, 151 u32 SMS stop, 155 u32 big interval, 159..167 u16 five SMS times,
//     169,171 u16 collect interval, offset, 173 u16 GSM timeout
//   first layout: 122 char[23] number, 146 u16 SMS interval, 148,150 u16 SMS window,
//     152 u16 bat_gsm_threshold, 154 u8 GSM timeout, 155 u32 SMS stop, 159 u32 big interval
#include "settings/tt5_9.h"

#include "common/fatal.h"
#include "common/le.h"
#include "settings/settings_lines.h"

namespace dec {
namespace {

using namespace line;

struct SerialRange {
    uint32_t first;
    uint32_t last;
};

static constexpr SerialRange kSpecialEditionSerials[] = {
    {2426, 2461}, {3013, 3013}, {3380, 3392}, {4075, 4092}};
static constexpr SerialRange kFirstGsmSerials[] = {
    {2539, 2543}, {2548, 2554}, {2556, 2559}, {2561, 2564}};

// Tags below this serial number keep the GSM timeout in one byte.
constexpr uint32_t kWideGsmTimeoutSerial = 2693;

template <size_t N>
bool in_ranges(const SerialRange (&ranges)[N], uint32_t tag_number) {
    for (const SerialRange& r : ranges) {
        if (tag_number >= r.first && tag_number <= r.last) {
            return true;
        }
    }
    return false;
}

static constexpr SettingsLine kAccHead[] = {
    interval("ACC INTERVAL: %u seconds == %u minutes %u s\n", 32),
    byte_count("ACC BYTE COUNT: %u bytes => %i ACC SAMPLES (for all axes together)\n", 34),
    axes("ACC-AXES: ", nullptr, 9),
};
static constexpr SettingsLine kRateCode[] = {
    u8("ACC SAMPLERATE CFG:%u\n", 36),
    rate_per_axis("ACC SAMPLERATE per axis in Hertz:%.2f Hz\n", 36, 9),
};
static constexpr SettingsLine kSensitivity[] = {
    flag("ACC LOW sensitivity\n", "ACC HIGH sensitivity\n", 10, 0x10),
};
static constexpr SettingsLine kAccTail[] = {
    time_of_day("ACC ON FROM: %02u:%02u GPSTIME\n", 26),
    time_of_day("ACC ON UNTIL:%02u:%02u GPSTIME\n", 28),
    u8("ACC LOW SPEED INTERVAL FACTOR:%u (if supported by device)\n", 64),
};
static constexpr SettingsLine kGpsIntervalV2[] = {
    interval("GPS INTERVAL: %u seconds == %u minutes %u s\n", 30),
};
static constexpr SettingsLine kGpsIntervalV37[] = {
    interval("GPS INTERVAL: %u seconds == %u minutes %u s\n", 80),
    interval("GPS HIGH RESOLUTION (@ FULL BATTERY) INTERVAL: %u seconds == %u minutes %u s\n", 30),
};
static constexpr SettingsLine kGpsRadio[] = {
    u8("GPS RETRY INTERVAL FACTOR: %u\n", 22),
    u8("GPS LOW SPEED INTERVAL FACTOR: %u\n", 23),
    u16("GPS LOW SPEED THRESHOLD: %u cm/s\n", 24),
    time_of_day("GPS ON FROM: %02u:%02u GPSTIME\n", 16),
    time_of_day("GPS ON UNTIL:%02u:%02u GPSTIME\n", 18),
    u16("GPS TIMEOUT: %u seconds\n", 20),
    text("\n-------------- Radio- and other Settings: ------------------\n"),
    frequency("Ping freq:", 43),
    u8("rf_pingpower:%hhu\n", 47),
    time_of_day("PING ON FROM: %02u:%02u GPSTIME\n", 48),
    time_of_day("PING ON UNTIL:%02u:%02u GPSTIME\n", 50),
};
static constexpr SettingsLine kBatThreshold0[] = {
    u16("bat_threshold0:%hu\n", 100),
    millivolt("bat_threshold0: %u MilliVolt\n", 100),
};
static constexpr SettingsLine kOther[] = {
    u16("bat_threshold1:%hu\n", 65),
    millivolt("bat_threshold1: %u MilliVolt\n", 65),
    u16("bat_threshold2:%hu\n", 11),
    millivolt("bat_threshold2: %u MilliVolt\n", 11),
    u16("maccess_voltlimit:%hu\n", 55),
    millivolt("maccess_voltlimit: %u MilliVolt\n", 55),
    flag("ACC INVERSE SPEED FACTOR ENABLED\n", "ACC INVERSE SPEED FACTOR NOT ENABLED (=default)\n",
         9, 0x40),
    flag(nullptr, "P1OT not set\n", 9, 0x04),
    u8("access_key:%hhu\n", 8),
    u16("secret_key:%hu\n", 6),
    u16("radio_interval:%hu\n", 14),
    u16("radio_longdelay:%hu\n", 37),
    u16("longrange_bc_interval:%hu\n", 82),
    first_axis("ACC-VARIANCE-AXIS: ", 10),
    u16("burst_length:%hu\n", 52),
    u8("burst_qperiod:%hhu\n", 54),
    tag_time("Delayed start:", 57),
    u16("gps_hourshift:%hu\n", 61),
    u8("gps_daydivisor:%hhu\n", 63),
    u16("ping2_begin_ontime:%hu\n", 118),
    u16("ping2_end_ontime:%hu\n", 120),

    text("###### If this is a tag with the variance feature, following settings apply: ######\n"),
    u32("acc_l_threshold:%u\n", 67),
    u32("acc_h_threshold:%u\n", 71),
    u8("acc_param_n1:%hhu\n", 75),
    u8("acc_param_n2:%hhu\n", 76),
    u8("acc_param_n4:%hhu\n", 77),
    u16("gps_low_res_interval:%hu\n", 78),
    u16("gps_medium_res_interval:%hu\n", 80),
};
static constexpr SettingsLine kBatAccThreshold[] = {
    millivolt("\nbat_acc_threshold: %u MilliVolt\n", 122),
};
static constexpr SettingsLine kGsmSecondLayoutHead[] = {
    text("\n###### If this is a tag with the GSM SMS feature, following settings apply: ######\n"),
    time_of_day("1.SMS TIME: %02u:%02u GPSTIME\n", 159),
    time_of_day("2.SMS TIME: %02u:%02u GPSTIME\n", 161),
    time_of_day("3.SMS TIME: %02u:%02u GPSTIME\n", 163),
    time_of_day("4.SMS TIME: %02u:%02u GPSTIME\n", 165),
    time_of_day("5.SMS TIME: %02u:%02u GPSTIME\n", 167),
    u16("SMS GPS COLLECT INTERVAL: %hu s\n", 169),
    u16("SMS GPS COLLECT OFFSET: %hu s\n", 171),
    millivolt("bat_gsm_threshold: %u MilliVolt\n", 148),
};
static constexpr SettingsLine kGsmTimeoutByte[] = {
    u8("GSM TIMEOUT: %hhu seconds (=old tags with max. 255s)\n", 150),
};
static constexpr SettingsLine kGsmTimeoutWord[] = {
    u16("GSM TIMEOUT: %hu seconds\n", 173),
};
static constexpr SettingsLine kGsmSecondLayoutTail[] = {
    days_interval("SMS BIG INTERVAL: %u s, which is %u days and %02u:%02u:%02u\n", 155),
    tag_time("Stopping GSM SMS:", 151),
};
static constexpr SettingsLine kGsmFirstLayout[] = {
    text("\n###### First generation of tags with the GSM SMS feature: ######\n"),
    u16("SMS INTERVAL: %hu s\n", 146),
    time_of_day("SMS ON FROM: %02u:%02u GPSTIME\n", 148),
    time_of_day("SMS ON UNTIL:%02u:%02u GPSTIME\n", 150),
    millivolt("bat_gsm_threshold: %u MilliVolt\n", 152),
    u8("GSM TIMEOUT: %hhu seconds\n", 154),
    days_interval("SMS BIG INTERVAL: %u s, which is %u days and %02u:%02u:%02u\n", 159),
    tag_time("Stopping GSM SMS:", 155),
};
static constexpr auto kDeadPinger = dead_pinger(
    "\n###### If this is a tag with the dead pinger feature, following settings apply: ######\n",
    102, 0);

static_assert(settings_lines_fit(kAccHead) && settings_lines_fit(kRateCode) &&
              settings_lines_fit(kSensitivity) && settings_lines_fit(kAccTail) &&
              settings_lines_fit(kGpsIntervalV2) && settings_lines_fit(kGpsIntervalV37) &&
              settings_lines_fit(kGpsRadio) && settings_lines_fit(kBatThreshold0) &&
              settings_lines_fit(kOther) && settings_lines_fit(kBatAccThreshold) &&
              settings_lines_fit(kGsmSecondLayoutHead) && settings_lines_fit(kGsmTimeoutByte) &&
              settings_lines_fit(kGsmTimeoutWord) && settings_lines_fit(kGsmSecondLayoutTail) &&
              settings_lines_fit(kGsmFirstLayout) && settings_lines_fit(kDeadPinger));

// The sample-rate lines of versions 2 and 3: the rate code, and the rate per
// axis; the special edition samples each axis at the full rate.
void print_rate_code(const SettingsContext& ctx, OutStream& out, bool special_edition) {
    if (!special_edition) {
        print_lines(ctx, out, kRateCode);
        return;
    }
    const uint8_t code = le_u8(ctx.record, 36);
    out.printf("ACC SAMPLERATE CFG:%u\n", static_cast<unsigned>(code));
    if ((le_u8(ctx.record, 9) & 0x38) != 0 && code < 11) {
        out.printf("ACC SAMPLERATE (normal uncontinuous mode) per axis in Hertz:%.2f Hz\n",
                   acc_rate_code_hz(code));
    }
}

// Version 7 gives a divisor of 100 Hz instead of a rate code.
void print_rate_divisor(const SettingsContext& ctx, OutStream& out) {
    const unsigned d = le_u8(ctx.record, 36);
    if (d >= 1 && d <= 127) {
        out.printf("ACC SAMPLERATE per axis:%.2f Hz\n", 100.0 / d);
    } else {
        out.put("ACC SAMPLERATE BAD.\n");
    }
}

}  // namespace

bool tt5_9_special_edition(uint32_t tag_number) {
    return in_ranges(kSpecialEditionSerials, tag_number);
}

bool tt5_9_first_gsm_generation(uint32_t tag_number) {
    return in_ranges(kFirstGsmSerials, tag_number);
}

void print_settings_tt5_9(const uint8_t* open_block, OutStream& info, uint32_t tag_number,
                          uint32_t* feature_word) {
    const uint8_t* record = open_block + kSettingsOffset;
    const uint16_t magic = le_u16(record, 0);
    const uint8_t version = le_u8(record, 4);
    const bool special = tt5_9_special_edition(tag_number);
    const bool oldest = tt5_9_oldest_tag(tag_number);
    const SettingsContext ctx{record, 0, oldest ? print_frequency_26mhz : print_frequency_27mhz};

    info.put("\nPrinting tag settings tt5_9, valid at the point in time of the data download:\n");
    if (magic != kTt5_9Magic) {
        info.put("No configuration or error in decoding configuration settings of tag.\n");
        fatal_stop(BADLOGGERBIN);
    }
    if (version != 2 && version != 3 && version != 7) {
        info.put("This data decoder only supports other_version 2,3 and 7.\n");
        fatal_stop(UNSUPPORTED_PRODUCT);
    }

    info.put("\n-------------- ACC-Settings: ------------------\n");
    if (special) {
        info.put(
            "\n(Kestrel software: following is applicable only to the normal, non-continuous "
            "ACC-sampling in bursts)\n");
    }
    print_lines(ctx, info, kAccHead);
    if (version == 7) {
        print_rate_divisor(ctx, info);
    } else {
        print_rate_code(ctx, info, special);
    }
    if (feature_word != nullptr) {
        *feature_word = version == 7 ? 0xFFFFFFFFu : 0u;
    }
    if (oldest) {
        print_lines(ctx, info, kSensitivity);
    }
    print_lines(ctx, info, kAccTail);

    info.put("\n-------------- GPS-Settings: ------------------\n");
    if (special) {
        info.put(
            "\n(Kestrel software: Some of the following settings have a special meaning, please "
            "read the manual!)\n");
    }
    print_lines(ctx, info,
                version == 2 ? std::span<const SettingsLine>(kGpsIntervalV2)
                             : std::span<const SettingsLine>(kGpsIntervalV37));
    print_lines(ctx, info, kGpsRadio);
    if (version != 2) {
        print_lines(ctx, info, kBatThreshold0);
    }
    print_lines(ctx, info, kOther);

    if (tt5_9_first_gsm_generation(tag_number)) {
        print_lines(ctx, info, kGsmFirstLayout);
    } else {
        if (version != 2) {
            print_lines(ctx, info, kBatAccThreshold);
        }
        print_lines(ctx, info, kGsmSecondLayoutHead);
        print_lines(ctx, info,
                    tag_number < kWideGsmTimeoutSerial
                        ? std::span<const SettingsLine>(kGsmTimeoutByte)
                        : std::span<const SettingsLine>(kGsmTimeoutWord));
        print_lines(ctx, info, kGsmSecondLayoutTail);
    }
    print_lines(ctx, info, kDeadPinger);
    info.put_char('\n');
}

}  // namespace dec
