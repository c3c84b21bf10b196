#include <gtest/gtest.h>
#include "com/bstr.h"

TEST(Bstr, NullIsAbsentAndEmptyIsEmpty) {
    EXPECT_FALSE(com::FromBstrOpt(nullptr).has_value());
    EXPECT_EQ("", com::FromBstr(nullptr));
    com::unique_bstr empty = com::ToBstr("");
    ASSERT_NE(nullptr, empty.get());
    EXPECT_EQ(0u, ::SysStringLen(empty.get()));
    ASSERT_TRUE(com::FromBstrOpt(empty.get()).has_value());
    EXPECT_EQ("", *com::FromBstrOpt(empty.get()));
}

TEST(Bstr, ConvertsThroughTheBalticCodePage) {
    // 0xE0 is a-ogonek and 0xC8 is C-caron in code page 1257.
    com::unique_bstr b = com::ToBstr("\xE0\xC8x");
    ASSERT_EQ(3u, ::SysStringLen(b.get()));
    EXPECT_EQ(0x0105, b.get()[0]);
    EXPECT_EQ(0x010C, b.get()[1]);
    EXPECT_EQ(L'x', b.get()[2]);
    EXPECT_EQ("\xE0\xC8x", com::FromBstr(b.get()));
}

TEST(Bstr, KeepsEmbeddedNulAndLength) {
    std::string text("a\0b", 3);
    com::unique_bstr b = com::ToBstr(text);
    EXPECT_EQ(3u, ::SysStringLen(b.get()));
    EXPECT_EQ(text, com::FromBstr(b.get()));
}
