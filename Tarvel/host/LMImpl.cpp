#include "Tarvel/host/LMImpl.h"

#include <optional>
#include <string>

#include "Tarvel/engine/modelset.h"
#include "Tarvel/host/cWin.h"
#include "com/bstr.h"
#include "com/error.h"

namespace {

constexpr float kNoProbability = -99.99f;

// A text argument: a null BSTR is an absent word, which the set tells apart from "".
class Text {
public:
    explicit Text(BSTR b) : text(com::FromBstrOpt(b)) {}
    const char* c_str() const { return text ? text->c_str() : nullptr; }

private:
    std::optional<std::string> text;
};

// Every method's body runs at the COM boundary; it writes its out parameter only after its call
// returned.
const com::ErrorSource kErrors{IID_ILM, CLSID_LM, "Dravo.LM"};

}  // namespace

// ---- lifetime ----

HRESULT TLMImpl::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer && riid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
    TLMImpl* obj = nullptr;
    try {
        obj = new TLMImpl(outer);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    // The new object holds one reference of its own; a failed request destroys it again.
    HRESULT hr = obj->inner.QueryInterface(riid, ppv);
    obj->inner.Release();
    return hr;
}

TLMImpl::TLMImpl(IUnknown* outer) : Dual(IID_ILM), controlling(outer ? outer : &inner) {
    inner.self = this;
    Bind();
    if (!Set() && mForm) mForm->LogError("form->lmm is null");
}

TLMImpl::~TLMImpl() {
    modelSet.reset();
    if (counted && mForm1) mForm1->UpdateClientCount(false);
}

void TLMImpl::Bind() {
    std::shared_ptr<TTarvel> set = mForm1 ? mForm1->ModelSet() : nullptr;
    modelSet = set;
    if (set && !counted) {
        counted = true;
        mForm1->UpdateClientCount(true);
    }
}

HRESULT TLMImpl::Inner::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown) {
        *ppv = static_cast<IUnknown*>(this);
    } else if (riid == IID_IDispatch || riid == IID_ILM) {
        *ppv = static_cast<ILM*>(self);
    } else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    static_cast<IUnknown*>(*ppv)->AddRef();
    return S_OK;
}

ULONG TLMImpl::Inner::AddRef() { return self->Dual::AddRef(); }

ULONG TLMImpl::Inner::Release() { return self->Dual::Release(); }

HRESULT TLMImpl::QueryInterface(REFIID riid, void** ppv) { return controlling->QueryInterface(riid, ppv); }
ULONG TLMImpl::AddRef() { return controlling->AddRef(); }
ULONG TLMImpl::Release() { return controlling->Release(); }

// ---- IDispatch ----

HRESULT TLMImpl::LoadTypeInfo(ITypeInfo** out) noexcept {
    // The library is registered under its own locale, 0x409.
    return com::LoadRegisteredTypeInfo(LIBID_Tarvel, 1, 0, 0x409, IID_ILM, out);
}

// ---- ILM ----

HRESULT TLMImpl::Load(BSTR Param1, LONG* Param2) {
    if (!Param2) return E_POINTER;
    return com::Boundary(kErrors, [&] {
        Text file(Param1);
        // A set the window has replaced is not held any more, even while its release is on its
        // way: loading into it would load a set that is about to go.
        if (!Set() || (mForm1 && Set() != mForm1->ModelSet())) Bind();
        auto set = Set();
        if (!set) {
            *Param2 = 0;
            return;
        }
        bool ok = set->Load(file.c_str() ? file.c_str() : "");
        *Param2 = ok ? 1 : 0;
    });
}

HRESULT TLMImpl::Unload(LONG* Param2) {
    if (!Param2) return E_POINTER;
    return com::Boundary(kErrors, [&] {
        if (mForm1) mForm1->StartUnload();
        *Param2 = 1;
    });
}

HRESULT TLMImpl::Probability(BSTR Param1, BSTR Param2, BSTR Param3, FLOAT* Param4) {
    if (!Param4) return E_POINTER;
    return com::Boundary(kErrors, [&] {
        Text w1(Param1), w2(Param2), w3(Param3);
        auto set = Set();
        float p = set ? set->Probability(w1.c_str(), w2.c_str(), w3.c_str()) : kNoProbability;
        *Param4 = p;
    });
}

HRESULT TLMImpl::AddWordToHist(BSTR Param1, LONG Param3, LONG* Param2) {
    if (!Param2) return E_POINTER;
    return com::Boundary(kErrors, [&] {
        Text word(Param1);
        auto set = Set();
        bool ok = set ? set->AddHistory(word.c_str(), Param3) : false;
        *Param2 = ok ? 1 : 0;
    });
}

HRESULT TLMImpl::UpdateWeight(LONG* Param2) {
    if (!Param2) return E_POINTER;
    return com::Boundary(kErrors, [&] {
        auto set = Set();
        bool ok = set ? set->UpdateWeight() : false;
        *Param2 = ok ? 1 : 0;
    });
}

HRESULT TLMImpl::IsLoaded(LONG* Param1) {
    if (!Param1) return E_POINTER;
    return com::Boundary(kErrors, [&] {
        auto set = Set();
        bool ok = set ? set->IsLoaded() : false;
        *Param1 = ok ? 1 : 0;
    });
}

