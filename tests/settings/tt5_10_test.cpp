// Settings record tt5_10: whole reports of every structure version, the
// results handed to the decoders, and the fatal stops.
#include "settings/tt5_10.h"

#include <gtest/gtest.h>

#include <string>

#include "common/tag_state.h"
#include "settings_test_util.h"
#include "testsupport/settings_records.h"

namespace {

using dec::testing::example_tt5_10;
using dec::testing::OpenBlock;
using dec::testing::SettingsRecord;
using settings_test::capture;
using settings_test::has_line;
using settings_test::Printed;

Printed print(const OpenBlock& block, uint32_t tag, dec::TagState* state = nullptr) {
    return capture(
        [&](dec::OutStream& o) { dec::print_settings_tt5_10(block.data(), o, tag, state); });
}

// Field values: see example_tt5_10 in testsupport/settings_records.cpp.
const char kV0Report[] =
    "\nPrinting tag settings tt5_10, SV0, valid at the point in time of the data download:\n"
    "Printing enabled features:\n"
    "FEATURE_WITH_SOLAR_POWER\n"
    "FEATURE_WITH_ACC_VARIANCE\n"
    "FEATURE_WITH_PING2ONTIME\n"
    "FEATURE_WITH_KORVANEL_FACTORS\n"
    "FEATURE_WITH_SOLARVARIANCE\n"
    "End of features.\n\n"
    "\n-------------- ACC-Settings: ------------------\n"
    "ACC INTERVAL: 120 seconds == 2 minutes 0 s\n"
    "ACC BYTE COUNT: 1890 bytes => 1254 ACC SAMPLES (for all axes together)\n"
    "ACC-AXES: XY\n"
    "ACC SAMPLERATE CFG:4\n"
    "ACC SAMPLERATE per axis:50.00 Hz\n"
    "ACC ON FROM: 01:00 GPSTIME\n"
    "ACC ON UNTIL:23:00 GPSTIME\n"
    "ACC LOW SPEED INTERVAL FACTOR:2 (if supported by device)\n"
    "\n-------------- GPS-Settings: ------------------\n"
    "GPS INTERVAL: 900 seconds == 15 minutes 0 s\n"
    "GPS HIGH RESOLUTION (@ FULL BATTERY) INTERVAL: 300 seconds == 5 minutes 0 s\n"
    "GPS RETRY INTERVAL FACTOR: 2\n"
    "GPS LOW SPEED INTERVAL FACTOR: 3\n"
    "GPS LOW SPEED THRESHOLD: 80 cm/s\n"
    "GPS ON FROM: 00:00 GPSTIME\n"
    "GPS ON UNTIL:23:59 GPSTIME\n"
    "GPS TIMEOUT: 150 seconds\n"
    "GPS INTERVAL FACTORS AT HIGH RESOLUTION INSTEAD OF NORMAL RESOLUTION:YES.\n"
    "\n-------------- Radio- and other Settings: ------------------\n"
    "Ping freq:864.000000 MHz = 864000.000 kHz\n"
    "rf_pingpower:15\n"
    "PING ON FROM: 06:00 GPSTIME\n"
    "PING ON UNTIL:18:00 GPSTIME\n"
    "pinger_interval:4\n"
    "datalink 2010\n"
    "bat_threshold2: code:3277 => 4000 MilliVolt\n"
    "bat_threshold1: code:3072 => 3750 MilliVolt\n"
    "bat_threshold0: code:2458 => 3000 MilliVolt\n"
    "bat_acc_threshold: code:2867 => 3499 MilliVolt\n"
    "bat_threshold0: code:2458 => 3000 MilliVolt\n"
    "maccess_voltlimit: code:2800 => 3417 MilliVolt\n"
    "ACC INVERSE SPEED FACTOR ENABLED\n"
    "access_key:1\n"
    "secret_key:100\n"
    "radio_interval:10\n"
    "radio_longdelay:60\n"
    "burst_length:40\n"
    "burst_qperiod:2\n"
    "Delayed start:7,11.3.2007,Su,00:00:00\n"
    "gps_hourshift:1\n"
    "gps_daydivisor:1\n"
    "P1OT not set\n"
    "ping2_begin_ontime:1200\n"
    "ping2_end_ontime:1260\n"
    "###### Tag with variance feature, following settings apply: ######\n"
    "ACC-VARIANCE-AXIS: Y\n"
    "acc_l_threshold:1000\n"
    "acc_h_threshold:2000\n"
    "ACC VAR N1: 3\n"
    "ACC VAR N2: 4\n"
    "ACC VAR N4: 5\n"
    "GPS LOW RESOLUTION INTERVAL: 3600\n"
    "GPS MEDIUM RESOLUTION INTERVAL: 900\n"
    "GPS HIGH RESOLUTION INTERVAL: 300\n"
    "\n"
    "AM\n";

const char kV1Report[] =
    "\nPrinting tag settings tt5_10, SV1, valid at the point in time of the data download:\n"
    "Printing enabled features:\n"
    "FEATURE_WITH_ACC_VARIANCE\n"
    "FEATURE_DEAD_PINGER\n"
    "FEATURE_WITH_GSM\n"
    "FEATURE_WITH_SUPER_BURST\n"
    "FEATURE_WITH_MMA8452_SMBUS\n"
    "End of features.\n\n"
    "\n-------------- ACC-Settings: ------------------\n"
    "ACC INTERVAL: 59 seconds == 0 minutes 59 s\n"
    "ACC BYTE COUNT: 0 bytes => -6 ACC SAMPLES (for all axes together)\n"
    "ACC-AXES: ALL AXES DISABLED\n"
    "ACC SAMPLERATE DIVISOR:1\n"
    "ACC SAMPLERATE per axis:100.00 Hz\n"
    "ACC ON FROM: 00:00 GPSTIME\n"
    "ACC ON UNTIL:12:00 GPSTIME\n"
    "ACC LOW SPEED INTERVAL FACTOR:0 (if supported by device)\n"
    "\n-------------- GPS-Settings: ------------------\n"
    "GPS RETRY INTERVAL FACTOR: 1\n"
    "GPS LOW SPEED INTERVAL FACTOR: 1\n"
    "GPS LOW SPEED THRESHOLD: 120 cm/s\n"
    "GPS ON FROM: 05:00 GPSTIME\n"
    "GPS ON UNTIL:20:00 GPSTIME\n"
    "GPS TIMEOUT: 90 seconds\n"
    "\n-------------- Radio- and other Settings: ------------------\n"
    "Ping freq:Default frequency\n"
    "rf_pingpower:0\n"
    "PING ON FROM: 00:00 GPSTIME\n"
    "PING ON UNTIL:23:59 GPSTIME\n"
    "pinger_interval:3\n"
    "datalink 2017\n"
    "bat_threshold2: code:3277 => 4000 MilliVolt\n"
    "bat_threshold1: code:3072 => 3750 MilliVolt\n"
    "maccess_voltlimit: code:2800 => 3417 MilliVolt\n"
    "ACC INVERSE SPEED FACTOR NOT ENABLED (=default)\n"
    "access_key:2\n"
    "secret_key:200\n"
    "radio_interval:20\n"
    "radio_longdelay:90\n"
    "burst_length:20\n"
    "burst_qperiod:3\n"
    "Delayed start:365,3.3.2008,Mo,00:00:00\n"
    "gps_hourshift:0\n"
    "gps_daydivisor:3\n"
    "###### Tag with variance feature, following settings apply: ######\n"
    "ACC-VARIANCE-AXIS: Z\n"
    "ACC VAR THRESHOLD: 7777\n"
    "ACC VAR N1: 8\n"
    "ACC VAR N2: 9\n"
    "GPS LOW RESOLUTION INTERVAL: 600\n"
    "GPS HIGH RESOLUTION INTERVAL: 60\n"
    "\n###### Tag with GSM GPRS/SMS feature, following settings apply: ######\n"
    "SMS TIME: 10:00 GPSTIME\n"
    "GPRS TIME: 10:30 GPSTIME\n"
    "SMS GPS COLLECT INTERVAL: 1800 s\n"
    "SMS GPS COLLECT OFFSET: 60 s\n"
    "bat_gsm_threshold: 4150 MilliVolt\n"
    "SMS TIMEOUT: 100 seconds\n"
    "GPRS TIMEOUT: 200 seconds\n"
    "GSM BIG INTERVAL: 3661 s, which is 0 days and 01:01:01\n"
    "Stopping GSM:1,5.3.2007,Mo,01:01:01\n"
    "bat_gprs_download_threshold: 4272 MilliVolt\n"
    "gprs_min_pk_freq:2\n"
    "\n###### Tag with 'dead pinger' feature, following settings apply: ######\n"
    "acc_dead_threshold:1234\n"
    "dead_counter_threshold:10\n"
    "acc_alive_threshold:4321\n"
    "alive_counter_threshold:20\n"
    "Death Ping freq:865.687500 MHz = 865687.500 kHz\n"
    "\n"
    "SUPER GPS BURST LEN: 50s\n"
    "SUPER GPS LOWSPEED INTERVAL: 3000s\n"
    "SUPER GPS MEMORY LIMIT: 16 * 64 kiloBytes = 1024 kiloBytes\n"
    "bat_threshold3: code:3686 => 4499 MilliVolt (for GPS SUPER BURST)\n"
    "TTOFF\n";

// The variance axis byte 5 of this record prints as a zero byte.
const std::string kV2Report =
    std::string(
        "\nPrinting tag settings tt5_10, SV2, valid at the point in time of the data download:\n"
        "Printing enabled features:\n"
        "FEATURE_DEAD_PINGER\n"
        "FEATURE_WITH_GSM\n"
        "FEATURE_WITH_GPSACCGSMV2\n"
        "FEATURE_GPSACC2G4G\n"
        "End of features.\n\n"
        "\n-------------- ACC & IMU-Settings: ------------------\n"
        "ACC ON FROM: 00:00 GPSTIME\n"
        "ACC ON UNTIL:23:59 GPSTIME\n"
        "IMU ON FROM: 05:00 GPSTIME\n"
        "IMU ON UNTIL:21:00 GPSTIME\n"
        "\n---- ACC & IMU Recording at different battery levels: ----\n"
        "ACC LOW BATTERY INTERVAL: 3600 seconds == 60 minutes 0 s\n"
        "IMU LOW BATTERY INTERVAL: 1800s\n"
        "ACC INTERVAL: 600 seconds == 10 minutes 0 s\n"
        "IMU INTERVAL: 600s\n"
        "SUPER MODE ACC INTERVAL: 120s\n"
        "SUPER MODE IMU INTERVAL: 240s\n"
        "\n--------------- General ACC & IMU settings: --------------\n"
        "ACC SAMPLERATE BAD.\n"
        "ACC BYTE COUNT: 126 bytes => 78 ACC SAMPLES (for all axes together)\n"
        "ACC-AXES: XZ\n"
        "ACC LOW SPEED INTERVAL FACTOR:1\n"
        "ACC INVERSE SPEED FACTOR NOT ENABLED (=default)\n"
        "IMU START DELAY: 2 Samples\n"
        "IMU ACC DATASET COUNT: 3\n"
        "IMU QUATERNION COMPASS DATASET COUNT: 6\n"
        "\n-------------- GPS-Settings: ------------------\n"
        "GPS ON FROM: 00:00 GPSTIME\n"
        "GPS ON UNTIL:23:59 GPSTIME\n"
        "\n---------- Low Battery GPS: --------------------\n"
        "GPS LOW BATTERY INTERVAL: 7200 seconds == 120 minutes 0 s\n"
        "GPS LOW BATTERY BURST LEN: 10s\n"
        "GPS LOW BATTERY BURST QPERIOD: 1s\n"
        "GPS-IMU-LOW_BATTERY-Switches: Q&C-1Hz \n"
        "\n---------- Nearly full Battery GPS: --------------------\n"
        "GPS LOW RESOLUTION INTERVAL: 1200 seconds == 20 minutes 0 s\n"
        "GPS HIGH RESOLUTION INTERVAL: 300 seconds == 5 minutes 0 s\n"
        "GPS BURST LEN: 60s\n"
        "GPS BURST QPERIOD: 4s\n"
        "GPS-IMU-Switches: Q&C-20Hz \n"
        "\n---- Full Battery GPS / SUPER MODE: ------------------\n"
        "SUPER MODE GPS LOW RESOLUTION INTERVAL: 900s\n"
        "SUPER MODE GPS BURST LEN: 45s\n"
        "SUPER MODE GPS BURST QPERIOD: 6s\n"
        "SUPER MODE GPS-IMU-Switches: ACC-20Hz\n"
        "SUPER MODE MEMORY LIMIT: 100 * 64 kiloBytes = 6400 kiloBytes\n"
        "\n---- General GPS settings: ------------------\n"
        "GPS TIMEOUT: 120 seconds\n"
        "GPS RETRY INTERVAL FACTOR: 3\n"
        "SPEED THRESHOLD 1: 50 cm/s (normal and super mode)\n"
        "SPEED THRESHOLD 2: 150 cm/s (normal mode)\n"
        "SPEED THRESHOLD 3: 250 cm/s (super mode)\n"
        "\n---- Trigger settings for selective recording: --------\n"
        "VARIANCE INTERVAL: 30s\n"
        "SUPER MODE VARIANCE INTERVAL: 15s\n"
        "ACC VAR SAMPLERATE DIVISOR:10\n"
        "ACC VAR SAMPLERATE per axis:10.00 Hz\n"
        "ACC VAR BYTE COUNT: 0 bytes => -6 ACC VAR SAMPLES (for 3 axes together)\n"
        "ACC VAR THRESHOLD: 5000\n"
        "ACC VAR N2 ENTRY THRESHOLD: 2\n"
        "ACC VAR N1 EXIT THRESHOLD: 1\n"
        "SUPER MODE ACC VAR N2 ENTRY THR: 5\n"
        "SUPER MODE ACC VAR N1 EXIT THR: 4\n"
        "SPEED N1 EXIT THR: 7\n"
        "ACC-VARIANCE-AXIS:") +
    std::string(1, '\0') +
    std::string(
        "\n"
        "ACC-TILT-AXIS2:Y\n"
        "GPS BURST LOWSPEED FIXCNT: 2s\n"
        "SUPER MODE GPS BURST LOWSPEED FIXCOUNT: 6s\n"
        "ACC YF: -128\n"
        "ACC ZF: 127\n"
        "bat_threshold3: code:3686 => 4499 MilliVolt (for GPS SUPER MODE)\n"
        "Don't ignore Ang1\n"
        "Ignore Var1\n"
        "\n-------------- Communication Settings: ------------------\n"
        "-------------- Pinger Settings: ------------------\n"
        "PING ON FROM: 06:00 GPSTIME\n"
        "PING ON UNTIL:18:00 GPSTIME\n"
        "Ping freq:Default frequency\n"
        "pinger_interval:5\n"
        "-------------- GSM/GPRS/UMTS Settings: ----------------\n"
        "GPRS TIME: 08:00 GPSTIME\n"
        "GPRS2 TIME: 16:00 GPSTIME\n"
        "GPRS3 TIME: 20:00 GPSTIME\n"
        "SMS TIME: 12:00 GPSTIME\n"
        "SMS GPS COLLECT INTERVAL: 3600 s\n"
        "SMS GPS COLLECT OFFSET: 0 s\n"
        "SMS TIMEOUT: 90 seconds\n"
        "GPRS TIMEOUT: 240 seconds\n"
        "GSM BIG INTERVAL: 86400 s, which is 1 days and 00:00:00\n"
        "gprs_min_pk_freq:1\n"
        "\n-------------- General Communication Settings: ------------------\n"
        "secret_key:4660\n"
        "access_key:7\n"
        "\n-------------- For Experts: ------------------\n"
        "gps_daydivisor:2\n"
        "gps_hourshift:0\n"
        "Delayed start:0,4.3.2007,Su,00:00:00\n"
        "bat_threshold2: code:3277 => 4000 MilliVolt\n"
        "bat_gsm_threshold: 4150 MilliVolt\n"
        "bat_threshold1: code:3072 => 3750 MilliVolt\n"
        "bat_acc_threshold: code:2867 => 3499 MilliVolt\n"
        "bat_threshold0: code:2458 => 3000 MilliVolt\n"
        "maccess_voltlimit: code:2800 => 3417 MilliVolt\n"
        "bat_gprs_download_threshold: 4272 MilliVolt\n"
        "radio_longdelay:30\n"
        "Don't ignore low resolution for GPS Burst length\n"
        "datalink 2017\n"
        "\n###### Tag with 'dead pinger' feature, following settings apply: ######\n"
        "acc_dead_threshold:100000\n"
        "dead_counter_threshold:50\n"
        "acc_alive_threshold:200000\n"
        "alive_counter_threshold:60\n"
        "Death Ping freq:864.000000 MHz = 864000.000 kHz\n"
        "band_set:EU868\n"
        "Data unlimited.\n"
        "Cont. T disabled.\n"
        "ms5xxx_prom OK\n"
        "TTOFF\n"
        "\n");

const char kV3Report[] =
    "\nPrinting tag settings tt5_10, SV3, valid at the point in time of the data download:\n"
    "Printing enabled features:\n"
    "FEATURE_WITH_SOLAR_POWER\n"
    "FEATURE_WITH_GSM\n"
    "FEATURE_WITH_GPSACCGSMV2\n"
    "FEATURE_WITH_ON2TIMES\n"
    "End of features.\n\n"
    "\n-------------- ACC & IMU-Settings: ------------------\n"
    "ACC ON FROM: 00:00 GPSTIME\n"
    "ACC ON UNTIL:23:59 GPSTIME\n"
    "ACC ON2 FROM: 01:40 GPSTIME\n"
    "ACC ON2 UNTIL:03:20 GPSTIME\n"
    "IMU ON FROM: 05:00 GPSTIME\n"
    "IMU ON UNTIL:21:00 GPSTIME\n"
    "IMU ON2 FROM: 16:40 GPSTIME\n"
    "IMU ON2 UNTIL:18:20 GPSTIME\n"
    "\n---- ACC & IMU Recording standalone: ----\n"
    "ACC HRES INTERVAL:    61 seconds == 1 minutes 1 s\n"
    "ACC LRES INTERVAL:    300 seconds == 5 minutes 0 s\n"
    "ACC GF HRES INTERVAL: 75 seconds == 1 minutes 15 s\n"
    "ACC GF LRES INTERVAL: 600 seconds == 10 minutes 0 s\n"
    "IMU HRES INTERVAL:    120 seconds == 2 minutes 0 s\n"
    "IMU LRES INTERVAL:    900 seconds == 15 minutes 0 s\n"
    "IMU GF HRES INTERVAL: 30 seconds == 0 minutes 30 s\n"
    "IMU GF LRES INTERVAL: 3599 seconds == 59 minutes 59 s\n"
    "\n--------------- General ACC & IMU settings: --------------\n"
    "ACC SAMPLERATE DIVISOR:3\n"
    "ACC SAMPLERATE per axis:33.33 Hz\n"
    "ACC BYTE COUNT: 378 bytes => 246 ACC SAMPLES (for all axes together)\n"
    "ACC-AXES: XYZ\n"
    "ACC LOW SPEED INTERVAL FACTOR:4\n"
    "ACC INVERSE SPEED FACTOR ENABLED\n"
    "IMU START DELAY: 8 Samples\n"
    "IMU ACC DATASET COUNT: 4\n"
    "IMU QUATERNION COMPASS DATASET COUNT: 5\n"
    "\n-------------- GPS-Settings: ------------------\n"
    "GPS ON FROM: 00:00 GPSTIME\n"
    "GPS ON UNTIL:23:59 GPSTIME\n"
    "GPS ON2 FROM: 22:00 GPSTIME\n"
    "GPS ON2 UNTIL:23:00 GPSTIME\n"
    "GPS HRES INTERVAL: 600 seconds == 10 minutes 0 s\n"
    "GPS LRES INTERVAL: 3600 seconds == 60 minutes 0 s\n"
    "GPS BURST LEN: 30s (only for HRES)\n"
    "GPS-IMU-Switches: Q&C-1Hz ACC-20Hz\n"
    "GPS GF HRES INTERVAL: 90 seconds == 1 minutes 30 s\n"
    "GPS GF LRES INTERVAL: 1800 seconds == 30 minutes 0 s\n"
    "GPS GF BURST LEN: 20s (only for GF HRES)\n"
    "GPS GF IMU-Switches: No IMU\n"
    "\n---- General GPS settings: ------------------\n"
    "GPS BURST QPERIOD: 5s\n"
    "GPS TIMEOUT: 180 seconds\n"
    "GPS RETRY INTERVAL FACTOR: 2\n"
    "SPEED THRESHOLD 1: 100 cm/s (all modes)\n"
    "SPEED THRESHOLD 2: 200 cm/s (normal mode)\n"
    "SPEED THRESHOLD 3: 300 cm/s (GF and GPS1Hz mode)\n"
    "\n---- Geofence: ------------------\n"
    "GF TWINDOW FROM: 07:00 GPSTIME\n"
    "GF TWINDOW UNTIL:19:00 GPSTIME\n"
    "GF RECT1 Western LONGitude:  13.3000000 \n"
    "GF RECT1 Eastern LONGitude:  13.4000000 \n"
    "GF RECT1 Northern LATitude:  52.5000000 \n"
    "GF RECT1 Southern LATitude:  52.4000000 \n"
    "FYI: Size of GF RECT1 is : 6.777 km * 11.119 km\n"
    "GF RECT2 Western LONGitude:  -0.1000000 \n"
    "GF RECT2 Eastern LONGitude:   0.1000000 \n"
    "GF RECT2 Northern LATitude:   0.0000000 \n"
    "GF RECT2 Southern LATitude:  -0.2000000 \n"
    "FYI: Size of GF RECT2 is : 22.239 km * 22.239 km\n"
    "GF INVERSION:YES\n"
    "\n---- Trigger settings for selective recording: --------\n"
    "VARIANCE INTERVAL: 60s\n"
    "ACC VAR SAMPLERATE BAD.\n"
    "ACC VAR BYTE COUNT: 63 bytes => 36 ACC VAR SAMPLES (for 3 axes together)\n"
    "ACC VAR THRESHOLD: 1000\n"
    "ACC VAR N2 ENTRY THRESHOLD: 3\n"
    "ACC VAR N1 EXIT THRESHOLD: 2\n"
    "SPEED N1 EXIT THR: 9\n"
    "ACC-VARIANCE-AXIS:Z\n"
    "ACC-TILT-AXIS2:X\n"
    "ACC YF: -5\n"
    "ACC ZF: 12\n"
    "GPS BURST LOWSPEED FIXCNT: 3s\n"
    "NO VAR: USE HRES\n"
    "PFNV: PREFER HRES\n"
    "\n-------------- Communication Settings: ------------------\n"
    "-------------- Pinger Settings: ------------------\n"
    "PING ON FROM: 06:00 GPSTIME\n"
    "PING ON UNTIL:18:00 GPSTIME\n"
    "PING TW2 FROM: 20:00 GPSTIME\n"
    "PING TW2 UNTIL:23:59 GPSTIME\n"
    "Ping freq:866.069824 MHz = 866069.824 kHz\n"
    "PING GF INVERSION:NO\n"
    "pinger_interval:5\n"
    "-------------- GSM/GPRS/UMTS Settings: ----------------\n"
    "GPRS TIME: 08:00 GPSTIME\n"
    "GPRS2 TIME: 16:00 GPSTIME\n"
    "GPRS3 TIME: 01:15 GPSTIME\n"
    "SMS TIME: 12:00 GPSTIME\n"
    "SMS GPS COLLECT INTERVAL: 3600 s\n"
    "SMS GPS COLLECT OFFSET: 600 s\n"
    "SMS TIMEOUT: 120 seconds\n"
    "GPRS TIMEOUT: 300 seconds\n"
    "GSM BIG INTERVAL: 183845 s, which is 2 days and 03:04:05\n"
    "gprs_min_pk_freq:3\n"
    "\n-------------- General Communication Settings: ------------------\n"
    "secret_key:4660\n"
    "access_key:7\n"
    "\n-------------- For Experts: ------------------\n"
    "gps_daydivisor:1\n"
    "gps_hourshift:2\n"
    "Delayed start:1,5.3.2007,Mo,01:01:01\n"
    "bat_threshold2: code:3277 => 4000 MilliVolt\n"
    "bat_threshold1: code:3072 => 3750 MilliVolt\n"
    "bat_threshold0: code:3482 => 4250 MilliVolt\n"
    "maccess_voltlimit: code:2867 => 3499 MilliVolt\n"
    "radio_longdelay:30\n"
    "Ignore low resolution for GPS Burst length\n"
    "datalink 2017\n"
    "activity_null_threshold:30\n"
    "deathcheck_var_cnt:10\n"
    "deathcheck_lowvar_cnt_threshold:20\n"
    "DC ON FROM: 02:00 GPSTIME\n"
    "DC ON UNTIL:04:00 GPSTIME\n"
    "GPS1Hz ON FROM: 10:00 GPSTIME\n"
    "GPS1Hz ON UNTIL:11:00 GPSTIME\n"
    "GPS1Hz IMU-Switches: Q&C-20Hz ACC-20Hz\n"
    "AM\n"
    "\n";

TEST(Tt5_10, WholeReportOfEveryStructureVersion) {
    struct Case {
        uint8_t version;
        uint32_t tag;
        std::string expected;
        uint32_t features;
    };
    const Case kCases[] = {
        {0, 4000, kV0Report, 0x840B},
        {1, 5000, kV1Report, 0xA16},
        {2, 6000, kV2Report, 0x44014},
        {3, 7000, kV3Report, 0x24011},
    };
    for (const Case& c : kCases) {
        dec::TagState state;
        const Printed p = print(example_tt5_10(c.version).block(), c.tag, &state);
        EXPECT_EQ(p.exit_code, -1) << "SV" << int{c.version};
        EXPECT_EQ(p.text, c.expected) << "SV" << int{c.version};
        EXPECT_EQ(state.feature_word, c.features) << "SV" << int{c.version};
    }
}

TEST(Tt5_10, PrintsTheSameWithoutAState) {
    EXPECT_EQ(print(example_tt5_10(2).block(), 6000, nullptr).text, kV2Report);
}

// The band text comes from the container: it cannot steer a terminal.
TEST(Tt5_10, BandTextWithControlBytesIsMadePrintable) {
    SettingsRecord r = example_tt5_10(2);
    r.text(187, "\x1b]0;x\x07\x7f");
    std::string expected = kV2Report;
    const size_t at = expected.find("band_set:EU868\n");
    expected.replace(at, 15, "band_set:~]0;x~?\n");
    EXPECT_EQ(print(r.block(), 6000, nullptr).text, expected);
}

TEST(Tt5_10, Version2StoresThePressureCalibration) {
    dec::TagState state;
    print(example_tt5_10(2).block(), 6000, &state);
    // W0 carries the CRC-4 (1 for these words) in its top four bits.
    const uint16_t expected[7] = {0x1011, 34982, 36352, 20328, 22354, 26646, 26146};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(state.pressure.c[i], expected[i]) << "word " << i;
    }
}

