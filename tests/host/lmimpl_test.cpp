// The COM class in-process: every ILM method over the window's model set (fake components),
// the neutral answers without a set, exceptions as error information, identity and aggregation,
// late binding through the registered type library, and the client count.
#include <cmath>
#include <cstring>

#include "host_fixture.h"
#include "Tarvel/engine/modelset.h"
#include "fake_toolops.h"

namespace {

const float kNoProb = -99.99f;

class LMImplTest : public HostFixture {
protected:
    // A KN model's own settings file; the fake component reads nothing else.
    std::string KnFile() {
        if (knFile.empty()) knFile = dir.Write("kn.ini", "kn_model = tiny.arpa\n");
        return knFile;
    }
    std::string knFile;
    // A type-0 set: one KN model loaded from the file given to Load.
    com::com_ptr<ILM> LoadedObject() {
        auto obj = NewObject();
        auto file = B(KnFile().c_str());
        LONG ok = -1;
        EXPECT_EQ(S_OK, obj->Load(file.get(), &ok));
        EXPECT_EQ(1, ok);
        return obj;
    }
    bool Called(const std::string& call) {
        return std::find(calls.calls.begin(), calls.calls.end(), call) != calls.calls.end();
    }
};

TEST_F(LMImplTest, BeforeAnyLoadTheObjectServesTheEmptySet) {
    auto obj = NewObject();
    EXPECT_TRUE(Logged("Connected: 1"));
    LONG v = -1;
    EXPECT_EQ(S_OK, obj->IsLoaded(&v));
    EXPECT_EQ(0, v);
    float p = 0;
    auto a = B("a");
    EXPECT_EQ(S_OK, obj->Probability(a.get(), a.get(), a.get(), &p));
    EXPECT_EQ(kNoProb, p);
    com::unique_bstr info;
    EXPECT_EQ(S_OK, obj->GetInfo(info.put()));
    EXPECT_EQ(w->ModelSet()->GetInfo(), com::FromBstr(info.get()));
}

TEST_F(LMImplTest, QueriesReachTheSetWithTheirArgumentsInOrder) {
    auto obj = LoadedObject();
    EXPECT_TRUE(Called("IKN.Load(" + KnFile() + ")"));
    kn->script.Answer("Probability(a,b,c)", 0.5);
    kn->script.Answer("GetWordId(c)", 5);
    kn->script.Answer("ProbabilityI(3,4,5)", 0.25);

    float p = 0;
    auto a = B("a"), b = B("b"), c = B("c");
    ASSERT_EQ(S_OK, obj->Probability(a.get(), b.get(), c.get(), &p));
    EXPECT_NEAR(std::log10(0.5), p, 1e-6);

    // Absent words and empty words are told apart on their way to the components.
    calls.Clear();
    auto empty = B("");
    EXPECT_EQ(S_OK, obj->Probability(nullptr, nullptr, nullptr, &p));
    EXPECT_EQ(kNoProb, p);
    EXPECT_EQ(S_OK, obj->Probability(empty.get(), empty.get(), empty.get(), &p));
    EXPECT_EQ(2, std::count(calls.calls.begin(), calls.calls.end(), "IKN.Probability(,,)"));

    // A word id, not a flag.
    LONG id = -1;
    EXPECT_EQ(S_OK, obj->IsUnknown(c.get(), &id));
    EXPECT_EQ(5, id);
    EXPECT_EQ(S_OK, obj->IsUnknown(b.get(), &id));
    EXPECT_EQ(0, id);

    EXPECT_EQ(S_OK, obj->ProbabilityId(3, 4, 5, &p));
    EXPECT_NEAR(std::log10(0.25), p, 1e-6);
    EXPECT_EQ(S_OK, obj->ProbabilityId4(3, 4, 5, 6, &p));

    // The word first, the flag second.
    calls.Clear();
    LONG ok = -1;
    auto word = B("\xE0\xE8");  // Lithuanian letters in code page 1257
    EXPECT_EQ(S_OK, obj->AddWordToHist(word.get(), 1, &ok));
    EXPECT_EQ(1, ok);
    EXPECT_EQ(S_OK, obj->GetProbW(c.get(), 3, &p));
    EXPECT_EQ(S_OK, obj->ClearHist(&ok));
    EXPECT_EQ(1, ok);
    EXPECT_EQ(S_OK, obj->UpdateWeight(&ok));
    EXPECT_EQ(S_OK, obj->ProbabilityFB(c.get(), a.get(), b.get(), &p));
    EXPECT_EQ(S_OK, obj->InfoOn(1));
    EXPECT_TRUE(Called("IKN.InfoOn(1)"));
    LONG n = -1;
    EXPECT_EQ(S_OK, obj->StartCalcCache(&n));
    EXPECT_EQ(S_OK, obj->ClearCalcCache(&n));
    EXPECT_EQ(S_OK, obj->IsLoaded(&ok));
    EXPECT_EQ(1, ok);
}

TEST_F(LMImplTest, TextResultsAreIndependentNewStrings) {
    auto obj = LoadedObject();
    BSTR first = nullptr, second = nullptr;
    ASSERT_EQ(S_OK, obj->GetInfo(&first));
    ASSERT_EQ(S_OK, obj->GetInfo(&second));
    EXPECT_NE(first, second);
    SysFreeString(first);
    EXPECT_EQ("LM Info: loaded; KN; ", com::FromBstr(second));
    SysFreeString(second);
    com::unique_bstr weights;
    ASSERT_EQ(S_OK, obj->GetWeightInfo(weights.put()));
    EXPECT_EQ("Count = 1; [0]=1", com::FromBstr(weights.get()));
}

TEST_F(LMImplTest, WindowOperations) {
    auto obj = NewObject();
    auto msg = B("hello");
    EXPECT_EQ(S_OK, obj->WriteMsg(msg.get()));
    EXPECT_TRUE(Logged("hello"));
    EXPECT_FALSE(w->hadError);
    EXPECT_EQ(S_OK, obj->WriteError(msg.get()));
    EXPECT_TRUE(Logged("ERROR: hello"));
    EXPECT_TRUE(w->hadError);
    EXPECT_EQ(S_OK, obj->SetStep(12345));
}

TEST_F(LMImplTest, AVeryLongMessageLeavesTheServerAnswering) {
    auto obj = NewObject();
    std::string text;
    while (text.size() < 4000000) text += "zodis ";
    auto msg = B(text.c_str());
    EXPECT_EQ(S_OK, obj->WriteMsg(msg.get()));
    LONG loaded = -1;
    EXPECT_EQ(S_OK, obj->IsLoaded(&loaded));
    EXPECT_EQ(0, loaded);
    auto next = B("next");
    EXPECT_EQ(S_OK, obj->WriteMsg(next.get()));
    EXPECT_EQ(Memo().back(), "next");
    EXPECT_LE(w->mInfo->Text().size(), static_cast<size_t>(TMemo::MaxChars));
}

TEST_F(LMImplTest, AnExceptionBecomesErrorInformationAndLeavesTheOutValue) {
    auto obj = LoadedObject();
    engine::SetDebugAnswer(engine::DebugAnswer::Yes);  // a failed component call raises
    kn->script.Fail("Probability", E_FAIL);
    float p = 123.0f;
    auto a = B("a");
    EXPECT_EQ(DISP_E_EXCEPTION, obj->Probability(a.get(), a.get(), a.get(), &p));
    EXPECT_EQ(123.0f, p);
    com::com_ptr<IErrorInfo> info;
    ASSERT_EQ(S_OK, GetErrorInfo(0, info.put()));
    GUID guid{};
    info->GetGUID(&guid);
    EXPECT_TRUE(guid == IID_ILM);
    com::unique_bstr source, description;
    info->GetSource(source.put());
    info->GetDescription(description.put());
    EXPECT_EQ("Dravo.LM", com::FromBstr(source.get()));
    EXPECT_NE(std::string::npos, com::FromBstr(description.get()).find("Probability")) << com::FromBstr(description.get());

    // The object stays usable.
    kn->script.Fail("Probability", S_OK);
    kn->script.Answer("Probability", 0.1);
    EXPECT_EQ(S_OK, obj->Probability(a.get(), a.get(), a.get(), &p));
    EXPECT_NEAR(-1.0, p, 1e-6);
}

TEST_F(LMImplTest, AFailedLoadIsAResultNotAnError) {
    auto obj = NewObject();
    kn->script.Answer("Load", 0);
    auto file = B("Z:\\no.ini");
    LONG ok = -1;
    EXPECT_EQ(S_OK, obj->Load(file.get(), &ok));
    EXPECT_EQ(0, ok);
}

TEST_F(LMImplTest, IdentityIsIUnknownIDispatchAndILMOnly) {
    auto obj = NewObject();
    com::com_ptr<IUnknown> unk = obj.try_query<IUnknown>(IID_IUnknown);
    com::com_ptr<IDispatch> disp = obj.try_query<IDispatch>(IID_IDispatch);
    ASSERT_TRUE(unk && disp);
    EXPECT_EQ(static_cast<void*>(disp.get()), static_cast<void*>(obj.get()));
    EXPECT_FALSE(obj.try_query<ISupportErrorInfo>(IID_ISupportErrorInfo));
    EXPECT_FALSE(obj.try_query<IClassFactory>(IID_IClassFactory));
}

// An outer object that counts its references and answers ILM through the inner object.
class Outer final : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        return inner->QueryInterface(riid, ppv);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    IUnknown* inner = nullptr;
    ULONG refs = 1;
};

