// The similar-word engine against a recording stand-in of the language-model server.
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>
#include "DTW/SimilarWordEngine.h"
#include "fake_creator.h"
#include "fake_lm.h"
#include "temp_component.h"

using fakes::CallLog;
using fakes::FakeLM;

namespace {

const char kRegistryError[] = "Can not read registry\\CLSID\\{B44C5D52-3045-452E-A4B9-488A8C8F4753}\\InprocServer32";

std::string LmName() { return fakes::ClassName(CLSID_LM); }

size_t CountCalls(const CallLog& log, const std::string& prefix) {
    return static_cast<size_t>(std::count_if(log.calls.begin(), log.calls.end(), [&](const std::string& c) {
        return c.compare(0, prefix.size(), prefix) == 0;
    }));
}

// An engine over a given vocabulary, with the server replaced by a fake that answers "loaded".
class EngineTest : public ::testing::Test {
protected:
    void Start(const std::string& words) {
        component = std::make_unique<TempComponent>(words);
        engine = std::make_unique<SimilarWordEngine>(component->reader());
        ASSERT_TRUE(engine->Init()) << engine->LastError();
    }

    CallLog log;
    com::com_ptr<FakeLM> lm = fakes::Make<FakeLM>(log);
    fakes::FakeCreator creator{log};
    fakes::ScopedCreator scopedCreator{creator};
    fakes::ScopedDebugAnswer debugAnswer{engine::DebugAnswer::No};
    std::unique_ptr<TempComponent> component;
    std::unique_ptr<SimilarWordEngine> engine;

