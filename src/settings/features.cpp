#include "settings/features.h"

namespace dec {
namespace {

struct FeatureName {
    uint32_t bit;
    const char* name;
};

static constexpr FeatureName kFeatureNames[] = {
    {FEATURE_WITH_SOLAR_POWER, "FEATURE_WITH_SOLAR_POWER\n"},
    {FEATURE_WITH_ACC_VARIANCE, "FEATURE_WITH_ACC_VARIANCE\n"},
    {FEATURE_DEAD_PINGER, "FEATURE_DEAD_PINGER\n"},
    {FEATURE_WITH_PING2ONTIME, "FEATURE_WITH_PING2ONTIME\n"},
    {FEATURE_WITH_GSM, "FEATURE_WITH_GSM\n"},
    {FEATURE_WITH_BURST_MODE, "FEATURE_WITH_BURST_MODE\n"},
    {FEATURE_WITH_DELAYED_START, "FEATURE_WITH_DELAYED_START\n"},
    {FEATURE_WITH_GPS_NOT_EVERY_DAY, "FEATURE_WITH_GPS_NOT_EVERY_DAY\n"},
    {FEATURE_WITH_VUZIDIZ_FEATURES, "FEATURE_WITH_VUZIDIZ_FEATURES\n"},
    {FEATURE_WITH_SUPER_BURST, "FEATURE_WITH_SUPER_BURST\n"},
    {FEATURE_WITH_KORVANEL_FACTORS, "FEATURE_WITH_KORVANEL_FACTORS\n"},
    {FEATURE_WITH_MMA8452_SMBUS, "FEATURE_WITH_MMA8452_SMBUS\n"},
    {FEATURE_WITH_BAND_916MHZ, "FEATURE_WITH_BAND_916MHZ\n"},
    {FEATURE_WITH_BAND_920MHZ, "FEATURE_WITH_BAND_920MHZ\n"},
    {FEATURE_WITH_GPSACCGSMV2, "FEATURE_WITH_GPSACCGSMV2\n"},
    {FEATURE_WITH_SOLARVARIANCE, "FEATURE_WITH_SOLARVARIANCE\n"},
    {FEATURE_BOTHSENSORSBOTTOMSIDE, "FEATURE_BOTHSENSORSBOTTOMSIDE\n"},
    {FEATURE_WITH_ON2TIMES, "FEATURE_WITH_ON2TIMES\n"},
    {FEATURE_GPSACC2G4G, "FEATURE_GPSACC2G4G\n"},
};

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