TEST(Tt5_10, Version2WithoutOrWithBadCalibrationClearsIt) {
    struct Case {
        uint8_t fill;  // calibration bytes; 0x12 makes a wrong CRC
        const char* line;
    };
    const Case kCases[] = {
        {0xFF, "No ms5xxx_prom."}, {0x00, "No ms5xxx_prom."}, {0x12, "ms5xxx_prom bad"}};
    for (const Case& c : kCases) {
        SettingsRecord r = example_tt5_10(2);
        for (size_t off = 197; off <= 209; ++off) {
            r.u8(off, c.fill);
        }
        r.u8(161, c.fill);
        dec::TagState state;
        state.pressure.c[6] = 1234;
        const Printed p = print(r.block(), 6000, &state);
        EXPECT_TRUE(has_line(p.text, c.line)) << c.line;
        EXPECT_FALSE(has_line(p.text, "ms5xxx_prom OK"));
        EXPECT_EQ(state.pressure.c[6], 0);
    }
}

TEST(Tt5_10, WrongMagicStopsWith22) {
    SettingsRecord r = example_tt5_10(3);
    r.u16(0, 0x9B3B);
    const Printed p = print(r.block(), 7000);
    EXPECT_EQ(p.exit_code, dec::BADLOGGERBIN);
    EXPECT_EQ(
        p.text,
        "\nPrinting tag settings tt5_10, SV3, valid at the point in time of the data download:\n"
        "No configuration or error in decoding configuration settings of tag.\n");
}