    void SetUp() override {
        creator.Provide(CLSID_LM, lm.get());
        lm->script.Answer("IsLoaded", 1);
    }
};

TEST(EngineFresh, AnswersNeutrallyBeforeInit) {
    SimilarWordEngine e([](std::string&) { return false; });
    EXPECT_FALSE(e.IsLoaded());
    EXPECT_EQ(0, e.Analyze("namas"));
    EXPECT_EQ("", e.GetNearest(0));
    EXPECT_EQ(-1.0, e.GetNearestValue(0));
    EXPECT_EQ(0, e.InVocabulary("namas"));
    EXPECT_EQ("", e.LastError());
    EXPECT_EQ(6, e.GetMaxValue());
    EXPECT_EQ(0.01, e.GetWeight());
    EXPECT_EQ(0, e.CheckContext("a", "b"));
    EXPECT_EQ("No answer", e.LastError());
    EXPECT_EQ("", e.GetBest(0));
    EXPECT_EQ(-1.0, e.GetBestValue(0));
    EXPECT_EQ(1, e.UnLoadLM());
}

TEST(EngineInit, RegistryThenVocabularyThenOnlyOnce) {
    TempComponent component("namas\n");
    bool registered = false;
    SimilarWordEngine e([&](std::string& path) {
        path = component.folder() + "\\Pevra.dll";
        return registered;
    });
    EXPECT_FALSE(e.Init());
    EXPECT_EQ(kRegistryError, e.LastError());

    // A failed Init may be repeated.
    registered = true;
    EXPECT_TRUE(e.Init());
    EXPECT_TRUE(e.IsLoaded());
    EXPECT_EQ(component.folder(), e.Folder());
    EXPECT_EQ(1, e.InVocabulary("namas"));

    EXPECT_FALSE(e.Init());
    EXPECT_EQ("Already initialized", e.LastError());
    EXPECT_TRUE(e.IsLoaded());
}

TEST(EngineInit, MissingVocabularyNamesThePath) {
    SimilarWordEngine e([](std::string& path) {
        path = "C:\\no such folder\\Pevra.dll";
        return true;
    });
    EXPECT_FALSE(e.Init());
    EXPECT_EQ("Can read vocab from C:\\no such folder\\data\\zodynas.voc", e.LastError());
    EXPECT_FALSE(e.IsLoaded());
    EXPECT_EQ(0, e.Analyze("namas"));
}

TEST_F(EngineTest, QueryIsTrimmedAndLowerCasedInTheBalticCodePage) {
    // The file's words stay as written; only the query is lower-cased.
    Start("namas\n\xE0\xFEuolas\nKelias\n");
    ASSERT_EQ(1, engine->Analyze(" \t NaMaS\r\n"));
    EXPECT_EQ("namas", engine->GetNearest(0));
    EXPECT_EQ(0.0, engine->GetNearestValue(0));

    ASSERT_EQ(1, engine->Analyze("\xC0\xDEUOLAS"));  // capital A-ogonek, Z-caron
    EXPECT_EQ("\xE0\xFEuolas", engine->GetNearest(0));
    EXPECT_EQ(0.0, engine->GetNearestValue(0));

    EXPECT_EQ(1, engine->InVocabulary(" \xC0\xDEuolas "));
    EXPECT_EQ(0, engine->InVocabulary("Kelias"));  // looked up as kelias
    EXPECT_EQ(0, engine->InVocabulary("<UNK>"));
    EXPECT_EQ(0, engine->InVocabulary("nam"));
}

TEST_F(EngineTest, NearestListCoversTheWholeVocabularyNearestFirst) {
    Start("kelias\nnamams\nnamai\nnamas\n");
    ASSERT_EQ(1, engine->Analyze("namas"));
    EXPECT_EQ(3, engine->CandidateCount());
    EXPECT_EQ("namas", engine->GetNearest(0));
    EXPECT_EQ("namai", engine->GetNearest(1));
    EXPECT_DOUBLE_EQ(2.0, engine->GetNearestValue(1));
    EXPECT_EQ("namams", engine->GetNearest(2));
    EXPECT_DOUBLE_EQ(2.1, engine->GetNearestValue(2));
    // Beyond the candidates: the abandoned words, "<UNK>" among them.
    EXPECT_EQ(1000.0, engine->GetNearestValue(3));
    EXPECT_EQ(1000.0, engine->GetNearestValue(4));
    std::set<std::string> rest{engine->GetNearest(3), engine->GetNearest(4)};
    EXPECT_EQ((std::set<std::string>{"<UNK>", "kelias"}), rest);
    // Outside the list.
    EXPECT_EQ("", engine->GetNearest(5));
    EXPECT_EQ(-1.0, engine->GetNearestValue(5));
    EXPECT_EQ("", engine->GetNearest(-1));
    EXPECT_EQ(-1.0, engine->GetNearestValue(-1));
}

TEST_F(EngineTest, CandidatesFollowTheDistanceAbandon) {
    Start("namas\nkalias\nab\n");
    engine->Analyze("nemos");  // two substitutions, but a whole diagonal lies above 6
    EXPECT_EQ(0, engine->CandidateCount());
    engine->Analyze("kelias");
    EXPECT_EQ(1, engine->CandidateCount());
    EXPECT_EQ("kalias", engine->GetNearest(0));

    engine->SetMaxValue(2);
    engine->Analyze("ab");  // an exact match measures 1000 under a threshold of 2
    EXPECT_EQ(0, engine->CandidateCount());
    engine->SetMaxValue(3);
    engine->Analyze("ab");
    EXPECT_EQ(1, engine->CandidateCount());
}

TEST_F(EngineTest, UnknownMarkerIsACandidateOnlyFromThreshold9) {
    Start("namas\n");
    engine->SetMaxValue(8);
    engine->Analyze("<unk>");
    EXPECT_EQ(0, engine->CandidateCount());
    engine->SetMaxValue(9);
    engine->Analyze("<unk>");
    EXPECT_EQ(1, engine->CandidateCount());
    EXPECT_EQ("<UNK>", engine->GetNearest(0));
    EXPECT_DOUBLE_EQ(6.0, engine->GetNearestValue(0));
}

TEST_F(EngineTest, SettersMakeTheSameWordMeasuredAgain) {
    Start("namas\nnamai\n");
    engine->SetMaxValue(1);
    engine->Analyze("namas");
    EXPECT_EQ(0, engine->CandidateCount());  // 5 letters: the second diagonal costs 2.1
    engine->SetMaxValue(6);
    engine->Analyze("namas");
    EXPECT_EQ(2, engine->CandidateCount());
    engine->SetWeight(0.5);
    engine->SetMaxValue(2);  // both setters clear the cache
    engine->Analyze("namas");
    EXPECT_EQ(0, engine->CandidateCount());
}

TEST_F(EngineTest, EmptyQueryIsMeasuredNotTakenForTheClearedCache) {
    Start("namas\na\n");
    // The first analysis after loading measures the empty word too.
    ASSERT_EQ(1, engine->Analyze(""));
    EXPECT_EQ(1, engine->CandidateCount());
    EXPECT_EQ("a", engine->GetNearest(0));
    EXPECT_DOUBLE_EQ(2.1, engine->GetNearestValue(0));

    engine->Analyze("namas");
    EXPECT_EQ("namas", engine->GetNearest(0));
    engine->SetWeight(0.02);  // empties the cache
    ASSERT_EQ(1, engine->Analyze("   "));
    EXPECT_EQ(1, engine->CandidateCount());
    EXPECT_EQ("a", engine->GetNearest(0));
}

TEST_F(EngineTest, AtMost200CandidatesAndTheServerIsAskedAboutThe200Nearest) {
    // 175 words one substitution away (2.0) and 175 one letter longer (2.1).
    const std::string letters = "bcdefghijklopqrtuvwxyz0123456789ABC";  // 35, none of n, a, m, s
    std::string words;
    std::set<std::string> substituted;
    for (int pos = 0; pos < 5; ++pos)
        for (char c : letters) {
            std::string w = "namas";
            w[pos] = c;
            substituted.insert(w);
            words += w + "\n";
        }
    for (char c : letters) words += "namas" + std::string(1, c) + "\n";
    for (char c : letters) words += std::string(1, c) + "namas\n";
    for (char c : letters) words += "na" + std::string(1, c) + "mas\n";
    for (char c : letters) words += "nam" + std::string(1, c) + "as\n";
    for (char c : letters) words += "nama" + std::string(1, c) + "s\n";
    Start(words);
    ASSERT_EQ(1, engine->Analyze("namas"));
    EXPECT_EQ(200, engine->CandidateCount());
    EXPECT_DOUBLE_EQ(2.1, engine->GetNearestValue(199));
    EXPECT_DOUBLE_EQ(2.1, engine->GetNearestValue(349));

    ASSERT_EQ(1, engine->CheckContext("labas", "rytas"));
    EXPECT_EQ(200u, CountCalls(log, "LM.Probability("));
    EXPECT_EQ(200u, CountCalls(log, "LM.IsUnknown("));
    for (const std::string& w : substituted)
        EXPECT_NE(log.calls.end(), std::find(log.calls.begin(), log.calls.end(), "LM.Probability(labas,rytas," + w + ")"))
            << w;
    EXPECT_NE("", engine->GetBest(199));
    EXPECT_EQ("", engine->GetBest(200));
}

// Candidates namas (0.0), namai (2.0), namams (2.1); kelias lies too far.
class ContextTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        Start("namams\nkelias\nnamai\nnamas\n");
        ASSERT_EQ(1, engine->Analyze("namas"));
        lm->script.Answer("Probability(labas,rytas,namas)", -2.0);
        lm->script.Answer("Probability(labas,rytas,namai)", -1.0);
        lm->script.Answer("Probability(labas,rytas,namams)", -3.0);
        lm->script.Answer("IsUnknown(namas)", 1);
        lm->script.Answer("IsUnknown(namai)", 1);
        lm->script.Answer("IsUnknown(namams)", 0);  // not known to the server
    }
    double Score(const std::string& word) {
        for (int i = 0; i < engine->CandidateCount(); ++i)
            if (engine->GetBest(i) == word) return engine->GetBestValue(i);
        ADD_FAILURE() << word << " not ranked";
        return -2.0;
    }
};

