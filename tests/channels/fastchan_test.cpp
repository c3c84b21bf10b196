// A channel server on its own: its waiting thread has each signalled request answered on the main
// thread, survives a failing handler, and the server can be torn down inside a handler and on
// any thread without waiting for the main thread.
#include <windows.h>

#include <atomic>
#include <functional>
#include <utility>
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

#include "Tarvel/host/fastchan.h"
#include "Tarvel/host/transfer.h"
#include "client_process.h"
#include "com/handle.h"
#include "forms/main_thread.h"

namespace {

using Server = ConnA_Server<IntTransfer>;

struct Calls {
    std::atomic<int> count{0};
    std::atomic<int> offMain{0};
    std::atomic<bool> fail{false};
    std::function<void()> inside;  // runs inside the next request
};

// Doubles id1 into result; throws when asked to.
void Handler(void* data, IntTransfer& request) {
    auto* calls = static_cast<Calls*>(data);
    ++calls->count;
    if (!forms::IsMainThread()) ++calls->offMain;
    if (auto inside = std::exchange(calls->inside, nullptr)) inside();
    if (calls->fail) throw std::runtime_error("failed request");
    request.marker = kHandledMarker;
    request.result = static_cast<float>(request.id1 * 2);
}

// The client's end of a channel, opened by name.
struct Client {
    explicit Client(const std::string& base)
        : exec(OpenEventA(EVENT_MODIFY_STATE, FALSE, (base + "_exec").c_str())),
          done(OpenEventA(SYNCHRONIZE, FALSE, (base + "_done").c_str())) {}
    bool Send(DWORD timeoutMs = 5000) {
        SetEvent(exec.get());
        return WaitServing(done.get(), timeoutMs);
    }
    com::unique_handle exec, done;
};

std::unique_ptr<Server> Running(const char* base, Calls& calls) {
    auto s = std::make_unique<Server>();
    s->callback = &Handler;
    s->userData = &calls;
    EXPECT_TRUE(s->Create(base));
    EXPECT_TRUE(s->Start());
    return s;
}

TEST(ChannelServer, AnswersEachSignalAndKeepsServingAfterAFailingRequest) {
    Calls calls;
    auto s = Running("ServerTest_A", calls);
    Client c("ServerTest_A");
    s->Block()->id1 = 21;
    ASSERT_TRUE(c.Send());
    EXPECT_EQ(s->Block()->result, 42.0f);
    calls.fail = true;
    EXPECT_TRUE(c.Send());  // completion is signalled whatever the outcome
    calls.fail = false;
    s->Block()->id1 = 5;
    ASSERT_TRUE(c.Send());
    EXPECT_EQ(s->Block()->result, 10.0f);
    EXPECT_EQ(calls.count.load(), 3);
    EXPECT_EQ(calls.offMain.load(), 0);
}

// The main thread answers a request and, inside it, tears the channel down (a client's stop let
// in by a question box): the waiting thread must not wait for that answer.
TEST(ChannelServer, ATeardownInsideTheAnswerEndsTheChannel) {
    Calls calls;
    auto s = Running("ServerTest_E", calls);
    Client c("ServerTest_E");
    s->Block()->marker = 0;
    calls.inside = [&] { s.reset(); };
    EXPECT_TRUE(c.Send());
    EXPECT_EQ(s, nullptr);
    com::unique_handle m(OpenFileMappingA(FILE_MAP_READ, FALSE, "ServerTest_E_mem"));
    EXPECT_FALSE(m.valid());
}

// What the server's seam runs on the main thread once an answer is published.
std::function<void()> afterAnswer;
void AfterAnswer() {
    if (auto f = std::exchange(afterAnswer, nullptr)) f();
}

// A teardown on another thread (the unload job's) that comes right after the main thread has
// published its answer: the client still gets its one completion, and no event that took over a
// closed handle's number is signalled.
TEST(ChannelServer, ATeardownRightAfterAnAnswerStillCompletesItOnce) {
    Calls calls;
    auto s = Running("ServerTest_F", calls);
    Client c("ServerTest_F");
    com::unique_handle others[3];
    afterAnswer = [&] {
        std::thread([&] { s.reset(); }).join();
        for (auto& other : others) other.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    };
    Server::afterAnswer = &AfterAnswer;
    const bool completed = c.Send();
    Server::afterAnswer = nullptr;
    ASSERT_EQ(s, nullptr) << "the seam was not reached";
    EXPECT_TRUE(completed);
    EXPECT_EQ(WaitForSingleObject(c.done.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "signalled twice";
    for (auto& other : others) EXPECT_EQ(WaitForSingleObject(other.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    forms::DrainMainThread();  // the thread object's release
}

TEST(ChannelServer, CountsStartsAndRunsUntilAsManyStops) {
    Calls calls;
    auto s = Running("ServerTest_B", calls);
    EXPECT_TRUE(s->Start());
    EXPECT_EQ(s->startCount, 2);
    EXPECT_TRUE(s->Stop());
    EXPECT_TRUE(s->IsRunning());
    Client c("ServerTest_B");
    EXPECT_TRUE(c.Send());
    EXPECT_TRUE(s->Stop());
    EXPECT_FALSE(s->IsRunning());
    EXPECT_EQ(s->startCount, 0);
    // A start after the thread left its loop serves again with a new thread.
    Sleep(1200);
    EXPECT_TRUE(s->Start());
    EXPECT_TRUE(c.Send(3000));
    EXPECT_EQ(calls.count.load(), 2);
}

TEST(ChannelServer, DestructionEndsTheThreadAndReleasesTheObjects) {
    Calls calls;
    auto s = Running("ServerTest_C", calls);
    s.reset();
    com::unique_handle m(OpenFileMappingA(FILE_MAP_READ, FALSE, "ServerTest_C_mem"));
    EXPECT_FALSE(m.valid());
}

TEST(ChannelServer, DestructionOnAnotherThreadNeedsNoMainThread) {
    Calls calls;
    auto s = Running("ServerTest_D", calls);
    Client c("ServerTest_D");
    std::atomic<bool> stop{false};
    std::thread client([&] {
        while (!stop) {
            SetEvent(c.exec.get());
            WaitForSingleObject(c.done.get(), 200);
        }
    });
    for (DWORD start = GetTickCount(); calls.count == 0 && GetTickCount() - start < 5000; Sleep(1))
        Application.ProcessMessages();
    // The main thread is busy here (joining), so nothing it would deliver can run meanwhile.
    std::thread unload([&] { s.reset(); });
    unload.join();
    stop = true;
    client.join();
    EXPECT_GT(calls.count.load(), 0);
    forms::DrainMainThread();  // the end notification, then the thread object's release
    EXPECT_EQ(s, nullptr);
}

}  // namespace
