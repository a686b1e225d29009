#include "records/tag_outputs.h"

#include "common/version.h"
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

}  // namespace dec
