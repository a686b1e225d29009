// tt5_10 structure version 2: tags whose recording depends on the battery
// level (low battery, nearly full, full battery "super mode"), with IMU and
// optionally a pressure sensor. Layout (record offsets, little-endian):
//
//  13 u16 bat_threshold3      15 u16 bat_threshold2      17 u16 bat_gsm_threshold
//  19 u16 bat_threshold1      21 u16 bat_threshold0      23 u16 bat_gprs_download_threshold
//  25 u16 bat_acc_threshold   27 u16 maccess_voltlimit   29 u16 radio_longdelay
//  31,33 u16 ping window      35 u8  pinger_interval     36 u32 ping frequency
//  40,42 u16 GPS on window    44,46,48 u16 GPS HRES, LRES, low battery intervals
//  50 u16 GPS timeout         52 u8  retry factor        53 u16 burst len  55 u8 qperiod
//  56 u8  lowspeed fixcnt     57 u16 low battery burst   59 u8  low battery qperiod
//  60 u16 gps_hourshift       62 u8  gps_daydivisor      63,65 u16 ACC on window
//  67 u16 ACC interval        69 u16 variance interval   71 u16 ACC low battery interval
//  73 u16 ACC byte count      75 u8  ACC rate divisor    76 u8  ACC low speed factor
//  77 u8  flags: 0x08/0x10/0x20 axes X/Y/Z, 0x40 inverse factor
//  78 u8  flags: 0x01 ignore Var1, 0x02 ignore Ang1, 0x04 ignore LRES burst, 0x08 datalink 2017
//  79 u32 delayed start       83 u32 variance threshold  87 u8  variance divisor
//  88 u16 variance byte count 90,91 u8 N1 exit, N2 entry 92,93 u8 variance, tilt axis
//  94..98 u16 speed thresholds 102 u8 speed N1 exit      103,104 i8 ACC YF, ZF
// 107 u32 acc_dead_threshold 111 u16 dead counter        113 u32 acc_alive_threshold
// 117 u16 alive counter      119 u32 death ping frequency 123 u32 GSM big interval
// 127..139 u16 SMS, GPRS, GPRS2 times, collect interval/offset, SMS/GPRS timeouts
// 141 u8  gprs_min_pk_freq   142..156 super mode fields  158,159 u8 IMU switch bits
// 159 u8  also flags: 0x02 data unlimited, 0x04 PS enabled, 0x80 cont. T disabled
// 160,162 u8 IMU dataset counts   161 u8 pressure C6 high byte
// 164,166 u16 IMU intervals  168,170 u16 IMU on window   172 u8 IMU start delay
// 173 u16 GPRS3 time         175..185 u16 second GPS, ACC and IMU windows
// 187 char[10] band_set      197..209 pressure calibration W0..C5, C6 low byte
#include "settings/features.h"
#include "settings/pressure_prom.h"
#include "settings/tt5_10_sections.h"

