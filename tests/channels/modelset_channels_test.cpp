// The model set's channel operations: counted starts and stops with their log lines, a mapping
// that exists already, and teardown while requests are in flight.
#include <atomic>
#include <thread>

#include "Tarvel/host/fastchan.h"
#include "Tarvel/host/transfer.h"
#include "channel_fixture.h"
#include "client_process.h"
#include "forms/main_thread.h"

namespace {

using ChannelOps = ChannelFixture;

TEST_F(ChannelOps, StartsAreCountedAndTheLastStopReleasesTheObjects) {
    EXPECT_TRUE(set->StartIsUnknown());
    EXPECT_TRUE(Logged("Initialized fast CHAR communication(0)"));
    TChannelServer* server = set->CharChannel();
    ASSERT_NE(server, nullptr);
    EXPECT_TRUE(set->StartIsUnknown());
    EXPECT_TRUE(Logged("Initialized fast CHAR communication(1)"));
    EXPECT_EQ(set->CharChannel(), server);  // nothing new

    EXPECT_TRUE(set->StopIsUnknown());
    EXPECT_TRUE(Logged("Stopped fast CHAR communication(1)"));
    EXPECT_TRUE(Exists("TTarvel_Char_mem"));
    EXPECT_EQ(RunClient("char labas").output, "result=17 marker=121212\n");  // still serving

    EXPECT_TRUE(set->StopIsUnknown());
    EXPECT_TRUE(Logged("Stopped fast CHAR communication(0)"));
    EXPECT_EQ(set->CharChannel(), nullptr);
    EXPECT_FALSE(Exists("TTarvel_Char_mem"));
    EXPECT_EQ(RunClient("char labas").code, 3);

    form.Clear();
    EXPECT_TRUE(set->StartIsUnknown());
    EXPECT_EQ(form.Lines(), std::vector<std::string>{"Initialized fast CHAR communication(0)"});
}

// The last stop logs its line before the teardown, which lets other calls in while the waiting
// thread ends; a start among them finishes that teardown and gets a new channel.
TEST_F(ChannelOps, TheLastStopLogsFirstAndAStartMeanwhileGetsANewChannel) {
    ASSERT_TRUE(set->StartIsUnknown());
    bool mappedAtStopLine = false, restarted = false;
    form.onLog = [&](const std::string& line) {
        if (line != "Stopped fast CHAR communication(0)") return;
        mappedAtStopLine = Exists("TTarvel_Char_mem");
        restarted = set->StartIsUnknown();
    };
    EXPECT_TRUE(set->StopIsUnknown());
    form.onLog = nullptr;
    EXPECT_TRUE(mappedAtStopLine);
    EXPECT_TRUE(restarted);
    EXPECT_EQ(RunClient("char labas").output, "result=17 marker=121212\n");
}

TEST_F(ChannelOps, TheIntChannelCountsOnItsOwn) {
    EXPECT_TRUE(set->StartProbabilityId());
    EXPECT_TRUE(set->StartIsUnknown());
    EXPECT_TRUE(set->StartProbabilityId());
    EXPECT_TRUE(set->StopProbabilityId());
    EXPECT_TRUE(set->StopProbabilityId());
    EXPECT_EQ(form.Lines(), (std::vector<std::string>{
                                "Initialized fast INT communication(0)",
                                "Initialized fast CHAR communication(0)",
                                "Initialized fast INT communication(1)",
                                "Stopped fast INT communication(1)",
                                "Stopped fast INT communication(0)"}));
    EXPECT_EQ(set->IntChannel(), nullptr);
    EXPECT_NE(set->CharChannel(), nullptr);
}

TEST_F(ChannelOps, AStopWithoutAStartDoesNothing) {
    EXPECT_TRUE(set->StopIsUnknown());
    EXPECT_TRUE(set->StopProbabilityId());
    EXPECT_TRUE(form.Lines().empty());
}

TEST_F(ChannelOps, AMappingMadeByAClientFirstFailsTheStart) {
    com::unique_handle foreign(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                                  28, "TTarvel_Int_mem"));
    EXPECT_FALSE(set->StartProbabilityId());
    EXPECT_EQ(form.Lines(), std::vector<std::string>{"ERROR: Can not initialize fast INT communication"});
    EXPECT_NE(set->IntChannel(), nullptr);  // kept, not running
    EXPECT_FALSE(set->StartProbabilityId());
    EXPECT_TRUE(set->StopProbabilityId());
    EXPECT_TRUE(Logged("Stopped fast INT communication(-1)"));
    EXPECT_EQ(set->IntChannel(), nullptr);
}

