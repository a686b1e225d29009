// The feature word of a tag's settings: which optional hardware and firmware
// functions the tag was built with.
#pragma once

#include <cstdint>

#include "common/outstream.h"

namespace dec {

inline constexpr uint32_t FEATURE_WITH_SOLAR_POWER = 0x00001;
inline constexpr uint32_t FEATURE_WITH_ACC_VARIANCE = 0x00002;
inline constexpr uint32_t FEATURE_DEAD_PINGER = 0x00004;
inline constexpr uint32_t FEATURE_WITH_PING2ONTIME = 0x00008;
inline constexpr uint32_t FEATURE_WITH_GSM = 0x00010;
inline constexpr uint32_t FEATURE_WITH_BURST_MODE = 0x00020;
inline constexpr uint32_t FEATURE_WITH_DELAYED_START = 0x00040;
inline constexpr uint32_t FEATURE_WITH_GPS_NOT_EVERY_DAY = 0x00080;
inline constexpr uint32_t FEATURE_WITH_VUZIDIZ_FEATURES = 0x00100;
inline constexpr uint32_t FEATURE_WITH_SUPER_BURST = 0x00200;
inline constexpr uint32_t FEATURE_WITH_KORVANEL_FACTORS = 0x00400;
inline constexpr uint32_t FEATURE_WITH_MMA8452_SMBUS = 0x00800;
inline constexpr uint32_t FEATURE_WITH_BAND_916MHZ = 0x01000;
inline constexpr uint32_t FEATURE_WITH_BAND_920MHZ = 0x02000;
inline constexpr uint32_t FEATURE_WITH_GPSACCGSMV2 = 0x04000;
inline constexpr uint32_t FEATURE_WITH_SOLARVARIANCE = 0x08000;
inline constexpr uint32_t FEATURE_BOTHSENSORSBOTTOMSIDE = 0x10000;
inline constexpr uint32_t FEATURE_WITH_ON2TIMES = 0x20000;
inline constexpr uint32_t FEATURE_GPSACC2G4G = 0x40000;
// Every bit this decoder knows; anything above is an unknown feature.
inline constexpr uint32_t FEATURE_KNOWN_MASK = 0x7FFFF;

// Names of the set bits, one line each, between "Printing enabled features:"
// and "End of features."; unknown bits add an error line and give -1.
int print_features(OutStream& out, uint32_t features);

}  // namespace dec
