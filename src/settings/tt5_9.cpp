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

// What decides the conditional lines of the report: the record has no
// feature word, so the version and the tag's serial number choose them.
constexpr uint32_t kVersion2 = 0x01;
constexpr uint32_t kVersion7 = 0x02;
constexpr uint32_t kSpecialEdition = 0x04;
constexpr uint32_t kOldest = 0x08;
constexpr uint32_t kFirstGsm = 0x10;
// Tags of the second SMS layout below kWideGsmTimeoutSerial.
constexpr uint32_t kGsmTimeoutByte = 0x20;

// Up to the sample rate, which version 7 and the special edition print in
// forms of their own (print_own_rate).
static constexpr SettingsLine kAccHead[] = {
    text("\n-------------- ACC-Settings: ------------------\n"),
    text("\n(Kestrel software: following is applicable only to the normal, non-continuous "
         "ACC-sampling in bursts)\n")
        .with(kSpecialEdition),
    interval("ACC INTERVAL: %u seconds == %u minutes %u s\n", 32),
    byte_count("ACC BYTE COUNT: %u bytes => %i ACC SAMPLES (for all axes together)\n", 34),
    axes("ACC-AXES: ", nullptr, 9),
    u8("ACC SAMPLERATE CFG:%u\n", 36).without(kVersion7),
    rate_per_axis("ACC SAMPLERATE per axis in Hertz:%.2f Hz\n", 36, 9)
        .without(kVersion7 | kSpecialEdition),
};
static constexpr SettingsLine kSettings[] = {
    flag("ACC LOW sensitivity\n", "ACC HIGH sensitivity\n", 10, 0x10).with(kOldest),
    time_of_day("ACC ON FROM: %02u:%02u GPSTIME\n", 26),
    time_of_day("ACC ON UNTIL:%02u:%02u GPSTIME\n", 28),
    u8("ACC LOW SPEED INTERVAL FACTOR:%u (if supported by device)\n", 64),

    text("\n-------------- GPS-Settings: ------------------\n"),
    text("\n(Kestrel software: Some of the following settings have a special meaning, please "
         "read the manual!)\n")
        .with(kSpecialEdition),
    interval("GPS INTERVAL: %u seconds == %u minutes %u s\n", 30).with(kVersion2),
    interval("GPS INTERVAL: %u seconds == %u minutes %u s\n", 80).without(kVersion2),
    interval("GPS HIGH RESOLUTION (@ FULL BATTERY) INTERVAL: %u seconds == %u minutes %u s\n", 30)
        .without(kVersion2),
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
    u16("bat_threshold0:%hu\n", 100).without(kVersion2),
    millivolt("bat_threshold0: %u MilliVolt\n", 100).without(kVersion2),
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

    // The first GSM generation has a layout of its own ...
    text("\n###### First generation of tags with the GSM SMS feature: ######\n").with(kFirstGsm),
    u16("SMS INTERVAL: %hu s\n", 146).with(kFirstGsm),
    time_of_day("SMS ON FROM: %02u:%02u GPSTIME\n", 148).with(kFirstGsm),
    time_of_day("SMS ON UNTIL:%02u:%02u GPSTIME\n", 150).with(kFirstGsm),
    millivolt("bat_gsm_threshold: %u MilliVolt\n", 152).with(kFirstGsm),
    u8("GSM TIMEOUT: %hhu seconds\n", 154).with(kFirstGsm),
    days_interval("SMS BIG INTERVAL: %u s, which is %u days and %02u:%02u:%02u\n", 159)
        .with(kFirstGsm),
    tag_time("Stopping GSM SMS:", 155).with(kFirstGsm),

    // ... all later tags the second one.
    millivolt("\nbat_acc_threshold: %u MilliVolt\n", 122).without(kVersion2 | kFirstGsm),
    text("\n###### If this is a tag with the GSM SMS feature, following settings apply: ######\n")
        .without(kFirstGsm),
    time_of_day("1.SMS TIME: %02u:%02u GPSTIME\n", 159).without(kFirstGsm),
    time_of_day("2.SMS TIME: %02u:%02u GPSTIME\n", 161).without(kFirstGsm),
    time_of_day("3.SMS TIME: %02u:%02u GPSTIME\n", 163).without(kFirstGsm),
    time_of_day("4.SMS TIME: %02u:%02u GPSTIME\n", 165).without(kFirstGsm),
    time_of_day("5.SMS TIME: %02u:%02u GPSTIME\n", 167).without(kFirstGsm),
    u16("SMS GPS COLLECT INTERVAL: %hu s\n", 169).without(kFirstGsm),
    u16("SMS GPS COLLECT OFFSET: %hu s\n", 171).without(kFirstGsm),
    millivolt("bat_gsm_threshold: %u MilliVolt\n", 148).without(kFirstGsm),
    u8("GSM TIMEOUT: %hhu seconds (=old tags with max. 255s)\n", 150).with(kGsmTimeoutByte),
    u16("GSM TIMEOUT: %hu seconds\n", 173).without(kFirstGsm | kGsmTimeoutByte),
    days_interval("SMS BIG INTERVAL: %u s, which is %u days and %02u:%02u:%02u\n", 155)
        .without(kFirstGsm),
    tag_time("Stopping GSM SMS:", 151).without(kFirstGsm),
};
static constexpr auto kDeadPinger = dead_pinger(
    "\n###### If this is a tag with the dead pinger feature, following settings apply: ######\n",
    102, 0);

