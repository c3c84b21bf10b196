// The COM class in-process, over an engine with a stand-in server: conversions, results, the
// exception boundary and the late-bound interface from the registered type library.
#include <gtest/gtest.h>
#include "DTW/NolikImpl.h"
#include "com/bstr.h"
#include "com/coinit.h"
#include "com/module.h"
#include "dispatch.h"
#include "fake_creator.h"
#include "fake_lm.h"
#include "temp_component.h"

using com::com_ptr;
using fakes::CallLog;
using fakes::FakeLM;

namespace {

class NolikTest : public ::testing::Test {
protected:
    void SetUp() override {
        creator.Provide(CLSID_LM, lm.get());
        lm->script.Answer("IsLoaded", 1);
        lm->script.Answer("IsUnknown", 1);
        nolik = com_ptr<INolik>::attach(
            new TNolikImpl(std::make_unique<SimilarWordEngine>(component.reader())));
    }

    std::string LastError() {
        com::unique_bstr text;
        EXPECT_EQ(S_OK, nolik->GetLastError(text.put()));
        EXPECT_NE(nullptr, text.get());  // the empty text is a BSTR too
        return com::FromBstr(text.get());
    }
    void InitOk() {
        VARIANT_BOOL ok = 0;
        ASSERT_EQ(S_OK, nolik->Init(&ok));
        ASSERT_EQ(1, ok) << LastError();
    }

