// The channel objects: creation by name, refusal of an existing mapping, and release.
#include <windows.h>

#include <gtest/gtest.h>

#include "Tarvel/host/conna.h"
#include "Tarvel/host/transfer.h"
#include "com/handle.h"

namespace {

bool Exists(const char* mapping) {
    com::unique_handle h(OpenFileMappingA(FILE_MAP_READ, FALSE, mapping));
    return h.valid();
}

TEST(ConnA, CreateMakesTheNamedMappingViewAndAutoResetEvents) {
    ConnA<IntTransfer> c;
    ASSERT_TRUE(c.Create("ConnTest_A"));
    EXPECT_TRUE(c.created);
    ASSERT_NE(c.Block(), nullptr);
    EXPECT_EQ(c.Block()->n, 0);  // a new mapping reads as zeros
    HANDLE mapping = c.mapping.get();
    EXPECT_TRUE(c.Create("ConnTest_A"));  // created already: nothing new
    EXPECT_EQ(c.mapping.get(), mapping);

    // Another process's view of the same names.
    com::unique_handle m(OpenFileMappingA(FILE_MAP_WRITE, FALSE, "ConnTest_A_mem"));
    ASSERT_TRUE(m.valid());
    com::unique_view v(MapViewOfFile(m.get(), FILE_MAP_WRITE, 0, 0, sizeof(IntTransfer)));
    static_cast<IntTransfer*>(v.get())->id3 = 77;
    EXPECT_EQ(c.Block()->id3, 77);
    com::unique_handle exec(OpenEventA(EVENT_ALL_ACCESS, FALSE, "ConnTest_A_exec"));
    com::unique_handle done(OpenEventA(EVENT_ALL_ACCESS, FALSE, "ConnTest_A_done"));
    ASSERT_TRUE(exec.valid() && done.valid());
    EXPECT_EQ(WaitForSingleObject(c.execEvent.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    SetEvent(exec.get());
    EXPECT_EQ(WaitForSingleObject(c.execEvent.get(), 0), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(WaitForSingleObject(c.execEvent.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

TEST(ConnA, AnExistingMappingIsRefusedUntilItsOwnerLetsGo) {
    com::unique_handle foreign(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                                  28, "ConnTest_B_mem"));
    ASSERT_TRUE(foreign.valid());
    ConnA<IntTransfer> c;
    EXPECT_FALSE(c.Create("ConnTest_B"));
    EXPECT_FALSE(c.created);
    EXPECT_TRUE(c.mapping.valid());  // kept until the next attempt
    EXPECT_EQ(c.Block(), nullptr);
    EXPECT_FALSE(c.execEvent.valid());
    EXPECT_FALSE(c.Create("ConnTest_B"));
    foreign.reset();
    // The previous attempt's handle is closed first, so the name is free again.
    EXPECT_TRUE(c.Create("ConnTest_B"));
    EXPECT_TRUE(c.created);
}

TEST(ConnA, AnEventThatCannotBeMadeLeavesNothingBehind) {
    // A mutex holds the request event's name.
    com::unique_handle squatter(CreateMutexA(nullptr, FALSE, "ConnTest_C_exec"));
    ASSERT_TRUE(squatter.valid());
    ConnA<CharTransfer> c;
    EXPECT_FALSE(c.Create("ConnTest_C"));
    EXPECT_FALSE(c.created);
    EXPECT_EQ(c.Block(), nullptr);
    EXPECT_FALSE(c.execEvent.valid());
    EXPECT_FALSE(c.doneEvent.valid());
    EXPECT_FALSE(Exists("ConnTest_C_mem"));
    squatter.reset();
    EXPECT_TRUE(c.Create("ConnTest_C"));
}

TEST(ConnA, DestructionReleasesTheNames) {
    {
        ConnA<CharTransfer> c;
        ASSERT_TRUE(c.Create("ConnTest_D"));
        EXPECT_TRUE(Exists("ConnTest_D_mem"));
    }
    EXPECT_FALSE(Exists("ConnTest_D_mem"));
    com::unique_handle e(OpenEventA(EVENT_ALL_ACCESS, FALSE, "ConnTest_D_exec"));
    EXPECT_FALSE(e.valid());
    ConnA<CharTransfer> again;
    EXPECT_TRUE(again.Create("ConnTest_D"));
}

}  // namespace
