#include "settings/ecg_rates.h"

#include <iterator>

namespace dec {
namespace {

// Format 1: steps of 10^0.25 from 10 Hz; code 10 stops the sampling.
static constexpr float kEcgRatesFormat1[] = {10.00f,  17.78f,  31.62f,   56.23f,   100.00f, 177.83f,
                                             316.23f, 562.34f, 1000.00f, 1778.28f, 0.0f};
// Format 2: steps of 2^(1/6) from 10.75 Hz.
static constexpr float kEcgRatesFormat2[] = {
    10.75f,  12.09f,  13.60f,  15.30f,   17.21f,   19.37f,   21.79f,  24.51f,  27.57f,
    31.01f,  34.89f,  39.25f,  44.15f,   49.67f,   55.88f,   62.86f,  70.71f,  79.54f,
    89.46f,  100.63f, 113.19f, 127.31f,  143.21f,  161.12f,  181.26f, 203.84f, 229.23f,
    257.79f, 290.01f, 326.08f, 366.68f,  412.51f,  464.02f,  521.54f, 586.24f, 658.89f,
    740.45f, 832.20f, 935.97f, 1051.68f, 1181.52f, 1329.21f, 1495.36f};

}  // namespace

size_t ecg_rate_count(uint8_t format) {
    switch (format) {
        case 1:
            return std::size(kEcgRatesFormat1);
        case 2:
            return std::size(kEcgRatesFormat2);
        default:
            return 0;
    }
}

float ecg_sample_rate_hz(uint8_t format, uint8_t code) {
    if (code >= ecg_rate_count(format)) {
        return 0.0f;
    }
    return format == 1 ? kEcgRatesFormat1[code] : kEcgRatesFormat2[code];
}

}  // namespace dec