TEST_F(ContextTest, BindsByClassIdAndAsksAboutEachCandidateInContext) {
    ASSERT_EQ(1, engine->CheckContext("  Labas", "RYTAS \t"));
    std::vector<std::string> expected{
        "Create(" + LmName() + ",21)", "LM.IsLoaded()", "LM.IsLoaded()",
        "LM.Probability(labas,rytas,namas)", "LM.IsUnknown(namas)",
        "LM.Probability(labas,rytas,namai)", "LM.IsUnknown(namai)",
        "LM.Probability(labas,rytas,namams)", "LM.IsUnknown(namams)"};
    EXPECT_EQ(expected, log.calls);

    // Bound: the next check only asks whether the set is still loaded.
    log.Clear();
    ASSERT_EQ(1, engine->CheckContext("labas", "rytas"));
    EXPECT_EQ("LM.IsLoaded()", log.calls.front());
    EXPECT_EQ(0u, CountCalls(log, "Create("));
}

TEST_F(ContextTest, ScoresMixNormalisedProbabilityAndCloseness) {
    engine->SetWeight(0.3);
    ASSERT_EQ(1, engine->Analyze("namas"));
    ASSERT_EQ(1, engine->CheckContext("labas", "rytas"));
    const double p[] = {0.01, 0.1, 1e-14};
    const double c[] = {1 / 0.1, 1 / 2.1, 1 / 2.2};
    const double L = p[0] + p[1] + p[2], S = c[0] + c[1] + c[2];
    auto expected = [&](int i) { return p[i] / L * 0.3 + c[i] / S * 0.7; };
    EXPECT_NEAR(expected(0), Score("namas"), 1e-12);
    EXPECT_NEAR(expected(1), Score("namai"), 1e-12);
    EXPECT_NEAR(expected(2), Score("namams"), 1e-12);
    EXPECT_NEAR(1.0, engine->GetBestValue(0) + engine->GetBestValue(1) + engine->GetBestValue(2), 1e-12);
    EXPECT_GE(engine->GetBestValue(0), engine->GetBestValue(1));
    EXPECT_GE(engine->GetBestValue(1), engine->GetBestValue(2));
    EXPECT_EQ("", engine->GetBest(3));
    EXPECT_EQ(-1.0, engine->GetBestValue(3));
    EXPECT_EQ(-1.0, engine->GetBestValue(-1));
}

