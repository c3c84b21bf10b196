// The set's guard: channel threads, COM calls and reloads never meet inside the set, and calls
// that re-enter on the thread that holds it neither deadlock nor rebuild the set under it.
#include <atomic>
#include <cmath>
#include <thread>

#include "Tarvel/shell/utils.h"
#include "load_fixture.h"
#include "recording_form.h"

namespace {

using A = TTarvelAccess;
using ConcurrencyTest = SetFixture;

TEST_F(ConcurrencyTest, IdQueriesOnThreadsWhileTheMainThreadQueriesAndReloads) {
    kn->script.Answer("ProbabilityI", 0.1);
    kn->script.Answer("Probability", 0.01);
    kn->script.Answer("GetWordId", 7);
    const std::string full = "type = 0\nlamdaDinamic = 0\n";
    const std::string half = "type = 0\nlamdaDinamic = 0\nlamda = 0.5\n";
    ASSERT_TRUE(Load(full));

    const float byId = static_cast<float>(Log10Prob(0.1f));
    const float textFull = static_cast<float>(Log10Prob(0.01f));
    const float textHalf = static_cast<float>(Log10Prob(0.5f * 0.01f));
    constexpr int threads = 4, perThread = 3000, reloads = 60;
    std::atomic<int> wrong{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            for (int i = 0; i < perThread; ++i) {
                if (set.ProbabilityId(1, 2, t) != byId) ++wrong;
                if (set.ProbabilityId4(1, 2, 3, t) != LogZeroProb) ++wrong;
                if (set.IsUnknown("w") != 7) ++wrong;
            }
        });
    }
    int textQueries = 0;
    for (int r = 0; r < reloads; ++r) {
        ASSERT_TRUE(Load(r % 2 ? full : half));
        for (int i = 0; i < 20; ++i, ++textQueries) {
            const float v = set.Probability("a", "b", "c");
            if (v != (r % 2 ? textFull : textHalf)) ++wrong;
        }
    }
    for (auto& w : workers) w.join();
    EXPECT_EQ(wrong.load(), 0);
    // Every counted query got its own number: none lost, none twice.
    EXPECT_EQ(A::Calls(set), threads * perThread * 2 + textQueries);
}

TEST(NestedCalls, ALoadInsideALoadIsRefusedAndQueriesDoNotDeadlock) {
    engine::SetDebugAnswer(engine::DebugAnswer::No);
    TempDir dir;
    RecordingForm form;
    form.programFile = dir.Write("t.set", "type = 15\n");
    TTarvel set;
    bool nestedLoad = true, nestedLoaded = true;
    float nestedProbability = 0;
    std::string nestedInfo;
    bool once = false;
    form.onLog = [&](const std::string& line) {
        if (line != "Initializing" || once) return;
        once = true;
        nestedLoad = set.Load(form.programFile);
        nestedLoaded = set.IsLoaded();
        nestedProbability = set.Probability("a", "b", "c");
        nestedInfo = set.GetInfo();
    };
    EXPECT_TRUE(set.Load(form.programFile));
    EXPECT_FALSE(nestedLoad);
    EXPECT_FALSE(nestedLoaded);
    EXPECT_EQ(nestedProbability, LogZeroProb);
    EXPECT_EQ(nestedInfo, "Not loaded");
    const auto lines = form.Lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[1], "ERROR: Load refused: a load is running");
    EXPECT_TRUE(set.IsLoaded());
    engine::SetDebugAnswer(engine::DebugAnswer::Ask);
}

// A query let in by a load's log lines answers "not loaded", never a value of the half-built
// set: on a first load after an unload the word history has no room yet, so the word would be
// lost and the models asked about "" (which these models, like a real one's <unk>, answer).
TEST_F(ConcurrencyTest, QueriesInsideALoadAnswerNotLoaded) {
    struct Case {
        int type;
        const char* settings;
    };
    const Case cases[] = {{0, "type = 0\n"}, {1, "type = 1\n"}, {2, "type = 2\n"}, {8, "type = 8\n"}};
    kn->script.Answer("Probability(,,)", 0.1);
    kn->script.Answer("Probability(,,c)", 0.5);
    kn1->script.Answer("Probability(,,)", 0.1);
    kn1->script.Answer("Probability(,,c)", 0.5);
    cmu->script.Answer("Probability(,,)", 0.1);
    cmu->script.Answer("Probability(,,c)", 0.5);
    const float known = static_cast<float>(Log10Prob(0.5f));
    for (const Case& c : cases) {
        RecordingForm window;
        window.programFile = dir.Write("nested.set", c.settings);
        TTarvel fresh;  // what an unload leaves
        std::vector<float> nested;
        window.onLog = [&](const std::string&) {
            nested.push_back(fresh.GetProbW("c", 3));
            fresh.StartCalcCache();
            fresh.ClearCalcCache();
        };
        ASSERT_TRUE(fresh.Load(window.programFile)) << "type " << c.type;
        window.onLog = nullptr;
        ASSERT_FALSE(nested.empty());
        for (float v : nested) EXPECT_EQ(v, LogZeroProb) << "type " << c.type;
        EXPECT_FLOAT_EQ(fresh.GetProbW("c", 3), known) << "type " << c.type;
    }
}

// A Load let in by another operation's log line is carried out; the operation it interrupted
// answers its neutral value instead of going on with models that are gone.
TEST_F(ConcurrencyTest, ALoadInsideAQueryLoads) {
    kn->script.Answer("Probability(,,c)", 0.5);
    RecordingForm window;
    window.programFile = dir.Write("nested.set", "type = 0\n");
    ASSERT_TRUE(set.Load(window.programFile));
    set.InfoOn(1);
    bool nestedLoad = false, once = false;
    window.onLog = [&](const std::string& line) {
        if (once || line.rfind("AddHistory(", 0) != 0) return;
        once = true;
        nestedLoad = set.Load(window.programFile);
    };
    EXPECT_FALSE(set.AddHistory("w", 0));
    EXPECT_TRUE(nestedLoad);
    EXPECT_TRUE(set.IsLoaded());
    for (const std::string& line : window.Lines()) EXPECT_EQ(line.find("refused"), std::string::npos) << line;
    EXPECT_FLOAT_EQ(set.GetProbW("c", 3), static_cast<float>(Log10Prob(0.5f)));
}

TEST(NestedCalls, DestructionWaitsForARunningQuery) {
    engine::SetDebugAnswer(engine::DebugAnswer::No);
    RecordingForm form;
    auto set = std::make_unique<TTarvel>();
    std::atomic<bool> inside{false}, release{false};
    std::atomic<int> logged{0};
    // A query that logs (a failed analysis) holds the guard while the window's Log runs.
    A::SetType(*set, 7);
    A::Add(*set, 0, 1.0f);
    form.onLog = [&](const std::string&) {
        ++logged;
        inside = true;
        while (!release) std::this_thread::yield();
    };
    std::thread query([&] { set->IsUnknown("w"); });
    while (!inside) std::this_thread::yield();
    std::atomic<bool> destroyed{false};
    std::thread unload([&] {
        set.reset();
        destroyed = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(destroyed.load());
    release = true;
    query.join();
    unload.join();
    EXPECT_TRUE(destroyed.load());
    EXPECT_EQ(logged.load(), 1);
    engine::SetDebugAnswer(engine::DebugAnswer::Ask);
}

}  // namespace
