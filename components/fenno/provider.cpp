#include "fenno/provider.h"
#include "com/error.h"
#include "servers/dravo.h"
#include "servers/zemra.h"

namespace fenno {

namespace {
constexpr char kSource[] = "Fenno.LMIProvider";
}

HRESULT Provider::Init(LONG kind, LONG* ok) {
    if (!ok) return E_POINTER;
    try {
        *ok = 0;
        // Each Init replaces what the last one made; a model already handed out lives on with its holder.
        kn_.reset();
        kn1_.reset();
        if (kind == 0) {
            kn_ = com::com_ptr<IKN>::attach(new servers::Dravo);
            *ok = 1;
        } else if (kind == 1) {
            kn1_ = com::com_ptr<IKN1>::attach(new servers::Zemra);
            *ok = 1;
        }
        return S_OK;
    } catch (...) {
        return com::CurrentExceptionToHresult(IID_ILMIProvider, kSource);
    }
}

HRESULT Provider::GetLMI(IKN** model) {
    if (!model) return E_POINTER;
    *model = nullptr;
    if (!kn_) return com::SetErrorInfoText(IID_ILMIProvider, kSource, "No KN model: call Init with 0 first");
    kn_.copy_to(model);
    return S_OK;
}

HRESULT Provider::GetLMI_KN1(IKN1** model) {
    if (!model) return E_POINTER;
    *model = nullptr;
    if (!kn1_) return com::SetErrorInfoText(IID_ILMIProvider, kSource, "No modified-KN model: call Init with 1 first");
    kn1_.copy_to(model);
    return S_OK;
}

}  // namespace fenno
