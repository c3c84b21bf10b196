#include "fake_components.h"

namespace fakes {

// IKN
HRESULT FakeKN::Load(BSTR file, long* ok) { return Answer("Load", Args(file), ok); }
HRESULT FakeKN::WordCount(long* count) { return Answer("WordCount", "", count); }
HRESULT FakeKN::Probability(BSTR w1, BSTR w2, BSTR w3, float* p) {
    return Answer("Probability", Args(w1, w2, w3), p);
}
HRESULT FakeKN::ProbabilityI(long i1, long i2, long i3, float* p) {
    return Answer("ProbabilityI", Args(i1, i2, i3), p);
}
HRESULT FakeKN::GetWordId(BSTR word, long* id) { return Answer("GetWordId", Args(word), id); }
HRESULT FakeKN::InfoOn(long flag) { return Call("InfoOn", Args(flag)); }

// IKN1
HRESULT FakeKN1::Load(BSTR file, long* ok) { return Answer("Load", Args(file), ok); }
HRESULT FakeKN1::WordCount(long* count) { return Answer("WordCount", "", count); }
HRESULT FakeKN1::Probability(BSTR w1, BSTR w2, BSTR w3, double* p) {
    return Answer("Probability", Args(w1, w2, w3), p);
}
HRESULT FakeKN1::ProbabilityI(long i1, long i2, long i3, double* p) {
    return Answer("ProbabilityI", Args(i1, i2, i3), p);
}
HRESULT FakeKN1::GetWordId(BSTR word, long* id) { return Answer("GetWordId", Args(word), id); }
HRESULT FakeKN1::InfoOn(long flag) { return Call("InfoOn", Args(flag)); }
HRESULT FakeKN1::ProbabilityI4(long i1, long i2, long i3, long i4, double* p) {
    return Answer("ProbabilityI4", Args(i1, i2, i3, i4), p);
}
HRESULT FakeKN1::Probability4(BSTR w1, BSTR w2, BSTR w3, BSTR w4, double* p) {
    return Answer("Probability4", Args(w1, w2, w3, w4), p);
}

// ICMU
HRESULT FakeCMU::Load(BSTR modelFile, long* ok) { return Answer("Load", Args(modelFile), ok); }
HRESULT FakeCMU::WordCount(long* count) { return Answer("WordCount", "", count); }
HRESULT FakeCMU::Probability(BSTR w1, BSTR w2, BSTR w3, double* p) {
    return Answer("Probability", Args(w1, w2, w3), p);
}
HRESULT FakeCMU::GetWordId(BSTR word, long* id) { return Answer("GetWordId", Args(word), id); }

// ICache
HRESULT FakeCache::Load(BSTR file, long* ok) { return Answer("Load", Args(file), ok); }
HRESULT FakeCache::HistoryLength(long* count) { return Answer("HistoryLength", "", count); }
HRESULT FakeCache::Probability1(BSTR w, double* p) { return Answer("Probability1", Args(w), p); }
HRESULT FakeCache::Probability2(BSTR w1, BSTR w2, double* p) {
    return Answer("Probability2", Args(w1, w2), p);
}
HRESULT FakeCache::AddToHist(BSTR w, double* p) { return Answer("AddToHist", Args(w), p); }
HRESULT FakeCache::ClearHistory(long* ok) { return Answer("ClearHistory", "", ok); }
HRESULT FakeCache::InfoOn(long flag) { return Call("InfoOn", Args(flag)); }
HRESULT FakeCache::ClearCalcCache(long n, long* removed) {
    return Answer("ClearCalcCache", Args(n), removed);
}

// IWC
HRESULT FakeWC::Load(BSTR file, long* ok) { return Answer("Load", Args(file), ok); }
HRESULT FakeWC::ClassCount(long* count) { return Answer("ClassCount", "", count); }
HRESULT FakeWC::Probability(long classId, long wordId, double* p) {
    return Answer("Probability", Args(classId, wordId), p);
}
HRESULT FakeWC::GetWordID(BSTR word, long* id) { return Answer("GetWordID", Args(word), id); }
HRESULT FakeWC::GetClassID(BSTR word, long* id) { return Answer("GetClassID", Args(word), id); }
HRESULT FakeWC::Load1(BSTR file, long* ok) { return Answer("Load1", Args(file), ok); }
HRESULT FakeWC::GetWordClassID(BSTR text, long* id) { return Answer("GetWordClassID", Args(text), id); }

// IZA
HRESULT FakeZA::Init(VARIANT_BOOL* ready) { return Answer("Init", "", ready); }
HRESULT FakeZA::GetLastError(BSTR* text) { return AnswerText("GetLastError", "", text); }
HRESULT FakeZA::LexiconSize(long* count) { return Answer("LexiconSize", "", count); }
HRESULT FakeZA::PForma(BSTR* baseForm) { return AnswerText("PForma", "", baseForm); }
HRESULT FakeZA::SInfo(BSTR* description) { return AnswerText("SInfo", "", description); }
HRESULT FakeZA::IsKnown(BSTR word, long* known) { return Answer("IsKnown", Args(word), known); }
HRESULT FakeZA::LastWord(BSTR* word) { return AnswerText("LastWord", "", word); }
HRESULT FakeZA::Version(BSTR* text) { return AnswerText("Version", "", text); }
HRESULT FakeZA::Reset() { return Call("Reset", ""); }
HRESULT FakeZA::AnalyzeAll(BSTR word, long* result) { return Answer("AnalyzeAll", Args(word), result); }

// ILMIProvider
HRESULT FakeProvider::Init(long kind, long* ok) { return Answer("Init", Args(kind), ok); }
HRESULT FakeProvider::GetLMI(IKN** model) {
    HRESULT hr = Call("GetLMI", "");
    if (SUCCEEDED(hr) && model) kn.copy_to(model);
    return hr;
}
HRESULT FakeProvider::GetLMI_KN1(IKN1** model) {
    HRESULT hr = Call("GetLMI_KN1", "");
    if (SUCCEEDED(hr) && model) kn1.copy_to(model);
    return hr;
}

}  // namespace fakes