HRESULT TLMImpl::ClearHist(LONG* Param2) {
    if (!Param2) return E_POINTER;
    return com::Boundary(kErrors, [&] {
        auto set = Set();
        bool ok = set ? set->ClearHistory() : false;
        *Param2 = ok ? 1 : 0;
    });
}

HRESULT TLMImpl::WriteMsg(BSTR Param1) {
    return com::Boundary(kErrors, [&] {
        if (mForm1) mForm1->Log(com::FromBstr(Param1));
    });
}

HRESULT TLMImpl::GetInfo(BSTR* Param1) {
    if (!Param1) return E_POINTER;
    return com::Boundary(kErrors, [&] {
        auto set = Set();
        std::string text = set ? set->GetInfo() : std::string("Not loaded");
        *Param1 = com::AllocBstr(text);
    });
}

HRESULT TLMImpl::WriteError(BSTR Param1) {
    return com::Boundary(kErrors, [&] {
        if (mForm1) mForm1->LogError(com::FromBstr(Param1));
    });
}

HRESULT TLMImpl::SetStep(LONG) { return S_OK; }

HRESULT TLMImpl::ProbabilityFB(BSTR Param3, BSTR ParamB1, BSTR ParamB2, FLOAT* Param4) {
    if (!Param4) return E_POINTER;
    return com::Boundary(kErrors, [&] {
        Text word(Param3), b1(ParamB1), b2(ParamB2);
        auto set = Set();
        float p = set ? set->ProbabilityFB(word.c_str(), b1.c_str(), b2.c_str()) : kNoProbability;
        *Param4 = p;
    });
}

HRESULT TLMImpl::GetWeightInfo(BSTR* Param1) {
    if (!Param1) return E_POINTER;
    return com::Boundary(kErrors, [&] {
        auto set = Set();
        std::string text = set ? set->GetWeightInfo() : std::string("Not loaded");
        *Param1 = com::AllocBstr(text);
    });
}

HRESULT TLMImpl::IsUnknown(BSTR Param1, LONG* Param2) {
    if (!Param2) return E_POINTER;
    return com::Boundary(kErrors, [&] {
        Text word(Param1);
        auto set = Set();
        int id = set ? set->IsUnknown(word.c_str()) : 0;
        *Param2 = id;
    });
}

HRESULT TLMImpl::InfoOn(LONG Param1) {
    return com::Boundary(kErrors, [&] {
        if (auto set = Set()) set->InfoOn(Param1);
    });
}

HRESULT TLMImpl::ProbabilityId(LONG Param1, LONG Param2, LONG Param3, FLOAT* Param4) {
    if (!Param4) return E_POINTER;
    return com::Boundary(kErrors, [&] {
        auto set = Set();
        float p = set ? set->ProbabilityId(Param1, Param2, Param3) : kNoProbability;
        *Param4 = p;
    });
}

HRESULT TLMImpl::ProbabilityId4(LONG Param1, LONG Param2, LONG Param3, LONG Param4, FLOAT* Param5) {
    if (!Param5) return E_POINTER;
    return com::Boundary(kErrors, [&] {
        auto set = Set();
        float p = set ? set->ProbabilityId4(Param1, Param2, Param3, Param4) : kNoProbability;
        *Param5 = p;
    });
}

HRESULT TLMImpl::StartIsUnknown(LONG* Param1) {
    if (!Param1) return E_POINTER;
    return com::Boundary(kErrors, [&] {
        auto set = Set();
        bool ok = set ? set->StartIsUnknown() : false;
        *Param1 = ok ? 1 : 0;
    });
}

HRESULT TLMImpl::StopIsUnknown(LONG* Param1) {
    if (!Param1) return E_POINTER;
    return com::Boundary(kErrors, [&] {
        auto set = Set();
        bool ok = set ? set->StopIsUnknown() : false;
        *Param1 = ok ? 1 : 0;
    });
}

HRESULT TLMImpl::StartProbabilityId(LONG* Param1) {
    if (!Param1) return E_POINTER;
    return com::Boundary(kErrors, [&] {
        auto set = Set();
        bool ok = set ? set->StartProbabilityId() : false;
        *Param1 = ok ? 1 : 0;
    });
}

HRESULT TLMImpl::StopProbabilityId(LONG* Param1) {
    if (!Param1) return E_POINTER;
    return com::Boundary(kErrors, [&] {
        auto set = Set();
        bool ok = set ? set->StopProbabilityId() : false;
        *Param1 = ok ? 1 : 0;
    });
}

HRESULT TLMImpl::GetProbW(BSTR Param1, LONG Param2, FLOAT* Param3) {
    if (!Param3) return E_POINTER;
    return com::Boundary(kErrors, [&] {
        Text word(Param1);
        auto set = Set();
        float p = set ? set->GetProbW(word.c_str(), Param2) : kNoProbability;
        *Param3 = p;
    });
}

HRESULT TLMImpl::StartCalcCache(LONG* Param1) {
    if (!Param1) return E_POINTER;
    return com::Boundary(kErrors, [&] {
        auto set = Set();
        int n = set ? set->StartCalcCache() : 0;
        *Param1 = n;
    });
}

HRESULT TLMImpl::ClearCalcCache(LONG* Param1) {
    if (!Param1) return E_POINTER;
    return com::Boundary(kErrors, [&] {
        auto set = Set();
        int n = set ? set->ClearCalcCache() : 0;
        *Param1 = n;
    });
}