TEST(Tt5_10, UnknownStructureVersionStopsWith20) {
    const Printed p = print(SettingsRecord::tt5_10(4, 0).block(), 7000);
    EXPECT_EQ(p.exit_code, dec::UNSUPPORTED_PRODUCT);
    EXPECT_EQ(
        p.text,
        "\nPrinting tag settings tt5_10, SV4, valid at the point in time of the data download:\n"
        "This data decoder only supports struct_version 0,1,2 and 3.\n");
}

TEST(Tt5_10, ChecksumMismatchStopsWith22) {
    for (uint8_t version = 0; version <= 3; ++version) {
        OpenBlock b = example_tt5_10(version).block();
        b[32 + 100] ^= 0x01;  // any byte under the checksum
        dec::TagState state;
        const Printed p = print(b, 4000, &state);
        EXPECT_EQ(p.exit_code, dec::BADLOGGERBIN);
        const std::string line =
            "Checksum of tt5_10 stv" + std::to_string(version) + " not matching!\n";
        ASSERT_GE(p.text.size(), line.size());
        EXPECT_EQ(p.text.substr(p.text.size() - line.size()), line);
        EXPECT_EQ(p.text.find("Printing enabled features"), std::string::npos);
        // The feature word is taken before the checksum is looked at.
        static const uint32_t kExampleFeatures[] = {0x840B, 0xA16, 0x44014, 0x24011};
        EXPECT_EQ(state.feature_word, kExampleFeatures[version]);
    }
}

