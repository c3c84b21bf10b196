// Morvek (IZA): Init finds the lexicon, AnalyzeAll answers 1 or 4 and fills PForma and SInfo.
#include "com_calls.h"
#include "components.h"
#include "test_data.h"

namespace {

class MorvekTest : public ComTest {
protected:
    void SetUp() override {
        ComTest::SetUp();
        ::SetEnvironmentVariableA("MORVEK_LEXICON", DataPath("morvek.lex").c_str());
        za_ = Create<IZA>(CLSID_Morvek, IID_IZA);
        ASSERT_TRUE(za_);
    }
    void TearDown() override { ::SetEnvironmentVariableA("MORVEK_LEXICON", nullptr); }
    VARIANT_BOOL Init() {
        VARIANT_BOOL ready = -7;
        EXPECT_EQ(S_OK, VCall(za_.get(), 7, &ready));
        return ready;
    }
    std::string TextAt(int pos) {
        com::unique_bstr b;
        EXPECT_EQ(S_OK, VCall(za_.get(), pos, b.put()));
        return com::FromBstr(b.get());
    }
    LONG Analyze(const char* word) {
        LONG r = -7;
        EXPECT_EQ(S_OK, VCall(za_.get(), 16, static_cast<BSTR>(Text(word)), &r));
        return r;
    }
    static constexpr int kLastError = 8, kPForma = 10, kSInfo = 11;
    com::com_ptr<IZA> za_;
};

}  // namespace

TEST_F(MorvekTest, AnalysesKnownAndUnknownWords) {
    ASSERT_EQ(1, Init());  // exactly 1, not VARIANT_TRUE
    EXPECT_EQ(1, Analyze("namo"));
    EXPECT_EQ("namas", TextAt(kPForma));
    EXPECT_EQ("dkt.vyr.vns.kilm.", TextAt(kSInfo));
    EXPECT_EQ(1, Analyze("\xDEmon\xEBs"));  // capital Ž: found by its lower-case form
    EXPECT_EQ("\xFEmogus", TextAt(kPForma));
    EXPECT_EQ(4, Analyze("Kompiuteris"));
    EXPECT_EQ("kompiuteris", TextAt(kPForma));
    EXPECT_EQ("UNK", TextAt(kSInfo));
    EXPECT_EQ(4, Analyze(""));  // the engine always analyses its third word, also when empty
    EXPECT_EQ("", TextAt(kPForma));
    EXPECT_EQ(4, Analyze(nullptr));

    LONG n = -7;
    EXPECT_EQ(S_OK, VCall(za_.get(), 9, &n));
    EXPECT_EQ(5, n);
    EXPECT_EQ(S_OK, VCall(za_.get(), 12, static_cast<BSTR>(Text("eina")), &n));
    EXPECT_EQ(1, n);
    EXPECT_EQ(S_OK, VCall(za_.get(), 15));  // Reset
    EXPECT_EQ("", TextAt(kSInfo));

    com::unique_variant r;
    ASSERT_EQ(S_OK, LateCall(za_.get(), L"AnalyzeAll", {Var("eina")}, r.put()));
    EXPECT_EQ(1, r->lVal);
    ASSERT_EQ(S_OK, LateCall(za_.get(), L"PForma", {}, r.put()));
    EXPECT_EQ(VT_BSTR, r->vt);
    EXPECT_EQ("eiti", com::FromBstr(r->bstrVal));
}

TEST_F(MorvekTest, WithoutTheVariableTheLexiconBesideTheServerIsRead) {
    ::SetEnvironmentVariableA("MORVEK_LEXICON", nullptr);
    ASSERT_EQ(1, Init());
    EXPECT_EQ(1, Analyze("namas"));
}

TEST_F(MorvekTest, FailuresLeaveAnErrorText) {
    EXPECT_EQ(0, Analyze("namas"));  // before Init
    EXPECT_EQ("Analyzer not initialized", TextAt(kLastError));
    ::SetEnvironmentVariableA("MORVEK_LEXICON", DataPath("bad/morvek_bad.lex").c_str());
    EXPECT_EQ(0, Init());
    EXPECT_EQ(DataPath("bad/morvek_bad.lex") + ": expected \"word base-form analysis\" in the lexicon at line 1",
              TextAt(kLastError));
    ::SetEnvironmentVariableA("MORVEK_LEXICON", DataPath("absent.lex").c_str());
    EXPECT_EQ(0, Init());
    EXPECT_EQ("Can not open file: " + DataPath("absent.lex"), TextAt(kLastError));
    EXPECT_EQ(0, Analyze("namas"));
    EXPECT_EQ("", TextAt(kPForma));
}
