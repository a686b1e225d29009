// tt5_10 structure version 3: tags with standalone ACC and IMU recording,
// geofences and a 1 Hz GPS mode. Layout (record offsets, little-endian):
//
//  13 u16 bat_threshold2      15 u16 bat_threshold1      17 u16 maccess_voltlimit
//  19 u16 radio_longdelay     21..27 u16 ping windows    29 u8  pinger_interval
//  30 u32 ping frequency      34 u16 gps_hourshift       36 u8  gps_daydivisor
//  37,39 u16 ACC on window    41 u16 variance interval   43 u16 ACC byte count
//  45 u8  ACC rate divisor    46 u8  ACC low speed factor
//  47 u8  flags: 0x01 no-var HRES, 0x08/0x10/0x20 axes X/Y/Z, 0x40 inverse factor
//  48 u8  flags: 0x04 ignore LRES burst, 0x08 datalink 2017, 0x10 ping GF
//         inversion, 0x20 PFNV keep LRES, 0x40 PFNV prefer HRES, 0x80 GF inversion
//  49 u32 delayed start       53 u32 variance threshold  57 u8  variance divisor
//  58 u16 variance byte count 60,61 u8 N1 exit, N2 entry 62,63 u8 variance, tilt axis
//  64..68 u16 speed thresholds 72 u8 speed N1 exit       73,74 i8 ACC YF, ZF
//  77,79,81 u16 death-check and activity thresholds      83,85 u16 DC window
//  87 u32 GSM big interval    91..95 u16 SMS, GPRS, GPRS2 times
//  97..103 u16 SMS collect interval/offset, SMS/GPRS timeouts  105 u8 gprs_min_pk_freq
// 108 u16 IMU switch bits (GPS 0x01-0x04, GF 0x08-0x20, GPS1Hz 0x40-0x100)
// 110,111 u8 IMU dataset counts 112,114 u16 IMU on window 116 u8 IMU start delay
// 117..127 u16 GPS LRES/HRES intervals, burst len, GF LRES/HRES, GF burst len
// 129..160 i32 geofence rectangles (1e-7 degree)  161,163 u16 GF time window
// 165,167 u16 GPS1Hz window  169..183 u16 standalone ACC/IMU intervals
// 185,187 u16 GPS on window  189 u16 GPS timeout  191,192,193 u8 retry, qperiod, fixcnt
// 194 u16 bat_threshold0     196..206 u16 second GPS, ACC and IMU windows
// (173 is read both as the ACC GF HRES interval and as the GPRS3 time.)
#include "settings/features.h"
#include "settings/tt5_10_sections.h"