TEST_F(ContextTest, WeightZeroRanksByDistanceWeightOneByProbability) {
    engine->SetWeight(0.0);
    engine->Analyze("namas");
    ASSERT_EQ(1, engine->CheckContext("labas", "rytas"));
    EXPECT_EQ("namas", engine->GetBest(0));
    EXPECT_EQ("namai", engine->GetBest(1));
    EXPECT_EQ("namams", engine->GetBest(2));

    engine->SetWeight(1.0);
    engine->Analyze("namas");
    ASSERT_EQ(1, engine->CheckContext("labas", "rytas"));
    EXPECT_EQ("namai", engine->GetBest(0));
    EXPECT_EQ("namas", engine->GetBest(1));
    EXPECT_EQ("namams", engine->GetBest(2));
    EXPECT_NEAR(0.1 / (0.11 + 1e-14), engine->GetBestValue(0), 1e-12);
}

TEST_F(ContextTest, UnknownWordsShareEquallyAndOutweighAKnownZero) {
    engine->SetWeight(1.0);
    engine->Analyze("namas");
    lm->script.Answer("IsUnknown", 0);
    lm->script.Answer("IsUnknown(namas)", 0);
    lm->script.Answer("IsUnknown(namai)", 0);
    ASSERT_EQ(1, engine->CheckContext("labas", "rytas"));
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(1.0 / 3, engine->GetBestValue(i), 1e-12);

    // A known word of probability 0 (-99.99) weighs 10^-99.99, far below an unknown one.
    lm->script.Answer("IsUnknown(namai)", 1);
    lm->script.Answer("Probability(labas,rytas,namai)", -99.99);
    ASSERT_EQ(1, engine->CheckContext("labas", "rytas"));
    EXPECT_EQ("namai", engine->GetBest(2));
    EXPECT_LT(engine->GetBestValue(2), 1e-80);
}

TEST_F(ContextTest, FailedServerCallIsReportedAndCountsAsProbabilityZero) {
    engine->SetWeight(1.0);
    engine->Analyze("namas");
    lm->script.Fail("Probability(labas,rytas,namai)", E_FAIL);
    ASSERT_EQ(1, engine->CheckContext("labas", "rytas"));
    EXPECT_EQ("namai", engine->GetBest(2));
    auto reports = engine::TakeDebugReports();
    ASSERT_EQ(1u, reports.size());
    EXPECT_EQ("HRCHECK: ", reports[0].caption);
    EXPECT_NE(std::string::npos, reports[0].text.find("Probability")) << reports[0].text;
}