static_assert(settings_lines_fit(kAccHead) && settings_lines_fit(kSettings) &&
              settings_lines_fit(kDeadPinger));

// The sample-rate line of version 7, which gives a divisor of 100 Hz instead
// of a rate code, and that of the special edition, which samples each axis at
// the full rate.
void print_own_rate(const SettingsContext& ctx, OutStream& out) {
    const uint8_t v = le_u8(ctx.record, 36);
    if ((ctx.features & kVersion7) != 0) {
        if (v >= 1 && v <= 127) {
            out.printf("ACC SAMPLERATE per axis:%.2f Hz\n", 100.0 / v);
        } else {
            out.put("ACC SAMPLERATE BAD.\n");
        }
    } else if ((ctx.features & kSpecialEdition) != 0 && (le_u8(ctx.record, 9) & 0x38) != 0 &&
               v < 11) {
        out.printf("ACC SAMPLERATE (normal uncontinuous mode) per axis in Hertz:%.2f Hz\n",
                   acc_rate_code_hz(v));
    }
}

uint32_t conditions(uint8_t version, uint32_t tag_number) {
    uint32_t c = version == 2 ? kVersion2 : 0u;
    c |= version == 7 ? kVersion7 : 0u;
    c |= tt5_9_special_edition(tag_number) ? kSpecialEdition : 0u;
    c |= tt5_9_oldest_tag(tag_number) ? kOldest : 0u;
    if (tt5_9_first_gsm_generation(tag_number)) {
        c |= kFirstGsm;
    } else if (tag_number < kWideGsmTimeoutSerial) {
        c |= kGsmTimeoutByte;
    }
    return c;
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
    const SettingsContext ctx{
        record, conditions(version, tag_number),
        tt5_9_oldest_tag(tag_number) ? print_frequency_26mhz : print_frequency_27mhz};

    info.put("\nPrinting tag settings tt5_9, valid at the point in time of the data download:\n");
    check_settings_record(info, magic == kTt5_9Magic, version == 2 || version == 3 || version == 7,
                          "This data decoder only supports other_version 2,3 and 7.\n");
    if (feature_word != nullptr) {
        *feature_word = version == 7 ? 0xFFFFFFFFu : 0u;
    }
    print_lines(ctx, info, kAccHead);
    print_own_rate(ctx, info);
    print_lines(ctx, info, kSettings);
    print_lines(ctx, info, kDeadPinger);
    info.put_char('\n');
}

}  // namespace dec
