// The action word: the bits of the menu keys and of the ACC time-stamp answer.
// The run controller turns it into the output plan (common/output_plan.h).
#pragma once

#include <cstdint>

namespace dec {

inline constexpr uint32_t ACT_ACC = 0x00000001;
inline constexpr uint32_t ACT_GPS = 0x00000002;
inline constexpr uint32_t ACT_ACC_COLUMNS = 0x00000004;
inline constexpr uint32_t ACT_KML = 0x00000008;
inline constexpr uint32_t ACT_TIME_SECONDS = 0x00000040;
inline constexpr uint32_t ACT_ACC_NO_TIME = 0x00000100;
inline constexpr uint32_t ACT_ACC_FIX_NUMBER = 0x00000200;
inline constexpr uint32_t ACT_ACC_JUST_SECONDS = 0x00000800;
inline constexpr uint32_t ACT_ACC_STATS = 0x00001000;
inline constexpr uint32_t ACT_ACC_LOWPASS = 0x00002000;
inline constexpr uint32_t ACT_ACC_HIGHPASS = 0x00004000;
inline constexpr uint32_t ACT_ACC_SUBSECONDS = 0x00008000;
inline constexpr uint32_t ACT_ACC_DFT = 0x00010000;
inline constexpr uint32_t ACT_GPS_EXTENDED = 0x00020000;
inline constexpr uint32_t ACT_MOVEBANK = 0x00100000;
inline constexpr uint32_t ACT_ACC_DFT_LINE = 0x00200000;
inline constexpr uint32_t ACT_ACC_VARIANCE = 0x01000000;
inline constexpr uint32_t ACT_GPX = 0x02000000;
inline constexpr uint32_t ACT_STATS_LINE = 0x04000000;
inline constexpr uint32_t ACT_KML_ISO_DATE = 0x08000000;
inline constexpr uint32_t ACT_INFO_IN_MAIN = 0x10000000;

}  // namespace dec
