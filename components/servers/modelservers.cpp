// The in-process server of the six model-server components.
#include <windows.h>
#include <olectl.h>
#include <functional>
#include "com/class_factory.h"
#include "com/registration.h"
#include "components.h"
#include "servers/dravo.h"
#include "servers/gorta.h"
#include "servers/morvek.h"
#include "servers/pirto.h"
#include "servers/vasko.h"
#include "servers/zemra.h"

namespace {

struct ClassEntry {
    const CLSID* clsid;
    const char* description;
    com::ClassFactory::Maker make;
};

const ClassEntry* Classes(size_t& count) {
    static const ClassEntry classes[] = {
        {&CLSID_Dravo, "Dravo KN model server", [] { return static_cast<IKN*>(new servers::Dravo); }},
        {&CLSID_Zemra, "Zemra modified-KN model server", [] { return static_cast<IKN1*>(new servers::Zemra); }},
        {&CLSID_Gorta, "Gorta binary CMU model server", [] { return static_cast<ICMU*>(new servers::Gorta); }},
        {&CLSID_Pirto, "Pirto cache model server", [] { return static_cast<ICache*>(new servers::Pirto); }},
        {&CLSID_Vasko, "Vasko word-class model server", [] { return static_cast<IWC*>(new servers::Vasko); }},
        {&CLSID_Morvek, "Morvek language analyzer", [] { return static_cast<IZA*>(new servers::Morvek); }},
    };
    count = sizeof classes / sizeof classes[0];
    return classes;
}

}  // namespace

extern "C" HRESULT __stdcall DllGetClassObject(REFCLSID clsid, REFIID iid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    size_t count = 0;
    const ClassEntry* classes = Classes(count);
    for (size_t i = 0; i < count; ++i) {
        if (clsid != *classes[i].clsid) continue;
        try {
            com::com_ptr<IClassFactory> f = com::com_ptr<IClassFactory>::attach(new com::ClassFactory(classes[i].make));
            return f->QueryInterface(iid, ppv);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT __stdcall DllCanUnloadNow() { return com::ModuleLockCount() == 0 ? S_OK : S_FALSE; }

extern "C" HRESULT __stdcall DllRegisterServer() {
    try {
        const std::string path = com::ThisModulePath();
        size_t count = 0;
        const ClassEntry* classes = Classes(count);
        for (size_t i = 0; i < count; ++i) {
            // "Both": the components guard their own state, so callers on any thread reach them directly.
            com::ServerEntry e{*classes[i].clsid, "", classes[i].description, path, false, "Both"};
            if (!com::RegisterServer(e)) return SELFREG_E_CLASS;
        }
        return com::RegisterModuleTypeLib(path);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

extern "C" HRESULT __stdcall DllUnregisterServer() {
    try {
        size_t count = 0;
        const ClassEntry* classes = Classes(count);
        bool ok = true;
        for (size_t i = 0; i < count; ++i) ok &= com::UnregisterServer(*classes[i].clsid, "");
        com::UnregisterModuleTypeLib(com::ThisModulePath());
        return ok ? S_OK : SELFREG_E_CLASS;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}
