#include "servers/gorta.h"
#include "com/bstr.h"

namespace servers {

namespace {
constexpr char kName[] = "Gorta";
constexpr int kOrder = 3;  // its queries take three words: two history words and the word
}

HRESULT Gorta::Load(BSTR modelFile, LONG* ok) {
    if (!ok) return E_POINTER;
    *ok = 0;
    return Guard(IID_ICMU, kName, [&] {
        *ok = LoadNgramFile(model_, kName, kOrder, modelFile);
        return S_OK;
    });
}

HRESULT Gorta::WordCount(LONG* count) {
    if (!count) return E_POINTER;
    auto m = model_.Get();
    *count = m ? static_cast<LONG>(m->Count(1)) : 0;
    return S_OK;
}

HRESULT Gorta::Probability(BSTR w1, BSTR w2, BSTR w3, double* p) {
    if (!p) return E_POINTER;
    return Guard(IID_ICMU, kName, [&] {
        *p = NgramProbability(model_.Get().get(), {w1, w2, w3});
        return S_OK;
    });
}

HRESULT Gorta::GetWordId(BSTR word, LONG* id) {
    if (!id) return E_POINTER;
    return Guard(IID_ICMU, kName, [&] {
        auto m = model_.Get();
        *id = m ? m->WordId(com::FromBstr(word)) : 0;
        return S_OK;
    });
}

}  // namespace servers
