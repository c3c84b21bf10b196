#include "DTW/NolikImpl.h"
#include "DTW/Nustatymai.h"
#include <new>
#include "com/bstr.h"
#include "com/error.h"

namespace {

// Booleans cross INolik as 1 and 0, not VARIANT_TRUE: callers compare with 1.
VARIANT_BOOL AsBool(bool b) { return b ? 1 : 0; }

// Every method's body runs at the COM boundary; an unregistered class reports no source.
const com::ErrorSource kErrors{IID_INolik, CLSID_Nolik, ""};

}  // namespace

TNolikImpl::TNolikImpl() : TNolikImpl(std::make_unique<SimilarWordEngine>()) {}

TNolikImpl::TNolikImpl(std::unique_ptr<SimilarWordEngine> e) : Dual(IID_INolik), engine(std::move(e)) {}

HRESULT TNolikImpl::OwnQueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_ISupportErrorInfo) {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    if (outer && riid == IID_IUnknown) {
        *ppv = static_cast<IUnknown*>(&inner);
        inner.AddRef();
        return S_OK;
    }
    return Dual::QueryInterface(riid, ppv);  // its AddRef reaches the outer object when aggregated
}

HRESULT TNolikImpl::QueryInterface(REFIID riid, void** ppv) {
    return outer ? outer->QueryInterface(riid, ppv) : OwnQueryInterface(riid, ppv);
}

ULONG TNolikImpl::AddRef() { return outer ? outer->AddRef() : Dual::AddRef(); }

ULONG TNolikImpl::Release() { return outer ? outer->Release() : Dual::Release(); }

HRESULT TNolikImpl::Inner::QueryInterface(REFIID riid, void** ppv) { return owner.OwnQueryInterface(riid, ppv); }

ULONG TNolikImpl::Inner::AddRef() { return owner.Dual::AddRef(); }

ULONG TNolikImpl::Inner::Release() { return owner.Dual::Release(); }

IUnknown* TNolikImpl::Aggregate(IUnknown* o) {
    outer = o;
    return &inner;
}

HRESULT TNolikImpl::Create(IUnknown* outerObject, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outerObject && riid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
    try {
        auto* object = new TNolikImpl;  // holds one reference, released below or handed over
        if (outerObject) {
            *ppv = object->Aggregate(outerObject);
            return S_OK;
        }
        HRESULT hr = object->QueryInterface(riid, ppv);
        object->Release();
        return hr;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

HRESULT TNolikImpl::Init(VARIANT_BOOL* Param1) {
    if (!Param1) return E_POINTER;
    return com::Boundary(kErrors, [&] { *Param1 = AsBool(engine->Init()); });
}

HRESULT TNolikImpl::IsLoaded(VARIANT_BOOL* Param1) {
    if (!Param1) return E_POINTER;
    return com::Boundary(kErrors, [&] { *Param1 = AsBool(engine->IsLoaded()); });
}

HRESULT TNolikImpl::GetLastError(BSTR* Param1) {
    if (!Param1) return E_POINTER;
    return com::Boundary(kErrors, [&] { *Param1 = com::AllocBstr(engine->LastError()); });
}

HRESULT TNolikImpl::Analyze(BSTR Param2, long* Param1) {
    if (!Param1) return E_POINTER;
    return com::Boundary(kErrors, [&] {
        const long r = engine->Analyze(com::FromBstr(Param2));
        *Param1 = r;
    });
}

HRESULT TNolikImpl::GetNearest(long Param2, BSTR* Param1) {
    if (!Param1) return E_POINTER;
    return com::Boundary(kErrors, [&] { *Param1 = com::AllocBstr(engine->GetNearest(Param2)); });
}

HRESULT TNolikImpl::GetNearestValue(long Param2, double* Param1) {
    if (!Param1) return E_POINTER;
    return com::Boundary(kErrors, [&] { *Param1 = engine->GetNearestValue(Param2); });
}

HRESULT TNolikImpl::GetBest(long Param2, BSTR* Param1) {
    if (!Param1) return E_POINTER;
    return com::Boundary(kErrors, [&] { *Param1 = com::AllocBstr(engine->GetBest(Param2)); });
}

HRESULT TNolikImpl::GetBestValue(long Param2, double* Param1) {
    if (!Param1) return E_POINTER;
    return com::Boundary(kErrors, [&] { *Param1 = engine->GetBestValue(Param2); });
}

HRESULT TNolikImpl::CheckContext(BSTR Param2, BSTR Param3, long* Param1) {
    if (!Param1) return E_POINTER;
    return com::Boundary(kErrors, [&] {
        const long r = engine->CheckContext(com::FromBstr(Param2), com::FromBstr(Param3));
        *Param1 = r;
    });
}

HRESULT TNolikImpl::InVocabulary(BSTR Param2, long* Param1) {
    if (!Param1) return E_POINTER;
    return com::Boundary(kErrors, [&] {
        const long r = engine->InVocabulary(com::FromBstr(Param2));
        *Param1 = r;
    });
}

HRESULT TNolikImpl::UnLoadLM(VARIANT_BOOL* Param1) {
    if (!Param1) return E_POINTER;
    return com::Boundary(kErrors, [&] { *Param1 = AsBool(engine->UnLoadLM() != 0); });
}

HRESULT TNolikImpl::SetMaxValue(long Param1) {
    return com::Boundary(kErrors, [&] { engine->SetMaxValue(Param1); });
}

HRESULT TNolikImpl::SetStaModelValue(double Param1) {
    return com::Boundary(kErrors, [&] { engine->SetWeight(Param1); });
}

HRESULT TNolikImpl::OpenSettings(long Param1) {
    return com::Boundary(kErrors, [&] {
        ShowSettingsDialog(reinterpret_cast<HWND>(static_cast<LONG_PTR>(Param1)), *engine);
    });
}

HRESULT TNolikImpl::GetMaxValue(double* Param1) {
    if (!Param1) return E_POINTER;
    return com::Boundary(kErrors, [&] { *Param1 = static_cast<double>(engine->GetMaxValue()); });
}
