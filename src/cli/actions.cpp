#include "cli/actions.h"

#include "common/action.h"

namespace dec {

namespace {

constexpr ActionKey kActionKeys[] = {
    {'1', 0x00000001, false},  // only ACC data
    {'2', 0x00000002, false},  // only GPS data
    {'3', 0x00000003, false},  // all data in one file per logger
    {'4', 0x02000002, false},  // GPX
    {'5', 0x0000000A, false},  // KML
    {'6', 0x00000005, true},   // ACC in columns
    {'8', 0x00000305, false},  // ACC in columns with the number of the last fix
    {'9', 0x00001005, true},   // ACC average, stddev, min, max
    {'a', 0x01001005, true},   // ACC average, variance, min, max
    {'f', 0x00002005, true},   // ACC low-pass filtered
    {'g', 0x00004005, true},   // ACC high-pass filtered
    {'h', 0x00010001, false},  // DFT of ACC
    {'i', 0x00200001, false},  // DFT of ACC, one line per burst
    {'m', 0x00100000, false},  // MOVEBANK (also -m)
    {'!', 0x00020042, false},  // GPS extended with tag time in seconds
    {'$', 0x10020002, false},  // GPS extended, information in the main file
    {'@', 0x00020002, false},  // GPS extended (-g)
    {'b', 0x0800000A, false},  // KML with ISO dates
    {'s', 0x05001007, false},  // statistics line (-s)
};

}  // namespace

std::optional<ActionKey> find_action_key(char key) {
    for (const ActionKey& k : kActionKeys) {
        if (k.key == key) {
            return k;
        }
    }
    return std::nullopt;
}

std::optional<uint32_t> acc_time_stamp_bits(char choice) {
    switch (choice) {
        case 0:
        case 'a':
            return ACT_ACC_NO_TIME;
        case 'b':
            return 0u;
        case 'c':
            return ACT_ACC_SUBSECONDS;
        case 'd':
            return ACT_ACC_JUST_SECONDS;
        case 'e':
            return ACT_ACC_JUST_SECONDS | ACT_ACC_SUBSECONDS;
        default:
            return std::nullopt;
    }
}

const char* const kStarLine = "****************************************************\n";

const char* const kMainMenu =
    "Please enter 1,2,3,... and press return:\n"
    "\tExtract ...\n"
    "\t\t1.Only ACC data (only T for ECG-loggers)\n"
    "\t\t2.Only GPS data\n"
    "\t\t3.All recorded data in one file per logger\n"
    "\t\t4.GPX Format\n"
    "\t\t5.GPS Google Earth\n"
    "\t\t6.ACC in columns\n"
    "\t\t8.ACC in columns\n"
    "\t\t\twith google earth number of last GPS-Fix\n"
    "\t\t9.ACC: average, stddev (after hp filter), min, max\n"
    "\t\t\tfor each axis and burst\n"
    "\t\ta.ACC: average, variance , min, max\n"
    "\t\t\tfor each axis and burst\n"
    "\t\tf.ACC lp-filtered, in columns\n"
    "\t\tg.ACC hp-filtered, in columns\n"
    "\t\th.DFT of ACC\n"
    "\t\ti.DFT of ACC, each burst in one line,\n"
    "\t\t\tincluding stddev (after hp filter)\n"
    "\t\tm.MOVEBANK-Format\n";

const char* const kAccTimeMenu =
    "Please choose:\n"
    "Options for Acceleration in columns:\n"
    "\ta.No time\n"
    "\tb.Time in full format (dayno,day.month.year,\n"
    "\t\t\t\tday of week,HH:MM:SS)\n"
    "\tc.Time in full format (dayno,day.month.year,\n"
    "\t\t\t\tday of week,HH:MM:SS.subseconds)\n"
    "\td.Time: just seconds\n"
    "\te.Time: just seconds.subseconds\n";

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
