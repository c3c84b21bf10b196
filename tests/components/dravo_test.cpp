// Dravo (IKN) through the registry: vtable positions, late binding, bad input.
#include "com_calls.h"
#include "components.h"
#include "stderr_capture.h"
#include "test_data.h"

namespace {

class DravoTest : public ComTest {
protected:
    void SetUp() override {
        ComTest::SetUp();
        kn_ = Create<IKN>(CLSID_Dravo, IID_IKN);
        ASSERT_TRUE(kn_);
    }
    LONG Load(const std::string& file) {
        LONG ok = -7;
        EXPECT_EQ(S_OK, VCall(kn_.get(), 7, static_cast<BSTR>(Text(file.c_str())), &ok));
        return ok;
    }
    float P(const char* w1, const char* w2, const char* w3) {
        float p = -7;
        EXPECT_EQ(S_OK, VCall(kn_.get(), 9, static_cast<BSTR>(Text(w1)), static_cast<BSTR>(Text(w2)),
                              static_cast<BSTR>(Text(w3)), &p));
        return p;
    }
    float PI(LONG a, LONG b, LONG c) {
        float p = -7;
        EXPECT_EQ(S_OK, VCall(kn_.get(), 10, a, b, c, &p));
        return p;
    }
    LONG Id(const char* w) {
        LONG id = -7;
        EXPECT_EQ(S_OK, VCall(kn_.get(), 11, static_cast<BSTR>(Text(w)), &id));
        return id;
    }
    com::com_ptr<IKN> kn_;
};

}  // namespace

TEST_F(DravoTest, AnswersAtTheEnginesPositions) {
    ASSERT_EQ(1, Load(DataPath("kn.ini")));
    EXPECT_NEAR(0.891250938, P("a", "b", "c"), 1e-6);
    EXPECT_NEAR(0.251188643, P("a", "b", "a"), 1e-6);
    EXPECT_NEAR(0.035481339, P("a", "b", "zz"), 1e-6);
    EXPECT_NEAR(0.316227766, P(nullptr, nullptr, "a"), 1e-6);  // null is the empty text
    EXPECT_NEAR(0.891250938, PI(3, 4, 5), 1e-6);
    EXPECT_NEAR(0.063095734, PI(1, 3, 3), 1e-6);
    EXPECT_NEAR(0.035481339, PI(3, 4, 0), 1e-6);
    EXPECT_EQ(3, Id("a"));
    EXPECT_EQ(1, Id("<s>"));
    EXPECT_EQ(0, Id("zz"));
    EXPECT_EQ(0, Id(nullptr));
    EXPECT_EQ(S_OK, VCall(kn_.get(), 12, LONG{1}));  // InfoOn
    LONG count = -1;
    EXPECT_EQ(S_OK, VCall(kn_.get(), 8, &count));  // filler: vocabulary size
    EXPECT_EQ(6, count);
}

TEST_F(DravoTest, LateBound) {
    com::unique_variant r;
    ASSERT_EQ(S_OK, LateCall(kn_.get(), L"Load", {Var(DataPath("kn.ini").c_str())}, r.put()));
    EXPECT_EQ(VT_I4, r->vt);
    EXPECT_EQ(1, r->lVal);
    ASSERT_EQ(S_OK, LateCall(kn_.get(), L"Probability", {Var("a"), Var("b"), Var("c")}, r.put()));
    EXPECT_EQ(VT_R4, r->vt);
    EXPECT_NEAR(0.891250938, r->fltVal, 1e-6);
    ASSERT_EQ(S_OK, LateCall(kn_.get(), L"ProbabilityI", {Var(3), Var(4), Var(3)}, r.put()));
    EXPECT_NEAR(0.251188643, r->fltVal, 1e-6);
    ASSERT_EQ(S_OK, LateCall(kn_.get(), L"GetWordId", {Var("c")}, r.put()));
    EXPECT_EQ(5, r->lVal);
}

TEST_F(DravoTest, BadFilesAnswerZeroAndLeaveNoModel) {
    ASSERT_EQ(1, Load(DataPath("kn.ini")));
    for (const char* bad : {"absent.ini", "bad/settings_no_equals.ini", "bad/kn_missing_model.ini",
                            "bad/kn_bad_model.ini", "cache.ini" /* no kn_model */}) {
        EXPECT_EQ(0, Load(DataPath(bad))) << bad;
        EXPECT_EQ(0.0f, P("a", "b", "c")) << bad;
        EXPECT_EQ(0, Id("a"));
    }
    EXPECT_EQ(0, Load(""));
    LONG ok = -7;
    EXPECT_EQ(S_OK, VCall(kn_.get(), 7, static_cast<BSTR>(nullptr), &ok));
    EXPECT_EQ(0, ok);
}

// A load that fails says why on standard error (the file, the place, what was expected), where
// Tarvel's "stderr.txt" keeps it; a file of a higher order than Dravo answers loads and says so.
TEST_F(DravoTest, LoadReasonsReachStandardError) {
    const struct {
        const char* settings;
        LONG ok;
        std::string says;
    } cases[] = {
        {"bad/kn_missing_model.ini", 0,
         "Dravo: Can not open file: " + DataPath("bad/missing.arpa") + " (kn_model in " +
             DataPath("bad/kn_missing_model.ini") + ")\n"},
        {"bad/kn_not_arpa.ini", 0,
         "Dravo: " + DataPath("bad") + "\\../classes.txt" +
             ": no \\data\\ line in the text before \\data\\ at the end"},
        {"bad/kn_truncated.ini", 0,
         "Dravo: " + DataPath("bad/truncated.arpa") +
             ": file ends after 1 of 2 entries in the 2-grams at the end of the file (line 11)"},
        {"kn4.ini", 1,
         "Dravo: warning: " + DataPath("tiny4.arpa") +
             ": a 4-gram model, but Dravo answers from 2 history words: n-grams longer than 3 words are not used\n"},
    };
    for (const auto& c : cases) {
        StderrCapture err;
        EXPECT_EQ(c.ok, Load(DataPath(c.settings))) << c.settings;
        EXPECT_NE(std::string::npos, err.Text().find(c.says)) << c.settings << ": " << err.Text();
    }
    StderrCapture err;
    ASSERT_EQ(1, Load(DataPath("kn.ini")));
    EXPECT_EQ("", err.Text());  // a sound load says nothing
}

TEST_F(DravoTest, UnloadedAnswersAreNumbers) {
    EXPECT_EQ(0.0f, P("a", "b", "c"));
    EXPECT_EQ(0.0f, PI(-5, 1 << 30, 7));
    ASSERT_EQ(1, Load(DataPath("kn.ini")));
    for (LONG a : {-1, 0, 1, 5, 6, 0x7FFFFFFF})
        for (LONG c : {-1, 0, 2, 6, 1000}) {
            float p = PI(a, a, c);
            EXPECT_NUMBER(p);
            EXPECT_GE(p, 0.0f);
            EXPECT_LE(p, 1.0f);
        }
}