TEST(Tt5_10, UnknownFeatureBitStopsWith21AfterTheKnownNames) {
    const Printed p = print(SettingsRecord::tt5_10(3, 0x80000 | 0x7FFFF).block(), 7000);
    EXPECT_EQ(p.exit_code, dec::UNSUPPORTED_FF_PRODUCT);
    const std::string tail =
        "FEATURE_GPSACC2G4G\nEnd of features.\n\n##### ERROR: Unknown feature flag 0x80000! "
        "#####\n";
    ASSERT_GE(p.text.size(), tail.size());
    EXPECT_EQ(p.text.substr(p.text.size() - tail.size()), tail);
    EXPECT_NE(p.text.find("FEATURE_WITH_SOLAR_POWER\n"), std::string::npos);
}

TEST(Tt5_10, ModeLine) {
    struct Case {
        uint8_t mode;
        const char* ending;
    };
    const Case kCases[] = {{0xAA, "\nAM\n\n"}, {0x55, "\nTTOFF\n\n"}, {0x00, "\nAM\n\n"},
                           {0x0A, "\nAM\n\n"}, {0x05, "\nTTOFF\n\n"}, {0xFF, "\nAM\n\n"}};
    for (const Case& c : kCases) {
        const Printed p = print(SettingsRecord::tt5_10(3, 0, c.mode).block(), 7000);
        const std::string ending = c.ending;
        ASSERT_GE(p.text.size(), ending.size());
        EXPECT_EQ(p.text.substr(p.text.size() - ending.size()), ending) << int{c.mode};
    }
    // Structure versions 0 and 1 end without the empty line.
    const Printed v0 = print(SettingsRecord::tt5_10(0, 0, 0x55).block(), 7000);
    EXPECT_EQ(v0.text.substr(v0.text.size() - 8), "\n\nTTOFF\n");
}

