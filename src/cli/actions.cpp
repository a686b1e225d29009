#include "cli/actions.h"

#include "common/action.h"

namespace dec {

namespace {

// Acceleration in columns, the base of most acceleration keys.
constexpr uint32_t kAccColumns = ACT_ACC | ACT_ACC_COLUMNS;

// clang-format off
constexpr ActionKey kActionKeys[] = {
    {'1', ACT_ACC, false, "\t\t1.Only ACC data (only T for ECG-loggers)\n",
     "only acceleration data (ECG loggers: temperature)"},
    {'2', ACT_GPS, false, "\t\t2.Only GPS data\n", "only GPS data"},
    {'3', ACT_ACC | ACT_GPS, false, "\t\t3.All recorded data in one file per logger\n",
     "all recorded data in one file per tag"},
    {'4', ACT_GPS | ACT_GPX, false, "\t\t4.GPX Format\n", "GPS as a GPX track"},
    {'5', ACT_GPS | ACT_KML, false, "\t\t5.GPS Google Earth\n", "GPS as a KML document"},
    {'6', kAccColumns, true, "\t\t6.ACC in columns\n", "acceleration in columns (time stamps: -a)"},
    {'8', kAccColumns | ACT_ACC_NO_TIME | ACT_ACC_FIX_NUMBER, false,
     "\t\t8.ACC in columns\n\t\t\twith google earth number of last GPS-Fix\n",
     "acceleration in columns with the number of the last GPS fix"},
    {'9', kAccColumns | ACT_ACC_STATS, true,
     "\t\t9.ACC: average, stddev (after hp filter), min, max\n\t\t\tfor each axis and burst\n",
     "acceleration average, standard deviation, minimum, maximum per axis and burst (-a)"},
    {'a', kAccColumns | ACT_ACC_STATS | ACT_ACC_VARIANCE, true,
     "\t\ta.ACC: average, variance , min, max\n\t\t\tfor each axis and burst\n",
     "the same with the variance (-a)"},
    {'f', kAccColumns | ACT_ACC_LOWPASS, true, "\t\tf.ACC lp-filtered, in columns\n",
     "acceleration low-pass filtered, in columns (-a)"},
    {'g', kAccColumns | ACT_ACC_HIGHPASS, true, "\t\tg.ACC hp-filtered, in columns\n",
     "acceleration high-pass filtered, in columns (-a)"},
    {'h', ACT_ACC | ACT_ACC_DFT, false, "\t\th.DFT of ACC\n", "discrete Fourier transform of each burst"},
    {'i', ACT_ACC | ACT_ACC_DFT_LINE, false,
     "\t\ti.DFT of ACC, each burst in one line,\n\t\t\tincluding stddev (after hp filter)\n",
     "the same, one line per burst including the standard deviation"},
    {'m', ACT_MOVEBANK, false, "\t\tm.MOVEBANK-Format\n",
     "MOVEBANK files (GPS, acceleration, quaternions, magnetic field)"},
    {'!', ACT_GPS | ACT_GPS_EXTENDED | ACT_TIME_SECONDS, false,
     nullptr, "extended GPS lines with the tag time in seconds"},
    {'$', ACT_GPS | ACT_GPS_EXTENDED | ACT_INFO_IN_MAIN, false,
     nullptr, "extended GPS lines, the information text in the main file"},
    {'@', ACT_GPS | ACT_GPS_EXTENDED, false, nullptr, "extended GPS lines (also -g)"},
    {'b', ACT_GPS | ACT_KML | ACT_KML_ISO_DATE, false, nullptr, "KML with ISO dates"},
    {'s', ACT_GPS | kAccColumns | ACT_ACC_STATS | ACT_ACC_VARIANCE | ACT_STATS_LINE, false,
     nullptr, "the STATS line only (also -s)"},
};

constexpr AccTimeChoice kAccTimeChoices[] = {
    {'a', ACT_ACC_NO_TIME, "\ta.No time\n", "no time stamps (the default)"},
    {'b', 0u, "\tb.Time in full format (dayno,day.month.year,\n\t\t\t\tday of week,HH:MM:SS)\n",
     "full time stamps"},
    {'c', ACT_ACC_SUBSECONDS,
     "\tc.Time in full format (dayno,day.month.year,\n\t\t\t\tday of week,HH:MM:SS.subseconds)\n",
     "full time stamps with sub-seconds"},
    {'d', ACT_ACC_JUST_SECONDS, "\td.Time: just seconds\n", "seconds"},
    {'e', ACT_ACC_JUST_SECONDS | ACT_ACC_SUBSECONDS, "\te.Time: just seconds.subseconds\n",
     "seconds with sub-seconds"},
};
// clang-format on

}  // namespace

std::span<const ActionKey> action_keys() {
    return kActionKeys;
}

std::span<const AccTimeChoice> acc_time_choices() {
    return kAccTimeChoices;
}

std::optional<ActionKey> find_action_key(char key) {
    for (const ActionKey& k : kActionKeys) {
        if (k.key == key) {
            return k;
        }
    }
    return std::nullopt;
}

std::optional<uint32_t> acc_time_stamp_bits(char choice) {
    // No choice (no -a, or the end of the input) is the first one.
    if (choice == 0) {
        choice = kAccTimeChoices[0].key;
    }
    for (const AccTimeChoice& c : kAccTimeChoices) {
        if (c.key == choice) {
            return c.bits;
        }
    }
    return std::nullopt;
}

std::string main_menu() {
    std::string menu = "Please enter 1,2,3,... and press return:\n\tExtract ...\n";
    for (const ActionKey& k : kActionKeys) {
        if (k.menu != nullptr) {
            menu += k.menu;
        }
    }
    return menu;
}

std::string acc_time_menu() {
    std::string menu = "Please choose:\nOptions for Acceleration in columns:\n";
    for (const AccTimeChoice& c : kAccTimeChoices) {
        menu += c.menu;
    }
    return menu;
}

const char* const kStarLine = "****************************************************\n";

const char* const kSynopsis =
    "SYNOPSIS\n"
    "\tdecoder.exe [-f filename] [-d outputdirectory] [-c action] [-a argument] [-m filename "
    "with timestamp]\n"
    "Exit-Codes:\n"
    "\tBAD_CMDLINE 16\n"
    "\tINTERNAL_ERROR 17\n"
    "\tOPEN_FILE_ERROR 18\n"
    "\tUNKNOWN_ERROR 19\n"
    "\tUNSUPPORTED_PRODUCT 20\n"
    "\tUNSUPPORTED_FF_PRODUCT 21\n"
    "\tBADLOGGERBIN 22";

}  // namespace dec
