#include "settings/features.h"

namespace dec {
namespace {

struct FeatureName {
    uint32_t bit;
    const char* name;
};

#define DEC_FEATURE_NAME(name, bit) {name, #name "\n"},
constexpr FeatureName kFeatureNames[] = {DEC_FEATURE_BITS(DEC_FEATURE_NAME)};
#undef DEC_FEATURE_NAME

}  // namespace

int print_features(OutStream& out, uint32_t features) {
    out.put("Printing enabled features:\n");
    for (const FeatureName& f : kFeatureNames) {
        if ((features & f.bit) != 0) {
            out.put(f.name);
        }
    }
    out.put("End of features.\n\n");
    if (features > FEATURE_KNOWN_MASK) {
        out.printf("##### ERROR: Unknown feature flag 0x%02X! #####\n",
                   features & ~FEATURE_KNOWN_MASK);
        return -1;
    }
    return 0;
}

}  // namespace dec