namespace dec {
namespace {

using namespace line;

constexpr uint16_t kPromOffset = 197;
constexpr uint16_t kPromC6HighOffset = 161;

static constexpr auto kV2AccWindows = tt5_10_acc_imu_windows(63, 168, 175);
static constexpr SettingsLine kV2Recording[] = {
    text("\n---- ACC & IMU Recording at different battery levels: ----\n"),
    interval("ACC LOW BATTERY INTERVAL: %u seconds == %u minutes %u s\n", 71),
    u16("IMU LOW BATTERY INTERVAL: %hus\n", 166),
    interval("ACC INTERVAL: %u seconds == %u minutes %u s\n", 67),
    u16("IMU INTERVAL: %hus\n", 164),
    u16("SUPER MODE ACC INTERVAL: %hus\n", 149),
    u16("SUPER MODE IMU INTERVAL: %hus\n", 156),
};
static constexpr auto kV2AccImu = tt5_10_acc_imu_general(73, 172, 160, 162);
static constexpr auto kV2GpsWindows = tt5_10_gps_windows(40, 175);
static constexpr SettingsLine kV2Lines[] = {
    text("\n---------- Low Battery GPS: --------------------\n"),
    interval("GPS LOW BATTERY INTERVAL: %u seconds == %u minutes %u s\n", 48),
    u16("GPS LOW BATTERY BURST LEN: %hus\n", 57),
    u8("GPS LOW BATTERY BURST QPERIOD: %hhus\n", 59),
    switches("GPS-IMU-LOW_BATTERY-Switches: ", nullptr, 158, 0x0040, 0x0080, 0x0100),

    text("\n---------- Nearly full Battery GPS: --------------------\n"),
    interval("GPS LOW RESOLUTION INTERVAL: %u seconds == %u minutes %u s\n", 46),
    interval("GPS HIGH RESOLUTION INTERVAL: %u seconds == %u minutes %u s\n", 44),
    u16("GPS BURST LEN: %hus\n", 53),
    u8("GPS BURST QPERIOD: %hhus\n", 55),
    switches("GPS-IMU-Switches: ", nullptr, 158, 0x01, 0x02, 0x04),

    text("\n---- Full Battery GPS / SUPER MODE: ------------------\n"),
    u16("SUPER MODE GPS LOW RESOLUTION INTERVAL: %hus\n", 145),
    u16("SUPER MODE GPS BURST LEN: %hus\n", 142),
    u8("SUPER MODE GPS BURST QPERIOD: %hhus\n", 144),
    switches("SUPER MODE GPS-IMU-Switches: ", nullptr, 158, 0x08, 0x10, 0x20),
    memory_limit("SUPER MODE MEMORY LIMIT: %u * 64 kiloBytes = %u kiloBytes\n", 147),

    text("\n---- General GPS settings: ------------------\n"),
    u16("GPS TIMEOUT: %u seconds\n", 50),
    u8("GPS RETRY INTERVAL FACTOR: %u\n", 52),
    u16("SPEED THRESHOLD 1: %u cm/s (normal and super mode)\n", 94),
    u16("SPEED THRESHOLD 2: %u cm/s (normal mode)\n", 96),
    u16("SPEED THRESHOLD 3: %u cm/s (super mode)\n", 98),

    text("\n---- Trigger settings for selective recording: --------\n"),
    u16("VARIANCE INTERVAL: %hus\n", 69),
    u16("SUPER MODE VARIANCE INTERVAL: %hus\n", 151),
    divisor("ACC VAR SAMPLERATE DIVISOR:%hhu\nACC VAR SAMPLERATE per axis:%.2f Hz\n",
            "ACC VAR SAMPLERATE BAD.\n", 87),
    byte_count("ACC VAR BYTE COUNT: %u bytes => %i ACC VAR SAMPLES (for 3 axes together)\n", 88),
    u32("ACC VAR THRESHOLD: %u\n", 83),
    u8("ACC VAR N2 ENTRY THRESHOLD: %hhu\n", 91),
    u8("ACC VAR N1 EXIT THRESHOLD: %hhu\n", 90),
    u8("SUPER MODE ACC VAR N2 ENTRY THR: %hhu\n", 154),
    u8("SUPER MODE ACC VAR N1 EXIT THR: %hhu\n", 153),
    u8("SPEED N1 EXIT THR: %hhu\n", 102),
    axis_letter("ACC-VARIANCE-AXIS:%c\n", 92),
    axis_letter("ACC-TILT-AXIS2:%c\n", 93),
    u8("GPS BURST LOWSPEED FIXCNT: %hhus\n", 56),
    u8("SUPER MODE GPS BURST LOWSPEED FIXCOUNT: %hhus\n", 155),
    i8("ACC YF: %hhi\n", 103),
    i8("ACC ZF: %hhi\n", 104),
    battery("bat_threshold3: code:%hu => %u MilliVolt (for GPS SUPER MODE)\n", 13),
    flag("Ignore Ang1\n", "Don't ignore Ang1\n", 78, 0x02),
    flag("Ignore Var1\n", "Don't ignore Var1\n", 78, 0x01),

    text("\n-------------- Communication Settings: ------------------\n"),
    text("-------------- Pinger Settings: ------------------\n"),
    time_of_day("PING ON FROM: %02u:%02u GPSTIME\n", 31),
    time_of_day("PING ON UNTIL:%02u:%02u GPSTIME\n", 33),
    frequency("Ping freq:", 36),
    u8("pinger_interval:%hhu\n", 35),

};
static constexpr auto kV2Gsm = tt5_10_gsm_lines(123);
static constexpr SettingsLine kV2Communication[] = {
    text("\n-------------- General Communication Settings: ------------------\n"),
    u16("secret_key:%hu\n", 10),
    u8("access_key:%hhu\n", 12),

    text("\n-------------- For Experts: ------------------\n"),
    u8("gps_daydivisor:%hhu\n", 62),
    u16("gps_hourshift:%hu\n", 60),
    tag_time("Delayed start:", 79),
    battery("bat_threshold2: code:%hu => %u MilliVolt\n", 15),
    millivolt("bat_gsm_threshold: %u MilliVolt\n", 17),
    battery("bat_threshold1: code:%hu => %u MilliVolt\n", 19),
    battery("bat_acc_threshold: code:%hu => %u MilliVolt\n", 25),
    battery("bat_threshold0: code:%hu => %u MilliVolt\n", 21),
    battery("maccess_voltlimit: code:%hu => %u MilliVolt\n", 27),
    millivolt("bat_gprs_download_threshold: %u MilliVolt\n", 23),
    u16("radio_longdelay:%hu\n", 29),
    flag("Ignore low resolution for GPS Burst length\n",
         "Don't ignore low resolution for GPS Burst length\n", 78, 0x04),
    flag("datalink 2017\n", "datalink 2010\n", 78, 0x08),
};
static constexpr auto kV2DeadPinger = tt5_10_dead_pinger(107);
static constexpr SettingsLine kV2Flags[] = {
    zero_text("band_set:", 187, 10).with(FEATURE_GPSACC2G4G),
    flag("Data unlimited.\n", nullptr, 159, 0x02),
    flag("Cont. T disabled.\n", nullptr, 159, 0x80),
    flag("PS enabled.\n", nullptr, 159, 0x04),
};
static_assert(settings_lines_fit(kV2AccWindows) && settings_lines_fit(kV2Recording) &&
              settings_lines_fit(kV2AccImu) && settings_lines_fit(kV2GpsWindows) &&
              settings_lines_fit(kV2Lines) && settings_lines_fit(kV2Gsm) &&
              settings_lines_fit(kV2Communication) && settings_lines_fit(kV2DeadPinger) &&
              settings_lines_fit(kV2Flags));
static_assert(kPromOffset + 13 <= kSettingsRoom);

}  // namespace

void print_tt5_10_v2(const SettingsContext& ctx, OutStream& out, PressureCalibration* pressure) {
    print_lines(ctx, out, kV2AccWindows);
    print_lines(ctx, out, kV2Recording);
    print_lines(ctx, out, kV2AccImu);
    print_lines(ctx, out, kV2GpsWindows);
    print_lines(ctx, out, kV2Lines);
    print_lines(ctx, out, kV2Gsm);
    print_lines(ctx, out, kV2Communication);
    print_lines(ctx, out, kV2DeadPinger);
    print_lines(ctx, out, kV2Flags);

    PressureCalibration words;
    const int prom =
        check_pressure_prom(ctx.record + kPromOffset, ctx.record[kPromC6HighOffset], &words);
    if (pressure != nullptr) {
        *pressure = words;  // cleared by the check unless the calibration is good
    }
    switch (prom) {
        case PROM_OK:
            out.put("ms5xxx_prom OK\n");
            break;
        case PROM_NONE:
            out.put("No ms5xxx_prom.\n");
            break;
        default:
            out.put("ms5xxx_prom bad\n");
            break;
    }
}

}  // namespace dec
