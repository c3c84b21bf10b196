#include "servers/dravo.h"
#include "com/bstr.h"

namespace servers {

namespace {
constexpr char kName[] = "Dravo";
constexpr int kOrder = 3;  // its queries take three words: two history words and the word
}

HRESULT Dravo::Load(BSTR file, LONG* ok) {
    if (!ok) return E_POINTER;
    *ok = 0;
    return Guard(IID_IKN, kName, [&] {
        if (trace_ == 1) Trace(kName, "Load(" + com::FromBstr(file) + ")");
        *ok = LoadNgramFromSettings(model_, kName, kOrder, file, "kn_model");
        return S_OK;
    });
}

HRESULT Dravo::WordCount(LONG* count) {
    if (!count) return E_POINTER;
    auto m = model_.Get();
    *count = m ? static_cast<LONG>(m->Count(1)) : 0;
    return S_OK;
}

HRESULT Dravo::Probability(BSTR w1, BSTR w2, BSTR w3, float* p) {
    if (!p) return E_POINTER;
    return Guard(IID_IKN, kName, [&] {
        *p = NgramProbabilitySingle(model_.Get().get(), {w1, w2, w3});
        return S_OK;
    });
}

HRESULT Dravo::ProbabilityI(LONG i1, LONG i2, LONG i3, float* p) {
    if (!p) return E_POINTER;
    return Guard(IID_IKN, kName, [&] {
        *p = NgramProbabilityISingle(model_.Get().get(), {i1, i2, i3});
        return S_OK;
    });
}

HRESULT Dravo::GetWordId(BSTR word, LONG* id) {
    if (!id) return E_POINTER;
    return Guard(IID_IKN, kName, [&] {
        auto m = model_.Get();
        *id = m ? m->WordId(com::FromBstr(word)) : 0;
        return S_OK;
    });
}

HRESULT Dravo::InfoOn(LONG flag) {
    trace_ = flag;
    return S_OK;
}

}  // namespace servers
