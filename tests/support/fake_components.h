// Recording fakes of the seven component interfaces (see fake_base.h for the log format).
#pragma once
#include "components.h"
#include "fake_base.h"

namespace fakes {

class FakeKN final : public FakeBase<IKN> {
public:
    explicit FakeKN(CallLog& log, const char* name = "IKN") : FakeBase(name, IID_IKN, log) {}
    HRESULT STDMETHODCALLTYPE Load(BSTR file, long* ok) override;
    HRESULT STDMETHODCALLTYPE WordCount(long* count) override;
    HRESULT STDMETHODCALLTYPE Probability(BSTR w1, BSTR w2, BSTR w3, float* p) override;
    HRESULT STDMETHODCALLTYPE ProbabilityI(long i1, long i2, long i3, float* p) override;
    HRESULT STDMETHODCALLTYPE GetWordId(BSTR word, long* id) override;
    HRESULT STDMETHODCALLTYPE InfoOn(long flag) override;
};

class FakeKN1 final : public FakeBase<IKN1> {
public:
    explicit FakeKN1(CallLog& log, const char* name = "IKN1") : FakeBase(name, IID_IKN1, log) {}
    HRESULT STDMETHODCALLTYPE Load(BSTR file, long* ok) override;
    HRESULT STDMETHODCALLTYPE WordCount(long* count) override;
    HRESULT STDMETHODCALLTYPE Probability(BSTR w1, BSTR w2, BSTR w3, double* p) override;
    HRESULT STDMETHODCALLTYPE ProbabilityI(long i1, long i2, long i3, double* p) override;
    HRESULT STDMETHODCALLTYPE GetWordId(BSTR word, long* id) override;
    HRESULT STDMETHODCALLTYPE InfoOn(long flag) override;
    HRESULT STDMETHODCALLTYPE ProbabilityI4(long i1, long i2, long i3, long i4, double* p) override;
    HRESULT STDMETHODCALLTYPE Probability4(BSTR w1, BSTR w2, BSTR w3, BSTR w4, double* p) override;
};

class FakeCMU final : public FakeBase<ICMU> {
public:
    explicit FakeCMU(CallLog& log, const char* name = "ICMU") : FakeBase(name, IID_ICMU, log) {}
    HRESULT STDMETHODCALLTYPE Load(BSTR modelFile, long* ok) override;
    HRESULT STDMETHODCALLTYPE WordCount(long* count) override;
    HRESULT STDMETHODCALLTYPE Probability(BSTR w1, BSTR w2, BSTR w3, double* p) override;
    HRESULT STDMETHODCALLTYPE GetWordId(BSTR word, long* id) override;
};

class FakeCache final : public FakeBase<ICache> {
public:
    explicit FakeCache(CallLog& log, const char* name = "ICache") : FakeBase(name, IID_ICache, log) {}
    HRESULT STDMETHODCALLTYPE Load(BSTR file, long* ok) override;
    HRESULT STDMETHODCALLTYPE HistoryLength(long* count) override;
    HRESULT STDMETHODCALLTYPE Probability1(BSTR w, double* p) override;
    HRESULT STDMETHODCALLTYPE Probability2(BSTR w1, BSTR w2, double* p) override;
    HRESULT STDMETHODCALLTYPE AddToHist(BSTR w, double* p) override;
    HRESULT STDMETHODCALLTYPE ClearHistory(long* ok) override;
    HRESULT STDMETHODCALLTYPE InfoOn(long flag) override;
    HRESULT STDMETHODCALLTYPE ClearCalcCache(long n, long* removed) override;
};

class FakeWC final : public FakeBase<IWC> {
public:
    explicit FakeWC(CallLog& log, const char* name = "IWC") : FakeBase(name, IID_IWC, log) {}
    HRESULT STDMETHODCALLTYPE Load(BSTR file, long* ok) override;
    HRESULT STDMETHODCALLTYPE ClassCount(long* count) override;
    HRESULT STDMETHODCALLTYPE Probability(long classId, long wordId, double* p) override;
    HRESULT STDMETHODCALLTYPE GetWordID(BSTR word, long* id) override;
    HRESULT STDMETHODCALLTYPE GetClassID(BSTR word, long* id) override;
    HRESULT STDMETHODCALLTYPE Load1(BSTR file, long* ok) override;
    HRESULT STDMETHODCALLTYPE GetWordClassID(BSTR text, long* id) override;
};

// Texts of GetLastError, PForma and SInfo are scripted with Script::AnswerText.
class FakeZA final : public FakeBase<IZA> {
public:
    explicit FakeZA(CallLog& log, const char* name = "IZA") : FakeBase(name, IID_IZA, log) {}
    HRESULT STDMETHODCALLTYPE Init(VARIANT_BOOL* ready) override;
    HRESULT STDMETHODCALLTYPE GetLastError(BSTR* text) override;
    HRESULT STDMETHODCALLTYPE LexiconSize(long* count) override;
    HRESULT STDMETHODCALLTYPE PForma(BSTR* baseForm) override;
    HRESULT STDMETHODCALLTYPE SInfo(BSTR* description) override;
    HRESULT STDMETHODCALLTYPE IsKnown(BSTR word, long* known) override;
    HRESULT STDMETHODCALLTYPE LastWord(BSTR* word) override;
    HRESULT STDMETHODCALLTYPE Version(BSTR* text) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE AnalyzeAll(BSTR word, long* result) override;
};

// GetLMI and GetLMI_KN1 hand out new references to the models set here.
class FakeProvider final : public FakeBase<ILMIProvider> {
public:
    explicit FakeProvider(CallLog& log, const char* name = "ILMIProvider")
        : FakeBase(name, IID_ILMIProvider, log) {}
    HRESULT STDMETHODCALLTYPE Init(long kind, long* ok) override;
    HRESULT STDMETHODCALLTYPE GetLMI(IKN** model) override;
    HRESULT STDMETHODCALLTYPE GetLMI_KN1(IKN1** model) override;

    com::com_ptr<IKN> kn;
    com::com_ptr<IKN1> kn1;
};

}  // namespace fakes
