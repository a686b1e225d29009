// The decoder's version, printed in the banner, the information files, GPX
// documents and MOVEBANK lines.
#pragma once

#include <cstdint>

namespace dec {

inline constexpr uint8_t kDecoderVersion = 21;

}  // namespace dec
