// Base for a COM object with one dual interface: IUnknown and IDispatch served from a type
// library (by default the one embedded in this module, resource TYPELIB 1), plus ISupportErrorInfo.
// Each live object holds one module lock.
#pragma once
#include <windows.h>
#include <oleauto.h>
#include <atomic>
#include "com/com_ptr.h"
#include "com/module.h"

namespace com {

// Type information of one interface from this module's own type library, loaded once per call.
HRESULT LoadModuleTypeInfo(REFIID iid, ITypeInfo** out) noexcept;
// Type information of one interface from the type library registered under that id, version and
// locale; fails with the registry's answer when the library is not registered.
HRESULT LoadRegisteredTypeInfo(REFGUID libid, WORD major, WORD minor, LCID lcid, REFIID iid,
                               ITypeInfo** out) noexcept;
// A late-bound caller reads a failure from the exception record: fills it from the thread's error
// information, which stays set for a caller that asks. Nothing happens without either.
void FillExcepInfo(EXCEPINFO* excep) noexcept;

template <typename Interface>
class Dual : public Interface, public ISupportErrorInfo {
public:
    explicit Dual(REFIID iid) noexcept : iid_(iid) { ModuleLock(); }
    Dual(const Dual&) = delete;
    Dual& operator=(const Dual&) = delete;
    virtual ~Dual() { ModuleUnlock(); }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == iid_) {
            *ppv = static_cast<Interface*>(this);
        } else if (riid == IID_ISupportErrorInfo) {
            *ppv = static_cast<ISupportErrorInfo*>(this);
        } else {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG n = --refs_;
        if (n == 0) delete this;
        return n;
    }

    // IDispatch over the type library
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        if (!n) return E_POINTER;
        *n = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        HRESULT hr = EnsureTypeInfo();
        if (FAILED(hr)) return hr;
        typeInfo_.copy_to(out);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        HRESULT hr = EnsureTypeInfo();
        if (FAILED(hr)) return hr;
        return ::DispGetIDsOfNames(typeInfo_.get(), names, count, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* excep, UINT* argErr) override {
        HRESULT hr = EnsureTypeInfo();
        if (FAILED(hr)) return hr;
        ::SetErrorInfo(0, nullptr);  // a failure reports its own error information, never an older one
        hr = ::DispInvoke(static_cast<Interface*>(this), typeInfo_.get(), id, flags, params, result, excep,
                          argErr);
        if (hr == DISP_E_EXCEPTION) FillExcepInfo(excep);
        return hr;
    }

    // ISupportErrorInfo
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override {
        return riid == iid_ ? S_OK : S_FALSE;
    }

protected:
    REFIID iid() const noexcept { return iid_; }
    // Where IDispatch finds the interface's type information; by default in this module.
    virtual HRESULT LoadTypeInfo(ITypeInfo** out) noexcept { return LoadModuleTypeInfo(iid_, out); }

private:
    HRESULT EnsureTypeInfo() noexcept {
        if (typeInfo_) return S_OK;
        return LoadTypeInfo(typeInfo_.put());
    }

    const IID& iid_;
    std::atomic<ULONG> refs_{1};
    com_ptr<ITypeInfo> typeInfo_;
};

}  // namespace com
