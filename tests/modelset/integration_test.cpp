// Model sets loaded through the real components registered in the test prefix, from fixture
// files whose values are worked out by hand in their comments.
#include <gtest/gtest.h>

#include <cmath>

#include "Tarvel/engine/modelset.h"
#include "Tarvel/engine/servers.h"
#include "Tarvel/shell/utils.h"
#include "access.h"
#include "fake_creator.h"
#include "fake_toolops.h"
#include "temp_dir.h"

namespace {

using A = TTarvelAccess;
constexpr double Tol = 1e-5;

class SetIntegration : public ::testing::Test {
protected:
    static std::string Data(const char* name) { return std::string(MODELSET_DATA) + name; }
    bool Load(const std::string& text) {
        form.settingsFile = dir.Write("tarvel.set", text);
        return set.Load(form.settingsFile);
    }
    void TearDown() override {
        for (const auto& r : engine::TakeDebugReports()) ADD_FAILURE() << r.caption << r.text;
    }

    fakes::ScopedDebugAnswer answer{engine::DebugAnswer::No};
    fakes::FakeToolOps form;
    TempDir dir;
    TTarvel set;
};

// td0: KN over tiny.arpa, weight 0.25; td1: KN over unigram.arpa, weight 0.75.
TEST_F(SetIntegration, TdSetOfTwoKnModels) {
    ASSERT_TRUE(Load("type = 3\nTDCount = 2\nEMHist = 3\nlm = " + Data("td") + "\n"))
        << ::testing::PrintToString(form.lines);
    EXPECT_EQ(set.GetInfo(), "LM Info: loaded; TD(KN-2); ");
    // 0.25 * 0.891250938 + 0.75 * 0.25 = 0.410312735
    EXPECT_NEAR(set.Probability("a", "b", "c"), std::log10(0.410312735), Tol);
    // "zz": tiny.arpa gives <unk> 0.035481339, unigram.arpa knows no <unk>: 0.25 * 0.035481339.
    EXPECT_NEAR(set.Probability("a", "b", "zz"), std::log10(0.25 * 0.035481339), Tol);
    // By ids: model 0 alone, without weight.
    EXPECT_NEAR(set.ProbabilityId(3, 4, 5), -0.05, Tol);
    EXPECT_EQ(set.IsUnknown("c"), 5);
    EXPECT_EQ(set.IsUnknown("zz"), 0);

    // The models record their own probabilities of the history words.
    for (const char* w : {"a", "b", "c"}) EXPECT_TRUE(set.AddHistory(w, 1));
    const ListP& h0 = *A::Model(set, 0).history;
    const ListP& h1 = *A::Model(set, 1).history;
    ASSERT_EQ(h0.count, 3);
    EXPECT_NEAR(h0.items[0], 0.316227766, Tol);  // p(a)
    EXPECT_NEAR(h0.items[1], 0.501187234, Tol);  // p(b | a)
    EXPECT_NEAR(h0.items[2], 0.891250938, Tol);  // p(c | a b)
    EXPECT_NEAR(h1.items[0], 0.5, Tol);
    EXPECT_NEAR(h1.items[2], 0.25, Tol);
    // Model 0 explains the history better: EM moves the weight towards it.
    EXPECT_TRUE(set.UpdateWeight());
    const float w0 = A::Model(set, 0).lamda, w1 = A::Model(set, 1).lamda;
    EXPECT_GT(w0, 0.5f);
    EXPECT_NEAR(w0 + w1, 1.0, 1e-6);
}

// morf0: modified KN over base forms; morf1: over analysis texts. The analyzer's lexicon gives
// namas -> namas, eina -> eiti, namo -> namas with their analysis texts.
TEST_F(SetIntegration, AnalyzerSetOfTwoModifiedKnModels) {
    ASSERT_TRUE(Load("type = 12\nlm = " + Data("morf") + "\n")) << ::testing::PrintToString(form.lines);
    EXPECT_NE(std::find(form.lines.begin(), form.lines.end(), "Language Analyzer initialized"), form.lines.end());
    EXPECT_EQ(set.GetWeightInfo().substr(0, 18), "Count = 2; [0]=1; ");
    EXPECT_EQ(set.GetWeightInfo().substr(18), "[1]=1");
    set.GetProbW("namas", 3);
    set.GetProbW("eina", 3);
    // p(namas | namas eiti) = 10^-0.1 times p(dkt.vyr.vns.kilm. | vard. vksm. namas) = 10^-0.2.
    EXPECT_NEAR(set.GetProbW("namo", 3), -0.3, Tol);
    EXPECT_STREQ(A::F(set, 0), "namas");
    EXPECT_STREQ(A::F(set, 1), "eiti");
    EXPECT_STREQ(A::S(set, 2), "dkt.vyr.vns.kilm.");
    // The word's id is its base form's.
    EXPECT_EQ(set.IsUnknown("namo"), 1);
    EXPECT_EQ(set.IsUnknown("eina"), 2);
    EXPECT_EQ(set.IsUnknown("qq"), 0);
}

}  // namespace
