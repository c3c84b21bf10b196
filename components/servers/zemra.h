// Zemra: a modified-KN model of up to 4-grams behind IKN1, double-precision answers. Load reads
// the settings file it is given and loads the model file of its key "kn1_model".
#pragma once
#include "com/dual.h"
#include "components.h"
#include "servers/server_support.h"

namespace servers {

class Zemra final : public com::Dual<IKN1> {
public:
    Zemra() : Dual(IID_IKN1) {}

    HRESULT STDMETHODCALLTYPE Load(BSTR file, LONG* ok) override;
    HRESULT STDMETHODCALLTYPE WordCount(LONG* count) override;
    HRESULT STDMETHODCALLTYPE Probability(BSTR w1, BSTR w2, BSTR w3, double* p) override;
    HRESULT STDMETHODCALLTYPE ProbabilityI(LONG i1, LONG i2, LONG i3, double* p) override;
    HRESULT STDMETHODCALLTYPE GetWordId(BSTR word, LONG* id) override;
    HRESULT STDMETHODCALLTYPE InfoOn(LONG flag) override;
    HRESULT STDMETHODCALLTYPE ProbabilityI4(LONG i1, LONG i2, LONG i3, LONG i4, double* p) override;
    HRESULT STDMETHODCALLTYPE Probability4(BSTR w1, BSTR w2, BSTR w3, BSTR w4, double* p) override;

private:
    Slot<ngram::NgramModel> model_;
    LONG trace_ = 0;
};

}  // namespace servers