namespace dec {
namespace {

using namespace line;

static constexpr auto kV3AccWindows = tt5_10_acc_imu_windows(37, 112, 196);
static constexpr SettingsLine kV3Recording[] = {
    text("\n---- ACC & IMU Recording standalone: ----\n"),
    interval("ACC HRES INTERVAL:    %u seconds == %u minutes %u s\n", 169),
    interval("ACC LRES INTERVAL:    %u seconds == %u minutes %u s\n", 171),
    interval("ACC GF HRES INTERVAL: %u seconds == %u minutes %u s\n", 173),
    interval("ACC GF LRES INTERVAL: %u seconds == %u minutes %u s\n", 175),
    interval("IMU HRES INTERVAL:    %u seconds == %u minutes %u s\n", 177),
    interval("IMU LRES INTERVAL:    %u seconds == %u minutes %u s\n", 179),
    interval("IMU GF HRES INTERVAL: %u seconds == %u minutes %u s\n", 181),
    interval("IMU GF LRES INTERVAL: %u seconds == %u minutes %u s\n", 183),
};
static constexpr auto kV3AccImu = tt5_10_acc_imu_general(43, 116, 110, 111);
static constexpr auto kV3GpsWindows = tt5_10_gps_windows(185, 196);
static constexpr SettingsLine kV3Lines[] = {
    interval("GPS HRES INTERVAL: %u seconds == %u minutes %u s\n", 119),
    interval("GPS LRES INTERVAL: %u seconds == %u minutes %u s\n", 117),
    u16("GPS BURST LEN: %hus (only for HRES)\n", 121),
    switches("GPS-IMU-Switches: ", "No IMU", 108, 0x01, 0x02, 0x04),
    interval("GPS GF HRES INTERVAL: %u seconds == %u minutes %u s\n", 125),
    interval("GPS GF LRES INTERVAL: %u seconds == %u minutes %u s\n", 123),
    u16("GPS GF BURST LEN: %hus (only for GF HRES)\n", 127),
    switches("GPS GF IMU-Switches: ", "No IMU", 108, 0x08, 0x10, 0x20),

    text("\n---- General GPS settings: ------------------\n"),
    u8("GPS BURST QPERIOD: %hhus\n", 192),
    u16("GPS TIMEOUT: %u seconds\n", 189),
    u8("GPS RETRY INTERVAL FACTOR: %u\n", 191),
    u16("SPEED THRESHOLD 1: %u cm/s (all modes)\n", 64),
    u16("SPEED THRESHOLD 2: %u cm/s (normal mode)\n", 66),
    u16("SPEED THRESHOLD 3: %u cm/s (GF and GPS1Hz mode)\n", 68),

    text("\n---- Geofence: ------------------\n"),
    time_of_day("GF TWINDOW FROM: %02u:%02u GPSTIME\n", 161),
    time_of_day("GF TWINDOW UNTIL:%02u:%02u GPSTIME\n", 163),
    coordinate("GF RECT1 Western LONGitude: %11.7f \n", 129),
    coordinate("GF RECT1 Eastern LONGitude: %11.7f \n", 133),
    coordinate("GF RECT1 Northern LATitude: %11.7f \n", 149),
    coordinate("GF RECT1 Southern LATitude: %11.7f \n", 145),
    rect_size("FYI: Size of GF RECT1 is : %.3f km * %.3f km\n", 129, 133, 149, 145),
    coordinate("GF RECT2 Western LONGitude: %11.7f \n", 137),
    coordinate("GF RECT2 Eastern LONGitude: %11.7f \n", 141),
    coordinate("GF RECT2 Northern LATitude: %11.7f \n", 157),
    coordinate("GF RECT2 Southern LATitude: %11.7f \n", 153),
    rect_size("FYI: Size of GF RECT2 is : %.3f km * %.3f km\n", 137, 141, 157, 153),
    flag("GF INVERSION:YES\n", "GF INVERSION:NO\n", 48, 0x80),

    text("\n---- Trigger settings for selective recording: --------\n"),
    u16("VARIANCE INTERVAL: %hus\n", 41),
    divisor("ACC VAR SAMPLERATE DIVISOR:%hhu\nACC VAR SAMPLERATE per axis:%.2f Hz\n",
            "ACC VAR SAMPLERATE BAD.\n", 57),
    byte_count("ACC VAR BYTE COUNT: %u bytes => %i ACC VAR SAMPLES (for 3 axes together)\n", 58),
    u32("ACC VAR THRESHOLD: %u\n", 53),
    u8("ACC VAR N2 ENTRY THRESHOLD: %hhu\n", 61),
    u8("ACC VAR N1 EXIT THRESHOLD: %hhu\n", 60),
    u8("SPEED N1 EXIT THR: %hhu\n", 72),
    axis_letter("ACC-VARIANCE-AXIS:%c\n", 62),
    axis_letter("ACC-TILT-AXIS2:%c\n", 63),
    i8("ACC YF: %hhi\n", 73),
    i8("ACC ZF: %hhi\n", 74),
    u8("GPS BURST LOWSPEED FIXCNT: %hhus\n", 193),
    flag("NO VAR: USE HRES\n", "NO VAR: USE LRES\n", 47, 0x01),
    flag("PFNV: PREFER HRES\n", nullptr, 48, 0x40),
    flag("PFNV: KEEP LRES\n", nullptr, 48, 0x20),

    text("\n-------------- Communication Settings: ------------------\n"),
    text("-------------- Pinger Settings: ------------------\n"),
    time_of_day("PING ON FROM: %02u:%02u GPSTIME\n", 21),
    time_of_day("PING ON UNTIL:%02u:%02u GPSTIME\n", 23),
    time_of_day("PING TW2 FROM: %02u:%02u GPSTIME\n", 25),
    time_of_day("PING TW2 UNTIL:%02u:%02u GPSTIME\n", 27),
    frequency("Ping freq:", 30),
    flag("PING GF INVERSION:YES\n", "PING GF INVERSION:NO\n", 48, 0x10),
    u8("pinger_interval:%hhu\n", 29),

};
static constexpr auto kV3Gsm = tt5_10_gsm_lines(87);
static constexpr SettingsLine kV3Communication[] = {
    text("\n-------------- General Communication Settings: ------------------\n"),
    u16("secret_key:%hu\n", 10),
    u8("access_key:%hhu\n", 12),

    text("\n-------------- For Experts: ------------------\n"),
    u8("gps_daydivisor:%hhu\n", 36),
    u16("gps_hourshift:%hu\n", 34),
    tag_time("Delayed start:", 49),
    battery("bat_threshold2: code:%hu => %u MilliVolt\n", 13),
    battery("bat_threshold1: code:%hu => %u MilliVolt\n", 15),
    battery("bat_threshold0: code:%hu => %u MilliVolt\n", 194)
        .with(FEATURE_WITH_SOLAR_POWER | FEATURE_WITH_SOLARVARIANCE),
    battery("maccess_voltlimit: code:%hu => %u MilliVolt\n", 17),
    u16("radio_longdelay:%hu\n", 19),
    flag("Ignore low resolution for GPS Burst length\n",
         "Don't ignore low resolution for GPS Burst length\n", 48, 0x04),
    flag("datalink 2017\n", "datalink 2010\n", 48, 0x08),
    u16("activity_null_threshold:%hu\n", 81),
    u16("deathcheck_var_cnt:%hu\n", 77),
    u16("deathcheck_lowvar_cnt_threshold:%hu\n", 79),
    time_of_day("DC ON FROM: %02u:%02u GPSTIME\n", 83),
    time_of_day("DC ON UNTIL:%02u:%02u GPSTIME\n", 85),
    time_of_day("GPS1Hz ON FROM: %02u:%02u GPSTIME\n", 165),
    time_of_day("GPS1Hz ON UNTIL:%02u:%02u GPSTIME\n", 167),
    switches("GPS1Hz IMU-Switches: ", "No IMU", 108, 0x0040, 0x0080, 0x0100),
};
static_assert(settings_lines_fit(kV3AccWindows) && settings_lines_fit(kV3Recording) &&
              settings_lines_fit(kV3AccImu) && settings_lines_fit(kV3GpsWindows) &&
              settings_lines_fit(kV3Lines) && settings_lines_fit(kV3Gsm) &&
              settings_lines_fit(kV3Communication));

}  // namespace

void print_tt5_10_v3(const SettingsContext& ctx, OutStream& out) {
    print_lines(ctx, out, kV3AccWindows);
    print_lines(ctx, out, kV3Recording);
    print_lines(ctx, out, kV3AccImu);
    print_lines(ctx, out, kV3GpsWindows);
    print_lines(ctx, out, kV3Lines);
    print_lines(ctx, out, kV3Gsm);
    print_lines(ctx, out, kV3Communication);
}

}  // namespace dec
