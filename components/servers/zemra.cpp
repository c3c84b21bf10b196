#include "servers/zemra.h"
#include "com/bstr.h"

namespace servers {

namespace {
constexpr char kName[] = "Zemra";
constexpr int kOrder = 4;  // its queries take up to four words
}

HRESULT Zemra::Load(BSTR file, LONG* ok) {
    if (!ok) return E_POINTER;
    *ok = 0;
    return Guard(IID_IKN1, kName, [&] {
        if (trace_ == 1) Trace(kName, "Load(" + com::FromBstr(file) + ")");
        *ok = LoadNgramFromSettings(model_, kName, kOrder, file, "kn1_model");
        return S_OK;
    });
}

HRESULT Zemra::WordCount(LONG* count) {
    if (!count) return E_POINTER;
    auto m = model_.Get();
    *count = m ? static_cast<LONG>(m->Count(1)) : 0;
    return S_OK;
}

HRESULT Zemra::Probability(BSTR w1, BSTR w2, BSTR w3, double* p) {
    if (!p) return E_POINTER;
    return Guard(IID_IKN1, kName, [&] {
        *p = NgramProbability(model_.Get().get(), {w1, w2, w3});
        return S_OK;
    });
}

HRESULT Zemra::ProbabilityI(LONG i1, LONG i2, LONG i3, double* p) {
    if (!p) return E_POINTER;
    return Guard(IID_IKN1, kName, [&] {
        *p = NgramProbabilityI(model_.Get().get(), {i1, i2, i3});
        return S_OK;
    });
}

HRESULT Zemra::GetWordId(BSTR word, LONG* id) {
    if (!id) return E_POINTER;
    return Guard(IID_IKN1, kName, [&] {
        auto m = model_.Get();
        *id = m ? m->WordId(com::FromBstr(word)) : 0;
        return S_OK;
    });
}

HRESULT Zemra::InfoOn(LONG flag) {
    trace_ = flag;
    return S_OK;
}

HRESULT Zemra::ProbabilityI4(LONG i1, LONG i2, LONG i3, LONG i4, double* p) {
    if (!p) return E_POINTER;
    return Guard(IID_IKN1, kName, [&] {
        *p = NgramProbabilityI(model_.Get().get(), {i1, i2, i3, i4});
        return S_OK;
    });
}

HRESULT Zemra::Probability4(BSTR w1, BSTR w2, BSTR w3, BSTR w4, double* p) {
    if (!p) return E_POINTER;
    return Guard(IID_IKN1, kName, [&] {
        *p = NgramProbability(model_.Get().get(), {w1, w2, w3, w4});
        return S_OK;
    });
}

}  // namespace servers
