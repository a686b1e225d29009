#include "records/fletcher32.h"

#include "common/le.h"

namespace dec {

namespace {

// 360 words keep both 32-bit sums from overflowing between folds.
constexpr size_t kWordsPerBlock = 360;

uint32_t fold(uint32_t s) {
    return (s & 0xFFFF) + (s >> 16);
}

}  // namespace

uint32_t fletcher32(const uint8_t* data, int32_t length) {
    if (data == nullptr || length < 1) {
        return 0;
    }
    const auto bytes = static_cast<size_t>(length);
    uint32_t sum1 = 0xFFFF;
    uint32_t sum2 = 0xFFFF;
    size_t words = bytes / 2;
    size_t off = 0;
    while (words > 0) {
        const size_t block = words < kWordsPerBlock ? words : kWordsPerBlock;
        words -= block;
        for (size_t i = 0; i < block; ++i, off += 2) {
            sum1 += le_u16(data, off);
            sum2 += sum1;
        }
        sum1 = fold(sum1);
        sum2 = fold(sum2);
    }
    if ((bytes & 1) != 0) {
        sum1 += data[bytes - 1];
        sum2 += sum1;
        sum1 = fold(sum1);
        sum2 = fold(sum2);
    }
    sum1 = fold(sum1);
    sum2 = fold(sum2);
    return (sum2 << 16) | sum1;
}

}  // namespace dec
