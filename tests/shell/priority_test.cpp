#include <windows.h>

#include <gtest/gtest.h>

#include "Tarvel/shell/priority.h"

namespace {

class PriorityRule : public ::testing::Test {
protected:
    void SetUp() override {
        SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
        p = std::make_unique<TAppPriority>();
        p->idleSource = [this] { return idle; };
        p->OnChange = [this] { ++changes; };
    }
    void TearDown() override {
        p.reset();
        SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
    }
    std::unique_ptr<TAppPriority> p;
    DWORD idle = 0;
    int changes = 0;
};

TEST_F(PriorityRule, FollowsTheUsersPresence) {
    EXPECT_EQ(p->GetPriorityName(), "Normal");
    p->SetIdleSec(60);
    EXPECT_EQ(changes, 0);  // switching on changes nothing by itself

    idle = 5;
    EXPECT_TRUE(p->CheckIdle());
    EXPECT_EQ(p->GetPriorityName(), "Low");
    EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), static_cast<DWORD>(IDLE_PRIORITY_CLASS));
    EXPECT_EQ(changes, 1);

    idle = 60;  // not more than the threshold
    p->CheckIdle();
    EXPECT_EQ(p->GetPriorityName(), "Low");
    EXPECT_EQ(changes, 1);  // the class in force: no notification

    idle = 61;
    p->CheckIdle();
    EXPECT_EQ(p->GetPriorityName(), "High");
    EXPECT_EQ(changes, 2);

    idle = 0;  // a key press
    p->CheckIdle();
    EXPECT_EQ(p->GetPriorityName(), "Low");
    EXPECT_EQ(changes, 3);
}

TEST_F(PriorityRule, NegativeThresholdKeepsHigh) {
    p->SetIdleSec(-1);
    idle = 0;
    p->CheckIdle();
    EXPECT_EQ(p->GetPriorityName(), "High");
}

TEST_F(PriorityRule, ZeroSwitchesTheRuleOffAndKeepsThePriority) {
    EXPECT_FALSE(p->CheckIdle());
    EXPECT_FALSE(p->TimerRunning());
    EXPECT_EQ(changes, 0);

    p->SetIdleSec(10);
    EXPECT_TRUE(p->TimerRunning());
    idle = 50;
    p->CheckIdle();
    p->SetIdleSec(0);
    EXPECT_FALSE(p->TimerRunning());
    EXPECT_FALSE(p->CheckIdle());
    EXPECT_EQ(p->GetPriorityName(), "High");
}

TEST_F(PriorityRule, OtherClassesShowTheirNumber) {
    EXPECT_TRUE(p->SetPriority(BELOW_NORMAL_PRIORITY_CLASS));
    EXPECT_EQ(p->GetPriorityName(), "16384");
    EXPECT_FALSE(p->SetPriority(BELOW_NORMAL_PRIORITY_CLASS));
    EXPECT_EQ(changes, 1);
}

TEST_F(PriorityRule, TimerTicksThroughTheMessageLoop) {
    idle = 100;
    p->SetIdleSec(30);
    DWORD start = GetTickCount();
    MSG msg;
    while (changes == 0 && GetTickCount() - start < 3000) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(10);
    }
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(p->GetPriorityName(), "High");
}

}  // namespace
