// Requests from a client process of its own through the named mapping and events, against a
// model set over a recording fake.
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "Tarvel/host/transfer.h"
#include "channel_end.h"
#include "channel_fixture.h"
#include "client_process.h"
#include "forms/main_thread.h"

namespace {

using RoundTrip = ChannelFixture;

// An INT answer line as the client prints it.
std::string IntLine(float v) {
    unsigned bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    char text[80];
    std::snprintf(text, sizeof text, "result=%.9g bits=%08x marker=121212\n", v, bits);
    return text;
}

TEST_F(RoundTrip, WordIdsForKnownUnknownLongestAndUnterminatedWords) {
    ASSERT_TRUE(set->StartIsUnknown());
    EXPECT_EQ(RunClient("char labas").output, "result=17 marker=121212\n");
    EXPECT_EQ(RunClient("char nieko").output, "result=0 marker=121212\n");
    EXPECT_EQ(RunClient("char " + std::string(99, 'b')).output, "result=99 marker=121212\n");
    // 100 bytes without a NUL: answered 0, and nothing beyond the field reaches a model.
    const ClientRun full = RunClient("char @full");
    EXPECT_EQ(full.code, 0);
    EXPECT_EQ(full.output, "result=0 marker=121212\n");
    ASSERT_TRUE(set->StopIsUnknown());
    for (const auto& c : calls.calls) EXPECT_NE(c.rfind("K.GetWordId(a", 0), 0u) << c;
    EXPECT_NE(std::find(calls.calls.begin(), calls.calls.end(),
                        "K.GetWordId(" + std::string(99, 'b') + ")"),
              calls.calls.end());
}

TEST_F(RoundTrip, ProbabilitiesForEveryCountOfIds) {
    const float three = set->ProbabilityId(1, 2, 3);
    const float four = set->ProbabilityId4(1, 2, 3, 4);
    const float other = set->ProbabilityId(5, 6, 7);
    ASSERT_NE(three, four);
    ASSERT_TRUE(set->StartProbabilityId());
    form.Clear();
    // One and two ids still pass all three.
    EXPECT_EQ(RunClient("int 1 1 2 3 9").output, IntLine(three));
    EXPECT_EQ(RunClient("int 2 5 6 7 9").output, IntLine(other));
    EXPECT_EQ(RunClient("int 3 5 6 7 9").output, IntLine(other));
    EXPECT_EQ(RunClient("int 3 1 2 3 9").output, IntLine(three));
    EXPECT_EQ(RunClient("int 4 1 2 3 4").output, IntLine(four));
    // Refused: the previous result stays, the request is still marked and completed.
    const ClientRun zero = RunClient("int 0 5 6 7 9");
    EXPECT_EQ(zero.code, 0);
    EXPECT_EQ(zero.output, IntLine(four));
    EXPECT_EQ(RunClient("int 5 5 6 7 9").output, IntLine(four));
    EXPECT_EQ(RunClient("int -1 5 6 7 9").output, IntLine(four));
    EXPECT_EQ(form.Lines(), std::vector<std::string>(3, "Can not calc probability - only N <= 4 are supported"));
}

TEST_F(RoundTrip, ManyRequestsInARow) {
    ASSERT_TRUE(set->StartIsUnknown());
    ASSERT_TRUE(set->StartProbabilityId());
    const float three = set->ProbabilityId(1, 2, 3);
    const int before = TTarvelAccess::Calls(*set);
    ClientProcess chars("char-repeat 400 labas");
    ClientProcess ints("int-repeat 400 3 1 2 3 0");
    EXPECT_EQ(chars.Finish(), 0);
    EXPECT_EQ(ints.Finish(), 0);
    EXPECT_EQ(chars.Rest(), "open\nok=400\nresult=17 marker=121212\n");
    EXPECT_EQ(ints.Rest(), "open\nok=400\n" + IntLine(three));
    EXPECT_EQ(TTarvelAccess::Calls(*set), before + 400);  // each counts as a query of the set
}

TEST_F(RoundTrip, AStopWhileAClientIsAboutToAskLeavesItToItsTimeout) {
    ASSERT_TRUE(set->StartProbabilityId());
    ClientProcess client("hold-int 1500 2000");
    ASSERT_EQ(client.ReadLine(), "open");
    EXPECT_TRUE(set->StopProbabilityId());
    EXPECT_EQ(client.Finish(), 2);
    EXPECT_EQ(client.Rest(), "timeout\n");
}

// Answered in place, a request is read once: a client that rewrites its word while the models are
// asked (here as the first model answers) changes nothing of the word the next model is asked.
TEST_F(RoundTrip, AWordRewrittenWhileItIsAnsweredInPlaceIsAskedAsItCame) {
    auto other = com::com_ptr<fakes::FakeKN1>::attach(new fakes::FakeKN1(calls, "L"));
    TTarvelAccess::Add(*set, TLMWrap::KN1, 1.0f).kn1 = com::com_ptr<IKN1>(other.get());
    other->script.Answer("GetWordId(rytas)", 9);
    ASSERT_TRUE(set->StartIsUnknown());
    chantest::Channel<CharTransfer> view(kCharChannelName);
    ASSERT_TRUE(view.Open());
    bool offMain = false;
    calls.onCall = [&](const std::string& call) {
        if (call != "K.GetWordId(rytas)") return;
        offMain = !forms::IsMainThread();
        std::memset(view.Block().word, 'z', sizeof view.Block().word);  // no end left
    };
    // The first request goes to the main thread, which notes that the models are here.
    EXPECT_EQ(RunClient("char labas").output, "result=17 marker=121212\n");
    EXPECT_EQ(RunClient("char rytas").output, "result=9 marker=121212\n");
    calls.onCall = nullptr;
    EXPECT_TRUE(offMain) << "not answered in place";
}

// A request answered in place whose model call would ask its question there is handed to the
// main thread, which asks it again: the query counts once.
TEST_F(RoundTrip, ARequestHandedOverAfterAFailureInPlaceCountsOnce) {
    ASSERT_TRUE(set->StartProbabilityId());
    EXPECT_EQ(RunClient("int 3 1 2 3 0").code, 0);  // on the main thread: the models are here
    ASSERT_EQ(TTarvelAccess::Calls(*set), 1);
    SetEnvironmentVariableA("TARVEL_HRCHECK", nullptr);
    engine::SetDebugAnswer(engine::DebugAnswer::Ask);
    // The first attempt fails (its question is deferred), the main thread's succeeds.
    kn1->script.Fail("ProbabilityI(5,6,7)", E_FAIL);
    int attempts = 0;
    bool firstOffMain = false;
    calls.onCall = [&](const std::string& call) {
        if (call != "K.ProbabilityI(5,6,7)") return;
        if (++attempts == 1) firstOffMain = !forms::IsMainThread();
        if (attempts == 2) kn1->script.Fail("ProbabilityI(5,6,7)", S_OK);
    };
    const ClientRun run = RunClient("int 3 5 6 7 0");
    calls.onCall = nullptr;
    engine::SetDebugAnswer(engine::DebugAnswer::No);
    EXPECT_NE(run.output.find("marker=121212"), std::string::npos) << run.output;
    EXPECT_EQ(attempts, 2);
    EXPECT_TRUE(firstOffMain);
    EXPECT_EQ(TTarvelAccess::Calls(*set), 2);
}

// A failure anywhere in an answer in place, its log line's included, still completes the request,
// and the channel goes on serving.
TEST_F(RoundTrip, ARequestWhoseLogLineFailsInPlaceIsCompleted) {
    ASSERT_TRUE(set->StartProbabilityId());
    EXPECT_EQ(RunClient("int 3 1 2 3 0").code, 0);  // on the main thread: the models are here
    form.onLog = [](const std::string&) { throw std::runtime_error("log failed"); };
    const ClientRun refused = RunClient("int 7 1 2 3 0 3000");
    form.onLog = nullptr;
    EXPECT_EQ(refused.code, 0) << refused.output;
    EXPECT_NE(refused.output.find("marker=121212"), std::string::npos) << refused.output;
    EXPECT_EQ(RunClient("int 3 1 2 3 0 3000").code, 0);
}

}  // namespace