TEST(Tt5_10, SampleRateDivisorLimits) {
    struct Case {
        uint8_t divisor;
        const char* text;
    };
    const Case kCases[] = {{0, "ACC SAMPLERATE BAD.\n"},
                           {128, "ACC SAMPLERATE BAD.\n"},
                           {255, "ACC SAMPLERATE BAD.\n"},
                           {127, "ACC SAMPLERATE DIVISOR:127\nACC SAMPLERATE per axis:0.79 Hz\n"}};
    for (const Case& c : kCases) {
        const Printed p = print(example_tt5_10(3).u8(45, c.divisor).block(), 7000);
        EXPECT_NE(p.text.find(std::string("--------------\n") + c.text), std::string::npos)
            << int{c.divisor};
    }
}

TEST(Tt5_10, AxisLettersAndSwitchSets) {
    // Tilt axis 1 and 2, variance axis 3 (zero byte); no IMU switch at all.
    SettingsRecord r = example_tt5_10(3);
    r.u8(62, 3).u8(63, 1).u8(108, 0).u8(109, 0);
    const std::string text = print(r.block(), 7000).text;
    EXPECT_NE(text.find(std::string("ACC-VARIANCE-AXIS:") + '\0' + "\n"), std::string::npos);
    EXPECT_TRUE(has_line(text, "ACC-TILT-AXIS2:Y"));
    EXPECT_TRUE(has_line(text, "GPS-IMU-Switches: No IMU"));
    EXPECT_TRUE(has_line(text, "GPS1Hz IMU-Switches: No IMU"));
    // Version 2 never prints "No IMU".
    SettingsRecord v2 = example_tt5_10(2);
    v2.u8(158, 0).u8(159, 0);
    const std::string text2 = print(v2.block(), 6000).text;
    EXPECT_TRUE(has_line(text2, "GPS-IMU-Switches: "));
    EXPECT_TRUE(has_line(text2, "SUPER MODE GPS-IMU-Switches: "));
}

