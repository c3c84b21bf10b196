#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "forms/exception.h"
#include "forms/main_thread.h"
#include "forms/thread.h"
#include "pump.h"

namespace {

class FnThread : public TThread {
public:
    explicit FnThread(std::function<void()> fn) : fn(std::move(fn)) {}

protected:
    void Execute() override { fn(); }

private:
    std::function<void()> fn;
};

TEST(Thread, EndNotificationRunsOnTheMainThread) {
    DWORD ran = 0, notified = 0;
    FnThread t([&] { ran = GetCurrentThreadId(); });
    t.OnTerminate = [&] { notified = GetCurrentThreadId(); };
    Sleep(20);
    EXPECT_EQ(ran, 0u);  // suspended until Resume
    t.Resume();
    t.WaitFor();
    EXPECT_EQ(notified, 0u);  // only from the main thread's loop
    EXPECT_FALSE(t.Finished());
    ASSERT_TRUE(PumpUntil([&] { return notified != 0; }));
    EXPECT_NE(ran, GetCurrentThreadId());
    EXPECT_EQ(notified, GetCurrentThreadId());
    EXPECT_TRUE(t.Finished());
}

TEST(Thread, OwnerMayFreeItInTheNotification) {
    for (int i = 0; i < 50; ++i) {
        std::unique_ptr<TThread> t = std::make_unique<FnThread>([] {});
        bool done = false;
        t->OnTerminate = [&] {
            t.reset();
            done = true;
        };
        t->Resume();
        ASSERT_TRUE(PumpUntil([&] { return done; }));
        EXPECT_EQ(t, nullptr);
    }
}

TEST(Thread, FreedBeforeItsNotificationNeverGetsIt) {
    bool notified = false;
    auto t = std::make_unique<FnThread>([] {});
    t->OnTerminate = [&] { notified = true; };
    t->Resume();
    t->WaitFor();
    t.reset();
    Application.ProcessMessages();
    EXPECT_FALSE(notified);
}

TEST(Thread, ExceptionIsKeptAndTheEndStillComes) {
    FnThread t([] { throw Exception("inside"); });
    bool notified = false;
    t.OnTerminate = [&] { notified = true; };
    t.Resume();
    ASSERT_TRUE(PumpUntil([&] { return notified; }));
    ASSERT_TRUE(t.FatalException);
    try {
        std::rethrow_exception(t.FatalException);
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "inside");
    }
}

TEST(Thread, NeverStartedIsFreedCleanly) {
    bool ran = false;
    { FnThread t([&] { ran = true; }); }
    EXPECT_FALSE(ran);
}

TEST(MainThreadQueue, ClosuresRunInTheOrderPosted) {
    std::vector<int> seen;
    std::thread a([&] {
        for (int i = 0; i < 100; ++i) forms::PostToMainThread([&seen, i] { seen.push_back(i); });
    });
    a.join();
    // A closure that drains again keeps the order.
    forms::PostToMainThread([&] {
        seen.push_back(100);
        forms::DrainMainThread();
    });
    forms::PostToMainThread([&] { seen.push_back(101); });
    forms::DrainMainThread();
    ASSERT_EQ(seen.size(), 102u);
    for (int i = 0; i < 102; ++i) EXPECT_EQ(seen[i], i);
}

// Closures that keep coming (each posts the next, as a busy channel's requests do) take turns with
// the thread's other messages: a posted message and a due timer get through before the chain
// ends, and a ProcessMessages call returns while it goes on.
int g_links = 0, g_messageAt = -1, g_timerAt = -1;

LRESULT CALLBACK Recorder(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_APP) g_messageAt = g_links;
    if (msg == WM_TIMER) {
        if (g_timerAt < 0) g_timerAt = g_links;
        KillTimer(hwnd, wp);
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

TEST(MainThreadQueue, ClosuresThatKeepComingLeaveOtherMessagesTheirTurn) {
    forms::PrepareMainThread();
    WNDCLASSA wc{};
    wc.lpfnWndProc = Recorder;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "MainThreadQueueRecorder";
    RegisterClassA(&wc);
    HWND w = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    ASSERT_TRUE(w);
    constexpr int kLinks = 5000;
    std::function<void()> link = [&] {
        if (++g_links < kLinks) forms::PostToMainThread(link);
    };
    SetTimer(w, 1, 1, nullptr);
    Sleep(50);  // the timer is due
    forms::PostToMainThread(link);
    PostMessageA(w, WM_APP, 0, 0);
    Application.ProcessMessages();
    EXPECT_LT(g_links, kLinks) << "one ProcessMessages ran the whole chain";
    ASSERT_TRUE(PumpUntil([&] { return g_links >= kLinks; }, 30000));
    EXPECT_GE(g_messageAt, 0);
    EXPECT_LT(g_messageAt, kLinks) << "the posted message waited for the chain";
    EXPECT_GE(g_timerAt, 0);
    EXPECT_LT(g_timerAt, kLinks) << "the timer waited for the chain";
    DestroyWindow(w);
}

}  // namespace
