// tt5_10 structure versions 0 and 1: the first software-10 tags. Version 1
// is version 0 plus the super-burst fields at 171..178 (the CRC of version 0
// sits at 171). Layout (record offsets, little-endian):
//
//  13 u16 bat_threshold2      15 u16 bat_threshold1      17 u16 bat_threshold0
//  19 u16 bat_acc_threshold   21 u16 maccess_voltlimit   23 u16 radio_interval
//  25 u16 radio_longdelay     27,29 u16 ping window      31,33 u16 second ping on-time
//  35 u8  pinger_interval     36 u32 ping frequency      40 u8  rf_pingpower
//  41,43 u16 GPS on window    45,47,49 u16 GPS high/normal/low resolution intervals
//  51 u16 GPS timeout         53,54 u8 retry, low speed factor  55 u16 low speed threshold
//  57 u16 burst_length        59 u8  burst_qperiod       60 u16 gps_hourshift
//  62 u8  gps_daydivisor      63,65 u16 ACC on window    67 u16 ACC interval
//  69 u16 ACC byte count      71 u8  ACC rate code or divisor  72 u8 ACC low speed factor
//  73 u8  flags: 0x04 P1OT, 0x08/0x10/0x20 axes X/Y/Z, 0x40 inverse factor
//  74 u8  flags: 0x01/0x02/0x04 variance axis X/Y/Z, 0x08 datalink 2017
//  75 u32 delayed start       79,83 u32 variance thresholds  87,88,89 u8 N1, N2, N4
// 106 u32 acc_dead_threshold 110 u16 dead counter        112 u32 acc_alive_threshold
// 116 u16 alive counter      118 u32 death ping frequency 122 char[24] SMS number
// 146 u16 bat_gsm_threshold  148 u32 GSM stop time       152 u32 GSM big interval
// 156,158 u16 SMS, GPRS time 160,162 u16 SMS collect interval, offset
// 164,166 u16 SMS, GPRS timeouts  168 u16 bat_gprs_download_threshold  170 u8 gprs_min_pk_freq
// 171 u16 bat_threshold3     173,175,177 u16 super burst length, interval, memory (SV1)
#include "settings/features.h"
#include "settings/tt5_10_sections.h"

