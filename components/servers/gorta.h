// Gorta: the binary CMU model behind ICMU, double-precision answers. Load is given the model
// file itself: the binary form that arpa2bin writes, or an ARPA file.
#pragma once
#include "com/dual.h"
#include "components.h"
#include "servers/server_support.h"

namespace servers {

class Gorta final : public com::Dual<ICMU> {
public:
    Gorta() : Dual(IID_ICMU) {}

    HRESULT STDMETHODCALLTYPE Load(BSTR modelFile, LONG* ok) override;
    HRESULT STDMETHODCALLTYPE WordCount(LONG* count) override;
    HRESULT STDMETHODCALLTYPE Probability(BSTR w1, BSTR w2, BSTR w3, double* p) override;
    HRESULT STDMETHODCALLTYPE GetWordId(BSTR word, LONG* id) override;

private:
    Slot<ngram::NgramModel> model_;
};

}  // namespace servers
