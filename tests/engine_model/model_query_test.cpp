#include <cmath>
#include <limits>
#include "forms/exception.h"
#include "model_fixture.h"

namespace {

class ModelQuery : public ModelTest {
protected:
    ModelQuery() {
        model.kn = fakes::Ref<IKN>(kn);
        model.kn1 = fakes::Ref<IKN1>(kn1);
        model.cmu = fakes::Ref<ICMU>(cmu);
        model.cache = fakes::Ref<ICache>(cache);
        model.wc = fakes::Ref<IWC>(wc);
    }
    com::com_ptr<fakes::FakeKN> kn = fakes::Make<fakes::FakeKN>(log);
    com::com_ptr<fakes::FakeKN1> kn1 = fakes::Make<fakes::FakeKN1>(log);
    com::com_ptr<fakes::FakeCMU> cmu = fakes::Make<fakes::FakeCMU>(log);
    com::com_ptr<fakes::FakeCache> cache = fakes::Make<fakes::FakeCache>(log);
    com::com_ptr<fakes::FakeWC> wc = fakes::Make<fakes::FakeWC>(log);
    TLMWrap model;
};

TEST_F(ModelQuery, KnAndReverseKnAskTheKnModel) {
    kn->script.Answer("Probability(a,b,c)", 0.25);
    for (int type : {0, 4}) {
        model.type = type;
        log.Clear();
        EXPECT_EQ(model.Probability("a", "b", "c"), 0.25f);
        EXPECT_EQ(log.calls, (Calls{"IKN.Probability(a,b,c)"}));
    }
    log.Clear();
    model.Probability(nullptr, "", "c");  // absent and empty both cross as ""
    EXPECT_EQ(log.calls, (Calls{"IKN.Probability(,,c)"}));
}

TEST_F(ModelQuery, DoublePrecisionAnswersAreNarrowed) {
    kn1->script.Answer("Probability", 0.1);
    cmu->script.Answer("Probability", 0.1);
    cache->script.Answer("Probability1", 0.1);
    cache->script.Answer("Probability2", 0.1);
    const Calls expected[] = {{"IKN1.Probability(a,b,c)"}, {"ICMU.Probability(a,b,c)"}, {"ICMU.Probability(a,b,c)"},
                              {"ICache.Probability1(c)"}, {"ICache.Probability2(b,c)"}};
    int i = 0;
    for (int type : {10, 1, 5, 2, 3}) {
        model.type = type;
        log.Clear();
        EXPECT_EQ(model.Probability("a", "b", "c"), 0.1f) << type;
        EXPECT_EQ(log.calls, expected[i++]) << type;
    }
}

TEST_F(ModelQuery, ClassModelOverKnMultipliesAtDoublePrecision) {
    model.type = 6;
    wc->script.Answer("GetClassID(a)", 11);
    wc->script.Answer("GetClassID(b)", 12);
    wc->script.Answer("GetClassID(c)", 13);
    wc->script.Answer("GetWordID(c)", 7);
    kn->script.Answer("ProbabilityI(11,12,13)", 0.7);  // 0.7f
    wc->script.Answer("Probability(13,7)", 0.3);
    // 0.3 * 0.7f rounded once; narrowing 0.3 first would give 0x1.ae147cp-3.
    EXPECT_EQ(model.Probability("a", "b", "c"), 0x1.ae147ap-3f);
    EXPECT_EQ(log.calls, (Calls{"IWC.GetClassID(c)", "IWC.GetWordID(c)", "IWC.GetClassID(b)", "IWC.GetClassID(a)",
                                "IKN.ProbabilityI(11,12,13)", "IWC.Probability(13,7)"}));
}

TEST_F(ModelQuery, ClassModelOverKnGivesAbsentWordsClassZero) {
    model.type = 6;
    wc->script.Answer("GetClassID", 5);
    model.Probability(nullptr, nullptr, "c");
    EXPECT_EQ(log.calls, (Calls{"IWC.GetClassID(c)", "IWC.GetWordID(c)", "IKN.ProbabilityI(0,0,5)",
                                "IWC.Probability(5,0)"}));
    log.Clear();
    model.Probability("", nullptr, "c");  // the empty text is looked up like any word
    EXPECT_EQ(log.calls, (Calls{"IWC.GetClassID(c)", "IWC.GetWordID(c)", "IWC.GetClassID()",
                                "IKN.ProbabilityI(5,0,5)", "IWC.Probability(5,0)"}));
}

TEST_F(ModelQuery, ClassAndCacheNarrowsBeforeMultiplying) {
    model.type = 7;
    cache->script.Answer("Probability1(c)", 0.7);
    wc->script.Answer("GetWordClassID(c)", 4);
    wc->script.Answer("GetWordID(b)", 9);
    wc->script.Answer("Probability(4,9)", 0.3);
    // 0.3f * 0.7f; the double product rounded once would give 0x1.ae147ap-3.
    EXPECT_EQ(model.Probability("a", "b", "c"), 0x1.ae147cp-3f);
    EXPECT_EQ(log.calls, (Calls{"ICache.Probability1(c)", "IWC.GetWordClassID(c)", "IWC.GetWordID(b)",
                                "IWC.Probability(4,9)"}));
}

TEST_F(ModelQuery, ClassAndCacheViewTakesTheWordIdFromTheFirstWord) {
    model.type = 8;
    cache->script.Answer("Probability2(b,c)", 0.5);
    wc->script.Answer("GetWordClassID(c)", 4);
    wc->script.Answer("GetWordID(a)", 2);
    wc->script.Answer("Probability(4,2)", 0.5);
    EXPECT_EQ(model.Probability("a", "b", "c"), 0.25f);
    EXPECT_EQ(log.calls, (Calls{"ICache.Probability2(b,c)", "IWC.GetWordClassID(c)", "IWC.GetWordID(a)",
                                "IWC.Probability(4,2)"}));
}

TEST_F(ModelQuery, ClassModelAloneAndWordInClass) {
    model.type = 9;
    wc->script.Answer("Probability", 0.1);
    EXPECT_EQ(model.Probability("a", "b", "c"), 0.1f);
    EXPECT_EQ(log.calls, (Calls{"IWC.GetWordClassID(c)", "IWC.GetWordID(b)", "IWC.Probability(0,0)"}));
    model.type = 11;
    log.Clear();
    wc->script.Answer("GetClassID(c)", 3);
    wc->script.Answer("GetWordID(c)", 8);
    EXPECT_EQ(model.Probability("a", "b", "c"), 0.1f);
    EXPECT_EQ(log.calls, (Calls{"IWC.GetClassID(c)", "IWC.GetWordID(c)", "IWC.Probability(3,8)"}));
}

TEST_F(ModelQuery, TypesWithoutABranchAnswerZeroWithoutCalls) {
    for (int type : {12, -1, 100}) {
        model.type = type;
        EXPECT_EQ(model.Probability("a", "b", "c"), 0.0f);
        EXPECT_EQ(model.GetWordId("a"), 0);
        model.InfoOn(1);
    }
    model.type = 0;
    EXPECT_EQ(model.Probability4("a", "b", "c", "d"), 0.0f);
    EXPECT_EQ(model.ProbabilityI4(1, 2, 3, 4), 0.0f);
    model.type = 4;
    EXPECT_EQ(model.ProbabilityI(1, 2, 3), 0.0f);  // holds a KN model, still no branch
    for (int type : {2, 4, 5, 6}) {
        model.type = type;
        EXPECT_EQ(model.GetWordId("a"), 0);
    }
    model.type = 6;
    model.InfoOn(1);
    EXPECT_TRUE(log.calls.empty());
}

TEST_F(ModelQuery, FourWordAndIdQueries) {
    kn1->script.Answer("Probability4(a,b,c,d)", 0.1);
    kn1->script.Answer("ProbabilityI(1,2,3)", 0.2);
    kn1->script.Answer("ProbabilityI4(1,2,3,4)", 0.3);
    kn->script.Answer("ProbabilityI(1,2,3)", 0.4);
    model.type = 10;
    EXPECT_EQ(model.Probability4("a", "b", "c", "d"), 0.1f);
    EXPECT_EQ(model.ProbabilityI(1, 2, 3), 0.2f);
    EXPECT_EQ(model.ProbabilityI4(1, 2, 3, 4), 0.3f);
    model.type = 0;
    EXPECT_EQ(model.ProbabilityI(1, 2, 3), 0.4f);
    EXPECT_EQ(log.calls, (Calls{"IKN1.Probability4(a,b,c,d)", "IKN1.ProbabilityI(1,2,3)",
                                "IKN1.ProbabilityI4(1,2,3,4)", "IKN.ProbabilityI(1,2,3)"}));
}

TEST_F(ModelQuery, WordIds) {
    kn->script.Answer("GetWordId", 1);
    kn1->script.Answer("GetWordId", 2);
    cmu->script.Answer("GetWordId", 3);
    wc->script.Answer("GetWordID", 4);
    const int types[] = {0, 10, 1, 11};
    for (int i = 0; i < 4; ++i) {
        model.type = types[i];
        EXPECT_EQ(model.GetWordId("w"), i + 1);
    }
    EXPECT_EQ(log.calls, (Calls{"IKN.GetWordId(w)", "IKN1.GetWordId(w)", "ICMU.GetWordId(w)", "IWC.GetWordID(w)"}));
}

TEST_F(ModelQuery, WeightedFormsSkipTheModelUnlessTheWeightIsPositive) {
    model.type = 0;
    kn->script.Answer("Probability", 0.3);
    model.lamda = 0.1f;
    EXPECT_EQ(model.WeightedProbability("a", "b", "c"), static_cast<double>(0.1f) * 0.3f);  // exact
    EXPECT_EQ(log.calls.size(), 1u);
    for (float lamda : {0.0f, -0.5f, std::numeric_limits<float>::quiet_NaN()}) {
        model.lamda = lamda;
        EXPECT_EQ(model.WeightedProbability("a", "b", "c"), 0.0);
        EXPECT_EQ(model.WeightedProbability4("a", "b", "c", "d"), 0.0);
    }
    EXPECT_EQ(log.calls.size(), 1u);
    model.type = 10;
    model.lamda = 0.5f;
    kn1->script.Answer("Probability4", 0.5);
    EXPECT_EQ(model.WeightedProbability4("a", "b", "c", "d"), 0.25);
}

TEST_F(ModelQuery, RecordedFormsAlwaysAskAndRecordTheUnweightedValue) {
    model.type = 0;
    kn->script.Answer("Probability", 0.5);
    model.lamda = 0.5f;
    EXPECT_EQ(model.RecordedProbability("a", "b", "c"), 0.25);  // no history yet: nothing recorded
    model.MakeHistory(4);
    model.lamda = 0.0f;
    EXPECT_EQ(model.RecordedProbability("a", "b", "c"), 0.0);
    model.lamda = -2.0f;
    EXPECT_EQ(model.RecordedProbability("a", "b", "c"), -1.0);
    EXPECT_EQ(model.RecordedProbability4("a", "b", "c", "d"), 0.0);  // not type 10: records 0
    EXPECT_EQ(log.calls.size(), 3u);
    ASSERT_EQ(model.history->count, 3);
    EXPECT_EQ(model.history->items[0], 0.5f);
    EXPECT_EQ(model.history->items[1], 0.5f);
    EXPECT_EQ(model.history->items[2], 0.0f);

    model.type = 10;
    kn1->script.Answer("Probability4", 0.1);
    model.lamda = 1.0f;
    EXPECT_EQ(model.RecordedProbability4("a", "b", "c", "d"), static_cast<double>(0.1f));
    EXPECT_EQ(model.history->items[3], 0.1f);
}

TEST_F(ModelQuery, AddToHistWithoutHistoryDoesNothing) {
    model.type = 2;
    EXPECT_TRUE(model.AddToHist("a", "b", "c", 1));
    EXPECT_TRUE(log.calls.empty());
}

TEST_F(ModelQuery, AddToHistRecordsOnFlagAndTellsTheCache) {
    model.type = 2;
    model.MakeHistory(4);
    cache->script.Answer("Probability1", 0.5);
    EXPECT_TRUE(model.AddToHist("a", "b", "c", 0));
    EXPECT_EQ(model.history->count, 0);
    EXPECT_EQ(log.calls, (Calls{"ICache.AddToHist(c)"}));
    log.Clear();
    EXPECT_TRUE(model.AddToHist("a", "b", "d", 1));
    EXPECT_EQ(model.history->count, 1);
    EXPECT_EQ(model.history->items[0], 0.5f);
    EXPECT_EQ(log.calls, (Calls{"ICache.Probability1(d)", "ICache.AddToHist(d)"}));
}

TEST_F(ModelQuery, ViewsAndOtherTypesNeverSendCacheHistoryCalls) {
    for (int type : {0, 3, 8}) {
        model.type = type;
        model.MakeHistory(4);
        log.Clear();
        model.AddToHist("a", "b", "c", 0);
        model.ClearHistory();
        model.ClearCalcCache(1);
        EXPECT_TRUE(log.calls.empty()) << type;
    }
}

TEST_F(ModelQuery, ClearHistoryAndClearCalcCache) {
    model.type = 7;
    model.MakeHistory(4);
    model.history->Push(0.1f);
    model.history->Push(0.2f);
    model.history->Push(0.3f);
    EXPECT_TRUE(model.ClearCalcCache(2));
    EXPECT_EQ(model.history->count, 1);
    EXPECT_TRUE(model.ClearCalcCache(5));
    EXPECT_EQ(model.history->count, 0);
    model.history->Push(0.1f);
    model.ClearHistory();
    EXPECT_EQ(model.history->count, 0);
    EXPECT_EQ(log.calls, (Calls{"ICache.ClearCalcCache(2)", "ICache.ClearCalcCache(5)", "ICache.ClearHistory()"}));

    model.history.reset();  // without a history only the cache hears of it
    log.Clear();
    model.ClearHistory();
    model.ClearCalcCache(3);
    EXPECT_EQ(log.calls, (Calls{"ICache.ClearHistory()", "ICache.ClearCalcCache(3)"}));
}

TEST_F(ModelQuery, InfoOnReachesTheTypesComponent) {
    const int types[] = {0, 4, 10, 2, 7, 1, 9};
    for (int type : types) {
        model.type = type;
        model.InfoOn(type);
    }
    EXPECT_EQ(log.calls, (Calls{"IKN.InfoOn(0)", "IKN.InfoOn(4)", "IKN1.InfoOn(10)", "ICache.InfoOn(2)",
                                "ICache.InfoOn(7)"}));
}

TEST_F(ModelQuery, MakeHistoryReplacesTheHistory) {
    model.MakeHistory(3);
    model.history->Push(0.5f);
    EXPECT_TRUE(model.MakeHistory(0));
    EXPECT_EQ(model.history->capacity, 0);
    EXPECT_EQ(model.history->count, 0);
    model.type = 0;
    model.RecordedProbability("a", "b", "c");  // capacity 0: nothing stored, nothing broken
    EXPECT_EQ(model.history->count, 0);
}

TEST_F(ModelQuery, MissingComponentAnswersZeroWithoutAnyCall) {
    model.kn = nullptr;
    model.type = 6;  // holds its class model but not its KN model
    EXPECT_EQ(model.Probability("a", "b", "c"), 0.0f);
    model.type = 0;
    EXPECT_EQ(model.Probability("a", "b", "c"), 0.0f);
    EXPECT_EQ(model.ProbabilityI(1, 2, 3), 0.0f);
    EXPECT_EQ(model.GetWordId("a"), 0);
    EXPECT_EQ(model.WeightedProbability("a", "b", "c"), 0.0);
    model.InfoOn(1);
    EXPECT_TRUE(log.calls.empty());
    auto captions = Captions();
    EXPECT_EQ(captions.size(), 6u);
    for (const auto& c : captions) EXPECT_EQ(c, "_ASSERTE: ");
}

TEST_F(ModelQuery, FailedCallIsReportedAndAnswersZero) {
    model.type = 10;
    kn1->script.Answer("Probability", 0.5);
    kn1->script.Fail("Probability", E_FAIL);
    EXPECT_EQ(model.Probability("a", "b", "c"), 0.0f);
    auto reports = engine::TakeDebugReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].caption, "HRCHECK: ");
    EXPECT_EQ(reports[0].text.rfind("'this->Probability(Param1, Param2, Param3, (double*)&Param4)': ", 0), 0u);

    engine::SetDebugAnswer(engine::DebugAnswer::Yes);
    EXPECT_THROW(model.Probability("a", "b", "c"), Exception);
}

}  // namespace