namespace dec {
namespace {

using namespace line;

constexpr uint32_t kDivisor = FEATURE_WITH_MMA8452_SMBUS;

// Tags from this serial number on print the reduced variance settings and no
// second ping on-time.
constexpr uint32_t kNewVarianceSerial = 4458;

static constexpr SettingsLine kV01Main[] = {
    text("\n-------------- ACC-Settings: ------------------\n"),
    interval("ACC INTERVAL: %u seconds == %u minutes %u s\n", 67),
    byte_count("ACC BYTE COUNT: %u bytes => %i ACC SAMPLES (for all axes together)\n", 69),
    axes("ACC-AXES: ", "ALL AXES DISABLED", 73),
    // The SMBus accelerometer takes a divisor of 100 Hz, the older one a rate code.
    divisor("ACC SAMPLERATE DIVISOR:%hhu\nACC SAMPLERATE per axis:%.2f Hz\n",
            "ACC SAMPLERATE BAD.\n", 71)
        .with(kDivisor),
    u8("ACC SAMPLERATE CFG:%u\n", 71).without(kDivisor),
    rate_per_axis("ACC SAMPLERATE per axis:%.2f Hz\n", 71, 73).without(kDivisor),
    time_of_day("ACC ON FROM: %02u:%02u GPSTIME\n", 63),
    time_of_day("ACC ON UNTIL:%02u:%02u GPSTIME\n", 65),
    u8("ACC LOW SPEED INTERVAL FACTOR:%u (if supported by device)\n", 72),

    text("\n-------------- GPS-Settings: ------------------\n"),
    interval("GPS INTERVAL: %u seconds == %u minutes %u s\n", 47).with(kSolar),
    interval("GPS HIGH RESOLUTION (@ FULL BATTERY) INTERVAL: %u seconds == %u minutes %u s\n", 45)
        .with(kSolar),
    interval("GPS INTERVAL: %u seconds == %u minutes %u s\n", 45)
        .without(kSolar | FEATURE_WITH_ACC_VARIANCE),
    u8("GPS RETRY INTERVAL FACTOR: %u\n", 53),
    u8("GPS LOW SPEED INTERVAL FACTOR: %u\n", 54),
    u16("GPS LOW SPEED THRESHOLD: %u cm/s\n", 55),
    time_of_day("GPS ON FROM: %02u:%02u GPSTIME\n", 41),
    time_of_day("GPS ON UNTIL:%02u:%02u GPSTIME\n", 43),
    u16("GPS TIMEOUT: %u seconds\n", 51),
    text("GPS INTERVAL FACTORS AT HIGH RESOLUTION INSTEAD OF NORMAL RESOLUTION:YES.\n")
        .with(FEATURE_WITH_KORVANEL_FACTORS),

    text("\n-------------- Radio- and other Settings: ------------------\n"),
    frequency("Ping freq:", 36),
    u8("rf_pingpower:%hhu\n", 40),
    time_of_day("PING ON FROM: %02u:%02u GPSTIME\n", 27),
    time_of_day("PING ON UNTIL:%02u:%02u GPSTIME\n", 29),
    u8("pinger_interval:%hhu\n", 35),
    flag("datalink 2017\n", "datalink 2010\n", 74, 0x08),
    battery("bat_threshold2: code:%hu => %u MilliVolt\n", 13),
    battery("bat_threshold1: code:%hu => %u MilliVolt\n", 15),
    battery("bat_threshold0: code:%hu => %u MilliVolt\n", 17).with(kSolar),
    battery("bat_acc_threshold: code:%hu => %u MilliVolt\n", 19).with(kSolar),
    battery("bat_threshold0: code:%hu => %u MilliVolt\n", 17).with(FEATURE_WITH_SOLARVARIANCE),
    battery("maccess_voltlimit: code:%hu => %u MilliVolt\n", 21),
    flag("ACC INVERSE SPEED FACTOR ENABLED\n", "ACC INVERSE SPEED FACTOR NOT ENABLED (=default)\n",
         73, 0x40),
    u8("access_key:%hhu\n", 12),
    u16("secret_key:%hu\n", 10),
    u16("radio_interval:%hu\n", 23),
    u16("radio_longdelay:%hu\n", 25),
    u16("burst_length:%hu\n", 57),
    u8("burst_qperiod:%hhu\n", 59),
    tag_time("Delayed start:", 75),
    u16("gps_hourshift:%hu\n", 60),
    u8("gps_daydivisor:%hhu\n", 62),
};

// Second ping on-time (feature 0x8, serial numbers below 4458).
static constexpr SettingsLine kV01Ping2[] = {
    flag(nullptr, "P1OT not set\n", 73, 0x04),
    u16("ping2_begin_ontime:%hu\n", 31),
    u16("ping2_end_ontime:%hu\n", 33),
};

static constexpr SettingsLine kV01VarianceHead[] = {
    text("###### Tag with variance feature, following settings apply: ######\n"),
    first_axis("ACC-VARIANCE-AXIS: ", 74),
};
static constexpr SettingsLine kV01VarianceNew[] = {
    u32("ACC VAR THRESHOLD: %u\n", 79),
    u8("ACC VAR N1: %hhu\n", 87),
    u8("ACC VAR N2: %hhu\n", 88),
    u16("GPS LOW RESOLUTION INTERVAL: %hu\n", 47),
};
static constexpr SettingsLine kV01VarianceOld[] = {
    u32("acc_l_threshold:%u\n", 79),
    u32("acc_h_threshold:%u\n", 83),
    u8("ACC VAR N1: %hhu\n", 87),
    u8("ACC VAR N2: %hhu\n", 88),
    u8("ACC VAR N4: %hhu\n", 89),
    u16("GPS LOW RESOLUTION INTERVAL: %hu\n", 49),
    u16("GPS MEDIUM RESOLUTION INTERVAL: %hu\n", 47),
};
static constexpr SettingsLine kV01VarianceTail[] = {
    u16("GPS HIGH RESOLUTION INTERVAL: %hu\n", 45),
};

static constexpr SettingsLine kV01Tail[] = {
    text("\n###### Tag with GSM GPRS/SMS feature, following settings apply: ######\n").with(kGsm),
    time_of_day("SMS TIME: %02u:%02u GPSTIME\n", 156).with(kGsm),
    time_of_day("GPRS TIME: %02u:%02u GPSTIME\n", 158).with(kGsm),
    u16("SMS GPS COLLECT INTERVAL: %hu s\n", 160).with(kGsm),
    u16("SMS GPS COLLECT OFFSET: %hu s\n", 162).with(kGsm),
    millivolt("bat_gsm_threshold: %u MilliVolt\n", 146).with(kGsm),
    u16("SMS TIMEOUT: %hu seconds\n", 164).with(kGsm),
    u16("GPRS TIMEOUT: %hu seconds\n", 166).with(kGsm),
    days_interval("GSM BIG INTERVAL: %u s, which is %u days and %02u:%02u:%02u\n", 152).with(kGsm),
    tag_time("Stopping GSM:", 148).with(kGsm),
    millivolt("bat_gprs_download_threshold: %u MilliVolt\n", 168).with(kGsm),
    u8("gprs_min_pk_freq:%hhu\n", 170).with(kGsm),
};
static constexpr auto kV01DeadPinger = tt5_10_dead_pinger(106);

// Super burst (structure version 1 with feature 0x200).
static constexpr SettingsLine kV1SuperBurst[] = {
    u16("SUPER GPS BURST LEN: %us\n", 173),
    u16("SUPER GPS LOWSPEED INTERVAL: %us\n", 175),
    memory_limit("SUPER GPS MEMORY LIMIT: %u * 64 kiloBytes = %u kiloBytes\n", 177),
    battery("bat_threshold3: code:%hu => %u MilliVolt (for GPS SUPER BURST)\n", 171),
};

static_assert(settings_lines_fit(kV01Main) && settings_lines_fit(kV01Ping2) &&
              settings_lines_fit(kV01VarianceHead) && settings_lines_fit(kV01VarianceNew) &&
              settings_lines_fit(kV01VarianceOld) && settings_lines_fit(kV01VarianceTail) &&
              settings_lines_fit(kV01Tail) && settings_lines_fit(kV01DeadPinger) &&
              settings_lines_fit(kV1SuperBurst));

}  // namespace

void print_tt5_10_v01(const SettingsContext& ctx, OutStream& out, uint8_t version,
                      uint32_t tag_number) {
    const bool new_serial = tag_number >= kNewVarianceSerial;
    print_lines(ctx, out, kV01Main);
    if ((ctx.features & FEATURE_WITH_PING2ONTIME) != 0 && !new_serial) {
        print_lines(ctx, out, kV01Ping2);
    }
    if ((ctx.features & FEATURE_WITH_ACC_VARIANCE) != 0) {
        print_lines(ctx, out, kV01VarianceHead);
        print_lines(ctx, out,
                    new_serial ? std::span<const SettingsLine>(kV01VarianceNew)
                               : std::span<const SettingsLine>(kV01VarianceOld));
        print_lines(ctx, out, kV01VarianceTail);
    }
    print_lines(ctx, out, kV01Tail);
    print_lines(ctx, out, kV01DeadPinger);
    out.put_char('\n');
    if (version == 1 && (ctx.features & FEATURE_WITH_SUPER_BURST) != 0) {
        print_lines(ctx, out, kV1SuperBurst);
    }
}

}  // namespace dec