    com::CoInitGuard coinit;
    CallLog log;
    com_ptr<FakeLM> lm = fakes::Make<FakeLM>(log);
    fakes::FakeCreator creator{log};
    fakes::ScopedCreator scopedCreator{creator};
    fakes::ScopedDebugAnswer debugAnswer{engine::DebugAnswer::No};
    TempComponent component{"namas\nnamai\na\n\xE0\xFEuolas\n"};
    com_ptr<INolik> nolik;
};

TEST_F(NolikTest, FreshObjectAnswersNeutrally) {
    EXPECT_EQ("", LastError());
    double max = 0;
    EXPECT_EQ(S_OK, nolik->GetMaxValue(&max));
    EXPECT_EQ(6.0, max);
    VARIANT_BOOL b = 7;
    EXPECT_EQ(S_OK, nolik->IsLoaded(&b));
    EXPECT_EQ(0, b);
    long r = 7;
    com::unique_bstr word = com::ToBstr("namas");
    EXPECT_EQ(S_OK, nolik->Analyze(word.get(), &r));
    EXPECT_EQ(0, r);
    EXPECT_EQ(S_OK, nolik->CheckContext(word.get(), word.get(), &r));
    EXPECT_EQ(0, r);
    EXPECT_EQ("No answer", LastError());
    double v = 0;
    EXPECT_EQ(S_OK, nolik->GetNearestValue(0, &v));
    EXPECT_EQ(-1.0, v);
    EXPECT_EQ(S_OK, nolik->GetBestValue(0, &v));
    EXPECT_EQ(-1.0, v);
    com::unique_bstr best;
    EXPECT_EQ(S_OK, nolik->GetBest(0, best.put()));
    EXPECT_EQ("", com::FromBstr(best.get()));
    EXPECT_EQ(S_OK, nolik->UnLoadLM(&b));
    EXPECT_EQ(1, b);
}

TEST_F(NolikTest, BooleansAreOneNotVariantTrue) {
    VARIANT_BOOL ok = 0;
    ASSERT_EQ(S_OK, nolik->Init(&ok));
    EXPECT_EQ(1, ok);
    EXPECT_NE(VARIANT_TRUE, ok);
    VARIANT_BOOL loaded = 0;
    EXPECT_EQ(S_OK, nolik->IsLoaded(&loaded));
    EXPECT_EQ(1, loaded);
    EXPECT_EQ(S_OK, nolik->Init(&ok));
    EXPECT_EQ(0, ok);
    EXPECT_EQ("Already initialized", LastError());

    LateCall init;
    CallLate(init, nolik.get(), L"IsLoaded");
    ASSERT_EQ(S_OK, init.hr);
    EXPECT_EQ(VT_BOOL, init.result->vt);
    EXPECT_EQ(1, init.result->boolVal);
}

TEST_F(NolikTest, TextsCrossInTheBalticCodePageAndNullIsEmpty) {
    InitOk();
    long r = 0;
    ASSERT_EQ(S_OK, nolik->Analyze(nullptr, &r));
    EXPECT_EQ(1, r);
    com::unique_bstr word;
    ASSERT_EQ(S_OK, nolik->GetNearest(0, word.put()));
    EXPECT_EQ("a", com::FromBstr(word.get()));  // 2.1 from the empty word

    com::unique_bstr upper(::SysAllocString(L"\u0104\u017DUOLAS"));
    ASSERT_EQ(S_OK, nolik->Analyze(upper.get(), &r));
    ASSERT_EQ(S_OK, nolik->GetNearest(0, word.put()));
    EXPECT_STREQ(L"\u0105\u017Euolas", word.get());
    ASSERT_EQ(S_OK, nolik->InVocabulary(upper.get(), &r));
    EXPECT_EQ(1, r);
    ASSERT_EQ(S_OK, nolik->InVocabulary(nullptr, &r));
    EXPECT_EQ(0, r);
}

TEST_F(NolikTest, CheckContextPassesTheFirstParameterFirst) {
    InitOk();
    long r = 0;
    com::unique_bstr query = com::ToBstr("namas");
    ASSERT_EQ(S_OK, nolik->Analyze(query.get(), &r));
    com::unique_bstr first = com::ToBstr("Labas"), second = com::ToBstr("rytas");
    ASSERT_EQ(S_OK, nolik->CheckContext(first.get(), second.get(), &r));
    EXPECT_EQ(1, r);
    EXPECT_NE(log.calls.end(), std::find(log.calls.begin(), log.calls.end(), "LM.Probability(labas,rytas,namas)"));

    // Absent context words are empty ones.
    log.Clear();
    ASSERT_EQ(S_OK, nolik->CheckContext(nullptr, nullptr, &r));
    EXPECT_NE(log.calls.end(), std::find(log.calls.begin(), log.calls.end(), "LM.Probability(,,namas)"));

    com::unique_bstr best;
    ASSERT_EQ(S_OK, nolik->GetBest(0, best.put()));
    EXPECT_EQ("namas", com::FromBstr(best.get()));
    double score = 0;
    ASSERT_EQ(S_OK, nolik->GetBestValue(0, &score));
    EXPECT_GT(score, 0.5);
}

TEST_F(NolikTest, SettersReachTheEngine) {
    auto owned = std::make_unique<SimilarWordEngine>(component.reader());
    const SimilarWordEngine& engine = *owned;
    nolik = com_ptr<INolik>::attach(new TNolikImpl(std::move(owned)));
    EXPECT_EQ(S_OK, nolik->SetStaModelValue(0.37));
    EXPECT_EQ(0.37, engine.GetWeight());

    EXPECT_EQ(S_OK, nolik->SetMaxValue(20));
    double max = 0;
    EXPECT_EQ(S_OK, nolik->GetMaxValue(&max));
    EXPECT_EQ(20.0, max);
    EXPECT_EQ(S_OK, nolik->SetMaxValue(-3));  // no range is checked
    EXPECT_EQ(S_OK, nolik->GetMaxValue(&max));
    EXPECT_EQ(-3.0, max);
}

TEST_F(NolikTest, ExceptionBecomesErrorInformationAndLeavesTheOutValue) {
    InitOk();
    long r = 0;
    com::unique_bstr query = com::ToBstr("namas");
    ASSERT_EQ(S_OK, nolik->Analyze(query.get(), &r));
    ASSERT_EQ(S_OK, nolik->CheckContext(query.get(), query.get(), &r));

    engine::SetDebugAnswer(engine::DebugAnswer::Yes);  // a failed server call raises
    lm->script.Fail("IsLoaded", E_FAIL);
    ::SetErrorInfo(0, nullptr);
    r = 77;
    EXPECT_EQ(DISP_E_EXCEPTION, nolik->CheckContext(query.get(), query.get(), &r));
    EXPECT_EQ(77, r);
    com_ptr<IErrorInfo> info;
    ASSERT_EQ(S_OK, ::GetErrorInfo(0, info.put()));
    GUID iid{};
    info->GetGUID(&iid);
    EXPECT_TRUE(IsEqualGUID(IID_INolik, iid));
    com::unique_bstr description, source;
    info->GetDescription(description.put());
    info->GetSource(source.put());
    EXPECT_NE(std::string::npos, com::FromBstr(description.get()).find("IsLoaded")) << com::FromBstr(description.get());
    // The source is the registered ProgID (the library is registered in the test prefix).
    EXPECT_EQ("Pevra.Nolik", com::FromBstr(source.get()));

    // Late-bound, the same failure arrives as exception information.
    LateCall late;
    com::unique_bstr w1 = com::ToBstr("labas");
    CallLate(late, nolik.get(), L"CheckContext", {TextArg(w1.get()), TextArg(w1.get())});
    EXPECT_EQ(DISP_E_EXCEPTION, late.hr);
    EXPECT_NE(std::string::npos, com::FromBstr(late.excep.bstrDescription).find("IsLoaded"));
    EXPECT_EQ("Pevra.Nolik", com::FromBstr(late.excep.bstrSource));

    // The object stays usable.
    lm->script.Fail("IsLoaded", S_OK);
    EXPECT_EQ(S_OK, nolik->CheckContext(query.get(), query.get(), &r));
    EXPECT_EQ(1, r);
}

TEST_F(NolikTest, LateBoundNamesAndDispIds) {
    EXPECT_EQ(0x60020000, DispIdOf(nolik.get(), L"Init"));
    EXPECT_EQ(10, DispIdOf(nolik.get(), L"IsLoaded"));
    EXPECT_EQ(2, DispIdOf(nolik.get(), L"GetLastError"));
    EXPECT_EQ(8, DispIdOf(nolik.get(), L"CheckContext"));
    EXPECT_EQ(11, DispIdOf(nolik.get(), L"UnLoadLM"));
    EXPECT_EQ(15, DispIdOf(nolik.get(), L"GetMaxValue"));

    LateCall init;
    CallLate(init, nolik.get(), L"Init");
    ASSERT_EQ(S_OK, init.hr);
    ASSERT_EQ(VT_BOOL, init.result->vt);
    EXPECT_EQ(1, init.result->boolVal);  // a test against VARIANT_TRUE does not see true

    com::unique_bstr word = com::ToBstr(" NAMAS ");
    LateCall analyze;
    CallLate(analyze, nolik.get(), L"Analyze", {TextArg(word.get())});
    ASSERT_EQ(S_OK, analyze.hr);
    EXPECT_EQ(1, analyze.result->lVal);
    LateCall nearest;
    CallLate(nearest, nolik.get(), L"GetNearest", {LongArg(1)});
    ASSERT_EQ(VT_BSTR, nearest.result->vt);
    EXPECT_EQ("namai", com::FromBstr(nearest.result->bstrVal));
    LateCall max;
    CallLate(max, nolik.get(), L"GetMaxValue");
    ASSERT_EQ(VT_R8, max.result->vt);
    EXPECT_EQ(6.0, max.result->dblVal);
}

TEST_F(NolikTest, InterfacesAndModuleLock) {
    com_ptr<IDispatch> dispatch = nolik.try_query<IDispatch>(IID_IDispatch);
    ASSERT_TRUE(dispatch);
    EXPECT_EQ(static_cast<IDispatch*>(nolik.get()), dispatch.get());
    EXPECT_TRUE(nolik.try_query<IUnknown>(IID_IUnknown));
    EXPECT_FALSE(nolik.try_query<ISupportErrorInfo>(IID_ISupportErrorInfo));
    EXPECT_FALSE(nolik.try_query<IPersist>(IID_IPersist));

    const long locks = com::ModuleLockCount();
    dispatch.reset();
    nolik.reset();
    EXPECT_EQ(locks - 1, com::ModuleLockCount());
}

TEST_F(NolikTest, ReleasingTheObjectReleasesTheServer) {
    InitOk();
    long r = 0;
    com::unique_bstr query = com::ToBstr("namas");
    nolik->Analyze(query.get(), &r);
    ASSERT_EQ(S_OK, nolik->CheckContext(query.get(), query.get(), &r));
    const ULONG held = lm->refs();
    nolik.reset();
    EXPECT_EQ(held - 1, lm->refs());
}

}  // namespace
