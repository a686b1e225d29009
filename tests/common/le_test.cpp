#include "common/le.h"

#include <gtest/gtest.h>

namespace dec {
namespace {

// Fields at odd offsets, with the sign bit set and clear.
TEST(LittleEndian, ReadsUnalignedFieldsWithSign) {
    const uint8_t b[] = {0xAA, 0x34, 0x12, 0xFE, 0xFF, 0x78, 0x56, 0x34, 0x12, 0x80};
    EXPECT_EQ(le_u16(b, 1), 0x1234);
    EXPECT_EQ(le_s16(b, 3), -2);
    EXPECT_EQ(le_u16(b, 3), 0xFFFE);
    EXPECT_EQ(le_u32(b, 5), 0x12345678u);
    EXPECT_EQ(le_u24(b, 5), 0x345678u);
    EXPECT_EQ(le_s32(b, 1), static_cast<int32_t>(0xFFFE1234u));
    EXPECT_EQ(le_s8(b, 9), -128);
    EXPECT_EQ(le_u64(b, 1), 0x3456'78FF'FE12'34ull | (0x12ull << 56));
}

TEST(LittleEndian, WritersRoundTrip) {
    uint8_t b[7] = {};
    put_le32(b, 1, 0xDEADBEEF);
    put_le16(b, 5, 0xCAFE);
    EXPECT_EQ(le_u32(b, 1), 0xDEADBEEFu);
    EXPECT_EQ(le_u16(b, 5), 0xCAFE);
    EXPECT_EQ(b[1], 0xEF);
}

}  // namespace
}  // namespace dec
