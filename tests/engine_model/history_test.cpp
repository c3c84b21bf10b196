#include <gtest/gtest.h>
#include <cstring>
#include <new>
#include <string>
#include "Tarvel/engine/history.h"

namespace {

TEST(ListW, NewBufferIsEmptyAndAnswersEmptyText) {
    ListW w;
    EXPECT_EQ(w.count, 0);
    EXPECT_EQ(w.capacity, 0);
    EXPECT_STREQ(w.Get(0), "");
}

TEST(ListW, SetSizeGivesEmptySlots) {
    ListW w;
    w.SetSize(4);
    EXPECT_EQ(w.count, 0);
    EXPECT_EQ(w.capacity, 4);
    for (int i = 0; i < 4; ++i) EXPECT_STREQ(w.items[i], "");
}

TEST(ListW, GetCountsBackwardsFromTheNewest) {
    ListW w;
    w.SetSize(3);
    w.Push("a");
    w.Push("b");
    EXPECT_STREQ(w.Get(0), "b");
    EXPECT_STREQ(w.Get(-1), "a");
    EXPECT_STREQ(w.Get(-2), "");
    w.Push("c");
    w.Push("d");
    EXPECT_EQ(w.count, 3);
    EXPECT_STREQ(w.Get(0), "d");
    EXPECT_STREQ(w.Get(-1), "c");
    EXPECT_STREQ(w.Get(-2), "b");
    EXPECT_STREQ(w.Get(-3), "");
}

TEST(ListW, FullPushReusesTheOldestSlotWithoutMovingText) {
    ListW w;
    w.SetSize(3);
    char* a = w.Push("a");
    char* b = w.Push("b");
    char* c = w.Push("c");
    char* d = w.Push("d");
    EXPECT_EQ(d, a);  // the oldest slot became the newest
    EXPECT_EQ(w.items[0], b);
    EXPECT_EQ(w.items[1], c);
    EXPECT_EQ(w.items[2], a);
    EXPECT_STREQ(b, "b");
    EXPECT_STREQ(c, "c");
}

TEST(ListW, ClearHidesEntriesAndNextPushTakesTheFirstSlot) {
    ListW w;
    w.SetSize(3);
    w.Push("a");
    w.Push("b");
    w.Clear();
    EXPECT_STREQ(w.Get(0), "");
    EXPECT_STREQ(w.items[1], "b");  // left in place
    w.Push("x");
    EXPECT_STREQ(w.items[0], "x");
    EXPECT_STREQ(w.Get(0), "x");
    EXPECT_STREQ(w.Get(-1), "");
}

TEST(ListW, ForgettingTheNewestOfAFullBuffer) {
    ListW w;
    w.SetSize(1000);
    for (int i = 0; i < 1005; ++i) w.Push(std::to_string(i).c_str());
    w.Forget(3);
    EXPECT_EQ(w.count, 997);
    EXPECT_STREQ(w.Get(0), "1001");
    w.Push("next");
    EXPECT_EQ(w.count, 998);
    EXPECT_STREQ(w.items[997], "next");
    EXPECT_STREQ(w.Get(-1), "1001");
}

TEST(ListW, ForgettingMoreThanHeldLeavesZero) {
    ListW w;
    w.SetSize(3);
    w.Push("a");
    w.Push("b");
    w.Forget(5);
    EXPECT_EQ(w.count, 0);
    EXPECT_STREQ(w.Get(0), "");
    EXPECT_STREQ(w.Get(-1), "");
    w.Forget(-4);  // never raises the count
    EXPECT_EQ(w.count, 0);
}

TEST(ListW, LongTextIsCutToTheSlot) {
    ListW w;
    w.SetSize(2);
    std::string longText(200, 'x');
    w.Push("before");
    char* slot = w.Push(longText.c_str());
    EXPECT_EQ(std::strlen(slot), 99u);
    EXPECT_EQ(std::string(w.Get(0)), std::string(99, 'x'));
    EXPECT_STREQ(w.Get(-1), "before");  // the neighbouring slot is untouched
    w.Push(std::string(99, 'y').c_str());
    EXPECT_EQ(std::string(w.Get(0)), std::string(99, 'y'));
}

TEST(ListW, AbsentTextIsStoredAsEmpty) {
    ListW w;
    w.SetSize(2);
    w.Push("a");
    w.Push(nullptr);
    EXPECT_EQ(w.count, 2);
    EXPECT_STREQ(w.Get(0), "");
    EXPECT_STREQ(w.Get(-1), "a");
}

TEST(ListW, CapacityZeroStoresNothing) {
    ListW w;
    EXPECT_EQ(w.Push("a"), nullptr);  // before SetSize
    w.SetSize(0);
    EXPECT_EQ(w.Push("a"), nullptr);
    EXPECT_EQ(w.count, 0);
    EXPECT_STREQ(w.Get(0), "");
}

TEST(ListW, SetSizeAgainStartsOver) {
    ListW w;
    w.SetSize(2);
    w.Push("a");
    w.SetSize(5);
    EXPECT_EQ(w.count, 0);
    EXPECT_EQ(w.capacity, 5);
    for (int i = 0; i < 5; ++i) EXPECT_STREQ(w.items[i], "");
}

TEST(ListP, SetSizeGivesZeroValues) {
    ListP p;
    p.SetSize(3);
    EXPECT_EQ(p.count, 0);
    EXPECT_EQ(p.capacity, 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(p.items[i], 0.0f);
}

TEST(ListP, FullPushDropsTheOldest) {
    ListP p;
    p.SetSize(2);
    p.Push(0.1f);
    p.Push(0.2f);
    p.Push(0.3f);
    EXPECT_EQ(p.count, 2);
    EXPECT_EQ(p.items[0], 0.2f);
    EXPECT_EQ(p.items[1], 0.3f);
}

TEST(ListP, ForgetAndClear) {
    ListP p;
    p.SetSize(4);
    p.Push(1);
    p.Push(2);
    p.Push(3);
    p.Forget(2);
    EXPECT_EQ(p.count, 1);
    p.Push(9);
    EXPECT_EQ(p.items[1], 9.0f);
    p.Forget(10);
    EXPECT_EQ(p.count, 0);
    p.Push(5);
    p.Clear();
    EXPECT_EQ(p.count, 0);
}

TEST(ListP, CapacityZeroStoresNothing) {
    ListP p;
    p.Push(0.5f);
    p.SetSize(0);
    p.Push(0.5f);
    EXPECT_EQ(p.count, 0);
    EXPECT_TRUE(p.items.empty());
}

// A size that memory (or 32-bit arithmetic) cannot hold throws and leaves the buffer as it was:
// a capacity without its block would let the next Push write through nothing.
TEST(History, SizeBeyondMemoryThrowsAndKeepsTheBuffer) {
    ListW w;
    w.SetSize(3);
    w.Push("a");
    EXPECT_THROW(w.SetSize(42949673), std::bad_alloc);  // x 100 bytes wraps to 4 in 32 bits
    EXPECT_EQ(w.capacity, 3);
    EXPECT_STREQ(w.Get(0), "a");
    w.Push("b");
    EXPECT_STREQ(w.Get(-1), "a");

    ListP p;
    p.SetSize(2);
    p.Push(0.5f);
    EXPECT_ANY_THROW(p.SetSize(800000000));
    EXPECT_EQ(p.capacity, 2);
    EXPECT_EQ(p.count, 1);
    p.Push(0.25f);
    EXPECT_EQ(p.items[1], 0.25f);
}

}  // namespace
