// The in-process server's entry points: the class object of Nolik, the unload test and the
// registration.
#include <windows.h>
#include <atomic>
#include <mutex>
#include "DTW/NolikImpl.h"
#include "com/module.h"

namespace {

// The class object of Nolik; unlike the shared factory it lets an outer object aggregate.
class NolikFactory final : public IClassFactory {
public:
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
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG n = --refs;
        if (n == 0) delete this;
        return n;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        return TNolikImpl::Create(outer, riid, ppv);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) com::ModuleLock(); else com::ModuleUnlock();
        return S_OK;
    }

private:
    std::atomic<ULONG> refs{1};
};

std::mutex g_classObjectLock;
// Made at the first request and kept until the library is unloaded.
com::com_ptr<IClassFactory> g_classObject;

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) ::DisableThreadLibraryCalls(instance);
    return TRUE;
}

extern "C" HRESULT __stdcall DllGetClassObject(REFCLSID clsid, REFIID iid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (clsid != CLSID_Nolik) return CLASS_E_CLASSNOTAVAILABLE;
    try {
        std::lock_guard<std::mutex> lock(g_classObjectLock);
        if (!g_classObject)
            g_classObject = com::com_ptr<IClassFactory>::attach(new NolikFactory);
        return g_classObject->QueryInterface(iid, ppv);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

extern "C" HRESULT __stdcall DllCanUnloadNow() { return com::ModuleLockCount() == 0 ? S_OK : S_FALSE; }

extern "C" HRESULT __stdcall DllRegisterServer() { return TNolikImpl::UpdateRegistry(true); }

extern "C" HRESULT __stdcall DllUnregisterServer() {
    TNolikImpl::UpdateRegistry(false);
    return S_OK;
}
