#include "records/tag_outputs.h"

#include "common/action.h"
#include "dsp/burst_dsp.h"

namespace dec {

void write_version_line(OutStream& info) {
    info.printf("Data decoder version v%hhu compiled (w)Feb 20 2025 09:55:15\n", kDecoderVersion);
}

void write_lowpass_notice(OutStream& acc) {
    acc.printf("### Please observe: ACC Data lowpass filtered with f3dB/fs=%f\n",
               kFilterRelativeCutoff);
}

void write_highpass_notice(OutStream& acc) {
    acc.printf("### Please observe: ACC Data with lowfreq component removed, f10dB/fs=%f\n",
               kFilterRelativeCutoff);
}

const char* main_name_format(uint32_t action, bool with_prefix) {
    if ((action & ACT_ACC) != 0 && (action & ACT_GPS) != 0) {
        return with_prefix ? "%stag%i.txt" : "tag%i.txt";
    }
    if ((action & ACT_ACC) != 0) {
        if ((action & (ACT_ACC_DFT | ACT_ACC_DFT_LINE)) != 0) {
            return with_prefix ? "%stag%i_accdft.txt" : "tag%i_accdft.txt";
        }
        return with_prefix ? "%stag%i_acc.txt" : "tag%i_acc.txt";
    }
    if ((action & ACT_KML) != 0) {
        return with_prefix ? "%stag%i.kml" : "tag%i.kml";
    }
    if ((action & ACT_GPX) != 0) {
        return with_prefix ? "%stag%i.gpx" : "tag%i.gpx";
    }
    return with_prefix ? "%stag%i_gps.txt" : "tag%i_gps.txt";
}

}  // namespace dec