TEST_F(LMImplTest, TheObjectCanBeAggregated) {
    Outer outer;
    ILM* notAllowed = nullptr;
    EXPECT_EQ(CLASS_E_NOAGGREGATION, TLMImpl::CreateInstance(&outer, IID_ILM, reinterpret_cast<void**>(&notAllowed)));
    ASSERT_EQ(S_OK, TLMImpl::CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)));
    EXPECT_EQ(1, w->clientCount);
    ILM* lm = nullptr;
    ASSERT_EQ(S_OK, outer.QueryInterface(IID_ILM, reinterpret_cast<void**>(&lm)));
    EXPECT_EQ(2u, outer.refs);  // the interface's references go to the outer object
    IUnknown* back = nullptr;
    ASSERT_EQ(S_OK, lm->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&back)));
    EXPECT_EQ(static_cast<IUnknown*>(&outer), back);
    back->Release();
    LONG v = -1;
    EXPECT_EQ(S_OK, lm->IsLoaded(&v));
    lm->Release();
    EXPECT_EQ(1u, outer.refs);
    outer.inner->Release();  // the outer object ends the inner one
    EXPECT_EQ(0, w->clientCount);
    EXPECT_TRUE(Logged("Disconnected: 0"));
}

TEST_F(LMImplTest, LateBoundCallsUseTheRegisteredTypeLibrary) {
    auto obj = LoadedObject();
    kn->script.Answer("Probability(a,b,c)", 0.01);
    struct Name {
        const wchar_t* name;
        DISPID id;
    };
    for (auto [name, id] : {Name{L"Load", 1}, Name{L"Probability", 3}, Name{L"WriteError", 9},
                            Name{L"SetStep", 10}, Name{L"GetInfo", 11}, Name{L"ClearCalcCache", 24}}) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        DISPID got = -1;
        ASSERT_EQ(S_OK, obj->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &got));
        EXPECT_EQ(id, got);
    }
    VARIANT args[3];  // in reverse order
    auto a = B("a"), b = B("b"), c = B("c");
    args[0].vt = VT_BSTR; args[0].bstrVal = c.get();
    args[1].vt = VT_BSTR; args[1].bstrVal = b.get();
    args[2].vt = VT_BSTR; args[2].bstrVal = a.get();
    DISPPARAMS params{args, nullptr, 3, 0};
    com::unique_variant result;
    ASSERT_EQ(S_OK, obj->Invoke(3, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result.get(), nullptr,
                                nullptr));
    EXPECT_EQ(VT_R4, result->vt);
    EXPECT_NEAR(-2.0, result->fltVal, 1e-6);

    // A failure reaches a late-bound caller in the exception record.
    engine::SetDebugAnswer(engine::DebugAnswer::Yes);
    kn->script.Fail("Probability", E_FAIL);
    EXCEPINFO excep{};
    EXPECT_EQ(DISP_E_EXCEPTION, obj->Invoke(3, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                            result.put(), &excep, nullptr));
    EXPECT_EQ("Dravo.LM", com::FromBstr(excep.bstrSource));
    EXPECT_FALSE(com::FromBstr(excep.bstrDescription).empty());
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
}

