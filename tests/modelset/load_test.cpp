// Loading every set type: the models built, their files, weights, checks and log lines.
#include "Tarvel/shell/utils.h"
#include "load_fixture.h"

namespace {

using LoadTest = SetFixture;

TEST_F(LoadTest, UnknownSetTypeLoadsWithNoModels) {
    for (int type : {15, -1}) {
        form.lines.clear();
        const std::string t = std::to_string(type);
        ASSERT_TRUE(Load("type = " + t + "\n"));
        EXPECT_EQ(form.lines, (std::vector<std::string>{
                                  "Initializing", "WARNING: type = " + t + " is no set type (0 to 14): the set has no models",
                                  "Models weights", "Dinamic lamda = true; Interpolation history = 0"}));
        EXPECT_TRUE(set.IsLoaded());
        EXPECT_EQ(set.GetInfo(), "LM Info: loaded; UNKNOWN TYPE");
        EXPECT_EQ(set.GetWeightInfo(), "Count = 0");
    }
}

// A set type that is no number loads as type 0, as it reads, and says so; numbers in any of the
// integer forms do not warn.
TEST_F(LoadTest, ASetTypeThatIsNoNumberWarns) {
    const struct {
        const char* value;
        bool warns;
    } cases[] = {{"KN", true}, {"8.0", true}, {"1e1", true}, {"0", false}, {"$8", false}, {"-0", false}};
    for (const auto& c : cases) {
        form.lines.clear();
        ASSERT_TRUE(Load(std::string("type = ") + c.value + "\nlamdaDinamic = 0\n")) << c.value;
        EXPECT_EQ(c.warns, Logged(std::string("WARNING: type = ") + c.value + " is not a number: a set of type 0 is loaded"))
            << c.value << ": " << ::testing::PrintToString(form.lines);
        EXPECT_EQ(c.warns ? 1 : 0, std::count_if(form.lines.begin(), form.lines.end(), [](const std::string& l) {
                      return l.rfind("WARNING: ", 0) == 0;
                  })) << c.value;
    }
}

TEST_F(LoadTest, TypeZeroLoadsTheSettingsFileItself) {
    const std::string file = Settings("type = 0\nlamdaDinamic = 0\n");
    ASSERT_TRUE(set.Load(file));
    EXPECT_EQ(form.initCalls, std::vector<std::string>{file});
    EXPECT_TRUE(Called("IKN.Load(" + file + ")"));
    EXPECT_EQ(form.lines, (std::vector<std::string>{"Initializing", "Loading KN model",
                                                    "KN model loaded succesfully", "Models weights",
                                                    "M(0) = 1", "Dinamic lamda = false"}));
    EXPECT_EQ(set.GetInfo(), "LM Info: loaded; KN; ");
}

TEST_F(LoadTest, FailedOneModelSetsKeepTheirModel) {
    kn->script.Answer("Load", 0);
    EXPECT_FALSE(Load("type = 0\n"));
    EXPECT_FALSE(set.IsLoaded());
    EXPECT_EQ(set.GetInfo(), "Not loaded");
    EXPECT_EQ(set.GetWeightInfo(), "Count = 1; [0]=1");
    EXPECT_FALSE(Logged("Models weights"));

    kn1->script.Answer("Load", 0);
    EXPECT_FALSE(Load("type = 8\n"));
    EXPECT_EQ(Count(), 1);
    EXPECT_EQ(M(0).type, 10);

    cmu->script.Answer("Load", 0);
    EXPECT_FALSE(Load("type = 1\n"));
    EXPECT_EQ(Count(), 0);
}

TEST_F(LoadTest, TdModelsLoadNumberedFilesAfterEqualWeights) {
    dir.Write("td5", "lamda = 0.25\n");
    dir.Write("td6", "\n");
    ASSERT_TRUE(Load("type = 3\nTDCount = 2\nstartSetID = 5\nlm = " + dir.path + "td\n"));
    EXPECT_TRUE(Called("IKN.Load(" + dir.path + "td5)"));
    EXPECT_TRUE(Called("IKN.Load(" + dir.path + "td6)"));
    // The models' own "lamda" replaces the 0.5 that the set gave them.
    EXPECT_TRUE(Logged("M(0) = " + W(0.25)));
    EXPECT_TRUE(Logged("M(1) = 1"));
    EXPECT_EQ(set.GetInfo(), "LM Info: loaded; TD(KN-2); ");
}

TEST_F(LoadTest, TdWeightsStayWhenTheModelTypeReadsNone) {
    for (int i = 0; i < 3; ++i) dir.Write("c" + std::to_string(i), "\n");
    ASSERT_TRUE(Load("type = 3\nTDCount = 3\nTDType = 9\nlm = " + dir.path + "c\n"));
    EXPECT_TRUE(Called("IWC.Load1(" + dir.path + "c2)"));
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(Logged("M(" + std::to_string(i) + ") = " + W(1.0f / 3.0f)));
    EXPECT_EQ(W(1.0f / 3.0f).substr(2), "333333343267441");
    EXPECT_EQ(set.GetInfo(), "LM Info: loaded; TD(GT-3); ");
}

TEST_F(LoadTest, TdCountBelowOneAndNegativeSkipCountFailCleanly) {
    EXPECT_FALSE(Load("type = 3\nTDCount = 0\n"));
    EXPECT_TRUE(Logged("ERROR: TDCount must be at least 1: 0"));
    EXPECT_EQ(Count(), 0);
    EXPECT_FALSE(Load("type = 10\nSkipCount = -2\n"));
    EXPECT_TRUE(Logged("ERROR: SkipCount must not be negative: -2"));
    EXPECT_EQ(Count(), 0);
    EXPECT_FALSE(set.IsLoaded());
}

TEST_F(LoadTest, SkipCountZeroLoadsNoModels) {
    ASSERT_TRUE(Load("type = 10\nSkipCount = 0\n"));
    EXPECT_EQ(At("Models weights") + 1, At("Dinamic lamda = true; Interpolation history = 0"));
    EXPECT_EQ(set.GetInfo(), "LM Info: loaded; SKIP; 0; Uh = 1");
}

TEST_F(LoadTest, SkipModelsTakeTheirTypeFromTheirFiles) {
    dir.Write("s0", "type = 0\niSkip = 1\n");
    dir.Write("s1", "type = 10\nlamda = 0.5\n");
    ASSERT_TRUE(Load("type = 10\nSkipCount = 2\nlm = " + dir.path + "s\n"));
    EXPECT_EQ(M(0).type, 0);
    EXPECT_EQ(M(1).type, 10);
    EXPECT_EQ(set.GetInfo(), "LM Info: loaded; SKIP; 2; Uh = 1; 1; -1");
    EXPECT_EQ(set.GetWeightInfo(), "Count = 2; [0]=1; [1]=" + W(0.5));
}

TEST_F(LoadTest, ReverseHalvesOnlyTwoWeightsOfOne) {
    dir.Write("r0", "\n");
    dir.Write("r1", "\n");
    ASSERT_TRUE(Load("type = 4\nlm = " + dir.path + "r\n"));
    EXPECT_TRUE(Logged("Loading Reverse KN model"));
    EXPECT_EQ(M(1).type, 4);
    EXPECT_EQ(set.GetWeightInfo(), "Count = 2; [0]=" + W(0.5) + "; [1]=" + W(0.5));

    dir.Write("r1", "lamda = 0.5\n");
    ASSERT_TRUE(Load("type = 4\nlm = " + dir.path + "r\n"));
    EXPECT_EQ(set.GetWeightInfo(), "Count = 2; [0]=1; [1]=" + W(0.5));

    // A binary CMU pair takes its files from lmCMU.
    dir.Write("b0", "\n");
    dir.Write("b1", "\n");
    ASSERT_TRUE(Load("type = 4\nlmType = 1\nlmCMU = " + dir.path + "b\n"));
    EXPECT_EQ(M(0).type, 1);
    EXPECT_EQ(M(1).type, 5);
    EXPECT_EQ(set.GetInfo(), "LM Info: loaded; REVERSE(GT)");
}

TEST_F(LoadTest, ClassSetPairsAModelWithAClassModel) {
    dir.Write("k0", "\n");
    dir.Write("k1", "lamda = 0.5\n");
    ASSERT_TRUE(Load("type = 5\nlm = " + dir.path + "k\nEMHist = 100\n"));
    EXPECT_EQ(M(1).type, 6);
    EXPECT_TRUE(Called("IWC.Load(" + dir.path + "k1)"));
    EXPECT_EQ(set.GetWeightInfo(), "Count = 2; [0]=1; [1]=" + W(0.5));
    EXPECT_EQ(set.GetInfo(), "LM Info: loaded; CLASS(KN); Uh = 1; Eh = 100");
}

TEST_F(LoadTest, CacheSetSharesTheCacheWithItsView) {
    const std::string file = Settings("type = 2\n");
    ASSERT_TRUE(set.Load(file));
    ASSERT_EQ(Count(), 3);
    EXPECT_EQ(M(0).type, 0);
    EXPECT_EQ(M(1).type, 2);
    EXPECT_EQ(M(2).type, 3);
    EXPECT_TRUE(Called("ICache.Load(" + file + ")"));
    EXPECT_EQ(M(2).cache.get(), M(1).cache.get());
    EXPECT_FALSE(M(2).loaded);
    EXPECT_EQ(set.GetWeightInfo(), "Count = 3; [0]=1; [1]=0; [2]=0");
    EXPECT_EQ(set.GetInfo(), "LM Info: loaded; CACHE(KN); ");
}

TEST_F(LoadTest, AnalyzerSetsLoadTheSettingsFileWithADigit) {
    const std::string file = Settings("type = 7\n");
    dir.Write("tarvel.set0", "\n");
    dir.Write("tarvel.set1", "lamda = 0.3\n");
    ASSERT_TRUE(set.Load(file));
    EXPECT_LT(At("Language Analyzer initialized"), At("Loading KN model"));
    EXPECT_TRUE(Called("IKN.Load(" + file + "0)"));
    EXPECT_TRUE(Called("IWC.Load1(" + file + "1)"));
    EXPECT_EQ(set.GetWeightInfo(), "Count = 2; [0]=1; [1]=1");

    Settings("type = 6\nCacheType = 0\n");
    ASSERT_TRUE(set.Load(file));
    ASSERT_EQ(Count(), 3);
    EXPECT_EQ(M(1).type, 7);
    EXPECT_EQ(M(2).type, 8);
    EXPECT_EQ(M(2).cache.get(), M(1).cache.get());
    EXPECT_EQ(M(2).wc.get(), M(1).wc.get());
    EXPECT_EQ(set.GetWeightInfo(), "Count = 3; [0]=1; [1]=0; [2]=0");
}

TEST_F(LoadTest, AnalyzerThatCannotBeCreatedFailsTheLoad) {
    creator.Fail(CLSID_Morvek, E_FAIL);
    EXPECT_FALSE(Load("type = 12\n"));
    EXPECT_TRUE(Logged("ERROR: Failed loading Language Analyzer"));
    EXPECT_EQ(Count(), 0);
    EXPECT_FALSE(Logged("Models weights"));
}

TEST_F(LoadTest, AnalyzerCreationThatRaisesKeepsTheEarlierReference) {
    dir.Write("x0", "\n");
    dir.Write("x1", "\n");
    ASSERT_TRUE(Load("type = 12\nlm = " + dir.path + "x\n"));
    const ULONG refs = za->refs();
    creator.Fail(CLSID_Morvek, E_FAIL);
    engine::SetDebugAnswer(engine::DebugAnswer::Yes);
    EXPECT_FALSE(Load("type = 12\nlm = " + dir.path + "x\n"));
    engine::SetDebugAnswer(engine::DebugAnswer::No);
    EXPECT_TRUE(Logged("ERROR: Failed loading Language Analyzer"));
    EXPECT_EQ(za->refs(), refs);
}

TEST_F(LoadTest, AnalyzerInitMustAnswerExactlyOne) {
    za->script.Answer("Init", -1);  // VARIANT_TRUE
    const ULONG refs = za->refs();
    EXPECT_FALSE(Load("type = 11\n"));
    EXPECT_TRUE(Logged("ERROR: Language Analyzer failed: unknown word"));
    EXPECT_EQ(Count(), 0);
    EXPECT_EQ(za->refs(), refs);  // the set's reference is released
}

TEST_F(LoadTest, WeightChecksWarnWithTheUnroundedSum) {
    for (int i = 0; i < 4; ++i) dir.Write("m" + std::to_string(i), "lamda = 0.1\n");
    dir.Write("m2", "lamda = 0.9\n");
    ASSERT_TRUE(Load("type = 11\nlm = " + dir.path + "m\n"));
    EXPECT_TRUE(Logged("WARNING: Lambda does not sum to 1: " + W(0.999999977648258)));
    EXPECT_EQ(W(0.999999977648258).substr(2), "999999977648258");
    EXPECT_TRUE(Logged("M(0) = 1"));

    dir.Write("m1", "lamda = 0.3\n");
    dir.Write("m2", "lamda = 0.7\n");
    form.lines.clear();
    ASSERT_TRUE(Load("type = 11\nlm = " + dir.path + "m\n"));
    for (const auto& l : form.lines) EXPECT_EQ(l.find("WARNING"), std::string::npos) << l;
}

TEST_F(LoadTest, TypeThirteenChecksBothPairsInOrder) {
    for (int i = 0; i < 4; ++i) dir.Write("m" + std::to_string(i), "\n");
    ASSERT_TRUE(Load("type = 13\nlm = " + dir.path + "m\n"));
    const int a = At("WARNING: Lambda does not sum to 1 (m2+m3): 2");
    const int b = At("WARNING: Lambda does not sum to 1 (m0+m1): 2");
    EXPECT_GE(a, 0);
    EXPECT_GT(b, a);
    EXPECT_EQ(set.GetWeightInfo(), "Count = 4; [0]=1; [1]=1; [2]=1; [3]=1");
}

TEST_F(LoadTest, TypeFourteenSetsModelTwoAfterItsCheck) {
    dir.Write("m0", "lamda = 0.25\n");
    dir.Write("m1", "lamda = 0.75\n");
    dir.Write("m2", "lamda = 0.2\n");
    ASSERT_TRUE(Load("type = 14\nlm = " + dir.path + "m\n"));
    for (const auto& l : form.lines) EXPECT_EQ(l.find("WARNING"), std::string::npos) << l;
    EXPECT_EQ(set.GetWeightInfo(), "Count = 3; [0]=" + W(0.25) + "; [1]=" + W(0.75) + "; [2]=1");
}

TEST_F(LoadTest, WordClassSetLoadsLmWithZero) {
    dir.Write("w0", "\n");
    ASSERT_TRUE(Load("type = 9\nlm = " + dir.path + "w\n"));
    EXPECT_EQ(M(0).type, 11);
    EXPECT_TRUE(Called("IWC.Load(" + dir.path + "w0)"));
}

TEST_F(LoadTest, DynamicWeightsGiveEveryModelAHistoryOfTwiceEMHist) {
    ASSERT_TRUE(Load("type = 0\nEMHist = 5\n"));
    EXPECT_TRUE(Logged("Dinamic lamda = true; Interpolation history = 5"));
    ASSERT_TRUE(M(0).history);
    EXPECT_EQ(M(0).history->capacity, 10);

    ASSERT_TRUE(Load("type = 0\n"));
    EXPECT_EQ(M(0).history->capacity, 0);

    ASSERT_TRUE(Load("type = 0\nlamdaDinamic = 2\nEMHist = 5\n"));
    EXPECT_TRUE(Logged("Dinamic lamda = false"));
    EXPECT_FALSE(M(0).history);
    EXPECT_EQ(set.GetInfo(), "LM Info: loaded; KN; ");
}

TEST_F(LoadTest, HistoriesTooLargeForMemoryFailTheLoad) {
    // 2 x EMHist values do not fit in memory; 2 x 2000000000 does not even fit in 32 bits.
    for (const char* emHist : {"400000000", "2000000000"}) {
        form.lines.clear();
        EXPECT_FALSE(Load(std::string("type = 2\nEMHist = ") + emHist + "\n")) << emHist;
        EXPECT_FALSE(set.IsLoaded());
        EXPECT_EQ(set.GetInfo(), "Not loaded");
        EXPECT_EQ(Count(), 0);
        ASSERT_FALSE(form.lines.empty());
        EXPECT_EQ(form.lines.back(),
                  std::string("ERROR: Not enough memory for the histories: EMHist = ") + emHist);
        // Queries answer as on a set that was never loaded.
        EXPECT_EQ(set.GetProbW("a", 3), LogZeroProb);
        EXPECT_TRUE(set.AddHistory("b", 1));
        EXPECT_EQ(set.Probability("a", "b", "c"), LogZeroProb);
    }
    ASSERT_TRUE(Load("type = 2\nEMHist = 5\n"));
    EXPECT_EQ(M(0).history->capacity, 10);
}

TEST_F(LoadTest, ASecondLoadStartsFromNothing) {
    dir.Write("td0", "\n");
    dir.Write("td1", "\n");
    ASSERT_TRUE(Load("type = 3\nTDCount = 2\nlm = " + dir.path + "td\n"));
    ASSERT_EQ(Count(), 2);
    // Model 1's file is missing: every model of this load goes.
    dir.Write("u0", "\n");
    EXPECT_FALSE(Load("type = 3\nTDCount = 2\nlm = " + dir.path + "u\n"));
    EXPECT_EQ(Count(), 0);
    EXPECT_TRUE(Logged("ERROR: Can not Init settings file " + dir.path + "u1"));
    EXPECT_EQ(set.GetInfo(), "Not loaded");
}

TEST_F(LoadTest, WordHistoryHoldsAThousandWordsAfterALoad) {
    set.AddHistory("before", 0);  // no capacity yet: nothing is kept
    EXPECT_EQ(TTarvelAccess::Words(set).count, 0);
    ASSERT_TRUE(Load("type = 0\n"));
    EXPECT_EQ(TTarvelAccess::Words(set).capacity, 1000);
    for (int i = 0; i < 1001; ++i) set.AddHistory(std::to_string(i).c_str(), 0);
    EXPECT_EQ(TTarvelAccess::Words(set).count, 1000);
    EXPECT_STREQ(TTarvelAccess::Words(set).Get(0), "1000");
}

}  // namespace
