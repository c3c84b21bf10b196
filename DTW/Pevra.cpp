// The in-process server's entry points: the class object of Nolik, the unload test and the
// registration.
#include <windows.h>
#include <atomic>
#include <mutex>
#include "DTW/NolikImpl.h"
#include "com/class_factory.h"
#include "com/module.h"

namespace {

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
            g_classObject = com::com_ptr<IClassFactory>::attach(
                new com::ClassFactory(com::ClassFactory::Creator(&TNolikImpl::Create)));
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
