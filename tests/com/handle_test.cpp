#include <gtest/gtest.h>
#include <windows.h>
#include "com/handle.h"

namespace {
bool IsOpen(HANDLE h) {
    DWORD flags = 0;
    return ::GetHandleInformation(h, &flags) != 0;
}
}  // namespace

TEST(UniqueHandle, ClosesOnResetMoveAndDestruction) {
    HANDLE raw = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(nullptr, raw);
    {
        com::unique_handle a(raw);
        com::unique_handle b(std::move(a));
        EXPECT_FALSE(a.valid());
        EXPECT_EQ(raw, b.get());
        EXPECT_TRUE(IsOpen(raw));
    }
    EXPECT_FALSE(IsOpen(raw));

    HANDLE first = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE second = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    com::unique_handle h(first);
    h = com::unique_handle(second);
    EXPECT_FALSE(IsOpen(first));
    EXPECT_TRUE(IsOpen(second));
    HANDLE released = h.release();
    EXPECT_FALSE(h.valid());
    EXPECT_TRUE(IsOpen(released));
    ::CloseHandle(released);
}

TEST(UniqueHandle, FileHandleTreatsInvalidValueAsEmpty) {
    com::unique_hfile f(::CreateFileA("no such dir\\no such file", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                      nullptr));
    EXPECT_FALSE(f.valid());
    EXPECT_EQ(INVALID_HANDLE_VALUE, f.get());
}