TEST_F(ChannelOps, AStartAfterTheOtherOwnerLetGoSucceeds) {
    com::unique_handle foreign(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                                  108, "TTarvel_Char_mem"));
    EXPECT_FALSE(set->StartIsUnknown());
    foreign.reset();
    EXPECT_TRUE(set->StartIsUnknown());
    EXPECT_TRUE(Logged("Initialized fast CHAR communication(0)"));
    EXPECT_EQ(RunClient("char labas").output, "result=17 marker=121212\n");
}

TEST_F(ChannelOps, AnEventNameHeldByAnotherObjectFailsTheStart) {
    com::unique_handle squatter(CreateMutexA(nullptr, FALSE, "TTarvel_Char_done"));
    EXPECT_FALSE(set->StartIsUnknown());
    EXPECT_TRUE(Logged("ERROR: Can not initialize fast CHAR communication"));
    EXPECT_FALSE(Exists("TTarvel_Char_mem"));
}

TEST_F(ChannelOps, DestroyingTheSetTearsDownBothRunningChannelsWithoutStopLines) {
    ASSERT_TRUE(set->StartIsUnknown());
    ASSERT_TRUE(set->StartProbabilityId());
    ClientProcess charClient("char-repeat 100000 labas");
    ClientProcess intClient("int-repeat 100000 3 1 2 3 0");
    ASSERT_EQ(charClient.ReadLine(), "open");  // both channels busy
    ASSERT_EQ(intClient.ReadLine(), "open");
    Sleep(100);
    std::thread unload([&] { set.reset(); });
    unload.join();
    forms::DrainMainThread();
    // The clients find their server gone: their next wait times out.
    EXPECT_EQ(charClient.Finish(), 2);
    EXPECT_EQ(intClient.Finish(), 2);
    EXPECT_FALSE(Exists("TTarvel_Char_mem"));
    EXPECT_FALSE(Exists("TTarvel_Int_mem"));
    for (const auto& line : form.Lines()) EXPECT_EQ(line.find("Stopped"), std::string::npos);
}

// A stop that arrives inside an operation holding the set (a log line lets calls in) must not
// wait for a request that is itself waiting for that operation.
TEST_F(ChannelOps, AStopInsideAnOperationAbandonsTheWaitingRequest) {
    ASSERT_TRUE(set->StartProbabilityId());
    bool stopped = false;
    std::string clientOut;
    int clientCode = -1;
    form.onLog = [&](const std::string& line) {
        if (line != "Initialized fast CHAR communication(0)") return;
        ClientProcess client("int 3 1 2 3 0 4000");
        Sleep(500);  // the request now waits for the set
        stopped = set->StopProbabilityId();
        clientCode = client.Finish();
        clientOut = client.Rest();
    };
    EXPECT_TRUE(set->StartIsUnknown());
    EXPECT_TRUE(stopped);
    EXPECT_EQ(clientCode, 0);  // signalled, but not handled
    EXPECT_NE(clientOut.find("marker=0"), std::string::npos) << clientOut;
}

// A halt that comes while another thread holds the set cannot reach the servers, which go on
// running; from then on the set answers no request all the same.
TEST_F(ChannelOps, AfterAHaltWhileTheSetIsBusyNoRequestIsAnswered) {
    ASSERT_TRUE(set->StartIsUnknown());
    EXPECT_EQ(RunClient("char labas").output, "result=17 marker=121212\n");  // the models are here
    set->InfoOn(1);
    std::atomic<bool> inside{false}, release{false};
    form.onLog = [&](const std::string& line) {
        if (line != "AddHistory(w)") return;
        inside = true;
        while (!release) Sleep(1);
    };
    std::thread busy([&] { set->AddHistory("w", 0); });
    while (!inside) Sleep(1);
    set->HaltChannels();
    release = true;
    busy.join();
    form.onLog = nullptr;
    const ClientRun after = RunClient("char labas 3000");
    EXPECT_EQ(after.code, 0);  // completed, unanswered
    EXPECT_NE(after.output.find("marker=0"), std::string::npos) << after.output;
}

}  // namespace
