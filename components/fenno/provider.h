// The provider: Init makes a KN model (kind 0, the Dravo class) or a modified-KN model (kind 1,
// the Zemra class) in this process; GetLMI and GetLMI_KN1 hand it out, to be loaded by the caller.
#pragma once
#include "com/com_ptr.h"
#include "com/dual.h"
#include "components.h"

namespace fenno {

class Provider final : public com::Dual<ILMIProvider> {
public:
    Provider() : Dual(IID_ILMIProvider) {}

    HRESULT STDMETHODCALLTYPE Init(LONG kind, LONG* ok) override;
    HRESULT STDMETHODCALLTYPE GetLMI(IKN** model) override;
    HRESULT STDMETHODCALLTYPE GetLMI_KN1(IKN1** model) override;

private:
    com::com_ptr<IKN> kn_;
    com::com_ptr<IKN1> kn1_;
};

}  // namespace fenno
