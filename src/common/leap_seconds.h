// TEMPORARY STUB (replaced by the helper's file)
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include "common/platform.h"
namespace dec {
class LeapSeconds {
  public:
    static LeapSeconds builtin() { return {}; }
    static bool parse_list(std::string_view, LeapSeconds*) { return true; }
    static LeapSeconds system(Platform&, std::string* source = nullptr) { if (source) *source = "built-in"; return {}; }
    struct Utc { int64_t unix_seconds; bool leap_second; bool past_expiry; };
    Utc utc_of_gps(int64_t g) const { return {g - 18, false, false}; }
    int32_t gps_minus_utc(int64_t) const { return 18; }
    int64_t expires_unix() const { return 0; }
};
}
