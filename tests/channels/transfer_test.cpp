// The blocks as a client in another process sees them: fields at their byte offsets.
#include <cstring>

#include <gtest/gtest.h>

#include "Tarvel/host/transfer.h"

namespace {

TEST(Transfer, CharBlockFieldsLieAtTheirOffsets) {
    unsigned char raw[108] = {};
    const int32_t id = 0x01020304;
    std::memcpy(raw + 104, &id, 4);
    std::memcpy(raw + 4, "labas", 6);
    CharTransfer b;
    std::memcpy(&b, raw, sizeof b);
    EXPECT_EQ(b.result, id);
    EXPECT_STREQ(b.word, "labas");
    b.marker = kHandledMarker;
    std::memcpy(raw, &b, sizeof b);
    EXPECT_EQ(raw[0] | raw[1] << 8 | raw[2] << 16, 121212);  // little-endian
}

TEST(Transfer, IntBlockFieldsLieAtTheirOffsets) {
    int32_t raw[7] = {0, 11, 22, 33, 44, 4, 0};
    const float p = -2.5f;
    std::memcpy(&raw[6], &p, 4);
    IntTransfer b;
    std::memcpy(&b, raw, sizeof b);
    EXPECT_EQ(b.id1, 11);
    EXPECT_EQ(b.id2, 22);
    EXPECT_EQ(b.id3, 33);
    EXPECT_EQ(b.id4, 44);
    EXPECT_EQ(b.n, 4);
    EXPECT_EQ(b.result, p);
}

}  // namespace
