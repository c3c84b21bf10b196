// Queries and histories over arranged models: formulas, their order, counters and the calc cache.
#include <cmath>

#include "Tarvel/engine/precision.h"
#include "Tarvel/shell/utils.h"
#include "load_fixture.h"

namespace {

using A = TTarvelAccess;

class QueryTest : public SetFixture {
protected:
    void SetUp() override {
        SetFixture::SetUp();
        A::Words(set).SetSize(1000);
    }
    // A KN model (type 0) over a fake of its own named name, answering p to every query.
    fakes::FakeKN& Kn(float lamda, const char* name, double p) {
        auto f = com::com_ptr<fakes::FakeKN>::attach(new fakes::FakeKN(calls, name));
        f->script.Answer("Probability", p);
        TLMWrap& m = A::Add(set, 0, lamda);
        m.kn = com::com_ptr<IKN>(f.get());
        return *f.get();
    }
    // A modified-KN model (type 10).
    fakes::FakeKN1& Kn1(float lamda, const char* name, double p) {
        auto f = com::com_ptr<fakes::FakeKN1>::attach(new fakes::FakeKN1(calls, name));
        f->script.Answer("Probability", p);
        f->script.Answer("Probability4", p);
        TLMWrap& m = A::Add(set, 10, lamda);
        m.kn1 = com::com_ptr<IKN1>(f.get());
        return *f.get();
    }
    // The calls made since the last Take, then forgotten.
    std::vector<std::string> Take() {
        auto c = calls.calls;
        calls.Clear();
        return c;
    }
    void Analyzer() {
        A::SetAnalyzer(set, za.get());
        za->Know("a", 1, "A", "sa");
        za->Know("b", 4, "B", "sb");
        za->Know("c", 1, "C", "sc");
        za->Know("", 1, "E", "se");
    }
};

float L(float p) { return static_cast<float>(Log10Prob(p)); }

TEST_F(QueryTest, PlainSumAddsWeightedModelsInSinglePrecision) {
    A::SetType(set, 3);
    Kn(0.3f, "K0", 0.1);
    Kn(0.7f, "K1", 0.2);
    const float expected = engine::Single(engine::Single(0.3f * 0.1f) + static_cast<double>(0.7f) * 0.2f);
    EXPECT_EQ(set.Probability("x", "y", "z"), L(expected));
    EXPECT_NEAR(set.Probability("x", "y", "z"), -0.7696, 1e-4);
    EXPECT_TRUE(Called("K0.Probability(x,y,z)"));
}

TEST_F(QueryTest, ZeroWeightsAreNotAsked) {
    A::SetType(set, 0);
    Kn(0.0f, "K0", 0.5);
    Kn(-1.0f, "K1", 0.5);
    EXPECT_EQ(set.Probability("x", "y", "z"), LogZeroProb);
    EXPECT_TRUE(Take().empty());
    TTarvel empty;
    EXPECT_EQ(empty.Probability("x", "y", "z"), LogZeroProb);
}

TEST_F(QueryTest, QueryCountPassesTheEarlierNumber) {
    set.Probability("a", "b", "c");
    EXPECT_EQ(form.count, 0);
    set.ProbabilityId(1, 2, 3);
    EXPECT_EQ(form.count, 1);
    set.ProbabilityId4(1, 2, 3, 4);
    EXPECT_EQ(form.count, 2);
    set.GetProbW("w", 3);
    EXPECT_EQ(form.count, 3);
    EXPECT_EQ(form.setCountCalls, 4);
}

TEST_F(QueryTest, GetProbWOnAnEmptyHistoryAsksWithEmptyTexts) {
    A::SetType(set, 3);
    Kn(1.0f, "K0", 0.5);
    set.GetProbW("w", 3);
    EXPECT_EQ(Take(), std::vector<std::string>{"K0.Probability(,,w)"});

    TTarvel four;
    A::Words(four).SetSize(10);
    auto f = com::com_ptr<fakes::FakeKN1>::attach(new fakes::FakeKN1(calls, "N0"));
    f->script.Answer("Probability4", 0.25);
    A::Add(four, 10, 1.0f).kn1 = com::com_ptr<IKN1>(f.get());
    EXPECT_EQ(four.GetProbW("w", 4), L(0.25f));
    EXPECT_EQ(Take(), std::vector<std::string>{"N0.Probability4(,,,w)"});
}

TEST_F(QueryTest, GetProbWRecordsEveryModelsOwnProbability) {
    A::SetType(set, 3);
    Kn(0.25f, "K0", 0.5);
    Kn(0.75f, "K1", 0.1);
    for (int k = 0; k < 2; ++k) A::Model(set, k).MakeHistory(10);
    set.AddHistory("a", 0);
    set.GetProbW("b", 3);
    EXPECT_TRUE(Called("K0.Probability(,a,b)"));
    EXPECT_EQ(A::Model(set, 0).history->items[0], 0.5f);
    EXPECT_EQ(A::Model(set, 1).history->items[0], 0.1f);
}

TEST_F(QueryTest, SkipModelsTakeOneEarlierWord) {
    A::SetType(set, 10);
    Kn(0.5f, "K0", 0.1).script.Answer("Probability(c,d,e)", 0.3);
    Kn(0.5f, "K1", 0.1);
    A::Model(set, 0).iSkip = -1;
    A::Model(set, 1).iSkip = 1;
    for (const char* w : {"a", "b", "c", "d"}) set.AddHistory(w, 0);
    calls.Clear();
    const float v = set.GetProbW("e", 3);
    EXPECT_EQ(Take(), (std::vector<std::string>{"K0.Probability(c,d,e)", "K1.Probability(,c,e)"}));
    EXPECT_EQ(v, L(engine::Single(engine::Single(0.5f * 0.3f) + 0.5f * 0.1f)));
    // iSkip 0 takes the word just before; a far skip reaches before the start: "".
    A::Model(set, 0).iSkip = 0;
    A::Model(set, 1).iSkip = 2000;
    set.GetProbW("f", 3);
    EXPECT_EQ(Take(), (std::vector<std::string>{"K0.Probability(,e,f)", "K1.Probability(,,f)"}));
    // A skip below -1 names no earlier word.
    A::Model(set, 0).iSkip = -5;
    set.GetProbW("g", 3);
    EXPECT_EQ(Take()[0], "K0.Probability(,,g)");
}

TEST_F(QueryTest, CalcCacheTakesBackTheRunOnHistoriesThatAreNotFull) {
    A::SetType(set, 3);
    Kn(1.0f, "K0", 0.5);
    A::Model(set, 0).MakeHistory(10);
    A::SetDynamic(set, true);
    set.AddHistory("a", 1);
    set.AddHistory("b", 1);
    EXPECT_EQ(set.StartCalcCache(), 1);
    for (const char* w : {"x", "y", "z"}) set.GetProbW(w, 3);
    EXPECT_EQ(A::CalcCache(set), 3);
    EXPECT_EQ(set.ClearCalcCache(), 1);
    EXPECT_EQ(A::Words(set).count, 2);
    EXPECT_STREQ(A::Words(set).Get(0), "b");
    EXPECT_EQ(A::Model(set, 0).history->count, 2);
    EXPECT_EQ(A::CalcCache(set), 0);
    // AddHistory does not count: a second take-back removes nothing.
    set.ClearCalcCache();
    EXPECT_EQ(A::Words(set).count, 2);
}

TEST_F(QueryTest, CalcCacheOnFullHistoriesEndsThreeLower) {
    A::SetType(set, 3);
    Kn(1.0f, "K0", 0.5);
    A::Model(set, 0).MakeHistory(4);
    A::SetDynamic(set, true);
    for (int i = 0; i < 1000; ++i) set.AddHistory(("w" + std::to_string(i)).c_str(), 1);
    set.StartCalcCache();
    for (const char* w : {"x", "y", "z"}) set.GetProbW(w, 3);
    set.ClearCalcCache();
    EXPECT_EQ(A::Words(set).count, 997);
    EXPECT_STREQ(A::Words(set).Get(0), "w999");
    EXPECT_STREQ(A::Words(set).Get(-996), "w3");
    EXPECT_EQ(A::Model(set, 0).history->count, 1);
}

TEST_F(QueryTest, CalcCacheReachesTheCacheComponent) {
    A::SetType(set, 2);
    Kn(1.0f, "K0", 0.5);
    TLMWrap& m = A::Add(set, 2, 0.0f);
    m.cache = com::com_ptr<ICache>(cache.get());
    m.MakeHistory(10);
    set.StartCalcCache();
    set.GetProbW("x", 3);
    set.GetProbW("y", 3);
    calls.Clear();
    set.ClearCalcCache();
    EXPECT_TRUE(Called("ICache.ClearCalcCache(2)"));
}

TEST_F(QueryTest, CacheSetPassesEachGetProbWWordToItsCache) {
    A::SetType(set, 2);
    Kn(1.0f, "K0", 0.5);
    TLMWrap& m = A::Add(set, 2, 0.0f);
    m.cache = com::com_ptr<ICache>(cache.get());
    set.GetProbW("x", 3);
    EXPECT_FALSE(Called("ICache.AddToHist(x)"));  // no probability history: not told
    m.MakeHistory(4);
    const int before = m.history->count;
    set.GetProbW("y", 3);
    EXPECT_TRUE(Called("ICache.AddToHist(y)"));
    EXPECT_EQ(m.history->count, before + 1);  // its R form recorded, AddToHist did not
}

TEST_F(QueryTest, ForwardBackwardOnlyInTheReverseSet) {
    A::SetType(set, 3);
    Kn(1.0f, "K0", 0.5);
    Kn(1.0f, "K1", 0.5);
    EXPECT_EQ(set.ProbabilityFB("w", "b1", "b2"), LogZeroProb);
    EXPECT_EQ(A::Words(set).count, 0);
    EXPECT_TRUE(Take().empty());

    A::SetType(set, 4);
    A::Model(set, 0).lamda = 0.5f;
    A::Model(set, 0).MakeHistory(4);
    A::Model(set, 1).lamda = 0.25f;
    set.AddHistory("a", 0);
    calls.Clear();
    const float v = set.ProbabilityFB("w", "b1", "b2");
    EXPECT_EQ(Take(), (std::vector<std::string>{"K0.Probability(,a,w)", "K1.Probability(b2,b1,w)"}));
    EXPECT_EQ(v, L(engine::Single(0.25 * 0.5 + engine::Single(0.5 * 0.5))));
    EXPECT_EQ(A::Model(set, 0).history->count, 1);
    EXPECT_EQ(A::CalcCache(set), 1);
    EXPECT_EQ(form.count, 0);
}

TEST_F(QueryTest, ReverseSetAsksItsForwardModelUnweighted) {
    A::SetType(set, 4);
    Kn(0.5f, "K0", 0.01);
    Kn(0.5f, "K1", 0.5);
    EXPECT_EQ(set.Probability("x", "y", "z"), L(0.01f));
    EXPECT_EQ(Take(), std::vector<std::string>{"K0.Probability(x,y,z)"});
}

TEST_F(QueryTest, QueriesByIdUseModelZeroWithoutWeight) {
    EXPECT_EQ(set.ProbabilityId(1, 2, 3), LogZeroProb);
    EXPECT_EQ(set.ProbabilityId4(1, 2, 3, 4), LogZeroProb);
    Kn(0.5f, "K0", 0).script.Answer("ProbabilityI", 0.1);
    EXPECT_NEAR(set.ProbabilityId(1, 2, 3), -1.0, 1e-6);
    EXPECT_TRUE(Called("K0.ProbabilityI(1,2,3)"));
    EXPECT_EQ(set.ProbabilityId4(1, 2, 3, 4), LogZeroProb);  // a KN model has no four-id form
}

TEST_F(QueryTest, IsUnknownAsksUntilAModelKnowsTheWord) {
    EXPECT_EQ(set.IsUnknown("w"), 0);
    A::SetType(set, 3);
    Kn(1, "K0", 0).script.Answer("GetWordId", 0);
    Kn(1, "K1", 0).script.Answer("GetWordId", 17);
    EXPECT_EQ(set.IsUnknown("w"), 17);
    Kn(1, "K2", 0).script.Answer("GetWordId", -4);
    A::Model(set, 1).type = 4;  // a reverse model answers 0 without asking
    EXPECT_EQ(set.IsUnknown("w"), -4);
    A::SetType(set, 13);
    calls.Clear();
    EXPECT_EQ(set.IsUnknown("w"), 0);
    EXPECT_EQ(Take(), std::vector<std::string>{"K0.GetWordId(w)"});
}

TEST_F(QueryTest, IsUnknownOfAnalyzerSetsLooksUpTheBaseForm) {
    Analyzer();
    A::SetType(set, 7);
    Kn(1, "K0", 0).script.Answer("GetWordId(C)", 9);
    EXPECT_EQ(set.IsUnknown("c"), 9);
    EXPECT_EQ(set.IsUnknown("zz"), 0);
    EXPECT_TRUE(Logged("ERROR: Error by analyzing unknown word - zz"));
}

TEST_F(QueryTest, AddHistoryWithStaticWeightsOnlyPushes) {
    Kn(1, "K0", 0.5);
    A::Model(set, 0).MakeHistory(4);
    set.InfoOn(1);
    EXPECT_TRUE(Called("K0.InfoOn(1)"));
    calls.Clear();
    EXPECT_TRUE(set.AddHistory("w", 1));
    EXPECT_EQ(form.lines, std::vector<std::string>{"AddHistory(w)"});
    EXPECT_TRUE(Take().empty());
    EXPECT_EQ(A::Words(set).count, 1);
    EXPECT_EQ(A::Model(set, 0).history->count, 0);

    set.InfoOn(2);
    form.lines.clear();
    set.AddHistory("v", 0);
    set.ClearHistory();
    set.StartCalcCache();
    set.ClearCalcCache();
    EXPECT_TRUE(form.lines.empty());
    EXPECT_TRUE(Called("K0.InfoOn(2)"));
}

TEST_F(QueryTest, TraceLinesOfTheHistoryOperations) {
    set.InfoOn(1);
    set.ClearHistory();
    set.StartCalcCache();
    set.ClearCalcCache();
    EXPECT_EQ(form.lines, (std::vector<std::string>{"ClearHistory()", "StartCalcCache()", "ClearCalcCache()"}));
}

TEST_F(QueryTest, CacheSetFeedsItsSharedCacheLast) {
    A::SetType(set, 2);
    A::SetDynamic(set, true);
    Kn(1, "K0", 0.5);
    TLMWrap& c = A::Add(set, 2, 0);
    c.cache = com::com_ptr<ICache>(cache.get());
    TLMWrap& v = A::Add(set, 3, 0);
    v.cache = c.cache;
    for (int k = 0; k < 3; ++k) A::Model(set, k).MakeHistory(4);
    set.AddHistory("w", 1);
    EXPECT_EQ(Take(), (std::vector<std::string>{"K0.Probability(,,w)", "ICache.Probability2(,w)",
                                                "ICache.Probability1(w)", "ICache.AddToHist(w)"}));
}

TEST_F(QueryTest, ClearHistoryEmptiesEverything) {
    Kn(1, "K0", 0.5);
    TLMWrap& c = A::Add(set, 2, 0);
    c.cache = com::com_ptr<ICache>(cache.get());
    c.MakeHistory(4);
    c.history->Push(0.5f);
    set.AddHistory("w", 0);
    EXPECT_TRUE(set.ClearHistory());
    EXPECT_EQ(A::Words(set).count, 0);
    EXPECT_EQ(c.history->count, 0);
    EXPECT_TRUE(Called("ICache.ClearHistory()"));
}

TEST_F(QueryTest, AnalyzeWordsSkipsEmptyLeadingWords) {
    Analyzer();
    EXPECT_TRUE(A::Analyze(set, "", nullptr, "c"));
    EXPECT_EQ(Take(), (std::vector<std::string>{"IZA.AnalyzeAll(c)", "IZA.PForma()", "IZA.SInfo()"}));
    EXPECT_STREQ(A::F(set, 0), "");
    EXPECT_STREQ(A::S(set, 1), "");
    EXPECT_STREQ(A::F(set, 2), "C");
    EXPECT_STREQ(A::S(set, 2), "sc");
    // The third word is analysed even when empty.
    EXPECT_TRUE(A::Analyze(set, "a", "b", ""));
    EXPECT_STREQ(A::F(set, 1), "B");
    EXPECT_STREQ(A::F(set, 2), "E");
}

TEST_F(QueryTest, AnalyzeWordsStopsAtTheFirstFailure) {
    Analyzer();
    EXPECT_FALSE(A::Analyze(set, "a", "zz", "c"));
    EXPECT_TRUE(Logged("ERROR: Error by analyzing unknown word - zz"));
    EXPECT_STREQ(A::F(set, 0), "A");
    EXPECT_STREQ(A::F(set, 2), "");
    EXPECT_FALSE(Called("IZA.AnalyzeAll(c)"));
}

TEST_F(QueryTest, AnalyzeWordsKeepsTextsWithinTheirBuffers) {
    Analyzer();
    za->Know("long", 1, std::string(150, 'f'), std::string(1500, 's'));
    EXPECT_TRUE(A::Analyze(set, "", "", "long"));
    EXPECT_EQ(std::string(A::F(set, 2)), std::string(99, 'f'));
    EXPECT_EQ(std::string(A::S(set, 2)), std::string(999, 's'));
    za->nullOut = true;
    EXPECT_TRUE(A::Analyze(set, "", "", "c"));
    EXPECT_STREQ(A::F(set, 2), "");
    TTarvel none;
    EXPECT_FALSE(A::Analyze(none, "", "", "c"));
    EXPECT_TRUE(Logged("ERROR: Language Analyzer not initialized"));
}

TEST_F(QueryTest, MorfCacheProbabilityUsesAnalysisTexts) {
    Analyzer();
    A::SetType(set, 6);
    Kn(0.5f, "K0", 0.2);
    Kn(0.25f, "K1", 0.4);
    Kn(0.25f, "K2", 0.8);
    const float v = set.Probability("a", "b", "c");
    EXPECT_TRUE(Called("K0.Probability(a,b,c)"));
    EXPECT_TRUE(Called("K1.Probability(,sc,C)"));
    EXPECT_TRUE(Called("K2.Probability(sc,B,C)"));
    float c = engine::Single(0.5 * 0.2f);
    c = engine::Single(c + 0.25 * static_cast<double>(0.4f));
    c = engine::Single(c + 0.25 * static_cast<double>(0.8f));
    EXPECT_EQ(v, L(c));
    EXPECT_EQ(set.Probability("zz", "b", "c"), LogZeroProb);
}

TEST_F(QueryTest, MorfKnMultipliesItsTwoModels) {
    Analyzer();
    A::SetType(set, 7);
    Kn(1.0f, "K0", 0.5);
    Kn(1.0f, "K1", 0.25);
    EXPECT_EQ(set.Probability("a", "b", "c"), L(0.125f));
    EXPECT_TRUE(Called("K0.Probability(A,B,C)"));
    EXPECT_TRUE(Called("K1.Probability(,sc,C)"));
}

TEST_F(QueryTest, AnalyzerSetsEvaluateInTheirOrder) {
    Analyzer();
    Kn1(1.0f, "N0", 0.5);
    Kn1(0.5f, "N1", 0.25);
    Kn1(0.5f, "N2", 0.125);
    Kn1(1.0f, "N3", 0.0625);
    for (const char* w : {"a", "b"}) set.AddHistory(w, 0);

    A::SetType(set, 11);
    calls.Clear();
    float v = set.GetProbW("c", 3);
    std::vector<std::string> asked;
    for (const auto& c : Take())
        if (c[0] == 'N') asked.push_back(c);
    EXPECT_EQ(asked, (std::vector<std::string>{"N1.Probability(,C,sc)", "N2.Probability(sa,sb,sc)",
                                               "N0.Probability(A,B,C)"}));
    EXPECT_EQ(v, L(engine::Single(engine::Single(0.125 + 0.0625) * 0.5)));

    A::SetType(set, 12);
    v = set.GetProbW("c", 3);
    EXPECT_TRUE(Called("N1.Probability4(sb,sc,C,sc)"));  // history is now b, c, c
    EXPECT_EQ(v, L(engine::Single(0.5 * 0.125)));

    A::SetType(set, 13);
    calls.Clear();
    v = set.GetProbW("a", 3);
    asked.clear();
    for (const auto& c : Take())
        if (c[0] == 'N') asked.push_back(c);
    EXPECT_EQ(asked, (std::vector<std::string>{"N2.Probability(,A,sa)", "N3.Probability(sc,sc,sa)",
                                               "N1.Probability(C,C,A)", "N0.Probability(c,c,a)"}));
    EXPECT_EQ(v, L(engine::Single(engine::Single(engine::Single(0.0625 + 0.0625) * 0.125) + 0.5)));

    A::SetType(set, 14);
    calls.Clear();
    v = set.GetProbW("b", 3);
    asked.clear();
    for (const auto& c : Take())
        if (c[0] == 'N') asked.push_back(c);
    EXPECT_EQ(asked, (std::vector<std::string>{"N1.Probability(C,A,B)", "N2.Probability4(sc,sa,B,sb)",
                                               "N0.Probability(c,a,b)"}));
    EXPECT_EQ(v, L(engine::Single(engine::Single(0.125 * 0.0625) + 0.5)));
    // Neither query counted those that had no analysis: four counted queries so far.
    EXPECT_EQ(A::CalcCache(set), 4);
}

TEST_F(QueryTest, FailedAnalysisKeepsTheWordButCountsNothing) {
    Analyzer();
    A::SetType(set, 12);
    Kn1(1.0f, "N0", 0.5);
    Kn1(1.0f, "N1", 0.5);
    EXPECT_EQ(set.GetProbW("zz", 3), LogZeroProb);
    EXPECT_STREQ(A::Words(set).Get(0), "zz");
    EXPECT_EQ(A::CalcCache(set), 0);
    EXPECT_EQ(form.setCountCalls, 0);
}

TEST_F(QueryTest, TooFewModelsForAFormulaAnswerNothing) {
    Analyzer();
    Kn(1.0f, "K0", 0.5);
    for (int type : {6, 7}) {
        A::SetType(set, type);
        if (type == 7) {
            TTarvel none;
            A::SetType(none, 7);
            EXPECT_EQ(none.Probability("a", "b", "c"), LogZeroProb);
        } else {
            EXPECT_EQ(set.Probability("a", "b", "c"), LogZeroProb);
        }
    }
    for (int type : {11, 12, 13, 14}) {
        A::SetType(set, type);
        EXPECT_EQ(set.GetProbW("a", 3), LogZeroProb);
    }
    A::SetType(set, 4);
    EXPECT_EQ(set.ProbabilityFB("a", "b", "c"), LogZeroProb);
    A::SetType(set, 6);
    A::SetDynamic(set, true);
    EXPECT_TRUE(set.AddHistory("a", 1));
}

}  // namespace