// The ranked list is that of the word checked last: another analysis empties it until its own
// check, so that a client which forgets the check gets no corrections of the word before.
TEST_F(ContextTest, AnalysisEmptiesTheBestListUntilItsOwnCheck) {
    lm->script.Answer("Probability", -2.0);
    lm->script.Answer("IsUnknown", 1);
    engine->SetWeight(0.0);  // ranked by distance: the best list follows the nearest list
    ASSERT_EQ(1, engine->Analyze("namaz"));
    ASSERT_EQ(1, engine->CheckContext("labas", "rytas"));
    ASSERT_NE("", engine->GetBest(0));
    ASSERT_EQ(1, engine->Analyze("kelas"));
    ASSERT_GT(engine->CandidateCount(), 0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ("", engine->GetBest(i)) << i;
        EXPECT_EQ(-1.0, engine->GetBestValue(i)) << i;
    }
    ASSERT_EQ(1, engine->CheckContext("labas", "rytas"));
    EXPECT_EQ("kelias", engine->GetBest(0));
    EXPECT_EQ(engine->GetNearest(0), engine->GetBest(0));
    EXPECT_LT(0.0, engine->GetBestValue(0));

    // A word without candidates: the check fails, and no list shows.
    engine->SetMaxValue(0);
    engine->Analyze("zzzzz");
    EXPECT_EQ(0, engine->CandidateCount());
    EXPECT_EQ(0, engine->CheckContext("labas", "rytas"));
    EXPECT_EQ("No answer", engine->LastError());
    EXPECT_EQ("", engine->GetBest(0));
}

TEST_F(ContextTest, SetWhoseModelsWentAwayGivesNoBestList) {
    ASSERT_EQ(1, engine->CheckContext("labas", "rytas"));
    lm->script.Answer("IsLoaded", 0);
    EXPECT_EQ(0, engine->CheckContext("labas", "rytas"));
    EXPECT_EQ("LM not loaded", engine->LastError());
    for (int i = -1; i < 4; ++i) {
        EXPECT_EQ("", engine->GetBest(i));
        EXPECT_EQ(-1.0, engine->GetBestValue(i));
    }
}

TEST_F(ContextTest, LastErrorStaysUntilTheNextFailure) {
    engine->SetMaxValue(0);
    engine->Analyze("zzzzz");
    EXPECT_EQ(0, engine->CheckContext("a", "b"));
    engine->SetMaxValue(6);
    engine->Analyze("namas");
    ASSERT_EQ(1, engine->CheckContext("labas", "rytas"));
    EXPECT_EQ("No answer", engine->LastError());
    EXPECT_FALSE(engine->Init());
    EXPECT_EQ("Already initialized", engine->LastError());
}

TEST_F(ContextTest, UnLoadReleasesTheServerAndHidesTheBestList) {
    ASSERT_EQ(1, engine->CheckContext("labas", "rytas"));
    const ULONG held = lm->refs();
    EXPECT_EQ(1, engine->UnLoadLM());
    EXPECT_EQ(held - 1, lm->refs());
    EXPECT_EQ("", engine->GetBest(0));
    EXPECT_EQ(-1.0, engine->GetBestValue(0));
    EXPECT_EQ(0u, CountCalls(log, "LM.Unload"));  // the server keeps its set

    log.Clear();
    ASSERT_EQ(1, engine->CheckContext("labas", "rytas"));
    EXPECT_EQ("Create(" + LmName() + ",21)", log.calls.front());

    engine.reset();
    EXPECT_EQ(held - 1, lm->refs());
}

