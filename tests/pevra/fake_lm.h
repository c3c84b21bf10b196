// Recording stand-in for the language-model server's ILM, for the engine's and the COM class's
// tests. Calls are logged as "LM.<Method>(<args>)" in the shared CallLog; answers are scripted
// through script (by full call text or by method name), e.g. script.Answer("IsLoaded", 1),
// script.Answer("Probability(a,b,namas)", -1.5), script.Answer("IsUnknown", 1).
#pragma once
#include "Tarvel.h"
#include "fake_base.h"

namespace fakes {

class FakeLM final : public FakeBase<ILM> {
public:
    explicit FakeLM(CallLog& log) : FakeBase("LM", IID_ILM, log) {}

    HRESULT STDMETHODCALLTYPE Load(BSTR file, long* r) override { return Answer("Load", Args(file), r); }
    HRESULT STDMETHODCALLTYPE Unload(long* r) override { return Answer("Unload", "", r); }
    HRESULT STDMETHODCALLTYPE Probability(BSTR a, BSTR b, BSTR c, float* r) override {
        return Answer("Probability", Args(a, b, c), r);
    }
    HRESULT STDMETHODCALLTYPE AddWordToHist(BSTR w, long n, long* r) override {
        return Answer("AddWordToHist", Args(w, n), r);
    }
    HRESULT STDMETHODCALLTYPE UpdateWeight(long* r) override { return Answer("UpdateWeight", "", r); }
    HRESULT STDMETHODCALLTYPE IsLoaded(long* r) override { return Answer("IsLoaded", "", r); }
    HRESULT STDMETHODCALLTYPE ClearHist(long* r) override { return Answer("ClearHist", "", r); }
    HRESULT STDMETHODCALLTYPE WriteMsg(BSTR t) override { return Call("WriteMsg", Args(t)); }
    HRESULT STDMETHODCALLTYPE GetInfo(BSTR* r) override { return AnswerText("GetInfo", "", r); }
    HRESULT STDMETHODCALLTYPE WriteError(BSTR t) override { return Call("WriteError", Args(t)); }
    HRESULT STDMETHODCALLTYPE SetStep(long s) override { return Call("SetStep", Args(s)); }
    HRESULT STDMETHODCALLTYPE ProbabilityFB(BSTR a, BSTR b, BSTR c, float* r) override {
        return Answer("ProbabilityFB", Args(a, b, c), r);
    }
    HRESULT STDMETHODCALLTYPE GetWeightInfo(BSTR* r) override { return AnswerText("GetWeightInfo", "", r); }
    HRESULT STDMETHODCALLTYPE IsUnknown(BSTR w, long* r) override { return Answer("IsUnknown", Args(w), r); }
    HRESULT STDMETHODCALLTYPE InfoOn(long v) override { return Call("InfoOn", Args(v)); }
    HRESULT STDMETHODCALLTYPE ProbabilityId(long a, long b, long c, float* r) override {
        return Answer("ProbabilityId", Args(a, b, c), r);
    }
    HRESULT STDMETHODCALLTYPE ProbabilityId4(long a, long b, long c, long d, float* r) override {
        return Answer("ProbabilityId4", Args(a, b, c, d), r);
    }
    HRESULT STDMETHODCALLTYPE StartIsUnknown(long* r) override { return Answer("StartIsUnknown", "", r); }
    HRESULT STDMETHODCALLTYPE StopIsUnknown(long* r) override { return Answer("StopIsUnknown", "", r); }
    HRESULT STDMETHODCALLTYPE StartProbabilityId(long* r) override { return Answer("StartProbabilityId", "", r); }
    HRESULT STDMETHODCALLTYPE StopProbabilityId(long* r) override { return Answer("StopProbabilityId", "", r); }
    HRESULT STDMETHODCALLTYPE GetProbW(BSTR w, long n, float* r) override {
        return Answer("GetProbW", Args(w, n), r);
    }
    HRESULT STDMETHODCALLTYPE StartCalcCache(long* r) override { return Answer("StartCalcCache", "", r); }
    HRESULT STDMETHODCALLTYPE ClearCalcCache(long* r) override { return Answer("ClearCalcCache", "", r); }
};

}  // namespace fakes
