#include "cli/actions.h"

#include "common/action.h"

namespace dec {

namespace {

// clang-format off
constexpr ActionKey kActionKeys[] = {
    {'1', 0x00000001, false, "\t\t1.Only ACC data (only T for ECG-loggers)\n",
     "only acceleration data (ECG loggers: temperature)"},
    {'2', 0x00000002, false, "\t\t2.Only GPS data\n",
     "only GPS data"},
    {'3', 0x00000003, false, "\t\t3.All recorded data in one file per logger\n",
     "all recorded data in one file per tag"},
    {'4', 0x02000002, false, "\t\t4.GPX Format\n",
     "GPS as a GPX track"},
    {'5', 0x0000000A, false, "\t\t5.GPS Google Earth\n",
     "GPS as a KML document"},
    {'6', 0x00000005, true, "\t\t6.ACC in columns\n",
     "acceleration in columns (time stamps: -a)"},
    {'8', 0x00000305, false, "\t\t8.ACC in columns\n\t\t\twith google earth number of last GPS-Fix\n",
     "acceleration in columns with the number of the last GPS fix"},
    {'9', 0x00001005, true, "\t\t9.ACC: average, stddev (after hp filter), min, max\n\t\t\tfor each axis and burst\n",
     "acceleration average, standard deviation, minimum, maximum per axis and burst (-a)"},
    {'a', 0x01001005, true, "\t\ta.ACC: average, variance , min, max\n\t\t\tfor each axis and burst\n",
     "the same with the variance (-a)"},
    {'f', 0x00002005, true, "\t\tf.ACC lp-filtered, in columns\n",
     "acceleration low-pass filtered, in columns (-a)"},
    {'g', 0x00004005, true, "\t\tg.ACC hp-filtered, in columns\n",
     "acceleration high-pass filtered, in columns (-a)"},
    {'h', 0x00010001, false, "\t\th.DFT of ACC\n",
     "discrete Fourier transform of each burst"},
    {'i', 0x00200001, false, "\t\ti.DFT of ACC, each burst in one line,\n\t\t\tincluding stddev (after hp filter)\n",
     "the same, one line per burst including the standard deviation"},
    {'m', 0x00100000, false, "\t\tm.MOVEBANK-Format\n",
     "MOVEBANK files (GPS, acceleration, quaternions, magnetic field)"},
    {'!', 0x00020042, false, nullptr, "extended GPS lines with the tag time in seconds"},
    {'$', 0x10020002, false, nullptr, "extended GPS lines, the information text in the main file"},
    {'@', 0x00020002, false, nullptr, "extended GPS lines (also -g)"},
    {'b', 0x0800000A, false, nullptr, "KML with ISO dates"},
    {'s', 0x05001007, false, nullptr, "the STATS line only (also -s)"},
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
