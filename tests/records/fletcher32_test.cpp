#include "records/fletcher32.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace dec {
namespace {

// Bytes (mul * i + add) mod 256: by default a pattern whose sums differ per position.
std::string pattern(size_t n, size_t mul = 7, size_t add = 3) {
    std::string v(n, '\0');
    for (size_t i = 0; i < n; ++i) {
        v[i] = static_cast<char>(mul * i + add);
    }
    return v;
}

TEST(Fletcher32, TableVectorsAndEmptyInput) {
    const std::tuple<const char*, std::string, uint32_t> vectors[] = {
        {"one word and an odd byte", "abc", 0xC52562C4},
        {"one word", "ab", 0x62616261},
        {"a lone odd byte", "a", 0x00610061},
        {"two words and an odd byte", "abcde", 0xF04FC729},
        {"three words", "abcdef", 0x56502D2A},
        {"four words", "abcdefgh", 0xEBE19591},
        {"one GPS record of 0..62", pattern(63, 1, 0), 0x9BCCC4E3},
        {"exactly one block of 360 words", pattern(720), 0x72ADAAD1},
        {"one word past the first block", pattern(722), 0xD8326585},
        {"four blocks and an odd byte", pattern(1441), 0x62C4D787},
    };
    for (const auto& [legend, data, expected] : vectors) {
        EXPECT_EQ(fletcher32(reinterpret_cast<const uint8_t*>(data.data()), static_cast<int32_t>(data.size())),
                  expected)
            << legend;
    }
    const uint8_t byte = 0x55;
    EXPECT_EQ(fletcher32(&byte, 0), 0u);
    EXPECT_EQ(fletcher32(&byte, -5), 0u);
    EXPECT_EQ(fletcher32(nullptr, 10), 0u);
}

}  // namespace
}  // namespace dec
