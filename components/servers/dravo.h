// Dravo: a KN trigram model behind IKN, single-precision answers. Load reads the settings file
// it is given and loads the model file of its key "kn_model" (ARPA or the binary form).
#pragma once
#include "com/dual.h"
#include "components.h"
#include "servers/server_support.h"

namespace servers {

class Dravo final : public com::Dual<IKN> {
public:
    Dravo() : Dual(IID_IKN) {}

    HRESULT STDMETHODCALLTYPE Load(BSTR file, LONG* ok) override;
    HRESULT STDMETHODCALLTYPE WordCount(LONG* count) override;
    HRESULT STDMETHODCALLTYPE Probability(BSTR w1, BSTR w2, BSTR w3, float* p) override;
    HRESULT STDMETHODCALLTYPE ProbabilityI(LONG i1, LONG i2, LONG i3, float* p) override;
    HRESULT STDMETHODCALLTYPE GetWordId(BSTR word, LONG* id) override;
    HRESULT STDMETHODCALLTYPE InfoOn(LONG flag) override;

private:
    Slot<ngram::NgramModel> model_;
    LONG trace_ = 0;
};

}  // namespace servers
