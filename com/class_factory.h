// Class factory that makes a new object per CreateInstance. Make(): a function returning a new
// object holding one reference (as Dual objects start), or throwing. A class that can be
// aggregated gives a Create function instead, which handles the outer object itself.
#pragma once
#include <windows.h>
#include <objbase.h>
#include <atomic>
#include <functional>
#include <new>
#include "com/module.h"

namespace com {

class ClassFactory final : public IClassFactory {
public:
    using Maker = std::function<IUnknown*()>;
    using Creator = std::function<HRESULT(IUnknown* outer, REFIID riid, void** ppv)>;
    explicit ClassFactory(Maker make) : make_(std::move(make)) {}
    explicit ClassFactory(Creator create) : create_(std::move(create)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG n = --refs_;
        if (n == 0) delete this;
        return n;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer && !create_) return CLASS_E_NOAGGREGATION;
        try {
            if (create_) return create_(outer, riid, ppv);
            IUnknown* obj = make_();
            if (!obj) return E_OUTOFMEMORY;
            HRESULT hr = obj->QueryInterface(riid, ppv);
            obj->Release();
            return hr;
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (...) {
            return E_FAIL;
        }
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) ModuleLock(); else ModuleUnlock();
        return S_OK;
    }

private:
    Maker make_;
    Creator create_;
    std::atomic<ULONG> refs_{1};
};

}  // namespace com
