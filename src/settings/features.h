// The feature word of a tag's settings: which optional hardware and firmware
// functions the tag was built with.
#pragma once

#include <cstdint>

#include "common/outstream.h"

namespace dec {

// Every feature bit this decoder knows, lowest first: each line makes the
// constant FEATURE_... and the name print_features writes for the bit.
#define DEC_FEATURE_BITS(X)                    \
    X(FEATURE_WITH_SOLAR_POWER, 0x00001)       \
    X(FEATURE_WITH_ACC_VARIANCE, 0x00002)      \
    X(FEATURE_DEAD_PINGER, 0x00004)            \
    X(FEATURE_WITH_PING2ONTIME, 0x00008)       \
    X(FEATURE_WITH_GSM, 0x00010)               \
    X(FEATURE_WITH_BURST_MODE, 0x00020)        \
    X(FEATURE_WITH_DELAYED_START, 0x00040)     \
    X(FEATURE_WITH_GPS_NOT_EVERY_DAY, 0x00080) \
    X(FEATURE_WITH_VUZIDIZ_FEATURES, 0x00100)  \
    X(FEATURE_WITH_SUPER_BURST, 0x00200)       \
    X(FEATURE_WITH_KORVANEL_FACTORS, 0x00400)  \
    X(FEATURE_WITH_MMA8452_SMBUS, 0x00800)     \
    X(FEATURE_WITH_BAND_916MHZ, 0x01000)       \
    X(FEATURE_WITH_BAND_920MHZ, 0x02000)       \
    X(FEATURE_WITH_GPSACCGSMV2, 0x04000)       \
    X(FEATURE_WITH_SOLARVARIANCE, 0x08000)     \
    X(FEATURE_BOTHSENSORSBOTTOMSIDE, 0x10000)  \
    X(FEATURE_WITH_ON2TIMES, 0x20000)          \
    X(FEATURE_GPSACC2G4G, 0x40000)

#define DEC_FEATURE_CONSTANT(name, bit) inline constexpr uint32_t name = bit;
DEC_FEATURE_BITS(DEC_FEATURE_CONSTANT)
#undef DEC_FEATURE_CONSTANT

// Anything outside this mask is an unknown feature.
#define DEC_FEATURE_OR(name, bit) | name
inline constexpr uint32_t FEATURE_KNOWN_MASK = 0 DEC_FEATURE_BITS(DEC_FEATURE_OR);
#undef DEC_FEATURE_OR

// Names of the set bits, one line each, between "Printing enabled features:"
// and "End of features."; unknown bits add an error line and give -1.
int print_features(OutStream& out, uint32_t features);

}  // namespace dec