TEST(Tt5_10, FeatureDependentLinesOfVersion3) {
    // Without GSM, second on-times and solar bits those lines disappear.
    const std::string text = print(SettingsRecord::tt5_10(3, 0).block(), 7000).text;
    EXPECT_EQ(text.find("ON2"), std::string::npos);
    EXPECT_EQ(text.find("GSM/GPRS/UMTS"), std::string::npos);
    EXPECT_EQ(text.find("bat_threshold0"), std::string::npos);
    const std::string variance = print(SettingsRecord::tt5_10(3, 0x8000).block(), 7000).text;
    EXPECT_TRUE(has_line(variance, "bat_threshold0: code:0 => 0 MilliVolt"));
}

TEST(Tt5_10, SerialNumber4458SwitchesTheVarianceLines) {
    // Version 0 example at tag 4458: no second ping on-time, reduced variance block.
    const std::string text = print(example_tt5_10(0).block(), 4458).text;
    EXPECT_EQ(text.find("ping2_begin_ontime"), std::string::npos);
    EXPECT_EQ(text.find("P1OT"), std::string::npos);
    const std::string expected =
        "ACC-VARIANCE-AXIS: Y\n"
        "ACC VAR THRESHOLD: 1000\n"
        "ACC VAR N1: 3\n"
        "ACC VAR N2: 4\n"
        "GPS LOW RESOLUTION INTERVAL: 900\n"
        "GPS HIGH RESOLUTION INTERVAL: 300\n";
    EXPECT_NE(text.find(expected), std::string::npos);
}

TEST(Tt5_10, SuperBurstOnlyInVersion1) {
    const std::string text = print(SettingsRecord::tt5_10(0, 0x200).block(), 4000).text;
    EXPECT_EQ(text.find("SUPER GPS"), std::string::npos);
}

TEST(Tt5_10, GeofenceSpansWithEastAndWestSwapped) {
    // The longitude span is unsigned (0 - 1000000 wraps to 2^32 - 1000000), the
    // latitude span signed.
    SettingsRecord r = SettingsRecord::tt5_10(3, 0);
    r.s32(129, 1000000).s32(133, 0).s32(149, 0).s32(145, 1000000);
    const std::string text = print(r.block(), 7000).text;
    EXPECT_TRUE(has_line(text, "FYI: Size of GF RECT1 is : 47746.513 km * -11.119 km"));
}

}  // namespace