TEST_F(ContextTest, UnloadedServerIsAskedToLoadTheComponentsModelSet) {
    lm->script.Answer("IsLoaded", 0);
    lm->script.Answer("Load", 1);
    // Loaded by the call: the fake still says not loaded afterwards, so the check stops there.
    EXPECT_EQ(0, engine->CheckContext("labas", "rytas"));
    EXPECT_EQ("LM not loaded", engine->LastError());
    const std::string load = "LM.Load(" + component->folder() + "\\data\\pevra.lm)";
    EXPECT_EQ(1u, CountCalls(log, load));

    // Bound by the successful Load: the next check does not load again.
    log.Clear();
    lm->script.Answer("IsLoaded", 1);
    EXPECT_EQ(1, engine->CheckContext("labas", "rytas"));
    EXPECT_EQ(0u, CountCalls(log, "LM.Load("));
    EXPECT_EQ(0u, CountCalls(log, "Create("));
}

TEST_F(ContextTest, FailedLoadAsksForTheServersStateAndReportsNotLoaded) {
    lm->script.Answer("IsLoaded", 0);
    lm->script.Answer("Load", 0);
    lm->script.AnswerText("GetInfo", "Not loaded");
    EXPECT_EQ(0, engine->StartLM("C:\\x.lm"));
    EXPECT_EQ("LM load failed: Not loaded", engine->LastError());
    EXPECT_EQ(0, engine->CheckContext("labas", "rytas"));
    EXPECT_EQ("LM not loaded", engine->LastError());
    EXPECT_EQ(2u, CountCalls(log, "LM.GetInfo("));  // once for each failed binding
    EXPECT_EQ("", engine->GetBest(0));
}

TEST_F(ContextTest, CreationRetriesWithLocalContextsOnInvalidArgument) {
    creator.Fail(CLSID_LM, E_INVALIDARG, 21);
    ASSERT_EQ(1, engine->CheckContext("labas", "rytas"));
    ASSERT_GE(log.calls.size(), 2u);
    EXPECT_EQ("Create(" + LmName() + ",21)", log.calls[0]);
    EXPECT_EQ("Create(" + LmName() + ",5)", log.calls[1]);
}

TEST_F(ContextTest, ServerThatCannotBeCreatedLeavesLmNotLoaded) {
    creator.Fail(CLSID_LM, REGDB_E_CLASSNOTREG);
    EXPECT_EQ(0, engine->StartLM("x"));
    EXPECT_EQ("LM Init failed", engine->LastError());
    auto reports = engine::TakeDebugReports();
    ASSERT_EQ(1u, reports.size());
    EXPECT_EQ("HRCHECK: ", reports[0].caption);

    EXPECT_EQ(0, engine->CheckContext("labas", "rytas"));
    EXPECT_EQ("LM not loaded", engine->LastError());
    EXPECT_EQ("", engine->GetBest(0));
}

TEST_F(ContextTest, DebugCheckAnsweredYesEndsTheBindingNotTheCaller) {
    engine::SetDebugAnswer(engine::DebugAnswer::Yes);
    creator.Fail(CLSID_LM, REGDB_E_CLASSNOTREG);
    EXPECT_EQ(0, engine->StartLM("x"));
    EXPECT_EQ("LM Init failed", engine->LastError());

    // An exception while loading names the load.
    fakes::FakeCreator working(log);
    working.Provide(CLSID_LM, lm.get());
    fakes::ScopedCreator scoped(working);
    lm->script.Answer("IsLoaded", 0);
    lm->script.Fail("Load", E_FAIL);
    EXPECT_EQ(0, engine->StartLM("x"));
    EXPECT_EQ("LM Load failed", engine->LastError());
    EXPECT_EQ(0, engine->CheckContext("labas", "rytas"));
    EXPECT_EQ("LM not loaded", engine->LastError());
}

TEST(EngineOrder, ComparisonsGiveThreeWayResults) {
    EXPECT_EQ(1, compareByDistanceAsc({1, 2.0}, {2, 1.0}));
    EXPECT_EQ(-1, compareByDistanceAsc({1, 1.0}, {2, 2.0}));
    EXPECT_EQ(0, compareByDistanceAsc({1, 1.0}, {2, 1.0}));
    EXPECT_EQ(-1, compareByScoreDesc({1, 2.0}, {2, 1.0}));
    EXPECT_EQ(1, compareByScoreDesc({1, 1.0}, {2, 2.0}));
    EXPECT_EQ(0, compareByScoreDesc({1, 1.0}, {2, 1.0}));
}

}  // namespace