TEST_F(LMImplTest, ClientsAreCountedOnceEach) {
    auto first = NewObject();
    auto second = NewObject();
    EXPECT_TRUE(Logged("Connected: 1"));
    EXPECT_TRUE(Logged("Connected: 2"));
    auto file = B(KnFile().c_str());
    LONG ok = 0;
    EXPECT_EQ(S_OK, second->Load(file.get(), &ok));  // a bound object is not counted again
    EXPECT_EQ(2, w->clientCount);
    first.reset();
    EXPECT_TRUE(Logged("Disconnected: 1"));
    second.reset();
    EXPECT_EQ(0, w->clientCount);
}

TEST_F(LMImplTest, AfterUnloadObjectsNeverReachTheDeletedSet) {
    auto keep = NewObject();  // keeps the window open at the unload
    auto obj = LoadedObject();
    std::weak_ptr<TTarvel> old = w->ModelSet();
    w->btUnloadClick();
    EXPECT_TRUE(old.expired());
    LONG v = -1;
    EXPECT_EQ(S_OK, obj->IsLoaded(&v));
    EXPECT_EQ(0, v);
    com::unique_bstr info;
    EXPECT_EQ(S_OK, obj->GetInfo(info.put()));
    EXPECT_EQ("Not loaded", com::FromBstr(info.get()));
    float p = 0;
    auto a = B("a");
    EXPECT_EQ(S_OK, obj->Probability(a.get(), a.get(), a.get(), &p));
    EXPECT_EQ(kNoProb, p);

    // Load binds the object to the window's new set, without counting it again.
    auto file = B(KnFile().c_str());
    EXPECT_EQ(S_OK, obj->Load(file.get(), &v));
    EXPECT_EQ(1, v);
    EXPECT_EQ(S_OK, keep->IsLoaded(&v));  // still unbound: it was bound to the old set
    EXPECT_EQ(0, v);
    EXPECT_EQ(2, w->clientCount);
}

