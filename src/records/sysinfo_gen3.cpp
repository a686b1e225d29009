#include "records/sysinfo_gen3.h"

#include "common/le.h"
#include "common/millivolts.h"
#include "common/tagtime.h"
#include "records/sysinfo.h"

namespace dec {

namespace {

// A reset report: tag time, reset source and voltage monitor from `at` on.
void print_reset_info(const uint8_t* p, size_t at, const OutputPlan& plan, OutStream& info) {
    info.put("\nResetinfo:\n");
    print_tag_time(le_u32(p, at), info, plan);
    info.printf(" RS:0x%02X VMON:0x%02X\n", p[at + 4], p[at + 5]);
    print_reset_causes(info, p[at + 4], ResetWording::gen3);
    info.put("\n");
}

}  // namespace

void decode_sysinfo_gen3(const uint8_t* p, OutStream& info, const OutputPlan& plan) {
    if (!plan.gen3.sysinfo_subtype) {
        print_reset_info(p, 0, plan, info);
        return;
    }
    switch (p[0]) {
        case 0:
            print_reset_info(p, 1, plan, info);
            break;
        case 1:
            info.put("\nStopped data acquisition due to low battery:\n");
            print_tag_time(le_u32(p, 1), info, plan);
            info.printf(" Battery Voltage: %u mV\n", voltage_code_mv(le_u16(p, 5)));
            break;
        case 2:
            info.put("\nError info:\n");
            print_tag_time(le_u32(p, 1), info, plan);
            info.printf(" Err:%u arg:%u \n", p[5], p[6]);
            break;
        default:
            info.put("\n### Unknown SYSINFO ###\n");
            break;
    }
}

}  // namespace dec
