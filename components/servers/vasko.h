// Vasko: a word-class model behind IWC. Both loading forms read the settings file they are
// given and load the class file of its key "wc_file". Load numbers the classes as the model of
// class sequences named by the key "kn_model" numbers its words, so that the KN component
// loaded from the same settings file can be asked by class ids; without that key, and always
// with Load1, classes are numbered from 1 in order of first appearance in the class file.
#pragma once
#include "com/dual.h"
#include "components.h"
#include "ngram/class_model.h"
#include "servers/server_support.h"

namespace servers {

class Vasko final : public com::Dual<IWC> {
public:
    Vasko() : Dual(IID_IWC) {}

    HRESULT STDMETHODCALLTYPE Load(BSTR file, LONG* ok) override;
    HRESULT STDMETHODCALLTYPE ClassCount(LONG* count) override;
    HRESULT STDMETHODCALLTYPE Probability(LONG classId, LONG wordId, double* p) override;
    HRESULT STDMETHODCALLTYPE GetWordID(BSTR word, LONG* id) override;
    HRESULT STDMETHODCALLTYPE GetClassID(BSTR word, LONG* id) override;
    HRESULT STDMETHODCALLTYPE Load1(BSTR file, LONG* ok) override;
    HRESULT STDMETHODCALLTYPE GetWordClassID(BSTR text, LONG* id) override;

private:
    LONG LoadClasses(BSTR file, bool idsFromModel);
    Slot<ngram::ClassModel> model_;
};

}  // namespace servers