TEST_F(LMImplTest, ACallInProgressKeepsItsSetUntilItReturns) {
    auto keep = NewObject();
    auto obj = NewObject();
    // The load logs, which runs the main thread's queue: an unload runs in the middle of it.
    std::weak_ptr<TTarvel> loading = w->ModelSet();
    bool aliveDuring = false;
    w->Post([&] {
        w->btUnloadClick();
        aliveDuring = !loading.expired();
    });
    auto file = B(KnFile().c_str());
    LONG ok = -1;
    EXPECT_EQ(S_OK, obj->Load(file.get(), &ok));
    EXPECT_EQ(1, ok);
    EXPECT_TRUE(aliveDuring);
    EXPECT_TRUE(loading.expired());  // gone once the call returned
    EXPECT_EQ(S_OK, obj->IsLoaded(&ok));
    EXPECT_EQ(0, ok);
}

TEST(LMImplWithoutWindow, NeutralValuesAndOneError) {
    com::CoInitGuard init;
    fakes::FakeToolOps form;  // the tool window global, without a server window
    ASSERT_EQ(nullptr, mForm1);
    com::com_ptr<ILM> obj;
    ASSERT_EQ(S_OK, TLMImpl::CreateInstance(nullptr, IID_ILM, obj.put_void()));
    EXPECT_EQ(std::vector<std::string>{"ERROR: form->lmm is null"}, form.lines);

    auto a = B("a");
    LONG v = -1;
    float p = 0;
    com::unique_bstr text;
    EXPECT_EQ(S_OK, obj->Load(a.get(), &v));
    EXPECT_EQ(0, v);
    EXPECT_EQ(S_OK, obj->Unload(&v));
    EXPECT_EQ(1, v);
    EXPECT_EQ(S_OK, obj->Probability(a.get(), a.get(), a.get(), &p));
    EXPECT_EQ(kNoProb, p);
    p = 0;
    EXPECT_EQ(S_OK, obj->ProbabilityFB(a.get(), a.get(), a.get(), &p));
    EXPECT_EQ(kNoProb, p);
    p = 0;
    EXPECT_EQ(S_OK, obj->ProbabilityId(1, 2, 3, &p));
    EXPECT_EQ(kNoProb, p);
    p = 0;
    EXPECT_EQ(S_OK, obj->ProbabilityId4(1, 2, 3, 4, &p));
    EXPECT_EQ(kNoProb, p);
    p = 0;
    EXPECT_EQ(S_OK, obj->GetProbW(a.get(), 3, &p));
    EXPECT_EQ(kNoProb, p);
    EXPECT_EQ(S_OK, obj->GetInfo(text.put()));
    EXPECT_EQ("Not loaded", com::FromBstr(text.get()));
    EXPECT_EQ(S_OK, obj->GetWeightInfo(text.put()));
    EXPECT_EQ("Not loaded", com::FromBstr(text.get()));
    using Getter = HRESULT (STDMETHODCALLTYPE ILM::*)(LONG*);
    for (Getter g : {&ILM::UpdateWeight, &ILM::IsLoaded, &ILM::ClearHist,
                     &ILM::StartIsUnknown, &ILM::StopIsUnknown, &ILM::StartProbabilityId, &ILM::StopProbabilityId,
                     &ILM::StartCalcCache, &ILM::ClearCalcCache}) {
        v = -1;
        EXPECT_EQ(S_OK, (obj.get()->*g)(&v));
        EXPECT_EQ(0, v);
    }
    v = -1;
    EXPECT_EQ(S_OK, obj->AddWordToHist(a.get(), 1, &v));
    EXPECT_EQ(0, v);
    v = -1;
    EXPECT_EQ(S_OK, obj->IsUnknown(a.get(), &v));
    EXPECT_EQ(0, v);
    EXPECT_EQ(S_OK, obj->InfoOn(1));
    EXPECT_EQ(S_OK, obj->WriteMsg(a.get()));
    EXPECT_EQ(S_OK, obj->WriteError(a.get()));
    EXPECT_EQ(S_OK, obj->SetStep(1));
    EXPECT_EQ(1u, form.lines.size());  // nothing more was logged
}

}  // namespace
