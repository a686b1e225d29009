#include "records/fletcher32.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace dec {
namespace {

struct Vector {
    const char* legend;
    std::vector<uint8_t> data;
    uint32_t expected;
};

std::vector<uint8_t> text(const char* s) {
    return std::vector<uint8_t>(s, s + std::strlen(s));
}

// Bytes (mul * i + add) mod 256: by default a pattern whose sums differ per position.
std::vector<uint8_t> pattern(size_t n, size_t mul = 7, size_t add = 3) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) {
        v[i] = static_cast<uint8_t>(mul * i + add);
    }
    return v;
}

TEST(Fletcher32, TableVectors) {
    const Vector vectors[] = {
        {"one word and an odd byte", text("abc"), 0xC52562C4},
        {"one word", text("ab"), 0x62616261},
        {"a lone odd byte", text("a"), 0x00610061},
        {"two words and an odd byte", text("abcde"), 0xF04FC729},
        {"three words", text("abcdef"), 0x56502D2A},
        {"four words", text("abcdefgh"), 0xEBE19591},
        {"one GPS record of 0..62", pattern(63, 1, 0), 0x9BCCC4E3},
        {"exactly one block of 360 words", pattern(720), 0x72ADAAD1},
        {"one word past the first block", pattern(722), 0xD8326585},
        {"four blocks and an odd byte", pattern(1441), 0x62C4D787},
    };
    for (const auto& v : vectors) {
        EXPECT_EQ(fletcher32(v.data.data(), static_cast<int32_t>(v.data.size())), v.expected)
            << v.legend;
    }
}

TEST(Fletcher32, EmptyOrMissingInputIsZero) {
    const uint8_t byte = 0x55;
    EXPECT_EQ(fletcher32(&byte, 0), 0u);
    EXPECT_EQ(fletcher32(&byte, -5), 0u);
    EXPECT_EQ(fletcher32(nullptr, 10), 0u);
}

}  // namespace
}  // namespace dec
