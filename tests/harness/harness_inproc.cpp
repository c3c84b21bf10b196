// Test-only in-process COM server.
#include <windows.h>
#include <olectl.h>
#include "com/class_factory.h"
#include "com/registration.h"
#include "harness_object.h"

extern "C" HRESULT __stdcall DllGetClassObject(REFCLSID clsid, REFIID iid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (clsid != CLSID_HarnessInproc) return CLASS_E_CLASSNOTAVAILABLE;
    com::com_ptr<IClassFactory> f = com::com_ptr<IClassFactory>::attach(
        new com::ClassFactory([] { return static_cast<IHarness*>(new HarnessObject); }));
    return f->QueryInterface(iid, ppv);
}

extern "C" HRESULT __stdcall DllCanUnloadNow() { return com::ModuleLockCount() == 0 ? S_OK : S_FALSE; }

extern "C" HRESULT __stdcall DllRegisterServer() {
    const std::string path = com::ThisModulePath();
    if (!com::RegisterServer({CLSID_HarnessInproc, "Harness.Inproc", "Harness in-process server", path, false}))
        return SELFREG_E_CLASS;
    return com::RegisterModuleTypeLib(path);
}

extern "C" HRESULT __stdcall DllUnregisterServer() {
    return com::UnregisterServer(CLSID_HarnessInproc, "Harness.Inproc") ? S_OK : SELFREG_E_CLASS;
}
